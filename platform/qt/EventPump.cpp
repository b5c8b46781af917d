#include "platform/qt/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {

int busyDepth = 0;
std::chrono::steady_clock::time_point lastPump{};

} // namespace

void PumpEvents(bool force)
{
    if (!QCoreApplication::instance()) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastPump < PumpInterval) return;
    lastPump = now;
    // Posted work (a deferred start, a queued redraw) may run; clicks and
    // keys wait until the long work is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

BusyGuard::BusyGuard()
{
    if (busyDepth++ == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyGuard::~BusyGuard()
{
    if (--busyDepth == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

bool BusyGuard::Active() { return busyDepth > 0; }

} // namespace platform
