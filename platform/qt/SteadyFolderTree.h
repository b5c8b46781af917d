#pragma once
// A folder tree on a file-system model that reads folders in the background
// and rereads them whenever they change: rows come, go and are sorted at
// any time, never at the user's doing. Kept steady under the user's hand:
// the chosen row, while in view, stays where it is whatever folders come and
// go around it (else the first row in view that is still there); a press
// never scrolls the tree, whatever part of its row shows, while a key
// brings the row it moves to into view; and a tree the program set to a
// folder shows that folder centred as the folders above it are read, until
// the user takes the tree over (a press, a key, the wheel or the bar).
#include <QObject>
#include <QPersistentModelIndex>

#include <utility>
#include <vector>

class QAbstractItemModel;
class QTreeView;

namespace platform {

class SteadyFolderTree final : public QObject {
public:
    // Sets `model` on `tree` (after its own watch on the model, which thus
    // comes before the tree's); the helper lives as long as the tree.
    SteadyFolderTree(QTreeView* tree, QAbstractItemModel* model);

    // The program made the tree's current row its folder: keep it centred.
    void Place();
    // True while rows are taken out of the model: a current row moving to a
    // neighbour then is no choice of the user's.
    bool RemovingRows() const { return removing_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Hold();
    void Restore();
    void Centre();

    QTreeView* tree_;
    bool placing_ = false, removing_ = false;
    // While the model changes: the chosen row when in view, then the rows in
    // view from the top, each with its top; the first still there is kept in
    // its place.
    std::vector<std::pair<QPersistentModelIndex, int>> held_;
};

} // namespace platform
