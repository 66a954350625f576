#include "data/memory/Win32Timer.h"

#include "platform/core/Win32Boundary.h"

namespace {
const char* const timerClassName = "VzWin32TimerWindow";
constexpr UINT_PTR timerId = 1;
} // namespace

TWin32Timer::TWin32Timer(TComponent* owner) : TComponent(owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing = {};
    bool registered = GetClassInfoA(instance, timerClassName, &existing) != 0;
    if (registered && existing.lpfnWndProc != &TWin32Timer::WindowProc) {
        // A class of our name with someone else's procedure would route ticks elsewhere.
        UnregisterClassA(timerClassName, instance);
        registered = false;
    }
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &TWin32Timer::WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = timerClassName;
        if (!RegisterClassA(&wc)) RaiseLastOSError();
    }
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, timerClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance, nullptr);
    if (!window_) RaiseLastOSError();
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWin32Timer::~TWin32Timer() {
    enabled_ = false;
    if (window_) {
        KillTimer(window_, timerId);
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TWin32Timer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TWin32Timer::SetInterval(unsigned value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TWin32Timer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TWin32Timer::UpdateTimer() {
    KillTimer(window_, timerId);
    if (interval_ != 0 && enabled_ && onTimer_) {
        if (SetTimer(window_, timerId, interval_, nullptr) == 0)
            throw EOutOfResources("Not enough timers available");
    }
}

void TWin32Timer::DoTimer() {
    if (onTimer_) onTimer_(this);
}

LRESULT CALLBACK TWin32Timer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER) return DefWindowProcA(window, message, wParam, lParam);
    auto* timer = reinterpret_cast<TWin32Timer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // A handler error goes to the application's handler; the timer keeps running.
    if (timer) GuardedCall([timer] { timer->DoTimer(); });
    return 1;
}
