#include "view/LayerList.h"

#include <algorithm>
#include <cmath>

namespace mainwin {

using platform::Color;
using platform::RGB;
using namespace core;

MyGridBox LayerGrid;
std::int32_t GroupStartRow = 0;
std::int32_t ShownLayerCount = 0;

namespace {

constexpr Color White = RGB(255, 255, 255);
constexpr Color Black = RGB(0, 0, 0);

int Layers() { return std::clamp<int>(LayerCount, 0, MaxLayers); }

MyLayerSet* RowLayer(int row) { return row >= 1 && row <= Layers() ? LayerAt(row) : nullptr; }

bool Inside(const platform::Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

const platform::Rect& CellOf(const MyGridBox& g, int col, int row)
{
    static const platform::Rect none{};
    if (col < 0 || row < 0 || static_cast<std::size_t>(col) >= g.Cells.size()) return none;
    const auto& c = g.Cells[static_cast<std::size_t>(col)];
    return static_cast<std::size_t>(row) < c.size() ? c[static_cast<std::size_t>(row)] : none;
}

const std::string& TextOf(const MyGridBox& g, int col, int row)
{
    static const std::string none;
    if (col < 0 || row < 0 || static_cast<std::size_t>(col) >= g.CellTexts.size()) return none;
    const auto& c = g.CellTexts[static_cast<std::size_t>(col)];
    return static_cast<std::size_t>(row) < c.size() ? c[static_cast<std::size_t>(row)] : none;
}

void SetAllActive(int value)
{
    for (int k = 1; k <= Layers(); ++k) LayerTable[static_cast<std::size_t>(k)].Active = value;
}

// Layers a..b shown, every other one hidden; a and b kept to loaded rows.
void ShowRange(int a, int b)
{
    if (a > b) std::swap(a, b);
    a = std::clamp(a, 1, std::max(1, Layers()));
    b = std::clamp(b, 1, std::max(1, Layers()));
    for (int k = 1; k <= Layers(); ++k) LayerTable[static_cast<std::size_t>(k)].Active = (k >= a && k <= b) ? 1 : 0;
}

// The end of every release but the first "GP" click.
void EndDrag(MyGridBox& g, LayerAction& a)
{
    g.DragRow = 0;
    g.HotRow = -1;
    a.DrawTable = true;
    ShownLayerCount = CountActiveLayers();
}

// Every cell's rectangle from the column widths; the swatch is a 14-pixel
// square inside its cell.
void PlaceLayerCells(MyGridBox& g)
{
    for (int r = 0; r < g.RowCount; ++r) {
        const int y = r <= 1 ? 0 : (r - 1) * GridRowHeight;
        int x = 0;
        for (int c = 0; c < g.ColCount; ++c) {
            const int w = g.ColWidths[static_cast<std::size_t>(c)];
            platform::Rect cell{x, y, x + w, y + GridRowHeight};
            if (c == 1 && r >= 1) cell = {x + 2, y + 2, x + 16, y + 16};
            g.Cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] = cell;
            x += w;
        }
    }
}

// The file column's width as laid out; the contents column has the rest.
int FileColumnWidth(int clientWidth) { return std::min(110, static_cast<int>(std::trunc((clientWidth - 45) * 0.5))); }

// The room a file name leaves in its cell (see FileNameRoom), and a contents text.
constexpr int FileNameGap = 16;
constexpr int ContentsGap = 6;

} // namespace

void SizeGrid(MyGridBox& g, int cols, int rows)
{
    cols = std::max(0, cols);
    rows = std::max(0, rows);
    g.ColCount = cols;
    g.RowCount = rows;
    const auto nc = static_cast<std::size_t>(cols), nr = static_cast<std::size_t>(rows);
    g.ColWidths.assign(nc, 0);
    g.RowCodes.assign(nr, 0);
    g.RowEnabled.assign(nr, true);
    g.Cells.assign(nc, std::vector<platform::Rect>(nr));
    g.CellColors.assign(nc, std::vector<Color>(nr, 0));
    g.CellTexts.assign(nc, std::vector<std::string>(nr));
}

int TableWidth(const MyGridBox& g)
{
    int w = 0;
    for (int c = 0; c < g.ColCount && static_cast<std::size_t>(c) < g.ColWidths.size(); ++c) w += g.ColWidths[static_cast<std::size_t>(c)];
    return w;
}

int CountActiveLayers()
{
    int n = 0;
    for (int k = 1; k <= Layers(); ++k)
        if (LayerTable[static_cast<std::size_t>(k)].Active == 1) ++n;
    return n;
}

int LayoutLayerGrid(MyGridBox& g, int clientWidth, int limit)
{
    const int height = std::max(0, std::min(limit, Layers() * GridRowHeight + 40));
    SizeGrid(g, 4, Layers() + 1);
    const int third = FileColumnWidth(clientWidth);
    g.ColWidths = {25, 20, third, clientWidth - 45 - third};
    g.CellTexts[0][0] = "GP";
    g.CellTexts[1][0] = "色";
    g.CellTexts[2][0] = "ファイル";
    g.CellTexts[3][0] = "内容";
    for (int r = 1; r < g.RowCount; ++r) g.CellTexts[0][static_cast<std::size_t>(r)] = SlotLetter(r);
    PlaceLayerCells(g);
    return height;
}

void FillLayerGrid(MyGridBox& g)
{
    for (int r = 1; r < g.RowCount && r <= Layers(); ++r) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(r)];
        const auto k = static_cast<std::size_t>(r);
        if (g.ColCount < 4) break;
        g.CellTexts[0][k] = l.PageLetter;
        g.CellColors[1][k] = static_cast<Color>(l.Color) & 0xFFFFFFu;
        g.CellTexts[2][k] = l.FileName;
        g.CellTexts[3][k] = l.Remarks.empty() ? l.Contents : l.Contents + " (" + l.Remarks + ")";
    }
}

void FitLayerColumns(MyGridBox& g, platform::Canvas& measure, int clientWidth)
{
    if (g.ColCount < 4) return;
    int names = 0, contents = measure.TextWidth(TextOf(g, 3, 0)) + ContentsGap;
    for (int r = 0; r < g.RowCount; ++r) {
        names = std::max(names, measure.TextWidth(TextOf(g, 2, r)) + FileNameGap);
        if (r > 0) contents = std::max(contents, measure.TextWidth(TextOf(g, 3, r)) + ContentsGap);
    }
    const int rest = std::max(0, clientWidth - 45);
    // Names give way to the contents, but never below the laid-out column.
    const int file = std::clamp(std::max(FileColumnWidth(clientWidth), std::min(names, rest - contents)), 0, rest);
    if (file != g.ColWidths[2] || rest - file != g.ColWidths[3]) {
        g.ColWidths[2] = file;
        g.ColWidths[3] = rest - file;
        PlaceLayerCells(g);
    }
}

void DrawLayerHeader(platform::RasterCanvas& c, const MyGridBox& g, int scrollX)
{
    ClearListPicture(c);
    c.SetBrushStyle(platform::BrushStyle::Clear);
    for (int col = 0; col < g.ColCount; ++col) {
        platform::Rect r = CellOf(g, col, 0);
        r.left -= scrollX;
        r.right -= scrollX;
        // The last cell reaches over the rows' vertical bar.
        if (col + 1 == g.ColCount) r.right = std::max(r.right, c.Width());
        c.SetPenColor(EtchColor);
        c.Rectangle(r.left, r.top, r.right, r.bottom);
        c.SetPenColor(White);
        c.MoveTo(r.left, r.bottom - 1);
        c.LineTo(r.left, r.top);
        c.LineTo(r.right - 1, r.top);
        c.SetFontColor(Black);
        c.TextOut(r.left + 2, r.top + 1, TextOf(g, col, 0));
    }
    const int w = c.Width(), h = c.Height();
    c.SetPenColor(EtchColor);
    c.MoveTo(2, h - 4);
    c.LineTo(w - 2, h - 4);
    c.SetPenColor(White);
    c.MoveTo(2, h - 3);
    c.LineTo(w - 2, h - 3);
}

std::string FitFileName(platform::Canvas& c, const std::string& name, int room, std::size_t keepFrom)
{
    if (c.TextWidth(name) <= room) return name;
    // The start of each character (UTF-8 sequence).
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < name.size(); ++i)
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80) starts.push_back(i);
    const std::size_t n = starts.size();
    auto shortened = [&](std::size_t head, std::size_t tail) {
        const std::size_t headEnd = head < n ? starts[head] : name.size();
        return name.substr(0, headEnd) + "..." + name.substr(tail > 0 ? starts[n - tail] : name.size());
    };
    std::size_t head = 0, tail = 0;
    std::string best = "...";
    // First what tells the name apart; when that does not fit whole, as
    // much of its start as fits.
    const auto kept = static_cast<std::size_t>(std::count_if(starts.begin(), starts.end(), [&](std::size_t at) { return at >= keepFrom; }));
    if (kept > 0 && kept < n) {
        if (c.TextWidth(shortened(0, kept)) <= room) {
            tail = kept;
            best = shortened(0, tail);
        } else {
            std::string part;
            for (std::size_t k = n - kept + 1; k <= n; ++k) {
                const std::string next = "..." + name.substr(starts[n - kept], (k < n ? starts[k] : name.size()) - starts[n - kept]) + "...";
                if (c.TextWidth(next) > room) break;
                part = next;
            }
            if (!part.empty()) return part;
        }
    }
    // Then characters from both ends while they fit, two from the end for
    // one from the start.
    while (head + tail < n) {
        const bool fromEnd = tail <= 2 * head;
        const std::string next = shortened(head + (fromEnd ? 0 : 1), tail + (fromEnd ? 1 : 0));
        if (c.TextWidth(next) > room) break;
        best = next;
        (fromEnd ? tail : head) += 1;
    }
    return best;
}

std::string ShownFileName(platform::Canvas& c, const MyGridBox& g, int row)
{
    // The start all the names share, to a character's end.
    const std::string& name = TextOf(g, 2, row);
    std::size_t common = name.size();
    for (int r = 1; r < g.RowCount; ++r) {
        const std::string& other = TextOf(g, 2, r);
        std::size_t i = 0;
        while (i < common && i < other.size() && other[i] == name[i]) ++i;
        common = i;
    }
    while (common > 0 && common < name.size() && (static_cast<unsigned char>(name[common]) & 0xC0) == 0x80) --common;
    return FitFileName(c, name, FileNameRoom(CellOf(g, 2, row)), common);
}

void ClearListPicture(platform::RasterCanvas& c)
{
    c.Fill(ListFaceColor);
    c.SetFont(platform::FontInfo{});
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
}

void DrawLayerRows(platform::RasterCanvas& c, const MyGridBox& g, int groupMark)
{
    ClearListPicture(c);
    if (g.ColCount < 4) return;
    for (int r = 1; r < g.RowCount; ++r) {
        const platform::Rect& gp = CellOf(g, 0, r);
        const std::string& letter = TextOf(g, 0, r);
        c.SetBrushStyle(platform::BrushStyle::Clear);
        if (r == groupMark) {
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(Black);
            c.FillRect(gp);
            c.SetBrushStyle(platform::BrushStyle::Clear);
            c.SetFontColor(White);
            c.TextOut(gp.left + static_cast<int>(std::trunc((gp.right - gp.left - c.TextWidth(letter)) * 0.5)), gp.top + 1, letter);
        } else {
            c.SetFontColor(Black);
            c.TextOut(gp.left + static_cast<int>(std::trunc((gp.right - gp.left - c.TextWidth(letter)) * 0.5)), gp.top + 2, letter);
        }
        const platform::Rect& sw = CellOf(g, 1, r);
        c.SetPenColor(Black);
        c.SetBrushStyle(platform::BrushStyle::Solid);
        c.SetBrushColor(g.CellColors[1][static_cast<std::size_t>(r)]);
        c.Rectangle(sw.left, sw.top, sw.right, sw.bottom);

        const MyLayerSet* l = RowLayer(r);
        const bool hot = r == g.HotRow, shown = l && l->Active == 1;
        Color text = Black;
        if (hot || shown) {
            c.SetBrushColor(hot ? SystemHighlightColor : NavyColor);
            c.FillRect(CellOf(g, 2, r));
            c.FillRect(CellOf(g, 3, r));
            text = White;
        }
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetFontColor(text);
        const platform::Rect& file = CellOf(g, 2, r);
        c.TextOut(file.left + 2, file.top + 2, ShownFileName(c, g, r));
        const platform::Rect& contents = CellOf(g, 3, r);
        c.TextOut(contents.left + 2, contents.top + 2, TextOf(g, 3, r));
    }
}

GridCell HitLayerCell(const MyGridBox& g, int x, int y)
{
    for (int r = 1; r < g.RowCount; ++r)
        for (int col = 0; col < g.ColCount; ++col)
            if (Inside(CellOf(g, col, r), x, y)) return {col, r};
    return {};
}

int HitHeaderColumn(const MyGridBox& g, int x, int y)
{
    if (g.RowCount < 1) return -1;
    for (int col = 0; col < g.ColCount; ++col)
        if (Inside(CellOf(g, col, 0), x, y)) return col;
    return -1;
}

LayerAction LayerPress(MyGridBox& g, int x, int y, bool drcDown)
{
    LayerAction a;
    g.DragRow = g.LastRow = g.EndRow = g.HotRow = -1;
    const GridCell cell = HitLayerCell(g, x, y);
    if (cell.row < 1) return a;
    a.ResetTools = !drcDown;
    if (cell.col == 2 || cell.col == 3) {
        g.DragRow = g.HotRow = cell.row;
        a.DrawTable = true;
    }
    return a;
}

LayerAction LayerMove(MyGridBox& g, int x, int y, bool leftHeld, bool shift)
{
    LayerAction a;
    if (g.DragRow < 1 || !leftHeld) return a;
    const int r = HitLayerCell(g, x, y).row;
    if (r < 1 || r == g.LastRow) return a;
    if (!shift) {
        if (r != g.DragRow) {
            a.ShowMoveBar = true;
            a.MoveBarRow = r;
            g.HotRow = g.DragRow;
            a.DrawTable = true;
        }
    } else if (r != g.DragRow) {
        ShowRange(g.DragRow, r);
        ShownLayerCount = CountActiveLayers();
        a.DrawTable = true;
    }
    g.LastRow = r;
    return a;
}

LayerAction LayerRelease(MyGridBox& g, int x, int y, MouseButton button, bool shift)
{
    LayerAction a;
    a.HideMoveBar = true;
    const GridCell cell = HitLayerCell(g, x, y);
    if (cell.row < 1) {
        // Nothing was hit: the drag ends all the same.
        EndDrag(g, a);
        return a;
    }
    const int row = cell.row;
    MyLayerSet* layer = RowLayer(row);
    if (button == MouseButton::Left) {
        if (cell.col == 0) {
            if (GroupStartRow == 0) {
                // The mark shows until the pairing ends.
                GroupStartRow = row;
                a.DrawTable = true;
                return a;
            }
            const int lo = std::min(GroupStartRow, row), hi = std::max(GroupStartRow, row);
            MyLayerSet* first = RowLayer(lo);
            MyLayerSet* second = RowLayer(hi);
            if (first && second) {
                second->PageLetter = first->PageLetter;
                second->Active = first->Active;
            }
            GroupStartRow = 0;
            a.RedrawView = true;
        } else if (cell.col == 1) {
            a.ChooseColor = layer != nullptr;
            a.ColorRow = row;
            a.RedrawView = true;
        } else {
            g.EndRow = row;
            if (shift) {
                // A range needs a row where the press started on a name.
                if (g.DragRow >= 1) ShowRange(g.DragRow, row);
                a.RedrawView = true;
            } else if (g.DragRow >= 1 && row != g.DragRow) {
                const int from = g.DragRow;
                MoveLayer(from, row);
                if (GroupStartRow > 0) GroupStartRow = 0;   // the letters are the slots' again
                a.RedrawView = true;
                a.LayersMoved = true;
            } else if (row == g.DragRow && layer) {
                const int value = layer->Active == 1 ? 0 : 1;
                const std::string page = layer->PageLetter;
                for (int k = 1; k <= Layers(); ++k) {
                    MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
                    if (k == row || l.PageLetter == page) l.Active = value;
                }
                a.PumpEvents = true;
                a.RedrawView = true;
            }
        }
    } else if (cell.col == 0) {
        if (layer) layer->PageLetter = layer->Letter;
        if (GroupStartRow > 0) {
            if (MyLayerSet* start = RowLayer(GroupStartRow)) start->PageLetter = start->Letter;
            GroupStartRow = 0;
        }
        a.RedrawView = true;
    } else if (cell.col == 2 || cell.col == 3) {
        SetAllActive(0);
        a.RedrawView = true;
    }
    EndDrag(g, a);
    return a;
}

void ApplyLayerColor(int row, Color color)
{
    if (MyLayerSet* l = RowLayer(row)) {
        l->Color = static_cast<std::int32_t>(color & 0xFFFFFFu);
        l->AltColor = l->Color;
    }
}

LayerAction ReleaseOutsideRows(MyGridBox& g)
{
    LayerAction a;
    a.HideMoveBar = true;
    if (GroupStartRow > 0) {
        if (MyLayerSet* l = RowLayer(GroupStartRow)) {
            l->PageLetter = l->Letter;
            l->Color = l->AltColor;
        }
        GroupStartRow = 0;
    }
    EndDrag(g, a);
    return a;
}

LayerAction HeaderRelease(const MyGridBox& g, int x, int y, MouseButton button)
{
    LayerAction a;
    if (GroupStartRow != 0) return a;
    const int col = HitHeaderColumn(g, x, y);
    if (col != 2 && col != 3) return a;
    a.ResetTools = true;
    if (button == MouseButton::Left) SetAllActive(1);
    else if (button == MouseButton::Right) SetAllActive(0);
    ShownLayerCount = CountActiveLayers();
    a.DrawTable = true;
    a.RedrawView = true;
    return a;
}

} // namespace mainwin
