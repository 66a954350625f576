#include <gtest/gtest.h>

#include <cstring>

#include "DataTestFixture.h"
#include "data/memory/Blob.h"
#include "platform/core/Bcd.h"

// ---- descriptors ----

namespace {
TFieldDesc* AddDesc(TFieldDescs& list, const char* name, const char* source = nullptr,
                    TFieldDesc* parent = nullptr) {
    auto* d = new TFieldDesc();
    d->FieldName = name;
    d->SourceName = source ? source : name;
    d->ParentDesc = parent;
    list.Add(d);
    return d;
}
} // namespace

TEST(FieldDescsTest, FindDescPrefersTopLevelThenAttributesAndPaths) {
    TFieldDescs list;
    TFieldDesc* addr = AddDesc(list, "ADDR");
    TFieldDesc* attrId = AddDesc(list, "ID", "ADDR.ID", addr);
    TFieldDesc* city = AddDesc(list, "CITY", "ADDR.CITY", addr);
    TFieldDesc* id = AddDesc(list, "ID");
    list.Add(nullptr); // nil items are skipped
    struct Case {
        const char* name;
        TFieldDesc* expected;
    } cases[] = {{"id", id},          {"ID", id},          {"city", city},
                 {"ADDR.CITY", city}, {"addr.city", city}, {"ADDR.ID", attrId},
                 {"ADDR", addr},      {"NONE", nullptr},   {"ADDR.NONE", nullptr}};
    for (const auto& c : cases)
        EXPECT_EQ(list.FindDesc(c.name), c.expected) << c.name;
    try {
        list.DescByName("Missing");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Field Missing not found");
    }
}

TEST(FieldDescsTest, EmptyListAndOwnership) {
    TFieldDescs list;
    EXPECT_EQ(list.FindDesc("X"), nullptr);
    EXPECT_THROW(list.DescByName("X"), Exception);
    EXPECT_THROW(list.GetItem(0), EListError);

    auto* type = new TObjectTypeDesc();
    type->AddRef(); // the test's own reference
    TFieldDesc* d = AddDesc(list, "OBJ");
    d->ObjectTypeRef = type;
    EXPECT_EQ(type->RefCount(), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(type->RefCount(), 1) << "the descriptor released its reference once";
    type->Release();
}

TEST(FieldDescsTest, StorageSizesOfTypeCodes) {
    struct Case {
        TDataTypeCode code;
        int length;
        int size;
    } cases[] = {{tcString, 10, 11}, {tcInt8, 0, 1},    {tcInt16, 0, 2},         {tcInt32, 0, 4},
                 {tcFloat, 0, 8},    {tcDate, 0, 8},    {tcBoolean, 0, 2},       {tcInt64, 0, 8},
                 {tcBlob, 0, 4},     {tcVariant, 0, 4}, {tcExtString, 0, 4},     {tcBytes, 6, 6},
                 {tcVarBytes, 6, 8}, {tcUInt32, 0, 4},  {tcWideString, 5, 12},   {tcBCD, 0, 8},
                 {tcFMTBCD, 0, 34},  {tcGuid, 38, 39},  {tcSQLTimeStamp, 0, 16}, {tcUnknown, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(DataTypeStorageSize(c.code, c.length), c.size) << c.code;
}

// ---- layout ----

TEST(DataLayoutTest, OffsetsPaddingAndOddRecordSize) {
    TTestData a({{"I", tcInt32}, {"S", tcString, 3}, {"W", tcWideString, 2}});
    EXPECT_EQ(a.FieldDescs()[0]->RecordOffset, 0);
    EXPECT_EQ(a.FieldDescs()[1]->RecordOffset, 4);
    EXPECT_EQ(a.FieldDescs()[2]->RecordOffset, 8);
    EXPECT_EQ(a.DataSize, 14);
    EXPECT_EQ(a.RecordSize, 17);

    TTestData b({{"B", tcInt8}, {"S", tcString, 3}, {"W", tcWideString, 2}});
    EXPECT_EQ(b.FieldDescs()[1]->RecordOffset, 1);
    EXPECT_EQ(b.FieldDescs()[2]->RecordOffset, 6);
    EXPECT_EQ(b.DataSize, 12);
    EXPECT_EQ(b.RecordSize, 15);

    // 4 data bytes + 2 null bytes = 6: one pad byte.
    TTestData c({{"A", tcInt16}, {"B", tcInt16}});
    EXPECT_EQ(c.RecordSize, 7);
    for (int i = 0; i < c.GetFieldDescCount(); ++i)
        EXPECT_EQ(c.FieldDescs()[i]->Position, i + 1);
}

TEST(DataLayoutTest, CalculatedAreaFollowsRecord) {
    TTestData d({{"A", tcInt32}, {"C", tcInt8, 0, 0, fkCalculated}, {"W", tcWideString, 1, 0, fkCalculated}});
    EXPECT_EQ(d.DataSize, 4);
    EXPECT_EQ(d.RecordSize, 7); // 4 + 2 null bytes + pad
    EXPECT_EQ(d.FieldDescs()[1]->RecordOffset, 7);
    EXPECT_EQ(d.FieldDescs()[2]->RecordOffset, 8); // 7 + 1 is even already
    EXPECT_EQ(d.CalcDataSize, 5);
    EXPECT_EQ(d.CalcRecordSize, 5);
}

TEST(DataLayoutTest, DuplicateNamesBecomeUnique) {
    struct Case {
        std::vector<FieldSpec> fields;
        std::vector<const char*> expected;
    } cases[] = {
        {{{"A", tcInt32}, {"a", tcInt32}}, {"A", "a_1"}},
        {{{"ID", tcInt32}, {"ID", tcInt32}, {"ID", tcInt32}}, {"ID", "ID_1", "ID_2"}},
        {{{"ID", tcInt32}, {"ID_1", tcInt32}, {"ID", tcInt32}}, {"ID", "ID_1_1", "ID_1"}},
        {{{"", tcInt32}, {"X", tcInt32}}, {"_0", "X"}},
        {{{"A", tcInt32}, {"B", tcInt32}, {"A", tcInt32}, {"B", tcInt32}}, {"A", "B", "A_1", "B_1"}},
    };
    for (auto& c : cases) {
        TTestData d(c.fields);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(d.FieldDescs()[static_cast<int>(i)]->FieldName, c.expected[i]) << i;
            EXPECT_EQ(d.FieldDescs()[static_cast<int>(i)]->SourceName, c.fields[i].Name);
        }
    }
}

// ---- field values ----

TEST(DataFieldTest, StringsNullsAndTrimming) {
    TTestData d({{"S", tcString, 5}, {"W", tcWideString, 4}, {"F", tcFloat, 0, 2}});
    TRecord rec(d);
    char out[16] = "untouched";
    bool isNull = false;
    d.GetField(1, rec, isNull, out);
    EXPECT_TRUE(isNull);
    EXPECT_STREQ(out, "untouched") << "a null string leaves the destination alone";

    d.PutField(1, rec, false, "ab   xyz");
    d.GetField(1, rec, isNull, out);
    EXPECT_FALSE(isNull);
    EXPECT_STREQ(out, "ab   ") << "cut to the declared length";
    d.TrimVarChar = true;
    d.GetField(1, rec, isNull, out);
    EXPECT_STREQ(out, "ab");

    const wchar_t* wide = L"\u4e2d\u6587";
    d.PutField(2, rec, false, &wide);
    wchar_t wout[8] = {};
    d.GetField(2, rec, isNull, wout);
    EXPECT_STREQ(wout, L"\u4e2d\u6587");

    d.PutField(1, rec, false, "");
    EXPECT_FALSE(d.GetNull(1, rec));
    d.SetEmptyStrToNull = true;
    d.PutField(1, rec, false, "");
    EXPECT_TRUE(d.GetNull(1, rec));
    const wchar_t* nilText = nullptr;
    d.PutField(2, rec, false, &nilText);
    EXPECT_TRUE(d.GetNull(2, rec)) << "a nil wide reference is an empty text";

    double v = 1.23456, got = 0;
    d.PutField(3, rec, false, &v);
    d.GetField(3, rec, isNull, &got);
    EXPECT_DOUBLE_EQ(got, 1.23);
    d.PutField(3, rec, true, &v);
    d.GetField(3, rec, isNull, &got);
    EXPECT_DOUBLE_EQ(got, 1.23456);
    d.PutField(3, rec, false, nullptr);
    EXPECT_TRUE(d.GetNull(3, rec));
    EXPECT_THROW(d.GetField(4, rec, isNull, &got), EAssertionFailed);
}

TEST(DataFieldTest, BlobNullFlagFollowsItsData) {
    TTestData d({{"B", tcBlob}});
    TRecord rec(d);
    EXPECT_TRUE(d.GetNull(1, rec));
    TBlob* blob = nullptr;
    bool isNull = false;
    d.GetField(1, rec, isNull, &blob);
    EXPECT_TRUE(isNull);
    ASSERT_NE(blob, nullptr) << "a null blob field still hands out its blob";
    blob->Write(0, 3, "abc");
    uint8_t* nullByte = static_cast<uint8_t*>(rec.get()) + d.DataSize;
    EXPECT_EQ(*nullByte, 1);
    EXPECT_FALSE(d.GetNull(1, rec));
    EXPECT_EQ(*nullByte, 0) << "reading cleared the null byte";
    d.SetNull(1, rec, true);
    EXPECT_EQ(blob->GetSize(), 0) << "setting null empties the blob";
}

namespace {
// A record set whose null area holds a driver's length indicators of the given width.
class TIndicatorData : public TTestData {
public:
    TIndicatorData(std::vector<FieldSpec> specs, int width) {
        NullFlagSize = width;
        Specs = std::move(specs);
        InitFields();
    }
    int GetFieldCount() const override { return GetFieldDescCount() * NullFlagSize; }
};

int64_t IndicatorAt(const TData& d, void* record, int fieldNo) {
    const uint8_t* p = static_cast<uint8_t*>(record) + d.DataSize + (fieldNo - 1) * d.NullFlagSize;
    if (d.NullFlagSize == 4) return LoadUnaligned<int32_t>(p, 0);
    return LoadUnaligned<int64_t>(p, 0);
}
} // namespace

TEST(DataFieldTest, IndicatorNullFlagsTakeTheirWholeWidth) {
    // 4 with a 32-bit driver, 8 with a 64-bit one (SQLLEN).
    for (int width : {4, 8}) {
        SCOPED_TRACE(width);
        TIndicatorData d({{"A", tcInt32}, {"B", tcInt32}, {"C", tcInt32}}, width);
        TRecord rec(d);
        for (int field = 1; field <= 3; ++field)
            EXPECT_EQ(IndicatorAt(d, rec, field), -1) << field;
        int32_t v = 7;
        d.PutField(2, rec, false, &v);
        EXPECT_EQ(IndicatorAt(d, rec, 2), 0) << "no half of the null mark is left";
        EXPECT_FALSE(d.GetNull(2, rec));
        EXPECT_TRUE(d.GetNull(1, rec));
        EXPECT_TRUE(d.GetNull(3, rec));
        // A length the driver wrote is not null; its neighbours keep theirs.
        uint8_t* slot1 = static_cast<uint8_t*>(rec.get()) + d.DataSize;
        if (width == 4)
            StoreUnaligned<int32_t>(slot1, 0, 4);
        else
            StoreUnaligned<int64_t>(slot1, 0, 4);
        EXPECT_FALSE(d.GetNull(1, rec));
        d.SetNull(3, rec, true);
        EXPECT_EQ(IndicatorAt(d, rec, 1), 4);
        EXPECT_EQ(IndicatorAt(d, rec, 2), 0);
        EXPECT_EQ(IndicatorAt(d, rec, 3), -1);
    }
}

TEST(DataFieldTest, ExternalDateForms) {
    TTestData d({{"D", tcDate}, {"T", tcTime}, {"DT", tcDateTime}});
    TRecord rec(d);
    int32_t ms = 3600000;
    d.PutField(2, rec, false, &ms);
    Variant v;
    d.GetFieldAsVariant(2, rec, v);
    EXPECT_DOUBLE_EQ(v.AsDateTime(), 1.0 / 24) << "one o'clock on 1899-12-30";
    int32_t back = 0;
    bool isNull;
    d.GetField(2, rec, isNull, &back);
    EXPECT_EQ(back, 3600000);

    int32_t day = DateDelta + 2; // 1900-01-01
    d.PutField(1, rec, false, &day);
    d.GetFieldAsVariant(1, rec, v);
    EXPECT_DOUBLE_EQ(v.AsDateTime(), 2.0);

    double stamp = (static_cast<double>(DateDelta) + 1.5) * MSecsPerDay;
    d.PutField(3, rec, false, &stamp);
    d.GetFieldAsVariant(3, rec, v);
    EXPECT_DOUBLE_EQ(v.AsDateTime(), 1.5);
    double stampBack = 0;
    d.GetField(3, rec, isNull, &stampBack);
    EXPECT_DOUBLE_EQ(stampBack, stamp);
}

TEST(DataFieldTest, LineEndConversions) {
    struct Case {
        const char* source;
        int size;
        const char* expected;
    } cases[] = {{"a\nb", 10, "a\r\nb"}, {"a\r\nb", 10, "a\r\nb"}, {"\n\n", 10, "\r\n\r\n"},
                 {"ab\ncd", 3, "ab\r"},  {"abc", 2, "ab"},         {"", 5, ""}};
    for (const auto& c : cases) {
        char out[32];
        int n = LFToCRLFAnsi(c.source, out, c.size);
        EXPECT_STREQ(out, c.expected) << c.source;
        EXPECT_EQ(n, static_cast<int>(std::strlen(c.expected)));
    }
    wchar_t wout[16];
    EXPECT_EQ(LFToCRLFWide(L"x\ny", wout, 10), 4);
    EXPECT_STREQ(wout, L"x\r\ny");
    char out[16];
    EXPECT_EQ(CRLFToLFAnsi("a\r\nb\rc", out, 16, 6), 5);
    EXPECT_STREQ(out, "a\nb\rc");
    EXPECT_EQ(CRLFToLFAnsi("abcdef", out, 4, 6), 3) << "the zero stays within the destination";
    EXPECT_EQ(CRLFToLFWide(L"a\r\n", wout, 16, 3), 2);
    EXPECT_STREQ(wout, L"a\n");
}

TEST(DataFieldTest, RoundToScale) {
    EXPECT_DOUBLE_EQ(RoundToScale(2, 1.23456), 1.23);
    EXPECT_DOUBLE_EQ(RoundToScale(2, 1.235), 1.24);
    EXPECT_DOUBLE_EQ(RoundToScale(0, 1.23456), 1.23456);
    EXPECT_DOUBLE_EQ(RoundToScale(1, -0.05), -0.1);
}

// ---- lifecycle ----

TEST(DataLifecycleTest, OpenCloseAndPreparedFields) {
    TTestData d;
    d.Specs = {{"A", tcInt32}};
    d.Open();
    EXPECT_TRUE(d.Active);
    d.Open();
    EXPECT_EQ(d.DoOpenCalls, 1);
    d.InitFields();
    d.Close();
    EXPECT_FALSE(d.Active);
    EXPECT_EQ(d.GetFieldDescCount(), 0) << "unprepared close clears automatic fields";

    d.Prepare();
    d.InitFields();
    d.Open();
    d.Close();
    EXPECT_EQ(d.GetFieldDescCount(), 1) << "fields survive closing a prepared record set";
    d.Unprepare();
    EXPECT_EQ(d.GetFieldDescCount(), 0);

    d.FailOpen = true;
    EXPECT_THROW(d.Open(), Exception);
    EXPECT_FALSE(d.Active);
    EXPECT_TRUE(d.IsBOF() && d.IsEOF());
}

TEST(DataLifecycleTest, FilterFailureOnOpenLeavesRecordSetClosed) {
    TTestData d;
    d.Specs = {{"A", tcInt32}};
    d.InitFields();
    d.Prepare();
    d.FilterText = "A = ";
    EXPECT_THROW(d.Open(), Exception);
    EXPECT_FALSE(d.Active);
    EXPECT_EQ(d.FilterRoot, nullptr);
    d.FilterText = "A = 1";
    d.Open();
    EXPECT_TRUE(d.HasFilter());
    // A bad text on an active record set keeps the old text, with no expression in force.
    EXPECT_THROW(d.SetFilterText("A ="), Exception);
    EXPECT_EQ(d.FilterText, "A = 1");
    EXPECT_FALSE(d.HasFilter());
    d.Close();
}

TEST(DataLifecycleTest, BookmarksAndCachedUpdates) {
    TTestData d;
    TRowBookmark a, b;
    a.RecNo = 1;
    b.RecNo = 3;
    EXPECT_EQ(d.CompareBookmarkRecs(&a, &b), -1);
    EXPECT_EQ(d.CompareBookmarkRecs(&b, &a), 1);
    EXPECT_EQ(d.CompareBookmarkRecs(&a, &a), 0);
    EXPECT_EQ(d.CompareBookmarkRecs(&a, nullptr), -1);
    EXPECT_EQ(d.CompareBookmarkRecs(nullptr, &a), 1);
    EXPECT_EQ(d.CompareBookmarkRecs(nullptr, nullptr), 0);
    d.FillBookmark(&a);
    EXPECT_EQ(a.RecNo, -1);
    EXPECT_FALSE(d.IsBookmarkValid(&a));
    EXPECT_THROW(d.GetRecord(nullptr), Exception);

    d.SetVisibleStatuses(usDeleted);
    d.SetCachedUpdates(true);
    EXPECT_EQ(d.VisibleStatuses, usUnmodified | usModified | usInserted);
    EXPECT_EQ(d.GetArrayItemName(3), "[3]");
}

namespace {
class TFailingCloseData : public TTestData {
public:
    bool FailClose = false;

protected:
    void DoClose() override {
        if (FailClose) throw Exception("close failed");
    }
};
} // namespace

// A failure while closing reaches the caller (never ends the process) and leaves the record set
// inactive with no filter; DoClose's own error wins over a later one.
TEST(DataLifecycleTest, FailuresWhileClosingPropagateAndStillClose) {
    struct Case {
        bool failClose, failHook;
        const char* message;
    } cases[] = {{false, true, "hook failed"}, {true, false, "close failed"}, {true, true, "close failed"}};
    for (const Case& c : cases) {
        TFailingCloseData d;
        d.Specs = {{"A", tcInt32}};
        d.FilterText = "A = 1";
        d.InitFields();
        d.Open();
        ASSERT_TRUE(d.HasFilter());
        d.FailClose = c.failClose;
        d.FieldsChangedHook = [&] {
            if (c.failHook) throw Exception("hook failed");
        };
        try {
            d.Close();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_FALSE(d.Active) << c.message;
        EXPECT_FALSE(d.HasFilter()) << c.message;
        EXPECT_EQ(d.FilterNodeChain, nullptr) << c.message;
        d.FieldsChangedHook = nullptr;
        d.FailClose = false;
    }
}
