// The main window's tools: the six buttons above the drawing area, ending a
// tool, the tool's page under the command menu, and the clicks on the
// drawing area, fed to the models of ToolState and ToolPages. The tools
// themselves are reached through the hooks of MainHooks.
#include "main/FormMain.h"
#include "main/FormParts.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/CodeTables.h"
#include "view/MeasureTools.h"
#include "view/Redraw.h"
#include "view/ToolPages.h"
#include "view/ToolState.h"
#include "platform/qt/EventPump.h"

#include <QScrollBar>
#include <QStyle>

namespace mainwin {

namespace {

struct ToolButtonEntry {
    ToolButton Tool;
    const char* Name;
    const char* Caption;
};
// From the right, next to the help button.
constexpr ToolButtonEntry ToolButtons[] = {
    {ToolButton::Info, "swInfo", "データ情報"}, {ToolButton::Measure, "swMeasure", "メジャー"},
    {ToolButton::Ruler, "swRuler", "寸法定規"}, {ToolButton::Rect, "swRect", "矩形定規"},
    {ToolButton::Gap, "swGap", "ギャップ"},     {ToolButton::Drc, "swDRC", "DRC"},
};

constexpr int ButtonHeight = 24;

QPushButton* MakePageButton(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    b->hide();
    return b;
}

} // namespace

void TFormMain::CreateToolControls()
{
    for (const ToolButtonEntry& entry : ToolButtons) {
        auto* b = new QToolButton(this);
        b->setObjectName(entry.Name);
        b->setText(QString::fromUtf8(entry.Caption));
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->resize(std::max(64, b->sizeHint().width() + 8), ButtonHeight);
        const ToolButton tool = entry.Tool;
        connect(b, &QToolButton::clicked, this, [this, tool] { Guarded([&] { ToolButtonClick(tool); }); });
        switch (tool) {
        case ToolButton::Gap: swGap = b; break;
        case ToolButton::Drc: swDRC = b; break;
        case ToolButton::Rect: swRect = b; break;
        case ToolButton::Ruler: swRuler = b; break;
        case ToolButton::Measure: swMeasure = b; break;
        default: swInfo = b; break;
        }
    }

    image12 = new platform::SurfaceWidget(ParaPanel);
    image12->setObjectName("image12");
    image12->SetPicture(&PageHeaderPicture);
    image12->OnMouseDown = [](QMouseEvent*) {};
    image12->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { image12MouseUp(e); }); };
    image12->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { image12MouseMove(e); }); };
    ScrollBox3 = MakeScrollBox(ParaPanel, "ScrollBox3");
    Image10 = new platform::SurfaceWidget;
    Image10->setObjectName("Image10");
    Image10->SetPicture(&PageRowsPicture);
    ScrollBox3->setWidget(Image10);
    Image10->OnMouseDown = [](QMouseEvent*) {};
    Image10->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image10MouseUp(e); }); };
    Image10->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image10MouseMove(e); }); };
    Image10->OnWheel = [this](QWheelEvent* e) {
        ScrollBy(ScrollBox3, e, GridRowHeight);
        e->accept();
    };

    sw3 = MakePageButton(ParaPanel, "sw3", "次を検索");
    sw4 = MakePageButton(ParaPanel, "sw4", "回転");
    sw5 = MakePageButton(ParaPanel, "sw5", "検出");
    connect(sw3, &QPushButton::clicked, this, [this] {
        if (!platform::BusyGuard::Active() && ActiveTool() == ToolButton::Gap) Guarded([&] { NextGapCandidate(); });
    });
    connect(sw4, &QPushButton::clicked, this, [this] {
        if (!platform::BusyGuard::Active()) Guarded([&] { AdjustRuler(MouseButton::Middle); });
    });
    connect(sw5, &QPushButton::clicked, this, [this] {
        if (!platform::BusyGuard::Active() && ActiveTool() == ToolButton::Drc) Guarded([&] { RunDesignRuleCheck(); });
    });

    Image1->OnMouseDown = [this](QMouseEvent* e) { Guarded([&] { Image1MouseDown(e); }); };

    // Moves over the buttons end auto-scroll.
    for (QWidget* w : {static_cast<QWidget*>(swGap), static_cast<QWidget*>(swDRC), static_cast<QWidget*>(swRect),
                       static_cast<QWidget*>(swRuler), static_cast<QWidget*>(swMeasure), static_cast<QWidget*>(swInfo),
                       static_cast<QWidget*>(swHelp), static_cast<QWidget*>(sw4)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
        autoScrollStoppers_.push_back(w);
    }

    CreateMeasureControls();

    // The open and new commands end the tools; a clear also stops
    // auto-scroll and puts the page away.
    mainwin::ResetTools = ToolResetHook{this};
    ResetToolSettings = [this] {
        StopAutoScrolling();
        ParaPanel->hide();
    };
    // Every redraw puts the tools' figures back.
    RedrawStartHooks().push_back(ToolRedrawHook{this});
    OverlayHooks().push_back(ToolRedrawHook{this});
}

void TFormMain::ToolRedrawHook::operator()() const { ForgetToolOverlays(); }

void TFormMain::ToolRedrawHook::operator()(platform::RasterCanvas& picture) const
{
    DrawToolOverlays(picture, form->ActiveTool(), form->Timer2->isActive());
    // The labels and the ruler follow the view.
    form->PlaceToolLabels();
    if (form->ActiveTool() == ToolButton::Ruler) DrawDimensionRuler();
    form->FollowRedraw();
}

void TFormMain::RemoveToolHooks()
{
    auto mine = [this](const auto& hook) {
        const ToolRedrawHook* h = hook.template target<ToolRedrawHook>();
        return h && h->form == this;
    };
    std::erase_if(RedrawStartHooks(), mine);
    std::erase_if(OverlayHooks(), mine);
    if (mainwin::ResetTools.target<ToolResetHook>() && mainwin::ResetTools.target<ToolResetHook>()->form == this) {
        mainwin::ResetTools = [](bool) {};
        ResetToolSettings = [] {};
    }
}

QToolButton* TFormMain::ToolButtonOf(ToolButton tool) const
{
    switch (tool) {
    case ToolButton::Gap: return swGap;
    case ToolButton::Drc: return swDRC;
    case ToolButton::Rect: return swRect;
    case ToolButton::Ruler: return swRuler;
    case ToolButton::Measure: return swMeasure;
    case ToolButton::Info: return swInfo;
    default: return nullptr;
    }
}

ToolButton TFormMain::ActiveTool() const
{
    for (const ToolButtonEntry& entry : ToolButtons)
        if (QToolButton* b = ToolButtonOf(entry.Tool); b && b->isChecked()) return entry.Tool;
    return ToolButton::None;
}

void TFormMain::LayoutTopBar()
{
    // The help button at the right end of the bar above the drawing area,
    // the tool buttons to its left; above the TOP / BOTTOM tabs when these
    // reach under them (a wide left panel).
    const int right = Panel1->x() + Panel1->width() - 20;
    int left = right - swHelp->width();
    for (const ToolButtonEntry& entry : ToolButtons) left -= ToolButtonOf(entry.Tool)->width();
    int top = Panel1->y() - ButtonHeight - 2;
    if (left < Image5->x() + Image5->width()) top = std::max(0, Image5->y() - ButtonHeight - 2);
    swHelp->setGeometry(right - swHelp->width(), top, swHelp->width(), ButtonHeight);
    int x = swHelp->x();
    for (const ToolButtonEntry& entry : ToolButtons) {
        QToolButton* b = ToolButtonOf(entry.Tool);
        b->move(x - b->width(), top);
        b->raise();
        x = b->x();
    }
}

void TFormMain::ToolButtonClick(ToolButton tool)
{
    QToolButton* clicked = ToolButtonOf(tool);
    if (!clicked) return;
    // The click has already put the button down or up; while long work runs
    // nothing changes.
    if (platform::BusyGuard::Active()) {
        clicked->setChecked(!clicked->isChecked());
        return;
    }
    if (clicked->isChecked())
        for (const ToolButtonEntry& entry : ToolButtons)
            if (entry.Tool != tool) ToolButtonOf(entry.Tool)->setChecked(false);
    ResetTools(false);
    CommandMenu.Current.clear();
    BuildCommandMenu(false);
    DrawCommandMenu();
    // The error marks show only while the design-rule tool is down.
    if (tool == ToolButton::Drc && clicked->isChecked()) RedrawView();
}

void TFormMain::ResetTools(bool releaseButtons)
{
    if (releaseButtons) {
        for (const ToolButtonEntry& entry : ToolButtons) ToolButtonOf(entry.Tool)->setChecked(false);
        // The hint of the tool that ended goes with it.
        StatusBar1->SetPanelText(2, core::LayerCount < 1 ? MenuHintNoData : ToolHint(ToolButton::None));
    }
    sw5->hide();
    // The highlight and the ruler image go, and the blink stops.
    Highlight.Blinking = false;
    Highlight.Visible = false;
    Image2->hide();
    RulerImage->hide();
    HideInfoBalloon();
    if (EndToolState(Picture())) DrawTablePanel();
    PlaceToolLabels();
    ParaPanel->hide();
    Image1->update();
}

void TFormMain::BuildToolPage()
{
    const ToolButton tool = ActiveTool();
    const ToolPageFrame f = PageFrame(tool);
    sw3->hide();
    sw4->hide();
    sw5->hide();
    if (!f.Shown) return;
    const int W = PanelFile->width();
    const int top = ParaPanel->y();
    const int H = f.FixedHeight > 0 ? f.FixedHeight : std::max(0, PanelFile->height() - top);
    ParaPanel->setGeometry(0, top, W, H);
    image12->setGeometry(0, 0, W, 23);

    QPushButton* button = nullptr;
    switch (f.Button) {
    case PageButton::NextCandidate: button = sw3; break;
    case PageButton::Turn: button = sw4; break;
    case PageButton::Detect: button = sw5; break;
    default: break;
    }
    int boxWidth = W, buttonLeft = -1;
    if (button) {
        // As wide as the caption needs, not the style's wider default: the
        // rows beside keep their room in a narrow panel.
        const int fitted = std::min(button->sizeHint().width(), button->fontMetrics().horizontalAdvance(button->text()) + 24);
        const int bw = button == sw5 ? std::max(70, button->sizeHint().width()) : fitted;
        buttonLeft = W - f.ButtonRightGap - bw;
        button->setGeometry(buttonLeft, f.ButtonTop, bw, ButtonHeight);
        button->setEnabled(true);
        button->show();
        button->raise();
        // The design-rule rows run on under "検出", which stands beside the
        // label only: a count too wide beside it takes a whole line below.
        if (button != sw5) boxWidth = std::max(0, buttonLeft - 2);
    }
    // The gap tool offers the next candidate only when it has one.
    sw3->setEnabled(GapHasAlternatives());

    const int boxHeight = std::max(0, H - f.BoxTop - 5);
    ScrollBox3->setGeometry(0, f.BoxTop, boxWidth, boxHeight);
    ScrollBox3->verticalScrollBar()->setValue(0);
    const int bar = f.RowsHeight > boxHeight ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    const int rowsWidth = std::max(0, boxWidth - bar);
    Image10->resize(rowsWidth, f.RowsHeight);
    mainwin::BuildToolPage(tool, W, rowsWidth, PageRowsPicture, buttonLeft);
    DrawParamList();
    if (tool == ToolButton::Ruler) DrawDimensionRuler();
}

void TFormMain::DrawParamList()
{
    const ToolButton tool = ActiveTool();
    if (!PageFrame(tool).Shown) return;
    SetPageMarks(tool, PageRowsPicture);
    PageHeaderPicture.Resize(std::max(0, image12->width()), std::max(0, image12->height()), 0);
    DrawToolPageHeader(PageHeaderPicture, ToolPageHeader);
    PageRowsPicture.Resize(std::max(0, Image10->width()), std::max(0, Image10->height()), 0);
    DrawToolPageRows(PageRowsPicture, ToolPageRows);
    image12->update();
    Image10->update();
    ParaPanel->show();
    ParaPanel->raise();
}

void TFormMain::Image1MouseDown(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const int x = EventX(event), y = EventY(event);
    const MouseButton button = ButtonOf(event);
    const bool loaded = ShownLayerCount >= 1;
    switch (ActiveTool()) {
    case ToolButton::Ruler: AdjustRuler(button); break;
    case ToolButton::Measure:
        if (loaded) MeasureClick(x, y, button);
        break;
    case ToolButton::Rect:
        if (loaded) RectRulerClick(x, y, button);
        break;
    case ToolButton::Info:
        if (loaded) InfoClick(x, y, button);
        break;
    case ToolButton::Gap:
        if (loaded) GapClick(x, y, button);
        break;
    case ToolButton::None:
        // A right click puts the table's hits away.
        if (SearchHits.empty()) break;
        if (button == MouseButton::Right) ResetTools(true);
        DrawTablePanel();
        break;
    default: break;
    }
}

void TFormMain::Image10MouseMove(QMouseEvent* event)
{
    Navigation.WheelTarget = "Image10";
    if (EdgeRegions.Hover >= 0 || Timer2->isActive()) StopAutoScrolling();
    if (!ParaPanel->isVisible()) return;
    const int row = HoverPageRow(ToolPageRows, EventX(event), EventY(event));
    if (row == ToolPageRows.Hover) return;
    ToolPageRows.Hover = row;
    DrawParamList();
}

void TFormMain::Image10MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const int row = HitPageRow(ToolPageRows, EventX(event), EventY(event));
    if (row < 0) return;
    switch (ClickPageRow(ActiveTool(), row)) {
    case PageClick::None: return;
    case PageClick::Repaint: DrawParamList(); break;
    case PageClick::RepaintRedraw:
        DrawParamList();
        RedrawView();
        break;
    case PageClick::RepaintRuler:
        DrawParamList();
        DrawDimensionRuler();
        break;
    }
}

void TFormMain::image12MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active() || ActiveTool() == ToolButton::None || ToolPageHeader.Rects.empty()) return;
    const platform::Rect& r = ToolPageHeader.Rects[0];
    const int x = EventX(event), y = EventY(event);
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) ResetTools(true);
}

void TFormMain::image12MouseMove(QMouseEvent*)
{
    Navigation.WheelTarget = "Image12";
    if (EdgeRegions.Hover >= 0 || Timer2->isActive()) StopAutoScrolling();
}

} // namespace mainwin
