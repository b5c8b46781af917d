#include "core/StrokeFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace core;

TEST(StrokeFont, EveryCapitalHasItsStrokesWithinTheCell)
{
    // Strokes per letter A..Z.
    const int counts[26] = {3, 14, 13, 10, 4, 3, 15, 3, 3, 8, 3, 2, 4, 3, 16, 8, 17, 9, 17, 2, 9, 2, 4, 2, 3, 3};
    for (int k = 0; k < 26; ++k) {
        const std::string letter(1, static_cast<char>('A' + k));
        SCOPED_TRACE(letter);
        MyTextArray texts;
        ASSERT_EQ(GetStrokeGlyph(letter, texts), counts[k]);
        ASSERT_EQ(texts.size(), static_cast<std::size_t>(counts[k]));
        // Each text is the character code and four numbers.
        EXPECT_EQ(texts[0].substr(0, 3), std::to_string(65 + k) + ",");
        EXPECT_EQ(std::count(texts[0].begin(), texts[0].end(), ','), 4);

        // Every letter is a full cell high and at most one wide.
        double xmin = 9, xmax = -9, ymin = 9, ymax = -9;
        for (const GlyphStroke& s : GlyphStrokes(letter)) {
            xmin = std::min({xmin, s.x1, s.x2});
            xmax = std::max({xmax, s.x1, s.x2});
            ymin = std::min({ymin, s.y1, s.y2});
            ymax = std::max({ymax, s.y1, s.y2});
        }
        EXPECT_EQ(ymin, -0.5);
        EXPECT_EQ(ymax, 0.5);
        EXPECT_EQ(xmin, 0.0);
        EXPECT_EQ(xmax, letter == "I" ? 0.4 : 1.0);
    }
    MyTextArray b;
    GetStrokeGlyph("B", b);
    EXPECT_EQ(b[0], "66,0,0.5,0,-0.5");
}

TEST(StrokeFont, PlacedLetters)
{
    struct Case {
        std::string letter;
        double x, y;
        std::vector<std::string> texts;   // all, or the first ones
    };
    const Case cases[] = {
        {"A", 10, 20, {"9.5,19.4,10,20.6", "10,20.6,10.5,19.4", "9.65,19.76,10.35,19.76"}},
        // Centred by its own width of 0.4.
        {"I", 0, 0, {"-0.2,0.6,0.2,0.6", "-0.2,-0.6,0.2,-0.6", "0,0.6,0,-0.6"}},
        // What does not come out whole is written in the shortest form.
        {"L", -0.1, 1, {"-0.6,1.6,-0.6,0.4", "-0.6,0.4,0.4,0.4"}},
        {"B", -0.1, 0, {"-0.6,0.6,-0.6,-0.6", "-0.6,0.6,-2.77555756156289E-17,0.6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letter);
        MyTextArray placed;
        const int n = PlaceGlyph(c.letter, placed, c.x, c.y, 1.0, 1.2);
        ASSERT_GE(n, static_cast<int>(c.texts.size()));
        EXPECT_EQ(static_cast<std::size_t>(n), placed.size());
        EXPECT_EQ(std::vector<std::string>(placed.begin(), placed.begin() + static_cast<long>(c.texts.size())), c.texts);
    }
}

TEST(StrokeFont, TheOutlineOfOIsClosedAndQHasATail)
{
    MyTextArray o, q;
    ASSERT_EQ(PlaceGlyph("O", o, 5, 5, 1.0, 1.2), 16);
    ASSERT_EQ(PlaceGlyph("Q", q, 5, 5, 1.0, 1.2), 17);
    const std::string first = o.front(), last = o.back();
    // The last stroke ends where the first begins.
    EXPECT_EQ(last.substr(last.find(',', last.find(',') + 1) + 1), first.substr(0, first.find(',', first.find(',') + 1)));
    EXPECT_TRUE(std::equal(o.begin(), o.end(), q.begin()));
}

TEST(StrokeFont, OtherTextsHaveNoStrokesAndLeaveNoneBehind)
{
    for (const std::string letter : {"a", "", "AB", "1", "[", "\xEF\xBC\xA1"}) {
        SCOPED_TRACE(letter);
        MyTextArray texts{"66,0,0.5,0,-0.5"}, placed{"stale"};
        EXPECT_EQ(GetStrokeGlyph(letter, texts), 0);
        EXPECT_TRUE(texts.empty());
        EXPECT_EQ(PlaceGlyph(letter, placed, 1, 1, 1, 1.2), 0);
        EXPECT_TRUE(placed.empty());
    }
}
