#include "core/FlashDrawing.h"

#include "core/Distances.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "platform/RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace core {

using platform::Canvas;
using platform::Color;
using platform::Point;
using platform::Rect;
using platform::SaturateCoord;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2.0 * Pi;
// A moiré with more rings than this is not a drawing but a hang.
constexpr int MaxMoireRings = 1000;

// The device transform. `scale` is across, `scaleY` down; the screen's
// pixels are square, a printer's need not be.
struct Xf {
    bool mirror = false;
    double scale = 1, ox = 0, oy = 0, scaleY = 1;

    Point P(double x, double y) const
    {
        return {SaturateCoord((mirror ? ox - x : x + ox) * scale), SaturateCoord((oy - y) * scaleY)};
    }
    // The scale figures are built at (chords, pen widths): the finer axis.
    double FigureScale() const { return std::max(scale, scaleY); }
    // The device box of a world box given by two corners, normalised.
    Rect Box(double x1, double y1, double x2, double y2) const
    {
        const Point a = P(x1, y1), b = P(x2, y2);
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }
};

int PixelWidth(double mm, double scale)
{
    const double w = RoundTo(0, mm * scale);
    if (!(w >= 1)) return 1;
    return static_cast<int>(std::min(w, static_cast<double>(Canvas::MaxPenWidth)));
}

// Scratch raster for flashes drawn as a whole; kept between flashes.
platform::RasterCanvas& Scratch()
{
    thread_local platform::RasterCanvas mask;
    return mask;
}

void SetMaskInk(Canvas& m, bool exposed)
{
    m.SetPenColor(exposed ? platform::MaskPen : platform::MaskEmpty);
    m.SetBrushColor(exposed ? platform::MaskBrush : platform::MaskEmpty);
}

void InitMaskState(Canvas& m)
{
    m.SetPenMode(platform::PenMode::Copy);
    m.SetPenStyle(platform::PenStyle::Solid);
    m.SetPenWidth(1);
    m.SetBrushStyle(platform::BrushStyle::Solid);
    SetMaskInk(m, true);
}

} // namespace

int ArcSegments(double sweep, double radius, double scale)
{
    return static_cast<int>(std::clamp<long long>(ArcChords(sweep, radius, scale), 6, 1024));
}

namespace {

// Segments of a moiré ring: 32, or more on a large ring, by the same rule.
int RingSegments(double radius, double scale) { return std::clamp(ArcSegments(2 * Pi, radius, scale), 32, 1024); }

bool ValidMacroRange(const MyAperture& a)
{
    return MacroCount >= 1 && a.FirstPrimitive <= a.LastPrimitive && ValidMacroIndex(a.FirstPrimitive) &&
           ValidMacroIndex(a.LastPrimitive);
}

int PrimitiveCode(const MyMacro& m)
{
    if (m.ValueCount < 1 || !std::isfinite(m.V(0)) || std::fabs(m.V(0)) > 1e6) return 0;
    return static_cast<int>(std::trunc(m.V(0)));
}

// Extra room a macro needs beyond its aperture box: the round ends of wide
// moiré pens.
int MacroMargin(const MyAperture& a, double scale)
{
    int margin = 2;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
        if (PrimitiveCode(mc) == 6)
            margin = std::max({margin, PixelWidth(mc.V(4), scale) + 2, PixelWidth(mc.V(7), scale) + 2});
    }
    return margin;
}

using MaskRun = platform::RasterCanvas::MaskRun;

// A flash drawn as a whole (macro, thermal, moiré) for one aperture at one
// scale: its figures with their points as flash points (F + base) + offset,
// and which points make the box the mask is cut to. A flash only moves the
// points to the device; the figures are drawn on a scratch mask when their
// device points, taken from the mask's top left, are new, and the mask's
// runs are kept for the next flash that lands on the same pixels.
struct FlashTemplate {
    struct Figure {
        enum Kind : std::uint8_t { Ellipse, Polygon, Polyline };
        Kind kind = Polygon;
        bool exposed = true;
        int penWidth = 1;
        std::uint32_t first = 0, count = 0;
    };
    std::vector<Figure> figures;
    // Point coordinates apart, so that they transform two at a time.
    std::vector<double> baseX, offX, baseY, offY;
    std::vector<std::uint32_t> box;   // the points whose box is the flash's
    int margin = 2;
    // The box grows from EmptyBox, as the aperture box of a macro does.
    bool fromEmptyBox = false;
    // The largest |base| + |offset| of a coordinate; infinite when any is
    // not a number.
    double reach = 0;
    // Built again for every flash (too many points to keep).
    bool tooLarge = false;
    // The flash batch in which it was last found to match the tables.
    std::uint64_t checkedIn = 0;

    // What the template was built from (macros: the primitives' values).
    int first = 0, last = 0;
    std::vector<std::int32_t> valueCounts;
    std::vector<double> values;

    // Masks seen: key (width, height, then the x and then the y of each
    // point from the mask's top left, in bytes when they fit) and runs, as
    // is and with pen and brush runs joined.
    struct Entry {
        std::uint64_t hash;
        std::uint32_t key, keyLength, runs, runCount, joined, joinedCount;
    };
    std::vector<unsigned char> keys;
    std::vector<MaskRun> runs;
    std::vector<Entry> entries;
    std::vector<std::uint32_t> table;   // open addressing: entry + 1, 0 empty

    // Flashes by where they fall within a pixel. A point's device x is
    // trunc(U + C) with U = (F + ox) × scale from the flash and C from the
    // point; every point's x less floor(U) depends only on which of the
    // points' thresholds (where U + C crosses a whole pixel) frac(U) has
    // passed. Flashes in the same pair of intervals, clear of every
    // threshold by more than rounding can move them and with the mask
    // whole on the picture, get the same mask at a whole-pixel offset.
    struct Cell {
        std::uint32_t entry;
        std::int32_t dl, dt, w, h, minX, minY;   // from (floor(Ux), floor(Uy))
    };
    bool phaseBuilt = false;
    std::vector<double> thresholdsX[2], thresholdsY;   // sorted; x by mirror
    // For each 1/Buckets of a pixel, the count of thresholds below it.
    static constexpr int Buckets = 512;
    std::vector<std::uint8_t> belowX[2], belowY;
    std::vector<std::int32_t> cellIndex;              // (mirror, ix, iy) → cell + 1
    std::vector<Cell> cells;

    std::size_t Count() const { return baseX.size(); }
    std::size_t CacheBytes() const
    {
        std::size_t n = keys.capacity() + runs.capacity() * sizeof(MaskRun) + entries.capacity() * sizeof(Entry) +
                        table.capacity() * sizeof(std::uint32_t) + cellIndex.capacity() * sizeof(std::int32_t) +
                        cells.capacity() * sizeof(Cell);
        for (const auto* v : {&thresholdsX[0], &thresholdsX[1], &thresholdsY}) n += v->capacity() * sizeof(double);
        for (const auto* v : {&belowX[0], &belowX[1], &belowY}) n += v->capacity();
        return n;
    }
    // Gives the memory back (assigning {} would keep the capacity).
    template <class V>
    static void Release(V& v)
    {
        V().swap(v);
    }
    void ClearCache()
    {
        Release(keys);
        Release(runs);
        Release(entries);
        Release(table);
        phaseBuilt = false;
        for (auto* v : {&thresholdsX[0], &thresholdsX[1], &thresholdsY}) Release(*v);
        for (auto* v : {&belowX[0], &belowX[1], &belowY}) Release(*v);
        Release(cellIndex);
        Release(cells);
    }
    void Clear()
    {
        figures.clear();
        baseX.clear(), offX.clear(), baseY.clear(), offY.clear();
        box.clear();
        margin = 2;
        fromEmptyBox = false;
        reach = 0;
        tooLarge = false;
        checkedIn = 0;
        first = last = 0;
        valueCounts.clear();
        values.clear();
        ClearCache();
    }

    std::uint32_t Add(const MyFlashPoint& p)
    {
        baseX.push_back(p.base.x);
        offX.push_back(p.offset.x);
        baseY.push_back(p.base.y);
        offY.push_back(p.offset.y);
        const double r = std::max(std::fabs(p.base.x) + std::fabs(p.offset.x), std::fabs(p.base.y) + std::fabs(p.offset.y));
        reach = std::isfinite(r) ? std::max(reach, r) : HUGE_VAL;
        return static_cast<std::uint32_t>(baseX.size() - 1);
    }
    void Begin(Figure::Kind kind, bool exposed, int penWidth)
    {
        figures.push_back({kind, exposed, penWidth, static_cast<std::uint32_t>(Count()), 0});
    }
    void End() { figures.back().count = static_cast<std::uint32_t>(Count()) - figures.back().first; }
    // A figure without points draws nothing: dropped.
    void EndOrDrop()
    {
        End();
        if (figures.back().count == 0) figures.pop_back();
    }

    // The two corners of the box of a circle of radius r about base c.
    void CircleBox(MyPoint c, double r, bool addToBox)
    {
        const std::uint32_t a = Add({c, {-r, r}}), b = Add({c, {r, -r}});
        if (addToBox) box.insert(box.end(), {a, b});
    }
    void Ellipse(MyPoint c, double r, bool exposed, bool addToBox)
    {
        Begin(Figure::Ellipse, exposed, 1);
        CircleBox(c, r, addToBox);
        End();
    }
};

// Four pads about base c, turned by `rotation` degrees. A gap at least as
// wide as the inner radius leaves no pad to cut: the full ring is drawn.
void ThermalFigures(FlashTemplate& t, double scale, double rotation, double gap, double outer, double inner, MyPoint c)
{
    const double ro = outer / 2, ri = inner / 2, g = gap / 2;
    if (!(ri >= 0.001 && ro >= 0.001 && g >= 0.001)) return;
    if (g >= ri) {
        t.Ellipse(c, ro, true, false);
        t.Ellipse(c, ri, false, false);
        return;
    }
    const double a0 = std::asin(g / ro), a4 = Pi / 2 - a0;
    // The bridges meet and nothing of the ring is left.
    if (!(a4 > a0)) return;
    // The pad: the outer arc from a0 to a4, then the inner arc back. Both
    // arcs in as many chords as keep them within a quarter pixel of the
    // circle, at least six.
    const double ai0 = Pi / 2 - std::asin(g / ri), ai4 = std::asin(g / ri);
    const int no = ArcSegments(a4 - a0, ro, scale), ni = ArcSegments(ai0 - ai4, ri, scale);
    double rot = rotation * Pi / 180.0;
    for (int q = 0; q < 4; ++q, rot += Pi / 2) {
        t.Begin(FlashTemplate::Figure::Polygon, true, 1);
        const std::uint32_t start = static_cast<std::uint32_t>(t.Count());
        for (int j = 0; j <= no; ++j) {
            const double a = a0 + (a4 - a0) * j / no + rot;
            t.Add({c, {ro * std::cos(a), ro * std::sin(a)}});
        }
        for (int j = 0; j <= ni; ++j) {
            const double a = ai0 + (ai4 - ai0) * j / ni + rot;
            t.Add({c, {ri * std::cos(a), ri * std::sin(a)}});
        }
        t.Add({{t.baseX[start], t.baseY[start]}, {t.offX[start], t.offY[start]}});
        t.End();
    }
}

// Moiré primitive k: rings with the thickness as pen width, then the four
// arms of the cross-hair. `c` is its centre offset from the flash point.
void MoireFigures(FlashTemplate& t, double scale, int k, MyPoint c)
{
    const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
    const double outer = mc.V(3), thickness = mc.V(4), gap = mc.V(5), maxRings = mc.V(6);
    const double crossThickness = mc.V(7), crossLength = mc.V(8), rotation = mc.V(9);
    const double pitch = thickness + gap;
    if (!(pitch >= 0.001)) return;
    const int ringWidth = PixelWidth(thickness, scale);
    double radius = (outer - thickness) / 2;
    const double ringLimit = std::isfinite(maxRings) ? std::min(maxRings, static_cast<double>(MaxMoireRings)) : 0.0;
    for (int count = 0;;) {
        const int n = RingSegments(radius, scale);
        t.Begin(FlashTemplate::Figure::Polyline, true, ringWidth);
        if (n >= 3) {
            const std::uint32_t start = static_cast<std::uint32_t>(t.Count());
            for (int j = 0; j < n; ++j) {
                const double a = TwoPi * j / n;
                t.Add({c, {radius * std::cos(a), radius * std::sin(a)}});
            }
            t.Add({{t.baseX[start], t.baseY[start]}, {t.offX[start], t.offY[start]}});
        }
        t.EndOrDrop();
        ++count;
        if (count >= ringLimit || count >= MaxMoireRings) break;
        radius -= pitch;
        if (!(radius >= 0.001)) break;
    }
    // Cross-hair: four arms from the centre.
    if (crossThickness > 0 && crossLength > 0) {
        const int armWidth = PixelWidth(crossThickness, scale);
        double a = rotation * Pi / 180.0;
        for (int q = 0; q < 4; ++q, a += Pi / 2) {
            t.Begin(FlashTemplate::Figure::Polyline, true, armWidth);
            t.Add({c, {0, 0}});
            t.Add({c, {crossLength / 2 * std::cos(a), crossLength / 2 * std::sin(a)}});
            t.End();
        }
    }
}

// The figures and box of macro aperture a at `scale`, in primitive order.
// The box takes the points the aperture box is made of.
void MacroFigures(FlashTemplate& t, const MyAperture& a, double scale)
{
    t.margin = MacroMargin(a, scale);
    t.fromEmptyBox = true;
    t.first = a.FirstPrimitive;
    t.last = a.LastPrimitive;
    thread_local MyFlashPointArray outline;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
        const std::size_t n = static_cast<std::size_t>(std::max(mc.ValueCount, 10));
        t.valueCounts.push_back(mc.ValueCount);
        for (std::size_t j = 0; j < n; ++j) t.values.push_back(mc.V(static_cast<int>(j)));
        const int code = PrimitiveCode(mc);
        const double e = mc.V(1);
        const bool exposed = std::isfinite(e) && std::trunc(e) == 1.0;
        double cx = 0, cy = 0, r = 0;
        switch (code) {
        case 1:
            if (CirclePrimitiveGeometry(k, cx, cy, r, 0, 0)) t.Ellipse({cx, cy}, r, exposed, true);
            break;
        case 2: case 4: case 5: case 20: case 21: case 22: {
            MacroPrimitiveOutline(k, outline);
            const bool drawn = outline.size() >= 2;
            if (drawn) t.Begin(FlashTemplate::Figure::Polygon, exposed, 1);
            for (const MyFlashPoint& p : outline) t.box.push_back(t.Add(p));
            if (drawn) t.End();
            break;
        }
        case 6: {
            int count = 0;
            MyTwoPointArray segs;
            double half = 0;
            if (!MoirePrimitiveGeometry(k, cx, cy, count, segs, half, r, 0, 0)) break;
            MoireFigures(t, scale, k, {cx, cy});
            double reach = r;
            if (count > 0) reach = std::max(reach, mc.V(8) * 0.5 + half);
            const std::uint32_t lo = t.Add({{cx, cy}, {-reach, -reach}}), hi = t.Add({{cx, cy}, {reach, reach}});
            t.box.insert(t.box.end(), {lo, hi});
            break;
        }
        case 7: {
            if (!CirclePrimitiveGeometry(k, cx, cy, r, 0, 0)) break;   // the centre turns with the rotation
            const int nv = mc.ValueCount;
            ThermalFigures(t, scale, nv > 6 ? mc.V(6) : 0.0, nv > 5 ? mc.V(5) : 0.0, nv > 3 ? mc.V(3) : 0.0, nv > 4 ? mc.V(4) : 0.0,
                           {cx, cy});
            t.CircleBox({cx, cy}, r, true);
            break;
        }
        default:
            break;
        }
    }
}

// Bit for bit: a value that is no number is still the same value.
bool SameBits(const double* a, const double* b, std::size_t n)
{
    std::uint64_t d = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t x, y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        d |= x ^ y;
    }
    return d == 0;
}

// Whether macro aperture a still has the primitives t was built from.
bool SameMacro(const FlashTemplate& t, const MyAperture& a)
{
    if (a.FirstPrimitive != t.first || a.LastPrimitive != t.last) return false;
    const double* v = t.values.data();
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
        if (mc.ValueCount != t.valueCounts[static_cast<std::size_t>(k - a.FirstPrimitive)]) return false;
        const std::size_t n = static_cast<std::size_t>(std::max(mc.ValueCount, 10));
        if (mc.Values.size() >= n) {
            if (!SameBits(v, mc.Values.data(), n)) return false;
        } else {
            for (std::size_t j = 0; j < n; ++j) {
                const double x = mc.V(static_cast<int>(j));
                if (std::memcmp(v + j, &x, sizeof x) != 0) return false;
            }
        }
        v += n;
    }
    return true;
}

// Templates of this thread, by what they were built from; their mask runs
// share one memory limit and are dropped together when they reach it.
class TemplateStore {
public:
    struct Key {
        std::int32_t kind = 0, d = 0;
        double scale = 0, scaleY = 0, p[4] = {0, 0, 0, 0};
    };
    enum Kind : std::int32_t { kMacro = 1, kThermal = 2, kOval = 3 };
    // Bit for bit: a NaN parameter still finds its template.
    static bool Same(const Key& a, const Key& b)
    {
        std::uint64_t x[sizeof(Key) / 8], y[sizeof(Key) / 8];
        std::memcpy(x, &a, sizeof x);
        std::memcpy(y, &b, sizeof y);
        std::uint64_t d = 0;
        for (std::size_t i = 0; i < sizeof(Key) / 8; ++i) d |= x[i] ^ y[i];
        return d == 0;
    }
    static constexpr std::size_t MaxBytes = std::size_t{32} << 20;
    // Figures of more points than this are built for each flash, not kept.
    static constexpr std::size_t MaxPoints = 1 << 16;

    // The template kept for key; fresh (and empty) when it was not there.
    FlashTemplate& Slot(const Key& key, bool& fresh)
    {
        auto bits = [](double v) {
            std::uint64_t b;
            std::memcpy(&b, &v, sizeof b);
            return b;
        };
        // Flashes come in runs of one aperture: the last template first,
        // then the one last used for the D-code.
        Entry** byCode = key.d >= 0 && key.d <= MaxApertureCode ? &byCode_[static_cast<std::size_t>(key.d)] : &last_;
        for (Entry* e : {last_, *byCode})
            if (e && e->t && Same(e->key, key)) {
                fresh = false;
                last_ = *byCode = e;
                return *e->t;
            }
        // Independent products, one per field: short dependency chains.
        std::uint64_t h = (static_cast<std::uint64_t>(key.kind) << 32 | static_cast<std::uint32_t>(key.d)) * 0x9E3779B97F4A7C15ULL;
        h ^= (bits(key.scale) * 0xBF58476D1CE4E5B9ULL) ^ (bits(key.scaleY) * 0x2545F4914F6CDD1DULL);
        h ^= (bits(key.p[0]) * 0x94D049BB133111EBULL) ^ (bits(key.p[1]) * 0xD6E8FEB86659FD93ULL);
        h ^= (bits(key.p[2]) * 0xFF51AFD7ED558CCDULL) ^ (bits(key.p[3]) * 0xC4CEB9FE1A85EC53ULL);
        h ^= h >> 32;
        h *= 0x9E3779B97F4A7C15ULL;
        // Four ways to each set, so that a few templates meeting in one set
        // do not push each other out at every flash.
        const std::size_t set = static_cast<std::size_t>(h >> 58) & (Slots - Ways);
        Entry* victim = nullptr;
        for (std::size_t w = 0; w < Ways; ++w) {
            Entry& s = slots_[set + w];
            if (s.t && Same(s.key, key)) {
                fresh = false;
                last_ = *byCode = &s;
                return *s.t;
            }
            if (!victim && !s.t) victim = &s;
        }
        if (!victim) victim = &slots_[set + (next_++ % Ways)];
        Entry& s = *victim;
        fresh = true;
        if (!s.t) s.t = std::make_unique<FlashTemplate>();
        bytes_ -= std::min(bytes_, s.t->CacheBytes());
        s.t->Clear();
        s.key = key;
        last_ = *byCode = &s;
        return *s.t;
    }
    // A template for one flash only (too many points to keep).
    FlashTemplate& Once()
    {
        once_.Clear();
        return once_;
    }
    bool Kept(const FlashTemplate& t) const { return &t != &once_; }
    // A template's masks went from `before` to `after` bytes; every kept
    // mask is dropped when the thread's total passes the limit.
    void Charge(std::size_t before, std::size_t after)
    {
        bytes_ = bytes_ - std::min(bytes_, before) + after;
        if (bytes_ <= MaxBytes) return;
        for (Entry& s : slots_)
            if (s.t) s.t->ClearCache();
        bytes_ = 0;
    }

    // What the kept templates hold now, counted afresh.
    std::size_t HeldBytes() const
    {
        std::size_t n = 0;
        for (const Entry& s : slots_)
            if (s.t) n += s.t->CacheBytes();
        return n;
    }

private:
    static constexpr std::size_t Slots = 64, Ways = 4;
    std::size_t next_ = 0;
    struct Entry {
        Key key;
        std::unique_ptr<FlashTemplate> t;
    };
    std::array<Entry, Slots> slots_;
    Entry* last_ = nullptr;
    std::array<Entry*, MaxApertureCode + 1> byCode_{};
    FlashTemplate once_;
    std::size_t bytes_ = 0;
};

TemplateStore& Store()
{
    thread_local TemplateStore store;
    return store;
}

// Device coordinates along one axis of n points (f + base) + offset: plus
// o, or o minus it when `negate`, times the scale, saturated and cut toward
// zero, exactly as DevicePoint does.
void AxisToDevice(const double* base, const double* off, std::size_t n, double f, double o, double s, bool negate,
                  std::int32_t* out)
{
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128d vf = _mm_set1_pd(f), vo = _mm_set1_pd(o), vs = _mm_set1_pd(s);
    const __m128d lo = _mm_set1_pd(-static_cast<double>(platform::GuardBand)), hi = _mm_set1_pd(platform::GuardBand);
    for (; k + 2 <= n; k += 2) {
        __m128d x = _mm_add_pd(_mm_add_pd(vf, _mm_loadu_pd(base + k)), _mm_loadu_pd(off + k));
        x = negate ? _mm_sub_pd(vo, x) : _mm_add_pd(x, vo);
        // max takes the bound for NaN, as SaturateCoord does.
        x = _mm_min_pd(_mm_max_pd(_mm_mul_pd(x, vs), lo), hi);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_cvttpd_epi32(x));
    }
#endif
    for (; k < n; ++k) {
        const double x = (f + base[k]) + off[k];
        out[k] = SaturateCoord((negate ? o - x : x + o) * s);
    }
}

// Subtracts v from n values; writes them also as bytes to `small` and
// says whether they all fit in one.
bool ShiftValues(std::int32_t* p, std::size_t n, std::int32_t v, signed char* small)
{
    std::size_t k = 0;
    bool fits = true;
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi32(v), hi = _mm_set1_epi32(127), lo = _mm_set1_epi32(-128);
    __m128i out = _mm_setzero_si128();
    for (; k + 8 <= n; k += 8) {
        __m128i* q = reinterpret_cast<__m128i*>(p + k);
        const __m128i a = _mm_sub_epi32(_mm_loadu_si128(q), vv), b = _mm_sub_epi32(_mm_loadu_si128(q + 1), vv);
        _mm_storeu_si128(q, a);
        _mm_storeu_si128(q + 1, b);
        out = _mm_or_si128(out, _mm_or_si128(_mm_cmpgt_epi32(a, hi), _mm_cmplt_epi32(a, lo)));
        out = _mm_or_si128(out, _mm_or_si128(_mm_cmpgt_epi32(b, hi), _mm_cmplt_epi32(b, lo)));
        const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(small + k), bytes);
    }
    fits = _mm_movemask_epi8(out) == 0;
#endif
    for (; k < n; ++k) {
        p[k] -= v;
        fits = fits && p[k] >= -128 && p[k] <= 127;
        small[k] = static_cast<signed char>(p[k]);
    }
    return fits;
}

// Four independent lanes over 8-byte words, mixed at the end. Kept scalar:
// a 64-bit multiply has no two-lane form to vectorise into.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-vectorize")))
#endif
std::uint64_t HashKey(const unsigned char* key, std::size_t n)
{
    constexpr std::uint64_t K = 0x9E3779B97F4A7C15ULL;
    std::uint64_t h0 = K, h1 = K + 1, h2 = K + 2, h3 = K + 3;
    auto word = [key](std::size_t at) {
        std::uint64_t v;
        std::memcpy(&v, key + at, sizeof v);
        return v;
    };
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        h0 = (h0 + word(i)) * K;
        h1 = (h1 + word(i + 8)) * K;
        h2 = (h2 + word(i + 16)) * K;
        h3 = (h3 + word(i + 24)) * K;
    }
    for (; i + 8 <= n; i += 8) h0 = (h0 + word(i)) * K;
    for (; i < n; ++i) h1 = (h1 + key[i]) * K;
    std::uint64_t out = n;
    for (const std::uint64_t v : {h0, h1, h2, h3}) {
        out = (out ^ v ^ (v >> 29)) * 0xBF58476D1CE4E5B9ULL;
        out ^= out >> 32;
    }
    return out;
}

const FlashTemplate::Entry* FindMask(const FlashTemplate& t, std::uint64_t hash, const unsigned char* key, std::size_t n)
{
    if (t.table.empty()) return nullptr;
    const std::size_t mask = t.table.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t slot = t.table[i];
        if (slot == 0) return nullptr;
        const FlashTemplate::Entry& e = t.entries[slot - 1];
        if (e.hash == hash && e.keyLength == n && std::memcmp(t.keys.data() + e.key, key, n) == 0) return &e;
    }
}

void InsertSlot(FlashTemplate& t, std::uint64_t hash, std::uint32_t entry)
{
    const std::size_t mask = t.table.size() - 1;
    std::size_t i = hash & mask;
    while (t.table[i] != 0) i = (i + 1) & mask;
    t.table[i] = entry + 1;
}

// Keeps the runs of a mask just drawn, within the thread's memory limit.
// Returns its entry, or -1 when it was not kept.
long AddMask(FlashTemplate& t, std::uint64_t hash, const unsigned char* key, std::size_t n, const std::vector<MaskRun>& runs,
             const std::vector<MaskRun>& joined)
{
    const std::size_t cost = n + (runs.size() + joined.size()) * sizeof(MaskRun) + 64;
    if (cost > TemplateStore::MaxBytes / 16) return -1;
    const std::size_t before = t.CacheBytes();
    if (2 * (t.entries.size() + 1) > t.table.size()) {
        t.table.assign(std::max<std::size_t>(64, 2 * t.table.size()), 0);
        for (std::size_t i = 0; i < t.entries.size(); ++i) InsertSlot(t, t.entries[i].hash, static_cast<std::uint32_t>(i));
    }
    FlashTemplate::Entry e{hash, static_cast<std::uint32_t>(t.keys.size()), static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(t.runs.size()),
                           static_cast<std::uint32_t>(runs.size()), 0, static_cast<std::uint32_t>(joined.size())};
    t.keys.insert(t.keys.end(), key, key + n);
    t.runs.insert(t.runs.end(), runs.begin(), runs.end());
    e.joined = static_cast<std::uint32_t>(t.runs.size());
    t.runs.insert(t.runs.end(), joined.begin(), joined.end());
    t.entries.push_back(e);
    InsertSlot(t, hash, static_cast<std::uint32_t>(t.entries.size() - 1));
    Store().Charge(before, t.CacheBytes());
    return t.entries.empty() ? -1 : static_cast<long>(t.entries.size() - 1);
}

// Masks drawn by any thread, for the others to copy instead of drawing
// them again: the threads of a redraw meet the same masks, each of them
// first at a new scale. A mask is known by what it is drawn from (the
// figures, and the key: its size and the points from its top left), so
// nothing in it goes stale when tables change. Bounded; dropped whole
// when full. In shards, each with its lock, so that threads seldom wait.
class SharedMasks {
public:
    static constexpr std::size_t Shards = 64;
    static constexpr std::size_t MaxBytes = (std::size_t{32} << 20) / Shards;   // each

    bool Find(const std::vector<FlashTemplate::Figure>& figures, std::uint64_t hash, const unsigned char* key, std::size_t n,
              std::vector<MaskRun>& runs, std::vector<MaskRun>& joined)
    {
        const std::uint64_t h = hash ^ FiguresHash(figures);
        Shard& sh = shards_[h % Shards];
        std::lock_guard<std::mutex> lock(sh.mu);
        const auto range = sh.masks.equal_range(h);
        for (auto it = range.first; it != range.second; ++it) {
            const Mask& m = it->second;
            if (m.key.size() == n && std::memcmp(m.key.data(), key, n) == 0 && SameFigures(m.figures, figures)) {
                runs = m.runs;
                joined = m.joined;
                return true;
            }
        }
        return false;
    }
    void Add(const std::vector<FlashTemplate::Figure>& figures, std::uint64_t hash, const unsigned char* key, std::size_t n,
             const std::vector<MaskRun>& runs, const std::vector<MaskRun>& joined)
    {
        const std::uint64_t h = hash ^ FiguresHash(figures);
        const std::size_t cost = 128 + n + (figures.size() * sizeof(FlashTemplate::Figure)) + (runs.size() + joined.size()) * sizeof(MaskRun);
        if (cost > MaxBytes / 4) return;
        Shard& sh = shards_[h % Shards];
        std::lock_guard<std::mutex> lock(sh.mu);
        if (sh.bytes + cost > MaxBytes) {
            sh.masks.clear();
            sh.bytes = 0;
        }
        sh.masks.emplace(h, Mask{figures, std::vector<unsigned char>(key, key + n), runs, joined});
        sh.bytes += cost;
    }

private:
    struct Mask {
        std::vector<FlashTemplate::Figure> figures;
        std::vector<unsigned char> key;
        std::vector<MaskRun> runs, joined;
    };
    static std::uint64_t FiguresHash(const std::vector<FlashTemplate::Figure>& figures)
    {
        std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ figures.size();
        for (const FlashTemplate::Figure& f : figures) {
            const std::uint64_t v = (static_cast<std::uint64_t>(f.kind) | static_cast<std::uint64_t>(f.exposed) << 8 |
                                     static_cast<std::uint64_t>(static_cast<std::uint32_t>(f.penWidth)) << 16) ^
                                    (static_cast<std::uint64_t>(f.first) << 40) ^ (static_cast<std::uint64_t>(f.count) << 20);
            h = (h ^ v) * 0xBF58476D1CE4E5B9ULL;
            h ^= h >> 31;
        }
        return h;
    }
    static bool SameFigures(const std::vector<FlashTemplate::Figure>& a, const std::vector<FlashTemplate::Figure>& b)
    {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i].kind != b[i].kind || a[i].exposed != b[i].exposed || a[i].penWidth != b[i].penWidth || a[i].first != b[i].first ||
                a[i].count != b[i].count)
                return false;
        return true;
    }

    struct alignas(64) Shard {
        std::mutex mu;
        std::unordered_multimap<std::uint64_t, Mask> masks;
        std::size_t bytes = 0;
    };
    std::array<Shard, Shards> shards_;
};

SharedMasks& Shared()
{
    static SharedMasks shared;
    return shared;
}

// Where a flash falls within a pixel (see FlashTemplate::Cell).
struct Phase {
    bool usable = false;
    long long nx = 0, ny = 0;
    std::size_t cell = 0;
};

// The interval of frac among sorted thresholds on the unit circle (the
// count of them at or below it); -1 when frac lies within e of one.
long Interval(const std::vector<double>& th, const std::vector<std::uint8_t>& below, double frac, double e)
{
    const std::size_t b = std::min(static_cast<std::size_t>(frac * FlashTemplate::Buckets), below.size() - 1);
    std::size_t i = below[b];
    while (i < th.size() && th[i] <= frac) ++i;
    const double prev = i > 0 ? th[i - 1] : th.back() - 1;
    const double next = i < th.size() ? th[i] : th.front() + 1;
    return frac - prev > e && next - frac > e ? static_cast<long>(i) : -1;
}

// Template points small enough in number for a table of cells.
constexpr std::size_t MaxPhasePoints = 128;

Phase FindPhase(FlashTemplate& t, double fx, double fy, const Xf& xf)
{
    Phase p;
    const std::size_t n = t.Count();
    const double sx = xf.scale, sy = xf.scaleY;
    if (n > MaxPhasePoints || !(sx > 0 && sx < 1e12) || !(sy > 0 && sy < 1e12) || !(t.reach * std::max(sx, sy) < 1e8)) return p;
    if (t.fromEmptyBox && !(std::fabs(fx) + t.reach < 1999 && std::fabs(fy) + t.reach < 1999)) return p;
    const double ux = (xf.mirror ? xf.ox - fx : fx + xf.ox) * sx, uy = (xf.oy - fy) * sy;
    if (!(std::fabs(ux) < 1e8 && std::fabs(uy) < 1e8)) return p;   // NaN too
    if (!t.phaseBuilt) {
        const std::size_t before = t.CacheBytes();
        // Where U + C of each point crosses a whole pixel, as a fraction of
        // U: C is the point's (base + offset) × scale, negated where the
        // axis runs against the world's.
        auto thresholds = [&](const std::vector<double>& base, const std::vector<double>& off, bool negate, double s,
                              std::vector<double>& out) {
            out.resize(n);
            for (std::size_t k = 0; k < n; ++k) {
                const double c = (negate ? -1.0 : 1.0) * ((base[k] + off[k]) * s);
                out[k] = std::ceil(c) - c;
            }
            std::sort(out.begin(), out.end());
        };
        auto buckets = [](const std::vector<double>& th, std::vector<std::uint8_t>& out) {
            out.resize(FlashTemplate::Buckets);
            std::size_t i = 0;
            for (int b = 0; b < FlashTemplate::Buckets; ++b) {
                while (i < th.size() && th[i] < static_cast<double>(b) / FlashTemplate::Buckets) ++i;
                out[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(i);
            }
        };
        thresholds(t.baseX, t.offX, false, sx, t.thresholdsX[0]);
        thresholds(t.baseX, t.offX, true, sx, t.thresholdsX[1]);
        thresholds(t.baseY, t.offY, true, sy, t.thresholdsY);
        buckets(t.thresholdsX[0], t.belowX[0]);
        buckets(t.thresholdsX[1], t.belowX[1]);
        buckets(t.thresholdsY, t.belowY);
        t.cellIndex.assign(2 * (n + 1) * (n + 1), 0);
        t.phaseBuilt = true;
        Store().Charge(before, t.CacheBytes());
        if (!t.phaseBuilt) return p;   // that was too much: all dropped
    }
    // Far beyond what rounding of these sums and products can move.
    const double ex = 1e-10 * ((std::fabs(fx) + std::fabs(xf.ox) + t.reach) * sx + 1);
    const double ey = 1e-10 * ((std::fabs(fy) + std::fabs(xf.oy) + t.reach) * sy + 1);
    // floor without a library call: both are well within a long long.
    auto floorOf = [](double v) {
        const double c = static_cast<double>(static_cast<long long>(v));
        return c > v ? c - 1 : c;
    };
    const double fxl = floorOf(ux), fyl = floorOf(uy);
    const int m = xf.mirror ? 1 : 0;
    const long ix = Interval(t.thresholdsX[m], t.belowX[m], ux - fxl, ex);
    const long iy = Interval(t.thresholdsY, t.belowY, uy - fyl, ey);
    if (ix < 0 || iy < 0) return p;
    p.usable = true;
    p.nx = static_cast<long long>(fxl);
    p.ny = static_cast<long long>(fyl);
    p.cell = ((xf.mirror ? n + 1 : 0) + static_cast<std::size_t>(ix)) * (n + 1) + static_cast<std::size_t>(iy);
    return p;
}

// The runs of a scratch mask, as RasterCanvas::MaskRuns finds them, four
// pixels to a step along the runs.
void ScanMask(const platform::RasterCanvas& mask, std::vector<MaskRun>& out)
{
    out.clear();
    constexpr std::uint32_t Rgb = 0xFFFFFFu;
    const std::uint32_t penKey = platform::RasterCanvas::ToPixel(platform::MaskPen) & Rgb;
    const std::uint32_t brushKey = platform::RasterCanvas::ToPixel(platform::MaskBrush) & Rgb;
    const int w = mask.Width();
    for (int y = 0; y < mask.Height(); ++y) {
        const std::uint32_t* m = mask.Scanline(y);
        int x = 0;
        while (x < w) {
            const std::uint32_t key = m[x] & Rgb;
            int e = x + 1;
#if defined(__SSE2__)
            const __m128i k4 = _mm_set1_epi32(static_cast<int>(key)), rgb4 = _mm_set1_epi32(static_cast<int>(Rgb));
            while (e + 4 <= w) {
                const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m + e)), rgb4);
                const int same = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, k4)));
                if (same != 0xF) {
                    e += __builtin_ctz(static_cast<unsigned>(~same));
                    break;
                }
                e += 4;
            }
            if (e + 4 > w)
#endif
                while (e < w && (m[e] & Rgb) == key) ++e;
            if (key == penKey || key == brushKey) out.push_back({y, x, e, key == penKey});
            x = e;
        }
    }
}

// Pen runs and brush runs that touch in a row, as one pen run: the same
// pixels when pen and brush paint alike.
void JoinRuns(const std::vector<MaskRun>& runs, std::vector<MaskRun>& out)
{
    out.clear();
    for (const MaskRun& r : runs) {
        if (!out.empty() && out.back().y == r.y && out.back().x1 == r.x0)
            out.back().x1 = r.x1;
        else
            out.push_back({r.y, r.x0, r.x1, true});
    }
}

// Draws the figures on a raster of the mask's size, from the points'
// device coordinates X, Y taken from the mask's top left.
void DrawFigures(const FlashTemplate& t, const std::int32_t* X, const std::int32_t* Y, platform::RasterCanvas& m)
{
    thread_local std::vector<Point> pts;
    InitMaskState(m);
    for (const FlashTemplate::Figure& f : t.figures) {
        SetMaskInk(m, f.exposed);
        m.SetPenWidth(f.penWidth);
        if (f.kind == FlashTemplate::Figure::Ellipse) {
            const std::uint32_t a = f.first, b = f.first + 1;
            m.Ellipse(std::min(X[a], X[b]), std::min(Y[a], Y[b]), std::max(X[a], X[b]), std::max(Y[a], Y[b]));
            continue;
        }
        pts.resize(f.count);
        for (std::uint32_t k = 0; k < f.count; ++k) pts[k] = {X[f.first + k], Y[f.first + k]};
        if (f.kind == FlashTemplate::Figure::Polygon)
            m.Polygon(pts);
        else
            m.Polyline(pts);
    }
}

// A flash of template t at (fx, fy): the figures as one mask, each pixel
// changed once, in the canvas's pen colour and mode (brush inside).
// `raster` is the canvas as a raster, or null when it is none.
void DrawTemplate(Canvas& canvas, platform::RasterCanvas* raster, FlashTemplate& t, double fx, double fy, const Xf& xf)
{
    if (t.figures.empty() || t.box.empty()) return;
    const std::size_t n = t.Count();
    const bool kept = Store().Kept(t);
    const bool joinable = canvas.PenColor() == canvas.BrushColor() && canvas.GetBrushStyle() == platform::BrushStyle::Solid;
    auto stamp = [&](const FlashTemplate::Entry& e, int left, int top) {
        if (joinable)
            raster->FillMaskRuns(std::span<const MaskRun>(t.runs.data() + e.joined, e.joinedCount), left, top);
        else
            raster->FillMaskRuns(std::span<const MaskRun>(t.runs.data() + e.runs, e.runCount), left, top);
    };
    Phase phase;
    if (raster && kept) {
        phase = FindPhase(t, fx, fy, xf);
        if (phase.usable) {
            if (const std::int32_t c = t.cellIndex[phase.cell]) {
                const FlashTemplate::Cell& cell = t.cells[static_cast<std::size_t>(c - 1)];
                const long long left = phase.nx + cell.dl, top = phase.ny + cell.dt;
                if (left >= 0 && top >= 0 && left + cell.w <= canvas.Width() && top + cell.h <= canvas.Height() &&
                    phase.nx + cell.minX >= 0 && phase.ny + cell.minY >= 0) {
                    stamp(t.entries[cell.entry], static_cast<int>(left), static_cast<int>(top));
                    return;
                }
                phase.usable = false;
            }
        }
    }
    thread_local std::vector<std::int32_t> points;
    thread_local std::vector<unsigned char> keyBuffer;
    points.resize(2 * n);
    std::int32_t* X = points.data();
    std::int32_t* Y = X + n;
    AxisToDevice(t.baseX.data(), t.offX.data(), n, fx, xf.ox, xf.scale, xf.mirror, X);
    AxisToDevice(t.baseY.data(), t.offY.data(), n, fy, xf.oy, xf.scaleY, true, Y);

    // The device box: the transform keeps the order of coordinates, so the
    // box of the points' device coordinates is the device box of their
    // world box. Growing from EmptyBox matters only near its edges.
    Rect box;
    if (t.fromEmptyBox && !(std::fabs(fx) + t.reach < 1999 && std::fabs(fy) + t.reach < 1999)) {
        MyBox w = EmptyBox;
        for (const std::uint32_t i : t.box)
            GrowBox(w, (fx + t.baseX[i]) + t.offX[i], (fy + t.baseY[i]) + t.offY[i]);
        if (!(w[0] <= w[1] && w[2] <= w[3])) return;
        box = xf.Box(w[0], w[3], w[1], w[2]);
    } else {
        box = {X[t.box[0]], Y[t.box[0]], X[t.box[0]], Y[t.box[0]]};
        for (const std::uint32_t i : t.box) {
            box.left = std::min(box.left, X[i]);
            box.right = std::max(box.right, X[i]);
            box.top = std::min(box.top, Y[i]);
            box.bottom = std::max(box.bottom, Y[i]);
        }
    }
    // The mask: the box grown by the margin, cut to the target.
    const int margin = t.margin;
    const long long left = std::max<long long>(0, static_cast<long long>(box.left) - margin);
    const long long top = std::max<long long>(0, static_cast<long long>(box.top) - margin);
    const long long right = std::min<long long>(canvas.Width(), static_cast<long long>(box.right) + margin + 1);
    const long long bottom = std::min<long long>(canvas.Height(), static_cast<long long>(box.bottom) + margin + 1);
    if (left >= right || top >= bottom) return;
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    const std::int32_t l = static_cast<std::int32_t>(left), tp = static_cast<std::int32_t>(top);
    // The key: the mask's size, then the points from its top left, one
    // byte each when they all fit (as on all but huge masks).
    keyBuffer.resize(8 + 8 * n);
    unsigned char* key = keyBuffer.data();
    const std::int32_t size[2] = {w, h};
    std::memcpy(key, size, sizeof size);
    signed char* small = reinterpret_cast<signed char*>(key + 8);
    const bool fitsX = ShiftValues(X, n, l, small);
    const bool fitsY = ShiftValues(Y, n, tp, small + n);
    std::size_t keyLength = 8 + 2 * n;
    if (!(fitsX && fitsY)) {
        std::memcpy(key + 8, X, 2 * n * sizeof(std::int32_t));
        keyLength = 8 + 8 * n;
    }

    // A mask whole on the picture is what every flash in its cell gets.
    const bool whole = left == static_cast<long long>(box.left) - margin && top == static_cast<long long>(box.top) - margin &&
                       right == static_cast<long long>(box.right) + margin + 1 &&
                       bottom == static_cast<long long>(box.bottom) + margin + 1;
    auto remember = [&](long entry) {
        if (!phase.usable || !whole || entry < 0 || t.cells.size() >= (1u << 30)) return;
        std::int32_t minX = X[0], minY = Y[0];
        for (std::size_t k = 1; k < n; ++k) {
            minX = std::min(minX, X[k]);
            minY = std::min(minY, Y[k]);
        }
        // X and Y are from the mask's top left here.
        FlashTemplate::Cell c{static_cast<std::uint32_t>(entry), static_cast<std::int32_t>(left - phase.nx),
                              static_cast<std::int32_t>(top - phase.ny), w, h, static_cast<std::int32_t>(minX + left - phase.nx),
                              static_cast<std::int32_t>(minY + top - phase.ny)};
        const std::size_t before = t.CacheBytes();
        t.cells.push_back(c);
        t.cellIndex[phase.cell] = static_cast<std::int32_t>(t.cells.size());
        Store().Charge(before, t.CacheBytes());
    };
    std::uint64_t hash = 0;
    if (raster && kept) {
        hash = HashKey(key, keyLength);
        if (const FlashTemplate::Entry* e = FindMask(t, hash, key, keyLength)) {
            stamp(*e, l, tp);
            remember(e - t.entries.data());
            return;
        }
    }
    thread_local std::vector<MaskRun> runs, joined;
    if (raster && kept && Shared().Find(t.figures, hash, key, keyLength, runs, joined)) {
        // Drawn already by another thread.
        remember(AddMask(t, hash, key, keyLength, runs, joined));
        raster->FillMaskRuns(joinable ? joined : runs, l, tp);
        return;
    }
    platform::RasterCanvas& m = Scratch();
    m.Resize(w, h, platform::MaskEmpty);
    DrawFigures(t, X, Y, m);
    if (!raster) {
        canvas.FillMask(m, l, tp);
        return;
    }
    ScanMask(m, runs);
    JoinRuns(runs, joined);
    if (kept) {
        remember(AddMask(t, hash, key, keyLength, runs, joined));
        Shared().Add(t.figures, hash, key, keyLength, runs, joined);
    }
    raster->FillMaskRuns(joinable ? joined : runs, l, tp);
}

void DrawTemplate(Canvas& canvas, FlashTemplate& t, double fx, double fy, const Xf& xf)
{
    DrawTemplate(canvas, dynamic_cast<platform::RasterCanvas*>(&canvas), t, fx, fy, xf);
}

// The thread's flash batch (0: none) and the last one begun.
thread_local std::uint64_t currentBatch = 0, lastBatch = 0;

// The template of macro aperture d through xf, built or rebuilt as needed.
FlashTemplate& MacroTemplate(int d, const MyAperture& a, const Xf& xf)
{
    const double scale = xf.FigureScale();
    TemplateStore::Key key;
    key.kind = TemplateStore::kMacro;
    key.d = d;
    key.scale = xf.scale;
    key.scaleY = xf.scaleY;
    bool fresh = false;
    FlashTemplate& t = Store().Slot(key, fresh);
    const bool checked = currentBatch != 0 && t.checkedIn == currentBatch;
    if (fresh || (!checked && !SameMacro(t, a))) {
        Store().Charge(t.CacheBytes(), 0);
        t.Clear();
        MacroFigures(t, a, scale);
        if (t.Count() > TemplateStore::MaxPoints) {
            // Too large to keep: only what it was built from stays.
            std::vector<std::int32_t> counts = std::move(t.valueCounts);
            std::vector<double> values = std::move(t.values);
            t.Clear();
            t.first = a.FirstPrimitive, t.last = a.LastPrimitive;
            t.valueCounts = std::move(counts);
            t.values = std::move(values);
            t.tooLarge = true;
        }
    }
    t.checkedIn = currentBatch;
    if (!t.tooLarge) return t;
    FlashTemplate& once = Store().Once();
    MacroFigures(once, a, scale);
    return once;
}

} // namespace

int PenWidthPixels(int d, double scale)
{
    const MyAperture* a = ApertureAt(d);
    const double w = std::trunc((a ? a->Size1 : 0.0) * scale + 0.7);
    if (!(w >= 1)) return 1;
    return static_cast<int>(std::min(w, static_cast<double>(Canvas::MaxPenWidth)));
}

void DevicePoint(bool mirror, std::int32_t& px, std::int32_t& py, double x, double y, double ox, double oy, double scale)
{
    px = SaturateCoord((mirror ? ox - x : x + ox) * scale);
    py = SaturateCoord((oy - y) * scale);
}

void DevicePolygon(const MyPointArray& points, bool mirror, MyTPointArray& out, double scale, double ox, double oy)
{
    out.resize(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) DevicePoint(mirror, out[k].x, out[k].y, points[k].x, points[k].y, ox, oy, scale);
}

void DeviceRect(bool mirror, Rect& rect, double scale, double ox, double oy, double x1, double y1, double x2, double y2)
{
    DevicePoint(mirror, rect.left, rect.top, x1, y1, ox, oy, scale);
    DevicePoint(mirror, rect.right, rect.bottom, x2, y2, ox, oy, scale);
}

int CirclePoints(int n, MyPointArray& points, double radius, double cx, double cy)
{
    points.clear();
    if (n < 3) return 0;
    points.reserve(static_cast<std::size_t>(n) + 1);
    for (int k = 0; k < n; ++k) {
        const double a = TwoPi * k / n;
        points.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
    }
    points.push_back(points.front());
    return n + 1;
}

std::size_t FlashMaskBytes() { return Store().HeldBytes(); }

FlashBatch::FlashBatch() : outer_(currentBatch) { currentBatch = ++lastBatch; }
FlashBatch::~FlashBatch() { currentBatch = outer_; }

static void ThermalFlash(Canvas& canvas, const Xf& xf, double rotation, double gap, double outer, double inner, double cx, double cy)
{
    const double r = outer / 2;
    if (!(r > 0)) return;
    TemplateStore::Key key;
    key.kind = TemplateStore::kThermal;
    key.scale = xf.scale;
    key.scaleY = xf.scaleY;
    key.p[0] = rotation, key.p[1] = gap, key.p[2] = outer, key.p[3] = inner;
    bool fresh = false;
    FlashTemplate& t = Store().Slot(key, fresh);
    if (fresh) {
        ThermalFigures(t, xf.FigureScale(), rotation, gap, outer, inner, {0, 0});
        t.CircleBox({0, 0}, r, true);
    }
    DrawTemplate(canvas, t, cx, cy, xf);
}

void DrawThermal(Canvas& canvas, bool mirror, double scale, double ox, double oy, double rotation, double gap,
                 double outer, double inner, double cx, double cy)
{
    ThermalFlash(canvas, Xf{mirror, scale, ox, oy, scale}, rotation, gap, outer, inner, cx, cy);
}

// An oval flash on a raster with a solid pen: its outline polygon as a
// template, so that a flash only finds its kept mask. The points are
// those of StrokeOutline, summed in the same order: (F + end) + offset.
// False when the flash is to be drawn as a plain polygon.
bool DrawOvalTemplate(Canvas& canvas, int code, const MyAperture& a, double x, double y, const Xf& xf)
{
    auto* raster = dynamic_cast<platform::RasterCanvas*>(&canvas);
    if (!raster || canvas.GetPenStyle() != platform::PenStyle::Solid || !std::isfinite(x) || !std::isfinite(y)) return false;
    const bool across = a.Size1 - a.Size2 > 0.0004;
    const double d = across ? (a.Size1 - a.Size2) / 2 : (a.Size2 - a.Size1) / 2;
    // The direction from P to Q as Direction finds it for this flash: along
    // x always 0; along y 0 where the ends are within its tolerance.
    const double direction = across || std::fabs((y - d) - (y + d)) <= 0.001 ? 0.0 : Pi / 2;
    TemplateStore::Key key;
    key.kind = TemplateStore::kOval;
    key.d = code;
    key.scale = xf.scale;
    key.scaleY = xf.scaleY;
    key.p[0] = a.Size1, key.p[1] = a.Size2, key.p[2] = direction;
    bool fresh = false;
    FlashTemplate& t = Store().Slot(key, fresh);
    if (fresh) {
        std::array<double, 16> ox{}, oy{};
        StrokeOffsets(across ? a.Size2 : a.Size1, direction, ox, oy);
        const MyPoint q = across ? MyPoint{d, 0} : MyPoint{0, d};
        const MyPoint p = across ? MyPoint{-d, 0} : MyPoint{0, -d};
        t.Begin(FlashTemplate::Figure::Polygon, true, 1);
        for (std::size_t k = 0; k < 16; ++k) t.box.push_back(t.Add({k < 8 ? q : p, {ox[k], oy[k]}}));
        t.Add({q, {ox[0], oy[0]}});
        t.End();
    }
    DrawTemplate(canvas, raster, t, x, y, xf);
    return true;
}

static void PolygonFlash(Canvas& canvas, int d, const Xf& xf, double cx, double cy)
{
    const MyAperture* a = ApertureAt(d);
    if (!a || !(a->Size1 >= 0.001) || !PolygonVerticesValid(a->Size2)) return;
    const int n = static_cast<int>(std::trunc(a->Size2));
    const double r = a->Size1 / 2, start = a->Size3 * Pi / 180.0;
    MyTPointArray dev(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double ang = start + TwoPi * k / n;
        dev[static_cast<std::size_t>(k)] = xf.P(cx + r * std::cos(ang), cy + r * std::sin(ang));
    }
    canvas.Polygon(dev);
}

void DrawPolygonFlash(Canvas& canvas, int d, bool mirror, double scale, double ox, double oy, double cx, double cy)
{
    PolygonFlash(canvas, d, Xf{mirror, scale, ox, oy, scale}, cx, cy);
}


void DrawMoire(Canvas& canvas, int k, bool mirror, double scale, double ox, double oy, double fx, double fy)
{
    if (!ValidMacroIndex(k) || PrimitiveCode(Macros[static_cast<std::size_t>(k)]) != 6) return;
    double cx = 0, cy = 0, radius = 0, half = 0;
    int count = 0;
    MyTwoPointArray segs;
    MoirePrimitiveGeometry(k, cx, cy, count, segs, half, radius, 0, 0);
    const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
    const double reach = std::max(std::fabs(radius), std::fabs(mc.V(8)) / 2);
    if (!std::isfinite(reach)) return;
    FlashTemplate& t = Store().Once();
    t.margin = std::max(PixelWidth(mc.V(4), scale), PixelWidth(mc.V(7), scale)) + 2;
    MoireFigures(t, scale, k, {cx, cy});
    t.CircleBox({cx, cy}, reach, true);
    DrawTemplate(canvas, t, fx, fy, Xf{mirror, scale, ox, oy, scale});
}

void DrawFlash(Canvas& canvas, int i, bool mirror, Color background, double scale, double ox, double oy)
{
    DrawFlash(canvas, i, mirror, background, scale, scale, ox, oy);
}

void DrawFlash(Canvas& canvas, int i, bool mirror, Color /*background*/, double scaleX, double scaleY, double ox, double oy)
{
    if (i < 0 || i >= DataCount || static_cast<std::size_t>(i) >= Datas.size()) return;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const MyAperture* ap = ApertureAt(e.Code);
    if (!ap) return;
    const MyAperture& a = *ap;
    const double x = e.X3, y = e.Y3;
    const Xf xf{mirror, scaleX, ox, oy, scaleY};
    canvas.SetPenWidth(1);
    if (a.Shape != apMacro) {
        // Below two pixels across its largest dimension a flash is one pixel.
        double largest = a.Size1;
        if (a.Shape == apOval || a.Shape == apRectangle || a.Shape == apThermal45 || a.Shape == apThermal90)
            largest = std::max(a.Size1, a.Size2);
        if (!(largest * xf.FigureScale() >= 2.0)) {
            // A two-point polyline: the pen mode applies and the current
            // position stays where the caller left it.
            const Point p = xf.P(x, y);
            const Point dot[2] = {p, p};
            canvas.Polyline(dot);
            return;
        }
    }
    switch (a.Shape) {
    case apCircle: {
        const double r = a.Size1 / 2;
        const Rect b = xf.Box(x - r, y + r, x + r, y - r);
        canvas.Ellipse(b.left, b.top, b.right, b.bottom);
        return;
    }
    case apSquare:
    case apRectangle: {
        const double hx = a.Size1 / 2, hy = (a.Shape == apSquare ? a.Size1 : a.Size2) / 2;
        const Rect b = xf.Box(x - hx, y + hy, x + hx, y - hy);
        canvas.Rectangle(b.left, b.top, b.right, b.bottom);
        return;
    }
    case apOval: {
        if (DrawOvalTemplate(canvas, e.Code, a, x, y, xf)) return;
        std::array<MyPoint, 17> outline;
        if (a.Size1 - a.Size2 > 0.0004) {
            const double d = (a.Size1 - a.Size2) / 2;
            StrokeOutline(outline, a.Size2, x - d, y, x + d, y);
        } else {
            const double d = (a.Size2 - a.Size1) / 2;
            StrokeOutline(outline, a.Size1, x, y - d, x, y + d);
        }
        std::array<MyTPoint, 17> dev;
        for (std::size_t k = 0; k < outline.size(); ++k) dev[k] = xf.P(outline[k].x, outline[k].y);
        canvas.Polygon(dev);
        return;
    }
    case apThermal45:
    case apThermal90:
        ThermalFlash(canvas, xf, a.Shape == apThermal45 ? 45.0 : 0.0, a.Size3, a.Size2, a.Size1, x, y);
        return;
    case apPolygon:
        PolygonFlash(canvas, e.Code, xf, x, y);
        return;
    case apMacro:
        break;
    default:
        return;
    }
    if (!ValidMacroRange(a)) return;
    canvas.SetBrushStyle(platform::BrushStyle::Solid);
    DrawTemplate(canvas, MacroTemplate(e.Code, a, xf), x, y, xf);
}

double FlashDistance(int d, double fx, double fy, double px, double py)
{
    const MyAperture* ap = ApertureAt(d);
    if (!ap) return FarAway;
    const MyAperture& a = *ap;
    const MyPoint probe{px, py};
    MyPoint nearest, anchor;
    MyPointArray poly;
    switch (a.Shape) {
    case apCircle:
        return Distance(fx, fy, px, py) - a.Size1 / 2;
    case apSquare:
    case apRectangle:
    case apPolygon:
        ApertureOutline(d, poly, fx, fy);
        return PointPolygonDistance(probe, poly, nearest);
    case apOval: {
        MyPoint c1, c2;
        double r = 0;
        if (!OvalCentres(d, c1, r, c2, fx, fy)) return FarAway;
        return PointSegmentDistance(probe, MySegment{c1, c2}, nearest, anchor) - r;
    }
    case apThermal45:
    case apThermal90:
        return Distance(fx, fy, px, py) - a.Size2 / 2;
    case apMacro:
        break;
    default:
        return FarAway;
    }
    if (!ValidMacroRange(a)) return FarAway;
    double best = FarAway;
    auto take = [&](double v) {
        if (v < best) best = v;
    };
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
        switch (PrimitiveCode(mc)) {
        case 1:
        case 7: {
            double cx = 0, cy = 0, r = 0;
            if (CirclePrimitiveGeometry(k, cx, cy, r, fx, fy)) take(Distance(cx, cy, px, py) - r);
            break;
        }
        case 2: case 4: case 5: case 20: case 21: case 22:
            MacroPrimitivePolygon(k, poly, fx, fy);
            take(PointPolygonDistance(probe, poly, nearest));
            break;
        case 6: {
            double cx = 0, cy = 0, r = 0, half = 0;
            int count = 0;
            MyTwoPointArray segs;
            if (!MoirePrimitiveGeometry(k, cx, cy, count, segs, half, r, fx, fy)) break;
            take(Distance(cx, cy, px, py) - r);
            // Four arms from the centre: the halves of the two cross-hair lines.
            const MyPoint c{cx, cy};
            for (const MyTwoPoint& s : segs) {
                take(PointSegmentDistance(probe, MySegment{c, s.a}, nearest, anchor) - half);
                take(PointSegmentDistance(probe, MySegment{c, s.b}, nearest, anchor) - half);
            }
            break;
        }
        default:
            break;
        }
    }
    return best;
}

void GroupRange(int i, int& first, int& last)
{
    first = last = i;
    if (i < 0 || i >= DataCount || static_cast<std::size_t>(i) >= Datas.size()) return;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    if (e.Group < 1) return;
    const int end = std::min<long long>(DataCount, static_cast<long long>(Datas.size())) - 1;
    auto same = [&](int k) {
        const DataElement& o = Datas[static_cast<std::size_t>(k)];
        return o.Group == e.Group && o.Layer == e.Layer;
    };
    while (first > 0 && same(first - 1)) --first;
    while (last < end && same(last + 1)) ++last;
}

void ArcToPoints(int kind, MyPointArray& points, int& n, double radius, double cx, double cy, double sx, double sy,
                 double ex, double ey)
{
    points.clear();
    if (n < 1) n = 1;
    const bool ccw = kind == dkArcCCW || kind == dkRegionArcCCW;
    const bool cw = kind == dkArcCW || kind == dkRegionArcCW;
    const bool circle = kind == dkCircleCCW || kind == dkCircleCW || kind == dkRegionCircleCCW || kind == dkRegionCircleCW;
    if (!ccw && !cw && !circle) return;
    if (!(radius > 0)) {
        points = {{sx, sy}, {ex, ey}};
        n = 1;
        return;
    }
    points.reserve(static_cast<std::size_t>(n) + 1);
    if (circle) {
        for (int k = 1; k <= n + 1; ++k) {
            const double a = -k * TwoPi / n;
            points.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
        }
        return;
    }
    const double a1 = Direction(cx, cy, sx, sy), a2 = Direction(cx, cy, ex, ey);
    double sweep;
    if (ccw)
        sweep = a2 < a1 ? TwoPi - a1 + a2 : a2 - a1;
    else
        sweep = a1 < a2 ? TwoPi + a1 - a2 : a1 - a2;
    const double step = (ccw ? sweep : -sweep) / n;
    points.push_back({sx, sy});
    for (int k = 1; k < n; ++k) points.push_back({cx + radius * std::cos(a1 + k * step), cy + radius * std::sin(a1 + k * step)});
    points.push_back({ex, ey});
}

int ArcPoints(int kind, MyPointArray& points, int n, double radius, double cx, double cy, double sx, double sy)
{
    points.clear();
    if (n < 1) return 0;
    const double a0 = Direction(cx, cy, sx, sy);
    const double step = (kind == dkRegionCircleCCW ? TwoPi : -TwoPi) / n;
    points.reserve(static_cast<std::size_t>(n) + 1);
    for (int k = 0; k <= n; ++k) points.push_back({cx + radius * std::cos(a0 + k * step), cy + radius * std::sin(a0 + k * step)});
    return n + 1;
}

long long ArcChords(double sweep, double radius, double scale)
{
    // The sag of a chord over θ is r (1 − cos(θ/2)) ≤ r θ² / 8.
    const double rpx = std::fabs(radius * scale);
    if (!(rpx > 0) || !std::isfinite(rpx) || !(sweep > 0) || !std::isfinite(sweep)) return 1;
    return static_cast<long long>(std::clamp(std::ceil(sweep / std::sqrt(2.0 / rpx)), 1.0, 1e9));
}

namespace {

// The box of the arc of radius r about (cx, cy) between angles a and b
// (a < b), its ends and the extremes it passes.
MyBox ArcPieceBox(double cx, double cy, double r, double a, double b)
{
    MyBox box{HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL};
    GrowBox(box, cx + r * std::cos(a), cy + r * std::sin(a));
    GrowBox(box, cx + r * std::cos(b), cy + r * std::sin(b));
    for (double q = std::ceil(a / (Pi / 2)) * (Pi / 2); q < b; q += Pi / 2) GrowBox(box, cx + r * std::cos(q), cy + r * std::sin(q));
    return box;
}

bool Meets(const MyBox& a, const MyBox& b) { return !(a[1] < b[0] || a[0] > b[1] || a[3] < b[2] || a[2] > b[3]); }

} // namespace

void AppendArcPoints(MyPointArray& points, double cx, double cy, double r, double a0, double sweep, double scale, const MyBox& near,
                     bool first)
{
    constexpr long long Uniform = 4096, Piece = 64, Unbounded = 65536;
    const bool bounded = std::isfinite(near[0]) && std::isfinite(near[1]) && std::isfinite(near[2]) && std::isfinite(near[3]);
    long long n = ArcChords(std::fabs(sweep), r, scale);
    if (!bounded) n = std::min(n, Unbounded);
    const double step = sweep / static_cast<double>(n);
    auto at = [&](long long k) {
        const double a = a0 + step * static_cast<double>(k);
        points.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    };
    if (first) at(0);
    if (n <= Uniform || !bounded) {
        for (long long k = 1; k <= n; ++k) at(k);
        return;
    }
    // Halves of the chords that meet the box until pieces of a few chords:
    // a piece whose arc misses the box is one chord, which misses it too
    // (it lies within the arc's box). The points kept are those of the
    // uniform chords, so the picture does not depend on the box.
    auto emit = [&](auto& self, long long k0, long long k1) -> void {
        const double a = a0 + step * static_cast<double>(k0), b = a0 + step * static_cast<double>(k1);
        if (!Meets(ArcPieceBox(cx, cy, r, std::min(a, b), std::max(a, b)), near)) {
            at(k1);
        } else if (k1 - k0 <= Piece) {
            for (long long k = k0 + 1; k <= k1; ++k) at(k);
        } else {
            const long long mid = k0 + (k1 - k0) / 2;
            self(self, k0, mid);
            self(self, mid, k1);
        }
    };
    emit(emit, 0, n);
}

void ArcDrawPoints(int kind, MyPointArray& points, double radius, double cx, double cy, double sx, double sy, double ex, double ey,
                   double scale, const MyBox& near)
{
    points.clear();
    double a0 = 0, sweep = 0;
    if (!ArcStartAndSweep(kind, cx, cy, sx, sy, ex, ey, a0, sweep)) return;
    if (!(radius > 0)) {
        points = {{sx, sy}, {ex, ey}};
        return;
    }
    if (std::fabs(sweep) == TwoPi) {
        AppendArcPoints(points, cx, cy, radius, a0, sweep, scale, near, true);
        return;
    }
    points.push_back({sx, sy});
    AppendArcPoints(points, cx, cy, radius, a0, sweep, scale, near, false);
    points.back() = {ex, ey};
}

} // namespace core
