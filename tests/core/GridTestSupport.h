#pragma once
// Comparing the grid, the selection and the resist-silk check with the plain
// reference, and a task runner on threads of its own.
#include "LiteralGrid.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace gridtest {

using namespace core;

// Tasks on four threads, the calling one among them.
inline void FourThreads(std::size_t tasks, const TaskFunction& fn)
{
    std::atomic<std::size_t> next{0};
    auto work = [&](unsigned worker) {
        for (std::size_t t; (t = next.fetch_add(1)) < tasks;) fn(t, worker);
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < 4; ++w) threads.emplace_back(work, w);
    work(0);
    for (std::thread& t : threads) t.join();
}

// Builds both grids and expects the same list in every cell.
inline void ExpectSameGrid(literal::Grid& reference, const TaskRunner& runner = {})
{
    Gauge gauge;
    ASSERT_TRUE(literal::Build(reference));
    const std::int32_t depth = reference.depth;
    ASSERT_TRUE(BuildElementGrid(gauge, runner));
    EXPECT_EQ(GridDepth, depth);
    int differing = 0;
    for (int c = -1; c <= GridWidth + 1; ++c)
        for (int r = -1; r <= GridHeight + 1; ++r) {
            const std::span<const std::int32_t> cell = ElementGrid.Cell(c, r);
            const std::vector<std::int32_t> fast(cell.begin(), cell.end());
            if (fast != reference.List(c, r) && ++differing <= 5)
                ADD_FAILURE() << "cell " << c << "," << r << ": " << fast.size() << " listed, " << reference.List(c, r).size() << " expected";
        }
    EXPECT_EQ(differing, 0);
}

// Random rectangles over the grid, small and large, some reaching past it,
// some given right to left: the same elements in the same order, the same
// shrunk rectangle.
inline void ExpectSameSelections(const literal::Grid& reference, std::mt19937& rng, int count, const TaskRunner& runner = {})
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double w = GridWidth, h = GridHeight;
    for (int k = 0; k < count; ++k) {
        const double size = k % 3 == 0 ? 1.3 : (k % 3 == 1 ? 0.5 : 0.05);
        const double x1 = (u(rng) * 1.4 - 0.2) * w - GridOriginX, y1 = (u(rng) * 1.4 - 0.2) * h - GridOriginY;
        MyBox rect{x1, x1 + (u(rng) - 0.3) * w * size, y1, y1 + (u(rng) - 0.3) * h * size};
        MyBox expected = rect;
        MyIntArray fast, plain;
        const int n = SelectInRect(rect, fast, runner);
        literal::SelectInRect(reference, expected, plain);
        ASSERT_EQ(fast, plain) << "rectangle " << k;
        EXPECT_EQ(n, static_cast<int>(plain.size()));
        EXPECT_EQ(rect, expected) << "rectangle " << k;
    }
}

} // namespace gridtest
