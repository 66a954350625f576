// The editors' popup window as real windows: an owner button on a form, popups opened from it,
// the message hooks seen through posted and sent messages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/MouseInput.h"
#include "tests/ui/core/PaintSurface.h"
#include "ui/core/WindowServices.h"
#include "ui/editors/framework/ContainerPopup.h"

namespace {

class TTestPopup : public TcxCustomPopupWindow {
public:
    explicit TTestPopup(TControl* owner, std::vector<std::string>* log = nullptr, const char* name = "popup")
        : TcxCustomPopupWindow(owner), log_(log), name_(name) {
        SetBounds(0, 0, 120, 80);
        if (log_) {
            OnPopupShowing = [this](TObject*) { Log("showing"); };
            OnPopupShown = [this](TObject*) { Log("shown"); };
            OnPopupClosing = [this](TObject*) { Log("closing"); };
            OnPopupClosed = [this](TObject*) { Log("closed"); };
        }
    }
    // Where the popup places its children.
    TRect Content() {
        TRect r = GetClientRect();
        AdjustClientRect(r);
        return r;
    }
    bool swallows = false;
    bool SwallowsClosingClick(HWND, UINT, TPoint, TShiftState) override { return swallows; }
    bool adjusts = false;
    bool AdjustsToWorkArea() override { return adjusts; }
    // The window's height comes out as a whole number of these (a list shows whole items).
    int heightStep = 1;
    void SetBounds(int left, int top, int width, int height) override {
        TcxCustomPopupWindow::SetBounds(left, top, width, height / heightStep * heightStep);
    }

private:
    void Log(const char* what) { log_->push_back(name_ + " " + what); }
    std::vector<std::string>* log_;
    std::string name_;
};

// Logs the messages the form's window gets, by kind.
class TLoggedForm : public THostForm {
public:
    TLoggedForm() {
        TWndMethod saved = WindowProc;
        WindowProc = [this, saved](TMessage& m) {
            if (m.Msg == WM_NCACTIVATE || m.Msg == WM_SYSKEYDOWN) log.push_back({m.Msg, m.WParam});
            saved(m);
        };
    }
    struct Entry {
        UINT msg;
        WPARAM wParam;
    };
    std::vector<Entry> log;
    int Count(UINT msg, WPARAM wParam) const {
        int n = 0;
        for (const Entry& e : log)
            n += e.msg == msg && e.wParam == wParam;
        return n;
    }
};

class ContainerPopupTest : public testing::Test {
protected:
    TLoggedForm form;
    TButton* owner = new TButton(&form);
    TButton* secondOwner = new TButton(&form);
    std::vector<std::string> log;

    void SetUp() override {
        owner->SetBounds(10, 10, 80, 24);
        owner->SetParent(&form);
        secondOwner->SetBounds(250, 10, 80, 24);
        secondOwner->SetParent(&form);
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
    }
    void TearDown() override {
        while (OpenPopupCount() > 0)
            OpenPopup(OpenPopupCount() - 1)->ClosePopup();
        PumpMessages();
    }
    void Open(TTestPopup& popup, TButton* from, bool loop = false) {
        popup.OwnerParent = &form;
        popup.OwnerBounds = from->BoundsRect();
        popup.ModalLoop = loop;
        popup.RunPopup(nullptr);
    }
};

TEST_F(ContainerPopupTest, OpensWithEventsInOrderAndFocusOnTheFirstTabStop) {
    TTestPopup popup(owner, &log);
    auto* plain = new TButton(&popup);
    plain->SetTabStop(false);
    plain->SetParent(&popup);
    auto* first = new TButton(&popup);
    first->SetBounds(0, 30, 60, 20);
    first->SetParent(&popup);
    Open(popup, owner);
    EXPECT_TRUE(popup.IsOpen());
    EXPECT_TRUE(IsWindowVisible(popup.Handle()));
    EXPECT_EQ(popup.FocusedControl(), first);
    EXPECT_EQ(GetFocus(), first->Handle());
    // Below the owner.
    EXPECT_EQ(popup.Top(), owner->ClientToScreen(TPoint{0, 0}).y + owner->Height());
    popup.RunPopup(nullptr); // open already: nothing
    popup.ClosePopup();
    EXPECT_FALSE(popup.IsOpen());
    EXPECT_FALSE(IsWindowVisible(popup.Handle()));
    EXPECT_EQ(log,
              (std::vector<std::string>{"popup showing", "popup shown", "popup closing", "popup closed"}));
}

TEST_F(ContainerPopupTest, RequestedControlTakesTheFocus) {
    TTestPopup popup(owner);
    auto* first = new TButton(&popup);
    first->SetParent(&popup);
    auto* second = new TButton(&popup);
    second->SetBounds(0, 30, 60, 20);
    second->SetParent(&popup);
    popup.OwnerParent = &form;
    popup.OwnerBounds = owner->BoundsRect();
    popup.ModalLoop = false;
    popup.RunPopup(second);
    EXPECT_EQ(popup.FocusedControl(), second);
    EXPECT_EQ(GetFocus(), second->Handle());
}

TEST_F(ContainerPopupTest, HiddenOwnerOpensNothing) {
    TTestPopup popup(owner);
    owner->SetVisible(false);
    Open(popup, owner);
    EXPECT_FALSE(popup.IsOpen());
}

TEST_F(ContainerPopupTest, ModalResultClosesWhenCloseQueryAgrees) {
    for (bool agree : {true, false}) {
        SCOPED_TRACE(agree);
        TTestPopup popup(owner, &log);
        int queries = 0;
        popup.OnCloseQuery = [&](TObject*, bool& canClose) {
            ++queries;
            canClose = agree;
        };
        popup.OnPopupShown = [&](TObject*) {
            popup.ModalResult = mrOk;
            // Ends the loop when the popup stays open.
            popup.PostClose();
        };
        Open(popup, owner, true);
        EXPECT_FALSE(popup.IsOpen());
        EXPECT_EQ(queries, 1);
        EXPECT_EQ(popup.ModalResult, agree ? mrOk : 0);
        PumpMessages();
    }
}

// Frees a popup when its message arrives.
class TPopupKiller : public TcxMessageWindow {
public:
    TTestPopup* victim = nullptr;

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_APP) {
            delete victim;
            victim = nullptr;
            return;
        }
        TcxMessageWindow::WndProc(message);
    }
};

TEST_F(ContainerPopupTest, PopupFreedInsideItsLoopEndsTheLoop) {
    TPopupKiller killer;
    killer.victim = new TTestPopup(owner);
    killer.victim->OnPopupShown = [&](TObject*) { PostMessageA(killer.Handle(), WM_APP, 0, 0); };
    Open(*killer.victim, owner, true);
    EXPECT_EQ(killer.victim, nullptr);
    EXPECT_EQ(OpenPopupCount(), 0);
}

TEST_F(ContainerPopupTest, HidingTheOwnerClosesItsPopupAndTheLaterOnesLastFirst) {
    TTestPopup first(owner, &log, "first");
    TTestPopup second(secondOwner, &log, "second");
    TTestPopup third(owner, &log, "third");
    for (TTestPopup* popup : {&first, &second, &third})
        popup->SetTakesFocus(false);
    Open(first, owner);
    Open(second, secondOwner);
    Open(third, owner);
    ASSERT_EQ(OpenPopupCount(), 3);
    log.clear();
    ShowWindow(secondOwner->Handle(), SW_HIDE);
    EXPECT_TRUE(first.IsOpen());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(third.IsOpen());
    EXPECT_EQ(log,
              (std::vector<std::string>{"third closing", "third closed", "second closing", "second closed"}));
}

TEST_F(ContainerPopupTest, PopupWithoutFocusNeverTakesTheForeground) {
    TTestPopup popup(owner);
    popup.SetTakesFocus(false);
    Open(popup, owner);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(popup.Handle()));
    EXPECT_EQ(GetAncestor(popup.Handle(), GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(GetWindowLongA(popup.Handle(), GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetActiveWindow(), form.Handle());
    EXPECT_NE(GetForegroundWindow(), popup.Handle());
}

TEST_F(ContainerPopupTest, SystemKeysOtherThanPagingArrowsAndF4AreDropped) {
    TTestPopup popup(owner);
    popup.SetTakesFocus(false);
    Open(popup, owner);
    for (WPARAM key : {WPARAM(VK_TAB), WPARAM(VK_DOWN), WPARAM(VK_F4), WPARAM(VK_PRIOR), WPARAM('X')})
        PostMessageA(form.Handle(), WM_SYSKEYDOWN, key, 0x20000000);
    PumpMessages();
    EXPECT_EQ(form.Count(WM_SYSKEYDOWN, VK_TAB), 0);
    EXPECT_EQ(form.Count(WM_SYSKEYDOWN, 'X'), 0);
    EXPECT_EQ(form.Count(WM_SYSKEYDOWN, VK_DOWN), 1);
    EXPECT_EQ(form.Count(WM_SYSKEYDOWN, VK_F4), 1);
    EXPECT_EQ(form.Count(WM_SYSKEYDOWN, VK_PRIOR), 1);
    popup.ClosePopup();
    PostMessageA(form.Handle(), WM_SYSKEYDOWN, VK_TAB, 0x20000000);
    PumpMessages();
    EXPECT_EQ(form.Count(WM_SYSKEYDOWN, VK_TAB), 1);
}

TEST_F(ContainerPopupTest, OwnersFormKeepsAnActiveCaptionWhileItsPopupIsOpen) {
    TTestPopup popup(owner);
    popup.SetTakesFocus(false);
    Open(popup, owner);
    form.log.clear();
    EXPECT_EQ(SendMessageA(form.Handle(), WM_NCACTIVATE, FALSE, 0), 1);
    EXPECT_EQ(form.Count(WM_NCACTIVATE, FALSE), 0);
    // The window procedure is the form's own again.
    EXPECT_EQ(FindControl(form.Handle()), &form);
    popup.ClosePopup();
    form.log.clear();
    SendMessageA(form.Handle(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(form.Count(WM_NCACTIVATE, FALSE), 1);
}

TEST_F(ContainerPopupTest, PopupClosedWhileItsOwnersFormIsInactiveLeavesTheCaptionInactive) {
    TTestPopup popup(owner);
    popup.SetTakesFocus(false);
    Open(popup, owner);
    THostForm other;
    other.SetBounds(600, 60, 100, 80);
    other.Show();
    SetActiveWindow(other.Handle());
    PumpMessages();
    ASSERT_EQ(GetActiveWindow(), other.Handle());
    // The deactivation of the owner's form was swallowed while the popup was open...
    EXPECT_EQ(form.Count(WM_NCACTIVATE, FALSE), 0);
    form.log.clear();
    popup.ClosePopup();
    // ...so closing it draws the caption inactive again.
    EXPECT_EQ(form.Count(WM_NCACTIVATE, FALSE), 1);
    SetActiveWindow(form.Handle());
    PumpMessages();
}

TEST_F(ContainerPopupTest, FitToWorkAreaKeepsThePopupInside) {
    static const TRect area{0, 40, 800, 600};
    TWorkAreaSource previous = SetWorkAreaSource([](TPoint) { return area; });
    const struct {
        const char* name;
        TPoint p;
        TSize size;
        TPoint expectedP;
        TSize expectedSize;
        int heightStep = 1;
    } cases[] = {
        {"inside", {100, 100}, {120, 80}, {100, 100}, {120, 80}},
        {"below the bottom", {100, 560}, {120, 80}, {100, 560}, {120, 40}},
        {"past the right", {760, 100}, {120, 80}, {760, 100}, {40, 80}},
        {"left of the area", {-30, 100}, {120, 80}, {0, 100}, {90, 80}},
        {"above the area", {100, 10}, {120, 80}, {100, 40}, {120, 50}},
        {"taller than the area, at its top", {100, 40}, {120, 700}, {100, 40}, {120, 560}},
        {"shorter than set, at the top", {100, 40}, {120, 700}, {100, 50}, {120, 550}, 50},
        {"shorter than set, lower down", {100, 300}, {120, 320}, {100, 300}, {120, 300}, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTestPopup popup(owner);
        popup.adjusts = true;
        popup.SetBounds(0, 0, c.size.cx, c.size.cy);
        popup.heightStep = c.heightStep;
        TPoint p = c.p;
        popup.FitToWorkArea(p);
        EXPECT_EQ(p.x, c.expectedP.x);
        EXPECT_EQ(p.y, c.expectedP.y);
        EXPECT_EQ(popup.Width(), c.expectedSize.cx);
        EXPECT_EQ(popup.Height(), c.expectedSize.cy);
    }
    TTestPopup popup(owner);
    popup.SetBounds(0, 0, 120, 700);
    TPoint p{100, 40};
    popup.FitToWorkArea(p);
    EXPECT_EQ(popup.Height(), 700); // not asked to adjust
    SetWorkAreaSource(previous);
}

// Real input and what it brings: the mouse hook sees only input that comes from the devices.
void SendMouseAndPump(DWORD flags, TPoint at) {
    SendMouseInput(flags, at);
    const DWORD until = GetTickCount() + 60;
    while (GetTickCount() < until) {
        PumpMessages();
        Sleep(5);
    }
}

void ClickAt(TPoint at) {
    SendMouseAndPump(0, at);
    SendMouseAndPump(MOUSEEVENTF_LEFTDOWN, at);
    SendMouseAndPump(MOUSEEVENTF_LEFTUP, at);
}

TPoint CentreOf(TWinControl* control) {
    return control->ClientToScreen(TPoint{control->Width() / 2, control->Height() / 2});
}

TEST_F(ContainerPopupTest, ClicksCloseThePopupAndReachTheirTargetUnlessSwallowed) {
    int ownerClicks = 0, otherClicks = 0;
    owner->OnClick = [&](TObject*) { ++ownerClicks; };
    secondOwner->OnClick = [&](TObject*) { ++otherClicks; };
    const struct {
        const char* name;
        bool takesFocus;
        bool swallows;
        std::function<TPoint(TTestPopup&)> where;
        bool staysOpen;
        int ownerClicks;
        int otherClicks;
    } cases[] = {
        {"on the owner", false, false, [&](TTestPopup&) { return CentreOf(owner); }, false, 1, 0},
        {"on the owner, swallowing", false, true, [&](TTestPopup&) { return CentreOf(owner); }, false, 1, 0},
        {"on the owner, focused popup", true, false, [&](TTestPopup&) { return CentreOf(owner); }, false, 1,
         0},
        {"elsewhere on the form", false, false, [&](TTestPopup&) { return CentreOf(secondOwner); }, false, 0,
         1},
        {"elsewhere, swallowed", false, true, [&](TTestPopup&) { return CentreOf(secondOwner); }, false, 0,
         0},
        {"inside the popup", false, false, [&](TTestPopup& p) { return CentreOf(&p); }, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ownerClicks = otherClicks = 0;
        TTestPopup popup(owner);
        popup.SetTakesFocus(c.takesFocus);
        popup.swallows = c.swallows;
        Open(popup, owner);
        PumpMessages();
        ASSERT_TRUE(popup.IsOpen());
        ClickAt(c.where(popup));
        EXPECT_EQ(popup.IsOpen(), c.staysOpen);
        EXPECT_EQ(ownerClicks, c.ownerClicks);
        EXPECT_EQ(otherClicks, c.otherClicks);
        popup.ClosePopup();
        SetActiveWindow(form.Handle());
        PumpMessages();
    }
}

TEST_F(ContainerPopupTest, ApplicationDeactivationClosesPopupsWithoutFocus) {
    TTestPopup popup(owner);
    popup.SetTakesFocus(false);
    Open(popup, owner);
    SendMessageA(form.Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(popup.IsOpen());
}

TEST_F(ContainerPopupTest, PostedCloseAndReopenMessages) {
    TTestPopup popup(owner, &log);
    popup.SetTakesFocus(false);
    auto* inner = new TButton(&popup);
    inner->SetParent(&popup);
    popup.OwnerParent = &form;
    popup.OwnerBounds = owner->BoundsRect();
    popup.ModalLoop = false;
    popup.RunPopup(inner);
    popup.PostClose();
    EXPECT_TRUE(popup.IsOpen());
    PumpMessages();
    EXPECT_FALSE(popup.IsOpen());
    PostMessageA(popup.Handle(), CM_SHOWPOPUPWINDOW, 0, 0);
    PumpMessages();
    EXPECT_TRUE(popup.IsOpen());
    EXPECT_EQ(popup.FocusedControl(), inner);
    // A change of kind while open closes the popup and opens it again as the other kind.
    log.clear();
    popup.SetTakesFocus(true);
    EXPECT_TRUE(popup.IsOpen());
    EXPECT_FALSE(GetWindowLongA(popup.Handle(), GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(log,
              (std::vector<std::string>{"popup closing", "popup closed", "popup showing", "popup shown"}));
}

TEST_F(ContainerPopupTest, FocusedPopupClosesWhenAnotherWindowIsActivated) {
    TTestPopup popup(owner);
    auto* inner = new TButton(&popup);
    inner->SetParent(&popup);
    Open(popup, owner);
    PumpMessages();
    ASSERT_EQ(GetActiveWindow(), popup.Handle());
    // The owner's form is activated: the popup loses the activation and closes.
    SetActiveWindow(form.Handle());
    PumpMessages();
    EXPECT_FALSE(popup.IsOpen());
    EXPECT_FALSE(IsWindowVisible(popup.Handle()));
}

TEST_F(ContainerPopupTest, FrameIsPaintedFromTheStyleAroundTheContent) {
    const COLORREF frame = RGB(200, 0, 0), face = RGB(0, 150, 0);
    const int w = 120, h = 80;
    const struct {
        const char* name;
        TcxContainerBorderStyle border;
        bool shadow;
        TRect content;
    } cases[] = {
        {"none", cbsNone, false, {0, 0, w, h}},
        {"single", cbsSingle, false, {1, 1, w - 1, h - 1}},
        {"thick", cbsThick, false, {2, 2, w - 2, h - 2}},
        {"single with a shadow", cbsSingle, true, {1, 1, w - 4, h - 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTestPopup popup(owner);
        popup.SetTakesFocus(false);
        popup.Style().SetBorderStyle(c.border);
        popup.Style().SetBorderColor(static_cast<TColor>(frame));
        popup.Style().SetColor(static_cast<TColor>(face));
        popup.Style().SetShadow(c.shadow);
        Open(popup, owner);
        PumpMessages();
        EXPECT_EQ(popup.Content(), c.content);
        EXPECT_EQ(popup.ViewInfo().ContentRect, c.content);
        // The window's own picture, as it paints itself.
        TPaintSurface surface(w, h, RGB(255, 255, 255));
        SendMessageA(popup.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.DC()), PRF_CLIENT);
        const TRect& in = c.content;
        EXPECT_EQ(surface.At(in.left, in.top), face);
        EXPECT_EQ(surface.At(in.right - 1, in.bottom - 1), face);
        EXPECT_EQ(surface.At(w / 2, h / 2), face);
        if (in.left > 0) {
            EXPECT_EQ(surface.At(0, h / 2), frame);
            EXPECT_EQ(surface.At(w / 2, 0), frame);
            EXPECT_EQ(surface.At(in.left - 1, in.top - 1), frame);
            EXPECT_EQ(surface.At(in.right, in.bottom), frame);
        }
        if (c.shadow) {
            EXPECT_EQ(surface.At(w - 1, h / 2), Sys(clBtnShadow));
            EXPECT_EQ(surface.At(w / 2, h - 1), Sys(clBtnShadow));
        }
        // And on the screen.
        HDC screen = GetDC(popup.Handle());
        EXPECT_EQ(GetPixel(screen, w / 2, h / 2) & 0xFFFFFF, face);
        if (in.left > 0) EXPECT_EQ(GetPixel(screen, 0, h / 2) & 0xFFFFFF, frame);
        ReleaseDC(popup.Handle(), screen);
        popup.ClosePopup();
    }
}

TEST_F(ContainerPopupTest, MouseEnterAndLeaveNameTheControlOrThePopup) {
    TTestPopup popup(owner);
    popup.SetTakesFocus(false);
    auto* inner = new TButton(&popup);
    inner->SetParent(&popup);
    std::vector<std::pair<std::string, TObject*>> seen;
    popup.OnMouseEnter = [&](TObject* sender) { seen.emplace_back("enter", sender); };
    popup.OnMouseLeave = [&](TObject* sender) { seen.emplace_back("leave", sender); };
    Open(popup, owner);
    SendMessageA(popup.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(60, 70));
    SendMessageA(popup.Handle(), WM_MOUSELEAVE, 0, 0);
    popup.Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(inner));
    popup.Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, TObject*>>{
                        {"enter", &popup}, {"leave", &popup}, {"enter", inner}, {"leave", &popup}}));
}

TEST_F(ContainerPopupTest, ShortcutsOfThePopupThenOfTheOwnersForm) {
    const struct {
        WORD key;
        bool popupTakes, formTakes;
        const char* asked;
    } cases[] = {
        {'P', true, false, "popup "},
        {'F', false, true, "popup form "},
        {'N', false, false, "popup form "},
    };
    TTestPopup popup(owner);
    auto* inner = new TButton(&popup);
    inner->SetParent(&popup);
    std::string asked;
    popup.OnShortCut = [&](TObject*, WORD key, TShiftState, bool& handled) {
        asked += "popup ";
        handled = key == 'P';
    };
    form.OnShortCut = [&](TObject*, WORD key, TShiftState, bool& handled) {
        asked += "form ";
        handled = key == 'F';
    };
    Open(popup, owner);
    PumpMessages();
    ASSERT_EQ(GetFocus(), inner->Handle());
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<char>(c.key));
        asked.clear();
        int reached = 0;
        inner->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++reached; };
        // A key for the focused control on the popup: the shortcuts are asked before it.
        PostMessageA(inner->Handle(), WM_KEYDOWN, c.key, 0);
        PumpMessages();
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(reached, c.popupTakes || c.formTakes ? 0 : 1);
    }
    form.OnShortCut = nullptr;
}

TEST_F(ContainerPopupTest, EscapeOnAPopupHoldingTheCaptureOnlyReleasesIt) {
    TTestPopup popup(owner);
    auto* inner = new TButton(&popup);
    inner->SetParent(&popup);
    int reached = 0;
    inner->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++reached; };
    Open(popup, owner);
    PumpMessages();
    // The popup previews its controls' keys: Escape takes the capture away first.
    SetCapture(inner->Handle());
    SendMessageA(inner->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(reached, 0);
    EXPECT_TRUE(popup.IsOpen());
    // Without the capture the key goes on to the control.
    SendMessageA(inner->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(reached, 1);
}

} // namespace
