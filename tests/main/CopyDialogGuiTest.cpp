// The copy row's dialog offscreen: the folders it opens on, the loaded
// layers' files chosen, the options clicked, a move done and both lists
// showing it, the up button, and the folder remembered on request.
#include "core/Datas.h"
#include "dialogs/FolderOps.h"
#include "main/MainHooks.h"
#include "main/SaveCommands.h"
#include "output/CopyFiles.h"
#include "output/CopyReports.h"
#include "output/FormCopy.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/output/CopyTestSupport.h"
#include "tests/platform_qt/FolderTreeClicks.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

using namespace output;
using guitest::Settle;
using guitest::WaitFor;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Items(const QListWidget* list, bool selectedOnly = false)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        if (!selectedOnly || list->item(i)->isSelected()) names.push_back(list->item(i)->text().toStdString());
    return names;
}

void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, const platform::Rect& r)
{
    const QPointF p(r.left + 3, r.top + 3);
    QMouseEvent e(type, p, w->mapToGlobal(p), button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(CopyStartFolders, FallBackToExistingFolders)
{
    copytest::TempTree t;
    const std::string a = t.Folder("a").string(), b = t.Folder("b").string(), none = (t.Root() / "none").string();
    struct Case {
        std::string lastOpened;
        MyFolderSetPara set;
        std::string source, destination;
    };
    const Case cases[] = {
        {a, {b, b, ""}, a, b},
        {none, {b, a, ""}, b, a},
        {"", {none, none, ""}, "/home/u", "/home/u"},
        {a, {"", a, ""}, a, "/home/u"},   // the remembered destination is the source
    };
    for (const Case& c : cases) {
        const mainwin::CopyFolders f = mainwin::CopyStartFolders(c.lastOpened, c.set, "/home/u");
        EXPECT_EQ(f.source, c.source) << c.lastOpened;
        EXPECT_EQ(f.destination, c.destination) << c.lastOpened;
    }
}

TEST(CopyDialogGui, MoveTheLoadedFiles)
{
    copytest::TempTree t;
    const fs::path from = t.Folder("job"), to = t.Folder("out");
    for (const char* name : {"top.gbr", "基板 drill.drl", "readme.txt"}) copytest::TempTree::Write(from / name, name);
    core::ResetTables();
    auto layer = [&](std::int32_t kind, const char* name) {
        core::MyLayerSet l;
        l.Active = 1;
        l.FileKind = kind;
        l.Folder = from.string();
        l.FileName = name;
        return l;
    };
    core::LayerTable[1] = layer(core::fkRS274X, "top.gbr");
    core::LayerTable[2] = layer(core::fkNcDrill, "基板 drill.drl");
    core::LayerCount = 2;
    core::ProjectBasics.Title = "試作";
    core::StepMarks.fill(0);
    mainwin::LastOpenedFolder = from.string();
    FolderSet = MyFolderSetPara{"", to.string(), ""};
    // The copy row's own command, whatever a window test before left there.
    mainwin::CopyCommand = mainwin::CopyDataCommand;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);

    TFormCopy form;
    for (QTreeView* tree : {form.ShellTreeView1, form.ShellTreeView2}) guitest::ShowOnlyBelow(tree, t.Root().string());
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        EXPECT_EQ(form.windowTitle().toStdString(), CopyShownCaption);
        EXPECT_EQ(ProjectTitleForReports, "試作");
        EXPECT_EQ(form.LabelFrom->toolTip().toStdString(), from.string());
        EXPECT_EQ(form.LabelTo->toolTip().toStdString(), to.string());
        EXPECT_EQ(Items(form.FileListBox1), std::vector<std::string>({"readme.txt", "top.gbr", "基板 drill.drl"}));
        EXPECT_EQ(Items(form.FileListBox1, true), std::vector<std::string>({"top.gbr", "基板 drill.drl"}));
        // A right press lets go of every file; choose again.
        Mouse(form.FileListBox1->viewport(), QEvent::MouseButtonPress, Qt::RightButton, {1, 1, 2, 2});
        EXPECT_TRUE(Items(form.FileListBox1, true).empty());
        form.FileListBox1->item(1)->setSelected(true);
        form.FileListBox1->item(2)->setSelected(true);

        // Move, with the photo report; options light up under the pointer.
        for (int item : {ciMove, ciPhotoReport}) {
            Mouse(form.Image3, QEvent::MouseMove, Qt::NoButton, CopyOptions.Rects[static_cast<std::size_t>(item)]);
            EXPECT_EQ(CopyOptions.Hot, item);
            Mouse(form.Image3, QEvent::MouseButtonRelease, Qt::LeftButton, CopyOptions.Rects[static_cast<std::size_t>(item)]);
        }
        EXPECT_EQ(CopyMode, 1);
        form.swEnter->click();
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown.back().text, std::string("4") + FilesMadeText);
        EXPECT_EQ(Items(form.FileListBox1), std::vector<std::string>({"readme.txt"}));
        EXPECT_EQ(Items(form.FileListBox2),
                  std::vector<std::string>({"Tessel2.ini", "top.gbr", "フォトデータ詳細表.txt", "基板 drill.drl"}));

        // Up from the source, and that folder remembered as the start folder.
        form.swUpDir1->click();
        EXPECT_EQ(form.SourcePath(), t.Root().string());
        form.swDir1->click();
        EXPECT_EQ(FolderSet.PATH1, t.Root().string());
        form.swCancel->click();
    });
    mainwin::CopyCommand();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(core::StepMarks[2], 1);
    CopyMode = 0;
    core::ResetTables();
    core::StepMarks.fill(0);
    mainwin::LastOpenedFolder.clear();
    FolderSet = MyFolderSetPara{};
}

// A click in either tree chooses the row under the pointer and leaves it
// there, while the folders it opens are read, whole or cut by the view's
// edge: a second click at the same spot (its arrow) opens that folder, and
// it stays under the pointer, also when a folder appears above it. A key
// still brings the row it moves to into view.
TEST(CopyDialogGui, ClickedRowStaysUnderThePointer)
{
    copytest::TempTree t;
    for (int i = 0; i < 60; ++i) t.Folder("f" + std::to_string(100 + i) + "/sub");
    core::ResetTables();
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    TFormCopy form;
    for (QTreeView* tree : {form.ShellTreeView1, form.ShellTreeView2}) guitest::ShowOnlyBelow(tree, t.Root().string());
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        for (QTreeView* tree : {form.ShellTreeView1, form.ShellTreeView2}) {
            SCOPED_TRACE(tree->objectName().toStdString());
            auto* model = static_cast<QFileSystemModel*>(tree->model());
            // Shown on its folder once the folders above it are read.
            EXPECT_TRUE(WaitFor([&] { return model->rowCount(tree->currentIndex().parent()) >= 60; }));
            Settle(300);
            EXPECT_TRUE(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
            QPersistentModelIndex row;
            for (const guitest::RowCut cut : {guitest::RowCut::None, guitest::RowCut::ByTop, guitest::RowCut::ByBottom}) {
                SCOPED_TRACE(static_cast<int>(cut));
                row = guitest::ClickRowThenItsArrow(tree, cut);
                EXPECT_EQ(tree == form.ShellTreeView1 ? form.SourcePath() : form.DestinationPath(), model->filePath(row).toStdString());
            }
            // A folder made above it, out of view, does not push it down.
            const QRect rect = tree->visualRect(row);
            const int rows = model->rowCount(row.parent());
            t.Folder(tree == form.ShellTreeView1 ? "a1" : "a2");
            EXPECT_TRUE(WaitFor([&] { return model->rowCount(row.parent()) == rows + 1; }));
            Settle(100);
            EXPECT_EQ(tree->visualRect(row).topLeft(), rect.topLeft());
            EXPECT_EQ(guitest::PathOf(tree, tree->indexAt(rect.center())), model->filePath(row).toStdString());
            guitest::KeyDownShowsTheRow(tree);
        }
        form.swCancel->click();
    });
    form.ShowModal("", (t.Root() / "f120").string(), (t.Root() / "f140").string());
    EXPECT_TRUE(ran);
}

// The destination chosen by a click stays in view and chosen after "実行",
// whatever folders other programs make or remove meanwhile around it: between
// the top of the view and it, or the top row's own.
TEST(CopyDialogGui, ChosenDestinationStaysInViewAfterTheCopy)
{
    copytest::TempTree t;
    const fs::path job = t.Folder("job");
    copytest::TempTree::Write(job / "top.gbr", "G04 top*");
    for (int i = 0; i < 60; ++i) t.Folder("out/f" + std::to_string(100 + i));
    core::ResetTables();
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    TFormCopy form;
    std::vector<std::string> listed;   // the destination's files while the message shows
    boxes.onShow = [&] { listed = Items(form.FileListBox2); };
    for (QTreeView* tree : {form.ShellTreeView1, form.ShellTreeView2}) guitest::ShowOnlyBelow(tree, t.Root().string());
    QTreeView* tree = form.ShellTreeView2;
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    const QModelIndex out = model->index(QString::fromStdString((t.Root() / "out").string()));
    // The folder of the row at the view's top, and of those down to the chosen one.
    auto rowsFromTop = [&](const QModelIndex& chosen) {
        std::vector<fs::path> rows;
        for (QModelIndex i = tree->indexAt(QPoint(0, 0)); i.isValid() && i != chosen; i = tree->indexBelow(i))
            rows.push_back(guitest::PathOf(tree, i));
        return rows;
    };
    std::vector<fs::path> made;
    const struct {
        const char* what;
        std::function<int(const std::vector<fs::path>&)> change;   // the rows of "out" afterwards, relative
    } changes[] = {
        {"twelve folders made between the top row and it",
         [&](const std::vector<fs::path>& rows) {
             for (int k = 0; k < 12; ++k) made.push_back(fs::path(rows.front().string() + "_" + std::to_string(10 + k)));
             for (const fs::path& p : made) fs::create_directory(p);
             return 12;
         }},
        {"those folders removed",
         [&](const std::vector<fs::path>&) {
             for (const fs::path& p : made) fs::remove(p);
             return -12;
         }},
        {"the top row's folder removed",
         [&](const std::vector<fs::path>& rows) {
             fs::remove(rows.front());
             return -1;
         }},
    };
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(WaitFor([&] { return model->rowCount(out) == 60; }));
        Settle(300);
        // The user chooses a folder near the bottom of the view.
        const QPoint at(tree->visualRect(tree->currentIndex()).left() + 20, tree->viewport()->height() - 30);
        const QPersistentModelIndex chosen = tree->indexAt(at);
        const std::string path = guitest::PathOf(tree, chosen);
        guitest::Click(tree->viewport(), at);
        Settle(QApplication::doubleClickInterval() + 200);
        ASSERT_EQ(form.DestinationPath(), path);
        const QRect rect = tree->visualRect(chosen);
        form.FileListBox1->item(0)->setSelected(true);
        for (const auto& c : changes) {
            SCOPED_TRACE(c.what);
            const std::size_t shown = boxes.shown.size();
            form.swEnter->click();
            // (The copy asks before replacing top.gbr; the fake boxes answer yes.)
            ASSERT_GT(boxes.shown.size(), shown);
            EXPECT_EQ(boxes.shown.back().text, std::string("2") + FilesMadeText);
            // The files made are listed before the message tells of them.
            EXPECT_EQ(listed, std::vector<std::string>({"Tessel2.ini", "top.gbr"}));
            EXPECT_EQ(Items(form.FileListBox2), std::vector<std::string>({"Tessel2.ini", "top.gbr"}));
            const std::vector<fs::path> above = rowsFromTop(chosen);
            ASSERT_FALSE(above.empty());
            ASSERT_EQ(above.front().parent_path(), t.Root() / "out");
            const int rows = model->rowCount(out), more = c.change(above);
            EXPECT_TRUE(WaitFor([&] { return model->rowCount(out) == rows + more; }));
            Settle(200);
            EXPECT_EQ(form.DestinationPath(), path);
            EXPECT_EQ(guitest::PathOf(tree, tree->currentIndex()), path);
            EXPECT_EQ(tree->visualRect(chosen).topLeft(), rect.topLeft());
            EXPECT_EQ(guitest::PathOf(tree, tree->indexAt(rect.center())), path);
        }
        form.swCancel->click();
    });
    form.ShowModal("", job.string(), (t.Root() / "out" / "f120").string());
}

// Folders changed outside while the window shows them: a folder made
// appears in the trees; the folder chosen in a tree removed moves the tree's
// row to a neighbour, but the folder chosen becomes the one above, and the
// user is told once.
TEST(CopyDialogGui, TreesFollowFoldersChangedOutside)
{
    copytest::TempTree t;
    for (const char* d : {"a", "b/inner", "c"}) t.Folder(d);
    core::ResetTables();
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    TFormCopy form;
    for (QTreeView* tree : {form.ShellTreeView1, form.ShellTreeView2}) guitest::ShowOnlyBelow(tree, t.Root().string());
    const std::string above = t.Root().string(), gone = (t.Root() / "b").string();
    QTimer::singleShot(0, [&] {
        auto* model = static_cast<QFileSystemModel*>(form.ShellTreeView1->model());
        const QModelIndex root = model->index(QString::fromStdString(above));
        EXPECT_TRUE(WaitFor([&] { return model->rowCount(root) == 3; }));
        Settle(300);
        t.Folder("d");
        EXPECT_TRUE(WaitFor([&] { return model->rowCount(root) == 4; }));
        fs::remove_all(gone);
        EXPECT_TRUE(WaitFor([&] { return !boxes.shown.empty(); }));
        Settle(100);
        EXPECT_EQ(form.SourcePath(), above);
        EXPECT_EQ(form.DestinationPath(), above);
        for (QTreeView* tree : {form.ShellTreeView1, form.ShellTreeView2})
            EXPECT_EQ(model->filePath(tree->currentIndex()).toStdString(), above) << tree->objectName().toStdString();
        EXPECT_EQ(form.LabelTo->toolTip().toStdString(), above);
        EXPECT_EQ(boxes.shown.size(), 2u);
        for (const auto& shown : boxes.shown)
            EXPECT_TRUE(shown.text == dialogs::FolderGoneText(gone, above) ||
                        shown.text == dialogs::FolderGoneText(gone + "/inner", above)) << shown.text;
        form.swCancel->click();
    });
    form.ShowModal("", gone, gone + "/inner");
}
