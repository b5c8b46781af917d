#include "core/Geometry.h"

#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2.0 * Pi;

bool Near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

const MyMacro* MacroAt(int k) { return ValidMacroIndex(k) ? &Macros[static_cast<std::size_t>(k)] : nullptr; }

// The primitive code of a macro primitive; −1 for a value that is no code
// (macro values come from data and may be anything).
int PrimitiveCode(const MyMacro& m)
{
    const double v = m.V(0);
    return std::isfinite(v) && std::fabs(v) < 1e6 ? static_cast<int>(v) : -1;
}

double ApertureSize1(int d)
{
    const MyAperture* a = ApertureAt(d);
    return a ? a->Size1 : 0.0;
}

// The box of an arc element's circle part (no width), clockwise arcs taken
// as the counter-clockwise arc from their end to their start.
MyBox ArcBox(const DataElement& e)
{
    const double cx = e.X3, cy = e.Y3, r = e.X4;
    double a1 = Direction(cx, cy, e.X1, e.Y1);
    double a2 = Direction(cx, cy, e.X2, e.Y2);
    if (e.Kind == dkArcCW || e.Kind == dkRegionArcCW) std::swap(a1, a2);
    MyBox box = EmptyBox;
    GrowBox(box, cx + r * std::cos(a1), cy + r * std::sin(a1));
    GrowBox(box, cx + r * std::cos(a2), cy + r * std::sin(a2));
    double shift = 0.0;
    if (a1 > a2) {
        box[1] = cx + r;
        shift = a1;
        a1 = 0.0;
        a2 -= shift;
        if (a2 < 0) a2 += TwoPi;
    }
    auto within = [&](double theta) {
        double t = theta - shift;
        if (t < 0) t += TwoPi;
        return a1 <= t && t < a2;
    };
    if (within(Pi / 2)) box[3] = cy + r;
    if (within(Pi)) box[0] = cx - r;
    if (within(3 * Pi / 2)) box[2] = cy - r;
    return box;
}

double CircleElementRadius(const DataElement& e) { return e.X4 > 0 ? e.X4 : 0.5; }

} // namespace

double Distance(double x1, double y1, double x2, double y2)
{
    if (x1 > FarAway || y1 > FarAway || x2 > FarAway || y2 > FarAway) return FarAway;
    double dx = std::fabs(x2 - x1);
    double dy = std::fabs(y2 - y1);
    bool zx = dx < 1e-12, zy = dy < 1e-12;
    if (zx && zy) return 0.0;
    if (zx) return dy;
    if (zy) return dx;
    return std::sqrt(dx * dx + dy * dy);
}

double Direction(double x1, double y1, double x2, double y2)
{
    constexpr double tol = 0.001;
    if (Near(x1, x2, tol)) {
        if (Near(y1, y2, tol)) return 0.0;
        return y1 < y2 ? Pi / 2 : 3 * Pi / 2;
    }
    if (Near(y1, y2, tol)) return x1 < x2 ? 0.0 : Pi;
    double t = std::atan((y2 - y1) / (x2 - x1));
    if (x1 < x2 && y1 < y2) return t;
    if (x1 > x2) return Pi + t;
    return TwoPi + t;
}

double ArcSweep(const std::string& direction, double sx, double sy, double ex, double ey, double cx, double cy)
{
    double as = Direction(cx, cy, sx, sy);
    double ae = Direction(cx, cy, ex, ey);
    double sweep;
    if (direction == "CCW") {
        if (as > ae) ae += TwoPi;
        sweep = ae - as;
    } else {
        if (as < ae) as += TwoPi;
        sweep = as - ae;
    }
    double degrees = sweep * 180.0 / Pi;
    return degrees == 0.0 ? 360.0 : degrees;
}

bool ArcStartAndSweep(int kind, double cx, double cy, double sx, double sy, double ex, double ey, double& start, double& sweep)
{
    const bool ccw = kind == dkArcCCW || kind == dkRegionArcCCW;
    const bool cw = kind == dkArcCW || kind == dkRegionArcCW;
    const bool circle = kind == dkCircleCCW || kind == dkCircleCW || kind == dkRegionCircleCCW || kind == dkRegionCircleCW;
    if (!ccw && !cw && !circle) return false;
    start = std::atan2(sy - cy, sx - cx);
    if (circle) {
        sweep = kind == dkCircleCCW || kind == dkRegionCircleCCW ? TwoPi : -TwoPi;
        return true;
    }
    double turn = std::fmod(ccw ? std::atan2(ey - cy, ex - cx) - start : start - std::atan2(ey - cy, ex - cx), TwoPi);
    if (turn < 0) turn += TwoPi;
    // Where the ends nearly meet, none or a whole turn is as the rounded
    // directions of the rest of the program have it.
    const double a1 = Direction(cx, cy, sx, sy), a2 = Direction(cx, cy, ex, ey);
    const double coarse = ccw ? (a2 < a1 ? TwoPi - a1 + a2 : a2 - a1) : (a1 < a2 ? TwoPi + a1 - a2 : a1 - a2);
    if (!(std::fabs(turn - coarse) <= Pi)) turn = coarse;
    sweep = ccw ? turn : -turn;
    return true;
}

namespace {

double MiddleAngle(int kind, double a1, double a2, bool& known)
{
    known = true;
    if (kind == dkArcCCW || kind == dkRegionArcCCW) {
        if (a2 < a1) a2 += TwoPi;
        return a1 + (a2 - a1) * 0.5;
    }
    if (kind == dkArcCW || kind == dkRegionArcCW) {
        if (a1 < a2) a1 += TwoPi;
        return a1 - (a1 - a2) * 0.5;
    }
    known = false;
    return 0.0;
}

} // namespace

void ArcMidPoint(int kind, double& ox, double& oy, double radius, double cx, double cy,
                 double sx, double sy, double ex, double ey)
{
    double a1 = Direction(cx, cy, sx, sy);
    double a2 = Direction(cx, cy, ex, ey);
    double middle;
    if (Near(a1, a2, 0.004)) {
        middle = a1 + Pi;
    } else {
        bool known;
        middle = MiddleAngle(kind, a1, a2, known);
    }
    ox = cx + radius * std::cos(middle);
    oy = cy + radius * std::sin(middle);
}

void MarkerArcMidPoint(int kind, double& ox, double& oy, double radius, double cx, double cy,
                       double sx, double sy, double ex, double ey)
{
    double a1 = Direction(cx, cy, sx, sy);
    double a2 = Direction(cx, cy, ex, ey);
    bool known;
    double middle = MiddleAngle(kind, a1, a2, known);
    ox = cx + radius * std::cos(middle);
    oy = cy + radius * std::sin(middle);
}

void StrokeOffsets(double width, double direction, std::array<double, 16>& x, std::array<double, 16>& y)
{
    const double r = width * 0.5 / std::cos(Pi / 16);
    double a = direction + Pi / 2 - Pi / 16;
    for (std::size_t i = 0; i < 8; ++i, a -= Pi / 8) x[i] = r * std::cos(a), y[i] = r * std::sin(a);
    // The cap around P faces the other way. Direction(Q -> P) is the same
    // angle turned by π, except when P and Q coincide (a round oval, a dot):
    // then it is 0 too, and both caps would land on one side.
    a = direction + Pi + Pi / 2 - Pi / 16;
    for (std::size_t i = 8; i < 16; ++i, a -= Pi / 8) x[i] = r * std::cos(a), y[i] = r * std::sin(a);
}

void StrokeOutline(std::array<MyPoint, 17>& out, double width, double px, double py, double qx, double qy)
{
    // Flashes of one aperture repeat the same width and direction: the
    // offsets from the end points are kept from the call before (the same
    // arithmetic, so the same bits).
    struct Offsets {
        double width = std::nan(""), d = std::nan("");
        std::array<double, 16> x{}, y{};
    };
    thread_local Offsets memo;
    const double d = Direction(px, py, qx, qy);
    if (!(memo.width == width && memo.d == d)) {
        StrokeOffsets(width, d, memo.x, memo.y);
        memo.width = width;
        memo.d = d;
    }
    for (std::size_t i = 0; i < 8; ++i) out[i] = {qx + memo.x[i], qy + memo.y[i]};
    for (std::size_t i = 8; i < 16; ++i) out[i] = {px + memo.x[i], py + memo.y[i]};
    out[16] = out[0];
}

bool PolygonVerticesValid(double vertices)
{
    if (!std::isfinite(vertices)) return false;
    const double n = std::trunc(vertices);
    return n >= MinPolygonVertices && n <= MaxPolygonVertices;
}

MyPoint RotateAbout(double x, double y, double fx, double fy, double degrees)
{
    if (degrees == 0.0) return {x, y};
    double r = degrees * Pi / 180.0;
    double c = std::cos(r), s = std::sin(r);
    double dx = x - fx, dy = y - fy;
    return {fx + dx * c - dy * s, fy + dx * s + dy * c};
}

MyPoint TurnOffset(double dx, double dy, double degrees)
{
    if (degrees == 0.0) return {dx, dy};
    const double r = degrees * Pi / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    return {dx * c - dy * s, dx * s + dy * c};
}

bool CirclePrimitiveGeometry(int k, double& cx, double& cy, double& radius, double fx, double fy)
{
    const MyMacro* m = MacroAt(k);
    if (!m || m->ValueCount < 1) return false;
    int code = PrimitiveCode(*m);
    if (code == 1) {
        radius = m->V(2) * 0.5;
        // An optional rotation turns the centre about the flash point.
        double rot = m->ValueCount > 5 ? m->V(5) : 0.0;
        const MyPoint c = TurnOffset(m->V(3), m->V(4), rot);
        cx = fx + c.x;
        cy = fy + c.y;
        return true;
    }
    if (code == 7) {
        radius = m->V(3) * 0.5;
        double rot = m->ValueCount > 6 ? m->V(6) : 0.0;
        const MyPoint c = TurnOffset(m->V(1), m->V(2), rot);
        cx = fx + c.x;
        cy = fy + c.y;
        return true;
    }
    return false;
}

bool MoirePrimitiveGeometry(int k, double& cx, double& cy, int& crossCount, MyTwoPointArray& segments,
                            double& halfThickness, double& radius, double fx, double fy)
{
    const MyMacro* m = MacroAt(k);
    if (!m || m->ValueCount < 1 || PrimitiveCode(*m) != 6) return false;
    const double rot = m->V(9);
    radius = m->V(3) * 0.5;
    // The centre offset turns with the primitive, about the flash point.
    const MyPoint c = TurnOffset(m->V(1), m->V(2), rot);
    cx = fx + c.x;
    cy = fy + c.y;
    segments.clear();
    const double thickness = m->V(7), length = m->V(8);
    if (thickness > 0 && length > 0) {
        halfThickness = thickness * 0.5;
        const double h = length * 0.5;
        const double rho = rot * Pi / 180.0;
        crossCount = 2;
        auto at = [&](double a) { return MyPoint{cx + h * std::cos(a), cy + h * std::sin(a)}; };
        segments.push_back({at(rho), at(rho + Pi)});
        segments.push_back({at(rho + Pi / 2), at(rho + 3 * Pi / 2)});
    } else {
        crossCount = 0;
    }
    return true;
}

void MacroPrimitiveOutline(int k, MyFlashPointArray& out)
{
    out.clear();
    const MyMacro* m = MacroAt(k);
    if (!m || m->ValueCount < 1) return;
    const int code = PrimitiveCode(*m);
    double rotation = 0.0;
    auto at = [&out](double bx, double by, double ox, double oy) { out.push_back({{bx, by}, {ox, oy}}); };
    switch (code) {
    case 2:
    case 20: {
        const double hw = m->V(2) * 0.5;
        const double sx = m->V(3), sy = m->V(4), ex = m->V(5), ey = m->V(6);
        const double d = Direction(sx, sy, ex, ey);
        const double l = d + Pi / 2, rgt = d + 3 * Pi / 2;
        at(sx, sy, hw * std::cos(l), hw * std::sin(l));
        at(ex, ey, hw * std::cos(l), hw * std::sin(l));
        at(ex, ey, hw * std::cos(rgt), hw * std::sin(rgt));
        at(sx, sy, hw * std::cos(rgt), hw * std::sin(rgt));
        out.push_back(out.front());
        rotation = m->ValueCount > 7 ? m->V(7) : 0.0;
        break;
    }
    case 21: {
        const double hw = m->V(2) * 0.5, hh = m->V(3) * 0.5;
        const double cx = m->V(4), cy = m->V(5);
        at(cx, cy, -hw, hh);
        at(cx, cy, hw, hh);
        at(cx, cy, hw, -hh);
        at(cx, cy, -hw, -hh);
        out.push_back(out.front());
        rotation = m->V(6);
        break;
    }
    case 22: {
        const double w = m->V(2), h = m->V(3);
        const double lx = m->V(4), ly = m->V(5);
        at(lx, ly, 0, h);
        at(lx, ly, w, h);
        at(lx, ly, w, 0);
        at(lx, ly, 0, 0);
        out.push_back(out.front());
        rotation = m->V(6);
        break;
    }
    case 4: {
        double nv = m->V(2);
        if (!std::isfinite(nv) || nv < 0) return;
        long long n = static_cast<long long>(std::min(std::trunc(nv), 1e9));
        // Only the pairs the primitive really holds: code, exposure and count
        // come first, the rotation last.
        long long present = (static_cast<long long>(m->ValueCount) - 4) / 2;
        const long long listed = n;
        n = std::min(n, present);
        if (n < 3) return;
        out.reserve(static_cast<std::size_t>(n) + 2);
        for (long long i = 0; i < n; ++i) at(m->V(static_cast<int>(3 + 2 * i)), m->V(static_cast<int>(4 + 2 * i)), 0, 0);
        // The closing point repeats the start in a well-formed outline; one
        // that does not is a last vertex, and the outline closes through it.
        if (present > listed) {
            const MyPoint last{m->V(static_cast<int>(3 + 2 * listed)), m->V(static_cast<int>(4 + 2 * listed))};
            if (last.x != out.front().base.x || last.y != out.front().base.y) at(last.x, last.y, 0, 0);
        }
        out.push_back(out.front());
        rotation = m->V(m->ValueCount - 1);
        break;
    }
    case 5: {
        if (!PolygonVerticesValid(m->V(2))) return;
        const int vertices = static_cast<int>(std::trunc(m->V(2)));
        const double radius = m->V(5) * 0.5;
        if (!(radius > 0)) return;
        const double rot = m->V(6);
        // The centre offset turns with the primitive about the flash point;
        // the first vertex lies at the rotation angle.
        const MyPoint c = TurnOffset(m->V(3), m->V(4), rot);
        const double start = rot * Pi / 180.0;
        for (int i = 0; i < vertices; ++i) {
            double a = start + TwoPi * i / vertices;
            at(c.x, c.y, radius * std::cos(a), radius * std::sin(a));
        }
        out.push_back(out.front());
        return;
    }
    default:
        return;
    }
    // A turned outline turns each whole offset about the flash point.
    if (rotation != 0.0)
        for (MyFlashPoint& p : out) p = {TurnOffset(p.base.x + p.offset.x, p.base.y + p.offset.y, rotation), {0, 0}};
}

void MacroPrimitivePolygon(int k, MyPointArray& out, double fx, double fy)
{
    thread_local MyFlashPointArray parts;
    MacroPrimitiveOutline(k, parts);
    out.resize(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) out[i] = PlaceFlashPoint(parts[i], fx, fy);
}

void ApertureBox(int d, MyBox& box, double x, double y)
{
    box = EmptyBox;
    const MyAperture* a = ApertureAt(d);
    if (!a) return;
    switch (a->Shape) {
    case apCircle:
    case apSquare:
        box = {x - a->Size1 / 2, x + a->Size1 / 2, y - a->Size1 / 2, y + a->Size1 / 2};
        return;
    case apPolygon:
        if (PolygonVerticesValid(a->Size2)) box = {x - a->Size1 / 2, x + a->Size1 / 2, y - a->Size1 / 2, y + a->Size1 / 2};
        return;
    case apOval:
    case apRectangle:
        box = {x - a->Size1 / 2, x + a->Size1 / 2, y - a->Size2 / 2, y + a->Size2 / 2};
        return;
    case apThermal45:
    case apThermal90:
        box = {x - a->Size2 / 2, x + a->Size2 / 2, y - a->Size2 / 2, y + a->Size2 / 2};
        return;
    case apMacro:
        break;
    default:
        return;
    }
    if (MacroCount < 1 || a->FirstPrimitive > a->LastPrimitive || !ValidMacroIndex(a->FirstPrimitive) ||
        !ValidMacroIndex(a->LastPrimitive))
        return;
    MyPointArray outline;
    for (int k = a->FirstPrimitive; k <= a->LastPrimitive; ++k) {
        const MyMacro& m = Macros[static_cast<std::size_t>(k)];
        if (m.ValueCount < 1) continue;
        const int code = PrimitiveCode(m);
        double cx = 0, cy = 0, r = 0;
        switch (code) {
        case 1:
        case 7:
            if (CirclePrimitiveGeometry(k, cx, cy, r, x, y)) GrowBox(box, MyBox{cx - r, cx + r, cy - r, cy + r});
            break;
        case 6: {
            int count = 0;
            MyTwoPointArray segs;
            double half = 0;
            if (MoirePrimitiveGeometry(k, cx, cy, count, segs, half, r, x, y)) {
                double reach = r;
                // Half the cross-hair length plus half its thickness covers
                // the cross at any rotation.
                if (count > 0) reach = std::max(reach, m.V(8) * 0.5 + half);
                GrowBox(box, MyBox{cx - reach, cx + reach, cy - reach, cy + reach});
            }
            break;
        }
        case 2: case 4: case 5: case 20: case 21: case 22:
            MacroPrimitivePolygon(k, outline, x, y);
            for (const MyPoint& p : outline) GrowBox(box, p.x, p.y);
            break;
        default:
            break;
        }
    }
}

double ToolDiameter(int t)
{
    const MyTool* tool = ToolAt(t);
    const double d = tool ? platform::ParseRealOr(tool->Diameter, 0.0) : 0.0;
    return std::isfinite(d) && d > 0 ? d : 0.0;
}

bool ElementBox(const DataElement& e, MyBox& box)
{
    box = {0, 0, 0, 0};
    switch (e.Kind) {
    case dkFlash:
        ApertureBox(e.Code, box, e.X3, e.Y3);
        return true;
    case dkDrill:
    case dkDrillList: {
        const double r = ToolDiameter(e.Code) * 0.5;
        box = {e.X3 - r, e.X3 + r, e.Y3 - r, e.Y3 + r};
        return true;
    }
    case dkLine:
    case dkRegionLine: {
        const double hw = ApertureSize1(e.Code) * 0.5;
        box = {std::min(e.X1, e.X2) - hw, std::max(e.X1, e.X2) + hw, std::min(e.Y1, e.Y2) - hw, std::max(e.Y1, e.Y2) + hw};
        return true;
    }
    case dkSquareStroke:
    case 12:
        box = {std::min({e.X1, e.X2, e.X3, e.X4}), std::max({e.X1, e.X2, e.X3, e.X4}),
               std::min({e.Y1, e.Y2, e.Y3, e.Y4}), std::max({e.Y1, e.Y2, e.Y3, e.Y4})};
        return true;
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW: {
        const double hw = ApertureSize1(e.Code) * 0.5;
        box = ArcBox(e);
        box = {box[0] - hw, box[1] + hw, box[2] - hw, box[3] + hw};
        return true;
    }
    case dkCircleCCW:
    case dkCircleCW:
    case dkRegionCircleCCW:
    case dkRegionCircleCW: {
        const double hw = ApertureSize1(e.Code) * 0.5;
        const double r = CircleElementRadius(e) + hw;
        box = {e.X3 - r, e.X3 + r, e.Y3 - r, e.Y3 + r};
        return true;
    }
    default:
        return false;
    }
}

bool ElementExtent(const DataElement& e, MyBox& box)
{
    switch (e.Kind) {
    case dkFlash:
        box = {e.X3, e.X3, e.Y3, e.Y3};
        return true;
    case dkLine:
    case dkSquareStroke:
    case dkRegionLine:
        box = {std::min(e.X1, e.X2), std::max(e.X1, e.X2), std::min(e.Y1, e.Y2), std::max(e.Y1, e.Y2)};
        return true;
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW:
        box = ArcBox(e);
        return true;
    case dkCircleCCW:
    case dkCircleCW:
    case dkRegionCircleCCW:
    case dkRegionCircleCW: {
        const double r = CircleElementRadius(e);
        box = {e.X3 - r, e.X3 + r, e.Y3 - r, e.Y3 + r};
        return true;
    }
    default:
        return false;
    }
}

void LayerExtents(int layer, MyBox& box)
{
    if (DataCount < 1 || layer < 1) {
        box = {0, 0, 0, 0};
        return;
    }
    box = EmptyBox;
    MyBox scratch = EmptyBox;
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (e.Layer != layer || e.Kind <= 0) continue;
        ElementExtent(e, scratch);
        GrowBox(box, scratch);
    }
    // To 0.00001 mm, halves away from zero, so that a negative bound such as
    // -121.75 stays -121.75 rather than moving a step toward zero.
    for (double& v : box) v = std::round(v / 0.00001) * 0.00001;
}

void Midpoint(double& x, double& y, double x1, double y1, double x2, double y2)
{
    x = (x1 - x2) * 0.5 + x2;
    y = (y1 - y2) * 0.5 + y2;
}

void MarkerPoint(const DataElement& e, double& x, double& y)
{
    switch (e.Kind) {
    case dkLine:
    case dkSquareStroke:
        Midpoint(x, y, e.X1, e.Y1, e.X2, e.Y2);
        return;
    case dkArcCCW:
    case dkArcCW:
        MarkerArcMidPoint(e.Kind, x, y, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2);
        return;
    case dkFlash:
    case 4:
    case 5:
    case dkDrill:
        x = e.X3;
        y = e.Y3;
        return;
    default:
        x = e.X1;
        y = e.Y1;
        return;
    }
}

void SwapDoubles(double& a, double& b) { std::swap(a, b); }

} // namespace core
