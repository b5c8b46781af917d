#include "platform/qt/SteadyFolderTree.h"

#include <QEvent>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTreeView>

namespace platform {

SteadyFolderTree::SteadyFolderTree(QTreeView* tree, QAbstractItemModel* model) : QObject(tree), tree_(tree)
{
    // Before the tree's selection hears of rows going, which moves its
    // current row.
    auto before = [this] {
        if (!placing_) Hold();
    };
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, before);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, before);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this, before] {
        removing_ = true;
        before();
    });
    tree->setModel(model);
    // After the tree has taken the change in.
    auto after = [this] {
        if (placing_) Centre();
        else Restore();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, after);
    connect(model, &QAbstractItemModel::layoutChanged, this, after);
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this, after] {
        removing_ = false;
        after();
    });
    if (auto* files = qobject_cast<QFileSystemModel*>(model))
        connect(files, &QFileSystemModel::directoryLoaded, this, [this] {
            if (placing_) Centre();
        });
    // A row cut by the view's edge is clicked where it shows: no scrolling
    // by whole rows, and none after a press (the tree's own scrolls the
    // current row into view a moment after).
    tree->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    tree->setAutoScroll(false);
    // After the tree's own scroll on a key, which leaves a row brought up
    // from below a pixel short of whole.
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!tree_->hasAutoScroll()) return;
        const int below = tree_->visualRect(current).bottom() - tree_->viewport()->rect().bottom();
        if (below > 0) tree_->verticalScrollBar()->setValue(tree_->verticalScrollBar()->value() + below);
    });
    tree->installEventFilter(this);
    tree->viewport()->installEventFilter(this);
    for (QScrollBar* bar : {tree->verticalScrollBar(), tree->horizontalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { placing_ = false; });
}

void SteadyFolderTree::Place()
{
    placing_ = true;
    Centre();
}

void SteadyFolderTree::Centre()
{
    const QModelIndex current = tree_->currentIndex();
    if (!current.isValid()) return;
    tree_->scrollTo(current, QAbstractItemView::PositionAtCenter);
    // Names are read from their start: the tree does not stay scrolled sideways.
    tree_->horizontalScrollBar()->setValue(0);
}

void SteadyFolderTree::Hold()
{
    held_.clear();
    const int height = tree_->viewport()->height();
    auto inView = [height](const QRect& r) { return r.isValid() && r.bottom() >= 0 && r.top() < height; };
    // Rows the machine adds or takes away between the top and the chosen
    // row would push it out of view, and the top row itself may go.
    const QModelIndex current = tree_->currentIndex();
    if (const QRect r = tree_->visualRect(current); current.isValid() && inView(r)) held_.emplace_back(current, r.top());
    for (QModelIndex row = tree_->indexAt(QPoint(0, 0)); row.isValid(); row = tree_->indexBelow(row)) {
        const QRect r = tree_->visualRect(row);
        if (!inView(r)) break;
        held_.emplace_back(row, r.top());
    }
}

void SteadyFolderTree::Restore()
{
    for (const auto& [row, top] : held_) {
        if (!row.isValid()) continue;
        const QRect r = tree_->visualRect(row);
        // Folded away with a folder above it: look for another.
        if (!r.isValid()) continue;
        const int moved = r.top() - top;
        if (moved == 0) return;
        QScrollBar* bar = tree_->verticalScrollBar();
        if (tree_->verticalScrollMode() == QAbstractItemView::ScrollPerPixel) {
            bar->setValue(bar->value() + moved);
        } else if (r.height() > 0) {
            bar->setValue(bar->value() + moved / r.height());
        }
        return;
    }
}

bool SteadyFolderTree::eventFilter(QObject* watched, QEvent* event)
{
    // The user's hand on the tree: it is no longer placed on its folder.
    if (watched == tree_ || watched == tree_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            placing_ = false;
            tree_->setAutoScroll(false);
            break;
        case QEvent::KeyPress:
            // A key moves the current row: it is brought into view.
            placing_ = false;
            tree_->setAutoScroll(true);
            break;
        case QEvent::Wheel: placing_ = false; break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform
