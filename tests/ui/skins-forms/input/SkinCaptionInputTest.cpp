// The skinned caption under the real mouse: hot buttons, presses and releases that send their
// commands, a form that frees itself from its own close, and the window region.
#include <gtest/gtest.h>

#include <vector>

#include "../SkinFormsSupport.h"
#include "tests/ui/core/MouseInput.h"

using namespace skinforms;

namespace {
// Records the caption-button commands that reach the form, and keeps them from acting.
class TRecordingForm : public TForm {
public:
    VZ_CLASS(TRecordingForm, TForm)
    using TForm::TForm;
    std::vector<WPARAM> Commands;
    bool FreeOnClose = false;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SYSCOMMAND) {
            const WPARAM command = wParam & 0xFFF0;
            if (command == SC_CLOSE || command == SC_MINIMIZE || command == SC_MAXIMIZE || command == SC_RESTORE ||
                command == SC_CONTEXTHELP) {
                Commands.push_back(command);
                if (!(FreeOnClose && command == SC_CLOSE)) return 0;
            } else if (command == SC_MOVE) {
                return 0; // no move loop under the test's mouse
            }
        }
        if (message == WM_CLOSE && FreeOnClose) {
            delete this; // the window, and with it the skin's controller, goes here
            return 0;
        }
        return TForm::WndProc(message, wParam, lParam);
    }
    using TForm::WndProc;
};

void Pump(int milliseconds = 60) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while (GetTickCount() < end);
}

void SendMouse(DWORD flags, TPoint at) {
    SendMouseInput(flags, at);
    Pump();
}

class SkinnedCaptionInput : public SkinnedForms {
protected:
    TRecordingForm* MakeRecordingForm() {
        auto* form = new TRecordingForm(nullptr);
        forms.push_back(form);
        form->SetCaption("Input");
        form->SetBounds(200, 200, 400, 300);
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump();
        return form;
    }
    // A point of the caption button in screen coordinates.
    static TPoint ButtonPoint(TForm* form, int index) {
        TdxSkinFormController& controller = *FormControllerOf(form);
        controller.CalculateNonClient();
        const TPoint p = Middle(controller.NonClientInfo->ButtonRects[index]);
        RECT w;
        GetWindowRect(form->Handle(), &w);
        return TPoint{w.left + p.x, w.top + p.y};
    }
    static TPoint CaptionPoint(TForm* form) {
        RECT w;
        GetWindowRect(form->Handle(), &w);
        return TPoint{w.left + 150, w.top + FormControllerOf(form)->NonClientInfo->FrameSizes.top / 2};
    }
    void Click(TPoint down, TPoint up) {
        SendMouse(0, down);
        SendMouse(MOUSEEVENTF_LEFTDOWN, down);
        SendMouse(0, up);
        SendMouse(MOUSEEVENTF_LEFTUP, up);
    }
};
} // namespace

TEST_F(SkinnedCaptionInput, HoverMakesAButtonHotAndLeavingMakesItNormal) {
    TRecordingForm* form = MakeRecordingForm();
    TdxSkinFormController& controller = *FormControllerOf(form);
    SendMouse(0, ButtonPoint(form, sbClose));
    EXPECT_EQ(controller.NonClientInfo->ButtonStates[sbClose], esHot);
    EXPECT_EQ(controller.NonClientInfo->ButtonStates[sbMaximize], esNormal);
    RECT w;
    GetWindowRect(form->Handle(), &w);
    SendMouse(0, TPoint{w.left + 200, w.top + 150});
    if (TMouseTrackingTimer* timer = FindMouseTrackingTimer(&controller)) timer->Tick();
    Pump();
    EXPECT_EQ(controller.NonClientInfo->ButtonStates[sbClose], esNormal);
}

TEST_F(SkinnedCaptionInput, PressAndReleaseOnAButtonSendsItsCommand) {
    TRecordingForm* form = MakeRecordingForm();
    // The help button: a dialog frame with context help.
    SetWindowLongPtrA(form->Handle(), GWL_EXSTYLE,
                      GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
    FormControllerOf(form)->UpdateFrame();
    struct TCase {
        int button;
        WPARAM command;
    };
    for (const TCase& c : {TCase{sbClose, SC_CLOSE}, TCase{sbMinimize, SC_MINIMIZE}, TCase{sbMaximize, SC_MAXIMIZE},
                           TCase{sbHelp, SC_CONTEXTHELP}}) {
        SCOPED_TRACE(c.button);
        form->Commands.clear();
        const TPoint at = ButtonPoint(form, c.button);
        Click(at, at);
        EXPECT_EQ(form->Commands, std::vector<WPARAM>{c.command});
    }
    // Pressed on a button, released elsewhere: nothing.
    form->Commands.clear();
    Click(ButtonPoint(form, sbClose), CaptionPoint(form));
    EXPECT_TRUE(form->Commands.empty());
    // A maximised form's restore button restores. The maximised window reaches past the screen
    // here, where the desktop takes the real mouse: the cursor comes through the seam instead.
    ShowWindow(form->Handle(), SW_MAXIMIZE);
    Pump();
    form->Commands.clear();
    static TPoint restore;
    restore = ButtonPoint(form, sbRestore);
    const TCursorPosSource saved = SetCursorPosSource([](TPoint& p) {
        p = restore;
        return true;
    });
    const LPARAM at = MAKELPARAM(static_cast<WORD>(restore.x), static_cast<WORD>(restore.y));
    const LRESULT hit = SendMessageA(form->Handle(), WM_NCHITTEST, 0, at);
    EXPECT_EQ(hit, HTMAXBUTTON);
    SendMessageA(form->Handle(), WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), at);
    SendMessageA(form->Handle(), WM_NCLBUTTONUP, static_cast<WPARAM>(hit), at);
    SetCursorPosSource(saved);
    EXPECT_EQ(form->Commands, std::vector<WPARAM>{SC_RESTORE});
    ShowWindow(form->Handle(), SW_RESTORE);
    Pump();
}

TEST_F(SkinnedCaptionInput, FormFreedInItsOwnCloseLeavesNothingRunning) {
    TRecordingForm* form = MakeRecordingForm();
    form->FreeOnClose = true;
    forms.clear(); // it frees itself
    const int controllers = WindowControllerCount();
    const HWND window = form->Handle();
    const TPoint at = ButtonPoint(form, sbClose);
    Click(at, at);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WindowControllerCount(), controllers - 1);
    EXPECT_EQ(FindControllerByHandle(window), nullptr);
    EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST_F(SkinnedCaptionInput, RegionIsTheWindowRectangleExceptWhileMaximised) {
    TRecordingForm* form = MakeRecordingForm();
    const HWND window = form->Handle();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    auto regionBox = [&](RECT& box) {
        const int kind = GetWindowRgn(window, region);
        GetRgnBox(region, &box);
        return kind;
    };
    RECT box;
    EXPECT_EQ(regionBox(box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 400, 300}));
    ShowWindow(window, SW_MAXIMIZE);
    Pump();
    SendMessageA(window, WM_NULL, 0, 0); // the next message after maximising removes it
    EXPECT_EQ(regionBox(box), ERROR);
    ShowWindow(window, SW_RESTORE);
    Pump();
    EXPECT_EQ(regionBox(box), SIMPLEREGION);
    RECT w;
    GetWindowRect(window, &w);
    EXPECT_EQ(box, (RECT{0, 0, w.right - w.left, w.bottom - w.top}));
    DeleteObject(region);
}
