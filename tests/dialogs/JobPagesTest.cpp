// The file and board tabs over real jobs of the corpus: the file table and
// its scrolling, editing contents and remarks, the board values typed or
// taken from a picked file's extents, and a settings file imported through
// the page.
#include "core/FolderSettings.h"
#include "tests/PrivateHome.h"
#include "core/Geometry.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "core/ProgramSettings.h"
#include "core/TextHelpers.h"
#include "dialogs/JobPages.h"
#include "platform/InputFile.h"
#include "platform/TextFile.h"
#include "tests/dialogs/ParaDriver.h"
#include "tests/platform/FifoWatchdog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace dialogs;
using namespace paratest;
namespace fs = std::filesystem;

namespace {

const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

// The job's Gerber and drill files as its layers, in name order.
void LoadJob(const std::string& job)
{
    core::ResetTables();
    core::ProjectBasics = core::MyBasicSet{};
    core::GerberFormat = core::DefaultFormat("Gerber");
    core::DrillFormat = core::DefaultFormat("Drill");
    std::vector<fs::path> files;
    if (!job.empty())
        for (const auto& f : fs::directory_iterator(Cad / job)) files.push_back(f.path());
    std::sort(files.begin(), files.end());
    core::Gauge gauge;
    for (const fs::path& p : files) {
        const int kind = core::DetectFileType(p.string());
        core::MyDataValue value;
        const int l = core::LayerCount + 1;
        if (kind == core::fkNcDrill ? !core::ReadNcDrillFile(gauge, p.string(), l, value)
                                    : kind != core::fkRS274X || !core::ReadGerberFile(gauge, p.string(), l, value))
            continue;
        core::LayerCount = l;
        core::LayerTable[l].FileName = p.filename().string();
        core::LayerTable[l].Folder = p.parent_path().string();
        core::LayerTable[l].FileKind = kind;
    }
}

const std::string& Caption(int item) { return ParaItems.Captions.at(static_cast<std::size_t>(item)); }

struct Jobs : ::testing::Test {
    void SetUp() override { Para = ParaWindow{}; }
    void TearDown() override { ImportFolderSettings = nullptr; }
};

TEST_F(Jobs, FileTableListsTheLayersAndScrollsPastFifteen)
{
    const struct {
        const char* job;
        int layers;
    } jobs[] = {{"", 0}, {"fusion360", 8}, {"upverter", 10}, {"diptrace", 17}};
    for (const auto& j : jobs) {
        SCOPED_TRACE(j.job);
        LoadJob(j.job);
        ASSERT_EQ(core::LayerCount, j.layers);
        Show("Parameter");
        EXPECT_EQ(Button(ParaButton::sw6).Enabled, j.layers > 0);
        EXPECT_EQ(Para.ScrollBar1.Visible, j.layers > 15);
        // A name is never cut: its column grows, and the headings with it.
        EXPECT_EQ(ParaItems.Rects[4].right - 30, ParaTable.ColWidths[0]);
        for (int r = 0; r < 15; ++r) {
            const int l = r < j.layers ? r + 1 : 0;
            EXPECT_EQ(ParaTable.RowData[static_cast<std::size_t>(r)], l) << r;
            if (l == 0) continue;
            EXPECT_EQ(ParaTable.CellTexts[0][static_cast<std::size_t>(r)], core::LayerTable[l].FileName);
            EXPECT_GE(ParaTable.ColWidths[0], PageTextWidth(core::LayerTable[l].FileName) + 22);
        }
        FormMouseWheel(-1);
        EXPECT_EQ(Para.ScrollBar1.Position, std::max(0, j.layers - 15));
        EXPECT_EQ(ParaTable.RowData[14], j.layers > 15 ? j.layers : 0);
    }
}

TEST_F(Jobs, ContentsAndRemarksAreEditedInTheTable)
{
    LoadJob("diptrace");
    Show("Parameter");
    // The names are not edited, nor are empty rows.
    ClickCell(0, 2);
    EXPECT_FALSE(Para.Edit2.Visible || Para.Image2.Visible);

    ClickCell(1, 2);
    ASSERT_TRUE(Para.Edit2.Visible);
    ASSERT_TRUE(Para.Image2.Visible);
    EXPECT_EQ(ChoiceBalloon.Key, "FileContents");
    ASSERT_TRUE(Choose("部品面シルク"));
    EXPECT_EQ(core::LayerTable[3].Contents, "部品面シルク");
    EXPECT_EQ(Para.Edit2.Text, "部品面シルク");
    // Typing closes the choices and stores a text of one's own, cleaned of
    // what would break a settings file.
    Edit2KeyEnter();
    EXPECT_TRUE(ParaTable.SelRow == 3 && Para.Image2.Visible);
    Edit2Change("表面,\"実装\"#1");
    EXPECT_FALSE(Para.Image2.Visible);
    EXPECT_EQ(core::LayerTable[4].Contents + ParaTable.CellTexts[1][3], "表面実装1表面実装1");

    // Remarks: Enter walks down the visible rows and stops at the last.
    ClickCell(2, 12);
    for (const char* typed : {"r", "s"}) {
        Edit2Change(typed);
        Edit2KeyEnter();
    }
    EXPECT_EQ(ParaTable.SelRow, 14);
    Edit2KeyEnter();
    EXPECT_FALSE(Para.Edit2.Visible || Para.ScrollBar1.Position != 0);
    EXPECT_EQ(core::LayerTable[13].Remarks + core::LayerTable[14].Remarks, "rs");

    // Title and comment take turns on Enter; the author stays.
    Type(1, "基板,A#");
    Edit1KeyEnter();
    Type(8, "設計/山田");
    Edit1KeyEnter();
    EXPECT_EQ(ParaItems.Clicked, 8);
    EXPECT_EQ(core::ProjectBasics.Title + core::ProjectBasics.Author, "基板A設計山田");
    EXPECT_EQ(Caption(8), "設計山田");
}

TEST_F(Jobs, BoardValuesTypedOrTakenFromAPickedFile)
{
    const char* jobs[] = {"upverter", "diptrace"};   // ten files, and more than the picker's ten rows
    for (const char* job : jobs) {
        SCOPED_TRACE(job);
        LoadJob(job);
        core::DrillFormat.OffsetX = 1.5;
        ShowTab(1);
        for (int l = 1; l <= core::LayerCount; ++l) {
            // The picker: ten rows at most.
            ButtonClick(ParaButton::sw3);
            ASSERT_TRUE(Para.Image3.Visible && ParaTable.Balloon);
            EXPECT_EQ(Para.ScrollBar1.Visible, core::LayerCount > 10);
            ScrollBar1Change(l - std::min(core::LayerCount, 10));
            const int row = l - 1 - Para.ScrollBar1.Position;
            ASSERT_EQ(ParaTable.RowData.at(static_cast<std::size_t>(row)), l);

            core::ProjectBasics = core::MyBasicSet{};
            core::ProjectBasics.BoardWidth = -1;
            core::MyBox box;
            core::LayerExtents(l, box);
            ClickCell(0, row);
            EXPECT_FALSE(Para.Image3.Visible);
            const core::MyBasicSet& b = core::ProjectBasics;
            // A file of drill hits alone has no extent: the values stay.
            if (box[0] > box[1]) {
                EXPECT_EQ(core::LayerTable[l].FileKind, core::fkNcDrill);
                EXPECT_EQ(b.BoardWidth, -1);
                continue;
            }
            EXPECT_EQ(std::vector<double>({b.BoardWidth, b.BoardHeight, b.BoardLeft, b.BoardBottom, b.NcLeft, b.NcBottom}),
                      std::vector<double>({box[1] - box[0], box[3] - box[2], box[0], box[2], box[0] - 1.5, box[2]}));
            EXPECT_EQ(Caption(4), core::RoundToText(5, b.BoardWidth));
        }
    }
    // Typed values, rounded; Enter rounds the Gerber block only, and a
    // drill origin typed after a pick changes only itself.
    const double left = core::ProjectBasics.BoardLeft;
    const struct {
        int item;
        const char* typed;
        int next;
    } typed[] = {{4, "12.3456789", 6}, {8, "abc", 10}, {10, "-5,5", 4}, {14, "0.000004", 14}};
    for (const auto& t : typed) {
        Type(t.item, t.typed);
        Edit1KeyEnter();
        EXPECT_EQ(ParaItems.Clicked, t.next) << t.typed;
    }
    const core::MyBasicSet& b = core::ProjectBasics;
    EXPECT_EQ(std::vector<double>({b.BoardWidth, b.BoardLeft, b.BoardBottom, b.NcLeft}),
              std::vector<double>({12.34568, left, -5.5, 0}));
    EXPECT_EQ(Caption(4), "12.34568");
    // The picker closes when the pointer leaves it after lighting a row.
    ButtonClick(ParaButton::sw3);
    Image3MouseMove(5, 5);
    EXPECT_EQ(ParaTable.HotRow, 0);
    Image1MouseMove(5, 5);
    EXPECT_FALSE(Para.Image3.Visible);
    // Nothing loaded: nothing to pick from.
    LoadJob("");
    ShowTab(1);
    ButtonClick(ParaButton::sw3);
    EXPECT_FALSE(Para.Image3.Visible);
}

TEST_F(Jobs, SettingsFileImportedThroughThePage)
{
    const fs::path dir = tessel2test::PrivateFolder() / ("tessel2-import-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // The job's own settings: contents, remarks and colours per file.
    LoadJob("upverter");
    for (int l = 1; l <= core::LayerCount; ++l) {
        core::LayerTable[l].Contents = "内容" + std::to_string(l);
        core::LayerTable[l].Remarks = "備考" + std::to_string(l);
        core::LayerTable[l].Color = 0x0000FF + l;
    }
    core::ProjectBasics.BoardWidth = 123.25;
    core::WriteFolderSettings((dir / "TESSEL2.INI").string());
    core::WriteOldSettingsFile((dir / "Tesselu.ini").string());
    fs::copy_file(dir / "TESSEL2.INI", dir / "other.ini");
    fs::create_directories(dir / "broken");
    platform::WriteFileBytes(dir / "broken" / "Tessel2.ini", "BOARDWIDTH = 1\r\nLAYER_MAX = 1\r\n1,a,b,c,P,clNothing,0\r\n");
    fs::create_directories(dir / "fifo");
    ASSERT_EQ(::mkfifo((dir / "fifo" / "Tessel2.ini").c_str(), 0644), 0);
    fs::create_directories(dir / "folder" / "Tesselu.ini");

    const struct {
        fs::path file;
        const char* warning;   // what the warning says; nullptr: imported
        const char* remarks;   // of layer 2 once imported
    } cases[] = {{"TESSEL2.INI", nullptr, "備考2"},
                 {"Tesselu.ini", nullptr, ""},   // no remarks in that edition
                 {"other.ini", NotSettingsFileText, ""},
                 {"broken/Tessel2.ini", "Tessel2.ini", ""},   // the reader's message
                 // Not read, and not waited on: why is said.
                 {"fifo/Tessel2.ini", platform::InputProblemText(platform::InputProblem::NotRegular), ""},
                 {"folder/Tesselu.ini", platform::InputProblemText(platform::InputProblem::Folder), ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.string());
        LoadJob("upverter");
        // Two layers of one name both take its line; a name of no line keeps
        // its own. (Layer 1 is the drill file, which the earlier edition
        // does not name.)
        core::LayerTable[3].FileName = core::LayerTable[2].FileName;
        core::LayerTable[4].FileName = "unknown.gbr";
        core::LayerTable[4].Contents = "自分の";
        ImportFolderSettings = [&] { ImportSettingsFile((dir / c.file).string()); };
        testsupport::FifoWatchdog watchdog(dir / "fifo" / "Tessel2.ini");
        Show("Parameter");
        ASSERT_TRUE(Button(ParaButton::sw6).Visible);
        ButtonClick(ParaButton::sw6);
        EXPECT_EQ(Para.Warning.empty(), !c.warning);
        EXPECT_NE(Para.Warning.find(c.warning ? c.warning : ""), std::string::npos);
        EXPECT_EQ(core::ProjectBasics.BoardWidth, c.warning ? 0 : 123.25);
        const auto& t = core::LayerTable;
        const std::string taken = c.warning ? "" : "内容2";
        EXPECT_EQ(std::vector<std::string>({t[2].Contents, t[3].Contents, ParaTable.CellTexts[1][2], t[4].Contents}),
                  std::vector<std::string>({taken, taken, taken, "自分の"}));
        if (c.warning) continue;
        EXPECT_EQ(t[3].Remarks, c.remarks);
        EXPECT_EQ(t[3].Color, 0x0000FF + 2);
        EXPECT_EQ(t[5].Contents, "内容5");
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace
