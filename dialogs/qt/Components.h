#pragma once
// Showing a dialog's component state (dialogs/Components.h) on Qt widgets.
#include "dialogs/Components.h"

#include <QLineEdit>
#include <QRect>

#include <algorithm>

namespace dialogs {

inline QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top)); }

// Places, fills and shows (or hides) an edit box; a selection or caret asked
// for is applied once. Setting the text raises no change signal.
void SyncEdit(QLineEdit* edit, EditState& e);

} // namespace dialogs
