#pragma once
// The print dialog: the settings panel with the preview of the printed
// picture, the list of layers with their print and combine flags, the popup
// choices, the offset buttons, printer set-up, and the buttons that print
// the layers and the data sheets. The pictures are the models of
// PrintPanel.h painted on rasters; this window shows them and hands the
// pointer back to them.
#include "output/PrintPanel.h"
#include "output/QtPrintDevice.h"
#include "platform/RasterCanvas.h"
#include "platform/qt/SurfaceWidget.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <array>
#include <functional>
#include <memory>

namespace output {

inline constexpr const char* PrintCaption = "印刷";

class TFormPrint final : public QDialog {
    Q_OBJECT
public:
    explicit TFormPrint(QWidget* parent = nullptr);
    ~TFormPrint() override;

    platform::SurfaceWidget* Image0 = nullptr;   // the settings panel, the whole client area
    platform::SurfaceWidget* Image1 = nullptr;   // the preview
    platform::SurfaceWidget* Image2 = nullptr;   // the layer list
    platform::SurfaceWidget* Image3 = nullptr;   // the popup choices (hidden)
    QScrollBar* ScrollBar1 = nullptr;
    QPushButton* swEnter = nullptr;              // print the layers
    QPushButton* sw5 = nullptr;                  // print the data sheets
    QPushButton* swClose = nullptr;
    std::array<QPushButton*, 4> sw{};            // sw1..sw4: offsets X −, X +, Y −, Y +
    // Under the preview while the job has several pages: the page shown.
    QPushButton* swPagePrev = nullptr;
    QPushButton* swPageNext = nullptr;
    QLabel* LabelPage = nullptr;
    int PreviewPage = 0;                         // index among PrintPages()

    platform::RasterCanvas PanelPicture, PreviewPicture, ListPicture, PopupPicture;

    // Set by the main window when the loaded layers or their order changed:
    // the outline file chosen before is forgotten at the next showing.
    bool LayersChanged = true;
    // The printer set-up: true when the user confirmed a printer or paper.
    std::function<bool(QtPrintDevice&)> PrinterSetup;

    // The printer, made when first asked for: finding the system's queues
    // can take a while, and most starts print nothing.
    QtPrintDevice& Device();
    const PrintLayout& Layout() const { return layout_; }

    // FormShow, then the dialog modally.
    void ShowModal();
    // What each showing does first: sheet scripts, printer, print area,
    // panel, preview.
    void FormShow();

    void DrawSettingsPanel();
    void DrawPrintLayerList();
    void RenderPreview();
    void ShowPopupList(int x, int y, const std::string& kind);
    void HidePopup();

    void Image0MouseDown(QMouseEvent* event);
    void Image0MouseMove(QMouseEvent* event);
    void Image0MouseUp(QMouseEvent* event);
    void Image1MouseDown(QMouseEvent* event);
    void Image1MouseMove(QMouseEvent* event);
    void Image2MouseDown(QMouseEvent* event);
    void Image2MouseMove(QMouseEvent* event);
    void Image2MouseUp(QMouseEvent* event);
    void Image3MouseMove(QMouseEvent* event);
    void Image3MouseUp(QMouseEvent* event);
    void ScrollBar1Change();
    void FormMouseWheel(QWheelEvent* event);
    void swEnterClick();
    void sw5Click();
    void swCloseClick();
    void OffsetClick(int button);   // 1..4
    void PageStepClick(int step);   // -1 the page before, +1 the next

protected:
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply(const PrintAction& action);
    void PlaceControls();
    void RunPrinterSetup();

    std::unique_ptr<QtPrintDevice> device_;
    PrintLayout layout_;
    int wheelRest_ = 0;
};

// The print dialog of the program (nullptr before it is made).
TFormPrint* FormPrint();

} // namespace output
