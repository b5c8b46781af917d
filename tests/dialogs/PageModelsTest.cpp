// The owner-drawn models on their own: balloon placement near the page's
// edges, hit tests at the edges of rectangles, Enter through a table, and
// columns that grow to their captions.
#include "dialogs/PageModels.h"

#include <gtest/gtest.h>

using namespace dialogs;
using platform::Point;

namespace {

TEST(BalloonPlacement, StaysOnThePageWithItsTipOnTheAnchor)
{
    struct Case {
        BalloonSide side;
        int w, h, x, y;
        Rect expected;
        int half;   // where the tip stands along the balloon's side
    };
    // A 640 × 480 page, 20 pixels kept from its ends.
    const Case cases[] = {
        {BalloonSide::Right, 180, 284, 300, 100, {300, 20, 480, 304}, 80},    // shifted down to the margin
        {BalloonSide::Right, 180, 284, 300, 240, {300, 98, 480, 382}, 142},   // centred
        {BalloonSide::Right, 180, 284, 300, 420, {300, 176, 480, 460}, 244},  // ends 20 above the bottom
        {BalloonSide::Right, 120, 44, 300, 5, {300, -5, 420, 39}, 10},        // tip clamped off the corner
        {BalloonSide::Right, 120, 44, 300, 478, {300, 444, 420, 488}, 34},    // likewise at the bottom
        {BalloonSide::Down, 120, 94, 500, 83, {440, 83, 560, 177}, 60},
        {BalloonSide::Down, 120, 94, 610, 83, {500, 83, 620, 177}, 110},      // ends 20 short of the right edge
        {BalloonSide::Down, 120, 54, 2, 83, {-8, 83, 112, 137}, 10},
        {BalloonSide::Up, 200, 129, 100, 400, {20, 271, 220, 400}, 80},
        {BalloonSide::Left, 212, 185, 420, 330, {208, 238, 420, 423}, 92},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.side) << " at " << c.x << "," << c.y);
        std::array<Point, 7> outline{};
        EXPECT_EQ(PlaceBalloon(c.side, c.w, c.h, c.x, c.y, 640, 480, 20, outline), c.expected);
        // The tip, first in the outline, lies on the anchor.
        const Point tip{c.x - c.expected.left, c.y - c.expected.top};
        const Point expectedTip = c.side == BalloonSide::Left ? Point{tip.x - 1, tip.y}
                                  : c.side == BalloonSide::Up ? Point{tip.x, tip.y - 2}
                                                              : tip;
        EXPECT_EQ(outline[0], expectedTip);
        const bool vertical = c.side == BalloonSide::Right || c.side == BalloonSide::Left;
        EXPECT_EQ(vertical ? outline[0].y : outline[0].x, c.half);
    }
    // The picker beside its button keeps 50 from the ends.
    EXPECT_EQ(BalloonHalf(60, 185, 480, 50), 10);
    EXPECT_EQ(BalloonHalf(100, 185, 480, 50), 50);
}

TEST(HitTests, EdgesDisabledAndEmptyItems)
{
    MyFreeBox box;
    InitFreeBox(box, 4);
    SetItem(box, 0, {10, 10, 20, 20}, stCell, "a");
    SetItem(box, 1, {15, 15, 30, 30}, stPlain, "tick", IconUnticked);
    SetItem(box, 2, {40, 10, 50, 20}, stCell, "off");
    box.Enabled[2] = false;
    const struct {
        int x, y, item, tick;
    } cases[] = {{10, 10, 0, -1}, {19, 19, 0, 1}, {20, 20, 1, 1}, {30, 30, -1, -1}, {45, 15, -1, -1}, {0, 0, -1, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(HitItem(box, c.x, c.y), c.item) << c.x << "," << c.y;
        EXPECT_EQ(HitTickItem(box, c.x, c.y), c.tick) << c.x << "," << c.y;
    }

    MyGridBox grid;
    InitGridBox(grid, 3, 4);
    LayoutGridCells(grid, {80, 120, 0}, 300, 18);
    EXPECT_EQ(grid.ColWidths, (std::vector<std::int32_t>{80, 120, 100}));
    EXPECT_EQ(HitCell(grid, 85, 40, 1, 2).col, 1);
    EXPECT_EQ(HitCell(grid, 85, 40, 1, 2).row, 2);
    EXPECT_EQ(HitCell(grid, 5, 40, 1, 2).col, -1);   // column 0 not searched
    EXPECT_EQ(HitRow(grid, 299, 71), 3);
    EXPECT_EQ(HitRow(grid, 300, 71), -1);

    MyTabBox tabs;
    InitTabBox(tabs, 2);
    tabs.Captions = {"ab", "abcd"};
    LayoutTabs(tabs, 20, 5, 25, [](const std::string& s) { return static_cast<int>(s.size()) * 10; });
    EXPECT_EQ(tabs.Rects[1], (Rect{80, 5, 160, 25}));
    EXPECT_EQ(HitTab(tabs, 79, 24), 0);
    EXPECT_EQ(HitTab(tabs, 80, 25), -1);
}

TEST(TableEnter, NextRowScrollOrClose)
{
    const struct {
        int row, visible, position, count;
        bool scrolls;
        RowStep::Kind kind;
        int to;
    } cases[] = {
        {0, 12, 0, 30, true, RowStep::Next, 1},
        {11, 12, 0, 30, true, RowStep::Scroll, 11},
        {11, 12, 18, 30, true, RowStep::Close, -1},   // the last entry
        {11, 12, 0, 30, false, RowStep::Close, -1},   // a table that does not scroll
        {3, 12, 0, 4, true, RowStep::Close, -1},      // the next row is empty
        {-1, 12, 0, 30, true, RowStep::Close, -1},
    };
    for (const auto& c : cases) {
        const RowStep step = NextEditRow(c.row, c.visible, c.position, c.count, c.scrolls);
        EXPECT_EQ(step.kind, c.kind) << c.row << " " << c.position;
        EXPECT_EQ(step.row, c.to) << c.row << " " << c.position;
    }
}

TEST(ColumnFitting, LabelsAndValuesGrowToTheirCaptions)
{
    auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    MyFreeBox box;
    InitFreeBox(box, 5);
    SetItem(box, 0, {30, 0, 130, 18}, stPlain, "a label too wide");   // 160 + 6
    SetItem(box, 1, {132, 0, 215, 18}, stCell, "0");
    SetItem(box, 2, {217, 0, 300, 18}, stCell, "-12345.678901");      // 130 + 6
    SetItem(box, 3, {422, 0, 610, 18}, stCell, "mm");
    SetItem(box, 4, {30, 20, 610, 40}, stPlain, "heading across the page");
    EXPECT_EQ(WidenColumn(box, 30, 130, 610, width), 66);
    EXPECT_EQ(box.Rects[0], (Rect{30, 0, 196, 18}));
    EXPECT_EQ(box.Rects[1], (Rect{198, 0, 281, 18}));
    EXPECT_EQ(box.Rects[3], (Rect{488, 0, 610, 18}));   // reaches the margin: keeps its right end
    EXPECT_EQ(box.Rects[4], (Rect{30, 20, 610, 40}));
    WidenToFit(box, {1, 2}, width);
    EXPECT_EQ(box.Rects[1], (Rect{198, 0, 281, 18}));
    EXPECT_EQ(box.Rects[2], (Rect{283, 0, 419, 18}));
    EXPECT_EQ(WidenColumn(box, 30, 196, 610, width), 0);
}

} // namespace
