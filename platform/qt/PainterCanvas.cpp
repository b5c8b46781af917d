#include "platform/qt/PainterCanvas.h"

#include "platform/RasterCanvas.h"
#include "platform/qt/Fonts.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>

namespace platform {

namespace {

// Paths run through pixel centres, as on the raster.
QPointF Centre(int x, int y) { return {x + 0.5, y + 0.5}; }

QPolygonF Centres(std::span<const Point> points)
{
    QPolygonF out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& pt : points) out << Centre(pt.x, pt.y);
    return out;
}

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The box [left, right) × [top, bottom) of pixel corners, normalised.
QRectF CornerBox(int left, int top, int right, int bottom)
{
    return QRectF(QPointF(std::min(left, right), std::min(top, bottom)), QPointF(std::max(left, right), std::max(top, bottom)));
}

} // namespace

PainterCanvas::PainterCanvas(QPainter& painter, int width, int height)
    : p_(painter), width_(width), height_(height),
      rasterOps_(painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
{
}

void PainterCanvas::Apply(bool withPen, bool withBrush)
{
    if (withPen) {
        QPen pen(ToQColor(penColor_), penWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        if (penStyle_ == PenStyle::Dot && penWidth_ == 1) {
            pen.setDashPattern({3, 3});
            pen.setCapStyle(Qt::FlatCap);
        }
        p_.setPen(pen);
    } else {
        p_.setPen(Qt::NoPen);
    }
    if (withBrush && brushStyle_ != BrushStyle::Clear)
        p_.setBrush(QBrush(ToQColor(brushColor_), brushStyle_ == BrushStyle::BDiagonal ? Qt::BDiagPattern : Qt::SolidPattern));
    else
        p_.setBrush(Qt::NoBrush);
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (rasterOps_) {
        switch (penMode_) {
        case PenMode::Copy: break;
        case PenMode::Merge: mode = QPainter::RasterOp_SourceOrDestination; break;
        case PenMode::Xor: mode = QPainter::RasterOp_SourceXorDestination; break;
        case PenMode::NotXor: mode = QPainter::RasterOp_NotSourceXorDestination; break;
        }
    }
    p_.setCompositionMode(mode);
}

void PainterCanvas::MoveTo(int x, int y) { penPos_ = {x, y}; }

void PainterCanvas::LineTo(int x, int y)
{
    const Point pts[2] = {penPos_, {x, y}};
    Polyline(pts);
    penPos_ = {x, y};
}

void PainterCanvas::Polyline(std::span<const Point> points)
{
    if (points.empty()) return;
    Apply(true, false);
    if (points.size() == 1 || std::all_of(points.begin(), points.end(), [&](const Point& q) { return q == points.front(); })) {
        // A dot: the pen's round end alone.
        const QPointF c = Centre(points.front().x, points.front().y);
        p_.drawPoint(c);
    } else {
        p_.drawPolyline(Centres(points));
    }
    // As on the raster: a polyline leaves the pen where it was.
}

void PainterCanvas::Closed(const QPainterPath& fill, const QPainterPath& outline)
{
    if (brushStyle_ != BrushStyle::Clear) {
        Apply(false, true);
        p_.drawPath(fill);
    }
    Apply(true, false);
    p_.drawPath(outline);
}

void PainterCanvas::Polygon(std::span<const Point> points)
{
    if (points.empty()) return;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(Centres(points));
    path.closeSubpath();
    Closed(path, path);
}

void PainterCanvas::Ellipse(int left, int top, int right, int bottom) { Boxed(left, top, right, bottom, true); }

void PainterCanvas::Rectangle(int left, int top, int right, int bottom) { Boxed(left, top, right, bottom, false); }

void PainterCanvas::Boxed(int left, int top, int right, int bottom, bool ellipse)
{
    const QRectF box = CornerBox(left, top, right, bottom);
    if (box.isEmpty()) return;
    // The pen's outline stays inside the box, as on the raster.
    const double h = std::min({penWidth_ / 2.0, box.width() / 2, box.height() / 2});
    const QRectF inner = box.adjusted(h, h, -h, -h);
    QPainterPath fill, outline;
    if (ellipse) {
        fill.addEllipse(box);
        outline.addEllipse(inner);
    } else {
        fill.addRect(box);
        outline.addRect(inner);
    }
    Closed(fill, outline);
}

void PainterCanvas::FillRect(const Rect& r)
{
    const QRectF box = CornerBox(r.left, r.top, r.right, r.bottom);
    if (box.isEmpty()) return;
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p_.fillRect(box, ToQColor(brushColor_));
}

void PainterCanvas::SetPixel(int x, int y, Color c)
{
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p_.fillRect(QRectF(x, y, 1, 1), ToQColor(c));
}

void PainterCanvas::TextOut(int x, int y, std::string_view text)
{
    if (text.empty()) return;
    const QFont font = ToQFont(font_);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p_.setFont(font);
    p_.setPen(ToQColor(font_.FontColor));
    p_.drawText(QPointF(x, y + QFontMetrics(font, p_.device()).ascent()), Text(text));
}

TextSize PainterCanvas::TextExtent(std::string_view text)
{
    const QFontMetrics m(ToQFont(font_), p_.device());
    return {m.horizontalAdvance(Text(text)), m.height()};
}

void PainterCanvas::FillMask(const RasterCanvas& mask, int left, int top)
{
    if (mask.Width() <= 0 || mask.WindowRows() <= 0) return;
    const std::uint32_t penKey = RasterCanvas::ToPixel(MaskPen), brushKey = RasterCanvas::ToPixel(MaskBrush);
    const QRgb pen = 0xFF000000u | (RasterCanvas::ToPixel(penColor_) & 0xFFFFFFu);
    const QRgb brush = brushStyle_ == BrushStyle::Clear ? 0u : 0xFF000000u | (RasterCanvas::ToPixel(brushColor_) & 0xFFFFFFu);
    QImage image(mask.Width(), mask.WindowRows(), QImage::Format_ARGB32);
    for (int r = 0; r < mask.WindowRows(); ++r) {
        const std::uint32_t* m = mask.Scanline(mask.WindowTop() + r);
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int x = 0; x < mask.Width(); ++x) {
            const std::uint32_t v = m[x] | 0xFF000000u;
            out[x] = v == penKey ? pen : (v == brushKey ? brush : 0u);
        }
    }
    Apply(false, false);
    p_.drawImage(QPointF(left, top + mask.WindowTop()), image);
}

} // namespace platform
