#include "core/DesignRules.h"

#include "BoardSamples.h"
#include "GridTestSupport.h"
#include "core/TextHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace core;
using namespace samples;

namespace {

constexpr double Pi = 3.14159265358979323846;

class DesignRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpTables();
        ClearDrcErrors();
        DrcSettings = MyDrcSet{};
        DrcSettings.Count = 2;
        DrcSettings.MinWidth.assign(3, 0.0);
        DrcSettings.AngleCheck.assign(3, 0);
    }
    void TearDown() override
    {
        ClearDrcErrors();
        DrcSettings = MyDrcSet{};
        ElementGrid.Clear();
        ResetTables();
    }
    static void Top(double gap)
    {
        DrcSettings.TopOn = 1;
        DrcSettings.TopResist = 1;
        DrcSettings.TopSilk = 2;
        DrcSettings.TopGap = gap;
    }
};

struct LineCase {
    const char* what;
    DataElement element;
    int layer;
    std::vector<std::string> messages;
};

DataElement OnLayer(DataElement e, int layer)
{
    e.Layer = layer;
    return e;
}

TEST_F(DesignRules, LineWidthsAndDirections)
{
    flashtest::SetAperture(40, apCircle, 0.1995);
    flashtest::SetAperture(41, apCircle, 0.199);
    flashtest::SetAperture(42, apSquare, 0.199);
    const double r = 10;
    auto at = [&](double degrees) {
        return Line(dWide, 0, 0, r * std::cos(degrees * Pi / 180), r * std::sin(degrees * Pi / 180));
    };
    const DataElement thin = Line(41, 0, 0, 5, 0);
    const LineCase cases[] = {
        {"within 0.0005 of the least width", Line(40, 0, 0, 5, 0), 1, {}},
        {"thinner", thin, 1, {"線幅エラー(0.199/layer1.gbr/レジスト)"}},
        {"a square-aperture stroke", Line(42, 0, 0, 5, 0), 1, {"線幅エラー(0.199/layer1.gbr/レジスト)"}},
        {"a thin arc", Arc(dkArcCCW, 41, 0, 0, 2, 0, 1), 1, {"線幅エラー(0.199/layer1.gbr/レジスト)"}},
        {"region edges have no width", RegionLine(0, 0, 5, 0), 1, {}},
        {"45.5 degrees is near enough", at(45.5), 2, {}},
        {"46 degrees is not", at(46), 2, {"角度エラー(46°/layer2.gbr/シルク)"}},
        {"a line of no length", Line(dWide, 3, 3, 3, 3), 2, {}},
        {"straight down", Line(dWide, 3, 3, 3, -3), 2, {}},
        {"both, width first", OnLayer(Line(41, 0, 0, 3, 1), 2), 2, {"線幅エラー(0.199/layer2.gbr/シルク)", "角度エラー("}},
        {"a layer the settings were not made for", OnLayer(thin, 3), 3, {}},
        {"a section marker's number is no layer", [&] { DataElement m = thin; m.Kind = dkSection; return m; }(), 1, {}},
    };
    DrcSettings.MinWidth[1] = 0.2;
    DrcSettings.MinWidth[2] = 0.2;
    DrcSettings.AngleCheck[2] = 1;
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        ClearElements();
        ClearDrcErrors();
        const DataElement e = OnLayer(c.element, c.layer);
        AppendElement(e);
        Gauge gauge;
        CheckLineRules(gauge);
        ASSERT_EQ(DrcErrors.Count, static_cast<std::int32_t>(c.messages.size()));
        for (std::size_t k = 0; k < c.messages.size(); ++k) {
            const MyErrPointSet& p = DrcErrors.Points[k];
            EXPECT_EQ(p.Message.rfind(c.messages[k], 0), 0u) << p.Message;
            EXPECT_EQ(p.ErrorType, p.Message.rfind("線幅", 0) == 0 ? etLineWidth : etLineAngle);
            EXPECT_EQ(p.Element, 0);
            EXPECT_EQ(DrcErrors.Elements[k], 0);
            double x = 0, y = 0;
            MarkerPoint(e, x, y);
            EXPECT_EQ(p.X, x);
            EXPECT_EQ(p.Y, y);
        }
    }
}

struct GapCase {
    const char* what;
    std::vector<DataElement> elements;
    double gap;
    std::vector<std::pair<std::int32_t, std::string>> errors;   // element, message
};

TEST_F(DesignRules, ResistToSilkGaps)
{
    const GapCase cases[] = {
        {"exactly the least gap", {Flash(dWide, 0, 0, 1), Flash(dWide, 0.8, 0, 2)}, 0.2, {}},
        {"closer", {Flash(dWide, 0, 0, 1), Flash(dWide, 0.7, 0, 2)}, 0.2, {{1, "レジストシルク間隙エラー(0.1/layer2.gbr/シルク)"}}},
        {"overlapping", {Flash(dWide, 0, 0, 1), Line(dWide, -1, 0.2, 1, 0.2, 2)}, 0.2, {{1, "レジストシルク間隙エラー(0/layer2.gbr/シルク)"}}},
        {"a hole overlapping", {Drill(1, 0, 0, 1), Line(dCircle, -1, 0.2, 1, 0.2, 2)}, 0.2, {{1, "レジストシルク間隙エラー(-0.325/layer2.gbr/シルク)"}}},
        {"a gap of 0 checks nothing", {Flash(dWide, 0, 0, 1), Flash(dWide, 0.3, 0, 2)}, 0.0, {}},
        // Box edges on cell boundaries: the silk pad lies in cells the
        // resist pad's cells do not reach, 0.35 from it.
        {"just over a cell boundary", {Flash(dSquare, 4.7, 4.7, 1), Flash(dSquare, 5.65, 4.7, 2)}, 0.4, {{1, "レジストシルク間隙エラー(0.35/layer2.gbr/シルク)"}}},
        {"silk near two pads, in the order found",
         {Flash(dWide, 0, 0, 1), Flash(dWide, 9, 0, 2), Flash(dWide, 10, 0, 2), Flash(dWide, 0.65, 0, 2), Flash(dWide, 9.7, 0, 1)},
         0.2,
         {{3, "レジストシルク間隙エラー(0.05/layer2.gbr/シルク)"}, {1, "レジストシルク間隙エラー(0.1/layer2.gbr/シルク)"}, {2, "レジストシルク間隙エラー(0/layer2.gbr/シルク)"}}},
    };
    for (const GapCase& c : cases) {
        SCOPED_TRACE(c.what);
        ClearElements();
        ClearDrcErrors();
        for (const DataElement& e : c.elements) AppendElement(e);
        Top(c.gap);
        Gauge gauge;
        CheckResistSilkGap(gauge);
        ASSERT_EQ(DrcErrors.Count, static_cast<std::int32_t>(c.errors.size()));
        for (std::size_t k = 0; k < c.errors.size(); ++k) {
            const MyErrPointSet& p = DrcErrors.Points[k];
            EXPECT_EQ(p.Element, c.errors[k].first);
            EXPECT_EQ(p.Message, c.errors[k].second);
            EXPECT_EQ(p.ErrorType, etTopResistSilk);
        }
    }
}

// On a random board of every class: exactly the errors of measuring every
// resist-silk pair; what the cells around each resist element find is among
// them, in the same order; the bottom side reports its own type.
TEST_F(DesignRules, ResistSilkPairsAsMeasuringThemAll)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int k = 0; k < 2000; ++k)
        AppendElement(RandomElement(rng, Classes[rng() % std::size(Classes)], u(rng) * 30, u(rng) * 20, 1.2, 1 + k % 2));
    GridOriginX = GridOriginY = 20;
    GridWidth = 71;
    GridHeight = 61;
    literal::Grid grid;
    ASSERT_TRUE(literal::Build(grid));
    const double gap = 0.25;

    std::vector<literal::Error> all, cells;
    std::vector<std::int32_t> silk;
    for (std::int32_t j = 0; j < DataCount; ++j)
        if (Datas[static_cast<std::size_t>(j)].Layer == 2) silk.push_back(j);
    std::sort(silk.begin(), silk.end(), [](std::int32_t a, std::int32_t b) { return TextOrderKey(a) < TextOrderKey(b); });
    literal::ResistSilk(all, 1, 2, gap, etBottomResistSilk, [&](std::int32_t) { return silk; });
    literal::ResistSilk(cells, 1, 2, gap, etBottomResistSilk, [&](std::int32_t i) { return literal::NearElements(grid, i, 2); });
    ASSERT_GT(all.size(), 100u);

    for (const TaskRunner& runner : {TaskRunner{}, TaskRunner{gridtest::FourThreads}}) {
        ClearDrcErrors();
        DrcSettings.BottomOn = 1;
        DrcSettings.BottomResist = 1;
        DrcSettings.BottomSilk = 2;
        DrcSettings.BottomGap = gap;
        Gauge gauge;
        CheckResistSilkGap(gauge, runner);
        const std::vector<literal::Error> found = literal::Errors();
        EXPECT_EQ(found, all);
        // Every error the cells find is found, in the same order.
        std::size_t at = 0;
        for (const literal::Error& e : found)
            if (at < cells.size() && e == cells[at]) ++at;
        EXPECT_EQ(at, cells.size());
    }
}

TEST_F(DesignRules, ErrorsAppendAfterTheCount)
{
    for (int k = 0; k < 5; ++k) AppendDrcError({k, 0, 0, "a", etLineWidth});
    DrcErrors.Count = 0;
    AppendDrcError({7, 1, 2, "b", etLineAngle});
    EXPECT_EQ(DrcErrors.Count, 1);
    ASSERT_EQ(DrcErrors.Points.size(), 1u);
    EXPECT_EQ(DrcErrors.Elements, MyIntArray{7});
    EXPECT_EQ(DrcErrors.Points[0].Message, "b");
}

} // namespace
