#pragma once
// Operating-system flags, set at start from the platform's version information.

bool IsWin9XPlatform();
bool IsWin2000();
bool IsWinXPOrLater();
bool IsWinNT4OrLater();

// Sets the flags from GetVersionEx (window services' start).
void InitializeSystemInfo();
// Test seam: the flags as for that platform id and version.
void SetSystemInfoForTest(unsigned platformId, unsigned major, unsigned minor);
