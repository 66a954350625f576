#pragma once
// Real windows for the control tests: a borderless form at a known place, mouse messages sent to
// a control's window, the cursor and metrics seams, and timer ticks sent to the timer window.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/forms/Forms.h"
#include "ui/core/ControlServices.h"
#include "ui/core/Geometry.h"
#include "ui/core/WindowServices.h"

inline bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

class THostForm : public TForm {
public:
    THostForm() : TForm(nullptr) {
        SetBorderStyle(bsNone);
        SetBounds(60, 60, 500, 400);
        Handle();
    }
};

inline LPARAM PointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}
inline void SendMouse(TWinControl& control, UINT message, int x, int y, WPARAM keys = 0) {
    SendMessageA(control.Handle(), message, keys, PointParam(x, y));
}

// The cursor where a test puts it (screen coordinates).
class TCursorAt {
public:
    explicit TCursorAt(TPoint at) : previous_(SetCursorPosSource(&Source)) { Point() = at; }
    ~TCursorAt() { SetCursorPosSource(previous_); }
    void MoveTo(TPoint at) { Point() = at; }
    static TPoint& Point() {
        static TPoint point;
        return point;
    }

private:
    static bool Source(TPoint& p) {
        p = Point();
        return true;
    }
    TCursorPosSource previous_;
};

// Scroll-bar metrics fixed at 17 pixels, whatever the system says.
class TFixedMetrics {
public:
    TFixedMetrics() : previous_(SetSystemMetricsSource(&Source)) {}
    ~TFixedMetrics() { SetSystemMetricsSource(previous_); }
    static int& Thickness() {
        static int value = 17;
        return value;
    }

private:
    static int Source(int index) {
        switch (index) {
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CXHTHUMB:
        case SM_CYVTHUMB:
            return Thickness();
        default:
            return -1;
        }
    }
    TSystemMetricsSource previous_;
};

// One tick of a library timer, as the system would deliver it.
inline void TickTimer(TcxTimer& timer) {
    SendMessageA(GetTimerWindowHandle(), WM_TIMER, reinterpret_cast<WPARAM>(&timer), 0);
}

// Handles what is queued for the thread.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (IsKeyMessageConsumed(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
