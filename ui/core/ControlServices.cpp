#include "ui/core/ControlServices.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/FormatSettings.h"

// ---------------------------------------------------------------------------------------------
char VirtualKeyToChar(WORD key) {
    BYTE state[256];
    if (!GetKeyboardState(state)) return 0;
    WORD chars[2] = {};
    int count = ToAscii(key, MapVirtualKeyA(key, 0), state, chars, 0);
    return count == 1 ? static_cast<char>(chars[0] & 0xFF) : 0;
}

WORD GetAsyncMouseKeys() {
    WORD keys = 0;
    auto down = [](int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; };
    if (down(VK_LBUTTON)) keys |= MK_LBUTTON;
    if (down(VK_RBUTTON)) keys |= MK_RBUTTON;
    if (down(VK_SHIFT)) keys |= MK_SHIFT;
    if (down(VK_CONTROL)) keys |= MK_CONTROL;
    if (down(VK_MBUTTON)) keys |= MK_MBUTTON;
    return keys;
}

WORD ShiftStateToMouseKeys(TShiftState shift) {
    WORD keys = 0;
    if (shift.Contains(ssShift)) keys |= MK_SHIFT;
    if (shift.Contains(ssCtrl)) keys |= MK_CONTROL;
    if (shift.Contains(ssLeft)) keys |= MK_LBUTTON;
    if (shift.Contains(ssRight)) keys |= MK_RBUTTON;
    if (shift.Contains(ssMiddle)) keys |= MK_MBUTTON;
    return keys;
}

bool IsControlKeyDown() {
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

bool IsNumericInputChar(char ch, int kind) {
    if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-') return true;
    if ((kind == 1 || kind == 2) && ch == FormatSettings().DecimalSeparator) return true;
    return kind == 2 && (ch == 'e' || ch == 'E');
}

bool IsNonControlChar(char ch) {
    return static_cast<unsigned char>(ch) >= 32;
}

WORD NormalizeKeyCode(WORD key) {
    return key;
}

namespace {
template <class S> S StripMarks(const S& text, bool markTrailing) {
    S result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            result += text[i];
        } else if (i + 1 < text.size()) {
            result += text[++i];
        } else if (markTrailing) {
            result += '_';
        }
    }
    return result;
}
} // namespace

AnsiString StripAcceleratorMarks(const AnsiString& text, bool markTrailing) {
    return StripMarks(text, markTrailing);
}

WideString StripAcceleratorMarks(const WideString& text, bool markTrailing) {
    return StripMarks(text, markTrailing);
}

UINT GetSystemDoubleClickTime() {
    return GetDoubleClickTime();
}

// ---------------------------------------------------------------------------------------------
namespace {
TCursorPosSource cursorPosSource = nullptr;
TWorkAreaSource workAreaSource = nullptr;
} // namespace

TCursorPosSource SetCursorPosSource(TCursorPosSource source) {
    std::swap(source, cursorPosSource);
    return source;
}

TWorkAreaSource SetWorkAreaSource(TWorkAreaSource source) {
    std::swap(source, workAreaSource);
    return source;
}

TPoint GetCursorPosOrInvalid() {
    TPoint point{};
    bool got = cursorPosSource ? cursorPosSource(point) : GetCursorPos(&point) != FALSE;
    return got ? point : TPoint{-1, -1};
}

TRect GetMonitorWorkAreaAt(TPoint point) {
    if (workAreaSource) return workAreaSource(point);
    using TMonitorFromPoint = HMONITOR(WINAPI*)(POINT, DWORD);
    using TGetMonitorInfo = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
    HMODULE user32 = User32Module();
    auto monitorFromPoint = user32 ? reinterpret_cast<TMonitorFromPoint>(
                                         reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromPoint")))
                                   : nullptr;
    auto getMonitorInfo = user32 ? reinterpret_cast<TGetMonitorInfo>(
                                       reinterpret_cast<void*>(GetProcAddress(user32, "GetMonitorInfoA")))
                                 : nullptr;
    if (monitorFromPoint && getMonitorInfo) {
        if (HMONITOR monitor = monitorFromPoint(point, MONITOR_DEFAULTTONEAREST)) {
            MONITORINFO info{};
            info.cbSize = sizeof(info); // 40
            if (getMonitorInfo(monitor, &info)) return info.rcWork;
        }
    }
    TRect area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool HasChildWindowStyle(HWND window) {
    return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
}

bool IsSameOrChildWindow(HWND parent, HWND window) {
    return parent && (window == parent || IsChild(parent, window));
}

void MapPointBetweenWindows(HWND from, HWND to, TPoint& point) {
    MapWindowPoints(from, to, &point, 1);
}

void MapRectBetweenWindows(HWND from, HWND to, TRect& rect) {
    MapWindowPoints(from, to, reinterpret_cast<POINT*>(&rect.left), 1);
    MapWindowPoints(from, to, reinterpret_cast<POINT*>(&rect.right), 1);
}

bool IsInsideDragThreshold(TPoint mouseDownPos, int x, int y) {
    const int threshold = Mouse().DragThreshold;
    return std::abs(x - mouseDownPos.x) < threshold && std::abs(y - mouseDownPos.y) < threshold;
}

bool CanCreateWindowHandle(TWinControl* control) {
    if (!control) return false;
    if (control->HandleAllocated()) return true;
    if (control->HasState(csDestroying)) return false;
    if (TWinControl* parent = control->Parent())
        return parent->HandleAllocated() || CanCreateWindowHandle(parent);
    if (dynamic_cast<TForm*>(control)) return Application && Application->Handle() != nullptr;
    return false;
}

void NotifyFormDesigner(TControl* control) {
    if (!control || !control->HasState(csDesigning)) return;
    TControl* root = control;
    while (root->Parent())
        root = root->Parent();
    if (auto* form = dynamic_cast<TForm*>(root); form && form->Designer) form->Designer->Modified();
}

// ---------------------------------------------------------------------------------------------
bool IsPopupMenuShortCut(TComponent* menu, TShortCut shortCut) {
    if (!menu) return false;
    if (auto* popup = dynamic_cast<IcxPopupMenu*>(menu)) return popup->IsShortCutKey(shortCut);
    if (auto* popup = dynamic_cast<TPopupMenu*>(menu))
        return popup->WindowHandle && popup->IsShortCut(shortCut);
    return false;
}

bool ShowComponentPopupMenu(TComponent* control, TComponent* menu, int x, int y) {
    if (!menu) return false;
    if (auto* popup = dynamic_cast<IcxPopupMenu*>(menu)) {
        popup->Popup(x, y);
        return true;
    }
    if (auto* popup = dynamic_cast<TPopupMenu*>(menu); popup && popup->AutoPopup) {
        popup->PopupComponent = control;
        popup->Popup(x, y);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
class TcxSettingsController::TWindow : public TcxMessageWindow {
public:
    explicit TWindow(TcxSettingsController* owner) : owner_(owner) {}

protected:
    void WndProc(TMessage& message) override { owner_->WndProc(message); }

private:
    TcxSettingsController* owner_;
};

TcxSettingsController::~TcxSettingsController() = default;

void TcxSettingsController::AddControl(TWinControl* control) {
    if (std::find(controls_.begin(), controls_.end(), control) != controls_.end()) return;
    controls_.push_back(control);
    if (!window_) window_ = std::make_unique<TWindow>(this);
}

void TcxSettingsController::RemoveControl(TWinControl* control) {
    std::erase(controls_, control);
    if (controls_.empty()) window_.reset();
}

void TcxSettingsController::WndProc(TMessage& message) {
    if (message.Msg == WM_SETTINGCHANGE && message.WParam == SPI_SETNONCLIENTMETRICS) {
        for (TWinControl* control : controls_)
            if (control->HandleAllocated()) SendNotifyMessageA(control->Handle(), DXM_NCSIZECHANGED, 0, 0);
        message.Result = 0;
        return;
    }
    message.Result = DefWindowProcA(window_->Handle(), message.Msg, message.WParam, message.LParam);
}

namespace {
TcxSettingsController* settingsController = nullptr;
} // namespace

TcxSettingsController* GetSettingsController() {
    if (!settingsController && !WindowServicesFinalizing()) settingsController = new TcxSettingsController();
    return settingsController;
}

void FreeSettingsController() {
    delete settingsController;
    settingsController = nullptr;
}

// ---------------------------------------------------------------------------------------------
namespace {
std::vector<TMouseTrackingTimer*>& MouseTrackingTimerList() {
    static std::vector<TMouseTrackingTimer*> list;
    return list;
}

TMouseTrackingTimer* TakeTimer(IcxMouseTrackingCaller* caller) {
    auto& list = MouseTrackingTimerList();
    auto found =
        std::find_if(list.begin(), list.end(), [&](TMouseTrackingTimer* t) { return t->Caller == caller; });
    if (found == list.end()) return nullptr;
    TMouseTrackingTimer* timer = *found;
    list.erase(found);
    return timer;
}

} // namespace

TMouseTrackingTimer::TMouseTrackingTimer(TWinControl* control, const TRect& bounds,
                                         IcxMouseTrackingCaller* caller)
    : TcxTimer(nullptr), Control(control), Bounds(bounds), Caller(caller) {
    SetInterval(10);
    SetOnTimer([this](TObject*) { Tick(); });
}

void TMouseTrackingTimer::Tick() {
    const TPoint cursor = GetCursorPosOrInvalid();
    // A caller with its own hit test decides (outside while the control has no window); any
    // other caller is inside while the cursor is within Bounds.
    bool inside;
    if (auto* hitTest = dynamic_cast<IcxMouseTrackingHitTest*>(Caller)) {
        inside = false;
        if (Control && Control->HandleAllocated()) {
            TPoint client = cursor;
            ScreenToClient(Control->Handle(), &client);
            inside = hitTest->PtInCaller(client);
        }
    } else {
        inside = PtInRect(&Bounds, cursor) != FALSE;
    }
    if (inside) return;

    // Out of the list before anything is called, so that a caller that stops its tracking (or
    // frees its control) while it is told finds nothing to free; this timer goes after the tick.
    IcxMouseTrackingCaller* caller = Caller;
    TWinControl* control = Control;
    if (!TakeTimer(caller)) return;
    SetEnabled(false);
    std::unique_ptr<TMouseTrackingTimer> self(this);
    if (control && control->HandleAllocated()) {
        HWND window = control->Handle();
        TRect client;
        GetClientRect(window, &client);
        TPoint point = cursor;
        ScreenToClient(window, &point);
        if (!PtInRect(&client, point))
            SendMessageA(window, CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control));
    }
    caller->MouseLeave();
}

void StartMouseLeaveTracking(TWinControl* control, const TRect& bounds, IcxMouseTrackingCaller* caller) {
    if (WindowServicesFinalizing() || IsMouseLeaveTracking(caller)) return;
    TRect screenBounds = bounds;
    if (control) MapRectBetweenWindows(control->Handle(), nullptr, screenBounds);
    MouseTrackingTimerList().push_back(new TMouseTrackingTimer(control, screenBounds, caller));
}

bool IsMouseLeaveTracking(IcxMouseTrackingCaller* caller) {
    if (WindowServicesFinalizing()) return false;
    return FindMouseTrackingTimer(caller) != nullptr;
}

void StopMouseLeaveTracking(IcxMouseTrackingCaller* caller) {
    delete TakeTimer(caller);
}

TMouseTrackingTimer* FindMouseTrackingTimer(IcxMouseTrackingCaller* caller) {
    for (TMouseTrackingTimer* timer : MouseTrackingTimerList())
        if (timer->Caller == caller) return timer;
    return nullptr;
}

int MouseTrackingCount() {
    return static_cast<int>(MouseTrackingTimerList().size());
}

void FreeMouseTrackingList() {
    auto& list = MouseTrackingTimerList();
    while (!list.empty()) {
        TMouseTrackingTimer* timer = list.back();
        list.pop_back();
        delete timer;
    }
}

// ---------------------------------------------------------------------------------------------
int DetectDragMove(HWND window) {
    const TPoint start = GetCursorPosOrInvalid();
    const int threshold = Mouse().DragThreshold;
    const TRect square{start.x - threshold, start.y - threshold, start.x + threshold, start.y + threshold};
    SetCapture(window);
    int result = 2; // the capture was lost
    while (GetCapture() == window) {
        MSG msg;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        bool done = false;
        switch (msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg.wParam == VK_ESCAPE) {
                result = 2;
                done = true;
            }
            break;
        case WM_MOUSEMOVE:
            if (msg.hwnd == window) {
                TPoint point{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
                ClientToScreen(window, &point);
                if (!PtInRect(&square, point)) {
                    result = 1;
                    done = true;
                }
            }
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            result = 0;
            done = true;
            break;
        default:
            break;
        }
        if (done) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (GetCapture() == window) ReleaseCapture();
    return result;
}
