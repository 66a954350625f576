#pragma once
// The best of several timed batches: what the benchmarks print beside their baselines.
#include <algorithm>
#include <chrono>

#include <windows.h>

// Per call, in the unit asked for (std::micro, std::milli); GDI's batch is flushed inside the time.
template <class Unit, class F> double BestTime(F f, int calls = 1, int batches = 5) {
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    for (int b = 0; b < batches; ++b) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i)
            f();
        GdiFlush();
        best = std::min(best, std::chrono::duration<double, Unit>(Clock::now() - start).count() / calls);
    }
    return best;
}
