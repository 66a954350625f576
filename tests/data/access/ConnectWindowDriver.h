#pragma once
// Drives the connect window from a second thread with real messages once it shows.
#include <windows.h>

#include "data/access/ConnectDialogWindow.h"

// Only this process's window: other test programs share the Wine desktop.
inline HWND WaitForConnectWindow(const wchar_t* title) {
    for (int i = 0; i < 500; ++i) {
        for (HWND window = FindWindowExW(nullptr, nullptr, ConnectDialogWindowClass, title); window;
             window = FindWindowExW(nullptr, window, ConnectDialogWindowClass, title)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            // Shown only once every control exists: before that the edits are not there to fill.
            if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
        }
        Sleep(10);
    }
    return nullptr;
}

// The button's notification itself: a BM_CLICK goes through focus and capture, which another
// program's window on the shared desktop can take away mid-click.
inline void ClickConnectWindowButton(HWND window, int button) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
}

// A window still open long after its button was clicked is closed, so a lost click fails the
// test instead of hanging it.
inline void CloseIfStillOpen(HWND window) {
    for (int i = 0; i < 1000 && IsWindow(window); ++i)
        Sleep(10);
    if (IsWindow(window)) PostMessageW(window, WM_CLOSE, 0, 0);
}
