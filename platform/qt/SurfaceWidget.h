#pragma once
// An owner-drawn surface: shows a RasterCanvas picture and hands the mouse,
// wheel and keys to whoever owns the picture. With a transparent black,
// black pixels let what lies below show through (highlight layers).
#include "platform/RasterCanvas.h"

#include <QWidget>

#include <functional>

namespace platform {

class SurfaceWidget : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceWidget(QWidget* parent = nullptr);

    // The picture shown (not owned; nullptr: nothing). Repaints.
    void SetPicture(const RasterCanvas* picture);
    const RasterCanvas* Picture() const { return picture_; }
    void SetTransparentBlack(bool on);

    std::function<void(QMouseEvent*)> OnMouseDown, OnMouseUp, OnMouseMove;
    // A double click (else it counts as a press).
    std::function<void(QMouseEvent*)> OnDoubleClick;
    std::function<void(QWheelEvent*)> OnWheel;
    std::function<void(QKeyEvent*)> OnKeyDown;
    std::function<void()> OnResize;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const RasterCanvas* picture_ = nullptr;
    bool transparentBlack_ = false;
};

// Pixels of `colour` in the picture let what lies below show through the
// widget and take no clicks: a balloon is seen only within its outline. An
// empty picture masks nothing.
void MaskColour(QWidget* widget, const RasterCanvas& picture, Color colour);

} // namespace platform
