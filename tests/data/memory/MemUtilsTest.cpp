#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "data/memory/MemUtils.h"

TEST(MemUtilsTest, DateConstruction) {
    struct Case {
        int y, m, d;
        bool valid;
        double expected;
    } cases[] = {
        {1899, 12, 30, true, 0},  {1900, 2, 29, false, 0},       {2000, 2, 29, true, 36585},
        {1, 1, 1, true, -693593}, {9999, 12, 31, true, 2958465}, {2023, 2, 29, false, 0},
        {2024, 13, 1, false, 0},  {0, 1, 1, false, 0},           {10000, 1, 1, false, 0},
        {2024, 4, 31, false, 0},  {2024, 1, 0, false, 0},        {1900, 1, 1, true, 2},
    };
    for (const Case& c : cases) {
        TDateTime r = -12345;
        EXPECT_EQ(TryMakeDate(c.y, c.m, c.d, r), c.valid) << c.y << "-" << c.m << "-" << c.d;
        if (c.valid) {
            EXPECT_EQ(r, c.expected) << c.y << "-" << c.m << "-" << c.d;
        }
    }
}

TEST(MemUtilsTest, DateTimeSubtractsTheFractionBeforeTheEpoch) {
    TDateTime r;
    ASSERT_TRUE(TryMakeDateTime(1899, 12, 29, 12, 0, 0, 0, r));
    EXPECT_EQ(r, -1.5);
    ASSERT_TRUE(TryMakeDateTime(1899, 12, 30, 6, 0, 0, 0, r));
    EXPECT_EQ(r, 0.25);
    ASSERT_TRUE(TryMakeDateTime(2000, 1, 1, 18, 0, 0, 0, r));
    EXPECT_EQ(r, 36526.75);
    EXPECT_FALSE(TryMakeDateTime(2000, 1, 1, 24, 0, 0, 0, r));
    EXPECT_FALSE(TryMakeDateTime(2000, 1, 1, 0, 60, 0, 0, r));
    EXPECT_FALSE(TryMakeDateTime(2000, 1, 1, 0, 0, 60, 0, r));
    EXPECT_FALSE(TryMakeDateTime(2000, 1, 1, 0, 0, 0, 1000, r));
    EXPECT_FALSE(TryMakeDateTime(1900, 2, 29, 0, 0, 0, 0, r));
    ASSERT_TRUE(TryMakeTime(23, 59, 59, 999, r));
    EXPECT_NEAR(r, 1.0 - 1.0 / MSecsPerDay, 1e-12);
}

TEST(MemUtilsTest, TimeStamps) {
    EXPECT_EQ(DateTimeFromTimeStamp({43200000, 693595}), 1.5);
    EXPECT_EQ(DateTimeFromTimeStamp({43200000, 693593}), -1.5);
    try {
        CheckTimeStamp({-1, 5});
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'5.-1' is not a valid timestamp");
    }
    EXPECT_THROW(CheckTimeStamp({0, 0}), EConvertError);
    EXPECT_NO_THROW(CheckTimeStamp({0, 1}));
}

TEST(MemUtilsTest, VariantsEqualMatrix) {
    TBytes ab{1, 2};
    const Variant values[] = {
        Variant::Null(),       // 0
        Variant(),             // 1 Empty
        Variant(""),           // 2 empty 8-bit string
        Variant(L""),          // 3 empty wide string
        Variant("a"),          // 4
        Variant(L"A"),         // 5
        Variant(L"a"),         // 6
        Variant(1),            // 7
        Variant(1.0),          // 8
        Variant("1"),          // 9
        Variant(ab),           // 10
        Variant(TBytes{1, 2}), // 11
        Variant(TBytes{}),     // 12
        Variant(0),            // 13
    };
    // Pairs that count as equal (both orders); everything else (off the diagonal) is not.
    const std::pair<int, int> equal[] = {{2, 3}, {4, 6}, {7, 8}, {7, 9}, {8, 9}, {10, 11}, {1, 13}};
    const int n = static_cast<int>(std::size(values));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            bool expected = i == j;
            for (auto [a, b] : equal)
                if ((a == i && b == j) || (a == j && b == i)) expected = true;
            EXPECT_EQ(VariantsEqual(values[i], values[j]), expected) << i << " vs " << j;
        }
    }
}

TEST(MemUtilsTest, LocaleComparisonsAnswerMinusOneZeroOne) {
    EXPECT_EQ(ComparePCharStr("abc", "abd"), -1);
    EXPECT_EQ(ComparePCharStr("abd", "abc"), 1);
    EXPECT_EQ(ComparePCharStr("abc", "abc"), 0);
    EXPECT_EQ(ComparePCharText("ABC", "abc"), 0);
    EXPECT_NE(ComparePCharStr("ABC", "abc"), 0);
    EXPECT_EQ(CompareAnsiStr("abcX", 3, "abcY", 3), 0);
    EXPECT_EQ(CompareAnsiText("ABc", 3, "abd", 3), -1);
    EXPECT_EQ(CompareWideStr(L"b", L"a"), 1);
    EXPECT_EQ(CompareWideText(L"A", L"a"), 0);
    EXPECT_EQ(CompareWideStrN(L"abX", L"abY", 2), 0);
    EXPECT_EQ(CompareWideTextN(L"ABX", L"aby", 3), -1);
    // String sort: a hyphen counts like any symbol, it is not ignored.
    EXPECT_NE(ComparePCharStr("co-op", "coop"), 0);
}

TEST(MemUtilsTest, TrimTrailingBlanks) {
    char text[] = "ab  ";
    char* last = TrimTrailingBlanks(text, -1);
    EXPECT_EQ(last, text + 1);
    EXPECT_EQ(0, std::memcmp(text, "ab\0\0", 4));
    char blanks[] = {'x', ' ', '\0', ' '};
    EXPECT_EQ(TrimTrailingBlanks(blanks + 1, 3), blanks); // one before the start: all cleared
    EXPECT_EQ(blanks[0], 'x');
    wchar_t wide[] = {L'x', L' ', 0, L' '};
    EXPECT_EQ(TrimTrailingBlanksW(wide, 4), wide);
    EXPECT_EQ(wide[1], 0);
    EXPECT_EQ(wide[3], 0);
    wchar_t copy[8];
    CopyWideN(L"hello", copy, 3);
    EXPECT_STREQ(copy, L"hel");
    EXPECT_EQ(WideLen(copy), 3);
}

TEST(MemUtilsTest, ZlibRoundTripAndTooSmallTarget) {
    std::vector<uint8_t> source(100000);
    std::mt19937 rng(7);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i % 97 < 60 ? 'a' : rng());
    std::vector<uint8_t> packed(source.size() + 1000);
    uint32_t packedLength = static_cast<uint32_t>(packed.size());
    CompressBlock(packed.data(), packedLength, source.data(), static_cast<uint32_t>(source.size()));
    ASSERT_LT(packedLength, source.size());

    std::vector<uint8_t> unpacked(source.size());
    uint32_t unpackedLength = static_cast<uint32_t>(unpacked.size());
    UncompressBlock(unpacked.data(), unpackedLength, packed.data(), packedLength);
    EXPECT_EQ(unpackedLength, source.size());
    EXPECT_EQ(unpacked, source);

    // A larger target: the length reports what was really produced.
    std::vector<uint8_t> roomy(source.size() + 50);
    uint32_t roomyLength = static_cast<uint32_t>(roomy.size());
    UncompressBlock(roomy.data(), roomyLength, packed.data(), packedLength);
    EXPECT_EQ(roomyLength, source.size());

    std::vector<uint8_t> tiny(10);
    uint32_t tinyLength = 10;
    try {
        CompressBlock(tiny.data(), tinyLength, source.data(), static_cast<uint32_t>(source.size()));
        FAIL();
    } catch (const EZlibError& e) {
        EXPECT_STREQ(e.what(), "ZLib error: target buffer may be too small");
    }
    uint32_t shortLength = 1000;
    EXPECT_THROW(UncompressBlock(unpacked.data(), shortLength, packed.data(), packedLength), EZlibError);
    // Corrupt input is a decompression error.
    std::vector<uint8_t> garbage(64, 0x55);
    uint32_t length = static_cast<uint32_t>(unpacked.size());
    EXPECT_THROW(UncompressBlock(unpacked.data(), length, garbage.data(), 64), EDecompressionError);
}

TEST(MemUtilsTest, CompressionHooksMustBeLinked) {
    MemUtilsStart();
    EXPECT_FALSE(IsWin9x);
    EXPECT_NO_THROW(CheckCompressionHooks());
    TCompressBlockProc saved = UncompressProc;
    UncompressProc = nullptr;
    try {
        CheckCompressionHooks();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Uncompressor function is not linked");
    }
    UncompressProc = saved;
    MemUtilsEnd();
}

TEST(MemUtilsTest, ObjectClassTests) {
    TObject object;
    EXPECT_TRUE(IsObjectOfClass(&object, TObject::StaticClass()));
    EXPECT_TRUE(IsObjectOfClassByName(&object, TObject::StaticClass()));
    EXPECT_FALSE(IsObjectOfClass(nullptr, TObject::StaticClass()));
    EXPECT_FALSE(IsObjectOfClassByName(nullptr, TObject::StaticClass()));
}
