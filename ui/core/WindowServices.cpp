#include "ui/core/WindowServices.h"

#include <algorithm>

#include "platform/core/Threads.h"
#include "platform/forms/Forms.h"
#include "ui/core/ControlServices.h"
#include "ui/core/SystemInfo.h"

namespace {
bool finalizing = false;
bool libraryModuleForced = false;
bool libraryModule = false;
TcxMessageWindow* sharedMessageWindow = nullptr;
TcxSystemController* systemController = nullptr;
HMODULE user32 = nullptr;
} // namespace

UINT CM_REFUSESKINNING = 0;
UINT CM_REEVALUATEPAINTER = 0;

bool WindowServicesFinalizing() {
    return finalizing;
}

void SetLibraryModuleForTest(bool library) {
    libraryModuleForced = true;
    libraryModule = library;
}

HMODULE User32Module() {
    return user32;
}

// ---------------------------------------------------------------------------------------------
TcxMessageWindow::TcxMessageWindow() {
    handle_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
}

TcxMessageWindow::~TcxMessageWindow() {
    DeallocateHWnd(handle_);
}

void TcxMessageWindow::WndProc(TMessage& message) {
    message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

TcxSystemController::TcxSystemController(bool library) : library_(library) {
    if (!library_) return;
    prevWakeMainThread_ = WakeMainThread;
    HWND window = Handle();
    WakeMainThread = [window] { PostMessageA(window, DXM_SYNCHRONIZE, 0, 0); };
}

TcxSystemController::~TcxSystemController() {
    if (library_) WakeMainThread = prevWakeMainThread_;
}

void TcxSystemController::WndProc(TMessage& message) {
    if (message.Msg == DXM_SYNCHRONIZE) {
        CheckSynchronize();
        message.Result = 0;
        return;
    }
    TcxMessageWindow::WndProc(message);
}

TcxMessageWindow* GetSharedMessageWindow() {
    if (!sharedMessageWindow && !finalizing) sharedMessageWindow = new TcxMessageWindow();
    return sharedMessageWindow;
}

// ---------------------------------------------------------------------------------------------
class TcxTimerWindow : public TcxMessageWindow {
public:
    VZ_CLASS(TcxTimerWindow, TcxMessageWindow)
    std::vector<TcxTimer*> active;

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg != WM_TIMER) {
            TcxMessageWindow::WndProc(message);
            return;
        }
        // A message of a timer killed or freed while it was queued finds no listed identifier.
        auto* timer = reinterpret_cast<TcxTimer*>(message.WParam);
        if (std::find(active.begin(), active.end(), timer) != active.end()) timer->TimerEvent();
        message.Result = 0;
    }
};

namespace {
TcxTimerWindow* timerWindow = nullptr;

TcxTimerWindow* GetTimerWindow() {
    if (!timerWindow && !finalizing) timerWindow = new TcxTimerWindow();
    return timerWindow;
}
} // namespace

HWND GetTimerWindowHandle() {
    return timerWindow ? timerWindow->Handle() : nullptr;
}

TcxTimer::TcxTimer(TComponent* owner) : TComponent(owner) {}

TcxTimer::~TcxTimer() {
    Stop();
}

bool TcxTimer::CanStart() const {
    return enabled_ && !timerOn_ && onTimer_ != nullptr;
}

void TcxTimer::Stop() {
    if (!timerOn_) return;
    if (timerWindow) {
        KillTimer(timerWindow->Handle(), reinterpret_cast<UINT_PTR>(this));
        std::erase(timerWindow->active, this);
    }
    timerOn_ = false;
}

void TcxTimer::Restart() {
    Stop();
    if (!CanStart()) return;
    TcxTimerWindow* window = GetTimerWindow();
    if (!window) return;
    timerOn_ = SetTimer(window->Handle(), reinterpret_cast<UINT_PTR>(this), interval_, nullptr) != 0;
    if (timerOn_) window->active.push_back(this);
}

void TcxTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    Restart();
}

void TcxTimer::SetInterval(unsigned value) {
    if (value == 0 || value == interval_) return;
    interval_ = value;
    Restart();
}

void TcxTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Restart();
}

void TcxTimer::TimerEvent() {
    if (!onTimer_) return;
    // A copy: the handler may free this timer, and with it the handler it runs in.
    TNotifyEvent handler = onTimer_;
    handler(this);
}

// ---------------------------------------------------------------------------------------------
namespace {
struct TCursorEntry {
    int id;
    const char* resource;
};
const TCursorEntry libraryCursors[] = {
    {crDragCopy, "CX_DRAGCOPYCURSOR"},
    {crFullScroll, "CX_FULLSCROLLCURSOR"},
    {crHorScroll, "CX_HORSCROLLCURSOR"},
    {crVerScroll, "CX_VERSCROLLCURSOR"},
    {crUpScroll, "CX_UPSCROLLCURSOR"},
    {crRightScroll, "CX_RIGHTSCROLLCURSOR"},
    {crDownScroll, "CX_DOWNSCROLLCURSOR"},
    {crLeftScroll, "CX_LEFTSCROLLCURSOR"},
    {crRemove, "CX_REMOVECURSOR"},
    {crVertSize, "CX_VERTSIZECURSOR"},
    {crHorzSize, "CX_HORZSIZECURSOR"},
    {crMultiDrag, "CX_MULTIDRAGCURSOR"},
    {crNoDrop, "CX_NODROPCURSOR"},
    {crDrag, "CX_DRAGCURSOR"},
    {crHandPoint, nullptr},
    {crColorPicker, "CX_COLORPICKERCURSOR"},
};

bool IsLibraryModule() {
    if (libraryModuleForced) return libraryModule;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&IsLibraryModule), &self);
    return self != GetModuleHandleA(nullptr);
}
} // namespace

void WindowServicesInitialize() {
    finalizing = false;
    InitializeSystemInfo();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const TCursorEntry& entry : libraryCursors)
        Screen().SetCursors(entry.id, entry.resource ? LoadCursorA(instance, entry.resource)
                                                     : LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));
    user32 = LoadLibraryA("USER32");
    CM_REFUSESKINNING = RegisterWindowMessageA("{B2CE3777-44D8-4998-9701-47BBBC10B656}");
    CM_REEVALUATEPAINTER = RegisterWindowMessageA("{B2CE3777-44D8-1321-4656-12C54AA613BB}");
    systemController = new TcxSystemController(IsLibraryModule());
}

void WindowServicesFinalize() {
    finalizing = true;
    delete systemController;
    systemController = nullptr;
    bool trackingLeft = MouseTrackingCount() != 0;
    FreeMouseTrackingList();
    if (reinterpret_cast<UINT_PTR>(user32) > 32) FreeLibrary(user32);
    user32 = nullptr;
    FreeSettingsController();
    delete timerWindow;
    timerWindow = nullptr;
    delete sharedMessageWindow;
    sharedMessageWindow = nullptr;
    if (trackingLeft) throw EInvalidOperation("MouseTrackingTimerList.Count <> 0");
}
