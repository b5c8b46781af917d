// The rasteriser on the shapes a dense board is made of at small zoom:
// short lines, thin tracks and small round pads.
#include "core/FlashDrawing.h"
#include "platform/RasterCanvas.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

using platform::Point;
using platform::RasterCanvas;

namespace {

constexpr int W = 1280, H = 960;
constexpr int Batch = 4096;

RasterCanvas& Picture()
{
    static RasterCanvas c(W, H, 0);
    c.SetPenMode(platform::PenMode::Merge);
    c.SetPenColor(0x0000FF);
    c.SetBrushColor(0x0000FF);
    c.SetBrushStyle(platform::BrushStyle::Solid);
    return c;
}

// Segments from random points, each `minLen` to `maxLen` pixels long.
std::vector<std::pair<Point, Point>> Segments(int minLen, int maxLen, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> x(20, W - 20), y(20, H - 20), len(minLen, maxLen);
    std::uniform_real_distribution<double> ang(0, 6.283185307179586);
    std::vector<std::pair<Point, Point>> v;
    for (int i = 0; i < Batch; ++i) {
        const Point a{x(rng), y(rng)};
        const double t = ang(rng);
        const int l = len(rng);
        v.push_back({a, {a.x + static_cast<int>(l * std::cos(t)), a.y + static_cast<int>(l * std::sin(t))}});
    }
    return v;
}

void Lines(benchmark::State& state, int minLen, int maxLen)
{
    RasterCanvas& c = Picture();
    c.SetPenWidth(static_cast<int>(state.range(0)));
    const auto segs = Segments(minLen, maxLen, 7);
    for (auto _ : state) {
        for (const auto& s : segs) {
            c.MoveTo(s.first.x, s.first.y);
            c.LineTo(s.second.x, s.second.y);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}

// Lines of one to three pixels, pen widths 1 to 3.
void BM_ShortLines(benchmark::State& state) { Lines(state, 1, 3); }
BENCHMARK(BM_ShortLines)->Arg(1)->Arg(2)->Arg(3);

// Track segments of a board at zoom 1 (up to 40 pixels): a 0.2 mm track at
// about 7 pixels per mm is PenWidthPixels = 2, against a 1-pixel line.
void BM_Tracks(benchmark::State& state) { Lines(state, 1, 40); }
BENCHMARK(BM_Tracks)->Arg(1)->Arg(2);

// Filled round pads of the given diameter, outlined in the same colour.
void BM_FilledCircles(benchmark::State& state)
{
    RasterCanvas& c = Picture();
    c.SetPenWidth(1);
    const int d = static_cast<int>(state.range(0));
    const auto segs = Segments(0, 0, 11);
    for (auto _ : state) {
        for (const auto& s : segs) c.Ellipse(s.first.x, s.first.y, s.first.x + d, s.first.y + d);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_FilledCircles)->Arg(3)->Arg(6)->Arg(10);

// Batch flashes at random points of the box, each of the codes in turn.
void AppendRandomFlashes(std::initializer_list<int> codes, unsigned seed, double x0, double x1, double y0, double y1)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> x(x0, x1), y(y0, y1);
    const std::vector<int> list(codes);
    for (int i = 0; i < Batch; ++i) {
        core::DataElement e;
        e.Kind = core::dkFlash;
        e.Code = list[static_cast<std::size_t>(i) % list.size()];
        e.Layer = 1;
        e.X3 = x(rng);
        e.Y3 = y(rng);
        core::AppendElement(e);
    }
}

// Round flashes through DrawFlash (aperture lookup, transform, ellipse).
void BM_DrawFlashCircle(benchmark::State& state)
{
    core::ResetTables();
    core::Apertures[10].Shape = core::apCircle;
    core::Apertures[10].Size1 = 0.8;
    AppendRandomFlashes({10}, 3, 5, 175, 5, 130);
    RasterCanvas& c = Picture();
    const double scale = 7.0;   // zoom 1 on a 180 mm board
    for (auto _ : state) {
        for (int i = 0; i < Batch; ++i) core::DrawFlash(c, i, false, 0, scale, 0, 137);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
    core::ResetTables();
}
BENCHMARK(BM_DrawFlashCircle);

// Rounded-rectangle pads made of six macro primitives, drawn as a whole
// through the flash mask, at zoom 1 and zoomed in.
void BM_DrawFlashMacro(benchmark::State& state)
{
    core::ResetTables();
    const char* texts[] = {"21,1,1.2,0.8,0,0,0", "21,1,1.6,0.4,0,0,0", "1,1,0.4,-0.6,0.2", "1,1,0.4,0.6,0.2",
                           "1,1,0.4,-0.6,-0.2", "1,1,0.4,0.6,-0.2"};
    core::Apertures[10].Shape = core::apMacro;
    core::Apertures[10].FirstPrimitive = 1;
    for (const char* t : texts) {
        core::MyMacro m;
        m.DCode = 10;
        m.Text = t;
        core::Macros.push_back(m);
        core::MacroCount += 1;
    }
    core::Apertures[10].LastPrimitive = core::MacroCount;
    core::ParseMacroParams();
    const double scale = static_cast<double>(state.range(0));
    AppendRandomFlashes({10}, 5, 2, W / scale - 2, 2, H / scale - 2);
    RasterCanvas& c = Picture();
    for (auto _ : state) {
        for (int i = 0; i < Batch; ++i) core::DrawFlash(c, i, false, 0, scale, 0, H / scale);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
    core::ResetTables();
}
BENCHMARK(BM_DrawFlashMacro)->Arg(7)->Arg(50);

// The two macros of the synthetic board (a rounded rectangle of two
// rectangles and four circles, a thermal primitive turned 45°) flashed in
// turn at random points of a 1920 × 1080 picture, OR-ed in one colour as
// the redraw does: at the fitted view (5.4 px/mm, argument 54), one wheel
// notch in (8.0 px/mm, argument 80) and at zoom
// 10 (540); odd arguments put the flashes at new places at every pass.
void BM_DrawFlashBoardMacros(benchmark::State& state)
{
    core::ResetTables();
    auto macro = [](int d, std::initializer_list<const char*> texts) {
        core::Apertures[static_cast<std::size_t>(d)].Shape = core::apMacro;
        core::Apertures[static_cast<std::size_t>(d)].FirstPrimitive = core::MacroCount + 1;
        for (const char* t : texts) {
            core::MyMacro m;
            m.DCode = d;
            m.Text = t;
            core::Macros.push_back(m);
            core::MacroCount += 1;
        }
        core::Apertures[static_cast<std::size_t>(d)].LastPrimitive = core::MacroCount;
    };
    macro(13, {"21,1,1.2,0.5,0,0,0", "21,1,0.9,0.8,0,0,0", "1,1,0.3,0.45,0.25", "1,1,0.3,-0.45,0.25", "1,1,0.3,-0.45,-0.25",
               "1,1,0.3,0.45,-0.25"});
    macro(16, {"7,0,0,1.8,1.2,0.3,45"});
    core::ParseMacroParams();
    const double scale = static_cast<double>(state.range(0) - state.range(0) % 2) / 10;
    constexpr int PW = 1920, PH = 1080;
    AppendRandomFlashes({13, 16}, 9, -1, PW / scale + 1, -1, PH / scale + 1);
    std::mt19937 rng(10);
    std::uniform_real_distribution<double> x(-1, PW / scale + 1), y(-1, PH / scale + 1);
    static RasterCanvas c(PW, PH, 0);
    c.SetPenMode(platform::PenMode::Merge);
    c.SetPenColor(0x00FF00);
    c.SetBrushColor(0x00FF00);
    // Odd arguments: flashes at new places at every pass, few of them
    // falling where one fell before.
    const bool fresh = state.range(0) % 2 == 1;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            for (int i = 0; i < Batch; ++i) {
                core::Datas[static_cast<std::size_t>(i)].X3 = x(rng);
                core::Datas[static_cast<std::size_t>(i)].Y3 = y(rng);
            }
            state.ResumeTiming();
        }
        for (int i = 0; i < Batch; ++i) core::DrawFlash(c, i, false, 0, scale, 0, PH / scale);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
    core::ResetTables();
}
BENCHMARK(BM_DrawFlashBoardMacros)->Arg(54)->Arg(55)->Arg(80)->Arg(81)->Arg(540)->Arg(541);

// Track segments of a square aperture: four corners around a segment of
// `minLen` to `maxLen` pixels, as wide as `minWide` to `maxWide`.
std::vector<std::array<Point, 4>> Strokes(int minLen, int maxLen, int minWide, int maxWide, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> wide(minWide, maxWide);
    std::uniform_real_distribution<double> ang(0, 6.283185307179586);
    std::vector<std::array<Point, 4>> v;
    for (const auto& [a, b] : Segments(minLen, maxLen, seed)) {
        const double h = wide(rng) * 0.5, t = ang(rng);
        const int nx = static_cast<int>(h * std::cos(t)), ny = static_cast<int>(h * std::sin(t));
        v.push_back({Point{a.x - nx, a.y - ny}, Point{b.x - nx, b.y - ny}, Point{b.x + nx, b.y + ny}, Point{a.x + nx, a.y + ny}});
    }
    return v;
}

// Square-aperture tracks as four-point polygons: a one-pixel pen and a
// solid brush of the same colour, OR (0) or XOR (1). Range 1: zoom 1
// (3 to 20 pixels) or zoom 10 (20 to 300 pixels).
void BM_StrokePolygons(benchmark::State& state)
{
    RasterCanvas& c = Picture();
    c.SetPenWidth(1);
    c.SetPenMode(state.range(0) ? platform::PenMode::Xor : platform::PenMode::Merge);
    const bool zoomed = state.range(1) != 0;
    const auto strokes = zoomed ? Strokes(20, 300, 20, 60, 13) : Strokes(3, 20, 2, 8, 13);
    for (auto _ : state) {
        for (const auto& s : strokes) c.Polygon(s);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_StrokePolygons)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});

// Arcs of round-aperture tracks: 17-point polylines with a 2- or 3-pixel pen.
void BM_ArcPolylines(benchmark::State& state)
{
    RasterCanvas& c = Picture();
    c.SetPenWidth(static_cast<int>(state.range(0)));
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> x(40, W - 40), y(40, H - 40), radius(3, 20);
    std::uniform_real_distribution<double> ang(0, 6.283185307179586), sweep(0.5, 3.1);
    std::vector<std::array<Point, 17>> arcs(Batch);
    for (auto& arc : arcs) {
        const double cx = x(rng), cy = y(rng), r = radius(rng), a0 = ang(rng), da = sweep(rng) / 16;
        for (int k = 0; k < 17; ++k)
            arc[static_cast<std::size_t>(k)] = {static_cast<int>(cx + r * std::cos(a0 + k * da)), static_cast<int>(cy + r * std::sin(a0 + k * da))};
    }
    for (auto _ : state) {
        for (const auto& a : arcs) c.Polyline(a);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_ArcPolylines)->Arg(2)->Arg(3);

// Zoom 10: round-aperture tracks 20 to 300 pixels long and 10 to 40 wide,
// and round pads of 20 to 120 pixels.
void BM_WideTracks(benchmark::State& state)
{
    RasterCanvas& c = Picture();
    c.SetPenMode(state.range(0) ? platform::PenMode::Xor : platform::PenMode::Merge);
    std::mt19937 rng(19);
    std::uniform_int_distribution<int> wide(10, 40);
    std::vector<int> widths(Batch);
    for (int& w : widths) w = wide(rng);
    const auto segs = Segments(20, 300, 19);
    for (auto _ : state) {
        for (int i = 0; i < Batch; ++i) {
            c.SetPenWidth(widths[static_cast<std::size_t>(i)]);
            c.MoveTo(segs[static_cast<std::size_t>(i)].first.x, segs[static_cast<std::size_t>(i)].first.y);
            c.LineTo(segs[static_cast<std::size_t>(i)].second.x, segs[static_cast<std::size_t>(i)].second.y);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_WideTracks)->Arg(0)->Arg(1);

void BM_BigPads(benchmark::State& state)
{
    RasterCanvas& c = Picture();
    c.SetPenWidth(1);
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> size(20, 120);
    std::vector<int> sizes(Batch);
    for (int& d : sizes) d = size(rng);
    const auto segs = Segments(0, 0, 23);
    for (auto _ : state) {
        for (int i = 0; i < Batch; ++i) {
            const Point p = segs[static_cast<std::size_t>(i)].first;
            const int d = sizes[static_cast<std::size_t>(i)];
            c.Ellipse(p.x - d / 2, p.y - d / 2, p.x + d - d / 2, p.y + d - d / 2);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_BigPads);

// One pad shape (a 16-sided outline of the given diameter) flashed at many
// places: the case the kept polygon shapes are for.
void BM_RepeatedPadPolygons(benchmark::State& state)
{
    RasterCanvas& c = Picture();
    c.SetPenWidth(1);
    const double r = static_cast<double>(state.range(0)) * 0.5;
    std::array<Point, 16> shape;
    for (int k = 0; k < 16; ++k)
        shape[static_cast<std::size_t>(k)] = {static_cast<int>(r * std::cos(k * 0.39269908169872414)), static_cast<int>(r * std::sin(k * 0.39269908169872414))};
    const auto segs = Segments(0, 0, 29);
    std::array<Point, 16> pts;
    for (auto _ : state) {
        for (const auto& s : segs) {
            for (std::size_t k = 0; k < 16; ++k) pts[k] = {shape[k].x + s.first.x, shape[k].y + s.first.y};
            c.Polygon(pts);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_RepeatedPadPolygons)->Arg(12)->Arg(40);

} // namespace
