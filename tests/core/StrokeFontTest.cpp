#include "core/StrokeFont.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace core;

TEST(StrokeFont, EveryCapitalIsAFullCellHighAndAtMostOneWide)
{
    const int counts[26] = {3, 14, 13, 10, 4, 3, 15, 3, 3, 8, 3, 2, 4, 3, 16, 8, 17, 9, 17, 2, 9, 2, 4, 2, 3, 3};
    for (int k = 0; k < 26; ++k) {
        const std::string letter(1, static_cast<char>('A' + k));
        MyTextArray texts;
        ASSERT_EQ(GetStrokeGlyph(letter, texts), counts[k]) << letter;
        EXPECT_EQ(texts[0].substr(0, 3), std::to_string(65 + k) + ",") << letter;
        double xmin = 9, xmax = -9, ymin = 9, ymax = -9;
        for (const GlyphStroke& s : GlyphStrokes(letter)) {
            xmin = std::min({xmin, s.x1, s.x2}), xmax = std::max({xmax, s.x1, s.x2});
            ymin = std::min({ymin, s.y1, s.y2}), ymax = std::max({ymax, s.y1, s.y2});
        }
        EXPECT_EQ((std::vector<double>{xmin, xmax, ymin, ymax}), (std::vector<double>{0, letter == "I" ? 0.4 : 1.0, -0.5, 0.5})) << letter;
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
        MyTextArray first;   // the first texts
        std::size_t count;
    };
    const Case cases[] = {
        {"A", 10, 20, {"9.5,19.4,10,20.6", "10,20.6,10.5,19.4", "9.65,19.76,10.35,19.76"}, 3},
        // Centred by its own width of 0.4.
        {"I", 0, 0, {"-0.2,0.6,0.2,0.6", "-0.2,-0.6,0.2,-0.6", "0,0.6,0,-0.6"}, 3},
        // What does not come out whole is written in the shortest form.
        {"B", -0.1, 0, {"-0.6,0.6,-0.6,-0.6", "-0.6,0.6,-2.77555756156289E-17,0.6"}, 14},
        // A closed outline, and the same with a tail.
        {"O", 0, 0, {"-0.5,0.12,-0.5,-0.12"}, 16},
        {"Q", 0, 0, {"-0.5,0.12,-0.5,-0.12"}, 17},
        // No strokes, and none of an earlier letter left behind.
        {"a", 0, 0, {}, 0}, {"", 0, 0, {}, 0}, {"AB", 0, 0, {}, 0}, {"\xEF\xBC\xA1", 0, 0, {}, 0},
    };
    for (const Case& c : cases) {
        MyTextArray placed{"stale"}, texts{"stale"};
        ASSERT_EQ(PlaceGlyph(c.letter, placed, c.x, c.y, 1.0, 1.2), static_cast<int>(c.count)) << c.letter;
        ASSERT_EQ(placed.size(), c.count) << c.letter;
        EXPECT_EQ(MyTextArray(placed.begin(), placed.begin() + static_cast<long>(c.first.size())), c.first) << c.letter;
        // A text without strokes leaves the caller's strokes as they were.
        EXPECT_EQ(GetStrokeGlyph(c.letter, texts), static_cast<int>(c.count)) << c.letter;
        EXPECT_EQ(texts.size(), c.count == 0 ? 1 : c.count) << c.letter;
        if (c.count == 0) {
            EXPECT_EQ(texts[0], "stale") << c.letter;
        }
    }
}
