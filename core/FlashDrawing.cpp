#include "core/FlashDrawing.h"

#include "core/Distances.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "platform/RasterCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

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

// The device transform, moved by a whole-pixel offset when drawing into a
// scratch mask whose top left is (dx, dy) on the target.
struct Xf {
    bool mirror = false;
    double scale = 1, ox = 0, oy = 0;
    int dx = 0, dy = 0;

    Point P(double x, double y) const
    {
        std::int32_t px, py;
        DevicePoint(mirror, px, py, x, y, ox, oy, scale);
        return {px - dx, py - dy};
    }
    void Poly(const MyPointArray& pts, MyTPointArray& out) const
    {
        out.resize(pts.size());
        for (std::size_t k = 0; k < pts.size(); ++k) out[k] = P(pts[k].x, pts[k].y);
    }
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

// A canvas that only writes down the figures drawn on it and the state
// each was drawn with. The mask is a function of that list and its size
// alone (the figures are in mask coordinates), so a flash whose list
// matches one seen before gets the same pixels without drawing them.
// Masks hold figures only: text and masks are not kept.
class MaskRecorder final : public Canvas {
public:
    enum Op : std::int32_t { opMoveTo = 1, opLineTo, opPolyline, opPolygon, opEllipse, opRectangle, opFillRect, opSetPixel };

    void Reset(int w, int h)
    {
        width_ = w;
        height_ = h;
        record_.clear();
        penPos_ = {};
    }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    const std::vector<std::int32_t>& Record() const { return record_; }

    void MoveTo(int x, int y) override
    {
        Put(opMoveTo, {x, y});
        penPos_ = {platform::SaturateCoord(static_cast<long long>(x)), platform::SaturateCoord(static_cast<long long>(y))};
    }
    void LineTo(int x, int y) override
    {
        Put(opLineTo, {x, y});
        penPos_ = {platform::SaturateCoord(static_cast<long long>(x)), platform::SaturateCoord(static_cast<long long>(y))};
    }
    void Polyline(std::span<const Point> points) override { PutPoints(opPolyline, points); }
    void Polygon(std::span<const Point> points) override { PutPoints(opPolygon, points); }
    void Ellipse(int l, int t, int r, int b) override { Put(opEllipse, {l, t, r, b}); }
    void Rectangle(int l, int t, int r, int b) override { Put(opRectangle, {l, t, r, b}); }
    void FillRect(const Rect& r) override { Put(opFillRect, {r.left, r.top, r.right, r.bottom}); }
    void SetPixel(int x, int y, Color c) override { Put(opSetPixel, {x, y, static_cast<std::int32_t>(c)}); }
    void TextOut(int, int, std::string_view) override {}
    platform::TextSize TextExtent(std::string_view) override { return {}; }
    void FillMask(const platform::RasterCanvas&, int, int) override {}

    // Draws the recorded figures on a raster of the mask's size.
    static void Replay(const std::vector<std::int32_t>& rec, platform::RasterCanvas& m)
    {
        std::vector<Point> pts;
        std::size_t k = 0;
        while (k + 6 <= rec.size()) {
            const std::int32_t op = rec[k], modes = rec[k + 4], argc = rec[k + 5];
            m.SetPenColor(static_cast<Color>(rec[k + 1]));
            m.SetBrushColor(static_cast<Color>(rec[k + 2]));
            m.SetPenWidth(rec[k + 3]);
            m.SetPenMode(static_cast<platform::PenMode>(modes & 0xFF));
            m.SetPenStyle(static_cast<platform::PenStyle>((modes >> 8) & 0xFF));
            m.SetBrushStyle(static_cast<platform::BrushStyle>((modes >> 16) & 0xFF));
            const std::int32_t* a = rec.data() + k + 6;
            switch (op) {
            case opMoveTo: m.MoveTo(a[0], a[1]); break;
            case opLineTo: m.LineTo(a[0], a[1]); break;
            case opPolyline:
            case opPolygon:
                pts.resize(static_cast<std::size_t>(argc / 2));
                for (std::size_t i = 0; i < pts.size(); ++i) pts[i] = {a[2 * i], a[2 * i + 1]};
                if (op == opPolyline)
                    m.Polyline(pts);
                else
                    m.Polygon(pts);
                break;
            case opEllipse: m.Ellipse(a[0], a[1], a[2], a[3]); break;
            case opRectangle: m.Rectangle(a[0], a[1], a[2], a[3]); break;
            case opFillRect: m.FillRect({a[0], a[1], a[2], a[3]}); break;
            case opSetPixel: m.SetPixel(a[0], a[1], static_cast<Color>(a[2])); break;
            default: break;
            }
            k += 6 + static_cast<std::size_t>(argc);
        }
    }

private:
    void Head(std::int32_t op, std::size_t argc)
    {
        const std::int32_t modes = static_cast<std::int32_t>(penMode_) | (static_cast<std::int32_t>(penStyle_) << 8) |
                                   (static_cast<std::int32_t>(brushStyle_) << 16);
        const std::int32_t head[6] = {op, static_cast<std::int32_t>(penColor_), static_cast<std::int32_t>(brushColor_), penWidth_, modes,
                                      static_cast<std::int32_t>(argc)};
        record_.insert(record_.end(), head, head + 6);
    }
    void Put(std::int32_t op, std::initializer_list<std::int32_t> args)
    {
        Head(op, args.size());
        record_.insert(record_.end(), args.begin(), args.end());
    }
    void PutPoints(std::int32_t op, std::span<const Point> points)
    {
        Head(op, points.size() * 2);
        for (const Point& p : points) {
            record_.push_back(p.x);
            record_.push_back(p.y);
        }
    }

    int width_ = 0, height_ = 0;
    std::vector<std::int32_t> record_;
};

// Masks drawn before, by their size and figure list; dropped whole when
// they take too much memory.
class MaskCache {
public:
    const std::vector<platform::RasterCanvas::MaskRun>* Find(const MaskRecorder& r)
    {
        const auto it = index_.find(Hash(r));
        if (it == index_.end()) return nullptr;
        const Entry& e = entries_[it->second];
        if (e.w != r.Width() || e.h != r.Height() || e.record != r.Record()) return nullptr;
        return &e.runs;
    }
    // Keeps the runs of a mask just drawn (unless another mask holds its hash).
    void Add(const MaskRecorder& r, const std::vector<platform::RasterCanvas::MaskRun>& runs)
    {
        const std::size_t cost = r.Record().size() * sizeof(std::int32_t) + runs.size() * sizeof(platform::RasterCanvas::MaskRun) + 64;
        if (cost > MaxBytes / 16) return;
        if (bytes_ + cost > MaxBytes) {
            index_.clear();
            entries_.clear();
            bytes_ = 0;
        }
        if (!index_.emplace(Hash(r), entries_.size()).second) return;
        entries_.push_back({r.Width(), r.Height(), r.Record(), runs});
        bytes_ += cost;
    }

private:
    static constexpr std::size_t MaxBytes = std::size_t{32} << 20;
    struct Entry {
        int w, h;
        std::vector<std::int32_t> record;
        std::vector<platform::RasterCanvas::MaskRun> runs;
    };
    static std::uint64_t Hash(const MaskRecorder& r)
    {
        // Four independent lanes over pairs of values: short dependency chains.
        constexpr std::uint64_t K = 0x9E3779B97F4A7C15ULL;
        std::uint64_t h[4] = {K ^ static_cast<std::uint32_t>(r.Width()), K ^ static_cast<std::uint32_t>(r.Height()), K + 1, K + 2};
        const std::vector<std::int32_t>& rec = r.Record();
        const std::size_t words = rec.size() / 2;
        std::size_t i = 0;
        for (; i + 4 <= words; i += 4)
            for (int l = 0; l < 4; ++l) {
                std::uint64_t w;
                std::memcpy(&w, rec.data() + 2 * (i + static_cast<std::size_t>(l)), sizeof w);
                h[l] = (h[l] ^ w) * K;
                h[l] ^= h[l] >> 31;
            }
        for (std::size_t k = 2 * i; k < rec.size(); ++k) h[0] = ((h[0] ^ static_cast<std::uint32_t>(rec[k])) * K) ^ (h[0] >> 29);
        std::uint64_t out = rec.size();
        for (const std::uint64_t v : h) out = (out ^ v) * 0x100000001B3ULL ^ (out >> 27);
        return out;
    }
    std::unordered_map<std::uint64_t, std::size_t> index_;
    std::vector<Entry> entries_;
    std::size_t bytes_ = 0;
};

struct MaskJob {
    bool recording = false;
    MaskRecorder recorder;
    MaskCache cache;
    std::vector<platform::RasterCanvas::MaskRun> runs;
};
MaskJob& Job()
{
    thread_local MaskJob job;
    return job;
}

// Where the figures of the current mask go: the recorder when the target
// is a raster, else the scratch raster itself.
Canvas& MaskCanvas()
{
    MaskJob& j = Job();
    if (j.recording) return j.recorder;
    return Scratch();
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

// Prepares the mask over the device box `box` (grown by `margin`) clipped
// to the target. False when nothing of it is on the target.
bool BeginMask(Canvas& target, Rect box, int margin, const Xf& xf, Xf& maskXf)
{
    const long long left = std::max<long long>(0, static_cast<long long>(box.left) - margin);
    const long long top = std::max<long long>(0, static_cast<long long>(box.top) - margin);
    const long long right = std::min<long long>(target.Width(), static_cast<long long>(box.right) + margin + 1);
    const long long bottom = std::min<long long>(target.Height(), static_cast<long long>(box.bottom) + margin + 1);
    if (left >= right || top >= bottom) return false;
    MaskJob& j = Job();
    j.recording = dynamic_cast<platform::RasterCanvas*>(&target) != nullptr;
    if (j.recording) {
        j.recorder.Reset(static_cast<int>(right - left), static_cast<int>(bottom - top));
        InitMaskState(j.recorder);
    } else {
        platform::RasterCanvas& m = Scratch();
        m.Resize(static_cast<int>(right - left), static_cast<int>(bottom - top), platform::MaskEmpty);
        InitMaskState(m);
    }
    maskXf = xf;
    maskXf.dx = xf.dx + static_cast<int>(left);
    maskXf.dy = xf.dy + static_cast<int>(top);
    return true;
}

void EndMask(Canvas& target, const Xf& maskXf, const Xf& xf)
{
    const int left = maskXf.dx - xf.dx, top = maskXf.dy - xf.dy;
    MaskJob& j = Job();
    if (!j.recording) {
        target.FillMask(Scratch(), left, top);
        return;
    }
    j.recording = false;
    auto& raster = static_cast<platform::RasterCanvas&>(target);
    if (const auto* runs = j.cache.Find(j.recorder)) {
        raster.FillMaskRuns(*runs, left, top);
        return;
    }
    platform::RasterCanvas& m = Scratch();
    m.Resize(j.recorder.Width(), j.recorder.Height(), platform::MaskEmpty);
    InitMaskState(m);
    MaskRecorder::Replay(j.recorder.Record(), m);
    platform::RasterCanvas::MaskRuns(m, j.runs);
    j.cache.Add(j.recorder, j.runs);
    raster.FillMaskRuns(j.runs, left, top);
}

// Chords for an arc of `sweep` radians and radius r: none falls more than a
// quarter pixel inside the circle (sag ≈ r θ² / 8); at least six.
int ArcSegments(double sweep, double radius, double scale)
{
    const double rpx = std::fabs(radius * scale);
    if (!(rpx > 0) || !std::isfinite(rpx) || !(sweep > 0)) return 6;
    const double n = std::ceil(sweep / std::sqrt(2.0 / rpx));
    return static_cast<int>(std::clamp(n, 6.0, 1024.0));
}

// Segments of a moiré ring: 32, or more on a large ring, by the same rule.
int RingSegments(double radius, double scale) { return std::clamp(ArcSegments(2 * Pi, radius, scale), 32, 1024); }

// Four pads on a mask (exposed ink set by the caller). A gap at least as
// wide as the inner radius leaves no pad to cut: the full ring is drawn.
void ThermalOn(Canvas& m, const Xf& xf, double rotation, double gap, double outer, double inner, double cx, double cy)
{
    const double ro = outer / 2, ri = inner / 2, g = gap / 2;
    if (!(ri >= 0.001 && ro >= 0.001 && g >= 0.001)) return;
    if (g >= ri) {
        const Rect o = xf.Box(cx - ro, cy + ro, cx + ro, cy - ro);
        m.Ellipse(o.left, o.top, o.right, o.bottom);
        const Color pen = m.PenColor(), brush = m.BrushColor();
        SetMaskInk(m, false);
        const Rect i = xf.Box(cx - ri, cy + ri, cx + ri, cy - ri);
        m.Ellipse(i.left, i.top, i.right, i.bottom);
        m.SetPenColor(pen);
        m.SetBrushColor(brush);
        return;
    }
    // The angles depend on the aperture and scale alone: their sines and
    // cosines are kept for the next flash of the same thermal.
    struct Table {
        double rotation = 0, gap = 0, outer = 0, inner = 0, scale = 0;
        bool empty = true, valid = false;
        int no = 0, ni = 0;
        std::vector<double> cs, sn;   // outer arc then inner arc, per pad
    };
    thread_local Table t;
    if (!t.valid || t.rotation != rotation || t.gap != gap || t.outer != outer || t.inner != inner || t.scale != xf.scale) {
        t.valid = true;
        t.rotation = rotation, t.gap = gap, t.outer = outer, t.inner = inner, t.scale = xf.scale;
        const double a0 = std::asin(g / ro), a4 = Pi / 2 - a0;
        // The bridges meet and nothing of the ring is left.
        t.empty = !(a4 > a0);
        if (!t.empty) {
            // The pad: the outer arc from a0 to a4, then the inner arc back.
            // Both arcs in as many chords as keep them within a quarter
            // pixel of the circle, at least six.
            const double ai0 = Pi / 2 - std::asin(g / ri), ai4 = std::asin(g / ri);
            t.no = ArcSegments(a4 - a0, ro, xf.scale), t.ni = ArcSegments(ai0 - ai4, ri, xf.scale);
            const std::size_t per = static_cast<std::size_t>(t.no + t.ni + 2);
            t.cs.resize(4 * per);
            t.sn.resize(4 * per);
            double rot = rotation * Pi / 180.0;
            for (int q = 0; q < 4; ++q, rot += Pi / 2) {
                std::size_t k = static_cast<std::size_t>(q) * per;
                for (int j = 0; j <= t.no; ++j, ++k) {
                    const double a = a0 + (a4 - a0) * j / t.no + rot;
                    t.cs[k] = std::cos(a);
                    t.sn[k] = std::sin(a);
                }
                for (int j = 0; j <= t.ni; ++j, ++k) {
                    const double a = ai0 + (ai4 - ai0) * j / t.ni + rot;
                    t.cs[k] = std::cos(a);
                    t.sn[k] = std::sin(a);
                }
            }
        }
    }
    if (t.empty) return;
    const std::size_t per = static_cast<std::size_t>(t.no + t.ni + 2);
    thread_local MyTPointArray dev;
    dev.resize(per + 1);
    for (int q = 0; q < 4; ++q) {
        const double* cs = t.cs.data() + static_cast<std::size_t>(q) * per;
        const double* sn = t.sn.data() + static_cast<std::size_t>(q) * per;
        std::size_t k = 0;
        for (int j = 0; j <= t.no; ++j, ++k) dev[k] = xf.P(cx + ro * cs[k], cy + ro * sn[k]);
        for (int j = 0; j <= t.ni; ++j, ++k) dev[k] = xf.P(cx + ri * cs[k], cy + ri * sn[k]);
        dev[k] = dev[0];
        m.Polygon(dev);
    }
}

void MoireOn(Canvas& m, const Xf& xf, int k, double fx, double fy)
{
    const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
    const double outer = mc.V(3), thickness = mc.V(4), gap = mc.V(5), maxRings = mc.V(6);
    const double crossThickness = mc.V(7), crossLength = mc.V(8), rotation = mc.V(9);
    const double pitch = thickness + gap;
    if (!(pitch >= 0.001)) return;
    double cx = fx, cy = fy, radiusOuter = 0, half = 0;
    int crossCount = 0;
    MyTwoPointArray segments;
    // The centre offset turns with the rotation about the flash point.
    MoirePrimitiveGeometry(k, cx, cy, crossCount, segments, half, radiusOuter, fx, fy);
    const int keepWidth = m.PenWidth();
    m.SetPenWidth(PixelWidth(thickness, xf.scale));
    double radius = (outer - thickness) / 2;
    const double ringLimit = std::isfinite(maxRings) ? std::min(maxRings, static_cast<double>(MaxMoireRings)) : 0.0;
    MyPointArray ring;
    MyTPointArray dev;
    for (int count = 0;;) {
        CirclePoints(RingSegments(radius, xf.scale), ring, radius, cx, cy);
        xf.Poly(ring, dev);
        m.Polyline(dev);
        ++count;
        if (count >= ringLimit || count >= MaxMoireRings) break;
        radius -= pitch;
        if (!(radius >= 0.001)) break;
    }
    // Cross-hair: four arms from the centre.
    if (crossThickness > 0 && crossLength > 0) {
        m.SetPenWidth(PixelWidth(crossThickness, xf.scale));
        const Point c = xf.P(cx, cy);
        double a = rotation * Pi / 180.0;
        for (int q = 0; q < 4; ++q, a += Pi / 2) {
            const Point arm[2] = {c, xf.P(cx + crossLength / 2 * std::cos(a), cy + crossLength / 2 * std::sin(a))};
            m.Polyline(arm);
        }
    }
    m.SetPenWidth(keepWidth);
}

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

void MacroOn(Canvas& m, const Xf& xf, const MyAperture& a, double fx, double fy)
{
    MyPointArray outline;
    MyTPointArray dev;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
        const int code = PrimitiveCode(mc);
        switch (code) {
        case 1: case 2: case 4: case 5: case 20: case 21: case 22: {
            const double e = mc.V(1);
            SetMaskInk(m, std::isfinite(e) && std::trunc(e) == 1.0);
            if (code == 1) {
                double cx = 0, cy = 0, r = 0;
                if (!CirclePrimitiveGeometry(k, cx, cy, r, fx, fy)) break;
                const Rect b = xf.Box(cx - r, cy + r, cx + r, cy - r);
                m.Ellipse(b.left, b.top, b.right, b.bottom);
            } else {
                MacroPrimitivePolygon(k, outline, fx, fy);
                if (outline.size() < 2) break;
                xf.Poly(outline, dev);
                m.Polygon(dev);
            }
            break;
        }
        case 6:
            SetMaskInk(m, true);
            MoireOn(m, xf, k, fx, fy);
            break;
        case 7: {
            SetMaskInk(m, true);
            double cx = fx + mc.V(1), cy = fy + mc.V(2), r = 0;
            CirclePrimitiveGeometry(k, cx, cy, r, fx, fy);   // the centre turns with the rotation
            const int n = mc.ValueCount;
            ThermalOn(m, xf, n > 6 ? mc.V(6) : 0.0, n > 5 ? mc.V(5) : 0.0, n > 3 ? mc.V(3) : 0.0, n > 4 ? mc.V(4) : 0.0, cx, cy);
            break;
        }
        default:
            break;
        }
    }
    SetMaskInk(m, true);
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

void DrawThermal(Canvas& canvas, bool mirror, double scale, double ox, double oy, double rotation, double gap,
                 double outer, double inner, double cx, double cy)
{
    const Xf xf{mirror, scale, ox, oy, 0, 0};
    const double r = outer / 2;
    if (!(r > 0)) return;
    Xf mxf;
    if (!BeginMask(canvas, xf.Box(cx - r, cy + r, cx + r, cy - r), 2, xf, mxf)) return;
    ThermalOn(MaskCanvas(), mxf, rotation, gap, outer, inner, cx, cy);
    EndMask(canvas, mxf, xf);
}

void DrawPolygonFlash(Canvas& canvas, int d, bool mirror, double scale, double ox, double oy, double cx, double cy)
{
    const MyAperture* a = ApertureAt(d);
    if (!a || !(a->Size1 >= 0.001) || !PolygonVerticesValid(a->Size2)) return;
    const int n = static_cast<int>(std::trunc(a->Size2));
    const double r = a->Size1 / 2, start = a->Size3 * Pi / 180.0;
    MyTPointArray dev(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double ang = start + TwoPi * k / n;
        DevicePoint(mirror, dev[static_cast<std::size_t>(k)].x, dev[static_cast<std::size_t>(k)].y, cx + r * std::cos(ang),
                    cy + r * std::sin(ang), ox, oy, scale);
    }
    canvas.Polygon(dev);
}

void DrawMoire(Canvas& canvas, int k, bool mirror, double scale, double ox, double oy, double fx, double fy)
{
    if (!ValidMacroIndex(k) || PrimitiveCode(Macros[static_cast<std::size_t>(k)]) != 6) return;
    const Xf xf{mirror, scale, ox, oy, 0, 0};
    double cx = fx, cy = fy, radius = 0, half = 0;
    int count = 0;
    MyTwoPointArray segs;
    MoirePrimitiveGeometry(k, cx, cy, count, segs, half, radius, fx, fy);
    const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
    const double reach = std::max(std::fabs(radius), std::fabs(mc.V(8)) / 2);
    if (!std::isfinite(reach)) return;
    Xf mxf;
    const int margin = std::max(PixelWidth(mc.V(4), scale), PixelWidth(mc.V(7), scale)) + 2;
    if (!BeginMask(canvas, xf.Box(cx - reach, cy + reach, cx + reach, cy - reach), margin, xf, mxf)) return;
    MoireOn(MaskCanvas(), mxf, k, fx, fy);
    EndMask(canvas, mxf, xf);
}

void DrawFlash(Canvas& canvas, int i, bool mirror, Color /*background*/, double scale, double ox, double oy)
{
    if (i < 0 || i >= DataCount || static_cast<std::size_t>(i) >= Datas.size()) return;
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const MyAperture* ap = ApertureAt(e.Code);
    if (!ap) return;
    const MyAperture& a = *ap;
    const double x = e.X3, y = e.Y3;
    const Xf xf{mirror, scale, ox, oy, 0, 0};
    canvas.SetPenWidth(1);
    if (a.Shape != apMacro) {
        // Below two pixels across its largest dimension a flash is one pixel.
        double largest = a.Size1;
        if (a.Shape == apOval || a.Shape == apRectangle || a.Shape == apThermal45 || a.Shape == apThermal90)
            largest = std::max(a.Size1, a.Size2);
        if (!(largest * scale >= 2.0)) {
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
        DrawThermal(canvas, mirror, scale, ox, oy, a.Shape == apThermal45 ? 45.0 : 0.0, a.Size3, a.Size2, a.Size1, x, y);
        return;
    case apPolygon:
        DrawPolygonFlash(canvas, e.Code, mirror, scale, ox, oy, x, y);
        return;
    case apMacro:
        break;
    default:
        return;
    }
    if (!ValidMacroRange(a)) return;
    canvas.SetBrushStyle(platform::BrushStyle::Solid);
    MyBox box;
    ApertureBox(e.Code, box, x, y);
    if (!(box[0] <= box[1] && box[2] <= box[3])) return;
    Xf mxf;
    if (!BeginMask(canvas, xf.Box(box[0], box[3], box[1], box[2]), MacroMargin(a, scale), xf, mxf)) return;
    MacroOn(MaskCanvas(), mxf, a, x, y);
    EndMask(canvas, mxf, xf);
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

} // namespace core
