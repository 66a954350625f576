#include "ui/core/SystemInfo.h"

#include "platform/core/Win.h"

namespace {
bool win9x = false, win2000 = false, winXPOrLater = false, winNT4OrLater = false;
} // namespace

bool IsWin9XPlatform() {
    return win9x;
}
bool IsWin2000() {
    return win2000;
}
bool IsWinXPOrLater() {
    return winXPOrLater;
}
bool IsWinNT4OrLater() {
    return winNT4OrLater;
}

void SetSystemInfoForTest(unsigned platformId, unsigned major, unsigned minor) {
    win9x = platformId == VER_PLATFORM_WIN32_WINDOWS || platformId == VER_PLATFORM_WIN32s;
    const bool nt = platformId == VER_PLATFORM_WIN32_NT;
    win2000 = nt && major == 5 && minor == 0;
    // As the flag has always been computed: 6.0 does not count, 6.1 does.
    winXPOrLater = nt && major >= 5 && minor > 0;
    winNT4OrLater = nt && major >= 4;
}

void InitializeSystemInfo() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    SetSystemInfoForTest(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}
