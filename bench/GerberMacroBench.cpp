// Reading an RS-274X file of 20,000 aperture macros, with a flash at the end.
// Every macro is kept as a file of the work folder, which starts empty as
// after a clear. Argument 0: the first 1,990 macros are given to D10..D1999;
// 1: every macro is given to an aperture, D10..D1999 in turn, so that each
// definition after the first 1,990 replaces the primitives of another;
// 2: D10..D1999 name macros that were never defined, each looked up in vain
// among the 20,000 files.
#include "core/Datas.h"
#include "core/GerberReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int MacroTotal = 20'000;

std::string MacroFile(int kind)
{
    std::string text = "G04 20000 aperture macros*\n%FSLAX24Y24*%\n%MOMM*%\n";
    for (int i = 0; i < MacroTotal; ++i) {
        const std::string name = "PAD" + std::to_string(i);
        const std::string d = std::to_string(10 + i % 1990);
        text += "%AM" + name + "*\n1,1,$1,0,0*\n21,1,$1,$2,0,0,45*\n4,1,3,0,0,0.5,0,0.5,0.5,0,0,0*%\n";
        if (kind == 1 || (kind == 0 && i < 1990)) text += "%ADD" + d + name + ",0.8X0.3*%\n";
    }
    if (kind == 2)
        for (int d = 10; d <= 1999; ++d) text += "%ADD" + std::to_string(d) + "NONE" + std::to_string(d) + ",0.8X0.3*%\n";
    text += "D10*\nX10000Y10000D03*\nM02*\n";
    return text;
}

// The benchmark's folder, removed when the program ends. Each read gets an
// empty work folder of its own: emptying one folder again and again would
// measure how the file system reuses the entries just deleted.
struct BenchFolder {
    fs::path root = fs::temp_directory_path() / ("tessel2-bench-macros-" + std::to_string(::getpid()));
    int reads = 0;
    ~BenchFolder()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};
BenchFolder benchFolder;

void BM_ReadGerberMacros(benchmark::State& state)
{
    const fs::path file = benchFolder.root / ("macros" + std::to_string(state.range(0)) + ".gbr");
    fs::create_directories(benchFolder.root);
    const std::string text = MacroFile(static_cast<int>(state.range(0)));
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0)
            throw std::runtime_error("cannot write " + file.string());
    }
    core::Gauge gauge;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        const fs::path work = benchFolder.root / ("DATA" + std::to_string(++benchFolder.reads));
        fs::create_directories(work);
        core::DataFolder = work.string();
        state.ResumeTiming();
        core::MyDataValue value;
        if (!core::ReadGerberFile(gauge, file.string(), 1, value)) state.SkipWithError("the file did not read");
        benchmark::DoNotOptimize(value);
    }
    state.counters["macros"] = MacroTotal;
    state.counters["primitives"] = core::MacroCount;
    core::ResetTables();
}
BENCHMARK(BM_ReadGerberMacros)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

} // namespace
