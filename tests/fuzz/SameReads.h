#pragma once
// What the fuzz targets of the readers compare: the same input read whole
// from memory and read from a file in tiny pieces must leave the same tables.
// A difference is a fault: it is printed and the target aborts.
#include "core/ChunkSource.h"
#include "core/Datas.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fuzzsupport {

// What one read left besides the tables: its result and its error.
struct ReadResult {
    bool ok = false;
    std::string error;   // empty: none
    core::MyDataValue value;
};

// Runs a read, catching the clean failure of platform::Error.
inline ReadResult Run(const std::function<bool(core::MyDataValue&)>& read)
{
    ReadResult r;
    try {
        r.ok = read(r.value);
    } catch (const platform::Error& e) {
        r.error = e.what();
    }
    return r;
}

// Compares field by field, naming the first field that differs.
class Comparison {
public:
    explicit Comparison(const char* what) : what_(what) {}

    template <class T>
    void Same(const char* field, long long index, const T& whole, const T& pieces)
    {
        if (whole == pieces) return;
        Fail(field, index);
    }
    void Same(const char* field, long long index, double whole, double pieces)
    {
        if (whole == pieces || (std::isnan(whole) && std::isnan(pieces))) return;
        std::fprintf(stderr, "whole %.17g, in pieces %.17g\n", whole, pieces);
        Fail(field, index);
    }

    void Results(const ReadResult& a, const ReadResult& b)
    {
        Same("ok", -1, a.ok, b.ok);
        if (a.error != b.error) std::fprintf(stderr, "whole: %s\nin pieces: %s\n", a.error.c_str(), b.error.c_str());
        Same("error", -1, a.error, b.error);
        Same("Count", -1, a.value.Count, b.value.Count);
        Same("MinX", -1, a.value.MinX, b.value.MinX);
        Same("MaxX", -1, a.value.MaxX, b.value.MaxX);
        Same("MinY", -1, a.value.MinY, b.value.MinY);
        Same("MaxY", -1, a.value.MaxY, b.value.MaxY);
    }

    void Elements(const std::vector<core::DataElement>& a, const std::vector<core::DataElement>& b)
    {
        Same("DataCount", -1, a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            const core::DataElement &x = a[i], &y = b[i];
            const auto k = static_cast<long long>(i);
            Same("Layer", k, x.Layer, y.Layer);
            Same("Group", k, x.Group, y.Group);
            Same("Kind", k, x.Kind, y.Kind);
            Same("Code", k, x.Code, y.Code);
            Same("Clear", k, x.Clear, y.Clear);
            Same("X1", k, x.X1, y.X1);
            Same("Y1", k, x.Y1, y.Y1);
            Same("X2", k, x.X2, y.X2);
            Same("Y2", k, x.Y2, y.Y2);
            Same("X3", k, x.X3, y.X3);
            Same("Y3", k, x.Y3, y.Y3);
            Same("X4", k, x.X4, y.X4);
            Same("Y4", k, x.Y4, y.Y4);
        }
    }

private:
    [[noreturn]] void Fail(const char* field, long long index)
    {
        std::fprintf(stderr, "%s: read whole and read in pieces differ in %s", what_, field);
        if (index >= 0) std::fprintf(stderr, " [%lld]", index);
        std::fprintf(stderr, "\n");
        std::abort();
    }

    const char* what_;
};

inline std::vector<core::DataElement> Elements()
{
    std::vector<core::DataElement> out;
    for (std::int32_t i = 0; i < core::DataCount; ++i) out.push_back(core::Datas[static_cast<std::size_t>(i)]);
    return out;
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
