#pragma once
// The operating system's visual-style library, bound by name at start so that the program also
// runs where it is missing. The routines keep the library's names inside dxUxTheme; callers
// make sure the library is loaded first.
#include <functional>

#include "platform/core/Strings.h"
#include "platform/core/Win.h"

#include <uxtheme.h>

namespace dxUxTheme {

// Where the active theme, its name and the Windows version come from: the system unless a test
// sets a member.
struct TdxThemeSystemSeam {
    std::function<BOOL()> IsThemeActive;
    std::function<HRESULT(LPWSTR fileName, int maxFileChars, LPWSTR colorName, int maxColorChars,
                          LPWSTR sizeName, int maxSizeChars)>
        GetCurrentThemeName;
    std::function<void(DWORD& major, DWORD& minor)> GetVersion;
};
// Returns the previous seam.
TdxThemeSystemSeam SetThemeSystemSeam(TdxThemeSystemSeam seam);

// The 52 names bound, in binding order.
extern const char* const ThemeEntryPointNames[52];

bool IsThemeLibraryBound();
// The bound entry point of that name, nullptr when absent.
FARPROC ThemeEntryPoint(const char* name);
// A test replaces a bound entry point for a while and puts the previous back; returns the previous.
FARPROC SetThemeEntryPointForTest(const char* name, FARPROC proc);
void GetWindowsVersion(DWORD& major, DWORD& minor);
// Windows 5.1 or later.
bool IsOSAtLeastXP();

// 0 when the entry point is not bound.
BOOL IsThemeActive();
HRESULT GetCurrentThemeName(LPWSTR fileName, int maxFileChars, LPWSTR colorName, int maxColorChars,
                            LPWSTR sizeName, int maxSizeChars);

HTHEME OpenThemeData(HWND window, LPCWSTR classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clipRect);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT* rect);
// ANSI text, converted to wide text first.
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, const AnsiString& text, DWORD textFlags,
                      DWORD textFlags2, const RECT* rect);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                                      RECT* contentRect);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE sizeKind,
                         SIZE* size);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, THEMESIZE sizeKind, SIZE* size);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 HRGN* region);
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                      UINT flags, RECT* contentRect);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId);
HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color);
// Keeps the font selected into dc.
HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect);
HPAINTBUFFER BeginBufferedPaint(HDC targetDC, const RECT* target, BP_BUFFERFORMAT format,
                                BP_PAINTPARAMS* params, HDC* paintDC);
HRESULT EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget);
HRESULT BufferedPaintSetAlpha(HPAINTBUFFER buffer, const RECT* rect, BYTE alpha);

} // namespace dxUxTheme

// Unit start: the Windows version is tested, the common controls initialised and, on XP or
// later, the library loaded and bound. Unit end: the library is freed.
void ThemeBindingInitialize();
void ThemeBindingFinalize();
