#pragma once
// Work split into numbered tasks that may run side by side. Core starts no
// threads of its own: whoever calls a heavy kernel hands it a runner (the
// program's worker pool), or none to run everything on the calling thread.
#include <cstddef>
#include <functional>

namespace core {

// fn(task, worker) for one task. Worker 0 is the calling thread, the only one
// that may touch the window (a gauge, letting events run).
using TaskFunction = std::function<void(std::size_t task, unsigned worker)>;
// Runs fn for every task in 0..tasks-1 and returns when all are done.
using TaskRunner = std::function<void(std::size_t tasks, const TaskFunction& fn)>;

inline void RunTasks(const TaskRunner& runner, std::size_t tasks, const TaskFunction& fn)
{
    if (runner) {
        runner(tasks, fn);
        return;
    }
    for (std::size_t t = 0; t < tasks; ++t) fn(t, 0);
}

} // namespace core
