// Record list figures beside plain baselines of the same run: appending 1,000,000 rows of
// (integer, 20-character text, double) with allocations per row, FreeData time against the
// number of blocks, SetRecNo to random positions, first and cached filter passes; then, in rounds
// that take turns, sorting 1,000,000 rows by IndexFieldNames for every key kind beside the plain
// way to the same order: walk the list into an array of row pointers, std::sort it by the key
// read from each row (the same indirection the list uses, the same comparison) and link the rows
// in that order.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "../BenchRounds.h"
#include "data/memory/MemData.h"
#include "data/memory/MemUtils.h"

namespace {
std::atomic<long> newCalls{0};
}

// Counts every operator new of the process (containers, strings, objects).
void* operator new(size_t size) {
    ++newCalls;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class TBenchData : public TMemData {
public:
    TBenchData() { InitFields(); }

protected:
    void DoInitFields() override {
        auto add = [this](const char* name, TDataTypeCode code, int length) {
            auto* d = new TFieldDesc();
            d->FieldName = name;
            d->TypeCode = code;
            d->DeclaredLength = static_cast<uint16_t>(length);
            d->StorageSize = DataTypeStorageSize(code, length);
            FieldDescs().Add(d);
        };
        add("ID", tcInt32, 0);
        add("NAME", tcString, 20);
        add("AMOUNT", tcFloat, 0);
        add("BIG", tcInt64, 0);
        add("WNAME", tcWideString, 20);
        add("SHUFFLE", tcInt32, 0);
    }
};

struct PlainRow {
    int32_t Id;
    char Name[21];
    double Amount;
    int64_t Big;
    wchar_t WName[21];
    int32_t Shuffle;
};

std::vector<PlainRow> MakeRows(int count) {
    std::mt19937 rng(7);
    std::vector<PlainRow> rows(static_cast<size_t>(count));
    for (auto& r : rows) {
        r.Id = static_cast<int32_t>(rng() % 1000000000);
        for (int i = 0; i < 20; ++i)
            r.Name[i] = static_cast<char>('a' + rng() % 26);
        r.Name[20] = 0;
        // Mixed case, so that the case-blind and the locale orders differ from the binary one.
        for (int i = 0; i < 20; i += 3)
            r.Name[i] = static_cast<char>(r.Name[i] - 'a' + 'A');
        r.Amount = static_cast<double>(rng() % 100000) / 100.0;
        r.Big = static_cast<int64_t>(rng()) << 31 ^ static_cast<int64_t>(rng());
        for (int i = 0; i < 21; ++i)
            r.WName[i] = static_cast<wchar_t>(r.Name[i]);
        r.Shuffle = static_cast<int32_t>(rng());
    }
    return rows;
}

int CountBlocks(TMemData& data) {
    int n = 0;
    for (PRowBlock b = data.BlockManager().NewestBlock; b; b = b->OlderBlock())
        ++n;
    return n;
}

void Append(TBenchData& data, const std::vector<PlainRow>& rows, size_t count) {
    void* buffer = nullptr;
    data.AllocRecBuf(buffer);
    data.InitRecordBuf(buffer);
    for (size_t i = 0; i < count; ++i) {
        const PlainRow& r = rows[i];
        data.PutField(1, buffer, true, &r.Id);
        data.PutField(2, buffer, true, r.Name);
        data.PutField(3, buffer, true, &r.Amount);
        data.PutField(4, buffer, true, &r.Big);
        const wchar_t* wide = r.WName;
        data.PutField(5, buffer, true, &wide);
        data.PutField(6, buffer, true, &r.Shuffle);
        data.AppendRecord(buffer);
    }
    data.FreeRecBuf(buffer);
}

void Line(const char* what, double ours, double base, const char* unit = "s") {
    std::printf("%-44s %10.4f %s   baseline %10.4f %s   ratio %6.2f\n", what, ours, unit, base, unit,
                base > 0 ? ours / base : 0.0);
}
// The plain way to the order IndexFieldNames gives: row pointers from the list, std::sort by
// the key read from each row, the list linked in that order.
template <class Less> double PlainSort(TMemData& data, Less less) {
    auto t = Clock::now();
    std::vector<PRowItem> items;
    items.reserve(static_cast<size_t>(data.RecordCount));
    for (PRowItem i = data.FirstItem; i; i = i->NextItem())
        items.push_back(i);
    std::sort(items.begin(), items.end(), less);
    PRowItem prev = nullptr;
    for (PRowItem i : items) {
        i->SetPrevItem(prev);
        if (prev) prev->SetNextItem(i);
        prev = i;
    }
    prev->SetNextItem(nullptr);
    data.FirstItem = items.front();
    data.LastItem = items.back();
    return Seconds(t);
}

// Kinds whose name contains the filter (all for an empty one).
void SortRounds(TMemData& data, int rounds, const std::string& filter) {
    auto offset = [&data](int fieldNo) { return data.FieldDescOf(fieldNo)->RecordOffset; };
    const int id = offset(1), name = offset(2), amount = offset(3), big = offset(4), wname = offset(5);
    auto key = [](PRowItem i, int at) { return i->Record() + at; };
    auto int32At = [key](PRowItem i, int at) { return LoadUnaligned<int32_t>(key(i, at), 0); };
    auto text = [key](PRowItem i, int at) { return reinterpret_cast<const char*>(key(i, at)); };
    auto wide = [key](PRowItem i, int at) { return reinterpret_cast<const wchar_t*>(key(i, at)); };
    // The plain sorts by a text comparison of the 8-bit and the 16-bit names.
    auto byText = [&](int (*compare)(const char*, const char*)) {
        return [&, compare] {
            return PlainSort(data, [&](PRowItem a, PRowItem b) { return compare(text(a, name), text(b, name)) < 0; });
        };
    };
    auto byWide = [&](int (*compare)(const wchar_t*, const wchar_t*)) {
        return [&, compare] {
            return PlainSort(data,
                             [&](PRowItem a, PRowItem b) { return compare(wide(a, wname), wide(b, wname)) < 0; });
        };
    };
    struct Kind {
        const char* Name;
        const char* Index;
        std::function<double()> Plain;
    };
    std::vector<Kind> kinds = {
        {"int32", "ID",
         [&] { return PlainSort(data, [&](PRowItem a, PRowItem b) { return int32At(a, id) < int32At(b, id); }); }},
        {"int64", "BIG",
         [&] {
             return PlainSort(data, [&](PRowItem a, PRowItem b) {
                 return LoadUnaligned<int64_t>(key(a, big), 0) < LoadUnaligned<int64_t>(key(b, big), 0);
             });
         }},
        {"double", "AMOUNT",
         [&] {
             return PlainSort(data, [&](PRowItem a, PRowItem b) {
                 return LoadUnaligned<double>(key(a, amount), 0) < LoadUnaligned<double>(key(b, amount), 0);
             });
         }},
        {"text bin", "NAME BIN", byText(std::strcmp)},
        {"text", "NAME", byText(ComparePCharStr)},
        {"text cis", "NAME CIS", byText(ComparePCharText)},
        {"wide bin", "WNAME BIN", byWide(std::wcscmp)},
        {"wide", "WNAME", byWide(CompareWideStr)},
    };
    std::vector<BenchPhase> phases;
    for (const Kind& k : kinds) {
        if (std::string(k.Name).find(filter) == std::string::npos) continue;
        std::string plain = std::string("std::sort ") + k.Name;
        // Each run starts from the same unrelated order (not timed).
        phases.push_back({plain,
                          [&data, k] {
                              data.SetIndexFieldNames("SHUFFLE");
                              return k.Plain();
                          },
                          "",
                          {}});
        phases.push_back({std::string("index ") + k.Name,
                          [&data, k] {
                              data.SetIndexFieldNames("SHUFFLE");
                              auto t = Clock::now();
                              data.SetIndexFieldNames(k.Index);
                              return Seconds(t);
                          },
                          plain,
                          {}});
    }
    RunRounds(phases, rounds);
    std::printf("\nsort of %d rows, median of %d rounds taking turns [range], ratio to the plain way:\n",
                data.RecordCount, rounds);
    PrintRounds(phases);
}
} // namespace

// data_memory_list_bench [sort [ROUNDS [KIND]]]: everything, or only the sort rounds (7 unless
// given) of the key kinds whose name contains KIND (the locale kinds take long under Wine).
int main(int argc, char** argv) {
    const int count = 1000000;
    std::vector<PlainRow> rows = MakeRows(count);
    std::printf("rows: %d\n\n", count);
    if (argc > 1 && std::string(argv[1]) == "sort") {
        TBenchData data;
        data.Open();
        Append(data, rows, rows.size());
        SortRounds(data, argc > 2 ? std::atoi(argv[2]) : 7, argc > 3 ? argv[3] : "");
        return 0;
    }

    // ---- append ----
    {
        TBenchData data;
        data.Open();
        long before = newCalls;
        auto t = Clock::now();
        Append(data, rows, rows.size());
        double ours = Seconds(t);
        long news = newCalls - before;
        int blocks = CountBlocks(data);

        std::vector<PlainRow> copy;
        t = Clock::now();
        for (const PlainRow& r : rows)
            copy.push_back(r);
        double base = Seconds(t);
        std::printf("append: %.0f rows/s (vector push_back %.0f rows/s), ratio %.2f\n", count / ours,
                    count / base, ours / base);
        std::printf("append allocations: %d blocks + %ld operator new = %.3f per row (10 rows a block)\n\n",
                    blocks, news, static_cast<double>(blocks + news) / count);
    }

    // ---- FreeData against the number of blocks ----
    std::printf("FreeData:\n");
    for (int n : {125000, 250000, 500000, 1000000}) {
        TBenchData data;
        data.Open();
        Append(data, rows, static_cast<size_t>(n));
        int blocks = CountBlocks(data);
        auto t = Clock::now();
        data.FreeData();
        double s = Seconds(t);
        std::printf("  %8d rows %7d blocks: %8.4f s  %7.1f ns/block\n", n, blocks, s, s * 1e9 / blocks);
    }
    std::printf("\n");

    // ---- positioning, filter passes, sorting on one list ----
    TBenchData data;
    data.Open();
    Append(data, rows, rows.size());
    std::mt19937 rng(11);
    {
        const int probes = 1000;
        std::vector<int> targets(probes);
        for (int& x : targets)
            x = static_cast<int>(rng() % count) + 1;
        volatile int sink = 0;
        auto t = Clock::now();
        for (int x : targets)
            data.SetRecNo(x);
        double walk = Seconds(t) / probes;
        data.BuildRecNoCache();
        const int cachedProbes = 1000000;
        std::vector<int> many(cachedProbes);
        for (int& x : many)
            x = static_cast<int>(rng() % count) + 1;
        t = Clock::now();
        for (int x : many)
            data.SetRecNo(x);
        double cached = Seconds(t) / cachedProbes;
        t = Clock::now();
        for (int x : many)
            sink = sink + rows[static_cast<size_t>(x) - 1].Id;
        double base = Seconds(t) / cachedProbes;
        Line("SetRecNo random, walking (per call)", walk * 1e6, base * 1e6, "us");
        Line("SetRecNo random, record number cache", cached * 1e6, base * 1e6, "us");
        (void)sink;
    }
    {
        auto keep = [&data](void* record) {
            int32_t id;
            std::memcpy(&id, static_cast<uint8_t*>(record) + data.FieldDescOf(1)->RecordOffset, 4);
            return id % 3 != 0;
        };
        data.FilterRecordHook = keep;
        auto t = Clock::now();
        data.Refilter();
        double first = Seconds(t);
        t = Clock::now();
        int shown = 0;
        data.SetToBegin();
        for (data.GetNextRecord(nullptr); !data.IsEOF(); data.GetNextRecord(nullptr))
            ++shown;
        double cachedPass = Seconds(t);
        t = Clock::now();
        int plain = 0;
        for (const PlainRow& r : rows)
            if (r.Id % 3 != 0) ++plain;
        double base = Seconds(t);
        std::printf("filter shows %d of %d (plain %d)\n", shown, count, plain);
        Line("filter first pass (Refilter)", first, base);
        Line("filter cached pass (navigate all)", cachedPass, base);
        data.FilterRecordHook = nullptr;
        data.Refilter();
    }
    SortRounds(data, 7, "");
    return 0;
}
