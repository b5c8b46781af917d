#include "ProbeLoad.h"

#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "platform/Error.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace probe {

namespace {

core::Gauge silentGauge;

bool ReadByKind(int kind, const std::string& path, int layer, core::MyDataValue& value)
{
    switch (kind) {
    case core::fkRS274D:
    case core::fkRS274X:
        return core::ReadGerberFile(silentGauge, path, layer, value);
    case core::fkNcDrill:
        return core::ReadNcDrillFile(silentGauge, path, layer, value);
    default:
        // Projects and undetermined files are not read by the probe.
        return false;
    }
}

} // namespace

LoadResult LoadLayerFile(const std::string& path, int layer)
{
    LoadResult r;
    r.kind = core::DetectFileType(path);
    try {
        r.read = ReadByKind(r.kind, path, layer, r.value);
    } catch (const platform::Error& e) {
        r.error = e.what();
        r.read = false;
    }
    if (r.read) {
        if (core::MyLayerSet* l = core::LayerAt(layer)) {
            std::filesystem::path p(path);
            l->FileKind = r.kind;
            l->Folder = p.parent_path().string();
            l->FileName = p.filename().string();
            l->Polarity = "P";
            l->Active = 1;
            core::LayerCount = std::max(core::LayerCount, layer);
        }
    }
    return r;
}

int ToolsOfLastHits(int hits)
{
    std::vector<char> seen(core::MaxToolCode + 1, 0);
    int tools = 0;
    for (std::int32_t i = std::max(0, core::DataCount - hits); i < core::DataCount; ++i) {
        const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
        if (e.Kind != core::dkDrill || !core::ValidToolCode(e.Code)) continue;
        if (!seen[static_cast<std::size_t>(e.Code)]) {
            seen[static_cast<std::size_t>(e.Code)] = 1;
            ++tools;
        }
    }
    return tools;
}

void FinishLoading()
{
    if (core::MacroCount > 0) core::ParseMacroParams();
    core::MaxDCode = core::MarkUsedApertures(core::Apertures);
}

} // namespace probe
