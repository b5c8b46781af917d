#pragma once
// What the windows' event handlers share: the pointer's place in whole
// pixels, its button, and no exception leaving a handler (it is shown
// instead).
#include "platform/qt/MessageBoxes.h"

#include <QMouseEvent>

#include <exception>

namespace platform {

inline int EventX(const QMouseEvent* e) { return static_cast<int>(e->position().x()); }
inline int EventY(const QMouseEvent* e) { return static_cast<int>(e->position().y()); }

// The button of a press or release as a window's own enum of Left, Right
// and Middle (any other button counts as the middle one).
template <class Button>
Button ButtonOf(const QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) return Button::Left;
    if (e->button() == Qt::RightButton) return Button::Right;
    return Button::Middle;
}

template <class F>
void Guarded(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

} // namespace platform
