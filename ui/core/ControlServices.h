#pragma once
// Companions of the base control: key, mouse, text and window routines, the monitor work area,
// the settings controller, mouse-leave tracking and drag detection.
#include <memory>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "ui/core/WindowServices.h"

// ---------------------------------------------------------------------------------------------
// Keys and mouse state.
char VirtualKeyToChar(WORD key);
// MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL, MK_MBUTTON from the asynchronous key state.
WORD GetAsyncMouseKeys();
WORD ShiftStateToMouseKeys(TShiftState shift);
bool IsControlKeyDown();
// Digits, "+" and "-"; kind 1 adds the decimal separator, kind 2 also "e" and "E".
bool IsNumericInputChar(char ch, int kind);
bool IsNonControlChar(char ch);
WORD NormalizeKeyCode(WORD key);
// Drops every "&" and keeps the character after it ("&&" gives "&"); a trailing "&" becomes "_"
// with markTrailing, else it is dropped.
AnsiString StripAcceleratorMarks(const AnsiString& text, bool markTrailing);
WideString StripAcceleratorMarks(const WideString& text, bool markTrailing);
UINT GetSystemDoubleClickTime();

// ---------------------------------------------------------------------------------------------
// Windows and geometry.
// The cursor position, or (-1, -1) when the system cannot tell.
TPoint GetCursorPosOrInvalid();
// The work area of the monitor nearest the point (the desktop work area without monitor support).
TRect GetMonitorWorkAreaAt(TPoint point);
// Test seams: where the cursor position and the work areas come from (nullptr: the system).
using TCursorPosSource = bool (*)(TPoint& point);
using TWorkAreaSource = TRect (*)(TPoint point);
TCursorPosSource SetCursorPosSource(TCursorPosSource source);
TWorkAreaSource SetWorkAreaSource(TWorkAreaSource source);

bool HasChildWindowStyle(HWND window);
bool IsSameOrChildWindow(HWND parent, HWND window);
void MapPointBetweenWindows(HWND from, HWND to, TPoint& point);
void MapRectBetweenWindows(HWND from, HWND to, TRect& rect);
bool IsInsideDragThreshold(TPoint mouseDownPos, int x, int y);
// Whether the control has or can get a window: not while it is destroyed; a form when the
// application has its window; any other control when a parent up the chain has or can get one.
bool CanCreateWindowHandle(TWinControl* control);
// At design time, tells the designer of the control's form that the form was modified.
void NotifyFormDesigner(TControl* control);

// ---------------------------------------------------------------------------------------------
// Popup menus. A component may offer its own popup behaviour through this interface.
class IcxPopupMenu {
public:
    virtual ~IcxPopupMenu() = default;
    virtual bool IsShortCutKey(TShortCut shortCut) = 0;
    virtual void Popup(int x, int y) = 0;
};

// False for nullptr; the interface answers, else a TPopupMenu with a command window.
bool IsPopupMenuShortCut(TComponent* menu, TShortCut shortCut);
// Pops the menu up at the screen point for control; false when nothing popped up.
bool ShowComponentPopupMenu(TComponent* control, TComponent* menu, int x, int y);

// ---------------------------------------------------------------------------------------------
// Settings controller: passes the system's metric changes to every registered control.
constexpr UINT DXM_NCSIZECHANGED = 0x8065;

class TcxSettingsController : public TObject {
public:
    VZ_CLASS(TcxSettingsController, TObject)
    TcxSettingsController() = default;
    ~TcxSettingsController() override;

    // Once per control; the first one makes the hidden window, the last one out frees it.
    void AddControl(TWinControl* control);
    void RemoveControl(TWinControl* control);
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    HWND Handle() const { return window_ ? window_->Handle() : nullptr; }

protected:
    virtual void WndProc(TMessage& message);

private:
    class TWindow;
    std::vector<TWinControl*> controls_;
    std::unique_ptr<TcxMessageWindow> window_;
};

TcxSettingsController* GetSettingsController();
void FreeSettingsController();

// ---------------------------------------------------------------------------------------------
// Mouse-leave tracking: a 10 ms timer per caller watches the cursor.

// Told when the mouse has left.
class IcxMouseTrackingCaller {
public:
    virtual ~IcxMouseTrackingCaller() = default;
    virtual void MouseLeave() = 0;
};

// A caller that decides itself which client points still belong to it.
class IcxMouseTrackingHitTest {
public:
    virtual ~IcxMouseTrackingHitTest() = default;
    virtual bool PtInCaller(const TPoint& clientPoint) = 0;
};

class TMouseTrackingTimer : public TcxTimer {
public:
    VZ_CLASS(TMouseTrackingTimer, TcxTimer)
    TMouseTrackingTimer(TWinControl* control, const TRect& bounds, IcxMouseTrackingCaller* caller);

    TWinControl* Control;
    TRect Bounds; // screen coordinates
    IcxMouseTrackingCaller* Caller;

    // One check of the cursor, as each tick does.
    void Tick();

protected:
    void TimerEvent() override { Tick(); }
};

// bounds are in the control's client coordinates (screen coordinates without a control).
void StartMouseLeaveTracking(TWinControl* control, const TRect& bounds, IcxMouseTrackingCaller* caller);
bool IsMouseLeaveTracking(IcxMouseTrackingCaller* caller);
void StopMouseLeaveTracking(IcxMouseTrackingCaller* caller);
int MouseTrackingCount();
// The timer of a caller (for tests that tick it by hand); nullptr when it is not tracked.
TMouseTrackingTimer* FindMouseTrackingTimer(IcxMouseTrackingCaller* caller);
void FreeMouseTrackingList();

// ---------------------------------------------------------------------------------------------
// Captures the mouse and waits: 0 when a button is released, 1 when the mouse leaves the drag
// square around where it started, 2 on Esc or when the capture is lost.
int DetectDragMove(HWND window);
