#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

using namespace platform;

namespace {

constexpr int W = 90, H = 70;

struct Band {
    int top, rows;
};
// Bands that tile the picture, single rows (at the edges too), and bands
// that most figures reach only in part.
constexpr Band Bands[] = {{0, H}, {0, 1}, {H - 1, 1}, {33, 1}, {0, 9}, {9, 17}, {26, 30}, {56, 14}, {20, 3}, {40, 29}};

Color Background(int x, int y) { return RGB(x * 3, y * 5, (x ^ y) * 7); }

void Paint(RasterCanvas& c)
{
    for (int y = c.WindowTop(); y < c.WindowTop() + c.WindowRows(); ++y)
        for (int x = 0; x < c.Width(); ++x) c.SetPixel(x, y, Background(x, y));
}

// A random pen, brush and mode, then one random figure: the same on every
// raster for the same generator state.
class Scene {
public:
    Scene()
    {
        std::mt19937 rng(17);
        for (int s = 0; s < 6; ++s) {
            std::vector<Point> pts;
            const int n = 3 + static_cast<int>(rng() % 6);
            for (int k = 0; k < n; ++k) pts.push_back({static_cast<int>(rng() % 14), static_cast<int>(rng() % 12)});
            shapes_.push_back(pts);
        }
        mask_.Resize(13, 11, MaskEmpty);
        mask_.SetPenColor(MaskPen);
        mask_.SetBrushColor(MaskBrush);
        mask_.Ellipse(0, 0, 13, 11);
        mask_.SetPenColor(MaskEmpty);
        mask_.SetBrushColor(MaskEmpty);
        mask_.Rectangle(5, 4, 8, 7);
        RasterCanvas::MaskRuns(mask_, runs_);
    }

    void Draw(RasterCanvas& c, std::mt19937& rng) const
    {
        auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        auto coord = [&](int span) { return pick(span + 60) - 30; };
        const PenMode modes[] = {PenMode::Copy, PenMode::Merge, PenMode::Xor, PenMode::NotXor};
        const BrushStyle brushes[] = {BrushStyle::Solid, BrushStyle::Solid, BrushStyle::BDiagonal, BrushStyle::Clear};
        c.SetPenMode(modes[pick(4)]);
        c.SetPenColor(static_cast<Color>(rng() & 0xFFFFFF));
        c.SetBrushColor(pick(3) == 0 ? c.PenColor() : static_cast<Color>(rng() & 0xFFFFFF));
        c.SetBrushStyle(brushes[pick(4)]);
        c.SetPenStyle(pick(4) == 0 ? PenStyle::Dot : PenStyle::Solid);
        c.SetPenWidth(pick(2) == 0 ? 1 : 1 + pick(9));
        std::vector<Point> pts;
        switch (pick(10)) {
        case 0: {   // a chain of lines, now and then closed on its start
            const Point a{coord(W), coord(H)};
            c.MoveTo(a.x, a.y);
            const int n = 1 + pick(3);
            for (int k = 0; k < n; ++k) c.LineTo(coord(W), coord(H));
            if (pick(2)) c.LineTo(a.x, a.y);
            break;
        }
        case 1: {   // a short line from the kept patterns
            const Point a{coord(W), coord(H)};
            c.SetPenWidth(2 + pick(7));
            c.MoveTo(a.x, a.y);
            c.LineTo(a.x + pick(97) - 48, a.y + pick(97) - 48);
            break;
        }
        case 2: {
            const int n = 2 + pick(16);
            for (int k = 0; k < n; ++k) pts.push_back({coord(W), coord(H)});
            c.Polyline(pts);
            break;
        }
        case 3:
        case 4: {   // a repeated shape, kept after its second use
            const auto& shape = shapes_[static_cast<std::size_t>(pick(static_cast<int>(shapes_.size())))];
            const int dx = pick(W + 10) - 10, dy = pick(H + 10) - 10;
            for (const Point& p : shape) pts.push_back({p.x + dx, p.y + dy});
            if (pick(2)) c.SetPenWidth(1);
            c.Polygon(pts);
            break;
        }
        case 5: {
            const int n = 3 + pick(8);
            for (int k = 0; k < n; ++k) pts.push_back({coord(W), coord(H)});
            c.Polygon(pts);
            break;
        }
        case 6: {
            const int l = coord(W), t = coord(H);
            if (pick(2))
                c.Ellipse(l, t, l + pick(40), t + pick(40));   // small: kept patterns
            else
                c.Ellipse(l, t, coord(W) * 2, coord(H) * 2);
            break;
        }
        case 7: c.Rectangle(coord(W), coord(H), coord(W), coord(H)); break;
        case 8:
            if (pick(2))
                c.FillRect({coord(W), coord(H), coord(W), coord(H)});
            else
                c.SetPixel(pick(W), pick(H), static_cast<Color>(rng() & 0xFFFFFF));
            break;
        default: {
            const int l = coord(W), t = coord(H);
            if (pick(2))
                c.FillMask(mask_, l, t);
            else
                c.FillMaskRuns(runs_, l, t);
            break;
        }
        }
    }

private:
    std::vector<std::vector<Point>> shapes_;
    RasterCanvas mask_;
    std::vector<RasterCanvas::MaskRun> runs_;
};

} // namespace

TEST(RasterWindow, HoldsOnlyItsRowsInPictureCoordinates)
{
    RasterCanvas c;
    c.ResizeWindow(5, 10, 4, 3, RGB(1, 2, 3));
    EXPECT_EQ(c.Width(), 5);
    EXPECT_EQ(c.Height(), 10);
    EXPECT_EQ(c.WindowTop(), 4);
    EXPECT_EQ(c.WindowRows(), 3);
    EXPECT_EQ(c.Pixel(0, 4), RGB(1, 2, 3));
    EXPECT_EQ(c.Pixel(0, 3), 0u);   // not held: 0, no crash
    EXPECT_EQ(c.Pixel(0, 7), 0u);
    c.SetPixel(2, 5, RGB(9, 9, 9));
    EXPECT_EQ(c.Scanline(5)[2], RasterCanvas::ToPixel(RGB(9, 9, 9)));
    EXPECT_EQ(c.Bits() + 5 + 2, &c.Scanline(5)[2]);   // Bits() is the first row held
    c.Fill(0);
    EXPECT_EQ(c.Pixel(2, 5), 0u);
    // Windows reaching past the picture are cut to it; Resize holds it all.
    c.ResizeWindow(5, 10, 8, 6);
    EXPECT_EQ(c.WindowRows(), 2);
    c.ResizeWindow(5, 10, -3, 4);
    EXPECT_EQ(c.WindowTop(), 0);
    EXPECT_EQ(c.WindowRows(), 4);
    c.Resize(6, 7);
    EXPECT_EQ(c.WindowTop(), 0);
    EXPECT_EQ(c.WindowRows(), 7);
}

TEST(RasterWindow, FiguresChangeTheHeldRowsAsOnTheWholePicture)
{
    const Scene scene;
    RasterCanvas whole(W, H);
    std::vector<RasterCanvas> windows(std::size(Bands));
    for (std::size_t i = 0; i < windows.size(); ++i) windows[i].ResizeWindow(W, H, Bands[i].top, Bands[i].rows);
    Paint(whole);
    for (RasterCanvas& w : windows) Paint(w);
    for (unsigned k = 0; k < 3000; ++k) {
        std::mt19937 rng(k);
        scene.Draw(whole, rng);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            std::mt19937 same(k);
            scene.Draw(windows[i], same);
            const Band b = Bands[i];
            for (int y = b.top; y < b.top + b.rows; ++y)
                ASSERT_EQ(0, std::memcmp(whole.Scanline(y), windows[i].Scanline(y), W * sizeof(std::uint32_t)))
                    << "figure " << k << " window " << b.top << "+" << b.rows << " row " << y;
        }
    }
}

TEST(RasterWindow, BlitTakesRowsBothHold)
{
    RasterCanvas src;
    src.ResizeWindow(6, 20, 5, 4);   // rows 5..8
    for (int y = 5; y < 9; ++y)
        for (int x = 0; x < 6; ++x) src.SetPixel(x, y, RGB(x, y, 1));
    RasterCanvas whole(6, 20), dst;
    dst.ResizeWindow(6, 20, 7, 5);   // rows 7..11
    for (RasterCanvas* d : {&whole, &dst}) d->Blit(src, 1, 2, RasterCanvas::BlitOp::Copy);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool landed = y >= 7 && y < 11 && x >= 1;   // source rows 5..8 land on 7..10
            EXPECT_EQ(whole.Pixel(x, y), landed ? RGB(x - 1, y - 2, 1) : 0u) << x << "," << y;
            if (y >= 7 && y < 12) {
                EXPECT_EQ(dst.Pixel(x, y), whole.Pixel(x, y)) << x << "," << y;
            }
        }
    // Bands OR-ed onto a whole picture rebuild it.
    RasterCanvas sum(6, 20);
    for (int top = 0; top < 20; top += 7) {
        RasterCanvas band;
        band.ResizeWindow(6, 20, top, 7);
        band.Blit(whole, 0, 0, RasterCanvas::BlitOp::Copy);
        sum.Blit(band, 0, 0, RasterCanvas::BlitOp::Or);
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(sum.Pixel(x, y), whole.Pixel(x, y));
}
