#include "output/QtPrintDevice.h"

#include "output/PrintEngine.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"
#include "platform/qt/PainterCanvas.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinterInfo>

#include <cmath>
#include <unistd.h>

namespace output {

QtPrintDevice::QtPrintDevice()
{
    printer_.setDocName("テッセル２");
    printer_.setCreator("テッセル２");
    // Without a queue Qt would print into a PDF file of no name: say so
    // and ask for the file instead.
    pdf_ = QPrinterInfo::availablePrinters().isEmpty() || printer_.outputFormat() == QPrinter::PdfFormat;
    if (pdf_) {
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setPageSize(QPageSize(QPageSize::A4));
        printer_.setPageOrientation(QPageLayout::Portrait);
    }
    UseMinimumMargins();
}

QtPrintDevice::~QtPrintDevice()
{
    if (Printing()) Abort();
}

bool QtPrintDevice::Printing() const { return painter_ && painter_->isActive(); }

void QtPrintDevice::UseMinimumMargins()
{
    if (Printing()) return;
    // Qt's default margins are not the device's.
    const QPageLayout layout = printer_.pageLayout();
    printer_.setPageMargins(layout.minimumMargins(), layout.units());
}

void QtPrintDevice::PrinterChanged()
{
    pdf_ = printer_.outputFormat() == QPrinter::PdfFormat;
    UseMinimumMargins();
}

void QtPrintDevice::SetPdfFile(const std::filesystem::path& path)
{
    pdf_ = true;
    pdfFile_ = path;
    printer_.setOutputFormat(QPrinter::PdfFormat);
    UseMinimumMargins();
}

DeviceCaps QtPrintDevice::Caps()
{
    UseMinimumMargins();
    DeviceCaps c;
    c.Name = pdf_ ? PdfPrinterName : printer_.printerName().toStdString();
    const QRectF mm = printer_.pageRect(QPrinter::Millimeter);
    const QRectF page = printer_.pageRect(QPrinter::DevicePixel), paper = printer_.paperRect(QPrinter::DevicePixel);
    c.HorzSize = mm.width();
    c.VertSize = mm.height();
    c.HorzRes = printer_.width();
    c.VertRes = printer_.height();
    c.PhysicalWidth = static_cast<int>(std::lround(paper.width()));
    c.PhysicalHeight = static_cast<int>(std::lround(paper.height()));
    c.PhysicalOffsetX = static_cast<int>(std::lround(page.left()));
    c.PhysicalOffsetY = static_cast<int>(std::lround(page.top()));
    return c;
}

void QtPrintDevice::PushA4Portrait()
{
    saved_.push_back(printer_.pageLayout());
    printer_.setPageSize(QPageSize(QPageSize::A4));
    printer_.setPageOrientation(QPageLayout::Portrait);
    UseMinimumMargins();
}

void QtPrintDevice::PopLayout()
{
    if (saved_.empty()) return;
    printer_.setPageLayout(saved_.back());
    saved_.pop_back();
}

bool QtPrintDevice::Begin()
{
    if (Printing()) return false;
    target_.clear();
    temporary_.clear();
    if (pdf_) {
        target_ = pdfFile_;
        if (target_.empty()) {
            platform::SaveRequest request;
            request.title = PdfDialogTitle;
            request.filter = "PDF ファイル (*.pdf)|*.pdf";
            request.suffix = "pdf";
            const platform::SaveAnswer answer = platform::Dialogs().SaveFile(request);
            if (!answer.accepted || answer.path.empty()) return false;
            target_ = answer.path;
        }
        temporary_ = target_.parent_path() / ("." + target_.filename().string() + ".part-" + std::to_string(::getpid()));
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(QString::fromStdString(temporary_.string()));
    }
    UseMinimumMargins();
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        DropTemporary();
        platform::ShowError(PrintStartFailedText);
        return false;
    }
    canvas_ = std::make_unique<platform::PainterCanvas>(*painter_, printer_.width(), printer_.height());
    return true;
}

platform::Canvas& QtPrintDevice::Page() { return *canvas_; }

void QtPrintDevice::NewPage()
{
    printer_.newPage();
    canvas_->SetSize(printer_.width(), printer_.height());
}

bool QtPrintDevice::End()
{
    if (!Printing()) return false;
    bool ok = painter_->end() && printer_.printerState() != QPrinter::Error;
    canvas_.reset();
    painter_.reset();
    if (pdf_ && ok) {
        std::error_code ec;
        std::filesystem::rename(temporary_, target_, ec);
        ok = !ec;
    }
    DropTemporary();
    if (!ok) platform::ShowError(PrintFailedText);
    return ok;
}

void QtPrintDevice::Abort()
{
    printer_.abort();
    if (Printing()) painter_->end();
    canvas_.reset();
    painter_.reset();
    DropTemporary();
}

void QtPrintDevice::DropTemporary()
{
    if (temporary_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
    temporary_.clear();
}

} // namespace output
