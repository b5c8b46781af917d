#pragma once
// What the parts of the main window share: the pointer's pixel and button,
// the scroll boxes of the lists, and the rule that no exception leaves an
// event handler.
#include "view/LayerList.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/EventGuard.h"

#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace mainwin {

using platform::EventX;
using platform::EventY;
using platform::Guarded;

inline MouseButton ButtonOf(const QMouseEvent* e) { return platform::ButtonOf<MouseButton>(e); }

// A scroll box of the lists: no frame, the lists' face colour, no
// sideways scrolling.
inline QScrollArea* MakeScrollBox(QWidget* parent, const char* name)
{
    auto* box = new QScrollArea(parent);
    box->setObjectName(name);
    box->setFrameShape(QFrame::NoFrame);
    box->setWidgetResizable(false);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, platform::ToQColor(ListFaceColor));
    box->setPalette(pal);
    box->viewport()->setPalette(pal);
    box->viewport()->setAutoFillBackground(true);
    return box;
}

// Scrolls a box by whole notches of `step` pixels.
inline void ScrollBy(QScrollArea* box, const QWheelEvent* e, int step)
{
    const int notches = e->angleDelta().y() / 120;
    QScrollBar* bar = box->verticalScrollBar();
    bar->setValue(bar->value() - notches * step);
}

} // namespace mainwin
