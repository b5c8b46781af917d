#include "output/DataSheets.h"

#include "output/PrintEngine.h"
#include "core/NcDrillReader.h"
#include "platform/TextFile.h"
#include "tests/core/GerberTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace output;

namespace {

// Records the figures a script draws, one line each, with what they are drawn with.
class RecordingCanvas final : public platform::Canvas {
public:
    std::vector<std::string> calls;

    int Width() const override { return 2100; }
    int Height() const override { return 2970; }
    void MoveTo(int x, int y) override { penPos_ = {x, y}; }
    void LineTo(int x, int y) override
    {
        Record("line " + P(penPos_.x, penPos_.y) + "-" + P(x, y) + " w" + std::to_string(PenWidth()));
        penPos_ = {x, y};
    }
    void Polyline(std::span<const platform::Point> pts) override { Record("polyline " + std::to_string(pts.size())); }
    void Polygon(std::span<const platform::Point> pts) override { Record("polygon " + std::to_string(pts.size())); }
    void Ellipse(int l, int t, int r, int b) override { Record("ellipse " + P(l, t) + "-" + P(r, b)); }
    void Rectangle(int l, int t, int r, int b) override
    {
        Record("rect " + P(l, t) + "-" + P(r, b) + (GetBrushStyle() == platform::BrushStyle::Clear ? " clear" : " filled"));
    }
    void FillRect(const platform::Rect&) override { Record("fillrect"); }
    void SetPixel(int, int, platform::Color) override { Record("pixel"); }
    void TextOut(int x, int y, std::string_view text) override
    {
        Record("text " + P(x, y) + " " + Font().Name + " " + std::to_string(Font().Height) + " [" + std::string(text) + "]");
    }
    platform::TextSize TextExtent(std::string_view) override { return {}; }
    void FillMask(const platform::RasterCanvas&, int, int) override { Record("mask"); }

private:
    static std::string P(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    void Record(std::string s) { calls.push_back(std::move(s)); }
};

// Sheet units at 10 pixels per mm: 100 units are 10 pixels.
void TenPixelsPerMillimetre()
{
    PrintTransform.ScaleX = PrintTransform.ScaleY = 10.0;
}

std::vector<std::string> RunScript(const std::vector<std::string>& lines, int* pages = nullptr, RecordingCanvas* second = nullptr)
{
    RecordingCanvas c;
    const int n = RunSheetScript(lines, c, [&]() -> platform::Canvas* { return second; });
    if (pages) *pages = n;
    return c.calls;
}

using Calls = std::vector<std::string>;

} // namespace

TEST(SheetScript, EachCommand)
{
    TenPixelsPerMillimetre();
    struct Case { const char* name; std::vector<std::string> lines; Calls calls; };
    const Case cases[] = {
        {"line", {"LINE,100,200,300,400"}, {"line 10,20-30,40 w1"}},
        {"width, at least a pixel", {"WIDTH,40,,,", "LINE,0,0,100,0", "WIDTH,0,,,", "LINE,0,0,100,0"}, {"line 0,0-10,0 w4", "line 0,0-10,0 w1"}},
        {"rectangle outline", {"RECT,100,100,500,300"}, {"rect 10,10-50,30 clear"}},
        {"font and text, height at least 10", {"FONT,ＭＳ Ｐ明朝,320,,", "TEXT,2500,1000,品名,", "FONT,x,50,,", "TEXT,0,0,a,"},
         {"text 250,100 ＭＳ Ｐ明朝 32 [品名]", "text 0,0 x 10 [a]"}},
        {"repeat across", {"REPEAT,3,1,2000,0", "LINE,4500,9500,4500,9600", "LINE,0,0,10,0"},
         {"line 450,950-450,960 w1", "line 650,950-650,960 w1", "line 850,950-850,960 w1", "line 0,0-1,0 w1"}},
        {"repeat down", {"REPEAT,1,2,0,600", "LINE,2500,10100,18500,10100"}, {"line 250,1010-1850,1010 w1", "line 250,1070-1850,1070 w1"}},
        // Rows do not set x back: the sheets repeat one way only.
        {"repeat both ways", {"REPEAT,2,2,10,10", "LINE,0,0,0,0"}, {"line 0,0-0,0 w1", "line 1,0-1,0 w1", "line 2,1-2,1 w1", "line 3,1-3,1 w1"}},
        {"a rectangle ends the repeat", {"REPEAT,2,1,100,0", "RECT,0,0,10,10", "LINE,0,0,10,0"}, {"rect 0,0-1,1 clear", "line 0,0-1,0 w1"}},
        {"image", {"IMAGE,1000,1000,10,"}, {"ellipse 103,103-127,127"}},
        {"image without a picture", {"IMAGE,1000,1000,-1,"}, {}},
        {"texts keep their commas and quotes", {"TEXT,0,0,基板 A,B \"2\",", "TEXT,0,0,,"}, {"text 0,0 ＭＳ Ｐゴシック -15 [基板 A,B \"2\"]", "text 0,0 ＭＳ Ｐゴシック -15 []"}},
        {"bad lines are skipped, the rest is drawn",
         {"LINE,1,2,3", "LINE,a,0,0,0", "LINE,0,0,0,0,0", "RECT,99999999,0,0,0", "", "BOGUS,1,2,3,4", "LINE,0,0,100,0"}, {"line 0,0-10,0 w1"}},
    };
    for (const Case& c : cases) EXPECT_EQ(RunScript(c.lines), c.calls) << c.name;
}

TEST(SheetScript, PagesContinueOnTheNextCanvas)
{
    TenPixelsPerMillimetre();
    RecordingCanvas second;
    int pages = 0;
    const Calls first = RunScript({"WIDTH,20,,,", "LINE,0,0,100,0", "PAGE,,,,", "LINE,0,0,100,0"}, &pages, &second);
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(first, (Calls{"line 0,0-10,0 w2"}));
    EXPECT_EQ(second.calls, (Calls{"line 0,0-10,0 w2"}));
    // No further page to be had: the rest is dropped.
    EXPECT_EQ(RunScript({"LINE,0,0,100,0", "PAGE,,,,", "LINE,0,0,100,0"}, &pages), (Calls{"line 0,0-10,0 w1"}));
    EXPECT_EQ(pages, 1);
}

namespace {

class SheetWriters : public gerbertest::GerberFixture {};

// The lines holding a text, as "x,y text".
std::vector<std::string> Texts(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (l.rfind("TEXT,", 0) == 0) out.push_back(l.substr(5, l.size() - 6));
    return out;
}

bool Has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

int Count(const std::vector<std::string>& v, const std::string& s) { return static_cast<int>(std::count(v.begin(), v.end(), s)); }

} // namespace

// Tools past the first page's table and apertures past a page's hundred
// rows go on further pages, none lost.
TEST_F(SheetWriters, LongTablesContinueOnFurtherPages)
{
    struct Case { int used; int pages; std::string lastRow; };
    const Case tools[] = {{28, 1, "2800,26500,T28"}, {29, 2, "2800,3100,T29"}, {68, 2, "2800,26500,T68"}, {69, 3, "2800,3100,T69"}};
    for (const Case& c : tools) {
        core::ResetTables();
        for (int t = 1; t <= c.used; ++t) core::Tools[static_cast<std::size_t>(t)] = {1, 1, "0.8", "A", ""};
        core::ToolCount = c.used;
        const std::vector<std::string> lines = ToolSheetLines();
        EXPECT_EQ(Count(lines, "PAGE,,,,") + 1, c.pages) << c.used << " tools";
        EXPECT_TRUE(Has(Texts(lines), c.lastRow)) << c.used << " tools";
    }
    // Fifty rows to a block, two blocks to a page.
    const Case apertures[] = {{50, 1, "2500,26650,* D59"}, {51, 1, "11000,4600,* D60"}, {100, 1, "11000,26650,* D109"},
                              {101, 2, "2500,4600,* D110"}};
    for (const Case& c : apertures) {
        core::ResetTables();
        for (int d = 10; d < 10 + c.used; ++d) core::Apertures[static_cast<std::size_t>(d)] = {1, core::apCircle, 0.5, 0, 0, {}, 0, 0, {}};
        const std::vector<std::string> lines = ApertureSheetLines();
        EXPECT_EQ(Count(lines, "PAGE,,,,") + 1, c.pages) << c.used << " apertures";
        EXPECT_TRUE(Has(Texts(lines), c.lastRow)) << c.used << " apertures";
    }
}

// A real board's sheets, written to disk and printed back: the tables'
// values on the page, texts with commas and quotes whole, characters the
// file cannot hold as "?", all within the page.
TEST_F(SheetWriters, ARealBoardsSheetsRoundTrip)
{
    const std::string board = std::string(TESSEL2_CORPUS) + "/cad/kicad-older/";
    core::Gauge gauge;
    core::MyDataValue v;
    ASSERT_TRUE(core::ReadGerberFile(gauge, board + "chibi_2024-F.Cu.gbr", 1, v));
    ASSERT_TRUE(core::ReadNcDrillFile(gauge, board + "chibi_2024.drl", 2, v));
    core::MaxDCode = core::MarkUsedApertures(core::Apertures);
    core::LayerTable[1].FileName = "chibi_2024-F.Cu.gbr";
    core::LayerTable[1].FileKind = core::fkRS274X;
    core::LayerTable[1].Contents = "部品面";
    core::LayerTable[1].Remarks = "für Ω";   // no CP932 form for ü
    core::LayerTable[2].FileName = "chibi_2024.drl";
    core::LayerTable[2].FileKind = core::fkNcDrill;
    core::LayerCount = 2;
    core::ProjectBasics.Title = "基板 \"A\", 改2";
    core::ProjectBasics.BoardWidth = 100.5;
    core::Tools[1].Comment = "VIA, 0.4";
    std::vector<std::string> apertureRows, toolRows;
    for (int d = 10; d <= core::MaxApertureCode; ++d)
        if (core::Apertures[static_cast<std::size_t>(d)].Used == 1) apertureRows.push_back("[* D" + std::to_string(d) + "]");
    for (int t = 1; t <= core::ToolCount; ++t) {
        const core::MyTool& tool = core::Tools[static_cast<std::size_t>(t)];
        if (tool.Used == 1) toolRows.push_back("[" + tool.Diameter + "]"), toolRows.push_back("[" + std::to_string(tool.Hits) + "]");
    }
    ASSERT_GT(apertureRows.size(), 30u);
    ASSERT_EQ(toolRows.size(), 16u);
    TenPixelsPerMillimetre();
    WriteSheetScripts();
    struct Case { const char* file; std::vector<std::string> texts; };
    Case cases[] = {
        {GerberSheetFile, {"[ガーバーデータ詳細表]", "[基板 \"A\", 改2]", "[W = 100.5]", "[chibi_2024-F.Cu.gbr]", "[部品面]", "[f?r Ω]", "[" + TodayText() + "]"}},
        {ToolSheetFile, {"[ドリルデータ詳細表]", "[chibi_2024.drl]", "[T01]", "[T08]", "[VIA, 0.4]"}},
        {ApertureSheetFile, {"[アパーチャーリスト]", "[RECT]", "[OVAL]"}},
    };
    cases[1].texts.insert(cases[1].texts.end(), toolRows.begin(), toolRows.end());
    cases[2].texts.insert(cases[2].texts.end(), apertureRows.begin(), apertureRows.end());
    for (const Case& c : cases) {
        const std::vector<std::string> lines = platform::ReadTextLines(SheetPath(c.file));
        RecordingCanvas page;
        EXPECT_EQ(RunSheetScript(lines, page, {}), 1) << c.file;
        std::string all;
        for (const std::string& call : page.calls) {
            all += call + "\n";
            // Every figure within the A4 page (0..2100 × 0..2970 pixels).
            int x = 0, y = 0;
            if (std::sscanf(call.c_str(), "%*s %d,%d", &x, &y) == 2) {
                EXPECT_TRUE(x >= 0 && x <= 2100 && y >= 0 && y <= 2970) << c.file << ": " << call;
            }
        }
        for (const std::string& t : c.texts) EXPECT_NE(all.find(t), std::string::npos) << c.file << " lacks " << t;
    }
}
