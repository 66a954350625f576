// The update check's messages: the platform's message dialog, or the texts to a test's seam.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/Messages.h"
#include "platform/forms/Forms.h"

namespace {

// What the timer saw of the dialog it found and closed with OK.
struct Seen {
    int Dialogs = 0;
    std::string Title, Text, ButtonClass, ButtonCaption;
    int Buttons = 0;
    bool Visible = false;
};
Seen seen;

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "TMessageForm" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the dialog's modal loop; raises nothing.
void CALLBACK CloseDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&window));
    auto* dialog = dynamic_cast<TMessageForm*>(FindControl(window));
    if (!dialog) return;
    KillTimer(nullptr, timer);
    ++seen.Dialogs;
    seen.Visible = IsWindowVisible(window);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    seen.Title = text;
    seen.Text = dialog->Message->Caption();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++seen.Buttons;
    HWND ok = dialog->OkButton->Handle();
    GetClassNameA(ok, text, sizeof(text));
    seen.ButtonClass = text;
    GetWindowTextA(ok, text, sizeof(text));
    seen.ButtonCaption = text;
    PostMessageA(ok, BM_CLICK, 0, 0);
}

class LauncherMessages : public testing::Test {
protected:
    void SetUp() override {
        FormsInitialize();
        Application->Initialize();
        Application->SetTitle("在线更新");
        seen = Seen();
    }
    void TearDown() override {
        SetLauncherMessageSeam(nullptr);
        FormsFinalize();
    }
};

} // namespace

TEST_F(LauncherMessages, WithoutTheSeamAModalDialogShowsTitleTextAndOk) {
    SetTimer(nullptr, 0, 50, CloseDialog);
    ShowLauncherMessage("网络异常，请确认！");
    EXPECT_EQ(seen.Dialogs, 1);
    EXPECT_TRUE(seen.Visible);
    EXPECT_EQ(seen.Title, "在线更新");
    EXPECT_EQ(seen.Text, "网络异常，请确认！");
    EXPECT_EQ(seen.Buttons, 1); // the text is a label without a window
    EXPECT_EQ(seen.ButtonClass, "TButton");
    EXPECT_EQ(seen.ButtonCaption, "OK");
    // The dialog is gone once it returns.
    HWND left = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&left));
    EXPECT_EQ(left, nullptr);
}

TEST_F(LauncherMessages, TheSeamTakesTheTextsAndNoWindowIsMade) {
    std::vector<AnsiString> texts;
    SetLauncherMessageSeam([&](const AnsiString& text) { texts.push_back(text); });
    // Returns at once: nothing modal runs.
    ShowLauncherMessage("模块列表读取失败");
    ShowLauncherMessage("");
    EXPECT_EQ(texts, (std::vector<AnsiString>{"模块列表读取失败", ""}));
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&window));
    EXPECT_EQ(window, nullptr);
}
