// The save sub-list: the project file written where the user chose (the
// dialog's offer, the progress window, the step mark, a failure), and the
// earlier edition's files exported into the folder chosen.
#include "main/SaveCommands.h"

#include "core/Datas.h"
#include "core/ProjectFile.h"
#include "dialogs/FolderForm.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/LayerList.h"
#include "view/SubLists.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

// What the progress window is asked to do.
struct RecordingForm final : core::TFormDatas {
    std::vector<std::string> calls;
    std::string status = "before";
    long long progress = -1, maximum = -1;
    void SetCaption(const std::string& c) override { calls.push_back("caption " + c); }
    void SetStatusText(const std::string& t) override { status = t; }
    std::string StatusText() const override { return status; }
    void SetGauge(long long p, long long m) override { progress = p, maximum = m; }
    void SetCancelVisible(bool v) override { calls.push_back(v ? "cancel shown" : "cancel hidden"); }
    void Show() override { calls.push_back("show " + status); }
    void Hide() override { calls.push_back("hide"); }
    void ProcessEvents() override {}
};

class SaveCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-save-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "home" / "DATA");
        fs::create_directories(root / "out");
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (root / "home" / "DATA").string();
        ClearAllData(true);
        platform::SetFileDialogs(&dialogs);
        core::SetFormDatas(&form);
    }
    void TearDown() override
    {
        core::SetFormDatas(nullptr);
        platform::SetFileDialogs(nullptr);
        std::error_code ec;
        fs::remove_all(root, ec);
        platform::ResetProgramFolder();
    }
    void OneLayer()
    {
        core::LayerCount = 1;
        core::LayerTable[1].FileName = "top.gbr";
        core::DataElement e;
        e.Layer = 1;
        e.Kind = core::dkFlash;
        e.Code = 10;
        for (int i = 0; i < 3; ++i) core::AppendElement(e);
    }

    fs::path root;
    platform::FakeFileDialogs dialogs;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
    RecordingForm form;
};

} // namespace

TEST(SaveNames, OfferAndTarget)
{
    const std::pair<const char*, const char*> offers[] = {
        {"  試作基板 ", "試作基板.tsn"}, {"rev 1/2", "rev 1／2.tsn"}, {"", ""}, {"   ", ""}};
    for (auto [title, offer] : offers) EXPECT_EQ(ProjectFileOffer(title), offer) << title;
    EXPECT_EQ(ProjectFileTarget("/a/b/job.txt"), "/a/b/job.tsn");
    EXPECT_EQ(ProjectFileTarget("/a/b/job"), "/a/b/job.tsn");
    EXPECT_EQ(ProjectFileTarget("/a/b/job.tsn"), "/a/b/job.tsn");
}

TEST_F(SaveCommand, WritesWhereTheUserChose)
{
    // Nothing loaded: no dialog.
    SaveProjectFileCommand();
    EXPECT_TRUE(dialogs.saveRequests.empty());

    OneLayer();
    core::ProjectBasics.Title = " 試作 ";
    LastOpenedFolder = (root / "out").string();
    SaveFormat = 0;
    dialogs.saveAnswers.push_back({true, (root / "out" / "job.txt").string()});
    SaveProjectFileCommand();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].fileName, "試作.tsn");
    EXPECT_EQ(dialogs.saveRequests[0].filter, ProjectFilter);
    EXPECT_EQ(dialogs.saveRequests[0].initialFolder, (root / "out").string());
    EXPECT_TRUE(fs::exists(root / "out" / "job.tsn"));
    EXPECT_FALSE(fs::exists(root / "out" / "job.txt"));
    EXPECT_EQ(core::StepMarks[3], 1);
    EXPECT_EQ(SaveFormat, -1);
    EXPECT_TRUE(boxes.shown.empty());
    const std::vector<std::string> calls = {"caption tsn ファイル作成", "cancel hidden",
                                            "show ファイルを作成しています... " + (root / "out" / "job.tsn").string(), "hide"};
    EXPECT_EQ(form.calls, calls);
    EXPECT_EQ(form.status, "before");
    EXPECT_EQ(form.progress, 2);
    EXPECT_EQ(form.maximum, 2);
    // Nothing else in the folder or the work folder: no copy, no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "out"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "home" / "DATA"), fs::directory_iterator()), 0);
}

TEST_F(SaveCommand, CancelledOrFailedLeavesNoMark)
{
    OneLayer();
    platform::WriteFileBytes(root / "out" / "job.tsn", "old");
    SaveProjectFileCommand();   // the dialog cancelled
    EXPECT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(core::StepMarks[3], 0);
    EXPECT_TRUE(form.calls.empty());

    // A folder that is gone by the time of writing.
    dialogs.saveAnswers.push_back({true, (root / "gone" / "job.tsn").string()});
    SaveProjectFileCommand();
    EXPECT_EQ(core::StepMarks[3], 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(SaveFailedText, 0), 0u) << boxes.shown[0].text;
    EXPECT_EQ(form.calls.back(), "hide");
    EXPECT_EQ(form.status, "before");

    // A name that is a folder by the time of writing: the file is written
    // but cannot take its place; the folder stays, nothing else is left.
    fs::create_directories(root / "out" / "taken.tsn" / "inside");
    dialogs.saveAnswers.push_back({true, (root / "out" / "taken.tsn").string()});
    SaveProjectFileCommand();
    EXPECT_EQ(core::StepMarks[3], 0);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(fs::is_directory(root / "out" / "taken.tsn" / "inside"));
    EXPECT_EQ(platform::ReadFileBytes(root / "out" / "job.tsn"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "out"), fs::directory_iterator()), 2);
}

// The dialog asks about the name typed; when ".tsn" put in place of its
// extension names another file that is there, that file is kept unless the
// user says otherwise.
TEST_F(SaveCommand, AnotherFileOfTheSavedNameIsAskedAbout)
{
    OneLayer();
    const fs::path kept = root / "out" / "job.tsn";
    struct Case {
        const char* chosen;
        std::vector<platform::MsgResult> answers;
        std::size_t questions;
        bool overwritten, saved;
    };
    const Case cases[] = {
        {"job.v2", {platform::MsgResult::No}, 1, false, false},
        {"job.v2", {platform::MsgResult::Yes}, 1, true, true},
        {"job.tsn", {}, 0, true, true},    // the dialog asked about this very name
        {"other.v2", {}, 0, false, true},  // nothing there
    };
    for (const Case& c : cases) {
        platform::WriteFileBytes(kept, "old");
        core::StepMarks[3] = 0;
        boxes.shown.clear();
        boxes.answers.assign(c.answers.begin(), c.answers.end());
        dialogs.saveAnswers.push_back({true, (root / "out" / c.chosen).string()});
        SaveProjectFileCommand();
        ASSERT_EQ(boxes.shown.size(), c.questions) << c.chosen;
        if (c.questions > 0) {
            EXPECT_EQ(boxes.shown[0].text, std::string(SaveOverwriteText) + "\n" + kept.string());
        }
        EXPECT_EQ(platform::ReadFileBytes(kept) != "old", c.overwritten) << c.chosen;
        EXPECT_EQ(core::StepMarks[3], c.saved ? 1 : 0) << c.chosen;
        EXPECT_EQ(SaveFormat, -1);
    }
    EXPECT_TRUE(fs::exists(root / "out" / "other.tsn"));
}

TEST_F(SaveCommand, ExportsTheEarlierFilesIntoTheFolderChosen)
{
    std::vector<std::string> asked;
    std::string answer;
    AskExportFolder = [&](const std::string& start, const std::string& listFolder) {
        asked.push_back(start + "|" + listFolder);
        return answer;
    };
    const fs::path list = root / "home" / dialogs::folder::ListFileName;

    // Nothing shown: nothing asked, no list.
    OneLayer();
    ShownLayerCount = 0;
    ExportEarlierProjectsCommand();
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(fs::exists(list));

    // Two layers on one page: one file, one line of the list.
    core::LayerCount = 2;
    core::LayerTable[2].FileName = "top.gbl";
    core::LayerTable[2].PageLetter = "A";
    core::LayerTable[1].Active = core::LayerTable[2].Active = 1;
    ShownLayerCount = 2;
    output::FolderSet.PATH2 = (root / "data").string();
    SaveFormat = 1;
    ExportEarlierProjectsCommand();   // the folder dialog cancelled
    EXPECT_EQ(asked, (std::vector<std::string>{(root / "data").string() + "|" + (root / "home").string()}));
    EXPECT_EQ(platform::ReadFileBytes(list), "top.tso\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "out"), fs::directory_iterator()), 0);
    EXPECT_EQ(SaveFormat, -1);

    // A file of that name there: one question; Cancel writes nothing, OK all.
    answer = (root / "out").string();
    platform::WriteFileBytes(root / "out" / "top.tso", "old");
    boxes.answers = {platform::MsgResult::Cancel};
    ExportEarlierProjectsCommand();
    EXPECT_EQ(platform::ReadFileBytes(root / "out" / "top.tso"), "old");
    boxes.answers = {platform::MsgResult::Ok};
    ExportEarlierProjectsCommand();
    EXPECT_NE(platform::ReadFileBytes(root / "out" / "top.tso"), "old");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, ExportOverwriteText);
    EXPECT_EQ(boxes.shown[0].buttons, platform::MsgButtons::OkCancel);
    EXPECT_EQ(form.calls.front(), "caption tso ファイル作成");
    EXPECT_EQ(form.status, "before");

    // A folder that is gone by then: the failure is reported.
    answer = (root / "gone").string();
    ExportEarlierProjectsCommand();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].text.rfind(ExportFailedText, 0), 0u) << boxes.shown[2].text;
    EXPECT_EQ(form.calls.back(), "hide");
    AskExportFolder = nullptr;
    ShownLayerCount = 0;
}
