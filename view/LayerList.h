#pragma once
// The layer table of the left panel as a model: one row per loaded layer
// with its page letter, colour swatch, file name and contents, the hot
// rectangles of its cells, and what a press, a move or a release on them
// does to the layer table. No window here: the main window paints the
// rasters these functions fill and carries out the actions they return.
#include "core/Datas.h"
#include "platform/RasterCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mainwin {

// An owner-drawn table: columns, rows (row 0 the header), the drag state of
// the layer table or the selected row of the code table, and per cell its
// hot rectangle, colour and text ([column][row]).
struct MyGridBox {
    std::int32_t Spare0 = 0, Spare1 = 0;
    std::int32_t ColCount = 0;
    std::int32_t RowCount = 0;
    std::int32_t DragRow = -1;   // layer table: row a drag started on; -1 none, 0 after a release
    std::int32_t LastRow = -1;   // layer table: last row a drag passed over
    std::int32_t EndRow = -1;    // layer table: row of the release
    std::int32_t HotRow = -1;    // layer table: the drag source; code table: the selected row
    std::vector<std::int32_t> ColWidths;
    std::vector<std::int32_t> RowCodes;   // code table: the code of each row
    std::vector<bool> RowEnabled;         // code table: false is drawn hatched
    std::vector<std::vector<platform::Rect>> Cells;
    std::vector<std::vector<platform::Color>> CellColors;
    std::vector<std::vector<std::string>> CellTexts;
};

// Sizes every array of the grid to `cols` × `rows`, emptied.
void SizeGrid(MyGridBox& grid, int cols, int rows);
// The sum of the column widths.
int TableWidth(const MyGridBox& grid);

inline constexpr int GridRowHeight = 18;
inline constexpr platform::Color ListFaceColor = platform::RGB(236, 233, 216);
inline constexpr platform::Color EtchColor = platform::RGB(180, 180, 180);

// An owner-drawn list's raster before its rows: the face colour all over,
// the default font, a one-pixel pen that copies.
void ClearListPicture(platform::RasterCanvas& c);
inline constexpr platform::Color NavyColor = platform::RGB(0, 0, 128);
// The system highlight colour of the classic scheme.
inline constexpr platform::Color SystemHighlightColor = platform::RGB(49, 106, 197);

extern MyGridBox LayerGrid;
// The row of a pending page-group pairing, 0 none.
extern std::int32_t GroupStartRow;
// The number of layers shown: 1 after an open, 0 after a clear, recounted
// by the layer table after everything that shows or hides layers.
extern std::int32_t ShownLayerCount;

// Layers 1..LayerCount with Active = 1.
int CountActiveLayers();

// Lays the table out for a panel `clientWidth` wide within `limit` pixels:
// the panel's height (header 20, rows, bottom 5).
int LayoutLayerGrid(MyGridBox& grid, int clientWidth, int limit);
// Height of the rows' own picture.
inline int LayerRowsHeight(const MyGridBox& grid) { return std::max(0, grid.RowCount - 1) * GridRowHeight; }
// The cells' texts and colours from the layer table.
void FillLayerGrid(MyGridBox& grid);
// Fits the columns to rows `clientWidth` wide, the table never wider, the
// contents' header always in view. When names and contents fit whole, the
// file column is as laid out as far as that leaves them so; else the names
// give way to the contents down to their share of the room, and whatever
// is wider than its column is shortened with "..." when drawn.
void FitLayerColumns(MyGridBox& grid, platform::Canvas& measure, int clientWidth);
// The header over the whole `canvas` (the panel's background), its cells
// moved left by the rows' horizontal scroll.
void DrawLayerHeader(platform::RasterCanvas& canvas, const MyGridBox& grid, int scrollX = 0);
// The rows; with `groupMark`, that row's page letter white on black (a
// pairing is pending).
void DrawLayerRows(platform::RasterCanvas& canvas, const MyGridBox& grid, int groupMark);
// A text wider than `room` pixels shortened to fit with "..." in its
// middle: a third of it from its start, two from its end.
std::string FitFileName(platform::Canvas& canvas, const std::string& name, int room);
// The room a file name has in its cell, clear of the contents' text.
inline constexpr int FileNameGap = 6;
inline int FileNameRoom(const platform::Rect& cell) { return cell.right - cell.left - FileNameGap; }
// The rows' file names as the table draws them on `canvas` (index = row):
// whole when they fit; else cut at their end when that still tells them
// from the others; else what tells them apart (from the word in which the
// names of the job differ) after as much of their common start as fits
// them all alike.
std::vector<std::string> ShownFileNames(platform::Canvas& canvas, const MyGridBox& grid);
std::string ShownFileName(platform::Canvas& canvas, const MyGridBox& grid, int row);
// A row's contents as drawn: whole, or cut at the end with "...".
std::string ShownContents(platform::Canvas& canvas, const MyGridBox& grid, int row);

struct GridCell {
    int col = -1, row = -1;
};
// The body cell (rows 1..) holding a point of the rows' picture.
GridCell HitLayerCell(const MyGridBox& grid, int x, int y);
// The header column holding a point of the header, -1 none.
int HitHeaderColumn(const MyGridBox& grid, int x, int y);

enum class MouseButton { Left, Right, Middle };

// What the window does after an event, in this order: tools reset, colour
// dialog, move bar, table drawn, events pumped, picture redrawn, print
// dialog told that the layers changed.
struct LayerAction {
    bool ResetTools = false;
    bool ChooseColor = false;    // the colour dialog for layer ColorRow
    int ColorRow = 0;
    bool ShowMoveBar = false;    // at the top of row MoveBarRow
    int MoveBarRow = 0;
    bool HideMoveBar = false;
    bool DrawTable = false;
    bool PumpEvents = false;
    bool RedrawView = false;
    bool LayersMoved = false;
};

// A press on the rows (any button); `drcDown`: the design-rule tool is active
// and stays so.
LayerAction LayerPress(MyGridBox& grid, int x, int y, bool drcDown);
// The pointer moves over the rows.
LayerAction LayerMove(MyGridBox& grid, int x, int y, bool leftHeld, bool shift);
// A release over the rows; `shift`: Shift alone is held.
LayerAction LayerRelease(MyGridBox& grid, int x, int y, MouseButton button, bool shift);
// The colour dialog's answer for a layer: both colours take it.
void ApplyLayerColor(int row, platform::Color color);
// A release over the list outside every row.
LayerAction ReleaseOutsideRows(MyGridBox& grid);
// A release on the header.
LayerAction HeaderRelease(const MyGridBox& grid, int x, int y, MouseButton button);

} // namespace mainwin
