#pragma once
// Rounds that take turns: every phase runs once a round, in an order that rotates from round to
// round, so that a busy machine weighs on every phase alike. Reported as the median time with its
// range, and the median (and range) of each round's ratio to the phase's baseline.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct BenchPhase {
    std::string Name;
    std::function<double()> Run; // seconds
    std::string Baseline;        // the phase it is compared with; empty for none
    std::vector<double> Times;
};

inline double BenchSeconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline void RunRounds(std::vector<BenchPhase>& phases, int rounds) {
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < phases.size(); ++i) {
            BenchPhase& p = phases[(i + static_cast<size_t>(r)) % phases.size()];
            p.Times.push_back(p.Run());
        }
}

inline const BenchPhase* FindPhase(const std::vector<BenchPhase>& phases, const std::string& name) {
    for (const BenchPhase& p : phases)
        if (p.Name == name) return &p;
    return nullptr;
}

// One line a phase: "name  median ms [min-max]  ratio x baseline [min-max]" and what note adds.
inline void PrintRounds(const std::vector<BenchPhase>& phases,
                        const std::function<std::string(const BenchPhase&)>& note = {}) {
    for (const BenchPhase& p : phases) {
        const auto [lo, hi] = std::minmax_element(p.Times.begin(), p.Times.end());
        std::printf("  %-15s %9.1f ms [%.1f-%.1f]", p.Name.c_str(), Median(p.Times) * 1000, *lo * 1000,
                    *hi * 1000);
        if (const BenchPhase* b = FindPhase(phases, p.Baseline)) {
            std::vector<double> ratios;
            for (size_t i = 0; i < p.Times.size() && i < b->Times.size(); ++i)
                ratios.push_back(p.Times[i] / b->Times[i]);
            const auto [rlo, rhi] = std::minmax_element(ratios.begin(), ratios.end());
            std::printf("  %.2fx %s [%.2f-%.2f]", Median(ratios), b->Name.c_str(), *rlo, *rhi);
        }
        if (note) std::printf("%s", note(p).c_str());
        std::printf("\n");
    }
}
