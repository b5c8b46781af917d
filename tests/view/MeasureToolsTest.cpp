// The measuring tools: the measure's values, the dimension ruler, the
// labels, and over a whole real board the rectangle ruler against a box
// computed here, the gap tool against the clearance engine, and every
// tool's figures leaving the picture as they found it.
#include "core/Clearance.h"
#include "core/ElementGrid.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "view/MeasureTools.h"
#include "view/WorkerPool.h"
#include "platform/NumberText.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::Point;

namespace {

std::vector<std::uint32_t> Pixels()
{
    const platform::RasterCanvas& c = Picture();
    return {c.Bits(), c.Bits() + static_cast<std::size_t>(c.Width()) * static_cast<std::size_t>(c.Height())};
}

Point At(double x, double y)
{
    Point p;
    DataToScreen(x, y, p.x, p.y);
    return p;
}

// The picture redrawn with the figures of `tool`, the tools at rest.
void StartTools(ToolButton tool)
{
    ForgetToolOverlays();
    EndToolState(Picture());
    GapState = {};
    SetDefaultToolSettings();
    RedrawStartHooks().assign({[] { ForgetToolOverlays(); }});
    OverlayHooks().assign({[tool](platform::RasterCanvas& c) { DrawToolOverlays(c, tool, false); }});
    RedrawView();
}

TEST(MeasureToolsTest, MeasureValues)
{
    const struct {
        const char* name;
        double x1, y1, x2, y2, dx, dy, length, angle;
    } cases[] = {
        {"level", 0, 0, 10, 0, 10, 0, 10, 0},
        {"upright, downwards", 0, 0, 0, -5, 0, -5, 5, 270},
        {"one point twice", 3, 3, 3, 3, 0, 0, 0, 0},
        {"backwards", 5, 1, 0, 1, -5, 0, 5, 180},
        {"just above level", 0, 0, 100, 0.01, 100, 0.01, 100, 0.006},
        {"just below level", 0, 0, 100, -0.0011, 100, -0.0011, 100, 359.999},
        {"a whole turn once rounded", 0, 0, 1000, -0.0011, 1000, -0.0011, 1000, 0},
        {"halves away from zero", 0, 0, -1.23455, 2.00005, -1.2346, 2.0001, 2.3504, 121.685},
        {"the least negative half", 0, 0, -0.00005, 0, -0.0001, 0, 0.0001, 0},
        {"far from the origin", 2500, 10, 2503, 14, 3, 4, 5, 53.13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MeasureValues v = MeasureOf(c.x1, c.y1, c.x2, c.y2), back = MeasureOf(c.x2, c.y2, c.x1, c.y1);
        EXPECT_EQ((std::array{v.DX, v.DY, v.Length, v.Angle}), (std::array{c.dx, c.dy, c.length, c.angle}));
        // The other way round: the same figures with the other sign.
        EXPECT_EQ((std::array{back.DX, back.DY, back.Length}), (std::array{-c.dx + 0.0, -c.dy + 0.0, c.length}));
    }
}

TEST(MeasureToolsTest, DimensionRuler)
{
    using B = MouseButton;
    const struct {
        std::vector<B> clicks;
        double tick, angle;
    } settings[] = {
        {{B::Left}, 0.1, 0},   {{B::Left, B::Left, B::Left}, 0.01, 0},   {{B::Right}, 1.0, 0},
        {{B::Left, B::Left, B::Right}, 0.1, 0},   {{B::Left, B::Right, B::Right}, 1.0, 0},
        {{B::Middle, B::Middle, B::Middle}, 1.0, 135},   {std::vector<B>(7, B::Middle), 1.0, 315},
        {std::vector<B>(8, B::Middle), 1.0, 0},
    };
    for (const auto& c : settings) {
        SetDefaultToolSettings();
        for (B b : c.clicks) AdjustRulerSetting(b);
        EXPECT_EQ((std::array{RulerMinTick, RulerAngle}), (std::array{c.tick, c.angle})) << c.clicks.size();
    }
    SetDefaultToolSettings();

    // 50 × 5 graduations; marks of 3 every tenth, of 4 every fifth, else 2,
    // hanging from the top edge (y down the screen).
    const std::vector<core::DataElement> flat = DimensionRulerLines(0, 1.0);
    ASSERT_EQ(flat.size(), 53u);
    core::MyBox box = core::EmptyBox;
    std::multiset<double> marks;
    for (std::size_t k = 0; k < flat.size(); ++k) {
        core::GrowBox(box, flat[k].X1, flat[k].Y1);
        core::GrowBox(box, flat[k].X2, flat[k].Y2);
        if (k >= 4) marks.insert(flat[k].Y2 - flat[k].Y1);
    }
    EXPECT_EQ(box, (core::MyBox{-25, 25, -2.5, 2.5}));
    EXPECT_EQ((std::array{marks.count(3.0), marks.count(4.0), marks.count(2.0)}), (std::array<std::size_t, 3>{5, 4, 40}));
    EXPECT_EQ(flat[4].Y1, -2.5);
    // Right angles turn exactly: (x, y) -> (y, -x) on the screen per 90.
    const std::vector<core::DataElement> base = DimensionRulerLines(0, 0.1);
    for (const double angle : {90.0, 180.0, 270.0}) {
        const std::vector<core::DataElement> turned = DimensionRulerLines(angle, 0.1);
        for (std::size_t k = 0; k < base.size(); ++k) {
            double x1 = base[k].X1, y1 = base[k].Y1, x2 = base[k].X2, y2 = base[k].Y2;
            for (double a = 90; a <= angle; a += 90) {
                x1 = std::exchange(y1, -x1);
                x2 = std::exchange(y2, -x2);
            }
            EXPECT_EQ((std::array{turned[k].X1, turned[k].Y1, turned[k].X2, turned[k].Y2}),
                      (std::array{x1 + 0.0, y1 + 0.0, x2 + 0.0, y2 + 0.0}))
                << angle << " " << k;
        }
    }

    // The image: the ruler and 4 pixels, at most three pictures of 640 × 480.
    const struct {
        double angle, tick, scale;
        int width, height;
    } images[] = {
        {0, 1.0, 10, 504, 54}, {0, 0.1, 10, 54, 9}, {90, 1.0, 10, 54, 504}, {0, 1.0, 100, 1920, 1440}, {0, 0.01, 0, 4, 4},
    };
    platform::RasterCanvas image;
    for (const auto& c : images) {
        const Point centre = DrawDimensionRulerImage(image, c.angle, c.tick, c.scale, 640, 480);
        EXPECT_EQ((std::array{image.Width(), image.Height(), centre.x, centre.y}),
                  (std::array{c.width, c.height, c.width / 2, c.height / 2}))
            << c.angle << " " << c.tick << " " << c.scale;
    }
    // White on black: the top edge and the middle mark through the centre.
    const Point centre = DrawDimensionRulerImage(image, 0, 1.0, 10, 640, 480);
    EXPECT_EQ(image.Pixel(centre.x - 100, centre.y - 25), platform::RGB(255, 255, 255));
    EXPECT_EQ(image.Pixel(centre.x, centre.y), platform::RGB(255, 255, 255));
    EXPECT_EQ(image.Pixel(centre.x + 5, centre.y + 10), 0u);
}

// The tools' states set by hand over a view of 100 × 100 mm; every label
// 100 × 20 pixels.
class HandMadeToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewtest::ResetAll();
        viewtest::ShowLayer(1, platform::RGB(255, 0, 0));
        viewtest::FitTo(0, 100, 0, 100, 640, 640);
        StartTools(ToolButton::None);
    }
    void TearDown() override
    {
        StartTools(ToolButton::None);
        viewtest::ResetAll();
    }
    static platform::TextSize Size(const std::string&) { return {100, 20}; }
};

TEST_F(HandMadeToolsTest, Labels)
{
    MeasurePoints = {40, 30, 10, 10};
    MeasureStep = 2;
    ToolLabels l = LayoutToolLabels(ToolButton::Measure, false, Size);
    EXPECT_EQ((std::array{l.X.Text, l.Y.Text, l.L.Text}),
              (std::array<std::string, 3>{"⊿X = -30", "⊿Y = -20", "距離 = 36.0555\n角度 = 213.69°"}));
    // Two lines as wide as the wider and 20 more.
    EXPECT_EQ((std::array{l.L.Width, l.L.Height}), (std::array{120, 40}));
    MeasureStep = 1;
    l = LayoutToolLabels(ToolButton::Measure, false, Size);
    EXPECT_FALSE(l.X.Shown || l.Y.Shown || l.L.Shown);

    // Width and height to three decimals, only while the ruler is the tool.
    RectRulerRect = {10.12345, 22.4691, 5, 5.0004};
    RectRulerShown = true;
    l = LayoutToolLabels(ToolButton::Rect, false, Size);
    EXPECT_EQ((std::array{l.X.Text, l.Y.Text}), (std::array<std::string, 2>{" X = 12.346", " Y = 0"}));
    EXPECT_EQ(l.X.Top, At(0, 5.0004).y - 25);
    EXPECT_FALSE(LayoutToolLabels(ToolButton::Gap, false, Size).X.Shown);
    RectRulerShown = false;

    const struct {
        double gap, ax, ay, bx, by;
        const char* text;
        int dx, dy;   // from the middle of the line
    } gaps[] = {
        {0.8382, 10, 10, 30, 10, " Gap = 0.8382 ", -50, 20},   // level: under it, centred
        {5, 10, 10, 10, 30, " Gap = 5 ", 20, -10},             // upright: right of it
        {2, 10, 10, 30, 30, " Gap = 2 ", 20, 0},               // rising: right of the middle
        {2, 10, 30, 30, 10, " Gap = 2 ", 20, -20},             // falling: right of it and above
        {1200, 10, 10, 30, 10, " Gap = ∞ ", -50, 20},
        {core::FarAway, 10, 10, 30, 10, " Gap = ∞ ", -50, 20},
        {-0.0508, 10, 10, 30, 10, " Gap = -0.0508 ", -50, 20},
    };
    for (const auto& g : gaps) {
        GapState.Step = 2, GapState.Gap = g.gap;
        GapState.AX = g.ax, GapState.AY = g.ay, GapState.BX = g.bx, GapState.BY = g.by;
        l = LayoutToolLabels(ToolButton::Gap, false, Size);
        const Point s = At(g.ax, g.ay), e = At(g.bx, g.by);
        EXPECT_EQ(l.X.Text, g.text);
        EXPECT_EQ((std::array{l.X.Left, l.X.Top}), (std::array{s.x + (e.x - s.x) / 2 + g.dx, s.y + (e.y - s.y) / 2 + g.dy}))
            << g.text;
    }
    // Not while the view scrolls by itself and the line is left out.
    EXPECT_FALSE(LayoutToolLabels(ToolButton::Gap, true, Size).X.Shown);
}

TEST_F(HandMadeToolsTest, AGapWithoutAResultDrawsNoLine)
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
    StartTools(ToolButton::Gap);
    const std::vector<std::uint32_t> plain = Pixels();
    ASSERT_EQ(GapClickAt(At(0, 0).x, At(0, 0).y, MouseButton::Left, Picture()), GapSecondHint);
    SetViewZoom(true, 1500, 0, -200.0);
    RedrawView();
    const std::vector<std::uint32_t> far = Pixels();
    ASSERT_EQ(GapClickAt(At(1500, 0).x, At(1500, 0).y, MouseButton::Left, Picture()), GapDoneHint);
    EXPECT_EQ(GapState.Gap, 1499);
    EXPECT_FALSE(Overlays.Gap.OnScreen());
    EXPECT_TRUE(Pixels() == far);
    EXPECT_EQ(LayoutToolLabels(ToolButton::Gap, false, Size).X.Text, " Gap = ∞ ");
    // Nor does a redraw of a gap without a result whose points were never set.
    GapState.Gap = core::FarAway;
    GapState.AX = GapState.AY = GapState.BX = GapState.BY = 0;
    SetViewZoom(true, 0, 0, -200.0);
    RedrawView();
    EXPECT_FALSE(Overlays.Gap.OnScreen());
    EXPECT_TRUE(Pixels() == plain);
}

// -------------------------------------------------------- on a real board

const fs::path Board = fs::path(TESSEL2_CORPUS) / "cad" / "diptrace";

// The main board of the corpus: copper, masks, outline and holes shown,
// its grid built, in a picture of 800 × 600.
class MeasureBoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Board)) GTEST_SKIP() << "no corpus at " << Board;
        viewtest::ResetAll();
        core::Gauge gauge;
        core::MyBox all = core::EmptyBox;
        int layer = 0;
        for (const char* name : {"mainboard_Top.gbr", "mainboard_Bottom.gbr", "mainboard_TopMask.gbr", "mainboard_BottomMask.gbr",
                                 "mainboard_BoardOutline.gbr", "mainboard.drl"}) {
            core::MyDataValue v;
            const std::string path = (Board / name).string();
            ++layer;
            ASSERT_TRUE(layer == 6 ? core::ReadNcDrillFile(gauge, path, layer, v) : core::ReadGerberFile(gauge, path, layer, v))
                << name;
            viewtest::ShowLayer(layer, platform::RGB(40 * layer, 255 - 40 * layer, 0));
            core::GrowBox(all, {v.MinX, v.MaxX, v.MinY, v.MaxY});
        }
        viewtest::FitTo(all[0], all[1], all[2], all[3], 800, 600);
        core::SetGridView(core::Extents);
        ASSERT_TRUE(core::BuildElementGrid(gauge));
        for (int i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Layer == 1 && e.Kind == core::dkFlash) pads.push_back(i);
        }
    }
    void TearDown() override
    {
        StartTools(ToolButton::None);
        viewtest::ResetAll();
    }
    std::vector<int> pads;   // the flashes of the top copper
};

// The box of everything shown, from the elements: strokes of round
// apertures as their ends widened by half the width, pads by their
// aperture's width and height, holes by the tool's diameter text.
core::MyBox ShownBox()
{
    core::MyBox box = core::EmptyBox;
    for (int i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind == core::dkSection || core::LayerTable[static_cast<std::size_t>(e.Layer)].Active != 1) continue;
        const core::MyAperture& a = core::Apertures[static_cast<std::size_t>(std::clamp(e.Code, 0, 1999))];
        const bool oneSize = a.Shape == core::apCircle || a.Shape == core::apSquare;
        double w = a.Size1 / 2, h = (oneSize ? a.Size1 : a.Size2) / 2;
        if (e.Kind == core::dkLine) {
            EXPECT_EQ(a.Shape, core::apCircle) << i;
            core::GrowBox(box, std::min(e.X1, e.X2) - w, std::min(e.Y1, e.Y2) - w);
            core::GrowBox(box, std::max(e.X1, e.X2) + w, std::max(e.Y1, e.Y2) + w);
            continue;
        }
        if (e.Kind == core::dkDrill) w = h = platform::ParseRealPrefix(core::Tools[static_cast<std::size_t>(e.Code)].Diameter) / 2;
        else EXPECT_TRUE(e.Kind == core::dkFlash && (oneSize || a.Shape == core::apRectangle || a.Shape == core::apOval)) << i;
        core::GrowBox(box, e.X3 - w, e.Y3 - h);
        core::GrowBox(box, e.X3 + w, e.Y3 + h);
    }
    return box;
}

TEST_F(MeasureBoardTest, TheRectangleRulerOverTheWholeBoardIsItsBox)
{
    StartTools(ToolButton::Rect);
    const std::vector<std::uint32_t> plain = Pixels();
    const core::MyBox expected = ShownBox();
    // Dragged either way, on threads or not.
    for (const bool threads : {false, true}) {
        RectRulerClickAt(threads ? 799 : 0, 0, MouseButton::Left, Picture(), {});
        RectRulerClickAt(threads ? 0 : 799, 599, MouseButton::Left, Picture(), threads ? PoolRunner() : core::TaskRunner{});
        ASSERT_TRUE(RectRulerShown);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(RectRulerRect[k], expected[k], 1e-9) << k;
        EXPECT_EQ(Overlays.RectRuler.Figure(), RectRulerFigure(expected[0], expected[1], expected[2], expected[3]));
    }
    // A drag over nothing shows nothing and waits for a new first corner.
    RectRulerClickAt(2, 2, MouseButton::Left, Picture(), {});
    RectRulerClickAt(6, 6, MouseButton::Left, Picture(), {});
    EXPECT_FALSE(RectRulerShown);
    EXPECT_EQ(RectRulerStep, 0);
    EXPECT_TRUE(Pixels() == plain);
}

TEST_F(MeasureBoardTest, TheGapBetweenTwoPadsIsTheClearanceDrawnBetweenItsPoints)
{
    // The top copper alone; twenty pads each with the pad nearest to it
    // (apart, so that the pointer on either is on that pad alone), zoomed in
    // so that the two stand some 200 pixels apart.
    for (int l = 2; l <= 6; ++l) core::LayerTable[static_cast<std::size_t>(l)].Active = 0;
    StartTools(ToolButton::Gap);
    int measured = 0;
    for (std::size_t k = 0; k < pads.size() && measured < 20; k += pads.size() / 40) {
        const core::DataElement& p = core::Datas[static_cast<std::size_t>(pads[k])];
        int near = -1;
        double best = 1e9;
        for (int q : pads) {
            const core::DataElement& o = core::Datas[static_cast<std::size_t>(q)];
            if (const double d = std::hypot(o.X3 - p.X3, o.Y3 - p.Y3); d > 1e-6 && d < best) best = d, near = q;
        }
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        const double engine = core::GapBetween(pads[k], near, x1, y1, x2, y2);
        if (engine < 0.05) continue;
        const core::DataElement& o = core::Datas[static_cast<std::size_t>(near)];
        SCOPED_TRACE(::testing::Message() << "pads " << pads[k] << " and " << near);
        const double zoom = std::clamp(200.0 / (best * View.Scale / View.Zoom), 1.0, MaxZoom);
        SetViewZoom(true, (p.X3 + o.X3) / 2, (p.Y3 + o.Y3) / 2, -zoom);
        RedrawView();
        const std::vector<std::uint32_t> before = Pixels();
        EXPECT_EQ(GapClickAt(At(p.X3, p.Y3).x, At(p.X3, p.Y3).y, MouseButton::Left, Picture()), GapSecondHint);
        EXPECT_EQ(GapClickAt(At(o.X3, o.Y3).x, At(o.X3, o.Y3).y, MouseButton::Left, Picture()), GapDoneHint);
        ASSERT_EQ(GapState.Pair, (std::vector<std::int32_t>{pads[k], near})) << "the pads under the pointer";
        EXPECT_EQ(GapState.Gap, engine);
        EXPECT_EQ((std::array{GapState.AX, GapState.AY, GapState.BX, GapState.BY}), (std::array{x1, y1, x2, y2}));
        EXPECT_EQ(Overlays.Gap.Figure(), GapFigure(x1, y1, x2, y2));
        EXPECT_TRUE(Highlight.Visible);
        // The end on the first pad is on the picture: the outer pixel of its
        // circle, away from the line, is inverted.
        const Point ea = At(x1, y1), eb = At(x2, y2);
        ASSERT_GT(std::hypot(eb.x - ea.x, eb.y - ea.y), 2 * MarkerRadius + 2);
        const int side = eb.x >= ea.x ? -MarkerRadius : MarkerRadius;
        const std::size_t at = static_cast<std::size_t>(ea.y) * 800 + static_cast<std::size_t>(ea.x + side);
        EXPECT_EQ((Pixels()[at] ^ before[at]) & 0xFFFFFFu, 0xFFFFFFu);
        // Back to nothing chosen: the picture as it was.
        EXPECT_EQ(GapClickAt(0, 0, MouseButton::Right, Picture()), GapSecondHint);
        EXPECT_EQ(GapClickAt(0, 0, MouseButton::Right, Picture()), GapFirstHint);
        EXPECT_FALSE(Highlight.Visible);
        EXPECT_TRUE(Pixels() == before);
        ++measured;
    }
    EXPECT_EQ(measured, 20);
}

TEST_F(MeasureBoardTest, EveryToolLeavesThePictureAsItFoundIt)
{
    // A step: a click (left, right, middle), a pointer move, the next gap
    // candidate or a redraw, at a pixel or at the centre of a top pad.
    enum Kind { L, R, M, Move, Next, Redraw };
    struct Step {
        Kind kind;
        int x = 0, y = 0, pad = -1;
    };
    const struct {
        const char* name;
        ToolButton tool;
        std::vector<Step> steps;
    } cases[] = {
        {"measure", ToolButton::Measure,
         {{L, 300, 250}, {Move, 420, 330}, {Move, 500, 380}, {L, 500, 380}, {L, 350, 350}, {R}, {Move, 200, 200},
          {Redraw}, {R}, {R}}},
        {"measure on one point", ToolButton::Measure, {{L, 400, 300}, {L, 400, 300}, {Redraw}}},
        {"measure off the picture", ToolButton::Measure, {{L, 400, 300}, {Move, -40, 900}, {L, 790, 590}, {M, 10, 10}}},
        {"rectangle ruler", ToolButton::Rect,
         {{L, 250, 200}, {Move, 300, 260}, {Move, 450, 400}, {L, 450, 400}, {Redraw}, {L, 500, 300}, {Move, 380, 220},
          {R}, {L, 200, 150}, {R}}},
        {"rectangle over nothing", ToolButton::Rect, {{L, 2, 2}, {Move, 6, 7}, {L, 6, 7}}},
        {"gap", ToolButton::Gap,
         {{L, 0, 0, 5}, {L, 0, 0, 6}, {Next}, {Redraw}, {Next}, {R}, {Next}, {L, 0, 0, 40}, {L}, {R}, {R}, {R}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartTools(c.tool);
        const std::vector<std::uint32_t> plain = Pixels();
        bool drew = false;
        for (std::size_t k = 0; k <= c.steps.size(); ++k) {
            for (std::size_t s = 0; s < k; ++s) {
                const Step& step = c.steps[s];
                Point p{step.x, step.y};
                if (step.pad >= 0) {
                    const core::DataElement& pad = core::Datas[static_cast<std::size_t>(pads[static_cast<std::size_t>(step.pad)])];
                    p = At(pad.X3, pad.Y3);
                }
                const MouseButton b = step.kind == L ? MouseButton::Left : step.kind == R ? MouseButton::Right : MouseButton::Middle;
                if (step.kind == Move) TrackPointer(p.x, p.y, Picture());
                else if (step.kind == Next) NextGapCandidateStep(Picture());
                else if (step.kind == Redraw) RedrawView();
                else if (c.tool == ToolButton::Measure) MeasureClickAt(p.x, p.y, b, Picture());
                else if (c.tool == ToolButton::Rect) RectRulerClickAt(p.x, p.y, b, Picture(), {});
                else GapClickAt(p.x, p.y, b, Picture());
            }
            // What the steps drew is what a redraw draws from the state.
            const std::vector<std::uint32_t> drawn = Pixels();
            drew = drew || drawn != plain;
            RedrawView();
            ASSERT_TRUE(Pixels() == drawn) << "redrawn after step " << k;
            // Ending the tool erases it all; a second end, nothing more.
            for (int twice = 0; twice < 2; ++twice) {
                EndToolState(Picture());
                ASSERT_TRUE(Pixels() == plain) << "ended after step " << k;
            }
        }
        EXPECT_TRUE(drew);
    }
}

} // namespace
