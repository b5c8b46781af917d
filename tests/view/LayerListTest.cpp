// The layer table as a model: layout, hits, and what presses, moves and
// releases do to the layers, with the shown count kept after each of them.
#include "core/Datas.h"
#include "core/DesignRules.h"
#include "view/LayerList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace mainwin;
using core::LayerTable;

namespace {

class LayerList : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::ResetTables();
        for (int k = 0; k < core::LayerTableSize; ++k) LayerTable[static_cast<std::size_t>(k)] = core::DefaultLayerEntry(k);
        core::LayerCount = 6;
        for (int k = 1; k <= 6; ++k) {
            auto& l = LayerTable[static_cast<std::size_t>(k)];
            l.FileName = "f" + std::to_string(k) + ".gbr";
            l.Active = k == 1 ? 1 : 0;
            core::DataElement e;
            e.Kind = core::dkLine;
            e.Layer = k;
            e.Code = 10 + k;
            core::AppendElement(e);
        }
        ShownLayerCount = 1;
        GroupStartRow = 0;
        grid = MyGridBox{};
        LayoutLayerGrid(grid, 245, 1000);
        FillLayerGrid(grid);
    }
    void TearDown() override
    {
        EXPECT_EQ(ShownLayerCount, CountActiveLayers()) << "after the last operation";
        core::ClearElements();
        core::LayerCount = 0;
    }

    // A point inside cell (col, row) of the rows' picture.
    int X(int col) const { return grid.Cells[static_cast<std::size_t>(col)][1].left + 5; }
    static int Y(int row) { return (row - 1) * GridRowHeight + 9; }

    LayerAction Click(int col, int row, MouseButton b = MouseButton::Left, bool shift = false)
    {
        LayerPress(grid, X(col), Y(row), false);
        LayerAction a = LayerRelease(grid, X(col), Y(row), b, shift);
        EXPECT_EQ(ShownLayerCount, CountActiveLayers());
        return a;
    }
    std::string ActiveRows() const
    {
        std::string s;
        for (int k = 1; k <= core::LayerCount; ++k)
            if (LayerTable[static_cast<std::size_t>(k)].Active == 1) s += std::to_string(k);
        return s;
    }

    MyGridBox grid;
};

TEST_F(LayerList, LayoutCellsAndHeight)
{
    EXPECT_EQ(LayoutLayerGrid(grid, 245, 1000), 6 * 18 + 40);
    EXPECT_EQ(LayoutLayerGrid(grid, 245, 100), 100);
    ASSERT_EQ(grid.RowCount, 7);
    EXPECT_EQ(grid.ColWidths, (std::vector<int>{25, 20, 100, 100}));
    LayoutLayerGrid(grid, 400, 1000);
    EXPECT_EQ(grid.ColWidths, (std::vector<int>{25, 20, 110, 245}));
    // Rows 0 and 1 both at y 0 (header and rows are separate pictures).
    EXPECT_EQ(grid.Cells[2][0], (platform::Rect{45, 0, 155, 18}));
    EXPECT_EQ(grid.Cells[2][1], (platform::Rect{45, 0, 155, 18}));
    EXPECT_EQ(grid.Cells[2][3], (platform::Rect{45, 36, 155, 54}));
    EXPECT_EQ(grid.Cells[1][2], (platform::Rect{27, 20, 41, 34}));   // the swatch
    EXPECT_EQ(grid.CellTexts[0][3], "C");
    EXPECT_EQ(LayerRowsHeight(grid), 6 * 18);
    // Hits: the swatch only inside its box; nothing past the last row.
    EXPECT_EQ(HitLayerCell(grid, 30, 25).col, 1);
    EXPECT_EQ(HitLayerCell(grid, 26, 19).row, -1);
    EXPECT_EQ(HitLayerCell(grid, 50, 6 * 18).row, -1);
    EXPECT_EQ(HitLayerCell(grid, 50, 6 * 18 - 1).row, 6);
    ShownLayerCount = CountActiveLayers();
}

TEST_F(LayerList, ClickTogglesAPageGroup)
{
    // Layers 2, 4 and 5 share a page letter: one click shows all three.
    for (int k : {4, 5}) LayerTable[static_cast<std::size_t>(k)].PageLetter = "B";
    LayerAction a = Click(2, 2);
    EXPECT_TRUE(a.RedrawView);
    EXPECT_EQ(ActiveRows(), "1245");
    EXPECT_EQ(ShownLayerCount, 4);
    Click(3, 5);
    EXPECT_EQ(ActiveRows(), "1");
    EXPECT_EQ(grid.DragRow, 0);
    EXPECT_EQ(grid.HotRow, -1);
}

TEST_F(LayerList, PageGroupPairing)
{
    LayerTable[2].Active = 1;
    ShownLayerCount = 2;
    // The first "GP" click only marks; nothing else changes.
    LayerAction a = Click(0, 5);
    EXPECT_EQ(GroupStartRow, 5);
    EXPECT_FALSE(a.RedrawView);
    // Row 2 after row 5: the later row joins the earlier one.
    a = Click(0, 2);
    EXPECT_TRUE(a.RedrawView);
    EXPECT_EQ(GroupStartRow, 0);
    EXPECT_EQ(LayerTable[5].PageLetter, "B");
    EXPECT_EQ(LayerTable[5].Active, 1);
    EXPECT_EQ(ShownLayerCount, 3);
    // Hiding layer 2 now hides 5 too.
    Click(2, 2);
    EXPECT_EQ(ActiveRows(), "1");
    // A right click on "GP" gives the row its own letter back.
    Click(0, 5, MouseButton::Right);
    EXPECT_EQ(LayerTable[5].PageLetter, "E");
    // A pending pairing ends on a right click, and on a release outside.
    Click(0, 3);
    Click(0, 4, MouseButton::Right);
    EXPECT_EQ(GroupStartRow, 0);
    Click(0, 3);
    LayerTable[3].AltColor = 0x123456;
    ReleaseOutsideRows(grid);
    EXPECT_EQ(GroupStartRow, 0);
    EXPECT_EQ(LayerTable[3].Color, 0x123456);
}

TEST_F(LayerList, ShiftRangesBothWays)
{
    struct Case {
        int press, release;
    };
    for (Case c : {Case{3, 6}, Case{6, 3}}) {
        SCOPED_TRACE(c.press);
        LayerPress(grid, X(2), Y(c.press), false);
        LayerRelease(grid, X(3), Y(c.release), MouseButton::Left, true);
        EXPECT_EQ(ActiveRows(), "3456");
        EXPECT_EQ(ShownLayerCount, 4);
    }
    // A Shift-drag sets the range while moving, the release keeps it.
    LayerPress(grid, X(2), Y(2), false);
    LayerMove(grid, X(2), Y(4), true, true);
    EXPECT_EQ(ActiveRows(), "234");
    EXPECT_EQ(ShownLayerCount, 3);
    LayerRelease(grid, X(2), Y(4), MouseButton::Left, true);
    EXPECT_EQ(ActiveRows(), "234");
    // A press on the swatch starts no range: the Shift release leaves the layers.
    LayerPress(grid, X(1), Y(1), false);
    EXPECT_EQ(grid.DragRow, -1);
    LayerRelease(grid, X(2), Y(5), MouseButton::Left, true);
    EXPECT_EQ(ActiveRows(), "234");
}

TEST_F(LayerList, DragLayerOneOntoFour)
{
    LayerPress(grid, X(2), Y(1), false);
    EXPECT_EQ(grid.HotRow, 1);
    LayerAction m = LayerMove(grid, X(2), Y(3), true, false);
    EXPECT_TRUE(m.ShowMoveBar);
    EXPECT_EQ(m.MoveBarRow, 3);
    LayerAction a = LayerRelease(grid, X(2), Y(4), MouseButton::Left, false);
    EXPECT_TRUE(a.LayersMoved);
    EXPECT_TRUE(a.HideMoveBar);
    const char* order[] = {"f2.gbr", "f3.gbr", "f1.gbr", "f4.gbr", "f5.gbr", "f6.gbr"};
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(LayerTable[static_cast<std::size_t>(k)].FileName, order[k - 1]);
        EXPECT_EQ(LayerTable[static_cast<std::size_t>(k)].Letter, core::SlotLetter(k));
    }
    // The shown layer and its elements moved with it.
    EXPECT_EQ(ActiveRows(), "3");
    EXPECT_EQ(core::Datas[0].Layer, 3);
    EXPECT_EQ(core::Datas[1].Layer, 1);
    EXPECT_EQ(ShownLayerCount, 1);
    // A release on a name after a press elsewhere moves nothing.
    LayerPress(grid, X(0), Y(1), false);
    LayerRelease(grid, X(2), Y(5), MouseButton::Left, false);
    EXPECT_EQ(LayerTable[1].FileName, "f2.gbr");
}

TEST_F(LayerList, DesignRulesFollowADraggedLayer)
{
    core::MyDrcSet& s = core::DrcSettings;
    s = core::MyDrcSet{};
    s.Count = 6;
    s.MinWidth = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    s.AngleCheck = {0, 1, 0, 0, 1, 0, 0};
    s.TopSilk = 1;
    s.TopResist = 4;
    s.BottomSilk = 2;
    s.BottomResist = 0;
    // Layer 1 onto 4: f2, f3, f1, f4, f5, f6.
    LayerPress(grid, X(2), Y(1), false);
    ASSERT_TRUE(LayerRelease(grid, X(2), Y(4), MouseButton::Left, false).LayersMoved);
    EXPECT_EQ(s.MinWidth, (std::vector<double>{0, 0.2, 0.3, 0.1, 0.4, 0.5, 0.6}));
    EXPECT_EQ(s.AngleCheck, (std::vector<std::int32_t>{0, 0, 0, 1, 1, 0, 0}));
    EXPECT_EQ(s.TopSilk, 3);
    EXPECT_EQ(s.TopResist, 4);
    EXPECT_EQ(s.BottomSilk, 1);
    EXPECT_EQ(s.BottomResist, 0);
    // And back: as they were.
    LayerPress(grid, X(2), Y(3), false);
    LayerRelease(grid, X(2), Y(1), MouseButton::Left, false);
    EXPECT_EQ(s.MinWidth, (std::vector<double>{0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6}));
    EXPECT_EQ(s.TopSilk, 1);
    s = core::MyDrcSet{};
}

TEST_F(LayerList, ReleaseOutsideEveryCellEndsTheDrag)
{
    LayerPress(grid, X(2), Y(2), false);
    LayerMove(grid, X(2), Y(4), true, false);
    LayerAction a = LayerRelease(grid, X(2), 6 * 18 + 5, MouseButton::Left, false);
    EXPECT_TRUE(a.HideMoveBar);
    EXPECT_EQ(grid.HotRow, -1);
    EXPECT_LT(grid.DragRow, 1);
    EXPECT_EQ(LayerTable[2].FileName, "f2.gbr");
    LayerPress(grid, X(2), Y(2), false);
    a = ReleaseOutsideRows(grid);
    EXPECT_TRUE(a.HideMoveBar);
    EXPECT_EQ(grid.HotRow, -1);
}

TEST_F(LayerList, RightClickHidesAllAndHeaderClicks)
{
    Click(2, 3);
    Click(3, 4, MouseButton::Right);
    EXPECT_EQ(ActiveRows(), "");
    EXPECT_EQ(ShownLayerCount, 0);
    const platform::Rect file = grid.Cells[2][0];
    LayerAction a = HeaderRelease(grid, file.left + 3, 5, MouseButton::Left);
    EXPECT_TRUE(a.ResetTools);
    EXPECT_EQ(ShownLayerCount, 6);
    a = HeaderRelease(grid, grid.Cells[3][0].left + 3, 5, MouseButton::Right);
    EXPECT_EQ(ShownLayerCount, 0);
    // "GP" and "色" are not header buttons; nor is any while pairing.
    a = HeaderRelease(grid, 5, 5, MouseButton::Left);
    EXPECT_FALSE(a.RedrawView);
    GroupStartRow = 2;
    a = HeaderRelease(grid, file.left + 3, 5, MouseButton::Left);
    EXPECT_FALSE(a.RedrawView);
    EXPECT_EQ(ShownLayerCount, 0);
    GroupStartRow = 0;
}

TEST_F(LayerList, ColourCellAsksAndBothColoursTakeTheAnswer)
{
    LayerAction a = Click(1, 2);
    EXPECT_TRUE(a.ChooseColor);
    EXPECT_EQ(a.ColorRow, 2);
    ApplyLayerColor(2, platform::RGB(1, 2, 3));
    EXPECT_EQ(LayerTable[2].Color, static_cast<std::int32_t>(platform::RGB(1, 2, 3)));
    EXPECT_EQ(LayerTable[2].AltColor, LayerTable[2].Color);
    ApplyLayerColor(9, 0);   // no such row: nothing
    EXPECT_EQ(LayerTable[9].Color, core::DefaultLayerEntry(9).Color);
}

// Text measured as 10 pixels a byte.
class FixedText : public platform::RasterTextHook {
public:
    void TextOut(platform::RasterCanvas&, int, int, std::string_view) override {}
    platform::TextSize TextExtent(const platform::RasterCanvas&, std::string_view t) override
    {
        // Ten pixels a character, whatever its bytes.
        const auto chars = std::count_if(t.begin(), t.end(), [](char b) { return (static_cast<unsigned char>(b) & 0xC0) != 0x80; });
        return {static_cast<int>(chars) * 10, 15};
    }
};

// What a shortened name reads: one "..." between a start of one of its
// words and its end, the dots never run into a dot of the name.
void ExpectReadable(const std::string& name, const std::string& shown)
{
    if (shown == name) return;
    const std::size_t dots = shown.find("...");
    ASSERT_NE(dots, std::string::npos) << shown;
    EXPECT_EQ(shown.find("...", dots + 3), std::string::npos) << shown;
    EXPECT_EQ(shown.find("...."), std::string::npos) << shown;
    const std::string head = shown.substr(0, dots), tail = shown.substr(dots + 3);
    EXPECT_TRUE(name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0) << shown;
    bool atWord = head.empty() || name.rfind(head, 0) == 0;
    for (std::size_t at = name.find(head); !atWord && at != std::string::npos; at = name.find(head, at + 1))
        atWord = at > 0 && std::string("._- ").find(name[at - 1]) != std::string::npos;
    EXPECT_TRUE(atWord) << shown;
}

// The table is as wide as its rows, never wider: names and contents side
// by side, the names giving way to the contents down to their share of the
// room, whatever is wider than its column shortened with "..." so that no
// text runs past its cell; the names of one job still differ and read.
TEST_F(LayerList, ColumnsFitTheRowsAndLongNamesAreShortened)
{
    platform::RasterCanvas c(10, 10);
    FixedText text;
    c.SetTextHook(&text);
    const std::string longName = "chibi_20240117_top_copper_final.gbr";
    struct Case {
        int width;
        std::string name, contents;
        int file;             // the file column; the contents column has the rest
        std::string drawn;    // the name as drawn
        std::string shownContents;
    };
    const std::vector<Case> cases = {
        {245, "f3.gbr", "", 100, "f3.gbr", ""},                           // the laid-out columns
        {245, "chibi-B.Mask", "", 126, "chibi-B.Mask", ""},               // widened into the free room
        {245, longName, "", 174, "chibi_2024011...", ""},                 // all but the contents header
        {245, longName, "部品面パターン", 124, "chibi_20...", "部品面パターン"},   // the contents show whole
        {245, "f3.gbr", std::string(40, 'x'), 66, "f3.gbr", "xxxxxxxxx..."},       // contents beside short names
        {245, longName, std::string(40, 'x'), 120, "chibi_20...", "xxxx..."},      // the names' share
        {155, longName, "", 84, "chib...", ""},                           // a narrow panel with its bar
        {155, "基板外形データ.gbr", "", 84, "基板外形...", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.width);
        SCOPED_TRACE(k.name + " / " + k.contents);
        LayerTable[3].FileName = k.name;
        LayerTable[4].Contents = k.contents;
        LayoutLayerGrid(grid, k.width, 1000);
        FillLayerGrid(grid);
        FitLayerColumns(grid, c, k.width);
        EXPECT_EQ(grid.ColWidths[2], k.file);
        EXPECT_EQ(TableWidth(grid), k.width);
        const platform::Rect& file = grid.Cells[2][3];
        EXPECT_EQ(grid.Cells[3][3].left, file.right);
        const std::string drawn = ShownFileName(c, grid, 3);
        EXPECT_EQ(drawn, k.drawn);
        EXPECT_LE(c.TextWidth(drawn), FileNameRoom(file));
        const std::string contents = ShownContents(c, grid, 4);
        EXPECT_EQ(contents, k.shownContents);
        EXPECT_LE(2 + c.TextWidth(contents), grid.Cells[3][4].right - grid.Cells[3][4].left) << "clear of the edge";
    }
    // The files of one job, shortened, are still told apart and read, at
    // the end or a little before it, with and without a long common start.
    const std::vector<std::vector<std::string>> jobs = {
        {"LimeSDR-QPCIe_1v2.G1", "LimeSDR-QPCIe_1v2.G10", "LimeSDR-QPCIe_1v2.GTL", "LimeSDR-QPCIe_1v2.GBL",
         "LimeSDR-QPCIe_1v2.GM1", "LimeSDR-QPCIe_1v2.GM15"},
        {"chibi_2024-B.Paste.gbr", "chibi_2024-F.Paste.gbr", "chibi_2024-B.Mask.gbr", "chibi_2024-F.Mask.gbr",
         "chibi_2024-B.Cu.gbr", "chibi_2024-F.Cu.gbr"},
        {"mainboard.drl", "mainboard_BoardOutline.gbr", "mainboard_Bottom.gbr", "mainboard_BottomMask.gbr",
         "mainboard_Top.gbr", "mainboard_TopSilk.gbr"},
        {"driver.bottom.gbr", "driver.bottommask.gbr", "driver.plated-drill.cnc", "driver.unplated-drill.cnc",
         "driver.top.gbr", "driver.topsilk.gbr"},
        {"copper_bottom.gbr", "copper_top.gbr", "drills.xln", "silkscreen_bottom.gbr", "soldermask_bottom.gbr",
         "solderpaste_bottom.gbr"},
    };
    for (const int width : {185, 215, 245})
        for (const std::vector<std::string>& job : jobs) {
            SCOPED_TRACE(job[0] + " at " + std::to_string(width));
            for (int k = 1; k <= 6; ++k) LayerTable[static_cast<std::size_t>(k)].FileName = job[static_cast<std::size_t>(k - 1)];
            LayerTable[4].Contents = "部品面パターン";
            LayoutLayerGrid(grid, width, 1000);
            FillLayerGrid(grid);
            FitLayerColumns(grid, c, width);
            std::set<std::string> shown;
            for (int r = 1; r <= 6; ++r) {
                const std::string name = ShownFileName(c, grid, r);
                EXPECT_LE(c.TextWidth(name), FileNameRoom(grid.Cells[2][static_cast<std::size_t>(r)])) << name;
                ExpectReadable(job[static_cast<std::size_t>(r - 1)], name);
                shown.insert(name);
            }
            EXPECT_EQ(shown.size(), 6u);
        }
    // Layers told apart by their extension keep it whole after as much of
    // the start they share as fits them all.
    for (int k = 1; k <= 6; ++k) LayerTable[static_cast<std::size_t>(k)].FileName = jobs[0][static_cast<std::size_t>(k - 1)];
    LayerTable[4].Contents.clear();
    LayoutLayerGrid(grid, 185, 1000);
    FillLayerGrid(grid);
    FitLayerColumns(grid, c, 185);
    EXPECT_EQ(ShownFileNames(c, grid), (std::vector<std::string>{"", "Lim...G1", "Lim...G10", "Lim...GTL", "Lim...GBL", "Lim...GM1", "Lim...GM15"}));
    EXPECT_EQ(FitFileName(c, longName, 35), "...");
    ShownLayerCount = CountActiveLayers();
}

TEST_F(LayerList, RowsPaintedShownNavyAndSwatchInColour)
{
    LayerTable[2].Color = static_cast<std::int32_t>(platform::RGB(255, 0, 0));
    FillLayerGrid(grid);
    platform::RasterCanvas c(245, LayerRowsHeight(grid));
    DrawLayerRows(c, grid, 0);
    EXPECT_EQ(c.Pixel(X(2) + 40, Y(1)), NavyColor);
    EXPECT_EQ(c.Pixel(X(2) + 40, Y(2)), ListFaceColor);
    EXPECT_EQ(c.Pixel(grid.Cells[1][2].left + 5, Y(2)), platform::RGB(255, 0, 0));
}

} // namespace
