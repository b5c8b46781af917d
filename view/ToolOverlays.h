#pragma once
// The figures the tools draw straight onto the picture: rubber line and
// rectangle, snap marker, measure triangle, rectangle ruler, gap line. They
// are drawn with an inverting pen (black, not-XOR), so drawing a figure a
// second time puts every pixel back. Each overlay remembers the figure it
// put on the picture, in pixels, and whether it is there: an erase paints
// exactly that figure and only when it is on the picture, whatever the view
// or the tool's state did in between.
#include "platform/RasterCanvas.h"

#include <cstdint>
#include <vector>

namespace mainwin {

struct OverlayPart {
    enum Kind : std::uint8_t {
        Line,    // a to b
        Frame,   // rectangle outline with corners a and b
        Ring,    // circle outline about a, radius b.x
        Disc,    // the same with a white fill: under the inverting pen the
                 // outline inverts and the inside stays as it is
    };
    Kind kind = Line;
    bool dotted = false;
    platform::Point a, b;
    friend bool operator==(const OverlayPart&, const OverlayPart&) = default;
};
using OverlayFigure = std::vector<OverlayPart>;

// Paints a figure once with the inverting pen.
void PaintOverlay(platform::RasterCanvas& canvas, const OverlayFigure& figure);

class ScreenOverlay {
public:
    bool OnScreen() const { return onScreen_; }
    // The figure on the picture (empty when none is).
    const OverlayFigure& Figure() const { return drawn_; }
    // Puts `figure` on the picture, erasing what this overlay had there.
    void Draw(platform::RasterCanvas& canvas, OverlayFigure figure);
    // Takes its figure off the picture; nothing when none is on it.
    void Erase(platform::RasterCanvas& canvas);
    // The picture was rebuilt without it.
    void Forget();

private:
    OverlayFigure drawn_;
    bool onScreen_ = false;
};

// The figures in pixels of the current view (data points in mm).
inline constexpr int MarkerRadius = 5;
OverlayFigure RubberLineFigure(double x1, double y1, double x2, double y2);
// Corners (x1, y1) and (x2, y2), in any order.
OverlayFigure RubberRectFigure(double x1, double y1, double x2, double y2);
// The "Ring" marker: a circle of 5 pixels about the point.
OverlayFigure SnapMarkerFigure(double x, double y);
// A right triangle whose hypotenuse is the measured line (dotted legs, the
// ones of no length left out), and a white-filled circle at either point
// (one when they fall on one pixel).
OverlayFigure MeasureFigure(double x1, double y1, double x2, double y2);
// The dotted outline of a box (min x, max x, min y, max y).
OverlayFigure RectRulerFigure(double x1, double x2, double y1, double y2);
// The dotted clearance line and a white-filled circle at either end (one
// when they fall on one pixel).
OverlayFigure GapFigure(double ax, double ay, double bx, double by);

} // namespace mainwin
