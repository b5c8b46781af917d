#include "view/SubLists.h"

#include "view/LayerList.h"

namespace mainwin {

using platform::RGB;

MyFreeBox SubList;
std::int32_t SaveFormat = 0;

namespace {

void SetItem(MyFreeBox& l, int k, const char* caption, platform::Rect r, int leftIcon, int rightIcon)
{
    const auto i = static_cast<std::size_t>(k);
    l.Caption[i] = caption;
    l.Rects[i] = r;
    l.Style[i] = SelectableItem;
    l.LeftIcon[i] = leftIcon;
    l.ExpanderIcon[i] = rightIcon;   // the right icon
}

int OnOff(bool on) { return on ? IconOn : IconOff; }

} // namespace

void BuildSaveFormatList(MyFreeBox& l, platform::Canvas& m)
{
    InitParamList(l, 2);
    m.SetFont(platform::FontInfo{});
    const char* a = "テッセル２ (.tsn)";
    const char* b = "旧テッセル (.tso)";
    SetItem(l, 0, a, {20, 5, 20 + m.TextWidth(a) + 25, 23}, -1, IconSave);
    SetItem(l, 1, b, {20, 25, 20 + m.TextWidth(b) + 25, 43}, -1, IconSave);
}

void BuildViewOptionsList(MyFreeBox& l, platform::Canvas& m, const ViewOptions& o)
{
    InitParamList(l, 4);
    m.SetFont(platform::FontInfo{});
    const char* t0 = "塗潰し表示";
    const char* t1 = "輪郭表示";
    const char* t2 = "ドリルを記号で表示する";
    const char* t3 = "オートスクロール";
    const int right0 = 10 + m.TextWidth(t0) + 30;
    SetItem(l, 0, t0, {10, 5, right0, 23}, OnOff(o.PAINT), -1);
    SetItem(l, 1, t1, {right0, 5, right0 + m.TextWidth(t1) + 25, 23}, OnOff(!o.PAINT), -1);
    SetItem(l, 2, t2, {10, 25, 10 + m.TextWidth(t2) + 25, 43}, OnOff(o.DRILLCHR), -1);
    SetItem(l, 3, t3, {10, 45, 10 + m.TextWidth(t3) + 25, 63}, OnOff(o.AUTOSCR), -1);
}

void DrawSubList(platform::RasterCanvas& c, const MyFreeBox& l)
{
    ClearListPicture(c);
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(l.Count, 0)), l.Rects.size());
    for (std::size_t k = 0; k < n; ++k) {
        const platform::Rect& r = l.Rects[k];
        int x = r.left;
        const int y = r.top;
        const bool hovered = static_cast<int>(k) == l.Hover;
        if (hovered) {
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(NavyColor);
            c.FillRect({x, y, r.right, r.bottom});
        }
        if (l.LeftIcon[k] >= 0) {
            DrawMenuIcon(c, l.LeftIcon[k], x, y);
            x += 20;
        }
        c.SetBrushStyle(platform::BrushStyle::Clear);
        c.SetFontColor(hovered ? RGB(255, 255, 255) : RGB(0, 0, 0));
        if (!l.Caption[k].empty()) {
            c.TextOut(x, y, l.Caption[k]);
            x += c.TextWidth(l.Caption[k]) + 5;
        }
        if (l.ExpanderIcon[k] >= 0) DrawMenuIcon(c, l.ExpanderIcon[k], x, y);
    }
    const int w = c.Width(), h = c.Height();
    c.SetPenColor(EtchColor);
    c.MoveTo(2, h - 3);
    c.LineTo(w - 2, h - 3);
    c.SetPenColor(RGB(255, 255, 255));
    c.MoveTo(2, h - 2);
    c.LineTo(w - 2, h - 2);
}

int HitSubList(const MyFreeBox& l, int x, int y)
{
    const auto n = std::min<std::size_t>({static_cast<std::size_t>(std::max(l.Count, 0)), l.Rects.size(), l.Style.size()});
    for (std::size_t k = 0; k < n; ++k) {
        const platform::Rect& r = l.Rects[k];
        if (l.Style[k] == SelectableItem && x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(k);
    }
    return -1;
}

ViewOptionEffect ClickViewOption(MyFreeBox& l, int item, ViewOptions& o)
{
    if (l.Count < 4 || l.LeftIcon.size() < 4) return ViewOptionEffect::None;
    switch (item) {
    case 0:
    case 1:
        o.PAINT = item == 0;
        l.LeftIcon[0] = OnOff(o.PAINT);
        l.LeftIcon[1] = OnOff(!o.PAINT);
        return ViewOptionEffect::Redraw;
    case 2:
        o.DRILLCHR = !o.DRILLCHR;
        l.LeftIcon[2] = OnOff(o.DRILLCHR);
        l.Hover = -1;
        return ViewOptionEffect::Redraw;
    case 3:
        o.AUTOSCR = !o.AUTOSCR;
        l.LeftIcon[3] = OnOff(o.AUTOSCR);
        return ViewOptionEffect::Resize;
    default: return ViewOptionEffect::None;
    }
}

} // namespace mainwin
