// The information balloon's texts, size and place, and its stepping
// through the picks.
#include "view/ReportTools.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace mainwin;
using core::DataElement;
using viewtest::Element;

class ReportTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewtest::ResetAll();
        viewtest::ShowLayer(1, platform::RGB(0, 255, 0));
        viewtest::ShowLayer(2, platform::RGB(255, 0, 0));
        core::LayerTable[1].FileName = "top.gbr";
        const std::pair<int, double> shapes[] = {{core::apCircle, 0.254}, {core::apSquare, 1.5}, {core::apRectangle, 1.2}, {core::apThermal45, 2},
                                                 {core::apThermal90, 2},    {core::apOval, 1},      {core::apMacro, 0},         {core::apPolygon, 1}};
        for (int d = 10; const auto& [shape, size] : shapes) viewtest::SetAperture(d++, shape, size);
        core::Apertures[16].MacroName = "RoundRect";
        core::Tools[7].Diameter = "0.8";
        core::Tools[12].Diameter = "1.00";
    }
    void TearDown() override { viewtest::ResetAll(); }
};

// An element of layer 1 whose third (and fourth) point is given.
DataElement With(DataElement e, double x3, double y3, double x4 = 0, double y4 = 0)
{
    e.X3 = x3, e.Y3 = y3, e.X4 = x4, e.Y4 = y4;
    return e;
}
DataElement Arc(int kind, int code, double x1, double y1, double x2, double y2, double cx, double cy, std::uint8_t clear = 0)
{
    return With(Element(1, kind, code, x1, y1, x2, y2, 0, clear), cx, cy, std::hypot(x1 - cx, y1 - cy));
}
DataElement At(int kind, int code, double x, double y, std::uint8_t clear = 0) { return With(Element(1, kind, code, 0, 0, 0, 0, 0, clear), x, y); }

TEST_F(ReportTools, BalloonTellsEachKind)
{
    struct Case {
        const char* what;
        DataElement e;
        std::vector<InfoPair> expected;
    } cases[] = {
        {"dark line", Element(1, core::dkLine, 10, 1, 2, 4, 6), {{"Dコード", "D10 円形 0.254"}, {"図形", "直線"}, {"始点", "X1 Y2"}, {"終点", "X4 Y6"}, {"長さ", "5"}}},
        {"dark region edge", Element(1, core::dkRegionLine, 0, -1.5, 0, 2.5, 0),
         {{"Dコード", "なし(Polygon)"}, {"図形", "直線(塗潰し)"}, {"始点", "X-1.5 Y0"}, {"終点", "X2.5 Y0"}, {"長さ", "4"}}},
        // A quarter of a circle of radius 2: 3.14159... long.
        {"clear region arc", Arc(core::dkRegionArcCCW, 0, 2, 0, 0, 2, 0, 0, 1),
         {{"Dコード", "なし(Polygon)"}, {"図形", "円弧(CCW)(打抜き)"}, {"始点", "X2 Y0"}, {"終点", "X0 Y2"}, {"中心", "X0 Y0"}, {"半径", "2"}, {"弧の長さ", "3.142"}}},
        // Clockwise the long way round: three quarters.
        {"clockwise arc", Arc(core::dkArcCW, 11, 2, 0, 0, 2, 0, 0),
         {{"Dコード", "D11 正方形 1.5"}, {"図形", "円弧(CW)"}, {"始点", "X2 Y0"}, {"終点", "X0 Y2"}, {"中心", "X0 Y0"}, {"半径", "2"}, {"弧の長さ", "9.425"}}},
        {"square-aperture stroke", With(Element(1, core::dkSquareStroke, 11, 0.12345, 1, 3.12345, 5), 3.1234, 5.00049, -0.0001, 1),
         {{"Dコード", "D11 正方形 1.5"}, {"図形", "矩形"}, {"点１", "X0.123 Y1"}, {"点２", "X3.123 Y5"},
          {"点３", "X3.123 Y5"}, {"点４", "X0 Y1"}, {"長さ", "5"}}},
        {"clear macro flash", At(core::dkFlash, 16, 10.5, -3.25, 1), {{"Dコード", "D16 マクロ(RoundRect)"}, {"図形", "フラッシュ(打抜き)"}, {"中心", "X10.5 Y-3.25"}}},
        {"drill hit of tool 7", At(core::dkDrill, 7, 1, 2), {{"ツール", "T07"}, {"図形", "ドリル"}, {"中心", "X1 Y2"}, {"穴径", "0.8"}}},
        {"earlier drill hit of tool 12", At(core::dkDrillList, 12, 1, 2, 1),
         {{"ツール", "T12"}, {"図形", "ドリル"}, {"中心", "X1 Y2"}, {"穴径", "1.00"}}},
    };
    for (Case& c : cases) {
        c.expected.insert(c.expected.begin(), {"ファイル", "top.gbr"});
        EXPECT_EQ(PrimitiveInfo(c.e), c.expected) << c.what;
    }
}

TEST_F(ReportTools, DCodeRowNamesTheShape)
{
    const std::pair<int, const char*> cases[] = {{12, "D12 矩形"}, {13, "D13 サーマル45°"}, {14, "D14 サーマル90°"},
                                                 {15, "D15 オーバル"}, {17, "D17 "}, {20, "D20 "}, {5000, "D5000 "}};
    for (const auto& [code, expected] : cases) EXPECT_EQ(PrimitiveInfo(At(core::dkFlash, code, 0, 0))[1].Value, expected) << code;
}

// Every line of every kind stands inside the balloon's body above the rule,
// the position and the two buttons below it, whichever way it opens.
TEST_F(ReportTools, BalloonHoldsEveryLineItShows)
{
    const DataElement elements[] = {Element(1, core::dkLine, 10, 0, 0, 1, 1), Arc(core::dkArcCCW, 10, 1, 0, 0, 1, 0, 0),
                                    Element(1, core::dkSquareStroke, 11, 0, 0, 1, 1), At(core::dkFlash, 10, 0, 0),
                                    At(core::dkDrill, 7, 0, 0), At(core::dkCircleCCW, 10, 0, 0)};
    constexpr int buttonHeight = 22;
    for (const DataElement& e : elements) {
        const std::vector<InfoPair> pairs = PrimitiveInfo(e);
        const int H = InfoBalloonHeight(static_cast<int>(pairs.size()));
        for (const auto& [x, y] : {std::pair{10, 10}, std::pair{10, 590}}) {
            SCOPED_TRACE("kind " + std::to_string(e.Kind) + " at " + std::to_string(y));
            const InfoPlacement p = PlaceInfoPanel(x, y, 1000, 600, 300, H);
            const int bodyTop = y < 300 ? 20 : 0, bodyBottom = y < 300 ? H - 2 : H - 22;
            FillInfoTable(InfoTable, pairs, 0, 1, 300, p, InfoLabelWidth);
            ASSERT_EQ(InfoTable.Count, static_cast<int>(2 + 2 * pairs.size()));
            for (std::size_t k = 2; k < static_cast<std::size_t>(InfoTable.Count); ++k) {
                EXPECT_GT(InfoTable.Rects[k].top, bodyTop);
                EXPECT_LE(InfoTable.Rects[k].bottom, p.TextBottom) << InfoTable.Texts[k];
            }
            EXPECT_LE(InfoTable.Rects[1].bottom, bodyBottom);
            EXPECT_LE(p.TextBottom + 5 + buttonHeight, bodyBottom);
        }
    }
}

TEST_F(ReportTools, BalloonWidensForItsLongestValue)
{
    platform::RasterCanvas measure;
    // Eight pixels a character, whatever the font.
    struct Wide final : platform::RasterTextHook {
        void TextOut(platform::RasterCanvas&, int, int, std::string_view) override {}
        platform::TextSize TextExtent(const platform::RasterCanvas&, std::string_view t) override
        {
            return {8 * static_cast<int>(t.size()), 15};
        }
    } wide;
    measure.SetTextHook(&wide);
    const std::vector<InfoPair> shortPairs{{"長さ", "5"}};
    const std::vector<InfoPair> longPairs{{"始点", "X-123.456789012345 Y-98.7654321098765"}};
    EXPECT_EQ(MeasureInfoBalloon(measure, shortPairs, 500).Width, InfoBalloonWidth);
    const InfoSize s = MeasureInfoBalloon(measure, longPairs, 1000);
    EXPECT_GE(s.Width - 5 - s.LabelWidth - 5, 8 * static_cast<int>(longPairs[0].Value.size()));
    EXPECT_EQ(MeasureInfoBalloon(measure, longPairs, 320).Width, 320);

    // The position below the rule is never cut, however many picks there are.
    for (const auto& [current, count] : {std::pair{0, 2}, std::pair{9, 12}, std::pair{4566, 12345}}) {
        const std::string position = InfoPositionText(current, count);
        const InfoSize p = MeasureInfoBalloon(measure, shortPairs, 500, position);
        FillInfoTable(InfoTable, shortPairs, current, count, p.Width, PlaceInfoPanel(10, 10, 1000, 600, p.Width, p.Height), p.LabelWidth);
        EXPECT_EQ(InfoTable.Texts[1], position);
        EXPECT_GE(InfoTable.Rects[1].right - InfoTable.Rects[1].left - 3, 8 * static_cast<int>(position.size())) << position;
    }
}

TEST_F(ReportTools, NextStepsThroughShownPicks)
{
    for (int layer : {1, 2, 1}) core::AppendElement(Element(layer, core::dkLine, 10, 0, 0, 1, 0));
    struct Case {
        std::vector<std::int32_t> items;
        int current;
        bool layer2Shown;
        int expected;
    } cases[] = {
        {{0, 1, 2}, 0, true, 1},  {{0, 1, 2}, 2, true, 0},   {{0, 1, 2}, 0, false, 2},
        {{0, 1}, 0, false, 0},    {{0, 1, 2}, 7, true, 1},   {{2}, 0, true, 0},
    };
    for (const Case& c : cases) {
        core::LayerTable[2].Active = c.layer2Shown ? 1 : 0;
        MyInfoSet picks;
        picks.Items = c.items, picks.Count = static_cast<int>(c.items.size()), picks.Current = c.current;
        EXPECT_EQ(NextInfoPick(picks), c.expected) << c.current << " of " << c.items.size();
    }
}

} // namespace
