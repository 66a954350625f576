// The check box as a real window on a form: Space pressed and released, clicks by sent messages
// and by the system's own mouse input, the caption's accelerator, inplace Space characters, and
// what a state change leaves to repaint.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/MouseInput.h"
#include "ui/editors/CheckBoxEdit.h"

namespace {
class CheckBoxWindow : public testing::Test {
protected:
    THostForm form;
    std::unique_ptr<TcxCheckBox> box;
    // The cursor away from the box unless a test moves it.
    TCursorAt cursor{TPoint{-200, -200}};
    int changes = 0, editValueChanges = 0, clicks = 0, dblClicks = 0;

    void SetUp() override {
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
    }
    void TearDown() override {
        if (box) {
            EXPECT_EQ(box->ModifiedStateDepth(), 0);
        }
        box.reset();
    }
    TcxCheckBox& Make(bool inplace = false) {
        box = TcxCustomEdit::CreateWithMode<TcxCheckBox>(nullptr, inplace);
        box->SetParent(&form);
        box->SetBounds(10, 10, 121, 21);
        box->SetCaption("&Go");
        box->Properties()->OnChange = [this](TObject*) { ++changes; };
        box->Properties()->OnEditValueChanged = [this](TObject*) { ++editValueChanges; };
        box->OnClick = [this](TObject*) { ++clicks; };
        box->OnDblClick = [this](TObject*) { ++dblClicks; };
        box->Handle();
        UpdateWindow(box->Handle());
        return *box;
    }
    TcxCustomCheckBoxViewInfo& Info() { return *dynamic_cast<TcxCustomCheckBoxViewInfo*>(box->ViewInfo()); }
    void Key(UINT message, WPARAM key) {
        SendMessageA(box->Handle(), message, key, message == WM_KEYUP ? 0xC0000001 : 1);
    }
    void Space() {
        Key(WM_KEYDOWN, VK_SPACE);
        Key(WM_KEYUP, VK_SPACE);
    }
    // What is left to repaint; the window is painted afterwards.
    RECT Dirty() {
        RECT r{};
        GetUpdateRect(box->Handle(), &r, FALSE);
        UpdateWindow(box->Handle());
        return r;
    }
};
} // namespace

TEST_F(CheckBoxWindow, SpaceDownPressesTheBoxSpaceUpToggles) {
    Make();
    box->Properties()->SetAllowGrayed(true);
    Dirty(); // the properties' change repainted everything
    Key(WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(box->KeyPressed());
    EXPECT_EQ(Info().BoxState, cbbsPressed);
    EXPECT_EQ(box->State(), cbsUnchecked);
    // Only the box shows the press.
    EXPECT_EQ(Dirty(), Info().BoxRect);
    Key(WM_KEYUP, VK_SPACE);
    EXPECT_FALSE(box->KeyPressed());
    EXPECT_EQ(Info().BoxState, cbbsNormal);
    EXPECT_EQ(box->State(), cbsGrayed);
    EXPECT_EQ(Dirty(), Info().BoxRect);
    Space();
    EXPECT_EQ(box->State(), cbsChecked);
    Space();
    EXPECT_EQ(box->State(), cbsUnchecked);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(editValueChanges, 3);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(Info().State, cbsUnchecked);

    // A Space release that never comes: leaving the control ends the press.
    Key(WM_KEYDOWN, VK_SPACE);
    box->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(box->KeyPressed());
    Key(WM_KEYUP, VK_SPACE);
    EXPECT_EQ(box->State(), cbsUnchecked);
    // So does the focus leaving.
    box->SetFocus();
    Key(WM_KEYDOWN, VK_SPACE);
    ::SetFocus(form.Handle());
    EXPECT_FALSE(box->KeyPressed());
    EXPECT_EQ(Info().BoxState, cbbsNormal);
    EXPECT_EQ(box->State(), cbsUnchecked);
}

TEST_F(CheckBoxWindow, ClickTogglesReleaseOutsideDoesNotDoubleClickTogglesTwice) {
    Make();
    SendMouse(*box, WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
    EXPECT_EQ(Info().BoxState, cbbsPressed);
    EXPECT_EQ(box->State(), cbsUnchecked);
    SendMouse(*box, WM_LBUTTONUP, 20, 10);
    EXPECT_EQ(box->State(), cbsChecked);
    EXPECT_EQ(Info().BoxState, cbbsHot);

    SendMouse(*box, WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
    SendMouse(*box, WM_MOUSEMOVE, 300, 10, MK_LBUTTON);
    EXPECT_EQ(Info().BoxState, cbbsNormal);
    SendMouse(*box, WM_LBUTTONUP, 300, 10);
    EXPECT_EQ(box->State(), cbsChecked);

    // Two quick clicks: the second press arrives as a double click and still toggles.
    SendMouse(*box, WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
    SendMouse(*box, WM_LBUTTONUP, 20, 10);
    SendMouse(*box, WM_LBUTTONDBLCLK, 20, 10, MK_LBUTTON);
    SendMouse(*box, WM_LBUTTONUP, 20, 10);
    EXPECT_EQ(box->State(), cbsChecked);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(dblClicks, 0);
    EXPECT_EQ(changes, 3);
}

TEST_F(CheckBoxWindow, ReadOnlyAndRefusedEditingKeepTheStateForKeysAndClicks) {
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant == 0 ? "read-only" : "OnEditing refuses");
        Make();
        if (variant == 0)
            box->Properties()->SetReadOnly(true);
        else
            box->OnEditing = [](TObject*, bool& canEdit) { canEdit = false; };
        Space();
        SendMouse(*box, WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
        SendMouse(*box, WM_LBUTTONUP, 20, 10);
        EXPECT_EQ(box->State(), cbsUnchecked);
        EXPECT_EQ(changes, 0);
        box.reset();
    }
}

TEST_F(CheckBoxWindow, InplaceSpaceCharacterToggles) {
    Make(true);
    SendMessageA(box->Handle(), WM_CHAR, ' ', 1);
    EXPECT_EQ(box->State(), cbsChecked);
    // Activated by the Space key, the replayed character toggles.
    TcxCustomEditData* data = nullptr;
    box->ActivateByKey(' ', data);
    EXPECT_EQ(box->State(), cbsUnchecked);
    delete data;

    // A standalone box takes the character without toggling: its key release does that.
    box.reset();
    Make(false);
    SendMessageA(box->Handle(), WM_CHAR, ' ', 1);
    EXPECT_EQ(box->State(), cbsUnchecked);
}

TEST_F(CheckBoxWindow, AcceleratorFocusesThenToggles) {
    Make();
    EXPECT_EQ(box->Perform(CM_DIALOGCHAR, 'X', 0), 0);
    EXPECT_EQ(box->State(), cbsUnchecked);
    EXPECT_EQ(box->Perform(CM_DIALOGCHAR, 'g', 0), 1);
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(box->State(), cbsChecked);
    EXPECT_EQ(changes, 1);
}

TEST_F(CheckBoxWindow, ProgrammaticStateChangeRepaintsOnlyTheBox) {
    Make();
    ASSERT_FALSE(IsRectEmpty(&Info().BoxRect));
    RECT dirty = Dirty();
    EXPECT_TRUE(IsRectEmpty(&dirty));
    box->SetChecked(true);
    EXPECT_EQ(Dirty(), Info().BoxRect);
    EXPECT_EQ(Info().State, cbsChecked);
    EXPECT_EQ(clicks, 1);
    box->SetEditValue(Variant(true)); // the same state: nothing
    dirty = Dirty();
    EXPECT_TRUE(IsRectEmpty(&dirty));
}

TEST_F(CheckBoxWindow, SystemMouseClickToggles) {
    Make();
    POINT at{20, 10};
    ClientToScreen(box->Handle(), &at);
    cursor.MoveTo(TPoint{at.x, at.y});
    SendMouseInput(MOUSEEVENTF_LEFTDOWN, TPoint{at.x, at.y});
    SendMouseInput(MOUSEEVENTF_LEFTUP, TPoint{at.x, at.y});
    for (int i = 0; i < 20 && box->State() == cbsUnchecked; ++i) {
        PumpMessages();
        Sleep(5);
    }
    EXPECT_EQ(box->State(), cbsChecked);
    EXPECT_EQ(clicks, 1);
}

TEST_F(CheckBoxWindow, AnAutoSizedBoxHoldsTheWholeBoxAndItsCaption) {
    Make();
    ASSERT_TRUE(box->AutoSize());
    RECT client{};
    GetClientRect(box->Handle(), &client);
    const TRect boxRect = Info().BoxRect;
    EXPECT_GE(boxRect.top, client.top);
    EXPECT_LE(boxRect.bottom, client.bottom);
    EXPECT_GE(boxRect.left, client.left);
    EXPECT_LE(Info().TextRect.right, client.right) << "the caption is measured too";
}
