#include "dialogs/qt/Components.h"

#include "platform/qt/Fonts.h"

#include <QSignalBlocker>

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
    if (e.SelectAll) edit->selectAll();
    else if (e.Caret >= 0) edit->setCursorPosition(e.Caret);
    e.SelectAll = false;
    e.Caret = -1;
    edit->show();
}

} // namespace dialogs
