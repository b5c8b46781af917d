#include "core/Clearance.h"

#include "BoardSamples.h"
#include "core/Geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

// Table rows name only the leading fields; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace core;
using namespace samples;

namespace {

constexpr double Pi = 3.14159265358979323846;

// ------------------------------------------------- an independent oracle

// What an element covers, as regions: points within `half` of a point, a
// segment or an arc, or inside a closed polygon.
struct Region {
    enum Type { Disc, Capsule, Band, Polygon } type;
    MyPoint a, b;                 // disc centre; segment ends; arc centre
    double r = 0, t0 = 0, sweep = 0, half = 0;
    MyPointArray poly;
};

double Len(MyPoint p, MyPoint q) { return std::hypot(p.x - q.x, p.y - q.y); }

double ToSegment(MyPoint p, MyPoint a, MyPoint b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return Len(p, {a.x + t * dx, a.y + t * dy});
}

MyPoint ArcAt(const Region& g, double t) { return {g.a.x + g.r * std::cos(t), g.a.y + g.r * std::sin(t)}; }

double ToArc(MyPoint p, const Region& g)
{
    double off = std::fmod(std::atan2(p.y - g.a.y, p.x - g.a.x) - g.t0, 2 * Pi);
    if (off < 0) off += 2 * Pi;
    if (off <= g.sweep) return std::fabs(Len(p, g.a) - g.r);
    return std::min(Len(p, ArcAt(g, g.t0)), Len(p, ArcAt(g, g.t0 + g.sweep)));
}

bool InsidePolygon(MyPoint p, const MyPointArray& poly)
{
    bool in = false;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
        const MyPoint a = poly[i], b = poly[i + 1];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
    }
    return in;
}

// Distance from p to the region (0 inside).
double ToRegion(MyPoint p, const Region& g)
{
    switch (g.type) {
    case Region::Disc: return std::max(0.0, Len(p, g.a) - g.r);
    case Region::Capsule: return std::max(0.0, ToSegment(p, g.a, g.b) - g.half);
    case Region::Band: return std::max(0.0, ToArc(p, g) - g.half);
    case Region::Polygon: {
        if (InsidePolygon(p, g.poly)) return 0.0;
        double best = 1e300;
        for (std::size_t i = 0; i + 1 < g.poly.size(); ++i) best = std::min(best, ToSegment(p, g.poly[i], g.poly[i + 1]));
        return best;
    }
    }
    return 1e300;
}

constexpr double Spacing = 0.003;

void SampleCircle(MyPoint c, double r, std::vector<MyPoint>& out)
{
    const int n = std::max(8, static_cast<int>(std::ceil(2 * Pi * r / Spacing)));
    for (int k = 0; k < n; ++k) out.push_back({c.x + r * std::cos(2 * Pi * k / n), c.y + r * std::sin(2 * Pi * k / n)});
}

void SampleSegment(MyPoint a, MyPoint b, std::vector<MyPoint>& out)
{
    const int n = static_cast<int>(std::ceil(Len(a, b) / Spacing)) + 1;
    for (int k = 0; k <= n; ++k) out.push_back({a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n});
}

// Dense points on the region's edge (and some inside it, which do no harm).
std::vector<MyPoint> EdgeSamples(const Region& g)
{
    std::vector<MyPoint> out;
    switch (g.type) {
    case Region::Disc: SampleCircle(g.a, g.r, out); break;
    case Region::Capsule: {
        const double l = Len(g.a, g.b);
        const MyPoint n = l > 0 ? MyPoint{-(g.b.y - g.a.y) / l * g.half, (g.b.x - g.a.x) / l * g.half} : MyPoint{0, 0};
        SampleSegment({g.a.x + n.x, g.a.y + n.y}, {g.b.x + n.x, g.b.y + n.y}, out);
        SampleSegment({g.a.x - n.x, g.a.y - n.y}, {g.b.x - n.x, g.b.y - n.y}, out);
        SampleCircle(g.a, g.half, out);
        SampleCircle(g.b, g.half, out);
        break;
    }
    case Region::Band:
        for (double rr : {g.r + g.half, g.r - g.half}) {
            if (rr <= 0) continue;
            const int n = static_cast<int>(std::ceil(rr * g.sweep / Spacing)) + 1;
            for (int k = 0; k <= n; ++k) {
                const double t = g.t0 + g.sweep * k / n;
                out.push_back({g.a.x + rr * std::cos(t), g.a.y + rr * std::sin(t)});
            }
        }
        SampleCircle(ArcAt(g, g.t0), g.half, out);
        SampleCircle(ArcAt(g, g.t0 + g.sweep), g.half, out);
        break;
    case Region::Polygon:
        for (std::size_t i = 0; i + 1 < g.poly.size(); ++i) SampleSegment(g.poly[i], g.poly[i + 1], out);
        break;
    }
    return out;
}

// The regions of an element, from the aperture and tool tables.
std::vector<Region> RegionsOf(const DataElement& e)
{
    std::vector<Region> out;
    auto disc = [&](MyPoint c, double r) { out.push_back({Region::Disc, c, {}, r}); };
    auto capsule = [&](MyPoint a, MyPoint b, double h) {
        Region g{Region::Capsule, a, b};
        g.half = h;
        out.push_back(g);
    };
    auto polygon = [&](MyPointArray poly) {
        Region g{Region::Polygon};
        g.poly = std::move(poly);
        out.push_back(g);
    };
    const MyAperture& ap = Apertures[static_cast<std::size_t>(e.Code)];
    switch (e.Kind) {
    case dkLine: capsule({e.X1, e.Y1}, {e.X2, e.Y2}, ap.Size1 / 2); break;
    case dkRegionLine: capsule({e.X1, e.Y1}, {e.X2, e.Y2}, 0); break;
    case dkSquareStroke: polygon({{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}, {e.X1, e.Y1}}); break;
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW: {
        const bool ccw = e.Kind == dkArcCCW || e.Kind == dkRegionArcCCW;
        const MyPoint s = ccw ? MyPoint{e.X1, e.Y1} : MyPoint{e.X2, e.Y2}, t = ccw ? MyPoint{e.X2, e.Y2} : MyPoint{e.X1, e.Y1};
        Region g{Region::Band, {e.X3, e.Y3}};
        g.r = e.X4;
        g.t0 = std::atan2(s.y - e.Y3, s.x - e.X3);
        g.sweep = std::fmod(std::atan2(t.y - e.Y3, t.x - e.X3) - g.t0 + 4 * Pi, 2 * Pi);
        g.half = e.Kind == dkArcCCW || e.Kind == dkArcCW ? ap.Size1 / 2 : 0;
        out.push_back(g);
        break;
    }
    case dkDrill: disc({e.X3, e.Y3}, std::stod(Tools[static_cast<std::size_t>(e.Code)].Diameter) / 2); break;
    case dkFlash: {
        const MyPoint f{e.X3, e.Y3};
        switch (ap.Shape) {
        case apCircle: disc(f, ap.Size1 / 2); break;
        case apThermal45:
        case apThermal90: disc(f, ap.Size2 / 2); break;
        case apSquare:
        case apRectangle: {
            const double hx = ap.Size1 / 2, hy = ap.Shape == apSquare ? hx : ap.Size2 / 2;
            polygon({{f.x - hx, f.y - hy}, {f.x + hx, f.y - hy}, {f.x + hx, f.y + hy}, {f.x - hx, f.y + hy}, {f.x - hx, f.y - hy}});
            break;
        }
        case apOval: {
            const double r = std::min(ap.Size1, ap.Size2) / 2, h = std::fabs(ap.Size1 - ap.Size2) / 2;
            const bool upright = ap.Size2 > ap.Size1;
            capsule({f.x - (upright ? 0 : h), f.y - (upright ? h : 0)}, {f.x + (upright ? 0 : h), f.y + (upright ? h : 0)}, r);
            break;
        }
        case apPolygon: {
            MyPointArray p;
            const int n = static_cast<int>(ap.Size2);
            for (int k = 0; k <= n; ++k) {
                const double a = ap.Size3 * Pi / 180 + 2 * Pi * (k % n) / n;
                p.push_back({f.x + ap.Size1 / 2 * std::cos(a), f.y + ap.Size1 / 2 * std::sin(a)});
            }
            polygon(p);
            break;
        }
        case apMacro:
            for (int k = ap.FirstPrimitive; k <= ap.LastPrimitive; ++k) {
                double cx, cy, r, half;
                int count;
                MyTwoPointArray hairs;
                MyPointArray poly;
                if (CirclePrimitiveGeometry(k, cx, cy, r, f.x, f.y)) {
                    disc({cx, cy}, r);
                } else if (MoirePrimitiveGeometry(k, cx, cy, count, hairs, half, r, f.x, f.y)) {
                    disc({cx, cy}, r);
                    for (const MyTwoPoint& h : hairs) capsule(h.a, h.b, half);
                } else {
                    MacroPrimitivePolygon(k, poly, f.x, f.y);
                    if (!poly.empty()) polygon(poly);
                }
            }
            break;
        }
        break;
    }
    default: break;
    }
    return out;
}

// The least distance between the two elements' regions (0 when they meet).
double OracleGap(const std::vector<Region>& a, const std::vector<Region>& b)
{
    double best = 1e300;
    for (const Region& ga : a)
        for (const Region& gb : b) {
            for (MyPoint p : EdgeSamples(ga)) best = std::min(best, ToRegion(p, gb));
            for (MyPoint p : EdgeSamples(gb)) best = std::min(best, ToRegion(p, ga));
        }
    return best;
}

double ToRegions(MyPoint p, const std::vector<Region>& regions)
{
    double best = 1e300;
    for (const Region& g : regions) best = std::min(best, ToRegion(p, g));
    return best;
}

bool Clamped(const DataElement& e) { return e.Kind != dkSquareStroke && e.Kind != dkDrill; }

class Clearance : public ::testing::Test {
protected:
    void SetUp() override { SetUpTables(); }
    void TearDown() override { ResetTables(); }

    static std::int64_t Add(const DataElement& e)
    {
        AppendElement(e);
        return DataCount - 1;
    }
};

// Random pairs of every class and every flash shape against the least
// distance between densely sampled outlines; both ways round.
TEST_F(Clearance, MatchesSampledOutlinesForEveryPairOfClasses)
{
    std::mt19937 rng(20240515);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int separate = 0, overlapping = 0;
    for (Class ca : Classes)
        for (Class cb : Classes)
            for (int round = 0; round < 24; ++round) {
                ResetTables();
                SetUpTables();
                const DataElement a = RandomElement(rng, ca, 0, 0, 1.5);
                const double angle = u(rng) * 2 * Pi, reach = 0.3 + u(rng) * 3.0;
                DataElement b = RandomElement(rng, cb, reach * std::cos(angle), reach * std::sin(angle), 1.5);
                const std::int64_t i = Add(a), j = Add(b);
                // Every flash shape in turn.
                if (ca == Class::Flash) Datas[0].Code = FlashCodes[static_cast<std::size_t>(round) % std::size(FlashCodes)];
                if (cb == Class::Flash) Datas[1].Code = FlashCodes[static_cast<std::size_t>(round * 5 + 3) % std::size(FlashCodes)];
                const DataElement& ea = Datas[static_cast<std::size_t>(i)];
                const DataElement& eb = Datas[static_cast<std::size_t>(j)];
                SCOPED_TRACE(testing::Message() << "kinds " << ea.Kind << "/" << ea.Code << " and " << eb.Kind << "/" << eb.Code
                                                << " round " << round);

                double x1 = -7, y1 = -7, x2 = -7, y2 = -7, u1 = -7, v1 = -7, u2 = -7, v2 = -7;
                const double gap = GapBetween(i, j, x1, y1, x2, y2);
                const double back = GapBetween(j, i, u1, v1, u2, v2);
                EXPECT_EQ(gap, back);
                EXPECT_EQ(x1, u2);
                EXPECT_EQ(y1, v2);
                EXPECT_EQ(x2, u1);
                EXPECT_EQ(y2, v1);
                ASSERT_LT(gap, FarAway);

                const std::vector<Region> ra = RegionsOf(ea), rb = RegionsOf(eb);
                const double oracle = OracleGap(ra, rb);
                if (oracle > 0.005) {
                    ++separate;
                    EXPECT_NEAR(gap, oracle, 0.001);
                    // Each point on its element, as far from the other as the
                    // gap: on the edges that face each other.
                    EXPECT_NEAR(Len({x1, y1}, {x2, y2}), gap, 0.001);
                    EXPECT_LT(ToRegions({x1, y1}, ra), 0.001);
                    EXPECT_LT(ToRegions({x2, y2}, rb), 0.001);
                    EXPECT_NEAR(ToRegions({x1, y1}, rb), gap, 0.001);
                    EXPECT_NEAR(ToRegions({x2, y2}, ra), gap, 0.001);
                } else if (oracle == 0) {
                    ++overlapping;
                    // Round figures that meet are 0 apart; a square-aperture
                    // stroke or a hole tells how deep they overlap.
                    if (Clamped(ea) && Clamped(eb)) EXPECT_EQ(gap, 0.0);
                    else EXPECT_LE(gap, 0.0);
                }
            }
    EXPECT_GT(separate, 600);
    EXPECT_GT(overlapping, 150);
}

struct Case {
    const char* what;
    std::vector<DataElement> elements;
    double gap;
    MyPoint a, b;   // expected gap points (not checked when gap is FarAway)
};

TEST_F(Clearance, CasesOfTheRules)
{
    DataElement marker;
    marker.Kind = dkSection;
    marker.Layer = 3;
    DataElement circle = Arc(dkArcCCW, dCircle, 0, 5, 1, 0, 1, 1);
    circle.Kind = dkCircleCCW;
    const Case cases[] = {
        {"parallel lines 1.0 apart, 0.25 wide", {Line(dCircle, 0, 0, 10, 0), Line(dCircle, 0, 1, 10, 1)}, 0.75, {0, 0.125}, {0, 0.875}},
        {"crossing lines", {Line(dCircle, 0, 0, 2, 2), Line(dCircle, 0, 2, 2, 0)}, 0, {1, 1}, {1, 1}},
        {"a region edge has no width", {RegionLine(0, 0, 10, 0), Line(dCircle, 0, 1, 10, 1)}, 0.875, {0, 0}, {0, 0.875}},
        {"a line through a hole overlaps", {Line(dCircle, -2, 0, 2, 0), Drill(1, 0, 0.1)}, -0.425, {0, 0.05}, {0, 0.05}},
        {"a pad and a hole 0.00004 apart", {Flash(dWide, 0, 0), Drill(1, 0.70004, 0)}, 0.0, {0.35002, 0}, {0.35002, 0}},
        {"two round pads 0.00004 apart", {Flash(dWide, 0, 0), Flash(dWide, 0.60004, 0)}, 0, {0.30002, 0}, {0.30002, 0}},
        {"a thermal counts to its outer edge", {Flash(dThermal, 0, 0), Drill(2, 1, 0)}, 0.2, {0.65, 0}, {0.85, 0}},
        // A macro primitive with its exposure off counts too.
        {"a square stroke against a macro pad", {Line(dSquare, -3, 0, -2, 0), Flash(dDot, 1, 0)}, 2.3, {-1.7, 0}, {0.6, 0}},
        {"a hole against a macro pad", {Drill(2, -1, 0), Flash(dDot, 0, 0)}, 0.45, {-0.85, 0}, {-0.4, 0}},
        {"a section marker", {marker, Flash(dCircle, 0, 0)}, FarAway, {}, {}},
        {"a full circle", {circle, Flash(dCircle, 0, 0)}, FarAway, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearElements();
        for (const DataElement& e : c.elements) AppendElement(e);
        double x1 = 11, y1 = 12, x2 = 13, y2 = 14;
        const double gap = GapBetween(0, 1, x1, y1, x2, y2);
        EXPECT_NEAR(gap, c.gap, 1e-9);
        if (c.gap == FarAway) {
            // No result: the points stay where the caller put them.
            EXPECT_EQ(x1, 11);
            EXPECT_EQ(y1, 12);
            EXPECT_EQ(x2, 13);
            EXPECT_EQ(y2, 14);
            continue;
        }
        EXPECT_NEAR(x1, c.a.x, 1e-4);
        EXPECT_NEAR(y1, c.a.y, 1e-4);
        EXPECT_NEAR(x2, c.b.x, 1e-4);
        EXPECT_NEAR(y2, c.b.y, 1e-4);
    }
}

} // namespace
