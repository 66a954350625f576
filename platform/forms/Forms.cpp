#include "platform/forms/Forms.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <objbase.h>

#include "platform/core/Exceptions.h"
#include "platform/core/Win32Boundary.h"
#include "platform/graphics/ImageList.h"

TApplication* Application = nullptr;

namespace {

const char* const ApplicationWindowClass = "TApplication";

HINSTANCE ModuleInstance() {
    return GetModuleHandleA(nullptr);
}

bool RegisterWindowClass(const AnsiString& name, WNDPROC proc, const char* superClass = nullptr,
                         WNDPROC* superProc = nullptr) {
    WNDCLASSA base{};
    if (superClass) {
        if (!GetClassInfoA(nullptr, superClass, &base)) return false;
        if (superProc) *superProc = base.lpfnWndProc;
    }
    WNDCLASSA existing{};
    if (GetClassInfoA(ModuleInstance(), name.c_str(), &existing)) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    wc.style = CS_DBLCLKS;
    if (superClass) {
        // The system class keeps its per-window data in the window's extra bytes.
        wc.style = base.style & ~CS_GLOBALCLASS;
        wc.cbClsExtra = base.cbClsExtra;
        wc.cbWndExtra = base.cbWndExtra;
        wc.hCursor = base.hCursor;
        wc.hbrBackground = base.hbrBackground;
    }
    return RegisterClassA(&wc) != 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
TShiftState MouseKeysToShiftState(WPARAM keys) {
    TShiftState shift;
    if (keys & MK_SHIFT) shift.Include(ssShift);
    if (keys & MK_CONTROL) shift.Include(ssCtrl);
    if (keys & MK_LBUTTON) shift.Include(ssLeft);
    if (keys & MK_RBUTTON) shift.Include(ssRight);
    if (keys & MK_MBUTTON) shift.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
    return shift;
}

TShiftState KeyboardShiftState() {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
    return shift;
}

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    WindowProc = [this](TMessage& message) { WndProc(message); };
    font_.OnChange = [this](TObject*) {
        // A font set on the control itself ends following the parent.
        if (!followingParent_) parentFont_ = false;
        FontChanged();
        Perform(CM_FONTCHANGED, 0, 0);
    };
}

TControl::~TControl() {
    if (Dragging()) FinishDrag(false);
    if (parent_) parent_->RemoveControl(this);
}

LRESULT TControl::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
    TMessage m{message, wParam, lParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& message) {
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) {
    message.Result = 0;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        Invalidate();
        parent_->RemoveControl(this);
    }
    if (parent) parent->InsertControl(this);
    ParentFontChanged();
    Invalidate();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!CanResize(width, height)) return;
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    TRect old = BoundsRect();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged(old);
    if (parent_) parent_->Realign(this);
}

void TControl::ChangeScale(int multiplier, int divider) {
    if (multiplier == divider || divider == 0) return;
    SetBounds(MulDiv(left_, multiplier, divider), MulDiv(top_, multiplier, divider),
              MulDiv(width_, multiplier, divider), MulDiv(height_, multiplier, divider));
    if (!parentFont_) font_.SetSize(MulDiv(font_.Size(), multiplier, divider));
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        for (int i = 0; i < windowed->ControlCount(); ++i)
            windowed->Controls(i)->ChangeScale(multiplier, divider);
}

void TControl::SetAlign(TAlign value) {
    if (value == align_) return;
    align_ = value;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (parent_) parent_->Realign(this);
}

TRect TControl::GetClientRect() {
    return ClientRect();
}

void TControl::BoundsChanged(const TRect& oldBounds) {
    if (parent_ && parent_->HandleAllocated() && visible_) {
        InvalidateRect(parent_->Handle(), &oldBounds, TRUE);
        Invalidate();
    }
}

void TControl::SetVisible(bool value) {
    if (value == visible_) return;
    if (!value) Invalidate();
    visible_ = value;
    if (value) Invalidate();
    Perform(CM_VISIBLECHANGED, value, 0);
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    if (auto* windowed = dynamic_cast<TWinControl*>(this); windowed && windowed->HandleAllocated())
        EnableWindow(windowed->Handle(), value);
    Invalidate();
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
    if (value == cursor_) return;
    cursor_ = value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetCtl3D(bool value) {
    parentCtl3D_ = false;
    if (value == ctl3D_) return;
    ctl3D_ = value;
    Perform(CM_CTL3DCHANGED, 0, 0);
}

void TControl::SetParentCtl3D(bool value) {
    parentCtl3D_ = value;
    if (value && parent_ && parent_->Ctl3D() != ctl3D_) {
        ctl3D_ = parent_->Ctl3D();
        Perform(CM_CTL3DCHANGED, 0, 0);
    }
}

void TControl::SetCaption(const AnsiString& value) {
    if (value == caption_) return;
    caption_ = value;
    TextChanged();
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    followingParent_ = true;
    font_.Assign(parent_->Font());
    followingParent_ = false;
}

TColor TControl::Color() const {
    return parentColor_ && parent_ ? parent_->Color() : color_;
}

void TControl::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    Invalidate();
    Perform(CM_COLORCHANGED, 0, 0);
    // Children that take this colour hear of it.
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        for (TControl* child : std::vector<TControl*>(windowed->controls_))
            child->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    Invalidate();
    if (value) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
    TRect r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, TRUE);
}

TPoint TControl::ClientToScreen(TPoint point) {
    if (auto* windowed = dynamic_cast<TWinControl*>(this)) {
        ::ClientToScreen(windowed->Handle(), &point);
        return point;
    }
    TPoint shifted{point.x + left_, point.y + top_};
    return parent_ ? parent_->ClientToScreen(shifted) : shifted;
}

TPoint TControl::ScreenToClient(TPoint point) {
    if (auto* windowed = dynamic_cast<TWinControl*>(this)) {
        ::ScreenToClient(windowed->Handle(), &point);
        return point;
    }
    TPoint inParent = parent_ ? parent_->ScreenToClient(point) : point;
    return TPoint{inParent.x - left_, inParent.y - top_};
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::DoContextPopup(TPoint mousePos, bool& handled) {
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

// ---------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    parentFont_ = false;
}

TWinControl::~TWinControl() {
    Destroying();
    if (TForm* form = GetParentForm(this); form && form->ActiveControl == this) form->ActiveControl = nullptr;
    DestroyHandle();
    // Children owned elsewhere (or freed after this window by the owner) must not reach back.
    for (TControl* control : controls_)
        control->parent_ = nullptr;
    controls_.clear();
}

HWND TWinControl::Handle() {
    if (!handle_) {
        CreateHandle();
        CreateChildHandles();
    }
    return handle_;
}

void TWinControl::CreateChildHandles() {
    for (TControl* control : std::vector<TControl*>(controls_))
        if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed && !windowed->handle_)
            windowed->Handle();
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    // The children's windows go with this one; they are made again with it.
    for (TControl* control : controls_)
        if (auto* windowed = dynamic_cast<TWinControl*>(control)) windowed->DestroyHandle();
    HWND window = handle_;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    handle_ = nullptr;
    mouseInside_ = false;
    DestroyWindow(window);
}

void TWinControl::Update() {
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

TRect TWinControl::GetClientRect() {
    if (!handle_) return ClientRect();
    RECT r;
    ::GetClientRect(handle_, &r);
    return r;
}

void TWinControl::SetTabStop(bool value) {
    tabStop_ = value;
    if (!handle_) return;
    LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
    SetWindowLongPtrA(handle_, GWL_STYLE,
                      value ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
}

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

bool TWinControl::CanFocus() {
    for (TControl* control = this; control; control = control->Parent())
        if (!control->Visible() || !control->Enabled()) return false;
    return GetParentForm(this) != nullptr || dynamic_cast<TForm*>(this) != nullptr;
}

void TWinControl::SetFocus() {
    if (TForm* form = GetParentForm(this)) form->ActiveControl = this;
    ::SetFocus(Handle());
}

bool TWinControl::MouseCapture() const {
    return handle_ && GetCapture() == handle_;
}

void TWinControl::SetMouseCapture(bool value) {
    if (value == MouseCapture()) return;
    if (value)
        SetCapture(Handle());
    else
        ReleaseCapture();
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) tabList_.push_back(windowed);
    control->parent_ = this;
}

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    control->parent_ = nullptr;
}

int TWinControl::TabOrder() const {
    const TWinControl* parent = Parent();
    if (!parent) return -1;
    const auto& list = parent->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    TWinControl* parent = Parent();
    if (!parent) return;
    auto& list = parent->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    const int last = static_cast<int>(list.size());
    const int place = value < 0 || value > last ? last : value;
    list.insert(list.begin() + place, this);
}

void TWinControl::SetParentBackground(bool value) {
    if (value == ParentBackground()) return;
    if (value)
        ControlStyle.Include(csParentBackground);
    else
        ControlStyle.Exclude(csParentBackground);
    Invalidate();
}

void TWinControl::FontChanged() {
    for (TControl* control : std::vector<TControl*>(controls_)) {
        control->ParentFontChanged();
        control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    }
    TControl::FontChanged();
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
    for (TWinControl* windowed : tabList_) {
        list.push_back(windowed);
        windowed->GetTabOrderList(list);
    }
}

bool TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    TWinControl* next = FindNextControl(current, goForward, checkTabStop, false);
    if (!next) return false;
    next->SetFocus();
    return true;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int count = static_cast<int>(list.size());
    auto found = std::find(list.begin(), list.end(), current);
    int index = found == list.end() ? (goForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
    for (int step = 0; step < count; ++step) {
        index = (index + (goForward ? 1 : count - 1)) % count;
        TWinControl* candidate = list[index];
        if (candidate == current) break;
        if ((!checkTabStop || candidate->TabStop()) && (!checkParent || candidate->Parent() == this) &&
            candidate->CanFocus())
            return candidate;
    }
    return nullptr;
}

void TWinControl::Realign(TControl* control) {
    TRect rect = GetClientRect();
    AdjustClientRect(rect);
    AlignControls(control, rect);
}

HWND TWinControl::CreateWindowHandle(DWORD style, DWORD exStyle, HWND owner, const TRect& bounds,
                                     const char* superClass) {
    AnsiString className = ClassName();
    if (!RegisterWindowClass(className, &TWinControl::StdWndProc, superClass, &defWndProc_)) RaiseLastOSError();
    HWND window = CreateWindowExA(exStyle, className.c_str(), Caption().c_str(), style, bounds.left,
                                  bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, owner,
                                  nullptr, ModuleInstance(), this);
    if (!window) RaiseLastOSError();
    return window;
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* control = static_cast<TWinControl*>(create->lpCreateParams);
        control->handle_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!control) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: the control forgets it (a form the system closed is made again).
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        const LRESULT result = control->defWndProc_ ? CallWindowProcA(control->defWndProc_, window, message, wParam, lParam)
                                                    : DefWindowProcA(window, message, wParam, lParam);
        if (control->handle_ == window) control->handle_ = nullptr;
        return result;
    }
    bool handled = false;
    LRESULT result = GuardedCall(
        [&] {
            TMessage m{message, wParam, lParam, 0};
            control->WindowProc(m);
            handled = true;
            return m.Result;
        },
        LRESULT(0));
    if (handled) return result;
    return control->defWndProc_ ? CallWindowProcA(control->defWndProc_, window, message, wParam, lParam)
                                : DefWindowProcA(window, message, wParam, lParam);
}

void TWinControl::DefaultHandler(TMessage& message) {
    message.Result = DefaultHandler(message.Msg, message.WParam, message.LParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control messages are ours: the system knows nothing of them.
    if (!handle_ || (message >= CM_BASE && message < CN_BASE + 0x400)) return 0;
    if (defWndProc_) return CallWindowProcA(defWndProc_, handle_, message, wParam, lParam);
    return DefWindowProcA(handle_, message, wParam, lParam);
}

namespace {
TPoint MessagePoint(LPARAM lParam) {
    return TPoint{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
} // namespace

void TWinControl::MouseMessage(TMessage& message) {
    const TPoint p = MessagePoint(message.LParam);
    TShiftState shift = MouseKeysToShiftState(message.WParam);
    // The left button takes the mouse for the press (csCaptureMouse) and lets it go on release.
    auto press = [&](TMouseButton button, bool dbl) {
        if (dbl) shift.Include(ssDouble);
        if (button == mbLeft && ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (button == mbLeft && ControlStyle.Contains(csClickEvents)) ControlState.Include(csClicked);
        MouseDown(button, shift, p.x, p.y);
    };
    auto release = [&](TMouseButton button) {
        if (button == mbLeft) {
            ControlState.Exclude(csClicked);
            if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
        }
        MouseUp(button, shift, p.x, p.y);
    };
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
        press(mbLeft, false);
        break;
    case WM_LBUTTONDBLCLK:
        press(mbLeft, true);
        break;
    case WM_RBUTTONDOWN:
        press(mbRight, false);
        break;
    case WM_RBUTTONDBLCLK:
        press(mbRight, true);
        break;
    case WM_MBUTTONDOWN:
        press(mbMiddle, false);
        break;
    case WM_MBUTTONDBLCLK:
        press(mbMiddle, true);
        break;
    case WM_LBUTTONUP:
        release(mbLeft);
        break;
    case WM_RBUTTONUP:
        release(mbRight);
        break;
    case WM_MBUTTONUP:
        release(mbMiddle);
        break;
    case WM_MOUSEMOVE:
        if (!mouseInside_ && handle_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle_, 0};
            TrackMouseEvent(&track);
            Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
        }
        MouseMove(shift, p.x, p.y);
        break;
    default:
        break;
    }
}

void TWinControl::WndProc(TMessage& message) {
    // A handler may free the control: its window then goes with it, and nothing of it is touched.
    const HWND window = handle_;
    auto gone = [&] { return window && FindControl(window) != this; };
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
        MouseMessage(message);
        if (gone()) return;
        break;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
        if (gone()) return;
        break;
    case WM_MOUSEWHEEL: {
        const TPoint screen = MessagePoint(message.LParam);
        const int delta = static_cast<short>(HIWORD(message.WParam));
        const bool handled = DoMouseWheel(MouseKeysToShiftState(LOWORD(message.WParam)), delta, screen);
        if (handled || gone()) {
            message.Result = handled;
            return;
        }
        break;
    }
    case WM_KEYDOWN: {
        WORD key = static_cast<WORD>(message.WParam);
        const TShiftState shift = KeyboardShiftState();
        // A form with KeyPreview sees its controls' keys first.
        if (TForm* form = GetParentForm(this); form && form != this && form->KeyPreview) {
            static_cast<TWinControl*>(form)->KeyDown(key, shift);
            if (gone()) return;
        }
        if (key != 0) KeyDown(key, shift);
        if (key == 0 || gone()) {
            message.Result = 0;
            return;
        }
        break;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        // Before the key reaches the control: the form's shortcuts.
        if (TForm* form = GetParentForm(this);
            form && form->IsShortCut(static_cast<WORD>(message.WParam), KeyboardShiftState())) {
            message.Result = 1;
            return;
        }
        break;
    case WM_SETFOCUS:
        if (TForm* form = GetParentForm(this); form && form != this) form->ActiveControl = this;
        if (OnEnter) OnEnter(this);
        if (gone()) return;
        break;
    case WM_KILLFOCUS:
        if (OnExit) OnExit(this);
        if (gone()) return;
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(message.WParam) == handle_ && LOWORD(message.LParam) == HTCLIENT) {
            TCursor cursor = Screen().Cursor() != crDefault ? Screen().Cursor() : cursor_;
            if (cursor != crDefault) {
                ::SetCursor(Screen().Cursors(cursor));
                message.Result = 1;
                return;
            }
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSCROLLBAR:
    case WM_COMMAND:
        // A child's notification goes back to the child.
        if (message.LParam) {
            if (TWinControl* child = FindControl(reinterpret_cast<HWND>(message.LParam))) {
                message.Result = child->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
                return;
            }
        }
        break;
    case WM_DRAWITEM:
        // An owner-drawn child draws its own items.
        if (auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam); item && item->CtlType != ODT_MENU) {
            if (TWinControl* child = FindControl(item->hwndItem)) {
                message.Result = child->Perform(CN_BASE + WM_DRAWITEM, message.WParam, message.LParam);
                return;
            }
        }
        break;
    case WM_CONTEXTMENU: {
        if (message.Result) return;
        TPoint p = MessagePoint(message.LParam);
        bool handled = false;
        TPoint client = p.x == -1 && p.y == -1 ? p : ScreenToClient(p);
        DoContextPopup(client, handled);
        if (handled || gone()) {
            message.Result = handled;
            return;
        }
        break;
    }
    default:
        break;
    }
    message.Result = WndProc(message.Msg, message.WParam, message.LParam);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

bool TWinControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    return handled;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole face
    case WM_PRINTCLIENT:
        // The theme library asks parents for their background this way.
        PaintWindow(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT: {
        if (wParam) {
            // Painting into a DC handed over by the caller (a copy of the picture).
            HDC dc = reinterpret_cast<HDC>(wParam);
            int saved = SaveDC(dc);
            PaintWindow(dc);
            RestoreDC(dc, saved);
            return 0;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        int saved = SaveDC(dc);
        PaintWindow(dc);
        RestoreDC(dc, saved);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_SIZE:
        Resize();
        Realign();
        return DefaultHandler(message, wParam, lParam);
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

void TWinControl::PaintWindow(HDC dc) {
    RECT client;
    ::GetClientRect(handle_, &client);
    HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(dc, &client, face);
    DeleteObject(face);
    PaintControls(dc);
}

void TWinControl::PaintControls(HDC dc) {
    RECT client;
    ::GetClientRect(handle_, &client);
    for (TControl* control : controls_) {
        if (!control->Visible() || dynamic_cast<TWinControl*>(control)) continue;
        TRect bounds = control->BoundsRect();
        RECT visible;
        if (!IntersectRect(&visible, &bounds, &client)) continue;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        SetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
        {
            TCanvas canvas;
            canvas.SetHandle(dc);
            control->Paint(canvas);
            canvas.SetHandle(nullptr);
        }
        RestoreDC(dc, saved);
    }
}

// ---------------------------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
    width_ = 185;
    height_ = 41;
}

TCustomControl::~TCustomControl() {
    Destroying();
    DestroyHandle();
}

void TCustomControl::CreateParams(TCreateParams& params) {
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) | (tabStop_ ? WS_TABSTOP : 0) |
                   (enabled_ ? 0 : WS_DISABLED);
    params.ExStyle = 0;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = Parent() ? Parent()->Handle() : nullptr;
}

void TCustomControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    // Making the parent's window made this one with it.
    if (handle_) return;
    if (!params.WndParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    ControlState.Include(csCreating);
    try {
        CreateWindowHandle(params.Style, params.ExStyle, params.WndParent,
                           Bounds(params.X, params.Y, params.Width, params.Height), params.SuperClass);
    } catch (...) {
        ControlState.Exclude(csCreating);
        throw;
    }
    ControlState.Exclude(csCreating);
}

void TCustomControl::CreateHandle() {
    if (handle_) return;
    CreateWnd();
    if (Showing()) Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TCustomControl::RecreateWnd() {
    if (!handle_) return;
    DestroyHandle();
    Handle();
}

void TCustomControl::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    TWinControl::SetParent(parent);
    if (!parent) {
        DestroyHandle();
    } else if (handle_) {
        ::SetParent(handle_, parent->Handle());
    } else if (parent->HandleAllocated()) {
        Handle();
    }
}

void TCustomControl::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
}

void TCustomControl::BoundsChanged(const TRect& oldBounds) {
    (void)oldBounds;
    if (handle_)
        SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        Resize();
}

void TCustomControl::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    if (handle_) ShowWindow(handle_, value ? SW_SHOWNA : SW_HIDE);
    Perform(CM_VISIBLECHANGED, value, 0);
    if (handle_) Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TCustomControl::PaintWindow(HDC dc) {
    canvas_.SetHandle(dc);
    try {
        Paint();
    } catch (...) {
        canvas_.SetHandle(nullptr);
        throw;
    }
    canvas_.SetHandle(nullptr);
}

void TCustomControl::Paint() {
    RECT client;
    ::GetClientRect(handle_, &client);
    canvas_.Brush().SetColor(Color());
    FillRect(canvas_.Handle(), &client, canvas_.Brush().Handle());
}

LRESULT TCustomControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return TWinControl::WndProc(message, wParam, lParam);
}

TForm* GetParentForm(TControl* control) {
    while (control && control->Parent())
        control = control->Parent();
    return dynamic_cast<TForm*>(control);
}

// ---------------------------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    visible_ = false;
    parentColor_ = false;
    color_ = clBtnFace;
    width_ = 320;
    height_ = 240;
}

void TForm::FocusControl(TWinControl* control) {
    ActiveControl = control;
    if (!control || !handle_ || !control->CanFocus()) return;
    if (GetActiveWindow() == handle_ || IsChild(handle_, GetFocus())) control->SetFocus();
}

TForm::~TForm() {
    Destroying();
}

DWORD TForm::Style() const {
    switch (borderStyle_) {
    case bsNone:
        return WS_POPUP | WS_CLIPCHILDREN;
    case bsSingle:
        return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER | WS_CLIPCHILDREN;
    case bsDialog:
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
    case bsToolWindow:
        return WS_CAPTION | WS_SYSMENU | WS_BORDER | WS_CLIPCHILDREN;
    case bsSizeToolWin:
        return WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
    case bsSizeable:
    default:
        return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    }
}

DWORD TForm::ExStyle() const {
    DWORD style = 0;
    switch (borderStyle_) {
    case bsDialog:
        style = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        style = WS_EX_TOOLWINDOW;
        break;
    default:
        break;
    }
    if (formStyle_ == fsStayOnTop) style |= WS_EX_TOPMOST;
    if (alphaBlend_) style |= WS_EX_LAYERED;
    return style;
}

void TForm::ApplyExStyle() {
    if (!handle_) return;
    SetWindowLongA(handle_, GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
    if (alphaBlend_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
    SetWindowPos(handle_, formStyle_ == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetFormStyle(TFormStyle value) {
    if (value == formStyle_) return;
    formStyle_ = value;
    ApplyExStyle();
}

void TForm::SetAlphaBlend(bool value) {
    if (value == alphaBlend_) return;
    alphaBlend_ = value;
    ApplyExStyle();
}

void TForm::SetAlphaBlendValue(BYTE value) {
    if (value == alphaBlendValue_) return;
    alphaBlendValue_ = value;
    if (alphaBlend_ && handle_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
}

void TForm::FrameSize(int& dx, int& dy) const {
    RECT r{0, 0, 100, 100};
    AdjustWindowRectEx(&r, Style(), FALSE, ExStyle());
    dx = (r.right - r.left) - 100;
    dy = (r.bottom - r.top) - 100;
}

// With a window the client area is the window's own (a skinned frame differs from the system's
// frame); before it the system's frame of the styles is assumed.
int TForm::ClientWidth() const {
    RECT r;
    if (handle_ && ::GetClientRect(handle_, &r)) return r.right;
    int dx, dy;
    FrameSize(dx, dy);
    return width_ - dx;
}

int TForm::ClientHeight() const {
    RECT r;
    if (handle_ && ::GetClientRect(handle_, &r)) return r.bottom;
    int dx, dy;
    FrameSize(dx, dy);
    return height_ - dy;
}

void TForm::SetClientWidth(int value) {
    designedClient_.cx = value;
    SetWidth(width_ + value - ClientWidth());
}

void TForm::SetClientHeight(int value) {
    designedClient_.cy = value;
    SetHeight(height_ + value - ClientHeight());
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    // The client area keeps its size; the frame around it changes.
    int clientWidth = ClientWidth();
    int clientHeight = ClientHeight();
    borderStyle_ = value;
    int dx, dy;
    FrameSize(dx, dy);
    width_ = clientWidth + dx;
    height_ = clientHeight + dy;
    if (handle_) {
        SetWindowLongA(handle_, GWL_STYLE, static_cast<LONG>(Style() | (visible_ ? WS_VISIBLE : 0)));
        SetWindowLongA(handle_, GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
        SetWindowPos(handle_, nullptr, left_, top_, width_, height_,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void TForm::PlaceOnScreen() {
    if (placed_) return;
    placed_ = true;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
    case poMainFormCenter:
    case poOwnerFormCenter: {
        int screenWidth = GetSystemMetrics(position_ == poDesktopCenter ? SM_CXVIRTUALSCREEN : SM_CXSCREEN);
        int screenHeight = GetSystemMetrics(position_ == poDesktopCenter ? SM_CYVIRTUALSCREEN : SM_CYSCREEN);
        left_ = (screenWidth - width_) / 2;
        top_ = (screenHeight - height_) / 2;
        break;
    }
    default:
        break;
    }
}

void TForm::CreateHandle() {
    PlaceOnScreen();
    HWND owner = Application ? Application->Handle() : nullptr;
    CreateWindowHandle(Style(), ExStyle(), owner, BoundsRect());
    if (alphaBlend_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
    // A frame other than the system's (a skin's) must not change a client size set by design.
    if (designedClient_.cx >= 0) SetClientWidth(designedClient_.cx);
    if (designedClient_.cy >= 0) SetClientHeight(designedClient_.cy);
}

void TForm::BoundsChanged(const TRect& oldBounds) {
    (void)oldBounds;
    if (handle_) SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::TextChanged() {
    if (handle_) SetWindowTextA(handle_, Caption().c_str());
}

void TForm::SetVisible(bool value) {
    visible_ = value;
    if (value)
        ShowWindow(Handle(), SW_SHOWNORMAL);
    else if (handle_)
        ShowWindow(handle_, SW_HIDE);
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::Hide() {
    SetVisible(false);
}

void TForm::BringToFront() {
    if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::Invalidate() {
    // The face comes from WM_ERASEBKGND: every repaint erases.
    if (handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT client;
        ::GetClientRect(handle_, &client);
        HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
        FillRect(dc, &client, face);
        DeleteObject(face);
        return 1;
    }
    case WM_PRINTCLIENT:
        // A copy has no erase of its own: the face goes first, through WindowProc.
        Perform(WM_ERASEBKGND, wParam, 0);
        PaintWindow(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT:
        if (wParam) Perform(WM_ERASEBKGND, wParam, 0);
        return TWinControl::WndProc(message, wParam, lParam);
    case WM_CLOSE:
        if (modal_) {
            ModalResult = mrCancel;
            return 0;
        }
        return TWinControl::WndProc(message, wParam, lParam);
    default:
        return TWinControl::WndProc(message, wParam, lParam);
    }
}

void TForm::PaintWindow(HDC dc) {
    // Only the controls without windows: the face was erased.
    PaintControls(dc);
}

void TForm::Close() {
    if (modal_)
        ModalResult = mrCancel;
    else if (CloseQuery())
        Hide();
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

bool TForm::IsShortCut(WORD key, TShiftState shift) {
    bool handled = false;
    if (OnShortCut) OnShortCut(this, key, shift, handled);
    return handled;
}

namespace {
BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
    return GuardedCall(
        [&] {
            if (IsWindowVisible(window) && IsWindowEnabled(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        FALSE);
}
} // namespace

int TForm::ShowModal() {
    if (modal_ || Visible()) throw EInvalidOperation("Cannot make a visible window modal");
    // Every other enabled top-level window of the thread waits until the form ends.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    const HWND window = Handle();
    for (HWND other : disabled)
        if (other != window) EnableWindow(other, FALSE);
    ModalResult = mrNone;
    modal_ = true;
    Show();
    MSG msg;
    while (ModalResult == mrNone && handle_ == window && IsWindow(window)) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (IsKeyMessageConsumed(msg)) continue;
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    modal_ = false;
    for (HWND other : disabled)
        if (other != window && IsWindow(other)) EnableWindow(other, TRUE);
    if (handle_ == window) Hide();
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return ModalResult;
}

// ---------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner) : TCustomControl(owner) {
    width_ = 75;
    height_ = 25;
    tabStop_ = true;
    ControlStyle = TControlStyle{csDoubleClicks};
}

void TButton::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RecreateWnd();
}

void TButton::SetDefault(bool value) {
    if (value == default_) return;
    default_ = value;
    RecreateWnd();
}

void TButton::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.SuperClass = "BUTTON";
    params.Style |= (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (wordWrap_ ? BS_MULTILINE : 0);
}

void TButton::TextChanged() {
    if (handle_) SetWindowTextA(handle_, Caption().c_str());
}

void TButton::Click() {
    if (ModalResult != mrNone)
        if (TForm* form = GetParentForm(this)) form->ModalResult = ModalResult;
    if (OnClick) OnClick(this);
}

LRESULT TButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CN_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) Click();
        return 0;
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_PRINTCLIENT:
        // The system class draws the button.
        return DefaultHandler(message, wParam, lParam);
    default:
        return TCustomControl::WndProc(message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------------------
// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque, csParentBackground};
    parentColor_ = false;
    width_ = 185;
    height_ = 41;
}

void TCustomPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    bevelInner_ = value;
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    bevelOuter_ = value;
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
    bevelWidth_ = value;
    Invalidate();
}

UINT TCustomPanel::AlignmentFlags() const {
    switch (alignment_) {
    case taLeftJustify:
        return DT_LEFT;
    case taRightJustify:
        return DT_RIGHT;
    default:
        return DT_CENTER;
    }
}

void Frame3D(HDC dc, TRect& rect, TColor topColor, TColor bottomColor, int width) {
    HBRUSH top = CreateSolidBrush(ColorToRGB(topColor));
    HBRUSH bottom = CreateSolidBrush(ColorToRGB(bottomColor));
    for (int i = 0; i < width && rect.right - rect.left > 1 && rect.bottom - rect.top > 1; ++i) {
        RECT line{rect.left, rect.top, rect.right - 1, rect.top + 1};
        FillRect(dc, &line, top);
        line = RECT{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
        FillRect(dc, &line, top);
        line = RECT{rect.right - 1, rect.top, rect.right, rect.bottom};
        FillRect(dc, &line, bottom);
        line = RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom};
        FillRect(dc, &line, bottom);
        InflateRect(&rect, -1, -1);
    }
    DeleteObject(top);
    DeleteObject(bottom);
}

void TCustomPanel::Paint() {
    HDC dc = Canvas().Handle();
    TRect r = GetClientRect();
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const bool raised = cut == bvRaised;
        Frame3D(dc, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, bevelWidth_);
    };
    bevel(bevelOuter_);
    bevel(bevelInner_);
    HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(dc, &r, face);
    DeleteObject(face);
    if (Caption().empty()) return;
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &r,
              AlignmentFlags() | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
    SelectObject(dc, old);
}

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TControl(owner) {
    width_ = 65;
    height_ = 17;
}

void TLabel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustSize();
}

void TLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustSize();
    Invalidate();
}

void TLabel::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
    layout_ = value;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    showAccelChar_ = value;
    AdjustSize();
    Invalidate();
}

void TLabel::TextChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

UINT TLabel::DrawFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    return flags;
}

// With AutoSize the label takes the size of its text (its width stays when it wraps).
void TLabel::AdjustSize() {
    if (!autoSize_ || HasState(csLoading)) return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    RECT r{0, 0, wordWrap_ ? width_ : 0, 0};
    AnsiString text = Caption().empty() ? AnsiString(" ") : Caption();
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags() | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    SetBounds(left_, top_, wordWrap_ ? width_ : r.right - r.left, r.bottom - r.top);
}

void TLabel::Paint(TCanvas& canvas) {
    HDC dc = canvas.Handle();
    RECT r{0, 0, width_, height_};
    if (!transparent_) {
        HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
        FillRect(dc, &r, face);
        DeleteObject(face);
    }
    if (Caption().empty()) return;
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    const AnsiString& text = Caption();
    if (layout_ != tlTop) {
        RECT measure = r;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measure, DrawFlags() | DT_CALCRECT);
        int textHeight = measure.bottom - measure.top;
        int offset = layout_ == tlCenter ? (height_ - textHeight) / 2 : height_ - textHeight;
        OffsetRect(&r, 0, offset);
    }
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags());
    SelectObject(dc, old);
}

// ---------------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
    Destroying();
    DestroyComponents(); // the forms go before the window that owns them
    if (handle_) {
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
        handle_ = nullptr;
    }
    if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize() {
    if (comInitialized_) return;
    // S_FALSE: this thread already had the apartment; it still needs its matching uninitialise.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialized_ = SUCCEEDED(hr);
}

void TApplication::SetTitle(const AnsiString& value) {
    title_ = value;
    if (handle_) SetWindowTextA(handle_, title_.c_str());
}

HWND TApplication::Handle() {
    if (handle_) return handle_;
    if (!RegisterWindowClass(ApplicationWindowClass, &TApplication::WindowProc)) RaiseLastOSError();
    // Hidden: it only owns the forms and the message boxes and carries the title.
    handle_ = CreateWindowExA(0, ApplicationWindowClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              0, 0, 0, 0, nullptr, nullptr, ModuleInstance(), nullptr);
    if (!handle_) RaiseLastOSError();
    return handle_;
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            continue;
        }
        if (IsKeyMessageConsumed(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
        terminated_ = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    if (IsKeyMessageConsumed(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags) {
    return ::MessageBoxA(Handle(), text.c_str(), caption.c_str(), flags);
}

void ShowMessage(const AnsiString& text) {
    if (Application)
        Application->MessageBox(text, Application->Title(), MB_OK);
    else
        ::MessageBoxA(nullptr, text.c_str(), "", MB_OK);
}

// ---------------------------------------------------------------------------------------------
// The message dialog

TMessageForm::TMessageForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    Message = new TLabel(this);
    Message->SetParent(this);
    OkButton = new TButton(this);
    OkButton->SetCaption("OK");
    OkButton->ModalResult = mrOk;
    OkButton->SetDefault(true);
    OkButton->SetParent(this);
}

TMessageForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type) {
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirm", ""};
    auto* dialog = new TMessageForm(Application);
    const AnsiString title = type == mtCustom && Application ? Application->Title() : AnsiString(captions[type]);
    dialog->SetCaption(title);
    const int margin = 12, gap = 10;
    dialog->Message->SetWordWrap(false);
    dialog->Message->SetCaption(text);
    dialog->Message->SetBounds(margin, margin, dialog->Message->Width(), dialog->Message->Height());
    const int clientWidth = std::max(dialog->Message->Width(), dialog->OkButton->Width()) + 2 * margin;
    dialog->OkButton->SetBounds((clientWidth - dialog->OkButton->Width()) / 2,
                                margin + dialog->Message->Height() + gap, dialog->OkButton->Width(),
                                dialog->OkButton->Height());
    dialog->SetClientWidth(clientWidth);
    dialog->SetClientHeight(dialog->OkButton->Top() + dialog->OkButton->Height() + margin);
    return dialog;
}

int MessageDlg(const AnsiString& text, TMsgDlgType type) {
    std::unique_ptr<TMessageForm> dialog(CreateMessageDialog(text, type));
    return dialog->ShowModal();
}

namespace {
int WINAPI SystemSetScrollPos(HWND window, int bar, int pos, BOOL redraw) {
    return SetScrollPos(window, bar, pos, redraw);
}
int WINAPI SystemSetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw) {
    return SetScrollInfo(window, bar, info, redraw);
}
} // namespace

TFlatSBSetScrollPos FlatSBSetScrollPos = &SystemSetScrollPos;
TFlatSBSetScrollInfo FlatSBSetScrollInfo = &SystemSetScrollInfo;

void TApplication::HandleException(const std::exception& error) {
    if (dynamic_cast<const EAbort*>(&error)) return;
    if (OnException) {
        try {
            OnException(error);
            return;
        } catch (...) {
            // A failing handler falls back to the plain report.
        }
    }
    ShowException(error);
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(Exception("Unknown error"));
    }
}

void TApplication::ShowException(const std::exception& error) {
    AnsiString text = error.what();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (!text.empty() && text.back() != '.') text += '.';
    HWND owner = nullptr;
    try {
        owner = Handle();
    } catch (...) {
    }
    ::MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void FormsInitialize() {
    if (Application) return;
    Application = new TApplication(nullptr);
    SetApplicationExceptionHandler([](const std::exception& error) {
        if (Application) Application->HandleException(error);
    });
}

void FormsFinalize() {
    if (!Application) return;
    SetApplicationExceptionHandler(nullptr);
    delete Application;
    Application = nullptr;
}

TWinControl* FindControl(HWND window) {
    if (!window) return nullptr;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (proc != reinterpret_cast<WNDPROC>(&TWinControl::StdWndProc)) return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool IsKeyMessageConsumed(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_KEYUP &&
        msg.message != WM_CHAR)
        return false;
    TWinControl* control = FindControl(msg.hwnd);
    return control && control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

HCURSOR TScreen::Cursors(int id) const {
    if (id < 0) {
        // The system's own cursors.
        static const struct {
            int id;
            LPCSTR name;
        } system[] = {{crArrow, IDC_ARROW},
                      {crCross, IDC_CROSS},
                      {crIBeam, IDC_IBEAM},
                      {crSizeNESW, IDC_SIZENESW},
                      {crSizeNS, IDC_SIZENS},
                      {crSizeNWSE, IDC_SIZENWSE},
                      {crSizeWE, IDC_SIZEWE},
                      {crUpArrow, IDC_UPARROW},
                      {crHourGlass, IDC_WAIT},
                      {-12, IDC_ARROW},
                      {-13, IDC_NO},
                      {crNo, IDC_NO},
                      {crAppStart, IDC_APPSTARTING},
                      {-21, IDC_HAND},
                      {crSizeAll, IDC_SIZEALL}};
        auto own = cursors_.find(id);
        if (own != cursors_.end() && own->second) return own->second;
        if (id == crNone) return nullptr;
        for (const auto& entry : system)
            if (entry.id == id) return LoadCursorA(nullptr, entry.name);
    }
    auto found = cursors_.find(id);
    return found != cursors_.end() && found->second ? found->second : LoadCursorA(nullptr, IDC_ARROW);
}

void TScreen::SetCursors(int id, HCURSOR cursor) {
    cursors_[id] = cursor;
}

void TScreen::SetCursor(TCursor value) {
    if (value == cursor_) return;
    cursor_ = value;
    if (value != crDefault) {
        ::SetCursor(Cursors(value));
    } else {
        // Back to what the window under the cursor asks for.
        POINT p;
        if (GetCursorPos(&p)) ::SetCursorPos(p.x, p.y);
    }
}

TForm* TScreen::ActiveForm() const {
    return dynamic_cast<TForm*>(FindControl(GetActiveWindow()));
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

TMouse& Mouse() {
    static TMouse mouse;
    return mouse;
}

namespace {
TWheelScrollLinesSource wheelScrollLinesSource = nullptr;
TSystemMetricsSource systemMetricsSource = nullptr;
} // namespace

UINT TMouse::ScrollLines() const {
    if (wheelScrollLinesSource) return wheelScrollLinesSource();
    UINT lines = 3;
    if (!SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) lines = 3;
    return lines;
}

TWheelScrollLinesSource SetWheelScrollLinesSource(TWheelScrollLinesSource source) {
    TWheelScrollLinesSource previous = wheelScrollLinesSource;
    wheelScrollLinesSource = source;
    return previous;
}

int GetSystemMetric(int index) {
    if (systemMetricsSource) {
        int value = systemMetricsSource(index);
        if (value >= 0) return value;
    }
    return GetSystemMetrics(index);
}

TSystemMetricsSource SetSystemMetricsSource(TSystemMetricsSource source) {
    TSystemMetricsSource previous = systemMetricsSource;
    systemMetricsSource = source;
    return previous;
}

// ---------------------------------------------------------------------------------------------
// Platform drag and drop

namespace {
struct TRunningDrag {
    TControl* source = nullptr;
    TDragObject* object = nullptr;
    TControl* target = nullptr;
    bool accepted = false;
    bool finishing = false;
    // The source's images, shown over the source's top-level window while over a control that
    // displays drag images.
    TDragImageList* images = nullptr;
    HWND imageWindow = nullptr;
    bool imageShown = true;
};
TRunningDrag drag;

// Moves the drag image to the screen point and shows it only where the target displays it.
void MoveDragImage(TPoint screen) {
    if (!drag.images || !drag.images->Dragging()) return;
    const bool show = drag.target && drag.target->ControlStyle.Contains(csDisplayDragImage);
    if (show != drag.imageShown) {
        drag.imageShown = show;
        if (show)
            drag.images->ShowDragImage();
        else
            drag.images->HideDragImage();
    }
    RECT window{};
    GetWindowRect(drag.imageWindow, &window);
    drag.images->DragMove(screen.x - window.left, screen.y - window.top);
}

void StartDragImage(TControl* source, TPoint screen) {
    drag.images = source->GetDragImages();
    if (!drag.images) return;
    HWND window = nullptr;
    if (auto* windowed = dynamic_cast<TWinControl*>(source))
        window = windowed->Handle();
    else if (source->Parent())
        window = source->Parent()->Handle();
    drag.imageWindow = window ? GetAncestor(window, GA_ROOT) : nullptr;
    RECT r{};
    GetWindowRect(drag.imageWindow, &r);
    if (!drag.imageWindow || !drag.images->BeginDrag(drag.imageWindow, screen.x - r.left, screen.y - r.top))
        drag.images = nullptr;
    drag.imageShown = true;
}

// The control under a screen point: the deepest window of ours, then its window-less child.
TControl* ControlAtPoint(TPoint screen) {
    TWinControl* windowed = nullptr;
    for (HWND window = WindowFromPoint(screen); window && !windowed; window = GetParent(window))
        windowed = FindControl(window);
    if (!windowed) return nullptr;
    TPoint client = windowed->ScreenToClient(screen);
    for (int i = windowed->ControlCount() - 1; i >= 0; --i) {
        TControl* child = windowed->Controls(i);
        const TRect bounds = child->BoundsRect();
        if (child->Visible() && !dynamic_cast<TWinControl*>(child) && PtInRect(&bounds, client)) return child;
    }
    return windowed;
}
} // namespace

TCursor TDragObject::GetDragCursor(bool accepted, int, int) {
    return accepted ? crArrow : -13;
}

void TDragObject::Finished(TObject*, int, int, bool) {}

void TDragObject::HideDragImage() {
    if (drag.object == this && drag.images) drag.images->HideDragImage();
}

void TDragObject::ShowDragImage() {
    if (drag.object == this && drag.images) drag.images->ShowDragImage();
}

TCursor TDragControlObject::GetDragCursor(bool accepted, int, int) {
    return accepted ? Control->DragCursor : -13;
}

TDragObject* DragObject() {
    return drag.object;
}

bool TControl::Dragging() const {
    return drag.source == this;
}

bool TControl::DoStartDrag(TDragObject*& dragObject) {
    if (OnStartDrag) OnStartDrag(this, dragObject);
    return true;
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void DragTo(TPoint screen) {
    if (!drag.object) return;
    drag.object->DragPos = screen;
    TControl* target = ControlAtPoint(screen);
    TObject* source = drag.object;
    if (target != drag.target) {
        if (drag.target) {
            TPoint p = drag.target->ScreenToClient(screen);
            bool ignored = false;
            drag.target->DragOver(source, p.x, p.y, dsDragLeave, ignored);
        }
        drag.target = target;
        drag.object->DragTarget = target;
        drag.accepted = false;
        if (target) {
            TPoint p = target->ScreenToClient(screen);
            target->DragOver(source, p.x, p.y, dsDragEnter, drag.accepted);
        }
    } else if (target) {
        TPoint p = target->ScreenToClient(screen);
        target->DragOver(source, p.x, p.y, dsDragMove, drag.accepted);
    }
    MoveDragImage(screen);
    TPoint p = target ? target->ScreenToClient(screen) : screen;
    if (drag.object) ::SetCursor(Screen().Cursors(drag.object->GetDragCursor(drag.accepted, p.x, p.y)));
}

void FinishDrag(bool drop) {
    if (!drag.object || drag.finishing) return;
    drag.finishing = true;
    std::unique_ptr<TDragObject> object(drag.object);
    TControl* source = drag.source;
    TControl* target = drop && drag.accepted ? drag.target : nullptr;
    object->Cancelling = !drop;
    TPoint screen = object->DragPos;
    if (drag.target && !target) {
        TPoint p = drag.target->ScreenToClient(screen);
        bool ignored = false;
        drag.target->DragOver(object.get(), p.x, p.y, dsDragLeave, ignored);
    }
    if (drag.images) drag.images->EndDrag();
    drag = TRunningDrag{};
    drag.finishing = true;
    if (auto* windowed = dynamic_cast<TWinControl*>(source); windowed && windowed->MouseCapture())
        ReleaseCapture();
    TPoint p = target ? target->ScreenToClient(screen) : TPoint{0, 0};
    auto end = [&] {
        if (target) target->DragDrop(object.get(), p.x, p.y);
        object->Finished(target, p.x, p.y, target != nullptr);
        source->DoEndDrag(target, p.x, p.y);
    };
    try {
        end();
    } catch (...) {
        drag.finishing = false;
        throw;
    }
    drag.finishing = false;
}

void TControl::BeginDrag(bool immediate, int threshold) {
    if (drag.object) return;
    auto* windowed = dynamic_cast<TWinControl*>(this);
    HWND window = windowed ? windowed->Handle() : parent_ ? parent_->Handle() : nullptr;
    if (!window) return;
    if (!immediate && threshold >= 0) {
        // Waits until the mouse leaves the threshold square; a release or Esc starts nothing.
        POINT start;
        GetCursorPos(&start);
        SetCapture(window);
        bool go = false;
        while (GetCapture() == window && !go) {
            MSG msg;
            if (!GetMessageA(&msg, nullptr, 0, 0)) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (msg.message == WM_MOUSEMOVE) {
                POINT p;
                GetCursorPos(&p);
                go = std::abs(p.x - start.x) >= threshold || std::abs(p.y - start.y) >= threshold;
            } else if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP ||
                       ((msg.message == WM_KEYDOWN) && msg.wParam == VK_ESCAPE)) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!go) {
            if (GetCapture() == window) ReleaseCapture();
            return;
        }
    }
    TDragObject* object = nullptr;
    if (!DoStartDrag(object)) {
        delete object;
        if (GetCapture() == window) ReleaseCapture();
        return;
    }
    if (!object) object = new TDragControlObject(this);
    drag.source = this;
    drag.object = object;
    POINT at;
    GetCursorPos(&at);
    SetCapture(window);
    StartDragImage(this, at);
    DragTo(at);
    // The drag's own loop: moves follow the mouse; the release drops; Esc, WM_CANCELMODE and a
    // lost capture cancel.
    while (drag.object == object) {
        if (GetCapture() != window) {
            FinishDrag(false);
            break;
        }
        MSG msg;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            FinishDrag(false);
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_MOUSEMOVE: {
            POINT p;
            GetCursorPos(&p);
            DragTo(p);
            continue;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            FinishDrag(true);
            continue;
        case WM_KEYDOWN:
            if (msg.wParam == VK_ESCAPE) {
                FinishDrag(false);
                continue;
            }
            break;
        case WM_CANCELMODE:
            FinishDrag(false);
            continue;
        default:
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TControl::EndDrag(bool drop) {
    if (Dragging()) FinishDrag(drop);
}

bool IsAccel(WORD ch, const AnsiString& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        ++i;
        if (caption[i] == '&') continue;
        const auto upper = [](unsigned char c) { return static_cast<WORD>(c >= 'a' && c <= 'z' ? c - 32 : c); };
        return ch < 256 && upper(static_cast<unsigned char>(caption[i])) == upper(static_cast<unsigned char>(ch));
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
TRect THintWindow::CalcHintRect(int maxWidth, const AnsiString& hint) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    HFONT font = nullptr;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        font = CreateFontIndirectA(&metrics.lfStatusFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TRect r{0, 0, maxWidth, 0};
    DrawTextA(dc, hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (font) DeleteObject(font);
    r.right += 6;
    r.bottom += 2;
    return r;
}
