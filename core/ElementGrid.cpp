#include "core/ElementGrid.h"

#include "core/FlashDrawing.h"
#include "core/TextHelpers.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>

namespace core {

double GridOriginX = 0, GridOriginY = 0;
std::int32_t GridWidth = 0, GridHeight = 0;
std::int32_t GridDepth = 128;
MyMapArray ElementGrid;

namespace {

constexpr std::int32_t DepthStep = 128;
// Beyond this many cells the lists cover only the cells elements reach.
constexpr std::int64_t WholeGridCells = std::int64_t{4} << 20;
// Lists longer than this in total (1 GB) are refused.
constexpr std::int64_t MaxEntries = std::int64_t{1} << 28;
constexpr std::int64_t CoordinateLimit = 100'000'000;
constexpr int MaxPen = 1 << 16;

using Wide = __int128;

// A whole cell number of a floored or ceiled coordinate; far values are
// pulled in (no grid is that large), and a value that is no number counts as 0.
std::int32_t CellNumber(double v)
{
    if (std::isnan(v)) return 0;
    return static_cast<std::int32_t>(std::clamp(v, -1e9, 1e9));
}

std::int64_t TruncCell(double v)
{
    if (std::isnan(v)) return 0;
    return static_cast<std::int64_t>(std::clamp(v, -static_cast<double>(CoordinateLimit), static_cast<double>(CoordinateLimit)));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

double Size1Of(int code)
{
    const MyAperture* a = ApertureAt(code);
    return a ? a->Size1 : 0.0;
}

bool ArcOrCircle(std::int32_t kind) { return (kind >= dkArcCCW && kind <= dkCircleCW) || (kind >= dkRegionArcCCW && kind <= dkRegionCircleCW); }

int PenWidth(double size)
{
    const double w = std::ceil(size);
    return w > 3 ? static_cast<int>(std::min(w, static_cast<double>(MaxPen))) : 3;
}

void CellsOfBox(double minX, double maxX, double minY, double maxY, MyCellRect& cells)
{
    auto low = [](double v) {
        const double f = std::floor(v);
        return CellNumber(v - f < 0.1 ? f - 1 : f);
    };
    auto high = [](double v) {
        const double c = std::ceil(v);
        return CellNumber(c - v > 0.1 ? c + 1 : c);
    };
    cells = {low(minX), low(minY), high(maxX), high(maxY)};
}

MyCellRect Intersect(const MyCellRect& a, const MyCellRect& b)
{
    return {std::max(a.MinCol, b.MinCol), std::max(a.MinRow, b.MinRow), std::min(a.MaxCol, b.MaxCol), std::min(a.MaxRow, b.MaxRow)};
}

MyCellRect Union(const MyCellRect& a, const MyCellRect& b)
{
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.MinCol, b.MinCol), std::min(a.MinRow, b.MinRow), std::max(a.MaxCol, b.MaxCol), std::max(a.MaxRow, b.MaxRow)};
}

// ------------------------------------------------------------- footprints

// A stroke of a pen `w` cells wide between the cells A and B. It covers cell
// (x, y) when (2x + o, 2y + o) lies within w of the segment 2A-2B: an odd pen
// runs through cell centres, an even one through cell corners. Exact in whole
// numbers.
struct Capsule {
    std::int64_t ax = 0, ay = 0, bx = 0, by = 0, dx = 0, dy = 0, l2 = 0, w = 0, w2 = 0, o = 0;
    double length = 0;
    std::int64_t rowLo = 0, rowHi = -1;

    Capsule() = default;
    Capsule(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int pen)
        : ax(2 * x1), ay(2 * y1), bx(2 * x2), by(2 * y2), w(pen), o(pen % 2 == 0 ? 1 : 0)
    {
        dx = bx - ax;
        dy = by - ay;
        l2 = dx * dx + dy * dy;
        w2 = w * w;
        length = std::sqrt(static_cast<double>(l2));
        rowLo = CeilDiv(std::min(ay, by) - w - o, 2);
        rowHi = FloorDiv(std::max(ay, by) + w - o, 2);
    }

    bool Covers(std::int64_t x, std::int64_t y) const
    {
        const std::int64_t px = 2 * x + o - ax, py = 2 * y + o - ay;
        const std::int64_t t = px * dx + py * dy;
        if (t <= 0) return px * px + py * py <= w2;
        if (t >= l2) {
            const std::int64_t qx = px - dx, qy = py - dy;
            return qx * qx + qy * qy <= w2;
        }
        const Wide cross = static_cast<Wide>(dx) * py - static_cast<Wide>(dy) * px;
        return cross * cross <= static_cast<Wide>(w2) * l2;
    }

    // The cells of row y it covers, lo..hi; false when none.
    bool RowSpan(std::int64_t y, std::int64_t& lo, std::int64_t& hi) const
    {
        // Worked out in doubles, widened a little and then settled cell by
        // cell with the exact test.
        constexpr double Slack = 1e-6;
        const double yc = 2.0 * static_cast<double>(y) + static_cast<double>(o);
        double xlo = std::numeric_limits<double>::infinity(), xhi = -xlo;
        auto disc = [&](double cx, double cy) {
            const double t = yc - cy, s2 = static_cast<double>(w2) - t * t;
            if (s2 < -Slack) return;
            const double s = std::sqrt(std::max(s2, 0.0));
            xlo = std::min(xlo, cx - s);
            xhi = std::max(xhi, cx + s);
        };
        disc(static_cast<double>(ax), static_cast<double>(ay));
        disc(static_cast<double>(bx), static_cast<double>(by));
        if (l2 > 0) {
            const double e = yc - static_cast<double>(ay), fx = static_cast<double>(dx), fy = static_cast<double>(dy);
            const double x0 = static_cast<double>(ax), reach = static_cast<double>(w) * length;
            double slo = -std::numeric_limits<double>::infinity(), shi = -slo;
            bool any = true;
            if (dx != 0) {
                const double x1 = x0 - e * fy / fx, x2 = x0 + (static_cast<double>(l2) - e * fy) / fx;
                slo = std::min(x1, x2);
                shi = std::max(x1, x2);
            } else {
                any = e * fy >= -Slack && e * fy <= static_cast<double>(l2) + Slack;
            }
            if (any && dy != 0) {
                const double x1 = x0 + (fx * e - reach) / fy, x2 = x0 + (fx * e + reach) / fy;
                slo = std::max(slo, std::min(x1, x2));
                shi = std::min(shi, std::max(x1, x2));
            } else if (any) {
                any = std::fabs(fx * e) <= reach + Slack;
            }
            if (any && slo <= shi + Slack) {
                xlo = std::min(xlo, slo);
                xhi = std::max(xhi, shi);
            }
        }
        if (!(xlo <= xhi + Slack)) return false;
        lo = static_cast<std::int64_t>(std::ceil((xlo - Slack - static_cast<double>(o)) * 0.5));
        hi = static_cast<std::int64_t>(std::floor((xhi + Slack - static_cast<double>(o)) * 0.5));
        while (lo <= hi && !Covers(lo, y)) ++lo;
        if (lo > hi) return false;
        while (!Covers(hi, y)) --hi;
        while (Covers(lo - 1, y)) --lo;
        while (Covers(hi + 1, y)) ++hi;
        return true;
    }
};

// The cells an element marks.
struct Footprint {
    enum Kind { Fill, Strokes, Outline } kind = Fill;
    MyCellRect rect;                      // never beyond the box's cells
    std::array<Capsule, 17> strokes;
    int strokeCount = 0;
    std::array<std::array<std::int64_t, 2>, 4> corners{};   // the outline's corners; two corner cells of a line's rectangle
    int cornerCount = 0;
};

// Strokes from point to point (and back to the first when closed); a point
// in the cell of the one before adds nothing.
void AddStrokes(Footprint& f, const std::int64_t* xs, const std::int64_t* ys, int points, int pen, bool closed)
{
    f.strokeCount = 0;
    int from = 0;
    for (int k = 1; k <= (closed ? points : points - 1); ++k) {
        const int to = k % points;
        if (xs[to] == xs[from] && ys[to] == ys[from]) continue;
        f.strokes[static_cast<std::size_t>(f.strokeCount++)] = Capsule(xs[from], ys[from], xs[to], ys[to], pen);
        from = to;
    }
    if (f.strokeCount == 0) f.strokes[static_cast<std::size_t>(f.strokeCount++)] = Capsule(xs[0], ys[0], xs[0], ys[0], pen);
}

// The element moved by the grid origin, as the grid sees it.
DataElement OnGrid(const DataElement& src)
{
    DataElement e = src;
    const std::int32_t k = src.Kind;
    e.Kind = k == std::numeric_limits<std::int32_t>::min() ? -1 : std::abs(k);
    e.X1 += GridOriginX;
    e.X2 += GridOriginX;
    e.X3 += GridOriginX;
    e.Y1 += GridOriginY;
    e.Y2 += GridOriginY;
    e.Y3 += GridOriginY;
    if (e.Kind == dkSquareStroke) {
        e.X4 += GridOriginX;
        e.Y4 += GridOriginY;
    }
    return e;
}

// An arc or circle: a polyline of 16 pieces, each taking the cells of a line
// of the arc's width.
void ArcFootprint(const DataElement& e, Footprint& f)
{
    thread_local MyPointArray points;
    int n = 16;
    ArcToPoints(e.Kind, points, n, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2);
    std::array<std::int64_t, 17> xs{}, ys{};
    const int count = static_cast<int>(std::min<std::size_t>(points.size(), xs.size()));
    f.rect = {};
    DataElement piece = e;
    piece.Kind = dkLine;
    for (int k = 0; k < count; ++k) {
        const MyPoint p = points[static_cast<std::size_t>(k)];
        xs[static_cast<std::size_t>(k)] = TruncCell(p.x);
        ys[static_cast<std::size_t>(k)] = TruncCell(p.y);
        if (k == 0) continue;
        const MyPoint q = points[static_cast<std::size_t>(k - 1)];
        piece.X1 = q.x, piece.Y1 = q.y, piece.X2 = p.x, piece.Y2 = p.y;
        MyCellRect cells;
        ElementCells(piece, cells);
        f.rect = Union(f.rect, cells);
    }
    if (count < 2) return;
    f.kind = Footprint::Strokes;
    const bool stroked = e.Kind < dkRegionArcCCW;
    AddStrokes(f, xs.data(), ys.data(), count, stroked ? PenWidth(Size1Of(e.Code)) : 3, false);
}

void MakeFootprint(const DataElement& src, Footprint& f)
{
    const DataElement e = OnGrid(src);
    f.kind = Footprint::Fill;
    f.cornerCount = 0;
    switch (e.Kind) {
    case dkLine:
    case dkRegionLine: {
        ElementCells(e, f.rect);
        const std::int64_t xs[2] = {TruncCell(e.X1), TruncCell(e.X2)}, ys[2] = {TruncCell(e.Y1), TruncCell(e.Y2)};
        if (xs[0] == xs[1] || ys[0] == ys[1]) return;
        f.kind = Footprint::Strokes;
        AddStrokes(f, xs, ys, 2, e.Kind == dkLine ? PenWidth(Size1Of(e.Code)) : 3, false);
        // The corners of the cell rectangle the line runs between.
        const bool rising = (xs[1] > xs[0]) == (ys[1] > ys[0]);
        const MyCellRect& r = f.rect;
        f.corners[0] = {r.MinCol, rising ? r.MinRow : r.MaxRow - 1};
        f.corners[1] = {r.MaxCol - 1, rising ? r.MaxRow - 1 : r.MinRow};
        f.cornerCount = 2;
        return;
    }
    case dkSquareStroke: {
        ElementCells(e, f.rect);
        if (std::floor(e.X1) == std::floor(e.X2) || std::floor(e.Y1) == std::floor(e.Y4)) return;
        f.kind = Footprint::Outline;
        const std::int64_t xs[4] = {TruncCell(std::floor(e.X1)), TruncCell(std::floor(e.X2)), TruncCell(std::floor(e.X3)),
                                    TruncCell(std::floor(e.X4))};
        const std::int64_t ys[4] = {TruncCell(std::floor(e.Y1)), TruncCell(std::floor(e.Y2)), TruncCell(std::floor(e.Y3)),
                                    TruncCell(std::floor(e.Y4))};
        for (std::size_t k = 0; k < 4; ++k) f.corners[k] = {xs[k], ys[k]};
        f.cornerCount = 4;
        AddStrokes(f, xs, ys, 4, 2, true);
        return;
    }
    default:
        if (ArcOrCircle(e.Kind)) ArcFootprint(e, f);
        else ElementCells(e, f.rect);
        return;
    }
}

struct Run {
    std::int64_t lo, hi;   // inclusive
};

// Calls visit(row, c0, c1) for the cells c0..c1-1 of each row that the
// footprint marks within `clip`, each cell once, rows upwards.
template <class Visit>
void WalkFootprint(const Footprint& f, const MyCellRect& clipIn, Visit&& visit)
{
    const MyCellRect clip = Intersect(clipIn, f.rect);
    if (clip.Empty()) return;
    if (f.kind == Footprint::Fill) {
        for (std::int32_t r = clip.MinRow; r < clip.MaxRow; ++r) visit(r, clip.MinCol, clip.MaxCol);
        return;
    }
    std::array<Run, 24> runs;
    std::array<std::int64_t, 4> crossings;
    for (std::int32_t r = clip.MinRow; r < clip.MaxRow; ++r) {
        std::size_t n = 0;
        for (int k = 0; k < f.strokeCount; ++k) {
            const Capsule& c = f.strokes[static_cast<std::size_t>(k)];
            if (r < c.rowLo || r > c.rowHi) continue;
            std::int64_t lo = 0, hi = 0;
            if (c.RowSpan(r, lo, hi)) runs[n++] = {lo, hi};
        }
        if (f.kind == Footprint::Outline) {
            // The filled quadrilateral, even-odd, its corners taken as cell
            // centres: a cell is inside from a crossing (rounded up) to the next.
            std::size_t m = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                auto p = f.corners[k], q = f.corners[(k + 1) % 4];
                if (p[1] == q[1]) continue;
                if (p[1] > q[1]) std::swap(p, q);
                if (r < p[1] || r >= q[1]) continue;
                crossings[m++] = p[0] + CeilDiv((r - p[1]) * (q[0] - p[0]), q[1] - p[1]);
            }
            std::sort(crossings.begin(), crossings.begin() + static_cast<std::ptrdiff_t>(m));
            for (std::size_t k = 0; k + 1 < m; k += 2)
                if (crossings[k] < crossings[k + 1]) runs[n++] = {crossings[k], crossings[k + 1] - 1};
        } else {
            for (int k = 0; k < f.cornerCount; ++k)
                if (f.corners[static_cast<std::size_t>(k)][1] == r)
                    runs[n++] = {f.corners[static_cast<std::size_t>(k)][0], f.corners[static_cast<std::size_t>(k)][0]};
        }
        if (n == 0) continue;
        std::sort(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(n), [](const Run& a, const Run& b) { return a.lo < b.lo; });
        std::int64_t lo = runs[0].lo, hi = runs[0].hi;
        auto flush = [&] {
            const std::int64_t c0 = std::max<std::int64_t>(lo, clip.MinCol), c1 = std::min<std::int64_t>(hi + 1, clip.MaxCol);
            if (c0 < c1) visit(r, static_cast<std::int32_t>(c0), static_cast<std::int32_t>(c1));
        };
        for (std::size_t k = 1; k < n; ++k) {
            if (runs[k].lo <= hi + 1) {
                hi = std::max(hi, runs[k].hi);
            } else {
                flush();
                lo = runs[k].lo;
                hi = runs[k].hi;
            }
        }
        flush();
    }
}

bool InDataOrder(std::int64_t count) { return count == DataCount && count <= static_cast<std::int64_t>(Datas.size()); }

} // namespace

// ----------------------------------------------------------------- cells

void ElementCells(const DataElement& e, MyCellRect& cells)
{
    double minX = e.X3 - 0.5, maxX = e.X3 + 0.5, minY = e.Y3 - 0.5, maxY = e.Y3 + 0.5;
    switch (e.Kind) {
    case dkFlash: {
        MyBox box;
        ApertureBox(e.Code, box, e.X3, e.Y3);
        minX = box[0], maxX = box[1], minY = box[2], maxY = box[3];
        break;
    }
    case dkDrill:
    case dkDrillList: {
        // Holes are entered as at least a millimetre across.
        const double r = std::max(ToolDiameter(e.Code), 1.0) * 0.5;
        minX = e.X3 - r, maxX = e.X3 + r, minY = e.Y3 - r, maxY = e.Y3 + r;
        break;
    }
    case dkLine:
    case dkRegionLine: {
        const double hw = Size1Of(e.Code) * 0.5;
        minX = std::min(e.X1, e.X2) - hw, maxX = std::max(e.X1, e.X2) + hw;
        minY = std::min(e.Y1, e.Y2) - hw, maxY = std::max(e.Y1, e.Y2) + hw;
        break;
    }
    case dkSquareStroke:
        minX = std::min({e.X1, e.X2, e.X3, e.X4}), maxX = std::max({e.X1, e.X2, e.X3, e.X4});
        minY = std::min({e.Y1, e.Y2, e.Y3, e.Y4}), maxY = std::max({e.Y1, e.Y2, e.Y3, e.Y4});
        break;
    default:
        if (ArcOrCircle(e.Kind)) {
            const double r = e.X4 + Size1Of(e.Code) * 0.5;
            minX = e.X3 - r, maxX = e.X3 + r, minY = e.Y3 - r, maxY = e.Y3 + r;
        }
        break;
    }
    CellsOfBox(minX, maxX, minY, maxY, cells);
}

// ------------------------------------------------------------------ grid

bool MyMapArray::Current() const
{
    return !offsets_.empty() && builtCount_ == DataCount && builtVersion_ == Datas.version();
}

std::span<const std::int32_t> MyMapArray::Cell(int col, int row) const
{
    if (col < left_ || row < bottom_ || col - left_ >= cols_ || row - bottom_ >= rows_ || !Current()) return {};
    const std::uint32_t k = CellIndex(col, row);
    return {entries_.data() + offsets_[k], entries_.data() + offsets_[k + 1]};
}

std::size_t MyMapArray::MemoryBytes() const
{
    return offsets_.capacity() * sizeof(std::uint32_t) + entries_.capacity() * sizeof(std::int32_t) +
           marked_.capacity() * sizeof(MyCellRect);
}

void MyMapArray::Clear() { *this = MyMapArray{}; }

std::uint64_t MyMapArray::EntriesIn(const MyCellRect& cells) const
{
    const MyCellRect c = Intersect(cells, HeldCells());
    if (c.Empty() || offsets_.empty()) return 0;
    std::uint64_t total = 0;
    for (std::int32_t r = c.MinRow; r < c.MaxRow; ++r) total += offsets_[CellIndex(c.MaxCol - 1, r) + 1] - offsets_[CellIndex(c.MinCol, r)];
    return total;
}

void SetGridView(const MyExtents& x)
{
    // Without a fitted view, the data with the margin a fit gives it.
    const bool fitted = x.ViewWidth >= x.Width && x.ViewHeight >= x.Height && x.ViewWidth > 0;
    const double w = fitted ? x.ViewWidth : x.Width + 40.0, h = fitted ? x.ViewHeight : x.Height + 40.0;
    GridOriginX = (w - x.Width) / 2 - x.MinX;
    GridOriginY = (h - x.Height) / 2 - x.MinY;
    auto size = [](double v) { return std::isfinite(v) ? static_cast<std::int32_t>(std::clamp(std::trunc(v), 0.0, 1e6)) + 1 : 1; };
    GridWidth = size(w);
    GridHeight = size(h);
    GridDepth = DepthStep;
    ElementGrid.Clear();
}

bool GridCellOf(double x, double y, int& col, int& row)
{
    const double c = std::floor(x + GridOriginX), r = std::floor(y + GridOriginY);
    if (!(c >= 0 && c < GridWidth && r >= 0 && r < GridHeight)) return false;
    col = static_cast<int>(c);
    row = static_cast<int>(r);
    return true;
}

// Counts the cells of every element, then lists the elements in them. Each
// task takes a run of elements in order and keeps its own counts, so that
// the lists come out in element order whatever runs when.
class GridBuilder {
public:
    GridBuilder(Gauge& gauge, const TaskRunner& runner) : gauge_(gauge), runner_(runner) {}

    bool Build()
    {
        const std::int64_t n = DataCount;
        MyMapArray& g = ElementGrid;
        g.Clear();
        gauge_.SetMaximum(n - 1);
        gauge_.SetProgress(0);
        const MyCellRect whole{0, 0, std::max(GridWidth, 0), std::max(GridHeight, 0)};
        MyCellRect held = whole;
        if (static_cast<std::int64_t>(whole.MaxCol) * whole.MaxRow > WholeGridCells) held = Reached(whole);
        g.left_ = held.MinCol;
        g.bottom_ = held.MinRow;
        g.cols_ = std::max(held.MaxCol - held.MinCol, 0);
        g.rows_ = std::max(held.MaxRow - held.MinRow, 0);
        cells_ = static_cast<std::size_t>(g.cols_) * static_cast<std::size_t>(g.rows_);
        held_ = held;

        // Counts per task take memory per cell: fewer tasks on a large grid.
        tasks_ = static_cast<std::size_t>(std::clamp<std::int64_t>(
            std::min<std::int64_t>(n / 16384, (std::int64_t{8} << 20) / std::max<std::int64_t>(static_cast<std::int64_t>(cells_), 1)), 1, 16));
        counts_.assign(tasks_ * cells_, 0);
        g.marked_.assign(static_cast<std::size_t>(n), MyCellRect{});
        filled_.assign(static_cast<std::size_t>(n), 0);
        RunPass(true);

        // Each task's lists start where those of the tasks before it end.
        g.offsets_.assign(cells_ + 1, 0);
        std::uint64_t total = 0;
        std::uint32_t longest = 0;
        for (std::size_t k = 0; k < cells_; ++k) {
            const std::uint64_t start = total;
            for (std::size_t t = 0; t < tasks_; ++t) {
                std::uint32_t& c = counts_[t * cells_ + k];
                const std::uint32_t v = c;
                c = static_cast<std::uint32_t>(total);
                total += v;
            }
            longest = std::max(longest, static_cast<std::uint32_t>(total - start));
            if (total > static_cast<std::uint64_t>(MaxEntries)) {
                g.Clear();
                return false;
            }
            g.offsets_[k + 1] = static_cast<std::uint32_t>(total);
        }
        g.entries_.resize(static_cast<std::size_t>(total));
        RunPass(false);
        counts_ = {};
        filled_ = {};

        GridDepth = std::max<std::int32_t>(DepthStep, static_cast<std::int32_t>((longest + DepthStep - 1) / DepthStep) * DepthStep);
        g.builtCount_ = static_cast<std::int32_t>(n);
        g.builtVersion_ = Datas.version();
        gauge_.SetProgress(n - 1);
        return true;
    }

private:
    std::size_t First(std::size_t task) const
    {
        return static_cast<std::size_t>(static_cast<std::int64_t>(DataCount) * static_cast<std::int64_t>(task) /
                                        static_cast<std::int64_t>(tasks_));
    }

    // The cells elements reach within the grid.
    MyCellRect Reached(const MyCellRect& whole)
    {
        tasks_ = 16;
        std::vector<MyCellRect> reach(tasks_);
        RunTasks(runner_, tasks_, [&](std::size_t t, unsigned) {
            Footprint f;
            for (std::size_t i = First(t); i < First(t + 1); ++i) {
                MakeFootprint(Datas[i], f);
                reach[t] = Union(reach[t], Intersect(f.rect, whole));
            }
        });
        MyCellRect all;
        for (const MyCellRect& r : reach) all = Union(all, r);
        return all;
    }

    void RunPass(bool counting)
    {
        MyMapArray& g = ElementGrid;
        RunTasks(runner_, tasks_, [&](std::size_t t, unsigned worker) {
            Footprint f;
            std::uint32_t* slots = counts_.data() + t * cells_;
            const std::size_t end = First(t + 1);
            std::size_t reported = First(t);
            for (std::size_t i = First(t); i < end; ++i) {
                // An element that fills its rectangle fills the bounds counted
                // for it: no need to work its cells out again.
                if (counting || !filled_[i]) MakeFootprint(Datas[i], f);
                else f.kind = Footprint::Fill, f.rect = g.marked_[i];
                if (counting) {
                    filled_[i] = f.kind == Footprint::Fill;
                    MyCellRect m{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
                    WalkFootprint(f, held_, [&](std::int32_t r, std::int32_t c0, std::int32_t c1) {
                        std::uint32_t* row = slots + g.CellIndex(c0, r);
                        for (std::int32_t c = c0; c < c1; ++c) ++*row++;
                        m = {std::min(m.MinCol, c0), std::min(m.MinRow, r), std::max(m.MaxCol, c1), std::max(m.MaxRow, r + 1)};
                    });
                    if (!m.Empty()) g.marked_[i] = m;
                } else {
                    const std::int32_t index = static_cast<std::int32_t>(i);
                    WalkFootprint(f, held_, [&](std::int32_t r, std::int32_t c0, std::int32_t c1) {
                        std::uint32_t* row = slots + g.CellIndex(c0, r);
                        for (std::int32_t c = c0; c < c1; ++c) g.entries_[(*row++)++] = index;
                    });
                }
                if (worker == 0 && ((i + 1) & 0x3FFF) == 0) {
                    done_.fetch_add(static_cast<std::int64_t>(i + 1 - reported));
                    reported = i + 1;
                    gauge_.SetProgress(done_.load() / 2);
                    gauge_.Pump();
                }
            }
            done_.fetch_add(static_cast<std::int64_t>(end - reported));
        });
    }

    Gauge& gauge_;
    const TaskRunner& runner_;
    std::size_t tasks_ = 1, cells_ = 0;
    MyCellRect held_;
    std::vector<std::uint32_t> counts_;
    std::vector<std::uint8_t> filled_;
    std::atomic<std::int64_t> done_{0};
};

bool BuildElementGrid(Gauge& gauge, const TaskRunner& runner)
{
    if (DataCount < 1 || !InDataOrder(DataCount)) return false;
    GridBuilder builder(gauge, runner);
    return builder.Build();
}

// ------------------------------------------------------------- selection

namespace {

// The class switch of SelectKindFlags an element kind belongs to; -1 none.
int KindFlag(std::int32_t kind)
{
    switch (kind) {
    case dkLine:
    case dkRegionLine: return 0;
    case dkSquareStroke:
    case 12:
    case 22:
    case 32: return 1;
    case dkArcCCW:
    case dkArcCW:
    case dkRegionArcCCW:
    case dkRegionArcCW: return 2;
    case dkCircleCCW:
    case dkCircleCW:
    case dkRegionCircleCCW:
    case dkRegionCircleCW: return 3;
    case dkFlash: return 4;
    case dkDrill: return 5;
    default: return -1;
    }
}

// Of a kind the selection takes, on a shown layer. (Section markers carry
// their section number in Layer: the kind is looked at first.)
bool Selectable(const DataElement& e)
{
    const int flag = KindFlag(e.Kind);
    if (flag < 0 || !SelectKindFlags[static_cast<std::size_t>(flag)]) return false;
    const MyLayerSet* l = LayerAt(e.Layer);
    return l && l->Active == 1;
}

// Whether element i's box lies wholly inside `rect`; grows `taken` by it.
bool BoxInside(const DataElement& e, const MyBox& rect, MyBox& taken)
{
    MyBox box;
    ElementBox(e, box);
    if (!(box[0] >= rect[0] && box[1] <= rect[1] && box[2] >= rect[2] && box[3] <= rect[3])) return false;
    GrowBox(taken, box);
    return true;
}

// Calls f(k) for k = 0..n-1 in the order of their decimal texts.
template <class F>
void ForEachInTextOrder(std::int64_t n, F&& f)
{
    if (n <= 0) return;
    f(0);
    std::int64_t k = 1;
    for (std::int64_t visited = 1; visited < n; ++visited) {
        f(k);
        if (k * 10 < n) {
            k *= 10;
            continue;
        }
        if (k >= n - 1) k /= 10;
        ++k;
        while (k % 10 == 0) k /= 10;
    }
}

} // namespace

int SelectInRect(MyBox& rect, MyIntArray& indices, const TaskRunner& runner)
{
    indices.clear();
    if (rect[0] > rect[1]) SwapDoubles(rect[0], rect[1]);
    if (rect[2] > rect[3]) SwapDoubles(rect[2], rect[3]);
    const MyMapArray& g = ElementGrid;
    if (!g.Current()) return 0;
    // The cells the rectangle touches, within those held.
    MyCellRect range{CellNumber(std::floor(rect[0] + GridOriginX)), CellNumber(std::floor(rect[2] + GridOriginY)),
                     CellNumber(std::ceil(rect[1] + GridOriginX)), CellNumber(std::ceil(rect[3] + GridOriginY))};
    range = Intersect(range, g.HeldCells());
    if (range.Empty()) return 0;
    const std::uint64_t listed = g.EntriesIn(range);

    MyBox taken{FarAway, -FarAway, FarAway, -FarAway};
    const std::int64_t n = DataCount;
    if (listed * 4 < static_cast<std::uint64_t>(n)) {
        // A few cells: what they list, each element once.
        std::vector<std::pair<std::int64_t, std::int32_t>> keys;
        std::vector<std::uint8_t> seen(static_cast<std::size_t>(n), 0);
        for (std::int32_t r = range.MinRow; r < range.MaxRow; ++r)
            for (std::int32_t c = range.MinCol; c < range.MaxCol; ++c)
                for (std::int32_t i : g.Cell(c, r)) {
                    std::uint8_t& s = seen[static_cast<std::size_t>(i)];
                    if (s) continue;
                    s = 1;
                    if (Selectable(Datas[static_cast<std::size_t>(i)])) keys.emplace_back(TextOrderKey(i), i);
                }
        std::sort(keys.begin(), keys.end());
        for (const auto& [key, i] : keys) {
            if (BoxInside(Datas[static_cast<std::size_t>(i)], rect, taken)) indices.push_back(i);
        }
    } else {
        // Most of the board: every element, by the bounds of its cells.
        std::vector<std::uint8_t> take(static_cast<std::size_t>(n), 0);
        constexpr std::size_t Tasks = 32;
        std::vector<MyBox> boxes(Tasks, MyBox{FarAway, -FarAway, FarAway, -FarAway});
        RunTasks(runner, Tasks, [&](std::size_t t, unsigned) {
            Footprint f;
            const std::size_t first = static_cast<std::size_t>(n * static_cast<std::int64_t>(t) / static_cast<std::int64_t>(Tasks));
            const std::size_t last = static_cast<std::size_t>(n * static_cast<std::int64_t>(t + 1) / static_cast<std::int64_t>(Tasks));
            for (std::size_t i = first; i < last; ++i) {
                const MyCellRect& m = g.MarkedCells(static_cast<std::int32_t>(i));
                const MyCellRect common = Intersect(m, range);
                if (common.Empty()) continue;
                const DataElement& e = Datas[i];
                if (!Selectable(e)) continue;
                if (!(common == m)) {
                    // Its cells reach out of the range: is one of those in it listed?
                    bool listedHere = false;
                    MakeFootprint(e, f);
                    WalkFootprint(f, common, [&](std::int32_t, std::int32_t, std::int32_t) { listedHere = true; });
                    if (!listedHere) continue;
                }
                take[i] = BoxInside(e, rect, boxes[t]) ? 1 : 0;
            }
        });
        for (const MyBox& b : boxes) GrowBox(taken, b);
        ForEachInTextOrder(n, [&](std::int64_t i) {
            if (take[static_cast<std::size_t>(i)]) indices.push_back(static_cast<std::int32_t>(i));
        });
    }
    if (!indices.empty()) rect = taken;
    return static_cast<int>(indices.size());
}

} // namespace core
