#include "core/Clearance.h"

#include "core/Distances.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"

#include <cmath>
#include <vector>

namespace core {

namespace {

// In the order a pair is measured in, so that measuring (i, j) and (j, i)
// is one computation.
enum class ElementClass { None, Line, Arc, Stroke, Drill, Flash };

ElementClass ClassOf(const DataElement& e)
{
    switch (e.Kind) {
    case dkLine:
    case dkRegionLine: return ElementClass::Line;
    case dkSquareStroke: return ElementClass::Stroke;
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW: return ElementClass::Arc;
    case dkFlash: return ElementClass::Flash;
    case dkDrill:
    case dkDrillList: return ElementClass::Drill;
    default: return ElementClass::None;
    }
}

// Figures whose edges are round or whose overlap means contact: their
// overlaps count as 0. Pairs with a square-aperture stroke or a hole report
// how deep they overlap.
bool ClampsOverlap(ElementClass c) { return c != ElementClass::Stroke && c != ElementClass::Drill; }

// One piece of an element's centre geometry, widened by `half` on every side.
struct Part {
    enum Type { Point, Segment, Arc, Polygon } type = Point;
    MyPoint p;
    MySegment s;
    MyArc a;
    std::size_t first = 0, count = 0;   // a polygon's points in Figure::points
    double half = 0;
};

// An element as the parts it is measured by (several for a macro flash).
struct Figure {
    std::vector<Part> parts;
    MyPointArray points;
    MyPointArray scratch;

    void Clear()
    {
        parts.clear();
        points.clear();
    }
    void AddPoint(MyPoint p, double half)
    {
        Part part;
        part.type = Part::Point;
        part.p = p;
        part.half = half;
        parts.push_back(part);
    }
    void AddSegment(MyPoint a, MyPoint b, double half)
    {
        Part part;
        part.type = Part::Segment;
        part.s = {a, b};
        part.half = half;
        parts.push_back(part);
    }
    void AddArc(const MyArc& arc, double half)
    {
        Part part;
        part.type = Part::Arc;
        part.a = arc;
        part.half = half;
        parts.push_back(part);
    }
    // A closed outline, its last point repeating the first.
    void AddPolygon(std::span<const MyPoint> outline)
    {
        if (outline.empty()) return;
        Part part;
        part.type = Part::Polygon;
        part.first = points.size();
        part.count = outline.size();
        points.insert(points.end(), outline.begin(), outline.end());
        parts.push_back(part);
    }
    MyPolygonView PolygonOf(const Part& p) const { return MyPolygonView(points.data() + p.first, p.count); }
};

double HalfStrokeWidth(int code)
{
    const MyAperture* a = ApertureAt(code);
    return a ? a->Size1 * 0.5 : 0.0;
}

// Every primitive of the macro, placed at `at`: circles and thermals as
// discs, moirés as their disc and cross-hairs, the others as outlines.
bool AddMacro(const MyAperture& a, MyPoint at, Figure& f)
{
    if (MacroCount < 1 || !ValidMacroIndex(a.FirstPrimitive) || !ValidMacroIndex(a.LastPrimitive)) return false;
    MyTwoPointArray hairs;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        double cx = 0, cy = 0, r = 0, halfThickness = 0;
        int crossCount = 0;
        if (CirclePrimitiveGeometry(k, cx, cy, r, at.x, at.y)) {
            f.AddPoint({cx, cy}, r);
        } else if (MoirePrimitiveGeometry(k, cx, cy, crossCount, hairs, halfThickness, r, at.x, at.y)) {
            f.AddPoint({cx, cy}, r);
            for (const MyTwoPoint& h : hairs) f.AddSegment(h.a, h.b, halfThickness);
        } else {
            MacroPrimitivePolygon(k, f.scratch, at.x, at.y);
            f.AddPolygon(f.scratch);
        }
    }
    return !f.parts.empty();
}

bool AddFlash(const DataElement& e, Figure& f)
{
    const MyAperture* a = ApertureAt(e.Code);
    if (!a) return false;
    const MyPoint at{e.X3, e.Y3};
    switch (a->Shape) {
    case apCircle:
        f.AddPoint(at, a->Size1 * 0.5);
        return true;
    case apThermal45:
    case apThermal90:
        // The whole pad at its outer diameter, as its box and its drawing.
        f.AddPoint(at, a->Size2 * 0.5);
        return true;
    case apSquare:
    case apRectangle:
    case apPolygon:
        if (ApertureOutline(e.Code, f.scratch, at.x, at.y) == 0) return false;
        f.AddPolygon(f.scratch);
        return true;
    case apOval: {
        MyPoint c1, c2;
        double r = 0;
        if (!OvalCentres(e.Code, c1, r, c2, at.x, at.y)) return false;
        f.AddSegment(c1, c2, r);
        return true;
    }
    case apMacro: return AddMacro(*a, at, f);
    default: return false;
    }
}

bool MakeFigure(const DataElement& e, ElementClass c, Figure& f)
{
    f.Clear();
    switch (c) {
    case ElementClass::Line:
        f.AddSegment({e.X1, e.Y1}, {e.X2, e.Y2}, e.Kind == dkLine ? HalfStrokeWidth(e.Code) : 0.0);
        return true;
    case ElementClass::Stroke: {
        const MyPoint corners[] = {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}, {e.X1, e.Y1}};
        f.AddPolygon(corners);
        return true;
    }
    case ElementClass::Arc:
        f.AddArc(ElementArc(e), e.Kind == dkArcCCW || e.Kind == dkArcCW ? HalfStrokeWidth(e.Code) : 0.0);
        return true;
    case ElementClass::Drill:
        f.AddPoint({e.X3, e.Y3}, ToolDiameter(e.Code) * 0.5);
        return true;
    case ElementClass::Flash: return AddFlash(e, f);
    default: return false;
    }
}

// Centre-line distance of two parts with the nearest point on each; FarAway
// when there is none.
double PartDistance(const Figure& fa, const Part& a, const Figure& fb, const Part& b, MyPoint& pa, MyPoint& pb)
{
    // The distance routines take their figures points first, polygons last.
    if (a.type > b.type) return PartDistance(fb, b, fa, a, pb, pa);
    MyPoint anchor;
    switch (a.type) {
    case Part::Point:
        pa = a.p;
        switch (b.type) {
        case Part::Point:
            pb = b.p;
            return Distance(a.p.x, a.p.y, b.p.x, b.p.y);
        case Part::Segment: return PointSegmentDistance(a.p, b.s, pb, anchor);
        case Part::Arc: return PointArcDistance(a.p, b.a, pb, anchor);
        case Part::Polygon: return PointPolygonDistance(a.p, fb.PolygonOf(b), pb);
        }
        break;
    case Part::Segment:
        switch (b.type) {
        case Part::Segment: return SegmentSegmentDistance(a.s, b.s, pa, pb);
        case Part::Arc: return SegmentArcDistance(a.s, b.a, pa, pb);
        case Part::Polygon: return SegmentPolygonDistance(a.s, fb.PolygonOf(b), pa, pb);
        default: break;
        }
        break;
    case Part::Arc:
        switch (b.type) {
        case Part::Arc: return ArcArcDistance(a.a, b.a, pa, pb);
        case Part::Polygon: return ArcPolygonDistance(a.a, fb.PolygonOf(b), pa, pb);
        default: break;
        }
        break;
    case Part::Polygon: return PolygonPolygonDistance(fa.PolygonOf(a), fb.PolygonOf(b), pa, pb);
    }
    return FarAway;
}

// The least edge-to-edge distance over every pair of parts (the first found
// of equal ones), with its gap points; FarAway when no pair has one.
double FigureGap(const Figure& fa, const Figure& fb, MyPoint& pa, MyPoint& pb)
{
    double best = FarAway;
    for (const Part& a : fa.parts)
        for (const Part& b : fb.parts) {
            MyPoint qa, qb;
            double d = PartDistance(fa, a, fb, b, qa, qb);
            if (!(d < FarAway)) continue;
            d -= a.half + b.half;
            if (!(d < best)) continue;
            best = d;
            GapEndPoints(qa, qb, a.half, b.half);
            pa = qa;
            pb = qb;
        }
    return best;
}

} // namespace

double GapBetween(std::int64_t i, std::int64_t j, double& x1, double& y1, double& x2, double& y2)
{
    if (i < 0 || j < 0 || i >= DataCount || j >= DataCount) return FarAway;
    const DataElement& ei = Datas[static_cast<std::size_t>(i)];
    const DataElement& ej = Datas[static_cast<std::size_t>(j)];
    const ElementClass ci = ClassOf(ei), cj = ClassOf(ej);
    if (ci == ElementClass::None || cj == ElementClass::None) return FarAway;
    // One order for both ways round, so that swapping the elements swaps the
    // points and nothing else.
    const bool swapped = cj < ci || (cj == ci && j < i);
    thread_local Figure first, second;
    if (!MakeFigure(swapped ? ej : ei, swapped ? cj : ci, first) || !MakeFigure(swapped ? ei : ej, swapped ? ci : cj, second))
        return FarAway;
    MyPoint a, b;
    double gap = FigureGap(first, second, a, b);
    if (!(gap < FarAway) || !std::isfinite(gap)) return FarAway;
    if (ClampsOverlap(ci) && ClampsOverlap(cj) && gap <= 1e-12) gap = 0.0;
    if (swapped) std::swap(a, b);
    x1 = a.x;
    y1 = a.y;
    x2 = b.x;
    y2 = b.y;
    return RoundTo(4, gap);
}

} // namespace core
