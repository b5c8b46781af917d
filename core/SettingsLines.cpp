#include "core/SettingsLines.h"

#include "platform/Error.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <cmath>
#include <filesystem>
#include <limits>

namespace core {

namespace {

SettingsLine DecodeSettingsLine(std::string_view bytes)
{
    SettingsLine line;
    std::string raw;
    raw.reserve(bytes.size());
    for (char c : bytes)
        if (c != '\r') raw.push_back(c);
    if (!platform::TryCp932ToUtf8(raw, line.text)) {
        line.decoded = false;
        line.text.clear();
        for (char c : raw) line.text.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    }
    return line;
}

} // namespace

std::vector<SettingsLine> DecodeSettingsLines(std::string_view bytes)
{
    std::vector<SettingsLine> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            lines.push_back(DecodeSettingsLine(bytes.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (start < bytes.size()) lines.push_back(DecodeSettingsLine(bytes.substr(start)));
    return lines;
}

std::vector<SettingsLine> ReadSettingsLines(const std::string& path)
{
    // Line by line, so that a line longer than any settings file holds ends
    // the read, naming the file, before it is gathered whole.
    platform::LineReader reader{std::filesystem::path(path)};
    std::vector<SettingsLine> lines;
    std::string_view raw;
    try {
        while (reader.Next(raw)) lines.push_back(DecodeSettingsLine(raw));
    } catch (const platform::Error& e) {
        throw platform::Error("ファイル「" + std::filesystem::path(path).filename().string() + "」を読み込めません。\n\r" +
                              e.what());
    }
    return lines;
}

bool SettingsFileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return std::string(s);
}

std::int32_t SaturatedTrunc(double value)
{
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value)) return 0;
    if (value <= lo) return std::numeric_limits<std::int32_t>::min();
    if (value >= hi) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(value));
}

} // namespace core
