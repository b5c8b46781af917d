// The redraw against a plain reference: each layer on a whole raster of its
// own, its elements one by one in file order (dark ones paint, clear ones
// erase), the layers ORed, with no culling, no boxes and no threads. Random
// scenes; the pictures must be identical.
#include "ViewFixture.h"

#include "core/FlashDrawing.h"
#include "core/TextHelpers.h"
#include "view/ScrollRegions.h"

#include <cmath>
#include <random>

using namespace mainwin;
using namespace viewtest;
using platform::Point;
using platform::RasterCanvas;

namespace {

Point Dev(double x, double y)
{
    Point p;
    DataToScreen(x, y, p.x, p.y);
    return p;
}

// The world box of the picture with a pen's width and a millimetre to spare.
core::MyBox Near(int pen)
{
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    ScreenToData(1, 1, x0, y1);
    ScreenToData(ClientWidth, ClientHeight, x1, y0);
    const double m = 1 + pen / View.Scale;
    return {std::min(x0, x1) - m, std::max(x0, x1) + m, y0 - m, y1 + m};
}

bool OnPicture(Point p, int w, int h) { return p.x >= 0 && p.y >= 0 && p.x < w && p.y < h; }

bool Shown(int layer) { return core::LayerAt(layer) && core::LayerAt(layer)->Active; }
platform::Color ColorOf(int layer) { return static_cast<platform::Color>(core::LayerAt(layer)->Color) & 0xFFFFFF; }

RasterCanvas ReferencePicture()
{
    const int W = ClientWidth, H = ClientHeight;
    RasterCanvas pic(W, H, 0), work(W, H, 0);
    if (Options.AUTOSCR && View.Zoom > 1.0) {
        MyScrollSw regions;
        LayoutScrollRegions(regions, W, H, EdgeRegionBand);
        pic.SetPenColor(0);
        pic.SetBrushColor(platform::RGB(15, 15, 15));
        for (auto& r : regions.Regions) pic.Polygon(r.Points);
    }
    const int n = core::DataCount;
    core::MyTPointArray dev;
    core::MyPointArray pts;
    // Each layer on its own raster, element by element in file order: dark
    // elements paint the layer's colour, clear ones (in fill mode) erase it.
    for (int layer = 1; layer <= core::MaxLayers; ++layer) {
        if (!Shown(layer)) continue;
        const platform::Color c = ColorOf(layer);
        work.Fill(0);
        for (int i = 0; i < n; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Layer != layer || e.Kind == core::dkSection) continue;
            const bool region = e.Kind == core::dkRegionLine || e.Kind == core::dkRegionArcCCW || e.Kind == core::dkRegionArcCW;
            int first = i, last = i;
            if (region) {
                core::GroupRange(i, first, last);
                i = last;
            }
            const bool erase = Options.PAINT && core::Datas[static_cast<std::size_t>(last)].Clear != 0;
            work.SetPenMode(erase ? platform::PenMode::Copy : platform::PenMode::Merge);
            work.SetPenColor(erase ? 0 : c);
            work.SetBrushColor(erase || !Options.PAINT ? 0 : c);
            const int w = core::PenWidthPixels(e.Code, View.Scale);
            if (region) {
                RegionPolygon(first, last, dev);
                work.SetPenWidth(1);
                if (Options.PAINT)
                    work.Polygon(dev);
                else
                    work.Polyline(dev);
            } else if (e.Kind == core::dkFlash) {
                const core::MyAperture* a = core::ApertureAt(e.Code);
                if (!a) continue;
                const double big = (a->Shape == core::apOval || a->Shape == core::apRectangle || a->Shape == core::apThermal45)
                                       ? std::max(a->Size1, a->Size2)
                                       : a->Size1;
                const Point p = Dev(e.X3, e.Y3);
                if (a->Shape == core::apMacro || big * View.Scale >= 2.0) {
                    if (View.Zoom < 2.0 || OnPicture(p, W, H)) core::DrawFlash(work, i, Options.MIRR, 0, View.Scale, View.OriginX, View.OriginY);
                } else if (OnPicture(p, W, H)) {
                    work.SetPixel(p.x, p.y, erase ? 0 : work.Pixel(p.x, p.y) | c);
                }
            } else if (e.Kind == core::dkLine) {
                if (!Options.PAINT && w > 2) {
                    work.SetPenWidth(1);
                    LineOutline(i, dev);
                    work.Polyline(dev);
                } else {
                    work.SetPenWidth(w);
                    const Point a = Dev(e.X1, e.Y1), b = Dev(e.X2, e.Y2);
                    const Point line[2] = {a, b};
                    work.Polyline(line);
                }
            } else if (e.Kind == core::dkSquareStroke) {
                work.SetPenWidth(1);
                const Point q[4] = {Dev(e.X1, e.Y1), Dev(e.X2, e.Y2), Dev(e.X3, e.Y3), Dev(e.X4, e.Y4)};
                const bool axis = (q[0].x == q[3].x && q[1].x == q[2].x && q[0].y == q[1].y && q[2].y == q[3].y) ||
                                  (q[0].y == q[3].y && q[1].y == q[2].y && q[0].x == q[1].x && q[2].x == q[3].x);
                if (axis)
                    work.Rectangle(q[0].x, q[0].y, q[2].x, q[2].y);
                else
                    work.Polygon(q);
            } else if (e.Kind == core::dkArcCCW || e.Kind == core::dkArcCW) {
                if (!Options.PAINT && w > 2) {
                    work.SetPenWidth(1);
                    ArcOutline(i, dev);
                } else {
                    work.SetPenWidth(w);
                    core::ArcDrawPoints(e.Kind, pts, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2, View.Scale, Near(w));
                    dev.clear();
                    for (auto& p : pts) dev.push_back(Dev(p.x, p.y));
                }
                work.Polyline(dev);
            }
        }
        pic.Blit(work, 0, 0, RasterCanvas::BlitOp::Or);
    }
    work.Fill(0);
    work.SetPenMode(platform::PenMode::Merge);
    work.SetPenColor(0xFFFFFF);
    work.SetPenWidth(1);
    const Point cross[4] = {Dev(-10, 0), Dev(10, 0), Dev(0, 10), Dev(0, -10)};
    work.Polyline(std::span(cross, 2));
    work.Polyline(std::span(cross + 2, 2));
    pic.Blit(work, 0, 0, RasterCanvas::BlitOp::Or);
    // Drill holes straight onto the picture.
    pic.SetPenMode(platform::PenMode::Copy);
    pic.SetPenColor(platform::RGB(128, 128, 128));
    pic.SetPenWidth(1);
    pic.SetBrushColor(0);
    for (int i = 0; i < n; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind != core::dkDrill || !Shown(e.Layer) || !core::ToolAt(e.Code)) continue;
        const Point p = Dev(e.X3, e.Y3);
        if (!OnPicture(p, W, H)) continue;
        const double d = core::LeadingNumber(core::ToolAt(e.Code)->Diameter);
        if (d * View.Scale >= 2.0) {
            const Point a = Dev(e.X3 - d / 2, e.Y3 + d / 2), b = Dev(e.X3 + d / 2, e.Y3 - d / 2);
            pic.Ellipse(std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
        } else {
            pic.SetPixel(p.x, p.y, platform::RGB(128, 128, 128));
        }
    }
    return pic;
}

void RandomScene(std::mt19937& rng)
{
    std::uniform_real_distribution<double> X(-15, 75), Y(-15, 55), U(0, 1);
    auto pick = [&](int k) { return static_cast<int>(rng() % static_cast<unsigned>(k)); };
    SetAperture(10, core::apCircle, 0.3);
    SetAperture(11, core::apCircle, 1.6);
    SetAperture(12, core::apRectangle, 2.0, 1.2);
    SetAperture(13, core::apOval, 2.5, 1.0);
    SetAperture(14, core::apThermal45, 1.0, 2.4, 0.3);
    SetAperture(15, core::apPolygon, 3.0, 6, 15);
    SetAperture(16, core::apCircle, 0.05);
    SetAperture(17, core::apSquare, 1.0);
    core::Tools[1].Diameter = "0.9";
    core::Tools[2].Diameter = "0.1";
    const int codes[] = {10, 11, 12, 13, 14, 15, 16, 17, 3000};
    const int count = 150 + pick(150);
    for (int k = 0; k < count; ++k) {
        const int layer = 1 + pick(4);   // layer 4 is hidden
        const std::uint8_t clear = U(rng) < 0.3;
        const int code = codes[pick(9)];
        const double x = X(rng), y = Y(rng);
        switch (pick(8)) {
        case 0:
            core::AppendElement(Marker(pick(40) - 5, static_cast<std::uint8_t>(pick(2))));
            break;
        case 1:
        case 2: {
            const int g = ++core::GroupCounter;
            const double a = 1 + 10 * U(rng), b = 1 + 10 * U(rng);
            const double xs[5] = {x, x + a, x + a, x, x}, ys[5] = {y, y, y + b, y + b, y};
            for (int j = 0; j < 4; ++j) {
                core::DataElement e = Element(layer, core::dkRegionLine, 0, xs[j], ys[j], xs[j + 1], ys[j + 1], g, clear);
                if (j == 1) {   // a bulging side
                    e.Kind = core::dkRegionArcCCW;
                    e.X3 = x + a;
                    e.Y3 = y + b / 2;
                    e.X4 = b / 2;
                }
                core::AppendElement(e);
            }
            break;
        }
        case 3:
            core::AppendElement(Flash(layer, code, x, y, clear));
            break;
        case 4: {
            core::DataElement e = Element(layer, core::dkLine, code, x, y, x + 20 * U(rng) - 10, y + 20 * U(rng) - 10, 0, clear);
            core::AppendElement(e);
            break;
        }
        case 5: {
            const double r = 0.5 + 6 * U(rng);
            core::DataElement e = Element(layer, pick(2) ? core::dkArcCW : core::dkArcCCW, code, x + r, y, x, y + r, 0, clear);
            e.X3 = x;
            e.Y3 = y;
            e.X4 = r;
            core::AppendElement(e);
            break;
        }
        case 6: {
            // Square-aperture strokes, straight or at an angle.
            const double h = 0.5, l = 5 * U(rng);
            core::DataElement e = Element(layer, core::dkSquareStroke, 17, x - h, y + h, x + l + h, y + h, 0, clear);
            e.X3 = x + l + h;
            e.Y3 = y - h;
            e.X4 = x - h;
            e.Y4 = y - h;
            if (pick(2)) {
                e.X2 = x + l;
                e.Y2 = y + l + 1;
                e.X4 = x;
                e.Y4 = y - 1;
            }
            core::AppendElement(e);
            break;
        }
        default:
            core::AppendElement(Element(5, core::dkDrill, 1 + pick(3), x, y, x, y));
            break;
        }
    }
}

TEST(ReferenceRedrawTest, SameAsThePlainPassesOnRandomScenes)
{
    std::mt19937 rng(20261207);
    for (int scene = 0; scene < 24; ++scene) {
        ResetAll();
        ShowLayer(1, 0x0000FF);
        ShowLayer(2, 0x00FF00);
        ShowLayer(3, 0xFF8000);
        ShowLayer(4, 0xFFFFFF);
        core::LayerTable[4].Active = 0;
        ShowLayer(5, 0x00FFFF);
        RandomScene(rng);
        Options.MIRR = scene & 1;
        Options.PAINT = (scene & 2) == 0;
        Options.AUTOSCR = (scene & 4) != 0;
        FitTo(0, 60, 0, 40, 300 + 7 * scene, 200 + 3 * scene);
        if (scene % 3 == 1) SetViewZoom(true, 10 + scene, 5 + scene, -2.5);
        if (scene % 3 == 2) SetViewZoom(true, 50, 30, -6.0);
        const RasterCanvas ref = ReferencePicture();
        for (unsigned threads : {1u, 3u, 8u}) {
            Tuning.Threads = threads;
            Tuning.ParallelFrom = 0;
            RedrawView();
            const RasterCanvas& pic = Picture();
            ASSERT_EQ(pic.Width(), ref.Width());
            ASSERT_EQ(pic.Height(), ref.Height());
            int differ = 0, firstX = -1, firstY = -1;
            for (int y = 0; y < ref.Height(); ++y)
                for (int x = 0; x < ref.Width(); ++x)
                    if (pic.Pixel(x, y) != ref.Pixel(x, y) && differ++ == 0) {
                        firstX = x;
                        firstY = y;
                    }
            EXPECT_EQ(differ, 0) << "scene " << scene << " threads " << threads << " first at " << firstX << "," << firstY;
        }
    }
    Tuning = {};
}

// Bands are cut where the work is: a scene squeezed into a few rows of
// the picture gives bands of a row or two, and one far from every element
// gives empty ones; the picture stays the same.
TEST(ReferenceRedrawTest, BandsCutByWorkKeepThePicture)
{
    std::mt19937 rng(99);
    ResetAll();
    ShowLayer(1, 0x0000FF);
    ShowLayer(2, 0x00FF00);
    ShowLayer(3, 0xFF8000);
    ShowLayer(5, 0x00FFFF);
    RandomScene(rng);
    // Numbers no board has: far out, beyond the float range, not numbers.
    const double far[] = {1e30, -1e300, 1e300, std::nan("")};
    for (double v : far) {
        core::AppendElement(Element(1, core::dkLine, 10, v, 5, 20, 5));
        core::AppendElement(Flash(2, 11, 10, v));
        core::AppendElement(Element(3, core::dkArcCCW, 10, 30, 30, 31, 31));
        core::Datas[static_cast<std::size_t>(core::DataCount - 1)].X4 = v;
    }
    struct View {
        double x0, x1, y0, y1;
    };
    const View views[] = {{0, 60, 0, 40}, {0, 60, -400, 40}, {0, 60, 0, 440}, {-300, 60, -300, 40}, {500, 560, 500, 540}};
    for (const View& v : views) {
        FitTo(v.x0, v.x1, v.y0, v.y1, 200, 97);
        const RasterCanvas ref = ReferencePicture();
        for (unsigned threads : {2u, 8u}) {
            Tuning.Threads = threads;
            Tuning.ParallelFrom = 0;
            RedrawView();
            int differ = 0;
            for (int y = 0; y < ref.Height(); ++y)
                for (int x = 0; x < ref.Width(); ++x) differ += Picture().Pixel(x, y) != ref.Pixel(x, y);
            EXPECT_EQ(differ, 0) << "view " << v.x0 << "," << v.y0 << " threads " << threads;
        }
    }
    Tuning = {};
}

// What the redraw keeps between pictures (where the elements lie, which
// ones the region and drill passes visit) must follow the elements: many
// views of one scene, a layer moved, the elements replaced by as many others.
TEST(ReferenceRedrawTest, KeptListsFollowViewsLayerMovesAndNewElements)
{
    std::mt19937 rng(7);
    auto expectSame = [](const char* what) {
        const RasterCanvas ref = ReferencePicture();
        for (unsigned threads : {1u, 3u}) {
            Tuning.Threads = threads;
            Tuning.ParallelFrom = 0;
            RedrawView();
            const RasterCanvas& pic = Picture();
            ASSERT_EQ(pic.Width(), ref.Width());
            int differ = 0;
            for (int y = 0; y < ref.Height(); ++y)
                for (int x = 0; x < ref.Width(); ++x) differ += pic.Pixel(x, y) != ref.Pixel(x, y);
            EXPECT_EQ(differ, 0) << what << " threads " << threads;
        }
    };
    ResetAll();
    for (int l = 1; l <= 5; ++l) ShowLayer(l, platform::RGB(40 * l, 255 - 40 * l, 60 + 30 * l));
    RandomScene(rng);
    const int count = core::DataCount;
    const double centres[][2] = {{5, 5}, {30, 20}, {55, 35}, {12, 33}, {-40, 90}};
    for (const auto& c : centres) {
        FitTo(0, 60, 0, 40, 320, 210);
        SetViewZoom(true, c[0], c[1], -8.0);
        expectSame("zoomed view");
    }
    Options.MIRR = true;
    SetViewZoom(true, 20, 10, -3.0);
    expectSame("mirrored zoomed view");
    core::MoveLayer(1, 4);
    expectSame("after a layer move");
    // Moving a hidden layer past shown ones: the kept layer of each element
    // must follow.
    core::LayerTable[2].Active = 0;
    expectSame("a layer hidden");
    core::MoveLayer(2, 6);
    expectSame("after moving the hidden layer");
    // The same count of elements, all different: rolled back and read again.
    core::Datas.resize(0);
    core::DataCount = 0;
    RandomScene(rng);
    while (core::DataCount < count) core::AppendElement(Flash(2, 10, 30, 20));
    while (core::DataCount > count) {
        --core::DataCount;
        core::Datas.resize(static_cast<std::size_t>(core::DataCount));
    }
    expectSame("other elements, same count");
    Tuning = {};
    Options = {};
}

} // namespace
