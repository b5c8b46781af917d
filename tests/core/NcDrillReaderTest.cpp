#include "core/NcDrillReader.h"

#include "platform/Error.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

class NcDrillReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetTables();
        DrillFormat = MyFormatPara{};
        DrillFormat.FormatName = "NCドリル";
        DrillFormat.NumberFormat = "000.000";
        folder_ = fs::temp_directory_path() / ("tessel2-drill-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(folder_, ec);
        ResetTables();
    }

    std::string Write(const std::string& name, const std::string& text)
    {
        fs::path p = folder_ / name;
        platform::WriteFileBytes(p, text);
        return p.string();
    }

    bool Read(const std::string& text, int layer = 1, const std::string& name = "a.drl")
    {
        return ReadNcDrillFile(gauge_, Write(name, text), layer, value_);
    }

    const DataElement& Hit(int i) const { return Datas[static_cast<std::size_t>(i)]; }

    Gauge gauge_;
    MyDataValue value_;
    fs::path folder_;
};

TEST_F(NcDrillReaderTest, LeadingZeroOmissionMillimetres)
{
    ASSERT_TRUE(Read("M48\nT1C0.8\n%\nT1\nX12345Y6789\nX1000\nY2000\nM30\n"));
    ASSERT_EQ(DataCount, 3);
    EXPECT_EQ(value_.Count, 3);
    EXPECT_EQ(Tools[1].Diameter, "0.8");
    EXPECT_EQ(Tools[1].Hits, 3);
    EXPECT_EQ(Tools[1].Used, 1);
    EXPECT_EQ(ToolCount, 1);
    const DataElement& h = Hit(0);
    EXPECT_EQ(h.Kind, dkDrill);
    EXPECT_EQ(h.Code, 1);
    EXPECT_EQ(h.Layer, 1);
    EXPECT_EQ(h.Group, 0);
    EXPECT_DOUBLE_EQ(h.X3, 12.345);
    EXPECT_DOUBLE_EQ(h.Y3, 6.789);
    EXPECT_DOUBLE_EQ(h.X1, h.X3);
    EXPECT_DOUBLE_EQ(h.Y2, h.Y3);
    // An axis without its word keeps the current coordinate.
    EXPECT_DOUBLE_EQ(Hit(1).X3, 1.0);
    EXPECT_DOUBLE_EQ(Hit(1).Y3, 6.789);
    EXPECT_DOUBLE_EQ(Hit(2).X3, 1.0);
    EXPECT_DOUBLE_EQ(Hit(2).Y3, 2.0);
}

TEST_F(NcDrillReaderTest, IncrementalFromOffsets)
{
    DrillFormat.OffsetX = 5;
    DrillFormat.OffsetY = 5;
    ASSERT_TRUE(Read("T1C1.0\nG91\nX1000Y1000\nX1000Y1000\n"));
    ASSERT_EQ(DataCount, 2);
    EXPECT_DOUBLE_EQ(Hit(0).X3, 6.0);
    EXPECT_DOUBLE_EQ(Hit(0).Y3, 6.0);
    EXPECT_DOUBLE_EQ(Hit(1).X3, 7.0);
    EXPECT_DOUBLE_EQ(Hit(1).Y3, 7.0);
    EXPECT_EQ(DrillFormat.AbsInc, 1);  // the file's G91 stays
}

TEST_F(NcDrillReaderTest, AbsoluteAddsOffsets)
{
    DrillFormat.OffsetX = 10;
    DrillFormat.OffsetY = -2;
    ASSERT_TRUE(Read("T1\nX1000Y1000\n"));
    EXPECT_DOUBLE_EQ(Hit(0).X3, 11.0);
    EXPECT_DOUBLE_EQ(Hit(0).Y3, -1.0);
}

TEST_F(NcDrillReaderTest, WhatMakesAHit)
{
    struct Case {
        const char* text;
        int hits;
    } cases[] = {
        {"T0\nX1000Y1000\n", 0},                          // no tool
        {"X1000Y1000\n", 0},                              // no tool selected yet
        {"T1\nG00X1000Y1000\n", 0},                       // a move
        {"T1\nG00X1000Y1000\nM05\n", 1},                  // M05 drills at the current point
        {"T1\nG80\nX1\nG81\nX2\nG00\nX3\nG05\nX4\n", 2},  // modes switch
        {"T1\nX1000Y1000\nT0\nX2000\n", 1},               // T0 puts the tool away
        {"T1\nI1000\n", 1},                               // I and J count as coordinates
        {"T1\nG04 X1000Y1000\nX2000\n", 1},               // G04 blocks are comments
        {"T1000\nX1000\n", 0},                            // tool numbers stop at 999
        {"T999C0.5\nX1000\n", 1},
        {"T-1\nX1000\n", 0},
        {"M48\nT8C3.3\n%\nG93X0Y0\nX1000\n", 1},       // a zero set is no hole
    };
    for (const Case& c : cases) {
        ResetTables();
        bool ok = Read(c.text);
        EXPECT_EQ(ok, c.hits > 0) << c.text;
        EXPECT_EQ(DataCount, c.hits) << c.text;
    }
    ResetTables();
    ASSERT_TRUE(Read("T1\nG00X1000Y2000\nM05\n"));
    EXPECT_DOUBLE_EQ(Hit(0).X3, 1.0);
    EXPECT_DOUBLE_EQ(Hit(0).Y3, 2.0);
}

TEST_F(NcDrillReaderTest, ExtentsAreAtLeastOneHundredMillimetres)
{
    ASSERT_TRUE(Read("T1\nX10000Y20000\nX30000Y50000\n"));
    EXPECT_DOUBLE_EQ(value_.MinX, 20.0 - 50.0);
    EXPECT_DOUBLE_EQ(value_.MaxX, 20.0 + 50.0);
    EXPECT_DOUBLE_EQ(value_.MinY, 35.0 - 50.0);
    EXPECT_DOUBLE_EQ(value_.MaxY, 35.0 + 50.0);

    ResetTables();
    // A wide board keeps its extents, holes' radii included.
    ASSERT_TRUE(Read("T1C1.0\nX0Y0\nX200000Y150000\n"));
    EXPECT_DOUBLE_EQ(value_.MinX, -0.5);
    EXPECT_DOUBLE_EQ(value_.MaxX, 200.5);
    EXPECT_DOUBLE_EQ(value_.MinY, -0.5);
    EXPECT_DOUBLE_EQ(value_.MaxY, 150.5);
}

TEST_F(NcDrillReaderTest, CommentsAreLeftOut)
{
    // Bracket comments anywhere in a block, and ";" remarks to the end of the line.
    ASSERT_TRUE(Read("M48\n;CreationDate,2019-08-08T19:20:38Z*%\n(T2 is a slot)T1C0.8\n%\n"
                     "T1\nX1000(comment X9999)Y2000\n;X5000Y5000\nX3000 ; after\n"));
    ASSERT_EQ(DataCount, 2);
    EXPECT_DOUBLE_EQ(Hit(0).X3, 1.0);
    EXPECT_DOUBLE_EQ(Hit(0).Y3, 2.0);
    EXPECT_DOUBLE_EQ(Hit(1).X3, 3.0);
    // The date in the remark does not make a tool 19.
    EXPECT_EQ(ToolCount, 1);
    EXPECT_EQ(Tools[19].Used, 0);
}

TEST_F(NcDrillReaderTest, UnmatchedBracketEndsAtTheLineEnd)
{
    ASSERT_TRUE(Read("T1\nX1000Y1000 (open comment\nX2000Y2000\r\nX3000Y3000\n"));
    EXPECT_EQ(DataCount, 3);
}

TEST_F(NcDrillReaderTest, NoHitsIsNothingRead)
{
    DrillFormat.AbsInc = 0;
    Tools[3].Diameter = "0.3";
    ToolCount = 3;
    MaxDCode = 12;
    for (const char* text : {"M48\nT1C0.8\nT2C1.0\n%\nG91\nM30\n", "", "; only a remark\n", "%\n"}) {
        EXPECT_FALSE(Read(text)) << text;
        EXPECT_EQ(value_.Count, 0);
        EXPECT_EQ(DataCount, 0);
        EXPECT_EQ(ToolCount, 3);
        EXPECT_EQ(Tools[1].Used, 0);
        EXPECT_EQ(Tools[1].Diameter, "");
        EXPECT_EQ(Tools[3].Diameter, "0.3");
        EXPECT_EQ(DrillFormat.AbsInc, 0);
        EXPECT_EQ(MaxDCode, 12);
    }
}

TEST_F(NcDrillReaderTest, MissingFileOrBadLayer)
{
    EXPECT_FALSE(ReadNcDrillFile(gauge_, (folder_ / "none.drl").string(), 1, value_));
    EXPECT_FALSE(ReadNcDrillFile(gauge_, folder_.string(), 1, value_));
    std::string p = Write("b.drl", "T1\nX1000\n");
    EXPECT_FALSE(ReadNcDrillFile(gauge_, p, 0, value_));
    EXPECT_FALSE(ReadNcDrillFile(gauge_, p, 27, value_));
    EXPECT_EQ(DataCount, 0);
    EXPECT_TRUE(ReadNcDrillFile(gauge_, p, 26, value_));
}

TEST_F(NcDrillReaderTest, BadCoordinateEndsTheReadAndPutsTheTablesBack)
{
    ASSERT_TRUE(Read("T1C0.5\nX1000\n", 1, "first.drl"));
    EXPECT_THROW(Read("T1C0.9\nT2C1.1\nX1000\nX1.2.3Y5\n", 2), platform::Error);
    EXPECT_EQ(DataCount, 1);
    EXPECT_EQ(ToolCount, 1);
    EXPECT_EQ(Tools[1].Diameter, "0.5");
    EXPECT_EQ(Tools[1].Hits, 1);
    EXPECT_EQ(Tools[2].Diameter, "");
    EXPECT_EQ(value_.Count, 0);
}

TEST_F(NcDrillReaderTest, SecondFileKeepsTheToolsOfTheFirst)
{
    // Plated and non-plated holes of one job, both numbered from T1.
    ASSERT_TRUE(Read("M48\nT1C0.8\nT2C1.0\n%\nT1\nX1000\nT2\nX2000\nX3000\n", 1, "pth.drl"));
    ASSERT_TRUE(Read("M48\nT1C3.2\nT2C1.0\nT3C0.5\n%\nT1\nX4000\nT2\nX5000\nT3\nX6000\n", 2, "npth.drl"));
    EXPECT_EQ(Tools[1].Diameter, "0.8");
    EXPECT_EQ(Tools[1].Hits, 1);
    EXPECT_EQ(Tools[2].Diameter, "1.0");
    EXPECT_EQ(Tools[2].Hits, 3);  // the same size is the same tool
    // The first file's tools keep their numbers; T1 and T3 of the second
    // found no equal tool and were added.
    EXPECT_EQ(Tools[3].Diameter, "3.2");
    EXPECT_EQ(Tools[3].Hits, 1);
    EXPECT_EQ(Tools[4].Diameter, "0.5");
    EXPECT_EQ(ToolCount, 4);
    ASSERT_EQ(DataCount, 6);
    int codes[] = {1, 2, 2, 3, 2, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Hit(i).Code, codes[i]) << i;
    EXPECT_EQ(Hit(3).Layer, 2);
}

TEST_F(NcDrillReaderTest, ToolRedefinedInTheFileGetsItsOwnTool)
{
    ASSERT_TRUE(Read("T1C0.8\nX1000\nT1C0.80\nX2000\nT1C1.2\nX3000\nT1\nX4000\n"));
    EXPECT_EQ(Tools[1].Diameter, "0.8");
    EXPECT_EQ(Tools[1].Hits, 2);
    EXPECT_EQ(Tools[2].Diameter, "1.2");
    EXPECT_EQ(Tools[2].Hits, 2);
}

TEST_F(NcDrillReaderTest, SettingsDiametersOfFreeToolsAreTaken)
{
    // A data folder's settings give diameters by number without marking
    // tools used: a file without C words keeps them, one with C words
    // overwrites them.
    Tools[1].Diameter = "0.6";
    Tools[2].Diameter = "0.9";
    ASSERT_TRUE(Read("T1\nX1000\nT2C1.1\nX2000\n"));
    EXPECT_EQ(Tools[1].Diameter, "0.6");
    EXPECT_EQ(Tools[2].Diameter, "1.1");
}

TEST_F(NcDrillReaderTest, InchFormat)
{
    DrillFormat.Units = 1;
    DrillFormat.NumberFormat = "00.0000";
    ASSERT_TRUE(Read("M48\nINCH,TZ\nT13C0.028\nT2C.125\n%\nT13\nX011000Y013000\nT2\nX-001000Y030000\n"));
    // Diameters are held in millimetres.
    EXPECT_EQ(Tools[13].Diameter, "0.7112");
    EXPECT_EQ(Tools[2].Diameter, "3.175");
    ASSERT_EQ(DataCount, 2);
    EXPECT_NEAR(Hit(0).X3, 27.94, 1e-9);
    EXPECT_NEAR(Hit(0).Y3, 33.02, 1e-9);
    EXPECT_NEAR(Hit(1).X3, -2.54, 1e-9);
    EXPECT_NEAR(Hit(1).Y3, 76.2, 1e-9);
}

TEST_F(NcDrillReaderTest, DigitsFollowAnyNumberFormat)
{
    struct Case {
        const char* format;
        int zero;
        const char* word;
        double x;
    } cases[] = {
        {"000.00", 0, "X12345", 123.45},
        {"000.000", 0, "X12345", 12.345},
        {"000.0000", 0, "X12345", 1.2345},
        {"000.00000", 0, "X12345", 0.12345},
        {"0000.0000", 1, "X002365", 23.65},
        {"00.0000", 1, "X011", 1.1},
        {"000.000", 1, "X011", 11.0},
        {"garbage", 0, "X12345", 12.345},  // anything else: 3 and 3
        {"000.000", 0, "X1.5", 1.5},       // an explicit point wins
    };
    for (const Case& c : cases) {
        ResetTables();
        DrillFormat.NumberFormat = c.format;
        DrillFormat.Zero = c.zero;
        ASSERT_TRUE(Read(std::string("T1\n") + c.word + "Y0\n")) << c.format;
        EXPECT_NEAR(Hit(0).X3, c.x, 1e-9) << c.format << " " << c.word;
    }
}

TEST_F(NcDrillReaderTest, AppendsAfterLoadedElements)
{
    DataElement flash;
    flash.Kind = dkFlash;
    flash.Layer = 1;
    flash.Code = 10;
    AppendElement(flash);
    ASSERT_TRUE(Read("T1\nX1000\nX2000\n", 2));
    EXPECT_EQ(DataCount, 3);
    EXPECT_EQ(value_.Count, 2);
    EXPECT_EQ(Hit(0).Kind, dkFlash);
    EXPECT_EQ(Hit(2).Kind, dkDrill);
}

TEST_F(NcDrillReaderTest, SpacesAndRepeatsAndSlots)
{
    // Blanks between words, the slot form "X..Y..G85X..Y.." (one hit at its
    // end) and the repeat form "R5X..." (one hit) read without fuss.
    ASSERT_TRUE(Read("T13\nX-001000 Y030000\nX1.0Y0.5G85X2.0Y0.5\nR5X1000\n"));
    ASSERT_EQ(DataCount, 3);
    EXPECT_DOUBLE_EQ(Hit(0).X3, -1.0);
    EXPECT_DOUBLE_EQ(Hit(0).Y3, 30.0);
    EXPECT_DOUBLE_EQ(Hit(1).X3, 2.0);
}

TEST_F(NcDrillReaderTest, GaugeRunsToTheFileSize)
{
    struct RecordingGauge : Gauge {
        long long maximum = -1, last = -1;
        int pumps = 0;
        void SetMaximum(long long m) override { maximum = m; }
        void SetProgress(long long p) override { last = p; }
        void Pump() override { pumps += 1; }
    } gauge;
    std::string text = "T1\n";
    for (int i = 0; i < 20000; ++i) text += "X" + std::to_string(1000 + i) + "Y2000\n";
    ASSERT_TRUE(ReadNcDrillFile(gauge, Write("big.drl", text), 1, value_));
    EXPECT_EQ(value_.Count, 20000);
    EXPECT_EQ(gauge.maximum, static_cast<long long>(text.size()));
    EXPECT_EQ(gauge.last, gauge.maximum);
    EXPECT_GE(gauge.pumps, 2);  // also while reading, not only at the end
}

TEST_F(NcDrillReaderTest, CancelledReadPutsTheTablesBack)
{
    ASSERT_TRUE(Read("T1C0.8\nX1000Y1000\n"));
    struct CancellingGauge : Gauge {
        void Pump() override { CancelRequested = 1; }
    } gauge;
    std::string text = "T1\nT2C0.5\n";
    for (int i = 0; i < 20000; ++i) text += "X" + std::to_string(1000 + i) + "Y2000\n";
    EXPECT_FALSE(ReadNcDrillFile(gauge, Write("big.drl", text), 2, value_));
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_EQ(DataCount, 1);
    EXPECT_EQ(Tools[1].Hits, 1);
    EXPECT_EQ(Tools[2].Used, 0);
    EXPECT_EQ(value_.Count, 0);
}

TEST_F(NcDrillReaderTest, ScrambledInputNeverCrashes)
{
    // Pieces of drill files put together at random: every read ends in a
    // result or a clean error, and a failed read leaves nothing behind.
    const char* pieces[] = {"T", "C", "X", "Y", "I", "J", "G", "M", "0", "1", "5", "9", "-", "+", ".", "*",
                            "%", "(", ")", ";", "\n", "\r", " ", "G91", "G90", "G00", "G05", "M05", "T999",
                            "T1000", "X99999999999999999999", "\xff", "\x00", "C0.8", "G04", "G93"};
    unsigned seed = 7;
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = 0; i < 200; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
        }
        ResetTables();
        DrillFormat.Units = static_cast<int>(round % 2);
        try {
            bool ok = Read(text);
            EXPECT_EQ(ok, DataCount > 0);
            for (std::int32_t i = 0; i < DataCount; ++i) {
                ASSERT_GE(Hit(i).Code, 1);
                ASSERT_LE(Hit(i).Code, ToolCount);
            }
        } catch (const platform::Error&) {
            EXPECT_EQ(DataCount, 0);
            EXPECT_EQ(ToolCount, 0);
        }
    }
}

TEST(DrillDiameterText, InchToMillimetres)
{
    EXPECT_EQ(DrillDiameterText("0.8", 0), "0.8");
    EXPECT_EQ(DrillDiameterText(".864", 0), ".864");
    EXPECT_EQ(DrillDiameterText("0.0157", 1), "0.3988");
    EXPECT_EQ(DrillDiameterText("0.125", 1), "3.175");
    EXPECT_EQ(DrillDiameterText("1", 1), "25.4");
}

} // namespace
