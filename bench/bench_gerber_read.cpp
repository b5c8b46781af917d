// Reading a synthetic RS-274X board of 2,000,000 elements (~55 MB).
#include "SyntheticBoard.h"

#include "core/Datas.h"
#include "core/GerberReader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t BoardElements = 2'000'000;

// Peak resident memory so far, in bytes.
long long PeakRss()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            long long kb = 0;
            for (char c : line)
                if (c >= '0' && c <= '9') kb = kb * 10 + (c - '0');
            return kb * 1024;
        }
    }
    return 0;
}


struct Board {
    fs::path folder, file;
    std::int64_t elements = 0;
    std::uintmax_t bytes = 0;
    long long rssBaseline = 0;  // peak resident memory before any read
    Board()
    {
        folder = fs::temp_directory_path() / ("tessel2-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        file = folder / "synthetic.gbr";
        elements = bench::WriteSyntheticBoard(file.string(), BoardElements);
        bytes = fs::file_size(file);
        core::DataFolder = folder.string();
        rssBaseline = PeakRss();
    }
    ~Board()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

Board& TheBoard()
{
    static Board board;
    return board;
}

void BM_ReadGerberFile(benchmark::State& state)
{
    Board& board = TheBoard();
    core::Gauge gauge;
    core::ResetTables();
    const long long rssBefore = board.rssBaseline;
    core::MyDataValue value;
    std::size_t storage = 0;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        state.ResumeTiming();
        const bool ok = core::ReadGerberFile(gauge, board.file.string(), 1, value);
        if (!ok || value.Count != board.elements) state.SkipWithError("the board did not read whole");
        storage = core::Datas.memory_bytes();
        benchmark::DoNotOptimize(value);
    }
    const long long rssAfter = PeakRss();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(board.bytes));
    state.counters["elements"] = static_cast<double>(value.Count);
    state.counters["file_MB"] = static_cast<double>(board.bytes) / 1e6;
    state.counters["storage_B_per_element"] = static_cast<double>(storage) / static_cast<double>(std::max<std::int32_t>(core::DataCount, 1));
    state.counters["peak_rss_B_per_element"] =
        static_cast<double>(rssAfter - rssBefore) / static_cast<double>(std::max<std::int32_t>(value.Count, 1));
    core::ResetTables();
}

BENCHMARK(BM_ReadGerberFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The same with element storage that has never been touched (the first file
// after start): the system's zeroing of fresh pages is counted too.
void BM_ReadGerberFileFreshMemory(benchmark::State& state)
{
    Board& board = TheBoard();
    core::Gauge gauge;
    core::MyDataValue value;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        core::Datas = core::MyDataArray{};
        state.ResumeTiming();
        const bool ok = core::ReadGerberFile(gauge, board.file.string(), 1, value);
        if (!ok || value.Count != board.elements) state.SkipWithError("the board did not read whole");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(board.bytes));
    core::ResetTables();
}

BENCHMARK(BM_ReadGerberFileFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
