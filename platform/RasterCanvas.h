#pragma once
// Our own rasteriser on a 32-bit pixel buffer (0xFFRRGGBB, the layout of a
// Qt RGB32 image, so the Qt side can draw text on the same memory).
//
// Coverage rule. A pixel (x, y) is the unit square [x, x+1) × [y, y+1); it
// is covered by a figure when its centre (x + 0.5, y + 0.5) is:
//  - Polygon fill: inside the polygon whose vertices are the centres of the
//    given pixels, by the even-odd rule. A centre exactly on an edge counts
//    for the edge's right and lower side only, so polygons that share an
//    edge never share a pixel, and the rectangle polygon (l, t)–(r, b)
//    fills exactly columns l..r-1 and rows t..b-1 (crossings are worked
//    out in whole numbers, so this holds exactly). (Device points are cut
//    toward zero from real ones; taking them as centres keeps a polygon
//    where it belongs on average, half a pixel lower right than corners.)
//  - Ellipse fill: inside or on the ellipse inscribed in the box [l, r] ×
//    [t, b] (pixel corners): the box's right column and bottom row stay out.
//  - Rectangle fill: the box, right column and bottom row excluded.
//  - One-pixel pen: the Bresenham path from the first pixel to the last,
//    both included (the minor coordinate rounded half up). A LineTo that
//    continues a LineTo leaves out its first pixel, and one that closes the
//    chain on its start leaves out its last, so a joined path changes each
//    joint once. The outline of an ellipse or rectangle is the set of
//    its filled pixels that touch an uncovered pixel on a side.
//  - Wide pen of width w: within w/2 of the path, round caps and joins. The
//    path runs through pixel centres for odd w and through the pixels' top
//    left corners for even w, so a w-wide pen is exactly w pixels across on
//    straight runs. Ellipse outlines: between the ellipses (a ± w/2 - 1/2,
//    b ± w/2 - 1/2), centred on the one-pixel outline.
//  - Dotted pen (one pixel wide only; wider pens and ellipse outlines are
//    solid): 3 pixels on, 3 off, counted along the path from its start.
// Within one figure each pixel is changed once: pen pixels take the pen,
// the remaining filled pixels the brush, both in the pen mode. No
// antialiasing. Coordinates are saturated to the guard band; everything is
// clipped to the buffer.
//
// A raster may hold only a band of rows of its picture (a row window), so
// that bands of one picture can be drawn on separate threads. Coordinates
// stay the picture's; a figure changes exactly the held pixels it would
// change on the whole picture, dotted pens and hatches keeping their phase.
#include "platform/Canvas.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class RasterCanvas;

// Text on a raster, provided by the window side (a painter on the same
// memory). Without one, text draws nothing and measures 0.
class RasterTextHook {
public:
    virtual ~RasterTextHook() = default;
    virtual void TextOut(RasterCanvas& canvas, int x, int y, std::string_view text) = 0;
    virtual TextSize TextExtent(const RasterCanvas& canvas, std::string_view text) = 0;
};

// The program-wide hook used by every raster that has none of its own.
void SetRasterTextHook(RasterTextHook* hook);
RasterTextHook* GetRasterTextHook();

// Pixel memory: a picture's pixels are touched all over in no order, so a
// big one (a band of a picture too) sits on huge pages where the system has
// them: far fewer address translations missed.
template <class T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept {}
    T* allocate(std::size_t n)
    {
        constexpr std::size_t Big = std::size_t{512} << 10, Huge = std::size_t{2} << 20;
        const std::size_t bytes = n * sizeof(T);
        return static_cast<T*>(AllocateLarge(bytes >= Big ? std::max(bytes, Huge) : bytes));
    }
    void deallocate(T* p, std::size_t) noexcept { FreeLarge(p); }
    template <class U>
    bool operator==(const PixelAllocator<U>&) const noexcept { return true; }
};

class RasterCanvas final : public Canvas {
public:
    enum class BlitOp : std::uint8_t { Copy, Or };

    RasterCanvas() = default;
    RasterCanvas(int width, int height, Color fill = 0);

    // New size, every pixel `fill`: the whole picture held. Keeps the memory
    // when it shrinks.
    void Resize(int width, int height, Color fill = 0) { ResizeWindow(width, height, 0, height, fill); }
    // A raster may hold only rows [top, top + rows) of a width × height
    // picture (clamped to the picture). Width() and Height() stay the
    // picture's; every figure is clipped to the rows held; Scanline(y) and
    // Pixel(x, y) take picture rows (Scanline only for rows held); Bits()
    // is the first row held.
    void ResizeWindow(int width, int height, int top, int rows, Color fill = 0);
    int WindowTop() const { return top_; }     // first row held (0 for a whole raster)
    int WindowRows() const { return rows_; }   // rows held (Height() for a whole raster)
    // Every held pixel `c`.
    void Fill(Color c);

    int Width() const override { return width_; }
    int Height() const override { return height_; }

    std::uint32_t* Bits() { return pixels_.data(); }
    const std::uint32_t* Bits() const { return pixels_.data(); }
    std::uint32_t* Scanline(int y) { return pixels_.data() + Offset(y); }
    const std::uint32_t* Scanline(int y) const { return pixels_.data() + Offset(y); }
    // The Windows colour value of a pixel; 0 outside the rows held.
    Color Pixel(int x, int y) const;

    // Another raster placed with its top left at (dx, dy): copied, or OR-ed
    // onto this one (the way layer pictures are combined). Rows are picture
    // rows of each: source row s lands on row s + dy; only rows that the
    // source holds and that land on rows held here are touched.
    void Blit(const RasterCanvas& src, int dx, int dy, BlitOp op);

    static constexpr std::uint32_t ToPixel(Color c)
    {
        return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
    }
    static constexpr Color ToColor(std::uint32_t p)
    {
        return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }

    // A text hook for this raster alone (nullptr: the program-wide one).
    void SetTextHook(RasterTextHook* hook) { textHook_ = hook; }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(std::span<const Point> points) override;
    void Polygon(std::span<const Point> points) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void FillRect(const Rect& r) override;
    void SetPixel(int x, int y, Color c) override;
    void TextOut(int x, int y, std::string_view text) override;
    TextSize TextExtent(std::string_view text) override;
    void FillMask(const RasterCanvas& mask, int left, int top) override;

    struct Span {
        std::int32_t y, x0, x1;   // columns x0..x1-1 of row y
    };
    // A flash mask as runs: columns x0..x1-1 of row y take the pen (else
    // the brush). Stamping the runs of a mask with FillMaskRuns changes the
    // same pixels the same way as FillMask with the mask itself.
    struct MaskRun {
        std::int32_t y, x0, x1;
        bool pen;
    };
    // Masks are read from the rows they hold (whole rasters in practice).
    static void MaskRuns(const RasterCanvas& mask, std::vector<MaskRun>& out);
    void FillMaskRuns(std::span<const MaskRun> runs, int left, int top);
    struct Op {
        std::uint32_t a, o, x;    // pixel = ((pixel & a) | o) ^ x
    };

private:
    std::ptrdiff_t Offset(int y) const
    {
        return static_cast<std::ptrdiff_t>(y - top_) * static_cast<std::ptrdiff_t>(width_);
    }
    bool Held(int y) const { return y >= top_ && y < end_; }

    // A polygon edge stepped row by row in whole numbers: the crossing of
    // the current row centre is x0 + t / dy with t = (y - yTop) * dx, kept
    // as its floor f and the remainder r (0 <= r < dy).
    struct Edge {
        std::int64_t f, r, fStep, rStep, dy;
        std::int32_t yTop, yEnd;   // first row and one past the last
    };

    Op MakeOp(Color c) const;
    void PaintPen(int y, int x0, int x1, const Op& op);
    void PaintBrush(int y, int x0, int x1, const Op& op);
    // Pen spans of a path (open or closed) into pen_, sorted and merged.
    void PathSpans(std::span<const Point> points, bool closed, bool skipFirst);
    void CapsuleSpans(double ax, double ay, double bx, double by, double r, std::vector<Span>& out, int rowMin,
                      int rowEnd, int colMin, int colEnd);
    static constexpr int PatternMaxWidth = 8, PatternReach = 48, EllipsePatternMax = 64;
    // Short wide lines and small circles repeat: their spans are kept,
    // relative to the start pixel or the box's top left, built on first use.
    struct PatternRef {
        std::int32_t start = -1, count = 0;
        std::int16_t left = 0, top = 0, right = 0, bottom = 0;   // bounds of its spans, right and bottom outside
    };
    struct EllipseRow {
        std::int32_t lo, i0, i1, hi;   // outline [lo, i0) and [i1, hi), fill [i0, i1)
    };
    // Built on first use; the lookup itself is small enough to inline.
    const PatternRef& LinePattern(int w, int dx, int dy)
    {
        constexpr int D = 2 * PatternReach + 1;
        if (!linePatterns_.empty()) {
            const PatternRef& ref = linePatterns_[(static_cast<std::size_t>(w - 2) * D + static_cast<std::size_t>(dx + PatternReach)) * D +
                                                  static_cast<std::size_t>(dy + PatternReach)];
            if (ref.start >= 0) return ref;
        }
        return BuildLinePattern(w, dx, dy);
    }
    const PatternRef& BuildLinePattern(int w, int dx, int dy);
    const PatternRef& EllipsePattern(int w, int h);
    static EllipseRow EllipseRowAt(double a, double b, int ry);
    void PaintEllipseRow(int y, int left, const EllipseRow& r, const Op& penOp, const Op& brushOp, bool oneOp);
    void LinePixels(Point a, Point b, bool skipFirst, bool paintNow, bool skipLast = false);
    void FillSpans(std::span<const Point> points);
    void Compose() { Compose(pen_, fill_, 0, 0); }
    // The spans moved by (dx, dy): the pen over the fill.
    void Compose(std::span<const Span> pen, std::span<const Span> fill, int dx, int dy);
    bool PolygonFromCache();
    // The path (and for a closed one its fill) of closed_ as bit rows over
    // the visible box, painted run by run: no sorting or merging, and each
    // pixel once. False when the visible box is too wide for it.
    bool DrawAsBits(bool closed);
    void SortMerge(std::vector<Span>& spans);
    RasterTextHook* Hook() const;

    int width_ = 0, height_ = 0;
    int top_ = 0, rows_ = 0, end_ = 0;   // rows held: [top_, end_), end_ = top_ + rows_
    std::vector<std::uint32_t, PixelAllocator<std::uint32_t>> pixels_;
    RasterTextHook* textHook_ = nullptr;
    bool chained_ = false;   // the pen position is the end of a LineTo
    Point chainStart_;       // where the chain of LineTo calls began
    int dotPhase_ = 0;       // position in the dot pattern along the path
    // Scratch, kept between figures.
    std::vector<Span> pen_, fill_, sortTmp_;
    std::vector<std::int32_t> rowStart_;
    std::vector<Edge> edges_;
    std::vector<std::int32_t> active_;
    std::vector<std::int32_t> crossings_;
    std::vector<Point> closed_;
    std::vector<PatternRef> linePatterns_, ellipsePatterns_;
    std::vector<Span> linePool_;
    // Polygons drawn again elsewhere (a pad shape at many places): their
    // spans relative to the first point, kept from the second time a shape
    // is seen.
    struct ShapeSlot {
        std::uint64_t hash = 0;
        std::uint32_t points = 0, pen = 0, fill = 0, both = 0;
        std::vector<Span> data;   // points as {x, y, 0}, then the pen, fill and union spans
    };
    std::vector<ShapeSlot> shapes_;
    std::vector<std::uint64_t> shapesSeen_;
    std::vector<Point> shapeKey_;
    std::size_t shapeBytes_ = 0;
    std::vector<EllipseRow> ellipsePool_;
    std::vector<std::uint64_t> bits_;   // pen rows, then fill rows, of DrawAsBits
};

} // namespace platform
