// A real TMemDataSet over a record list: the fields made for every type code, definitions,
// buffer layout, calculated fields and old values.
#include <gtest/gtest.h>

#include <cstring>

#include "data/memory/Blob.h"
#include "platform/core/Bcd.h"
#include "platform/core/DateTime.h"
#include "tests/data/memory/MemDataSetFixture.h"

namespace {

using Put = std::function<void(TRowsData& d, void* buffer, int fieldNo)>;

template <class T> Put PutRaw(T value) {
    return [value](TRowsData& d, void* b, int n) { d.PutField(n, b, true, &value); };
}
Put PutText(std::string text) {
    return [text](TRowsData& d, void* b, int n) { d.PutField(n, b, true, text.c_str()); };
}
Put PutWide(std::wstring text) {
    return [text](TRowsData& d, void* b, int n) {
        const wchar_t* p = text.c_str();
        d.PutField(n, b, true, &p);
    };
}
Put PutBytes(std::vector<uint8_t> bytes) {
    return [bytes](TRowsData& d, void* b, int n) {
        std::vector<uint8_t> v(2 + bytes.size());
        uint16_t length = static_cast<uint16_t>(bytes.size());
        std::memcpy(v.data(), &length, 2);
        std::memcpy(v.data() + 2, bytes.data(), bytes.size());
        d.PutField(n, b, true, v.data());
    };
}
Put PutBlob(std::string bytes) {
    return [bytes](TRowsData& d, void* b, int n) {
        d.WriteBlob(n, b, true, bytes.data(), static_cast<int>(bytes.size()), 0);
    };
}

TTimeStamp Stamp(TDateTime value) {
    return DateTimeToTimeStamp(value);
}

struct TypeCase {
    const char* what;
    TDataTypeCode code;
    int length;
    int scale;
    Put put;
    TClass fieldClass;
    TFieldType fieldType;
    int defSize;
    std::function<void(TField*)> check;
};

std::vector<TypeCase> TypeCases() {
    const TDateTime date = EncodeDate(2024, 2, 29);
    const TDateTime time = EncodeTime(12, 34, 56, 789);
    const TDateTime dateTime = EncodeDateTime(1999, 12, 31, 23, 59, 58, 0);
    TBcdRecord bcd = StrToBcdRecord("-12345.678");
    return {
        {"string", tcString, 10, 0, PutText("abc"), TStringField::StaticClass(), ftString, 10,
         [](TField* f) { EXPECT_EQ("abc", f->AsString()); }},
        {"Chinese text at full length", tcString, 4, 0, PutText("中文"), TStringField::StaticClass(),
         ftString, 4, [](TField* f) { EXPECT_EQ("中文", f->AsString()); }},
        {"int8 -1", tcInt8, 0, 0, PutRaw<int8_t>(-1), TSmallintField::StaticClass(), ftSmallint, 0,
         [](TField* f) { EXPECT_EQ(-1, f->AsInteger()); }},
        {"int8 -128", tcInt8, 0, 0, PutRaw<int8_t>(-128), TSmallintField::StaticClass(), ftSmallint, 0,
         [](TField* f) { EXPECT_EQ(-128, f->AsInteger()); }},
        {"int16", tcInt16, 0, 0, PutRaw<int16_t>(-31000), TSmallintField::StaticClass(), ftSmallint, 0,
         [](TField* f) { EXPECT_EQ(-31000, f->AsInteger()); }},
        {"int32", tcInt32, 0, 0, PutRaw<int32_t>(-2000000000), TIntegerField::StaticClass(), ftInteger, 0,
         [](TField* f) { EXPECT_EQ(-2000000000, f->AsInteger()); }},
        {"float", tcFloat, 0, 0, PutRaw<double>(2.5), TFloatField::StaticClass(), ftFloat, 0,
         [](TField* f) { EXPECT_EQ(2.5, f->AsFloat()); }},
        {"date", tcDate, 0, 0, PutRaw<int32_t>(Stamp(date).Date), TDateField::StaticClass(), ftDate, 0,
         [=](TField* f) { EXPECT_EQ(date, f->AsDateTime()); }},
        {"time", tcTime, 0, 0, PutRaw<int32_t>(Stamp(time).Time), TTimeField::StaticClass(), ftTime, 0,
         [=](TField* f) { EXPECT_NEAR(time, f->AsDateTime(), 1e-9); }},
        {"date-time", tcDateTime, 0, 0,
         PutRaw<double>(static_cast<double>(Stamp(dateTime).Date) * MSecsPerDay + Stamp(dateTime).Time),
         TDateTimeField::StaticClass(), ftDateTime, 0,
         [=](TField* f) { EXPECT_NEAR(dateTime, f->AsDateTime(), 1e-9); }},
        {"uint16", tcUInt16, 0, 0, PutRaw<uint16_t>(65535), TWordField::StaticClass(), ftWord, 0,
         [](TField* f) { EXPECT_EQ(65535, f->AsInteger()); }},
        {"boolean", tcBoolean, 0, 0, PutRaw<int16_t>(1), TBooleanField::StaticClass(), ftBoolean, 0,
         [](TField* f) { EXPECT_TRUE(f->AsBoolean()); }},
        {"int64", tcInt64, 0, 0, PutRaw<int64_t>(-(int64_t(1) << 40)), TLargeintField::StaticClass(),
         ftLargeint, 0, [](TField* f) { EXPECT_EQ(-(int64_t(1) << 40), f->AsLargeInt()); }},
        {"uint32 4000000000", tcUInt32, 0, 0, PutRaw<uint32_t>(4000000000u), TLargeintField::StaticClass(),
         ftLargeint, 0, [](TField* f) { EXPECT_EQ(4000000000LL, f->AsLargeInt()); }},
        {"currency", tcCurrency, 0, 0, PutRaw<double>(12.34), TCurrencyField::StaticClass(), ftCurrency, 0,
         [](TField* f) { EXPECT_EQ(12.34, f->AsFloat()); }},
        {"BCD", tcBCD, 10, 4, PutRaw<int64_t>(-123456), TBCDField::StaticClass(), ftBCD, 4,
         [](TField* f) { EXPECT_EQ(-12.3456, f->AsFloat()); }},
        {"FMTBcd", tcFMTBCD, 20, 3, PutRaw<TBcdRecord>(bcd), TFMTBCDField::StaticClass(), ftFMTBcd, 3,
         [](TField* f) { EXPECT_EQ(-12345.678, f->AsFloat()); }},
        {"GUID", tcGuid, 38, 0, PutText("{01234567-89AB-CDEF-0123-456789ABCDEF}"), TGuidField::StaticClass(),
         ftGuid, 38, [](TField* f) { EXPECT_EQ("{01234567-89AB-CDEF-0123-456789ABCDEF}", f->AsString()); }},
        {"wide string", tcWideString, 4, 0, PutWide(L"中文汉字"), TWideStringField::StaticClass(),
         ftWideString, 4, [](TField* f) { EXPECT_EQ(L"中文汉字", f->AsWideString()); }},
        {"over-long heap text", tcExtString, 4, 0, PutText("中文字符"), TStringField::StaticClass(), ftString,
         4, [](TField* f) { EXPECT_EQ("中文", f->AsString()); }},
        {"heap text cut before a double-byte character", tcExtString, 4, 0, PutText("a中文"),
         TStringField::StaticClass(), ftString, 4, [](TField* f) { EXPECT_EQ("a中", f->AsString()); }},
        {"heap text within its length", tcExtString, 8, 0, PutText("short"), TStringField::StaticClass(),
         ftString, 8, [](TField* f) { EXPECT_EQ("short", f->AsString()); }},
        {"over-long wide heap text", tcExtWideString, 3, 0, PutWide(L"中文汉字测试"),
         TWideStringField::StaticClass(), ftWideString, 3,
         [](TField* f) { EXPECT_EQ(L"中文汉", f->AsWideString()); }},
        {"bytes", tcBytes, 3, 0, PutText("xyz"), TBytesField::StaticClass(), ftBytes, 3,
         [](TField* f) {
             EXPECT_EQ((TBytes{'x', 'y', 'z'}), f->GetAsBytes());
         }},
        {"var bytes", tcVarBytes, 4, 0, PutBytes({1, 2, 3}), TVarBytesField::StaticClass(), ftVarBytes, 4,
         [](TField* f) {
             EXPECT_EQ((TBytes{1, 2, 3}), f->GetAsBytes());
         }},
        {"over-long heap bytes", tcExtVarBytes, 3, 0, PutBytes({1, 2, 3, 4, 5}),
         TVarBytesField::StaticClass(), ftVarBytes, 3,
         [](TField* f) {
             EXPECT_EQ((TBytes{1, 2, 3}), f->GetAsBytes());
         }},
        {"variant", tcVariant, 0, 0, PutRaw<Variant>(Variant(int64_t(77))), TVariantField::StaticClass(),
         ftVariant, 0, [](TField* f) { EXPECT_EQ(77, f->AsInteger()); }},
        {"blob", tcBlob, 0, 0, PutBlob("blob\x01\x02"), TBlobField::StaticClass(), ftBlob, 0,
         [](TField* f) { EXPECT_EQ("blob\x01\x02", f->AsString()); }},
        {"memo", tcMemo, 0, 0, PutBlob("备注 memo"), TMemoField::StaticClass(), ftMemo, 0,
         [](TField* f) { EXPECT_EQ("备注 memo", f->AsString()); }},
    };
}

} // namespace

TEST(MemDataSetTest, EveryTypeCodeGivesItsFieldValueAndNull) {
    for (const TypeCase& c : TypeCases()) {
        SCOPED_TRACE(c.what);
        TMemDataSet ds(nullptr);
        ds.SetRecordSet(new TRowsData({{"V", c.code, c.length, c.scale}}, [&](TRowsData& d) {
            d.AddRow([&](void* b) { c.put(d, b, 1); });
            d.AddRow([](void*) {});
        }));
        ds.Open();
        TField* f = ds.FieldByName("V");
        EXPECT_EQ(c.fieldClass, f->ClassType());
        TFieldDef* def = ds.FieldDefs().Find("V");
        EXPECT_EQ(c.fieldType, def->DataType());
        EXPECT_EQ(c.defSize, def->Size());
        EXPECT_EQ(1, def->FieldNo());
        EXPECT_FALSE(f->IsNull());
        c.check(f);
        ds.Next();
        EXPECT_TRUE(f->IsNull());
        EXPECT_TRUE(f->Value().IsNull());
    }
}

TEST(MemDataSetTest, OneByteIntegerWritesKeepTheSignAndRefuseValuesOutsideItsRange) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData({{"V", tcInt8}}, [](TRowsData& d) {
        d.AddRow([&](void* b) {
            int8_t v = 5;
            d.PutField(1, b, true, &v);
        });
    }));
    ds.Open();
    TField* f = ds.FieldByName("V");
    ds.Edit();
    for (int value : {-1, 127, -128, 0}) {
        f->SetAsInteger(value);
        EXPECT_EQ(value, f->AsInteger());
    }
    f->SetAsInteger(-7);
    for (int value : {300, 128, -129}) {
        SCOPED_TRACE(value);
        EXPECT_THROW(f->SetAsInteger(value), Exception);
        EXPECT_EQ(-7, f->AsInteger()); // the refused value left nothing behind
    }
    ds.Cancel();
    EXPECT_EQ(5, f->AsInteger());
}

TEST(MemDataSetTest, WideFieldsTravelAsWideStringsBothWays) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData({{"W", tcWideString, 6}}, [](TRowsData& d) {
        d.AddRow([&](void* b) {
            const wchar_t* p = L"宽字符";
            d.PutField(1, b, true, &p);
        });
    }));
    ds.Open();
    TField* f = ds.FieldByName("W");
    WideString value;
    EXPECT_TRUE(f->GetData(&value, false));
    EXPECT_EQ(L"宽字符", value);
    ds.Edit();
    f->SetAsWideString(L"新的值");
    EXPECT_EQ(L"新的值", f->AsWideString());
    EXPECT_EQ("新的值", f->AsString());
    ds.Cancel();
}

TEST(MemDataSetTest, DefinitionsFromDescriptors) {
    // Two arrays of two elements under one parent; one of their names is taken already.
    auto* elementType = new TObjectTypeDesc();
    elementType->DataType = tcArray;
    elementType->Size = 2;
    for (const char* name : {"X", "Y"}) {
        auto* attribute = new TFieldDesc();
        attribute->FieldName = name;
        attribute->TypeCode = tcInt32;
        elementType->Attributes.Add(attribute);
    }
    auto* data = new TRowsData({{"ID", tcInt32},
                                {"ARR.0_1", tcString, 5},
                                {"ARR", tcArray},
                                {"NAME", tcString, 20},
                                {"RO", tcInt32}},
                               nullptr);
    data->AdjustDesc = [&](TFieldDesc* d) {
        if (d->FieldName == "ID") d->IsRequired = true;
        if (d->FieldName == "RO") {
            d->IsReadOnly = true;
            d->IsHiddenColumn = true;
        }
        if (d->FieldName == "NAME") d->IsFixedLength = true;
        if (d->FieldName == "ARR") {
            elementType->AddRef();
            d->ObjectTypeRef = elementType;
        }
    };
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(data);
    ds.FieldDefs().Update();
    elementType->Release();

    TFieldDefs& defs = ds.FieldDefs();
    ASSERT_EQ(5, defs.Count());
    EXPECT_TRUE(defs.Find("ID")->Required());
    EXPECT_FALSE(defs.Find("NAME")->Required());
    EXPECT_EQ(4, defs.Find("NAME")->FieldNo());
    EXPECT_TRUE(defs.Find("NAME")->Attributes() & faFixed);
    EXPECT_EQ(faReadonly | faHiddenCol, defs.Find("RO")->Attributes() & (faReadonly | faHiddenCol));
    TFieldDef* arr = defs.Find("ARR");
    EXPECT_EQ(ftArray, arr->DataType());
    std::vector<AnsiString> names;
    for (int i = 0; i < arr->ChildDefs().Count(); ++i)
        names.push_back(arr->ChildDefs()[i]->Name());
    // Attribute by attribute, element by element; "0" of the second attribute is taken by the
    // first, "0_1" by a column of that dotted name.
    EXPECT_EQ((std::vector<AnsiString>{"0", "1", "0_2", "1_1"}), names);
    EXPECT_NE(nullptr, ds.FieldDefList().Find("ARR.0"));
    EXPECT_NE(nullptr, ds.FieldDefList().Find("ARR.0_2"));

    // Without the RequiredFields option nothing is required.
    TMemDataSet loose(nullptr);
    loose.RequiredFields = false;
    auto* plain = new TRowsData({{"ID", tcInt32}}, nullptr);
    plain->AdjustDesc = [](TFieldDesc* d) { d->IsRequired = true; };
    loose.SetRecordSet(plain);
    loose.FieldDefs().Update();
    EXPECT_FALSE(loose.FieldDefs().Find("ID")->Required());
}

TEST(MemDataSetTest, UnsupportedTypeIsRefusedAndTheDatasetStaysClosed) {
    TMemDataSet ds(nullptr);
    ds.SetName("People");
    ds.SetRecordSet(new TRowsData({{"ID", tcInt32}, {"ODD", tcUnknown}}, nullptr));
    try {
        ds.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ("People: Data type is not supported", e.Message());
    }
    EXPECT_FALSE(ds.Active());
}

namespace {
// Persistent fields: two data fields and a calculated one that counts its runs.
struct CalcFixture {
    explicit CalcFixture(bool cache) {
        ds.CacheCalcFields = cache;
        ds.SetRecordSet(new TRowsData({{"ID", tcInt32}, {"NAME", tcString, 20}}, [](TRowsData& d) {
            for (int i = 1; i <= 5; ++i)
                d.AddRow([&](void* b) {
                    d.PutField(1, b, true, &i);
                    d.PutField(2, b, true, "n");
                });
        }));
        auto* id = new TIntegerField(&ds);
        id->SetFieldName("ID");
        id->SetDataSet(&ds);
        auto* name = new TStringField(&ds);
        name->SetFieldName("NAME");
        name->SetSize(20);
        name->SetDataSet(&ds);
        twice = new TIntegerField(&ds);
        twice->SetFieldName("TWICE");
        twice->SetFieldKind(TFieldKind::fkCalculated);
        twice->SetDataSet(&ds);
        ds.OnCalcFields = [this](TDataSet* d) {
            ++runs;
            twice->SetAsInteger(d->FieldByName("ID")->AsInteger() * 2);
        };
    }
    TMemDataSet ds{nullptr};
    TIntegerField* twice;
    int runs = 0;
};
} // namespace

TEST(MemDataSetTest, BufferLayoutWithAndWithoutCachedCalculatedFields) {
    // Record info and bookmark: 7 + 12 bytes with 4-byte pointers; the bookmark holds a pointer.
    const int bookmarkSize = 8 + static_cast<int>(sizeof(void*));
    {
        CalcFixture f(false);
        f.ds.Open();
        TData* data = f.ds.RecordSet();
        ASSERT_GT(data->CalcRecordSize, 0);
        EXPECT_EQ(data->RecordSize + data->CalcRecordSize + 7 + bookmarkSize, f.ds.RecordBufferSize());
        EXPECT_EQ(data->RecordSize + data->CalcRecordSize, f.ds.RecordInfoOffset());
        EXPECT_EQ(f.ds.RecordInfoOffset() + 7, f.ds.BookmarkOffset());
        EXPECT_EQ(bookmarkSize, f.ds.BookmarkSize());
        TFieldDesc* calc = data->FieldDescOf(3);
        EXPECT_EQ("TWICE", calc->FieldName);
        EXPECT_EQ(fkCalculated, calc->FieldKind);
        EXPECT_EQ(tcInt32, calc->TypeCode);
    }
    {
        CalcFixture f(true);
        f.ds.Open();
        TData* data = f.ds.RecordSet();
        EXPECT_EQ(0, data->CalcRecordSize);
        EXPECT_EQ(data->RecordSize + 7 + bookmarkSize, f.ds.RecordBufferSize());
        EXPECT_EQ(fkCalculatedInData, data->FieldDescOf(3)->FieldKind);
    }
}

TEST(MemDataSetTest, CalculatedFieldsPerReadOrCachedAtOpen) {
    for (bool cache : {false, true}) {
        SCOPED_TRACE(cache ? "cached" : "per read");
        CalcFixture f(cache);
        f.ds.Open();
        int afterOpen = f.runs;
        std::vector<int> values;
        for (f.ds.First(); !f.ds.Eof(); f.ds.Next())
            values.push_back(f.twice->AsInteger());
        EXPECT_EQ((std::vector<int>{2, 4, 6, 8, 10}), values);
        if (cache) {
            EXPECT_EQ(5, afterOpen); // once per stored row
            EXPECT_EQ(afterOpen, f.runs);
        } else {
            EXPECT_GE(f.runs - afterOpen, 4); // every record read computes again
        }
        f.ds.Close();
    }
}

TEST(MemDataSetTest, OldValueIsNullWhileInserting) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData({{"ID", tcInt32}}, [](TRowsData& d) {
        d.AddRow([&](void* b) {
            int v = 42;
            d.PutField(1, b, true, &v);
        });
    }));
    ds.Open();
    TField* f = ds.FieldByName("ID");
    EXPECT_EQ(42, f->OldValue().AsInteger());
    ds.Insert();
    f->SetAsInteger(7);
    EXPECT_TRUE(f->OldValue().IsNull());
    EXPECT_EQ(7, f->AsInteger());
    ds.Cancel();
    EXPECT_EQ(42, f->AsInteger());
}

TEST(MemDataSetTest, WritesOutsideEditingAndIntoReadOnlyFieldsAreRefused) {
    TMemDataSet ds(nullptr);
    auto* data = new TRowsData({{"ID", tcInt32}, {"RO", tcInt32}}, [](TRowsData& d) {
        d.AddRow([&](void* b) {
            int v = 1;
            d.PutField(1, b, true, &v);
        });
    });
    ds.SetRecordSet(data);
    ds.Open();
    try {
        ds.FieldByName("ID")->SetAsInteger(2);
        FAIL() << "written in browse state";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ("Dataset not in edit or insert mode", e.Message());
    }
    ds.FieldByName("RO")->SetReadOnly(true);
    ds.Edit();
    EXPECT_THROW(ds.FieldByName("RO")->SetAsInteger(3), EDatabaseError);
    ds.WritingDefaults = true;
    ds.FieldByName("RO")->SetAsInteger(3);
    EXPECT_EQ(3, ds.FieldByName("RO")->AsInteger());
    ds.Cancel();
}

TEST(MemDataSetTest, ReferenceOnReadBuffersHoldAndReleaseTheirOwnReferences) {
    TMemDataSet ds(nullptr);
    ds.ReferenceOnRead = true;
    ds.SetRecordSet(new TRowsData({{"ID", tcInt32}, {"B", tcBlob}}, [](TRowsData& d) {
        for (int i = 1; i <= 3; ++i)
            d.AddRow([&](void* b) {
                d.PutField(1, b, true, &i);
                d.WriteBlob(2, b, true, "blob", 4, 0);
            });
    }));
    ds.Open();
    TBlob* first = ds.GetBlobOfField(ds.FieldByName("B"));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(2, first->RefCount()); // the stored row's and the buffer's
    ds.Next();
    TBlob* second = ds.GetBlobOfField(ds.FieldByName("B"));
    EXPECT_EQ(2, second->RefCount());
    ds.Next(); // the first row's buffer is read again: its reference goes
    EXPECT_EQ(1, first->RefCount());
    EXPECT_EQ(2, ds.GetBlobOfField(ds.FieldByName("B"))->RefCount());
    // Refresh fetches the rows again; the buffers let go of the old ones and refer to the new.
    ds.Refresh();
    EXPECT_EQ(3, ds.RecordCount());
    EXPECT_EQ(1, ds.FieldByName("ID")->AsInteger());
    EXPECT_EQ(2, ds.GetBlobOfField(ds.FieldByName("B"))->RefCount());
    ds.Close();
}

TEST(MemDataSetTest, DefinitionsAreRebuiltOnlyWhenTheColumnsChange) {
    auto* data = new TRowsData({{"ID", tcInt32}, {"NAME", tcString, 10}}, nullptr);
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(data);
    ds.Prepare(); // a prepared record set keeps its descriptors while closed
    EXPECT_TRUE(ds.IsPrepared());
    TFieldDef* name = ds.FieldDefs().Find("NAME");
    ds.InitFieldDefs(); // same columns: the definitions stand
    EXPECT_EQ(name, ds.FieldDefs().Find("NAME"));
    data->Specs[1].Name = "TITLE";
    ds.InitFieldDefs();
    EXPECT_EQ(nullptr, ds.FieldDefs().FindDef("NAME"));
    ASSERT_NE(nullptr, ds.FieldDefs().FindDef("TITLE"));
    EXPECT_EQ(2, ds.FieldDefs().FindDef("TITLE")->FieldNo());
    data->Specs[1].Name = "title"; // names compare exactly
    ds.InitFieldDefs();
    EXPECT_NE(nullptr, ds.FieldDefs().FindDef("title"));
    EXPECT_EQ("title", ds.FieldDefs()[1]->Name());
    ds.Unprepare();
    EXPECT_FALSE(ds.FieldDefs().Updated);
}

TEST(MemDataSetTest, CancelledEditsLeaveTheStoredObjectsAlone) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData({{"T", tcExtString, 20}, {"B", tcBlob}}, [](TRowsData& d) {
        for (const char* text : {"first", "second"})
            d.AddRow([&](void* b) {
                d.PutField(1, b, true, text);
                d.WriteBlob(2, b, true, text, static_cast<int>(std::strlen(text)), 0);
            });
    }));
    ds.Open();
    TField* t = ds.FieldByName("T");
    TField* b = ds.FieldByName("B");
    for (int round = 0; round < 3; ++round) {
        ds.Edit();
        t->SetAsString("changed text");
        b->SetAsString("changed blob");
        EXPECT_EQ("changed text", t->AsString());
        EXPECT_EQ("changed blob", b->AsString());
        ds.Cancel();
        EXPECT_EQ("first", t->AsString());
        EXPECT_EQ("first", b->AsString());
    }
    ds.Next();
    EXPECT_EQ("second", t->AsString());
    ds.Prior();
    EXPECT_EQ("first", t->AsString());
    // A new record's own objects go with the cancel.
    ds.Insert();
    t->SetAsString("new");
    b->SetAsString("new blob");
    ds.Cancel();
    EXPECT_EQ("first", t->AsString());
    EXPECT_EQ(2, ds.RecordCount());
}
