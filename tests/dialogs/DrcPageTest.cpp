// The design-rule page of the folder dialog without a display: defaults
// from the layers' contents, the grid and the side fields, clicks, right
// clicks, typed numbers, the layer list and what the buttons leave.
#include "core/Datas.h"
#include "core/DesignRules.h"
#include "dialogs/DrcPage.h"
#include "dialogs/PagePainters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <tuple>

using namespace dialogs;
using namespace dialogs::folder;
using core::DrcSettings;

namespace {

platform::Point Middle(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class DrcPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        DrcSettings = core::MyDrcSet{};
        Layers({"部品面パターン", "部品面シルク", "部品面レジスト", "半田面パターン"});
    }
    void TearDown() override
    {
        core::LayerCount = 0;
        DrcSettings = core::MyDrcSet{};
        std::setlocale(LC_ALL, "C");
    }
    static void Layers(const std::vector<std::string>& contents)
    {
        core::LayerCount = static_cast<int>(contents.size());
        for (int i = 1; i <= core::LayerCount; ++i) {
            core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(i)];
            l.FileName = "l" + std::to_string(i) + ".gbr";
            l.Contents = contents[static_cast<std::size_t>(i - 1)];
            l.Color = i == 1 ? 0 : platform::RGB(255, 0, 0);
        }
    }
    static void Show()
    {
        FolderMode = "DRC";
        FormShow(1600, 1000);
    }
    static void Panel(int item)
    {
        const platform::Point p = Middle(PanelItems.Rects.at(static_cast<std::size_t>(item)));
        Image2MouseUp(p.x, p.y, MouseButton::Left);
    }
    static void Cell(int col, int row, MouseButton button = MouseButton::Left)
    {
        const platform::Point p = Middle(DrcGrid.CellRects.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row)));
        Image5MouseUp(p.x, p.y, button);
    }
    static const std::string& Text(int col, int row) { return DrcGrid.CellTexts.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row)); }
    static const std::string& Caption(int item) { return PanelItems.Captions.at(static_cast<std::size_t>(item)); }
};

TEST_F(DrcPage, DefaultsFromTheLayersContents)
{
    const struct {
        std::vector<std::string> contents;
        std::vector<double> widths;
        std::vector<std::int32_t> angles;
        int topSilk, topResist, topOn, bottomSilk, bottomResist;
        double bottomGap;
    } cases[] = {
        {{"部品面パターン", "部品面シルク", "部品面レジスト", "半田面パターン"},
         {0, 0.2, 0.2, 0, 0.2}, {0, 1, 0, 0, 1}, 2, 3, 1, 0, 0, 0},
        // A bottom resist without a bottom silk layer is not compared.
        {{"半田面レジスト", "部品面シルク"}, {0, 0, 0.2}, {0, 0, 0}, 2, 0, 0, 0, 0, 0},
        {{"外形", "半田面シルク", "半田面レジスト", "半田面シルク"}, {0, 0, 0.2, 0, 0.2}, {0, 0, 0, 0, 0}, 0, 0, 0, 2, 3, 0.15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents.size());
        DrcSettings = core::MyDrcSet{};
        Layers(c.contents);
        Show();
        const core::MyDrcSet& d = DrcSettings;
        EXPECT_EQ(d.Count, core::LayerCount);
        EXPECT_EQ(d.MinWidth, c.widths);
        EXPECT_EQ(d.AngleCheck, c.angles);
        // The bottom check is the user's to switch on.
        EXPECT_EQ(std::tie(d.TopSilk, d.TopResist, d.TopOn, d.TopGap, d.BottomSilk, d.BottomResist, d.BottomGap, d.BottomOn),
                  std::make_tuple(c.topSilk, c.topResist, c.topOn, 0.15, c.bottomSilk, c.bottomResist, c.bottomGap, 0));
    }

    // Another job of as many layers keeps what was set; another count does not.
    DrcSettings.MinWidth[1] = 0.5;
    DrcSettings.BottomOn = 1;
    Layers({"a", "b", "c", "d"});
    Show();
    EXPECT_EQ(DrcSettings.MinWidth[1], 0.5);
    EXPECT_EQ(DrcSettings.BottomOn, 1);
    Layers({"a", "b", "c"});
    Show();
    EXPECT_EQ(DrcSettings.MinWidth, (std::vector<double>(4, 0.0)));
    // No layers: nothing is rebuilt, no grid.
    core::LayerCount = 0;
    Show();
    EXPECT_EQ(DrcSettings.Count, 3);
    EXPECT_FALSE(Folder.ScrollBox3.Visible);
}

TEST_F(DrcPage, GridColumnsAndSideFields)
{
    Show();
    ASSERT_EQ(PanelItems.Count, 18);
    ASSERT_EQ(DrcGrid.Rows, 4);
    ASSERT_EQ(DrcGrid.Cols, 3);
    const char* const texts[] = {"l1.gbr (部品面パターン)|0.2|ON", "l2.gbr (部品面シルク)|0.2|", "l3.gbr (部品面レジスト)||",
                                 "l4.gbr (半田面パターン)|0.2|ON"};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(DrcGrid.RowData[static_cast<std::size_t>(r)], r + 1);
        EXPECT_EQ(Text(0, r) + "|" + Text(1, r) + "|" + Text(2, r), texts[r]);
    }
    // Every heading fits its band.
    for (int item : {1, 2, 3, 6, 7, 8}) {
        const Rect& r = PanelItems.Rects[static_cast<std::size_t>(item)];
        EXPECT_LE(PageTextWidth(Caption(item)) + 4, r.right - r.left) << item;
    }

    const std::pair<int, std::string> captions[] = {{diTopResist, " l3.gbr (部品面レジスト)"}, {diTopSilk, " l2.gbr (部品面シルク)"},
                                                    {diTopGap, " 0.15"}, {diBottomResist, ""},
                                                    {diBottomSilk, ""}, {diBottomGap, " 0"}};
    for (const auto& [item, caption] : captions) EXPECT_EQ(Caption(item), caption) << item;
    EXPECT_EQ(PanelItems.LeftIcons[diTopOn], fiTicked);
    EXPECT_EQ(PanelItems.LeftIcons[diBottomOn], fiUnticked);
}

TEST_F(DrcPage, ClicksAndTypedNumbersEditTheSettingsInPlace)
{
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    Show();
    Cell(2, 1);   // the direction check of layer 2 on, of layer 1 off
    Cell(2, 0);
    EXPECT_EQ(DrcSettings.AngleCheck, (std::vector<std::int32_t>{0, 0, 1, 0, 1}));
    EXPECT_EQ(Text(2, 1), "ON");
    Cell(1, 3, MouseButton::Right);
    EXPECT_EQ(DrcSettings.MinWidth[4], 0);
    EXPECT_EQ(Text(1, 3), "");
    EXPECT_FALSE(Folder.Edit2.Visible);

    Cell(1, 0);
    ASSERT_TRUE(Folder.Edit2.Visible);
    EXPECT_TRUE(Folder.Edit2.Text == "0.2" && Folder.Edit2.SelectAll);
    const struct {
        const char* typed;
        const char* shown;
        double stored;
    } typed[] = {{"abc", "abc", 0.2}, {"1e400", "1e400", 0.2}, {"0,35", "0.35", 0.35}, {".", "0.", 0}, {"0.125", "0.125", 0.125}};
    for (const auto& t : typed) {
        Edit2Change(t.typed);
        EXPECT_EQ(Folder.Edit2.Text, t.shown) << t.typed;
        EXPECT_EQ(DrcSettings.MinWidth[1], t.stored) << t.typed;
    }
    Edit2KeyEnter();
    EXPECT_FALSE(Folder.Edit2.Visible);
    EXPECT_EQ(Text(1, 0), "0.125");

    Panel(diBottomOn);
    Panel(diTopOn);
    EXPECT_TRUE(DrcSettings.BottomOn == 1 && DrcSettings.TopOn == 0);
    EXPECT_EQ(PanelItems.LeftIcons[diBottomOn], fiTicked);
    Panel(diBottomGap);
    ASSERT_TRUE(Folder.Edit3.Visible);
    EXPECT_EQ(Folder.Edit3Tag, diBottomGap);
    Edit3Change(".");
    EXPECT_EQ(Folder.Edit3.Text, "0.");
    EXPECT_EQ(DrcSettings.BottomGap, 0);
    Edit3Change("0.1");
    EXPECT_EQ(DrcSettings.BottomGap, 0.1);
    EXPECT_EQ(Caption(diBottomGap), " 0.1");

    // Whatever closes the window, the settings stand.
    ButtonClick(FolderButton::swCancel);
    FormClose();
    EXPECT_EQ(FolderResult, frCancel);
    EXPECT_EQ(DrcSettings.BottomGap, 0.1);
    Show();
    EXPECT_EQ(DrcSettings.MinWidth[1], 0.125);
    ButtonClick(FolderButton::swOK);
    EXPECT_EQ(FolderResult, frReplace);
}

TEST_F(DrcPage, LayerListPicksTheComparedLayers)
{
    std::vector<std::string> contents(14, "部品面パターン");
    for (int n : {4, 14}) {
        SCOPED_TRACE(n);
        DrcSettings = core::MyDrcSet{};
        Layers(std::vector<std::string>(contents.begin(), contents.begin() + n));
        Show();
        Panel(diBottomSilk);
        const ScrollBoxState& list = Folder.ScrollBox1;
        ASSERT_TRUE(list.Visible);
        ASSERT_EQ(PickItems.Count, n);
        EXPECT_EQ(PickItems.Captions[2], "l3.gbr (部品面パターン)");

        // Over a list of 12 layers or more the wheel scrolls it a row a notch.
        Image1MouseMove(5, 5);
        FormMouseWheel(-1);
        EXPECT_EQ(list.Position, n >= 12 ? 18 : 0);

        const platform::Point p = Middle(PickItems.Rects[2]);
        Image1MouseUp(p.x, p.y, MouseButton::Left);
        EXPECT_FALSE(list.Visible);
        EXPECT_EQ(DrcSettings.BottomSilk, 3);
        EXPECT_EQ(Caption(diBottomSilk), " l3.gbr (部品面パターン)");
    }

    // Looked at and left: the list closes without a choice.
    Panel(diTopResist);
    Image1MouseMove(5, 5);
    EXPECT_EQ(PickItems.Hot, 0);
    Image2MouseMove(5, 5);
    EXPECT_FALSE(Folder.ScrollBox1.Visible);
    EXPECT_EQ(DrcSettings.TopResist, 0);
    // Esc closes it too, before the window.
    Panel(diTopResist);
    FormKeyEscape();
    EXPECT_FALSE(Folder.ScrollBox1.Visible || Folder.CloseRequested);
    FormKeyEscape();
    EXPECT_TRUE(Folder.CloseRequested);
}

} // namespace
