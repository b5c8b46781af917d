#include "view/ViewTransform.h"

#include "core/FlashDrawing.h"
#include "core/Geometry.h"
#include "view/Redraw.h"

#include <cmath>
#include <numbers>

namespace mainwin {

using core::Extents;

ViewState View;
ViewOptions Options;
int ClientWidth = 0, ClientHeight = 0;

namespace {

bool HasClientArea() { return ClientWidth > 0 && ClientHeight > 0; }

} // namespace

void SetViewZoom(bool setCentre, double x, double y, double factor)
{
    if (core::LayerCount < 1) return;
    // Every size below divides by these.
    if (!HasClientArea() || !(Extents.ViewWidth > 0) || !(Extents.ViewHeight > 0)) return;
    if (!(View.Zoom > 0)) View.Zoom = 1.0;
    if (setCentre) {
        View.CentreX = x;
        View.CentreY = y;
    }
    if (factor == 1.0) {
    } else if (factor == -1.0) {
        View.Zoom = 1.0;
        View.CentreX = Extents.CentreX;
        View.CentreY = Extents.CentreY;
    } else if (factor == 0.0) {
        View.Zoom = std::min(View.Zoom * 2.0, MaxZoom);
    } else if (factor < 0) {
        View.Zoom = std::min(-factor, MaxZoom);
    } else if (factor > 0) {
        View.Zoom = std::min(View.Zoom * factor, MaxZoom);
    }
    if (!(View.Zoom >= 1.0)) View.Zoom = 1.0;   // also a NaN factor
    View.VisibleWidth = Extents.ViewWidth / View.Zoom;
    View.VisibleHeight = Extents.ViewHeight / View.Zoom;

    const double hw = View.VisibleWidth / 2, hh = View.VisibleHeight / 2;
    if (View.CentreX - hw < Extents.ViewLeft)
        View.CentreX = Extents.ViewLeft + hw;
    else if (View.CentreX + hw > Extents.ViewRight)
        View.CentreX = Extents.ViewRight - hw;
    if (View.CentreY - hh < Extents.ViewBottom)
        View.CentreY = Extents.ViewBottom + hh;
    else if (View.CentreY + hh > Extents.ViewTop)
        View.CentreY = Extents.ViewTop - hh;

    View.OriginX = Options.MIRR ? hw + View.CentreX : hw - View.CentreX;
    View.OriginY = hh + View.CentreY;
    View.Scale = ClientWidth / View.VisibleWidth;
}

void FitViewExtents()
{
    if (core::LayerCount < 1 || !(Extents.Width > 0) || !(Extents.Height > 0) || !HasClientArea()) return;
    const double margin = 40.0;
    const double dataRatio = Extents.Height / Extents.Width;
    const double viewRatio = static_cast<double>(ClientHeight) / ClientWidth;
    if (dataRatio <= viewRatio) {
        Extents.ViewWidth = Extents.Width + margin;
        Extents.ViewHeight = Extents.ViewWidth * viewRatio;
    } else {
        Extents.ViewHeight = Extents.Height + margin;
        Extents.ViewWidth = Extents.ViewHeight / viewRatio;
    }
    Extents.OriginX = Extents.ViewWidth * 0.5 - Extents.CentreX;
    Extents.OriginY = Extents.ViewHeight * 0.5 + Extents.CentreY;
    Extents.ViewLeft = Extents.CentreX - Extents.ViewWidth * 0.5;
    Extents.ViewTop = Extents.CentreY + Extents.ViewHeight * 0.5;
    Extents.ViewRight = Extents.ViewLeft + Extents.ViewWidth;
    Extents.ViewBottom = Extents.ViewTop - Extents.ViewHeight;
}

void DataToScreen(double x, double y, int& px, int& py)
{
    std::int32_t dx = 0, dy = 0;
    core::DevicePoint(Options.MIRR, dx, dy, x, y, View.OriginX, View.OriginY, View.Scale);
    px = dx;
    py = dy;
}

void ScreenToData(int px, int py, double& x, double& y)
{
    if (!(View.Scale != 0) || !std::isfinite(View.Scale) || px < 0 || py < 0) return;
    const double dx = px / View.Scale - View.OriginX;
    x = Options.MIRR ? -dx : dx;
    y = View.OriginY - py / View.Scale;
}

platform::Rect DataRectToScreen(double x1, double x2, double y1, double y2)
{
    platform::Rect r;
    DataToScreen(x1, y2, r.left, r.top);
    DataToScreen(x2, y1, r.right, r.bottom);
    return r;
}

void ScreenRectToData(const platform::Rect& r, double& x1, double& x2, double& y1, double& y2)
{
    ScreenToData(r.left, r.top, x1, y2);
    ScreenToData(r.right, r.bottom, x2, y1);
}

void PanView(int direction, int amount)
{
    if (direction < 1) return;
    if (direction <= 8) {
        double dx = View.VisibleWidth, dy = View.VisibleHeight;
        if (amount == 50) {
            dx /= 2;
            dy /= 2;
        }
        // The picture moves the same way on screen with or without mirror.
        if (Options.MIRR) dx = -dx;
        static constexpr int sx[9] = {0, -1, -1, -1, 0, 1, 1, 1, 0};
        static constexpr int sy[9] = {0, -1, 0, 1, 1, 1, 0, -1, -1};
        SetViewZoom(true, View.CentreX + sx[direction] * dx, View.CentreY + sy[direction] * dy, 1.0);
    }
    RedrawView();
}

void RotatePrimitives(std::vector<core::DataElement>& elements, int count, double angle)
{
    const std::size_t n = count < 0 ? 0 : std::min(elements.size(), static_cast<std::size_t>(count));
    auto turn = [angle](double& x, double& y) {
        const double ox = x, oy = y;
        if (angle == 0) return;
        if (angle == 90) {
            x = -oy;
            y = ox;
        } else if (angle == 180) {
            x = -ox;
            y = -oy;
        } else if (angle == 270) {
            x = oy;
            y = -ox;
        } else {
            const double r = core::Distance(0, 0, ox, oy);
            const double a = core::Direction(0, 0, ox, oy) + angle * std::numbers::pi / 180.0;
            x = r * std::cos(a);
            y = r * std::sin(a);
        }
    };
    for (std::size_t k = 0; k < n; ++k) {
        turn(elements[k].X1, elements[k].Y1);
        turn(elements[k].X2, elements[k].Y2);
    }
}

} // namespace mainwin
