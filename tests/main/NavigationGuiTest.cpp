// The command menu and the navigation of the main window offscreen: row
// clicks reach their commands, the wheel zooms about the pointer,
// auto-scroll, keys, the pan frame, the side selector, the status bar.
#include "tests/main/WindowFixture.h"
#include "core/DesignRules.h"
#include "view/CodeTables.h"
#include "view/ToolState.h"
#include "main/OpenList.h"

#include <fstream>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::FakeMessageBoxes;
using platform::MsgResult;

namespace {

class NavigationGuiTest : public maintest::MainWindowGui {};

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
        form->swMeasure->click();
        ASSERT_EQ(form->ActiveTool(), ToolButton::Measure);
        CommandMenu.Current.clear();
        form->BuildCommandMenu(false);
        calls.clear();
        ClickRow(c.row);
        EXPECT_GE(calls[c.call], 1) << c.row;
        EXPECT_EQ(CommandMenu.Current, c.current) << c.row;
        // Every row but the view options ends the tool.
        EXPECT_EQ(form->ActiveTool(), c.row == 8 ? ToolButton::Measure : ToolButton::None) << c.row;
        form->ResetTools(true);
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

TEST_F(NavigationGuiTest, KeysReachTheFormWhicheverOfItsControlsHasTheFocus)
{
    LoadBoard();
    SetViewZoom(true, 50, 25, -4.0);
    form->RedrawView();
    // A click in a list gives it the focus; its scroll box would take the
    // arrows for itself.
    for (QWidget* w : {static_cast<QWidget*>(form->ScrollBox2), form->ScrollBox2->viewport(),
                       static_cast<QWidget*>(form->ScrollBox1), static_cast<QWidget*>(form->ScrollBox3)}) {
        SCOPED_TRACE(w->objectName().toStdString());
        w->setFocus();
        const double x = View.CentreX, z = View.Zoom;
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(w, &right);
        EXPECT_TRUE(right.isAccepted());
        EXPECT_NEAR(View.CentreX, x + View.VisibleWidth / 2, 1e-9);
        QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(w, &down);
        EXPECT_NEAR(View.Zoom, z / 2, 1e-9);
        SetViewZoom(true, 50, 25, -4.0);
    }
    // Other keys go where they were sent.
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    a.ignore();
    QApplication::sendEvent(form->ScrollBox2, &a);
    EXPECT_NEAR(View.Zoom, 4.0, 1e-9);
}

TEST_F(NavigationGuiTest, MovesOverTheEmptyPartsOfTheListsEndTheMenuHover)
{
    LoadBoard();
    for (QWidget* w : {form->ScrollBox1->viewport(), form->ScrollBox2->viewport()}) {
        CommandMenu.Hover = 3;
        Navigation.WheelTarget = "Image1";
        form->Timer2->start();
        EdgeRegions.Hover = 2;
        Mouse(w, QEvent::MouseMove, 5, 5);
        EXPECT_EQ(CommandMenu.Hover, -1);
        EXPECT_FALSE(form->Timer2->isActive());
        EXPECT_EQ(EdgeRegions.Hover, -1);
        // Over the code table's box the wheel scrolls the table.
        EXPECT_EQ(Navigation.WheelTarget, w == form->ScrollBox1->viewport() ? "Image7" : "Image1");
    }
}

TEST_F(NavigationGuiTest, TheNoticeBalloonGoesWithTheNextMenuClickOrNew)
{
    LoadBoard();
    for (int row : {8, 0, 1}) {
        form->ShowNoticeBalloon(200, "RS-274D");
        ASSERT_TRUE(form->Image11->isVisible());
        boxes.answers = {MsgResult::No};   // "New" is not confirmed: the balloon goes all the same
        dialogs.answers.clear();
        ClickRow(row);
        EXPECT_FALSE(form->Image11->isVisible()) << row;
    }
}

TEST_F(NavigationGuiTest, AClearStopsAutoScrollAndEndsTheTool)
{
    LoadBoard();
    form->swMeasure->click();
    SnapModes = {0, 0, 0, 0, 0};
    RulerMinTick = 0.01;
    core::DrcSettings.ShowErrors = 0;
    core::DrcSettings.BlinkErrors = 1;
    form->Timer2->start();
    ClearAllData(true);
    EXPECT_EQ(core::DrcSettings.ShowErrors, 1);
    EXPECT_EQ(core::DrcSettings.BlinkErrors, 0);
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(form->ActiveTool(), ToolButton::None);
    EXPECT_FALSE(form->ParaPanel->isVisible());
    EXPECT_EQ(SnapModes, (std::array<std::int32_t, 5>{1, 4, 1, 3, 3}));
    EXPECT_EQ(RulerMinTick, 1.0);
}

// Every way the data end up cleared leaves the panels of an empty job: no
// layer table, no table under the menu, the counts of no data. A replace
// that reads nothing leaves the board loaded, and its panels.
TEST_F(NavigationGuiTest, ThePanelsAreRebuiltWithEveryClear)
{
    const fs::path data = root / "data";
    fs::create_directories(data);
    const std::string head = "%FSLAX34Y34*%\n%MOMM*%\n%ADD10C,0.2*%\n";
    const fs::path wide = data / "wide.gbr", empty = data / "empty.gbr";
    std::ofstream(wide) << head << "D10*\nX0Y0D02*\nX15000000Y100000D01*\nM02*\n";   // 1500 mm across
    std::ofstream(empty) << head << "M02*\n";
    const fs::path board = fs::path(TESSEL2_CORPUS) / "cad" / "eagle-newer";
    ShellOpenFile = [](const std::string&) { return true; };
    struct Case {
        const char* name;
        int answer;             // 1 replace, 2 add; 0: "New"
        const fs::path* file;
        bool dropped;
        bool stays = false;
    } cases[] = {
        {"added, out of range", 2, &wide, false},
        {"replaced, out of range", 1, &wide, false},
        {"replaced, nothing read", 1, &empty, false, true},
        {"dropped and added, out of range", 2, &wide, true},
        {"new", 0, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AskReplaceOrAdd = DefaultReplaceOrAdd;
        boxes.positiveByDefault = false;   // no aperture report
        MyOpenFiles loaded = MakeOpenList({(board / "copper_top.gbr").string(), (board / "profile.gbr").string()});
        ASSERT_EQ(OpenFileList(loaded), 1);
        CommandMenu.Current = "Aperture";
        form->BuildCommandMenu(true);
        form->DrawCommandMenu();
        ASSERT_TRUE(form->PanelLayer->isVisible());
        ASSERT_NE(form->StatusBar1->PanelText(0), " データ数 = 0");
        const std::string count = form->StatusBar1->PanelText(0);

        boxes.positiveByDefault = true;
        boxes.shown.clear();
        AskReplaceOrAdd = [&c](const std::string&, const std::string&) { return c.answer; };
        if (c.answer == 0) {
            boxes.answers = {MsgResult::Yes};
            ClickRow(0);
        } else if (c.dropped) {
            form->DropFiles({QString::fromStdString(c.file->string())});
        } else {
            dialogs.answers.push_back({true, {c.file->string()}, 1});
            ClickRow(1);
        }
        if (c.stays) {
            EXPECT_EQ(core::LayerCount, 2);
            EXPECT_TRUE(form->PanelLayer->isVisible());
            EXPECT_EQ(form->StatusBar1->PanelText(0), count);
            continue;
        }
        ASSERT_EQ(core::LayerCount, 0);
        EXPECT_EQ(core::DataCount, 0);
        EXPECT_FALSE(form->PanelLayer->isVisible());
        EXPECT_FALSE(form->PanelList->isVisible());
        EXPECT_EQ(form->StatusBar1->PanelText(0), " データ数 = 0");
        EXPECT_EQ(form->StatusBar1->PanelText(2), MenuHintNoData);
        // The next row sits right under "開く", where the table was.
        EXPECT_EQ(CommandMenu.Rects[2].top, 42);
    }
    AskReplaceOrAdd = DefaultReplaceOrAdd;
}

// Every number the user reads fits where it is shown, at its longest.
TEST_F(NavigationGuiTest, NumbersFitTheirPanelsAndColumns)
{
    TStatusBar* bar = form->StatusBar1;
    const std::array<std::string, 3> longest = TStatusBar::LongestTexts();
    const std::vector<std::pair<int, std::string>> texts = {
        {0, longest[0]}, {0, " データ数 = 2000000"}, {0, " データ数 = 43211"}, {1, longest[1]},
        {1, PointerPositionText(-123.4567, 987.6543)}, {2, longest[2]}, {2, ToolHint(ToolButton::Gap)}};
    for (const auto& [panel, text] : texts) {
        const int width = bar->Panel(panel)->width();
        bar->SetPanelText(panel, text);
        EXPECT_TRUE(bar->TextFits(panel)) << text;
        // Made for them from the start: no panel had to grow.
        EXPECT_EQ(bar->Panel(panel)->width(), width) << text;
    }
    // A text longer than foreseen widens its panel.
    bar->SetPanelText(1, PointerPositionText(-123456.7891, -123456.7891));
    EXPECT_TRUE(bar->TextFits(1));

    // The code tables: every cell of the header and body clear of the next.
    BuildMenuList = [f = form.get()](const std::string& id, int h) { return f->BuildMenuList(id, h); };
    LoadBoard();
    viewtest::SetAperture(10, core::apCircle, 1.727);
    viewtest::SetAperture(11, core::apRectangle, 2.032, 0.15875);
    viewtest::SetAperture(12, core::apPolygon, 12.7, 8, 22.5);
    viewtest::SetAperture(999, core::apThermal45, 0.333333333333333, 0.166666666666667, 0.0254);
    for (int d : {10, 11, 12, 999}) core::Apertures[static_cast<std::size_t>(d)].Used = 1;
    core::MaxDCode = 999;
    core::ToolCount = 3;
    core::Tools[3] = {1, 123456, "2.022x3.033", "A", "ノンスルー"};
    for (const char* id : {"Aperture", "Tool"}) {
        SCOPED_TRACE(id);
        CommandMenu.Current = id;
        form->BuildCommandMenu(false);
        ASSERT_TRUE(form->PanelList->isVisible());
        const MyGridBox& g = CodeTable;
        // The remarks of a tool and the shapes are names: drawn shortened
        // when wider, their header condensed.
        const int names = std::string(id) == "Tool" ? 4 : 1;
        for (int c = 0; c < g.ColCount; ++c)
            for (int r = 0; r < g.RowCount; ++r) {
                const std::string& t = g.CellTexts[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
                const int w = g.ColWidths[static_cast<std::size_t>(c)];
                if (c == names && r == 0) {
                    EXPECT_LE(CondenseToFit(form->ListHeaderPicture, t, HeaderTextRoom(g, c), HeaderNarrowest), HeaderTextRoom(g, c)) << t;
                    continue;
                }
                const std::string drawn = c == names ? ShownCellText(form->ListBodyPicture, g, c, r) : t;
                EXPECT_LE(form->ListBodyPicture.TextWidth(drawn) + 2, w) << t;
            }
        // A table wider than its rows scrolls sideways.
        EXPECT_EQ(form->Image7->width(), std::max(form->ScrollBox1->viewport()->width(), TableWidth(g)));
    }
}

} // namespace
