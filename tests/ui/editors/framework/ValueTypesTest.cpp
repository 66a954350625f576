#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/FormatSettings.h"
#include "ui/editors/framework/ValueTypes.h"
#include "ui/editors/framework/Variants.h"

namespace {
// A value buffer wide enough for every type, disposed by its type at the end.
struct TBuffer {
    explicit TBuffer(TcxValueTypeClass type) : Type(type) {}
    ~TBuffer() { Type->DisposeValue(Bytes); }
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;
    TcxValueTypeClass Type;
    alignas(8) uint8_t Bytes[40] = {};
};

Variant ToVariant(TcxValueTypeClass type, const void* buffer) {
    Variant v;
    type->ValueToVariant(buffer, v);
    return v;
}

class TDisposed : public TObject {
public:
    explicit TDisposed(bool* flag) : flag_(flag) {}
    ~TDisposed() override { *flag_ = true; }

private:
    bool* flag_;
};

struct InvariantSettings : testing::Test {
    TFormatSettingsPin pin{TFormatSettingsPin::Invariant()};
};
} // namespace

using ValueTypes = InvariantSettings;

TEST_F(ValueTypes, EachTypeStoresConvertsShowsAndStreamsItsValues) {
    struct Case {
        TcxValueTypeClass type;
        const char* caption;
        int size;
        TVarType variantType;
        Variant value;
        const char* text;
        TVarType backType; // Variant type of the stored value
    } cases[] = {
        {ValueTypeClass<TcxStringValueType>(), "String", sizeof(void*), varString, "\xD6\xD0\xCE\xC4 text",
         "\xD6\xD0\xCE\xC4 text", varString},
        {ValueTypeClass<TcxWideStringValueType>(), "WideString", sizeof(void*), varOleStr, L"\u4E2D\u6587",
         "\xD6\xD0\xCE\xC4", varOleStr},
        {ValueTypeClass<TcxSmallintValueType>(), "Smallint", 2, varSmallint, -300, "-300", varSmallint},
        {ValueTypeClass<TcxIntegerValueType>(), "Integer", 4, varInteger, 2147483647, "2147483647", varInteger},
        {ValueTypeClass<TcxWordValueType>(), "Word", 2, varWord, 65535, "65535", varWord},
        {ValueTypeClass<TcxBooleanValueType>(), "Boolean", 1, varBoolean, true, "True", varBoolean},
        {ValueTypeClass<TcxFloatValueType>(), "Float", 8, varDouble, 0.1, "0.1", varDouble},
        {ValueTypeClass<TcxCurrencyValueType>(), "Currency", 8, varCurrency, Variant(Currency::FromDouble(-2.5)),
         "-2.5", varCurrency},
        {ValueTypeClass<TcxDateTimeValueType>(), "DateTime", 8, varDate, Variant::FromDateTime(36526.5),
         "2000-01-01 12:00:00", varDate},
        {ValueTypeClass<TcxLargeIntValueType>(), "LargeInt", 8, varInt64, int64_t{1} << 40, "1099511627776",
         varInt64},
        {ValueTypeClass<TcxFMTBcdValueType>(), "FMTBcd", 34, varFMTBcd, Variant(TBcd::FromString("-1234.0625")),
         "-1234.0625", varFMTBcd},
        {ValueTypeClass<TcxSQLTimeStampValueType>(), "SQLTimeStamp", 16, varSQLTimeStamp,
         Variant(TSQLTimeStamp{2000, 1, 2, 6, 0, 0, 0}), "2000-01-02 06:00:00", varDate},
        {ValueTypeClass<TcxVariantValueType>(), "Variant", sizeof(void*), varVariant,
         VarArrayOf({1, "a"}), "", varArray | varVariant},
        {ValueTypeClass<TcxObjectValueType>(), "Object", sizeof(void*), sizeof(void*) == 4 ? varInteger : varInt64,
         0, "0", sizeof(void*) == 4 ? varInteger : varInt64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(c.type->TypeCaption(), c.caption);
        EXPECT_EQ(c.type->BufferSize(), c.size);
        EXPECT_EQ(c.type->VariantType(), c.variantType);
        EXPECT_EQ(c.type->HoldsString(), c.variantType == varString || c.variantType == varOleStr);
        TBuffer buffer(c.type);
        c.type->VariantToValue(buffer.Bytes, c.value);
        Variant stored = ToVariant(c.type, buffer.Bytes);
        EXPECT_EQ(stored.VarType(), c.backType);
        EXPECT_TRUE(VariantsEqual(stored, c.value));
        EXPECT_EQ(c.type->DefaultText(buffer.Bytes), c.text);
        EXPECT_EQ(c.type->CompareBuffers(buffer.Bytes, buffer.Bytes), 0);

        for (bool unicode : {false, true}) {
            SCOPED_TRACE(unicode ? "UTF-16" : "ANSI");
            TMemoryStream stream;
            c.type->SaveValue(buffer.Bytes, {&stream, unicode});
            stream.SetPosition(0);
            TBuffer back(c.type);
            c.type->LoadValue(back.Bytes, {&stream, unicode});
            EXPECT_EQ(stream.Position(), stream.Size());
            if (c.type != ValueTypeClass<TcxObjectValueType>()) {
                EXPECT_EQ(c.type->CompareBuffers(back.Bytes, buffer.Bytes), 0);
            }
        }
    }
}

TEST_F(ValueTypes, StreamFormsAndTextFlag) {
    struct Case {
        const char* name;
        TcxValueTypeClass type;
        Variant value;
        bool unicode;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"ANSI string", ValueTypeClass<TcxStringValueType>(), "ab", false, {2, 0, 0, 0, 'a', 'b'}},
        {"UTF-16 string", ValueTypeClass<TcxStringValueType>(), "\xD6\xD0", true, {1, 0, 0, 0, 0x2D, 0x4E}},
        {"wide string without the flag", ValueTypeClass<TcxWideStringValueType>(), L"a", false, {1, 0, 0, 0, 'a', 0}},
        {"Word", ValueTypeClass<TcxWordValueType>(), 65535, false, {0xFF, 0xFF}},
        {"float as extended", ValueTypeClass<TcxFloatValueType>(), 1.5, false, {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}},
        {"BCD as text", ValueTypeClass<TcxFMTBcdValueType>(), Variant(TBcd::FromString("1.5")), false,
         {6, 3, '1', '.', '5'}},
        {"time stamp as a date", ValueTypeClass<TcxSQLTimeStampValueType>(),
         Variant(TSQLTimeStamp{1900, 1, 1, 12, 0, 0, 0}), false, {17, 0, 0, 0, 0, 0, 0, 4, 0x40}},
        {"Variant", ValueTypeClass<TcxVariantValueType>(), 300, false, {3, 0x2C, 1}},
        {"object: nothing", ValueTypeClass<TcxObjectValueType>(), 0, false, {}}, // nil: disposing frees nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBuffer buffer(c.type);
        c.type->VariantToValue(buffer.Bytes, c.value);
        TMemoryStream stream;
        c.type->SaveValue(buffer.Bytes, {&stream, c.unicode});
        const uint8_t* p = static_cast<const uint8_t*>(stream.Memory());
        EXPECT_EQ(std::vector<uint8_t>(p, p + stream.Size()), c.bytes);
    }

    // Display text: UTF-16 with the flag, ANSI without; none stored reads as empty.
    void* text = nullptr;
    EXPECT_EQ(TcxValueType::StoredText(&text), "");
    TcxValueType::StoreText(&text, "\xD6\xD0");
    for (bool unicode : {false, true}) {
        TMemoryStream stream;
        TcxValueType::SaveText(&text, {&stream, unicode});
        EXPECT_EQ(stream.Size(), unicode ? 6 : 6);
        EXPECT_EQ(static_cast<const uint8_t*>(stream.Memory())[4], unicode ? 0x2D : 0xD6);
        stream.SetPosition(0);
        void* back = nullptr;
        TcxValueType::LoadText(&back, {&stream, unicode});
        EXPECT_EQ(TcxValueType::StoredText(&back), "\xD6\xD0");
        TcxValueType::DisposeText(&back);
        EXPECT_EQ(back, nullptr);
    }
    TcxValueType::DisposeText(&text);
}

TEST_F(ValueTypes, OrderOfStoredValues) {
    auto compare = [](TcxValueTypeClass type, const Variant& a, const Variant& b) {
        TBuffer x(type), y(type);
        type->VariantToValue(x.Bytes, a);
        type->VariantToValue(y.Bytes, b);
        return type->CompareBuffers(x.Bytes, y.Bytes);
    };
    auto objects = [](intptr_t a, intptr_t b) {
        TcxValueTypeClass type = ValueTypeClass<TcxObjectValueType>();
        uint8_t x[sizeof(void*)], y[sizeof(void*)];
        std::memcpy(x, &a, sizeof a);
        std::memcpy(y, &b, sizeof b);
        return type->CompareBuffers(x, y);
    };
    constexpr int32_t MaxInt = 2147483647, MinInt = -2147483647 - 1;
    TcxValueTypeClass integer = ValueTypeClass<TcxIntegerValueType>();
    EXPECT_EQ(compare(integer, MaxInt, -1), 1);
    EXPECT_EQ(compare(integer, -1, MaxInt), -1);
    EXPECT_EQ(compare(integer, MinInt, 1), -1);
    EXPECT_EQ(compare(integer, 1, MinInt), 1);
    EXPECT_EQ(compare(ValueTypeClass<TcxWordValueType>(), 0, 65535), -1);
    EXPECT_EQ(compare(ValueTypeClass<TcxWordValueType>(), 65535, 0), 1);
    EXPECT_EQ(compare(ValueTypeClass<TcxSmallintValueType>(), -32768, 32767), -1);
    EXPECT_EQ(compare(ValueTypeClass<TcxBooleanValueType>(), false, true), -1);
    EXPECT_EQ(compare(ValueTypeClass<TcxLargeIntValueType>(), int64_t{1} << 62, -(int64_t{1} << 62)), 1);
    EXPECT_EQ(compare(ValueTypeClass<TcxFloatValueType>(), 0.5, 0.25), 1);
    EXPECT_EQ(compare(ValueTypeClass<TcxCurrencyValueType>(), -1, 1), -1);
    EXPECT_EQ(compare(ValueTypeClass<TcxFMTBcdValueType>(), Variant(TBcd::FromString("10.01")), 9.5), 1);
    EXPECT_EQ(compare(ValueTypeClass<TcxSQLTimeStampValueType>(), Variant(TSQLTimeStamp{2000, 1, 1, 0, 0, 0, 2}),
                      Variant(TSQLTimeStamp{2000, 1, 1, 0, 0, 0, 1})),
              1);
    EXPECT_EQ(compare(ValueTypeClass<TcxStringValueType>(), "a", "b"), -1);
    EXPECT_EQ(compare(ValueTypeClass<TcxStringValueType>(), Variant::Null(), "a"), -1); // nil below a string
    EXPECT_EQ(compare(ValueTypeClass<TcxStringValueType>(), Variant::Null(), Variant::Null()), 0);
    EXPECT_EQ(compare(ValueTypeClass<TcxWideStringValueType>(), L"b", Variant::Null()), 1);
    EXPECT_EQ(compare(ValueTypeClass<TcxVariantValueType>(), "abc", 5), -1);

    // Object references in the integer order of their width, both ways.
    intptr_t high = static_cast<intptr_t>(static_cast<uintptr_t>(0x90000000u));
    intptr_t low = 0x10000000;
    int expected = high < low ? -1 : 1;
    EXPECT_EQ(objects(high, low), expected);
    EXPECT_EQ(objects(low, high), -expected);
    if constexpr (sizeof(void*) == 8) {
        intptr_t above = static_cast<intptr_t>((uint64_t{1} << 32) | 5);
        EXPECT_EQ(objects(above, 5), 1);
        EXPECT_EQ(objects(5, above), -1);
    }
}

TEST_F(ValueTypes, TextAcceptanceAndDisposal) {
    TcxValueTypeClass integer = ValueTypeClass<TcxIntegerValueType>();
    Variant twelve = "12";
    EXPECT_TRUE(integer->AcceptsVariant(twelve));
    EXPECT_EQ(twelve.VarType(), varInteger);
    EXPECT_EQ(twelve.AsInteger(), 12);
    Variant word = "abc";
    EXPECT_FALSE(integer->AcceptsVariant(word));
    EXPECT_EQ(word.AsAnsiString(), "abc");
    Variant null = Null();
    EXPECT_TRUE(integer->AcceptsVariant(null));
    EXPECT_TRUE(null.IsNull());
    Variant anything = VarArrayOf({1});
    EXPECT_TRUE(ValueTypeClass<TcxVariantValueType>()->AcceptsVariant(anything));
    Variant tooBig = "99999999999";
    EXPECT_THROW(integer->AcceptsVariant(tooBig), EConvertError); // not a cast error: passes through

    // The base type's Variant is Null; a Variant that has no text shows none.
    TBuffer variant(ValueTypeClass<TcxVariantValueType>());
    EXPECT_TRUE(ToVariant(variant.Type, variant.Bytes).IsNull());
    variant.Type->VariantToValue(variant.Bytes, VarArrayOf({1}));
    EXPECT_EQ(variant.Type->DefaultText(variant.Bytes), "");
    EXPECT_EQ(ValueTypeClass<TcxBooleanValueType>()->DefaultText("\0"), "False");

    bool disposed = false;
    TObject* object = new TDisposed(&disposed);
    uint8_t slot[sizeof(void*)];
    std::memcpy(slot, &object, sizeof object);
    ValueTypeClass<TcxObjectValueType>()->DisposeValue(slot);
    EXPECT_TRUE(disposed);
}

TEST_F(ValueTypes, TheRegistryListsTheFourteenTypesOnceInOrder) {
    TcxValueTypeClassList* list = cxValueTypeClassList();
    ASSERT_EQ(list->Count(), 14);
    EXPECT_EQ(list->Items(0), ValueTypeClass<TcxStringValueType>());
    EXPECT_EQ(list->Items(13), ValueTypeClass<TcxObjectValueType>());
    EXPECT_EQ(list->ItemByCaption("SQLTimeStamp"), ValueTypeClass<TcxSQLTimeStampValueType>());
    EXPECT_EQ(list->ItemByCaption("Nothing"), nullptr);
    list->RegisterClass(ValueTypeClass<TcxWordValueType>());
    EXPECT_EQ(list->Count(), 14);
    ValueTypesFinalize();
    EXPECT_EQ(cxValueTypeClassList()->Count(), 0);
    ValueTypesInitialize();
    EXPECT_EQ(cxValueTypeClassList()->Count(), 14);
}
