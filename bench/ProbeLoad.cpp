#include "ProbeLoad.h"

#include "core/FileKinds.h"
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
#include <optional>
#include <string>
#include <vector>

namespace probe {

namespace {

core::Gauge silentGauge;

// Reads the file as `kind`: why it was not read, empty when it was.
std::string ReadByKind(int kind, const std::string& path, int layer, core::MyDataValue& value)
{
    bool read = false;
    switch (kind) {
    case core::fkRS274D:
    case core::fkRS274X: read = core::ReadGerberFile(silentGauge, path, layer, value); break;
    case core::fkNcDrill: read = core::ReadNcDrillFile(silentGauge, path, layer, value); break;
    case core::fkOldProject: read = core::ReadOldProjectFile(silentGauge, path, layer, value); break;
    case core::fkProject:
        // Every layer of the project is taken; a file that offers none is
        // refused as the window refuses it.
        core::LayerTakeFlags.fill(0);
        if (core::TakeAllProjectLayers(path) == 0) return core::NoLayersReason;
        read = core::ReadProjectFile(silentGauge, path, value);
        break;
    case core::fkMissing: return core::MissingFileReason;
    default: return core::NotDataFileReason;
    }
    return read ? std::string() : core::NoElementsReason;
}

} // namespace

LoadResult LoadLayerFile(const std::string& path, int layer, int chosen)
{
    LoadResult r;
    // As the open command: what is no readable file is not opened at all.
    if (const platform::InputProblem problem = platform::CheckInputFile(path); problem != platform::InputProblem::None) {
        r.kind = problem == platform::InputProblem::Missing ? core::fkMissing : core::fkAuto;
        r.error = platform::InputProblemText(problem);
        return r;
    }
    r.kind = core::DetectFileType(path);
    const std::optional<std::int32_t> kind = core::KindToRead(chosen, r.kind);
    if (!kind) {
        r.error = core::WrongKindReason;
        return r;
    }
    r.kind = *kind;
    const int before = core::LayerCount;
    const std::unique_ptr<core::TableSnapshot> tables = core::TakeSnapshot();
    try {
        r.error = ReadByKind(r.kind, path, layer, r.value);
        r.read = r.error.empty();
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

int LoadFiles(const std::vector<std::string>& paths, int chosen)
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
        const LoadResult r = LoadLayerFile(path, core::LayerCount + 1, chosen);
        if (!r.read) {
            std::fprintf(stderr, "%s: not read%s%s\n", name.c_str(), r.error.empty() ? "" : ": ", r.error.c_str());
            status = 1;
            continue;
        }
        if (r.value.Count > 0) core::MergeExtents(ext, r.value);
    }
    FinishLoading();
    ext.Width = ext.MaxX - ext.MinX;
    ext.Height = ext.MaxY - ext.MinY;
    ext.CentreX = (ext.MinX + ext.MaxX) / 2;
    ext.CentreY = (ext.MinY + ext.MaxY) / 2;
    return status;
}

bool TakeChosenKind(std::vector<std::string>& args, int& chosen)
{
    chosen = core::fkAuto;
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] != "--as") continue;
        const std::string value = k + 1 < args.size() ? args[k + 1] : std::string();
        if (value == "drill") chosen = core::fkNcDrill;
        else if (value == "gerber") chosen = core::fkRS274D;
        else {
            std::fprintf(stderr, "bad value: --as %s (drill or gerber)\n", value.c_str());
            return false;
        }
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(k), args.begin() + static_cast<std::ptrdiff_t>(k) + 2);
        --k;
    }
    return true;
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
