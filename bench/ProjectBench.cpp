// Saving the synthetic board of 2,000,000 elements as a project file and
// reading it back into an emptied job; the file's size and the reader's heap
// allocations per element are reported beside the times.
#include "SyntheticBoard.h"

#include "core/Datas.h"
#include "core/ProjectFile.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <unistd.h>

namespace {

std::atomic<long long> allocations{0};

} // namespace

// Every allocation of the program is counted. (GCC takes the malloc/free
// pair below for a mismatch once operator new is inlined.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t BoardElements = 2'000'000;

const fs::path& ProjectPath()
{
    static const fs::path path = fs::temp_directory_path() / ("tessel2-bench-" + std::to_string(::getpid()) + ".tsn");
    return path;
}

void LoadBoard()
{
    bench::LoadSyntheticBoard(BoardElements);
    core::MaxDCode = core::MarkUsedApertures(core::Apertures);
}

void BM_WriteProjectFile(benchmark::State& state)
{
    LoadBoard();
    for (auto _ : state) core::WriteProjectFile(ProjectPath().string());
    const auto bytes = static_cast<double>(fs::file_size(ProjectPath()));
    state.counters["elements"] = static_cast<double>(core::DataCount);
    state.counters["file_MB"] = bytes / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteProjectFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadProjectFile(benchmark::State& state)
{
    std::error_code ec;
    if (!fs::exists(ProjectPath(), ec)) {
        LoadBoard();
        core::WriteProjectFile(ProjectPath().string());
    }
    core::Gauge gauge;
    long long allocated = 0;
    std::int32_t elements = 0;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        core::LayerTakeFlags.fill(1);
        const long long before = allocations.load();
        state.ResumeTiming();
        core::MyDataValue value;
        if (!core::ReadProjectFile(gauge, ProjectPath().string(), value)) state.SkipWithError("the project did not read");
        allocated += allocations.load() - before;
        elements = core::DataCount;
    }
    state.counters["elements"] = elements;
    state.counters["allocs_per_element"] =
        static_cast<double>(allocated) / static_cast<double>(state.iterations()) / std::max(1, elements);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(fs::file_size(ProjectPath())));
    fs::remove(ProjectPath(), ec);
}
BENCHMARK(BM_ReadProjectFile)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
