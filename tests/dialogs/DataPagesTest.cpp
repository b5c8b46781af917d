// The aperture and tool tables of the parameters dialog without a display:
// each column, every shape choice, the rules of typed values, Enter through
// the rows, the list-file buttons with the bytes of a saved list, and what
// the drill zero modes mean.
#include "core/NcDrillReader.h"
#include "core/ProgramSettings.h"
#include "dialogs/DataPages.h"
#include "platform/InputFile.h"
#include "platform/TextFile.h"
#include "tests/dialogs/ParaDriver.h"
#include "tests/platform/FifoWatchdog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>

using namespace dialogs;
using namespace paratest;
using core::Apertures;
using core::MyAperture;
namespace fs = std::filesystem;

namespace {

class DataPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::ResetTables();
        core::ResetApertureTable();
        core::LayerCount = 0;
        core::DrillFormat = core::DefaultFormat("Drill");
        Para = ParaWindow{};
        ParaTable.SelCol = ParaTable.SelRow = -1;
        dir = fs::temp_directory_path() / ("tessel2-tables-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        AskParaYesNo = [this](const std::string& q) {
            questions.push_back(q);
            return yes;
        };
        ChooseParaFile = [this](bool, const std::string&) { return file.string(); };
    }
    void TearDown() override
    {
        AskParaYesNo = nullptr;
        ChooseParaFile = nullptr;
        std::error_code ec;
        fs::remove_all(dir, ec);
        core::ResetTables();
    }
    static const std::string& Cell(int col, int row) { return ParaTable.CellTexts.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row)); }
    static std::string Headings() { return ParaItems.Captions[aiSize1Head] + "|" + ParaItems.Captions[aiSize2Head] + "|" + ParaItems.Captions[aiSize3Head]; }
    // Every cell text of a visible row, "|" between.
    static std::string Row(int row)
    {
        std::string s = Cell(0, row);
        for (int c = 1; c < ParaTable.Cols; ++c) s += "|" + Cell(c, row);
        return s;
    }

    fs::path dir, file;
    bool yes = true;
    std::vector<std::string> questions;
};

TEST_F(DataPages, ApertureTableShowsEachColumnAndHeading)
{
    Apertures[20] = Ap(core::apThermal90, 1, 1.5, 0.25, 1);
    Apertures[21] = Ap(core::apPolygon, 1.2, 6, 30);
    Apertures[22] = Ap(core::apOval, 1.2, 0.6);
    Apertures[23] = Ap(core::apRectangle, 2, 1);
    Apertures[24] = Ap(core::apMacro, 0);
    Apertures[24].FirstPrimitive = core::MacroCount = 1;
    core::Macros.resize(2);
    core::Macros[1].Name = "RoundRect";
    Apertures[25] = Ap(core::apMacro, 0);   // from a list: no primitives, a name
    Apertures[25].MacroName = "PAD2";
    Apertures[1500] = Ap(core::apCircle, 0.5);
    core::ApertureCheck = 0;
    ShowTab(2);
    EXPECT_EQ(ParaList.size(), 1990u);
    const struct {
        int d, usedIcon, shapeIcon;
        const char *row, *headings;   // after a click on its size cell
    } rows[] = {
        {10, 0, 16, "D10|円形|0.08|0|0", " サイズ||"},
        {15, 0, 17, "D15|正方形|0.2|0|0", " サイズ||"},
        {73, 0, 18, "D73|サーマル45°|1|1.5|0.25", " 内径| 外径| ブリッジ幅"},
        {20, 1, 19, "D20|サーマル90°|1|1.5|0.25", " 内径| 外径| ブリッジ幅"},
        {21, 0, 22, "D21|正多角形|1.2|6|30", " 直径| 頂点数 (3～12)| 開始角度(°)"},
        {22, 0, 20, "D22|長円形|1.2|0.6|0", " Ｘ| Ｙ|"},
        {23, 0, 21, "D23|矩形|2|1|0", " Ｘ| Ｙ|"},
        {24, 0, -1, "D24|Macro (RoundRect)|||", " マクロ名||"},
        {25, 0, -1, "D25|Macro (PAD2)|||", " マクロ名||"},
        {100, 0, -1, "D100||||", "||"},
        {1500, 0, 16, "D1500|円形|0.5|0|0", nullptr},   // shown hatched, not edited
    };
    for (const auto& r : rows) {
        const int row = RowOf(r.d);
        SCOPED_TRACE(r.d);
        const auto k = static_cast<std::size_t>(row);
        EXPECT_EQ(Row(row), r.row);
        EXPECT_EQ(std::make_pair(ParaTable.CellIcons[0][k], ParaTable.CellIcons[1][k]), std::make_pair(r.usedIcon, r.shapeIcon));
        EXPECT_EQ(ParaTable.RowEnabled[k], r.headings != nullptr);
        ClickCell(2, row);
        // Macros take no edit box, nor their shape cell a balloon.
        EXPECT_EQ(Para.Edit2.Visible, r.headings && r.d != 24 && r.d != 25);
        if (r.headings) { EXPECT_EQ(Headings(), r.headings); }
    }
    ClickCell(1, RowOf(24));
    EXPECT_FALSE(Para.Image2.Visible);
    // The switch that lets RS-274X files add apertures.
    for (int on : {1, 0}) {
        ClickItem(aiAddSwitch);
        EXPECT_EQ(core::ApertureCheck, on);
        EXPECT_EQ(ParaItems.LeftIcons[aiAddSwitch], on);
    }
}

TEST_F(DataPages, EveryShapeChoiceSetsShapeAndSizes)
{
    const struct {
        const char *choice, *row;
        int shape;
        bool edits;   // the edit box moves to size 1
    } cases[] = {
        {"なし", "D40||||", core::apNone, false},          {"円", "D40|円形|1|0|0", core::apCircle, true},
        {"正方形", "D40|正方形|1|0|0", core::apSquare, true}, {"サーマル45°", "D40|サーマル45°|1|0.5|0.2", core::apThermal45, true},
        {"サーマル90°", "D40|サーマル90°|1|0.5|0.2", core::apThermal90, true}, {"長円形", "D40|長円形|1|0.5|0", core::apOval, true},
        {"矩形", "D40|矩形|1|0.5|0", core::apRectangle, true},  {"正多角形", "D40|正多角形|1|0.5|0.2", core::apPolygon, true},
    };
    for (const auto& c : cases) {
        Apertures[40] = Ap(core::apThermal45, 1, 0.5, 0.2);
        ShowTab(2);
        const int row = RowOf(40);
        ClickCell(1, row);
        EXPECT_EQ(ChoiceBalloon.Key, "Aperture");
        ASSERT_TRUE(Choose(c.choice));
        EXPECT_EQ(Apertures[40].Shape, c.shape);
        EXPECT_EQ(Row(row), c.row);
        EXPECT_EQ(Para.Edit2.Visible && ParaTable.SelCol == 2 && Para.Edit2.Text == "1", c.edits) << c.choice;
    }
    // A D-code the loaded data uses keeps its shape.
    Apertures[40] = Ap(core::apCircle, 1, 0, 0, 1);
    ShowTab(2);
    ClickCell(1, RowOf(40));
    ASSERT_TRUE(Choose("なし"));
    EXPECT_EQ(Apertures[40].Shape, core::apCircle);
    EXPECT_EQ(Para.Warning, UsedShapeMessage);
}

TEST_F(DataPages, TypedSizesFollowTheRulesOfTheirShape)
{
    const MyAperture circle = Ap(core::apCircle, 0.5), usedCircle = Ap(core::apCircle, 0.5, 0, 0, 1),
                     thermal = Ap(core::apThermal45, 1, 1.5, 0.1), usedRect = Ap(core::apRectangle, 2, 1, 0, 1),
                     polygon = Ap(core::apPolygon, 1, 6, 0), oval = Ap(core::apOval, 1.2, 0.6);
    const struct {
        MyAperture before;
        int col;
        const char* typed;
        double s1, s2, s3;
        bool refused;   // Enter keeps the edit box and says why
    } cases[] = {
        {circle, 2, "1,25", 1.25, 0, 0, false},   {circle, 2, "０．４", 0.4, 0, 0, false},
        {circle, 2, ".", 0, 0, 0, false},         {circle, 2, "0.1234567", 0.12346, 0, 0, false},
        {circle, 2, "1.2.3", 1.2, 0, 0, false},   {circle, 2, "abc", 0.5, 0, 0, false},
        {circle, 2, "1e400", 0.5, 0, 0, false},   {circle, 3, "5", 0.5, 0, 0, false},
        // A used aperture keeps a size above 0, else the readers take it for a free slot.
        {usedCircle, 2, "0", 0.5, 0, 0, true},    {usedCircle, 2, "0.000001", 0.5, 0, 0, true},
        {usedCircle, 2, "-1", 0.5, 0, 0, true},   {usedRect, 3, "0", 2, 1, 0, true},
        {usedRect, 3, "0.4", 2, 0.4, 0, false},
        // The bridge stays below an eighth of the inner circumference (0.3927) by more than 0.0004.
        {thermal, 4, "0.39", 1, 1.5, 0.39, false}, {thermal, 4, "0.3925", 1, 1.5, 0.1, false},
        {thermal, 4, "0.5", 1, 1.5, 0.1, false},   {thermal, 4, "-0.1", 1, 1.5, 0.1, false},
        {thermal, 3, "1.8", 1, 1.8, 0.1, false},
        // Whole vertex counts, 3 to 12; any start angle.
        {polygon, 3, "2.6", 1, 3, 0, false},       {polygon, 3, "7.5", 1, 8, 0, false},
        {polygon, 3, "13", 1, 12, 0, false},       {polygon, 4, "-22.5", 1, 6, -22.5, false},
        {oval, 3, "0.7", 1.2, 0.7, 0, false},      {oval, 4, "3", 1.2, 0.6, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.before.Shape) + " col " + std::to_string(c.col) + " " + c.typed);
        Apertures[30] = c.before;
        ShowTab(2);
        const int row = RowOf(30);
        ClickCell(c.col, row);
        Edit2Change(c.typed);
        EXPECT_DOUBLE_EQ(Apertures[30].Size1, c.s1);
        EXPECT_DOUBLE_EQ(Apertures[30].Size2, c.s2);
        EXPECT_DOUBLE_EQ(Apertures[30].Size3, c.s3);
        EXPECT_EQ(Cell(c.col, row), NumberCaption(c.col == 2 ? c.s1 : c.col == 3 ? c.s2 : c.s3));
        Edit2KeyEnter();
        EXPECT_EQ(Para.Warning, c.refused ? UsedSizeMessage : "");
        if (c.refused) { EXPECT_TRUE(Para.Edit2.Visible && ParaTable.SelCol == c.col && ParaTable.SelRow == row); }
    }
}

TEST_F(DataPages, EnterWalksThroughTheSizesAndDownTheRows)
{
    Apertures[41] = Ap(core::apOval, 1, 0.5);
    Apertures[42] = Ap(core::apThermal90, 1, 1.5, 0.2);
    ShowTab(2);
    // D40 (a circle) down to D43 through every size each shape has.
    const std::pair<int, int> walk[] = {{2, 40}, {2, 41}, {3, 41}, {2, 42}, {3, 42}, {4, 42}, {2, 43}};
    ClickCell(2, RowOf(40));
    for (std::size_t k = 1; k < std::size(walk); ++k) {
        Edit2KeyEnter();
        EXPECT_EQ(ParaTable.SelCol, walk[k].first) << k;
        EXPECT_EQ(ParaTable.RowData[static_cast<std::size_t>(ParaTable.SelRow)], walk[k].second) << k;
    }
    // At the last visible row the table scrolls under the edit box.
    ScrollBar1Change(0);
    ClickCell(2, 11);
    Edit2KeyEnter();
    EXPECT_EQ(Para.ScrollBar1.Position, 1);
    EXPECT_EQ(ParaTable.RowData[static_cast<std::size_t>(ParaTable.SelRow)], 22);
    // The wheel scrolls by five and closes the edit box; typing then goes nowhere.
    const int at = Para.ScrollBar1.Position, d = ParaTable.RowData[static_cast<std::size_t>(ParaTable.SelRow)];
    FormMouseWheel(-1);
    EXPECT_EQ(Para.ScrollBar1.Position, at + 5);
    EXPECT_FALSE(Para.Edit2.Visible);
    Edit2Change("7");
    EXPECT_NE(Apertures[static_cast<std::size_t>(d)].Size1, 7);
    EXPECT_NE(Apertures[static_cast<std::size_t>(ParaTable.RowData[static_cast<std::size_t>(ParaTable.SelRow)])].Size1, 7);
    FormMouseWheel(1000);
    EXPECT_EQ(Para.ScrollBar1.Position, 0);
    // D999 is the last D-code to edit.
    ClickCell(2, RowOf(999));
    Edit2KeyEnter();
    EXPECT_FALSE(Para.Edit2.Visible);
}

// An aperture list written by "保存" (CP932, CR LF).
const std::string SavedList =
    "\r\r\n\tAPERTURE LIST\r\n\r\r\n\t---------------------------------------\r\n"
    "\tD_CODE\t\x8c\x60\x8f\xf3\t\x81\x90\x82\x50\t\x81\x90\x82\x51\t\x81\x90\x82\x52\r\n"
    "\t---------------------------------------\r\n"
    "\tD10\tCIR\t0.1\t\t\r\n\tD11\tSQR\t0.2\t\t\r\n\tD12\tTHR45\t1\t1.5\t0.25\r\n\tD13\tOVAL\t1.2\t0.6\t\r\n"
    "\tD14\tRECT\t2\t1\t\r\n\tD15\tPOLYGON\t1\t6\t30\r\n\tD20\tMCR\tPAD2\t \t \r\n";

TEST_F(DataPages, ListsAreSavedClearedAndReadThroughTheButtons)
{
    Apertures.fill(MyAperture{});
    const MyAperture listed[] = {Ap(core::apCircle, 0.1), Ap(core::apSquare, 0.2), Ap(core::apThermal45, 1, 1.5, 0.25),
                                 Ap(core::apOval, 1.2, 0.6), Ap(core::apRectangle, 2, 1), Ap(core::apPolygon, 1, 6, 30)};
    std::copy(std::begin(listed), std::end(listed), Apertures.begin() + 10);
    Apertures[20] = Ap(core::apMacro, 0);
    Apertures[20].MacroName = "PAD2";
    Apertures[1100] = Ap(core::apCircle, 0.5);   // beyond what lists hold
    ShowTab(2);
    ButtonClick(ParaButton::swSave);   // cancelled
    EXPECT_EQ(Apertures[10].Used, 0);
    // Without layers every defined D-code is written, and marked used.
    file = dir / "list.txt";
    ButtonClick(ParaButton::swSave);
    EXPECT_EQ(platform::ReadFileBytes(file), SavedList);
    EXPECT_EQ(ParaTable.CellIcons[0][0], IconTicked);

    // "初期化" asks; No keeps the table.
    yes = false;
    ButtonClick(ParaButton::swNew);
    EXPECT_EQ(questions, (std::vector<std::string>{ClearAperturesQuestion}));
    EXPECT_EQ(Apertures[12].Shape, core::apThermal45);
    yes = true;
    ButtonClick(ParaButton::swNew);
    EXPECT_TRUE(std::all_of(Apertures.begin(), Apertures.end(), [](const MyAperture& a) { return a.Shape < 0 && a.Size1 == 0 && a.Used == 0; }));
    // Read back: the table as it was written, shown.
    ButtonClick(ParaButton::swOpen);
    EXPECT_EQ(core::MaxDCode, 20);
    EXPECT_EQ(Row(RowOf(12)), "D12|サーマル45°|1|1.5|0.25");
    file = dir / "again.txt";
    ButtonClick(ParaButton::swSave);
    EXPECT_EQ(platform::ReadFileBytes(file), SavedList);

    // A file that is no list changes nothing and says so.
    platform::WriteFileBytes(file, "G04 not a list*\r\nX0Y0D02*\r\n");
    ButtonClick(ParaButton::swOpen);
    EXPECT_EQ(Para.Warning, ListNotReadMessage);
    EXPECT_EQ(Apertures[12].Shape, core::apThermal45);
    // Nor does one whose size is no number, which would be a used D-code of size 0.
    platform::WriteFileBytes(file, "D12 CIR 0.3\r\nD10 CIR abc\r\n");
    ButtonClick(ParaButton::swOpen);
    EXPECT_EQ(Para.Warning, "アパーチャーリスト「again.txt」の 2 行目を読み込めません。\n\r'abc' は正しい数値ではありません。");
    EXPECT_EQ(Apertures[12].Shape, core::apThermal45);
    // Nor does a FIFO, which is not waited on.
    const fs::path list = file;
    file = dir / "fifo.txt";
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    {
        testsupport::FifoWatchdog watchdog(file);
        ButtonClick(ParaButton::swOpen);
        EXPECT_FALSE(watchdog.fired);
    }
    EXPECT_EQ(Para.Warning, platform::InputProblemMessage(file, platform::InputProblem::NotRegular));
    EXPECT_EQ(Apertures[12].Shape, core::apThermal45);
    file = list;
    // D-codes and vertex counts stay within what the table holds.
    Para.Warning.clear();
    platform::WriteFileBytes(file, "D05 CIR 0.1\r\nD1000 CIR 0.1\r\nD99999999999 CIR 0.1\r\nD30 POLYGON 1 40\r\nD31 POLYGON 1 1\r\n");
    ButtonClick(ParaButton::swOpen);
    EXPECT_EQ(core::MaxDCode, 31);
    EXPECT_EQ(std::make_pair(Apertures[30].Size2, Apertures[31].Size2), std::make_pair(12.0, 3.0));
    // A folder that cannot be written: the user is told.
    file = dir / "missing" / "list.txt";
    ButtonClick(ParaButton::swSave);
    EXPECT_FALSE(Para.Warning.empty());
}

TEST_F(DataPages, WithLayersOnlyTheUsedAperturesAreListedAndWritten)
{
    core::LayerCount = 1;
    for (int d : {11, 13}) {
        core::DataElement e{};
        e.Layer = 1;
        e.Kind = core::dkFlash;
        e.Code = d;
        core::AppendElement(e);
    }
    Apertures[1200] = Ap(core::apCircle, 0.3);
    Apertures[14].Size1 = 0;
    core::MaxDCode = core::MarkUsedApertures(Apertures);
    ShowTab(2);
    // The built-in D-codes with a size (D14 has none), and D1200.
    EXPECT_EQ(ParaList.size(), 68u);
    file = dir / "used.txt";
    ButtonClick(ParaButton::swSave);
    const std::string bytes = platform::ReadFileBytes(file);
    EXPECT_EQ(bytes.substr(bytes.find("\tD1")), "\tD11\tCIR\t0.1\t\t\r\n\tD13\tCIR\t0.15\t\t\r\n");
    // Cleared, the D-codes in use stay listed so that they can be given again.
    ButtonClick(ParaButton::swNew);
    EXPECT_EQ(ParaList, (std::vector<std::int32_t>{11, 13}));
    EXPECT_EQ(Row(0), "D11||||");
    EXPECT_EQ(ParaTable.CellIcons[0][0], IconTicked);
}

// ----------------------------------------------------------------- tools

TEST_F(DataPages, ToolTableColumnsAndTypedValues)
{
    for (int t : {1, 7, 12}) core::Tools[static_cast<std::size_t>(t)] = {1, t * 2, "0.8", std::string(1, static_cast<char>('A' + t)), ""};
    core::Tools[9] = {0, 0, "2.0", "", ""};   // defined, never drilled
    core::ToolCount = 12;
    core::TotalHoleCount = 40;
    ShowTab(3);
    EXPECT_EQ(ParaItems.Captions[tiTotal], "40");
    EXPECT_EQ(ParaList, (std::vector<std::int32_t>{1, 7, 12}));
    EXPECT_EQ(Row(0) + " " + Row(1) + " " + Row(2) + " " + Row(3), "T01|B|2|0.8| T07|H|14|0.8| T12|M|24|0.8| ||||");
    for (int col : {0, 1, 2}) {   // symbols and hit counts are only shown
        ClickCell(col, 0);
        EXPECT_FALSE(Para.Edit2.Visible) << col;
    }
    const struct {
        int col;
        bool listOpen;   // the comment list still open when the text comes
        const char *typed, *stored, *shown;
        bool selected;
    } cases[] = {
        {3, false, ".", "0.", "0.", false},        {3, false, "1,5", "1.5", "1.5", false},
        {3, false, "０．９", "0.9", "0.9", false}, {3, false, "1.2x2.0", "1.2x2.0", "1.2x2.0", false},
        {4, true, "3", "キリ穴", "キリ穴", true},  {4, true, "6", "6", "6", false},
        {4, false, "3", "3", "3", false},          {4, true, "top,\"silk\"#1", "topsilk1", "topsilk1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ShowTab(3);
        ClickCell(c.col, 0);
        EXPECT_EQ(Para.Image2.Visible, c.col == 4);
        if (!c.listOpen) HideBalloon();
        Edit2Change(c.typed);
        EXPECT_EQ(c.col == 3 ? core::Tools[1].Diameter : core::Tools[1].Comment, c.stored);
        EXPECT_EQ(Cell(c.col, 0), c.stored);
        EXPECT_EQ(Para.Edit2.Text, c.shown);
        EXPECT_EQ(Para.Edit2.SelectAll, c.selected);
        EXPECT_FALSE(Para.Image2.Visible);
    }
    // Each choice of the list, its digit left out.
    for (std::size_t k = 0; k < std::size(HoleComments); ++k) {
        ShowTab(3);
        ClickCell(4, 0);
        ASSERT_TRUE(Choose(std::to_string(k) + " " + HoleComments[k]));
        EXPECT_EQ(core::Tools[1].Comment, HoleComments[k]);
        EXPECT_TRUE(Para.Edit2.Visible && Para.Edit2.Text == HoleComments[k]);
    }
}

TEST_F(DataPages, EnterInTheToolTable)
{
    for (int t = 1; t <= 14; ++t) core::Tools[static_cast<std::size_t>(t)] = {1, 1, "1.0", "A", ""};
    core::ToolCount = 14;
    ShowTab(3);
    EXPECT_EQ(Para.ScrollBar1.Maximum, 2);
    // Diameter, comment with its list, the next diameter; at the last
    // visible row the table scrolls.
    ClickCell(3, 10);
    const std::tuple<int, int, bool, int> steps[] = {{4, 10, true, 0}, {3, 11, false, 0}, {4, 11, true, 0}, {3, 11, false, 1}};
    for (const auto& step : steps) {
        Edit2KeyEnter();
        EXPECT_EQ(std::make_tuple(ParaTable.SelCol, ParaTable.SelRow, Para.Image2.Visible && ChoiceBalloon.Key == "HoleComment",
                                  Para.ScrollBar1.Position),
                  step);
    }
    // The last tool's comment: Enter closes the edit box.
    ScrollBar1Change(2);
    ClickCell(4, 11);
    Edit2KeyEnter();
    EXPECT_FALSE(Para.Edit2.Visible);
}

TEST_F(DataPages, DrillZeroModesNameTheZerosKept)
{
    // "Trailing Zero" keeps trailing zeros and leaves out leading ones: "01"
    // is one unit of the last place; "Leading Zero" the other way round.
    const std::tuple<const char*, int, double> modes[] = {{"Trailing Zero", 0, 0.001}, {"Leading Zero", 1, 10.0}};
    file = dir / "zero.drl";
    platform::WriteFileBytes(file, "M48\nT1C0.8\n%\nT1\nX01Y01\nM30\n");
    for (const auto& [choice, zero, x] : modes) {
        ShowTab(3);
        ASSERT_TRUE(Pick(9, choice) && Pick(11, "000.000"));
        EXPECT_EQ(core::DrillFormat.Zero, zero);
        core::ClearElements();
        core::Gauge gauge;
        core::MyDataValue value;
        ASSERT_TRUE(core::ReadNcDrillFile(gauge, file.string(), 1, value));
        EXPECT_NEAR(core::Datas[0].X3, x, 1e-9) << choice;
    }
}

} // namespace
