#include "dialogs/FormatPage.h"

#include "core/TextHelpers.h"
#include "dialogs/PagePainters.h"

#include <algorithm>

namespace dialogs {

using core::MyFormatPara;

std::string AbsIncCaption(const MyFormatPara& f) { return f.AbsInc != 0 ? "INC" : "ABS"; }

std::string ZeroCaption(const MyFormatPara& f, bool drill)
{
    if (drill) return f.Zero != 0 ? "Leading Zero" : "Trailing Zero";
    if (f.Zero == 0) return "Omit Leading";
    if (f.Zero == 1) return "Omit Trailing";
    return {};
}

std::string UnitsCaption(const MyFormatPara& f) { return f.Units != 0 ? "inch" : "mm"; }

// ------------------------------------------------------------ format block

namespace {

std::string& CaptionOf(int item) { return ParaItems.Captions[static_cast<std::size_t>(item)]; }
const Rect& RectOf(int item) { return ParaItems.Rects[static_cast<std::size_t>(item)]; }

// Each offset cell as laid out, before it widens to its value.
constexpr int OffsetWidth = 83;

// Opens a balloon beside the item (its tip at the item's right end) or below it.
void BalloonBeside(int item, const char* key)
{
    ParaItems.Clicked = item;
    const Rect& r = RectOf(item);
    ShowChoiceBalloon(r.right, r.top + 9, key);
}

void BalloonBelow(int item, const char* key, bool drill = false)
{
    ParaItems.Clicked = item;
    const Rect& r = RectOf(item);
    ShowChoiceBalloon(r.left + 40, r.bottom, key, drill);
}

// Our fonts are wider than the layout was made for: the label columns grow
// to their captions, and the values' column to the offsets, which are never
// cut; what stands right of it moves along. The values at the page's right
// edge keep the width they have in the narrowest window and room for their
// captions, so that a page too narrow for them asks for a wider window
// (FitWindowToPage).
void FitColumns(MyFreeBox& box, int pageWidth, std::initializer_list<const FormatBlock*> blocks)
{
    constexpr int NarrowestEdge = 640 - 30;
    const int edge = pageWidth - 30;
    const int extra = WidenColumn(box, 30, 130, edge, PageTextWidth);
    WidenColumn(box, 320 + extra, 420 + extra, edge, PageTextWidth);
    const int valueLeft = 132 + extra, valueRight = 300 + extra;
    int shift = 0;
    for (const FormatBlock* b : blocks) shift = std::max(shift, b->OffsetsWidth(box) - (valueRight - valueLeft));
    for (std::size_t k = 0; k < static_cast<std::size_t>(box.Count); ++k) {
        Rect& r = box.Rects[k];
        if (r == Rect{}) continue;
        if (r.left >= valueRight) {
            const bool atEdge = r.right >= edge;
            const int least = atEdge ? std::max(NarrowestEdge - r.left, PageTextWidth(box.Captions[k]) + 6) : r.right - r.left;
            r.left += shift;
            r.right = atEdge ? std::max(edge, r.left + least) : r.left + least;
        } else if (r.left >= valueLeft && r.right == valueRight) {
            r.right += shift;
        }
    }
    for (const FormatBlock* b : blocks) b->PlaceOffsets(box, valueLeft, valueRight + shift);
}

} // namespace

bool FormatBlock::Has(int item) const
{
    return item >= 0 && (item == Name || item == AbsInc || item == OffsetX || item == OffsetY || item == Zero ||
                         item == NumberFormat || item == Units);
}

void FormatBlock::Click(int item) const
{
    if (!Has(item) || item >= ParaItems.Count) return;
    if (item == Name) BalloonBeside(item, Drill ? "NCFormat" : "GBFormat");
    else if (item == AbsInc) BalloonBeside(item, "ABSINC");
    else if (item == OffsetX || item == OffsetY) OpenEdit1(item);
    else if (item == Zero) BalloonBelow(item, "ZERO", Drill);
    else if (item == NumberFormat) BalloonBelow(item, "NUM-FORMAT");
    else if (item == Units) BalloonBelow(item, "UNIT");
}

void FormatBlock::Choose(int item, int k) const
{
    if (!Has(item) || item >= ParaItems.Count || k < 0 || k >= ChoiceBalloon.Count) return;
    MyFormatPara& f = *Format;
    const std::string& choice = ChoiceBalloon.Captions[static_cast<std::size_t>(k)];
    if (item == Name) {
        f.FormatName = choice;
    } else if (item == AbsInc) {
        f.AbsInc = k;
    } else if (item == Zero) {
        f.Zero = k;
    } else if (item == Units) {
        f.Units = k;
    } else if (item == NumberFormat) {
        f.NumberFormat = choice;
        // The drill reader takes its digits from the text itself.
        if (!Drill) {
            f.IntDigits = 3;
            f.DecDigits = 2 + k;
        }
    } else {
        return;
    }
    CaptionOf(item) = choice;
}

double* FormatBlock::Offset(int item) const
{
    if (item < 0 || item >= ParaItems.Count) return nullptr;
    if (item == OffsetX) return &Format->OffsetX;
    if (item == OffsetY) return &Format->OffsetY;
    return nullptr;
}

void FormatBlock::Typed(int item, const std::string& text, double before) const
{
    double* field = Offset(item);
    if (!field) return;
    double v = 0;
    // A text that is no number leaves the offset as the edit found it, not
    // as an earlier key left it.
    *field = ParseFieldNumber(text, v) ? core::RoundTo(5, v) : before;
    CaptionOf(item) = NumberCaption(*field);
}

namespace {

// The width an offset cell needs for its value.
int OffsetNeed(const MyFreeBox& box, int item)
{
    return std::max(OffsetWidth, PageTextWidth(box.Captions[static_cast<std::size_t>(item)]) + 6);
}

bool OnPage(const MyFreeBox& box, int item)
{
    return item >= 0 && item < box.Count && box.Rects[static_cast<std::size_t>(item)] != Rect{};
}

} // namespace

int FormatBlock::OffsetsWidth(const MyFreeBox& box) const
{
    if (!OnPage(box, OffsetX) || !OnPage(box, OffsetY)) return 0;
    return OffsetNeed(box, OffsetX) + 2 + OffsetNeed(box, OffsetY);
}

void FormatBlock::PlaceOffsets(MyFreeBox& box, int left, int right) const
{
    if (!OnPage(box, OffsetX) || !OnPage(box, OffsetY)) return;
    Rect& x = box.Rects[static_cast<std::size_t>(OffsetX)];
    Rect& y = box.Rects[static_cast<std::size_t>(OffsetY)];
    x.left = left;
    x.right = left + OffsetNeed(box, OffsetX);
    y.left = x.right + 2;
    y.right = std::max(right, y.left + OffsetNeed(box, OffsetY));
}

void FormatBlock::Enter(int item) const
{
    if (item == OffsetX) OpenEdit1(OffsetY);
    else if (item == OffsetY) OpenEdit1(OffsetX);
}

// ------------------------------------------------------------- format page

const FormatBlock& FormatPage::GerberBlock()
{
    static const FormatBlock block{&core::GerberFormat, false, -1, 4, 6, 7, 9, 11, 13};
    return block;
}

const FormatBlock& FormatPage::DrillBlock()
{
    static const FormatBlock block{&core::DrillFormat, true, -1, 18, 20, 21, 23, 25, 27};
    return block;
}

const FormatBlock* FormatPage::BlockOf(int item) const
{
    if (GerberBlock().Has(item)) return &GerberBlock();
    if (DrillBlock().Has(item)) return &DrillBlock();
    return nullptr;
}

void FormatPage::Build()
{
    HideEdits();
    LayOut();
}

void FormatPage::LayOut()
{
    const std::string& mode = ParaRequest.Mode;
    const int W = Para.ClientWidth, H = Para.ClientHeight;
    InitFreeBox(ParaItems, 29);
    if (mode == "Format" || mode == "Format274D") {
        const MyFormatPara& g = core::GerberFormat;
        SetItem(ParaItems, 0, {30, 20, W - 30, 40}, stRaised, " ガーバーデータ", 2);
        SetItem(ParaItems, 1, {30, 45, 130, 63}, stPlain, "フォーマット");
        SetItem(ParaItems, 2, {132, 45, 300, 63}, stCell, "GERBER");
        SetItem(ParaItems, 3, {30, 65, 130, 83}, stPlain, "座標基準");
        SetItem(ParaItems, 4, {132, 65, 300, 83}, stCell, AbsIncCaption(g));
        SetItem(ParaItems, 5, {30, 85, 130, 103}, stRaised, "オフセット XY");
        SetItem(ParaItems, 6, {132, 85, 215, 103}, stCell, NumberCaption(g.OffsetX));
        SetItem(ParaItems, 7, {217, 85, 300, 103}, stCell, NumberCaption(g.OffsetY));
        SetItem(ParaItems, 8, {320, 45, 420, 63}, stPlain, " ゼロサプレス");
        SetItem(ParaItems, 9, {422, 45, W - 30, 63}, stCell, ZeroCaption(g, false));
        SetItem(ParaItems, 10, {320, 65, 420, 83}, stRaised, " 数値書式");
        SetItem(ParaItems, 11, {422, 65, W - 30, 83}, stCell, g.NumberFormat);
        SetItem(ParaItems, 12, {320, 85, 420, 103}, stPlain, " 単位");
        SetItem(ParaItems, 13, {422, 85, W - 30, 103}, stCell, UnitsCaption(g));
    }
    if (mode == "Format" || mode == "FormatNC") {
        const MyFormatPara& d = core::DrillFormat;
        const int y0 = mode == "Format" ? 125 : 20;
        SetItem(ParaItems, 14, {30, y0, W - 30, y0 + 20}, stRaised, " ドリルデータ", 3);
        SetItem(ParaItems, 15, {30, y0 + 25, 130, y0 + 43}, stPlain, "フォーマット");
        SetItem(ParaItems, 16, {132, y0 + 25, 300, y0 + 43}, stCell, d.FormatName);
        SetItem(ParaItems, 17, {30, y0 + 45, 130, y0 + 63}, stPlain, "座標基準");
        SetItem(ParaItems, 18, {132, y0 + 45, 300, y0 + 63}, stCell, AbsIncCaption(d));
        SetItem(ParaItems, 19, {30, y0 + 65, 130, y0 + 83}, stRaised, "オフセット XY");
        SetItem(ParaItems, 20, {132, y0 + 65, 215, y0 + 83}, stCell, NumberCaption(d.OffsetX));
        SetItem(ParaItems, 21, {217, y0 + 65, 300, y0 + 83}, stCell, NumberCaption(d.OffsetY));
        SetItem(ParaItems, 22, {320, y0 + 25, 420, y0 + 43}, stPlain, " ゼロモード");
        SetItem(ParaItems, 23, {422, y0 + 25, W - 30, y0 + 43}, stCell, ZeroCaption(d, true));
        SetItem(ParaItems, 24, {320, y0 + 45, 420, y0 + 63}, stRaised, " 数値書式");
        SetItem(ParaItems, 25, {422, y0 + 45, W - 30, y0 + 63}, stCell, d.NumberFormat);
        SetItem(ParaItems, 26, {320, y0 + 65, 420, y0 + 83}, stPlain, " 単位");
        SetItem(ParaItems, 27, {422, y0 + 65, W - 30, y0 + 83}, stCell, UnitsCaption(d));
    }
    SetItem(ParaItems, 28, {30, H - 60, W - 30, H - 55}, stPlain, "=");
    FitColumns(ParaItems, W, {&GerberBlock(), &DrillBlock()});

    const ButtonState& cancel = Button(ParaButton::sw5);
    const int bw = cancel.Bounds.right - cancel.Bounds.left;
    PlaceButton(ParaButton::sw5, W - bw - 40, H - 50);
    const ButtonState& ok = Button(ParaButton::sw1);
    PlaceButton(ParaButton::sw1, Button(ParaButton::sw5).Bounds.left - (ok.Bounds.right - ok.Bounds.left), H - 50);
    Button(ParaButton::sw1).Visible = Button(ParaButton::sw5).Visible = true;
}

void FormatPage::ItemClick(int item)
{
    if (const FormatBlock* b = BlockOf(item)) b->Click(item);
}

void FormatPage::Edit1Opened()
{
    const FormatBlock* b = BlockOf(ParaItems.Clicked);
    if (const double* field = b ? b->Offset(ParaItems.Clicked) : nullptr) before_ = *field;
}

void FormatPage::Edit1Changed(const std::string& text)
{
    const FormatBlock* b = BlockOf(ParaItems.Clicked);
    if (!b) return;
    b->Typed(ParaItems.Clicked, text, before_);
    // The value shown whole: its cell, and the edit box on it, fit it again.
    LayOut();
    PlaceEdit1OnItem();
    RepaintPage();
}

void FormatPage::Edit1Enter()
{
    if (const FormatBlock* b = BlockOf(ParaItems.Clicked)) b->Enter(ParaItems.Clicked);
}

void FormatPage::Choose(int k)
{
    const FormatBlock* b = BlockOf(ParaItems.Clicked);
    if (!b) return;
    b->Choose(ParaItems.Clicked, k);
    LayOut();
}

// ------------------------------------------------------------ format tabs

FormatTabPage::FormatTabPage(bool drill)
    : block_{drill ? &core::DrillFormat : &core::GerberFormat, drill, 1, 3, 5, 6, 9, 11, 13}
{
}

void FormatTabPage::Build()
{
    InitFreeBox(ParaItems, 14);
    LayOutBlock();
}

void FormatTabPage::LayOutBlock()
{
    constexpr int Count = 14;
    const int W = Para.ClientWidth;
    const MyFormatPara& f = *block_.Format;
    // Laid out apart, so that the page's other items are neither measured nor moved.
    MyFreeBox items;
    InitFreeBox(items, Count);
    auto row = [](int r) { return 35 + 20 * r; };
    auto label = [&](int item, int left, int r, const char* caption) {
        SetItem(items, item, {left, row(r), left + 100, row(r) + 18}, stPlain, caption);
    };
    label(0, 30, 0, "　フォーマット");
    SetItem(items, 1, {132, row(0), 300, row(0) + 18}, stCell, f.FormatName);
    label(2, 30, 1, "　座標基準");
    SetItem(items, 3, {132, row(1), 300, row(1) + 18}, stCell, AbsIncCaption(f));
    label(4, 30, 2, "　オフセットXY");
    SetItem(items, 5, {132, row(2), 215, row(2) + 18}, stCell, NumberCaption(f.OffsetX));
    SetItem(items, 6, {217, row(2), 300, row(2) + 18}, stCell, NumberCaption(f.OffsetY));
    label(8, 320, 0, block_.Drill ? "　ゼロモード" : "　ゼロサプレス");
    SetItem(items, 9, {422, row(0), W - 30, row(0) + 18}, stCell, ZeroCaption(f, block_.Drill));
    label(10, 320, 1, "　数値書式");
    SetItem(items, 11, {422, row(1), W - 30, row(1) + 18}, stCell, f.NumberFormat);
    label(12, 320, 2, "　単位");
    SetItem(items, 13, {422, row(2), W - 30, row(2) + 18}, stCell, UnitsCaption(f));
    FitColumns(items, W, {&block_});
    if (ParaItems.Count < Count) ResizeFreeBox(ParaItems, Count);
    for (int k = 0; k < Count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        SetItem(ParaItems, k, items.Rects[i], items.Styles[i], items.Captions[i], items.LeftIcons[i]);
    }
}

void FormatTabPage::ItemClick(int item) { block_.Click(item); }
void FormatTabPage::Edit1Opened()
{
    if (const double* field = block_.Offset(ParaItems.Clicked)) before_ = *field;
}
void FormatTabPage::Edit1Changed(const std::string& text)
{
    if (!block_.Offset(ParaItems.Clicked)) return;
    block_.Typed(ParaItems.Clicked, text, before_);
    // The value shown whole: its cell, and the edit box on it, fit it again.
    LayOutBlock();
    PlaceEdit1OnItem();
    RepaintPage();
}
void FormatTabPage::Edit1Enter() { block_.Enter(ParaItems.Clicked); }
void FormatTabPage::Choose(int k)
{
    block_.Choose(ParaItems.Clicked, k);
    LayOutBlock();
}

} // namespace dialogs
