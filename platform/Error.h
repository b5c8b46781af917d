#pragma once
// The one exception type of the program: an internal failure that ends the
// operation in progress. The message is UTF-8 text meant for the user (Japanese).
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The most characters of a value a message quotes.
inline constexpr std::size_t QuotedValueChars = 40;

// A value from a file or from the user as a message quotes it: its first
// QuotedValueChars characters, then "…" when there are more, control bytes
// shown as "\x00". A field of megabytes would make the message unreadable and
// its box unbounded.
std::string QuotedValue(std::string_view text);

} // namespace platform
