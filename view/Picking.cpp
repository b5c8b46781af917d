#include "view/Picking.h"

#include "core/Distances.h"
#include "core/ElementGrid.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "view/ViewTransform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

namespace mainwin {

using core::DataElement;
using core::MyPoint;

namespace {

constexpr double Pi = std::numbers::pi;

MyPoint Polar(MyPoint c, double r, double a) { return {c.x + r * std::cos(a), c.y + r * std::sin(a)}; }
// The direction from a to b in [0, 2π), exact however short the way.
double Angle(double ax, double ay, double bx, double by)
{
    const double a = std::atan2(by - ay, bx - ax);
    return a < 0 ? a + 2 * Pi : a;
}
double Dist(MyPoint a, MyPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
MyPoint Mid(MyPoint a, MyPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// A figure's outline as the nearest point and the signed distance to it.
struct Edge {
    double d = core::FarAway;
    MyPoint n;
    void Take(double dd, MyPoint nn)
    {
        if (dd < d) {
            d = dd;
            n = nn;
        }
    }
};

// The band of half width w about a centre figure whose nearest point to q
// is c, `dc` away; `normal` is the direction across the figure at c, used
// when q lies on it.
Edge Band(MyPoint q, MyPoint c, double dc, double w, double normal)
{
    const double a = dc > 1e-12 ? Angle(c.x, c.y, q.x, q.y) : normal;
    return {dc - w, Polar(c, w, a)};
}

Edge Circle(MyPoint q, MyPoint c, double r)
{
    const double dc = Dist(q, c);
    return {dc - r, Polar(c, r, dc > 1e-12 ? Angle(c.x, c.y, q.x, q.y) : 0.0)};
}

Edge SegmentBand(MyPoint q, MyPoint a, MyPoint b, double w)
{
    MyPoint c, anchor;
    const double dc = core::PointSegmentDistance(q, core::MySegment{a, b}, c, anchor);
    return Band(q, c, dc, w, Angle(a.x, a.y, b.x, b.y) + Pi / 2);
}

// A closed polygon (its last point repeats the first), inside by the
// even-odd rule.
Edge Polygon(MyPoint q, std::span<const MyPoint> poly)
{
    Edge e;
    if (poly.size() < 4) return e;
    bool inside = false;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
        const MyPoint a = poly[i], b = poly[i + 1];
        MyPoint c, anchor;
        e.Take(core::PointSegmentDistance(q, core::MySegment{a, b}, c, anchor), c);
        if ((a.y <= q.y) != (b.y <= q.y) && q.x < a.x + (q.y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
    }
    if (inside) e.d = -e.d;
    return e;
}

bool MacroPrimitivesValid(const core::MyAperture& a)
{
    return core::MacroCount >= 1 && a.FirstPrimitive <= a.LastPrimitive && core::ValidMacroIndex(a.FirstPrimitive) &&
           core::ValidMacroIndex(a.LastPrimitive);
}

int PrimitiveCodeOf(int k)
{
    const core::MyMacro& m = core::Macros[static_cast<std::size_t>(k)];
    if (m.ValueCount < 1 || !std::isfinite(m.V(0)) || std::fabs(m.V(0)) > 1e6) return 0;
    return static_cast<int>(std::trunc(m.V(0)));
}

// A macro flash as the union of its primitives, all of them copper: outside
// it the least distance to any, inside the deepest.
Edge MacroFlash(MyPoint q, const core::MyAperture& a, MyPoint f)
{
    Edge best;
    if (!MacroPrimitivesValid(a)) return best;
    core::MyPointArray poly;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        Edge e;
        switch (PrimitiveCodeOf(k)) {
        case 1:
        case 7: {
            double cx = 0, cy = 0, r = 0;
            if (core::CirclePrimitiveGeometry(k, cx, cy, r, f.x, f.y)) e = Circle(q, {cx, cy}, r);
            break;
        }
        case 2: case 4: case 5: case 20: case 21: case 22:
            core::MacroPrimitivePolygon(k, poly, f.x, f.y);
            e = Polygon(q, poly);
            break;
        case 6: {
            double cx = 0, cy = 0, half = 0, r = 0;
            int count = 0;
            core::MyTwoPointArray arms;
            if (!core::MoirePrimitiveGeometry(k, cx, cy, count, arms, half, r, f.x, f.y)) break;
            e = Circle(q, {cx, cy}, r);
            for (const core::MyTwoPoint& s : arms) {
                for (MyPoint end : {s.a, s.b}) {
                    const Edge arm = SegmentBand(q, {cx, cy}, end, half);
                    e.Take(arm.d, arm.n);
                }
            }
            break;
        }
        default: break;
        }
        best.Take(e.d, e.n);
    }
    return best;
}

Edge Flash(MyPoint q, int code, MyPoint f)
{
    const core::MyAperture* a = core::ApertureAt(code);
    if (!a) return {};
    switch (a->Shape) {
    case core::apCircle: return Circle(q, f, a->Size1 / 2);
    // Thermals at their outer diameter.
    case core::apThermal45:
    case core::apThermal90: return Circle(q, f, a->Size2 / 2);
    case core::apSquare:
    case core::apRectangle:
    case core::apPolygon: {
        core::MyPointArray poly;
        core::ApertureOutline(code, poly, f.x, f.y);
        return Polygon(q, poly);
    }
    case core::apOval: {
        MyPoint c1, c2;
        double r = 0;
        if (!core::OvalCentres(code, c1, r, c2, f.x, f.y)) return {};
        return SegmentBand(q, c1, c2, r);
    }
    case core::apMacro: return MacroFlash(q, *a, f);
    default: return {};
    }
}

double HalfWidth(const DataElement& e)
{
    const core::MyAperture* a = core::ApertureAt(e.Code);
    return a && std::isfinite(a->Size1) ? std::max(0.0, a->Size1 * 0.5) : 0.0;
}

double DrillRadius(const DataElement& e)
{
    const core::MyTool* t = core::ToolAt(e.Code);
    return t ? std::max(0.0, core::LeadingNumber(t->Diameter) * 0.5) : 0.0;
}

bool CounterClockwise(int kind) { return kind == core::dkArcCCW || kind == core::dkRegionArcCCW; }

// The ends of an arc at `radius` and the directions from its centre.
struct ArcFrame {
    MyPoint c;
    double a1 = 0, a2 = 0;   // start and end directions as drawn
    bool ccw = true;
};
ArcFrame FrameOf(const DataElement& e)
{
    return {{e.X3, e.Y3}, Angle(e.X3, e.Y3, e.X1, e.Y1), Angle(e.X3, e.Y3, e.X2, e.Y2), CounterClockwise(e.Kind)};
}

// Candidates in order; the nearest to the pointer wins, the first on a tie.
class Nearest {
public:
    explicit Nearest(MyPoint q) : q_(q) {}
    void Offer(MyPoint p)
    {
        const double d = Dist(p, q_);
        if (!found_ || d < best_) {
            found_ = true;
            best_ = d;
            p_ = p;
        }
    }
    bool Result(double& sx, double& sy) const
    {
        if (!found_) return false;
        sx = p_.x;
        sy = p_.y;
        return true;
    }

private:
    MyPoint q_, p_;
    double best_ = 0;
    bool found_ = false;
};

// The four points of a circle on the axes: right, top, left, bottom.
void OfferAxes(Nearest& n, MyPoint c, double r)
{
    n.Offer({c.x + r, c.y});
    n.Offer({c.x, c.y + r});
    n.Offer({c.x - r, c.y});
    n.Offer({c.x, c.y - r});
}

} // namespace

double PointToArcDistance(int kind, double& nx, double& ny, double x1, double y1, double x2, double y2, double cx,
                          double cy, double radius, double qx, double qy)
{
    const MyPoint c{cx, cy}, q{qx, qy};
    double a1 = Angle(cx, cy, x1, y1), a2 = Angle(cx, cy, x2, y2);
    // Swept counter-clockwise from a1 to a2.
    if (!CounterClockwise(kind)) std::swap(a1, a2);
    double sweep = a2 - a1, t = Angle(cx, cy, qx, qy) - a1;
    if (sweep < 0) sweep += 2 * Pi;
    if (t < 0) t += 2 * Pi;
    MyPoint n;
    double d = 0;
    if (t <= sweep && Dist(q, c) > 1e-12) {
        n = Polar(c, radius, a1 + t);
        d = std::fabs(Dist(q, c) - radius);
    } else {
        const MyPoint s = Polar(c, radius, a1), e = Polar(c, radius, a2);
        const double ds = Dist(q, s), de = Dist(q, e);
        n = ds <= de ? s : e;
        d = std::min(ds, de);
    }
    nx = n.x;
    ny = n.y;
    return d;
}

double SignedDistanceToPrimitive(const DataElement& e, double& nx, double& ny, double x, double y)
{
    const MyPoint q{x, y};
    Edge edge;
    switch (e.Kind) {
    case core::dkFlash: edge = Flash(q, e.Code, {e.X3, e.Y3}); break;
    case core::dkDrill:
    case core::dkDrillList: edge = Circle(q, {e.X3, e.Y3}, DrillRadius(e)); break;
    case core::dkLine:
    case core::dkRegionLine: edge = SegmentBand(q, {e.X1, e.Y1}, {e.X2, e.Y2}, HalfWidth(e)); break;
    case core::dkSquareStroke: {
        const MyPoint poly[5] = {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}, {e.X1, e.Y1}};
        edge = Polygon(q, poly);
        break;
    }
    case core::dkArcCCW:
    case core::dkArcCW:
    case core::dkRegionArcCCW:
    case core::dkRegionArcCW: {
        double cx = 0, cy = 0;
        const double dc = PointToArcDistance(e.Kind, cx, cy, e.X1, e.Y1, e.X2, e.Y2, e.X3, e.Y3, e.X4, x, y);
        edge = Band(q, {cx, cy}, dc, HalfWidth(e), Angle(e.X3, e.Y3, cx, cy));
        break;
    }
    default: break;
    }
    if (!(edge.d < core::FarAway)) {
        nx = x;
        ny = y;
        return core::FarAway;
    }
    nx = edge.n.x;
    ny = edge.n.y;
    return edge.d;
}

double DistanceToPrimitive(const DataElement& e, double& nx, double& ny, double x, double y)
{
    return std::fabs(SignedDistanceToPrimitive(e, nx, ny, x, y));
}

// ------------------------------------------------------------------ snapping

int SnapClassOf(int kind)
{
    switch (kind) {
    case core::dkLine:
    case core::dkRegionLine: return SnapLines;
    case core::dkSquareStroke: return SnapRects;
    case core::dkArcCCW:
    case core::dkArcCW:
    case core::dkRegionArcCCW:
    case core::dkRegionArcCW: return SnapArcs;
    case core::dkFlash: return SnapFlashes;
    case core::dkDrill:
    case core::dkDrillList: return SnapHoles;
    default: return -1;
    }
}

bool SnapLine(const DataElement& e, int mode, double& sx, double& sy, double x, double y)
{
    Nearest n({x, y});
    const MyPoint p1{e.X1, e.Y1}, p2{e.X2, e.Y2};
    if (mode == SnapCentreLine) {
        n.Offer(p1);
        n.Offer(Mid(p1, p2));
        n.Offer(p2);
    } else if (mode == SnapOutline) {
        const double w = HalfWidth(e), t = Angle(p1.x, p1.y, p2.x, p2.y), half = Dist(p1, p2) / 2;
        const MyPoint a = Polar(p1, w, t + Pi / 2), c = Polar(p1, w, t + 3 * Pi / 2);
        n.Offer(a);
        n.Offer(Polar(p1, w, t + Pi));
        n.Offer(c);
        n.Offer(Polar(c, half, t));
        n.Offer(Polar(p2, w, t - Pi / 2));
        n.Offer(Polar(p2, w, t));
        n.Offer(Polar(p2, w, t + Pi / 2));
        n.Offer(Polar(a, half, t));
    }
    return n.Result(sx, sy);
}

bool SnapRectFigure(const DataElement& e, int mode, double& sx, double& sy, double x, double y)
{
    Nearest n({x, y});
    const MyPoint p1{e.X1, e.Y1}, p2{e.X2, e.Y2}, p3{e.X3, e.Y3}, p4{e.X4, e.Y4};
    if (mode == SnapCentreLine) {
        // The aperture's centre at either end: half a side in from the end
        // edges P1 P4 and P2 P3.
        const double t = Angle(p1.x, p1.y, p2.x, p2.y);
        const MyPoint s = Polar(Mid(p1, p4), Dist(p1, p4) / 2, t), f = Polar(Mid(p2, p3), Dist(p2, p3) / 2, t + Pi);
        n.Offer(s);
        n.Offer(Mid(s, f));
        n.Offer(f);
    } else if (mode == SnapOutline) {
        for (MyPoint p : {p1, Mid(p1, p4), p4, Mid(p4, p3), p3, Mid(p3, p2), p2, Mid(p2, p1)}) n.Offer(p);
    }
    return n.Result(sx, sy);
}

bool SnapArc(const DataElement& e, int mode, double& sx, double& sy, double x, double y)
{
    Nearest n({x, y});
    const ArcFrame f = FrameOf(e);
    auto ring = [&](double r) {
        n.Offer(Polar(f.c, r, f.a1));
        n.Offer(Polar(f.c, r, f.a2));
        const double quarters[4] = {Pi / 2, Pi, 3 * Pi / 2, 0};
        for (double a : quarters)
            if (core::AngleOnArc(f.ccw, f.a1, f.a2, a)) n.Offer(Polar(f.c, r, a));
    };
    if (mode == SnapCentreLine) {
        ring(e.X4);
    } else if (mode == SnapOutline) {
        const double w = HalfWidth(e);
        ring(e.X4 + w);
        if (e.X4 - w > 0) ring(e.X4 - w);
    } else if (mode == SnapCentrePoint) {
        n.Offer(f.c);
    }
    return n.Result(sx, sy);
}

bool SnapFlash(const DataElement& e, int mode, double& sx, double& sy, double x, double y)
{
    Nearest n({x, y});
    const MyPoint f{e.X3, e.Y3};
    if (mode == SnapCentrePoint) {
        n.Offer(f);
    } else if (mode == SnapOutline) {
        const core::MyAperture* a = core::ApertureAt(e.Code);
        if (a && (a->Shape == core::apCircle || a->Shape == core::apSquare)) {
            const double r = a->Size1 * 0.5;
            OfferAxes(n, f, r);
            if (a->Shape == core::apSquare)
                for (MyPoint c : {MyPoint{r, r}, MyPoint{-r, r}, MyPoint{-r, -r}, MyPoint{r, -r}}) n.Offer({f.x + c.x, f.y + c.y});
        }
    }
    return n.Result(sx, sy);
}

bool SnapDrill(const DataElement& e, int mode, double& sx, double& sy, double x, double y)
{
    Nearest n({x, y});
    const MyPoint c{e.X3, e.Y3};
    if (mode == SnapCentrePoint) n.Offer(c);
    else if (mode == SnapOutline) OfferAxes(n, c, DrillRadius(e));
    return n.Result(sx, sy);
}

bool SnapToPrimitive(const DataElement& e, double& sx, double& sy, double x, double y)
{
    const int cls = SnapClassOf(e.Kind);
    if (cls < 0) return false;
    const int mode = SnapModes[static_cast<std::size_t>(cls)];
    switch (cls) {
    case SnapLines: return SnapLine(e, mode, sx, sy, x, y);
    case SnapRects: return SnapRectFigure(e, mode, sx, sy, x, y);
    case SnapArcs: return SnapArc(e, mode, sx, sy, x, y);
    case SnapFlashes: return SnapFlash(e, mode, sx, sy, x, y);
    default: return SnapDrill(e, mode, sx, sy, x, y);
    }
}

// ------------------------------------------------------------ the grid

namespace {

// The elements listed in every cell that the pick radius about (x, y)
// reaches, in element order, each once. False when (x, y) lies outside the
// grid.
bool CandidatesAround(double x, double y, std::vector<std::int32_t>& out)
{
    out.clear();
    int col = 0, row = 0;
    if (!core::GridCellOf(x, y, col, row)) return false;
    const int c0 = static_cast<int>(std::floor(x - PickRadius + core::GridOriginX));
    const int c1 = static_cast<int>(std::floor(x + PickRadius + core::GridOriginX));
    const int r0 = static_cast<int>(std::floor(y - PickRadius + core::GridOriginY));
    const int r1 = static_cast<int>(std::floor(y + PickRadius + core::GridOriginY));
    for (int c = c0; c <= c1; ++c)
        for (int r = r0; r <= r1; ++r) {
            const std::span<const std::int32_t> cell = core::ElementGrid.Cell(c, r);
            out.insert(out.end(), cell.begin(), cell.end());
        }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return true;
}

// An element that is there, drawn, and on a shown layer.
const DataElement* Shown(std::int32_t i)
{
    if (i < 0 || i >= core::DataCount) return nullptr;
    const DataElement& e = core::Datas[static_cast<std::size_t>(i)];
    if (e.Kind < 1 || e.Kind > 99) return nullptr;
    const core::MyLayerSet* l = core::LayerAt(e.Layer);
    return l && l->Active == 1 ? &e : nullptr;
}

// The search flag of a snap class: lines, rectangles, arcs, then (past the
// unused one) flashes and holes.
std::size_t SearchFlag(int snapClass) { return static_cast<std::size_t>(snapClass < SnapFlashes ? snapClass : snapClass + 1); }

} // namespace

int PickPrimitives(int x, int y, MyInfoSet& picks)
{
    if (!(View.Scale > 0) || x < 0 || y < 0) return 0;
    double px = View.CentreX, py = View.CentreY;
    ScreenToData(x, y, px, py);
    std::vector<std::int32_t> candidates;
    if (!CandidatesAround(px, py, candidates)) return 0;
    struct Pick {
        std::int32_t item;
        double nx, ny, d;
    };
    std::vector<Pick> found;
    for (std::int32_t i : candidates) {
        const DataElement* e = Shown(i);
        if (!e) continue;
        const int cls = SnapClassOf(e->Kind);
        if (cls < 0 || core::SelectKindFlags[SearchFlag(cls)] == 0) continue;
        Pick p{i, 0, 0, 0};
        p.d = SignedDistanceToPrimitive(*e, p.nx, p.ny, px, py);
        if (p.d < PickRadius) found.push_back(p);
    }
    std::stable_sort(found.begin(), found.end(), [](const Pick& a, const Pick& b) { return a.d < b.d; });
    picks.Count = static_cast<std::int32_t>(found.size());
    picks.Items.clear();
    picks.PointX.clear();
    picks.PointY.clear();
    picks.Distance.clear();
    for (const Pick& p : found) {
        picks.Items.push_back(p.item);
        picks.PointX.push_back(p.nx);
        picks.PointY.push_back(p.ny);
        picks.Distance.push_back(p.d);
    }
    picks.Current = found.empty() ? -1 : 0;
    return picks.Count;
}

bool FindMeasureSnap(int& element, double& x, double& y)
{
    std::vector<std::int32_t> candidates;
    if (!CandidatesAround(x, y, candidates)) return false;
    // The snap point nearest the pointer; on a tie the element the pointer
    // is nearest (deepest inside), then the first.
    std::int32_t best = -1;
    double bestPoint = 0, bestEdge = 0, bx = x, by = y;
    for (std::int32_t i : candidates) {
        const DataElement* e = Shown(i);
        if (!e) continue;
        const int cls = SnapClassOf(e->Kind);
        if (cls < 0 || SnapModes[static_cast<std::size_t>(cls)] == SnapOff) continue;
        double sx = 0, sy = 0;
        if (!SnapToPrimitive(*e, sx, sy, x, y)) continue;
        double nx = 0, ny = 0;
        const double point = std::hypot(sx - x, sy - y), edge = SignedDistanceToPrimitive(*e, nx, ny, x, y);
        if (best < 0 || point < bestPoint || (point == bestPoint && edge < bestEdge)) {
            best = i;
            bestPoint = point;
            bestEdge = edge;
            bx = sx;
            by = sy;
        }
    }
    if (best < 0) return false;
    element = best;
    x = bx;
    y = by;
    return true;
}

} // namespace mainwin
