// The data types map, number ranges through a real dataset's fields, the updater's handlers and
// the blob stream over a real record buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "data/memory/Blob.h"
#include "data/memory/BlobStream.h"
#include "tests/data/memory/MemDataSetFixture.h"

TEST(DataTypesMapTest, TypeCodesToFieldTypes) {
    TDataTypesMap map;
    const TFieldType expected[] = {
        ftUnknown,   ftString,     ftSmallint,   ftSmallint, ftInteger,  ftFloat, ftDate,     ftTime,
        ftDateTime,  ftWord,       ftBoolean,    ftLargeint, ftCurrency, ftBlob,  ftMemo,     ftADT,
        ftReference, ftArray,      ftDataSet,    ftVariant,  ftString,   ftBytes, ftVarBytes, ftVarBytes,
        ftLargeint,  ftWideString, ftWideString, ftBCD,      ftFMTBcd,   ftGuid,  ftMemo};
    for (TDataTypeCode code = 0; code <= tcWideMemo; ++code)
        EXPECT_EQ(expected[code], map.FieldTypeOf(code)) << "code " << code;
    EXPECT_EQ(ftCursor, map.FieldTypeOf(tcCursor));
    for (TDataTypeCode code : {tcSQLTimeStamp, TDataTypeCode(33), TDataTypeCode(1000)}) {
        try {
            map.FieldTypeOf(code);
            ADD_FAILURE() << "code " << code << " mapped";
        } catch (const EAssertionFailed& e) {
            EXPECT_EQ(0u, e.Message().find("Unknown data type")) << e.Message();
        }
    }
}

TEST(DataTypesMapTest, FieldTypesToTypeCodes) {
    TDataTypesMap map;
    const TDataTypeCode expected[] = {0, 1, 3, 4,  9, 10, 5,  12, 27, 6,  7,  8, 21, 22, 4, 13, 14, 0, 0,
                                      0, 0, 0, 32, 1, 25, 11, 15, 17, 16, 18, 0, 0,  19, 0, 0,  29, 0, 28};
    static_assert(std::size(expected) == ftLastPlatformType + 1);
    for (int t = 0; t <= ftLastPlatformType; ++t)
        EXPECT_EQ(expected[t], map.DataTypeOf(static_cast<TFieldType>(t)))
            << FieldTypeName(static_cast<TFieldType>(t));
    EXPECT_EQ(tcUnknown, map.DataTypeOf(static_cast<TFieldType>(ftLastPlatformType + 1)));
    // Not inverse of each other.
    EXPECT_EQ(ftLargeint, map.FieldTypeOf(tcUInt32));
    EXPECT_EQ(tcInt64, map.DataTypeOf(ftLargeint));
}

TEST(DataSetServiceTest, NumberRangesStayWithinTheFieldTypes) {
    struct Case {
        const char* name;
        TDataTypeCode code;
        int length, scale;
        long double min, max; // exact for every 64-bit integer
    } cases[] = {
        {"I4", tcInt32, 4, 0, -9999, 9999},
        {"I9", tcInt32, 9, 0, -999999999, 999999999},
        {"I10", tcInt32, 10, 0, INT32_MIN, INT32_MAX},
        {"I12", tcInt32, 12, 0, INT32_MIN, INT32_MAX},
        {"S4", tcInt16, 4, 0, -9999, 9999},
        {"S5", tcInt16, 5, 0, INT16_MIN, INT16_MAX},
        {"B3", tcInt8, 3, 0, INT8_MIN, INT8_MAX},
        {"B2", tcInt8, 2, 0, -99, 99},
        {"L18", tcInt64, 18, 0, -999999999999999999LL, 999999999999999999LL},
        {"L19", tcInt64, 19, 0, INT64_MIN, INT64_MAX},
        {"L25", tcInt64, 25, 0, INT64_MIN, INT64_MAX},
        {"F62", tcFloat, 6, 2, -9999.99, 9999.99},
        {"F16", tcFloat, 16, 0, 0, 0}, // beyond a double's digits: no range
    };
    std::vector<FieldSpec> specs;
    for (const Case& c : cases)
        specs.push_back({c.name, c.code, 0, c.scale});
    auto* data = new TRowsData(specs, nullptr);
    data->AdjustDesc = [&](TFieldDesc* d) {
        for (const Case& c : cases)
            if (d->FieldName == c.name) d->DeclaredLength = static_cast<uint16_t>(c.length);
    };
    TMemDataSet ds(nullptr);
    ds.NumberRange = true;
    ds.SetRecordSet(data);
    ds.Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TField* f = ds.FieldByName(c.name);
        if (auto* i = dynamic_cast<TIntegerField*>(f)) {
            EXPECT_EQ(c.min, i->MinValue);
            EXPECT_EQ(c.max, i->MaxValue);
        } else if (auto* l = dynamic_cast<TLargeintField*>(f)) {
            EXPECT_EQ(static_cast<int64_t>(c.min), l->MinValue);
            EXPECT_EQ(static_cast<int64_t>(c.max), l->MaxValue);
        } else if (auto* fl = dynamic_cast<TFloatField*>(f)) {
            EXPECT_NEAR(static_cast<double>(c.min), fl->MinValue, 1e-9);
            EXPECT_NEAR(static_cast<double>(c.max), fl->MaxValue, 1e-9);
            if (c.max != 0) {
                EXPECT_EQ(c.length, fl->Precision);
            }
        } else {
            ADD_FAILURE() << "unexpected field class " << f->ClassName();
        }
    }
    // Without the option the fields keep the type's own range.
    TMemDataSet plain(nullptr);
    plain.SetRecordSet(new TRowsData({{"I4", tcInt32}}, nullptr));
    plain.Open();
    EXPECT_EQ(0, static_cast<TIntegerField*>(plain.FieldByName("I4"))->MaxValue);
}

TEST(DataSetServiceTest, ServiceMakesItsUpdaterAndTheUpdaterKeepsModified) {
    TMemDataSet ds(nullptr);
    ds.EnsureService();
    TDataSetService* service = ds.Service();
    ASSERT_NE(nullptr, service);
    EXPECT_EQ(&ds, service->DataSet());
    ASSERT_NE(nullptr, service->Updater());
    EXPECT_EQ(service, service->Updater()->Service());
    ds.EnsureService();
    EXPECT_EQ(service, ds.Service()); // same class: kept
    EXPECT_EQ(TStringField::StaticClass(), service->FieldClassOfType(ftString));
    EXPECT_THROW(service->PlaceholderA(), EAssertionFailed);
    EXPECT_THROW(TDataSetUpdater(nullptr), EAssertionFailed);

    // A descendant that writes: the handlers run it unless the dataset updates locally, and the
    // dataset's Modified flag is what it was.
    struct TCountingUpdater : TDataSetUpdater {
        using TDataSetUpdater::TDataSetUpdater;
        int inserts = 0;
        bool PerformInsert() override {
            ++inserts;
            DataSet()->SetDataSetModified(true);
            return true;
        }
    };
    auto* updater = new TCountingUpdater(service);
    service->SetUpdater(updater);
    updater->HandleInsert();
    EXPECT_EQ(1, updater->inserts);
    EXPECT_FALSE(ds.Modified());
    ds.SetLocalUpdate(true);
    updater->HandleInsert();
    EXPECT_EQ(1, updater->inserts);
}

namespace {
// A dataset with one blob field whose stored value is written in small pieces.
struct BlobFixture {
    explicit BlobFixture(const std::string& content, int pieceSize = 4) {
        ds.SetRecordSet(new TRowsData({{"ID", tcInt32}, {"B", tcBlob}}, [=](TRowsData& d) {
            d.AddRow([&](void* b) {
                TBlob* blob = d.GetFieldBlob(2, b);
                blob->GetData()->PieceSize = pieceSize;
                d.WriteBlob(2, b, true, content.data(), static_cast<int>(content.size()), 0);
            });
        }));
        ds.Open();
        field = static_cast<TBlobField*>(ds.FieldByName("B"));
    }
    TMemDataSet ds{nullptr};
    TBlobField* field;
};
} // namespace

TEST(BlobStreamTest, ReadsAcrossPiecesAndNothingAtOrPastTheEnd) {
    BlobFixture f("0123456789");
    ASSERT_NE(nullptr, f.ds.GetBlobOfField(f.field)->GetFirstPiece()->NextPiece); // several pieces
    TBlobStream s(f.field, bmRead);
    EXPECT_EQ(10, s.Size());
    char buf[16] = {};
    s.Seek(2, soBeginning);
    ASSERT_EQ(5, s.Read(buf, 5)); // from the first piece into the third
    EXPECT_EQ("23456", std::string(buf, 5));
    EXPECT_EQ(7, s.Position());
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(3, s.Read(buf, 8)); // stops at the end
    EXPECT_EQ("789", std::string(buf, 3));
    EXPECT_EQ(0, s.Read(buf, 8)); // at the end
    s.Seek(5, soEnd);
    EXPECT_EQ(15, s.Position());
    EXPECT_EQ(0, s.Read(buf, 8)); // past the end: 0, never negative
    std::memset(buf, '#', sizeof buf);
    s.Seek(0, soBeginning);
    EXPECT_EQ(0, s.Read(buf, 0)); // count 0 reads nothing, not "to the end"
    EXPECT_EQ(0, s.Read(buf, -3));
    EXPECT_EQ('#', buf[0]);
    EXPECT_EQ(0, s.Position());
}

TEST(BlobStreamTest, SeekBeforeTheStartKeepsThePosition) {
    BlobFixture f("abcdef");
    TBlobStream s(f.field, bmRead);
    s.Seek(3, soBeginning);
    EXPECT_EQ(3, s.Seek(-4, soCurrent));
    EXPECT_EQ(3, s.Seek(-1, soBeginning));
    EXPECT_EQ(3, s.Seek(-7, soEnd));
    EXPECT_EQ(0, s.Seek(-6, soEnd));
    EXPECT_EQ(5, s.Seek(5, soCurrent));
}

TEST(BlobStreamTest, WriteModesNeedEditingAndAModifiableField) {
    BlobFixture f("abc");
    try {
        TBlobStream s(f.field, bmWrite);
        FAIL() << "opened for writing in browse state";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ("Dataset not in edit or insert mode", e.Message());
    }
    f.field->SetReadOnly(true);
    for (TBlobStreamMode mode : {bmWrite, bmReadWrite}) {
        try {
            TBlobStream s(f.field, mode);
            ADD_FAILURE() << "opened a read-only field for writing";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ("Field 'B' cannot be modified", e.Message());
        }
    }
    TBlobStream reader(f.field, bmRead); // reading a read-only field in browse state works
    EXPECT_EQ(3, reader.Size());
}

TEST(BlobStreamTest, WritingInEditState) {
    BlobFixture f("abcdef");
    f.ds.Edit();
    int changes = 0;
    TDataSource source(nullptr);
    source.SetDataSet(&f.ds);
    source.OnDataChange = [&](TObject*, TField* field) {
        if (field == f.field) ++changes;
    };
    {
        TBlobStream s(f.field, bmWrite); // empties the blob at once
        EXPECT_EQ(0, s.Size());
    }
    EXPECT_TRUE(f.field->Modified);
    EXPECT_EQ(1, changes);
    {
        TBlobStream s(f.field, bmReadWrite);
        EXPECT_EQ(0, s.Write("xy", 0));
        EXPECT_EQ(0, s.Write("xy", -1));
        s.Seek(3, soBeginning);
        EXPECT_EQ(2, s.Write("xy", 2)); // past the end: the gap is zeros
        EXPECT_EQ(5, s.Size());
        char buf[8] = {};
        s.Seek(0, soBeginning);
        ASSERT_EQ(5, s.Read(buf, 8));
        EXPECT_EQ(std::string("\0\0\0xy", 5), std::string(buf, 5));
        s.Seek(1, soBeginning);
        s.Truncate();
        EXPECT_EQ(1, s.Size());
    }
    EXPECT_EQ(1, f.field->AsString().size());
    f.ds.Cancel();
}

TEST(BlobStreamTest, WithoutACurrentRecordTheStreamStaysClosed) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData({{"B", tcBlob}}, nullptr));
    ds.Open();
    TBlobStream s(static_cast<TBlobField*>(ds.FieldByName("B")), bmRead);
    char buf[4];
    EXPECT_EQ(0, s.Size());
    EXPECT_EQ(0, s.Read(buf, 4));
    EXPECT_EQ(0, s.Write("ab", 2));
    EXPECT_EQ(nullptr, ds.GetBlobOfField(ds.FieldByName("B")));
    EXPECT_THROW(ds.GetBlobByName("NOPE"), Exception);
}

namespace {
// An updater that records what it was asked to write and can fail or gather batches.
struct TRecordingUpdater : TDataSetUpdater {
    using TDataSetUpdater::TDataSetUpdater;
    std::vector<std::string> written;
    bool failWith = false;
    bool batching = false;
    bool PerformUpdate() override { return Write("update"); }
    bool PerformInsert() override { return Write("insert"); }
    bool PerformDelete() override { return Write("delete"); }
    bool BatchUpdateActive() override { return batching; }
    void FlushBatch() override { written.push_back("flush"); }
    bool Write(const char* what) {
        if (failWith) DatabaseError("key violation");
        written.push_back(what);
        return true;
    }
};
} // namespace

TEST(DataSetServiceTest, ApplyStepOfOneRecord) {
    struct Case {
        const char* what;
        int recordAction; // -1: no OnUpdateRecord
        int errorAction;  // -1: no OnUpdateError
        bool fail, batching, isLast;
        int kind;
        std::vector<std::string> written;
        int result; // -2: EDatabaseError, -3: EAbort
    } cases[] = {
        {"no events: the updater writes by kind",
         -1,
         -1,
         false,
         false,
         true,
         ukDelete,
         {"delete"},
         uaApplied},
        {"the event applied it: nothing written", uaApplied, -1, false, false, true, ukModify, {}, uaApplied},
        {"the event skips it", uaSkip, -1, false, false, true, ukModify, {}, uaSkip},
        {"the event asks for the default statement",
         uaDefaultApply,
         -1,
         false,
         false,
         true,
         ukInsert,
         {"insert"},
         uaApplied},
        {"the event leaves uaFail", uaFail, -1, false, false, true, ukModify, {}, -2},
        {"the event aborts", uaAbort, -1, false, false, true, ukModify, {}, -3},
        {"a database error without OnUpdateError", -1, -1, true, false, true, ukModify, {}, -2},
        {"OnUpdateError skips the record", -1, uaSkip, true, false, true, ukModify, {}, uaSkip},
        {"OnUpdateError fails", -1, uaFail, true, false, true, ukModify, {}, -2},
        {"batched and not the last", -1, -1, false, true, false, ukModify, {"update"}, uaBatched},
        {"batched and the last: the batch runs",
         -1,
         -1,
         false,
         true,
         true,
         ukModify,
         {"update", "flush"},
         uaApplied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TMemDataSet ds(nullptr);
        ds.EnsureService();
        auto* updater = new TRecordingUpdater(ds.Service());
        ds.Service()->SetUpdater(updater);
        updater->failWith = c.fail;
        updater->batching = c.batching;
        if (c.recordAction >= 0)
            ds.OnUpdateRecord = [&](TDataSet*, TUpdateKind, int& action) { action = c.recordAction; };
        if (c.errorAction >= 0)
            ds.OnUpdateError = [&](TDataSet*, EDatabaseError&, TUpdateKind, int& action) {
                action = c.errorAction;
            };
        int action = -99;
        try {
            updater->HandleApplyRecord(c.kind, action, c.isLast);
            EXPECT_EQ(c.result, action);
        } catch (const EAbort&) {
            EXPECT_EQ(-3, c.result);
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(-2, c.result) << e.Message();
        }
        EXPECT_EQ(c.written, updater->written);
        EXPECT_FALSE(ds.Modified());
    }
}

TEST(DataSetServiceTest, AssignCopiesTheDatasetSettings) {
    TMemDataSet from(nullptr), to(nullptr);
    from.SetCachedUpdates(true);
    from.SetLocalUpdate(true);
    from.RequiredFields = false;
    from.SetMasterFields("A;B");
    from.SetDetailFields("C;D");
    from.SetDetailDelay(250);
    to.Assign(&from);
    EXPECT_TRUE(to.CachedUpdates());
    EXPECT_TRUE(to.LocalUpdate());
    EXPECT_FALSE(to.RequiredFields);
    EXPECT_EQ("A;B", to.MasterFields());
    EXPECT_EQ("C;D", to.DetailFields());
    EXPECT_EQ(250, to.DetailDelay());
}
