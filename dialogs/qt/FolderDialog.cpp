#include "dialogs/qt/FolderDialog.h"

#include "dialogs/PagePainters.h"
#include "dialogs/qt/Components.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/RasterText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QStylePainter>
#include <QWheelEvent>

#include <algorithm>

namespace dialogs {

using namespace folder;

namespace {

TFolderDialog* folderDialog = nullptr;

int X(QMouseEvent* e) { return static_cast<int>(e->position().x()); }
int Y(QMouseEvent* e) { return static_cast<int>(e->position().y()); }

MouseButton ButtonOfEvent(QMouseEvent* e)
{
    switch (e->button()) {
    case Qt::RightButton: return MouseButton::Right;
    case Qt::MiddleButton: return MouseButton::Middle;
    default: return MouseButton::Left;
    }
}

// The drive box: a caption longer than the box (a place and its path) is
// shortened in its middle, so the end of the path stays in view.
class DriveBox final : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        // The style draws the caption a pixel in from either side of the field.
        const int room = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width() - 2;
        option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, room);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

// The new-folder button's picture: a folder with a plus.
QIcon NewFolderIcon()
{
    platform::RasterCanvas c;
    BeginPicture(c, 16, 16);
    DrawFolderIcon(c, fiFolder, 0, 0);
    c.SetPenWidth(2);
    c.SetPenColor(platform::RGB(0, 140, 0));
    c.MoveTo(12, 0);
    c.LineTo(12, 7);
    c.MoveTo(9, 3);
    c.LineTo(15, 3);
    QImage image = platform::WrapRaster(c).copy();
    // The face colour is the background.
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb face = platform::ToQColor(PageFaceColor).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == face) image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

TFolderDialog* FolderDialog() { return folderDialog; }

TFolderDialog::TFolderDialog(QWidget* parent) : OwnerDrawnDialog(parent, "FolderDialog")
{
    folderDialog = this;

    // Made bottom first: the panel lies under everything.
    Image2 = new platform::SurfaceWidget(this);
    Image2->setObjectName("Image2");
    Image2->SetPicture(&Folder.Image2.Picture);
    Image4 = new QLabel(this);
    Image4->setObjectName("Image4");
    Image4->hide();

    auto makeScrollBox = [this](const char* name, const char* imageName, platform::SurfaceWidget*& image,
                                ScrollBoxState& state, int index) {
        auto* area = new QScrollArea(this);
        area->setObjectName(name);
        area->setWidgetResizable(false);
        image = new platform::SurfaceWidget;
        image->setObjectName(imageName);
        image->SetPicture(&state.Image.Picture);
        area->setWidget(image);
        area->viewport()->setMouseTracking(true);
        area->viewport()->installEventFilter(this);
        connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, index](int position) {
            if (placingScroll_) return;
            ScrollBoxScrolled(index, position);
            Sync();
        });
        area->hide();
        return area;
    };
    ScrollBox2 = makeScrollBox("ScrollBox2", "Image3", Image3, Folder.ScrollBox2, 2);
    // The boxes' pictures are seen above the sideways bar: as thick as drawn here.
    ScrollBoxState::BarExtent = ScrollBox2->horizontalScrollBar()->sizeHint().height();
    ScrollBox3 = makeScrollBox("ScrollBox3", "Image5", Image5, Folder.ScrollBox3, 3);
    ScrollBox1 = makeScrollBox("ScrollBox1", "Image1", Image1, Folder.ScrollBox1, 1);

    Edit1 = MakeEdit(Image3, "Edit1");
    Edit2 = MakeEdit(Image5, "Edit2");
    Edit3 = MakeEdit(this, "Edit3");

    auto makeLabel = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->hide();
        return l;
    };
    Label1 = makeLabel("Label1");
    Label2 = makeLabel("Label2");
    Label3 = makeLabel("Label3");

    DriveBox1 = new DriveBox(this);
    DriveBox1->setObjectName("DriveBox1");
    DriveBox1->view()->setTextElideMode(Qt::ElideMiddle);
    DriveBox1->hide();
    connect(DriveBox1, &QComboBox::activated, this, [this](int k) {
        if (k < 0 || k >= static_cast<int>(places_.size())) return;
        const std::string path = places_[static_cast<std::size_t>(k)].Path;
        SetDirRoot(path);
        DirBox1Change(path);
        Sync();
    });

    dirModel_ = new QFileSystemModel(this);
    // Folders only, hidden ones left out; links to folders are folders.
    dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    dirModel_->setReadOnly(true);
    folderIcons_.SetFolderIcon(style()->standardIcon(QStyle::SP_DirIcon));
    dirModel_->setIconProvider(&folderIcons_);
    DirBox1 = new QTreeView(this);
    DirBox1->setObjectName("DirBox1");
    // The folders load in the background: the rows stay under the user's
    // hand, and the folder shown is centred once its parent is there.
    steadyDir_ = new platform::SteadyFolderTree(DirBox1, dirModel_);
    for (int c = 1; c < dirModel_->columnCount(); ++c) DirBox1->hideColumn(c);
    DirBox1->setHeaderHidden(true);
    // Long names scroll sideways rather than being cut.
    DirBox1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    DirBox1->header()->setStretchLastSection(false);
    DirBox1->setSortingEnabled(true);
    DirBox1->sortByColumn(0, Qt::AscendingOrder);
    DirBox1->viewport()->setMouseTracking(true);
    DirBox1->viewport()->installEventFilter(this);
    DirBox1->hide();
    // A folder removed outside moves the tree's row to a neighbour: that is
    // no choice of the user's. The folder shown gone, the one above it is;
    // still there (the model behind the disk), its row is marked again.
    connect(dirModel_, &QAbstractItemModel::rowsRemoved, this, [this] {
        QMetaObject::invokeMethod(this, [this] {
            if (!isVisible()) return;
            DirBox1Gone();
            Sync();
        }, Qt::QueuedConnection);
    });
    connect(DirBox1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!current.isValid() || placingDir_ || steadyDir_->RemovingRows()) return;
        const std::string path = dirModel_->filePath(current).toStdString();
        if (path == Folder.Directory) return;
        DirBox1Change(path);
        Sync();
    });

    static const std::array<std::pair<const char*, const char*>, FolderButtonCount> buttons{
        {{"swOK", "実行"}, {"swSwap", "置換え"}, {"swOpen", "追加"}, {"swCancel", "キャンセル"}, {"swNewDir", ""}}};
    for (int i = 0; i < FolderButtonCount; ++i) {
        QToolButton*& b = Buttons[static_cast<std::size_t>(i)];
        const FolderButton id = static_cast<FolderButton>(i);
        const QSize size = MakeButton(b, buttons[static_cast<std::size_t>(i)].first, buttons[static_cast<std::size_t>(i)].second);
        if (id == FolderButton::swNewDir) {
            b->setIcon(NewFolderIcon());
            b->setToolTip(QString::fromUtf8(NewFolderBase));
            SetButtonSize(id, 25, 24);
        } else {
            SetButtonSize(id, size.width(), size.height());
        }
        connect(b, &QToolButton::clicked, this, [this, id] {
            folder::ButtonClick(id);
            Sync();
        });
    }

    auto route = [this](platform::SurfaceWidget* image, void (*move)(int, int), void (*up)(int, int, MouseButton)) {
        image->OnMouseMove = [this, move](QMouseEvent* e) {
            move(X(e), Y(e));
            Sync();
        };
        image->OnMouseDown = [this](QMouseEvent*) {
            ListMouseDown();
            Sync();
        };
        image->OnMouseUp = [this, up](QMouseEvent* e) {
            up(X(e), Y(e), ButtonOfEvent(e));
            Sync();
        };
        image->OnWheel = [this](QWheelEvent* e) { Wheel(e); };
    };
    route(Image1, Image1MouseMove, Image1MouseUp);
    route(Image2, Image2MouseMove, Image2MouseUp);
    route(Image3, Image3MouseMove, Image3MouseUp);
    route(Image5, Image5MouseMove, Image5MouseUp);
    Image3->OnDoubleClick = [this](QMouseEvent*) {
        Image3DblClick();
        Sync();
    };
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& t) {
        Edit1Change(t.toStdString());
        Sync();
    });
    connect(Edit2, &QLineEdit::textEdited, this, [this](const QString& t) {
        Edit2Change(t.toStdString());
        Sync();
    });
    connect(Edit3, &QLineEdit::textEdited, this, [this](const QString& t) {
        Edit3Change(t.toStdString());
        Sync();
    });
}

TFolderDialog::~TFolderDialog()
{
    // The model's reader thread asks the icons until the model is gone; the
    // tree's row is no choice of the user's on the way.
    disconnect(DirBox1->selectionModel(), nullptr, this, nullptr);
    delete dirModel_;
    if (folderDialog == this) folderDialog = nullptr;
}

QString TFolderDialog::DirBoxFolder() const { return dirModel_->filePath(DirBox1->currentIndex()); }

void TFolderDialog::FillDriveBox()
{
    std::vector<std::string> mounts;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) mounts.push_back(s.rootPath().toStdString());
    places_ = DrivePlaces(QDir::homePath().toStdString(), mounts);
    const QSignalBlocker blocker(DriveBox1);
    DriveBox1->clear();
    for (const DrivePlace& p : places_) DriveBox1->addItem(QString::fromStdString(p.Caption));
}

void TFolderDialog::SetDirRoot(const std::string& path)
{
    dirRoot_ = path;
    const QString root = QString::fromStdString(path);
    dirModel_->setRootPath(root);
    DirBox1->setRootIndex(dirModel_->index(root));
    const QSignalBlocker blocker(DriveBox1);
    for (std::size_t k = 0; k < places_.size(); ++k)
        if (places_[k].Path == path) DriveBox1->setCurrentIndex(static_cast<int>(k));
}

void TFolderDialog::ShowModal()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    FormShow(area.width(), area.height());
    if (Folder.DirBox1.Visible) {
        FillDriveBox();
        const int k = PlaceOf(places_, Folder.Directory);
        SetDirRoot(k >= 0 ? places_[static_cast<std::size_t>(k)].Path : std::string("/"));
    }
    Sync();
    // Each showing starts at the left of its lists.
    for (QScrollArea* box : {ScrollBox1, ScrollBox2, ScrollBox3}) box->horizontalScrollBar()->setValue(0);
    move(area.left() + Folder.Left, area.top() + Folder.Top);
    RunModal();
    FormClose();
    Folder.CloseRequested = false;
    Sync();
}

void TFolderDialog::SyncScrollBox(QScrollArea* area, platform::SurfaceWidget* image, ScrollBoxState& s)
{
    area->setVisible(s.Visible);
    if (!s.Visible) return;
    area->setGeometry(ToQRect(s.Bounds));
    area->setFrameStyle(s.Border ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    area->setLineWidth(1);
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(s.Color));
    area->setPalette(palette);
    area->viewport()->setPalette(palette);
    area->viewport()->setAutoFillBackground(true);
    image->setVisible(s.Image.Visible);
    image->setFixedSize(std::max(0, s.Image.Bounds.right - s.Image.Bounds.left),
                        std::max(0, s.Image.Bounds.bottom - s.Image.Bounds.top));
    image->update();
    // Not blocked: the box moves its picture on the bar's signal.
    placingScroll_ = true;
    area->verticalScrollBar()->setValue(s.Position);
    placingScroll_ = false;
    area->raise();
}

void TFolderDialog::SyncLabel(QLabel* label, const LabelState& s)
{
    label->setVisible(s.Visible);
    if (!s.Visible) return;
    const QString text = QString::fromStdString(s.Text);
    // A long folder name shows its ends; the whole of it as a tip.
    const int room = std::max(0, Folder.ClientWidth - s.Left - 20);
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
    label->setToolTip(label->text() == text ? QString() : text);
    label->move(s.Left, s.Top);
    label->adjustSize();
    label->raise();
}

void TFolderDialog::Sync()
{
    setWindowTitle(QString::fromStdString(Folder.Caption));
    setFixedSize(Folder.ClientWidth, Folder.ClientHeight);

    Image2->setVisible(Folder.Image2.Visible);
    Image2->setGeometry(ToQRect(Folder.Image2.Bounds));
    Image2->update();
    Image4->setVisible(Folder.Image4.Visible);
    if (Folder.Image4.Visible) {
        Image4->setGeometry(ToQRect(Folder.Image4.Bounds));
        if (Image4->pixmap().isNull()) Image4->setPixmap(QApplication::windowIcon().pixmap(48, 48));
        Image4->raise();
    }

    SyncScrollBox(ScrollBox2, Image3, Folder.ScrollBox2);
    SyncScrollBox(ScrollBox3, Image5, Folder.ScrollBox3);
    // The layer list of the design-rule page opens over the grid.
    SyncScrollBox(ScrollBox1, Image1, Folder.ScrollBox1);

    SyncEdit(Edit1, Folder.Edit1);
    SyncEdit(Edit2, Folder.Edit2);
    SyncEdit(Edit3, Folder.Edit3);
    FocusAndSelect(Edit1, Folder.Edit1, false);
    FocusAndSelect(Edit2, Folder.Edit2, false);
    FocusAndSelect(Edit3, Folder.Edit3, false);

    SyncLabel(Label1, Folder.Label1);
    SyncLabel(Label2, Folder.Label2);
    SyncLabel(Label3, Folder.Label3);

    DriveBox1->setVisible(Folder.DriveBox1.Visible);
    DriveBox1->setGeometry(ToQRect(Folder.DriveBox1.Bounds));
    DirBox1->setVisible(Folder.DirBox1.Visible);
    if (Folder.DirBox1.Visible) {
        DirBox1->setGeometry(ToQRect(Folder.DirBox1.Bounds));
        if (!FolderUnder(Folder.Directory, dirRoot_)) {
            const int k = PlaceOf(places_, Folder.Directory);
            SetDirRoot(k >= 0 ? places_[static_cast<std::size_t>(k)].Path : std::string("/"));
        }
        const QModelIndex index = dirModel_->index(QString::fromStdString(Folder.Directory));
        if (index.isValid() && DirBox1->currentIndex() != index) {
            placingDir_ = true;
            DirBox1->setCurrentIndex(index);
            placingDir_ = false;
            DirBox1->expand(index);
            steadyDir_->Place();
        }
    }

    ButtonOf(FolderButton::swOpen)->setText(QString::fromStdString(Folder.OpenCaption));
    for (int i = 0; i < FolderButtonCount; ++i) SyncButton(Buttons[static_cast<std::size_t>(i)], Folder.Buttons[static_cast<std::size_t>(i)]);

    switch (Folder.Focus) {
    case FolderWindow::FocusOn::Edit1: Edit1->setFocus(); break;
    case FolderWindow::FocusOn::Edit2: Edit2->setFocus(); break;
    case FolderWindow::FocusOn::Edit3: Edit3->setFocus(); break;
    case FolderWindow::FocusOn::None: break;
    }
    Folder.Focus = FolderWindow::FocusOn::None;

    ShowPendingWarning(Folder.Warning);
    if (Folder.CloseRequested && isVisible()) {
        Folder.CloseRequested = false;
        done(FolderResult == frCancel ? QDialog::Rejected : QDialog::Accepted);
    }
}

void TFolderDialog::EscapePressed()
{
    FormKeyEscape();
    Sync();
}

void TFolderDialog::EnterPressed(QLineEdit* edit)
{
    if (edit == Edit1) Edit1KeyEnter();
    else if (edit == Edit2) Edit2KeyEnter();
    else Edit3KeyEnter();
    Sync();
}

void TFolderDialog::WheelTurned(int notches)
{
    FormMouseWheel(notches);
    Sync();
}

bool TFolderDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Events come while the window is being made.
    auto viewportOf = [](QAbstractScrollArea* a) -> QObject* { return a ? a->viewport() : nullptr; };
    const bool tree = watched == viewportOf(DirBox1);
    const bool box = watched == viewportOf(ScrollBox1) || watched == viewportOf(ScrollBox2) ||
                     watched == viewportOf(ScrollBox3);
    if (!tree && !box) return OwnerDrawnDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        if (tree) DirBox1MouseMove();
        else if (watched == viewportOf(ScrollBox1)) ScrollBox1MouseMove();
        Sync();
        break;
    case QEvent::MouseButtonPress:
        ListMouseDown();
        Sync();
        break;
    case QEvent::Wheel:
        // The folder tree scrolls as trees do; the boxes by their own steps.
        if (box) {
            Wheel(static_cast<QWheelEvent*>(event));
            return true;
        }
        break;
    default: break;
    }
    return OwnerDrawnDialog::eventFilter(watched, event);
}

} // namespace dialogs
