#include "core/ColorText.h"

#include "platform/NumberText.h"

#include <array>
#include <cstddef>

namespace core {

namespace {

struct ColorName {
    const char* name;
    std::uint32_t value;
};

constexpr std::uint32_t System = 0xFF000000u;

constexpr std::array<ColorName, 52> ColorNames = {{
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
    {"clDefault", 0x20000000}, {"clNone", 0x1FFFFFFF},
    {"clScrollBar", System + 0}, {"clBackground", System + 1}, {"clActiveCaption", System + 2},
    {"clInactiveCaption", System + 3}, {"clMenu", System + 4}, {"clWindow", System + 5},
    {"clWindowFrame", System + 6}, {"clMenuText", System + 7}, {"clWindowText", System + 8},
    {"clCaptionText", System + 9}, {"clActiveBorder", System + 10}, {"clInactiveBorder", System + 11},
    {"clAppWorkSpace", System + 12}, {"clHighlight", System + 13}, {"clHighlightText", System + 14},
    {"clBtnFace", System + 15}, {"clBtnShadow", System + 16}, {"clGrayText", System + 17},
    {"clBtnText", System + 18}, {"clInactiveCaptionText", System + 19}, {"clBtnHighlight", System + 20},
    {"cl3DDkShadow", System + 21}, {"cl3DLight", System + 22}, {"clInfoText", System + 23},
    {"clInfoBk", System + 24}, {"clHotLight", System + 26}, {"clGradientActiveCaption", System + 27},
    {"clGradientInactiveCaption", System + 28}, {"clMenuHighlight", System + 29}, {"clMenuBar", System + 30},
}};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return i == a.size() && b[i] == '\0';
}

} // namespace

std::string ColorText(std::int32_t color)
{
    auto value = static_cast<std::uint32_t>(color);
    for (const ColorName& c : ColorNames)
        if (c.value == value) return c.name;
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "$";
    for (int shift = 28; shift >= 0; shift -= 4) text.push_back(digits[(value >> shift) & 0xF]);
    return text;
}

bool TryParseColorText(const std::string& text, std::int32_t& color)
{
    for (const ColorName& c : ColorNames) {
        if (EqualNoCase(text, c.name)) {
            color = static_cast<std::int32_t>(c.value);
            return true;
        }
    }
    if (!text.empty() && text[0] == '$') {
        if (text.size() < 2 || text.size() > 9) return false;
        std::uint32_t v = 0;
        for (std::size_t i = 1; i < text.size(); ++i) {
            char c = text[i];
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else return false;
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        color = static_cast<std::int32_t>(v);
        return true;
    }
    long long v = 0;
    // An empty text is no colour, although it reads as the number 0.
    if (text.empty() || !platform::TryParseInt(text, v)) return false;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    color = static_cast<std::int32_t>(v);
    return true;
}

} // namespace core
