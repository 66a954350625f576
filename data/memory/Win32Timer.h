#pragma once
// TWin32Timer: calls OnTimer every Interval milliseconds through a window-message timer of its
// own hidden window, on the thread that created it. Ticks arrive only while that thread
// processes window messages.
#include "platform/core/Components.h"
#include "platform/core/Win.h"

class TWin32Timer : public TComponent {
public:
    VZ_CLASS(TWin32Timer, TComponent)
    explicit TWin32Timer(TComponent* owner);
    ~TWin32Timer() override;

    bool Enabled() const { return enabled_; }
    // Restarts the countdown only when the value changes.
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    // Always restarts the countdown.
    void SetOnTimer(TNotifyEvent handler);

    HWND WindowHandle() const { return window_; }

protected:
    virtual void DoTimer();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Stops the window timer and starts it again when it should run; raises EOutOfResources
    // "Not enough timers available" when the system refuses.
    void UpdateTimer();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    HWND window_ = nullptr;
};
