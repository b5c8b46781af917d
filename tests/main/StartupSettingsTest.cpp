#include "main/StartupSettings.h"
#include "tests/PrivateHome.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

fs::path TempFile()
{
    std::random_device rd;
    return tessel2test::PrivateFolder() / ("tessel2-startup-" + std::to_string(rd()) + ".pra");
}

const char* const Golden = "LEFT = 12\r\n"
                           "TOP = -3\r\n"
                           "WIDTH = 1280\r\n"
                           "HEIGHT = 900\r\n"
                           "SPLIT1 = 260\r\n"
                           "MIRR     = -1\r\n"
                           "PAINT    = 0\r\n"
                           "AUTOSCR  = -1\r\n"
                           "DRILLCHR = 0\r\n";

} // namespace

TEST(StartupFile, WrittenAndReadBackByteForByte)
{
    const fs::path path = TempFile();
    platform::WriteFileBytes(path, Golden);
    MyStartupSet s;
    ASSERT_TRUE(ReadStartupSettings(path, s));
    EXPECT_EQ(s.LEFT, 12);
    EXPECT_EQ(s.TOP, -3);
    EXPECT_EQ(s.WIDTH, 1280);
    EXPECT_EQ(s.HEIGHT, 900);
    EXPECT_EQ(s.SPLIT1, 260);
    EXPECT_TRUE(s.MIRR);
    EXPECT_FALSE(s.PAINT);
    EXPECT_TRUE(s.AUTOSCR);
    EXPECT_FALSE(s.DRILLCHR);
    fs::remove(path);
    WriteStartupSettings(path, s);
    EXPECT_EQ(platform::ReadFileBytes(path), Golden);
    fs::remove(path);
}

TEST(StartupFile, MissingFileGivesTheDefaultWindowAndKeepsTheOptions)
{
    MyStartupSet s;
    s.LEFT = 50;
    s.PAINT = false;   // as the caller had set it
    EXPECT_FALSE(ReadStartupSettings(TempFile(), s));
    EXPECT_EQ(s.LEFT, 0);
    EXPECT_EQ(s.TOP, 0);
    EXPECT_EQ(s.WIDTH, 1024);
    EXPECT_EQ(s.HEIGHT, 768);
    EXPECT_EQ(s.SPLIT1, 220);
    EXPECT_FALSE(s.PAINT);
}

TEST(StartupFile, LinesInAnyOrderUnknownKeysAndBadValuesSkipped)
{
    MyStartupSet s;   // PAINT on by default
    ApplyStartupLines({"WIDTH = 1100.9   # cut toward zero", "  TOP=7", "COLOR = 5", "LEFT = abc", "DRILLCHR = 0.5",
                       "MIRR = 0", "SPLIT1", "HEIGHT = -0.9"},
                      s);
    EXPECT_EQ(s.WIDTH, 1100);
    EXPECT_EQ(s.TOP, 7);
    EXPECT_EQ(s.LEFT, 0);
    EXPECT_EQ(s.HEIGHT, 0);
    EXPECT_TRUE(s.DRILLCHR);   // any number but 0
    EXPECT_FALSE(s.MIRR);
    EXPECT_TRUE(s.PAINT);      // no PAINT line: fill stays on
    EXPECT_EQ(s.SPLIT1, 220);
}

TEST(WindowPlacement, Rules)
{
    const ScreenRect area{0, 0, 1600, 1000};
    struct Case {
        int left, top, width, height, split;
        ScreenRect window;
        int panel;
    } cases[] = {
        {100, 50, 1024, 768, 220, {100, 50, 1024, 768}, 220},
        {100, 50, 700, 768, 220, {0, 0, 1600, 1000}, 220},     // narrower than 800: whole work area
        {100, 50, 1024, 599, 220, {0, 0, 1600, 1000}, 220},    // lower than 600: likewise
        {0, 0, 1024, 768, 199, {0, 0, 1024, 768}, 250},
        {0, 0, 1024, 768, 200, {0, 0, 1024, 768}, 200},
        {0, 0, 1024, 768, 399, {0, 0, 1024, 768}, 399},
        {0, 0, 1024, 768, 400, {0, 0, 1024, 768}, 250},
        {0, 0, 3000, 2000, 220, {0, 0, 1600, 1000}, 220},      // capped at the work area
        // Saved on a screen that is gone, or half off: pulled back in.
        {5000, 3000, 1024, 768, 220, {576, 232, 1024, 768}, 220},
        {-400, -30, 1024, 768, 220, {0, 0, 1024, 768}, 220},
    };
    for (const Case& c : cases) {
        MyStartupSet s;
        s.LEFT = c.left;
        s.TOP = c.top;
        s.WIDTH = c.width;
        s.HEIGHT = c.height;
        s.SPLIT1 = c.split;
        WindowPlacement p = PlaceWindow(s, area);
        EXPECT_EQ(p.panelFileWidth, c.panel) << c.split;
        EXPECT_EQ(p.window.left, c.window.left) << c.left << "," << c.width;
        EXPECT_EQ(p.window.top, c.window.top) << c.top << "," << c.height;
        EXPECT_EQ(p.window.width, c.window.width) << c.width;
        EXPECT_EQ(p.window.height, c.window.height) << c.height;
    }
}

TEST(WindowPlacement, WholeWorkAreaStartsAtItsCorner)
{
    MyStartupSet s;
    s.WIDTH = 640;
    WindowPlacement p = PlaceWindow(s, {0, 32, 1920, 1048});
    EXPECT_EQ(p.window.left, 0);
    EXPECT_EQ(p.window.top, 32);
    EXPECT_EQ(p.window.width, 1920);
    EXPECT_EQ(p.window.height, 1048);
    ScreenRect m = MinimumTrackingSize({0, 0, 900, 700});
    EXPECT_EQ(m.width, 900);
    EXPECT_EQ(m.height, 700);
    m = MinimumTrackingSize({0, 0, 1920, 1080});
    EXPECT_EQ(m.width, 1024);
    EXPECT_EQ(m.height, 768);
}
