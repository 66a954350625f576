// The baselines of the launcher's start: what a program of ours costs with none of the
// launcher's work.
//   window     shows a borderless 321 x 98 window centred, paints it, pauses 1000 ms, hides it
//   nothing    ends at once
//   hold       owns the launcher's single-instance mutex until "release" runs (at most 10 min)
//   release    lets "hold" end
//   held       ends 0 when the mutex exists, 1 otherwise
#include <cstring>

#include <windows.h>

namespace {
const char kReleaseEvent[] = "VendrolBenchRelease";

int ShowWindowAndPause(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = "VendrolBenchBare";
    if (!RegisterClassA(&windowClass)) return 1;
    const int width = 321, height = 98;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "bare", WS_POPUP,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Sleep(1000);
    ShowWindow(window, SW_HIDE);
    DestroyWindow(window);
    return 0;
}

int HoldMutex() {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "VendrolMutex");
    if (!release || !mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
    WaitForSingleObject(release, 600000);
    ReleaseMutex(mutex);
    return 0;
}

int Held() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "VendrolMutex");
    if (!mutex) return 1;
    CloseHandle(mutex);
    return 0;
}

int Release() {
    HANDLE release = OpenEventA(EVENT_MODIFY_STATE, FALSE, kReleaseEvent);
    return release && SetEvent(release) ? 0 : 1;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (std::strcmp(commandLine, "window") == 0) return ShowWindowAndPause(instance);
    if (std::strcmp(commandLine, "nothing") == 0) return 0;
    if (std::strcmp(commandLine, "hold") == 0) return HoldMutex();
    if (std::strcmp(commandLine, "release") == 0) return Release();
    if (std::strcmp(commandLine, "held") == 0) return Held();
    return 2;
}
