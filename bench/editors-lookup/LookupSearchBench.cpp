// SearchItems over 100,000 lookup items (ASCII and Chinese), a prefix found near the end and one
// found nowhere, beside the best plain ways to do the same: a loop over a vector of strings with
// the same locale comparison, and a binary search over a sorted copy. Also counts the heap
// allocations of one search.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/BenchAllocations.h"
#include "bench/BenchRounds.h"
#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/editors/TextEditLookupData.h"
#include "ui/editors/TextEditProperties.h"

namespace {
constexpr int Items = 100000;
constexpr int Rounds = 15;
constexpr int SearchesPerRound = 20;

class TBenchSide : public IcxTextEditLookupSide {
public:
    TcxTextEditProperties properties;
    TcxCustomTextEditProperties* LookupProperties() override { return &properties; }
    AnsiString LookupText() override { return {}; }
    int LookupSelStart() override { return 0; }
    int LookupSelLength() override { return 0; }
    void LookupSetText(const AnsiString&, int, int) override {}
    void LookupSetSelection(int, int) override {}
    bool LookupCompletion() override { return false; }
    void LookupSetCompletion(bool) override {}
    bool LookupLocked() override { return false; }
    bool LookupTryEnterEditMode() override { return true; }
    void LookupSetChangePending(bool) override {}
    void LookupMarkModified() override {}
};

bool StartsWith(const std::string& item, const std::string& text) {
    return text.size() <= item.size() && IsCharBoundary(item, static_cast<int>(text.size())) &&
           AnsiCompareText(std::string_view(item).substr(0, text.size()), text) == 0;
}

volatile int sink;
} // namespace

int main() {
    InitializeUnits(JoinUnits({PaintingCoreUnits(), EditorFrameworkUnits(), EditorsUnits()}));
    std::printf("%d items, %d rounds of %d searches; median [range] per round\n", Items, Rounds, SearchesPerRound);
    for (const char* stem : {"item-", "条目-"}) {
        TBenchSide side;
        std::vector<std::string> plain;
        side.properties.LookupItems()->BeginUpdate();
        for (int i = 0; i < Items; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "%06d", (i * 7919) % Items);
            std::string item = std::string(stem) + number + "-尾部tail";
            side.properties.LookupItems()->Add(item);
            plain.push_back(item);
        }
        side.properties.LookupItems()->EndUpdate();
        std::vector<std::string> sorted = plain;
        std::sort(sorted.begin(), sorted.end(),
                  [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
        TcxCustomTextEditLookupData lookup;
        lookup.Side = &side;
        char nearEnd[16];
        std::snprintf(nearEnd, sizeof nearEnd, "%06d", ((Items - 5) * 7919) % Items);
        const std::string found = std::string(stem) + nearEnd;
        const std::string missing = std::string(stem) + "x";

        for (const std::string& prefix : {found, missing}) {
            std::printf("%s prefix \"%s\" (%s)\n", stem[0] == 'i' ? "ASCII" : "Chinese", prefix.c_str(),
                        prefix == found ? "item 99,995" : "not found");
            auto search = [&] {
                auto start = std::chrono::steady_clock::now();
                int hits = 0;
                for (int n = 0; n < SearchesPerRound; ++n) {
                    AnsiString text = prefix, tail;
                    hits += lookup.SearchPrefix(text, tail, false);
                }
                sink = hits;
                return BenchSeconds(start);
            };
            auto loop = [&] {
                auto start = std::chrono::steady_clock::now();
                int hits = 0;
                for (int n = 0; n < SearchesPerRound; ++n)
                    for (const std::string& item : plain)
                        if (StartsWith(item, prefix)) {
                            ++hits;
                            break;
                        }
                sink = hits;
                return BenchSeconds(start);
            };
            auto binary = [&] {
                auto start = std::chrono::steady_clock::now();
                int hits = 0;
                for (int n = 0; n < SearchesPerRound; ++n) {
                    auto it = std::lower_bound(sorted.begin(), sorted.end(), prefix,
                                               [](const std::string& item, const std::string& text) {
                                                   return AnsiCompareText(item, text) < 0;
                                               });
                    hits += it != sorted.end() && StartsWith(*it, prefix);
                }
                sink = hits;
                return BenchSeconds(start);
            };
            std::vector<BenchPhase> phases{{"plain loop", loop, "", {}},
                                           {"SearchItems", search, "plain loop", {}},
                                           {"sorted bsearch", binary, "plain loop", {}}};
            RunRounds(phases, Rounds);
            PrintRounds(phases);
            long before = benchAllocations;
            AnsiString text = prefix, tail;
            lookup.SearchPrefix(text, tail, false);
            std::printf("  allocations in one SearchItems: %ld\n", benchAllocations - before);
        }
    }
    FinalizeUnits();
    return 0;
}
