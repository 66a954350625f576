#include <gtest/gtest.h>

#include <windows.h>

#include "launcher/FSysLoader.h"
#include "platform/core/UnitTable.h"
#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"

namespace {

// The status window's controls stand on the forms, the painting core and the editors.
class FSysLoader : public testing::Test {
protected:
    void SetUp() override {
        InitializeUnits(JoinUnits({PaintingCoreUnits(), FormsUnits(), EditorFrameworkUnits(), EditorsUnits()}));
    }
    void TearDown() override { FinalizeUnits(); }
};

} // namespace

// The status window as its stored form describes it, before any window exists.
TEST_F(FSysLoader, StoredForm) {
    TFSysLoader* form = nullptr;
    Application->CreateForm(form);
    EXPECT_EQ("FSysLoader", form->Name());
    EXPECT_EQ(bsNone, form->BorderStyle());
    EXPECT_EQ("程序更新...", form->Caption());
    EXPECT_EQ(321, form->ClientWidth());
    EXPECT_EQ(98, form->ClientHeight());
    EXPECT_EQ(clBtnFace, form->Color());
    EXPECT_EQ(poScreenCenter, form->Position());
    EXPECT_EQ("宋体", form->Font().Name());
    EXPECT_EQ(-12, form->Font().Height());
    EXPECT_EQ(ANSI_CHARSET, form->Font().Charset());
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->HandleAllocated());

    ASSERT_NE(nullptr, form->lblNote);
    TLabel& note = *form->lblNote;
    EXPECT_EQ(form->lblNote, form->FindComponent("lblNote"));
    EXPECT_EQ(form, note.Parent());
    EXPECT_EQ(9, note.Left());
    EXPECT_EQ(29, note.Top());
    EXPECT_EQ(295, note.Width());
    EXPECT_EQ(25, note.Height());
    EXPECT_EQ(taCenter, note.Alignment());
    EXPECT_FALSE(note.AutoSize());
    EXPECT_TRUE(note.Transparent());
    EXPECT_TRUE(note.WordWrap());
    EXPECT_EQ("正在启动,请稍后 ... ...", note.Caption());
    EXPECT_TRUE(note.ParentFont());
    EXPECT_EQ("宋体", note.Font().Name());

    // The hidden download bar, after the note among the form's components.
    ASSERT_NE(nullptr, form->pbDown);
    TcxProgressBar& bar = *form->pbDown;
    EXPECT_EQ(form->pbDown, form->FindComponent("pbDown"));
    ASSERT_EQ(2, form->ComponentCount());
    EXPECT_EQ(form->lblNote, form->Components(0));
    EXPECT_EQ(form->pbDown, form->Components(1));
    EXPECT_EQ(form, bar.Parent());
    EXPECT_EQ(10, bar.Left());
    EXPECT_EQ(68, bar.Top());
    EXPECT_EQ(297, bar.Width());
    EXPECT_EQ(21, bar.Height());
    EXPECT_EQ(0, bar.TabOrder());
    EXPECT_FALSE(bar.Visible());
    EXPECT_EQ(0, bar.Properties()->Min());
    EXPECT_EQ(100, bar.Properties()->Max());
    EXPECT_EQ(0, bar.Position());
    EXPECT_FALSE(bar.ComponentState() & csLoading);

    delete form;
}

namespace {

// Counts the paints that reach the bar's window.
int barPaints = 0;
WNDPROC barWindowProc = nullptr;

LRESULT CALLBACK CountingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++barPaints;
    return CallWindowProcA(barWindowProc, window, message, wParam, lParam);
}

void PumpMessages() {
    for (int round = 0; round < 5; ++round) {
        Application->ProcessMessages();
        Sleep(20);
    }
}

} // namespace

// Shown and repainted, the status window never paints its hidden bar; made visible, it does.
TEST_F(FSysLoader, TheHiddenBarIsNeverPainted) {
    TFSysLoader* form = nullptr;
    Application->CreateForm(form);
    // The bar's window is made before the form shows so that every paint can be counted.
    HWND barWindow = form->pbDown->Handle();
    ASSERT_NE(nullptr, barWindow);
    barPaints = 0;
    barWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(barWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingBarProc)));
    ASSERT_NE(nullptr, barWindowProc);

    form->Show();
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    RedrawWindow(form->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    form->lblNote->SetCaption("正在检查[未知模块]更新...");
    form->Update();
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(barWindow));
    EXPECT_EQ(0, barPaints);
    EXPECT_FALSE(form->pbDown->Visible());

    // The count is real: a shown bar paints.
    form->pbDown->SetVisible(true);
    form->pbDown->Update();
    PumpMessages();
    EXPECT_GT(barPaints, 0);

    SetWindowLongPtrA(barWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(barWindowProc));
    delete form;
}
