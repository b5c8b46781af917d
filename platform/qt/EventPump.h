#pragma once
// Long work runs on the window thread. Between its blocks it lets pending
// window events run (repaints, timers), at most every ~50 ms and without
// user input, and a busy guard makes the window refuse commands, drops and
// closing until the work ends: nothing can re-enter a reader or reach tables
// that the work is changing.
#include <chrono>

namespace platform {

// Runs pending events, except user input, when ~50 ms have passed since the
// last time (or `force`). Cheap to call in a tight loop.
void PumpEvents(bool force = false);

// The interval of PumpEvents.
inline constexpr std::chrono::milliseconds PumpInterval{50};

// Marks long work in progress for its lifetime. Nests.
class BusyGuard {
public:
    BusyGuard();
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    // True while any guard lives: commands, drops and closing are refused.
    static bool Active();
};

} // namespace platform
