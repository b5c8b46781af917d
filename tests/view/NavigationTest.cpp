// Navigation rules without a window: the pan regions and their gaps, the
// keys and the wheel, auto-scroll, mirror with pan.
#include "ViewFixture.h"
#include "view/Navigation.h"

#include <gtest/gtest.h>

using namespace mainwin;

namespace {

TEST(PointInPolygon, CrossingRuleOnASquareAndAnL)
{
    const std::vector<platform::Point> square{{0, 0}, {0, 10}, {10, 10}, {10, 0}};
    EXPECT_TRUE(PointInPolygon(square, 3, 5, 5));
    EXPECT_TRUE(PointInPolygon(square, 3, 0, 0));     // top and left edges inside
    EXPECT_FALSE(PointInPolygon(square, 3, 10, 5));   // right edge outside
    EXPECT_FALSE(PointInPolygon(square, 3, 5, 10));   // bottom edge outside
    EXPECT_FALSE(PointInPolygon(square, 3, -1, 5));
    // The notch of an L is outside.
    const std::vector<platform::Point> ell{{0, 0}, {0, 20}, {5, 20}, {5, 5}, {20, 5}, {20, 0}};
    EXPECT_TRUE(PointInPolygon(ell, 5, 2, 15));
    EXPECT_TRUE(PointInPolygon(ell, 5, 15, 2));
    EXPECT_FALSE(PointInPolygon(ell, 5, 10, 10));
    // A high index past the points is cut to them; a negative one holds nothing.
    EXPECT_TRUE(PointInPolygon(square, 99, 5, 5));
    EXPECT_FALSE(PointInPolygon(square, -1, 5, 5));
}

TEST(PanRegions, EachRegionAndTheGapsBetweenThem)
{
    MyScrollSw set;
    const int W = 800, H = 600, t = 17;   // qx 200, qy 150
    LayoutScrollRegions(set, W, H, t);
    struct Case {
        int x, y, region;
    } cases[] = {
        {5, 5, 0},     {5, 100, 0},   {100, 5, 0},   {5, 300, 1},   {5, 500, 2},   {100, 590, 2},  {400, 590, 3},
        {790, 590, 4}, {700, 590, 4}, {790, 300, 5}, {790, 5, 6},   {700, 5, 6},   {400, 5, 7},
        // the 2-pixel gaps and the inside
        {5, 151, -1},  {201, 5, -1},  {5, 451, -1},  {201, 590, -1}, {601, 5, -1}, {790, 151, -1}, {790, 451, -1},
        {601, 590, -1}, {400, 300, -1}, {30, 30, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(HitScrollRegion(set, c.x, c.y), c.region) << c.x << "," << c.y;
}

TEST(PanRegions, PanFrameDirectionsAndDrawing)
{
    const int expected[8] = {3, 2, 1, 8, 7, 6, 5, 4};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(PanFrameDirection(k), expected[k]);
    EXPECT_EQ(PanFrameDirection(-1), 0);
    EXPECT_EQ(PanFrameDirection(8), 0);

    LayoutPanFrame(300, 200, 264, 164);
    PanFrame.Hover = 7;
    platform::RasterCanvas c;
    c.Resize(300, 200, 0);
    DrawPanFrame(c, PanFrame);
    EXPECT_EQ(c.Pixel(150, 8), platform::RGB(255, 255, 255));   // hovered top edge
    EXPECT_EQ(c.Pixel(8, 100), platform::RGB(128, 128, 128));   // left edge
    EXPECT_EQ(c.Pixel(150, 100), 0u);                            // inside stays black
    PanFrame.Hover = -1;
}

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewtest::ResetAll();
        viewtest::ShowLayer(1, platform::RGB(0, 255, 0));
        core::DataElement e = viewtest::Element(1, 1, 10, 0, 0, 100, 50);
        core::AppendElement(e);
        viewtest::FitTo(0, 100, 0, 50, 400, 300);
        Navigation = {};
        LayoutPanFrame(436, 336, 400, 300);
    }
    void TearDown() override
    {
        Navigation = {};
        viewtest::ResetAll();
    }
};

TEST_F(NavigationTest, KeysBeforeAnyPointerZoomAboutTheCentre)
{
    const double cx = View.CentreX, cy = View.CentreY;
    NavResult r = NavigationKey(NavKey::PageUp);
    EXPECT_DOUBLE_EQ(View.Zoom, 2.0);
    EXPECT_NEAR(View.CentreX, cx, 1e-9);
    EXPECT_NEAR(View.CentreY, cy, 1e-9);
    EXPECT_TRUE(r.MoveCursor);
    EXPECT_NEAR(r.CursorX, 200, 1);
    EXPECT_NEAR(r.CursorY, 150, 1);
    NavigationKey(NavKey::PageDown);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.0);
    NavigationKey(NavKey::PageUp);
    NavigationKey(NavKey::PageUp);
    EXPECT_DOUBLE_EQ(View.Zoom, 4.0);
    NavigationKey(NavKey::Home);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.0);
    EXPECT_DOUBLE_EQ(View.CentreX, core::Extents.CentreX);
}

TEST_F(NavigationTest, PageUpCentresOnThePointerClampedIntoTheView)
{
    // A pointer near the top-left corner: the new centre is clamped so the
    // visible area stays inside the fitted view.
    PointerOverPicture(2, 2);
    NavigationKey(NavKey::PageUp);
    EXPECT_NEAR(View.CentreX - View.VisibleWidth / 2, core::Extents.ViewLeft, 1e-9);
    EXPECT_NEAR(View.CentreY + View.VisibleHeight / 2, core::Extents.ViewTop, 1e-9);
}

TEST_F(NavigationTest, ArrowKeysPanByHalfTheVisibleSizeAlsoMirrored)
{
    for (bool mirror : {false, true}) {
        Options.MIRR = mirror;
        SetViewZoom(false, 0, 0, -4.0);
        SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, 1.0);
        int px0 = 0, py0 = 0;
        DataToScreen(50, 25, px0, py0);
        NavigationKey(NavKey::Right);
        int px1 = 0, py1 = 0;
        DataToScreen(50, 25, px1, py1);
        // The picture moves left on screen by half its width either way.
        EXPECT_NEAR(px1 - px0, -200, 1) << mirror;
        EXPECT_EQ(py1, py0);
        NavigationKey(NavKey::Up);
        DataToScreen(50, 25, px0, py0);
        EXPECT_NEAR(py0 - py1, 150, 1) << mirror;
    }
}

TEST_F(NavigationTest, WheelNotchesAccumulateHighResolutionDeltas)
{
    EXPECT_EQ(TakeWheelNotches(40), 0);
    EXPECT_EQ(TakeWheelNotches(40), 0);
    EXPECT_EQ(TakeWheelNotches(40), 1);
    EXPECT_EQ(TakeWheelNotches(-120), -1);
    EXPECT_EQ(TakeWheelNotches(360), 3);
    EXPECT_EQ(TakeWheelNotches(-60), 0);
    EXPECT_EQ(TakeWheelNotches(-60), -1);
    EXPECT_EQ(TakeWheelNotches(0), 0);
}

TEST_F(NavigationTest, WheelZoomKeepsThePointersDataPointUnderIt)
{
    PointerOverPicture(250, 120);
    double x0 = 0, y0 = 0;
    PointerDataPoint(x0, y0);
    NavResult r = WheelZoomStep(true);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.5);
    ASSERT_TRUE(r.MoveCursor);
    double x1 = 0, y1 = 0;
    ScreenToData(r.CursorX, r.CursorY, x1, y1);
    EXPECT_NEAR(x1, x0, 1.0 / View.Scale);
    EXPECT_NEAR(y1, y0, 1.0 / View.Scale);
    // Backward: 1.5 halves to 1 (clamped), then fits.
    WheelZoomStep(false);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.0);
    SetViewZoom(true, 10, 10, 1.0);
    WheelZoomStep(false);
    EXPECT_DOUBLE_EQ(View.CentreX, core::Extents.CentreX);
}

TEST_F(NavigationTest, AutoScrollMovesATenthPerTickTowardTheEdge)
{
    Options.AUTOSCR = true;
    // Zoom 1: the edges do nothing and the first tick stops.
    EXPECT_FALSE(PointerOverPicture(5, 150));
    EXPECT_FALSE(AutoScrollTick());

    SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, -4.0);
    struct Case {
        int x, y;
        double sx, sy;
    } cases[] = {{5, 150, -1, 0}, {395, 150, 1, 0}, {200, 5, 0, 1}, {200, 295, 0, -1}, {5, 5, -1, 1}, {395, 295, 1, -1}};
    for (bool mirror : {false, true}) {
        Options.MIRR = mirror;
        for (const Case& c : cases) {
            SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, 1.0);
            ASSERT_TRUE(PointerOverPicture(c.x, c.y));
            const double cx = View.CentreX, cy = View.CentreY;
            EXPECT_TRUE(AutoScrollTick());
            const double mx = mirror ? -1 : 1;
            EXPECT_NEAR(View.CentreX - cx, mx * c.sx * 0.1 * View.VisibleWidth, 1e-9) << c.x << "," << c.y;
            EXPECT_NEAR(View.CentreY - cy, c.sy * 0.1 * View.VisibleHeight, 1e-9) << c.x << "," << c.y;
        }
    }
    // Leaving the edges: no hover, the next tick stops.
    EXPECT_FALSE(PointerOverPicture(200, 150));
    EXPECT_EQ(EdgeRegions.Hover, -1);
    EXPECT_FALSE(AutoScrollTick());
}

} // namespace
