#include "core/Distances.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2.0 * Pi;
constexpr double Zero = 1e-12;
constexpr double LengthTol = 0.0004;
constexpr double ArcAngleTol = 0.004;

MyPoint Plus(MyPoint p, double k, MyPoint u) { return {p.x + k * u.x, p.y + k * u.y}; }
MyPoint Polar(MyPoint c, double r, double a) { return {c.x + r * std::cos(a), c.y + r * std::sin(a)}; }
double Dist(MyPoint a, MyPoint b) { return Distance(a.x, a.y, b.x, b.y); }
double Dir(MyPoint from, MyPoint to) { return Direction(from.x, from.y, to.x, to.y); }
bool SamePoint(MyPoint a, MyPoint b, double tol) { return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol; }

// A frame along a segment: origin at its start, x along it, y to its left.
// The exact direction is used, so that points measured in it keep their
// distances; a segment without length takes the +x axis.
struct Frame {
    MyPoint o, u, v;
    double length = 0;
    explicit Frame(const MySegment& s) : o(s.Start)
    {
        const double dx = s.End.x - s.Start.x, dy = s.End.y - s.Start.y;
        length = std::sqrt(dx * dx + dy * dy);
        if (length > Zero)
            u = {dx / length, dy / length};
        else
            u = {1.0, 0.0}, length = 0.0;
        v = {-u.y, u.x};
    }
    MyPoint To(MyPoint p) const
    {
        const double dx = p.x - o.x, dy = p.y - o.y;
        return {dx * u.x + dy * u.y, dx * v.x + dy * v.y};
    }
    MyPoint From(double x, double y) const { return {o.x + x * u.x + y * v.x, o.y + x * u.y + y * v.y}; }
};

bool OnArcWithin(bool ccw, double as, double ae, double a, double tol)
{
    double sweep = ae - as;
    double offset = a - as;
    // The tolerance holds at both ends: an angle just before the start is
    // as much on the arc as one just past the end.
    if (ccw) {
        if (sweep < 0) sweep += TwoPi;
        if (offset < 0) offset += TwoPi;
        return offset <= sweep + tol || offset >= TwoPi - tol;
    }
    if (sweep <= 0) sweep += TwoPi;
    if (offset <= 0) offset += TwoPi;
    return (offset >= sweep - tol && offset <= TwoPi + tol) || offset <= tol;
}

// An angular tolerance that never lets a point more than the length
// tolerance off a large arc count as on it.
double AngleTolerance(double angleTol, double radius)
{
    return radius > 0 ? std::min(angleTol, LengthTol / radius) : angleTol;
}

// An arc with its start and end angles worked out once.
struct ArcAngles {
    const MyArc& arc;
    double as, ae, tol;
    explicit ArcAngles(const MyArc& a)
        : arc(a), as(Dir(a.Centre, a.Start)), ae(Dir(a.Centre, a.End)), tol(AngleTolerance(ArcAngleTol, a.Radius))
    {
    }
    bool Holds(double angle) const { return OnArcWithin(arc.Ccw, as, ae, angle, tol); }
    bool Holds(MyPoint p) const { return Holds(Dir(arc.Centre, p)); }
};

// Collects intersection points, dropping one equal to a point already kept.
struct CrossCollector {
    MyCrossPoints& out;
    double tol;
    int count = 0;
    CrossCollector(MyCrossPoints& o, double t) : out(o), tol(t) {}
    void Keep(MyPoint p)
    {
        for (int k = 0; k < count; ++k)
            if (SamePoint(out[static_cast<std::size_t>(k)], p, tol)) return;
        if (count < static_cast<int>(out.size())) out[static_cast<std::size_t>(count++)] = p;
    }
};

// Non-zero winding of the polygon's edges about p.
bool InsidePolygon(MyPolygonView poly, MyPoint p)
{
    int winding = 0;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
        const MyPoint a = poly[i], b = poly[i + 1];
        const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y) {
            if (b.y > p.y && side > 0) ++winding;
        } else if (b.y <= p.y && side < 0) {
            --winding;
        }
    }
    return winding != 0;
}

// The running best of a minimum search. `slack` is how much smaller a later
// candidate must be to replace the current one.
struct Best {
    double slack;
    double value = FarAway;
    MyPoint a, b;
    explicit Best(double s) : slack(s) {}
    bool Offer(double d, MyPoint pa, MyPoint pb)
    {
        if (!(d < value - slack)) return false;
        value = d;
        a = pa;
        b = pb;
        return true;
    }
};

} // namespace

MyArc ElementArc(const DataElement& e)
{
    MyArc arc;
    arc.Ccw = e.Kind == dkArcCCW || e.Kind == dkRegionArcCCW;
    arc.Centre = {e.X3, e.Y3};
    arc.Radius = e.X4;
    arc.Start = {e.X1, e.Y1};
    arc.End = {e.X2, e.Y2};
    return arc;
}

void RotatePoint(double& x, double& y, double angle, double cx, double cy)
{
    if (std::fabs(angle) <= Zero || std::fabs(angle - TwoPi) <= Zero) return;
    const double dx = x - cx, dy = y - cy;
    if (std::fabs(angle - Pi / 2) <= Zero) {
        x = cx - dy;
        y = cy + dx;
    } else if (std::fabs(angle - Pi) <= Zero) {
        x = cx - dx;
        y = cy - dy;
    } else if (std::fabs(angle - 3 * Pi / 2) <= Zero) {
        x = cx + dy;
        y = cy - dx;
    } else {
        const double c = std::cos(angle), s = std::sin(angle);
        x = cx + dx * c - dy * s;
        y = cy + dx * s + dy * c;
    }
}

bool InRange(double v, double a, double b)
{
    const double lo = std::min(a, b), hi = std::max(a, b);
    return !(v - hi > LengthTol) && !(lo - v > LengthTol);
}

bool AngleOnArc(bool ccw, double as, double ae, double a) { return OnArcWithin(ccw, as, ae, a, ArcAngleTol); }

void ArcBounds(const MyArc& arc, MyBox& box)
{
    const double as = Dir(arc.Centre, arc.Start), ae = Dir(arc.Centre, arc.End);
    const MyPoint c = arc.Centre;
    const double r = arc.Radius;
    box = {std::min(arc.Start.x, arc.End.x), std::max(arc.Start.x, arc.End.x), std::min(arc.Start.y, arc.End.y),
           std::max(arc.Start.y, arc.End.y)};
    if (AngleOnArc(arc.Ccw, as, ae, 0.0)) box[1] = c.x + r;
    if (AngleOnArc(arc.Ccw, as, ae, Pi)) box[0] = c.x - r;
    if (AngleOnArc(arc.Ccw, as, ae, Pi / 2)) box[3] = c.y + r;
    if (AngleOnArc(arc.Ccw, as, ae, 3 * Pi / 2)) box[2] = c.y - r;
}

bool OvalCentres(int d, MyPoint& c1, double& radius, MyPoint& c2, double fx, double fy)
{
    const MyAperture* a = ApertureAt(d);
    if (!a || a->Shape != apOval) return false;
    if (a->Size1 <= a->Size2) {
        radius = a->Size1 / 2;
        const double h = (a->Size2 - a->Size1) / 2;
        c1 = {fx, fy - h};
        c2 = {fx, fy + h};
    } else {
        radius = a->Size2 / 2;
        const double h = (a->Size1 - a->Size2) / 2;
        c1 = {fx - h, fy};
        c2 = {fx + h, fy};
    }
    return true;
}

int ApertureOutline(int d, MyPointArray& out, double fx, double fy)
{
    out.clear();
    const MyAperture* a = ApertureAt(d);
    if (!a) return 0;
    if (a->Shape == apSquare || a->Shape == apRectangle) {
        const double hx = a->Size1 / 2;
        const double hy = a->Shape == apSquare ? hx : a->Size2 / 2;
        out = {{fx - hx, fy + hy}, {fx + hx, fy + hy}, {fx + hx, fy - hy}, {fx - hx, fy - hy}, {fx - hx, fy + hy}};
        return 5;
    }
    if (a->Shape == apPolygon) {
        const double r = a->Size1 / 2;
        // A count from a file must not decide how much memory we take: the
        // same 3 to 12 vertices as the aperture's box.
        if (!(r > 0.001) || !std::isfinite(r) || !PolygonVerticesValid(a->Size2)) return 0;
        const int vertices = static_cast<int>(std::trunc(a->Size2));
        const double start = a->Size3 * Pi / 180.0;
        for (int k = 0; k < vertices; ++k) out.push_back(Polar({fx, fy}, r, start + TwoPi * k / vertices));
        out.push_back(out.front());
        return vertices + 1;
    }
    return 0;
}

bool ElementCorners(std::int64_t i, std::array<MyPoint, 5>& out)
{
    if (i < 0 || i >= DataCount || static_cast<std::size_t>(i) >= Datas.size()) return false;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    out = {MyPoint{e.X1, e.Y1}, MyPoint{e.X2, e.Y2}, MyPoint{e.X3, e.Y3}, MyPoint{e.X4, e.Y4}, MyPoint{e.X1, e.Y1}};
    return true;
}

int IntersectSegments(const MySegment& s1, const MySegment& s2, MyCrossPoints& out)
{
    const Frame f(s1);
    const MyPoint a = f.To(s2.Start), b = f.To(s2.End);
    CrossCollector found(out, LengthTol);
    if (std::fabs(a.y - b.y) <= LengthTol) {
        // Parallel: the ends of the overlap when both lie on one line.
        if (std::fabs((a.y + b.y) * 0.5) > LengthTol) return 0;
        if (InRange(a.x, 0.0, f.length)) found.Keep(s2.Start);
        if (InRange(b.x, 0.0, f.length)) found.Keep(s2.End);
        if (InRange(0.0, a.x, b.x)) found.Keep(s1.Start);
        if (InRange(f.length, a.x, b.x)) found.Keep(s1.End);
        return found.count;
    }
    if (!InRange(0.0, a.y, b.y)) return 0;
    const double x = a.x - a.y * (b.x - a.x) / (b.y - a.y);
    if (InRange(x, 0.0, f.length) && InRange(x, a.x, b.x)) found.Keep(f.From(x, 0.0));
    return found.count;
}

int IntersectSegmentArc(const MySegment& s, const MyArc& arc, MyCrossPoints& out)
{
    const Frame f(s);
    const MyPoint c = f.To(arc.Centre);
    const double h = std::fabs(c.y), r = arc.Radius;
    if (h - r > Zero) return 0;
    const ArcAngles angles(arc);
    CrossCollector found(out, 0.0);
    auto test = [&](double x) {
        const MyPoint p = f.From(x, 0.0);
        if (InRange(x, 0.0, f.length) && angles.Holds(p)) found.Keep(p);
    };
    if (std::fabs(h - r) <= Zero) {
        test(c.x);
    } else {
        const double w = std::sqrt(std::max(0.0, r * r - h * h));
        test(c.x - w);
        test(c.x + w);
    }
    return found.count;
}

int IntersectArcs(const MyArc& a1, const MyArc& a2, MyCrossPoints& out)
{
    const MyPoint c1 = a1.Centre, c2 = a2.Centre;
    const double r1 = a1.Radius, r2 = a2.Radius;
    const double d = Dist(c1, c2);
    const ArcAngles on1(a1), on2(a2);
    if (d <= Zero) {
        // One circle: the ends of each arc that lie on the other.
        CrossCollector found(out, 1e-5);
        if (std::fabs(r1 - r2) > Zero) return 0;
        for (MyPoint p : {a1.Start, a1.End})
            if (on2.Holds(p)) found.Keep(p);
        for (MyPoint p : {a2.Start, a2.End})
            if (on1.Holds(p)) found.Keep(p);
        return found.count;
    }
    if (d > r1 + r2 + Zero || d < std::fabs(r1 - r2) - Zero) return 0;
    const MyPoint u{(c2.x - c1.x) / d, (c2.y - c1.y) / d};
    CrossCollector found(out, 0.0);
    auto test = [&](MyPoint p) {
        if (on1.Holds(p) && on2.Holds(p)) found.Keep(p);
    };
    if (std::fabs(d - (r1 + r2)) <= Zero || std::fabs(d - (r1 - r2)) <= Zero) {
        test(Plus(c1, r1, u));
    } else if (std::fabs(d - (r2 - r1)) <= Zero) {
        // Circle 1 touches circle 2 from inside: the point faces away from C2.
        test(Plus(c1, -r1, u));
    } else if (r1 + r2 > d) {
        const double a = (d * d + r1 * r1 - r2 * r2) / (2 * d);
        const double h = std::sqrt(std::max(0.0, r1 * r1 - a * a));
        const MyPoint m = Plus(c1, a, u);
        const MyPoint v{-u.y, u.x};
        test(Plus(m, h, v));
        test(Plus(m, -h, v));
    }
    return found.count;
}

double PointSegmentDistance(MyPoint p, const MySegment& s, MyPoint& nearest, MyPoint& anchor)
{
    const Frame f(s);
    const MyPoint q = f.To(p);
    const double t = q.x, length = f.length;
    if (t < 0) {
        nearest = anchor = s.Start;
        return Dist(p, s.Start);
    }
    if (t > length) {
        nearest = anchor = s.End;
        return Dist(p, s.End);
    }
    nearest = f.From(t, 0.0);
    if (t <= 0.33 * length)
        anchor = s.Start;
    else if (t < 0.66 * length)
        anchor = f.From(length * 0.5, 0.0);
    else
        anchor = s.End;
    return std::fabs(q.y);
}

double PointArcDistance(MyPoint p, const MyArc& arc, MyPoint& nearest, MyPoint& anchor)
{
    // Measured on the counter-clockwise arc covering the same points.
    const MyPoint s = arc.Ccw ? arc.Start : arc.End;
    const MyPoint e = arc.Ccw ? arc.End : arc.Start;
    const MyPoint c = arc.Centre;
    const double r = arc.Radius;
    // Arc elements never sweep more than half a turn, so equal end angles
    // make an arc of one point, not a full circle.
    const double as = Dir(c, s), ae = Dir(c, e);
    double sweep = ae - as;
    if (sweep < 0) sweep += TwoPi;
    const double a = Dir(c, p);
    double offset = a - as;
    if (offset < 0) offset += TwoPi;
    if (offset <= sweep + AngleTolerance(LengthTol, r)) {
        nearest = Polar(c, r, a);
        if (offset <= 0.33 * sweep)
            anchor = s;
        else if (offset < 0.66 * sweep)
            anchor = Polar(c, r, as + sweep / 2);
        else
            anchor = e;
        return std::fabs(Dist(c, p) - r);
    }
    const double ds = Dist(p, s), de = Dist(p, e);
    nearest = anchor = ds <= de ? s : e;
    return std::min(ds, de);
}

namespace {

// Nearest point of a segment or an arc, for the end-point candidates below.
double PointFigureDistance(MyPoint p, const MySegment& s, MyPoint& q, MyPoint& anchor) { return PointSegmentDistance(p, s, q, anchor); }
double PointFigureDistance(MyPoint p, const MyArc& a, MyPoint& q, MyPoint& anchor) { return PointArcDistance(p, a, q, anchor); }

// Both ends of `from` against the figure `to`, offered in order; a pair is
// (point on the first figure of the caller, point on the second).
template <class From, class To>
void OfferEnds(Best& best, const From& from, const To& to, bool fromIsFirst)
{
    MyPoint q, anchor;
    for (const MyPoint end : {from.Start, from.End}) {
        const double d = PointFigureDistance(end, to, q, anchor);
        if (fromIsFirst) best.Offer(d, end, q);
        else best.Offer(d, q, end);
    }
}

} // namespace

double SegmentSegmentDistance(const MySegment& s1, const MySegment& s2, MyPoint& n1, MyPoint& n2)
{
    MyCrossPoints cross;
    if (IntersectSegments(s1, s2, cross) > 0) {
        n1 = n2 = cross[0];
        return 0.0;
    }
    Best best(LengthTol);
    OfferEnds(best, s2, s1, false);
    OfferEnds(best, s1, s2, true);
    if (best.value < FarAway) {
        n1 = best.a;
        n2 = best.b;
    }
    return best.value;
}

double SegmentArcDistance(const MySegment& s, const MyArc& arc, MyPoint& onSegment, MyPoint& onArc)
{
    MyCrossPoints cross;
    if (IntersectSegmentArc(s, arc, cross) > 0) {
        onSegment = onArc = cross[0];
        return 0.0;
    }
    Best best(LengthTol);
    // The segment's line clear of the circle or touching it: the circle point
    // facing the line may be the nearest. (A line that cuts the circle has
    // its nearest places at the ends.)
    const Frame f(s);
    const MyPoint c = f.To(arc.Centre);
    const double r = arc.Radius;
    if (InRange(c.x, 0.0, f.length)) {
        const ArcAngles angles(arc);
        double facing = 0;
        bool clear = true;
        if (c.y - r >= 0)
            facing = c.y - r;   // line below the circle
        else if (c.y + r <= 0)
            facing = c.y + r;   // line above it
        else
            clear = false;
        if (clear) {
            const MyPoint onCircle = f.From(c.x, facing);
            if (angles.Holds(onCircle)) best.Offer(std::fabs(facing), f.From(c.x, 0.0), onCircle);
        }
    }
    OfferEnds(best, s, arc, true);
    OfferEnds(best, arc, s, false);
    if (best.value < FarAway) {
        onSegment = best.a;
        onArc = best.b;
    }
    return best.value;
}

double PointPolygonDistance(MyPoint p, MyPolygonView poly, MyPoint& onPolygon)
{
    if (poly.size() < 3) return FarAway;
    if (InsidePolygon(poly, p)) {
        onPolygon = p;
        return 0.0;
    }
    Best best(0.0);
    MyPoint q, anchor;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
        const double d = PointSegmentDistance(p, MySegment{poly[i], poly[i + 1]}, q, anchor);
        best.Offer(d, q, p);
    }
    if (best.value < FarAway) onPolygon = best.a;
    return best.value;
}

double SegmentPolygonDistance(const MySegment& s, MyPolygonView poly, MyPoint& onSegment, MyPoint& onPolygon)
{
    Best best(0.0);
    MyPoint q;
    double d = PointPolygonDistance(s.Start, poly, q);
    best.Offer(d, s.Start, q);
    d = PointPolygonDistance(s.End, poly, q);
    best.Offer(d, s.End, q);
    if (best.value > Zero) {
        MyPoint n1, n2;
        for (std::size_t i = 0; i + 1 < poly.size() && best.value > 0; ++i) {
            d = SegmentSegmentDistance(s, MySegment{poly[i], poly[i + 1]}, n1, n2);
            best.Offer(d, n1, n2);
        }
    }
    if (best.value < FarAway) {
        onSegment = best.a;
        onPolygon = best.b;
    }
    return best.value;
}

double PolygonPolygonDistance(MyPolygonView p1, MyPolygonView p2, MyPoint& n1, MyPoint& n2)
{
    Best best(0.0);
    MyPoint q;
    for (std::size_t i = 0; i < p1.size() && best.value > 0; ++i) {
        const double d = PointPolygonDistance(p1[i], p2, q);
        best.Offer(d, p1[i], q);
    }
    if (best.value > Zero)
        for (std::size_t i = 0; i < p2.size() && best.value > 0; ++i) {
            const double d = PointPolygonDistance(p2[i], p1, q);
            best.Offer(d, q, p2[i]);
        }
    if (best.value > Zero) {
        MyPoint a, b;
        for (std::size_t i = 0; i + 1 < p1.size() && best.value > 0; ++i)
            for (std::size_t j = 0; j + 1 < p2.size() && best.value > 0; ++j) {
                const double d = SegmentSegmentDistance(MySegment{p1[i], p1[i + 1]}, MySegment{p2[j], p2[j + 1]}, a, b);
                best.Offer(d, a, b);
            }
    }
    if (best.value < FarAway) {
        n1 = best.a;
        n2 = best.b;
    }
    return best.value;
}

double ArcPolygonDistance(const MyArc& arc, MyPolygonView poly, MyPoint& onArc, MyPoint& onPolygon)
{
    if (poly.size() < 3) return FarAway;
    MyCrossPoints cross;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i)
        if (IntersectSegmentArc(MySegment{poly[i], poly[i + 1]}, arc, cross) > 0) {
            onArc = onPolygon = cross[0];
            return 0.0;
        }
    for (MyPoint end : {arc.Start, arc.End})
        if (InsidePolygon(poly, end)) {
            onArc = onPolygon = end;
            return 0.0;
        }
    Best best(LengthTol);
    MyPoint a, b;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
        const double d = SegmentArcDistance(MySegment{poly[i], poly[i + 1]}, arc, a, b);
        best.Offer(d, b, a);
    }
    if (best.value < FarAway) {
        onArc = best.a;
        onPolygon = best.b;
    }
    return best.value;
}

double ArcArcDistance(const MyArc& a1, const MyArc& a2, MyPoint& n1, MyPoint& n2)
{
    MyCrossPoints cross;
    if (IntersectArcs(a1, a2, cross) > 0) {
        n1 = n2 = cross[0];
        return 0.0;
    }
    Best best(0.0);
    const MyPoint c1 = a1.Centre, c2 = a2.Centre;
    const double r1 = a1.Radius, r2 = a2.Radius;
    const double d = Dist(c1, c2);
    const ArcAngles on1(a1), on2(a2);
    // Candidates on the line through the centres: nested or separate
    // circles. Circles that overlap, however little, have their nearest
    // places at the arc ends.
    const bool firstLarger = r1 >= r2;
    const double rl = firstLarger ? r1 : r2, rs = firstLarger ? r2 : r1;
    const ArcAngles& onl = firstLarger ? on1 : on2;
    const ArcAngles& ons = firstLarger ? on2 : on1;
    // Along the line from the first centre to the second (+x when they
    // coincide).
    const MyPoint u = d > Zero ? MyPoint{(c2.x - c1.x) / d, (c2.y - c1.y) / d} : MyPoint{1.0, 0.0};
    if (rl - (d + rs) >= 0) {
        // One inside the other: both points on the ray from the larger
        // centre through the smaller one.
        const double k = firstLarger ? 1.0 : -1.0;
        const MyPoint pl = Plus(firstLarger ? c1 : c2, k * rl, u), ps = Plus(firstLarger ? c2 : c1, k * rs, u);
        if (onl.Holds(pl) && ons.Holds(ps)) {
            if (firstLarger)
                best.Offer(rl - d - rs, pl, ps);
            else
                best.Offer(rl - d - rs, ps, pl);
        }
    } else if (d - (r1 + r2) >= 0) {
        const MyPoint p1 = Plus(c1, r1, u), p2 = Plus(c2, -r2, u);
        if (on1.Holds(p1) && on2.Holds(p2)) best.Offer(d - r1 - r2, p1, p2);
    }
    OfferEnds(best, a2, a1, false);
    OfferEnds(best, a1, a2, true);
    if (best.value < FarAway) {
        n1 = best.a;
        n2 = best.b;
    }
    return best.value;
}

void GapEndPoints(MyPoint& a, MyPoint& b, double halfWidthA, double halfWidthB)
{
    const double d = Dist(a, b);
    if (d < 0.001) return;
    if (d - (halfWidthA + halfWidthB) > LengthTol) {
        const MyPoint u{(b.x - a.x) / d, (b.y - a.y) / d};
        a = Plus(a, halfWidthA, u);
        b = Plus(b, -halfWidthB, u);
        return;
    }
    MyPoint m;
    Midpoint(m.x, m.y, a.x, a.y, b.x, b.y);
    a = b = m;
}

} // namespace core
