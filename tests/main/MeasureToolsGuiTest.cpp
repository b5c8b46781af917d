// The measuring tools in the window offscreen, on the test board of lines
// 5 mm apart: clicks on the picture measure, the labels read the values and
// step the measure back, the ruler follows the pointer and the view, the gap
// tool highlights and offers the next candidate, and what auto-scroll left
// out comes back when it stops.
#include "core/ElementGrid.h"
#include "tests/main/WindowFixture.h"
#include "view/MeasureTools.h"
#include "view/SubLists.h"
#include "view/ToolPages.h"
#include "view/ToolState.h"

namespace {

using namespace mainwin;

class MeasureToolsGui : public maintest::MainWindowGui {
protected:
    void SetUp() override
    {
        MainWindowGui::SetUp();
        SetDefaultToolSettings();
    }
    void TearDown() override
    {
        form->ResetTools(true);
        SetDefaultToolSettings();
        MainWindowGui::TearDown();
    }
    // The board with its grid; `extra` elements first.
    void LoadBoardWithGrid(const std::vector<core::DataElement>& extra = {})
    {
        for (const core::DataElement& e : extra) core::AppendElement(e);
        LoadBoard();
        core::Extents.MinX = core::Extents.MinY = 0;
        core::Extents.MaxX = 100;
        core::Extents.MaxY = 50;
        core::SetGridView(core::Extents);
        core::Gauge gauge;
        ASSERT_TRUE(core::BuildElementGrid(gauge));
    }
    static QPoint At(double x, double y)
    {
        int px = 0, py = 0;
        DataToScreen(x, y, px, py);
        return {px, py};
    }
    void Click(double x, double y, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint p = At(x, y);
        Mouse(form->Image1, QEvent::MouseMove, p.x(), p.y());
        Mouse(form->Image1, QEvent::MouseButtonPress, p.x(), p.y(), button);
    }
    std::vector<std::uint32_t> Pixels() const
    {
        const platform::RasterCanvas& c = Picture();
        return {c.Bits(), c.Bits() + static_cast<std::size_t>(c.Width()) * static_cast<std::size_t>(c.Height())};
    }
    // The label shows all of each line of its text.
    static bool Fits(const QLabel* l)
    {
        int widest = 0;
        for (const QString& line : l->text().split('\n')) widest = std::max(widest, l->fontMetrics().horizontalAdvance(line));
        return widest <= l->contentsRect().width() &&
               l->fontMetrics().height() * static_cast<int>(l->text().count('\n') + 1) <= l->contentsRect().height();
    }
    std::string Hint() const { return form->StatusBar1->PanelText(2); }
};

TEST_F(MeasureToolsGui, TheMeasureReadsItsValuesAndItsLabelsStepItBack)
{
    LoadBoardWithGrid();
    const std::vector<std::uint32_t> plain = Pixels();
    form->swMeasure->click();
    // Near the line ends: they snap onto them.
    Click(0.3, 0.1);
    EXPECT_EQ(MeasureStep, 1);
    EXPECT_EQ(Hint(), MeasureSecondHint);
    EXPECT_FALSE(form->LabelX->isVisible());
    // The rubber line follows the pointer.
    Mouse(form->Image1, QEvent::MouseMove, At(60, 30).x(), At(60, 30).y());
    EXPECT_TRUE(RubberLine.Active);
    EXPECT_NEAR(RubberLine.X2, 60, 1);
    Click(99.8, 49.9);
    EXPECT_EQ(MeasureStep, 2);
    EXPECT_EQ(Hint(), MeasureDoneHint);
    const struct {
        QLabel* label;
        const char* text;
    } labels[] = {{form->LabelX, "⊿X = 100"}, {form->LabelY, "⊿Y = 50"}, {form->LabelL, "距離 = 111.8034\n角度 = 26.565°"}};
    for (const auto& l : labels) {
        EXPECT_TRUE(l.label->isVisible()) << l.text;
        EXPECT_EQ(l.label->text().toStdString(), l.text);
        EXPECT_TRUE(Fits(l.label)) << l.text;
    }
    // The labels follow a zoom.
    const QPoint before = form->LabelY->pos();
    Key(Qt::Key_PageUp);
    EXPECT_NE(form->LabelY->pos(), before);
    EXPECT_TRUE(form->LabelY->isVisible());
    // A press on a label steps back as a right click does.
    Mouse(form->LabelL, QEvent::MouseButtonPress, 3, 3);
    EXPECT_EQ(MeasureStep, 1);
    EXPECT_FALSE(form->LabelX->isVisible() || form->LabelY->isVisible() || form->LabelL->isVisible());
    EXPECT_EQ(Hint(), MeasureSecondHint);
    Mouse(form->Image1, QEvent::MouseButtonPress, 5, 5, Qt::RightButton);
    EXPECT_EQ(MeasureStep, 0);
    EXPECT_EQ(Hint(), MeasureFirstHint);
    // Measured again, then another tool: labels and figures gone.
    Key(Qt::Key_Home);
    Click(0.3, 0.1);
    Click(99.8, 49.9);
    form->swGap->click();
    EXPECT_FALSE(form->LabelX->isVisible() || form->LabelL->isVisible());
    EXPECT_TRUE(Pixels() == plain);
}

TEST_F(MeasureToolsGui, TheRulerFollowsThePointerAndTheView)
{
    LoadBoardWithGrid();
    form->swRuler->click();
    ASSERT_TRUE(form->RulerImage->isVisible());
    const QSize flat = form->RulerImage->size();
    // 50 graduations of 1 mm across, 5 down.
    EXPECT_EQ(flat, QSize(static_cast<int>(50 * View.Scale) + 4, static_cast<int>(5 * View.Scale) + 4));
    Mouse(form->Image1, QEvent::MouseMove, 200, 150);
    EXPECT_EQ(form->RulerImage->pos(), QPoint(200 - form->RulerOffset.x, 150 - form->RulerOffset.y));
    // Left finer, the turn button by 45 degrees; the page shows the graduation.
    Mouse(form->Image1, QEvent::MouseButtonPress, 200, 150, Qt::LeftButton);
    EXPECT_EQ(RulerMinTick, 0.1);
    EXPECT_EQ(ToolPageRows.LeftIcon[2], IconOn);
    EXPECT_NEAR(form->RulerImage->width(), static_cast<int>(5 * View.Scale) + 4, 1);
    form->sw4->click();
    EXPECT_EQ(RulerAngle, 45);
    EXPECT_EQ(form->RulerImage->pos(), QPoint(200 - form->RulerOffset.x, 150 - form->RulerOffset.y));
    // A zoom redraws it at the new scale.
    Mouse(form->Image1, QEvent::MouseButtonPress, 200, 150, Qt::RightButton);
    const int before = form->RulerImage->width();
    Key(Qt::Key_PageUp);
    EXPECT_GT(form->RulerImage->width(), before);
    form->swRuler->click();
    EXPECT_FALSE(form->RulerImage->isVisible());
}

TEST_F(MeasureToolsGui, TheGapToolMeasuresAndOffersTheNextCandidate)
{
    // A 1 mm pad on the line at y = 10.
    viewtest::SetAperture(11, core::apCircle, 1.0);
    LoadBoardWithGrid({viewtest::Flash(1, 11, 50, 10)});
    const std::vector<std::uint32_t> plain = Pixels();
    form->swGap->click();
    Click(50, 0.05);
    EXPECT_EQ(Hint(), GapSecondHint);
    EXPECT_TRUE(form->Image2->isVisible());
    EXPECT_FALSE(form->sw3->isEnabled());
    // On the pad over the line: the pad first, the line next.
    Click(50, 10.3);
    EXPECT_EQ(Hint(), GapDoneHint);
    EXPECT_EQ(GapState.Gap, 9.4);
    EXPECT_EQ(form->LabelX->text().toStdString(), " Gap = 9.4 ");
    EXPECT_TRUE(form->LabelX->isVisible() && Fits(form->LabelX));
    EXPECT_FALSE(form->LabelY->isVisible());
    EXPECT_TRUE(form->sw3->isEnabled());
    form->sw3->click();
    EXPECT_EQ(GapState.Gap, 9.8);
    EXPECT_EQ(form->LabelX->text().toStdString(), " Gap = 9.8 ");
    form->sw3->click();
    EXPECT_EQ(GapState.Gap, 9.4);
    // Back step by step.
    Mouse(form->Image1, QEvent::MouseButtonPress, 5, 5, Qt::RightButton);
    EXPECT_EQ(Hint(), GapSecondHint);
    EXPECT_FALSE(form->LabelX->isVisible());
    Mouse(form->Image1, QEvent::MouseButtonPress, 5, 5, Qt::RightButton);
    EXPECT_EQ(Hint(), GapFirstHint);
    EXPECT_FALSE(form->Image2->isVisible());
    EXPECT_FALSE(form->sw3->isEnabled());
    EXPECT_TRUE(Pixels() == plain);
}

TEST_F(MeasureToolsGui, WhatAutoScrollLeftOutComesBackWhenItStops)
{
    Options.AUTOSCR = true;
    LoadBoardWithGrid();
    SetViewZoom(true, 50, 25, -4.0);
    form->RedrawView();
    const std::vector<std::uint32_t> plain = Pixels();
    form->swGap->click();
    Click(50, 20.05);
    Click(50, 24.95);
    ASSERT_TRUE(Overlays.Gap.OnScreen());
    const std::vector<std::uint32_t> shown = Pixels();
    // Resting on the left edge scrolls, without the gap's line.
    Mouse(form->Image1, QEvent::MouseMove, 5, form->Image1->height() / 2);
    ASSERT_TRUE(form->Timer2->isActive());
    form->RedrawView();
    EXPECT_FALSE(Overlays.Gap.OnScreen());
    EXPECT_FALSE(form->LabelX->isVisible());
    // Moving off the picture stops it: line, label and highlight are back.
    Mouse(form->Image4, QEvent::MouseMove, 10, 10);
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_TRUE(Overlays.Gap.OnScreen());
    EXPECT_TRUE(form->LabelX->isVisible());
    EXPECT_TRUE(Highlight.Visible);
    EXPECT_TRUE(Pixels() == shown);
    // And the right click takes the line off again.
    Mouse(form->Image1, QEvent::MouseButtonPress, 300, 200, Qt::RightButton);
    EXPECT_TRUE(Pixels() == plain);
}

} // namespace
