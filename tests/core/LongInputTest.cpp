// Hostile long input across the readers: a block or line longer than any real
// one fails the read with a short message naming where it starts, a field of
// megabytes is quoted by its beginning only, a long comment is skipped, and a
// failed read leaves the tables as they were.
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "core/ProgramSettings.h"
#include "core/ProjectFile.h"
#include "platform/Error.h"
#include "platform/ProgramPaths.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

class LongInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = fs::temp_directory_path() / ("tessel2-long-" + std::to_string(::getpid()));
        fs::create_directories(home_ / "DATA");
        ::setenv("TESSEL2_HOME", home_.c_str(), 1);
        platform::ResetProgramFolder();
        ResetTables();
        DataFolder = (home_ / "DATA").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(home_, ec);
        ResetTables();
        platform::ResetProgramFolder();
    }
    fs::path home_;
};

const std::string GerberHead = "%FSLAX24Y24*%\n%MOMM*%\n%ADD10C,0.1*%\nD10*\nX0Y0D03*\nX100000Y100000D03*\n";
const std::string DrillHead = "M48\nMETRIC\nT1C0.8\n%\nT1\nX1000Y1000\n";
const std::string ProjectHead = "LAYER/1/1/5/top.gbr///A/A/P/clRed/clRed\r\nDATASCOUNT/1\r\n";

std::string Digits(std::size_t n) { return std::string(n, '1'); }

} // namespace

TEST_F(LongInput, ReadsFailShortOrSkipComments)
{
    enum Reader { Gerber, Drill, Project, ApertureList };
    struct Case {
        const char* what;
        Reader reader;
        std::string bytes;
        std::string error;   // part of the message; empty: the file reads
        int elements;        // when it reads
    };
    const std::size_t over = MaxBlockBytes + 1;
    // Characters, not bytes, are counted: none is cut in two.
    std::string kanji, quoted;
    for (int k = 0; k < 50; ++k) kanji += "赤";
    for (int k = 0; k < 40; ++k) quoted += "赤";
    // Blocks cut by line ends, over many chunks: their lines are counted.
    std::string moves;
    for (int k = 0; k < 50000; ++k) moves += "X0\nY0D02*\n";
    std::string bigMacro = "%AMBIG*";
    while (bigMacro.size() < MaxBlockBytes + (1 << 20)) bigMacro += "1,1,0.5,0,0*\n";
    const Case cases[] = {
        {"Gerber block past the bound", Gerber, GerberHead + "X" + Digits(over) + "\nM02*\n", "7 行目から始まるブロックが長すぎる", 0},
        {"Gerber block past the bound after many chunks, never ended", Gerber, GerberHead + "G01*\n" + moves + "X" + Digits(over),
         "100008 行目から始まるブロック", 0},
        {"Gerber coordinate of 200 KB", Gerber, GerberHead + "X" + Digits(200 << 10) + "Y0D03*\nM02*\n",
         "'1111111111111111111111111111111111111111…' は正しい数値ではありません。", 0},
        {"Gerber macro past the bound", Gerber, GerberHead + bigMacro + "%\n", "アパーチャーマクロ「BIG」が長すぎる", 0},
        {"Gerber comment of 20 MB without a line end", Gerber, GerberHead + "G04 " + std::string(20 << 20, 'c') + "*X0Y50000D03*\nM02*\n",
         "", 3},
        {"Gerber comment across %", Gerber, GerberHead + "G04 a%b " + std::string(1 << 20, ' ') + "c%d*X0Y50000D03*\nM02*\n", "", 3},
        {"drill line past the bound", Drill, DrillHead + "X2000\nY" + Digits(over) + "\nM30\n", "8 行目が長すぎる", 0},
        {"drill coordinate of 1 MB", Drill, DrillHead + "X" + Digits(1 << 20) + "\nM30\n", "'1111111111111111111111111111111111111111…'", 0},
        {"drill comment of 20 MB without a line end", Drill, DrillHead + "G04 " + std::string(20 << 20, 'c') + "*X2000Y2000\nM30\n",
         "", 2},
        {"project field of 5 MB", Project, ProjectHead + "DAT/0/1/0/1/10/" + Digits(5 << 20) + "x/0/1/1/0/0/0/0\r\n",
         "'1111111111111111111111111111111111111111…' は正しい数値ではありません。", 0},
        // A control byte in a quoted value is shown, and the message goes on after it.
        {"project field with a NUL byte", Project, ProjectHead + "DAT/0/1/0/1/10/4.1" + std::string(1, '\0') + "2/0/1/1/0/0/0/0\r\n",
         "'4.1\\x002' は正しい数値ではありません。", 0},
        {"project colour of 50 kanji", Project,
         platform::Utf8ToCp932("LAYER/1/1/5/a.gbr///A/A/P/clRed/" + kanji + "\r\n"), "'" + quoted + "…' は正しい色ではありません。", 0},
        {"project line past the bound", Project, ProjectHead + "DAT/" + std::string(platform::MaxLineBytes, '0') + "\r\n",
         "3 行目が長すぎる", 0},
        {"aperture list size of 3 MB", ApertureList, "D10 CIR " + Digits(3 << 20) + "x\r\n",
         "「list.txt」の 1 行目を読み込めません。\n\r'1111111111111111111111111111111111111111…'", 0},
        {"aperture list line past the bound", ApertureList, "D10 CIR 0.1\r\nD11 CIR " + Digits(platform::MaxLineBytes) + "\r\n",
         "「list.txt」を読み込めません。\n\r2 行目が長すぎる", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetTables();
        // Something loaded before, which a failed read must leave as it was.
        DataElement loaded;
        loaded.Kind = dkFlash;
        loaded.Layer = 1;
        AppendElement(loaded);
        const fs::path file = home_ / (c.reader == ApertureList ? "list.txt" : "data");
        platform::WriteFileBytes(file, c.bytes);
        Gauge gauge;
        MyDataValue value;
        auto table = std::make_unique<MyApertureTable>();
        std::int32_t highest = 0;
        std::string error;
        bool read = false;
        try {
            switch (c.reader) {
            case Gerber: read = ReadGerberFile(gauge, file.string(), 2, value); break;
            case Drill: read = ReadNcDrillFile(gauge, file.string(), 2, value); break;
            case Project:
                LayerTakeFlags.fill(1);
                read = ReadProjectFile(gauge, file.string(), value);
                break;
            case ApertureList: read = ReadDcodeList(file.string(), *table, highest); break;
            }
        } catch (const platform::Error& e) {
            error = e.what();
        }
        if (!c.error.empty()) {
            EXPECT_FALSE(read);
            EXPECT_NE(error.find(c.error), std::string::npos) << error.substr(0, 200);
            EXPECT_LE(error.size(), 250u) << error.substr(0, 200);
            EXPECT_EQ(DataCount, 1);
            EXPECT_EQ(highest, 0);
        } else {
            EXPECT_TRUE(read) << error.substr(0, 200);
            EXPECT_EQ(value.Count, c.elements);
        }
    }
}
