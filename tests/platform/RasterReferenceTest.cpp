// Polygons and polylines against a plain rasteriser of the coverage rules
// in the header, pixel by pixel in whole numbers: slow and obviously right.
#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

using namespace platform;

namespace {

struct Pen {
    int width = 1;
    bool dotted = false;
};

using Grid = std::vector<char>;   // one flag per pixel of a w × h picture

// The one-pixel path of a segment: step i is i along the major axis and
// i·|minor|/|major| along the other, rounded half up; the dot pattern counts
// steps from the start of the whole path.
void PathPixels(Grid& g, int w, int h, Point a, Point b, bool skipFirst, long long& index, bool dotted)
{
    const long long dx = b.x - a.x, dy = b.y - a.y, steps = std::max(std::llabs(dx), std::llabs(dy));
    for (long long i = skipFirst ? 1 : 0; i <= steps; ++i) {
        auto at = [&](long long p, long long d) {
            if (steps == 0) return p;
            const long long along = (2 * i * std::llabs(d) + steps) / (2 * steps);
            return d < 0 ? p - along : p + along;
        };
        const long long x = at(a.x, dx), y = at(a.y, dy);
        if ((!dotted || (index + i) % 6 < 3) && x >= 0 && y >= 0 && x < w && y < h) g[static_cast<std::size_t>(y * w + x)] = 1;
    }
    index += steps;
}

// Within width/2 of the segment: in doubled coordinates, where the path
// runs through centres (odd widths) or corners (even), all is whole.
bool NearSegment(long long px, long long py, long long ax, long long ay, long long bx, long long by, long long width)
{
    const long long r2 = width * width;   // (2 · width/2)²
    const long long dx = bx - ax, dy = by - ay, ex = px - ax, ey = py - ay;
    const long long l2 = dx * dx + dy * dy, along = ex * dx + ey * dy;
    if (l2 > 0 && along >= 0 && along <= l2) {
        const long long cross = dx * ey - dy * ex;
        return cross * cross <= r2 * l2;
    }
    const long long fx = px - bx, fy = py - by;
    return ex * ex + ey * ey <= r2 || fx * fx + fy * fy <= r2;
}

Grid PenPixels(const std::vector<Point>& pts, bool closed, const Pen& pen, int w, int h)
{
    Grid g(static_cast<std::size_t>(w * h), 0);
    const std::size_t n = pts.size(), segs = closed ? n : n - 1;
    if (pen.width == 1) {
        long long index = 0;
        for (std::size_t i = 0; i < segs; ++i) PathPixels(g, w, h, pts[i], pts[(i + 1) % n], i != 0, index, pen.dotted);
        return g;
    }
    const long long off = pen.width & 1;   // doubled half pixel
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (std::size_t i = 0; i < segs && !g[static_cast<std::size_t>(y * w + x)]; ++i) {
                const Point a = pts[i], b = pts[(i + 1) % n];
                if (NearSegment(2 * x + 1, 2 * y + 1, 2LL * a.x + off, 2LL * a.y + off, 2LL * b.x + off, 2LL * b.y + off, pen.width))
                    g[static_cast<std::size_t>(y * w + x)] = 1;
            }
    return g;
}

// Even-odd with vertices at pixel centres: count the edges whose crossing
// of the row lies at or left of the pixel (a centre on an edge is right of it).
Grid FillPixels(const std::vector<Point>& pts, int w, int h)
{
    Grid g(static_cast<std::size_t>(w * h), 0);
    const std::size_t n = pts.size();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int count = 0;
            for (std::size_t i = 0; i < n; ++i) {
                Point p = pts[i], q = pts[(i + 1) % n];
                if (p.y == q.y) continue;
                if (p.y > q.y) std::swap(p, q);
                if (y < p.y || y >= q.y) continue;
                // p.x + (y - p.y)(q.x - p.x)/(q.y - p.y) <= x
                count += static_cast<long long>(p.x) * (q.y - p.y) + static_cast<long long>(y - p.y) * (q.x - p.x) <=
                         static_cast<long long>(x) * (q.y - p.y);
            }
            g[static_cast<std::size_t>(y * w + x)] = count & 1;
        }
    return g;
}

std::uint32_t Mix(std::uint32_t pixel, PenMode mode, Color c)
{
    const std::uint32_t rgb = RasterCanvas::ToPixel(c) & 0xFFFFFFu;
    switch (mode) {
    case PenMode::Merge: return pixel | rgb;
    case PenMode::Xor: return pixel ^ rgb;
    case PenMode::NotXor: return pixel ^ rgb ^ 0xFFFFFFu;
    default: return 0xFF000000u | rgb;
    }
}

// Pen pixels take the pen; the other filled ones the brush (a hatch: only
// where x + y = 7 mod 8). Each once.
void Reference(std::vector<std::uint32_t>& px, int w, int h, const std::vector<Point>& pts, bool closed, const Pen& pen,
               PenMode mode, Color penColor, Color brushColor, BrushStyle brush)
{
    const Grid p = PenPixels(pts, closed, pen, w, h);
    const Grid f = closed && pts.size() >= 3 && brush != BrushStyle::Clear ? FillPixels(pts, w, h) : Grid(p.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t k = static_cast<std::size_t>(y * w + x);
            if (p[k])
                px[k] = Mix(px[k], mode, penColor);
            else if (f[k] && (brush == BrushStyle::Solid || (x + y) % 8 == 7))
                px[k] = Mix(px[k], mode, brushColor);
        }
}

} // namespace

TEST(RasterReference, PolygonsAndPolylinesFollowTheCoverageRules)
{
    constexpr int W = 72, H = 60;
    std::mt19937 rng(2024);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const PenMode modes[] = {PenMode::Copy, PenMode::Merge, PenMode::Xor, PenMode::NotXor};
    const BrushStyle brushes[] = {BrushStyle::Solid, BrushStyle::BDiagonal, BrushStyle::Clear};
    RasterCanvas c(W, H);
    RasterCanvas band;
    std::vector<std::uint32_t> ref(static_cast<std::size_t>(W * H));
    for (int k = 0; k < 2500; ++k) {
        for (int i = 0; i < W * H; ++i) ref[static_cast<std::size_t>(i)] = RasterCanvas::ToPixel(static_cast<Color>(rng() & 0xFFFFFF));
        std::copy(ref.begin(), ref.end(), c.Bits());
        // Small figures (the redraw's tracks and arcs), large ones, ones
        // reaching out of the picture, and thin slivers with edges through
        // pixel centres.
        const int reach = k % 4 == 0 ? 150 : (k % 4 == 1 ? 24 : 80);
        const int x0 = pick(W + 20) - 10 - reach / 2, y0 = pick(H + 20) - 10 - reach / 2;
        std::vector<Point> pts;
        const int n = k % 3 == 0 ? 4 : 2 + pick(k % 3 == 1 ? 17 : 8);
        for (int i = 0; i < n; ++i) pts.push_back({x0 + pick(reach), y0 + pick(reach)});
        if (k % 7 == 0 && n >= 3) pts[2] = {pts[0].x + 2 * (pts[1].x - pts[0].x), pts[0].y + 2 * (pts[1].y - pts[0].y)};
        const bool closed = pick(2) == 0;
        Pen pen;
        pen.width = pick(2) ? 1 : 1 + pick(12);
        pen.dotted = pen.width == 1 && pick(4) == 0;
        const PenMode mode = modes[pick(4)];
        const Color penColor = static_cast<Color>(rng() & 0xFFFFFF);
        const Color brushColor = pick(2) ? penColor : static_cast<Color>(rng() & 0xFFFFFF);
        const BrushStyle brush = brushes[pick(3)];
        c.SetPenWidth(pen.width);
        c.SetPenStyle(pen.dotted ? PenStyle::Dot : PenStyle::Solid);
        c.SetPenMode(mode);
        c.SetPenColor(penColor);
        c.SetBrushColor(brushColor);
        c.SetBrushStyle(brush);
        if (closed)
            c.Polygon(pts);
        else
            c.Polyline(pts);
        Reference(ref, W, H, pts, closed, pen, mode, penColor, brushColor, brush);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(c.Scanline(y)[x], ref[static_cast<std::size_t>(y * W + x)])
                    << "figure " << k << (closed ? " polygon" : " polyline") << " of " << n << " width " << pen.width << " at " << x
                    << "," << y;
    }
}

TEST(RasterReference, FillCentresExactlyOnAnEdge)
{
    // Edges whose crossing of some row is a whole number that the step
    // dx/dy, rounded, overshoots: the centre there is right of the edge.
    // A dotted outline leaves gaps where the fill shows.
    constexpr int W = 72, H = 60;
    struct Edge { int dx, dy; };
    const Edge edges[] = {{-60, 22}, {50, 22}, {54, 26}, {36, 28}, {-45, 33}, {45, 35}, {42, 38}, {46, 42}};
    RasterCanvas c(W, H);
    std::vector<std::uint32_t> ref(static_cast<std::size_t>(W * H));
    Pen pen;
    pen.dotted = true;
    for (const Edge& e : edges)
        for (int start = 0; start < 6; ++start) {
            // Each vertex first, both ways round: the dots fall elsewhere.
            const int x0 = e.dx < 0 ? 65 : 4, y0 = 5;
            std::vector<Point> tri = {{x0, y0}, {x0 + e.dx, y0 + e.dy}, {x0, y0 + e.dy}};
            std::rotate(tri.begin(), tri.begin() + start % 3, tri.end());
            if (start >= 3) std::reverse(tri.begin(), tri.end());
            std::fill(ref.begin(), ref.end(), 0xFF000000u);
            std::copy(ref.begin(), ref.end(), c.Bits());
            c.SetPenStyle(PenStyle::Dot);
            c.SetPenColor(RGB(255, 0, 0));
            c.SetBrushColor(RGB(0, 0, 255));
            c.Polygon(tri);
            Reference(ref, W, H, tri, true, pen, PenMode::Copy, RGB(255, 0, 0), RGB(0, 0, 255), BrushStyle::Solid);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    ASSERT_EQ(c.Scanline(y)[x], ref[static_cast<std::size_t>(y * W + x)]) << e.dx << "/" << e.dy << " at " << x << "," << y;
        }
}
