#include "core/Datas.h"
#include "core/Geometry.h"
#include "platform/Error.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <vector>

using namespace core;

namespace {

class Tables : public ::testing::Test {
protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }

    static MyAperture& Ap(int d) { return Apertures[static_cast<std::size_t>(d)]; }

    static void Define(int d, std::int32_t shape, double s1, double s2 = 0, double s3 = 0)
    {
        Ap(d).Shape = shape;
        Ap(d).Size1 = s1;
        Ap(d).Size2 = s2;
        Ap(d).Size3 = s3;
    }

    static DataElement Element(int kind, int layer, int code, double x1 = 0, double y1 = 0, double x2 = 0,
                               double y2 = 0, double x3 = 0, double y3 = 0, double x4 = 0)
    {
        DataElement e;
        e.Kind = kind;
        e.Layer = layer;
        e.Code = code;
        e.X1 = x1; e.Y1 = y1; e.X2 = x2; e.Y2 = y2; e.X3 = x3; e.Y3 = y3; e.X4 = x4;
        return e;
    }

    static int AddMacro(const std::string& text, int dcode = 10)
    {
        MyMacro m;
        m.DCode = dcode;
        m.Name = "M";
        m.Text = text;
        Macros.push_back(m);
        MacroCount = static_cast<std::int32_t>(Macros.size()) - 1;
        return MacroCount;
    }

    static std::vector<std::string> FileNames()
    {
        std::vector<std::string> names;
        for (int k = 1; k <= 6; ++k) names.push_back(LayerTable[static_cast<std::size_t>(k)].FileName);
        return names;
    }
};

} // namespace

// Every Japanese text of the data store has a CP932 form and comes back unchanged.
TEST(DataTexts, Cp932RoundTrip)
{
    std::vector<std::string> texts(LayerContents.begin(), LayerContents.end());
    texts.insert(texts.end(), PolarityTexts.begin(), PolarityTexts.end());
    texts.push_back(TFormDatas::InitialStatusText);
    texts.push_back(TFormDatas::CancelCaption);
    ASSERT_EQ(texts.size(), 18u);
    for (const std::string& t : texts) {
        std::string cp, back;
        ASSERT_TRUE(platform::TryUtf8ToCp932(t, cp)) << t;
        EXPECT_NE(cp, t) << t;
        ASSERT_TRUE(platform::TryCp932ToUtf8(cp, back)) << t;
        EXPECT_EQ(back, t);
    }
    EXPECT_STREQ(PolarityTexts[0], "(塗潰し)");
    EXPECT_STREQ(PolarityTexts[1], "(打抜き)");
    EXPECT_STREQ(LayerContents[0], "部品面メタルマスク");
    EXPECT_STREQ(LayerContents[13], "ドリルデータ");
}

TEST(DataTexts, ShapeKeywords)
{
    const std::pair<std::int32_t, const char*> shapes[] = {
        {apCircle, "CIR"}, {apSquare, "SQR"}, {apThermal45, "THR45"}, {apThermal90, "THR90"},
        {apOval, "OVAL"}, {apRectangle, "RECT"}, {apPolygon, "POLYGON"}, {apMacro, "MCR"},
    };
    for (const auto& [shape, word] : shapes) {
        EXPECT_EQ(ShapeKeyword(shape), word);
        EXPECT_EQ(ShapeFromKeyword(word), shape);
    }
    EXPECT_EQ(ShapeKeyword(apNone), "");
    EXPECT_EQ(ShapeFromKeyword("cir"), apNone);
}

TEST_F(Tables, DefaultLayerEntries)
{
    for (int k = 1; k <= MaxLayers; ++k) {
        const MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        const std::string letter(1, static_cast<char>('A' + k - 1));
        EXPECT_EQ(l.Letter, letter);
        EXPECT_EQ(l.PageLetter, letter);
        EXPECT_EQ(l.Polarity, "P");
        EXPECT_EQ(l.Active, 0);
        EXPECT_EQ(l.FileKind, fkAuto);
        EXPECT_TRUE(l.FileName.empty());
        EXPECT_EQ(l.Color, DefaultLayerColors[static_cast<std::size_t>((k - 1) % 8)]);
        EXPECT_EQ(l.AltColor, l.Color);
    }
    EXPECT_EQ(LayerTable[1].Color, 0x0000FF);
    EXPECT_EQ(LayerTable[8].Color, 0xFFFFFF);
    EXPECT_EQ(LayerTable[9].Color, 0x0000FF);
    EXPECT_EQ(LayerTable[26].Color, 0x4080FF);
    EXPECT_EQ(SlotLetter(0), "");
    EXPECT_EQ(SlotLetter(27), "");
}

TEST_F(Tables, ClearedState)
{
    EXPECT_EQ(DataCount, 0);
    EXPECT_EQ(DataCapacity, 2'560'000);
    EXPECT_EQ(Extents.MinX, 1500);
    EXPECT_EQ(Extents.MaxX, -1500);
    EXPECT_EQ(Extents.MinY, 1500);
    EXPECT_EQ(Extents.MaxY, -1500);
    EXPECT_EQ(Extents.Width, 100);
    EXPECT_EQ(Extents.Height, 100);
}

TEST_F(Tables, FindOrAddApertureComparesSizesWithinTolerance)
{
    Define(10, apCircle, 0.5);
    EXPECT_EQ(FindOrAddAperture(apCircle, "", 0, 0.5004, 0, 0), 10);
    EXPECT_EQ(FindOrAddAperture(apCircle, "", 0, 0.4996, 0, 0), 10);
    EXPECT_EQ(FindOrAddAperture(apCircle, "", 0, 0.5005, 0, 0), 0);
    EXPECT_EQ(FindOrAddAperture(apSquare, "", 0, 0.5, 0, 0), 0);   // other shape
    EXPECT_EQ(MaxDCode, 10);

    // Circles and squares compare by Size1 only; the others by all three sizes.
    Define(11, apSquare, 1.0, 7, 9);
    EXPECT_EQ(FindOrAddAperture(apSquare, "", 0, 1.0, 0, 0), 11);
    Define(12, apRectangle, 1.0, 2.0, 0);
    EXPECT_EQ(FindOrAddAperture(apRectangle, "", 0, 1.0, 2.0, 0), 12);
    EXPECT_EQ(FindOrAddAperture(apRectangle, "", 0, 1.0, 2.001, 0), 0);
    Define(13, apThermal90, 1.0, 2.0, 0.3);
    EXPECT_EQ(FindOrAddAperture(apThermal90, "", 0, 1.0, 2.0, 0.3004), 13);
    EXPECT_EQ(FindOrAddAperture(apThermal90, "", 0, 1.0, 2.0, 0.31), 0);
}

TEST_F(Tables, FindOrAddApertureAddsToTheFirstFreeSlot)
{
    Define(10, apCircle, 0.5);
    EXPECT_EQ(FindOrAddAperture(apOval, "", 1, 1.0, 2.0, 0), 11);
    EXPECT_EQ(Ap(11).Shape, apOval);
    EXPECT_EQ(Ap(11).Size2, 2.0);
    EXPECT_EQ(MaxDCode, 11);

    // A slot of shape -1 with no size is free; a macro slot never is.
    Define(12, apMacro, 0);
    Ap(12).MacroName = "X";
    Define(13, apNone, 0);
    EXPECT_EQ(FindOrAddAperture(apCircle, "", 1, 0.3, 0, 0), 13);

    // D0..D9 and D1000.. are never searched or taken.
    Define(5, apCircle, 0.7);
    EXPECT_EQ(FindOrAddAperture(apCircle, "", 0, 0.7, 0, 0), 0);
}

TEST_F(Tables, FindOrAddApertureFullTableGivesZero)
{
    for (int d = 10; d <= 999; ++d) Define(d, apCircle, 0.001 * d);
    MaxDCode = 999;
    EXPECT_EQ(FindOrAddAperture(apRectangle, "", 1, 5, 5, 0), 0);
    EXPECT_EQ(FindOrAddAperture(apCircle, "", 1, 0.5, 0, 0), 500);
    EXPECT_EQ(MaxDCode, 999);
}

TEST_F(Tables, MacroAperturesMatchByName)
{
    Define(10, apMacro, 0);
    Ap(10).MacroName = "Pad";
    EXPECT_EQ(FindOrAddAperture(apMacro, "Pad", 0, 0, 0, 0), 10);
    EXPECT_EQ(FindOrAddAperture(apMacro, "PAD", 0, 0, 0, 0), 0);  // letter case counts

    // With parameters: the same name with other parameters is another aperture.
    Ap(10).MacroParams = "0.5X0.2";
    EXPECT_EQ(FindOrAddMacroAperture("Pad", "0.5X0.2", 0), 10);
    EXPECT_EQ(FindOrAddMacroAperture("Pad", "0.6X0.2", 0), 0);
    EXPECT_EQ(FindOrAddMacroAperture("Pad", "0.6X0.2", 1), 11);
    EXPECT_EQ(Ap(11).Shape, apMacro);
    EXPECT_EQ(Ap(11).MacroName, "Pad");
    EXPECT_EQ(Ap(11).MacroParams, "0.6X0.2");
    EXPECT_EQ(MaxDCode, 11);
}

TEST_F(Tables, FindOrAddTool)
{
    EXPECT_EQ(FindOrAddTool("0.8", "", 0), 0);
    EXPECT_EQ(FindOrAddTool("", "", 0), 0);   // unused slots do not answer an empty query
    EXPECT_EQ(FindOrAddTool("0.8", "Via", 1), 1);
    EXPECT_EQ(ToolCount, 1);
    EXPECT_EQ(FindOrAddTool("1.0", "", 1), 2);
    EXPECT_EQ(FindOrAddTool("0.8", "VIA", 0), 1);   // without regard to letter case
    EXPECT_EQ(FindOrAddTool("0.8", "", 0), 0);
    EXPECT_EQ(Tools[2].Diameter, "1.0");

    ToolCount = MaxToolCode;
    EXPECT_EQ(FindOrAddTool("3.0", "", 1), 0);
    EXPECT_EQ(FindOrAddTool("1.0", "", 1), 2);

    ToolCount = -40;   // a broken count read from a file
    EXPECT_EQ(FindOrAddTool("2.0", "", 1), 1);
    EXPECT_EQ(ToolCount, 1);
}

TEST_F(Tables, MarkUsedApertures)
{
    Define(10, apCircle, 0.5);
    Define(11, apCircle, 0.6);
    Define(12, apCircle, 0.7);
    Define(1500, apSquare, 1.0);
    Ap(11).Used = 1;  // stale
    AppendElement(Element(dkLine, 1, 10));
    AppendElement(Element(dkDrill, 1, 12));        // tool number, not a D-code
    AppendElement(Element(dkDrillList, 1, 12));
    AppendElement(Element(dkFlash, 1, 5000));      // out of the table: ignored
    AppendElement(Element(dkFlash, 1, -3));
    AppendElement(Element(dkFlash, 1, 1500));
    EXPECT_EQ(MarkUsedApertures(Apertures), 1500);
    EXPECT_EQ(Ap(10).Used, 1);
    EXPECT_EQ(Ap(11).Used, 0);
    EXPECT_EQ(Ap(12).Used, 0);
    EXPECT_EQ(Ap(1500).Used, 1);

    ResetTables();
    EXPECT_EQ(MarkUsedApertures(Apertures), 0);
}

TEST_F(Tables, ParseMacroParams)
{
    const int circle = AddMacro("1,1,0.5,0.1,-0.2");
    const int shortOne = AddMacro("0,comment");
    const int junk = AddMacro("21,1,abc,0.2,,0,0");
    // An outline of 60 vertices: more fields than the classic 104 values.
    std::string outline = "4,1,60";
    for (int i = 0; i <= 60; ++i) outline += "," + std::to_string(i) + ".5,-" + std::to_string(i);
    outline += ",45";
    const int big = AddMacro(outline);

    // Stale values from an earlier parse must not survive.
    Macros[static_cast<std::size_t>(shortOne)].ValueCount = 7;
    Macros[static_cast<std::size_t>(shortOne)].Values.assign(104, 3.0);

    ParseMacroParams();

    const MyMacro& c = Macros[static_cast<std::size_t>(circle)];
    EXPECT_EQ(c.ValueCount, 5);
    ASSERT_GE(c.Values.size(), 104u);
    EXPECT_EQ(c.Values[0], 1);
    EXPECT_EQ(c.Values[2], 0.5);
    EXPECT_EQ(c.Values[4], -0.2);
    EXPECT_EQ(c.Values[5], 0);
    EXPECT_EQ(c.Values[103], 0);

    const MyMacro& s = Macros[static_cast<std::size_t>(shortOne)];
    EXPECT_EQ(s.ValueCount, 0);
    ASSERT_GE(s.Values.size(), 104u);
    for (double v : s.Values) EXPECT_EQ(v, 0);

    const MyMacro& j = Macros[static_cast<std::size_t>(junk)];
    EXPECT_EQ(j.ValueCount, 7);
    EXPECT_EQ(j.Values[2], 0);     // not a number
    EXPECT_EQ(j.Values[3], 0.2);
    EXPECT_EQ(j.Values[4], 0);     // empty

    const MyMacro& b = Macros[static_cast<std::size_t>(big)];
    EXPECT_EQ(b.ValueCount, 3 + 61 * 2 + 1);
    ASSERT_GE(b.Values.size(), static_cast<std::size_t>(b.ValueCount));
    EXPECT_EQ(b.Values[3 + 2 * 60], 60.5);
    EXPECT_EQ(b.Values[static_cast<std::size_t>(b.ValueCount - 1)], 45);
    EXPECT_EQ(b.V(1000), 0);
}

TEST_F(Tables, ParseMacroParamsIgnoresTheLocale)
{
    const int k = AddMacro("1,1,0.25,1.5,0");
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    ParseMacroParams();
    if (set) std::setlocale(LC_ALL, "C");
    EXPECT_EQ(Macros[static_cast<std::size_t>(k)].Values[2], 0.25);
    EXPECT_EQ(Macros[static_cast<std::size_t>(k)].Values[3], 1.5);
}

TEST_F(Tables, MoveLayerReordersEntriesAndElements)
{
    for (int k = 1; k <= 6; ++k) {
        LayerTable[static_cast<std::size_t>(k)].FileName = std::to_string(k);
        LayerTable[static_cast<std::size_t>(k)].PageLetter = "A";   // a page grouping
        AppendElement(Element(dkLine, k, 10));
    }
    LayerCount = 6;
    DataElement marker = Element(dkSection, 5, 0);   // Layer is a section number here
    AppendElement(marker);

    std::vector<std::pair<int, int>> hookCalls;
    LayerMoveHooks().push_back([&](int from, int to) { hookCalls.emplace_back(from, to); });

    MoveLayer(5, 2);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"1", "5", "2", "3", "4", "6"}));
    for (int i = 0; i < 6; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        // The element read for file k now names the slot that holds file k.
        EXPECT_EQ(LayerTable[static_cast<std::size_t>(e.Layer)].FileName, std::to_string(i + 1));
    }
    EXPECT_EQ(Datas[6].Layer, 5);

    MoveLayer(2, 6);   // back: before slot 6
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    MoveLayer(2, 5);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"1", "3", "4", "2", "5", "6"}));
    for (int i = 0; i < 6; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        EXPECT_EQ(LayerTable[static_cast<std::size_t>(e.Layer)].FileName, std::to_string(i + 1));
    }
    MoveLayer(1, 27);   // to the very end
    EXPECT_EQ(LayerTable[26].FileName, "1");
    EXPECT_EQ(Datas[0].Layer, 26);

    // Letters follow the slots; page groupings are undone.
    for (int k = 1; k <= MaxLayers; ++k) {
        EXPECT_EQ(LayerTable[static_cast<std::size_t>(k)].Letter, SlotLetter(k));
        EXPECT_EQ(LayerTable[static_cast<std::size_t>(k)].PageLetter, SlotLetter(k));
    }
    EXPECT_EQ(hookCalls, (std::vector<std::pair<int, int>>{{5, 2}, {2, 6}, {2, 5}, {1, 27}}));

    // Nothing happens for a move onto itself or numbers out of range.
    const auto before = FileNames();
    MoveLayer(3, 3);
    MoveLayer(0, 2);
    MoveLayer(40, 2);
    MoveLayer(2, 0);
    MoveLayer(2, 99);
    EXPECT_EQ(FileNames(), before);
    EXPECT_EQ(hookCalls.size(), 4u);
    LayerMoveHooks().pop_back();
}

TEST_F(Tables, MovedLayerNumber)
{
    // 5 before 2: 1, 5, 2, 3, 4, 6
    const int forward[] = {1, 3, 4, 5, 2, 6};
    for (int l = 1; l <= 6; ++l) EXPECT_EQ(MovedLayerNumber(l, 5, 2), forward[l - 1]) << l;
    // 2 before 5: 1, 3, 4, 2, 5
    const int backward[] = {1, 4, 2, 3, 5, 6};
    for (int l = 1; l <= 6; ++l) EXPECT_EQ(MovedLayerNumber(l, 2, 5), backward[l - 1]) << l;
}

TEST_F(Tables, AppendElementGrowsTheCapacityInSteps)
{
    EXPECT_EQ(DataCapacity, 2'560'000);
    // The rule, cheaply: a small capacity grows by 10,000 when passed.
    DataCapacity = 3;
    for (int i = 0; i < 3; ++i) AppendElement(Element(dkLine, 1, 10, i));
    EXPECT_EQ(DataCapacity, 3);
    AppendElement(Element(dkLine, 1, 10, 3));
    EXPECT_EQ(DataCapacity, 10'003);
    EXPECT_EQ(DataCount, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Datas[static_cast<std::size_t>(i)].X1, i);

    // A caller that moved DataCount back still gets its element at DataCount - 1.
    DataCount = 2;
    AppendElement(Element(dkFlash, 1, 11, 9));
    EXPECT_EQ(DataCount, 3);
    EXPECT_EQ(Datas.size(), 3u);
    EXPECT_EQ(Datas[2].Kind, dkFlash);

    ClearElements();
    EXPECT_EQ(DataCapacity, 2'560'000);
    EXPECT_EQ(DataCount, 0);
    EXPECT_EQ(Datas.size(), 0u);
}

// Appending never overflows DataCount, whatever the element limit.
TEST_F(Tables, AppendElementNeverOverflowsTheCount)
{
    const std::int64_t saved = MaxElementCount;
    MaxElementCount = std::numeric_limits<std::int64_t>::max();
    DataCount = std::numeric_limits<std::int32_t>::max();
    EXPECT_THROW(AppendElement(Element(dkLine, 1, 10)), platform::Error);
    EXPECT_EQ(DataCount, std::numeric_limits<std::int32_t>::max());
    DataCount = 0;
    MaxElementCount = saved;
}

TEST_F(Tables, ElementArrayCrossesChunks)
{
    const std::size_t n = MyDataArray::ChunkSize + 10;
    for (std::size_t i = 0; i < n; ++i) AppendElement(Element(dkFlash, 1, 10, static_cast<double>(i)));
    EXPECT_EQ(Datas.size(), n);
    EXPECT_EQ(Datas[MyDataArray::ChunkSize - 1].X1, MyDataArray::ChunkSize - 1.0);
    EXPECT_EQ(Datas[MyDataArray::ChunkSize].X1, static_cast<double>(MyDataArray::ChunkSize));
    Datas.resize(5);
    EXPECT_EQ(Datas.size(), 5u);
    Datas.resize(7);
    EXPECT_EQ(Datas[6].Kind, 0);
}

TEST_F(Tables, GrowFileExtents)
{
    Define(10, apCircle, 0.2);
    Define(11, apRectangle, 1.0, 2.0);
    Tools[3].Diameter = "0.8";
    MyDataValue v;
    EXPECT_EQ(v.MinX, 1500);
    EXPECT_EQ(v.MaxX, -1500);

    GrowFileExtents(v, Element(dkLine, 1, 10, -5, -6, -3, -4));
    EXPECT_DOUBLE_EQ(v.MinX, -5.1);
    EXPECT_DOUBLE_EQ(v.MaxX, -2.9);
    EXPECT_DOUBLE_EQ(v.MinY, -6.1);
    EXPECT_DOUBLE_EQ(v.MaxY, -3.9);   // all negative: not pulled to 0

    // Kinds that cover nothing leave the extents alone.
    for (int kind : {0, 4, 5, 13, 99, -1}) GrowFileExtents(v, Element(kind, 1, 10, 50, 50, 60, 60, 70, 70));
    EXPECT_DOUBLE_EQ(v.MaxX, -2.9);
    EXPECT_DOUBLE_EQ(v.MaxY, -3.9);

    // A flash of an undefined aperture adds nothing either.
    GrowFileExtents(v, Element(dkFlash, 1, 500, 0, 0, 0, 0, 40, 40));
    EXPECT_DOUBLE_EQ(v.MaxX, -2.9);

    GrowFileExtents(v, Element(dkFlash, 1, 11, 0, 0, 0, 0, 10, 10));
    EXPECT_DOUBLE_EQ(v.MaxX, 10.5);
    EXPECT_DOUBLE_EQ(v.MaxY, 11);

    // Drill hits of both kinds box their hole around P3.
    GrowFileExtents(v, Element(dkDrillList, 1, 3, 0, 0, 0, 0, 20, -10));
    EXPECT_DOUBLE_EQ(v.MaxX, 20.4);
    EXPECT_DOUBLE_EQ(v.MinY, -10.4);
    GrowFileExtents(v, Element(dkDrill, 1, 3, 0, 0, 0, 0, -20, 30));
    EXPECT_DOUBLE_EQ(v.MinX, -20.4);
    EXPECT_DOUBLE_EQ(v.MaxY, 30.4);
}

TEST_F(Tables, SnapshotPutsBackWhatAReadChanged)
{
    Define(10, apCircle, 0.5);
    AppendElement(Element(dkLine, 1, 10));
    Tools[1].Diameter = "0.8";
    ToolCount = 1;
    AddMacro("1,1,0.5,0,0");
    ReportLines.push_back("first");
    ReportCount = 1;
    LayerTable[1].FileName = "top.gbr";
    LayerCount = 1;
    ProjectBasics.Title = "before";
    GerberFormat.DecDigits = 4;

    auto snap = TakeSnapshot();

    for (int i = 0; i < 10; ++i) AppendElement(Element(dkFlash, 2, 11));
    FindOrAddAperture(apSquare, "", 1, 1.0, 0, 0);
    FindOrAddTool("1.2", "", 1);
    AddMacro("21,1,1,1,0,0,0");
    ReportLines.push_back("second");
    ReportCount = 2;
    LayerTable[2].FileName = "bottom.gbr";
    LayerCount = 2;
    ProjectBasics.Title = "after";
    GerberFormat.DecDigits = 5;
    GroupCounter = 7;
    ApertureMap[10] = 12;
    ToolMap[1] = 4;
    Extents.MinX = -3;

    RestoreSnapshot(*snap);

    EXPECT_EQ(DataCount, 1);
    EXPECT_EQ(Datas.size(), 1u);
    EXPECT_EQ(GroupCounter, 0);
    EXPECT_EQ(Ap(11).Shape, apNone);
    EXPECT_EQ(MaxDCode, 0);
    EXPECT_EQ(ToolCount, 1);
    EXPECT_TRUE(Tools[2].Diameter.empty());
    EXPECT_EQ(MacroCount, 1);
    EXPECT_EQ(Macros.size(), 2u);
    EXPECT_EQ(ReportCount, 1);
    EXPECT_EQ(ReportLines, (MyStringArray{"first"}));
    EXPECT_EQ(LayerCount, 1);
    EXPECT_TRUE(LayerTable[2].FileName.empty());
    EXPECT_EQ(ProjectBasics.Title, "before");
    EXPECT_EQ(GerberFormat.DecDigits, 4);
    EXPECT_EQ(ApertureMap[10], 0);
    EXPECT_EQ(ToolMap[1], 0);
    EXPECT_EQ(Extents.MinX, 1500);

    // Reading on after a rollback appends where the rollback left off.
    AppendElement(Element(dkFlash, 1, 10));
    EXPECT_EQ(DataCount, 2);
    EXPECT_EQ(Datas[1].Kind, dkFlash);
}

TEST_F(Tables, DeriveDigits)
{
    MyFormatPara f;
    f.NumberFormat = "00.0000";
    EXPECT_TRUE(DeriveDigits(f));
    EXPECT_EQ(f.IntDigits, 2);
    EXPECT_EQ(f.DecDigits, 4);
    f.NumberFormat = "000.00000";
    EXPECT_TRUE(DeriveDigits(f));
    EXPECT_EQ(f.IntDigits, 3);
    EXPECT_EQ(f.DecDigits, 5);
    for (const char* bad : {"", "000", ".000", "000.", "0a0.00", "00.0.0"}) {
        f.NumberFormat = bad;
        EXPECT_FALSE(DeriveDigits(f)) << bad;
        EXPECT_EQ(f.IntDigits, 3);
    }
}

TEST(FormDatas, CancelButtonAndStandIn)
{
    CancelRequested = 0;
    FormDatas().SetCaption("x");   // the silent stand-in takes anything
    FormDatas().swCancelClick();
    EXPECT_EQ(CancelRequested, 1);
    CancelRequested = 0;
    EXPECT_STREQ(TFormDatas::InitialCaption, "FormDatas");
}
