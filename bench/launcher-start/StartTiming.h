#pragma once
// What the start benchmarks share: milliseconds since a point, and the median of a round's times.
#include <algorithm>
#include <chrono>
#include <vector>

using StartClock = std::chrono::steady_clock;

inline double Millis(StartClock::time_point start) {
    return std::chrono::duration<double, std::milli>(StartClock::now() - start).count();
}

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
