// The measuring tools: the values the measure tool reads, the dimension
// ruler's lines and image, and, over a whole real board, the rectangle
// ruler against a box computed here, the gap tool against the clearance
// engine, and every tool's figures leaving the picture as it found them.
#include "core/Clearance.h"
#include "core/ElementGrid.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "view/MeasureTools.h"
#include "view/Picking.h"
#include "view/WorkerPool.h"
#include "platform/NumberText.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <array>
#include <set>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

std::vector<std::uint32_t> Pixels(const platform::RasterCanvas& c)
{
    return {c.Bits(), c.Bits() + static_cast<std::size_t>(c.Width()) * static_cast<std::size_t>(c.Height())};
}

void ResetToolGlobals()
{
    RubberLine = {};
    RubberRect = {};
    SnapMarker = {};
    MeasureStep = 0;
    MeasurePoints = {};
    RectRulerShown = false;
    RectRulerStep = 0;
    GapState = {};
    SearchHits.clear();
    ForgetToolOverlays();
    SetDefaultToolSettings();
}

// ------------------------------------------------------------------ values

TEST(MeasureValuesTest, OffsetsDistanceAndAngle)
{
    const struct {
        const char* name;
        double x1, y1, x2, y2;
        double dx, dy, length, angle;
    } cases[] = {
        {"level", 0, 0, 10, 0, 10, 0, 10, 0},
        {"upright, downwards", 0, 0, 0, -5, 0, -5, 5, 270},
        {"one point twice", 3, 3, 3, 3, 0, 0, 0, 0},
        {"backwards", 5, 1, 0, 1, -5, 0, 5, 180},
        {"just above level", 0, 0, 100, 0.01, 100, 0.01, 100, 0.006},
        {"just below level", 0, 0, 100, -0.0011, 100, -0.0011, 100, 359.999},
        {"a whole turn after rounding", 0, 0, 1000, -0.0011, 1000, -0.0011, 1000, 0},
        {"halves away from zero", 0, 0, -1.23455, 2.00005, -1.2346, 2.0001, 2.3504, 121.685},
        {"the least negative half", 0, 0, -0.00005, 0, -0.0001, 0, 0.0001, 0},
        {"far from the origin", 2500, 10, 2503, 14, 3, 4, 5, 53.13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MeasureValues v = MeasureOf(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(v.DX, c.dx);
        EXPECT_EQ(v.DY, c.dy);
        EXPECT_EQ(v.Length, c.length);
        EXPECT_EQ(v.Angle, c.angle);
        // The other way round: the same figures with the other sign.
        const MeasureValues back = MeasureOf(c.x2, c.y2, c.x1, c.y1);
        EXPECT_EQ(back.DX, -c.dx + 0.0);
        EXPECT_EQ(back.DY, -c.dy + 0.0);
        EXPECT_EQ(back.Length, c.length);
    }
}

// ------------------------------------------------------------------- ruler

TEST(DimensionRulerTest, SettingsStepWithinTheirRanges)
{
    const struct {
        std::vector<MouseButton> clicks;
        double tick, angle;
    } cases[] = {
        {{MouseButton::Left}, 0.1, 0},
        {{MouseButton::Left, MouseButton::Left}, 0.01, 0},
        {{MouseButton::Left, MouseButton::Left, MouseButton::Left}, 0.01, 0},
        {{MouseButton::Right}, 1.0, 0},
        {{MouseButton::Left, MouseButton::Left, MouseButton::Right}, 0.1, 0},
        {{MouseButton::Left, MouseButton::Left, MouseButton::Right, MouseButton::Right, MouseButton::Right}, 1.0, 0},
        {{MouseButton::Middle}, 1.0, 45},
        {{MouseButton::Middle, MouseButton::Middle, MouseButton::Middle}, 1.0, 135},
        {std::vector<MouseButton>(7, MouseButton::Middle), 1.0, 315},
        {std::vector<MouseButton>(8, MouseButton::Middle), 1.0, 0},
    };
    for (const auto& c : cases) {
        SetDefaultToolSettings();
        for (MouseButton b : c.clicks) AdjustRulerSetting(b);
        EXPECT_EQ(RulerMinTick, c.tick) << c.clicks.size();
        EXPECT_EQ(RulerAngle, c.angle) << c.clicks.size();
    }
    SetDefaultToolSettings();
}

TEST(DimensionRulerTest, LinesTurnExactlyByRightAnglesAndScaleByTheGraduation)
{
    const std::vector<core::DataElement> flat = DimensionRulerLines(0, 1.0);
    ASSERT_EQ(flat.size(), 53u);
    // The outline 50 × 5 graduations; marks of 3 at every tenth, 4 at every
    // fifth, 2 between.
    core::MyBox box = core::EmptyBox;
    std::multiset<double> marks;
    for (std::size_t k = 0; k < flat.size(); ++k) {
        core::GrowBox(box, flat[k].X1, flat[k].Y1);
        core::GrowBox(box, flat[k].X2, flat[k].Y2);
        if (k >= 4) marks.insert(flat[k].Y2 - flat[k].Y1);
    }
    EXPECT_EQ(box, (core::MyBox{-25, 25, -2.5, 2.5}));
    EXPECT_EQ(marks.count(3.0), 5u);
    EXPECT_EQ(marks.count(4.0), 4u);
    EXPECT_EQ(marks.count(2.0), 40u);
    // Screen orientation: the marks hang from the top edge (y down).
    EXPECT_EQ(flat[4].Y1, -2.5);

    const double tick = 0.1;
    const std::vector<core::DataElement> base = DimensionRulerLines(0, tick);
    for (const double angle : {90.0, 180.0, 270.0}) {
        const std::vector<core::DataElement> turned = DimensionRulerLines(angle, tick);
        ASSERT_EQ(turned.size(), base.size());
        for (std::size_t k = 0; k < base.size(); ++k) {
            // A turn by 90 counter-clockwise in the data is (x, y) -> (y, -x)
            // on the screen; exactly, not within rounding.
            double x1 = base[k].X1, y1 = base[k].Y1, x2 = base[k].X2, y2 = base[k].Y2;
            for (double a = 90; a <= angle; a += 90) {
                x1 = std::exchange(y1, -x1);
                x2 = std::exchange(y2, -x2);
            }
            EXPECT_EQ(turned[k].X1, x1 + 0.0) << angle << " " << k;
            EXPECT_EQ(turned[k].Y1, y1 + 0.0) << angle << " " << k;
            EXPECT_EQ(turned[k].X2, x2 + 0.0) << angle << " " << k;
            EXPECT_EQ(turned[k].Y2, y2 + 0.0) << angle << " " << k;
        }
    }
}

TEST(DimensionRulerTest, ImageFitsTheRulerUpToThreePictures)
{
    const struct {
        double angle, tick, scale;
        int width, height;
    } cases[] = {
        {0, 1.0, 10, 504, 54},       // 50 × 5 mm at 10 pixels per mm, and 4
        {0, 0.1, 10, 54, 9},
        {90, 1.0, 10, 54, 504},
        {0, 1.0, 100, 1920, 1440},   // larger than three pictures: cut
        {0, 0.01, 0, 4, 4},          // no view yet
    };
    platform::RasterCanvas image;
    for (const auto& c : cases) {
        const platform::Point centre = DrawDimensionRulerImage(image, c.angle, c.tick, c.scale, 640, 480);
        EXPECT_EQ(image.Width(), c.width) << c.angle << " " << c.tick << " " << c.scale;
        EXPECT_EQ(image.Height(), c.height) << c.angle << " " << c.tick << " " << c.scale;
        EXPECT_EQ(centre, (platform::Point{c.width / 2, c.height / 2}));
    }
    // White lines on black: the top edge and the middle mark through the centre.
    const platform::Point centre = DrawDimensionRulerImage(image, 0, 1.0, 10, 640, 480);
    EXPECT_EQ(image.Pixel(centre.x - 100, centre.y - 25), platform::RGB(255, 255, 255));
    EXPECT_EQ(image.Pixel(centre.x, centre.y), platform::RGB(255, 255, 255));
    EXPECT_EQ(image.Pixel(centre.x + 5, centre.y + 10), 0u);
}

// ------------------------------------------------------------------ labels

// The tools' states set by hand on a board of hand-made elements; each
// label 100 × 20 pixels.
class ToolLabelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewtest::ResetAll();
        ResetToolGlobals();
        viewtest::ShowLayer(1, platform::RGB(255, 0, 0));
        viewtest::FitTo(0, 100, 0, 100, 640, 640);
    }
    void TearDown() override
    {
        ResetToolGlobals();
        viewtest::ResetAll();
    }
    static platform::TextSize Size(const std::string&) { return {100, 20}; }
    static platform::Point At(double x, double y)
    {
        platform::Point p;
        DataToScreen(x, y, p.x, p.y);
        return p;
    }
};

TEST_F(ToolLabelsTest, MeasureLabelsStandBesideTheirLegs)
{
    const struct {
        double x1, y1, x2, y2;
        const char *dx, *dy, *l;
    } cases[] = {
        {10, 10, 40, 30, "⊿X = 30", "⊿Y = 20", "距離 = 36.0555\n角度 = 33.69°"},
        {40, 30, 10, 10, "⊿X = -30", "⊿Y = -20", "距離 = 36.0555\n角度 = 213.69°"},
        {10, 50, 10, 50, "⊿X = 0", "⊿Y = 0", "距離 = 0\n角度 = 0°"},
    };
    for (const auto& c : cases) {
        MeasurePoints = {c.x1, c.y1, c.x2, c.y2};
        MeasureStep = 2;
        const ToolLabels l = LayoutToolLabels(ToolButton::Measure, false, Size);
        const platform::Point s1 = At(c.x1, c.y1), s2 = At(c.x2, c.y2);
        SCOPED_TRACE(c.dx);
        EXPECT_TRUE(l.X.Shown && l.Y.Shown && l.L.Shown);
        EXPECT_EQ(l.X.Text, c.dx);
        EXPECT_EQ(l.Y.Text, c.dy);
        EXPECT_EQ(l.L.Text, c.l);
        // ⊿X centred over or under the level leg, away from the other point.
        EXPECT_EQ(l.X.Left + 50, s1.x + (s2.x - s1.x) / 2);
        EXPECT_EQ(l.X.Top, s1.y > s2.y ? s1.y + 10 : s1.y - 30);
        // ⊿Y beside the upright leg, on the outside.
        EXPECT_EQ(l.Y.Top + 10, s1.y + (s2.y - s1.y) / 2);
        EXPECT_EQ(l.Y.Left, c.x1 <= c.x2 ? s2.x + 10 : s2.x - 110);
        // Distance and angle: wide enough for the wider line, beside the slope.
        EXPECT_EQ(l.L.Width, 120);
        EXPECT_EQ(l.L.Height, 40);
    }
    // The measure's labels go when it steps back.
    MeasureStep = 1;
    const ToolLabels none = LayoutToolLabels(ToolButton::Measure, false, Size);
    EXPECT_FALSE(none.X.Shown || none.Y.Shown || none.L.Shown);
}

TEST_F(ToolLabelsTest, RulerAndGapLabels)
{
    RectRulerRect = {10.12345, 22.4691, 5, 5.0004};
    RectRulerShown = true;
    ToolLabels l = LayoutToolLabels(ToolButton::Rect, false, Size);
    // Width and height rounded to three decimals.
    EXPECT_EQ(l.X.Text, " X = 12.346");
    EXPECT_EQ(l.Y.Text, " Y = 0");
    EXPECT_FALSE(l.L.Shown);
    const platform::Point a = At(10.12345, 5.0004), b = At(22.4691, 5);
    EXPECT_EQ(l.X.Top, a.y - 25);
    EXPECT_EQ(l.Y.Left, a.x - 105);
    EXPECT_EQ(l.X.Left, a.x + ((b.x - a.x) - 100) / 2);
    // Only while the rectangle ruler is the tool.
    EXPECT_FALSE(LayoutToolLabels(ToolButton::Gap, false, Size).X.Shown);
    RectRulerShown = false;

    const struct {
        double gap;
        double ax, ay, bx, by;
        const char* text;
        int dx, dy;   // from the middle of the line
    } gaps[] = {
        {0.8382, 10, 10, 30, 10, " Gap = 0.8382 ", -50, 20},     // level: under it, centred
        {5, 10, 10, 10, 30, " Gap = 5 ", 20, -10},               // upright: right of it
        {2, 10, 10, 30, 30, " Gap = 2 ", 20, 0},                 // rising: right of the middle
        {2, 10, 30, 30, 10, " Gap = 2 ", 20, -20},               // falling: right of it and above
        {1200, 10, 10, 30, 10, " Gap = ∞ ", -50, 20},
        {core::FarAway, 10, 10, 30, 10, " Gap = ∞ ", -50, 20},
        {-0.0508, 10, 10, 30, 10, " Gap = -0.0508 ", -50, 20},
    };
    for (const auto& g : gaps) {
        GapState = {};
        GapState.Step = 2;
        GapState.Gap = g.gap;
        GapState.AX = g.ax;
        GapState.AY = g.ay;
        GapState.BX = g.bx;
        GapState.BY = g.by;
        l = LayoutToolLabels(ToolButton::Gap, false, Size);
        const platform::Point s = At(g.ax, g.ay), e = At(g.bx, g.by);
        EXPECT_EQ(l.X.Text, g.text);
        EXPECT_EQ(l.X.Left, s.x + (e.x - s.x) / 2 + g.dx) << g.text;
        EXPECT_EQ(l.X.Top, s.y + (e.y - s.y) / 2 + g.dy) << g.text;
        // Not while the view scrolls by itself and the line is left out.
        EXPECT_FALSE(LayoutToolLabels(ToolButton::Gap, true, Size).X.Shown);
    }
}

TEST_F(ToolLabelsTest, AGapWithoutAResultDrawsNoLine)
{
    // Two pads 1500 mm apart: a clearance read as none.
    viewtest::SetAperture(10, core::apCircle, 1.0);
    core::AppendElement(viewtest::Flash(1, 10, 0, 0));
    core::AppendElement(viewtest::Flash(1, 10, 1500, 0));
    viewtest::FitTo(-1, 1501, -1, 1, 1500, 400);
    core::SetGridView(core::Extents);
    core::Gauge gauge;
    ASSERT_TRUE(core::BuildElementGrid(gauge));
    SetViewZoom(true, 0, 0, -200.0);
    RedrawStartHooks().push_back([] { ForgetToolOverlays(); });
    OverlayHooks().push_back([](platform::RasterCanvas& c) { DrawToolOverlays(c, ToolButton::Gap, false); });
    RedrawView();
    const std::vector<std::uint32_t> plain = Pixels(Picture());
    const platform::Point a = At(0, 0);
    ASSERT_EQ(GapClickAt(a.x, a.y, MouseButton::Left, Picture()), GapSecondHint);
    SetViewZoom(true, 1500, 0, -200.0);
    RedrawView();
    const std::vector<std::uint32_t> far = Pixels(Picture());
    const platform::Point b = At(1500, 0);
    ASSERT_EQ(GapClickAt(b.x, b.y, MouseButton::Left, Picture()), GapDoneHint);
    EXPECT_EQ(GapState.Gap, 1499);
    EXPECT_FALSE(Overlays.Gap.OnScreen());
    EXPECT_TRUE(Pixels(Picture()) == far);
    EXPECT_EQ(LayoutToolLabels(ToolButton::Gap, false, Size).X.Text, " Gap = ∞ ");
    // Nor does a redraw, nor one of a gap with no result whose points were
    // never set.
    GapState.Gap = core::FarAway;
    GapState.AX = GapState.AY = GapState.BX = GapState.BY = 0;
    SetViewZoom(true, 0, 0, -200.0);
    RedrawView();
    EXPECT_FALSE(Overlays.Gap.OnScreen());
    EXPECT_TRUE(Pixels(Picture()) == plain);
}

// -------------------------------------------------------- on a real board

const fs::path Board = fs::path(TESSEL2_CORPUS) / "cad" / "diptrace";

// Flashes of the top copper, by index.
std::vector<int> MeasureBoardTestPads()
{
    std::vector<int> pads;
    for (int i = 0; i < core::DataCount; ++i)
        if (core::Datas[static_cast<std::size_t>(i)].Layer == 1 && core::Datas[static_cast<std::size_t>(i)].Kind == core::dkFlash)
            pads.push_back(i);
    return pads;
}

// The main board of the corpus with all its copper, masks, outline and
// holes shown, its grid built, drawn in 800 × 600 with the tools' figures.
class MeasureBoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Board)) GTEST_SKIP() << "no corpus at " << Board;
        viewtest::ResetAll();
        ResetToolGlobals();
        core::Gauge gauge;
        core::MyBox all = core::EmptyBox;
        int layer = 0;
        for (const char* name : {"mainboard_Top.gbr", "mainboard_Bottom.gbr", "mainboard_TopMask.gbr", "mainboard_BottomMask.gbr",
                                 "mainboard_BoardOutline.gbr", "mainboard.drl"}) {
            core::MyDataValue v;
            const std::string path = (Board / name).string();
            ++layer;
            ASSERT_TRUE(layer == 6 ? core::ReadNcDrillFile(gauge, path, layer, v) : core::ReadGerberFile(gauge, path, layer, v)) << name;
            viewtest::ShowLayer(layer, platform::RGB(40 * layer, 255 - 40 * layer, 0));
            core::GrowBox(all, {v.MinX, v.MaxX, v.MinY, v.MaxY});
        }
        viewtest::FitTo(all[0], all[1], all[2], all[3], 800, 600);
        core::SetGridView(core::Extents);
        ASSERT_TRUE(core::BuildElementGrid(gauge));
        RedrawStartHooks().push_back([] { ForgetToolOverlays(); });
        OverlayHooks().push_back([this](platform::RasterCanvas& c) { DrawToolOverlays(c, tool, false); });
        RedrawView();
        plain = Pixels(Picture());
    }
    void TearDown() override
    {
        ResetToolGlobals();
        viewtest::ResetAll();
    }

    static platform::Point At(double x, double y)
    {
        platform::Point p;
        DataToScreen(x, y, p.x, p.y);
        return p;
    }

    ToolButton tool = ToolButton::None;
    std::vector<std::uint32_t> plain;
};

// The box of everything shown, computed here from the elements: strokes of
// round apertures as their ends widened by half the width, pads by their
// aperture's width and height, holes by the tool's diameter text.
core::MyBox ShownBox()
{
    core::MyBox box = core::EmptyBox;
    for (int i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind == core::dkSection || core::LayerTable[static_cast<std::size_t>(e.Layer)].Active != 1) continue;
        const core::MyAperture& a = core::Apertures[static_cast<std::size_t>(std::clamp(e.Code, 0, 1999))];
        switch (e.Kind) {
        case core::dkLine:
            EXPECT_EQ(a.Shape, core::apCircle) << i;
            for (const double s : {-1.0, 1.0}) {
                core::GrowBox(box, e.X1 + s * a.Size1 / 2, e.Y1 + s * a.Size1 / 2);
                core::GrowBox(box, e.X2 + s * a.Size1 / 2, e.Y2 + s * a.Size1 / 2);
            }
            break;
        case core::dkFlash: {
            const bool oneSize = a.Shape == core::apCircle || a.Shape == core::apSquare;
            const double w = a.Size1 / 2, h = (oneSize ? a.Size1 : a.Size2) / 2;
            EXPECT_TRUE(oneSize || a.Shape == core::apRectangle || a.Shape == core::apOval) << a.Shape;
            core::GrowBox(box, e.X3 - w, e.Y3 - h);
            core::GrowBox(box, e.X3 + w, e.Y3 + h);
            break;
        }
        case core::dkDrill: {
            const double r = platform::ParseRealPrefix(core::Tools[static_cast<std::size_t>(e.Code)].Diameter) / 2;
            core::GrowBox(box, e.X3 - r, e.Y3 - r);
            core::GrowBox(box, e.X3 + r, e.Y3 + r);
            break;
        }
        default: ADD_FAILURE() << "kind " << e.Kind << " at " << i;
        }
    }
    return box;
}

TEST_F(MeasureBoardTest, TheRectangleRulerOverTheWholeBoardIsItsBox)
{
    tool = ToolButton::Rect;
    const core::MyBox expected = ShownBox();
    RectRulerClickAt(0, 0, MouseButton::Left, Picture(), {});
    RectRulerClickAt(799, 599, MouseButton::Left, Picture(), {});
    ASSERT_TRUE(RectRulerShown);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(RectRulerRect[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)], 1e-9) << k;
    EXPECT_EQ(Overlays.RectRuler.Figure(),
              RectRulerFigure(expected[0], expected[1], expected[2], expected[3]));
    // Dragged the other way round, on threads, the same box.
    RectRulerClickAt(799, 0, MouseButton::Left, Picture(), {});
    RectRulerClickAt(0, 599, MouseButton::Left, Picture(), PoolRunner());
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(RectRulerRect[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)], 1e-9) << k;
    // A drag over nothing shows nothing and waits for a new first corner.
    RectRulerClickAt(2, 2, MouseButton::Left, Picture(), {});
    RectRulerClickAt(6, 6, MouseButton::Left, Picture(), {});
    EXPECT_FALSE(RectRulerShown);
    EXPECT_EQ(RectRulerStep, 0);
    EXPECT_TRUE(Pixels(Picture()) == plain);
}

TEST_F(MeasureBoardTest, TheGapBetweenTwoPadsIsTheClearanceDrawnBetweenItsPoints)
{
    tool = ToolButton::Gap;
    // The top copper alone, twenty pads each with the pad nearest to it
    // (apart, so that the pointer on either is on that pad alone), zoomed in
    // so that the two stand some 200 pixels apart.
    for (int l = 2; l <= 6; ++l) core::LayerTable[static_cast<std::size_t>(l)].Active = 0;
    const std::vector<int> pads = MeasureBoardTestPads();
    ASSERT_GE(pads.size(), 20u);
    int measured = 0;
    for (std::size_t k = 0; k < pads.size() && measured < 20; k += pads.size() / 40) {
        const core::DataElement& p = core::Datas[static_cast<std::size_t>(pads[k])];
        int near = -1;
        double best = 1e9;
        for (int q : pads) {
            const core::DataElement& o = core::Datas[static_cast<std::size_t>(q)];
            const double d = std::hypot(o.X3 - p.X3, o.Y3 - p.Y3);
            if (d > 1e-6 && d < best) {
                best = d;
                near = q;
            }
        }
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        const double engine = core::GapBetween(pads[k], near, x1, y1, x2, y2);
        if (engine < 0.05) continue;
        const core::DataElement& o = core::Datas[static_cast<std::size_t>(near)];
        SCOPED_TRACE(::testing::Message() << "pads " << pads[k] << " and " << near);
        SetViewZoom(true, (p.X3 + o.X3) / 2, (p.Y3 + o.Y3) / 2, -std::clamp(200.0 / (best * View.Scale / View.Zoom), 1.0, MaxZoom));
        RedrawView();
        const std::vector<std::uint32_t> before = Pixels(Picture());
        const platform::Point a = At(p.X3, p.Y3), b = At(o.X3, o.Y3);
        EXPECT_EQ(GapClickAt(a.x, a.y, MouseButton::Left, Picture()), GapSecondHint);
        EXPECT_EQ(GapClickAt(b.x, b.y, MouseButton::Left, Picture()), GapDoneHint);
        ASSERT_EQ(GapState.Step, 2);
        ASSERT_EQ(GapState.Pair, (std::vector<std::int32_t>{pads[k], near})) << "the pads under the pointer";
        EXPECT_EQ(GapState.Gap, engine);
        EXPECT_EQ((std::array{GapState.AX, GapState.AY, GapState.BX, GapState.BY}), (std::array{x1, y1, x2, y2}));
        EXPECT_EQ(Overlays.Gap.Figure(), GapFigure(x1, y1, x2, y2));
        EXPECT_TRUE(Highlight.Visible);
        // The end on the first pad is marked on the picture: the outer
        // pixel of its circle, away from the line, is inverted.
        const platform::Point ea = At(x1, y1), eb = At(x2, y2);
        ASSERT_GT(std::hypot(eb.x - ea.x, eb.y - ea.y), 2 * MarkerRadius + 2);
        const int side = eb.x >= ea.x ? -MarkerRadius : MarkerRadius;
        const std::size_t at = static_cast<std::size_t>(ea.y) * 800 + static_cast<std::size_t>(ea.x + side);
        EXPECT_EQ((Pixels(Picture())[at] ^ before[at]) & 0xFFFFFFu, 0xFFFFFFu);
        // Back to nothing chosen: the picture as it was.
        EXPECT_EQ(GapClickAt(0, 0, MouseButton::Right, Picture()), GapSecondHint);
        EXPECT_EQ(GapClickAt(0, 0, MouseButton::Right, Picture()), GapFirstHint);
        EXPECT_FALSE(Highlight.Visible);
        EXPECT_TRUE(Pixels(Picture()) == before);
        ++measured;
    }
    EXPECT_EQ(measured, 20);
}

// A step of a tool as the window takes it: a click or a pointer move at a
// pixel, the next gap candidate, or a redraw of the whole view.
struct Action {
    enum Kind { Left, Right, Middle, Move, Next, Redraw } kind;
    std::function<platform::Point()> at = [] { return platform::Point{}; };
};

Action Do(Action::Kind kind, int x = 0, int y = 0)
{
    return {kind, [=] { return platform::Point{x, y}; }};
}
// At the centre of the i-th pad of the top copper.
Action AtPad(Action::Kind kind, std::size_t i)
{
    return {kind, [=] {
                const core::DataElement& e = core::Datas[static_cast<std::size_t>(MeasureBoardTestPads()[i])];
                platform::Point p;
                DataToScreen(e.X3, e.Y3, p.x, p.y);
                return p;
            }};
}

TEST_F(MeasureBoardTest, EveryToolLeavesThePictureAsItFoundIt)
{
    using A = Action;
    const struct {
        const char* name;
        ToolButton tool;
        bool draws;   // some step puts a figure on the picture
        std::vector<Action> steps;
    } cases[] = {
        {"measure", ToolButton::Measure, true,
         {Do(A::Left, 300, 250), Do(A::Move, 420, 330), Do(A::Move, 500, 380), Do(A::Left, 500, 380), Do(A::Left, 350, 350),
          Do(A::Right), Do(A::Move, 200, 200), Do(A::Redraw), Do(A::Right), Do(A::Right)}},
        {"measure on one point", ToolButton::Measure, true, {Do(A::Left, 400, 300), Do(A::Left, 400, 300), Do(A::Redraw)}},
        {"measure with the pointer off the picture", ToolButton::Measure, true,
         {Do(A::Left, 400, 300), Do(A::Move, -40, 900), Do(A::Left, 790, 590), Do(A::Middle, 10, 10)}},
        {"rectangle ruler", ToolButton::Rect, true,
         {Do(A::Left, 250, 200), Do(A::Move, 300, 260), Do(A::Move, 450, 400), Do(A::Left, 450, 400), Do(A::Redraw),
          Do(A::Left, 500, 300), Do(A::Move, 380, 220), Do(A::Right), Do(A::Left, 200, 150), Do(A::Right)}},
        {"rectangle over nothing", ToolButton::Rect, true, {Do(A::Left, 2, 2), Do(A::Move, 6, 7), Do(A::Left, 6, 7)}},
        {"gap", ToolButton::Gap, true,
         {AtPad(A::Left, 5), AtPad(A::Left, 6), Do(A::Next), Do(A::Redraw), Do(A::Next), Do(A::Right), Do(A::Next),
          AtPad(A::Left, 40), Do(A::Left, 0, 0), Do(A::Right), Do(A::Right), Do(A::Right)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tool = c.tool;
        bool drew = false;
        for (std::size_t k = 0; k <= c.steps.size(); ++k) {
            for (std::size_t s = 0; s < k; ++s) {
                const platform::Point p = c.steps[s].at();
                switch (c.steps[s].kind) {
                case A::Left:
                case A::Right:
                case A::Middle: {
                    const MouseButton b = c.steps[s].kind == A::Left ? MouseButton::Left
                                          : c.steps[s].kind == A::Right ? MouseButton::Right : MouseButton::Middle;
                    if (tool == ToolButton::Measure) MeasureClickAt(p.x, p.y, b, Picture());
                    if (tool == ToolButton::Rect) RectRulerClickAt(p.x, p.y, b, Picture(), {});
                    if (tool == ToolButton::Gap) GapClickAt(p.x, p.y, b, Picture());
                    break;
                }
                case A::Move: TrackPointer(p.x, p.y, Picture()); break;
                case A::Next: NextGapCandidateStep(Picture()); break;
                case A::Redraw: RedrawView(); break;
                }
            }
            // What the clicks drew equals what a redraw draws from the state.
            const std::vector<std::uint32_t> drawn = Pixels(Picture());
            drew = drew || drawn != plain;
            RedrawView();
            ASSERT_TRUE(Pixels(Picture()) == drawn) << "redrawn after step " << k;
            // Ending the tool erases it all, and a second end nothing more.
            EndToolState(Picture());
            ASSERT_TRUE(Pixels(Picture()) == plain) << "ended after step " << k;
            EndToolState(Picture());
            ASSERT_TRUE(Pixels(Picture()) == plain) << "ended twice after step " << k;
        }
        EXPECT_EQ(drew, c.draws);
    }
}

} // namespace
