#pragma once
// Opens the other end of a FIFO once a while has passed, so that a read that
// waits on the FIFO ends, and its test fails, instead of hanging the suite.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace testsupport {

class FifoWatchdog {
public:
    explicit FifoWatchdog(const std::filesystem::path& fifo, std::chrono::milliseconds after = std::chrono::seconds(5))
        : thread_([this, fifo, after] {
              const auto deadline = std::chrono::steady_clock::now() + after;
              while (!stop_) {
                  // Succeeds only while a reader has the FIFO open or waits on it.
                  if (std::chrono::steady_clock::now() >= deadline) {
                      if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
                          fired = true;
                          ::close(fd);
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          })
    {
    }
    ~FifoWatchdog()
    {
        stop_ = true;
        thread_.join();
    }
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

    std::atomic<bool> fired{false};

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace testsupport
