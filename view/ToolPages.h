#pragma once
// The settings pages of the tools under the command menu: a header row with
// the tool's icon, name and close mark, and rows of labels and on/off
// options whose marks follow the tools' settings. Models of the menu's own
// list record, painted on rasters and hit-tested without a window.
#include "view/CommandMenu.h"
#include "platform/RasterCanvas.h"

#include <string>

namespace mainwin {

// The header (one row) and the rows of the page shown.
extern MyFreeBox ToolPageHeader, ToolPageRows;

// Row kinds (kept in Style).
inline constexpr int PageRowPlain = 0;
inline constexpr int PageRowRaised = 2;
// The close mark at the header's right end.
inline constexpr int IconClosePage = 23;
// On the measure page each class row keeps its snap picture in CheckIcon,
// drawn with its top left at the row's bottom right.

enum class PageButton { None, NextCandidate, Turn, Detect };

// What a page asks of the window around its two images.
struct ToolPageFrame {
    bool Shown = false;      // the tool has a page
    int FixedHeight = -1;    // the page's height; -1: the rest of the panel
    int BoxTop = 25;         // the rows' scroll box
    int RowsHeight = 0;      // the rows' image
    PageButton Button = PageButton::None;   // beside the scroll box
    int ButtonTop = 25;
    int ButtonRightGap = 2;  // from the page's right edge
};
ToolPageFrame PageFrame(ToolButton tool);

// Lays out the page of `tool`: the header row across `headerWidth`, the
// rows for an image `rowsWidth` wide, texts measured on `measure`. On the
// design-rule page the rows run on under its button, which stands beside
// the label from `buttonLeft`.
void BuildToolPage(ToolButton tool, int headerWidth, int rowsWidth, platform::Canvas& measure, int buttonLeft = -1);

// The marks, pictures and texts from the settings, before every paint; the
// design-rule page counts the errors on shown layers, a slash, and all,
// beside its label, or on a line of its own under it when the count is too
// wide there (texts measured on `measure`).
void SetPageMarks(ToolButton tool, platform::Canvas& measure);

// Paints the header and the rows over their whole canvases.
void DrawToolPageHeader(platform::RasterCanvas& canvas, const MyFreeBox& header);
void DrawToolPageRows(platform::RasterCanvas& canvas, const MyFreeBox& rows);

// The option row under the pointer (a row with an on/off mark), -1 none.
int HoverPageRow(const MyFreeBox& rows, int x, int y);
// Any row under the pointer, -1 none.
int HitPageRow(const MyFreeBox& rows, int x, int y);

enum class PageClick {
    None,             // a label or class row: nothing changes
    Repaint,          // a setting changed: paint the page again
    RepaintRedraw,    // and redraw the picture
    RepaintRuler,     // and draw the ruler again
};
// A click on row `row` of the page of `tool`: the setting it stands for
// changes.
PageClick ClickPageRow(ToolButton tool, int row);

// A 64 × 64 picture of the snap points of a class in a mode (0..10), its
// top left at (x, y).
inline constexpr int SnapPictureSize = 64;
void DrawSnapPicture(platform::Canvas& canvas, int picture, int x, int y);

} // namespace mainwin
