#pragma once
// The input formats on the dialog's pages: the format confirmation of the
// open command (modes "Format", "Format274D", "FormatNC") and the format
// block the Gerber and drill tabs share. A block ties the items of a page
// to the fields of one format record; clicks open its balloons or Edit1,
// choices and typed offsets go straight into the record.
#include "core/Datas.h"
#include "dialogs/ParaForm.h"

#include <string>

namespace dialogs {

// The captions of a format's value cells.
std::string AbsIncCaption(const core::MyFormatPara& f);               // "ABS" / "INC"
std::string ZeroCaption(const core::MyFormatPara& f, bool drill);     // by the zeros omitted or kept
std::string UnitsCaption(const core::MyFormatPara& f);                // "mm" / "inch"

// The items of a page that show one format record; −1: not on the page.
struct FormatBlock {
    core::MyFormatPara* Format = nullptr;
    bool Drill = false;
    int Name = -1, AbsInc = -1, OffsetX = -1, OffsetY = -1, Zero = -1, NumberFormat = -1, Units = -1;

    bool Has(int item) const;
    // A click on one of its items: a balloon or Edit1.
    void Click(int item) const;
    // Choice k of the balloon opened from `item`: the field and the item's caption.
    void Choose(int item, int k) const;
    // The offset an item edits; nullptr for the other items.
    double* Offset(int item) const;
    // A typed offset on `item`: stored rounded to 5 decimals when it reads
    // as a number, else `before` (what the offset held when the edit began)
    // is put back; the caption shows what is stored.
    void Typed(int item, const std::string& text, double before) const;
    // Enter on an offset: the other offset.
    void Enter(int item) const;
    // The width the two offsets of `box` need side by side: each as wide
    // as laid out, or as its value; 0 when they are not on the page.
    int OffsetsWidth(const MyFreeBox& box) const;
    // The offsets side by side from x `left` to `right`: the first as wide
    // as it needs, the second the rest.
    void PlaceOffsets(MyFreeBox& box, int left, int right) const;
};

// The format page of the format modes: 29 items, the Gerber section
// (items 0 to 13) and the drill section (14 to 27) as the mode asks, and
// the double line above the buttons (28).
class FormatPage final : public ParaPage {
public:
    // The items laid out for the mode and the values they show.
    void Build() override;
    void ItemClick(int item) override;
    void Edit1Opened() override;
    void Edit1Changed(const std::string& text) override;
    void Edit1Enter() override;
    void Choose(int k) override;

    static const FormatBlock& GerberBlock();
    static const FormatBlock& DrillBlock();

private:
    const FormatBlock* BlockOf(int item) const;
    // The items and buttons at the window's width, the edit box left as it is.
    void LayOut();
    double before_ = 0;   // the offset being edited, as the edit found it
};

// The format block at the top of the Gerber or drill tab (items 0 to 13).
class FormatTabPage : public ParaPage {
public:
    explicit FormatTabPage(bool drill);
    void Build() override;
    void ItemClick(int item) override;
    void Edit1Opened() override;
    void Edit1Changed(const std::string& text) override;
    void Edit1Enter() override;
    void Choose(int k) override;

    const FormatBlock& Block() const { return block_; }

private:
    // Items 0 to 13 at the window's width; the page's other items stay.
    void LayOutBlock();
    FormatBlock block_;
    double before_ = 0;   // the offset being edited, as the edit found it
};

} // namespace dialogs
