#include "platform/Error.h"

namespace platform {

std::string QuotedValue(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    // Characters are counted by their UTF-8 lead bytes, so that none is cut.
    std::size_t chars = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80 && chars++ == QuotedValueChars) return out + "…";
        if (c < 0x20 || c == 0x7F) {
            // A control byte is shown, not sent: a NUL would end the message
            // where it stands, a line end would break it.
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

} // namespace platform
