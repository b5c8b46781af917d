// The main window's command menu, status bar and navigation: the events of
// the menu, the pan frame, the picture, the keys, the wheel, the timers and
// the TOP / BOTTOM selector, fed to the rules of CommandMenu and Navigation.
#include "main/FormMain.h"
#include "main/FormParts.h"

#include "main/FormMemo.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "main/PictureView.h"
#include "view/Redraw.h"
#include "view/SubLists.h"
#include "view/ViewTransform.h"
#include "platform/qt/EventGuard.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/MessageBoxes.h"

#include <QApplication>
#include <QCursor>
#include <initializer_list>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace mainwin {

void TFormMain::CreateMenuControls()
{
    setFocusPolicy(Qt::StrongFocus);

    PanelLayer = new QWidget(PanelFile);
    PanelLayer->setObjectName("PanelLayer");
    PanelLayer->hide();
    PanelList = new QWidget(PanelFile);
    PanelList->setObjectName("PanelList");
    PanelList->hide();
    ParaPanel = new QWidget(PanelFile);
    ParaPanel->setObjectName("ParaPanel");
    ParaPanel->hide();

    Image4 = new platform::SurfaceWidget(PanelFile);
    Image4->setObjectName("Image4");
    Image4->SetPicture(&MenuPicture);
    Image4->lower();
    Image4->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image4MouseUp(e); }); };
    Image4->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image4MouseMove(e); }); };
    Image4->OnMouseDown = [](QMouseEvent*) {};

    Image5 = new platform::SurfaceWidget(this);
    Image5->setObjectName("Image5");
    Image5->SetPicture(&SidePicture);
    Image5->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image5MouseUp(e); }); };
    Image5->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image5MouseMove(e); }); };
    Image5->OnMouseDown = [](QMouseEvent*) {};

    Image3->OnMouseDown = [this](QMouseEvent* e) { Guarded([&] { Image3MouseDown(e); }); };
    Image3->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image3MouseUp(e); }); };
    Image3->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image3MouseMove(e); }); };
    Image1->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image1MouseMove(e); }); };
    // The form sees the wheel first over the picture and the menu, and the
    // keys whatever control of it has the focus (see eventFilter).
    for (platform::SurfaceWidget* w : {Image1, Image3, Image4, Image5}) w->OnWheel = [this](QWheelEvent* e) { wheelEvent(e); };
    qApp->installEventFilter(this);

    MoveCursorTo = [this](int x, int y) {
        const QPoint target = Image1->mapToGlobal(QPoint(x, y));
        QCursor::setPos(target);
        return QCursor::pos() == target;
    };

    // Moves over the splitter and the status bar end auto-scroll too.
    for (QWidget* w : std::initializer_list<QWidget*>{Splitter1, StatusBar1}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
        autoScrollStoppers_.push_back(w);
    }

    CreateListControls();

    // The open command rebuilds the menu after the layers changed.
    RebuildCommandMenu = [this] {
        BuildCommandMenu(true);
        DrawCommandMenu();
    };

    Timer1 = new QTimer(this);
    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([&] { Timer1Timer(); }); });
    Timer1->start();
    Timer2 = new QTimer(this);
    Timer2->setInterval(200);
    connect(Timer2, &QTimer::timeout, this, [this] { Guarded([&] { Timer2Timer(); }); });
    Timer2->start();
}

// ----------------------------------------------------------- command menu

void TFormMain::BuildCommandMenu(bool rebuildLists)
{
    const int W = PanelFile->width();
    const int HL = PanelFile->height() - 242;
    if (core::LayerCount < 1) {
        PanelLayer->hide();
        StatusBar1->SetPanelText(1, StatusNoPointerText);
        StatusBar1->SetPanelText(0, std::string(StatusCountText) + "0");
        StatusBar1->SetPanelText(2, MenuHintNoData);
    } else {
        StatusBar1->SetPanelText(2, ToolHint(ActiveTool()));
        if (rebuildLists) {
            const int h = mainwin::LayoutLayerTable(LayerTableLimit(ActiveTool(), HL, CommandMenu.Current));
            PanelLayer->resize(W, std::max(0, h));
            PanelLayer->setVisible(h > 0);
        }
    }
    ParaPanel->hide();
    ParaPanel->setGeometry(0, ParaPanel->y(), W, ParaPanel->height());
    PanelList->hide();

    int listHeight = 0;
    const std::string& id = CommandMenu.Current;
    // The tables stay open under the rectangle ruler only.
    const ToolButton tool = ActiveTool();
    const bool toolDown = tool != ToolButton::None && tool != ToolButton::Rect;
    if (id == "SetView") listHeight = mainwin::BuildMenuList(id, 80);
    else if (!toolDown && (id == "Aperture" || id == "Tool" || id == "Save"))
        listHeight = mainwin::BuildMenuList(id, static_cast<int>(HL * 0.4));

    const bool layerShown = core::LayerCount >= 1 && !PanelLayer->isHidden();
    const MenuPlacement place = LayoutCommandMenu(CommandMenu, W, layerShown, PanelLayer->height(), listHeight);
    if (place.LayerTop >= 0) PanelLayer->move(0, place.LayerTop);
    if (place.ListTop >= 0 && listHeight > 0) {
        PanelList->setGeometry(0, place.ListTop, W, listHeight);
        PanelList->show();
    }
    ParaPanel->setGeometry(0, place.ParaTop, W, std::max(0, PanelFile->height() - place.ParaTop));
    BuildToolPage();
}

void TFormMain::DrawCommandMenu()
{
    SetCommandMarks(CommandMenu, core::StepMarks);
    MenuPicture.Resize(std::max(0, Image4->width()), std::max(0, Image4->height()), 0);
    mainwin::DrawCommandMenu(MenuPicture, CommandMenu);
    Image4->update();
}

void TFormMain::Image4MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    Image11->hide();
    const int row = HitCommandRow(CommandMenu, EventX(event), EventY(event));
    if (row < 0) return;
    RunCommandRow(row);
}

void TFormMain::RunCommandRow(int row)
{
    if (row < 0 || row >= CommandMenu.Count || static_cast<std::size_t>(row) >= CommandMenu.Id.size()) return;
    const auto k = static_cast<std::size_t>(row);
    auto rebuild = [this] {
        BuildCommandMenu(false);
        DrawCommandMenu();
    };
    // An open row closes again.
    if (CommandMenu.ExpanderIcon[k] == IconOpen) {
        if (CommandMenu.Current == "Aperture" || CommandMenu.Current == "Tool") ResetTools(true);
        CommandMenu.Current.clear();
        CommandMenu.ExpanderIcon[k] = IconClosed;
        rebuild();
        return;
    }
    const std::string id = CommandMenu.Id[k];
    CommandMenu.Current = id;
    CommandMenu.Hover = -1;
    if (id == "New") {
        ResetTools(true);
        NewCommand();
        CommandMenu.Current.clear();
        rebuild();
    } else if (id == "Open") {
        ResetTools(true);
        rebuild();
        OpenFilesDialog();
        CommandMenu.Current.clear();
        DrawCommandMenu();
    } else if (id == "Tool") {
        ResetTools(true);
        if (core::ToolCount < 1 || core::LayerCount < 1) CommandMenu.Current.clear();
        rebuild();
    } else if (id == "Aperture") {
        ResetTools(true);
        // The program-folder aperture table stays loaded after a clear:
        // without layers there is still nothing of the data to show.
        if (core::MaxDCode < 10 || core::LayerCount < 1) CommandMenu.Current.clear();
        rebuild();
    } else if (id == "Parameter") {
        ResetTools(true);
        rebuild();
        ShowParametersDialog();
        platform::PumpEvents(true);
        RedrawView();
        const std::string title = core::ProjectBasics.Title;
        setWindowTitle(QString::fromStdString(title.empty() ? std::string(ProgramTitle) : std::string(ProgramTitle) + " - " + title));
        CommandMenu.Current.clear();
        BuildCommandMenu(true);
        DrawCommandMenu();
    } else if (id == "Print") {
        ResetTools(true);
        rebuild();
        if (MemoReadFlag == 0 && core::LayerCount >= 1 && !platform::AskYesNo(MemoNotReadQuestion)) {
            CommandMenu.Current.clear();
            DrawCommandMenu();
            return;
        }
        PrintCommand();
        CommandMenu.Current.clear();
        rebuild();
    } else if (id == "Copy") {
        ResetTools(true);
        rebuild();
        CopyCommand();
        CommandMenu.Current.clear();
        rebuild();
    } else if (id == "Save") {
        ResetTools(true);
        rebuild();
    } else if (id == "SetView") {
        rebuild();
    } else if (id == "Memo") {
        if (TFormMemo* memo = FormMemo()) {
            memo->setWindowTitle(QString::fromStdString(" " + CommandMenu.Caption[k]));
            memo->move(x() + 80, y() + height() / 2);
            MemoMode = "Memo";
            memo->show();
        }
        platform::PumpEvents(true);
        CommandMenu.Current.clear();
        MemoReadFlag = 1;
        core::StepMarks[4] = 1;
        DrawCommandMenu();
        rebuild();
    } else if (id == "End") {
        ResetTools(true);
        // A cancelled exit leaves no row marked.
        if (!close()) {
            CommandMenu.Current.clear();
            DrawCommandMenu();
        }
    } else {
        rebuild();
    }
}

void TFormMain::Image4MouseMove(QMouseEvent* event)
{
    if (EdgeRegions.Hover >= 0) StopAutoScrolling();
    if (PanelList->isVisible() && SubList.Hover >= 0) {
        SubList.Hover = -1;
        DrawSubList();
    }
    const int row = HitCommandRow(CommandMenu, EventX(event), EventY(event));
    if (row != CommandMenu.Hover) {
        CommandMenu.Hover = row;
        DrawCommandMenu();
    }
}

// ------------------------------------------------------------- navigation

void TFormMain::DrawPanFrame()
{
    PanFramePicture.Resize(std::max(0, Image3->width()), std::max(0, Image3->height()), 0);
    mainwin::DrawPanFrame(PanFramePicture, PanFrame);
    Image3->update();
}

void TFormMain::StopAutoScrolling()
{
    const bool scrolling = Timer2->isActive();
    StopAutoScroll();
    Timer2->stop();
    if (scrolling) ShowSkippedOverlays();
}

void TFormMain::Image3MouseDown(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const int region = HitScrollRegion(PanFrame, EventX(event), EventY(event));
    if (region < 0) return;
    PanFrame.Hover = region;
    DrawPanFrame();
    platform::PumpEvents(true);
    PanView(PanFrameDirection(region), event->button() == Qt::LeftButton ? 50 : 100);
    Image1->update();
}

void TFormMain::Image3MouseUp(QMouseEvent*)
{
    PanFrame.Hover = -1;
    DrawPanFrame();
}

void TFormMain::Image3MouseMove(QMouseEvent*)
{
    if (EdgeRegions.Hover >= 0 || Timer2->isActive()) StopAutoScrolling();
}

void TFormMain::Image1MouseMove(QMouseEvent* event)
{
    ClearMenuHover();
    const int x = EventX(event), y = EventY(event);
    if (PointerOverPicture(x, y)) {
        if (!Timer2->isActive()) Timer2->start();
    }
    TrackToolPointer(x, y);
    if (core::DataCount > 0 && View.Scale > 0) {
        double dx = 0, dy = 0;
        PointerDataPoint(dx, dy);
        StatusBar1->SetPanelText(1, PointerPositionText(dx, dy));
    }
}

void TFormMain::ApplyNavigation(const NavResult& r)
{
    if (r.Redraw) {
        Image1->update();
        Image2->setVisible(Highlight.Visible);
    }
    // The pointer goes back onto the zoom point. Where the display server
    // refuses that, the pointer stays and so does its last position: the
    // next step zooms about what is under it then.
    if (r.MoveCursor && MoveCursorTo && MoveCursorTo(r.CursorX, r.CursorY)) {
        Navigation.LastX = r.CursorX;
        Navigation.LastY = r.CursorY;
    }
}

bool TFormMain::FormKeyDown(int key)
{
    NavKey k{};
    switch (key) {
    case Qt::Key_Up: k = NavKey::Up; break;
    case Qt::Key_Left: k = NavKey::Left; break;
    case Qt::Key_Down: k = NavKey::Down; break;
    case Qt::Key_Right: k = NavKey::Right; break;
    case Qt::Key_PageUp: k = NavKey::PageUp; break;
    case Qt::Key_PageDown: k = NavKey::PageDown; break;
    case Qt::Key_Home: k = NavKey::Home; break;
    default: return false;
    }
    // Consumed even while busy: the view is not touched then.
    if (platform::BusyGuard::Active()) return true;
    ApplyNavigation(NavigationKey(k));
    return true;
}

void TFormMain::FormMouseWheel(QWheelEvent* event)
{
    event->accept();
    const int notches = TakeWheelNotches(event->angleDelta().y());
    if (notches == 0 || platform::BusyGuard::Active()) return;
    if (Navigation.WheelTarget != "Image1" || ShownLayerCount < 1) return;
    // Several notches in one event zoom step by step about the same point.
    for (int i = 0; i < std::abs(notches); ++i) ApplyNavigation(WheelZoomStep(notches > 0));
}

void TFormMain::wheelEvent(QWheelEvent* event)
{
    Guarded([&] { FormMouseWheel(event); });
}

void TFormMain::Timer1Timer()
{
    // A redraw in progress owns the highlight layer.
    if (platform::BusyGuard::Active()) return;
    if (Highlight.Blinking) Highlight.Visible = !Highlight.Visible;
    if (Image2->isVisible() != Highlight.Visible) Image2->setVisible(Highlight.Visible);
}

void TFormMain::Timer2Timer()
{
    // Never over a picture that long work is rebuilding: the tick waits.
    if (platform::BusyGuard::Active()) return;
    if (!AutoScrollTick()) {
        Timer2->stop();
        ShowSkippedOverlays();
        Image1->update();
        return;
    }
    Image1->update();
}

int TFormMain::SideSelectorWidth()
{
    // Wide enough for both tabs in our fonts.
    return std::max(200, LayoutSideSelector(SidePicture).Bottom.right);
}

void TFormMain::BuildSideSelector()
{
    const int w = SideSelectorWidth();
    Image5->setGeometry(DspPanel->x() + Panel1->x(), Panel1->y() - 19, w, 20);
    SidePicture.Resize(w, 20, PanelFaceColor);
    SideSelector = LayoutSideSelector(SidePicture);
    DrawSideSelector(SidePicture, PanelFaceColor);
    LayoutTopBar();
    Image5->update();
}

void TFormMain::Image5MouseUp(QMouseEvent* event)
{
    if (platform::BusyGuard::Active()) return;
    const int side = HitSideSelector(SideSelector, EventX(event), EventY(event));
    if (side < 0) return;
    Options.MIRR = side == 1;
    BuildSideSelector();
    // The origin follows the mirror.
    SetViewZoom(false, 0, 0, 1.0);
    RedrawView();
}

void TFormMain::Image5MouseMove(QMouseEvent*)
{
    StopAutoScrolling();
    ClearMenuHover();
}

} // namespace mainwin
