#include "ProbeExport.h"

#include "ProbeLoad.h"

#include "core/Datas.h"
#include "core/OldProjectFiles.h"
#include "view/CodeTables.h"
#include "platform/Error.h"

#include <cstdio>
#include <filesystem>

namespace probe {

int Export(const std::vector<std::string>& args)
{
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tessel2-probe export DIR FILE...\n");
        return 2;
    }
    const int status = LoadFiles(std::vector<std::string>(args.begin() + 1, args.end()));
    if (core::LayerCount < 1) {
        std::fprintf(stderr, "nothing to export\n");
        return 1;
    }
    // The tools recounted and lettered as the open command leaves them; every
    // layer shown, on the page letter it was loaded with.
    core::ToolCount = mainwin::CountUsedDrillTools(core::Tools);
    GiveToolLetters();
    const std::filesystem::path dir(args[0]);
    try {
        std::filesystem::create_directories(dir);
        core::WriteEarlierListFile((dir / "TsoList.pra").string());
        core::WriteOldProjectFiles(dir.string());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", args[0].c_str(), e.what());
        return 1;
    }
    for (const core::OldProjectFilePlan& plan : core::OldProjectFilePlans()) {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(dir / plan.FileName, ec);
        std::printf("%s\tpage=%s\tlayers=%zu\tbytes=%lld\n", plan.FileName.c_str(), plan.PageLetter.c_str(), plan.Layers.size(),
                    ec ? -1LL : static_cast<long long>(bytes));
    }
    return status;
}

} // namespace probe
