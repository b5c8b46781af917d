#include "core/OldProjectFiles.h"
#include "core/GerberReader.h"
#include "platform/Error.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace core;

namespace {

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& bytes)
{
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "every line ends in CR LF";
    return lines;
}

// The records of section `k` of a file.
Lines SectionOf(const Lines& file, const std::string& k)
{
    for (std::size_t i = 1; i < file.size(); ++i) {
        const std::size_t comma = file[i].find(',');
        if (comma == std::string::npos || file[i].substr(0, comma) != k) continue;
        const std::size_t n = std::stoul(file[i].substr(comma + 1));
        const std::size_t first = i + 1 + (k == "10" ? 1 : 0);
        return Lines(file.begin() + static_cast<long>(first), file.begin() + static_cast<long>(first + n));
    }
    return {};
}

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
        l.FileName = name;
        l.PageLetter = page;
        l.Active = active;
        l.Contents = contents;
        l.Color = 0x0000FF;
        LayerCount = std::max(LayerCount, k);
    }
    static void Apt(int d, std::int32_t shape, double s1, double s2 = 0, double s3 = 0)
    {
        MyAperture& a = Apertures[static_cast<std::size_t>(d)];
        a.Shape = shape;
        a.Size1 = s1;
        a.Size2 = s2;
        a.Size3 = s3;
        a.Used = 1;
    }
    static void Add(const DataElement& e) { AppendElement(e); }
    static DataElement Element(std::int32_t kind, int code, std::vector<double> p)
    {
        DataElement e;
        e.Kind = kind;
        e.Code = code;
        e.Layer = 1;
        p.resize(8, 0.0);
        e.X1 = p[0], e.Y1 = p[1], e.X2 = p[2], e.Y2 = p[3], e.X3 = p[4], e.Y3 = p[5], e.X4 = p[6], e.Y4 = p[7];
        return e;
    }
    static DataElement Flash(int code, double x, double y)
    {
        DataElement e;
        MakeFlash(e, code, 1, 0, x, y);
        return e;
    }
    static void DrillTool(int t, const std::string& diameter, const std::string& symbol, int hits)
    {
        MyTool& tool = Tools[static_cast<std::size_t>(t)];
        tool.Used = 1;
        tool.Diameter = diameter;
        tool.Symbol = symbol;
        tool.Hits = hits;
        ToolCount = std::max(ToolCount, t);
    }
    static Lines ExportOfLayer1()
    {
        const std::vector<OldProjectFilePlan> plans = OldProjectFilePlans();
        EXPECT_EQ(plans.size(), 1u);
        return plans.empty() ? Lines{} : SplitLines(OldProjectFileBytes(plans[0]));
    }
    // Reads bytes as layer `layer` of the tables as they stand.
    bool Read(const std::string& bytes, int layer = 1)
    {
        Gauge gauge;
        return ReadOldProjectData(gauge, bytes, layer, value);
    }
    static const DataElement& E(int i) { return Datas[static_cast<std::size_t>(i)]; }

    MyDataValue value;
};

} // namespace

TEST_F(OldProjectFiles, OneRoundFlashMakesAFileOfEightLines)
{
    Layer(1, "top.gbr", "A", 1, "部品面パターン");
    ProjectBasics.Title = "基板";
    Apt(10, apCircle, 1.0);
    Add(Flash(10, 10, 20));
    const Lines expected = {"\"Z\",\"部品面パターン\",\"基板\",8", "1,0", "2,0", "3,0", "4,0", "5,0", "6,1", "10,20,0.5,255"};
    const std::vector<OldProjectFilePlan> plans = OldProjectFilePlans();
    ASSERT_EQ(plans.size(), 1u);
    const std::string bytes = OldProjectFileBytes(plans[0]);
    Lines utf8;
    for (const std::string& l : SplitLines(bytes)) utf8.push_back(platform::Cp932ToUtf8(l));
    EXPECT_EQ(utf8, expected);
}

TEST_F(OldProjectFiles, EachElementKindAsItsRecord)
{
    struct Case {
        const char* name;
        std::function<void()> job;
        std::string section;
        Lines records;
    };
    DataElement stroke;
    const Case cases[] = {
        {"line", [] { Add(Element(dkLine, 10, {0, 0, 10, 5})); }, "1", {"0.2,0,0,10,5,255"}},
        {"region edge", [] { Add(Element(dkRegionLine, 0, {0, 0, 10, 5})); }, "1", {"0.001,0,0,10,5,255"}},
        {"square stroke along x",
         [&] {
             MakeStroke(stroke, 11, 1, 0, 0, 0, 10, 0);
             Add(stroke);
         },
         "2", {"0.1,0,0,10,0,255"}},
        // Its true ends, not the corners of its box.
        {"square stroke at 45°",
         [&] {
             MakeStroke(stroke, 11, 1, 0, 0, 0, 10, 10);
             Add(stroke);
         },
         "2", {"0.1,0,0,10,10,255"}},
        {"arc counter-clockwise", [] { Add(Element(dkArcCCW, 10, {1, 0, 0, 1, 0, 0, 1})); }, "3", {"0,0.2,0,0,1,0,1.5707963267949,255"}},
        {"the same arc clockwise", [] { Add(Element(dkArcCW, 10, {0, 1, 1, 0, 0, 0, 1})); }, "3", {"0,0.2,0,0,1,0,1.5707963267949,255"}},
        {"region arc", [] { Add(Element(dkRegionArcCW, 0, {-1, 0, 1, 0, 0, 0, 1})); }, "3", {"0,0.001,0,0,1,0,3.14159265358979,255"}},
        {"full circle", [] { Add(Element(dkCircleCW, 10, {3.5, 3, 3.5, 3, 2, 3, 1.5})); }, "3", {"1,0.2,2,3,1.5,0,0,255"}},
        {"round flash", [] { Add(Flash(12, 10, 20)); }, "6", {"10,20,0.5,255"}},
        {"square flash", [] { Add(Flash(11, 5, 5)); }, "5", {"4.9,5.1,5.1,4.9,255"}},
        {"wide oval", [] { Add(Flash(13, 0, 0)); }, "1", {"1,-0.5,0,0.5,0,255"}},
        {"tall oval", [] { Add(Flash(14, 0, 0)); }, "1", {"1,0,0.5,0,-0.5,255"}},
        {"rectangle", [] { Add(Flash(15, 0, 0)); }, "2", {"0.5,-0.5,0,0.5,0,255"}},
        {"polygon", [] { Add(Flash(16, 0, 0)); }, "1",
         {"0.001,1,0,-0.5,0.866025403784439,255", "0.001,-0.5,0.866025403784439,-0.5,-0.866025403784438,255",
          "0.001,-0.5,-0.866025403784438,1,-2.44929359829471E-16,255"}},
        // The gap and the ring's width: arcs as wide as the ring, short of
        // the bridges by half the gap and half their width.
        {"thermal", [] { Add(Flash(17, 0, 0)); }, "4",
         {"0.3,0,0,0.65,0.479728637675753,1.09106768911914,2.05052496447065,2.66186401591404,3.62132129126555,"
          "4.23266034270894,5.19211761806044,5.80345666950383,255"}},
        {"drill hit", [] { Add(Element(dkDrill, 5, {0, 0, 0, 0, 10, 20})); }, "11", {"5,10,20"}},
        {"letter of the drill hit", [] { Add(Element(dkDrill, 5, {0, 0, 0, 0, 10, 20})); }, "1",
         {"0.1,9.5,19.4,10,20.6,255", "0.1,10,20.6,10.5,19.4,255", "0.1,9.65,19.76,10.35,19.76,255"}},
        {"tool of the drill hit", [] { Add(Element(dkDrill, 5, {0, 0, 0, 0, 10, 20})); }, "10", {"\"T05\",\"0.8\",\"\",\"12\""}},
        // A hit read from such a file brings its letter as lines of its own.
        {"earlier drill hit", [] { Add(Element(dkDrillList, 5, {0, 0, 0, 0, 10, 20})); }, "1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTables();
        Layer(1, "top.gbr", "A");
        Apt(10, apCircle, 0.2);
        Apt(11, apSquare, 0.2);
        Apt(12, apCircle, 1.0);
        Apt(13, apOval, 2, 1);
        Apt(14, apOval, 1, 2);
        Apt(15, apRectangle, 2, 1);
        Apt(16, apPolygon, 2, 3, 0);
        Apt(17, apThermal90, 1.0, 1.6, 0.3);
        DrillTool(5, "0.8", "A", 12);
        c.job();
        EXPECT_EQ(SectionOf(ExportOfLayer1(), c.section), c.records);
    }
}

TEST_F(OldProjectFiles, OneFilePerPageLetterNamedApart)
{
    struct L {
        std::string name, page;
        int active = 1;
    };
    struct F {
        std::string page;
        std::vector<int> layers;
        std::string name;
    };
    struct Case {
        const char* what;
        std::vector<L> layers;
        std::vector<F> files;
    };
    const Case cases[] = {
        {"one page", {{"top.gtl", "A"}, {"bottom.gbl", "A"}}, {{"A", {1, 2}, "top.tso"}}},
        {"hidden layers stay out", {{"top.gtl", "A"}, {"bottom.gbl", "B", 0}}, {{"A", {1}, "top.tso"}}},
        {"a name without extension", {{"top", "A"}}, {{"A", {1}, "top.tso"}}},
        // A page letter after the slot's own letter is exported all the same.
        {"page letters of other slots", {{"top.gtl", "B"}, {"bottom.gbl", "A"}}, {{"B", {1}, "top.tso"}, {"A", {2}, "bottom.tso"}}},
        {"one base name", {{"board.GTL", "A"}, {"board.GBL", "B"}, {"board.DRL", "C"}, {"outline.gko", "D"}},
         {{"A", {1}, "board.GTL.tso"}, {"B", {2}, "board.GBL.tso"}, {"C", {3}, "board.DRL.tso"}, {"D", {4}, "outline.tso"}}},
        {"letter case", {{"X.gtl", "A"}, {"x.GBL", "B"}}, {{"A", {1}, "X.gtl.tso"}, {"B", {2}, "x.GBL.tso"}}},
        {"one name twice", {{"a.gtl", "A"}, {"a.gtl", "B"}}, {{"A", {1}, "a.gtl.tso"}, {"B", {2}, "a.gtl(2).tso"}}},
        {"a name of another folder", {{"../up/top.gtl", "A"}}, {{"A", {1}, "top.tso"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetTables();
        for (std::size_t i = 0; i < c.layers.size(); ++i) Layer(static_cast<int>(i) + 1, c.layers[i].name, c.layers[i].page, c.layers[i].active);
        const std::vector<OldProjectFilePlan> plans = OldProjectFilePlans();
        ASSERT_EQ(plans.size(), c.files.size());
        for (std::size_t i = 0; i < plans.size(); ++i) {
            EXPECT_EQ(plans[i].PageLetter, c.files[i].page);
            EXPECT_EQ(plans[i].Layers, c.files[i].layers);
            EXPECT_EQ(plans[i].FileName, c.files[i].name);
        }
    }
}

TEST_F(OldProjectFiles, APageOfTwoLayersJoinsTheirContentsAndListsEachToolOnce)
{
    Layer(1, "top.gtl", "A", 1, "部品面パターン");
    Layer(2, "drill.drl", "A", 1, "穴");
    Layer(3, "more.drl", "A", 1, "穴, 2");
    Apt(10, apCircle, 0.2);
    DrillTool(1, "0.8", "A", 2);
    DrillTool(2, "1.0", "B", 1);
    Add(Element(dkLine, 10, {0, 0, 1, 1}));
    for (int layer : {2, 3}) {
        DataElement e = Element(dkDrill, layer - 1, {0, 0, 0, 0, 5, 5});
        e.Layer = layer;
        Add(e);
    }
    const Lines file = ExportOfLayer1();
    ASSERT_FALSE(file.empty());
    // A comma of a text would end the field in a reader that does not honour quotes.
    EXPECT_EQ(platform::Cp932ToUtf8(file[0]), "\"Z\",\"部品面パターン&穴&穴， 2\",\"\"," + std::to_string(file.size()));
    EXPECT_EQ(SectionOf(file, "10"), (Lines{"\"T01\",\"0.8\",\"\",\"2\"", "\"T02\",\"1.0\",\"\",\"1\""}));
    EXPECT_EQ(SectionOf(file, "11"), (Lines{"1,5,5", "2,5,5"}));
}

TEST_F(OldProjectFiles, WhatIsWrittenComesBack)
{
    Layer(1, "top.gtl", "A");
    Apt(10, apCircle, 0.254);
    Apt(11, apSquare, 0.5);
    Apt(12, apThermal45, 1.2, 2.0, 0.25);
    Apt(76, apThermal90, 1.0, 1.6, 0.3);
    Apt(14, apRectangle, 0.8, 1.5);
    DrillTool(7, "0.9", "A", 1);
    DataElement stroke;
    MakeStroke(stroke, 11, 1, 0, 12.5, -3.25, 20.125, 4);
    const std::vector<DataElement> written = {
        Element(dkLine, 10, {1.5, 2.25, 30.125, 2.25}),
        stroke,
        Element(dkArcCCW, 10, {13, 10, 10, 13, 10, 10, 3}),
        Element(dkArcCW, 10, {10 + 3 * std::cos(0.3), 10 + 3 * std::sin(0.3), 10 + 3 * std::cos(5.1), 10 + 3 * std::sin(5.1), 10, 10, 3}),
        Flash(12, 40, 40),
        Flash(76, 45, 40),
        Flash(11, 50, 40),
        Flash(14, 55, 40),
        Element(dkDrill, 7, {0, 0, 0, 0, 60, 40}),
    };
    for (const DataElement& e : written) Add(e);
    const std::vector<OldProjectFilePlan> plans = OldProjectFilePlans();
    const std::string bytes = OldProjectFileBytes(plans.at(0));

    ResetTables();
    ASSERT_TRUE(Read(bytes));
    // Read back section by section: what each element became, its aperture's
    // shape and sizes (the D-codes are given anew), and the element it came
    // from (-1 for the lines of the drill letter).
    struct Back {
        int from;
        std::int32_t kind, shape;
        double s1, s2, s3;
    };
    const Back back[] = {
        {0, dkLine, apCircle, 0.254, 0, 0},
        {-1, dkLine, apCircle, 0.1, 0, 0}, {-1, dkLine, apCircle, 0.1, 0, 0}, {-1, dkLine, apCircle, 0.1, 0, 0},
        {1, dkSquareStroke, apSquare, 0.5, 0, 0},
        {7, dkSquareStroke, apSquare, 0.8, 0, 0},
        {2, dkArcCCW, apCircle, 0.254, 0, 0},
        {3, dkArcCCW, apCircle, 0.254, 0, 0},
        {4, dkFlash, apThermal45, 1.2, 2.0, 0.25},
        {5, dkFlash, apThermal90, 1.0, 1.6, 0.3},
        {6, dkFlash, apSquare, 0.5, 0, 0},
        {8, dkDrillList, apNone, 0, 0, 0},
    };
    ASSERT_EQ(DataCount, static_cast<std::int32_t>(std::size(back)));
    for (std::size_t i = 0; i < std::size(back); ++i) {
        SCOPED_TRACE(i);
        const Back& b = back[i];
        const DataElement& e = E(static_cast<int>(i));
        EXPECT_EQ(e.Kind, b.kind);
        EXPECT_EQ(e.Layer, 1);
        if (b.kind == dkDrillList) {
            EXPECT_EQ(e.Code, 7);
            EXPECT_EQ(Tools[7].Diameter, "0.9");
        } else {
            const MyAperture& a = Apertures[static_cast<std::size_t>(e.Code)];
            EXPECT_EQ(a.Shape, b.shape);
            EXPECT_NEAR(a.Size1, b.s1, 1e-9);
            EXPECT_NEAR(a.Size2, b.s2, 1e-9);
            EXPECT_NEAR(a.Size3, b.s3, 1e-9);
        }
        if (b.from < 0) continue;
        const DataElement& w = written[static_cast<std::size_t>(b.from)];
        // A clockwise arc comes back counter-clockwise, its ends swapped.
        const bool swapped = w.Kind == dkArcCW;
        const double tolerance = b.kind == dkSquareStroke ? 2e-4 : 1e-9;
        if (b.kind == dkFlash || b.kind == dkDrillList) {
            EXPECT_NEAR(e.X3, w.X3, 1e-12);
            EXPECT_NEAR(e.Y3, w.Y3, 1e-12);
        } else if (b.kind == dkSquareStroke && b.from == 7) {
            // The rectangle: a stroke across its long side.
            EXPECT_NEAR(std::max({e.Y1, e.Y2, e.Y3, e.Y4}), 40.75, tolerance);
            EXPECT_NEAR(std::min({e.X1, e.X2, e.X3, e.X4}), 54.6, tolerance);
        } else {
            EXPECT_NEAR(e.X1, swapped ? w.X2 : w.X1, tolerance);
            EXPECT_NEAR(e.Y1, swapped ? w.Y2 : w.Y1, tolerance);
            EXPECT_NEAR(e.X2, swapped ? w.X1 : w.X2, tolerance);
            EXPECT_NEAR(e.Y2, swapped ? w.Y1 : w.Y2, tolerance);
            EXPECT_NEAR(e.X3, w.X3, tolerance);
            EXPECT_NEAR(e.Y3, w.Y3, tolerance);
            EXPECT_NEAR(e.X4, w.X4, tolerance);
            EXPECT_NEAR(e.Y4, w.Y4, tolerance);
        }
    }
}

TEST_F(OldProjectFiles, ReadingFilesAsTheyCome)
{
    const std::string head = "\"Z\",\"部品面\",\"題\",9\r\n";
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
        {"an empty file", "", false, {}},
        {"a comma inside quotes", "\"Z\",\"top, bottom\",\"board\",1\n", true,
         [](const MyDataValue& v) {
             EXPECT_EQ(v.ContentsText, "top, bottom");
             EXPECT_EQ(v.TitleText, "board");
         }},
        {"tool names", head + "10,3\r\n0\r\n\"T05\",\"0.8\",\"x\",\"2\"\r\n\"T5\",\"0.9\",\"\",\"1\"\r\n\"T010\",\"1.1\",\"\",\"1\"\r\n", true,
         [](const MyDataValue&) {
             EXPECT_EQ(Tools[5].Diameter, "0.9");
             EXPECT_EQ(Tools[10].Diameter, "1.1");
             EXPECT_EQ(ToolCount, 10);
         }},
        {"short records", head + "1,3\r\n0.2,0,0,1\r\n0.2\r\n0.2,0,0,1,1,255\r\n", true,
         [](const MyDataValue& v) {
             EXPECT_EQ(v.Count, 1);
             EXPECT_EQ(E(0).X2, 1);
         }},
        {"a count past the end", head + "6,1000000\r\n1,1,0.5,255\r\n", true, [](const MyDataValue& v) { EXPECT_EQ(v.Count, 1); }},
        {"a colour that is none", head + "6,1\r\n1,1,0.5,clNoSuchColour\r\n", true,
         [](const MyDataValue& v) {
             EXPECT_EQ(v.Count, 1);
             EXPECT_EQ(LayerTable[1].Color, 0x123456);
         }},
        {"the colour of the first record", head + "6,2\r\n1,1,0.5,255\r\n2,1,0.5,65280\r\n", true,
         [](const MyDataValue&) { EXPECT_EQ(LayerTable[1].Color, 255); }},
        // The hit's box is about the hit, then widened to 100 mm about its middle.
        {"a drill hit far from the origin", head + "10,1\r\n0\r\n\"T01\",\"0.8\",\"\",\"1\"\r\n11,1\r\n1,300,200\r\n", true,
         [](const MyDataValue& v) {
             EXPECT_EQ(E(0).Kind, dkDrillList);
             EXPECT_EQ(E(0).Code, 1);
             EXPECT_DOUBLE_EQ(v.MinX, 250);
             EXPECT_DOUBLE_EQ(v.MaxY, 250);
         }},
        {"data 20 wide", head + "1,1\r\n0.2,10,0,30,0,255\r\n", true,
         [](const MyDataValue& v) {
             EXPECT_DOUBLE_EQ(v.MinX, -30);
             EXPECT_DOUBLE_EQ(v.MaxX, 70);
         }},
        // An aperture of no size looks like a free slot: the next one added must not take it over.
        {"a line of no width", head + "1,2\r\n0,0,0,1,1,255\r\n0.25,0,0,2,2,255\r\n", true,
         [](const MyDataValue&) {
             EXPECT_NE(E(0).Code, E(1).Code);
             EXPECT_EQ(Apertures[static_cast<std::size_t>(E(0).Code)].Shape, apCircle);
             EXPECT_EQ(Apertures[static_cast<std::size_t>(E(0).Code)].Size1, 0);
             EXPECT_EQ(Apertures[static_cast<std::size_t>(E(1).Code)].Size1, 0.25);
         }},
        {"a full circle", head + "3,1\r\n1,0.2,5,5,2,0,0,255\r\n", true,
         [](const MyDataValue& v) {
             ASSERT_EQ(v.Count, 2);
             EXPECT_EQ(E(0).Kind, dkArcCCW);
             EXPECT_EQ(E(0).X1, 7);
             EXPECT_EQ(E(0).X2, 3);
             EXPECT_EQ(E(1).X1, 3);
             EXPECT_EQ(E(1).X2, 7);
         }},
        // The earlier edition wrote the gap as the arcs' width and stopped
        // them short by that width.
        {"an earlier edition's thermal", head + "4,1\r\n0.2,0,0,1,0.2,1.3707963267949,1.7707963267949,2.9415926535898,"
                                                "3.3415926535898,4.5123889803847,4.9123889803847,6.0831853071796,255\r\n",
         true,
         [](const MyDataValue&) {
             const MyAperture& a = Apertures[static_cast<std::size_t>(E(0).Code)];
             EXPECT_EQ(a.Shape, apThermal90);
             EXPECT_NEAR(a.Size1, 1.8, 1e-9);
             EXPECT_NEAR(a.Size2, 2.2, 1e-9);
             EXPECT_NEAR(a.Size3, 0.1973, 1e-9);
         }},
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
    Apt(10, apCircle, 0.2);
    Add(Element(dkLine, 10, {0, 0, 1, 1}));
    DrillTool(1, "0.8", "A", 1);
    LayerTable[2].Color = 0x123456;
    const std::string text = "\"Z\",\"\",\"\",12\r\n6,2\r\n1,1,0.5,255\r\n1,x,0.5,255\r\n10,1\r\n0\r\n\"T01\",\"1.0\",\"\",\"1\"\r\n";
    try {
        Read(text, 2);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_NE(std::string(e.what()).find("4 行目"), std::string::npos) << e.what();
    }
    EXPECT_EQ(DataCount, 1);
    EXPECT_EQ(Apertures[11].Shape, apNone);
    EXPECT_EQ(LayerTable[2].Color, 0x123456);
    EXPECT_EQ(value.Count, 0);
}

TEST_F(OldProjectFiles, AddedToLoadedLayersItsToolsAndAperturesJoinTheirs)
{
    Layer(1, "top.drl", "A");
    Apt(10, apCircle, 0.5);
    DrillTool(1, "0.8", "A", 1);
    Add(Element(dkDrill, 1, {0, 0, 0, 0, 5, 5}));
    const std::string text = "\"Z\",\"\",\"\",14\r\n1,1\r\n0.5,0,0,1,1,255\r\n2,0\r\n3,0\r\n4,0\r\n5,0\r\n6,0\r\n"
                             "10,2\r\n0\r\n\"T01\",\"1.0\",\"\",\"1\"\r\n\"T02\",\"0.8\",\"\",\"1\"\r\n11,2\r\n1,6,6\r\n2,7,7\r\n";
    ASSERT_TRUE(Read(text, 2));
    EXPECT_EQ(Tools[1].Diameter, "0.8");
    // Tool 1 of the file is a tool of its own; its tool 2 is the loaded tool 1.
    EXPECT_NE(E(2).Code, 1);
    EXPECT_EQ(Tools[static_cast<std::size_t>(E(2).Code)].Diameter, "1.0");
    EXPECT_EQ(E(3).Code, 1);
    EXPECT_EQ(E(1).Code, 10);
}
