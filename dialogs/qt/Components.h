#pragma once
// What the dialogs' windows share: showing their component state
// (dialogs/Components.h) on Qt widgets, and a dialog window whose pictures,
// edit boxes and buttons hand their events to the dialog's handlers.
#include "dialogs/Components.h"

#include <QDialog>
#include <QLineEdit>
#include <QRect>
#include <QToolButton>

#include <algorithm>
#include <string>
#include <vector>

class QMouseEvent;

namespace dialogs {

inline QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top)); }

// Places, fills and shows (or hides) an edit box. Setting the text raises no
// change signal.
void SyncEdit(QLineEdit* edit, EditState& e);
// The focus, when asked for, then the selection or caret the dialog asks for,
// applied once. Without either the caret goes to the end: hiding a balloon
// may have passed the focus on to the box as a tab would, selecting its text.
void FocusAndSelect(QLineEdit* edit, EditState& e, bool focus);
// Places and shows (or hides) a button.
void SyncButton(QToolButton* button, const ButtonState& s);

// A dialog window of the program: the face colour and the dialogs' font,
// modal, over its owner. Enter and Esc in its edit boxes, Esc elsewhere and
// the wheel anywhere go to the handlers; there is no default button.
class OwnerDrawnDialog : public QDialog {
    Q_OBJECT
public:
    explicit OwnerDrawnDialog(QWidget* parent, const char* name);

protected:
    // A borderless edit box on `parent` whose Enter and Esc come here.
    QLineEdit* MakeEdit(QWidget* parent, const char* name);
    // A flat button that never takes the focus, never narrower than the
    // layouts' buttons (75 × 25) and as wide as its caption needs: its size.
    QSize MakeButton(QToolButton*& button, const char* name, const char* caption);
    // The modal loop, with the arrow over the busy cursor of the command
    // that asks (that cursor belongs to the main window).
    void RunModal();
    // A warning the handlers left, shown once.
    static void ShowPendingWarning(std::string& warning);
    // Wheel notches (positive away from the user) from any wheel event.
    void Wheel(QWheelEvent* event);

    virtual void EscapePressed() = 0;
    virtual void EnterPressed(QLineEdit* edit) = 0;
    virtual void WheelTurned(int notches) = 0;
    // Tab or Shift+Tab in an edit box; false lets the edit box have it.
    virtual bool TabPressed(QLineEdit*) { return false; }

    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QLineEdit*> edits_;
    int wheelRest_ = 0;
};

} // namespace dialogs
