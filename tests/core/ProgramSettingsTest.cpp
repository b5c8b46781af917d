#include "core/ProgramSettings.h"

#include "core/ColorText.h"
#include "platform/Error.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

class ProgramSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = fs::temp_directory_path() / ("tessel2-settings-" + std::to_string(::getpid()));
        fs::remove_all(home_);
        fs::create_directories(home_);
        ::setenv("TESSEL2_HOME", home_.c_str(), 1);
        platform::ResetProgramFolder();
        ResetTables();
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        std::error_code ec;
        fs::remove_all(home_, ec);
        ::unsetenv("TESSEL2_HOME");
        platform::ResetProgramFolder();
        ResetTables();
    }

    std::string Path(const std::string& name) const { return (home_ / name).string(); }
    std::string Bytes(const std::string& name) const { return platform::ReadFileBytes(home_ / name); }
    void Put(const std::string& name, const std::string& bytes) const { platform::WriteFileBytes(home_ / name, bytes); }

    // Runs the body in the C locale and, where the system has it, in a locale
    // with a decimal comma.
    template <class F>
    void InBothLocales(F body)
    {
        std::setlocale(LC_ALL, "C");
        body();
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) {
            std::setlocale(LC_ALL, "C");
            GTEST_SKIP() << "no German locale on this machine";
        }
        body();
        std::setlocale(LC_ALL, "C");
    }

    fs::path home_;
};

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string s;
    for (const char* l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

// ------------------------------------------------------------ golden bytes

TEST_F(ProgramSettingsTest, DefaultApertureFileBytes)
{
    InBothLocales([&] {
        ResetApertureTable();
        EXPECT_EQ(MaxDCode, 77);
        WriteApertureFile(Path("APERTURE.pra"));
        const std::string expected = Lines({
            "D10,0,0.08,0,0,0,0", "D11,0,0.1,0,0,0,0", "D12,0,0.12,0,0,0,0", "D13,0,0.15,0,0,0,0",
            "D14,0,0.2,0,0,0,0", "D15,1,0.2,0,0,0,0", "D16,0,0.22,0,0,0,0", "D17,0,0.25,0,0,0,0",
            "D18,0,0.3,0,0,0,0", "D19,1,0.3,0,0,0,0", "D20,0,0.35,0,0,0,0", "D21,0,0.4,0,0,0,0",
            "D22,1,0.4,0,0,0,0", "D23,0,0.42,0,0,0,0", "D24,0,0.45,0,0,0,0", "D25,0,0.5,0,0,0,0",
            "D26,1,0.5,0,0,0,0", "D27,0,0.6,0,0,0,0", "D28,0,0.65,0,0,0,0", "D29,0,0.7,0,0,0,0",
            "D30,0,0.8,0,0,0,0", "D31,0,0.9,0,0,0,0", "D32,0,1,0,0,0,0", "D33,1,1,0,0,0,0",
            "D34,0,1.1,0,0,0,0", "D35,0,1.2,0,0,0,0", "D36,1,1.2,0,0,0,0", "D37,0,1.3,0,0,0,0",
            "D38,1,1.3,0,0,0,0", "D39,0,1.4,0,0,0,0", "D40,1,1.4,0,0,0,0", "D41,0,1.5,0,0,0,0",
            "D42,1,1.5,0,0,0,0", "D43,0,1.6,0,0,0,0", "D44,1,1.6,0,0,0,0", "D45,0,1.7,0,0,0,0",
            "D46,0,1.8,0,0,0,0", "D47,0,1.9,0,0,0,0", "D48,0,2,0,0,0,0", "D49,1,2,0,0,0,0",
            "D50,0,2.1,0,0,0,0", "D51,0,2.2,0,0,0,0", "D52,1,2.2,0,0,0,0", "D53,0,2.3,0,0,0,0",
            "D54,0,2.4,0,0,0,0", "D55,0,2.5,0,0,0,0", "D56,1,2.5,0,0,0,0", "D57,0,2.6,0,0,0,0",
            "D58,0,2.7,0,0,0,0", "D59,1,2.7,0,0,0,0", "D60,0,2.8,0,0,0,0", "D61,0,2.9,0,0,0,0",
            "D62,0,3,0,0,0,0", "D63,1,3,0,0,0,0", "D64,0,3.2,0,0,0,0", "D65,1,3.2,0,0,0,0",
            "D66,0,3.5,0,0,0,0", "D67,0,3.7,0,0,0,0", "D68,0,4,0,0,0,0", "D69,0,4.2,0,0,0,0",
            "D70,0,4.5,0,0,0,0", "D71,0,4.7,0,0,0,0", "D72,0,5,0,0,0,0", "D73,2,1,1.5,0.25,0,0",
            "D74,2,1.2,1.8,0.3,0,0", "D75,2,1.6,2.2,0.3,0,0", "D76,2,2,2.5,0.65,0,0", "D77,1,0.85,0,0,0,0",
        });
        EXPECT_EQ(Bytes("APERTURE.pra"), expected);
    });
}

TEST_F(ProgramSettingsTest, DefaultFormatFileBytes)
{
    InBothLocales([&] {
        MyFormatPara gerber, drill;
        gerber.IntDigits = drill.IntDigits = 7;
        EXPECT_FALSE(ReadFormatFile(Path("GERBERFRM.pra"), "Gerber", gerber));
        EXPECT_FALSE(ReadFormatFile(Path("DRILLFRM.pra"), "Drill", drill));
        EXPECT_EQ(Bytes("GERBERFRM.pra"), Lines({"FORMATNAME  = RS-274D", "CODE        = ASCII",
                                                 "FORMAT      = 000.000", "ABSINC      = 0", "ZERO        = 0",
                                                 "UNITS       = 0", "CIRCLEMODE  = 0", "OFFSET_X    = 0",
                                                 "OFFSET_Y    = 0"}));
        EXPECT_EQ(Bytes("DRILLFRM.pra"), Lines({"FORMATNAME  = NC\x83h\x83\x8a\x83\x8b", "CODE        = ASCII",
                                                "FORMAT      = 000.00", "ABSINC      = 0", "ZERO        = 0",
                                                "UNITS       = 0", "CIRCLEMODE  = 0", "OFFSET_X    = 0",
                                                "OFFSET_Y    = 0"}));
        EXPECT_EQ(drill.FormatName, "NCドリル");
        EXPECT_EQ(drill.IntDigits, 3);
        EXPECT_EQ(drill.DecDigits, 2);
        EXPECT_EQ(gerber.DecDigits, 3);
        fs::remove(home_ / "GERBERFRM.pra");
        fs::remove(home_ / "DRILLFRM.pra");
    });
}

TEST_F(ProgramSettingsTest, DefaultLayerSetBytes)
{
    InBothLocales([&] {
        MyLayerTable table;
        std::int32_t count = 5;
        ReadLayerSetFile(Path("LAYERSET.pra"), table, count);
        EXPECT_EQ(count, 0);
        const char* colors[] = {"255", "4227327", "65535", "65280", "16744576", "16744448", "12632256", "16777215"};
        std::string expected;
        for (int k = 1; k <= 26; ++k) {
            std::string letter(1, static_cast<char>('A' + k - 1));
            expected += Lines({"0", "0", "", "", "", "", letter.c_str(), letter.c_str(), "P", colors[(k - 1) % 8],
                               colors[(k - 1) % 8]});
        }
        std::string bytes = Bytes("LAYERSET.pra");
        EXPECT_EQ(bytes, expected);
        std::size_t lineCount = 0;
        for (std::size_t p = bytes.find("\r\n"); p != std::string::npos; p = bytes.find("\r\n", p + 2)) ++lineCount;
        EXPECT_EQ(lineCount, 286u);
        EXPECT_EQ(table[9].Letter, "I");
        EXPECT_EQ(table[9].Color, 0x0000FF);
        fs::remove(home_ / "LAYERSET.pra");
    });
}

// ------------------------------------------------------------- round trips

TEST_F(ProgramSettingsTest, ApertureFileRoundTrip)
{
    InBothLocales([&] {
        ResetApertureTable();
        Apertures[10].Size1 = 0.123456789012345;  // fifteen digits survive
        Apertures[100] = MyAperture{0, apRectangle, 1.25, 0.00001, 0, "", 0, 0, ""};
        Apertures[1999] = MyAperture{0, apPolygon, 1234.5678, 6, -22.5, "", 0, 0, ""};
        Apertures[500] = MyAperture{0, apOval, 0.3, 1.7, 0, "", 0, 0, ""};
        Apertures[501] = MyAperture{0, apThermal90, 1.0, 1.5, 0.25, "", 0, 0, ""};
        MyApertureTable written = Apertures;
        WriteApertureFile(Path("APERTURE.pra"));
        Apertures.fill(MyAperture{});
        ASSERT_TRUE(ReadApertureFile(Path("APERTURE.pra")));
        EXPECT_EQ(MaxDCode, 1999);
        for (int d = 0; d <= MaxApertureCode; ++d) {
            const MyAperture& a = Apertures[static_cast<std::size_t>(d)];
            const MyAperture& w = written[static_cast<std::size_t>(d)];
            EXPECT_EQ(a.Shape, w.Shape) << d;
            EXPECT_EQ(a.Size1, w.Size1) << d;
            EXPECT_EQ(a.Size2, w.Shape == apSquare ? w.Size1 : w.Size2) << d;
            EXPECT_EQ(a.Size3, w.Size3) << d;
        }
    });
}

TEST_F(ProgramSettingsTest, FormatFileRoundTrip)
{
    InBothLocales([&] {
        MyFormatPara f;
        f.FormatName = "エクセロン 2";
        f.Code = "ASCII";
        f.NumberFormat = "00.0000";
        f.AbsInc = 1;
        f.Zero = 1;
        f.Units = 1;
        f.CircleMode = 1;
        f.OffsetX = -12.345;
        f.OffsetY = 0.00001;
        WriteFormatFile(Path("DRILLFRM.pra"), f);
        MyFormatPara r;
        ASSERT_TRUE(ReadFormatFile(Path("DRILLFRM.pra"), "Drill", r));
        EXPECT_EQ(r.FormatName, f.FormatName);
        EXPECT_EQ(r.Code, f.Code);
        EXPECT_EQ(r.NumberFormat, f.NumberFormat);
        EXPECT_EQ(r.IntDigits, 2);
        EXPECT_EQ(r.DecDigits, 4);
        EXPECT_EQ(r.AbsInc, 1);
        EXPECT_EQ(r.Zero, 1);
        EXPECT_EQ(r.Units, 1);
        EXPECT_EQ(r.CircleMode, 1);
        EXPECT_EQ(r.OffsetX, -12.345);
        EXPECT_EQ(r.OffsetY, 0.00001);
    });
}

TEST_F(ProgramSettingsTest, LayerSetRoundTrip)
{
    InBothLocales([&] {
        MyLayerTable table;
        for (int k = 1; k <= 26; ++k) table[static_cast<std::size_t>(k)] = DefaultLayerEntry(k);
        table[1] = MyLayerSet{1, fkRS274X, "/home/ユーザー/基板", "top.gbr", "部品面パターン", "メモ", "A", "B",
                              "P", 0x123456, -16777201, 0, 0};
        table[26].FileName = "drill.drl";
        table[26].FileKind = fkNcDrill;
        WriteLayerSetFile(Path("LAYERSET.pra"), table);
        MyLayerTable read;
        std::int32_t count = 0;
        ReadLayerSetFile(Path("LAYERSET.pra"), read, count);
        EXPECT_EQ(count, 2);
        for (int k = 1; k <= 26; ++k) {
            const MyLayerSet& a = read[static_cast<std::size_t>(k)];
            const MyLayerSet& b = table[static_cast<std::size_t>(k)];
            EXPECT_EQ(a.Active, b.Active);
            EXPECT_EQ(a.FileKind, b.FileKind);
            EXPECT_EQ(a.Folder, b.Folder);
            EXPECT_EQ(a.FileName, b.FileName);
            EXPECT_EQ(a.Contents, b.Contents);
            EXPECT_EQ(a.Remarks, b.Remarks);
            EXPECT_EQ(a.Letter, b.Letter);
            EXPECT_EQ(a.PageLetter, b.PageLetter);
            EXPECT_EQ(a.Polarity, b.Polarity);
            EXPECT_EQ(a.AltColor, b.AltColor);
            EXPECT_EQ(a.Color, b.Color);
        }
    });
}

// ------------------------------------------------------ reading edge cases

TEST_F(ProgramSettingsTest, ApertureFileLines)
{
    Put("APERTURE.pra", "D5,0,0.1,0,0,0,0\r\n");
    MaxDCode = 40;
    EXPECT_FALSE(ReadApertureFile(Path("APERTURE.pra")));
    EXPECT_EQ(MaxDCode, 0);
    EXPECT_EQ(Apertures[10].Shape, apNone);

    Put("APERTURE.pra", Lines({
        "D15,1,0.2,0.7,0,0,0",        // a square's second size is its first
        "D17,0,0.3,0,0,0",            // six fields: skipped
        "X18,0,0.3,0,0,0,0",          // another prefix: skipped
        "D2000,0,0.3,0,0,0,0",        // out of the table: skipped
        "D19,100,0,0,0,3,5",          // a macro without its primitives: undefined
        "D20,7,0.3,0,0,0,0",          // no such shape: skipped
        "D21,5.9,1.5,2.5,0,0,0",      // the shape is truncated
        "D22,0,0.4,0,0,0,0,extra",    // more fields do no harm
    }));
    EXPECT_TRUE(ReadApertureFile(Path("APERTURE.pra")));
    EXPECT_EQ(Apertures[15].Shape, apSquare);
    EXPECT_EQ(Apertures[15].Size2, 0.2);
    for (int d : {16, 17, 18, 19, 20}) EXPECT_EQ(Apertures[static_cast<std::size_t>(d)].Shape, apNone) << d;
    EXPECT_EQ(Apertures[19].FirstPrimitive, 0);
    EXPECT_EQ(Apertures[21].Shape, apRectangle);
    EXPECT_EQ(Apertures[22].Size1, 0.4);
    EXPECT_EQ(MaxDCode, 22);
    EXPECT_FALSE(ReadApertureFile(Path("NONE.pra")));
}

TEST_F(ProgramSettingsTest, MacroAperturesAreNotSavedAsDefaults)
{
    ResetApertureTable();
    Apertures[78] = MyAperture{1, apMacro, 0, 0, 0, "OC8", 1, 1, "0.06"};
    WriteApertureFile(Path("APERTURE.pra"));
    std::string bytes = Bytes("APERTURE.pra");
    EXPECT_EQ(bytes.find("D78"), std::string::npos);
    ASSERT_TRUE(ReadApertureFile(Path("APERTURE.pra")));
    EXPECT_EQ(Apertures[78].Shape, apNone);
    EXPECT_EQ(MaxDCode, 77);
}

TEST_F(ProgramSettingsTest, FormatFileValues)
{
    MyFormatPara f = DefaultFormat("Gerber");
    f.OffsetY = 3.5;  // no key: kept
    Put("GERBERFRM.pra", Lines({
        "FORMATNAME  = RS-274D   # comment",
        "FORMAT      = 000.0000   # 4 decimals",
        "ZERO        = 1",
        "format      = 000.00",
        "UNKNOWN     = 7",
        "no equals sign",
    }));
    f.AbsInc = 1;
    ASSERT_TRUE(ReadFormatFile(Path("GERBERFRM.pra"), "Gerber", f));
    EXPECT_EQ(f.FormatName, "RS-274D");
    EXPECT_EQ(f.NumberFormat, "000.0000");
    EXPECT_EQ(f.IntDigits, 3);
    EXPECT_EQ(f.DecDigits, 4);
    // A missing key leaves the field.
    EXPECT_EQ(f.AbsInc, 1);
    EXPECT_EQ(f.Zero, 1);
    EXPECT_EQ(f.OffsetY, 3.5);

    // An RS-274X format sets the digits, another text leaves them.
    Put("GERBERFRM.pra", Lines({"FORMAT      = 00.0000"}));
    ASSERT_TRUE(ReadFormatFile(Path("GERBERFRM.pra"), "Gerber", f));
    EXPECT_EQ(f.IntDigits, 2);
    EXPECT_EQ(f.DecDigits, 4);
    Put("GERBERFRM.pra", Lines({"FORMAT      = inch"}));
    ASSERT_TRUE(ReadFormatFile(Path("GERBERFRM.pra"), "Gerber", f));
    EXPECT_EQ(f.NumberFormat, "inch");
    EXPECT_EQ(f.IntDigits, 2);
}

TEST_F(ProgramSettingsTest, LayerSetValues)
{
    MyLayerTable table;
    std::int32_t count = 0;
    std::string bytes;
    // Record 1 with empty values, record 2 by colour name and hex, then 26 more.
    bytes += Lines({"", "", "", "a.gbr", "", "", "A", "A", "P", "", ""});
    bytes += Lines({"1", "2", "/d", "b.drl", "c", "r", "B", "A", "P", "clRed", "$00FF8000"});
    for (int k = 3; k <= 28; ++k) bytes += Lines({"1", "1", "", "x.gbr", "", "", "Z", "Z", "P", "1", "1"});
    Put("LAYERSET.pra", bytes);
    table[27].FileName = "untouched";
    ReadLayerSetFile(Path("LAYERSET.pra"), table, count);
    EXPECT_EQ(table[1].Active, 0);
    EXPECT_EQ(table[1].FileKind, 0);
    EXPECT_EQ(table[1].AltColor, 0x0000FF);
    EXPECT_EQ(table[1].Color, 0x0000FF);
    EXPECT_EQ(table[2].Active, 1);
    EXPECT_EQ(table[2].FileKind, fkNcDrill);
    EXPECT_EQ(table[2].Folder, "/d");
    EXPECT_EQ(table[2].AltColor, 0x0000FF);
    EXPECT_EQ(table[2].Color, 0xFF8000);
    EXPECT_EQ(table[26].Color, 1);
    // 26 records and no more.
    EXPECT_EQ(table[27].FileName, "untouched");
    EXPECT_EQ(count, 26);

    // A short last record: the missing lines read as empty.
    Put("LAYERSET.pra", Lines({"1", "1", "/f", "one.gbr"}));
    table[1].Color = 77;
    ReadLayerSetFile(Path("LAYERSET.pra"), table, count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(table[1].FileName, "one.gbr");
    EXPECT_EQ(table[1].Letter, "");
    EXPECT_EQ(table[1].Color, 0x0000FF);
}

// A value that does not read is named with its file and line; what the lines
// before it gave is kept, nothing is made up in its place, and the rest of
// the file is not read.
TEST_F(ProgramSettingsTest, ValuesThatDoNotReadAreNamedWithTheirLine)
{
    std::string record1, record2;
    for (const char* l : {"1", "5", "/d", "a.gbr", "c", "r", "A", "A", "P", "clLime", "clLime"}) record1 += l + std::string("\r\n");
    for (const char* l : {"1", "5", "/d", "b.gbr", "c", "r", "B", "B", "P", "clLime"}) record2 += l + std::string("\r\n");
    const struct {
        const char* file;
        std::string bytes;
        int line;
        std::string why;
        std::function<void()> kept;   // what the file gave before the fault, and what it left
    } cases[] = {
        {"APERTURE.pra", Lines({"D10,0,0.1,0,0,0,0", "D11,0,abc,0,0,0,0", "D12,0,0.3,0,0,0,0"}), 2,
         "'abc' は正しい数値ではありません。",
         [] {
             EXPECT_EQ(Apertures[10].Size1, 0.1);
             EXPECT_EQ(Apertures[11].Shape, apNone);
             EXPECT_EQ(Apertures[12].Shape, apNone);
             EXPECT_EQ(MaxDCode, 10);
         }},
        {"GERBERFRM.pra", Lines({"FORMAT      = 000.0000", "UNITS       = abc", "OFFSET_X    = 2"}), 2,
         "'abc' は正しい整数ではありません。",
         [] {
             EXPECT_EQ(GerberFormat.DecDigits, 4);
             EXPECT_EQ(GerberFormat.Units, 1);
             EXPECT_EQ(GerberFormat.OffsetX, 9);
         }},
        {"GERBERFRM.pra", Lines({"ZERO        = 1", "ABSINC      = 2"}), 2, "値は 0 か 1 でなければなりません。",
         [] { EXPECT_EQ(GerberFormat.Zero, 1); }},
        {"GERBERFRM.pra", "CODE        = ASCII\r\nFORMATNAME  = \x83\xff\x80\r\n", 2,
         "Shift-JIS として読めない文字があります。", [] { EXPECT_EQ(GerberFormat.FormatName, "X"); }},
        {"LAYERSET.pra", record1 + record2 + "red\r\n", 22, "色の名前でも数値でもありません。",
         [] {
             EXPECT_EQ(LayerTable[1].Color, 0x00FF00);
             EXPECT_EQ(LayerTable[2].AltColor, 0x00FF00);
             EXPECT_EQ(LayerTable[2].Color, 0x123456);
         }},
        {"LAYERSET.pra", Lines({"1", "9"}), 2, "値は -1 から 5 までの整数でなければなりません。",
         [] { EXPECT_EQ(LayerTable[1].FileKind, 3); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Put(c.file, c.bytes);
        ResetApertureTable();
        GerberFormat = DefaultFormat("Gerber");
        GerberFormat.FormatName = "X";
        GerberFormat.Units = 1;
        GerberFormat.OffsetX = 9;
        GerberFormat.OffsetY = 7;
        for (MyLayerSet& l : LayerTable) {
            l.Active = l.FileKind = 3;
            l.AltColor = l.Color = 0x123456;
        }
        std::int32_t count = 0;
        try {
            if (std::string(c.file) == "APERTURE.pra") ReadApertureFile(Path(c.file));
            else if (std::string(c.file) == "GERBERFRM.pra") ReadFormatFile(Path(c.file), "Gerber", GerberFormat);
            else ReadLayerSetFile(Path(c.file), LayerTable, count);
            ADD_FAILURE() << "read";
        } catch (const platform::Error& e) {
            EXPECT_EQ(std::string(e.what()), "設定ファイル「" + Path(c.file) + "」の " + std::to_string(c.line) +
                                                 " 行目を読み込めません。\n\r" + c.why);
        }
        c.kept();
        // The file is the user's to mend: reading leaves it as it was.
        EXPECT_EQ(Bytes(c.file), c.bytes);
    }
}

TEST_F(ProgramSettingsTest, FilesAreFoundWithoutRegardToCase)
{
    Put("aperture.PRA", "D10,0,0.5,0,0,0,0\r\n");
    SetProgramFilePaths();
    EXPECT_EQ(fs::path(ApertureFilePath).filename(), "aperture.PRA");
    EXPECT_EQ(fs::path(DrillFormatFilePath), home_ / "DRILLFRM.pra");
    EXPECT_TRUE(ReadApertureFile(ApertureFilePath));
    EXPECT_EQ(Apertures[10].Size1, 0.5);
    EXPECT_EQ(fs::path(LayerSetFilePath()), home_ / "LAYERSET.pra");
}

// ------------------------------------------------------------ aperture lists

TEST_F(ProgramSettingsTest, ApertureListRoundTripOfEveryShape)
{
    InBothLocales([&] {
        MyApertureTable table;
        table[10] = MyAperture{1, apCircle, 0.1, 0, 0, "", 0, 0, ""};
        table[11] = MyAperture{1, apSquare, 0.25, 0, 0, "", 0, 0, ""};
        table[12] = MyAperture{1, apThermal45, 1.0, 1.5, 0.25, "", 0, 0, ""};
        table[13] = MyAperture{1, apThermal90, 1.2, 1.8, 0.3, "", 0, 0, ""};
        table[14] = MyAperture{1, apOval, 0.6, 1.45, 0, "", 0, 0, ""};
        table[15] = MyAperture{1, apRectangle, 0.00001, 2.5, 0, "", 0, 0, ""};
        table[16] = MyAperture{1, apPolygon, 1.0, 6, 22.5, "", 0, 0, ""};
        table[17] = MyAperture{1, apMacro, 0, 0, 0, "RoundRect_0.5", 0, 0, ""};
        table[18] = MyAperture{0, apCircle, 0.3, 0, 0, "", 0, 0, ""};   // not used: not listed
        table[19] = MyAperture{1, apNone, 0, 0, 0, "", 0, 0, ""};       // no keyword: not listed
        table[999] = MyAperture{1, apCircle, 123.456, 0, 0, "", 0, 0, ""};
        WriteDcodeList(Path("list.txt"), table, 999, "テスト基板 apertures");
        MyApertureTable read;
        read[40].Shape = apCircle;  // cleared by the read
        std::int32_t highest = 0;
        ASSERT_TRUE(ReadDcodeList(Path("list.txt"), read, highest));
        EXPECT_EQ(highest, 999);
        for (int d = 0; d <= MaxApertureCode; ++d) {
            const MyAperture& w = table[static_cast<std::size_t>(d)];
            const MyAperture& r = read[static_cast<std::size_t>(d)];
            bool listed = w.Used == 1 && w.Shape != apNone;
            EXPECT_EQ(r.Used, listed ? 1 : 0) << d;
            EXPECT_EQ(r.Shape, listed ? w.Shape : apNone) << d;
            if (!listed) continue;
            EXPECT_EQ(r.Size1, w.Size1) << d;
            EXPECT_EQ(r.Size2, w.Size2) << d;
            EXPECT_EQ(r.Size3, w.Size3) << d;
            EXPECT_EQ(r.MacroName, w.MacroName) << d;
        }
    });
}

TEST_F(ProgramSettingsTest, ApertureListBytes)
{
    MyApertureTable table;
    table[10] = MyAperture{1, apCircle, 0.1, 0, 0, "", 0, 0, ""};
    table[11] = MyAperture{1, apMacro, 0, 0, 0, "OC8", 0, 0, ""};
    table[12] = MyAperture{1, apRectangle, 0.5, 0.25, 0, "", 0, 0, ""};
    WriteDcodeList(Path("list.txt"), table, 11, "基板");
    EXPECT_EQ(Bytes("list.txt"), "\r\r\n"
                                 "\t\x8a\xee\x94\xc2\r\n"
                                 "\r\r\n"
                                 "\t---------------------------------------\r\n"
                                 "\tD_CODE\t\x8c\x60\x8f\xf3\t\x81\x90\x82\x50\t\x81\x90\x82\x51\t\x81\x90\x82\x52\r\n"
                                 "\t---------------------------------------\r\n"
                                 "\tD10\tCIR\t0.1\t\t\r\n"
                                 "\tD11\tMCR\tOC8\t \t \r\n");
}

TEST_F(ProgramSettingsTest, ApertureListLines)
{
    Put("list.txt", Lines({
        "D12  THERMAL90  1.0, 1.5 ,0.4",   // bridge capped at half the ring
        "D1234 CIR 0.1",                   // beyond D999: ignored
        "d10 CIR 0.1",                     // lower case: not a D-code line
        "D09 CIR 0.1",                     // below D10
        "   D20\t,\tOVAL,,0.5\t\t0.8  ",   // blanks, tabs and commas
        "D21 THR 1.0 1.6 0.2",             // a bridge within the ring stays
        "D22 MACRO DONUT",
        "D23 ROUND 0.3",                   // an unknown keyword: used, no shape
        "D24 POLYGON 1.5 5 45",
        "D25 RECT 1 2 3",                  // a third size only for thermals and polygons
    }));
    MyApertureTable table;
    std::int32_t highest = 0;
    ASSERT_TRUE(ReadDcodeList(Path("list.txt"), table, highest));
    EXPECT_EQ(highest, 25);
    EXPECT_EQ(table[12].Shape, apThermal90);
    EXPECT_EQ(table[12].Size1, 1.0);
    EXPECT_EQ(table[12].Size2, 1.5);
    EXPECT_DOUBLE_EQ(table[12].Size3, 0.25);
    EXPECT_EQ(table[10].Used, 0);
    EXPECT_EQ(table[9].Used, 0);
    EXPECT_EQ(table[20].Shape, apOval);
    EXPECT_EQ(table[20].Size1, 0.5);
    EXPECT_EQ(table[20].Size2, 0.8);
    EXPECT_EQ(table[21].Shape, apThermal45);
    EXPECT_EQ(table[21].Size3, 0.2);
    EXPECT_EQ(table[22].Shape, apMacro);
    EXPECT_EQ(table[22].MacroName, "DONUT");
    EXPECT_EQ(table[23].Used, 1);
    EXPECT_EQ(table[23].Shape, apNone);
    EXPECT_EQ(table[24].Size3, 45);
    EXPECT_EQ(table[25].Size3, 0);
}

TEST_F(ProgramSettingsTest, ApertureListThatIsNoListChangesNothing)
{
    MyApertureTable table;
    table[10] = MyAperture{1, apCircle, 0.1, 0, 0, "", 0, 0, ""};
    std::int32_t highest = 10;
    Put("notes.txt", Lines({"Number Size Shape", "  10  4  round", "Drill list"}));
    EXPECT_FALSE(ReadDcodeList(Path("notes.txt"), table, highest));
    EXPECT_FALSE(ReadDcodeList(Path("missing.txt"), table, highest));
    EXPECT_EQ(highest, 10);
    EXPECT_EQ(table[10].Shape, apCircle);
    EXPECT_EQ(table[10].Used, 1);
}

TEST(ColorText, NamesHexAndNumbers)
{
    EXPECT_EQ(ColorText(0x0000FF), "clRed");
    EXPECT_EQ(ColorText(static_cast<std::int32_t>(0xFF00000F)), "clBtnFace");
    EXPECT_EQ(ColorText(0x4080FF), "$004080FF");
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"clRed", true, 0x0000FF},       {"CLRED", true, 0x0000FF},      {"clMenuBar", true, -16777186},
        {"$FF", true, 255},              {"$ff8000", true, 0xFF8000},     {"$FFFFFFFF", true, -1},
        {"16744576", true, 0xFF8080},    {"-16777201", true, -16777201}, {"", false, 0},
        {"$", false, 0},                 {"$123456789", false, 0},       {"red", false, 0},
        {"1.5", false, 0},               {"4294967295", false, 0},
    };
    for (const Case& c : cases) {
        std::int32_t v = 0;
        EXPECT_EQ(TryParseColorText(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    for (std::int32_t v : {0, 0x0000FF, 0x123456, -16777201, 0x20000000, -1}) {
        std::int32_t r = 0;
        ASSERT_TRUE(TryParseColorText(ColorText(v), r));
        EXPECT_EQ(r, v);
    }
}

} // namespace
