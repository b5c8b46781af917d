#include "view/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace mainwin {

namespace {

class Pool {
public:
    ~Pool()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }

    void Run(unsigned workers, std::size_t tasks, const std::function<void(std::size_t, unsigned)>& fn)
    {
        std::lock_guard<std::mutex> serial(runMutex_);
        workers = std::max(1u, workers);
        if (workers == 1 || tasks <= 1) {
            for (std::size_t t = 0; t < tasks; ++t) fn(t, 0);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            while (threads_.size() + 1 < workers) {
                const unsigned id = static_cast<unsigned>(threads_.size()) + 1;
                threads_.emplace_back([this, id] { Loop(id); });
            }
            fn_ = &fn;
            tasks_ = tasks;
            workers_ = workers;
            next_.store(0);
            error_ = nullptr;
            pending_ = workers - 1;
            ++round_;
        }
        wake_.notify_all();
        Work(0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
        fn_ = nullptr;
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    void Loop(unsigned id)
    {
        std::uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || (round_ != seen && id < workers_); });
                if (stop_) return;
                seen = round_;
            }
            Work(id);
            std::lock_guard<std::mutex> lock(mutex_);
            if (--pending_ == 0) done_.notify_one();
        }
    }

    void Work(unsigned id)
    {
        for (;;) {
            const std::size_t t = next_.fetch_add(1);
            if (t >= tasks_) return;
            try {
                (*fn_)(t, id);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex_);
                if (!error_) error_ = std::current_exception();
                next_.store(tasks_);   // the rest is not worth doing
            }
        }
    }

    std::mutex runMutex_, mutex_, errorMutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    const std::function<void(std::size_t, unsigned)>* fn_ = nullptr;
    std::size_t tasks_ = 0;
    unsigned workers_ = 0, pending_ = 0;
    std::uint64_t round_ = 0;
    std::atomic<std::size_t> next_{0};
    std::exception_ptr error_;
    bool stop_ = false;
};

Pool& ThePool()
{
    static Pool pool;
    return pool;
}

} // namespace

void RunOnWorkers(unsigned workers, std::size_t tasks, const std::function<void(std::size_t, unsigned)>& fn)
{
    ThePool().Run(workers, tasks, fn);
}

unsigned WorkerCount(unsigned wanted, unsigned limit)
{
    unsigned n = wanted ? wanted : std::thread::hardware_concurrency();
    return std::clamp(n, 1u, std::max(1u, limit));
}

core::TaskRunner PoolRunner()
{
    return [](std::size_t tasks, const core::TaskFunction& fn) { RunOnWorkers(WorkerCount(0, 8), tasks, fn); };
}

} // namespace mainwin
