#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "platform/core/FormatSettings.h"
#include "platform/db/Params.h"
#include "tests/platform/VectorDataSet.h"

namespace {
struct TypeCase {
    TFieldType type;
    int size;
    const char* fieldClass;
    Variant value;
    const char* text; // AsString of the value read back
};
} // namespace

TEST(DbFieldClasses, EachTypeGetsItsClassAndCarriesAValueAndNull) {
    ResetFormatSettings();
    TBytes bytes{1, 2, 3};
    const TypeCase cases[] = {
        {ftString, 6, "TStringField", Variant("abc"), "abc"},
        {ftFixedChar, 4, "TStringField", Variant("ab"), "ab"},
        {ftSmallint, 0, "TSmallintField", Variant(-1), "-1"},
        {ftInteger, 0, "TIntegerField", Variant(2000000000), "2000000000"},
        {ftWord, 0, "TWordField", Variant(65535), "65535"},
        {ftAutoInc, 0, "TAutoIncField", Variant(7), "7"},
        {ftLargeint, 0, "TLargeintField", Variant(int64_t{4000000000}), "4000000000"},
        {ftBoolean, 0, "TBooleanField", Variant(true), "True"},
        {ftFloat, 0, "TFloatField", Variant(2.5), "2.5"},
        {ftCurrency, 0, "TCurrencyField", Variant(12.25), "12.25"},
        {ftBCD, 4, "TBCDField", Variant(Currency::FromScaled(123456)), "12.3456"},
        {ftFMTBcd, 20, "TFMTBCDField", Variant(TBcd::FromString("-1234567890123.456789")),
         "-1234567890123.456789"},
        {ftDate, 0, "TDateField", Variant::FromDateTime(EncodeDate(2008, 3, 5)), "2008-03-05"},
        {ftTime, 0, "TTimeField", Variant::FromDateTime(EncodeTime(7, 8, 9, 0)), "07:08:09"},
        {ftDateTime, 0, "TDateTimeField", Variant::FromDateTime(EncodeDateTime(1899, 12, 29, 12, 0, 0, 0)),
         "1899-12-29 12:00:00"},
        {ftBytes, 3, "TBytesField", Variant(bytes), "\x01\x02\x03"},
        {ftVarBytes, 5, "TVarBytesField", Variant(bytes), "\x01\x02\x03"},
        {ftWideString, 4, "TWideStringField", Variant(WideString(L"\x4E2D\x6587\x5B57\x7B26")), "中文字符"},
        {ftGuid, 38, "TGuidField", Variant("{00000000-0000-0000-0000-000000000001}"),
         "{00000000-0000-0000-0000-000000000001}"},
    };
    TFormatSettings& fs = FormatSettings();
    fs.ShortDateFormat = "yyyy-mm-dd";
    fs.DateSeparator = '-';
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = '.';
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(FieldTypeName(c.type));
        TVectorDataSet dataSet;
        dataSet.Columns = {{"V", c.type, c.size}};
        dataSet.Open();
        TField* field = dataSet.FieldByName("V");
        EXPECT_EQ(field->ClassName(), c.fieldClass);
        EXPECT_EQ(field->DataType(), c.type);
        EXPECT_EQ(field->FieldNo(), 1);
        dataSet.Append();
        field->SetValue(c.value);
        dataSet.Post();
        EXPECT_FALSE(field->IsNull());
        EXPECT_EQ(field->AsString(), c.text);
        EXPECT_EQ(field->Value(), c.value);
        dataSet.Edit();
        field->Clear();
        dataSet.Post();
        EXPECT_TRUE(field->IsNull());
        EXPECT_TRUE(field->Value().IsNull());
        EXPECT_EQ(field->AsString(), "");
    }
    ResetFormatSettings();
}

TEST(DbFieldClasses, RangesAndConversionErrorsNameTheField) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"S", ftSmallint}, {"I", ftInteger}, {"F", ftFloat}, {"B", ftBoolean}, {"W", ftWord}};
    dataSet.Open();
    dataSet.Append();
    struct Case {
        const char* field;
        std::function<void(TField*)> write;
        const char* message;
    } cases[] = {
        {"S", [](TField* f) { f->SetAsInteger(40000); },
         "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767"},
        {"W", [](TField* f) { f->SetAsInteger(-1); },
         "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535"},
        {"I", [](TField* f) { f->SetAsFloat(1e12); },
         "1000000000000 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647"},
        {"I", [](TField* f) { f->SetAsString("12x"); }, "'12x' is not a valid integer value for field 'I'"},
        {"F", [](TField* f) { f->SetAsString("x"); },
         "'x' is not a valid floating point value for field 'F'"},
        {"B", [](TField* f) { f->SetAsString("maybe"); },
         "'maybe' is not a valid boolean value for field 'B'"},
        {"B", [](TField* f) { f->SetAsDateTime(1); }, "Cannot access field 'B' as type DateTime"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TField* field = dataSet.FieldByName(c.field);
        try {
            c.write(field);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(field->IsNull());
    }
    auto* integer = static_cast<TIntegerField*>(dataSet.FieldByName("I"));
    integer->MinValue = -9999;
    integer->MaxValue = 9999;
    EXPECT_THROW(integer->SetAsInteger(10000), EDatabaseError);
    integer->SetAsInteger(-9999);
    EXPECT_EQ(integer->AsInteger(), -9999);
    auto* flt = static_cast<TFloatField*>(dataSet.FieldByName("F"));
    flt->MaxValue = 9999.99;
    flt->MinValue = -9999.99;
    EXPECT_THROW(flt->SetAsFloat(10000), EDatabaseError);
    flt->SetAsFloat(9999.99);
    // Booleans take a leading part of either text.
    dataSet.FieldByName("B")->SetAsString("f");
    EXPECT_FALSE(dataSet.FieldByName("B")->AsBoolean());
    dataSet.FieldByName("B")->SetAsString("TR");
    EXPECT_TRUE(dataSet.FieldByName("B")->AsBoolean());
    dataSet.Cancel();
}

// A decimal field read as an integer or a currency: in range it rounds half away from zero,
// past the target's range it overflows instead of giving a wrapped number.
TEST(DbFieldClasses, DecimalsReadAsIntegersAndCurrencyOverflowPastTheirRange) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"D", ftFMTBcd, 32}, {"C", ftBCD, 4}};
    dataSet.Open();
    dataSet.Append();
    auto integer = [](TField* f) -> int64_t { return f->AsInteger(); };
    auto largeInt = [](TField* f) { return f->AsLargeInt(); };
    auto currency = [](TField* f) { return f->AsCurrency().Value; };
    struct Case {
        const char* field;
        const char* value;
        std::function<int64_t(TField*)> read;
        bool overflow;
        int64_t expected;
    } cases[] = {
        {"D", "2147483647.4", integer, false, 2147483647},
        {"D", "-2147483648.4", integer, false, -2147483647 - 1},
        {"D", "-2.5", integer, false, -3},
        {"D", "2147483647.5", integer, true, 0},
        {"D", "-3000000000", integer, true, 0},
        {"D", "-2251799813685247.5", largeInt, false, -2251799813685248},
        {"D", "9223372036854775808", largeInt, true, 0},
        {"D", "-100000000000000000000", largeInt, true, 0},
        {"D", "-922337203685477.5808", currency, false, std::numeric_limits<int64_t>::min()},
        {"D", "922337203685477.5808", currency, true, 0},
        {"C", "-2147483648.4", integer, false, -2147483647 - 1},
        {"C", "2.5", integer, false, 3},
        {"C", "3000000000", integer, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.value);
        TField* field = dataSet.FieldByName(c.field);
        field->SetAsBCD(TBcd::FromString(c.value));
        if (c.overflow) {
            try {
                c.read(field);
                ADD_FAILURE() << "no error";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), "BCD overflow");
            }
        } else {
            EXPECT_EQ(c.read(field), c.expected);
        }
        EXPECT_EQ(field->AsBCD(), TBcd::FromString(c.value)); // the stored value stays whole
    }
}

TEST(DbFieldClasses, TextIsCutAtTheSizeWithoutSplittingADoubleByteCharacter) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"T", ftString, 5}, {"W", ftWideString, 3}};
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName("T")->SetAsString("ab中文"); // 6 bytes: the second character would be split
    EXPECT_EQ(dataSet.FieldByName("T")->AsString(), "ab中");
    dataSet.FieldByName("T")->SetAsString("中文字");
    EXPECT_EQ(dataSet.FieldByName("T")->AsString(), "中文");
    dataSet.FieldByName("W")->SetAsWideString(L"abcdef");
    EXPECT_EQ(dataSet.FieldByName("W")->AsWideString(), L"abc");
    dataSet.Cancel();
}

TEST(DbFieldClasses, DatesTravelInTheRecordFormsBothWays) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"D", ftDate}, {"T", ftTime}, {"DT", ftDateTime}};
    dataSet.Open();
    dataSet.Append();
    struct Case {
        TDateTime value;
        int32_t day;
        int32_t msecs;
    } cases[] = {
        {0, DateDelta, 0}, {1.5, DateDelta + 1, MSecsPerDay / 2}, {-1.25, DateDelta - 1, MSecsPerDay / 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        dataSet.FieldByName("D")->SetAsDateTime(c.value);
        dataSet.FieldByName("T")->SetAsDateTime(c.value);
        dataSet.FieldByName("DT")->SetAsDateTime(c.value);
        int32_t day = 0, msecs = 0;
        double stamp = 0;
        ASSERT_TRUE(dataSet.FieldByName("D")->GetData(&day));
        ASSERT_TRUE(dataSet.FieldByName("T")->GetData(&msecs));
        ASSERT_TRUE(dataSet.FieldByName("DT")->GetData(&stamp));
        EXPECT_EQ(day, c.day);
        EXPECT_EQ(msecs, c.msecs);
        EXPECT_EQ(stamp, static_cast<double>(c.day) * MSecsPerDay + c.msecs);
        EXPECT_DOUBLE_EQ(dataSet.FieldByName("DT")->AsDateTime(), c.value);
        EXPECT_DOUBLE_EQ(dataSet.FieldByName("D")->AsDateTime(), std::trunc(c.value));
    }
    dataSet.Cancel();
}

TEST(DbFieldClasses, ValidateSeesTheNewValueAndCanRefuseIt) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"I", ftInteger}, {"D", ftDate}};
    dataSet.Open();
    dataSet.Append();
    TField* field = dataSet.FieldByName("I");
    std::vector<int> seen;
    field->OnValidate = [&](TField* sender) {
        seen.push_back(sender->AsInteger());
        if (sender->AsInteger() < 0) throw EDatabaseError("negative");
    };
    field->SetAsInteger(5);
    EXPECT_THROW(field->SetAsInteger(-3), EDatabaseError);
    EXPECT_EQ(field->AsInteger(), 5);
    EXPECT_EQ(seen, (std::vector<int>{5, -3}));
    TDateTime seenDate = 0;
    dataSet.FieldByName("D")->OnValidate = [&](TField* sender) { seenDate = sender->AsDateTime(); };
    dataSet.FieldByName("D")->SetAsDateTime(EncodeDate(2020, 2, 29));
    EXPECT_EQ(seenDate, EncodeDate(2020, 2, 29));
    // A change reaches OnChange after the value is stored.
    int changes = 0;
    field->OnChange = [&](TField* sender) { changes += sender->AsInteger(); };
    field->SetAsInteger(7);
    EXPECT_EQ(changes, 7);
    dataSet.Cancel();
}

TEST(DbFieldClasses, AssignCopiesValuesBetweenFieldsAndParams) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"A", ftInteger}, {"B", ftString, 10}};
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName("A")->SetAsInteger(42);
    dataSet.FieldByName("B")->Assign(dataSet.FieldByName("A"));
    EXPECT_EQ(dataSet.FieldByName("B")->AsString(), "42");
    dataSet.FieldByName("B")->Assign(nullptr);
    EXPECT_TRUE(dataSet.FieldByName("B")->IsNull());
    TParams params;
    TParam* param = params.CreateParam(ftUnknown, "P", ptInput);
    param->Assign(dataSet.FieldByName("A"));
    EXPECT_EQ(param->DataType(), ftInteger);
    EXPECT_EQ(param->Name(), "A");
    EXPECT_EQ(param->AsInteger(), 42);
    param->SetAsString("17");
    dataSet.FieldByName("A")->Assign(param);
    EXPECT_EQ(dataSet.FieldByName("A")->AsInteger(), 17);
    dataSet.Cancel();
}

TEST(DbFieldDefs, ChildDefinitionsGiveDottedNamesAndObjectViewBuildsObjectFields) {
    struct TObjects : TVectorDataSet {
        void InternalInitFieldDefs() override {
            TVectorDataSet::InternalInitFieldDefs();
            TFieldDef* address = FieldDefs().Add("ADDR", ftADT);
            address->SetFieldNo(2);
            new TFieldDef(&address->ChildDefs(), "CITY", ftString, 10, false, 3);
            new TFieldDef(&address->ChildDefs(), "ZIP", ftInteger, 0, false, 4);
        }
    } dataSet;
    dataSet.Columns = {{"ID", ftInteger}};
    dataSet.InitFieldDefs();
    TFieldDefList& list = dataSet.FieldDefList();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Names(2), "ADDR.CITY");
    EXPECT_EQ(list.FieldByName("addr.zip")->DataType(), ftInteger);
    EXPECT_EQ(list.FieldDefs(2)->ParentDef()->Name(), "ADDR");
    EXPECT_THROW(list.FieldByName("ADDR.STREET"), EDatabaseError);
    EXPECT_FALSE(dataSet.Active());

    // Without ObjectView the children are flat fields under their dotted names.
    TField* city =
        dataSet.FieldDefList().FieldByName("ADDR.CITY")->CreateField(&dataSet, nullptr, "ADDR.CITY");
    EXPECT_EQ(city->FieldName(), "ADDR.CITY");
    EXPECT_EQ(city->FieldNo(), 3);
    dataSet.DestroyFields();

    dataSet.SetObjectView(true);
    dataSet.FieldDefs().Clear();
    dataSet.InitFieldDefs();
    dataSet.CreateFields();
    ASSERT_EQ(dataSet.FieldCount(), 2);
    auto* object = dynamic_cast<TADTField*>(dataSet.Fields()[1]);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->FieldCount(), 2);
    EXPECT_EQ(object->Fields()[0]->FullName(), "ADDR.CITY");
    EXPECT_EQ(dataSet.FindField("ADDR.ZIP"), object->Fields()[1]);
    EXPECT_EQ(dataSet.FieldList().Count(), 4);
    dataSet.DestroyFields();
    EXPECT_EQ(dataSet.FieldCount(), 0);
}

TEST(DbFieldDefs, PersistentFieldsAreCheckedAgainstTheirDefinitions) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"ID", ftInteger}, {"PRICE", ftBCD, 2}};
    auto* id = new TStringField(&dataSet);
    id->SetFieldName("ID");
    id->SetDataSet(&dataSet);
    try {
        dataSet.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Type mismatch for field 'ID', expecting: String actual: Integer");
    }
    EXPECT_FALSE(dataSet.Active());
    delete id;
    auto* price = new TBCDField(&dataSet);
    price->SetFieldName("PRICE");
    price->SetDataSet(&dataSet);
    try {
        dataSet.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Size mismatch for field 'PRICE', expecting: 4 actual: 2");
    }
    price->SetSize(2);
    dataSet.Open();
    EXPECT_FALSE(dataSet.DefaultFields());
    EXPECT_EQ(dataSet.FieldCount(), 1);
    EXPECT_EQ(price->FieldNo(), 2);
    // Persistent fields stay after close; a field of an open dataset keeps its dataset.
    EXPECT_THROW(price->SetDataSet(nullptr), EDatabaseError);
    dataSet.Close();
    EXPECT_EQ(dataSet.FieldCount(), 1);
}

TEST(DbCalcFields, CalculatedFieldsAreComputedForEveryRecordReadAndLookupsAskTheirDataSet) {
    TVectorDataSet towns;
    towns.Columns = {{"CODE", ftInteger}, {"TOWN", ftString, 20}};
    towns.AddRawRow({1, "Nanjing"});
    towns.AddRawRow({2, "Hangzhou"});
    towns.Open();

    TVectorDataSet people;
    people.Columns = {{"ID", ftInteger}, {"CODE", ftInteger}};
    for (int i = 1; i <= 4; ++i)
        people.AddRawRow({i, i % 3});
    auto* id = new TIntegerField(&people);
    id->SetFieldName("ID");
    id->SetDataSet(&people);
    auto* code = new TIntegerField(&people);
    code->SetFieldName("CODE");
    code->SetDataSet(&people);
    auto* twice = new TIntegerField(&people);
    twice->SetFieldName("TWICE");
    twice->SetFieldKind(TFieldKind::fkCalculated);
    twice->SetDataSet(&people);
    auto* town = new TStringField(&people);
    town->SetFieldName("TOWN");
    town->SetFieldKind(TFieldKind::fkLookup);
    town->KeyFields = "CODE";
    town->SetLookupDataSet(&towns);
    town->LookupKeyFields = "CODE";
    town->LookupResultField = "TOWN";
    town->SetDataSet(&people);
    int calcs = 0;
    std::vector<TDataSetState> states;
    people.OnCalcFields = [&](TDataSet* ds) {
        ++calcs;
        states.push_back(ds->State());
        twice->SetAsInteger(ds->FieldByName("ID")->AsInteger() * 2);
    };
    people.Open();
    EXPECT_EQ(people.CalcFieldsSize(), twice->DataSize() + 1 + town->DataSize() + 1);
    std::vector<AnsiString> seen;
    for (people.First(); !people.Eof(); people.Next())
        seen.push_back(twice->AsString() + " " + (town->IsNull() ? AnsiString("-") : town->AsString()));
    EXPECT_EQ(seen, (std::vector<AnsiString>{"2 Nanjing", "4 Hangzhou", "6 -", "8 Nanjing"}));
    EXPECT_EQ(calcs, people.ReadCount);
    EXPECT_EQ(std::count(states.begin(), states.end(), dsCalcFields), calcs);
    states.clear();
    // Editing a data field recalculates the current record at once.
    people.First();
    people.Edit();
    id->SetAsInteger(10);
    code->SetAsInteger(2);
    EXPECT_EQ(twice->AsInteger(), 20);
    EXPECT_EQ(town->AsString(), "Hangzhou");
    // First reads, Edit recalculates, then each change in the edit buffer.
    EXPECT_EQ(states, (std::vector<TDataSetState>{dsCalcFields, dsCalcFields, dsEdit, dsEdit}));
    EXPECT_TRUE(people.Modified());
    people.Cancel();
    EXPECT_EQ(twice->AsInteger(), 2);
    // A calculated value set while editing lands in the edit buffer's calculated area.
    people.Edit();
    twice->SetAsInteger(99);
    EXPECT_EQ(twice->AsInteger(), 99);
    people.Cancel();
    EXPECT_EQ(twice->AsInteger(), 2);
    EXPECT_THROW(town->SetLookupDataSet(nullptr), EDatabaseError); // not while open
    people.Close();
    {
        // A lookup dataset that goes is forgotten by the field.
        TVectorDataSet gone;
        town->SetLookupDataSet(&gone);
    }
    EXPECT_EQ(town->LookupDataSet(), nullptr);
}

TEST(DbBlobFields, BlobValuesTravelThroughTheDataSetsBlobStream) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"ID", ftInteger}, {"DATA", ftBlob}, {"NOTE", ftMemo}};
    dataSet.Open();
    auto* data = dynamic_cast<TBlobField*>(dataSet.FieldByName("DATA"));
    auto* note = dynamic_cast<TMemoField*>(dataSet.FieldByName("NOTE"));
    ASSERT_NE(data, nullptr);
    ASSERT_NE(note, nullptr);
    dataSet.Append();
    EXPECT_TRUE(data->IsNull());
    EXPECT_EQ(data->BlobSize(), 0);
    data->SetAsBytes(TBytes{0, 1, 2, 255});
    EXPECT_TRUE(data->Modified);
    EXPECT_TRUE(dataSet.Modified());
    note->SetAsString("line one\r\n中文");
    dataSet.Post();
    EXPECT_FALSE(data->Modified);
    EXPECT_EQ(data->AsBytes(), (TBytes{0, 1, 2, 255}));
    EXPECT_EQ(data->Value(), Variant(TBytes{0, 1, 2, 255}));
    EXPECT_EQ(note->Value(), Variant("line one\r\n中文"));
    EXPECT_EQ(note->BlobSize(), 14);
    TMemoryStream saved;
    note->SaveToStream(&saved);
    EXPECT_EQ(saved.Size(), 14);
    // Writing outside editing is refused; a loaded stream replaces the value.
    EXPECT_THROW(data->SetAsString("x"), EDatabaseError);
    dataSet.Edit();
    saved.SetPosition(0);
    data->LoadFromStream(&saved);
    data->Clear();
    EXPECT_TRUE(data->IsNull());
    note->SetValue(Variant(WideString(L"wide")));
    dataSet.Post();
    EXPECT_EQ(note->AsString(), "wide");
    EXPECT_TRUE(data->Value().IsNull());
}

TEST(DbFieldDefs, KeyFieldsComeFromProviderFlagsAndNamesAreUnique) {
    TVectorDataSet dataSet;
    dataSet.Columns = {{"A", ftInteger}, {"B", ftInteger}, {"C", ftInteger}};
    dataSet.Open();
    EXPECT_EQ(dataSet.PSGetKeyFields(), "");
    dataSet.FieldByName("A")->ProviderFlags |= pfInKey;
    dataSet.FieldByName("C")->ProviderFlags |= pfInKey;
    EXPECT_EQ(dataSet.PSGetKeyFields(), "A;C");
    dataSet.Close();
    EXPECT_THROW(dataSet.FieldDefs().Add("a", ftString, 5), EDatabaseError);
    EXPECT_THROW(dataSet.FieldDefs().Add("", ftString, 5), EDatabaseError);
    TFieldDef* d = dataSet.FieldDefs().Add("D", ftString, 5, true);
    EXPECT_EQ(d->FieldNo(), 4);
    EXPECT_TRUE(d->Required());
    EXPECT_EQ(dataSet.FieldDefList().Count(), 4);
    std::vector<AnsiString> names;
    dataSet.GetFieldNames(names);
    EXPECT_EQ(names.size(), 4u);
}
