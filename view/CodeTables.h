#pragma once
// The code table under the menu rows "Aperture" and "Tool" as a model: the
// used D-codes with shapes and sizes, or the used drill tools with hits,
// letters and diameters; the elements of a chosen row; the drill hit count.
// Painted by the main window on rasters, as the layer table is.
#include "core/Datas.h"
#include "view/LayerList.h"
#include "platform/RasterCanvas.h"

#include <array>
#include <string>
#include <vector>

namespace mainwin {

extern MyGridBox CodeTable;

// Counts the hits of every tool (drill hits, kinds 10 and 40) and
// TotalHoleCount; tools without hits are emptied. The highest tool number
// with hits, 0 when there is none.
int CountUsedDrillTools(std::array<core::MyTool, core::MaxToolCode + 2>& tools);

// True for the elements that are drill hits.
inline bool IsDrillHit(std::int32_t kind) { return kind == core::dkDrill || kind == core::dkDrillList; }

// The shape column of an aperture: "CIR" ... "PGN", "Macro (name)".
std::string ApertureShapeText(const core::MyAperture& a);

// Where a table sits in its panel.
struct TableLayout {
    int PanelHeight = 0;   // 0: nothing to show
    int BodyTop = 22;
    int BodyHeight = 0;    // the scroll box
};

// The used D-codes 10..MaxDCode for rows `clientWidth` wide within `limit`.
// The columns of numbers are as wide as their texts measured on `measure`;
// the shape column has the room they leave, its texts shortened to it with
// "...". Only when even a lone "..." does not fit is the table wider than
// the rows; it then scrolls sideways, the shapes as wide as leaves the
// rows' edge between two columns of sizes.
TableLayout BuildApertureTable(MyGridBox& grid, int clientWidth, int limit, platform::Canvas& measure);
// The used tools 1..ToolCount, the same way: the remarks have the room
// the numbers leave, and are whole when the table scrolls sideways.
TableLayout BuildToolTable(MyGridBox& grid, int clientWidth, int limit, platform::Canvas& measure);
// The room a cell leaves after its text.
inline constexpr int CellTextGap = 5;
// Height of the body's own picture.
inline int TableBodyHeight(const MyGridBox& grid) { return std::max(0, grid.RowCount - 1) * GridRowHeight; }

// The header (and the tool table's footer with the total) over the whole
// `canvas`, its cells moved left by the body's horizontal scroll, and the
// body rows.
void DrawTableHeader(platform::RasterCanvas& canvas, const MyGridBox& grid, bool tools, int scrollX = 0);
void DrawTableBody(platform::RasterCanvas& canvas, const MyGridBox& grid);

// The room of a body cell's text: its column and the empty cells after it.
// Only a name is ever wider: it is drawn shortened to fit.
int CellTextRoom(const MyGridBox& grid, int col, int row);
// A body cell's text as drawn: whole when it fits its room, else shortened
// with "...".
std::string ShownCellText(platform::Canvas& canvas, const MyGridBox& grid, int col, int row);
// The room of a header caption; a wider one is drawn condensed to fit, its
// glyphs never narrower than HeaderNarrowest percent, and a last column's
// never narrower than HeaderReadable percent (it hides no numbers).
inline constexpr int HeaderNarrowest = 50, HeaderReadable = 75;
int HeaderTextRoom(const MyGridBox& grid, int col);
// The body row whose span holds a point of the body, -1 none.
int HitCodeRow(const MyGridBox& grid, int x, int y);

// The elements of `code` on the shown layers, in element order: the drill
// hits of a tool, or the other elements of a D-code.
std::vector<int> SearchCodeElements(bool tools, int code);
// The information box when there is none.
std::string NoCodeElementsText(bool tools, int code);

} // namespace mainwin
