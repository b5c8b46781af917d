// A wheel notch over the synthetic board at 1920 × 1080: the notch is
// counted, the view zoomed ×1.5 about the pointer's data point and the
// picture rebuilt; what the window does after that is a blit. Measured from
// the fitted view (1 → 1.5) and from zoom 10 (10 → 15), each again to a
// scale never drawn before.
#include "SyntheticBoard.h"
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "view/Navigation.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// With `newScale`, every notch starts from a zoom a little off the one
// before, so that it lands on a scale never drawn: nothing kept for a
// scale (flash masks, outline spans) helps it.
void WheelNotch(benchmark::State& state, double startZoom, bool newScale = false)
{
    bench::LoadSyntheticBoard(state.range(0));
    mainwin::Options = {};
    mainwin::ClientWidth = 1920;
    mainwin::ClientHeight = 1080;
    mainwin::FitViewExtents();
    double nudge = 1.0;
    for (auto _ : state) {
        state.PauseTiming();
        if (newScale) nudge *= 1.0001;
        mainwin::SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, -startZoom * nudge);
        mainwin::Navigation = {};
        mainwin::PointerOverPicture(700, 400);
        state.ResumeTiming();
        const int notches = mainwin::TakeWheelNotches(120);
        const mainwin::NavResult r = mainwin::WheelZoomStep(notches > 0);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(mainwin::Picture().Bits());
    }
}

void BM_WheelZoomFromFit(benchmark::State& state) { WheelNotch(state, 1.0); }
BENCHMARK(BM_WheelZoomFromFit)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_WheelZoomFromFitNewScale(benchmark::State& state) { WheelNotch(state, 1.0, true); }
BENCHMARK(BM_WheelZoomFromFitNewScale)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_WheelZoomFrom10(benchmark::State& state) { WheelNotch(state, 10.0); }
BENCHMARK(BM_WheelZoomFrom10)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_WheelZoomFrom10NewScale(benchmark::State& state) { WheelNotch(state, 10.0, true); }
BENCHMARK(BM_WheelZoomFrom10NewScale)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
