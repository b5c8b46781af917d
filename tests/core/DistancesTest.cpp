#include "core/Distances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

using namespace core;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2 * Pi;

MySegment Seg(double x1, double y1, double x2, double y2) { return {{x1, y1}, {x2, y2}}; }
double Len(MyPoint a, MyPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

// An arc given by its exact counter-clockwise angle interval [t0, t0 + sweep];
// a clockwise arc runs the other way over the same points.
struct TestArc {
    MyPoint c;
    double r, t0, sweep;
    bool ccw;
    MyPoint At(double t) const { return {c.x + r * std::cos(t), c.y + r * std::sin(t)}; }
    MyArc Arc() const
    {
        MyArc a;
        a.Ccw = ccw;
        a.Centre = c;
        a.Radius = r;
        a.Start = ccw ? At(t0) : At(t0 + sweep);
        a.End = ccw ? At(t0 + sweep) : At(t0);
        return a;
    }
};

// ------------------------------------------------------------ exact oracles

double ToSegment(MyPoint p, const MySegment& s)
{
    const double dx = s.End.x - s.Start.x, dy = s.End.y - s.Start.y;
    const double l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((p.x - s.Start.x) * dx + (p.y - s.Start.y) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return Len(p, {s.Start.x + t * dx, s.Start.y + t * dy});
}

double ToArc(MyPoint p, const TestArc& a)
{
    double off = std::atan2(p.y - a.c.y, p.x - a.c.x) - a.t0;
    off = std::fmod(off, TwoPi);
    if (off < 0) off += TwoPi;
    if (off <= a.sweep) return std::fabs(Len(p, a.c) - a.r);
    return std::min(Len(p, a.At(a.t0)), Len(p, a.At(a.t0 + a.sweep)));
}

bool InsideEvenOdd(MyPoint p, const MyPointArray& poly)
{
    bool in = false;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
        const MyPoint a = poly[i], b = poly[i + 1];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
    }
    return in;
}

double ToPolygonEdges(MyPoint p, const MyPointArray& poly)
{
    double best = 1e300;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) best = std::min(best, ToSegment(p, MySegment{poly[i], poly[i + 1]}));
    return best;
}

double ToPolygon(MyPoint p, const MyPointArray& poly) { return InsideEvenOdd(p, poly) ? 0.0 : ToPolygonEdges(p, poly); }

// ------------------------------------------------------------ dense samples

constexpr double Spacing = 0.0005;

void SampleSegment(const MySegment& s, std::vector<MyPoint>& out)
{
    const int n = static_cast<int>(std::ceil(Len(s.Start, s.End) / Spacing)) + 1;
    for (int i = 0; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        out.push_back({s.Start.x + t * (s.End.x - s.Start.x), s.Start.y + t * (s.End.y - s.Start.y)});
    }
}

std::vector<MyPoint> SamplesOf(const MySegment& s)
{
    std::vector<MyPoint> out;
    SampleSegment(s, out);
    return out;
}

std::vector<MyPoint> SamplesOf(const TestArc& a)
{
    std::vector<MyPoint> out;
    const int n = static_cast<int>(std::ceil(a.r * a.sweep / Spacing)) + 1;
    for (int i = 0; i <= n; ++i) out.push_back(a.At(a.t0 + a.sweep * i / n));
    return out;
}

std::vector<MyPoint> SamplesOf(const MyPointArray& poly)
{
    std::vector<MyPoint> out;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) SampleSegment(MySegment{poly[i], poly[i + 1]}, out);
    return out;
}

double MinOver(const std::vector<MyPoint>& samples, const std::function<double(MyPoint)>& to)
{
    double best = 1e300;
    for (MyPoint p : samples) best = std::min(best, to(p));
    return best;
}

// ------------------------------------------------------------ random figures

struct Figures {
    std::mt19937 rng{20261207};
    double U(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
    MyPoint Point() { return {U(-3, 3), U(-3, 3)}; }
    MySegment Segment() { return {Point(), Point()}; }
    // Arcs of elements sweep at most half a turn; every third one passes 0°.
    TestArc Arc()
    {
        TestArc a;
        a.c = Point();
        a.r = U(0.3, 3);
        a.sweep = U(0.05, Pi);
        a.t0 = (rng() % 3 == 0) ? TwoPi - U(0.01, a.sweep - 0.01) : U(0, TwoPi);
        a.ccw = rng() % 2 == 0;
        return a;
    }
    // A star-shaped polygon of 3 to 12 vertices, closed.
    MyPointArray Polygon()
    {
        const int n = 3 + static_cast<int>(rng() % 10);
        std::vector<double> angles;
        for (int i = 0; i < n; ++i) angles.push_back(U(0, TwoPi));
        std::sort(angles.begin(), angles.end());
        const MyPoint c = Point();
        MyPointArray poly;
        for (double a : angles) {
            const double r = U(0.2, 2);
            poly.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
        }
        poly.push_back(poly.front());
        return poly;
    }
    // The stored outline of a square-aperture stroke, as the reader makes it.
    MyPointArray SquareStroke()
    {
        const MyPoint s = Point(), e = Point();
        const double w = U(0.05, 1.5);
        const double th = std::atan2(e.y - s.y, e.x - s.x), r = w * 0.5 * 1.4142;
        auto at = [&](MyPoint o, double deg) { return MyPoint{o.x + r * std::cos(th + deg * Pi / 180), o.y + r * std::sin(th + deg * Pi / 180)}; };
        DataElement el;
        el.Kind = dkSquareStroke;
        const MyPoint p1 = at(s, 135), p2 = at(e, 45), p3 = at(e, -45), p4 = at(s, -135);
        el.X1 = p1.x, el.Y1 = p1.y, el.X2 = p2.x, el.Y2 = p2.y, el.X3 = p3.x, el.Y3 = p3.y, el.X4 = p4.x, el.Y4 = p4.y;
        ClearElements();
        AppendElement(el);
        std::array<MyPoint, 5> corners;
        EXPECT_TRUE(ElementCorners(0, corners));
        return MyPointArray(corners.begin(), corners.end());
    }
};

// Checks one distance result against the dense minimum: the value agrees, the
// two points lie on their figures and are that far apart.
void ExpectDistance(double d, MyPoint n1, MyPoint n2, double sampled, const std::function<double(MyPoint)>& to1,
                    const std::function<double(MyPoint)>& to2, int trial)
{
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    EXPECT_NEAR(d, sampled, 0.001);
    EXPECT_LT(to1(n1), 0.0005);
    EXPECT_LT(to2(n2), 0.0005);
    EXPECT_NEAR(Len(n1, n2), d, 0.0005);
}

constexpr int Trials = 60;

} // namespace

// ------------------------------------------------------------ small rules

TEST(DistancesRules, InRangeAndAngleOnArc)
{
    EXPECT_TRUE(InRange(5.0003, 1, 5));
    EXPECT_FALSE(InRange(5.0005, 5, 1));
    EXPECT_TRUE(InRange(0.9997, 5, 1));
    EXPECT_FALSE(InRange(0.9995, 1, 5));

    struct Case {
        bool ccw;
        double as, ae, a;
        bool on;
    } cases[] = {
        {true, 0, Pi / 2, 1.572, true},
        {true, 0, Pi / 2, 1.58, false},
        {false, Pi / 2, 0, Pi, false},
        {false, Pi / 2, 0, 7 * Pi / 4, false},
        {false, Pi / 2, 0, Pi / 4, true},
        // across 0°
        {true, 3 * Pi / 2, Pi / 4, 0.1, true},
        {true, 3 * Pi / 2, Pi / 4, Pi, false},
        {false, Pi / 4, 3 * Pi / 2, 0.1, true},
        {false, Pi / 4, 3 * Pi / 2, Pi, false},
        // the tolerance holds just before the start as well as past the end
        {true, 1.0, 2.0, 0.997, true},
        {true, 1.0, 2.0, 0.99, false},
        {false, 2.0, 1.0, 2.003, true},
        {false, 2.0, 1.0, 2.01, false},
        // equal angles: an arc of one point
        {true, 1.0, 1.0, 1.0, true},
        {true, 1.0, 1.0, 2.0, false},
        {false, 1.0, 1.0, 2.0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AngleOnArc(c.ccw, c.as, c.ae, c.a), c.on) << c.ccw << " " << c.as << " " << c.ae << " " << c.a;
}

TEST(DistancesRules, RotatePoint)
{
    struct Case {
        double angle, x, y;
    } cases[] = {{0, 3, 1}, {TwoPi, 3, 1}, {Pi / 2, 1, 3}, {Pi, -1, 1}, {3 * Pi / 2, 1, -1}, {Pi / 4, 1 + std::sqrt(2.0), 1 + std::sqrt(2.0)}};
    for (const Case& c : cases) {
        double x = 3, y = 1;
        RotatePoint(x, y, c.angle, 1, 1);
        EXPECT_NEAR(x, c.x, 1e-12) << c.angle;
        EXPECT_NEAR(y, c.y, 1e-12) << c.angle;
    }
}

TEST(DistancesRules, ArcBoundsAcrossZero)
{
    // Counter-clockwise from 300° to 60° about (1, 2), radius 2: passes 0°.
    TestArc t{{1, 2}, 2, 300 * Pi / 180, 120 * Pi / 180, true};
    MyBox box;
    ArcBounds(t.Arc(), box);
    EXPECT_NEAR(box[0], 2.0, 1e-9);   // min x: the ends at cos 60° = 0.5
    EXPECT_NEAR(box[1], 3.0, 1e-9);   // max x: angle 0 lies on the arc
    EXPECT_NEAR(box[2], 2 - std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(box[3], 2 + std::sqrt(3.0), 1e-9);
    // The same points read clockwise cover the rest of the circle.
    MyArc cw = t.Arc();
    cw.Ccw = false;
    ArcBounds(cw, box);
    EXPECT_NEAR(box[0], -1.0, 1e-9);
    EXPECT_NEAR(box[1], 2.0, 1e-9);
    EXPECT_NEAR(box[2], 0.0, 1e-9);
    EXPECT_NEAR(box[3], 4.0, 1e-9);
}

TEST(DistancesRules, GapEndPoints)
{
    struct Case {
        MyPoint a, b;
        double ha, hb;
        MyPoint ea, eb;
    } cases[] = {
        {{0, 0}, {1, 0}, 0.2, 0.3, {0.2, 0}, {0.7, 0}},
        {{0, 0}, {1, 0}, 0.5, 0.5, {0.5, 0}, {0.5, 0}},
        {{0, 0}, {1, 0}, 0.8, 0.5, {0.5, 0}, {0.5, 0}},
        {{0, 0}, {0, -2}, 0.5, 0.5, {0, -0.5}, {0, -1.5}},
        {{1, 1}, {1.0005, 1}, 0.2, 0.2, {1, 1}, {1.0005, 1}},   // closer than 0.001: untouched
    };
    for (const Case& c : cases) {
        MyPoint a = c.a, b = c.b;
        GapEndPoints(a, b, c.ha, c.hb);
        EXPECT_NEAR(a.x, c.ea.x, 1e-12);
        EXPECT_NEAR(a.y, c.ea.y, 1e-12);
        EXPECT_NEAR(b.x, c.eb.x, 1e-12);
        EXPECT_NEAR(b.y, c.eb.y, 1e-12);
    }
}

// ------------------------------------------------------------ outlines

MyAperture Ap(std::int32_t shape, double s1, double s2, double s3)
{
    MyAperture a;
    a.Shape = shape;
    a.Size1 = s1;
    a.Size2 = s2;
    a.Size3 = s3;
    return a;
}

class DistancesTables : public testing::Test {
protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }
};

TEST_F(DistancesTables, OvalCentres)
{
    Apertures[10] = Ap(apOval, 1.0, 3.0, 0);
    Apertures[11] = Ap(apOval, 3.0, 1.0, 0);
    Apertures[12] = Ap(apCircle, 1.0, 0, 0);
    MyPoint c1, c2;
    double r = -1;
    ASSERT_TRUE(OvalCentres(10, c1, r, c2, 5, 5));
    EXPECT_DOUBLE_EQ(r, 0.5);
    EXPECT_DOUBLE_EQ(c1.y, 4.0);
    EXPECT_DOUBLE_EQ(c2.y, 6.0);
    EXPECT_DOUBLE_EQ(c1.x, 5.0);
    ASSERT_TRUE(OvalCentres(11, c1, r, c2, 5, 5));
    EXPECT_DOUBLE_EQ(c1.x, 4.0);
    EXPECT_DOUBLE_EQ(c2.x, 6.0);
    EXPECT_FALSE(OvalCentres(12, c1, r, c2, 5, 5));
    EXPECT_FALSE(OvalCentres(-3, c1, r, c2, 5, 5));
    EXPECT_FALSE(OvalCentres(5000, c1, r, c2, 5, 5));
}

TEST_F(DistancesTables, ApertureOutline)
{
    Apertures[10] = Ap(apSquare, 2.0, 7.0, 0);
    Apertures[11] = Ap(apRectangle, 2.0, 4.0, 0);
    Apertures[12] = Ap(apPolygon, 2.0, 6.0, 30.0);
    Apertures[13] = Ap(apPolygon, 2.0, 1e9, 0);    // absurd vertex count
    Apertures[14] = Ap(apPolygon, 0.002, 6.0, 0);  // radius 0.001: too small
    Apertures[15] = Ap(apPolygon, 2.0, 2.9, 0);
    Apertures[16] = Ap(apCircle, 2.0, 0, 0);
    Apertures[17] = Ap(apPolygon, 2.0, 12.5, 0);
    Apertures[18] = Ap(apPolygon, 2.0, 13, 0);
    MyPointArray out;
    ASSERT_EQ(ApertureOutline(10, out, 1, 1), 5);
    EXPECT_DOUBLE_EQ(out[0].x, 0.0);
    EXPECT_DOUBLE_EQ(out[0].y, 2.0);
    EXPECT_DOUBLE_EQ(out[2].x, 2.0);
    EXPECT_DOUBLE_EQ(out[2].y, 0.0);
    ASSERT_EQ(ApertureOutline(11, out, 0, 0), 5);
    EXPECT_DOUBLE_EQ(out[1].y, 2.0);
    ASSERT_EQ(ApertureOutline(12, out, 0, 0), 7);
    ASSERT_EQ(out.size(), 7u);
    EXPECT_NEAR(out[0].x, std::cos(Pi / 6), 1e-12);
    EXPECT_NEAR(out[0].y, std::sin(Pi / 6), 1e-12);
    EXPECT_DOUBLE_EQ(out[6].x, out[0].x);
    EXPECT_EQ(ApertureOutline(17, out, 0, 0), 13);
    for (int d : {13, 14, 15, 16, 18, 0, -1, 2000}) {
        EXPECT_EQ(ApertureOutline(d, out, 0, 0), 0) << d;
        EXPECT_TRUE(out.empty());
    }
}

TEST_F(DistancesTables, ElementCornersChecksTheIndex)
{
    DataElement e;
    e.Kind = dkSquareStroke;
    e.X1 = 1, e.Y1 = 2, e.X2 = 3, e.Y2 = 4, e.X3 = 5, e.Y3 = 6, e.X4 = 7, e.Y4 = 8;
    AppendElement(e);
    std::array<MyPoint, 5> out;
    ASSERT_TRUE(ElementCorners(0, out));
    EXPECT_DOUBLE_EQ(out[3].x, 7.0);
    EXPECT_DOUBLE_EQ(out[4].y, 2.0);
    EXPECT_FALSE(ElementCorners(1, out));
    EXPECT_FALSE(ElementCorners(-1, out));
}

// ------------------------------------------------------------ intersections

TEST(DistancesIntersect, Segments)
{
    MyCrossPoints pts;
    ASSERT_EQ(IntersectSegments(Seg(0, 0, 10, 0), Seg(5, 0, 15, 0), pts), 2);
    EXPECT_NEAR(pts[0].x, 5, 1e-12);
    EXPECT_NEAR(pts[1].x, 10, 1e-12);
    EXPECT_EQ(IntersectSegments(Seg(0, 0, 10, 0), Seg(0, 1, 10, 1), pts), 0);
    EXPECT_EQ(IntersectSegments(Seg(0, 0, 10, 0), Seg(11, 0, 15, 0), pts), 0);
    ASSERT_EQ(IntersectSegments(Seg(0, 0, 4, 4), Seg(0, 4, 4, 0), pts), 1);
    EXPECT_NEAR(pts[0].x, 2, 1e-12);
    EXPECT_NEAR(pts[0].y, 2, 1e-12);
    ASSERT_EQ(IntersectSegments(Seg(0, 0, 10, 0), Seg(3, 5, 3, 0), pts), 1);   // T
    EXPECT_NEAR(pts[0].x, 3, 1e-12);
    EXPECT_EQ(IntersectSegments(Seg(0, 0, 10, 0), Seg(3, 5, 3, 0.001), pts), 0);
    // a shallow segment whose end stops short of the other's line by less
    // than the tolerance does not meet it far away
    EXPECT_EQ(IntersectSegments(Seg(0, 0, 10, 0), Seg(0, 0.0503, 5, 0.0003), pts), 0);
}

TEST(DistancesIntersect, SegmentArc)
{
    MyArc lower{true, {0, 0}, 1, {-1, 0}, {1, 0}};   // counter-clockwise from 180° to 360°
    MyCrossPoints pts;
    EXPECT_EQ(IntersectSegmentArc(Seg(-3, -2, 3, -2), lower, pts), 0);   // below the circle: no point
    EXPECT_EQ(IntersectSegmentArc(Seg(-3, 2, 3, 2), lower, pts), 0);
    ASSERT_EQ(IntersectSegmentArc(Seg(-3, -1, 3, -1), lower, pts), 1);   // tangent
    EXPECT_NEAR(pts[0].x, 0, 1e-12);
    EXPECT_NEAR(pts[0].y, -1, 1e-12);
    ASSERT_EQ(IntersectSegmentArc(Seg(-3, -0.6, 3, -0.6), lower, pts), 2);
    EXPECT_NEAR(std::fabs(pts[0].x), 0.8, 1e-12);
    EXPECT_NEAR(pts[0].x, -pts[1].x, 1e-12);
    EXPECT_EQ(IntersectSegmentArc(Seg(-3, 0.6, 3, 0.6), lower, pts), 0);   // the other half of the circle
    EXPECT_EQ(IntersectSegmentArc(Seg(0.5, -0.6, 3, -0.6), lower, pts), 1);
    // A large arc: a line crossing the circle 0.15 mm past its end is not on it.
    MyArc big{true, {0, 0}, 50, {50, 0}, {0, 50}};
    const double y = 50 * std::sin(-0.003);
    EXPECT_EQ(IntersectSegmentArc(Seg(40, y, 60, y), big, pts), 0);
}

TEST(DistancesIntersect, Arcs)
{
    MyCrossPoints pts;
    auto full = [](double cx, double cy, double r) {   // nearly a full turn, open at 90°
        MyArc a{true, {cx, cy}, r, {cx + r * std::cos(Pi / 2 + 0.05), cy + r * std::sin(Pi / 2 + 0.05)},
                {cx + r * std::cos(Pi / 2 - 0.05), cy + r * std::sin(Pi / 2 - 0.05)}};
        return a;
    };
    // Two tangent circles of radius 1 at centres 2 apart meet in one point.
    ASSERT_EQ(IntersectArcs(full(0, 0, 1), full(2, 0, 1), pts), 1);
    EXPECT_NEAR(pts[0].x, 1, 1e-12);
    EXPECT_NEAR(pts[0].y, 0, 1e-12);
    // Touching from inside, either circle first: the point is on both.
    ASSERT_EQ(IntersectArcs(full(0, 0, 2), full(1, 0, 1), pts), 1);
    EXPECT_NEAR(pts[0].x, 2, 1e-12);
    ASSERT_EQ(IntersectArcs(full(1, 0, 1), full(0, 0, 2), pts), 1);
    EXPECT_NEAR(pts[0].x, 2, 1e-12);
    EXPECT_NEAR(pts[0].y, 0, 1e-12);
    ASSERT_EQ(IntersectArcs(full(-1, 0, 1), full(0, 0, 2), pts), 1);
    EXPECT_NEAR(pts[0].x, -2, 1e-12);
    // Crossing circles.
    ASSERT_EQ(IntersectArcs(full(0, 0, 1), full(1, -0.5, 1), pts), 2);
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(Len(pts[k], {0, 0}), 1, 1e-12);
        EXPECT_NEAR(Len(pts[k], {1, -0.5}), 1, 1e-12);
    }
    // Apart or one inside the other: nothing.
    EXPECT_EQ(IntersectArcs(full(0, 0, 1), full(3, 0, 1), pts), 0);
    EXPECT_EQ(IntersectArcs(full(0, 0, 3), full(0.5, 0, 1), pts), 0);
    // One circle: the ends of the overlap.
    MyArc a1{true, {0, 0}, 1, {1, 0}, {-1, 0}};   // 0° to 180°
    MyArc a2{true, {0, 0}, 1, {0, 1}, {0, -1}};   // 90° to 270°
    ASSERT_EQ(IntersectArcs(a1, a2, pts), 2);
    EXPECT_NEAR(pts[0].x, -1, 1e-12);
    EXPECT_NEAR(pts[1].y, 1, 1e-12);
    MyArc a3{true, {0, 0}, 1.5, {0, 1.5}, {0, -1.5}};
    EXPECT_EQ(IntersectArcs(a1, a3, pts), 0);
}

// ------------------------------------------------------------ distances: rules

TEST(DistancesPoint, SegmentAnchorsByThirds)
{
    struct Case {
        MyPoint p;
        double d;
        MyPoint nearest, anchor;
    } cases[] = {
        {{2, 3}, 3, {2, 0}, {0, 0}},  {{5, 3}, 3, {5, 0}, {5, 0}},    {{7, 3}, 3, {7, 0}, {10, 0}},
        {{-3, 4}, 5, {0, 0}, {0, 0}}, {{13, -4}, 5, {10, 0}, {10, 0}},
    };
    for (const Case& c : cases) {
        MyPoint n, a;
        EXPECT_NEAR(PointSegmentDistance(c.p, Seg(0, 0, 10, 0), n, a), c.d, 1e-12);
        EXPECT_NEAR(n.x, c.nearest.x, 1e-12);
        EXPECT_NEAR(n.y, c.nearest.y, 1e-12);
        EXPECT_NEAR(a.x, c.anchor.x, 1e-12);
        EXPECT_NEAR(a.y, c.anchor.y, 1e-12);
    }
    // A segment of no length is a point.
    MyPoint n, a;
    EXPECT_NEAR(PointSegmentDistance({4, 5}, Seg(1, 1, 1, 1), n, a), 5, 1e-12);
}

TEST(DistancesPoint, Arc)
{
    // Clockwise from 90° to 0° about the origin, radius 2.
    MyArc cw{false, {0, 0}, 2, {0, 2}, {2, 0}};
    MyPoint n, a;
    EXPECT_NEAR(PointArcDistance({3, 3}, cw, n, a), std::hypot(3, 3) - 2, 1e-12);
    EXPECT_NEAR(a.x, std::sqrt(2.0), 1e-12);   // middle third
    // Just outside the sweep past the clockwise end: that end.
    EXPECT_NEAR(PointArcDistance({3, -0.5}, cw, n, a), std::hypot(1, 0.5), 1e-12);
    EXPECT_NEAR(n.x, 2, 1e-12);
    EXPECT_NEAR(n.y, 0, 1e-12);
    EXPECT_NEAR(a.x, 2, 1e-12);
    // Near the start (90°), in the first third of the clockwise sweep.
    PointArcDistance({0.1, 5}, cw, n, a);
    EXPECT_NEAR(a.y, 2, 1e-12);
    // Opposite the arc: the nearer end.
    EXPECT_NEAR(PointArcDistance({-1, -0.5}, cw, n, a), std::hypot(1, 2.5), 1e-12);
    EXPECT_NEAR(n.y, 2, 1e-12);
    // A tiny arc whose end angles are equal is a point, not its whole circle.
    MyArc tiny{true, {0, 0}, 1, {1, 0.0002}, {1, 0.0008}};
    EXPECT_GT(PointArcDistance({-1, 0}, tiny, n, a), 1.99);
}

TEST(DistancesPoint, Polygon)
{
    const MyPointArray square{{0, 0}, {0, 2}, {2, 2}, {2, 0}, {0, 0}};
    MyPoint q;
    EXPECT_EQ(PointPolygonDistance({1, 1}, square, q), 0.0);
    EXPECT_NEAR(PointPolygonDistance({3, 1}, square, q), 1, 1e-12);
    EXPECT_NEAR(q.x, 2, 1e-12);
    q = {7, 7};
    EXPECT_EQ(PointPolygonDistance({1, 1}, MyPointArray{{0, 0}, {0, 2}}, q), FarAway);
    EXPECT_EQ(q.x, 7);
    // The same square wound the other way, and a point inside a concave one.
    const MyPointArray reversed(square.rbegin(), square.rend());
    EXPECT_EQ(PointPolygonDistance({0.5, 1.5}, reversed, q), 0.0);
    const MyPointArray vee{{0, 0}, {2, 4}, {0, 1}, {-2, 4}, {0, 0}};
    EXPECT_EQ(PointPolygonDistance({1.1, 2.5}, vee, q), 0.0);
    EXPECT_GT(PointPolygonDistance({0, 3}, vee, q), 0.5);
}

TEST(DistancesPair, NearTangentLineUnderAnArc)
{
    MyArc lower{true, {0, 0}, 1, {-1, 0}, {1, 0}};
    MyPoint ns, na;
    EXPECT_NEAR(SegmentArcDistance(Seg(-10, -1.0002, 10, -1.0002), lower, ns, na), 0.0002, 1e-9);
    EXPECT_NEAR(na.y, -1, 1e-12);
    EXPECT_NEAR(ns.y, -1.0002, 1e-12);
}

TEST(DistancesPair, OverlappingCirclesWithArcsApartAreNotNegative)
{
    // Circles of radius 1 crossing by 0.0003; the arcs are small pieces
    // around the facing points and do not meet.
    const double d = 1.9997, h = 0.005;
    MyArc a1{true, {0, 0}, 1, {std::cos(-h), std::sin(-h)}, {std::cos(h), std::sin(h)}};
    MyArc a2{true, {d, 0}, 1, {d + std::cos(Pi - h), std::sin(Pi - h)}, {d + std::cos(Pi + h), std::sin(Pi + h)}};
    MyPoint n1, n2;
    const double got = ArcArcDistance(a1, a2, n1, n2);
    // About the gap between the ends at the same height.
    EXPECT_NEAR(got, 2 * std::cos(h) - d, 0.00001);
    EXPECT_NEAR(Len(n1, n2), got, 1e-6);
}

TEST(DistancesPair, NestedAndSeparateArcs)
{
    MyPoint n1, n2;
    MyArc big{true, {0, 0}, 3, {3 * std::cos(-0.1), 3 * std::sin(-0.1)}, {3 * std::cos(Pi + 0.1), 3 * std::sin(Pi + 0.1)}};
    MyArc small{true, {0, 1}, 1, {1, 1}, {-1, 1}};   // the upper half
    EXPECT_NEAR(ArcArcDistance(big, small, n1, n2), 1, 1e-9);
    EXPECT_NEAR(n1.y, 3, 1e-9);
    EXPECT_NEAR(n2.y, 2, 1e-9);
    EXPECT_NEAR(ArcArcDistance(small, big, n1, n2), 1, 1e-9);
    EXPECT_NEAR(n1.y, 2, 1e-9);
    EXPECT_NEAR(n2.y, 3, 1e-9);
    MyArc rightHalf{true, {0, 0}, 1, {0, -1}, {0, 1}};
    MyArc facing{false, {5, 0}, 1, {5, -1}, {5, 1}};   // clockwise through 180°
    MyArc away{true, {5, 0}, 1, {5, -1}, {5, 1}};      // counter-clockwise through 0°
    EXPECT_NEAR(ArcArcDistance(rightHalf, facing, n1, n2), 3, 1e-9);
    EXPECT_NEAR(n1.x, 1, 1e-9);
    EXPECT_NEAR(n2.x, 4, 1e-9);
    EXPECT_NEAR(ArcArcDistance(rightHalf, away, n1, n2), std::hypot(5, 1) - 1, 1e-9);
}

TEST(DistancesPair, BigArcEndIsNotStretched)
{
    // A line crossing the circle of a 50 mm arc just past its end: the gap
    // is to the end, not zero.
    MyArc big{true, {0, 0}, 50, {50, 0}, {0, 50}};
    const double a = -0.003;
    const MyPoint cross{50 * std::cos(a), 50 * std::sin(a)};
    const MySegment s{{cross.x - 1, cross.y}, {cross.x + 1, cross.y}};
    MyPoint ns, na;
    EXPECT_NEAR(SegmentArcDistance(s, big, ns, na), -cross.y, 1e-6);
    EXPECT_NEAR(na.x, 50, 1e-9);
}

// ------------------------------------------------------------ against brute force

TEST(DistancesBrute, PointToFigures)
{
    Figures f;
    for (int t = 0; t < 300; ++t) {
        const MyPoint p = f.Point();
        MyPoint n, a;
        const MySegment s = f.Segment();
        EXPECT_NEAR(PointSegmentDistance(p, s, n, a), ToSegment(p, s), 1e-9);
        EXPECT_NEAR(Len(p, n), ToSegment(p, s), 1e-9);
        const TestArc arc = f.Arc();
        const double d = PointArcDistance(p, arc.Arc(), n, a);
        EXPECT_NEAR(d, ToArc(p, arc), 1e-6) << t;
        EXPECT_LT(ToArc(n, arc), 1e-6);
        const MyPointArray poly = t % 2 ? f.Polygon() : f.SquareStroke();
        MyPoint q;
        EXPECT_NEAR(PointPolygonDistance(p, poly, q), ToPolygon(p, poly), 1e-9) << t;
    }
}

TEST(DistancesBrute, SegmentSegment)
{
    Figures f;
    for (int t = 0; t < Trials * 3; ++t) {
        const MySegment a = f.Segment(), b = f.Segment();
        auto toA = [&](MyPoint p) { return ToSegment(p, a); };
        auto toB = [&](MyPoint p) { return ToSegment(p, b); };
        MyPoint n1, n2;
        const double d = SegmentSegmentDistance(a, b, n1, n2);
        ExpectDistance(d, n1, n2, MinOver(SamplesOf(a), toB), toA, toB, t);
        MyCrossPoints pts;
        const int count = IntersectSegments(a, b, pts);
        for (int k = 0; k < count; ++k) {
            EXPECT_LT(toA(pts[k]), 0.0005);
            EXPECT_LT(toB(pts[k]), 0.0005);
        }
        if (d > 0.001) {
            EXPECT_EQ(count, 0);
        }
    }
}

TEST(DistancesBrute, SegmentArc)
{
    Figures f;
    int crossings = 0;
    for (int t = 0; t < Trials * 3; ++t) {
        const MySegment s = f.Segment();
        const TestArc arc = f.Arc();
        auto toS = [&](MyPoint p) { return ToSegment(p, s); };
        auto toA = [&](MyPoint p) { return ToArc(p, arc); };
        MyPoint ns, na;
        const double d = SegmentArcDistance(s, arc.Arc(), ns, na);
        ExpectDistance(d, ns, na, MinOver(SamplesOf(arc), toS), toS, toA, t);
        MyCrossPoints pts;
        const int count = IntersectSegmentArc(s, arc.Arc(), pts);
        crossings += count;
        for (int k = 0; k < count; ++k) {
            EXPECT_LT(toS(pts[k]), 0.0005);
            EXPECT_LT(toA(pts[k]), 0.0005);
        }
    }
    EXPECT_GT(crossings, 10);
}

TEST(DistancesBrute, ArcArc)
{
    Figures f;
    int crossings = 0;
    for (int t = 0; t < Trials * 3; ++t) {
        const TestArc a = f.Arc();
        TestArc b = f.Arc();
        if (t % 4 == 0) b.c = a.c;   // concentric
        if (t % 4 == 1) b.c = {a.c.x + f.U(-0.3, 0.3), a.c.y + f.U(-0.3, 0.3)};   // nearly nested
        auto toA = [&](MyPoint p) { return ToArc(p, a); };
        auto toB = [&](MyPoint p) { return ToArc(p, b); };
        MyPoint n1, n2;
        const double d = ArcArcDistance(a.Arc(), b.Arc(), n1, n2);
        ExpectDistance(d, n1, n2, MinOver(SamplesOf(a), toB), toA, toB, t);
        MyCrossPoints pts;
        const int count = IntersectArcs(a.Arc(), b.Arc(), pts);
        crossings += count;
        for (int k = 0; k < count; ++k) {
            EXPECT_LT(toA(pts[k]), 0.0005);
            EXPECT_LT(toB(pts[k]), 0.0005);
        }
    }
    EXPECT_GT(crossings, 5);
}

TEST(DistancesBrute, WithPolygons)
{
    Figures f;
    for (int t = 0; t < Trials * 2; ++t) {
        const MyPointArray poly = t % 2 ? f.Polygon() : f.SquareStroke();
        auto toP = [&](MyPoint p) { return ToPolygon(p, poly); };
        MyPoint n1, n2;

        const MySegment s = f.Segment();
        auto toS = [&](MyPoint p) { return ToSegment(p, s); };
        double d = SegmentPolygonDistance(s, poly, n1, n2);
        // The polygon is a filled shape: sampling the other figure is enough.
        ExpectDistance(d, n1, n2, MinOver(SamplesOf(s), toP), toS, toP, t);

        const TestArc arc = f.Arc();
        auto toA = [&](MyPoint p) { return ToArc(p, arc); };
        d = ArcPolygonDistance(arc.Arc(), poly, n1, n2);
        ExpectDistance(d, n1, n2, MinOver(SamplesOf(arc), toP), toA, toP, t);

        const MyPointArray other = t % 3 ? f.Polygon() : f.SquareStroke();
        auto toO = [&](MyPoint p) { return ToPolygon(p, other); };
        d = PolygonPolygonDistance(poly, other, n1, n2);
        // Either may lie inside the other.
        ExpectDistance(d, n1, n2, std::min(MinOver(SamplesOf(other), toP), MinOver(SamplesOf(poly), toO)), toP, toO, t);
    }
}

// A disc (a round flash or a hole) is measured as its centre less its radius.
TEST(DistancesBrute, Circles)
{
    Figures f;
    for (int t = 0; t < Trials * 2; ++t) {
        const TestArc circle{f.Point(), f.U(0.05, 1.5), 0, TwoPi, true};
        const std::vector<MyPoint> rim = SamplesOf(circle);
        auto check = [&](double centreDistance, const std::function<double(MyPoint)>& to) {
            const double sampled = MinOver(rim, to);
            if (centreDistance - circle.r > 0) {
                EXPECT_NEAR(centreDistance - circle.r, sampled, 0.001) << t;
            }
        };
        MyPoint n, a;
        const MySegment s = f.Segment();
        check(PointSegmentDistance(circle.c, s, n, a), [&](MyPoint p) { return ToSegment(p, s); });
        const TestArc arc = f.Arc();
        check(PointArcDistance(circle.c, arc.Arc(), n, a), [&](MyPoint p) { return ToArc(p, arc); });
        const MyPointArray poly = f.Polygon();
        check(PointPolygonDistance(circle.c, poly, n), [&](MyPoint p) { return ToPolygon(p, poly); });
        const TestArc other{f.Point(), f.U(0.05, 1.5), 0, TwoPi, true};
        check(Distance(circle.c.x, circle.c.y, other.c.x, other.c.y) - other.r,
              [&](MyPoint p) { return std::max(0.0, Len(p, other.c) - other.r); });
    }
}

// Figures on a coarse grid with a little jitter: many directions lie within
// the 0.001 snap of Direction.
TEST(DistancesBrute, NearlyAxisAligned)
{
    Figures f;
    auto grid = [&](double v) { return std::round(v * 2) / 2 + f.U(-0.0009, 0.0009); };
    auto jitter = [&](MyPoint p) { return MyPoint{grid(p.x), grid(p.y)}; };
    for (int t = 0; t < Trials * 3; ++t) {
        const MySegment s{jitter(f.Point()), jitter(f.Point())};
        TestArc a = f.Arc();
        a.c = jitter(a.c);
        a.r = std::round(a.r * 2) / 2 + 0.5;
        a.t0 = (t % 2 ? 0.0 : Pi / 2) + f.U(-0.0009, 0.0009) / a.r;
        if (a.t0 < 0) a.t0 += TwoPi;
        auto toS = [&](MyPoint p) { return ToSegment(p, s); };
        auto toA = [&](MyPoint p) { return ToArc(p, a); };
        MyPoint n1, n2;
        const double d = SegmentArcDistance(s, a.Arc(), n1, n2);
        ExpectDistance(d, n1, n2, MinOver(SamplesOf(a), toS), toS, toA, t);
        const MyPoint p = jitter(f.Point());
        MyPoint n, anchor;
        EXPECT_NEAR(PointArcDistance(p, a.Arc(), n, anchor), ToArc(p, a), 0.001) << t;
        EXPECT_NEAR(PointSegmentDistance(p, s, n, anchor), ToSegment(p, s), 1e-9) << t;
    }
}
