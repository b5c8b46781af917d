#include "dialogs/JobPages.h"

#include "core/Datas.h"
#include "core/FolderSettings.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/ProgramPaths.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace dialogs {

namespace {

constexpr int RowHeight = 18;
constexpr int FileRows = 15;     // rows of the file table
constexpr int PickerRows = 10;   // rows of the file picker
constexpr int ScrollBarWidth = 17;

std::string& CaptionOf(int item) { return ParaItems.Captions[static_cast<std::size_t>(item)]; }

core::MyLayerSet& Layer(int l) { return core::LayerTable[static_cast<std::size_t>(l)]; }

// The table's rows list the loaded layers.
void ListLayers()
{
    ParaList.clear();
    const int count = std::clamp<int>(core::LayerCount, 0, core::LayerTableSize - 1);
    for (int l = 1; l <= count; ++l) ParaList.push_back(l);
}

int FileKindIcon(int kind)
{
    switch (kind) {
    case core::fkRS274D:
    case core::fkRS274X: return 2;
    case core::fkNcDrill: return 3;
    case core::fkOldProject: return 5;
    default: return -1;
    }
}

// The file-name column: `least` wide, wider (up to `most`) where a name
// would be cut in our font.
int NameColumnWidth(int least, int most)
{
    int need = least;
    for (int l : ParaList) need = std::max(need, PageTextWidth(Layer(l).FileName) + 26);
    return std::min(need, most);
}

// The visible rows from the scroll position: file name and kind, and with
// three columns the contents and remarks.
void FillLayerRows()
{
    const int position = Para.ScrollBar1.Position;
    for (int r = 0; r < ParaTable.Rows; ++r) {
        const auto row = static_cast<std::size_t>(r);
        const auto p = static_cast<std::size_t>(position + r);
        const int l = p < ParaList.size() ? ParaList[p] : 0;
        ParaTable.RowData[row] = l;
        for (int c = 0; c < ParaTable.Cols; ++c) {
            ParaTable.CellTexts[static_cast<std::size_t>(c)][row].clear();
            ParaTable.CellIcons[static_cast<std::size_t>(c)][row] = -1;
        }
        if (l == 0) continue;
        const core::MyLayerSet& layer = Layer(l);
        ParaTable.CellTexts[0][row] = layer.FileName;
        ParaTable.CellIcons[0][row] = FileKindIcon(layer.FileKind);
        if (ParaTable.Cols >= 3) {
            ParaTable.CellTexts[1][row] = layer.Contents;
            ParaTable.CellTexts[2][row] = layer.Remarks;
        }
    }
    DrawParaTable();
}

// The layer of the cell Edit2 stands on, 0 none.
int SelectedLayer()
{
    const int r = ParaTable.SelRow;
    return r >= 0 && r < ParaTable.Rows ? ParaTable.RowData[static_cast<std::size_t>(r)] : 0;
}

// Edit2 on a cell of the file table; the contents also offer their choices.
void OpenFileCell(int col, int row)
{
    HideBalloon();
    OpenEdit2(col, row);
    if (col != 1) return;
    const Rect& cell = ParaTable.CellRects[1][static_cast<std::size_t>(row)];
    ShowChoiceBalloon(cell.right + Para.Image3.Bounds.left, cell.top + Para.Image3.Bounds.top + 9, "FileContents");
}

// A board value as its cell shows it.
std::string BoardCaption(double v) { return std::isfinite(v) ? core::RoundToText(5, v) : std::string("0"); }

// The field behind a value cell of the board page.
double* BoardField(int item)
{
    core::MyBasicSet& b = core::ProjectBasics;
    switch (item) {
    case 4: return &b.BoardWidth;
    case 6: return &b.BoardHeight;
    case 8: return &b.BoardLeft;
    case 10: return &b.BoardBottom;
    case 14: return &b.NcLeft;
    case 16: return &b.NcBottom;
    default: return nullptr;
    }
}

} // namespace

// --------------------------------------------------------------- file page

// Columns of the file table after the names: contents and the least of remarks.
constexpr int ContentsWidth = 170;
constexpr int LeastRemarksWidth = 120;

namespace {

// The contents column: as laid out, wider (up to `most`) where the
// contents would be cut in our font.
int ContentsColumnWidth(int most)
{
    int need = ContentsWidth;
    for (int l : ParaList) need = std::max(need, PageTextWidth(Layer(l).Contents) + 8);
    return std::min(need, std::max(most, ContentsWidth));
}

// The file table's columns, names and contents that wide and the remarks
// the rest, with their headings; an open edit box stays on its cell.
void LayOutFileColumns(int name, int contents)
{
    const int W = Para.ClientWidth;
    LayoutGridCells(ParaTable, {name, contents, 0}, W - 60, RowHeight);
    ParaItems.Rects[4] = {30, 90, 30 + name, 110};
    ParaItems.Rects[5] = {30 + name, 90, 30 + name + contents, 110};
    ParaItems.Rects[6] = {30 + name + contents, 90, W - 30, 110};
    if (Para.Edit2.Visible) PlaceEdit2OnCell();
}

} // namespace

int FilePageWidth()
{
    ListLayers();
    const int name = NameColumnWidth(180, std::numeric_limits<int>::max());
    const int contents = ContentsColumnWidth(std::numeric_limits<int>::max());
    return std::max(60 + name + contents + LeastRemarksWidth, 30 + name + contents + ChoiceBalloonWidth("FileContents") + 10);
}

void FilePage::Build()
{
    const int W = Para.ClientWidth;
    const core::MyBasicSet& b = core::ProjectBasics;
    ListLayers();
    const int tableWidth = W - 60;
    const int name = NameColumnWidth(180, tableWidth - ContentsWidth - LeastRemarksWidth);
    const int contents = ContentsColumnWidth(tableWidth - name - LeastRemarksWidth);

    InitFreeBox(ParaItems, 9);
    SetItem(ParaItems, 0, {30, 35, 110, 53}, stPlain, "　品名");
    SetItem(ParaItems, 1, {112, 35, W - 230, 53}, stCell, b.Title);
    SetItem(ParaItems, 2, {30, 55, 110, 73}, stPlain, "　コメント");
    SetItem(ParaItems, 3, {112, 55, W - 230, 73}, stCell, b.Comment);
    SetItem(ParaItems, 4, {}, stRaised, " ファイル名");
    SetItem(ParaItems, 5, {}, stRaised, " 内容");
    SetItem(ParaItems, 6, {}, stRaised, " 備考");
    SetItem(ParaItems, 7, {W - 220, 35, W - 170, 53}, stPlain, "作成者");
    SetItem(ParaItems, 8, {W - 170, 35, W - 30, 53}, stCell, b.Author);
    // The author's cell starts where its label ends in our font.
    WidenToFit(ParaItems, {7}, PageTextWidth, 4);
    ParaItems.Rects[8].left = ParaItems.Rects[7].right;

    InitGridBox(ParaTable, 3, FileRows);
    LayOutFileColumns(name, contents);
    Para.Image3.Bounds = {30, 110, 30 + tableWidth, 110 + FileRows * RowHeight};
    const Rect& t = Para.Image3.Bounds;
    const int count = static_cast<int>(ParaList.size());
    Para.ScrollBar1 = {count > FileRows, {t.right - ScrollBarWidth, t.top, t.right, t.bottom}, 0,
                       std::max(0, count - FileRows), 0};
    FillRows();
}

void FilePage::FillRows() { FillLayerRows(); }

void FilePage::ItemClick(int item)
{
    if (item == 1 || item == 3 || item == 8) OpenEdit1(item);
}

void FilePage::Edit1Changed(const std::string& text)
{
    core::MyBasicSet& b = core::ProjectBasics;
    const int item = ParaItems.Clicked;
    if (item == 1) b.Title = text;
    else if (item == 3) b.Comment = text;
    else if (item == 8) b.Author = text;
    else return;
    CaptionOf(item) = text;
    RepaintPage();
}

void FilePage::Edit1Enter()
{
    // Title and comment take turns; the author is a field of its own.
    if (ParaItems.Clicked == 1) OpenEdit1(3);
    else if (ParaItems.Clicked == 3) OpenEdit1(1);
}

void FilePage::TableClick(int x, int y)
{
    // The file names are what the job is made of: not edited here.
    const GridCell cell = HitCell(ParaTable, x, y, 1, 2);
    if (cell.col < 0 || ParaTable.RowData[static_cast<std::size_t>(cell.row)] == 0) return;
    OpenFileCell(cell.col, cell.row);
}

void FilePage::Edit2Changed(const std::string& text)
{
    // Typing into the contents closes their choices: a text of one's own.
    HideBalloon();
    const int l = SelectedLayer();
    if (l == 0) return;
    if (ParaTable.SelCol == 1) Layer(l).Contents = text;
    else if (ParaTable.SelCol == 2) Layer(l).Remarks = text;
    else return;
    if (ParaTable.SelCol == 1) {
        // The contents column fits its texts again, as when the page is built.
        const int name = ParaTable.ColWidths[0];
        const int contents = ContentsColumnWidth(Para.ClientWidth - 60 - name - LeastRemarksWidth);
        if (contents != ParaTable.ColWidths[1]) {
            LayOutFileColumns(name, contents);
            RepaintPage();
        }
    }
    FillRows();
}

void FilePage::Edit2Enter()
{
    const int col = ParaTable.SelCol;
    const RowStep step = NextEditRow(ParaTable.SelRow, ParaTable.Rows, Para.ScrollBar1.Position, static_cast<int>(ParaList.size()), false);
    HideEdits();
    HideBalloon();
    if (step.kind == RowStep::Next) OpenFileCell(col, step.row);
}

void FilePage::Choose(int k)
{
    if (ChoiceBalloon.Key != "FileContents" || !Para.Edit2.Visible || ParaTable.SelCol != 1) return;
    // The choice goes into the edit box and is stored as if typed.
    Edit2Change(ChoiceBalloon.Captions[static_cast<std::size_t>(k)]);
    Para.Focus = ParaWindow::FocusOn::Edit2;
}

// -------------------------------------------------------------- board page

void BoardPage::Build()
{
    const int W = Para.ClientWidth;
    InitFreeBox(ParaItems, 17);
    SetItem(ParaItems, 0, {40, 35, 140, 53}, stPlain, "基板サイズと原点位置");
    WidenToFit(ParaItems, {0}, PageTextWidth);
    SetItem(ParaItems, 1, {40, 80, 360, 340}, stCell, "");
    SetItem(ParaItems, 2, {110, 130, 278, 298}, stPlain, "");
    ParaItems.Pictures[2] = 0;
    SetItem(ParaItems, 11, {400, 80, 500, 98}, stPlain, "ガーバーデータ");
    SetItem(ParaItems, 12, {400, 220, 500, 238}, stPlain, "ドリルデータ");
    const struct {
        int label;
        const char* caption;
        int top;
    } values[] = {{3, "W", 100}, {5, "H", 120}, {7, "X", 140}, {9, "Y", 160}, {13, "X", 240}, {15, "Y", 260}};
    for (const auto& v : values) {
        SetItem(ParaItems, v.label, {400, v.top, 420, v.top + 18}, stPlain, v.caption);
        SetItem(ParaItems, v.label + 1, {420, v.top, W - 40, v.top + 18}, stCell, BoardCaption(*BoardField(v.label + 1)));
    }
    WidenToFit(ParaItems, {11}, PageTextWidth);
    WidenToFit(ParaItems, {12}, PageTextWidth);

    PlaceButton(ParaButton::sw3, 420, 320);
    Button(ParaButton::sw3).Visible = true;
}

void BoardPage::ItemClick(int item)
{
    if (BoardField(item)) OpenEdit1(item);
}

void BoardPage::Edit1Opened()
{
    if (const double* field = BoardField(ParaItems.Clicked)) before_ = *field;
}

void BoardPage::Edit1Changed(const std::string& text)
{
    const int item = ParaItems.Clicked;
    double* field = BoardField(item);
    if (!field) return;
    double v = 0;
    // A text that is no number leaves the value as the edit found it, not
    // as an earlier key left it.
    *field = ParseFieldNumber(text, v) ? core::RoundTo(5, v) : before_;
    CaptionOf(item) = BoardCaption(*field);
    RepaintPage();
}

void BoardPage::Edit1Enter()
{
    // Round the Gerber block; the drill origin stays where it is.
    switch (ParaItems.Clicked) {
    case 4: OpenEdit1(6); break;
    case 6: OpenEdit1(8); break;
    case 8: OpenEdit1(10); break;
    case 10: OpenEdit1(4); break;
    default: break;
    }
}

void BoardPage::ButtonClick(ParaButton b)
{
    if (b != ParaButton::sw3) return;
    HideEdits();
    HideBalloon();
    ListLayers();
    if (ParaList.empty()) return;

    // A balloon left of the button listing the files, its tip on the button.
    const int count = static_cast<int>(ParaList.size());
    const int rows = std::min(count, PickerRows);
    const Rect& button = Button(ParaButton::sw3).Bounds;
    const int x = button.left, y = button.top + 10;
    // The scroll bar gets room of its own beside the names.
    const int bar = count > rows ? ScrollBarWidth : 0;
    const int name = NameColumnWidth(200, x - 10 - 12 - bar);
    InitGridBox(ParaTable, 1, rows);
    LayoutGridCells(ParaTable, {name}, name, RowHeight, 2);
    ParaTable.Balloon = true;
    Para.Image3.Bounds = PlaceBalloon(BalloonSide::Left, name + 12 + bar, rows * RowHeight + 5, x, y, Para.ClientWidth,
                                      Para.ClientHeight, 50, ParaTable.Outline);
    const Rect& picker = Para.Image3.Bounds;
    const int barLeft = picker.right - ScrollBarWidth - 11;
    Para.ScrollBar1 = {bar > 0, {barLeft, picker.top + 1, barLeft + ScrollBarWidth, picker.bottom - 1}, 0, count - rows, 0};
    FillRows();
}

void BoardPage::FillRows() { FillLayerRows(); }

void BoardPage::TableMove(int x, int y)
{
    // The row last under the pointer stays lit on the picker's margins, so
    // that leaving the picker closes it.
    const int r = HitRow(ParaTable, x, y);
    if (!ParaTable.Balloon || r < 0 || r == ParaTable.HotRow || ParaTable.RowData[static_cast<std::size_t>(r)] == 0) return;
    ParaTable.HotRow = r;
    DrawParaTable();
}

void BoardPage::TableClick(int x, int y)
{
    const int r = HitRow(ParaTable, x, y);
    if (!ParaTable.Balloon || r < 0) return;
    const int l = ParaTable.RowData[static_cast<std::size_t>(r)];
    if (l == 0) return;
    ParaTable.SelCol = 0;
    ParaTable.SelRow = r;
    Para.Image3.Visible = false;
    Para.ScrollBar1.Visible = false;
    // A file without an extent (drill hits only, or nothing) leaves the values.
    core::SetBoardFromFileExtents(l);
    Build();
    RepaintPage();
}

// ------------------------------------------------------------------ import

void ImportSettingsFile(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    if (const platform::InputProblem problem = platform::CheckInputFile(path); problem != platform::InputProblem::None) {
        Para.Warning = platform::InputProblemMessage(path, problem);
        return;
    }
    try {
        bool read = false;
        if (platform::EqualNoCase(name, core::FolderSettingsName)) read = core::ReadFolderSettings(path);
        else if (platform::EqualNoCase(name, core::OldFolderSettingsName)) read = core::ReadOldFolderSettings(path);
        else Para.Warning = NotSettingsFileText;
        if (!read) return;
    } catch (const platform::Error& e) {
        // The reader has left the tables as they were.
        Para.Warning = e.what();
        return;
    }
    if (core::IniLayerCount > 0 && core::LayerCount > 0) core::TakeSettingsLayers();
    if (!ParameterMode()) return;
    BuildParameterTabs();
    DrawParameterPage();
}

} // namespace dialogs
