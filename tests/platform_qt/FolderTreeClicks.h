#pragma once
// Window tests of folder trees whose model reads folders in the background:
// waiting for it, and a click on a row and then on its arrow.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>

namespace guitest {

// Lets events run until `done` or `ms` have passed; then what `done` says.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

inline void Settle(int ms) { WaitFor([] { return false; }, ms); }

inline void Click(QWidget* w, QPoint p)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

// Clicks a row near the bottom of the tree, then at the same height its
// arrow, letting the folders be read after each: the row stays under the
// pointer and opens in place. The row clicked.
inline QPersistentModelIndex ClickRowThenItsArrow(QTreeView* tree)
{
    const QPoint at(tree->visualRect(tree->currentIndex()).left() + 20, tree->viewport()->height() - 40);
    const QPersistentModelIndex row = tree->indexAt(at);
    const QRect rect = tree->visualRect(row);
    for (const QPoint p : {at, QPoint(rect.left() - tree->indentation() / 2, at.y())}) {
        Click(tree->viewport(), p);
        Settle(300);
        EXPECT_EQ(tree->indexAt(at), row);
        EXPECT_EQ(tree->visualRect(row), rect);
    }
    EXPECT_TRUE(row.isValid() && tree->isExpanded(row));
    return row;
}

} // namespace guitest
