#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Forms.h"

namespace {

constexpr UINT WM_PING = WM_APP + 3;

// A custom control that paints a colour and writes down the control messages it gets.
class TProbe : public TCustomControl {
public:
    VZ_CLASS(TProbe, TCustomControl)
    explicit TProbe(TWinControl* parent) : TCustomControl(nullptr) {
        SetBounds(10, 20, 80, 40);
        SetColor(RGB(200, 30, 40));
        SetParent(parent);
    }
    std::string log;
    std::string showingLog; // the CM_SHOWINGCHANGED notices
    bool consumeKeys = false;

protected:
    using TCustomControl::WndProc;
    void WndProc(TMessage& message) override {
        switch (message.Msg) {
        case WM_PING:
            log += "ping ";
            message.Result = 42;
            return;
        case CM_MOUSEENTER:
            log += "enter ";
            break;
        case CM_MOUSELEAVE:
            log += "leave ";
            break;
        case CM_SHOWINGCHANGED:
            showingLog += Showing() ? "showing " : "hidden ";
            break;
        case CN_KEYDOWN:
            log += "cn-key ";
            message.Result = consumeKeys;
            return;
        default:
            break;
        }
        TCustomControl::WndProc(message);
    }
    void KeyDown(WORD& key, TShiftState shift) override {
        log += "key ";
        TCustomControl::KeyDown(key, shift);
    }
};

class ControlsTest : public testing::Test {
protected:
    void SetUp() override { FormsInitialize(); }
    void TearDown() override { FormsFinalize(); }
};

class THost : public TForm {
public:
    THost() : TForm(nullptr) {
        SetBorderStyle(bsNone);
        SetBounds(80, 80, 300, 200);
    }
};

void Pump() {
    Application->ProcessMessages();
}

} // namespace

TEST_F(ControlsTest, CustomControlLivesOnAChildWindowOfItsParent) {
    THost form;
    TProbe probe(&form);
    EXPECT_FALSE(probe.HandleAllocated()); // the parent has no window yet
    form.Show();
    ASSERT_TRUE(probe.HandleAllocated());
    EXPECT_EQ(form.Handle(), GetParent(probe.Handle()));
    EXPECT_EQ(&probe, FindControl(probe.Handle()));
    RECT r;
    GetWindowRect(probe.Handle(), &r);
    POINT origin{0, 0};
    ClientToScreen(form.Handle(), &origin);
    EXPECT_EQ(origin.x + 10, r.left);
    EXPECT_EQ(origin.y + 20, r.top);
    EXPECT_EQ(80, r.right - r.left);

    probe.SetBounds(5, 6, 50, 30);
    GetWindowRect(probe.Handle(), &r);
    EXPECT_EQ(origin.x + 5, r.left);
    EXPECT_EQ(30, r.bottom - r.top);
    probe.SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(probe.Handle()));
    probe.SetVisible(true);
    probe.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(probe.Handle()));
    probe.SetEnabled(true);

    // Made again with the same place and parent.
    HWND old = probe.Handle();
    probe.RecreateWnd();
    EXPECT_NE(old, probe.Handle());
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(form.Handle(), GetParent(probe.Handle()));
    EXPECT_TRUE(IsWindowVisible(probe.Handle()));

    // Paint draws on the control's own canvas.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 50, 30);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SendMessageA(probe.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(RGB(200, 30, 40), GetPixel(memory, 25, 15) & 0xFFFFFF);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    probe.SetParent(nullptr);
    EXPECT_FALSE(probe.HandleAllocated());
}

TEST_F(ControlsTest, WindowProcCanBeReplacedAndEndsInWndProc) {
    THost form;
    TProbe probe(&form);
    form.Handle();
    const LONG_PTR systemProc = GetWindowLongPtrA(probe.Handle(), GWLP_WNDPROC);
    std::string seen;
    TWndMethod saved = probe.WindowProc;
    probe.WindowProc = [&](TMessage& message) {
        if (message.Msg == WM_PING) seen += "hooked ";
        saved(message);
    };
    EXPECT_EQ(42, SendMessageA(probe.Handle(), WM_PING, 0, 0));
    EXPECT_EQ("hooked ", seen);
    EXPECT_EQ("ping ", probe.log);
    EXPECT_EQ(42, probe.Perform(WM_PING, 0, 0));
    EXPECT_EQ("hooked hooked ", seen);
    // The window procedure stays the platform's, so the control is still found by its window.
    EXPECT_EQ(systemProc, GetWindowLongPtrA(probe.Handle(), GWLP_WNDPROC));
    EXPECT_EQ(&probe, FindControl(probe.Handle()));
    probe.WindowProc = saved;
}

TEST_F(ControlsTest, KeyDownIsOfferedBeforeTranslation) {
    for (bool consume : {false, true}) {
        SCOPED_TRACE(consume ? "consumed" : "passed on");
        THost form;
        TProbe probe(&form);
        probe.consumeKeys = consume;
        form.Handle();
        PostMessageA(probe.Handle(), WM_KEYDOWN, 'A', 0);
        Pump();
        EXPECT_EQ(consume ? "cn-key " : "cn-key key ", probe.log);
    }
}

TEST_F(ControlsTest, MouseEnterAndLeaveComeFromThePlatform) {
    THost form;
    TProbe probe(&form);
    form.Handle();
    SendMessageA(probe.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageA(probe.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
    EXPECT_EQ("enter ", probe.log);
    SendMessageA(probe.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ("enter leave ", probe.log);
}

TEST_F(ControlsTest, MouseHandlersCaptureAndContextMenu) {
    THost form;
    TProbe probe(&form);
    probe.ControlStyle.Include(csCaptureMouse);
    form.Handle();
    std::string log;
    probe.OnMouseDown = [&](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        log += "down" + std::to_string(button) + (shift.Contains(ssDouble) ? "d" : "") + "(" +
               std::to_string(x) + "," + std::to_string(y) + ") ";
    };
    probe.OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int, int) {
        log += "up" + std::to_string(button) + " ";
    };
    probe.OnContextPopup = [&](TObject*, TPoint p, bool& handled) {
        log += "popup(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") ";
        handled = true;
    };
    SendMessageA(probe.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    EXPECT_TRUE(probe.MouseCapture());
    SendMessageA(probe.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    EXPECT_FALSE(probe.MouseCapture());
    SendMessageA(probe.Handle(), WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(7, 8));
    SendMessageA(probe.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(7, 8));
    SendMessageA(probe.Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(0xFFFF, 0xFFFF));
    // The right release makes the system ask for the context menu at its point.
    EXPECT_EQ("down0(3,4) up0 down1d(7,8) up1 popup(7,8) popup(-1,-1) ", log);
}

TEST_F(ControlsTest, PlatformDragFindsTheTargetAndDrops) {
    struct {
        const char* name;
        UINT end;
        bool dropped;
    } cases[] = {{"release", WM_LBUTTONUP, true}, {"Esc", WM_KEYDOWN, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        THost form;
        TProbe source(&form);
        TProbe target(&form);
        target.SetBounds(150, 20, 80, 40);
        form.Show();
        Pump();
        std::string log;
        target.OnDragOver = [&](TObject*, TObject* dragged, int, int, TDragState state, bool& accept) {
            log += state == dsDragEnter ? "enter " : state == dsDragMove ? "over " : "leave ";
            accept = dynamic_cast<TDragControlObject*>(dragged) != nullptr;
        };
        target.OnDragDrop = [&](TObject*, TObject*, int x, int y) {
            log += "drop(" + std::to_string(x) + "," + std::to_string(y) + ") ";
        };
        source.OnEndDrag = [&](TObject*, TObject* at, int, int) {
            log += at == &target ? "ended on target " : "ended nowhere ";
        };
        const TPoint over = target.ClientToScreen(TPoint{10, 12});
        SetCursorPos(over.x, over.y);
        PostMessageA(source.Handle(), WM_MOUSEMOVE, MK_LBUTTON, 0);
        PostMessageA(source.Handle(), c.end, c.end == WM_KEYDOWN ? VK_ESCAPE : 0, 0);
        source.BeginDrag(true);
        EXPECT_FALSE(source.Dragging());
        EXPECT_EQ(nullptr, DragObject());
        EXPECT_EQ(c.dropped ? "enter over drop(10,12) ended on target " : "enter over leave ended nowhere ",
                  log);
        EXPECT_NE(source.Handle(), GetCapture());
    }
}

namespace {

// A panel that places its children itself and logs what the parent tells it.
class TAligningPanel : public TCustomControl {
public:
    explicit TAligningPanel(TWinControl* parent) : TCustomControl(nullptr) {
        SetBounds(5, 5, 200, 150);
        SetParent(parent);
    }
    std::string log;
    std::vector<TControl*> aligned;
    TRect alignRect{};

protected:
    using TCustomControl::WndProc;
    void WndProc(TMessage& message) override {
        if (message.Msg == CM_PARENTCOLORCHANGED) log += "parent-color ";
        if (message.Msg == CM_PARENTFONTCHANGED) log += "parent-font ";
        if (message.Msg == CN_CHAR) log += "cn-char ";
        if (message.Msg == CN_KEYUP) log += "cn-keyup ";
        TCustomControl::WndProc(message);
    }
    void AdjustClientRect(TRect& rect) override { InflateRect(&rect, -3, -3); }
    void AlignControls(TControl* control, TRect& rect) override {
        aligned.push_back(control);
        alignRect = rect;
    }
};

} // namespace

TEST_F(ControlsTest, SelectNextWalksTheTabOrderSkippingWhatCannotTakeTheFocus) {
    THost form;
    TProbe a(&form), b(&form), c(&form), d(&form);
    for (TProbe* p : {&a, &b, &c, &d})
        p->SetTabStop(true);
    c.SetTabStop(false);
    d.SetEnabled(false);
    form.Show();
    SetActiveWindow(form.Handle());
    a.SetFocus();
    EXPECT_TRUE(form.SelectNext(&a, true, true));
    EXPECT_TRUE(b.Focused());
    EXPECT_TRUE(form.SelectNext(&b, true, true)); // c has no tab stop, d is disabled: back to a
    EXPECT_TRUE(a.Focused());
    EXPECT_TRUE(form.SelectNext(&a, false, true));
    EXPECT_TRUE(b.Focused());
    EXPECT_TRUE(form.SelectNext(&b, true, false)); // without the tab-stop check c counts
    EXPECT_TRUE(c.Focused());
    std::vector<TWinControl*> list;
    form.GetTabOrderList(list);
    EXPECT_EQ(list, (std::vector<TWinControl*>{&a, &b, &c, &d}));
    // FocusControl remembers the control and focuses it on the active form.
    form.FocusControl(&a);
    EXPECT_EQ(form.ActiveControl, &a);
    EXPECT_TRUE(a.Focused());
}

TEST_F(ControlsTest, TabOrderMovesAControlInTheWalkButNotInThePainting) {
    THost form;
    TProbe a(&form), b(&form), c(&form);
    TLabel label(&form); // window-less controls take no place in the tab order
    label.SetParent(&form);
    TProbe loose(nullptr);
    EXPECT_EQ(loose.TabOrder(), -1);
    loose.SetTabOrder(0); // nothing to move in without a parent
    EXPECT_EQ(loose.TabOrder(), -1);
    EXPECT_EQ(a.TabOrder(), 0);
    EXPECT_EQ(c.TabOrder(), 2);

    struct Case {
        TProbe* control;
        int value;
        std::vector<TWinControl*> order;
    };
    const Case cases[] = {
        {&c, 0, {&c, &a, &b}},
        {&a, 2, {&c, &b, &a}},
        {&b, 99, {&c, &a, &b}}, // past the end: the last place
        {&c, -1, {&a, &b, &c}}, // negative: the last place
        {&b, 1, {&a, &b, &c}},  // its own place: no change
    };
    for (const Case& test : cases) {
        test.control->SetTabOrder(test.value);
        std::vector<TWinControl*> list;
        form.GetTabOrderList(list);
        EXPECT_EQ(list, test.order) << "value " << test.value;
        for (int i = 0; i < static_cast<int>(test.order.size()); ++i)
            EXPECT_EQ(test.order[i]->TabOrder(), i);
    }
    b.SetTabOrder(0);
    ASSERT_EQ(form.ControlCount(), 4); // the painting order stays the order they joined in
    EXPECT_EQ(form.Controls(0), &a);
    EXPECT_EQ(form.Controls(1), &b);
    // A control that leaves closes its gap; one that joins comes last.
    b.SetParent(nullptr);
    EXPECT_EQ(a.TabOrder(), 0);
    EXPECT_EQ(c.TabOrder(), 1);
    b.SetParent(&form);
    EXPECT_EQ(b.TabOrder(), 2);
}

TEST_F(ControlsTest, ParentColourAndFontChangesReachTheChildren) {
    THost form;
    TAligningPanel panel(&form);
    form.SetColor(RGB(1, 2, 3));
    EXPECT_EQ(panel.log, "parent-color ");
    EXPECT_EQ(panel.Color(), RGB(1, 2, 3)); // ParentColor
    panel.log.clear();
    form.Font().SetSize(14);
    EXPECT_EQ(panel.log, "parent-font ");
    panel.log.clear();
    panel.SetColor(RGB(9, 9, 9));
    panel.SetParentColor(true);
    EXPECT_EQ(panel.log, "parent-color ");
    EXPECT_EQ(panel.Color(), RGB(1, 2, 3));
}

TEST_F(ControlsTest, ChildBoundsAskTheParentToAlignWithinItsAdjustedClientRect) {
    THost form;
    TAligningPanel panel(&form);
    form.Show();
    TProbe child(&panel);
    panel.aligned.clear();
    child.SetBounds(1, 2, 30, 40);
    ASSERT_EQ(panel.aligned.size(), 1u);
    EXPECT_EQ(panel.aligned[0], &child);
    EXPECT_EQ(panel.alignRect.left, 3);
    EXPECT_EQ(panel.alignRect.right, 197);
    // Its own resize aligns every child (nullptr).
    panel.SetBounds(5, 5, 220, 150);
    Pump();
    ASSERT_FALSE(panel.aligned.empty());
    EXPECT_EQ(panel.aligned.back(), nullptr);
    EXPECT_EQ(panel.alignRect.right, 217);
}

TEST_F(ControlsTest, ChangeScaleScalesBoundsAndAFontOfTheControlsOwn) {
    THost form;
    TAligningPanel panel(&form);
    TProbe child(&panel);
    child.Font().SetSize(10);
    panel.ChangeScale(3, 2);
    EXPECT_EQ(panel.Width(), 300);
    EXPECT_EQ(child.Left(), 15);
    EXPECT_EQ(child.Width(), 120);
    EXPECT_EQ(child.Font().Size(), 15);
}

TEST_F(ControlsTest, KeyUpAndCharactersAreOfferedAsReflectedNotices) {
    THost form;
    TAligningPanel panel(&form);
    form.Show();
    MSG msg{};
    msg.hwnd = panel.Handle();
    msg.message = WM_CHAR;
    msg.wParam = 'a';
    EXPECT_FALSE(IsKeyMessageConsumed(msg));
    msg.message = WM_KEYUP;
    EXPECT_FALSE(IsKeyMessageConsumed(msg));
    EXPECT_EQ(panel.log, "cn-char cn-keyup ");
}

namespace {
// A control that writes down the key-downs that reach it.
class TKeyTarget : public TCustomControl {
public:
    explicit TKeyTarget(TWinControl* parent) : TCustomControl(nullptr) {
        SetBounds(10, 10, 60, 30);
        SetParent(parent);
    }
    std::string* log = nullptr;

protected:
    void KeyDown(WORD& key, TShiftState shift) override {
        *log += "control ";
        TCustomControl::KeyDown(key, shift);
    }
};
} // namespace

namespace {
// Sizes itself: widths are capped, a height of 0 is refused.
class TCappedProbe : public TProbe {
public:
    VZ_CLASS(TCappedProbe, TProbe)
    using TProbe::TProbe;

protected:
    bool CanResize(int& newWidth, int& newHeight) override {
        if (newHeight == 0) return false;
        if (newWidth > 50) newWidth = 50;
        return true;
    }
};
} // namespace

TEST_F(ControlsTest, FormSeesKeysFirstWithKeyPreviewAndTakesItsShortcutsBeforeTheControl) {
    // 'X' is eaten by the form's key handler, 'S' is a shortcut of the form.
    const struct {
        bool preview;
        UINT message;
        WORD key;
        const char* seen;
    } cases[] = {
        {false, WM_KEYDOWN, 'A', "shortcut control "},
        {false, WM_KEYDOWN, 'X', "shortcut control "},
        {false, WM_KEYDOWN, 'S', "shortcut "},
        {true, WM_KEYDOWN, 'A', "shortcut form control "},
        {true, WM_KEYDOWN, 'X', "shortcut form "},
        {true, WM_KEYDOWN, 'S', "shortcut "},
        {false, WM_SYSKEYDOWN, 'S', "shortcut "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.preview ? "preview " : "") + static_cast<char>(c.key));
        std::string log;
        THost form;
        TKeyTarget target(&form);
        target.log = &log;
        form.KeyPreview = c.preview;
        form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
            log += "form ";
            if (key == 'X') key = 0;
        };
        form.OnShortCut = [&](TObject* sender, WORD key, TShiftState, bool& handled) {
            EXPECT_EQ(sender, &form);
            log += "shortcut ";
            handled = key == 'S';
        };
        form.Show();
        PostMessageA(target.Handle(), c.message, c.key, 0);
        Pump();
        EXPECT_EQ(log, c.seen);
    }
}

TEST_F(ControlsTest, FindNextControlWalksTheTabOrderFromTheStartOrACurrentControl) {
    THost form;
    TProbe outer(&form), inner(&outer), last(&form);
    outer.SetTabStop(false);
    inner.SetTabStop(true);
    last.SetTabStop(true);
    form.Show();
    const struct {
        TWinControl* current;
        bool goForward, checkTabStop, checkParent;
        TWinControl* next;
    } cases[] = {
        {nullptr, true, true, false, &inner},   // the child's child counts
        {nullptr, true, true, true, &last},     // only the form's own children
        {nullptr, true, false, true, &outer},   // without the tab-stop check
        {nullptr, false, true, false, &last},   // backwards from the end
        {&inner, true, true, false, &last},
        {&last, true, true, false, &inner},     // round to the start
        {&last, false, false, false, &inner},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(form.FindNextControl(c.current, c.goForward, c.checkTabStop, c.checkParent), c.next);
    }
    last.SetEnabled(false);
    EXPECT_EQ(form.FindNextControl(nullptr, true, true, true), nullptr);
}

TEST_F(ControlsTest, CloseQueryDecidesWhetherAFormCloses) {
    for (bool agree : {false, true}) {
        THost form;
        int asked = 0;
        form.OnCloseQuery = [&](TObject* sender, bool& canClose) {
            EXPECT_EQ(sender, &form);
            ++asked;
            canClose = agree;
        };
        form.Show();
        form.Close();
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(form.Visible(), !agree);
        EXPECT_EQ(IsWindowVisible(form.Handle()) != FALSE, !agree);
    }
    THost plain;
    plain.Show();
    EXPECT_TRUE(plain.CloseQuery());
}

TEST_F(ControlsTest, HandleMessageHandlesOneMessageAndEndsOnQuit) {
    THost form;
    TProbe probe(&form);
    form.Handle();
    PostMessageA(probe.Handle(), WM_PING, 0, 0);
    PostMessageA(probe.Handle(), WM_PING, 0, 0);
    Application->HandleMessage();
    EXPECT_EQ(probe.log, "ping ");
    Application->HandleMessage();
    EXPECT_EQ(probe.log, "ping ping ");
    EXPECT_FALSE(Application->Terminated());
    PostQuitMessage(7);
    Application->HandleMessage();
    EXPECT_TRUE(Application->Terminated());
    // The quit is left for the loop outside.
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ControlsTest, ShowingChangesResizeChecksAndAlignmentRequests) {
    THost form;
    TAligningPanel panel(&form);
    form.Show();
    // Made without a window: no notice until there is one.
    TProbe probe(nullptr);
    probe.SetVisible(false);
    probe.SetVisible(true);
    EXPECT_EQ(probe.showingLog, "");
    probe.SetParent(&panel);
    probe.SetVisible(false);
    probe.SetVisible(true);
    EXPECT_EQ(probe.showingLog, "showing hidden showing ");

    TCappedProbe capped(&panel);
    capped.SetBounds(10, 20, 80, 40); // the constructor's bounds, now through the check
    EXPECT_EQ(capped.Width(), 50);
    capped.SetBounds(5, 6, 30, 0);
    EXPECT_EQ(capped.Left(), 10) << "a refused size moves nothing either";
    EXPECT_EQ(capped.Height(), 40);
    capped.SetBounds(5, 6, 200, 30);
    RECT window;
    GetWindowRect(capped.Handle(), &window);
    EXPECT_EQ(window.right - window.left, 50);

    panel.aligned.clear();
    probe.SetAlign(alTop);
    probe.SetAlign(alTop);
    EXPECT_EQ(probe.Align(), alTop);
    ASSERT_EQ(panel.aligned.size(), 1u) << "asked once, when it changed";
    EXPECT_EQ(panel.aligned[0], &probe);
}
