// libFuzzer target: any bytes through both readers of a data folder's
// settings file, over a job's tables as an open meets them.
#include "core/Datas.h"
#include "core/FolderSettings.h"
#include "platform/Error.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::ResetTables();
    core::GerberFormat = core::MyFormatPara{};
    core::DrillFormat = core::MyFormatPara{};
    core::ToolCount = 3;
    for (auto read : {core::ReadFolderSettingsBytes, core::ReadOldFolderSettingsBytes}) {
        try {
            read(bytes, "fuzz.ini");
        } catch (const platform::Error&) {
            // A clean failure: the tables are back as they were.
        }
    }
    return 0;
}
