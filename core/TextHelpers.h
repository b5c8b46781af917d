#pragma once
// Small text, number and block helpers shared by the readers, writers,
// dialogs and drawing code.
#include "core/Datas.h"

#include <string>
#include <string_view>

namespace core {

struct MyRect { int Left = 0, Top = 0, Right = 0, Bottom = 0; };

bool PathExists(const std::string& name);
MyRect OffsetRect4(const MyRect& r, int dLeft, int dTop, int dRight, int dBottom);
int ListSubFolders(const std::string& folder, MyStringArray& names);
int ListFiles(const std::string& folder, MyStringArray& names);

// Fields at a separator, runs of the separator counting once; quotes dropped.
int SplitCollapse(std::string_view text, char separator, MyTextArray& fields);
// Fields at a separator, empty fields kept; quotes dropped.
int SplitText(std::string_view text, char separator, MyTextArray& fields);
std::string StripQuotes(const std::string& text);
// The number formed by the leading digits and points ("(" first skipped).
double LeadingNumber(std::string_view text);
// "D10" -> prefix "D", number 10 (at most 8 trailing digits).
void SplitTrailingNumber(std::string_view text, std::string& prefix, long long& number);
// The trimmed text between `start` (empty: from the beginning) and `end`.
void ExtractBetween(std::string_view text, std::string_view start, std::string_view end, std::string& result);

// Rounds half up to n decimals (n < 1: whole numbers, n > 5: as 5).
// Computed in doubles, so large values do not overflow; non-finite input
// throws platform::Error.
double RoundTo(int n, double x);
// The rounded number as text ("." always).
std::string RoundToText(int n, double x);

// A sort key that orders non-negative numbers (below 10^10) as their
// decimal texts are ordered: "10" before "9", "1" before "10".
std::int64_t TextOrderKey(std::int64_t number);

// Splits one block into its C, D, G, I, J, M, T, X and Y words; false when
// no word was found.
bool SplitBlock(std::string_view block, MyCode& code);

// A coordinate text converted by the input format: zero mode 0 (leading
// zeros omitted) or 1 (trailing), digit counts, units 0 mm or 1 inch.
// Returns mm. A text that is not a number throws platform::Error.
double ParseCoordinate(std::string_view text, int zeroMode, int intDigits, int decDigits, int units);

} // namespace core
