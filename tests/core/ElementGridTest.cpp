#include "core/ElementGrid.h"

#include "BoardSamples.h"
#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace core;
using namespace samples;

namespace {

class ElementGridTest : public ::testing::Test {
protected:
    void SetUp() override { SetUpTables(); }
    void TearDown() override
    {
        ElementGrid.Clear();
        ResetTables();
    }

    // A board of `n` random elements of every class over w x h mm from
    // (x0, y0), on layers 1 and 2, with a few of the odd ones among them.
    static void RandomBoard(std::mt19937& rng, int n, double x0, double y0, double w, double h)
    {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int k = 0; k < n; ++k) {
            const Class c = Classes[rng() % std::size(Classes)];
            AppendElement(RandomElement(rng, c, x0 + u(rng) * w, y0 + u(rng) * h, k % 50 == 0 ? 8.0 : 1.5, 1 + k % 2));
        }
        DataElement marker;
        marker.Kind = dkSection;
        marker.Layer = 77;   // a section number
        AppendElement(marker);
        DataElement circle = Arc(dkArcCCW, dWide, x0 + w / 2, y0 + h / 2, 2.5, 0, 1);
        circle.Kind = dkCircleCW;
        AppendElement(circle);
        circle.Kind = dkRegionCircleCCW;
        AppendElement(circle);
        DataElement old = Drill(2, x0 + 1, y0 + 1);
        old.Kind = dkDrillList;
        AppendElement(old);
        DataElement big = Flash(dWide, x0 + w, y0);
        Apertures[30] = Apertures[dWide];
        Apertures[30].Size1 = 12.5;
        big.Code = 30;
        AppendElement(big);
    }

    static void Grid(double originX, double originY, int w, int h)
    {
        GridOriginX = originX;
        GridOriginY = originY;
        GridWidth = w;
        GridHeight = h;
        GridDepth = 128;
    }
};

struct BoardCase {
    const char* what;
    double x0, y0, w, h;   // where the elements lie
    double originX, originY;
    int gridW, gridH;
    bool threads;
};

// Every cell lists the same elements in the same order as the bitmap does.
TEST_F(ElementGridTest, CellsAsTheBitmapMarksThem)
{
    const BoardCase cases[] = {
        {"a board inside its grid", 0, 0, 40, 30, 20, 20, 81, 71, false},
        {"the same on threads", 0, 0, 40, 30, 20, 20, 81, 71, true},
        {"a grid that cuts the board", 0, 0, 40, 30, -5, 3, 30, 20, true},
        {"negative coordinates, fractional origin", -60, -45, 40, 30, 80.37, 64.81, 81, 71, false},
    };
    for (const BoardCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetUpTables();
        std::mt19937 rng(7);
        RandomBoard(rng, 20000, c.x0, c.y0, c.w, c.h);
        Grid(c.originX, c.originY, c.gridW, c.gridH);
        literal::Grid reference;
        gridtest::ExpectSameGrid(reference, c.threads ? gridtest::FourThreads : TaskRunner{});
        gridtest::ExpectSameSelections(reference, rng, 60, c.threads ? gridtest::FourThreads : TaskRunner{});
    }
}

TEST_F(ElementGridTest, CellRectangleOfABox)
{
    struct Row {
        double minX, maxX;
        std::int32_t minCol, maxCol;
    };
    const Row rows[] = {
        {2.05, 3.5, 1, 5},     // within 0.1 of a boundary: the cell before too
        {2.5, 5.5, 2, 7},      // 0.5 short of a boundary: the cell after too
        {2.5, 5.95, 2, 6},
        {2.5, 5.0, 2, 5},      // on a boundary: up to it
        {-0.5, -0.02, -1, 0},
    };
    for (const Row& r : rows) {
        DataElement e = RegionLine(r.minX, 1.5, r.maxX, 1.5);
        MyCellRect cells;
        ElementCells(e, cells);
        EXPECT_EQ(cells.MinCol, r.minCol) << r.minX;
        EXPECT_EQ(cells.MaxCol, r.maxCol) << r.maxX;
    }
    // A hole is entered as at least a millimetre across.
    MyCellRect cells;
    ElementCells(Drill(2, 10.5, 10.5), cells);
    EXPECT_EQ(cells, (MyCellRect{9, 9, 11, 11}));
}

TEST_F(ElementGridTest, ACrowdedCellDeepensTheGrid)
{
    for (int k = 0; k < 129; ++k) AppendElement(Flash(dCircle, 5.5, 5.5));
    Grid(0, 0, 12, 12);
    literal::Grid reference;
    gridtest::ExpectSameGrid(reference);
    EXPECT_EQ(GridDepth, 256);
    const auto cell = ElementGrid.Cell(5, 5);
    ASSERT_EQ(cell.size(), 129u);
    EXPECT_EQ(cell[128], 128);
    EXPECT_TRUE(std::is_sorted(cell.begin(), cell.end()));
}

TEST_F(ElementGridTest, NoElementsLeaveTheGridAsItWas)
{
    AppendElement(Flash(dCircle, 5.5, 5.5));
    Grid(0, 0, 12, 12);
    Gauge gauge;
    ASSERT_TRUE(BuildElementGrid(gauge));
    EXPECT_EQ(ElementGrid.Cell(5, 5).size(), 1u);
    ClearElements();
    EXPECT_FALSE(BuildElementGrid(gauge));
    // The lists were for elements that are gone.
    AppendElement(Flash(dCircle, 1.5, 1.5));
    EXPECT_TRUE(ElementGrid.Cell(5, 5).empty());
    MyBox all{0, 12, 0, 12};
    MyIntArray found;
    EXPECT_EQ(SelectInRect(all, found), 0);
}

TEST_F(ElementGridTest, ALargeGridHoldsOnlyTheCellsElementsReach)
{
    std::mt19937 rng(3);
    RandomBoard(rng, 3000, 0, 0, 30, 20);
    Gauge gauge;
    Grid(10, 10, 60, 50);
    ASSERT_TRUE(BuildElementGrid(gauge));
    std::vector<std::vector<std::int32_t>> small;
    for (int c = 0; c < 60; ++c)
        for (int r = 0; r < 50; ++r) small.emplace_back(ElementGrid.Cell(c, r).begin(), ElementGrid.Cell(c, r).end());
    // A very wide view: millions of cells, nearly all empty.
    Grid(10, 10, 200000, 50);
    ASSERT_TRUE(BuildElementGrid(gauge));
    EXPECT_LT(ElementGrid.MemoryBytes(), std::size_t{4} << 20);
    std::size_t k = 0;
    for (int c = 0; c < 60; ++c)
        for (int r = 0; r < 50; ++r, ++k) EXPECT_EQ(std::vector<std::int32_t>(ElementGrid.Cell(c, r).begin(), ElementGrid.Cell(c, r).end()), small[k]);
    EXPECT_TRUE(ElementGrid.Cell(150000, 10).empty());
}

struct SelectCase {
    const char* what;
    MyBox rect;
    std::vector<std::int32_t> expected;
    MyBox shrunk;   // the rectangle afterwards
};

TEST_F(ElementGridTest, SelectionRules)
{
    AppendElement(Flash(dCircle, 2, 2));             // 0
    AppendElement(Flash(dCircle, 3, 2));             // 1
    AppendElement(Line(dCircle, 2, 4, 4, 5));        // 2
    AppendElement(Flash(dCircle, 2, 3, 2));          // 3, layer 2
    AppendElement(Drill(1, -3, -3));                 // 4
    for (int k = 5; k < 11; ++k) AppendElement(Flash(dCircle, 6 + 0.1 * k, 6));
    DataElement marker;
    marker.Kind = dkSection;
    marker.Layer = 40;   // a section number, no layer
    marker.X3 = 2, marker.Y3 = 2;
    AppendElement(marker);                           // 11
    Grid(10, 10, 30, 30);
    LayerTable[2].Active = 0;
    Gauge gauge;
    ASSERT_TRUE(BuildElementGrid(gauge));
    const double r = 0.125;
    const SelectCase cases[] = {
        {"two pads", {1, 3.5, 1, 2.5}, {0, 1}, {2 - r, 3 + r, 2 - r, 2 + r}},
        {"given right to left, top to bottom", {3.5, 1, 2.5, 1}, {0, 1}, {2 - r, 3 + r, 2 - r, 2 + r}},
        {"a line wholly inside only", {1.5, 4.2, 3.5, 5.2}, {2}, {2 - r, 4 + r, 4 - r, 5 + r}},
        {"cut through the line", {1.5, 3.5, 3.5, 5.2}, {}, {1.5, 3.5, 3.5, 5.2}},
        {"a hidden layer is never taken", {1.5, 2.5, 2.5, 3.5}, {}, {1.5, 2.5, 2.5, 3.5}},
        {"negative coordinates", {-4, -2, -4, -2}, {4}, {-3.4, -2.6, -3.4, -2.6}},
        {"numbers in the order of their texts", {6, 8, 5, 7}, {10, 5, 6, 7, 8, 9}, {6.5 - r, 7.0 + r, 6 - r, 6 + r}},
        {"reaching far past the grid", {-1000, 1000, -1000, 1000}, {0, 1, 10, 2, 4, 5, 6, 7, 8, 9}, {-3.4, 7.0 + r, -3.4, 6 + r}},
        {"nowhere near", {500, 600, 500, 600}, {}, {500, 600, 500, 600}},
    };
    for (const SelectCase& c : cases) {
        SCOPED_TRACE(c.what);
        MyBox rect = c.rect;
        MyIntArray found;
        EXPECT_EQ(SelectInRect(rect, found), static_cast<int>(c.expected.size()));
        EXPECT_EQ(found, c.expected);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(rect[static_cast<std::size_t>(k)], c.shrunk[static_cast<std::size_t>(k)], 1e-12) << k;
    }
    // A class switched off is not taken.
    SelectKindFlags[4] = 0;
    MyBox rect{1, 3.5, 1, 2.5};
    MyIntArray found;
    EXPECT_EQ(SelectInRect(rect, found), 0);
}

} // namespace
