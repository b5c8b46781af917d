// Pictures of small boards filled by hand: layer colours, polarity,
// sections, outline mode, drill holes and letters, origin cross, edge
// shading, highlight.
#include "ViewFixture.h"

#include "core/GerberReader.h"
#include "platform/RasterCanvas.h"

#include <cmath>
#include <string>
#include <vector>

using namespace mainwin;
using namespace viewtest;
using platform::RGB;

namespace {

constexpr platform::Color Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, Yellow = 0x00FFFF;
constexpr platform::Color White = 0xFFFFFF, Grey = RGB(128, 128, 128);

// Letters as one pixel at their top left, in the font colour, 6 × 10.
class FakeText : public platform::RasterTextHook {
public:
    struct Call {
        int x, y;
        std::string text;
        platform::Color color;
    };
    std::vector<Call> calls;
    void TextOut(platform::RasterCanvas& c, int x, int y, std::string_view text) override
    {
        calls.push_back({x, y, std::string(text), c.Font().FontColor});
        c.SetPixel(x, y, c.Font().FontColor);
    }
    platform::TextSize TextExtent(const platform::RasterCanvas&, std::string_view) override { return {6, 10}; }
};

// A 10 × 5 mm board in a 400 × 200 picture: 8 px/mm, data (0, 0) at pixel (160, 120).
class RedrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAll();
        ShowLayer(1, Red);
        ShowLayer(2, Green);
        SetAperture(10, core::apCircle, 1.0);
        SetAperture(11, core::apCircle, 2.0);
        SetAperture(12, core::apCircle, 4.0);
        FitTo(0, 10, 0, 5, 400, 200);
    }
    void TearDown() override { platform::SetRasterTextHook(nullptr); }

    static int CountColor(platform::Color c)
    {
        int n = 0;
        const auto& p = Picture();
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x) n += p.Pixel(x, y) == c;
        return n;
    }
};

TEST_F(RedrawTest, ScaleAndOrigin)
{
    EXPECT_DOUBLE_EQ(View.Scale, 8.0);
    int px = 0, py = 0;
    DataToScreen(0, 0, px, py);
    EXPECT_EQ(px, 160);
    EXPECT_EQ(py, 120);
}

TEST_F(RedrawTest, OverlappingLayersShowTheOrOfTheirColours)
{
    AddRegion(1, 0, 0, 6, 4);
    AddRegion(2, 4, 1, 10, 5);
    core::AppendElement(Element(1, core::dkLine, 10, 0, -2, 10, -2));
    core::AppendElement(Flash(2, 12, 5, -2));
    RedrawView();
    EXPECT_EQ(Picture().Width(), 400);
    EXPECT_EQ(ColorAt(2, 2), Red);
    EXPECT_EQ(ColorAt(8, 4), Green);
    EXPECT_EQ(ColorAt(5, 2), Yellow);
    EXPECT_EQ(ColorAt(2, -2), Red);
    EXPECT_EQ(ColorAt(5.5, -2.1), Yellow);
    EXPECT_EQ(ColorAt(5, -3), Green);
}

// Within a layer, elements in file order: dark ones paint, clear ones
// erase what the layer painted before them, whatever their kinds and the
// sections between; never another layer's colour, never adding colour.
TEST_F(RedrawTest, ClearElementsEraseWhatTheirLayerPaintedBefore)
{
    struct Probe {
        double x, y;
        platform::Color c;
    };
    struct Case {
        const char* what;
        void (*build)();
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"anti-pads flashed over a plane region, one beside it",
         [] {
             AddRegion(1, 0, 0, 5, 5);
             core::AppendElement(Flash(1, 11, 2.5, 2.5, 1));
             core::AppendElement(Flash(1, 11, 7.5, 2.5, 1));
             core::AppendElement(Flash(1, 13, 1, 4, 1));
         },
         {{2.5, 2.5, 0}, {1, 1, Red}, {7.5, 2.5, 0}, {1, 4, 0}, {1.25, 4, Red}}},
        {"a clear region over a dark one and over nothing",
         [] {
             AddRegion(1, 0, 0, 6, 4);
             AddRegion(1, 2, 1, 8, 3, 1);
         },
         {{1, 2, Red}, {4, 2, 0}, {7, 2, 0}}},
        {"a clear region after a layer-name change",
         [] {
             AddRegion(1, 0, 0, 6, 4);
             core::AppendElement(Marker(2, 1));
             AddRegion(1, 2, 1, 8, 3, 1);
         },
         {{1, 2, Red}, {4, 2, 0}, {7, 2, 0}}},
        {"a clear line across a region, a dark flash after it",
         [] {
             AddRegion(1, 0, 0, 10, 4);
             core::AppendElement(Element(1, core::dkLine, 10, 0, 2, 10, 2, 0, 1));
             core::AppendElement(Flash(1, 11, 5, 2));
         },
         {{2, 2, 0}, {5, 2, Red}, {2, 3.5, Red}}},
        {"a clear region over strokes and flashes",
         [] {
             core::AppendElement(Element(1, core::dkLine, 11, 0, 2, 10, 2));
             core::AppendElement(Flash(1, 12, 8, 2));
             AddRegion(1, 4, 0, 9, 5, 1);
         },
         {{2, 2, Red}, {6, 2, 0}, {8, 2, 0}, {9.8, 2, Red}}},
        {"another layer's colour stays",
         [] {
             AddRegion(2, 0, 0, 10, 5);
             AddRegion(1, 0, 0, 5, 5);
             core::AppendElement(Flash(1, 12, 5, 2.5, 1));
         },
         {{1, 1, Yellow}, {5, 2.5, Green}, {8, 2.5, Green}}},
    };
    for (const Case& c : cases) {
        SetUp();
        SetAperture(13, core::apCircle, 0.1);   // below two pixels: one pixel
        c.build();
        for (unsigned threads : {1u, 4u}) {
            Tuning.Threads = threads;
            Tuning.ParallelFrom = 0;
            RedrawView();
            for (const Probe& p : c.probes)
                EXPECT_EQ(ColorAt(p.x, p.y), p.c) << c.what << " at " << p.x << "," << p.y << ", " << threads << " threads";
        }
    }
    Tuning = {};
}

// A 69.85 mm circle written as one full-circle arc: drawn, and outlined,
// on the true circle at zoom 1 and zoom 10, between its points too.
TEST_F(RedrawTest, ArcsStayRoundAtEveryZoom)
{
    core::GerberFormat = core::MyFormatPara{};
    core::Gauge gauge;
    core::MyDataValue value;
    ASSERT_TRUE(core::ReadGerberData(gauge, "%FSLAX24Y24*%%MOIN*%%ADD10C,0.01*%G75*D10*X27500Y0D02*G03X27500Y0I-27500J0D01*M02*", 1,
                                     value));
    const double r = 69.85, h = 0.127;
    struct Case {
        double zoom;
        bool paint;
        double radius;   // where the picture is lit
        int slack;       // pixels either way
    };
    const Case cases[] = {{1, true, r, 1}, {10, true, r, 0}, {10, false, r + h, 1}, {10, false, r - h, 1}};
    for (const Case& c : cases) {
        FitTo(-r, r, -r, r, 800, 800);
        SetViewZoom(true, 0, -r + 5, -c.zoom);
        Options.PAINT = c.paint;
        RedrawView();
        int checked = 0, missed = 0;
        for (double deg = 0; deg < 360; deg += 0.05) {
            int px = 0, py = 0;
            DataToScreen(c.radius * std::cos(deg * 3.14159265358979 / 180), c.radius * std::sin(deg * 3.14159265358979 / 180), px, py);
            if (px < 1 || py < 1 || px >= 799 || py >= 799) continue;
            bool lit = false;
            for (int dy = -c.slack; dy <= c.slack; ++dy)
                for (int dx = -c.slack; dx <= c.slack; ++dx) lit = lit || Picture().Pixel(px + dx, py + dy) == Red;
            ++checked;
            missed += !lit;
        }
        EXPECT_GT(checked, 100) << c.zoom;
        EXPECT_EQ(missed, 0) << "zoom " << c.zoom << (c.paint ? " filled" : " outlined") << " at radius " << c.radius;
        if (!c.paint) {
            EXPECT_EQ(ColorAt(0, -r), 0u);   // the outline is hollow
        }
    }
}

// Outline mode shows the outlines of clear elements like dark ones.
TEST_F(RedrawTest, OutlineModeShowsClearOutlines)
{
    AddRegion(1, 0, 0, 6, 4);
    AddRegion(1, 2, 1, 8, 3, 1);
    core::AppendElement(Flash(1, 12, 5, -2, 1));
    Options.PAINT = false;
    RedrawView();
    EXPECT_EQ(ColorAt(1, 2), 0u);
    EXPECT_EQ(ColorAt(4, 2), 0u);
    EXPECT_EQ(ColorAt(6, 2), Red);
    EXPECT_EQ(ColorAt(2, 2), Red);
    EXPECT_EQ(ColorAt(8, 2), Red);
    EXPECT_EQ(ColorAt(5, -2), 0u);
    EXPECT_EQ(ColorAt(5, -3.95) | ColorAt(5, -4), Red);
}

TEST_F(RedrawTest, ClearStrokesAndFlashesRemoveTheirLayersColour)
{
    core::AppendElement(Element(1, core::dkLine, 11, 0, 2, 10, 2));
    core::AppendElement(Flash(1, 10, 5, 2, 1));
    core::AppendElement(Element(2, core::dkLine, 10, 8, 0, 8, 5));
    RedrawView();
    EXPECT_EQ(ColorAt(3, 2), Red);
    EXPECT_EQ(ColorAt(5, 2), 0u);
    EXPECT_EQ(ColorAt(8, 4), Green);
    EXPECT_EQ(ColorAt(8, 2), Yellow);
}

TEST_F(RedrawTest, OutlineModeDrawsStrokeOutlines)
{
    core::AppendElement(Element(1, core::dkLine, 11, 0, 2, 10, 2));
    Options.PAINT = false;
    RedrawView();
    int px = 0, py = 0;
    DataToScreen(5, 2, px, py);
    EXPECT_EQ(Picture().Pixel(px, py), 0u);
    int lit = 0;
    for (int y = py - 12; y <= py + 12; ++y) lit += Picture().Pixel(px, y) == Red;
    EXPECT_EQ(lit, 2);   // the two long sides, 16 px apart
    EXPECT_EQ(Picture().Pixel(px, py - 8) | Picture().Pixel(px, py - 9), Red);
}

TEST_F(RedrawTest, DrillHolesGreyRingsOrLetters)
{
    ShowLayer(3, Blue);
    AddRegion(1, 0, 0, 10, 5);
    core::Tools[1].Diameter = "1.0";
    core::Tools[1].Symbol = "A";
    core::Tools[2].Diameter = "0.1";
    core::Tools[2].Symbol = "B";
    core::AppendElement(Element(3, core::dkDrill, 1, 5, 2.5, 5, 2.5));
    core::AppendElement(Element(3, core::dkDrill, 2, 2, 2.5, 2, 2.5));
    core::AppendElement(Element(3, core::dkDrill, 5000, 8, 2.5, 8, 2.5));   // no such tool
    RedrawView();
    EXPECT_EQ(ColorAt(5, 2.5), 0u);
    EXPECT_EQ(ColorAt(2, 2.5), Grey);   // below 2 px: one grey pixel
    EXPECT_EQ(ColorAt(8, 2.5), Red);
    int px = 0, py = 0;
    DataToScreen(5, 2.5, px, py);
    EXPECT_EQ(Picture().Pixel(px - 5, py), Grey);   // 8 px across, grown by 1
    EXPECT_EQ(Picture().Pixel(px - 6, py), Red);

    FakeText text;
    platform::SetRasterTextHook(&text);
    Options.DRILLCHR = true;
    RedrawView();
    EXPECT_EQ(CountColor(Grey), 0);
    ASSERT_EQ(text.calls.size(), 2u);
    EXPECT_EQ(text.calls[0].text, "A");
    EXPECT_EQ(text.calls[0].color, Blue);
    EXPECT_EQ(text.calls[0].x, px - 3);   // Trunc(px - 6 / 2 + 0.5)
    EXPECT_EQ(text.calls[0].y, py - 5);
    EXPECT_EQ(text.calls[1].text, "B");
}

TEST_F(RedrawTest, OriginCrossAlsoWithoutLayers)
{
    core::AppendElement(Flash(1, 12, 0, 0));
    RedrawView();
    EXPECT_EQ(ColorAt(-5, 0), White);
    EXPECT_EQ(ColorAt(0, 8), White);
    EXPECT_EQ(ColorAt(0.5, 0), White);   // white ORed over the red pad
    EXPECT_EQ(ColorAt(-3, 3), 0u);

    core::ResetTables();   // the last transform stays
    RedrawView();
    EXPECT_EQ(ColorAt(-5, 0), White);
    // Two arms of 161 pixels crossing; the lower end is the row below the picture.
    EXPECT_EQ(CountColor(White), 161 + 160 - 1);
}

TEST_F(RedrawTest, OutOfRangeNumbersDrawNothing)
{
    core::AppendElement(Element(0, core::dkLine, 10, 0, 1, 10, 1));
    core::AppendElement(Element(27, core::dkLine, 10, 0, 2, 10, 2));
    core::AppendElement(Element(-5, core::dkRegionLine, 0, 0, 2, 10, 3));
    core::AppendElement(Flash(1, 5000, 3, 3));
    core::AppendElement(Flash(1, -1, 4, 3));
    core::AppendElement(Element(1, 99, 10, 0, 4, 10, 4));
    core::Datas.push_back(Flash(1, 12, 5, 2));   // beyond DataCount
    RedrawView();
    HighlightPrimitives({0, 1, 2, 3, 4, 5, 6, -1, 1 << 30});
    int lit = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) lit += HighlightLayer().Pixel(x, y) != 0;
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(CountColor(White) + CountColor(0), 400 * 200);
}

TEST_F(RedrawTest, FlashesWithTheirCentreOffThePictureAreSkippedWhenZoomed)
{
    // At zoom 1 the picture spans x -20..30 mm; at zoom 2 about the board's
    // centre -7.5..17.5 mm.
    core::AppendElement(Flash(1, 12, -21, 2));
    core::AppendElement(Flash(1, 12, -8, 2));
    RedrawView();
    EXPECT_EQ(ColorAt(-19.5, 2), Red);
    EXPECT_EQ(ColorAt(-7, 2), Red);
    SetViewZoom(false, 0, 0, 2.0);
    RedrawView();
    EXPECT_EQ(ColorAt(-7, 2), 0u);
}

TEST_F(RedrawTest, EdgeRegionsShadedOnlyWhenZoomedWithAutoScroll)
{
    Options.AUTOSCR = true;
    RedrawView();
    EXPECT_EQ(Picture().Pixel(10, 100), 0u);
    SetViewZoom(false, 0, 0, 2.0);
    RedrawView();
    EXPECT_EQ(Picture().Pixel(10, 100), RGB(15, 15, 15));
    EXPECT_EQ(Picture().Pixel(0, 100), 0u);   // black outline
    EXPECT_EQ(Picture().Pixel(200, 100), 0u);
}

TEST_F(RedrawTest, HighlightWhiteOverDarkColoursRedOverBright)
{
    ShowLayer(3, Blue);
    ShowLayer(4, 0x7F7F7E);
    core::AppendElement(Flash(1, 12, 2, 2));
    core::AppendElement(Flash(3, 12, 6, 2));
    core::AppendElement(Flash(4, 12, 9, 2));
    core::AppendElement(Element(1, core::dkLine, 10, 0, 4, 10, 4));
    RedrawView();
    HighlightPrimitives({0, 1, 2, 3});
    EXPECT_TRUE(Highlight.Visible);
    EXPECT_TRUE(Highlight.Blinking);
    auto at = [](double x, double y) {
        int px = 0, py = 0;
        DataToScreen(x, y, px, py);
        return HighlightLayer().Pixel(px, py);
    };
    EXPECT_EQ(at(2, 2), White);   // red 0x0000FF is below 0x7F7F7F as a number
    EXPECT_EQ(at(6, 2), RGB(255, 0, 0));
    EXPECT_EQ(at(9, 2), White);
    EXPECT_EQ(at(5, 4), White);
    EXPECT_EQ(at(4, -1), 0u);
    RedrawView();
    EXPECT_FALSE(Highlight.Visible);
    EXPECT_FALSE(Highlight.Blinking);
}

TEST_F(RedrawTest, OverlaysRunLastAndAToolRedrawMatchesAFullOne)
{
    AddRegion(1, 0, 0, 6, 4);
    core::AppendElement(Element(2, core::dkLine, 10, 0, 2, 10, 2));
    int starts = 0, overlayX = 10;
    RedrawStartHooks().push_back([&] { ++starts; });
    OverlayHooks().push_back([&](platform::RasterCanvas& c) { c.SetPixel(overlayX, 5, Blue); });
    OverlayHooks().push_back([&](platform::RasterCanvas& c) { EXPECT_EQ(c.Pixel(overlayX, 5), Blue); });
    RedrawView();
    const std::vector<std::uint32_t> full(Picture().Bits(), Picture().Bits() + 400 * 200);
    RedrawView(RedrawReason::ToolOverlay);
    RedrawView(RedrawReason::ToolOverlay);
    EXPECT_TRUE(std::equal(full.begin(), full.end(), Picture().Bits()));
    overlayX = 20;   // the old overlay is gone
    RedrawView(RedrawReason::ToolOverlay);
    EXPECT_EQ(Picture().Pixel(10, 5), 0u);
    EXPECT_EQ(Picture().Pixel(20, 5), Blue);
    // A change of options is seen by a tool redraw too.
    Options.PAINT = false;
    RedrawView(RedrawReason::ToolOverlay);
    EXPECT_EQ(ColorAt(2, 2), 0u);
    EXPECT_EQ(starts, 5);
}

TEST_F(RedrawTest, HighZoomOnStrayCoordinatesStaysInRange)
{
    core::AppendElement(Element(1, core::dkLine, 12, -1e7, -1e7, 1e7, 1e7));
    core::AppendElement(Element(1, core::dkArcCW, 12, -1e6, 0, 1e6, 0));
    core::Datas[1].X3 = 0;
    core::Datas[1].Y3 = 0;
    core::Datas[1].X4 = 1e6;
    AddRegion(2, -1e8, -1e8, 1e8, 1e8);
    core::AppendElement(Flash(1, 12, 1e9, 1e9));
    SetViewZoom(true, 5, 2.5, -MaxZoom);
    RedrawView();
    EXPECT_EQ(ColorAt(5, 2.5), Green | Red);
    Options.PAINT = false;
    RedrawView();
}

} // namespace

namespace {

TEST_F(RedrawTest, AnEmptyClientAreaDrawsNothing)
{
    AddRegion(1, 0, 0, 6, 4);
    core::AppendElement(Flash(1, 12, 5, 2));
    ClientWidth = 0;
    RedrawView();
    EXPECT_EQ(Picture().Width(), 0);
    HighlightPrimitives({0, 4});
    EXPECT_EQ(HighlightLayer().Width(), 0);
    ClientWidth = 400;
    RedrawView();
    EXPECT_EQ(ColorAt(2, 2), Red);

    // Before any view: a black picture, not a dot for the origin cross.
    View = {};
    RedrawView();
    EXPECT_EQ(CountColor(0), 400 * 200);
}

} // namespace
