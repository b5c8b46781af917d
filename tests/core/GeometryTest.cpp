#include "core/Datas.h"
#include "core/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace core;

namespace {

constexpr double Pi = 3.14159265358979323846;

double Rad(double degrees) { return degrees * Pi / 180.0; }

// Even-odd containment; points on an edge are not relied upon.
bool Inside(const MyPointArray& poly, double x, double y)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const MyPoint& a = poly[i];
        const MyPoint& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

void ExpectBox(const MyBox& box, double minX, double maxX, double minY, double maxY, double tol = 1e-9)
{
    EXPECT_NEAR(box[0], minX, tol);
    EXPECT_NEAR(box[1], maxX, tol);
    EXPECT_NEAR(box[2], minY, tol);
    EXPECT_NEAR(box[3], maxY, tol);
}

void ExpectPoints(const MyPointArray& got, const std::vector<MyPoint>& want, double tol = 1e-9)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i].x, want[i].x, tol) << "point " << i;
        EXPECT_NEAR(got[i].y, want[i].y, tol) << "point " << i;
    }
}

DataElement Element(int kind, int code, double x1, double y1, double x2, double y2, double x3, double y3,
                    double x4 = 0, int layer = 1)
{
    DataElement e;
    e.Kind = kind;
    e.Code = code;
    e.Layer = layer;
    e.X1 = x1; e.Y1 = y1; e.X2 = x2; e.Y2 = y2; e.X3 = x3; e.Y3 = y3; e.X4 = x4;
    return e;
}

DataElement Arc(int kind, double startDeg, double endDeg, double r = 1, double cx = 0, double cy = 0, int code = 0)
{
    return Element(kind, code, cx + r * std::cos(Rad(startDeg)), cy + r * std::sin(Rad(startDeg)),
                   cx + r * std::cos(Rad(endDeg)), cy + r * std::sin(Rad(endDeg)), cx, cy, r);
}

class Geometry : public ::testing::Test {
protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }

    // One macro primitive from its text, values parsed as the open command does.
    static int Primitive(const std::string& text)
    {
        MyMacro m;
        m.Text = text;
        Macros.push_back(m);
        MacroCount = static_cast<std::int32_t>(Macros.size()) - 1;
        ParseMacroParams();
        return MacroCount;
    }

    static MyPointArray Outline(const std::string& text, double fx = 0, double fy = 0)
    {
        const int k = Primitive(text);
        MyPointArray out{{99, 99}, {98, 98}};   // never handed back as it was
        MacroPrimitivePolygon(k, out, fx, fy);
        return out;
    }

    static void Define(int d, std::int32_t shape, double s1, double s2 = 0, double s3 = 0)
    {
        MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        a.Shape = shape;
        a.Size1 = s1;
        a.Size2 = s2;
        a.Size3 = s3;
    }
};

} // namespace

TEST(Distance, Table)
{
    struct Case { double x1, y1, x2, y2, d; };
    const Case cases[] = {
        {0, 0, 3, 4, 5},
        {0, 0, 2000.5, 0, 2000},      // beyond 2000: far away
        {0, 2000.5, 0, 0, 2000},
        {-2500, 0, 0, 0, 2500},       // below -2000 is not tested
        {1, 1, 1 + 5e-13, 1 + 5e-13, 0},
        {0, 0, 1e-13, 2, 2},
        {0, 0, -3, 1e-13, 3},
        {2000, 0, -2000, 0, 4000},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(Distance(c.x1, c.y1, c.x2, c.y2), c.d);
}

TEST(Direction, Table)
{
    struct Case { double x1, y1, x2, y2, angle; };
    const Case cases[] = {
        {0, 0, 0.0005, 1, Pi / 2},     // within 0.001 of vertical
        {0, 0, -1, 0.0009, Pi},        // within 0.001 of horizontal
        {3, 4, 3, 4, 0},
        {0, 0, 1, -1, 7 * Pi / 4},
        {0, 0, 1, 1, Pi / 4},
        {0, 0, -1, 1, 3 * Pi / 4},
        {0, 0, -1, -1, 5 * Pi / 4},
        {0, 0, 0, -1, 3 * Pi / 2},
        {0, 0, 1, 0.001, 0},
        {0, 0, 2, 0, 0},
        {5, 5, 5 + std::sqrt(3.0), 6, Pi / 6},
    };
    for (const Case& c : cases) {
        const double a = Direction(c.x1, c.y1, c.x2, c.y2);
        EXPECT_NEAR(a, c.angle, 1e-12) << c.x2 << "," << c.y2;
        EXPECT_GE(a, 0);
        EXPECT_LT(a, 2 * Pi);
    }
    EXPECT_EQ(Direction(0, 0, 0.0005, 1), Pi / 2);
    EXPECT_EQ(Direction(0, 0, -1, 0.0009), Pi);
}

TEST(ArcSweep, Table)
{
    struct Case { const char* dir; double startDeg, endDeg, sweep; };
    const Case cases[] = {
        {"CCW", 0, 90, 90},
        {"CW", 0, 90, 270},
        {"CCW", 90, 0, 270},
        {"CW", 90, 0, 90},
        {"CCW", 350, 10, 20},      // across 0 degrees
        {"CW", 10, 350, 20},
        {"CCW", 10, 350, 340},
        {"CCW", 45, 45, 360},      // start = end: a full turn
        {"CW", 200, 200, 360},
        {"CCW", 180, 0, 180},
    };
    for (const Case& c : cases) {
        const double sweep = ArcSweep(c.dir, std::cos(Rad(c.startDeg)) * 2 + 1, std::sin(Rad(c.startDeg)) * 2 - 1,
                                      std::cos(Rad(c.endDeg)) * 2 + 1, std::sin(Rad(c.endDeg)) * 2 - 1, 1, -1);
        EXPECT_NEAR(sweep, c.sweep, 1e-9) << c.dir << " " << c.startDeg << " -> " << c.endDeg;
    }
}

TEST(ArcMidPoint, Table)
{
    struct Case { int kind; double startDeg, endDeg, midDeg; };
    const Case cases[] = {
        {dkArcCCW, 0, 90, 45},
        {dkArcCCW, 315, 45, 0},          // across 0 degrees
        {dkRegionArcCCW, 170, 190, 180},
        {dkArcCW, 90, 0, 45},
        {dkArcCW, 45, 315, 0},           // across 0 degrees
        {dkRegionArcCW, 10, 350, 0},
        {dkArcCW, 0, 90, 225},           // three quarters clockwise
        {dkLine, 30, 60, 0},             // not an arc: angle 0
    };
    for (const Case& c : cases) {
        double x = 0, y = 0;
        DataElement e = Arc(c.kind, c.startDeg, c.endDeg, 2, 1, 1);
        ArcMidPoint(c.kind, x, y, 2, 1, 1, e.X1, e.Y1, e.X2, e.Y2);
        EXPECT_NEAR(x, 1 + 2 * std::cos(Rad(c.midDeg)), 1e-9) << c.kind << " " << c.startDeg;
        EXPECT_NEAR(y, 1 + 2 * std::sin(Rad(c.midDeg)), 1e-9) << c.kind << " " << c.startDeg;
        MarkerArcMidPoint(c.kind, x, y, 2, 1, 1, e.X1, e.Y1, e.X2, e.Y2);
        EXPECT_NEAR(x, 1 + 2 * std::cos(Rad(c.midDeg)), 1e-9) << c.kind << " " << c.startDeg;
        EXPECT_NEAR(y, 1 + 2 * std::sin(Rad(c.midDeg)), 1e-9) << c.kind << " " << c.startDeg;
    }
}

TEST(ArcMidPoint, NearlyClosedArcIsAFullCircle)
{
    // Start and end angles 0.003 rad apart count as a full circle: the middle is opposite the start.
    const double a1 = 0.5, a2 = 0.503;
    const double sx = std::cos(a1), sy = std::sin(a1), ex = std::cos(a2), ey = std::sin(a2);
    double x = 0, y = 0;
    ArcMidPoint(dkArcCCW, x, y, 1, 0, 0, sx, sy, ex, ey);
    EXPECT_NEAR(x, -sx, 1e-9);
    EXPECT_NEAR(y, -sy, 1e-9);
    // The marker takes the arc as it is: its middle lies by the start.
    MarkerArcMidPoint(dkArcCCW, x, y, 1, 0, 0, sx, sy, ex, ey);
    EXPECT_NEAR(x, sx, 0.002);
    EXPECT_NEAR(y, sy, 0.002);
    // Equal angles give the start point itself.
    MarkerArcMidPoint(dkArcCW, x, y, 1, 0, 0, sx, sy, sx, sy);
    EXPECT_NEAR(x, sx, 1e-12);
    EXPECT_NEAR(y, sy, 1e-12);
}

TEST(StrokeOutline, CircumscribesTheRoundedStroke)
{
    struct Case { double w, px, py, qx, qy; };
    const Case cases[] = {{1, 0, 0, 10, 0}, {0.3, 1, 2, 4, 6}, {2, 5, 5, -3, 5}, {0.5, 2, 2, 2, 2}};
    for (const Case& c : cases) {
        std::array<MyPoint, 17> pts{};
        StrokeOutline(pts, c.w, c.px, c.py, c.qx, c.qy);
        EXPECT_EQ(pts[16].x, pts[0].x);
        EXPECT_EQ(pts[16].y, pts[0].y);
        const MyPointArray poly(pts.begin(), pts.end());
        const double r = c.w * 0.5 / std::cos(Pi / 16);
        // Every vertex lies at R from its end point; the first eight round Q.
        for (int i = 0; i < 8; ++i) EXPECT_NEAR(std::hypot(pts[i].x - c.qx, pts[i].y - c.qy), r, 1e-9);
        for (int i = 8; i < 16; ++i) EXPECT_NEAR(std::hypot(pts[i].x - c.px, pts[i].y - c.py), r, 1e-9);
        // Every edge touches the true outline or lies outside it ...
        for (int i = 0; i < 16; ++i) {
            const double mx = (pts[i].x + pts[i + 1].x) / 2, my = (pts[i].y + pts[i + 1].y) / 2;
            EXPECT_GE(SegmentDistance(mx, my, c.px, c.py, c.qx, c.qy), c.w / 2 - 1e-9) << i;
        }
        // ... and sampled points of the stroke lie inside.
        for (int s = 0; s < 64; ++s) {
            const double a = 2 * Pi * s / 64;
            for (double t : {0.0, 0.5, 1.0}) {
                const double x = c.px + (c.qx - c.px) * t + 0.499 * c.w * std::cos(a);
                const double y = c.py + (c.qy - c.py) * t + 0.499 * c.w * std::sin(a);
                EXPECT_TRUE(Inside(poly, x, y)) << c.w << " " << s << " " << t;
            }
        }
    }
}

TEST_F(Geometry, CenterLineRectangleRotatesAboutTheFlash)
{
    // 2 x 1 centred 3 to the right, turned 90 degrees about the flash at (10, 20).
    const MyPointArray out = Outline("21,1,2,1,3,0,90", 10, 20);
    ExpectPoints(out, {{9.5, 22}, {9.5, 24}, {10.5, 24}, {10.5, 22}, {9.5, 22}});
    EXPECT_TRUE(Inside(out, 10, 23));
    EXPECT_FALSE(Inside(out, 13, 20));

    // 30 degrees: sampled points of the turned rectangle.
    const MyPointArray turned = Outline("21,1,4,2,0,0,30", 1, 1);
    ASSERT_EQ(turned.size(), 5u);
    for (double u : {-1.9, 0.0, 1.9})
        for (double v : {-0.9, 0.0, 0.9}) {
            const double x = 1 + u * std::cos(Rad(30)) - v * std::sin(Rad(30));
            const double y = 1 + u * std::sin(Rad(30)) + v * std::cos(Rad(30));
            EXPECT_TRUE(Inside(turned, x, y)) << u << "," << v;
        }
    EXPECT_FALSE(Inside(turned, 1 + 2.1 * std::cos(Rad(30)), 1 + 2.1 * std::sin(Rad(30))));
}

TEST_F(Geometry, LowerLeftRectangle)
{
    ExpectPoints(Outline("22,1,2,1,-1,-0.5,0", 5, 5), {{4, 5.5}, {6, 5.5}, {6, 4.5}, {4, 4.5}, {4, 5.5}});
    // Turned 180 degrees about the flash.
    ExpectPoints(Outline("22,1,2,1,0,0,180"), {{0, -1}, {-2, -1}, {-2, 0}, {0, 0}, {0, -1}});
}

TEST_F(Geometry, VectorLine)
{
    // Width 0.5 from (0, 0) to (2, 0), without a rotation field.
    const MyPointArray flat = Outline("2,1,0.5,0,0,2,0", 1, 1);
    ExpectPoints(flat, {{1, 1.25}, {3, 1.25}, {3, 0.75}, {1, 0.75}, {1, 1.25}});
    // The same turned 90 degrees: it now runs up from the flash.
    const MyPointArray up = Outline("20,1,0.5,0,0,2,0,90", 1, 1);
    EXPECT_TRUE(Inside(up, 1, 2));
    EXPECT_TRUE(Inside(up, 1.24, 2.99));
    EXPECT_FALSE(Inside(up, 1.26, 2));
    EXPECT_FALSE(Inside(up, 3, 1));
}

TEST_F(Geometry, OutlinePrimitive)
{
    // A triangle: three vertices, the closing point of its own list, rotation 0.
    ExpectPoints(Outline("4,1,3,0,0,1,0,0,1,0,0,0", 2, 3), {{2, 3}, {3, 3}, {2, 4}, {2, 3}});
    // Rotation 90 about the flash.
    ExpectPoints(Outline("4,1,3,0,0,1,0,0,1,0,0,90"), {{0, 0}, {0, 1}, {-1, 0}, {0, 0}});
    // A count larger than the points present takes only the points present.
    const MyPointArray clamped = Outline("4,1,1000000,0,0,1,0,0,1,0,0,0");
    EXPECT_LE(clamped.size(), 5u);
    EXPECT_GE(clamped.size(), 4u);
    EXPECT_TRUE(Inside(clamped, 0.2, 0.2));
    // Fewer than three points, a negative or absurd count: no outline, never the previous one.
    EXPECT_TRUE(Outline("4,1,3,0,0,1,0,0").empty());
    EXPECT_TRUE(Outline("4,1,2,0,0,1,0,0,0,0").empty());
    EXPECT_TRUE(Outline("4,1,-3,0,0,1,0,0,1,0,0,0").empty());
    EXPECT_TRUE(Outline("4,1,nan,0,0,1,0,0,1,0,0,0").empty());
}

TEST_F(Geometry, OutlineWithManyVertices)
{
    // 64 vertices on a circle of radius 2: more values than the classic 104.
    std::string text = "4,1,64";
    for (int i = 0; i <= 64; ++i) {
        const double a = 2 * Pi * (i % 64) / 64;
        text += "," + std::to_string(2 * std::cos(a)) + "," + std::to_string(2 * std::sin(a));
    }
    text += ",0";
    const MyPointArray out = Outline(text, 1, 1);
    ASSERT_EQ(out.size(), 65u);
    for (const MyPoint& p : out) EXPECT_NEAR(std::hypot(p.x - 1, p.y - 1), 2, 1e-5);
    EXPECT_TRUE(Inside(out, 2.9, 1));
    EXPECT_FALSE(Inside(out, 3.1, 1));
}

TEST_F(Geometry, PolygonPrimitive)
{
    // Six vertices on a diameter of 2 around the flash, the first at the rotation angle.
    const MyPointArray hex = Outline("5,1,6,0,0,2,0", 3, 4);
    ASSERT_EQ(hex.size(), 7u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(hex[static_cast<std::size_t>(i)].x, 3 + std::cos(Rad(60.0 * i)), 1e-12);
        EXPECT_NEAR(hex[static_cast<std::size_t>(i)].y, 4 + std::sin(Rad(60.0 * i)), 1e-12);
    }
    EXPECT_EQ(hex[6].x, hex[0].x);
    // A centre offset turns with the rotation about the flash point.
    const MyPointArray square = Outline("5,1,4,1,0,2,90");
    ASSERT_EQ(square.size(), 5u);
    EXPECT_NEAR(square[0].x, 0, 1e-12);
    EXPECT_NEAR(square[0].y, 2, 1e-12);
    EXPECT_TRUE(Inside(square, 0, 1));
    // 3 to 12 vertices only, and a real diameter.
    EXPECT_EQ(Outline("5,1,3,0,0,2,0").size(), 4u);
    EXPECT_EQ(Outline("5,1,12,0,0,2,0").size(), 13u);
    EXPECT_TRUE(Outline("5,1,2,0,0,2,0").empty());
    EXPECT_TRUE(Outline("5,1,13,0,0,2,0").empty());
    EXPECT_TRUE(Outline("5,1,6,0,0,0,0").empty());
    EXPECT_TRUE(Outline("5,1,6,0,0,-1,0").empty());
}

TEST_F(Geometry, PrimitivesWithoutOutline)
{
    EXPECT_TRUE(Outline("1,1,0.5,0,0").empty());
    EXPECT_TRUE(Outline("7,0,0,2,1,0.2,0").empty());
    EXPECT_TRUE(Outline("99,1,2,3").empty());
    MyPointArray out{{1, 1}};
    MacroPrimitivePolygon(0, out, 0, 0);      // no such primitive
    EXPECT_TRUE(out.empty());
    out = {{1, 1}};
    MacroPrimitivePolygon(1000, out, 0, 0);
    EXPECT_TRUE(out.empty());
}

TEST_F(Geometry, CircleAndThermalGeometry)
{
    double cx = 0, cy = 0, r = 0;
    EXPECT_TRUE(CirclePrimitiveGeometry(Primitive("1,1,0.5,1,2"), cx, cy, r, 10, 10));
    EXPECT_DOUBLE_EQ(cx, 11);
    EXPECT_DOUBLE_EQ(cy, 12);
    EXPECT_DOUBLE_EQ(r, 0.25);
    // A rotation turns the centre about the flash point.
    EXPECT_TRUE(CirclePrimitiveGeometry(Primitive("1,1,0.5,1,0,90"), cx, cy, r, 10, 10));
    EXPECT_NEAR(cx, 10, 1e-12);
    EXPECT_NEAR(cy, 11, 1e-12);
    EXPECT_TRUE(CirclePrimitiveGeometry(Primitive("7,1,2,3,2,0.5,0"), cx, cy, r, 0, 0));
    EXPECT_DOUBLE_EQ(cx, 1);
    EXPECT_DOUBLE_EQ(cy, 2);
    EXPECT_DOUBLE_EQ(r, 1.5);
    cx = cy = r = -7;
    EXPECT_FALSE(CirclePrimitiveGeometry(Primitive("21,1,1,1,0,0,0"), cx, cy, r, 0, 0));
    EXPECT_EQ(cx, -7);
    EXPECT_FALSE(CirclePrimitiveGeometry(55, cx, cy, r, 0, 0));
}

TEST_F(Geometry, MoireGeometry)
{
    double cx = 0, cy = 0, half = 0, r = 0;
    int count = -1;
    MyTwoPointArray segs;
    ASSERT_TRUE(MoirePrimitiveGeometry(Primitive("6,1,2,5,0.5,0.5,2,0.1,6,0"), cx, cy, count, segs, half, r, 0, 0));
    EXPECT_DOUBLE_EQ(cx, 1);
    EXPECT_DOUBLE_EQ(cy, 2);
    EXPECT_DOUBLE_EQ(r, 2.5);
    EXPECT_EQ(count, 2);
    EXPECT_DOUBLE_EQ(half, 0.05);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_NEAR(segs[0].a.x, 4, 1e-12);
    EXPECT_NEAR(segs[0].b.x, -2, 1e-12);
    EXPECT_NEAR(segs[1].a.y, 5, 1e-12);
    EXPECT_NEAR(segs[1].b.y, -1, 1e-12);
    // Without a cross-hair.
    ASSERT_TRUE(MoirePrimitiveGeometry(Primitive("6,0,0,5,0.5,0.5,2,0,6,0"), cx, cy, count, segs, half, r, 0, 0));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(MoirePrimitiveGeometry(Primitive("1,1,1,0,0"), cx, cy, count, segs, half, r, 0, 0));
}

TEST_F(Geometry, ApertureBoxOfEachShape)
{
    struct Case { std::int32_t shape; double s1, s2, s3; double minX, maxX, minY, maxY; };
    const Case cases[] = {
        {apCircle, 1, 0, 0, 1.5, 2.5, 2.5, 3.5},
        {apSquare, 1, 0, 0, 1.5, 2.5, 2.5, 3.5},
        {apOval, 1, 2, 0, 1.5, 2.5, 2, 4},
        {apRectangle, 2, 1, 0, 1, 3, 2.5, 3.5},
        {apThermal45, 1, 2, 0.2, 1, 3, 2, 4},
        {apThermal90, 1, 2, 0.2, 1, 3, 2, 4},
        {apPolygon, 2, 6, 0, 1, 3, 2, 4},
        {apPolygon, 2, 3, 0, 1, 3, 2, 4},
        {apPolygon, 2, 12, 0, 1, 3, 2, 4},
        {apPolygon, 2, 2, 0, 2000, -2000, 2000, -2000},    // no outline, no box
        {apPolygon, 2, 13, 0, 2000, -2000, 2000, -2000},
        {apNone, 1, 0, 0, 2000, -2000, 2000, -2000},
    };
    for (const Case& c : cases) {
        Define(20, c.shape, c.s1, c.s2, c.s3);
        MyBox box{};
        ApertureBox(20, box, 2, 3);
        ExpectBox(box, c.minX, c.maxX, c.minY, c.maxY);
    }
    MyBox box{};
    for (int d : {-1, 2000, 100000}) {
        ApertureBox(d, box, 0, 0);
        EXPECT_EQ(box, EmptyBox);
    }
}

TEST_F(Geometry, ApertureBoxOfAMacro)
{
    const int first = Primitive("1,1,1,2,0");              // circle r 0.5 at (2, 0)
    Primitive("21,1,2,1,0,0,0");                            // rectangle 2 x 1 at the flash
    Primitive("6,0,-3,2,0.5,0.5,1,0.2,4,0");               // moire at (0, -3): reach 2 + 0.1
    const int last = Primitive("99,1,100,100");             // unknown: nothing
    Define(30, apMacro, 0);
    Apertures[30].FirstPrimitive = first;
    Apertures[30].LastPrimitive = last;
    MyBox box{};
    ApertureBox(30, box, 10, 10);
    ExpectBox(box, 10 - 2.1, 12.5, 10 - 3 - 2.1, 10.5);

    // Turned primitives are boxed by their turned outline.
    const int turned = Primitive("21,1,4,1,0,0,90");
    Apertures[30].FirstPrimitive = Apertures[30].LastPrimitive = turned;
    ApertureBox(30, box, 0, 0);
    ExpectBox(box, -0.5, 0.5, -2, 2);

    // Ranges that do not lie in the table give the empty box.
    const std::pair<int, int> bad[] = {{0, 1}, {2, 1}, {1, 1000}, {-5, 2}, {MacroCount + 1, MacroCount + 1}};
    for (const auto& [f, l] : bad) {
        Apertures[30].FirstPrimitive = f;
        Apertures[30].LastPrimitive = l;
        ApertureBox(30, box, 0, 0);
        EXPECT_EQ(box, EmptyBox) << f << ".." << l;
    }
}

TEST_F(Geometry, ElementBox)
{
    Define(10, apCircle, 0.2);
    Define(11, apRectangle, 1, 2);
    Tools[5].Diameter = "1.0";
    struct Case { DataElement e; double minX, maxX, minY, maxY; };
    const Case cases[] = {
        // three quarters clockwise from (1, 0) to (0, 1): the full circle's box
        {Arc(dkArcCW, 0, 90), -1, 1, -1, 1},
        {Arc(dkRegionArcCW, 0, 90), -1, 1, -1, 1},
        {Arc(dkArcCCW, 0, 90), 0, 1, 0, 1},
        {Arc(dkArcCCW, 270, 90), 0, 1, -1, 1},         // across 0 degrees
        {Arc(dkArcCW, 90, 270), 0, 1, -1, 1},
        {Arc(dkArcCCW, 45, 135), -std::sqrt(0.5), std::sqrt(0.5), std::sqrt(0.5), 1},
        {Arc(dkArcCCW, 0, 90, 1, 0, 0, 10), -0.1, 1.1, -0.1, 1.1},   // widened by the aperture
        {Element(dkLine, 10, 0, 0, 3, -2, 0, 0), -0.1, 3.1, -2.1, 0.1},
        {Element(dkRegionLine, 0, -5, -5, -4, -6, 0, 0), -5, -4, -6, -5},
        {Element(dkSquareStroke, 10, 0, 1, 5, 1, 5, -1, 0), 0, 5, -1, 1},
        {Element(dkFlash, 11, 0, 0, 0, 0, -4, -4), -4.5, -3.5, -5, -3},
        {Element(dkDrill, 5, 0, 0, 0, 0, 7, 7), 6.5, 7.5, 6.5, 7.5},
        {Element(dkDrillList, 5, 9, 9, 9, 9, 7, 7), 6.5, 7.5, 6.5, 7.5},   // the hit point, like kind 10
        {Element(dkCircleCCW, 10, 0, 0, 0, 0, 1, 1, 2), -1.1, 3.1, -1.1, 3.1},
        {Element(dkRegionCircleCW, 0, 0, 0, 0, 0, 1, 1, 0), 0.5, 1.5, 0.5, 1.5},  // no radius: 0.5
        {Element(dkDrill, 4000, 0, 0, 0, 0, 7, 7), 7, 7, 7, 7},               // tool out of range
    };
    for (const Case& c : cases) {
        MyBox box{};
        EXPECT_TRUE(ElementBox(c.e, box)) << c.e.Kind;
        ExpectBox(box, c.minX, c.maxX, c.minY, c.maxY);
    }
    for (int kind : {0, 4, 5, 13, 41, -3}) {
        MyBox box{1, 2, 3, 4};
        EXPECT_FALSE(ElementBox(Element(kind, 10, 5, 5, 6, 6, 7, 7), box)) << kind;
        EXPECT_EQ(box, (MyBox{0, 0, 0, 0}));
    }
}

TEST_F(Geometry, ElementExtent)
{
    Define(10, apCircle, 0.2);
    MyBox box = EmptyBox;
    EXPECT_TRUE(ElementExtent(Element(dkFlash, 10, 0, 0, 0, 0, 3, 4), box));
    ExpectBox(box, 3, 3, 4, 4);
    EXPECT_TRUE(ElementExtent(Element(dkLine, 10, 0, 0, 3, -2, 0, 0), box));
    ExpectBox(box, 0, 3, -2, 0);                        // without the width
    EXPECT_TRUE(ElementExtent(Element(dkSquareStroke, 10, 0, 1, 5, 1, 5, -1, 0), box));
    ExpectBox(box, 0, 5, 1, 1);                         // P1 and P2 only
    EXPECT_TRUE(ElementExtent(Arc(dkArcCW, 0, 90, 1, 0, 0, 10), box));
    ExpectBox(box, -1, 1, -1, 1);
    EXPECT_TRUE(ElementExtent(Element(dkCircleCW, 10, 0, 0, 0, 0, 1, 1, 0), box));
    ExpectBox(box, 0.5, 1.5, 0.5, 1.5);
    for (int kind : {10, 40, 0, 99}) {
        box = {1, 2, 3, 4};
        EXPECT_FALSE(ElementExtent(Element(kind, 1, 5, 5, 6, 6, 7, 7), box));
        EXPECT_EQ(box, (MyBox{1, 2, 3, 4}));
    }
}

TEST_F(Geometry, LayerExtents)
{
    MyBox box{9, 9, 9, 9};
    LayerExtents(1, box);
    EXPECT_EQ(box, (MyBox{0, 0, 0, 0}));                // no data at all

    AppendElement(Element(dkDrill, 1, 0, 0, 0, 0, 5, 5, 0, 2));
    LayerExtents(2, box);                                // only drill hits
    ExpectBox(box, 2000, -2000, 2000, -2000, 1e-9);
    LayerExtents(0, box);
    EXPECT_EQ(box, (MyBox{0, 0, 0, 0}));

    // A layer wholly at negative coordinates; other layers and markers do not count.
    AppendElement(Element(dkLine, 10, -10, -8, -6, -5, 0, 0, 0, 3));
    AppendElement(Element(dkFlash, 10, 0, 0, 0, 0, -7, -9, 0, 3));
    AppendElement(Element(dkSection, 0, 100, 100, 100, 100, 100, 100, 0, 3));
    AppendElement(Element(dkLine, 10, 50, 50, 60, 60, 0, 0, 0, 4));
    AppendElement(Element(dkDrill, 1, 0, 0, 0, 0, 500, 500, 0, 3));
    LayerExtents(3, box);
    // Rounded to 0.00001 alike on both sides of zero: a negative bound keeps its value.
    ExpectBox(box, -10, -6, -9, -5, 1e-9);
    AppendElement(Element(dkLine, 10, -121.750004, -0.000006, 3.000004, 2.5, 0, 0, 0, 6));
    LayerExtents(6, box);
    ExpectBox(box, -121.75, 3, -0.00001, 2.5, 1e-9);

    // Five decimals, each value to the nearest step.
    AppendElement(Element(dkFlash, 10, 0, 0, 0, 0, 1.234566, -1.234564, 0, 5));
    LayerExtents(5, box);
    ExpectBox(box, 1.23457, 1.23457, -1.23456, -1.23456, 1e-12);
}

TEST(MarkerPoint, Table)
{
    struct Case { DataElement e; double x, y; };
    const Case cases[] = {
        {Element(dkLine, 10, 0, 0, 2, 4, 9, 9), 1, 2},
        {Element(dkSquareStroke, 10, 0, 0, -2, 4, 9, 9, 3), -1, 2},
        {Arc(dkArcCCW, 0, 90), std::sqrt(0.5), std::sqrt(0.5)},
        {Arc(dkArcCW, 90, 0), std::sqrt(0.5), std::sqrt(0.5)},
        {Arc(dkArcCCW, 30, 30), std::cos(Rad(30)), std::sin(Rad(30))},
        {Element(dkFlash, 10, 1, 1, 1, 1, 3, 4), 3, 4},
        {Element(dkDrill, 1, 1, 1, 1, 1, 3, 4), 3, 4},
        {Element(dkRegionLine, 0, 5, 6, 7, 8, 9, 9), 5, 6},
        {Element(dkRegionArcCCW, 0, 5, 6, 7, 8, 9, 9), 5, 6},
    };
    for (const Case& c : cases) {
        double x = 0, y = 0;
        MarkerPoint(c.e, x, y);
        EXPECT_NEAR(x, c.x, 1e-12) << c.e.Kind;
        EXPECT_NEAR(y, c.y, 1e-12) << c.e.Kind;
    }
}

TEST(Midpoint, AndSwap)
{
    double x = 0, y = 0;
    Midpoint(x, y, 1, 2, 3, 6);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 4);
    double a = 1, b = 2;
    SwapDoubles(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}
