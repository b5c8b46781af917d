#pragma once
// The Canvas on a QPainter: printer pages and PDF files, and any Qt paint
// device. Figures follow the raster's rule closely enough for paper (pixel
// centres for paths, boxes without their right column and bottom row) but
// are drawn as vectors, so a page stays sharp at any resolution.
//
// Pen modes other than copy need a raster device (a QImage); elsewhere they
// draw as copy.
#include "platform/Canvas.h"

#include <QPainter>

namespace platform {

class PainterCanvas final : public Canvas {
public:
    // Draws through `painter` (begun, kept by the caller) on a surface of
    // width × height device pixels.
    PainterCanvas(QPainter& painter, int width, int height);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetSize(int width, int height) { width_ = width, height_ = height; }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(std::span<const Point> points) override;
    void Polygon(std::span<const Point> points) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void FillRect(const Rect& r) override;
    void SetPixel(int x, int y, Color c) override;
    void TextOut(int x, int y, std::string_view text) override;
    TextSize TextExtent(std::string_view text) override;
    void FillMask(const RasterCanvas& mask, int left, int top) override;

private:
    // The painter takes the canvas's pen, brush and mode.
    void Apply(bool withPen, bool withBrush);
    // A closed figure: the brush inside `fill`, the pen along `outline`.
    void Closed(const class QPainterPath& fill, const QPainterPath& outline);
    // An ellipse or a rectangle in a box of pixel corners.
    void Boxed(int left, int top, int right, int bottom, bool ellipse);

    QPainter& p_;
    int width_, height_;
    bool rasterOps_;
};

} // namespace platform
