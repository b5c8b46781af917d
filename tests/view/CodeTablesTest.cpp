// The code tables as models: rows of the used codes, their texts, the
// search of a row and the drill hit count.
#include "core/Datas.h"
#include "view/CodeTables.h"

#include <gtest/gtest.h>

using namespace mainwin;

namespace {

core::DataElement Hit(int layer, int kind, int code)
{
    core::DataElement e;
    e.Layer = layer;
    e.Kind = kind;
    e.Code = code;
    return e;
}

class CodeTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::ResetTables();
        core::LayerCount = 2;
        core::LayerTable[1].Active = 1;
        core::LayerTable[2].Active = 1;
    }
    void TearDown() override { core::ResetTables(); }
};

TEST_F(CodeTables, DrillHitsOfBothKindsBelongToToolsNeverToDCodes)
{
    // D12 on a flash; tool 12 drilled once by a hit and once by a listed hit.
    core::AppendElement(Hit(1, core::dkFlash, 12));
    core::AppendElement(Hit(2, core::dkDrill, 12));
    core::AppendElement(Hit(2, core::dkDrillList, 12));
    core::AppendElement(Hit(2, core::dkDrill, 3));
    core::AppendElement(Hit(2, core::dkDrill, 5000));   // out of the table: counted in the total only
    EXPECT_EQ(CountUsedDrillTools(core::Tools), 12);
    EXPECT_EQ(core::TotalHoleCount, 4);
    EXPECT_EQ(core::Tools[12].Hits, 2);
    EXPECT_EQ(SearchCodeElements(false, 12), (std::vector<int>{0}));
    EXPECT_EQ(SearchCodeElements(true, 12), (std::vector<int>{1, 2}));
    core::LayerTable[2].Active = 0;
    EXPECT_TRUE(SearchCodeElements(true, 12).empty());
}

TEST_F(CodeTables, ApertureRowsAndTheirTexts)
{
    auto set = [](int d, int shape, double s1, double s2, double s3) {
        core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
        a = core::MyAperture{};
        a.Used = 1;
        a.Shape = shape;
        a.Size1 = s1;
        a.Size2 = s2;
        a.Size3 = s3;
    };
    set(10, core::apCircle, 0.25, 0, 0);
    set(11, core::apPolygon, 1.5, 6, 30);
    set(12, core::apMacro, 0, 0, 0);
    core::Apertures[12].MacroName = "THERM";
    core::Apertures[12].FirstPrimitive = 7;   // the macro file was missing: no primitive 7
    set(1000, core::apRectangle, 1, 2, 0);
    core::Apertures[13].Used = 0;
    core::MaxDCode = 1000;
    MyGridBox g;
    platform::RasterCanvas measure(1, 1);
    const TableLayout t = BuildApertureTable(g, 220, 1000, measure);
    ASSERT_EQ(g.RowCount, 5);
    EXPECT_EQ(t.PanelHeight, 5 * 18 + 20);
    // Nothing measured: the numbers take only their gaps, the last column the rest.
    EXPECT_EQ(g.ColWidths, (std::vector<int>{5, 5, 5, 5, 200}));
    EXPECT_EQ(g.CellTexts[3][1], "");         // no $2 when 0
    EXPECT_EQ(g.CellTexts[1][2], "PGN");
    EXPECT_EQ(g.CellTexts[4][2], "30");       // the polygon's rotation
    EXPECT_EQ(g.CellTexts[1][3], "Macro (THERM)");
    EXPECT_EQ(g.CellTexts[2][3], "");
    EXPECT_EQ(g.CellTexts[0][4], "D1000");
    EXPECT_FALSE(g.RowEnabled[4]);            // drawn hatched
    EXPECT_TRUE(g.RowEnabled[1]);
    // With the macro read, its own name.
    core::MyMacro m;
    m.Name = "THERMAL2";
    core::Macros.assign(8, core::MyMacro{});
    core::Macros[7] = m;
    core::MacroCount = 7;
    EXPECT_EQ(ApertureShapeText(core::Apertures[12]), "Macro (THERMAL2)");
    // Hits by the row span; nothing below the last row.
    EXPECT_EQ(HitCodeRow(g, 5, 0), 1);
    EXPECT_EQ(HitCodeRow(g, 219, 18 * 4 - 1), 4);
    EXPECT_EQ(HitCodeRow(g, 5, 18 * 4), -1);
    EXPECT_EQ(NoCodeElementsText(false, 10), "現在表示されているファイル(層)に D10 (0.25) は使用されておりません。");
}

TEST_F(CodeTables, NoApertureTableBelowD10AndToolNames)
{
    core::MaxDCode = 9;
    MyGridBox g;
    platform::RasterCanvas measure(1, 1);
    EXPECT_EQ(BuildApertureTable(g, 220, 1000, measure).PanelHeight, 0);
    core::Tools[3].Used = 1;
    core::Tools[3].Diameter = "0.8";
    core::Tools[12].Used = 1;
    core::ToolCount = 12;
    const TableLayout t = BuildToolTable(g, 220, 40, measure);
    ASSERT_EQ(g.RowCount, 3);
    EXPECT_EQ(t.PanelHeight, 40);   // the limit
    EXPECT_EQ(g.CellTexts[0][1], "T03");
    EXPECT_EQ(g.CellTexts[0][2], "T12");
    EXPECT_EQ(NoCodeElementsText(true, 3), "現在表示されているファイル(層)にドリル T3 (0.8) はありません。");
}

} // namespace
