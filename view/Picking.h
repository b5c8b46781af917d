#pragma once
// The elements under the pointer, and the point of one that the measure tool
// takes.
//
// Distances are to an element's outline, the edge of what it covers: a line
// or an arc as a band of its aperture's width with round ends, a
// square-aperture stroke as its four corners, a flash as its aperture (a
// macro as its primitives), a drill hit as its hole. Measured with a sign,
// they are negative inside.
//
// Picking takes every element the pointer lies inside or within PickRadius
// of, on shown layers and of the classes switched on in SelectKindFlags,
// from every grid cell the pick radius reaches; nearest first by the signed
// distance, so the element the pointer lies deepest inside comes first.
// Snapping takes, from the same cells, the snap point nearest the pointer
// that an element of a class whose snap mode is not off offers: the pointer
// on a pad's centre finds that centre even where a larger pad lies around
// it.
#include "core/Datas.h"
#include "view/ToolState.h"

namespace mainwin {

inline constexpr double PickRadius = 0.5;

// Signed distance from (x, y) to the element's outline and the outline's
// nearest point; FarAway with (x, y) for kinds that have no outline here.
double SignedDistanceToPrimitive(const core::DataElement& e, double& nx, double& ny, double x, double y);
// Its size: how far (x, y) is from the outline.
double DistanceToPrimitive(const core::DataElement& e, double& nx, double& ny, double x, double y);

// From (qx, qy) to the centre line of an arc about (cx, cy): counter-
// clockwise from P1 to P2 for kinds 6 and 16, clockwise for 7 and 17, its
// ends taken at `radius` in the directions of P1 and P2.
double PointToArcDistance(int kind, double& nx, double& ny, double x1, double y1, double x2, double y2, double cx,
                          double cy, double radius, double qx, double qy);

// The snap class of an element kind (lines 1, 11; strokes 2; arcs 6, 7, 16,
// 17; flashes 3; drill hits 10, 40), -1 none.
int SnapClassOf(int kind);

// The snap point of one element for the pointer (x, y) in a mode: the
// class's candidate nearest the pointer, the first on a tie. False when the
// class has no point in that mode.
//  - line: centre line P1, middle, P2; outline the four side corners, the
//    two end-cap tips and the two side middles;
//  - square-aperture stroke: centre line its start, middle and end; outline
//    its four corners and four edge middles;
//  - arc: centre line its ends and the quarter points on its sweep; outline
//    the same on the outer edge, then the inner one while it has a radius;
//    centre point its centre;
//  - flash: outline four points (circles) or eight (squares); centre point
//    the flash point;
//  - drill hit: outline four points of the hole; centre point its centre.
bool SnapLine(const core::DataElement& e, int mode, double& sx, double& sy, double x, double y);
bool SnapRectFigure(const core::DataElement& e, int mode, double& sx, double& sy, double x, double y);
bool SnapArc(const core::DataElement& e, int mode, double& sx, double& sy, double x, double y);
bool SnapFlash(const core::DataElement& e, int mode, double& sx, double& sy, double x, double y);
bool SnapDrill(const core::DataElement& e, int mode, double& sx, double& sy, double x, double y);
// The element's snap point under its class's snap mode.
bool SnapToPrimitive(const core::DataElement& e, double& sx, double& sy, double x, double y);

// The elements picked at pixel (x, y) of the picture into `picks` (Current 0
// when any, else -1), their signed distances and nearest outline points
// beside them; their number. A pixel outside the grid picks nothing and
// leaves `picks` as it was.
int PickPrimitives(int x, int y, MyInfoSet& picks);
// The snap point for the pointer's data point (x, y), into (x, y), and the
// element offering it (on a tie the one the pointer is nearest, then the
// first); false (x, y as they were) when no element around offers one.
bool FindMeasureSnap(int& element, double& x, double& y);

} // namespace mainwin
