#pragma once
// The system's printer as a print device: a CUPS queue, or a PDF file when
// the system has none (then the file is asked for at each job, unless one
// was set). Always at the printer's high resolution, with the page margins
// at the printer's minimum. A PDF is written to a temporary file beside
// its target and renamed when the job ends; an aborted job leaves nothing.
#include "output/PrintDevice.h"

#include <QPageLayout>
#include <QPrinter>

#include <filesystem>
#include <memory>
#include <vector>

class QPainter;

namespace platform {
class PainterCanvas;
}

namespace output {

// The printer's name shown when the print goes to a PDF file.
inline constexpr const char* PdfPrinterName = "PDF ファイル";
inline constexpr const char* PdfDialogTitle = "PDF ファイルに印刷";
inline constexpr const char* PrintStartFailedText = "印刷を開始できませんでした。";

class QtPrintDevice final : public PrintDevice {
public:
    QtPrintDevice();
    ~QtPrintDevice() override;
    QtPrintDevice(const QtPrintDevice&) = delete;
    QtPrintDevice& operator=(const QtPrintDevice&) = delete;

    // For the printer set-up dialog; call PrinterChanged after it.
    QPrinter& Printer() { return printer_; }
    void PrinterChanged();
    bool PrintsToPdf() const { return pdf_; }
    // Every job goes into this PDF file, without asking.
    void SetPdfFile(const std::filesystem::path& path);

    DeviceCaps Caps() override;
    void PushA4Portrait() override;
    void PopLayout() override;
    bool Begin() override;
    platform::Canvas& Page() override;
    void NewPage() override;
    bool End() override;
    void Abort() override;

private:
    void UseMinimumMargins();
    bool Printing() const;
    void DropTemporary();

    QPrinter printer_{QPrinter::HighResolution};
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<platform::PainterCanvas> canvas_;
    std::vector<QPageLayout> saved_;
    bool pdf_ = false;
    std::filesystem::path pdfFile_;          // set once for every job
    std::filesystem::path target_, temporary_;   // of the job running
};

} // namespace output
