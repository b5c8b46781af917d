#include "core/TextHelpers.h"

#include "platform/Error.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace core {

namespace fs = std::filesystem;

bool PathExists(const std::string& name)
{
    if (name.empty()) return false;
    std::error_code ec;
    return fs::exists(fs::path(name), ec) && !ec;
}

MyRect OffsetRect4(const MyRect& r, int dLeft, int dTop, int dRight, int dBottom)
{
    return {r.Left + dLeft, r.Top + dTop, r.Right + dRight, r.Bottom + dBottom};
}

namespace {

// Hidden entries (a leading ".") are not offered, as hidden folders were not.
bool Hidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

} // namespace

int ListSubFolders(const std::string& folder, MyStringArray& names)
{
    names.clear();
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!it->is_directory(ec2) || ec2) continue;
        std::string name = it->path().filename().string();
        if (Hidden(name)) continue;
        names.push_back(name);
    }
    // The file system gives no order; lists read better sorted.
    std::sort(names.begin(), names.end());
    return static_cast<int>(names.size());
}

int ListFiles(const std::string& folder, MyStringArray& names)
{
    names.clear();
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (it->is_directory(ec2)) continue;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return static_cast<int>(names.size());
}

int SplitText(std::string_view text, char separator, MyTextArray& fields)
{
    fields.clear();
    if (text.empty()) return 0;
    std::string current;
    auto walk = [&](char c) {
        if (c == '"') return;
        if (c == separator) {
            fields.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    };
    for (char c : text) walk(c);
    walk(separator);
    return static_cast<int>(fields.size());
}

int SplitCollapse(std::string_view text, char separator, MyTextArray& fields)
{
    fields.clear();
    if (text.empty()) return 0;
    std::string current;
    bool hasPrevious = false;
    char previous = 0;
    auto walk = [&](char c) {
        if (c == '"') return;
        if (c == separator && hasPrevious && previous == separator) return;
        if (c == separator) {
            fields.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
        previous = c;
        hasPrevious = true;
    };
    for (char c : text) walk(c);
    if (text.back() != separator) walk(separator);
    return static_cast<int>(fields.size());
}

std::string StripQuotes(const std::string& text)
{
    if (text.size() < 2) return text;
    if (text == "\"\"") return {};
    std::string s = text;
    if (s.front() == '"') s.erase(0, 1);
    if (!s.empty() && s.back() == '"') s.pop_back();
    return s;
}

double LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    if (!text.empty() && text[0] == '(') i = 1;
    std::size_t start = i;
    while (i < text.size() && ((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) ++i;
    // Taken text that is no number ("1.2.3", ".") reads 0, like no digits at all.
    return platform::ParseRealOr(text.substr(start, i - start), 0.0);
}

void SplitTrailingNumber(std::string_view text, std::string& prefix, long long& number)
{
    prefix.clear();
    std::string digits;
    std::size_t i = text.size();
    while (i > 0 && digits.size() < 8 && text[i - 1] >= '0' && text[i - 1] <= '9') {
        digits.insert(digits.begin(), text[i - 1]);
        --i;
    }
    prefix.assign(text.substr(0, i));
    number = digits.empty() ? 0 : platform::ParseInt(digits);
}

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

} // namespace

void ExtractBetween(std::string_view text, std::string_view start, std::string_view end, std::string& result)
{
    result.clear();
    std::size_t from = 0;
    if (!start.empty()) {
        std::size_t s = text.find(start);
        from = s == std::string_view::npos ? std::string_view::npos : s + start.size();
    }
    std::size_t stop = end.empty() ? std::string_view::npos : text.find(end);
    if (stop == std::string_view::npos) stop = text.size();
    // Collecting begins after start, and the walk ends at the first end,
    // wherever that is: an end before the start leaves nothing.
    if (from == std::string_view::npos || from > stop) return;
    std::string_view v = text.substr(from, stop - from);
    while (!v.empty() && IsTrimmed(v.front())) v.remove_prefix(1);
    while (!v.empty() && IsTrimmed(v.back())) v.remove_suffix(1);
    result.assign(v);
}

double RoundTo(int n, double x)
{
    // Only a value that overflowed (an inch size near the largest double
    // made millimetres) is not finite: it is out of range like any other.
    if (!std::isfinite(x)) {
        const std::string_view text = DataRangeErrorText;
        throw platform::Error(std::string(text.substr(0, text.find('\n'))));
    }
    n = std::clamp(n, 0, 5);
    static const double scale[] = {1, 10, 100, 1000, 10000, 100000};
    static const double step[] = {1, 0.1, 0.01, 0.001, 0.0001, 0.00001};
    const double magnitude = std::fabs(x) * scale[n];
    // Beyond 2^52 a double has no fraction left at this scale: nothing to round.
    if (magnitude >= 4503599627370496.0) return x;
    const double scaled = (x + 0.5 * step[n]) * scale[n];
    double f = std::floor(scaled);
    // A decimal half such as 1.005 is 1.00499999... in binary and lands a few
    // units of the last place below the next whole number: take it upwards.
    // The allowance is a few rounding errors of the operands, nothing more.
    const double allowance = 8.0 * std::numeric_limits<double>::epsilon() * std::max(magnitude, std::fabs(scaled));
    if (scaled - f >= 1.0 - allowance) f += 1.0;
    // Dividing by the exact power of ten gives the double nearest the decimal;
    // multiplying by the inexact step could miss it by a unit of the last place.
    return f / scale[n];
}

std::string RoundToText(int n, double x) { return platform::FormatReal(RoundTo(n, x)); }

namespace {

bool IsValueChar(char c) { return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'); }

bool IsWordLetter(char c)
{
    switch (c) {
    case 'C': case 'D': case 'G': case 'I': case 'J': case 'M': case 'T': case 'X': case 'Y':
        return true;
    default:
        return false;
    }
}

} // namespace

bool SplitBlock(std::string_view block, MyCode& code)
{
    code = MyCode{};
    if (block.size() < 2) return false;
    bool found = false;
    char letter = 0;
    bool taking = false;
    std::string value;

    auto store = [&]() {
        if (letter == 0) return;
        switch (letter) {
        case 'X': code.X = value; break;
        case 'Y': code.Y = value; break;
        case 'I': code.I = value; break;
        case 'J': code.J = value; break;
        default: break;
        }
        std::string v = value.size() == 1 ? "0" + value : value;
        switch (letter) {
        case 'C': code.C = v; break;
        case 'D': code.D = v; break;
        case 'G': code.G = v; break;
        case 'M': code.M = v; break;
        case 'T': code.T = v; break;
        default: break;
        }
        found = true;
    };

    for (std::size_t i = 0; i < block.size(); ++i) {
        char c = block[i];
        if (taking && IsValueChar(c)) {
            value.push_back(c);
            if (i + 1 == block.size()) {
                store();
                taking = false;
                letter = 0;
                value.clear();
            }
            continue;
        }
        if (taking) store();
        taking = false;
        letter = 0;
        value.clear();
        if (IsWordLetter(c)) {
            letter = c;
            taking = true;
        }
    }
    return found;
}

double ParseCoordinate(std::string_view text, int zeroMode, int intDigits, int decDigits, int units)
{
    if (text.empty()) return 0.0;
    std::string t(text);
    if (t == "-") t = "0";
    bool explicitPoint = t.find('.') != std::string::npos;
    bool negative = false;
    if (t.size() > 1 && t[0] == '-') {
        negative = true;
        t.erase(0, 1);
    } else if (!t.empty() && t[0] == '+') {
        t.erase(0, 1);
    }
    if (!explicitPoint) {
        // Digit counts come from settings; keep them sane.
        intDigits = std::clamp(intDigits, 0, 20);
        decDigits = std::clamp(decDigits, 0, 20);
        if (zeroMode == 0) {
            if (t != "0") {
                while (static_cast<int>(t.size()) < decDigits) t.insert(t.begin(), '0');
                t.insert(t.size() - static_cast<std::size_t>(decDigits), ".");
            }
        } else if (zeroMode == 1) {
            if (t != "0") {
                while (static_cast<int>(t.size()) < intDigits) t.push_back('0');
                t.insert(static_cast<std::size_t>(intDigits), ".");
            }
        }
    }
    if (negative) t.insert(t.begin(), '-');
    if (t == "." || t == "-.") throw platform::Error("座標値 '" + platform::QuotedValue(text) + "' を読めません。");
    double v = platform::ParseReal(t);
    if (units == 0) return v;
    if (units == 1) return v * 25.4;
    return 0.0;
}

std::int64_t TextOrderKey(std::int64_t number)
{
    // The digits padded to ten on the right, then the length: a text before
    // the longer ones it begins.
    int digits = 1;
    std::int64_t scale = 1'000'000'000;
    for (std::int64_t v = number; v >= 10; v /= 10) ++digits, scale /= 10;
    return number * scale * 16 + digits;
}

} // namespace core
