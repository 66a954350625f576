#include "ui/skins-forms/SkinFormPainter.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "ui/core/ControlServices.h"
#include "ui/core/GraphicsRoutines.h"

namespace {
bool IsEmpty(const TRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

constexpr DWORD kWindowDCFlags = DCX_WINDOW | DCX_CACHE | DCX_CLIPSIBLINGS | DCX_VALIDATE;

// The bytes of the values a kept picture depends on, in one string to compare.
class TPictureKey {
public:
    template <class T> TPictureKey& operator<<(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof(value));
        return *this;
    }
    TPictureKey& operator<<(const AnsiString& text) {
        *this << text.size();
        bytes_ += text;
        return *this;
    }
    // An element by address and stamp: another element, or a change of this one, draws anew.
    TPictureKey& operator<<(TdxSkinElement* element) {
        return *this << static_cast<const void*>(element) << (element ? element->Stamp : uint64_t{0});
    }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

// A canvas taken over a DC for one paint: the window's own when none is given.
void BeginCanvasPaint(HWND window, HDC given, HDC& dc, bool& ownsDC, TCanvas& canvas) {
    dc = given;
    ownsDC = given == nullptr;
    if (ownsDC) dc = GetDCEx(window, nullptr, kWindowDCFlags);
    canvas.SetHandle(dc);
}

void EndCanvasPaint(HWND window, HDC& dc, bool& ownsDC, TCanvas& canvas) {
    canvas.SetHandle(nullptr);
    if (ownsDC && dc) ReleaseDC(window, dc);
    dc = nullptr;
    ownsDC = false;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// TdxSkinFramePicture

HDC TdxSkinFramePicture::Prepare(HDC dc, int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!dc_ || width > width_ || height > height_) {
        const int newWidth = std::max(width, width_), newHeight = std::max(height, height_);
        Free();
        dc_ = CreateCompatibleDC(dc);
        bitmap_ = CreateCompatibleBitmap(dc, newWidth, newHeight);
        old_ = SelectObject(dc_, bitmap_);
        width_ = newWidth;
        height_ = newHeight;
    }
    // As a new picture starts: elements with alpha blend over black.
    PatBlt(dc_, 0, 0, width, height, BLACKNESS);
    shown_ = false;
    return dc_;
}

void TdxSkinFramePicture::Keep(std::string key) {
    key_ = std::move(key);
    shown_ = true;
}

void TdxSkinFramePicture::Free() {
    if (dc_) {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    width_ = height_ = 0;
    shown_ = false;
    key_.clear();
}

// ---------------------------------------------------------------------------------------------
// TdxSkinFormPainter

TdxSkinFormPainter::TdxSkinFormPainter(TdxSkinFormNonClientAreaInfo* nonClientInfo)
    : CxCanvas(std::make_unique<TcxCanvas>(&Canvas)), NonClientInfo(nonClientInfo) {}

TdxSkinFormPainter::~TdxSkinFormPainter() = default;

void TdxSkinFormPainter::BeginPaint(HDC dc) {
    SkinPainter = NonClientInfo->SkinPainter;
    SkinInfo = NonClientInfo->SkinInfo;
    BeginCanvasPaint(NonClientInfo->Handle(), dc, DC, OwnsDC, Canvas);
}

void TdxSkinFormPainter::EndPaint() {
    EndCanvasPaint(NonClientInfo->Handle(), DC, OwnsDC, Canvas);
}

void TdxSkinFormPainter::DrawElement(TdxSkinElementCache& cache, TdxSkinElement* element, HDC dc, const TRect& r,
                                     TdxSkinElementState state) {
    if (!element || IsEmpty(r)) return;
    cache.CheckCacheState(element, r, 0, state);
    cache.Draw(dc, r);
}

TdxSkinElement* TdxSkinFormPainter::Frame(int side) const {
    return SkinInfo ? SkinInfo->FormFrames[NonClientInfo->Kind()][side] : nullptr;
}

bool TdxSkinFormPainter::HasThinBorders() const {
    for (int side = 0; side < 4; ++side) {
        TdxSkinElement* element = Frame(side);
        const TSize size = element ? element->GetImageSize() : TSize{0, 0};
        const int thickness = side == 0 || side == 2 ? size.cx : size.cy;
        if (thickness < 3) return true;
    }
    return false;
}

void TdxSkinFormPainter::DrawBackground(HDC dc, const TRect& r) {
    if (!SkinInfo || !SkinInfo->FormContent) return;
    SkinInfo->FormContent->Render(dc, r, 0, esNormal);
}

void TdxSkinFormPainter::PaintClientBackground() {
    if (!SkinInfo || !SkinInfo->FormContent) return;
    RECT client;
    GetClientRect(NonClientInfo->Handle(), &client);
    SkinInfo->FormContent->Render(DC, client, 0, esNormal);
}

void TdxSkinFormPainter::PaintNonClient() {
    if (!DC || !SkinInfo) return;
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    DrawClientEdge();
    const TRect& caption = info.BorderRects[1];
    // Composed in memory and copied at once: no flicker. The picture, one for each frame state, is
    // kept and drawn again only when something it shows changed. A borderless window's strip is
    // empty.
    if (caption.right > 0 && caption.bottom > 0) {
        TdxSkinFramePicture& picture = captionPictures_[StateIndex()];
        std::string key = CaptionKey(caption, Frame(1));
        if (!picture.Shows(key)) {
            DrawCaption(picture.Prepare(DC, caption.right, caption.bottom), caption, Frame(1));
            picture.Keep(std::move(key));
        }
        BitBlt(DC, 0, 0, caption.right, caption.bottom, picture.DC(), 0, 0, SRCCOPY);
    }
    if (HasThinBorders())
        DrawThinBorders();
    else
        DrawBorders();
    DrawMenuSeparator();
    if (!info.ScrollBars.Empty() && !info.IsMinimized()) DrawScrollBars(DC);
}

std::string TdxSkinFormPainter::CaptionKey(const TRect& r, TdxSkinElement* element) const {
    const TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    TPictureKey key;
    key << r << element << FrameState() << info.Kind() << info.Buttons.Bits() << info.Icon;
    for (int index = 0; index < 6; ++index)
        if (info.Buttons.Contains(index))
            key << info.ButtonRects[index] << info.ButtonStates[index]
                << (SkinInfo ? SkinInfo->FormCaptionButtons[info.Kind()][index] : nullptr);
    key << info.GetFullCaption() << info.CaptionTextRect << info.CaptionFont.LogFont() << info.Active
        << info.TextShadowColor << info.ActiveTextColor << info.InactiveTextColor;
    return key.Take();
}

void TdxSkinFormPainter::FreePictures() {
    for (int state = 0; state < 2; ++state) {
        captionPictures_[state].Free();
        for (TdxSkinFramePicture& picture : borderPictures_[state])
            picture.Free();
    }
    scrollBarBuffer_.Free();
}

void TdxSkinFormPainter::DrawClientEdge() {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    if (!info.IsMDIClient || !info.HasClientEdge || !SkinInfo || !SkinInfo->FormContent) return;
    const int saved = SaveDC(DC);
    const TRect& w = info.WindowRect;
    ExcludeClipRect(DC, w.left + info.EdgeSize.cx, w.top + info.EdgeSize.cy, w.right - info.EdgeSize.cx,
                    w.bottom - info.EdgeSize.cy);
    SkinInfo->FormContent->Render(DC, w, 0, esNormal);
    RestoreDC(DC, saved);
}

void TdxSkinFormPainter::DrawMenuSeparator() {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    if (!info.HasMenu) return;
    RECT line{info.MenuBarRect.left, info.MenuBarRect.bottom - 1, info.MenuBarRect.right, info.MenuBarRect.bottom};
    FillRect(DC, &line, GetSysColorBrush(COLOR_MENU));
}

void TdxSkinFormPainter::DrawBorders() {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    const bool buffered = TdxSkinFormHelper::IsLayered(info.Handle());
    for (int side : {0, 2, 3}) {
        TRect r = info.BorderRects[side];
        if (side != 3) {
            r.top = info.BorderRects[1].bottom;
            r.bottom = info.BorderRects[3].top;
        }
        if (!IsEmpty(r) && CxCanvas->IsRectVisible(r)) DrawBorder(r, side, buffered);
    }
}

void TdxSkinFormPainter::DrawThinBorders() {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    if (!IsEmpty(info.BorderRects[3])) DrawBorder(info.BorderRects[3], 3, true);
    TdxSkinElement* bottom = Frame(3);
    const int bottomSize = bottom ? bottom->GetImageSize().cy : 0;
    for (int side : {0, 2}) {
        TRect r = info.BorderRects[side];
        r.top = info.BorderRects[1].bottom;
        r.bottom = info.WindowRect.bottom - bottomSize;
        if (!IsEmpty(r) && CxCanvas->IsRectVisible(r)) DrawBorder(r, side, true);
    }
}

void TdxSkinFormPainter::DrawBorder(TRect r, int side, bool buffered) {
    TdxSkinElement* element = Frame(side);
    if (!buffered && (!element || element->HasAlpha())) {
        // Blended over what the window shows: drawn every time.
        DrawElement(BorderCaches[side], element, DC, r, FrameState());
        return;
    }
    TRect local{0, 0, r.right - r.left, r.bottom - r.top};
    TRect target = local;
    if (element && HasThinBorders()) {
        const TSize size = element->GetImageSize();
        if (side == 0) target.right = target.left + size.cx;
        if (side == 2) target.left = target.right - size.cx;
        if (side == 3) target.top = target.bottom - size.cy;
    }
    // The side's picture, one for each frame state, is kept until its size or elements change. An
    // opaque element unbuffered covers its picture as it would cover the window.
    TdxSkinFramePicture& picture = borderPictures_[StateIndex()][side];
    std::string key =
        (TPictureKey() << buffered << local << target << element << SkinInfo->FormContent << FrameState()).Take();
    if (!picture.Shows(key)) {
        HDC memory = picture.Prepare(DC, local.right, local.bottom);
        if (buffered && SkinInfo->FormContent) SkinInfo->FormContent->Render(memory, local, 0, FrameState());
        DrawElement(BorderCaches[side], element, memory, target, FrameState());
        picture.Keep(std::move(key));
    }
    BitBlt(DC, r.left, r.top, local.right, local.bottom, picture.DC(), 0, 0, SRCCOPY);
}

void TdxSkinFormPainter::DrawCaption(HDC dc, const TRect& r, TdxSkinElement* element) {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    DrawElement(BorderCaches[1], element, dc, r, FrameState());
    for (int index = 0; index < 6; ++index)
        if (info.Buttons.Contains(index))
            DrawCaptionButton(dc, info.ButtonRects[index],
                              SkinInfo ? SkinInfo->FormCaptionButtons[info.Kind()][index] : nullptr, index);
    const AnsiString text = info.GetFullCaption();
    if (text.empty()) return;
    HGDIOBJ oldFont = SelectObject(dc, info.CaptionFont.Handle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = GetTextColor(dc);
    constexpr UINT flags = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS;
    RECT t = info.CaptionTextRect;
    if (info.Active && !info.IsToolWindow() && info.TextShadowColor != clNone) {
        SetTextColor(dc, ColorToRGB(info.TextShadowColor));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, flags);
    }
    OffsetRect(&t, -1, -1);
    SetTextColor(dc, ColorToRGB(info.Active ? info.ActiveTextColor : info.InactiveTextColor));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, flags);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

void TdxSkinFormPainter::DrawCaptionButton(HDC dc, const TRect& r, TdxSkinElement* element, int index) {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    if (index == sbIcon && !info.Icon) return;
    if (index != sbIcon && !element) return;
    if (IsEmpty(r) || !RectVisible(dc, &r)) return;
    if (element)
        DrawElement(ButtonCaches[index], element, dc, r, info.ButtonStates[index]);
    else
        DrawIconEx(dc, r.left, r.top, info.Icon, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
}

void TdxSkinFormPainter::DrawScrollBars(HDC dc) {
    TdxSkinFormNonClientAreaInfo& info = *NonClientInfo;
    for (int item = 0; item < 3; ++item) {
        if (!info.ScrollBars.Contains(item)) continue;
        const TRect& r = info.ScrollBarRects[item];
        if (item == 2) {
            DrawBackground(dc, r);
            if (SkinPainter) SkinPainter->PaintSizeGrip(CxCanvas.get(), r, clDefault);
            continue;
        }
        HDC memory = scrollBarBuffer_.Prepare(dc, r.right - r.left, r.bottom - r.top);
        SetWindowOrgEx(memory, r.left, r.top, nullptr);
        DrawScrollBarParts(memory, item, r);
        SetWindowOrgEx(memory, 0, 0, nullptr);
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, SRCCOPY);
    }
}

void TdxSkinFormPainter::DrawScrollBarParts(HDC dc, int bar, const TRect& r) {
    DrawBackground(dc, r);
    if (!SkinPainter) return;
    HDC saved = Canvas.Handle();
    Canvas.SetHandle(dc);
    for (int part = 1; part <= 5; ++part) {
        const uint8_t state = NonClientInfo->ScrollPartStates[bar][part];
        if (state == 0) continue;
        SkinPainter->PaintScrollBarPart(CxCanvas.get(), bar == 0, NonClientInfo->ScrollPartRects[bar][part],
                                        static_cast<TcxScrollBarPart>(part), static_cast<TcxButtonPaintState>(state));
    }
    Canvas.SetHandle(saved);
}

// ---------------------------------------------------------------------------------------------
// Child controls

TRect TdxSkinCustomControlViewInfo::GetBounds() const {
    RECT r{};
    GetWindowRect(OwnerController->Handle, &r);
    return TRect{0, 0, r.right - r.left, r.bottom - r.top};
}

bool TdxSkinCustomControlViewInfo::IsMouseOver() const {
    const TPoint p = GetCursorPosOrInvalid();
    return WindowFromPoint(p) == OwnerController->Handle;
}

void TdxSkinButtonViewInfo::Initialize() {
    Caption = GetWindowTextOf(OwnerController->Handle);
    UpdateFromEnabled();
}

void TdxSkinButtonViewInfo::SetState(uint8_t state) {
    if (!IsEnabled()) state = 4;
    if (state == State) return;
    State = state;
    Pressed = state == 3;
    OwnerController->Redraw(true);
}

void TdxSkinButtonViewInfo::SetPressed(bool value) {
    SetState(value ? 3 : 1);
}

void TdxSkinButtonViewInfo::SetHot(bool value) {
    SetState(!value ? 1 : Pressed ? 3 : 2);
}

void TdxSkinButtonViewInfo::UpdateFromEnabled() {
    SetState(IsEnabled() ? 1 : 4);
}

TdxSkinCustomControlPainter::TdxSkinCustomControlPainter(TdxSkinCustomControlViewInfo* viewInfo)
    : CxCanvas(std::make_unique<TcxCanvas>(&Canvas)), ViewInfo(viewInfo) {}

TdxSkinCustomControlPainter::~TdxSkinCustomControlPainter() = default;

void TdxSkinCustomControlPainter::BeginPaint(HDC dc) {
    BeginCanvasPaint(ViewInfo->OwnerController->Handle, dc, DC, OwnsDC, Canvas);
}

void TdxSkinCustomControlPainter::EndPaint() {
    EndCanvasPaint(ViewInfo->OwnerController->Handle, DC, OwnsDC, Canvas);
}

void TdxSkinCustomControlPainter::DrawParentBackground() {
    if (TWinControl* control = ViewInfo->OwnerController->Control)
        PaintBackgroundBehindControl(control, *CxCanvas, ViewInfo->GetBounds(), true);
}

void TdxSkinCustomControlPainter::DrawButton(const AnsiString& text, const TRect& r, uint8_t state) {
    TdxSkinPainterClass painter = ViewInfo->OwnerController->GetSkinPainter();
    if (!painter) return;
    const auto paintState = static_cast<TcxButtonPaintState>(state);
    painter->PaintButton(CxCanvas.get(), r, "", paintState, true, clNone, clNone);
    if (text.empty()) return;
    CxCanvas->Brush().SetStyle(bsClear);
    const bool multiLine = (GetWindowLongPtrA(ViewInfo->OwnerController->Handle, GWL_STYLE) & BS_MULTILINE) != 0;
    const int flags = tfAlignHCenter | tfAlignVCenter | tfShowPrefix | (multiLine ? tfWordBreak : tfSingleLine);
    if (ViewInfo->OwnerController->Control) CxCanvas->AssignFont(ViewInfo->OwnerController->Control->Font());
    if (state == 4) {
        TRect shifted = r;
        OffsetRect(&shifted, 1, 1);
        CxCanvas->Font().SetColor(clBtnHighlight);
        CxCanvas->DrawTextWithFlags(text, shifted, flags);
    }
    CxCanvas->Font().SetColor(painter->GetButtonGlyphColor(paintState, clNone));
    CxCanvas->DrawTextWithFlags(text, r, flags);
}

void TdxSkinCustomControlPainter::DrawFocusRect(const TRect& r) {
    ::DrawFocusRect(DC, &r);
}

TdxSkinCustomController::TdxSkinCustomController(HWND window) : TdxSkinWinController(window) {}

TdxSkinCustomController::~TdxSkinCustomController() {
    // The window goes back before the painter and view info it may still paint with.
    StopMouseLeaveTracking(this);
    Unsubclass();
}

void TdxSkinCustomController::Build() {
    ViewInfo.reset(CreateViewInfo());
    Painter = std::make_unique<TdxSkinCustomControlPainter>(ViewInfo.get());
    ViewInfo->Initialize();
    AfterConstruction();
}

TdxSkinCustomControlViewInfo* TdxSkinCustomController::CreateViewInfo() {
    return new TdxSkinCustomControlViewInfo(this);
}

TdxSkinWinController* TdxSkinCustomController::FindParentController(HWND window) {
    (void)window;
    TForm* form = Control ? GetParentForm(Control) : nullptr;
    if (!form || !form->HandleAllocated() || !CanSkinControl()) return nullptr;
    return FindControllerByHandle(form->Handle());
}

void TdxSkinCustomController::WndProc(TMessage& message) {
    if (IsSkinned()) {
        if (message.Msg == WM_PAINT && WMPaint(message)) return;
        if (message.Msg == WM_ERASEBKGND && WMEraseBkgnd(message)) return;
    }
    CallDefaultProc(message);
}

bool TdxSkinCustomController::WMEraseBkgnd(TMessage& message) {
    message.Result = 1;
    return true;
}

bool TdxSkinCustomController::WMPaint(TMessage& message) {
    if (message.WParam) {
        Paint(reinterpret_cast<HDC>(message.WParam));
    } else {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(Handle, &ps);
        Paint(dc);
        ::EndPaint(Handle, &ps);
    }
    message.Result = 0;
    return true;
}

TdxSkinWinController* TdxSkinButtonController::Create(HWND window) {
    auto* controller = new TdxSkinButtonController(window);
    controller->Build();
    return controller;
}

TdxSkinCustomControlViewInfo* TdxSkinButtonController::CreateViewInfo() {
    return new TdxSkinButtonViewInfo(this);
}

void TdxSkinButtonController::WndProc(TMessage& message) {
    if (message.Msg == WM_SETTEXT)
        Info().Caption = message.LParam ? AnsiString(reinterpret_cast<const char*>(message.LParam)) : AnsiString();
    TcxObjectLink* link = CreateObjectLink(this);
    TdxSkinCustomController::WndProc(message);
    const bool alive = link->Ref != nullptr;
    FreeObjectLink(link);
    if (!alive || !IsSkinned()) return;
    switch (message.Msg) {
    case WM_ENABLE:
        Info().UpdateFromEnabled();
        break;
    case BM_SETSTATE:
        Info().SetPressed(message.WParam != 0);
        break;
    case WM_UPDATEUISTATE:
        if (LOWORD(message.WParam) == UIS_SET || LOWORD(message.WParam) == UIS_CLEAR) Paint(nullptr);
        break;
    case WM_SETTEXT:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The system button drew itself straight to its window: the skin goes back over it.
        Paint(nullptr);
        break;
    case WM_MOUSEMOVE:
    case WM_MOUSEHOVER:
        if (ViewInfo->IsMouseOver()) Info().SetHot(true);
        break;
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
        Info().SetHot(false);
        break;
    default:
        break;
    }
}

void TdxSkinButtonController::MouseLeave() {
    TdxSkinCustomController::MouseLeave();
    Info().SetHot(false);
}

void TdxSkinButtonController::Paint(HDC dc) {
    Painter->BeginPaint(dc);
    const TRect bounds = ViewInfo->GetBounds();
    Painter->DrawParentBackground();
    Painter->DrawButton(Info().Caption, bounds, Info().State);
    if (ViewInfo->IsFocused()) {
        TRect focus = bounds;
        InflateRect(&focus, -4, -4);
        Painter->DrawFocusRect(focus);
    }
    Painter->EndPaint();
}

TdxSkinWinController* TdxSkinPanelController::Create(HWND window) {
    auto* controller = new TdxSkinPanelController(window);
    controller->Build();
    return controller;
}

void TdxSkinPanelController::Paint(HDC dc) {
    auto* panel = dynamic_cast<TCustomPanel*>(Control);
    TdxSkinPainterClass painter = GetSkinPainter();
    if (!panel || !painter) return;
    Painter->BeginPaint(dc);
    TcxCanvas& canvas = *Painter->CxCanvas;
    const TRect r = ViewInfo->GetBounds();
    if (panel->ControlStyle.Contains(csParentBackground))
        PaintBackgroundBehindControl(panel, canvas, r, false);
    else if (panel->Color() == clBtnFace)
        painter->PaintPanelBody(&canvas, r);
    else
        painter->PaintPanelBackground(&canvas, panel, r, clNone, panel->Color());
    if (panel->BevelInner() != bvNone || panel->BevelOuter() != bvNone) painter->PaintPanelFrame(&canvas, r);
    HDC target = Painter->DC;
    const AnsiString& caption = panel->Caption();
    if (!caption.empty()) {
        const int oldMode = SetBkMode(target, TRANSPARENT);
        HGDIOBJ oldFont = SelectObject(target, panel->Font().Handle());
        const COLORREF oldColor = SetTextColor(target, ColorToRGB(panel->Font().Color()));
        RECT text = r;
        DrawTextA(target, caption.c_str(), static_cast<int>(caption.size()), &text,
                  panel->AlignmentFlags() | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
        SetTextColor(target, oldColor);
        SelectObject(target, oldFont);
        SetBkMode(target, oldMode);
    }
    panel->PaintControls(target);
    Painter->EndPaint();
}

bool TdxSkinPanelController::WMEraseBkgnd(TMessage& message) {
    message.Result = 1;
    return true;
}

bool TdxSkinPanelController::WMPaint(TMessage& message) {
    if (Painting) return false;
    Painting = true;
    const bool result = TdxSkinCustomController::WMPaint(message);
    Painting = false;
    return result;
}

void TdxSkinPanelController::WndProc(TMessage& message) {
    if (IsSkinned() && message.Msg == WM_PRINTCLIENT) {
        const bool skip = message.Result == 1 ||
                          ((message.LParam & PRF_CHECKVISIBLE) && !IsWindowVisible(Handle));
        if (!skip) {
            TMessage paint{WM_PAINT, message.WParam, 0, 0};
            WMPaint(paint);
        }
        return;
    }
    TdxSkinCustomController::WndProc(message);
}

TdxSkinWinController* TdxSkinFrameController::FindParentController(HWND window) {
    (void)window;
    TForm* form = Control ? GetParentForm(Control) : nullptr;
    if (!form || !form->HandleAllocated() || !CanSkinControl()) return nullptr;
    return FindControllerByHandle(form->Handle());
}

// ---------------------------------------------------------------------------------------------
// The controller classes and the choice between them.

const TdxSkinWinControllerClassInfo dxSkinFormControllerClass{"TdxSkinFormController", &TdxSkinFormController::Create};
const TdxSkinWinControllerClassInfo dxSkinButtonControllerClass{"TdxSkinButtonController",
                                                               &TdxSkinButtonController::Create};
const TdxSkinWinControllerClassInfo dxSkinPanelControllerClass{"TdxSkinPanelController",
                                                              &TdxSkinPanelController::Create};

TdxSkinWinControllerClass SelectControllerClass(HWND window) {
    if (TdxSkinWinController::IsMDIClient(window)) return &dxSkinFormControllerClass;
    TWinControl* control = FindControl(window);
    if (!control) return nullptr;
    // The last test that holds wins.
    TdxSkinWinControllerClass result = nullptr;
    if (dynamic_cast<TForm*>(control)) result = &dxSkinFormControllerClass;
    const AnsiString name = control->ClassName();
    if (lstrcmpiA(name.c_str(), "TButton") == 0) result = &dxSkinButtonControllerClass;
    if (lstrcmpiA(name.c_str(), "TPanel") == 0) result = &dxSkinPanelControllerClass;
    return result;
}
