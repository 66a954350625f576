// The 22 skin units' start (every pack read, checked and registered) beside a plain read of the
// same 22 resources: find, load, lock and one copy of the bytes, which any reader of a pack has
// to touch (the lock alone is printed too), and beside reading the packs into bare skins. Several
// rounds in turn; median and range of each. The first round is printed apart as well: a program
// starts its units once, on a fresh heap and with the resources not yet paged in, as that round does.
// The painting units need a display: run it under xvfb-run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "StartTiming.h"
#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPainters.h"
#include "ui/skins/SkinsUnits.h"

namespace {
using Clock = StartClock;

void Report(const char* what, std::vector<double> times, double baseline) {
    const double first = times.front();
    std::sort(times.begin(), times.end());
    double median = times[times.size() / 2];
    std::printf("%-44s median %9.3f ms  range %9.3f .. %9.3f ms", what, median, times.front(), times.back());
    if (baseline > 0) std::printf("  (%.1fx)", median / baseline);
    std::printf("  first round %9.3f ms\n", first);
}
} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 7;
    InitializeUnits(JoinUnits({PaintingCoreUnits(), SelectUnits(SkinsUnits(), {"dxSkinsCore"})}));
    const std::vector<UnitEntry> units = SkinPainterUnits(63);
    const HMODULE module = GetModuleHandle(nullptr);
    std::vector<const char*> names{"DefaultUserSkinData"};
    for (int i = 0; i < dxBuiltInSkinCount; ++i)
        names.push_back(BuiltInSkin(i).Name);

    size_t bytes = 0;
    std::vector<double> locked, read, packs, started;
    for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        for (const char* name : names) {
            HRSRC info = FindResourceA(module, name, "DXSKINS");
            const void* data = LockResource(LoadResource(module, info));
            if (!data || SizeofResource(module, info) == 0) return 1;
        }
        locked.push_back(Millis(start));

        start = Clock::now();
        bytes = 0;
        for (const char* name : names) {
            HRSRC info = FindResourceA(module, name, "DXSKINS");
            const void* data = LockResource(LoadResource(module, info));
            std::vector<char> copy(SizeofResource(module, info));
            std::memcpy(copy.data(), data, copy.size());
            bytes += copy.size();
        }
        read.push_back(Millis(start));

        start = Clock::now();
        for (const char* name : names)
            TdxSkin skin(name, module, true);
        packs.push_back(Millis(start));

        start = Clock::now();
        for (const UnitEntry& unit : units)
            unit.Initialize();
        started.push_back(Millis(start));
        for (auto unit = units.rbegin(); unit != units.rend(); ++unit)
            unit->Finalize();
    }
    std::printf("%zu packs, %zu bytes, %d rounds\n", names.size(), bytes, rounds);
    Report("resources found, loaded, locked", locked, 0);
    Report("resources found, loaded, locked, copied", read, 0);
    Report("the packs read into bare skins (and freed)", packs, Median(read));
    Report("skin units started", started, Median(read));
    FinalizeUnits();
    return 0;
}
