#include "ProbeSave.h"

#include "ProbeLoad.h"

#include "core/Datas.h"
#include "core/ProjectFile.h"
#include "view/CodeTables.h"
#include "platform/Error.h"

#include <cstdio>
#include <filesystem>

namespace probe {

int Save(std::vector<std::string> args)
{
    int chosen = core::fkAuto;
    if (!TakeChosenKind(args, chosen)) return 2;
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tessel2-probe save OUT.tsn FILE... [--as drill|gerber]\n");
        return 2;
    }
    int status = LoadFiles(std::vector<std::string>(args.begin() + 1, args.end()), chosen);
    if (core::LayerCount < 1) {
        std::fprintf(stderr, "nothing to save\n");
        return 1;
    }
    // What the open command leaves: the tools recounted and lettered, the
    // first layer shown.
    core::ToolCount = mainwin::CountUsedDrillTools(core::Tools);
    GiveToolLetters();
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = k == 1 ? 1 : 0;
    try {
        core::WriteProjectFile(args[0]);
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s: %s\n", args[0].c_str(), e.what());
        return 1;
    }
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(args[0], ec);
    std::printf("layers=%d elements=%d bytes=%lld\n", core::LayerCount, core::DataCount,
                ec ? -1LL : static_cast<long long>(bytes));
    return status;
}

} // namespace probe
