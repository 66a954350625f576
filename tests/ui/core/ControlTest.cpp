#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlWindows.h"
#include "platform/core/Win32Boundary.h"
#include "ThemeSeam.h"
#include "ui/core/Control.h"

namespace {

// A control with content of a set size, scrolled by its bars; it logs what reaches it.
class TContentControl : public TcxControl {
public:
    explicit TContentControl(TWinControl* parent) : TcxControl(nullptr) {
        LookAndFeel().SetKind(lfStandard);
        LookAndFeel().SetNativeStyle(false);
        SetBounds(10, 10, 200, 150);
        SetParent(parent);
    }
    TSize Content{0, 0};
    bool AutoHide = false;
    bool AllowHide = true;
    int CalcCalls = 0;
    std::function<void(TContentControl&)> calc; // replaces the content rule when set
    std::string log;
    std::vector<TPoint> startPoints;
    bool recordStartOnly = false;
    std::function<void(TScrollBarKind, TScrollCode)> onScroll;
    bool dragAndDrop = false;

    using TcxControl::CalcScrollBarParams;
    void SetInfo(TScrollBarKind kind, int min, int max, int small, int page, int pos, bool show = true) {
        SetScrollBarInfo(kind, min, max, small, page, pos, show, AllowHide);
    }
    void RunRecalc() { RecalcScrollBars(); }

protected:
    void CalcScrollBarParams() override {
        ++CalcCalls;
        if (calc) {
            calc(*this);
            return;
        }
        const TRect cb = GetClientBounds();
        SetScrollBarInfo(sbHorizontal, 0, Content.cx - 1, 1, cb.right - cb.left, 0, true, AllowHide);
        SetScrollBarInfo(sbVertical, 0, Content.cy - 1, 1, cb.bottom - cb.top, 0, true, AllowHide);
    }
    bool CanAutoHideScrollBar(TScrollBarKind) override { return AutoHide; }
    void HandleScroll(TScrollBarKind kind, TScrollCode code, int& pos) override {
        log += std::string(kind == sbHorizontal ? "h" : "v") + (code == scLineUp     ? "LineUp "
                                                                : code == scLineDown ? "LineDown "
                                                                : code == scPageUp   ? "PageUp "
                                                                : code == scPageDown ? "PageDown "
                                                                                     : "Other ");
        (void)pos;
        if (onScroll) onScroll(kind, code);
    }
    void StartDragOrPanning(TMouseButton button, int x, int y) override {
        startPoints.push_back(TPoint{x, y});
        if (!recordStartOnly) TcxControl::StartDragOrPanning(button, x, y);
    }
    bool StartDragAndDrop(TPoint) override { return dragAndDrop; }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP && onApp) {
            onApp();
            return 0;
        }
        if (message == WM_APP + 1 && onProbe) {
            onProbe();
            return 0;
        }
        return TcxControl::WndProc(message, wParam, lParam);
    }
    using TcxControl::WndProc;

    void DoColorChanged() override { hooks += "color "; }
    // The platform's handling runs first: the control is already shown or hidden.
    void DoVisibleChanged() override { hooks += Visible() ? "shown " : "hidden "; }
    void DoTextChanged() override { hooks += "text(" + std::string(Caption().c_str()) + ") "; }
    void HandleParentBackgroundChange() override {
        hooks += ParentBackground() ? "parentBackground(on) " : "parentBackground(off) ";
    }

public:
    std::function<void()> onApp;
    std::function<void()> onProbe;
    std::string hooks;
};

// A drag-and-drop object that writes down what happens to it.
class TLoggingDragObject : public TcxDragAndDropObject {
public:
    TLoggingDragObject(TcxControl* control, std::string& log) : TcxDragAndDropObject(control), log_(log) {}

protected:
    void BeginDragAndDrop() override {
        log_ += "begin ";
        TcxDragAndDropObject::BeginDragAndDrop();
    }
    void DragAndDrop(TPoint p, bool& accepted) override {
        log_ += "move(" + std::to_string(p.x) + "," + std::to_string(p.y) + " from " +
                std::to_string(PrevMousePos.x) + "," + std::to_string(PrevMousePos.y) + ") ";
        accepted = true;
        TcxDragAndDropObject::DragAndDrop(p, accepted);
    }
    void EndDragAndDrop(bool accepted) override {
        log_ += accepted ? "end(accepted) " : "end(cancelled) ";
        TcxDragAndDropObject::EndDragAndDrop(accepted);
    }
    void AfterDragAndDrop(bool accepted) override {
        log_ += accepted ? "after(accepted) " : "after(cancelled) ";
    }

private:
    std::string& log_;
};

// A component with its own popup behaviour.
class TRecordingPopup : public TComponent, public IcxPopupMenu {
public:
    TRecordingPopup() : TComponent(nullptr) {}
    bool IsShortCutKey(TShortCut shortCut) override { return shortCut == ShortCut('P', false, true, false); }
    void Popup(int x, int y) override { shownAt.push_back(TPoint{x, y}); }
    std::vector<TPoint> shownAt;
};

// A control whose platform drag shows a picture: a green block on white, the white (its
// bottom-left colour) transparent.
constexpr TColor DragImageColor = 0x20B040;
class TDragPictureControl : public TContentControl {
public:
    using TContentControl::TContentControl;
    bool images = true;
    TSize imageSize{16, 12};
    int paints = 0;

protected:
    bool HasDragImages() override { return images; }
    TSize GetDragImageSize() override { return imageSize; }
    void PaintDragImage(TcxCanvas& canvas, const TRect& rect) override {
        ++paints;
        canvas.FillRectColor(rect, clWhite);
        canvas.FillRectColor(TRect{4, 2, 12, 8}, DragImageColor);
    }
};

// The colour the form's window shows at a screen point.
TColor ScreenColorOn(TWinControl& form, TPoint screen) {
    RECT r;
    GetWindowRect(form.Handle(), &r);
    HDC dc = GetWindowDC(form.Handle());
    const COLORREF color = GetPixel(dc, screen.x - r.left, screen.y - r.top);
    ReleaseDC(form.Handle(), dc);
    return static_cast<TColor>(color & 0xFFFFFF);
}

// The system may draw the drag image blended with what lies beneath: a pixel shows it when it
// is nearer the image's colour than the background's.
int ColorDistance(TColor a, TColor b) {
    int sum = 0;
    for (int shift : {0, 8, 16})
        sum += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    return sum;
}
bool ShowsDragImage(TColor pixel, TColor background) {
    return ColorDistance(pixel, DragImageColor) < ColorDistance(pixel, background);
}

class TLogForm : public THostForm {
public:
    int contextMenus = 0;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CONTEXTMENU) ++contextMenus;
        return THostForm::WndProc(message, wParam, lParam);
    }
};

UINT linesSetting = 3;
UINT Lines() {
    return linesSetting;
}
class TWheelLines {
public:
    explicit TWheelLines(UINT lines) : previous_(SetWheelScrollLinesSource(&Lines)) { linesSetting = lines; }
    ~TWheelLines() { SetWheelScrollLinesSource(previous_); }

private:
    TWheelScrollLinesSource previous_;
};

// Holds Ctrl down in this thread's keyboard state.
class TCtrlHeld {
public:
    explicit TCtrlHeld(bool held) {
        GetKeyboardState(saved_);
        BYTE state[256];
        memcpy(state, saved_, sizeof(state));
        state[VK_CONTROL] = held ? 0x80 : 0;
        state[VK_LCONTROL] = held ? 0x80 : 0;
        SetKeyboardState(state);
    }
    ~TCtrlHeld() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

class ControlTest : public testing::Test {
protected:
    TFixedMetrics metrics;
    TLogForm form;
    std::unique_ptr<TContentControl> control = std::make_unique<TContentControl>(&form);

    void SetUp() override {
        form.Show();
        PumpMessages();
    }
    TRect BoundsOf(TControl* c) { return c->BoundsRect(); }
};

} // namespace

TEST_F(ControlTest, ScrollBarInfoDecidesWhatABarShows) {
    struct {
        const char* name;
        TScrollStyle style;
        TScrollBarKind kind;
        int min, max, small, page, pos;
        bool allowShow, allowHide;
        bool visible, enabled;
        int largeChange, smallChange;
    } cases[] = {
        {"something to scroll", ssBoth, sbVertical, 0, 99, 1, 99, 0, true, true, true, true, 99, 1},
        {"page covers the range: hidden", ssBoth, sbVertical, 0, 99, 1, 100, 0, true, true, false, true, 1,
         1},
        {"page covers the range: kept disabled", ssBoth, sbVertical, 0, 99, 1, 100, 0, true, false, true,
         false, 1, 1},
        {"min above max", ssBoth, sbHorizontal, 5, 4, 1, 1, 5, true, true, false, true, 1, 1},
        {"position below min", ssBoth, sbHorizontal, 5, 100, 1, 10, 4, true, true, false, true, 1, 1},
        {"not asked to show", ssBoth, sbHorizontal, 0, 99, 1, 10, 0, false, false, false, true, 1, 1},
        {"style without this kind", ssVertical, sbHorizontal, 0, 99, 1, 10, 0, true, false, false, true, 1,
         1},
        {"style with this kind", ssVertical, sbVertical, 0, 99, 1, 10, 0, true, false, true, true, 10, 1},
        // Steps are 16 bits wide: a bigger page must not wrap into a backward step.
        {"page above 32767", ssBoth, sbVertical, 0, 199999, 50000, 100000, 0, true, true, true, true, 32767,
         32767},
        // Below a negative min the page may fit the range but not the bar, which refuses max < page.
        {"negative min, page above max: hidden", ssBoth, sbVertical, -100, 50, 1, 100, 0, true, true, false,
         true, 1, 1},
        {"negative min, page above max: kept disabled", ssBoth, sbVertical, -100, 50, 1, 100, 0, true, false,
         true, false, 1, 1},
        {"negative min, page within max", ssBoth, sbVertical, -100, 150, 1, 100, -20, true, true, true, true,
         100, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TContentControl probe(&form);
        probe.SetScrollBars(c.style);
        probe.AllowHide = c.allowHide;
        probe.SetInfo(c.kind, c.min, c.max, c.small, c.page, c.pos, c.allowShow);
        const TcxScrollBarData& data =
            (c.kind == sbHorizontal ? probe.HScrollBar() : probe.VScrollBar())->Data;
        EXPECT_EQ(c.visible, data.Visible);
        EXPECT_EQ(c.enabled, data.Enabled);
        EXPECT_EQ(c.largeChange, data.LargeChange);
        EXPECT_EQ(c.smallChange, data.SmallChange);
    }
}

TEST_F(ControlTest, LargePagesScrollForwardOnTheRealBar) {
    control->calc = [](TContentControl& c) { c.SetInfo(sbVertical, 0, 199999, 1, 100000, 0); };
    control->RunRecalc();
    TcxControlScrollBar* bar = control->VScrollBar();
    ASSERT_TRUE(bar->Visible());
    EXPECT_EQ(32767, bar->LargeChange());
    bar->Scroll(scPageDown, 0);
    EXPECT_EQ(32767, bar->Position());
}

TEST_F(ControlTest, BarsNeededOnlyForEachOtherHideWithAutoHide) {
    struct {
        const char* name;
        int hPage, vPage;
        bool autoHide;
        bool visible;
    } cases[] = {
        {"both would fit: auto-hide", 90, 85, true, false},
        {"both would fit: no auto-hide", 90, 85, false, true},
        {"only one would fit", 90, 50, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TContentControl probe(&form);
        probe.AutoHide = c.autoHide;
        const int hPage = c.hPage, vPage = c.vPage;
        probe.calc = [hPage, vPage](TContentControl& p) {
            p.SetInfo(sbHorizontal, 0, 99, 1, hPage, 0);
            p.SetInfo(sbVertical, 0, 99, 1, vPage, 0);
        };
        probe.RunRecalc();
        EXPECT_EQ(c.visible, probe.HScrollBar()->Visible());
        EXPECT_EQ(c.visible, probe.VScrollBar()->Visible());
        EXPECT_EQ(c.visible, probe.SizeGrip()->Visible());
    }
}

TEST_F(ControlTest, ContentOnePixelWiderSettlesWithTheHorizontalBar) {
    control->Content = TSize{201, 100};
    control->CalcCalls = 0;
    control->RunRecalc();
    EXPECT_TRUE(control->HScrollBar()->Visible());
    EXPECT_FALSE(control->VScrollBar()->Visible());
    EXPECT_FALSE(control->SizeGrip()->Visible());
    EXPECT_LE(control->CalcCalls, 6);
    EXPECT_EQ((TRect{0, 133, 200, 150}), BoundsOf(control->HScrollBar()));
    EXPECT_EQ((TRect{0, 0, 200, 133}), control->GetClientBounds());

    // A rule whose answer never settles is asked a bounded number of times.
    int calls = 0;
    control->calc = [&calls](TContentControl& c) {
        ++calls;
        c.SetInfo(sbHorizontal, 0, 99, 1, calls % 2 ? 10 : 200, 0);
    };
    control->RunRecalc();
    EXPECT_LE(calls, 4 * MaxScrollBarParamsRounds);
}

TEST_F(ControlTest, BarsAndGripSitInsideTheBorder) {
    control->Content = TSize{1000, 1000};
    control->RunRecalc();
    EXPECT_EQ((TRect{0, 133, 183, 150}), BoundsOf(control->HScrollBar()));
    EXPECT_EQ((TRect{183, 0, 200, 133}), BoundsOf(control->VScrollBar()));
    EXPECT_EQ((TRect{183, 133, 200, 150}), BoundsOf(control->SizeGrip()));
    EXPECT_TRUE(IsWindowVisible(control->SizeGrip()->Handle()));
    EXPECT_EQ(control->Handle(), GetParent(control->HScrollBar()->Handle()));

    control->SetBorderStyle(1); // the standard painter's border is 2 pixels
    EXPECT_EQ((TRect{2, 131, 181, 148}), BoundsOf(control->HScrollBar()));
    EXPECT_EQ((TRect{181, 2, 198, 131}), BoundsOf(control->VScrollBar()));
    EXPECT_EQ((TRect{181, 131, 198, 148}), BoundsOf(control->SizeGrip()));

    control->SetScrollBars(ssVertical);
    EXPECT_FALSE(control->HScrollBar()->Visible());
    EXPECT_TRUE(control->VScrollBar()->Visible());
}

TEST_F(ControlTest, NewScrollBarSizeIsAdoptedAfterTheFrameChanges) {
    control->Content = TSize{1000, 1000};
    control->RunRecalc();
    TFixedMetrics::Thickness() = 21;
    SetWindowPos(control->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    PumpMessages();
    TFixedMetrics::Thickness() = 17;
    EXPECT_EQ(21, control->HScrollBar()->Height());
    EXPECT_EQ(21, control->VScrollBar()->Width());
    EXPECT_EQ((TRect{0, 129, 179, 150}), BoundsOf(control->HScrollBar()));
}

TEST_F(ControlTest, DialogCodeAnswersTheWantedKeys) {
    control->SetWantedKeys(TcxKeys{kAll, kArrows, kChars, kTab});
    {
        TCtrlHeld ctrl(false);
        EXPECT_EQ(0x87, SendMessageA(control->Handle(), WM_GETDLGCODE, 0, 0));
    }
    {
        TCtrlHeld ctrl(true);
        EXPECT_EQ(0x85, SendMessageA(control->Handle(), WM_GETDLGCODE, 0, 0));
    }
    control->SetWantedKeys(TcxKeys{kArrows});
    EXPECT_EQ(DLGC_WANTARROWS, SendMessageA(control->Handle(), WM_GETDLGCODE, 0, 0));
}

TEST_F(ControlTest, WheelScrollsLinesOrOnePage) {
    struct {
        UINT lines;
        int delta;
        const char* log;
    } cases[] = {
        {3, 120, "vLineUp vLineUp vLineUp "},
        {3, -120, "vLineDown vLineDown vLineDown "},
        {1, -120, "vLineDown "},
        // A screen per notch: one page, not four thousand million lines.
        {WHEEL_PAGESCROLL, 120, "vPageUp "},
        {WHEEL_PAGESCROLL, -120, "vPageDown "},
    };
    control->Content = TSize{100, 1000};
    control->RunRecalc();
    ASSERT_TRUE(control->VScrollBar()->Visible());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        TWheelLines lines(c.lines);
        control->log.clear();
        const TPoint at = control->ClientToScreen(TPoint{50, 50});
        EXPECT_EQ(1, SendMessageA(control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(c.delta)),
                                  PointParam(at.x, at.y)));
        EXPECT_EQ(c.log, control->log);
    }
    // Without a vertical bar the wheel is not this control's.
    control->Content = TSize{100, 100};
    control->RunRecalc();
    control->log.clear();
    TWheelLines lines(3);
    SendMessageA(control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), PointParam(100, 100));
    EXPECT_EQ("", control->log);
}

TEST_F(ControlTest, WideControlTakesThePressPointFromTheCursor) {
    control->recordStartOnly = true;
    control->SetBounds(0, 0, 40000, 100);
    TCursorAt cursor(control->ClientToScreen(TPoint{35000, 40}));
    SendMouse(*control, WM_RBUTTONDOWN, 35000, 40, MK_RBUTTON); // the message's x wraps negative
    ASSERT_EQ(1u, control->startPoints.size());
    EXPECT_EQ(35000, control->startPoints[0].x);
    EXPECT_EQ(40, control->startPoints[0].y);
    SendMouse(*control, WM_RBUTTONUP, 35000, 40);
    control->SetBounds(0, 0, 300, 100);
    control->startPoints.clear();
    SendMouse(*control, WM_RBUTTONDOWN, 30, 40, MK_RBUTTON);
    ASSERT_EQ(1u, control->startPoints.size());
    EXPECT_EQ(30, control->startPoints[0].x);
    SendMouse(*control, WM_RBUTTONUP, 30, 40);
}

TEST_F(ControlTest, ControlFreedByItsHandlerIsNotTouchedAfter) {
    // In MouseDown.
    control->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { control.reset(); };
    HWND window = control->Handle();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(20, 20));
    EXPECT_EQ(nullptr, control);
    EXPECT_FALSE(IsWindow(window));

    // In HandleScroll, on the first of three wheel steps.
    control = std::make_unique<TContentControl>(&form);
    control->Content = TSize{100, 1000};
    control->RunRecalc();
    int steps = 0;
    control->onScroll = [&](TScrollBarKind, TScrollCode) {
        ++steps;
        control.reset();
    };
    TWheelLines lines(3);
    window = control->Handle();
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), PointParam(100, 100));
    EXPECT_EQ(1, steps);
    EXPECT_EQ(nullptr, control);

    // In HandleScroll, on the first step of panning.
    control = std::make_unique<TContentControl>(&form);
    control->Content = TSize{1000, 1000};
    control->RunRecalc();
    steps = 0;
    control->onScroll = [&](TScrollBarKind, TScrollCode) {
        ++steps;
        control.reset();
    };
    window = control->Handle();
    TCursorAt cursor(control->ClientToScreen(TPoint{100, 60}));
    control->onApp = [&] {
        PostMessageA(window, WM_MOUSEMOVE, 0, PointParam(100, 260));
        PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, control->PanningTimer(), 0);
        PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, control->PanningTimer(), 0);
    };
    PostMessageA(window, WM_APP, 0, 0);
    SendMessageA(window, WM_MBUTTONDOWN, MK_MBUTTON, PointParam(100, 60));
    PumpMessages();
    EXPECT_EQ(1, steps);
    EXPECT_EQ(nullptr, control);
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(ControlTest, InControlDragAndDropRunsItsCourse) {
    enum TEnd { byRelease, byEscape, byCancelMode, byLostCapture };
    struct {
        const char* name;
        TEnd end;
        const char* log;
    } cases[] = {
        {"release", byRelease, "begin move(70,55 from 60,50) end(accepted) after(accepted) "},
        {"Esc", byEscape, "begin move(70,55 from 60,50) end(cancelled) after(cancelled) "},
        {"cancel mode", byCancelMode, "begin move(70,55 from 60,50) end(cancelled) after(cancelled) "},
        {"lost capture", byLostCapture, "begin move(70,55 from 60,50) end(cancelled) after(cancelled) "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string log;
        control->dragAndDrop = true;
        control->DragAndDropObjectClass = [&log](TcxControl* owner) {
            return std::make_unique<TLoggingDragObject>(owner, log);
        };
        const TCursor before = Screen().Cursor();
        TCursorAt cursor(control->ClientToScreen(TPoint{50, 50}));
        SendMouse(*control, WM_LBUTTONDOWN, 50, 50, MK_LBUTTON);
        EXPECT_EQ(ddsStarting, control->DragAndDropState());
        EXPECT_EQ((TPoint{50, 50}).x, control->MouseDownPos().x);
        SendMouse(*control, WM_MOUSEMOVE, 53, 52, MK_LBUTTON); // inside the threshold of 5
        EXPECT_EQ(ddsStarting, control->DragAndDropState());
        cursor.MoveTo(control->ClientToScreen(TPoint{60, 50}));
        SendMouse(*control, WM_MOUSEMOVE, 60, 50, MK_LBUTTON);
        EXPECT_EQ(ddsInProcess, control->DragAndDropState());
        EXPECT_TRUE(control->MouseCapture());
        SendMouse(*control, WM_MOUSEMOVE, 70, 55, MK_LBUTTON);
        switch (c.end) {
        case byRelease:
            SendMouse(*control, WM_LBUTTONUP, 70, 55);
            break;
        case byEscape:
            SendMessageA(control->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case byCancelMode:
            SendMessageA(control->Handle(), WM_CANCELMODE, 0, 0);
            break;
        case byLostCapture:
            SetCapture(form.Handle());
            break;
        }
        EXPECT_EQ(c.log, log);
        EXPECT_EQ(ddsNone, control->DragAndDropState());
        EXPECT_EQ(before, Screen().Cursor());
        EXPECT_FALSE(control->MouseCapture());
        ReleaseCapture();
    }
}

TEST_F(ControlTest, EscapeDuringDragIsConsumedBeforeTranslation) {
    std::string log;
    control->dragAndDrop = true;
    control->DragAndDropObjectClass = [&log](TcxControl* owner) {
        return std::make_unique<TLoggingDragObject>(owner, log);
    };
    TCursorAt cursor(control->ClientToScreen(TPoint{50, 50}));
    SendMouse(*control, WM_LBUTTONDOWN, 50, 50, MK_LBUTTON);
    SendMouse(*control, WM_MOUSEMOVE, 80, 50, MK_LBUTTON);
    ASSERT_EQ(ddsInProcess, control->DragAndDropState());
    MSG msg{control->Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_TRUE(IsKeyMessageConsumed(msg));
    EXPECT_EQ(ddsNone, control->DragAndDropState());
    EXPECT_NE(std::string::npos, log.find("end(cancelled)"));
}

TEST_F(ControlTest, PlatformDragShowsTheCopyCursorWithCtrl) {
    TcxDragControlObject drag(control.get());
    {
        TCtrlHeld ctrl(true);
        EXPECT_EQ(crDragCopy, drag.GetDragCursor(true, 0, 0));
        EXPECT_EQ(-13, drag.GetDragCursor(false, 0, 0));
    }
    TCtrlHeld ctrl(false);
    EXPECT_EQ(control->DragCursor, drag.GetDragCursor(true, 0, 0));
}

TEST(ContentPanning, DirectionAndSpeedFollowTheCursor) {
    const TPoint anchor{500, 500};
    const TSize screen{1280, 1024};
    struct {
        const char* name;
        TPoint point;
        bool canH, canV;
        TcxDirection direction;
        int speed;
    } cases[] = {
        {"inside the neutral square", {505, 505}, true, true, dirNone, 0},
        {"just out below: every 12th tick", {500, 516}, true, true, dirDown, 1},
        {"below", {500, 530}, true, true, dirDown, 4},
        {"far above: every tick", {500, 300}, true, true, dirUp, 12},
        {"left wins when further", {440, 480}, true, true, dirLeft, 10},
        {"right", {540, 500}, true, true, dirRight, 6},
        {"equal distances go vertical", {530, 530}, true, true, dirDown, 4},
        {"only vertical: a far side move is inside", {900, 505}, false, true, dirNone, 0},
        {"only vertical", {900, 560}, false, true, dirDown, 10},
        {"only horizontal: a far vertical move is inside", {505, 900}, true, false, dirNone, 0},
        {"only horizontal", {400, 900}, true, false, dirLeft, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TcxPanningMove move = CalcPanningMove(anchor, c.point, 31, c.canH, c.canV, screen);
        EXPECT_EQ(c.direction, move.Direction);
        EXPECT_EQ(c.speed, move.Speed);
        EXPECT_EQ(c.direction != dirNone, move.Outside);
    }
    EXPECT_EQ(crFullScroll, PanningCursor(dirNone, true, true));
    EXPECT_EQ(crHorScroll, PanningCursor(dirNone, true, false));
    EXPECT_EQ(crVerScroll, PanningCursor(dirNone, false, true));
    EXPECT_EQ(crLeftScroll, PanningCursor(dirLeft, true, true));
}

TEST_F(ControlTest, PanningStepsByTicksAndEndsAsThePressSays) {
    struct {
        const char* name;
        int moveDy; // from the anchor
        bool middleUp;
        int ticks;
        int steps;
        bool runningAfterMiddleUp;
    } cases[] = {
        {"speed 1: a step per 12 ticks", 16, false, 24, 2, false},
        {"speed 12: a step per tick", 200, false, 24, 24, false},
        {"click without moving pans on", 0, true, 0, 0, true},
        {"press, drag, release ends at the release", 200, true, 0, 0, false},
    };
    control->Content = TSize{1000, 1000};
    control->RunRecalc();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TPoint anchorClient{100, 60};
        TCursorAt cursor(control->ClientToScreen(anchorClient));
        control->recordStartOnly = false;
        control->log.clear();
        bool runningAfter = false;
        bool anchorShown = false;
        const HWND self = control->Handle();
        const int moveDy = c.moveDy, ticks = c.ticks;
        const bool middleUp = c.middleUp;
        control->onApp = [&, moveDy, ticks, middleUp] {
            anchorShown = IsWindow(control->PanningAnchorWindow()) != FALSE;
            if (moveDy)
                PostMessageA(self, WM_MOUSEMOVE, 0, PointParam(anchorClient.x, anchorClient.y + moveDy));
            for (int i = 0; i < ticks; ++i)
                PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, control->PanningTimer(), 0);
            if (middleUp) {
                PostMessageA(self, WM_MBUTTONUP, 0, PointParam(anchorClient.x, anchorClient.y + moveDy));
                PostMessageA(self, WM_APP + 1, 0, 0);
            }
            PostMessageA(self, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(5, 5));
            PostMessageA(self, WM_LBUTTONUP, 0, PointParam(5, 5));
        };
        PostMessageA(self, WM_APP, 0, 0);
        // The probe after the middle release reports whether panning still runs.
        control->onProbe = [&] { runningAfter = control->IsScrollingContent(); };
        SendMouse(*control, WM_MBUTTONDOWN, anchorClient.x, anchorClient.y, MK_MBUTTON);
        PumpMessages();
        EXPECT_TRUE(anchorShown);
        int steps = 0;
        for (size_t at = control->log.find("vLineDown"); at != std::string::npos;
             at = control->log.find("vLineDown", at + 1))
            ++steps;
        EXPECT_EQ(c.steps, steps);
        if (c.middleUp) {
            EXPECT_EQ(c.runningAfterMiddleUp, runningAfter);
        }
        EXPECT_FALSE(control->IsScrollingContent());
        EXPECT_EQ(nullptr, control->PanningAnchorWindow());
        EXPECT_FALSE(control->MouseCapture());
        control->onProbe = nullptr;
        control->onApp = nullptr;
    }
}

TEST_F(ControlTest, PopupMenusShowWhereTheInvocationSays) {
    TRecordingPopup popup;
    control->SetPopupMenu(&popup);
    ASSERT_EQ(&popup, control->PopupMenu());
    // From the keyboard: at the client origin.
    SendMessageA(control->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control->Handle()),
                 PointParam(-1, -1));
    ASSERT_EQ(1u, popup.shownAt.size());
    const TPoint origin = control->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(origin.x, popup.shownAt[0].x);
    EXPECT_EQ(origin.y, popup.shownAt[0].y);
    // By the mouse inside: where it was clicked.
    const TPoint inside = control->ClientToScreen(TPoint{30, 40});
    SendMessageA(control->Handle(), WM_CONTEXTMENU, 0, PointParam(inside.x, inside.y));
    ASSERT_EQ(2u, popup.shownAt.size());
    EXPECT_EQ(inside.x, popup.shownAt[1].x);
    // Outside the client area: the parent's.
    const TPoint outside = control->ClientToScreen(TPoint{-5, -5});
    SendMessageA(control->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control->Handle()),
                 PointParam(outside.x, outside.y));
    EXPECT_EQ(2u, popup.shownAt.size());
    EXPECT_EQ(1, form.contextMenus);
    // Its shortcut is taken before the key is translated.
    {
        TCtrlHeld ctrl(true);
        MSG msg{control->Handle(), WM_KEYDOWN, 'P', 0, 0, {0, 0}};
        EXPECT_TRUE(IsKeyMessageConsumed(msg));
    }

    TComponent plain(nullptr);
    control->SetPopupMenu(&plain);
    EXPECT_EQ(nullptr, control->PopupMenu());
    auto* freed = new TPopupMenu(nullptr);
    control->SetPopupMenu(freed);
    EXPECT_EQ(freed, control->PopupMenu());
    delete freed;
    EXPECT_EQ(nullptr, control->PopupMenu());
}

TEST_F(ControlTest, ClickFocusesTheControlAndTheFormRemembersIt) {
    SetActiveWindow(form.Handle());
    SendMouse(*control, WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_TRUE(control->Focused());
    EXPECT_EQ(control.get(), form.ActiveControl);
    EXPECT_TRUE(control->MouseButtonPressed());
    SendMouse(*control, WM_LBUTTONUP, 20, 20);
    EXPECT_FALSE(control->MouseButtonPressed());
    TContentControl other(&form);
    other.FocusOnClick = false;
    SendMouse(other, WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_TRUE(control->Focused());
    SendMouse(other, WM_LBUTTONUP, 20, 20);
    control.reset();
    EXPECT_EQ(nullptr, form.ActiveControl);
}

TEST_F(ControlTest, ChangeHooksFollowTheirMessages) {
    EXPECT_TRUE(control->ParentBackground());
    struct {
        const char* name;
        std::function<void(TContentControl&)> change;
        const char* hooks;
    } cases[] = {
        {"colour", [](TContentControl& c) { c.SetColor(clRed); }, "color "},
        {"colour message", [](TContentControl& c) { c.Perform(CM_COLORCHANGED, 0, 0); }, "color "},
        {"hidden", [](TContentControl& c) { c.SetVisible(false); }, "hidden "},
        {"shown again", [](TContentControl& c) { c.SetVisible(true); }, "shown "},
        {"caption", [](TContentControl& c) { c.SetCaption("abc"); }, "text(abc) "},
        {"same caption", [](TContentControl& c) { c.SetCaption("abc"); }, ""},
        {"parent background off", [](TContentControl& c) { c.SetParentBackground(false); },
         "parentBackground(off) "},
        {"parent background off again", [](TContentControl& c) { c.SetParentBackground(false); }, ""},
        {"parent background on", [](TContentControl& c) { c.SetParentBackground(true); },
         "parentBackground(on) "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        control->hooks.clear();
        c.change(*control);
        EXPECT_EQ(c.hooks, control->hooks);
    }
    EXPECT_TRUE(control->ControlStyle.Contains(csParentBackground));
}

TEST_F(ControlTest, ThemeChangePlacesTheBarsAgain) {
    control->Content = TSize{1000, 1000};
    control->RunRecalc();
    const TRect placed = BoundsOf(control->VScrollBar());
    control->VScrollBar()->SetBounds(0, 0, 17, 40);
    ASSERT_NE(nullptr, ThemeChangeReceiverWindow());
    TScopedThemeSeam::NotifyThemeChanged();
    EXPECT_EQ(placed, BoundsOf(control->VScrollBar()));
    EXPECT_EQ((TRect{0, 133, 183, 150}), BoundsOf(control->HScrollBar()));
}

TEST_F(ControlTest, DesignHitTestHoldsWhileAButtonIsPressed) {
    EXPECT_EQ(0, control->Perform(CM_DESIGNHITTEST, MK_LBUTTON, PointParam(20, 20)));
    SendMouse(*control, WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    ASSERT_TRUE(control->MouseButtonPressed());
    EXPECT_EQ(1, control->Perform(CM_DESIGNHITTEST, MK_LBUTTON, PointParam(20, 20)));
    SendMouse(*control, WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(0, control->Perform(CM_DESIGNHITTEST, MK_LBUTTON, PointParam(20, 20)));
}

TEST_F(ControlTest, DragImagesComeFromThePaintedPicture) {
    struct {
        const char* name;
        bool images;
        TSize size;
        bool listed;
    } cases[] = {
        {"no drag images", false, TSize{16, 12}, false},
        {"no size", true, TSize{0, 0}, false},
        {"no height", true, TSize{16, 0}, false},
        {"a picture", true, TSize{16, 12}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDragPictureControl probe(nullptr);
        probe.images = c.images;
        probe.imageSize = c.size;
        probe.SetParent(&form);
        ASSERT_TRUE(probe.HandleAllocated());
        EXPECT_EQ(c.images, probe.ControlStyle.Contains(csDisplayDragImage));
        TDragImageList* list = probe.GetDragImages();
        EXPECT_EQ(c.listed, list != nullptr);
        if (!list) continue;
        EXPECT_TRUE(dynamic_cast<TcxDragImageList*>(list));
        EXPECT_EQ(16, list->Width());
        EXPECT_EQ(12, list->Height());
        ASSERT_EQ(1, list->Count());
        TBitmap shown(16, 12);
        shown.Canvas().Brush().SetColor(clBlue);
        shown.Canvas().FillRect(TRect{0, 0, 16, 12});
        list->Draw(shown.Canvas(), 0, 0, 0);
        EXPECT_EQ(DragImageColor, shown.Canvas().Pixel(5, 3) & 0xFFFFFF);
        EXPECT_EQ(clBlue, shown.Canvas().Pixel(0, 11) & 0xFFFFFF) << "the transparent colour";
        EXPECT_EQ(clBlue, shown.Canvas().Pixel(14, 1) & 0xFFFFFF);
        // Made once.
        EXPECT_EQ(list, probe.GetDragImages());
        EXPECT_EQ(1, probe.paints);
    }
}

TEST_F(ControlTest, PlatformDragShowsItsImageOverControlsThatDisplayIt) {
    control.reset();
    // The real cursor goes back where it was, and the moves the system reports for it are taken
    // here: arriving late, they would reach whichever window of a later test holds the mouse.
    POINT savedCursor;
    GetCursorPos(&savedCursor);
    struct TRestoreCursor {
        POINT at;
        ~TRestoreCursor() {
            SetCursorPos(at.x, at.y);
            const DWORD start = GetTickCount();
            while (GetTickCount() - start < 300) {
                PumpMessages();
                Sleep(10);
            }
        }
    } restoreCursor{savedCursor};
    TDragPictureControl source(&form);
    source.SetBounds(10, 10, 100, 100);
    // Made with its parent at once: it tells that it displays drag images once a drag reaches it.
    TDragPictureControl target(&form);
    target.SetBounds(200, 10, 150, 150);
    PumpMessages();
    const TPoint overTarget = target.ClientToScreen(TPoint{20, 30});
    const TPoint overForm = form.ClientToScreen(TPoint{250, 300});
    const TPoint inBlock{5, 3};
    auto at = [&](TPoint p) { return TPoint{p.x + inBlock.x, p.y + inBlock.y}; };
    TColor onTarget = clNone, afterRepaint = clNone, onForm = clNone;
    bool systemDragging = false;
    target.onApp = [&] {
        onTarget = ScreenColorOn(form, at(overTarget));
        systemDragging = ImageList_GetDragImage(nullptr, nullptr) != nullptr;
        // A repaint beneath the image keeps it shown on top.
        InvalidateRect(target.Handle(), nullptr, FALSE);
        UpdateWindow(target.Handle());
        afterRepaint = ScreenColorOn(form, at(overTarget));
        SetCursorPos(overForm.x, overForm.y);
    };
    target.onProbe = [&] { onForm = ScreenColorOn(form, at(overForm)); };
    const TColor targetBackground = ScreenColorOn(form, at(overTarget));
    const TColor formBackground = ScreenColorOn(form, at(overForm));
    SetCursorPos(overTarget.x, overTarget.y);
    PostMessageA(source.Handle(), WM_MOUSEMOVE, MK_LBUTTON, 0);
    PostMessageA(target.Handle(), WM_APP, 0, 0);
    PostMessageA(source.Handle(), WM_MOUSEMOVE, MK_LBUTTON, 0);
    PostMessageA(target.Handle(), WM_APP + 1, 0, 0);
    PostMessageA(source.Handle(), WM_LBUTTONUP, 0, 0);
    source.BeginDrag(true);
    EXPECT_FALSE(source.Dragging());
    EXPECT_TRUE(systemDragging);
    EXPECT_TRUE(ShowsDragImage(onTarget, targetBackground)) << std::hex << onTarget;
    EXPECT_TRUE(ShowsDragImage(afterRepaint, targetBackground)) << std::hex << afterRepaint;
    EXPECT_EQ(formBackground, onForm) << "the form does not display drag images";
    EXPECT_EQ(nullptr, ImageList_GetDragImage(nullptr, nullptr));
    // The list went with the drag: the next drag paints its picture again.
    ASSERT_NE(nullptr, source.GetDragImages());
    EXPECT_EQ(2, source.paints);
    target.onApp = nullptr;
    target.onProbe = nullptr;
}

TEST_F(ControlTest, RecordsTheBarRefusesNeverRaiseFromTheWindow) {
    int errors = 0;
    auto previous = SetApplicationExceptionHandler([&errors](const std::exception&) { ++errors; });
    control->AllowHide = false;
    control->calc = [](TContentControl& c) { c.SetInfo(sbVertical, -100, 50, 1, 100, -10); };
    // WM_SIZE: the bars are recalculated inside the window procedure.
    EXPECT_NO_THROW(control->SetBounds(10, 10, 220, 160));
    PumpMessages();
    SetApplicationExceptionHandler(previous);
    EXPECT_EQ(0, errors);
    EXPECT_TRUE(control->VScrollBar()->Visible());
    EXPECT_FALSE(control->VScrollBar()->Enabled());
}
