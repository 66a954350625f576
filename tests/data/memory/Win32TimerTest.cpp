// The timer under real WM_TIMER messages: this thread pumps them, with short intervals and
// generous limits so that a busy machine does not decide the outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "data/memory/Win32Timer.h"
#include "platform/core/Win32Boundary.h"

namespace {

// Pumps this thread's messages for up to ms, or until done answers true. Returns
// the WM_TIMER messages seen for window (dispatched or not).
int Pump(HWND window, DWORD ms, const std::function<bool()>& done = nullptr,
         const std::function<void()>& between = nullptr) {
    int timerMessages = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == window) ++timerMessages;
            DispatchMessageA(&msg);
        }
        if (done && done()) break;
        if (between) between();
        Sleep(2);
    }
    return timerMessages;
}

// Drops the ticks already queued, so that a later count starts clean.
void Drain(HWND window) {
    MSG msg;
    while (PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
}

} // namespace

TEST(Win32TimerTest, DefaultsAndNoTickWithoutHandler) {
    TWin32Timer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(1000u, timer.Interval());
    ASSERT_NE(nullptr, timer.WindowHandle());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&timer), GetWindowLongPtrA(timer.WindowHandle(), GWLP_USERDATA));

    timer.SetInterval(10);
    EXPECT_EQ(0, Pump(timer.WindowHandle(), 250));

    // The handler starts it with the interval already set.
    int ticks = 0;
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(&timer, sender);
        ++ticks;
    });
    Pump(timer.WindowHandle(), 5000, [&] { return ticks >= 3; });
    EXPECT_GE(ticks, 3);
}

TEST(Win32TimerTest, IntervalZeroAndDisabledStopIt) {
    TWin32Timer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    Pump(timer.WindowHandle(), 5000, [&] { return ticks >= 1; });
    ASSERT_GE(ticks, 1);

    struct Case {
        const char* what;
        std::function<void()> stop, start;
    } cases[] = {
        {"Interval 0", [&] { timer.SetInterval(0); }, [&] { timer.SetInterval(10); }},
        {"Enabled off", [&] { timer.SetEnabled(false); }, [&] { timer.SetEnabled(true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.stop();
        Drain(timer.WindowHandle());
        ticks = 0;
        EXPECT_EQ(0, Pump(timer.WindowHandle(), 250));
        EXPECT_EQ(0, ticks);
        c.start();
        Pump(timer.WindowHandle(), 5000, [&] { return ticks >= 2; });
        EXPECT_GE(ticks, 2);
    }
}

TEST(Win32TimerTest, UnchangedEnabledKeepsTheCountdownAndOnTimerRestartsIt) {
    const DWORD interval = 250;
    // Re-setting every few milliseconds: a restart each time would never let the timer expire.
    auto run = [&](const std::function<void(TWin32Timer&)>& poke, bool& calm) {
        TWin32Timer timer(nullptr);
        int ticks = 0;
        TNotifyEvent handler = [&](TObject*) { ++ticks; };
        timer.SetInterval(interval);
        timer.SetOnTimer(handler);
        DWORD last = GetTickCount();
        DWORD widestGap = 0;
        Pump(timer.WindowHandle(), 3 * interval, nullptr, [&] {
            poke(timer);
            DWORD now = GetTickCount();
            widestGap = std::max(widestGap, now - last);
            last = now;
        });
        calm = widestGap < interval / 2;
        return ticks;
    };
    bool calm = true;
    EXPECT_GE(run([](TWin32Timer& t) { t.SetEnabled(true); }, calm), 1);
    EXPECT_GE(run([](TWin32Timer& t) { t.SetInterval(interval); }, calm), 1);
    int restarted = run([&](TWin32Timer& t) { t.SetOnTimer(t.OnTimer()); }, calm);
    // Only meaningful when the machine let us poke often enough.
    if (calm) {
        EXPECT_EQ(0, restarted);
    }
}

TEST(Win32TimerTest, RaisingHandlerReachesTheApplicationHandlerAndTicksGoOn) {
    std::vector<AnsiString> reported;
    TApplicationExceptionHandler previous =
        SetApplicationExceptionHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    {
        TWin32Timer timer(nullptr);
        int ticks = 0;
        timer.SetInterval(10);
        timer.SetOnTimer([&](TObject*) {
            ++ticks;
            throw Exception("tick failed");
        });
        Pump(timer.WindowHandle(), 5000, [&] { return ticks >= 3; });
        EXPECT_GE(ticks, 3);
        EXPECT_EQ(static_cast<size_t>(ticks), reported.size());
        EXPECT_EQ("tick failed", reported.front());
        // The message result of a handled tick.
        EXPECT_EQ(1, SendMessageA(timer.WindowHandle(), WM_TIMER, 1, 0));
    }
    SetApplicationExceptionHandler(previous);
}

TEST(Win32TimerTest, TakesOverAClassOfItsNameWithAnotherProcedure) {
    HWND first;
    {
        TWin32Timer timer(nullptr);
        first = timer.WindowHandle();
    }
    EXPECT_FALSE(IsWindow(first));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VzWin32TimerWindow";
    ASSERT_FALSE(RegisterClassA(&wc)); // still registered by the first timer
    UnregisterClassA("VzWin32TimerWindow", wc.hInstance);
    ASSERT_TRUE(RegisterClassA(&wc));

    TWin32Timer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    Pump(timer.WindowHandle(), 5000, [&] { return ticks >= 1; });
    EXPECT_GE(ticks, 1);
}
