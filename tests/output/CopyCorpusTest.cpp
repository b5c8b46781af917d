// Real boards copied with every accompanying file: the copies are the
// files, the settings file reads back, and the reports agree with the
// elements read (the apertures the strokes and flashes use, the hits of each
// drill tool).
#include "output/CopyForm.h"

#include "core/FolderSettings.h"
#include "output/CopyReports.h"
#include "platform/NumberText.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/core/CorpusJob.h"
#include "tests/output/CopyTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace output;
namespace fs = std::filesystem;

namespace {

// The fields of a report line after its leading tab.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t from = 1;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        out.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) return out;
        from = tab + 1;
    }
}

bool Drawn(const core::DataElement& e)
{
    switch (e.Kind) {
    case core::dkLine:
    case core::dkSquareStroke:
    case core::dkFlash:
    case core::dkArcCCW:
    case core::dkArcCW:
    case core::dkCircleCCW:
    case core::dkCircleCW: return true;
    default: return false;
    }
}

} // namespace

TEST(CopyCorpus, BoardsCopiedWithTheirReports)
{
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    int boards = 0, apertureLines = 0, toolLines = 0;
    for (const auto& top : fs::directory_iterator(fs::path(TESSEL2_CORPUS) / "cad")) {
        if (top.path().filename() == "altium-composite-drill") continue;   // large; nothing new here
        SCOPED_TRACE(top.path().filename().string());
        corpusjob::ReadJob(top.path());
        ASSERT_GE(core::LayerCount, 1);

        // The layers in the first layer's folder, as the dialog chooses them.
        const std::string source = core::LayerTable[1].Folder;
        std::vector<std::string> names;
        for (int k = 1; k <= core::LayerCount; ++k)
            if (core::LayerTable[k].Folder == source) names.push_back(core::LayerTable[k].FileName);
        copytest::TempTree t;
        const fs::path to = t.Folder("copy");
        CopyMode = 0;
        OverwriteAll = false;
        InitOptionItems();
        for (int i = ciOldSettings; i <= ciApertureReport; ++i) CopyOptions.LeftIcons[static_cast<std::size_t>(i)] = dialogs::IconTicked;
        ProjectTitleForReports = top.path().filename().string();
        boxes.shown.clear();
        ASSERT_EQ(RunCopy(source, to.string(), names), static_cast<int>(names.size()) + 5);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(core::StepMarks[2], 1);
        for (const std::string& name : names)
            EXPECT_EQ(platform::ReadFileBytes(to / name), platform::ReadFileBytes(fs::path(source) / name)) << name;

        // The D-codes of the photo report: those the strokes and flashes use.
        std::set<int> used;
        std::map<int, long long> hits;
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const core::DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(e.Layer)];
            if (Drawn(e) && l.FileKind == core::fkRS274X && e.Code >= 10) used.insert(e.Code);
            if (e.Kind == core::dkDrill) ++hits[e.Code];
        }
        std::set<int> listed;
        for (const std::string& line : platform::ReadTextLines(to / PhotoReportName))
            if (line.rfind("\tD", 0) == 0) listed.insert(static_cast<int>(platform::ParseInt(Fields(line)[0].substr(1))));
        EXPECT_EQ(listed, used);
        apertureLines += static_cast<int>(listed.size());

        // The tools of the drill report: the hits drilled with each (a tool
        // defined and never drilled has none), and all.
        std::map<int, long long> counted;
        long long total = -1;
        for (const std::string& line : platform::ReadTextLines(to / DrillReportName)) {
            const std::vector<std::string> f = Fields(line);
            if (line.rfind("\tT", 0) == 0 && f.size() == 5 && f[1] != "0")
                counted[static_cast<int>(platform::ParseInt(f[0].substr(1)))] = platform::ParseInt(f[1]);
            if (line.rfind("\tTotal hit count = ", 0) == 0) total = platform::ParseInt(line.substr(19));
        }
        long long all = 0;
        for (const auto& [tool, n] : hits) all += n;
        EXPECT_EQ(counted, hits);
        EXPECT_EQ(total, all);
        toolLines += static_cast<int>(counted.size());

        // The settings file reads back the layers.
        ASSERT_TRUE(core::ReadFolderSettings((to / core::FolderSettingsName).string()));
        EXPECT_EQ(core::IniLayerCount, core::LayerCount);
        ++boards;
    }
    EXPECT_GE(boards, 8);
    EXPECT_GE(apertureLines, 300);
    EXPECT_GE(toolLines, 40);
    core::ResetTables();
    core::StepMarks.fill(0);
}
