#pragma once
// Moving the view: the pan frame, the keys, the wheel and auto-scroll at
// the picture's edges. The rules live here without a window; the main
// window feeds them its events and shows the picture they redraw.
#include "view/ScrollRegions.h"
#include "platform/RasterCanvas.h"

#include <string>
#include <vector>

namespace mainwin {

// Even-odd crossing test of (x, y) against points[0..high].
bool PointInPolygon(const std::vector<platform::Point>& points, int high, int x, int y);
// The first region holding (x, y), -1 none.
int HitScrollRegion(const MyScrollSw& set, int x, int y);

// The pan frame around the picture and the auto-scroll edges of it.
extern MyScrollSw PanFrame;
extern MyScrollSw EdgeRegions;
// Both region sets from the client sizes of the frame and the picture.
void LayoutPanFrame(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight);
// The frame's regions on black: the hovered one white, the others grey.
void DrawPanFrame(platform::RasterCanvas& canvas, const MyScrollSw& set);
// PanView's direction for a press in pan-frame region 0..7 (0 outside).
int PanFrameDirection(int region);

// The pointer over the picture.
struct NavigationState {
    int LastX = 0, LastY = 0;        // last pointer pixel over the picture
    bool PointerSeen = false;        // LastX/LastY hold a real position
    std::string WheelTarget;         // control under the pointer, "sw0".."sw7" for an edge
    int TickCount = 0;               // auto-scroll ticks
    int WheelRest = 0;               // wheel angle not yet a whole notch
};
extern NavigationState Navigation;

// Layers are loaded and there is something to move.
bool HasViewData();

// The data point under the last pointer position; the view's centre when
// the pointer has not been over the picture yet.
void PointerDataPoint(double& x, double& y);

enum class NavKey { Up, Down, Left, Right, PageUp, PageDown, Home };

// What a navigation step asks of the window.
struct NavResult {
    bool Redraw = false;       // the picture was rebuilt
    bool MoveCursor = false;   // put the pointer on (CursorX, CursorY) of the picture
    int CursorX = 0, CursorY = 0;
};

// A key's step; the picture is rebuilt.
NavResult NavigationKey(NavKey key);

// Adds a wheel angle delta (120 per notch, high-resolution wheels send
// less) and returns the whole notches, forward positive.
int TakeWheelNotches(int angleDelta);
// One notch over the picture: forward zooms ×1.5 about the pointer's data
// point and asks for the pointer back on it; backward halves the zoom, or
// fits the view at zoom 1.
NavResult WheelZoomStep(bool forward);

// Pointer moved over the picture to (x, y): the edge region it rests in
// while auto-scroll is possible (-1 none). Sets the wheel target and the
// hover of EdgeRegions; returns true when auto-scroll should run.
bool PointerOverPicture(int x, int y);
// Whether auto-scroll can run at all: the option on, zoomed in, data loaded.
bool AutoScrollPossible();
// One auto-scroll tick: moves the centre a tenth of the visible size
// toward the hovered edge and redraws. False: the timer stops (the view
// was redrawn once when it was zoomed out or nothing was hovered).
bool AutoScrollTick();
// Pointer left the edges: no region hovered.
void StopAutoScroll();

// The top / bottom selector: tab rectangles and painting.
struct SideTabs {
    platform::Rect Top, Bottom;
};
SideTabs LayoutSideSelector(platform::Canvas& canvas);
void DrawSideSelector(platform::RasterCanvas& canvas, platform::Color face);
// A click at (x, y) of the selector: 0 top, 1 bottom, -1 outside.
int HitSideSelector(const SideTabs& tabs, int x, int y);

} // namespace mainwin
