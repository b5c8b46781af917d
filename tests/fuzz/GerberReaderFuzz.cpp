// libFuzzer target: any bytes through kind detection and the Gerber reader,
// twice, as two layers of one job (the second meets the first one's
// apertures), once read whole from memory and once from a file in pieces of
// 1 to 17 bytes: both must leave the same elements, apertures, macros,
// reports, extents and errors.
#include "SameReads.h"

#include "core/GerberReader.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct JobRead {
    fuzzsupport::ReadResult layers[2];
    std::vector<core::DataElement> elements;
    std::array<core::MyAperture, core::MaxApertureCode + 1> apertures;
    std::vector<core::MyMacro> macros;
    std::vector<std::string> reports;
    std::int32_t groupCounter = 0, maxDCode = 0, macroCount = 0;
    core::MyFormatPara format;
};

JobRead ReadJob(const std::function<bool(core::MyDataValue&, int)>& read)
{
    core::ResetTables();
    core::GerberFormat = core::MyFormatPara{};
    JobRead job;
    for (int layer = 1; layer <= 2; ++layer)
        job.layers[layer - 1] = fuzzsupport::Run([&](core::MyDataValue& v) { return read(v, layer); });
    job.elements = fuzzsupport::Elements();
    job.apertures = core::Apertures;
    job.macroCount = core::MacroCount;
    job.macros.assign(core::Macros.begin(), core::Macros.begin() + std::min<std::size_t>(core::Macros.size(), core::MacroCount + 1));
    job.reports.assign(core::ReportLines.begin(), core::ReportLines.begin() + std::min<std::size_t>(core::ReportLines.size(), core::ReportCount));
    job.groupCounter = core::GroupCounter;
    job.maxDCode = core::MaxDCode;
    job.format = core::GerberFormat;
    return job;
}

void Compare(const JobRead& a, const JobRead& b)
{
    fuzzsupport::Comparison same("Gerber reader");
    for (int k = 0; k < 2; ++k) same.Results(a.layers[k], b.layers[k]);
    same.Elements(a.elements, b.elements);
    for (int d = 0; d <= core::MaxApertureCode; ++d) {
        const core::MyAperture &x = a.apertures[static_cast<std::size_t>(d)], &y = b.apertures[static_cast<std::size_t>(d)];
        same.Same("Apertures.Used", d, x.Used, y.Used);
        same.Same("Apertures.Shape", d, x.Shape, y.Shape);
        same.Same("Apertures.Size1", d, x.Size1, y.Size1);
        same.Same("Apertures.Size2", d, x.Size2, y.Size2);
        same.Same("Apertures.Size3", d, x.Size3, y.Size3);
        same.Same("Apertures.MacroName", d, x.MacroName, y.MacroName);
        same.Same("Apertures.MacroParams", d, x.MacroParams, y.MacroParams);
        same.Same("Apertures.FirstPrimitive", d, x.FirstPrimitive, y.FirstPrimitive);
        same.Same("Apertures.LastPrimitive", d, x.LastPrimitive, y.LastPrimitive);
    }
    same.Same("MacroCount", -1, a.macroCount, b.macroCount);
    same.Same("Macros", -1, a.macros.size(), b.macros.size());
    for (std::size_t i = 0; i < a.macros.size(); ++i) {
        const auto k = static_cast<long long>(i);
        same.Same("Macros.DCode", k, a.macros[i].DCode, b.macros[i].DCode);
        same.Same("Macros.Name", k, a.macros[i].Name, b.macros[i].Name);
        same.Same("Macros.Text", k, a.macros[i].Text, b.macros[i].Text);
        same.Same("Macros.AdText", k, a.macros[i].AdText, b.macros[i].AdText);
    }
    same.Same("ReportLines", -1, a.reports, b.reports);
    same.Same("GroupCounter", -1, a.groupCounter, b.groupCounter);
    same.Same("MaxDCode", -1, a.maxDCode, b.maxDCode);
    const core::MyFormatPara &f = a.format, &g = b.format;
    same.Same("GerberFormat.FormatName", -1, f.FormatName, g.FormatName);
    same.Same("GerberFormat.IntDigits", -1, f.IntDigits, g.IntDigits);
    same.Same("GerberFormat.DecDigits", -1, f.DecDigits, g.DecDigits);
    same.Same("GerberFormat.AbsInc", -1, f.AbsInc, g.AbsInc);
    same.Same("GerberFormat.Zero", -1, f.Zero, g.Zero);
    same.Same("GerberFormat.Units", -1, f.Units, g.Units);
    same.Same("GerberFormat.CircleMode", -1, f.CircleMode, g.CircleMode);
    same.Same("GerberFormat.OffsetX", -1, f.OffsetX, g.OffsetX);
    same.Same("GerberFormat.OffsetY", -1, f.OffsetY, g.OffsetY);
    same.Same("GerberFormat.SrX", -1, f.SrX, g.SrX);
    same.Same("GerberFormat.SrY", -1, f.SrY, g.SrY);
    same.Same("GerberFormat.SrI", -1, f.SrI, g.SrI);
    same.Same("GerberFormat.SrJ", -1, f.SrJ, g.SrJ);
    same.Same("GerberFormat.LpClear", -1, f.LpClear, g.LpClear);
    same.Same("GerberFormat.LayerName", -1, f.LayerName, g.LayerName);
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
    const JobRead whole = ReadJob([&](core::MyDataValue& v, int layer) { return core::ReadGerberData(gauge, bytes, layer, v); });
    if (core::MacroCount > 0) core::ParseMacroParams();
    (void)core::MarkUsedApertures(core::Apertures);

    const std::filesystem::path file = fuzzsupport::FuzzFolder() / "input.gbr";
    platform::WriteFileBytes(file, bytes);
    core::ReadChunkBytes = 1 + fuzzsupport::InputHash(bytes) % 17;
    const JobRead pieces =
        ReadJob([&](core::MyDataValue& v, int layer) { return core::ReadGerberFile(gauge, file.string(), layer, v); });
    core::ReadChunkBytes = 64 * 1024;

    Compare(whole, pieces);
    return 0;
}
