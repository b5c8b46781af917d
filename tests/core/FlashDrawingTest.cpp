#include "core/FlashDrawing.h"

#include "FlashTables.h"
#include "core/Geometry.h"
#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using namespace core;
using platform::PenMode;
using platform::RasterCanvas;

namespace {

constexpr double Pi = 3.14159265358979323846;

int CountLit(const RasterCanvas& c, platform::Color v)
{
    int n = 0;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) n += c.Pixel(x, y) == v;
    return n;
}

class FlashDrawing : public ::testing::Test {
protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }

    // A 100 × 100 canvas with the world origin at its centre at `scale`.
    RasterCanvas Canvas(PenMode mode = PenMode::Copy, platform::Color under = 0)
    {
        RasterCanvas c(100, 100, under);
        c.SetPenMode(mode);
        c.SetPenColor(0xFFFFFF);
        c.SetBrushColor(0xFFFFFF);
        return c;
    }
    void Flash(RasterCanvas& c, int i, double scale, bool mirror = false)
    {
        DrawFlash(c, i, mirror, 0, scale, 50.0 / scale, 50.0 / scale);
    }
};

} // namespace

TEST_F(FlashDrawing, PenWidthAndDeviceTransform)
{
    flashtest::SetAperture(10, apCircle, 0.02);
    flashtest::SetAperture(11, apCircle, 0.2);
    EXPECT_EQ(PenWidthPixels(10, 10), 1);
    EXPECT_EQ(PenWidthPixels(11, 10), 2);
    EXPECT_EQ(PenWidthPixels(5000, 10), 1);   // out of the table
    std::int32_t px, py;
    DevicePoint(false, px, py, 1, 2, 5, 10, 10);
    EXPECT_EQ(px, 60);
    EXPECT_EQ(py, 80);
    DevicePoint(true, px, py, 1, 2, 5, 10, 10);
    EXPECT_EQ(px, 40);
    DevicePoint(false, px, py, -1.05, -2000, 1, 0, 1e9);   // cut toward zero, saturated
    EXPECT_EQ(px, static_cast<std::int32_t>(-0.05 * 1e9));
    EXPECT_EQ(py, platform::GuardBand);
    platform::Rect r;
    DeviceRect(true, r, 10, 5, 10, 1, 2, 3, 1);
    EXPECT_EQ(r, (platform::Rect{40, 80, 20, 90}));
    MyPointArray pts;
    EXPECT_EQ(CirclePoints(2, pts, 1, 0, 0), 0);
    EXPECT_TRUE(pts.empty());
    EXPECT_EQ(CirclePoints(4, pts, 1, 0, 0), 5);
    EXPECT_NEAR(pts[1].y, 1.0, 1e-12);
    EXPECT_NEAR(pts[4].x, pts[0].x, 1e-12);
}

TEST_F(FlashDrawing, SmallFlashesBecomeOnePixelByTheirLargestSize)
{
    flashtest::SetAperture(10, apCircle, 0.1);
    flashtest::SetAperture(11, apRectangle, 0.1, 5.0);
    flashtest::SetAperture(12, apOval, 5.0, 0.1);
    flashtest::SetAperture(13, apThermal90, 0.1, 0.15, 0.02);
    const int c = flashtest::AddFlash(10, 0, 0);
    const int r = flashtest::AddFlash(11, 0, 0);
    const int o = flashtest::AddFlash(12, 0, 0);
    const int t = flashtest::AddFlash(13, 0, 0);
    RasterCanvas cv = Canvas();
    Flash(cv, c, 10);
    EXPECT_EQ(CountLit(cv, 0xFFFFFF), 1);
    cv.Fill(0);
    Flash(cv, c, 20);   // two pixels across
    EXPECT_EQ(CountLit(cv, 0xFFFFFF), 4);
    cv.Fill(0);
    Flash(cv, r, 10);   // 0.1 × 5 mm is a bar, not a dot
    EXPECT_GE(CountLit(cv, 0xFFFFFF), 50);
    cv.Fill(0);
    Flash(cv, o, 10);
    EXPECT_GE(CountLit(cv, 0xFFFFFF), 50);
    cv.Fill(0);
    Flash(cv, t, 10);   // 1.5 pixels of outer diameter
    EXPECT_EQ(CountLit(cv, 0xFFFFFF), 1);
    // The dot uses the pen mode: under XOR a second flash removes it.
    RasterCanvas x = Canvas(PenMode::Xor);
    Flash(x, c, 10);
    Flash(x, c, 10);
    EXPECT_EQ(CountLit(x, 0xFFFFFF), 0);
    // And it leaves the caller's current position alone.
    x.MoveTo(3, 4);
    Flash(x, c, 10);
    EXPECT_EQ(x.PenPos(), (platform::Point{3, 4}));
}

TEST_F(FlashDrawing, ShapesCoverTheirArea)
{
    struct Case { int shape; double s1, s2, s3, area; };
    const Case cases[] = {
        {apCircle, 4.0, 0, 0, Pi * 4},
        {apSquare, 4.0, 0, 0, 16},
        {apRectangle, 6.0, 2.0, 0, 12},
        {apOval, 6.0, 2.0, 0, 8 + Pi},
        {apOval, 2.0, 6.0, 0, 8 + Pi},
        {apOval, 2.0, 2.0, 0, Pi},   // equal sides: a circle
        {apOval, 2.0, 2.0005, 0, Pi},
        {apPolygon, 4.0, 6, 0, 1.5 * std::sqrt(3.0) * 4},
        {apPolygon, 4.0, 12, 0, 3 * 4},     // Gerber allows up to 12 vertices
        {apPolygon, 4.0, 13, 0, 0},         // beyond that: nothing
        {apThermal90, 2.0, 4.0, 0.5, 0},    // area checked below
    };
    const double scale = 10;
    for (const Case& k : cases) {
        ResetTables();
        flashtest::SetAperture(10, k.shape, k.s1, k.s2, k.s3);
        const int i = flashtest::AddFlash(10, 0, 0);
        RasterCanvas cv = Canvas();
        Flash(cv, i, scale);
        const double area = CountLit(cv, 0xFFFFFF) / (scale * scale);
        if (k.shape == apThermal90) {
            const double ring = Pi * (4 - 1);
            // The one-pixel outline adds about half a pixel around each pad.
            EXPECT_GT(area, ring - 4 * 0.5 * 1.0 - 0.5);
            EXPECT_LT(area, ring - 4 * 0.5 * 1.0 + 1.5);
            EXPECT_EQ(cv.Pixel(50, 50), 0u);   // the hole
            EXPECT_EQ(cv.Pixel(50, 35), 0u);   // a bridge
            EXPECT_EQ(cv.Pixel(62, 38), 0xFFFFFFu);   // a pad
        } else {
            EXPECT_NEAR(area, k.area, 0.08 * k.area + 0.5) << k.shape << " " << k.s1 << " " << k.s2;
        }
    }
}

TEST_F(FlashDrawing, ThermalWithAGapWiderThanTheInnerRadiusIsARing)
{
    // asin(gap / inner radius) has no value: the pad cannot be cut.
    flashtest::SetAperture(10, apThermal45, 2.0, 4.0, 2.5);
    const int i = flashtest::AddFlash(10, 0, 0);
    RasterCanvas cv = Canvas();
    Flash(cv, i, 10);
    const double area = CountLit(cv, 0xFFFFFF) / 100.0;
    EXPECT_NEAR(area, Pi * 3, 0.5);
    EXPECT_EQ(cv.Pixel(50, 50), 0u);
    // Bridges so wide that they meet leave nothing.
    ResetTables();
    flashtest::SetMacro(11, {"7,0,0,4.0,3.6,3.0,0"});
    const int j = flashtest::AddFlash(11, 0, 0);
    cv.Fill(0);
    Flash(cv, j, 10);
    EXPECT_EQ(CountLit(cv, 0xFFFFFF), 0);
}

TEST_F(FlashDrawing, ClearMacroPrimitivesCutOnlyTheFlash)
{
    // A disc with a clear square in its middle, over a picture that
    // already holds another colour there.
    flashtest::SetMacro(10, {"1,1,4.0,0,0", "21,0,1.0,1.0,0,0,0"});
    const int i = flashtest::AddFlash(10, 0, 0);
    RasterCanvas cv = Canvas(PenMode::Merge, 0x000080);
    cv.SetPenColor(0x00FF00);
    cv.SetBrushColor(0x00FF00);
    Flash(cv, i, 10);
    EXPECT_EQ(cv.Pixel(50, 50), 0x000080u);   // the hole shows what was under it
    EXPECT_EQ(cv.Pixel(50, 65), 0x00FF80u);
    EXPECT_EQ(cv.Pixel(5, 5), 0x000080u);
    // Overlapping dark primitives under XOR change each pixel once, and a
    // second flash restores the picture.
    ResetTables();
    flashtest::SetMacro(10, {"1,1,4.0,0,0", "1,1,4.0,1.0,0", "20,1,0.5,-2,0,2,0,0"});
    const int j = flashtest::AddFlash(10, 0, 0);
    RasterCanvas x = Canvas(PenMode::Xor);
    Flash(x, j, 10);
    EXPECT_EQ(x.Pixel(55, 50), 0xFFFFFFu);   // inside all three
    EXPECT_EQ(x.Pixel(55, 45), 0xFFFFFFu);   // inside both circles
    Flash(x, j, 10);
    EXPECT_EQ(CountLit(x, 0), 100 * 100);
}

TEST_F(FlashDrawing, MoireCentreTurnsAboutTheFlashPoint)
{
    // Offset (2, 0) turned by 90 degrees lies at (0, 2).
    flashtest::SetMacro(10, {"6,2,0,1.0,0.1,0.1,1,0.1,1.4,90"});
    const int i = flashtest::AddFlash(10, 0, 0);
    RasterCanvas cv = Canvas();
    Flash(cv, i, 10);
    EXPECT_EQ(cv.Pixel(50, 30), 0xFFFFFFu);   // the cross-hair centre
    EXPECT_EQ(cv.Pixel(70, 50), 0u);
    EXPECT_EQ(cv.Pixel(50, 26), 0xFFFFFFu);   // the ring, 0.45 mm out
    EXPECT_LT(FlashDistance(10, 0, 0, 0, 2), 0);
    EXPECT_NEAR(FlashDistance(10, 0, 0, 0, 4), 1.25, 1e-9);   // the arm's end: 2.7 - 0.05
}

TEST_F(FlashDrawing, MirroredFlashesAreMirrorImages)
{
    flashtest::SetMacro(10, {"4,1,3,0,0,2,0,0,1,0,0,0", "1,1,0.8,-1,-1"});
    const int i = flashtest::AddFlash(10, 0, 0);
    RasterCanvas a = Canvas(), b = Canvas();
    Flash(a, i, 10, false);
    DrawFlash(b, i, true, 0, 10, 5.0, 5.0);   // mirrored: x → (ox − x) × scale
    int diff = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 1; x < 100; ++x) diff += a.Pixel(x, y) != b.Pixel(100 - x, y);
    EXPECT_LT(diff, 60);   // edge pixels of the two roundings
    EXPECT_EQ(a.Pixel(60, 45), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(40, 45), 0xFFFFFFu);
}

TEST_F(FlashDrawing, OutlineNotReturningToItsStartIsClosedThroughItsLastPoint)
{
    // Three vertices and a fourth listed point that is not the start: the
    // square 0..2 × 0..2, not the triangle of the first three.
    flashtest::SetMacro(10, {"4,1,3,0,0,0,2,2,2,2,0,0"});
    const int i = flashtest::AddFlash(10, -1, -1);
    RasterCanvas cv = Canvas();
    Flash(cv, i, 10);
    EXPECT_NEAR(CountLit(cv, 0xFFFFFF) / 100.0, 4.0, 0.5);
}

TEST_F(FlashDrawing, BadMacroRangesDrawNothing)
{
    flashtest::SetMacro(10, {"1,1,4.0,0,0"});
    Apertures[10].LastPrimitive = 7;
    flashtest::SetAperture(11, apMacro, 0);
    Apertures[11].FirstPrimitive = 1;
    Apertures[11].LastPrimitive = 0;
    const int i = flashtest::AddFlash(10, 0, 0), j = flashtest::AddFlash(11, 0, 0), k = flashtest::AddFlash(1999, 0, 0);
    RasterCanvas cv = Canvas();
    for (int e : {i, j, -1, 99}) Flash(cv, e, 10);
    EXPECT_EQ(CountLit(cv, 0xFFFFFF), 0);
    Flash(cv, k, 10);   // an undefined aperture is a dot
    EXPECT_EQ(CountLit(cv, 0xFFFFFF), 1);
    EXPECT_EQ(FlashDistance(10, 0, 0, 1, 1), FarAway);
}

TEST_F(FlashDrawing, GarbageMacrosNeitherCrashNorHang)
{
    // Random primitives with absurd numbers, at an everyday and at the
    // largest zoom: drawing must stay inside the buffer and finish.
    std::mt19937 rng(17);
    const char* numbers[] = {"0", "1", "-1", "0.5", "3", "1000000", "-1000000", "0.000000001", "360", "13", "7", "2"};
    const int codes[] = {1, 2, 4, 5, 6, 7, 20, 21, 22, 0, 99};
    std::uniform_int_distribution<int> pickNumber(0, 11), pickCode(0, 10), count(0, 14), prims(1, 4);
    int d = 10;
    for (int k = 0; k < 150; ++k, ++d) {
        std::vector<std::string> texts;
        for (int p = prims(rng); p > 0; --p) {
            std::string t = std::to_string(codes[pickCode(rng)]);
            for (int n = count(rng); n > 0; --n) t += std::string(",") + numbers[pickNumber(rng)];
            texts.push_back(t);
        }
        flashtest::SetMacro(d, texts);
        const int i = flashtest::AddFlash(d, 0.3, -0.2);
        for (double scale : {10.0, 1e5}) {
            RasterCanvas cv = Canvas(k % 2 ? PenMode::Xor : PenMode::Merge);
            DrawFlash(cv, i, k % 3 == 0, 0, scale, 50.0 / scale, 50.0 / scale);
            (void)FlashDistance(d, 0.3, -0.2, 1, 1);
        }
    }
}

TEST_F(FlashDrawing, DenseMoireStaysBounded)
{
    // A million rings 0.001 mm apart: drawing stops at a bounded number.
    flashtest::SetMacro(10, {"6,0,0,100,0.0005,0.0005,1000000,0.01,100,0"});
    const int i = flashtest::AddFlash(10, 0, 0);
    for (double scale : {10.0, 1e4}) {
        RasterCanvas cv = Canvas();
        Flash(cv, i, scale);
        EXPECT_GT(CountLit(cv, 0xFFFFFF), 0);
    }
}

TEST_F(FlashDrawing, FlashDistanceByShape)
{
    flashtest::SetAperture(10, apCircle, 2.0);
    flashtest::SetAperture(11, apRectangle, 4.0, 2.0);
    flashtest::SetAperture(12, apOval, 4.0, 2.0);
    flashtest::SetAperture(13, apThermal45, 1.0, 3.0, 0.3);
    flashtest::SetMacro(14, {"1,1,2.0,5,0", "21,1,2,2,0,0,0"});
    EXPECT_NEAR(FlashDistance(10, 1, 1, 1, 4), 2.0, 1e-12);
    EXPECT_NEAR(FlashDistance(10, 1, 1, 1, 1), -1.0, 1e-12);
    EXPECT_NEAR(FlashDistance(11, 0, 0, 5, 0), 3.0, 1e-12);
    EXPECT_EQ(FlashDistance(11, 0, 0, 1, 0.5), 0.0);
    EXPECT_NEAR(FlashDistance(12, 0, 0, 0, 3), 2.0, 1e-12);
    EXPECT_NEAR(FlashDistance(12, 0, 0, 5, 0), 3.0, 1e-12);
    EXPECT_NEAR(FlashDistance(13, 0, 0, 0, 3), 1.5, 1e-12);
    EXPECT_NEAR(FlashDistance(14, 0, 0, 5, 3), 2.0, 1e-12);   // nearer the circle
    EXPECT_NEAR(FlashDistance(14, 0, 0, 0, 3), 2.0, 1e-12);   // nearer the square
    EXPECT_EQ(FlashDistance(2000, 0, 0, 0, 0), FarAway);
}

TEST_F(FlashDrawing, GroupRangeStaysInTheArray)
{
    // Groups touching both ends of the array, and a lone element.
    flashtest::AddFlash(10, 0, 0, 1, 3);
    flashtest::AddFlash(10, 0, 0, 1, 3);
    flashtest::AddFlash(10, 0, 0, 2, 3);   // same group number, other layer
    flashtest::AddFlash(10, 0, 0, 2, 0);
    flashtest::AddFlash(10, 0, 0, 2, 4);
    flashtest::AddFlash(10, 0, 0, 2, 4);
    int first = -9, last = -9;
    GroupRange(1, first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    GroupRange(2, first, last);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 2);
    GroupRange(3, first, last);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 3);
    GroupRange(4, first, last);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(last, 5);
    GroupRange(6, first, last);
    EXPECT_EQ(first, 6);
    EXPECT_EQ(last, 6);
}

TEST_F(FlashDrawing, ArcAndCirclePoints)
{
    auto at = [](double deg) { return MyPoint{std::cos(deg * Pi / 180), std::sin(deg * Pi / 180)}; };
    MyPointArray pts;
    int n = 4;
    const MyPoint s = at(350), e = at(10);
    ArcToPoints(dkArcCCW, pts, n, 1.0, 0, 0, s.x, s.y, e.x, e.y);
    ASSERT_EQ(pts.size(), 5u);
    EXPECT_NEAR(pts[2].x, 1.0, 1e-9);   // the middle of a 20° arc across 0°
    EXPECT_NEAR(pts[2].y, 0.0, 1e-9);
    EXPECT_EQ(pts[4].x, e.x);
    ArcToPoints(dkRegionArcCW, pts, n, 1.0, 0, 0, s.x, s.y, e.x, e.y);   // clockwise: 340°
    EXPECT_NEAR(pts[2].x, -1.0, 1e-9);
    ArcToPoints(dkArcCW, pts, n, 0.0, 0, 0, 1, 2, 3, 4);   // no radius: the chord
    EXPECT_EQ(n, 1);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[1].y, 4.0);
    n = 4;
    ArcToPoints(dkCircleCW, pts, n, 2.0, 1, 1, 0, 0, 0, 0);
    ASSERT_EQ(pts.size(), 5u);
    EXPECT_NEAR(pts[0].y, -1.0, 1e-9);   // first at -90°
    EXPECT_NEAR(pts[4].y, -1.0, 1e-9);
    ArcToPoints(dkLine, pts, n, 1.0, 0, 0, 1, 0, 0, 1);
    EXPECT_TRUE(pts.empty());
    EXPECT_EQ(ArcPoints(dkRegionCircleCCW, pts, 4, 1.0, 0, 0, 0, 5), 5);
    EXPECT_NEAR(pts[0].y, 1.0, 1e-9);
    EXPECT_NEAR(pts[1].x, -1.0, 1e-9);   // counter-clockwise
    ArcPoints(dkRegionCircleCW, pts, 4, 1.0, 0, 0, 0, 5);
    EXPECT_NEAR(pts[1].x, 1.0, 1e-9);
    EXPECT_EQ(ArcPoints(dkRegionCircleCW, pts, 0, 1.0, 0, 0, 0, 5), 0);
}

// Arcs for drawing: chords of at most a quarter pixel's sag wherever the
// box can show them, exact ends, few points for huge arcs at huge zoom.
TEST_F(FlashDrawing, ArcDrawPointsStayWithinAQuarterPixelOfTheArc)
{
    auto at = [](double r, double deg) { return MyPoint{r * std::cos(deg * Pi / 180), r * std::sin(deg * Pi / 180)}; };
    struct Case {
        const char* what;
        int kind;
        double radius, from, to, scale;   // degrees; pixels per mm
        MyBox near;
        std::size_t most;                  // points at most
        double sweep;                      // degrees covered, signed
    };
    const MyBox rim{990, 1001, -3, 3};   // a window at huge zoom over the rim of a 2 m circle
    const Case cases[] = {
        {"a 300 mm outline's half at the fitted view", dkArcCCW, 150, 0, 180, 5.65, EverywhereBox, 80, 180},
        {"the same at zoom 100", dkArcCW, 150, 180, 0, 565, EverywhereBox, 700, -180},
        {"a 69.85 mm circle's half at zoom 10", dkArcCCW, 34.925, 90, 270, 50, EverywhereBox, 200, 180},
        {"350° to 10° counter-clockwise covers 20°", dkRegionArcCCW, 1, 350, 10, 100, EverywhereBox, 10, 20},
        {"the same clockwise covers 340°", dkRegionArcCW, 1, 350, 10, 100, EverywhereBox, 50, -340},
        {"a small arc at a small scale is one chord", dkArcCW, 0.2, 90, 0, 2, EverywhereBox, 2, -90},
        {"a circle once round from its start", dkRegionCircleCCW, 5, 30, 30, 20, EverywhereBox, 100, 360},
        {"a 2 m arc at 5000 px/mm: chords near the window only", dkArcCCW, 1000, -90, 90, 5000, rim, 400, 180},
        {"the window's side of it clockwise", dkArcCW, 1000, 90, -90, 5000, rim, 400, -180},
        {"no window: at most 65,536 chords", dkArcCCW, 1000, -90, 90, 5e6, EverywhereBox, 65537, 180},
    };
    MyPointArray pts;
    for (const Case& c : cases) {
        const MyPoint s = at(c.radius, c.from), e = at(c.radius, c.to);
        ArcDrawPoints(c.kind, pts, c.radius, 0, 0, s.x, s.y, e.x, e.y, c.scale, c.near);
        ASSERT_GE(pts.size(), 2u) << c.what;
        EXPECT_LE(pts.size(), c.most) << c.what;
        EXPECT_NEAR(pts.front().x, s.x, 1e-12) << c.what;
        EXPECT_NEAR(pts.back().y, e.y, 1e-9) << c.what;
        double turned = 0;
        for (std::size_t k = 1; k < pts.size(); ++k) {
            const MyPoint& a = pts[k - 1];
            const MyPoint& b = pts[k];
            EXPECT_NEAR(std::hypot(b.x, b.y), c.radius, 1e-9 * c.radius) << c.what;
            turned += std::remainder(std::atan2(b.y, b.x) - std::atan2(a.y, a.x), 2 * Pi);
            // The sag at the chord's middle; where it is more than a quarter
            // pixel, the chord must be outside the window.
            const double sag = c.radius - std::hypot((a.x + b.x) / 2, (a.y + b.y) / 2);
            // (Capped, the last case's chords stray everywhere.)
            if (sag * c.scale > 0.25 && &c != &cases[std::size(cases) - 1]) {
                EXPECT_TRUE(std::max(a.x, b.x) < c.near[0] || std::min(a.x, b.x) > c.near[1] || std::max(a.y, b.y) < c.near[2] ||
                            std::min(a.y, b.y) > c.near[3])
                    << c.what << ": chord " << k << " strays " << sag * c.scale << " px in the window";
            }
        }
        EXPECT_NEAR(turned * 180 / Pi, c.sweep, 1e-6) << c.what;
    }
    // No radius: the chord; another kind: nothing.
    ArcDrawPoints(dkArcCW, pts, 0.0, 0, 0, 1, 2, 3, 4, 10, EverywhereBox);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[1].y, 4.0);
    ArcDrawPoints(dkLine, pts, 1.0, 0, 0, 1, 0, 0, 1, 10, EverywhereBox);
    EXPECT_TRUE(pts.empty());
}
