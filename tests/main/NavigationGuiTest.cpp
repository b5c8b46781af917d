// The command menu and the navigation of the main window offscreen: row
// clicks reach their commands, the wheel zooms about the pointer,
// auto-scroll, keys, the pan frame, the side selector, the status bar.
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/view/ViewFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::FakeMessageBoxes;
using platform::MsgResult;

namespace {

class NavigationGuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(dir.path().toStdString());
        fs::create_directories(root / "home");
        setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "xdg-data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "xdg-config").c_str(), 1);
        platform::ResetProgramFolder();
        viewtest::ResetAll();
        CommandMenu = {};
        Navigation = {};
        calls.clear();
        platform::SetFileDialogs(&dialogs);
        ShowParametersDialog = [this] { ++calls["Parameter"]; };
        PrintCommand = [this] { ++calls["Print"]; };
        CopyCommand = [this] { ++calls["Copy"]; };
        ResetTools = [this](bool) { ++calls["ResetTools"]; };
        form = std::make_unique<TFormMain>(QStringList{});
        // The lists are counted here, not built.
        BuildMenuList = [this](const std::string& id, int) {
            ++calls["List:" + id];
            return 60;
        };
        MemoReadFlag = 1;
        form->MoveCursorTo = [this](int x, int y) {
            cursor = {x, y};
            ++cursorMoves;
            return cursorWorks;
        };
        form->show();
        form->resize(1000, 700);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form->CloseMode = -1;
        form.reset();
        ShowParametersDialog = PrintCommand = CopyCommand = [] {};
        ResetTools = [](bool) {};
        BuildMenuList = [](const std::string&, int) { return 0; };
        platform::SetFileDialogs(nullptr);
        ShownLayerCount = 0;
        core::StepMarks = {};
        viewtest::ResetAll();
        Navigation = {};
        CommandMenu = {};
        platform::ResetProgramFolder();
    }

    // A board of 100 × 50 mm on layer 1, fitted to the picture.
    void LoadBoard()
    {
        viewtest::ShowLayer(1, platform::RGB(0, 255, 0));
        core::MaxDCode = 10;
        core::Apertures[10].Shape = core::apCircle;
        core::Apertures[10].Size1 = 0.2;
        for (int i = 0; i <= 10; ++i) {
            core::DataElement e = viewtest::Element(1, 1, 10, 0, i * 5.0, 100, i * 5.0);
            core::AppendElement(e);
        }
        core::Extents.Width = 100;
        core::Extents.Height = 50;
        core::Extents.CentreX = 50;
        core::Extents.CentreY = 25;
        ShownLayerCount = 1;
        form->FormResize();
        SetViewZoom(false, 0, 0, -1.0);
        form->RedrawView();
    }

    void Mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPointF p(x, y);
        QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void ClickRow(int row)
    {
        const platform::Rect r = CommandMenu.Rects[static_cast<std::size_t>(row)];
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        Mouse(form->Image4, QEvent::MouseButtonPress, x, y);
        Mouse(form->Image4, QEvent::MouseButtonRelease, x, y);
    }
    void Wheel(QWidget* w, int x, int y, int delta)
    {
        const QPointF p(x, y);
        QWheelEvent e(p, w->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }
    void Key(int key)
    {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &e);
    }

    QTemporaryDir dir;
    fs::path root;
    FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scope{&boxes};
    platform::FakeFileDialogs dialogs;
    std::unique_ptr<TFormMain> form;
    std::map<std::string, int> calls;
    QPoint cursor;
    int cursorMoves = 0;
    bool cursorWorks = true;
};

TEST_F(NavigationGuiTest, StartsWithTheMenuAndTheNoDataStatus)
{
    EXPECT_EQ(form->StatusBar1->PanelText(0), " データ数 = 0");
    EXPECT_EQ(form->StatusBar1->PanelText(1), " マウス座標 X = 0 Y = 0");
    EXPECT_EQ(form->StatusBar1->PanelText(2), " <メニュー> [開く]で、データを入力することができます ...");
    ASSERT_EQ(CommandMenu.Count, 12);
    EXPECT_EQ(CommandMenu.Rects[0].right, form->PanelFile->width());
    EXPECT_EQ(form->MenuPicture.Width(), form->PanelFile->width());
    // The face colour with rows painted on it.
    EXPECT_EQ(form->MenuPicture.Pixel(form->PanelFile->width() - 2, 5), platform::RGB(236, 233, 216));
}

TEST_F(NavigationGuiTest, AClickOnEachRowReachesItsCommand)
{
    LoadBoard();
    core::ToolCount = 1;
    struct Case {
        int row;
        const char* call;
        const char* current;   // open afterwards
    } cases[] = {
        {2, "List:Tool", "Tool"}, {3, "List:Aperture", "Aperture"},
        {4, "Parameter", ""},    {5, "Print", ""},       {6, "Copy", ""},          {7, "List:Save", "Save"},
        {8, "List:SetView", "SetView"},
    };
    for (const Case& c : cases) {
        CommandMenu.Current.clear();
        form->BuildCommandMenu(false);
        calls.clear();
        ClickRow(c.row);
        EXPECT_GE(calls[c.call], 1) << c.row;
        EXPECT_EQ(CommandMenu.Current, c.current) << c.row;
        if (c.row != 8) {
            EXPECT_GE(calls["ResetTools"], 1) << c.row;
        }
    }
    // An open row closes again on a second click.
    const int row = CommandRowOf(CommandMenu, "SetView");
    EXPECT_EQ(CommandMenu.ExpanderIcon[static_cast<std::size_t>(row)], IconOpen);
    EXPECT_TRUE(form->PanelList->isVisible());
    ClickRow(row);
    EXPECT_EQ(CommandMenu.Current, "");
    EXPECT_EQ(CommandMenu.ExpanderIcon[static_cast<std::size_t>(row)], IconClosed);

    // Open: the open dialog (cancelled here).
    ClickRow(1);
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(CommandMenu.Current, "");

    // Memo: its step mark shows.
    ClickRow(9);
    EXPECT_EQ(core::StepMarks[4], 1);
    EXPECT_EQ(CommandMenu.CheckIcon[9], IconCheck);
    EXPECT_EQ(MemoReadFlag, 1);

    // End asks the exit question.
    boxes.answers = {MsgResult::Cancel};
    ClickRow(10);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, ExitQuestion);
    EXPECT_TRUE(form->isVisible());

    // New asks first; a yes clears the data.
    boxes.answers = {MsgResult::No};
    ClickRow(0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, NewQuestion);
    EXPECT_GE(core::LayerCount, 1);
    boxes.answers = {MsgResult::Yes};
    ClickRow(0);
    EXPECT_EQ(core::LayerCount, 0);
    EXPECT_EQ(CommandMenu.Current, "");
    EXPECT_EQ(form->StatusBar1->PanelText(0), " データ数 = 0");
}

TEST_F(NavigationGuiTest, WithoutLayersTablesOpenNothing)
{
    ClickRow(2);
    EXPECT_EQ(CommandMenu.Current, "");
    ClickRow(3);
    EXPECT_EQ(CommandMenu.Current, "");
    EXPECT_FALSE(form->PanelList->isVisible());
}

TEST_F(NavigationGuiTest, PrintAsksWhenTheMemoWasNotRead)
{
    LoadBoard();
    MemoReadFlag = 0;
    boxes.answers = {MsgResult::No};
    ClickRow(5);
    EXPECT_EQ(calls["Print"], 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, MemoNotReadQuestion);
    ClickRow(9);   // the memo
    ClickRow(5);
    EXPECT_EQ(calls["Print"], 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(NavigationGuiTest, HoverMarksARowAndThePictureClearsIt)
{
    const platform::Rect r = CommandMenu.Rects[1];
    Mouse(form->Image4, QEvent::MouseMove, 10, r.top + 5);
    EXPECT_EQ(CommandMenu.Hover, 1);
    EXPECT_EQ(form->MenuPicture.Pixel(r.left, r.top), platform::RGB(0, 0, 128));
    Mouse(form->Image1, QEvent::MouseMove, 10, 10);
    EXPECT_EQ(CommandMenu.Hover, -1);
}

TEST_F(NavigationGuiTest, AWheelNotchZoomsAboutThePointUnderThePointer)
{
    LoadBoard();
    Mouse(form->Image1, QEvent::MouseMove, 300, 200);
    double x0 = 0, y0 = 0;
    ScreenToData(300, 200, x0, y0);
    // The status bar shows the pointer's data point.
    EXPECT_EQ(form->StatusBar1->PanelText(1), PointerPositionText(x0, y0));
    EXPECT_EQ(form->StatusBar1->PanelText(0).rfind(" データ数 = ", 0), 0u);

    Wheel(form->Image1, 300, 200, 120);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.5);
    ASSERT_EQ(cursorMoves, 1);
    int px = 0, py = 0;
    DataToScreen(x0, y0, px, py);
    EXPECT_LE(std::abs(px - cursor.x()), 1);
    EXPECT_LE(std::abs(py - cursor.y()), 1);
    double x1 = 0, y1 = 0;
    ScreenToData(cursor.x(), cursor.y(), x1, y1);
    EXPECT_NEAR(x1, x0, 1.0 / View.Scale);
    EXPECT_NEAR(y1, y0, 1.0 / View.Scale);

    // The pointer's own move sets the target again; high-resolution deltas
    // add up to a notch.
    Mouse(form->Image1, QEvent::MouseMove, cursor.x(), cursor.y());
    Wheel(form->Image1, cursor.x(), cursor.y(), 60);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.5);
    Wheel(form->Image1, cursor.x(), cursor.y(), 60);
    EXPECT_DOUBLE_EQ(View.Zoom, 2.25);
    // Backward: halves, then fits.
    Wheel(form->Image1, cursor.x(), cursor.y(), -120);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.125);
    Wheel(form->Image1, cursor.x(), cursor.y(), -120);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.0);
}

TEST_F(NavigationGuiTest, ZoomWorksWhereThePointerCannotBeMoved)
{
    LoadBoard();
    cursorWorks = false;
    Mouse(form->Image1, QEvent::MouseMove, 100, 100);
    Wheel(form->Image1, 100, 100, 120);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.5);
    // The pointer stayed at (100, 100): the next notch zooms about what is there now.
    double x = 0, y = 0;
    ScreenToData(100, 100, x, y);
    Wheel(form->Image1, 100, 100, 120);
    EXPECT_DOUBLE_EQ(View.Zoom, 2.25);
    int px = 0, py = 0;
    DataToScreen(x, y, px, py);
    EXPECT_LE(std::abs(px - cursor.x()), 1);
    EXPECT_LE(std::abs(py - cursor.y()), 1);
}

TEST_F(NavigationGuiTest, KeysBeforeAnyPointerMoveZoomAboutTheCentre)
{
    LoadBoard();
    const double cx = View.CentreX, cy = View.CentreY;
    Key(Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(View.Zoom, 2.0);
    EXPECT_NEAR(View.CentreX, cx, 1e-9);
    EXPECT_NEAR(View.CentreY, cy, 1e-9);
    Key(Qt::Key_Left);
    EXPECT_NEAR(View.CentreX, cx - View.VisibleWidth / 2, 1e-9);
    Key(Qt::Key_Home);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.0);
    // A wheel turn before any move over the picture zooms nothing (no target).
    Wheel(form.get(), 5, 5, 120);
    EXPECT_DOUBLE_EQ(View.Zoom, 1.0);
}

TEST_F(NavigationGuiTest, AutoScrollMovesATenthOfTheViewPerTick)
{
    Options.AUTOSCR = true;
    LoadBoard();
    EXPECT_EQ(form->Image1->geometry(), form->Image3->geometry());
    SetViewZoom(true, 50, 25, -4.0);
    const int h = form->Image1->height();
    Mouse(form->Image1, QEvent::MouseMove, 5, h / 2);   // left edge
    EXPECT_EQ(EdgeRegions.Hover, 1);
    EXPECT_TRUE(form->Timer2->isActive());
    EXPECT_EQ(form->Timer2->interval(), 200);
    const double cx = View.CentreX;
    form->Timer2Timer();
    EXPECT_NEAR(View.CentreX, cx - 0.1 * View.VisibleWidth, 1e-9);
    form->Timer2Timer();
    EXPECT_NEAR(View.CentreX, cx - 0.2 * View.VisibleWidth, 1e-9);
    {
        // Nothing moves while long work holds the window.
        platform::BusyGuard busy;
        form->Timer2Timer();
        EXPECT_NEAR(View.CentreX, cx - 0.2 * View.VisibleWidth, 1e-9);
    }
    // The real timer ticks on its own.
    const double before = View.CentreX;
    QEventLoop loop;
    QTimer::singleShot(450, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_LT(View.CentreX, before);
    // Moving onto the menu stops it.
    Mouse(form->Image4, QEvent::MouseMove, 10, 10);
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(EdgeRegions.Hover, -1);
}

TEST_F(NavigationGuiTest, TheHighlightBlinksButNotWhileBusy)
{
    LoadBoard();
    HighlightPrimitives({1});
    form->Timer1Timer();
    const bool shown = form->Image2->isVisible();
    form->Timer1Timer();
    EXPECT_NE(form->Image2->isVisible(), shown);
    {
        platform::BusyGuard busy;
        const bool now = form->Image2->isVisible();
        form->Timer1Timer();
        EXPECT_EQ(form->Image2->isVisible(), now);
    }
    // A redraw ends the blink and hides the layer.
    form->RedrawView();
    EXPECT_FALSE(form->Image2->isVisible());
    form->Timer1Timer();
    EXPECT_FALSE(form->Image2->isVisible());
    EXPECT_EQ(form->Timer1->interval(), 300);
}

TEST_F(NavigationGuiTest, ACancelledEndLeavesNoRowMarked)
{
    boxes.answers = {MsgResult::Cancel};
    ClickRow(10);
    EXPECT_EQ(CommandMenu.Current, "");
}

TEST_F(NavigationGuiTest, PanFrameMovesByHalfOrWholeView)
{
    LoadBoard();
    SetViewZoom(true, 50, 25, -4.0);
    const double cx = View.CentreX, cy = View.CentreY, w = View.VisibleWidth, hh = View.VisibleHeight;
    Mouse(form->Image3, QEvent::MouseButtonPress, 3, 3, Qt::RightButton);   // top-left corner
    EXPECT_EQ(PanFrame.Hover, 0);
    EXPECT_NEAR(View.CentreX, cx - w, 1e-9);
    EXPECT_NEAR(View.CentreY, cy + hh, 1e-9);
    Mouse(form->Image3, QEvent::MouseButtonRelease, 3, 3, Qt::RightButton);
    EXPECT_EQ(PanFrame.Hover, -1);
    SetViewZoom(true, 50, 25, 1.0);
    Mouse(form->Image3, QEvent::MouseButtonPress, 3, 3, Qt::LeftButton);
    EXPECT_NEAR(View.CentreX, cx - w / 2, 1e-9);
    EXPECT_NEAR(View.CentreY, cy + hh / 2, 1e-9);
}

TEST_F(NavigationGuiTest, TheSideSelectorMirrorsTheView)
{
    LoadBoard();
    const SideTabs tabs = form->SideSelector;
    Mouse(form->Image5, QEvent::MouseButtonRelease, (tabs.Bottom.left + tabs.Bottom.right) / 2, 9);
    EXPECT_TRUE(Options.MIRR);
    int px = 0, py = 0;
    DataToScreen(0, 25, px, py);   // the left end of the board is on the right now
    EXPECT_GT(px, form->Image1->width() / 2);
    Mouse(form->Image5, QEvent::MouseButtonRelease, (tabs.Top.left + tabs.Top.right) / 2, 9);
    EXPECT_FALSE(Options.MIRR);
}

} // namespace
