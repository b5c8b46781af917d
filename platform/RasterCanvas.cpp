#include "platform/RasterCanvas.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform {

namespace {

RasterTextHook* globalHook = nullptr;

// Slack for centres that fall exactly on a round outline.
constexpr double Tie = 1e-9;
constexpr double Inf = std::numeric_limits<double>::infinity();

inline std::int32_t Sat(int v) { return v < -GuardBand ? -GuardBand : (v > GuardBand ? GuardBand : v); }

inline long long FloorDiv(long long a, long long b)   // b > 0
{
    long long q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
inline std::int32_t FloorDiv32(std::int32_t a, std::int32_t b)   // b > 0
{
    const std::int32_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
inline long long CeilDiv(long long a, long long b)   // b > 0
{
    long long q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

using Pixels4 = std::uint32_t __attribute__((vector_size(16)));

// Pixels x0..x1-1 of p painted with c (copy) or ORed with it, modes where
// painting a pixel twice is painting it once: a run under four pixels
// takes three writes and no loop, a longer one four pixels at a time with
// the last four laid over its end.
template <bool Copy>
inline void PaintRunTwiceSafe(std::uint32_t* p, int x0, int x1, std::uint32_t c)
{
    const int n = x1 - x0;
    if (n <= 0) return;
    if (n < 4) {
        const int l = n - 1;
        if constexpr (Copy) {
            p[x0] = c;
            p[x0 + (l > 0)] = c;
            p[x0 + l] = c;
        } else {
            p[x0] |= c;
            p[x0 + (l > 0)] |= c;
            p[x0 + l] |= c;
        }
        return;
    }
    const Pixels4 c4 = {c, c, c, c};
    // The last four are read before any write: reading pixels just
    // written in part would stall.
    Pixels4 last = c4;
    if constexpr (!Copy) {
        std::memcpy(&last, p + x1 - 4, sizeof last);
        last |= c4;
    }
    for (int x = x0; x < x1 - 4; x += 4) {
        Pixels4 v = c4;
        if constexpr (!Copy) {
            std::memcpy(&v, p + x, sizeof v);
            v |= c4;
        }
        std::memcpy(p + x, &v, sizeof v);
    }
    std::memcpy(p + x1 - 4, &last, sizeof last);
}

// One loop per mode.
inline void Apply(std::uint32_t* p, int x0, int x1, RasterCanvas::Op op)
{
    if (op.a == 0) {
        PaintRunTwiceSafe<true>(p, x0, x1, op.o ^ op.x);
    } else if (op.x == 0) {
        PaintRunTwiceSafe<false>(p, x0, x1, op.o);
    } else {
        for (int x = x0; x < x1; ++x) p[x] = (p[x] | op.o) ^ op.x;
    }
}

// Columns [lo, hi) of row centre yc covered by the ellipse with centre
// (cx, cy) and semi-axes (ea, eb), boundary included.
struct Cols {
    int lo = 0, hi = 0;
    bool Empty() const { return lo >= hi; }
};
inline Cols EllipseCols(double cx, double cy, double ea, double eb, double yc)
{
    if (ea <= 0 || eb <= 0) return {};
    const double t = (yc - cy) / eb;
    const double u = 1.0 - t * t;
    if (u < -Tie) return {};
    const double hx = ea * std::sqrt(u > 0 ? u : 0.0);
    const double lo = std::ceil(cx - hx - 0.5 - Tie);
    const double hi = std::floor(cx + hx - 0.5 + Tie) + 1.0;
    if (!(lo < hi)) return {};
    return {static_cast<int>(std::max(lo, -2.0 * GuardBand)), static_cast<int>(std::min(hi, 2.0 * GuardBand))};
}

// The one-pixel path from a to b (Bresenham, minor coordinate rounded half
// up), clipped to width × height without walking the clipped part: emits
// (x, y, i) for step i of the path. Returns the number of steps (the index
// of b).
template <class Emit>
long long WalkLine(Point a, Point b, bool skipFirst, bool skipLast, int width, int height, Emit&& emit)
{
    const long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    const bool xMajor = adx >= ady;
    const long long am = xMajor ? adx : ady, an = xMajor ? ady : adx;
    const long long smaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const long long smin = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long m0 = xMajor ? a.x : a.y, n0 = xMajor ? a.y : a.x;
    const long long mLimit = xMajor ? width : height, nLimit = xMajor ? height : width;
    long long ilo = skipFirst ? 1 : 0, ihi = skipLast ? am - 1 : am;
    // Clipping, for a line not wholly inside: the steps whose major
    // coordinate is inside, then those whose minor coordinate is.
    if (a.x < 0 || a.y < 0 || b.x < 0 || b.y < 0 || a.x >= width || b.x >= width || a.y >= height || b.y >= height) {
        if (smaj > 0) {
            ilo = std::max(ilo, -m0);
            ihi = std::min(ihi, mLimit - 1 - m0);
        } else {
            ilo = std::max(ilo, m0 - (mLimit - 1));
            ihi = std::min(ihi, m0);
        }
        if (ilo > ihi) return am;
        const long long qlo = smin > 0 ? -n0 : n0 - (nLimit - 1);
        const long long qhi = smin > 0 ? nLimit - 1 - n0 : n0;
        if (an == 0) {
            if (qlo > 0 || qhi < 0) return am;
        } else {
            ilo = std::max(ilo, CeilDiv(2 * am * qlo - am, 2 * an));
            ihi = std::min(ihi, FloorDiv(2 * am * (qhi + 1) - am - 1, 2 * an));
        }
    }
    if (ilo > ihi) return am;
    if (am == 0) {
        if (!skipFirst && !skipLast) emit(static_cast<int>(a.x), static_cast<int>(a.y), 0LL);
        return 0;
    }
    const long long twoAm = 2 * am, twoAn = 2 * an;
    const long long num = 2 * ilo * an + am;
    long long q = 0, r = num;
    if (num >= twoAm) {
        q = num / twoAm;
        r = num % twoAm;
    }
    for (long long i = ilo; i <= ihi; ++i) {
        const long long mm = m0 + smaj * i, nn = n0 + smin * q;
        if (xMajor)
            emit(static_cast<int>(mm), static_cast<int>(nn), i);
        else
            emit(static_cast<int>(nn), static_cast<int>(mm), i);
        r += twoAn;
        if (r >= twoAm) {
            r -= twoAm;
            ++q;
        }
    }
    return am;
}

inline bool DotOn(long long index) { return index % 6 < 3; }

// The pixels 0..n-1 (n <= 64) of p whose bit is set in m, combined.
alignas(16) constexpr Pixels4 Mask4[16] = {
    {0, 0, 0, 0}, {~0u, 0, 0, 0}, {0, ~0u, 0, 0}, {~0u, ~0u, 0, 0},
    {0, 0, ~0u, 0}, {~0u, 0, ~0u, 0}, {0, ~0u, ~0u, 0}, {~0u, ~0u, ~0u, 0},
    {0, 0, 0, ~0u}, {~0u, 0, 0, ~0u}, {0, ~0u, 0, ~0u}, {~0u, ~0u, 0, ~0u},
    {0, 0, ~0u, ~0u}, {~0u, 0, ~0u, ~0u}, {0, ~0u, ~0u, ~0u}, {~0u, ~0u, ~0u, ~0u},
};

inline void MaskedApply(std::uint32_t* p, int n, std::uint64_t m, RasterCanvas::Op op)
{
    const Pixels4 o = {op.o, op.o, op.o, op.o}, x = {op.x, op.x, op.x, op.x};
    int i = 0;
    if (op.a == 0) {
        const Pixels4 c = o ^ x;
        for (; i + 4 <= n; i += 4, m >>= 4) {
            Pixels4 v;
            std::memcpy(&v, p + i, sizeof v);
            const Pixels4 k = Mask4[m & 15];
            v = (v & ~k) | (c & k);
            std::memcpy(p + i, &v, sizeof v);
        }
    } else {
        // a is all ones here: ((v | o) ^ x) where k is set.
        for (; i + 4 <= n; i += 4, m >>= 4) {
            Pixels4 v;
            std::memcpy(&v, p + i, sizeof v);
            const Pixels4 k = Mask4[m & 15];
            v = (v | (o & k)) ^ (x & k);
            std::memcpy(p + i, &v, sizeof v);
        }
    }
    for (; i < n; ++i, m >>= 1) {
        const std::uint32_t k = 0u - static_cast<std::uint32_t>(m & 1);
        p[i] = (p[i] & ~k) | ((((p[i] & op.a) | op.o) ^ op.x) & k);
    }
}

// Sets bits x0..x1-1 of a row of words.
inline void SetBitRange(std::uint64_t* row, int x0, int x1)
{
    if (x0 >= x1) return;
    const int w0 = x0 >> 6, w1 = (x1 - 1) >> 6;
    const std::uint64_t first = ~std::uint64_t{0} << (x0 & 63);
    const std::uint64_t last = ~std::uint64_t{0} >> (63 - ((x1 - 1) & 63));
    if (w0 == w1) {
        row[w0] |= first & last;
        return;
    }
    row[w0] |= first;
    for (int w = w0 + 1; w < w1; ++w) row[w] = ~std::uint64_t{0};
    row[w1] |= last;
}

// Calls f(x0, x1) for each run of set bits of a row of `words` words.
template <class F>
inline void ForRuns(const std::uint64_t* row, std::size_t words, F&& f)
{
    int open = -1;   // start of a run still going at the end of a word
    for (std::size_t w = 0; w < words; ++w) {
        std::uint64_t m = row[w];
        const int base = static_cast<int>(w) * 64;
        if (open >= 0) {
            const int len = std::countr_one(m);
            if (len == 64) continue;
            f(open, base + len);
            open = -1;
            m &= ~std::uint64_t{0} << len;
        }
        while (m) {
            const int s = std::countr_zero(m);
            const int len = std::countr_one(m >> s);
            if (s + len == 64) {
                open = base + s;
                break;
            }
            f(base + s, base + s + len);
            m &= ~std::uint64_t{0} << (s + len);
        }
    }
    if (open >= 0) f(open, static_cast<int>(words) * 64);
}

} // namespace

void SetRasterTextHook(RasterTextHook* hook) { globalHook = hook; }
RasterTextHook* GetRasterTextHook() { return globalHook; }

RasterCanvas::RasterCanvas(int width, int height, Color fill) { Resize(width, height, fill); }

void RasterCanvas::ResizeWindow(int width, int height, int top, int rows, Color fill)
{
    // Within the guard band, so picture rows less the window top never overflow.
    width_ = std::clamp(width, 0, static_cast<int>(GuardBand));
    height_ = std::clamp(height, 0, static_cast<int>(GuardBand));
    top_ = std::clamp(top, 0, height_);
    rows_ = std::clamp(rows, 0, height_ - top_);
    end_ = top_ + rows_;
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(rows_), ToPixel(fill));
}

void RasterCanvas::Fill(Color c) { std::fill(pixels_.begin(), pixels_.end(), ToPixel(c)); }

Color RasterCanvas::Pixel(int x, int y) const
{
    if (x < 0 || x >= width_ || !Held(y)) return 0;
    return ToColor(Scanline(y)[x]);
}

void RasterCanvas::Blit(const RasterCanvas& src, int dx, int dy, BlitOp op)
{
    const int x0 = std::max(0, dx), x1 = std::min(width_, static_cast<int>(std::min<long long>(INT32_MAX, static_cast<long long>(dx) + src.width_)));
    const long long y0 = std::max<long long>(top_, static_cast<long long>(dy) + src.top_);
    const long long y1 = std::min<long long>(end_, static_cast<long long>(dy) + src.end_);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
        std::uint32_t* d = Scanline(y);
        const std::uint32_t* s = src.Scanline(static_cast<int>(y - static_cast<long long>(dy))) - dx;
        if (op == BlitOp::Copy)
            std::copy(s + x0, s + x1, d + x0);
        else
            for (int x = x0; x < x1; ++x) d[x] |= s[x];
    }
}

RasterCanvas::Op RasterCanvas::MakeOp(Color c) const
{
    const std::uint32_t rgb = ToPixel(c) & 0xFFFFFFu;
    switch (penMode_) {
    case PenMode::Merge: return {~0u, rgb, 0};
    case PenMode::Xor: return {~0u, 0, rgb};
    case PenMode::NotXor: return {~0u, 0, rgb ^ 0xFFFFFFu};
    case PenMode::Copy:
    default: return {0, rgb | 0xFF000000u, 0};
    }
}

void RasterCanvas::PaintPen(int y, int x0, int x1, const Op& op)
{
    if (!Held(y)) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_);
    if (x0 < x1) Apply(Scanline(y), x0, x1, op);
}

void RasterCanvas::PaintBrush(int y, int x0, int x1, const Op& op)
{
    if (!Held(y) || brushStyle_ == BrushStyle::Clear) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_);
    if (x0 >= x1) return;
    std::uint32_t* p = Scanline(y);
    if (brushStyle_ == BrushStyle::Solid) {
        Apply(p, x0, x1, op);
        return;
    }
    // "/" hatch: the pixels with x + y = 7 (mod 8).
    int x = x0 + ((7 - ((x0 + y) & 7)) & 7);
    for (; x < x1; x += 8) p[x] = ((p[x] & op.a) | op.o) ^ op.x;
}

void RasterCanvas::SortMerge(std::vector<Span>& spans)
{
    const std::size_t n = spans.size();
    if (n < 2) return;
    auto less = [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; };
    int lo = spans[0].y, hi = lo;
    bool sorted = true;
    for (std::size_t i = 1; i < n; ++i) {
        lo = std::min(lo, spans[i].y);
        hi = std::max(hi, spans[i].y);
        if (sorted && less(spans[i], spans[i - 1])) sorted = false;
    }
    if (!sorted) {
        const long long rows = static_cast<long long>(hi) - lo + 1;
        if (rows <= 4 * static_cast<long long>(n) + 64) {
            // Outlines give a few spans per row: bucket by row, then the
            // short runs of one row by column. The union below is the same
            // whatever the order of equal spans.
            rowStart_.assign(static_cast<std::size_t>(rows) + 1, 0);
            for (const Span& s : spans) ++rowStart_[static_cast<std::size_t>(s.y - lo) + 1];
            for (std::size_t r = 1; r < rowStart_.size(); ++r) rowStart_[r] += rowStart_[r - 1];
            sortTmp_.resize(n);
            for (const Span& s : spans) sortTmp_[static_cast<std::size_t>(rowStart_[static_cast<std::size_t>(s.y - lo)]++)] = s;
            spans.swap(sortTmp_);
            for (std::size_t i = 1; i < n; ++i) {
                const Span s = spans[i];
                std::size_t j = i;
                for (; j > 0 && less(s, spans[j - 1]); --j) spans[j] = spans[j - 1];
                spans[j] = s;
            }
        } else {
            std::sort(spans.begin(), spans.end(), less);
        }
    }
    std::size_t out = 0;
    for (std::size_t i = 1; i < n; ++i) {
        Span& last = spans[out];
        const Span& s = spans[i];
        if (s.y == last.y && s.x0 <= last.x1) {
            last.x1 = std::max(last.x1, s.x1);
        } else {
            spans[++out] = s;
        }
    }
    spans.resize(out + 1);
}

void RasterCanvas::LinePixels(Point a, Point b, bool skipFirst, bool paintNow, bool skipLast)
{
    const bool dotted = penStyle_ == PenStyle::Dot;
    const long long phase = dotPhase_;
    long long steps;
    // The path is walked in rows relative to the window (a Bresenham path
    // moves with its ends), so rows outside it are never stepped through.
    const int top = top_;
    a.y -= top;
    b.y -= top;
    if (paintNow) {
        const Op op = MakeOp(penColor_);
        const int w = width_;
        std::uint32_t* bits = pixels_.data();
        steps = WalkLine(a, b, skipFirst, skipLast, width_, rows_, [&](int x, int y, long long i) {
            if (dotted && !DotOn(phase + i)) return;
            std::uint32_t& p = bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
            p = ((p & op.a) | op.o) ^ op.x;
        });
    } else {
        steps = WalkLine(a, b, skipFirst, skipLast, width_, rows_, [&](int x, int y, long long i) {
            if (dotted && !DotOn(phase + i)) return;
            y += top;
            if (!pen_.empty()) {
                Span& s = pen_.back();
                if (s.y == y) {
                    if (x == s.x1) {
                        ++s.x1;
                        return;
                    }
                    if (x == s.x0 - 1) {
                        --s.x0;
                        return;
                    }
                }
            }
            pen_.push_back({y, x, x + 1});
        });
    }
    dotPhase_ = static_cast<int>((phase + steps) % 6);
}

void RasterCanvas::CapsuleSpans(double ax, double ay, double bx, double by, double r, std::vector<Span>& out, int rowMin,
                                int rowEnd, int colMin, int colEnd)
{
    const double top = std::min(ay, by) - r, bottom = std::max(ay, by) + r;
    const double rowLo = std::max(std::ceil(top - 0.5 - Tie), static_cast<double>(rowMin));
    const double rowHi = std::min(std::floor(bottom - 0.5 + Tie), static_cast<double>(rowEnd) - 1);
    if (rowLo > rowHi) return;
    const double dx = bx - ax, dy = by - ay;
    const double l2 = dx * dx + dy * dy, rl = r * std::sqrt(l2), r2 = r * r;
    const double invDx = dx != 0 ? 1.0 / dx : 0.0, invDy = dy != 0 ? 1.0 / dy : 0.0;
    for (int y = static_cast<int>(rowLo); y <= static_cast<int>(rowHi); ++y) {
        const double yc = y + 0.5;
        double lo = Inf, hi = -Inf;
        double t = yc - ay, s2 = r2 - t * t;
        if (s2 >= -Tie) {
            const double s = std::sqrt(std::max(s2, 0.0));
            lo = ax - s;
            hi = ax + s;
        }
        t = yc - by;
        s2 = r2 - t * t;
        if (s2 >= -Tie) {
            const double s = std::sqrt(std::max(s2, 0.0));
            lo = std::min(lo, bx - s);
            hi = std::max(hi, bx + s);
        }
        if (l2 > 0) {
            const double e = yc - ay;
            double slo = -Inf, shi = Inf;
            bool any = true;
            // Along the segment: 0 <= (p - a)·d <= |d|².
            if (dx != 0) {
                const double x1 = ax - e * dy * invDx, x2 = ax + (l2 - e * dy) * invDx;
                slo = std::min(x1, x2);
                shi = std::max(x1, x2);
            } else {
                const double along = e * dy;
                any = along >= 0 && along <= l2;
            }
            // Across: |d × (p - a)| <= r |d|.
            if (any && dy != 0) {
                const double x1 = ax + (dx * e - rl) * invDy, x2 = ax + (dx * e + rl) * invDy;
                slo = std::max(slo, std::min(x1, x2));
                shi = std::min(shi, std::max(x1, x2));
            } else if (any) {
                any = std::fabs(dx * e) <= rl + Tie;
            }
            if (any && slo <= shi) {
                lo = std::min(lo, slo);
                hi = std::max(hi, shi);
            }
        }
        if (!(lo <= hi)) continue;
        const double c0 = std::max(std::ceil(lo - 0.5 - Tie), static_cast<double>(colMin));
        const double c1 = std::min(std::floor(hi - 0.5 + Tie) + 1.0, static_cast<double>(colEnd));
        if (c0 < c1) out.push_back({y, static_cast<int>(c0), static_cast<int>(c1)});
    }
}

void RasterCanvas::PathSpans(std::span<const Point> points, bool closed, bool skipFirst)
{
    pen_.clear();
    const std::size_t n = points.size();
    if (n == 0) return;
    const std::size_t segs = closed ? n : n - 1;
    if (penWidth_ == 1) {
        if (n == 1) {
            LinePixels(points[0], points[0], skipFirst, false);
        } else {
            for (std::size_t i = 0; i < segs; ++i)
                LinePixels(points[i], points[(i + 1) % n], i == 0 ? skipFirst : true, false);
        }
    } else {
        // Odd widths run through pixel centres, even ones through corners.
        const double off = (penWidth_ & 1) ? 0.5 : 0.0, r = penWidth_ * 0.5;
        if (n == 1) {
            CapsuleSpans(points[0].x + off, points[0].y + off, points[0].x + off, points[0].y + off, r, pen_, top_, end_, 0, width_);
        } else {
            for (std::size_t i = 0; i < segs; ++i) {
                const Point a = points[i], b = points[(i + 1) % n];
                CapsuleSpans(a.x + off, a.y + off, b.x + off, b.y + off, r, pen_, top_, end_, 0, width_);
            }
        }
    }
    SortMerge(pen_);
}

void RasterCanvas::FillSpans(std::span<const Point> points)
{
    fill_.clear();
    edges_.clear();
    const std::size_t n = points.size();
    if (n < 3 || brushStyle_ == BrushStyle::Clear) return;
    int minRow = INT32_MAX, maxRow = INT32_MIN;
    for (std::size_t i = 0; i < n; ++i) {
        Point p = points[i], q = points[(i + 1) % n];
        p = {Sat(p.x), Sat(p.y)};
        q = {Sat(q.x), Sat(q.y)};
        if (p.y == q.y) continue;
        if (p.y > q.y) std::swap(p, q);
        // Rows p.y .. q.y - 1.
        if (q.y <= top_ || p.y >= end_) continue;
        // Exact: coordinates within the guard band keep t below 2^61.
        const std::int32_t y0 = std::max(p.y, top_);
        const long long dy = static_cast<long long>(q.y) - p.y, dx = static_cast<long long>(q.x) - p.x;
        const long long t = (static_cast<long long>(y0) - p.y) * dx;
        const long long f = t == 0 ? 0 : FloorDiv(t, dy);
        // Both within ±2^30: the narrow division is much cheaper.
        const long long fStep = FloorDiv32(static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy));
        edges_.push_back({p.x + f, t - f * dy, fStep, dx - fStep * dy, dy, y0, q.y});
        minRow = std::min(minRow, static_cast<int>(y0));
        maxRow = std::max(maxRow, std::min(q.y, end_));
    }
    if (edges_.empty()) return;
    // Small figures: an insertion sort beats the general one. The order of
    // edges that start on one row does not matter (crossings are sorted).
    if (edges_.size() <= 32) {
        for (std::size_t i = 1; i < edges_.size(); ++i) {
            const Edge e = edges_[i];
            std::size_t j = i;
            for (; j > 0 && e.yTop < edges_[j - 1].yTop; --j) edges_[j] = edges_[j - 1];
            edges_[j] = e;
        }
    } else {
        std::sort(edges_.begin(), edges_.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    }
    active_.clear();
    std::size_t next = 0;
    for (int y = minRow; y < maxRow; ++y) {
        while (next < edges_.size() && edges_[next].yTop <= y) active_.push_back(static_cast<std::int32_t>(next++));
        std::size_t keep = 0;
        crossings_.clear();
        // Vertices sit at pixel centres: row y's centre line meets the edge
        // at x + 0.5, and the pixels whose centres lie from one crossing up
        // to the next are inside; a centre on the edge is right of it.
        for (std::int32_t idx : active_) {
            Edge& e = edges_[static_cast<std::size_t>(idx)];
            if (e.yEnd <= y) continue;
            active_[keep++] = idx;
            crossings_.push_back(static_cast<std::int32_t>(e.f + (e.r != 0)));
            e.f += e.fStep;
            e.r += e.rStep;
            if (e.r >= e.dy) {
                e.r -= e.dy;
                ++e.f;
            }
        }
        active_.resize(keep);
        if (crossings_.size() < 2) continue;
        if (crossings_.size() == 2) {
            if (crossings_[1] < crossings_[0]) std::swap(crossings_[0], crossings_[1]);
        } else if (crossings_.size() <= 16) {
            for (std::size_t i = 1; i < crossings_.size(); ++i) {
                const std::int32_t c = crossings_[i];
                std::size_t j = i;
                for (; j > 0 && c < crossings_[j - 1]; --j) crossings_[j] = crossings_[j - 1];
                crossings_[j] = c;
            }
        } else {
            std::sort(crossings_.begin(), crossings_.end());
        }
        for (std::size_t k = 0; k + 1 < crossings_.size(); k += 2) {
            const std::int32_t c0 = std::max(crossings_[k], 0), c1 = std::min(crossings_[k + 1], width_);
            if (c0 < c1) fill_.push_back({y, c0, c1});
        }
    }
}

void RasterCanvas::Compose(std::span<const Span> pen, std::span<const Span> fill, int dx, int dy)
{
    const Op penOp = MakeOp(penColor_);
    const Op brushOp = MakeOp(brushColor_);
    const bool oneOp = brushStyle_ == BrushStyle::Solid && penOp.a == brushOp.a && penOp.o == brushOp.o && penOp.x == brushOp.x;
    std::size_t ip = 0, jf = 0;
    const std::size_t np = pen.size(), nf = fill.size();
    while (ip < np || jf < nf) {
        const int ry = ip < np && (jf >= nf || pen[ip].y <= fill[jf].y) ? pen[ip].y : fill[jf].y;
        const int y = ry + dy;
        if (!Held(y)) {
            while (ip < np && pen[ip].y == ry) ++ip;
            while (jf < nf && fill[jf].y == ry) ++jf;
            continue;
        }
        if (oneOp) {
            // Pen and brush change pixels alike: their union, each run once.
            int lo = 0, hi = 0;
            for (;;) {
                const bool p = ip < np && pen[ip].y == ry, f = jf < nf && fill[jf].y == ry;
                if (!p && !f) break;
                const Span& sp = p && (!f || pen[ip].x0 <= fill[jf].x0) ? pen[ip++] : fill[jf++];
                if (sp.x0 > hi || lo == hi) {
                    if (lo < hi) PaintPen(y, lo + dx, hi + dx, penOp);
                    lo = sp.x0;
                    hi = sp.x1;
                } else {
                    hi = std::max(hi, sp.x1);
                }
            }
            if (lo < hi) PaintPen(y, lo + dx, hi + dx, penOp);
            continue;
        }
        std::size_t pEnd = ip;
        while (pEnd < np && pen[pEnd].y == ry) ++pEnd;
        // The fill of this row without the pen's pixels.
        std::size_t k = ip;
        for (; jf < nf && fill[jf].y == ry; ++jf) {
            int cur = fill[jf].x0;
            const int end = fill[jf].x1;
            while (k < pEnd && pen[k].x1 <= cur) ++k;
            for (std::size_t m = k; m < pEnd && pen[m].x0 < end; ++m) {
                if (pen[m].x0 > cur) PaintBrush(y, cur + dx, pen[m].x0 + dx, brushOp);
                cur = std::max(cur, pen[m].x1);
            }
            if (cur < end) PaintBrush(y, cur + dx, end + dx, brushOp);
        }
        for (; ip < pEnd; ++ip) PaintPen(y, pen[ip].x0 + dx, pen[ip].x1 + dx, penOp);
    }
}

void RasterCanvas::MoveTo(int x, int y)
{
    penPos_ = {Sat(x), Sat(y)};
    chained_ = false;
    dotPhase_ = 0;
}

void RasterCanvas::LineTo(int x, int y)
{
    const Point b{Sat(x), Sat(y)};
    if (penWidth_ == 1) {
        if (!chained_) chainStart_ = penPos_;
        // A chain that comes back to its start leaves that pixel to its first line.
        LinePixels(penPos_, b, chained_, true, chained_ && b == chainStart_);
        chained_ = true;
    } else {
        const Op op = MakeOp(penColor_);
        const long long dx = static_cast<long long>(b.x) - penPos_.x, dy = static_cast<long long>(b.y) - penPos_.y;
        if (penWidth_ <= PatternMaxWidth && std::llabs(dx) <= PatternReach && std::llabs(dy) <= PatternReach) {
            const PatternRef& ref = LinePattern(penWidth_, static_cast<int>(dx), static_cast<int>(dy));
            const Span* sp = linePool_.data() + ref.start;
            if (penPos_.x + ref.left >= 0 && penPos_.y + ref.top >= top_ && penPos_.x + ref.right <= width_ &&
                penPos_.y + ref.bottom <= end_) {
                std::uint32_t* origin = Scanline(penPos_.y) + penPos_.x;
                for (int k = 0; k < ref.count; ++k) Apply(origin + static_cast<std::ptrdiff_t>(sp[k].y) * width_, sp[k].x0, sp[k].x1, op);
                penPos_ = b;
                chained_ = false;
                return;
            }
            for (int k = 0; k < ref.count; ++k) {
                const int y = penPos_.y + sp[k].y;
                if (!Held(y)) continue;
                const int x0 = std::max(penPos_.x + sp[k].x0, 0), x1 = std::min(penPos_.x + sp[k].x1, width_);
                if (x0 < x1) Apply(Scanline(y), x0, x1, op);
            }
        } else {
            pen_.clear();
            const double off = (penWidth_ & 1) ? 0.5 : 0.0;
            CapsuleSpans(penPos_.x + off, penPos_.y + off, b.x + off, b.y + off, penWidth_ * 0.5, pen_, top_, end_, 0, width_);
            for (const Span& s : pen_) Apply(Scanline(s.y), s.x0, s.x1, op);
        }
        chained_ = false;
    }
    penPos_ = b;
}

const RasterCanvas::PatternRef& RasterCanvas::BuildLinePattern(int w, int dx, int dy)
{
    constexpr int D = 2 * PatternReach + 1;
    if (linePatterns_.empty()) linePatterns_.resize(static_cast<std::size_t>(PatternMaxWidth - 1) * D * D);
    PatternRef& ref = linePatterns_[(static_cast<std::size_t>(w - 2) * D + static_cast<std::size_t>(dx + PatternReach)) * D +
                                    static_cast<std::size_t>(dy + PatternReach)];
    if (ref.start < 0) {
        const double off = (w & 1) ? 0.5 : 0.0;
        ref.start = static_cast<std::int32_t>(linePool_.size());
        CapsuleSpans(off, off, dx + off, dy + off, w * 0.5, linePool_, -PatternReach - w, PatternReach + w + 1,
                     -PatternReach - w, PatternReach + w + 1);
        ref.count = static_cast<std::int32_t>(linePool_.size()) - ref.start;
        // Within the pattern's reach, so they fit in 16 bits; none for no spans.
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
        for (int k = 0; k < ref.count; ++k) {
            const Span& sp = linePool_[static_cast<std::size_t>(ref.start + k)];
            left = k == 0 ? sp.x0 : std::min(left, sp.x0);
            right = k == 0 ? sp.x1 : std::max(right, sp.x1);
            top = k == 0 ? sp.y : std::min(top, sp.y);
            bottom = k == 0 ? sp.y + 1 : std::max(bottom, sp.y + 1);
        }
        ref.left = static_cast<std::int16_t>(left);
        ref.top = static_cast<std::int16_t>(top);
        ref.right = static_cast<std::int16_t>(right);
        ref.bottom = static_cast<std::int16_t>(bottom);
    }
    return ref;
}

void RasterCanvas::Polyline(std::span<const Point> points)
{
    if (points.size() < 2) return;
    dotPhase_ = 0;
    if (points.size() == 2 && penWidth_ == 1) {
        LinePixels({Sat(points[0].x), Sat(points[0].y)}, {Sat(points[1].x), Sat(points[1].y)}, false, true);
        return;
    }
    if (penWidth_ > 1 && (penMode_ == PenMode::Merge || penMode_ == PenMode::Copy)) {
        // In these modes a pixel painted twice by the pen comes out as
        // painted once, so the segments may be painted one by one (short
        // ones through their kept spans) instead of as one union. The
        // current position is not the polyline's to change.
        // A segment of no length paints the pen's disc at its point, which
        // a segment of length next to it paints too: only a polyline all
        // at one point draws one.
        const Point keepPos = penPos_;
        const bool keepChained = chained_;
        MoveTo(points[0].x, points[0].y);
        bool drawn = false;
        for (std::size_t k = 1; k < points.size(); ++k) {
            const Point q{Sat(points[k].x), Sat(points[k].y)};
            if (q == penPos_ && (drawn || k + 1 < points.size())) continue;
            LineTo(q.x, q.y);
            drawn = true;
        }
        penPos_ = keepPos;
        chained_ = keepChained;
        dotPhase_ = 0;
        return;
    }
    closed_.assign(points.begin(), points.end());
    for (Point& p : closed_) p = {Sat(p.x), Sat(p.y)};
    if (DrawAsBits(false)) return;
    PathSpans(closed_, false, false);
    fill_.clear();
    Compose();
}

bool RasterCanvas::DrawAsBits(bool closed)
{
    constexpr long long MaxWords = 8;
    const std::size_t n = closed_.size();
    long long minX = closed_[0].x, maxX = minX, minY = closed_[0].y, maxY = minY;
    for (const Point& p : closed_) {
        minX = std::min<long long>(minX, p.x);
        maxX = std::max<long long>(maxX, p.x);
        minY = std::min<long long>(minY, p.y);
        maxY = std::max<long long>(maxY, p.y);
    }
    // A wide pen reaches w/2 past the path, and half a pixel more for odd widths.
    const long long reach = penWidth_ == 1 ? 0 : penWidth_ / 2 + 2;
    const long long cx0 = std::max<long long>(minX - reach, 0), cx1 = std::min<long long>(maxX + reach + 1, width_);
    const long long cy0 = std::max<long long>(minY - reach, top_), cy1 = std::min<long long>(maxY + reach + 1, end_);
    const std::size_t segs = closed ? n : n - 1;
    if (cx0 >= cx1 || cy0 >= cy1) {
        // Nothing shows; the dot pattern still moves along the path.
        if (penWidth_ == 1) {
            long long steps = dotPhase_;
            for (std::size_t i = 0; i < segs; ++i) {
                const Point a = closed_[i], b = closed_[(i + 1) % n];
                steps += std::max(std::llabs(static_cast<long long>(b.x) - a.x), std::llabs(static_cast<long long>(b.y) - a.y));
            }
            dotPhase_ = static_cast<int>(steps % 6);
        }
        return true;
    }
    if (cx1 - cx0 > MaxWords * 64) return false;
    const int boxW = static_cast<int>(cx1 - cx0), boxH = static_cast<int>(cy1 - cy0);
    const int ox = static_cast<int>(cx0), oy = static_cast<int>(cy0);
    const std::size_t words = static_cast<std::size_t>((boxW + 63) / 64);
    const std::size_t plane = words * static_cast<std::size_t>(boxH);
    const bool fill = closed && n >= 3 && brushStyle_ != BrushStyle::Clear;
    if (bits_.size() < 2 * plane) bits_.resize(2 * plane);
    std::uint64_t* const penBits = bits_.data();
    std::fill(penBits, penBits + (fill ? 2 * plane : plane), 0);
    const auto setBit = [penBits, words](int x, int y) {
        penBits[static_cast<std::size_t>(y) * words + static_cast<std::size_t>(x >> 6)] |= std::uint64_t{1} << (x & 63);
    };

    if (penWidth_ == 1) {
        const bool dotted = penStyle_ == PenStyle::Dot;
        const bool inside = minX >= cx0 && maxX < cx1 && minY >= cy0 && maxY < cy1;
        long long phase = dotPhase_;
        for (std::size_t i = 0; i < segs; ++i) {
            const Point a{closed_[i].x - ox, closed_[i].y - oy};
            const Point b{closed_[(i + 1) % n].x - ox, closed_[(i + 1) % n].y - oy};
            long long steps;
            if (inside && !dotted) {
                // Nothing to clip: the plain walk, one loop for either
                // direction (pixels as bit indices, a row 64 * words bits)
                // and no branch on the steps. A joint's pixel is set by the
                // segment before as well, so each segment takes both ends.
                const long long stride = 64 * static_cast<long long>(words);
                const int adx = std::abs(b.x - a.x), ady = std::abs(b.y - a.y);
                const long long stepX = b.x < a.x ? -1 : 1, stepY = b.y < a.y ? -stride : stride;
                const bool xMajor = adx >= ady;
                const int am = xMajor ? adx : ady, an = xMajor ? ady : adx;
                const long long major = xMajor ? stepX : stepY, minor = xMajor ? stepY : stepX;
                long long bit = a.y * stride + a.x;
                int r = am;
                for (int k = 0; k <= am; ++k) {
                    penBits[bit >> 6] |= std::uint64_t{1} << (bit & 63);
                    r += 2 * an;
                    const int carry = r >= 2 * am;
                    r -= carry * 2 * am;
                    bit += major + carry * minor;
                }
                steps = am;
            } else {
                steps = WalkLine(a, b, i != 0, false, boxW, boxH, [&](int x, int y, long long k) {
                    if (!dotted || DotOn(phase + k)) setBit(x, y);
                });
            }
            phase += steps;
            if (dotted) phase %= 6;
        }
        dotPhase_ = static_cast<int>(phase % 6);
    } else {
        const double off = (penWidth_ & 1) ? 0.5 : 0.0, r = penWidth_ * 0.5;
        for (std::size_t i = 0; i < segs; ++i) {
            const Point a = closed_[i], b = closed_[(i + 1) % n];
            const long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
            if (penWidth_ <= PatternMaxWidth && std::llabs(dx) <= PatternReach && std::llabs(dy) <= PatternReach) {
                const PatternRef& ref = LinePattern(penWidth_, static_cast<int>(dx), static_cast<int>(dy));
                const Span* sp = linePool_.data() + ref.start;
                const int px = a.x - ox, py = a.y - oy;
                if (ref.count == 0) continue;
                if (px + ref.left >= 0 && px + ref.right <= boxW && py + ref.top >= 0 && py + ref.bottom <= boxH) {
                    for (int k = 0; k < ref.count; ++k)
                        SetBitRange(penBits + static_cast<std::size_t>(py + sp[k].y) * words, px + sp[k].x0, px + sp[k].x1);
                    continue;
                }
                for (int k = 0; k < ref.count; ++k) {
                    const long long y = static_cast<long long>(a.y) + sp[k].y - oy;
                    if (y < 0 || y >= boxH) continue;
                    const long long x0 = std::max<long long>(static_cast<long long>(a.x) + sp[k].x0 - ox, 0);
                    const long long x1 = std::min<long long>(static_cast<long long>(a.x) + sp[k].x1 - ox, boxW);
                    if (x0 < x1) SetBitRange(penBits + static_cast<std::size_t>(y) * words, static_cast<int>(x0), static_cast<int>(x1));
                }
            } else {
                pen_.clear();
                CapsuleSpans(a.x + off, a.y + off, b.x + off, b.y + off, r, pen_, oy, oy + boxH, ox, ox + boxW);
                for (const Span& s : pen_) SetBitRange(penBits + static_cast<std::size_t>(s.y - oy) * words, s.x0 - ox, s.x1 - ox);
            }
        }
    }
    if (fill) {
        // Even-odd: each edge flips the pixels at and right of its crossing
        // (a centre on the edge is right of it), row by row in whole numbers.
        std::uint64_t* fillBits = penBits + plane;
        for (std::size_t i = 0; i < n; ++i) {
            Point p = closed_[i], q = closed_[(i + 1) % n];
            if (p.y == q.y) continue;
            if (p.y > q.y) std::swap(p, q);
            const int y0 = std::max(p.y, oy), y1 = std::min(q.y, oy + boxH);
            if (y0 >= y1) continue;
            // Crossing of row y: p.x + ceil((y - p.y) dx / dy), stepped as
            // floor f and remainder r. Within the guard band t stays below 2^61.
            const long long dy = static_cast<long long>(q.y) - p.y, dx = static_cast<long long>(q.x) - p.x;
            const long long t = (static_cast<long long>(y0) - p.y) * dx;
            long long f = t == 0 ? 0 : FloorDiv(t, dy);
            long long r = t - f * dy;
            const long long fStep = FloorDiv32(static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy));
            const long long rStep = dx - fStep * dy;
            f += static_cast<long long>(p.x) - ox;
            std::uint64_t* row = fillBits + static_cast<std::size_t>(y0 - oy) * words;
            for (int y = y0; y < y1; ++y, row += words) {
                const long long c = f + (r != 0);
                if (c < boxW) {
                    const int x = static_cast<int>(std::max(c, 0LL));
                    const int w0 = x >> 6;
                    row[w0] ^= ~std::uint64_t{0} << (x & 63);
                    if (words > 1)
                        for (std::size_t w = static_cast<std::size_t>(w0) + 1; w < words; ++w) row[w] = ~row[w];
                }
                f += fStep;
                r += rStep;
                const long long carry = r >= dy;
                r -= carry * dy;
                f += carry;
            }
        }
    }
    // Fill bits past the box's right edge are not pixels.
    const std::uint64_t keep = (boxW & 63) ? ~std::uint64_t{0} >> (64 - (boxW & 63)) : ~std::uint64_t{0};

    const Op penOp = MakeOp(penColor_);
    const Op brushOp = MakeOp(brushColor_);
    const bool oneOp = brushStyle_ == BrushStyle::Solid && penOp.a == brushOp.a && penOp.o == brushOp.o && penOp.x == brushOp.x;
    if (words == 1 && (oneOp || !fill)) {
        // A narrow box: every pixel of each row through a bit mask, in
        // blocks of four, with no branch on where the runs lie. The last
        // block may pass the box (its bits are clear) but not the row.
        const int blocks = std::min((boxW + 3) & ~3, width_ - ox);
        for (int r = 0; r < boxH; ++r) {
            std::uint64_t m = penBits[r];
            if (fill) m |= penBits[plane + static_cast<std::size_t>(r)] & keep;
            if (m) MaskedApply(Scanline(oy + r) + ox, blocks, m, penOp);
        }
        return true;
    }
    std::uint64_t merged[MaxWords];
    for (int r = 0; r < boxH; ++r) {
        const std::uint64_t* pen = penBits + static_cast<std::size_t>(r) * words;
        std::uint32_t* line = Scanline(oy + r) + ox;
        if (!fill) {
            ForRuns(pen, words, [&](int x0, int x1) { Apply(line, x0, x1, penOp); });
            continue;
        }
        const std::uint64_t* brush = pen + plane;
        if (oneOp) {
            for (std::size_t w = 0; w < words; ++w) merged[w] = pen[w] | brush[w];
            merged[words - 1] &= keep;
            ForRuns(merged, words, [&](int x0, int x1) { Apply(line, x0, x1, penOp); });
        } else {
            ForRuns(pen, words, [&](int x0, int x1) { Apply(line, x0, x1, penOp); });
            for (std::size_t w = 0; w < words; ++w) merged[w] = brush[w] & ~pen[w];
            merged[words - 1] &= keep;
            ForRuns(merged, words, [&](int x0, int x1) { PaintBrush(oy + r, ox + x0, ox + x1, brushOp); });
        }
    }
    return true;
}

// A polygon wholly inside the rows held, drawn with a one-pixel solid pen
// and a brush, gives the same spans moved by whole pixels wherever it is
// drawn inside: outline and fill are whole-number arithmetic.
bool RasterCanvas::PolygonFromCache()
{
    constexpr std::size_t Slots = 8192, Seen = 32768, MaxPoints = 64;
    const std::size_t n = closed_.size();
    if (n < 3 || n > MaxPoints || penWidth_ != 1 || penStyle_ != PenStyle::Solid || brushStyle_ == BrushStyle::Clear) return false;
    if (width_ >= (1 << 21) || height_ >= (1 << 21)) return false;
    const Point o = closed_[0];
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ n;
    shapeKey_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point p = closed_[i];
        // Wholly inside the rows held, or the spans kept would miss rows.
        if (p.x < 0 || p.x >= width_ || !Held(p.y)) return false;
        const Point r{p.x - o.x, p.y - o.y};
        shapeKey_[i] = r;
        h = (h ^ (static_cast<std::uint32_t>(r.x) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(r.y)) << 32))) * 0x100000001B3ULL;
        h ^= h >> 31;
    }
    if (shapes_.empty()) {
        shapes_.resize(Slots);
        shapesSeen_.assign(Seen, 0);
    }
    ShapeSlot& slot = shapes_[h & (Slots - 1)];
    if (slot.hash == h && slot.points == n) {
        const Span* d = slot.data.data();
        std::size_t i = 0;
        while (i < n && d[i].y == shapeKey_[i].x && d[i].x0 == shapeKey_[i].y) ++i;
        if (i == n) {
            const Span* pen = d + n;
            const Span* fill = pen + slot.pen;
            const Op penOp = MakeOp(penColor_);
            const Op brushOp = MakeOp(brushColor_);
            if (brushStyle_ == BrushStyle::Solid && penOp.a == brushOp.a && penOp.o == brushOp.o && penOp.x == brushOp.x) {
                // Pen and brush alike: their union, kept too. The shape is
                // wholly on the raster, so nothing to clip.
                const Span* both = fill + slot.fill;
                std::uint32_t* origin = Scanline(o.y) + o.x;
                for (std::uint32_t k = 0; k < slot.both; ++k)
                    Apply(origin + static_cast<std::ptrdiff_t>(both[k].y) * width_, both[k].x0, both[k].x1, penOp);
            } else {
                Compose(std::span<const Span>(pen, slot.pen), std::span<const Span>(fill, slot.fill), o.x, o.y);
            }
            return true;
        }
    }
    std::uint64_t& seen = shapesSeen_[(h >> 13) & (Seen - 1)];
    if (seen != h) {
        // First sight: most polygons are drawn once only.
        seen = h;
        return false;
    }
    FillSpans(closed_);
    PathSpans(closed_, true, false);
    // The union of pen and fill, row by row (both are sorted).
    sortTmp_.clear();
    {
        std::size_t ip = 0, jf = 0;
        while (ip < pen_.size() || jf < fill_.size()) {
            const bool takePen = jf >= fill_.size() ||
                                 (ip < pen_.size() && (pen_[ip].y < fill_[jf].y || (pen_[ip].y == fill_[jf].y && pen_[ip].x0 <= fill_[jf].x0)));
            const Span sp = takePen ? pen_[ip++] : fill_[jf++];
            if (!sortTmp_.empty() && sortTmp_.back().y == sp.y && sp.x0 <= sortTmp_.back().x1)
                sortTmp_.back().x1 = std::max(sortTmp_.back().x1, sp.x1);
            else
                sortTmp_.push_back(sp);
        }
    }
    // A few megabytes at most: past that every kept shape goes.
    constexpr std::size_t MaxBytes = std::size_t{8} << 20;
    shapeBytes_ -= std::min(shapeBytes_, slot.data.size() * sizeof(Span));
    const std::size_t count = n + pen_.size() + fill_.size() + sortTmp_.size();
    if (shapeBytes_ + count * sizeof(Span) > MaxBytes) {
        for (ShapeSlot& sl : shapes_) sl = ShapeSlot{};
        shapeBytes_ = 0;
    }
    shapeBytes_ += count * sizeof(Span);
    // One block per shape: its points, then pen, fill and union spans, all
    // from the first point.
    slot.hash = h;
    slot.points = static_cast<std::uint32_t>(n);
    slot.pen = static_cast<std::uint32_t>(pen_.size());
    slot.fill = static_cast<std::uint32_t>(fill_.size());
    slot.both = static_cast<std::uint32_t>(sortTmp_.size());
    slot.data.clear();
    slot.data.reserve(count);
    for (const Point& r : shapeKey_) slot.data.push_back({r.x, r.y, 0});
    for (const Span& sp : pen_) slot.data.push_back({sp.y - o.y, sp.x0 - o.x, sp.x1 - o.x});
    for (const Span& sp : fill_) slot.data.push_back({sp.y - o.y, sp.x0 - o.x, sp.x1 - o.x});
    for (const Span& sp : sortTmp_) slot.data.push_back({sp.y - o.y, sp.x0 - o.x, sp.x1 - o.x});
    Compose();
    return true;
}

void RasterCanvas::Polygon(std::span<const Point> points)
{
    if (points.size() < 2) return;
    dotPhase_ = 0;
    closed_.assign(points.begin(), points.end());
    for (Point& p : closed_) p = {Sat(p.x), Sat(p.y)};
    // Outlines of many points are mostly pads flashed again elsewhere, where
    // kept spans beat a new walk; four-point ones (track segments) are
    // mostly new, and hashing them would only cost.
    const bool keepable = closed_.size() > 4;
    if (keepable && PolygonFromCache()) return;
    if (DrawAsBits(true)) return;
    if (!keepable && PolygonFromCache()) return;
    FillSpans(closed_);
    PathSpans(closed_, true, false);
    Compose();
}

// Row ry (from the top of the box) of the ellipse with semi-axes a, b in a
// box whose top left is the origin: the covered columns and the inside ones
// (all four side neighbours covered); the rest of the row is outline.
RasterCanvas::EllipseRow RasterCanvas::EllipseRowAt(double a, double b, int ry)
{
    const Cols up = EllipseCols(a, b, a, b, ry - 0.5);
    const Cols row = EllipseCols(a, b, a, b, ry + 0.5);
    const Cols down = EllipseCols(a, b, a, b, ry + 1.5);
    if (row.Empty()) return {0, 0, 0, 0};
    int i0 = row.lo + 1, i1 = row.hi - 1;
    if (up.Empty() || down.Empty()) {
        i1 = i0;
    } else {
        i0 = std::max({i0, up.lo, down.lo});
        i1 = std::min({i1, up.hi, down.hi});
    }
    if (i0 >= i1) i0 = i1 = row.hi;
    return {row.lo, i0, i1, row.hi};
}

const RasterCanvas::PatternRef& RasterCanvas::EllipsePattern(int w, int h)
{
    constexpr int D = EllipsePatternMax + 1;
    if (ellipsePatterns_.empty()) ellipsePatterns_.resize(static_cast<std::size_t>(D) * D);
    PatternRef& ref = ellipsePatterns_[static_cast<std::size_t>(w) * D + static_cast<std::size_t>(h)];
    if (ref.start < 0) {
        ref.start = static_cast<std::int32_t>(ellipsePool_.size());
        for (int ry = 0; ry < h; ++ry) ellipsePool_.push_back(EllipseRowAt(w * 0.5, h * 0.5, ry));
        ref.count = h;
    }
    return ref;
}

void RasterCanvas::PaintEllipseRow(int y, int left, const EllipseRow& r, const Op& penOp, const Op& brushOp, bool oneOp)
{
    if (r.lo >= r.hi) return;
    if (oneOp) {
        PaintPen(y, left + r.lo, left + r.hi, penOp);
        return;
    }
    PaintPen(y, left + r.lo, left + r.i0, penOp);
    if (r.i0 < r.i1) PaintBrush(y, left + r.i0, left + r.i1, brushOp);
    PaintPen(y, left + r.i1, left + r.hi, penOp);
}

void RasterCanvas::Ellipse(int left, int top, int right, int bottom)
{
    left = Sat(left), top = Sat(top), right = Sat(right), bottom = Sat(bottom);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    const double cx = (static_cast<double>(left) + right) * 0.5, cy = (static_cast<double>(top) + bottom) * 0.5;
    const double a = (static_cast<double>(right) - left) * 0.5, b = (static_cast<double>(bottom) - top) * 0.5;
    const Op penOp = MakeOp(penColor_);
    const Op brushOp = MakeOp(brushColor_);
    if (penWidth_ == 1) {
        const int y0 = std::max(top, top_), y1 = std::min(bottom, end_);
        if (y0 >= y1) return;
        const bool oneOp = brushStyle_ == BrushStyle::Solid && penOp.a == brushOp.a && penOp.o == brushOp.o && penOp.x == brushOp.x;
        const int w = right - left, h = bottom - top;
        if (w <= EllipsePatternMax && h <= EllipsePatternMax) {
            const PatternRef& ref = EllipsePattern(w, h);
            const EllipseRow* rows = ellipsePool_.data() + ref.start;
            if (oneOp && left >= 0 && right <= width_) {
                // Wholly inside the columns: each row's run as it is.
                for (int y = y0; y < y1; ++y) {
                    const EllipseRow& r = rows[y - top];
                    if (r.lo < r.hi) Apply(Scanline(y), left + r.lo, left + r.hi, penOp);
                }
                return;
            }
            for (int y = y0; y < y1; ++y) PaintEllipseRow(y, left, rows[y - top], penOp, brushOp, oneOp);
            return;
        }
        for (int y = y0; y < y1; ++y) PaintEllipseRow(y, left, EllipseRowAt(a, b, y - top), penOp, brushOp, oneOp);
        return;
    }
    const double h = penWidth_ * 0.5;
    const double oa = a + h - 0.5, ob = b + h - 0.5, ia = a - h - 0.5, ib = b - h - 0.5;
    const int y0 = static_cast<int>(std::max(std::floor(cy - ob - 1.0), static_cast<double>(top_)));
    const int y1 = static_cast<int>(std::min(std::ceil(cy + ob + 1.0), static_cast<double>(end_)));
    for (int y = y0; y < y1; ++y) {
        const double yc = y + 0.5;
        const Cols outer = EllipseCols(cx, cy, oa, ob, yc);
        if (outer.Empty()) continue;
        const Cols inner = EllipseCols(cx, cy, ia, ib, yc);
        if (inner.Empty()) {
            PaintPen(y, outer.lo, outer.hi, penOp);
            continue;
        }
        PaintPen(y, outer.lo, inner.lo, penOp);
        const Cols fillCols = EllipseCols(cx, cy, a, b, yc);
        const int f0 = std::max(fillCols.lo, inner.lo), f1 = std::min(fillCols.hi, inner.hi);
        if (f0 < f1) PaintBrush(y, f0, f1, brushOp);
        PaintPen(y, inner.hi, outer.hi, penOp);
    }
}

void RasterCanvas::Rectangle(int left, int top, int right, int bottom)
{
    left = Sat(left), top = Sat(top), right = Sat(right), bottom = Sat(bottom);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    if (penWidth_ == 1 && penStyle_ == PenStyle::Solid) {
        const Op penOp = MakeOp(penColor_);
        const Op brushOp = MakeOp(brushColor_);
        const int y0 = std::max(top, top_), y1 = std::min(bottom, end_);
        if (brushStyle_ == BrushStyle::Solid && penOp.a == brushOp.a && penOp.o == brushOp.o && penOp.x == brushOp.x) {
            // Pen and brush alike: every row is the whole width.
            const int x0 = std::max(left, 0), x1 = std::min(right, width_);
            if (x0 < x1)
                for (int y = y0; y < y1; ++y) Apply(Scanline(y), x0, x1, penOp);
            return;
        }
        for (int y = y0; y < y1; ++y) {
            if (y == top || y == bottom - 1 || right - left <= 2) {
                PaintPen(y, left, right, penOp);
            } else {
                PaintPen(y, left, left + 1, penOp);
                PaintBrush(y, left + 1, right - 1, brushOp);
                PaintPen(y, right - 1, right, penOp);
            }
        }
        return;
    }
    fill_.clear();
    if (brushStyle_ != BrushStyle::Clear) {
        const int y0 = std::max(top, top_), y1 = std::min(bottom, end_);
        const int x0 = std::max(left, 0), x1 = std::min(right, width_);
        if (x0 < x1)
            for (int y = y0; y < y1; ++y) fill_.push_back({y, x0, x1});
    }
    dotPhase_ = 0;
    const Point corners[4] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
    PathSpans(corners, true, false);
    Compose();
}

void RasterCanvas::FillRect(const Rect& r)
{
    int left = std::max(std::min(r.left, r.right), 0), right = std::min(std::max(r.left, r.right), width_);
    int top = std::max(std::min(r.top, r.bottom), top_), bottom = std::min(std::max(r.top, r.bottom), end_);
    if (left >= right || top >= bottom) return;
    const Op op{0, ToPixel(brushColor_), 0};
    for (int y = top; y < bottom; ++y) PaintBrush(y, left, right, op);
}

void RasterCanvas::SetPixel(int x, int y, Color c)
{
    if (x < 0 || x >= width_ || !Held(y)) return;
    Scanline(y)[x] = ToPixel(c);
}

RasterTextHook* RasterCanvas::Hook() const { return textHook_ ? textHook_ : globalHook; }

void RasterCanvas::TextOut(int x, int y, std::string_view text)
{
    if (RasterTextHook* h = Hook()) h->TextOut(*this, x, y, text);
}

TextSize RasterCanvas::TextExtent(std::string_view text)
{
    if (RasterTextHook* h = Hook()) return h->TextExtent(*this, text);
    return {};
}

void RasterCanvas::FillMask(const RasterCanvas& mask, int left, int top)
{
    const Op penOp = MakeOp(penColor_);
    const Op brushOp = MakeOp(brushColor_);
    const std::uint32_t penKey = ToPixel(MaskPen) & 0xFFFFFFu, brushKey = ToPixel(MaskBrush) & 0xFFFFFFu;
    const long long x0 = std::max<long long>(0, left), x1 = std::min<long long>(width_, static_cast<long long>(left) + mask.width_);
    const long long y0 = std::max<long long>(top_, static_cast<long long>(top) + mask.top_);
    const long long y1 = std::min<long long>(end_, static_cast<long long>(top) + mask.end_);
    for (long long y = y0; y < y1; ++y) {
        const std::uint32_t* m = mask.Scanline(static_cast<int>(y - top));
        std::uint32_t* p = Scanline(static_cast<int>(y));
        long long x = x0;
        while (x < x1) {
            const std::uint32_t key = m[x - left] & 0xFFFFFFu;
            long long e = x + 1;
            while (e < x1 && (m[e - left] & 0xFFFFFFu) == key) ++e;
            if (key == penKey)
                Apply(p, static_cast<int>(x), static_cast<int>(e), penOp);
            else if (key == brushKey)
                PaintBrush(static_cast<int>(y), static_cast<int>(x), static_cast<int>(e), brushOp);
            x = e;
        }
    }
}

void RasterCanvas::MaskRuns(const RasterCanvas& mask, std::vector<MaskRun>& out)
{
    out.clear();
    const std::uint32_t penKey = ToPixel(MaskPen) & 0xFFFFFFu, brushKey = ToPixel(MaskBrush) & 0xFFFFFFu;
    for (int y = mask.top_; y < mask.end_; ++y) {
        const std::uint32_t* m = mask.Scanline(y);
        int x = 0;
        while (x < mask.width_) {
            const std::uint32_t key = m[x] & 0xFFFFFFu;
            int e = x + 1;
            while (e < mask.width_ && (m[e] & 0xFFFFFFu) == key) ++e;
            if (key == penKey || key == brushKey) out.push_back({y, x, e, key == penKey});
            x = e;
        }
    }
}

void RasterCanvas::FillMaskRuns(std::span<const MaskRun> runs, int left, int top)
{
    const Op penOp = MakeOp(penColor_);
    const Op brushOp = MakeOp(brushColor_);
    const bool oneOp = brushStyle_ == BrushStyle::Solid && penOp.a == brushOp.a && penOp.o == brushOp.o && penOp.x == brushOp.x;
    if (runs.empty()) return;
    if (oneOp) {
        // When every run lands on the raster there is nothing to clip run
        // by run.
        std::int32_t lo = runs.front().x0, hi = runs.front().x1, ylo = runs.front().y, yhi = ylo;
        for (const MaskRun& r : runs) {
            lo = std::min(lo, r.x0);
            hi = std::max(hi, r.x1);
            ylo = std::min(ylo, r.y);
            yhi = std::max(yhi, r.y);
        }
        if (static_cast<long long>(top) + ylo >= top_ && static_cast<long long>(top) + yhi < end_ &&
            static_cast<long long>(left) + lo >= 0 && static_cast<long long>(left) + hi <= width_) {
            for (const MaskRun& r : runs) {
                if (r.x0 < r.x1) Apply(Scanline(top + r.y), left + r.x0, left + r.x1, penOp);
            }
            return;
        }
    }
    // With one op, touching runs of a row are painted as one.
    long long runY = 0, runX0 = 0, runX1 = 0;
    for (const MaskRun& r : runs) {
        const long long y = static_cast<long long>(top) + r.y;
        if (y < top_ || y >= end_) continue;
        const long long x0 = std::max<long long>(0, static_cast<long long>(left) + r.x0);
        const long long x1 = std::min<long long>(width_, static_cast<long long>(left) + r.x1);
        if (x0 >= x1) continue;
        if (oneOp) {
            if (y == runY && x0 == runX1) {
                runX1 = x1;
                continue;
            }
            if (runX0 < runX1) Apply(Scanline(static_cast<int>(runY)), static_cast<int>(runX0), static_cast<int>(runX1), penOp);
            runY = y;
            runX0 = x0;
            runX1 = x1;
            continue;
        }
        if (r.pen)
            Apply(Scanline(static_cast<int>(y)), static_cast<int>(x0), static_cast<int>(x1), penOp);
        else
            PaintBrush(static_cast<int>(y), static_cast<int>(x0), static_cast<int>(x1), brushOp);
    }
    if (runX0 < runX1) Apply(Scanline(static_cast<int>(runY)), static_cast<int>(runX0), static_cast<int>(runX1), penOp);
}

} // namespace platform
