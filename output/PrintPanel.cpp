#include "output/PrintPanel.h"

#include "core/Datas.h"
#include "core/TextHelpers.h"
#include "output/DataSheets.h"
#include "output/PrintEngine.h"
#include "view/LayerList.h"

#include <algorithm>
#include <cmath>

namespace output {

using platform::Canvas;
using platform::Color;
using platform::RasterCanvas;
using platform::Rect;
using platform::RGB;

MyFreeBox PrintPanel;
MyGridBox PrintLayerGrid;
MyBalloonBox PrintPopup;
std::string PrintWheelTarget;

namespace {

constexpr Color Grey = RGB(180, 180, 180);
constexpr Color DarkGrey = RGB(128, 128, 128);

int Layers() { return std::clamp<int>(core::LayerCount, 0, core::MaxLayers); }

bool Inside(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

template <class T>
const T* At(const std::vector<T>& v, int i)
{
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? &v[static_cast<std::size_t>(i)] : nullptr;
}

std::string SizeText(double mm) { return std::isfinite(mm) ? core::RoundToText(1, mm) : std::string("0"); }

std::string PaperCaption()
{
    return " " + SizeText(PrintSettings.HorzSize) + " x " + SizeText(PrintSettings.VertSize);
}

const core::MyLayerSet* OutlineLayerSet()
{
    const int o = PrintSettings.OutlineLayer;
    return o >= 1 && o <= Layers() ? core::LayerAt(o) : nullptr;
}

// Value cells a click changes: the only ones that light up with the checks.
bool Clickable(int item)
{
    switch (item) {
    case piPrinter:
    case piPaper:
    case piMode:
    case piMirror:
    case piScale:
    case piOutline: return true;
    default: return false;
    }
}

void SetItem(MyFreeBox& p, int k, const Rect& r, int state, const std::string& caption, int icon = -1)
{
    const auto i = static_cast<std::size_t>(k);
    p.Rects[i] = r;
    p.States[i] = state;
    p.Captions[i] = caption;
    p.Icons[i] = icon;
}

void EtchedLine(Canvas& c, int left, int right, int y)
{
    c.SetPenColor(Grey);
    c.MoveTo(left, y);
    c.LineTo(right, y);
    c.SetPenColor(RGB(255, 255, 255));
    c.MoveTo(left, y + 1);
    c.LineTo(right, y + 1);
}

void RaisedBox(Canvas& c, const Rect& r)
{
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(PanelFace);
    c.FillRect(r);
    c.SetPenColor(RGB(255, 255, 255));
    c.MoveTo(r.left, r.bottom - 1);
    c.LineTo(r.left, r.top);
    c.LineTo(r.right - 1, r.top);
    c.SetPenColor(DarkGrey);
    c.LineTo(r.right - 1, r.bottom - 1);
    c.LineTo(r.left, r.bottom - 1);
}

// Layers a..b of the list printed, every other loaded layer not.
void PrintRange(int a, int b)
{
    if (a > b) std::swap(a, b);
    for (int k = 1; k <= Layers(); ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = k >= a && k <= b ? 1 : 0;
}

int RowLayer(const MyGridBox& g, int row)
{
    const std::int32_t* layer = At(g.RowLayers, row);
    return layer && *layer >= 1 && *layer <= Layers() ? *layer : 0;
}

std::string OffsetCaption(int v) { return " " + std::to_string(v); }

// The text, or as much of it as fits in `room` pixels with "..." behind.
std::string FitText(Canvas& c, const std::string& text, int room)
{
    if (c.TextWidth(text) <= room) return text;
    return mainwin::FitFileName(c, text, room - c.TextWidth("..."));
}

} // namespace

// --------------------------------------------------------------- layout

PrintLayout LayoutPrintDialog(Canvas& m, int maxWidth)
{
    m.SetFont(platform::FontInfo{});
    int column = 280;
    auto need = [&](const char* heading, const std::string& value, int extra) {
        column = std::max(column, m.TextWidth(heading) + 25 + m.TextWidth(value) + 10 + extra);
    };
    for (const char* name : ColorModeNames) need("印刷モード", std::string(" ") + name, 0);
    need("用紙サイズ", PaperCaption(), 0);
    need("ミラー", " OFF", 0);
    need("スケール", " 500 %", 0);
    need("オフセットX", OffsetCaption(-1000), 62);
    need("オフセットY", OffsetCaption(-1000), 62);
    need("外形ファイル", " ファイルを指定して下さい", 0);
    need("N/P反転時にマスキングを合成", "", 0);
    for (int k = 1; k <= Layers(); ++k) {
        const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(k)];
        need("外形ファイル", " " + l.FileName, 0);
        // A list row: its check, its text, the flag columns and the scroll bar.
        column = std::max(column, 22 + m.TextWidth(LayerCaption(l)) + 6 + 2 * FlagColumnWidth + 16);
    }
    PrintLayout p;
    p.ClientWidth = std::clamp(SettingsLeft + column + 20, 880, std::max(880, maxWidth));
    p.ClientHeight = 680;
    const int right = p.ClientWidth - 20;
    p.List = {SettingsLeft, 241, right, 241 + ListHeight};
    p.Enter = {SettingsLeft, 463, right, 489};
    p.Sheets = {SettingsLeft, 599, right, 625};
    p.Close = {right - 100, p.ClientHeight - 38, right, p.ClientHeight - 12};
    const int a = p.ClientWidth - 80, b = p.ClientWidth - 48;
    p.Offsets = {Rect{a, 98, a + 28, 118}, Rect{b, 98, b + 28, 118}, Rect{a, 120, a + 28, 140}, Rect{b, 120, b + 28, 140}};
    return p;
}

// ---------------------------------------------------------------- panel

void BuildSettingsPanel(MyFreeBox& p, Canvas& m, const PrintLayout& layout)
{
    m.SetFont(platform::FontInfo{});
    p.Count = PanelItemCount;
    const auto n = static_cast<std::size_t>(PanelItemCount);
    p.Enabled.assign(n, true);
    p.Rects.assign(n, Rect{});
    p.Icons.assign(n, -1);
    p.Captions.assign(n, std::string());
    p.States.assign(n, isHeading);
    p.Hover = -1;
    const int cw = layout.ClientWidth, ch = layout.ClientHeight, right = cw - 20;
    auto headingRight = [&](const char* caption, int left) { return left + m.TextWidth(caption) + 25; };

    const int printerRight = headingRight("プリンター", 20);
    SetItem(p, piPrinterHead, {20, 10, printerRight, 30}, isHeading, "プリンター", icPrinter);
    SetItem(p, piPrinter, {printerRight, 10, 560, 30}, isValue, "");
    SetItem(p, piFooter, {20, ch - 50, 570, ch - 30}, isCheckOff, "");

    struct Row { int head, value; const char* caption; int icon, top, valueRight; };
    const Row rows[] = {
        {piPaperHead, piPaper, "用紙サイズ", icPaper, 10, right},
        {piModeHead, piMode, "印刷モード", icMode, 32, right},
        {piMirrorHead, piMirror, "ミラー", icMirror, 54, right},
        {piScaleHead, piScale, "スケール", icScale, 76, right},
        {piOffsetXHead, piOffsetX, "オフセットX", icOffsetX, 98, cw - 82},
        {piOffsetYHead, piOffsetY, "オフセットY", icOffsetY, 120, cw - 82},
        {piOutlineHead, piOutline, "外形ファイル", icOutline, 152, right},
    };
    for (const Row& r : rows) {
        const int split = headingRight(r.caption, SettingsLeft);
        SetItem(p, r.head, {SettingsLeft, r.top, split, r.top + 20}, isHeading, r.caption, r.icon);
        SetItem(p, r.value, {split, r.top, r.valueRight, r.top + 20}, isValue, "");
    }
    const char* mask = "N/P反転時にマスキングを合成";
    const char* combine = "外形ファイルを合成";
    SetItem(p, piMaskHead, {SettingsLeft, 174, headingRight(mask, SettingsLeft), 194}, isHeading, mask, icMask);
    SetItem(p, piCombineHead, {SettingsLeft, 196, headingRight(combine, SettingsLeft), 216}, isHeading, combine, icCombine);

    // The list's heading: the file column, then the two flag columns.
    const int flags = (Layers() > ListRows ? layout.List.right - 16 : layout.List.right) - 2 * FlagColumnWidth;
    SetItem(p, piListHead, {SettingsLeft, 221, flags, 241}, isRaised, " 出力ファイル");
    SetItem(p, piListFlags, {flags, 221, flags + 2 * FlagColumnWidth, 241}, isRaised, "");
    SetItem(p, piListLine, {SettingsLeft, 495, right, 499}, isLine, "-");
    SetItem(p, piSheetHead, {SettingsLeft, 503, right, 523}, isRaised, " データ詳細表", icSheets);
    const char* sheets[] = {"ガーバーデータ詳細表", "ドリルデータ詳細表", "アパーチャーリスト"};
    for (int k = 0; k < 3; ++k)
        SetItem(p, piGerberSheet + k, {SettingsLeft, 527 + 20 * k, right, 547 + 20 * k}, isCheckOff, sheets[k]);
    SetItem(p, piSheetLine, {SettingsLeft, 591, right, 595}, isLine, "-");
    SetItem(p, piBottomLine, {SettingsLeft, 632, right, 636}, isDoubleLine, "=");
    RefreshSettingsPanel(p);
}

void RefreshSettingsPanel(MyFreeBox& p)
{
    if (p.Count < PanelItemCount || p.Captions.size() < static_cast<std::size_t>(PanelItemCount)) return;
    const MyPrintSet& ps = PrintSettings;
    auto set = [&](int item, const std::string& caption) { p.Captions[static_cast<std::size_t>(item)] = caption; };
    auto check = [&](int item, bool on) { p.States[static_cast<std::size_t>(item)] = on ? isCheckOn : isCheckOff; };
    set(piPrinter, " " + ps.PrinterName);
    set(piFooter, "フッター：  " + FormatPrintFooter(""));
    check(piFooter, ps.Footer != 0);
    set(piPaper, PaperCaption());
    set(piMode, ps.ColorMode >= 0 && ps.ColorMode < static_cast<int>(ColorModeNames.size())
                    ? std::string(" ") + ColorModeNames[static_cast<std::size_t>(ps.ColorMode)]
                    : std::string());
    set(piMirror, ps.Mirror ? " ON" : " OFF");
    set(piScale, " " + std::to_string(ps.ScalePercent) + " %");
    set(piOffsetX, OffsetCaption(ps.OffsetX));
    set(piOffsetY, OffsetCaption(ps.OffsetY));
    if (const core::MyLayerSet* outline = OutlineLayerSet()) set(piOutline, " " + outline->FileName);
    else set(piOutline, Layers() > 0 ? " ファイルを指定して下さい" : "");
    check(piGerberSheet, ps.GerberSheet != 0);
    check(piDrillSheet, ps.DrillSheet != 0);
    check(piApertureSheet, ps.ApertureSheet != 0);
}

void DrawSettingsPanel(RasterCanvas& c, const MyFreeBox& p)
{
    mainwin::ClearListPicture(c);
    const auto n = std::min({static_cast<std::size_t>(std::max(p.Count, 0)), p.Rects.size(), p.States.size(), p.Captions.size(),
                             p.Icons.size(), p.Enabled.size()});
    const bool outlineMissing = Layers() > 0 && !OutlineLayerSet();
    for (std::size_t k = 0; k < n; ++k) {
        const Rect& r = p.Rects[k];
        if (Empty(r)) continue;
        const int item = static_cast<int>(k);
        const bool hovered = item == p.Hover && p.Enabled[k];
        const std::string& caption = p.Captions[k];
        c.SetBrushStyle(platform::BrushStyle::Solid);
        c.SetPenColor(Grey);
        c.SetFontColor(RGB(0, 0, 0));
        int x = r.left;
        switch (p.States[k]) {
        case isValue: {
            Color fill = RGB(255, 255, 255);
            if (item == piOutline && outlineMissing) fill = OutlineMissingRed;
            if (hovered) fill = PanelNavy;
            c.SetBrushColor(fill);
            c.Rectangle(r.left, r.top, r.right, r.bottom);
            c.SetFontColor(fill == RGB(255, 255, 255) ? RGB(0, 0, 0) : RGB(255, 255, 255));
            c.SetBrushStyle(platform::BrushStyle::Clear);
            c.TextOut(r.left + 2, r.top + 2, FitText(c, caption, r.right - r.left - 4));
            break;
        }
        case isCheckOff:
        case isCheckOn:
            if (hovered) {
                c.SetBrushColor(PanelNavy);
                c.FillRect(r);
                c.SetFontColor(RGB(255, 255, 255));
            }
            DrawPrintIcon(c, p.States[k] == isCheckOn ? icCheckOn : icCheckOff, x + 2, r.top + 2);
            c.SetBrushStyle(platform::BrushStyle::Clear);
            c.TextOut(x + 22, r.top + 2, caption);
            break;
        case isRaised:
            RaisedBox(c, r);
            if (p.Icons[k] >= 0) {
                DrawPrintIcon(c, p.Icons[k], x + 4, r.top + 2);
                x += 20;
            }
            if (item == piListFlags) {
                DrawPrintIcon(c, icCombine, r.left + (FlagColumnWidth - 16) / 2, r.top + 2);
                DrawPrintIcon(c, icMask, r.left + FlagColumnWidth + (FlagColumnWidth - 16) / 2, r.top + 2);
            }
            c.SetBrushStyle(platform::BrushStyle::Clear);
            c.TextOut(x + 2, r.top + 2, caption);
            break;
        case isLine:
            EtchedLine(c, r.left, r.right, r.top);
            break;
        case isDoubleLine:
            EtchedLine(c, r.left, r.right, r.top);
            EtchedLine(c, r.left, r.right, r.top + 3);
            break;
        default:   // a heading
            if (p.Icons[k] >= 0) DrawPrintIcon(c, p.Icons[k], x, r.top + 2);
            c.SetBrushStyle(platform::BrushStyle::Clear);
            c.TextOut(x + 20, r.top + 2, caption);
            break;
        }
    }
}

int HitPanelItem(const MyFreeBox& p, int x, int y)
{
    const auto n = std::min({static_cast<std::size_t>(std::max(p.Count, 0)), p.Rects.size(), p.Enabled.size()});
    for (std::size_t k = 0; k < n; ++k)
        if (p.Enabled[k] && Inside(p.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

bool HoverPanel(MyFreeBox& p, int x, int y)
{
    int item = HitPanelItem(p, x, y);
    if (item >= 0) {
        const std::int32_t* state = At(p.States, item);
        if (!Clickable(item) && !(state && (*state == isCheckOff || *state == isCheckOn))) item = -1;
    }
    if (item == p.Hover) return false;
    p.Hover = item;
    return true;
}

PrintAction PanelClick(MyFreeBox& p, int item, MouseButton button)
{
    PrintAction a;
    const Rect* r = At(p.Rects, item);
    if (!r) return a;
    MyPrintSet& ps = PrintSettings;
    if (item == piListHead || item == piListFlags) {
        if (button == MouseButton::Middle) return a;
        SetAllPrinted(button == MouseButton::Left ? 1 : 0);
        a.DrawList = a.Preview = true;
        return a;
    }
    if (button != MouseButton::Left) return a;
    auto toggle = [&](std::uint8_t& flag, bool preview) {
        flag = flag ? 0 : 1;
        a.DrawPanel = true;
        a.Preview = preview;
    };
    switch (item) {
    case piPrinter:
    case piPaper: a.PrinterSetup = true; break;
    case piFooter: toggle(ps.Footer, true); break;
    case piMirror: toggle(ps.Mirror, true); break;
    case piGerberSheet: toggle(ps.GerberSheet, false); break;
    case piDrillSheet: toggle(ps.DrillSheet, false); break;
    case piApertureSheet: toggle(ps.ApertureSheet, false); break;
    case piMode:
        a.Popup = "ColorMode";
        a.PopupAt = {r->left - 5, r->top + 10};
        break;
    case piScale:
        a.Popup = "Scale";
        a.PopupAt = {r->left + 40, r->bottom};
        break;
    case piOutline:
        if (Layers() < 1) break;
        a.Popup = "Layers";
        a.PopupAt = {r->left - 5, r->top + 10};
        break;
    default: break;
    }
    return a;
}

bool StepOffset(int button)
{
    if (button < 1 || button > 4) return false;
    MyPrintSet& ps = PrintSettings;
    const bool x = button <= 2;
    std::int32_t& offset = x ? ps.OffsetX : ps.OffsetY;
    const long long next = static_cast<long long>(offset) + (button % 2 == 1 ? -10 : 10);
    const double half = (x ? PrintArea.Width : PrintArea.Height) * 0.5;
    if (!(std::fabs(static_cast<double>(next)) <= half)) return false;
    offset = static_cast<std::int32_t>(next);
    return true;
}

// ------------------------------------------------------------------ icons

void DrawPrintIcon(Canvas& c, int icon, int x, int y)
{
    const platform::PenMode mode = c.GetPenMode();
    const Color pen = c.PenColor(), brush = c.BrushColor();
    const int width = c.PenWidth();
    const platform::BrushStyle style = c.GetBrushStyle();
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    auto line = [&](int x1, int y1, int x2, int y2) {
        c.MoveTo(x + x1, y + y1);
        c.LineTo(x + x2, y + y2);
    };
    auto box = [&](int l, int t, int r, int b, Color fill, Color edge) {
        c.SetBrushColor(fill);
        c.SetPenColor(edge);
        c.Rectangle(x + l, y + t, x + r, y + b);
    };
    constexpr Color ink = RGB(40, 40, 40), white = RGB(255, 255, 255);
    switch (icon) {
    case icCheckOff:
    case icCheckOn:
        box(2, 2, 15, 15, white, DarkGrey);
        if (icon == icCheckOn) {
            c.SetPenColor(RGB(0, 0, 0));
            c.SetPenWidth(2);
            line(4, 8, 7, 11);
            line(7, 11, 12, 4);
        }
        break;
    case icPaper:
        box(3, 1, 14, 16, white, ink);
        line(10, 1, 13, 4);
        break;
    case icMode:
        box(1, 2, 15, 14, white, ink);
        box(8, 2, 15, 14, ink, ink);
        break;
    case icScale:
        c.SetBrushColor(white);
        c.SetPenColor(ink);
        c.SetPenWidth(2);
        c.Ellipse(x + 1, y + 1, x + 11, y + 11);
        line(9, 9, 14, 14);
        break;
    case icMirror: {
        c.SetPenColor(ink);
        line(8, 1, 8, 15);
        c.SetBrushColor(ink);
        const platform::Point left[] = {{x + 6, y + 3}, {x + 6, y + 13}, {x + 1, y + 13}};
        c.Polygon(left);
        c.SetBrushColor(white);
        const platform::Point right[] = {{x + 10, y + 3}, {x + 10, y + 13}, {x + 15, y + 13}};
        c.Polygon(right);
        break;
    }
    case icPrinter:
        box(1, 6, 15, 13, RGB(200, 200, 200), RGB(70, 70, 70));
        box(4, 1, 12, 7, white, RGB(70, 70, 70));
        box(4, 10, 12, 15, white, RGB(70, 70, 70));
        break;
    case icOffsetX:
    case icOffsetY: {
        c.SetPenColor(RGB(0, 0, 160));
        c.SetBrushColor(RGB(0, 0, 160));
        if (icon == icOffsetX) {
            line(2, 8, 14, 8);
            const platform::Point a[] = {{x + 1, y + 8}, {x + 5, y + 4}, {x + 5, y + 12}};
            const platform::Point b[] = {{x + 15, y + 8}, {x + 11, y + 4}, {x + 11, y + 12}};
            c.Polygon(a);
            c.Polygon(b);
        } else {
            line(8, 2, 8, 14);
            const platform::Point a[] = {{x + 8, y + 1}, {x + 4, y + 5}, {x + 12, y + 5}};
            const platform::Point b[] = {{x + 8, y + 15}, {x + 4, y + 11}, {x + 12, y + 11}};
            c.Polygon(a);
            c.Polygon(b);
        }
        break;
    }
    case icSheets:
        box(2, 1, 14, 16, white, ink);
        c.SetPenColor(DarkGrey);
        for (int k = 4; k <= 12; k += 3) line(4, k, 12, k);
        break;
    case icCombine:
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetPenColor(RGB(0, 120, 0));
        c.Rectangle(x + 1, y + 1, x + 15, y + 15);
        c.SetPenColor(ink);
        line(8, 4, 8, 12);
        line(4, 8, 12, 8);
        break;
    case icOutline:
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetPenColor(RGB(0, 120, 0));
        c.SetPenWidth(2);
        c.Rectangle(x + 2, y + 2, x + 15, y + 15);
        break;
    case icMask:
        box(1, 1, 15, 15, ink, ink);
        box(4, 4, 12, 12, white, white);
        break;
    default:
        if (icon >= 10 && icon <= 16) {
            c.SetPenColor(ink);
            DrawShapeSymbol(c, icon, {x, y, x + 16, y + 16});
        }
        break;
    }
    c.SetPenMode(mode);
    c.SetPenColor(pen);
    c.SetPenWidth(width);
    c.SetBrushColor(brush);
    c.SetBrushStyle(style);
}

// ------------------------------------------------------------ layer list

void InitGridCells(MyGridBox& g, int width)
{
    g.ColCount = 3;
    g.RowCount = ListRows;
    g.DragRow = g.LastRow = g.EndRow = -1;
    const auto rows = static_cast<std::size_t>(ListRows);
    g.RowLayers.assign(rows, 0);
    g.Cells.assign(3, std::vector<Rect>(rows));
    g.Texts.assign(3, std::vector<std::string>(rows));
    g.States.assign(3, std::vector<std::int32_t>(rows, 0));
    const int first = std::max(0, width - 2 * FlagColumnWidth);
    const int lefts[] = {0, first, first + FlagColumnWidth, first + 2 * FlagColumnWidth};
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t r = 0; r < rows; ++r) {
            const int top = static_cast<int>(r) * ListRowHeight;
            g.Cells[c][r] = {lefts[c], top, lefts[c + 1], top + ListRowHeight};
        }
}

void FillPrintLayerGrid(MyGridBox& g, int scroll)
{
    scroll = std::clamp(scroll, 0, ListScrollMax());
    const auto rows = std::min<std::size_t>(g.RowLayers.size(), static_cast<std::size_t>(std::max(g.RowCount, 0)));
    if (g.Texts.size() < 3 || g.States.size() < 3) return;
    for (std::size_t r = 0; r < rows && r < g.Texts[0].size() && r < g.States[0].size(); ++r) {
        const int layer = scroll + static_cast<int>(r) + 1;
        const bool loaded = layer <= Layers();
        g.RowLayers[r] = loaded ? layer : 0;
        const core::MyLayerSet* l = loaded ? core::LayerAt(layer) : nullptr;
        g.Texts[0][r] = l ? LayerCaption(*l) : std::string();
        g.States[0][r] = l && l->Active == 1;
        g.States[1][r] = l && l->CombineOutline;
        g.States[2][r] = l && l->CombineMask;
    }
}

void DrawPrintLayerList(RasterCanvas& c, const MyGridBox& g)
{
    mainwin::ClearListPicture(c);
    if (g.Cells.size() < 3 || g.Texts.size() < 3 || g.States.size() < 3) return;
    for (int r = 0; r < g.RowCount; ++r) {
        if (RowLayer(g, r) == 0) continue;
        const auto k = static_cast<std::size_t>(r);
        const Rect& file = g.Cells[0][k];
        const bool printed = g.States[0][k] == 1;
        if (printed) {
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(PanelNavy);
            c.FillRect(file);
        }
        DrawPrintIcon(c, printed ? icCheckOn : icCheckOff, file.left + 2, file.top + 1);
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetFontColor(printed ? RGB(255, 255, 255) : RGB(0, 0, 0));
        c.TextOut(file.left + 22, file.top + 1, FitText(c, g.Texts[0][k], file.right - file.left - 24));
        for (std::size_t col = 1; col < 3; ++col) {
            const Rect& cell = g.Cells[col][k];
            DrawPrintIcon(c, g.States[col][k] == 1 ? icCheckOn : icCheckOff, cell.left + (cell.right - cell.left - 16) / 2,
                          cell.top + 1);
        }
    }
}

int ListScrollMax() { return std::max(0, Layers() - ListRows); }

int WheelScroll(int position, int notches) { return std::clamp(position - notches, 0, ListScrollMax()); }

ListCell HitListCell(const MyGridBox& g, int x, int y)
{
    for (std::size_t c = 0; c < g.Cells.size(); ++c)
        for (std::size_t r = 0; r < g.Cells[c].size(); ++r)
            if (Inside(g.Cells[c][r], x, y)) return {static_cast<int>(c), static_cast<int>(r)};
    return {};
}

void ListPress(MyGridBox& g, int x, int y)
{
    g.DragRow = g.LastRow = g.EndRow = -1;
    const ListCell cell = HitListCell(g, x, y);
    if ((cell.col == 0 || cell.col == 1) && RowLayer(g, cell.row) > 0) g.DragRow = cell.row;
}

bool ListMove(MyGridBox& g, int x, int y, bool leftHeld)
{
    if (!leftHeld || RowLayer(g, g.DragRow) == 0) return false;
    const ListCell cell = HitListCell(g, x, y);
    const int layer = RowLayer(g, cell.row);
    if (layer == 0 || cell.row == g.LastRow || cell.row == g.DragRow) return false;
    g.LastRow = cell.row;
    PrintRange(RowLayer(g, g.DragRow), layer);
    return true;
}

void ListRelease(MyGridBox& g, int x, int y, MouseButton button)
{
    const ListCell cell = HitListCell(g, x, y);
    const int layer = RowLayer(g, cell.row);
    if (button == MouseButton::Left && layer > 0) {
        core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(layer)];
        if (cell.col == 0 && cell.row != g.DragRow && RowLayer(g, g.DragRow) > 0) {
            PrintRange(RowLayer(g, g.DragRow), layer);
        } else if (cell.col == 0 && cell.row == g.DragRow) {
            // A click: the layer and its page group printed or not together.
            const int value = l.Active == 1 ? 0 : 1;
            const std::string letter = PageLetterOf(layer);
            for (int k = 1; k <= Layers(); ++k)
                if (k == layer || PageLetterOf(k) == letter) core::LayerTable[static_cast<std::size_t>(k)].Active = value;
        } else if (cell.col == 1) {
            l.CombineOutline = l.CombineOutline ? 0 : 1;
        } else if (cell.col == 2) {
            l.CombineMask = l.CombineMask ? 0 : 1;
        }
    } else if (button == MouseButton::Right && cell.col == 0) {
        SetAllPrinted(0);
    }
    g.EndRow = cell.row;
    g.DragRow = -1;
}

void SetAllPrinted(int value)
{
    for (int k = 1; k <= Layers(); ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = value;
}

// ----------------------------------------------------------------- popup

void InitPopupItems(MyBalloonBox& b, const std::string& kind, Canvas& m)
{
    m.SetFont(platform::FontInfo{});
    b = MyBalloonBox{};
    b.Kind = kind;
    std::vector<std::string> captions;
    if (kind == "Scale") {
        for (const int s : ScaleChoices) captions.push_back(std::to_string(s) + " %");
    } else if (kind == "ColorMode") {
        captions.assign(ColorModeNames.begin(), ColorModeNames.end());
    } else if (kind == "Layers") {
        captions.emplace_back();   // the empty choice
        // Here with a blank before the contents, unlike the list's rows.
        for (int k = 1; k <= Layers(); ++k) {
            const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(k)];
            captions.push_back(l.Contents.empty() ? l.FileName : l.FileName + " (" + l.Contents + ")");
        }
    } else {
        return;
    }
    int widest = 0;
    for (const std::string& c : captions) widest = std::max(widest, m.TextWidth(c));
    b.Count = static_cast<int>(captions.size());
    b.Captions = captions;
    b.Rects.assign(captions.size(), Rect{});
    int w = 0, h = 0;
    if (kind == "Scale") {
        w = std::max(120, widest + 20);
        for (int k = 0; k < b.Count; ++k) b.Rects[static_cast<std::size_t>(k)] = {5, 12 + 18 * k, w - 5, 30 + 18 * k};
        h = 12 + 18 * b.Count + 4;
    } else {
        const bool layers = kind == "Layers";
        w = std::max(layers ? 220 : 180, widest + 30);
        const int first = layers ? 1 : 0;
        for (int k = first; k < b.Count; ++k) {
            const int top = 2 + 20 * (k - first);
            b.Rects[static_cast<std::size_t>(k)] = {5, top, w - 16, top + 20};
        }
        h = 2 + 20 * (b.Count - first) + 2;
    }
    b.Bounds = {0, 0, w, h};
}

void PlacePopup(MyBalloonBox& b, int x, int y, int cw, int ch)
{
    const bool down = b.Kind == "Scale";
    int w = std::min(b.Bounds.right - b.Bounds.left, cw), h = std::min(b.Bounds.bottom - b.Bounds.top, ch);
    // Centred across the pointer, 20 pixels clear of the client's edges.
    auto across = [](int at, int size, int extent) {
        int offset = size / 2;
        if (at - offset < 20) offset = at - 20;
        if (at - offset + size > extent - 20) offset = at + size - (extent - 20);
        return at - offset;
    };
    // Whatever the pointer, the whole balloon stays in the client area.
    auto within = [](int start, int size, int extent) {
        return size <= extent - 40 ? std::clamp(start, 20, extent - 20 - size) : std::clamp(start, 0, std::max(0, extent - size));
    };
    int left = 0, top = 0;
    if (down) {
        left = within(across(x, w, cw), w, cw);
        top = within(y, h, ch);
    } else {
        left = within(x - w, w, cw);
        top = within(across(y, h, ch), h, ch);
    }
    b.Bounds = {left, top, left + w, top + h};
    // The pointer on the side facing (x, y), never past the box's corners.
    if (down) {
        const int tip = std::clamp(x - left, 6, std::max(6, w - 7));
        b.Outline = {{0, 10}, {tip - 5, 10}, {tip, 0}, {tip + 5, 10}, {w - 1, 10}, {w - 1, h - 2}, {0, h - 2}};
    } else {
        const int tip = std::clamp(y - top, 6, std::max(6, h - 7));
        b.Outline = {{0, 0}, {w - 11, 0}, {w - 11, tip - 5}, {w - 1, tip}, {w - 11, tip + 5}, {w - 11, h - 1}, {0, h - 1}};
    }
}

void DrawPopupList(RasterCanvas& c, const MyBalloonBox& b)
{
    c.Fill(PanelFace);
    c.SetFont(platform::FontInfo{});
    c.SetPenMode(platform::PenMode::Copy);
    c.SetPenWidth(1);
    c.SetPenColor(RGB(0, 0, 0));
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(RGB(255, 255, 255));
    c.Polygon(b.Outline);
    const auto n = std::min({static_cast<std::size_t>(std::max(b.Count, 0)), b.Rects.size(), b.Captions.size()});
    for (std::size_t k = 0; k < n; ++k) {
        const Rect& r = b.Rects[k];
        if (Empty(r)) continue;
        const bool hovered = static_cast<int>(k) == b.Hover;
        if (hovered) {
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(PanelNavy);
            c.FillRect(r);
        }
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetFontColor(hovered ? RGB(255, 255, 255) : RGB(0, 0, 0));
        c.TextOut(r.left + 3, r.top + 1, FitText(c, b.Captions[k], r.right - r.left - 4));
    }
}

int HitPopupItem(const MyBalloonBox& b, int x, int y)
{
    const auto n = std::min(static_cast<std::size_t>(std::max(b.Count, 0)), b.Rects.size());
    for (std::size_t k = 0; k < n; ++k)
        if (!Empty(b.Rects[k]) && Inside(b.Rects[k], x, y)) return static_cast<int>(k);
    return -1;
}

bool ApplyPopupChoice(const MyBalloonBox& b, int item)
{
    const Rect* r = At(b.Rects, item);
    if (!r || Empty(*r) || item >= b.Count) return false;
    MyPrintSet& ps = PrintSettings;
    if (b.Kind == "Scale" && item < static_cast<int>(ScaleChoices.size())) {
        ps.ScalePercent = ScaleChoices[static_cast<std::size_t>(item)];
    } else if (b.Kind == "ColorMode" && item < static_cast<int>(ColorModeNames.size())) {
        ps.ColorMode = item;
        ps.PageColor = item == pmInverted ? Black : White;
    } else if (b.Kind == "Layers" && item >= 1 && item <= Layers()) {
        ps.OutlineLayer = item;
    } else {
        return false;
    }
    return true;
}

std::string PrintQuestion(int pages)
{
    return "プリンター「" + PrintSettings.PrinterName + "」に\n\r" + std::to_string(pages) + " ページ分のデータを送ります。\n\rよろしいですか？";
}

} // namespace output
