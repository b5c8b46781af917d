#pragma once
// Painting the dialogs' owner-drawn models on rasters: page items, tab
// strips, tables and balloons, with the dialogs' small icons and pictures.
#include "dialogs/PageModels.h"
#include "platform/RasterCanvas.h"

#include <limits>

namespace dialogs {

inline constexpr platform::Color PageFaceColor = platform::RGB(236, 233, 216);
inline constexpr platform::Color LineGrey = platform::RGB(180, 180, 180);
inline constexpr platform::Color ShadeGrey = platform::RGB(128, 128, 128);
inline constexpr platform::Color Navy = platform::RGB(0, 0, 128);
inline constexpr platform::Color White = platform::RGB(255, 255, 255);
// The system colour of inactive captions, as the classic scheme has it.
inline constexpr platform::Color InactiveCaption = platform::RGB(191, 205, 219);

// A w × h raster in the face colour (or `fill`) with the dialogs' font and a
// one-pixel copying pen.
void BeginPicture(platform::RasterCanvas& c, int w, int h, platform::Color fill = PageFaceColor);
// Width of a text in the dialogs' font.
int PageTextWidth(const std::string& text);

// The 16 × 16 icons of the dialogs, top left at (x, y):
// 0, 1 tick box off and on; 2 Gerber file; 3 drill data; 5 earlier project
// file; 6 file tab; 7 board tab; 8 to 15 and 18 layer contents (pattern,
// parts, dimensions, outline, metal mask, silk, resist, inner layer);
// 16 to 22 aperture shapes (circle, square, thermal 45° and 90°, oval,
// rectangle, polygon).
void DrawParaIcon(platform::Canvas& c, int icon, int x, int y);
// The folder dialog's icons: 0, 1 tick box off and on; 2 folder; 3 file;
// 4 question, 5 design rules, 6 gap (heading marks); 7 the note mark.
void DrawFolderIcon(platform::Canvas& c, int icon, int x, int y);
// A dialog's icons, as DrawParaIcon.
using IconPainter = void (*)(platform::Canvas& c, int icon, int x, int y);

// The items in index order; captions at Top + `textDy`, icons from
// `icons`. The hot item is drawn navy with white text.
void DrawPageItems(platform::RasterCanvas& c, const MyFreeBox& box, int textDy, IconPainter icons = DrawParaIcon);
// The tabs and the frame of the page the current tab opens into.
void DrawTabStrip(platform::RasterCanvas& c, const MyTabBox& tabs);
// The visible rows of a table over the whole raster: white and face-coloured
// bands (or the balloon outline), disabled rows hatched red, the hot row
// marked, then each cell's icon and text. No text reaches x `textRight` (a
// scroll bar stands there); a text of a grid whose texts run on has the
// room of the empty cells after its own, and is shortened with "..." in
// its middle, keeping both its ends, when it is wider still.
void DrawGridBox(platform::RasterCanvas& c, const MyGridBox& grid, int textRight = std::numeric_limits<int>::max());
// A balloon over the whole raster (its own size): outline, then choices.
void DrawBalloonBox(platform::RasterCanvas& c, const MyBalloonBox& box);

// The 168 × 148 pictures: 0 the board with its size and origin.
void DrawParaPicture(platform::Canvas& c, int picture, int x, int y);

} // namespace dialogs
