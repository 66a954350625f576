// Locate and lookup of a real TMemDataSet, each result and position checked against a plain linear
// search over the rows in the dataset's order; filters and find.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/Win32Boundary.h"
#include "tests/data/memory/MemDataSetFixture.h"

namespace {

struct Row {
    int R;
    std::optional<int> Id;
    std::optional<std::string> Name;
};

// Duplicate keys, nulls, mixed case and Chinese text.
const std::vector<Row> kRows = {
    {1, 3, "abc"}, {2, 1, "ABC"}, {3, {}, "中文"}, {4, 2, "Ab"},   {5, 3, {}},      {6, 2, "abd"},
    {7, 1, "中"},  {8, {}, {}},   {9, 5, "ab"},    {10, 2, "ABC"}, {11, 3, "中文"}, {12, 4, "zz"},
};

TRowsData* MakeData(const std::vector<Row>& rows) {
    return new TRowsData({{"R", tcInt32}, {"ID", tcInt32}, {"NAME", tcString, 20}}, [rows](TRowsData& d) {
        for (const Row& r : rows)
            d.AddRow([&](void* b) {
                d.PutField(1, b, true, &r.R);
                if (r.Id)
                    d.PutField(2, b, true, &*r.Id);
                else
                    d.SetNull(2, b, true);
                if (r.Name)
                    d.PutField(3, b, true, r.Name->c_str());
                else
                    d.SetNull(3, b, true);
            });
    });
}

std::string Fold(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

struct Key {
    const char* Fields; // "ID", "NAME" or "ID;NAME"
    Variant Id;
    Variant Name;
};

// The model of one key field against one row value.
bool FieldMatches(const Variant& key, const std::optional<int>& field, unsigned options) {
    if (key.IsNull() || !field) return key.IsNull() && !field;
    if (key.IsString()) {
        int v = 0;
        if (!TryStrToInt(key.AsAnsiString(), v)) return false;
        return (options & locNearest) ? v <= *field : v == *field;
    }
    return (options & locNearest) ? key.AsInteger() <= *field : key.AsInteger() == *field;
}

bool FieldMatches(const Variant& key, const std::optional<std::string>& field, unsigned options) {
    if (key.IsNull() || !field) return key.IsNull() && !field;
    std::string k = key.AsAnsiString(), f = *field;
    if (options & locCaseInsensitive) k = Fold(k), f = Fold(f);
    if (options & locPartialKey) return f.compare(0, k.size(), k) == 0;
    return k == f;
}

bool RowMatches(const Key& key, const Row& row, unsigned options) {
    std::string fields = key.Fields;
    bool ok = true;
    if (fields.find("ID") != std::string::npos) ok = ok && FieldMatches(key.Id, row.Id, options);
    if (fields.find("NAME") != std::string::npos) ok = ok && FieldMatches(key.Name, row.Name, options);
    return ok;
}

// Index in order of the first match from start in direction step; -1 when none.
int LinearSearch(const std::vector<Row>& order, const Key& key, unsigned options, int start, int step) {
    for (int i = start; i >= 0 && i < static_cast<int>(order.size()); i += step)
        if (RowMatches(key, order[static_cast<size_t>(i)], options)) return i;
    return -1;
}

TVariantArray KeyValues(const Key& key) {
    std::string fields = key.Fields;
    if (fields == "ID") return {key.Id};
    if (fields == "NAME") return {key.Name};
    return {key.Id, key.Name};
}

std::vector<Row> ReadOrder(TMemDataSet& ds) {
    std::vector<Row> order;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        Row r{ds.FieldByName("R")->AsInteger(), {}, {}};
        if (!ds.FieldByName("ID")->IsNull()) r.Id = ds.FieldByName("ID")->AsInteger();
        if (!ds.FieldByName("NAME")->IsNull()) r.Name = ds.FieldByName("NAME")->AsString();
        order.push_back(r);
    }
    return order;
}

TEST(MemDataSetLocateTest, EveryResultEqualsALinearSearch) {
    const char* indexes[] = {"", "ID", "ID DESC", "NAME", "NAME CIS", "NAME BIN", "ID;NAME", "NAME;ID DESC"};
    const Key keys[] = {
        {"ID", 2, {}},
        {"ID", 3, {}},
        {"ID", 7, {}},
        {"ID", Variant::Null(), {}},
        {"ID", "3", {}},
        {"ID", "abc", {}},
        {"ID", 0, {}},
        {"ID", 5, {}},
        {"NAME", {}, "abc"},
        {"NAME", {}, "ABC"},
        {"NAME", {}, "ab"},
        {"NAME", {}, "中"},
        {"NAME", {}, "中文"},
        {"NAME", {}, Variant::Null()},
        {"NAME", {}, "zzz"},
        {"ID;NAME", 2, "ABC"},
        {"ID;NAME", 3, "中文"},
        {"ID;NAME", 3, Variant::Null()},
        {"ID;NAME", Variant::Null(), Variant::Null()},
        {"ID;NAME", 1, "abc"},
    };
    struct Option {
        const char* Name;
        unsigned Options;
        bool ViaLocate;
        bool IntegerOnly;
    } options[] = {
        {"none", 0, true, false},
        {"case-insensitive", locCaseInsensitive, true, false},
        {"partial", locPartialKey, true, false},
        {"case-insensitive partial", locCaseInsensitive | locPartialKey, true, false},
        {"nearest", locNearest, false, true},
        {"next", locNext, false, false},
        {"backward", locBackward, false, false},
        {"next case-insensitive", locNext | locCaseInsensitive, false, false},
        {"backward partial", locBackward | locPartialKey, false, false},
    };
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(MakeData(kRows));
    ds.Open();
    const int start = 5;
    for (const char* index : indexes) {
        ds.SetIndexFieldNames(index);
        const std::vector<Row> order = ReadOrder(ds);
        ASSERT_EQ(order.size(), kRows.size());
        for (const Key& key : keys) {
            for (const Option& option : options) {
                if (option.IntegerOnly && std::string(key.Fields) != "ID") continue;
                SCOPED_TRACE(std::string(index) + " | " + key.Fields + " = " + VarToStr(key.Id) + "/" +
                             VarToStr(key.Name) + " | " + option.Name);
                ds.First();
                ds.MoveBy(start);
                ASSERT_EQ(ds.FieldByName("R")->AsInteger(), order[start].R);
                int expected;
                if (option.Options & locNext)
                    expected = LinearSearch(order, key, option.Options, start + 1, 1);
                else if (option.Options & locBackward)
                    expected = LinearSearch(order, key, option.Options, start - 1, -1);
                else
                    expected = LinearSearch(order, key, option.Options, 0, 1);
                bool found;
                if (option.ViaLocate) {
                    found = ds.Locate(key.Fields, KeyValues(key), option.Options);
                } else {
                    std::vector<TField*> fields;
                    std::string names = key.Fields;
                    if (names.find("ID") != std::string::npos) fields.push_back(ds.FieldByName("ID"));
                    if (names.find("NAME") != std::string::npos) fields.push_back(ds.FieldByName("NAME"));
                    found = ds.LocateByFieldsScrolled(fields.data(), static_cast<int>(fields.size()) - 1,
                                                      option.Options, KeyValues(key));
                }
                if (option.Options & locNearest) {
                    // Past every record the nearest search still answers True.
                    EXPECT_TRUE(found);
                    if (expected >= 0) {
                        EXPECT_EQ(ds.FieldByName("R")->AsInteger(), order[expected].R);
                    }
                    continue;
                }
                EXPECT_EQ(found, expected >= 0);
                EXPECT_EQ(ds.FieldByName("R")->AsInteger(),
                          expected >= 0 ? order[expected].R : order[start].R);
                if (option.Options == 0) {
                    // Lookup answers the same record and leaves the cursor where it is.
                    const int before = ds.FieldByName("R")->AsInteger();
                    Variant r = ds.Lookup(key.Fields, KeyValues(key), "R");
                    if (expected >= 0)
                        EXPECT_EQ(r.AsInteger(), order[expected].R);
                    else
                        EXPECT_TRUE(r.IsNull());
                    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), before);
                }
            }
        }
    }
}

// A non-null key that has no meaning for its field never lands on a row whose key is null.
TEST(MemDataSetLocateTest, AnUnconvertibleKeyMatchesNothing) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(MakeData(kRows));
    ds.SetIndexFieldNames("ID");
    ds.Open();
    ds.Last();
    const int before = ds.FieldByName("R")->AsInteger();
    EXPECT_FALSE(ds.Locate("ID", Variant("abc"), 0));
    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), before);
    EXPECT_TRUE(ds.Lookup("ID", Variant("abc"), "R").IsNull());
    EXPECT_TRUE(ds.Locate("ID", Variant::Null(), 0));
    EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
    try {
        ds.Locate("NOPE", Variant(1), 0);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message().c_str(), "Field NOPE not found");
    }
}

std::vector<int> Visible(TMemDataSet& ds) {
    std::vector<int> rs;
    for (ds.First(); !ds.Eof(); ds.Next())
        rs.push_back(ds.FieldByName("R")->AsInteger());
    return rs;
}

TEST(MemDataSetFilterTest, FilterTextEventAndFind) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(MakeData(kRows));
    ds.Open();
    ds.SetOnFilterRecord(
        [](TDataSet* d, bool& accept) { accept = d->FieldByName("R")->AsInteger() % 2 == 0; });
    ds.SetFilter("ID = 2");
    ds.SetFiltered(true);
    EXPECT_EQ(Visible(ds), (std::vector<int>{4, 6, 10}));
    // Blanks remove the expression; the event stays.
    ds.SetFilter("   ");
    EXPECT_EQ(Visible(ds), (std::vector<int>{2, 4, 6, 8, 10, 12}));
    ds.SetFiltered(false);
    EXPECT_EQ(Visible(ds).size(), kRows.size());

    // Unfiltered, a find filters for that search only.
    ds.SetFilter("ID = 3");
    ds.SetOnFilterRecord(nullptr);
    ds.First();
    ASSERT_TRUE(ds.FindFirst());
    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), 1);
    ASSERT_TRUE(ds.FindNext());
    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), 5);
    ASSERT_TRUE(ds.FindLast());
    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), 11);
    ASSERT_TRUE(ds.FindPrior());
    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), 5);
    EXPECT_EQ(Visible(ds).size(), kRows.size());
    ds.Last();
    EXPECT_FALSE(ds.FindNext());
    EXPECT_EQ(ds.FieldByName("R")->AsInteger(), 12);
}

TEST(MemDataSetFilterTest, ARaisingFilterEventReachesTheApplicationAndTheScanGoesOn) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(MakeData(kRows));
    ds.Open();
    std::vector<std::string> reported;
    TApplicationExceptionHandler previous =
        SetApplicationExceptionHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    ds.SetOnFilterRecord([](TDataSet* d, bool& accept) {
        const int r = d->FieldByName("R")->AsInteger();
        accept = r <= 6;
        if (r == 3) throw Exception("bad row");
    });
    ds.SetFiltered(true);
    EXPECT_EQ(Visible(ds), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    SetApplicationExceptionHandler(previous);
    ASSERT_GE(reported.size(), 1u);
    EXPECT_EQ(reported[0], "bad row");
}

} // namespace
