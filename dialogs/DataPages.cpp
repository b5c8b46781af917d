#include "dialogs/DataPages.h"

#include "core/Geometry.h"
#include "core/ProgramSettings.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/NumberText.h"
#include "view/CodeTables.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

namespace dialogs {

using core::Apertures;
using core::MyAperture;

namespace {

constexpr int TableRows = 12;
constexpr int RowHeight = 18;
constexpr int ScrollBarWidth = 17;

std::size_t Index(int i) { return static_cast<std::size_t>(i); }
int Width(const Rect& r) { return r.right - r.left; }

std::string& Caption(int item) { return ParaItems.Captions[Index(item)]; }
std::string& CellText(int col, int row) { return ParaTable.CellTexts[Index(col)][Index(row)]; }
const Rect& CellRect(int col, int row) { return ParaTable.CellRects[Index(col)][Index(row)]; }

// Where a tab's table stands, and its columns' least widths (the last
// one's: what it keeps beside the scroll bar).
struct TableShape {
    int left, top;
    std::vector<int> least;
    int firstHeading;   // the heading of the first column
};
const TableShape ApertureTable{30, 145, {80, 120, 120, 120, 140}, aiCodeHead};
const TableShape ToolTable{30, 130, {80, 80, 80, 120, 100}, tiToolHead};

// The widths the columns' texts need, as last measured.
std::vector<int> ColumnNeeds;

// The columns side by side, each at least as wide as its shape gives and
// its texts need; the last takes what is left of the page (W − 60) and
// keeps room for its texts and the scroll bar, the table growing where
// they need more. The headings stand above the columns, the scroll bar
// inside the right edge, and an open edit box over its cell.
void LayOutColumns(const TableShape& shape)
{
    std::vector<int> widths = shape.least;
    int used = 0;
    for (std::size_t c = 0; c + 1 < widths.size(); ++c) {
        widths[c] = std::max(widths[c], ColumnNeeds[c]);
        used += widths[c];
    }
    const int last = static_cast<int>(widths.size()) - 1;
    const int width = std::max(Para.ClientWidth - 60, used + std::max(widths.back(), ColumnNeeds.back() + ScrollBarWidth));
    widths.back() = 0;
    LayoutGridCells(ParaTable, widths, width, RowHeight);
    const int left = shape.left, top = shape.top;
    Para.Image3.Bounds = {left, top, left + width, top + TableRows * RowHeight};
    for (int c = 0; c <= last; ++c) {
        const Rect& cell = CellRect(c, 0);
        ParaItems.Rects[Index(shape.firstHeading + c)] = {left + cell.left, top - 20, left + cell.right, top};
    }
    Para.ScrollBar1.Bounds = {left + width - ScrollBarWidth, top, left + width, top + TableRows * RowHeight};
    if (Para.Edit2.Visible) PlaceEdit2OnCell();
}

// The table of a tab: 12 rows, its columns as wide as `need` asks; the
// scroll bar shown when the list is longer than the rows.
void PlaceTable(const TableShape& shape, const std::function<int(int col)>& need)
{
    InitGridBox(ParaTable, static_cast<int>(shape.least.size()), TableRows);
    ColumnNeeds.assign(shape.least.size(), 0);
    for (int c = 0; c < ParaTable.Cols; ++c) {
        ColumnNeeds[Index(c)] = need(c);
        SetItem(ParaItems, shape.firstHeading + c, {}, stRaised, Caption(shape.firstHeading + c));
    }
    LayOutColumns(shape);
    const int count = static_cast<int>(ParaList.size());
    ScrollState& s = Para.ScrollBar1;
    s.Minimum = 0;
    s.Maximum = std::max(0, count - TableRows);
    s.Position = 0;
    s.Visible = count > TableRows;
}

// A value stored into the cell (col, row), which is to show `text`: the
// column takes the width its texts now need, as when the table is built,
// so that the value is shown whole once the edit ends. Only the new text
// is measured, unless the cell held the widest one: then the whole column
// is (`need`). True when the table was laid out again (its headings moved:
// the page wants painting).
bool RefitColumn(const TableShape& shape, int col, int row, const std::string& text, const std::function<int(int col)>& need)
{
    if (col < 0 || static_cast<std::size_t>(col) >= ColumnNeeds.size() || row < 0 || row >= ParaTable.Rows) return false;
    const auto measure = [](const std::string& t) { return t.empty() ? 0 : PageTextWidth(t) + 8; };
    int& known = ColumnNeeds[Index(col)];
    const int after = measure(text);
    int fresh = known;
    if (after > known) fresh = after;
    else if (after < known && measure(CellText(col, row)) >= known) fresh = need(col);
    if (fresh == known) return false;
    known = fresh;
    const std::vector<std::int32_t> widths = ParaTable.ColWidths;
    const Rect bounds = Para.Image3.Bounds;
    LayOutColumns(shape);
    return ParaTable.ColWidths != widths || Para.Image3.Bounds != bounds;
}

// The widest of some texts in the page's font, with room around it.
int WidestText(std::initializer_list<std::string> texts, int icon = 0)
{
    int w = 0;
    for (const std::string& t : texts) w = std::max(w, PageTextWidth(t));
    return w + icon + 8;
}

int ListPosition(int row) { return Para.ScrollBar1.Position + row; }

// Where Enter sends the edit box from `row`: the next row, or the last one
// after a scroll, when it shows an entry; −1 nowhere (the table may have
// scrolled).
int NextRow(int row)
{
    const RowStep step = NextEditRow(row, TableRows, Para.ScrollBar1.Position, static_cast<int>(ParaList.size()),
                                     Para.ScrollBar1.Visible);
    if (step.kind == RowStep::Close) return -1;
    if (step.kind == RowStep::Scroll) ScrollBar1Change(Para.ScrollBar1.Position + 1);
    return step.row;
}

// Whether the aperture's row shows its sizes: a macro's does not, nor a
// slot without shape unless a size was typed into it.
bool ShowsSizes(const MyAperture& a)
{
    return a.Shape < core::apMacro && !(a.Shape < 0 && a.Size1 == 0 && a.Size2 == 0 && a.Size3 == 0);
}

// The size shown in column 2, 3 or 4.
double SizeOf(const MyAperture& a, int col) { return col == 2 ? a.Size1 : col == 3 ? a.Size2 : a.Size3; }

// The aperture of the selected row; nullptr for an empty row.
MyAperture* SelectedAperture()
{
    const int row = ParaTable.SelRow;
    if (row < 0 || row >= ParaTable.Rows || ParaTable.RowData[Index(row)] <= 0) return nullptr;
    return core::ApertureAt(ParaTable.RowData[Index(row)]);
}

// The width the texts of column `col` of the aperture table need.
int ApertureColumnNeed(int col)
{
    // Our font is wider than the table was made for: no number is cut.
    switch (col) {
    case 0: return WidestText({"D1999"}, 20);
    case 1: return WidestText({"サーマル45°", "サーマル90°", "正多角形"}, 20);
    default: break;
    }
    int w = col == 2 ? WidestText({" マクロ名", " 内径"})
            : col == 3 ? WidestText({" 頂点数 (3～12)", " 外径"})
                       : WidestText({" 開始角度(°)", " ブリッジ幅"});
    for (int d : ParaList) {
        const MyAperture& a = Apertures[Index(d)];
        if (ShowsSizes(a)) w = std::max(w, PageTextWidth(NumberCaption(SizeOf(a, col))) + 8);
    }
    return w;
}

// The list-file buttons, right-aligned at the top of the table's part.
void PlaceListButtons()
{
    int right = Para.Image3.Bounds.right;
    for (ParaButton b : {ParaButton::swSave, ParaButton::swOpen, ParaButton::swNew}) {
        const int w = Width(Button(b).Bounds);
        PlaceButton(b, right - w, 100);
        right -= w;
    }
}

// A size of the aperture on `row` stored: its column fits its texts again,
// the buttons following the table's right edge.
void RefitApertureColumn(int col, int row, const MyAperture& a)
{
    const std::string text = ShowsSizes(a) ? NumberCaption(SizeOf(a, col)) : std::string();
    if (!RefitColumn(ApertureTable, col, row, text, ApertureColumnNeed)) return;
    PlaceListButtons();
    RepaintPage();
}

const char* const ToolHeadings[] = {" ツール", " 記号", " 穴数", " 穴径", " 備考"};

// The text of tool t in column `col` of the tool table.
std::string ToolText(int t, int col)
{
    const core::MyTool& tool = core::Tools[Index(t)];
    switch (col) {
    case 0: return (t < 10 ? "T0" : "T") + platform::FormatInt(t);
    case 1: return tool.Symbol;
    case 2: return platform::FormatInt(tool.Hits);
    case 3: return tool.Diameter;
    default: return tool.Comment;
    }
}

// The width the texts of column `col` of the tool table need.
int ToolColumnNeed(int col)
{
    int w = WidestText({"T999", ToolHeadings[col]});
    if (col > 0)
        for (int t : ParaList) w = std::max(w, PageTextWidth(ToolText(t, col)) + 8);
    return w;
}

} // namespace

// ------------------------------------------------------------- apertures

std::string ApertureShapeCaption(int shape, int& icon)
{
    static const char* const captions[] = {"円形", "正方形", "サーマル45°", "サーマル90°", "長円形", "矩形", "正多角形"};
    if (shape < core::apCircle || shape > core::apPolygon) return {};
    icon = 16 + shape;
    return captions[Index(shape)];
}

int SizeCount(int shape)
{
    switch (shape) {
    case core::apOval:
    case core::apRectangle: return 2;
    case core::apThermal45:
    case core::apThermal90:
    case core::apPolygon: return 3;
    default: return 1;
    }
}

SizeVerdict ApplyTypedSize(MyAperture& a, int column, double value)
{
    if (a.Shape == core::apMacro || column < 2 || column > 4) return SizeVerdict::Ignored;
    const bool thermal = a.Shape == core::apThermal45 || a.Shape == core::apThermal90;
    const double v = core::RoundTo(5, value);
    // A used aperture with no size is a free slot to the readers, which
    // would give it to another aperture under the elements that use it.
    auto dimension = [&](double& field) {
        if (a.Used != 0 && !(v > 0)) return SizeVerdict::Refused;
        field = v;
        return SizeVerdict::Stored;
    };
    if (column == 2) return dimension(a.Size1);
    if (column == 3) {
        if (a.Shape == core::apPolygon) {
            a.Size2 = std::clamp(core::RoundTo(0, value), double{core::MinPolygonVertices}, double{core::MaxPolygonVertices});
            return SizeVerdict::Stored;
        }
        if (thermal || a.Shape == core::apOval || a.Shape == core::apRectangle) return dimension(a.Size2);
        return SizeVerdict::Ignored;
    }
    if (a.Shape == core::apPolygon) {
        a.Size3 = v;   // the start angle in degrees
        return SizeVerdict::Stored;
    }
    if (!thermal) return SizeVerdict::Ignored;
    // The bridge stays below an eighth of the inner circumference.
    const double limit = core::RoundTo(5, a.Size1 * std::numbers::pi / 8.0);
    if (value < 0 || !(limit - value > 0.0004)) return SizeVerdict::Ignored;
    a.Size3 = v;
    return SizeVerdict::Stored;
}

void AperturePage::Build()
{
    FormatTabPage::Build();
    ResizeFreeBox(ParaItems, ApertureItemCount);
    const int W = Para.ClientWidth;
    SetItem(ParaItems, aiCodeHead, {}, stRaised, " Dコード");
    SetItem(ParaItems, aiShapeHead, {}, stRaised, " 形状");
    SetItem(ParaItems, aiLine, {30, 365, W - 30, 375}, stPlain, "-");
    const char* const addSwitch = "入力時にアパーチャーの追加と変更を許可する (RS-274X)";
    SetItem(ParaItems, aiAddSwitch, {30, 372, 30 + 20 + PageTextWidth(addSwitch) + 10, 390}, stPlain, addSwitch,
            core::ApertureCheck == 1 ? IconTicked : IconUnticked);

    // Every D-code of the table; with layers loaded, those defined or used.
    ParaList.clear();
    for (int d = core::FirstSearchCode; d <= core::MaxApertureCode; ++d) {
        const MyAperture& a = Apertures[Index(d)];
        if (core::LayerCount > 0 && !(a.Size1 > 0) && a.Used != 1) continue;
        ParaList.push_back(d);
    }
    PlaceTable(ApertureTable, ApertureColumnNeed);
    // A macro's name has its row's empty size cells too.
    ParaTable.RunOn = true;
    ShowHeadings();
    PlaceListButtons();
    for (ParaButton b : {ParaButton::swSave, ParaButton::swOpen, ParaButton::swNew}) Button(b).Visible = true;
    FillRows();
}

void AperturePage::ShowHeadings()
{
    const MyAperture* a = SelectedAperture();
    const char* h[3] = {"", "", ""};
    switch (a ? a->Shape : core::apNone) {
    case core::apCircle:
    case core::apSquare: h[0] = " サイズ"; break;
    case core::apThermal45:
    case core::apThermal90:
        h[0] = " 内径";
        h[1] = " 外径";
        h[2] = " ブリッジ幅";
        break;
    case core::apOval:
    case core::apRectangle:
        h[0] = " Ｘ";
        h[1] = " Ｙ";
        break;
    case core::apPolygon:
        h[0] = " 直径";
        h[1] = " 頂点数 (3～12)";
        h[2] = " 開始角度(°)";
        break;
    case core::apMacro: h[0] = " マクロ名"; break;
    default: break;
    }
    for (int k = 0; k < 3; ++k) Caption(aiSize1Head + k) = h[k];
}

void AperturePage::FillRows()
{
    for (int r = 0; r < ParaTable.Rows; ++r) {
        for (int c = 0; c < ParaTable.Cols; ++c) {
            CellText(c, r).clear();
            ParaTable.CellIcons[Index(c)][Index(r)] = -1;
        }
        ParaTable.RowData[Index(r)] = 0;
        ParaTable.RowEnabled[Index(r)] = true;
        const int p = ListPosition(r);
        if (p < 0 || p >= static_cast<int>(ParaList.size())) continue;
        const int d = ParaList[Index(p)];
        const MyAperture& a = Apertures[Index(d)];
        ParaTable.RowData[Index(r)] = d;
        // D-codes beyond the readers' range are shown but not edited.
        ParaTable.RowEnabled[Index(r)] = d <= core::LastSearchCode;
        CellText(0, r) = "D" + platform::FormatInt(d);
        ParaTable.CellIcons[0][Index(r)] = a.Used != 0 ? IconTicked : IconUnticked;
        if (a.Shape >= core::apMacro) {
            CellText(1, r) = mainwin::ApertureShapeText(a);
            continue;
        }
        CellText(1, r) = ApertureShapeCaption(a.Shape, ParaTable.CellIcons[1][Index(r)]);
        if (!ShowsSizes(a)) continue;
        for (int c = 2; c <= 4; ++c) CellText(c, r) = NumberCaption(SizeOf(a, c));
    }
    DrawParaTable();
}

void AperturePage::ItemClick(int item)
{
    if (item != aiAddSwitch) {
        FormatTabPage::ItemClick(item);
        return;
    }
    core::ApertureCheck = core::ApertureCheck == 1 ? 0 : 1;
    ParaItems.LeftIcons[Index(item)] = core::ApertureCheck == 1 ? IconTicked : IconUnticked;
    RepaintPage();
}

void AperturePage::TableClick(int x, int y)
{
    const GridCell cell = HitCell(ParaTable, x, y, 1, 4);
    if (cell.col < 0 || !ParaTable.RowEnabled[Index(cell.row)]) return;
    HideEdits();
    HideBalloon();
    ParaTable.SelCol = cell.col;
    ParaTable.SelRow = cell.row;
    const MyAperture* a = SelectedAperture();
    if (a && a->Shape != core::apMacro) {
        refused_ = false;
        const Rect& r = CellRect(cell.col, cell.row);
        const Rect& table = Para.Image3.Bounds;
        if (cell.col == 1) ShowChoiceBalloon(r.right + table.left - 20, r.top + table.top + 9, "Aperture");
        else OpenEdit2(cell.col, cell.row);
    }
    ShowHeadings();
    RepaintPage();
}

void AperturePage::Edit2Opened()
{
    const MyAperture* a = SelectedAperture();
    beforeCode_ = a ? ParaTable.RowData[Index(ParaTable.SelRow)] : 0;
    if (a) before_ = *a;
    refused_ = false;
}

void AperturePage::Edit2Changed(const std::string& text)
{
    HideBalloon();
    MyAperture* a = SelectedAperture();
    if (!a || a->Shape == core::apMacro) return;
    const int col = ParaTable.SelCol;
    double v = 0;
    const SizeVerdict verdict = ParseFieldNumber(text, v) ? ApplyTypedSize(*a, col, v) : SizeVerdict::Ignored;
    refused_ = verdict == SizeVerdict::Refused;
    // A size the aperture does not take leaves it as the edit found it, not
    // as an earlier key left it (a bridge typed as 0.3925 passes 0.392).
    if (verdict != SizeVerdict::Stored && ParaTable.RowData[Index(ParaTable.SelRow)] == beforeCode_) {
        if (col == 2) a->Size1 = before_.Size1;
        else if (col == 3) a->Size2 = before_.Size2;
        else if (col == 4) a->Size3 = before_.Size3;
    }
    RefitApertureColumn(col, ParaTable.SelRow, *a);
    FillRows();
}

void AperturePage::Edit2Enter()
{
    const int row = ParaTable.SelRow, col = ParaTable.SelCol;
    if (refused_) {
        // The edit box stays until the size is one the aperture can keep.
        Para.Warning = UsedSizeMessage;
        Para.Focus = ParaWindow::FocusOn::Edit2;
        return;
    }
    HideEdits();
    HideBalloon();
    const MyAperture* a = SelectedAperture();
    if (!a) return;
    if (col >= 2 && col < 1 + SizeCount(a->Shape)) {
        OpenEdit2(col + 1, row);
        return;
    }
    const int next = NextRow(row);
    if (next >= 0 && ParaTable.RowData[Index(next)] > 0 && ParaTable.RowEnabled[Index(next)]) OpenEdit2(2, next);
    ShowHeadings();
    RepaintPage();
}

void AperturePage::Choose(int k)
{
    if (ChoiceBalloon.Key != "Aperture") {
        FormatTabPage::Choose(k);
        return;
    }
    const int row = ParaTable.SelRow;
    MyAperture* a = SelectedAperture();
    if (!a || a->Shape == core::apMacro || k < 0 || k > 7) return;
    const int shape = k - 1;
    if (shape == core::apNone) {
        if (a->Used != 0) {
            Para.Warning = UsedShapeMessage;
            return;
        }
        a->Shape = core::apNone;
        a->Size1 = a->Size2 = a->Size3 = 0;
    } else {
        a->Shape = shape;
        if (SizeCount(shape) < 3) a->Size3 = 0;
        if (SizeCount(shape) < 2) a->Size2 = 0;
    }
    for (int c = 2; c <= 4; ++c) RefitApertureColumn(c, row, *a);
    FillRows();
    ShowHeadings();
    if (shape != core::apNone) {
        refused_ = false;
        OpenEdit2(2, row);
    }
}

void AperturePage::Rebuild()
{
    BuildParameterTabs();
    DrawParameterPage();
}

void AperturePage::ButtonClick(ParaButton b)
{
    if (b == ParaButton::swNew) {
        if (!AskParaYesNo || !AskParaYesNo(ClearAperturesQuestion)) return;
        for (MyAperture& a : Apertures) {
            a.Shape = core::apNone;
            a.Size1 = a.Size2 = a.Size3 = 0;
            a.MacroName.clear();
        }
        // The D-codes the loaded layers use stay listed, so that their
        // apertures can be given again.
        core::MarkUsedApertures(Apertures);
        Rebuild();
        return;
    }
    if (b != ParaButton::swOpen && b != ParaButton::swSave) return;
    const std::string path = ChooseParaFile ? ChooseParaFile(b == ParaButton::swSave, ApertureListFilter) : std::string();
    if (path.empty()) return;
    try {
        if (b == ParaButton::swOpen) {
            if (const platform::InputProblem problem = platform::CheckInputFile(path); problem != platform::InputProblem::None) {
                Para.Warning = platform::InputProblemMessage(path, problem);
                return;
            }
            // Read aside: the live table changes only when the file was a list.
            auto table = std::make_unique<core::MyApertureTable>();
            std::int32_t highest = 0;
            if (!core::ReadDcodeList(path, *table, highest)) {
                Para.Warning = ListNotReadMessage;
                return;
            }
            for (MyAperture& a : *table)
                if (a.Shape == core::apPolygon)
                    a.Size2 = std::clamp(std::trunc(a.Size2), double{core::MinPolygonVertices}, double{core::MaxPolygonVertices});
            Apertures = *table;
            core::MaxDCode = core::MarkUsedApertures(Apertures);
            Rebuild();
            return;
        }
        int last = core::MaxDCode;
        if (core::LayerCount < 1) {
            // Without layers every defined aperture is one of the list.
            last = 0;
            for (int d = core::FirstSearchCode; d <= core::LastSearchCode; ++d) {
                MyAperture& a = Apertures[Index(d)];
                if (a.Shape < 0) continue;
                a.Used = 1;
                last = d;
            }
        }
        core::WriteDcodeList(path, Apertures, last, "APERTURE LIST");
        FillRows();
    } catch (const platform::Error& e) {
        Para.Warning = e.what();
    }
}

// ----------------------------------------------------------------- tools

void ToolPage::Build()
{
    FormatTabPage::Build();
    ResizeFreeBox(ParaItems, ToolItemCount);
    const int W = Para.ClientWidth;
    for (int k = 0; k < 5; ++k) SetItem(ParaItems, tiToolHead + k, {}, stRaised, ToolHeadings[k]);
    SetItem(ParaItems, tiLine, {30, 355, W - 30, 365}, stPlain, "-");
    const char* const total = "　全穴数";
    const int tw = PageTextWidth(total);
    SetItem(ParaItems, tiTotalLabel, {30, 365, tw + 40, 383}, stPlain, total);
    const std::string count = platform::FormatInt(core::TotalHoleCount);
    SetItem(ParaItems, tiTotal, {tw + 42, 365, std::max(240, tw + 42 + PageTextWidth(count) + 8), 383}, stCell, count);

    ParaList.clear();
    for (int t = 1; t <= std::min<int>(core::ToolCount, core::MaxToolCode); ++t)
        if (core::Tools[Index(t)].Used == 1) ParaList.push_back(t);
    PlaceTable(ToolTable, ToolColumnNeed);
    FillRows();
}

void ToolPage::FillRows()
{
    for (int r = 0; r < ParaTable.Rows; ++r) {
        for (int c = 0; c < ParaTable.Cols; ++c) CellText(c, r).clear();
        ParaTable.RowData[Index(r)] = 0;
        const int p = ListPosition(r);
        if (p < 0 || p >= static_cast<int>(ParaList.size())) continue;
        const int t = ParaList[Index(p)];
        ParaTable.RowData[Index(r)] = t;
        for (int c = 0; c < ParaTable.Cols; ++c) CellText(c, r) = ToolText(t, c);
    }
    DrawParaTable();
}

namespace {

// The hole-comment balloon above a comment cell.
void ShowCommentBalloon(int row)
{
    const Rect& r = CellRect(4, row);
    const Rect& table = Para.Image3.Bounds;
    ShowChoiceBalloon(r.left + table.left + 60, r.top + table.top + 5, "HoleComment");
}

// A value of the selected tool stored: its column fits its texts again.
void RefitToolColumn(int col)
{
    const int row = ParaTable.SelRow;
    if (row < 0 || row >= ParaTable.Rows) return;
    const std::string text = ToolText(ParaTable.RowData[Index(row)], col);
    if (RefitColumn(ToolTable, col, row, text, ToolColumnNeed)) RepaintPage();
}

bool CommentBalloonShown() { return Para.Image2.Visible && ChoiceBalloon.Key == "HoleComment"; }

core::MyTool* SelectedTool()
{
    const int row = ParaTable.SelRow;
    if (row < 0 || row >= ParaTable.Rows || ParaTable.RowData[Index(row)] < 1) return nullptr;
    return core::ToolAt(ParaTable.RowData[Index(row)]);
}

} // namespace

void ToolPage::TableClick(int x, int y)
{
    const GridCell cell = HitCell(ParaTable, x, y, 3, 4);
    if (cell.col < 0) return;
    HideEdits();
    HideBalloon();
    ParaTable.SelCol = cell.col;
    ParaTable.SelRow = cell.row;
    if (ParaTable.RowData[Index(cell.row)] <= 0) return;
    OpenEdit2(cell.col, cell.row);
    if (cell.col == 4) ShowCommentBalloon(cell.row);
}

FieldKind ToolPage::Edit2Kind() const { return ParaTable.SelCol == 3 ? FieldKind::Number : FieldKind::Text; }

void ToolPage::Edit2Changed(const std::string& text)
{
    core::MyTool* tool = SelectedTool();
    if (!tool) return;
    if (ParaTable.SelCol == 3) {
        HideBalloon();
        // Kept as typed: drill files name their tools by such texts.
        tool->Diameter = text;
    } else if (ParaTable.SelCol == 4) {
        std::string comment = text;
        // A digit typed while the list is open picks that comment.
        if (CommentBalloonShown() && text.size() == 1 && text[0] >= '0' && text[0] <= '5') {
            comment = HoleComments[Index(text[0] - '0')];
            Para.Edit2.Text = comment;
            Para.Edit2.SelectAll = true;
        }
        tool->Comment = comment;
        HideBalloon();
    }
    RefitToolColumn(ParaTable.SelCol);
    FillRows();
}

void ToolPage::Edit2Enter()
{
    HideEdits();
    HideBalloon();
    const int row = ParaTable.SelRow;
    if (!SelectedTool()) return;
    if (ParaTable.SelCol == 3) {
        OpenEdit2(4, row);
        ShowCommentBalloon(row);
        return;
    }
    const int next = NextRow(row);
    if (next >= 0 && ParaTable.RowData[Index(next)] > 0) OpenEdit2(3, next);
}

void ToolPage::Choose(int k)
{
    if (ChoiceBalloon.Key != "HoleComment") {
        FormatTabPage::Choose(k);
        return;
    }
    core::MyTool* tool = SelectedTool();
    if (!tool || k < 0 || k >= static_cast<int>(std::size(HoleComments)) || !Para.Edit2.Visible) return;
    Para.Edit2.Text = HoleComments[Index(k)];
    Para.Edit2.SelectAll = false;
    Para.Edit2.Caret = -1;
    Para.Focus = ParaWindow::FocusOn::Edit2;
    tool->Comment = Para.Edit2.Text;
    RefitToolColumn(4);
    FillRows();
}

} // namespace dialogs
