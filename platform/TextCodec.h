#pragma once
// UTF-8 inside the program, CP932 (Windows Shift-JIS) in files.
#include <string>
#include <string_view>

namespace platform {

// False when the text holds a character the other encoding cannot hold (or
// bytes that are not valid in the source encoding); `out` then holds nothing useful.
bool TryUtf8ToCp932(std::string_view utf8, std::string& out);
bool TryCp932ToUtf8(std::string_view cp932, std::string& out);

// As above; a text that cannot be converted throws Error naming the problem.
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

// The CP932 text in UTF-8 whatever it holds: when it does not convert, bytes
// outside ASCII become "?". For texts read from damaged files.
std::string Cp932ToUtf8Lenient(std::string_view cp932);

// The text (UTF-8) with every character CP932 cannot hold as "?": for texts
// a file must keep whatever they hold, such as a file name in a report.
std::string Cp932Readable(std::string_view utf8);

} // namespace platform
