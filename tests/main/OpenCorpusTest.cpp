// Every board of the corpus opened in the main window through OpenFileList,
// all its Gerber and drill files in one open: layers, element counts, the
// range check and the status bar against the same files read one by one.
#include "CorpusBoards.h"
#include "core/ElementGrid.h"
#include "core/FolderSettings.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "core/OldProjectFiles.h"
#include "core/ProjectFile.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/MessageBoxes.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

using corpusboards::Boards;
using corpusboards::Cad;
using corpusboards::LowerExt;

// The lines of a message that name files, in any order.
std::multiset<std::string> FileLines(const std::string& text)
{
    std::multiset<std::string> lines;
    std::size_t at = 0;
    while ((at = text.find("\n・", at)) != std::string::npos) {
        const std::size_t end = text.find('\n', at + 1);
        lines.insert(text.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1));
        ++at;
    }
    return lines;
}

struct Alone {
    std::int32_t count = 0;
    core::MyDataValue value;
    std::string reason = NoElementsReason;   // why nothing was read
};

// One file read into emptied tables, as the open reads it.
Alone ReadAlone(const fs::path& p)
{
    ClearAllData(true);
    Alone a;
    core::MyDataValue v;
    core::Gauge gauge;
    bool ok = false;
    try {
        ok = core::DetectFileType(p.string()) == core::fkNcDrill ? core::ReadNcDrillFile(gauge, p.string(), 1, v)
                                                                 : core::ReadGerberFile(gauge, p.string(), 1, v);
    } catch (const std::exception& e) {
        ok = false;
        a.reason = e.what();
    }
    if (ok) {
        a.count = core::DataCount;
        a.value = v;
    }
    return a;
}

class OpenCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TESSEL2_HOME", dir.path().toUtf8().constData(), 1);
        platform::ResetProgramFolder();
        ShellOpenFile = [this](const std::string& p) {
            shellOpened.push_back(p);
            return true;
        };
    }
    void TearDown() override
    {
        ShellOpenFile = [](const std::string&) { return true; };
        platform::ResetProgramFolder();
    }
    QTemporaryDir dir;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
    std::vector<std::string> shellOpened;
};

TEST_F(OpenCorpus, EveryBoardInOneOpen)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    TFormMain form({});
    form.StartupDone = true;   // no deferred start: no registration, no command line
    form.resize(1200, 800);
    form.show();

    const auto boards = Boards();
    ASSERT_GE(boards.size(), 15u);
    int loaded = 0;
    for (const auto& [name, files] : boards) {
        SCOPED_TRACE(name);
        // What the open should make of the files, read one by one.
        std::int32_t layers = 0, elements = 0, setAside = 0;
        core::MyExtents box;
        // Each file that does not become a layer, with why.
        std::vector<FileNotRead> notRead;
        for (const fs::path& f : files) {
            const std::string ext = LowerExt(f);
            if (ext == ".txt" || ext == ".pdf") {
                ++setAside;
                continue;
            }
            if (layers >= core::MaxLayers) {
                notRead.push_back({f.filename().string(), LayerLimitReason});
                continue;
            }
            Alone a = ReadAlone(f);
            if (a.count == 0) {
                notRead.push_back({f.filename().string(), a.reason});
                continue;
            }
            ++layers;
            elements += a.count;
            box.MinX = std::min(box.MinX, a.value.MinX);
            box.MaxX = std::max(box.MaxX, a.value.MaxX);
            box.MinY = std::min(box.MinY, a.value.MinY);
            box.MaxY = std::max(box.MaxY, a.value.MaxY);
        }
        const bool inRange = layers > 0 && DataRangeAcceptable(box);

        std::vector<std::string> paths;
        for (const fs::path& f : files) paths.push_back(f.string());
        MyOpenFiles list = MakeOpenList(paths);
        ClearAllData(true);
        boxes.shown.clear();
        // The aperture report is offered, not shown.
        boxes.positiveByDefault = false;
        shellOpened.clear();
        const int result = OpenFileList(list);

        EXPECT_EQ(static_cast<std::int32_t>(shellOpened.size()), setAside);
        // One message names every file not read, with the reader's reason.
        const std::string notReadText = FilesNotReadMessage("", notRead);
        if (!inRange) {
            EXPECT_EQ(result, 0);
            ASSERT_EQ(boxes.shown.size(), 1u);
            if (layers > 0) {
                EXPECT_EQ(boxes.shown[0].text, RangeErrorText);
            } else {
                EXPECT_EQ(boxes.shown[0].text.rfind(OpenFailedText, 0), 0u);
                EXPECT_EQ(FileLines(boxes.shown[0].text), FileLines(notReadText));
            }
            EXPECT_EQ(core::LayerCount, 0);
            EXPECT_EQ(core::DataCount, 0);
            continue;
        }
        ++loaded;
        EXPECT_EQ(result, 1);
        std::size_t shown = 0;
        if (!notRead.empty()) {
            ASSERT_GT(boxes.shown.size(), shown);
            EXPECT_EQ(boxes.shown[shown].text.rfind(FilesNotReadText, 0), 0u) << boxes.shown[shown].text;
            EXPECT_EQ(FileLines(boxes.shown[shown].text), FileLines(notReadText));
            ++shown;
        }
        if (core::ReportCount > 0) {
            ASSERT_GT(boxes.shown.size(), shown);
            EXPECT_EQ(boxes.shown[shown++].text, ReportQuestionText);
        }
        EXPECT_EQ(boxes.shown.size(), shown);
        EXPECT_EQ(core::LayerCount, layers);
        EXPECT_EQ(core::DataCount, elements);
        EXPECT_EQ(form.StatusBar1->PanelText(0), DataCountText + std::to_string(elements));
        EXPECT_NEAR(core::Extents.Width, box.MaxX - box.MinX, 1e-9);
        EXPECT_NEAR(core::Extents.Height, box.MaxY - box.MinY, 1e-9);
        EXPECT_EQ(ShownLayerCount, 1);
        EXPECT_EQ(core::LayerTable[1].Active, 1);
        for (int k = 1; k <= core::LayerCount; ++k) {
            const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(k)];
            EXPECT_TRUE(fs::exists(fs::path(l.Folder) / l.FileName)) << l.FileName;
            EXPECT_TRUE(l.FileKind == core::fkRS274X || l.FileKind == core::fkRS274D || l.FileKind == core::fkNcDrill);
        }
        // Every element on a loaded layer; every used tool has its letter.
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind == core::dkSection) continue;
            ASSERT_TRUE(e.Layer >= 1 && e.Layer <= core::LayerCount) << i;
        }
        for (int t = 1; t <= core::ToolCount; ++t) {
            const core::MyTool& tool = core::Tools[static_cast<std::size_t>(t)];
            EXPECT_EQ(tool.Used != 0, !tool.Symbol.empty()) << t;
        }
        EXPECT_FALSE(form.GaugePanel->isVisible());
    }
    EXPECT_GE(loaded, 12);
}

// A real board loaded, two of its layers shown and the view zoomed; then
// files chosen to replace it of which nothing reads: the board stays as it
// was, its tables, layer table, picture, status bar, caption and step marks,
// and one message names each file with why.
TEST_F(OpenCorpus, ReplaceThatReadsNothingKeepsTheBoard)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    TFormMain form({});
    form.StartupDone = true;
    form.resize(1200, 800);
    form.show();
    const auto boards = Boards();
    auto load = [&] {
        MyOpenFiles driver;
        for (const fs::path& f : boards.at("geda/driver")) driver.Add(f);
        ASSERT_EQ(OpenFileList(driver), 1);
        core::LayerTable[3].Active = 1;
        ShownLayerCount = 2;
        core::StepMarks[3] = 1;
        form.setWindowTitle("テッセル２ - 基板");
        SetViewZoom(false, 0, 0, 2.0);
        RebuildCommandMenu();
        form.RedrawView();
    };
    // What the user sees of the job, and what its tools work on.
    struct Seen {
        std::int32_t elements, holes, shown;
        std::vector<std::tuple<std::string, std::int32_t, std::int32_t>> layers;   // file, shown, colour
        std::array<std::uint8_t, 5> marks;
        double maxX, viewWidth;
        ViewState view;
        std::vector<std::vector<std::string>> cells;
        bool layerPanel;
        std::string status, caption;
        std::vector<std::uint32_t> picture;
        bool operator==(const Seen&) const = default;
    };
    auto see = [&form] {
        Seen s{core::DataCount, core::TotalHoleCount, ShownLayerCount, {}, core::StepMarks, core::Extents.MaxX,
               core::Extents.ViewWidth, View, LayerGrid.CellTexts, form.PanelLayer->isVisible(),
               form.StatusBar1->PanelText(0), form.windowTitle().toStdString(), {}};
        for (int k = 1; k <= core::MaxLayers; ++k)
            s.layers.emplace_back(core::LayerTable[k].FileName, core::LayerTable[k].Active, core::LayerTable[k].Color);
        const platform::RasterCanvas& p = Picture();
        s.picture.assign(p.Bits(), p.Bits() + static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height()));
        return s;
    };
    load();
    const fs::path in = fs::path(dir.path().toStdString()) / "in";
    fs::create_directories(in);
    core::WriteProjectFile((in / "whole.tsn").string());
    const std::string project = platform::ReadFileBytes(in / "whole.tsn");
    const std::string earlier = core::OldProjectFileBytes(core::OldProjectFilePlans().at(0));

    AskReplaceOrAdd = [](const std::string&, const std::string&) {
        core::LayerTakeFlags[1] = 1;
        return 1;
    };
    struct Restore {
        ~Restore() { AskReplaceOrAdd = DefaultReplaceOrAdd; }
    } restore;
    auto write = [&](const std::string& name, const std::string& bytes) {
        platform::WriteFileBytes(in / name, bytes);
        return in / name;
    };
    const std::string broken = "%FSLAX34Y34*%\n%MOMM*%\n%ADD10C,0.5*%\nD10*\nX2500Y2500D03*\nX1.2.3Y2500D03*\nM02*\n";
    const struct {
        const char* name;
        std::function<std::vector<fs::path>()> make;
        std::vector<std::string> named;   // the files the message names
        bool permissions = false;         // only where permissions hold (not as root)
    } cases[] = {
        {"project cut short", [&] { return std::vector{write("cut.tsn", project.substr(0, project.size() * 15 / 100))}; }, {"cut.tsn"}},
        {"earlier project cut short", [&] { return std::vector{write("cut.tso", earlier.substr(0, earlier.size() * 15 / 100))}; }, {"cut.tso"}},
        {"FIFO beside a Gerber file broken half-way",
         [&] {
             ::mkfifo((in / "x.gbr").c_str(), 0644);
             return std::vector{in / "x.gbr", write("broken.gbr", broken)};
         },
         {"x.gbr", "broken.gbr"}},
        {"folder beside an RS-274D file broken half-way",
         [&] {
             fs::create_directories(in / "boards");
             return std::vector{in / "boards", write("old.gbr", "G54D10*\nX0Y0D02*\nX1.2.3Y0D01*\nM02*\n")};
         },
         {"boards", "old.gbr"}},
        {"garbage named as Gerber", [&] { return std::vector{write("garbage.gbr", std::string(4000, '\x01'))}; }, {"garbage.gbr"}},
        {"unreadable Gerber beside garbage",
         [&] {
             const fs::path locked = write("locked.gbr", broken);
             fs::permissions(locked, fs::perms::none);
             return std::vector{locked, write("notes.dat", "not a board\n")};
         },
         {"locked.gbr", "notes.dat"}, true},
        {"settings file beside a Gerber file broken half-way",
         [&] {
             core::WriteFolderSettings((in / "Tessel2.ini").string());
             return std::vector{in / "Tessel2.ini", write("broken.gbr", broken)};
         },
         {"broken.gbr"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.permissions && ::geteuid() == 0) continue;
        load();
        const Seen before = see();

        std::vector<std::string> paths;
        for (const fs::path& f : c.make()) paths.push_back(f.string());
        MyOpenFiles list = MakeOpenList(paths);
        boxes.shown.clear();
        EXPECT_EQ(OpenFileList(list), 0);
        ASSERT_EQ(boxes.shown.size(), 1u);
        const std::string& text = boxes.shown[0].text;
        EXPECT_EQ(text.rfind(OpenFailedText, 0), 0u) << text;
        for (const std::string& name : c.named) EXPECT_NE(text.find("・" + name + "："), std::string::npos) << text;

        EXPECT_EQ(core::DataCount, before.elements);
        EXPECT_EQ(core::LayerCount, 9);
        EXPECT_TRUE(core::ElementGrid.Current());
        EXPECT_TRUE(see() == before);
        fs::remove_all(in / "boards");
        fs::remove(in / "x.gbr");
    }
}

TEST_F(OpenCorpus, KnownBoards)
{
    if (!fs::exists(Cad)) GTEST_SKIP() << "no corpus at " << Cad;
    const auto boards = Boards();
    // gEDA's driver: seven Gerber layers and two drill files.
    MyOpenFiles driver;
    for (const fs::path& f : boards.at("geda/driver")) driver.Add(f);
    ASSERT_EQ(OpenFileList(driver), 1);
    EXPECT_EQ(core::LayerCount, 9);
    EXPECT_EQ(core::TotalHoleCount, 71);
    EXPECT_EQ(core::LayerTable[1].FileName, "driver.bottom.gbr");

    // The Altium board keeps Gerber and drill files in two folders; its drill
    // files end in ".TXT" and go to the shell, its 25 Gerber layers load.
    boxes.positiveByDefault = false;
    shellOpened.clear();
    MyOpenFiles altium;
    for (const fs::path& f : boards.at("altium-composite-drill")) altium.Add(f);
    ASSERT_EQ(OpenFileList(altium), 1);
    EXPECT_EQ(core::LayerCount, 25);
    EXPECT_EQ(shellOpened.size(), 2u);
}

TEST_F(OpenCorpus, Rs274dBoardShowsTheNoticeBalloon)
{
    const fs::path file = fs::path(TESSEL2_CORPUS) / "features" / "boards" / "ekf" / "l1.off";
    if (!fs::exists(file)) GTEST_SKIP() << "no corpus file " << file;
    TFormMain form({});
    form.StartupDone = true;
    form.resize(1200, 800);
    form.show();
    MyOpenFiles list;
    list.Add(file);
    ASSERT_EQ(OpenFileList(list), 1);
    EXPECT_EQ(core::LayerTable[1].FileKind, core::fkRS274D);
    ASSERT_TRUE(form.Image11->isVisible());
    EXPECT_GT(form.Image11->width(), 200);
    // Its point sits at the left edge of the drawing area.
    EXPECT_EQ(form.Image11->x(), form.Panel1->x() + form.DspPanel->x());
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(form.Image11, &click);
    EXPECT_FALSE(form.Image11->isVisible());
}

} // namespace
