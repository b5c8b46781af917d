// libFuzzer target: any bytes through the earlier edition's project reader,
// first into an empty job and then as a second layer (its tools and
// apertures meet the first one's), then the job written back in that form.
#include "core/Datas.h"
#include "core/OldProjectFiles.h"
#include "platform/Error.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::ResetTables();
    core::Gauge gauge;
    for (int layer = 1; layer <= 2; ++layer) {
        core::MyDataValue value;
        try {
            if (core::ReadOldProjectData(gauge, bytes, layer, value)) {
                core::LayerCount = layer;
                core::LayerTable[static_cast<std::size_t>(layer)].Active = 1;
            }
        } catch (const platform::Error&) {
            // A clean failure: the tables are back as they were.
        }
    }
    for (const core::OldProjectFilePlan& plan : core::OldProjectFilePlans()) (void)core::OldProjectFileBytes(plan);
    return 0;
}
