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
#include <random>

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
        std::setlocale(LC_ALL, "C");
        std::error_code ec;
        fs::remove_all(home, ec);
        core::ApertureFilePath.clear();
        core::GerberFormatFilePath.clear();
        core::DrillFormatFilePath.clear();
    }
    const std::string& Caption(int item) { return ParaItems.Captions.at(static_cast<std::size_t>(item)); }
    const Rect& RectOf(int item) { return ParaItems.Rects.at(static_cast<std::size_t>(item)); }
    fs::path home;
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
        bool gerber, drill;
    } modes[] = {{"Format", true, true}, {"Format274D", true, false}, {"FormatNC", false, true}};
    const std::pair<int, std::string> gerberCaptions[] = {{0, " ガーバーデータ"}, {2, "GERBER"}, {4, "INC"}, {6, "-0.5"}, {7, "0"},
                                                          {9, ""}, {11, "000.000"}, {13, "inch"}},
                                      drillCaptions[] = {{16, "NCドリル"}, {18, "ABS"}, {23, "Leading Zero"}, {25, "000.0000"}, {27, "mm"}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        Show(m.mode);
        EXPECT_TRUE(ParaRequest.Cancelled);
        ASSERT_EQ(ParaItems.Count, 29);
        for (int i = 0; i < 28; ++i) {
            const bool shown = i < 14 ? m.gerber : m.drill;
            EXPECT_EQ(RectOf(i) != Rect{}, shown) << i;
            if (!shown) { EXPECT_EQ(Caption(i), "") << i; }
        }
        if (m.gerber) {
            for (const auto& [i, c] : gerberCaptions) EXPECT_EQ(Caption(i), c) << i;
        }
        if (m.drill) {
            for (const auto& [i, c] : drillCaptions) EXPECT_EQ(Caption(i), c) << i;
        }
        EXPECT_FALSE(Button(ParaButton::sw2).Visible);
    }
    // Another request builds nothing.
    Show("Other");
    EXPECT_EQ(ParaItems.Count, 0);
    EXPECT_TRUE(ParaRequest.Cancelled);
}

TEST_F(ParaPages, EveryBalloonChoiceSetsItsField)
{
    // Each record as "AbsInc Zero Units Int.Dec NumberFormat" after the choice.
    const auto Fields = [](const core::MyFormatPara& f) {
        return std::to_string(f.AbsInc) + " " + std::to_string(f.Zero) + " " + std::to_string(f.Units) + " " +
               std::to_string(f.IntDigits) + "." + std::to_string(f.DecDigits) + " " + f.NumberFormat;
    };
    const struct {
        int item;
        const char *key, *choice, *fields;
    } cases[] = {
        {4, "ABSINC", "INC", "1 0 0 3.3 000.000"},          {4, "ABSINC", "ABS", "0 0 0 3.3 000.000"},
        {9, "ZERO", "Omit Trailing", "0 1 0 3.3 000.000"},  {9, "ZERO", "Omit Leading", "0 0 0 3.3 000.000"},
        {11, "NUM-FORMAT", "000.00", "0 0 0 3.2 000.00"},   {11, "NUM-FORMAT", "000.00000", "0 0 0 3.5 000.00000"},
        {13, "UNIT", "inch", "0 0 1 3.5 000.00000"},        {13, "UNIT", "mm", "0 0 0 3.5 000.00000"},
        {18, "ABSINC", "INC", "1 0 0 3.2 000.00"},          {23, "ZERO", "Leading Zero", "1 1 0 3.2 000.00"},
        {23, "ZERO", "Trailing Zero", "1 0 0 3.2 000.00"},
        // The drill reader takes its digits from the text.
        {25, "NUM-FORMAT", "000.0000", "1 0 0 3.2 000.0000"}, {27, "UNIT", "inch", "1 0 1 3.2 000.0000"},
    };
    Show("Format");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.item) + " " + c.choice);
        // Only its own record changes.
        const std::string other = Fields(c.item < 14 ? DrillFormat : GerberFormat);
        ClickItem(c.item);
        ASSERT_TRUE(Para.Image2.Visible);
        EXPECT_EQ(ChoiceBalloon.Key, c.key);
        ASSERT_TRUE(Choose(c.choice));
        EXPECT_EQ(Fields(c.item < 14 ? GerberFormat : DrillFormat), c.fields);
        EXPECT_EQ(Fields(c.item < 14 ? DrillFormat : GerberFormat), other);
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
    ASSERT_TRUE(Para.Edit1.Visible && Para.Edit1.Text == "0.123456");
    EXPECT_EQ(GerberFormat.OffsetX, 0.123456);

    const struct {
        const char* typed;
        const char* shown;   // the edit box's text after cleaning
        double stored;
        const char* caption;
    } cases[] = {
        {"nan", "nan", 0.123456, "0.123456"},   // not a number: the offset as the edit found it
        {"1e400", "1e400", 0.123456, "0.123456"},
        {"-0,5", "-0.5", -0.5, "-0.5"},    {".", "0.", 0.0, "0"},   {"30000.123456", "30000.123456", 30000.12346, "30000.12346"},
        {"1e20", "1e20", 1e20, "1E20"},    {"1.2.3", "1.2.3", 1.2, "1.2"}, {"－０，２５", "-0.25", -0.25, "-0.25"},
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
        EXPECT_TRUE(Para.Edit1.Visible && Para.Edit1.SelectAll && Para.Edit1.Text == Caption(to)) << from;
    }
    EXPECT_DOUBLE_EQ(GerberFormat.OffsetX, 1.5);
    EXPECT_DOUBLE_EQ(DrillFormat.OffsetY, 1.5);

    // Esc: the balloon first, then the edit box, then the window.
    ClickItem(6);
    ClickItem(11);
    EXPECT_FALSE(Para.Edit1.Visible);   // a click elsewhere closes it
    ASSERT_TRUE(Para.Image2.Visible);
    FormKeyEscape();
    EXPECT_FALSE(Para.Image2.Visible || Para.CloseRequested);
    ClickItem(7);
    FormKeyEscape();
    EXPECT_FALSE(Para.Edit1.Visible || Para.CloseRequested);
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

// The "Parameter" mode: its tabs and the saving of the defaults.
class ParameterPage : public ParaPages {
protected:
    static void ClickOn(const Rect& r)
    {
        const Point p = Middle(r);
        Image1MouseUp(p.x, p.y);
    }
    static void ClickTab(int tab) { ClickOn(ParaTabs.Rects.at(static_cast<std::size_t>(tab))); }
    static void ClickSaveCheck() { ClickOn(SaveCheck.Rects.at(0)); }
};

TEST_F(ParameterPage, TabsShowTheFormatBlocks)
{
    Show("Parameter");
    ASSERT_EQ(ParaTabs.Count, 4);
    EXPECT_EQ(ParaTabs.Current, 0);
    EXPECT_EQ(SaveCheck.LeftIcons.at(0), IconUnticked);

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
    EXPECT_TRUE(!ParaRequest.Cancelled && Para.CloseRequested);
    EXPECT_FALSE(fs::exists(home / "APERTURE.pra") || fs::exists(home / "GERBERFRM.pra"));

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
    EXPECT_EQ(read.FormatName + " " + read.NumberFormat + " " + std::to_string(read.IntDigits) + std::to_string(read.DecDigits),
              "RS-274X 0000.000000 46");
    ASSERT_TRUE(core::ReadFormatFile(core::DrillFormatFilePath, "Drill", read));
    EXPECT_EQ(read.NumberFormat + " " + std::to_string(read.IntDigits), "00.0000 2");

    // A folder that cannot be written: the window says so and still closes.
    core::ApertureFilePath = (home / "missing" / "APERTURE.pra").string();
    Show("Parameter");
    ClickSaveCheck();
    ButtonClick(ParaButton::sw2);
    EXPECT_FALSE(Para.Warning.empty());
    EXPECT_TRUE(Para.CloseRequested);
}

} // namespace
