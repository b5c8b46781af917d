#pragma once
// The exact-geometry kernel under the clearance engine: rotation, range and
// arc-membership tests, arc bounds, aperture outlines, intersections of
// segments and arcs, and the least distance with its two nearest points
// between points, segments, arcs and closed polygons.
//
// Millimetres; angles in radians, [0, 2π), counter-clockwise from +x, taken
// with Direction. Tolerances: 1e-12 is zero; 0.0004 for lengths and
// coordinates (InRange, equal points, the replacement rule of minimum
// searches); 0.004 rad for an angle lying on an arc, no more than 0.0004 mm
// along the arc inside the distance routines.
//
// Every distance routine takes its inputs in the order of its name, returns
// the distance (0 when touching or crossing, FarAway when it has no result)
// and writes the nearest point on each object in the same order (left as
// they were when there is no result).
#include "core/Datas.h"
#include "core/Geometry.h"

#include <array>
#include <cstdint>
#include <span>

namespace core {

struct MySegment {
    MyPoint Start, End;
};

// Runs from Start to End about Centre, counter-clockwise when Ccw.
struct MyArc {
    bool Ccw = true;
    MyPoint Centre;
    double Radius = 0;
    MyPoint Start, End;
};

// A closed polygon: the last point repeats the first.
using MyPolygonView = std::span<const MyPoint>;
// Points found by an intersection routine; the count is returned.
using MyCrossPoints = std::array<MyPoint, 4>;

// The arc of an element of kind 6, 7, 16 or 17 (6 and 16 counter-clockwise).
MyArc ElementArc(const DataElement& e);

// Rotates (x, y) about (cx, cy) by `angle` radians.
void RotatePoint(double& x, double& y, double angle, double cx, double cy);
// v between a and b (in either order), 0.0004 tolerance.
bool InRange(double v, double a, double b);
// Whether angle a lies on the arc from angle as to angle ae, 0.004 tolerance
// at both ends. Equal start and end angles make an arc of one point.
bool AngleOnArc(bool ccw, double as, double ae, double a);
// Box of an arc (no width).
void ArcBounds(const MyArc& arc, MyBox& box);

// The two end-circle centres and their radius of an oval aperture D flashed
// at (fx, fy). False (outputs untouched) for other shapes.
bool OvalCentres(int d, MyPoint& c1, double& radius, MyPoint& c2, double fx, double fy);
// The closed outline of a square, rectangle or polygon aperture D flashed at
// (fx, fy); the number of points, 0 (out empty) for other shapes.
int ApertureOutline(int d, MyPointArray& out, double fx, double fy);
// The closed outline P1, P2, P3, P4, P1 of element i. False when i is not an
// element.
bool ElementCorners(std::int64_t i, std::array<MyPoint, 5>& out);

int IntersectSegments(const MySegment& s1, const MySegment& s2, MyCrossPoints& out);
int IntersectSegmentArc(const MySegment& s, const MyArc& arc, MyCrossPoints& out);
int IntersectArcs(const MyArc& a1, const MyArc& a2, MyCrossPoints& out);

// `anchor` is the start, the middle or the end of the segment, whichever third
// the nearest point falls in.
double PointSegmentDistance(MyPoint p, const MySegment& s, MyPoint& nearest, MyPoint& anchor);
// `anchor` is the arc's start, middle or end point by thirds of the sweep.
// Equal start and end angles make an arc of one point.
double PointArcDistance(MyPoint p, const MyArc& arc, MyPoint& nearest, MyPoint& anchor);
double SegmentSegmentDistance(const MySegment& s1, const MySegment& s2, MyPoint& n1, MyPoint& n2);
double SegmentArcDistance(const MySegment& s, const MyArc& arc, MyPoint& onSegment, MyPoint& onArc);
// 0 inside (non-zero winding). Polygons of fewer than 3 points give FarAway.
double PointPolygonDistance(MyPoint p, MyPolygonView poly, MyPoint& onPolygon);
double SegmentPolygonDistance(const MySegment& s, MyPolygonView poly, MyPoint& onSegment, MyPoint& onPolygon);
double PolygonPolygonDistance(MyPolygonView p1, MyPolygonView p2, MyPoint& n1, MyPoint& n2);
double ArcPolygonDistance(const MyArc& arc, MyPolygonView poly, MyPoint& onArc, MyPoint& onPolygon);
double ArcArcDistance(const MyArc& a1, const MyArc& a2, MyPoint& n1, MyPoint& n2);

// Turns the nearest centre-line points of two elements into the ends of the
// visible gap: apart by more than the half-widths, each moves toward the
// other by its own; otherwise both become their midpoint. Points closer than
// 0.001 stay.
void GapEndPoints(MyPoint& a, MyPoint& b, double halfWidthA, double halfWidthB);

} // namespace core
