#include "view/CodeTables.h"

#include "view/CommandMenu.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace mainwin {

using platform::Color;
using platform::RGB;
using namespace core;

MyGridBox CodeTable;

namespace {

constexpr Color White = RGB(255, 255, 255);
constexpr Color Black = RGB(0, 0, 0);

std::string Real(double v) { return std::isfinite(v) ? platform::FormatReal(v) : std::string("0"); }

// Column rectangles of the header (y 2..20) and of every body row.
void PlaceCells(MyGridBox& g)
{
    for (int r = 0; r < g.RowCount; ++r) {
        const int top = r == 0 ? 2 : (r - 1) * GridRowHeight;
        const int bottom = r == 0 ? 20 : top + GridRowHeight;
        int x = 0;
        for (int c = 0; c < g.ColCount; ++c) {
            const int w = g.ColWidths[static_cast<std::size_t>(c)];
            g.Cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] = {x, top, x + w, bottom};
            x += w;
        }
    }
}

int WidestText(const MyGridBox& g, int col, platform::Canvas& measure, bool (*counts)(const std::string&))
{
    int widest = 0;
    for (const std::string& t : g.CellTexts[static_cast<std::size_t>(col)])
        if (!t.empty() && counts(t)) widest = std::max(widest, measure.TextWidth(t) + CellTextGap);
    return widest;
}

bool AnyText(const std::string&) { return true; }

// Every column as wide as its widest text, header and body, with a gap
// before the next: the numbers are never cut. The name column `nameCol`
// takes what is left of the rows' `clientWidth`, at most what its texts
// need; narrower, its texts are shortened and its header condensed when
// drawn, down to the room of a lone "..." or of the header condensed: as
// far as it stays easily read when the name column is the last, further
// when it would otherwise push columns of numbers out of view.
// The last column takes what is left after it. Only when the numbers and
// that narrowest name column together are wider does the table outgrow
// the rows: it scrolls sideways, and the names give way no further than
// keeps the numbers in view at its start whole (the rows' edge falls
// between two columns); names after the numbers stay whole.
void FitColumns(MyGridBox& g, int clientWidth, platform::Canvas& measure, int nameCol)
{
    measure.SetFont(platform::FontInfo{});
    const int nameMinimum = std::max(CondenseToFit(measure, g.CellTexts[static_cast<std::size_t>(nameCol)][0], 0,
                                                   nameCol + 1 == g.ColCount ? HeaderReadable : HeaderNarrowest),
                                     measure.TextWidth("...")) +
                            CellTextGap;
    measure.SetFont(platform::FontInfo{});
    int numbers = 0;
    for (int c = 0; c < g.ColCount; ++c) {
        const auto k = static_cast<std::size_t>(c);
        g.ColWidths[k] = c == nameCol ? 0 : WidestText(g, c, measure, AnyText);
        numbers += g.ColWidths[k];
    }
    const auto name = static_cast<std::size_t>(nameCol);
    const int whole = WidestText(g, nameCol, measure, AnyText);
    if (numbers + nameMinimum <= clientWidth) {
        g.ColWidths[name] = std::max(nameMinimum, std::min(whole, clientWidth - numbers));
    } else if (nameCol + 1 == g.ColCount) {
        g.ColWidths[name] = std::max(nameMinimum, whole);
    } else {
        int before = 0;
        for (int c = 0; c < nameCol; ++c) before += g.ColWidths[static_cast<std::size_t>(c)];
        int room = clientWidth - before;
        for (int c = nameCol + 1; c < g.ColCount && room - g.ColWidths[static_cast<std::size_t>(c)] >= nameMinimum; ++c)
            room -= g.ColWidths[static_cast<std::size_t>(c)];
        g.ColWidths[name] = std::max(nameMinimum, room);
    }
    const auto last = static_cast<std::size_t>(g.ColCount - 1);
    g.ColWidths[last] += std::max(0, clientWidth - numbers - g.ColWidths[name]);
    PlaceCells(g);
}

void SetHeader(MyGridBox& g, std::initializer_list<const char*> texts)
{
    std::size_t c = 0;
    for (const char* t : texts)
        if (c < g.CellTexts.size()) g.CellTexts[c++][0] = t;
}

platform::Rect RowSpan(const MyGridBox& g, int r)
{
    if (g.ColCount < 1 || r < 0 || r >= g.RowCount) return {};
    const platform::Rect& first = g.Cells.front()[static_cast<std::size_t>(r)];
    const platform::Rect& last = g.Cells.back()[static_cast<std::size_t>(r)];
    return {first.left, first.top, last.right, first.bottom};
}

} // namespace

int CountUsedDrillTools(std::array<MyTool, MaxToolCode + 2>& tools)
{
    for (int t = 0; t <= MaxToolCode; ++t) {
        tools[static_cast<std::size_t>(t)].Used = 0;
        tools[static_cast<std::size_t>(t)].Hits = 0;
    }
    TotalHoleCount = 0;
    int highest = 0;
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (!IsDrillHit(e.Kind)) continue;
        TotalHoleCount += 1;
        if (!ValidToolCode(e.Code)) continue;
        MyTool& t = tools[static_cast<std::size_t>(e.Code)];
        t.Hits += 1;
        t.Used = 1;
        highest = std::max(highest, e.Code);
    }
    for (int t = 0; t <= MaxToolCode; ++t) {
        MyTool& tool = tools[static_cast<std::size_t>(t)];
        if (tool.Used != 0) continue;
        tool.Hits = 0;
        tool.Diameter.clear();
        tool.Symbol.clear();
        tool.Comment.clear();
    }
    return highest;
}

std::string ApertureShapeText(const MyAperture& a)
{
    if (a.Shape >= apMacro) {
        // The macro's own name when its primitives were read, else the name
        // the aperture was defined with (the macro file may be missing).
        const std::string& name = ValidMacroIndex(a.FirstPrimitive) ? Macros[static_cast<std::size_t>(a.FirstPrimitive)].Name
                                                                    : a.MacroName;
        return "Macro (" + name + ")";
    }
    switch (a.Shape) {
    case apCircle: return "CIR";
    case apSquare: return "SQR";
    case apThermal45: return "THR45";
    case apThermal90: return "THR90";
    case apOval: return "OVAL";
    case apRectangle: return "RECT";
    case apPolygon: return "PGN";
    default: return platform::FormatInt(a.Shape);
    }
}

TableLayout BuildApertureTable(MyGridBox& g, int clientWidth, int limit, platform::Canvas& measure)
{
    TableLayout t;
    if (MaxDCode < FirstSearchCode) {
        SizeGrid(g, 5, 1);
        return t;
    }
    std::vector<int> codes;
    for (int d = FirstSearchCode; d <= std::min<int>(MaxDCode, MaxApertureCode); ++d)
        if (Apertures[static_cast<std::size_t>(d)].Used == 1) codes.push_back(d);
    // Rows from what is there, however many codes are used.
    SizeGrid(g, 5, static_cast<int>(codes.size()) + 1);
    g.HotRow = -1;
    SetHeader(g, {"Dｺｰﾄﾞ", "形状", "$1", "$2", "$3"});
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto r = i + 1;
        const int d = codes[i];
        const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        g.RowCodes[r] = d;
        g.RowEnabled[r] = d <= LastSearchCode;
        g.CellTexts[0][r] = "D" + platform::FormatInt(d);
        g.CellTexts[1][r] = ApertureShapeText(a);
        if (a.Shape >= apMacro) continue;
        g.CellTexts[2][r] = Real(a.Size1);
        if (a.Size2 > 0) g.CellTexts[3][r] = Real(a.Size2);
        if (a.Shape == apThermal45 || a.Shape == apThermal90 || a.Shape == apPolygon) g.CellTexts[4][r] = Real(a.Size3);
    }
    // The shape texts give way to the sizes.
    FitColumns(g, clientWidth, measure, 1);
    t.PanelHeight = std::max(0, std::min(limit, g.RowCount * GridRowHeight + 20));
    t.BodyHeight = std::max(0, t.PanelHeight - 22 - 5);
    return t;
}

TableLayout BuildToolTable(MyGridBox& g, int clientWidth, int limit, platform::Canvas& measure)
{
    TableLayout t;
    std::vector<int> tools;
    for (int n = 1; n <= std::min<int>(ToolCount, MaxToolCode); ++n)
        if (Tools[static_cast<std::size_t>(n)].Used == 1) tools.push_back(n);
    SizeGrid(g, 5, static_cast<int>(tools.size()) + 1);
    g.HotRow = -1;
    SetHeader(g, {"工具", "数量", "記号", "穴径", "備考"});
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const auto r = i + 1;
        const int n = tools[i];
        const MyTool& tool = Tools[static_cast<std::size_t>(n)];
        g.RowCodes[r] = n;
        g.CellTexts[0][r] = (n < 10 ? "T0" : "T") + platform::FormatInt(n);
        g.CellTexts[1][r] = platform::FormatInt(tool.Hits);
        g.CellTexts[2][r] = tool.Symbol;
        g.CellTexts[3][r] = tool.Diameter;
        g.CellTexts[4][r] = tool.Comment;
    }
    // The remarks give way to the numbers.
    FitColumns(g, clientWidth, measure, 4);
    if (ToolCount > 0) {
        t.PanelHeight = std::max(0, std::min(limit, g.RowCount * GridRowHeight + 35));
        t.BodyHeight = std::max(0, t.PanelHeight - 22 - 30);
    }
    return t;
}

void DrawTableHeader(platform::RasterCanvas& c, const MyGridBox& g, bool tools, int scrollX)
{
    ClearListPicture(c);
    const int w = c.Width(), h = c.Height();
    auto raised = [&](int l, int t, int r, int b) {
        c.SetPenColor(White);
        c.MoveTo(l, b - 1);
        c.LineTo(l, t);
        c.LineTo(r - 1, t);
        c.SetPenColor(EtchColor);
        c.LineTo(r - 1, b - 1);
        c.LineTo(l, b - 1);
    };
    c.SetBrushStyle(platform::BrushStyle::Clear);
    c.SetFontColor(Black);
    for (int col = 0; col < g.ColCount && g.RowCount > 0; ++col) {
        platform::Rect r = g.Cells[static_cast<std::size_t>(col)][0];
        r.left -= scrollX;
        r.right -= scrollX;
        if (col + 1 < g.ColCount) r.right -= 1;
        raised(r.left, r.top, r.right, r.bottom);
        // A caption wider than a name column that gave way is condensed.
        const std::string& caption = g.CellTexts[static_cast<std::size_t>(col)][0];
        CondenseToFit(c, caption, HeaderTextRoom(g, col), HeaderNarrowest);
        c.TextOut(r.left + 2, r.top + 2, caption);
        c.SetFont(platform::FontInfo{});
    }
    if (tools) {
        raised(0, h - 25, 100, h - 5);
        c.TextOut(5, h - 23, "　総穴数");
        c.SetBrushStyle(platform::BrushStyle::Solid);
        c.SetBrushColor(White);
        c.SetPenColor(EtchColor);
        c.Rectangle(102, h - 25, w, h - 5);
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.TextOut(107, h - 23, platform::FormatInt(TotalHoleCount));
    }
    c.SetPenColor(EtchColor);
    c.MoveTo(2, h - 3);
    c.LineTo(w - 2, h - 3);
    c.SetPenColor(White);
    c.MoveTo(2, h - 2);
    c.LineTo(w - 2, h - 2);
}

void DrawTableBody(platform::RasterCanvas& c, const MyGridBox& g)
{
    c.Fill(White);
    c.SetFont(platform::FontInfo{});
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    for (int r = 1; r < g.RowCount; ++r) {
        const auto k = static_cast<std::size_t>(r);
        const platform::Rect span = RowSpan(g, r);
        if (!g.RowEnabled[k]) {
            c.SetPenColor(White);
            c.SetBrushColor(RGB(255, 0, 0));
            c.SetBrushStyle(platform::BrushStyle::BDiagonal);
            c.Rectangle(span.left, span.top, span.right, span.bottom);
        } else if (r % 2 == 0) {
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(ListFaceColor);
            c.FillRect({0, span.top, c.Width(), span.bottom});
        }
        Color text = Black;
        if (r == g.HotRow) {
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(NavyColor);
            c.SetPenColor(NavyColor);
            c.Rectangle(span.left, span.top, span.right, span.bottom);
            text = White;
        }
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetFontColor(text);
        for (int col = 0; col < g.ColCount; ++col) {
            const platform::Rect& cell = g.Cells[static_cast<std::size_t>(col)][k];
            c.TextOut(cell.left, cell.top, ShownCellText(c, g, col, r));
        }
    }
}

int CellTextRoom(const MyGridBox& g, int col, int row)
{
    if (col < 0 || col >= g.ColCount || row < 0 || row >= g.RowCount) return 0;
    const auto r = static_cast<std::size_t>(row);
    // A text runs on over the empty cells after it (a macro's sizes).
    int end = col;
    while (end + 1 < g.ColCount && g.CellTexts[static_cast<std::size_t>(end + 1)][r].empty()) ++end;
    return g.Cells[static_cast<std::size_t>(end)][r].right - g.Cells[static_cast<std::size_t>(col)][r].left - CellTextGap;
}

std::string ShownCellText(platform::Canvas& c, const MyGridBox& g, int col, int row)
{
    if (col < 0 || col >= g.ColCount || row < 0 || row >= g.RowCount) return {};
    const std::string& t = g.CellTexts[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
    const int room = CellTextRoom(g, col, row);
    if (c.TextWidth(t) <= room) return t;
    // A macro's name or a remark keeps its ends, where those of a job
    // differ; a shape's keyword (capitals and digits) keeps its start.
    auto keyword = [](char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'); };
    if (!std::all_of(t.begin(), t.end(), keyword))
        return FitFileName(c, t, room);
    std::string shown = "...";
    for (std::size_t n = 1; n < t.size(); ++n) {
        std::string next = t.substr(0, n) + "...";
        if (c.TextWidth(next) > room) break;
        shown = std::move(next);
    }
    return shown;
}

int HeaderTextRoom(const MyGridBox& g, int col)
{
    if (col < 0 || col >= g.ColCount || g.RowCount < 1) return 0;
    const platform::Rect& cell = g.Cells[static_cast<std::size_t>(col)][0];
    return cell.right - cell.left - CellTextGap;
}

int HitCodeRow(const MyGridBox& g, int x, int y)
{
    for (int r = 1; r < g.RowCount; ++r) {
        const platform::Rect s = RowSpan(g, r);
        if (x >= s.left && x < s.right && y >= s.top && y < s.bottom) return r;
    }
    return -1;
}

std::vector<int> SearchCodeElements(bool tools, int code)
{
    std::vector<int> hits;
    for (std::int32_t i = 0; i < DataCount; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        if (e.Kind == dkSection || e.Code != code) continue;
        const MyLayerSet* l = LayerAt(e.Layer);
        if (!l || l->Active != 1) continue;
        // A drill hit carries a tool number, never a D-code.
        if (IsDrillHit(e.Kind) != tools) continue;
        hits.push_back(i);
    }
    return hits;
}

std::string NoCodeElementsText(bool tools, int code)
{
    if (tools) {
        const MyTool* t = ToolAt(code);
        return "現在表示されているファイル(層)にドリル T" + platform::FormatInt(code) + " (" + (t ? t->Diameter : std::string()) +
               ")" + " はありません。";
    }
    const MyAperture* a = ApertureAt(code);
    return "現在表示されているファイル(層)に D" + platform::FormatInt(code) + " (" + Real(a ? a->Size1 : 0.0) + ")" +
           " は使用されておりません。";
}

} // namespace mainwin
