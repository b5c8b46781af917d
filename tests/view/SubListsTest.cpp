// The sub-lists of the rows "Save" and "SetView": items, hits and the view
// options a click changes.
#include "view/LayerList.h"
#include "view/SubLists.h"

#include <gtest/gtest.h>

using namespace mainwin;

namespace {

TEST(SubLists, ViewOptionsAreARadioPairAndTwoSwitches)
{
    platform::RasterCanvas measure(10, 10);
    ViewOptions o;
    o.PAINT = true;
    MyFreeBox list;
    BuildViewOptionsList(list, measure, o);
    ASSERT_EQ(list.Count, 4);
    EXPECT_EQ(list.LeftIcon, (std::vector<int>{IconOn, IconOff, IconOff, IconOff}));
    // Item 1 starts where item 0 ends, on the same line.
    EXPECT_EQ(list.Rects[1].left, list.Rects[0].right);
    EXPECT_EQ(list.Rects[3].top, 45);
    EXPECT_EQ(HitSubList(list, list.Rects[1].left, 10), 1);
    EXPECT_EQ(HitSubList(list, 5, 10), -1);

    EXPECT_EQ(ClickViewOption(list, 1, o), ViewOptionEffect::Redraw);
    EXPECT_FALSE(o.PAINT);
    EXPECT_EQ(list.LeftIcon[0], IconOff);
    EXPECT_EQ(list.LeftIcon[1], IconOn);
    EXPECT_EQ(ClickViewOption(list, 2, o), ViewOptionEffect::Redraw);
    EXPECT_TRUE(o.DRILLCHR);
    EXPECT_EQ(ClickViewOption(list, 3, o), ViewOptionEffect::Resize);
    EXPECT_TRUE(o.AUTOSCR);
    EXPECT_EQ(list.LeftIcon[3], IconOn);
    EXPECT_EQ(ClickViewOption(list, 7, o), ViewOptionEffect::None);
}

TEST(SubLists, SaveFormatsCarryTheSaveMark)
{
    platform::RasterCanvas measure(10, 10);
    MyFreeBox list;
    BuildSaveFormatList(list, measure);
    ASSERT_EQ(list.Count, 2);
    EXPECT_EQ(list.Caption[0], "テッセル２ (.tsn)");
    EXPECT_EQ(list.Caption[1], "旧テッセル (.tso)");
    EXPECT_EQ(list.Rects[1], (platform::Rect{20, 25, 45, 43}));   // no text hook: text 0 wide
    EXPECT_EQ(list.ExpanderIcon[0], IconSave);
    platform::RasterCanvas c(200, 50);
    list.Hover = 0;
    DrawSubList(c, list);
    EXPECT_EQ(c.Pixel(21, 6), NavyColor);
}

} // namespace
