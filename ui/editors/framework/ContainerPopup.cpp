#include "ui/editors/framework/ContainerPopup.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/core/Win32Boundary.h"
#include "ui/core/ControlServices.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/WindowServices.h"
#include "ui/editors/framework/Container.h"

namespace {
std::vector<TcxCustomPopupWindow*>& OpenList() {
    static std::vector<TcxCustomPopupWindow*> list;
    return list;
}
// Raised while a popup closes, and while one is shown (or closed by the mouse hook).
int closingCount = 0;
bool showing = false;

struct TCounter {
    int& count;
    explicit TCounter(int& c) : count(c) { ++count; }
    ~TCounter() { --count; }
};
struct TFlag {
    bool& flag;
    bool saved;
    explicit TFlag(bool& f) : flag(f), saved(f) { flag = true; }
    ~TFlag() { flag = saved; }
};

bool Contains(TcxCustomPopupWindow* popup) {
    auto& list = OpenList();
    return std::find(list.begin(), list.end(), popup) != list.end();
}

void Remove(TcxCustomPopupWindow* popup) {
    auto& list = OpenList();
    list.erase(std::remove(list.begin(), list.end(), popup), list.end());
}

TWinControl* OwnerWindowed(TControl* owner) {
    return dynamic_cast<TWinControl*>(owner);
}

bool Alive(TComponent* component) {
    return component && !component->HasState(csDestroying);
}

HWND FormWindow(TControl* owner) {
    TForm* form = owner ? GetParentForm(owner) : nullptr;
    return form && form->HandleAllocated() ? form->Handle() : nullptr;
}

// The saved window procedures of windows whose next message is swallowed.
std::map<HWND, WNDPROC>& SwallowedWindows() {
    static std::map<HWND, WNDPROC> windows;
    return windows;
}

LRESULT CALLBACK SwallowOnce(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& windows = SwallowedWindows();
    auto found = windows.find(window);
    if (found == windows.end()) return DefWindowProcA(window, message, wParam, lParam);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second));
    windows.erase(found);
    return 1;
}

// The message about to reach the window never gets there: it is answered 1.
void Swallow(HWND window) {
    auto& windows = SwallowedWindows();
    if (windows.count(window)) return;
    windows[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SwallowOnce)));
}

HHOOK callWndProcHook = nullptr;
HHOOK getMessageHook = nullptr;
HHOOK mouseHook = nullptr;
} // namespace

struct TcxPopupHooks {
    static void CallWndProc(const CWPSTRUCT& m) {
        auto& list = OpenList();
        if (list.empty()) return;
        const HWND w = m.hwnd;
        switch (m.message) {
        case WM_DESTROY:
            for (TcxCustomPopupWindow* popup : list)
                if (Alive(popup) && popup->HandleAllocated() && popup->Handle() == w) {
                    popup->ClosePopup();
                    break;
                }
            break;
        case WM_CLOSE:
            for (TcxCustomPopupWindow* popup : std::vector<TcxCustomPopupWindow*>(list)) {
                if (!Alive(popup)) continue;
                if (popup->HandleAllocated() && popup->Handle() == w) {
                    if (popup->CloseQuery()) popup->ClosePopup();
                    if (!popup->IsOpen() && popup->takesFocus_ && Alive(popup->ownerControl_))
                        if (TWinControl* owner = OwnerWindowed(popup->ownerControl_);
                            owner && owner->HandleAllocated())
                            SendMessageA(FindTopLevelAncestorWindow(owner->Handle()), WM_CLOSE, 0, 0);
                    break;
                }
                if (!popup->takesFocus_ && Alive(popup->ownerControl_)) {
                    const HWND form = FormWindow(popup->ownerControl_);
                    if (!form || form == w) popup->ClosePopup();
                    break;
                }
            }
            break;
        case WM_SHOWWINDOW:
            if (m.wParam) break;
            for (size_t i = list.size(); i-- > 0;) {
                TcxCustomPopupWindow* popup = list[i];
                TWinControl* owner = OwnerWindowed(popup->ownerControl_);
                if (!Alive(owner) || !owner->HandleAllocated() || owner->Handle() != w) continue;
                // This popup and every later one, the last first.
                while (list.size() > i)
                    list.back()->ClosePopup();
                break;
            }
            break;
        case WM_ACTIVATEAPP:
            if (m.wParam) break;
            for (bool closed = true; closed;) {
                closed = false;
                for (TcxCustomPopupWindow* popup : std::vector<TcxCustomPopupWindow*>(list)) {
                    if (const HWND form = FormWindow(popup->ownerControl_))
                        PostMessageA(form, WM_NCACTIVATE, FALSE, 0);
                    const bool active = popup->HandleAllocated() && GetActiveWindow() == popup->Handle();
                    if ((!popup->takesFocus_ || !active) && popup->HandleAllocated() &&
                        IsWindowEnabled(popup->Handle())) {
                        TControl* owner = popup->ownerControl_;
                        popup->ClosePopup();
                        if (auto* container = dynamic_cast<TcxContainer*>(owner); Alive(container))
                            container->DoFocusChanged();
                        closed = true;
                        break;
                    }
                }
            }
            break;
        case WM_WINDOWPOSCHANGED:
            for (bool closed = true; closed;) {
                closed = false;
                for (TcxCustomPopupWindow* popup : std::vector<TcxCustomPopupWindow*>(list)) {
                    TWinControl* owner = OwnerWindowed(popup->ownerControl_);
                    if (!Alive(popup) || !popup->HandleAllocated() || !Alive(owner) ||
                        !owner->HandleAllocated() || owner->Handle() != w || IsWindowVisible(w))
                        continue;
                    popup->ClosePopup();
                    closed = true;
                    break;
                }
            }
            break;
        case WM_NCACTIVATE:
            if (m.wParam) break;
            if (showing) {
                Swallow(w);
                break;
            }
            for (TcxCustomPopupWindow* popup : list)
                if (FormWindow(popup->ownerControl_) == w) {
                    Swallow(w);
                    break;
                }
            break;
        default:
            break;
        }
    }

    static void GetMessage(MSG& msg) {
        auto& list = OpenList();
        if (list.empty() || msg.message != WM_SYSKEYDOWN) return;
        TcxCustomPopupWindow* last = list.back();
        if (!(last->takesFocus_ && last->ModalLoop) && !last->AcceptsSysKey(static_cast<WORD>(msg.wParam)))
            msg.message = WM_NULL;
    }

    // False: the click is discarded.
    static bool MouseDown(UINT message, const MOUSEHOOKSTRUCT& m) {
        auto& list = OpenList();
        bool answer = true;
        for (size_t i = 0; i < list.size();) {
            TcxCustomPopupWindow* popup = list[i];
            const HWND w = m.hwnd;
            const bool active = popup->HandleAllocated() && GetActiveWindow() == popup->Handle();
            if ((popup->takesFocus_ && !active) || IsChildOrPopupWindow(popup, w)) {
                ++i;
                continue;
            }
            TControl* owner = popup->ownerControl_;
            TForm* form = owner ? GetParentForm(owner) : nullptr;
            const bool onForm = form && form->HandleAllocated() &&
                                (IsControlWindow(form, w, true) ||
                                 (!form->Parent() && FindTopLevelAncestorWindow(w) == form->Handle()));
            auto* formPopup = dynamic_cast<TcxCustomPopupWindow*>(form);
            if (!onForm && !(formPopup && !formPopup->IsOpen())) {
                ++i;
                continue;
            }
            TWinControl* windowed = OwnerWindowed(owner);
            const TPoint point{m.pt.x, m.pt.y};
            const TRect bounds = popup->GetOwnerScreenBounds();
            const bool onOwner = windowed && IsControlWindow(windowed, w, true) &&
                                 (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) &&
                                 PtInRect(&bounds, point);
            if (!onOwner && answer)
                answer = !popup->SwallowsClosingClick(w, message, point, GetShiftStateFromKeyboard());
            {
                TCounter lock(popup->closeLockCount_);
                TFlag show(showing);
                popup->ClosePopup();
            }
            if (onOwner && (!Alive(owner) || !owner->Visible())) answer = false;
            i = 0;
        }
        return answer;
    }
};

namespace {
LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION)
        GuardedCall([&] { TcxPopupHooks::CallWndProc(*reinterpret_cast<CWPSTRUCT*>(lParam)); });
    return CallNextHookEx(callWndProcHook, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE)
        GuardedCall([&] { TcxPopupHooks::GetMessage(*reinterpret_cast<MSG*>(lParam)); });
    return CallNextHookEx(getMessageHook, code, wParam, lParam);
}

LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && !OpenList().empty()) {
        switch (wParam) {
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
        case WM_NCRBUTTONDOWN:
        case WM_NCRBUTTONDBLCLK:
        case WM_NCMBUTTONDOWN:
        case WM_NCMBUTTONDBLCLK:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: {
            const bool pass = GuardedCall(
                [&] {
                    return TcxPopupHooks::MouseDown(static_cast<UINT>(wParam),
                                                    *reinterpret_cast<MOUSEHOOKSTRUCT*>(lParam));
                },
                true);
            if (!pass) return 1;
            break;
        }
        default:
            break;
        }
    }
    return CallNextHookEx(mouseHook, code, wParam, lParam);
}
} // namespace

void PopupHooksInitialize() {
    const DWORD thread = GetCurrentThreadId();
    callWndProcHook = SetWindowsHookExA(WH_CALLWNDPROC, &CallWndProcHook, nullptr, thread);
    getMessageHook = SetWindowsHookExA(WH_GETMESSAGE, &GetMessageHook, nullptr, thread);
    mouseHook = SetWindowsHookExA(WH_MOUSE, &MouseHook, nullptr, thread);
}

void PopupHooksFinalize() {
    for (HHOOK* hook : {&mouseHook, &getMessageHook, &callWndProcHook}) {
        if (*hook) UnhookWindowsHookEx(*hook);
        *hook = nullptr;
    }
    OpenList().clear();
}

int OpenPopupCount() {
    return static_cast<int>(OpenList().size());
}

TcxCustomPopupWindow* OpenPopup(int index) {
    return OpenList().at(index);
}

// ---------------------------------------------------------------------------------------------
// TcxCustomPopupWindow

TcxCustomPopupWindow::TcxCustomPopupWindow(TControl* ownerControl) : TcxPopupWindow(nullptr) {
    SetFormStyle(fsNormal);
    visible_ = false;
    style_ = std::make_unique<TcxContainerStyle>(this, false, nullptr, csNormal);
    style_->OnChanged = [this](TObject*) { HandleStyleChanged(); };
    viewInfo_ = std::make_unique<TcxContainerViewInfo>();
    ownerControl_ = ownerControl;
    // Escape releasing the capture must be seen before the focused control takes the key.
    KeyPreview = true;
}

TcxCustomPopupWindow::~TcxCustomPopupWindow() {
    Destroying();
    ResetObjectLinks(this);
    Remove(this);
    viewInfo_.reset();
    style_->OnChanged = nullptr;
    style_.reset();
    DestroyHandle();
}

bool TcxCustomPopupWindow::IsOpen() const {
    return Contains(const_cast<TcxCustomPopupWindow*>(this));
}

bool TcxCustomPopupWindow::IsOwnerVisible() const {
    TWinControl* owner = OwnerWindowed(ownerControl_);
    return owner && owner->HandleAllocated() && IsWindowVisible(owner->Handle());
}

void TcxCustomPopupWindow::PostClose() {
    if (HandleAllocated()) PostMessageA(Handle(), CM_CLOSEPOPUPWINDOW, 0, 0);
}

void TcxCustomPopupWindow::FireClosed() {
    if (OnPopupClosed) OnPopupClosed(this);
}
void TcxCustomPopupWindow::FireClosing() {
    if (OnPopupClosing) OnPopupClosing(this);
}
void TcxCustomPopupWindow::FireShown() {
    if (OnPopupShown) OnPopupShown(this);
}
void TcxCustomPopupWindow::FireShowing() {
    if (OnPopupShowing) OnPopupShowing(this);
}

bool TcxCustomPopupWindow::SwallowsClosingClick(HWND, UINT, TPoint, TShiftState) {
    return false;
}

void TcxCustomPopupWindow::SetTakesFocus(bool value) {
    if (value == takesFocus_) return;
    takesFocus_ = value;
    Reopen();
}

void TcxCustomPopupWindow::SetTopMost(bool value) {
    if (value == topMost_) return;
    topMost_ = value;
    Reopen();
}

void TcxCustomPopupWindow::Reopen() {
    const bool open = IsOpen();
    if (open) ClosePopup();
    if (HandleAllocated()) {
        DestroyHandle();
        Handle();
    }
    if (open) RunPopup(focusedControl_);
}

TRect TcxCustomPopupWindow::GetOwnerScreenBounds() {
    TRect bounds = OwnerBounds;
    TWinControl* owner = OwnerWindowed(ownerControl_);
    if (owner && owner->HandleAllocated() && HasChildWindowStyle(owner->Handle()) && owner->Parent())
        MapRectBetweenWindows(owner->Parent()->Handle(), nullptr, bounds);
    return bounds;
}

void TcxCustomPopupWindow::FitToWorkArea(TPoint& p) {
    if (!AdjustsToWorkArea()) return;
    int w = Width(), h = Height();
    const TRect a = GetMonitorWorkAreaAt(p);
    if (p.x < a.left) {
        w -= a.left - p.x;
        p.x = a.left;
    }
    if (p.y < a.top) {
        h -= a.top - p.y;
        p.y = a.top;
    }
    SetWidth(std::min(w, static_cast<int>(a.right - p.x)));
    SetHeight(std::min(h, static_cast<int>(a.bottom - p.y)));
    // A popup at the top of the work area whose window came out shorter moves down by what it
    // lost, as far as the work area's bottom: it never leaves the work area.
    if (Height() < h && p.y == a.top) p.y = std::min<int>(p.y + h - Height(), a.bottom - Height());
}

void TcxCustomPopupWindow::RunPopup(TWinControl* controlToFocus) {
    if (IsOpen() || !IsOwnerVisible()) return;
    InheritOwnerFont();
    FitToContent();
    TPoint p = ComputePopupPosition();
    FitToWorkArea(p);
    {
        TFlag show(showing);
        OpenList().push_back(this);
        FireShowing();
        SetBounds(p.x, p.y, Width(), Height());
        if (takesFocus_) {
            Show();
        } else {
            visible_ = true;
            ShowWindow(Handle(), SW_SHOWNOACTIVATE);
        }
        TWinControl* focus = controlToFocus;
        if (takesFocus_) {
            if (!(focus && focus->CanFocus() && focus->TabStop()))
                focus = FindNextControl(nullptr, true, true, true);
            if (!focus) focus = this;
        }
        focusedControl_ = focus;
        if (focus) focus->SetFocus();
        TForm* form = ownerControl_ ? GetParentForm(ownerControl_) : nullptr;
        const bool topmost =
            !takesFocus_ || !form ||
            (form->HandleAllocated() && (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST));
        SetWindowPos(Handle(), topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    }
    ModalResult = 0;
    FireShown();
    if (!takesFocus_ || !ModalLoop) return;
    // A handler may free the popup inside its own loop: the link tells.
    TcxObjectLink* link = CreateObjectLink(this);
    struct TFree {
        TcxObjectLink* link;
        ~TFree() { FreeObjectLink(link); }
    } freeLink{link};
    while (link->Ref && Visible() && Application && !Application->Terminated()) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
            (msg.wParam == VK_RETURN || msg.wParam == VK_MENU || msg.wParam == VK_SPACE))
            PeekMessageA(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
        if (ModalResult != 0) {
            if (CloseQuery()) {
                CloseOnModalResult();
            } else if (link->Ref) {
                ModalResult = 0;
            }
            continue;
        }
        Application->HandleMessage();
    }
}

void TcxCustomPopupWindow::ClosePopup() {
    if (!IsOpen()) return;
    {
        TCounter closing(closingCount);
        Remove(this);
        FireClosing();
        if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
        visible_ = false;
        FireClosed();
        if (HandleAllocated()) {
            const HWND capture = GetCapture();
            if (capture && (capture == Handle() || IsChild(Handle(), capture))) ReleaseCapture();
        }
    }
    TForm* form = ownerControl_ && Alive(ownerControl_) ? GetParentForm(ownerControl_) : nullptr;
    if (OpenList().empty() && form && form->HandleAllocated() && GetActiveWindow() != form->Handle())
        SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0);
    // The focus goes back to the owner when it sat on the owner's form itself.
    TWinControl* owner = OwnerWindowed(ownerControl_);
    if (takesFocus_ && Alive(owner) && form && form->HandleAllocated() && GetFocus() == form->Handle() &&
        owner->CanFocus())
        owner->SetFocus();
}

void TcxCustomPopupWindow::ClosePopupLocked() {
    TCounter lock(closeLockCount_);
    ClosePopup();
}

void TcxCustomPopupWindow::Deactivate(HWND activated) {
    if (closeLockCount_ > 0) return;
    auto& list = OpenList();
    for (size_t i = list.size(); i-- > 0;) {
        if (i >= list.size()) continue;
        TcxCustomPopupWindow* popup = list[i];
        if (activated && IsChildOrPopupWindow(popup, activated)) return;
        if (popup->HandleAllocated() && IsWindowEnabled(popup->Handle()) && popup->closeLockCount_ == 0)
            popup->ClosePopup();
    }
    if (IsOpen()) ClosePopup();
}

void TcxCustomPopupWindow::SetFocus() {
    TCounter closing(closingCount);
    TcxPopupWindow::SetFocus();
}

void TcxCustomPopupWindow::CreateHandle() {
    if (handle_) return;
    const bool listed = IsOpen();
    if (!listed) OpenList().push_back(this);
    struct TUnlist {
        TcxCustomPopupWindow* popup;
        bool listed;
        ~TUnlist() {
            if (!listed) Remove(popup);
        }
    } unlist{this, listed};
    TForm* form = ownerControl_ ? GetParentForm(ownerControl_) : nullptr;
    if (takesFocus_) {
        HWND parent = form ? form->Handle() : (Application ? Application->Handle() : nullptr);
        DWORD exStyle = 0;
        if (topMost_ && (!form || (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST)))
            exStyle |= WS_EX_TOPMOST;
        CreateWindowHandle(WS_POPUP | WS_CLIPCHILDREN, exStyle, parent, BoundsRect());
    } else {
        CreateWindowHandle(WS_CHILD | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, GetSharedMessageWindow()->Handle(),
                           BoundsRect());
        // Detached: it shows on the desktop and is never activated.
        ::SetParent(handle_, nullptr);
    }
}

void TcxCustomPopupWindow::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_ESCAPE && IsOpen() && HandleAllocated()) {
        const HWND capture = GetCapture();
        if (capture && (capture == Handle() || IsChild(Handle(), capture))) {
            ReleaseCapture();
            key = 0;
            return;
        }
    }
    TcxPopupWindow::KeyDown(key, shift);
}

bool TcxCustomPopupWindow::IsShortCut(WORD key, TShiftState shift) {
    if (TcxPopupWindow::IsShortCut(key, shift)) return true;
    TForm* form = ownerControl_ && Alive(ownerControl_) ? GetParentForm(ownerControl_) : nullptr;
    return form && form != this && form->IsShortCut(key, shift);
}

void TcxCustomPopupWindow::CalculateViewInfo() {
    TcxContainerViewInfo& info = *viewInfo_;
    const TcxContainerStyle& style = *style_;
    info.UsesTheme = false;
    info.SkinPainter = style.LookAndFeel().SkinPainter();
    info.StateSet = TcxContainerState{cstNormal};
    const TcxContainerBorderStyle border = style.BorderStyle();
    const bool flatLook = border == cbsUltraFlat || border == cbsOffice11;
    info.FrameStyle = flatLook ? cbsSingle : border;
    info.FrameWidth = info.SkinPainter ? 1 : GetContainerBorderWidth(info.FrameStyle);
    info.FrameSides = style.Edges();
    info.DropShadow = style.Shadow();
    if (info.SkinPainter)
        info.FrameColor = info.SkinPainter->GetEditBorderColor(false);
    else
        info.FrameColor = flatLook ? TColor(clBtnShadow) : style.BorderColor();
    info.FillColor = style.GetColor();
    const TRect client = GetClientRect();
    info.OuterRect = client;
    const int width = info.FrameStyle == cbsNone && !info.SkinPainter ? 0 : info.FrameWidth;
    const TcxBorders edges = info.FrameSides;
    TRect inner{client.left + (edges.Contains(bLeft) ? width : 0), client.top + (edges.Contains(bTop) ? width : 0),
                client.right - (edges.Contains(bRight) ? width : 0),
                client.bottom - (edges.Contains(bBottom) ? width : 0)};
    if (info.DropShadow) {
        inner.right -= cxShadowSize;
        inner.bottom -= cxShadowSize;
    }
    inner.right = std::max(inner.right, inner.left);
    inner.bottom = std::max(inner.bottom, inner.top);
    info.InnerRect = inner;
    info.ContentRect = inner;
}

void TcxCustomPopupWindow::AdjustClientRect(TRect& rect) {
    CalculateViewInfo();
    rect = viewInfo_->ContentRect;
}

void TcxCustomPopupWindow::DoMouseEnter(TControl* control) {
    if (OnMouseEnter) OnMouseEnter(control);
}

void TcxCustomPopupWindow::DoMouseLeave(TControl* control) {
    if (OnMouseLeave) OnMouseLeave(control);
}

void TcxCustomPopupWindow::PaintWindow(HDC dc) {
    CalculateViewInfo();
    TCanvas canvas;
    canvas.SetHandle(dc);
    {
        TcxCanvas cx(&canvas);
        viewInfo_->DrawOn(cx);
    }
    canvas.SetHandle(nullptr);
    PaintControls(dc);
}

LRESULT TcxCustomPopupWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            Deactivate(reinterpret_cast<HWND>(lParam));
            return TForm::WndProc(message, wParam, lParam);
        }
        return TcxPopupWindow::WndProc(message, wParam, lParam);
    case WM_ACTIVATEAPP:
        return 0;
    case WM_ERASEBKGND:
        if (!ErasesBackground()) return 1;
        return TcxPopupWindow::WndProc(message, wParam, lParam);
    case CM_CLOSEPOPUPWINDOW: {
        ClosePopupLocked();
        TWinControl* owner = OwnerWindowed(ownerControl_);
        if (Alive(owner) && owner->HandleAllocated()) SendMessageA(owner->Handle(), WM_SETFOCUS, 0, 0);
        return 0;
    }
    case CM_SHOWPOPUPWINDOW:
        RunPopup(focusedControl_);
        return 0;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
        const LRESULT result = TcxPopupWindow::WndProc(message, wParam, lParam);
        auto* control = reinterpret_cast<TControl*>(lParam);
        if (!control) control = this;
        if (message == CM_MOUSEENTER)
            DoMouseEnter(control);
        else
            DoMouseLeave(control);
        return result;
    }
    default:
        return TcxPopupWindow::WndProc(message, wParam, lParam);
    }
}
