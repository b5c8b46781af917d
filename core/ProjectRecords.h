#pragma once
// Records of the project files: a line of fields split at a separator, the
// fields read as numbers with "." whatever the locale, and texts written so
// that they never hold the separator or a line end. Shared by the readers
// and writers of both project formats.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// The fields of one line, as views into it. The first `Kept` are kept; `count`
// counts them all.
struct RecordFields {
    static constexpr int Kept = 16;
    std::array<std::string_view, Kept> field{};
    int count = 0;
    std::string_view operator[](int i) const { return i >= 0 && i < Kept ? field[static_cast<std::size_t>(i)] : std::string_view{}; }
};

// Splits at the separator, empty fields kept; an empty line has no field.
// Nothing is dropped: a double quote stays part of its field.
int SplitRecord(std::string_view line, char separator, RecordFields& fields);

// The text of a line from the start of field `first` to the end of field
// `last` (separators inside included).
std::string_view RecordSpan(std::string_view line, char separator, int first, int last);

// Field readers. Each throws platform::Error naming the text when the field
// is not of its kind. An empty field reads 0.
double RecordReal(std::string_view field);
// A real truncated toward zero; it must fit 32 bits.
std::int32_t RecordInt(std::string_view field);
// A number (non-zero is 1) or "True" / "False" in any letter case.
std::uint8_t RecordBool(std::string_view field);
// A colour name, "$" and hexadecimal digits, or a decimal number.
std::int32_t RecordColor(std::string_view field);
// CP932 bytes as UTF-8.
std::string RecordText(std::string_view cp932);

// The text with the separator written as its full-width form ("/" → "／",
// "," → "，") and line ends as blanks, so that it stays one field of one line.
std::string SeparatorFreeText(std::string_view utf8, char separator);

// Field writers: the separator, then the field (CP932 bytes).
void AppendIntField(std::string& line, char separator, long long value);
// The shortest text that reads back as the same double (platform::AppendExactReal):
// what is saved comes back exactly.
void AppendRealField(std::string& line, char separator, double value);
// "0" and "-1".
void AppendBoolField(std::string& line, char separator, bool value);
void AppendColorField(std::string& line, char separator, std::int32_t color);
// A free text, separator-free and in CP932. Throws platform::Error when the
// text has a character without a CP932 form.
void AppendTextField(std::string& line, char separator, std::string_view utf8);

} // namespace core
