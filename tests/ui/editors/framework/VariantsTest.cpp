#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "LargestAllocation.h"
#include "platform/core/FormatSettings.h"
#include "ui/editors/framework/Variants.h"

namespace {
TBytes Hex(const char* text) {
    TBytes bytes;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(std::strtoul(AnsiString(p, 2).c_str(), nullptr, 16)));
        p += 2;
    }
    return bytes;
}

TBytes Written(const Variant& value) {
    TMemoryStream stream;
    WriteVariantToStream(&stream, value);
    const uint8_t* p = static_cast<const uint8_t*>(stream.Memory());
    return TBytes(p, p + stream.Size());
}

Variant ReadFrom(const TBytes& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    stream.SetPosition(0);
    return ReadVariantFromStream(&stream);
}

int SignOf(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

Variant OneBased(std::initializer_list<Variant> values) {
    Variant v = VarArrayCreate({1, static_cast<int>(values.size())}, varVariant);
    int i = 1;
    for (const Variant& value : values)
        v.ArrayItem(i++) = value;
    return v;
}

struct InvariantSettings : testing::Test {
    TFormatSettingsPin pin{TFormatSettingsPin::Invariant()};
};
} // namespace

using VariantCompare = InvariantSettings;
using VariantStream = InvariantSettings;

TEST_F(VariantCompare, OrderAndEditEquality) {
    constexpr int32_t MaxInt = 2147483647;
    struct Case {
        const char* name;
        Variant a, b;
        int order;    // sign of CompareVariants(a, b)
        int reversed; // sign of CompareVariants(b, a)
        bool editEqual;
    } cases[] = {
        {"Empty, Empty", Variant(), Variant(), 0, 0, true},
        {"Empty, Null", Variant(), Variant::Null(), -1, 1, false},
        {"Null, Null", Variant::Null(), Variant::Null(), 0, 0, true},
        {"Empty, 0", Variant(), 0, -1, 1, false},
        {"Null, -5", Variant::Null(), -5, -1, 1, false},
        {"1, 1.0", 1, 1.0, 0, 0, true},
        {"MaxInt, -1", MaxInt, -1, 1, -1, false},
        {"abc, 5", "abc", 5, -1, -1, false}, // incomparable: -1 both ways
        {"b, a", "b", "a", 1, -1, false},
        {"text, wide text", "x", L"x", 0, 0, true},
        {"[1, 2], [1, 2, 3]", VarArrayOf({1, 2}), VarArrayOf({1, 2, 3}), -1, 1, false},
        {"[1, 3], [1, 2, 3]", VarArrayOf({1, 3}), VarArrayOf({1, 2, 3}), -1, 1, false},
        {"[1, 3], [1, 2]", VarArrayOf({1, 3}), VarArrayOf({1, 2}), 1, -1, false},
        {"[1, [2]], [1, [2]]", VarArrayOf({1, VarArrayOf({2})}), VarArrayOf({1, VarArrayOf({2})}), 0, 0,
         true},
        {"1-based [7, 8], [7, 8]", OneBased({7, 8}), VarArrayOf({7, 8}), 0, 0, true},
        {"1-based [7, 9], [7, 8]", OneBased({7, 9}), VarArrayOf({7, 8}), 1, -1, false},
        {"1-based [], []", OneBased({}), VarArrayOf({}), 0, 0, true},
        {"bytes [1, 2], [1, 2]", Variant(TBytes{1, 2}), VarArrayOf({1, 2}), 0, 0, true},
        {"[1], 1", VarArrayOf({1}), 1, 1, -1, false},
        {"[], Empty", VarArrayOf({}), Variant(), 1, -1, false},
        {"True, True text", true, "True", -1, -1, true}, // compared as text for editing
        {"False, 0", false, 0, 0, 0, false},
        {"True, Null", true, Variant::Null(), 1, -1, false},
        {"True, [1]", true, VarArrayOf({1}), -1, 1, false},
        {"False, True", false, true, -1, 1, false},
        {"date, its time stamp", Variant::FromDateTime(36526), Variant(TSQLTimeStamp{2000, 1, 1, 0, 0, 0, 0}),
         0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SignOf(CompareVariants(c.a, c.b)), c.order);
        EXPECT_EQ(SignOf(CompareVariants(c.b, c.a)), c.reversed);
        EXPECT_EQ(VariantsEqual(c.a, c.b), c.order == 0);
        EXPECT_EQ(VarEqualsForEdit(c.a, c.b), c.editEqual);
        EXPECT_EQ(VarEqualsForEdit(c.b, c.a), c.editEqual);
    }
}

TEST_F(VariantCompare, ErrorsOtherThanTheCastErrorPassThrough) {
    // Int64 against Currency converts the integer to a currency, which overflows.
    Variant huge(static_cast<int64_t>(1) << 62);
    EXPECT_THROW(CompareVariants(huge, Variant(Currency::FromDouble(1))), EConvertError);
}

TEST_F(VariantCompare, Classification) {
    struct Case {
        Variant value;
        bool date, numeric, nullOrEmptyText;
    } cases[] = {
        {Variant::FromDateTime(1), true, false, false},
        {Variant(TSQLTimeStamp{2000, 1, 1, 0, 0, 0, 0}), true, false, false},
        {1, false, true, false},
        {2.5, false, true, false},
        {Variant(TBcd::FromString("1.5")), false, true, false},
        {Variant(Currency::FromDouble(1)), false, true, false},
        {true, false, false, false},
        {Variant::Null(), false, false, true},
        {Variant(), false, false, false},
        {"", false, false, true},
        {L"", false, false, true},
        {" ", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Variant::TypeName(c.value.VarType()) + " " + VarToStr(c.value));
        EXPECT_EQ(VarHoldsDate(c.value), c.date);
        EXPECT_EQ(VarIsNumericOrBcd(c.value), c.numeric);
        EXPECT_EQ(VarIsNullOrEmptyStr(c.value), c.nullOrEmptyText);
    }
}

TEST_F(VariantStream, ValuesToExactBytesAndBack) {
    AnsiString s255(255, 'a'), s256(256, 'b');
    TBytes long255 = Hex("06 FF"), long256 = Hex("0C 00 01 00 00");
    long255.insert(long255.end(), s255.begin(), s255.end());
    long256.insert(long256.end(), s256.begin(), s256.end());
    struct Case {
        const char* name;
        Variant value;
        TBytes bytes;
        Variant back; // Empty: the value itself
        TVarType backType;
    } cases[] = {
        {"Empty", Variant(), Hex("0D"), Variant(), varEmpty},
        {"Null", Variant::Null(), Hex("00"), Variant(), varNull},
        {"5", 5, Hex("02 05"), Variant(), varShortInt},
        {"-128", -128, Hex("02 80"), Variant(), varShortInt},
        {"128", 128, Hex("03 80 00"), Variant(), varSmallint},
        {"-129", -129, Hex("03 7F FF"), Variant(), varSmallint},
        {"Word 65535", Variant(static_cast<uint16_t>(65535)), Hex("04 FF FF 00 00"), Variant(), varInteger},
        {"2^31", Variant(static_cast<int64_t>(2147483648LL)), Hex("13 00 00 00 80 00 00 00 00"), Variant(),
         varInt64},
        {"-2^31", Variant(static_cast<int64_t>(-2147483648LL)), Hex("04 00 00 00 80"), Variant(), varInteger},
        {"LongWord 2^32-1", Variant(0xFFFFFFFFu), Hex("13 FF FF FF FF 00 00 00 00"), Variant(), varInt64},
        {"1.5", 1.5, Hex("05 00 00 00 00 00 00 00 C0 FF 3F"), Variant(), varDouble},
        {"single -2", -2.0f, Hex("0F 00 00 00 C0"), Variant(), varSingle},
        {"currency 1.5", Variant(Currency::FromDouble(1.5)), Hex("10 98 3A 00 00 00 00 00 00"), Variant(),
         varCurrency},
        {"date 2.5", Variant::FromDateTime(2.5), Hex("11 00 00 00 00 00 00 04 40"), Variant(), varDate},
        {"time stamp", Variant(TSQLTimeStamp{1900, 1, 1, 12, 0, 0, 0}), Hex("11 00 00 00 00 00 00 04 40"),
         Variant::FromDateTime(2.5), varDate},
        {"BCD 1.25", Variant(TBcd::FromString("1.25")), Hex("06 04 31 2E 32 35"), "1.25", varString},
        {"True", true, Hex("09"), Variant(), varBoolean},
        {"False", false, Hex("08"), Variant(), varBoolean},
        {"empty text", "", Hex("06 00"), Variant(), varString},
        {"255 characters", s255, long255, Variant(), varString},
        {"256 characters", s256, long256, Variant(), varString},
        {"Chinese wide text", L"\u4E2D\u6587", Hex("12 02 00 00 00 2D 4E 87 65"), Variant(), varOleStr},
        {"nested arrays", VarArrayOf({1, VarArrayOf({300, "a"}), VarArrayOf({})}),
         Hex("01 02 03 02 01 01 02 02 03 2C 01 06 01 61 01 02 00"), Variant(), varArray | varVariant},
        {"1-based array", OneBased({Variant::Null()}), Hex("01 02 01 00"), VarArrayOf({Variant::Null()}),
         varArray | varVariant},
        {"bytes", Variant(TBytes{0xFF}), Hex("01 02 01 03 FF 00"), VarArrayOf({255}), varArray | varVariant},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Written(c.value), c.bytes);
        Variant back = ReadFrom(c.bytes);
        EXPECT_EQ(back.VarType(), c.backType);
        Variant expected = c.back.IsEmpty() ? c.value : c.back;
        EXPECT_TRUE(VariantsEqual(back, expected)) << VarToStr(back.IsVariantArray() ? Variant() : back);
        if (back.IsVariantArray()) {
            EXPECT_EQ(VarArrayLowBound(back, 1), 0);
        }
    }
}

TEST_F(VariantStream, RandomValuesRoundTrip) {
    std::mt19937 random(46);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto value = [&](auto& self, int depth) -> Variant {
        switch (pick(depth < 3 ? 11 : 10)) {
        case 0:
            return static_cast<int64_t>((static_cast<uint64_t>(random()) << 32) | random()) >> pick(64);
        case 1: {
            double d;
            uint64_t bits = (static_cast<uint64_t>(random()) << 32) | random();
            std::memcpy(&d, &bits, sizeof d);
            return std::isfinite(d) ? d : 0.25;
        }
        case 2: {
            AnsiString s(static_cast<size_t>(pick(300)), '\0');
            for (char& ch : s)
                ch = static_cast<char>(random());
            return s;
        }
        case 3: {
            WideString w(static_cast<size_t>(pick(40)), L'\0');
            for (wchar_t& ch : w)
                ch = static_cast<wchar_t>(random());
            return w;
        }
        case 4:
            return pick(2) == 1;
        case 5:
            return Variant(Currency::FromScaled(static_cast<int64_t>(random()) * 1000 - 7));
        case 6:
            return Variant::FromDateTime(pick(100000) + pick(86400) / 86400.0);
        case 7:
            return Variant::Null();
        case 8:
            return Variant();
        case 9:
            return static_cast<float>(static_cast<int>(random())) / 8.0f;
        default: {
            Variant array = VarArrayCreate({0, pick(5) - 1}, varVariant);
            for (int i = 0; i <= VarArrayHighBound(array, 1); ++i)
                array.ArrayItem(i) = self(self, depth + 1);
            return array;
        }
        }
    };
    std::vector<Variant> values;
    TMemoryStream stream;
    for (int i = 0; i < 2000; ++i) {
        values.push_back(value(value, 0));
        WriteVariantToStream(&stream, values.back());
    }
    stream.SetPosition(0);
    for (const Variant& expected : values) {
        Variant back = ReadVariantFromStream(&stream);
        ASSERT_EQ(CompareVariants(back, expected), 0) << Variant::TypeName(expected.VarType());
        if (expected.VarType() == varDouble) {
            EXPECT_EQ(back.AsDouble(), expected.AsDouble());
        }
    }
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST_F(VariantStream, EveryTruncationRaisesReadError) {
    TBytes whole = Written(VarArrayOf({1, 300, 70000, int64_t{1} << 40, 1.5, 2.5f, "ab", AnsiString(300, 'x'),
                                       L"w", Variant(Currency::FromDouble(3)), Variant::FromDateTime(4), true,
                                       Variant(), Variant::Null(), VarArrayOf({VarArrayOf({})})}));
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_THROW(ReadFrom(TBytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(length))),
                     EReadError);
    }
    EXPECT_NO_THROW(ReadFrom(whole));
}

TEST_F(VariantStream, HostileInputIsRefusedBeforeAnythingIsAllocated) {
    TBytes deep;
    for (int i = 0; i < 100000; ++i) {
        TBytes level = Hex("01 02 01");
        deep.insert(deep.end(), level.begin(), level.end());
    }
    deep.push_back(0x0D);
    TBytes limit, pastLimit;
    for (int i = 0; i < VariantStreamMaxDepth + 1; ++i) {
        TBytes level = Hex("01 02 01");
        (i < VariantStreamMaxDepth ? limit : pastLimit)
            .insert((i < VariantStreamMaxDepth ? limit : pastLimit).end(), level.begin(), level.end());
    }
    limit.push_back(0x0D);
    pastLimit.insert(pastLimit.begin(), limit.begin(), limit.end() - 1);
    pastLimit.push_back(0x0D);

    struct Case {
        const char* name;
        TBytes bytes;
    } cases[] = {
        {"long text of MaxInt bytes", Hex("0C FF FF FF 7F 41")},
        {"long text of -1 bytes", Hex("0C FF FF FF FF")},
        {"wide text of 0x40000000 units (2C wraps)", Hex("12 00 00 00 40 41 00")},
        {"wide text of -1 units", Hex("12 FF FF FF FF")},
        {"array of -1", Hex("01 02 FF")},
        {"array of 2^40", Hex("01 13 00 00 00 00 00 01 00 00 0D")},
        {"array of 0x80000000", Hex("01 04 00 00 00 80 0D")},
        {"array of 2^31 - 1", Hex("01 04 FF FF FF 7F 0D 0D")},
        {"array of three with two left", Hex("01 02 03 0D 0D")},
        {"array counted by a float", Hex("01 05 00 00 00 00 00 00 00 80 FF 3F 0D")},
        {"100,000 nested arrays", deep},
        {"nesting one past the limit", pastLimit},
        {"tag 7", Hex("07")},
        {"tag 10", Hex("0A")},
        {"tag 11", Hex("0B")},
        {"tag 14", Hex("0E")},
        {"tag 20", Hex("14")},
        {"tag 255", Hex("FF")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t largest = LargestAllocationDuring([&] {
            try {
                ReadFrom(c.bytes);
                ADD_FAILURE() << "no error";
            } catch (const EReadError& e) {
                EXPECT_EQ(e.Message(), "Stream read error");
            }
        });
        EXPECT_LT(largest, c.bytes.size() * 64 + 4096);
    }
    EXPECT_NO_THROW(ReadFrom(limit)); // nesting up to the limit is kept
}

TEST_F(VariantStream, ValuesWithoutAFormAreRefusedWholeWithWriteError) {
    for (const Variant& value :
         {VarArrayCreate({0, 1, 0, 1}, varVariant),
          VarArrayOf({1, "a", VarArrayOf({VarArrayCreate({0, 0, 0, 0}, varVariant)})})}) {
        TMemoryStream stream;
        try {
            WriteVariantToStream(&stream, value);
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_EQ(e.Message(), "Stream write error");
        }
        EXPECT_EQ(stream.Size(), 0);
    }
}

TEST_F(VariantStream, TypedValues) {
    TMemoryStream stream;
    WriteBooleanProc(&stream, true);
    WriteSmallIntProc(&stream, -2);
    WriteWordProc(&stream, 65535);
    WriteIntegerProc(&stream, -3);
    WriteLargeIntProc(&stream, int64_t{1} << 40);
    WriteCurrencyProc(&stream, Currency::FromDouble(-1.5));
    WriteDateTimeProc(&stream, 2.5);
    WriteFloatProc(&stream, 1.5L);
    WriteAnsiStringProc(&stream, "ab");
    WriteWideStringProc(&stream, L"\u4E2D");
    const uint8_t* p = static_cast<const uint8_t*>(stream.Memory());
    EXPECT_EQ(TBytes(p, p + stream.Size()),
              Hex("01 FE FF FF FF FD FF FF FF 00 00 00 00 00 01 00 00"
                  " 68 C5 FF FF FF FF FF FF 00 00 00 00 00 00 04 40"
                  " 00 00 00 00 00 00 00 C0 FF 3F 02 00 00 00 61 62 01 00 00 00 2D 4E"));
    stream.SetPosition(0);
    EXPECT_TRUE(ReadBooleanFunc(&stream));
    EXPECT_EQ(ReadSmallIntFunc(&stream), -2);
    EXPECT_EQ(ReadWordFunc(&stream), 65535);
    EXPECT_EQ(ReadIntegerFunc(&stream), -3);
    EXPECT_EQ(ReadLargeIntFunc(&stream), int64_t{1} << 40);
    EXPECT_EQ(ReadCurrencyFunc(&stream).Value, -15000);
    EXPECT_EQ(ReadDateTimeFunc(&stream), 2.5);
    EXPECT_EQ(ReadFloatFunc(&stream), 1.5L);
    EXPECT_EQ(ReadAnsiStringFunc(&stream), "ab");
    EXPECT_EQ(ReadWideStringFunc(&stream), L"\u4E2D");
    EXPECT_THROW(ReadBooleanFunc(&stream), EReadError);

    for (const char* hostile : {"FF FF FF 7F 61", "FF FF FF FF", "00 00 00 80"}) {
        SCOPED_TRACE(hostile);
        TBytes bytes = Hex(hostile);
        TMemoryStream input;
        input.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
        size_t largest = LargestAllocationDuring([&] {
            input.SetPosition(0);
            EXPECT_THROW(ReadAnsiStringFunc(&input), EReadError);
            input.SetPosition(0);
            EXPECT_THROW(ReadWideStringFunc(&input), EReadError);
        });
        EXPECT_LT(largest, 4096u);
    }
}
