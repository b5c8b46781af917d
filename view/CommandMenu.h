#pragma once
// The command menu of the left panel: owner-drawn rows with their hot
// rectangles, icons, step marks and expanders, and the status-bar hints.
// A model without a window: the main window paints it on a raster and
// hit-tests the rows.
#include "platform/RasterCanvas.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mainwin {

// The main window's owner-drawn list record.
struct MyFreeBox {
    std::int32_t Count = 0;
    std::vector<bool> Enabled;          // off: drawn embossed grey, never hit
    std::vector<platform::Rect> Rects;  // hot rectangle of each row
    std::vector<std::int32_t> Style;    // every row of the command menu: 2 (no box)
    std::vector<std::string> Caption;
    std::vector<std::int32_t> LeftIcon;      // icon index, -1 none
    std::vector<std::int32_t> CheckIcon;     // 33: step mark set, -1 none
    std::vector<std::int32_t> ExpanderIcon;  // 22 closed, 23 open, -1 none
    std::vector<std::string> Id;
    std::vector<std::int32_t> Tag;
    std::int32_t Hover = -1;
    std::int32_t Index2 = -1;
    std::string Current;                // id of the open or running row
};

void InitParamList(MyFreeBox& list, int n);

// Icons of the window's image list used by the menu and the selector.
constexpr int IconCheck = 33;
constexpr int IconClosed = 22;
constexpr int IconOpen = 23;
constexpr int CommandRowCount = 11;
constexpr int MenuRowHeight = 20;

// Rows 0..10: New, Open, Tool, Aperture, Parameter, Print, Copy, Save,
// SetView, Memo, End.
extern MyFreeBox CommandMenu;

// The fixed columns of the rows.
struct CommandRowInfo {
    const char* Caption;
    const char* Id;
    int LeftIcon;
    bool Expander;
    int StepMark;   // index into StepMarks, -1 none
};
extern const std::array<CommandRowInfo, CommandRowCount> CommandRows;

// Where the layout put the panels between the rows.
struct MenuPlacement {
    int LayerTop = -1;    // the layer table (-1 hidden)
    int ListTop = -1;     // the table or sub-list under an open row (-1 hidden)
    int ParaTop = 0;      // the tool page
};

// Lays the rows out for a panel `width` wide: the layer table of
// `layerHeight` after row 1 when shown, the list of `listHeight` under the
// open expander row. Keeps hover and current; rows get their captions.
MenuPlacement LayoutCommandMenu(MyFreeBox& menu, int width, bool layerShown, int layerHeight, int listHeight);
// Check icons from the step marks.
void SetCommandMarks(MyFreeBox& menu, const std::array<std::uint8_t, 5>& marks);
// The first enabled row holding (x, y), -1 none.
int HitCommandRow(const MyFreeBox& menu, int x, int y);
// Index of the row with this id, -1 none.
int CommandRowOf(const MyFreeBox& menu, const std::string& id);
// Paints the menu over the whole canvas. A caption that would push its
// marks past the row's end is drawn condensed.
void DrawCommandMenu(platform::RasterCanvas& canvas, const MyFreeBox& menu);
// Where a row's check mark is drawn, its left edge; -1 without a mark.
int CommandCheckLeft(platform::RasterCanvas& canvas, const MyFreeBox& menu, int row);
// Narrows the canvas font until `text` is at most `room` pixels wide (the
// glyphs keep their height; at least `narrowest` percent of their width,
// half by default); its width then.
int CondenseToFit(platform::Canvas& canvas, const std::string& text, int room, int narrowest = 50);
// A 16 × 16 icon of the window's image list with its top left at (x, y).
void DrawMenuIcon(platform::Canvas& canvas, int icon, int x, int y);

// The tool button that is down, for the hints and the layer-table height.
enum class ToolButton { None, Gap, Ruler, Measure, Info, Rect, Drc };

inline constexpr const char* StatusCountText = " データ数 = ";
inline constexpr const char* StatusNoPointerText = " マウス座標 X = 0 Y = 0";
inline constexpr const char* MenuHintNoData = " <メニュー> [開く]で、データを入力することができます ...";

// Panel 2's hint with layers loaded.
std::string ToolHint(ToolButton tool);
// The height limit of the layer table: `available` is Image4's height − 242.
int LayerTableLimit(ToolButton tool, int available, const std::string& current);
// " X = 1.2345  Y = -6.7" with four decimals at most.
std::string PointerPositionText(double x, double y);

} // namespace mainwin
