#pragma once
// The tools of the drawing area without a window: the settings their pages
// change, what each tool holds between clicks, the figures it has on the
// picture, ending a tool, and the overlays every redraw puts back. The main
// window owns the buttons and pages and calls these.
#include "core/Geometry.h"
#include "view/CommandMenu.h"
#include "view/ToolOverlays.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mainwin {

// ---------------------------------------------------------------- settings

// Element classes of the snap modes.
enum SnapClass : int { SnapLines, SnapRects, SnapArcs, SnapFlashes, SnapHoles, SnapClassCount };
// Snap modes: no snapping, centre line, centre point, outline.
inline constexpr std::int32_t SnapOff = 0, SnapCentreLine = 1, SnapCentrePoint = 3, SnapOutline = 4;
extern std::array<std::int32_t, SnapClassCount> SnapModes;
// The dimension ruler's graduation (mm: 1, 0.1 or 0.01) and turn (degrees).
extern double RulerMinTick;
extern double RulerAngle;

// The defaults a clear returns to: snap modes 1, 4, 1, 3, 3, graduation 1,
// no turn, every class searched.
void SetDefaultToolSettings();

// ------------------------------------------------------------------- state

// The elements under the pointer, nearest first (see PickPrimitives).
struct MyInfoSet {
    std::int32_t Count = 0;
    std::vector<std::int32_t> Items;   // element indices
    std::vector<double> PointX, PointY;   // the nearest point of each outline, mm
    std::vector<double> Distance;         // from the pick point, mm; negative inside
    std::int32_t Current = -1;            // the entry shown; -1 none
};

struct MyRubberLine {
    bool Active = false;
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};
// The first corner (X1, Y1) and the moving one (X2, Y2).
struct MyRubberRect {
    bool Active = false;
    double X1 = 0, X2 = 0, Y1 = 0, Y2 = 0;
};
struct MyMarkSet {
    bool Active = false;
    std::string Kind = "Ring";
    double X = 0, Y = 0;
};
struct MyGapSet {
    std::int32_t Step = 0;   // 0 nothing chosen, 1 first element, 2 both
    MyInfoSet FirstPicks, SecondPicks;
    std::vector<std::int32_t> Pair;   // the chosen elements
    double AX = 0, AY = 0, BX = 0, BY = 0;   // the clearance's end points
    double Gap = 0;
};
// Clearances from here on read as none ("∞"): no line is drawn for them.
inline constexpr double GapInfinite = 1200.0;

extern MyInfoSet InfoPicks;
// Elements highlighted from the aperture or tool table.
extern std::vector<std::int32_t> SearchHits;
extern MyGapSet GapState;
extern std::int32_t RectRulerStep;   // 0 waiting for the first corner, 1 first corner set
extern bool RectRulerShown;
extern MyRubberRect RubberRect;
extern core::MyBox RectRulerRect;    // min x, max x, min y, max y
extern std::uint8_t MeasureStep;     // 0 no point, 1 first point, 2 both
extern std::array<double, 4> MeasurePoints;   // x1, y1, x2, y2
extern MyRubberLine RubberLine;
extern MyMarkSet SnapMarker;

// What each figure of the tools has on the picture.
struct MyToolOverlays {
    ScreenOverlay RubberLine, RubberRect, SnapMarker, Measure, RectRuler, Gap;
};
extern MyToolOverlays Overlays;

// Ends whatever a tool has on the picture and in its state: every overlay
// on the picture erased, every step 0, the picks and search hits gone (the
// code table loses its selected row). True when search hits were dropped:
// the table is to be painted again.
bool EndToolState(platform::RasterCanvas& picture);

// ---------------------------------------------------------------- redraws

// The start of a redraw: the picture is rebuilt without any overlay.
void ForgetToolOverlays();
// The end of a redraw, in order: the rubber line, rubber rectangle, snap
// marker and measure figure that are active, then by the tool that is down:
// the rectangle ruler, the gap line and its elements (not while the view
// scrolls by itself), the element the information balloon tells of, the
// design-rule marks (and their elements blinking), and with no such tool
// the search hits.
void DrawToolOverlays(platform::RasterCanvas& picture, ToolButton tool, bool autoScrolling);

} // namespace mainwin
