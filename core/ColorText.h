#pragma once
// Colour values as text in settings and project files: a colour name of the
// class library's table ("clRed"), "$" and hexadecimal digits, or a decimal
// number. Values are Windows colour values (red in the low byte).
#include <cstdint>
#include <string>

namespace core {

// The table name when the value has one, else "$" and eight upper-case
// hexadecimal digits.
std::string ColorText(std::int32_t color);

// A table name (letter case ignored), a "$" hexadecimal text of up to eight
// digits or a decimal 32-bit integer. False for anything else.
bool TryParseColorText(const std::string& text, std::int32_t& color);

} // namespace core
