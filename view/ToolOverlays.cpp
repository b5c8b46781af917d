#include "view/ToolOverlays.h"

#include "view/ViewTransform.h"

#include <algorithm>
#include <utility>

namespace mainwin {

using platform::Point;

namespace {

Point Screen(double x, double y)
{
    Point p;
    DataToScreen(x, y, p.x, p.y);
    return p;
}

OverlayPart Circle(OverlayPart::Kind kind, Point centre) { return {kind, false, centre, {MarkerRadius, 0}}; }

// A white-filled circle at either end; one when both ends fall on one pixel,
// as two there would put each other out.
void EndDiscs(OverlayFigure& f, Point a, Point b)
{
    f.push_back(Circle(OverlayPart::Disc, a));
    if (b != a) f.push_back(Circle(OverlayPart::Disc, b));
}

} // namespace

void PaintOverlay(platform::RasterCanvas& c, const OverlayFigure& figure)
{
    c.SetPenMode(platform::PenMode::NotXor);
    c.SetPenColor(0);
    c.SetPenWidth(1);
    c.SetBrushColor(platform::RGB(255, 255, 255));
    for (const OverlayPart& p : figure) {
        c.SetPenStyle(p.dotted ? platform::PenStyle::Dot : platform::PenStyle::Solid);
        switch (p.kind) {
        case OverlayPart::Line:
            c.MoveTo(p.a.x, p.a.y);
            c.LineTo(p.b.x, p.b.y);
            break;
        case OverlayPart::Frame:
            c.SetBrushStyle(platform::BrushStyle::Clear);
            // The outline through both corners, whichever way round.
            c.Rectangle(std::min(p.a.x, p.b.x), std::min(p.a.y, p.b.y), std::max(p.a.x, p.b.x) + 1, std::max(p.a.y, p.b.y) + 1);
            break;
        case OverlayPart::Ring:
        case OverlayPart::Disc: {
            c.SetBrushStyle(p.kind == OverlayPart::Disc ? platform::BrushStyle::Solid : platform::BrushStyle::Clear);
            const int r = p.b.x;
            c.Ellipse(p.a.x - r, p.a.y - r, p.a.x + r + 1, p.a.y + r + 1);
            break;
        }
        }
    }
    c.SetPenStyle(platform::PenStyle::Solid);
    c.SetPenMode(platform::PenMode::Copy);
    c.SetBrushStyle(platform::BrushStyle::Solid);
}

void ScreenOverlay::Draw(platform::RasterCanvas& canvas, OverlayFigure figure)
{
    Erase(canvas);
    drawn_ = std::move(figure);
    PaintOverlay(canvas, drawn_);
    onScreen_ = true;
}

void ScreenOverlay::Erase(platform::RasterCanvas& canvas)
{
    if (onScreen_) PaintOverlay(canvas, drawn_);
    Forget();
}

void ScreenOverlay::Forget()
{
    onScreen_ = false;
    drawn_.clear();
}

OverlayFigure RubberLineFigure(double x1, double y1, double x2, double y2)
{
    return {{OverlayPart::Line, false, Screen(x1, y1), Screen(x2, y2)}};
}

OverlayFigure RubberRectFigure(double x1, double y1, double x2, double y2)
{
    return {{OverlayPart::Frame, false, Screen(x1, y1), Screen(x2, y2)}};
}

OverlayFigure SnapMarkerFigure(double x, double y) { return {Circle(OverlayPart::Ring, Screen(x, y))}; }

OverlayFigure MeasureFigure(double x1, double y1, double x2, double y2)
{
    const Point s1 = Screen(x1, y1), s2 = Screen(x2, y2), corner{s2.x, s1.y};
    OverlayFigure f;
    if (s1.x != s2.x) f.push_back({OverlayPart::Line, true, s1, corner});
    if (s1.y != s2.y) f.push_back({OverlayPart::Line, true, corner, s2});
    if (s1.x != s2.x && s1.y != s2.y) f.push_back({OverlayPart::Line, true, s2, s1});
    EndDiscs(f, s1, s2);
    return f;
}

OverlayFigure RectRulerFigure(double x1, double x2, double y1, double y2)
{
    return {{OverlayPart::Frame, true, Screen(x1, y2), Screen(x2, y1)}};
}

OverlayFigure GapFigure(double ax, double ay, double bx, double by)
{
    const Point a = Screen(ax, ay), b = Screen(bx, by);
    OverlayFigure f{{OverlayPart::Line, true, a, b}};
    EndDiscs(f, a, b);
    return f;
}

} // namespace mainwin
