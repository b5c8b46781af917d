#include "platform/qt/ColorDialogs.h"

#include <QColorDialog>

namespace platform {

namespace {
QtColorDialogs qtDialogs;
ColorDialogs* current = &qtDialogs;
} // namespace

ColorDialogs& ColorDialog() { return *current; }
void SetColorDialogs(ColorDialogs* dialogs) { current = dialogs ? dialogs : &qtDialogs; }

bool QtColorDialogs::ChooseColor(Color& color)
{
    const QColor start(RedOf(color), GreenOf(color), BlueOf(color));
    const QColor chosen = QColorDialog::getColor(start);
    if (!chosen.isValid()) return false;
    color = RGB(chosen.red(), chosen.green(), chosen.blue());
    return true;
}

bool FakeColorDialogs::ChooseColor(Color& color)
{
    asked.push_back(color);
    if (answers.empty()) return false;
    color = answers.front();
    answers.pop_front();
    return true;
}

} // namespace platform
