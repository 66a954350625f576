// The dataset's locate, lookup and filtered scan beside the raw record list beneath it, in the
// same run, over 1,000,000 rows of (integer key, 20-character text, double):
// - Locate of 10,000 random keys on a sorted key against as many SetRecNo + GetRecord reads;
// - Locate of a key near the end, unsorted, against GetNextRecord + CompareFieldValues;
// - Lookup both ways, unfiltered and filtered (a filtered lookup refilters first);
// - a scan filtered by OnFilterRecord against the record set's own filter hook.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <numeric>
#include <random>
#include <vector>

#include "data/memory/MemDataSet.h"
#include "platform/db/Fields.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

template <class F> double Best(F f, int runs = 3) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        f();
        best = std::min(best, Seconds(t));
    }
    return best;
}

void Line(const char* what, double ours, double base) {
    std::printf("%-52s %10.4f s   baseline %10.4f s   ratio %6.2f\n", what, ours, base,
                base > 0 ? ours / base : 0.0);
}

struct PlainRow {
    int32_t Id;
    char Name[21];
    double Amount;
};

std::vector<PlainRow> MakeRows(int count) {
    std::mt19937 rng(7);
    std::vector<int32_t> ids(static_cast<size_t>(count));
    std::iota(ids.begin(), ids.end(), 1);
    std::shuffle(ids.begin(), ids.end(), rng);
    std::vector<PlainRow> rows(static_cast<size_t>(count));
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].Id = ids[i];
        for (int c = 0; c < 20; ++c)
            rows[i].Name[c] = static_cast<char>('a' + rng() % 26);
        rows[i].Name[20] = 0;
        rows[i].Amount = static_cast<double>(rng() % 100000) / 100.0;
    }
    return rows;
}

class TBenchData : public TMemData {
public:
    explicit TBenchData(const std::vector<PlainRow>& rows) : rows_(rows) {}

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
    void DoOpen(bool) override {
        InitFields();
        void* buffer = nullptr;
        AllocRecBuf(buffer);
        InitRecordBuf(buffer);
        for (const PlainRow& r : rows_) {
            PutField(1, buffer, true, &r.Id);
            PutField(2, buffer, true, r.Name);
            PutField(3, buffer, true, &r.Amount);
            AppendRecord(buffer);
        }
        FreeRecBuf(buffer);
        SetToBegin();
    }

private:
    const std::vector<PlainRow>& rows_;
};

volatile long sink = 0;

void SortedLocate(const std::vector<PlainRow>& rows, const std::vector<int32_t>& keys) {
    TMemDataSet ds(nullptr);
    auto* data = new TBenchData(rows);
    ds.SetRecordSet(data);
    ds.Open();
    // Sorted once after the fill: appends to a sorted list each find their place by walking.
    ds.SetIndexFieldNames("ID");
    void* record = nullptr;
    data->AllocRecBuf(record);
    data->BuildRecNoCache(); // the record-number index the search uses, built once
    std::mt19937 rng(3);
    const double base = Best([&] {
        for (size_t i = 0; i < keys.size(); ++i) {
            data->SetRecNo(static_cast<int>(rng() % rows.size()) + 1);
            data->GetRecord(record);
            sink = sink + *static_cast<int32_t*>(record);
        }
    });
    const double ours = Best([&] {
        for (int32_t key : keys)
            sink = sink + ds.Locate("ID", Variant(key), 0);
    });
    Line("Locate, sorted key, random keys", ours, base);
    const double lookup = Best([&] {
        for (int32_t key : keys)
            sink = sink + ds.Lookup("ID", Variant(key), "AMOUNT").IsNull();
    });
    Line("Lookup, sorted key, random keys", lookup, base);
    data->FreeRecBuf(record);
}

void UnsortedLocate(const std::vector<PlainRow>& rows) {
    TMemDataSet ds(nullptr);
    auto* data = new TBenchData(rows);
    ds.SetRecordSet(data);
    ds.Open();
    const int32_t key = rows[rows.size() - 10].Id;
    void* record = nullptr;
    data->AllocRecBuf(record);
    TFieldDesc* desc = data->FieldDescOf(1);
    const double base = Best([&] {
        for (data->SetToBegin(), data->GetNextRecord(record); !data->IsEOF(); data->GetNextRecord(record))
            if (data->CompareFieldValues(&key, tcInt32, 0, record, desc) == 0) break;
        sink = sink + data->GetRecNo();
    });
    const double ours = Best([&] {
        ds.First();
        sink = sink + ds.Locate("ID", Variant(key), 0);
    });
    Line("Locate, unsorted key near the end", ours, base);
    const double lookup = Best([&] { sink = sink + ds.Lookup("ID", Variant(key), "AMOUNT").IsNull(); });
    Line("Lookup, unsorted key near the end", lookup, base);
    ds.SetOnFilterRecord([](TDataSet*, bool& accept) { accept = true; });
    ds.SetFiltered(true);
    const double filtered = Best([&] { sink = sink + ds.Lookup("ID", Variant(key), "AMOUNT").IsNull(); });
    Line("Lookup, unsorted, filtered (refilters first)", filtered, base);
    data->FreeRecBuf(record);
}

void FilteredScan(const std::vector<PlainRow>& rows) {
    long count = 0;
    double base;
    {
        TBenchData data(rows);
        data.Open();
        void* record = nullptr;
        data.AllocRecBuf(record);
        data.FilterRecordHook = [&data](void* r) {
            bool isNull = false;
            int32_t id = 0;
            data.GetField(1, r, isNull, &id);
            return id % 2 == 0;
        };
        base = Best([&] {
            data.ClearFilterCache();
            data.Refilter();
            for (data.SetToBegin(), data.GetNextRecord(record); !data.IsEOF(); data.GetNextRecord(record))
                ++count;
        });
        data.FreeRecBuf(record);
    }
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TBenchData(rows));
    ds.Open();
    TField* id = ds.FieldByName("ID");
    ds.SetOnFilterRecord([id](TDataSet*, bool& accept) { accept = id->AsInteger() % 2 == 0; });
    const double ours = Best([&] {
        ds.SetFiltered(false);
        ds.SetFiltered(true); // refilters: every row through the event
        for (ds.First(); !ds.Eof(); ds.Next())
            ++count;
    });
    sink = sink + count;
    Line("Scan filtered by OnFilterRecord", ours, base);
}
} // namespace

// Optional arguments: the row count and the key count (1,000,000 and 10,000 by default).
int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int keyCount = argc > 2 ? std::atoi(argv[2]) : 10000;
    std::vector<PlainRow> rows = MakeRows(count);
    std::printf("rows: %d\n\n", count);
    std::mt19937 rng(11);
    std::vector<int32_t> keys(static_cast<size_t>(keyCount));
    for (int32_t& k : keys)
        k = static_cast<int32_t>(rng() % count) + 1;
    SortedLocate(rows, keys);
    UnsortedLocate(rows);
    FilteredScan(rows);
    return 0;
}
