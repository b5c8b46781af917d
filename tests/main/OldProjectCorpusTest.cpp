// Every board of the corpus opened, exported as the earlier edition's files,
// and each file read back as a layer: every element the format keeps comes
// back in its section's order covering the same box (within the format's
// rounding), and the layer's picture matches the original's.
#include "CorpusJob.h"
#include "core/Geometry.h"
#include "core/OldProjectFiles.h"
#include "core/StrokeFont.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <cmath>
#include <set>

namespace fs = std::filesystem;
using namespace mainwin;
using core::DataElement;

namespace {

// Near enough for the smallest pads to be more than a pixel or two.
constexpr double PixelsPerMm = 32;

// The section an element is written to; 0 for what the file keeps only as
// thin outlines (regions, polygons, macros), which is not compared.
int SectionWritten(const DataElement& e)
{
    const core::MyAperture* a = core::ApertureAt(e.Code);
    switch (e.Kind) {
    case core::dkLine: return 1;
    case core::dkSquareStroke: return 2;
    case core::dkArcCCW: case core::dkArcCW: case core::dkCircleCCW: case core::dkCircleCW: return 3;
    case core::dkDrill: return 11;
    case core::dkFlash:
        switch (a ? a->Shape : core::apNone) {
        case core::apOval: return 1;
        case core::apRectangle: return 2;
        case core::apThermal45: case core::apThermal90: return 4;
        case core::apSquare: return 5;
        case core::apCircle: return 6;
        default: return 0;
        }
    default: return 0;
    }
}

// The section an element read back came from; 0 for a thin outline or,
// on a layer of drill hits, a stroke of a drill letter.
int SectionRead(const DataElement& e, bool drillLayer)
{
    const double size = core::ApertureAt(e.Code) ? core::Apertures[static_cast<std::size_t>(e.Code)].Size1 : 0;
    switch (e.Kind) {
    case core::dkLine: return size == 0.001 || (drillLayer && size == 0.1) ? 0 : 1;
    case core::dkArcCCW: return size == 0.001 ? 0 : 3;
    case core::dkDrillList: return 11;
    default: return SectionWritten(e);
    }
}

core::MyBox Box(const DataElement& e)
{
    core::MyBox box{};
    core::ElementBox(e, box);
    return box;
}

// How far an arc's ends lie off its circle: they come back on it.
double OffCircle(const DataElement& e)
{
    if (e.Kind == core::dkLine || e.Kind == core::dkFlash || e.Kind == core::dkSquareStroke || e.Kind == core::dkDrill) return 0;
    return std::max(std::fabs(std::hypot(e.X1 - e.X3, e.Y1 - e.Y3) - e.X4), std::fabs(std::hypot(e.X2 - e.X3, e.Y2 - e.Y3) - e.X4));
}

// Layer `layer` alone, in the view of `extents` at PixelsPerMm, as lit
// pixels; the elements of `hidden` left out.
std::vector<bool> LitPixels(const core::MyExtents& extents, const std::set<int>& hidden, int layer)
{
    std::vector<std::int32_t> kept;
    for (int i : hidden) kept.push_back(std::exchange(core::Datas[static_cast<std::size_t>(i)].Layer, 0));
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = k == layer ? 1 : 0;
    core::Extents = extents;
    ClientWidth = 900;
    ClientHeight = 700;
    FitViewExtents();
    SetViewZoom(false, 0, 0, -1.0);
    if (View.Scale > 0 && View.Scale < PixelsPerMm)
        SetViewZoom(true, (extents.MinX + extents.MaxX) / 2, (extents.MinY + extents.MaxY) / 2, -PixelsPerMm / View.Scale);
    InvalidatePicture();
    RedrawView();
    const platform::RasterCanvas& p = Picture();
    std::vector<bool> lit(static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height()));
    for (std::size_t i = 0; i < lit.size(); ++i) lit[i] = (p.Bits()[i] & 0xFFFFFFu) != 0;
    std::size_t j = 0;
    for (int i : hidden) core::Datas[static_cast<std::size_t>(i)].Layer = kept[j++];
    return lit;
}

// The share of the pixels lit in either picture that the other lights too,
// or a neighbour of them (flashes, strokes and polygons differ by a pixel at
// their edges); away from the edges, where a flash whose middle lies beyond
// is not drawn at all.
double Overlap(const std::vector<bool>& a, const std::vector<bool>& b)
{
    constexpr int margin = 100;
    const auto at = [](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(ClientWidth) + static_cast<std::size_t>(x); };
    const auto near = [&](const std::vector<bool>& p, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (p[at(x + dx, y + dy)]) return true;
        return false;
    };
    std::size_t either = 0, apart = 0;
    for (int y = margin; y < ClientHeight - margin; ++y)
        for (int x = margin; x < ClientWidth - margin; ++x) {
            const bool inA = a[at(x, y)], inB = b[at(x, y)];
            either += inA || inB;
            apart += (inA && !near(b, x, y)) || (inB && !near(a, x, y));
        }
    return either == 0 ? 1.0 : 1.0 - static_cast<double>(apart) / static_cast<double>(either);
}

using OldProjectCorpus = corpusboards::CorpusJob;

} // namespace

TEST_F(OldProjectCorpus, EveryLayerComesBackFromItsFile)
{
    if (!fs::exists(corpusboards::Cad)) GTEST_SKIP() << "no corpus";
    int boards = 0;
    for (const auto& [name, files] : corpusboards::Boards()) {
        SCOPED_TRACE(name);
        if (!OpenBoard(files)) continue;
        ++boards;
        const int layers = core::LayerCount;
        for (int k = 1; k <= layers; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = 1;
        const fs::path out = root / name;
        fs::create_directories(out);
        core::WriteOldProjectFiles(out.string());
        // One file per layer, none written over another.
        const std::vector<core::OldProjectFilePlan> plans = core::OldProjectFilePlans();
        ASSERT_EQ(static_cast<int>(plans.size()), layers);
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), layers);

        // What each layer's file must give back, and the layer's picture
        // without what the file cannot keep (fills, clear polarity, holes).
        struct Kept {
            int section, halves;
            core::MyBox box;
            double tolerance;
            bool hidden;
        };
        std::vector<std::vector<Kept>> kept(static_cast<std::size_t>(layers) + 1);
        std::vector<std::size_t> strokes(static_cast<std::size_t>(layers) + 1);
        std::set<int> hidden;
        for (int i = 0; i < core::DataCount; ++i) {
            const DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            const int section = SectionWritten(e);
            const bool drill = e.Kind == core::dkDrill;
            if (section == 0 || e.Clear || drill) hidden.insert(i);
            if (section == 0 || !core::ValidLayer(e.Layer)) continue;
            const int halves = e.Kind == core::dkCircleCCW || e.Kind == core::dkCircleCW ? 2 : 1;
            kept[static_cast<std::size_t>(e.Layer)].push_back({section, halves, Box(e), 5e-4 + OffCircle(e), e.Clear || drill});
            if (drill) strokes[static_cast<std::size_t>(e.Layer)] += core::GlyphStrokes(core::Tools[static_cast<std::size_t>(e.Code)].Symbol).size();
        }
        const core::MyExtents extents = core::Extents;
        std::vector<std::vector<bool>> pictures(static_cast<std::size_t>(layers) + 1);
        for (int k = 1; k <= layers; ++k) pictures[static_cast<std::size_t>(k)] = LitPixels(extents, hidden, k);

        for (int k = 1; k <= layers; ++k) {
            SCOPED_TRACE(plans[static_cast<std::size_t>(k - 1)].FileName);
            ClearAllData(true);
            core::Gauge gauge;
            core::MyDataValue value;
            ASSERT_TRUE(core::ReadOldProjectFile(gauge, (out / plans[static_cast<std::size_t>(k - 1)].FileName).string(), 1, value));
            core::LayerCount = 1;

            // Section by section, in order, each as the element it stands
            // for; a full circle comes back as two halves.
            const bool drillLayer = strokes[static_cast<std::size_t>(k)] > 0;
            std::set<int> hiddenBack;
            std::size_t thin = 0;
            for (int section : {1, 2, 3, 4, 5, 6, 11}) {
                std::vector<int> got;
                for (int i = 0; i < core::DataCount; ++i) {
                    const int s = SectionRead(core::Datas[static_cast<std::size_t>(i)], drillLayer);
                    if (s == section) got.push_back(i);
                    else if (s == 0 && section == 1) hiddenBack.insert(i), ++thin;
                }
                std::size_t g = 0;
                for (const Kept& x : kept[static_cast<std::size_t>(k)]) {
                    if (x.section != section) continue;
                    ASSERT_LE(g + static_cast<std::size_t>(x.halves), got.size()) << "section " << section;
                    core::MyBox back = core::EmptyBox;
                    for (int h = 0; h < x.halves; ++h, ++g) {
                        core::GrowBox(back, Box(core::Datas[static_cast<std::size_t>(got[g])]));
                        if (x.hidden) hiddenBack.insert(got[g]);
                    }
                    for (std::size_t c = 0; c < 4; ++c) ASSERT_NEAR(back[c], x.box[c], x.tolerance) << "section " << section << " record " << g;
                }
                EXPECT_EQ(g, got.size()) << "section " << section;
            }
            if (drillLayer) {
                EXPECT_EQ(thin, strokes[static_cast<std::size_t>(k)]);
            }
            EXPECT_GE(Overlap(pictures[static_cast<std::size_t>(k)], LitPixels(extents, hiddenBack, 1)), 0.95);
        }
    }
    EXPECT_GE(boards, 12);
}
