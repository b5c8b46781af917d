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
    platform::Point Centre(int item) const
    {
        const platform::Rect& r = panel.Rects[static_cast<std::size_t>(item)];
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    FixedText text;
    platform::RasterCanvas measure{1, 1};
    PrintLayout layout;
    MyFreeBox panel;
};

} // namespace

// What the value cells and check items show for the settings, and the
// outline cell red while a loaded job has no outline file.
TEST_F(PrintPanelModel, ItemsShowTheSettings)
{
    struct Case {
        const char* name;
        std::function<void()> set;
        std::vector<std::pair<int, std::string>> captions;
        std::vector<std::pair<int, int>> states;
        platform::Color outlineFill;
    };
    const platform::Color white = RGB(255, 255, 255);
    const Case cases[] = {
        {"defaults", [] {},
         {{piPrinter, " PDF ファイル"}, {piPaper, " 210 x 297"}, {piMode, " 白/黒 (標準)"}, {piMirror, " OFF"},
          {piScale, " 100 %"}, {piOffsetX, " 0"}, {piOutline, " ファイルを指定して下さい"}},
         {{piFooter, isCheckOn}, {piGerberSheet, isCheckOff}, {piDrillSheet, isCheckOff}, {piApertureSheet, isCheckOff}},
         OutlineMissingRed},
        {"changed",
         [] {
             MyPrintSet& p = PrintSettings;
             p.ColorMode = pmInverted, p.Mirror = 1, p.ScalePercent = 200, p.OffsetX = -10, p.OffsetY = 20;
             p.OutlineLayer = 2, p.Footer = 0, p.DrillSheet = 1, p.HorzSize = 215.9;
         },
         {{piPaper, " 215.9 x 297"}, {piMode, " 白/黒 (N/P反転印刷)"}, {piMirror, " ON"}, {piScale, " 200 %"},
          {piOffsetX, " -10"}, {piOffsetY, " 20"}, {piOutline, " chibi_2024-Edge.Cuts.gbr"}},
         {{piFooter, isCheckOff}, {piDrillSheet, isCheckOn}}, white},
        {"outline beyond the layers", [] { PrintSettings.OutlineLayer = 9; },
         {{piOutline, " ファイルを指定して下さい"}}, {}, OutlineMissingRed},
        {"no layers", [] { core::ResetTables(); }, {{piOutline, ""}}, {}, white},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetPrintSettings();
        PrintSettings.HorzSize = 210;
        PrintSettings.VertSize = 297;
        PrintSettings.PrinterName = "PDF ファイル";
        LoadBoard();
        c.set();
        RefreshSettingsPanel(panel);
        for (const auto& [item, caption] : c.captions) EXPECT_EQ(panel.Captions[static_cast<std::size_t>(item)], caption) << item;
        for (const auto& [item, state] : c.states) EXPECT_EQ(panel.States[static_cast<std::size_t>(item)], state) << item;
        platform::RasterCanvas picture(layout.ClientWidth, layout.ClientHeight);
        picture.SetTextHook(&text);
        DrawSettingsPanel(picture, panel);
        const platform::Rect& r = panel.Rects[piOutline];
        EXPECT_EQ(picture.Pixel(r.right - 3, r.top + 3), c.outlineFill);
    }
}

// The pointer lights check items and the value cells a click changes, navy.
TEST_F(PrintPanelModel, HoverLightsWhatAClickChanges)
{
    const std::pair<int, bool> cases[] = {{piMode, true},       {piFooter, true},   {piGerberSheet, true}, {piPrinter, true},
                                          {piOffsetX, false},   {piModeHead, false}, {piListHead, false}};
    for (const auto& [item, lit] : cases) {
        const platform::Point p = Centre(item);
        HoverPanel(panel, p.x, p.y);
        EXPECT_EQ(panel.Hover, lit ? item : -1) << item;
    }
    HoverPanel(panel, Centre(piMode).x, Centre(piMode).y);
    platform::RasterCanvas picture(layout.ClientWidth, layout.ClientHeight);
    DrawSettingsPanel(picture, panel);
    const platform::Rect& r = panel.Rects[piMode];
    EXPECT_EQ(picture.Pixel(r.right - 3, r.top + 3), PanelNavy);
    EXPECT_FALSE(HoverPanel(panel, Centre(piMode).x, Centre(piMode).y));   // no change, no redraw
    EXPECT_TRUE(HoverPanel(panel, 2, layout.ClientHeight - 2));
    EXPECT_EQ(panel.Hover, -1);
}

// Clicks on the panel: toggles, popups opening at their items, the list's
// heading printing all or none, printer set-up.
TEST_F(PrintPanelModel, ClicksChangeSettingsOrOpenPopups)
{
    struct Case {
        int item;
        MouseButton button;
        std::function<int()> field;   // what the click changes; before → after
        int before, after;
        bool setup, panelDrawn, preview;
        const char* popup;
    };
    auto printed = [] { return static_cast<int>(std::stoi("1" + Printed())); };
    const Case cases[] = {
        {piFooter, MouseButton::Left, [] { return int(PrintSettings.Footer); }, 1, 0, false, true, true, ""},
        {piMirror, MouseButton::Left, [] { return int(PrintSettings.Mirror); }, 0, 1, false, true, true, ""},
        {piMirror, MouseButton::Right, [] { return int(PrintSettings.Mirror); }, 1, 1, false, false, false, ""},
        {piGerberSheet, MouseButton::Left, [] { return int(PrintSettings.GerberSheet); }, 0, 1, false, true, false, ""},
        {piApertureSheet, MouseButton::Left, [] { return int(PrintSettings.ApertureSheet); }, 0, 1, false, true, false, ""},
        {piListHead, MouseButton::Left, printed, 110000, 111111, false, false, true, ""},
        {piListFlags, MouseButton::Right, printed, 111111, 100000, false, false, true, ""},
        {piPrinter, MouseButton::Left, [] { return 0; }, 0, 0, true, false, false, ""},
        {piPaper, MouseButton::Left, [] { return 0; }, 0, 0, true, false, false, ""},
        {piMode, MouseButton::Left, [] { return 0; }, 0, 0, false, false, false, "ColorMode"},
        {piScale, MouseButton::Left, [] { return 0; }, 0, 0, false, false, false, "Scale"},
        {piOutline, MouseButton::Left, [] { return 0; }, 0, 0, false, false, false, "Layers"},
        {piOffsetX, MouseButton::Left, [] { return PrintSettings.OffsetX; }, 0, 0, false, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        EXPECT_EQ(c.field(), c.before);
        const PrintAction a = PanelClick(panel, HitPanelItem(panel, Centre(c.item).x, Centre(c.item).y), c.button);
        EXPECT_EQ(c.field(), c.after);
        EXPECT_EQ(a.PrinterSetup, c.setup);
        EXPECT_EQ(a.DrawPanel, c.panelDrawn);
        EXPECT_EQ(a.Preview, c.preview);
        EXPECT_EQ(a.Popup, c.popup);
    }
    // The popups open at their items: to the left of the mode and outline
    // cells, under the scale cell.
    const platform::Rect& mode = panel.Rects[piMode];
    const platform::Rect& scale = panel.Rects[piScale];
    EXPECT_EQ(PanelClick(panel, piMode, MouseButton::Left).PopupAt, (platform::Point{mode.left - 5, mode.top + 10}));
    EXPECT_EQ(PanelClick(panel, piScale, MouseButton::Left).PopupAt, (platform::Point{scale.left + 40, scale.bottom}));
    // Without layers there is no outline file to choose.
    core::ResetTables();
    EXPECT_EQ(PanelClick(panel, piOutline, MouseButton::Left).Popup, "");
    EXPECT_EQ(PanelClick(panel, -1, MouseButton::Left).Popup, "");
}

// A choice sets its setting; the outline list offers the loaded layers by
// number, and nothing outside them.
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
        {"Layers", -1, false, [] { return PrintSettings.OutlineLayer == 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.item));
        MyBalloonBox popup;
        InitPopupItems(popup, c.kind, measure);
        // The item under the pointer is the one chosen.
        if (c.item >= 0 && c.item < popup.Count && c.taken) {
            const platform::Rect& r = popup.Rects[static_cast<std::size_t>(c.item)];
            EXPECT_EQ(HitPopupItem(popup, (r.left + r.right) / 2, (r.top + r.bottom) / 2), c.item);
        }
        EXPECT_EQ(ApplyPopupChoice(popup, c.item), c.taken);
        EXPECT_TRUE(c.check());
    }
    MyBalloonBox layers;
    InitPopupItems(layers, "Layers", measure);
    ASSERT_EQ(layers.Count, 6);
    EXPECT_EQ(layers.Captions[2], "chibi_2024-Edge.Cuts.gbr");
    EXPECT_EQ(HitPopupItem(layers, 30, 1), -1);   // above the first layer: the empty choice has no place
}

// Wherever it is asked to open, a popup lies wholly in the dialog, 20
// pixels in while it fits, its pointer on its own edge; where nothing
// pushes it, it is centred on the point as asked.
TEST_F(PrintPanelModel, PopupsStayInsideTheDialog)
{
    // A long file name widens the outline popup.
    core::LayerTable[3].FileName = std::string(70, 'x') + ".gbr";
    const int cw = layout.ClientWidth, ch = layout.ClientHeight;
    struct Case { const char* kind; int x, y; };
    const Case cases[] = {
        {"Scale", panel.Rects[piScale].left + 40, panel.Rects[piScale].bottom},
        {"ColorMode", panel.Rects[piMode].left - 5, panel.Rects[piMode].top + 10},
        {"Layers", panel.Rects[piOutline].left - 5, panel.Rects[piOutline].top + 10},
        {"Scale", cw - 2, ch - 2}, {"Scale", 1, 1}, {"ColorMode", 3, ch - 1}, {"ColorMode", cw, 0},
        {"Layers", 10, 10}, {"Layers", cw - 1, ch - 1},
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
        EXPECT_GE(b.left, 20);
        EXPECT_GE(b.top, 20);
        EXPECT_LE(b.right, cw - 20);
        EXPECT_LE(b.bottom, ch - 20);
        for (const platform::Point& p : popup.Outline) {
            EXPECT_GE(p.x, 0);
            EXPECT_LT(p.x, w);
            EXPECT_GE(p.y, 0);
            EXPECT_LT(p.y, h);
        }
        // Every caption fits its row.
        for (int k = 0; k < popup.Count; ++k) {
            const platform::Rect& r = popup.Rects[static_cast<std::size_t>(k)];
            if (r.right > r.left) {
                EXPECT_LE(measure.TextWidth(popup.Captions[static_cast<std::size_t>(k)]), r.right - r.left - 4);
            }
        }
    }
    // From the scale cell: the balloon hangs from the point, centred on it.
    MyBalloonBox scale;
    InitPopupItems(scale, "Scale", measure);
    const int w = scale.Bounds.right, x = panel.Rects[piScale].left + 40, y = panel.Rects[piScale].bottom;
    PlacePopup(scale, x, y, cw, ch);
    EXPECT_EQ(scale.Bounds.top, y);
    EXPECT_EQ(scale.Bounds.left, x - w / 2);
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
        EXPECT_EQ(PrintSettings.OffsetX, c.toX) << c.button << " from " << c.x << "," << c.y;
        EXPECT_EQ(PrintSettings.OffsetY, c.toY) << c.button << " from " << c.x << "," << c.y;
    }
}

// The dialog is at least 880 wide and widens so that no value is cut: the
// outline cell holds any loaded file's name, the list's rows theirs; it
// never grows beyond what it is allowed.
TEST_F(PrintPanelModel, LayoutWidensSoThatNoValueIsCut)
{
    struct Case { const char* name; std::string file; };
    const Case cases[] = {{"the board's own names", ""}, {"a long name", std::string(60, 'x') + ".gbr"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.file.empty()) core::LayerTable[4].FileName = c.file;
        const PrintLayout l = LayoutPrintDialog(measure, 1600);
        EXPECT_GE(l.ClientWidth, 880);
        MyFreeBox p;
        BuildSettingsPanel(p, measure, l);
        for (int outline = 1; outline <= core::LayerCount; ++outline) {
            PrintSettings.OutlineLayer = outline;
            for (const int mode : {0, 1, 2, 3}) {
                PrintSettings.ColorMode = mode;
                RefreshSettingsPanel(p);
                for (int k = 0; k < p.Count; ++k) {
                    const platform::Rect& r = p.Rects[static_cast<std::size_t>(k)];
                    if (p.States[static_cast<std::size_t>(k)] != isValue) continue;
                    EXPECT_LE(measure.TextWidth(p.Captions[static_cast<std::size_t>(k)]), r.right - r.left - 4) << k;
                }
            }
        }
        MyGridBox grid;
        InitGridCells(grid, l.List.right - l.List.left);
        FillPrintLayerGrid(grid, 0);
        for (int row = 0; row < core::LayerCount; ++row) {
            const platform::Rect& file = grid.Cells[0][static_cast<std::size_t>(row)];
            EXPECT_LE(22 + measure.TextWidth(grid.Texts[0][static_cast<std::size_t>(row)]), file.right - file.left - 2);
        }
    }
    EXPECT_EQ(LayoutPrintDialog(measure, 900).ClientWidth, 900);
}
