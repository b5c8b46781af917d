#include "dialogs/PagePainters.h"

#include "view/LayerList.h"

#include <algorithm>
#include <vector>

namespace dialogs {

using platform::BrushStyle;
using platform::Canvas;
using platform::Color;
using platform::RasterCanvas;
using platform::RGB;

namespace {

constexpr Color Black = 0;

void Line(Canvas& c, Color color, int x1, int y1, int x2, int y2)
{
    c.SetPenColor(color);
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
}

void Box(Canvas& c, Color pen, Color fill, int l, int t, int r, int b)
{
    c.SetPenColor(pen);
    c.SetBrushColor(fill);
    c.SetBrushStyle(BrushStyle::Solid);
    c.Rectangle(l, t, r, b);
}

template <class T>
T At(const std::vector<T>& v, std::size_t k, const T& fallback)
{
    return k < v.size() ? v[k] : fallback;
}

// A text in the canvas's font and colour, cut at the edges of `clip`: what
// lies under the rectangle is kept, only the text's overflow is lost.
void TextInside(RasterCanvas& c, const Rect& clip, int x, int y, const std::string& text)
{
    const int left = std::max(clip.left, 0), right = std::min(clip.right, c.Width());
    const int top = std::max(clip.top, c.WindowTop()), bottom = std::min(clip.bottom, c.WindowTop() + c.WindowRows());
    if (text.empty() || right <= left || bottom <= top) return;
    RasterCanvas part(right - left, bottom - top);
    for (int row = top; row < bottom; ++row)
        std::copy_n(c.Scanline(row) + left, right - left, part.Scanline(row - top));
    part.SetFont(c.Font());
    part.SetBrushStyle(BrushStyle::Clear);
    part.TextOut(x - left, y - top, text);
    c.Blit(part, left, top, RasterCanvas::BlitOp::Copy);
}

} // namespace

void BeginPicture(RasterCanvas& c, int w, int h, Color fill)
{
    c.Resize(std::max(w, 0), std::max(h, 0), fill);
    c.SetFont(platform::FontInfo{});
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    c.SetPenStyle(platform::PenStyle::Solid);
}

int PageTextWidth(const std::string& text)
{
    static platform::RasterCanvas measure(1, 1);
    measure.SetFont(platform::FontInfo{});
    return measure.TextWidth(text);
}

// ----------------------------------------------------------------- items

void DrawPageItems(RasterCanvas& c, const MyFreeBox& box, int textDy, IconPainter icons)
{
    for (std::size_t k = 0; k < static_cast<std::size_t>(std::max(box.Count, 0)) && k < box.Rects.size(); ++k) {
        const Rect& r = box.Rects[k];
        const std::string caption = At(box.Captions, k, std::string());
        const bool enabled = At(box.Enabled, k, true);
        const bool hot = static_cast<int>(k) == box.Hot;
        Color text = Black;
        c.SetPenWidth(1);
        if (!enabled) {
            c.SetPenColor(LineGrey);
            c.SetBrushColor(ShadeGrey);
            c.SetBrushStyle(BrushStyle::BDiagonal);
            c.Rectangle(r.left, r.top, r.right, r.bottom);
        } else if (hot) {
            c.SetBrushColor(Navy);
            c.SetBrushStyle(BrushStyle::Solid);
            c.FillRect(r);
            text = White;
        } else {
            switch (At(box.Styles, k, 0)) {
            case stCell: Box(c, LineGrey, White, r.left, r.top, r.right, r.bottom); break;
            case stRaised:
                c.SetPenColor(White);
                c.SetBrushStyle(BrushStyle::Clear);
                c.Rectangle(r.left, r.top, r.right, r.bottom);
                Line(c, ShadeGrey, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 2);
                Line(c, ShadeGrey, r.right - 1, r.top, r.right - 1, r.bottom - 1);
                break;
            case stWhite:
                c.SetBrushColor(White);
                c.SetBrushStyle(BrushStyle::Solid);
                c.FillRect(r);
                break;
            default: break;
            }
        }
        int x = r.left + 2;
        const int y = r.top + textDy;
        const int picture = At(box.Pictures, k, -1);
        if (picture >= 0) DrawParaPicture(c, picture, r.left + 2, r.top + 1);
        for (const int icon : {At(box.LeftIcons, k, -1), At(box.Icons, k, -1)}) {
            if (icon < 0) continue;
            icons(c, icon, x, r.top + 1);
            x += 20;
        }
        if (caption == "-") {
            Line(c, LineGrey, r.left, r.top, r.right, r.top);
            Line(c, White, r.left, r.top + 1, r.right, r.top + 1);
        } else if (caption == "=") {
            Line(c, White, r.left, r.top, r.right, r.top);
            Line(c, LineGrey, r.left, r.top + 2, r.right, r.top + 2);
        } else if (!caption.empty()) {
            c.SetBrushStyle(BrushStyle::Clear);
            c.SetFontColor(text);
            // A value may be longer than its cell: it never runs over the next item.
            const int style = At(box.Styles, k, 0);
            if (style == stCell) TextInside(c, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, x, y, caption);
            else if (style == stWhite) TextInside(c, r, x, y, caption);
            else c.TextOut(x, y, caption);
        }
        const int right = At(box.RightIcons, k, -1);
        if (right >= 0) icons(c, right, r.right - 20, y);
    }
}

// -------------------------------------------------------------- tab strip

void DrawTabStrip(RasterCanvas& c, const MyTabBox& tabs)
{
    c.SetPenWidth(1);
    const Rect& page = tabs.Page;
    const int frameTop = page.top + 20;
    int openLeft = page.left, openRight = page.left;
    for (std::size_t k = 0; k < static_cast<std::size_t>(std::max(tabs.Count, 0)) && k < tabs.Rects.size(); ++k) {
        const Rect& r = tabs.Rects[k];
        Color text = Black;
        if (static_cast<int>(k) == tabs.Hot) {
            c.SetBrushColor(Navy);
            c.SetBrushStyle(BrushStyle::Solid);
            c.FillRect(r);
            text = White;
        }
        if (static_cast<int>(k) == tabs.Current) {
            Line(c, White, r.left, r.bottom, r.left, r.top);
            c.LineTo(r.right - 1, r.top);
            Line(c, LineGrey, r.right - 1, r.top + 1, r.right - 1, r.bottom);
            openLeft = r.left;
            openRight = r.right - 1;
        }
        DrawParaIcon(c, At(tabs.Icons, k, -1), r.left + 5, r.top + 2);
        c.SetBrushStyle(BrushStyle::Clear);
        c.SetFontColor(text);
        c.TextOut(r.left + 25, r.top + 2, At(tabs.Captions, k, std::string()));
    }
    if (page == Rect{}) return;
    // The current tab opens into the page: the frame's top stops at its sides.
    Line(c, White, page.left, frameTop, openLeft, frameTop);
    Line(c, White, openRight, frameTop, page.right, frameTop);
    Line(c, ShadeGrey, page.right, frameTop, page.right, page.bottom);
    c.LineTo(page.left, page.bottom);
    Line(c, White, page.left, page.bottom, page.left, frameTop);
}

// ------------------------------------------------------------------ grid

void DrawGridBox(RasterCanvas& c, const MyGridBox& g, int textRight)
{
    c.SetPenWidth(1);
    if (g.Balloon) {
        c.SetPenColor(Black);
        c.SetBrushColor(White);
        c.SetBrushStyle(BrushStyle::Solid);
        c.Polygon(g.Outline);
    }
    if (g.Cols <= 0) return;
    for (std::size_t r = 0; r < static_cast<std::size_t>(std::max(g.Rows, 0)); ++r) {
        const Rect& first = g.CellRects.front()[r];
        const Rect& last = g.CellRects.back()[r];
        if (!At(g.RowEnabled, r, true)) {
            c.SetPenColor(White);
            c.SetBrushColor(RGB(255, 0, 0));
            c.SetBrushStyle(BrushStyle::BDiagonal);
            c.Rectangle(first.left, first.top, last.right, last.bottom);
        } else if (!g.Balloon && r % 2 == 0) {
            c.SetBrushColor(White);
            c.SetBrushStyle(BrushStyle::Solid);
            c.FillRect({0, first.top, c.Width(), first.top + 18});
        }
        if (static_cast<int>(r) == g.HotRow) Box(c, Navy, InactiveCaption, first.left + 2, first.top, last.right, last.bottom);
        for (std::size_t col = 0; col < static_cast<std::size_t>(g.Cols); ++col) {
            const Rect& cell = g.CellRects[col][r];
            int x = cell.left + 2;
            const int icon = g.CellIcons[col][r];
            if (icon >= 0) {
                DrawParaIcon(c, icon, cell.left + 2, cell.top + 2);
                x += 20;
            }
            c.SetFontColor(Black);
            const std::string& text = g.CellTexts[col][r];
            Rect room = cell;
            if (g.RunOn) {
                for (std::size_t next = col + 1; next < static_cast<std::size_t>(g.Cols) && g.CellTexts[next][r].empty(); ++next)
                    room.right = g.CellRects[next][r].right;
            }
            room.right = std::min(room.right, textRight);
            if (g.RunOn && c.TextWidth(text) > room.right - x - 2)
                TextInside(c, room, x, cell.top + 2, mainwin::FitFileName(c, text, room.right - x - 2));
            else
                TextInside(c, room, x, cell.top + 2, text);
        }
    }
}

// ---------------------------------------------------------------- balloon

void DrawBalloonBox(RasterCanvas& c, const MyBalloonBox& box)
{
    c.SetPenWidth(1);
    c.SetPenColor(Black);
    c.SetBrushColor(White);
    c.SetBrushStyle(BrushStyle::Solid);
    c.Polygon(box.Outline);
    for (std::size_t k = 0; k < static_cast<std::size_t>(std::max(box.Count, 0)) && k < box.Rects.size(); ++k) {
        const Rect& r = box.Rects[k];
        Color text = Black;
        if (static_cast<int>(k) == box.Hot) {
            Box(c, Navy, Navy, r.left, r.top, r.right, r.bottom);
            text = White;
        }
        int x = r.left + 2;
        const int icon = At(box.Icons, k, -1);
        if (icon >= 0) {
            DrawParaIcon(c, icon, r.left + 2, r.top + 1);
            x += 25;
        }
        c.SetBrushStyle(BrushStyle::Clear);
        c.SetFontColor(text);
        c.TextOut(x, r.top + 2, At(box.Captions, k, std::string()));
    }
}

// ------------------------------------------------------------------ icons

void DrawParaIcon(Canvas& c, int icon, int x, int y)
{
    if (icon < 0) return;
    const platform::PenMode mode = c.GetPenMode();
    const Color pen = c.PenColor(), brush = c.BrushColor();
    const int width = c.PenWidth();
    const BrushStyle style = c.GetBrushStyle();
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    auto rect = [&](Color line, Color fill, int l, int t, int r, int b) { Box(c, line, fill, x + l, y + t, x + r, y + b); };
    auto ellipse = [&](Color line, Color fill, int l, int t, int r, int b) {
        c.SetPenColor(line);
        c.SetBrushColor(fill);
        c.SetBrushStyle(BrushStyle::Solid);
        c.Ellipse(x + l, y + t, x + r, y + b);
    };
    auto line = [&](Color color, int x1, int y1, int x2, int y2) { Line(c, color, x + x1, y + y1, x + x2, y + y2); };
    auto sheet = [&](Color mark) {
        rect(RGB(90, 90, 90), White, 2, 1, 14, 15);
        for (int row = 4; row <= 11; row += 3) line(mark, 4, row, 11, row);
    };
    constexpr Color copper = RGB(200, 120, 30), hole = RGB(40, 40, 40);
    switch (icon) {
    case 0:
    case 1:
        rect(RGB(100, 100, 100), White, 1, 1, 14, 14);
        if (icon == 1) {
            c.SetPenWidth(2);
            line(RGB(0, 120, 0), 4, 7, 6, 10);
            line(RGB(0, 120, 0), 6, 10, 11, 4);
        }
        break;
    case 2: sheet(RGB(0, 140, 0)); break;                 // Gerber file
    case 3:                                               // drill data
        ellipse(hole, RGB(200, 200, 200), 1, 1, 15, 15);
        ellipse(hole, hole, 5, 5, 11, 11);
        break;
    case 5: sheet(RGB(160, 0, 160)); break;               // earlier project file
    case 6:                                               // file tab: a folder
        rect(RGB(150, 110, 0), RGB(240, 200, 80), 1, 4, 15, 14);
        rect(RGB(150, 110, 0), RGB(240, 200, 80), 1, 2, 7, 5);
        break;
    case 7:                                               // board tab
        rect(RGB(0, 80, 0), RGB(0, 150, 60), 1, 3, 15, 13);
        ellipse(RGB(200, 170, 0), RGB(230, 200, 60), 3, 5, 7, 9);
        break;
    case 8:                                               // pattern
        rect(RGB(0, 80, 0), RGB(0, 120, 50), 1, 1, 15, 15);
        c.SetPenWidth(2);
        line(copper, 3, 12, 7, 8);
        line(copper, 7, 8, 13, 8);
        break;
    case 9:                                               // parts placement
        rect(RGB(60, 60, 60), White, 2, 4, 14, 12);
        line(RGB(60, 60, 60), 5, 4, 5, 1);
        line(RGB(60, 60, 60), 11, 12, 11, 15);
        break;
    case 10:                                              // dimensions
        line(RGB(0, 0, 160), 1, 8, 14, 8);
        line(RGB(0, 0, 160), 1, 8, 4, 5);
        line(RGB(0, 0, 160), 1, 8, 4, 11);
        line(RGB(0, 0, 160), 14, 8, 11, 5);
        line(RGB(0, 0, 160), 14, 8, 11, 11);
        break;
    case 11: rect(Black, White, 1, 2, 15, 14); break;    // outline
    case 12:                                              // metal mask
        rect(RGB(90, 90, 90), RGB(190, 190, 190), 1, 1, 15, 15);
        rect(RGB(90, 90, 90), White, 4, 4, 7, 7);
        rect(RGB(90, 90, 90), White, 9, 9, 12, 12);
        break;
    case 13:                                              // silk
        rect(RGB(0, 80, 0), RGB(0, 120, 50), 1, 1, 15, 15);
        line(White, 4, 4, 11, 4);
        line(White, 4, 4, 4, 11);
        line(White, 4, 11, 11, 11);
        break;
    case 14: rect(RGB(0, 90, 40), RGB(40, 170, 90), 1, 1, 15, 15); break;   // resist
    case 15:                                              // inner layer
        rect(RGB(0, 0, 120), RGB(120, 150, 230), 1, 2, 15, 7);
        rect(RGB(0, 0, 120), RGB(120, 150, 230), 1, 9, 15, 14);
        break;
    case 16: ellipse(hole, copper, 2, 2, 14, 14); break;  // circle
    case 17: rect(hole, copper, 2, 2, 14, 14); break;     // square
    case 18:                                              // thermal 45°
    case 19:                                              // thermal 90°
        ellipse(hole, copper, 1, 1, 15, 15);
        ellipse(hole, White, 5, 5, 11, 11);
        c.SetPenWidth(2);
        if (icon == 18) {
            line(White, 3, 3, 13, 13);
            line(White, 13, 3, 3, 13);
        } else {
            line(White, 8, 1, 8, 15);
            line(White, 1, 8, 15, 8);
        }
        break;
    case 20: ellipse(hole, copper, 1, 4, 15, 12); break;  // oval
    case 21: rect(hole, copper, 1, 4, 15, 12); break;     // rectangle
    case 22: {                                            // regular polygon
        c.SetPenColor(hole);
        c.SetBrushColor(copper);
        c.SetBrushStyle(BrushStyle::Solid);
        const platform::Point hexagon[] = {{x + 4, y + 2}, {x + 11, y + 2}, {x + 14, y + 8},
                                           {x + 11, y + 14}, {x + 4, y + 14}, {x + 1, y + 8}};
        c.Polygon(hexagon);
        break;
    }
    default: rect(RGB(90, 90, 90), RGB(200, 200, 200), 2, 2, 14, 14); break;
    }
    c.SetPenMode(mode);
    c.SetPenColor(pen);
    c.SetPenWidth(width);
    c.SetBrushColor(brush);
    c.SetBrushStyle(style);
}

void DrawFolderIcon(Canvas& c, int icon, int x, int y)
{
    switch (icon) {
    case 0:
    case 1: DrawParaIcon(c, icon, x, y); return;
    case 2: DrawParaIcon(c, 6, x, y); return;
    default: break;
    }
    if (icon < 0) return;
    const BrushStyle style = c.GetBrushStyle();
    const Color pen = c.PenColor(), brush = c.BrushColor();
    const int width = c.PenWidth();
    c.SetPenWidth(1);
    auto line = [&](Color color, int x1, int y1, int x2, int y2) { Line(c, color, x + x1, y + y1, x + x2, y + y2); };
    auto disc = [&](Color fill) {
        c.SetPenColor(fill);
        c.SetBrushColor(fill);
        c.SetBrushStyle(BrushStyle::Solid);
        c.Ellipse(x + 1, y + 1, x + 16, y + 16);
    };
    switch (icon) {
    case 3: {   // file: a sheet with a folded corner
        c.SetPenColor(RGB(90, 90, 90));
        c.SetBrushColor(White);
        c.SetBrushStyle(BrushStyle::Solid);
        const platform::Point sheet[] = {{x + 3, y + 1}, {x + 10, y + 1}, {x + 13, y + 4}, {x + 13, y + 15}, {x + 3, y + 15}};
        c.Polygon(sheet);
        line(RGB(90, 90, 90), 10, 1, 10, 4);
        line(RGB(90, 90, 90), 10, 4, 13, 4);
        break;
    }
    case 4:     // question: a blue disc with a white mark
        disc(RGB(30, 80, 200));
        c.SetPenWidth(2);
        line(White, 6, 5, 8, 4);
        line(White, 8, 4, 10, 6);
        line(White, 10, 6, 8, 9);
        line(White, 8, 9, 8, 10);
        c.SetPenWidth(1);
        line(White, 8, 12, 8, 14);
        break;
    case 5:     // design rules: a track and its width
        disc(RGB(0, 120, 50));
        c.SetPenWidth(3);
        line(RGB(230, 160, 40), 4, 11, 12, 5);
        break;
    case 6:     // gap: two edges and the space between
        disc(RGB(0, 120, 50));
        c.SetPenWidth(2);
        line(White, 5, 4, 5, 13);
        line(RGB(230, 160, 40), 11, 4, 11, 13);
        break;
    case 7: {   // note: a yellow triangle with a mark
        c.SetPenColor(RGB(120, 90, 0));
        c.SetBrushColor(RGB(250, 210, 40));
        c.SetBrushStyle(BrushStyle::Solid);
        const platform::Point triangle[] = {{x + 8, y + 1}, {x + 15, y + 14}, {x + 1, y + 14}};
        c.Polygon(triangle);
        c.SetPenWidth(2);
        line(Black, 8, 5, 8, 9);
        c.SetPenWidth(1);
        line(Black, 8, 11, 8, 12);
        break;
    }
    default: break;
    }
    c.SetPenColor(pen);
    c.SetPenWidth(width);
    c.SetBrushColor(brush);
    c.SetBrushStyle(style);
}

void DrawParaPicture(Canvas& c, int picture, int x, int y)
{
    if (picture != 0) return;
    // The board: its width and height, and the origin at its bottom left.
    const BrushStyle style = c.GetBrushStyle();
    c.SetPenWidth(1);
    Box(c, RGB(0, 80, 0), RGB(0, 150, 60), x + 24, y + 14, x + 154, y + 114);
    constexpr Color arrow = RGB(0, 0, 160);
    Line(c, arrow, x + 24, y + 128, x + 153, y + 128);   // width
    Line(c, arrow, x + 10, y + 14, x + 10, y + 113);     // height
    for (int d : {-1, 1}) {
        Line(c, arrow, x + 24, y + 128, x + 28, y + 128 + 3 * d);
        Line(c, arrow, x + 153, y + 128, x + 149, y + 128 + 3 * d);
        Line(c, arrow, x + 10, y + 14, x + 10 + 3 * d, y + 18);
        Line(c, arrow, x + 10, y + 113, x + 10 + 3 * d, y + 109);
    }
    // The origin cross.
    Line(c, RGB(200, 0, 0), x + 16, y + 113, x + 33, y + 113);
    Line(c, RGB(200, 0, 0), x + 24, y + 105, x + 24, y + 122);
    c.SetBrushStyle(BrushStyle::Clear);
    c.SetFontColor(Black);
    c.TextOut(x + 84, y + 131, "W");
    c.TextOut(x, y + 56, "H");
    c.TextOut(x + 28, y + 116, "X, Y");
    c.SetBrushStyle(style);
}

} // namespace dialogs
