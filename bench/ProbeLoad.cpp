#include "ProbeLoad.h"

#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "core/OldProjectFiles.h"
#include "core/ProjectFile.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
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
    case core::fkOldProject:
        return core::ReadOldProjectFile(silentGauge, path, layer, value);
    case core::fkProject:
        // Every layer of the project is taken.
        core::LayerTakeFlags.fill(0);
        core::TakeAllProjectLayers(path);
        return core::ReadProjectFile(silentGauge, path, value);
    default:
        // Undetermined files are not read by the probe.
        return false;
    }
}

} // namespace

LoadResult LoadLayerFile(const std::string& path, int layer)
{
    LoadResult r;
    // As the open command: what is no readable file is not opened at all.
    if (const platform::InputProblem problem = platform::CheckInputFile(path); problem != platform::InputProblem::None) {
        r.kind = problem == platform::InputProblem::Missing ? core::fkMissing : core::fkAuto;
        r.error = platform::InputProblemText(problem);
        return r;
    }
    r.kind = core::DetectFileType(path);
    const int before = core::LayerCount;
    const std::unique_ptr<core::TableSnapshot> tables = core::TakeSnapshot();
    try {
        r.read = ReadByKind(r.kind, path, layer, r.value);
    } catch (const platform::Error& e) {
        r.error = e.what();
        r.read = false;
    }
    // Data that no open would keep, whatever came with it (a size or
    // coordinate that overflowed among them), is refused as the window
    // refuses it.
    const core::MyDataValue& v = r.value;
    if (r.read && v.Count > 0 && !core::DataWithinRange(v.MinX, v.MaxX, v.MinY, v.MaxY)) {
        core::RestoreSnapshot(*tables);
        r.read = false;
        r.value = core::MyDataValue{};
        const std::string text = core::DataRangeErrorText;
        r.error = text.substr(0, text.find('\n'));
    }
    if (r.read && r.kind == core::fkProject) {
        for (int k = before + 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = 1;
    } else if (r.read) {
        if (core::MyLayerSet* l = core::LayerAt(layer)) {
            std::filesystem::path p(path);
            l->FileKind = r.kind;
            l->Folder = p.parent_path().string();
            l->FileName = p.filename().string();
            l->Polarity = "P";
            l->Active = 1;
            if (r.kind == core::fkOldProject) {
                l->Contents = r.value.ContentsText;
                l->Remarks = r.value.RemarksText;
                if (!r.value.TitleText.empty()) core::ProjectBasics.Title = r.value.TitleText;
            }
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

int LoadFiles(const std::vector<std::string>& paths)
{
    int status = 0;
    core::MyExtents& ext = core::Extents;
    ext.MinX = ext.MinY = 1500;
    ext.MaxX = ext.MaxY = -1500;
    for (const std::string& path : paths) {
        const std::string name = std::filesystem::path(path).filename().string();
        if (core::LayerCount >= core::MaxLayers) {
            std::fprintf(stderr, "%s: more than 26 layers\n", name.c_str());
            status = 1;
            continue;
        }
        const LoadResult r = LoadLayerFile(path, core::LayerCount + 1);
        if (!r.read) {
            std::fprintf(stderr, "%s: not read%s%s\n", name.c_str(), r.error.empty() ? "" : ": ", r.error.c_str());
            status = 1;
            continue;
        }
        if (r.value.Count > 0) {
            ext.MinX = std::min(ext.MinX, r.value.MinX);
            ext.MaxX = std::max(ext.MaxX, r.value.MaxX);
            ext.MinY = std::min(ext.MinY, r.value.MinY);
            ext.MaxY = std::max(ext.MaxY, r.value.MaxY);
        }
    }
    FinishLoading();
    ext.Width = ext.MaxX - ext.MinX;
    ext.Height = ext.MaxY - ext.MinY;
    ext.CentreX = (ext.MinX + ext.MaxX) / 2;
    ext.CentreY = (ext.MinY + ext.MaxY) / 2;
    return status;
}

void GiveToolLetters()
{
    int k = 0;
    for (int t = 1; t <= core::MaxToolCode; ++t) {
        core::MyTool& tool = core::Tools[static_cast<std::size_t>(t)];
        if (!tool.Used || !tool.Symbol.empty()) continue;
        tool.Symbol = std::string(1, k < 26 ? static_cast<char>('A' + k) : static_cast<char>('a' + (k - 26) % 26));
        ++k;
    }
}

bool ParsePair(const std::string& text, double& x, double& y)
{
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && platform::TryParseReal(std::string_view(text).substr(0, comma), x) &&
           platform::TryParseReal(std::string_view(text).substr(comma + 1), y);
}

std::string Fixed4(double v)
{
    // Room for the largest double in full.
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
    if (res.ec != std::errc()) return "?";
    std::string s(buf, res.ptr);
    if (s == "-0.0000") s = "0.0000";
    return s;
}

} // namespace probe
