// The main window's layer table and code table: their controls, painting
// and mouse events, fed to the models of LayerList and CodeTables.
#include "view/CodeTables.h"
#include "main/FormMain.h"
#include "main/FormParts.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/Redraw.h"
#include "view/SubLists.h"
#include "view/ViewTransform.h"
#include "platform/qt/ColorDialogs.h"
#include "platform/qt/EventGuard.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace mainwin {

namespace {

// Moves and releases over a scroll box outside its rows reach the window.
class ViewportFilter final : public QObject {
public:
    ViewportFilter(QObject* parent, std::function<void()> onMove, std::function<void()> onRelease)
        : QObject(parent), onMove_(std::move(onMove)), onRelease_(std::move(onRelease))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove && onMove_) onMove_();
        if (event->type() == QEvent::MouseButtonRelease && onRelease_) onRelease_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onMove_, onRelease_;
};

// The scroll box's own wheel: a fixed step a notch.
class WheelFilter final : public QObject {
public:
    WheelFilter(QObject* parent, QScrollArea* box, int step) : QObject(parent), box_(box), step_(step) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
        ScrollBy(box_, static_cast<QWheelEvent*>(event), step_);
        return true;
    }

private:
    QScrollArea* box_;
    int step_;
};

} // namespace

void TFormMain::CreateListControls()
{
    Image8 = new platform::SurfaceWidget(PanelLayer);
    Image8->setObjectName("Image8");
    Image8->SetPicture(&LayerHeaderPicture);
    Image8->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image8MouseUp(e); }); };
    Image8->OnMouseDown = [](QMouseEvent*) {};
    Image8->OnMouseMove = [this](QMouseEvent*) { ClearMenuHover(); };
    ScrollBox2 = MakeScrollBox(PanelLayer, "ScrollBox2");
    Image9 = new platform::SurfaceWidget;
    Image9->setObjectName("Image9");
    Image9->SetPicture(&LayerRowsPicture);
    ScrollBox2->setWidget(Image9);
    Image9->OnMouseDown = [this](QMouseEvent* e) { Guarded([&] { Image9MouseDown(e); }); };
    Image9->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image9MouseMove(e); }); };
    Image9->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image9MouseUp(e); }); };
    // The wheel over the rows scrolls a row a notch, over the box 5 pixels.
    Image9->OnWheel = [this](QWheelEvent* e) {
        ScrollBy(ScrollBox2, e, GridRowHeight);
        e->accept();
    };
    ScrollBox2->verticalScrollBar()->setSingleStep(5);
    ScrollBox2->viewport()->setMouseTracking(true);
    ScrollBox2->viewport()->installEventFilter(
        new ViewportFilter(this, [this] { Guarded([&] { ScrollBox2MouseMove(); }); }, [this] { Guarded([&] { ScrollBox2MouseUp(); }); }));
    ScrollBox2->viewport()->installEventFilter(new WheelFilter(this, ScrollBox2, 5));
    MoveBar = new QWidget(Image9);
    MoveBar->setObjectName("MoveBar");
    MoveBar->setAutoFillBackground(true);
    QPalette bar = MoveBar->palette();
    bar.setColor(QPalette::Window, platform::ToQColor(SystemHighlightColor));
    MoveBar->setPalette(bar);
    MoveBar->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    MoveBar->hide();

    Image6 = new platform::SurfaceWidget(PanelList);
    Image6->setObjectName("Image6");
    Image6->SetPicture(&ListHeaderPicture);
    Image6->OnMouseDown = [](QMouseEvent*) {};
    Image6->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image6MouseUp(e); }); };
    Image6->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image6MouseMove(e); }); };
    ScrollBox1 = MakeScrollBox(PanelList, "ScrollBox1");
    // A table wider than the panel scrolls sideways, its header with it.
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(ScrollBox1->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { Guarded([&] { DrawTablePanel(); }); });
    ScrollBox1->viewport()->setMouseTracking(true);
    ScrollBox1->viewport()->installEventFilter(new ViewportFilter(this, [this] { Guarded([&] { ScrollBox1MouseMove(); }); }, {}));
    Image7 = new platform::SurfaceWidget;
    Image7->setObjectName("Image7");
    Image7->SetPicture(&ListBodyPicture);
    ScrollBox1->setWidget(Image7);
    ScrollBox1->hide();
    Image7->OnMouseDown = [](QMouseEvent*) {};
    Image7->OnMouseMove = [this](QMouseEvent*) {
        Navigation.WheelTarget = "Image7";
        if (EdgeRegions.Hover >= 0 || Timer2->isActive()) StopAutoScrolling();
    };
    Image7->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image7MouseUp(e); }); };
    Image7->OnWheel = [this](QWheelEvent* e) {
        ScrollBy(ScrollBox1, e, GridRowHeight);
        e->accept();
    };

    mainwin::LayoutLayerTable = [this](int limit) { return LayoutLayerTable(limit); };
    mainwin::BuildMenuList = [this](const std::string& id, int height) { return BuildMenuList(id, height); };
}

// ------------------------------------------------------------ layer table

int TFormMain::LayoutLayerTable(int limit)
{
    if (core::LayerCount < 1) return 0;
    const int W = PanelFile->width();
    const int h = LayoutLayerGrid(LayerGrid, W, limit);
    const int boxHeight = std::max(0, h - 20 - 5);
    // The rows are as wide as the box shows them: less the vertical bar when
    // they do not all fit, so that nothing hides under it.
    const int rowsWidth = std::max(0, LayerRowsHeight(LayerGrid) > boxHeight ? W - ScrollBox2->verticalScrollBar()->sizeHint().width() : W);
    LayoutLayerGrid(LayerGrid, rowsWidth, limit);
    PanelLayer->resize(W, h);
    Image8->setGeometry(0, 0, W, h);
    ScrollBox2->setGeometry(0, 20, W, boxHeight);
    Image9->resize(rowsWidth, LayerRowsHeight(LayerGrid));
    ScrollBox2->verticalScrollBar()->setValue(0);
    MoveBar->hide();
    DrawLayerTable();
    return h;
}

void TFormMain::FitLayerTable()
{
    FillLayerGrid(LayerGrid);
    LayerRowsPicture.SetFont(platform::FontInfo{});
    FitLayerColumns(LayerGrid, LayerRowsPicture, Image9->width());
}

void TFormMain::DrawLayerTable()
{
    FitLayerTable();
    LayerHeaderPicture.Resize(std::max(0, Image8->width()), std::max(0, Image8->height()), 0);
    DrawLayerHeader(LayerHeaderPicture, LayerGrid);
    LayerRowsPicture.Resize(std::max(0, Image9->width()), std::max(0, Image9->height()), 0);
    DrawLayerRows(LayerRowsPicture, LayerGrid, GroupStartRow);
    Image8->update();
    Image9->update();
}

void TFormMain::ApplyLayerAction(const LayerAction& a)
{
    if (a.ResetTools) ResetTools(true);
    if (a.ChooseColor) {
        const core::MyLayerSet* l = core::LayerAt(a.ColorRow);
        platform::Color c = l ? static_cast<platform::Color>(l->Color) & 0xFFFFFFu : 0;
        if (platform::ColorDialog().ChooseColor(c)) ApplyLayerColor(a.ColorRow, c);
    }
    if (a.ShowMoveBar && a.MoveBarRow >= 1 && a.MoveBarRow < LayerGrid.RowCount) {
        MoveBar->setGeometry(0, LayerGrid.Cells[0][static_cast<std::size_t>(a.MoveBarRow)].top, Image9->width(), 4);
        MoveBar->show();
        MoveBar->raise();
    }
    if (a.HideMoveBar) MoveBar->hide();
    if (a.DrawTable) DrawLayerTable();
    if (a.PumpEvents) platform::PumpEvents(true);
    if (a.RedrawView) RedrawView();
    if (a.LayersMoved) SignalLayersChanged();
}

void TFormMain::Image9MouseDown(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    ApplyLayerAction(LayerPress(LayerGrid, EventX(event), EventY(event), ActiveTool() == ToolButton::Drc));
}

void TFormMain::Image9MouseMove(QMouseEvent* event)
{
    Navigation.WheelTarget = "Image9";
    ScrollBox2MouseMove();
    if (platform::BusyGuard::Active()) return;
    const bool shift = event->modifiers() == Qt::ShiftModifier;
    ApplyLayerAction(LayerMove(LayerGrid, EventX(event), EventY(event), (event->buttons() & Qt::LeftButton) != 0, shift));
}

void TFormMain::Image9MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const bool shift = event->modifiers() == Qt::ShiftModifier;
    ApplyLayerAction(LayerRelease(LayerGrid, EventX(event), EventY(event), ButtonOf(event), shift));
}

void TFormMain::ClearMenuHover()
{
    if (CommandMenu.Hover < 0) return;
    CommandMenu.Hover = -1;
    DrawCommandMenu();
}

void TFormMain::ScrollBox2MouseMove()
{
    if (EdgeRegions.Hover >= 0 || Timer2->isActive()) StopAutoScrolling();
    ClearMenuHover();
}

void TFormMain::ScrollBox1MouseMove()
{
    Navigation.WheelTarget = "Image7";
    ScrollBox2MouseMove();
}

void TFormMain::ScrollBox2MouseUp()
{
    if (platform::BusyGuard::Active()) return;
    ApplyLayerAction(ReleaseOutsideRows(LayerGrid));
}

void TFormMain::Image8MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    ApplyLayerAction(HeaderRelease(LayerGrid, EventX(event), EventY(event), ButtonOf(event)));
}

// ------------------------------------------------------------- code table

int TFormMain::BuildMenuList(const std::string& id, int height)
{
    ScrollBox1->hide();
    const int W = PanelFile->width();
    if (id == "Save" || id == "SetView") {
        const int h = id == "Save" ? 50 : height;
        PanelList->resize(W, h);
        Image6->setGeometry(0, 0, W, h);
        ListHeaderPicture.Resize(W, h, 0);
        if (id == "Save") BuildSaveFormatList(SubList, ListHeaderPicture);
        else BuildViewOptionsList(SubList, ListHeaderPicture, Options);
        DrawSubList();
        return h;
    }
    if (id != "Aperture" && id != "Tool") return 0;
    auto build = [&](int rowsWidth) {
        return id == "Aperture" ? BuildApertureTable(CodeTable, rowsWidth, height, ListHeaderPicture)
                                : BuildToolTable(CodeTable, rowsWidth, height, ListHeaderPicture);
    };
    TableLayout t = build(W);
    if (t.PanelHeight <= 0) return 0;
    // The rows are as wide as the box shows them: less the vertical bar when
    // they do not all fit, so that nothing hides under it.
    const int barWidth = ScrollBox1->verticalScrollBar()->sizeHint().width();
    const int barHeight = ScrollBox1->horizontalScrollBar()->sizeHint().height();
    bool vertical = TableBodyHeight(CodeTable) > t.BodyHeight;
    if (vertical) t = build(W - barWidth);
    // A table wider than that scrolls sideways: the panel grows by the bar,
    // within its limit, so that the last row is not under it.
    if (TableWidth(CodeTable) > W - (vertical ? barWidth : 0)) {
        const int grow = std::max(0, std::min(height, t.PanelHeight + barHeight) - t.PanelHeight);
        // The sideways bar may bring the vertical one: the rows are laid out
        // again clear of it, their edge between two columns.
        if (!vertical && TableBodyHeight(CodeTable) > t.BodyHeight + grow - barHeight) {
            vertical = true;
            t = build(W - barWidth);
        }
        t.PanelHeight += grow;
        t.BodyHeight += grow;
    }
    PanelList->resize(W, t.PanelHeight);
    Image6->setGeometry(0, 0, W, t.PanelHeight);
    ScrollBox1->setGeometry(0, t.BodyTop, W, t.BodyHeight);
    Image7->resize(std::max(W - (vertical ? barWidth : 0), TableWidth(CodeTable)), TableBodyHeight(CodeTable));
    ScrollBox1->verticalScrollBar()->setValue(0);
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->show();
    DrawTablePanel();
    return t.PanelHeight;
}

void TFormMain::DrawTablePanel()
{
    ListHeaderPicture.Resize(std::max(0, Image6->width()), std::max(0, Image6->height()), 0);
    DrawTableHeader(ListHeaderPicture, CodeTable, CommandMenu.Current == "Tool", ScrollBox1->horizontalScrollBar()->value());
    ListBodyPicture.Resize(std::max(0, Image7->width()), std::max(0, Image7->height()), 0);
    DrawTableBody(ListBodyPicture, CodeTable);
    Image6->update();
    Image7->update();
}

void TFormMain::Image7MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const std::string& id = CommandMenu.Current;
    if (id != "Aperture" && id != "Tool") return;
    ResetTools(true);
    if (event->button() != Qt::LeftButton) return;
    const int row = HitCodeRow(CodeTable, EventX(event), EventY(event));
    if (row < 1 || static_cast<std::size_t>(row) >= CodeTable.RowCodes.size()) return;
    CodeTable.HotRow = row;
    DrawTablePanel();
    const bool tools = id == "Tool";
    const int code = CodeTable.RowCodes[static_cast<std::size_t>(row)];
    const std::vector<int> hits = SearchCodeElements(tools, code);
    if (!hits.empty()) {
        HighlightPrimitives(hits);
        Image2->update();
        Image2->setVisible(Highlight.Visible);
        return;
    }
    platform::ShowInformation(NoCodeElementsText(tools, code));
    CodeTable.HotRow = -1;
    DrawTablePanel();
}

// --------------------------------------------------------------- sub-lists

void TFormMain::DrawSubList()
{
    ListHeaderPicture.Resize(std::max(0, Image6->width()), std::max(0, Image6->height()), 0);
    mainwin::DrawSubList(ListHeaderPicture, SubList);
    Image6->update();
}

void TFormMain::Image6MouseMove(QMouseEvent* event)
{
    ScrollBox2MouseMove();
    const std::string& id = CommandMenu.Current;
    if (id != "SetView" && id != "Save") return;
    const int item = HitSubList(SubList, EventX(event), EventY(event));
    if (item != SubList.Hover) {
        SubList.Hover = item;
        DrawSubList();
    }
}

void TFormMain::Image6MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const std::string id = CommandMenu.Current;
    if (id != "SetView" && id != "Save") return;
    const int item = HitSubList(SubList, EventX(event), EventY(event));
    if (item < 0) return;
    if (id == "SetView") {
        const ViewOptionEffect effect = ClickViewOption(SubList, item, Options);
        DrawSubList();
        if (effect == ViewOptionEffect::Redraw) RedrawView();
        else if (effect == ViewOptionEffect::Resize) FormResize();
        return;
    }
    if (core::LayerCount < 1) return;
    ResetTools(true);
    if (MemoReadFlag == 0 && !platform::AskYesNo(MemoNotReadQuestion)) return;
    SaveFormat = item == 0 ? 0 : 1;
    DrawSubList();
    if (item == 0) SaveProjectFile();
    else ExportEarlierProjects();
    DrawCommandMenu();
}

} // namespace mainwin
