// libFuzzer target: any bytes through the drill reader, twice, as two layers
// of one job (the second meets the first one's tools), once read whole from
// memory and once from a file in pieces of 1 to 17 bytes: both must leave the
// same hits, tools, extents and errors. The format, and for some inputs a
// small element limit, come from the input; a file refused for too many
// elements must make more hits than the limit holds.
#include "SameReads.h"

#include "core/NcDrillReader.h"

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
    core::ResetTables();
    core::DrillFormat = core::MyFormatPara{};
    core::DrillFormat.NumberFormat = formats[(h >> 8) & 3];
    core::DrillFormat.Zero = static_cast<std::int32_t>((h >> 10) & 1);
    core::DrillFormat.Units = static_cast<std::int32_t>((h >> 11) & 1);
    core::DrillFormat.AbsInc = static_cast<std::int32_t>((h >> 12) & 1);
    core::DrillFormat.OffsetX = (h >> 13) & 1 ? 5.0 : 0.0;
}

// What the two reads of one job leave, as text.
std::string ReadJob(std::uint32_t h, const std::function<bool(core::MyDataValue&, int)>& read)
{
    SetFormat(h);
    std::string out;
    for (int layer = 1; layer <= 2; ++layer) fuzzsupport::Read(out, [&](core::MyDataValue& v) { return read(v, layer); });
    fuzzsupport::Elements(out);
    for (std::size_t k = 0; k < core::Tools.size(); ++k) {
        const core::MyTool& t = core::Tools[k];
        if (t.Used != 0 || t.Hits != 0 || !t.Diameter.empty()) fuzzsupport::Line(out, "tool", k, t.Used, t.Hits, t.Diameter);
    }
    fuzzsupport::Line(out, "counts", core::ToolCount, core::DrillFormat.AbsInc);
    return out;
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
    auto fromMemory = [&](core::MyDataValue& v, int layer) { return core::ReadNcDrillData(gauge, bytes, layer, v); };

    core::ReadChunkBytes = size + 1;
    const std::string whole = ReadJob(h, fromMemory);
    const std::filesystem::path file = fuzzsupport::FuzzFolder() / "input.drl";
    platform::WriteFileBytes(file, bytes);
    core::ReadChunkBytes = 1 + h % 17;
    fuzzsupport::Compare("drill reader", whole,
                         ReadJob(h, [&](core::MyDataValue& v, int layer) { return core::ReadNcDrillFile(gauge, file.string(), layer, v); }));

    // A refusal for too many elements: without the limit, the same read
    // makes more hits than it had room for (or fails on its own).
    core::ReadChunkBytes = size + 1;
    SetFormat(h);
    for (int layer = 1; layer <= 2; ++layer) {
        core::MaxElementCount = limit;
        const std::int64_t room = core::ElementRoom();
        const std::int32_t before = core::DataCount;
        std::string limited, free;
        fuzzsupport::Read(limited, [&](core::MyDataValue& v) { return fromMemory(v, layer); });
        if (limited.find(core::TooManyElementsText()) == std::string::npos) continue;
        core::MaxElementCount = FuzzElementLimit;
        fuzzsupport::Read(free, [&](core::MyDataValue& v) { return fromMemory(v, layer); });
        if (free.rfind("read 1 \"\" ", 0) == 0 && core::DataCount - before <= room) {
            std::fprintf(stderr, "refused for too many elements, yet %d hits fit a room of %lld\n", core::DataCount - before,
                         static_cast<long long>(room));
            std::abort();
        }
    }
    core::MaxElementCount = FuzzElementLimit;
    core::ReadChunkBytes = 64 * 1024;
    return 0;
}
