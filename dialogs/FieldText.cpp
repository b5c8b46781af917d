#include "dialogs/FieldText.h"

#include "platform/NumberText.h"
#include "platform/TextCodec.h"

#include <cmath>

namespace dialogs {

namespace {

// The length of the UTF-8 sequence starting with `lead`, 0 for a byte that
// cannot start one.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

char32_t Decode(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    switch (s.size()) {
    case 1: return b(0);
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    default: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    }
}

// What a full-width or look-alike character typed into a number field means.
char NumberCharOf(char32_t c)
{
    if (c >= U'０' && c <= U'９') return static_cast<char>('0' + (c - U'０'));
    switch (c) {
    case U'．':
    case U'，':
    case U'、':
    case U'。': return '.';
    case U'－':
    case U'−':
    case U'ー': return '-';
    case U'＋': return '+';
    default: return 0;
    }
}

} // namespace

std::string CleanFieldText(std::string_view text, FieldKind kind)
{
    std::string out;
    out.reserve(text.size());
    std::string scratch;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = SequenceLength(static_cast<unsigned char>(text[i]));
        bool valid = n > 0 && i + n <= text.size();
        for (std::size_t k = 1; valid && k < n; ++k) valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (!valid) {
            ++i;
            continue;
        }
        const std::string_view seq = text.substr(i, n);
        i += n;
        const char32_t c = Decode(seq);
        if (c < 0x20 || c == 0x7F || c == U'/' || c == U'"' || c == U'#') continue;
        if (c == U',') {
            if (kind == FieldKind::Number) out.push_back('.');
            continue;
        }
        if (kind == FieldKind::Number) {
            if (const char ascii = NumberCharOf(c)) {
                out.push_back(ascii);
                continue;
            }
        }
        // What Shift-JIS cannot hold would be lost in every file it reaches.
        if (n > 1 && !platform::TryUtf8ToCp932(seq, scratch)) continue;
        out.append(seq);
    }
    return out;
}

bool ParseFieldNumber(std::string_view text, double& value)
{
    double v = 0;
    if (platform::TryParseReal(text, v) && std::isfinite(v)) {
        value = v;
        return true;
    }
    std::size_t used = 0;
    v = platform::ParseRealPrefix(text, &used);
    if (used == 0 || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::string NumberCaption(double value)
{
    return std::isfinite(value) ? platform::FormatReal(value) : std::string("0");
}

} // namespace dialogs
