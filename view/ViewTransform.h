#pragma once
// The mapping between data millimetres and picture pixels: zoom over the
// fitted view, centre, mirror. Globals of the main window, read by the
// redraw, the navigation and the tools.
#include "core/Datas.h"
#include "platform/Canvas.h"

#include <vector>

namespace mainwin {

constexpr double MaxZoom = 1000.0;

struct ViewState {
    double Zoom = 0;                       // over the fitted view, 1 .. MaxZoom
    double CentreX = 0, CentreY = 0;       // data point at the centre of the picture
    double VisibleWidth = 0, VisibleHeight = 0;
    double OriginX = 0, OriginY = 0;       // offsets of the pixel transform, mm
    double Scale = 0;                      // pixels per mm
    friend bool operator==(const ViewState&, const ViewState&) = default;
};

// The drawing options, named after their start-up file keys.
struct ViewOptions {
    bool MIRR = false;      // mirrored in X: the view from the bottom side
    bool PAINT = true;      // filled; off: outlines only
    bool AUTOSCR = false;   // auto-scroll at the picture's edges (shaded)
    bool DRILLCHR = false;  // drill hits as tool letters
    friend bool operator==(const ViewOptions&, const ViewOptions&) = default;
};

extern ViewState View;
extern ViewOptions Options;
// Client size of the picture in pixels.
extern int ClientWidth, ClientHeight;

// Zoom by `factor` (1 keeps, -1 fits, 0 doubles, other negatives set |f|),
// optionally about a new centre; the centre is kept inside the fitted view.
// Nothing happens without layers, without a fitted view or without a
// client area.
void SetViewZoom(bool setCentre, double x, double y, double factor);
// The fitted view of the data extents into Extents (with a 20 mm margin).
void FitViewExtents();

void DataToScreen(double x, double y, int& px, int& py);
// Leaves x and y as the caller set them when there is no scale or the pixel
// lies left of or above the picture (callers start from the current centre).
void ScreenToData(int px, int py, double& x, double& y);
// Box (min x, max x, min y, max y) to a pixel rectangle, left/top from
// (x1, y2), right/bottom from (x2, y1).
platform::Rect DataRectToScreen(double x1, double x2, double y1, double y2);
// Pixel rectangle to left x, right x, bottom y, top y.
void ScreenRectToData(const platform::Rect& r, double& x1, double& x2, double& y1, double& y2);

// Moves the centre by a whole (amount 100) or half (50) visible size in
// one of eight directions (1 left-down ... 8 down, clockwise from the
// left-down), then redraws. Below 1 nothing; above 8 only the redraw.
void PanView(int direction, int amount);

// Rotates P1 and P2 of the first `count` elements about (0, 0) by
// `angle` degrees; the right angles exactly.
void RotatePrimitives(std::vector<core::DataElement>& elements, int count, double angle);

} // namespace mainwin
