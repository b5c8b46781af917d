// The aperture and tool tables of the parameters dialog driven without a
// display: what each column shows, every shape choice, the rules of typed
// sizes, diameters and comments, Enter through the rows, the list-file
// buttons with the bytes of a saved list, and the drill zero modes.
#include "core/NcDrillReader.h"
#include "core/ProgramSettings.h"
#include "dialogs/DataPages.h"
#include "platform/TextFile.h"
#include "tests/dialogs/ParaDriver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

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
        core::ApertureCheck = 0;
        core::GerberFormat = core::DefaultFormat("Gerber");
        core::DrillFormat = core::DefaultFormat("Drill");
        Para = ParaWindow{};
        ParaTable.SelCol = ParaTable.SelRow = -1;
        dir = fs::temp_directory_path() / ("tessel2-tables-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        AskParaYesNo = [this](const std::string& q) {
            questions.push_back(q);
            return yes;
        };
        ChooseParaFile = [this](bool save, const std::string& filter) {
            chosen.push_back({save, filter});
            return file.empty() ? std::string() : file.string();
        };
    }
    void TearDown() override
    {
        AskParaYesNo = nullptr;
        ChooseParaFile = nullptr;
        std::error_code ec;
        fs::remove_all(dir, ec);
        core::ResetTables();
    }
    const std::string& Cell(int col, int row) { return ParaTable.CellTexts.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row)); }
    const std::string& Heading(int k) { return ParaItems.Captions.at(static_cast<std::size_t>(aiSize1Head + k)); }

    fs::path dir, file;
    bool yes = true;
    std::vector<std::string> questions;
    std::vector<std::pair<bool, std::string>> chosen;
};

MyAperture Ap(std::int32_t shape, double s1, double s2 = 0, double s3 = 0, std::int32_t used = 0)
{
    MyAperture a;
    a.Used = used;
    a.Shape = shape;
    a.Size1 = s1;
    a.Size2 = s2;
    a.Size3 = s3;
    return a;
}

// ------------------------------------------------------------- apertures

TEST_F(DataPages, ApertureTableShowsEachColumnAndHeading)
{
    Apertures[20] = Ap(core::apThermal90, 1, 1.5, 0.25, 1);
    Apertures[21] = Ap(core::apPolygon, 1.2, 6, 30);
    Apertures[22] = Ap(core::apOval, 1.2, 0.6);
    Apertures[23] = Ap(core::apRectangle, 2, 1);
    Apertures[24] = Ap(core::apMacro, 0);
    Apertures[24].FirstPrimitive = 1;
    core::Macros.resize(2);
    core::Macros[1].Name = "RoundRect";
    core::MacroCount = 1;
    // A list file's macro: no primitives read, the name it was given.
    Apertures[25] = Ap(core::apMacro, 0);
    Apertures[25].MacroName = "PAD2";
    Apertures[26] = Ap(core::apNone, 0);
    Apertures[1500] = Ap(core::apCircle, 0.5);
    ShowTab(2);
    EXPECT_EQ(ParaList.size(), 1990u);
    EXPECT_TRUE(Para.ScrollBar1.Visible);
    EXPECT_EQ(Para.ScrollBar1.Maximum, 1990 - 12);
    EXPECT_EQ(Para.Image3.Bounds.left, 30);
    EXPECT_EQ(Para.Image3.Bounds.top, 145);
    EXPECT_EQ(Para.ScrollBar1.Bounds.right, Para.Image3.Bounds.right);
    for (ParaButton b : {ParaButton::swNew, ParaButton::swOpen, ParaButton::swSave}) {
        EXPECT_TRUE(Button(b).Visible);
        EXPECT_EQ(Button(b).Bounds.top, 100);
    }
    EXPECT_EQ(Button(ParaButton::swSave).Bounds.right, Para.Image3.Bounds.right);
    EXPECT_EQ(Button(ParaButton::swOpen).Bounds.right, Button(ParaButton::swSave).Bounds.left);

    const struct {
        int d;
        int usedIcon;
        const char* shape;
        int shapeIcon;
        const char *s1, *s2, *s3;
        const char *h1, *h2, *h3;   // the size headings once a cell of the row is clicked
        bool enabled;
    } rows[] = {
        {10, 0, "円形", 16, "0.08", "0", "0", " サイズ", "", "", true},
        {15, 0, "正方形", 17, "0.2", "0", "0", " サイズ", "", "", true},
        {73, 0, "サーマル45°", 18, "1", "1.5", "0.25", " 内径", " 外径", " ブリッジ幅", true},
        {20, 1, "サーマル90°", 19, "1", "1.5", "0.25", " 内径", " 外径", " ブリッジ幅", true},
        {21, 0, "正多角形", 22, "1.2", "6", "30", " 直径", " 頂点数 (3～12)", " 開始角度(°)", true},
        {22, 0, "長円形", 20, "1.2", "0.6", "0", " Ｘ", " Ｙ", "", true},
        {23, 0, "矩形", 21, "2", "1", "0", " Ｘ", " Ｙ", "", true},
        {24, 0, "Macro (RoundRect)", -1, "", "", "", " マクロ名", "", "", true},
        {25, 0, "Macro (PAD2)", -1, "", "", "", " マクロ名", "", "", true},
        {26, 0, "", -1, "", "", "", "", "", "", true},
        // Beyond the readers' D-codes: shown hatched, not edited.
        {1500, 0, "円形", 16, "0.5", "0", "0", "", "", "", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.d);
        const int row = RowOf(r.d);
        EXPECT_EQ(Cell(0, row), "D" + std::to_string(r.d));
        EXPECT_EQ(ParaTable.CellIcons[0][static_cast<std::size_t>(row)], r.usedIcon);
        EXPECT_EQ(Cell(1, row), r.shape);
        EXPECT_EQ(ParaTable.CellIcons[1][static_cast<std::size_t>(row)], r.shapeIcon);
        EXPECT_EQ(Cell(2, row), r.s1);
        EXPECT_EQ(Cell(3, row), r.s2);
        EXPECT_EQ(Cell(4, row), r.s3);
        EXPECT_EQ(ParaTable.RowEnabled[static_cast<std::size_t>(row)], r.enabled);
        ClickCell(2, row);
        // Macros and D-codes beyond the readers' take no edit box.
        const bool macro = std::string(r.shape).starts_with("Macro");
        EXPECT_EQ(Para.Edit2.Visible, r.enabled && !macro);
        if (!r.enabled) continue;
        EXPECT_EQ(ParaTable.SelRow, row);
        EXPECT_EQ(Heading(0), r.h1);
        EXPECT_EQ(Heading(1), r.h2);
        EXPECT_EQ(Heading(2), r.h3);
        // The headings stand over their columns.
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(ParaItems.Rects[static_cast<std::size_t>(aiCodeHead + c)].left,
                      Para.Image3.Bounds.left + ParaTable.CellRects[static_cast<std::size_t>(c)][0].left);
    }
    // A macro's shape cell opens no balloon.
    ClickCell(1, RowOf(24));
    EXPECT_FALSE(Para.Image2.Visible);

    // With layers loaded: only D-codes with a size or in use.
    core::LayerCount = 1;
    core::Apertures.fill(MyAperture{});
    Apertures[11] = Ap(core::apCircle, 0.1, 0, 0, 1);
    Apertures[12] = Ap(core::apCircle, 0.2);
    Apertures[13] = Ap(core::apNone, 0, 0, 0, 1);   // used, no aperture
    Apertures[14] = Ap(core::apSquare, 0);
    Apertures[1200] = Ap(core::apCircle, 0.3);
    ShowTab(2);
    EXPECT_EQ(ParaList, (std::vector<std::int32_t>{11, 12, 13, 1200}));
    EXPECT_FALSE(Para.ScrollBar1.Visible);
    EXPECT_EQ(ParaTable.RowData[4], 0);
    EXPECT_EQ(Cell(0, 4), "");
}

TEST_F(DataPages, EveryShapeChoiceSetsShapeAndSizes)
{
    const struct {
        const char* choice;
        int shape;
        double s1, s2, s3;
        const char* cell;
        bool edits;   // the edit box opens on the size 1 cell
    } cases[] = {
        {"なし", core::apNone, 0, 0, 0, "", false},
        {"円", core::apCircle, 1, 0, 0, "円形", true},
        {"正方形", core::apSquare, 1, 0, 0, "正方形", true},
        {"サーマル45°", core::apThermal45, 1, 0.5, 0.2, "サーマル45°", true},
        {"サーマル90°", core::apThermal90, 1, 0.5, 0.2, "サーマル90°", true},
        {"長円形", core::apOval, 1, 0.5, 0, "長円形", true},
        {"矩形", core::apRectangle, 1, 0.5, 0, "矩形", true},
        {"正多角形", core::apPolygon, 1, 0.5, 0.2, "正多角形", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        Apertures[40] = Ap(core::apThermal45, 1, 0.5, 0.2);
        ShowTab(2);
        const int row = RowOf(40);
        ClickCell(1, row);
        ASSERT_TRUE(Para.Image2.Visible);
        EXPECT_EQ(ChoiceBalloon.Key, "Aperture");
        ASSERT_TRUE(Choose(c.choice));
        const MyAperture& a = Apertures[40];
        EXPECT_EQ(a.Shape, c.shape);
        EXPECT_EQ(a.Used, 0);
        EXPECT_DOUBLE_EQ(a.Size1, c.s1);
        EXPECT_DOUBLE_EQ(a.Size2, c.s2);
        EXPECT_DOUBLE_EQ(a.Size3, c.s3);
        EXPECT_EQ(Cell(1, row), c.cell);
        EXPECT_EQ(Para.Edit2.Visible, c.edits);
        if (c.edits) {
            EXPECT_EQ(ParaTable.SelCol, 2);
            EXPECT_EQ(Para.Edit2.Text, "1");
            EXPECT_EQ(Para.Focus, ParaWindow::FocusOn::Edit2);
        } else {
            EXPECT_EQ(Cell(2, row), "");
            EXPECT_EQ(ParaTable.CellIcons[1][static_cast<std::size_t>(row)], -1);
        }
    }
    // A D-code the loaded data uses keeps a shape.
    Apertures[40] = Ap(core::apCircle, 1, 0, 0, 1);
    ShowTab(2);
    ClickCell(1, RowOf(40));
    ASSERT_TRUE(Choose("なし"));
    EXPECT_EQ(Apertures[40].Shape, core::apCircle);
    EXPECT_DOUBLE_EQ(Apertures[40].Size1, 1);
    EXPECT_EQ(Para.Warning, UsedShapeMessage);
}

TEST_F(DataPages, TypedSizesFollowTheRulesOfTheirShape)
{
    const MyAperture circle = Ap(core::apCircle, 0.5), usedCircle = Ap(core::apCircle, 0.5, 0, 0, 1),
                     thermal = Ap(core::apThermal45, 1, 1.5, 0.1), usedThermal = Ap(core::apThermal45, 1, 1.5, 0.1, 1),
                     polygon = Ap(core::apPolygon, 1, 6, 0), oval = Ap(core::apOval, 1.2, 0.6), usedRect = Ap(core::apRectangle, 2, 1, 0, 1);
    const struct {
        MyAperture before;
        int col;
        const char* typed;
        double s1, s2, s3;
        bool refused;   // Enter then keeps the edit box and says why
    } cases[] = {
        {circle, 2, "0.3", 0.3, 0, 0, false},
        {circle, 2, "1,25", 1.25, 0, 0, false},
        {circle, 2, "０．４", 0.4, 0, 0, false},
        {circle, 2, ".", 0, 0, 0, false},
        {circle, 2, "0.1234567", 0.12346, 0, 0, false},
        {circle, 2, "1.2.3", 1.2, 0, 0, false},
        {circle, 2, "abc", 0.5, 0, 0, false},   // no number: nothing stored
        {circle, 2, "nan", 0.5, 0, 0, false},
        {circle, 2, "1e400", 0.5, 0, 0, false},
        {circle, 3, "5", 0.5, 0, 0, false},     // a circle has one size
        // A used aperture keeps a size above 0.
        {usedCircle, 2, "0", 0.5, 0, 0, true},
        {usedCircle, 2, "-1", 0.5, 0, 0, true},
        {usedCircle, 2, "0.000001", 0.5, 0, 0, true},
        {usedCircle, 2, "0.2", 0.2, 0, 0, false},
        {usedRect, 3, "0", 2, 1, 0, true},
        {usedRect, 3, "0.4", 2, 0.4, 0, false},
        // The bridge stays below an eighth of the inner circumference, 0.3927.
        {thermal, 4, "0.39", 1, 1.5, 0.39, false},
        {thermal, 4, "0.3925", 1, 1.5, 0.1, false},
        {thermal, 4, "0.5", 1, 1.5, 0.1, false},
        {thermal, 4, "-0.1", 1, 1.5, 0.1, false},
        {thermal, 4, "0", 1, 1.5, 0, false},
        {thermal, 3, "1.8", 1, 1.8, 0.1, false},
        {usedThermal, 3, "0", 1, 1.5, 0.1, true},
        {usedThermal, 4, "0", 1, 1.5, 0, false},
        // Vertex counts are whole, 3 to 12; the start angle any number.
        {polygon, 3, "2.6", 1, 3, 0, false},
        {polygon, 3, "7.5", 1, 8, 0, false},
        {polygon, 3, "13", 1, 12, 0, false},
        {polygon, 3, "-4", 1, 3, 0, false},
        {polygon, 4, "-22.5", 1, 6, -22.5, false},
        {oval, 3, "0.7", 1.2, 0.7, 0, false},
        {oval, 4, "3", 1.2, 0.6, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.before.Shape) + " col " + std::to_string(c.col) + " " + c.typed);
        Apertures[30] = c.before;
        ShowTab(2);
        const int row = RowOf(30);
        ClickCell(c.col, row);
        ASSERT_TRUE(Para.Edit2.Visible);
        Edit2Change(c.typed);
        const MyAperture& a = Apertures[30];
        EXPECT_DOUBLE_EQ(a.Size1, c.s1);
        EXPECT_DOUBLE_EQ(a.Size2, c.s2);
        EXPECT_DOUBLE_EQ(a.Size3, c.s3);
        // The row shows what is stored.
        EXPECT_EQ(Cell(c.col, row), NumberCaption(c.col == 2 ? c.s1 : c.col == 3 ? c.s2 : c.s3));
        Edit2KeyEnter();
        EXPECT_EQ(Para.Warning, c.refused ? UsedSizeMessage : "");
        if (c.refused) {
            EXPECT_TRUE(Para.Edit2.Visible);
            EXPECT_EQ(ParaTable.SelCol, c.col);
            EXPECT_EQ(ParaTable.SelRow, row);
        }
    }
}

TEST_F(DataPages, EnterWalksThroughTheSizesAndDownTheRows)
{
    Apertures[40] = Ap(core::apCircle, 1);
    Apertures[41] = Ap(core::apOval, 1, 0.5);
    Apertures[42] = Ap(core::apThermal90, 1, 1.5, 0.2);
    Apertures[43] = Ap(core::apPolygon, 1, 6, 0);
    Apertures[44] = Ap(core::apCircle, 1);
    ShowTab(2);
    const int first = RowOf(40);
    // From D40 down to D44 through every size each shape has.
    const std::pair<int, int> walk[] = {{2, 0}, {2, 1}, {3, 1}, {2, 2}, {3, 2}, {4, 2}, {2, 3}, {3, 3}, {4, 3}, {2, 4}};
    ClickCell(2, first);
    for (std::size_t k = 1; k < std::size(walk); ++k) {
        Edit2KeyEnter();
        ASSERT_TRUE(Para.Edit2.Visible) << k;
        EXPECT_EQ(ParaTable.SelCol, walk[k].first) << k;
        EXPECT_EQ(ParaTable.RowData[static_cast<std::size_t>(ParaTable.SelRow)], 40 + walk[k].second) << k;
        EXPECT_EQ(Para.Edit2.Color, ParaTable.SelRow % 2 == 0 ? platform::RGB(255, 255, 255) : platform::RGB(236, 233, 216));
    }
    // At the last visible row the table scrolls under the edit box.
    ScrollBar1Change(0);
    ClickCell(2, 11);
    Edit2KeyEnter();
    EXPECT_EQ(Para.ScrollBar1.Position, 1);
    EXPECT_EQ(ParaTable.SelRow, 11);
    EXPECT_EQ(ParaTable.RowData[11], 22);
    EXPECT_TRUE(Para.Edit2.Visible);
    // D999 is the last D-code to edit: Enter closes the edit box there.
    ClickCell(2, RowOf(999));
    Edit2KeyEnter();
    EXPECT_FALSE(Para.Edit2.Visible);
}

TEST_F(DataPages, SwitchLetsRS274XAddApertures)
{
    ShowTab(2);
    EXPECT_EQ(ParaItems.LeftIcons[aiAddSwitch], IconUnticked);
    for (int expected : {1, 0}) {
        ClickItem(aiAddSwitch);
        EXPECT_EQ(core::ApertureCheck, expected);
        EXPECT_EQ(ParaItems.LeftIcons[aiAddSwitch], expected == 1 ? IconTicked : IconUnticked);
    }
}

// The bytes of an aperture list written by "保存" (CP932, CR LF).
const std::string SavedList =
    "\r\r\n"
    "\tAPERTURE LIST\r\n"
    "\r\r\n"
    "\t---------------------------------------\r\n"
    "\tD_CODE\t\x8c\x60\x8f\xf3\t\x81\x90\x82\x50\t\x81\x90\x82\x51\t\x81\x90\x82\x52\r\n"
    "\t---------------------------------------\r\n"
    "\tD10\tCIR\t0.1\t\t\r\n"
    "\tD11\tSQR\t0.2\t\t\r\n"
    "\tD12\tTHR45\t1\t1.5\t0.25\r\n"
    "\tD13\tOVAL\t1.2\t0.6\t\r\n"
    "\tD14\tRECT\t2\t1\t\r\n"
    "\tD15\tPOLYGON\t1\t6\t30\r\n"
    "\tD20\tMCR\tPAD2\t \t \r\n";

TEST_F(DataPages, ListsAreSavedAndReadThroughTheButtons)
{
    core::Apertures.fill(MyAperture{});
    Apertures[10] = Ap(core::apCircle, 0.1);
    Apertures[11] = Ap(core::apSquare, 0.2);
    Apertures[12] = Ap(core::apThermal45, 1, 1.5, 0.25);
    Apertures[13] = Ap(core::apOval, 1.2, 0.6);
    Apertures[14] = Ap(core::apRectangle, 2, 1);
    Apertures[15] = Ap(core::apPolygon, 1, 6, 30);
    Apertures[20] = Ap(core::apMacro, 0);
    Apertures[20].MacroName = "PAD2";
    Apertures[1100] = Ap(core::apCircle, 0.5);   // beyond what lists hold
    const core::MyApertureTable defined = Apertures;
    ShowTab(2);

    // Cancelled: nothing happens.
    ButtonClick(ParaButton::swSave);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_TRUE(chosen[0].first);
    EXPECT_EQ(chosen[0].second, ApertureListFilter);
    EXPECT_EQ(Apertures[10].Used, 0);

    // Without layers every defined D-code is written, and marked used.
    file = dir / "list.txt";
    ButtonClick(ParaButton::swSave);
    EXPECT_EQ(platform::ReadFileBytes(file), SavedList);
    EXPECT_EQ(Apertures[10].Used, 1);
    EXPECT_EQ(Cell(0, RowOf(10)), "D10");
    EXPECT_EQ(ParaTable.CellIcons[0][static_cast<std::size_t>(RowOf(10))], IconTicked);

    // "初期化" asks first; No keeps the table.
    yes = false;
    ButtonClick(ParaButton::swNew);
    EXPECT_EQ(questions, (std::vector<std::string>{ClearAperturesQuestion}));
    EXPECT_EQ(Apertures[12].Shape, core::apThermal45);
    yes = true;
    ButtonClick(ParaButton::swNew);
    for (const MyAperture& a : Apertures) {
        ASSERT_EQ(a.Shape, core::apNone);
        ASSERT_EQ(a.Size1, 0);
        ASSERT_EQ(a.Used, 0);
    }
    EXPECT_EQ(Cell(1, RowOf(12)), "");

    // Read back: the table as written.
    ButtonClick(ParaButton::swOpen);
    EXPECT_FALSE(chosen.back().first);
    EXPECT_TRUE(Para.Warning.empty());
    for (int d = 10; d <= 20; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(Apertures[static_cast<std::size_t>(d)].Shape, defined[static_cast<std::size_t>(d)].Shape);
        EXPECT_EQ(Apertures[static_cast<std::size_t>(d)].Size1, defined[static_cast<std::size_t>(d)].Size1);
        EXPECT_EQ(Apertures[static_cast<std::size_t>(d)].Size2, defined[static_cast<std::size_t>(d)].Size2);
        EXPECT_EQ(Apertures[static_cast<std::size_t>(d)].Size3, defined[static_cast<std::size_t>(d)].Size3);
        EXPECT_EQ(Apertures[static_cast<std::size_t>(d)].MacroName, defined[static_cast<std::size_t>(d)].MacroName);
    }
    EXPECT_EQ(core::MaxDCode, 20);
    EXPECT_EQ(Cell(1, RowOf(12)), "サーマル45°");

    // A file that is no list changes nothing and says so.
    platform::WriteFileBytes(file, "G04 not a list*\r\nX0Y0D02*\r\n");
    Apertures[10].Size1 = 0.15;
    ButtonClick(ParaButton::swOpen);
    EXPECT_EQ(Para.Warning, ListNotReadMessage);
    EXPECT_DOUBLE_EQ(Apertures[10].Size1, 0.15);
    EXPECT_EQ(Apertures[12].Shape, core::apThermal45);

    // D-codes and vertex counts are kept to what the table holds.
    Para.Warning.clear();
    platform::WriteFileBytes(file, "D05 CIR 0.1\r\nD1000 CIR 0.1\r\nD99999999999 CIR 0.1\r\nD30 POLYGON 1 40 0\r\n"
                                   "D31 POLYGON 1 1 0\r\nD32,CIR,0.3\r\n");
    ButtonClick(ParaButton::swOpen);
    EXPECT_TRUE(Para.Warning.empty());
    EXPECT_EQ(core::MaxDCode, 32);
    EXPECT_EQ(Apertures[5].Shape, core::apNone);
    EXPECT_EQ(Apertures[30].Size2, 12);
    EXPECT_EQ(Apertures[31].Size2, 3);
    EXPECT_DOUBLE_EQ(Apertures[32].Size1, 0.3);
    EXPECT_EQ(Apertures[10].Shape, core::apNone);

    // A folder that cannot be written: the user is told.
    file = dir / "missing" / "list.txt";
    ButtonClick(ParaButton::swSave);
    EXPECT_FALSE(Para.Warning.empty());
}

TEST_F(DataPages, WithLayersTheUsedAperturesAreListedAndKept)
{
    // One layer drawn with D11 and D13.
    core::LayerCount = 1;
    for (int d : {11, 13}) {
        core::DataElement e{};
        e.Layer = 1;
        e.Kind = core::dkFlash;
        e.Code = d;
        core::AppendElement(e);
    }
    core::MaxDCode = core::MarkUsedApertures(Apertures);
    ShowTab(2);
    file = dir / "used.txt";
    ButtonClick(ParaButton::swSave);
    const std::string bytes = platform::ReadFileBytes(file);
    EXPECT_NE(bytes.find("\tD11\tCIR\t0.1\t\t\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\tD13\tCIR\t0.15\t\t\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\tD12\t"), std::string::npos);
    EXPECT_EQ(Apertures[12].Used, 0);

    // Cleared, the D-codes in use stay listed so that they can be given again.
    ButtonClick(ParaButton::swNew);
    EXPECT_EQ(ParaList, (std::vector<std::int32_t>{11, 13}));
    EXPECT_EQ(Apertures[11].Used, 1);
    EXPECT_EQ(ParaTable.CellIcons[0][0], IconTicked);
}

// ----------------------------------------------------------------- tools

void SetTool(int t, const char* symbol, int hits, const char* diameter, const char* comment = "")
{
    core::MyTool& tool = core::Tools[static_cast<std::size_t>(t)];
    tool = {1, hits, diameter, symbol, comment};
    core::ToolCount = std::max(core::ToolCount, t);
    core::TotalHoleCount += hits;
}

TEST_F(DataPages, ToolTableShowsTheToolsInUse)
{
    SetTool(1, "A", 120, "0.8", "スルホール");
    SetTool(7, "B", 4, "3.2");
    SetTool(12, "C", 1, "1.0");
    core::Tools[9] = {0, 0, "2.0", "", ""};   // defined, never drilled
    ShowTab(3);
    EXPECT_EQ(ParaItems.Count, ToolItemCount);
    EXPECT_EQ(ParaItems.Captions[tiTotal], "125");
    EXPECT_EQ(ParaItems.Captions[tiTotalLabel], "　全穴数");
    EXPECT_EQ(Para.Image3.Bounds.top, 130);
    EXPECT_EQ(ParaList, (std::vector<std::int32_t>{1, 7, 12}));
    EXPECT_FALSE(Para.ScrollBar1.Visible);
    const std::vector<std::vector<std::string>> rows = {{"T01", "A", "120", "0.8", "スルホール"},
                                                        {"T07", "B", "4", "3.2", ""},
                                                        {"T12", "C", "1", "1.0", ""},
                                                        {"", "", "", "", ""}};
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < 5; ++c) EXPECT_EQ(Cell(static_cast<int>(c), static_cast<int>(r)), rows[r][c]) << r << " " << c;
    // Symbols and hit counts are not edited; an empty row takes nothing.
    for (int col : {0, 1, 2}) {
        ClickCell(col, 0);
        EXPECT_FALSE(Para.Edit2.Visible) << col;
    }
    ClickCell(3, 3);
    EXPECT_FALSE(Para.Edit2.Visible);
}

TEST_F(DataPages, TypedDiametersAndCommentsOfATool)
{
    SetTool(1, "A", 10, "0.8");
    const struct {
        int col;
        bool balloon;   // the comment list still open when the text comes
        const char* typed;
        const char* diameter;
        const char* comment;
        const char* shown;   // the edit box's text
        bool selected;
    } cases[] = {
        {3, false, ".", "0.", "", "0.", false},
        {3, false, "1,5", "1.5", "", "1.5", false},
        {3, false, "０．９", "0.9", "", "0.9", false},
        {3, false, "1.2x2.0", "1.2x2.0", "", "1.2x2.0", false},   // kept as typed
        {4, true, "3", "0.8", "キリ穴", "キリ穴", true},
        {4, true, "0", "0.8", "ザグリマークC(第１穴)", "ザグリマークC(第１穴)", true},
        {4, true, "6", "0.8", "6", "6", false},
        {4, false, "3", "0.8", "3", "3", false},
        {4, true, "top,\"silk\"#1", "0.8", "topsilk1", "topsilk1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        core::Tools[1].Diameter = "0.8";
        core::Tools[1].Comment.clear();
        ShowTab(3);
        ClickCell(c.col, 0);
        ASSERT_TRUE(Para.Edit2.Visible);
        EXPECT_EQ(Para.Image2.Visible, c.col == 4);
        if (!c.balloon) HideBalloon();
        Edit2Change(c.typed);
        EXPECT_EQ(core::Tools[1].Diameter, c.diameter);
        EXPECT_EQ(core::Tools[1].Comment, c.comment);
        EXPECT_EQ(Para.Edit2.Text, c.shown);
        EXPECT_EQ(Para.Edit2.SelectAll, c.selected);
        EXPECT_EQ(Cell(c.col, 0), c.col == 3 ? c.diameter : c.comment);
        EXPECT_FALSE(Para.Image2.Visible);
    }
    // Every choice of the list, its digit left out.
    const char* const choices[] = {"0 ザグリマークC(第１穴)", "1 ガイド穴", "2 スルホール", "3 キリ穴",
                                   "4 長穴（スルホール）中心１穴", "5 長穴（キリ穴）中心１穴"};
    for (std::size_t k = 0; k < std::size(choices); ++k) {
        ShowTab(3);
        ClickCell(4, 0);
        ASSERT_TRUE(Choose(choices[k]));
        EXPECT_EQ(core::Tools[1].Comment, HoleComments[k]);
        EXPECT_EQ(Para.Edit2.Text, HoleComments[k]);
        EXPECT_EQ(Para.Edit2.Caret, -1);
        EXPECT_TRUE(Para.Edit2.Visible);
        EXPECT_FALSE(Para.Image2.Visible);
    }
}

TEST_F(DataPages, EnterInTheToolTable)
{
    for (int t = 1; t <= 14; ++t) SetTool(t, "A", 1, "1.0");
    ShowTab(3);
    EXPECT_TRUE(Para.ScrollBar1.Visible);
    EXPECT_EQ(Para.ScrollBar1.Maximum, 2);
    // Diameter, then comment with its list, then the next tool's diameter.
    ClickCell(3, 10);
    Edit2KeyEnter();
    EXPECT_EQ(ParaTable.SelCol, 4);
    EXPECT_EQ(ChoiceBalloon.Key, "HoleComment");
    EXPECT_TRUE(Para.Image2.Visible);
    Edit2KeyEnter();
    EXPECT_EQ(ParaTable.SelCol, 3);
    EXPECT_EQ(ParaTable.SelRow, 11);
    EXPECT_FALSE(Para.Image2.Visible);
    // The last visible row scrolls the table under the edit box.
    Edit2KeyEnter();
    Edit2KeyEnter();
    EXPECT_EQ(Para.ScrollBar1.Position, 1);
    EXPECT_EQ(ParaTable.SelRow, 11);
    EXPECT_EQ(Cell(0, 11), "T13");
    // The last tool's comment: Enter closes the edit box.
    ScrollBar1Change(2);
    ClickCell(4, 11);
    Edit2KeyEnter();
    EXPECT_FALSE(Para.Edit2.Visible);
    EXPECT_EQ(Para.ScrollBar1.Position, 2);
}

TEST_F(DataPages, DrillZeroModesNameTheZerosKept)
{
    // "Trailing Zero": trailing zeros kept, leading ones left out, so "01"
    // is one unit of the last place; "Leading Zero" the other way round.
    const struct {
        const char* choice;
        int zero;
        double x;
    } modes[] = {{"Trailing Zero", 0, 0.001}, {"Leading Zero", 1, 10.0}};
    file = dir / "zero.drl";
    platform::WriteFileBytes(file, "M48\nT1C0.8\n%\nT1\nX01Y01\nM30\n");
    for (const auto& m : modes) {
        SCOPED_TRACE(m.choice);
        ShowTab(3);
        ASSERT_TRUE(Pick(9, m.choice));
        EXPECT_EQ(core::DrillFormat.Zero, m.zero);
        ASSERT_TRUE(Pick(11, "000.000"));
        core::ClearElements();
        core::Gauge gauge;
        core::MyDataValue value;
        ASSERT_TRUE(core::ReadNcDrillFile(gauge, file.string(), 1, value));
        ASSERT_EQ(core::DataCount, 1);
        EXPECT_NEAR(core::Datas[0].X3, m.x, 1e-9);
    }
}

} // namespace
