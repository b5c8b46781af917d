// The distance kernel runs for every candidate pair of the design-rule check.
#include "core/Distances.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

using namespace core;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Count = 1024;

struct Inputs {
    std::vector<MySegment> segments;
    std::vector<MyArc> arcs;
    std::vector<MyPointArray> strokes;   // 17-point round-ended outlines
    std::vector<MyPointArray> rects;
    Inputs()
    {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> u(-5, 5), r(0.2, 3), a(0, 2 * Pi), s(0.1, Pi);
        for (int i = 0; i < Count; ++i) {
            segments.push_back({{u(rng), u(rng)}, {u(rng), u(rng)}});
            const MyPoint c{u(rng), u(rng)};
            const double rad = r(rng), t0 = a(rng), t1 = t0 + s(rng);
            arcs.push_back({i % 2 == 0, c, rad, {c.x + rad * std::cos(t0), c.y + rad * std::sin(t0)},
                            {c.x + rad * std::cos(t1), c.y + rad * std::sin(t1)}});
            std::array<MyPoint, 17> outline;
            const MySegment& g = segments.back();
            StrokeOutline(outline, 0.3, g.Start.x, g.Start.y, g.End.x, g.End.y);
            strokes.emplace_back(outline.begin(), outline.end());
            const double x = u(rng), y = u(rng);
            rects.push_back({{x - 0.5, y + 0.3}, {x + 0.5, y + 0.3}, {x + 0.5, y - 0.3}, {x - 0.5, y - 0.3}, {x - 0.5, y + 0.3}});
        }
    }
};

const Inputs& Data()
{
    static const Inputs inputs;
    return inputs;
}

void BM_SegmentSegment(benchmark::State& state)
{
    const Inputs& in = Data();
    MyPoint a, b;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SegmentSegmentDistance(in.segments[i % Count], in.segments[(i + 1) % Count], a, b));
        ++i;
    }
}
BENCHMARK(BM_SegmentSegment);

void BM_SegmentArc(benchmark::State& state)
{
    const Inputs& in = Data();
    MyPoint a, b;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SegmentArcDistance(in.segments[i % Count], in.arcs[(i + 1) % Count], a, b));
        ++i;
    }
}
BENCHMARK(BM_SegmentArc);

void BM_ArcArc(benchmark::State& state)
{
    const Inputs& in = Data();
    MyPoint a, b;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ArcArcDistance(in.arcs[i % Count], in.arcs[(i + 1) % Count], a, b));
        ++i;
    }
}
BENCHMARK(BM_ArcArc);

void BM_PointPolygon(benchmark::State& state)
{
    const Inputs& in = Data();
    MyPoint a;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PointPolygonDistance(in.segments[i % Count].Start, in.strokes[(i + 1) % Count], a));
        ++i;
    }
}
BENCHMARK(BM_PointPolygon);

// A round-ended stroke outline against a rectangle pad.
void BM_PolygonPolygon(benchmark::State& state)
{
    const Inputs& in = Data();
    MyPoint a, b;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PolygonPolygonDistance(in.strokes[i % Count], in.rects[(i + 1) % Count], a, b));
        ++i;
    }
}
BENCHMARK(BM_PolygonPolygon);

void BM_ArcPolygon(benchmark::State& state)
{
    const Inputs& in = Data();
    MyPoint a, b;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ArcPolygonDistance(in.arcs[i % Count], in.rects[(i + 1) % Count], a, b));
        ++i;
    }
}
BENCHMARK(BM_ArcPolygon);

} // namespace
