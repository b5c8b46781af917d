#include "dialogs/PageModels.h"

#include <algorithm>
#include <limits>

namespace dialogs {

namespace {

std::size_t Size(int n) { return static_cast<std::size_t>(std::max(n, 0)); }

// What a balloon beside its anchor keeps from the page's sides.
constexpr int SideClearance = 10;

} // namespace

// ----------------------------------------------------------------- items

void InitFreeBox(MyFreeBox& box, int n)
{
    ResizeFreeBox(box, 0);
    ResizeFreeBox(box, n);
    box.Hot = -1;
}

void ResizeFreeBox(MyFreeBox& box, int n)
{
    const std::size_t k = Size(n);
    box.Count = static_cast<std::int32_t>(k);
    box.Enabled.resize(k, true);
    box.Rects.resize(k, Rect{});
    box.Styles.resize(k, stPlain);
    box.Captions.resize(k);
    box.LeftIcons.resize(k, -1);
    box.Icons.resize(k, -1);
    box.RightIcons.resize(k, -1);
    box.Pictures.resize(k, -1);
    box.Keys.resize(k);
    box.Data.resize(k, 0);
}

void SetItem(MyFreeBox& box, int i, const Rect& r, int style, const std::string& caption, int leftIcon)
{
    if (i < 0 || i >= box.Count) return;
    const auto k = static_cast<std::size_t>(i);
    box.Rects[k] = r;
    box.Styles[k] = style;
    box.Captions[k] = caption;
    box.LeftIcons[k] = leftIcon;
}

int HitItem(const MyFreeBox& box, int x, int y)
{
    for (std::size_t k = 0; k < Size(box.Count) && k < box.Rects.size(); ++k)
        if (box.Enabled[k] && Contains(box.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

int HitTickItem(const MyFreeBox& box, int x, int y)
{
    for (std::size_t k = 0; k < Size(box.Count) && k < box.Rects.size(); ++k) {
        const int icon = box.LeftIcons[k];
        if (box.Enabled[k] && (icon == IconUnticked || icon == IconTicked) && Contains(box.Rects[k], x, y))
            return static_cast<int>(k);
    }
    return -1;
}

void WidenToFit(MyFreeBox& box, std::initializer_list<int> row, const std::function<int(const std::string&)>& textWidth,
                int room, int limit)
{
    std::vector<std::size_t> items;
    for (int i : row)
        if (i >= 0 && i < box.Count && box.Rects[static_cast<std::size_t>(i)] != Rect{}) items.push_back(static_cast<std::size_t>(i));
    if (items.empty()) return;
    const std::size_t n = items.size();
    auto rect = [&](std::size_t k) -> Rect& { return box.Rects[items[k]]; };
    std::vector<long long> least(n), need(n), gap(n, 0);
    long long spare = limit - static_cast<long long>(rect(0).left);
    for (std::size_t k = 0; k < n; ++k) {
        least[k] = rect(k).right - rect(k).left;
        need[k] = std::max<long long>(least[k], textWidth(box.Captions[items[k]]) + room);
        if (k + 1 < n) gap[k] = rect(k + 1).left - rect(k).right;
        spare -= gap[k];
    }
    // Each item as wide as its caption needs; when the row would pass the
    // limit, the room is shared out: no item wider than the others unless
    // its caption needs less, none narrower than laid out.
    auto width = [&](std::size_t k, long long level) { return std::clamp(level, least[k], need[k]); };
    auto total = [&](long long level) {
        long long sum = 0;
        for (std::size_t k = 0; k < n; ++k) sum += width(k, level);
        return sum;
    };
    long long level = *std::max_element(need.begin(), need.end());
    if (total(level) > spare) {
        long long lo = 0, hi = level;
        while (lo < hi) {
            const long long mid = (lo + hi + 1) / 2;
            if (total(mid) <= spare) lo = mid;
            else hi = mid - 1;
        }
        level = lo;
    }
    long long x = rect(0).left;
    for (std::size_t k = 0; k < n; ++k) {
        rect(k).left = static_cast<int>(x);
        rect(k).right = static_cast<int>(x + width(k, level));
        x = rect(k).right + gap[k];
    }
}

int WidenColumn(MyFreeBox& box, int left, int right, int limit, const std::function<int(const std::string&)>& textWidth,
                int room)
{
    int need = right - left;
    for (std::size_t k = 0; k < Size(box.Count); ++k) {
        const Rect& r = box.Rects[k];
        if (r.left != left || r.right != right) continue;
        const int icon = box.LeftIcons[k] >= 0 ? 20 : 0;
        need = std::max(need, textWidth(box.Captions[k]) + icon + room);
    }
    const int extra = need - (right - left);
    if (extra <= 0) return 0;
    for (std::size_t k = 0; k < Size(box.Count); ++k) {
        Rect& r = box.Rects[k];
        if (r.left == left && r.right == right) {
            r.right += extra;
        } else if (r.left >= right && r != Rect{}) {
            r.left += extra;
            if (r.right < limit) r.right += extra;
        }
    }
    return extra;
}

// -------------------------------------------------------------- tab strip

void InitTabBox(MyTabBox& box, int n)
{
    const std::size_t k = Size(n);
    box.Count = static_cast<std::int32_t>(k);
    box.Rects.assign(k, Rect{});
    box.Captions.assign(k, std::string());
    box.Icons.assign(k, -1);
    box.Page = Rect{};
    box.Hot = -1;
}

void LayoutTabs(MyTabBox& box, int left, int top, int bottom, const std::function<int(const std::string&)>& textWidth)
{
    int x = left;
    for (std::size_t k = 0; k < Size(box.Count); ++k) {
        const int w = textWidth(box.Captions[k]) + 40;
        box.Rects[k] = {x, top, x + w, bottom};
        x += w;
    }
}

int HitTab(const MyTabBox& box, int x, int y)
{
    for (std::size_t k = 0; k < Size(box.Count) && k < box.Rects.size(); ++k)
        if (Contains(box.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

// ------------------------------------------------------------------ grid

void InitGridBox(MyGridBox& grid, int cols, int rows)
{
    const std::size_t c = Size(cols), r = Size(rows);
    grid.Cols = static_cast<std::int32_t>(c);
    grid.Rows = static_cast<std::int32_t>(r);
    grid.ColWidths.assign(c, 0);
    grid.RowData.assign(r, 0);
    grid.RowEnabled.assign(r, true);
    grid.CellRects.assign(c, std::vector<Rect>(r));
    grid.CellTexts.assign(c, std::vector<std::string>(r));
    grid.CellIcons.assign(c, std::vector<std::int32_t>(r, -1));
    grid.HotRow = -1;
    grid.Outline = {};
    grid.Balloon = false;
    grid.RunOn = false;
}

void LayoutGridCells(MyGridBox& grid, const std::vector<int>& widths, int totalWidth, int rowHeight, int top)
{
    int x = 0;
    for (std::size_t c = 0; c < Size(grid.Cols); ++c) {
        int w = c < widths.size() ? widths[c] : 0;
        if (w <= 0) w = std::max(0, totalWidth - x);
        grid.ColWidths[c] = w;
        for (std::size_t r = 0; r < Size(grid.Rows); ++r) {
            const int y = top + rowHeight * static_cast<int>(r);
            grid.CellRects[c][r] = {x, y, x + w, y + rowHeight};
        }
        x += w;
    }
}

GridCell HitCell(const MyGridBox& grid, int x, int y, int colFrom, int colTo)
{
    for (int c = std::max(colFrom, 0); c <= colTo && c < grid.Cols; ++c)
        for (int r = 0; r < grid.Rows; ++r)
            if (Contains(grid.CellRects[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)], x, y)) return {c, r};
    return {};
}

int HitRow(const MyGridBox& grid, int x, int y)
{
    if (grid.Cols <= 0) return -1;
    for (std::size_t r = 0; r < Size(grid.Rows); ++r) {
        const Rect& first = grid.CellRects.front()[r];
        const Rect& last = grid.CellRects.back()[r];
        if (Contains({first.left, first.top, last.right, last.bottom}, x, y)) return static_cast<int>(r);
    }
    return -1;
}

RowStep NextEditRow(int row, int visibleRows, int scrollPosition, int listCount, bool scrolls)
{
    if (row < 0 || row >= visibleRows) return {};
    if (row + 1 < visibleRows) {
        if (scrollPosition + row + 1 < listCount) return {RowStep::Next, row + 1};
        return {};
    }
    if (scrolls && scrollPosition + row + 1 < listCount) return {RowStep::Scroll, row};
    return {};
}

// ---------------------------------------------------------------- balloon

void InitBalloonBox(MyBalloonBox& box, int n)
{
    const std::size_t k = Size(n);
    box.Count = static_cast<std::int32_t>(k);
    box.Rects.assign(k, Rect{});
    box.Captions.assign(k, std::string());
    box.Icons.assign(k, -1);
    box.Hot = -1;
}

int BalloonHalf(int anchor, int size, int pageExtent, int margin)
{
    int half = size / 2;
    if (anchor - half < margin) half = anchor - margin;
    else if (anchor + half > pageExtent - margin) half = size - (pageExtent - margin - anchor);
    // The tip must stay on the balloon's side, clear of the corners, however
    // near the anchor is to the page's edge.
    const int lo = std::min(10, size / 2), hi = std::max(size - 10, size / 2);
    return std::clamp(half, lo, hi);
}

std::array<Point, 7> BalloonOutline(BalloonSide side, int w, int h, int half)
{
    switch (side) {
    case BalloonSide::Right:
        return {{{0, half}, {10, half - 5}, {10, 0}, {w - 1, 0}, {w - 1, h - 1}, {10, h - 1}, {10, half + 5}}};
    case BalloonSide::Left:
        return {{{w - 1, half}, {w - 11, half - 5}, {w - 11, 0}, {0, 0}, {0, h - 2}, {w - 11, h - 2}, {w - 11, half + 5}}};
    case BalloonSide::Down:
        return {{{half, 0}, {half - 5, 10}, {0, 10}, {0, h - 2}, {w - 1, h - 2}, {w - 1, 10}, {half + 5, 10}}};
    case BalloonSide::Up:
        return {{{half, h - 2}, {half + 5, h - 12}, {w - 1, h - 12}, {w - 1, 0}, {0, 0}, {0, h - 12}, {half - 5, h - 12}}};
    }
    return {};
}

Rect PlaceBalloon(BalloonSide side, int w, int h, int x, int y, int pageWidth, int pageHeight, int margin,
                  std::array<Point, 7>& outline)
{
    Rect r;
    int half = 0;
    switch (side) {
    case BalloonSide::Right:
    case BalloonSide::Left:
        half = BalloonHalf(y, h, pageHeight, margin);
        r.left = side == BalloonSide::Right ? x : x - w;
        r.top = y - half;
        // A column widened by its texts can push the anchor near the side:
        // the balloon is never cut there.
        if (const int most = pageWidth - SideClearance - w; most >= SideClearance) r.left = std::clamp(r.left, SideClearance, most);
        else r.left = std::max(0, pageWidth - w);
        break;
    case BalloonSide::Down:
    case BalloonSide::Up:
        half = BalloonHalf(x, w, pageWidth, margin);
        r.left = x - half;
        r.top = side == BalloonSide::Down ? y : y - h;
        break;
    }
    r.right = r.left + w;
    r.bottom = r.top + h;
    outline = BalloonOutline(side, w, h, half);
    return r;
}

int HitChoice(const MyBalloonBox& box, int x, int y)
{
    for (std::size_t k = 0; k < Size(box.Count) && k < box.Rects.size(); ++k)
        if (Contains(box.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

} // namespace dialogs
