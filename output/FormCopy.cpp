#include "output/FormCopy.h"

#include "dialogs/FolderOps.h"
#include "dialogs/PagePainters.h"
#include "dialogs/ParaForm.h"
#include "output/CopyFiles.h"
#include "output/CopyReports.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"

#include <QEvent>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>
#include <filesystem>
#include <set>

namespace output {

namespace fs = std::filesystem;

namespace {

TFormCopy* copyForm = nullptr;

// The window's layout: the options on the left, the source folder in the
// upper and the destination in the lower half on the right.
constexpr int HalfHeight = 305, ClientHeight = 2 * HalfHeight, FolderWidth = 660, TreeWidth = 260, HeaderHeight = 30;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The names a file list shows, or only those chosen.
std::vector<std::string> Names(const QListWidget* list, bool chosenOnly)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        if (!chosenOnly || list->item(i)->isSelected()) names.push_back(list->item(i)->text().toStdString());
    return names;
}

int X(QMouseEvent* e) { return static_cast<int>(e->position().x()); }
int Y(QMouseEvent* e) { return static_cast<int>(e->position().y()); }

} // namespace

TFormCopy* FormCopy() { return copyForm; }

TFormCopy::TFormCopy(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    copyForm = this;
    setObjectName("FormCopy");
    setWindowTitle(CopyFormCaption);
    setModal(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(dialogs::PageFaceColor));
    setPalette(palette);
    setAutoFillBackground(true);
    OverwriteAll = false;
    CopyMode = 0;

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders_->setReadOnly(true);
    folderIcons_.SetFolderIcon(style()->standardIcon(QStyle::SP_DirIcon));
    folders_->setIconProvider(&folderIcons_);
    folders_->setRootPath("/");
    // A folder removed outside: a tree whose folder has gone is told so once
    // the model has let go of it.
    connect(folders_, &QAbstractItemModel::rowsRemoved, this,
            [this] { QMetaObject::invokeMethod(this, &TFormCopy::FoldersGone, Qt::QueuedConnection); });

    QFont bold = font();
    bold.setBold(true);
    auto makeHalf = [&](int side, const char* caption, QLabel*& label, QToolButton*& up, QToolButton*& set, QTreeView*& tree,
                        QListWidget*& list) {
        auto* title = new QLabel(QString::fromUtf8(caption), this);
        title->setObjectName(side == 1 ? "Label1" : "Label2");
        title->setProperty("half", side);
        label = new QLabel(this);
        label->setObjectName(side == 1 ? "LabelFrom" : "LabelTo");
        label->setFont(bold);
        up = new QToolButton(this);
        up->setObjectName(side == 1 ? "swUpDir1" : "swUpDir2");
        up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
        up->setToolTip(UpFolderHint);
        set = new QToolButton(this);
        set->setObjectName(side == 1 ? "swDir1" : "swDir2");
        set->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
        set->setToolTip(side == 1 ? "「最初に開くフォルダ」に設定" : "「デフォルトのコピー先フォルダ」に設定");
        tree = new QTreeView(this);
        tree->setObjectName(side == 1 ? "ShellTreeView1" : "ShellTreeView2");
        // Folders are read in the background: the rows stay under the user's
        // hand, and the tree shows its folder again once the folders above
        // it have been read.
        steady_[side - 1] = new platform::SteadyFolderTree(tree, folders_);
        for (int c = 1; c < folders_->columnCount(); ++c) tree->hideColumn(c);
        tree->header()->hide();
        list = new QListWidget(this);
        list->setObjectName(side == 1 ? "FileListBox1" : "FileListBox2");
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        if (side == 1) list->viewport()->installEventFilter(this);
        connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, side](const QModelIndex& index) {
            // A folder removed outside moves the row to a neighbour: not the user's choice.
            if (steady_[side - 1]->RemovingRows()) return;
            TreeChanged(side, folders_->filePath(index).toStdString());
        });
        connect(up, &QToolButton::clicked, this, [this, side] {
            const std::string parent = UpFolder(side == 1 ? path1_ : path2_);
            if (parent.empty()) return;
            side == 1 ? SetSourcePath(parent) : SetDestinationPath(parent);
        });
        connect(set, &QToolButton::clicked, this, [this, side] {
            if (!platform::AskOkCancel(side == 1 ? SetPath1Question : SetPath2Question, platform::MsgIcon::Information)) return;
            (side == 1 ? FolderSet.PATH1 : FolderSet.PATH2) = side == 1 ? path1_ : path2_;
        });
    };
    makeHalf(1, "保存元：", LabelFrom, swUpDir1, swDir1, ShellTreeView1, FileListBox1);
    makeHalf(2, "保存先：", LabelTo, swUpDir2, swDir2, ShellTreeView2, FileListBox2);

    Image3 = new platform::SurfaceWidget(this);
    Image3->setObjectName("Image3");
    Image3->setMouseTracking(true);
    Image3->installEventFilter(this);
    Image3->OnMouseMove = [this](QMouseEvent* e) {
        if (CopyOptionsMouseMove(X(e), Y(e))) DrawOptions();
    };
    Image3->OnMouseUp = [this](QMouseEvent* e) {
        if (e->button() != Qt::LeftButton) return;
        CopyOptionsClick(X(e), Y(e));
        DrawOptions();
    };
    swEnter = new QToolButton(this);
    swEnter->setObjectName("swEnter");
    swEnter->setText("実行");
    connect(swEnter, &QToolButton::clicked, this, &TFormCopy::swEnterClick);
    swCancel = new QToolButton(this);
    swCancel->setObjectName("swCancel");
    swCancel->setText("閉じる");
    connect(swCancel, &QToolButton::clicked, this, &QDialog::reject);

    ShowBusy = [](bool on) {
        if (on) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else QGuiApplication::restoreOverrideCursor();
    };
    InitOptionItems();
    LayOut();
}

TFormCopy::~TFormCopy()
{
    // The model's reader thread asks the icons until the model is gone; the
    // trees' rows are no choice of the user's on the way.
    for (QTreeView* tree : {ShellTreeView1, ShellTreeView2}) disconnect(tree->selectionModel(), nullptr, this, nullptr);
    delete folders_;
    if (copyForm == this) {
        copyForm = nullptr;
        ShowBusy = [](bool) {};
    }
}

void TFormCopy::LayOut()
{
    const QFont optionFont = platform::ToQFont(platform::FontInfo{});
    // Never narrower than the layout's buttons; wider where our font needs it.
    int bw = 75, bh = 25;
    for (QToolButton* b : {swEnter, swCancel}) {
        b->setFont(optionFont);
        bw = std::max(bw, b->sizeHint().width() + 12);
        bh = std::max(bh, b->sizeHint().height());
    }
    const int optionsWidth = std::max({270, CopyOptionsWidth(dialogs::PageTextWidth) + 4, 2 * bw + 24});
    setFixedSize(optionsWidth + FolderWidth, ClientHeight);

    // The options fill their panel less 2 pixels a side; the file section
    // starts level with the destination half.
    Image3->setGeometry(2, 2, optionsWidth - 4, ClientHeight - 4);
    options_.Resize(optionsWidth - 4, ClientHeight - 4);
    layout_ = BuildCopyOptions(optionsWidth - 4, ClientHeight - 4, HalfHeight - 2, platform::Rect{0, 0, bw, bh},
                               dialogs::PageTextWidth);
    for (auto [button, r] : {std::pair{swEnter, layout_.enter}, std::pair{swCancel, layout_.cancel}})
        button->setGeometry(r.left + 2, r.top + 2, r.right - r.left, r.bottom - r.top);

    for (int side = 1; side <= 2; ++side) {
        const int top = side == 1 ? 0 : HalfHeight, left = optionsWidth;
        QLabel* title = findChild<QLabel*>(side == 1 ? "Label1" : "Label2");
        QLabel* label = side == 1 ? LabelFrom : LabelTo;
        QToolButton* up = side == 1 ? swUpDir1 : swUpDir2;
        QToolButton* set = side == 1 ? swDir1 : swDir2;
        title->adjustSize();
        title->move(left + 8, top + (HeaderHeight - title->height()) / 2);
        set->setGeometry(left + FolderWidth - 32, top + 3, 26, 24);
        up->setGeometry(left + FolderWidth - 60, top + 3, 26, 24);
        const int labelLeft = title->x() + title->width() + 4;
        label->setGeometry(labelLeft, top + 3, up->x() - 6 - labelLeft, 24);
        const int bodyTop = top + HeaderHeight, bodyHeight = HalfHeight - HeaderHeight - 6;
        (side == 1 ? ShellTreeView1 : ShellTreeView2)->setGeometry(left + 4, bodyTop, TreeWidth, bodyHeight);
        (side == 1 ? FileListBox1 : FileListBox2)->setGeometry(left + 8 + TreeWidth, bodyTop, FolderWidth - TreeWidth - 14, bodyHeight);
    }
}

void TFormCopy::DrawOptions()
{
    DrawCopyOptions(options_, layout_);
    Image3->SetPicture(&options_);
}

void TFormCopy::ShowModal(const std::string& title, const std::string& source, const std::string& destination)
{
    ProjectTitleForReports = title;
    setWindowTitle(CopyShownCaption);
    SetSourcePath(source);
    SetDestinationPath(destination);
    // The files of the loaded layers are chosen to begin with.
    const std::vector<bool> chosen = LoadedLayerFiles(path1_, Names(FileListBox1, false));
    FileListBox1->clearSelection();
    for (int i = 0; i < FileListBox1->count(); ++i)
        if (chosen[static_cast<std::size_t>(i)]) FileListBox1->item(i)->setSelected(true);

    InitOptionItems();
    LayOut();
    DrawOptions();
    if (const QWidget* owner = parentWidget()) move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    exec();
}

void TFormCopy::SetSourcePath(const std::string& path) { SetTreePath(ShellTreeView1, path); }
void TFormCopy::SetDestinationPath(const std::string& path) { SetTreePath(ShellTreeView2, path); }

void TFormCopy::SetTreePath(QTreeView* tree, const std::string& path)
{
    const QModelIndex index = folders_->index(Q(path));
    if (index.isValid()) {
        const QSignalBlocker blocker(tree->selectionModel());
        tree->setCurrentIndex(index);
        steady_[tree == ShellTreeView1 ? 0 : 1]->Place();
    }
    TreeChanged(tree == ShellTreeView1 ? 1 : 2, path);
}

void TFormCopy::FoldersGone()
{
    std::vector<std::string> told;
    for (int side = 1; side <= 2; ++side) {
        const std::string gone = side == 1 ? path1_ : path2_;
        QTreeView* tree = side == 1 ? ShellTreeView1 : ShellTreeView2;
        std::error_code ec;
        if (gone.empty()) continue;
        if (fs::is_directory(gone, ec)) {
            // Still there (the model behind the disk): its row marked again.
            const QModelIndex index = folders_->index(Q(gone));
            if (index.isValid() && tree->currentIndex() != index) {
                const QSignalBlocker blocker(tree->selectionModel());
                tree->setCurrentIndex(index);
                tree->viewport()->update();
            }
            continue;
        }
        const std::string above = dialogs::ExistingFolderAbove(gone);
        if (above.empty()) continue;
        SetTreePath(tree, above);
        const std::string text = dialogs::FolderGoneText(gone, above);
        if (std::find(told.begin(), told.end(), text) == told.end()) told.push_back(text);
    }
    for (const std::string& text : told) platform::ShowWarning(text);
}

void TFormCopy::TreeChanged(int side, const std::string& path)
{
    (side == 1 ? path1_ : path2_) = path;
    QLabel* label = side == 1 ? LabelFrom : LabelTo;
    // A long path is shortened in its middle; the whole of it is the hint.
    label->setText(label->fontMetrics().elidedText(Q(path), Qt::ElideMiddle, label->width()));
    label->setToolTip(Q(path));
    QListWidget* list = side == 1 ? FileListBox1 : FileListBox2;
    std::error_code ec;
    list->clear();
    if (fs::is_directory(path, ec)) FillList(list, path);
}

void TFormCopy::FillList(QListWidget* list, const std::string& folder)
{
    std::set<QString> chosen;
    for (const QListWidgetItem* item : list->selectedItems()) chosen.insert(item->text());
    list->clear();
    QFileIconProvider icons;
    for (const std::string& name : FolderFileNames(folder)) {
        auto* item = new QListWidgetItem(icons.icon(QFileInfo(Q((fs::path(folder) / name).string()))), Q(name), list);
        item->setSelected(chosen.count(item->text()) > 0);
    }
}

void TFormCopy::swEnterClick()
{
    // What was moved away, and what was written where it came from, shown
    // before the message that tells of it.
    RunCopy(path1_, path2_, Names(FileListBox1, true), [this] {
        FillList(FileListBox1, path1_);
        FillList(FileListBox2, path2_);
    });
}

bool TFormCopy::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image3 && event->type() == QEvent::Leave && CopyOptions.Hot >= 0) {
        CopyOptions.Hot = -1;
        DrawOptions();
    } else if (watched == FileListBox1->viewport() && event->type() == QEvent::MouseButtonPress &&
               static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        FileListBox1->clearSelection();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace output
