// The command menu as a model: rows, hot rectangles, expanders, step marks
// and the status texts.
#include "core/Datas.h"
#include "view/CommandMenu.h"

#include <gtest/gtest.h>

using namespace mainwin;

namespace {

TEST(CommandMenu, RowsAndRectanglesWithoutLayers)
{
    MyFreeBox menu;
    LayoutCommandMenu(menu, 240, false, 0, 0);
    ASSERT_EQ(menu.Count, 12);
    const char* ids[] = {"New", "Open", "Tool", "Aperture", "Parameter", "Print", "Copy", "Save", "SetView", "Memo", "End"};
    int top = 2;
    for (int r = 0; r < 11; ++r) {
        const auto k = static_cast<std::size_t>(r);
        EXPECT_EQ(menu.Id[k], ids[r]);
        EXPECT_EQ(menu.Style[k], 2);
        EXPECT_EQ(menu.Rects[k], (platform::Rect{2, top, 240, top + 20})) << r;
        top += r < 2 ? 20 : 22;   // rows at 2, 22, 42, 64 ...
        EXPECT_EQ(menu.ExpanderIcon[k], (r == 2 || r == 3 || r == 7 || r == 8) ? IconClosed : -1);
    }
    // The spare slot is never hit; rows are hit inside, not on right or bottom.
    EXPECT_EQ(HitCommandRow(menu, 10, 5), 0);
    EXPECT_EQ(HitCommandRow(menu, 10, 22), 1);
    EXPECT_EQ(HitCommandRow(menu, 240, 5), -1);
    EXPECT_EQ(HitCommandRow(menu, 10, 63), -1);   // the gap between rows 2 and 3
    EXPECT_EQ(HitCommandRow(menu, 10, menu.Rects[10].top + 30), -1);
    EXPECT_EQ(HitCommandRow(menu, 0, 0), -1);
    menu.Enabled[1] = false;
    EXPECT_EQ(HitCommandRow(menu, 10, 22), -1);
}

TEST(CommandMenu, LayerTableAndOpenListShiftTheRows)
{
    MyFreeBox menu;
    menu.Current = "Aperture";
    MenuPlacement p = LayoutCommandMenu(menu, 300, true, 150, 200);
    EXPECT_EQ(p.LayerTop, 42);
    EXPECT_EQ(menu.Rects[2].top, 192);
    EXPECT_EQ(menu.Rects[3].top, 214);
    EXPECT_EQ(menu.ExpanderIcon[3], IconOpen);
    EXPECT_EQ(p.ListTop, 234);
    EXPECT_EQ(menu.Rects[4].top, 234 + 200 + 2);
    EXPECT_EQ(menu.Rects[10].top, 436 + 6 * 22);
    EXPECT_EQ(p.ParaTop, menu.Rects[10].top + 30);
    // A row without an expander opens no list.
    menu.Current = "Print";
    p = LayoutCommandMenu(menu, 300, false, 0, 200);
    EXPECT_EQ(p.ListTop, -1);
    EXPECT_EQ(menu.Rects[4].top, 42 + 2 * 22);
}

TEST(CommandMenu, StepMarksBecomeCheckIcons)
{
    MyFreeBox menu;
    LayoutCommandMenu(menu, 240, false, 0, 0);
    SetCommandMarks(menu, {1, 0, 1, 0, 1});
    const int rows[] = {4, 5, 6, 7, 9};
    const int expected[] = {IconCheck, -1, IconCheck, -1, IconCheck};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(menu.CheckIcon[static_cast<std::size_t>(rows[i])], expected[i]);
    for (int r : {0, 1, 2, 3, 8, 10}) EXPECT_EQ(menu.CheckIcon[static_cast<std::size_t>(r)], -1);
    // A new layout keeps the marks.
    LayoutCommandMenu(menu, 200, true, 50, 0);
    EXPECT_EQ(menu.CheckIcon[9], IconCheck);
}

TEST(CommandMenu, PaintingMarksTheHoveredRow)
{
    MyFreeBox menu;
    LayoutCommandMenu(menu, 240, false, 0, 0);
    menu.Hover = 1;
    platform::RasterCanvas c;
    c.Resize(244, 400, 0);
    DrawCommandMenu(c, menu);
    EXPECT_EQ(c.Pixel(2, 22), platform::RGB(0, 0, 128));           // hovered box outline
    EXPECT_EQ(c.Pixel(2, 2), platform::RGB(236, 233, 216));        // no box
    EXPECT_EQ(c.Pixel(200, 30), platform::RGB(191, 205, 219));     // hovered fill
}

TEST(StatusTexts, HintsLimitsAndPointerPosition)
{
    EXPECT_EQ(ToolHint(ToolButton::Info), " <データ情報> データを指定して下さい ...");
    EXPECT_EQ(LayerTableLimit(ToolButton::Gap, 500, ""), 350);
    EXPECT_EQ(LayerTableLimit(ToolButton::Ruler, 500, ""), 370);
    EXPECT_EQ(LayerTableLimit(ToolButton::None, 501, ""), 290);
    EXPECT_EQ(LayerTableLimit(ToolButton::Measure, 501, "SetView"), 250);
    EXPECT_EQ(PointerPositionText(12.345678, -3.5), " X = 12.3457  Y = -3.5");
    EXPECT_EQ(PointerPositionText(0, 1e300 * 1e300), " X = 0  Y = 0");
}

} // namespace
