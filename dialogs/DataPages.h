#pragma once
// The Gerber and drill tabs of the parameters dialog: below the format block,
// the aperture table with its list-file buttons and the RS-274X switch, and
// the tool table with the total of holes. Sizes, diameters and comments are
// edited in place and stored in the shared tables at each change.
#include "core/Datas.h"
#include "dialogs/FormatPage.h"

#include <string>

namespace dialogs {

// The caption and icon of an aperture shape in the table; empty (icon left
// as it is) for none and macros.
std::string ApertureShapeCaption(int shape, int& icon);

// What a size typed into column 2, 3 or 4 of the aperture table does.
enum class SizeVerdict {
    Stored,    // the field took the value (rounded, clamped)
    Ignored,   // the shape has no such size, or the value is out of its range: the old value stays
    Refused,   // a used aperture would lose its size: the old value stays and the user is told
};
// Bridges of thermals must stay below an eighth of the inner circumference
// (within 0.0004); polygons take 3 to 12 vertices; a used aperture keeps
// sizes above 0, so that it never looks like a free slot.
SizeVerdict ApplyTypedSize(core::MyAperture& a, int column, double value);

// The number of sizes a shape has (1 to 3); Enter walks through them.
int SizeCount(int shape);

inline constexpr const char* ApertureListFilter = "アパーチャーファイル (*.*)|*.*";
inline constexpr const char* ClearAperturesQuestion = "アパーチャーを初期化します。 よろしいですか？";
inline constexpr const char* UsedSizeMessage =
    "このDコードはデータで使われています。\n\rサイズには 0 より大きい値を入力してください。";
inline constexpr const char* UsedShapeMessage =
    "このDコードはデータで使われているため、形状を「なし」にはできません。";
inline constexpr const char* ListNotReadMessage = "アパーチャーリストとして読めるDコードがありませんでした。";

// Items 14 to 20 of the Gerber tab.
enum ApertureItem {
    aiCodeHead = 14, aiShapeHead, aiSize1Head, aiSize2Head, aiSize3Head, aiLine, aiAddSwitch, ApertureItemCount
};

class AperturePage final : public FormatTabPage {
public:
    AperturePage() : FormatTabPage(false) {}
    void Build() override;
    void ItemClick(int item) override;
    void TableClick(int x, int y) override;
    FieldKind Edit2Kind() const override { return FieldKind::Number; }
    void Edit2Opened() override;
    void Edit2Changed(const std::string& text) override;
    void Edit2Enter() override;
    void Choose(int k) override;
    void FillRows() override;
    void ButtonClick(ParaButton b) override;

private:
    // The size headings of the selected row's shape.
    void ShowHeadings();
    void Rebuild();
    bool refused_ = false;   // the text in the edit box was refused
    // The aperture being edited as the edit found it: what a size that is
    // not taken puts back.
    int beforeCode_ = 0;
    core::MyAperture before_;
};

// Items 14 to 21 of the drill tab.
enum ToolItem { tiToolHead = 14, tiSymbolHead, tiHitsHead, tiDiameterHead, tiCommentHead, tiLine, tiTotalLabel, tiTotal, ToolItemCount };

// The comments the hole-comment balloon offers, by the digit before each.
inline constexpr const char* HoleComments[] = {"ザグリマークC(第１穴)", "ガイド穴", "スルホール", "キリ穴",
                                               "長穴（スルホール）中心１穴", "長穴（キリ穴）中心１穴"};

class ToolPage final : public FormatTabPage {
public:
    ToolPage() : FormatTabPage(true) {}
    void Build() override;
    void TableClick(int x, int y) override;
    FieldKind Edit2Kind() const override;
    void Edit2Changed(const std::string& text) override;
    void Edit2Enter() override;
    void Choose(int k) override;
    void FillRows() override;
};

} // namespace dialogs
