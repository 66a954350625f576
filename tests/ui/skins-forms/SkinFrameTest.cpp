// The skinned frame: caption buttons, hit tests and the client area computed from the skin, the
// frame drawn by pixels, and the child controls painted through the form's skin painter.
#include <gtest/gtest.h>

#include <functional>

#include "SkinFormsSupport.h"

using namespace skinforms;

namespace {
TPoint cursor{0, 0};
bool CursorAt(TPoint& point) {
    point = cursor;
    return true;
}

class SkinnedFrame : public SkinnedForms {
protected:
    void SetUp() override {
        SkinnedForms::SetUp();
        cursor = TPoint{0, 0};
        savedCursor = SetCursorPosSource(&CursorAt);
    }
    void TearDown() override {
        SetCursorPosSource(savedCursor);
        SkinnedForms::TearDown();
    }
    TCursorPosSource savedCursor = nullptr;
};

LRESULT HitTestAt(HWND window, TPoint windowPoint) {
    RECT w;
    GetWindowRect(window, &w);
    const int x = w.left + windowPoint.x, y = w.top + windowPoint.y;
    return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}
} // namespace

TEST_F(SkinnedFrame, ButtonSetFollowsTheStyles) {
    TForm* form = MakeForm(bsSizeable);
    TdxSkinFormNonClientAreaInfo& info = *FormControllerOf(form)->NonClientInfo;
    const HWND window = form->Handle();
    struct TCase {
        DWORD style, exStyle;
        TdxSkinButtonSet expected;
    };
    const TCase cases[] = {
        {WS_CAPTION, 0, {}},
        {WS_CAPTION | WS_SYSMENU, 0, {sbIcon, sbClose}},
        {WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, {sbClose}},
        {WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, {sbClose}},
        {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0, {sbIcon, sbMinimize, sbMaximize, sbClose}},
        {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_MAXIMIZE, 0,
         {sbIcon, sbMinimize, sbRestore, sbClose}},
        {WS_CAPTION | WS_SYSMENU, WS_EX_CONTEXTHELP | WS_EX_DLGMODALFRAME, {sbHelp, sbClose}},
        // Last: the platform keeps WS_MINIMIZE once set this way.
        {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_MINIMIZE, 0,
         {sbIcon, sbRestore, sbMaximize, sbClose}},
    };
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE), exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    for (const TCase& c : cases) {
        SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(c.style));
        SetWindowLongPtrA(window, GWL_EXSTYLE, static_cast<LONG_PTR>(c.exStyle));
        EXPECT_EQ(info.GetButtonSet().Bits(), c.expected.Bits()) << std::hex << c.style << " " << c.exStyle;
    }
    SetWindowLongPtrA(window, GWL_STYLE, style);
    SetWindowLongPtrA(window, GWL_EXSTYLE, exStyle);
}

TEST_F(SkinnedFrame, ClientAreaAndButtonsComeFromTheSkin) {
    TForm* form = MakeForm(bsSizeable);
    TdxSkinFormController& controller = *FormControllerOf(form);
    controller.CalculateNonClient();
    TdxSkinFormNonClientAreaInfo& info = *controller.NonClientInfo;
    const int captionHeight = 2 * GetSystemMetrics(SM_CYEDGE) + 4 +
                              std::max(GetSystemMetrics(SM_CYSMICON), TcxScreenCanvas().MeasureFontHeight(info.CaptionFont));
    EXPECT_EQ(info.FrameSizes, (TRect{4, captionHeight, 4, 4}));
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 400 - 8);
    EXPECT_EQ(client.bottom, 300 - captionHeight - 4);
    EXPECT_EQ(form->ClientWidth(), 392);
    // Buttons from the right: close, maximise, minimise; squares of the strip less its offsets,
    // two pixels apart; the text ends five pixels before the last.
    const TRect close = info.ButtonRects[sbClose], max = info.ButtonRects[sbMaximize],
                min = info.ButtonRects[sbMinimize];
    EXPECT_EQ(close.right - close.left, close.bottom - close.top);
    EXPECT_EQ(close.right, 400 - 4 - 0); // the corner size inside the strip
    EXPECT_EQ(max.right, close.left - 2);
    EXPECT_EQ(min.right, max.left - 2);
    EXPECT_EQ(info.CaptionTextRect.right, min.left - 5);
    EXPECT_EQ(info.ButtonRects[sbIcon].right + 5, info.CaptionTextRect.left);
    // Scroll bars widen the frame on their side.
    SetWindowLongPtrA(form->Handle(), GWL_STYLE, GetWindowLongPtrA(form->Handle(), GWL_STYLE) | WS_VSCROLL | WS_HSCROLL);
    controller.UpdateFrame();
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 400 - 8 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(client.bottom, 300 - captionHeight - 4 - GetSystemMetrics(SM_CYHSCROLL));
}

TEST_F(SkinnedFrame, HitTestsAtScreenPoints) {
    TForm* form = MakeForm(bsSizeable);
    TdxSkinFormController& controller = *FormControllerOf(form);
    controller.CalculateNonClient();
    const TdxSkinFormNonClientAreaInfo& info = *controller.NonClientInfo;
    const int caption = info.FrameSizes.top;
    struct TCase {
        const char* what;
        TPoint at;
        LRESULT code;
    };
    const TCase cases[] = {
        {"top left", {0, 0}, HTTOPLEFT},
        {"top right", {399, 1}, HTTOPRIGHT},
        {"bottom left", {1, 299}, HTBOTTOMLEFT},
        {"bottom right", {399, 298}, HTBOTTOMRIGHT},
        {"left", {0, 150}, HTLEFT},
        {"right", {399, 150}, HTRIGHT},
        {"top", {200, 0}, HTTOP},
        {"bottom", {200, 299}, HTBOTTOM},
        {"caption", {150, caption / 2}, HTCAPTION},
        {"close", Middle(info.ButtonRects[sbClose]), HTCLOSE},
        {"maximise", Middle(info.ButtonRects[sbMaximize]), HTMAXBUTTON},
        {"minimise", Middle(info.ButtonRects[sbMinimize]), HTMINBUTTON},
        {"icon: the platform's", Middle(info.ButtonRects[sbIcon]), HTSYSMENU},
        {"client: the platform's", {200, 150}, HTCLIENT},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(HitTestAt(form->Handle(), c.at), c.code) << c.what;
    // Points left of the primary monitor are negative in the message's 16-bit halves.
    form->SetBounds(-300, 100, 400, 300);
    EXPECT_EQ(HitTestAt(form->Handle(), Middle(info.ButtonRects[sbClose])), HTCLOSE);
    EXPECT_EQ(HitTestAt(form->Handle(), {150, caption / 2}), HTCAPTION);
    // A minimised window's restore button stands where minimise was and answers as it.
    const LONG_PTR style = GetWindowLongPtrA(form->Handle(), GWL_STYLE);
    SetWindowLongPtrA(form->Handle(), GWL_STYLE, style | WS_MINIMIZE);
    controller.CalculateNonClient();
    EXPECT_TRUE(info.Buttons.Contains(sbRestore));
    EXPECT_EQ(info.ButtonRects[sbRestore], info.ButtonRects[sbMinimize]);
    RECT w;
    GetWindowRect(form->Handle(), &w);
    const TPoint restore = Middle(info.ButtonRects[sbRestore]);
    EXPECT_EQ(controller.NonClientInfo->HitTest(TPoint{w.left + restore.x, w.top + restore.y}, 0), HTMINBUTTON);
    SetWindowLongPtrA(form->Handle(), GWL_STYLE, style);
}

TEST_F(SkinnedFrame, DialogFrameActiveAndInactiveByPixels) {
    TForm* form = MakeForm(bsDialog, "Caption text");
    TdxSkinFormController& controller = *FormControllerOf(form);
    const TdxSkinFormNonClientAreaInfo& info = *controller.NonClientInfo;
    for (int active = 1; active >= 0; --active) {
        SCOPED_TRACE(active ? "active" : "inactive");
        SendMessageA(form->Handle(), WM_NCACTIVATE, active, 0);
        TSurface s(400, 300);
        PaintFrame(controller, s);
        const int look = active ? 0 : 1;
        EXPECT_EQ(s.Pixel(1, 150), kFrameColor[0][look]);
        EXPECT_EQ(s.Pixel(398, 150), kFrameColor[2][look]);
        EXPECT_EQ(s.Pixel(200, 298), kFrameColor[3][look]);
        EXPECT_EQ(s.Pixel(2, 2), kFrameColor[1][look]);
        // A dialog shows only the close button, in the frame's state.
        EXPECT_FALSE(info.Buttons.Contains(sbIcon));
        const TPoint close = Middle(info.ButtonRects[sbClose]);
        EXPECT_EQ(s.Pixel(close.x, close.y), ButtonColor(sbClose, active ? 0 : 4));
        // The shadow under the text only while active.
        const TRect& text = info.CaptionTextRect;
        EXPECT_EQ(s.Count(RECT{text.left - 1, text.top - 1, text.right + 1, text.bottom + 1}, RGB(1, 1, 1)) > 0,
                  active == 1);
        EXPECT_GT(s.Count(text, active ? RGB(255, 255, 255) : RGB(128, 128, 128)), 0);
    }
    // Under the mouse the close button turns hot: the mouse message tells where the cursor is.
    RECT w;
    GetWindowRect(form->Handle(), &w);
    SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    const TPoint close = Middle(info.ButtonRects[sbClose]);
    cursor = TPoint{w.left + close.x, w.top + close.y};
    SendMessageA(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(cursor.x, cursor.y));
    TSurface s(400, 300);
    PaintFrame(controller, s);
    EXPECT_EQ(s.Pixel(close.x, close.y), ButtonColor(sbClose, 1));
}

// The caption strip and the borders are kept as pictures between paints, one set for each frame
// state: every change of what they show must draw them anew, on the window itself as in any other
// DC.
TEST_F(SkinnedFrame, KeptFramePicturesShowEveryChange) {
    const COLORREF newCaption = RGB(0, 90, 200);
    struct TCase {
        const char* what;
        int bottom; // the bottom element's height: 2 buffers the borders
        std::function<void(TForm*, TdxSkinFormController&)> change;
        std::function<void(const TSurface&, const TdxSkinFormNonClientAreaInfo&)> check;
    };
    const TCase cases[] = {
        {"deactivated", 4,
         [](TForm* form, TdxSkinFormController&) { SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0); },
         [](const TSurface& s, const TdxSkinFormNonClientAreaInfo& info) {
             EXPECT_EQ(s.Pixel(2, 2), kFrameColor[1][1]);
             EXPECT_EQ(s.Pixel(1, 150), kFrameColor[0][1]);
             EXPECT_EQ(s.Pixel(398, 150), kFrameColor[2][1]);
             EXPECT_EQ(s.Pixel(200, 298), kFrameColor[3][1]);
             const TPoint close = Middle(info.ButtonRects[sbClose]);
             EXPECT_EQ(s.Pixel(close.x, close.y), ButtonColor(sbClose, 4));
         }},
        {"caption cleared while inactive, active again", 4,
         [](TForm* form, TdxSkinFormController&) {
             SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0);
             TSurface inactive(400, 300);
             inactive.CopyWindow(form->Handle());
             EXPECT_EQ(inactive.Pixel(2, 2), kFrameColor[1][1]);
             form->SetCaption("");
             SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0);
         },
         [](const TSurface& s, const TdxSkinFormNonClientAreaInfo& info) {
             EXPECT_EQ(s.Pixel(2, 2), kFrameColor[1][0]);
             EXPECT_EQ(s.Pixel(1, 150), kFrameColor[0][0]);
             EXPECT_EQ(s.Count(info.CaptionTextRect, RGB(255, 255, 255)), 0);
         }},
        {"thin borders deactivated", 2,
         [](TForm* form, TdxSkinFormController&) { SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0); },
         [](const TSurface& s, const TdxSkinFormNonClientAreaInfo&) {
             EXPECT_EQ(s.Pixel(200, 299), kFrameColor[3][1]);
             EXPECT_EQ(s.Pixel(1, 200), kFrameColor[0][1]);
         }},
        {"caption cleared", 4, [](TForm* form, TdxSkinFormController&) { form->SetCaption(""); },
         [](const TSurface& s, const TdxSkinFormNonClientAreaInfo& info) {
             EXPECT_EQ(s.Count(info.CaptionTextRect, RGB(255, 255, 255)), 0);
             EXPECT_EQ(s.Pixel(info.CaptionTextRect.left + 2, 2), kFrameColor[1][0]);
         }},
        {"widened", 4, [](TForm* form, TdxSkinFormController&) { form->SetBounds(100, 100, 500, 300); },
         [](const TSurface& s, const TdxSkinFormNonClientAreaInfo& info) {
             const TPoint close = Middle(info.ButtonRects[sbClose]);
             EXPECT_GT(close.x, 400); // past the old width: the strip was drawn again
             EXPECT_EQ(s.Pixel(close.x, close.y), ButtonColor(sbClose, 0));
             EXPECT_EQ(s.Pixel(405, 2), kFrameColor[1][0]);
             EXPECT_EQ(s.Pixel(498, 150), kFrameColor[2][0]);
         }},
        {"thin borders heightened", 2, [](TForm* form, TdxSkinFormController&) { form->SetBounds(100, 100, 400, 350); },
         [](const TSurface& s, const TdxSkinFormNonClientAreaInfo&) {
             EXPECT_EQ(s.Pixel(200, 349), kFrameColor[3][0]);
             EXPECT_EQ(s.Pixel(1, 330), kFrameColor[0][0]);
             EXPECT_EQ(s.Pixel(398, 330), kFrameColor[2][0]);
         }},
        {"caption element changed in place", 4,
         [&](TForm*, TdxSkinFormController& controller) {
             TdxSkinElement* caption = controller.NonClientInfo->SkinInfo->FormFrames[1][1];
             skindraw::SetStrip(caption->Image(), 8, 8, {newCaption, kFrameColor[1][1]});
         },
         [&](const TSurface& s, const TdxSkinFormNonClientAreaInfo&) { EXPECT_EQ(s.Pixel(2, 2), newCaption); }},
        {"another skin", 4,
         [&](TForm*, TdxSkinFormController&) {
             TdxSkin* skin = MakeFormSkin();
             TdxSkinElement* caption = skin->GetGroupByName("Form")->GetElementByName("FormCaption");
             skindraw::SetStrip(caption->Image(), 8, 8, {newCaption, kFrameColor[1][1]});
             LoadSkin(skin);
         },
         [&](const TSurface& s, const TdxSkinFormNonClientAreaInfo&) { EXPECT_EQ(s.Pixel(2, 2), newCaption); }},
    };
    TForm* form = MakeForm(bsSizeable);
    form->Show(); // one window for all: showing one takes long under Wine
    TdxSkinFormController& controller = *FormControllerOf(form);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        LoadSkin(MakeFormSkin(4, c.bottom));
        form->SetCaption("Caption text");
        form->SetBounds(100, 100, 400, 300);
        SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0);
        TSurface before(500, 350);
        before.CopyWindow(form->Handle()); // the pictures are made here
        ASSERT_EQ(before.Pixel(2, 2), kFrameColor[1][0]);
        ASSERT_EQ(before.Pixel(1, 200), kFrameColor[0][0]);
        ASSERT_EQ(before.Pixel(200, 299), kFrameColor[3][0]);
        c.change(form, controller);
        TSurface window(500, 350);
        window.CopyWindow(form->Handle());
        controller.CalculateNonClient();
        c.check(window, *controller.NonClientInfo);
        TSurface painted(500, 350);
        PaintFrame(controller, painted);
        c.check(painted, *controller.NonClientInfo);
    }
}

// The hot and pressed states follow the mouse messages; a window that moves leaves a hot button
// behind it normal until the next message says where the mouse is.
TEST_F(SkinnedFrame, CaptionButtonStatesFollowTheMouseMessages) {
    TForm* form = MakeForm(bsSizeable);
    TdxSkinFormController& controller = *FormControllerOf(form);
    const TdxSkinFormNonClientAreaInfo& info = *controller.NonClientInfo;
    controller.CalculateNonClient();
    RECT w;
    GetWindowRect(form->Handle(), &w);
    const TPoint close = Middle(info.ButtonRects[sbClose]);
    cursor = TPoint{w.left + close.x, w.top + close.y};
    controller.CalculateNonClient(); // no message yet: the repaint reads no cursor
    EXPECT_EQ(info.ButtonStates[sbClose], esNormal);
    SendMessageA(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(cursor.x, cursor.y));
    EXPECT_EQ(info.ButtonStates[sbClose], esHot);
    controller.CalculateNonClient();
    EXPECT_EQ(info.ButtonStates[sbClose], esHot);
    TSurface hot(400, 300);
    PaintFrame(controller, hot);
    EXPECT_EQ(hot.Pixel(close.x, close.y), ButtonColor(sbClose, 1));
    // Moved away under a still cursor: no longer known to be under it.
    form->SetBounds(150, 100, 400, 300);
    TSurface moved(400, 300);
    PaintFrame(controller, moved);
    EXPECT_EQ(info.ButtonStates[sbClose], esNormal);
    EXPECT_EQ(moved.Pixel(close.x, close.y), ButtonColor(sbClose, 0));
    StopMouseLeaveTracking(&controller);
}

TEST_F(SkinnedFrame, BorderlessFormShowsOnlyTheSkinBackground) {
    TForm* form = MakeForm(bsNone);
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    TSurface s(400, 300);
    PaintFrame(*FormControllerOf(form), s); // an empty caption strip draws nothing and fails nothing
    EXPECT_EQ(s.Pixel(0, 0), RGB(0, 0, 0));
    SendMessageA(form->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(s.DC), 0);
    EXPECT_EQ(s.Pixel(0, 0), kContentColor);
    EXPECT_EQ(s.Pixel(399, 299), kContentColor);
    // No region for a borderless form.
    ProcessMessages();
    EXPECT_FALSE(FormControllerOf(form)->HasRegion);
}

TEST_F(SkinnedFrame, ThinBottomElementDrawsThinBorders) {
    LoadSkin(MakeFormSkin(4, 2));
    TForm* form = MakeForm(bsSizeable);
    TdxSkinFormController& controller = *FormControllerOf(form);
    controller.CalculateNonClient();
    EXPECT_TRUE(controller.Painter->HasThinBorders());
    EXPECT_EQ(controller.NonClientInfo->FrameSizes.bottom, 2);
    TSurface s(400, 300);
    PaintFrame(controller, s);
    EXPECT_EQ(s.Pixel(200, 299), kFrameColor[3][0]);
    EXPECT_EQ(s.Pixel(200, 298), kFrameColor[3][0]);
    EXPECT_EQ(s.Pixel(1, 297), kFrameColor[0][0]);
    EXPECT_EQ(s.Pixel(398, 297), kFrameColor[2][0]);
}

TEST_F(SkinnedFrame, ScrollBarsAreDrawnWhereThePlatformPutsThem) {
    TForm* form = MakeForm(bsSizeable);
    const HWND window = form->Handle();
    SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | WS_VSCROLL | WS_HSCROLL);
    SetScrollRange(window, SB_VERT, 0, 100, FALSE);
    SetScrollRange(window, SB_HORZ, 0, 100, FALSE);
    TdxSkinFormController& controller = *FormControllerOf(form);
    controller.UpdateFrame();
    controller.CalculateNonClient();
    const TdxSkinFormNonClientAreaInfo& info = *controller.NonClientInfo;
    RECT w;
    GetWindowRect(window, &w);
    for (int bar = 0; bar < 2; ++bar) {
        SCROLLBARINFO platform{};
        platform.cbSize = sizeof(platform);
        ASSERT_TRUE(GetScrollBarInfo(window, bar == 0 ? OBJID_HSCROLL : OBJID_VSCROLL, &platform));
        RECT r = platform.rcScrollBar;
        OffsetRect(&r, -w.left, -w.top);
        const TRect& mine = info.ScrollBarRects[bar];
        EXPECT_EQ(mine.left, r.left) << bar;
        EXPECT_EQ(mine.top, r.top) << bar;
        // The platform's bars may reach one pixel into the size box.
        EXPECT_NEAR(mine.right, r.right, 1) << bar;
        EXPECT_NEAR(mine.bottom, r.bottom, 1) << bar;
        EXPECT_EQ(bar == 0 ? mine.bottom - mine.top : mine.right - mine.left,
                  bar == 0 ? r.bottom - r.top : r.right - r.left);
    }
    ASSERT_TRUE(info.ScrollBars.Contains(2));
    TSurface s(400, 300);
    PaintFrame(controller, s);
    // The arrows are the skin's scroll buttons; the size box holds the skin's grip.
    const TRect& arrow = info.ScrollPartRects[1][1]; // its glyph sits in the middle
    EXPECT_EQ(s.Pixel(arrow.left + 1, arrow.top + 1), ProbeColor(ElementNumber("ScrollButton"), 0, esNormal));
    const TRect& box = info.ScrollBarRects[2];
    EXPECT_GT(s.Count(box, kSizeGripColor), 0);
}

TEST_F(SkinnedFrame, MessageDialogKeepsItsDesignedClientSize) {
    auto* dialog = CreateMessageDialog("Some words", mtInformation);
    forms.push_back(dialog);
    const int designedWidth = std::max(dialog->Message->Width(), dialog->OkButton->Width()) + 24;
    dialog->Handle();
    ASSERT_TRUE(IsWindowSkinned(dialog->Handle()));
    RECT client;
    GetClientRect(dialog->Handle(), &client);
    EXPECT_EQ(client.right, designedWidth);
    EXPECT_EQ(client.bottom, dialog->OkButton->Top() + dialog->OkButton->Height() + 12);
}

TEST_F(SkinnedFrame, ThemeChangeReachesTheFormAndChangesTheFrame) {
    class TListeningForm : public TForm {
    public:
        VZ_CLASS(TListeningForm, TForm)
        using TForm::TForm;
        int ThemeChanges = 0;

    protected:
        LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_THEMECHANGED) ++ThemeChanges;
            return TForm::WndProc(message, wParam, lParam);
        }
        using TForm::WndProc;
    };
    auto* form = new TListeningForm(nullptr);
    forms.push_back(form);
    form->SetBounds(100, 100, 400, 300);
    ASSERT_TRUE(IsWindowSkinned(form->Handle()));
    RECT skinned;
    GetClientRect(form->Handle(), &skinned);
    // Themes off: the system's frame, asked again at the next calculation.
    dxUxTheme::SetThemeSystemSeam(dxUxTheme::TdxThemeSystemSeam{[] { return FALSE; }, {}, {}});
    SendMessageA(form->Handle(), WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(form->ThemeChanges, 1);
    RECT system;
    GetClientRect(form->Handle(), &system);
    RECT expected{0, 0, 400, 300};
    AdjustWindowRectEx(&expected, static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE)));
    EXPECT_EQ(system.right, 400 - (expected.right - expected.left - 400));
    EXPECT_EQ(system.bottom, 300 - (expected.bottom - expected.top - 300));
    EXPECT_NE(system.bottom, skinned.bottom);
    EXPECT_TRUE(FormControllerOf(form)->NonClientInfo->UsesSystemMetrics());
    // An unskinned form hears of it too.
    controller->SetUseSkins(false);
    SendMessageA(form->Handle(), WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(form->ThemeChanges, 2);
    controller->SetUseSkins(true);
}

TEST_F(SkinnedFrame, NonClientPaintLeavesTheSystemsRegionAlone) {
    TForm* form = MakeForm(bsSizeable);
    CLIENTCREATESTRUCT ccs{nullptr, 1000};
    HWND client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                                  form->Handle(), nullptr, nullptr, &ccs);
    ProcessMessages();
    ASSERT_TRUE(IsWindowSkinned(client));
    HRGN region = CreateRectRgn(0, 0, 2000, 2000);
    SendMessageA(client, WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    RECT box;
    EXPECT_NE(GetRgnBox(region, &box), ERROR);
    EXPECT_TRUE(DeleteObject(region));
    DestroyWindow(client);
}

TEST_F(SkinnedFrame, PanelPaintsThroughTheSkin) {
    TForm* form = MakeForm(bsDialog);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 150, 40);
    panel->SetCaption("WWW");
    panel->Font().SetColor(static_cast<TColor>(RGB(250, 0, 250)));
    auto* label = new TLabel(panel);
    label->SetParent(panel);
    label->SetBounds(2, 2, 10, 10);
    label->SetParentColor(false);
    label->SetColor(static_cast<TColor>(RGB(0, 250, 0)));
    ASSERT_TRUE(IsWindowSkinned(panel->Handle()));
    const COLORREF face = ColorToRGB(clBtnFace);
    for (bool parentBackground : {true, false}) {
        SCOPED_TRACE(parentBackground);
        panel->SetParentBackground(parentBackground);
        TSurface s(150, 40);
        SendMessageA(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.DC), PRF_CLIENT);
        EXPECT_GT(s.Count(RECT{60, 5, 90, 35}, RGB(250, 0, 250)), 0);     // caption
        EXPECT_EQ(s.Pixel(5, 5), RGB(0, 250, 0));                          // label
        if (parentBackground)
            EXPECT_EQ(s.Pixel(30, 20), kContentColor);                     // the form's skin behind
        else
            EXPECT_EQ(s.Count(RECT{20, 15, 40, 25}, face), 0);             // the skin's panel, not the plain face
    }
}

TEST_F(SkinnedFrame, ButtonKeepsTheSkinAfterCaptionAndFocusChangesAndShowsItsStates) {
    TForm* form = MakeForm(bsDialog);
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(20, 20, 80, 30);
    button->SetCaption("Hg");
    form->Show();
    auto* buttonController = dynamic_cast<TdxSkinButtonController*>(FindControllerByHandle(button->Handle()));
    ASSERT_NE(buttonController, nullptr);
    auto picture = [&](TSurface& s) { buttonController->Paint(s.DC); };
    TSurface expected(80, 30);
    picture(expected);
    const TPoint probes[] = {{1, 1}, {78, 1}, {1, 28}, {78, 28}, {10, 15}};
    auto onScreenMatches = [&] {
        TSurface s(80, 30);
        HDC dc = GetWindowDC(button->Handle());
        BitBlt(s.DC, 0, 0, 80, 30, dc, 0, 0, SRCCOPY);
        ReleaseDC(button->Handle(), dc);
        for (TPoint p : probes)
            if (s.Pixel(p.x, p.y) != expected.Pixel(p.x, p.y)) return false;
        return true;
    };
    UpdateWindow(button->Handle());
    button->SetCaption("Hg");
    EXPECT_TRUE(onScreenMatches()) << "after WM_SETTEXT";
    // Focus: a focus rectangle four pixels inside.
    SetFocus(button->Handle());
    TSurface focused(80, 30);
    picture(focused);
    EXPECT_NE(focused.Pixel(4, 15), expected.Pixel(4, 15));
    EXPECT_EQ(focused.Pixel(2, 15), expected.Pixel(2, 15));
    // Disabled: the highlight-coloured text one pixel down-right under the text.
    EnableWindow(button->Handle(), FALSE);
    EXPECT_EQ(buttonController->Info().State, 4);
    TSurface disabled(80, 30);
    picture(disabled);
    EXPECT_GT(disabled.Count(RECT{20, 5, 60, 25}, ColorToRGB(clBtnHighlight)), 0);
    EnableWindow(button->Handle(), TRUE);
    // Pressed and hot.
    SendMessageA(button->Handle(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(buttonController->Info().State, 3);
    buttonController->Info().SetHot(false);
    EXPECT_EQ(buttonController->Info().State, 1);
    buttonController->Info().SetHot(true);
    EXPECT_EQ(buttonController->Info().State, 2);
}
