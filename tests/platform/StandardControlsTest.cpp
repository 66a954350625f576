// The push button over the system's "BUTTON" class, the panel, a form's face erased in
// WM_ERASEBKGND, the client size read from the window, modal forms and the message dialog.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/forms/Forms.h"

namespace {

class StandardControls : public ::testing::Test {
protected:
    void SetUp() override {
        FormsInitialize();
        Application->Initialize();
        form = new TForm(Application);
        form->SetBounds(40, 40, 300, 200);
    }
    void TearDown() override { FormsFinalize(); }
    TForm* form = nullptr;
};

// A top-down 32-bit picture of what a window draws through WM_PRINTCLIENT (or any call on a DC).
struct TSurface {
    TSurface(int width, int height) : Width(width), Height(height) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        DC = CreateCompatibleDC(nullptr);
        Bitmap = CreateDIBSection(DC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits), nullptr, 0);
        old_ = SelectObject(DC, Bitmap);
        RECT all{0, 0, width, height};
        FillRect(DC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~TSurface() {
        SelectObject(DC, old_);
        DeleteObject(Bitmap);
        DeleteDC(DC);
    }
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const uint32_t v = Bits[y * Width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Pixels in r that are not the colour.
    int CountNot(const RECT& r, COLORREF color) const {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += Pixel(x, y) != color;
        return count;
    }
    int Width, Height;
    HDC DC;
    HBITMAP Bitmap;
    uint32_t* Bits = nullptr;

private:
    HGDIOBJ old_;
};

std::string ClassNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

} // namespace

TEST_F(StandardControls, ButtonIsTheSystemButtonUnderItsOwnClassAndClicksIntoTheForm) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetCaption("Go");
    button->ModalResult = mrRetry;
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    const HWND window = button->Handle();
    EXPECT_EQ(ClassNameOf(window), "TButton");
    EXPECT_EQ(FindControl(window), button);
    char text[16] = {};
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ(text, "Go");
    // The system class answers its own messages: the push state is kept by it.
    SendMessageA(window, BM_SETSTATE, TRUE, 0);
    EXPECT_TRUE(SendMessageA(window, BM_GETSTATE, 0, 0) & BST_PUSHED);
    SendMessageA(window, BM_SETSTATE, FALSE, 0);
    SendMessageA(window, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ModalResult, mrRetry);
    button->SetCaption("Again");
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ(text, "Again");
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & BS_MULTILINE);
    button->SetWordWrap(true);
    EXPECT_TRUE(GetWindowLongPtrA(button->Handle(), GWL_STYLE) & BS_MULTILINE);
    // A button that is no descendant's: another class name for a descendant.
    class TBigButton : public TButton {
    public:
        VZ_CLASS(TBigButton, TButton)
        using TButton::TButton;
    };
    auto* big = new TBigButton(form);
    big->SetParent(form);
    EXPECT_EQ(ClassNameOf(big->Handle()), "TBigButton");
    SendMessageA(big->Handle(), BM_SETCHECK, BST_CHECKED, 0); // reaches the system class
}

TEST_F(StandardControls, PanelDrawsFaceBevelsAndAlignedCaption) {
    struct TCase {
        TAlignment alignment;
        TBevelCut outer, inner;
    };
    const TCase cases[] = {{taLeftJustify, bvRaised, bvNone},
                           {taCenter, bvLowered, bvRaised},
                           {taRightJustify, bvNone, bvNone}};
    const COLORREF face = RGB(20, 140, 60);
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.alignment));
        auto panel = std::make_unique<TPanel>(form);
        panel->SetParent(form);
        panel->SetBounds(0, 0, 150, 40);
        panel->SetColor(static_cast<TColor>(face));
        panel->Font().SetColor(clBlack);
        panel->SetCaption("WWW");
        panel->SetAlignment(c.alignment);
        panel->SetBevelOuter(c.outer);
        panel->SetBevelInner(c.inner);
        TSurface s(150, 40);
        SendMessageA(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.DC), PRF_CLIENT);
        const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
        if (c.outer == bvNone) {
            EXPECT_EQ(s.Pixel(0, 0), face);
        } else {
            EXPECT_EQ(s.Pixel(0, 10), c.outer == bvRaised ? highlight : shadow);
            EXPECT_EQ(s.Pixel(149, 10), c.outer == bvRaised ? shadow : highlight);
        }
        if (c.inner != bvNone) {
            EXPECT_EQ(s.Pixel(1, 10), highlight);
        }
        // The caption's ink sits in the third of the width its alignment names.
        const int third = c.alignment == taLeftJustify ? 0 : c.alignment == taCenter ? 1 : 2;
        for (int part = 0; part < 3; ++part) {
            RECT r{part * 50 + 3, 3, part * 50 + 47, 37};
            EXPECT_EQ(s.CountNot(r, face) > 0, part == third) << part;
        }
    }
}

TEST_F(StandardControls, FormFaceIsErasedThroughWindowProcAndClientSizeIsTheWindows) {
    form->SetColor(static_cast<TColor>(RGB(200, 10, 10)));
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(5, 5, 20, 10);
    label->SetColor(static_cast<TColor>(RGB(0, 0, 250)));
    label->SetParentColor(false);
    const HWND window = form->Handle();
    {
        TSurface s(50, 50);
        SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(s.DC), 0);
        EXPECT_EQ(s.Pixel(30, 30), RGB(200, 10, 10));
        EXPECT_EQ(s.Pixel(10, 10), RGB(200, 10, 10)); // the label is not part of the face
    }
    // Whoever answers WM_ERASEBKGND in WindowProc draws the face of a copy; the label goes over it.
    TWndMethod saved = form->WindowProc;
    form->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_ERASEBKGND) {
            RECT r{0, 0, 50, 50};
            HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
            FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush);
            DeleteObject(brush);
            m.Result = 1;
            return;
        }
        if (m.Msg == WM_NCCALCSIZE && m.WParam) {
            // A frame of 10 pixels all round.
            auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
            InflateRect(&params->rgrc[0], -10, -10);
            m.Result = 0;
            return;
        }
        saved(m);
    };
    {
        TSurface s(50, 50);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.DC), PRF_CLIENT);
        EXPECT_EQ(s.Pixel(40, 40), RGB(1, 2, 3));
        EXPECT_EQ(s.Pixel(10, 10), RGB(0, 0, 250));
    }
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_EQ(form->ClientWidth(), 280);
    EXPECT_EQ(form->ClientHeight(), 180);
    form->SetClientWidth(100);
    EXPECT_EQ(form->Width(), 120);
    EXPECT_EQ(form->ClientWidth(), 100);
    form->WindowProc = saved;
}

TEST_F(StandardControls, ShowModalRunsUntilAResultAndDisablesTheOtherWindows) {
    auto* other = new TForm(Application);
    other->Show();
    auto* ok = new TButton(form);
    ok->ModalResult = mrOk;
    ok->SetParent(form);
    struct TCase {
        const char* what;
        std::function<void()> end;
        int result;
    };
    bool otherDisabled = false;
    const TCase cases[] = {
        {"button with a result", [&] { PostMessageA(ok->Handle(), BM_CLICK, 0, 0); }, mrOk},
        {"closed", [&] { PostMessageA(form->Handle(), WM_CLOSE, 0, 0); }, mrCancel},
        {"result set", [&] { form->ModalResult = mrNo; }, mrNo},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        // The end comes once the form shows.
        bool fired = false;
        TWndMethod saved = form->WindowProc;
        form->WindowProc = [&](TMessage& m) {
            saved(m);
            if (!fired && m.Msg == WM_SHOWWINDOW && m.WParam) {
                fired = true;
                otherDisabled = !IsWindowEnabled(other->Handle());
                c.end();
            }
        };
        EXPECT_EQ(form->ShowModal(), c.result);
        form->WindowProc = saved;
        EXPECT_TRUE(otherDisabled);
        EXPECT_TRUE(IsWindowEnabled(other->Handle()));
        EXPECT_FALSE(IsWindowVisible(form->Handle()));
        EXPECT_TRUE(IsWindow(form->Handle())); // a modal form is closed by hiding
    }
}

TEST_F(StandardControls, MessageDialogIsADialogFormWithLabelAndOkButton) {
    std::unique_ptr<TMessageForm> dialog(CreateMessageDialog("Disk is full", mtError));
    const HWND window = dialog->Handle();
    EXPECT_EQ(ClassNameOf(window), "TMessageForm");
    EXPECT_EQ(dialog->BorderStyle(), bsDialog);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(dialog->Message->Caption(), "Disk is full");
    EXPECT_EQ(ClassNameOf(dialog->OkButton->Handle()), "TButton");
    // Everything fits the client area, the button under the text.
    EXPECT_LE(dialog->OkButton->Left() + dialog->OkButton->Width(), dialog->ClientWidth());
    EXPECT_LE(dialog->OkButton->Top() + dialog->OkButton->Height(), dialog->ClientHeight());
    EXPECT_GT(dialog->OkButton->Top(), dialog->Message->Top() + dialog->Message->Height());
    PostMessageA(dialog->OkButton->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
}

TEST_F(StandardControls, FlatScrollBarProceduresStartAsTheSystems) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE, 0, 100, 10, 0, 0};
    FlatSBSetScrollInfo(window, SB_VERT, &info, FALSE);
    FlatSBSetScrollPos(window, SB_VERT, 40, FALSE);
    EXPECT_EQ(GetScrollPos(window, SB_VERT), 40);
    info.fMask = SIF_RANGE | SIF_POS;
    info.nPos = 7;
    FlatSBSetScrollInfo(window, SB_HORZ, &info, FALSE);
    EXPECT_EQ(GetScrollPos(window, SB_HORZ), 7);
    DestroyWindow(window);
}
