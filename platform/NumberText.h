#pragma once
// Numbers as text, independent of the process locale: "." is always the
// decimal point, on reading and on writing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Shortest text of at most 15 significant digits; "1E-5" form when the
// decimal exponent is below -4 or at least 15; "0" for -0. Non-finite values
// have no text in any file of ours and throw Error.
std::string FormatReal(double value);
// The same text appended to `out`, without a temporary string: for writers of
// millions of numbers.
void AppendReal(std::string& out, double value);
// As AppendReal, but with as many digits (up to 17) as it takes to read back
// as the same double: the same text wherever fifteen digits do. For files
// that must give back exactly what was written.
void AppendExactReal(std::string& out, double value);

// Decimal integer, "-" for negatives.
std::string FormatInt(long long value);
void AppendInt(std::string& out, long long value);

// Booleans as stored in settings and project files.
inline std::string FormatBool(bool value) { return value ? "-1" : "0"; }

// Whole-text parse of a real: blanks around the text are ignored, an empty
// text reads 0, an optional sign, digits with an optional "." and an optional
// exponent ("E" or "e"). No inf, nan, hex or thousands separators.
bool TryParseReal(std::string_view text, double& out);

// As TryParseReal; a text that is not a number throws Error (the conversion
// error that ends a read).
double ParseReal(std::string_view text);

// As TryParseReal; a text that is not a number gives `fallback`.
double ParseRealOr(std::string_view text, double fallback);

// Whole-text parse of a decimal integer (optional sign); empty reads 0.
bool TryParseInt(std::string_view text, long long& out);
long long ParseInt(std::string_view text);   // throws Error
long long ParseIntOr(std::string_view text, long long fallback);

// Prefix parse: the longest leading number of the text (after leading
// blanks), 0 when there is none. `used` receives the number of characters
// taken, blanks included (0 when nothing was a number).
double ParseRealPrefix(std::string_view text, std::size_t* used = nullptr);

} // namespace platform
