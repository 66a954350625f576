#include "ui/editors/framework/InnerListBox.h"

#include <algorithm>

#include "platform/core/Win32Boundary.h"

namespace {
TcxTickCountSource tickCountSource = nullptr;

DWORD TickCount() {
    return tickCountSource ? tickCountSource() : GetTickCount();
}

// The length of the text without its last character, a double-byte character counted whole.
// The walk starts at the beginning: a trail byte may have any value, that of a lead byte too.
size_t WithoutLastCharacter(const AnsiString& text) {
    size_t last = 0;
    for (size_t i = 0; i < text.size();) {
        last = i;
        i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return last;
}
} // namespace

TcxTickCountSource SetInnerListBoxTickCountSource(TcxTickCountSource source) {
    TcxTickCountSource previous = tickCountSource;
    tickCountSource = source;
    return previous;
}

TcxCustomInnerListBox::TcxCustomInnerListBox(TComponent* owner) : TListBox(owner) {
    canvas_ = std::make_unique<TcxCanvas>(&Canvas());
    lookAndFeel_ = std::make_unique<TcxLookAndFeel>(this);
    lookAndFeel_->OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { Redraw(); };
    auto makeBar = [this](TScrollBarKind kind) {
        auto* bar = new TcxScrollBar(this);
        bar->SetKind(kind);
        bar->SetSmallChange(1);
        bar->SetVisible(false);
        bar->FreeNotification(this);
        bar->LookAndFeel().SetMaster(lookAndFeel_.get());
        return bar;
    };
    hScrollBar_ = makeBar(sbHorizontal);
    hScrollBar_->OnScroll = [this](TObject*, TScrollCode code, int& pos) { HScrollEvent(code, pos); };
    vScrollBar_ = makeBar(sbVertical);
    vScrollBar_->OnScroll = [this](TObject*, TScrollCode code, int& pos) { VScrollEvent(code, pos); };
    SetBorderStyle(bsNone);
    ControlStyle.Exclude(csOpaque);
    ControlStyle.Include(csDoubleClicks);
    SetParentColor(false);
    SetParentFont(true);
}

TcxCustomInnerListBox::~TcxCustomInnerListBox() {
    TComponent::Destroying();
    // The bars that were given a parent go with their owner, this list box, as components; the
    // window goes first so that no message reaches a half-destroyed list.
    DestroyHandle();
    if (hScrollBar_) hScrollBar_->RemoveFreeNotification(this);
    if (vScrollBar_) vScrollBar_->RemoveFreeNotification(this);
}

void TcxCustomInnerListBox::Notification(TComponent* component, TOperation operation) {
    TListBox::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == hScrollBar_) hScrollBar_ = nullptr;
    if (component == vScrollBar_) vScrollBar_ = nullptr;
}

void TcxCustomInnerListBox::Redraw() {
    if (HandleAllocated()) Invalidate();
}

TRect TcxCustomInnerListBox::GetSizeGripRect() {
    if (!hScrollBar_ || !vScrollBar_ || !hScrollBar_->Visible() || !vScrollBar_->Visible() || !Parent() ||
        !HandleAllocated())
        return TRect{};
    POINT corner{vScrollBar_->Left(), hScrollBar_->Top()};
    ::ClientToScreen(Parent()->Handle(), &corner);
    RECT window;
    GetWindowRect(Handle(), &window);
    const int left = corner.x - window.left;
    const int top = corner.y - window.top;
    return TRect{left, top, left + vScrollBar_->Width(), top + hScrollBar_->Height()};
}

// ---------------------------------------------------------------------------------------------
// Keys

void TcxCustomInnerListBox::KeyPress(char& key) {
    if (key == VK_TAB) key = 0;
    if (key != 0 && container_) container_->KeyPress(key);
    if (key == VK_RETURN) key = 0;
    if (key != 0) TListBox::KeyPress(key);
    if (key != 0) ProcessAutoCompleteChar(key);
}

void TcxCustomInnerListBox::ProcessAutoCompleteChar(char& key) {
    if (!AutoComplete) return;
    const DWORD now = TickCount();
    if (now - prevKeyPressTime_ >= AutoCompleteDelay) autoCompleteFilter_.clear();
    prevKeyPressTime_ = now;
    if (key == VK_BACK) {
        autoCompleteFilter_.resize(WithoutLastCharacter(autoCompleteFilter_));
    } else if (!IsDBCSLeadByte(static_cast<BYTE>(key))) {
        autoCompleteFilter_ += key;
    } else {
        // A double-byte character comes as two WM_CHAR: the trail byte waits in the queue. A lead
        // byte without one is no character at all and is dropped.
        MSG trail;
        const bool found =
            HandleAllocated() && PeekMessageA(&trail, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE) != FALSE;
        if (found) {
            autoCompleteFilter_ += key;
            autoCompleteFilter_ += static_cast<char>(trail.wParam);
        }
        key = 0;
        if (!found) return;
    }
    if (autoCompleteFilter_.empty()) {
        SetItemIndex(0);
        Click();
        return;
    }
    const int index = IsVirtual() ? DoFindData(autoCompleteFilter_) : FindPrefix(autoCompleteFilter_);
    if (index >= 0) {
        if (MultiSelect()) {
            ClearSelection();
            SetSelected(index, true);
        }
        SetItemIndex(index);
        Click();
    }
    if (key != VK_BACK && key != VK_RETURN && key != VK_ESCAPE) key = 0;
}

void TcxCustomInnerListBox::KeyDown(WORD& key, TShiftState shift) {
    if (container_) container_->KeyDown(key, shift);
    if (key != 0) TListBox::KeyDown(key, shift);
}

// ---------------------------------------------------------------------------------------------
// Forwarding to the container

void TcxCustomInnerListBox::Click() {
    TListBox::Click();
    if (vScrollBar_ && vScrollBar_->Visible()) vScrollBar_->SetPosition(TopIndex());
    if (container_) container_->Click();
}

void TcxCustomInnerListBox::DblClick() {
    TListBox::DblClick();
    if (container_) container_->DblClick();
}

bool TcxCustomInnerListBox::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (container_ && container_->DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    return TListBox::DoMouseWheel(shift, wheelDelta, mousePos);
}

void TcxCustomInnerListBox::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    if (container_)
        container_->DragOver(source, x + Left(), y + Top(), state, accept);
    else
        TListBox::DragOver(source, x, y, state, accept);
}

void TcxCustomInnerListBox::DragDrop(TObject* source, int x, int y) {
    if (container_)
        container_->DragDrop(source, x + Left(), y + Top());
    else
        TListBox::DragDrop(source, x, y);
}

void TcxCustomInnerListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TListBox::MouseDown(button, shift, x, y);
    if (!container_) return;
    container_->InnerMouseDown = true;
    struct TReset {
        TcxContainer* container;
        ~TReset() { container->InnerMouseDown = false; }
    } reset{container_};
    container_->MouseDown(button, shift, x + Left(), y + Top());
}

void TcxCustomInnerListBox::MouseMove(TShiftState shift, int x, int y) {
    TListBox::MouseMove(shift, x, y);
    if (container_) container_->MouseMove(shift, x + Left(), y + Top());
}

void TcxCustomInnerListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TListBox::MouseUp(button, shift, x, y);
    if (container_) container_->MouseUp(button, shift, x + Left(), y + Top());
}

// ---------------------------------------------------------------------------------------------
// Scroll bars

void TcxCustomInnerListBox::HScrollEvent(TScrollCode scrollCode, int& scrollPos) {
    if (!HandleAllocated()) return;
    DefaultHandler(WM_HSCROLL, MAKEWPARAM(scrollCode, scrollPos), 0);
    scrollPos = GetScrollPos(Handle(), SB_HORZ);
}

void TcxCustomInnerListBox::VScrollEvent(TScrollCode scrollCode, int& scrollPos) {
    if (!HandleAllocated()) return;
    switch (scrollCode) {
    case scLineUp:
        SetTopIndex(TopIndex() - 1);
        return;
    case scLineDown:
        SetTopIndex(TopIndex() + 1);
        return;
    case scPosition:
    case scTrack:
        SetTopIndex(scrollPos);
        break;
    default:
        DefaultHandler(WM_VSCROLL, MAKEWPARAM(scrollCode, scrollPos), 0);
        break;
    }
    scrollPos = GetScrollPos(Handle(), SB_VERT);
}

void TcxCustomInnerListBox::SyncScrollBar(TcxScrollBar* bar, TScrollBarKind kind) {
    if (!bar) return;
    bool shown = false;
    TRect bounds{};
    TGetScrollBarInfoProc getInfo = GetScrollBarInfoProc();
    TWinControl* parent = Parent();
    if (parent && parent->HandleAllocated()) {
        SCROLLBARINFO info{};
        info.cbSize = sizeof(info);
        if (getInfo(Handle(), kind == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, &info)) {
            const DWORD state = info.rgstate[0];
            shown = (state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
            bar->SetEnabled((state & STATE_SYSTEM_UNAVAILABLE) == 0 && parent->Enabled());
            POINT topLeft{info.rcScrollBar.left, info.rcScrollBar.top};
            POINT bottomRight{info.rcScrollBar.right, info.rcScrollBar.bottom};
            ::ScreenToClient(parent->Handle(), &topLeft);
            ::ScreenToClient(parent->Handle(), &bottomRight);
            bounds = TRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
            if (bounds.left < 0 || bounds.top < 0 || bounds.right - bounds.left > Width() ||
                bounds.bottom - bounds.top > Height())
                shown = false;
        }
    }
    if (shown) {
        if (bar->Parent() != parent) {
            ++scrollBarsLockCount_;
            struct TUnlock {
                int& count;
                ~TUnlock() { --count; }
            } unlock{scrollBarsLockCount_};
            bar->SetParent(parent);
        }
        bar->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        bar->SetCtl3D(false);
        if (bar->HandleAllocated())
            SetWindowPos(bar->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        bar->SetBounds(0, 0, 0, 0);
    }
    bar->SetVisible(shown);
    if (!shown) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(Handle(), kind == sbHorizontal ? SB_HORZ : SB_VERT, &info);
    // One call: the range, the page and the position are checked together, so a list that lost
    // items while its box shrank never meets the old page size with its new range.
    const int max = std::max(info.nMax, info.nMin);
    const int page = std::min(static_cast<int>(info.nPage), max);
    bar->SetScrollValues(info.nMin, max, true, std::max(page, 0), info.nPos);
}

void TcxCustomInnerListBox::SyncScrollBars() {
    if (Destroying() || scrollBarsLockCount_ > 0 || !GetScrollBarInfoProc() || isRedrawLocked_ ||
        !HandleAllocated())
        return;
    scrollBarsCalculating_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{scrollBarsCalculating_};
    SyncScrollBar(hScrollBar_, sbHorizontal);
    SyncScrollBar(vScrollBar_, sbVertical);
}

void TcxCustomInnerListBox::PaintSizeGrip(HDC dc) {
    const TRect corner = GetSizeGripRect();
    if (corner.right <= corner.left || corner.bottom <= corner.top) return;
    const TColor color = container_ ? container_->LookAndFeel().GetEffectivePainter()->GetSizeGripAreaColor()
                                    : TColor(clBtnFace);
    HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    RECT r = corner;
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void TcxCustomInnerListBox::DestroyWindowHandle() {
    isRedrawLocked_ = false;
    TListBox::DestroyWindowHandle();
}

// ---------------------------------------------------------------------------------------------
// Messages

void TcxCustomInnerListBox::LeftButtonDown(TMessage& message) {
    const bool automatic = container_->DragMode() == dmAutomatic && !container_->IsDesigning();
    if (!automatic) {
        TListBox::WndProc(message);
        return;
    }
    const HWND window = Handle();
    container_->SetDragMode(dmManual);
    struct TRestore {
        TcxContainer* container;
        ~TRestore() { container->SetDragMode(dmAutomatic); }
    } restore{container_};
    const TShiftState shift = MouseKeysToShiftState(message.WParam);
    if (MultiSelect()) {
        const LRESULT hit = SendMessageA(window, LB_ITEMFROMPOINT, 0, message.LParam);
        const int index = HIWORD(hit) == 0 ? LOWORD(hit) : -1;
        if ((!shift.Contains(ssShift) || shift.Contains(ssCtrl)) && index >= 0 && Selected(index)) {
            container_->BeginDrag(false, Mouse().DragThreshold);
            return;
        }
    }
    TcxContainer* container = container_;
    TListBox::WndProc(message);
    if (FindControl(window) != this) return;
    if (!(MultiSelect() && (shift.Contains(ssCtrl) || shift.Contains(ssShift))))
        container->BeginDrag(false, Mouse().DragThreshold);
}

void TcxCustomInnerListBox::WndProc(TMessage& message) {
    if (container_ && container_->HandleInnerShortCut(message)) return;
    if (message.Msg == WM_LBUTTONDOWN && container_) {
        LeftButtonDown(message);
        return;
    }
    TListBox::WndProc(message);
}

LRESULT TcxCustomInnerListBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (container_) {
        TMessage m{message, wParam, lParam, 0};
        if (container_->HandleInnerControlMessage(m)) return m.Result;
    }
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT result = TListBox::WndProc(message, wParam, lParam);
        if (container_) {
            result |= DLGC_WANTCHARS;
            if (GetKeyState(VK_CONTROL) >= 0) result |= DLGC_WANTTAB;
        }
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        if (container_ && !container_->IsDestroying() && !Destroying() &&
            !(container_->HandleAllocated() && reinterpret_cast<HWND>(wParam) == container_->Handle()))
            container_->DoFocusChanged();
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        if (container_ && !container_->IsDestroying()) container_->DoFocusChanged();
        return result;
    }
    case WM_PRINTCLIENT:
        return DefaultHandler(message, wParam, lParam);
    case WM_SETREDRAW:
        isRedrawLocked_ = wParam == 0;
        {
            const LRESULT result = TListBox::WndProc(message, wParam, lParam);
            if (wParam) SyncScrollBars();
            return result;
        }
    case WM_NCPAINT: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        if (GetScrollBarInfoProc()) {
            HDC dc = GetWindowDC(Handle());
            PaintSizeGrip(dc);
            ReleaseDC(Handle(), dc);
        }
        return result;
    }
    case WM_PRINT:
        if ((lParam & PRF_NONCLIENT) && GetScrollBarInfoProc()) {
            PaintSizeGrip(reinterpret_cast<HDC>(wParam));
            lParam &= ~static_cast<LPARAM>(PRF_NONCLIENT);
        }
        return TListBox::WndProc(message, wParam, lParam);
    case WM_NCCALCSIZE: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        if (!scrollBarsCalculating_) SyncScrollBars();
        return result;
    }
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        SyncScrollBars();
        if (hScrollBar_ && vScrollBar_ && hScrollBar_->Visible() && vScrollBar_->Visible()) {
            const TRect corner = GetSizeGripRect();
            RECT window;
            GetWindowRect(Handle(), &window);
            HRGN region = CreateRectRgn(window.left + corner.left, window.top + corner.top,
                                        window.left + corner.right, window.top + corner.bottom);
            SendMessageA(Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
            DeleteObject(region);
        }
        return result;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCURSEL:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETTOPINDEX:
    case LB_SETCARETINDEX:
    case LB_SETCOUNT: // a virtual list's rows change the range as added items do
    case WM_WININICHANGE: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        SyncScrollBars();
        return result;
    }
    case WM_KEYUP: {
        WORD key = static_cast<WORD>(wParam);
        if (key == VK_TAB) key = 0;
        if (container_) container_->KeyUp(key, KeyboardShiftState());
        if (key == 0) return 0;
        return TListBox::WndProc(message, wParam, lParam);
    }
    case CM_MOUSELEAVE: {
        const LRESULT result = TListBox::WndProc(message, wParam, lParam);
        if (container_) container_->RefreshAtCursor(true);
        return result;
    }
    default:
        return TListBox::WndProc(message, wParam, lParam);
    }
}
