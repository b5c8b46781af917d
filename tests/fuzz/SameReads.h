#pragma once
// What the fuzz targets of the readers compare: the same input read whole
// from memory and read from a file in tiny pieces must leave the same tables.
// Each read's result and tables are written out as text, a line an item; a
// difference is a fault: its first line is printed and the target aborts.
#include "core/ChunkSource.h"
#include "core/Datas.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unistd.h>

namespace fuzzsupport {

template <class T>
void Put(std::string& out, const T& v)
{
    if constexpr (std::is_floating_point_v<T>) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", v);
        out += text;
    } else if constexpr (std::is_integral_v<T>) {
        out += std::to_string(v);
    } else {
        out += '"' + std::string(v) + '"';
    }
    out += ' ';
}

// One line: what it is, then its fields.
template <class... T>
void Line(std::string& out, const char* what, const T&... fields)
{
    out += what;
    out += ' ';
    (Put(out, fields), ...);
    out += '\n';
}

// A read, its clean failure (platform::Error) included, and what it returned.
inline void Read(std::string& out, const std::function<bool(core::MyDataValue&)>& read)
{
    core::MyDataValue v;
    bool ok = false;
    std::string error;
    try {
        ok = read(v);
    } catch (const platform::Error& e) {
        error = e.what();
    }
    Line(out, "read", ok, error, v.Count, v.MinX, v.MaxX, v.MinY, v.MaxY);
}

inline void Elements(std::string& out)
{
    for (std::int32_t i = 0; i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        Line(out, "element", e.Layer, e.Group, e.Kind, e.Code, e.Clear, e.X1, e.Y1, e.X2, e.Y2, e.X3, e.Y3, e.X4, e.Y4);
    }
}

// Aborts, naming the first line that differs.
inline void Compare(const char* reader, const std::string& whole, const std::string& pieces)
{
    if (whole == pieces) return;
    std::size_t at = 0;
    while (at < whole.size() && at < pieces.size() && whole[at] == pieces[at]) ++at;
    const std::size_t start = whole.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    auto line = [from](const std::string& s) { return s.substr(from, s.find('\n', from) - from); };
    std::fprintf(stderr, "%s: read whole and read in pieces differ\nwhole:     %s\nin pieces: %s\n", reader,
                 line(whole).c_str(), line(pieces).c_str());
    std::abort();
}

// A piece size of 1 to 17 bytes, and other choices, from the input without
// taking bytes from it: the seeds stay real files.
inline std::uint32_t InputHash(std::string_view bytes)
{
    std::uint32_t h = 2166136261u;
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

// A folder of this process, removed when it ends: under TESSEL2_HOME, the
// folder of the run, when set.
inline const std::filesystem::path& FuzzFolder()
{
    static const std::filesystem::path folder = [] {
        const char* home = std::getenv("TESSEL2_HOME");
        const std::filesystem::path base = home && *home ? std::filesystem::path(home) : std::filesystem::temp_directory_path();
        const auto f = base / ("tessel2-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(FuzzFolder(), ec);
        });
        return f;
    }();
    return folder;
}

} // namespace fuzzsupport
