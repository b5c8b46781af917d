#pragma once
// Apertures and arcs turned into device drawing: stroke pen widths, the
// world-to-device transform, the flash of any aperture shape or macro on a
// canvas, the distance from a point to a flashed aperture, the run of
// elements of one group, and the point lists of arcs and circles.
//
// Device transform: a scale (pixels per mm), offsets ox, oy (mm) and a
// mirror flag. (x, y) maps to (Trunc((x + ox) × scale), Trunc((oy − y) ×
// scale)), mirrored to (Trunc((ox − x) × scale), ...); device y grows
// downwards. Results are saturated to the canvas guard band.
#include "core/Datas.h"
#include "core/Geometry.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <limits>

namespace core {

// Chords for an arc of `sweep` radians and radius r at `scale`: none falls
// more than a quarter pixel inside the circle; 6 to 1024.
int ArcSegments(double sweep, double radius, double scale);

// Pen width of a stroke of aperture d: max(1, Trunc(Size1 × scale + 0.7)).
int PenWidthPixels(int d, double scale);

void DevicePoint(bool mirror, std::int32_t& px, std::int32_t& py, double x, double y, double ox, double oy, double scale);
void DevicePolygon(const MyPointArray& points, bool mirror, MyTPointArray& out, double scale, double ox, double oy);
// Left and top from (x1, y1), right and bottom from (x2, y2).
void DeviceRect(bool mirror, platform::Rect& rect, double scale, double ox, double oy,
                double x1, double y1, double x2, double y2);

// n points from angle 0 in steps of 2π/n, plus the first again; n < 3
// gives no points. Returns the count.
int CirclePoints(int n, MyPointArray& points, double radius, double cx, double cy);

// A thermal of four pads about (cx, cy), turned by `rotation` degrees, in
// the canvas's pen colour and mode, each pixel once.
void DrawThermal(platform::Canvas& canvas, bool mirror, double scale, double ox, double oy, double rotation,
                 double gap, double outer, double inner, double cx, double cy);
// The regular polygon of aperture d about (cx, cy).
void DrawPolygonFlash(platform::Canvas& canvas, int d, bool mirror, double scale, double ox, double oy, double cx, double cy);
// Moiré macro primitive k of a flash at (fx, fy).
void DrawMoire(platform::Canvas& canvas, int k, bool mirror, double scale, double ox, double oy, double fx, double fy);

// The flash of element i in the canvas's pen colour, pen mode and brush.
// Sets the pen width to 1 and, for macros, the brush solid. A macro is
// drawn as a whole: its clear primitives cut holes in it only, never in
// what lies under the flash, so `background` is no longer painted.
void DrawFlash(platform::Canvas& canvas, int i, bool mirror, platform::Color background, double scale, double ox, double oy);
// The same with pixels of their own size across (scaleX) and down
// (scaleY), as a printer may have them.
void DrawFlash(platform::Canvas& canvas, int i, bool mirror, platform::Color background, double scaleX, double scaleY, double ox,
               double oy);

// Memory the masks kept for flashes drawn on this thread take: bounded,
// all of it dropped when it would pass 32 MB. (Masks are also lent between
// threads through a store of their own, bounded the same way.)
std::size_t FlashMaskBytes();

// While one lives on a thread, the aperture and macro tables are taken to
// stay as they are (as they do through a redraw): a macro's kept template
// is checked against the tables at its first flash only, not at every one.
class FlashBatch {
public:
    FlashBatch();
    ~FlashBatch();
    FlashBatch(const FlashBatch&) = delete;
    FlashBatch& operator=(const FlashBatch&) = delete;

private:
    std::uint64_t outer_;
};

// Distance from the probe to the edge of aperture d flashed at (fx, fy):
// negative inside round shapes, 0 inside polygonal ones, FarAway when
// nothing applies.
double FlashDistance(int d, double fx, double fy, double px, double py);

// First and last index of the run of elements around i with i's Layer and
// Group (i alone when its Group is 0 or i is out of the array).
void GroupRange(int i, int& first, int& last);

// An arc or circle element as n + 1 points (kinds 6, 16 counter-clockwise;
// 7, 17 clockwise; 8, 9, 18, 19 circles). A radius of 0 or less gives the
// chord start–end and n becomes 1; other kinds give no points.
void ArcToPoints(int kind, MyPointArray& points, int& n, double radius, double cx, double cy,
                 double sx, double sy, double ex, double ey);
// A full circle of n + 1 points from the direction of the start point,
// counter-clockwise for kind 18, clockwise otherwise. Returns n + 1 (0 and
// no points when n < 1).
int ArcPoints(int kind, MyPointArray& points, int n, double radius, double cx, double cy, double sx, double sy);

// ---- arcs for drawing at a device's resolution (screen or printer)

// Chords for an arc of `sweep` radians and radius `radius` mm drawn at
// `scale` device pixels per mm so that none strays more than a quarter pixel
// from the arc; at least one. A device with different X and Y resolutions
// passes the larger.
long long ArcChords(double sweep, double radius, double scale);

// Appends the arc of radius r about (cx, cy) from angle a0 turning by
// `sweep` radians in the chords of ArcChords (its first point only when
// `first`). `near` is the world box where the drawing can be seen (the
// picture or page grown by the pen's reach): an arc that needs more than
// 4,096 chords gets them only where it meets the box, and elsewhere long
// chords that stay outside the box as the arc does. Without a finite box at
// most 65,536 chords.
void AppendArcPoints(MyPointArray& points, double cx, double cy, double r, double a0, double sweep, double scale, const MyBox& near,
                     bool first);

// An arc or circle element as points for drawing at `scale` pixels per mm:
// an arc from its exact start to its exact end, a circle once round from
// the direction of its start, in the chords of AppendArcPoints. A radius of
// 0 or less gives the chord start–end; other kinds give no points.
void ArcDrawPoints(int kind, MyPointArray& points, double radius, double cx, double cy, double sx, double sy, double ex, double ey,
                   double scale, const MyBox& near);

// A box holding everything, for drawing with no part left out.
inline constexpr MyBox EverywhereBox{-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};

} // namespace core
