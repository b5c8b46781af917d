// Flashes drawn as a whole (macros, thermals) against a plain reference:
// each figure recomputed from the tables for the flash, drawn on a scratch
// mask of the flash's box and laid on the picture with FillMask. Every
// pixel must agree, whatever the scale, position, mirror and pen mode, and
// however often a mask has been seen before.
#include "core/FlashDrawing.h"

#include "FlashTables.h"
#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace core;
using platform::Canvas;
using platform::Color;
using platform::PenMode;
using platform::Point;
using platform::RasterCanvas;
using platform::Rect;

namespace {

constexpr double Pi = 3.14159265358979323846;

// ---------------------------------------------------------------- reference

struct RefXf {
    bool mirror;
    double scale, ox, oy;
    int dx = 0, dy = 0;
    Point P(double x, double y) const
    {
        std::int32_t px, py;
        DevicePoint(mirror, px, py, x, y, ox, oy, scale);
        return {px - dx, py - dy};
    }
    Rect Box(double x1, double y1, double x2, double y2) const
    {
        const Point a = P(x1, y1), b = P(x2, y2);
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }
    std::vector<Point> Poly(const MyPointArray& pts) const
    {
        std::vector<Point> out;
        for (const MyPoint& p : pts) out.push_back(P(p.x, p.y));
        return out;
    }
};

int RefPixelWidth(double mm, double scale)
{
    const double w = RoundTo(0, mm * scale);
    if (!(w >= 1)) return 1;
    return static_cast<int>(std::min(w, static_cast<double>(Canvas::MaxPenWidth)));
}

int RefArcSegments(double sweep, double radius, double scale)
{
    const double rpx = std::fabs(radius * scale);
    if (!(rpx > 0) || !std::isfinite(rpx) || !(sweep > 0)) return 6;
    return static_cast<int>(std::clamp(std::ceil(sweep / std::sqrt(2.0 / rpx)), 6.0, 1024.0));
}

int RefCode(const MyMacro& m)
{
    if (m.ValueCount < 1 || !std::isfinite(m.V(0)) || std::fabs(m.V(0)) > 1e6) return 0;
    return static_cast<int>(std::trunc(m.V(0)));
}

void Ink(Canvas& m, bool exposed)
{
    m.SetPenColor(exposed ? platform::MaskPen : platform::MaskEmpty);
    m.SetBrushColor(exposed ? platform::MaskBrush : platform::MaskEmpty);
}

void RefThermal(Canvas& m, const RefXf& xf, double rotation, double gap, double outer, double inner, double cx, double cy)
{
    const double ro = outer / 2, ri = inner / 2, g = gap / 2;
    if (!(ri >= 0.001 && ro >= 0.001 && g >= 0.001)) return;
    if (g >= ri) {
        const Rect o = xf.Box(cx - ro, cy + ro, cx + ro, cy - ro);
        m.Ellipse(o.left, o.top, o.right, o.bottom);
        Ink(m, false);
        const Rect i = xf.Box(cx - ri, cy + ri, cx + ri, cy - ri);
        m.Ellipse(i.left, i.top, i.right, i.bottom);
        Ink(m, true);
        return;
    }
    const double a0 = std::asin(g / ro), a4 = Pi / 2 - a0;
    if (!(a4 > a0)) return;
    const double ai0 = Pi / 2 - std::asin(g / ri), ai4 = std::asin(g / ri);
    const int no = RefArcSegments(a4 - a0, ro, xf.scale), ni = RefArcSegments(ai0 - ai4, ri, xf.scale);
    double rot = rotation * Pi / 180.0;
    for (int q = 0; q < 4; ++q, rot += Pi / 2) {
        std::vector<Point> dev;
        for (int j = 0; j <= no; ++j) {
            const double a = a0 + (a4 - a0) * j / no + rot;
            dev.push_back(xf.P(cx + ro * std::cos(a), cy + ro * std::sin(a)));
        }
        for (int j = 0; j <= ni; ++j) {
            const double a = ai0 + (ai4 - ai0) * j / ni + rot;
            dev.push_back(xf.P(cx + ri * std::cos(a), cy + ri * std::sin(a)));
        }
        dev.push_back(dev.front());
        m.Polygon(dev);
    }
}

void RefMoire(Canvas& m, const RefXf& xf, int k, double fx, double fy)
{
    const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
    const double outer = mc.V(3), thickness = mc.V(4), gap = mc.V(5), maxRings = mc.V(6);
    const double crossThickness = mc.V(7), crossLength = mc.V(8), rotation = mc.V(9);
    if (!(thickness + gap >= 0.001)) return;
    double cx = 0, cy = 0, r = 0, half = 0;
    int count = 0;
    MyTwoPointArray segs;
    MoirePrimitiveGeometry(k, cx, cy, count, segs, half, r, fx, fy);
    m.SetPenWidth(RefPixelWidth(thickness, xf.scale));
    double radius = (outer - thickness) / 2;
    const double limit = std::isfinite(maxRings) ? std::min(maxRings, 1000.0) : 0.0;
    MyPointArray ring;
    for (int n = 0;;) {
        CirclePoints(std::clamp(RefArcSegments(2 * Pi, radius, xf.scale), 32, 1024), ring, radius, cx, cy);
        m.Polyline(xf.Poly(ring));
        if (++n >= limit || n >= 1000) break;
        radius -= thickness + gap;
        if (!(radius >= 0.001)) break;
    }
    if (crossThickness > 0 && crossLength > 0) {
        m.SetPenWidth(RefPixelWidth(crossThickness, xf.scale));
        double a = rotation * Pi / 180.0;
        for (int q = 0; q < 4; ++q, a += Pi / 2) {
            const Point arm[2] = {xf.P(cx, cy), xf.P(cx + crossLength / 2 * std::cos(a), cy + crossLength / 2 * std::sin(a))};
            m.Polyline(arm);
        }
    }
    m.SetPenWidth(1);
}

void RefMacro(Canvas& m, const RefXf& xf, const MyAperture& a, double fx, double fy)
{
    MyPointArray outline;
    for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
        const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
        const int code = RefCode(mc);
        const double e = mc.V(1);
        double cx = 0, cy = 0, r = 0;
        switch (code) {
        case 1:
            Ink(m, std::isfinite(e) && std::trunc(e) == 1.0);
            if (CirclePrimitiveGeometry(k, cx, cy, r, fx, fy)) {
                const Rect b = xf.Box(cx - r, cy + r, cx + r, cy - r);
                m.Ellipse(b.left, b.top, b.right, b.bottom);
            }
            break;
        case 2: case 4: case 5: case 20: case 21: case 22:
            Ink(m, std::isfinite(e) && std::trunc(e) == 1.0);
            MacroPrimitivePolygon(k, outline, fx, fy);
            if (outline.size() >= 2) m.Polygon(xf.Poly(outline));
            break;
        case 6:
            Ink(m, true);
            RefMoire(m, xf, k, fx, fy);
            break;
        case 7: {
            Ink(m, true);
            CirclePrimitiveGeometry(k, cx, cy, r, fx, fy);
            const int n = mc.ValueCount;
            RefThermal(m, xf, n > 6 ? mc.V(6) : 0.0, n > 5 ? mc.V(5) : 0.0, n > 3 ? mc.V(3) : 0.0, n > 4 ? mc.V(4) : 0.0, cx, cy);
            break;
        }
        default:
            break;
        }
    }
}

// The flash of element i the plain way; only macro and thermal apertures.
void RefFlash(Canvas& target, int i, bool mirror, double scale, double ox, double oy)
{
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const MyAperture& a = Apertures[static_cast<std::size_t>(e.Code)];
    const RefXf xf{mirror, scale, ox, oy};
    target.SetPenWidth(1);
    Rect box;
    int margin = 2;
    if (a.Shape == apMacro) {
        target.SetBrushStyle(platform::BrushStyle::Solid);
        MyBox w;
        ApertureBox(e.Code, w, e.X3, e.Y3);
        if (!(w[0] <= w[1] && w[2] <= w[3])) return;
        box = xf.Box(w[0], w[3], w[1], w[2]);
        for (int k = a.FirstPrimitive; k <= a.LastPrimitive; ++k) {
            const MyMacro& mc = Macros[static_cast<std::size_t>(k)];
            if (RefCode(mc) == 6)
                margin = std::max({margin, RefPixelWidth(mc.V(4), scale) + 2, RefPixelWidth(mc.V(7), scale) + 2});
        }
    } else {
        if (!(std::max(a.Size1, a.Size2) * scale >= 2.0)) {
            const Point p = xf.P(e.X3, e.Y3);
            const Point dot[2] = {p, p};
            target.Polyline(dot);
            return;
        }
        const double r = a.Size2 / 2;
        if (!(r > 0)) return;
        box = xf.Box(e.X3 - r, e.Y3 + r, e.X3 + r, e.Y3 - r);
    }
    const long long left = std::max<long long>(0, static_cast<long long>(box.left) - margin);
    const long long top = std::max<long long>(0, static_cast<long long>(box.top) - margin);
    const long long right = std::min<long long>(target.Width(), static_cast<long long>(box.right) + margin + 1);
    const long long bottom = std::min<long long>(target.Height(), static_cast<long long>(box.bottom) + margin + 1);
    if (left >= right || top >= bottom) return;
    RasterCanvas m(static_cast<int>(right - left), static_cast<int>(bottom - top), platform::MaskEmpty);
    m.SetPenMode(PenMode::Copy);
    m.SetBrushStyle(platform::BrushStyle::Solid);
    Ink(m, true);
    RefXf mxf = xf;
    mxf.dx = static_cast<int>(left);
    mxf.dy = static_cast<int>(top);
    if (a.Shape == apMacro)
        RefMacro(m, mxf, a, e.X3, e.Y3);
    else
        RefThermal(m, mxf, a.Shape == apThermal45 ? 45.0 : 0.0, a.Size3, a.Size2, a.Size1, e.X3, e.Y3);
    target.FillMask(m, static_cast<int>(left), static_cast<int>(top));
}

// A canvas that is no raster: it only lays masks on the raster it wraps.
class MaskOnlyCanvas final : public Canvas {
public:
    explicit MaskOnlyCanvas(RasterCanvas& r) : r_(r) {}
    int Width() const override { return r_.Width(); }
    int Height() const override { return r_.Height(); }
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void Polyline(std::span<const Point>) override {}
    void Polygon(std::span<const Point>) override {}
    void Ellipse(int, int, int, int) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(const Rect&) override {}
    void SetPixel(int, int, Color) override {}
    void TextOut(int, int, std::string_view) override {}
    platform::TextSize TextExtent(std::string_view) override { return {}; }
    void FillMask(const RasterCanvas& mask, int left, int top) override
    {
        r_.SetPenColor(PenColor());
        r_.SetBrushColor(BrushColor());
        r_.SetPenMode(GetPenMode());
        r_.SetBrushStyle(GetBrushStyle());
        r_.FillMask(mask, left, top);
    }

private:
    RasterCanvas& r_;
};

// ------------------------------------------------------------ random scenes

std::string Num(double v)
{
    // Values of at most 4 decimals, written without the C locale.
    const long long n = std::llround(v * 10000);
    std::string s = n < 0 ? "-" : "";
    const long long a = std::llabs(n);
    s += std::to_string(a / 10000) + "." + std::to_string(10000 + a % 10000).substr(1);
    return s;
}

// A random primitive of the given code, sized about `u` millimetres.
std::string RandomPrimitive(std::mt19937& rng, int code, double u)
{
    std::uniform_real_distribution<double> size(0.2 * u, u), pos(-u, u), angle(0, 360);
    std::bernoulli_distribution half(0.5), clear(0.2);
    const std::string exposure = clear(rng) ? "0" : "1";
    const std::string rot = half(rng) ? "0" : Num(angle(rng));
    auto n = [&](double v) { return "," + Num(v); };
    switch (code) {
    case 1:
        return "1," + exposure + n(size(rng)) + n(pos(rng)) + n(pos(rng)) + (half(rng) ? "," + rot : "");
    case 2:
    case 20:
        return std::to_string(code) + "," + exposure + n(size(rng) / 3) + n(pos(rng)) + n(pos(rng)) + n(pos(rng)) + n(pos(rng)) + "," + rot;
    case 21:
    case 22:
        return std::to_string(code) + "," + exposure + n(size(rng)) + n(size(rng)) + n(pos(rng)) + n(pos(rng)) + "," + rot;
    case 4: {
        const int vertices = 3 + static_cast<int>(rng() % 5);
        std::string s = "4," + exposure + "," + std::to_string(vertices);
        std::string first = n(pos(rng)) + n(pos(rng));
        s += first;
        for (int k = 1; k < vertices; ++k) s += n(pos(rng)) + n(pos(rng));
        return s + first + "," + rot;
    }
    case 5:
        return "5," + exposure + "," + std::to_string(3 + rng() % 10) + n(pos(rng) / 2) + n(pos(rng) / 2) + n(size(rng)) + "," + rot;
    case 6: {
        const double outer = size(rng) * 1.5, thick = outer / (6 + rng() % 10);
        return "6" + n(pos(rng) / 2) + n(pos(rng) / 2) + n(outer) + n(thick) + n(thick) + "," + std::to_string(1 + rng() % 4) +
               n(thick / 2) + n(outer * 1.1) + "," + rot;
    }
    default: {
        const double outer = size(rng) * 1.5, inner = outer * std::uniform_real_distribution<double>(0.4, 0.9)(rng);
        const double gap = (outer - inner) * std::uniform_real_distribution<double>(0.2, 3.0)(rng);
        return "7" + n(pos(rng) / 2) + n(pos(rng) / 2) + n(outer) + n(inner) + n(gap) + "," + rot;
    }
    }
}

class FlashMask : public ::testing::Test {
protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }

    static constexpr int W = 160, H = 120;

    // Apertures 10.. of random macros of 1 to 4 primitives sized for
    // `scale` (every code at least once), plus thermal apertures 40, 41.
    void RandomApertures(std::mt19937& rng, double scale)
    {
        const double u = 25.0 / scale;
        const int codes[] = {1, 2, 20, 21, 22, 4, 5, 6, 7};
        int d = 10;
        for (int c : codes) {
            std::vector<std::string> prims = {RandomPrimitive(rng, c, u)};
            const int more = static_cast<int>(rng() % 4);
            for (int k = 0; k < more; ++k) prims.push_back(RandomPrimitive(rng, codes[rng() % 9], u));
            flashtest::SetMacro(d++, prims);
        }
        apertures_ = d - 10;
        flashtest::SetAperture(40, apThermal45, 1.2 * u, 2.0 * u, 0.3 * u);
        flashtest::SetAperture(41, apThermal90, 1.2 * u, 2.0 * u, 1.5 * u);   // gap wider than the inner radius
    }

    // Flashes of every aperture at random points over and beyond the
    // picture, some at the same sub-pixel place as an earlier one.
    std::vector<int> RandomFlashes(std::mt19937& rng, double scale, int count)
    {
        std::uniform_real_distribution<double> x(-15 / scale, (W + 15) / scale), y(-15 / scale, (H + 15) / scale);
        std::vector<int> out;
        for (int k = 0; k < count; ++k) {
            const int d = k % 5 == 4 ? 40 + (k / 5) % 2 : 10 + static_cast<int>(rng() % apertures_);
            if (k >= 4 && rng() % 3 == 0) {
                // Whole pixels away from an earlier flash of the same aperture.
                const DataElement& e = Datas[static_cast<std::size_t>(out[rng() % out.size()])];
                out.push_back(flashtest::AddFlash(e.Code, e.X3 + static_cast<int>(rng() % 9) / scale, e.Y3 - static_cast<int>(rng() % 5) / scale));
            } else {
                out.push_back(flashtest::AddFlash(d, x(rng), y(rng)));
            }
        }
        return out;
    }

    static RasterCanvas Background(std::mt19937& rng)
    {
        RasterCanvas c(W, H, 0);
        for (int yy = 0; yy < H; ++yy)
            for (int xx = 0; xx < W; ++xx) c.SetPixel(xx, yy, rng() & 0x7F7F7F);
        return c;
    }
    static void Ink(Canvas& c, PenMode mode, Color pen, Color brush)
    {
        c.SetPenMode(mode);
        c.SetPenColor(pen);
        c.SetBrushColor(brush);
        c.SetBrushStyle(platform::BrushStyle::Solid);
    }
    static int Differences(const RasterCanvas& a, const RasterCanvas& b)
    {
        int n = 0;
        for (int yy = 0; yy < H; ++yy)
            for (int xx = 0; xx < W; ++xx) n += a.Pixel(xx, yy) != b.Pixel(xx, yy);
        return n;
    }

    // The flashes drawn by `reference` and then twice by DrawFlash (the
    // second time finds every mask kept) over a random background, in a
    // random pen; every pixel must agree.
    struct Drawn {
        RasterCanvas under, ref;
        Color pen, brush;
    };
    template <class Reference>
    static Drawn DrawBothWays(std::mt19937& rng, const std::vector<int>& flashes, bool mirror, double scale, double ox, double oy,
                              PenMode mode, Reference&& reference, const std::string& what)
    {
        const Color pen = 0x00C0F0 ^ (rng() & 0x3F3F3F);
        // The redraw paints with the pen's colour, or outlines only.
        const Color brush = rng() % 2 ? pen : 0x102030;
        Drawn d{Background(rng), {}, pen, brush};
        d.ref = d.under;
        Ink(d.ref, mode, pen, brush);
        for (const int i : flashes) reference(d.ref, i);
        EXPECT_GT(Differences(d.ref, d.under), 0) << what;
        for (int pass = 0; pass < 2; ++pass) {
            RasterCanvas ours = d.under;
            Ink(ours, mode, pen, brush);
            for (const int i : flashes) DrawFlash(ours, i, mirror, 0, scale, ox, oy);
            EXPECT_EQ(Differences(ours, d.ref), 0) << what << " pass " << pass;
        }
        return d;
    }

    int apertures_ = 0;
};

} // namespace

TEST_F(FlashMask, RandomFlashesMatchThePlainDrawingPixelForPixel)
{
    std::mt19937 rng(20261207);
    for (const double scale : {0.5, 2.0, 5.4, 13.0, 54.0, 200.0}) {
        for (int round = 0; round < 3; ++round) {
            ResetTables();
            RandomApertures(rng, scale);
            const std::vector<int> flashes = RandomFlashes(rng, scale, 60);
            const bool mirror = round == 1;
            const double ox = std::uniform_real_distribution<double>(-2, 2)(rng) / scale;
            const double oy = H / scale + std::uniform_real_distribution<double>(-2, 2)(rng) / scale;
            const PenMode mode = round == 2 ? PenMode::Xor : PenMode::Merge;
            const Drawn d = DrawBothWays(
                rng, flashes, mirror, scale, ox, oy, mode, [&](RasterCanvas& c, int i) { RefFlash(c, i, mirror, scale, ox, oy); },
                "scale " + std::to_string(scale) + " round " + std::to_string(round));
            RasterCanvas wrapped = d.under;
            MaskOnlyCanvas other(wrapped);
            Ink(other, mode, d.pen, d.brush);
            for (const int i : flashes) DrawFlash(other, i, mirror, 0, scale, ox, oy);
            EXPECT_EQ(Differences(wrapped, d.ref), 0) << "not a raster, scale " << scale << " round " << round;
        }
    }
}

TEST_F(FlashMask, ManyFlashesOfOneApertureAtEverySubPixelPlace)
{
    // Thousands of flashes of a few apertures: masks kept for one place
    // within a pixel are drawn for others only where the pixels agree.
    flashtest::SetMacro(10, {"7,0,0,1.8,1.2,0.3,45"});
    flashtest::SetMacro(11, {"21,1,1.2,0.5,0,0,0", "21,1,0.9,0.8,0,0,0", "1,1,0.3,0.45,0.25", "1,1,0.3,-0.45,0.25",
                             "1,1,0.3,-0.45,-0.25", "1,1,0.3,0.45,-0.25"});
    flashtest::SetMacro(12, {"5,1,7,0.3,0.1,1.5,17", "20,0,0.2,-1,0.2,1,-0.1,33", "4,1,3,0,0,1,0,0.5,0.7,0,0,10"});
    flashtest::SetAperture(13, apThermal45, 0.9, 1.6, 0.25);
    std::mt19937 rng(11);
    for (const double scale : {5.4, 11.3, 54.0}) {
        std::uniform_real_distribution<double> x(-1, W / scale + 1), y(-1, H / scale + 1);
        std::vector<int> flashes;
        for (int k = 0; k < 1500; ++k) flashes.push_back(flashtest::AddFlash(10 + k % 4, x(rng), y(rng)));
        for (const bool mirror : {false, true}) {
            RasterCanvas ours(W, H, 0x101010), ref(W, H, 0x101010);
            Ink(ours, PenMode::Xor, 0xF0F0F0, 0xF0F0F0);
            Ink(ref, PenMode::Xor, 0xF0F0F0, 0xF0F0F0);
            const double ox = mirror ? W / scale : 0;
            for (const int i : flashes) {
                DrawFlash(ours, i, mirror, 0, scale, ox, H / scale);
                RefFlash(ref, i, mirror, scale, ox, H / scale);
            }
            EXPECT_EQ(Differences(ours, ref), 0) << scale << " " << mirror;
        }
    }
}

TEST_F(FlashMask, FlashesFarOutAndWithoutNumbersMatchToo)
{
    // Beyond ±2000 mm the aperture box still grows from its empty start;
    // values that are no numbers must neither crash nor differ.
    flashtest::SetMacro(10, {"21,1,3,2,0,0,30", "1,0,1,0.5,0"});
    flashtest::SetMacro(11, {"1,1,1,0,0", "21,1,2,2,0,0,0"});
    flashtest::SetMacro(12, {"7,0,0,4,3,0.5,0"});
    Macros[static_cast<std::size_t>(Apertures[11].FirstPrimitive)].Values[2] = std::nan("");
    Macros[static_cast<std::size_t>(Apertures[12].FirstPrimitive)].Values[6] = HUGE_VAL;
    const double scale = 10;
    int drawn = 0;
    for (const double x : {-2003.0, -2000.3, -1999.5, 1999.2, 2000.0, 2004.0, std::nan(""), 1e300})
        for (const int d : {10, 11, 12})
            for (const bool mirror : {false, true}) {
                const int i = flashtest::AddFlash(d, x, -x);
                // The flash in the middle of the picture.
                const double ox = mirror ? x + 8 : 8 - x, oy = 6 - x;
                RasterCanvas ours(W, H, 0x203040), ref(W, H, 0x203040);
                Ink(ours, PenMode::Xor, 0xFFFFFF, 0xFFFFFF);
                Ink(ref, PenMode::Xor, 0xFFFFFF, 0xFFFFFF);
                DrawFlash(ours, i, mirror, 0, scale, ox, oy);
                RefFlash(ref, i, mirror, scale, ox, oy);
                EXPECT_EQ(Differences(ours, ref), 0) << x << " " << d << " " << mirror;
                drawn += Differences(ref, RasterCanvas(W, H, 0x203040)) > 0;
            }
    EXPECT_GE(drawn, 24);
}

TEST_F(FlashMask, ChangedTablesAreDrawnAsTheyAreNow)
{
    // Same D-code, same primitive numbers, other values: what was kept for
    // the old macro must not be drawn for the new one, flashes drawn alone
    // or in batches (in which the tables stay) alike.
    for (const bool batched : {false, true}) {
        auto draw = [&](const std::vector<std::string>& prims) {
            ResetTables();
            flashtest::SetMacro(10, prims);
            const int i = flashtest::AddFlash(10, 5, 5), j = flashtest::AddFlash(10, 9, 8);
            RasterCanvas ours(W, H, 0), ref(W, H, 0);
            Ink(ours, PenMode::Merge, 0xFFFFFF, 0xFFFFFF);
            Ink(ref, PenMode::Merge, 0xFFFFFF, 0xFFFFFF);
            {
                std::optional<FlashBatch> batch;
                if (batched) batch.emplace();
                DrawFlash(ours, i, false, 0, 10, 0, 10);
                DrawFlash(ours, j, false, 0, 10, 0, 10);
            }
            RefFlash(ref, i, false, 10, 0, 10);
            RefFlash(ref, j, false, 10, 0, 10);
            return std::pair{Differences(ours, ref), ours};
        };
        const auto [d1, first] = draw({"1,1,4,0,0", "21,0,1,1,0,0,0"});
        EXPECT_EQ(d1, 0) << batched;
        const auto [d2, second] = draw({"1,1,4,0,0", "21,0,2,1,0,0,0"});
        EXPECT_EQ(d2, 0) << batched;
        EXPECT_GT(Differences(first, second), 0) << batched;
        const auto [d3, third] = draw({"1,1,4,0,0"});
        EXPECT_EQ(d3, 0) << batched;
    }
    // And a thermal aperture whose sizes change.
    for (const double gap : {0.5, 1.0}) {
        ResetTables();
        flashtest::SetAperture(10, apThermal90, 2.0, 4.0, gap);
        const int i = flashtest::AddFlash(10, 5, 5);
        RasterCanvas ours(W, H, 0), ref(W, H, 0);
        DrawFlash(ours, i, false, 0, 10, 0, 10);
        RefFlash(ref, i, false, 10, 0, 10);
        EXPECT_EQ(Differences(ours, ref), 0) << gap;
    }
}

TEST_F(FlashMask, KeptMasksStayWithinTheirMemory)
{
    // Thousands of large masks, nearly all new: what is kept stays bounded.
    flashtest::SetMacro(10, {"7,0,0,1.8,1.2,0.3,45"});
    flashtest::SetMacro(11, {"21,1,1.2,0.5,0,0,0", "1,1,0.3,0.45,0.25", "1,0,0.3,-0.45,-0.25"});
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> x(0, 3), y(0, 2);
    for (int k = 0; k < 6000; ++k) flashtest::AddFlash(10 + k % 2, x(rng), y(rng));
    RasterCanvas c(200, 120, 0);
    Ink(c, PenMode::Merge, 0xFFFFFF, 0xFFFFFF);
    std::size_t most = 0;
    for (int i = 0; i < DataCount; ++i) {
        DrawFlash(c, i, false, 0, 60.0, 0, 2.0);
        most = std::max(most, FlashMaskBytes());
    }
    EXPECT_GT(most, std::size_t{1} << 20);
    EXPECT_LE(most, std::size_t{32} << 20);
}

TEST_F(FlashMask, ThreadsDrawingAtOnceGetTheSamePixels)
{
    std::mt19937 rng(7);
    RandomApertures(rng, 6.0);
    const std::vector<int> flashes = RandomFlashes(rng, 6.0, 400);
    auto picture = [&](int shift) {
        RasterCanvas c(W, H, 0);
        Ink(c, PenMode::Xor, 0x00FF00, 0x00FF00);
        for (const int i : flashes) DrawFlash(c, i, false, 0, 6.0, shift / 6.0, H / 6.0);
        return c;
    };
    std::vector<RasterCanvas> alone;
    for (int t = 0; t < 4; ++t) alone.push_back(picture(t));
    std::vector<RasterCanvas> together(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { together[static_cast<std::size_t>(t)] = picture(t); });
    for (std::thread& th : threads) th.join();
    for (std::size_t t = 0; t < 4; ++t) EXPECT_EQ(Differences(alone[t], together[t]), 0) << t;
    // A thread new to these masks takes them from the others: the plain
    // drawing still agrees with what it draws.
    RasterCanvas ref(W, H, 0), late(W, H, 0);
    Ink(ref, PenMode::Xor, 0x00FF00, 0x00FF00);
    for (const int i : flashes) RefFlash(ref, i, false, 6.0, 1 / 6.0, H / 6.0);
    std::thread([&] { late = picture(1); }).join();
    EXPECT_EQ(Differences(late, ref), 0);
}

namespace {

// An oval flash as a plain polygon: the stroke outline between its ends,
// or one pixel below two pixels across.
void RefOval(RasterCanvas& c, int i, bool mirror, double scale, double ox, double oy)
{
    const DataElement& e = Datas[static_cast<std::size_t>(i)];
    const MyAperture& a = Apertures[static_cast<std::size_t>(e.Code)];
    const RefXf xf{mirror, scale, ox, oy};
    c.SetPenWidth(1);
    if (!(std::max(a.Size1, a.Size2) * scale >= 2.0)) {
        const Point p = xf.P(e.X3, e.Y3);
        const Point dot[2] = {p, p};
        c.Polyline(dot);
        return;
    }
    std::array<MyPoint, 17> outline;
    if (a.Size1 - a.Size2 > 0.0004) {
        const double d = (a.Size1 - a.Size2) / 2;
        StrokeOutline(outline, a.Size2, e.X3 - d, e.Y3, e.X3 + d, e.Y3);
    } else {
        const double d = (a.Size2 - a.Size1) / 2;
        StrokeOutline(outline, a.Size1, e.X3, e.Y3 - d, e.X3, e.Y3 + d);
    }
    std::vector<Point> dev;
    for (const MyPoint& p : outline) dev.push_back(xf.P(p.x, p.y));
    c.Polygon(dev);
}

} // namespace

TEST_F(FlashMask, OvalFlashesMatchTheirOutlinePolygons)
{
    // Ovals along x and y, round ones, ones whose ends lie within the
    // direction's tolerance, and flashes so far out that the ends' distance
    // is rounded across it; pads at whole-pixel steps find kept masks.
    std::mt19937 rng(71);
    for (const double scale : {2.5, 5.4, 8.1, 30.0, 120.0}) {
        for (int round = 0; round < 4; ++round) {
            ResetTables();
            const double u = 20.0 / scale;
            flashtest::SetAperture(10, apOval, 1.6 * u, 0.9 * u);
            flashtest::SetAperture(11, apOval, 0.7 * u, 1.9 * u);
            flashtest::SetAperture(12, apOval, u, u);
            flashtest::SetAperture(13, apOval, u, u + 0.0003);
            flashtest::SetAperture(14, apOval, u, u + 0.0011);
            flashtest::SetAperture(15, apOval, 0.1 / scale, 0.3 / scale);   // a dot
            const double far = round == 3 ? 4e12 : 0;
            std::uniform_real_distribution<double> x(-10 / scale, (W + 10) / scale), y(far - 10 / scale, far + (H + 10) / scale);
            std::vector<int> flashes;
            for (int k = 0; k < 400; ++k) {
                if (k >= 6 && k % 3 == 0) {
                    const DataElement& e = Datas[static_cast<std::size_t>(flashes[rng() % flashes.size()])];
                    flashes.push_back(flashtest::AddFlash(e.Code, e.X3 + static_cast<int>(rng() % 9) / scale,
                                                          e.Y3 - static_cast<int>(rng() % 5) / scale));
                } else {
                    flashes.push_back(flashtest::AddFlash(10 + k % 6, x(rng), y(rng)));
                }
            }
            const bool mirror = round == 1;
            const double ox = (mirror ? W / scale : 0) + std::uniform_real_distribution<double>(-2, 2)(rng) / scale;
            const double oy = far + H / scale + std::uniform_real_distribution<double>(-2, 2)(rng) / scale;
            const PenMode mode = round == 2 ? PenMode::Xor : PenMode::Merge;
            DrawBothWays(
                rng, flashes, mirror, scale, ox, oy, mode, [&](RasterCanvas& c, int i) { RefOval(c, i, mirror, scale, ox, oy); },
                "scale " + std::to_string(scale) + " round " + std::to_string(round));
        }
    }
}
