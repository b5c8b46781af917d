#include "core/ProjectRecords.h"

#include "core/ColorText.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/TextCodec.h"

#include <cmath>
#include <limits>

namespace core {

int SplitRecord(std::string_view line, char separator, RecordFields& fields)
{
    fields.count = 0;
    if (line.empty()) return 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(separator, start);
        const std::string_view f = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (fields.count < RecordFields::Kept) fields.field[static_cast<std::size_t>(fields.count)] = f;
        ++fields.count;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields.count;
}

std::string_view RecordSpan(std::string_view line, char separator, int first, int last)
{
    std::size_t begin = 0;
    for (int k = 0; k < first; ++k) {
        const std::size_t p = line.find(separator, begin);
        if (p == std::string_view::npos) return {};
        begin = p + 1;
    }
    std::size_t end = begin;
    for (int k = first; k <= last; ++k) {
        const std::size_t p = line.find(separator, end);
        if (p == std::string_view::npos) {
            end = line.size();
            break;
        }
        end = k == last ? p : p + 1;
    }
    return line.substr(begin, end - begin);
}

namespace {

[[noreturn]] void NotANumber(std::string_view field)
{
    throw platform::Error("'" + platform::QuotedValue(field) + "' は正しい数値ではありません。");
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

} // namespace

double RecordReal(std::string_view field)
{
    double v = 0;
    if (!platform::TryParseReal(field, v)) NotANumber(field);
    return v;
}

std::int32_t RecordInt(std::string_view field)
{
    long long i = 0;
    if (platform::TryParseInt(field, i)) {
        if (i < std::numeric_limits<std::int32_t>::min() || i > std::numeric_limits<std::int32_t>::max()) NotANumber(field);
        return static_cast<std::int32_t>(i);
    }
    const double v = std::trunc(RecordReal(field));
    if (!(v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())) NotANumber(field);
    return static_cast<std::int32_t>(v);
}

std::uint8_t RecordBool(std::string_view field)
{
    if (EqualNoCase(field, "true")) return 1;
    if (EqualNoCase(field, "false")) return 0;
    double v = 0;
    if (!platform::TryParseReal(field, v)) throw platform::Error("'" + platform::QuotedValue(field) + "' は正しい真偽値ではありません。");
    return v != 0.0 ? 1 : 0;
}

std::int32_t RecordColor(std::string_view field)
{
    std::int32_t color = 0;
    if (!TryParseColorText(std::string(field), color))
        throw platform::Error("'" + platform::QuotedValue(RecordText(field)) + "' は正しい色ではありません。");
    return color;
}

std::string RecordText(std::string_view cp932) { return platform::Cp932ToUtf8(cp932); }

std::string SeparatorFreeText(std::string_view utf8, char separator)
{
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (c == '\r' || c == '\n') {
            out.push_back(' ');
        } else if (c == separator && c > 0x20 && c < 0x7F) {
            // The full-width forms U+FF01..U+FF5E follow ASCII "!".."~".
            const unsigned code = 0xFF01u + static_cast<unsigned>(c - 0x21);
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void AppendIntField(std::string& line, char separator, long long value)
{
    line.push_back(separator);
    platform::AppendInt(line, value);
}

void AppendRealField(std::string& line, char separator, double value)
{
    line.push_back(separator);
    platform::AppendExactReal(line, value);
}

void AppendBoolField(std::string& line, char separator, bool value)
{
    line.push_back(separator);
    line += value ? "-1" : "0";
}

void AppendColorField(std::string& line, char separator, std::int32_t color)
{
    line.push_back(separator);
    line += ColorText(color);
}

void AppendTextField(std::string& line, char separator, std::string_view utf8)
{
    line.push_back(separator);
    line += platform::Utf8ToCp932(platform::Cp932Readable(SeparatorFreeText(utf8, separator)));
}

} // namespace core
