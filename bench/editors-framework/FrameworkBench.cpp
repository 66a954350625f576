// Median and range of several rounds, each beside its baseline measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/editors/framework/SolidBrushCache.h"
#include "ui/editors/framework/ValueTypes.h"
#include "ui/editors/framework/Variants.h"

namespace {
constexpr int Rounds = 7;
volatile int64_t sink = 0;

struct Timing {
    double median, low, high;
};

// Milliseconds per round; setup runs untimed before each.
Timing Measure(const std::function<void()>& setup, const std::function<void()>& work) {
    std::vector<double> times;
    for (int r = 0; r < Rounds; ++r) {
        setup();
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

void Report(const char* name, Timing subject, const char* baselineName, Timing baseline) {
    std::printf("%-34s median %9.2f ms  range %9.2f .. %9.2f\n", name, subject.median, subject.low, subject.high);
    std::printf("%-34s median %9.2f ms  range %9.2f .. %9.2f\n", baselineName, baseline.median, baseline.low,
                baseline.high);
    std::printf("%-34s %.2fx the baseline\n\n", "", subject.median / baseline.median);
}

// Kinds in the same order for every seed (the platform's equality raises for a text that is no
// number against a number), values drawn from the seed.
std::vector<Variant> MixedValues(int count, unsigned seed) {
    std::mt19937 kinds(46), random(seed);
    std::vector<Variant> values;
    values.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        int n = static_cast<int>(random() % 1000);
        switch (kinds() % 8) {
        case 0:
            values.emplace_back(n);
            break;
        case 1:
            values.emplace_back(n / 8.0);
            break;
        case 2:
            values.emplace_back(AnsiString("text ") + std::to_string(n));
            break;
        case 3:
            values.emplace_back(Variant::Null());
            break;
        case 4:
            values.emplace_back(n % 2 == 0);
            break;
        case 5:
            values.emplace_back(Currency::FromScaled(n * 100));
            break;
        case 6:
            values.emplace_back(Variant::FromDateTime(40000 + n));
            break;
        default:
            values.emplace_back(static_cast<int64_t>(n) << 33);
        }
    }
    return values;
}

void CompareBench() {
    const int count = 1000000;
    std::vector<Variant> a = MixedValues(count, 1), b = MixedValues(count, 2);
    Timing subject = Measure([] {}, [&] {
        int64_t s = 0;
        for (int i = 0; i < count; ++i)
            s += CompareVariants(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)]);
        sink = s;
    });
    Timing baseline = Measure([] {}, [&] {
        int64_t s = 0;
        for (int i = 0; i < count; ++i)
            s += a[static_cast<size_t>(i)] == b[static_cast<size_t>(i)];
        sink = s;
    });
    Report("CompareVariants, 1,000,000 pairs", subject, "Variant equality", baseline);
}

void SortBench() {
    const int count = 1000000;
    std::vector<int32_t> source(count);
    std::mt19937 random(46);
    for (int32_t& v : source)
        v = static_cast<int32_t>(random());
    std::vector<int32_t> data;
    TcxValueTypeClass type = ValueTypeClass<TcxIntegerValueType>();
    Timing subject = Measure([&] { data = source; }, [&] {
        std::sort(data.begin(), data.end(),
                  [type](const int32_t& x, const int32_t& y) { return type->CompareBuffers(&x, &y) < 0; });
    });
    Timing baseline = Measure([&] { data = source; }, [&] { std::sort(data.begin(), data.end(), std::less<int>()); });
    Report("sort through CompareBuffers", subject, "sort with std::less<int>", baseline);
}

void StreamBench() {
    const int count = 1000000;
    std::vector<Variant> values = MixedValues(count, 1);
    // The same bytes, value by value, for the baseline.
    std::vector<TBytes> encoded;
    encoded.reserve(values.size());
    for (const Variant& v : values) {
        TMemoryStream one;
        WriteVariantToStream(&one, v);
        const uint8_t* p = static_cast<const uint8_t*>(one.Memory());
        encoded.emplace_back(p, p + one.Size());
    }
    TMemoryStream stream;
    Timing write = Measure([&] { stream.Clear(); }, [&] {
        for (const Variant& v : values)
            WriteVariantToStream(&stream, v);
    });
    Timing writeBase = Measure([&] { stream.Clear(); }, [&] {
        for (const TBytes& bytes : encoded)
            stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    });
    Report("write 1,000,000 values", write, "WriteBuffer of the same bytes", writeBase);
    uint8_t buffer[64];
    Timing read = Measure([&] { stream.SetPosition(0); }, [&] {
        int64_t s = 0;
        for (int i = 0; i < count; ++i)
            s += ReadVariantFromStream(&stream).VarType();
        sink = s;
    });
    Timing readBase = Measure([&] { stream.SetPosition(0); }, [&] {
        int64_t s = 0;
        for (const TBytes& bytes : encoded) {
            stream.ReadBuffer(buffer, static_cast<int>(bytes.size()));
            s += buffer[0];
        }
        sink = s;
    });
    Report("read 1,000,000 values", read, "ReadBuffer of the same bytes", readBase);
}

void BrushBench() {
    const int count = 100000;
    Timing subject = Measure([] { SolidBrushCache()->ReleaseAll(); }, [&] {
        int64_t s = 0;
        for (int i = 0; i < count; ++i)
            s += reinterpret_cast<intptr_t>(GetCachedSolidBrush(static_cast<TColor>((i % 100) * 0x020202)));
        sink = s;
    });
    Timing baseline = Measure([] {}, [&] {
        int64_t s = 0;
        for (int i = 0; i < count; ++i) {
            HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>((i % 100) * 0x020202));
            s += reinterpret_cast<intptr_t>(brush);
            DeleteObject(brush);
        }
        sink = s;
    });
    Report("100,000 brush lookups", subject, "CreateSolidBrush + DeleteObject", baseline);
}
} // namespace

int main() {
    InitializeUnits(JoinUnits({PaintingCoreUnits(), EditorFrameworkUnits()}));
    CompareBench();
    SortBench();
    StreamBench();
    BrushBench();
    FinalizeUnits();
    return 0;
}
