#pragma once
// The folder dialog's window: it shows the pictures, lists, edit boxes and
// buttons of the dialog's state (dialogs/FolderForm.h) and hands every
// pointer, key and text event to its handlers. The folder list is a tree of
// the file system below a place picked in the drive box.
#include "dialogs/FolderForm.h"
#include "dialogs/FolderOps.h"
#include "dialogs/qt/Components.h"
#include "platform/qt/FolderIcons.h"
#include "platform/qt/SteadyFolderTree.h"
#include "platform/qt/SurfaceWidget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>
#include <QTreeView>

#include <array>
#include <vector>

class QFileSystemModel;

namespace dialogs {

class TFolderDialog final : public OwnerDrawnDialog {
    Q_OBJECT
public:
    explicit TFolderDialog(QWidget* parent = nullptr);
    ~TFolderDialog() override;

    platform::SurfaceWidget* Image1 = nullptr;   // pick list or export list
    platform::SurfaceWidget* Image2 = nullptr;   // the panel
    platform::SurfaceWidget* Image3 = nullptr;   // a folder's contents
    platform::SurfaceWidget* Image5 = nullptr;   // the design rules per layer
    QLabel* Image4 = nullptr;                    // the program's picture (project-layer page)
    QScrollArea* ScrollBox1 = nullptr;
    QScrollArea* ScrollBox2 = nullptr;
    QScrollArea* ScrollBox3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* DriveBox1 = nullptr;
    QTreeView* DirBox1 = nullptr;
    // swOK "実行", swSwap "置換え", swOpen "追加" (or "開く"), swCancel
    // "キャンセル", swNewDir a new folder.
    std::array<QToolButton*, folder::FolderButtonCount> Buttons{};
    QToolButton* ButtonOf(folder::FolderButton b) const { return Buttons[static_cast<std::size_t>(b)]; }

    // Shows the window modally for folder::FolderMode; folder::FolderResult
    // then holds the answer.
    void ShowModal();
    // Shows the dialog's state; closes the window when it asks to.
    void Sync();
    // The folder DirBox1 shows.
    QString DirBoxFolder() const;

protected:
    void EscapePressed() override;
    void EnterPressed(QLineEdit* edit) override;
    void WheelTurned(int notches) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillDriveBox();
    void SetDirRoot(const std::string& path);
    void SyncScrollBox(QScrollArea* area, platform::SurfaceWidget* image, folder::ScrollBoxState& state);
    void SyncLabel(QLabel* label, const folder::LabelState& state);
    platform::FolderIcons folderIcons_;   // read by the model's reader thread
    QFileSystemModel* dirModel_ = nullptr;
    platform::SteadyFolderTree* steadyDir_ = nullptr;
    std::vector<DrivePlace> places_;
    std::string dirRoot_;
    bool placingDir_ = false;      // DirBox1 is being set to the dialog's folder
    bool placingScroll_ = false;   // a box's bar is being set to the dialog's position
};

// The folder dialog of the program (nullptr before it is made).
TFolderDialog* FolderDialog();

} // namespace dialogs
