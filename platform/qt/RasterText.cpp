#include "platform/qt/RasterText.h"

#include "platform/qt/Fonts.h"

#include <QFontMetrics>
#include <QPainter>

namespace platform {

QImage WrapRaster(RasterCanvas& canvas)
{
    return QImage(reinterpret_cast<uchar*>(canvas.Bits()), canvas.Width(), canvas.WindowRows(),
                  static_cast<qsizetype>(canvas.Width()) * 4, QImage::Format_RGB32);
}

QImage WrapRaster(const RasterCanvas& canvas)
{
    return QImage(reinterpret_cast<const uchar*>(canvas.Bits()), canvas.Width(), canvas.WindowRows(),
                  static_cast<qsizetype>(canvas.Width()) * 4, QImage::Format_RGB32);
}

void QtRasterTextHook::TextOut(RasterCanvas& canvas, int x, int y, std::string_view text)
{
    if (canvas.Width() <= 0 || canvas.WindowRows() <= 0 || text.empty()) return;
    QImage image = WrapRaster(canvas);
    QPainter p(&image);
    QFont font = ToQFont(canvas.Font());
    p.setFont(font);
    p.setPen(ToQColor(canvas.Font().FontColor));
    QFontMetrics fm(font);
    // (x, y) is the top left of the text cell, in picture rows.
    p.translate(0, -canvas.WindowTop());
    p.drawText(x, y + fm.ascent(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

TextSize QtRasterTextHook::TextExtent(const RasterCanvas& canvas, std::string_view text)
{
    QFontMetrics fm(ToQFont(canvas.Font()));
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return {fm.horizontalAdvance(s), fm.height()};
}

void InstallRasterTextHook()
{
    static QtRasterTextHook hook;
    SetRasterTextHook(&hook);
}

} // namespace platform
