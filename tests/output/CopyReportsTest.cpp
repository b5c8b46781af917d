// The copy reports: golden bytes of a small job written under a locale with
// a decimal comma, today's date, and tables whose counts run past their ends.
#include "output/CopyReports.h"

#include "core/Datas.h"
#include "output/PrintEngine.h"
#include "platform/TextFile.h"
#include "tests/output/CopyTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>

// Table rows name only the leading fields; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace output;
using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Golden = fs::path(TESSEL2_SOURCE_DIR) / "tests/output/data";

// A small job: Gerber layers of both kinds, a drill layer, a project layer
// and a slot without a file; every aperture shape; tools on both sides of 9.
void SmallJob()
{
    ResetTables();
    ProjectTitleForReports = "試作基板 A-1";
    LayerTable[1] = MyLayerSet{1, fkRS274X, "/d", "top.gbr", "部品面", "表", "A", "A"};
    LayerTable[2] = MyLayerSet{1, fkRS274D, "/d", "bot.gbr", "半田面", "", "B", "B"};
    LayerTable[3] = MyLayerSet{1, fkNcDrill, "/d", "drill.txt", "穴", "貫通", "C", "C"};
    LayerTable[4] = MyLayerSet{1, fkProject, "/d", "job.tsn", "", "", "D", "D"};
    LayerTable[5] = MyLayerSet{1, fkRS274X, "/d", "", "", "", "E", "E"};
    LayerCount = 5;
    GerberFormat = MyFormatPara{"RS-274X", "ASCII", "000.0000", 3, 4, 0, 1, 0, 0, 0.5, -0.00005};
    DrillFormat = MyFormatPara{"EXCELLON", "ASCII", "000.000", 3, 3, 1, 0, 1, 0, 0, 1.25};
    Apertures[10] = MyAperture{1, apCircle, 0.2, 0, 0};
    Apertures[11] = MyAperture{1, apThermal45, 0.8, 1.2, 0.3};
    Apertures[12] = MyAperture{0, apRectangle, 1.2, 0.8, 0};
    Apertures[13] = MyAperture{1, apMacro, 0, 0, 0, "OC8"};
    Apertures[14] = MyAperture{1, apThermal90, 1.5, 2.25, 0.25};
    Apertures[15] = MyAperture{1, apPolygon, 1.0, 6, 12.5};
    Apertures[16] = MyAperture{1, apOval, 1.75, 0.9, 0};
    Apertures[17] = MyAperture{1, apSquare, 123456789.125, 0, 0};
    MaxDCode = 17;
    // In use, but past the highest D-code: only the standard list has it.
    Apertures[20] = MyAperture{1, apCircle, 0.5, 0, 0};
    Tools[1] = MyTool{1, 12, "0.8", "A", "ビア"};
    Tools[2] = MyTool{0, 5, "0.9", "B", "x"};
    Tools[9] = MyTool{1, 3, "1.0", "B", ""};
    Tools[10] = MyTool{1, 1, "3.175", "C", "取付穴"};
    ToolCount = 10;
}

struct Report {
    const char* file;
    std::vector<std::string> (*lines)(const std::string& date);
    void (*write)(const std::string& path);
};
const Report Reports[] = {
    {PhotoReportName, PhotoDataReportLines, WritePhotoDataReport},
    {DrillReportName, DrillDataReportLines, WriteDrillDataReport},
    {ApertureReportName, StandardApertureReportLines, WriteStandardApertureReport},
};

} // namespace

TEST(CopyReports, GoldenBytesOfASmallJobUnderADecimalComma)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    SmallJob();
    copytest::TempTree t;
    for (const Report& r : Reports) {
        const fs::path path = t.Root() / r.file;
        platform::WriteReadableLines(path, r.lines("2024/05/07"));
        EXPECT_EQ(platform::ReadFileBytes(path), platform::ReadFileBytes(Golden / r.file)) << r.file;
        // Written for real: the same, dated today.
        r.write(path.string());
        EXPECT_EQ(platform::ReadTextLines(path)[1].find("(" + TodayText() + ")") != std::string::npos, true) << r.file;
    }
    std::setlocale(LC_ALL, "C");
    ResetTables();
}

TEST(CopyReports, CountsPastTheTablesAndNothingLoaded)
{
    struct Case {
        const char* name;
        std::function<void()> job;
        std::size_t photoLines, drillLines;
        std::string lastPhotoLine, lastDrillLine;
    };
    const Case cases[] = {
        // Headings and formats: 17 lines of the photo report, 20 of the drill report.
        {"nothing loaded", [] { ResetTables(); }, 17, 20, "     " + std::string(68, '-'), "\tTotal hit count = 0"},
        {"counts past the tables",
         [] {
             ResetTables();
             Apertures[1999] = MyAperture{1, apCircle, 0.1, 0, 0};
             MaxDCode = 2500;
             Tools[999] = MyTool{1, 4, "6.0", "Z", ""};
             ToolCount = 5000;
         },
         18, 21, "\tD1999\tCIR\t\t0.1\t0\t0", "\tTotal hit count = 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.job();
        const auto photo = PhotoDataReportLines("d"), drill = DrillDataReportLines("d");
        EXPECT_EQ(photo.size(), c.photoLines);
        EXPECT_EQ(drill.size(), c.drillLines);
        EXPECT_EQ(photo.back(), c.lastPhotoLine);
        EXPECT_EQ(drill.back(), c.lastDrillLine);
    }
    ResetTables();
}
