#include "platform/RasterCanvas.h"
#include "platform/qt/RasterText.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(RasterText, DrawsInTheFontColourOnTheRasterItself)
{
    RasterCanvas c(120, 40, 0);
    c.SetFontColor(RGB(255, 0, 0));
    const TextSize size = c.TextExtent("テッセル");
    EXPECT_GT(size.cx, 20);
    EXPECT_GE(size.cy, 15);
    c.TextOut(4, 4, "テッセル");
    int red = 0, other = 0;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            Color p = c.Pixel(x, y);
            if (p == RGB(255, 0, 0)) ++red;
            else if (p != 0) ++other;
            // Nothing left of or above the text's top left.
            if (x < 4 || y < 4) {
                EXPECT_EQ(p, 0u) << x << "," << y;
            }
        }
    EXPECT_GT(red, 30);
    // No antialiasing: only the font colour and the background.
    EXPECT_EQ(other, 0);
}

TEST(RasterText, WrapsTheSameMemory)
{
    RasterCanvas c(3, 2, RGB(1, 2, 3));
    QImage image = WrapRaster(c);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(2, 1), qRgb(1, 2, 3));
    EXPECT_EQ(static_cast<const void*>(image.constBits()), static_cast<const void*>(c.Bits()));
}

TEST(RasterText, BandsDrawTheRowsOfTheWholePicture)
{
    // Text across the bands of a picture: each band holds the rows the
    // whole picture has, at picture coordinates.
    RasterCanvas whole(120, 40, 0);
    whole.SetFontColor(RGB(0, 255, 0));
    whole.TextOut(3, 9, "基板 AB");
    for (const auto& [top, rows] : {std::pair{0, 14}, {14, 1}, {15, 25}, {12, 6}}) {
        RasterCanvas band;
        band.ResizeWindow(120, 40, top, rows, 0);
        band.SetFontColor(RGB(0, 255, 0));
        band.TextOut(3, 9, "基板 AB");
        EXPECT_EQ(WrapRaster(band).height(), rows);
        for (int y = top; y < top + rows; ++y)
            for (int x = 0; x < 120; ++x) ASSERT_EQ(band.Pixel(x, y), whole.Pixel(x, y)) << x << "," << y;
    }
}
