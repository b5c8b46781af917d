#include "dialogs/Components.h"

namespace dialogs {

std::string TypedText(EditState& e, const std::string& text)
{
    std::string t = CleanFieldText(text, e.Kind);
    e.Caret = -1;
    if (e.Kind == FieldKind::Number && t == ".") {
        t = "0.";
        e.Caret = 2;
    }
    e.Text = t;
    e.SelectAll = false;
    return t;
}

} // namespace dialogs
