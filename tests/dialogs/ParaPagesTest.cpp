// The parameters dialog's pages driven without a display: the format
// confirmation in each mode, every balloon choice, typed offsets under a
// comma locale, Enter and Esc; the "Parameter" tabs and saving the defaults.
#include "core/ProgramSettings.h"
#include "dialogs/DataPages.h"
#include "platform/TextFile.h"
#include "tests/dialogs/ParaDriver.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <functional>
#include <random>
#include <utility>

using namespace dialogs;
using namespace paratest;
using core::DrillFormat;
using core::GerberFormat;
namespace fs = std::filesystem;

namespace {

class ParaPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        GerberFormat = core::DefaultFormat("Gerber");
        DrillFormat = core::DefaultFormat("Drill");
        Para = ParaWindow{};
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
    const std::string& Caption(int item) { return ParaItems.Captions.at(static_cast<std::size_t>(item)); }
    const Rect& RectOf(int item) { return ParaItems.Rects.at(static_cast<std::size_t>(item)); }
};

TEST_F(ParaPages, FormatModesBuildTheirSections)
{
    GerberFormat.AbsInc = 1;
    GerberFormat.Zero = 2;   // no zero mode of ours: an empty cell
    GerberFormat.Units = 1;
    GerberFormat.OffsetX = -0.5;
    DrillFormat.Zero = 1;
    DrillFormat.NumberFormat = "000.0000";
    const struct {
        const char* mode;
        int height;
        bool gerber, drill;
        int drillTop;
    } modes[] = {{"Format", 380, true, true, 125}, {"Format274D", 240, true, false, 0}, {"FormatNC", 240, false, true, 20}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        Show(m.mode);
        EXPECT_TRUE(ParaRequest.Cancelled);
        EXPECT_EQ(Para.Caption, FormatCaption);
        EXPECT_EQ(Para.ClientHeight, m.height);
        EXPECT_TRUE(Para.CentreOnScreen);
        EXPECT_EQ(Para.Left, (1600 - 640) / 2);
        EXPECT_EQ(Para.Top, (1000 - m.height) / 2);
        ASSERT_EQ(ParaItems.Count, 29);
        for (int i = 0; i < 28; ++i) {
            const bool shown = i < 14 ? m.gerber : m.drill;
            EXPECT_EQ(RectOf(i) != Rect{}, shown) << i;
            if (!shown) {
                EXPECT_EQ(Caption(i), "") << i;
            }
        }
        if (m.gerber) {
            EXPECT_EQ(Caption(0), " ガーバーデータ");
            EXPECT_EQ(ParaItems.LeftIcons[0], 2);
            const std::pair<int, std::string> captions[] = {{2, "GERBER"}, {4, "INC"}, {6, "-0.5"}, {7, "0"},
                                                            {9, ""},       {11, "000.000"}, {13, "inch"}};
            for (const auto& [i, c] : captions) EXPECT_EQ(Caption(i), c) << i;
            for (int i : {0, 5, 10}) EXPECT_EQ(ParaItems.Styles[static_cast<std::size_t>(i)], stRaised) << i;
            for (int i : {2, 4, 6, 7, 9, 11, 13}) EXPECT_EQ(ParaItems.Styles[static_cast<std::size_t>(i)], stCell) << i;
        }
        if (m.drill) {
            EXPECT_EQ(RectOf(14).top, m.drillTop);
            EXPECT_EQ(ParaItems.LeftIcons[14], 3);
            const std::pair<int, std::string> captions[] = {{16, "NCドリル"}, {18, "ABS"}, {23, "Leading Zero"}, {25, "000.0000"},
                                                            {27, "mm"}};
            for (const auto& [i, c] : captions) EXPECT_EQ(Caption(i), c) << i;
        }
        EXPECT_EQ(Caption(28), "=");
        EXPECT_EQ(RectOf(28).top, m.height - 60);
        const Rect ok = Button(ParaButton::sw1).Bounds, cancel = Button(ParaButton::sw5).Bounds;
        EXPECT_TRUE(Button(ParaButton::sw1).Visible && Button(ParaButton::sw5).Visible);
        EXPECT_FALSE(Button(ParaButton::sw2).Visible);
        EXPECT_EQ(cancel.right, 640 - 40);
        EXPECT_EQ(cancel.top, m.height - 50);
        EXPECT_EQ(ok.right, cancel.left);
        EXPECT_EQ(ok.top, cancel.top);
    }
    // Another request builds nothing.
    Show("Other");
    EXPECT_EQ(ParaItems.Count, 0);
    EXPECT_TRUE(ParaRequest.Cancelled);
}

TEST_F(ParaPages, EveryBalloonChoiceSetsItsField)
{
    using F = core::MyFormatPara;
    const struct {
        int item;
        const char* key;
        const char* choice;
        std::function<bool(const F& gerber, const F& drill)> set;
    } cases[] = {
        {4, "ABSINC", "INC", [](const F& g, const F&) { return g.AbsInc == 1; }},
        {4, "ABSINC", "ABS", [](const F& g, const F&) { return g.AbsInc == 0; }},
        {9, "ZERO", "Omit Trailing", [](const F& g, const F&) { return g.Zero == 1; }},
        {9, "ZERO", "Omit Leading", [](const F& g, const F&) { return g.Zero == 0; }},
        {11, "NUM-FORMAT", "000.00", [](const F& g, const F&) { return g.NumberFormat == "000.00" && g.DecDigits == 2; }},
        {11, "NUM-FORMAT", "000.00000",
         [](const F& g, const F&) { return g.NumberFormat == "000.00000" && g.IntDigits == 3 && g.DecDigits == 5; }},
        {13, "UNIT", "inch", [](const F& g, const F&) { return g.Units == 1; }},
        {13, "UNIT", "mm", [](const F& g, const F&) { return g.Units == 0; }},
        {18, "ABSINC", "INC", [](const F&, const F& d) { return d.AbsInc == 1; }},
        {23, "ZERO", "Leading Zero", [](const F&, const F& d) { return d.Zero == 1; }},
        {23, "ZERO", "Trailing Zero", [](const F&, const F& d) { return d.Zero == 0; }},
        // The drill reader takes its digits from the text.
        {25, "NUM-FORMAT", "000.0000",
         [](const F&, const F& d) { return d.NumberFormat == "000.0000" && d.IntDigits == 3 && d.DecDigits == 2; }},
        {27, "UNIT", "inch", [](const F&, const F& d) { return d.Units == 1; }},
    };
    Show("Format");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.item) + " " + c.choice);
        const F gerber = GerberFormat, drill = DrillFormat;
        ClickItem(c.item);
        ASSERT_TRUE(Para.Image2.Visible);
        EXPECT_EQ(ChoiceBalloon.Key, c.key);
        ASSERT_TRUE(Choose(c.choice));
        EXPECT_TRUE(c.set(GerberFormat, DrillFormat));
        // Only its own record changes.
        if (c.item < 14) EXPECT_EQ(DrillFormat.NumberFormat, drill.NumberFormat);
        else EXPECT_EQ(GerberFormat.NumberFormat, gerber.NumberFormat);
        EXPECT_EQ(Caption(c.item), c.choice);
        EXPECT_FALSE(Para.Image2.Visible);
    }
    // The heading and the format names take no click.
    for (int item : {0, 2, 14, 16}) {
        ClickItem(item);
        EXPECT_FALSE(Para.Image2.Visible || Para.Edit1.Visible) << item;
    }
}

TEST_F(ParaPages, TypedOffsetsUnderACommaLocale)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    GerberFormat.OffsetX = 0.123456;
    Show("Format274D");
    EXPECT_EQ(Caption(6), "0.123456");
    // Placing the edit box stores nothing.
    ClickItem(6);
    ASSERT_TRUE(Para.Edit1.Visible);
    EXPECT_EQ(Para.Edit1.Text, "0.123456");
    EXPECT_EQ(GerberFormat.OffsetX, 0.123456);

    const struct {
        const char* typed;
        const char* shown;   // the edit box's text after cleaning
        double stored;
        const char* caption;
    } cases[] = {
        {"-0,5", "-0.5", -0.5, "-0.5"},
        {".", "0.", 0.0, "0"},
        {"30000.123456", "30000.123456", 30000.12346, "30000.12346"},
        {"1e20", "1e20", 1e20, "1E20"},
        {"nan", "nan", 1e20, "1E20"},   // not a number: nothing stored
        {"1e400", "1e400", 1e20, "1E20"},
        {"1.2.3", "1.2.3", 1.2, "1.2"},
        {"－０，２５", "-0.25", -0.25, "-0.25"},
    };
    for (const auto& c : cases) {
        Edit1Change(c.typed);
        EXPECT_EQ(Para.Edit1.Text, c.shown) << c.typed;
        // Rounded to 5 decimals in doubles: within a few units of the last place.
        EXPECT_DOUBLE_EQ(GerberFormat.OffsetX, c.stored) << c.typed;
        EXPECT_EQ(Caption(6), c.caption) << c.typed;
    }
    EXPECT_EQ(Para.Edit1.Caret, -1);
    Edit1Change(".");
    EXPECT_EQ(Para.Edit1.Caret, 2);

    // "キャンセル" does not undo what was typed; the caller decides.
    Type(7, "2.5");
    ButtonClick(ParaButton::sw5);
    EXPECT_TRUE(ParaRequest.Cancelled);
    EXPECT_TRUE(Para.CloseRequested);
    EXPECT_DOUBLE_EQ(GerberFormat.OffsetY, 2.5);
}

TEST_F(ParaPages, EnterMovesBetweenOffsetsAndEscClosesStepByStep)
{
    Show("Format");
    const std::pair<int, int> moves[] = {{6, 7}, {7, 6}, {20, 21}, {21, 20}};
    for (auto [from, to] : moves) {
        Type(from, "1.5");
        Edit1KeyEnter();
        EXPECT_EQ(ParaItems.Clicked, to);
        EXPECT_TRUE(Para.Edit1.Visible);
        EXPECT_TRUE(Para.Edit1.SelectAll);
        EXPECT_EQ(Para.Edit1.Text, Caption(to));
        EXPECT_EQ(Para.Focus, ParaWindow::FocusOn::Edit1);
    }
    EXPECT_DOUBLE_EQ(GerberFormat.OffsetX, 1.5);
    EXPECT_DOUBLE_EQ(DrillFormat.OffsetY, 1.5);

    // Esc: the balloon first, then the edit box, then the window.
    ClickItem(6);
    ClickItem(11);
    EXPECT_FALSE(Para.Edit1.Visible);   // a click elsewhere closes it
    ASSERT_TRUE(Para.Image2.Visible);
    FormKeyEscape();
    EXPECT_FALSE(Para.Image2.Visible);
    EXPECT_FALSE(Para.CloseRequested);
    ClickItem(7);
    FormKeyEscape();
    EXPECT_FALSE(Para.Edit1.Visible);
    EXPECT_FALSE(Para.CloseRequested);
    FormKeyEscape();
    EXPECT_TRUE(Para.CloseRequested);
    EXPECT_TRUE(ParaRequest.Cancelled);

    Show("Format");
    ButtonClick(ParaButton::sw1);
    EXPECT_FALSE(ParaRequest.Cancelled);
    EXPECT_TRUE(Para.CloseRequested);
}

TEST_F(ParaPages, BalloonClosesWhenLeftAfterHoveringOnly)
{
    Show("Format274D");
    ClickItem(13);
    ASSERT_TRUE(Para.Image2.Visible);
    const Rect b = Para.Image2.Bounds;
    // Over the page beside it, before any choice was hovered: it stays.
    Image1MouseMove(b.right + 5, b.bottom + 5);
    EXPECT_TRUE(Para.Image2.Visible);
    // Between the tip and the first choice: nothing chosen, it stays.
    Image2MouseUp(2, 2);
    EXPECT_TRUE(Para.Image2.Visible);
    EXPECT_EQ(Caption(13), "mm");
    const Point p = Middle(ChoiceBalloon.Rects[1]);
    Image2MouseMove(p.x, p.y);
    EXPECT_EQ(ChoiceBalloon.Hot, 1);
    Image1MouseMove(b.right + 5, b.bottom + 5);
    EXPECT_FALSE(Para.Image2.Visible);
    EXPECT_EQ(GerberFormat.Units, 0);
}

class ParameterPage : public ParaPages {
protected:
    void SetUp() override
    {
        ParaPages::SetUp();
        home = fs::temp_directory_path() / ("tessel2-para-" + std::to_string(std::random_device{}()));
        fs::create_directories(home);
        core::ApertureFilePath = (home / "APERTURE.pra").string();
        core::GerberFormatFilePath = (home / "GERBERFRM.pra").string();
        core::DrillFormatFilePath = (home / "DRILLFRM.pra").string();
        core::StepMarks.fill(0);
        core::ResetApertureTable();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(home, ec);
        core::ApertureFilePath.clear();
        core::GerberFormatFilePath.clear();
        core::DrillFormatFilePath.clear();
        ParaPages::TearDown();
    }
    void ClickTab(int tab)
    {
        const Point p = Middle(ParaTabs.Rects.at(static_cast<std::size_t>(tab)));
        Image1MouseUp(p.x, p.y);
    }
    void ClickSaveCheck()
    {
        const Point p = Middle(SaveCheck.Rects.at(0));
        Image1MouseUp(p.x, p.y);
    }
    fs::path home;
};

TEST_F(ParameterPage, TabsShowTheFormatBlocks)
{
    Show("Parameter");
    EXPECT_EQ(Para.Caption, ParameterCaption);
    EXPECT_FALSE(Para.CentreOnScreen);
    ASSERT_EQ(ParaTabs.Count, 4);
    EXPECT_EQ(ParaTabs.Captions, (std::vector<std::string>{"ファイル", "基板サイズ", "ガーバーデータ", "ドリルデータ"}));
    EXPECT_EQ(ParaTabs.Icons, (std::vector<std::int32_t>{6, 7, 2, 3}));
    EXPECT_EQ(ParaTabs.Current, 0);
    EXPECT_EQ(ParaTabs.Page, (Rect{10, 5, 630, 435}));
    EXPECT_EQ(Button(ParaButton::sw2).Bounds.top, 440);
    EXPECT_TRUE(Button(ParaButton::sw2).Visible);
    EXPECT_EQ(SaveCheck.Captions.at(0), SaveDefaultsText);
    EXPECT_EQ(SaveCheck.LeftIcons.at(0), IconUnticked);
    EXPECT_EQ(SaveCheck.Rects.at(0).right, Button(ParaButton::sw2).Bounds.left - 40);

    const struct {
        int tab;
        const char* name;
        const char* key;
        const char* zero;
    } tabs[] = {{2, "RS-274D", "GBFormat", "Omit Leading"}, {3, "NCドリル", "NCFormat", "Trailing Zero"}};
    for (const auto& t : tabs) {
        ClickTab(t.tab);
        EXPECT_EQ(ParaTabs.Current, t.tab);
        ASSERT_EQ(ParaItems.Count, t.tab == 2 ? int{ApertureItemCount} : int{ToolItemCount});
        EXPECT_EQ(Caption(1), t.name);
        EXPECT_EQ(Caption(9), t.zero);
        EXPECT_EQ(RectOf(7), Rect{});
        ClickItem(1);
        EXPECT_EQ(ChoiceBalloon.Key, t.key);
        ASSERT_TRUE(Choose(t.tab == 2 ? "RS-274X" : "ガーバー"));
    }
    EXPECT_EQ(GerberFormat.FormatName, "RS-274X");
    EXPECT_EQ(DrillFormat.FormatName, "ガーバー");
    Type(5, "0,25");
    EXPECT_DOUBLE_EQ(DrillFormat.OffsetX, 0.25);
    Edit1KeyEnter();
    EXPECT_EQ(ParaItems.Clicked, 6);

    // Only tick items light up under the pointer.
    const Point cell = Middle(RectOf(9)), tick = Middle(SaveCheck.Rects.at(0));
    Image1MouseMove(cell.x, cell.y);
    EXPECT_EQ(ParaItems.Hot, -1);
    Image1MouseMove(tick.x, tick.y);
    EXPECT_EQ(SaveCheck.Hot, 0);
    // Back to the board page.
    ClickTab(1);
    EXPECT_EQ(ParaItems.Count, 17);
}

TEST_F(ParameterPage, CloseSavesTheDefaultsOnlyWhenTicked)
{
    // A job read from RS-274X: a macro aperture and a number format of
    // other digits than the choices offer.
    core::Apertures[11] = core::MyAperture{1, core::apMacro, 0, 0, 0, "THERM", 1, 3, "0.5"};
    GerberFormat.FormatName = "RS-274X";
    GerberFormat.NumberFormat = "0000.000000";
    // A text that is no number format: the digits in use are written.
    DrillFormat.NumberFormat = "2:4";
    DrillFormat.IntDigits = 2;
    DrillFormat.DecDigits = 4;
    Show("Parameter");
    ButtonClick(ParaButton::sw2);
    EXPECT_EQ(core::StepMarks[0], 1);
    EXPECT_FALSE(ParaRequest.Cancelled);
    EXPECT_TRUE(Para.CloseRequested);
    EXPECT_FALSE(fs::exists(home / "APERTURE.pra"));
    EXPECT_FALSE(fs::exists(home / "GERBERFRM.pra"));

    Show("Parameter");
    ClickSaveCheck();
    EXPECT_EQ(SaveCheck.LeftIcons.at(0), IconTicked);
    ButtonClick(ParaButton::sw2);
    EXPECT_TRUE(Para.Warning.empty());
    const std::string apertures = platform::ReadFileBytes(home / "APERTURE.pra");
    EXPECT_NE(apertures.find("D10,0,0.08,"), std::string::npos);
    EXPECT_EQ(apertures.find("D11,"), std::string::npos);   // the macro slot is left undefined
    core::MyFormatPara read;
    ASSERT_TRUE(core::ReadFormatFile(core::GerberFormatFilePath, "Gerber", read));
    EXPECT_EQ(read.FormatName, "RS-274X");
    EXPECT_EQ(read.NumberFormat, "0000.000000");
    EXPECT_EQ(read.IntDigits, 4);
    EXPECT_EQ(read.DecDigits, 6);
    ASSERT_TRUE(core::ReadFormatFile(core::DrillFormatFilePath, "Drill", read));
    EXPECT_EQ(read.NumberFormat, "00.0000");
    EXPECT_EQ(read.IntDigits, 2);

    // A folder that cannot be written: the window says so and still closes.
    core::ApertureFilePath = (home / "missing" / "APERTURE.pra").string();
    Show("Parameter");
    ClickSaveCheck();
    ButtonClick(ParaButton::sw2);
    EXPECT_FALSE(Para.Warning.empty());
    EXPECT_TRUE(Para.CloseRequested);
}

} // namespace

namespace {

// A page with a scrolling table, as the file, aperture and tool pages have:
// 30 entries in 12 visible rows, the second column edited in place.
class TablePage final : public ParaPage {
public:
    std::vector<std::string> stored = std::vector<std::string>(31);
    void Build() override
    {
        ParaList.clear();
        for (int n = 1; n <= 30; ++n) ParaList.push_back(n);
        InitGridBox(ParaTable, 2, 12);
        LayoutGridCells(ParaTable, {80, 0}, 300, 18);
        Para.Image3.Bounds = {30, 110, 330, 110 + 12 * 18};
        Para.ScrollBar1 = {true, {313, 110, 330, 326}, 0, 30 - 12, 0};
        FillRows();
    }
    void FillRows() override
    {
        for (int r = 0; r < 12; ++r) {
            const int n = ParaList[static_cast<std::size_t>(Para.ScrollBar1.Position + r)];
            ParaTable.RowData[static_cast<std::size_t>(r)] = n;
            ParaTable.CellTexts[0][static_cast<std::size_t>(r)] = "R" + std::to_string(n);
            ParaTable.CellTexts[1][static_cast<std::size_t>(r)] = stored[static_cast<std::size_t>(n)];
        }
        DrawParaTable();
    }
    void TableClick(int x, int y) override
    {
        const GridCell cell = HitCell(ParaTable, x, y, 1, 1);
        if (cell.col >= 0) OpenEdit2(cell.col, cell.row);
    }
    void Edit2Changed(const std::string& text) override
    {
        stored[static_cast<std::size_t>(ParaTable.RowData[static_cast<std::size_t>(ParaTable.SelRow)])] = text;
    }
    void Edit2Enter() override
    {
        const RowStep step = NextEditRow(ParaTable.SelRow, 12, Para.ScrollBar1.Position, 30, true);
        HideEdits();
        if (step.kind == RowStep::Scroll) ScrollBar1Change(Para.ScrollBar1.Position + 1);
        if (step.kind != RowStep::Close) OpenEdit2(1, step.row);
    }
};

TEST(ParaTables, EditScrollAndEnterThroughTheRows)
{
    TablePage page;
    ParaPage* const files = std::exchange(ParameterPages()[0], &page);
    Para = ParaWindow{};
    Show("Parameter");
    ASSERT_TRUE(Para.Image3.Visible);
    EXPECT_EQ(Para.Image3.Picture.Width(), 300);

    Image3MouseUp(100, 18 * 3 + 5);
    ASSERT_TRUE(Para.Edit2.Visible);
    EXPECT_EQ(Para.Edit2.Bounds, (Rect{30 + 82, 110 + 54 + 2, 30 + 298, 110 + 72 - 2}));
    EXPECT_EQ(Para.Edit2.Color, platform::RGB(236, 233, 216));   // an odd row's band
    Edit2Change("top,\"silk\"");
    EXPECT_EQ(page.stored[4], "topsilk");

    // Enter walks down; at the last visible row the table scrolls under it.
    for (int k = 0; k < 8; ++k) Edit2KeyEnter();
    EXPECT_EQ(ParaTable.SelRow, 11);
    EXPECT_EQ(Para.ScrollBar1.Position, 0);
    Edit2KeyEnter();
    EXPECT_EQ(ParaTable.SelRow, 11);
    EXPECT_EQ(Para.ScrollBar1.Position, 1);
    EXPECT_EQ(ParaTable.CellTexts[0][11], "R13");
    EXPECT_TRUE(Para.Edit2.Visible);

    // The wheel scrolls by five and closes the edit box; typing then goes nowhere.
    FormMouseWheel(-1);
    EXPECT_EQ(Para.ScrollBar1.Position, 6);
    EXPECT_FALSE(Para.Edit2.Visible);
    Edit2Change("lost");
    EXPECT_EQ(std::count(page.stored.begin(), page.stored.end(), "lost"), 0);
    FormMouseWheel(-10);
    EXPECT_EQ(Para.ScrollBar1.Position, 18);
    EXPECT_EQ(ParaTable.CellTexts[0][11], "R30");
    // The last entry: Enter closes the edit box.
    Image3MouseUp(100, 18 * 11 + 5);
    Edit2KeyEnter();
    EXPECT_FALSE(Para.Edit2.Visible);
    FormMouseWheel(3);
    EXPECT_EQ(Para.ScrollBar1.Position, 3);
    ParameterPages()[0] = files;
}

} // namespace
