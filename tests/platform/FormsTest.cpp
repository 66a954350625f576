#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <objbase.h>

#include "platform/core/Exceptions.h"
#include "platform/forms/Forms.h"
#include "tools/capture/ScreenCapture.h"

namespace {

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FormsInitialize();
        Application->Initialize();
    }
    void TearDown() override { FormsFinalize(); }
};

using screen_capture::CaptureScreen;

// Bounds of the pixels in the client area that differ from the background colour.
struct Ink {
    int Left = 1 << 20, Top = 1 << 20, Right = -1, Bottom = -1;
    bool Any() const { return Right >= 0; }
};

Ink InkOf(TForm& form, COLORREF background, const RECT& within) {
    POINT origin{0, 0};
    ClientToScreen(form.Handle(), &origin);
    RECT screen{origin.x, origin.y, origin.x + form.ClientWidth(), origin.y + form.ClientHeight()};
    std::vector<COLORREF> shot = CaptureScreen(screen);
    Ink ink;
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x)
            if (shot[static_cast<size_t>(y) * form.ClientWidth() + x] != background) {
                ink.Left = std::min(ink.Left, x);
                ink.Right = std::max(ink.Right, x);
                ink.Top = std::min(ink.Top, y);
                ink.Bottom = std::max(ink.Bottom, y);
            }
    return ink;
}

COLORREF PixelOf(TForm& form, int x, int y) {
    POINT p{x, y};
    ClientToScreen(form.Handle(), &p);
    RECT r{p.x, p.y, p.x + 1, p.y + 1};
    return CaptureScreen(r)[0];
}

void ShowAndPaint(TForm& form) {
    form.Show();
    form.Update();
    Application->ProcessMessages();
    Sleep(100);
    Application->ProcessMessages();
}

class ThrowingForm : public TForm {
public:
    VZ_CLASS(ThrowingForm, TForm)
    using TForm::TForm;
    static constexpr UINT WM_FAIL = WM_APP + 7;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_FAIL) throw EConvertError("failed inside the window");
        return TForm::WndProc(message, wParam, lParam);
    }
};

} // namespace

TEST_F(FormsTest, BorderStylesKeepTheClientSizeAndCentreOnTheScreen) {
    TForm* form = nullptr;
    Application->CreateForm(form);
    EXPECT_EQ(Application, form->Owner());
    form->SetBorderStyle(bsNone);
    form->SetClientWidth(321);
    form->SetClientHeight(98);
    form->SetPosition(poScreenCenter);
    form->SetCaption("标题");
    EXPECT_EQ(321, form->Width());
    EXPECT_FALSE(form->HandleAllocated());
    // Placed when its window is made; kept hidden so that it covers no other test's window.
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(321, r.right - r.left);
    EXPECT_EQ(98, r.bottom - r.top);
    EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - 321) / 2, r.left, 1);
    EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - 98) / 2, r.top, 1);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(Application->Handle(), GetWindow(form->Handle(), GW_OWNER));
    char text[64] = {};
    GetWindowTextA(form->Handle(), text, sizeof(text));
    EXPECT_STREQ("标题", text);
    char cls[64] = {};
    GetClassNameA(form->Handle(), cls, sizeof(cls));
    EXPECT_STREQ("TForm", cls);

    // A frame added later goes around the same client area.
    form->SetBorderStyle(bsSingle);
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(321, client.right);
    EXPECT_EQ(98, client.bottom);
    EXPECT_EQ(321, form->ClientWidth());
    EXPECT_GT(form->Width(), 321);

    delete form; // leaves the application's components
    EXPECT_EQ(0, Application->ComponentCount());
}

TEST_F(FormsTest, LabelsArePaintedByTheirFormWithAlignmentWrapAndTransparency) {
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetClientWidth(300);
    form->SetClientHeight(120);
    form->SetColor(clWhite);
    form->Font().SetColor(clBlack);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 280, 40);
    label->SetTransparent(true);
    label->SetCaption("Centred words");
    label->SetAlignment(taCenter);
    ShowAndPaint(*form);
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ(white, PixelOf(*form, 2, 2));
    Ink centred = InkOf(*form, white, RECT{0, 0, 300, 120});
    ASSERT_TRUE(centred.Any());
    EXPECT_GE(centred.Top, 10);
    EXPECT_LE(centred.Bottom, 50);
    EXPECT_NEAR(150, (centred.Left + centred.Right) / 2, 3);

    label->SetAlignment(taLeftJustify);
    ShowAndPaint(*form);
    Ink left = InkOf(*form, white, RECT{0, 0, 300, 120});
    EXPECT_LE(left.Left, 13);

    // Word wrap breaks a long caption into lines within the label's width.
    label->SetCaption("one two three four five six seven eight nine ten eleven twelve thirteen");
    label->SetWordWrap(false);
    ShowAndPaint(*form);
    int oneLine =
        InkOf(*form, white, RECT{0, 0, 300, 120}).Bottom - InkOf(*form, white, RECT{0, 0, 300, 120}).Top;
    label->SetWordWrap(true);
    ShowAndPaint(*form);
    Ink wrapped = InkOf(*form, white, RECT{0, 0, 300, 120});
    EXPECT_GT(wrapped.Bottom - wrapped.Top, oneLine + 5);
    EXPECT_LE(wrapped.Right, 290);

    // An opaque label fills its box with its colour.
    label->SetTransparent(false);
    label->SetColor(clRed);
    ShowAndPaint(*form);
    EXPECT_EQ(RGB(255, 0, 0), PixelOf(*form, 288, 48));
    EXPECT_EQ(white, PixelOf(*form, 295, 55));
}

TEST_F(FormsTest, ErrorsInsideAWindowGoToTheApplicationsReport) {
    std::vector<std::string> reported;
    Application->OnException = [&](const std::exception& e) { reported.push_back(e.what()); };
    ThrowingForm* form = nullptr;
    Application->CreateForm(form);
    SendMessageA(form->Handle(), ThrowingForm::WM_FAIL, 0, 0);
    ASSERT_EQ(1u, reported.size());
    EXPECT_EQ("failed inside the window", reported[0]);
    Application->HandleException(EAbort("quiet"));
    EXPECT_EQ(1u, reported.size());
}

TEST_F(FormsTest, MessageBoxIsOwnedByTheApplicationWindow) {
    Application->SetTitle("程序");
    HWND appWindow = Application->Handle();
    std::atomic<bool> seen{false};
    std::string caption, text;
    HWND owner = nullptr;
    DWORD pid = GetCurrentProcessId();
    std::thread closer([&] {
        for (int i = 0; i < 500 && !seen; ++i) {
            Sleep(20);
            HWND box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
                DWORD owning = 0;
                GetWindowThreadProcessId(box, &owning);
                if (owning != pid) continue;
                char buffer[256] = {};
                GetWindowTextA(box, buffer, sizeof(buffer));
                caption = buffer;
                GetWindowTextA(GetDlgItem(box, 0xFFFF), buffer, sizeof(buffer));
                text = buffer;
                owner = GetWindow(box, GW_OWNER);
                seen = true;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                break;
            }
        }
    });
    int answer = Application->MessageBox("内容", "标题", MB_ICONERROR);
    closer.join();
    ASSERT_TRUE(seen);
    EXPECT_EQ(IDOK, answer);
    EXPECT_EQ("标题", caption);
    EXPECT_EQ("内容", text);
    EXPECT_EQ(appWindow, owner);
    char title[64] = {};
    GetWindowTextA(appWindow, title, sizeof(title));
    EXPECT_STREQ("程序", title);
}

TEST_F(FormsTest, InitializeJoinsASingleThreadedApartmentAndProcessMessagesDispatches) {
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));

    TForm* form = nullptr;
    Application->CreateForm(form);
    form->Handle();
    PostMessageA(form->Handle(), WM_APP + 3, 0, 0);
    Application->ProcessMessages();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(Application->Terminated());
    Application->Terminate();
    EXPECT_TRUE(Application->Terminated());
}
