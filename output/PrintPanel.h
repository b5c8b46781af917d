#pragma once
// The print dialog's owner-drawn pieces as models: the settings panel (items
// with their rectangles, captions, icons and states), the list of layers
// with their print and combine flags, and the popup choice list drawn as a
// balloon; and what a click, a drag, a choice or an offset button does to
// the print settings and the layer table. No window here: the dialog paints
// the rasters these functions fill and carries out the actions they return.
#include "platform/RasterCanvas.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace output {

// ------------------------------------------------------------------ panel

// How a panel item is drawn and whether it answers the pointer.
enum ItemState : std::int32_t {
    isCheckOff = 0,     // a check item, off
    isCheckOn = 1,      // on
    isHeading = 2,      // an icon and its caption
    isValue = 3,        // a value cell: white box, black text
    isRaised = 4,       // a raised heading band
    isLine = 5,         // "-": an etched line
    isDoubleLine = 6,   // "=": a double etched line
};

// The settings panel's item list.
struct MyFreeBox {
    std::int32_t Count = 0;
    std::vector<bool> Enabled;
    std::vector<platform::Rect> Rects;
    std::vector<std::int32_t> Icons;   // picture of the dialog's icons, -1 none
    std::vector<std::string> Captions;
    std::vector<std::int32_t> States;  // ItemState
    std::int32_t Hover = -1;
};

enum PanelItem : int {
    piPrinterHead = 0, piPrinter = 1, piFooter = 2,
    piPaperHead = 3, piPaper = 4, piModeHead = 5, piMode = 6, piMirrorHead = 7, piMirror = 8,
    piScaleHead = 9, piScale = 10, piOffsetXHead = 11, piOffsetX = 12, piOffsetYHead = 13, piOffsetY = 14,
    piListHead = 15, piListFlags = 16, piListLine = 17, piSheetHead = 18,
    piGerberSheet = 19, piDrillSheet = 20, piApertureSheet = 21, piBottomLine = 22, piSheetLine = 23,
    piMaskHead = 24, piOutlineHead = 25, piOutline = 26, piCombineHead = 27,
    PanelItemCount = 29,
};

// Pictures of the dialog's icons: check marks off and on, the headings'
// icons, and the aperture shapes 10..16 of the data sheets.
enum PrintIcon : int {
    icCheckOff = 0, icCheckOn = 1, icPaper = 3, icMode = 4, icScale = 5, icMirror = 6, icPrinter = 7,
    icOffsetX = 8, icOffsetY = 9, icSheets = 17, icCombine = 19, icOutline = 21, icMask = 22,
};

inline constexpr platform::Color PanelFace = platform::RGB(236, 233, 216);
inline constexpr platform::Color PanelNavy = platform::RGB(0, 0, 128);
inline constexpr platform::Color OutlineMissingRed = platform::RGB(185, 0, 0);

// Where the dialog's controls go. The settings column starts at x 580 and
// is at least 280 pixels wide, wider when its texts need it.
struct PrintLayout {
    int ClientWidth = 880, ClientHeight = 680;
    platform::Rect List;                    // the layer list with its scroll bar
    platform::Rect Enter, Sheets, Close;    // swEnter, sw5, swClose
    std::array<platform::Rect, 4> Offsets{};   // sw1..sw4
};

inline constexpr int SettingsLeft = 580;

// The layout for the loaded layers, no wider than `maxWidth`.
PrintLayout LayoutPrintDialog(platform::Canvas& measure, int maxWidth);

// The items in their places, their captions and states from the settings.
void BuildSettingsPanel(MyFreeBox& panel, platform::Canvas& measure, const PrintLayout& layout);
// The value captions and check states from PrintSettings and the layers.
void RefreshSettingsPanel(MyFreeBox& panel);
// Paints the panel over the whole canvas.
void DrawSettingsPanel(platform::RasterCanvas& canvas, const MyFreeBox& panel);
// A 16 × 16 picture of the dialog's icons with its top left at (x, y).
void DrawPrintIcon(platform::Canvas& canvas, int icon, int x, int y);

// The enabled item holding (x, y), -1 none.
int HitPanelItem(const MyFreeBox& panel, int x, int y);
// The item the pointer lights up there: check items and the value cells a
// click changes. True when the lit item changed.
bool HoverPanel(MyFreeBox& panel, int x, int y);

enum class MouseButton { Left, Right, Middle };

// What the dialog does after an event.
struct PrintAction {
    bool PrinterSetup = false;   // the printer set-up dialog
    bool DrawPanel = false;
    bool DrawList = false;
    bool Preview = false;
    std::string Popup;           // a popup of this kind opens at PopupAt
    platform::Point PopupAt;
};

// A release on a panel item.
PrintAction PanelClick(MyFreeBox& panel, int item, MouseButton button);

// sw1..sw4: the X offset 10 mm down or up, then the Y offset; each stays
// within half the data's width or height. False when it did not move.
bool StepOffset(int button);

// ------------------------------------------------------------- layer list

inline constexpr int ListRowHeight = 18;
inline constexpr int ListHeight = 216;
inline constexpr int ListRows = ListHeight / ListRowHeight;
inline constexpr int FlagColumnWidth = 24;

// The list's grid: three columns (print, combine outline, combine mask) of
// the visible rows, each row showing one layer.
struct MyGridBox {
    std::int32_t ColCount = 0, RowCount = 0;
    std::int32_t DragRow = -1, LastRow = -1, EndRow = -1;
    std::vector<std::int32_t> RowLayers;                 // 0: no layer
    std::vector<std::vector<platform::Rect>> Cells;      // [col][row]
    std::vector<std::vector<std::string>> Texts;
    std::vector<std::vector<std::int32_t>> States;       // 0 off, 1 on
};

// The cells for a list `width` pixels wide.
void InitGridCells(MyGridBox& grid, int width);
// The rows from layer `scroll` + 1 on: texts and flags from the layer table.
void FillPrintLayerGrid(MyGridBox& grid, int scroll);
void DrawPrintLayerList(platform::RasterCanvas& canvas, const MyGridBox& grid);

// The highest scroll position: the layers beyond the visible rows.
int ListScrollMax();
// The position after a wheel turn of `notches` over the list (positive:
// up), one row a notch, kept within 0..ListScrollMax().
int WheelScroll(int position, int notches);

struct ListCell {
    int col = -1, row = -1;
};
ListCell HitListCell(const MyGridBox& grid, int x, int y);

void ListPress(MyGridBox& grid, int x, int y);
// True when the list is to be drawn again.
bool ListMove(MyGridBox& grid, int x, int y, bool leftHeld);
void ListRelease(MyGridBox& grid, int x, int y, MouseButton button);

// Every loaded layer printed (1) or none (0).
void SetAllPrinted(int value);

// ----------------------------------------------------------------- popup

// The popup choice list and its balloon.
struct MyBalloonBox {
    std::int32_t Count = 0;
    std::vector<platform::Rect> Rects;   // in the popup's pixels; empty: no choice
    std::vector<std::string> Captions;
    std::string Kind;                     // "Scale", "ColorMode" or "Layers"
    std::int32_t Hover = -1;
    platform::Rect Bounds;                // in the dialog's client pixels
    std::vector<platform::Point> Outline; // the balloon, in the popup's pixels
};

// The choices of a popup kind, sized to their captions.
void InitPopupItems(MyBalloonBox& popup, const std::string& kind, platform::Canvas& measure);
// The popup with its pointer on (x, y), kept 20 pixels inside the client area.
void PlacePopup(MyBalloonBox& popup, int x, int y, int clientWidth, int clientHeight);
void DrawPopupList(platform::RasterCanvas& canvas, const MyBalloonBox& popup);
// The choice holding (x, y) of the popup's pixels, -1 none.
int HitPopupItem(const MyBalloonBox& popup, int x, int y);
// The choice into PrintSettings. False for no choice.
bool ApplyPopupChoice(const MyBalloonBox& popup, int item);

inline constexpr std::array<int, 8> ScaleChoices{500, 400, 300, 200, 150, 100, 80, 50};
inline constexpr std::array<const char*, 4> ColorModeNames{"白/黒 (標準)", "白/黒 (N/P反転印刷)", "グレースケール", "カラー"};

// ---------------------------------------------------------------- models

extern MyFreeBox PrintPanel;
extern MyGridBox PrintLayerGrid;
extern MyBalloonBox PrintPopup;
// "Image0", "Image1" or "Image2": the picture the pointer last moved or
// turned the wheel over.
extern std::string PrintWheelTarget;

// ----------------------------------------------------------------- print

inline constexpr const char* NegativeWarningText =
    "N/P反転印刷が選択されています。\n\r通常のプリンターは、多量のインクやトナーが、消費される場合があります。\n\r"
    "このまま印刷を継続しますか？";
// The question before the layers print.
std::string PrintQuestion(int pages);

} // namespace output
