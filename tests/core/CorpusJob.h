#pragma once
// A corpus board read as one job: its RS-274X and drill files (below 2 MB)
// as layers in name order, as an open reads them.
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace corpusjob {

inline void ReadJob(const std::filesystem::path& folder)
{
    using namespace core;
    ResetTables();
    GerberFormat = MyFormatPara{};
    DrillFormat = MyFormatPara{};
    // The program's own work folder, which is the test process's own.
    DataFolder.clear();
    std::vector<std::filesystem::path> files;
    for (const auto& f : std::filesystem::recursive_directory_iterator(folder))
        if (f.is_regular_file() && f.file_size() < 2'000'000) files.push_back(f.path());
    std::sort(files.begin(), files.end());
    Gauge gauge;
    for (const std::filesystem::path& p : files) {
        const int kind = DetectFileType(p.string());
        if ((kind != fkRS274X && kind != fkNcDrill) || LayerCount == MaxLayers) continue;
        MyDataValue value;
        const bool ok = kind == fkNcDrill ? ReadNcDrillFile(gauge, p.string(), LayerCount + 1, value)
                                          : ReadGerberFile(gauge, p.string(), LayerCount + 1, value);
        if (!ok) continue;
        LayerCount += 1;
        LayerTable[LayerCount].Active = 1;
        LayerTable[LayerCount].Folder = p.parent_path().string();
        LayerTable[LayerCount].FileName = p.filename().string();
        LayerTable[LayerCount].FileKind = kind;
        LayerTable[LayerCount].Contents = "層" + std::to_string(LayerCount);
    }
    MaxDCode = MarkUsedApertures(Apertures);
    for (int t = 1; t <= MaxToolCode; ++t)
        if (Tools[t].Used) ToolCount = t;
}

} // namespace corpusjob
