#pragma once
// Worker threads kept for the life of the program, so that a redraw hands
// out its bands without starting threads each time.
#include "core/Tasks.h"

#include <cstddef>
#include <functional>

namespace mainwin {

// Runs fn(task, worker) for every task in 0..tasks-1 on at most `workers`
// threads, the calling thread being worker 0; returns when all are done.
// Tasks are taken in order as workers come free. An exception thrown by a
// task is thrown again here once the others have finished. Calls from
// several threads at once are run one after the other.
void RunOnWorkers(unsigned workers, std::size_t tasks, const std::function<void(std::size_t task, unsigned worker)>& fn);

// The number of workers a parallel job should use: `wanted`, or one per
// processor when 0, at least 1 and at most `limit`.
unsigned WorkerCount(unsigned wanted, unsigned limit);

// The pool as the runner of core's heavy kernels (the grid, the design-rule
// check): one worker per processor, at most eight.
core::TaskRunner PoolRunner();

} // namespace mainwin
