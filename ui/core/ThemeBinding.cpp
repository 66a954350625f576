#include "ui/core/ThemeBinding.h"

#include <commctrl.h>
#include <cstring>
#include <type_traits>
#include <utility>

namespace dxUxTheme {

const char* const ThemeEntryPointNames[52] = {
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "DrawThemeParentBackground",
    "DrawThemeText",
    "DrawThemeTextEx",
    "EnableThemeDialogTexture",
    "GetCurrentThemeName",
    "GetThemeAppProperties",
    "GetThemeBackgroundContentRect",
    "GetThemeBackgroundRegion",
    "GetThemeBackgroundExtent",
    "GetThemeBool",
    "GetThemeColor",
    "GetThemeDocumentationProperty",
    "GetThemeEnumValue",
    "GetThemeFilename",
    "GetThemeFont",
    "GetThemeInt",
    "GetThemeIntList",
    "GetThemeMargins",
    "GetThemeMetric",
    "GetThemePartSize",
    "GetThemePosition",
    "GetThemePropertyOrigin",
    "GetThemeRect",
    "GetThemeString",
    "GetThemeSysBool",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysFont",
    "GetThemeSysInt",
    "GetThemeSysSize",
    "GetThemeSysString",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetWindowTheme",
    "HitTestThemeBackground",
    "IsAppThemed",
    "IsThemeActive",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "IsThemeDialogTextureEnabled",
    "OpenThemeData",
    "SetThemeAppProperties",
    "SetWindowTheme",
    "BufferedPaintInit",
    "BufferedPaintUnInit",
    "BeginBufferedPaint",
    "EndBufferedPaint",
    "BufferedPaintSetAlpha",
};

namespace {

HMODULE library = nullptr;
FARPROC entryPoints[52] = {};
TdxThemeSystemSeam seam;

template <class F> F Bound(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(ThemeEntryPoint(name)));
}

// Calls the entry point; a missing one answers E_NOTIMPL, or 0 for other result types.
template <class F, class... A> auto CallBound(const char* name, A&&... args) {
    using R = decltype(std::declval<F>()(std::forward<A>(args)...));
    F entry = Bound<F>(name);
    if (!entry) {
        if constexpr (std::is_same_v<R, HRESULT>)
            return R(E_NOTIMPL);
        else
            return R{};
    }
    return entry(std::forward<A>(args)...);
}

} // namespace

TdxThemeSystemSeam SetThemeSystemSeam(TdxThemeSystemSeam newSeam) {
    TdxThemeSystemSeam previous = std::move(seam);
    seam = std::move(newSeam);
    return previous;
}

bool IsThemeLibraryBound() {
    return library != nullptr;
}

FARPROC ThemeEntryPoint(const char* name) {
    for (int i = 0; i < 52; ++i)
        if (std::strcmp(ThemeEntryPointNames[i], name) == 0) return entryPoints[i];
    return nullptr;
}

FARPROC SetThemeEntryPointForTest(const char* name, FARPROC proc) {
    for (int i = 0; i < 52; ++i)
        if (std::strcmp(ThemeEntryPointNames[i], name) == 0) {
            FARPROC previous = entryPoints[i];
            entryPoints[i] = proc;
            return previous;
        }
    return nullptr;
}

void GetWindowsVersion(DWORD& major, DWORD& minor) {
    if (seam.GetVersion) {
        seam.GetVersion(major, minor);
        return;
    }
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
}

bool IsOSAtLeastXP() {
    DWORD major = 0, minor = 0;
    GetWindowsVersion(major, minor);
    return major > 5 || (major == 5 && minor != 0);
}

BOOL IsThemeActive() {
    if (seam.IsThemeActive) return seam.IsThemeActive();
    auto entry = Bound<BOOL(WINAPI*)()>("IsThemeActive");
    return entry ? entry() : FALSE;
}

HRESULT GetCurrentThemeName(LPWSTR fileName, int maxFileChars, LPWSTR colorName, int maxColorChars,
                            LPWSTR sizeName, int maxSizeChars) {
    if (seam.GetCurrentThemeName)
        return seam.GetCurrentThemeName(fileName, maxFileChars, colorName, maxColorChars, sizeName,
                                        maxSizeChars);
    return CallBound<decltype(&::GetCurrentThemeName)>("GetCurrentThemeName", fileName, maxFileChars,
                                                       colorName, maxColorChars, sizeName, maxSizeChars);
}

HTHEME OpenThemeData(HWND window, LPCWSTR classList) {
    return CallBound<decltype(&::OpenThemeData)>("OpenThemeData", window, classList);
}

HRESULT CloseThemeData(HTHEME theme) {
    return CallBound<decltype(&::CloseThemeData)>("CloseThemeData", theme);
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clipRect) {
    return CallBound<decltype(&::DrawThemeBackground)>("DrawThemeBackground", theme, dc, partId, stateId,
                                                       rect, clipRect);
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT* rect) {
    return CallBound<decltype(&::DrawThemeText)>("DrawThemeText", theme, dc, partId, stateId, text, charCount,
                                                 textFlags, textFlags2, rect);
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, const AnsiString& text, DWORD textFlags,
                      DWORD textFlags2, const RECT* rect) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return dxUxTheme::DrawThemeText(theme, dc, partId, stateId, wide.c_str(), length, textFlags, textFlags2,
                                    rect);
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                                      RECT* contentRect) {
    return CallBound<decltype(&::GetThemeBackgroundContentRect)>("GetThemeBackgroundContentRect", theme, dc,
                                                                 partId, stateId, bounds, contentRect);
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE sizeKind,
                         SIZE* size) {
    return CallBound<decltype(&::GetThemePartSize)>("GetThemePartSize", theme, dc, partId, stateId,
                                                    const_cast<RECT*>(rect), sizeKind, size);
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, THEMESIZE sizeKind, SIZE* size) {
    return dxUxTheme::GetThemePartSize(theme, dc, partId, stateId, nullptr, sizeKind, size);
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 HRGN* region) {
    return CallBound<decltype(&::GetThemeBackgroundRegion)>("GetThemeBackgroundRegion", theme, dc, partId,
                                                            stateId, rect, region);
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                      UINT flags, RECT* contentRect) {
    return CallBound<decltype(&::DrawThemeEdge)>("DrawThemeEdge", theme, dc, partId, stateId, destRect, edge,
                                                 flags, contentRect);
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) {
    return CallBound<decltype(&::IsThemeBackgroundPartiallyTransparent)>(
        "IsThemeBackgroundPartiallyTransparent", theme, partId, stateId);
}

HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color) {
    return CallBound<decltype(&::GetThemeColor)>("GetThemeColor", theme, partId, stateId, propId, color);
}

HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) {
    // Some versions of the library leave another font selected.
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    HRESULT result = CallBound<decltype(&::DrawThemeParentBackground)>("DrawThemeParentBackground", window,
                                                                       dc, const_cast<RECT*>(rect));
    SelectObject(dc, font);
    return result;
}

HPAINTBUFFER BeginBufferedPaint(HDC targetDC, const RECT* target, BP_BUFFERFORMAT format,
                                BP_PAINTPARAMS* params, HDC* paintDC) {
    return CallBound<decltype(&::BeginBufferedPaint)>("BeginBufferedPaint", targetDC, target, format, params,
                                                      paintDC);
}

HRESULT EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget) {
    return CallBound<decltype(&::EndBufferedPaint)>("EndBufferedPaint", buffer, updateTarget);
}

HRESULT BufferedPaintSetAlpha(HPAINTBUFFER buffer, const RECT* rect, BYTE alpha) {
    return CallBound<decltype(&::BufferedPaintSetAlpha)>("BufferedPaintSetAlpha", buffer, rect, alpha);
}

} // namespace dxUxTheme

void ThemeBindingInitialize() {
    using namespace dxUxTheme;
    bool atLeastXP = IsOSAtLeastXP();
    InitCommonControls();
    if (!atLeastXP || library) return;
    library = LoadLibraryA("UxTheme.dll");
    if (!library) return;
    for (int i = 0; i < 52; ++i)
        entryPoints[i] = GetProcAddress(library, ThemeEntryPointNames[i]);
}

void ThemeBindingFinalize() {
    using namespace dxUxTheme;
    if (!library) return;
    FreeLibrary(library);
    library = nullptr;
    for (FARPROC& entry : entryPoints)
        entry = nullptr;
}
