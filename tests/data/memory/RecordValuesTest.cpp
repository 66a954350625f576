#include <gtest/gtest.h>

#include <cstring>

#include "DataTestFixture.h"
#include "data/memory/Blob.h"
#include "data/memory/SharedObject.h"

namespace {
std::vector<FieldSpec> AllKinds() {
    return {{"S", tcString, 6},   {"I8", tcInt8},         {"I16", tcInt16},        {"I32", tcInt32},
            {"F", tcFloat, 0, 2}, {"D", tcDate},          {"T", tcTime},           {"DT", tcDateTime},
            {"U16", tcUInt16},    {"BOOL", tcBoolean},    {"I64", tcInt64},        {"CUR", tcCurrency},
            {"BLOB", tcBlob},     {"MEMO", tcMemo},       {"OBJ", tcObject},       {"V", tcVariant},
            {"ES", tcExtString},  {"BY", tcBytes, 4},     {"VB", tcVarBytes, 4},   {"EVB", tcExtVarBytes},
            {"U32", tcUInt32},    {"W", tcWideString, 3}, {"EW", tcExtWideString}, {"BCD", tcBCD},
            {"FMT", tcFMTBCD},    {"G", tcGuid, 38},      {"WM", tcWideMemo},      {"TS", tcSQLTimeStamp},
            {"CUR2", tcCursor}};
}

TSQLTimeStamp Stamp() {
    TSQLTimeStamp ts;
    ts.Year = 2021;
    ts.Month = 3;
    ts.Day = 4;
    ts.Hour = 5;
    ts.Minute = 6;
    ts.Second = 7;
    ts.Fractions = 8;
    return ts;
}
} // namespace

// Variant in, stored, Variant out.
TEST(RecordValueTest, RoundTripPerTypeCode) {
    TTestData d(AllKinds());
    TRecord rec(d);
    struct Case {
        const char* field;
        Variant in;
        Variant expected;
        TVarType outType;
    } cases[] = {
        {"S", Variant("abcdefgh"), Variant("abcdef"), varString},
        {"S", Variant(42), Variant("42"), varString},
        {"I8", Variant::FromInteger(-100, varInteger), Variant(-100), varShortInt},
        {"I16", Variant::FromInteger(-30000, varSmallint), Variant(-30000), varSmallint},
        {"I32", Variant(123456), Variant(123456), varInteger},
        {"I32", Variant(" 77"), Variant(77), varInteger},
        {"I32", Variant(12.0), Variant(12), varInteger},
        {"F", Variant(1.23456), Variant(1.23), varDouble},
        {"F", Variant::FromInteger(5, varInt64), Variant(5.0), varDouble},
        {"D", Variant::FromDateTime(44000.0), Variant::FromDateTime(44000.0), varDate},
        {"T", Variant::FromDateTime(0.25), Variant::FromDateTime(0.25), varDate},
        {"DT", Variant::FromDateTime(44000.5), Variant::FromDateTime(44000.5), varDate},
        {"U16", Variant::FromInteger(65535, varInteger), Variant(65535), varWord},
        {"BOOL", Variant(true), Variant(true), varBoolean},
        {"BOOL", Variant(false), Variant(false), varBoolean},
        {"I64", Variant::FromInteger(INT64_C(-9000000000), varInt64), Variant(INT64_C(-9000000000)),
         varInt64},
        {"CUR", Variant(Currency::FromScaled(12345)), Variant(1.2345), varDouble},
        {"MEMO", Variant("memo text"), Variant("memo text"), varString},
        {"V", Variant(L"any"), Variant(L"any"), varOleStr},
        {"ES", Variant("outside the record"), Variant("outside the record"), varString},
        {"BY", Variant(TBytes{1, 2, 3, 4}), Variant(TBytes{1, 2, 3, 4}), varArray | varByte},
        {"VB", Variant(TBytes{9, 8}), Variant(TBytes{9, 8}), varArray | varByte},
        {"EVB", Variant(TBytes{7, 7, 7, 7, 7, 7}), Variant(TBytes{7, 7, 7, 7, 7, 7}), varArray | varByte},
        {"U32", Variant::FromInteger(4000000000LL, varLongWord), Variant(4000000000LL), varLongWord},
        {"W", Variant(L"\u4e2d\u6587abc"), Variant(L"\u4e2d\u6587a"), varOleStr},
        {"EW", Variant(L"\u5bbd\u5b57\u7b26"), Variant(L"\u5bbd\u5b57\u7b26"), varOleStr},
        {"BCD", Variant(Currency::FromScaled(-25000)), Variant(Currency::FromScaled(-25000)), varCurrency},
        {"FMT", Variant("-12345678901234567890.125"), Variant(TBcd::FromString("-12345678901234567890.125")),
         varFMTBcd},
        {"G", Variant("{00000000-0000-0000-0000-000000000001}"),
         Variant("{00000000-0000-0000-0000-000000000001}"), varString},
        {"WM", Variant(L"\u4e2d\u6587 memo"), Variant(L"\u4e2d\u6587 memo"), varOleStr},
        {"TS", Variant(Stamp()), Variant(Stamp()), varSQLTimeStamp},
    };
    for (const auto& c : cases) {
        int fieldNo = d.FieldDescByName(c.field)->Position;
        d.PutFieldAsVariant(fieldNo, rec, false, c.in);
        EXPECT_FALSE(d.GetNull(fieldNo, rec)) << c.field;
        Variant out;
        d.GetFieldAsVariant(fieldNo, rec, out);
        EXPECT_EQ(out.VarType(), c.outType) << c.field;
        if (c.outType == (varArray | varByte))
            EXPECT_EQ(out.Bytes(), c.expected.Bytes()) << c.field;
        else if (c.outType == varFMTBcd)
            EXPECT_EQ(out.AsBcd().Text(), c.expected.AsBcd().Text()) << c.field;
        else if (c.outType == varSQLTimeStamp)
            EXPECT_TRUE(out.AsSQLTimeStamp() == c.expected.AsSQLTimeStamp()) << c.field;
        else
            EXPECT_TRUE(out == c.expected) << c.field << ": " << VarToStr(out);
        d.PutFieldAsVariant(fieldNo, rec, false, Variant::Null());
        EXPECT_TRUE(d.GetNull(fieldNo, rec)) << c.field;
        Variant nullOut;
        d.GetFieldAsVariant(fieldNo, rec, nullOut);
        EXPECT_TRUE(nullOut.IsNull()) << c.field;
    }
}

TEST(RecordValueTest, ValuesATypeCannotHold) {
    TTestData d(AllKinds());
    TRecord rec(d);
    struct Case {
        const char* field;
        Variant in;
        const char* message; // nullptr: any EConvertError
        bool assertion;
    } cases[] = {
        {"I16", Variant("12"), "Cannot convert type", false},
        {"I16", Variant(1.5), "Cannot convert type", false},
        {"I16", Variant::FromInteger(40000, varInteger), nullptr, false},
        {"I8", Variant::FromInteger(200, varInteger), nullptr, false},
        {"U16", Variant::FromInteger(-1, varInteger), nullptr, false},
        {"I32", Variant("twelve"), nullptr, false},
        {"I32", Variant(INT64_C(5000000000)), nullptr, false},
        {"I32", Variant(true), "Cannot convert type", false},
        {"F", Variant(true), "Cannot convert type", false},
        {"BOOL", Variant(1), "Cannot convert type", false},
        {"I64", Variant(5), "Cannot convert type", false},
        {"U32", Variant(5), "Cannot convert type", false},
        {"OBJ", Variant(5), "Cannot convert type", false},
        {"CUR2", Variant(5), "Cannot convert type", false},
        {"BY", Variant(TBytes{1, 2, 3}), "Invalid data size", true},
        {"BY", Variant("abcd"), "Invalid VType", true},
        {"VB", Variant(TBytes{1, 2, 3, 4, 5}), "Invalid data size", true},
    };
    for (const auto& c : cases) {
        int fieldNo = d.FieldDescByName(c.field)->Position;
        d.SetNull(fieldNo, rec, true);
        try {
            d.PutFieldAsVariant(fieldNo, rec, false, c.in);
            ADD_FAILURE() << c.field << " accepted " << VarToStr(c.in);
        } catch (const EAssertionFailed& e) {
            EXPECT_TRUE(c.assertion) << c.field << ": " << e.Message();
            EXPECT_NE(e.Message().find(c.message), AnsiString::npos) << e.Message();
        } catch (const EConvertError& e) {
            EXPECT_FALSE(c.assertion) << c.field;
            if (c.message) {
                EXPECT_EQ(e.Message(), c.message) << c.field;
            }
        }
        EXPECT_TRUE(d.GetNull(fieldNo, rec)) << c.field << ": a refused value leaves the field as it was";
    }
    // Reading codes without a Variant form names the code.
    d.PutFieldAsVariant(d.FieldDescByName("BLOB")->Position, rec, false, Variant("bytes"));
    Variant v;
    try {
        d.GetFieldAsVariant(d.FieldDescByName("BLOB")->Position, rec, v);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot convert type 13");
    }
    bool isNull;
    TBlob* blob = nullptr;
    d.GetField(d.FieldDescByName("BLOB")->Position, rec, isNull, &blob);
    EXPECT_EQ(blob->ReadAsAnsi(), "bytes");
}

TEST(RecordValueTest, TrimmedStringVariantsDropControlCharacters) {
    TTestData d({{"S", tcString, 8}, {"W", tcWideString, 8}});
    TRecord rec(d);
    d.PutFieldAsVariant(1, rec, false, Variant("ab \t\r\n"));
    d.PutFieldAsVariant(2, rec, false, Variant(L"cd \t"));
    Variant v;
    d.GetFieldAsVariant(1, rec, v);
    EXPECT_EQ(v.AsAnsiString(), "ab \t\r\n");
    d.TrimVarChar = true;
    d.GetFieldAsVariant(1, rec, v);
    EXPECT_EQ(v.AsAnsiString(), "ab");
    d.GetFieldAsVariant(2, rec, v);
    EXPECT_EQ(v.AsWideString(), L"cd");
}

TEST(RecordValueTest, StringCutKeepsDoubleByteCharactersWhole) {
    TTestData d({{"S", tcString, 3}});
    TRecord rec(d);
    d.PutFieldAsVariant(1, rec, false, Variant("a中文")); // 1 + 2 + 2 bytes
    Variant v;
    d.GetFieldAsVariant(1, rec, v);
    EXPECT_EQ(v.AsAnsiString(), "a中");
}

TEST(RecordValueTest, SharedHeapTextsAreReleasedByTheirLastHolder) {
    TTestData d({{"ES", tcExtString}, {"V", tcVariant}});
    TRecord a(d, false);
    d.PutFieldAsVariant(1, a, false, Variant("shared"));
    d.PutFieldAsVariant(2, a, false, Variant(5));
    void* copy;
    d.AllocRecBuf(copy);
    std::memcpy(copy, a.get(), static_cast<size_t>(d.RecordSize));
    d.AddRefComplexFields(copy);
    void* text = LoadUnaligned<void*>(a.get(), 0);
    EXPECT_EQ(TStringHeap::RefWord(text), 102);
    d.FreeComplexFields(a, false);
    EXPECT_EQ(LoadUnaligned<void*>(a.get(), 0), text) << "still held by the copy";
    d.FreeComplexFields(copy, false);
    EXPECT_EQ(LoadUnaligned<void*>(copy, 0), nullptr);
    EXPECT_EQ(TStringHeap::RefWord(text), TStringHeap::RefFree);
    d.FreeRecBuf(copy);
    // The slot of 'a' still names the freed text and its Variant holder was released once; make
    // the record clean for its destructor.
    StoreUnaligned<void*>(a.get(), 0, nullptr);
    StoreUnaligned<void*>(a.get(), 4, nullptr);

    TTestData e({{"V", tcVariant}});
    void* buf;
    e.AllocRecBuf(buf);
    e.InitRecordBuf(buf);
    EXPECT_THROW(e.AddRefComplexFields(buf), EAssertionFailed);
    e.FreeRecBuf(buf);
}

TEST(RecordValueTest, CopyComplexFieldsMakesIndependentCopies) {
    TTestData d({{"ES", tcExtString}, {"EW", tcExtWideString}, {"EVB", tcExtVarBytes}, {"V", tcVariant}});
    TRecord src(d, false), dst(d, false);
    d.PutFieldAsVariant(1, src, false, Variant("text"));
    d.PutFieldAsVariant(2, src, false, Variant(L"wide"));
    d.PutFieldAsVariant(3, src, false, Variant(TBytes{1, 2}));
    d.PutFieldAsVariant(4, src, false, Variant(3.5));
    std::memcpy(static_cast<uint8_t*>(dst.get()) + d.DataSize, static_cast<uint8_t*>(src.get()) + d.DataSize,
                4);
    d.CopyComplexFields(src, dst, false);
    EXPECT_THROW(d.CopyComplexFields(src, dst, true), EAssertionFailed);
    d.PutFieldAsVariant(1, src, false, Variant("changed"));
    d.PutFieldAsVariant(4, src, false, Variant(1.0));
    Variant v;
    d.GetFieldAsVariant(1, dst, v);
    EXPECT_EQ(v.AsAnsiString(), "text");
    d.GetFieldAsVariant(2, dst, v);
    EXPECT_EQ(v.AsWideString(), L"wide");
    d.GetFieldAsVariant(3, dst, v);
    EXPECT_EQ(v.Bytes(), (TBytes{1, 2}));
    d.GetFieldAsVariant(4, dst, v);
    EXPECT_DOUBLE_EQ(v.AsDouble(), 3.5);
}

TEST(RecordValueTest, BlobAccessByFieldNumber) {
    TTestData d({{"B", tcBlob}, {"WM", tcWideMemo}, {"I", tcInt32}});
    TRecord rec(d);
    EXPECT_THROW(d.GetFieldBlob(3, rec), Exception);
    try {
        d.ReadBlob(3, rec, false, false, nullptr, 0, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Field is not BLOB");
    }
    d.WriteBlob(1, rec, false, "hello world", 11, 0);
    EXPECT_FALSE(d.GetNull(1, rec));
    char buf[32] = {};
    EXPECT_EQ(d.ReadBlob(1, rec, false, false, buf, 5, 6), 5);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(d.GetBlobSize(1, rec, false, false), 11);
    // The first change set the old (empty) data aside; after a commit there is no rollback copy
    // and the old data is the current data.
    EXPECT_EQ(d.ReadBlob(1, rec, false, true, buf, 5, 0), 0);
    EXPECT_EQ(d.GetBlobSize(1, rec, false, true), 0);
    EXPECT_EQ(d.GetBlobSize(1, rec, false, false), 11) << "old data is shown only during the read";
    d.GetFieldBlob(1, rec)->Commit();
    std::memset(buf, 0, sizeof buf);
    EXPECT_EQ(d.ReadBlob(1, rec, false, true, buf, 5, 0), 5);
    EXPECT_STREQ(buf, "hello");
    d.TruncateBlob(1, rec, false, 0);
    EXPECT_TRUE(d.GetNull(1, rec));
    EXPECT_EQ(d.GetBlobSize(1, rec, false, false), 0);

    // A 16-bit blob seen as 8-bit text.
    const char* text = "ab中文";
    d.WriteBlob(2, rec, false, text, static_cast<int>(std::strlen(text)), 0);
    EXPECT_EQ(d.GetBlobSize(2, rec, true, false), 8) << "four UTF-16 characters";
    EXPECT_EQ(d.GetBlobSize(2, rec, false, false), 6);
    std::memset(buf, 0, sizeof buf);
    EXPECT_EQ(d.ReadBlob(2, rec, false, false, buf, 0, 0), 6);
    EXPECT_STREQ(buf, text);
    Variant v;
    d.GetFieldAsVariant(2, rec, v);
    EXPECT_EQ(v.AsWideString(), L"ab\u4e2d\u6587");
}

TEST(RecordValueTest, ComparableValues) {
    TTestData d({{"ES", tcExtString},
                 {"BCD", tcBCD},
                 {"BY", tcBytes, 3},
                 {"D", tcDate},
                 {"I", tcInt32},
                 {"M", tcMemo}});
    TRecord rec(d);
    d.PutFieldAsVariant(1, rec, false, Variant("heap"));
    d.PutFieldAsVariant(2, rec, false, Variant(Currency::FromScaled(12500)));
    d.PutFieldAsVariant(3, rec, false, Variant(TBytes{1, 2, 3}));
    d.PutFieldAsVariant(4, rec, false, Variant::FromDateTime(100.0));
    d.PutFieldAsVariant(6, rec, false, Variant("memo"));
    bool borrowed, isNull;
    TDataTypeCode type;
    void* p = d.GetComparableValue(rec, d.FieldDescOf(1), borrowed, isNull, type);
    EXPECT_TRUE(borrowed);
    EXPECT_EQ(type, tcString);
    EXPECT_STREQ(static_cast<char*>(p), "heap");
    p = d.GetComparableValue(rec, d.FieldDescOf(2), borrowed, isNull, type);
    EXPECT_FALSE(borrowed);
    EXPECT_DOUBLE_EQ(LoadUnaligned<double>(p, 0), 1.25);
    TData::FreeComparableValue(p);
    p = d.GetComparableValue(rec, d.FieldDescOf(3), borrowed, isNull, type);
    EXPECT_FALSE(borrowed);
    EXPECT_EQ(LoadUnaligned<uint16_t>(p, 0), 3);
    EXPECT_EQ(static_cast<uint8_t*>(p)[4], 3);
    TData::FreeComparableValue(p);
    p = d.GetComparableValue(rec, d.FieldDescOf(4), borrowed, isNull, type);
    EXPECT_DOUBLE_EQ(LoadUnaligned<double>(p, 0), 100.0);
    TData::FreeComparableValue(p);
    p = d.GetComparableValue(rec, d.FieldDescOf(5), borrowed, isNull, type);
    EXPECT_TRUE(isNull);
    EXPECT_EQ(p, nullptr);
    p = d.GetComparableValue(rec, d.FieldDescOf(6), borrowed, isNull, type);
    EXPECT_EQ(type, tcString);
    EXPECT_STREQ(static_cast<char*>(p), "memo");
    TData::FreeComparableValue(p);
}
