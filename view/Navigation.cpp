#include "view/Navigation.h"

#include "view/CommandMenu.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <cmath>

namespace mainwin {

using platform::Point;

MyScrollSw PanFrame;
MyScrollSw EdgeRegions;
NavigationState Navigation;

bool PointInPolygon(const std::vector<Point>& points, int high, int x, int y)
{
    if (high < 0) return false;
    if (static_cast<std::size_t>(high) >= points.size()) high = static_cast<int>(points.size()) - 1;
    bool inside = false;
    for (int i = 0, j = high; i <= high; j = i++) {
        const long long xi = points[static_cast<std::size_t>(i)].x, yi = points[static_cast<std::size_t>(i)].y;
        const long long xj = points[static_cast<std::size_t>(j)].x, yj = points[static_cast<std::size_t>(j)].y;
        if (!((yi <= y && y < yj) || (yj <= y && y < yi))) continue;
        const double cross = static_cast<double>((xj - xi) * (y - yi)) / static_cast<double>(yj - yi) + static_cast<double>(xi);
        if (x < cross) inside = !inside;
    }
    return inside;
}

int HitScrollRegion(const MyScrollSw& set, int x, int y)
{
    for (int k = 0; k < 8; ++k) {
        const MyScrollRegion& r = set.Regions[static_cast<std::size_t>(k)];
        if (r.Count > 0 && PointInPolygon(r.Points, r.Count - 1, x, y)) return k;
    }
    return -1;
}

void LayoutPanFrame(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight)
{
    LayoutScrollRegions(PanFrame, frameWidth, frameHeight, PanFrameBand);
    LayoutScrollRegions(EdgeRegions, pictureWidth, pictureHeight, EdgeRegionBand);
}

void DrawPanFrame(platform::RasterCanvas& canvas, const MyScrollSw& set)
{
    canvas.Fill(0);
    canvas.SetPenMode(platform::PenMode::Copy);
    canvas.SetPenColor(0);
    canvas.SetPenWidth(1);
    canvas.SetBrushStyle(platform::BrushStyle::Solid);
    for (int k = 7; k >= 0; --k) {
        const MyScrollRegion& r = set.Regions[static_cast<std::size_t>(k)];
        if (r.Points.empty()) continue;
        canvas.SetBrushColor(k == set.Hover ? platform::RGB(255, 255, 255) : platform::RGB(128, 128, 128));
        canvas.Polygon(r.Points);
    }
}

int PanFrameDirection(int region)
{
    static constexpr int directions[8] = {3, 2, 1, 8, 7, 6, 5, 4};
    return region >= 0 && region < 8 ? directions[region] : 0;
}

bool HasViewData() { return core::LayerCount >= 1 && View.Scale > 0; }

void PointerDataPoint(double& x, double& y)
{
    // Before the pointer has been over the picture there is no position to
    // zoom about: the centre stays.
    x = View.CentreX;
    y = View.CentreY;
    if (Navigation.PointerSeen) ScreenToData(Navigation.LastX, Navigation.LastY, x, y);
}

namespace {

// Centre on the pointer's data point, zoom, redraw, and put the pointer
// back where that point now lies.
NavResult ZoomAboutPointer(double factor)
{
    NavResult r;
    double x = 0, y = 0;
    PointerDataPoint(x, y);
    SetViewZoom(true, x, y, factor);
    RedrawView();
    r.Redraw = true;
    r.MoveCursor = true;
    DataToScreen(x, y, r.CursorX, r.CursorY);
    return r;
}

} // namespace

NavResult NavigationKey(NavKey key)
{
    NavResult r;
    switch (key) {
    case NavKey::Up: PanView(4, 50); r.Redraw = true; break;
    case NavKey::Left: PanView(2, 50); r.Redraw = true; break;
    case NavKey::Down: PanView(8, 50); r.Redraw = true; break;
    case NavKey::Right: PanView(6, 50); r.Redraw = true; break;
    case NavKey::PageUp: r = ZoomAboutPointer(2.0); break;
    case NavKey::PageDown:
        SetViewZoom(false, 0, 0, 0.5);
        RedrawView();
        r.Redraw = true;
        break;
    case NavKey::Home:
        SetViewZoom(false, 0, 0, -1.0);
        RedrawView();
        r.Redraw = true;
        break;
    }
    return r;
}

int TakeWheelNotches(int angleDelta)
{
    // Kept in long long: a wild delta must not overflow the rest.
    long long sum = static_cast<long long>(Navigation.WheelRest) + angleDelta;
    const long long notches = sum / 120;   // toward zero: the rest keeps its sign
    sum -= notches * 120;
    Navigation.WheelRest = static_cast<int>(sum);
    if (notches > 1000) return 1000;
    if (notches < -1000) return -1000;
    return static_cast<int>(notches);
}

NavResult WheelZoomStep(bool forward)
{
    if (forward) return ZoomAboutPointer(1.5);
    NavResult r;
    SetViewZoom(false, 0, 0, View.Zoom <= 1.0 ? -1.0 : 0.5);
    RedrawView();
    r.Redraw = true;
    return r;
}

bool AutoScrollPossible() { return Options.AUTOSCR && View.Zoom > 1.0 && core::DataCount > 0 && core::LayerCount >= 1; }

bool PointerOverPicture(int x, int y)
{
    Navigation.WheelTarget = "Image1";
    bool run = false;
    if (AutoScrollPossible()) {
        const int k = HitScrollRegion(EdgeRegions, x, y);
        if (k >= 0) {
            EdgeRegions.Hover = k;
            Navigation.WheelTarget = "sw" + std::to_string(k);
            Navigation.TickCount = 1;
            run = true;
        } else {
            EdgeRegions.Hover = -1;
        }
    }
    Navigation.LastX = x;
    Navigation.LastY = y;
    Navigation.PointerSeen = true;
    return run;
}

void StopAutoScroll() { EdgeRegions.Hover = -1; }

bool AutoScrollTick()
{
    if (!(View.Zoom > 1.0) || EdgeRegions.Hover < 0) {
        RedrawView();
        return false;
    }
    double dx = 0.1 * View.VisibleWidth;
    const double dy = 0.1 * View.VisibleHeight;
    if (Options.MIRR) dx = -dx;
    const std::string& t = Navigation.WheelTarget;
    static constexpr int sx[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
    static constexpr int sy[8] = {1, 0, -1, -1, -1, 0, 1, 1};
    if (t.size() != 3 || t[0] != 's' || t[1] != 'w' || t[2] < '0' || t[2] > '7') return false;
    const int k = t[2] - '0';
    SetViewZoom(true, View.CentreX + sx[k] * dx, View.CentreY + sy[k] * dy, 1.0);
    RedrawView();
    ++Navigation.TickCount;
    return true;
}

// ------------------------------------------------------------ side selector

namespace {

constexpr platform::Color TabActive = platform::RGB(255, 255, 255);
constexpr platform::Color TabIdle = platform::RGB(180, 180, 180);

void SelectorFont(platform::Canvas& canvas)
{
    platform::FontInfo f;
    f.Name = "ＭＳ Ｐゴシック";
    f.Height = -15;
    f.FontColor = 0;
    canvas.SetFont(f);
}

} // namespace

SideTabs LayoutSideSelector(platform::Canvas& canvas)
{
    SelectorFont(canvas);
    SideTabs tabs;
    const int topRight = canvas.TextWidth("TOP") + 45;
    tabs.Top = {0, 0, topRight, 18};
    tabs.Bottom = {topRight, 0, topRight + canvas.TextWidth("BOTTOM") + 40, 18};
    return tabs;
}

void DrawSideSelector(platform::RasterCanvas& canvas, platform::Color face)
{
    canvas.Fill(face);
    const SideTabs tabs = LayoutSideSelector(canvas);
    canvas.SetPenMode(platform::PenMode::Copy);
    canvas.SetPenWidth(1);
    canvas.SetPenColor(0);
    canvas.SetBrushStyle(platform::BrushStyle::Solid);
    for (int side = 0; side < 2; ++side) {
        const platform::Rect& r = side == 0 ? tabs.Top : tabs.Bottom;
        const bool active = (side == 1) == Options.MIRR;
        canvas.SetBrushColor(active ? TabActive : TabIdle);
        // A tab: the upper corners cut by 5 pixels.
        const std::vector<Point> tab{{r.left, r.bottom}, {r.left, r.top + 5}, {r.left + 5, r.top},
                                     {r.right - 6, r.top}, {r.right - 1, r.top + 5}, {r.right - 1, r.bottom}};
        canvas.Polygon(tab);
        DrawMenuIcon(canvas, side == 0 ? 27 : 28, r.left + 10, r.top + 2);
        canvas.SetBrushStyle(platform::BrushStyle::Clear);
        canvas.TextOut(r.left + 10 + 20, r.top + 1, side == 0 ? "TOP" : "BOTTOM");
        canvas.SetBrushStyle(platform::BrushStyle::Solid);
    }
}

int HitSideSelector(const SideTabs& tabs, int x, int y)
{
    auto in = [x, y](const platform::Rect& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
    if (in(tabs.Top)) return 0;
    if (in(tabs.Bottom)) return 1;
    return -1;
}

} // namespace mainwin
