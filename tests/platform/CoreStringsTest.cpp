#include <gtest/gtest.h>

#include "platform/core/SysUtils.h"

namespace {
struct FormatCase {
    const char* fmt;
    std::initializer_list<FormatArg> args;
    const char* expected;
};
} // namespace

TEST(CoreFormat, FormatsEachKindOfItem) {
    const FormatCase cases[] = {
        {"%s and %s", {"a", AnsiString("b")}, "a and b"},
        {"%d", {-42}, "-42"},
        {"%5d|%-5d|", {7, 7}, "    7|7    |"},
        {"%.3d", {5}, "005"},
        {"%u", {-1}, "4294967295"},
        {"%x", {255}, "FF"},
        {"%.8x", {0x1A}, "0000001A"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%d", {int64_t(1) << 40}, "1099511627776"},
        {"%.2f", {3.14159}, "3.14"},
        {"%f", {2.5}, "2.50"},
        {"%g", {0.5}, "0.5"},
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"100%%", {}, "100%"},
        {"%s", {L"\u4E2D\u6587"}, "中文"},
        {"%.2s", {"abcdef"}, "ab"},
        {"%8s|", {"ab"}, "      ab|"},
        {"%1:s %0:s", {"a", "b"}, "b a"},
        // An unindexed item continues after the last indexed one.
        {"%1:s %s %0:s", {"a", "b", "c"}, "b c a"},
        {"%*d", {4, 9}, "   9"},
        {"%p", {reinterpret_cast<const void*>(0x1234)}, "00001234"},
        {"%d%%", {50}, "50%"},
        {"%D %S", {1, "x"}, "1 x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Format(c.fmt, c.args)) << c.fmt;
}

TEST(CoreFormat, MismatchedOrMissingArgumentRaisesConvertError) {
    const FormatCase cases[] = {
        {"%d", {"text"}, nullptr}, {"%s", {5}, nullptr}, {"%f", {5}, nullptr}, {"%s %s", {"one"}, nullptr},
        {"%2:s", {"a"}, nullptr},  {"%", {1}, nullptr},  {"%k", {1}, nullptr}, {"%x", {1.5}, nullptr},
    };
    for (const auto& c : cases) {
        try {
            Format(c.fmt, c.args);
            ADD_FAILURE() << c.fmt << " formatted";
        } catch (const EConvertError& e) {
            EXPECT_EQ("Format '" + AnsiString(c.fmt) + "' invalid or incompatible with argument",
                      e.Message());
        }
    }
}

TEST(CoreStrings, StrToIntAcceptsDecimalAndHexAndRejectsTheRest) {
    const struct {
        const char* text;
        bool valid;
        int value;
    } cases[] = {
        {"0", true, 0},
        {"-17", true, -17},
        {"  42 ", true, 42},
        {"+8", true, 8},
        {"$FF", true, 255},
        {"0x10", true, 16},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"$FFFFFFFF", true, -1},
        {"2147483648", false, 0},
        {"", false, 0},
        {"12a", false, 0},
        {"1 2", false, 0},
        {"-", false, 0},
        {"$", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.valid ? c.value : -99, StrToIntDef(c.text, -99)) << c.text;
        if (c.valid) continue;
        try {
            StrToInt(c.text);
            ADD_FAILURE() << c.text;
        } catch (const EConvertError& e) {
            EXPECT_EQ("'" + AnsiString(c.text) + "' is not a valid integer value", e.Message());
        }
    }
    EXPECT_EQ("-5", IntToStr(-5));
    EXPECT_EQ("00FF", IntToHex(255, 4));
    EXPECT_EQ("FFFFFFFF", IntToHex(0xFFFFFFFFLL, 1));
}

TEST(CoreStrings, TrimCaseAndComparison) {
    EXPECT_EQ("a b", Trim(" \t a b \r\n"));
    EXPECT_EQ("a  ", TrimLeft("  a  "));
    EXPECT_EQ("  a", TrimRight("  a  "));
    EXPECT_EQ("ABC中文", UpperCase("abc中文"));
    // 0x81 0x61 is one double-byte character: its trail byte is not a letter to change.
    EXPECT_EQ("A\x81\x61Z", UpperCase("a\x81\x61z"));
    EXPECT_EQ("abc", LowerCase("ABC"));
    EXPECT_EQ(L"\u00C4BC", WideUpperCase(L"\u00E4bc"));
    EXPECT_EQ("ABC", AnsiUpperCase("abc"));

    EXPECT_LT(CompareStr("A", "a"), 0);
    EXPECT_EQ(0, CompareText("abc", "ABC"));
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_TRUE(SameText("Name", "NAME"));
    EXPECT_EQ(0, AnsiCompareText("Hello", "hELLO"));
    EXPECT_NE(0, AnsiCompareStr("Hello", "hello"));
    EXPECT_LT(AnsiCompareStr("a", "b"), 0);
    EXPECT_GT(AnsiCompareText("b", "A"), 0);
    EXPECT_EQ(0, AnsiCompareText("中文", "中文"));
}

TEST(CoreStrings, PosCopyAndReplace) {
    EXPECT_EQ(3, Pos("c", "abcabc"));
    EXPECT_EQ(0, Pos("x", "abc"));
    EXPECT_EQ(0, Pos("", "abc"));
    EXPECT_EQ("bcd", Copy("abcde", 2, 3));
    EXPECT_EQ("de", Copy("abcde", 4, 100));
    EXPECT_EQ("", Copy("abcde", 6, 1));
    EXPECT_EQ("ab", Copy("abcde", 0, 2));

    EXPECT_EQ("x.b.c", StringReplace("a.b.c", "a", "x", rfNone));
    EXPECT_EQ("a-b.c", StringReplace("a.b.c", ".", "-", rfNone));
    EXPECT_EQ("a-b-c", StringReplace("a.b.c", ".", "-", rfReplaceAll));
    EXPECT_EQ("x x", StringReplace("Ab aB", "ab", "x", rfReplaceAll | rfIgnoreCase));
    EXPECT_EQ("Ab x", StringReplace("Ab aB", "aB", "x", rfReplaceAll));
    EXPECT_EQ("aaaa", StringReplace("aa", "a", "aa", rfReplaceAll));
}

TEST(CoreStrings, FileNamePartsAreDoubleByteAware) {
    // "\x81\x5C" is one CP936 character whose trail byte equals '\'.
    const AnsiString dbcs = "C:\\dir\\a\x81\x5C.txt";
    const struct {
        AnsiString name, path, file, ext, dir;
    } cases[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\", "file.txt", ".txt", "C:\\dir"},
        {"C:\\file", "C:\\", "file", "", "C:\\"},
        {"file.tar.gz", "", "file.tar.gz", ".gz", ""},
        {"C:\\d.x\\file", "C:\\d.x\\", "file", "", "C:\\d.x"},
        {dbcs, "C:\\dir\\", "a\x81\x5C.txt", ".txt", "C:\\dir"},
        {"C:\\目录\\文件.mdb", "C:\\目录\\", "文件.mdb", ".mdb", "C:\\目录"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.path, ExtractFilePath(c.name)) << c.name;
        EXPECT_EQ(c.file, ExtractFileName(c.name)) << c.name;
        EXPECT_EQ(c.ext, ExtractFileExt(c.name)) << c.name;
        EXPECT_EQ(c.dir, ExtractFileDir(c.name)) << c.name;
    }
    EXPECT_EQ("C:\\dir\\a.bak", ChangeFileExt("C:\\dir\\a.txt", ".bak"));
    EXPECT_EQ("C:\\d.x\\a.bak", ChangeFileExt("C:\\d.x\\a", ".bak"));
    EXPECT_EQ("C:\\dir\\", IncludeTrailingPathDelimiter("C:\\dir"));
    EXPECT_EQ("C:\\dir\\", IncludeTrailingPathDelimiter("C:\\dir\\"));
    // The trailing byte of "\x81\x5C" is no delimiter: one is added.
    EXPECT_EQ("C:\\\x81\x5C\\", IncludeTrailingPathDelimiter("C:\\\x81\x5C"));
    EXPECT_EQ("C:\\dir", ExcludeTrailingPathDelimiter("C:\\dir\\"));
}

TEST(CoreStrings, ForceDirectoriesMakesEveryLevel) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    AnsiString base = IncludeTrailingPathDelimiter(temp) + "vz_force_" + IntToStr(GetCurrentProcessId());
    AnsiString deep = base + "\\一\\two\\three";
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep + "\\"));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_FALSE(FileExists(deep));
    EXPECT_TRUE(ForceDirectories(deep)); // already there
    RemoveDirectoryA(deep.c_str());
    RemoveDirectoryA((base + "\\一\\two").c_str());
    RemoveDirectoryA((base + "\\一").c_str());
    RemoveDirectoryA(base.c_str());
}

TEST(CoreExceptions, AssertCarriesFileAndLine) {
    try {
        Assert(false, "broken");
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(__LINE__ - 3, e.LineNumber());
        EXPECT_NE(AnsiString::npos, e.FileName().find("CoreStringsTest.cpp"));
        EXPECT_EQ("broken (" + e.FileName() + ", line " + IntToStr(e.LineNumber()) + ")", e.Message());
    }
    EXPECT_NO_THROW(Assert(true, "fine"));
    try {
        RaiseLastOSError(ERROR_FILE_NOT_FOUND);
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_EQ(unsigned(ERROR_FILE_NOT_FOUND), e.ErrorCode);
        EXPECT_NE(AnsiString::npos, e.Message().find(SysErrorMessage(ERROR_FILE_NOT_FOUND)));
    }
}
