#include "platform/Error.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;

TEST(TextCodec, KnownEncodings)
{
    struct Case { const char* utf8; const char* cp932; };
    // CP932, not plain Shift-JIS: the full-width tilde and minus, the NEC
    // circled digits and the IBM row; ASCII keeps backslash and tilde.
    const Case cases[] = {
        {"部", "\x95\x94"},
        {"ア", "\x83\x41"},
        {"～", "\x81\x60"},
        {"－", "\x81\x7c"},
        {"①", "\x87\x40"},
        {"髙", "\xfb\xfc"},
        {"・", "\x81\x45"},
        {"\\~", "\\~"},
        {"", ""},
        {"D10,CIR", "D10,CIR"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToCp932(c.utf8), std::string(c.cp932)) << c.utf8;
        EXPECT_EQ(Cp932ToUtf8(c.cp932), std::string(c.utf8)) << c.utf8;
    }
}

TEST(TextCodec, RoundTripOfMixedText)
{
    const std::string text = "テッセル２ Layer A: 部品面シルク (0.8mm)　・・・ ①②";
    std::string cp;
    ASSERT_TRUE(TryUtf8ToCp932(text, cp));
    EXPECT_NE(cp, text);
    std::string back;
    ASSERT_TRUE(TryCp932ToUtf8(cp, back));
    EXPECT_EQ(back, text);
}

TEST(TextCodec, TextCp932CannotHoldIsAnError)
{
    const char* cases[] = {
        "\xF0\x9F\x98\x80",        // an emoji
        "ok \xF0\x9F\x98\x80 ok",  // in the middle: nothing is silently dropped
        "\xC3\xA9",                // é
        "\xE2\x82\xAC",            // the euro sign
        "\xFF\xFE",                // not UTF-8 at all
    };
    for (const char* c : cases) {
        std::string out;
        EXPECT_FALSE(TryUtf8ToCp932(c, out)) << c;
        EXPECT_THROW(Utf8ToCp932(c), Error) << c;
    }
}

// Characters that Linux input methods give where Windows gives their CP932
// look-alikes are written as those look-alikes, not refused.
TEST(TextCodec, LookAlikesAreWrittenAsTheirCp932Form)
{
    EXPECT_EQ(Utf8ToCp932("\xE3\x80\x9C"), "\x81\x60");  // wave dash -> full-width tilde
    EXPECT_EQ(Utf8ToCp932("\xE2\x88\x92"), "\x81\x7c");  // minus sign -> full-width hyphen-minus
    EXPECT_EQ(Utf8ToCp932("\xC2\xA5"), "\\");            // yen sign -> 0x5C, shown as yen in Japanese fonts
}

TEST(TextCodec, BytesThatAreNotCp932AreAnError)
{
    const char* cases[] = {
        "\x81",          // a lead byte alone
        "abc\x82",       // cut off at the end
        "\x81\x20",      // a lead byte before a blank
        "\xA0",          // unassigned
    };
    for (const char* c : cases) {
        std::string out;
        EXPECT_FALSE(TryCp932ToUtf8(c, out)) << c;
        EXPECT_THROW(Cp932ToUtf8(c), Error);
    }
}

TEST(TextCodec, LongTextGrowsTheBuffer)
{
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "半田面パターン";
    std::string cp = Utf8ToCp932(text);
    EXPECT_EQ(cp.size(), 5000u * 7u * 2u);
    EXPECT_EQ(Cp932ToUtf8(cp), text);
}
