#include "view/MeasureTools.h"

#include "core/Clearance.h"
#include "core/ElementGrid.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "view/Picking.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mainwin {

using platform::Point;

namespace {

// The data point of a pixel; the view's centre where the pixel has none.
void DataPoint(int x, int y, double& dx, double& dy)
{
    dx = View.CentreX;
    dy = View.CentreY;
    ScreenToData(x, y, dx, dy);
}

Point Screen(double x, double y)
{
    Point p;
    DataToScreen(x, y, p.x, p.y);
    return p;
}

// Half away from zero: -1.23455 reads -1.2346 as 1.23455 reads 1.2346.
double RoundSymmetric(int decimals, double x) { return x < 0 ? -core::RoundTo(decimals, -x) : core::RoundTo(decimals, x); }

void ShowRubberLineAndMarker(platform::RasterCanvas& picture, double x, double y)
{
    RubberLine = {true, x, y, x, y};
    SnapMarker.Active = true;
    SnapMarker.X = x;
    SnapMarker.Y = y;
    Overlays.RubberLine.Draw(picture, RubberLineFigure(x, y, x, y));
    Overlays.SnapMarker.Draw(picture, SnapMarkerFigure(x, y));
}

void HideRubberLineAndMarker(platform::RasterCanvas& picture)
{
    Overlays.RubberLine.Erase(picture);
    Overlays.SnapMarker.Erase(picture);
    RubberLine.Active = false;
    SnapMarker.Active = false;
}

// The snap point near the pixel, into (x, y).
bool SnapAt(int px, int py, double& x, double& y)
{
    DataPoint(px, py, x, y);
    int element = -1;
    return FindMeasureSnap(element, x, y);
}

std::int32_t CurrentItem(const MyInfoSet& picks)
{
    const auto k = static_cast<std::size_t>(picks.Current);
    return picks.Current >= 0 && k < picks.Items.size() ? picks.Items[k] : -1;
}

void CurrentPoint(const MyInfoSet& picks, double& x, double& y)
{
    const auto k = static_cast<std::size_t>(picks.Current);
    if (picks.Current < 0 || k >= picks.PointX.size() || k >= picks.PointY.size()) return;
    x = picks.PointX[k];
    y = picks.PointY[k];
}

void NextPick(MyInfoSet& picks)
{
    const int n = std::min<int>(picks.Count, static_cast<int>(picks.Items.size()));
    if (n < 1) return;
    picks.Current = picks.Current + 1 >= n ? 0 : picks.Current + 1;
}

// The clearance of the chosen pair, measured from the picked points: with
// no result the ends stay on the elements where they were picked.
void MeasureGap(platform::RasterCanvas& picture)
{
    MyGapSet& g = GapState;
    CurrentPoint(g.FirstPicks, g.AX, g.AY);
    CurrentPoint(g.SecondPicks, g.BX, g.BY);
    g.Gap = core::GapBetween(g.Pair[0], g.Pair[1], g.AX, g.AY, g.BX, g.BY);
    if (g.Gap < GapInfinite) Overlays.Gap.Draw(picture, GapFigure(g.AX, g.AY, g.BX, g.BY));
    else Overlays.Gap.Erase(picture);
}

} // namespace

// ------------------------------------------------------------ measure

MeasureValues MeasureOf(double x1, double y1, double x2, double y2)
{
    MeasureValues v;
    v.DX = RoundSymmetric(4, x2 - x1);
    v.DY = RoundSymmetric(4, y2 - y1);
    // From the offsets: far from the origin the points still have a distance.
    v.Length = core::RoundTo(4, std::hypot(x2 - x1, y2 - y1));
    v.Angle = core::RoundTo(3, core::Direction(x1, y1, x2, y2) * 180.0 / std::numbers::pi);
    // A direction just short of a whole turn rounds up to it: that is 0.
    if (v.Angle >= 360.0) v.Angle = 0.0;
    return v;
}

std::string MeasureClickAt(int x, int y, MouseButton button, platform::RasterCanvas& picture)
{
    double px = 0, py = 0;
    if (button == MouseButton::Left) {
        if (MeasureStep > 1 || !SnapAt(x, y, px, py)) return {};
        if (MeasureStep == 0) {
            ShowRubberLineAndMarker(picture, px, py);
            MeasurePoints = {px, py, 0, 0};
            MeasureStep = 1;
            return MeasureSecondHint;
        }
        HideRubberLineAndMarker(picture);
        MeasurePoints[2] = px;
        MeasurePoints[3] = py;
        MeasureStep = 2;
        Overlays.Measure.Draw(picture, MeasureFigure(MeasurePoints[0], MeasurePoints[1], px, py));
        return MeasureDoneHint;
    }
    if (button != MouseButton::Right) return {};
    if (MeasureStep == 2) {
        Overlays.Measure.Erase(picture);
        ShowRubberLineAndMarker(picture, MeasurePoints[0], MeasurePoints[1]);
        MeasureStep = 1;
        return MeasureSecondHint;
    }
    if (MeasureStep == 1) {
        HideRubberLineAndMarker(picture);
        MeasureStep = 0;
        return MeasureFirstHint;
    }
    return {};
}

void TrackPointer(int x, int y, platform::RasterCanvas& picture)
{
    if (RubberLine.Active) {
        ScreenToData(x, y, RubberLine.X2, RubberLine.Y2);
        Overlays.RubberLine.Draw(picture, RubberLineFigure(RubberLine.X1, RubberLine.Y1, RubberLine.X2, RubberLine.Y2));
    }
    if (RubberRect.Active) {
        ScreenToData(x, y, RubberRect.X2, RubberRect.Y2);
        Overlays.RubberRect.Draw(picture, RubberRectFigure(RubberRect.X1, RubberRect.Y1, RubberRect.X2, RubberRect.Y2));
    }
}

// ------------------------------------------------------ dimension ruler

void AdjustRulerSetting(MouseButton button)
{
    switch (button) {
    case MouseButton::Left:
        if (RulerMinTick > 0.9) RulerMinTick = 0.1;
        else if (RulerMinTick > 0.009) RulerMinTick = 0.01;
        break;
    case MouseButton::Right:
        if (RulerMinTick < 0.09) RulerMinTick = 0.1;
        else if (RulerMinTick < 0.9) RulerMinTick = 1.0;
        break;
    case MouseButton::Middle:
        RulerAngle = RulerAngle >= 315.0 ? 0.0 : (std::floor(RulerAngle / 45.0) + 1.0) * 45.0;
        break;
    }
}

std::vector<core::DataElement> DimensionRulerLines(double angle, double tick)
{
    std::vector<core::DataElement> lines;
    auto add = [&lines](double x1, double y1, double x2, double y2) {
        core::DataElement e;
        e.Kind = core::dkLine;
        e.X1 = x1;
        e.Y1 = y1;
        e.X2 = x2;
        e.Y2 = y2;
        lines.push_back(e);
    };
    add(-25, 2.5, 25, 2.5);
    add(25, 2.5, 25, -2.5);
    add(25, -2.5, -25, -2.5);
    add(-25, -2.5, -25, 2.5);
    // Long marks every ten graduations, middle ones every five.
    for (int u = -24; u <= 24; ++u) add(u, 2.5, u, u % 10 == 0 ? -0.5 : u % 5 == 0 ? -1.5 : 0.5);
    RotatePrimitives(lines, static_cast<int>(lines.size()), angle);
    for (core::DataElement& e : lines) {
        e.X1 *= tick;
        e.X2 *= tick;
        e.Y1 *= -tick;
        e.Y2 *= -tick;
    }
    return lines;
}

Point DrawDimensionRulerImage(platform::RasterCanvas& image, double angle, double tick, double scale, int pictureWidth,
                              int pictureHeight)
{
    const std::vector<core::DataElement> lines = DimensionRulerLines(angle, tick);
    core::MyBox box = core::EmptyBox;
    for (const core::DataElement& e : lines) {
        core::GrowBox(box, e.X1, e.Y1);
        core::GrowBox(box, e.X2, e.Y2);
    }
    const double s = std::isfinite(scale) && scale > 0 ? scale : 0.0;
    int w = static_cast<int>(std::min(std::trunc((box[1] - box[0]) * s), 1e6)) + 4;
    int h = static_cast<int>(std::min(std::trunc((box[3] - box[2]) * s), 1e6)) + 4;
    // A ruler larger than the picture is cut at three times its size.
    if (w > 3 * pictureWidth || h > 3 * pictureHeight) {
        w = 3 * std::max(pictureWidth, 0);
        h = 3 * std::max(pictureHeight, 0);
    }
    const Point offset{w / 2, h / 2};
    image.Resize(w, h, 0);
    image.SetPenMode(platform::PenMode::Copy);
    image.SetPenStyle(platform::PenStyle::Solid);
    image.SetPenWidth(1);
    image.SetPenColor(platform::RGB(255, 255, 255));
    auto px = [s](double v, int o) { return static_cast<int>(std::trunc(v * s)) + o; };
    for (const core::DataElement& e : lines) {
        image.MoveTo(px(e.X1, offset.x), px(e.Y1, offset.y));
        image.LineTo(px(e.X2, offset.x), px(e.Y2, offset.y));
    }
    return offset;
}

// ----------------------------------------------------- rectangle ruler

void RectRulerClickAt(int x, int y, MouseButton button, platform::RasterCanvas& picture, const core::TaskRunner& runner)
{
    if (button == MouseButton::Left && RectRulerStep == 0) {
        Overlays.RectRuler.Erase(picture);
        RectRulerShown = false;
        double dx = 0, dy = 0;
        DataPoint(x, y, dx, dy);
        RubberRect = {true, dx, dx, dy, dy};
        Overlays.RubberRect.Draw(picture, RubberRectFigure(dx, dy, dx, dy));
        RectRulerStep = 1;
        return;
    }
    if (button == MouseButton::Left) {
        Overlays.RubberRect.Erase(picture);
        RubberRect.Active = false;
        RectRulerStep = 0;
        // The second corner is where the click is, moved or not.
        ScreenToData(x, y, RubberRect.X2, RubberRect.Y2);
        core::MyBox box{RubberRect.X1, RubberRect.X2, RubberRect.Y1, RubberRect.Y2};
        core::MyIntArray hits;
        if (core::SelectInRect(box, hits, runner) < 1) return;
        RectRulerRect = box;
        RectRulerShown = true;
        Overlays.RectRuler.Draw(picture, RectRulerFigure(box[0], box[1], box[2], box[3]));
        return;
    }
    if (button != MouseButton::Right) return;
    Overlays.RectRuler.Erase(picture);
    Overlays.RubberRect.Erase(picture);
    RubberRect.Active = false;
    RectRulerStep = 0;
    RectRulerShown = false;
}

// ------------------------------------------------------------------ gap

std::string GapClickAt(int x, int y, MouseButton button, platform::RasterCanvas& picture)
{
    MyGapSet& g = GapState;
    if (button == MouseButton::Left) {
        if (g.Step == 0) {
            g.Gap = 0;
            if (PickPrimitives(x, y, g.FirstPicks) < 1 || CurrentItem(g.FirstPicks) < 0) return {};
            g.Pair = {CurrentItem(g.FirstPicks)};
            HighlightPrimitives(g.Pair);
            g.Step = 1;
            return GapSecondHint;
        }
        if (g.Step != 1 || PickPrimitives(x, y, g.SecondPicks) < 1 || CurrentItem(g.SecondPicks) < 0) return {};
        g.Pair = {g.Pair[0], CurrentItem(g.SecondPicks)};
        HighlightPrimitives(g.Pair);
        MeasureGap(picture);
        g.Step = 2;
        return GapDoneHint;
    }
    if (button != MouseButton::Right) return {};
    if (g.Step == 2) {
        Overlays.Gap.Erase(picture);
        g.Step = 1;
        g.Gap = 0;
        g.Pair.resize(1);
        HighlightPrimitives(g.Pair);
        return GapSecondHint;
    }
    if (g.Step == 1) {
        g.Step = 0;
        g.Gap = 0;
        g.Pair.clear();
        Highlight = {};
        return GapFirstHint;
    }
    return {};
}

void NextGapCandidateStep(platform::RasterCanvas& picture)
{
    MyGapSet& g = GapState;
    if (g.Step == 1) {
        NextPick(g.FirstPicks);
        g.Pair = {CurrentItem(g.FirstPicks)};
    } else if (g.Step == 2) {
        NextPick(g.SecondPicks);
        g.Pair = {g.Pair[0], CurrentItem(g.SecondPicks)};
        MeasureGap(picture);
    } else {
        return;
    }
    HighlightPrimitives(g.Pair);
}

bool GapHasAlternatives()
{
    return (GapState.Step == 1 && GapState.FirstPicks.Count >= 2) || (GapState.Step == 2 && GapState.SecondPicks.Count >= 2);
}

// --------------------------------------------------------------- labels

namespace {

ToolLabel Label(const std::string& text, const std::function<platform::TextSize(const std::string&)>& measure)
{
    const platform::TextSize size = measure(text);
    return {true, text, 0, 0, size.cx, size.cy};
}

void MeasureLabels(ToolLabels& out, const std::function<platform::TextSize(const std::string&)>& measure)
{
    const double x1 = MeasurePoints[0], y1 = MeasurePoints[1], x2 = MeasurePoints[2], y2 = MeasurePoints[3];
    const MeasureValues v = MeasureOf(x1, y1, x2, y2);
    const Point s1 = Screen(x1, y1), s2 = Screen(x2, y2);
    ToolLabel& lx = out.X = Label("⊿X = " + platform::FormatReal(v.DX), measure);
    lx.Left = s1.x + (s2.x - s1.x) / 2 - lx.Width / 2;
    lx.Top = s1.y > s2.y ? s1.y + 10 : s1.y - 10 - lx.Height;
    ToolLabel& ly = out.Y = Label("⊿Y = " + platform::FormatReal(v.DY), measure);
    ly.Top = s1.y + (s2.y - s1.y) / 2 - ly.Height / 2;
    ly.Left = x1 <= x2 ? s2.x + 10 : s2.x - 10 - ly.Width;
    // Distance over angle, wide enough for the wider line.
    const std::string length = "距離 = " + platform::FormatReal(v.Length);
    const std::string angle = "角度 = " + platform::FormatReal(v.Angle) + "°";
    const platform::TextSize a = measure(length), b = measure(angle);
    ToolLabel& ll = out.L = {true, length + "\n" + angle, 0, 0, std::max(a.cx, b.cx) + 20, std::max(35, a.cy + b.cy)};
    ll.Left = x1 <= x2 ? s1.x + (s2.x - s1.x) / 2 - ll.Width : s1.x + (s2.x - s1.x) / 2;
    ll.Top = y1 < y2 ? s1.y - 10 + (s2.y - s1.y) / 2 - ll.Height : s1.y + 10 + (s2.y - s1.y) / 2;
}

void RectRulerLabels(ToolLabels& out, const std::function<platform::TextSize(const std::string&)>& measure)
{
    const core::MyBox& r = RectRulerRect;
    const Point a = Screen(r[0], r[3]), b = Screen(r[1], r[2]);
    ToolLabel& lx = out.X = Label(" X = " + core::RoundToText(3, r[1] - r[0]), measure);
    lx.Left = a.x + ((b.x - a.x) - lx.Width) / 2;
    lx.Top = a.y - lx.Height - 5;
    ToolLabel& ly = out.Y = Label(" Y = " + core::RoundToText(3, r[3] - r[2]), measure);
    ly.Left = a.x - ly.Width - 5;
    ly.Top = a.y + ((b.y - a.y) - ly.Height) / 2;
}

void GapLabel(ToolLabels& out, const std::function<platform::TextSize(const std::string&)>& measure)
{
    const MyGapSet& g = GapState;
    const Point a = Screen(g.AX, g.AY), b = Screen(g.BX, g.BY);
    ToolLabel& l = out.X = Label(g.Gap >= GapInfinite ? " Gap = ∞ " : " Gap = " + platform::FormatReal(g.Gap) + " ", measure);
    l.Left = a.x + static_cast<int>(std::trunc((b.x - a.x) * 0.5));
    l.Top = a.y + static_cast<int>(std::trunc((b.y - a.y) * 0.5));
    if (a.y == b.y) {
        l.Top += 20;
        l.Left -= static_cast<int>(std::trunc(l.Width * 0.5));
    } else if (a.x == b.x) {
        l.Left += 20;
        l.Top -= static_cast<int>(std::trunc(l.Height * 0.5));
    } else {
        l.Left += 20;
        if (static_cast<double>(b.y - a.y) / (b.x - a.x) > 1e-12) l.Top -= l.Height;
    }
}

} // namespace

ToolLabels LayoutToolLabels(ToolButton tool, bool autoScrolling,
                            const std::function<platform::TextSize(const std::string&)>& measure)
{
    ToolLabels out;
    if (MeasureStep == 2) MeasureLabels(out, measure);
    else if (tool == ToolButton::Rect && RectRulerShown) RectRulerLabels(out, measure);
    else if (tool == ToolButton::Gap && GapState.Step == 2 && !autoScrolling) GapLabel(out, measure);
    return out;
}

} // namespace mainwin
