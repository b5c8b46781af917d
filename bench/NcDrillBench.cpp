// Reading a large synthetic drill file: 1,000,000 hits of 20 tools in the
// common leading-zero-omitted Excellon form (~16 MB).
#include "core/NcDrillReader.h"

#include "platform/TextFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string SyntheticDrillFile(int hits)
{
    std::string text = "M48\nMETRIC,TZ\n";
    for (int t = 1; t <= 20; ++t) text += "T" + std::to_string(t) + "C0." + std::to_string(300 + 50 * t) + "\n";
    text += "%\nG90\nG05\n";
    unsigned seed = 12345;
    for (int i = 0; i < hits; ++i) {
        if (i % (hits / 20) == 0) text += "T" + std::to_string(i / (hits / 20) + 1) + "\n";
        seed = seed * 1103515245u + 12345u;
        unsigned x = (seed >> 8) % 300000, y = (seed >> 4) % 200000;
        text += "X" + std::to_string(x) + "Y" + std::to_string(y) + "\n";
    }
    text += "T0\nM30\n";
    return text;
}

void BM_ReadNcDrillFile(benchmark::State& state)
{
    const int hits = 1'000'000;
    std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("tessel2-bench-" + std::to_string(::getpid()) + ".drl");
    std::string text = SyntheticDrillFile(hits);
    platform::WriteFileBytes(file, text);
    core::Gauge gauge;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        core::DrillFormat = core::MyFormatPara{};
        state.ResumeTiming();
        core::MyDataValue value;
        bool ok = core::ReadNcDrillFile(gauge, file.string(), 1, value);
        if (!ok || value.Count != hits) state.SkipWithError("the synthetic file did not read");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["hits"] = hits;
    std::filesystem::remove(file);
}
BENCHMARK(BM_ReadNcDrillFile)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

