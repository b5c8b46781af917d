// The project file: the records a job is written as, the same job read back
// into an empty store or added to loaded layers, and files that are not what
// the writer makes.
#include "core/ProjectFile.h"

#include "GerberTestSupport.h"
#include "core/FlashDrawing.h"
#include "platform/Error.h"
#include "platform/RasterCanvas.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

using namespace core;
namespace fs = std::filesystem;

namespace {

DataElement Element(int layer, int kind, int code, double x, double y, std::uint8_t clear = 0)
{
    DataElement e;
    e.Layer = layer, e.Kind = kind, e.Code = code, e.Clear = clear;
    e.X1 = e.X3 = x, e.Y1 = e.Y3 = y, e.X2 = x + 1.25, e.Y2 = y - 0.5;
    return e;
}

void SetLayer(int k, const std::string& name, std::int32_t color, std::int32_t altColor)
{
    MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
    l.FileName = name, l.FileKind = fkRS274X, l.Active = k == 1, l.Color = color, l.AltColor = altColor;
    LayerCount = std::max(LayerCount, k);
}

class ProjectFile : public gerbertest::GerberFixture {
protected:
    void SetUp() override
    {
        GerberFixture::SetUp();
        // The drill reader's tests leave a format of their own behind.
        DrillFormat = MyFormatPara{};
        StepMarks.fill(0);
        ProjectBasics = MyBasicSet{};
    }
    // Empty tables, every layer of a file taken.
    static void Fresh()
    {
        ResetTables();
        DrillFormat = MyFormatPara{};
        ProjectBasics = MyBasicSet{};
        LayerTakeFlags.fill(1);
    }

    std::string Path(const std::string& name = "job.tsn") const { return (home_ / name).string(); }

    // A small job: one layer, D10 and D11 in use, three elements, a tool and
    // a macro primitive whose text holds an expression.
    void SmallJob()
    {
        ProjectBasics.Title = "基板/A", ProjectBasics.Comment = "rev 1/2", ProjectBasics.Author = "山田";
        ProjectBasics.BoardWidth = 100, ProjectBasics.BoardLeft = 0.00001;
        Extents.MinX = -1.5, Extents.MaxX = 98.5;
        GerberFormat.FormatName = "RS-274X", GerberFormat.NumberFormat = "00.00000";
        SetLayer(1, "top/1.gbr", 0x0000FF, 0x4080FF);
        LayerTable[1].Contents = "部品面パターン", LayerTable[1].Remarks = "a/b/c";
        Apertures[10] = MyAperture{1, apCircle, 0.5, 0, 0, "", 0, 0, ""};
        Apertures[11] = MyAperture{1, apRectangle, 1.2, 0.8, 0, "", 0, 0, ""};
        Apertures[12] = MyAperture{0, apCircle, 0.7, 0, 0, "", 0, 0, ""};
        Macros.push_back(MyMacro{12, "OC8", "1,1,$1/2,0,0", "ADD12OC8,0.5", {}, 0});
        MacroCount = 1;
        Tools[1] = MyTool{1, 1, "0.8", "", "φ0.8/PTH"};
        ToolCount = 1;
        AppendElement(Element(1, dkFlash, 10, 1, 2));
        AppendElement(Element(1, dkLine, 11, 3, 4, 1));
        AppendElement(Element(1, dkDrill, 1, 5, 6));
    }

    bool ReadBack(const std::string& path)
    {
        LayerTakeFlags.fill(1);
        Gauge gauge;
        return ReadProjectFile(gauge, path, value);
    }

    bool ReadText(const std::string& text)
    {
        Gauge gauge;
        return ReadProjectData(gauge, platform::Utf8ToCp932(text), value);
    }
};

// Records of a well-formed file around the lines of a case.
std::string FileOf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

const std::string Layer1 = "LAYER/1/1/5/top.gbr///A/A/P/clRed/clRed";
const std::string Dat1 = "DAT/0/1/0/1/10/0/0/1/1/0/0/0/0";

} // namespace

TEST_F(ProjectFile, RecordsInTheirOrderAndForms)
{
    SmallJob();
    WriteProjectFile(Path());
    EXPECT_EQ(StepMarks[3], 1);
    const std::vector<std::string> expected = {
        "BS/基板／A/rev 1／2/山田/100/0/1E-5/0",
        "NO/0/0",
        "DA/-1.5/98.5/1500/-1500/100/100/0/0",
        "GBFORMAT/RS-274X/0/0/0/0/00.00000/0",
        "NCFORMAT//0/0/0/0/000.000/0",
        "LAYER/1/1/5/top／1.gbr/部品面パターン/a／b／c/A/A/P/$004080FF/clRed",
        "MACRO/12/OC8/1,1,$1/2,0,0/ADD12OC8,0.5",
        "APT/10/1/0/0.5/0/0//0/0",
        "APT/11/1/5/1.2/0.8/0//0/0",
        "TOOL/1/1/1/0.8//φ0.8／PTH",
        "DATASCOUNT/3",
        "DAT/0/1/0/3/10/1/2/2.25/1.5/1/2/0/0",
        "DAT/-1/1/0/1/11/3/4/4.25/3.5/3/4/0/0",
        "DAT/0/1/0/10/1/5/6/6.25/5.5/5/6/0/0",
    };
    EXPECT_EQ(platform::ReadTextLines(Path()), expected);
    const std::string bytes = platform::ReadFileBytes(Path());

    // The same job written under a locale with a decimal comma.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8")) {
        WriteProjectFile(Path("comma.tsn"));
        std::setlocale(LC_ALL, before.c_str());
        EXPECT_EQ(platform::ReadFileBytes(Path("comma.tsn")), bytes);
    }

    // Read back into an empty store: the texts whole (with the full-width
    // slash), the macro text rejoined, colours and flags as they were.
    ResetTables();
    ASSERT_TRUE(ReadBack(Path()));
    EXPECT_EQ(ProjectBasics.Title, "基板／A");
    EXPECT_EQ(LayerTable[1].Remarks, "a／b／c");
    EXPECT_EQ(LayerTable[1].Color, 0x0000FF);
    EXPECT_EQ(LayerTable[1].AltColor, 0x4080FF);
    ASSERT_EQ(MacroCount, 1);
    EXPECT_EQ(Macros[1].Text, "1,1,$1/2,0,0");
    ASSERT_EQ(DataCount, 3);
    EXPECT_EQ(Datas[1].Clear, 1);
    EXPECT_EQ(value.MaxX, 98.5);

    // A text Shift-JIS cannot hold does not stop the save: its character
    // becomes "?".
    LayerTable[1].FileName = "café.gbr";
    WriteProjectFile(Path("accent.tsn"));
    EXPECT_EQ(platform::ReadTextLines(Path("accent.tsn"))[5].substr(0, 20), "LAYER/1/1/5/caf?.gbr");
}

// The layers a file offers, and the take flags the reader follows.
TEST_F(ProjectFile, TakenLayersAndTheirElements)
{
    const std::string file = FileOf({
        "LAYER/1/1/5/a.gbr/部品面パターン//A/A/P/clRed/clRed",
        "LAYER/2/0/5/b.gbr///B/B/P/clLime/clLime",
        "LAYER/3/0/2/c.drl/ドリルデータ//C/C/P/clAqua/clAqua",
        "DATASCOUNT/5",
        "DAT/0/1/0/0/0/0/0/0/0/0/0/0/0",
        "DAT/0/1/0/1/10/0/0/1/1/0/0/0/0",
        "DAT/-1/2/0/0/0/0/0/0/0/0/0/0/0",
        "DAT/0/2/0/1/10/0/0/2/2/0/0/0/0",
        "DAT/0/3/0/10/1/5/5/5/5/5/5/0/0",
    });
    platform::WriteFileBytes(Path(), platform::Utf8ToCp932(file));
    const std::vector<ProjectLayer> offered = ReadProjectLayers(Path());
    ASSERT_EQ(offered.size(), 3u);
    EXPECT_EQ(offered[0].Contents, "部品面パターン");
    EXPECT_EQ(TakeAllProjectLayers(Path()), 3);

    // The second of three unticked.
    LayerTakeFlags.fill(0);
    LayerTakeFlags[1] = LayerTakeFlags[3] = 1;
    Gauge gauge;
    ASSERT_TRUE(ReadProjectFile(gauge, Path(), value));
    ASSERT_EQ(LayerCount, 2);
    EXPECT_EQ(LayerTable[2].FileName, "c.drl");
    EXPECT_EQ(LayerTable[2].PageLetter, "B");
    ASSERT_EQ(DataCount, 4);   // both markers, and the elements of layers 1 and 3
    EXPECT_EQ(Datas[2].Kind, dkSection);
    EXPECT_EQ(Datas[2].Layer, 2);
    EXPECT_EQ(Datas[3].Layer, 2);

    // Added to three loaded layers: the taken layers follow them.
    ResetTables();
    for (int k = 1; k <= 3; ++k) SetLayer(k, "loaded" + std::to_string(k), 0, 0);
    LayerTakeFlags.fill(0);
    LayerTakeFlags[1] = LayerTakeFlags[2] = 1;
    ASSERT_TRUE(ReadProjectFile(gauge, Path(), value));
    ASSERT_EQ(LayerCount, 5);
    EXPECT_EQ(LayerTable[4].Letter, "D");
    EXPECT_EQ(LayerTable[5].Letter, "E");
    ASSERT_EQ(DataCount, 4);
    EXPECT_EQ(Datas[1].Layer, 4);
    EXPECT_EQ(Datas[3].Layer, 5);
}

// Apertures and tools of a file join the loaded ones: equal ones are shared,
// others take free codes, and the elements follow.
TEST_F(ProjectFile, CodesOfAnAddedProject)
{
    const std::string file = FileOf({
        "LAYER/1/1/5/a.gbr///A/A/P/clRed/clRed",
        "APT/10/1/0/0.5003/0/0//0/0",
        "APT/11/1/0/0.9/0/0//0/0",
        "TOOL/1/1/1/0.8//",
        "TOOL/2/1/1/1.1//",
        "DATASCOUNT/4",
        "DAT/0/1/0/3/10/0/0/0/0/0/0/0/0",
        "DAT/0/1/0/3/11/0/0/0/0/0/0/0/0",
        "DAT/0/1/0/10/1/0/0/0/0/0/0/0/0",
        "DAT/0/1/0/10/2/0/0/0/0/0/0/0/0",
    });
    SetLayer(1, "loaded.gbr", 0, 0);
    Apertures[10] = MyAperture{1, apSquare, 0.3, 0, 0, "", 0, 0, ""};
    Apertures[20] = MyAperture{1, apCircle, 0.5, 0, 0, "", 0, 0, ""};
    Tools[1].Diameter = "1.1";
    ToolCount = 1;
    LayerTakeFlags.fill(1);
    ASSERT_TRUE(ReadText(file));
    ASSERT_EQ(DataCount, 4);
    // D10 (0.5003) is the loaded D20 within 0.0004; D11 gets a free code.
    EXPECT_EQ(Datas[0].Code, 20);
    EXPECT_EQ(ApertureMap[10], 20);
    const int d11 = Datas[1].Code;
    EXPECT_NE(d11, 10);
    EXPECT_EQ(Apertures[static_cast<std::size_t>(d11)].Size1, 0.9);
    // Tool 2 (1.1) is the loaded tool 1; tool 1 (0.8) is added as tool 2.
    EXPECT_EQ(Datas[2].Code, 2);
    EXPECT_EQ(Datas[3].Code, 1);
    EXPECT_EQ(Tools[2].Diameter, "0.8");
}

TEST_F(ProjectFile, DrillOriginAndFieldCounts)
{
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        double ncLeft, ncBottom;
        const char* title;
        int elements;
    };
    const Case cases[] = {
        {"no NO record", {"BS/t/c/a/100/80/12.5/7.25", "NCFORMAT//0/2.5/1.25/0/000.000/0", "DATASCOUNT/0"}, 10, 6, "t", 0},
        {"NO of 0/0", {"BS/t/c/a/100/80/12.5/7.25", "NO/0/0", "NCFORMAT//0/2.5/1.25/0/000.000/0", "DATASCOUNT/0"}, 10, 6, "t", 0},
        {"NO as written", {"NO/3/4", "BS/t/c/a/100/80/12.5/7.25", "DATASCOUNT/0"}, 3, 4, "t", 0},
        {"BS of 9 fields", {"BS/t/x/c/a/100/80/12.5/7.25", Layer1, "DATASCOUNT/0"}, 0, 0, "", 0},
        {"DAT of 15 fields", {Layer1, "DATASCOUNT/1", "DAT/0/1/0/1/10/0/0/1/1/0/0/0/0/extra"}, 0, 0, "", 1},
        {"DAT of 13 fields", {Layer1, "DATASCOUNT/0", "DAT/0/1/0/1/10/0/0/1/1/0/0/0"}, 0, 0, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        ASSERT_TRUE(ReadText(FileOf(c.lines)));
        EXPECT_DOUBLE_EQ(ProjectBasics.NcLeft, c.ncLeft);
        EXPECT_DOUBLE_EQ(ProjectBasics.NcBottom, c.ncBottom);
        EXPECT_EQ(ProjectBasics.Title, c.title);
        EXPECT_EQ(DataCount, c.elements);
    }
}

// Files the writer does not make: read as far as they make sense, or refused
// with a message and the tables as they were.
TEST_F(ProjectFile, HostileFiles)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool read;            // when no error
        int elements, layers;
        const char* error;    // part of the message, nullptr when none
    };
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    std::string tooMany;
    for (int k = 1; k <= 27; ++k) tooMany += "LAYER/" + std::to_string(k) + "/0/5/f.gbr///A/A/P/clRed/clRed\r\n";
    const Case cases[] = {
        {"empty file", "", false, 0, 0, nullptr},
        {"binary file", binary, false, 0, 0, nullptr},
        {"LF line ends", Layer1 + "\nDATASCOUNT/1\n" + Dat1 + "\n", true, 1, 1, nullptr},
        {"marker of section 60", FileOf({Layer1, "DATASCOUNT/1", "DAT/0/60/0/0/0/0/0/0/0/0/0/0/0"}), true, 1, 1, nullptr},
        // An element with no layer of the file to go to is no element dropped in silence.
        {"element on layer 60", FileOf({Layer1, "DATASCOUNT/1", "DAT/0/60/0/1/10/0/0/0/0/0/0/0/0"}), false, 0, 0, "3 行目を読めません。\n要素のレイヤー 60"},
        {"element on layer -1", FileOf({Layer1, "DATASCOUNT/1", "DAT/0/-1/0/1/10/0/0/0/0/0/0/0/0"}), false, 0, 0, "要素のレイヤー -1"},
        {"element of a layer without record", FileOf({Layer1, "DATASCOUNT/1", "DAT/0/2/0/1/10/0/0/0/0/0/0/0/0"}), false, 0, 0, "要素のレイヤー 2"},
        {"element of an unknown kind", FileOf({Layer1, "DATASCOUNT/1", "DAT/0/1/0/57/10/0/0/0/0/0/0/0/0"}), false, 0, 0, "'57' は要素の種類"},
        {"aperture D5000 and D5", FileOf({Layer1, "APT/5000/1/0/1/0/0//0/0", "APT/5/1/0/1/0/0//0/0", "DATASCOUNT/1", Dat1}), true, 1, 1, nullptr},
        {"tool 5000 and tool 0", FileOf({Layer1, "TOOL/5000/1/1/0.8//", "TOOL/0/1/1/0.8//", "DATASCOUNT/1", Dat1}), true, 1, 1, nullptr},
        {"macro range past the primitives", FileOf({Layer1, "APT/10/1/100/0/0/0/M/1/99", "DATASCOUNT/1", Dat1}), true, 1, 1, nullptr},
        // A file cut short, or counting other elements than it holds, is no smaller job.
        {"count past the end", FileOf({Layer1, "DATASCOUNT/99999999", Dat1}), false, 0, 0, "要素 99999999 個のうち 1 個"},
        {"cut before the elements", FileOf({Layer1}), false, 0, 0, "1 行目より後の、要素数の行（DATASCOUNT）"},
        {"no element count", FileOf({Layer1, Dat1}), false, 0, 0, "要素数の行（DATASCOUNT）がありません"},
        {"more elements than counted", FileOf({Layer1, "DATASCOUNT/0", Dat1}), false, 0, 0, "（1 個）が要素数（0 個）と合いません"},
        {"cut in the last element", Layer1 + "\r\nDATASCOUNT/1\r\n" + Dat1.substr(0, Dat1.size() - 1), false, 0, 0,
         "最後の 3 行目が行の途中で切れています"},
        {"count not a number", FileOf({Layer1, "DATASCOUNT/x", Dat1}), false, 0, 0, "2 行目"},
        {"layer number past 32 bits", FileOf({"LAYER/99999999999/0/5/f///A/A/P/0/0"}), false, 0, 0, "99999999999"},
        {"clear flag not a boolean", FileOf({Layer1, "DAT/x/1/0/1/10/0/0/0/0/0/0/0/0"}), false, 0, 0, "'x'"},
        {"colour not a colour", FileOf({"LAYER/1/1/5/a.gbr///A/A/P/clRed/reddish"}), false, 0, 0, "'reddish'"},
        {"coordinate not a number", FileOf({Layer1, "DAT/0/1/0/1/10/1,5/0/0/0/0/0/0/0"}), false, 0, 0, "2 行目"},
        {"text not Shift-JIS", FileOf({Layer1}) + "BS/\x81/c/a/0/0/0/0\r\n", false, 0, 0, "Shift-JIS"},
        {"27 layers", tooMany, false, 0, 0, TooManyLayersText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        // Something loaded before, which a failed read must leave as it was.
        SetLayer(1, "loaded.gbr", 0, 0);
        AppendElement(Element(1, dkFlash, 10, 0, 0));
        ProjectBasics.NcLeft = 7;
        Gauge gauge;
        std::string error;
        bool read = false;
        try {
            read = ReadProjectData(gauge, c.bytes, value);
        } catch (const platform::Error& e) {
            error = e.what();
        }
        EXPECT_EQ(error.empty(), !c.error) << error;
        if (c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(DataCount, 1 + c.elements);
        EXPECT_EQ(LayerCount, 1 + c.layers);
        if (!read) {
            EXPECT_EQ(ProjectBasics.NcLeft, 7);
        }
        for (std::int32_t i = 1; i < DataCount; ++i) {
            const DataElement& e = Datas[static_cast<std::size_t>(i)];
            EXPECT_EQ(e.Layer, e.Kind == dkSection ? 60 : 2);
        }
    }
}

namespace {

// The flashes of elements [first, first + count) drawn on one picture.
platform::RasterCanvas FlashPicture(int first, int count)
{
    platform::RasterCanvas c(400, 400, 0);
    c.SetPenMode(platform::PenMode::Merge);
    c.SetPenColor(0x00C0F0);
    c.SetBrushColor(0x00C0F0);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    for (int i = first; i < first + count; ++i)
        if (Datas[static_cast<std::size_t>(i)].Kind == dkFlash) DrawFlash(c, i, false, 0, 1.5, 5, 260);
    return c;
}

bool SamePixels(const platform::RasterCanvas& a, const platform::RasterCanvas& b)
{
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

} // namespace

// A board of aperture macros, saved, then added to a job that has macros of
// its own, twice: every flash of the added layers is drawn as the board's own.
TEST_F(ProjectFile, MacroAperturesOfAnAddedProjectDrawAsTheirBoard)
{
    const fs::path board = fs::path(TESSEL2_CORPUS) / "features" / "boards" / "am-test" / "am-test.gbx";
    const fs::path other = fs::path(TESSEL2_CORPUS) / "features" / "boards" / "amacro-ref" / "full-ex.grb";
    if (!fs::exists(board) || !fs::exists(other)) GTEST_SKIP() << "no corpus";
    Gauge gauge;
    ASSERT_TRUE(ReadGerberFile(gauge, board.string(), 1, value));
    SetLayer(1, "am-test.gbx", 0, 0);
    MarkUsedApertures(Apertures);
    ParseMacroParams();
    ASSERT_GT(MacroCount, 3);
    const int count = DataCount;
    const platform::RasterCanvas own = FlashPicture(0, count);
    WriteProjectFile(Path());

    ResetTables();
    ASSERT_TRUE(ReadGerberFile(gauge, other.string(), 1, value));
    SetLayer(1, "full-ex.grb", 0, 0);
    const int loadedMacros = MacroCount;
    ASSERT_GT(loadedMacros, 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const int base = DataCount;
        const int macrosBefore = MacroCount;
        LayerTakeFlags.fill(1);
        ASSERT_TRUE(ReadProjectFile(gauge, Path(), value));
        ParseMacroParams();
        ASSERT_EQ(DataCount, base + count);
        EXPECT_TRUE(SamePixels(FlashPicture(base, count), own));
        // The second time every aperture is one of the first: no primitive is doubled.
        if (round == 1) {
            EXPECT_EQ(MacroCount, macrosBefore);
        }
    }
}
