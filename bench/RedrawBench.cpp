// The redraw of the synthetic board at 1920 × 1080: the fitted view, zoom
// 10 about the board's centre, and a redraw that changes only a tool
// overlay.
#include "SyntheticBoard.h"
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

void Fit(std::int64_t elements)
{
    bench::LoadSyntheticBoard(elements);
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
    mainwin::SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, -10.0);
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
}
BENCHMARK(BM_RedrawZoom10)->Arg(500'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RedrawZoom10OneThread(benchmark::State& state)
{
    Fit(state.range(0));
    mainwin::SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, -10.0);
    mainwin::Tuning.Threads = 1;
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
    mainwin::Tuning = {};
}
BENCHMARK(BM_RedrawZoom10OneThread)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

// The view one wheel notch in from the fitted one, on one thread: the
// picture a wheel step must rebuild, with most of the board still on it.
void BM_RedrawZoom15OneThread(benchmark::State& state)
{
    Fit(state.range(0));
    mainwin::SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, -1.5);
    mainwin::Tuning.Threads = 1;
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
    mainwin::Tuning = {};
}
BENCHMARK(BM_RedrawZoom15OneThread)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

// A plane of one region with 100,000 flashes over it at the fitted view:
// the region alone, the flashes dark, and the flashes clear (a layer drawn
// on its own, in file order); on all threads and on one.
void BM_RedrawPlaneFit(benchmark::State& state)
{
    bench::LoadPlaneBoard(100'000, static_cast<bench::Plane>(state.range(0)));
    mainwin::Options = {};
    mainwin::ClientWidth = 1920;
    mainwin::ClientHeight = 1080;
    mainwin::FitViewExtents();
    mainwin::SetViewZoom(false, 0, 0, -1.0);
    mainwin::Tuning.Threads = static_cast<unsigned>(state.range(1));
    for (auto _ : state) {
        mainwin::RedrawView();
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
    mainwin::Tuning = {};
}
BENCHMARK(BM_RedrawPlaneFit)
    ->ArgNames({"alone0dark1clear2", "threads"})
    ->ArgsProduct({{static_cast<int>(bench::Plane::Alone), static_cast<int>(bench::Plane::DarkFlashes),
                    static_cast<int>(bench::Plane::ClearFlashes)},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
