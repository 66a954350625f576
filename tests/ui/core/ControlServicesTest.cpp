#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ui/core/ControlServices.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Threads.h"
#include "ui/core/GraphicsRoutines.h"

#include <thread>

namespace {
// Pumps the thread's messages for a while or until done says so.
template <class F> void PumpUntil(F done, DWORD timeoutMs = 2000) {
    DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!done()) Sleep(1);
    }
}

void Pump() {
    PumpUntil([] { return false; }, 30);
}

// A borderless form at a known place that logs the private messages it gets.
class TLoggingForm : public TForm {
public:
    TLoggingForm() : TForm(nullptr) {
        SetBorderStyle(bsNone);
        SetBounds(100, 100, 200, 150);
        Handle();
    }
    std::string log;
    std::function<void()> onMouseLeave;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == CM_MOUSELEAVE) {
            log += lParam == reinterpret_cast<LPARAM>(this) ? "cm-leave " : "cm-leave(?) ";
            if (onMouseLeave) onMouseLeave();
            return 0;
        }
        if (message == DXM_NCSIZECHANGED) {
            log += "nc-size ";
            return 0;
        }
        return TForm::WndProc(message, wParam, lParam);
    }
};

TPoint seamCursor{0, 0};
bool SeamCursor(TPoint& point) {
    point = seamCursor;
    return true;
}

class CursorSeam {
public:
    explicit CursorSeam(TPoint at) : previous_(SetCursorPosSource(SeamCursor)) { seamCursor = at; }
    ~CursorSeam() { SetCursorPosSource(previous_); }

private:
    TCursorPosSource previous_;
};
} // namespace

TEST(ControlText, StripAcceleratorMarksAndNumericInput) {
    EXPECT_EQ(StripAcceleratorMarks(AnsiString("a&&b&c&"), true), "a&bc_");
    EXPECT_EQ(StripAcceleratorMarks(AnsiString("a&&b&c&"), false), "a&bc");
    EXPECT_EQ(StripAcceleratorMarks(WideString(L"a&&b&c&"), true), L"a&bc_");
    EXPECT_EQ(StripAcceleratorMarks(WideString(L"&"), false), L"");
    EXPECT_EQ(StripAcceleratorMarks(AnsiString("plain"), true), "plain");

    const char separator = FormatSettings().DecimalSeparator;
    struct {
        char ch;
        bool kind0, kind1, kind2;
    } cases[] = {
        {'7', true, true, true},        {'+', true, true, true},    {'-', true, true, true},
        {separator, false, true, true}, {'e', false, false, true},  {'E', false, false, true},
        {'x', false, false, false},     {' ', false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ch);
        EXPECT_EQ(IsNumericInputChar(c.ch, 0), c.kind0);
        EXPECT_EQ(IsNumericInputChar(c.ch, 1), c.kind1);
        EXPECT_EQ(IsNumericInputChar(c.ch, 2), c.kind2);
        EXPECT_EQ(IsNumericInputChar(c.ch, 5), c.kind0);
    }
}

TEST(ControlGeometry, DragThresholdIsExclusive) {
    Mouse().DragThreshold = 5;
    const TPoint down{50, 60};
    struct {
        int x, y;
        bool inside;
    } cases[] = {{54, 60, true},  {46, 64, true},  {55, 60, false},
                 {50, 65, false}, {45, 56, false}, {50, 60, true}};
    for (const auto& c : cases)
        EXPECT_EQ(IsInsideDragThreshold(down, c.x, c.y), c.inside) << c.x << "," << c.y;
}

// ---------------------------------------------------------------------------------------------
TEST(CxTimer, StartsOnlyWithAHandlerAndIgnoresLateMessages) {
    TcxTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.TimerOn()); // no OnTimer: no system timer
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.TimerOn());

    int fired = 0;
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++fired;
    });
    EXPECT_TRUE(timer.TimerOn());
    timer.SetInterval(0);
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_TRUE(timer.TimerOn());

    // A WM_TIMER of a timer that was killed while the message waited is dropped.
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.TimerOn());
    PostMessageA(GetTimerWindowHandle(), WM_TIMER, reinterpret_cast<WPARAM>(&timer), 0);
    Pump();
    EXPECT_EQ(fired, 0);

    // A real one fires.
    timer.SetInterval(10);
    timer.SetEnabled(true);
    PumpUntil([&] { return fired >= 2; });
    EXPECT_GE(fired, 2);
}

namespace {
// Globals, not captures: after the timer is freed the handler reads nothing it captured, so that
// the test itself stays sound when the fault it looks for is there.
bool handlerStateAlive = false;
bool aliveAfterFree = false;
int freedTimerFired = 0;
TcxTimer* selfFreeingTimer = nullptr;

// Clears the flag when the last copy of the handler that holds it goes.
struct THandlerState {
    THandlerState() { handlerStateAlive = true; }
    ~THandlerState() { handlerStateAlive = false; }
};
} // namespace

TEST(CxTimer, FreedFromItsOwnHandlerFinishesTheHandlerSafely) {
    selfFreeingTimer = new TcxTimer();
    selfFreeingTimer->SetInterval(10);
    auto state = std::make_shared<THandlerState>();
    selfFreeingTimer->SetOnTimer([state](TObject*) {
        ++freedTimerFired;
        delete selfFreeingTimer;
        selfFreeingTimer = nullptr;
        // The handler's own captures must outlive the timer that ran it.
        aliveAfterFree = handlerStateAlive;
    });
    state.reset();
    ASSERT_TRUE(handlerStateAlive);
    TcxTimer* sent = selfFreeingTimer;
    SendMessageA(GetTimerWindowHandle(), WM_TIMER, reinterpret_cast<WPARAM>(sent), 0);
    EXPECT_EQ(freedTimerFired, 1);
    EXPECT_EQ(selfFreeingTimer, nullptr);
    EXPECT_TRUE(aliveAfterFree);
    EXPECT_FALSE(handlerStateAlive); // gone with the handler's last copy
    // A late message for the freed timer is dropped.
    SendMessageA(GetTimerWindowHandle(), WM_TIMER, reinterpret_cast<WPARAM>(sent), 0);
    EXPECT_EQ(freedTimerFired, 1);
}

TEST(CxTimer, ManyTimersShareOneWindow) {
    int a = 0, b = 0;
    TcxTimer first, second;
    first.SetInterval(10);
    second.SetInterval(15);
    first.SetOnTimer([&](TObject*) { ++a; });
    second.SetOnTimer([&](TObject*) { ++b; });
    PumpUntil([&] { return a > 0 && b > 0; });
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(GetTimerWindowHandle(), nullptr);
}

// ---------------------------------------------------------------------------------------------
namespace {
class TCaller : public IcxMouseTrackingCaller {
public:
    std::string* log = nullptr;
    std::function<void()> onLeave;
    void MouseLeave() override {
        if (log) *log += "leave ";
        if (onLeave) onLeave();
    }
};

class THitTestCaller : public TCaller, public IcxMouseTrackingHitTest {
public:
    TRect area{};
    bool PtInCaller(const TPoint& clientPoint) override { return PtInRect(&area, clientPoint) != FALSE; }
};
} // namespace

TEST(MouseTracking, LeavingSendsMouseLeaveThenCallsTheCaller) {
    TLoggingForm form;
    TCaller caller;
    caller.log = &form.log;
    CursorSeam cursor({150, 150}); // client (50, 50)
    StartMouseLeaveTracking(&form, Rect(10, 10, 100, 100), &caller);
    StartMouseLeaveTracking(&form, Rect(10, 10, 100, 100), &caller);
    EXPECT_EQ(MouseTrackingCount(), 1);
    TMouseTrackingTimer* timer = FindMouseTrackingTimer(&caller);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Bounds.left, 110); // screen coordinates
    EXPECT_EQ(timer->Interval(), 10u);

    timer->Tick();
    EXPECT_TRUE(IsMouseLeaveTracking(&caller));
    EXPECT_EQ(form.log, "");

    seamCursor = {150, 205}; // client (50, 105): outside the bounds, inside the client area
    timer->Tick();
    EXPECT_EQ(form.log, "leave ");
    EXPECT_FALSE(IsMouseLeaveTracking(&caller));

    form.log.clear();
    StartMouseLeaveTracking(&form, Rect(10, 10, 100, 100), &caller);
    seamCursor = {400, 400}; // outside the form too
    FindMouseTrackingTimer(&caller)->Tick();
    EXPECT_EQ(form.log, "cm-leave leave ");
    EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST(MouseTracking, HitTestCallersDecideThemselves) {
    TLoggingForm form;
    THitTestCaller caller;
    caller.log = &form.log;
    caller.area = Rect(0, 0, 20, 20);
    CursorSeam cursor({150, 150}); // client (50, 50): inside the bounds, outside the hit-test area
    StartMouseLeaveTracking(&form, Rect(0, 0, 200, 150), &caller);
    seamCursor = {105, 105};
    FindMouseTrackingTimer(&caller)->Tick();
    EXPECT_TRUE(IsMouseLeaveTracking(&caller));
    seamCursor = {150, 150};
    FindMouseTrackingTimer(&caller)->Tick();
    EXPECT_EQ(form.log, "leave ");
    EXPECT_FALSE(IsMouseLeaveTracking(&caller));

    // Without a control (bounds in screen coordinates) a hit-test caller has nothing to ask: it left.
    form.log.clear();
    caller.area = Rect(-1000, -1000, 1000, 1000);
    StartMouseLeaveTracking(nullptr, Rect(0, 0, 400, 400), &caller);
    EXPECT_EQ(FindMouseTrackingTimer(&caller)->Bounds.right, 400);
    FindMouseTrackingTimer(&caller)->Tick();
    EXPECT_EQ(form.log, "leave ");

    // A plain caller without a control follows the screen bounds alone.
    TCaller plain;
    plain.log = &form.log;
    StartMouseLeaveTracking(nullptr, Rect(0, 0, 400, 400), &plain);
    FindMouseTrackingTimer(&plain)->Tick();
    EXPECT_TRUE(IsMouseLeaveTracking(&plain));
    StopMouseLeaveTracking(&plain);
}

TEST(MouseTracking, CallersThatStopOrRestartWhileToldAreSafe) {
    TLoggingForm form;
    TCaller caller;
    caller.log = &form.log;
    CursorSeam cursor({400, 400});
    // Stops its own tracking in CM_MOUSELEAVE and again in the leave call.
    form.onMouseLeave = [&] { StopMouseLeaveTracking(&caller); };
    caller.onLeave = [&] { StopMouseLeaveTracking(&caller); };
    StartMouseLeaveTracking(&form, Rect(0, 0, 10, 10), &caller);
    FindMouseTrackingTimer(&caller)->Tick();
    EXPECT_EQ(form.log, "cm-leave leave ");
    EXPECT_EQ(MouseTrackingCount(), 0);

    // Starts again while told: the new timer stays.
    form.onMouseLeave = nullptr;
    caller.onLeave = [&] { StartMouseLeaveTracking(&form, Rect(0, 0, 10, 10), &caller); };
    StartMouseLeaveTracking(&form, Rect(0, 0, 10, 10), &caller);
    TMouseTrackingTimer* first = FindMouseTrackingTimer(&caller);
    first->Tick();
    EXPECT_EQ(MouseTrackingCount(), 1);
    caller.onLeave = nullptr;
    StopMouseLeaveTracking(&caller);
    EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST(MouseTracking, TheTimerRunsOnItsOwn) {
    TLoggingForm form;
    TCaller caller;
    caller.log = &form.log;
    CursorSeam cursor({400, 400});
    StartMouseLeaveTracking(&form, Rect(0, 0, 10, 10), &caller);
    PumpUntil([&] { return !IsMouseLeaveTracking(&caller); });
    EXPECT_EQ(form.log, "cm-leave leave ");
}

// ---------------------------------------------------------------------------------------------
TEST(SettingsController, OneEntryPerControlAndAWindowOnlyWhileAnyIsRegistered) {
    TcxSettingsController* controller = GetSettingsController();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->Handle(), nullptr);
    TLoggingForm a, b;
    controller->AddControl(&a);
    controller->AddControl(&a);
    controller->AddControl(&b);
    EXPECT_EQ(controller->ControlCount(), 2);
    HWND window = controller->Handle();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(SendMessageA(window, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0), 0);
    SendMessageA(window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    Pump();
    EXPECT_EQ(a.log, "nc-size ");
    EXPECT_EQ(b.log, "nc-size ");

    controller->RemoveControl(&a);
    EXPECT_NE(controller->Handle(), nullptr);
    controller->RemoveControl(&b);
    EXPECT_EQ(controller->Handle(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

// ---------------------------------------------------------------------------------------------
TEST(DragDetection, PostedMessagesDecide) {
    Mouse().DragThreshold = 5;
    TLoggingForm form;
    ShowWindow(form.Handle(), SW_SHOWNA);
    HWND window = form.Handle();
    CursorSeam cursor({150, 150}); // client (50, 50)
    auto move = [&](int x, int y) { PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };
    struct {
        const char* name;
        std::function<void()> post;
        int result;
    } cases[] = {
        {"button up", [&] { PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(50, 50)); }, 0},
        {"small moves, then button up",
         [&] {
             move(54, 54);
             move(46, 46);
             PostMessageA(window, WM_RBUTTONUP, 0, 0);
         },
         0},
        {"a move past the threshold", [&] { move(55, 50); }, 1},
        {"a move past it upwards", [&] { move(50, 44); }, 1},
        {"Esc", [&] { PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0); }, 2},
        {"capture lost", [&] { PostMessageA(window, WM_CANCELMODE, 0, 0); }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pump();
        c.post();
        EXPECT_EQ(DetectDragMove(window), c.result);
        EXPECT_NE(GetCapture(), window);
    }
}

TEST(ControlGeometry, WorkAreaAndWindowRoutines) {
    TRect area = GetMonitorWorkAreaAt({10, 10});
    EXPECT_GT(area.right - area.left, 0);
    TRect desktop{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
    EXPECT_TRUE(EqualRect(&area, &desktop));

    TLoggingForm form;
    EXPECT_FALSE(HasChildWindowStyle(form.Handle()));
    EXPECT_TRUE(IsSameOrChildWindow(form.Handle(), form.Handle()));
    EXPECT_FALSE(IsSameOrChildWindow(nullptr, form.Handle()));
    TPoint p{5, 6};
    MapPointBetweenWindows(form.Handle(), nullptr, p);
    EXPECT_EQ(p.x, 105);
    TRect r = Rect(1, 2, 3, 4);
    MapRectBetweenWindows(form.Handle(), nullptr, r);
    EXPECT_EQ(r.right, 103);
    EXPECT_EQ(r.bottom, 104);
    EXPECT_EQ(GetSystemDoubleClickTime(), GetDoubleClickTime());
    EXPECT_EQ(ShiftStateToMouseKeys({ssShift, ssLeft, ssMiddle}), MK_SHIFT | MK_LBUTTON | MK_MBUTTON);
}

TEST(WindowServices, StartUpFillsTheCursorTableAndRegistersMessages) {
    for (int id = crDragCopy; id <= crColorPicker; ++id) {
        SCOPED_TRACE(id);
        EXPECT_NE(Screen().Cursors(id), LoadCursorA(nullptr, IDC_ARROW));
    }
    EXPECT_EQ(Screen().Cursors(crHandPoint), LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));
    EXPECT_NE(CM_REFUSESKINNING, 0u);
    EXPECT_NE(CM_REEVALUATEPAINTER, CM_REFUSESKINNING);
    EXPECT_NE(GetSharedMessageWindow(), nullptr);
    EXPECT_EQ(GetSharedMessageWindow(), GetSharedMessageWindow());
}

TEST(WindowServices, OwnCursorsMeasureFromTheirHotSpots) {
    struct {
        int id;
        int height; // lowest visible row - hot spot y
    } cases[] = {{crDragCopy, 28 - 1}, {crVertSize, 28 - 16}, {crColorPicker, 30 - 29}};
    HCURSOR previous = GetCursor();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        SetCursor(Screen().Cursors(c.id));
        TSize size = MeasureCurrentCursor();
        EXPECT_EQ(size.cx, 32);
        EXPECT_EQ(size.cy, c.height);
    }
    SetCursor(previous);
}

TEST(WindowServices, SystemControllerRunsSynchronizeInALibrary) {
    auto saved = WakeMainThread;
    {
        TcxSystemController controller(true);
        int ran = 0;
        std::thread worker([&] { TThread::Synchronize([&] { ++ran; }); });
        PumpUntil([&] { return ran > 0; });
        worker.join();
        EXPECT_EQ(ran, 1);
    }
    EXPECT_EQ(static_cast<bool>(WakeMainThread), static_cast<bool>(saved));
    TcxSystemController program(false);
    EXPECT_EQ(static_cast<bool>(WakeMainThread), static_cast<bool>(saved));
}

// ---------------------------------------------------------------------------------------------
namespace {
// A menu that records its popups instead of showing them.
class TRecordingMenu : public TPopupMenu {
public:
    TRecordingMenu() : TPopupMenu(nullptr) {}
    std::string log;
    void Popup(int x, int y) override { log += "popup " + std::to_string(x) + "," + std::to_string(y) + " "; }
};

// A component with popup behaviour of its own.
class TOwnMenu : public TComponent, public IcxPopupMenu {
public:
    TOwnMenu() : TComponent(nullptr) {}
    std::string log;
    bool IsShortCutKey(TShortCut key) override {
        log += "key ";
        return key == ShortCut('K', false, true, false);
    }
    void Popup(int x, int y) override { log += "own " + std::to_string(x) + "," + std::to_string(y) + " "; }
};
} // namespace

TEST(PopupMenus, ShortCutsAndPopupsByKindOfMenu) {
    TComponent control(nullptr), other(nullptr);
    EXPECT_FALSE(IsPopupMenuShortCut(nullptr, 'A'));
    EXPECT_FALSE(ShowComponentPopupMenu(&control, nullptr, 1, 2));
    EXPECT_FALSE(IsPopupMenuShortCut(&other, 'A'));
    EXPECT_FALSE(ShowComponentPopupMenu(&control, &other, 1, 2));

    TOwnMenu own;
    EXPECT_TRUE(IsPopupMenuShortCut(&own, ShortCut('K', false, true, false)));
    EXPECT_FALSE(IsPopupMenuShortCut(&own, 'K'));
    EXPECT_TRUE(ShowComponentPopupMenu(&control, &own, 3, 4));
    EXPECT_EQ(own.log, "key key own 3,4 ");

    TRecordingMenu menu;
    int clicks = 0;
    menu.Items.push_back({"&Copy", ShortCut('C', false, true, false), true, [&](TObject*) { ++clicks; }});
    menu.Items.push_back({"Gone", ShortCut('G', false, true, false), false, [&](TObject*) { clicks += 10; }});
    EXPECT_FALSE(IsPopupMenuShortCut(&menu, ShortCut('C', false, true, false))); // no command window yet
    TLoggingForm form;
    menu.WindowHandle = form.Handle();
    EXPECT_TRUE(IsPopupMenuShortCut(&menu, ShortCut('C', false, true, false)));
    EXPECT_FALSE(IsPopupMenuShortCut(&menu, ShortCut('G', false, true, false)));
    EXPECT_FALSE(IsPopupMenuShortCut(&menu, 'C'));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), 2);

    EXPECT_TRUE(ShowComponentPopupMenu(&control, &menu, 5, 6));
    EXPECT_EQ(menu.PopupComponent, &control);
    menu.AutoPopup = false;
    EXPECT_FALSE(ShowComponentPopupMenu(&other, &menu, 7, 8));
    EXPECT_EQ(menu.log, "popup 5,6 ");
}

namespace {
class TPlainChild : public TWinControl {
public:
    explicit TPlainChild(TWinControl* parent) : TWinControl(nullptr) { SetParent(parent); }

protected:
    void CreateHandle() override { CreateWindowHandle(WS_CHILD, 0, Parent()->Handle(), BoundsRect()); }
};
} // namespace

TEST(ControlGeometry, CanCreateWindowHandleFollowsTheParents) {
    EXPECT_FALSE(CanCreateWindowHandle(nullptr));
    TForm form(nullptr);
    TPlainChild child(&form), grandChild(&child);
    TPlainChild orphan(nullptr);
    EXPECT_FALSE(CanCreateWindowHandle(&orphan));
    // A form without a window asks the application, which this test program has not made.
    EXPECT_EQ(CanCreateWindowHandle(&form), Application != nullptr);
    EXPECT_EQ(CanCreateWindowHandle(&grandChild), Application != nullptr);
    form.Handle();
    EXPECT_TRUE(CanCreateWindowHandle(&form));
    EXPECT_TRUE(CanCreateWindowHandle(&child));
    EXPECT_TRUE(CanCreateWindowHandle(&grandChild));
    grandChild.SetParent(nullptr);
}

TEST(ControlText, VirtualKeysAndKeyStates) {
    EXPECT_EQ(VirtualKeyToChar('A'), 'a');
    EXPECT_EQ(VirtualKeyToChar('7'), '7');
    EXPECT_EQ(VirtualKeyToChar(VK_F5), 0);
    EXPECT_EQ(NormalizeKeyCode(VK_RETURN), VK_RETURN);
    EXPECT_TRUE(IsNonControlChar(' '));
    EXPECT_FALSE(IsNonControlChar('\t'));
    EXPECT_FALSE(IsControlKeyDown());
    EXPECT_EQ(GetAsyncMouseKeys() & (MK_SHIFT | MK_CONTROL), 0);
}

TEST(WindowServices, ShutDownWithTrackingLeftIsAnError) {
    TLoggingForm form;
    TCaller caller;
    CursorSeam cursor({150, 150});
    StartMouseLeaveTracking(&form, Rect(0, 0, 100, 100), &caller);
    try {
        WindowServicesFinalize();
        ADD_FAILURE() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "MouseTrackingTimerList.Count <> 0");
    }
    // Everything is gone and nothing is made again while the unit is down.
    EXPECT_EQ(MouseTrackingCount(), 0);
    EXPECT_EQ(GetSharedMessageWindow(), nullptr);
    EXPECT_EQ(GetSettingsController(), nullptr);
    StartMouseLeaveTracking(&form, Rect(0, 0, 100, 100), &caller);
    EXPECT_FALSE(IsMouseLeaveTracking(&caller));
    EXPECT_EQ(MouseTrackingCount(), 0);

    WindowServicesInitialize();
    EXPECT_NE(GetSharedMessageWindow(), nullptr);
    StartMouseLeaveTracking(&form, Rect(0, 0, 100, 100), &caller);
    EXPECT_TRUE(IsMouseLeaveTracking(&caller));
    StopMouseLeaveTracking(&caller);
}

namespace {
class TCountingDesigner : public IDesignerNotify {
public:
    int modified = 0;
    void Modified() override { ++modified; }
};
} // namespace

TEST(ControlGeometry, FormDesignerHearsOfDesignTimeChanges) {
    TCountingDesigner designer;
    TForm form(nullptr);
    form.Designer = &designer;
    TPlainChild child(&form), grandChild(&child);
    NotifyFormDesigner(&grandChild);
    EXPECT_EQ(designer.modified, 0); // not at design time
    grandChild.SetDesigning(true);
    NotifyFormDesigner(&grandChild);
    NotifyFormDesigner(nullptr);
    EXPECT_EQ(designer.modified, 1);
    form.Designer = nullptr;
    NotifyFormDesigner(&grandChild);
    EXPECT_EQ(designer.modified, 1);
    grandChild.SetParent(nullptr);
}
