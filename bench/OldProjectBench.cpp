// Exporting the synthetic board of 2,000,000 elements as the earlier
// edition's file and reading that file back as a layer of an emptied job;
// the file's size is reported beside the times.
#include "SyntheticBoard.h"

#include "core/Datas.h"
#include "core/OldProjectFiles.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t BoardElements = 2'000'000;

// The folder the board is exported into, removed when the program ends.
struct ExportFolder {
    fs::path path = fs::temp_directory_path() / ("tessel2-bench-tso-" + std::to_string(::getpid()));
    ExportFolder() { fs::create_directories(path); }
    ~ExportFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};
const fs::path& Folder()
{
    static const ExportFolder folder;
    return folder.path;
}

// Exports the board; the file of its one layer.
fs::path Export()
{
    bench::LoadSyntheticBoard(BoardElements);
    core::MaxDCode = core::MarkUsedApertures(core::Apertures);
    core::WriteOldProjectFiles(Folder().string());
    return Folder() / core::OldProjectFilePlans().at(0).FileName;
}

// The board exported once, for the reads.
const fs::path& ExportedBoard()
{
    static const fs::path file = Export();
    return file;
}

void BM_WriteOldProjectFiles(benchmark::State& state)
{
    fs::path file;
    for (auto _ : state) file = Export();
    const auto bytes = static_cast<double>(fs::file_size(file));
    state.counters["elements"] = static_cast<double>(core::DataCount);
    state.counters["file_MB"] = bytes / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteOldProjectFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadOldProjectFile(benchmark::State& state)
{
    const fs::path& file = ExportedBoard();
    core::Gauge gauge;
    std::int32_t elements = 0;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        state.ResumeTiming();
        core::MyDataValue value;
        if (!core::ReadOldProjectFile(gauge, file.string(), 1, value)) state.SkipWithError("the file did not read");
        elements = core::DataCount;
    }
    state.counters["elements"] = elements;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(fs::file_size(file)));
}
BENCHMARK(BM_ReadOldProjectFile)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
