// The main window's two tools that report on the data: the information
// balloon beside the element under the pointer, and the design-rule run
// behind "検出". The models and their painting are in ReportTools.
#include "main/FormMain.h"
#include "main/FormParts.h"
#include "main/MainHooks.h"
#include "view/Picking.h"
#include "view/Redraw.h"
#include "view/ReportTools.h"
#include "view/ToolState.h"
#include "view/ViewTransform.h"
#include "view/WorkerPool.h"
#include "platform/NumberText.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/RasterText.h"

#include <QPixmap>

namespace mainwin {

namespace {

constexpr int BalloonButtonHeight = 22;

QPushButton* MakeBalloonButton(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    b->resize(std::max(60, b->sizeHint().width()), BalloonButtonHeight);
    b->hide();
    return b;
}

} // namespace

void TFormMain::CreateReportControls()
{
    sw1 = MakeBalloonButton(this, "sw1", "次へ");
    sw2 = MakeBalloonButton(this, "sw2", "閉じる");
    // Both as wide as the wider of them.
    const int w = std::max(sw1->width(), sw2->width());
    sw1->resize(w, BalloonButtonHeight);
    sw2->resize(w, BalloonButtonHeight);
    connect(sw1, &QPushButton::clicked, this, [this] {
        if (!platform::BusyGuard::Active()) Guarded([&] { mainwin::InfoClick(0, 0, MouseButton::Middle); });
    });
    connect(sw2, &QPushButton::clicked, this, [this] {
        if (!platform::BusyGuard::Active()) Guarded([&] { mainwin::InfoClick(0, 0, MouseButton::Right); });
    });
    mainwin::InfoClick = [this](int x, int y, MouseButton button) { InfoBalloonClick(x, y, button); };
    mainwin::RunDesignRuleCheck = [this] { sw5Click(); };
}

void TFormMain::RemoveReportHooks()
{
    mainwin::InfoClick = [](int, int, MouseButton) {};
    mainwin::RunDesignRuleCheck = [] {};
}

// ------------------------------------------------------------ the balloon

void TFormMain::InfoBalloonClick(int x, int y, MouseButton button)
{
    switch (button) {
    case MouseButton::Left: {
        // A click that picks nothing leaves the balloon and what it steps through.
        MyInfoSet picks;
        if (PickPrimitives(x, y, picks) < 1) return;
        InfoPicks = std::move(picks);
        InfoPicks.Current = 0;
        break;
    }
    case MouseButton::Middle:
        if (InfoPicks.Count < 2) return;
        InfoPicks.Current = NextInfoPick(InfoPicks);
        break;
    default:
        Highlight.Blinking = false;
        Highlight.Visible = false;
        Image2->hide();
        HideInfoBalloon();
        InfoPicks.Count = 0;
        InfoPicks.Current = -1;
        return;
    }
    const int i = CurrentInfoElement(InfoPicks);
    if (i < 0) return;
    const auto k = static_cast<std::size_t>(InfoPicks.Current);
    int px = 0, py = 0;
    DataToScreen(InfoPicks.PointX[k], InfoPicks.PointY[k], px, py);
    ShowPrimitiveInfo(px, py);
    HighlightPrimitives({i});
    Image2->setVisible(Highlight.Visible);
}

void TFormMain::ShowPrimitiveInfo(int x, int y)
{
    const int i = CurrentInfoElement(InfoPicks);
    if (i < 0) return;
    const std::vector<InfoPair> pairs = PrimitiveInfo(core::Datas[static_cast<std::size_t>(i)]);
    // Never wider than the half of the picture it opens into.
    const InfoSize size =
        MeasureInfoBalloon(InfoPicture, pairs, Image1->width() / 2, InfoPositionText(InfoPicks.Current, InfoPicks.Count));
    const InfoPlacement place = PlaceInfoPanel(x, y, Image1->width(), Image1->height(), size.Width, size.Height);
    FillInfoTable(InfoTable, pairs, InfoPicks.Current, InfoPicks.Count, size.Width, place, size.LabelWidth);

    const QPoint topLeft = Image1->mapTo(this, QPoint(place.Left, place.Top));
    Image11->setGeometry(topLeft.x(), topLeft.y(), size.Width, size.Height);
    Image11->setCursor(Qt::CrossCursor);
    const int buttonTop = topLeft.y() + place.TextBottom + 5;
    sw2->move(topLeft.x() + size.Width - sw1->width() - 5, buttonTop);
    sw1->move(sw2->x() - sw1->width(), buttonTop);
    sw1->setEnabled(InfoPicks.Count >= 2);
    DrawInfoTable();
}

void TFormMain::DrawInfoTable()
{
    if (InfoTable.Count < 1) return;
    InfoPicture.Resize(Image11->width(), Image11->height(), InfoClearColor);
    mainwin::DrawInfoTable(InfoPicture, InfoTable);
    Image11->setPixmap(QPixmap::fromImage(platform::WrapRaster(InfoPicture).copy()));
    // Around the outline the picture shows and takes the clicks.
    platform::MaskColour(Image11, InfoPicture, InfoClearColor);
    Image11->raise();
    Image11->show();
    for (QPushButton* b : {sw1, sw2}) {
        b->raise();
        b->show();
    }
}

void TFormMain::FollowRedraw()
{
    if (ActiveTool() == ToolButton::Drc && ParaPanel->isVisible()) DrawParamList();
    const int i = CurrentInfoElement(InfoPicks);
    if (ActiveTool() != ToolButton::Info || i < 0) return;
    const auto k = static_cast<std::size_t>(InfoPicks.Current);
    int px = 0, py = 0;
    DataToScreen(InfoPicks.PointX[k], InfoPicks.PointY[k], px, py);
    // The balloon stays with its element while that is on the picture.
    const core::MyLayerSet* layer = core::LayerAt(core::Datas[static_cast<std::size_t>(i)].Layer);
    if (layer && layer->Active == 1 && px >= 0 && py >= 0 && px < Image1->width() && py < Image1->height()) {
        ShowPrimitiveInfo(px, py);
        return;
    }
    HideInfoBalloon();
}

void TFormMain::HideInfoBalloon()
{
    Image11->hide();
    sw1->hide();
    sw2->hide();
}

// ------------------------------------------------------- the design rules

void TFormMain::CheckDesignRules()
{
    // Commands wait while the tables are checked; the window stays drawn.
    platform::BusyGuard busy;
    struct GaugeShown {
        TFormMain& form;
        ~GaugeShown() { form.HideGauge(); }
    } shown{*this};
    // Each stage's text on the gauge, painted at once: the check lets
    // events run only now and then.
    auto stage = [this](const char* text) {
        SetGaugeText(text);
        Gauge1->setValue(0);
        GaugePanel->raise();
        GaugePanel->show();
        GaugePanel->repaint();
    };
    core::ClearDrcErrors();
    stage(DrcLineRulesText);
    core::CheckLineRules(Gauge());
    stage(DrcResistSilkText);
    core::CheckResistSilkGap(Gauge(), PoolRunner());
}

void TFormMain::sw5Click()
{
    if (ActiveTool() != ToolButton::Drc) return;
    const int answer = ShowDrcSettings();
    platform::PumpEvents(true);
    if (answer < 1) return;
    CheckDesignRules();
    RedrawView();
    const int n = core::DrcErrors.Count;
    if (n < 1) {
        // Nothing to mark: the button comes up, but its page stays with the
        // count until the next tool or menu action, its "検出" idle.
        DrawParamList();
        ResetTools(true);
        ParaPanel->show();
        sw5->setEnabled(false);
        sw5->show();
        platform::ShowInformation(DrcNoErrorsText);
        return;
    }
    platform::ShowInformation(platform::FormatInt(n) + DrcErrorsFoundText);
    DrawParamList();
}

} // namespace mainwin
