// Flashes on a device whose pixels are not square (a printer's may not be):
// each axis takes its own scale.
#include "core/FlashDrawing.h"

#include "FlashTables.h"
#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

using namespace core;
using platform::RasterCanvas;

namespace {

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;   // lit pixels, inclusive
};

Box LitBox(const RasterCanvas& c)
{
    Box b;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (c.Pixel(x, y) != 0) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

RasterCanvas White(int w, int h)
{
    RasterCanvas c(w, h, 0);
    c.SetPenColor(0xFFFFFF);
    c.SetBrushColor(0xFFFFFF);
    return c;
}

class FlashAxes : public ::testing::Test {
protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }
};

} // namespace

// Every shape, plain and mirrored: the flash spans its width times the X
// scale across and its height times the Y scale down, about the device
// point of its centre; with both scales equal it is the screen's flash.
TEST_F(FlashAxes, EachAxisTakesItsOwnScale)
{
    struct Case {
        const char* name;
        int shape;
        double s1, s2, s3;
        double width, height;   // mm
    };
    const Case cases[] = {
        {"circle", apCircle, 4.0, 0, 0, 4.0, 4.0},
        {"square", apSquare, 3.0, 0, 0, 3.0, 3.0},
        {"rectangle", apRectangle, 5.0, 2.0, 0, 5.0, 2.0},
        {"oval", apOval, 2.0, 6.0, 0, 2.0, 6.0},
        {"thermal", apThermal90, 2.0, 4.0, 0.5, 4.0, 4.0},
        {"octagon", apPolygon, 4.0, 8, 22.5, 4.0 * 0.92388, 4.0 * 0.92388},
        {"macro", apMacro, 0, 0, 0, 6.0, 2.0},
    };
    const double sx = 8, sy = 16, ox = 10, oy = 10;   // the flash at (0, 0) lands on (80, 160)
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ResetTables();
        if (k.shape == apMacro)
            flashtest::SetMacro(10, {"21,1,6,2,0,0,0", "1,0,1,0,0"});   // a bar with a hole
        else
            flashtest::SetAperture(10, k.shape, k.s1, k.s2, k.s3);
        const int i = flashtest::AddFlash(10, 0, 0);
        for (const bool mirror : {false, true}) {
            RasterCanvas c = White(160, 320);
            DrawFlash(c, i, mirror, 0, sx, sy, ox, oy);
            const Box b = LitBox(c);
            EXPECT_NEAR(b.right - b.left + 1, k.width * sx, 2.0) << "mirror " << mirror;
            EXPECT_NEAR(b.bottom - b.top + 1, k.height * sy, 2.0) << "mirror " << mirror;
            EXPECT_NEAR((b.left + b.right + 1) / 2.0, ox * sx, 1.5);
            EXPECT_NEAR((b.top + b.bottom + 1) / 2.0, oy * sy, 1.5);
            // Square pixels: exactly what the single-scale drawing gives.
            RasterCanvas a = White(160, 160), s = White(160, 160);
            DrawFlash(a, i, mirror, 0, sx, sx, ox, oy);
            DrawFlash(s, i, mirror, 0, sx, ox, oy);
            EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + 160 * 160, s.Bits()));
        }
    }
}

// The one-pixel rule looks at the finer axis: a flash two pixels tall is
// drawn, however narrow its pixels across.
TEST_F(FlashAxes, DotRuleTakesTheFinerAxis)
{
    flashtest::SetAperture(10, apCircle, 0.25);
    const int i = flashtest::AddFlash(10, 0, 0);
    RasterCanvas c = White(40, 40);
    DrawFlash(c, i, false, 0, 4, 8, 5, 2.5);   // 1 pixel across, 2 down: drawn
    const Box b = LitBox(c);
    EXPECT_EQ(b.bottom - b.top + 1, 2);
    c.Fill(0);
    DrawFlash(c, i, false, 0, 4, 4, 5, 5);     // 1 pixel both ways: a dot
    const Box d = LitBox(c);
    EXPECT_EQ(d.right - d.left, 0);
    EXPECT_EQ(d.bottom - d.top, 0);
}
