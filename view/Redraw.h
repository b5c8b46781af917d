#pragma once
// The picture of the loaded layers and the blinking highlight layer over
// it. The picture is rebuilt from the element table on every change of
// data, layers, options, view or tool; the window shows the raster.
#include "core/Datas.h"
#include "platform/RasterCanvas.h"

#include <functional>
#include <vector>

namespace mainwin {

// The picture (ClientWidth × ClientHeight after each redraw).
platform::RasterCanvas& Picture();
// The highlight layer over the picture: black is transparent.
platform::RasterCanvas& HighlightLayer();

// What the window shows of the highlight layer and whether it blinks.
struct HighlightState {
    bool Visible = false;
    bool Blinking = false;   // the 300 ms blink timer runs
};
extern HighlightState Highlight;

// How the redraw shares out its work: bands drawn by worker threads (0:
// one per processor, at most 8) once this many elements may reach the
// picture. The picture is the same either way.
struct RedrawTuning {
    unsigned Threads = 0;
    std::size_t ParallelFrom = 2000;
};
extern RedrawTuning Tuning;

enum class RedrawReason {
    All,          // anything may have changed
    ToolOverlay,  // only a tool's overlay changed: the layers may be reused
};

// Rebuilds the picture: background (shaded auto-scroll edges when zoomed),
// region fills per layer section, strokes and flashes, origin cross, drill
// holes, then the hooks below in order.
void RedrawView(RedrawReason reason = RedrawReason::All);

// Run at the start of every redraw (the tools hide their measure labels).
std::vector<std::function<void()>>& RedrawStartHooks();
// Run at the end of every redraw, in order, with the picture: rubber line,
// rubber rectangle, snap marker, measure overlay, then the active tool's.
std::vector<std::function<void(platform::RasterCanvas&)>>& OverlayHooks();

// Drops what a ToolOverlay redraw may reuse; call after changing elements
// in place (the counts, layers, options, view and size are checked anyway).
void InvalidatePicture();

// Draws the listed elements on the highlight layer (white, red over bright
// layer colours) and starts the blink.
void HighlightPrimitives(const std::vector<int>& list);

// Device outlines of a stroked line (19 points) and arc (49 points)
// through the current view; the count, 0 for an element that is not one.
int LineOutline(int i, core::MyTPointArray& points);
int ArcOutline(int i, core::MyTPointArray& points);
// The closed device polygon of the region run first..last.
int RegionPolygon(int first, int last, core::MyTPointArray& points);

} // namespace mainwin
