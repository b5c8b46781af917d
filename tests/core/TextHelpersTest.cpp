#include "core/TextHelpers.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace core;
namespace fs = std::filesystem;

using Fields = std::vector<std::string>;

TEST(SplitText, Table)
{
    struct Case { std::string text; char sep; Fields fields; };
    const Case cases[] = {
        {"", ',', {}},
        {",", ',', {"", ""}},
        {"a,b", ',', {"a", "b"}},
        {"a,,b", ',', {"a", "", "b"}},
        {"a,b,", ',', {"a", "b", ""}},
        {",a", ',', {"", "a"}},
        {"\"a\",b", ',', {"a", "b"}},
        {"\"x,y\"", ',', {"x", "y"}},          // quotes are dropped, not honoured
        {"a b", ' ', {"a", "b"}},
        {"a  b", ' ', {"a", "", "b"}},
        {"21,1,0.5,0.2", ',', {"21", "1", "0.5", "0.2"}},
    };
    for (const Case& c : cases) {
        MyTextArray out{"stale"};
        EXPECT_EQ(SplitText(c.text, c.sep, out), static_cast<int>(c.fields.size())) << c.text;
        EXPECT_EQ(out, c.fields) << c.text;
    }
}

TEST(SplitCollapse, Table)
{
    struct Case { std::string text; char sep; Fields fields; };
    const Case cases[] = {
        {"", ' ', {}},
        {"a,,b,", ',', {"a", "b"}},
        {" a  b ", ' ', {"", "a", "b"}},
        {"a b", ' ', {"a", "b"}},
        {"a", ' ', {"a"}},
        {"\"a\"  \"b c\"", ' ', {"a", "b", "c"}},
        {"a\" \"b", ' ', {"a", "b"}},          // a quote between separators is not a field
        {",,,", ',', {""}},
    };
    for (const Case& c : cases) {
        MyTextArray out{"stale"};
        EXPECT_EQ(SplitCollapse(c.text, c.sep, out), static_cast<int>(c.fields.size())) << c.text;
        EXPECT_EQ(out, c.fields) << c.text;
    }
}

TEST(StripQuotes, Table)
{
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"\"abc\"", "abc"}, {"\"abc", "abc"}, {"abc\"", "abc"}, {"\"", "\""}, {"\"\"", ""},
        {"", ""}, {"a", "a"}, {"\"a\"b\"", "a\"b"}, {"abc", "abc"},
    };
    for (const Case& c : cases) EXPECT_EQ(StripQuotes(c.in), c.out) << c.in;
}

TEST(ExtractBetween, Table)
{
    const std::string line = "FORMAT      = 000.000   # comment";
    struct Case { std::string text, start, end, result; };
    const Case cases[] = {
        {line, "", "=", "FORMAT"},
        {line, "=", "#", "000.000"},
        {"PATH1 = /home/a b ", "=", "#", "/home/a b"},   // no "#": everything after "="
        {"a#b=c", "=", "#", ""},                         // the end comes first
        {"no separator", "=", "#", ""},                  // start never found
        {"\tKEY\t=\t1\r", "", "=", "KEY"},               // control characters trimmed
        {"KEY = 1\r", "=", "#", "1"},
        {"TITLE = 基板 # x", "=", "#", "基板"},
        {"", "", "=", ""},
    };
    for (const Case& c : cases) {
        std::string out = "stale";
        ExtractBetween(c.text, c.start, c.end, out);
        EXPECT_EQ(out, c.result) << c.text << " / " << c.start << " / " << c.end;
    }
}

TEST(SplitTrailingNumber, Table)
{
    struct Case { std::string text, prefix; long long number; };
    const Case cases[] = {
        {"D10", "D", 10}, {"D123456789", "D1", 23456789}, {"ABC", "ABC", 0}, {"", "", 0},
        {"12", "", 12}, {"T01", "T", 1}, {"D10a", "D10a", 0}, {"99999999", "", 99999999},
    };
    for (const Case& c : cases) {
        std::string prefix = "stale";
        long long number = -1;
        SplitTrailingNumber(c.text, prefix, number);
        EXPECT_EQ(prefix, c.prefix) << c.text;
        EXPECT_EQ(number, c.number) << c.text;
    }
}

TEST(LeadingNumber, Table)
{
    struct Case { std::string text; double value; };
    const Case cases[] = {
        {"0.8", 0.8}, {"(0.8)", 0.8}, {"0.8mm", 0.8}, {"", 0}, {"abc", 0}, {"1.2.3", 0},
        {".", 0}, {"((1", 0}, {" 0.8", 0}, {"12", 12}, {"-1", 0}, {".5", 0.5},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << c.text;
}

TEST(RoundTo, Table)
{
    struct Case { int n; double x; const char* text; };
    const Case cases[] = {
        {4, 1.23445, "1.2345"},
        {0, -2.5, "-2"},
        {0, 2.5, "3"},
        {0, -0.5, "0"},
        {0, -0.51, "-1"},
        {-3, 2.5, "3"},              // below 1 decimal: whole numbers
        {1, -0.25, "-0.2"},          // halves go upwards for negatives too
        {1, 0.25, "0.3"},
        {1, 0.35, "0.4"},
        {2, 1.005, "1.01"},          // a decimal half just below in binary still goes up
        {2, -1.005, "-1"},
        {2, -0.006, "-0.01"},
        {3, 0.0004999, "0"},
        {5, 1.234565, "1.23457"},
        {7, 1.234565, "1.23457"},    // more than 5 decimals: as 5
        {9, 0.000004, "0"},
        // Values that passed a 32-bit integer before (|x| * 10^n above 2^31).
        {5, 21474.83648, "21474.83648"},
        {5, 25000.5, "25000.5"},
        {5, 30000.123456, "30000.12346"},
        {5, -30000.123456, "-30000.12346"},
        {4, 1000000.00005, "1000000.0001"},
        {2, -98765432.125, "-98765432.12"},
        {3, 1000000000.0005, "1000000000.001"},
        {0, 3e9 + 0.5, "3000000001"},
    };
    for (const Case& c : cases) EXPECT_EQ(RoundToText(c.n, c.x), c.text) << c.n << " " << c.x;

    // The very double of the decimal, as a settings file reads it back.
    for (auto [n, x, rounded] : {std::tuple{4, 1.23445, 1.2345}, {5, -30000.123456, -30000.12346}, {5, 100.5, 100.5},
                                 {5, 80.000004, 80.0}, {3, 0.1 + 0.2, 0.3}})
        EXPECT_EQ(RoundTo(n, x), rounded) << n << " " << x;
    // Too large to have decimals left: unchanged rather than off by one.
    EXPECT_EQ(RoundTo(5, 1e300), 1e300);
    EXPECT_EQ(RoundTo(0, 9007199254740993.0), 9007199254740993.0);
    EXPECT_EQ(RoundTo(5, -1e20), -1e20);
}

TEST(RoundTo, NonFiniteInputThrows)
{
    const double bad[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                          std::nan("")};
    for (double x : bad) {
        EXPECT_THROW(RoundTo(3, x), platform::Error);
        EXPECT_THROW(RoundToText(3, x), platform::Error);
    }
}

TEST(SplitBlock, Table)
{
    struct Case {
        std::string block;
        bool found;
        MyCode code;
    };
    auto C = [](std::string c, std::string d, std::string g, std::string i, std::string j, std::string m,
                std::string t, std::string x, std::string y) { return MyCode{c, d, g, i, j, m, t, x, y}; };
    const Case cases[] = {
        {"X-1200Y+300D01*", true, C("", "01", "", "", "", "", "", "-1200", "+300")},
        {"G54D10*", true, C("", "10", "54", "", "", "", "", "", "")},
        {"N10G01X5*", true, C("", "", "01", "", "", "", "", "5", "")},
        {"G1", true, C("", "", "01", "", "", "", "", "", "")},
        {"D2*", true, C("", "02", "", "", "", "", "", "", "")},
        {"X5", true, C("", "", "", "", "", "", "", "5", "")},      // value at the very end
        {"G01G03*", true, C("", "", "03", "", "", "", "", "", "")},
        {"X5Y", true, C("", "", "", "", "", "", "", "5", "")},     // a last letter is not stored
        {"G03X100Y200I-50J0D01*", true, C("", "01", "03", "-50", "0", "", "", "100", "200")},
        {"T1C0.8", true, C("0.8", "", "", "", "", "", "01", "", "")},
        {"M02*", true, C("", "", "", "", "", "02", "", "", "")},
        {"X1,2Y3*", true, C("", "", "", "", "", "", "", "1", "3")}, // "," ends the word, "2" is ignored
        {"X1/2*", true, C("", "", "", "", "", "", "", "1", "")},
        {"XY1*", true, C("", "", "", "", "", "", "", "", "1")},     // X ends empty
        {"x5y6*", false, C("", "", "", "", "", "", "", "", "")},    // lower case is no word
        {"X", false, C("", "", "", "", "", "", "", "", "")},        // shorter than 2
        {"*", false, C("", "", "", "", "", "", "", "", "")},
        {"", false, C("", "", "", "", "", "", "", "", "")},
        {"N123*", false, C("", "", "", "", "", "", "", "", "")},
    };
    for (const Case& c : cases) {
        MyCode code{"s", "s", "s", "s", "s", "s", "s", "s", "s"};
        EXPECT_EQ(SplitBlock(c.block, code), c.found) << c.block;
        EXPECT_EQ(code.C, c.code.C) << c.block;
        EXPECT_EQ(code.D, c.code.D) << c.block;
        EXPECT_EQ(code.G, c.code.G) << c.block;
        EXPECT_EQ(code.I, c.code.I) << c.block;
        EXPECT_EQ(code.J, c.code.J) << c.block;
        EXPECT_EQ(code.M, c.code.M) << c.block;
        EXPECT_EQ(code.T, c.code.T) << c.block;
        EXPECT_EQ(code.X, c.code.X) << c.block;
        EXPECT_EQ(code.Y, c.code.Y) << c.block;
    }
}

TEST(ParseCoordinate, Table)
{
    struct Case { const char* text; int zero, intDigits, decDigits, units; double mm; };
    const Case cases[] = {
        // leading zeros omitted (zero mode 0): the point sits before the last decimal digits
        {"1234", 0, 3, 3, 0, 1.234},
        {"12", 0, 3, 3, 0, 0.012},
        {"-50", 0, 3, 3, 0, -0.05},
        {"+300", 0, 3, 3, 0, 0.3},
        {"12345", 0, 2, 4, 0, 1.2345},
        {"-12345", 0, 2, 4, 0, -1.2345},
        {"1234567", 0, 2, 5, 0, 12.34567},
        {"1", 0, 2, 5, 0, 0.00001},
        {"123456", 0, 3, 3, 0, 123.456},
        {"12345678", 0, 4, 6, 0, 12.345678},
        {"1", 0, 4, 6, 0, 0.000001},
        {"0", 0, 2, 4, 0, 0},
        // trailing zeros omitted (zero mode 1): the point sits after the integer digits
        {"12", 1, 3, 3, 0, 120},
        {"123456", 1, 3, 3, 0, 123.456},
        {"12", 1, 2, 4, 0, 12},
        {"123", 1, 2, 4, 0, 12.3},
        {"-1", 1, 2, 4, 0, -10},
        {"+0125", 1, 2, 5, 0, 1.25},
        {"1234567", 1, 2, 5, 0, 12.34567},
        {"1", 1, 4, 6, 0, 1000},
        {"0012345678", 1, 4, 6, 0, 12.345678},
        {"0", 1, 3, 3, 0, 0},
        // explicit points win over the zero mode and the digit counts
        {"2.5", 0, 3, 3, 0, 2.5},
        {"2.5", 1, 3, 3, 0, 2.5},
        {"-.5", 0, 2, 4, 0, -0.5},
        {"10.", 1, 4, 6, 0, 10},
        // inch
        {"2.5", 0, 3, 3, 1, 63.5},
        {"2.5", 1, 4, 6, 1, 63.5},
        {"10000", 0, 2, 4, 1, 25.4},
        {"-1", 1, 2, 4, 1, -254},
        // nothing to read
        {"", 0, 3, 3, 0, 0},
        {"-", 0, 3, 3, 0, 0},
        {"-", 1, 3, 3, 1, 0},
        // units neither mm nor inch
        {"1234", 0, 3, 3, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ParseCoordinate(c.text, c.zero, c.intDigits, c.decDigits, c.units), c.mm, 1e-12)
            << c.text << " zero " << c.zero << " " << c.intDigits << "." << c.decDigits << " units " << c.units;
}

TEST(ParseCoordinate, TextThatIsNoNumberThrows)
{
    const char* bad[] = {".", "1.2.3", "-.", "1-2"};
    for (const char* t : bad) EXPECT_THROW(ParseCoordinate(t, 0, 3, 3, 0), platform::Error) << t;
    // Absurd digit counts from a settings file do not crash.
    EXPECT_NO_THROW(ParseCoordinate("12", 0, 3, 1000, 0));
    EXPECT_NO_THROW(ParseCoordinate("12", 1, -5, 3, 0));
}

TEST(FolderHelpers, ListsAndPathExists)
{
    const fs::path root = fs::temp_directory_path() / ("tessel2-folders-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "sub2");
    fs::create_directories(root / "sub1");
    fs::create_directories(root / ".hidden");
    std::ofstream(root / "b.txt") << "b";
    std::ofstream(root / "a.gbr") << "a";

    EXPECT_TRUE(PathExists(root.string()));
    EXPECT_TRUE(PathExists((root / "a.gbr").string()));
    EXPECT_FALSE(PathExists((root / "none").string()));
    EXPECT_FALSE(PathExists(""));

    MyStringArray names{"stale"};
    EXPECT_EQ(ListSubFolders(root.string(), names), 2);
    EXPECT_EQ(names, (MyStringArray{"sub1", "sub2"}));
    EXPECT_EQ(ListFiles(root.string(), names), 2);
    EXPECT_EQ(names, (MyStringArray{"a.gbr", "b.txt"}));
    EXPECT_EQ(ListFiles((root / "missing").string(), names), 0);
    EXPECT_TRUE(names.empty());
    fs::remove_all(root);
}

TEST(OffsetRect4, EachEdgeOnItsOwn)
{
    MyRect r = OffsetRect4(MyRect{10, 20, 30, 40}, 1, -2, 3, -4);
    EXPECT_EQ(r.Left, 11);
    EXPECT_EQ(r.Top, 18);
    EXPECT_EQ(r.Right, 33);
    EXPECT_EQ(r.Bottom, 36);
}
