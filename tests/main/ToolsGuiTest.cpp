// The tool buttons of the main window offscreen: at most one down, each with
// its page and hint; clicks on the picture reach the active tool; the page's
// rows change their settings and its header ends the tool.
#include "tests/main/WindowFixture.h"
#include "core/DesignRules.h"
#include "view/CodeTables.h"
#include "view/SubLists.h"
#include "view/ToolPages.h"
#include "view/ToolState.h"

namespace {

using namespace mainwin;

class ToolsGui : public maintest::MainWindowGui {
protected:
    void SetUp() override
    {
        MainWindowGui::SetUp();
        SetDefaultToolSettings();
        auto record = [this](const char* name) {
            return [this, name](int, int, MouseButton b) { clicks.push_back(std::string(name) + ":" + std::to_string(static_cast<int>(b))); };
        };
        MeasureClick = record("measure");
        RectRulerClick = record("rect");
        InfoClick = record("info");
        GapClick = record("gap");
        AdjustRuler = [this](MouseButton b) { clicks.push_back("ruler:" + std::to_string(static_cast<int>(b))); };
        DrawDimensionRuler = [this] { ++calls["DrawDimensionRuler"]; };
    }
    void TearDown() override
    {
        MeasureClick = RectRulerClick = InfoClick = GapClick = [](int, int, MouseButton) {};
        AdjustRuler = [](MouseButton) {};
        DrawDimensionRuler = [] {};
        SearchHits.clear();
        SetDefaultToolSettings();
        MainWindowGui::TearDown();
    }
    // A click at the middle of a page row.
    void ClickPage(QWidget* w, const platform::Rect& r, QEvent::Type type = QEvent::MouseButtonRelease)
    {
        Mouse(w, type, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::vector<std::string> clicks;
};

TEST_F(ToolsGui, AtMostOneButtonIsDownAndEachShowsItsPageAndHint)
{
    LoadBoard();
    struct Case {
        ToolButton tool;
        const char* header;
        QPushButton* button;   // the page's own button, if any
    } cases[] = {
        {ToolButton::Gap, "ギャップ測定", form->sw3},   {ToolButton::Drc, "DRC", form->sw5},
        {ToolButton::Rect, "矩形定規", nullptr},        {ToolButton::Ruler, "寸法定規の設定", form->sw4},
        {ToolButton::Measure, "メジャー", nullptr},     {ToolButton::Info, "データ情報", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        form->ToolButtonOf(c.tool)->click();
        EXPECT_EQ(form->ActiveTool(), c.tool);
        for (const Case& other : cases) EXPECT_EQ(form->ToolButtonOf(other.tool)->isChecked(), other.tool == c.tool);
        EXPECT_TRUE(form->ParaPanel->isVisible());
        EXPECT_EQ(ToolPageHeader.Caption[0], c.header);
        for (QPushButton* b : {form->sw3, form->sw4, form->sw5}) EXPECT_EQ(b->isVisible(), b == c.button);
        EXPECT_EQ(form->StatusBar1->PanelText(2), ToolHint(c.tool));
        // The page stands below the last menu row.
        EXPECT_GE(form->ParaPanel->y(), CommandMenu.Rects[10].bottom);
    }
    // The gap tool has no other candidate to offer yet.
    form->swGap->click();
    EXPECT_FALSE(form->sw3->isEnabled());
    // Clicking the button that is down puts it up: no page, the zoom hint.
    form->swGap->click();
    EXPECT_EQ(form->ActiveTool(), ToolButton::None);
    EXPECT_FALSE(form->ParaPanel->isVisible());
    EXPECT_EQ(form->StatusBar1->PanelText(2), ToolHint(ToolButton::None));
    // From the ruler to the measure tool: no turn button left over.
    form->swRuler->click();
    EXPECT_GE(calls["DrawDimensionRuler"], 1);
    form->swMeasure->click();
    EXPECT_FALSE(form->sw4->isVisible());
    // A tool button closes an open table row.
    form->swMeasure->click();
    CommandMenu.Current = "Aperture";
    form->swInfo->click();
    EXPECT_EQ(CommandMenu.Current, "");
}

TEST_F(ToolsGui, ClicksOnThePictureGoToTheActiveTool)
{
    // The tool, data shown or not, the button, and the call (MouseButton
    // 0 left, 1 right, 2 middle); "" nothing.
    struct Case {
        ToolButton tool;
        bool loaded;
        Qt::MouseButton button;
        const char* expected;
    } cases[] = {
        {ToolButton::Measure, true, Qt::LeftButton, "measure:0"}, {ToolButton::Measure, false, Qt::LeftButton, ""},
        {ToolButton::Rect, true, Qt::RightButton, "rect:1"},      {ToolButton::Rect, false, Qt::LeftButton, ""},
        {ToolButton::Info, true, Qt::MiddleButton, "info:2"},     {ToolButton::Info, false, Qt::LeftButton, ""},
        {ToolButton::Gap, true, Qt::LeftButton, "gap:0"},         {ToolButton::Gap, false, Qt::LeftButton, ""},
        {ToolButton::Ruler, false, Qt::RightButton, "ruler:1"},
        {ToolButton::Drc, true, Qt::LeftButton, ""},              {ToolButton::None, true, Qt::LeftButton, ""},
    };
    for (const Case& c : cases) {
        form->ResetTools(true);
        if (QToolButton* b = form->ToolButtonOf(c.tool)) b->click();
        ShownLayerCount = c.loaded ? 1 : 0;
        clicks.clear();
        Mouse(form->Image1, QEvent::MouseButtonPress, 40, 30, c.button);
        EXPECT_EQ(clicks, c.expected[0] ? std::vector<std::string>{c.expected} : std::vector<std::string>{})
            << static_cast<int>(c.tool) << " loaded " << c.loaded;
    }

    // Without a tool the table's hits stay on a left click and go on a right one.
    LoadBoard();
    form->ResetTools(true);
    SearchHits = {1, 2};
    CodeTable.HotRow = 2;
    Mouse(form->Image1, QEvent::MouseButtonPress, 40, 30, Qt::LeftButton);
    EXPECT_EQ(SearchHits.size(), 2u);
    Mouse(form->Image1, QEvent::MouseButtonPress, 40, 30, Qt::RightButton);
    EXPECT_TRUE(SearchHits.empty());
    EXPECT_EQ(CodeTable.HotRow, -1);
}

TEST_F(ToolsGui, PageRowsChangeSettingsAndTheHeaderEndsTheTool)
{
    LoadBoard();
    form->swRect->click();
    // The rectangle ruler's page hovers like the others; labels do not.
    const platform::Rect label = ToolPageRows.Rects[0], lines = ToolPageRows.Rects[1];
    ClickPage(form->Image10, label, QEvent::MouseMove);
    EXPECT_EQ(ToolPageRows.Hover, -1);
    ClickPage(form->Image10, lines, QEvent::MouseMove);
    EXPECT_EQ(ToolPageRows.Hover, 1);
    EXPECT_EQ(Navigation.WheelTarget, "Image10");
    ClickPage(form->Image10, lines);
    EXPECT_EQ(core::SelectKindFlags[0], 0);
    EXPECT_EQ(ToolPageRows.LeftIcon[1], IconOff);
    ClickPage(form->Image10, label);
    EXPECT_EQ(core::SelectKindFlags, (std::array<std::uint8_t, 6>{0, 1, 1, 1, 1, 1}));

    // The ruler's graduation redraws the ruler.
    form->swRuler->click();
    calls.clear();
    ClickPage(form->Image10, ToolPageRows.Rects[2]);
    EXPECT_EQ(RulerMinTick, 0.1);
    EXPECT_EQ(calls["DrawDimensionRuler"], 1);
    // The settings outlive the tools.
    form->swMeasure->click();
    ClickPage(form->Image10, ToolPageRows.Rects[2]);
    EXPECT_EQ(SnapModes[SnapLines], SnapOff);
    form->swGap->click();
    form->swMeasure->click();
    EXPECT_EQ(SnapModes[SnapLines], SnapOff);
    EXPECT_EQ(ToolPageRows.LeftIcon[2], IconOn);

    // A click on the header ends the tool, and its hint goes with it.
    ClickPage(form->image12, ToolPageHeader.Rects[0]);
    EXPECT_EQ(form->ActiveTool(), ToolButton::None);
    EXPECT_FALSE(form->ParaPanel->isVisible());
    EXPECT_EQ(form->StatusBar1->PanelText(2), ToolHint(ToolButton::None));
}

// The design-rule count is read whole on the page however large it is, and
// the two switches stay under it.
TEST_F(ToolsGui, TheDesignRuleCountIsNeverCut)
{
    LoadBoard();
    for (int errors : {0, 10800, 1234567}) {
        SCOPED_TRACE(errors);
        core::ClearDrcErrors();
        for (int k = 0; k < errors; ++k) core::AppendDrcError({0, 0, 0, "", core::etLineWidth});
        form->ResetTools(true);
        form->swDRC->click();
        const platform::Rect& count = ToolPageRows.Rects[1];
        EXPECT_EQ(ToolPageRows.Caption[1], std::to_string(errors) + "/" + std::to_string(errors));
        EXPECT_LE(2 + form->PageRowsPicture.TextWidth(ToolPageRows.Caption[1]), count.right - count.left);
        EXPECT_LE(count.right, form->Image10->width());
        // "検出" stands over the rows' top right: nothing beside the label runs under it.
        if (count.top < form->sw5->height()) {
            EXPECT_LE(count.right, form->sw5->x());
        }
        for (std::size_t k : {2u, 3u}) {
            EXPECT_GE(ToolPageRows.Rects[k].top, count.bottom) << k;
            EXPECT_LE(ToolPageRows.Rects[k].bottom, form->Image10->height()) << k;
        }
    }
    core::ClearDrcErrors();
}

// Every page at every width of the left panel: each row, snap picture and
// button whole in the page, clear of the others and of the rows' bars, and
// every caption inside its row.
TEST_F(ToolsGui, PagesKeepEveryItemWholeAndClearAtEveryWidth)
{
    LoadBoard();
    // A job of many layers leaves the pages little height: their rows scroll.
    for (int l = 2; l <= 25; ++l) viewtest::ShowLayer(l, platform::RGB(0, 0, 255));
    for (int k = 0; k < 10800; ++k) core::AppendDrcError({0, 0, 0, "", core::etLineWidth});
    const ToolButton tools[] = {ToolButton::Gap, ToolButton::Drc, ToolButton::Rect, ToolButton::Ruler, ToolButton::Measure, ToolButton::Info};
    struct Item {
        QRect rect;   // in the page's pixels
        std::string name;
        bool inRows;   // drawn on the rows' image
    };
    auto at = [](const platform::Rect& r, QPoint origin) {
        return QRect(origin + QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top));
    };
    for (const QSize size : {QSize(1024, 768), QSize(1600, 1000)}) {
        form->resize(size);
        for (int panel = 200; panel <= 399; ++panel) {
            form->Splitter1Moved(panel);
            for (const ToolButton tool : tools) {
                SCOPED_TRACE(std::to_string(size.width()) + " x " + std::to_string(size.height()) + ", panel " + std::to_string(panel) +
                             ", tool " + std::to_string(static_cast<int>(tool)));
                form->ResetTools(true);
                form->ToolButtonOf(tool)->click();
                QApplication::processEvents();
                ASSERT_TRUE(form->ParaPanel->isVisible());
                QWidget* page = form->ParaPanel;
                const QPoint rowsOrigin = form->Image10->mapTo(page, QPoint());
                const QWidget* view = form->ScrollBox3->viewport();
                const QRect shown(view->mapTo(page, QPoint()), view->size());

                std::vector<Item> items;
                const platform::Rect& header = ToolPageHeader.Rects[0];
                items.push_back({at(header, form->image12->mapTo(page, QPoint())), "header", false});
                EXPECT_LE(1 + 20 + form->PageHeaderPicture.TextWidth(ToolPageHeader.Caption[0]), header.right - 20 - header.left);
                for (QPushButton* b : {form->sw3, form->sw4, form->sw5})
                    if (b->isVisibleTo(page)) items.push_back({b->geometry(), b->objectName().toStdString(), false});
                for (std::size_t k = 0; k < static_cast<std::size_t>(ToolPageRows.Count); ++k) {
                    const platform::Rect& r = ToolPageRows.Rects[k];
                    const std::string& caption = ToolPageRows.Caption[k];
                    const int mark = ToolPageRows.LeftIcon[k] >= 0 ? 20 : 0;
                    EXPECT_LE(2 + mark + form->PageRowsPicture.TextWidth(caption), r.right - r.left) << caption;
                    items.push_back({at(r, rowsOrigin), caption, true});
                    if (ToolPageRows.CheckIcon[k] >= 0)
                        items.push_back({QRect(rowsOrigin + QPoint(r.right, r.bottom), QSize(64, 64)), caption + " picture", true});
                }
                for (std::size_t i = 0; i < items.size(); ++i) {
                    const Item& a = items[i];
                    EXPECT_TRUE(a.rect.left() >= 0 && a.rect.right() < page->width()) << a.name;
                    // The rows' items in the part of their box that shows them, clear of its bars.
                    if (a.inRows) {
                        EXPECT_TRUE(a.rect.left() >= shown.left() && a.rect.right() <= shown.right()) << a.name;
                    }
                    for (std::size_t j = i + 1; j < items.size(); ++j)
                        EXPECT_FALSE(a.rect.intersects(items[j].rect)) << a.name << " / " << items[j].name;
                }
            }
        }
    }
    core::ClearDrcErrors();
}

} // namespace
