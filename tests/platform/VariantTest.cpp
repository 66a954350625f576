#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "platform/core/Exceptions.h"
#include "platform/core/Variant.h"

namespace {
struct InvariantSettings : testing::Test {
    TFormatSettingsPin pin{TFormatSettingsPin::Invariant()};
};
} // namespace

using VariantTest = InvariantSettings;

TEST_F(VariantTest, TypeCodesOfConstructedValues) {
    struct Case {
        Variant value;
        TVarType type;
    } cases[] = {
        {Variant(), varEmpty},
        {Variant::Null(), varNull},
        {Variant(static_cast<int16_t>(1)), varSmallint},
        {Variant(1), varInteger},
        {Variant(1.5f), varSingle},
        {Variant(1.5), varDouble},
        {Variant(Currency::FromDouble(1.5)), varCurrency},
        {Variant::FromDateTime(2.5), varDate},
        {Variant(L"w"), varOleStr},
        {Variant(true), varBoolean},
        {Variant(static_cast<int8_t>(-1)), varShortInt},
        {Variant(static_cast<uint8_t>(1)), varByte},
        {Variant(static_cast<uint16_t>(1)), varWord},
        {Variant(1u), varLongWord},
        {Variant(static_cast<int64_t>(1)), varInt64},
        {Variant("s"), varString},
        {Variant(TBytes{1}), static_cast<TVarType>(varArray | varByte)},
        {Variant(TBcd::FromString("1.25")), varFMTBcd},
        {Variant(TSQLTimeStamp{2024, 1, 2, 3, 4, 5, 6}), varSQLTimeStamp},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.VarType(), c.type) << Variant::TypeName(c.type);
}

TEST_F(VariantTest, Conversions) {
    EXPECT_EQ(Variant("42").AsInteger(), 42);
    EXPECT_EQ(Variant(" -7 ").AsInt64(), -7);
    EXPECT_EQ(Variant(2.5).AsInteger(), 2); // banker's rounding
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_DOUBLE_EQ(Variant("1.25").AsDouble(), 1.25);
    EXPECT_EQ(Variant(1.5).AsAnsiString(), "1.5");
    EXPECT_EQ(Variant(0.1).AsAnsiString(), "0.1");
    EXPECT_EQ(Variant(1e20).AsAnsiString(), "1E+20");
    EXPECT_EQ(Variant(static_cast<int64_t>(-9000000000LL)).AsAnsiString(), "-9000000000");
    EXPECT_EQ(Variant(true).AsAnsiString(), "True");
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_EQ(Variant(L"中文").AsAnsiString(), "中文");
    EXPECT_EQ(Variant("中文").AsWideString(), L"中文");
    EXPECT_EQ(Variant(Currency::FromDouble(12.3456)).AsAnsiString(), "12.3456");
    EXPECT_EQ(Variant("12.345678").AsCurrency().Value, 123457);
    EXPECT_EQ(Variant(TBcd::FromString("-0012.5000")).AsAnsiString(), "-12.5");
    EXPECT_EQ(Variant("abc").AsBytes(), (TBytes{'a', 'b', 'c'}));
    EXPECT_EQ(Variant::FromDateTime(36526.5).AsAnsiString(), "2000-01-01 12:00:00");
    EXPECT_EQ(Variant("2000-01-01").AsDateTime(), 36526);
    EXPECT_EQ(Variant(TSQLTimeStamp{2000, 1, 1, 12, 0, 0, 0}).AsDateTime(), 36526.5);
    EXPECT_EQ(Variant(5).ChangeType(varString).VarType(), varString);
    EXPECT_EQ(Variant("5").ChangeType(varSmallint).AsInteger(), 5);
    EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST_F(VariantTest, FailedConversionsRaiseConvertErrors) {
    // A value without meaning in the type asked for is the platform's cast error; one out of range
    // is a plain conversion error.
    struct Case {
        std::function<void()> action;
        const char* message;
        bool castError;
    } cases[] = {
        {[] { Variant("abc").AsInteger(); }, "'abc' is not a valid integer value", true},
        {[] { Variant("1,5").AsDouble(); }, "'1,5' is not a valid floating point value", true},
        {[] { Variant::Null().AsInteger(); }, "Could not convert variant of type (Null) into type (Int64)",
         true},
        {[] { Variant(TBytes{1}).AsAnsiString(); },
         "Could not convert variant of type (Array Byte) into type (String)", true},
        {[] { Variant(1e300).AsInt64(); }, "Variant overflow", false},
        {[] { Variant::FromInteger(300, varByte); }, "Variant overflow", false},
        {[] { Variant("x").Bytes(); }, "Could not convert variant of type (String) into type (Array Byte)",
         true},
        {[] { TBcd::FromString("1.2.3"); }, "'1.2.3' is not a valid BCD value", false},
        {[] { Variant("1.2.3").AsBcd(); }, "'1.2.3' is not a valid BCD value", true},
        {[] { Variant(TBcd::FromString("9223372036854775808")).AsInt64(); }, "Variant overflow", false},
        {[] { Variant(TBcd::FromString("-1000000000000000000000000000000000000000")).AsInt64(); },
         "Variant overflow", false},
        {[] { Variant(TBcd::FromString("922337203685477.5808")).AsCurrency(); }, "BCD overflow", false},
        {[] { Variant("-922337203685477.5809").AsCurrency(); }, "BCD overflow", false},
        {[] { Variant("maybe").AsBoolean(); }, "'maybe' is not a valid boolean value", true},
        {[] { Variant("never").AsDateTime(); }, "Could not convert variant of type (String) into type (Date)",
         true},
        {[] { VarArrayOf({1}).AsDouble(); },
         "Could not convert variant of type (Array Variant) into type (Double)", true},
    };
    for (const Case& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << "no error: " << c.message;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
            EXPECT_EQ(dynamic_cast<const EVariantTypeCastError*>(&e) != nullptr, c.castError) << c.message;
        }
    }
}

TEST_F(VariantTest, ArraysOfVariantsKeepTheirBoundsAndCopyOnChange) {
    Variant a = VarArrayCreate({1, 3}, varVariant);
    EXPECT_EQ(a.VarType(), varArray | varVariant);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 3);
    EXPECT_TRUE(a.ArrayItem(2).IsEmpty());
    a.ArrayItem(1) = 10;
    a.ArrayItem(3) = "x";
    EXPECT_THROW(a.ArrayItem(0), EVariantBadIndexError);
    EXPECT_THROW(a.ArrayItem(4), EVariantBadIndexError);

    Variant copy = a;
    copy.ArrayItem(1) = 11;
    EXPECT_EQ(a.ArrayItem(1).AsInteger(), 10);
    EXPECT_FALSE(copy == a);
    copy.ArrayItem(1) = 10;
    EXPECT_TRUE(copy == a);
    EXPECT_FALSE(a == VarArrayOf({10, Variant(), "x"})); // same items, other bounds

    Variant grid = VarArrayCreate({0, 1, 5, 7}, varVariant);
    EXPECT_EQ(VarArrayDimCount(grid), 2);
    EXPECT_EQ(VarArrayLowBound(grid, 2), 5);
    EXPECT_EQ(grid.ArrayItems().size(), 6u);
    EXPECT_THROW(grid.ArrayItem(0), EVariantBadIndexError);
    EXPECT_THROW(VarArrayHighBound(grid, 3), EVariantBadIndexError);

    Variant bytes(TBytes{7, 8});
    EXPECT_EQ(VarArrayDimCount(bytes), 1);
    EXPECT_EQ(VarArrayHighBound(bytes, 1), 1);
    EXPECT_EQ(bytes.ArrayGet(1).VarType(), varByte);
    EXPECT_EQ(bytes.ArrayGet(1).AsInteger(), 8);
    EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);
    EXPECT_TRUE(VarIsArray(VarArrayOf({})));
    EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
}

TEST_F(VariantTest, OrderingOfThePlatform) {
    struct Case {
        Variant a, b;
        int expected;
    } cases[] = {
        {1, 2, -1},
        {2.5, 2, 1},
        {1, 1.0, 0},
        {Variant(static_cast<int64_t>(1) << 40), 5, 1},
        {-1, Variant(0xFFFFFFFFu), -1},
        {"b", "a", 1},
        {"a", L"b", -1},
        {"10", 9, 1}, // a text against a number compares as a number
        {Variant(), 0, 0},
        {Variant(), "", 0},
        {Variant(), -1, 1},
        {Variant::Null(), Variant(), -1},
        {Variant::Null(), Variant::Null(), 0},
        {false, true, -1},
        {Variant::FromDateTime(2), Variant::FromDateTime(1.5), 1},
        {Variant(TBcd::FromString("1.25")), 1.5, -1},
        {Variant(Currency::FromDouble(2.5)), 2, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.Compare(c.b), c.expected) << VarToStr(c.a) << " ? " << VarToStr(c.b);
        EXPECT_EQ(c.b.Compare(c.a), -c.expected) << VarToStr(c.b) << " ? " << VarToStr(c.a);
    }
    EXPECT_TRUE(Variant(1) < Variant(2));
    EXPECT_THROW(Variant("abc").Compare(5), EVariantTypeCastError);
    EXPECT_THROW(Variant(5).Compare(VarArrayOf({5})), EVariantTypeCastError);
}

TEST_F(VariantTest, LocaleDecimalSeparatorIsUsed) {
    TFormatSettings comma = TFormatSettingsPin::Invariant();
    comma.DecimalSeparator = ',';
    TFormatSettingsPin pin(comma);
    EXPECT_EQ(Variant(1.5).AsAnsiString(), "1,5");
    EXPECT_DOUBLE_EQ(Variant("2,25").AsDouble(), 2.25);
    EXPECT_THROW(Variant("2.25").AsDouble(), EConvertError);
}

TEST_F(VariantTest, Equality) {
    EXPECT_TRUE(Variant(1) == Variant(1.0));
    EXPECT_TRUE(Variant(1) == Variant("1"));
    EXPECT_FALSE(Variant(1) == Variant("x"));
    EXPECT_TRUE(Variant("a") == Variant(L"a"));
    EXPECT_FALSE(Variant("a") == Variant("A"));
    EXPECT_TRUE(Variant::Null() == Variant::Null());
    EXPECT_FALSE(Variant::Null() == Variant());
    EXPECT_TRUE(Variant(TBcd::FromString("1.50")) == Variant(1.5));
    EXPECT_TRUE(Variant(Currency::FromDouble(2)) == Variant(2));
    EXPECT_TRUE(Variant(TBytes{1, 2}) == Variant(TBytes{1, 2}));
    EXPECT_FALSE(Variant(TBytes{1, 2}) == Variant("\x01\x02"));
    EXPECT_TRUE(Variant::FromDateTime(36526) == Variant(TSQLTimeStamp{2000, 1, 1, 0, 0, 0, 0}));
}

// The currency holds the scaled value in 64 bits: from -922337203685477.5808 to
// 922337203685477.5807. The fifth decimal rounds half away from zero, so a value may round out of
// the range; every value outside it is an overflow, never a wrapped number.
TEST_F(VariantTest, BcdToCurrencyAtTheEdgesOfTheRange) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    struct Case {
        const char* text;
        bool overflow;
        int64_t scaled;
    } cases[] = {
        {"922337203685477.5807", false, Max},
        {"-922337203685477.5808", false, Min},
        {"922337203685477.58074999", false, Max},
        {"-922337203685477.58084999", false, Min},
        {"922337203685477.58075", true, 0},
        {"922337203685477.5808", true, 0},
        {"-922337203685477.58085", true, 0},
        {"-922337203685477.5809", true, 0},
        {"922337203685478", true, 0},
        {"999999999999999.9999", true, 0},
        {"-999999999999999.99995", true, 0},
        {"1000000000000000", true, 0},
        {"-1234567890123456.7", true, 0},
        {"123456789012345.5", false, 1234567890123455000},
        {"-123456789012345.12345", false, -1234567890123451235},
        {"99999999999999.99995", false, 1000000000000000000},
        {"0.00005", false, 1},
        {"-0.00005", false, -1},
        {"-0.00004", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TBcd value = TBcd::FromString(c.text);
        if (c.overflow) {
            try {
                value.ToCurrency();
                ADD_FAILURE() << "no error";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), "BCD overflow");
            }
        } else {
            EXPECT_EQ(value.ToCurrency().Value, c.scaled);
        }
    }
}

TEST_F(VariantTest, BcdText) {
    struct Case {
        const char* text;
        const char* canonical;
        int precision, scale;
    } cases[] = {{"0", "0", 1, 0},
                 {"-0.0", "0", 1, 0},
                 {"00123.4500", "123.45", 5, 2},
                 {"+.5", "0.5", 2, 1},
                 {"-12", "-12", 2, 0},
                 {"1234567890.0123456789", "1234567890.0123456789", 20, 10}};
    for (const Case& c : cases) {
        TBcd b = TBcd::FromString(c.text);
        EXPECT_EQ(b.Text(), c.canonical) << c.text;
        EXPECT_EQ(b.Precision(), c.precision) << c.text;
        EXPECT_EQ(b.Scale(), c.scale) << c.text;
    }
    EXPECT_EQ(TBcd::Compare(TBcd::FromString("-2"), TBcd::FromString("-10")), 1);
    EXPECT_EQ(TBcd::Compare(TBcd::FromString("1.05"), TBcd::FromString("1.5")), -1);
    EXPECT_EQ(TBcd::FromCurrency(Currency::FromScaled(-5)).Text(), "-0.0005");
    EXPECT_EQ(TBcd::FromDouble(0.25).Text(), "0.25");
}
