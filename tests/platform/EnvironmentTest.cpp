#include <gtest/gtest.h>
#include <windows.h>
#include <string>

// The users' machines run with the Chinese ANSI code page; every test process must too.
TEST(Environment, AnsiCodePageIs936) { EXPECT_EQ(936u, GetACP()); }

TEST(Environment, Cp936BytesConvertToUtf16) {
    const char gbk[] = "\xD6\xD0\xCE\xC4"; // "中文" in CP936
    wchar_t wide[8] = {};
    int n = MultiByteToWideChar(CP_ACP, 0, gbk, -1, wide, 8);
    ASSERT_EQ(3, n);
    EXPECT_EQ(std::wstring(L"\u4E2D\u6587"), std::wstring(wide));
}

TEST(Environment, NarrowLiteralsAreAnsiText) {
    // Source is UTF-8; narrow literals are compiled into the ANSI code page.
    EXPECT_EQ(std::string("\xD6\xD0\xCE\xC4"), std::string("中文"));
}
