// The container as a real child window on a form, with an inner control over the system's EDIT
// class and two neighbours, driven by sent and posted messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/KeyHeld.h"
#include "tests/ui/core/PaintSurface.h"
#include "ui/core/ThemeBinding.h"
#include "ui/editors/framework/Container.h"

namespace {

// A platform control over the system's EDIT window that logs every message reaching it.
class TLoggingEdit : public TWinControl {
public:
    TLoggingEdit(TWinControl* parent, int left, int top, int width, int height) : TWinControl(nullptr) {
        SetTabStop(true);
        SetBounds(left, top, width, height);
        SetParent(parent);
        if (parent->HandleAllocated()) Handle();
    }
    ~TLoggingEdit() override {
        Destroying();
        DestroyHandle();
    }
    std::vector<UINT> log;
    LRESULT keyUpAnswer = 42;
    int Count(UINT message) const { return static_cast<int>(std::count(log.begin(), log.end(), message)); }
    std::string Text() {
        char text[64] = {};
        GetWindowTextA(Handle(), text, sizeof(text));
        return text;
    }

protected:
    void CreateHandle() override {
        if (handle_ || !Parent()) return;
        HWND window = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, left_, top_, width_,
                                      height_, Parent()->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        editProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        handle_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StdWndProc));
    }
    void DestroyWindowHandle() override {
        SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc_));
        TWinControl::DestroyWindowHandle();
    }
    void BoundsChanged(const TRect& oldBounds) override {
        (void)oldBounds;
        if (handle_) SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        log.push_back(message);
        const LRESULT result = CallWindowProcA(editProc_, handle_, message, wParam, lParam);
        return message == WM_KEYUP ? keyUpAnswer : result;
    }
    using TWinControl::WndProc;

private:
    WNDPROC editProc_ = nullptr;
};

class TTestContainer : public TcxContainer {
public:
    explicit TTestContainer(TWinControl* parent) : TcxContainer(nullptr) {
        SetBounds(20, 40, 100, 40);
        SetParent(parent);
    }
    // What the inner control of an editor does with its keys.
    void InnerKeyDown(WORD& key, TShiftState shift) { KeyDown(key, shift); }
    int painted = 0;

protected:
    void Paint() override {
        ++painted;
        TcxContainer::Paint();
    }
};

const TColor FocusedFrame = 0x0000FF;
const TColor HotFill = 0x00FFFF;

class ContainerWindowTest : public testing::Test {
protected:
    THostForm form;
    std::unique_ptr<TLoggingEdit> before = std::make_unique<TLoggingEdit>(&form, 20, 10, 80, 20);
    std::unique_ptr<TTestContainer> container = std::make_unique<TTestContainer>(&form);
    std::unique_ptr<TLoggingEdit> inner;
    std::unique_ptr<TLoggingEdit> after = std::make_unique<TLoggingEdit>(&form, 20, 100, 80, 20);
    TCursorAt cursor{TPoint{5, 5}};

    void SetUp() override {
        container->Style()->SetBorderStyle(cbsSingle);
        container->Style()->SetBorderColor(clWindowFrame);
        container->StyleFocused()->SetBorderColor(FocusedFrame);
        inner = std::make_unique<TLoggingEdit>(container.get(), 0, 0, 10, 10);
        inner->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) { container->InnerKeyDown(key, shift); };
        // An editor's inner control tells its container when the focus comes or goes.
        inner->OnEnter = inner->OnExit = [this](TObject*) { container->RefreshAtCursor(); };
        container->SetInnerControl(inner.get());
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
    }
    void TearDown() override {
        container.reset();
        inner.reset();
    }
    // A point of the container in screen coordinates.
    TPoint At(int x, int y) { return container->ClientToScreen(TPoint{x, y}); }
    void MoveOver(int x, int y, WPARAM keys = 0) {
        cursor.MoveTo(At(x, y));
        SendMouse(*container, WM_MOUSEMOVE, x, y, keys);
    }
    TcxContainerState State() { return container->DrawInfo()->StateSet; }
    // The container's own picture, as printing it draws it.
    COLORREF PixelOf(int x, int y) {
        TPaintSurface surface(container->Width(), container->Height());
        SendMessageA(container->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.DC()), PRF_CLIENT);
        return surface.At(x, y);
    }
};

TEST_F(ContainerWindowTest, InnerControlFillsTheContentAreaAndTakesColourAndFont) {
    const TRect content = container->DrawInfo()->ContentRect;
    EXPECT_EQ(content.left, 2);
    EXPECT_EQ(content.right, 98);
    const TRect innerBounds = inner->BoundsRect();
    EXPECT_TRUE(EqualRect(&content, &innerBounds));
    EXPECT_EQ(inner->Color(), container->DrawInfo()->FillColor);
    container->Style()->SetColor(HotFill);
    EXPECT_EQ(inner->Color(), HotFill);
    container->Style()->Font()->SetSize(15);
    EXPECT_EQ(inner->Font().Size(), 15);
}

TEST_F(ContainerWindowTest, FocusLandsInTheInnerEditAndTheFrameShowsTheFocusedStyle) {
    EXPECT_EQ(PixelOf(1, 20), Sys(clWindowFrame));
    container->SetFocus();
    EXPECT_EQ(GetFocus(), inner->Handle());
    EXPECT_TRUE(container->Focused());
    EXPECT_TRUE(State().Contains(cstFocused));
    EXPECT_EQ(container->GetActiveStyle(), container->StyleFocused());
    // Focused, the single border is raised to thick: both rings in the focused colour.
    EXPECT_EQ(PixelOf(0, 20), Sys(FocusedFrame));
    EXPECT_EQ(PixelOf(1, 20), Sys(FocusedFrame));
    after->SetFocus();
    EXPECT_FALSE(container->Focused());
    EXPECT_FALSE(State().Contains(cstFocused));
    // Focus given to the container's own window moves on to the inner edit.
    ::SetFocus(container->Handle());
    EXPECT_EQ(GetFocus(), inner->Handle());
}

TEST_F(ContainerWindowTest, MouseMoveWithoutButtonsMakesItHotAndLeavingEndsItAfterTheTick) {
    container->Style()->SetBorderStyle(cbsUltraFlat);
    container->StyleHot()->SetColor(HotFill);
    MoveOver(1, 20, MK_LBUTTON);
    EXPECT_FALSE(State().Contains(cstHot));
    MoveOver(1, 20);
    EXPECT_TRUE(State().Contains(cstHot));
    EXPECT_EQ(container->GetActiveStyle(), container->StyleHot());
    EXPECT_EQ(inner->Color(), HotFill);
    EXPECT_EQ(PixelOf(1, 20), Sys(clHighlight));
    TMouseTrackingTimer* timer = FindMouseTrackingTimer(container.get());
    ASSERT_NE(timer, nullptr);
    // Still inside at the tick: hot stays.
    TickTimer(*timer);
    EXPECT_TRUE(State().Contains(cstHot));
    cursor.MoveTo(TPoint{5, 5});
    TickTimer(*timer);
    EXPECT_FALSE(State().Contains(cstHot));
    EXPECT_FALSE(IsMouseLeaveTracking(container.get()));
    EXPECT_EQ(PixelOf(1, 20), Sys(clBtnShadow));
}

TEST_F(ContainerWindowTest, AHotChangeInvalidatesOnlyTheStripsAroundTheInnerEdit) {
    container->Style()->SetBorderStyle(cbsUltraFlat);
    UpdateWindow(form.Handle());
    RedrawWindow(container->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    inner->log.clear();
    MoveOver(1, 20);
    ASSERT_TRUE(State().Contains(cstHot));
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetUpdateRgn(container->Handle(), update, FALSE), NULLREGION);
    const TRect content = container->DrawInfo()->ContentRect;
    EXPECT_FALSE(RectInRegion(update, &content));
    EXPECT_TRUE(PtInRegion(update, 1, 20));
    DeleteObject(update);
    RECT innerUpdate;
    EXPECT_FALSE(GetUpdateRect(inner->Handle(), &innerUpdate, FALSE));
    PumpMessages();
    EXPECT_EQ(inner->Count(WM_PAINT), 0);
}

TEST_F(ContainerWindowTest, DisabledShowsTheDisabledStyle) {
    container->StyleDisabled()->SetBorderColor(clBtnShadow);
    container->SetEnabled(false);
    EXPECT_TRUE(State() == TcxContainerState{cstDisabled});
    EXPECT_EQ(container->GetActiveStyle(), container->StyleDisabled());
    EXPECT_EQ(container->DrawInfo()->FillColor, clBtnFace);
    EXPECT_EQ(PixelOf(1, 20), Sys(clBtnShadow));
    // Hot over a disabled container still shows the Disabled style.
    MoveOver(1, 20);
    EXPECT_EQ(container->GetActiveStyle(), container->StyleDisabled());
    container->SetEnabled(true);
    EXPECT_FALSE(State().Contains(cstDisabled));
}

TEST_F(ContainerWindowTest, KeyMessagesSentToTheContainerReachTheEditWithItsResult) {
    const LRESULT throughContainer = SendMessageA(container->Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(throughContainer, SendMessageA(inner->Handle(), WM_CHAR, 'y', 1));
    EXPECT_EQ(inner->Text(), "xy");
    EXPECT_EQ(SendMessageA(container->Handle(), WM_KEYUP, 'X', 0xC0000001), 42);
    inner->keyUpAnswer = 7;
    EXPECT_EQ(container->Perform(CN_KEYUP, 'X', 0), 0); // reflected twin: the inner control's own answer
    EXPECT_EQ(SendMessageA(container->Handle(), WM_KEYUP, 'X', 0xC0000001), 7);
    inner->log.clear();
    SendMessageA(container->Handle(), WM_KEYDOWN, VK_END, 1);
    EXPECT_EQ(inner->Count(WM_KEYDOWN), 1);
    PostMessageA(container->Handle(), WM_CHAR, 'z', 1);
    PumpMessages();
    EXPECT_EQ(inner->Text(), "xyz");
}

TEST_F(ContainerWindowTest, TabAndShiftTabMoveAmongTheThreeControlsCtrlAndAltTabPass) {
    container->SetFocus();
    ASSERT_EQ(GetFocus(), inner->Handle());
    SendMessageA(inner->Handle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(GetFocus(), after->Handle());
    container->SetFocus();
    {
        TKeyHeld shift(VK_SHIFT);
        SendMessageA(inner->Handle(), WM_KEYDOWN, VK_TAB, 1);
    }
    EXPECT_EQ(GetFocus(), before->Handle());
    for (int modifier : {VK_CONTROL, VK_MENU}) {
        container->SetFocus();
        TKeyHeld held(modifier);
        WORD key = VK_TAB;
        container->InnerKeyDown(key, KeyboardShiftState());
        EXPECT_EQ(key, VK_TAB) << modifier;
        EXPECT_EQ(GetFocus(), inner->Handle()) << modifier;
    }
    // From a neighbour the form's tab order reaches the inner edit through the container.
    before->SetFocus();
    EXPECT_TRUE(form.SelectNext(before.get(), true, true));
    EXPECT_EQ(GetFocus(), inner->Handle());
}

TEST_F(ContainerWindowTest, SetCursorOutsideTheContentGivesTheArrow) {
    container->SetCursor(crHourGlass);
    EXPECT_EQ(inner->Cursor(), crHourGlass);
    const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    cursor.MoveTo(At(1, 20));
    ::SetCursor(Screen().Cursors(crHourGlass));
    EXPECT_EQ(SendMessageA(container->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(container->Handle()), hit), 1);
    EXPECT_EQ(GetCursor(), Screen().Cursors(crArrow));
    // A container without an inner control shows its own cursor there.
    container->SetInnerControl(nullptr);
    SendMessageA(container->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(container->Handle()), hit);
    EXPECT_EQ(GetCursor(), Screen().Cursors(crHourGlass));
}

TEST_F(ContainerWindowTest, CursorOutsideTheWindowTreeGivesNoHotState) {
    cursor.MoveTo(inner->ClientToScreen(TPoint{5, 5})); // over the inner edit: the container's tree
    container->RefreshAtCursor();
    EXPECT_TRUE(State().Contains(cstHot));
    cursor.MoveTo(before->ClientToScreen(TPoint{5, 5}));
    container->RefreshAtCursor();
    EXPECT_FALSE(State().Contains(cstHot));
}

TEST_F(ContainerWindowTest, ColourAndFontSetOnTheControlReachTheNormalStyleAndSurviveAStyleChange) {
    container->SetColor(HotFill);
    EXPECT_EQ(container->Style()->GetColor(), HotFill);
    EXPECT_NE(container->Style()->AssignedValues() & StyleValueBit(svColor), 0u);
    const int defaultSize = container->Style()->Font()->Size();
    container->Font().SetSize(defaultSize + 6);
    EXPECT_EQ(container->Style()->Font()->Size(), defaultSize + 6);
    // Not the style's own font: the bit goes again, but the font is not read back to its defaults.
    EXPECT_EQ(container->Style()->AssignedValues() & StyleValueBit(svFont), 0u);
    container->Style()->SetBorderStyle(cbsThick);
    EXPECT_EQ(container->Color(), HotFill);
    EXPECT_EQ(container->Font().Size(), defaultSize + 6);
    EXPECT_EQ(inner->Color(), HotFill);
    EXPECT_EQ(inner->Font().Size(), defaultSize + 6);
}

TEST_F(ContainerWindowTest, ParentColourReachesAContainerThatTakesIt) {
    container->SetParentColor(true);
    form.SetColor(HotFill);
    EXPECT_EQ(container->Style()->GetColor(), HotFill);
    EXPECT_EQ(container->DrawInfo()->FillColor, HotFill);
    EXPECT_EQ(inner->Color(), HotFill);
    EXPECT_EQ(container->Style()->AssignedValues() & StyleValueBit(svColor), 0u);
}

TEST_F(ContainerWindowTest, WindowRegionLeavesOutTheTransparentBand) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(container->Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 1, 1));
    EXPECT_TRUE(PtInRegion(region, 98, 38));
    EXPECT_FALSE(PtInRegion(region, 99, 20));
    // With a shadow the frame joins itself shifted by (3, 3).
    container->Style()->SetShadow(true);
    ASSERT_NE(GetWindowRgn(container->Handle(), region), ERROR);
    EXPECT_TRUE(PtInRegion(region, 98, 38));
    EXPECT_FALSE(PtInRegion(region, 2, 38));
    EXPECT_FALSE(PtInRegion(region, 98, 2));
    EXPECT_TRUE(PtInRegion(region, 1, 1));
    DeleteObject(region);
}

TEST_F(ContainerWindowTest, AnotherChildAlignedLeavesNoStaleRegionOnTheInnerControl) {
    const TRect content = container->DrawInfo()->ContentRect;
    // The inner control sticks out of the content area: only its inside part stays visible.
    inner->SetBounds(content.left - 1, content.top, 50, 10);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(inner->Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 5));
    EXPECT_TRUE(container->InnerBounds().Rect.left == 1);
    // Another child placed wholly inside.
    TLoggingEdit other(container.get(), content.left + 1, content.top + 1, 10, 10);
    other.SetBounds(content.left + 2, content.top + 1, 10, 10);
    EXPECT_FALSE(container->InnerBounds().Empty);
    // The inner control back inside: its region goes.
    inner->SetBounds(content.left, content.top, 50, 10);
    EXPECT_EQ(GetWindowRgn(inner->Handle(), region), ERROR);
    DeleteObject(region);
}

TEST_F(ContainerWindowTest, DestroyingAFocusedHotContainer) {
    container->SetFocus();
    MoveOver(1, 20);
    ASSERT_TRUE(IsMouseLeaveTracking(container.get()));
    TcxContainer* gone = container.get();
    container.reset();
    EXPECT_FALSE(IsMouseLeaveTracking(gone));
    EXPECT_FALSE(inner->HandleAllocated());
    PumpMessages();
    after->SetFocus();
    EXPECT_EQ(GetFocus(), after->Handle());
}

TEST_F(ContainerWindowTest, FreedInnerControlIsForgotten) {
    inner.reset();
    EXPECT_EQ(container->HostedControl(), nullptr);
    container->RefreshAtCursor();
    MoveOver(1, 20);
    EXPECT_TRUE(State().Contains(cstHot));
}

TEST_F(ContainerWindowTest, PostedCreationMessageGivesTheFirstRefresh) {
    TTestContainer late(&form);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, late.Handle(), CM_CONTAINERCREATED, CM_CONTAINERCREATED, PM_NOREMOVE));
    late.DrawInfo()->OuterRect = TRect{};
    PumpMessages();
    EXPECT_EQ(late.DrawInfo()->OuterRect.right, 100);
}

TEST_F(ContainerWindowTest, SkinnedFrameIsOnePixelInTheEditBorderColourOverTheParentsBackground) {
    form.SetColor(HotFill);
    container->Style()->SetBorderStyle(cbsThick);
    container->Style()->LookAndFeel().SetSkinName("Black");
    const TcxContainerViewInfo& info = *container->DrawInfo();
    ASSERT_NE(info.SkinPainter, nullptr);
    EXPECT_EQ(info.FrameWidth, 1);
    EXPECT_EQ(info.FrameColor, info.SkinPainter->GetEditBorderColor(false));
    EXPECT_EQ(info.InnerRect.left, 2); // a thick border's extent, no transparent band with a skin
    const COLORREF border = ColorToRGB(info.SkinPainter->GetEditBorderColor(false)) & 0xFFFFFF;
    EXPECT_EQ(PixelOf(1, 20), border);
    EXPECT_EQ(PixelOf(98, 20), border);
    EXPECT_EQ(PixelOf(50, 1), border);
    EXPECT_EQ(PixelOf(0, 20), Sys(HotFill)) << "outside the frame: what lies behind the control";
    EXPECT_EQ(PixelOf(50, 39), Sys(HotFill));
    container->SetFocus();
    EXPECT_EQ(container->DrawInfo()->FrameColor, info.SkinPainter->GetEditBorderColor(true));
}

TEST_F(ContainerWindowTest, ScalingScalesTheStyleFontAndKeepsItTheStylesOwn) {
    container->Style()->Font()->SetSize(10);
    ASSERT_NE(container->Style()->AssignedValues() & StyleValueBit(svFont), 0u);
    container->ChangeScale(3, 2);
    EXPECT_EQ(container->Style()->Font()->Size(), 15);
    EXPECT_EQ(container->Font().Size(), 15);
    EXPECT_EQ(container->Width(), 150);
    // A shared controller's font is scaled once while loading, however many containers ask.
    TcxStyleController controller(nullptr);
    controller.Style()->Font()->SetSize(8);
    TTestContainer a(&form), b(&form);
    for (TTestContainer* c : {&a, &b}) {
        c->Style()->SetStyleController(&controller);
        c->BeginLoading();
        c->ScaleFontWhileLoading = true; // the form scales fonts as it loads
        c->ChangeScale(2, 1);
        c->Loaded();
    }
    EXPECT_EQ(controller.Style()->Font()->Size(), 16);
    EXPECT_EQ(a.Style()->Font()->Size(), 16);
    // Loading without font scaling asked for leaves the fonts alone.
    TTestContainer c(&form);
    c.Style()->Font()->SetSize(10);
    c.BeginLoading();
    c.ChangeScale(2, 1);
    c.Loaded();
    EXPECT_EQ(c.Style()->Font()->Size(), 10);
}

// ---------------------------------------------------------------------------------------------
// The platform theme

HRESULT WINAPI CompositionOn(BOOL* enabled) {
    *enabled = TRUE;
    return S_OK;
}

TEST_F(ContainerWindowTest, NativeContainerFillsTheThemeContentAndItsBorderColour) {
    container->Style()->LookAndFeel().SetNativeStyle(true);
    if (!OpenCachedTheme(totEdit)) GTEST_SKIP() << "the theme class \"Edit\" does not open here";
    ASSERT_TRUE(container->DrawInfo()->UsesTheme);
    container->Style()->SetColor(HotFill);
    const FARPROC saved = DwmEntryPoint("DwmIsCompositionEnabled");
    for (bool composition : {false, true}) {
        SCOPED_TRACE(composition ? "composition on" : "composition off");
        if (composition && !IsDwmLibraryBound()) continue;
        SetDwmEntryPointForTest("DwmIsCompositionEnabled",
                                composition ? reinterpret_cast<FARPROC>(&CompositionOn) : nullptr);
        container->RefreshAtCursor();
        const TcxContainerViewInfo& info = *container->DrawInfo();
        EXPECT_EQ(info.ThemePart, composition ? 3 : 1);
        HTHEME borderTheme = OpenCachedTheme(composition ? totListBox : totComboBox);
        COLORREF border = 0;
        if (!borderTheme ||
            FAILED(dxUxTheme::GetThemeColor(borderTheme, composition ? 3 : 1, 1, cxThemeBorderColorProperty, &border)))
            continue;
        EXPECT_EQ(PixelOf(0, 20), border & 0xFFFFFF);
        EXPECT_EQ(PixelOf(50, 20), Sys(HotFill)) << "under the inner edit: the container's own picture";
    }
    SetDwmEntryPointForTest("DwmIsCompositionEnabled", saved);
    // Native frames need no window region.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(container->Handle(), region), ERROR);
    DeleteObject(region);
    // Disabled without a colour of its own: the theme's fill.
    container->Style()->SetAssignedValues(0);
    container->SetEnabled(false);
    COLORREF fill = 0;
    if (SUCCEEDED(dxUxTheme::GetThemeColor(OpenCachedTheme(totEdit), container->DrawInfo()->ThemePart, 4,
                                           cxThemeFillColorProperty, &fill)))
        EXPECT_EQ(static_cast<COLORREF>(container->DrawInfo()->FillColor), fill);
    else
        EXPECT_EQ(container->DrawInfo()->FillColor, container->StyleDisabled()->GetColor());
}

} // namespace
