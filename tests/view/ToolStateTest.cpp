// The tools' figures over a real board: whatever a tool has drawn with the
// inverting pen, ending the tool puts the picture back pixel for pixel; the
// redraw puts back what is active and nothing else. The settings pages:
// their rows, marks, hovers and clicks.
#include "core/DesignRules.h"
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "view/CodeTables.h"
#include "view/SubLists.h"
#include "view/ToolPages.h"
#include "view/ToolState.h"
#include "tests/view/ViewFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

const fs::path Board = fs::path(TESSEL2_CORPUS) / "cad" / "diptrace";

std::vector<std::uint32_t> Pixels(const platform::RasterCanvas& c)
{
    return {c.Bits(), c.Bits() + static_cast<std::size_t>(c.Width()) * static_cast<std::size_t>(c.Height())};
}

void ResetToolGlobals()
{
    RubberLine = {};
    RubberRect = {};
    SnapMarker = {};
    MeasureStep = 0;
    RectRulerShown = false;
    RectRulerStep = 0;
    GapState = {};
    SearchHits.clear();
    ForgetToolOverlays();
}

core::MyBox Box{};   // the board's

// A point of the board, as fractions of its box.
double X(double f) { return Box[0] + f * (Box[1] - Box[0]); }
double Y(double f) { return Box[2] + f * (Box[3] - Box[2]); }

class ToolOverlaysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Board)) GTEST_SKIP() << "no corpus at " << Board;
        viewtest::ResetAll();
        ResetToolGlobals();
        core::Gauge gauge;
        core::MyDataValue top, drill;
        ASSERT_TRUE(core::ReadGerberFile(gauge, (Board / "mainboard_Top.gbr").string(), 1, top));
        ASSERT_TRUE(core::ReadNcDrillFile(gauge, (Board / "mainboard.drl").string(), 2, drill));
        viewtest::ShowLayer(1, platform::RGB(255, 0, 0));
        viewtest::ShowLayer(2, platform::RGB(255, 255, 0));
        viewtest::FitTo(top.MinX, top.MaxX, top.MinY, top.MaxY, 640, 480);
        RedrawStartHooks().push_back([] { ForgetToolOverlays(); });
        OverlayHooks().push_back([this](platform::RasterCanvas& c) { DrawToolOverlays(c, tool, false); });
        RedrawView();
        plain = Pixels(Picture());
        Box = {top.MinX, top.MaxX, top.MinY, top.MaxY};
    }
    void TearDown() override
    {
        ResetToolGlobals();
        viewtest::ResetAll();
    }
    ToolButton tool = ToolButton::None;
    std::vector<std::uint32_t> plain;
};

// What the tools do to the picture, step by step, as their clicks and the
// pointer's moves would.
using Step = std::function<void()>;

Step MeasureFirst(double fx, double fy)
{
    return [=] {
        const double x = X(fx), y = Y(fy);
        RubberLine = {true, x, y, x, y};
        SnapMarker = {true, "Ring", x, y};
        Overlays.RubberLine.Draw(Picture(), RubberLineFigure(x, y, x, y));
        Overlays.SnapMarker.Draw(Picture(), SnapMarkerFigure(x, y));
        MeasurePoints = {x, y, 0, 0};
        MeasureStep = 1;
    };
}
Step RubberTo(double fx, double fy)
{
    return [=] {
        RubberLine.X2 = X(fx), RubberLine.Y2 = Y(fy);
        Overlays.RubberLine.Draw(Picture(), RubberLineFigure(RubberLine.X1, RubberLine.Y1, RubberLine.X2, RubberLine.Y2));
    };
}
Step MeasureSecond(double fx, double fy)
{
    return [=] {
        Overlays.RubberLine.Erase(Picture());
        Overlays.SnapMarker.Erase(Picture());
        RubberLine.Active = SnapMarker.Active = false;
        MeasurePoints[2] = X(fx), MeasurePoints[3] = Y(fy);
        MeasureStep = 2;
        Overlays.Measure.Draw(Picture(), MeasureFigure(MeasurePoints[0], MeasurePoints[1], MeasurePoints[2], MeasurePoints[3]));
    };
}
Step RectFirst(double fx, double fy)
{
    return [=] {
        const double x = X(fx), y = Y(fy);
        RubberRect = {true, x, x, y, y};
        RectRulerStep = 1;
        Overlays.RubberRect.Draw(Picture(), RubberRectFigure(x, y, x, y));
    };
}
Step RectShown(double f1, double f2)
{
    return [=] {
        Overlays.RubberRect.Erase(Picture());
        RubberRect.Active = false;
        RectRulerRect = {X(f1), X(f2), Y(f1), Y(f2)};
        RectRulerShown = true;
        RectRulerStep = 0;
        Overlays.RectRuler.Draw(Picture(), RectRulerFigure(RectRulerRect[0], RectRulerRect[1], RectRulerRect[2], RectRulerRect[3]));
    };
}
Step GapShown(double ax, double ay, double bx, double by)
{
    return [=] {
        GapState.Step = 2;
        GapState.AX = X(ax), GapState.AY = Y(ay), GapState.BX = X(bx), GapState.BY = Y(by);
        Overlays.Gap.Draw(Picture(), GapFigure(GapState.AX, GapState.AY, GapState.BX, GapState.BY));
    };
}
const Step Redraw = [] { RedrawView(); };
// The tool's state gone without its figures erased (a redraw follows).
const Step DropState = [] {
    RubberLine.Active = SnapMarker.Active = false;
    MeasureStep = 0;
};

TEST_F(ToolOverlaysTest, EndingAToolAtAnyStepRestoresThePicture)
{
    struct Case {
        const char* name;
        ToolButton tool;
        std::vector<Step> steps;
    } cases[] = {
        {"measure", ToolButton::Measure, {MeasureFirst(0.3, 0.4), RubberTo(0.5, 0.5), RubberTo(0.6, 0.7), MeasureSecond(0.6, 0.7)}},
        {"measure on one point", ToolButton::Measure, {MeasureFirst(0.5, 0.5), MeasureSecond(0.5, 0.5)}},
        {"measure level and upright", ToolButton::Measure, {MeasureFirst(0.2, 0.5), MeasureSecond(0.8, 0.5), Redraw}},
        {"measure across a redraw", ToolButton::Measure, {MeasureFirst(0.1, 0.1), RubberTo(0.9, 0.9), Redraw, RubberTo(0.2, 0.9)}},
        {"measure off the picture", ToolButton::Measure, {MeasureFirst(-30, 40), RubberTo(50, -20), MeasureSecond(1e6, 0.5)}},
        {"state gone, then a redraw", ToolButton::Measure, {MeasureFirst(0.3, 0.3), DropState, Redraw}},
        {"rectangle of no size", ToolButton::Rect, {RectFirst(0.4, 0.4), RectShown(0.4, 0.4)}},
        {"rectangle ruler", ToolButton::Rect, {RectFirst(0.1, 0.2), RectShown(0.1, 0.8), Redraw, RectFirst(0.5, 0.5)}},
        {"gap", ToolButton::Gap, {GapShown(0.2, 0.2, 0.25, 0.3), Redraw, GapShown(0.7, 0.7, 0.7, 0.7)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool = c.tool;
        // Ended after each step.
        for (std::size_t k = 0; k <= c.steps.size(); ++k) {
            for (std::size_t s = 0; s < k; ++s) c.steps[s]();
            EndToolState(Picture());
            ASSERT_TRUE(Pixels(Picture()) == plain) << "ended after step " << k;
            EXPECT_FALSE(RubberLine.Active || SnapMarker.Active || RubberRect.Active || RectRulerShown || MeasureStep || GapState.Step);
            // Nothing is left to erase: a second end paints nothing.
            EndToolState(Picture());
            ASSERT_TRUE(Pixels(Picture()) == plain) << "ended twice after step " << k;
        }
    }
}

TEST_F(ToolOverlaysTest, ARedrawPutsBackWhatIsActiveAndTheFiguresAreVisible)
{
    tool = ToolButton::Measure;
    MeasureFirst(0.3, 0.4)();
    RubberTo(0.6, 0.4)();
    const std::vector<std::uint32_t> drawn = Pixels(Picture());
    EXPECT_FALSE(drawn == plain);
    RedrawView();
    EXPECT_TRUE(Pixels(Picture()) == drawn);
    EXPECT_TRUE(Overlays.RubberLine.OnScreen() && Overlays.SnapMarker.OnScreen());
    // The rubber line inverts the picture under it.
    auto at = [](const std::vector<std::uint32_t>& p, int x, int y) { return p[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)]; };
    auto inverted = [&](int x, int y, const std::vector<std::uint32_t>& before) {
        return ((at(Pixels(Picture()), x, y) ^ at(before, x, y)) & 0xFFFFFFu) == 0xFFFFFFu;
    };
    int px = 0, py = 0;
    DataToScreen(X(0.45), Y(0.4), px, py);
    EXPECT_TRUE(inverted(px, py, plain));
    // A circle with a white fill inverts its outline and keeps its inside.
    const OverlayFigure disc{{OverlayPart::Disc, false, {100, 100}, {MarkerRadius, 0}}};
    const std::vector<std::uint32_t> before = Pixels(Picture());
    PaintOverlay(Picture(), disc);
    EXPECT_EQ(at(Pixels(Picture()), 100, 100), at(before, 100, 100));
    EXPECT_TRUE(inverted(100 + MarkerRadius, 100, before));
    PaintOverlay(Picture(), disc);
    EXPECT_TRUE(Pixels(Picture()) == before);
    // Both ends on one point: a circle shows there, the two do not put each other out.
    for (const OverlayFigure& f : {MeasureFigure(X(0.5), Y(0.5), X(0.5), Y(0.5)), GapFigure(X(0.5), Y(0.5), X(0.5), Y(0.5))}) {
        PaintOverlay(Picture(), f);
        DataToScreen(X(0.5), Y(0.5), px, py);
        EXPECT_TRUE(inverted(px + MarkerRadius, py, before));
        PaintOverlay(Picture(), f);
        EXPECT_TRUE(Pixels(Picture()) == before);
    }
}

TEST_F(ToolOverlaysTest, SearchHitsBlinkWithoutAToolThatShowsItsOwn)
{
    SearchHits = {0, 1, 2};
    CodeTable.HotRow = 3;
    const struct {
        ToolButton tool;
        bool highlighted;
    } cases[] = {{ToolButton::None, true}, {ToolButton::Measure, true}, {ToolButton::Drc, true},
                 {ToolButton::Info, false}, {ToolButton::Ruler, false}, {ToolButton::Rect, false}};
    for (const auto& c : cases) {
        tool = c.tool;
        Highlight = {};
        RedrawView();
        EXPECT_EQ(Highlight.Blinking, c.highlighted) << static_cast<int>(c.tool);
    }
    // Ending the tools drops them and the table's selection.
    EXPECT_TRUE(EndToolState(Picture()));
    EXPECT_TRUE(SearchHits.empty());
    EXPECT_EQ(CodeTable.HotRow, -1);
    EXPECT_FALSE(EndToolState(Picture()));
}

// ------------------------------------------------------------------- pages

class ToolPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::ResetTables();
        core::ClearDrcErrors();
        core::DrcSettings = {};
        SetDefaultToolSettings();
    }
    void TearDown() override
    {
        SetDefaultToolSettings();
        core::ClearDrcErrors();
        core::DrcSettings = {};
    }
    // The page of `tool` built and marked.
    void Page(ToolButton tool, int width, int height)
    {
        BuildToolPage(tool, width, height, measure);
        SetPageMarks(tool, measure);
    }
    platform::RasterCanvas measure{1, 1};
};

TEST_F(ToolPagesTest, EachToolHasItsPage)
{
    const std::vector<const char*> kinds{"検索データ", "直線", "矩形", "円・円弧", "フラッシュ", "ドリル"};
    const struct {
        ToolButton tool;
        const char* header;
        int icon;
        std::vector<const char*> rows;
        PageButton button;
    } cases[] = {
        {ToolButton::Gap, "ギャップ測定", 36, kinds, PageButton::NextCandidate},
        {ToolButton::Info, "データ情報", 35, kinds, PageButton::None},
        {ToolButton::Rect, "矩形定規", 38, kinds, PageButton::None},
        {ToolButton::Ruler, "寸法定規の設定", 15, {"最小目盛り (mm)", "1", "0.1", "0.01"}, PageButton::Turn},
        {ToolButton::Drc, "DRC", 34, {"エラー数", "0/0", "エラー箇所表示", "データブリンク"}, PageButton::Detect},
        {ToolButton::Measure, "メジャー", 17,
         {"吸収ポイント設定", "直線", "検出しない", "中心線", "輪郭線", "矩形", "検出しない", "中心線", "輪郭線", "円弧", "検出しない", "中心線",
          "輪郭線", "中心点", "フラッシュ", "検出しない", "輪郭線", "中心点", "ホール", "検出しない", "輪郭線", "中心点"},
         PageButton::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const ToolPageFrame f = PageFrame(c.tool);
        ASSERT_TRUE(f.Shown);
        EXPECT_EQ(f.Button, c.button);
        Page(c.tool, 250, 200);
        EXPECT_EQ(ToolPageHeader.Caption[0], c.header);
        EXPECT_EQ(ToolPageHeader.LeftIcon[0], c.icon);
        EXPECT_EQ(ToolPageHeader.Rects[0], (platform::Rect{2, 0, c.tool == ToolButton::Drc ? 248 : 249, 22}));
        EXPECT_EQ(ToolPageRows.Count, static_cast<int>(c.rows.size()));
        EXPECT_EQ(ToolPageRows.Caption, std::vector<std::string>(c.rows.begin(), c.rows.end()));
        // Every row lies in the rows' image.
        for (const platform::Rect& r : ToolPageRows.Rects) EXPECT_LE(r.bottom, f.RowsHeight);
    }
    EXPECT_FALSE(PageFrame(ToolButton::None).Shown);
    // The default snap modes show as marks and pictures on the measure page.
    Page(ToolButton::Measure, 250, 200);
    const int on[] = {3, 8, 11, 17, 21};             // 中心線, 輪郭線, 中心線, 中心点, 中心点
    const int pictures[][2] = {{1, 0}, {5, 3}, {9, 4}, {14, 8}, {18, 10}};
    for (int k : on) EXPECT_EQ(ToolPageRows.LeftIcon[static_cast<std::size_t>(k)], IconOn) << k;
    for (auto [row, picture] : pictures) EXPECT_EQ(ToolPageRows.CheckIcon[static_cast<std::size_t>(row)], picture) << row;
    // The design-rule count: on shown layers, a slash, in all.
    viewtest::ShowLayer(1, 0);
    viewtest::ShowLayer(2, 0);
    core::LayerTable[2].Active = 0;
    for (int layer : {1, 2, 1}) core::AppendElement(viewtest::Flash(layer, 10, 0, 0));
    for (int i : {0, 1, 2, 1, 1, 2, 7}) core::AppendDrcError({i, 0, 0, "", core::etLineWidth});
    core::DrcSettings.ShowErrors = 0, core::DrcSettings.BlinkErrors = 1;
    Page(ToolButton::Drc, 250, 180);
    EXPECT_EQ(ToolPageRows.Caption[1], "3/7");
    EXPECT_EQ(ToolPageRows.Rects[1].right, 180);
    EXPECT_EQ((std::array{ToolPageRows.LeftIcon[2], ToolPageRows.LeftIcon[3]}), (std::array{IconOff, IconOn}));
}

TEST_F(ToolPagesTest, RowClicksChangeTheirSettingsAndHoverOnlyOptions)
{
    struct Case {
        ToolButton tool;
        int row;
        PageClick effect;
        std::function<bool()> changed;
    } cases[] = {
        {ToolButton::Gap, 0, PageClick::None, [] { return true; }},
        {ToolButton::Gap, 4, PageClick::Repaint, [] { return core::SelectKindFlags[4] == 0; }},
        {ToolButton::Rect, 5, PageClick::Repaint, [] { return core::SelectKindFlags[5] == 0; }},
        {ToolButton::Info, 3, PageClick::Repaint, [] { return core::SelectKindFlags[2] == 0; }},
        {ToolButton::Ruler, 3, PageClick::RepaintRuler, [] { return RulerMinTick == 0.01; }},
        {ToolButton::Ruler, 0, PageClick::None, [] { return RulerMinTick == 1.0; }},
        {ToolButton::Measure, 1, PageClick::None, [] { return SnapModes[SnapLines] == SnapCentreLine; }},
        {ToolButton::Measure, 2, PageClick::Repaint, [] { return SnapModes[SnapLines] == SnapOff; }},
        {ToolButton::Measure, 13, PageClick::Repaint, [] { return SnapModes[SnapArcs] == SnapCentrePoint; }},
        {ToolButton::Measure, 20, PageClick::Repaint, [] { return SnapModes[SnapHoles] == SnapOutline; }},
        {ToolButton::Drc, 1, PageClick::None, [] { return true; }},
        {ToolButton::Drc, 2, PageClick::RepaintRedraw, [] { return core::DrcSettings.ShowErrors == 0; }},
        {ToolButton::Drc, 3, PageClick::RepaintRedraw, [] { return core::DrcSettings.BlinkErrors == 1; }},
    };
    for (const Case& c : cases) {
        SetDefaultToolSettings();
        core::DrcSettings = {};
        EXPECT_EQ(ClickPageRow(c.tool, c.row), c.effect) << static_cast<int>(c.tool) << " " << c.row;
        EXPECT_TRUE(c.changed()) << static_cast<int>(c.tool) << " " << c.row;
    }

    // Hovering finds the option rows only; a click finds any row.
    Page(ToolButton::Measure, 250, 200);
    EXPECT_EQ(HoverPageRow(ToolPageRows, 5, 30), -1);   // the class row "直線"
    EXPECT_EQ(HitPageRow(ToolPageRows, 5, 30), 1);
    EXPECT_EQ(HoverPageRow(ToolPageRows, 5, 50), 2);
    EXPECT_EQ(HoverPageRow(ToolPageRows, 5, 10), -1);   // the label
    EXPECT_EQ(HitPageRow(ToolPageRows, 150, 10), -1);   // beside it
}

} // namespace
