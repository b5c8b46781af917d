// The print dialog's models without a window, over a real board: the
// panel's items and what clicking them does, the popups' choices and where
// they open, the layer list's flags, scrolling and offsets.
#include "output/PrintPanel.h"

#include "bench/ProbeLoad.h"
#include "core/Datas.h"
#include "output/PrintEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace output;
using platform::RGB;

namespace {

const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

// Text measured as 7 pixels an ASCII character and 14 any other, drawn as nothing.
class FixedText : public platform::RasterTextHook {
public:
    void TextOut(platform::RasterCanvas&, int, int, std::string_view) override {}
    platform::TextSize TextExtent(const platform::RasterCanvas&, std::string_view t) override
    {
        int w = 0;
        for (const char c : t) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80) w += 7;
            else if ((b & 0xC0) != 0x80) w += 14;
        }
        return {w, 15};
    }
};

std::vector<std::string> Files(const char* board, std::vector<const char*> names)
{
    std::vector<std::string> files;
    for (const char* n : names) files.push_back((Cad / board / n).string());
    return files;
}

// Layers in the order given, the first alone printed, as after an open.
void Load(const std::vector<std::string>& files)
{
    core::ResetTables();
    ASSERT_EQ(probe::LoadFiles(files), 0);
    PrintArea = core::Extents;
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = k == 1;
}

// Five layers of a real board: 1 B.Cu, 2 Edge.Cuts, 3 F.Cu, 4 F.Mask, 5 F.SilkS.
void LoadBoard()
{
    Load(Files("kicad-older", {"chibi_2024-B.Cu.gbr", "chibi_2024-Edge.Cuts.gbr", "chibi_2024-F.Cu.gbr",
                               "chibi_2024-F.Mask.gbr", "chibi_2024-F.SilkS.gbr"}));
}

std::string Printed()
{
    std::string s;
    for (int k = 1; k <= core::LayerCount; ++k) s += core::LayerTable[static_cast<std::size_t>(k)].Active == 1 ? '1' : '0';
    return s;
}

class PrintPanelModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPrintSettings();
        PrintSettings.HorzSize = 210;
        PrintSettings.VertSize = 297;
        PrintSettings.PrinterName = "PDF ファイル";
        measure.SetTextHook(&text);
        LoadBoard();
        layout = LayoutPrintDialog(measure, 1600);
        BuildSettingsPanel(panel, measure, layout);
    }
    void TearDown() override
    {
        core::ResetTables();
        ResetPrintSettings();
        PrintArea = {};
    }
    FixedText text;
    platform::RasterCanvas measure{1, 1};
    PrintLayout layout;
    MyFreeBox panel;
};

} // namespace

// What the value cells and check items show for the settings; the outline
// cell red while a loaded job has no outline file (or one beyond its layers).
TEST_F(PrintPanelModel, ItemsShowTheSettings)
{
    struct Case {
        std::function<void()> set;
        std::vector<std::pair<int, std::string>> captions;
        int footer;
        platform::Color outlineFill;
    };
    const Case cases[] = {
        {[] {}, {{piPrinter, " PDF ファイル"}, {piPaper, " 210 x 297"}, {piMode, " 白/黒 (標準)"}, {piMirror, " OFF"},
                 {piScale, " 100 %"}, {piOffsetX, " 0"}, {piOutline, " ファイルを指定して下さい"}},
         isCheckOn, OutlineMissingRed},
        {[] {
             MyPrintSet& p = PrintSettings;
             p.ColorMode = pmInverted, p.Mirror = 1, p.ScalePercent = 200, p.OffsetY = -20, p.OutlineLayer = 2, p.Footer = 0;
             p.HorzSize = 215.9;
         },
         {{piPaper, " 215.9 x 297"}, {piMode, " 白/黒 (N/P反転印刷)"}, {piMirror, " ON"}, {piScale, " 200 %"},
          {piOffsetY, " -20"}, {piOutline, " chibi_2024-Edge.Cuts.gbr"}},
         isCheckOff, White},
        {[] { PrintSettings.OutlineLayer = 9; }, {{piOutline, " ファイルを指定して下さい"}}, isCheckOn, OutlineMissingRed},
        {[] { core::ResetTables(); }, {{piOutline, ""}}, isCheckOn, White},
    };
    for (const Case& c : cases) {
        SetUp();
        c.set();
        RefreshSettingsPanel(panel);
        for (const auto& [item, caption] : c.captions) EXPECT_EQ(panel.Captions[static_cast<std::size_t>(item)], caption) << item;
        EXPECT_EQ(panel.States[piFooter], c.footer);
        platform::RasterCanvas picture(layout.ClientWidth, layout.ClientHeight);
        DrawSettingsPanel(picture, panel);
        EXPECT_EQ(picture.Pixel(panel.Rects[piOutline].right - 3, panel.Rects[piOutline].top + 3), c.outlineFill);
    }
}

// Clicks on the panel: toggles, the list's heading printing all or none,
// printer set-up, popups opening at their items (not the outline's without
// layers).
TEST_F(PrintPanelModel, ClicksChangeSettingsOrOpenPopups)
{
    struct Case {
        int item;
        MouseButton button;
        std::function<int()> field;
        int after;
        const char* popup;
        platform::Point at;
    };
    const platform::Rect mode = panel.Rects[piMode], scale = panel.Rects[piScale], outline = panel.Rects[piOutline];
    auto none = [] { return 0; };
    const Case cases[] = {
        {piFooter, MouseButton::Left, [] { return int(PrintSettings.Footer); }, 0, "", {}},
        {piMirror, MouseButton::Left, [] { return int(PrintSettings.Mirror); }, 1, "", {}},
        {piMirror, MouseButton::Right, [] { return int(PrintSettings.Mirror); }, 1, "", {}},
        {piApertureSheet, MouseButton::Left, [] { return int(PrintSettings.ApertureSheet); }, 1, "", {}},
        {piListHead, MouseButton::Left, [] { return std::stoi(Printed()); }, 11111, "", {}},
        {piListFlags, MouseButton::Right, [] { return std::stoi("1" + Printed()); }, 100000, "", {}},
        {piPaper, MouseButton::Left, none, 0, "", {}},
        {piMode, MouseButton::Left, none, 0, "ColorMode", {mode.left - 5, mode.top + 10}},
        {piScale, MouseButton::Left, none, 0, "Scale", {scale.left + 40, scale.bottom}},
        {piOutline, MouseButton::Left, none, 0, "Layers", {outline.left - 5, outline.top + 10}},
    };
    for (const Case& c : cases) {
        const platform::Rect& r = panel.Rects[static_cast<std::size_t>(c.item)];
        const PrintAction a = PanelClick(panel, HitPanelItem(panel, (r.left + r.right) / 2, r.top + 5), c.button);
        EXPECT_EQ(c.field(), c.after) << c.item;
        EXPECT_EQ(a.PrinterSetup, c.item == piPaper) << c.item;
        EXPECT_EQ(a.Popup, c.popup) << c.item;
        if (*c.popup) {
            EXPECT_EQ(a.PopupAt, c.at) << c.item;
        }
    }
    core::ResetTables();
    EXPECT_EQ(PanelClick(panel, piOutline, MouseButton::Left).Popup, "");
}

// A choice sets its setting; the outline list offers the loaded layers by
// number and nothing else (its first, empty choice has no place).
TEST_F(PrintPanelModel, PopupChoicesSetTheSettings)
{
    struct Case {
        const char* kind;
        int item;
        bool taken;
        std::function<bool()> check;
    };
    const Case cases[] = {
        {"Scale", 0, true, [] { return PrintSettings.ScalePercent == 500; }},
        {"Scale", 7, true, [] { return PrintSettings.ScalePercent == 50; }},
        {"Scale", 8, false, [] { return PrintSettings.ScalePercent == 50; }},
        {"ColorMode", 1, true, [] { return PrintSettings.ColorMode == 1 && PrintSettings.PageColor == Black; }},
        {"ColorMode", 3, true, [] { return PrintSettings.ColorMode == 3 && PrintSettings.PageColor == White; }},
        {"Layers", 2, true, [] { return PrintSettings.OutlineLayer == 2; }},
        {"Layers", 0, false, [] { return PrintSettings.OutlineLayer == 2; }},
        {"Layers", 6, false, [] { return PrintSettings.OutlineLayer == 2; }},
    };
    core::LayerTable[2].Contents = "基板外形";
    for (const Case& c : cases) {
        MyBalloonBox popup;
        InitPopupItems(popup, c.kind, measure);
        if (std::string(c.kind) == "Layers") {
            EXPECT_EQ(popup.Captions[2], "chibi_2024-Edge.Cuts.gbr (基板外形)");
            EXPECT_EQ(popup.Captions[3], "chibi_2024-F.Cu.gbr");
        }
        if (c.taken) {
            const platform::Rect& r = popup.Rects[static_cast<std::size_t>(c.item)];
            EXPECT_EQ(HitPopupItem(popup, (r.left + r.right) / 2, (r.top + r.bottom) / 2), c.item);
        }
        EXPECT_EQ(ApplyPopupChoice(popup, c.item), c.taken) << c.kind << c.item;
        EXPECT_TRUE(c.check()) << c.kind << c.item;
    }
}

// Wherever it is asked to open, a popup lies wholly in the dialog, 20
// pixels in, its pointer on its own edge and its captions whole; where
// nothing pushes it, it hangs centred from the point.
TEST_F(PrintPanelModel, PopupsStayInsideTheDialog)
{
    core::LayerTable[3].FileName = std::string(70, 'x') + ".gbr";   // a wide outline popup
    const int cw = layout.ClientWidth, ch = layout.ClientHeight;
    const platform::Rect scale = panel.Rects[piScale];
    struct Case { const char* kind; int x, y; };
    const Case cases[] = {
        {"Scale", scale.left + 40, scale.bottom}, {"Scale", cw - 2, ch - 2}, {"Scale", 1, 1},
        {"ColorMode", 3, ch - 1}, {"ColorMode", cw, 0}, {"Layers", 10, 10}, {"Layers", cw - 1, ch - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
        MyBalloonBox popup;
        InitPopupItems(popup, c.kind, measure);
        const int w = popup.Bounds.right, h = popup.Bounds.bottom;
        PlacePopup(popup, c.x, c.y, cw, ch);
        const platform::Rect& b = popup.Bounds;
        EXPECT_EQ(b.right - b.left, w);
        EXPECT_EQ(b.bottom - b.top, h);
        EXPECT_TRUE(b.left >= 20 && b.top >= 20 && b.right <= cw - 20 && b.bottom <= ch - 20);
        for (const platform::Point& p : popup.Outline) EXPECT_TRUE(p.x >= 0 && p.x < w && p.y >= 0 && p.y < h);
        for (int k = 0; k < popup.Count; ++k) {
            const platform::Rect& r = popup.Rects[static_cast<std::size_t>(k)];
            EXPECT_LE(measure.TextWidth(popup.Captions[static_cast<std::size_t>(k)]), std::max(0, r.right - r.left - 4));
        }
        if (c.y == scale.bottom) {
            EXPECT_EQ(b, (platform::Rect{c.x - w / 2, c.y, c.x - w / 2 + w, c.y + h}));
        }
    }
}

// The list's flags from presses, moves and releases, rows counted from 0.
TEST_F(PrintPanelModel, ListFlagsFromTheMouse)
{
    // Layers 2 and 4 print on one page.
    core::LayerTable[2].PageLetter = core::LayerTable[4].PageLetter = "B";
    struct Event { char kind; int col, row; MouseButton button; };   // p press, m move (left held), r release
    struct Case {
        const char* name;
        std::vector<Event> events;
        const char* printed;
        int outline, mask;   // layer 3's combine flags
    };
    const MouseButton L = MouseButton::Left, R = MouseButton::Right;
    const Case cases[] = {
        {"drag from row 1 to row 4", {{'p', 0, 1, L}, {'m', 0, 2, L}, {'m', 0, 4, L}, {'r', 0, 4, L}}, "01111", 0, 0},
        {"drag back up", {{'p', 0, 3, L}, {'m', 0, 1, L}, {'r', 0, 0, L}}, "11110", 0, 0},
        {"right click clears all", {{'p', 0, 2, R}, {'r', 0, 2, R}}, "00000", 0, 0},
        {"click takes the page group along", {{'p', 0, 1, L}, {'r', 0, 1, L}}, "01010", 0, 0},
        {"click again", {{'p', 0, 3, L}, {'r', 0, 3, L}}, "00000", 0, 0},
        {"combine columns", {{'p', 1, 2, L}, {'r', 1, 2, L}, {'p', 2, 2, L}, {'r', 2, 2, L}}, "00000", 1, 1},
        {"a press in the mask column starts no drag", {{'p', 2, 1, L}, {'m', 0, 3, L}, {'r', 0, 3, L}}, "00000", 1, 1},
        {"rows without a layer", {{'p', 0, 7, L}, {'m', 0, 1, L}, {'r', 0, 7, L}, {'p', 0, 1, L}, {'r', 0, 9, L}}, "00000", 1, 1},
        {"outside every row", {{'p', 0, 1, L}, {'r', 5, 40, L}}, "00000", 1, 1},
    };
    MyGridBox grid;
    InitGridCells(grid, 250);
    FillPrintLayerGrid(grid, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Event& e : c.events) {
            int x = e.col * 1000, y = e.row * ListRowHeight + 5;
            if (e.col < 3 && e.row < ListRows) {
                const platform::Rect& r = grid.Cells[static_cast<std::size_t>(e.col)][static_cast<std::size_t>(e.row)];
                x = (r.left + r.right) / 2;
            }
            if (e.kind == 'p') ListPress(grid, x, y);
            else if (e.kind == 'm') ListMove(grid, x, y, true);
            else ListRelease(grid, x, y, e.button);
        }
        EXPECT_EQ(Printed(), c.printed);
        EXPECT_EQ(core::LayerTable[3].CombineOutline, c.outline);
        EXPECT_EQ(core::LayerTable[3].CombineMask, c.mask);
        EXPECT_EQ(grid.DragRow, -1);
    }
    // The rows as drawn: a printed layer's cell navy, the others the face colour.
    core::LayerTable[1].Active = 1;
    FillPrintLayerGrid(grid, 0);
    platform::RasterCanvas picture(250, ListHeight);
    DrawPrintLayerList(picture, grid);
    EXPECT_EQ(picture.Pixel(200, 3), PanelNavy);
    EXPECT_EQ(picture.Pixel(200, ListRowHeight + 3), PanelFace);
}

// Fourteen layers: twelve rows and two rows to scroll, one a wheel notch;
// with fewer layers than rows the wheel does nothing.
TEST_F(PrintPanelModel, ListScrollsOneRowANotch)
{
    std::vector<std::string> files;
    for (const char* board : {"controller", "driver"})
        for (const char* layer : {"bottom.gbr", "bottommask.gbr", "fab.gbr", "top.gbr", "topmask.gbr", "topsilk.gbr", "plated-drill.cnc"})
            files.push_back((Cad / "geda" / (std::string(board) + "." + layer)).string());
    Load(files);
    ASSERT_EQ(core::LayerCount, 14);
    EXPECT_EQ(ListScrollMax(), 2);
    struct Case { int from, notches, to; };
    const Case cases[] = {{0, -1, 1}, {1, -1, 2}, {2, -1, 2}, {2, 1, 1}, {0, 1, 0}, {0, -5, 2}, {7, 0, 2}};
    for (const Case& c : cases) EXPECT_EQ(WheelScroll(c.from, c.notches), c.to) << c.from << " " << c.notches;
    MyGridBox grid;
    InitGridCells(grid, 250);
    FillPrintLayerGrid(grid, 2);
    EXPECT_EQ(grid.RowLayers.front(), 3);
    EXPECT_EQ(grid.RowLayers.back(), 14);
    EXPECT_EQ(grid.Texts[0][0], "controller.fab.gbr");
    // A drag on scrolled rows shows the layers of those rows.
    ListPress(grid, 10, 5);
    ListRelease(grid, 10, 2 * ListRowHeight + 5, MouseButton::Left);
    EXPECT_EQ(Printed(), "00111000000000");

    LoadBoard();
    EXPECT_EQ(ListScrollMax(), 0);
    EXPECT_EQ(WheelScroll(0, -1), 0);
    core::ResetTables();
    FillPrintLayerGrid(grid, 3);
    EXPECT_EQ(grid.RowLayers, std::vector<std::int32_t>(ListRows, 0));
}

// The offset buttons move 10 mm while the offset stays within half the
// data's width or height (the board is 100.4 × 78.525 mm).
TEST_F(PrintPanelModel, OffsetsStopAtHalfTheData)
{
    ASSERT_NEAR(PrintArea.Width, 100.4, 0.01);
    ASSERT_NEAR(PrintArea.Height, 78.525, 0.01);
    struct Case { int button, x, y, toX, toY; };
    const Case cases[] = {
        {2, 0, 0, 10, 0},   {2, 50, 0, 50, 0},   {1, 50, 0, 40, 0},    {1, -40, 0, -50, 0}, {1, -50, 0, -50, 0},
        {4, 0, 30, 0, 30},  {3, 0, -30, 0, -30}, {3, 0, -20, 0, -30},  {5, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        PrintSettings.OffsetX = c.x, PrintSettings.OffsetY = c.y;
        StepOffset(c.button);
        EXPECT_EQ(std::pair(PrintSettings.OffsetX, PrintSettings.OffsetY), std::pair(c.toX, c.toY)) << c.button << " from " << c.x << "," << c.y;
    }
}

// The dialog is at least 880 wide and widens so that no value is cut: the
// outline cell holds any loaded file's name, the list's rows theirs; it
// never grows beyond what it is allowed.
TEST_F(PrintPanelModel, LayoutWidensSoThatNoValueIsCut)
{
    for (const std::string& file : {std::string(), std::string(60, 'x') + ".gbr"}) {
        if (!file.empty()) core::LayerTable[4].FileName = file;
        const PrintLayout l = LayoutPrintDialog(measure, 1600);
        EXPECT_GE(l.ClientWidth, 880);
        MyFreeBox p;
        BuildSettingsPanel(p, measure, l);
        MyGridBox grid;
        InitGridCells(grid, l.List.right - l.List.left);
        FillPrintLayerGrid(grid, 0);
        for (int layer = 1; layer <= core::LayerCount; ++layer) {
            PrintSettings.OutlineLayer = layer;
            RefreshSettingsPanel(p);
            const platform::Rect& r = p.Rects[piOutline];
            EXPECT_LE(measure.TextWidth(p.Captions[piOutline]), r.right - r.left - 4) << layer;
            const platform::Rect& row = grid.Cells[0][static_cast<std::size_t>(layer - 1)];
            EXPECT_LE(22 + measure.TextWidth(grid.Texts[0][static_cast<std::size_t>(layer - 1)]), row.right - row.left - 2);
        }
    }
    EXPECT_EQ(LayoutPrintDialog(measure, 900).ClientWidth, 900);
}
