#include "GerberTestSupport.h"

#include "core/Geometry.h"
#include "core/GerberParameters.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <cmath>

namespace {

using gerbertest::GerberFixture;
namespace fs = std::filesystem;

TEST_F(GerberFixture, FormatUnitsPolarityOffsetsAndStepRepeat)
{
    core::ReadGerberParameter("%FSLAX36Y36*%", true);
    EXPECT_EQ(core::GerberFormat.FormatName, "RS-274X");
    EXPECT_EQ(core::GerberFormat.Zero, 0);
    EXPECT_EQ(core::GerberFormat.AbsInc, 0);
    EXPECT_EQ(core::GerberFormat.IntDigits, 3);
    EXPECT_EQ(core::GerberFormat.DecDigits, 6);
    EXPECT_EQ(core::GerberFormat.NumberFormat, "000.000000");
    core::ReadGerberParameter("FSTIX24Y24*", true);
    EXPECT_EQ(core::GerberFormat.Zero, 1);
    EXPECT_EQ(core::GerberFormat.AbsInc, 1);
    EXPECT_EQ(core::GerberFormat.NumberFormat, "00.0000");
    // Without the zero letter the digits are still those after X.
    core::ReadGerberParameter("FSAX35Y35*", true);
    EXPECT_EQ(core::GerberFormat.Zero, 1);
    EXPECT_EQ(core::GerberFormat.AbsInc, 0);
    EXPECT_EQ(core::GerberFormat.NumberFormat, "000.00000");
    core::ReadGerberParameter("MOIN*", true);
    EXPECT_EQ(core::GerberFormat.Units, 1);
    core::ReadGerberParameter("OFA0.5B-1*", true);
    EXPECT_DOUBLE_EQ(core::GerberFormat.OffsetX, 12.7);
    EXPECT_DOUBLE_EQ(core::GerberFormat.OffsetY, -25.4);
    core::ReadGerberParameter("SRX2Y3I1J0.5*", true);
    EXPECT_EQ(core::GerberFormat.SrX, 2);
    EXPECT_EQ(core::GerberFormat.SrY, 3);
    EXPECT_DOUBLE_EQ(core::GerberFormat.SrI, 25.4);
    EXPECT_DOUBLE_EQ(core::GerberFormat.SrJ, 12.7);
    core::ReadGerberParameter("SR*", true);
    EXPECT_EQ(core::GerberFormat.SrX, 1);
    EXPECT_EQ(core::GerberFormat.SrY, 1);
    EXPECT_DOUBLE_EQ(core::GerberFormat.SrI, 0.0);
    core::ReadGerberParameter("LPC*", true);
    EXPECT_EQ(core::GerberFormat.LpClear, 1);
    core::ReadGerberParameter("LNTOP*", true);
    EXPECT_EQ(core::GerberFormat.LayerName, "TOP");
    core::ReadGerberParameter("MOMM*", true);
    EXPECT_EQ(core::GerberFormat.Units, 0);
}

TEST_F(GerberFixture, StandardApertures)
{
    struct Case {
        const char* inch;   // "" for mm
        const char* block;
        int code, shape;
        double s1, s2, s3;
    } cases[] = {
        {"", "ADD10C,0.1*", 10, core::apCircle, 0.1, 0, 0},
        {"IN", "ADD10C,0.1*", 10, core::apCircle, 2.54, 0, 0},
        {"", "ADD11R,0.5X0.5*", 11, core::apSquare, 0.5, 0.5, 0},
        {"", "ADD12R,0.5X0.6*", 12, core::apRectangle, 0.5, 0.6, 0},
        {"", "ADD13P,1.0X6X30*", 13, core::apPolygon, 1.0, 6, 30},
        {"IN", "ADD13P,1.0X6X30*", 13, core::apPolygon, 25.4, 6, 30},
        {"", "ADD14O,1.2X0.6*", 14, core::apOval, 1.2, 0.6, 0},
        {"IN", "ADD15C,0.00001*", 15, core::apCircle, 0.0003, 0, 0},
    };
    for (const Case& c : cases) {
        core::ResetTables();
        core::ReadGerberParameter(std::string("MO") + (*c.inch ? "IN" : "MM") + "*", true);
        core::ReadGerberParameter(c.block, true);
        const core::MyAperture& a = core::Apertures[static_cast<std::size_t>(c.code)];
        EXPECT_EQ(a.Shape, c.shape) << c.block;
        EXPECT_NEAR(a.Size1, c.s1, 1e-9) << c.block;
        EXPECT_NEAR(a.Size2, c.s2, 1e-9) << c.block;
        EXPECT_NEAR(a.Size3, c.s3, 1e-9) << c.block;
    }
}

TEST_F(GerberFixture, ValuesThatAreNoNumbersReadZeroAndAreReported)
{
    const std::string warning = "警告：数値として読めないアパーチャーの値を 0 として読み込みました。 (";
    struct Case {
        const char* data;   // after the format and a flash of the last D-code
        int code;
        std::vector<std::string> lines;
    } cases[] = {
        {"%ADD10C,abc*%", 10, {"D10 C の 1 番目の値 'abc'"}},
        {"%ADD10C,1e400*%", 10, {"D10 C の 1 番目の値 '1e400'"}},
        {"%ADD011R,0.5Xnan*%", 11, {"D11 R の 2 番目の値 'nan'"}},
        {"%MOIN*%%ADD12O,infX0.1*%", 12, {"D12 O の 1 番目の値 'inf'"}},
        {"%AMBAD*1,1,abc,0,0*%%ADD20BAD*%", 20, {"D20 BAD のプリミティブ 1 の 3 番目の値 'abc'"}},
        {"%AMBAD*0 a comment, with commas*1,1,0.5,0,0*21,1,1,nan,0,0,0*%%ADD20BAD*%", 20,
         {"D20 BAD のプリミティブ 3 の 4 番目の値 'nan'"}},
        {"%MOIN*%%AMBAD*1,1,0.1,abc,0*%%ADD23BAD*%", 23, {"D23 BAD のプリミティブ 1 の 4 番目の値 'abc'"}},
        // A parameter is named once, wherever the macro uses it.
        {"%AMCIRC*1,1,$1,$1,0*%%ADD21CIRC,nan*%", 21, {"D21 CIRC のパラメータ $1 'nan'"}},
        {"%AMCIRC*1,1,$1x2,0,0*%%ADD22CIRC,0.5X1e400*%", 22, {"D22 CIRC のパラメータ $2 '1e400'"}},
        {"%AMV*$2=$1xzz*1,1,$2,0,0*%%ADD24V,0.5*%", 24, {"D24 V の変数 $2 '$1xzz'"}},
        // Nor does a polygon that is not drawn for its vertex count vanish without a word.
        {"%ADD13P,1X20*%", 13, {"!頂点数が 3 から 12 でない多角形は描画されません。 (D13 P の 2 番目の値 '20'"}},
        {"%ADD13P,1*%", 13, {"!頂点数が 3 から 12 でない多角形は描画されません。 (D13 P の 2 番目の値 ''"}},
        {"%ADD13P,1Xabc*%", 13, {"D13 P の 2 番目の値 'abc'"}},
        {"%AMPG*5,1,$1,0,0,1,0*%%ADD14PG,13*%", 14,
         {"!頂点数が 3 から 12 でない多角形は描画されません。 (D14 PG のプリミティブ 1 の 3 番目の値 '13'"}},
        // What reads says nothing: expressions, comments, empty values.
        {"%AMOC8*0 octagon, 8 sides*5,1,8,0,0,1.08239X$1,22.5*%%ADD22OC8,0.06*%", 22, {}},
        {"%MOIN*%%AMT*$3=$1/2*1,1,$3,0,0*7,0,0,$1,$2,0.01,45*%%ADD25T,0.1X0.08*%", 25, {}},
        {"%ADD10C,*%%ADD11R,1X*%", 11, {}},
    };
    for (const Case& c : cases) {
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        const std::string file = std::string("%FSLAX24Y24*%") + c.data + "D" + std::to_string(c.code) + "*X0Y0D03*";
        Read(file);
        std::vector<std::string> expected;
        for (const std::string& l : c.lines)
            expected.push_back(l[0] == '!' ? "警告：" + l.substr(1) + ")" : warning + l + ")");
        EXPECT_EQ(core::ReportLines, expected) << c.data;
        EXPECT_EQ(core::ReportCount, static_cast<std::int32_t>(expected.size())) << c.data;
    }
}

TEST_F(GerberFixture, DCodesOutsideTheTableAreReportedNotStored)
{
    core::ReadGerberParameter("ADD1000C,0.3*", true);
    EXPECT_EQ(core::Apertures[1000].Shape, core::apCircle);
    ASSERT_EQ(core::ReportCount, 1);
    EXPECT_EQ(core::ReportLines[0], "警告：RS-274X 規定外Dコードが検出されました。 (D1000) ");
    for (const char* b : {"ADD5C,0.3*", "ADD2000C,0.3*", "ADD99999999999999999999C,0.3*", "ADDC,0.3*"})
        core::ReadGerberParameter(b, true);
    EXPECT_EQ(core::ReportCount, 5);
    EXPECT_EQ(core::ReportLines[2], "警告：RS-274X 規定外Dコードが検出されました。 (D2000) ");
    EXPECT_EQ(core::Apertures[5].Shape, core::apNone);
}

TEST_F(GerberFixture, RedefinitionOfUsedCodes)
{
    core::ReadGerberParameter("ADD10C,0.5*", true);
    core::ReadGerberParameter("ADD15C,0.8*", true);
    core::Apertures[10].Used = 1;
    core::Apertures[15].Used = 1;
    // Different size: to the first undefined code.
    core::ReadGerberParameter("ADD10C,0.9*", true);
    EXPECT_EQ(core::ApertureMap[10], 11);
    EXPECT_NEAR(core::Apertures[11].Size1, 0.9, 1e-12);
    EXPECT_NEAR(core::Apertures[10].Size1, 0.5, 1e-12);
    EXPECT_EQ(core::ReportLines.back(), "異なる設定のアパーチャー定義を検出しましたので、別のDコードに登録しました。 (D10 --> D11)");
    // Same as D15: D15 is used, and keeps its mark for the layers that use it.
    core::ApertureMap.fill(0);
    core::ResetApertureReservations();
    core::ReadGerberParameter("ADD10C,0.8*", true);
    EXPECT_EQ(core::ApertureMap[10], 15);
    EXPECT_EQ(core::Apertures[15].Used, 1);
    EXPECT_EQ(core::ReportLines.back(), "同じ設定のアパーチャー定義を検出しましたので、定義済のDコードを使用します。 (D10 --> D15)");
    // Without the check, a redefinition replaces.
    core::ApertureCheck = 0;
    core::ReadGerberParameter("ADD10C,1.5*", true);
    EXPECT_NEAR(core::Apertures[10].Size1, 1.5, 1e-12);
}

TEST_F(GerberFixture, RenumberingTargetsAreReservedForTheFile)
{
    core::ReadGerberParameter("ADD10C,0.5*", true);
    core::Apertures[10].Used = 1;
    ASSERT_TRUE(Read("%FSLAX24Y24*%%MOMM*%%ADD10C,0.9*%%ADD11R,2X1*%D10*X0Y0D03*D11*X0Y0D03*"));
    // D10 of this file went to D11; its own D11 must not overwrite that.
    EXPECT_EQ(core::ApertureMap[10], 11);
    EXPECT_EQ(core::ApertureMap[11], 12);
    EXPECT_EQ(core::Apertures[11].Shape, core::apCircle);
    EXPECT_NEAR(core::Apertures[11].Size1, 0.9, 1e-12);
    EXPECT_EQ(core::Apertures[12].Shape, core::apRectangle);
    EXPECT_EQ(core::Datas[0].Code, 11);
    EXPECT_EQ(core::Datas[1].Code, 12);
}

TEST_F(GerberFixture, MacroAperturesCompareNameAndParameters)
{
    const std::string macro = "%FSLAX24Y24*%%MOMM*%%AMOC8*5,1,8,0,0,1.08239X$1,22.5*%";
    ASSERT_TRUE(Read(macro + "%ADD10OC8,1.0*%D10*X0Y0D03*", 1));
    ASSERT_TRUE(Read(macro + "%ADD10OC8,2.0*%D10*X0Y0D03*", 2));
    // The second layer's pad went elsewhere; the first keeps its 1.0 mm octagon.
    EXPECT_EQ(core::ApertureMap[10], 11);
    EXPECT_EQ(core::Apertures[10].MacroParams, "1.0");
    EXPECT_EQ(core::Apertures[11].MacroParams, "2.0");
    core::ParseMacroParams();
    core::MyBox b10, b11;
    core::ApertureBox(10, b10, 0, 0);
    core::ApertureBox(11, b11, 0, 0);
    EXPECT_NEAR(b10[1] - b10[0], 1.08239 * std::cos(22.5 * 3.14159265358979 / 180) * 1.0, 1e-3);
    EXPECT_NEAR(b11[1] - b11[0], 2 * (b10[1] - b10[0]), 1e-3);
    // The same parameters in a third layer share the first definition.
    ASSERT_TRUE(Read(macro + "%ADD10OC8,1.0*%D10*X0Y0D03*", 3));
    EXPECT_EQ(core::ApertureMap[10], 0);
}

TEST_F(GerberFixture, MacroTextsAndArithmetic)
{
    struct Case {
        const char* units;
        const char* am;
        const char* ad;
        std::vector<std::string> texts;
    } cases[] = {
        // Plain $k substitution keeps the parameter's text; expressions are evaluated.
        {"MM", "AMOC8*5,1,8,0,0,1.08239X$1,22.5*", "ADD22OC8,0.06*", {"5,1,8,0,0,0.0649434,22.5"}},
        {"MM", "AMCI*1,1,$1,0,0*", "ADD22CI,.5*", {"1,1,.5,0,0"}},
        // Variables, precedence, parentheses, unary minus, comments.
        {"MM", "AMV*0 a comment, with a comma*$4=$1x0.5*$5=-$2+1*1,1,$4,$5,(1+2)x2-1/4*", "ADD22V,2X3*",
         {"0 a comment, with a comma", "1,1,1,-2,5.75"}},
        {"MM", "AMBUG*1,1,2,0,0*1,0,1.8+1X0+0.1,0,0*", "ADD22BUG*", {"1,1,2,0,0", "1,0,1.9,0,0"}},
        // Inch: lengths to mm after evaluation, counts and angles untouched.
        {"IN", "AMOC8*5,1,8,0,0,1.08239X$1,22.5*", "ADD22OC8,0.1*", {"5,1,8,0,0,2.7492706,22.5"}},
        {"IN", "AMRR*21,1,$1,$2,0,0,$3*", "ADD22RR,0.1X0.2X45*", {"21,1,2.54,5.08,0,0,45"}},
        {"IN", "AMT*7,0,0,1.0,0.5,0.1,45*", "ADD22T*", {"7,0,0,25.4,12.7,2.54,45"}},
    };
    for (const Case& c : cases) {
        core::ResetTables();
        core::ReadGerberParameter(std::string("MO") + c.units + "*", true);
        core::ReadGerberParameter(c.am, true);
        core::ReadGerberParameter(c.ad, true);
        const core::MyAperture& a = core::Apertures[22];
        ASSERT_EQ(a.Shape, core::apMacro) << c.am;
        ASSERT_EQ(a.LastPrimitive - a.FirstPrimitive + 1, static_cast<int>(c.texts.size())) << c.am;
        for (std::size_t k = 0; k < c.texts.size(); ++k) {
            const core::MyMacro& m = core::Macros[static_cast<std::size_t>(a.FirstPrimitive) + k];
            EXPECT_EQ(m.DCode, 22);
            // Compare numerically: the text may hold more digits.
            core::MyMacro expected;
            expected.Text = c.texts[k];
            core::ParseMacroPrimitive(expected);
            ASSERT_EQ(m.ValueCount, expected.ValueCount) << m.Text;
            for (int v = 0; v < m.ValueCount; ++v) EXPECT_NEAR(m.V(v), expected.V(v), 1e-6) << m.Text;
            if (expected.ValueCount == 0) {
                EXPECT_EQ(m.Text, c.texts[k]);
            }
        }
    }
}

TEST_F(GerberFixture, PrimitivesOfARedefinedCodeAreReplaced)
{
    core::ReadGerberParameter("AMA*1,1,1,0,0*1,1,2,0,0*", true);
    core::ReadGerberParameter("AMB*1,1,3,0,0*", true);
    core::ReadGerberParameter("ADD10A*", true);
    core::ReadGerberParameter("ADD11B*", true);
    ASSERT_EQ(core::MacroCount, 3);
    core::ReadGerberParameter("ADD10B*", true);
    ASSERT_EQ(core::MacroCount, 2);
    EXPECT_EQ(core::Apertures[11].FirstPrimitive, 1);
    EXPECT_EQ(core::Apertures[10].FirstPrimitive, 2);
    EXPECT_EQ(core::Macros[2].DCode, 10);
    core::ReadGerberParameter("ADD10C,1*", true);
    EXPECT_EQ(core::MacroCount, 1);
}

TEST_F(GerberFixture, MacroFilesStayInTheWorkFolder)
{
    for (const std::string& name : std::vector<std::string>{"../escape", "a/b\\c", "..", "x:y", std::string(300, 'L')}) {
        const fs::path p = core::MacroFilePath(name);
        EXPECT_EQ(p.parent_path(), fs::path(core::DataFolder)) << name;
        EXPECT_LT(p.filename().string().size(), 200u);
        core::ReadGerberParameter("AM" + name + "*1,1,$1,0,0*", true);
        EXPECT_TRUE(fs::exists(p)) << name;
        core::ReadGerberParameter("ADD20" + name + ",0.5*", true);
        EXPECT_EQ(core::Apertures[20].FirstPrimitive, core::MacroCount) << name;
    }
    EXPECT_NE(core::MacroFileStem("ab"), core::MacroFileStem("a/b"));
    EXPECT_FALSE(fs::exists(fs::path(core::DataFolder).parent_path() / "escape.mac"));
    // Names that differ by letter case stay apart.
    EXPECT_NE(core::MacroFilePath("Oc8"), core::MacroFilePath("OC8"));
}

TEST_F(GerberFixture, MacroFileThatCannotBeWrittenFailsTheRead)
{
    ASSERT_TRUE(Read("%FSLAX24Y24*%\n%MOMM*%\n%ADD10C,0.5*%\nD10*\nX0Y0D03*\n"));
    const auto count = core::DataCount;
    // A folder stands where the macro's file goes.
    fs::create_directories(core::MacroFilePath("BLOCKED"));
    try {
        Read("%FSLAX24Y24*%\n%MOMM*%\n%AMBLOCKED*1,1,$1,0,0*%\n%ADD11BLOCKED,0.5*%\nD11*\nX0Y0D03*\n", 2);
        ADD_FAILURE() << "the read did not fail";
    } catch (const platform::Error& e) {
        EXPECT_NE(std::string(e.what()).find("BLOCKED.mac"), std::string::npos) << e.what();
    }
    EXPECT_EQ(core::DataCount, count);
    EXPECT_EQ(core::Apertures[11].Shape, core::apNone);
}

TEST_F(GerberFixture, MacroFilesWithCrLfRead)
{
    platform::WriteFileBytes(core::MacroFilePath("WIN"), "%AMWIN*1,1,$1,0,0*%\r\n");
    core::ReadGerberParameter("ADD30WIN,0.7*", true);
    const core::MyAperture& a = core::Apertures[30];
    ASSERT_EQ(a.FirstPrimitive, 1);
    EXPECT_EQ(core::Macros[1].Text, "1,1,0.7,0,0");
    // A missing file leaves the aperture without primitives.
    core::ReadGerberParameter("ADD31NONE,0.7*", true);
    EXPECT_EQ(core::Apertures[31].FirstPrimitive, 0);
    EXPECT_EQ(core::Apertures[31].Shape, core::apMacro);
}

TEST(MacroExpressions, Evaluate)
{
    const std::vector<double> vars = {0, 2, 3};
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"1+2x3", true, 7}, {"(1+2)x3", true, 9}, {"$1X$2", true, 6}, {"-$1", true, -2}, {"--1", true, 1},
        {"6/4", true, 1.5}, {"1-2-3", true, -4}, {"$9", true, 0}, {"1/0", false, 0}, {"1+", false, 0},
        {"(1", false, 0}, {"a", false, 0}, {"", false, 0}, {"1.5.5", false, 0},
    };
    for (const Case& c : cases) {
        double v = -99;
        EXPECT_EQ(core::EvaluateMacroExpression(c.text, vars, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
    std::string deep(100000, '(');
    double v = 0;
    EXPECT_FALSE(core::EvaluateMacroExpression(deep, vars, v));
}

TEST_F(GerberFixture, MacroToMillimetresConvertsLengthsOnly)
{
    core::GerberFormat.Units = 1;
    std::string b = "AMX*1,1,0.1,0.2,0.3,45*20,1,0.1,0,0,1,0,30*4,1,3,0,0,1,0,1,1,0,0,10*$3=$1x2*5,1,6,0,0,$1,$2*";
    core::MacroToMillimetres(b);
    EXPECT_EQ(b, "AMX*1,1,2.54,5.08,7.62,45*20,1,2.54,0,0,25.4,0,30*4,1,3,0,0,25.4,0,25.4,25.4,0,0,10*$3=$1x2*"
                 "5,1,6,0,0,($1)x25.4,$2*");
    core::GerberFormat.Units = 0;
    std::string mm = "AMX*1,1,0.1,0,0*";
    core::MacroToMillimetres(mm);
    EXPECT_EQ(mm, "AMX*1,1,0.1,0,0*");
}

} // namespace

namespace {

TEST_F(GerberFixture, AbsurdMacroValuesAreHarmless)
{
    // Codes and counts far outside any integer: no outline, no crash.
    ASSERT_TRUE(Read("%FSLAX24Y24*%%MOMM*%%AMH*99999999999999999999,1,1,0,0*5,1,1E300,0,0,1,0*"
                     "4,1,1E300,0,0,1,1,0,0,0*6,0,0,1,0.1,0.1,1E300,0.1,1,0*%%ADD10H*%D10*X0Y0D03*"));
    core::ParseMacroParams();
    core::MyBox box;
    core::ApertureBox(10, box, 0, 0);
    EXPECT_EQ(core::Datas[0].Kind, core::dkFlash);
}

} // namespace
