// Distances to the outlines of elements against densely sampled outlines,
// over the elements of the corpus boards and a set of every aperture shape;
// the snap points of each class in each mode.
#include "core/Distances.h"
#include "core/ElementGrid.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "core/TextHelpers.h"
#include "view/Picking.h"
#include "platform/Error.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <random>

namespace fs = std::filesystem;
using namespace mainwin;
using core::DataElement;
using core::MyPoint;

namespace {

constexpr double Pi = std::numbers::pi;
const fs::path Corpus = fs::path(TESSEL2_CORPUS);

// ------------------------------------------------------ sampled outlines

// Points along an outline, at most `step` apart, and whether the figure is
// one piece (its inside is the inside of that outline) or a union of parts.
struct Samples {
    std::vector<MyPoint> points;
    bool onePiece = true;
    void Arc(MyPoint c, double r, double from, double sweep, double step)
    {
        const int n = std::max(8, static_cast<int>(std::ceil(std::fabs(sweep) * r / step)));
        for (int k = 0; k <= n; ++k) points.push_back({c.x + r * std::cos(from + sweep * k / n), c.y + r * std::sin(from + sweep * k / n)});
    }
    void Segment(MyPoint a, MyPoint b, double step)
    {
        const int n = std::max(1, static_cast<int>(std::ceil(std::hypot(b.x - a.x, b.y - a.y) / step)));
        for (int k = 0; k <= n; ++k) points.push_back({a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n});
    }
    void Polygon(const std::vector<MyPoint>& closed, double step)
    {
        for (std::size_t i = 0; i + 1 < closed.size(); ++i) Segment(closed[i], closed[i + 1], step);
    }
    // A band of half width w about a segment, with round ends.
    void Capsule(MyPoint a, MyPoint b, double w, double step)
    {
        if (w <= 0) return Segment(a, b, step);
        const double t = std::atan2(b.y - a.y, b.x - a.x), nx = -std::sin(t) * w, ny = std::cos(t) * w;
        Segment({a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, step);
        Segment({a.x - nx, a.y - ny}, {b.x - nx, b.y - ny}, step);
        Arc(a, w, t + Pi / 2, Pi, step);
        Arc(b, w, t - Pi / 2, Pi, step);
    }
};

double HalfWidth(const DataElement& e)
{
    const core::MyAperture* a = core::ApertureAt(e.Code);
    return a ? a->Size1 / 2 : 0.0;
}

// The outline of an element drawn by hand from its definition; false when
// the element has none to compare (arcs thicker than their radius).
bool Outline(const DataElement& e, double step, Samples& s)
{
    const MyPoint p1{e.X1, e.Y1}, p2{e.X2, e.Y2}, c{e.X3, e.Y3};
    switch (e.Kind) {
    case core::dkLine:
    case core::dkRegionLine: s.Capsule(p1, p2, HalfWidth(e), step); return true;
    case core::dkSquareStroke: s.Polygon({p1, p2, c, {e.X4, e.Y4}, p1}, step); return true;
    case core::dkArcCCW:
    case core::dkArcCW:
    case core::dkRegionArcCCW:
    case core::dkRegionArcCW: {
        const double w = HalfWidth(e), r = e.X4;
        if (w >= r) return false;
        const double a1 = std::atan2(p1.y - c.y, p1.x - c.x), a2 = std::atan2(p2.y - c.y, p2.x - c.x);
        const bool ccw = e.Kind == core::dkArcCCW || e.Kind == core::dkRegionArcCCW;
        double sweep = ccw ? a2 - a1 : a1 - a2;
        while (sweep < 0) sweep += 2 * Pi;
        if (sweep < 1e-9) return false;   // an arc of one point
        const double signedSweep = ccw ? sweep : -sweep;
        s.Arc(c, r + w, a1, signedSweep, step);
        if (w > 0) {
            s.Arc(c, r - w, a1, signedSweep, step);
            // The round ends, away from the arc.
            const MyPoint e1{c.x + r * std::cos(a1), c.y + r * std::sin(a1)}, e2{c.x + r * std::cos(a1 + signedSweep), c.y + r * std::sin(a1 + signedSweep)};
            s.Arc(e1, w, a1, ccw ? -Pi : Pi, step);
            s.Arc(e2, w, a1 + signedSweep, ccw ? Pi : -Pi, step);
        }
        return true;
    }
    case core::dkDrill:
    case core::dkDrillList: {
        const core::MyTool* t = core::ToolAt(e.Code);
        s.Arc(c, t ? core::LeadingNumber(t->Diameter) / 2 : 0.0, 0, 2 * Pi, step);
        return true;
    }
    case core::dkFlash: break;
    default: return false;
    }
    const core::MyAperture* a = core::ApertureAt(e.Code);
    if (!a) return false;
    core::MyPointArray poly;
    switch (a->Shape) {
    case core::apCircle: s.Arc(c, a->Size1 / 2, 0, 2 * Pi, step); return true;
    case core::apThermal45:
    case core::apThermal90: s.Arc(c, a->Size2 / 2, 0, 2 * Pi, step); return true;
    case core::apSquare:
    case core::apRectangle:
    case core::apPolygon:
        core::ApertureOutline(e.Code, poly, c.x, c.y);
        s.Polygon(poly, step);
        return !poly.empty();
    case core::apOval: {
        MyPoint c1, c2;
        double r = 0;
        core::OvalCentres(e.Code, c1, r, c2, c.x, c.y);
        s.Capsule(c1, c2, r, step);
        return true;
    }
    case core::apMacro: break;
    default: return false;
    }
    // A macro: the outline of each primitive.
    s.onePiece = false;
    if (a->FirstPrimitive < 1 || a->LastPrimitive > core::MacroCount) return false;
    for (int k = a->FirstPrimitive; k <= a->LastPrimitive; ++k) {
        double cx = 0, cy = 0, r = 0, half = 0;
        int count = 0;
        core::MyTwoPointArray arms;
        if (core::CirclePrimitiveGeometry(k, cx, cy, r, c.x, c.y)) {
            s.Arc({cx, cy}, r, 0, 2 * Pi, step);
        } else if (core::MoirePrimitiveGeometry(k, cx, cy, count, arms, half, r, c.x, c.y)) {
            s.Arc({cx, cy}, r, 0, 2 * Pi, step);
            for (const core::MyTwoPoint& arm : arms) {
                s.Capsule({cx, cy}, arm.a, half, step);
                s.Capsule({cx, cy}, arm.b, half, step);
            }
        } else {
            core::MacroPrimitivePolygon(k, poly, c.x, c.y);
            s.Polygon(poly, step);
        }
    }
    return !s.points.empty();
}

// The least distance from q to the samples.
double Nearest(const Samples& s, MyPoint q)
{
    double best = 1e300;
    for (const MyPoint& p : s.points) best = std::min(best, std::hypot(p.x - q.x, p.y - q.y));
    return best;
}

bool LoadLayer(const fs::path& p, int layer)
{
    core::Gauge gauge;
    core::MyDataValue v;
    try {
        const bool ok = core::DetectFileType(p.string()) == core::fkNcDrill ? core::ReadNcDrillFile(gauge, p.string(), layer, v)
                                                                            : core::ReadGerberFile(gauge, p.string(), layer, v);
        if (!ok) return false;
    } catch (const platform::Error&) {
        return false;
    }
    core::LayerTable[static_cast<std::size_t>(layer)].Active = 1;
    core::LayerCount = layer;
    return true;
}

class PickingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewtest::ResetAll();
        SetDefaultToolSettings();
        work = fs::temp_directory_path() / ("tessel2-picking-" + std::to_string(std::random_device{}()));
        fs::create_directories(work);
        core::DataFolder = work.string();
    }
    void TearDown() override
    {
        viewtest::ResetAll();
        core::DataFolder.clear();
        fs::remove_all(work, ec);
    }
    std::error_code ec;
    fs::path work;
};

// Elements of every class and aperture shape on layer 1, with D-codes of
// their own (the boards read later define theirs).
constexpr int D = 1900;
void AddEveryShape()
{
    viewtest::ShowLayer(1, platform::RGB(255, 0, 0));
    viewtest::SetAperture(D, core::apCircle, 0.6);
    viewtest::SetAperture(D + 1, core::apSquare, 0.8);
    viewtest::SetAperture(D + 2, core::apRectangle, 1.2, 0.5);
    viewtest::SetAperture(D + 3, core::apOval, 0.6, 1.4);
    viewtest::SetAperture(D + 4, core::apOval, 1.4, 0.6);
    viewtest::SetAperture(D + 5, core::apPolygon, 1.0, 6, 15);
    viewtest::SetAperture(D + 6, core::apThermal45, 0.8, 1.6, 0.2);
    viewtest::SetAperture(D + 7, core::apCircle, 0);
    core::Tools[3].Diameter = "0.9";
    for (int k = 0; k <= 7; ++k) core::AppendElement(viewtest::Flash(1, D + k, (10 + k) * 3.0, 2.0));
    core::DataElement stroke;
    core::MakeStroke(stroke, D + 1, 1, 0, 1, 10, 6, 13);
    core::AppendElement(stroke);
    core::AppendElement(viewtest::Element(1, core::dkLine, D, 10, 10, 14, 12));
    core::AppendElement(viewtest::Element(1, core::dkLine, D + 7, 20, 10, 22, 10));   // no width
    for (int kind : {core::dkArcCCW, core::dkArcCW}) {
        DataElement arc;
        core::MakeArc(arc, kind, 1, 0, D, 32, 10, 30, 12, 30, 10, 2);
        core::AppendElement(arc);
    }
    DataElement hit = viewtest::Element(1, core::dkDrill, 3, 0, 0, 40, 20);
    core::AppendElement(hit);
    hit.Kind = core::dkDrillList;
    hit.X3 = 44;
    core::AppendElement(hit);
    viewtest::AddRegion(1, 50, 0, 52, 3);
}

TEST_F(PickingTest, DistancesAreToTheOutlineAsSampled)
{
    AddEveryShape();
    // The corpus boards with macros, arcs and drill files, after the shapes.
    int layer = 1;
    for (const char* f : {"cad/eagle-newer/copper_top.gbr", "cad/upverter/design_export.gbl", "cad/kicad-older/chibi_2024-F.Cu.gbr",
                          "cad/eagle-newer/drills.xln", "features/boards/ekf/l1.off"})
        if (fs::exists(Corpus / f) && LoadLayer(Corpus / f, layer + 1)) ++layer;
    if (core::MacroCount > 0) core::ParseMacroParams();
    core::MaxDCode = core::MarkUsedApertures(core::Apertures);

    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::map<int, int> checked;   // by kind (flash shapes apart)
    constexpr double Step = 0.002;
    const std::int32_t n = core::DataCount;
    // Every element of the shapes, a spread of the boards'.
    for (std::int32_t i = 0; i < n; i += i < 20 ? 1 : 1 + n / 1500) {
        const DataElement e = core::Datas[static_cast<std::size_t>(i)];
        Samples s;
        if (!Outline(e, Step, s)) continue;
        core::MyBox box = core::EmptyBox;
        for (const MyPoint& p : s.points) core::GrowBox(box, p.x, p.y);
        const core::MyAperture* ap = core::ApertureAt(e.Code);
        const int key = e.Kind == core::dkFlash && ap ? 1000 + ap->Shape : e.Kind;
        for (int k = 0; k < 6; ++k) {
            // Around the figure, and once at its centre.
            const MyPoint q = k == 0 ? MyPoint{e.X3, e.Y3}
                                     : MyPoint{box[0] - 0.7 + unit(random) * (box[1] - box[0] + 1.4), box[2] - 0.7 + unit(random) * (box[3] - box[2] + 1.4)};
            double nx = 0, ny = 0;
            const double signedDistance = SignedDistanceToPrimitive(e, nx, ny, q.x, q.y);
            // A union is measured from outside only: inside, its parts' edges cross it.
            if (!s.onePiece && signedDistance < 0) continue;
            const double d = DistanceToPrimitive(e, nx, ny, q.x, q.y);
            ASSERT_NEAR(d, Nearest(s, q), Step) << "element " << i << " kind " << e.Kind << " at " << q.x << ", " << q.y;
            // The nearest point is that far away and on the outline.
            ASSERT_NEAR(std::hypot(nx - q.x, ny - q.y), d, 1e-9) << i;
            ASSERT_LE(Nearest(s, {nx, ny}), Step) << i;
            ++checked[key];
        }
    }
    for (int key : std::initializer_list<int>{core::dkLine, core::dkRegionLine, core::dkSquareStroke, core::dkArcCCW, core::dkArcCW, core::dkDrill,
                    core::dkDrillList, 1000 + core::apCircle, 1000 + core::apSquare, 1000 + core::apRectangle, 1000 + core::apOval,
                    1000 + core::apPolygon, 1000 + core::apThermal45, 1000 + core::apMacro})
        EXPECT_GE(checked[key], 3) << "kind " << key;

    // No rule, no distance: full circles, section markers.
    double nx = 0, ny = 0;
    EXPECT_EQ(DistanceToPrimitive(viewtest::Element(1, core::dkCircleCCW, D, 0, 0, 1, 1), nx, ny, 3, 4), core::FarAway);
    EXPECT_EQ((std::array{nx, ny}), (std::array{3.0, 4.0}));
    // A macro aperture whose primitives were never read is far from everything.
    core::Apertures[20].Shape = core::apMacro;
    core::Apertures[20].FirstPrimitive = 5000, core::Apertures[20].LastPrimitive = 5001;
    EXPECT_EQ(DistanceToPrimitive(viewtest::Flash(1, 20, 0, 0), nx, ny, 0, 0), core::FarAway);
}

TEST_F(PickingTest, SnapPointsOfEachClassAndMode)
{
    AddEveryShape();
    auto at = [](int i) { return core::Datas[static_cast<std::size_t>(i)]; };
    struct Case {
        const char* what;
        int element;
        int mode;
        MyPoint pointer;
        bool found;
        MyPoint expected;
    } cases[] = {
        // Flashes: a circle at (30, 2), a square at (33, 2), a rectangle at (36, 2).
        {"circle, centre", 0, SnapCentrePoint, {30.2, 2.1}, true, {30, 2}},
        {"circle, outline", 0, SnapOutline, {30.1, 2.5}, true, {30, 2.3}},
        {"square, corner", 1, SnapOutline, {33.5, 1.5}, true, {33.4, 1.6}},
        {"rectangle, outline", 2, SnapOutline, {36, 2}, false, {}},
        {"oval, outline", 3, SnapOutline, {39, 2}, false, {}},
        {"circle, centre line", 0, SnapCentreLine, {30, 2}, false, {}},
        // The stroke from (1, 10) to (6, 13) with a 0.8 square.
        {"stroke, centre line start", 8, SnapCentreLine, {0.9, 9.9}, true, {1, 10}},
        {"stroke, centre line middle", 8, SnapCentreLine, {3.4, 11.6}, true, {3.5, 11.5}},
        {"stroke, centre point", 8, SnapCentrePoint, {1, 10}, false, {}},
        // The line (10, 10)–(14, 12), 0.6 wide: the cap tip beyond P2.
        {"line, centre line middle", 9, SnapCentreLine, {12.1, 11.2}, true, {12, 11}},
        {"line, cap tip", 9, SnapOutline, {14.6, 12.2}, true, {14 + 0.3 * 2 / std::sqrt(5.0), 12 + 0.3 / std::sqrt(5.0)}},
        // Arcs of radius 2 about (30, 10) from (32, 10) to (30, 12), 0.6 wide.
        {"ccw arc, quarter point", 11, SnapCentreLine, {30.1, 12.3}, true, {30, 12}},
        {"ccw arc, outer edge", 11, SnapOutline, {32.5, 10}, true, {32.3, 10}},
        {"ccw arc, inner edge", 11, SnapOutline, {31.6, 10}, true, {31.7, 10}},
        {"ccw arc, centre", 11, SnapCentrePoint, {31, 11}, true, {30, 10}},
        // Clockwise from (32, 10) to (30, 12) is the long way round: through 270°, 180°.
        {"cw arc, quarter point", 12, SnapCentreLine, {28.1, 10}, true, {28, 10}},
        {"ccw arc, no quarter at 180", 11, SnapCentreLine, {28.1, 10}, true, {30, 12}},
        // Drill hits of 0.9 at (40, 20) and (44, 20).
        {"drill, outline", 13, SnapOutline, {40, 20.6}, true, {40, 20.45}},
        {"drill, centre", 14, SnapCentrePoint, {44.3, 20}, true, {44, 20}},
        {"drill, centre line", 13, SnapCentreLine, {40, 20}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DataElement e = at(c.element);
        SnapModes.fill(SnapOff);
        SnapModes[static_cast<std::size_t>(SnapClassOf(e.Kind))] = c.mode;
        double sx = -1, sy = -1;
        ASSERT_EQ(SnapToPrimitive(e, sx, sy, c.pointer.x, c.pointer.y), c.found);
        if (!c.found) continue;
        EXPECT_NEAR(sx, c.expected.x, 1e-3);
        EXPECT_NEAR(sy, c.expected.y, 1e-3);
    }
    // An arc as thick as its radius offers its outer edge only.
    viewtest::SetAperture(D + 8, core::apCircle, 4.0);
    DataElement thick = at(11);
    thick.Code = D + 8;
    double sx = 0, sy = 0;
    ASSERT_TRUE(SnapArc(thick, SnapOutline, sx, sy, 30.5, 10.5));
    EXPECT_GE(std::hypot(sx - 30, sy - 10), 3.999);
    // Just outside a clockwise arc's end, that end is the nearest point.
    double nx = 0, ny = 0;
    const DataElement cw = at(12);
    PointToArcDistance(cw.Kind, nx, ny, cw.X1, cw.Y1, cw.X2, cw.Y2, cw.X3, cw.Y3, cw.X4, 32.05, 10.2);
    EXPECT_NEAR(nx, 32, 1e-9);
    EXPECT_NEAR(ny, 10, 1e-9);
    // Kinds without a class give nothing.
    EXPECT_FALSE(SnapToPrimitive(viewtest::Element(1, core::dkCircleCW, D, 0, 0, 1, 1), sx, sy, 0, 0));
}


// A small board of every class fitted to a picture, its grid built.
class PickRulesTest : public PickingTest {
protected:
    void SetUp() override
    {
        PickingTest::SetUp();
        AddEveryShape();
        // A wide line, 3 mm, along y = 30, and a 0.6 mm pad over its edge.
        viewtest::SetAperture(D + 9, core::apCircle, 3.0);
        wide = core::DataCount;
        core::AppendElement(viewtest::Element(1, core::dkLine, D + 9, 5, 30, 25, 30));
        onEdge = core::DataCount;
        core::AppendElement(viewtest::Flash(1, D, 10, 31.6));
        // Layer 2 hidden.
        viewtest::ShowLayer(2, platform::RGB(0, 255, 0));
        core::LayerTable[2].Active = 0;
        hidden = core::DataCount;
        core::AppendElement(viewtest::Flash(2, D, 35, 40));
        viewtest::FitTo(0, 55, 0, 45, 640, 480);
        core::SetGridView(core::Extents);
        // A 0.6 mm pad 0.15 mm short of a cell boundary at y = 40.
        boundary = std::ceil(16 + core::GridOriginX) - core::GridOriginX;
        pad = core::DataCount;
        core::AppendElement(viewtest::Flash(1, D, boundary - 0.45, 40));
        core::Gauge gauge;
        ASSERT_TRUE(core::BuildElementGrid(gauge));
    }
    // Picks at a data point, the view zoomed in about it so that its pixel
    // is within a few micrometres of it.
    int PickAt(double x, double y, MyInfoSet& picks)
    {
        SetViewZoom(true, x, y, -1000.0);
        int px = 0, py = 0;
        DataToScreen(x, y, px, py);
        return PickPrimitives(px, py, picks);
    }
    std::int32_t wide = 0, onEdge = 0, pad = 0, hidden = 0;
    double boundary = 0;
};

TEST_F(PickRulesTest, PicksWhatThePointerIsInOrNear)
{
    struct Case {
        const char* what;
        MyPoint at;
        std::vector<std::int32_t> picked;   // nearest first
    } cases[] = {
        {"deep inside a wide line", {15, 30.2}, {wide}},
        {"at a circle flash's centre", {30, 2}, {0}},
        {"0.4 mm right of a pad, in the next cell", {boundary + 0.25, 40}, {pad}},
        {"0.6 mm off it", {boundary + 0.45, 40}, {}},
        {"on a hidden layer", {35, 40}, {}},
        {"near a square flash", {33.6, 2}, {1}},
        // Inside the pad and just outside the line: the pad first.
        {"inside a pad on a line's edge", {10, 31.55}, {onEdge, wide}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MyInfoSet picks;
        const int n = PickAt(c.at.x, c.at.y, picks);
        EXPECT_EQ(n, static_cast<int>(c.picked.size()));
        EXPECT_EQ(picks.Items, c.picked);
        EXPECT_EQ(picks.Current, c.picked.empty() ? -1 : 0);
        // The nearest point of each outline, as far as its distance says; the nearest first.
        for (std::size_t i = 0; i < c.picked.size(); ++i) {
            EXPECT_NEAR(std::hypot(picks.PointX[i] - c.at.x, picks.PointY[i] - c.at.y), std::fabs(picks.Distance[i]), 0.01);
            if (i > 0) { EXPECT_LE(picks.Distance[i - 1], picks.Distance[i]); }
        }
    }

    // Switched-off classes are not picked.
    core::SelectKindFlags[4] = 0;
    MyInfoSet picks;
    EXPECT_EQ(PickAt(30, 2, picks), 0);
    EXPECT_EQ(picks.Current, -1);
    core::SelectKindFlags[4] = 1;

    // Outside the grid, also just left of it where a cut toward zero would
    // still find column 0: nothing, and the list stays as it was.
    ASSERT_EQ(PickAt(30, 2, picks), 1);
    const double left = -core::GridOriginX - 0.3;
    for (MyPoint p : {MyPoint{left, 10}, MyPoint{200, 10}}) {
        EXPECT_EQ(PickAt(p.x, p.y, picks), 0);
        EXPECT_EQ(picks.Count, 1);
        EXPECT_EQ(picks.Current, 0);
    }
    // No picture scale: no point to pick at.
    View.Scale = 0;
    EXPECT_EQ(PickPrimitives(10, 10, picks), 0);
}

TEST_F(PickRulesTest, SnapsToTheNearestElementOfTheClassesSnapping)
{
    constexpr int AllOff = -1;
    const struct {
        const char* what;
        int flashes;   // the flashes' mode, the other classes as set by default
        MyPoint pointer;
        int element;   // -1: none, the point left where it was
        MyPoint expected;
    } cases[] = {
        {"a little right of the pad, across a cell boundary: its centre", SnapCentrePoint, {boundary + 0.2, 40.1}, pad, {boundary - 0.45, 40}},
        {"an oval offers no point in outline mode", SnapOutline, {39.1, 2.2}, -1, {39.1, 2.2}},
        {"a circle four", SnapOutline, {30.05, 2.35}, 0, {30, 2.3}},
        {"every class off", AllOff, {30, 2}, -1, {30, 2}},
        {"outside the grid", SnapCentrePoint, {-core::GridOriginX - 0.3, 2}, -1, {-core::GridOriginX - 0.3, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetDefaultToolSettings();
        if (c.flashes == AllOff) SnapModes.fill(SnapOff);
        else SnapModes[SnapFlashes] = c.flashes;
        int element = -1;
        double x = c.pointer.x, y = c.pointer.y;
        ASSERT_EQ(FindMeasureSnap(element, x, y), c.element >= 0);
        if (c.element >= 0) { EXPECT_EQ(element, c.element); }
        EXPECT_NEAR(x, c.expected.x, 1e-12);
        EXPECT_NEAR(y, c.expected.y, 1e-12);
    }
}

} // namespace
