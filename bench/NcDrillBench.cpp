// Reading a large synthetic drill file: 1,000,000 hits of 20 tools in the
// common leading-zero-omitted Excellon form (~16 MB); and the peak memory of
// reading 300 MiB drill files of comment lines, of hits and of one comment,
// and of refusing one of more hits than the element limit.
#include "core/NcDrillReader.h"

#include "platform/Error.h"
#include "platform/TextFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
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

// A value of /proc/self/status in bytes ("VmRSS" resident now, "VmHWM" its peak).
long long StatusBytes(const char* key)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    const std::string prefix = std::string(key) + ":";
    char line[256];
    long long kb = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::string(line).rfind(prefix, 0) != 0) continue;
        for (const char* c = line; *c; ++c)
            if (*c >= '0' && *c <= '9') kb = kb * 10 + (*c - '0');
        break;
    }
    std::fclose(f);
    return kb * 1024;
}

// Starts the peak of resident memory again from what is resident now.
bool ResetPeakMemory()
{
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

constexpr long long LargeFileBytes = 300LL << 20;

enum class LargeContent { Comments, Hits, OneComment, TooManyHits };

// A drill file of `bytes` bytes: a header with one tool, then comment lines,
// hits, one G04 comment without a line end, or hits of three bytes each
// ("X1*", more than the element limit), then two hits, written in pieces so
// the whole text never sits in memory.
void WriteLargeDrillFile(const std::filesystem::path& file, long long bytes, LargeContent content)
{
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + file.string());
    std::string piece = "M48\nMETRIC,TZ\nT1C0.8\n%\nG90\nG05\nT1\n";
    if (content == LargeContent::OneComment) piece += "G04 ";
    long long written = 0;
    unsigned seed = 12345;
    for (long long line = 0; written + static_cast<long long>(piece.size()) < bytes; ++line) {
        if (content == LargeContent::OneComment) {
            piece += "the quick brown fox jumps over the lazy dog ";
        } else if (content == LargeContent::TooManyHits) {
            for (int k = 0; k < 100; ++k) piece += "X1*";
        } else if (content == LargeContent::Comments) {
            piece += line % 2 ? "; the quick brown fox jumps over the lazy dog " : "(a remark in brackets, line ";
            piece += std::to_string(line);
            piece += line % 2 ? "\n" : ")\n";
        } else {
            seed = seed * 1103515245u + 12345u;
            piece += "X" + std::to_string((seed >> 8) % 300000) + "Y" + std::to_string((seed >> 4) % 200000) + "\n";
        }
        if (piece.size() >= (1u << 20)) {
            std::fwrite(piece.data(), 1, piece.size(), f);
            written += static_cast<long long>(piece.size());
            piece.clear();
        }
    }
    piece += "\nX1000Y1000\nX2000Y2000\nM30\n";
    std::fwrite(piece.data(), 1, piece.size(), f);
    if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + file.string());
}

// Peak memory of reading a 300 MiB drill file: over what was resident before
// the read, and of the whole process; for hits also the memory their
// elements take.
void BM_ReadNcDrillFilePeakMemory(benchmark::State& state)
{
    const auto content = static_cast<LargeContent>(state.range(0));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessel2-bench-drill-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "large.drl";
    WriteLargeDrillFile(file, LargeFileBytes, content);
    core::Gauge gauge;
    double peak = 0, processPeak = 0, elements = 0;
    long long hits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        core::DrillFormat = core::MyFormatPara{};
        core::DrillFormat.NumberFormat = "000.000";
        const double elementsBefore = static_cast<double>(core::Datas.memory_bytes());
        const long long before = StatusBytes("VmRSS");
        if (!ResetPeakMemory()) state.SkipWithError("the peak of resident memory cannot be reset");
        state.ResumeTiming();
        core::MyDataValue value;
        const bool refuse = content == LargeContent::TooManyHits;
        bool expected = false;
        try {
            expected = core::ReadNcDrillFile(gauge, file.string(), 1, value) != refuse;
        } catch (const platform::Error& e) {
            expected = refuse && e.what() == core::TooManyElementsText() && core::DataCount == 0;
        }
        if (!expected) state.SkipWithError(refuse ? "the file was not refused" : "the file did not read");
        state.PauseTiming();
        processPeak = static_cast<double>(StatusBytes("VmHWM"));
        peak = processPeak - static_cast<double>(before);
        elements = static_cast<double>(core::Datas.memory_bytes()) - elementsBefore;
        hits = value.Count;
        state.ResumeTiming();
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    core::ResetTables();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * LargeFileBytes);
    state.counters["peak_MiB"] = peak / (1 << 20);
    state.counters["process_peak_MiB"] = processPeak / (1 << 20);
    state.counters["elements_MiB"] = elements / (1 << 20);
    state.counters["hits"] = static_cast<double>(hits);
}
// 0: comment lines, 1: hits, 2: one comment without a line end, 3: more
// hits than the element limit, refused before they are made.
BENCHMARK(BM_ReadNcDrillFilePeakMemory)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

} // namespace

