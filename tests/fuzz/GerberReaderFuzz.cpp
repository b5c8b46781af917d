// libFuzzer target: any bytes through kind detection and the Gerber reader,
// twice, as two layers of one job (the second meets the first one's apertures).
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "platform/Error.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const auto folder = std::filesystem::temp_directory_path() / ("tessel2-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    core::DataFolder = folder.string();
    // Enough for any real test input, small enough for the fuzzer's memory limit.
    core::MaxElementCount = 1'000'000;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::ResetTables();
    core::GerberFormat = core::MyFormatPara{};
    (void)core::DetectFileKindOfBytes(bytes);
    core::Gauge gauge;
    for (int layer = 1; layer <= 2; ++layer) {
        core::MyDataValue value;
        try {
            (void)core::ReadGerberData(gauge, bytes, layer, value);
        } catch (const platform::Error&) {
            // A clean failure: the tables are back as they were.
        }
    }
    if (core::MacroCount > 0) core::ParseMacroParams();
    (void)core::MarkUsedApertures(core::Apertures);
    return 0;
}
