#include "ui/skins-forms/SkinFormController.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "ui/core/Canvas.h"
#include "ui/core/PainterRegistry.h"
#include "ui/core/SystemInfo.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/WindowServices.h"
#include "ui/skins-forms/SkinFormPainter.h"

namespace {
bool Contains(const TRect& r, TPoint p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsEmpty(const TRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

TPoint ScreenPointOf(LPARAM lParam) {
    // Signed 16-bit halves: points left of or above the primary monitor are negative.
    return TPoint{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// Keeps a weak link to an object for the length of a call that may free it.
class TWeakLink {
public:
    explicit TWeakLink(TObject* object) : link_(CreateObjectLink(object)) {}
    ~TWeakLink() { FreeObjectLink(link_); }
    bool Alive() const { return link_ && link_->Ref; }

private:
    TcxObjectLink* link_;
};
} // namespace

// ---------------------------------------------------------------------------------------------
// TdxSkinFormNonClientAreaInfo

TdxSkinFormNonClientAreaInfo::TdxSkinFormNonClientAreaInfo(TdxSkinFormController* controller)
    : FormController(controller) {
    Caption = GetWindowTextOf(controller->Handle);
}

TdxSkinFormNonClientAreaInfo::~TdxSkinFormNonClientAreaInfo() = default;

HWND TdxSkinFormNonClientAreaInfo::Handle() const {
    return FormController->Handle;
}

bool TdxSkinFormNonClientAreaInfo::HasBorder() const {
    return (GetWindowLongPtrA(Handle(), GWL_STYLE) & WS_BORDER) != 0;
}

bool TdxSkinFormNonClientAreaInfo::HasCaption() const {
    return (GetWindowLongPtrA(Handle(), GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
}

void TdxSkinFormNonClientAreaInfo::ResetMetrics() {
    metricsRead_ = false;
    captionFontDelta_ = -1;
}

bool TdxSkinFormNonClientAreaInfo::ThemeActive() {
    // Asked every time: a theme switched on or off changes the frame at once.
    return dxUxTheme::IsThemeActive() != FALSE;
}

bool TdxSkinFormNonClientAreaInfo::UsesSystemMetrics() {
    return !(!HasMenu && !IsMDIClient && ThemeActive());
}

bool TdxSkinFormNonClientAreaInfo::UsesSkinFrame() {
    return HasBorder() && !UsesSystemMetrics() && !(IsMaximized() && IsMDIChild);
}

void TdxSkinFormNonClientAreaInfo::Calculate() {
    HWND window = Handle();
    IsMDIChild = TdxSkinWinController::IsMDIChild(window);
    IsMDIClient = TdxSkinWinController::IsMDIClient(window);
    HasMenu = IsMenu(GetMenu(window)) && !IsMDIChild;
    HasClientEdge = TdxSkinFormHelper::HasClientEdge(window);
    SkinPainter = FormController->GetSkinPainter();
    SkinInfo = nullptr;
    TObject* data = nullptr;
    if (SkinPainter && GetStylePainterRegistry() && GetStylePainterRegistry()->FindDataOfPainter(SkinPainter, data))
        SkinInfo = dynamic_cast<TdxSkinInfo*>(data);
    ReadWindowInfo();
    CalculateMetrics();
    const RECT& w = WindowInfo.rcWindow;
    WindowRect = TRect{0, 0, w.right - w.left, w.bottom - w.top};
    const RECT& c = WindowInfo.rcClient;
    ClientRect = TRect{c.left - w.left, c.top - w.top, c.right - w.left, c.bottom - w.top};
    Buttons = GetButtonSet();
    Icon = GetIcon();
    UpdateCaptionFont();
    CalculateFrameSizes();
    MenuBarRect = ClientRect;
    MenuBarRect.top = FrameSizes.top;
    MenuBarRect.bottom = ClientRect.top;
    CalculateBorderRects();
    CalculateCaptionButtons();
    CalculateScrollBars();
}

void TdxSkinFormNonClientAreaInfo::ReadWindowInfo() {
    // GetWindowInfo also asks for the active window, a round trip to the window server under
    // Wine; the rectangles and styles are the window's own and cheap to read.
    HWND window = Handle();
    WindowInfo = WINDOWINFO{};
    WindowInfo.cbSize = sizeof(WindowInfo);
    if (UsesSystemMetrics() && HasBorder()) {
        GetWindowInfo(window, &WindowInfo); // the border widths too
    } else {
        GetWindowRect(window, &WindowInfo.rcWindow);
        RECT client{};
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        if (client.left > client.right) std::swap(client.left, client.right); // a mirrored window
        WindowInfo.rcClient = client;
        WindowInfo.dwStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
        WindowInfo.dwExStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    }
    // A mouse position read before the window moved or changed its size no longer says what is
    // under the cursor; the next mouse message tells.
    if (!EqualRect(&mouseWindowRect_, &WindowInfo.rcWindow)) {
        MousePos = TPoint{-1, -1};
        MouseLeftDown = false;
    }
}

void TdxSkinFormNonClientAreaInfo::ReadMouse() {
    MousePos = GetCursorPosOrInvalid();
    MouseLeftDown = (GetAsyncMouseKeys() & MK_LBUTTON) != 0;
    GetWindowRect(Handle(), &mouseWindowRect_);
}

void TdxSkinFormNonClientAreaInfo::CalculateMetrics() {
    EdgeSize = TSize{GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE)};
    FrameSize = TSize{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    CornerSize = UsesSystemMetrics() ? FrameSize : TSize{4, 4};
}

void TdxSkinFormNonClientAreaInfo::UpdateCaptionFont() {
    // The system's metrics are read once until a setting or the theme changes (ResetMetrics).
    if (!metricsRead_) {
        metrics_ = NONCLIENTMETRICSA{};
        metrics_.cbSize = sizeof(metrics_);
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics_), &metrics_, 0);
        metricsRead_ = true;
    }
    const LOGFONTA& font = IsToolWindow() ? metrics_.lfSmCaptionFont : metrics_.lfCaptionFont;
    const int delta = SkinInfo && !IsToolWindow() ? SkinInfo->FormCaptionFontDelta - 1 : 0;
    if (memcmp(&font, &captionLogFont_, sizeof(font)) != 0 || delta != captionFontDelta_) {
        captionLogFont_ = font;
        captionFontDelta_ = delta;
        CaptionFont.SetLogFont(font);
        if (delta > 0) CaptionFont.SetSize(CaptionFont.Size() + delta);
        TcxScreenCanvas canvas;
        captionFontHeight_ = canvas.MeasureFontHeight(CaptionFont);
    }
    TextShadowColor = clBtnShadow;
    ActiveTextColor = static_cast<TColor>(GetSysColor(COLOR_CAPTIONTEXT));
    InactiveTextColor = static_cast<TColor>(GetSysColor(COLOR_INACTIVECAPTIONTEXT));
    if (!SkinInfo) return;
    if (TdxSkinElement* caption = SkinInfo->FormFrames[1][1]) ActiveTextColor = caption->TextColor();
    if (SkinInfo->FormTextColorInactive) InactiveTextColor = SkinInfo->FormTextColorInactive->Value();
    if (SkinInfo->FormTextShadowColor) TextShadowColor = SkinInfo->FormTextShadowColor->Value();
}

void TdxSkinFormNonClientAreaInfo::CalculateFrameSizes() {
    FrameSizes = TRect{0, 0, 0, 0};
    if (!UsesSystemMetrics() && HasBorder()) {
        if (SkinInfo) FrameSizes = SkinInfo->FormFrameSizes[Kind()];
        if (IsToolWindow()) FrameSizes.top += CornerSize.cy;
    }
    if (HasCaption()) {
        if (UsesSystemMetrics() || IsToolWindow()) {
            FrameSizes.top += GetSystemMetrics(Kind() == 1 ? SM_CYCAPTION : SM_CYSMCAPTION);
        } else {
            FrameSizes.top += 2 * GetSystemMetrics(SM_CYEDGE) + CornerSize.cy +
                              std::max(GetSystemMetrics(SM_CYSMICON), captionFontHeight_);
        }
    }
    if (UsesSystemMetrics() && HasBorder()) {
        FrameSizes.left += static_cast<LONG>(WindowInfo.cxWindowBorders);
        FrameSizes.right += static_cast<LONG>(WindowInfo.cxWindowBorders);
        FrameSizes.top += static_cast<LONG>(WindowInfo.cyWindowBorders);
        FrameSizes.bottom += static_cast<LONG>(WindowInfo.cyWindowBorders);
    }
}

void TdxSkinFormNonClientAreaInfo::CalculateBorderRects() {
    for (int side = 0; side < 4; ++side)
        BorderRects[side] = WindowRect;
    BorderRects[0].right = WindowRect.left + FrameSizes.left;
    BorderRects[1].bottom = WindowRect.top + FrameSizes.top;
    BorderRects[2].left = WindowRect.right - FrameSizes.right;
    BorderRects[3].top = WindowRect.bottom - FrameSizes.bottom;
    if (IsMaximized() && IsThickFrame() && !UsesSystemMetrics())
        OffsetRect(&BorderRects[1], 0, FrameSize.cy - CornerSize.cy);
}

TdxSkinButtonSet TdxSkinFormNonClientAreaInfo::GetButtonSet() {
    TdxSkinButtonSet result;
    const LONG_PTR style = GetWindowLongPtrA(Handle(), GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(Handle(), GWL_EXSTYLE);
    if (style & WS_SYSMENU) {
        result.Include(sbClose);
        if (!(exStyle & WS_EX_TOOLWINDOW) && !(exStyle & WS_EX_DLGMODALFRAME)) result.Include(sbIcon);
    }
    if (style & WS_MINIMIZEBOX) result.Include((style & WS_MINIMIZE) ? sbRestore : sbMinimize);
    if (style & WS_MAXIMIZEBOX) result.Include((style & WS_MAXIMIZE) ? sbRestore : sbMaximize);
    if (exStyle & WS_EX_CONTEXTHELP) result.Include(sbHelp);
    return result;
}

HICON TdxSkinFormNonClientAreaInfo::GetIcon() {
    WPARAM type = IsWinXPOrLater() ? ICON_SMALL2 : IsToolWindow() ? ICON_SMALL : ICON_BIG;
    return reinterpret_cast<HICON>(DefWindowProcA(Handle(), WM_GETICON, type, 0));
}

void TdxSkinFormNonClientAreaInfo::CalculateCaptionButtons() {
    for (TRect& r : ButtonRects)
        r = TRect{};
    const int cyEdge = GetSystemMetrics(SM_CYEDGE);
    const int size = IsToolWindow() ? GetSystemMetrics(SM_CYSMCAPTION) - 2 * cyEdge : GetSystemMetrics(SM_CYSMICON);
    const bool maximizedSkinFrame = IsMaximized() && IsThickFrame() && !UsesSystemMetrics();
    CaptionTextRect = BorderRects[1];
    CaptionTextRect.top += IsToolWindow() ? 2 : 1;
    InflateRect(&CaptionTextRect, -(maximizedSkinFrame ? FrameSize.cx : CornerSize.cx), -cyEdge);
    if (IsThickFrame()) {
        if (IsMaximized())
            CaptionTextRect.top += CornerSize.cy;
        else if (UsesSystemMetrics())
            CaptionTextRect.top += FrameSize.cy - 4;
    }
    TRect r = CaptionTextRect;
    r.top = (r.top + r.bottom - size) / 2;
    r.bottom = r.top + size;
    if (Buttons.Contains(sbIcon)) {
        const int left = r.left;
        ButtonRects[sbIcon] = TRect{left, r.top, left + size, r.top + size};
        CaptionTextRect.left = ButtonRects[sbIcon].right + 5;
    } else {
        CaptionTextRect.left = 7;
    }
    r = BorderRects[1];
    TRect offsets{};
    if (SkinInfo && SkinInfo->FormFrames[Kind()][1]) offsets = SkinInfo->FormFrames[Kind()][1]->ContentOffset().Rect();
    r.top += UsesSystemMetrics() && IsThickFrame() ? FrameSize.cy : offsets.top;
    r.bottom -= offsets.bottom;
    r.right = CaptionTextRect.right;
    r.left = r.right - (r.bottom - r.top);
    TdxSkinButtonSet placed = Buttons;
    if (placed.Contains(sbMaximize) && placed.Contains(sbRestore)) placed.Exclude(sbRestore).Include(sbMinimize);
    for (int index = sbClose; index >= sbHelp; --index) {
        if (!placed.Contains(index)) continue;
        ButtonRects[index] = r;
        OffsetRect(&r, -(r.right - r.left + 2), 0);
        CaptionTextRect.right = ButtonRects[index].left - 5;
    }
    // A minimised window's restore button takes the minimise button's place.
    if (Buttons.Contains(sbMaximize) && Buttons.Contains(sbRestore)) ButtonRects[sbRestore] = ButtonRects[sbMinimize];
    UpdateButtonStates();
}

bool TdxSkinFormNonClientAreaInfo::UpdateButtonStates() {
    TdxSkinElementState old[6];
    std::copy(std::begin(ButtonStates), std::end(ButtonStates), old);
    const int under = ButtonUnderMouse();
    const LONG_PTR style = GetWindowLongPtrA(Handle(), GWL_STYLE);
    HotButton = PressedButton;
    for (int index = 0; index < 6; ++index) {
        TdxSkinElementState state = esNormal;
        if (!Active)
            state = esActiveDisabled;
        else if ((index == sbMinimize && !(style & WS_MINIMIZEBOX)) || (index == sbMaximize && !(style & WS_MAXIMIZEBOX)))
            state = esDisabled;
        if (index == under && state != esDisabled) {
            if (MouseLeftDown && index == PressedButton) {
                state = esPressed;
            } else if (PressedButton == 0) {
                state = esHot;
                HotButton = index;
            }
        }
        ButtonStates[index] = state;
    }
    return !std::equal(std::begin(old), std::end(old), std::begin(ButtonStates));
}

int TdxSkinFormNonClientAreaInfo::HitTest(TPoint screenPoint, int start) {
    const TPoint p{screenPoint.x - WindowInfo.rcWindow.left, screenPoint.y - WindowInfo.rcWindow.top};
    int result = start;
    if (IsThickFrame() && !IsMaximized() && result == 0) {
        const TSize s = UsesSystemMetrics() ? CornerSize : TSize{2, 2};
        const TRect& w = WindowRect;
        const struct {
            TRect r;
            int code;
        } areas[] = {
            {TRect{w.left, w.top, w.left + s.cx, FrameSizes.top}, HTTOPLEFT},
            {TRect{w.right - s.cx, w.top, w.right, FrameSizes.top}, HTTOPRIGHT},
            {TRect{w.left, w.bottom - s.cy, w.left + s.cx, w.bottom}, HTBOTTOMLEFT},
            {TRect{w.right - s.cx, w.bottom - s.cy, w.right, w.bottom}, HTBOTTOMRIGHT},
            {TRect{w.left, FrameSizes.top, w.left + s.cx, w.bottom}, HTLEFT},
            {TRect{w.left, w.top, w.right, w.top + s.cy}, HTTOP},
            {TRect{w.right - s.cx, FrameSizes.top, w.right, w.bottom}, HTRIGHT},
            {TRect{w.left, w.bottom - s.cy, w.right, w.bottom}, HTBOTTOM},
        };
        for (const auto& area : areas)
            if (Contains(area.r, p)) return area.code;
    }
    if (result != 0) return result;
    if (!Contains(BorderRects[1], p)) return 0;
    static const int codes[6] = {HTSYSMENU, HTHELP, HTMINBUTTON, HTMAXBUTTON, HTMAXBUTTON, HTCLOSE};
    result = HTCAPTION;
    for (int index = 0; index < 6; ++index)
        if (Buttons.Contains(index) && Contains(ButtonRects[index], p))
            result = index == sbRestore && IsMinimized() ? HTMINBUTTON : codes[index];
    return result;
}

int TdxSkinFormNonClientAreaInfo::ButtonUnderMouse() {
    return HitCodeToButton(HitTest(MousePos, 0));
}

int TdxSkinFormNonClientAreaInfo::HitCodeToButton(int code) const {
    switch (code) {
    case HTMINBUTTON:
        return IsMinimized() ? sbRestore : sbMinimize;
    case HTMAXBUTTON:
        return IsMaximized() ? sbRestore : sbMaximize;
    case HTCLOSE:
        return sbClose;
    case HTHELP:
        return sbHelp;
    default:
        return 0;
    }
}

int TdxSkinFormNonClientAreaInfo::UpdatePressedButton(bool reset) {
    ReadMouse();
    int old = PressedButton;
    PressedButton = ButtonUnderMouse();
    if (reset) {
        if (old != PressedButton) old = 0;
        PressedButton = 0;
    }
    return old;
}

void TdxSkinFormNonClientAreaInfo::SetActive(bool value) {
    if (value == Active) return;
    Active = value;
    UpdateButtonStates();
}

void TdxSkinFormNonClientAreaInfo::SetCaption(const AnsiString& text) {
    Caption = text;
    UpdateMDIChildCaption();
}

void TdxSkinFormNonClientAreaInfo::SetSizeType(int value) {
    if (value == SizeType) return;
    if (IsMDIChild && SizeType == SIZE_MAXIMIZED) TrimSystemMenu();
    SizeType = value;
}

bool TdxSkinFormNonClientAreaInfo::UpdateMDIChildCaption() {
    HWND child = TdxSkinFormHelper::GetMaximizedMDIChild(Handle());
    AnsiString text = child ? GetWindowTextOf(child) : AnsiString();
    if (text == MDIChildCaption) return false;
    MDIChildCaption = text;
    return true;
}

AnsiString TdxSkinFormNonClientAreaInfo::GetFullCaption() const {
    return MDIChildCaption.empty() ? Caption : Caption + " - [" + MDIChildCaption + "]";
}

void TdxSkinFormNonClientAreaInfo::ReadScrollBarInfo(int bar) {
    SCROLLBARINFO& info = ScrollBarInfos[bar];
    info = SCROLLBARINFO{};
    info.cbSize = sizeof(info);
    const LONG object = bar == 0 ? OBJID_HSCROLL : OBJID_VSCROLL;
    if (bar != TrackingBar) {
        GetScrollBarInfo(Handle(), object, &info);
        return;
    }
    // The thumb follows the mouse while it is dragged: read the bar with the tracking position.
    const int kind = bar == 0 ? SB_HORZ : SB_VERT;
    SCROLLINFO scroll{sizeof(scroll), SIF_POS | SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle(), kind, &scroll);
    FormController->BeginRedrawLock();
    SetScrollPos(Handle(), kind, scroll.nTrackPos, FALSE);
    GetScrollBarInfo(Handle(), object, &info);
    SetScrollPos(Handle(), kind, scroll.nPos, FALSE);
    FormController->EndRedrawLock();
}

void TdxSkinFormNonClientAreaInfo::CalculateScrollBars() {
    ScrollBars = {};
    for (TRect& r : ScrollBarRects)
        r = TRect{};
    const LONG_PTR style = GetWindowLongPtrA(Handle(), GWL_STYLE);
    if (style & WS_HSCROLL) {
        ReadScrollBarInfo(0);
        ScrollBars.Include(0);
        ScrollBarRects[0] = TRect{ClientRect.left, ClientRect.bottom, ClientRect.right,
                                  ClientRect.bottom + GetSystemMetrics(SM_CYHSCROLL)};
    }
    if (style & WS_VSCROLL) {
        ReadScrollBarInfo(1);
        ScrollBars.Include(1);
        ScrollBarRects[1] = TRect{ClientRect.right, ClientRect.top, ClientRect.right + GetSystemMetrics(SM_CXVSCROLL),
                                  ClientRect.bottom};
    }
    if (ScrollBars.Contains(0) && ScrollBars.Contains(1)) {
        ScrollBars.Include(2);
        ScrollBarRects[0].right = ScrollBarRects[1].left;
        ScrollBarRects[1].bottom = ScrollBarRects[0].top;
        ScrollBarRects[2] = TRect{ClientRect.right, ClientRect.bottom, ScrollBarRects[1].right, ScrollBarRects[0].bottom};
    }
    CalculateScrollParts();
}

void TdxSkinFormNonClientAreaInfo::CalculateScrollParts() {
    static const int stateIndex[6] = {0, 1, 5, 3, 2, 4};
    const TPoint p{MousePos.x - WindowInfo.rcWindow.left, MousePos.y - WindowInfo.rcWindow.top};
    for (int bar = 0; bar < 2; ++bar) {
        for (int part = 0; part < 6; ++part) {
            ScrollPartRects[bar][part] = TRect{};
            ScrollPartStates[bar][part] = 0;
        }
        if (!ScrollBars.Contains(bar)) continue;
        const SCROLLBARINFO& info = ScrollBarInfos[bar];
        const TRect& r = ScrollBarRects[bar];
        const int low = bar == 0 ? r.left : r.top, high = bar == 0 ? r.right : r.bottom;
        const int a = info.dxyLineButton, t1 = info.xyThumbTop, t2 = info.xyThumbBottom;
        const int from[6] = {0, low, high - a, low + t1, low + a, low + t2};
        const int to[6] = {0, low + a, high, low + t2, low + t1, high - a};
        for (int part = 1; part <= 5; ++part) {
            const DWORD state = info.rgstate[stateIndex[part]];
            if (state & STATE_SYSTEM_INVISIBLE) continue;
            TRect partRect = r;
            if (to[part] > from[part]) {
                if (bar == 0) {
                    partRect.left = from[part];
                    partRect.right = to[part];
                } else {
                    partRect.top = from[part];
                    partRect.bottom = to[part];
                }
            }
            ScrollPartRects[bar][part] = partRect;
            uint8_t value;
            if (part == 3 && bar == TrackingBar)
                value = 3;
            else if (state & STATE_SYSTEM_PRESSED)
                value = 3;
            else if (state & STATE_SYSTEM_UNAVAILABLE)
                value = 4;
            else if (!(state & STATE_SYSTEM_HOTTRACKED) && !Contains(partRect, p))
                value = 1;
            else
                value = MouseLeftDown && Contains(partRect, p) ? 3 : 2;
            ScrollPartStates[bar][part] = value;
        }
    }
}

bool TdxSkinFormNonClientAreaInfo::GetScrollPartUnderMouse(int& bar, int& part) {
    const TPoint p{MousePos.x - WindowInfo.rcWindow.left, MousePos.y - WindowInfo.rcWindow.top};
    for (bar = 0; bar < 2; ++bar) {
        if (!ScrollBars.Contains(bar) || !Contains(ScrollBarRects[bar], p)) continue;
        for (part = 1; part <= 5; ++part)
            if (ScrollPartStates[bar][part] != 0 && Contains(ScrollPartRects[bar][part], p)) return true;
    }
    return false;
}

HRGN TdxSkinFormNonClientAreaInfo::CreateClientEdgeRegion() {
    HRGN outer = CreateRectRgn(WindowRect.left, WindowRect.top, WindowRect.right, WindowRect.bottom);
    HRGN inner = CreateRectRgn(WindowRect.left + EdgeSize.cx, WindowRect.top + EdgeSize.cy,
                               WindowRect.right - EdgeSize.cx, WindowRect.bottom - EdgeSize.cy);
    CombineRgn(outer, outer, inner, RGN_DIFF);
    DeleteObject(inner);
    return outer;
}

HRGN TdxSkinFormNonClientAreaInfo::CreateSkinnedRegion() {
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    auto add = [&](const TRect& r) {
        if (IsEmpty(r)) return;
        HRGN part = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(result, result, part, RGN_OR);
        DeleteObject(part);
    };
    for (const TRect& r : BorderRects)
        add(r);
    if (IsMDIClient) {
        HRGN edge = CreateClientEdgeRegion();
        CombineRgn(result, result, edge, RGN_OR);
        DeleteObject(edge);
    }
    if (HasMenu) add(TRect{MenuBarRect.left, MenuBarRect.bottom - 1, MenuBarRect.right, MenuBarRect.bottom});
    for (int bar = 0; bar < 3; ++bar)
        if (ScrollBars.Contains(bar)) add(ScrollBarRects[bar]);
    OffsetRgn(result, WindowInfo.rcWindow.left, WindowInfo.rcWindow.top);
    return result;
}

void TdxSkinFormNonClientAreaInfo::TrimSystemMenu() {
    if (!IsWin2000() && !UsesSystemMetrics()) return;
    HWND window = Handle();
    GetSystemMenu(window, TRUE);
    if (!IsDialogFrame() || !HasBorder() || IsMDIChild) return;
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    DeleteMenu(menu, SC_TASKLIST, MF_BYCOMMAND);
    DeleteMenu(menu, 7, MF_BYPOSITION);
    DeleteMenu(menu, 5, MF_BYPOSITION);
    for (UINT command : {SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE, SC_RESTORE})
        DeleteMenu(menu, command, MF_BYCOMMAND);
    SetMenuDefaultItem(menu, SC_CLOSE, FALSE);
}

// ---------------------------------------------------------------------------------------------
// TdxSkinFormController

TdxSkinFormController::TdxSkinFormController(HWND window) : TdxSkinWinController(window) {
    NonClientInfo = std::make_unique<TdxSkinFormNonClientAreaInfo>(this);
    Painter = std::make_unique<TdxSkinFormPainter>(NonClientInfo.get());
    if (IsMessageForm(window)) PostMessageA(window, WM_POSTMSGFORMINIT, 0, 0);
}

TdxSkinFormController::~TdxSkinFormController() {
    ResetObjectLinks(this);
}

TdxSkinWinController* TdxSkinFormController::Create(HWND window) {
    auto* controller = new TdxSkinFormController(window);
    controller->AfterConstruction();
    return controller;
}

bool TdxSkinFormController::IsSkinned() {
    return TdxSkinWinController::IsSkinned() && NonClientInfo;
}

void TdxSkinFormController::InitSkinPainter() {
    TForm* form = GetForm();
    if (!form) return;
    const std::vector<TdxSkinController*> list = SkinControllers();
    for (size_t i = 0; i < list.size(); ++i) {
        if (i == 0) {
            SkinPainter = list[i]->GetFormPainter(form);
        } else if (!SkinPainter) {
            AnsiString name;
            bool found = GetSkinPainterName(name);
            SkinPainter = list[i]->DoSkinForm(form, name, found);
        }
    }
}

void TdxSkinFormController::Refresh() {
    TdxSkinWinController::Refresh();
    if (Painter && !IsSkinned()) Painter->FreePictures(); // a plain window keeps no frame pictures
    if (Handle && HasRegion && !IsSkinned() && GetForm()) {
        HasRegion = false;
        SetWindowRgn(Handle, nullptr, FALSE);
    }
}

void TdxSkinFormController::WndProc(TMessage& message) {
    if (message.Msg == WM_SETTEXT) {
        WMSetText(message);
    } else if (message.Msg == WM_THEMECHANGED) {
        // Every window hears of a theme change; a skinned frame changes its sizes with it.
        NonClientInfo->ResetMetrics();
        TWeakLink self(this);
        CallDefaultProc(message);
        if (self.Alive() && IsSkinned()) UpdateFrame();
    } else if (message.Msg == WM_SETTINGCHANGE) {
        NonClientInfo->ResetMetrics();
        CallDefaultProc(message);
    } else if (message.Msg == WM_POSTMSGFORMINIT && WM_POSTMSGFORMINIT) {
        InitMessageForm();
    } else if (!IsSkinned() || !HandleSkinnedMessage(message)) {
        CallDefaultProc(message);
    }
}

void TdxSkinFormController::CalculateNonClient() {
    NonClientInfo->Calculate();
}

void TdxSkinFormController::RedrawNonClient() {
    CalculateNonClient();
    PaintNonClient();
}

void TdxSkinFormController::PaintNonClient() {
    if (!Handle || !IsSkinned()) return;
    Painter->BeginPaint(nullptr);
    Painter->PaintNonClient();
    Painter->EndPaint();
}

void TdxSkinFormController::PaintBackground(HDC dc) {
    Painter->BeginPaint(dc);
    Painter->PaintClientBackground();
    Painter->EndPaint();
}

void TdxSkinFormController::InitMessageForm() {
    TForm* form = GetForm();
    if (!form) return;
    for (int i = form->ControlCount() - 1; i >= 0; --i)
        if (auto* label = dynamic_cast<TLabel*>(form->Controls(i))) label->SetTransparent(true);
}

void TdxSkinFormController::MouseLeave() {
    EndRedrawLock();
    UpdateHotTracking(true);
    UpdateWindow(Handle);
    BeginRedrawLock();
}

void TdxSkinFormController::BeginRedrawLock() {
    if (RedrawLockCount++ == 0 && Handle) DefWindowProcA(Handle, WM_SETREDRAW, 0, 0);
}

void TdxSkinFormController::EndRedrawLock() {
    if (--RedrawLockCount == 0 && Handle) DefWindowProcA(Handle, WM_SETREDRAW, 1, 0);
}

void TdxSkinFormController::SetRegion(bool wanted) {
    if (wanted) {
        HasRegion = true;
        RECT r;
        GetWindowRect(Handle, &r);
        SetWindowRgn(Handle, CreateRectRgn(0, 0, r.right - r.left, r.bottom - r.top), TRUE);
    } else if (IsZoomed(Handle) && HasRegion) {
        HasRegion = false;
        BeginRedrawLock();
        SetWindowRgn(Handle, nullptr, FALSE);
        EndRedrawLock();
        PostMessageA(Handle, WM_POSTREDRAW, 0, 0);
    }
}

bool TdxSkinFormController::NeedsRegion(int sizeType) {
    TForm* form = GetForm();
    if (!form) return sizeType != SIZE_MAXIMIZED;
    if (form->BorderStyle() == bsNone) return false;
    return !(sizeType == SIZE_MAXIMIZED && !form->Parent());
}

bool TdxSkinFormController::UpdateHotTracking(bool forceRepaint) {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    const bool wasTracking = IsMouseLeaveTracking(this);
    // Every mouse message and the tracking timer come here: the one place the cursor is read.
    info.ReadMouse();
    bool result = info.UpdateButtonStates();
    int bar = 0, part = 0;
    auto screenRect = [&](TRect r) {
        OffsetRect(&r, info.WindowInfo.rcWindow.left, info.WindowInfo.rcWindow.top);
        return r;
    };
    if (info.HotButton) {
        StartMouseLeaveTracking(nullptr, screenRect(info.ButtonRects[info.HotButton]), this);
    } else if (info.GetScrollPartUnderMouse(bar, part)) {
        StartMouseLeaveTracking(nullptr, screenRect(info.ScrollPartRects[bar][part]), this);
        result = !wasTracking;
    } else {
        result = result || wasTracking;
        StopMouseLeaveTracking(this);
    }
    if (forceRepaint || result) RedrawNonClient();
    return result;
}

bool TdxSkinFormController::HandleSkinnedMessage(TMessage& message) {
    TWeakLink self(this);
    SetRegion(false);
    if (PendingNCPaint) {
        PaintNonClient();
        PendingNCPaint = false;
    }
    auto passOn = [&] {
        CallDefaultProc(message);
        return self.Alive();
    };
    switch (message.Msg) {
    case WM_DESTROY:
    case WM_MDIDESTROY:
        WMDestroy(message);
        return true;
    case WM_SIZE:
        WMSize(message);
        return true;
    case WM_ACTIVATE:
    case WM_MOUSEACTIVATE:
        if (passOn()) PaintNonClient();
        return true;
    case WM_ERASEBKGND:
        WMEraseBkgnd(message);
        return true;
    case 0x003F:
        if (passOn()) UpdateFrame();
        return true;
    case WM_NCCALCSIZE:
        WMNCCalcSize(message);
        return true;
    case WM_NCHITTEST:
        WMNCHitTest(message);
        return true;
    case WM_NCPAINT:
        WMNCPaint(message);
        return true;
    case WM_NCACTIVATE:
        WMNCActivate(message);
        return true;
    case WM_SYNCPAINT:
    case 0x00AE:
    case 0x00AF:
        PaintNonClient();
        return true;
    case WM_NCMOUSEMOVE:
        if (!UpdateHotTracking(false)) {
            message.WParam = HTNOWHERE;
            if (passOn()) PaintNonClient();
        }
        return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        WMNCLButtonDown(message);
        return true;
    case WM_NCLBUTTONUP:
        WMNCLButtonUp(message);
        return true;
    case WM_SYSCOMMAND:
        WMSysCommand(message);
        return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
        WMScroll(message);
        return true;
    default:
        return HandleRegisteredMessage(message);
    }
}

bool TdxSkinFormController::HandleRegisteredMessage(TMessage& message) {
    const UINT msg = message.Msg;
    if (msg == 0) return false;
    if (msg == WM_CHILDCHANGED) {
        if (NonClientInfo->UpdateMDIChildCaption()) PaintNonClient();
    } else if (msg == CM_REEVALUATEPAINTER) {
        UpdateSkinPainter();
    } else if (msg == WM_POSTREDRAW) {
        Redraw(false);
    } else if (msg == WM_POSTCHECKRGN) {
        const int sizeType = IsZoomed(Handle) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        NonClientInfo->SetSizeType(sizeType);
        SetRegion(NeedsRegion(sizeType));
        NonClientInfo->TrimSystemMenu();
    } else {
        return false;
    }
    return true;
}

void TdxSkinFormController::WMDestroy(TMessage& message) {
    TWeakLink self(this);
    CallDefaultProc(message);
    if (self.Alive() && message.WParam == 0) {
        SkinPainter = nullptr;
        Unsubclass();
    }
}

void TdxSkinFormController::WMSize(TMessage& message) {
    TWeakLink self(this);
    CallDefaultProc(message);
    if (!self.Alive()) return;
    NonClientInfo->SetSizeType(static_cast<int>(message.WParam));
    SetRegion(NeedsRegion(static_cast<int>(message.WParam)));
}

void TdxSkinFormController::WMEraseBkgnd(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    const int saved = SaveDC(dc);
    PaintBackground(dc);
    RestoreDC(dc, saved);
    message.Result = 1;
}

void TdxSkinFormController::WMNCCalcSize(TMessage& message) {
    auto* rects = reinterpret_cast<RECT*>(message.LParam);
    const RECT proposed = rects[0];
    TWeakLink self(this);
    CallDefaultProc(message);
    if (!self.Alive()) return;
    CalculateNonClient();
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    if (!message.WParam || !info.UsesSkinFrame()) return;
    TRect m = info.FrameSizes;
    const LONG_PTR style = GetWindowLongPtrA(Handle, GWL_STYLE);
    if (style & WS_VSCROLL) m.right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL) m.bottom += GetSystemMetrics(SM_CYHSCROLL);
    if (info.IsMaximized() && info.IsThickFrame()) {
        m.left += info.FrameSize.cx - info.CornerSize.cx;
        m.right += info.FrameSize.cx - info.CornerSize.cx;
        m.top += info.FrameSize.cy - info.CornerSize.cy;
        if (style & WS_VSCROLL) m.right += info.CornerSize.cx - info.FrameSizes.right;
        if (style & WS_HSCROLL) m.bottom += info.CornerSize.cy - info.FrameSizes.bottom;
    }
    if (!info.IsMinimized())
        rects[0] = RECT{proposed.left + m.left, proposed.top + m.top, proposed.right - m.right, proposed.bottom - m.bottom};
}

void TdxSkinFormController::WMNCHitTest(TMessage& message) {
    message.Result = NonClientInfo->HitTest(ScreenPointOf(message.LParam), static_cast<int>(message.Result));
    if (message.Result == 0 || message.Result == HTSYSMENU) CallDefaultProc(message);
}

void TdxSkinFormController::WMNCPaint(TMessage& message) {
    RedrawNonClient();
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    if (info.HasMenu || info.IsMDIClient) {
        // What the skin does not cover the platform still paints; the region that came in belongs
        // to the system, which deletes it after the message.
        const RECT& w = info.WindowInfo.rcWindow;
        HRGN rest = CreateRectRgn(w.left, w.top, w.right, w.bottom);
        HRGN skinned = info.CreateSkinnedRegion();
        CombineRgn(rest, rest, skinned, RGN_XOR);
        DeleteObject(skinned);
        if (message.WParam != 1) CombineRgn(rest, rest, reinterpret_cast<HRGN>(message.WParam), RGN_AND);
        const WPARAM original = message.WParam;
        message.WParam = reinterpret_cast<WPARAM>(rest);
        TWeakLink self(this);
        CallDefaultProc(message);
        DeleteObject(rest);
        message.WParam = original;
        if (!self.Alive()) return;
    }
    message.WParam = 1;
    message.Result = 0;
}

void TdxSkinFormController::WMNCActivate(TMessage& message) {
    NonClientInfo->SetActive(message.WParam != 0);
    if (HWND child = TdxSkinFormHelper::GetActiveMDIChild(Handle)) {
        if (auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC)))
            CallWindowProcA(proc, child, WM_NCACTIVATE, message.WParam, message.LParam);
    }
    if (NonClientInfo->IsMDIChild) {
        const LONG_PTR style = GetWindowLongPtrA(Handle, GWL_STYLE);
        SetWindowLongPtrA(Handle, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
        message.Result = DefWindowProcA(Handle, WM_NCACTIVATE, message.WParam, message.LParam);
        SetWindowLongPtrA(Handle, GWL_STYLE, style);
    } else {
        message.Result = 1;
    }
    PaintNonClient();
}

void TdxSkinFormController::WMNCLButtonDown(TMessage& message) {
    TWeakLink self(this);
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    PendingNCPaint = true;
    info.UpdatePressedButton(false);
    info.UpdateButtonStates();
    const bool scrollHit = message.WParam == HTHSCROLL || message.WParam == HTVSCROLL;
    if (scrollHit) BeginRedrawLock();
    if (info.PressedButton == 0) CallDefaultProc(message); // the platform's move, size or menu loop
    if (self.Alive()) {
        if (scrollHit) EndRedrawLock();
        UpdateHotTracking(true);
        PaintNonClient();
    }
    message.Result = 0;
}

void TdxSkinFormController::WMNCLButtonUp(TMessage& message) {
    const int button = NonClientInfo->UpdatePressedButton(true);
    TWeakLink self(this);
    UpdateHotTracking(true);
    static const WPARAM commands[6] = {0, SC_CONTEXTHELP, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_CLOSE};
    if (button >= sbHelp) {
        // The help button too: its press was kept from the platform, so its release acts.
        SendMessageA(Handle, WM_SYSCOMMAND, commands[button], 0);
    } else if (self.Alive()) {
        CallDefaultProc(message);
    }
}

void TdxSkinFormController::WMSysCommand(TMessage& message) {
    TWeakLink self(this);
    CallDefaultProc(message);
    if (self.Alive()) PaintNonClient();
}

void TdxSkinFormController::WMScroll(TMessage& message) {
    const int kind = LOWORD(message.WParam);
    NonClientInfo->TrackingBar = kind == SB_THUMBTRACK ? (message.Msg == WM_HSCROLL ? 0 : 1) : 2;
    TWeakLink self(this);
    CallDefaultProc(message);
    if (!self.Alive()) return;
    // The platform's scroll loop holds the mouse: its messages are the ones that tell where it is.
    NonClientInfo->ReadMouse();
    EndRedrawLock();
    Redraw(true);
    BeginRedrawLock();
}

void TdxSkinFormController::WMSetText(TMessage& message) {
    TWeakLink self(this);
    CallDefaultProc(message);
    if (!self.Alive()) return;
    NonClientInfo->SetCaption(message.LParam ? AnsiString(reinterpret_cast<const char*>(message.LParam)) : AnsiString());
    UpdateFrame();
}
