// From a file list to a fitted picture: the open command on the synthetic
// board of 2,000,000 elements, as the command line hands it over at start —
// reading, the range check and tool letters, fitting the view and the first
// redraw of the window's picture (and the spatial grid once it is built).
#include "SyntheticBoard.h"

#include "main/OpenCommands.h"
#include "main/PictureView.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/MessageBoxes.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t BoardElements = 2'000'000;

// The window's picture at a common size, fitted and redrawn as the main
// window does it.
class PictureWindow final : public mainwin::OpenCommandWindow {
public:
    explicit PictureWindow(bool draw) : draw_(draw) {}
    void FitView() override { mainwin::FitWindowPicture(); }
    void RedrawView() override
    {
        if (draw_) mainwin::RedrawWindowPicture();
    }

private:
    bool draw_;
};

struct Fixture {
    fs::path root, board;
    Fixture()
    {
        root = fs::temp_directory_path() / "tessel2-startup-bench";
        fs::create_directories(root / "home" / "DATA");
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        platform::ResetProgramFolder();
        board = root / "synthetic.gbr";
        bench::WriteSyntheticBoard(board.string(), BoardElements);
    }
    ~Fixture()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

// state.range(0): 1 with the first redraw, 0 reading and fitting alone.
void BM_FileListToFittedPicture(benchmark::State& state)
{
    static Fixture fixture;
    platform::FakeMessageBoxes boxes;
    boxes.positiveByDefault = false;   // the aperture report is not shown
    platform::ScopedMessageBoxes scoped(&boxes);
    PictureWindow window(state.range(0) != 0);
    mainwin::SetOpenWindow(&window);
    mainwin::PictureResized(1600, 1000);

    for (auto _ : state) {
        state.PauseTiming();
        mainwin::ClearAllData(true);
        mainwin::MyOpenFiles list = mainwin::MakeOpenList({fixture.board.string()});
        state.ResumeTiming();
        const int result = mainwin::OpenFileListRun(list);
        if (result != 1 || core::DataCount != BoardElements) state.SkipWithError("the board did not load");
        benchmark::DoNotOptimize(mainwin::WindowPicture());
    }
    state.counters["elements"] = static_cast<double>(core::DataCount);
    mainwin::SetOpenWindow(nullptr);
}

} // namespace

BENCHMARK(BM_FileListToFittedPicture)->ArgName("redraw")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7);
