#pragma once
// The main window: the banner, the left panel, the drawing area with its
// pan frame, picture and highlight layer, the status bar and the gauge;
// start-up, the deferred start, dropped files and the exit question.
#include "view/CommandMenu.h"
#include "view/LayerList.h"
#include "view/Navigation.h"
#include "main/OpenList.h"
#include "main/StartupSettings.h"
#include "platform/RasterCanvas.h"
#include "platform/qt/SurfaceWidget.h"

#include "core/Datas.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mainwin {

inline constexpr const char* ProgramTitle = "テッセル２";
inline constexpr const char* VersionText = "Ver 2.0.5.0";
inline constexpr const char* ExitQuestion = "テッセル２ を終了します。 よろしいですか？";
inline constexpr const char* RemovalQuestion =
    "「テッセル２」をこのコンピューターから削除します（前処理）。\n\r"
    "（このあと、エクスプローラから、Tessel2.exe が入っているフォルダを削除して下さい。）\n\r"
    "よろしいですか？";
inline constexpr const char* MemoNotReadQuestion = "「覚え書き」をまだ参照していません。　処理を継続しますか？";
inline constexpr const char* HelpFailedText = "ブラウザの起動に失敗しました";
inline constexpr const char* HelpFailedCaption = "エラー";
// The window's face colour, RGB(236, 233, 216).
inline constexpr platform::Color PanelFaceColor = 0xD8E9EC;

// Globals of the main window.
extern std::string ProgramFolder;   // without a trailing separator
extern std::string MemoFileName;
extern MyStartupSet Startup;        // window settings and display options

// The status bar: three sunken panels. The first two are at least 130 and
// 200 pixels wide and never narrower than the longest text each is made
// for (the largest element count, a far pointer position); a text wider
// still widens its panel. The last, the hint, takes the rest of the bar and
// narrows its font until the hint shows whole.
class TStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent);
    void SetPanelText(int panel, const std::string& text);
    std::string PanelText(int panel) const;
    QLabel* Panel(int panel) const { return panels_[static_cast<std::size_t>(panel)]; }
    static constexpr std::array<int, 3> PanelWidths{130, 200, 400};
    static std::array<std::string, 3> LongestTexts();
    // The panel shows all of its text, inside the bar.
    bool TextFits(int panel) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int NeededWidth(int panel, const std::string& text) const;
    void LayoutPanels();
    void FitHint();
    std::array<QLabel*, 3> panels_{};
    std::array<int, 3> widths_ = PanelWidths;
};

// The splitter between the left panel and the drawing area.
class TSplitter : public QWidget {
    Q_OBJECT
public:
    explicit TSplitter(QWidget* parent);
    std::function<void(int newLeft)> OnMoved;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool dragging_ = false;
    int grab_ = 0;
};

class TFormMain;

// The gauge of the main window as the progress of a reader or a check.
// The bar paints itself at once whenever its percentage changes, so it is
// given a new one at most once an event interval, and at its ends.
class MainGauge final : public core::Gauge {
public:
    explicit MainGauge(TFormMain& form) : form_(form) {}
    void SetMaximum(long long maximum) override;
    void SetProgress(long long progress) override;
    void Pump() override;

private:
    void ShowPercent(bool now);
    TFormMain& form_;
    long long maximum_ = 100;
    int percent_ = 0;
    std::chrono::steady_clock::time_point shown_{};
};

class TFormMain : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate with the command-line arguments (without the program).
    explicit TFormMain(const QStringList& arguments, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Controls, named as the program has always named them.
    QLabel* Label1 = nullptr;    // banner: title and version
    QLabel* Label2 = nullptr;
    QFrame* Panel1 = nullptr;    // everything between the banner and the status bar
    QWidget* PanelFile = nullptr;
    TSplitter* Splitter1 = nullptr;
    QWidget* DspPanel = nullptr;
    platform::SurfaceWidget* Image3 = nullptr;   // pan frame behind the picture
    platform::SurfaceWidget* Image1 = nullptr;   // the picture
    platform::SurfaceWidget* Image2 = nullptr;   // highlight layer over the picture
    TStatusBar* StatusBar1 = nullptr;
    QFrame* GaugePanel = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QToolButton* swHelp = nullptr;   // opens the help page
    // The tool buttons above the drawing area: at most one is down, and a
    // click on the one down puts it up again. The tool is the button down.
    QToolButton* swGap = nullptr;
    QToolButton* swDRC = nullptr;
    QToolButton* swRect = nullptr;
    QToolButton* swRuler = nullptr;
    QToolButton* swMeasure = nullptr;
    QToolButton* swInfo = nullptr;
    QLabel* Image11 = nullptr;       // the notice balloon beside the command menu
    platform::SurfaceWidget* Image4 = nullptr;   // the command menu
    platform::SurfaceWidget* Image5 = nullptr;   // the TOP / BOTTOM selector
    QWidget* PanelLayer = nullptr;   // the layer table between the menu rows
    QWidget* PanelList = nullptr;    // the table or sub-list of an open row
    QWidget* ParaPanel = nullptr;    // the page of the active tool
    platform::SurfaceWidget* image12 = nullptr;  // the page's header
    QScrollArea* ScrollBox3 = nullptr;           // the page's rows
    platform::SurfaceWidget* Image10 = nullptr;
    QPushButton* sw3 = nullptr;      // "次を検索" on the gap page
    QPushButton* sw4 = nullptr;      // "回転" on the ruler page
    QPushButton* sw5 = nullptr;      // "検出" on the design-rule page
    QPushButton* sw1 = nullptr;      // "次へ" on the information balloon
    QPushButton* sw2 = nullptr;      // "閉じる" on the information balloon
    // The measuring tools' values over the drawing; a click on one steps
    // the measure tool back.
    QLabel* LabelX = nullptr;
    QLabel* LabelY = nullptr;
    QLabel* LabelL = nullptr;
    // The dimension ruler under the pointer (black shows the picture).
    platform::SurfaceWidget* RulerImage = nullptr;
    platform::RasterCanvas RulerPicture;
    platform::Point RulerOffset;     // the pixel of the ruler's centre
    platform::SurfaceWidget* Image8 = nullptr;   // the layer table's header and background
    QScrollArea* ScrollBox2 = nullptr;           // the layer rows
    platform::SurfaceWidget* Image9 = nullptr;
    QWidget* MoveBar = nullptr;                  // where a dragged layer goes
    platform::SurfaceWidget* Image6 = nullptr;   // the code table's header and footer
    QScrollArea* ScrollBox1 = nullptr;           // the code table's rows
    platform::SurfaceWidget* Image7 = nullptr;
    QTimer* Timer1 = nullptr;        // blink of the highlight layer, 300 ms
    QTimer* Timer2 = nullptr;        // auto-scroll, 200 ms

    // The tool whose button is down.
    ToolButton ActiveTool() const;
    QToolButton* ToolButtonOf(ToolButton tool) const;
    // Puts the pointer on a pixel of the picture; false where the display
    // server refuses (the zoom happens all the same). Tests replace it.
    std::function<bool(int x, int y)> MoveCursorTo;

    // The pan frame's picture (Image1 and Image2 show the picture's own).
    platform::RasterCanvas PanFramePicture;
    platform::RasterCanvas MenuPicture;
    platform::RasterCanvas SidePicture;
    platform::RasterCanvas LayerHeaderPicture, LayerRowsPicture;
    platform::RasterCanvas ListHeaderPicture, ListBodyPicture;
    platform::RasterCanvas PageHeaderPicture, PageRowsPicture;
    platform::RasterCanvas InfoPicture;   // the information balloon
    SideTabs SideSelector;

    MyOpenFiles CommandLineFiles;
    int CloseMode = 0;           // -1: close without asking and without writing
    bool FirstRun = false;       // no "STARTUP.pra" at start
    bool StartupDone = false;    // AfterShowStartup ran

    void FormCreate(const QStringList& arguments);
    void FormResize();
    void Splitter1Moved(int newLeft);
    int PanelFileLimit();
    // The exit question and the saving; true when the window may close.
    bool FormCloseQuery();
    void AfterShowStartup();
    // Files dropped on the window (full paths, in the order given).
    void DropFiles(const QStringList& paths);
    void Label1MouseDown(QMouseEvent* event);
    void OpenOnlineHelp();

    // The gauge panel in the middle of the window while files are read.
    void ShowGauge(const std::string& text);
    void SetGaugeText(const std::string& text);
    void HideGauge();
    MainGauge& Gauge() { return gauge_; }

    // Rebuilds the picture and shows it.
    void RedrawView();
    // The notice balloon of a mode ("RS-274D", "tso") with its point at
    // height y of the window; a click hides it.
    void ShowNoticeBalloon(int y, const std::string& mode);

    // The command menu and the status bar.
    void BuildCommandMenu(bool rebuildLists);
    void DrawCommandMenu();
    void Image4MouseUp(QMouseEvent* event);
    void Image4MouseMove(QMouseEvent* event);
    // Runs the command of a row as a click on it does.
    void RunCommandRow(int row);

    // The layer table: laid out within `limit`, its height (0: none).
    int LayoutLayerTable(int limit);
    void DrawLayerTable();
    // Fills the layer table and fits its columns to the rows' width.
    void FitLayerTable();
    void Image9MouseDown(QMouseEvent* event);
    void Image9MouseMove(QMouseEvent* event);
    void Image9MouseUp(QMouseEvent* event);
    void ScrollBox2MouseUp();
    // Moves over the empty parts of the lists.
    void ScrollBox1MouseMove();
    void ScrollBox2MouseMove();
    // The command menu's hovered row, when there is one, is no longer.
    void ClearMenuHover();
    void Image8MouseUp(QMouseEvent* event);
    // The table under an open row ("Aperture", "Tool") within `height`; the
    // height used, 0 when there is none.
    int BuildMenuList(const std::string& id, int height);
    void DrawTablePanel();
    void Image7MouseUp(QMouseEvent* event);
    void DrawSubList();
    void Image6MouseMove(QMouseEvent* event);
    void Image6MouseUp(QMouseEvent* event);

    // The tools: a button click, ending the tool, its page, the clicks on
    // the drawing area.
    void ToolButtonClick(ToolButton tool);
    void ResetTools(bool releaseButtons);
    // The page of the tool that is down under the menu (from BuildCommandMenu).
    void BuildToolPage();
    void DrawParamList();
    void Image1MouseDown(QMouseEvent* event);
    void Image10MouseMove(QMouseEvent* event);
    void Image10MouseUp(QMouseEvent* event);
    void image12MouseUp(QMouseEvent* event);
    void image12MouseMove(QMouseEvent* event);
    // The labels of what the tool shows now, placed beside its figures.
    void PlaceToolLabels();
    // The ruler image drawn afresh and put under the pointer.
    void ShowDimensionRuler();

    // The information tool: a click on the picture (left picks, middle and
    // "次へ" step, right and "閉じる" close), the balloon for the element
    // shown with its tail at a pixel of the picture, painted and shown.
    void InfoBalloonClick(int x, int y, MouseButton button);
    void ShowPrimitiveInfo(int x, int y);
    void DrawInfoTable();
    // The balloon and its buttons hidden (also the notice balloon).
    void HideInfoBalloon();
    // After a redraw: the balloon goes where its element now is, and the
    // design-rule page counts the errors on the layers now shown.
    void FollowRedraw();
    // "検出": the settings, the check with its progress, the count.
    void sw5Click();
    // The check of the design rules with its progress on the gauge.
    void CheckDesignRules();

    // Navigation.
    void DrawPanFrame();
    void Image3MouseDown(QMouseEvent* event);
    void Image3MouseUp(QMouseEvent* event);
    void Image3MouseMove(QMouseEvent* event);
    void Image1MouseMove(QMouseEvent* event);
    // True when the key was a navigation key (consumed).
    bool FormKeyDown(int key);
    void FormMouseWheel(QWheelEvent* event);
    void Timer1Timer();
    void Timer2Timer();
    void BuildSideSelector();
    int SideSelectorWidth();
    void Image5MouseUp(QMouseEvent* event);
    void Image5MouseMove(QMouseEvent* event);
    // Auto-scroll ends: hover cleared, timer off.
    void StopAutoScrolling();

    // The normal (not minimised or maximised) geometry of the frame and the
    // display options into Startup.
    void StoreWindowSettings();
    // The frame around the window as the window manager draws it (none
    // before it has framed the window).
    FrameMargins CurrentFrameMargins() const;
    std::filesystem::path StartupFilePath() const;

    // The program file and its help page.
    static std::string ProgramFile();
    static std::string HelpPagePath();
    static std::string IconBytes();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenuControls();
    void CreateListControls();
    void CreateToolControls();
    void CreateReportControls();
    void RemoveReportHooks();
    void CreateMeasureControls();
    // The pointer moved over the picture: rubber figures and the ruler follow.
    void TrackToolPointer(int x, int y);
    // Auto-scroll ended: what it left out of the picture comes back.
    void ShowSkippedOverlays();
    // After a click of the gap tool: its highlight, its button and hint.
    void ShowGapState(const std::string& hint);
    void LayoutTopBar();
    // What the tools hand to the redraw and the open command, known by the
    // window so that it takes them back when it goes.
    struct ToolRedrawHook {
        TFormMain* form;
        void operator()() const;
        void operator()(platform::RasterCanvas& picture) const;
    };
    struct ToolResetHook {
        TFormMain* form;
        void operator()(bool release) const { form->ResetTools(release); }
    };
    void RemoveToolHooks();
    // Moves over these end auto-scroll.
    std::vector<QWidget*> autoScrollStoppers_;
    void ApplyLayerAction(const LayerAction& action);
    void ApplyNavigation(const NavResult& r);
    void PlaceWindow();
    // Puts the frame at `outer`, no smaller than `minimum`, with the frame
    // margins known at the time; again once the window manager has framed
    // the window.
    void PlaceFrame(const ScreenRect& outer, const ScreenRect& minimum);
    ScreenRect placedFrame_, leastFrame_;
    FrameMargins frame_;
    QTimer* frameWatch_ = nullptr;
    bool shown_ = false;
    MainGauge gauge_{*this};
    std::unique_ptr<class OpenCommandWindow> openWindow_;
};

// The main window of the program (nullptr before it is made).
TFormMain* FormMain();

} // namespace mainwin
