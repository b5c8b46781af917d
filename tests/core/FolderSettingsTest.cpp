// The settings files of a data folder: golden bytes of a small job, both
// editions reading back what they wrote, the readers' rules, hostile files.
#include "core/FolderSettings.h"

#include "core/ProgramSettings.h"
#include "FolderSettingsSupport.h"
#include "platform/Error.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <tuple>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Golden = fs::path(TESSEL2_SOURCE_DIR) / "tests/core/data";

class FolderSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("tessel2-folder-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        Clear();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(folder_, ec);
        Clear();
    }
    static void Clear()
    {
        ResetTables();
        ProjectBasics = MyBasicSet{};
        GerberFormat = DefaultFormat("Gerber");
        DrillFormat = DefaultFormat("Drill");
    }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    // Everything the readers may change, as the current edition writes it.
    std::string State() const
    {
        WriteFolderSettings(Path("state.ini"));
        std::string s = platform::ReadFileBytes(folder_ / "state.ini");
        for (const MyLayerSet& l : IniLayerTable) s += l.FileName + l.Contents + std::to_string(l.Color) + ";";
        for (const MyTool& t : Tools) s += std::to_string(t.Used);
        return s + std::to_string(IniLayerCount) + "/" + std::to_string(ToolCount);
    }

    fs::path folder_;
};

// A small job: a gap in the D-codes and in the tools, colours of each written
// form, Japanese texts.
void SmallJob()
{
    ProjectBasics = MyBasicSet{"試作基板 A-1", "第２版\r\n改", "山田", 100.5, 80, -1.25, 0, 0, 0.5, 0.00001};
    MyFormatPara& g = GerberFormat;
    g.FormatName = "RS-274X", g.NumberFormat = "000.0000", g.Zero = 1, g.CircleMode = 1, g.OffsetX = 0.5, g.OffsetY = -2;
    DrillFormat.FormatName = "EXCELLON", DrillFormat.NumberFormat = "000.000", DrillFormat.AbsInc = 1, DrillFormat.Units = 1;
    Apertures[10] = MyAperture{1, apCircle, 0.2, 0, 0, "", 0, 0, ""};
    Apertures[11] = MyAperture{1, apThermal45, 1.0, 1.5, 0.25, "", 0, 0, ""};
    Apertures[13] = MyAperture{1, apRectangle, 1.2, 0.8, 0, "", 0, 0, ""};
    MaxDCode = 13;
    Tools[1] = MyTool{1, 12, "0.8", "A", "ビア"};
    Tools[3] = MyTool{1, 4, "1.0", "B", ""};
    ToolCount = 3;
    const std::int32_t btnFace = static_cast<std::int32_t>(0xFF00000F);
    LayerTable[1] = MyLayerSet{1, fkRS274X, "/d", "top.gbr", "部品面", "表", "A", "A", "P", 0x0000FF, 0x0000FF};
    LayerTable[2] = MyLayerSet{0, fkRS274D, "/d", "bot.gbr", "半田面", "", "B", "B", "P", 0x004080FF, btnFace};
    LayerTable[3] = MyLayerSet{0, fkNcDrill, "/d", "drill.txt", "穴", "", "C", "C", "P", 0xFFFFFF, 0x00FFFF};
    LayerCount = 3;
}

TEST_F(FolderSettingsTest, GoldenBytesOfASmallJob)
{
    SmallJob();
    WriteFolderSettings(Path("Tessel2.ini"));
    WriteOldSettingsFile(Path("Tesselu.ini"));
    for (const char* name : {"Tessel2.ini", "Tesselu.ini"})
        EXPECT_EQ(platform::ReadFileBytes(folder_ / name), platform::ReadFileBytes(Golden / name)) << name;
}

TEST_F(FolderSettingsTest, BothEditionsReadBackWhatTheyWrote)
{
    // D10-D77 and D100-D120, every shape; tools with a gap.
    SmallJob();
    ResetApertureTable();
    for (int d = 100; d <= 120; ++d)
        Apertures[d] = MyAperture{0, (d % 7 == 6) ? apMacro : d % 7, d / 100.0, (d + 200) / 50.0, d % 3 * 0.125, "", 0, 0, ""};
    Apertures[74].Shape = apThermal90;
    MaxDCode = 120;
    Tools[7] = MyTool{1, 1, "3.175", "C", "取付穴"};
    ToolCount = 7;
    const auto job = TakeSnapshot();
    for (const bool old : {false, true}) {
        RestoreSnapshot(*job);
        foldertest::ExpectReadBack(old, folder_);
        // Colours, and thermals in the earlier edition's form of an angle.
        EXPECT_EQ(IniLayerTable[2].Color, old ? 0x0F : static_cast<std::int32_t>(0xFF00000F));
        EXPECT_EQ(IniLayerTable[2].AltColor, old ? 0x0F : 0x004080FF);
        EXPECT_EQ(std::vector<int>({Apertures[74].Shape, Apertures[75].Shape}), std::vector<int>({apThermal90, apThermal45}));
        EXPECT_EQ(Apertures[74].Size3, old ? (1.8 - 1.2) * 0.5 : 0.3);
        EXPECT_EQ(Apertures[75].Size3, old ? (2.2 - 1.6) * 0.5 : 0.3);
    }
}

TEST_F(FolderSettingsTest, CommasInTableTextsKeepTheFields)
{
    SmallJob();
    LayerTable[1].FileName = "top, rev2.gbr";
    Tools[1].Comment = "ビア, 銅";
    // A "#" would start a comment in a key line.
    ProjectBasics.Title = "コメント#なし";
    ProjectBasics.Comment = "#1 # 2#";
    GerberFormat.Code = "ASCII#";
    WriteFolderSettings(Path("Tessel2.ini"));
    ResetTables();
    ProjectBasics = MyBasicSet{};
    ASSERT_TRUE(ReadFolderSettings(Path("Tessel2.ini")));
    EXPECT_EQ(ProjectBasics.Title, "コメント＃なし");
    EXPECT_EQ(ProjectBasics.Comment, "＃1 ＃ 2＃");
    EXPECT_EQ(GerberFormat.Code, "ASCII＃");
    EXPECT_EQ(IniLayerTable[1].Color, 0x0000FF);
    EXPECT_EQ(IniLayerTable[1].Polarity, "P");
    EXPECT_EQ(Tools[1].Comment, "ビア， 銅");
    // The loaded layer of that name finds its line.
    LayerTable[1].FileName = "top, rev2.gbr";
    LayerCount = 1;
    TakeSettingsLayers();
    EXPECT_EQ(LayerTable[1].Contents, "部品面");
}

// One rule per file: its text and what reading it must give.
struct Case {
    const char* name;
    std::string text;
    std::function<void()> check;
};

std::string Repeat(int n, const std::string& line)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += line;
    return s;
}

TEST_F(FolderSettingsTest, CurrentEditionReaderRules)
{
    const Case cases[] = {
        {"counts past the tables", "DCODE_MAX = 2001\r\n" + Repeat(1992, "0,1,0.5,0,0\r\n") + "TOOL_MAX = 1000\r\n" +
                                       Repeat(1000, "0,0.8,A,0,\r\n") + "TITLE = next\r\n",
         [] {
             EXPECT_EQ(MaxDCode, 1999);
             EXPECT_EQ(Apertures[1999].Shape, apSquare);
             EXPECT_EQ(Tools[999].Diameter, "0.8");
             EXPECT_EQ(Tools[1000].Diameter, "");
             EXPECT_EQ(ProjectBasics.Title, "next");
         }},
        {"short lines and loose numbers", "TOOL_MAX = 1\n1,0.8\nLAYER_MAX = 1\n1,a.gbr\nBOARDWIDTH = 12.5mm\nGB_UNITS = 1.9\n",
         [] {
             EXPECT_EQ(Tools[1].Diameter, "0.8");
             EXPECT_EQ(Tools[1].Symbol, "");
             EXPECT_EQ(IniLayerTable[1].Color, 0);
             EXPECT_EQ(ProjectBasics.BoardWidth, 12.5);
             EXPECT_EQ(GerberFormat.Units, 1);
             EXPECT_EQ(ToolCount, 0);
         }},
        {"digits follow the formats", "GB_FORMAT = 00.00000\r\nNC_FORMAT = 0000.0\r\n", [] {
             EXPECT_EQ(GerberFormat.IntDigits * 10 + GerberFormat.DecDigits, 25);
             EXPECT_EQ(DrillFormat.IntDigits * 10 + DrillFormat.DecDigits, 41);
         }},
    };
    // Each rule follows a file of every key, as the file always has them.
    Clear();
    WriteFolderSettings(Path("keys.ini"));
    const std::string keys = platform::ReadFileBytes(folder_ / "keys.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        ReadFolderSettingsBytes(keys + platform::Utf8ToCp932(c.text), "Tessel2.ini");
        c.check();
    }
}

// In the earlier edition's file: line 43 counts the tools, this one the D-codes.
constexpr std::size_t OldDcodeCount = 43 + 8 + 2 + 60 + 20 + 4 + 5;

// The earlier edition's file of the small job, line by line, to change.
std::vector<std::string> OldLines(const std::string& path)
{
    SmallJob();
    WriteOldSettingsFile(path);
    std::vector<std::string> lines = platform::ReadTextLines(path);
    ResetTables();
    return lines;
}

std::string Joined(const std::vector<std::string>& lines, const std::string& end = "\r\n")
{
    std::string s;
    for (const std::string& l : lines) s += l + end;
    return s;
}

TEST_F(FolderSettingsTest, EarlierEditionReaderRules)
{
    const std::vector<std::string> base = OldLines(Path("Tesselu.ini"));
    ASSERT_EQ(base[42], "2");
    ASSERT_EQ(base[OldDcodeCount], "3");
    // The base with n lines from `at` on replaced.
    auto with = [&](std::size_t at, std::size_t n, const std::vector<std::string>& replaced) {
        std::vector<std::string> l = base;
        l.erase(l.begin() + static_cast<long>(at), l.begin() + static_cast<long>(at + n));
        l.insert(l.begin() + static_cast<long>(at), replaced.begin(), replaced.end());
        return Joined(l);
    };
    std::vector<std::string> twice = base;
    twice.insert(twice.end(), base.begin(), base.end());
    twice[base.size() + OldDcodeCount + 18] = "0";   // the second copy's drill units

    const Case cases[] = {
        {"thermal angles", with(OldDcodeCount, 4, {"4", R"("D10","2","1","1.5","5")", R"("D11","2","1","1.5","5.5")",
                                             R"("D12","2","1","2","84.4")", R"("D13","2","1","1.5","85")"}),
         [] {
             EXPECT_EQ(std::vector<int>({Apertures[10].Shape, Apertures[11].Shape, Apertures[12].Shape, Apertures[13].Shape}),
                       std::vector<int>({apThermal90, apThermal45, apThermal45, apThermal90}));
             EXPECT_EQ(Apertures[12].Size3, 0.5);
         }},
        {"D-codes and tools outside the tables", with(OldDcodeCount, 4, {"2", R"("D5","0","1","0","0")", R"("D2000","0","1","0","0")"}),
         [] { EXPECT_EQ(MaxDCode, 0); }},
        {"blank lines and other lines after the layout", Joined(base) + "\r\n\r\n1\r\n", [] {
             EXPECT_EQ(IniLayerCount, 20);
             EXPECT_EQ(ProjectBasics.BoardWidth, 100.5);
         }},
        {"a second layout behind its mark, LF only", Joined(twice, "\n") + "\n", [] { EXPECT_EQ(DrillFormat.Units, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        ReadOldFolderSettingsBytes(platform::Utf8ToCp932(c.text), "Tesselu.ini");
        c.check();
    }
}

TEST_F(FolderSettingsTest, HostileFilesFailCleanly)
{
    const std::vector<std::string> base = OldLines(Path("Tesselu.ini"));
    std::string binary(4096, '\0');
    std::mt19937 random(7);
    for (char& c : binary) c = static_cast<char>(random());
    std::vector<std::string> hugeTools = base, badShape = base;
    hugeTools[42] = "2147483647";
    badShape[OldDcodeCount + 1] = R"("D10","x","1","0","0")";
    // Every file is broken for both editions.
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"short", Joined({base.begin(), base.begin() + 30})},
        {"binary", binary},
        {"huge counts", "DCODE_MAX = 2147483647\nTOOL_MAX = 1e300\nLAYER_MAX = -5\n,,,\n"},
        {"huge tool count", Joined(hugeTools)},
        {"shape not a number", Joined(badShape)},
        {"bad colour", "TITLE = changed\r\nLAYER_MAX = 1\r\n1,a,b,c,P,clNothing,0\r\n"},
        {"CR only", std::string(5000, '\r')},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        for (auto read : {ReadFolderSettingsBytes, ReadOldFolderSettingsBytes}) {
            Clear();
            SmallJob();
            const std::string before = State();
            bool failed = false;
            try {
                read(bytes, "x.ini");
            } catch (const platform::Error& e) {
                failed = true;
                EXPECT_NE(std::string(e.what()).find("x.ini"), std::string::npos);
                EXPECT_EQ(State(), before);
            }
            EXPECT_TRUE(failed);
        }
    }
}

// A file cut anywhere applies nothing of itself: it is refused, saying where
// it ended, and the tables are as they were. Only the earlier edition's
// filler lines after its formats may be missing: then it reads as the whole.
TEST_F(FolderSettingsTest, FilesCutShortApplyNothing)
{
    constexpr std::size_t oldFiller = 56;
    for (const bool old : {false, true}) {
        SCOPED_TRACE(old ? "Tesselu.ini" : "Tessel2.ini");
        Clear();
        SmallJob();
        const std::string path = Path(old ? "Tesselu.ini" : "Tessel2.ini");
        old ? WriteOldSettingsFile(path) : WriteFolderSettings(path);
        const std::string bytes = platform::ReadFileBytes(path);
        auto read = old ? ReadOldFolderSettingsBytes : ReadFolderSettingsBytes;
        Clear();
        SmallJob();
        const std::string before = State();
        read(bytes, "x.ini");
        const std::string whole = State();

        // Cut at the start and in the middle of every line.
        std::vector<std::size_t> lineStarts{0};
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            if (bytes[i] == '\n') lineStarts.push_back(i + 1);
        const std::size_t fillerStart = old ? lineStarts[lineStarts.size() - oldFiller] : bytes.size();
        std::vector<std::size_t> cuts{bytes.size() - 1};
        for (std::size_t k = 0; k < lineStarts.size(); ++k) {
            cuts.push_back(lineStarts[k]);
            const std::size_t end = k + 1 < lineStarts.size() ? lineStarts[k + 1] : bytes.size();
            cuts.push_back((lineStarts[k] + end) / 2);
        }
        for (std::size_t cut : cuts) {
            Clear();
            SmallJob();
            SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(bytes.size()));
            std::string error;
            try {
                read(bytes.substr(0, cut), "x.ini");
            } catch (const platform::Error& e) {
                error = e.what();
            }
            if (cut >= fillerStart) {
                EXPECT_EQ(error, "");
                EXPECT_EQ(State(), whole);
                continue;
            }
            EXPECT_NE(error.find("x.ini"), std::string::npos) << error;
            EXPECT_TRUE(error.find("途中で終わっています") != std::string::npos || error.find("の行がありません") != std::string::npos) << error;
            ASSERT_EQ(State(), before);
        }
    }
}

} // namespace
