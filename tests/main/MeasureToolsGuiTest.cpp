// The measuring tools in the window offscreen, on the test board of lines
// 5 mm apart: the labels read the values, follow the view and step the
// measure back; the ruler follows the pointer; the gap tool offers the next
// candidate; what auto-scroll left out comes back when it stops.
#include "core/ElementGrid.h"
#include "tests/main/WindowFixture.h"
#include "view/MeasureTools.h"
#include "view/ToolState.h"

namespace {

using namespace mainwin;

class MeasureToolsGui : public maintest::MainWindowGui {
protected:
    void TearDown() override
    {
        form->ResetTools(true);
        SetDefaultToolSettings();
        MainWindowGui::TearDown();
    }
    // The board, `extra` elements first, with its grid.
    void LoadBoardWithGrid(const std::vector<core::DataElement>& extra = {})
    {
        SetDefaultToolSettings();
        for (const core::DataElement& e : extra) core::AppendElement(e);
        LoadBoard();
        core::Extents.MinX = core::Extents.MinY = 0;
        core::Extents.MaxX = 100;
        core::Extents.MaxY = 50;
        core::SetGridView(core::Extents);
        core::Gauge gauge;
        ASSERT_TRUE(core::BuildElementGrid(gauge));
    }
    void Click(double x, double y)
    {
        int px = 0, py = 0;
        DataToScreen(x, y, px, py);
        Mouse(form->Image1, QEvent::MouseMove, px, py);
        Mouse(form->Image1, QEvent::MouseButtonPress, px, py);
    }
    void RightClick() { Mouse(form->Image1, QEvent::MouseButtonPress, 300, 200, Qt::RightButton); }
    std::vector<std::uint32_t> Pixels() const
    {
        const platform::RasterCanvas& c = Picture();
        return {c.Bits(), c.Bits() + static_cast<std::size_t>(c.Width()) * static_cast<std::size_t>(c.Height())};
    }
    // Shown, with all of each line of its text.
    static bool ShownWhole(const QLabel* l)
    {
        int widest = 0;
        for (const QString& line : l->text().split('\n')) widest = std::max(widest, l->fontMetrics().horizontalAdvance(line));
        return l->isVisible() && widest <= l->contentsRect().width() &&
               l->fontMetrics().height() * static_cast<int>(l->text().count('\n') + 1) <= l->contentsRect().height();
    }
    std::string Hint() const { return form->StatusBar1->PanelText(2); }
};

TEST_F(MeasureToolsGui, TheMeasureReadsItsValuesAndItsLabelsStepItBack)
{
    LoadBoardWithGrid();
    const std::vector<std::uint32_t> plain = Pixels();
    form->swMeasure->click();
    // Near the ends of the first and the last line: they snap onto them.
    Click(0.3, 0.1);
    EXPECT_EQ(Hint(), MeasureSecondHint);
    Click(99.8, 49.9);
    EXPECT_EQ(Hint(), MeasureDoneHint);
    EXPECT_EQ(form->LabelX->text().toStdString(), "⊿X = 100");
    EXPECT_EQ(form->LabelY->text().toStdString(), "⊿Y = 50");
    EXPECT_EQ(form->LabelL->text().toStdString(), "距離 = 111.8034\n角度 = 26.565°");
    for (QLabel* l : {form->LabelX, form->LabelY, form->LabelL}) EXPECT_TRUE(ShownWhole(l)) << l->objectName().toStdString();
    // They follow a zoom.
    const QPoint before = form->LabelY->pos();
    Key(Qt::Key_PageUp);
    EXPECT_NE(form->LabelY->pos(), before);
    EXPECT_TRUE(form->LabelY->isVisible());
    // A press on one steps back as a right click does.
    Mouse(form->LabelL, QEvent::MouseButtonPress, 3, 3);
    EXPECT_EQ(MeasureStep, 1);
    EXPECT_FALSE(form->LabelX->isVisible() || form->LabelY->isVisible() || form->LabelL->isVisible());
    EXPECT_EQ(Hint(), MeasureSecondHint);
    RightClick();
    EXPECT_EQ(Hint(), MeasureFirstHint);
    // Measured again, then another tool: labels and figures go.
    Key(Qt::Key_Home);
    Click(0.3, 0.1);
    Click(99.8, 49.9);
    form->swRuler->click();
    EXPECT_FALSE(form->LabelX->isVisible() || form->LabelL->isVisible());
    EXPECT_TRUE(Pixels() == plain);
}

TEST_F(MeasureToolsGui, TheRulerFollowsThePointerAndTheView)
{
    LoadBoardWithGrid();
    form->swRuler->click();
    ASSERT_TRUE(form->RulerImage->isVisible());
    Mouse(form->Image1, QEvent::MouseMove, 200, 150);
    const QPoint centre(200, 150);
    EXPECT_EQ(form->RulerImage->pos() + QPoint(form->RulerOffset.x, form->RulerOffset.y), centre);
    // A left click makes it finer, the turn button turns it; still centred.
    const int wide = form->RulerImage->width();
    Mouse(form->Image1, QEvent::MouseButtonPress, 200, 150);
    EXPECT_EQ(RulerMinTick, 0.1);
    EXPECT_LT(form->RulerImage->width(), wide);
    form->sw4->click();
    EXPECT_EQ(RulerAngle, 45);
    EXPECT_EQ(form->RulerImage->pos() + QPoint(form->RulerOffset.x, form->RulerOffset.y), centre);
    // A zoom draws it at the new scale.
    const int before = form->RulerImage->width();
    Key(Qt::Key_PageUp);
    EXPECT_GT(form->RulerImage->width(), before);
    form->swRuler->click();
    EXPECT_FALSE(form->RulerImage->isVisible());
}

TEST_F(MeasureToolsGui, TheGapToolOffersTheNextCandidate)
{
    // A 1 mm pad on the line at y = 10.
    viewtest::SetAperture(11, core::apCircle, 1.0);
    LoadBoardWithGrid({viewtest::Flash(1, 11, 50, 10)});
    const std::vector<std::uint32_t> plain = Pixels();
    form->swGap->click();
    Click(50, 0.05);
    EXPECT_TRUE(form->Image2->isVisible());
    EXPECT_FALSE(form->sw3->isEnabled());
    // On the pad over the line: the pad first, the line next, then the pad.
    Click(50, 10.3);
    EXPECT_TRUE(form->sw3->isEnabled());
    for (const char* text : {" Gap = 9.4 ", " Gap = 9.8 ", " Gap = 9.4 "}) {
        EXPECT_EQ(form->LabelX->text().toStdString(), text);
        EXPECT_TRUE(ShownWhole(form->LabelX));
        form->sw3->click();
    }
    RightClick();
    EXPECT_FALSE(form->LabelX->isVisible());
    RightClick();
    EXPECT_EQ(Hint(), GapFirstHint);
    EXPECT_FALSE(form->Image2->isVisible() || form->sw3->isEnabled());
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
    // Resting on the left edge scrolls, the gap left out of the picture.
    Mouse(form->Image1, QEvent::MouseMove, 5, form->Image1->height() / 2);
    ASSERT_TRUE(form->Timer2->isActive());
    form->RedrawView();
    EXPECT_FALSE(Overlays.Gap.OnScreen() || form->LabelX->isVisible());
    // Moving off the picture stops it: line, label and highlight come back.
    Mouse(form->Image4, QEvent::MouseMove, 10, 10);
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_TRUE(Overlays.Gap.OnScreen() && form->LabelX->isVisible() && Highlight.Visible);
    EXPECT_TRUE(Pixels() == shown);
    // And a right click takes the line off again.
    RightClick();
    EXPECT_TRUE(Pixels() == plain);
}

} // namespace
