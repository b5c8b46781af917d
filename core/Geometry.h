#pragma once
// Plane geometry every geometric part stands on: distance and direction,
// arc sweep and middle, stroke outlines, macro primitive outlines and the
// boxes of apertures, elements and layers. Millimetres; radians counter-
// clockwise from +x unless a name says degrees.
#include "core/Datas.h"

#include <array>

namespace core {

// min x, max x, min y, max y
using MyBox = std::array<double, 4>;
// The box every box search starts from: any real point shrinks it.
inline constexpr MyBox EmptyBox{2000.0, -2000.0, 2000.0, -2000.0};
// The value for far away and for no result.
inline constexpr double FarAway = 2000.0;

inline void GrowBox(MyBox& box, double x, double y)
{
    if (x < box[0]) box[0] = x;
    if (x > box[1]) box[1] = x;
    if (y < box[2]) box[2] = y;
    if (y > box[3]) box[3] = y;
}
inline void GrowBox(MyBox& box, const MyBox& other)
{
    if (other[0] < box[0]) box[0] = other[0];
    if (other[1] > box[1]) box[1] = other[1];
    if (other[2] < box[2]) box[2] = other[2];
    if (other[3] > box[3]) box[3] = other[3];
}

double Distance(double x1, double y1, double x2, double y2);
// Direction of the vector from point 1 to point 2, in [0, 2π); tolerance 0.001.
double Direction(double x1, double y1, double x2, double y2);
// Sweep in degrees, (0, 360]; direction "CCW" or anything else for clockwise.
double ArcSweep(const std::string& direction, double sx, double sy, double ex, double ey, double cx, double cy);
// The start angle and signed sweep (radians, counter-clockwise positive) of
// an arc or circle element from its centre, start and end, to the last bit
// (where the ends nearly meet, none or a whole turn as the rounded
// directions of ArcToPoints have it); false for other kinds. Circles (8 and 18 counter-clockwise) turn once
// from the start.
bool ArcStartAndSweep(int kind, double cx, double cy, double sx, double sy, double ex, double ey, double& start, double& sweep);
void ArcMidPoint(int kind, double& ox, double& oy, double radius, double cx, double cy,
                 double sx, double sy, double ex, double ey);
void MarkerArcMidPoint(int kind, double& ox, double& oy, double radius, double cx, double cy,
                       double sx, double sy, double ex, double ey);

// The closed 17-point polygon circumscribing a stroke with round ends.
// Its points are Q + offset k for k < 8 and P + offset k for 8 <= k < 16
// (the offsets of StrokeOffsets for the direction from P to Q), then the
// first again.
void StrokeOffsets(double width, double direction, std::array<double, 16>& x, std::array<double, 16>& y);
void StrokeOutline(std::array<MyPoint, 17>& out, double width, double px, double py, double qx, double qy);

// A polygon aperture has 3 to 12 vertices; outside that it has no outline.
inline constexpr int MinPolygonVertices = 3, MaxPolygonVertices = 12;
bool PolygonVerticesValid(double vertices);

// Rotates (x, y) about (fx, fy) by `degrees`.
MyPoint RotateAbout(double x, double y, double fx, double fy, double degrees);
// An offset from a flash point turned by `degrees` (unchanged at 0).
MyPoint TurnOffset(double dx, double dy, double degrees);

// A point of a flashed macro primitive: (F + base) + offset, both parts
// from the primitive alone. Every user of primitive points (drawing, boxes,
// distances) places them this way, so a primitive's points are computed
// the same wherever it is flashed and by whoever asks.
struct MyFlashPoint {
    MyPoint base, offset;
};
using MyFlashPointArray = std::vector<MyFlashPoint>;
inline MyPoint PlaceFlashPoint(const MyFlashPoint& p, double fx, double fy)
{
    return {(fx + p.base.x) + p.offset.x, (fy + p.base.y) + p.offset.y};
}

// Circle (code 1) and thermal (code 7) primitives of macro primitive k
// flashed at F: centre and outer radius. False for other codes.
bool CirclePrimitiveGeometry(int k, double& cx, double& cy, double& radius, double fx, double fy);

struct MyTwoPoint { MyPoint a, b; };
using MyTwoPointArray = std::vector<MyTwoPoint>;
// Moiré (code 6) of macro primitive k flashed at F. False for other codes.
bool MoirePrimitiveGeometry(int k, double& cx, double& cy, int& crossCount, MyTwoPointArray& segments,
                            double& halfThickness, double& radius, double fx, double fy);

// The closed outline of a polygonal primitive (codes 2, 20, 21, 22, 4, 5) of
// macro primitive k flashed at F. Empty when the primitive has no outline.
void MacroPrimitivePolygon(int k, MyPointArray& out, double fx, double fy);
// The same outline as points to place at any flash point.
void MacroPrimitiveOutline(int k, MyFlashPointArray& out);

// The diameter of drill tool t, its text read as a number; 0 for a tool
// out of the table and for a text that is no size.
double ToolDiameter(int t);

// Box of aperture D flashed at (x, y); EmptyBox when it has none.
void ApertureBox(int d, MyBox& box, double x, double y);
// Box of everything an element covers, aperture included. False (box all
// zeros) for kinds that cover nothing.
bool ElementBox(const DataElement& e, MyBox& box);
// Geometric extent without widths. False (box untouched) for kinds without one.
bool ElementExtent(const DataElement& e, MyBox& box);
// Extent of all elements of a layer, rounded to 5 decimals.
void LayerExtents(int layer, MyBox& box);

void Midpoint(double& x, double& y, double x1, double y1, double x2, double y2);
// Where a design-rule marker of the element is drawn.
void MarkerPoint(const DataElement& e, double& x, double& y);
void SwapDoubles(double& a, double& b);

} // namespace core
