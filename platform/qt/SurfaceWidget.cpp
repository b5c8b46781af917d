#include "platform/qt/SurfaceWidget.h"

#include "platform/qt/RasterText.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>

namespace platform {

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void SurfaceWidget::SetPicture(const RasterCanvas* picture)
{
    picture_ = picture;
    update();
}

void SurfaceWidget::SetTransparentBlack(bool on)
{
    transparentBlack_ = on;
    setAttribute(Qt::WA_OpaquePaintEvent, !on);
    update();
}

void SurfaceWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!picture_ || picture_->Width() <= 0 || picture_->Height() <= 0) {
        if (!transparentBlack_) p.fillRect(rect(), Qt::black);
        return;
    }
    QImage image = WrapRaster(*picture_);
    if (transparentBlack_) {
        // Black is the transparent colour: an alpha mask from the pixels.
        QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
            for (int x = 0; x < argb.width(); ++x)
                if ((line[x] & 0x00FFFFFFu) == 0) line[x] = 0;
        }
        p.drawImage(0, 0, argb);
        return;
    }
    p.drawImage(0, 0, image);
    // Whatever the picture does not cover stays black.
    if (picture_->Width() < width()) p.fillRect(picture_->Width(), 0, width() - picture_->Width(), height(), Qt::black);
    if (picture_->Height() < height())
        p.fillRect(0, picture_->Height(), width(), height() - picture_->Height(), Qt::black);
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown) OnMouseDown(event);
    else QWidget::mousePressEvent(event);
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp) OnMouseUp(event);
    else QWidget::mouseReleaseEvent(event);
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove) OnMouseMove(event);
    else QWidget::mouseMoveEvent(event);
}

void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (OnDoubleClick) OnDoubleClick(event);
    else QWidget::mouseDoubleClickEvent(event);
}

void SurfaceWidget::wheelEvent(QWheelEvent* event)
{
    if (OnWheel) OnWheel(event);
    else QWidget::wheelEvent(event);
}

void SurfaceWidget::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyDown) OnKeyDown(event);
    else QWidget::keyPressEvent(event);
}

void SurfaceWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (OnResize) OnResize();
}

void MaskColour(QWidget* widget, const RasterCanvas& picture, Color colour)
{
    if (picture.Width() <= 0 || picture.Height() <= 0) {
        widget->clearMask();
        return;
    }
    const std::uint32_t clear = RasterCanvas::ToPixel(colour);
    QRegion region;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint32_t* row = picture.Scanline(y);
        for (int x = 0; x < picture.Width();) {
            if (row[x] == clear) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < picture.Width() && row[x] != clear) ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    widget->setMask(region);
}

} // namespace platform
