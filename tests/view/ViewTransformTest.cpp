// Zoom, fit, centre clamp, mirror, pan and the pixel conversions.
#include "ViewFixture.h"

#include "view/ScrollRegions.h"

#include <cmath>
#include <limits>

using namespace mainwin;
using namespace viewtest;

namespace {

class ViewTransformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAll();
        ShowLayer(1, 0x0000FF);
        FitTo(0, 100, 0, 50, 200, 100);
    }
};

TEST_F(ViewTransformTest, FitAddsTheMarginOnTheDominantSide)
{
    EXPECT_DOUBLE_EQ(core::Extents.ViewWidth, 140);
    EXPECT_DOUBLE_EQ(core::Extents.ViewHeight, 70);
    EXPECT_DOUBLE_EQ(core::Extents.ViewLeft, -20);
    EXPECT_DOUBLE_EQ(core::Extents.ViewRight, 120);
    EXPECT_DOUBLE_EQ(core::Extents.ViewTop, 60);
    EXPECT_DOUBLE_EQ(core::Extents.ViewBottom, -10);
    EXPECT_DOUBLE_EQ(View.Scale, 200.0 / 140.0);

    // Taller than the window: the height takes the margin.
    FitTo(0, 50, 0, 100, 200, 100);
    EXPECT_DOUBLE_EQ(core::Extents.ViewHeight, 140);
    EXPECT_DOUBLE_EQ(core::Extents.ViewWidth, 280);
}

TEST_F(ViewTransformTest, ZoomFactors)
{
    struct Case {
        double start, factor, zoom;
    } cases[] = {
        {1, 0, 2},        {1, -5, 5},     {1, -2000, 1000}, {1, 0.5, 1},  {4, 0.5, 2},
        {600, 2, 1000},   {7, -1, 1},     {3, 1, 3},        {0, 1, 1},    {-4, 1, 1},
        {3, std::numeric_limits<double>::quiet_NaN(), 3},
    };
    for (const Case& c : cases) {
        View.Zoom = c.start;
        SetViewZoom(false, 0, 0, c.factor);
        EXPECT_DOUBLE_EQ(View.Zoom, c.zoom) << c.start << " x " << c.factor;
        EXPECT_DOUBLE_EQ(View.VisibleWidth, 140 / c.zoom);
        EXPECT_DOUBLE_EQ(View.Scale, 200 / View.VisibleWidth);
    }
}

TEST_F(ViewTransformTest, ResetCentresOnTheData)
{
    SetViewZoom(true, 10, 5, 4.0);
    SetViewZoom(false, 0, 0, -1.0);
    EXPECT_DOUBLE_EQ(View.CentreX, 50);
    EXPECT_DOUBLE_EQ(View.CentreY, 25);
}

TEST_F(ViewTransformTest, CentreBeyondTheFittedViewIsPulledBack)
{
    SetViewZoom(true, 500, -500, -2.0);   // visible 70 × 35
    EXPECT_DOUBLE_EQ(View.CentreX, 120 - 35);
    EXPECT_DOUBLE_EQ(View.CentreY, -10 + 17.5);
    SetViewZoom(true, -500, 500, 1.0);
    EXPECT_DOUBLE_EQ(View.CentreX, -20 + 35);
    EXPECT_DOUBLE_EQ(View.CentreY, 60 - 17.5);
    // The visible area touches the fitted view's edge: its corner is pixel 0.
    int px = 1, py = 1;
    DataToScreen(-20, 60, px, py);
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
}

TEST_F(ViewTransformTest, NothingWithoutAClientAreaOrLayers)
{
    const ViewState before = View;
    const core::MyExtents ext = core::Extents;
    for (auto [w, h] : {std::pair{0, 100}, std::pair{200, 0}, std::pair{-5, -5}}) {
        ClientWidth = w;
        ClientHeight = h;
        FitViewExtents();
        SetViewZoom(true, 3, 3, 2.0);
        EXPECT_EQ(View, before);
        EXPECT_EQ(core::Extents.ViewWidth, ext.ViewWidth);
        EXPECT_EQ(core::Extents.ViewHeight, ext.ViewHeight);
    }
    ClientWidth = 200;
    ClientHeight = 100;
    core::LayerCount = 0;
    SetViewZoom(true, 3, 3, 2.0);
    EXPECT_EQ(View, before);
}

TEST_F(ViewTransformTest, ScreenToDataTakesPixelZero)
{
    double x = 123, y = 456;
    ScreenToData(0, 0, x, y);
    EXPECT_DOUBLE_EQ(x, -20);
    EXPECT_DOUBLE_EQ(y, 60);
    // Round trip through the pixel transform.
    for (int px : {0, 1, 57, 199})
        for (int py : {0, 33, 99}) {
            ScreenToData(px, py, x, y);
            int qx = -1, qy = -1;
            DataToScreen(x + 1e-9, y - 1e-9, qx, qy);
            EXPECT_EQ(qx, px);
            EXPECT_EQ(qy, py);
        }
    // Left of the picture, or no scale: the caller's values stay.
    x = 7;
    y = 8;
    ScreenToData(-1, 5, x, y);
    EXPECT_EQ(x, 7);
    View.Scale = 0;
    ScreenToData(5, 5, x, y);
    EXPECT_EQ(y, 8);
}

TEST_F(ViewTransformTest, MirrorPutsLargerXFurtherLeft)
{
    Options.MIRR = true;
    SetViewZoom(false, 0, 0, 1.0);
    int a = 0, b = 0, py = 0;
    DataToScreen(10, 0, a, py);
    DataToScreen(90, 0, b, py);
    EXPECT_GT(a, b);
    // The fitted view still fills the picture: data centre at the picture centre.
    DataToScreen(50, 25, a, py);
    EXPECT_EQ(a, 100);
    EXPECT_EQ(py, 50);
    double x = 0, y = 0;
    ScreenToData(a, py, x, y);
    EXPECT_NEAR(x, 50, 1);
    platform::Rect r = DataRectToScreen(10, 90, 0, 50);
    EXPECT_GT(r.left, r.right);   // x1 is on the right when mirrored
}

TEST_F(ViewTransformTest, PanMovesThePictureTheSameWayWithOrWithoutMirror)
{
    for (bool mirror : {false, true}) {
        Options.MIRR = mirror;
        FitTo(0, 100, 0, 50, 200, 100);
        SetViewZoom(false, 0, 0, -4.0);
        int before = 0, after = 0, y0 = 0, y1 = 0;
        DataToScreen(50, 25, before, y0);
        PanView(6, 50);   // right
        DataToScreen(50, 25, after, y1);
        EXPECT_NEAR(after - before, -100, 1) << mirror;   // half the picture width
        EXPECT_EQ(y1, y0);
        PanView(4, 100);   // up: the picture moves down by a whole height
        DataToScreen(50, 25, after, y1);
        EXPECT_GT(y1, y0) << mirror;
        const ViewState v = View;
        PanView(0, 50);
        PanView(9, 50);
        EXPECT_EQ(View, v);
    }
}

TEST_F(ViewTransformTest, DeviceCoordinatesSaturateAtHighZoom)
{
    FitTo(-400, 400, -300, 300, 1920, 1080);
    SetViewZoom(true, 0, 0, -MaxZoom);
    int px = 0, py = 0;
    // A stray coordinate far outside the board.
    DataToScreen(-1e6, -1e6, px, py);
    EXPECT_EQ(px, -platform::GuardBand);
    EXPECT_EQ(py, platform::GuardBand);
    DataToScreen(1e300, std::numeric_limits<double>::quiet_NaN(), px, py);
    EXPECT_EQ(px, platform::GuardBand);
    EXPECT_EQ(py, -platform::GuardBand);
}

TEST(RotatePrimitivesTest, RightAnglesExactlyOthersByDirection)
{
    std::vector<core::DataElement> es(2);
    es[0].X1 = 3;
    es[0].Y1 = 4;
    es[0].X2 = -1.5;
    es[0].Y2 = 0.25;
    es[1].X1 = 9;   // beyond the count: untouched
    struct Case {
        double angle, x1, y1, x2, y2;
    } cases[] = {{0, 3, 4, -1.5, 0.25}, {90, -4, 3, -0.25, -1.5}, {180, -3, -4, 1.5, -0.25}, {270, 4, -3, 0.25, 1.5}};
    for (const Case& c : cases) {
        auto v = es;
        mainwin::RotatePrimitives(v, 1, c.angle);
        EXPECT_EQ(v[0].X1, c.x1);
        EXPECT_EQ(v[0].Y1, c.y1);
        EXPECT_EQ(v[0].X2, c.x2);
        EXPECT_EQ(v[0].Y2, c.y2);
        EXPECT_EQ(v[1].X1, 9);
    }
    auto v = es;
    mainwin::RotatePrimitives(v, 5, 45);   // count beyond the array is cut
    EXPECT_NEAR(v[0].X1, (3 - 4) / std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(v[0].Y1, (3 + 4) / std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(v[1].X1, 9 / std::sqrt(2.0), 1e-9);
}

TEST(ScrollRegionsTest, RegionsTileTheBandWithGaps)
{
    mainwin::MyScrollSw set;
    mainwin::LayoutScrollRegions(set, 400, 200, 49);
    const int counts[8] = {6, 4, 6, 4, 6, 4, 6, 4};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(set.Regions[static_cast<std::size_t>(k)].Count, counts[k]);
    // Right edge spans from below the top-right corner to above the bottom-right one.
    const auto& right = set.Regions[5].Points;
    EXPECT_EQ(right[0], (platform::Point{400 - 50, 52}));
    EXPECT_EQ(right[2], (platform::Point{399, 150}));
}

} // namespace
