#include "platform/core/UtilWindow.h"

#include <memory>

#include "platform/core/Exceptions.h"
#include "platform/core/Win32Boundary.h"

namespace {

const char* const UtilWindowClass = "TPUtilWindow";

LRESULT CALLBACK UtilWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!method || !*method) return DefWindowProcA(window, message, wParam, lParam);
    TMessage m{message, wParam, lParam, 0};
    return GuardedCall(
        [&] {
            (*method)(m);
            return m.Result;
        },
        LRESULT(0));
}

void RegisterUtilWindowClass() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    if (GetClassInfoA(instance, UtilWindowClass, &existing)) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = UtilWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = UtilWindowClass;
    if (!RegisterClassA(&wc)) RaiseLastOSError();
}

} // namespace

HWND AllocateHWnd(TWndMethod method) {
    RegisterUtilWindowClass();
    // Top-level, not message-only: WM_THEMECHANGED and WM_SYSCOLORCHANGE are broadcast.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) RaiseLastOSError();
    auto holder = std::make_unique<TWndMethod>(std::move(method));
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(holder.release()));
    return window;
}

void DeallocateHWnd(HWND window) {
    if (!window) return;
    auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    delete method;
}
