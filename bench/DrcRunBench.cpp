// The design-rule run from the main window's "検出" on the synthetic board
// of 500,000 elements, offscreen with a picture of about 1600 x 1000: the
// whole handler (the check with its gauge, the redraw with the marks, the
// page's count), the check as the window runs it (gauge, events, busy
// guard), and the check alone.
#include "SyntheticBoard.h"

#include "core/DesignRules.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/PictureView.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "view/WorkerPool.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/RasterText.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t BoardElements = 500'000;

// Tracks of 0.254 mm under a least width of 0.3, and every direction off
// the eight checked: about 200,000 errors.
void Settings()
{
    core::MyDrcSet& s = core::DrcSettings;
    s = core::MyDrcSet{};
    s.Count = 1;
    s.MinWidth = {0, 0.3};
    s.AngleCheck = {0, 1};
}

// The window offscreen with the board loaded and the design-rule tool down.
struct Window {
    fs::path home;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<mainwin::TFormMain> form;
    platform::FakeMessageBoxes boxes;
    std::unique_ptr<platform::ScopedMessageBoxes> scoped;
    Window()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        home = fs::temp_directory_path() / ("tessel2-drcbench-" + std::to_string(::getpid()));
        fs::create_directories(home);
        setenv("TESSEL2_HOME", home.c_str(), 1);
        platform::ResetProgramFolder();
        static int argc = 1;
        static char name[] = "bench_drcrun";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        platform::InstallRasterTextHook();
        scoped = std::make_unique<platform::ScopedMessageBoxes>(&boxes);
        form = std::make_unique<mainwin::TFormMain>(QStringList{});
        form->StartupDone = true;
        form->show();
        form->resize(1600 + 290, 1000 + 120);
        QApplication::processEvents();
        bench::LoadSyntheticBoard(BoardElements);
        mainwin::ShownLayerCount = 1;
        form->FormResize();
        mainwin::FitWindowPicture();
        mainwin::ShowDrcSettings = [] {
            Settings();
            return 1;
        };
        form->swDRC->click();
    }
    ~Window()
    {
        form->CloseMode = -1;
        form.reset();
        std::error_code ec;
        fs::remove_all(home, ec);
    }
};

Window& TheWindow()
{
    static Window w;
    return w;
}

void BM_DrcRunFromWindow(benchmark::State& state)
{
    Window& w = TheWindow();
    for (auto _ : state) {
        w.form->sw5Click();
        if (core::DrcErrors.Count < 1 || w.form->ActiveTool() != mainwin::ToolButton::Drc) state.SkipWithError("no run");
    }
    state.counters["errors"] = core::DrcErrors.Count;
    state.counters["width"] = mainwin::ClientWidth;
    state.counters["height"] = mainwin::ClientHeight;
}
BENCHMARK(BM_DrcRunFromWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

// The check as the window runs it: the gauge shown and advanced, events
// let run, commands held off.
void BM_DrcCheckInWindow(benchmark::State& state)
{
    Window& w = TheWindow();
    Settings();
    for (auto _ : state) w.form->CheckDesignRules();
    state.counters["errors"] = core::DrcErrors.Count;
}
BENCHMARK(BM_DrcCheckInWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

void BM_DrcCheckAlone(benchmark::State& state)
{
    TheWindow();
    Settings();
    core::Gauge gauge;
    for (auto _ : state) {
        core::ClearDrcErrors();
        core::CheckLineRules(gauge);
        core::CheckResistSilkGap(gauge, mainwin::PoolRunner());
    }
    state.counters["errors"] = core::DrcErrors.Count;
}
BENCHMARK(BM_DrcCheckAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
