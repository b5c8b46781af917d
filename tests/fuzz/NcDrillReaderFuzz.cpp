// libFuzzer target: any bytes through the drill reader, twice, as two layers
// of one job (the second meets the first one's tools), once read whole from
// memory and once from a file in pieces of 1 to 17 bytes: both must leave the
// same hits, tools, extents and errors. The format, and for some inputs a
// small element limit, come from the input; a file refused for too many
// elements must make more hits than the limit holds.
#include "SameReads.h"

#include "core/NcDrillReader.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

namespace {

constexpr std::int64_t FuzzElementLimit = 1'000'000;

void SetFormat(std::uint32_t h)
{
    static const char* const formats[] = {"000.000", "000.00", "000.0000", "00.0000"};
    core::DrillFormat = core::MyFormatPara{};
    core::DrillFormat.NumberFormat = formats[(h >> 8) & 3];
    core::DrillFormat.Zero = static_cast<std::int32_t>((h >> 10) & 1);
    core::DrillFormat.Units = static_cast<std::int32_t>((h >> 11) & 1);
    core::DrillFormat.AbsInc = static_cast<std::int32_t>((h >> 12) & 1);
    core::DrillFormat.OffsetX = (h >> 13) & 1 ? 5.0 : 0.0;
}

struct JobRead {
    fuzzsupport::ReadResult layers[2];
    std::vector<core::DataElement> elements;
    std::array<core::MyTool, core::MaxToolCode + 2> tools;
    std::int32_t toolCount = 0, absInc = 0;
};

JobRead ReadJob(std::uint32_t h, const std::function<bool(core::MyDataValue&, int)>& read)
{
    core::ResetTables();
    SetFormat(h);
    JobRead job;
    for (int layer = 1; layer <= 2; ++layer)
        job.layers[layer - 1] = fuzzsupport::Run([&](core::MyDataValue& v) { return read(v, layer); });
    job.elements = fuzzsupport::Elements();
    job.tools = core::Tools;
    job.toolCount = core::ToolCount;
    job.absInc = core::DrillFormat.AbsInc;
    return job;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::uint32_t h = fuzzsupport::InputHash(bytes);
    // A quarter of the inputs meet a limit of a few dozen elements.
    const std::int64_t limit = (h >> 14) % 4 == 0 ? static_cast<std::int64_t>((h >> 16) % 64) : FuzzElementLimit;
    core::MaxElementCount = limit;
    core::Gauge gauge;

    core::ReadChunkBytes = size + 1;
    const JobRead whole = ReadJob(h, [&](core::MyDataValue& v, int layer) { return core::ReadNcDrillData(gauge, bytes, layer, v); });

    const std::filesystem::path file = fuzzsupport::FuzzFolder() / "input.drl";
    platform::WriteFileBytes(file, bytes);
    core::ReadChunkBytes = 1 + h % 17;
    const JobRead pieces =
        ReadJob(h, [&](core::MyDataValue& v, int layer) { return core::ReadNcDrillFile(gauge, file.string(), layer, v); });

    fuzzsupport::Comparison same("drill reader");
    for (int k = 0; k < 2; ++k) same.Results(whole.layers[k], pieces.layers[k]);
    same.Elements(whole.elements, pieces.elements);
    for (int t = 0; t <= core::MaxToolCode + 1; ++t) {
        const core::MyTool &a = whole.tools[static_cast<std::size_t>(t)], &b = pieces.tools[static_cast<std::size_t>(t)];
        same.Same("Tools.Used", t, a.Used, b.Used);
        same.Same("Tools.Hits", t, a.Hits, b.Hits);
        same.Same("Tools.Diameter", t, a.Diameter, b.Diameter);
    }
    same.Same("ToolCount", -1, whole.toolCount, pieces.toolCount);
    same.Same("DrillFormat.AbsInc", -1, whole.absInc, pieces.absInc);

    // A refusal for too many elements: without the limit, the same read
    // makes more hits than it had room for (or fails on its own).
    const std::string many = core::TooManyElementsText();
    core::ReadChunkBytes = size + 1;
    core::ResetTables();
    SetFormat(h);
    for (int layer = 1; layer <= 2; ++layer) {
        core::MaxElementCount = limit;
        const std::int64_t room = core::ElementRoom();
        const std::int32_t before = core::DataCount;
        const fuzzsupport::ReadResult limited = fuzzsupport::Run([&](core::MyDataValue& v) { return core::ReadNcDrillData(gauge, bytes, layer, v); });
        if (limited.error == many) {
            core::MaxElementCount = FuzzElementLimit;
            const fuzzsupport::ReadResult free =
                fuzzsupport::Run([&](core::MyDataValue& v) { return core::ReadNcDrillData(gauge, bytes, layer, v); });
            if (free.error.empty() && core::DataCount - before <= room) {
                std::fprintf(stderr, "refused for too many elements, yet %d hits fit a room of %lld\n",
                             core::DataCount - before, static_cast<long long>(room));
                std::abort();
            }
        }
    }
    core::MaxElementCount = FuzzElementLimit;
    core::ReadChunkBytes = 64 * 1024;
    return 0;
}
