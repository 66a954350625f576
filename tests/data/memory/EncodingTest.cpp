#include <gtest/gtest.h>

#include "data/memory/CLRClasses.h"
#include "platform/core/Exceptions.h"

namespace {

TBytes B(std::initializer_list<int> values) {
    TBytes out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

TBytes B(const AnsiString& s) {
    return TBytes(s.begin(), s.end());
}

} // namespace

TEST(EncodingTest, TestsRunUnderCodePage936) {
    ASSERT_EQ(GetACP(), 936u);
}

TEST(EncodingTest, WholeConversionsAcrossTheThreeEncodings) {
    const AnsiString ansi = "a中b"; // CP936: 61 D6 D0 62
    const WideString wide = L"a中b";
    Encoding* def = Encoding::GetDefault();
    Encoding* uni = Encoding::GetUnicode();
    Encoding* utf8 = Encoding::GetUTF8();

    EXPECT_EQ(def->TextToBytes(ansi), B({0x61, 0xD6, 0xD0, 0x62}));
    EXPECT_EQ(def->WideToBytes(wide), B({0x61, 0xD6, 0xD0, 0x62}));
    EXPECT_EQ(def->BytesToWide(B(ansi)), wide);
    EXPECT_EQ(uni->TextToBytes(ansi), B({0x61, 0, 0x2D, 0x4E, 0x62, 0}));
    EXPECT_EQ(uni->BytesToText(B({0x61, 0, 0x2D, 0x4E, 0x62, 0})), ansi);
    EXPECT_EQ(utf8->TextToBytes(ansi), B({0x61, 0xE4, 0xB8, 0xAD, 0x62}));
    EXPECT_EQ(utf8->BytesToWide(B({0x61, 0xE4, 0xB8, 0xAD, 0x62})), wide);
    EXPECT_EQ(utf8->BytesToText(B({0x61, 0xE4, 0xB8, 0xAD, 0x62})), ansi);

    // An odd last byte is no UTF-16 character; nothing gives nothing.
    EXPECT_EQ(uni->BytesToWide(B({0x41, 0, 0x42})), L"A");
    EXPECT_EQ(uni->BytesToWide(TBytes{}), L"");
    EXPECT_EQ(def->BytesRangeToText(B(ansi), 1, 0), "");

    EXPECT_EQ(def->MaxByteCount(10), 10);
    EXPECT_EQ(uni->MaxByteCount(10), 20);
    EXPECT_EQ(utf8->MaxByteCount(10), 30);
}

// Wide ranges of the ANSI encoding convert only the characters asked for, so a double-byte
// character is never cut or shifted.
TEST(EncodingTest, AnsiWideRangeConvertsOnlyTheRequestedCharacters) {
    struct Case {
        int index, count;
        TBytes expected;
    } cases[] = {
        {0, 1, B("中")}, {1, 1, B("文")}, {1, 2, B("文x")}, {2, 1, B("x")}, {0, 3, B("中文x")}, {0, 0, {}},
    };
    const WideString text = L"中文x";
    for (const Case& c : cases) {
        TBytes bytes(8, 0xEE);
        int n = Encoding::GetDefault()->WideRangeToBytes(text, c.index, c.count, bytes, 1);
        ASSERT_EQ(n, static_cast<int>(c.expected.size())) << c.index << "," << c.count;
        EXPECT_EQ(TBytes(bytes.begin() + 1, bytes.begin() + 1 + n), c.expected) << c.index << "," << c.count;
        EXPECT_EQ(bytes[0], 0xEE);
        EXPECT_EQ(bytes[static_cast<size_t>(1 + n)], 0xEE) << "wrote past its range";
    }
    // Piecewise conversion gives the same bytes as the whole text.
    TBytes joined(16);
    int at = 0;
    for (int i = 0; i < 3; ++i)
        at += Encoding::GetDefault()->WideRangeToBytes(text, i, 1, joined, at);
    joined.resize(static_cast<size_t>(at));
    EXPECT_EQ(joined, Encoding::GetDefault()->WideToBytes(text));
}

TEST(EncodingTest, RangeWritesRefuseArraysThatAreTooSmall) {
    TBytes small(1);
    EXPECT_THROW(Encoding::GetDefault()->WideRangeToBytes(L"中", 0, 1, small, 0), Exception);
    EXPECT_THROW(Encoding::GetUnicode()->WideRangeToBytes(L"ab", 0, 2, small, 0), Exception);
    EXPECT_THROW(Encoding::GetDefault()->TextRangeToBytes("abc", 0, 3, small, 0), Exception);
    EXPECT_THROW(Encoding::GetDefault()->TextRangeToBytes("abc", 2, 5, small, 0), Exception);
}

TEST(EncodingTest, RangeCopiesAndUtf8Refusal) {
    TBytes bytes(6);
    EXPECT_EQ(Encoding::GetDefault()->TextRangeToBytes("xyz", 1, 2, bytes, 3), 2);
    EXPECT_EQ(bytes, B({0, 0, 0, 'y', 'z', 0}));
    EXPECT_EQ(Encoding::GetUnicode()->TextRangeToBytes("a中", 1, 1, bytes, 0), 2);
    EXPECT_EQ(bytes[0], 0x2D);
    EXPECT_EQ(bytes[1], 0x4E);
    EXPECT_THROW(Encoding::GetUTF8()->TextRangeToBytes("a", 0, 1, bytes, 0), EAssertionFailed);
    EXPECT_THROW(Encoding::GetUTF8()->WideRangeToBytes(L"a", 0, 1, bytes, 0), EAssertionFailed);
}

TEST(EncodingTest, SharedInstancesAreDistinctAndStable) {
    EXPECT_EQ(Encoding::GetDefault(), Encoding::GetDefault());
    EXPECT_NE(Encoding::GetDefault(), Encoding::GetUnicode());
    EXPECT_NE(Encoding::GetUnicode(), Encoding::GetUTF8());
}

TEST(StringBuilderTest, GrowsByHalfTheCapacityOnTopOfWhatIsNeeded) {
    AnsiStringBuilder b(0);
    std::vector<int> capacities;
    for (char c : AnsiString("abcde")) {
        b.AppendChar(c);
        capacities.push_back(b.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{1, 2, 4, 4, 7}));
    b.Append("0123456789"); // 5 + 10 > 7: 10 + 5 + 3
    EXPECT_EQ(b.Capacity(), 18);
    EXPECT_EQ(b.ToString(), "abcde0123456789");
    b.SetLength(0); // reuse without freeing
    EXPECT_EQ(b.Capacity(), 18);
    b.Append("中");
    EXPECT_EQ(b.ToString(), "中");
    b.Append("");
    EXPECT_EQ(b.Length(), 2);

    WideStringBuilder w = WideStringBuilder::CreateWithText(L"ab", 0);
    w.AppendChar(L'中');
    w.Append(L"xyz");
    EXPECT_EQ(w.ToString(), L"ab中xyz");
}

TEST(StringBuilderTest, ReplaceDoesNotRescanItsOwnOutput) {
    struct Case {
        const wchar_t *text, *oldText, *newText, *expected;
    } cases[] = {
        {L"a&b&", L"&", L"&#x26;", L"a&#x26;b&#x26;"},
        {L"aba", L"a", L"aa", L"aabaa"},
        {L"aaaa", L"aa", L"a", L"aa"},
        {L"xyz", L"q", L"r", L"xyz"},
        {L"<<>>", L"<", L"", L">>"},
        {L"", L"a", L"b", L""},
        {L"中文中", L"中", L"&lt;", L"&lt;文&lt;"},
    };
    for (const Case& c : cases) {
        WideStringBuilder b = WideStringBuilder::CreateWithText(c.text, 1);
        b.Replace(c.oldText, c.newText);
        EXPECT_EQ(b.ToString(), c.expected) << c.text;
        EXPECT_EQ(b.Length(), static_cast<int>(std::wcslen(c.expected)));
    }
}

TEST(MarshalTest, ReadsAndWritesAtOffsets) {
    uint8_t buffer[16] = {};
    Marshal::WriteInt32At(buffer, 3, -2);
    Marshal::WriteInt16At(buffer, 8, 0x1234);
    Marshal::WriteInt64(buffer + 10, 0);
    EXPECT_EQ(Marshal::ReadInt32(buffer, 3), -2);
    EXPECT_EQ(Marshal::ReadInt16(buffer, 8), 0x1234);
    EXPECT_EQ(Marshal::ReadByte(buffer, 8), 0x34);

    const char raw[] = {'a', 0, 'b', 0};
    EXPECT_EQ(Marshal::PtrToAnsiStr(raw, 3), AnsiString("a\0b", 3));
    EXPECT_EQ(Marshal::PtrToAnsiStr(raw, 0), "a");
    const wchar_t wraw[] = {L'x', 0, L'y', 0};
    EXPECT_EQ(Marshal::PtrToWideStr(wraw, 3), WideString(L"x\0y", 3));
    EXPECT_EQ(Marshal::PtrToWideStr(wraw, -1), L"x");

    uint8_t dest[4] = {};
    Marshal::CopyFromPtr("abcdef", 2, dest, 3);
    EXPECT_EQ(0, std::memcmp(dest, "cde", 3));
    Marshal::CopyToPtr("XY", dest, 1, 2);
    EXPECT_EQ(0, std::memcmp(dest, "cXY", 3));
    EXPECT_EQ(BitConverter::BitsToDouble(BitConverter::DoubleToBits(-1.25)), -1.25);
    EXPECT_EQ(BitConverter::DoubleToBits(1.0), 0x3FF0000000000000LL);
}

TEST(StringWrapperTest, QuoteAndDequote) {
    EXPECT_EQ(QuoteText("it's", '\''), "'it''s'");
    struct Case {
        const char *text, *expected;
    } cases[] = {
        {"'it''s'", "it's"}, {"'abc'tail", "abc"}, {"'open", "open"},
        {"plain", "plain"},  {"''", "''"},         {"'中''文'", "中'文"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DequoteText(c.text, '\''), c.expected) << c.text;
    EXPECT_EQ(VariantToText(Variant::Null()), "");
    EXPECT_EQ(VariantToText(Variant(42)), "42");
    EXPECT_TRUE(SameTextCI("abc", "ABC"));
    EXPECT_EQ(FormatText("%s=%d", {"n", 5}), "n=5");
}
