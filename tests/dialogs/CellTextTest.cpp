// Values longer than their cells on the dialogs' pages, typed as a user
// would: each is drawn inside its own cell and no cell covers its
// neighbour; a value that fits the room the row has is drawn whole.
#include "core/DesignRules.h"
#include "core/ProgramSettings.h"
#include "dialogs/DataPages.h"
#include "dialogs/DrcPage.h"
#include "dialogs/FolderForm.h"
#include "tests/dialogs/ParaDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace dialogs;
using namespace paratest;

namespace {

constexpr platform::Color Marker = platform::RGB(1, 2, 3);

// Each byte of a text a block 8 pixels wide (an ASCII one `ascii` wide)
// and 15 high: the text looked for in the marker colour, any other in the
// font's.
struct BlockText final : platform::RasterTextHook {
    std::string marked;
    int ascii = 8;
    std::vector<std::string> drawn;   // every text drawn, in order
    int Width(std::string_view text) const
    {
        int w = 0;
        for (const char ch : text) w += static_cast<unsigned char>(ch) < 0x80 ? ascii : 8;
        return w;
    }
    void TextOut(platform::RasterCanvas& c, int x, int y, std::string_view text) override
    {
        drawn.emplace_back(text);
        const auto color = platform::RasterCanvas::ToPixel(text == marked ? Marker : c.Font().FontColor);
        const int right = std::min(c.Width(), x + Width(text));
        for (int row = std::max(y, c.WindowTop()); row < std::min(y + 15, c.WindowTop() + c.WindowRows()); ++row)
            for (int col = std::max(x, 0); col < right; ++col) c.Scanline(row)[col] = color;
    }
    platform::TextSize TextExtent(const platform::RasterCanvas&, std::string_view text) override { return {Width(text), 15}; }
};

struct Shown {
    const platform::RasterCanvas* picture;
    std::string text;                  // the value as drawn
    Rect cell;                         // its cell on the picture
    void (*paint)();                   // paints the picture again as it stands
    const MyFreeBox* items = nullptr;  // the page's items, none of which it may cover
};

Shown Item(int item)
{
    const auto k = static_cast<std::size_t>(item);
    return {&Para.Image1.Picture, ParaItems.Captions.at(k), ParaItems.Rects.at(k), RepaintPage, &ParaItems};
}

Shown TableCell(int col, int row)
{
    const auto c = static_cast<std::size_t>(col), r = static_cast<std::size_t>(row);
    return {&Para.Image3.Picture, ParaTable.CellTexts.at(c).at(r), ParaTable.CellRects.at(c).at(r), DrawParaTable};
}

// The table's part left of its scroll bar, in the table's pixels.
int VisibleRight()
{
    const Rect& table = Para.Image3.Bounds;
    return (Para.ScrollBar1.Visible ? Para.ScrollBar1.Bounds.left : table.right) - table.left;
}

// A cell's text in the cell and the cells after it, up to column `last`,
// left of the scroll bar.
Shown TableCells(int col, int last, int row)
{
    Shown s = TableCell(col, row);
    const Rect& end = ParaTable.CellRects.at(static_cast<std::size_t>(last)).at(static_cast<std::size_t>(row));
    s.cell.right = std::min(end.right, VisibleRight());
    return s;
}

// The edit box on its cell, left of the table's scroll bar.
void ExpectEditClearOfTheBar()
{
    ASSERT_TRUE(Para.Edit2.Visible && Para.ScrollBar1.Visible);
    EXPECT_LE(Para.Edit2.Bounds.right, Para.ScrollBar1.Bounds.left);
}

// The edit box over the offset typed into, laid out anew, and the value
// cells right of it with their captions whole in the window.
void ExpectOffsetsRow(int edited, std::initializer_list<int> right)
{
    const Rect& r = ParaItems.Rects.at(static_cast<std::size_t>(edited));
    EXPECT_EQ(Para.Edit1.Bounds.left, r.left + 2);
    EXPECT_EQ(Para.Edit1.Bounds.right, r.right - 2);
    for (int item : right) {
        const auto k = static_cast<std::size_t>(item);
        const Rect& cell = ParaItems.Rects.at(k);
        EXPECT_LE(PageTextWidth(ParaItems.Captions.at(k)), cell.right - cell.left - 3) << ParaItems.Captions.at(k);
        EXPECT_LE(cell.right, Para.ClientWidth);
    }
}

// Apertures enough for the table's scroll bar.
void ManyApertures()
{
    for (std::size_t d = 10; d < 30; ++d)
        core::Apertures[d] = {1, core::apCircle, 0.1 * static_cast<double>(d), 0, 0, {}, 0, 0, {}};
    core::MaxDCode = 29;
}

// A text typed into a table cell, then Enter: the edit box covers its cell
// while the value grows, and the edit ends without the page being built again.
Shown TypedIntoCell(int col, int row, const std::string& text)
{
    ClickCell(col, row);
    Edit2Change(text);
    const Rect& cell = ParaTable.CellRects.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row));
    EXPECT_EQ(Para.Edit2.Bounds.right, std::min(cell.right, VisibleRight()) + Para.Image3.Bounds.left - 2);
    Edit2KeyEnter();
    return TableCell(col, row);
}

// The design-rule page shown for the two layers.
void ShowDesignRules()
{
    folder::FolderMode = "DRC";
    folder::FormShow(1600, 1000);
}

class CellText : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = platform::GetRasterTextHook();
        platform::SetRasterTextHook(&blocks);
        FreshTables();
    }
    // The job as each case finds it: nothing typed yet.
    void FreshTables()
    {
        core::ResetTables();
        core::ResetApertureTable();
        core::ProjectBasics = core::MyBasicSet{};
        core::GerberFormat = core::DefaultFormat("Gerber");
        core::DrillFormat = core::DefaultFormat("Drill");
        for (int l = 1; l <= 2; ++l) {
            core::LayerTable[static_cast<std::size_t>(l)].FileName = "layer" + std::to_string(l) + ".gbr";
            core::LayerTable[static_cast<std::size_t>(l)].FileKind = core::fkRS274X;
        }
        core::LayerCount = 2;
        core::Apertures[10].Shape = core::apCircle;
        core::Apertures[10].Size1 = 1.0;
        core::Apertures[10].Used = 1;
        core::MaxDCode = 10;
        core::Tools[1].Used = 1;
        core::Tools[1].Diameter = "0.8";
        core::ToolCount = 1;
        core::DrcSettings = core::MyDrcSet{};
        Para = ParaWindow{};
        ParaTable.SelCol = ParaTable.SelRow = -1;
    }
    void TearDown() override
    {
        platform::SetRasterTextHook(previous);
        core::ResetTables();
        core::ResetApertureTable();
        core::DrcSettings = core::MyDrcSet{};
    }
    BlockText blocks;
    platform::RasterTextHook* previous = nullptr;
};

const std::string Huge = "123456789012345678901234567890";
const std::string LongName = "Yamada Taro, PCB design, second manufacturing section";

TEST_F(CellText, LongValuesStayInTheirCells)
{
    struct Case {
        const char* field;
        std::function<Shown()> type;   // shows the page, types, gives what to look at
        bool whole;                    // drawn whole, not cut
    };
    const Case cases[] = {
        // Offsets are never cut: their cells widen, what stands right of
        // them moves, the window widening where the page needs it.
        {"Gerber offset X", [] { Show("Format"); Type(GerberItems.offsetX, Huge); return Item(GerberItems.offsetX); }, true},
        {"Gerber offsets X and Y", [] {
             Show("Format");
             Type(GerberItems.offsetX, Huge);
             Type(GerberItems.offsetY, "-" + Huge);
             ExpectOffsetsRow(GerberItems.offsetY, {GerberItems.offsetX, GerberItems.zero, GerberItems.units, DrillItems.zero});
             return Item(GerberItems.offsetY);
         }, true},
        // Beside a huge X offset, an ordinary Y offset still has its room.
        {"drill offset Y", [] {
             Show("Format");
             Type(DrillItems.offsetX, Huge);
             Type(DrillItems.offsetY, "-12345.678");
             return Item(DrillItems.offsetY);
         }, true},
        {"drill offset X alone", [] { Show("FormatNC"); Type(DrillItems.offsetX, Huge); return Item(DrillItems.offsetX); }, true},
        {"Gerber tab offset", [] { ShowTab(2); Type(5, Huge); ExpectOffsetsRow(5, {9, 11, 13}); return Item(5); }, true},
        {"title", [] { ShowTab(0); Type(1, "Title: " + LongName + LongName); return Item(1); }, false},
        {"comment", [] { ShowTab(0); Type(3, "Comment: " + LongName + LongName); return Item(3); }, false},
        {"author", [] { ShowTab(0); Type(8, LongName); return Item(8); }, false},
        {"board width", [] { ShowTab(1); Type(4, Huge); return Item(4); }, true},
        {"file contents", [] { ShowTab(0); ClickCell(1, 0); Edit2Change(LongName); return TableCell(1, 0); }, false},
        {"aperture size", [] { ShowTab(2); const int row = RowOf(10); ClickCell(2, row); Edit2Change(Huge); return TableCell(2, row); }, false},
        {"drill diameter", [] { ShowTab(3); ClickCell(3, 0); Edit2Change(Huge); return TableCell(3, 0); }, false},
        {"design-rule gap", [] {
             ShowDesignRules();
             const Rect& r = folder::PanelItems.Rects.at(folder::diTopGap);
             folder::Image2MouseUp((r.left + r.right) / 2, (r.top + r.bottom) / 2, folder::MouseButton::Left);
             folder::Edit3Change(Huge + Huge);
             return Shown{&folder::Folder.Image2.Picture, folder::PanelItems.Captions.at(folder::diTopGap), r,
                          folder::DrawDrcPanel, &folder::PanelItems};
         }, true},
        // Typed numbers are whole in their cells once the edit ends: the
        // column widens as the value is stored.
        {"aperture size, edit ended", [] { ShowTab(2); return TypedIntoCell(2, RowOf(10), Huge); }, true},
        {"aperture sizes side by side", [] {
             core::Apertures[10].Shape = core::apRectangle;
             ShowTab(2);
             const int row = RowOf(10);
             TypedIntoCell(2, row, Huge);
             Edit2Change("987654321098765432109876543210");
             Edit2KeyEnter();
             EXPECT_LE(Button(ParaButton::swSave).Bounds.right, Para.ClientWidth);
             return TableCell(3, row);
         }, true},
        // A macro's name runs on over its empty size cells, and is
        // shortened keeping both ends where even they are too narrow.
        {"macro names told apart", [] {
             for (std::size_t d : {216, 220, 221})
                 core::Apertures[d] = {1, core::apMacro, 0, 0, 0, "ROUNDEDRECTD" + std::to_string(d), 0, 0, {}};
             ShowTab(2);
             return TableCells(1, 4, RowOf(220));
         }, true},
        {"long macro name", [this] {
             ManyApertures();
             core::Apertures[216] = {1, core::apMacro, 0, 0, 0, std::string(100, 'X') + "_ROUNDEDRECTD216", 0, 0, {}};
             ShowTab(2);
             Shown s = TableCells(1, 4, RowOf(216));
             blocks.drawn.clear();
             DrawParaTable();
             const auto macro =
                 std::find_if(blocks.drawn.begin(), blocks.drawn.end(), [](auto& t) { return t.starts_with("Macro ("); });
             s.text = macro == blocks.drawn.end() ? std::string() : *macro;
             EXPECT_TRUE(s.text.ends_with("D216)") && s.text.find("...") != std::string::npos) << s.text;
             return s;
         }, true},
        // The edit box of the last column stays left of the scroll bar, and
        // so do the texts.
        {"file remarks by the scroll bar", [] {
             for (std::size_t l = 1; l <= 25; ++l) core::LayerTable[l].FileName = "layer" + std::to_string(l) + ".gbr";
             core::LayerCount = 25;
             ShowTab(0);
             ClickCell(2, 0);
             Edit2Change("Remark: " + LongName + LongName);
             Edit2KeyEnter();
             ExpectEditClearOfTheBar();
             return TableCells(2, 2, 0);
         }, false},
        {"aperture size 3 by the scroll bar", [] {
             ManyApertures();
             core::Apertures[10].Size3 = 0.123;
             ShowTab(2);
             ClickCell(4, 0);
             ExpectEditClearOfTheBar();
             return TableCells(4, 4, 0);
         }, true},
        {"drill diameter, edit ended", [] { ShowTab(3); return TypedIntoCell(3, 0, Huge); }, true},
        {"file contents, edit ended", [] { ShowTab(0); return TypedIntoCell(1, 0, Huge); }, true},
        // ASCII as wide against kanji as in the real font (a digit about two
        // thirds of a kanji), where a column made for the headings is narrow.
        {"design-rule width, edit ended", [this] {
             blocks.ascii = 16;
             ShowDesignRules();
             const Point p = Middle(folder::DrcGrid.CellRects.at(1).at(0));
             folder::Image5MouseUp(p.x, p.y, folder::MouseButton::Left);
             folder::Edit2Change("0.000000000123456789012345");
             const Rect& cell = folder::DrcGrid.CellRects.at(1).at(0);
             EXPECT_EQ(folder::Folder.Edit2.Bounds.right, cell.right - 1);
             folder::Edit2KeyEnter();
             return Shown{&folder::Folder.ScrollBox3.Image.Picture, folder::DrcGrid.CellTexts.at(1).at(0), cell,
                          folder::DrawDrcGrid};
         }, true},
        {"design-rule gap, wide digits", [this] {
             blocks.ascii = 16;
             ShowDesignRules();
             const Rect& r = folder::PanelItems.Rects.at(folder::diBottomGap);
             folder::Image2MouseUp((r.left + r.right) / 2, (r.top + r.bottom) / 2, folder::MouseButton::Left);
             folder::Edit3Change(Huge);
             folder::Edit3KeyEnter();
             return Shown{&folder::Folder.Image2.Picture, folder::PanelItems.Captions.at(folder::diBottomGap),
                          folder::PanelItems.Rects.at(folder::diBottomGap), folder::DrawDrcPanel, &folder::PanelItems};
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        FreshTables();
        blocks.marked.clear();
        blocks.ascii = 8;
        const Shown s = c.type();
        // Painted again, as typed, with the value marked.
        blocks.marked = s.text;
        s.paint();
        // The picture and the value in the window.
        if (s.picture == &Para.Image3.Picture) {
            EXPECT_LE(Para.Image3.Bounds.right, Para.ClientWidth);
        }
        EXPECT_LE(s.cell.right, s.picture->Width());
        int inside = 0, outside = 0;
        for (int y = 0; y < s.picture->Height(); ++y)
            for (int x = 0; x < s.picture->Width(); ++x)
                if (s.picture->Pixel(x, y) == Marker) ++(Contains(s.cell, x, y) ? inside : outside);
        EXPECT_EQ(outside, 0);
        EXPECT_GT(inside, 0);
        if (c.whole) {
            EXPECT_EQ(inside, blocks.Width(s.text) * 15) << s.text;
        }
        if (s.items) {
            for (int k = 0; k < s.items->Count; ++k) {
                const Rect& other = s.items->Rects[static_cast<std::size_t>(k)];
                if (other == s.cell || other == Rect{}) continue;
                const bool overlap = other.left < s.cell.right && s.cell.left < other.right && other.top < s.cell.bottom &&
                                     s.cell.top < other.bottom;
                EXPECT_FALSE(overlap) << "item " << k << " " << s.items->Captions[static_cast<std::size_t>(k)];
            }
        }
    }
}

} // namespace
