// libFuzzer target: any bytes through the project reader, every layer taken,
// first into an empty job and then added to it (the second read meets the
// first one's layers, apertures, tools and macros).
#include "core/Datas.h"
#include "core/ProjectFile.h"
#include "platform/Error.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::ResetTables();
    core::ProjectBasics = core::MyBasicSet{};
    core::Gauge gauge;
    for (int round = 0; round < 2; ++round) {
        core::LayerTakeFlags.fill(1);
        core::MyDataValue value;
        try {
            (void)core::ReadProjectData(gauge, bytes, value);
        } catch (const platform::Error&) {
            // A clean failure: the tables are back as they were.
        }
    }
    if (core::MacroCount > 0) core::ParseMacroParams();
    (void)core::MarkUsedApertures(core::Apertures);
    return 0;
}
