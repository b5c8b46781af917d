#pragma once
// The fonts the windows were laid out for, mapped onto the Japanese fonts
// installed here, and Canvas fonts as Qt fonts.
#include "platform/Canvas.h"

#include <QColor>
#include <QFont>

namespace platform {

// "ＭＳ Ｐゴシック" and "MS Pゴシック" → IPAexGothic, "ＭＳ Ｐ明朝" → IPAexMincho.
// Call once after the application object exists.
void InstallFontSubstitutions();

// A negative height is the character height in pixels without the
// leading; a positive one the cell height.
QFont ToQFont(const FontInfo& font);

inline QColor ToQColor(Color c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

} // namespace platform
