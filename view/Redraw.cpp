#include "view/Redraw.h"

#include "core/FlashDrawing.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "view/ScrollRegions.h"
#include "view/ViewTransform.h"
#include "view/WorkerPool.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

namespace mainwin {

using core::DataElement;
using core::Datas;
using platform::Color;
using platform::PenMode;
using platform::Point;
using platform::RasterCanvas;

HighlightState Highlight;
RedrawTuning Tuning;

namespace {

constexpr double Pi = std::numbers::pi;
constexpr Color Black = 0, White = 0xFFFFFF;
constexpr Color Grey = platform::RGB(128, 128, 128);
constexpr Color EdgeShade = platform::RGB(15, 15, 15);

RasterCanvas picture, highlight, cached;

struct CacheKey {
    ViewState view;
    ViewOptions options;
    int width = -1, height = -1;
    std::int32_t dataCount = -1, layerCount = -1;
    std::array<std::int32_t, core::MaxLayers + 1> active{}, color{};
    unsigned generation = 0;
    friend bool operator==(const CacheKey&, const CacheKey&) = default;
};
CacheKey cachedKey;
bool cacheValid = false;
unsigned generation = 0;
// Moving a layer renumbers the elements' layers in place: what was kept by
// layer number must be worked out again.
unsigned layerMoves = 0;
const bool followsLayerMoves = [] {
    core::LayerMoveHooks().push_back([](int, int) { ++layerMoves; });
    return true;
}();

CacheKey CurrentKey()
{
    CacheKey k;
    k.view = View;
    k.options = Options;
    k.width = ClientWidth;
    k.height = ClientHeight;
    k.dataCount = core::DataCount;
    k.layerCount = core::LayerCount;
    for (int l = 1; l <= core::MaxLayers; ++l) {
        k.active[static_cast<std::size_t>(l)] = core::LayerTable[static_cast<std::size_t>(l)].Active;
        k.color[static_cast<std::size_t>(l)] = core::LayerTable[static_cast<std::size_t>(l)].Color;
    }
    k.generation = generation;
    return k;
}

std::size_t ElementLimit()
{
    return core::DataCount < 1 ? 0 : std::min(static_cast<std::size_t>(core::DataCount), Datas.size());
}

// The current view as a device transform, with the per-layer lookups the
// passes need; the same arithmetic as core::DevicePoint.
struct Xform {
    bool mirror = false;
    double scale = 0, ox = 0, oy = 0;
    Point P(double x, double y) const
    {
        return {platform::SaturateCoord((mirror ? ox - x : x + ox) * scale), platform::SaturateCoord((oy - y) * scale)};
    }
};

Xform CurrentXform() { return {Options.MIRR, View.Scale, View.OriginX, View.OriginY}; }

// The world box a W × H picture shows through the transform, grown by m mm
// on every side; false when it is not finite.
bool ViewBox(const Xform& xf, int W, int H, double m, double& x0, double& y0, double& x1, double& y1)
{
    const double w = W / xf.scale, h = H / xf.scale;
    if (xf.mirror)
        x0 = xf.ox - w - m, x1 = xf.ox + m;
    else
        x0 = -xf.ox - m, x1 = w - xf.ox + m;
    y0 = xf.oy - h - m, y1 = xf.oy + m;
    return std::isfinite(x0) && std::isfinite(x1) && std::isfinite(y0) && std::isfinite(y1);
}

// Where figures drawn on a W × H picture can be seen: its world box grown
// by `px` pixels (everywhere when the view has no finite box).
core::MyBox NearPicture(const Xform& xf, int W, int H, double px)
{
    double x0, y0, x1, y1;
    if (!(xf.scale > 0) || !ViewBox(xf, W, H, px / xf.scale, x0, y0, x1, y1)) return core::EverywhereBox;
    return {x0, x1, y0, y1};
}

// Appends an arc or circle element as device points: chords of a quarter
// pixel's sag where the picture, grown by `px`, can show them; an arc's
// start only `withStart`.
void AppendArcDevicePoints(const DataElement& e, const Xform& xf, double px, core::MyPointArray& world, core::MyTPointArray& device,
                           bool withStart)
{
    core::ArcDrawPoints(e.Kind, world, e.X4, e.X3, e.Y3, e.X1, e.Y1, e.X2, e.Y2, xf.scale,
                        NearPicture(xf, ClientWidth, ClientHeight, px));
    const bool circle = e.Kind == core::dkCircleCCW || e.Kind == core::dkCircleCW || e.Kind == core::dkRegionCircleCCW ||
                        e.Kind == core::dkRegionCircleCW;
    for (std::size_t k = withStart || circle ? 0 : 1; k < world.size(); ++k) device.push_back(xf.P(world[k].x, world[k].y));
}

struct LayerLookup {
    std::array<bool, core::MaxLayers + 1> active{};
    std::array<Color, core::MaxLayers + 1> color{};
    LayerLookup()
    {
        for (int l = 1; l <= core::MaxLayers; ++l) {
            const core::MyLayerSet& s = core::LayerTable[static_cast<std::size_t>(l)];
            active[static_cast<std::size_t>(l)] = s.Active != 0;
            color[static_cast<std::size_t>(l)] = static_cast<Color>(s.Color) & 0xFFFFFFu;
        }
    }
    // Section markers carry a section number here, never a layer: callers
    // test the kind first, and every number is checked.
    bool Shown(std::int32_t layer) const { return layer >= 1 && layer <= core::MaxLayers && active[static_cast<std::size_t>(layer)]; }
    Color ColorOf(std::int32_t layer) const { return color[static_cast<std::size_t>(layer)]; }
};

// Point buffers reused by every redraw: no allocation per element.
thread_local core::MyPointArray pointScratch;

void ResetCanvas(RasterCanvas& c);

bool IsRegionEdge(std::int32_t kind) { return kind == core::dkRegionLine || kind == core::dkRegionArcCCW || kind == core::dkRegionArcCW; }
bool IsStroke(std::int32_t kind)
{
    return kind == core::dkLine || kind == core::dkSquareStroke || kind == core::dkFlash || kind == core::dkArcCCW ||
           kind == core::dkArcCW;
}

// Device rectangle [x0, x1) × [y0, y1) that a figure may touch.
struct Dirty {
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    void Add(std::span<const Point> pts, int margin)
    {
        for (const Point& p : pts) {
            x0 = std::min(x0, p.x - margin);
            y0 = std::min(y0, p.y - margin);
            x1 = std::max(x1, p.x + margin + 1);
            y1 = std::max(y1, p.y + margin + 1);
        }
    }
    bool Misses(int w, int h) const { return x1 <= 0 || y1 <= 0 || x0 >= w || y0 >= h; }
    void Reset() { *this = Dirty{}; }
};

// What the region pass drew on a band raster since its last flush: the
// boxes of the polygons, each flushed on its own (OR and clear are
// idempotent, so overlapping boxes do no harm), or the union of all once
// the boxes cover more than the band (rows top..bottom-1).
struct DirtyList {
    std::vector<Dirty> boxes;
    Dirty all;
    long long area = 0;
    bool whole = false;
    void Add(const Dirty& d, int w, int top, int bottom)
    {
        all.x0 = std::min(all.x0, d.x0);
        all.y0 = std::min(all.y0, d.y0);
        all.x1 = std::max(all.x1, d.x1);
        all.y1 = std::max(all.y1, d.y1);
        if (whole) return;
        const long long bw = std::min(d.x1, w) - std::max(d.x0, 0), bh = std::min(d.y1, bottom) - std::max(d.y0, top);
        area += bw * bh;
        if (area > static_cast<long long>(w) * (bottom - top))
            whole = true;
        else
            boxes.push_back(d);
    }
    void Reset()
    {
        boxes.clear();
        all.Reset();
        area = 0;
        whole = false;
    }
};

// ORs a part of a band raster onto the same rows of the picture and
// clears it there.
void FlushBox(RasterCanvas& band, const Dirty& d)
{
    const int top = band.WindowTop();
    const int x0 = std::max(d.x0, 0), x1 = std::min(d.x1, band.Width());
    const int y0 = std::max(d.y0, top), y1 = std::min(d.y1, top + band.WindowRows());
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* dst = picture.Scanline(y);
        std::uint32_t* src = band.Scanline(y);
        for (int x = x0; x < x1; ++x) {
            dst[x] |= src[x];
            src[x] = RasterCanvas::ToPixel(Black);
        }
    }
}

void FlushWork(RasterCanvas& band, DirtyList& d)
{
    if (d.whole)
        FlushBox(band, d.all);
    else
        for (const Dirty& b : d.boxes) FlushBox(band, b);
    d.Reset();
}

void SetPen(RasterCanvas& c, PenMode mode, Color color, int width)
{
    c.SetPenMode(mode);
    c.SetPenColor(color);
    c.SetPenWidth(width);
}

// The elements the region and drill passes must look at, kept while the
// elements stay the same: region edges, section markers and the element
// after each, the elements whose layer differs from the one before (the
// region pass flushes there), and drill hits. Between two listed elements
// nothing flushes or draws. Moving layers renumbers every element's layer
// the same way, so where two neighbours differ stays where it was; the
// layers that hold clear elements are found again.
struct PassLists {
    bool built = false;
    std::size_t count = 0;
    std::uint64_t version = 0;
    unsigned generationSeen = 0, movesSeen = 0;
    std::vector<std::uint32_t> region, drill;
    std::array<bool, core::MaxLayers + 1> clearIn{};

    void Update()
    {
        const std::size_t n = ElementLimit();
        if (built && n == count && Datas.version() == version && generation == generationSeen && layerMoves == movesSeen) return;
        built = true;
        count = n;
        version = Datas.version();
        generationSeen = generation;
        movesSeen = layerMoves;
        region.clear();
        drill.clear();
        clearIn.fill(false);
        std::int32_t prevLayer = 0, prevKind = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const DataElement& e = Datas[i];
            const auto idx = static_cast<std::uint32_t>(i);
            if (i == 0 || IsRegionEdge(e.Kind) || e.Kind == core::dkSection || prevKind == core::dkSection || e.Layer != prevLayer)
                region.push_back(idx);
            if (e.Kind == core::dkDrill) drill.push_back(idx);
            if (e.Clear && (IsStroke(e.Kind) || IsRegionEdge(e.Kind)) && e.Layer >= 1 && e.Layer <= core::MaxLayers)
                clearIn[static_cast<std::size_t>(e.Layer)] = true;
            prevLayer = e.Layer;
            prevKind = e.Kind;
        }
    }
};
PassLists passLists;

// Region fills, section by section: each layer's fills are built alone on
// a band raster (a clear fill XORs out what its layer drew before), then
// ORed onto the picture when the layer or the section changes. The walk
// over the elements is made once per redraw as a list of steps, with each
// polygon's points and box; every band then replays the steps that reach
// its rows.
struct RegionStep {
    bool flush = false;
    Color color = 0;
    bool clear = false;
    std::int32_t layer = 0;
    Dirty box;
    std::uint32_t first = 0, last = 0;   // the region's elements
    std::uint32_t chunk = 0, start = 0, count = 0;   // its points in pointChunks
    double wx0 = 0, wy0 = 0, wx1 = 0, wy1 = 0;      // its world box
};

struct RegionPlan {
    std::vector<RegionStep> steps;
    std::vector<std::uint32_t> draws;   // indices of the steps that draw
    static constexpr std::size_t ChunkSize = 256;   // draws per chunk of points
    std::vector<core::MyTPointArray> pointChunks;

    // The walk depends on the elements and on which layers are shown in
    // what colour only: it is kept while those stay.
    bool walked = false;
    std::size_t walkedCount = 0;
    std::uint64_t walkedVersion = 0;
    unsigned walkedGeneration = 0;
    std::array<bool, core::MaxLayers + 1> walkedActive{};
    std::array<Color, core::MaxLayers + 1> walkedColor{};

    void Walk(const LayerLookup& layers)
    {
        const std::size_t n = ElementLimit();
        if (walked && n == walkedCount && Datas.version() == walkedVersion && generation == walkedGeneration &&
            layers.active == walkedActive && layers.color == walkedColor)
            return;
        walked = true;
        walkedCount = n;
        walkedVersion = Datas.version();
        walkedGeneration = generation;
        walkedActive = layers.active;
        walkedColor = layers.color;
        steps.clear();
        draws.clear();
        std::int32_t lastMarker = 0;
        passLists.Update();
        std::size_t next = 0;   // elements before this belong to a region already planned
        for (const std::uint32_t k : passLists.region) {
            const std::size_t i = k;
            if (i >= n) break;
            if (i < next) continue;
            const DataElement& e = Datas[i];
            bool flushDue = false;
            if (e.Kind == core::dkSection) {
                if (e.Layer >= 1 && e.Layer != lastMarker && e.Clear == 1) flushDue = true;
                lastMarker = e.Layer;
            }
            // The layer of the element before: the one the fills so far belong to.
            const std::int32_t current = i == 0 ? 0 : Datas[i - 1].Layer;
            if ((e.Layer != current || flushDue) && !steps.empty() && !steps.back().flush) {
                RegionStep f;
                f.flush = true;
                steps.push_back(f);
            }
            next = i + 1;
            if (e.Kind == core::dkSection || !IsRegionEdge(e.Kind) || !layers.Shown(e.Layer)) continue;
            int first = 0, last = 0;
            core::GroupRange(static_cast<int>(i), first, last);
            if (last < static_cast<int>(i)) last = static_cast<int>(i);
            next = static_cast<std::size_t>(last) + 1;
            RegionStep s;
            s.color = layers.ColorOf(e.Layer);
            s.clear = Datas[static_cast<std::size_t>(last)].Clear != 0;
            s.layer = e.Layer;
            s.first = static_cast<std::uint32_t>(first);
            s.last = static_cast<std::uint32_t>(last);
            WorldBox(first, last, s);
            draws.push_back(static_cast<std::uint32_t>(steps.size()));
            steps.push_back(s);
        }
    }
    // The world box of the region's points and arcs; infinite when some
    // number is not finite (then it is never left out).
    static void WorldBox(int first, int last, RegionStep& s)
    {
        double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
        auto add = [&](double x, double y) {
            x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        };
        bool finite = true;
        for (int i = first; i <= last; ++i) {
            const DataElement& e = Datas[static_cast<std::size_t>(i)];
            add(e.X1, e.Y1);
            add(e.X2, e.Y2);
            if (e.Kind != core::dkRegionLine) {
                const double r = std::fabs(e.X4);
                add(e.X3 - r, e.Y3 - r);
                add(e.X3 + r, e.Y3 + r);
            }
            finite = finite && std::isfinite(e.X1 + e.Y1 + e.X2 + e.Y2 + e.X3 + e.Y3 + e.X4);
        }
        if (!finite) x0 = y0 = -HUGE_VAL, x1 = y1 = HUGE_VAL;
        s.wx0 = x0, s.wy0 = y0, s.wx1 = x1, s.wy1 = y1;
    }
    // The world box the picture shows, with a few pixels to spare.
    static void PictureBox(double& x0, double& y0, double& x1, double& y1)
    {
        const Xform xf = CurrentXform();
        if (!ViewBox(xf, picture.Width(), picture.Height(), 4.0 / xf.scale, x0, y0, x1, y1))
            x0 = y0 = -HUGE_VAL, x1 = y1 = HUGE_VAL;
    }
    std::size_t Chunks() const { return (draws.size() + ChunkSize - 1) / ChunkSize; }
    // The polygons of one chunk of draws, through the current view.
    void Points(std::size_t chunk)
    {
        core::MyTPointArray& pts = pointChunks[chunk];
        pts.clear();
        thread_local core::MyTPointArray poly;
        double px0, py0, px1, py1;
        PictureBox(px0, py0, px1, py1);
        const std::size_t end = std::min(draws.size(), (chunk + 1) * ChunkSize);
        for (std::size_t d = chunk * ChunkSize; d < end; ++d) {
            RegionStep& s = steps[draws[d]];
            if (s.wx1 < px0 || s.wx0 > px1 || s.wy1 < py0 || s.wy0 > py1) {
                // Wholly off the picture: no polygon, an empty box.
                s.count = 0;
                s.box.Reset();
                continue;
            }
            RegionPolygon(static_cast<int>(s.first), static_cast<int>(s.last), poly);
            s.chunk = static_cast<std::uint32_t>(chunk);
            s.start = static_cast<std::uint32_t>(pts.size());
            s.count = static_cast<std::uint32_t>(poly.size());
            pts.insert(pts.end(), poly.begin(), poly.end());
            s.box.Reset();
            s.box.Add(poly, 1);
        }
    }
};
RegionPlan regionPlan;

// The layers drawn on their own, element by element, because they hold
// clear elements: a clear element erases what its layer drew before it,
// whatever its kind and whatever lies between. In outline mode clear
// elements show their outlines like dark ones, and no layer is.
struct ComposedLayers {
    std::array<bool, core::MaxLayers + 1> is{};
    std::vector<std::int32_t> list;
    void Find(const LayerLookup& layers)
    {
        passLists.Update();
        is.fill(false);
        list.clear();
        if (!Options.PAINT) return;
        for (std::int32_t l = 1; l <= core::MaxLayers; ++l)
            if (passLists.clearIn[static_cast<std::size_t>(l)] && layers.Shown(l)) {
                is[static_cast<std::size_t>(l)] = true;
                list.push_back(l);
            }
    }
    bool Has(std::int32_t layer) const { return layer >= 1 && layer <= core::MaxLayers && is[static_cast<std::size_t>(layer)]; }
};
ComposedLayers composed;

// Whether a region step's polygon reaches the band's rows.
bool OnBand(const RegionStep& s, int W, int top, int bottom)
{
    return !(s.box.x1 <= 0 || s.box.x0 >= W || s.box.y1 <= top || s.box.y0 >= bottom);
}

std::span<const Point> StepPoints(const RegionStep& s)
{
    return {regionPlan.pointChunks[s.chunk].data() + s.start, s.count};
}

// The region steps of the layers not composed, on one band raster.
void RegionBand(RasterCanvas& band, DirtyList& dirty)
{
    const int W = band.Width(), top = band.WindowTop(), bottom = top + band.WindowRows();
    dirty.Reset();
    bool drawn = false;
    band.SetPenStyle(platform::PenStyle::Solid);
    band.SetBrushStyle(platform::BrushStyle::Solid);
    for (const RegionStep& s : regionPlan.steps) {
        if (s.flush) {
            if (drawn) {
                FlushWork(band, dirty);
                drawn = false;
            }
            continue;
        }
        if (composed.Has(s.layer) || !OnBand(s, W, top, bottom)) continue;
        const std::span<const Point> pts = StepPoints(s);
        band.SetBrushColor(s.color);
        SetPen(band, PenMode::Copy, s.color, 1);
        if (Options.PAINT)
            band.Polygon(pts);
        else
            band.Polyline(pts);
        dirty.Add(s.box, W, top, bottom);
        drawn = true;
    }
    if (drawn) FlushWork(band, dirty);
}

// Per aperture, found once per redraw: the reach in mm from the flash
// point (flashes wholly off the picture or off a band are skipped; -1:
// unknown, never skipped), and at the view's scale the stroke pen width
// and whether a flash is drawn whole.
bool FlashDrawnWhole(const core::MyAperture& a, double scale);

struct ApertureReach {
    std::array<double, core::MaxApertureCode + 1> reach;
    std::array<std::int32_t, core::MaxApertureCode + 1> pen;
    std::array<bool, core::MaxApertureCode + 1> whole;
    void Compute(double scale);
};
ApertureReach reach;

// The pen width of a stroke at this redraw's scale (1 for an unknown code,
// as for an aperture of no size).
int PenPixels(std::int32_t code) { return core::ValidApertureCode(code) ? reach.pen[static_cast<std::size_t>(code)] : 1; }

bool Inside(const Point& p, int w, int h) { return p.x >= 0 && p.y >= 0 && p.x < w && p.y < h; }

long long Reach(double mm, double scale)
{
    const double r = mm * scale;
    return std::isfinite(r) ? static_cast<long long>(std::min(r, 1e9)) : 1'000'000'000LL;
}

void ApertureReach::Compute(double scale)
{
    for (int d = 0; d <= core::MaxApertureCode; ++d) {
        const core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
        double r = -1;
        if (a.Shape != core::apNone) {
            core::MyBox b;
            core::ApertureBox(d, b, 0, 0);
            if (b[0] <= b[1] && b[2] <= b[3]) r = std::max({std::fabs(b[0]), std::fabs(b[1]), std::fabs(b[2]), std::fabs(b[3])});
        }
        const std::size_t k = static_cast<std::size_t>(d);
        reach[k] = std::isfinite(r) ? r : -1;
        pen[k] = core::PenWidthPixels(d, scale);
        whole[k] = FlashDrawnWhole(a, scale);
    }
}

// Whether a flash is drawn whole (else as one pixel at its centre).
bool FlashDrawnWhole(const core::MyAperture& a, double scale)
{
    double largest = a.Size1;
    if (a.Shape == core::apOval || a.Shape == core::apRectangle || a.Shape == core::apThermal45 || a.Shape == core::apThermal90)
        largest = std::max(a.Size1, a.Size2);
    return a.Shape == core::apMacro || largest * scale >= 2.0;
}

struct Scratch {
    core::MyPointArray points;
    core::MyTPointArray device;
};

// One stroke or flash in the raster's current pen mode and colours; a
// flash of one pixel is set by hand, erased when `erase`.
void DrawStroke(RasterCanvas& work, const DataElement& e, int i, const Xform& xf, Color color, Scratch& scratch, bool erase)
{
    const bool paint = Options.PAINT;
    switch (e.Kind) {
    case core::dkFlash: {
        if (!core::ValidApertureCode(e.Code)) return;
        if (reach.whole[static_cast<std::size_t>(e.Code)]) {
            // Zoomed in, a flash is drawn only when its centre is on the picture.
            if (View.Zoom >= 2.0 && !Inside(xf.P(e.X3, e.Y3), work.Width(), work.Height())) return;
            core::DrawFlash(work, i, xf.mirror, Black, xf.scale, xf.ox, xf.oy);
        } else {
            // One pixel, ORed so that dots of different layers combine.
            const Point c = xf.P(e.X3, e.Y3);
            if (!Inside(c, work.Width(), work.Height()) || c.y < work.WindowTop() || c.y >= work.WindowTop() + work.WindowRows()) return;
            std::uint32_t& px = work.Scanline(c.y)[c.x];
            if (erase)
                px = RasterCanvas::ToPixel(Black);
            else
                px |= RasterCanvas::ToPixel(color) & 0xFFFFFFu;
        }
        return;
    }
    case core::dkLine: {
        const int w = PenPixels(e.Code);
        if (!paint && w > 2) {
            work.SetPenWidth(1);
            LineOutline(i, scratch.device);
            work.Polyline(scratch.device);
        } else {
            const Point a = xf.P(e.X1, e.Y1), b = xf.P(e.X2, e.Y2);
            work.SetPenWidth(w);
            work.MoveTo(a.x, a.y);
            work.LineTo(b.x, b.y);
        }
        return;
    }
    case core::dkSquareStroke: {
        const Point p1 = xf.P(e.X1, e.Y1), p2 = xf.P(e.X2, e.Y2), p3 = xf.P(e.X3, e.Y3), p4 = xf.P(e.X4, e.Y4);
        work.SetPenWidth(1);
        // Straight along an axis the corners P1 and P3 span the stroke; at
        // any other angle only the four corners do.
        if ((p1.x == p4.x && p2.x == p3.x && p1.y == p2.y && p3.y == p4.y) ||
            (p1.y == p4.y && p2.y == p3.y && p1.x == p2.x && p3.x == p4.x)) {
            work.Rectangle(p1.x, p1.y, p3.x, p3.y);
        } else {
            const Point pts[4] = {p1, p2, p3, p4};
            work.Polygon(pts);
        }
        return;
    }
    case core::dkArcCCW:
    case core::dkArcCW: {
        const int w = PenPixels(e.Code);
        if (!paint && w > 2) {
            work.SetPenWidth(1);
            ArcOutline(i, scratch.device);
            work.Polyline(scratch.device);
        } else {
            scratch.device.clear();
            AppendArcDevicePoints(e, xf, w / 2.0 + 2, scratch.points, scratch.device, true);
            work.SetPenWidth(w);
            work.Polyline(scratch.device);
        }
        return;
    }
    default:
        return;
    }
}

// At most this many horizontal bands of the picture, drawn at once.
constexpr unsigned MaxBands = 8;

// Each element of the stroke pass with the rows it may change (lo > hi:
// nothing of the picture). With a candidate list (see StrokeIndex) the
// entries follow the list.
struct RowSpan {
    std::int32_t lo, hi;
};
std::vector<RowSpan> elementRows;
const std::vector<std::uint32_t>* candidates = nullptr;

inline std::size_t ElementAt(std::size_t pos) { return candidates ? (*candidates)[pos] : pos; }

// The work a figure gives each of its rows, to cut the picture into bands
// of equal work: a set-up shared by its rows, and its width on each.
// `diff` holds the changes of the work from row to row (H + 1 entries).
void AddWork(std::vector<double>& diff, long long x0, long long y0, long long x1, long long y1, int W, int H)
{
    constexpr double SetUp = 64.0, PerPixel = 1.0;
    y0 = std::max(y0, 0LL);
    y1 = std::min(y1, static_cast<long long>(H) - 1);
    if (y0 > y1) return;
    const double cols = static_cast<double>(std::max(1LL, std::min(x1, static_cast<long long>(W) - 1) - std::max(x0, 0LL) + 1));
    const double w = SetUp / static_cast<double>(y1 - y0 + 1) + PerPixel * cols;
    diff[static_cast<std::size_t>(y0)] += w;
    diff[static_cast<std::size_t>(y1) + 1] -= w;
}

// The box of an element's points; false for kinds the stroke pass skips.
bool PointBox(const DataElement& e, double& x0, double& y0, double& x1, double& y1)
{
    switch (e.Kind) {
    case core::dkFlash:
        x0 = x1 = e.X3, y0 = y1 = e.Y3;
        return true;
    case core::dkLine:
        x0 = std::min(e.X1, e.X2), x1 = std::max(e.X1, e.X2), y0 = std::min(e.Y1, e.Y2), y1 = std::max(e.Y1, e.Y2);
        return true;
    case core::dkSquareStroke:
        x0 = std::min({e.X1, e.X2, e.X3, e.X4}), x1 = std::max({e.X1, e.X2, e.X3, e.X4});
        y0 = std::min({e.Y1, e.Y2, e.Y3, e.Y4}), y1 = std::max({e.Y1, e.Y2, e.Y3, e.Y4});
        return true;
    case core::dkArcCCW:
    case core::dkArcCW: {
        const double r = std::fabs(e.X4);
        x0 = std::min({e.X3 - r, e.X1, e.X2}), x1 = std::max({e.X3 + r, e.X1, e.X2});
        y0 = std::min({e.Y3 - r, e.Y1, e.Y2}), y1 = std::max({e.Y3 + r, e.Y1, e.Y2});
        return true;
    }
    default:
        return false;
    }
}

// What the row pass needs of each element, kept while the elements stay:
// the box of its points rounded outward to floats, its layer and aperture
// (20 bytes instead of the element's 88, so a pass over two million of
// them reads a fifth of the memory). Rows found from it may be a little
// wider than the element's own, which costs a band a figure it clips
// away, never a pixel.
struct ElementSummary {
    float x0, y0, x1, y1;
    std::uint8_t kind;    // 0: never drawn by the stroke pass
    std::uint8_t layer;
    std::uint16_t code;   // NoCode: outside the aperture table
};
constexpr std::uint16_t NoCode = 0xFFFF;

// Floats at or below (Down) and at or above (Up) v; beyond the float range
// the infinities.
float Down(double v)
{
    if (!(v >= -static_cast<double>(FLT_MAX))) return -HUGE_VALF;
    if (v > static_cast<double>(FLT_MAX)) return FLT_MAX;
    float f = static_cast<float>(v);
    if (static_cast<double>(f) > v) f = std::nextafter(f, -HUGE_VALF);
    return f;
}
float Up(double v)
{
    if (!(v <= static_cast<double>(FLT_MAX))) return HUGE_VALF;
    if (v < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
    float f = static_cast<float>(v);
    if (static_cast<double>(f) < v) f = std::nextafter(f, HUGE_VALF);
    return f;
}

class Summaries {
public:
    const ElementSummary* Get(unsigned workers)
    {
        const std::size_t n = ElementLimit();
        if (!(built_ && n == count_ && Datas.version() == version_ && generation == generation_ && layerMoves == moves_)) {
            built_ = true;
            count_ = n;
            version_ = Datas.version();
            generation_ = generation;
            moves_ = layerMoves;
            list_.resize(n);
            constexpr std::size_t Chunk = 65536;
            RunOnWorkers(workers, (n + Chunk - 1) / Chunk, [this, n](std::size_t task, unsigned) {
                for (std::size_t i = task * Chunk; i < std::min(n, (task + 1) * Chunk); ++i) list_[i] = Of(Datas[i]);
            });
        }
        return list_.data();
    }

private:
    static ElementSummary Of(const DataElement& e)
    {
        ElementSummary s{0, 0, 0, 0, 0, 0, NoCode};
        if (!IsStroke(e.Kind) || e.Layer < 1 || e.Layer > core::MaxLayers) return s;
        const bool validCode = core::ValidApertureCode(e.Code);
        if (e.Kind == core::dkFlash && !validCode) return s;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        PointBox(e, x0, y0, x1, y1);
        if (!std::isfinite(x0 + y0 + x1 + y1)) {
            // Anywhere: drawn on every band, the figure itself clips.
            x0 = y0 = -HUGE_VAL;
            x1 = y1 = HUGE_VAL;
        }
        s = {Down(x0), Down(y0), Up(x1), Up(y1), static_cast<std::uint8_t>(e.Kind), static_cast<std::uint8_t>(e.Layer),
             validCode ? static_cast<std::uint16_t>(e.Code) : NoCode};
        return s;
    }

    bool built_ = false;
    std::size_t count_ = 0;
    std::uint64_t version_ = 0;
    unsigned generation_ = 0, moves_ = 0;
    std::vector<ElementSummary> list_;
};
Summaries summaries;

// The picture box x0..x1, y0..y1 an element of the stroke pass may change
// (a little wider than its own), false when it surely changes nothing.
bool SummaryBox(const ElementSummary& s, const Xform& xf, int W, int H, bool zoomed, long long& x0, long long& y0, long long& x1,
                long long& y1)
{
    // The device transform is monotonic in each coordinate.
    const Point a = xf.P(s.x0, s.y1), b = xf.P(s.x1, s.y0);
    x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    y0 = a.y, y1 = b.y;
    long long m = 0;
    switch (s.kind) {
    case core::dkFlash: {
        const std::size_t k = s.code;
        if (reach.whole[k]) {
            // Zoomed in, a flash counts only when its centre is on the
            // picture: surely off here, checked exactly when drawn.
            if (zoomed && (x1 < 0 || y1 < 0 || x0 >= W || y0 >= H)) return false;
            const double r = reach.reach[k];
            m = r >= 0 ? Reach(r, xf.scale) + 2 : 2'000'000'000LL;
        }
        break;
    }
    case core::dkLine:
    case core::dkArcCCW:
    case core::dkArcCW:
        m = PenPixels(s.code) / 2 + 2;
        break;
    case core::dkSquareStroke:
        m = 1;
        break;
    default:
        return false;
    }
    x0 -= m, y0 -= m, x1 += m, y1 += m;
    return !(x1 < 0 || x0 >= W || y1 < 0 || y0 >= H);
}

void ElementRows(const LayerLookup& layers, const ElementSummary* list, std::size_t from, std::size_t to, int W, int H,
                 std::vector<double>* work)
{
    const Xform xf = CurrentXform();
    const bool zoomed = View.Zoom >= 2.0;
    for (std::size_t pos = from; pos < to; ++pos) {
        const ElementSummary& s = list[ElementAt(pos)];
        RowSpan r{INT32_MAX, INT32_MIN};
        long long x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (s.kind != 0 && layers.Shown(s.layer) && SummaryBox(s, xf, W, H, zoomed, x0, y0, x1, y1)) {
            r.lo = static_cast<std::int32_t>(std::max(y0, 0LL));
            r.hi = static_cast<std::int32_t>(std::min(y1, static_cast<long long>(H) - 1));
            if (work) AddWork(*work, x0, y0, x1, y1, W, H);
        }
        elementRows[pos] = r;
    }
}

// The strokes and flashes that reach the band's rows, in element order,
// ORed; those of composed layers are only listed, for ComposeBand. False
// when nothing was drawn.
bool StrokeBand(const LayerLookup& layers, RasterCanvas& band, Scratch& scratch, std::size_t count, std::vector<std::uint32_t>& held)
{
    const core::FlashBatch batch;   // the tables stay through the redraw
    const Xform xf = CurrentXform();
    const bool paint = Options.PAINT;
    const std::int32_t top = band.WindowTop(), last = top + band.WindowRows() - 1;
    band.SetPenStyle(platform::PenStyle::Solid);
    band.SetBrushStyle(platform::BrushStyle::Solid);
    band.SetPenMode(PenMode::Merge);
    std::int32_t lastLayer = -1;
    Color color = 0;
    held.clear();
    bool drawn = false;
    const RowSpan* rows = elementRows.data();
    // The band's elements are found a block at a time without branching,
    // then drawn with the element a few ahead already on its way from
    // memory: the elements of one band lie scattered through the array.
    constexpr std::size_t Block = 1024, Ahead = 6;
    std::uint32_t found[Block + Ahead];
    for (std::size_t from = 0; from < count; from += Block) {
        const std::size_t to = std::min(count, from + Block);
        std::size_t k = 0;
        for (std::size_t pos = from; pos < to; ++pos) {
            found[k] = static_cast<std::uint32_t>(ElementAt(pos));
            k += static_cast<std::size_t>(!(rows[pos].hi < top) & !(rows[pos].lo > last));
        }
        for (std::size_t j = 0; j < k; ++j) {
            if (j + Ahead < k) __builtin_prefetch(&Datas[found[j + Ahead]]);
            const std::size_t i = found[j];
            const DataElement& e = Datas[i];
            if (e.Layer != lastLayer) {
                if (composed.Has(e.Layer)) {
                    held.push_back(static_cast<std::uint32_t>(i));
                    continue;
                }
                lastLayer = e.Layer;
                color = layers.ColorOf(e.Layer);
                band.SetPenColor(color);
                band.SetFontColor(color);
                band.SetBrushColor(paint ? color : Black);
            }
            DrawStroke(band, e, static_cast<int>(i), xf, color, scratch, false);
            drawn = true;
        }
    }
    return drawn;
}

// One composed layer on the band raster: its regions (from the region
// plan) and its strokes and flashes (held by StrokeBand) merged in element
// order; dark ones paint the layer's colour, clear ones paint black.
void ComposeBand(std::int32_t layer, const LayerLookup& layers, RasterCanvas& band, Scratch& scratch,
                 const std::vector<std::uint32_t>& held)
{
    const Xform xf = CurrentXform();
    const int W = band.Width(), top = band.WindowTop(), bottom = top + band.WindowRows();
    const Color color = layers.ColorOf(layer);
    band.SetPenStyle(platform::PenStyle::Solid);
    band.SetBrushStyle(platform::BrushStyle::Solid);
    int erasing = -1;
    auto use = [&](bool erase) {
        if (erasing == static_cast<int>(erase)) return;
        erasing = erase;
        band.SetPenMode(erase ? PenMode::Copy : PenMode::Merge);
        band.SetPenColor(erase ? Black : color);
        band.SetBrushColor(erase ? Black : color);
    };
    const std::vector<RegionStep>& steps = regionPlan.steps;
    const std::vector<std::uint32_t>& draws = regionPlan.draws;
    std::size_t r = 0, h = 0;
    for (;;) {
        while (r < draws.size() && (steps[draws[r]].layer != layer || !OnBand(steps[draws[r]], W, top, bottom))) ++r;
        while (h < held.size() && Datas[held[h]].Layer != layer) ++h;
        if (r == draws.size() && h == held.size()) break;
        if (h == held.size() || (r < draws.size() && steps[draws[r]].first < held[h])) {
            const RegionStep& s = steps[draws[r++]];
            use(s.clear);
            band.SetPenWidth(1);
            band.Polygon(StepPoints(s));
        } else {
            const std::uint32_t i = held[h++];
            const DataElement& e = Datas[i];
            use(e.Clear != 0);
            DrawStroke(band, e, static_cast<int>(i), xf, color, scratch, e.Clear != 0);
        }
    }
}

// ORs the band raster's rows onto the picture, and clears them when `clear`.
void OrBand(RasterCanvas& band, bool clear)
{
    const int W = band.Width(), top = band.WindowTop();
    for (int y = top; y < top + band.WindowRows(); ++y) {
        std::uint32_t* dst = picture.Scanline(y);
        std::uint32_t* src = band.Scanline(y);
        for (int x = 0; x < W; ++x) dst[x] |= src[x];
        if (clear) std::fill(src, src + W, RasterCanvas::ToPixel(Black));
    }
}

// Band t holds rows cut[t] .. cut[t + 1] - 1: cuts where the summed work
// reaches each t-th share, every band at least one row.
void CutBands(const std::vector<double>& diff, int H, unsigned bands, std::array<int, MaxBands + 1>& cut)
{
    double total = 0, run = 0;
    for (int y = 0; y < H; ++y) {
        run += diff[static_cast<std::size_t>(y)];
        total += std::max(run, 0.0);
    }
    cut[0] = 0;
    unsigned t = 1;
    double sum = 0;
    run = 0;
    for (int y = 0; y < H && t < bands; ++y) {
        run += diff[static_cast<std::size_t>(y)];
        sum += std::max(run, 0.0);
        if (sum >= total * t / bands) cut[t++] = y + 1;
    }
    for (; t < bands; ++t) cut[t] = H;
    cut[bands] = H;
    // At least one row each, from the bottom up and then from the top down.
    for (unsigned k = bands; k-- > 1;) cut[k] = std::min(cut[k], cut[k + 1] - 1);
    for (unsigned k = 1; k < bands; ++k) cut[k] = std::max(cut[k], cut[k - 1] + 1);
}

// Where the strokes and flashes lie, for views that show a small part of
// the board: the elements in a grid of cells by the box of their points
// (apertures and pens are added at the query, so the grid depends on the
// coordinates alone). Built on the first zoomed view and kept while the
// elements stay the same.
class StrokeIndex {
public:
    // The elements, in order, whose points lie within the world box, or
    // false when the grid does not help (then every element is a candidate).
    bool Query(double x0, double y0, double x1, double y1, std::vector<std::uint32_t>& out)
    {
        Update();
        if (!usable_ || !(x0 <= x1 && y0 <= y1)) return false;
        const double fx0 = (x0 - minX_) / cellW_, fx1 = (x1 - minX_) / cellW_;
        const double fy0 = (y0 - minY_) / cellH_, fy1 = (y1 - minY_) / cellH_;
        if (!(fx1 >= 0 && fy1 >= 0 && fx0 < Cells && fy0 < Cells)) {
            out = wide_;
            return true;
        }
        const int cx0 = static_cast<int>(std::max(fx0, 0.0)), cx1 = static_cast<int>(std::min(fx1, Cells - 1.0));
        const int cy0 = static_cast<int>(std::max(fy0, 0.0)), cy1 = static_cast<int>(std::min(fy1, Cells - 1.0));
        std::size_t total = wide_.size();
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx) total += Cell(cx, cy).size();
        // Most of the board on the picture: the plain scan is cheaper.
        if (total > count_ / 2) return false;
        // Marked in a bitmap of all elements, read back in order: sorted,
        // each once, without a sort.
        std::size_t lo = marks_.size(), hi = 0;
        auto mark = [&](const std::vector<std::uint32_t>& list) {
            for (const std::uint32_t idx : list) {
                const std::size_t w = idx >> 6;
                marks_[w] |= std::uint64_t{1} << (idx & 63);
                lo = std::min(lo, w);
                hi = std::max(hi, w);
            }
        };
        mark(wide_);
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx) mark(Cell(cx, cy));
        out.clear();
        out.reserve(total);
        for (std::size_t w = lo; w <= hi && w < marks_.size(); ++w) {
            std::uint64_t bits = marks_[w];
            marks_[w] = 0;
            while (bits) {
                out.push_back(static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
                bits &= bits - 1;
            }
        }
        return true;
    }

private:
    static constexpr int Cells = 64;
    // An element over more cells than this is kept apart and always drawn.
    static constexpr int MaxSpan = 6;

    std::vector<std::uint32_t>& Cell(int cx, int cy) { return cells_[static_cast<std::size_t>(cy) * Cells + static_cast<std::size_t>(cx)]; }

    void Update()
    {
        const std::size_t n = ElementLimit();
        if (built_ && n == count_ && Datas.version() == version_ && generation == generation_) return;
        built_ = true;
        count_ = n;
        version_ = Datas.version();
        generation_ = generation;
        cells_.assign(static_cast<std::size_t>(Cells) * Cells, {});
        wide_.clear();
        marks_.assign((n + 63) / 64, 0);
        usable_ = false;
        minX_ = minY_ = HUGE_VAL;
        double maxX = -HUGE_VAL, maxY = -HUGE_VAL;
        double x0, y0, x1, y1;
        for (std::size_t i = 0; i < n; ++i) {
            if (!PointBox(Datas[i], x0, y0, x1, y1) || !std::isfinite(x0 + y0 + x1 + y1)) continue;
            minX_ = std::min(minX_, x0), minY_ = std::min(minY_, y0);
            maxX = std::max(maxX, x1), maxY = std::max(maxY, y1);
        }
        if (!(minX_ <= maxX && minY_ <= maxY) || n > UINT32_MAX) return;
        cellW_ = std::max((maxX - minX_) / Cells, 1e-6);
        cellH_ = std::max((maxY - minY_) / Cells, 1e-6);
        for (std::size_t i = 0; i < n; ++i) {
            if (!PointBox(Datas[i], x0, y0, x1, y1)) continue;
            const auto idx = static_cast<std::uint32_t>(i);
            if (!std::isfinite(x0 + y0 + x1 + y1)) {
                wide_.push_back(idx);
                continue;
            }
            const int cx0 = std::clamp(static_cast<int>((x0 - minX_) / cellW_), 0, Cells - 1);
            const int cx1 = std::clamp(static_cast<int>((x1 - minX_) / cellW_), 0, Cells - 1);
            const int cy0 = std::clamp(static_cast<int>((y0 - minY_) / cellH_), 0, Cells - 1);
            const int cy1 = std::clamp(static_cast<int>((y1 - minY_) / cellH_), 0, Cells - 1);
            if ((cx1 - cx0 + 1) * (cy1 - cy0 + 1) > MaxSpan) {
                wide_.push_back(idx);
                continue;
            }
            for (int cy = cy0; cy <= cy1; ++cy)
                for (int cx = cx0; cx <= cx1; ++cx) Cell(cx, cy).push_back(idx);
        }
        usable_ = true;
    }

    bool built_ = false, usable_ = false;
    std::size_t count_ = 0;
    std::uint64_t version_ = 0;
    unsigned generation_ = 0;
    double minX_ = 0, minY_ = 0, cellW_ = 1, cellH_ = 1;
    std::vector<std::vector<std::uint32_t>> cells_;
    std::vector<std::uint32_t> wide_;
    std::vector<std::uint64_t> marks_;   // all clear between queries
};
StrokeIndex strokeIndex;

// The world box the picture shows, grown by what any stroke or flash can
// reach beyond its points; false when some aperture's reach is unknown.
bool PictureWorldBox(int W, int H, double& x0, double& y0, double& x1, double& y1)
{
    const Xform xf = CurrentXform();
    if (!(xf.scale > 0) || !std::isfinite(xf.scale)) return false;
    double reachMm = 0;
    int pen = 1;
    for (int d = 0; d <= core::MaxApertureCode; ++d) {
        const double r = reach.reach[static_cast<std::size_t>(d)];
        if (core::Apertures[static_cast<std::size_t>(d)].Shape != core::apNone) {
            if (r < 0) return false;
            reachMm = std::max(reachMm, r);
        }
        pen = std::max(pen, reach.pen[static_cast<std::size_t>(d)]);
    }
    // Pixels beyond the reach: half the widest pen, the margins of the
    // culling test and the cut toward zero of device coordinates.
    return ViewBox(xf, W, H, reachMm + (pen / 2 + 8) / xf.scale, x0, y0, x1, y1);
}

void ShadeEdges(RasterCanvas& c, const MyScrollSw& regions);

// The layers onto the picture: the background (shaded edges when
// zoomed), the region fills and then the strokes and flashes, dark ones
// ORed and clear ones XORed, in element order. The picture is cut into
// horizontal bands of about equal work, drawn at once by the workers, each
// on a raster that holds its rows only: every pixel sees the same figures
// in the same order as on one raster. First, also shared out, the rows of
// every element and the region polygons.
void DrawLayers(const LayerLookup& layers, bool haveData)
{
    const int W = picture.Width(), H = picture.Height();
    std::size_t n = 0;
    candidates = nullptr;
    if (haveData) {
        reach.Compute(View.Scale);
        n = ElementLimit();
        // Zoomed in, only the elements near the picture are looked at.
        static std::vector<std::uint32_t> nearby;
        double bx0, by0, bx1, by1;
        if (View.Zoom >= 2.0 && PictureWorldBox(W, H, bx0, by0, bx1, by1) && strokeIndex.Query(bx0, by0, bx1, by1, nearby)) {
            candidates = &nearby;
            n = nearby.size();
        }
        regionPlan.Walk(layers);
        composed.Find(layers);
    } else {
        regionPlan.steps.clear();
        regionPlan.draws.clear();
        composed = {};
    }
    unsigned bands = WorkerCount(Tuning.Threads, MaxBands);
    if (n < Tuning.ParallelFrom || H < 8 * static_cast<int>(bands)) bands = 1;

    // Rows of the elements and the region polygons, in chunks.
    const ElementSummary* list = haveData ? summaries.Get(WorkerCount(Tuning.Threads, MaxBands)) : nullptr;
    elementRows.resize(n);
    const std::size_t regionChunks = regionPlan.Chunks();
    if (regionPlan.pointChunks.size() < regionChunks) regionPlan.pointChunks.resize(regionChunks);
    constexpr std::size_t RowChunk = 16384;
    const std::size_t rowChunks = (n + RowChunk - 1) / RowChunk;
    static std::array<std::vector<double>, MaxBands> work;
    for (unsigned t = 0; t < bands && bands > 1; ++t) work[t].assign(static_cast<std::size_t>(H) + 1, 0.0);
    RunOnWorkers(bands, regionChunks + rowChunks, [&](std::size_t task, unsigned worker) {
        std::vector<double>* w = bands > 1 ? &work[worker] : nullptr;
        if (task < regionChunks) {
            regionPlan.Points(task);
            if (!w) return;
            const std::size_t end = std::min(regionPlan.draws.size(), (task + 1) * RegionPlan::ChunkSize);
            for (std::size_t d = task * RegionPlan::ChunkSize; d < end; ++d) {
                const Dirty& b = regionPlan.steps[regionPlan.draws[d]].box;
                AddWork(*w, b.x0, b.y0, b.x1 - 1LL, b.y1 - 1LL, W, H);
            }
            return;
        }
        const std::size_t from = (task - regionChunks) * RowChunk;
        ElementRows(layers, list, from, std::min(n, from + RowChunk), W, H, w);
    });

    std::array<int, MaxBands + 1> cut{};
    cut[0] = 0;
    cut[1] = H;
    if (bands > 1) {
        for (unsigned t = 1; t < bands; ++t)
            for (int y = 0; y <= H; ++y) work[0][static_cast<std::size_t>(y)] += work[t][static_cast<std::size_t>(y)];
        CutBands(work[0], H, bands, cut);
    }

    const bool shade = Options.AUTOSCR && View.Zoom > 1.0;
    static MyScrollSw regions;
    if (shade) LayoutScrollRegions(regions, W, H, EdgeRegionBand);
    static std::array<RasterCanvas, MaxBands> rasters;
    static std::array<DirtyList, MaxBands> dirty;
    static std::array<Scratch, MaxBands> scratch;
    static std::array<std::vector<std::uint32_t>, MaxBands> held;
    RunOnWorkers(bands, bands, [&](std::size_t t, unsigned) {
        RasterCanvas& c = rasters[t];
        const int top = cut[t], rows = cut[t + 1] - cut[t];
        const std::size_t rowBytes = static_cast<std::size_t>(W) * sizeof(std::uint32_t);
        c.ResizeWindow(W, H, top, rows, Black);
        ResetCanvas(c);
        if (rows <= 0 || W <= 0) return;
        if (shade) {
            ShadeEdges(c, regions);
            std::memcpy(picture.Scanline(top), c.Scanline(top), rowBytes * static_cast<std::size_t>(rows));
            c.Fill(Black);
            ResetCanvas(c);
        } else {
            std::fill(picture.Scanline(top), picture.Scanline(top) + static_cast<std::size_t>(W) * static_cast<std::size_t>(rows),
                      RasterCanvas::ToPixel(Black));
        }
        if (!haveData) return;
        RegionBand(c, dirty[t]);
        ResetCanvas(c);
        if (StrokeBand(layers, c, scratch[t], n, held[t])) OrBand(c, !composed.list.empty());
        for (const std::int32_t layer : composed.list) {
            ComposeBand(layer, layers, c, scratch[t], held[t]);
            OrBand(c, layer != composed.list.back());
        }
    });
    candidates = nullptr;
}


void OriginCross(RasterCanvas& c)
{
    const Xform xf = CurrentXform();
    // Before the first view there is no transform: every point would be pixel 0.
    if (!(xf.scale > 0) || !std::isfinite(xf.scale)) return;
    SetPen(c, PenMode::Merge, White, 1);
    const Point a = xf.P(-10, 0), b = xf.P(10, 0), u = xf.P(0, 10), d = xf.P(0, -10);
    c.MoveTo(a.x, a.y);
    c.LineTo(b.x, b.y);
    c.MoveTo(u.x, u.y);
    c.LineTo(d.x, d.y);
}

// Drill hits straight onto the picture: grey rings over black holes, or
// the tools' letters.
void DrillPass(const LayerLookup& layers)
{
    const std::size_t n = ElementLimit();
    const Xform xf = CurrentXform();
    RasterCanvas& c = picture;
    const int W = c.Width(), H = c.Height();
    // Diameters parsed once per tool per redraw.
    static std::array<double, core::MaxToolCode + 1> diameter;
    static std::array<bool, core::MaxToolCode + 1> known;
    known.fill(false);
    passLists.Update();
    for (const std::uint32_t hit : passLists.drill) {
        const std::size_t i = hit;
        if (i >= n) break;
        const DataElement& e = Datas[i];
        if (e.Kind != core::dkDrill || !layers.Shown(e.Layer)) continue;
        const core::MyTool* tool = core::ToolAt(e.Code);
        if (!tool) continue;
        const Point p = xf.P(e.X3, e.Y3);
        if (!Inside(p, W, H)) continue;
        if (Options.DRILLCHR) {
            c.SetFontColor(layers.ColorOf(e.Layer));
            c.SetBrushStyle(platform::BrushStyle::Clear);
            const platform::TextSize ts = c.TextExtent(tool->Symbol);
            c.TextOut(static_cast<int>(std::trunc(p.x - ts.cx * 0.5 + 0.5)), static_cast<int>(std::trunc(p.y - ts.cy * 0.5 + 0.5)),
                      tool->Symbol);
            continue;
        }
        const std::size_t k = static_cast<std::size_t>(e.Code);
        if (!known[k]) {
            diameter[k] = core::LeadingNumber(tool->Diameter);
            known[k] = true;
        }
        const double d = diameter[k];
        if (d * xf.scale >= 2.0) {
            SetPen(c, PenMode::Copy, Grey, 1);
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.SetBrushColor(Black);
            const Point a = xf.P(e.X3 - d / 2, e.Y3 + d / 2), b = xf.P(e.X3 + d / 2, e.Y3 - d / 2);
            c.Ellipse(std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
        } else {
            c.SetPixel(p.x, p.y, Grey);
        }
    }
}

void ShadeEdges(RasterCanvas& c, const MyScrollSw& regions)
{
    SetPen(c, PenMode::Copy, Black, 1);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(EdgeShade);
    for (const MyScrollRegion& r : regions.Regions) c.Polygon(r.Points);
}

void ResetCanvas(RasterCanvas& c)
{
    c.SetPenStyle(platform::PenStyle::Solid);
    SetPen(c, PenMode::Copy, Black, 1);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    c.SetBrushColor(Black);
    c.MoveTo(0, 0);
}

void RunOverlays()
{
    for (auto& hook : OverlayHooks())
        if (hook) hook(picture);
}

} // namespace

RasterCanvas& Picture() { return picture; }
RasterCanvas& HighlightLayer() { return highlight; }

std::vector<std::function<void()>>& RedrawStartHooks()
{
    static std::vector<std::function<void()>> hooks;
    return hooks;
}

std::vector<std::function<void(RasterCanvas&)>>& OverlayHooks()
{
    static std::vector<std::function<void(RasterCanvas&)>> hooks;
    return hooks;
}

void InvalidatePicture()
{
    ++generation;
    cacheValid = false;
}

void RedrawView(RedrawReason reason)
{
    if (Highlight.Blinking) {
        Highlight.Visible = false;
        Highlight.Blinking = false;
    }
    for (auto& hook : RedrawStartHooks())
        if (hook) hook();

    const int W = std::max(ClientWidth, 0), H = std::max(ClientHeight, 0);
    if (reason == RedrawReason::ToolOverlay && cacheValid && cachedKey == CurrentKey() && picture.Width() == W &&
        picture.Height() == H) {
        std::memcpy(picture.Bits(), cached.Bits(), static_cast<std::size_t>(W) * static_cast<std::size_t>(H) * sizeof(std::uint32_t));
        ResetCanvas(picture);
        RunOverlays();
        return;
    }

    if (picture.Width() != W || picture.Height() != H) picture.Resize(W, H, Black);
    ResetCanvas(picture);
    const LayerLookup layers;
    const bool haveData = core::LayerCount >= 1 && core::DataCount >= 1 && View.Scale > 0 && std::isfinite(View.Scale);
    DrawLayers(layers, haveData);
    OriginCross(picture);
    if (haveData) DrillPass(layers);
    ResetCanvas(picture);

    if (reason == RedrawReason::ToolOverlay) {
        cached.Resize(W, H);
        std::memcpy(cached.Bits(), picture.Bits(), static_cast<std::size_t>(W) * static_cast<std::size_t>(H) * sizeof(std::uint32_t));
        cachedKey = CurrentKey();
        cacheValid = true;
    } else {
        cacheValid = false;
    }
    RunOverlays();
}

// ------------------------------------------------------------- outlines

int LineOutline(int i, core::MyTPointArray& points)
{
    points.clear();
    if (i < 0 || static_cast<std::size_t>(i) >= ElementLimit()) return 0;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const core::MyAperture* a = core::ApertureAt(e.Code);
    const double h = (a ? a->Size1 : 0.0) * 0.5;
    const double t = core::Direction(e.X1, e.Y1, e.X2, e.Y2);
    const Xform xf = CurrentXform();
    for (int k = 0; k <= 8; ++k) {
        const double ang = t + Pi / 2 + k * Pi / 8;
        points.push_back(xf.P(e.X1 + h * std::cos(ang), e.Y1 + h * std::sin(ang)));
    }
    for (int k = 0; k <= 8; ++k) {
        const double ang = t - Pi / 2 + k * Pi / 8;
        points.push_back(xf.P(e.X2 + h * std::cos(ang), e.Y2 + h * std::sin(ang)));
    }
    points.push_back(points.front());
    return static_cast<int>(points.size());
}

int ArcOutline(int i, core::MyTPointArray& points)
{
    points.clear();
    if (i < 0 || static_cast<std::size_t>(i) >= ElementLimit()) return 0;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const core::MyAperture* a = core::ApertureAt(e.Code);
    const double h = (a ? a->Size1 : 0.0) * 0.5, R = e.X4;
    const double cx = e.X3, cy = e.Y3;
    double a1 = 0, sweep = 0;
    if (!core::ArcStartAndSweep(e.Kind, cx, cy, e.X1, e.Y1, e.X2, e.Y2, a1, sweep)) return 0;
    // Clockwise from start to end: a counter-clockwise arc from its end.
    if (sweep > 0) {
        a1 += sweep;
        sweep = -sweep;
    }
    const double a2 = a1 + sweep;
    const Xform xf = CurrentXform();
    const core::MyBox near = NearPicture(xf, ClientWidth, ClientHeight, 2);
    core::MyPointArray& w = pointScratch;
    w.clear();
    // A half circle about the start bulging away from the arc, from the
    // inner edge to the outer; the outer edge; a half circle about the
    // end; the inner edge back.
    core::AppendArcPoints(w, cx + R * std::cos(a1), cy + R * std::sin(a1), h, a1 + Pi, -Pi, xf.scale, near, true);
    core::AppendArcPoints(w, cx, cy, R + h, a1, sweep, xf.scale, near, false);
    core::AppendArcPoints(w, cx + R * std::cos(a2), cy + R * std::sin(a2), h, a2, -Pi, xf.scale, near, false);
    core::AppendArcPoints(w, cx, cy, R - h, a2, -sweep, xf.scale, near, false);
    for (const core::MyPoint& p : w) points.push_back(xf.P(p.x, p.y));
    return static_cast<int>(points.size());
}

int RegionPolygon(int first, int last, core::MyTPointArray& points)
{
    points.clear();
    const long long n = static_cast<long long>(ElementLimit());
    if (first < 0 || last < first || last >= n) return 0;
    const Xform xf = CurrentXform();
    const DataElement& f = Datas[static_cast<std::size_t>(first)];
    points.push_back(xf.P(f.X1, f.Y1));
    for (int i = first; i <= last; ++i) {
        const DataElement& e = Datas[static_cast<std::size_t>(i)];
        switch (e.Kind) {
        case core::dkRegionLine:
            points.push_back(xf.P(e.X2, e.Y2));
            break;
        case core::dkRegionArcCCW:
        case core::dkRegionArcCW:
        case core::dkRegionCircleCCW:
        case core::dkRegionCircleCW:
            // An arc starts at the point before.
            AppendArcDevicePoints(e, xf, 2, pointScratch, points, false);
            break;
        default:
            break;
        }
    }
    return static_cast<int>(points.size());
}

// ------------------------------------------------------------ highlight

void HighlightPrimitives(const std::vector<int>& list)
{
    Highlight.Blinking = false;
    const int W = std::max(ClientWidth, 0), H = std::max(ClientHeight, 0);
    highlight.Resize(W, H, Black);
    ResetCanvas(highlight);
    highlight.SetPenColor(White);
    const LayerLookup layers;
    const Xform xf = CurrentXform();
    const std::size_t n = ElementLimit();
    core::MyTPointArray dev;
    for (int idx : list) {
        if (idx < 0 || static_cast<std::size_t>(idx) >= n) continue;
        const DataElement& e = Datas[static_cast<std::size_t>(idx)];
        if (e.Kind == core::dkSection || !layers.Shown(e.Layer)) continue;
        // Compared as a number, the way the colour value is stored.
        const Color lc = layers.ColorOf(e.Layer);
        const Color c = lc < platform::RGB(127, 127, 127) ? White : platform::RGB(255, 0, 0);
        SetPen(highlight, PenMode::Merge, c, 1);
        highlight.SetBrushStyle(platform::BrushStyle::Solid);
        highlight.SetBrushColor(c);
        highlight.SetFontColor(c);
        const int w = std::max(2, core::PenWidthPixels(e.Code, xf.scale));
        switch (e.Kind) {
        case core::dkFlash:
            core::DrawFlash(highlight, idx, xf.mirror, Black, xf.scale, xf.ox, xf.oy);
            break;
        case core::dkDrill:
        case core::dkDrillList: {
            const core::MyTool* tool = core::ToolAt(e.Code);
            if (!tool) break;
            const double d = core::LeadingNumber(tool->Diameter);
            highlight.SetPenColor(White);
            highlight.SetBrushColor(platform::RGB(255, 0, 0));
            const Point a = xf.P(e.X3 - 0.6 * d, e.Y3 + 0.6 * d), b = xf.P(e.X3 + 0.6 * d, e.Y3 - 0.6 * d);
            highlight.Ellipse(a.x, a.y, b.x, b.y);
            break;
        }
        case core::dkLine:
        case core::dkRegionLine: {
            const Point pts[2] = {xf.P(e.X1, e.Y1), xf.P(e.X2, e.Y2)};
            highlight.SetPenWidth(w);
            highlight.Polyline(pts);
            break;
        }
        case core::dkSquareStroke: {
            const Point p1 = xf.P(e.X1, e.Y1);
            const Point pts[5] = {p1, xf.P(e.X2, e.Y2), xf.P(e.X3, e.Y3), xf.P(e.X4, e.Y4), p1};
            highlight.Polygon(pts);
            break;
        }
        case core::dkArcCCW:
        case core::dkArcCW:
        case core::dkRegionArcCCW:
        case core::dkRegionArcCW:
        case core::dkCircleCCW:
        case core::dkCircleCW:
        case core::dkRegionCircleCCW:
        case core::dkRegionCircleCW:
            dev.clear();
            AppendArcDevicePoints(e, xf, w / 2.0 + 2, pointScratch, dev, true);
            highlight.SetPenWidth(w);
            highlight.Polyline(dev);
            break;
        default:
            break;
        }
    }
    Highlight.Visible = true;
    Highlight.Blinking = true;
}

} // namespace mainwin
