#pragma once
// Window tests of folder trees whose model reads folders in the background:
// a tree of the test's own, waiting for it, a click on a row and then on its
// arrow, and a key.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
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

// The tree shows only the folders below `top`, the test's own: rows that no
// other program adds or takes away above the ones the test looks at.
inline void ShowOnlyBelow(QTreeView* tree, const std::string& top)
{
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    tree->setRootIndex(model->index(QString::fromStdString(top)));
}

inline std::string PathOf(const QTreeView* tree, const QModelIndex& row)
{
    return static_cast<const QFileSystemModel*>(tree->model())->filePath(row).toStdString();
}

inline void Click(QWidget* w, QPoint p)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

// Where the row clicked is: whole, or half cut off by the view's top or
// bottom edge.
enum class RowCut { None, ByTop, ByBottom };

// Clicks a row near the bottom of the tree (or the row at an edge, scrolled
// half out of view), then at the same height its arrow, letting the folders
// be read after each, and the tree's own delayed scroll after a click come
// if it would: the row stays under the pointer and opens in place. The row
// clicked.
inline QPersistentModelIndex ClickRowThenItsArrow(QTreeView* tree, RowCut cut = RowCut::None)
{
    const int height = tree->viewport()->height();
    QPoint at(tree->visualRect(tree->currentIndex()).left() + 20, height - 40);
    if (cut != RowCut::None) {
        const QModelIndex edge = tree->indexAt(QPoint(at.x(), cut == RowCut::ByTop ? 0 : height - 1));
        const QRect r = tree->visualRect(edge);
        const int half = r.height() / 2;
        QScrollBar* bar = tree->verticalScrollBar();
        bar->setValue(bar->value() + r.top() + half - (cut == RowCut::ByTop ? 0 : height));
        at.setY(cut == RowCut::ByTop ? half / 2 : height - half / 2);
        EXPECT_EQ(PathOf(tree, tree->indexAt(at)), PathOf(tree, edge));
        EXPECT_EQ(tree->visualRect(edge).top(), cut == RowCut::ByTop ? -half : height - half);
    }
    const QPersistentModelIndex row = tree->indexAt(at);
    const QRect rect = tree->visualRect(row);
    // Rows are told by their folder: one of the test's own.
    const std::string path = PathOf(tree, row), top = PathOf(tree, tree->rootIndex());
    EXPECT_TRUE(!top.empty() && top != "/") << "the tree shows the machine's folders";
    EXPECT_EQ(path.rfind(top + "/", 0), 0u) << path;
    for (const QPoint p : {at, QPoint(rect.left() - tree->indentation() / 2, at.y())}) {
        Click(tree->viewport(), p);
        Settle(std::max(300, QApplication::doubleClickInterval() + 200));
        EXPECT_EQ(PathOf(tree, tree->indexAt(at)), path);
        // Place only: the column may widen while the model fetches names.
        EXPECT_EQ(tree->visualRect(row).topLeft(), rect.topLeft());
        EXPECT_EQ(tree->visualRect(row).height(), rect.height());
    }
    EXPECT_TRUE(row.isValid() && tree->isExpanded(row));
    return row;
}

// A key that moves the tree's current row down shows the new row whole.
inline void KeyDownShowsTheRow(QTreeView* tree)
{
    const QModelIndex before = tree->currentIndex();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(tree, &press);
    EXPECT_NE(tree->currentIndex(), before);
    const QRect rect = tree->visualRect(tree->currentIndex());
    EXPECT_TRUE(rect.top() >= 0 && rect.bottom() < tree->viewport()->height()) << rect.top();
}

} // namespace guitest
