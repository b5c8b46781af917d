#pragma once
// A settings file reads back what it wrote: the tables written in one
// edition, read into emptied tables, what that edition does not carry put
// back from before, and written again to the very same bytes.
#include "core/Datas.h"
#include "core/FolderSettings.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace foldertest {

inline void ExpectReadBack(bool old, const std::filesystem::path& folder)
{
    using namespace core;
    const auto job = TakeSnapshot();
    const std::string path = (folder / (old ? OldFolderSettingsName : FolderSettingsName)).string();
    auto write = [&] {
        old ? WriteOldSettingsFile(path) : WriteFolderSettings(path);
        return platform::ReadFileBytes(path);
    };
    const std::string first = write();
    ResetTables();
    ProjectBasics = MyBasicSet{};
    GerberFormat = MyFormatPara{};
    DrillFormat = MyFormatPara{};
    ASSERT_TRUE(old ? ReadOldFolderSettings(path) : ReadFolderSettings(path));

    // The earlier edition knows three drill machines by number: any other
    // name reads back as the second.
    if (old && DrillFormat.FormatName != job->drillFormat.FormatName) {
        EXPECT_EQ(DrillFormat.FormatName, "HITACHI");
        DrillFormat.FormatName = job->drillFormat.FormatName;
    }
    for (int t = 0; t <= MaxToolCode; ++t) Tools[t].Hits = job->tools[t].Hits;
    if (!old) ToolCount = job->toolCount;
    LayerTable = job->layerTable;
    LayerCount = job->layerCount;
    for (int k = 1; k <= (old ? 20 : IniLayerCount); ++k) {
        MyLayerSet &l = LayerTable[k], &ini = IniLayerTable[k];
        l.AltColor = ini.AltColor;
        l.Color = ini.Color;
        if (!old || l.FileKind == fkRS274D || l.FileKind == fkRS274X) {
            l.FileName = ini.FileName;
            l.Contents = ini.Contents;
        }
        if (!old) {
            l.Remarks = ini.Remarks;
            l.Polarity = ini.Polarity;
        }
    }
    EXPECT_EQ(write(), first) << path;
}

} // namespace foldertest
