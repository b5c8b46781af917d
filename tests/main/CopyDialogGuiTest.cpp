// The copy row's dialog offscreen: the folders it opens on, the loaded
// layers' files chosen, the options clicked, a move done and both lists
// showing it, the up button, and the folder remembered on request.
#include "core/Datas.h"
#include "main/MainHooks.h"
#include "main/SaveCommands.h"
#include "output/CopyFiles.h"
#include "output/CopyReports.h"
#include "output/FormCopy.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/output/CopyTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

using namespace output;
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
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);

    TFormCopy form;
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
