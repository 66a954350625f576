#include "ui/editors/framework/ContainerViewInfo.h"

#include "ui/editors/framework/ContainerPopup.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/core/Strings.h"
#include "ui/core/ControlServices.h"
#include "ui/core/ThemeBinding.h"

// ---------------------------------------------------------------------------------------------
// TcxContainerViewInfo

void TcxContainerViewInfo::AssignFromViewInfo(TcxContainerViewInfo* other) {
    if (other) ContentRect = other->ContentRect;
}

std::unique_ptr<TcxRegion> TcxContainerViewInfo::GetChangedRegion(TcxContainerViewInfo*) {
    return TcxRegion::CreateEmpty();
}

void TcxContainerViewInfo::ShiftRects(int dx, int dy) {
    OffsetRect(&InnerRect, dx, dy);
    OffsetRect(&OuterRect, dx, dy);
    OffsetRect(&ContentRect, dx, dy);
}

void TcxContainerViewInfo::DrawContainer(TcxCanvas& canvas) {
    if (UsesTheme)
        DrawNativeContainer(canvas);
    else
        DrawBorderStyleContainer(canvas);
}

void TcxContainerViewInfo::DrawBorderStyleContainer(TcxCanvas& canvas) {
    // The frame rectangle: the right and bottom sides grow only where there is an edge, so the
    // shadow hugs the frame that is drawn.
    TRect r = InnerRect;
    r.left -= FrameWidth;
    r.top -= FrameWidth;
    if (FrameSides.Contains(bRight)) r.right += FrameWidth;
    if (FrameSides.Contains(bBottom)) r.bottom += FrameWidth;
    if (DropShadow) DrawContainerShadow(canvas, r);
    if (!FrameSides.Contains(bRight)) r.right += FrameWidth;
    if (!FrameSides.Contains(bBottom)) r.bottom += FrameWidth;
    DrawContainerBorder(canvas, r);
    canvas.FillRectColor(InnerRect, FillColor);
}

void TcxContainerViewInfo::DrawContainerBorder(TcxCanvas& canvas, const TRect& rect) {
    if (SkinPainter || FrameStyle == cbsSingle || FrameStyle == cbsThick) {
        canvas.DrawRectFrame(rect, FrameColor, FrameWidth);
        return;
    }
    if (FrameStyle != cbsFlat && FrameStyle != cbs3D) return;
    canvas.DrawTwoColorFrame(rect, clBtnShadow, clBtnHighlight, FrameSides);
    TRect inner = rect;
    InflateRect(&inner, -1, -1);
    if (FrameStyle == cbsFlat)
        canvas.DrawRectFrame(inner, clBtnFace);
    else
        canvas.DrawTwoColorFrame(inner, cl3DDkShadow, cl3DLight, FrameSides);
}

void TcxContainerViewInfo::DrawNativeContainer(TcxCanvas& canvas) {
    if (FrameStyle == cbsNone) {
        canvas.FillRectColor(OuterRect, FillColor);
        return;
    }
    HTHEME theme = OpenCachedTheme(static_cast<TdxThemedObjectType>(ThemeClassKind));
    if (!theme) return;
    RECT content{};
    if (FAILED(dxUxTheme::GetThemeBackgroundContentRect(theme, canvas.Handle(), 1, ThemeState, &OuterRect,
                                                         &content)))
        return;
    const bool composition = IsDwmCompositionEnabled();
    HTHEME borderTheme = OpenCachedTheme(composition ? totListBox : totComboBox);
    COLORREF border = 0;
    if (!borderTheme || FAILED(dxUxTheme::GetThemeColor(borderTheme, composition ? 3 : 1, 1,
                                                        cxThemeBorderColorProperty, &border)))
        return;
    canvas.FillRectColor(content, FillColor);
    canvas.PushClipRegion();
    canvas.ExcludeFromClip(content);
    canvas.FillRectColor(OuterRect, static_cast<TColor>(border));
    canvas.PopClipRegion();
}

// ---------------------------------------------------------------------------------------------
// Window routines

int GetContainerBorderWidth(TcxContainerBorderStyle style) {
    static const int widths[] = {0, 1, 2, 2, 2, 1, 1};
    return widths[style];
}

TRect GetControlBoundsRect(TControl* control) {
    return TRect{0, 0, control->Width(), control->Height()};
}

void DeflateUnedgedSides(TRect& rect, int width, TcxBorders edges) {
    if (!edges.Contains(bLeft)) rect.left += width;
    if (!edges.Contains(bTop)) rect.top += width;
    if (!edges.Contains(bRight)) rect.right -= width;
    if (!edges.Contains(bBottom)) rect.bottom -= width;
}

void DrawContainerShadow(TcxCanvas& canvas, const TRect& rect) {
    const TRect bottom{rect.left + cxShadowSize, rect.bottom, rect.right, rect.bottom + cxShadowSize};
    const TRect right{rect.right, rect.top + cxShadowSize, rect.right + cxShadowSize, rect.bottom + cxShadowSize};
    canvas.FillRectColor(bottom, clBtnShadow);
    canvas.FillRectColor(right, clBtnShadow);
    canvas.ExcludeFromClip(bottom);
    canvas.ExcludeFromClip(right);
}

void InvalidateRectOutside(HWND window, const TRect& rect, const TRect& inner) {
    if (!window) return;
    const TRect strips[] = {
        {rect.left, rect.top, inner.left, rect.bottom},
        {inner.left, rect.top, inner.right, inner.top},
        {inner.right, rect.top, rect.right, rect.bottom},
        {inner.left, inner.bottom, inner.right, rect.bottom},
    };
    for (const TRect& strip : strips)
        if (!IsRectEmpty(&strip)) InvalidateRect(window, &strip, FALSE);
}

void SetWindowRegionIfChanged(HWND window, HRGN region) {
    if (!window || !IsWindow(window)) {
        if (region) DeleteObject(region);
        return;
    }
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    const bool hasCurrent = GetWindowRgn(window, current) != ERROR;
    const bool same = region ? hasCurrent && EqualRgn(region, current) : !hasCurrent;
    DeleteObject(current);
    if (same) {
        if (region) DeleteObject(region);
        return;
    }
    // The window owns the region from here.
    SetWindowRgn(window, region, TRUE);
}

bool IsNativeThemeActive(bool nativeStyle, TdxThemedObjectType objectType) {
    return nativeStyle && OpenCachedTheme(objectType) != nullptr;
}

bool IsControlWindow(TWinControl* control, HWND window, bool withChildren) {
    if (!control || !control->HandleAllocated() || !window) return false;
    HWND own = control->Handle();
    return window == own || (withChildren && IsChild(own, window));
}

bool IsChildOrPopupWindow(TWinControl* control, HWND window) {
    if (!control || !control->HandleAllocated()) return false;
    HWND own = control->Handle();
    for (HWND w = window; w; w = GetWindow(w, GW_OWNER)) {
        if (w == own || IsChild(own, w)) return true;
        if (HasChildWindowStyle(w)) w = GetAncestor(w, GA_ROOT);
        if (w == own) return true;
    }
    return false;
}

void RemovePendingMessages(HWND window, UINT first, UINT last, bool all) {
    MSG msg;
    while (PeekMessageA(&msg, window, first, last, PM_REMOVE))
        if (!all) break;
}

TPoint GetCursorScreenPos() {
    return GetCursorPosOrInvalid();
}

TShiftState GetShiftStateFromKeyboard() {
    TShiftState shift = KeyboardShiftState();
    if (GetKeyState(VK_LBUTTON) < 0) shift.Include(ssLeft);
    if (GetKeyState(VK_RBUTTON) < 0) shift.Include(ssRight);
    if (GetKeyState(VK_MBUTTON) < 0) shift.Include(ssMiddle);
    return shift;
}

bool StringsEqual(const AnsiString& a, const AnsiString& b, bool caseSensitive) {
    return caseSensitive ? a == b : AnsiSameText(a, b);
}

void AssignFont(TFont& dest, const TFont& source) {
    dest.Assign(source);
}

HWND FindTopLevelAncestorWindow(HWND window) {
    while (window && HasChildWindowStyle(window))
        window = GetParent(window);
    return window;
}

// ---------------------------------------------------------------------------------------------
// Desktop composition

namespace {

const char* const DwmEntryPointNames[] = {
    "DwmDefWindowProc",           "DwmEnableBlurBehindWindow", "DwmEnableComposition",
    "DwmEnableMMCSS",             "DwmExtendFrameIntoClientArea", "DwmGetColorizationColor",
    "DwmGetWindowAttribute",      "DwmIsCompositionEnabled",   "DwmSetWindowAttribute",
};

struct TDwmBinding {
    HMODULE library = nullptr;
    std::map<std::string, FARPROC> entries;
    TGetScrollBarInfoProc getScrollBarInfo = nullptr;
};

TDwmBinding& Binding() {
    static TDwmBinding binding;
    return binding;
}

} // namespace

bool IsDwmLibraryBound() {
    return Binding().library != nullptr;
}

FARPROC DwmEntryPoint(const char* name) {
    auto it = Binding().entries.find(name);
    return it == Binding().entries.end() ? nullptr : it->second;
}

FARPROC SetDwmEntryPointForTest(const char* name, FARPROC proc) {
    FARPROC previous = DwmEntryPoint(name);
    Binding().entries[name] = proc;
    return previous;
}

bool IsDwmCompositionEnabled() {
    // A library without the entry point counts as no composition, never as a call through null.
    if (!IsDwmLibraryBound()) return false;
    using TProc = HRESULT(WINAPI*)(BOOL*);
    auto proc = reinterpret_cast<TProc>(reinterpret_cast<void*>(DwmEntryPoint("DwmIsCompositionEnabled")));
    if (!proc) return false;
    BOOL enabled = FALSE;
    return SUCCEEDED(proc(&enabled)) && enabled;
}

TGetScrollBarInfoProc GetScrollBarInfoProc() {
    return Binding().getScrollBarInfo;
}

TGetScrollBarInfoProc SetGetScrollBarInfoProcForTest(TGetScrollBarInfoProc proc) {
    TGetScrollBarInfoProc previous = Binding().getScrollBarInfo;
    Binding().getScrollBarInfo = proc;
    return previous;
}

void DesktopCompositionInitialize() {
    TDwmBinding& binding = Binding();
    DWORD major = 0, minor = 0;
    dxUxTheme::GetWindowsVersion(major, minor);
    if (major < 6) return;
    binding.library = LoadLibraryA("dwmapi.dll");
    if (!binding.library) return;
    for (const char* name : DwmEntryPointNames)
        binding.entries[name] = GetProcAddress(binding.library, name);
}

void DesktopCompositionFinalize() {
    TDwmBinding& binding = Binding();
    binding.entries.clear();
    if (binding.library) FreeLibrary(binding.library);
    binding.library = nullptr;
}

void ContainerUnitInitialize() {
    PopupHooksInitialize();
    if (HMODULE user = GetModuleHandleA("User32"))
        Binding().getScrollBarInfo = reinterpret_cast<TGetScrollBarInfoProc>(
            reinterpret_cast<void*>(GetProcAddress(user, "GetScrollBarInfo")));
}

void ContainerUnitFinalize() {
    PopupHooksFinalize();
    Binding().getScrollBarInfo = nullptr;
}
