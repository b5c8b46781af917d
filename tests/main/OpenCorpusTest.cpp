// Every board of the corpus opened in the main window through OpenFileList,
// all its Gerber and drill files in one open: layers, element counts, the
// range check and the status bar against the same files read one by one.
#include "CorpusBoards.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/MessageBoxes.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

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
