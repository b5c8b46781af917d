// Reading an RS-274X file of 20,000 aperture macros, each one given to an
// aperture definition (D10..D1999 in turn), with a flash at the end. Every
// macro is kept as a file of the work folder, which starts empty as after a
// clear.
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

std::string MacroFile()
{
    std::string text = "G04 20000 aperture macros*\n%FSLAX24Y24*%\n%MOMM*%\n";
    for (int i = 0; i < MacroTotal; ++i) {
        const std::string name = "PAD" + std::to_string(i);
        const std::string d = std::to_string(10 + i % 1990);
        text += "%AM" + name + "*\n1,1,$1,0,0*\n21,1,$1,$2,0,0,45*\n4,1,3,0,0,0.5,0,0.5,0.5,0,0,0*%\n";
        text += "%ADD" + d + name + ",0.8X0.3*%\n";
    }
    text += "D10*\nX10000Y10000D03*\nM02*\n";
    return text;
}

void BM_ReadGerberMacros(benchmark::State& state)
{
    const fs::path folder = fs::temp_directory_path() / ("tessel2-bench-macros-" + std::to_string(::getpid()));
    const fs::path work = folder / "DATA";
    const fs::path file = folder / "macros.gbr";
    fs::create_directories(work);
    const std::string text = MacroFile();
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0)
            throw std::runtime_error("cannot write " + file.string());
    }
    core::DataFolder = work.string();
    core::Gauge gauge;
    for (auto _ : state) {
        state.PauseTiming();
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        std::error_code ec;
        fs::remove_all(work, ec);
        fs::create_directories(work);
        state.ResumeTiming();
        core::MyDataValue value;
        if (!core::ReadGerberFile(gauge, file.string(), 1, value)) state.SkipWithError("the file did not read");
        benchmark::DoNotOptimize(value);
    }
    state.counters["macros"] = MacroTotal;
    state.counters["primitives"] = core::MacroCount;
    std::error_code ec;
    fs::remove_all(folder, ec);
    core::ResetTables();
}
BENCHMARK(BM_ReadGerberMacros)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

} // namespace
