#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace platform;

namespace {

// Rows of the raster as text: '.' for black, '#' for anything else.
std::string Picture(const RasterCanvas& c)
{
    std::string s;
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) s += c.Pixel(x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

int Count(const RasterCanvas& c, Color v)
{
    int n = 0;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) n += c.Pixel(x, y) == v;
    return n;
}

std::vector<std::uint32_t> Copy(const RasterCanvas& c)
{
    return {c.Bits(), c.Bits() + static_cast<std::size_t>(c.Width()) * c.Height()};
}

} // namespace

TEST(RasterCanvas, ColoursAreWindowsValues)
{
    RasterCanvas c(2, 1);
    c.SetPixel(0, 0, RGB(255, 0, 0));
    EXPECT_EQ(c.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(c.Bits()[0], 0xFFFF0000u);   // the buffer holds 0xFFRRGGBB
    EXPECT_EQ(c.Pixel(5, 0), 0u);          // outside: 0, no crash
}

TEST(RasterCanvas, PenModesCombinePerPixel)
{
    struct Case { PenMode mode; Color under, pen, expect; };
    const Case cases[] = {
        {PenMode::Copy, 0x123456, 0x0000FF, 0x0000FF},
        {PenMode::Merge, 0x00FF00, 0x0000FF, 0x00FFFF},
        {PenMode::Xor, 0x00FFFF, 0x0000FF, 0x00FF00},
        {PenMode::NotXor, 0x00FF00, 0x000000, 0xFF00FF},   // a black pen inverts
    };
    for (const Case& k : cases) {
        RasterCanvas c(3, 1, k.under);
        c.SetPenMode(k.mode);
        c.SetPenColor(k.pen);
        c.MoveTo(0, 0);
        c.LineTo(2, 0);
        EXPECT_EQ(c.Pixel(1, 0), k.expect) << static_cast<int>(k.mode);
        EXPECT_EQ(c.Bits()[1] >> 24, 0xFFu);   // alpha stays opaque in every mode
    }
}

TEST(RasterCanvas, SinglePixelIgnoresPenMode)
{
    RasterCanvas c(1, 1, 0x00FF00);
    c.SetPenMode(PenMode::Xor);
    c.SetPixel(0, 0, 0x0000FF);
    EXPECT_EQ(c.Pixel(0, 0), 0x0000FFu);
}

TEST(RasterCanvas, RectanglesAndEllipsesLeaveOutRightAndBottom)
{
    RasterCanvas c(8, 6);
    c.SetPenColor(0xFFFFFF);
    c.SetBrushColor(0xFFFFFF);
    c.Rectangle(1, 1, 5, 4);
    EXPECT_EQ(Picture(c), "........\n"
                          ".####...\n"
                          ".####...\n"
                          ".####...\n"
                          "........\n"
                          "........\n");
    c.Fill(0);
    c.Ellipse(1, 1, 5, 5);
    EXPECT_EQ(Picture(c), "........\n"
                          "..##....\n"
                          ".####...\n"
                          ".####...\n"
                          "..##....\n"
                          "........\n");
    c.Fill(0);
    c.Ellipse(5, 5, 1, 1);   // corners in either order
    EXPECT_EQ(Count(c, 0xFFFFFF), 12);
    c.Fill(0);
    c.Ellipse(2, 2, 2, 5);   // empty box: nothing
    c.Rectangle(2, 2, 6, 2);
    EXPECT_EQ(Count(c, 0xFFFFFF), 0);
}

TEST(RasterCanvas, PolygonEvenOddAndEdgeRule)
{
    RasterCanvas c(8, 8);
    c.SetPenColor(0x0000FF);
    c.SetBrushColor(0xFF0000);
    c.SetPenMode(PenMode::Merge);
    // The fill of the square (1,1)-(5,5) covers columns and rows 1..4; the
    // one-pixel outline runs through the vertex pixels, so it adds column
    // and row 5.
    const Point sq[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
    c.Polygon(sq);
    EXPECT_EQ(c.Pixel(3, 3), 0xFF0000u);
    EXPECT_EQ(c.Pixel(1, 1), 0x0000FFu);
    EXPECT_EQ(c.Pixel(5, 5), 0x0000FFu);
    EXPECT_EQ(c.Pixel(6, 6), 0u);
    // A pentagram: the centre is covered twice, so even-odd leaves it out.
    RasterCanvas s(40, 40);
    s.SetPenColor(0);
    s.SetBrushColor(0xFFFFFF);
    s.SetPenMode(PenMode::Merge);
    const Point star[] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    s.Polygon(star);
    EXPECT_EQ(s.Pixel(20, 20), 0u);
    EXPECT_EQ(s.Pixel(20, 6), 0xFFFFFFu);
    // Two fills sharing an edge share no pixel (a black pen under OR leaves
    // the fills alone).
    RasterCanvas t(10, 4);
    t.SetPenMode(PenMode::Merge);
    t.SetPenColor(0);
    const Point left[] = {{0, 0}, {6, 0}, {2, 4}, {0, 4}};
    const Point right[] = {{6, 0}, {10, 0}, {10, 4}, {2, 4}};
    t.SetBrushColor(0x0000FF);
    t.Polygon(left);
    t.SetBrushColor(0x00FF00);
    t.Polygon(right);
    EXPECT_EQ(Count(t, 0x00FFFF), 0);
    EXPECT_EQ(t.Pixel(4, 1), 0x0000FFu);
    EXPECT_EQ(t.Pixel(6, 1), 0x00FF00u);
    EXPECT_EQ(Count(t, 0x0000FF) + Count(t, 0x00FF00) + Count(t, 0), 40);
}

TEST(RasterCanvas, FilledOutlinedShapesChangeEachPixelOnce)
{
    // On black, a figure drawn in XOR equals the same figure drawn in copy
    // mode only when no pixel is changed twice.
    auto draw = [](RasterCanvas& c, int figure) {
        switch (figure) {
        case 0: c.Ellipse(10, 12, 50, 40); break;
        case 1: { const Point tri[] = {{5, 5}, {60, 20}, {20, 60}, {5, 5}, {40, 50}}; c.Polygon(tri); break; }
        case 2: c.Rectangle(3, 3, 40, 30); break;
        case 3: { const Point path[] = {{2, 2}, {57, 57}, {57, 2}, {2, 57}, {2, 2}, {57, 57}}; c.Polyline(path); break; }
        default: c.MoveTo(5, 5); c.LineTo(50, 9); c.LineTo(12, 44); c.LineTo(5, 5); break;
        }
    };
    for (int w : {1, 2, 3, 6})
        for (platform::BrushStyle brush : {BrushStyle::Solid, BrushStyle::BDiagonal})
            for (int figure = 0; figure < 5; ++figure) {
                RasterCanvas x(64, 64), copy(64, 64);
                for (RasterCanvas* c : {&x, &copy}) {
                    c->SetPenColor(0x0000FF);
                    c->SetBrushColor(0x00FF00);
                    c->SetPenWidth(w);
                    c->SetBrushStyle(brush);
                }
                x.SetPenMode(PenMode::Xor);
                draw(x, figure);
                draw(copy, figure);
                if (figure == 4 && w > 1) continue;   // separate LineTo calls are separate figures
                EXPECT_EQ(Picture(x), Picture(copy)) << "figure " << figure << " width " << w;
                EXPECT_TRUE(Copy(x) == Copy(copy)) << "figure " << figure << " width " << w;
            }
    // The inside of a one-pixel rectangle is exactly its box.
    RasterCanvas r(64, 64);
    r.SetPenColor(0xFFFFFF);
    r.Rectangle(3, 3, 40, 30);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) EXPECT_EQ(r.Pixel(x, y) != 0, x >= 3 && x < 40 && y >= 3 && y < 30) << x << "," << y;
}

// Pen and brush of one colour and mode change every covered pixel once,
// the same way: the pixels covered are those a copy with a pen and a brush
// of their own covers. Rectangles and small ellipses, inside and over the
// edges, on a whole raster and on a row window.
TEST(RasterCanvas, OneColourFiguresChangeTheirCoverageOnce)
{
    std::mt19937 rng(7);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const PenMode modes[] = {PenMode::Merge, PenMode::Xor, PenMode::Copy, PenMode::NotXor};
    for (int round = 0; round < 300; ++round) {
        const bool ellipse = round % 2 == 1;
        const int l = pick(70) - 10, t = pick(50) - 10, r = l + 1 + pick(30), b = t + 1 + pick(30);
        const PenMode mode = modes[pick(4)];
        const Color ink = static_cast<Color>(rng() & 0xFFFFFF), ground = static_cast<Color>(rng() & 0xFFFFFF);
        RasterCanvas cover(64, 48, 0), whole(64, 48, ground), band;
        band.ResizeWindow(64, 48, 9, 20, ground);
        cover.SetPenMode(PenMode::Copy);
        cover.SetPenColor(RGB(255, 0, 0));
        cover.SetBrushColor(RGB(0, 255, 0));
        for (RasterCanvas* c : {&whole, &band}) {
            c->SetPenMode(mode);
            c->SetPenColor(ink);
            c->SetBrushColor(ink);
        }
        for (RasterCanvas* c : {&cover, &whole, &band}) {
            if (ellipse)
                c->Ellipse(l, t, r, b);
            else
                c->Rectangle(l, t, r, b);
        }
        RasterCanvas once(1, 1, ground);
        once.SetPenMode(mode);
        once.SetPenColor(ink);
        once.SetPixel(0, 0, ground);
        once.Rectangle(0, 0, 1, 1);
        const Color changed = once.Pixel(0, 0);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const Color want = cover.Pixel(x, y) != 0 ? changed : ground;
                ASSERT_EQ(whole.Pixel(x, y), want) << round << " " << x << "," << y;
                if (y >= 9 && y < 29) {
                    ASSERT_EQ(band.Pixel(x, y), want) << round << " " << x << "," << y;
                }
            }
    }
}

TEST(RasterCanvas, XorTwiceRestoresTheBuffer)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coord(-30, 130), colour(0, 0xFFFFFF), width(1, 9);
    RasterCanvas c(100, 80);
    for (int i = 0; i < 100 * 80; ++i) c.Bits()[i] = RasterCanvas::ToPixel(static_cast<Color>(colour(rng)));
    const auto before = Copy(c);
    for (PenMode mode : {PenMode::Xor, PenMode::NotXor}) {
        c.SetPenMode(mode);
        for (int round = 0; round < 2; ++round) {
            std::mt19937 figures(9);   // the same figures both rounds
            for (int k = 0; k < 60; ++k) {
                c.SetPenColor(static_cast<Color>(colour(figures)));
                c.SetBrushColor(static_cast<Color>(colour(figures)));
                c.SetPenWidth(width(figures));
                c.SetBrushStyle(k % 5 == 0 ? BrushStyle::BDiagonal : BrushStyle::Solid);
                c.SetPenStyle(k % 7 == 0 ? PenStyle::Dot : PenStyle::Solid);
                const int a = coord(figures), b = coord(figures), d = coord(figures), e = coord(figures);
                switch (k % 5) {
                case 0: c.MoveTo(a, b); c.LineTo(d, e); c.LineTo(e, a); break;
                case 1: c.Ellipse(a, b, d, e); break;
                case 2: c.Rectangle(a, b, d, e); break;
                case 3: { const Point pts[] = {{a, b}, {d, e}, {e, a}, {b, d}, {a, e}}; c.Polygon(pts); break; }
                default: { const Point pts[] = {{a, b}, {d, e}, {e, a}, {b, d}}; c.Polyline(pts); break; }
                }
            }
        }
        EXPECT_TRUE(Copy(c) == before) << static_cast<int>(mode);
    }
}

TEST(RasterCanvas, OrBlitCombinesLayers)
{
    RasterCanvas picture(4, 1, 0x000000);
    picture.SetPixel(0, 0, 0x0000FF);
    RasterCanvas layer(4, 1, 0x000000);
    layer.SetPixel(0, 0, 0x00FF00);
    layer.SetPixel(1, 0, 0xFF0000);
    picture.Blit(layer, 0, 0, RasterCanvas::BlitOp::Or);
    EXPECT_EQ(picture.Pixel(0, 0), 0x00FFFFu);
    EXPECT_EQ(picture.Pixel(1, 0), 0xFF0000u);
    picture.Blit(layer, 3, 0, RasterCanvas::BlitOp::Copy);   // clipped at the edge
    EXPECT_EQ(picture.Pixel(3, 0), 0x00FF00u);
    picture.Blit(layer, -100, 50, RasterCanvas::BlitOp::Or);   // wholly outside: nothing
}

TEST(RasterCanvas, LinesWithWidthAndRoundEnds)
{
    RasterCanvas c(12, 9);
    c.SetPenColor(0xFFFFFF);
    c.SetPenWidth(3);
    c.MoveTo(2, 4);
    c.LineTo(9, 4);
    EXPECT_EQ(Picture(c), "............\n"
                          "............\n"
                          "............\n"
                          ".##########.\n"
                          ".##########.\n"
                          ".##########.\n"
                          "............\n"
                          "............\n"
                          "............\n");
    c.Fill(0);
    c.SetPenWidth(2);   // even widths: exactly two rows
    c.MoveTo(2, 4);
    c.LineTo(9, 4);
    EXPECT_EQ(Count(c, 0xFFFFFF), 2 * 9);
    c.Fill(0);
    c.SetPenWidth(1);   // one pixel: both ends included
    c.MoveTo(0, 0);
    c.LineTo(11, 8);
    EXPECT_EQ(Count(c, 0xFFFFFF), 12);
    EXPECT_EQ(c.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(c.Pixel(11, 8), 0xFFFFFFu);
    // A joined path under XOR changes its joints once.
    c.Fill(0);
    c.SetPenMode(PenMode::Xor);
    c.MoveTo(1, 1);
    c.LineTo(8, 1);
    c.LineTo(8, 7);
    c.LineTo(1, 1);
    EXPECT_EQ(c.Pixel(8, 1), 0xFFFFFFu);
    EXPECT_EQ(c.Pixel(8, 7), 0xFFFFFFu);
    EXPECT_EQ(c.Pixel(1, 1), 0xFFFFFFu);   // closed on its start
}

TEST(RasterCanvas, ShortWideLinesMatchTheGeneralPath)
{
    // A short wide line comes from a kept pattern; a path through the same
    // two points is computed afresh. Both must give the same pixels, also
    // where the line leaves the buffer.
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> pos(-10, 40), d(-48, 48), width(2, 8);
    RasterCanvas a(32, 32), b(32, 32);
    for (RasterCanvas* c : {&a, &b}) c->SetPenColor(0xFFFFFF);
    for (int k = 0; k < 300; ++k) {
        const int w = width(rng);
        const Point p{pos(rng), pos(rng)}, q{p.x + d(rng), p.y + d(rng)};
        a.Fill(0);
        b.Fill(0);
        a.SetPenWidth(w);
        b.SetPenWidth(w);
        a.MoveTo(p.x, p.y);
        a.LineTo(q.x, q.y);
        const Point path[] = {p, q, q};
        b.Polyline(path);
        ASSERT_EQ(Picture(a), Picture(b)) << w << " " << p.x << "," << p.y << " " << q.x << "," << q.y;
    }
}

TEST(RasterCanvas, DottedPenAndHatchedBrush)
{
    RasterCanvas c(12, 1);
    c.SetPenColor(0xFFFFFF);
    c.SetPenStyle(PenStyle::Dot);
    c.MoveTo(0, 0);
    c.LineTo(11, 0);
    EXPECT_EQ(Picture(c), "###...###...\n");
    RasterCanvas h(16, 16);
    h.SetBrushStyle(BrushStyle::BDiagonal);
    h.SetBrushColor(0xFFFFFF);
    h.FillRect({0, 0, 16, 16});
    EXPECT_EQ(Count(h, 0xFFFFFF), 32);
    EXPECT_EQ(h.Pixel(7, 0), 0xFFFFFFu);
    EXPECT_EQ(h.Pixel(6, 1), 0xFFFFFFu);   // "/": up to the right
    EXPECT_EQ(h.Pixel(0, 0), 0u);
}

TEST(RasterCanvas, ClippedFiguresMatchUnclippedOnes)
{
    // Random figures reaching out of a small raster, against the same
    // figures on a raster large enough to hold them whole.
    std::mt19937 rng(21);
    std::uniform_int_distribution<int> coord(-60, 90), width(1, 6), kind(0, 3);
    RasterCanvas small(30, 30), big(210, 210);
    for (RasterCanvas* c : {&small, &big}) {
        c->SetPenColor(0xFFFFFF);
        c->SetBrushColor(0x808080);
    }
    for (int k = 0; k < 400; ++k) {
        small.Fill(0);
        big.Fill(0);
        const int w = width(rng), t = kind(rng);
        const Point a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)}, c{coord(rng), coord(rng)};
        for (RasterCanvas* cv : {&small, &big}) {
            const int o = cv == &big ? 90 : 0;
            cv->SetPenWidth(w);
            const Point pts[] = {{a.x + o, a.y + o}, {b.x + o, b.y + o}, {c.x + o, c.y + o}};
            switch (t) {
            case 0: cv->MoveTo(pts[0].x, pts[0].y); cv->LineTo(pts[1].x, pts[1].y); break;
            case 1: cv->Polygon(pts); break;
            case 2: cv->Ellipse(pts[0].x, pts[0].y, pts[1].x, pts[1].y); break;
            default: cv->Polyline(pts); break;
            }
        }
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x)
                ASSERT_EQ(small.Pixel(x, y), big.Pixel(x + 90, y + 90)) << "figure " << k << " kind " << t << " width " << w;
    }
}

TEST(RasterCanvas, TextGoesThroughTheHook)
{
    struct Hook : RasterTextHook {
        std::string last;
        void TextOut(RasterCanvas& c, int x, int y, std::string_view text) override
        {
            last = std::string(text);
            c.SetPixel(x, y, c.Font().FontColor);
        }
        TextSize TextExtent(const RasterCanvas&, std::string_view text) override { return {static_cast<int>(text.size()) * 7, 15}; }
    } hook;
    RasterCanvas c(10, 10);
    EXPECT_EQ(c.TextWidth("abc"), 0);   // no hook: nothing, no crash
    c.TextOut(1, 1, "abc");
    c.SetTextHook(&hook);
    c.SetFontColor(0x0000FF);
    c.TextOut(2, 3, "穴");
    EXPECT_EQ(hook.last, "穴");
    EXPECT_EQ(c.Pixel(2, 3), 0x0000FFu);
    EXPECT_EQ(c.TextExtent("ab").cx, 14);
}

TEST(RasterCanvas, GuardBandSaturation)
{
    EXPECT_EQ(SaturateCoord(1e12), GuardBand);
    EXPECT_EQ(SaturateCoord(-1e12), -GuardBand);
    EXPECT_EQ(SaturateCoord(std::nan("")), -GuardBand);
    EXPECT_EQ(SaturateCoord(-2.7), -2);   // cut toward zero
    EXPECT_EQ(SaturateCoord(2.7), 2);
    // Coordinates near the int32 limits draw the visible part, quickly.
    RasterCanvas c(50, 50);
    c.SetPenColor(0xFFFFFF);
    c.SetBrushColor(0xFFFFFF);
    c.MoveTo(INT32_MIN, 25);
    c.LineTo(INT32_MAX, 25);
    EXPECT_EQ(Count(c, 0xFFFFFF), 50);
    c.Fill(0);
    c.SetPenWidth(7);
    c.MoveTo(-2000000000, -2000000000);
    c.LineTo(2000000000, 2000000000);
    EXPECT_EQ(c.Pixel(25, 25), 0xFFFFFFu);
    EXPECT_EQ(c.Pixel(45, 5), 0u);
    c.Fill(0);
    c.SetPenWidth(1);
    c.Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);   // a huge disc covers all
    EXPECT_EQ(Count(c, 0xFFFFFF), 2500);
    c.Fill(0);
    const Point tri[] = {{INT32_MIN, INT32_MIN}, {INT32_MAX, 0}, {INT32_MIN, INT32_MAX}};
    c.Polygon(tri);
    EXPECT_GT(Count(c, 0xFFFFFF), 1000);
}

TEST(RasterCanvas, FillMaskUsesPenModeOnce)
{
    RasterCanvas mask(4, 1, MaskEmpty);
    mask.SetPixel(0, 0, MaskPen);
    mask.SetPixel(1, 0, MaskBrush);
    mask.SetPixel(2, 0, MaskBrush);
    RasterCanvas c(6, 1, 0x00FF00);
    c.SetPenMode(PenMode::Xor);
    c.SetPenColor(0x0000FF);
    c.SetBrushColor(0xFF0000);
    c.FillMask(mask, 1, 0);
    EXPECT_EQ(c.Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(c.Pixel(1, 0), 0x00FFFFu);
    EXPECT_EQ(c.Pixel(2, 0), 0xFFFF00u);
    EXPECT_EQ(c.Pixel(4, 0), 0x00FF00u);   // empty mask pixels leave the picture
    c.FillMask(mask, -100, 0);             // outside: nothing
}

namespace {

// A figure drawn on a raster that has drawn many others gives the same
// pixels as on a fresh one: kept shapes (polygons repeated at other places)
// and stamped mask runs change nothing.
TEST(RasterCanvas, RepeatedFiguresSameAsOnAFreshRaster)
{
    std::mt19937 rng(99);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<std::vector<Point>> shapes;
    for (int s = 0; s < 12; ++s) {
        std::vector<Point> pts;
        const int n = 3 + pick(15);
        for (int k = 0; k < n; ++k) pts.push_back({pick(60), pick(45)});
        shapes.push_back(pts);
    }
    RasterCanvas shared(300, 200);
    const PenMode modes[] = {PenMode::Merge, PenMode::Xor, PenMode::Copy};
    for (int round = 0; round < 400; ++round) {
        const auto& shape = shapes[static_cast<std::size_t>(pick(12))];
        const int dx = pick(260) - 10, dy = pick(170) - 10;   // now and then over the edge
        std::vector<Point> pts;
        for (const Point& p : shape) pts.push_back({p.x + dx, p.y + dy});
        const PenMode mode = modes[pick(3)];
        const BrushStyle brush = pick(4) == 0 ? BrushStyle::BDiagonal : BrushStyle::Solid;
        const Color pen = RGB(pick(2) * 255, 90, 17);
        const Color fillColor = pick(3) == 0 ? pen : RGB(3, 200, 60);   // one colour: pen and fill as one
        RasterCanvas fresh(300, 200);
        fresh.Blit(shared, 0, 0, RasterCanvas::BlitOp::Copy);
        for (RasterCanvas* c : {&shared, &fresh}) {
            c->SetPenMode(mode);
            c->SetPenColor(pen);
            c->SetBrushColor(fillColor);
            c->SetBrushStyle(brush);
            c->Polygon(pts);
        }
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x) ASSERT_EQ(shared.Pixel(x, y), fresh.Pixel(x, y)) << round;
    }

    // Mask runs against the mask itself.
    RasterCanvas mask(23, 17, MaskEmpty);
    mask.SetPenColor(MaskPen);
    mask.SetBrushColor(MaskBrush);
    mask.Ellipse(1, 1, 22, 16);
    mask.SetPenColor(MaskEmpty);
    mask.SetBrushColor(MaskEmpty);
    mask.Ellipse(7, 5, 15, 12);
    std::vector<RasterCanvas::MaskRun> runs;
    RasterCanvas::MaskRuns(mask, runs);
    // Whole on the raster or over its edges, on a whole raster and on a
    // row window (rows 12..26), in each mode, pen and brush alike or not.
    const PenMode maskModes[] = {PenMode::Merge, PenMode::Xor, PenMode::Copy};
    for (int round = 0; round < 120; ++round) {
        RasterCanvas a(60, 40, RGB(10, 20, 30)), b(60, 40, RGB(10, 20, 30)), w;
        w.ResizeWindow(60, 40, 12, 15, RGB(10, 20, 30));
        const int left = pick(80) - 20, top = pick(60) - 20;
        for (RasterCanvas* c : {&a, &b, &w}) {
            c->SetPenMode(maskModes[round % 3]);
            c->SetPenColor(RGB(200, 0, 7));
            c->SetBrushColor(round % 4 < 2 ? RGB(200, 0, 7) : RGB(0, 99, 0));
            c->SetBrushStyle(round % 5 ? BrushStyle::Solid : BrushStyle::BDiagonal);
        }
        a.FillMask(mask, left, top);
        b.FillMaskRuns(runs, left, top);
        w.FillMaskRuns(runs, left, top);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) {
                ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << round;
                if (y >= 12 && y < 27) {
                    ASSERT_EQ(a.Pixel(x, y), w.Pixel(x, y)) << round;
                }
            }
    }
}

} // namespace

// A wide polyline painted segment by segment (OR and copy modes) must cover
// exactly the pixels of the union that XOR paints once each, windows and
// clipping included, and leave the current position alone.
TEST(RasterCanvas, WidePolylinesBySegmentsCoverTheUnion)
{
    std::mt19937 rng(41);
    std::uniform_int_distribution<int> coord(-30, 150), len(-40, 40), width(2, 12), count(2, 17);
    for (int round = 0; round < 400; ++round) {
        std::vector<Point> pts{{coord(rng), coord(rng)}};
        const int n = count(rng);
        // Some points repeat the one before (arcs of a few pixels do), and
        // some polylines lie all at one point.
        for (int k = 1; k < n; ++k)
            pts.push_back(rng() % 3 == 0 ? pts.back() : Point{pts.back().x + len(rng), pts.back().y + len(rng)});
        if (round % 40 == 0) pts.assign(pts.size(), pts.front());
        const int w = width(rng);
        const int top = round % 3 == 0 ? 37 : 0, rows = round % 3 == 0 ? 41 : 120;
        RasterCanvas once, merged, copied;
        for (RasterCanvas* c : {&once, &merged, &copied}) {
            c->ResizeWindow(120, 120, top, rows, 0);
            c->SetPenWidth(w);
            c->SetPenColor(RGB(0, 200, 40));
            c->MoveTo(5, 6);
        }
        once.SetPenMode(PenMode::Xor);
        merged.SetPenMode(PenMode::Merge);
        copied.SetPenMode(PenMode::Copy);
        once.Polyline(pts);
        merged.Polyline(pts);
        copied.Polyline(pts);
        for (int y = top; y < top + rows; ++y)
            for (int x = 0; x < 120; ++x) {
                ASSERT_EQ(merged.Pixel(x, y), once.Pixel(x, y)) << "round " << round << " at " << x << "," << y;
                ASSERT_EQ(copied.Pixel(x, y), once.Pixel(x, y)) << "round " << round << " at " << x << "," << y;
            }
        // The pen still starts from where MoveTo left it.
        merged.SetPenMode(PenMode::Xor);
        once.SetPenMode(PenMode::Xor);
        merged.LineTo(60, 70);
        once.LineTo(60, 70);
        for (int y = top; y < top + rows; ++y)
            for (int x = 0; x < 120; ++x) ASSERT_EQ(merged.Pixel(x, y), once.Pixel(x, y)) << "round " << round;
    }
}
