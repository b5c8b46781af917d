#include "view/CommandMenu.h"

#include "core/TextHelpers.h"

#include <algorithm>
#include <cmath>

namespace mainwin {

using platform::Color;
using platform::RGB;

MyFreeBox CommandMenu;

const std::array<CommandRowInfo, CommandRowCount> CommandRows{{
    {"初期化", "New", 0, false, -1},
    {"開く", "Open", 1, false, -1},
    {"穴孔け情報", "Tool", 20, true, -1},
    {"アパーチャー", "Aperture", 18, true, -1},
    {"パラメータ / データ詳細表", "Parameter", 29, false, 0},
    {"印刷", "Print", 3, false, 1},
    {"収納（コピー / 移動）", "Copy", 16, false, 2},
    {"検図ファイル(.tsn)作成", "Save", 2, true, 3},
    {"表示設定", "SetView", 6, true, -1},
    {"覚え書き", "Memo", 29, false, 4},
    {"終了", "End", 21, false, -1},
}};

void InitParamList(MyFreeBox& list, int n)
{
    if (n < 0) n = 0;
    const auto size = static_cast<std::size_t>(n);
    list.Count = n;
    list.Enabled.assign(size, true);
    list.Rects.assign(size, platform::Rect{});
    list.Style.assign(size, 0);
    list.Caption.assign(size, std::string());
    list.LeftIcon.assign(size, -1);
    list.CheckIcon.assign(size, -1);
    list.ExpanderIcon.assign(size, -1);
    list.Id.assign(size, std::string());
    list.Tag.assign(size, 0);
    list.Hover = -1;
}

MenuPlacement LayoutCommandMenu(MyFreeBox& menu, int width, bool layerShown, int layerHeight, int listHeight)
{
    const int hover = menu.Hover;
    const std::array<std::int32_t, 5> oldChecks = [&] {
        std::array<std::int32_t, 5> c{-1, -1, -1, -1, -1};
        for (std::size_t r = 0; r < CommandRows.size() && r < menu.CheckIcon.size(); ++r)
            if (CommandRows[r].StepMark >= 0) c[static_cast<std::size_t>(CommandRows[r].StepMark)] = menu.CheckIcon[r];
        return c;
    }();
    // One slot more than rows: it stays empty and is never hit.
    InitParamList(menu, CommandRowCount + 1);
    menu.Hover = hover;
    MenuPlacement place;
    int top = 2;
    for (int r = 0; r < CommandRowCount; ++r) {
        const auto k = static_cast<std::size_t>(r);
        const CommandRowInfo& info = CommandRows[k];
        menu.Caption[k] = info.Caption;
        menu.Id[k] = info.Id;
        menu.LeftIcon[k] = info.LeftIcon;
        menu.Style[k] = 2;
        if (info.StepMark >= 0) menu.CheckIcon[k] = oldChecks[static_cast<std::size_t>(info.StepMark)];
        if (info.Expander) menu.ExpanderIcon[k] = IconClosed;
        menu.Rects[k] = {2, top, width, top + MenuRowHeight};
        // Rows 0 and 1 at 2 and 22, row 2 at 42 below the layer table.
        int next = r == 0 ? 22 : top + 22;
        if (r == 1) {
            next = 42;
            if (layerShown) {
                place.LayerTop = 42;
                next += std::max(0, layerHeight);
            }
        }
        if (info.Expander && !menu.Current.empty() && menu.Current == info.Id) {
            menu.ExpanderIcon[k] = IconOpen;
            place.ListTop = top + MenuRowHeight;
            next = place.ListTop + std::max(0, listHeight) + 2;
        }
        top = next;
    }
    place.ParaTop = menu.Rects[10].top + 30;
    return place;
}

void SetCommandMarks(MyFreeBox& menu, const std::array<std::uint8_t, 5>& marks)
{
    for (std::size_t r = 0; r < CommandRows.size() && r < menu.CheckIcon.size(); ++r) {
        const int m = CommandRows[r].StepMark;
        if (m >= 0) menu.CheckIcon[r] = marks[static_cast<std::size_t>(m)] != 0 ? IconCheck : -1;
    }
}

int HitCommandRow(const MyFreeBox& menu, int x, int y)
{
    const auto n = std::min<std::size_t>({static_cast<std::size_t>(std::max(menu.Count, 0)), menu.Rects.size(), menu.Enabled.size()});
    for (std::size_t k = 0; k < n; ++k) {
        const platform::Rect& r = menu.Rects[k];
        if (menu.Enabled[k] && x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(k);
    }
    return -1;
}

int CommandRowOf(const MyFreeBox& menu, const std::string& id)
{
    for (std::size_t k = 0; k < menu.Id.size(); ++k)
        if (!id.empty() && menu.Id[k] == id) return static_cast<int>(k);
    return -1;
}

// ------------------------------------------------------------------ icons

void DrawMenuIcon(platform::Canvas& canvas, int icon, int x, int y)
{
    if (icon < 0) return;
    const platform::PenMode mode = canvas.GetPenMode();
    const Color pen = canvas.PenColor(), brush = canvas.BrushColor();
    const int width = canvas.PenWidth();
    const platform::BrushStyle style = canvas.GetBrushStyle();
    canvas.SetPenMode(platform::PenMode::Copy);
    canvas.SetPenWidth(1);
    canvas.SetBrushStyle(platform::BrushStyle::Solid);
    auto box = [&](Color fill, Color line) {
        canvas.SetPenColor(line);
        canvas.SetBrushColor(fill);
        canvas.Rectangle(x + 1, y + 1, x + 15, y + 15);
    };
    auto line = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x + x1, y + y1);
        canvas.LineTo(x + x2, y + y2);
    };
    switch (icon) {
    case IconCheck:   // a green tick
        canvas.SetPenColor(RGB(0, 150, 0));
        canvas.SetPenWidth(2);
        line(3, 8, 6, 12);
        line(6, 12, 13, 3);
        break;
    case IconClosed:
    case IconOpen: {
        canvas.SetPenColor(RGB(64, 64, 64));
        canvas.SetBrushColor(RGB(64, 64, 64));
        const std::vector<platform::Point> tri =
            icon == IconClosed ? std::vector<platform::Point>{{x + 5, y + 3}, {x + 11, y + 8}, {x + 5, y + 13}}
                               : std::vector<platform::Point>{{x + 3, y + 5}, {x + 13, y + 5}, {x + 8, y + 11}};
        canvas.Polygon(tri);
        break;
    }
    case 0:   // new: a blank sheet
        box(RGB(255, 255, 255), RGB(90, 90, 90));
        break;
    case 1:   // open: a folder
        canvas.SetPenColor(RGB(150, 110, 0));
        canvas.SetBrushColor(RGB(240, 200, 80));
        canvas.Rectangle(x + 1, y + 4, x + 15, y + 14);
        canvas.Rectangle(x + 1, y + 2, x + 7, y + 5);
        break;
    case 2:   // save: a disk
        box(RGB(60, 90, 170), RGB(20, 40, 100));
        canvas.SetBrushColor(RGB(230, 230, 230));
        canvas.Rectangle(x + 4, y + 2, x + 12, y + 7);
        break;
    case 3:   // print: a printer
        box(RGB(200, 200, 200), RGB(70, 70, 70));
        canvas.SetBrushColor(RGB(255, 255, 255));
        canvas.Rectangle(x + 4, y + 1, x + 12, y + 6);
        break;
    case 6:   // view settings: an eye
        canvas.SetPenColor(RGB(40, 40, 40));
        canvas.SetBrushColor(RGB(255, 255, 255));
        canvas.Ellipse(x + 1, y + 4, x + 15, y + 12);
        canvas.SetBrushColor(RGB(30, 80, 200));
        canvas.Ellipse(x + 5, y + 5, x + 11, y + 11);
        break;
    case 16:   // copy: two sheets
        box(RGB(255, 255, 255), RGB(90, 90, 90));
        canvas.Rectangle(x + 5, y + 5, x + 15, y + 15);
        break;
    case 18:   // apertures: a pad
        canvas.SetPenColor(RGB(150, 80, 0));
        canvas.SetBrushColor(RGB(230, 160, 40));
        canvas.Ellipse(x + 2, y + 2, x + 14, y + 14);
        break;
    case 20:   // drill: a hole in a ring
        canvas.SetPenColor(RGB(60, 60, 60));
        canvas.SetBrushColor(RGB(200, 200, 200));
        canvas.Ellipse(x + 1, y + 1, x + 15, y + 15);
        canvas.SetBrushColor(RGB(0, 0, 0));
        canvas.Ellipse(x + 5, y + 5, x + 11, y + 11);
        break;
    case 21:   // end: a red cross
        canvas.SetPenColor(RGB(200, 0, 0));
        canvas.SetPenWidth(2);
        line(3, 3, 13, 13);
        line(13, 3, 3, 13);
        break;
    case 27:   // top side
    case 28:   // bottom side
        box(icon == 27 ? RGB(0, 160, 0) : RGB(0, 90, 200), RGB(40, 40, 40));
        break;
    case 25:   // an option off: an empty round button
    case 26:   // on: with its dot
        canvas.SetPenColor(RGB(90, 90, 90));
        canvas.SetBrushColor(RGB(255, 255, 255));
        canvas.Ellipse(x + 2, y + 2, x + 14, y + 14);
        if (icon == 26) {
            canvas.SetPenColor(RGB(0, 0, 0));
            canvas.SetBrushColor(RGB(0, 0, 0));
            canvas.Ellipse(x + 5, y + 5, x + 11, y + 11);
        }
        break;
    case 32:   // save: an arrow into a tray
        canvas.SetPenColor(RGB(20, 40, 100));
        canvas.SetPenWidth(2);
        line(8, 2, 8, 10);
        line(4, 7, 8, 11);
        line(12, 7, 8, 11);
        line(2, 13, 14, 13);
        break;
    case 29:   // a note
        box(RGB(255, 250, 200), RGB(120, 110, 60));
        canvas.SetPenColor(RGB(120, 110, 60));
        line(4, 5, 12, 5);
        line(4, 8, 12, 8);
        line(4, 11, 10, 11);
        break;
    case 15:   // dimension ruler: a rule with its graduation
        canvas.SetPenColor(RGB(120, 90, 0));
        canvas.SetBrushColor(RGB(250, 220, 90));
        canvas.Rectangle(x + 1, y + 5, x + 15, y + 12);
        for (int k = 3; k <= 13; k += 2) line(k, 5, k, k % 4 == 1 ? 9 : 7);
        break;
    case 17:   // measure: a line between two marked points
        canvas.SetPenColor(RGB(0, 90, 160));
        line(3, 12, 13, 4);
        canvas.SetBrushColor(RGB(255, 255, 255));
        canvas.Ellipse(x + 1, y + 10, x + 6, y + 15);
        canvas.Ellipse(x + 11, y + 2, x + 16, y + 7);
        break;
    case 34:   // design-rule check: a red cross over a track
        canvas.SetPenColor(RGB(0, 130, 0));
        canvas.SetPenWidth(3);
        line(1, 8, 14, 8);
        canvas.SetPenColor(RGB(220, 0, 0));
        canvas.SetPenWidth(2);
        line(4, 3, 11, 13);
        line(11, 3, 4, 13);
        break;
    case 35:   // data information: an "i" in a blue disc
        canvas.SetPenColor(RGB(0, 60, 160));
        canvas.SetBrushColor(RGB(0, 90, 210));
        canvas.Ellipse(x + 1, y + 1, x + 16, y + 16);
        canvas.SetPenColor(RGB(255, 255, 255));
        canvas.SetPenWidth(2);
        line(8, 7, 8, 12);
        line(8, 4, 8, 4);
        break;
    case 36:   // gap: two pads and the clearance between them
        canvas.SetPenColor(RGB(150, 80, 0));
        canvas.SetBrushColor(RGB(230, 160, 40));
        canvas.Rectangle(x + 1, y + 3, x + 5, y + 14);
        canvas.Rectangle(x + 11, y + 3, x + 15, y + 14);
        canvas.SetPenColor(RGB(200, 0, 0));
        line(5, 8, 10, 8);
        break;
    case 38:   // rectangle ruler: a box with its width marked
        canvas.SetPenColor(RGB(60, 60, 60));
        canvas.SetBrushStyle(platform::BrushStyle::Clear);
        canvas.Rectangle(x + 2, y + 5, x + 14, y + 14);
        canvas.SetPenColor(RGB(0, 90, 160));
        line(2, 2, 13, 2);
        break;
    default:
        box(RGB(200, 200, 200), RGB(90, 90, 90));
        break;
    }
    canvas.SetPenMode(mode);
    canvas.SetPenColor(pen);
    canvas.SetPenWidth(width);
    canvas.SetBrushColor(brush);
    canvas.SetBrushStyle(style);
}

// --------------------------------------------------------------- painting

namespace {

platform::FontInfo MenuFont()
{
    platform::FontInfo font;
    font.Name = "MS Pゴシック";
    font.Height = -15;
    return font;
}

// The caption's left edge, and the menu font, narrowed when the caption and
// its check mark would not end before the expander or the row's end.
int FitCaption(platform::Canvas& canvas, const MyFreeBox& menu, std::size_t k)
{
    const platform::Rect& r = menu.Rects[k];
    const int x = r.left + 2 + 20;
    const bool expander = k < menu.ExpanderIcon.size() && menu.ExpanderIcon[k] >= 0;
    const bool check = k < menu.CheckIcon.size() && menu.CheckIcon[k] >= 0;
    int room = (expander ? r.right - 20 : r.right) - 1 - x;
    if (check) room -= 5 + 16;
    canvas.SetFont(MenuFont());
    CondenseToFit(canvas, menu.Caption[k], room);
    return x;
}

} // namespace

int CondenseToFit(platform::Canvas& canvas, const std::string& text, int room, int narrowest)
{
    platform::FontInfo font = canvas.Font();
    font.Stretch = 100;
    canvas.SetFont(font);
    int width = canvas.TextWidth(text);
    if (width <= room || width <= 0) return width;
    // Rounding of the glyph widths: step down from the proportional guess.
    font.Stretch = std::clamp(100 * std::max(room, 0) / width, narrowest, 99);
    for (;;) {
        canvas.SetFont(font);
        width = canvas.TextWidth(text);
        if (width <= room || font.Stretch <= narrowest) return width;
        --font.Stretch;
    }
}

int CommandCheckLeft(platform::RasterCanvas& canvas, const MyFreeBox& menu, int row)
{
    const auto k = static_cast<std::size_t>(row);
    if (row < 0 || k >= menu.Rects.size() || k >= menu.Caption.size() || k >= menu.CheckIcon.size() || menu.CheckIcon[k] < 0) return -1;
    const int x = FitCaption(canvas, menu, k);
    return x + canvas.TextWidth(menu.Caption[k]) + 5;
}

void DrawCommandMenu(platform::RasterCanvas& canvas, const MyFreeBox& menu)
{
    constexpr Color face = RGB(236, 233, 216);
    // The system colour of inactive captions, as the classic scheme has it.
    constexpr Color inactiveCaption = RGB(191, 205, 219);
    canvas.Fill(face);
    canvas.SetFont(MenuFont());
    canvas.SetPenMode(platform::PenMode::Copy);
    canvas.SetPenWidth(1);
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(menu.Count, 0)), menu.Rects.size());
    for (std::size_t k = 0; k < n; ++k) {
        if (k >= menu.Caption.size() || menu.Caption[k].empty()) continue;
        const platform::Rect& r = menu.Rects[k];
        const bool enabled = k < menu.Enabled.size() && menu.Enabled[k];
        canvas.SetFontColor(0);
        canvas.SetPenColor(RGB(180, 180, 180));
        canvas.SetBrushStyle(platform::BrushStyle::Solid);
        canvas.SetBrushColor(face);
        const bool marked = static_cast<int>(k) == menu.Hover || (!menu.Current.empty() && menu.Id[k] == menu.Current);
        if (enabled && marked) {
            canvas.SetPenColor(RGB(0, 0, 128));
            canvas.SetBrushColor(inactiveCaption);
            canvas.Rectangle(r.left, r.top, r.right, r.bottom);
        }
        const int y = r.top + 2;
        DrawMenuIcon(canvas, k < menu.LeftIcon.size() ? menu.LeftIcon[k] : -1, r.left + 2, y);
        const int x = FitCaption(canvas, menu, k);
        canvas.SetBrushStyle(platform::BrushStyle::Clear);
        if (!enabled) {
            canvas.SetFontColor(RGB(255, 255, 255));
            canvas.TextOut(x + 1, y + 1, menu.Caption[k]);
            canvas.SetFontColor(RGB(128, 128, 128));
        }
        canvas.TextOut(x, y, menu.Caption[k]);
        DrawMenuIcon(canvas, k < menu.CheckIcon.size() ? menu.CheckIcon[k] : -1, x + canvas.TextWidth(menu.Caption[k]) + 5, y);
        DrawMenuIcon(canvas, k < menu.ExpanderIcon.size() ? menu.ExpanderIcon[k] : -1, r.right - 20, y);
    }
}

// ------------------------------------------------------------- status bar

std::string ToolHint(ToolButton tool)
{
    switch (tool) {
    case ToolButton::Gap: return " <ギャップ測定>  第１データを指定して下さい ...";
    case ToolButton::Ruler: return " <寸法定規> 縮小[マウス左ボタン] 回転[マウス中央ボタン] 拡大[マウス右ボタン]";
    case ToolButton::Measure: return " <メジャー> 第１ポイントを指定して下さい ...";
    case ToolButton::Info: return " <データ情報> データを指定して下さい ...";
    default:
        return " 【拡大縮小】 マウス[スクロールホイール]  キー[PageUp][PageDown][Home]  【スクロール】 キー[←][→][↑][↓]";
    }
}

int LayerTableLimit(ToolButton tool, int available, const std::string& current)
{
    int h = 0;
    switch (tool) {
    case ToolButton::Gap:
    case ToolButton::Info: h = available - 150; break;
    case ToolButton::Ruler: h = available - 130; break;
    default: h = static_cast<int>(std::trunc(available * 0.6)) - 10; break;
    }
    if (current == "SetView") h -= 40;
    return h;
}

std::string PointerPositionText(double x, double y)
{
    auto text = [](double v) { return std::isfinite(v) ? core::RoundToText(4, v) : std::string("0"); };
    return " X = " + text(x) + "  Y = " + text(y);
}

} // namespace mainwin
