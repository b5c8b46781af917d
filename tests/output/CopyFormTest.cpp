// The copy dialog without its window: the options and their clicks, and
// "実行" on real folder trees with the user's answers scripted.
#include "output/CopyForm.h"

#include "core/Datas.h"
#include "core/FolderSettings.h"
#include "output/CopyFiles.h"
#include "output/CopyReports.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/output/CopyTestSupport.h"

#include <gtest/gtest.h>

using namespace output;
using copytest::TempTree;
namespace fs = std::filesystem;
using platform::MsgResult;

namespace {

int TextWidth(const std::string& s) { return static_cast<int>(s.size()) * 7; }

class CopyFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::ResetTables();
        core::StepMarks.fill(0);
        Show(0, false);
    }
    // The dialog shown afresh in a mode.
    void Show(int mode, bool overwriteAll)
    {
        CopyMode = mode;
        OverwriteAll = overwriteAll;
        InitOptionItems();
        layout = BuildCopyOptions(300, 600, 303, platform::Rect{0, 0, 75, 25}, TextWidth);
    }
    void TearDown() override
    {
        core::StepMarks.fill(0);
        core::ResetTables();
    }
    void Click(int item)
    {
        const platform::Rect& r = CopyOptions.Rects[static_cast<std::size_t>(item)];
        CopyOptionsClick(r.left + 1, r.top + 1);
    }
    // Only the ticks given on.
    void Tick(std::initializer_list<int> items)
    {
        for (int i = ciSettings; i <= ciApertureReport; ++i)
            if (OptionOn(i) != (std::find(items.begin(), items.end(), i) != items.end())) Click(i);
    }

    CopyOptionsLayout layout;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
};

} // namespace

TEST_F(CopyFormTest, OptionsLayOutAndAnswerClicks)
{
    // Defaults: copy, the current settings file and nothing else.
    std::vector<int> on;
    for (int i = 0; i < CopyItemCount; ++i)
        if (OptionOn(i)) on.push_back(i);
    EXPECT_EQ(on, std::vector<int>({ciSettings, ciCopy}));
    // The files start level with the destination half; the overwrite item,
    // then the rule, then the buttons at the foot.
    EXPECT_EQ(CopyOptions.Rects[ciFilesHeading].top, 303);
    EXPECT_EQ(layout.enter, (platform::Rect{10, 565, 85, 590}));
    EXPECT_LT(CopyOptions.Rects[ciOverwriteAll].top, CopyOptions.Rects[ciRule].top);
    EXPECT_LT(CopyOptions.Rects[ciRule].top, layout.enter.top);
    // A tick item is as wide as its caption and icons need.
    EXPECT_EQ(CopyOptions.Rects[ciPhotoReport].right, 10 + TextWidth(PhotoReportName) + 60);
    EXPECT_GE(layout.picture.left, CopyOptions.Rects[ciCopy].right);

    struct Case {
        int item;
        bool lit;          // headings and the rule never light up
        int copyMode;      // after the click
        bool overwrite;
        bool ticked;       // the item's own tick after the click
    };
    const Case cases[] = {
        {ciMove, true, 1, false, true},      {ciMove, true, 1, false, true},     {ciCopy, true, 0, false, true},
        {ciOverwriteAll, true, 0, true, true}, {ciPhotoReport, true, 0, true, true}, {ciSettings, true, 0, true, false},
        {ciFilesHeading, false, 0, true, false}, {ciRule, false, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const platform::Rect& r = CopyOptions.Rects[static_cast<std::size_t>(c.item)];
        CopyOptionsMouseMove(r.left + 1, r.top + 1);
        EXPECT_EQ(CopyOptions.Hot, c.lit ? c.item : -1);
        Click(c.item);
        platform::RasterCanvas picture(300, 600);
        DrawCopyOptions(picture, layout);
        EXPECT_EQ(CopyMode, c.copyMode);
        EXPECT_EQ(OverwriteAll, c.overwrite);
        EXPECT_EQ(OptionOn(c.item), c.ticked);
    }
    // Kept over a new show; the ticks are not.
    InitOptionItems();
    EXPECT_TRUE(OverwriteAll);
    EXPECT_FALSE(OptionOn(ciPhotoReport));
}

TEST_F(CopyFormTest, RunOnFolderTrees)
{
    struct Case {
        const char* name;
        int mode;
        bool overwriteAll;
        std::initializer_list<int> ticks;
        std::vector<MsgResult> answers;
        // From the tree's folders "from" (two data files) and "to".
        std::function<fs::path(const TempTree&)> destination;
        std::vector<std::string> texts;   // the boxes shown ("%" the destination folder)
        int made;                         // and the mark set when any was
        bool moved;                       // the data files gone from "from"
    };
    const std::string question = std::string(OverwriteQuestion) + "\n\r%/";
    const std::string made3 = "3個のファイルを作成しました。";
    // The folder "to" with these files in it already.
    const auto to = [](std::vector<std::string> old) {
        return [old](const TempTree& t) {
            const fs::path p = t.Folder("to");
            for (const std::string& name : old) TempTree::Write(p / name, "old");
            return p;
        };
    };
    const Case cases[] = {
        {"copy with the settings file", 0, false, {ciSettings}, {}, to({}), {made3}, 3, false},
        {"move with every file: the old settings file asked for never", 1, false,
         {ciSettings, ciOldSettings, ciPhotoReport, ciDrillReport, ciApertureReport}, {}, to({}),
         {"7個のファイルを作成しました。"}, 7, true},
        {"no to everything that exists, nothing ticked: no message, no mark", 1, false, {}, {MsgResult::No, MsgResult::No},
         to({"top.gbr", "ドリル 1.drl"}), {question + "top.gbr", question + "ドリル 1.drl"}, 0, false},
        {"overwrite all: no questions", 0, true, {ciPhotoReport}, {}, to({"top.gbr", PhotoReportName}), {made3}, 3, false},
        {"a report kept", 0, false, {ciDrillReport}, {MsgResult::No}, to({DrillReportName}),
         {question + DrillReportName, "2個のファイルを作成しました。"}, 2, false},
        {"move onto the same folder by a link: files stay, settings written", 1, false, {ciSettings}, {MsgResult::Ok},
         [](const TempTree& t) {
             fs::create_directory_symlink(t.Folder("from"), t.Root() / "link");
             return t.Root() / "link";
         },
         {SameFolderNote, "1個のファイルを作成しました。"}, 1, false},
        {"the same folder, the note cancelled: nothing written", 1, false, {ciSettings}, {MsgResult::Cancel},
         [](const TempTree& t) { return fs::path(t.Folder("from").string() + "/"); }, {SameFolderNote}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempTree t;
        const fs::path from = t.Folder("from");
        TempTree::Write(from / "top.gbr", "G04 top*\r\nM02*\r\n");
        TempTree::Write(from / "ドリル 1.drl", "M48\r\nM30\r\n");
        TempTree::Write(from / "other.txt", "not chosen");
        const fs::path dest = c.destination(t);
        core::StepMarks.fill(0);
        Show(c.mode, c.overwriteAll);
        Tick(c.ticks);
        boxes.shown.clear();
        boxes.answers.assign(c.answers.begin(), c.answers.end());

        EXPECT_EQ(RunCopy(from.string(), dest.string(), {"top.gbr", "ドリル 1.drl"}), c.made);
        std::vector<std::string> texts = c.texts;
        for (std::string& s : texts)
            if (const std::size_t at = s.find('%'); at != std::string::npos) s.replace(at, 1, dest.string());
        std::vector<std::string> shown;
        for (const auto& box : boxes.shown) shown.push_back(box.text);
        EXPECT_EQ(shown, texts);
        EXPECT_EQ(core::StepMarks[2], c.made > 0 ? 1 : 0);
        for (const char* name : {"top.gbr", "ドリル 1.drl"}) EXPECT_NE(fs::exists(from / name), c.moved) << name;
        EXPECT_EQ(TempTree::Read(from / "other.txt"), "not chosen");
        if (!SameFolder(from.string(), dest.string()) && c.made > 0) {
            EXPECT_EQ(TempTree::Read(dest / "top.gbr"), "G04 top*\r\nM02*\r\n");
        }
    }
}

TEST_F(CopyFormTest, SettingsFileOfAnyCaseReplacedAndFailuresTold)
{
    TempTree t;
    const fs::path from = t.Folder("from"), to = t.Folder("to");
    TempTree::Write(from / "top.gbr", "G04 top*\r\n");
    TempTree::Write(to / "TESSEL2.INI", "old");
    core::ProjectBasics.Title = "基板";
    EXPECT_EQ(RunCopy(from.string(), to.string(), {}), 1);
    EXPECT_EQ(FolderFileNames(to.string()), std::vector<std::string>({"TESSEL2.INI"}));
    EXPECT_NE(TempTree::Read(to / "TESSEL2.INI").find("TITLE          = "), std::string::npos);

    // Moving into a folder nobody may write: told which, the sources stay,
    // no mark.
    const fs::path closed = t.ReadOnlyFolder();
    CopyMode = 1;
    Tick({ciSettings, ciPhotoReport});
    boxes.shown.clear();
    core::StepMarks.fill(0);
    EXPECT_EQ(RunCopy(from.string(), closed.string(), {"top.gbr"}), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(boxes.shown[0].text.rfind(NotMadeText, 0), 0u) << boxes.shown[0].text;
    EXPECT_NE(boxes.shown[0].text.find("top.gbr"), std::string::npos);
    EXPECT_NE(boxes.shown[0].text.find("Tessel2.ini"), std::string::npos);
    EXPECT_EQ(TempTree::Read(from / "top.gbr"), "G04 top*\r\n");
    EXPECT_EQ(core::StepMarks[2], 0);
}
