#include "view/LayerList.h"

#include <algorithm>
#include <cmath>
#include <set>

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

// When names and contents cannot both be whole, the share of the room the
// names keep at least (a name is what tells a layer from the next).
constexpr double NameShare = 0.6;

// The start of each character (UTF-8 sequence) of a text, and its end.
std::vector<std::size_t> CharStarts(const std::string& t)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < t.size(); ++i)
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) starts.push_back(i);
    starts.push_back(t.size());
    return starts;
}

// Between the words of a file name.
bool Separator(char ch) { return ch == '.' || ch == '_' || ch == '-' || ch == ' '; }

// The start of a name without the separators it ends in, when something is left.
std::string HeadOf(const std::string& name, std::size_t end)
{
    std::size_t e = end;
    while (e > 0 && Separator(name[e - 1])) --e;
    return name.substr(0, e > 0 ? e : end);
}

// Bytes all the texts share from their start, to a character's end.
std::size_t SharedStart(const std::vector<std::string>& texts)
{
    if (texts.empty()) return 0;
    std::size_t common = texts[0].size();
    for (const std::string& t : texts) {
        std::size_t i = 0;
        while (i < common && i < t.size() && t[i] == texts[0][i]) ++i;
        common = i;
    }
    while (common > 0 && common < texts[0].size() && (static_cast<unsigned char>(texts[0][common]) & 0xC0) == 0x80) --common;
    return common;
}

// Where what tells a name from the others begins: at the word in which it
// first differs from them all (a separator there skipped).
std::size_t DistinctStart(const std::string& name, std::size_t common)
{
    if (common >= name.size()) return name.size();
    std::size_t p = common;
    if (Separator(name[p])) {
        while (p < name.size() && Separator(name[p])) ++p;
        return p;
    }
    while (p > 0 && !Separator(name[p - 1])) --p;
    return p;
}

// The longest start of `text` that fits `room` with "..." after it; a lone
// "..." when none does, nothing when not even that fits.
std::string FitTextEnd(platform::Canvas& c, const std::string& text, int room)
{
    if (c.TextWidth(text) <= room) return text;
    const std::vector<std::size_t> starts = CharStarts(text);
    std::string best = c.TextWidth("...") <= room ? "..." : "";
    for (std::size_t k = 1; k + 1 < starts.size(); ++k) {
        std::string next = text.substr(0, starts[k]) + "...";
        if (c.TextWidth(next) > room) break;
        best = std::move(next);
    }
    return best;
}

// The room a contents text leaves in its cell (the file name's: FileNameRoom).
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
    // The contents' header stays in view whatever the names.
    const int header = measure.TextWidth(TextOf(g, 3, 0)) + ContentsGap;
    int names = 0, contents = header;
    for (int r = 1; r < g.RowCount; ++r) {
        names = std::max(names, measure.TextWidth(TextOf(g, 2, r)) + FileNameGap);
        contents = std::max(contents, measure.TextWidth(TextOf(g, 3, r)) + ContentsGap);
    }
    const int rest = std::max(0, clientWidth - 45);
    const int laidOut = std::clamp(FileColumnWidth(clientWidth), 0, rest);
    int file = 0;
    if (names + contents <= rest) {
        // Both whole: the laid-out column where it leaves them so.
        file = std::clamp(laidOut, names, rest - contents);
    } else {
        // Names give way to the contents down to their share of the room;
        // the contents are shortened beyond that.
        const int share = static_cast<int>(std::trunc(rest * NameShare));
        file = std::min(names, std::max({laidOut, share, rest - contents}));
    }
    const int widest = std::max(0, rest - header);
    file = std::clamp(file, 0, widest);
    auto place = [&](int w) {
        if (w == g.ColWidths[2] && rest - w == g.ColWidths[3]) return;
        g.ColWidths[2] = w;
        g.ColWidths[3] = rest - w;
        PlaceLayerCells(g);
    };
    // Names shortened alike take more of the contents' room, as little as
    // tells them apart.
    auto apart = [&](int w) {
        place(w);
        const std::vector<std::string> shown = ShownFileNames(measure, g);
        std::set<std::string> seen, differ;
        for (int r = 1; r < g.RowCount; ++r) {
            differ.insert(TextOf(g, 2, r));
            seen.insert(shown[static_cast<std::size_t>(r)]);
        }
        return seen.size() == differ.size();
    };
    if (file < widest && names > file && !apart(file) && apart(widest)) {
        int lo = file, hi = widest;   // alike at lo, apart at hi
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            (apart(mid) ? hi : lo) = mid;
        }
        file = hi;
    }
    place(file);
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

std::string FitFileName(platform::Canvas& c, const std::string& name, int room)
{
    if (c.TextWidth(name) <= room) return name;
    const std::vector<std::size_t> starts = CharStarts(name);
    const std::size_t n = starts.size() - 1;
    auto shortened = [&](std::size_t head, std::size_t tail) { return name.substr(0, starts[head]) + "..." + name.substr(starts[n - tail]); };
    // Characters from both ends while they fit, two from the end for one
    // from the start.
    std::size_t head = 0, tail = 0;
    std::string best = "...";
    while (head + tail < n) {
        const bool fromEnd = tail <= 2 * head;
        const std::string next = shortened(head + (fromEnd ? 0 : 1), tail + (fromEnd ? 1 : 0));
        if (c.TextWidth(next) > room) break;
        best = next;
        (fromEnd ? tail : head) += 1;
    }
    return best;
}

std::vector<std::string> ShownFileNames(platform::Canvas& c, const MyGridBox& g)
{
    const int rows = std::max(0, g.RowCount - 1);
    std::vector<std::string> shown(static_cast<std::size_t>(rows) + 1);
    std::vector<std::string> names(1);
    for (int r = 1; r <= rows; ++r) names.push_back(TextOf(g, 2, r));
    const std::size_t common = rows > 1 ? SharedStart({names.begin() + 1, names.end()}) : 0;

    // The ways a row's name may be shortened, best first; a way that does
    // not apply or fit gives nothing.
    struct Row {
        int room = 0;
        std::size_t from = 0;      // what tells it apart starts here
        std::size_t alike = 0;     // bytes it shares with the most alike other
        int heads = 0;             // characters of its start that fit before what tells it apart
        std::size_t next = 0;      // the way to try next
    };
    std::vector<Row> info(static_cast<std::size_t>(rows) + 1);
    auto fits = [&](const std::string& t, int room) { return c.TextWidth(t) <= room; };
    // Its start and what tells it apart, with `head` characters of the start.
    auto apart = [&](int r, std::size_t head) {
        const std::string& name = names[static_cast<std::size_t>(r)];
        return HeadOf(name, CharStarts(name)[head]) + "..." + name.substr(info[static_cast<std::size_t>(r)].from);
    };
    // What tells it apart is no more than its extension.
    auto extensionOnly = [&](int r) {
        const std::string& name = names[static_cast<std::size_t>(r)];
        const std::size_t from = info[static_cast<std::size_t>(r)].from;
        return from > 0 && name[from - 1] == '.' && std::none_of(name.begin() + static_cast<std::ptrdiff_t>(from), name.end(), Separator);
    };
    std::size_t sharedHead = std::string::npos;
    bool extensionsOnly = true;
    std::size_t extensionHead = std::string::npos;
    for (int r = 1; r <= rows; ++r) {
        const std::string& name = names[static_cast<std::size_t>(r)];
        Row& row = info[static_cast<std::size_t>(r)];
        row.room = FileNameRoom(CellOf(g, 2, r));
        if (fits(name, row.room)) {
            shown[static_cast<std::size_t>(r)] = name;
            row.next = std::string::npos;
            continue;
        }
        for (int o = 1; o <= rows; ++o) {
            const std::string& other = names[static_cast<std::size_t>(o)];
            if (o == r) continue;
            std::size_t i = 0;
            while (i < name.size() && i < other.size() && name[i] == other[i]) ++i;
            row.alike = std::max(row.alike, i);
        }
        row.from = DistinctStart(name, common);
        const std::vector<std::size_t> starts = CharStarts(name);
        if (row.from == 0 || row.from >= name.size() || !fits("..." + name.substr(row.from), row.room)) continue;
        for (std::size_t k = 1; k + 1 < starts.size() && starts[k] < row.from; ++k) {
            if (!fits(apart(r, k), row.room)) break;
            row.heads = static_cast<int>(k);
        }
        sharedHead = std::min(sharedHead, static_cast<std::size_t>(row.heads));
        if (!extensionOnly(r)) extensionsOnly = false;
        else if (row.heads >= 3) extensionHead = std::min(extensionHead, static_cast<std::size_t>(row.heads));
    }
    // Too little of the start to read: none of it.
    if (sharedHead < 3) sharedHead = std::string::npos;
    auto way = [&](int r, std::size_t k) -> std::string {
        const std::string& name = names[static_cast<std::size_t>(r)];
        const Row& row = info[static_cast<std::size_t>(r)];
        const std::vector<std::size_t> starts = CharStarts(name);
        switch (k) {
        case 0:
            // As much of the start as fits all such rows alike, then what
            // tells it apart ("LimeSD...GTL", "LimeSD...G10").
            return row.heads > 0 && sharedHead != std::string::npos ? apart(r, sharedHead) : std::string();
        case 1: {
            // What tells it apart alone; a lone extension among names that
            // differ by more keeps the start it has room for ("chibi...drl").
            if (row.from == 0 || row.from >= name.size()) return {};
            if (!extensionsOnly && extensionOnly(r) && row.heads >= 3) return apart(r, extensionHead);
            const std::string t = "..." + name.substr(row.from);
            return fits(t, row.room) ? t : std::string();
        }
        case 2: {
            // Cut at its end, while that keeps it apart from the most alike.
            std::string best;
            for (std::size_t n = 1; n + 1 < starts.size(); ++n) {
                const std::string head = HeadOf(name, starts[n]);
                if (!fits(head + "...", row.room)) break;
                if (head.size() > row.alike) best = head + "...";
            }
            return best;
        }
        default: break;
        }
        // Then its own words: the start of what tells it apart, and its
        // last word ("BoardOut...gbr"), else its last two, and so on.
        const std::string own = name.substr(row.from < name.size() ? row.from : 0);
        const std::vector<std::size_t> ownStarts = CharStarts(own);
        std::vector<std::size_t> words;
        for (std::size_t q = own.size(); q-- > 1;)
            if (Separator(own[q - 1]) && !Separator(own[q])) words.push_back(q);
        if (k - 3 < words.size()) {
            const std::size_t q = words[k - 3];
            std::string best = "..." + own.substr(q);
            if (!fits(best, row.room)) return {};
            for (std::size_t n = 1; n + 1 < ownStarts.size() && ownStarts[n] < q - 1; ++n) {
                std::string next = HeadOf(own, ownStarts[n]) + "..." + own.substr(q);
                if (!fits(next, row.room)) break;
                best = std::move(next);
            }
            return best;
        }
        // Last, characters from both its ends.
        if (k - 3 == words.size()) return FitFileName(c, name, row.room);
        return {};
    };
    constexpr std::size_t Ways = 12;
    auto advance = [&](int r) {
        Row& row = info[static_cast<std::size_t>(r)];
        for (; row.next < Ways; ++row.next) {
            std::string t = way(r, row.next);
            if (t.empty()) continue;
            shown[static_cast<std::size_t>(r)] = std::move(t);
            ++row.next;
            return true;
        }
        return false;
    };
    for (int r = 1; r <= rows; ++r)
        if (info[static_cast<std::size_t>(r)].next != std::string::npos && !advance(r)) shown[static_cast<std::size_t>(r)] = FitFileName(c, names[static_cast<std::size_t>(r)], info[static_cast<std::size_t>(r)].room);
    // Names shortened alike take their next way until they differ.
    for (bool moved = true; moved;) {
        moved = false;
        for (int r = 1; r <= rows; ++r)
            for (int o = r + 1; o <= rows; ++o)
                if (shown[static_cast<std::size_t>(o)] == shown[static_cast<std::size_t>(r)] && names[static_cast<std::size_t>(o)] != names[static_cast<std::size_t>(r)]) {
                    for (int x : {r, o})
                        if (info[static_cast<std::size_t>(x)].next != std::string::npos && advance(x)) moved = true;
                }
    }
    return shown;
}

std::string ShownFileName(platform::Canvas& c, const MyGridBox& g, int row)
{
    const std::vector<std::string> shown = ShownFileNames(c, g);
    return row >= 1 && static_cast<std::size_t>(row) < shown.size() ? shown[static_cast<std::size_t>(row)] : std::string();
}

std::string ShownContents(platform::Canvas& c, const MyGridBox& g, int row)
{
    const platform::Rect& cell = CellOf(g, 3, row);
    return FitTextEnd(c, TextOf(g, 3, row), cell.right - cell.left - ContentsGap);
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
    const std::vector<std::string> names = ShownFileNames(c, g);
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
        c.TextOut(file.left + 2, file.top + 2, names[static_cast<std::size_t>(r)]);
        const platform::Rect& contents = CellOf(g, 3, r);
        c.TextOut(contents.left + 2, contents.top + 2, ShownContents(c, g, r));
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
