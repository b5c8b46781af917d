// The folder dialog's window offscreen, asked by the open command through
// its hook: real boards added to a loaded one or replacing it, cancelled by
// its button and its frame; the export page's folder tree and contents, and
// the export command writing into the folder chosen there.
#include "core/Datas.h"
#include "core/ProjectFile.h"
#include "dialogs/qt/FolderDialog.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "main/SaveCommands.h"
#include "output/CopyFiles.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/Shell.h"
#include "tests/platform_qt/FolderTreeClicks.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>

namespace fs = std::filesystem;
using namespace dialogs;
using namespace dialogs::folder;
using guitest::Settle;
using guitest::WaitFor;

namespace {

const fs::path Diptrace = fs::path(TESSEL2_CORPUS) / "cad" / "diptrace";

std::vector<std::string> Board(const std::string& name)
{
    std::vector<std::string> files;
    for (const char* layer : {"BoardOutline", "Bottom", "BottomMask", "BottomSilk", "Top", "TopMask", "TopSilk"}) {
        const fs::path p = Diptrace / (name + "_" + layer + ".gbr");
        if (fs::exists(p)) files.push_back(p.string());
    }
    return files;
}

class FolderDialogGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = fs::temp_directory_path() / ("tessel2-folder-gui-" + std::to_string(std::random_device{}()));
        fs::create_directories(home / "DATA");
        setenv("TESSEL2_HOME", home.c_str(), 1);
        // The folder tree starts at the home place: the test's own folders,
        // which no other program changes.
        if (const char* h = std::getenv("HOME")) userHome = h;
        setenv("HOME", home.c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (home / "DATA").string();
        mainwin::ShellOpenFile = [](const std::string&) { return true; };
        mainwin::ConnectFolderDialog();
        // Counts the questions on the way to the dialog.
        mainwin::AskReplaceOrAdd = [ask = mainwin::AskReplaceOrAdd, this](const std::string& mode, const std::string& path) {
            ++asked;
            return ask(mode, path);
        };
        mainwin::ClearAllData(true);
    }
    void TearDown() override
    {
        mainwin::AskReplaceOrAdd = mainwin::DefaultReplaceOrAdd;
        mainwin::ShellOpenFile = [](const std::string& p) { return platform::ShellOpen(p); };
        std::error_code ec;
        fs::remove_all(home, ec);
        platform::ResetProgramFolder();
        if (userHome) setenv("HOME", userHome->c_str(), 1);
        else unsetenv("HOME");
    }
    // Opens the files; `steps` run inside the dialog, which must ask.
    int Open(const std::vector<std::string>& paths, std::function<void()> steps = {})
    {
        asked = 0;
        if (steps) {
            QTimer::singleShot(0, [&, steps] {
                EXPECT_TRUE(form.isVisible());
                steps();
                if (form.isVisible()) {
                    ADD_FAILURE() << "still open";
                    form.reject();
                }
            });
        }
        mainwin::MyOpenFiles files = mainwin::MakeOpenList(paths, 0);
        return mainwin::OpenFileListRun(files);
    }
    // The elements of a board opened alone.
    std::int32_t Alone(const std::string& name)
    {
        mainwin::ClearAllData(true);
        EXPECT_EQ(Open(Board(name)), 1);
        return core::DataCount;
    }
    std::vector<std::string> LayerNames() const
    {
        std::vector<std::string> names;
        for (int i = 1; i <= core::LayerCount; ++i) names.push_back(core::LayerTable[static_cast<std::size_t>(i)].FileName);
        return names;
    }
    fs::path home;
    std::optional<std::string> userHome;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
    TFolderDialog form;
    int asked = 0;
};

TEST_F(FolderDialogGui, AddOrReplaceTheLoadedBoard)
{
    ASSERT_FALSE(Board("keyboard").empty());
    const std::int32_t keyboard = Alone("keyboard"), mainboard = Alone("mainboard");
    const int keyboardLayers = static_cast<int>(Board("keyboard").size());
    ASSERT_GT(keyboard, 0);

    // Nothing loaded: nothing to ask.
    mainwin::ClearAllData(true);
    EXPECT_EQ(Open(Board("keyboard")), 1);
    EXPECT_EQ(asked, 0);
    const std::vector<std::string> first = LayerNames();

    const struct {
        const char* what;
        std::optional<FolderButton> button;   // none: the frame closes it
        int opened;
        std::int32_t elements;
        int layers;
    } answers[] = {
        {"add", FolderButton::swOpen, 1, keyboard + mainboard, keyboardLayers + static_cast<int>(Board("mainboard").size())},
        {"replace", FolderButton::swSwap, 1, mainboard, static_cast<int>(Board("mainboard").size())},
        {"cancel", FolderButton::swCancel, 0, keyboard, keyboardLayers},
        {"frame", std::nullopt, 0, keyboard, keyboardLayers},
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.what);
        mainwin::ClearAllData(true);
        ASSERT_EQ(Open(Board("keyboard")), 1);
        const int opened = Open(Board("mainboard"), [&] {
            EXPECT_EQ(form.windowTitle().toStdString(), OpenSelectCaption);
            EXPECT_EQ(form.ButtonOf(FolderButton::swOpen)->text().toStdString(), "追加");
            EXPECT_TRUE(form.ButtonOf(FolderButton::swSwap)->isVisible());
            EXPECT_FALSE(form.DirBox1->isVisible());
            if (a.button) form.ButtonOf(*a.button)->click();
            else form.close();
        });
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(opened, a.opened);
        EXPECT_EQ(core::DataCount, a.elements);
        EXPECT_EQ(core::LayerCount, a.layers);
        const std::vector<std::string> names = LayerNames();
        if (a.button == FolderButton::swOpen) {
            EXPECT_TRUE(std::equal(first.begin(), first.end(), names.begin()));
        }
        if (a.button == FolderButton::swCancel) {
            EXPECT_EQ(names, first);
        }
    }
}

// Elements (not section markers) per layer number.
std::vector<int> LayerElements()
{
    std::vector<int> n(static_cast<std::size_t>(core::LayerCount) + 1, 0);
    for (std::int32_t i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind != 0 && e.Layer >= 1 && e.Layer <= core::LayerCount) ++n[static_cast<std::size_t>(e.Layer)];
    }
    return n;
}

TEST_F(FolderDialogGui, TickedProjectLayersAreTheLayersRead)
{
    // Three layers of a real board saved as one project.
    const std::vector<std::string> files = Board("keyboard");
    ASSERT_GE(files.size(), 3u);
    const std::vector<std::string> three(files.begin(), files.begin() + 3);
    ASSERT_EQ(Open(three), 1);
    const std::vector<std::string> names = LayerNames();
    const std::vector<int> elements = LayerElements();
    const fs::path project = home / "job.tsn";
    core::WriteProjectFile(project.string());

    const struct {
        const char* what;
        bool loaded;
        FolderButton button;
        std::vector<std::string> layers;
    } cases[] = {
        {"open", false, FolderButton::swOpen, {names[0], names[2]}},
        {"add", true, FolderButton::swOpen, {names[0], names[1], names[2], names[0], names[2]}},
        {"replace", true, FolderButton::swSwap, {names[0], names[2]}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mainwin::ClearAllData(true);
        if (c.loaded) {
            ASSERT_EQ(Open(three), 1);
        }
        const int opened = Open({project.string()}, [&] {
            EXPECT_EQ(form.windowTitle().toStdString(), ProjectCaptionHead + project.string());
            EXPECT_EQ(form.ButtonOf(FolderButton::swOpen)->text().toStdString(), c.loaded ? "追加" : "開く");
            ASSERT_EQ(PickItems.Count, 3);
            // The middle layer unticked.
            const platform::Point p{(PickItems.Rects[1].left + PickItems.Rects[1].right) / 2, 27};
            QMouseEvent up(QEvent::MouseButtonRelease, QPointF(p.x, p.y), form.Image1->mapToGlobal(QPointF(p.x, p.y)),
                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(form.Image1, &up);
            EXPECT_EQ(PickItems.LeftIcons, (std::vector<std::int32_t>{fiTicked, fiUnticked, fiTicked}));
            form.ButtonOf(c.button)->click();
        });
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(LayerNames(), c.layers);
        const std::vector<int> read = LayerElements();
        const int first = static_cast<int>(c.layers.size()) - 2;
        EXPECT_EQ(read[static_cast<std::size_t>(first) + 1], elements[1]);
        EXPECT_EQ(read[static_cast<std::size_t>(first) + 2], elements[3]);
    }
}

// A project whose layers do not read is never offered as an empty chooser:
// the open names it with why, also when it changes as the chooser reads it,
// and the board loaded stays.
TEST_F(FolderDialogGui, ProjectWhoseLayersDoNotReadShowsNoChooser)
{
    const std::vector<std::string> files = Board("keyboard");
    ASSERT_FALSE(files.empty());
    ASSERT_EQ(Open(files), 1);
    const fs::path project = home / "job.tsn";
    core::WriteProjectFile(project.string());
    const std::string good = platform::ReadFileBytes(project);
    std::string bad = good;
    const std::string name = fs::path(files[0]).filename().string();
    const std::size_t at = bad.find(name);
    ASSERT_NE(at, std::string::npos);
    bad.replace(at, name.size(), "keyboard\xff\xfe.gbr");
    const std::string why = "プロジェクトファイルの " + std::to_string(std::count(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1) +
                            " 行目を読めません。\nShift-JIS として読めない文字があります。";
    const std::int32_t elements = core::DataCount;

    struct ShowCounter final : QObject {
        int shown = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show) ++shown;
            return false;
        }
    } counter;
    form.installEventFilter(&counter);
    const std::function<int(const std::string&, const std::string&)> ask = mainwin::AskReplaceOrAdd;
    for (const bool whileAsked : {false, true}) {
        SCOPED_TRACE(whileAsked ? "spoiled as the chooser reads it" : "spoiled before the open");
        platform::WriteFileBytes(project, whileAsked ? good : bad);
        mainwin::AskReplaceOrAdd = [&](const std::string& mode, const std::string& path) {
            if (whileAsked) platform::WriteFileBytes(project, bad);
            return ask(mode, path);
        };
        // A chooser that came up anyway is closed, so that the test ends.
        QTimer::singleShot(200, &counter, [this] {
            if (form.isVisible()) form.reject();
        });
        boxes.shown.clear();
        counter.shown = 0;
        EXPECT_EQ(Open({project.string()}), 0);
        EXPECT_EQ(counter.shown, 0);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, mainwin::FilesNotReadMessage(mainwin::OpenFailedText,
                                                                    {{"job.tsn", why}}));
        EXPECT_EQ(core::DataCount, elements);
        EXPECT_EQ(core::LayerCount, static_cast<int>(files.size()));
    }
    mainwin::AskReplaceOrAdd = ask;
    form.removeEventFilter(&counter);
}

TEST_F(FolderDialogGui, ExportPageFollowsTheFolderTree)
{
    const fs::path tree = home / "out";
    fs::create_directories(tree / "a" / "deep");
    fs::create_directories(tree / "b");
    SelectedFolder = tree.string();
    ListFolder = home.string();
    FolderMode = "tso";
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(form.windowTitle().toStdString(), ExportCaption);
        EXPECT_TRUE(form.DirBox1->isVisible() && form.DriveBox1->isVisible());
        EXPECT_EQ(form.DirBoxFolder().toStdString(), tree.string());
        EXPECT_EQ(form.Label1->text().toStdString(), tree.string());
        // A double click on a folder row enters it; the tree follows.
        const platform::Point p{30, 8};
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, QPointF(p.x, p.y), form.Image3->mapToGlobal(QPointF(p.x, p.y)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form.Image3, &e);
        }
        EXPECT_EQ(Folder.Directory, (tree / "a").string());
        EXPECT_EQ(form.DirBoxFolder().toStdString(), (tree / "a").string());
        // Picking a folder in the tree shows its contents.
        auto* model = static_cast<QFileSystemModel*>(form.DirBox1->model());
        form.DirBox1->setCurrentIndex(model->index(QString::fromStdString((tree / "b").string())));
        EXPECT_EQ(SelectedFolder, (tree / "b").string());
        EXPECT_EQ(FolderItems.Count, 0);
        form.ButtonOf(FolderButton::swOK)->click();
    });
    form.ShowModal();
    EXPECT_EQ(FolderResult, frReplace);
    EXPECT_EQ(SelectedFolder, (tree / "b").string());
}

// A drive caption wider than its box is drawn shortened in its middle: the
// end of the path and its ")" stay in view.
TEST_F(FolderDialogGui, LongDriveCaptionKeepsItsEnd)
{
    // Records the captions the box's style is asked to draw.
    struct CaptionsDrawn final : QProxyStyle {
        void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override
        {
            if (const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option); box && element == CE_ComboBoxLabel)
                drawn = box->currentText;
            QProxyStyle::drawControl(element, option, painter, widget);
        }
        mutable QString drawn;
    } style;
    const fs::path deep = home / "ホームフォルダ" / "とても長い名前のフォルダ_end";
    fs::create_directories(deep);
    const std::string before = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", deep.c_str(), 1);
    SelectedFolder = deep.string();
    ListFolder = home.string();
    FolderMode = "tso";
    form.DriveBox1->setStyle(&style);
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(form.DriveBox1->currentText().toStdString(), "ホーム (" + deep.string() + ")");
        form.DriveBox1->grab();
        QStyleOptionComboBox option;
        option.initFrom(form.DriveBox1);
        const QRect field = style.subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, form.DriveBox1);
        EXPECT_TRUE(style.drawn.endsWith("_end)") && style.drawn.contains(QChar(0x2026))) << style.drawn.toStdString();
        EXPECT_LE(form.DriveBox1->fontMetrics().horizontalAdvance(style.drawn), field.width());
        form.ButtonOf(FolderButton::swCancel)->click();
    });
    form.ShowModal();
    form.DriveBox1->setStyle(nullptr);
    setenv("HOME", before.c_str(), 1);
}

TEST_F(FolderDialogGui, ExportWritesIntoTheFolderChosen)
{
    ASSERT_EQ(Open(Board("keyboard")), 1);
    const fs::path out = home / "out";
    fs::create_directories(out);
    output::FolderSet.PATH2 = out.string();
    QTimer::singleShot(0, [&] {
        // The files to be written, as the list names them: the one layer shown.
        ASSERT_EQ(ExportItems.Count, 1);
        EXPECT_EQ(ExportItems.Captions[0], "keyboard_BoardOutline.tso");
        EXPECT_EQ(SelectedFolder, out.string());
        form.ButtonOf(FolderButton::swOK)->click();
    });
    mainwin::ExportEarlierProjectsCommand();
    EXPECT_TRUE(fs::exists(out / "keyboard_BoardOutline.tso"));
    output::FolderSet.PATH2.clear();
}

// The folder chosen removed outside while the tree shows it: the tree's row
// moves to a neighbour, but the folder chosen becomes the one above, the
// user is told, and a new folder is made there.
TEST_F(FolderDialogGui, ChosenFolderGoneChoosesTheFolderAbove)
{
    const fs::path out = home / "out";
    FolderMode = "tso";
    ListFolder = home.string();
    auto* model = static_cast<QFileSystemModel*>(form.DirBox1->model());
    const struct {
        const char* what;
        fs::path chosen, removed;
    } cases[] = {
        {"the folder", out / "b", out / "b"},
        {"a folder above it", out / "d" / "inner", out / "d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(out / "a");
        fs::create_directories(c.chosen);
        fs::create_directories(out / "c");
        SelectedFolder = c.chosen.string();
        boxes.shown.clear();
        QTimer::singleShot(0, [&] {
            // Every folder of the tree read and watched.
            EXPECT_TRUE(WaitFor([&] { return model->rowCount(model->index(QString::fromStdString(out.string()))) == 3; }));
            EXPECT_EQ(form.DirBoxFolder().toStdString(), c.chosen.string());
            fs::remove_all(c.removed);
            EXPECT_TRUE(WaitFor([&] { return !boxes.shown.empty(); }));
            EXPECT_EQ(Folder.Directory, out.string());
            EXPECT_EQ(SelectedFolder, out.string());
            EXPECT_EQ(form.DirBoxFolder().toStdString(), out.string());
            EXPECT_EQ(boxes.shown.size(), 1u);
            if (!boxes.shown.empty()) {
                EXPECT_EQ(boxes.shown[0].text, FolderGoneText(c.chosen.string(), out.string()));
            }
            form.ButtonOf(FolderButton::swNewDir)->click();
            EXPECT_TRUE(fs::is_directory(out / NewFolderBase));
            for (const char* d : {"a", "c"}) EXPECT_FALSE(fs::exists(out / d / NewFolderBase)) << d;
            fs::remove(out / NewFolderBase);
            form.ButtonOf(FolderButton::swCancel)->click();
        });
        form.ShowModal();
    }
}

// A click in the folder tree chooses the row under the pointer and leaves it
// there while the folders it opens are read, whole or cut by the view's
// edge; its arrow opens it in place. A key brings its row into view.
TEST_F(FolderDialogGui, ClickedFolderStaysUnderThePointer)
{
    const fs::path tree = home / "many";
    for (int i = 0; i < 60; ++i) fs::create_directories(tree / ("f" + std::to_string(100 + i)) / "sub");
    SelectedFolder = (tree / "f120").string();
    ListFolder = home.string();
    FolderMode = "tso";
    QTimer::singleShot(0, [&] {
        auto* model = static_cast<QFileSystemModel*>(form.DirBox1->model());
        EXPECT_TRUE(WaitFor([&] { return model->rowCount(form.DirBox1->currentIndex().parent()) == 60; }));
        Settle(300);
        for (const guitest::RowCut cut : {guitest::RowCut::None, guitest::RowCut::ByTop, guitest::RowCut::ByBottom}) {
            SCOPED_TRACE(static_cast<int>(cut));
            const QPersistentModelIndex row = guitest::ClickRowThenItsArrow(form.DirBox1, cut);
            EXPECT_EQ(Folder.Directory, model->filePath(row).toStdString());
        }
        guitest::KeyDownShowsTheRow(form.DirBox1);
        form.ButtonOf(FolderButton::swCancel)->click();
    });
    form.ShowModal();
}

// Names wide enough to bring up a list's sideways bar: the list still
// scrolls until its last row is seen whole above the bar; shown again, it
// starts at its left.
TEST_F(FolderDialogGui, LastRowIsSeenAboveTheSidewaysBar)
{
    const std::string wide = "基板データ_" + std::string(60, 'w');
    const fs::path files = home / "wide";
    fs::create_directories(files);
    platform::TextFileWriter list(home / ListFileName);
    platform::TextFileWriter project(home / "job.tsn");
    for (int i = 0; i < 30; ++i) {
        const std::string name = wide + std::to_string(100 + i);
        platform::WriteFileBytes(files / (name + ".gbr"), "x");
        list.WriteLine(name + ".tso");
        project.WriteLine("LAYER/" + std::to_string(i + 1) + "/1/5/" + name + ".gbr/部品面パターン/-/A/A/P/clRed/clLime");
    }
    list.Commit();
    project.Commit();
    const struct {
        const char* what;
        const char* mode;
        QScrollArea* area;
        platform::SurfaceWidget* image;
        const MyFreeBox* items;
    } lists[] = {
        {"contents", "tso", form.ScrollBox2, form.Image3, &FolderItems},
        {"export list", "tso", form.ScrollBox1, form.Image1, &ExportItems},
        {"project layers", "OpenSelTsn", form.ScrollBox1, form.Image1, &PickItems},
        {"export list again", "tso", form.ScrollBox1, form.Image1, &ExportItems},
        {"contents again", "tso", form.ScrollBox2, form.Image3, &FolderItems},
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(l.what);
        FolderMode = l.mode;
        SelectedFolder = files.string();
        ListFolder = home.string();
        ProjectFileName = (home / "job.tsn").string();
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(l.items->Count, 30);
            Settle(100);
            EXPECT_TRUE(l.area->horizontalScrollBar()->isVisible());
            EXPECT_EQ(l.area->horizontalScrollBar()->value(), 0);
            // Dragged to the end, the bar stays there and the last row is seen whole.
            QScrollBar* bar = l.area->verticalScrollBar();
            bar->setValue(bar->maximum());
            EXPECT_EQ(bar->value(), bar->maximum());
            const Rect& last = l.items->Rects.back();
            EXPECT_LE(l.image->mapTo(l.area->viewport(), QPoint(last.left, last.bottom - 1)).y(), l.area->viewport()->height() - 1);
            l.area->horizontalScrollBar()->setValue(l.area->horizontalScrollBar()->maximum());
            form.ButtonOf(FolderButton::swCancel)->click();
        });
        form.ShowModal();
    }
}

// The wheel over a list scrolls what the list shows, not only its bar.
TEST_F(FolderDialogGui, WheelScrollsTheListUnderThePointer)
{
    const fs::path tree = home / "many";
    for (int i = 0; i < 40; ++i) fs::create_directories(tree / ("d" + std::to_string(100 + i)));
    SelectedFolder = tree.string();
    ListFolder = home.string();
    FolderMode = "tso";
    QTimer::singleShot(0, [&] {
        const QPointF at(30, 8);
        QMouseEvent move(QEvent::MouseMove, at, form.Image3->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form.Image3, &move);
        QWheelEvent wheel(at, form.Image3->mapToGlobal(at), {}, {0, -2 * 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.Image3, &wheel);
        EXPECT_EQ(Folder.ScrollBox2.Position, 2 * 17);
        EXPECT_EQ(form.ScrollBox2->verticalScrollBar()->value(), 2 * 17);
        EXPECT_EQ(form.Image3->y(), -2 * 17);
        form.ButtonOf(FolderButton::swCancel)->click();
    });
    form.ShowModal();
}

} // namespace
