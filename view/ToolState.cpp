#include "view/ToolState.h"

#include "core/Datas.h"
#include "view/CodeTables.h"
#include "view/Redraw.h"
#include "view/ReportTools.h"

namespace mainwin {

std::array<std::int32_t, SnapClassCount> SnapModes{SnapCentreLine, SnapOutline, SnapCentreLine, SnapCentrePoint, SnapCentrePoint};
double RulerMinTick = 1.0;
double RulerAngle = 0.0;

MyInfoSet InfoPicks;
std::vector<std::int32_t> SearchHits;
MyGapSet GapState;
std::int32_t RectRulerStep = 0;
bool RectRulerShown = false;
MyRubberRect RubberRect;
core::MyBox RectRulerRect{};
std::uint8_t MeasureStep = 0;
std::array<double, 4> MeasurePoints{};
MyRubberLine RubberLine;
MyMarkSet SnapMarker;
MyToolOverlays Overlays;

void SetDefaultToolSettings()
{
    SnapModes = {SnapCentreLine, SnapOutline, SnapCentreLine, SnapCentrePoint, SnapCentrePoint};
    RulerMinTick = 1.0;
    RulerAngle = 0.0;
    RubberLine = {};
    core::SelectKindFlags.fill(1);
}

bool EndToolState(platform::RasterCanvas& picture)
{
    InfoPicks.Count = 0;
    InfoPicks.Current = -1;

    const bool hitsDropped = !SearchHits.empty();
    if (hitsDropped) {
        SearchHits.clear();
        CodeTable.HotRow = -1;
    }

    Overlays.Gap.Erase(picture);
    GapState.Step = 0;
    GapState.Gap = 0;

    Overlays.RectRuler.Erase(picture);
    Overlays.RubberRect.Erase(picture);
    RectRulerStep = 0;
    RubberRect.Active = false;
    RectRulerShown = false;

    Overlays.Measure.Erase(picture);
    Overlays.RubberLine.Erase(picture);
    Overlays.SnapMarker.Erase(picture);
    RubberLine.Active = false;
    SnapMarker.Active = false;
    MeasureStep = 0;
    MeasurePoints = {};
    return hitsDropped;
}

void ForgetToolOverlays()
{
    for (ScreenOverlay* o : {&Overlays.RubberLine, &Overlays.RubberRect, &Overlays.SnapMarker, &Overlays.Measure,
                             &Overlays.RectRuler, &Overlays.Gap})
        o->Forget();
}

void DrawToolOverlays(platform::RasterCanvas& picture, ToolButton tool, bool autoScrolling)
{
    if (RubberLine.Active)
        Overlays.RubberLine.Draw(picture, RubberLineFigure(RubberLine.X1, RubberLine.Y1, RubberLine.X2, RubberLine.Y2));
    if (RubberRect.Active)
        Overlays.RubberRect.Draw(picture, RubberRectFigure(RubberRect.X1, RubberRect.Y1, RubberRect.X2, RubberRect.Y2));
    if (SnapMarker.Active) Overlays.SnapMarker.Draw(picture, SnapMarkerFigure(SnapMarker.X, SnapMarker.Y));
    if (MeasureStep == 2)
        Overlays.Measure.Draw(picture, MeasureFigure(MeasurePoints[0], MeasurePoints[1], MeasurePoints[2], MeasurePoints[3]));
    switch (tool) {
    case ToolButton::Rect:
        if (RectRulerShown)
            Overlays.RectRuler.Draw(picture, RectRulerFigure(RectRulerRect[0], RectRulerRect[1], RectRulerRect[2], RectRulerRect[3]));
        break;
    case ToolButton::Gap:
        if (autoScrolling) break;
        if (GapState.Step == 2 && GapState.Gap < GapInfinite)
            Overlays.Gap.Draw(picture, GapFigure(GapState.AX, GapState.AY, GapState.BX, GapState.BY));
        if (GapState.Step >= 1) HighlightPrimitives(GapState.Pair);
        break;
    case ToolButton::Info:
        if (const int i = CurrentInfoElement(InfoPicks); i >= 0) HighlightPrimitives({i});
        break;
    case ToolButton::Ruler:
        break;
    case ToolButton::Drc:
        // The marks and the blink are two switches: either shows without the other.
        if (core::DrcErrors.Count >= 1) {
            if (core::DrcSettings.ShowErrors) DrawDrcErrorMarks(picture);
            if (core::DrcSettings.BlinkErrors) {
                HighlightPrimitives(DrcErrorElements());
                break;
            }
        }
        [[fallthrough]];
    default:
        if (!SearchHits.empty()) HighlightPrimitives(SearchHits);
        break;
    }
}

} // namespace mainwin
