#pragma once
// The measuring tools of the drawing area without a window: the measure
// tool (two snapped points, their offsets, distance and angle), the
// dimension ruler (a graduated ruler image under the pointer), the
// rectangle ruler (the box of the elements inside a dragged rectangle) and
// the gap tool (the clearance between two picked elements). A click changes
// the tool's state (ToolState) and its figures on the picture; the window
// shows the hints, labels, ruler image and highlight that follow from them.
#include "core/Tasks.h"
#include "view/LayerList.h"
#include "view/ToolState.h"
#include "platform/RasterCanvas.h"

#include <functional>
#include <string>
#include <vector>

namespace mainwin {

// Hints of the tools' steps (the status bar's third panel).
inline constexpr const char* MeasureFirstHint = " <メジャー>  第1ポイントを指定して下さい。";
inline constexpr const char* MeasureSecondHint = " <メジャー>  第２ポイントを指定して下さい。（マウス右ボタンで戻ります）";
inline constexpr const char* MeasureDoneHint = " <メジャー>  マウス右ボタンで戻ります。";
inline constexpr const char* GapFirstHint = " <ギャップ測定>  第１データを指定して下さい。";
inline constexpr const char* GapSecondHint = " <ギャップ測定>  第２データを指定して下さい。（マウス右ボタンで戻ります）";
inline constexpr const char* GapDoneHint = " <ギャップ測定>  マウス右ボタンで戻ります。";

// ------------------------------------------------------------ measure

// What the measure tool shows for P1 and P2: the offsets and the distance
// rounded to 4 decimals, the direction from P1 to P2 in degrees to 3, in
// [0, 360). Negative offsets round half away from zero, so that measuring
// the other way round reads the same figures with the other sign.
struct MeasureValues {
    double DX = 0, DY = 0, Length = 0, Angle = 0;
};
MeasureValues MeasureOf(double x1, double y1, double x2, double y2);

// A click with the measure tool at pixel (x, y): the left button takes the
// snap point near the pointer as the first, then the second point; the
// right button steps back. The hint of the new step, empty when nothing
// changed.
std::string MeasureClickAt(int x, int y, MouseButton button, platform::RasterCanvas& picture);

// The pointer moved to pixel (x, y): the rubber line and rectangle that
// are active follow it.
void TrackPointer(int x, int y, platform::RasterCanvas& picture);

// ------------------------------------------------------ dimension ruler

// Graduation finer (left), coarser (right), or the ruler turned by 45
// degrees (middle; 315 turns on to 0).
void AdjustRulerSetting(MouseButton button);

// The ruler's 53 lines: its outline and 49 graduations, turned by `angle`
// degrees and scaled to `tick` mm per graduation, y pointing down the
// screen. P1 to P2 of each element, in mm.
std::vector<core::DataElement> DimensionRulerLines(double angle, double tick);

// Draws the ruler at `scale` pixels per mm, white on black, into `image`
// (sized to the ruler, at most three times the picture's size each way);
// the pixel of `image` that stands for the ruler's centre.
platform::Point DrawDimensionRulerImage(platform::RasterCanvas& image, double angle, double tick, double scale,
                                        int pictureWidth, int pictureHeight);

// ----------------------------------------------------- rectangle ruler

// A click with the rectangle ruler at pixel (x, y): the left button sets
// the first corner, then the second, and shows the box of the elements
// wholly inside (nothing when there are none); the right button puts the
// ruler and the rubber rectangle away.
void RectRulerClickAt(int x, int y, MouseButton button, platform::RasterCanvas& picture, const core::TaskRunner& runner);

// ------------------------------------------------------------------ gap

// A click with the gap tool at pixel (x, y): the left button picks the
// first, then the second element and measures the clearance between them;
// the right button steps back. The hint of the new step, empty when nothing
// changed. The picked elements are highlighted.
std::string GapClickAt(int x, int y, MouseButton button, platform::RasterCanvas& picture);
// The next element under the pointer in place of the one chosen last.
void NextGapCandidateStep(platform::RasterCanvas& picture);
// The chosen element has others under the pointer to offer.
bool GapHasAlternatives();

// --------------------------------------------------------------- labels

// The texts over the drawing beside the figures, in pixels of the picture.
struct ToolLabel {
    bool Shown = false;
    std::string Text;   // lines separated by "\n"
    int Left = 0, Top = 0, Width = 0, Height = 0;
};
struct ToolLabels {
    ToolLabel X, Y, L;
};
// The labels of what the tool shows now: the measure's offsets, distance
// and angle; the rectangle ruler's width and height; the gap (not while the
// view scrolls by itself, when its figure is not drawn). `measure` gives
// the size a label takes for one line of text.
ToolLabels LayoutToolLabels(ToolButton tool, bool autoScrolling,
                            const std::function<platform::TextSize(const std::string&)>& measure);

} // namespace mainwin
