// The spatial grid, the rectangle selection and the resist-silk check: on the
// synthetic boards of 500,000 and 2,000,000 elements over the view fitted at
// 1600 x 1000, and on a real pair of resist and silk layers (the back of the
// kicad-older board of the corpus). Each against the plain way (a bitmap per
// element, slot arrays grown for the whole grid, sorted text lists).
#include "SyntheticBoard.h"

#include "core/DesignRules.h"
#include "core/ElementGrid.h"
#include "core/GerberReader.h"
#include "tests/core/LiteralGrid.h"
#include "view/ViewTransform.h"
#include "view/WorkerPool.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void Fit(std::int64_t elements)
{
    bench::LoadSyntheticBoard(elements);
    mainwin::ClientWidth = 1600;
    mainwin::ClientHeight = 1000;
    mainwin::FitViewExtents();
    core::SetGridView(core::Extents);
}

double Megabytes(std::size_t bytes) { return static_cast<double>(bytes) / (1 << 20); }

// state.range(1): 1 on the worker pool, 0 on one thread.
void BM_BuildGrid(benchmark::State& state)
{
    Fit(state.range(0));
    const core::TaskRunner runner = state.range(1) ? mainwin::PoolRunner() : core::TaskRunner{};
    core::Gauge gauge;
    for (auto _ : state) {
        if (!core::BuildElementGrid(gauge, runner)) state.SkipWithError("no grid");
    }
    state.counters["MB"] = Megabytes(core::ElementGrid.MemoryBytes());
    state.counters["depth"] = core::GridDepth;
}
BENCHMARK(BM_BuildGrid)->ArgNames({"elements", "pool"})->Args({500'000, 1})->Args({2'000'000, 1})->Args({2'000'000, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_BuildGridLiteral(benchmark::State& state)
{
    Fit(state.range(0));
    for (auto _ : state) {
        literal::Grid grid;
        if (!literal::Build(grid)) state.SkipWithError("no grid");
        std::size_t bytes = 0;
        for (const auto& column : grid.cells)
            for (const auto& list : column) bytes += list.capacity() * sizeof(std::int32_t);
        state.counters["MB"] = Megabytes(bytes);
        state.counters["depth"] = grid.depth;
    }
}
BENCHMARK(BM_BuildGridLiteral)->ArgName("elements")->Arg(500'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A rectangle around the whole board.
void BM_SelectWholeBoard(benchmark::State& state)
{
    Fit(state.range(0));
    core::Gauge gauge;
    core::BuildElementGrid(gauge, mainwin::PoolRunner());
    const core::TaskRunner runner = state.range(1) ? mainwin::PoolRunner() : core::TaskRunner{};
    core::MyIntArray found;
    for (auto _ : state) {
        core::MyBox rect{core::Extents.MinX - 5, core::Extents.MaxX + 5, core::Extents.MinY - 5, core::Extents.MaxY + 5};
        benchmark::DoNotOptimize(core::SelectInRect(rect, found, runner));
    }
    state.counters["selected"] = static_cast<double>(found.size());
}
BENCHMARK(BM_SelectWholeBoard)->ArgNames({"elements", "pool"})->Args({2'000'000, 1})->Args({2'000'000, 0})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SelectWholeBoardLiteral(benchmark::State& state)
{
    Fit(state.range(0));
    literal::Grid grid;
    literal::Build(grid);
    core::MyIntArray found;
    for (auto _ : state) {
        core::MyBox rect{core::Extents.MinX - 5, core::Extents.MaxX + 5, core::Extents.MinY - 5, core::Extents.MaxY + 5};
        benchmark::DoNotOptimize(literal::SelectInRect(grid, rect, found));
    }
    state.counters["selected"] = static_cast<double>(found.size());
}
BENCHMARK(BM_SelectWholeBoardLiteral)->ArgName("elements")->Arg(2'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The back resist and silk of a real board as layers 1 and 2.
struct RealPair {
    RealPair()
    {
        const fs::path folder = fs::path(TESSEL2_CORPUS) / "cad" / "kicad-older";
        const fs::path work = fs::temp_directory_path() / ("tessel2-gridbench-" + std::to_string(::getpid()));
        fs::create_directories(work);
        core::ResetTables();
        core::DataFolder = work.string();
        core::Gauge gauge;
        core::MyExtents& x = core::Extents;
        x.MinX = x.MinY = 1500;
        x.MaxX = x.MaxY = -1500;
        int layer = 0;
        for (const char* name : {"chibi_2024-B.Mask.gbr", "chibi_2024-B.SilkS.gbr"}) {
            core::MyDataValue v;
            if (!core::ReadGerberFile(gauge, (folder / name).string(), ++layer, v)) std::abort();
            core::LayerTable[static_cast<std::size_t>(layer)].FileName = name;
            x.MinX = std::min(x.MinX, v.MinX), x.MaxX = std::max(x.MaxX, v.MaxX);
            x.MinY = std::min(x.MinY, v.MinY), x.MaxY = std::max(x.MaxY, v.MaxY);
        }
        if (core::MacroCount > 0) core::ParseMacroParams();
        core::LayerCount = 2;
        x.Width = x.MaxX - x.MinX, x.Height = x.MaxY - x.MinY;
        x.CentreX = x.MinX + x.Width / 2, x.CentreY = x.MinY + x.Height / 2;
        std::error_code ec;
        fs::remove_all(work, ec);
        core::DrcSettings = {};
        core::DrcSettings.TopOn = 1;
        core::DrcSettings.TopResist = 1;
        core::DrcSettings.TopSilk = 2;
        core::DrcSettings.TopGap = 0.1;
    }
};

void BM_ResistSilk(benchmark::State& state)
{
    static RealPair pair;
    const core::TaskRunner runner = state.range(0) ? mainwin::PoolRunner() : core::TaskRunner{};
    core::Gauge gauge;
    for (auto _ : state) {
        core::ClearDrcErrors();
        core::CheckResistSilkGap(gauge, runner);
    }
    state.counters["errors"] = core::DrcErrors.Count;
}
BENCHMARK(BM_ResistSilk)->ArgName("pool")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResistSilkLiteral(benchmark::State& state)
{
    static RealPair pair;
    mainwin::ClientWidth = 1600;
    mainwin::ClientHeight = 1000;
    mainwin::FitViewExtents();
    core::SetGridView(core::Extents);
    literal::Grid grid;
    literal::Build(grid);
    std::vector<literal::Error> errors;
    for (auto _ : state) {
        errors.clear();
        literal::ResistSilk(errors, 1, 2, 0.1, core::etTopResistSilk, [&](std::int32_t i) { return literal::NearElements(grid, i, 2); });
    }
    state.counters["errors"] = static_cast<double>(errors.size());
}
BENCHMARK(BM_ResistSilkLiteral)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
