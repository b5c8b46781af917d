#pragma once
// The copy dialog's window: a source folder tree with its file list above, a
// destination tree with its list below, the owner-drawn options (output/
// CopyForm.h) on the left with "実行" and "閉じる".
#include "output/CopyForm.h"
#include "platform/qt/FolderIcons.h"
#include "platform/qt/SteadyFolderTree.h"
#include "platform/qt/SurfaceWidget.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QTreeView>

#include <array>

class QFileSystemModel;

namespace output {

class TFormCopy final : public QDialog {
    Q_OBJECT
public:
    explicit TFormCopy(QWidget* parent = nullptr);
    ~TFormCopy() override;

    // Shows the window modally on the job titled `title`, the source tree on
    // `source` and the destination tree on `destination`.
    void ShowModal(const std::string& title, const std::string& source, const std::string& destination);

    // The folder each tree shows.
    std::string SourcePath() const { return path1_; }
    std::string DestinationPath() const { return path2_; }
    // The folder of a tree set (as the up buttons and a click in a tree do).
    void SetSourcePath(const std::string& path);
    void SetDestinationPath(const std::string& path);

    QLabel* LabelFrom = nullptr;
    QLabel* LabelTo = nullptr;
    QToolButton* swUpDir1 = nullptr;
    QToolButton* swUpDir2 = nullptr;
    QToolButton* swDir1 = nullptr;
    QToolButton* swDir2 = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QTreeView* ShellTreeView2 = nullptr;
    QListWidget* FileListBox1 = nullptr;
    QListWidget* FileListBox2 = nullptr;
    platform::SurfaceWidget* Image3 = nullptr;   // the options
    QToolButton* swEnter = nullptr;
    QToolButton* swCancel = nullptr;

    // "実行": the chosen files of the source list copied or moved.
    void swEnterClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TreeChanged(int side, const std::string& path);
    // After folders were taken out of the trees: a tree whose folder has gone
    // shows the one above it, and the user is told; one whose folder is still
    // there has its row marked again.
    void FoldersGone();
    void FillList(QListWidget* list, const std::string& folder);
    void SetTreePath(QTreeView* tree, const std::string& path);
    void LayOut();
    void DrawOptions();

    // Read by the model's reader thread until the model is gone.
    platform::FolderIcons folderIcons_;
    QFileSystemModel* folders_ = nullptr;
    std::string path1_, path2_;
    std::array<platform::SteadyFolderTree*, 2> steady_{};
    platform::RasterCanvas options_;
    CopyOptionsLayout layout_;
};

// The copy dialog of the program (nullptr before it is made).
TFormCopy* FormCopy();

} // namespace output
