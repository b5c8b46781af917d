#include "platform/Error.h"

namespace platform {

std::string QuotedValue(std::string_view text)
{
    // Characters are counted by their UTF-8 lead bytes, so that none is cut.
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == QuotedValueChars) return std::string(text.substr(0, i)) + "…";
    }
    return std::string(text);
}

} // namespace platform
