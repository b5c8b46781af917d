#include "platform/Error.h"
#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <random>
#include <string>

using namespace platform;

namespace {

struct FormatCase {
    double value;
    const char* text;
};

const FormatCase kFormatCases[] = {
    {0.00001, "1E-5"},
    {0.0001, "0.0001"},
    {0.00012345, "0.00012345"},
    {0.000012345, "1.2345E-5"},
    {1e15, "1E15"},
    {1.5e15, "1.5E15"},
    {999999999999999.0, "999999999999999"},
    {123456789012345678.0, "1.23456789012346E17"},
    {0.1 + 0.2, "0.3"},
    {1.0 / 3.0, "0.333333333333333"},
    {2.0 / 3.0, "0.666666666666667"},
    {-0.0, "0"},
    {0.0, "0"},
    {1.0, "1"},
    {-1.5, "-1.5"},
    {100.0, "100"},
    {25.4, "25.4"},
    {-2000.0, "-2000"},
    {1.2345000000000002, "1.2345"},
    {-1e-7, "-1E-7"},
    {1e300, "1E300"},
};

struct ParseCase {
    const char* text;
    bool ok;
    double value;
};

const ParseCase kParseCases[] = {
    {"", true, 0.0},
    {"   ", true, 0.0},
    {"0", true, 0.0},
    {"1.5", true, 1.5},
    {" -2.25 ", true, -2.25},
    {"+3", true, 3.0},
    {".5", true, 0.5},
    {"5.", true, 5.0},
    {"1E-5", true, 0.00001},
    {"1e3", true, 1000.0},
    {"-1.5E+2", true, -150.0},
    {"1e-400", true, 0.0},       // underflow reads 0
    {"1,5", false, 0},           // never the comma
    {".", false, 0},
    {"-", false, 0},
    {"1.2.3", false, 0},
    {"+-1", false, 0},
    {"--1", false, 0},
    {"inf", false, 0},
    {"-inf", false, 0},
    {"infinity", false, 0},
    {"nan", false, 0},
    {"NAN", false, 0},
    {"0x10", false, 0},
    {"0x1p3", false, 0},
    {"1 000", false, 0},
    {"1e400", false, 0},         // overflow has no value
    {"12abc", false, 0},
    {"E5", false, 0},
};

void CheckFormatting()
{
    for (const FormatCase& c : kFormatCases) EXPECT_EQ(FormatReal(c.value), c.text) << c.text;
}

void CheckParsing()
{
    for (const ParseCase& c : kParseCases) {
        double v = -99.0;
        EXPECT_EQ(TryParseReal(c.text, v), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << "'" << c.text << "'";
        }
    }
}

} // namespace

TEST(NumberText, FormatGoldenTable) { CheckFormatting(); }

TEST(NumberText, FormatRoundTripsThroughParse)
{
    for (const FormatCase& c : kFormatCases) {
        double v = 0;
        ASSERT_TRUE(TryParseReal(FormatReal(c.value), v)) << c.text;
        EXPECT_EQ(FormatReal(v), c.text);
    }
}

TEST(NumberText, FormatRefusesNonFinite)
{
    EXPECT_THROW(FormatReal(std::numeric_limits<double>::infinity()), Error);
    EXPECT_THROW(FormatReal(-std::numeric_limits<double>::infinity()), Error);
    EXPECT_THROW(FormatReal(std::nan("")), Error);
}

TEST(NumberText, FormatIntAndBool)
{
    EXPECT_EQ(FormatInt(0), "0");
    EXPECT_EQ(FormatInt(-42), "-42");
    EXPECT_EQ(FormatInt(1234567), "1234567");
    EXPECT_EQ(FormatBool(true), "-1");
    EXPECT_EQ(FormatBool(false), "0");
}

TEST(NumberText, ParseTable) { CheckParsing(); }

TEST(NumberText, ParseRealThrowsAndFallback)
{
    EXPECT_THROW(ParseReal("abc"), Error);
    EXPECT_THROW(ParseReal("1.2.3"), Error);
    EXPECT_DOUBLE_EQ(ParseReal(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseRealOr("x", 7.0), 7.0);
    EXPECT_DOUBLE_EQ(ParseRealOr("2.5", 7.0), 2.5);
}

TEST(NumberText, ParseIntTable)
{
    struct Case { const char* text; bool ok; long long value; };
    const Case cases[] = {
        {"", true, 0}, {"12", true, 12}, {"-7", true, -7}, {"+7", true, 7}, {" 3 ", true, 3},
        {"1.5", false, 0}, {"+-5", false, 0}, {"-+5", false, 0}, {"-", false, 0}, {"+", false, 0},
        {"0x10", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        long long v = -99;
        EXPECT_EQ(TryParseInt(c.text, v), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(v, c.value) << "'" << c.text << "'";
        }
    }
    EXPECT_THROW(ParseInt("x"), Error);
    EXPECT_EQ(ParseIntOr("x", 5), 5);
}

TEST(NumberText, PrefixParse)
{
    struct Case { const char* text; double value; std::size_t used; };
    const Case cases[] = {
        {"12abc", 12.0, 2},
        {"  -1.5mm", -1.5, 6},
        {"1.2.3", 1.2, 3},
        {"3e2x", 300.0, 3},
        {"3ex", 3.0, 1},       // an exponent without digits is not taken
        {"abc", 0.0, 0},
        {"", 0.0, 0},
        {".", 0.0, 0},
        {"inf", 0.0, 0},
        {"0x1A", 0.0, 1},
        {"1,5", 1.0, 1},
    };
    for (const Case& c : cases) {
        std::size_t used = 99;
        EXPECT_DOUBLE_EQ(ParseRealPrefix(c.text, &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
}

// The program runs with the user's locale set (the toolkit does that); a
// comma locale must change nothing.
TEST(NumberText, SameResultsUnderCommaLocale)
{
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!set) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    struct Restore {
        ~Restore() { std::setlocale(LC_ALL, "C"); }
    } restore;
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    CheckFormatting();
    CheckParsing();
    std::size_t used = 0;
    EXPECT_DOUBLE_EQ(ParseRealPrefix("2.5;", &used), 2.5);
    EXPECT_EQ(used, 3u);
}

// The shortest text is taken only where it equals the fifteen-digit rounding:
// random values of every magnitude against that rounding done the long way.
TEST(NumberText, ShortestFormIsTheFifteenDigitRounding)
{
    std::mt19937_64 rng(18);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 18);
    for (int i = 0; i < 200000; ++i) {
        double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        if (i % 3 == 0) v = std::round(v * 1000) / 1000;   // values as data files hold them
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
        double rounded = 0;
        std::from_chars(buf, res.ptr, rounded);
        std::string text;
        AppendReal(text, v);
        double back = 0;
        ASSERT_TRUE(TryParseReal(text, back)) << text;
        ASSERT_EQ(back, rounded) << text;
        ASSERT_EQ(text, FormatReal(rounded)) << text;
        // The exact form reads back as the value itself, and is the same
        // text wherever fifteen digits already do.
        std::string exact;
        AppendExactReal(exact, v);
        ASSERT_TRUE(TryParseReal(exact, back)) << exact;
        ASSERT_EQ(back, v) << exact;
        if (rounded == v) ASSERT_EQ(exact, text);
        else ASSERT_GT(exact.size(), text.size()) << exact;
    }
    std::string exact;
    AppendExactReal(exact, 0.1 + 0.2);
    EXPECT_EQ(exact, "0.30000000000000004");
    exact.clear();
    AppendExactReal(exact, 1.0 / 3 * 1e-7);
    EXPECT_EQ(exact, "3.333333333333333E-8");
}
