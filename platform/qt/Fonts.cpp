#include "platform/qt/Fonts.h"

#include <algorithm>

#include <cmath>

namespace platform {

void InstallFontSubstitutions()
{
    QFont::insertSubstitution("ＭＳ Ｐゴシック", "IPAexGothic");
    QFont::insertSubstitution("MS Pゴシック", "IPAexGothic");
    QFont::insertSubstitution("ＭＳ ゴシック", "IPAexGothic");
    QFont::insertSubstitution("ＭＳ Ｐ明朝", "IPAexMincho");
    QFont::insertSubstitution("MS P明朝", "IPAexMincho");
}

QFont ToQFont(const FontInfo& font)
{
    QFont f(QString::fromStdString(font.Name));
    int h = font.Height == 0 ? -12 : font.Height;
    if (h < 0) {
        f.setPixelSize(-h);
    } else {
        // The cell height holds the internal leading as well: the em is
        // about the cell over 1.1 for the IPAex fonts.
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(h / 1.1))));
    }
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    if (font.Stretch > 0 && font.Stretch != 100) f.setStretch(font.Stretch);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

} // namespace platform
