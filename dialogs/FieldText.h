#pragma once
// Texts typed into the dialogs' fields: what may be stored, how numbers are
// read from them and shown again. Every field value ends up in a settings or
// project file, whose separators, comment marks and code page it must not
// break; numbers are read and shown with "." whatever the locale.
#include <string>
#include <string_view>

namespace dialogs {

enum class FieldKind {
    Text,     // names, comments, remarks
    Number,   // lengths, counts, diameters
};

// The text as it may be stored: without control characters, without "/",
// ",", '"' and "#" (the separators and comment mark of the settings files)
// and without characters Shift-JIS cannot hold. In number fields a ","
// is taken for the decimal point, and full-width digits, point and minus
// (typed with the input method on) become their ASCII forms.
std::string CleanFieldText(std::string_view text, FieldKind kind);

// The number of a typed text: the longest number it starts with ("1.2.3"
// reads 1.2, an empty text 0). False when it starts with no number or with
// one beyond the range of doubles ("abc", "nan", "inf", "1e400"): then
// nothing is stored.
bool ParseFieldNumber(std::string_view text, double& value);

// A stored number as shown in a value cell: "." as the decimal point, at
// most 15 significant digits.
std::string NumberCaption(double value);

} // namespace dialogs
