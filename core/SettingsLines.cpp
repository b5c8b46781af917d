#include "core/SettingsLines.h"

#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <cmath>
#include <filesystem>
#include <limits>

namespace core {

std::vector<SettingsLine> DecodeSettingsLines(std::string_view bytes)
{
    std::vector<SettingsLine> lines;
    std::size_t start = 0;
    auto take = [&](std::size_t end) {
        std::string raw;
        raw.reserve(end - start);
        for (std::size_t i = start; i < end; ++i)
            if (bytes[i] != '\r') raw.push_back(bytes[i]);
        SettingsLine line;
        if (!platform::TryCp932ToUtf8(raw, line.text)) {
            line.decoded = false;
            line.text.clear();
            for (char c : raw) line.text.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        }
        lines.push_back(std::move(line));
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            take(i);
            start = i + 1;
        }
    }
    if (start < bytes.size()) take(bytes.size());
    return lines;
}

std::vector<SettingsLine> ReadSettingsLines(const std::string& path)
{
    return DecodeSettingsLines(platform::ReadFileBytes(path));
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
