#include "main/FormMain.h"
#include "main/FormParts.h"

#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "main/PictureView.h"
#include "view/Redraw.h"
#include "platform/Error.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/Shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <system_error>

namespace mainwin {

namespace fs = std::filesystem;

std::string ProgramFolder;
std::string MemoFileName;
MyStartupSet Startup;

namespace {

TFormMain* mainForm = nullptr;

constexpr int StatusBarHeight = 23;
constexpr int BannerHeight = 50;
constexpr int SideTabsHeight = 19;   // the part of the banner the TOP / BOTTOM tabs take
constexpr int SplitterWidth = 3;
constexpr int FrameBand = 18;   // the pan frame around the picture

QString Q(const std::string& s) { return QString::fromStdString(s); }

QColor FaceColor() { return platform::ToQColor(PanelFaceColor); }

void SetBackground(QWidget* w, const QColor& c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QScreen* ScreenFor(int left, int top)
{
    if (QScreen* s = QGuiApplication::screenAt(QPoint(left, top))) return s;
    return QGuiApplication::primaryScreen();
}

ScreenRect ToScreenRect(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

// The balloon hides itself when clicked, but not while it tells of an
// element.
class BalloonLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        if (TFormMain* form = FormMain(); form && form->ActiveTool() == ToolButton::Info) return;
        hide();
    }
};

} // namespace

// What the open and new commands ask of this window.
namespace {
class MainOpenWindow final : public mainwin::OpenCommandWindow {
public:
    explicit MainOpenWindow(TFormMain& form) : form_(form) {}
    void SetCaption(const std::string& caption) override { form_.setWindowTitle(Q(caption)); }
    std::string Caption() const override { return form_.windowTitle().toStdString(); }
    void ShowGauge(const std::string& text) override { form_.ShowGauge(text); }
    void SetGaugeText(const std::string& text) override { form_.SetGaugeText(text); }
    void HideGauge() override { form_.HideGauge(); }
    core::Gauge& ReadGauge() override { return form_.Gauge(); }
    void SetStatusText(int panel, const std::string& text) override { form_.StatusBar1->SetPanelText(panel, text); }
    void FitView() override { FitWindowPicture(); }
    void RedrawView() override { form_.RedrawView(); }
    void PumpEvents() override { platform::PumpEvents(); }
    void SetBusyCursor(bool busy) override
    {
        if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    }
    int CommandRowTop(int row) override
    {
        if (row >= 0 && static_cast<std::size_t>(row) < CommandMenu.Rects.size())
            return form_.Panel1->y() + form_.PanelFile->y() + CommandMenu.Rects[static_cast<std::size_t>(row)].top;
        return form_.Panel1->y() + 5 + row * 25;
    }
    void ShowNoticeBalloon(int y, const std::string& mode) override { form_.ShowNoticeBalloon(y, mode); }

private:
    TFormMain& form_;
};
} // namespace

TFormMain* FormMain() { return mainForm; }

// ------------------------------------------------------------- status bar

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent)
{
    QFont font = platform::ToQFont({"ＭＳ Ｐゴシック", -15});
    font.setStyleStrategy(QFont::PreferDefault);
    for (QLabel*& p : panels_) {
        p = new QLabel(this);
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        p->setFont(font);
        p->setTextFormat(Qt::PlainText);
    }
    const std::array<std::string, 3> longest = LongestTexts();
    for (std::size_t i = 0; i < panels_.size(); ++i)
        widths_[i] = std::max(PanelWidths[i], NeededWidth(static_cast<int>(i), longest[i]));
    LayoutPanels();
}

std::array<std::string, 3> TStatusBar::LongestTexts()
{
    std::string hint = MenuHintNoData;
    QFontMetrics fm(platform::ToQFont({"ＭＳ Ｐゴシック", -15}));
    for (ToolButton t : {ToolButton::None, ToolButton::Gap, ToolButton::Ruler, ToolButton::Measure, ToolButton::Info}) {
        const std::string h = ToolHint(t);
        if (fm.horizontalAdvance(Q(h)) > fm.horizontalAdvance(Q(hint))) hint = h;
    }
    return {std::string(StatusCountText) + "2147483647", PointerPositionText(-9999.9999, -9999.9999), hint};
}

int TStatusBar::NeededWidth(int panel, const std::string& text) const
{
    const QLabel* p = panels_[static_cast<std::size_t>(panel)];
    // The frame and margins around the text, plus the gap between panels.
    const int chrome = 2 * p->frameWidth() + 2 * p->margin() + 2 + 4;
    return p->fontMetrics().horizontalAdvance(Q(text)) + chrome;
}

void TStatusBar::LayoutPanels()
{
    int left = 0;
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        int w = widths_[i] - 2;
        // The last panel takes what is left of the bar.
        if (i + 1 == panels_.size()) w = std::max(0, width() - left - 2);
        panels_[i]->setGeometry(left, 2, w, StatusBarHeight - 3);
        left += widths_[i];
    }
    FitHint();
}

namespace {

// The width a panel leaves its text: a framed label indents it by half an "x".
int TextRoom(const QLabel* p, const QFont& font)
{
    const int indent = p->indent() >= 0 ? p->indent() : p->frameWidth() > 0 ? QFontMetrics(font).horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    return p->contentsRect().width() - 2 * p->margin() - indent;
}

} // namespace

void TStatusBar::FitHint()
{
    QLabel* p = panels_.back();
    QFont font = p->font();
    font.setStretch(100);
    const int room = TextRoom(p, font);
    int width = QFontMetrics(font).horizontalAdvance(p->text());
    if (width > room && width > 0 && room > 0) {
        // Our fonts are wider than the bar was laid out for: the glyphs keep
        // their height and give up width, stepping down from the guess.
        int stretch = std::clamp(100 * room / width, 50, 99);
        for (;;) {
            font.setStretch(stretch);
            width = QFontMetrics(font).horizontalAdvance(p->text());
            if (width <= room || stretch <= 50) break;
            --stretch;
        }
    }
    if (font != p->font()) p->setFont(font);
}

void TStatusBar::SetPanelText(int panel, const std::string& text)
{
    if (panel < 0 || panel >= static_cast<int>(panels_.size())) return;
    const auto k = static_cast<std::size_t>(panel);
    panels_[k]->setText(Q(text));
    if (const int need = NeededWidth(panel, text); k + 1 < panels_.size() && need > widths_[k]) {
        widths_[k] = need;
        LayoutPanels();
    }
    if (k + 1 == panels_.size()) FitHint();
}

std::string TStatusBar::PanelText(int panel) const
{
    if (panel < 0 || panel >= static_cast<int>(panels_.size())) return {};
    return panels_[static_cast<std::size_t>(panel)]->text().toStdString();
}

bool TStatusBar::TextFits(int panel) const
{
    const QLabel* p = panels_[static_cast<std::size_t>(panel)];
    return p->fontMetrics().horizontalAdvance(p->text()) <= TextRoom(p, p->font()) && p->geometry().right() < width();
}

void TStatusBar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    LayoutPanels();
}

// --------------------------------------------------------------- splitter

TSplitter::TSplitter(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
    SetBackground(this, FaceColor());
}

void TSplitter::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    grab_ = static_cast<int>(event->position().x());
}

void TSplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) return;
    // Follows the pointer; the owner keeps the panel within its limits.
    int newLeft = x() + static_cast<int>(event->position().x()) - grab_;
    if (OnMoved) OnMoved(newLeft);
}

void TSplitter::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

// ------------------------------------------------------------------ gauge

void MainGauge::SetMaximum(long long maximum)
{
    maximum_ = maximum > 0 ? maximum : 1;
    percent_ = 0;
    ShowPercent(true);
}

void MainGauge::SetProgress(long long progress)
{
    long long p = std::clamp(progress, 0LL, maximum_);
    percent_ = static_cast<int>(p * 100 / maximum_);
    ShowPercent(percent_ == 100);
}

void MainGauge::Pump()
{
    ShowPercent(false);
    platform::PumpEvents();
}

void MainGauge::ShowPercent(bool now)
{
    if (form_.Gauge1->value() == percent_) return;
    const auto t = std::chrono::steady_clock::now();
    if (!now && t - shown_ < platform::PumpInterval) return;
    shown_ = t;
    form_.Gauge1->setValue(percent_);
}

// ------------------------------------------------------------ main window

TFormMain::TFormMain(const QStringList& arguments, QWidget* parent) : QWidget(parent)
{
    CreateControls();
    openWindow_ = std::make_unique<MainOpenWindow>(*this);
    SetOpenWindow(openWindow_.get());
    FormCreate(arguments);
    mainForm = this;
}

TFormMain::~TFormMain()
{
    if (mainForm == this) {
        mainForm = nullptr;
        RebuildCommandMenu = [] {};
        mainwin::LayoutLayerTable = [](int) { return 0; };
        mainwin::BuildMenuList = [](const std::string&, int) { return 0; };
    }
    RemoveToolHooks();
    RemoveReportHooks();
    if (&OpenWindow() == openWindow_.get()) SetOpenWindow(nullptr);
}

void TFormMain::CreateControls()
{
    setObjectName("FormMain");
    setAcceptDrops(true);
    SetBackground(this, FaceColor());

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    QFont banner = platform::ToQFont({"ＭＳ Ｐゴシック", -20, 0, true});
    banner.setStyleStrategy(QFont::PreferDefault);
    Label1->setFont(banner);
    Label1->installEventFilter(this);
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setFont(banner);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    SetBackground(Panel1, FaceColor());

    PanelFile = new QWidget(Panel1);
    PanelFile->setObjectName("PanelFile");
    SetBackground(PanelFile, FaceColor());

    Splitter1 = new TSplitter(Panel1);
    Splitter1->setObjectName("Splitter1");
    Splitter1->OnMoved = [this](int newLeft) { Splitter1Moved(newLeft); };

    DspPanel = new QWidget(Panel1);
    DspPanel->setObjectName("DspPanel");
    SetBackground(DspPanel, Qt::black);

    Image3 = new platform::SurfaceWidget(DspPanel);
    Image3->setObjectName("Image3");
    Image3->SetPicture(&PanFramePicture);
    Image1 = new platform::SurfaceWidget(DspPanel);
    Image1->setObjectName("Image1");
    Image1->SetPicture(&WindowPicture());
    Image2 = new platform::SurfaceWidget(DspPanel);
    Image2->setObjectName("Image2");
    Image2->SetTransparentBlack(true);
    Image2->SetPicture(&WindowHighlight());
    Image2->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    Image2->hide();

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");

    GaugePanel = new QFrame(this);
    GaugePanel->setObjectName("GaugePanel");
    GaugePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    GaugePanel->setLineWidth(2);
    SetBackground(GaugePanel, FaceColor());
    GaugePanel->resize(400, 80);
    StaticText1 = new QLabel(GaugePanel);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setGeometry(16, 12, 368, 22);
    Gauge1 = new QProgressBar(GaugePanel);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(16, 42, 368, 20);
    Gauge1->setRange(0, 100);
    Gauge1->setTextVisible(true);
    GaugePanel->hide();

    Image11 = new BalloonLabel(this);
    Image11->setObjectName("Image11");
    Image11->setAttribute(Qt::WA_TranslucentBackground, true);
    Image11->hide();

    swHelp = new QToolButton(this);
    swHelp->setObjectName("swHelp");
    swHelp->setText("手引き");
    swHelp->setToolTip("ヘルプ（ブラウザで開きます）");
    swHelp->setAutoRaise(true);
    swHelp->resize(60, 24);
    connect(swHelp, &QToolButton::clicked, this, [this] {
        if (!platform::BusyGuard::Active()) OpenOnlineHelp();
    });
    CreateMenuControls();
    CreateToolControls();
    CreateReportControls();
}

void TFormMain::FormCreate(const QStringList& arguments)
{
    // The files named on the command line, each with its own folder.
    CommandLineFiles.Clear();
    for (const QString& a : arguments) {
        if (a.isEmpty()) continue;
        CommandLineFiles.Add(a.toStdString(), core::fkAuto);
    }

    // Titles and the banner.
    // No application display name: Qt would append it to every window's caption.
    setWindowTitle(ProgramTitle);
    Label1->setText(Q(std::string(ProgramTitle) + " " + VersionText + " "));
    Label1->adjustSize();
    // Above the TOP / BOTTOM tabs, which reach up under it whatever the
    // splitter's place.
    Label1->move(285, std::max(0, (BannerHeight - SideTabsHeight - Label1->height()) / 2));
    Label2->move(Label1->x() + Label1->width(), Label1->y());

    // The work folder is made, or emptied when it exists.
    ProgramFolder = platform::ProgramFolder().string();
    while (ProgramFolder.size() > 1 && ProgramFolder.back() == '/') ProgramFolder.pop_back();
    core::DataFolder = (fs::path(ProgramFolder) / "DATA").string();
    platform::PrepareWorkFolder(core::DataFolder);

    // Settings paths; the folder settings.
    core::ApertureFilePath = (fs::path(ProgramFolder) / "APERTURE.pra").string();
    core::GerberFormatFilePath = (fs::path(ProgramFolder) / "GERBERFRM.pra").string();
    core::DrillFormatFilePath = (fs::path(ProgramFolder) / "DRILLFRM.pra").string();
    MemoFileName = (fs::path(ProgramFolder) / "Memo.txt").string();
    ReadFolderSetFile();

    // Display defaults, then the saved settings.
    Startup = MyStartupSet{};
    core::ApertureCheck = 1;
    try {
        FirstRun = !ReadStartupSettings(StartupFilePath(), Startup);
    } catch (const platform::Error&) {
        // An unreadable file gives the defaults and is written again on
        // exit; it still marks a program that has run before.
        Startup = MyStartupSet{};
    }
    SetDisplayOptions(Startup);

    // The left panel and the window's place.
    PlaceWindow();

    // Empty tables and the face colour.
    ClearAllData(true);
    core::ProjectBasics.PanelColor = static_cast<std::int32_t>(PanelFaceColor);
    core::ProjectBasics.NcLeft = 0;
    core::ProjectBasics.NcBottom = 0;

    FormResize();
}

std::filesystem::path TFormMain::StartupFilePath() const { return fs::path(ProgramFolder) / StartupFileName; }

void TFormMain::PlaceWindow()
{
    QScreen* screen = ScreenFor(Startup.LEFT, Startup.TOP);
    ScreenRect work = screen ? ToScreenRect(screen->availableGeometry()) : ScreenRect{0, 0, 1024, 768};
    WindowPlacement p = mainwin::PlaceWindow(Startup, work);
    PanelFile->resize(p.panelFileWidth, PanelFile->height());
    PlaceFrame(p.window, MinimumTrackingSize(work));
}

FrameMargins TFormMain::CurrentFrameMargins() const
{
    const QRect f = frameGeometry(), g = geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

void TFormMain::PlaceFrame(const ScreenRect& outer, const ScreenRect& minimum)
{
    placedFrame_ = outer;
    leastFrame_ = minimum;
    frame_ = CurrentFrameMargins();
    const ScreenRect client = ClientArea(outer, frame_), least = ClientArea(minimum, frame_);
    setMinimumSize(least.width, least.height);
    resize(client.width, client.height);
    // A window's position is that of its frame.
    move(outer.left, outer.top);
}

void TFormMain::FormResize()
{
    const int W = width(), H = height();
    StatusBar1->setGeometry(0, H - StatusBarHeight, W, StatusBarHeight);
    Panel1->setGeometry(0, BannerHeight, W, std::max(0, H - BannerHeight - StatusBarHeight));
    const int ph = Panel1->height();
    const int pw = std::clamp(PanelFile->width(), 0, std::min(PanelFileLimit(), std::max(0, W - SplitterWidth)));
    PanelFile->setGeometry(0, 0, pw, ph);
    Splitter1->setGeometry(pw, 0, SplitterWidth, ph);
    DspPanel->setGeometry(pw + SplitterWidth, 0, std::max(0, W - pw - SplitterWidth), ph);

    GaugePanel->move((W - GaugePanel->width()) / 2, (H - GaugePanel->height()) / 2);

    const int dw = DspPanel->width(), dh = DspPanel->height();
    Image3->setGeometry(0, 0, dw, dh);
    MyStartupSet options;
    GetDisplayOptions(options);
    if (!options.AUTOSCR) Image1->setGeometry(FrameBand, FrameBand, std::max(0, dw - 2 * FrameBand), std::max(0, dh - 2 * FrameBand));
    else Image1->setGeometry(Image3->geometry());
    Image2->setGeometry(Image1->geometry());

    LayoutPanFrame(dw, dh, Image1->width(), Image1->height());
    DrawPanFrame();
    PictureResized(Image1->width(), Image1->height());
    RedrawView();

    Image4->setGeometry(0, 0, pw, ph);
    BuildCommandMenu(true);
    DrawCommandMenu();
    BuildSideSelector();
}

int TFormMain::PanelFileLimit()
{
    // The left panel never gets narrower than 200 nor leaves the drawing
    // area less than the pan frame and the TOP / BOTTOM tabs over it need.
    return std::max(200, width() - SplitterWidth - std::max(4 * FrameBand, SideSelectorWidth()));
}

void TFormMain::Splitter1Moved(int newLeft)
{
    PanelFile->resize(std::clamp(newLeft, 200, PanelFileLimit()), PanelFile->height());
    FormResize();
}

void TFormMain::RedrawView()
{
    RedrawWindowPicture();
    Image1->update();
    Image2->setVisible(Highlight.Visible);
}

void TFormMain::StoreWindowSettings()
{
    // The normal geometry: a minimised or maximised window is saved where it
    // will come back to.
    const bool normal = !(isMinimized() || isMaximized() || isFullScreen());
    QRect g = normal ? geometry() : normalGeometry();
    if (!g.isValid()) g = geometry();
    const ScreenRect outer = FrameArea(ToScreenRect(g), normal ? CurrentFrameMargins() : frame_);
    Startup.LEFT = outer.left;
    Startup.TOP = outer.top;
    Startup.WIDTH = outer.width;
    Startup.HEIGHT = outer.height;
    Startup.SPLIT1 = PanelFile->width();
    GetDisplayOptions(Startup);
}

bool TFormMain::FormCloseQuery()
{
    // Long work in progress: the tables are in use, nothing closes.
    if (platform::BusyGuard::Active()) return false;
    if (CloseMode < 0) return true;
    if (!platform::AskOkCancel(ExitQuestion)) {
        ClearCurrentCommand();
        return false;
    }
    StoreWindowSettings();
    try {
        WriteStartupSettings(StartupFilePath(), Startup);
    } catch (const platform::Error& e) {
        platform::ShowWarning(e.what());
    }
    try {
        WriteFolderSetFile();
    } catch (const platform::Error& e) {
        platform::ShowWarning(e.what());
    }
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool ok = false;
    try {
        ok = FormCloseQuery();
    } catch (const std::exception& e) {
        platform::ShowError(e.what());
    }
    if (ok) event->accept();
    else event->ignore();
}

void TFormMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The window manager frames the window after it is shown: the frame
    // then goes where it was meant to, the client area the smaller for it.
    frameWatch_ = new QTimer(this);
    frameWatch_->setInterval(20);
    connect(frameWatch_, &QTimer::timeout, this, [this, ticks = 0]() mutable {
        const FrameMargins now = CurrentFrameMargins();
        if (!(now == frame_)) {
            // A window moved or sized since it was placed stays as it is.
            const ScreenRect placed = ClientArea(placedFrame_, frame_);
            const bool asPlaced = !isMaximized() && !isFullScreen() && !isMinimized() && width() == placed.width && height() == placed.height;
            if (asPlaced) {
                PlaceFrame(placedFrame_, leastFrame_);
            } else {
                frame_ = now;
                const ScreenRect least = ClientArea(leastFrame_, frame_);
                setMinimumSize(least.width, least.height);
            }
        }
        if (!(now == FrameMargins{}) || ++ticks >= 150) frameWatch_->stop();
    });
    frameWatch_->start();
    // The deferred start runs once the window is on the screen.
    QMetaObject::invokeMethod(this, [this] { AfterShowStartup(); }, Qt::QueuedConnection);
}

void TFormMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    try {
        FormResize();
    } catch (const std::exception& e) {
        platform::ShowError(e.what());
    }
}

void TFormMain::AfterShowStartup()
{
    if (StartupDone) return;
    StartupDone = true;
    try {
        platform::PumpEvents(true);
        if (FirstRun) {
            if (QScreen* s = screen()) {
                const ScreenRect centred = CentredIn(placedFrame_, ToScreenRect(s->availableGeometry()));
                placedFrame_.left = centred.left;
                placedFrame_.top = centred.top;
                move(centred.left, centred.top);
            }
            platform::EnsureFileTypeRegistered(ProgramFile(), IconBytes());
            platform::CreateDesktopShortcut(ProgramFile());
        }
        platform::PumpEvents(true);
        if (CommandLineFiles.Count > 0) {
            platform::BusyGuard busy;
            if (OpenFileList(CommandLineFiles) == 1) LastOpenedFolder = CommandLineFiles.Folder;
        }
    } catch (const std::exception& e) {
        platform::ShowWarning(e.what());
    }
}

void TFormMain::DropFiles(const QStringList& paths)
{
    if (platform::BusyGuard::Active()) return;
    try {
        ResetTools(true);
        CommandMenu.Current.clear();
        BuildCommandMenu(false);
        DrawCommandMenu();
        std::vector<std::string> list;
        for (const QString& p : paths) list.push_back(p.toStdString());
        MyOpenFiles files = MakeOpenList(list, core::fkAuto, MaxDroppedFiles);
        platform::PumpEvents(true);
        if (files.Count < 1) return;
        platform::BusyGuard busy;
        if (OpenFileList(files) == 1) LastOpenedFolder = files.Folder;
    } catch (const std::exception& e) {
        platform::ShowWarning(e.what());
    }
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!platform::BusyGuard::Active() && event->mimeData()->hasUrls()) {
        for (const QUrl& u : event->mimeData()->urls()) {
            if (u.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    event->ignore();
}

void TFormMain::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& u : event->mimeData()->urls())
        if (u.isLocalFile()) paths << u.toLocalFile();
    event->acceptProposedAction();
    // Opened after the drop has returned to the source.
    QMetaObject::invokeMethod(this, [this, paths] { DropFiles(paths); }, Qt::QueuedConnection);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    // Key preview: the navigation keys reach the form whatever control of it
    // has the focus (the scroll boxes of the lists would take the arrows).
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w == this || isAncestorOf(w)) {
            bool used = false;
            Guarded([&] { used = FormKeyDown(static_cast<QKeyEvent*>(event)->key()); });
            if (used) return true;
        }
        return false;
    }
    if (watched == Label1 && event->type() == QEvent::MouseButtonPress) {
        Label1MouseDown(static_cast<QMouseEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::MouseMove && Timer2 && (Timer2->isActive() || EdgeRegions.Hover >= 0) &&
        std::find(autoScrollStoppers_.begin(), autoScrollStoppers_.end(), watched) != autoScrollStoppers_.end())
        StopAutoScrolling();
    return QWidget::eventFilter(watched, event);
}

void TFormMain::Label1MouseDown(QMouseEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (event->button() != Qt::LeftButton || !(mods & Qt::ControlModifier) || !(mods & Qt::AltModifier)) return;
    if (platform::BusyGuard::Active()) return;
    if (!platform::AskOkCancel(RemovalQuestion, platform::MsgIcon::Warning)) return;
    platform::UnregisterFileType();
    platform::DeleteDesktopShortcut();
    platform::DeletePathSilently(core::DataFolder);
    CloseMode = -1;
    close();
}

void TFormMain::OpenOnlineHelp()
{
    auto failed = [] { platform::Boxes().Show(HelpFailedText, HelpFailedCaption, platform::MsgIcon::Error, platform::MsgButtons::Ok); };
    std::string page = HelpPagePath();
    if (page.empty() || !platform::ShellOpen(page, failed)) failed();
}

void TFormMain::ShowGauge(const std::string& text)
{
    StaticText1->setText(Q(text));
    Gauge1->setValue(0);
    GaugePanel->raise();
    GaugePanel->show();
    platform::PumpEvents(true);
}

void TFormMain::ShowNoticeBalloon(int y, const std::string& mode)
{
    const std::vector<std::string> rows = NoticeBalloonRows(mode);
    if (rows.empty()) return;
    QFont font = platform::ToQFont({"ＭＳ Ｐゴシック", -15});
    QFontMetrics fm(font);
    // Row 0 sits at (20, 10) behind its icon, the others at (50, 30), (50, 50).
    const int widthRow = mode == "tso" ? 1 : 0;
    const int w = fm.horizontalAdvance(Q(rows[static_cast<std::size_t>(widthRow)])) + 70;
    const int lastTop = 10 + 20 * static_cast<int>(rows.size() - 1);
    const int h = lastTop + fm.height() + 10;
    QImage image(w, h, QImage::Format_ARGB32);
    // Outside the balloon the picture shows through.
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setFont(font);
    QPolygon balloon;
    balloon << QPoint(0, h / 2) << QPoint(10, h / 2 - 5) << QPoint(10, 0) << QPoint(w - 1, 0) << QPoint(w - 1, h - 1)
            << QPoint(10, h - 1) << QPoint(10, h / 2 + 5);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 251, 240));
    p.drawPolygon(balloon);
    // The notice icon: an "i" in a blue disc in front of row 0.
    p.setBrush(QColor(0, 80, 200));
    p.drawEllipse(QRect(20, 10, 16, 16));
    p.setPen(Qt::white);
    p.drawText(QRect(20, 10, 16, 16), Qt::AlignCenter, "i");
    p.setPen(Qt::black);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int x = i == 0 ? 40 : 50, top = 10 + 20 * static_cast<int>(i);
        p.drawText(QPoint(x, top + fm.ascent()), Q(rows[i]));
    }
    p.end();
    Image11->setPixmap(QPixmap::fromImage(image));
    // The information balloon left its outline and cursor behind.
    Image11->clearMask();
    Image11->unsetCursor();
    Image11->setGeometry(DspPanel->x() + Panel1->x(), y - h / 2, w, h);
    Image11->raise();
    Image11->show();
}

void TFormMain::SetGaugeText(const std::string& text) { StaticText1->setText(Q(text)); }

void TFormMain::HideGauge() { GaugePanel->hide(); }

std::string TFormMain::ProgramFile()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.string();
    return QCoreApplication::applicationFilePath().toStdString();
}

std::string TFormMain::HelpPagePath()
{
    fs::path exe = fs::path(ProgramFile()).parent_path();
    // Beside the program in the build tree; under share/ once installed.
    for (const fs::path& p : {exe / "help" / "index.html", exe.parent_path() / "share" / "tessel2" / "help" / "index.html"}) {
        std::error_code ec;
        if (fs::is_regular_file(p, ec)) return p.string();
    }
    return {};
}

std::string TFormMain::IconBytes()
{
    QFile f(":/tessel2.png");
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

} // namespace mainwin
