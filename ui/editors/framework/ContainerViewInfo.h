#pragma once
// What a container computed for its current state (frame style, width, colour, sides, shadow,
// native theme data) and how it paints its frame and background; the window routines of the
// container unit that editors and popups use; the desktop-composition binding.
#include <functional>
#include <memory>

#include "platform/forms/Forms.h"
#include "ui/core/Canvas.h"
#include "ui/core/LookAndFeelPainters.h"
#include "ui/core/ThemeManager.h"
#include "ui/editors/framework/ContainerStyles.h"

enum TcxContainerStateItem { cstNormal, cstFocused, cstDisabled, cstHot };
using TcxContainerState = TSmallSet<TcxContainerStateItem>;

// Theme property ids the container reads.
constexpr int cxThemeBorderColorProperty = 3801; // TMT_BORDERCOLOR
constexpr int cxThemeFillColorProperty = 3802;   // TMT_FILLCOLOR
constexpr int cxShadowSize = 3;

class TcxContainerViewInfo : public TObject {
public:
    VZ_CLASS(TcxContainerViewInfo, TObject)
    TcxContainerViewInfo() { StateSet = TcxContainerState{cstNormal}; }

    TColor FillColor = clWindow;
    TColor FrameColor = clWindowFrame;
    TRect InnerRect{};
    TcxContainerBorderStyle FrameStyle = cbsNone;
    int FrameWidth = 0;
    TRect OuterRect{};
    TRect ContentRect{};
    TcxContainerState StateSet;
    TcxBorders FrameSides = cxBordersAll;
    uint8_t HotMode = 0; // 0 no hot tracking, 2 focused or hot, 1 otherwise
    int ThemePart = 0;
    int ThemeState = 0;
    bool UsesTheme = false;
    TcxCustomLookAndFeelPainterClass SkinPainter = nullptr;
    bool DropShadow = false;
    uint8_t ThemeClassKind = 0;

    virtual void DrawContainerBorder(TcxCanvas& canvas, const TRect& rect);
    virtual TcxContainerBorderStyle EffectiveBorderStyle() { return FrameStyle; }
    virtual void DrawContainer(TcxCanvas& canvas);
    virtual void AssignBackgroundColor(TColor color) { FillColor = color; }
    virtual void AssignFromViewInfo(TcxContainerViewInfo* other);
    // What to repaint against another view info: nothing here.
    virtual std::unique_ptr<TcxRegion> GetChangedRegion(TcxContainerViewInfo* other);
    virtual void ShiftRects(int dx, int dy);
    virtual void DrawOn(TcxCanvas& canvas) { DrawContainer(canvas); }

protected:
    // Through the platform theme: the content in FillColor, the band around it in the theme's
    // border colour; a failed theme call draws nothing.
    void DrawNativeContainer(TcxCanvas& canvas);
    void DrawBorderStyleContainer(TcxCanvas& canvas);
};
using TcxContainerViewInfoClass = std::function<std::unique_ptr<TcxContainerViewInfo>()>;

// ---------------------------------------------------------------------------------------------
// Window routines.
int GetContainerBorderWidth(TcxContainerBorderStyle style);
TRect GetControlBoundsRect(TControl* control);
// Moves each side that is NOT in edges inward by width.
void DeflateUnedgedSides(TRect& rect, int width, TcxBorders edges);
// The 3-pixel shadow right of and below rect, in clBtnShadow, taken out of the clip afterwards.
void DrawContainerShadow(TcxCanvas& canvas, const TRect& rect);
// Invalidates the four strips of rect outside inner (no erase).
void InvalidateRectOutside(HWND window, const TRect& rect, const TRect& inner);
// Gives the window the region (owned; nullptr: none wanted) only when it differs from the one it
// has; a region that is not set is deleted.
void SetWindowRegionIfChanged(HWND window, HRGN region);
bool IsNativeThemeActive(bool nativeStyle, TdxThemedObjectType objectType);
bool IsControlWindow(TWinControl* control, HWND window, bool withChildren);
// The control's window, one of its children, or a window owned by either.
bool IsChildOrPopupWindow(TWinControl* control, HWND window);
// Removes the pending messages of the range for the window: every one, or only the first.
void RemovePendingMessages(HWND window, UINT first, UINT last, bool all);
TPoint GetCursorScreenPos();
// Shift, Ctrl, Alt and the mouse buttons now.
TShiftState GetShiftStateFromKeyboard();
bool StringsEqual(const AnsiString& a, const AnsiString& b, bool caseSensitive);
void AssignFont(TFont& dest, const TFont& source);
HWND FindTopLevelAncestorWindow(HWND window);

// ---------------------------------------------------------------------------------------------
// The desktop-composition library and GetScrollBarInfo, bound at unit start.
bool IsDwmCompositionEnabled();
bool IsDwmLibraryBound();
// The bound entry point of that name (nullptr when absent); a test may replace one and put the
// previous back. Returns the previous.
FARPROC DwmEntryPoint(const char* name);
FARPROC SetDwmEntryPointForTest(const char* name, FARPROC proc);
// GetScrollBarInfo of User32, nullptr when the system has none.
using TGetScrollBarInfoProc = BOOL(WINAPI*)(HWND window, LONG objectId, PSCROLLBARINFO info);
TGetScrollBarInfoProc GetScrollBarInfoProc();
TGetScrollBarInfoProc SetGetScrollBarInfoProcForTest(TGetScrollBarInfoProc proc);

// Unit start: on Windows 6 or later the composition library and its entry points; unit end frees it.
void DesktopCompositionInitialize();
void DesktopCompositionFinalize();
// The container unit's start: GetScrollBarInfo looked up in User32.
void ContainerUnitInitialize();
void ContainerUnitFinalize();
