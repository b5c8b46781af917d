// A wheel notch over the synthetic board at 1920 × 1080: the notch is
// counted, the view zoomed ×1.5 about the pointer's data point and the
// picture rebuilt; what the window does after that is a blit. Measured from
// the fitted view (1 → 1.5) and from zoom 10 (10 → 15).
#include "SyntheticBoard.h"
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "main/Navigation.h"
#include "main/Redraw.h"
#include "main/ViewTransform.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void FillBoard(std::int64_t elements)
{
    static std::int64_t filled = -1;
    if (filled == elements) return;
    filled = elements;
    const fs::path folder = fs::temp_directory_path() / ("tessel2-nav-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path file = folder / "synthetic.gbr";
    bench::WriteSyntheticBoard(file.string(), elements);
    core::ResetTables();
    core::DataFolder = folder.string();
    core::Gauge gauge;
    core::MyDataValue value;
    if (!core::ReadGerberFile(gauge, file.string(), 1, value)) std::abort();
    if (core::MacroCount > 0) core::ParseMacroParams();
    std::error_code ec;
    fs::remove_all(folder, ec);
    core::LayerTable[1].Active = 1;
    core::LayerTable[1].FileName = "synthetic.gbr";
    core::LayerCount = 1;
    core::Extents.Width = value.MaxX - value.MinX;
    core::Extents.Height = value.MaxY - value.MinY;
    core::Extents.CentreX = (value.MinX + value.MaxX) / 2;
    core::Extents.CentreY = (value.MinY + value.MaxY) / 2;
}

void WheelNotch(benchmark::State& state, double startZoom)
{
    FillBoard(state.range(0));
    mainwin::Options = {};
    mainwin::ClientWidth = 1920;
    mainwin::ClientHeight = 1080;
    mainwin::FitViewExtents();
    for (auto _ : state) {
        state.PauseTiming();
        mainwin::SetViewZoom(true, core::Extents.CentreX, core::Extents.CentreY, -startZoom);
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

void BM_WheelZoomFrom10(benchmark::State& state) { WheelNotch(state, 10.0); }
BENCHMARK(BM_WheelZoomFrom10)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
