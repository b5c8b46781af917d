// The main window offscreen: work folder, settings, placement, the exit
// question, drops and the deferred start, the removal gesture, help.
#include "main/FormDatas.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/PictureView.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/Shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::FakeMessageBoxes;
using platform::MsgButtons;
using platform::MsgResult;

namespace {

class FormMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(dir.path().toStdString());
        home = root / "home";
        fs::create_directories(home);
        fs::create_directories(root / "xdg-data");
        fs::create_directories(root / "xdg-config");
        setenv("TESSEL2_HOME", home.c_str(), 1);
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "xdg-data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "xdg-config").c_str(), 1);
        platform::ResetProgramFolder();
        opened.clear();
        OpenFileList = [this](MyOpenFiles& list) {
            opened.push_back(list);
            busyWhileOpening = platform::BusyGuard::Active();
            return openResult;
        };
        cleared = 0;
        ClearCurrentCommand = [this] { ++cleared; };
        LastOpenedFolder.clear();
    }
    void TearDown() override
    {
        OpenFileList = [](MyOpenFiles&) { return 0; };
        ClearCurrentCommand = [] {};
        platform::ResetProgramFolder();
    }

    void Touch(const fs::path& p) { platform::WriteFileBytes(p, "x"); }

    QTemporaryDir dir;
    fs::path root, home;
    FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scope{&boxes};
    std::vector<MyOpenFiles> opened;
    int openResult = 1;
    bool busyWhileOpening = false;
    int cleared = 0;
};

} // namespace

TEST_F(FormMainTest, WorkFolderIsCreated)
{
    TFormMain form({});
    EXPECT_TRUE(fs::is_directory(home / "DATA"));
    EXPECT_EQ(core::DataFolder, (home / "DATA").string());
    EXPECT_EQ(MemoFileName, (home / "Memo.txt").string());
    EXPECT_TRUE(form.FirstRun);
    EXPECT_EQ(form.windowTitle().toStdString(), "テッセル２");
    EXPECT_EQ(form.Label1->text().toStdString(), "テッセル２ Ver 2.0.5.0 ");
}

TEST_F(FormMainTest, WorkFolderIsEmptiedWithoutFollowingALinkOut)
{
    fs::create_directories(home / "DATA" / "sub");
    fs::create_directories(root / "outside");
    Touch(home / "DATA" / "OLD.mac");
    Touch(home / "DATA" / "sub" / "f");
    Touch(root / "outside" / "keep.txt");
    fs::create_directory_symlink(root / "outside", home / "DATA" / "link");
    TFormMain form({});
    EXPECT_TRUE(fs::is_empty(home / "DATA"));
    EXPECT_TRUE(fs::exists(root / "outside" / "keep.txt"));
}

TEST_F(FormMainTest, SavedSettingsPlaceTheWindow)
{
    platform::WriteFileBytes(home / "STARTUP.pra", "LEFT = 10\r\nTOP = 10\r\nWIDTH = 700\r\nHEIGHT = 768\r\n"
                                                   "SPLIT1 = 300\r\nAUTOSCR  = 0\r\n");
    TFormMain form({});
    EXPECT_FALSE(form.FirstRun);
    EXPECT_EQ(form.PanelFile->width(), 300);
    // Narrower than 800: the whole work area.
    EXPECT_EQ(form.geometry(), form.screen()->availableGeometry());
}

// The stored place and size are those of the frame: a window as big as the
// work area (the default and minimum 1024 x 768 on a screen of that size)
// keeps its title bar and borders on the screen, also once framed.
TEST_F(FormMainTest, TheFrameFitsTheWorkArea)
{
    // The offscreen screen: 800 x 800, frames 2 px wide.
    struct Case {
        const char* settings;
        QRect frame;
    };
    const Case cases[] = {
        {nullptr, {0, 16, 800, 768}},   // first run: the default size, centred
        {"LEFT = 0\r\nTOP = 0\r\nWIDTH = 1024\r\nHEIGHT = 768\r\n", {0, 0, 800, 768}},
        {"LEFT = -50\r\nTOP = -40\r\nWIDTH = 3000\r\nHEIGHT = 2000\r\n", {0, 0, 800, 800}},
        {"LEFT = 10\r\nTOP = 10\r\nWIDTH = 700\r\nHEIGHT = 768\r\n", {0, 0, 800, 800}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings ? c.settings : "first run");
        fs::remove(home / "STARTUP.pra");
        if (c.settings) platform::WriteFileBytes(home / "STARTUP.pra", c.settings);
        TFormMain form({});
        form.show();
        ASSERT_EQ(form.screen()->availableGeometry(), QRect(0, 0, 800, 800));
        // The frame comes after the window is shown.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 3000 && !(form.StartupDone && form.frameGeometry() == c.frame))
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_NE(form.frameGeometry(), form.geometry()) << "a framed window";
        EXPECT_EQ(form.frameGeometry(), c.frame);
        const QSize border = form.frameGeometry().size() - form.geometry().size();
        EXPECT_EQ(form.minimumSize() + border, QSize(800, 768));
    }
}

TEST_F(FormMainTest, UnreadableSettingsGiveTheDefaultsButNoFirstRun)
{
    platform::WriteFileBytes(home / "STARTUP.pra", "WIDTH = 900\r\n\x81");
    TFormMain form({});
    EXPECT_FALSE(form.FirstRun);
    EXPECT_EQ(Startup.WIDTH, 1024);
    EXPECT_EQ(form.PanelFile->width(), 220);
}

TEST_F(FormMainTest, LayoutFollowsTheSize)
{
    TFormMain form({});
    form.show();
    form.resize(1200, 800);
    QApplication::processEvents();
    EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, 777, 1200, 23));
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 50, 1200, 727));
    const QRect dsp = form.DspPanel->geometry();
    EXPECT_EQ(dsp.left(), form.PanelFile->width() + 3);
    EXPECT_EQ(form.Image1->geometry(), QRect(18, 18, dsp.width() - 36, dsp.height() - 36));
    EXPECT_EQ(form.Image2->geometry(), form.Image1->geometry());
    EXPECT_EQ(WindowPicture().Width(), form.Image1->width());
    EXPECT_EQ(WindowPicture().Height(), form.Image1->height());
    EXPECT_EQ(form.GaugePanel->x(), (1200 - form.GaugePanel->width()) / 2);
    EXPECT_EQ(form.GaugePanel->y(), (800 - form.GaugePanel->height()) / 2);

    // Auto-scroll: the picture takes the whole drawing area.
    MyStartupSet options;
    options.AUTOSCR = true;
    SetDisplayOptions(options);
    form.FormResize();
    EXPECT_EQ(form.Image1->geometry(), QRect(0, 0, dsp.width(), dsp.height()));

    form.Splitter1Moved(120);
    EXPECT_EQ(form.PanelFile->width(), 200);
    form.Splitter1Moved(333);
    EXPECT_EQ(form.PanelFile->width(), 333);
}

// Whatever the window's size and the splitter's place, the banner stays
// clear of the tabs and buttons under it, every row's check mark lies whole
// in the panel, clear of the row's expander, and every hint shows whole
// inside the status bar.
TEST_F(FormMainTest, BannerMarksAndHintsStayWholeAtEverySize)
{
    TFormMain form({});
    form.show();
    core::StepMarks = {1, 1, 1, 1, 1};
    std::vector<std::string> hints = {MenuHintNoData};
    for (ToolButton t : {ToolButton::None, ToolButton::Gap, ToolButton::Ruler, ToolButton::Measure, ToolButton::Info})
        hints.push_back(ToolHint(t));
    const QRect banner = form.Label1->geometry();
    const std::vector<QWidget*> header{form.Label1, form.Image5, form.swHelp, form.swGap,    form.swDRC,
                                       form.swRect, form.swRuler, form.swMeasure, form.swInfo};
    for (const QSize size : {QSize(1024, 768), QSize(1600, 1000), QSize(2400, 1400)}) {
        form.resize(size);
        QApplication::processEvents();
        // 5000: as far as the splitter goes.
        for (const int panel : {200, 201, 220, 263, 300, 316, 340, 399, 5000}) {
            SCOPED_TRACE(std::to_string(size.width()) + " x " + std::to_string(size.height()) + ", panel " + std::to_string(panel));
            form.Splitter1Moved(panel);
            if (panel < 400) {
                ASSERT_EQ(form.PanelFile->width(), panel);
            }
            // The banner, the TOP / BOTTOM tabs and the buttons each whole in
            // the window, none over another.
            EXPECT_EQ(form.Label1->geometry(), banner);
            for (std::size_t i = 0; i < header.size(); ++i) {
                const QRect r = header[i]->geometry();
                EXPECT_TRUE(form.rect().contains(r)) << header[i]->objectName().toStdString();
                for (std::size_t j = i + 1; j < header.size(); ++j)
                    EXPECT_FALSE(r.intersects(header[j]->geometry()))
                        << header[i]->objectName().toStdString() << " " << header[j]->objectName().toStdString();
            }
            EXPECT_GE(form.Image5->width(), form.SideSelector.Bottom.right) << "the tabs whole";

            form.DrawCommandMenu();
            for (int row = 0; row < CommandMenu.Count; ++row) {
                const int left = CommandCheckLeft(form.MenuPicture, CommandMenu, row);
                if (left < 0) continue;
                const platform::Rect& r = CommandMenu.Rects[static_cast<std::size_t>(row)];
                const int end = CommandMenu.ExpanderIcon[static_cast<std::size_t>(row)] >= 0 ? r.right - 20 : r.right;
                EXPECT_LE(left + 16, std::min(end, form.PanelFile->width())) << CommandMenu.Caption[static_cast<std::size_t>(row)];
            }

            // The hint's panel ends inside the bar, the hint inside the panel
            // (a framed label indents its text by half an "x").
            const QLabel* hintPanel = form.StatusBar1->Panel(2);
            for (const std::string& hint : hints) {
                form.StatusBar1->SetPanelText(2, hint);
                const QFontMetrics m = hintPanel->fontMetrics();
                EXPECT_LT(hintPanel->geometry().right(), form.StatusBar1->width());
                EXPECT_LE(m.horizontalAdvance(hintPanel->text()) + m.horizontalAdvance(QLatin1Char('x')) / 2, hintPanel->contentsRect().width()) << hint;
                EXPECT_TRUE(form.StatusBar1->TextFits(2)) << hint;
            }
        }
    }
    core::StepMarks = {};
}

TEST_F(FormMainTest, CancelledExitKeepsTheWindowAndWritesNothing)
{
    TFormMain form({});
    form.show();
    form.swInfo->click();
    boxes.answers = {MsgResult::Cancel};
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "テッセル２ を終了します。 よろしいですか？");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_FALSE(fs::exists(home / "STARTUP.pra"));
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(form.ActiveTool(), ToolButton::Info);
}

TEST_F(FormMainTest, ConfirmedExitWritesTheWindowSettings)
{
    platform::WriteFileBytes(home / "STARTUP.pra", "MIRR     = -1\r\n");
    TFormMain form({});
    form.show();
    form.Splitter1Moved(260);
    MyStartupSet options;
    GetDisplayOptions(options);
    EXPECT_TRUE(options.MIRR);   // read at start, drawn with
    options.PAINT = false;       // changed while running
    SetDisplayOptions(options);
    boxes.answers = {MsgResult::Ok};
    EXPECT_TRUE(form.close());
    MyStartupSet s;
    ASSERT_TRUE(ReadStartupSettings(home / "STARTUP.pra", s));
    EXPECT_EQ(s.SPLIT1, 260);
    EXPECT_EQ(s.WIDTH, form.frameGeometry().width());
    EXPECT_EQ(s.HEIGHT, form.frameGeometry().height());
    EXPECT_TRUE(s.MIRR);
    EXPECT_FALSE(s.PAINT);
    const std::string bytes = platform::ReadFileBytes(home / "STARTUP.pra");
    EXPECT_EQ(bytes.substr(0, 7), "LEFT = ");
    EXPECT_NE(bytes.find("\r\nDRILLCHR = 0\r\n"), std::string::npos);
}

TEST_F(FormMainTest, AMaximisedOrMinimisedWindowSavesItsNormalPlace)
{
    TFormMain form({});
    form.show();
    form.setGeometry(40, 30, 700, 500);
    QApplication::processEvents();
    const QRect normal = form.frameGeometry();
    form.showMaximized();
    QApplication::processEvents();
    form.StoreWindowSettings();
    EXPECT_EQ(QRect(Startup.LEFT, Startup.TOP, Startup.WIDTH, Startup.HEIGHT), normal);
    form.showMinimized();
    QApplication::processEvents();
    form.StoreWindowSettings();
    EXPECT_EQ(QRect(Startup.LEFT, Startup.TOP, Startup.WIDTH, Startup.HEIGHT), normal);
}

TEST_F(FormMainTest, BusyWindowRefusesClosingAndDrops)
{
    TFormMain form({});
    form.show();
    {
        platform::BusyGuard busy;
        EXPECT_FALSE(form.close());
        form.DropFiles({"/tmp/a.gbr"});
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(form.isVisible());
    form.CloseMode = -1;
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(fs::exists(home / "STARTUP.pra"));
}

TEST_F(FormMainTest, DroppedFilesKeepTheirFoldersAndStopAt26)
{
    TFormMain form({});
    QList<QUrl> urls;
    for (int i = 0; i < 30; ++i)
        urls << QUrl::fromLocalFile(QString("/boards/%1/f%2.gbr").arg(i % 2 ? "bottom" : "top").arg(i));
    urls << QUrl("https://example.invalid/x.gbr");
    QMimeData mime;
    mime.setUrls(urls);
    form.show();
    form.swMeasure->click();
    ASSERT_EQ(form.ActiveTool(), ToolButton::Measure);
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QApplication::processEvents();
    ASSERT_EQ(opened.size(), 1u);
    const MyOpenFiles& list = opened[0];
    ASSERT_EQ(list.Count, 26);
    EXPECT_EQ(list.PathOf(0).string(), "/boards/top/f0.gbr");
    EXPECT_EQ(list.PathOf(1).string(), "/boards/bottom/f1.gbr");
    EXPECT_EQ(list.Names[25], "f25.gbr");
    EXPECT_TRUE(busyWhileOpening);
    EXPECT_EQ(LastOpenedFolder, "/boards/top");
    // The tool ended before the open.
    EXPECT_EQ(form.ActiveTool(), ToolButton::None);
}

TEST_F(FormMainTest, DeferredStartRegistersOnFirstRunAndOpensTheCommandLine)
{
    fs::create_directories(root / "Desktop");
    platform::WriteFileBytes(root / "xdg-config" / "user-dirs.dirs",
                             "XDG_DESKTOP_DIR=\"" + (root / "Desktop").string() + "\"\n");
    openResult = 0;
    TFormMain form({"/x/one.gbr", "/y/two.drl"});
    ASSERT_EQ(form.CommandLineFiles.Count, 2);
    form.show();
    for (int i = 0; i < 200 && !form.StartupDone; ++i) QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(form.StartupDone);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].PathOf(1).string(), "/y/two.drl");
    EXPECT_TRUE(busyWhileOpening);
    EXPECT_EQ(LastOpenedFolder, "");   // nothing was loaded
    EXPECT_TRUE(fs::exists(root / "xdg-data" / "applications" / "tessel2.desktop"));
    EXPECT_TRUE(fs::exists(root / "xdg-data" / "icons" / "hicolor" / "256x256" / "apps" / "tessel2.png"));
    EXPECT_TRUE(fs::exists(root / "Desktop" / "Tessel2.desktop"));
    // This process read the MIME database before the registration: ask the
    // desktop's tools instead.
    std::string answer;
    EXPECT_TRUE(platform::RunProgram("xdg-mime", {"query", "default", platform::TsnMimeType}, &answer));
    EXPECT_EQ(answer, "tessel2.desktop\n");
    EXPECT_NE(platform::ReadFileBytes(root / "xdg-data" / "mime" / "globs2").find("*.tsn"), std::string::npos);
}

TEST_F(FormMainTest, RemovalGestureUndoesTheRegistrationAndClosesWithoutSaving)
{
    platform::RegisterFileType(TFormMain::ProgramFile(), "");
    TFormMain form({});
    form.show();
    // A plain click does nothing.
    QMouseEvent plain(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::ControlModifier);
    QApplication::sendEvent(form.Label1, &plain);
    EXPECT_TRUE(boxes.shown.empty());

    boxes.answers = {MsgResult::Ok};
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::ControlModifier | Qt::AltModifier);
    QApplication::sendEvent(form.Label1, &press);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(boxes.shown[0].text.substr(0, 30), std::string(RemovalQuestion).substr(0, 30));
    EXPECT_EQ(form.CloseMode, -1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(fs::exists(home / "DATA"));
    EXPECT_FALSE(fs::exists(home / "STARTUP.pra"));
    EXPECT_FALSE(fs::exists(root / "xdg-data" / "applications" / "tessel2.desktop"));
}

TEST_F(FormMainTest, HelpThatCannotBeOpenedSaysSo)
{
    TFormMain form({});
    // The test program has no help page beside it.
    ASSERT_EQ(TFormMain::HelpPagePath(), "");
    form.OpenOnlineHelp();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "ブラウザの起動に失敗しました");
    EXPECT_EQ(boxes.shown[0].caption, "エラー");
    EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Error);
}

TEST_F(FormMainTest, ProgressWindowServesCore)
{
    TFormMain form({});
    {
        TFormDatas datas(&form);
        EXPECT_EQ(&core::FormDatas(), static_cast<core::TFormDatas*>(&datas));
        EXPECT_EQ(datas.windowTitle().toStdString(), "FormDatas");
        EXPECT_EQ(datas.size(), QSize(442, 98));
        EXPECT_FALSE(datas.swCancel->isVisibleTo(&datas));
        datas.SetGauge(3, 4);
        EXPECT_EQ(datas.Gauge1->value(), 75);
        core::CancelRequested = 0;
        datas.SetCancelVisible(true);
        datas.swCancel->click();
        EXPECT_EQ(core::CancelRequested, 1);
        core::CancelRequested = 0;
    }
    // Gone with its window: core falls back to its silent stand-in.
    EXPECT_EQ(dynamic_cast<TFormDatas*>(&core::FormDatas()), nullptr);
}

TEST_F(FormMainTest, ProgressWindowTellsTheWholeFileName)
{
    TFormMain form({});
    TFormDatas datas(&form);
    const int screenWidth = datas.screen()->availableGeometry().width();
    const std::string folder = "/home/設計部/とても長いフォルダ名のテスト用の基板データ置き場/さらに深い階層";
    const std::string name = "製造用ガーバーデータ_表面パターン_最終版.tso";
    const std::string texts[] = {"ファイルを作成しています ... top.gbr", name + " を作成しています。",
                                 "ファイルを作成しています... " + folder + "/" + name,
                                 "ファイルを作成しています... " + folder + folder + folder + "/" + name};
    for (const std::string& text : texts) {
        datas.SetStatusText(text);
        EXPECT_EQ(datas.StatusText(), text);
        const QString shown = datas.StaticText1->text();
        const int needed = datas.StaticText1->fontMetrics().horizontalAdvance(QString::fromStdString(text));
        EXPECT_LE(datas.StaticText1->fontMetrics().horizontalAdvance(shown), datas.StaticText1->width()) << text;
        EXPECT_GE(datas.width(), 442);
        EXPECT_LE(datas.width(), std::max(442, screenWidth));
        if (needed + 36 <= screenWidth - 40) {
            EXPECT_EQ(shown.toStdString(), text);
            EXPECT_EQ(datas.width(), std::max(442, needed + 36));
        } else {
            // Too long for the screen: the middle gives way, the name stays.
            EXPECT_TRUE(shown.endsWith(QString::fromStdString(name))) << shown.toStdString();
            EXPECT_EQ(datas.StaticText1->toolTip().toStdString(), text);
        }
        EXPECT_EQ(datas.Gauge1->width(), datas.width() - 32);
    }
    // A short text again: the window is as narrow as it was made.
    datas.SetStatusText("");
    EXPECT_EQ(datas.size(), QSize(442, 98));
}
