#pragma once
// Lines of the settings files the program keeps and the ones it finds beside
// data: CP932 text, CR LF or LF. A line whose bytes are not CP932 is kept with
// those bytes replaced by "?" and marked, so that one bad line does not cost
// the whole file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct SettingsLine {
    std::string text;
    bool decoded = true;
};

std::vector<SettingsLine> DecodeSettingsLines(std::string_view bytes);
// Throws platform::Error when the file cannot be read.
std::vector<SettingsLine> ReadSettingsLines(const std::string& path);

// True for an existing regular file.
bool SettingsFileExists(const std::string& path);

// The text without the blanks and control characters around it.
std::string Trimmed(std::string_view text);

// A real truncated toward zero, saturated to the 32-bit range.
std::int32_t SaturatedTrunc(double value);

} // namespace core
