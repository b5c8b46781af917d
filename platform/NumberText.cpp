#include "platform/NumberText.h"

#include "platform/Error.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of s that has the form
// [sign] digits [. digits] [(E|e) [sign] digits], with at least one mantissa digit.
std::size_t NumberPrefixLength(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) { ++i; ++digits; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && IsDigit(s[j])) { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    return i;
}

// Converts a text already known to match the number grammar.
bool ConvertChecked(std::string_view s, double& out)
{
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    // from_chars does not take a leading "+" after "-" either; the grammar
    // allows one sign only, so this is complete.
    double v = 0.0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow is not a number we can store; underflow reads as 0.
        bool negative = !s.empty() && s.front() == '-';
        // from_chars leaves v untouched on range errors: tell the two apart by the exponent.
        std::size_t e = s.find_first_of("Ee");
        long exp10 = 0;
        if (e != std::string_view::npos) exp10 = std::strtol(std::string(s.substr(e + 1)).c_str(), nullptr, 10);
        if (exp10 < 0) { out = negative ? -0.0 : 0.0; return true; }
        return false;
    }
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
    if (!std::isfinite(v)) return false;
    out = v;
    return true;
}

} // namespace

std::string FormatInt(long long value)
{
    std::string out;
    AppendInt(out, value);
    return out;
}

void AppendInt(std::string& out, long long value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

std::string FormatReal(double value)
{
    std::string out;
    AppendReal(out, value);
    return out;
}

namespace {

void AppendRealDigits(std::string& out, double value, bool exact)
{
    if (!std::isfinite(value)) throw Error("数値を文字に変換できません。");
    if (value == 0.0) {
        out.push_back('0');
        return;
    }

    // The shortest text that reads back as the same double is already the
    // 15-digit rounding whenever it has 15 digits or fewer (a double's
    // spacing is far below half a unit of the 15th digit); only longer ones
    // are rounded to fifteen, once, with the exponent after rounding.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const bool negative = sci.front() == '-';
    if (negative) sci.remove_prefix(1);
    std::size_t ePos = sci.find('e');
    char digits[32];
    std::size_t n = 0;
    for (char c : sci.substr(0, ePos))
        if (IsDigit(c)) digits[n++] = c;
    if (n > 15 && !exact) {
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
        sci = std::string_view(buf, static_cast<std::size_t>(res.ptr - buf));
        if (negative) sci.remove_prefix(1);
        ePos = sci.find('e');
        n = 0;
        for (char c : sci.substr(0, ePos))
            if (IsDigit(c)) digits[n++] = c;
    }
    int exp10 = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exp10);
    while (n > 1 && digits[n - 1] == '0') --n;

    if (negative) out.push_back('-');
    if (exp10 < -4 || exp10 >= 15) {
        out.push_back(digits[0]);
        if (n > 1) {
            out.push_back('.');
            out.append(digits + 1, n - 1);
        }
        out.push_back('E');
        AppendInt(out, exp10);
    } else if (exp10 < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exp10 - 1), '0');
        out.append(digits, n);
    } else {
        const std::size_t intLen = static_cast<std::size_t>(exp10) + 1;
        if (n <= intLen) {
            out.append(digits, n);
            out.append(intLen - n, '0');
        } else {
            out.append(digits, intLen);
            out.push_back('.');
            out.append(digits + intLen, n - intLen);
        }
    }
}

} // namespace

void AppendReal(std::string& out, double value) { AppendRealDigits(out, value, false); }

void AppendExactReal(std::string& out, double value) { AppendRealDigits(out, value, true); }

bool TryParseReal(std::string_view text, double& out)
{
    std::string_view s = Trim(text);
    if (s.empty()) { out = 0.0; return true; }
    if (NumberPrefixLength(s) != s.size()) return false;
    return ConvertChecked(s, out);
}

double ParseReal(std::string_view text)
{
    double v = 0.0;
    if (!TryParseReal(text, v))
        throw Error("'" + QuotedValue(text) + "' は正しい数値ではありません。");
    return v;
}

double ParseRealOr(std::string_view text, double fallback)
{
    double v = 0.0;
    return TryParseReal(text, v) ? v : fallback;
}

bool TryParseInt(std::string_view text, long long& out)
{
    std::string_view s = Trim(text);
    if (s.empty()) { out = 0; return true; }
    const bool plus = s.front() == '+';
    if (plus) s.remove_prefix(1);
    if (s.empty() || (plus && s.front() == '-')) return false;  // one sign at most
    long long v = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

long long ParseInt(std::string_view text)
{
    long long v = 0;
    if (!TryParseInt(text, v))
        throw Error("'" + QuotedValue(text) + "' は正しい整数ではありません。");
    return v;
}

long long ParseIntOr(std::string_view text, long long fallback)
{
    long long v = 0;
    return TryParseInt(text, v) ? v : fallback;
}

double ParseRealPrefix(std::string_view text, std::size_t* used)
{
    std::size_t lead = 0;
    while (lead < text.size() && (text[lead] == ' ' || text[lead] == '\t')) ++lead;
    std::string_view s = text.substr(lead);
    std::size_t n = NumberPrefixLength(s);
    double v = 0.0;
    if (n == 0 || !ConvertChecked(s.substr(0, n), v)) {
        if (used) *used = 0;
        return 0.0;
    }
    if (used) *used = lead + n;
    return v;
}

} // namespace platform
