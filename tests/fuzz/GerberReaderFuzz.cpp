// libFuzzer target: any bytes through kind detection and the Gerber reader,
// twice, as two layers of one job (the second meets the first one's
// apertures), once read whole from memory and once from a file in pieces of
// 1 to 17 bytes: both must leave the same elements, apertures, macros,
// reports, extents and errors.
#include "SameReads.h"

#include "core/GerberReader.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace {

// The macro files that reads before left in the work folder: a job's
// apertures may name a macro before (or without) defining it, and would
// then find the one an earlier input wrote.
void RemoveMacroFiles()
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(fuzzsupport::FuzzFolder(), ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".mac") std::filesystem::remove(it->path(), ec);
}

// What the two reads of one job leave, as text.
std::string ReadJob(const std::function<bool(core::MyDataValue&, int)>& read)
{
    RemoveMacroFiles();
    core::ResetTables();
    core::GerberFormat = core::MyFormatPara{};
    std::string out;
    for (int layer = 1; layer <= 2; ++layer) fuzzsupport::Read(out, [&](core::MyDataValue& v) { return read(v, layer); });
    fuzzsupport::Elements(out);
    for (int d = 0; d <= core::MaxApertureCode; ++d) {
        const core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
        if (a.Shape != core::apNone || a.Used != 0)
            fuzzsupport::Line(out, "aperture", d, a.Used, a.Shape, a.Size1, a.Size2, a.Size3, a.MacroName, a.MacroParams,
                              a.FirstPrimitive, a.LastPrimitive);
    }
    for (std::int32_t i = 1; i <= core::MacroCount && i < static_cast<std::int32_t>(core::Macros.size()); ++i) {
        const core::MyMacro& m = core::Macros[static_cast<std::size_t>(i)];
        fuzzsupport::Line(out, "macro", m.DCode, m.Name, m.Text, m.AdText);
    }
    for (std::int32_t i = 0; i < core::ReportCount && i < static_cast<std::int32_t>(core::ReportLines.size()); ++i)
        fuzzsupport::Line(out, "report", core::ReportLines[static_cast<std::size_t>(i)]);
    const core::MyFormatPara& f = core::GerberFormat;
    fuzzsupport::Line(out, "counts", core::MacroCount, core::GroupCounter, core::MaxDCode);
    fuzzsupport::Line(out, "format", f.FormatName, f.IntDigits, f.DecDigits, f.AbsInc, f.Zero, f.Units, f.CircleMode, f.OffsetX,
                      f.OffsetY, f.SrX, f.SrY, f.SrI, f.SrJ, f.LpClear, f.LayerName);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    core::DataFolder = fuzzsupport::FuzzFolder().string();
    // Enough for any real test input, small enough for the fuzzer's memory limit.
    core::MaxElementCount = 1'000'000;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)core::DetectFileKindOfBytes(bytes);
    core::Gauge gauge;

    core::ReadChunkBytes = size + 1;
    const std::string whole = ReadJob([&](core::MyDataValue& v, int layer) { return core::ReadGerberData(gauge, bytes, layer, v); });
    if (core::MacroCount > 0) core::ParseMacroParams();
    (void)core::MarkUsedApertures(core::Apertures);

    const std::filesystem::path file = fuzzsupport::FuzzFolder() / "input.gbr";
    platform::WriteFileBytes(file, bytes);
    core::ReadChunkBytes = 1 + fuzzsupport::InputHash(bytes) % 17;
    fuzzsupport::Compare("Gerber reader", whole,
                         ReadJob([&](core::MyDataValue& v, int layer) { return core::ReadGerberFile(gauge, file.string(), layer, v); }));
    core::ReadChunkBytes = 64 * 1024;
    return 0;
}
