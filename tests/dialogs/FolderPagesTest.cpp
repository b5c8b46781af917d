// The folder dialog's pages driven without a display: the window of each
// mode and its answers; the export page's folders, list, new and renamed
// folders, double clicks and the wheel.
#include "dialogs/FolderForm.h"
#include "tests/PrivateHome.h"
#include "core/Datas.h"
#include "dialogs/FolderOps.h"
#include "dialogs/PagePainters.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace dialogs;
using namespace dialogs::folder;

namespace {

platform::Point Middle(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// The row of a list with that caption, −1 none.
int RowOf(const MyFreeBox& box, const std::string& caption)
{
    for (int i = 0; i < box.Count; ++i)
        if (box.Captions[static_cast<std::size_t>(i)] == caption) return i;
    return -1;
}

void Show(const std::string& mode)
{
    FolderMode = mode;
    FormShow(1600, 1000);
}

TEST(FolderWindowTest, EachModeItsWindowButtonsAndAnswers)
{
    const struct {
        const char* mode;
        const char* caption;
        std::vector<FolderButton> shown;
        std::vector<std::pair<FolderButton, int>> answers;
    } modes[] = {
        {"OpenSelect", OpenSelectCaption, {FolderButton::swOpen, FolderButton::swSwap, FolderButton::swCancel},
         {{FolderButton::swOpen, frAdd}, {FolderButton::swSwap, frReplace}, {FolderButton::swCancel, frCancel}}},
        {"tso", ExportCaption, {FolderButton::swOK, FolderButton::swCancel, FolderButton::swNewDir},
         {{FolderButton::swOK, frReplace}, {FolderButton::swCancel, frCancel}}},
        // Anything else: an empty window that can only be left.
        {"Other", "", {FolderButton::swCancel}, {{FolderButton::swCancel, frCancel}, {FolderButton::swOpen, frCancel}}},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        SelectedFolder = tessel2test::PrivateFolder().string();
        Show(m.mode);
        EXPECT_EQ(Folder.Caption, m.caption);
        for (int b = 0; b < FolderButtonCount; ++b) {
            const auto id = static_cast<FolderButton>(b);
            EXPECT_EQ(Button(id).Visible, std::find(m.shown.begin(), m.shown.end(), id) != m.shown.end()) << b;
        }
        for (const auto& [button, answer] : m.answers) {
            Show(m.mode);
            FolderResult = -1;
            ButtonClick(button);
            // A hidden button answers nothing; the window then still stands at 0.
            EXPECT_EQ(Folder.CloseRequested, Button(button).Visible);
            EXPECT_EQ(FolderResult, Button(button).Visible ? answer : -1);
        }
    }

    // The question of the open is never cut.
    Show("OpenSelect");
    EXPECT_GE(Folder.ClientWidth - 20, PanelItems.Rects[0].left + 22 + PageTextWidth(ExistingDataText));
}

class ExportPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-export-" + std::to_string(std::random_device{}()));
        for (const char* d : {"boards/b", "boards/a", "boards/.cache", "program"}) fs::create_directories(root / d);
        std::ofstream(root / "boards" / "top.gbr") << "x";
        platform::TextFileWriter list(root / "program" / ListFileName);
        for (const char* line : {"部品面.tso", "bottom.tso", "drill.tso"}) list.WriteLine(line);
        list.Commit();
        SelectedFolder = Boards();
        ListFolder = (root / "program").string();
        Show("tso");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string Boards() const { return (root / "boards").string(); }
    void UpOn(int row, MouseButton button)
    {
        const platform::Point p = Middle(FolderItems.Rects.at(static_cast<std::size_t>(row)));
        Image3MouseUp(p.x, p.y, button);
    }
    fs::path root;
};

TEST_F(ExportPage, FoldersFirstThenFilesAndTheListOfFilesWritten)
{
    EXPECT_EQ(Folder.Directory, Boards());
    EXPECT_EQ(Folder.Label1.Text, Boards());
    // Hidden folders are left out.
    EXPECT_EQ(FolderItems.Captions, (std::vector<std::string>{"a", "b", "top.gbr"}));
    EXPECT_EQ(FolderItems.Keys, (std::vector<std::string>{"Folder", "Folder", "File"}));
    EXPECT_EQ(ExportListLines, (std::vector<std::string>{"部品面.tso", "bottom.tso", "drill.tso"}));
    EXPECT_EQ(ExportItems.Count, 3);

    // A folder that is not one starts at home; a missing list shows nothing.
    SelectedFolder = (root / "missing").string();
    ListFolder = (root / "missing").string();
    Show("tso");
    EXPECT_TRUE(fs::is_directory(Folder.Directory));
    EXPECT_EQ(SelectedFolder, Folder.Directory);
    EXPECT_EQ(ExportItems.Count, 0);
    EXPECT_FALSE(Folder.ScrollBox1.Image.Visible);
}

TEST_F(ExportPage, DoubleClickEntersRightClickRenames)
{
    // A single click leaves the folder as it is, also after a double click
    // that ended outside every row; a double click enters.
    UpOn(RowOf(FolderItems, "b"), MouseButton::Left);
    Image3DblClick();
    Image3MouseUp(5, 1000, MouseButton::Left);
    UpOn(RowOf(FolderItems, "b"), MouseButton::Left);
    EXPECT_EQ(Folder.Directory, Boards());
    Image3DblClick();
    UpOn(RowOf(FolderItems, "b"), MouseButton::Left);
    EXPECT_EQ(Folder.Directory, (root / "boards" / "b").string());
    EXPECT_EQ(SelectedFolder, Folder.Directory);
    EXPECT_EQ(DoubleClickFlag, -1);

    DirBox1Change(Boards());
    // A file row does nothing, even double clicked.
    Image3DblClick();
    UpOn(RowOf(FolderItems, "top.gbr"), MouseButton::Left);
    EXPECT_EQ(Folder.Directory, Boards());
    UpOn(RowOf(FolderItems, "top.gbr"), MouseButton::Right);
    EXPECT_FALSE(Folder.Edit1.Visible);

    const int a = RowOf(FolderItems, "a");
    UpOn(a, MouseButton::Right);
    ASSERT_TRUE(Folder.Edit1.Visible);
    EXPECT_EQ(Folder.Edit1.Text, "a");
    EXPECT_EQ(Folder.Edit1.Bounds.top, FolderItems.Rects[static_cast<std::size_t>(a)].top);
    // Clicking elsewhere leaves the name as it was.
    Edit1Change("ignored");
    ListMouseDown();
    EXPECT_FALSE(Folder.Edit1.Visible);
    EXPECT_TRUE(fs::exists(root / "boards" / "a"));

    // A name that cannot be taken keeps the box open to mend it.
    UpOn(a, MouseButton::Right);
    Edit1Change("b");
    Edit1KeyEnter();
    EXPECT_EQ(Folder.Warning, FolderNameTakenText);
    EXPECT_TRUE(Folder.Edit1.Visible);
    Folder.Warning.clear();
    Edit1Change("基板 a");
    Edit1KeyEnter();
    EXPECT_FALSE(!Folder.Warning.empty() || Folder.Edit1.Visible);
    EXPECT_TRUE(fs::is_directory(root / "boards" / "基板 a"));
    EXPECT_EQ(RowOf(FolderItems, "基板 a"), 1);
}

TEST_F(ExportPage, NewFolderIsMadeAndNamedAtOnce)
{
    fs::create_directory(root / "boards" / NewFolderBase);
    fs::create_directory(root / "boards" / (std::string(NewFolderBase) + "(1)"));
    DirBox1Change(Boards());
    ButtonClick(FolderButton::swNewDir);
    const std::string made = std::string(NewFolderBase) + "(2)";
    EXPECT_TRUE(fs::is_directory(root / "boards" / made));
    ASSERT_TRUE(Folder.Edit1.Visible && Folder.Edit1.SelectAll);
    EXPECT_EQ(Folder.Edit1.Text, made);
    EXPECT_EQ(FolderItems.Captions.at(static_cast<std::size_t>(Folder.EditIndex)), made);
    Edit1Change("出力");
    Edit1KeyEnter();
    EXPECT_TRUE(fs::is_directory(root / "boards" / "出力"));

    // A folder that cannot be written to: the failure is shown.
    fs::remove_all(root / "boards");
    ButtonClick(FolderButton::swNewDir);
    EXPECT_EQ(Folder.Warning, NewFolderFailedText);
    EXPECT_FALSE(Folder.Edit1.Visible);
}

TEST_F(ExportPage, WheelScrollsTheBoxUnderThePointerByItsStep)
{
    for (int i = 0; i < 40; ++i) fs::create_directory(root / "boards" / ("d" + std::to_string(100 + i)));
    DirBox1Change(Boards());
    ScrollBoxState& box = Folder.ScrollBox2;
    const int limit = (box.Image.Bounds.bottom - box.Image.Bounds.top) - box.ClientHeight();
    ASSERT_GT(limit, 17 * 3);
    const struct {
        void (*move)();
        int notches, position;
    } steps[] = {
        {[] { Image3MouseMove(5, 5); }, -3, 51},
        {[] { DirBox1MouseMove(); }, -1, 51},          // the folder tree scrolls itself
        {[] { Image3MouseMove(5, 5); }, 5, 0},         // never above the top
        {[] {}, -1000, limit},                         // nor below the end
    };
    for (const auto& s : steps) {
        s.move();
        FormMouseWheel(s.notches);
        EXPECT_EQ(box.Position, s.position) << s.notches;
    }
    // Another folder starts at the top.
    DirBox1Change(Boards());
    EXPECT_EQ(box.Position, 0);
}

} // namespace

class ProjectLayerPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = tessel2test::PrivateFolder() / ("tessel2-pick-" + std::to_string(std::random_device{}()) + ".tsn");
        core::LayerCount = 0;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove(path, ec);
        core::LayerCount = 0;
    }
    // A project whose LAYER records carry these numbers (and one record of
    // a field too few), their files named `name` and the number.
    void Write(const std::vector<int>& numbers, const std::string& name = "layer")
    {
        platform::TextFileWriter w(path);
        w.WriteLine("BS/基板/comment/author/100/80/0/0");
        for (int n : numbers) {
            const std::string k = std::to_string(n);
            w.WriteLine("LAYER/" + k + "/1/5/" + name + k + ".gbr/部品面パターン/-/A/A/P/clRed/clLime");
            if (n == 2) w.WriteLine("LAYER/99/1/5/short.gbr/部品面/A/A/P/clRed/clLime");
        }
        w.WriteLine("DATASCOUNT/0");
        w.Commit();
        ProjectFileName = path.string();
    }
    void Click(int row, MouseButton button)
    {
        const platform::Point p = Middle(PickItems.Rects.at(static_cast<std::size_t>(row)));
        Image1MouseUp(p.x, p.y, button);
    }
    std::vector<int> Taken() const
    {
        std::vector<int> taken;
        for (int k = 0; k < core::LayerTableSize; ++k)
            if (core::LayerTakeFlags[static_cast<std::size_t>(k)] == 1) taken.push_back(k);
        return taken;
    }
    fs::path path;
};

TEST_F(ProjectLayerPage, RowsKeepTheirLayerNumbersAndTicksBecomeTakeFlags)
{
    // Numbers as the file gives them, not the rows' order; those a job's take
    // flags cannot hold are not offered.
    Write({1, 2, 7, 60, 0, 3});
    Show("OpenSelTsn");
    EXPECT_EQ(Folder.Caption, ProjectCaptionHead + path.string());
    ASSERT_EQ(PickItems.Count, 4);
    EXPECT_EQ(PickItems.Captions[2], "layer7.gbr (部品面パターン)");
    EXPECT_EQ(PickItems.Data, (std::vector<std::int32_t>{1, 2, 7, 3}));
    EXPECT_EQ(PickItems.LeftIcons, (std::vector<std::int32_t>(4, fiTicked)));
    // Nothing loaded: one button opens.
    EXPECT_FALSE(Folder.OpenCaption != "開く" || Button(FolderButton::swSwap).Visible);

    // A right click clears every tick; a row ticked again is taken. Cancel
    // writes the flags as well. Nothing ticked of what is offered: nothing to open.
    const struct {
        std::vector<std::pair<int, MouseButton>> clicks;
        FolderButton button;
        int result;
        std::vector<int> taken;
    } cases[] = {
        {{{1, MouseButton::Left}}, FolderButton::swOpen, frAdd, {1, 3, 7}},
        {{{0, MouseButton::Right}, {2, MouseButton::Left}}, FolderButton::swCancel, frCancel, {7}},
        {{{0, MouseButton::Right}}, FolderButton::swOpen, frCancel, {}},
    };
    for (const auto& c : cases) {
        Show("OpenSelTsn");
        for (const auto& [row, button] : c.clicks) Click(row, button);
        ButtonClick(c.button);
        FormClose();
        EXPECT_EQ(FolderResult, c.result);
        EXPECT_EQ(Taken(), c.taken);
    }

    // A name longer than the list is wide widens its picture: it scrolls, never cut.
    struct Wide final : platform::RasterTextHook {
        void TextOut(platform::RasterCanvas&, int, int, std::string_view) override {}
        platform::TextSize TextExtent(const platform::RasterCanvas&, std::string_view t) override
        {
            return {8 * static_cast<int>(t.size()), 15};
        }
    } wide;
    platform::RasterTextHook* const hook = platform::GetRasterTextHook();
    platform::SetRasterTextHook(&wide);
    Write({1}, std::string(90, 'w'));
    Show("OpenSelTsn");
    platform::SetRasterTextHook(hook);
    ASSERT_EQ(PickItems.Count, 1);
    EXPECT_GT(PickItems.Rects[0].right, Folder.ScrollBox1.ClientWidth());
    EXPECT_GE(Folder.ScrollBox1.Image.Bounds.right, PickItems.Rects[0].right);

    // A file that is not there offers nothing.
    ProjectFileName = (path.parent_path() / "missing.tsn").string();
    Show("OpenSelTsn");
    EXPECT_EQ(PickItems.Count, 0);
    FormClose();
    EXPECT_TRUE(Taken().empty());
}

TEST_F(ProjectLayerPage, NoMoreLayersThanAJobHolds)
{
    std::vector<int> numbers;
    for (int k = 1; k <= 60; ++k) numbers.push_back(k);
    Write(numbers);
    core::LayerCount = 20;
    Show("OpenSelTsn");
    ASSERT_EQ(PickItems.Count, MaxPickRows);
    EXPECT_TRUE(Folder.OpenCaption == "追加" && Button(FolderButton::swSwap).Visible);

    // Every row ticked: too many to replace the job with, and to add.
    const struct {
        int ticked;
        FolderButton button;
        bool closes;
    } cases[] = {
        {50, FolderButton::swSwap, false}, {27, FolderButton::swSwap, false}, {26, FolderButton::swSwap, true},
        {7, FolderButton::swOpen, false},  {6, FolderButton::swOpen, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticked);
        Show("OpenSelTsn");
        for (int row = c.ticked; row < MaxPickRows; ++row) Click(row, MouseButton::Left);
        ButtonClick(c.button);
        EXPECT_EQ(Folder.CloseRequested, c.closes);
        const int loaded = c.button == FolderButton::swOpen ? 20 : 0;
        EXPECT_EQ(Folder.Warning, c.closes ? "" : TooManyLayersPickedText(loaded, c.ticked));
        Folder.Warning.clear();
    }
    EXPECT_EQ(TooManyLayersPickedText(20, 7),
              "最大ファイル数(26)を超えます。\n\r読み込まれている層は 20 層、選択した層は 7 層です。 選択を減らして下さい。");
}
