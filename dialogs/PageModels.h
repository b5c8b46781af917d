#pragma once
// The owner-drawn models the dialogs are made of: item lists (labels, value
// cells, headings, tick items), tab strips, cell grids and choice balloons,
// with their hit tests and placement. Plain data and functions: a dialog
// paints them on rasters (PagePainters.h), and its window only shows the
// pictures and hands pointer and keys back.
#include "platform/Canvas.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace dialogs {

using platform::Point;
using platform::Rect;

// Left and top edges inside, right and bottom outside; an empty rectangle
// holds nothing.
inline bool Contains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// ----------------------------------------------------------------- items

// How an item is drawn.
enum ItemStyle : std::int32_t {
    stPlain = 0,    // text only
    stCell = 1,     // a value cell: white box, grey outline
    stRaised = 2,   // a heading band: white top and left, grey bottom and right
    stWhite = 3,    // white fill, no outline
};

// Icons of a tick item.
inline constexpr int IconUnticked = 0;
inline constexpr int IconTicked = 1;

// An owner-drawn item list; every array has one entry per item.
struct MyFreeBox {
    std::int32_t Count = 0;
    std::vector<bool> Enabled;             // off: drawn hatched, never hit
    std::vector<Rect> Rects;
    std::vector<std::int32_t> Styles;      // ItemStyle
    std::vector<std::string> Captions;     // "-" an etched line, "=" a double line
    std::vector<std::int32_t> LeftIcons;   // before the caption, -1 none; 0 and 1 a tick box
    std::vector<std::int32_t> Icons;       // between the left icon and the caption, -1 none
    std::vector<std::int32_t> RightIcons;  // at the right end, -1 none
    std::vector<std::int32_t> Pictures;    // a picture at the top left, -1 none
    std::vector<std::string> Keys;
    std::vector<std::int32_t> Data;        // a number per item the page keeps (0)
    std::int32_t Hot = -1;                 // item under the pointer
    std::int32_t Clicked = -1;             // item last clicked or edited
    std::string Text;
};

// n items, all enabled, empty, style 0, no icons; Hot −1. Clicked stays.
void InitFreeBox(MyFreeBox& box, int n);
// n items: those already there stay, new ones as InitFreeBox makes them.
void ResizeFreeBox(MyFreeBox& box, int n);
// Sets one item.
void SetItem(MyFreeBox& box, int i, const Rect& r, int style, const std::string& caption, int leftIcon = -1);
// The first enabled item holding (x, y), −1 none.
int HitItem(const MyFreeBox& box, int x, int y);
// The same among tick items (left icon 0 or 1): the only ones that light up.
int HitTickItem(const MyFreeBox& box, int x, int y);

// Widens the items of one row, left to right, so that each caption fits
// (`room` pixels of margin), moving the items after a widened one to the
// right by as much. The row ends by `limit` at the latest (or where it is
// laid out, if that is further): the room is then shared among the items,
// and a caption still too long is cut.
void WidenToFit(MyFreeBox& box, std::initializer_list<int> row, const std::function<int(const std::string&)>& textWidth,
                int room = 6, int limit = std::numeric_limits<int>::max());

// Widens the column of items spanning exactly x `left` to `right` so that
// every caption in it fits, and moves what lies right of it by as much (an
// item reaching `limit` or beyond keeps its right end). The extra width.
int WidenColumn(MyFreeBox& box, int left, int right, int limit, const std::function<int(const std::string&)>& textWidth,
                int room = 6);

// -------------------------------------------------------------- tab strip

struct MyTabBox {
    std::int32_t Count = 0;
    std::vector<Rect> Rects;
    std::vector<std::string> Captions;
    std::vector<std::int32_t> Icons;   // before the caption, −1 none
    std::int32_t Hot = -1;
    std::int32_t Current = 0;          // the tab shown
    Rect Page;                         // the frame of the page below the tabs
};

// n tabs, empty; Hot −1; Current stays.
void InitTabBox(MyTabBox& box, int n);
// Tabs side by side from x `left`, each its caption's width + 40 wide.
void LayoutTabs(MyTabBox& box, int left, int top, int bottom, const std::function<int(const std::string&)>& textWidth);
int HitTab(const MyTabBox& box, int x, int y);

// ------------------------------------------------------------------ grid

struct MyGridBox {
    std::int32_t Cols = 0, Rows = 0;                   // columns and visible rows
    std::vector<std::int32_t> ColWidths;
    std::vector<std::int32_t> RowData;                 // what a row shows (layer, D-code, tool); 0 empty
    std::vector<bool> RowEnabled;                      // off: hatched red, not editable
    std::vector<std::vector<Rect>> CellRects;          // [col][row]
    std::vector<std::vector<std::string>> CellTexts;   // [col][row]
    std::vector<std::vector<std::int32_t>> CellIcons;  // [col][row], −1 none
    std::int32_t SelCol = -1, SelRow = -1;             // cell last clicked or moved to
    std::int32_t HotRow = -1;
    std::array<Point, 7> Outline{};                    // when drawn as a balloon
    bool Balloon = false;
    bool RunOn = false;                                // a text may run on over the empty cells after it
};

// Sizes the grid, cells empty, rows enabled, HotRow −1, not a balloon, each
// text kept to its cell; SelCol and SelRow stay.
void InitGridBox(MyGridBox& grid, int cols, int rows);
// Columns of the given widths side by side from x 0 (the last one may be 0:
// it takes what is left of `totalWidth`); rows `rowHeight` high from `top`.
void LayoutGridCells(MyGridBox& grid, const std::vector<int>& widths, int totalWidth, int rowHeight, int top = 0);
struct GridCell {
    int col = -1, row = -1;
};
// The cell holding (x, y), columns searched from `colFrom` to `colTo`, rows
// within each column; {−1, −1} none.
GridCell HitCell(const MyGridBox& grid, int x, int y, int colFrom, int colTo);
// The visible row whose cells (from the first to the last column) hold y, −1 none.
int HitRow(const MyGridBox& grid, int x, int y);

// Where Enter in a table's edit box on visible row `row` goes: the next row
// when it shows an entry of the list; at the last visible row, with
// `scrolls`, one step further down the list while there is more of it;
// otherwise nowhere (the edit box closes, what was typed stays stored).
struct RowStep {
    enum Kind { Close, Next, Scroll } kind = Close;
    int row = -1;   // the visible row the edit box moves to
};
RowStep NextEditRow(int row, int visibleRows, int scrollPosition, int listCount, bool scrolls);

// ---------------------------------------------------------------- balloon

// Where a balloon stands beside its anchor (the tip).
enum class BalloonSide {
    Right,   // right of the anchor, tip pointing left
    Left,    // left of the anchor, tip pointing right
    Down,    // below, tip pointing up
    Up,      // above, tip pointing down
};

struct MyBalloonBox {
    std::int32_t Count = 0;
    std::vector<Rect> Rects;             // choices in the balloon's pixels
    std::vector<std::string> Captions;
    std::vector<std::int32_t> Icons;     // −1 none
    std::array<Point, 7> Outline{};      // tip first
    std::string Key;                     // what the balloon chooses
    std::int32_t Hot = -1;
    std::int32_t Chosen = -1;
};

// n choices, empty, no icons; Hot −1.
void InitBalloonBox(MyBalloonBox& box, int n);

// How far from the balloon's edge along the anchor's axis the tip stands:
// the balloon is centred on the anchor, shifted to keep `margin` from the
// ends of the page, and the tip always lies on the balloon's side, at
// least 10 from its corners ([10, size − 10]).
int BalloonHalf(int anchor, int size, int pageExtent, int margin);
// The outline of a w × h balloon with its tip `half` along its side.
std::array<Point, 7> BalloonOutline(BalloonSide side, int w, int h, int half);
// The balloon's rectangle in page pixels with its tip on (x, y), and its
// outline. A balloon beside its anchor that would run past the page's side
// moves in along it, whole and 10 pixels clear, its tip on its own edge at
// the anchor's height.
Rect PlaceBalloon(BalloonSide side, int w, int h, int x, int y, int pageWidth, int pageHeight, int margin,
                  std::array<Point, 7>& outline);

// The choice holding (x, y), −1 none.
int HitChoice(const MyBalloonBox& box, int x, int y);

} // namespace dialogs
