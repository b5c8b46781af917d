#include "output/FormPrint.h"

#include "core/Datas.h"
#include "output/DataSheets.h"
#include "output/PrintEngine.h"
#include "platform/qt/EventGuard.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPrinterInfo>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <initializer_list>

namespace output {

namespace {

TFormPrint* printForm = nullptr;

QRect ToQRect(const platform::Rect& r) { return QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top)); }

using platform::EventX;
using platform::EventY;
using platform::Guarded;

MouseButton ButtonOf(const QMouseEvent* e) { return platform::ButtonOf<MouseButton>(e); }

// The printer set-up: a printer (or a PDF file) and, through the page
// set-up, its paper and orientation. A cancel puts everything back.
bool ChoosePrinter(QtPrintDevice& device, QWidget* parent)
{
    QPrinter& printer = device.Printer();
    const QString name = printer.printerName();
    const QPrinter::OutputFormat format = printer.outputFormat();
    const QPageLayout layout = printer.pageLayout();

    QDialog dialog(parent);
    dialog.setWindowTitle("プリンターの設定");
    auto* printers = new QComboBox(&dialog);
    const QStringList queues = QPrinterInfo::availablePrinterNames();
    printers->addItems(queues);
    printers->addItem(PdfPrinterName);
    printers->setCurrentIndex(device.PrintsToPdf() ? static_cast<int>(queues.size()) : std::max(0, static_cast<int>(queues.indexOf(name))));
    auto choose = [&] {
        const int k = printers->currentIndex();
        if (k >= 0 && k < queues.size()) {
            printer.setOutputFormat(QPrinter::NativeFormat);
            printer.setPrinterName(queues[k]);
        } else {
            printer.setOutputFormat(QPrinter::PdfFormat);
        }
    };
    auto* paper = new QPushButton("用紙の設定...", &dialog);
    QObject::connect(paper, &QPushButton::clicked, &dialog, [&] {
        choose();
        QPageSetupDialog setup(&printer, &dialog);
        setup.exec();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("プリンター：", &dialog));
    row->addWidget(printers, 1);
    row->addWidget(paper);
    auto* column = new QVBoxLayout(&dialog);
    column->addLayout(row);
    column->addWidget(buttons);
    if (dialog.exec() == QDialog::Accepted) {
        choose();
        return true;
    }
    printer.setOutputFormat(format);
    if (format == QPrinter::NativeFormat) printer.setPrinterName(name);
    printer.setPageLayout(layout);
    return false;
}

} // namespace

TFormPrint* FormPrint() { return printForm; }

TFormPrint::TFormPrint(QWidget* parent) : QDialog(parent)
{
    printForm = this;
    setObjectName("FormPrint");
    setWindowTitle(PrintCaption);
    setModal(true);
    setFont(platform::ToQFont(platform::FontInfo{}));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(static_cast<platform::Color>(core::ProjectBasics.PanelColor)));
    setPalette(palette);
    ResetPrintSettings();
    PrinterSetup = [this](QtPrintDevice& device) { return ChoosePrinter(device, this); };

    auto surface = [this](const char* name, platform::RasterCanvas& picture) {
        auto* s = new platform::SurfaceWidget(this);
        s->setObjectName(name);
        s->SetPicture(&picture);
        // The picture that takes the wheel is the one under the pointer,
        // whether or not a move over it came first.
        s->OnWheel = [this, name](QWheelEvent* e) {
            PrintWheelTarget = name;
            Guarded([&] { FormMouseWheel(e); });
        };
        return s;
    };
    Image0 = surface("Image0", PanelPicture);
    Image0->OnMouseDown = [this](QMouseEvent* e) { Guarded([&] { Image0MouseDown(e); }); };
    Image0->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image0MouseMove(e); }); };
    Image0->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image0MouseUp(e); }); };
    Image0->installEventFilter(this);
    Image1 = surface("Image1", PreviewPicture);
    Image1->OnMouseDown = [this](QMouseEvent* e) { Guarded([&] { Image1MouseDown(e); }); };
    Image1->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image1MouseMove(e); }); };
    Image2 = surface("Image2", ListPicture);
    Image2->OnMouseDown = [this](QMouseEvent* e) { Guarded([&] { Image2MouseDown(e); }); };
    Image2->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image2MouseMove(e); }); };
    Image2->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image2MouseUp(e); }); };
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName("ScrollBar1");
    ScrollBar1->hide();
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { Guarded([&] { ScrollBar1Change(); }); });

    auto button = [this](const char* name, const char* caption, void (TFormPrint::*click)()) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, click] { Guarded([&] { (this->*click)(); }); });
        return b;
    };
    swEnter = button("swEnter", "印刷", &TFormPrint::swEnterClick);
    sw5 = button("sw5", "データ詳細表を印刷", &TFormPrint::sw5Click);
    swClose = button("swClose", "閉じる", &TFormPrint::swCloseClick);
    static constexpr const char* offsetCaptions[] = {"－", "＋", "－", "＋"};
    for (int k = 0; k < 4; ++k) {
        auto* b = new QPushButton(QString::fromUtf8(offsetCaptions[k]), this);
        b->setObjectName(QString("sw%1").arg(k + 1));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, k] { Guarded([&] { OffsetClick(k + 1); }); });
        sw[static_cast<std::size_t>(k)] = b;
    }

    for (const int step : {-1, 1}) {
        auto* b = new QPushButton(step < 0 ? "◀" : "▶", this);
        b->setObjectName(step < 0 ? "swPagePrev" : "swPageNext");
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, step] { Guarded([&] { PageStepClick(step); }); });
        (step < 0 ? swPagePrev : swPageNext) = b;
    }
    LabelPage = new QLabel(this);
    LabelPage->setObjectName("LabelPage");
    LabelPage->setAlignment(Qt::AlignCenter);

    // The popup lies over everything else.
    Image3 = surface("Image3", PopupPicture);
    Image3->OnMouseMove = [this](QMouseEvent* e) { Guarded([&] { Image3MouseMove(e); }); };
    Image3->OnMouseUp = [this](QMouseEvent* e) { Guarded([&] { Image3MouseUp(e); }); };
    Image3->OnMouseDown = [](QMouseEvent*) {};
    Image3->hide();

    PlaceControls();
}

TFormPrint::~TFormPrint()
{
    if (printForm == this) printForm = nullptr;
}

void TFormPrint::ShowModal()
{
    // Ready before it is seen: events run while the preview is drawn, and a
    // dialog closed before its loop began would leave that loop waiting.
    Guarded([&] { FormShow(); });
    exec();
}

void TFormPrint::FormShow()
{
    HidePopup();
    PreviewPage = 0;
    if (LayersChanged) PrintSettings.OutlineLayer = 0;
    LayersChanged = false;
    setWindowTitle(PrintCaption);
    try {
        WriteSheetScripts();
    } catch (const std::exception& e) {
        // The layers still print; the sheets show what the old scripts hold.
        platform::ShowError(e.what());
    }
    ReadPrinterCaps(Device());
    ReadDataArea(SheetPath(DataAreaFile));
    PlaceControls();
}

QtPrintDevice& TFormPrint::Device()
{
    if (!device_) device_ = std::make_unique<QtPrintDevice>();
    return *device_;
}

void TFormPrint::PlaceControls()
{
    platform::RasterCanvas measure(1, 1);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int maxWidth = screen ? screen->availableGeometry().width() - 40 : 1600;
    layout_ = LayoutPrintDialog(measure, maxWidth);
    setFixedSize(layout_.ClientWidth, layout_.ClientHeight);
    Image0->setGeometry(0, 0, layout_.ClientWidth, layout_.ClientHeight);
    BuildSettingsPanel(PrintPanel, measure, layout_);

    const int scrollMax = ListScrollMax();
    QRect list = ToQRect(layout_.List);
    {
        const QSignalBlocker blocker(ScrollBar1);
        ScrollBar1->setRange(0, scrollMax);
        ScrollBar1->setPageStep(ListRows);
        ScrollBar1->setValue(std::min(ScrollBar1->value(), scrollMax));
    }
    if (scrollMax > 0) {
        list.setWidth(list.width() - 16);
        ScrollBar1->setGeometry(list.right() + 1, list.top(), 16, list.height());
        ScrollBar1->show();
    } else {
        ScrollBar1->hide();
    }
    Image2->setGeometry(list);
    InitGridCells(PrintLayerGrid, list.width());

    swEnter->setGeometry(ToQRect(layout_.Enter));
    sw5->setGeometry(ToQRect(layout_.Sheets));
    swClose->setGeometry(ToQRect(layout_.Close));
    for (std::size_t k = 0; k < sw.size(); ++k) sw[k]->setGeometry(ToQRect(layout_.Offsets[k]));

    DrawSettingsPanel();
    DrawPrintLayerList();
    RenderPreview();
}

void TFormPrint::DrawSettingsPanel()
{
    RefreshSettingsPanel(PrintPanel);
    PanelPicture.Resize(layout_.ClientWidth, layout_.ClientHeight);
    output::DrawSettingsPanel(PanelPicture, PrintPanel);
    Image0->update();
}

void TFormPrint::DrawPrintLayerList()
{
    FillPrintLayerGrid(PrintLayerGrid, ScrollBar1->value());
    ListPicture.Resize(Image2->width(), Image2->height());
    output::DrawPrintLayerList(ListPicture, PrintLayerGrid);
    Image2->update();
}

void TFormPrint::RenderPreview()
{
    const platform::Rect r = PreviewImageRect();
    if (r.right <= r.left || r.bottom <= r.top) {
        // No paper to show the picture on.
        Image1->hide();
        for (QWidget* w : std::initializer_list<QWidget*>{swPagePrev, swPageNext, LabelPage}) w->hide();
        return;
    }
    Image1->setGeometry(ToQRect(r));
    PreviewPicture.Resize(r.right - r.left, r.bottom - r.top, 0xFFFFFF);
    ClearPreviewImage(PreviewPicture);
    Image1->show();
    // The job's pages one at a time, stepped through under the preview.
    const int pages = core::LayerCount > 0 && core::DataCount > 0 ? static_cast<int>(PrintPages().size()) : 0;
    PreviewPage = std::clamp(PreviewPage, 0, std::max(0, pages - 1));
    const bool several = pages > 1;
    if (several) {
        constexpr int stepWidth = 32, gap = 6;
        const int labelWidth = std::max(100, LabelPage->fontMetrics().horizontalAdvance("000 / 000 ページ") + 8);
        const int height = std::max(24, swPagePrev->sizeHint().height());
        const int middle = (PreviewSquare.left + PreviewSquare.right) / 2, top = PreviewSquare.bottom + 6;
        LabelPage->setGeometry(middle - labelWidth / 2, top, labelWidth, height);
        swPagePrev->setGeometry(middle - labelWidth / 2 - gap - stepWidth, top, stepWidth, height);
        swPageNext->setGeometry(middle + labelWidth / 2 + gap, top, stepWidth, height);
        LabelPage->setText(QString("%1 / %2 ページ").arg(PreviewPage + 1).arg(pages));
        swPagePrev->setEnabled(PreviewPage > 0);
        swPageNext->setEnabled(PreviewPage + 1 < pages);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{swPagePrev, swPageNext, LabelPage}) w->setVisible(several);
    RenderPrintPreview(PreviewPicture, PreviewPage);
    Image1->update();
}

void TFormPrint::ShowPopupList(int x, int y, const std::string& kind)
{
    platform::RasterCanvas measure(1, 1);
    InitPopupItems(PrintPopup, kind, measure);
    if (PrintPopup.Count < 1) return;
    PlacePopup(PrintPopup, x, y, layout_.ClientWidth, layout_.ClientHeight);
    const platform::Rect& b = PrintPopup.Bounds;
    PopupPicture.Resize(b.right - b.left, b.bottom - b.top);
    DrawPopupList(PopupPicture, PrintPopup);
    Image3->setGeometry(ToQRect(b));
    // The balloon is seen and clicked only within its outline.
    platform::MaskColour(Image3, PopupPicture, PanelFace);
    Image3->raise();
    Image3->show();
}

void TFormPrint::HidePopup()
{
    Image3->hide();
    PrintPopup.Hover = -1;
}

void TFormPrint::Apply(const PrintAction& a)
{
    if (a.PrinterSetup) RunPrinterSetup();
    if (a.DrawPanel) DrawSettingsPanel();
    if (a.DrawList) DrawPrintLayerList();
    if (a.Preview) RenderPreview();
    if (!a.Popup.empty()) ShowPopupList(a.PopupAt.x, a.PopupAt.y, a.Popup);
}

void TFormPrint::RunPrinterSetup()
{
    if (!PrinterSetup || !PrinterSetup(Device())) return;
    Device().PrinterChanged();
    ReadPrinterCaps(Device());
    // The paper's name and shape may differ: the panel and the preview too.
    PlaceControls();
}

// ------------------------------------------------------------- pointer

void TFormPrint::Image0MouseDown(QMouseEvent*) { HidePopup(); }

void TFormPrint::Image0MouseMove(QMouseEvent* e)
{
    PrintWheelTarget = "Image0";
    if (Image3->isVisible() && PrintPopup.Hover >= 0) HidePopup();
    if (HoverPanel(PrintPanel, EventX(e), EventY(e))) DrawSettingsPanel();
}

void TFormPrint::Image0MouseUp(QMouseEvent* e) { Apply(PanelClick(PrintPanel, HitPanelItem(PrintPanel, EventX(e), EventY(e)), ButtonOf(e))); }

void TFormPrint::Image1MouseDown(QMouseEvent*) { HidePopup(); }

void TFormPrint::Image1MouseMove(QMouseEvent*) { PrintWheelTarget = "Image1"; }

void TFormPrint::Image2MouseDown(QMouseEvent* e)
{
    HidePopup();
    ListPress(PrintLayerGrid, EventX(e), EventY(e));
}

void TFormPrint::Image2MouseMove(QMouseEvent* e)
{
    PrintWheelTarget = "Image2";
    if (Image3->isVisible() && PrintPopup.Hover >= 0) HidePopup();
    if (ListMove(PrintLayerGrid, EventX(e), EventY(e), e->buttons() & Qt::LeftButton)) DrawPrintLayerList();
}

void TFormPrint::Image2MouseUp(QMouseEvent* e)
{
    ListRelease(PrintLayerGrid, EventX(e), EventY(e), ButtonOf(e));
    DrawPrintLayerList();
    RenderPreview();
}

void TFormPrint::Image3MouseMove(QMouseEvent* e)
{
    const int item = HitPopupItem(PrintPopup, EventX(e), EventY(e));
    if (item < 0 || item == PrintPopup.Hover) return;
    PrintPopup.Hover = item;
    DrawPopupList(PopupPicture, PrintPopup);
    Image3->update();
}

void TFormPrint::Image3MouseUp(QMouseEvent* e)
{
    const int item = HitPopupItem(PrintPopup, EventX(e), EventY(e));
    if (item < 0) return;
    const MyBalloonBox chosen = PrintPopup;
    HidePopup();
    if (!ApplyPopupChoice(chosen, item)) return;
    DrawSettingsPanel();
    RenderPreview();
}

void TFormPrint::ScrollBar1Change() { DrawPrintLayerList(); }

void TFormPrint::FormMouseWheel(QWheelEvent* e)
{
    wheelRest_ += e->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ %= 120;
    if (notches == 0 || PrintWheelTarget != "Image2" || !ScrollBar1->isVisible()) return;
    ScrollBar1->setValue(WheelScroll(ScrollBar1->value(), notches));
}

void TFormPrint::wheelEvent(QWheelEvent* event) { Guarded([&] { FormMouseWheel(event); }); }

bool TFormPrint::eventFilter(QObject* watched, QEvent* event)
{
    // Nothing stays lit once the pointer has left the panel.
    if (watched == Image0 && event->type() == QEvent::Leave && PrintPanel.Hover >= 0) {
        PrintPanel.Hover = -1;
        Guarded([&] { DrawSettingsPanel(); });
    }
    return QDialog::eventFilter(watched, event);
}

// -------------------------------------------------------------- buttons

void TFormPrint::swEnterClick()
{
    HidePopup();
    const int pages = static_cast<int>(PrintPages().size());
    if (pages == 0) return;
    if (!platform::AskYesCancel(PrintQuestion(pages))) return;
    if (PrintSettings.ColorMode == pmInverted && !platform::AskYesCancel(NegativeWarningText, platform::MsgIcon::Warning)) return;
    PrintLayers(Device());
}

void TFormPrint::sw5Click()
{
    HidePopup();
    PrintDataSheets(Device());
}

void TFormPrint::swCloseClick()
{
    HidePopup();
    reject();
}

void TFormPrint::PageStepClick(int step)
{
    HidePopup();
    PreviewPage += step;
    RenderPreview();
}

void TFormPrint::OffsetClick(int button)
{
    HidePopup();
    StepOffset(button);
    DrawSettingsPanel();
    RenderPreview();
}

} // namespace output
