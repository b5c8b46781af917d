// Every board of the corpus opened, exported as the earlier edition's files,
// and each file read back as a layer: every element the format keeps comes
// back within its rounding, and the layer's picture matches the original's.
#include "CorpusJob.h"
#include "core/OldProjectFiles.h"
#include "core/StrokeFont.h"
#include "main/OpenCommands.h"
#include "main/OpenList.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace fs = std::filesystem;
using namespace mainwin;
using core::DataElement;

namespace {

constexpr double PixelsPerMm = 32;
// Sizes this close share one aperture.
constexpr double MergedSize = 0.0004 + 1e-9;

// What one element of the job should come back as, in the order of its
// section in the file.
struct Expected {
    enum What { Line, Letter, Square, Arc, Flash, Hit } what = Line;
    int section = 0;
    int from = 0;                         // the element it stands for
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // ends of lines and arcs (arcs counter-clockwise)
    double cx = 0, cy = 0, r = 0;         // centre of flashes, arcs and hits; radius of arcs
    double tolerance = 1e-4;
    std::array<double, 4> box{};           // square strokes: the corners' box
    std::int32_t shape = core::apNone;
    double s1 = 0, s2 = 0, s3 = 0;
    std::string diameter;

    Expected() = default;
    Expected(What w, int s, int f) : what(w), section(s), from(f) {}
    Expected& Ends(double ax, double ay, double bx, double by)
    {
        x1 = ax, y1 = ay, x2 = bx, y2 = by;
        return *this;
    }
    Expected& Centre(double x, double y, double radius = 0)
    {
        cx = x, cy = y, r = radius;
        return *this;
    }
};

const core::MyAperture* Aperture(const DataElement& e) { return core::ApertureAt(e.Code); }

double Dist(double x1, double y1, double x2, double y2) { return std::hypot(x2 - x1, y2 - y1); }

std::array<double, 4> CornerBox(const DataElement& e)
{
    return {std::min({e.X1, e.X2, e.X3, e.X4}), std::max({e.X1, e.X2, e.X3, e.X4}), std::min({e.Y1, e.Y2, e.Y3, e.Y4}),
            std::max({e.Y1, e.Y2, e.Y3, e.Y4})};
}

// The element, section by section, as the file keeps it; nothing for what the
// format keeps only as thin outlines (regions, polygons, macros).
void Expect(const DataElement& e, int index, std::vector<Expected>& out)
{
    const core::MyAperture* a = Aperture(e);
    Expected x;
    switch (e.Kind) {
    case core::dkLine:
        x = Expected(Expected::Line, 1, index).Ends(e.X1, e.Y1, e.X2, e.Y2);
        x.s1 = a ? a->Size1 : 0;
        out.push_back(x);
        break;
    case core::dkSquareStroke:
        x = Expected(Expected::Square, 2, index);
        x.box = CornerBox(e);
        x.s1 = a ? a->Size1 : 0;
        x.tolerance = 3e-4;
        out.push_back(x);
        break;
    case core::dkArcCCW:
    case core::dkArcCW: {
        const bool cw = e.Kind == core::dkArcCW;
        x = Expected(Expected::Arc, 3, index).Ends(cw ? e.X2 : e.X1, cw ? e.Y2 : e.Y1, cw ? e.X1 : e.X2, cw ? e.Y1 : e.Y2);
        x.Centre(e.X3, e.Y3, e.X4);
        // An end off the circle comes back on it.
        x.tolerance = 1e-6 + std::max(std::fabs(Dist(e.X3, e.Y3, e.X1, e.Y1) - e.X4), std::fabs(Dist(e.X3, e.Y3, e.X2, e.Y2) - e.X4));
        x.s1 = a ? a->Size1 : 0;
        out.push_back(x);
        break;
    }
    case core::dkCircleCCW:
    case core::dkCircleCW:
        // Two halves.
        x = Expected(Expected::Arc, 3, index).Ends(e.X3 + e.X4, e.Y3, e.X3 - e.X4, e.Y3).Centre(e.X3, e.Y3, e.X4);
        x.s1 = a ? a->Size1 : 0;
        out.push_back(x);
        std::swap(x.x1, x.x2);
        out.push_back(x);
        break;
    case core::dkFlash: {
        if (!a) break;
        x = Expected(Expected::Flash, 0, index).Centre(e.X3, e.Y3);
        x.shape = a->Shape, x.s1 = a->Size1, x.s2 = a->Size2, x.s3 = a->Size3;
        const double h = std::min(a->Size1, a->Size2) * 0.5;
        switch (a->Shape) {
        case core::apCircle: x.section = 6; break;
        case core::apSquare: x.section = 5; break;
        case core::apThermal45:
        case core::apThermal90: x.section = 4; break;
        case core::apOval:
            // A stroke along the long side.
            x.what = Expected::Line, x.section = 1;
            x.x1 = a->Size1 > a->Size2 ? e.X3 - (a->Size1 - a->Size2) / 2 : e.X3;
            x.x2 = a->Size1 > a->Size2 ? e.X3 + (a->Size1 - a->Size2) / 2 : e.X3;
            x.y1 = a->Size1 > a->Size2 ? e.Y3 : e.Y3 + (a->Size2 - a->Size1) / 2;
            x.y2 = a->Size1 > a->Size2 ? e.Y3 : e.Y3 - (a->Size2 - a->Size1) / 2;
            x.s1 = 2 * h;
            break;
        case core::apRectangle:
            x.what = Expected::Square, x.section = 2, x.tolerance = 3e-4;
            x.box = {e.X3 - a->Size1 / 2, e.X3 + a->Size1 / 2, e.Y3 - a->Size2 / 2, e.Y3 + a->Size2 / 2};
            x.s1 = 2 * h;
            break;
        default:
            return;
        }
        out.push_back(x);
        break;
    }
    case core::dkDrill: {
        const core::MyTool* t = core::ToolAt(e.Code);
        const std::size_t letters = t ? core::GlyphStrokes(t->Symbol).size() : 0;
        for (std::size_t i = 0; i < letters; ++i) {
            out.push_back(Expected(Expected::Letter, 1, index).Centre(e.X3, e.Y3));
        }
        x = Expected(Expected::Hit, 11, index).Centre(e.X3, e.Y3);
        x.diameter = t ? t->Diameter : "";
        out.push_back(x);
        break;
    }
    default:
        break;
    }
}

// The section an element read back came from; 0 for a thin outline.
int SectionOf(const DataElement& e)
{
    const core::MyAperture* a = Aperture(e);
    switch (e.Kind) {
    case core::dkLine: return a && a->Size1 == 0.001 ? 0 : 1;
    case core::dkSquareStroke: return 2;
    case core::dkArcCCW: return a && a->Size1 == 0.001 ? 0 : 3;
    case core::dkFlash:
        if (!a) return -1;
        return a->Shape == core::apCircle ? 6 : a->Shape == core::apSquare ? 5 : 4;
    case core::dkDrillList: return 11;
    default: return -1;
    }
}

void ExpectEnds(const Expected& x, const DataElement& e)
{
    EXPECT_NEAR(e.X1, x.x1, x.tolerance);
    EXPECT_NEAR(e.Y1, x.y1, x.tolerance);
    EXPECT_NEAR(e.X2, x.x2, x.tolerance);
    EXPECT_NEAR(e.Y2, x.y2, x.tolerance);
}

void ExpectComesBack(const Expected& x, const DataElement& e)
{
    const core::MyAperture* a = Aperture(e);
    ASSERT_TRUE(a || x.what == Expected::Hit);
    const double t = x.tolerance;
    switch (x.what) {
    case Expected::Line:
        EXPECT_EQ(e.Kind, core::dkLine);
        EXPECT_NEAR(a->Size1, x.s1, MergedSize);
        ExpectEnds(x, e);
        break;
    case Expected::Letter:
        EXPECT_EQ(e.Kind, core::dkLine);
        EXPECT_EQ(a->Size1, 0.1);
        EXPECT_LE(Dist(e.X1, e.Y1, x.cx, x.cy), 0.8);
        EXPECT_LE(Dist(e.X2, e.Y2, x.cx, x.cy), 0.8);
        break;
    case Expected::Square: {
        EXPECT_EQ(e.Kind, core::dkSquareStroke);
        EXPECT_EQ(a->Shape, core::apSquare);
        EXPECT_NEAR(a->Size1, x.s1, MergedSize);
        const std::array<double, 4> box = CornerBox(e);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(box[static_cast<std::size_t>(i)], x.box[static_cast<std::size_t>(i)], t);
        break;
    }
    case Expected::Arc:
        EXPECT_EQ(e.Kind, core::dkArcCCW);
        EXPECT_NEAR(a->Size1, x.s1, MergedSize);
        EXPECT_NEAR(e.X3, x.cx, 1e-9);
        EXPECT_NEAR(e.Y3, x.cy, 1e-9);
        EXPECT_NEAR(e.X4, x.r, 1e-9);
        ExpectEnds(x, e);
        break;
    case Expected::Flash:
        EXPECT_EQ(e.Kind, core::dkFlash);
        EXPECT_EQ(a->Shape, x.shape);
        EXPECT_NEAR(a->Size1, x.s1, MergedSize);
        // Only a thermal has more than one size.
        if (x.section == 4) {
            EXPECT_NEAR(a->Size2, x.s2, MergedSize);
            EXPECT_NEAR(a->Size3, x.s3, MergedSize);
        }
        EXPECT_NEAR(e.X3, x.cx, 1e-9);
        EXPECT_NEAR(e.Y3, x.cy, 1e-9);
        break;
    case Expected::Hit:
        EXPECT_EQ(e.Kind, core::dkDrillList);
        EXPECT_EQ(e.X3, x.cx);
        EXPECT_EQ(e.Y3, x.cy);
        ASSERT_TRUE(core::ToolAt(e.Code));
        EXPECT_EQ(core::Tools[static_cast<std::size_t>(e.Code)].Diameter, x.diameter);
        break;
    }
}

// Layer 1 alone, in the view of `extents`, as lit pixels; elements whose
// index is in `hidden` are left out.
std::vector<bool> LitPixels(const core::MyExtents& extents, const std::set<int>& hidden, int layer)
{
    std::vector<std::int32_t> kept;
    for (int i : hidden) {
        kept.push_back(core::Datas[static_cast<std::size_t>(i)].Layer);
        core::Datas[static_cast<std::size_t>(i)].Layer = 0;
    }
    for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = k == layer ? 1 : 0;
    core::Extents = extents;
    ClientWidth = 900;
    ClientHeight = 700;
    FitViewExtents();
    SetViewZoom(false, 0, 0, -1.0);
    // Near enough for the smallest pads to be more than a pixel or two.
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

// The share of the pixels lit in either picture that the other one lights
// too, or a neighbour of them (the raster rules of flashes, strokes and
// polygons differ by a pixel at their edges); away from the picture's edges,
// where a flash whose middle lies beyond is not drawn at all.
double Overlap(const std::vector<bool>& a, const std::vector<bool>& b)
{
    constexpr int margin = 100;
    const int w = ClientWidth;
    auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x); };
    auto near = [&](const std::vector<bool>& p, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (p[at(x + dx, y + dy)]) return true;
        return false;
    };
    std::size_t either = 0, apart = 0;
    for (int y = margin; y < ClientHeight - margin; ++y)
        for (int x = margin; x < w - margin; ++x) {
            const bool inA = a[at(x, y)], inB = b[at(x, y)];
            if (!inA && !inB) continue;
            ++either;
            if ((inA && !near(b, x, y)) || (inB && !near(a, x, y))) ++apart;
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
        for (int k = 1; k <= core::LayerCount; ++k) core::LayerTable[static_cast<std::size_t>(k)].Active = 1;
        const fs::path out = root / "export";
        fs::remove_all(out);
        fs::create_directories(out);
        core::WriteOldProjectFiles(out.string());

        // One file per layer, none written over another.
        const std::vector<core::OldProjectFilePlan> plans = core::OldProjectFilePlans();
        ASSERT_EQ(static_cast<int>(plans.size()), core::LayerCount);
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), core::LayerCount);

        // What each layer should give back, and its picture without what the
        // format cannot keep (fills, clear polarity, drill holes).
        const core::MyExtents extents = core::Extents;
        const int layers = core::LayerCount;
        std::vector<std::vector<Expected>> expected(static_cast<std::size_t>(layers) + 1);
        std::vector<std::vector<bool>> pictures(static_cast<std::size_t>(layers) + 1);
        std::vector<std::uint8_t> hiddenOriginal(static_cast<std::size_t>(core::DataCount), 0);
        for (std::int32_t i = 0; i < core::DataCount; ++i) {
            const DataElement& e = core::Datas[static_cast<std::size_t>(i)];
            if (e.Kind == core::dkSection || !core::ValidLayer(e.Layer)) continue;
            const std::size_t before = expected[static_cast<std::size_t>(e.Layer)].size();
            Expect(e, i, expected[static_cast<std::size_t>(e.Layer)]);
            const bool kept = expected[static_cast<std::size_t>(e.Layer)].size() > before;
            hiddenOriginal[static_cast<std::size_t>(i)] = !kept || e.Clear || e.Kind == core::dkDrill;
        }
        for (int k = 1; k <= layers; ++k) {
            std::set<int> hidden;
            for (std::int32_t i = 0; i < core::DataCount; ++i)
                if (hiddenOriginal[static_cast<std::size_t>(i)]) hidden.insert(i);
            pictures[static_cast<std::size_t>(k)] = LitPixels(extents, hidden, k);
        }

        for (int k = 1; k <= layers; ++k) {
            SCOPED_TRACE(plans[static_cast<std::size_t>(k - 1)].FileName);
            ClearAllData(true);
            core::Gauge gauge;
            core::MyDataValue value;
            ASSERT_TRUE(core::ReadOldProjectFile(gauge, (out / plans[static_cast<std::size_t>(k - 1)].FileName).string(), 1, value));
            core::LayerCount = 1;
            core::LayerTable[1].Active = 1;

            // Section by section, in order, each element as expected.
            const std::vector<Expected>& want = expected[static_cast<std::size_t>(k)];
            std::set<int> hidden;
            std::size_t matched = 0;
            for (int section : {1, 2, 3, 4, 5, 6, 11}) {
                std::vector<int> got;
                for (std::int32_t i = 0; i < core::DataCount; ++i) {
                    const int s = SectionOf(core::Datas[static_cast<std::size_t>(i)]);
                    if (s == section) got.push_back(i);
                    else if (s == 0) hidden.insert(i);
                }
                std::vector<const Expected*> wanted;
                for (const Expected& x : want)
                    if (x.section == section) wanted.push_back(&x);
                ASSERT_EQ(got.size(), wanted.size()) << "section " << section;
                for (std::size_t j = 0; j < got.size(); ++j) {
                    SCOPED_TRACE(testing::Message() << "section " << section << " record " << j);
                    ExpectComesBack(*wanted[j], core::Datas[static_cast<std::size_t>(got[static_cast<std::size_t>(j)])]);
                    if (hiddenOriginal[static_cast<std::size_t>(wanted[j]->from)] || wanted[j]->what == Expected::Letter)
                        hidden.insert(got[j]);
                }
                matched += got.size();
            }
            EXPECT_EQ(matched, want.size());
            EXPECT_GE(Overlap(pictures[static_cast<std::size_t>(k)], LitPixels(extents, hidden, 1)), 0.95);
        }
    }
    EXPECT_GE(boards, 12);
}
