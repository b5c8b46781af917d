// Typed field texts: what a settings file could not hold is taken out, with
// pasted and input-method text too; numbers read and show with "." whatever
// the locale.
#include "dialogs/FieldText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using namespace dialogs;

namespace {

TEST(FieldText, CleanedOfWhatSettingsFilesCannotHold)
{
    const struct {
        const char* typed;
        FieldKind kind;
        const char* kept;
    } cases[] = {
        {"top/bottom", FieldKind::Text, "topbottom"},
        {"a,b \"c\" #d", FieldKind::Text, "ab c d"},
        {"line\r\nnext\t", FieldKind::Text, "linenext"},
        {"部品面シルク①ﾃｽﾄ", FieldKind::Text, "部品面シルク①ﾃｽﾄ"},   // all of it Shift-JIS
        {"Ø 0.8 😀 ✓", FieldKind::Text, " 0.8  "},                  // none of these
        {"\xff\xfe" "abc\xe3\x81", FieldKind::Text, "abc"},           // broken UTF-8
        {"0,5", FieldKind::Number, "0.5"},
        {"－０．２５", FieldKind::Number, "-0.25"},                    // typed with the input method on
        {"ー１２，５", FieldKind::Number, "-12.5"},
        {"1.5mm/#", FieldKind::Number, "1.5mm"},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanFieldText(c.typed, c.kind), c.kept) << c.typed;
}

TEST(FieldText, NumbersReadAndShownWithAPointUnderAnyLocale)
{
    const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8");
    if (!comma) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    const struct {
        const char* typed;
        bool stored;
        double value;
    } cases[] = {
        {"-0.5", true, -0.5},    {"", true, 0.0},       {"0.", true, 0.0},        {"1.2.3", true, 1.2},
        {"12x", true, 12.0},     {"1e-400", true, 0.0}, {"30000.123456", true, 30000.123456},
        {"abc", false, 0},       {"-", false, 0},       {"nan", false, 0},        {"inf", false, 0},
        {"1e400", false, 0},     {"0,5", true, 0.0},    // a comma never gets here: cleaning makes it "."
    };
    for (const auto& c : cases) {
        double v = 42.0;
        EXPECT_EQ(ParseFieldNumber(c.typed, v), c.stored) << c.typed;
        EXPECT_EQ(v, c.stored ? c.value : 42.0) << c.typed;
    }
    EXPECT_EQ(NumberCaption(0.5), "0.5");
    EXPECT_EQ(NumberCaption(-30000.12346), "-30000.12346");
    EXPECT_EQ(NumberCaption(std::numeric_limits<double>::infinity()), "0");
    std::setlocale(LC_ALL, "C");
}

} // namespace
