#pragma once
// Window-level services shared by controls and skins: hidden message windows, the system
// controller that keeps Synchronize working inside a library, timers on one shared window, and
// the unit's start (cursors, registered messages) and end.
#include <functional>
#include <vector>

#include "platform/core/Components.h"
#include "platform/core/UtilWindow.h"

// An object owning a hidden window whose messages go to its virtual WndProc.
class TcxMessageWindow : public TObject {
public:
    VZ_CLASS(TcxMessageWindow, TObject)
    TcxMessageWindow();
    ~TcxMessageWindow() override;
    HWND Handle() const { return handle_; }

protected:
    // The base answers every message with DefWindowProc.
    virtual void WndProc(TMessage& message);

private:
    HWND handle_ = nullptr;
};

constexpr UINT DXM_SYNCHRONIZE = 0x8066;

// In a library module, routes the platform's WakeMainThread to its window, whose message runs
// CheckSynchronize: a DLL has no main-thread idle processing of its own.
class TcxSystemController : public TcxMessageWindow {
public:
    VZ_CLASS(TcxSystemController, TcxMessageWindow)
    explicit TcxSystemController(bool library);
    ~TcxSystemController() override;

protected:
    void WndProc(TMessage& message) override;

private:
    bool library_;
    std::function<void()> prevWakeMainThread_;
};

// The shared hidden window, made on first use; nullptr once the unit is finalising.
TcxMessageWindow* GetSharedMessageWindow();

// A timer component. Every timer uses the one hidden timer window and its own address as the
// timer identifier, so any number of them need no window of their own.
class TcxTimer : public TComponent {
public:
    VZ_CLASS(TcxTimer, TComponent)
    explicit TcxTimer(TComponent* owner = nullptr);
    ~TcxTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    // 0 is ignored.
    void SetInterval(unsigned value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    // Any assignment restarts the timer.
    void SetOnTimer(TNotifyEvent handler);
    // An operating-system timer exists.
    bool TimerOn() const { return timerOn_; }

protected:
    virtual void TimerEvent();
    bool CanStart() const;

private:
    friend class TcxTimerWindow;
    void Restart();
    void Stop();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    bool timerOn_ = false;
};

// The window of all timers (for tests: where WM_TIMER arrives); nullptr before the first timer.
HWND GetTimerWindowHandle();

// Operating-system version flags and the registered messages the skins use.
extern UINT CM_REFUSESKINNING;    // "{B2CE3777-44D8-4998-9701-47BBBC10B656}"
extern UINT CM_REEVALUATEPAINTER; // "{B2CE3777-44D8-1321-4656-12C54AA613BB}"

// Cursor ids of the library in the screen's cursor table.
enum : int {
    crDragCopy = 2100,
    crFullScroll,
    crHorScroll,
    crVerScroll,
    crUpScroll,
    crRightScroll,
    crDownScroll,
    crLeftScroll,
    crRemove,
    crVertSize,
    crHorzSize,
    crMultiDrag,
    crNoDrop,
    crDrag,
    crColorPicker,
    crHandPoint = -2099,
};

bool WindowServicesFinalizing();
// Whether the module is a library (a test can force it before the unit starts).
void SetLibraryModuleForTest(bool library);
HMODULE User32Module();

void WindowServicesInitialize();
void WindowServicesFinalize();
