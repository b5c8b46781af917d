#include "core/OldProjectFiles.h"
#include "core/GerberReader.h"
#include "platform/Error.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace core;

namespace {

using Lines = std::vector<std::string>;

// The file's lines, each in UTF-8.
Lines SplitLines(const std::string& bytes)
{
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(platform::Cp932ToUtf8(bytes.substr(start, end - start)));
    EXPECT_EQ(start, bytes.size()) << "every line ends in CR LF";
    return lines;
}

// The records of section `k` of a file.
Lines SectionOf(const Lines& file, const std::string& k)
{
    for (std::size_t i = 1; i < file.size(); ++i) {
        if (file[i].substr(0, file[i].find(',')) != k) continue;
        const std::size_t first = i + 1 + (k == "10" ? 1 : 0), n = std::stoul(file[i].substr(k.size() + 1));
        return Lines(file.begin() + static_cast<long>(first), file.begin() + static_cast<long>(first + n));
    }
    return {};
}

DataElement Element(std::int32_t kind, int code, std::vector<double> p)
{
    DataElement e;
    e.Kind = kind, e.Code = code, e.Layer = 1;
    p.resize(8, 0.0);
    e.X1 = p[0], e.Y1 = p[1], e.X2 = p[2], e.Y2 = p[3], e.X3 = p[4], e.Y3 = p[5], e.X4 = p[6], e.Y4 = p[7];
    return e;
}
DataElement Flash(int code, double x, double y) { return Element(dkFlash, code, {x, y, x, y, x, y}); }
DataElement Stroke(int code, double x1, double y1, double x2, double y2)
{
    DataElement e;
    MakeStroke(e, code, 1, 0, x1, y1, x2, y2);
    return e;
}
const DataElement& E(int i) { return Datas[static_cast<std::size_t>(i)]; }
const MyAperture& ApertureOf(int i) { return Apertures[static_cast<std::size_t>(E(i).Code)]; }
std::vector<double> Sizes(const MyAperture& a) { return {double(a.Shape), a.Size1, a.Size2, a.Size3}; }

class OldProjectFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetTables();
        ProjectBasics = MyBasicSet{};
    }
    void TearDown() override { ResetTables(); }

    static void Layer(int k, const std::string& name, const std::string& page, int active = 1, const std::string& contents = "")
    {
        MyLayerSet& l = LayerTable[static_cast<std::size_t>(k)];
        l.FileName = name, l.PageLetter = page, l.Active = active, l.Contents = contents, l.Color = 0x0000FF;
        LayerCount = std::max(LayerCount, k);
    }
    static void Apt(int d, std::int32_t shape, double s1, double s2 = 0, double s3 = 0)
    {
        Apertures[static_cast<std::size_t>(d)] = MyAperture{1, shape, s1, s2, s3, {}, 0, 0, {}};
    }
    static void DrillTool(int t, const std::string& diameter, const std::string& symbol, int hits)
    {
        Tools[static_cast<std::size_t>(t)] = MyTool{1, hits, diameter, symbol, {}};
        ToolCount = std::max(ToolCount, t);
    }
    static Lines Export()
    {
        const std::vector<OldProjectFilePlan> plans = OldProjectFilePlans();
        EXPECT_EQ(plans.size(), 1u);
        return plans.empty() ? Lines{} : SplitLines(OldProjectFileBytes(plans[0]));
    }
    bool Read(const std::string& bytes, int layer = 1)
    {
        Gauge gauge;
        return ReadOldProjectData(gauge, bytes, layer, value);
    }

    MyDataValue value;
};

} // namespace

TEST_F(OldProjectFiles, OneRoundFlashMakesAFileOfEightLines)
{
    Layer(1, "top.gbr", "A", 1, "部品面パターン");
    ProjectBasics.Title = "基板";
    Apt(10, apCircle, 1.0);
    AppendElement(Flash(10, 10, 20));
    EXPECT_EQ(Export(), (Lines{"\"Z\",\"部品面パターン\",\"基板\",8", "1,0", "2,0", "3,0", "4,0", "5,0", "6,1", "10,20,0.5,255"}));
}

TEST_F(OldProjectFiles, EachElementKindAsItsRecord)
{
    const auto job = [] {
        ResetTables();
        Layer(1, "top.gbr", "A");
        Apt(10, apCircle, 0.2);
        Apt(11, apSquare, 0.2);
        Apt(13, apOval, 2, 1);
        Apt(14, apOval, 1, 2);
        Apt(15, apRectangle, 2, 1);
        Apt(16, apPolygon, 2, 3, 0);
        Apt(17, apThermal90, 1.0, 1.6, 0.3);
        DrillTool(5, "0.8", "A", 12);
    };
    job();   // the square strokes are made on D11
    const DataElement hit = Element(dkDrill, 5, {0, 0, 0, 0, 10, 20});
    struct Case {
        const char* name;
        DataElement element;
        std::string section;
        Lines records;
    };
    const Case cases[] = {
        {"line", Element(dkLine, 10, {0, 0, 10, 5}), "1", {"0.2,0,0,10,5,255"}},
        {"region edge", Element(dkRegionLine, 0, {0, 0, 10, 5}), "1", {"0.001,0,0,10,5,255"}},
        {"square stroke along x", Stroke(11, 0, 0, 10, 0), "2", {"0.1,0,0,10,0,255"}},
        // Its true ends, not the corners of its box.
        {"square stroke at 45°", Stroke(11, 0, 0, 10, 10), "2", {"0.1,0,0,10,10,255"}},
        {"arc counter-clockwise", Element(dkArcCCW, 10, {1, 0, 0, 1, 0, 0, 1}), "3", {"0,0.2,0,0,1,0,1.5707963267949,255"}},
        {"the same arc clockwise", Element(dkArcCW, 10, {0, 1, 1, 0, 0, 0, 1}), "3", {"0,0.2,0,0,1,0,1.5707963267949,255"}},
        {"region arc", Element(dkRegionArcCW, 0, {-1, 0, 1, 0, 0, 0, 1}), "3", {"0,0.001,0,0,1,0,3.14159265358979,255"}},
        {"full circle", Element(dkCircleCW, 10, {3.5, 3, 3.5, 3, 2, 3, 1.5}), "3", {"1,0.2,2,3,1.5,0,0,255"}},
        {"square flash", Flash(11, 5, 5), "5", {"4.9,5.1,5.1,4.9,255"}},
        {"wide oval", Flash(13, 0, 0), "1", {"1,-0.5,0,0.5,0,255"}},
        {"tall oval", Flash(14, 0, 0), "1", {"1,0,0.5,0,-0.5,255"}},
        {"rectangle", Flash(15, 0, 0), "2", {"0.5,-0.5,0,0.5,0,255"}},
        {"polygon", Flash(16, 0, 0), "1",
         {"0.001,1,0,-0.5,0.866025403784439,255", "0.001,-0.5,0.866025403784439,-0.5,-0.866025403784438,255",
          "0.001,-0.5,-0.866025403784438,1,-2.44929359829471E-16,255"}},
        // As wide as the ring, short of each bridge by half the gap and half
        // the arc's width.
        {"thermal", Flash(17, 0, 0), "4",
         {"0.3,0,0,0.65,0.479728637675753,1.09106768911914,2.05052496447065,2.66186401591404,3.62132129126555,"
          "4.23266034270894,5.19211761806044,5.80345666950383,255"}},
        {"drill hit", hit, "11", {"5,10,20"}},
        {"letter of the drill hit", hit, "1", {"0.1,9.5,19.4,10,20.6,255", "0.1,10,20.6,10.5,19.4,255", "0.1,9.65,19.76,10.35,19.76,255"}},
        {"tool of the drill hit", hit, "10", {"\"T05\",\"0.8\",\"\",\"12\""}},
        // A hit read from such a file brings its letter as lines of its own.
        {"earlier drill hit", Element(dkDrillList, 5, {0, 0, 0, 0, 10, 20}), "1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        job();
        AppendElement(c.element);
        EXPECT_EQ(SectionOf(Export(), c.section), c.records);
    }
}

TEST_F(OldProjectFiles, OneFilePerPageLetterNamedApart)
{
    struct L {
        std::string name, page;
        int active = 1;
    };
    struct Case {
        const char* what;
        std::vector<L> layers;
        std::vector<std::pair<std::vector<int>, std::string>> files;   // layers, name
    };
    const Case cases[] = {
        {"one page", {{"top.gtl", "A"}, {"bottom.gbl", "A"}}, {{{1, 2}, "top.tso"}}},
        {"hidden layers stay out", {{"top.gtl", "A"}, {"bottom.gbl", "B", 0}}, {{{1}, "top.tso"}}},
        {"a name without extension", {{"top", "A"}}, {{{1}, "top.tso"}}},
        // A page letter after the slot's own letter is exported all the same.
        {"page letters of other slots", {{"top.gtl", "B"}, {"bottom.gbl", "A"}}, {{{1}, "top.tso"}, {{2}, "bottom.tso"}}},
        {"one base name", {{"board.GTL", "A"}, {"board.GBL", "B"}, {"board.DRL", "C"}, {"outline.gko", "D"}},
         {{{1}, "board.GTL.tso"}, {{2}, "board.GBL.tso"}, {{3}, "board.DRL.tso"}, {{4}, "outline.tso"}}},
        {"letter case", {{"X.gtl", "A"}, {"x.GBL", "B"}}, {{{1}, "X.gtl.tso"}, {{2}, "x.GBL.tso"}}},
        {"one name twice", {{"a.gtl", "A"}, {"a.gtl", "B"}}, {{{1}, "a.gtl.tso"}, {{2}, "a.gtl(2).tso"}}},
        {"a name of another folder", {{"../up/top.gtl", "A"}}, {{{1}, "top.tso"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetTables();
        for (std::size_t i = 0; i < c.layers.size(); ++i) Layer(static_cast<int>(i) + 1, c.layers[i].name, c.layers[i].page, c.layers[i].active);
        std::vector<std::pair<std::vector<int>, std::string>> files;
        for (const OldProjectFilePlan& p : OldProjectFilePlans()) files.push_back({p.Layers, p.FileName});
        EXPECT_EQ(files, c.files);
    }
}

TEST_F(OldProjectFiles, APageOfLayersJoinsTheirContentsAndListsEachToolOnce)
{
    Layer(1, "top.gtl", "A", 1, "部品面パターン");
    Layer(2, "drill.drl", "A", 1, "穴");
    Layer(3, "more.drl", "A", 1, "穴, 2");
    DrillTool(1, "0.8", "A", 2);
    DrillTool(2, "1.0", "B", 1);
    for (int layer : {2, 3}) {
        DataElement e = Element(dkDrill, layer - 1, {0, 0, 0, 0, 5, 5});
        e.Layer = layer;
        AppendElement(e);
    }
    const Lines file = Export();
    ASSERT_FALSE(file.empty());
    // A comma of a text would end the field in a reader that does not honour quotes.
    EXPECT_EQ(file[0], "\"Z\",\"部品面パターン&穴&穴， 2\",\"\"," + std::to_string(file.size()));
    EXPECT_EQ(SectionOf(file, "10"), (Lines{"\"T01\",\"0.8\",\"\",\"2\"", "\"T02\",\"1.0\",\"\",\"1\""}));
    EXPECT_EQ(SectionOf(file, "11"), (Lines{"1,5,5", "2,5,5"}));
}

// Thermals come back as they were (the built-in D76 among them), and arcs
// with their very ends, clockwise ones turned counter-clockwise.
TEST_F(OldProjectFiles, ThermalsAndArcsComeBack)
{
    Layer(1, "top.gtl", "A");
    Apt(10, apCircle, 0.254);
    Apt(76, apThermal45, 2.0, 2.5, 0.65);
    Apt(77, apThermal90, 1.0, 1.6, 0.3);
    const DataElement arc = Element(dkArcCW, 10, {10 + 3 * std::cos(0.3), 10 + 3 * std::sin(0.3), 10 + 3 * std::cos(5.1), 10 + 3 * std::sin(5.1), 10, 10, 3});
    for (const DataElement& e : {arc, Flash(76, 40, 40), Flash(77, 45, 40)}) AppendElement(e);
    const std::string bytes = OldProjectFileBytes(OldProjectFilePlans().at(0));
    ResetTables();
    ASSERT_TRUE(Read(bytes));
    ASSERT_EQ(DataCount, 3);
    EXPECT_EQ(E(0).Kind, dkArcCCW);
    for (auto [got, want] : {std::pair{E(0).X1, arc.X2}, {E(0).Y1, arc.Y2}, {E(0).X2, arc.X1}, {E(0).Y2, arc.Y1}, {E(0).X4, 3.0}})
        EXPECT_NEAR(got, want, 1e-12);
    EXPECT_EQ(ApertureOf(0).Size1, 0.254);
    for (auto [i, shape, inner, outer, gap] : {std::tuple{1, apThermal45, 2.0, 2.5, 0.65}, {2, apThermal90, 1.0, 1.6, 0.3}})
        EXPECT_EQ(Sizes(ApertureOf(i)), (std::vector<double>{double(shape), inner, outer, gap})) << i;
}

// A file of the given lines after a header that counts them.
std::string TsoFile(const std::string& lines)
{
    std::size_t n = 1;
    for (char c : lines) n += c == '\n';
    return "\"Z\",\"部品面\",\"題\"," + std::to_string(n) + "\r\n" + lines;
}

TEST_F(OldProjectFiles, ReadingFilesAsTheyCome)
{
    struct Case {
        const char* what;
        std::string text;
        bool ok;
        std::function<void(const MyDataValue&)> check;
    };
    const Case cases[] = {
        {"no header", "1,0\r\n", false, {}},
        {"a header of three fields", "\"Z\",\"a\",\"b\"\r\n6,1\r\n1,1,0.5,255\r\n", false, {}},
        {"a header of another letter", "\"Y\",\"a\",\"b\",3\r\n", false, {}},
        {"a comma inside quotes", "\"Z\",\"top, bottom\",\"board\",1\n", true,
         [](const MyDataValue& v) { EXPECT_EQ(v.ContentsText + "|" + v.TitleText, "top, bottom|board"); }},
        {"tool names", TsoFile("10,3\r\n0\r\n\"T05\",\"0.8\",\"x\",\"2\"\r\n\"T5\",\"0.9\",\"\",\"1\"\r\n\"T010\",\"1.1\",\"\",\"1\"\r\n"), true,
         [](const MyDataValue&) { EXPECT_EQ(Tools[5].Diameter + Tools[10].Diameter + std::to_string(ToolCount), "0.91.110"); }},
        {"short records", TsoFile("1,3\r\n0.2,0,0,1\r\n0.2\r\n0.2,0,0,1,1,255\r\n"), true,
         [](const MyDataValue& v) { EXPECT_EQ(v.Count, 1); }},
        {"a colour that is none", TsoFile("6,1\r\n1,1,0.5,clNoSuchColour\r\n"), true,
         [](const MyDataValue& v) { EXPECT_EQ(v.Count * 1000000 + LayerTable[1].Color, 1000000 + 0x123456); }},
        {"the colour of the first record", TsoFile("6,2\r\n1,1,0.5,255\r\n2,1,0.5,65280\r\n"), true,
         [](const MyDataValue&) { EXPECT_EQ(LayerTable[1].Color, 255); }},
        // The hit's box is about the hit, then widened to 100 mm about its middle.
        {"a drill hit far from the origin", TsoFile("10,1\r\n0\r\n\"T01\",\"0.8\",\"\",\"1\"\r\n11,1\r\n1,300,200\r\n"), true,
         [](const MyDataValue& v) {
             EXPECT_EQ(E(0).Kind, dkDrillList);
             EXPECT_EQ(std::vector<double>({v.MinX, v.MaxX, v.MinY, v.MaxY}), std::vector<double>({250, 350, 150, 250}));
         }},
        {"data 20 wide", TsoFile("1,1\r\n0.2,10,0,30,0,255\r\n"), true,
         [](const MyDataValue& v) { EXPECT_EQ(std::vector<double>({v.MinX, v.MaxX}), std::vector<double>({-30, 70})); }},
        {"a full circle", TsoFile("3,1\r\n1,0.2,5,5,2,0,0,255\r\n"), true,
         [](const MyDataValue& v) {
             ASSERT_EQ(v.Count, 2);
             EXPECT_EQ(std::vector<double>({E(0).X1, E(0).X2, E(1).X1, E(1).X2}), std::vector<double>({7, 3, 3, 7}));
         }},
        // The earlier edition wrote the gap as the arcs' width and stopped
        // them short by that width.
        {"an earlier edition's thermal", TsoFile("4,1\r\n0.2,0,0,1,0.2,1.3707963267949,1.7707963267949,2.9415926535898,"
                                                 "3.3415926535898,4.5123889803847,4.9123889803847,6.0831853071796,255\r\n"),
         true,
         [](const MyDataValue&) {
             EXPECT_EQ(Sizes(ApertureOf(0)), std::vector<double>({apThermal90, 1.8, 2.2, 0.1973}));
         }},
        {"blank lines after the last record", TsoFile("6,1\r\n1,1,0.5,255\r\n") + "\r\n\r\n", true,
         [](const MyDataValue& v) { EXPECT_EQ(v.Count, 1); }},
        {"a blank line between sections", TsoFile("1,0\r\n\r\n6,1\r\n1,1,0.5,255\r\n"), true,
         [](const MyDataValue& v) { EXPECT_EQ(v.Count, 1); }},
        {"a thermal of far-out angles", TsoFile("4,1\r\n0.2,0,0,1,0.2,6E13,0,0,0,0,0,0,255\r\n"), true,
         [](const MyDataValue& v) { EXPECT_EQ(v.Count, 1); }},
        // An aperture of no size looks like a free slot: the next one added must not take it over.
        {"a line of no width", TsoFile("1,2\r\n0,0,0,1,1,255\r\n0.25,0,0,2,2,255\r\n"), true,
         [](const MyDataValue&) { EXPECT_EQ(std::vector<double>({ApertureOf(0).Size1, ApertureOf(1).Size1}), std::vector<double>({0, 0.25})); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetTables();
        LayerTable[1].Color = 0x123456;
        EXPECT_EQ(Read(c.text), c.ok);
        if (c.check) c.check(value);
        if (!c.ok) {
            EXPECT_EQ(DataCount, 0);
        }
    }
}

TEST_F(OldProjectFiles, ABadNumberLeavesTheTablesAsTheyWere)
{
    Layer(1, "top.gtl", "A");
    AppendElement(Element(dkLine, 10, {0, 0, 1, 1}));
    LayerTable[2].Color = 0x123456;
    try {
        Read("\"Z\",\"\",\"\",12\r\n6,2\r\n1,1,0.5,255\r\n1,x,0.5,255\r\n", 2);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_NE(std::string(e.what()).find("4 行目"), std::string::npos) << e.what();
    }
    EXPECT_EQ(DataCount, 1);
    EXPECT_EQ(Apertures[10].Shape, apNone);
    EXPECT_EQ(LayerTable[2].Color, 0x123456);
}

// A file whose sections or header count more lines than it has (or fewer)
// is refused, saying what is missing, the tables as they were. Cuts of real
// boards' files: ProjectCorpus.CutFilesAreRefusedAndTheJobStays.
TEST_F(OldProjectFiles, FilesCutShortAreRefused)
{
    const std::pair<std::string, const char*> cases[] = {
        {TsoFile("6,1000000\r\n1,1,0.5,255\r\n"), "途中で終わっています。\nセクション 6 の 1000000 行のうち 1 行しかありません。"},
        {TsoFile("10,1\r\n"), "セクション 10 の 1 行のうち 0 行しかありません。"},
        {"\"Z\",\"a\",\"b\",2\r\n1,1\r\n0.2,0,0,1,1,255\r\n", "行数（3 行）が先頭の行が示す行数（2 行）と合いません。"},
        // Counts that fall short inside the file, its line count kept.
        {TsoFile("1,1\r\n0.2,0,0,1,1,255\r\n0.2,0,0,2,2,255\r\n6,0\r\n"),
         "4 行目を読めません。\nセクションの先頭の行（番号と行数）があるべき所に '0.2,0,0,2,2,255' があります（セクション 1（1 行）の後の行）。"},
        {TsoFile("6,1\r\n1,1,0.5,255\r\n1,2,0.5,255\r\n"), "4 行目を読めません。\nセクションの先頭の行"},
        {TsoFile("6,0\r\n1,0\r\n"), "3 行目を読めません。\nセクション 1 がセクション 6（0 行）の後の行にあります。"},
        {TsoFile("1,-1\r\n6,0\r\n"), "2 行目を読めません。\nセクション 1 の行数 -1 は負の数です。"},
        {TsoFile("10,0\r\n"), "セクションの行数の合計（先頭の行を含めて 3 行）が先頭の行が示す行数（2 行）と合いません。"},
    };
    for (const auto& [text, error] : cases) {
        SCOPED_TRACE(error);
        ResetTables();
        AppendElement(Element(dkLine, 10, {0, 0, 1, 1}));
        LayerTable[2].Color = 0x123456;
        try {
            Read(text, 2);
            ADD_FAILURE() << "read";
        } catch (const platform::Error& e) {
            EXPECT_NE(std::string(e.what()).find(error), std::string::npos) << e.what();
        }
        EXPECT_EQ(DataCount, 1);
        EXPECT_EQ(LayerTable[2].Color, 0x123456);
    }
}

TEST_F(OldProjectFiles, AddedToLoadedLayersItsToolsJoinTheirs)
{
    Layer(1, "top.drl", "A");
    DrillTool(1, "0.8", "A", 1);
    AppendElement(Element(dkDrill, 1, {0, 0, 0, 0, 5, 5}));
    ASSERT_TRUE(Read("\"Z\",\"\",\"\",8\r\n10,2\r\n0\r\n\"T01\",\"1.0\",\"\",\"1\"\r\n\"T02\",\"0.8\",\"\",\"1\"\r\n11,2\r\n1,6,6\r\n2,7,7\r\n", 2));
    // Tool 1 of the file is a tool of its own; its tool 2 is the loaded tool 1.
    EXPECT_EQ(Tools[1].Diameter, "0.8");
    EXPECT_EQ(Tools[static_cast<std::size_t>(E(1).Code)].Diameter, "1.0");
    EXPECT_EQ(E(2).Code, 1);
}
