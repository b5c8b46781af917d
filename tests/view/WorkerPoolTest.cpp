// The kept worker threads: every task runs once, on a worker below the
// count asked for; errors come back to the caller; the pool is reusable
// after an error and with other worker counts.
#include "view/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

using namespace mainwin;

TEST(WorkerPoolTest, EveryTaskOnceOnTheWorkersAskedFor)
{
    for (unsigned workers : {1u, 2u, 5u, 8u}) {
        for (std::size_t tasks : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
            std::vector<std::atomic<int>> runs(tasks);
            std::atomic<bool> badWorker{false};
            RunOnWorkers(workers, tasks, [&](std::size_t t, unsigned w) {
                runs[t].fetch_add(1);
                if (w >= workers) badWorker = true;
            });
            for (std::size_t t = 0; t < tasks; ++t) EXPECT_EQ(runs[t].load(), 1) << workers << " workers, task " << t;
            EXPECT_FALSE(badWorker);
        }
    }
}

TEST(WorkerPoolTest, AnErrorReachesTheCallerAndThePoolGoesOn)
{
    EXPECT_THROW(RunOnWorkers(4, 100,
                              [](std::size_t t, unsigned) {
                                  if (t == 37) throw std::runtime_error("task failed");
                              }),
                 std::runtime_error);
    std::atomic<int> sum{0};
    RunOnWorkers(3, 10, [&](std::size_t t, unsigned) { sum += static_cast<int>(t); });
    EXPECT_EQ(sum.load(), 45);
}

TEST(WorkerPoolTest, WorkerCountIsBounded)
{
    EXPECT_EQ(WorkerCount(3, 8), 3u);
    EXPECT_EQ(WorkerCount(20, 8), 8u);
    EXPECT_GE(WorkerCount(0, 8), 1u);
    EXPECT_LE(WorkerCount(0, 8), 8u);
    EXPECT_EQ(WorkerCount(0, 0), 1u);
}
