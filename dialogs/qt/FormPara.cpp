#include "dialogs/qt/FormPara.h"

#include "dialogs/PagePainters.h"
#include "dialogs/qt/Components.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QScreen>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace dialogs {

namespace {

TFormPara* paraForm = nullptr;

int X(QMouseEvent* e) { return static_cast<int>(e->position().x()); }
int Y(QMouseEvent* e) { return static_cast<int>(e->position().y()); }

// Pixels of the face colour let the page show through: the balloon is seen
// (and clicked) only within its outline.
void MaskFaceColour(QWidget* w, const platform::RasterCanvas& picture, bool on)
{
    if (!on || picture.Width() <= 0 || picture.Height() <= 0) {
        w->clearMask();
        return;
    }
    const std::uint32_t face = platform::RasterCanvas::ToPixel(PageFaceColor);
    QRegion region;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint32_t* row = picture.Scanline(y);
        for (int x = 0; x < picture.Width();) {
            if (row[x] == face) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < picture.Width() && row[x] != face) ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    w->setMask(region);
}

} // namespace

TFormPara* FormPara() { return paraForm; }

TFormPara::TFormPara(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    paraForm = this;
    setObjectName("FormPara");
    setWindowTitle(QString::fromUtf8(InitialParaCaption));
    setModal(true);
    setFont(platform::ToQFont(platform::FontInfo{}));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(PageFaceColor));
    setPalette(palette);
    setAutoFillBackground(true);

    Image1 = new platform::SurfaceWidget(this);
    Image1->setObjectName("Image1");
    Image3 = new platform::SurfaceWidget(this);
    Image3->setObjectName("Image3");
    Image3->hide();
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName("ScrollBar1");
    ScrollBar1->hide();
    auto makeEdit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setFrame(false);
        e->setTextMargins(0, 0, 0, 0);
        e->installEventFilter(this);
        e->hide();
        return e;
    };
    Edit1 = makeEdit("Edit1");
    Edit2 = makeEdit("Edit2");
    Image2 = new platform::SurfaceWidget(this);
    Image2->setObjectName("Image2");
    Image2->hide();

    static const std::array<std::pair<const char*, const char*>, ParaButtonCount> buttons{{
        {"sw1", "OK"}, {"sw2", "閉じる"}, {"sw3", "ファイルから検出"}, {"sw5", "キャンセル"},
        {"sw6", "設定ファイルを開く"}, {"swNew", "初期化"}, {"swOpen", "開く"}, {"swSave", "保存"}}};
    for (int i = 0; i < ParaButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(buttons[static_cast<std::size_t>(i)].first);
        b->setText(QString::fromUtf8(buttons[static_cast<std::size_t>(i)].second));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        const QSize hint = b->sizeHint();
        const ParaButton id = static_cast<ParaButton>(i);
        // Never narrower than the layout's buttons; wider where our font needs it.
        SetButtonSize(id, std::max(75, hint.width() + 12), std::max(25, hint.height()));
        b->hide();
        connect(b, &QToolButton::clicked, this, [this, id] {
            ButtonClick(id);
            Sync();
        });
        Buttons[static_cast<std::size_t>(i)] = b;
    }
    ButtonOf(ParaButton::swNew)->setToolTip("初期化");
    ButtonOf(ParaButton::swOpen)->setToolTip("ファイルを開く");
    ButtonOf(ParaButton::swSave)->setToolTip("ファイルに保存");

    // Each picture hands its pointer to its handlers, in its own pixels.
    auto route = [this](platform::SurfaceWidget* image, void (*move)(int, int), void (*up)(int, int)) {
        image->OnMouseMove = [this, move](QMouseEvent* e) {
            move(X(e), Y(e));
            Sync();
        };
        image->OnMouseUp = [this, up](QMouseEvent* e) {
            if (e->button() != Qt::LeftButton) return;
            up(X(e), Y(e));
            Sync();
        };
        image->OnWheel = [this](QWheelEvent* e) { Wheel(e); };
    };
    route(Image1, Image1MouseMove, Image1MouseUp);
    route(Image2, Image2MouseMove, Image2MouseUp);
    route(Image3, Image3MouseMove, Image3MouseUp);
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit1Change(text.toStdString());
        Sync();
    });
    connect(Edit2, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit2Change(text.toStdString());
        Sync();
    });
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int position) {
        ScrollBar1Change(position);
        Sync();
    });
}

TFormPara::~TFormPara()
{
    if (paraForm == this) paraForm = nullptr;
}

void TFormPara::ShowModal()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    FormShow(area.width(), area.height());
    Sync();
    if (Para.CentreOnScreen) {
        move(area.left() + Para.Left, area.top() + Para.Top);
    } else if (const QWidget* owner = parentWidget()) {
        const QRect g = owner->frameGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
    // The busy cursor of the open that asks belongs to the main window.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    exec();
    if (busy) QGuiApplication::restoreOverrideCursor();
    HideEdits();
    HideBalloon();
}

void TFormPara::Sync()
{
    setWindowTitle(QString::fromStdString(Para.Caption));
    setFixedSize(Para.ClientWidth, Para.ClientHeight);

    Image1->setGeometry(ToQRect(Para.Image1.Bounds));
    Image1->SetPicture(&Para.Image1.Picture);
    Image1->setVisible(Para.Image1.Visible);

    Image3->setVisible(Para.Image3.Visible);
    if (Para.Image3.Visible) {
        Image3->setGeometry(ToQRect(Para.Image3.Bounds));
        Image3->SetPicture(&Para.Image3.Picture);
        MaskFaceColour(Image3, Para.Image3.Picture, ParaTable.Balloon);
    }

    {
        const QSignalBlocker blocker(ScrollBar1);
        const ScrollState& s = Para.ScrollBar1;
        ScrollBar1->setGeometry(ToQRect(s.Bounds));
        ScrollBar1->setRange(s.Minimum, s.Maximum);
        ScrollBar1->setValue(s.Position);
        ScrollBar1->setVisible(s.Visible);
    }

    SyncEdit(Edit1, Para.Edit1);
    SyncEdit(Edit2, Para.Edit2);

    Image2->setVisible(Para.Image2.Visible);
    if (Para.Image2.Visible) {
        Image2->setGeometry(ToQRect(Para.Image2.Bounds));
        Image2->SetPicture(&Para.Image2.Picture);
        MaskFaceColour(Image2, Para.Image2.Picture, true);
        Image2->raise();
    }

    for (int i = 0; i < ParaButtonCount; ++i) {
        const ButtonState& s = Para.Buttons[static_cast<std::size_t>(i)];
        QToolButton* b = Buttons[static_cast<std::size_t>(i)];
        b->setGeometry(ToQRect(s.Bounds));
        b->setEnabled(s.Enabled);
        b->setVisible(s.Visible);
        if (s.Visible) b->raise();
    }

    if (Para.Focus == ParaWindow::FocusOn::Edit1 && Edit1->isVisible()) Edit1->setFocus();
    else if (Para.Focus == ParaWindow::FocusOn::Edit2 && Edit2->isVisible()) Edit2->setFocus();
    Para.Focus = ParaWindow::FocusOn::None;

    if (!Para.Warning.empty()) {
        const std::string text = std::move(Para.Warning);
        Para.Warning.clear();
        platform::ShowWarning(text);
    }
    if (Para.CloseRequested) {
        Para.CloseRequested = false;
        done(ParaRequest.Cancelled ? QDialog::Rejected : QDialog::Accepted);
    }
}

void TFormPara::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        FormKeyEscape();
        Sync();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No default button: Enter belongs to the edit boxes.
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool TFormPara::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == Edit1) Edit1KeyEnter();
            else Edit2KeyEnter();
            Sync();
            return true;
        }
        if (key == Qt::Key_Escape) {
            FormKeyEscape();
            Sync();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormPara::wheelEvent(QWheelEvent* event) { Wheel(event); }

void TFormPara::Wheel(QWheelEvent* event)
{
    // The window takes the wheel wherever the pointer is.
    wheelRest_ += event->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    event->accept();
    if (notches == 0) return;
    FormMouseWheel(notches);
    Sync();
}

} // namespace dialogs
