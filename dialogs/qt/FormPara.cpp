#include "dialogs/qt/FormPara.h"

#include "core/Datas.h"
#include "dialogs/JobPages.h"
#include "dialogs/PagePainters.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace dialogs {

namespace {

TFormPara* paraForm = nullptr;

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top)); }

int X(QMouseEvent* e) { return static_cast<int>(e->position().x()); }
int Y(QMouseEvent* e) { return static_cast<int>(e->position().y()); }

// Pixels of the face colour let the page show through: the balloon is seen
// (and clicked) only within its outline.
void MaskFaceColour(QWidget* w, const platform::RasterCanvas& picture, bool on)
{
    if (on) platform::MaskColour(w, picture, PageFaceColor);
    else w->clearMask();
}

void SyncEdit(QLineEdit* edit, EditState& e)
{
    if (!e.Visible) {
        edit->hide();
        return;
    }
    edit->setGeometry(ToQRect(e.Bounds));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, platform::ToQColor(e.Color));
    edit->setPalette(palette);
    const QString text = QString::fromStdString(e.Text);
    if (edit->text() != text) {
        const QSignalBlocker blocker(edit);
        edit->setText(text);
    }
    edit->show();
}

// The focus, when asked for, then the selection or caret the dialog asks
// for. Without either the caret goes to the end: hiding the balloon may have
// passed the focus on to the box as a tab would, selecting its whole text.
void FocusAndSelect(QLineEdit* edit, EditState& e, bool focus)
{
    if (!e.Visible) return;
    if (focus) edit->setFocus();
    if (e.SelectAll) edit->selectAll();
    else if (e.Caret >= 0) edit->setCursorPosition(e.Caret);
    else if (focus) edit->end(false);
    e.SelectAll = false;
    e.Caret = -1;
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

    // The pages' questions and file choices; what was waiting runs before
    // a chosen file is read or written.
    AskParaYesNo = [](const std::string& question) { return platform::AskYesNo(question); };
    ChooseParaFile = [](bool save, const std::string& filter) {
        std::string path;
        if (save) {
            platform::SaveRequest request;
            request.filter = filter;
            const platform::SaveAnswer answer = platform::Dialogs().SaveFile(request);
            if (answer.accepted) path = answer.path;
        } else {
            platform::OpenRequest request;
            request.filter = filter;
            request.multiSelect = false;
            const platform::OpenAnswer answer = platform::Dialogs().OpenFiles(request);
            if (answer.accepted && !answer.paths.empty()) path = answer.paths.front();
        }
        if (!path.empty()) platform::PumpEvents(true);
        return path;
    };

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

    // "設定ファイルを開く": a settings file chosen where the job's files are.
    ImportFolderSettings = [] {
        platform::OpenRequest request;
        request.filter = SettingsFileFilter;
        request.multiSelect = false;
        if (core::LayerCount > 0) request.initialFolder = core::LayerTable[1].Folder;
        const platform::OpenAnswer answer = platform::Dialogs().OpenFiles(request);
        if (!answer.accepted || answer.paths.empty()) return;
        platform::PumpEvents(true);
        ImportSettingsFile(answer.paths.front());
    };
}

TFormPara::~TFormPara()
{
    if (paraForm == this) {
        paraForm = nullptr;
        ImportFolderSettings = nullptr;
    }
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

    FocusAndSelect(Edit1, Para.Edit1, Para.Focus == ParaWindow::FocusOn::Edit1);
    FocusAndSelect(Edit2, Para.Edit2, Para.Focus == ParaWindow::FocusOn::Edit2);
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
