#include "dialogs/qt/Components.h"

#include "dialogs/PagePainters.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace dialogs {

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
    edit->raise();
}

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

void SyncButton(QToolButton* b, const ButtonState& s)
{
    b->setGeometry(ToQRect(s.Bounds));
    b->setEnabled(s.Enabled);
    b->setVisible(s.Visible);
    if (s.Visible) b->raise();
}

OwnerDrawnDialog::OwnerDrawnDialog(QWidget* parent, const char* name)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(name);
    setModal(true);
    setFont(platform::ToQFont(platform::FontInfo{}));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(PageFaceColor));
    setPalette(palette);
    setAutoFillBackground(true);
}

QLineEdit* OwnerDrawnDialog::MakeEdit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFrame(false);
    e->setTextMargins(0, 0, 0, 0);
    edits_.push_back(e);
    e->installEventFilter(this);
    e->hide();
    return e;
}

QSize OwnerDrawnDialog::MakeButton(QToolButton*& b, const char* name, const char* caption)
{
    b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(QString::fromUtf8(caption));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->hide();
    const QSize hint = b->sizeHint();
    return {std::max(75, hint.width() + 12), std::max(25, hint.height())};
}

void OwnerDrawnDialog::RunModal()
{
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    exec();
    if (busy) QGuiApplication::restoreOverrideCursor();
}

void OwnerDrawnDialog::ShowPendingWarning(std::string& warning)
{
    if (warning.empty()) return;
    const std::string text = std::move(warning);
    warning.clear();
    platform::ShowWarning(text);
}

void OwnerDrawnDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape: EscapePressed(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No default button: Enter belongs to the edit boxes.
        break;
    default: QDialog::keyPressEvent(event); return;
    }
    event->accept();
}

bool OwnerDrawnDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && std::find(edits_.begin(), edits_.end(), watched) != edits_.end()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EnterPressed(static_cast<QLineEdit*>(watched));
            return true;
        }
        if (key == Qt::Key_Escape) {
            EscapePressed();
            return true;
        }
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && TabPressed(static_cast<QLineEdit*>(watched))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void OwnerDrawnDialog::wheelEvent(QWheelEvent* event) { Wheel(event); }

void OwnerDrawnDialog::Wheel(QWheelEvent* event)
{
    wheelRest_ += event->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    event->accept();
    if (notches != 0) WheelTurned(notches);
}

} // namespace dialogs
