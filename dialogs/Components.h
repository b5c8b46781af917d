#pragma once
// The state of a dialog's components as its event handlers leave it: the
// window shows it after every event (dialogs/qt), tests read it directly.
#include "dialogs/FieldText.h"
#include "dialogs/PageModels.h"
#include "platform/RasterCanvas.h"

#include <string>

namespace dialogs {

struct ImageState {
    bool Visible = false;
    Rect Bounds;                       // in the pixels of what holds it
    platform::RasterCanvas Picture;
};

struct EditState {
    bool Visible = false;
    Rect Bounds;
    std::string Text;
    FieldKind Kind = FieldKind::Number;
    platform::Color Color = platform::RGB(255, 255, 255);
    bool SelectAll = false;            // the whole text selected when placed
    int Caret = -1;                    // where the caret goes after a change, −1 at the end
};

struct ScrollState {
    bool Visible = false;
    Rect Bounds;
    int Minimum = 0, Maximum = 0, Position = 0;
};

struct ButtonState {
    bool Visible = false;
    bool Enabled = true;
    Rect Bounds{0, 0, 75, 25};   // the window sets the size its font needs
};

// A button's size as the window makes it (before the first show).
inline void SizeButton(ButtonState& b, int width, int height)
{
    b.Bounds.right = b.Bounds.left + width;
    b.Bounds.bottom = b.Bounds.top + height;
}
// Moves a button keeping its size.
inline void MoveButton(ButtonState& b, int left, int top)
{
    const Rect r = b.Bounds;
    b.Bounds = {left, top, left + r.right - r.left, top + r.bottom - r.top};
}

// A text typed into an edit box, cleaned for the box's kind of field, as the
// box then shows it; a number field's "." alone becomes "0." with the caret
// after it.
std::string TypedText(EditState& e, const std::string& text);

} // namespace dialogs
