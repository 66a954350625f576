#pragma once
// Puts ANSI text on the real clipboard for a test.
#include <cstring>

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/core/Strings.h"

inline void SetClipboardText(const AnsiString& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}
