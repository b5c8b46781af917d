// The redraw of a dense synthetic board at 1920 × 1080: the fitted view,
// zoom 10 about the board's centre, and a redraw that changes only a tool
// overlay. Two layers (top copper with tracks, arcs, pads and regions, a
// drill layer) filled straight into the tables.
#include "core/Datas.h"
#include "main/Redraw.h"
#include "main/ViewTransform.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

struct Random {
    std::uint64_t s = 0x2545F4914F6CDD1DULL;
    std::uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 16);
    }
    double Range(double lo, double hi) { return lo + (hi - lo) * (Next() % 1000000) / 1000000.0; }
};

void Aperture(int d, int shape, double s1, double s2 = 0, double s3 = 0)
{
    core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
    a.Shape = shape;
    a.Size1 = s1;
    a.Size2 = s2;
    a.Size3 = s3;
}

// 300 × 200 mm: 40% tracks of up to six segments, 15% quarter arcs, 35%
// rows of pads, 10% four-sided regions; about one drill hit per 20 elements.
void FillBoard(std::int64_t elements)
{
    static std::int64_t filled = -1;
    if (filled == elements) return;
    filled = elements;
    core::ResetTables();
    Aperture(10, core::apCircle, 0.254);
    Aperture(11, core::apRectangle, 1.5, 0.8);
    Aperture(12, core::apOval, 1.6, 0.9);
    Aperture(13, core::apRectangle, 1.2, 0.8);
    Aperture(14, core::apCircle, 0.5);
    Aperture(15, core::apRectangle, 0.6, 0.6);
    Aperture(16, core::apThermal45, 1.2, 1.8, 0.3);
    Aperture(17, core::apCircle, 1.0);
    core::Tools[1].Diameter = "0.8";
    core::Tools[1].Symbol = "A";
    for (int l : {1, 2}) {
        core::LayerTable[static_cast<std::size_t>(l)].Active = 1;
        core::LayerTable[static_cast<std::size_t>(l)].FileName = "board";
    }
    core::LayerTable[1].Color = 0x0000FF;
    core::LayerTable[2].Color = 0xC0C0C0;
    core::LayerCount = 2;

    Random rnd;
    const double W = 300, H = 200;
    auto add = [](int kind, int code, double x1, double y1, double x2, double y2, int group = 0) {
        core::DataElement e;
        e.Layer = 1;
        e.Kind = kind;
        e.Code = code;
        e.Group = group;
        e.X1 = x1;
        e.Y1 = y1;
        e.X2 = x2;
        e.Y2 = y2;
        if (kind == core::dkFlash) {
            e.X3 = x1;
            e.Y3 = y1;
        }
        core::AppendElement(e);
    };
    static const int tracks[] = {10, 14, 15}, pads[] = {11, 12, 13, 16, 17};
    std::int64_t made = 0;
    while (made < elements) {
        const std::int64_t left = elements - made;
        const std::uint32_t pick = rnd.Next() % 100;
        if (pick < 40 || left < 4) {
            const int d = tracks[rnd.Next() % 3];
            double x = rnd.Range(1, W - 1), y = rnd.Range(1, H - 1);
            const std::int64_t n = std::min<std::int64_t>(left, 1 + rnd.Next() % 6);
            for (std::int64_t k = 0; k < n; ++k) {
                const double nx = std::clamp(x + rnd.Range(-3, 3), 0.0, W), ny = std::clamp(y + rnd.Range(-3, 3), 0.0, H);
                add(core::dkLine, d, x, y, nx, ny);
                x = nx;
                y = ny;
            }
            made += n;
        } else if (pick < 55) {
            const double r = rnd.Range(0.2, 2), cx = rnd.Range(3, W - 3), cy = rnd.Range(3, H - 3);
            const bool ccw = rnd.Next() & 1;
            core::DataElement e;
            e.Layer = 1;
            e.Kind = ccw ? core::dkArcCCW : core::dkArcCW;
            e.Code = 10;
            e.X1 = cx + r;
            e.Y1 = cy;
            e.X2 = cx;
            e.Y2 = ccw ? cy + r : cy - r;
            e.X3 = cx;
            e.Y3 = cy;
            e.X4 = r;
            core::AppendElement(e);
            made += 1;
        } else if (pick < 90) {
            const int d = pads[rnd.Next() % 5];
            double x = rnd.Range(1, W - 20);
            const double y = rnd.Range(1, H - 1);
            const std::int64_t n = std::min<std::int64_t>(left, 1 + rnd.Next() % 16);
            for (std::int64_t k = 0; k < n; ++k, x += 1.27) add(core::dkFlash, d, x, y, x, y);
            made += n;
            if (rnd.Next() % 4 == 0 && made < elements) {
                core::DataElement e;
                e.Layer = 2;
                e.Kind = core::dkDrill;
                e.Code = 1;
                e.X3 = x;
                e.Y3 = y;
                core::AppendElement(e);
                ++made;
            }
        } else {
            const double x = rnd.Range(1, W - 6), y = rnd.Range(1, H - 6), a = rnd.Range(0.5, 5), b = rnd.Range(0.5, 5);
            const int g = ++core::GroupCounter;
            add(core::dkRegionLine, 0, x, y, x + a, y, g);
            add(core::dkRegionLine, 0, x + a, y, x + a, y + b, g);
            add(core::dkRegionLine, 0, x + a, y + b, x, y + b, g);
            add(core::dkRegionLine, 0, x, y + b, x, y, g);
            made += 4;
        }
    }
    core::Extents.Width = W;
    core::Extents.Height = H;
    core::Extents.CentreX = W / 2;
    core::Extents.CentreY = H / 2;
}

void Fit(std::int64_t elements)
{
    FillBoard(elements);
    mainwin::Options = {};
    mainwin::ClientWidth = 1920;
    mainwin::ClientHeight = 1080;
    mainwin::FitViewExtents();
    mainwin::SetViewZoom(false, 0, 0, -1.0);
}

void BM_RedrawFit(benchmark::State& state)
{
    Fit(state.range(0));
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
}
BENCHMARK(BM_RedrawFit)->Arg(500'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RedrawFitOneThread(benchmark::State& state)
{
    Fit(state.range(0));
    mainwin::Tuning.Threads = 1;
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
    mainwin::Tuning = {};
}
BENCHMARK(BM_RedrawFitOneThread)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

void BM_RedrawFitOutline(benchmark::State& state)
{
    Fit(state.range(0));
    mainwin::Options.PAINT = false;
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
}
BENCHMARK(BM_RedrawFitOutline)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RedrawZoom10(benchmark::State& state)
{
    Fit(state.range(0));
    mainwin::SetViewZoom(true, 150, 100, -10.0);
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
}
BENCHMARK(BM_RedrawZoom10)->Arg(500'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RedrawZoom10OneThread(benchmark::State& state)
{
    Fit(state.range(0));
    mainwin::SetViewZoom(true, 150, 100, -10.0);
    mainwin::Tuning.Threads = 1;
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
    mainwin::Tuning = {};
}
BENCHMARK(BM_RedrawZoom10OneThread)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

void BM_RedrawToolOverlay(benchmark::State& state)
{
    Fit(state.range(0));
    int x = 0;
    mainwin::OverlayHooks().push_back([&x](platform::RasterCanvas& c) {
        c.SetPenMode(platform::PenMode::NotXor);
        c.SetPenColor(0);
        c.MoveTo(x, 100);
        c.LineTo(x + 500, 600);
    });
    mainwin::RedrawView(mainwin::RedrawReason::ToolOverlay);
    for (auto _ : state) {
        x = (x + 7) % 1000;
        mainwin::RedrawView(mainwin::RedrawReason::ToolOverlay);
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
    mainwin::OverlayHooks().clear();
}
BENCHMARK(BM_RedrawToolOverlay)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

} // namespace
