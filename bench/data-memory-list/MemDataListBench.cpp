// Record list figures beside plain baselines of the same run: appending 1,000,000 rows of
// (integer, 20-character text, double) with allocations per row, FreeData time against the
// number of blocks, SetRecNo to random positions, first and cached filter passes, and sorting
// 1,000,000 rows by text and by integer beside std::sort of the same keys and comparison.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

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
    }
};

struct PlainRow {
    int32_t Id;
    char Name[21];
    double Amount;
};

std::vector<PlainRow> MakeRows(int count) {
    std::mt19937 rng(7);
    std::vector<PlainRow> rows(static_cast<size_t>(count));
    for (auto& r : rows) {
        r.Id = static_cast<int32_t>(rng() % 1000000000);
        for (int i = 0; i < 20; ++i)
            r.Name[i] = static_cast<char>('a' + rng() % 26);
        r.Name[20] = 0;
        r.Amount = static_cast<double>(rng() % 100000) / 100.0;
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
        data.AppendRecord(buffer);
    }
    data.FreeRecBuf(buffer);
}

void Line(const char* what, double ours, double base, const char* unit = "s") {
    std::printf("%-44s %10.4f %s   baseline %10.4f %s   ratio %6.2f\n", what, ours, unit, base, unit,
                base > 0 ? ours / base : 0.0);
}
} // namespace

int main() {
    const int count = 1000000;
    std::vector<PlainRow> rows = MakeRows(count);
    std::printf("rows: %d\n\n", count);

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
    {
        std::vector<int32_t> ints;
        std::vector<const char*> texts;
        for (PRowItem i = data.FirstItem; i; i = i->NextItem()) {
            int32_t id;
            std::memcpy(&id, i->Record() + data.FieldDescOf(1)->RecordOffset, 4);
            ints.push_back(id);
            texts.push_back(reinterpret_cast<const char*>(i->Record() + data.FieldDescOf(2)->RecordOffset));
        }
        auto t = Clock::now();
        std::sort(ints.begin(), ints.end());
        double baseInt = Seconds(t);
        t = Clock::now();
        data.SetIndexFieldNames("ID");
        double oursInt = Seconds(t);
        t = Clock::now();
        std::sort(texts.begin(), texts.end(),
                  [](const char* a, const char* b) { return ComparePCharStr(a, b) < 0; });
        double baseText = Seconds(t);
        t = Clock::now();
        data.SetIndexFieldNames("NAME");
        double oursText = Seconds(t);
        Line("sort 1,000,000 by integer", oursInt, baseInt);
        Line("sort 1,000,000 by text (locale)", oursText, baseText);
        data.SetIndexFieldNames("ID"); // back to an order unrelated to the names
        t = Clock::now();
        data.SetIndexFieldNames("NAME BIN");
        double oursBin = Seconds(t);
        std::vector<const char*> texts2;
        for (PRowItem i = data.FirstItem; i; i = i->NextItem())
            texts2.push_back(reinterpret_cast<const char*>(i->Record() + data.FieldDescOf(2)->RecordOffset));
        std::shuffle(texts2.begin(), texts2.end(), rng);
        t = Clock::now();
        std::sort(texts2.begin(), texts2.end(),
                  [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
        double baseBin = Seconds(t);
        Line("sort 1,000,000 by text (binary)", oursBin, baseBin);
    }
    return 0;
}
