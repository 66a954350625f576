// Where the launcher's unit start goes: every unit of the launcher's table started and ended in
// turn, several rounds, each unit's time printed with its median and range, the first (cold)
// round apart, since that is the one a program pays. The slowest units are printed first.
// The painting units need a display: run it under xvfb-run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "launcher/LauncherUnits.h"
#include "StartTiming.h"
#include "platform/core/UnitTable.h"

namespace {
using Clock = StartClock;

struct UnitTimes {
    const char* Name;
    std::vector<double> Times;
};
} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 7;
    const std::vector<UnitEntry> units = LauncherUnits();
    std::vector<UnitTimes> times;
    for (const UnitEntry& unit : units)
        times.push_back({unit.Name, {}});
    std::vector<double> totals;
    for (int round = 0; round < rounds; ++round) {
        const auto all = Clock::now();
        for (size_t i = 0; i < units.size(); ++i) {
            const auto start = Clock::now();
            if (units[i].Initialize) units[i].Initialize();
            times[i].Times.push_back(Millis(start));
        }
        totals.push_back(Millis(all));
        for (auto unit = units.rbegin(); unit != units.rend(); ++unit)
            if (unit->Finalize) unit->Finalize();
    }
    std::stable_sort(times.begin(), times.end(),
                     [](const UnitTimes& a, const UnitTimes& b) { return a.Times.front() > b.Times.front(); });
    std::printf("%zu units, %d rounds\n", units.size(), rounds);
    const auto report = [](const char* name, const std::vector<double>& t) {
        std::printf("%-28s first %8.3f ms  median %8.3f ms  range %8.3f .. %8.3f ms\n", name, t.front(), Median(t),
                    *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()));
    };
    report("all units", totals);
    for (const UnitTimes& unit : times)
        report(unit.Name, unit.Times);
    return 0;
}
