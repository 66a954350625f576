#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>

#include "platform/core/Win.h"
#include "tests/data/memory/MemDataTestFixture.h"

namespace {
std::vector<FieldSpec> SortFields() {
    return {{"ID", tcInt32},          {"NAME", tcString, 12},
            {"NUM", tcInt32},         {"WNAME", tcWideString, 12},
            {"EXT", tcExtString, 12}, {"Order Date", tcDateTime},
            {"AMOUNT", tcFloat},      {"SMALL", tcInt16}};
}

std::string RandomText(std::mt19937& rng) {
    static const char* const pieces[] = {"a", "A", "b", "B", "c", "C", "z", "Z", "中", "文", " ", "-"};
    int length = std::uniform_int_distribution<int>(0, 5)(rng);
    std::string s;
    for (int i = 0; i < length; ++i)
        s += pieces[std::uniform_int_distribution<int>(0, 11)(rng)];
    return s;
}

void FillRandom(TMemData& data, int count, unsigned seed) {
    std::mt19937 rng(seed);
    auto maybeNull = [&](TestValue v) {
        return std::uniform_int_distribution<int>(0, 19)(rng) == 0 ? TestValue::Null() : v;
    };
    for (int i = 0; i < count; ++i) {
        std::string text = RandomText(rng);
        StoreRow(data,
                 {I(i), maybeNull(S(text)), maybeNull(I(std::uniform_int_distribution<int>(-50, 50)(rng))),
                  maybeNull(W(AnsiToWide(RandomText(rng)))), maybeNull(S(RandomText(rng))),
                  maybeNull(F(40000 + std::uniform_int_distribution<int>(0, 500)(rng) / 7.0)),
                  maybeNull(F(std::uniform_int_distribution<int>(-1000, 1000)(rng) / 4.0)),
                  maybeNull(I(std::uniform_int_distribution<int>(-300, 300)(rng)))});
    }
}

std::vector<void*> ListRecords(TMemData& data) {
    std::vector<void*> records;
    for (PRowItem item = data.FirstItem; item; item = item->NextItem())
        records.push_back(item->Record());
    return records;
}

struct SortColumnExpect {
    const char* Name;
    bool Descending;
    TSortType Type;
};
} // namespace

TEST(SortParseTest, IndexFieldNamesGiveTheirColumns) {
    struct Case {
        const char* Text;
        std::vector<SortColumnExpect> Columns;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"NAME;ID DESC", {{"NAME", false, stCaseSensitive}, {"ID", true, stCaseSensitive}}},
        {"name CIS, [Order Date] DESC BIN",
         {{"NAME", false, stCaseInsensitive}, {"Order Date", true, stBinary}}},
        {";;NUM bin asc", {{"NUM", false, stBinary}}},
        {"'EXT' cs;;", {{"EXT", false, stCaseSensitive}}},
        {"AMOUNT Desc Cis", {{"AMOUNT", true, stCaseInsensitive}}},
    };
    TTestMemData data(SortFields());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        data.IndexFieldNames = c.Text;
        data.ParseIndexFieldNames();
        ASSERT_EQ(data.SortColumns().Count(), static_cast<int>(c.Columns.size()));
        for (size_t i = 0; i < c.Columns.size(); ++i) {
            TSortColumn* col = data.SortColumns().GetItem(static_cast<int>(i));
            EXPECT_EQ(col->ColumnDesc->FieldName, c.Columns[i].Name);
            EXPECT_EQ(col->IsDescending != 0, c.Columns[i].Descending);
            EXPECT_EQ(col->ColumnSortType, c.Columns[i].Type);
        }
    }
}

TEST(SortParseTest, MalformedIndexFieldNamesRaiseAndKeepTheColumnsSoFar) {
    struct Case {
        const char* Text;
        const char* Message;
        int ColumnsLeft;
    } cases[] = {
        {"NAME DESC ASC", "Invalid IndexFieldNames format!", 1},
        {"NAME CIS CS", "Invalid IndexFieldNames format!", 1},
        {"NAME BIN BIN", "Invalid IndexFieldNames format!", 1},
        {"NAME UP", "Invalid IndexFieldNames format!", 1},
        {"NAME DESC = 1", "Invalid IndexFieldNames format!", 1},
        {"ID; OR", "Invalid IndexFieldNames format!", 1},
        {"NULL", "Invalid IndexFieldNames format!", 0},
        {"12", "Invalid IndexFieldNames format!", 0},
        {"(NAME)", "Invalid IndexFieldNames format!", 0},
        {"ID NAME", "Invalid IndexFieldNames format!", 1},
        {"ID;MISSING", "Field MISSING not found", 1},
        {"[Order  Date]", "Field Order  Date not found", 0},
    };
    TTestMemData data(SortFields());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        data.IndexFieldNames = c.Text;
        try {
            data.ParseIndexFieldNames();
            ADD_FAILURE() << "no error";
        } catch (const EAssertionFailed&) {
            ADD_FAILURE() << "assertion";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
        EXPECT_EQ(data.SortColumns().Count(), c.ColumnsLeft);
    }
}

TEST(SortParseTest, KeywordNamesNeedBrackets) {
    TTestMemData data({{"OR", tcInt32}, {"ID", tcInt32}});
    data.IndexFieldNames = "[OR] DESC";
    data.ParseIndexFieldNames();
    ASSERT_EQ(data.SortColumns().Count(), 1);
    EXPECT_TRUE(data.SortColumns().GetItem(0)->IsDescending);
    data.IndexFieldNames = "OR";
    EXPECT_THROW(data.ParseIndexFieldNames(), Exception);
}

// 10,000 random rows: the list order must equal std::sort of the same rows through the same
// record comparison (equal keys may come in any order).
TEST(SortTest, RandomRowsSortLikeStdSortWithTheSameComparison) {
    TTestMemData data(SortFields());
    data.Open();
    FillRandom(data, 10000, 42);
    const char* orders[] = {
        "NAME",         "NAME CIS",       "NAME BIN", "NAME DESC",       "NUM;NAME DESC CIS",
        "WNAME CIS;ID", "WNAME BIN DESC", "EXT DESC", "AMOUNT DESC,NUM", "NUM DESC;EXT CIS",
        "[Order Date]", "ID DESC",        "NUM",      "NUM DESC",        "SMALL DESC",
        "SMALL"};
    for (const char* order : orders) {
        SCOPED_TRACE(order);
        data.SetIndexFieldNames(order);
        std::vector<void*> actual = ListRecords(data);
        ASSERT_EQ(actual.size(), 10000u);
        std::vector<void*> expected = actual;
        std::sort(expected.begin(), expected.end());
        std::vector<void*> unique = expected;
        unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
        ASSERT_EQ(unique.size(), 10000u) << "rows lost or doubled";
        std::sort(expected.begin(), expected.end(),
                  [&](void* a, void* b) { return data.CompareRecords(a, b) < 0; });
        int mismatches = 0;
        for (size_t i = 0; i < actual.size(); ++i)
            if (data.CompareRecords(actual[i], expected[i]) != 0) ++mismatches;
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(data.GetRecordCount(), 10000);
        data.SetRecNo(1);
        EXPECT_EQ(data.CurrentItem->Record(), actual.front());
        data.SetRecNo(10000);
        EXPECT_EQ(data.CurrentItem->Record(), actual.back());
    }
}

// Numbers at the ends of their ranges, both zeros and nulls: the order must match the record
// comparison, ties broken by the later column.
TEST(SortTest, ExtremeNumbersAndZerosSortLikeTheRecordComparison) {
    TTestMemData data({{"ID", tcInt32}, {"AMOUNT", tcFloat}, {"BIG", tcInt64}});
    data.Open();
    const double inf = std::numeric_limits<double>::infinity();
    const double doubles[] = {0.0,   -0.0, 1.5,     -1.5, inf, -inf, std::numeric_limits<double>::max(),
                              -std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::denorm_min(), 1e-300, -1e300};
    const int64_t bigs[] = {0, -1, 1, INT64_MIN, INT64_MAX, INT64_MIN + 1, INT64_MAX - 1, int64_t(1) << 53};
    int id = 0;
    for (int round = 0; round < 3; ++round) {
        for (double d : doubles)
            StoreRow(data, {I(id++), F(d), I(bigs[id % 8])});
        StoreRow(data, {I(id++), TestValue::Null(), TestValue::Null()});
    }
    for (const char* order : {"AMOUNT", "AMOUNT DESC", "AMOUNT;ID", "AMOUNT DESC;ID DESC", "BIG", "BIG DESC",
                              "BIG;ID", "BIG DESC;AMOUNT;ID"}) {
        SCOPED_TRACE(order);
        data.SetIndexFieldNames(order);
        std::vector<void*> actual = ListRecords(data);
        ASSERT_EQ(actual.size(), static_cast<size_t>(id));
        for (size_t i = 1; i < actual.size(); ++i)
            EXPECT_LE(data.CompareRecords(actual[i - 1], actual[i]), 0) << "at " << i;
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(std::unique(actual.begin(), actual.end()), actual.end()) << "rows doubled";
    }
}

TEST(SortTest, NullsComeFirstAscendingAndLastDescending) {
    TTestMemData data({{"ID", tcInt32}, {"NAME", tcString, 10}});
    data.Open();
    StoreRow(data, {I(1), S("b")});
    StoreRow(data, {I(2), TestValue::Null()});
    StoreRow(data, {I(3), S("a")});
    auto ids = [&] {
        std::vector<int> out;
        for (PRowItem i = data.FirstItem; i; i = i->NextItem())
            out.push_back(ReadInt32(data, i->Record(), 1));
        return out;
    };
    data.SetIndexFieldNames("NAME");
    EXPECT_EQ(ids(), (std::vector<int>{2, 3, 1}));
    data.SetIndexFieldNames("NAME DESC");
    EXPECT_EQ(ids(), (std::vector<int>{1, 3, 2}));
}

TEST(SortTest, CaseAndBinaryModesOrderTextDifferently) {
    TTestMemData data({{"ID", tcInt32}, {"NAME", tcString, 10}});
    data.Open();
    StoreRow(data, {I(1), S("b")});
    StoreRow(data, {I(2), S("B")});
    StoreRow(data, {I(3), S("a")});
    StoreRow(data, {I(4), S("中")});
    StoreRow(data, {I(5), S("A")});
    auto names = [&] {
        std::string out;
        for (PRowItem i = data.FirstItem; i; i = i->NextItem())
            out += ReadText(data, i->Record(), 2) + "|";
        return out;
    };
    data.SetIndexFieldNames("NAME BIN");
    EXPECT_EQ(names(), "A|B|a|b|中|");
    data.SetIndexFieldNames("NAME CIS");
    std::string cis = names();
    EXPECT_TRUE(cis.rfind("a|A|", 0) == 0 || cis.rfind("A|a|", 0) == 0) << cis;
    data.SetIndexFieldNames("NAME");
    std::string cs = names();
    EXPECT_LT(cs.find("a|"), cs.find("b|")) << cs;
}

// Binary order of 16-bit text: code units compared unsigned (those from 0x8000 up after the
// rest), a text before the longer ones it begins, both directions.
TEST(SortTest, BinaryWideOrderComparesUnitsUnsignedAndPrefixesFirst) {
    TTestMemData data({{"ID", tcInt32}, {"WNAME", tcWideString, 10}});
    data.Open();
    const wchar_t* texts[] = {L"\xFF01", L"ab", L"", L"\x8000" L"b", L"a", L"\x7FFF", L"a\x8000"};
    for (int i = 0; i < 7; ++i)
        StoreRow(data, {I(i), W(texts[i])});
    auto ids = [&] {
        std::string out;
        for (PRowItem item = data.FirstItem; item; item = item->NextItem())
            out += std::to_string(LoadUnaligned<int32_t>(item->Record() + data.FieldDescOf(1)->RecordOffset, 0));
        return out;
    };
    data.SetIndexFieldNames("WNAME BIN");
    EXPECT_EQ(ids(), "2416530");
    data.SetIndexFieldNames("WNAME BIN DESC");
    EXPECT_EQ(ids(), "0356142");
}

TEST(SortTest, InsertAndUpdateKeepTheSortedPlace) {
    TTestMemData data({{"ID", tcInt32}, {"NAME", tcString, 10}});
    data.Open();
    for (int id : {50, 10, 40, 20, 30})
        StoreRow(data, {I(id), S("x")});
    data.SetIndexFieldNames("ID");
    auto order = [&] {
        std::vector<int> out;
        for (PRowItem i = data.FirstItem; i; i = i->NextItem()) {
            out.push_back(ReadInt32(data, i->Record(), 1));
            EXPECT_EQ(i->ItemRecNo() + data.RecNoBase, static_cast<int>(out.size()));
        }
        return out;
    };
    EXPECT_EQ(order(), (std::vector<int>{10, 20, 30, 40, 50}));
    data.SetToBegin(); // an insert before the first row that belongs further on
    StoreRow(data, {I(35), S("y")}, false);
    StoreRow(data, {I(5), S("y")}); // an append that belongs first
    EXPECT_EQ(order(), (std::vector<int>{5, 10, 20, 30, 35, 40, 50}));
    EXPECT_EQ(ReadInt32(data, data.CurrentItem->Record(), 1), 5);
    EXPECT_EQ(data.GetRecNo(), 1);
    data.SetRecNo(2);
    TRow moved(data, {I(45), S("m")});
    data.UpdateRecord(moved);
    EXPECT_EQ(order(), (std::vector<int>{5, 20, 30, 35, 40, 45, 50}));
    EXPECT_EQ(data.GetRecNo(), 6);
}

TEST(SortTest, ValueComparers) {
    TTestMemData data(SortFields());
    struct AnsiCase {
        const char* Key;
        const char* Text;
        int Flags;
        int Expected;
    } ansi[] = {
        {"ab", "abc", cfPartialKey, 0},
        {"ab", "a", cfPartialKey, 1},
        {"", "", cfPartialKey, 0},
        {"", "x", cfPartialKey, -1},
        {"bc", "abcd", cfSubstring, 0},
        {"BC", "abcd", cfSubstring, 1},
        {"BC", "abcd", cfSubstring | cfCaseInsensitive, 0},
        {"abc", "ABC", cfCaseInsensitive, 0},
        {"B", "a", cfBinary, -1},
        {"b", "a", 0, 1},
        {"a", "a", 0, 0},
    };
    for (const AnsiCase& c : ansi) {
        SCOPED_TRACE(std::string(c.Key) + " / " + c.Text);
        int r = data.MatchAnsiValues(c.Key, c.Text, c.Flags);
        EXPECT_EQ(r < 0 ? -1 : r > 0 ? 1 : 0, c.Expected);
    }
    EXPECT_EQ(data.MatchWideValues(L"", L"anything", cfPartialKey), 0);
    EXPECT_EQ(data.MatchWideValues(L"ab", L"a", cfPartialKey), 1);
    EXPECT_EQ(data.MatchWideValues(L"AB", L"abc", cfPartialKey | cfCaseInsensitive), 0);
    EXPECT_EQ(data.MatchWideValues(L"bc", L"abcd", cfSubstring), 0);

    const uint8_t rec[] = {1, 2, 3, 4};
    const uint8_t v23[] = {2, 3}, v12[] = {1, 2}, v125[] = {1, 2, 5};
    EXPECT_EQ(data.CompareBytes(v23, 2, cfSubstring, 4, rec), 0);
    EXPECT_EQ(data.CompareBytes(v125, 3, cfSubstring, 4, rec), 1);
    EXPECT_EQ(data.CompareBytes(v12, 2, cfPartialKey, 4, rec), 0);
    EXPECT_EQ(data.CompareBytes(v12, 2, 0, 4, rec), -1); // a prefix is smaller
    EXPECT_EQ(data.CompareBytes(v125, 3, 0, 4, rec), 1);
    EXPECT_EQ(data.CompareBytes(rec, 4, cfPartialKey, 2, v12), 1);
}

TEST(SortTest, FieldValueAgainstOtherTypesComparesAsText) {
    TTestMemData data(SortFields());
    data.Open();
    StoreRow(data, {I(1), S("Abc  "), I(42), W(L"Wide"), S("heap"), F(0), F(2.5)});
    void* record = data.FirstItem->Record();
    TFieldDesc* num = data.FieldDescByName("NUM");
    TFieldDesc* name = data.FieldDescByName("NAME");
    TFieldDesc* wname = data.FieldDescByName("WNAME");
    EXPECT_EQ(data.CompareFieldValues("42", tcString, 0, record, num), 0);
    EXPECT_EQ(data.CompareFieldValues("4", tcString, cfPartialKey, record, num), 0);
    EXPECT_EQ(data.CompareFieldValues(L"wi", tcWideString, cfPartialKey | cfCaseInsensitive, record, wname),
              0);
    EXPECT_EQ(data.CompareFieldValues("Wide", tcString, 0, record, wname), 0);
    EXPECT_NE(data.CompareFieldValues("Abc", tcString, 0, record, name), 0);
    data.TrimVarChar = true; // trailing blanks no longer count
    EXPECT_EQ(data.CompareFieldValues("Abc", tcString, 0, record, name), 0);
    // A field with no text form cannot meet a text value.
    TTestMemData raw({{"B", tcBytes, 4}});
    TRecord rawRecord(raw);
    EXPECT_THROW(raw.CompareFieldValues("x", tcString, 0, rawRecord, raw.FieldDescOf(1)), EConvertError);
    EXPECT_THROW(raw.CompareFieldValues(L"x", tcWideString, 0, rawRecord, raw.FieldDescOf(1)), EConvertError);
}

namespace {
struct ThreadSort {
    TMemData* Data;
    const char* Order;
    bool Failed = false;
};

DWORD WINAPI SortOnSmallStack(void* param) {
    auto* job = static_cast<ThreadSort*>(param);
    try {
        job->Data->SetIndexFieldNames(job->Order);
    } catch (...) {
        job->Failed = true;
    }
    return 0;
}
} // namespace

// Ordered, reversed and all-equal input are the classic worst cases of a naive quicksort; the
// sort must stay shallow enough for a small thread stack.
TEST(SortTest, LargeDegenerateInputsSortOnASmallStack) {
    TTestMemData data({{"ID", tcInt32}, {"SAME", tcInt32}, {"REV", tcInt32}});
    data.Open();
    const int count = 200000;
    for (int i = 0; i < count; ++i)
        StoreRow(data, {I(i), I(7), I(count - i)});
    for (const char* order : {"ID", "REV", "SAME", "ID DESC", "SAME;REV"}) {
        SCOPED_TRACE(order);
        ThreadSort job{&data, order};
        HANDLE thread = CreateThread(nullptr, 128 * 1024, SortOnSmallStack, &job,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitForSingleObject(thread, INFINITE);
        DWORD code = 1;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        ASSERT_EQ(code, 0u);
        ASSERT_FALSE(job.Failed);
        int n = 0;
        for (PRowItem i = data.FirstItem; i && i->NextItem(); i = i->NextItem(), ++n)
            ASSERT_LE(data.CompareRecords(i->Record(), i->NextItem()->Record()), 0) << "at " << n;
        EXPECT_EQ(n, count - 1);
    }
}
