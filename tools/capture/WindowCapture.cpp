// Waits for a visible top-level window of a class, copies its rectangle from the screen once it
// has had time to paint, and writes it as a PNG file.
//   WindowCapture.exe <window class> <PNG file> [<milliseconds to wait>]
// Prints the file written, or that no window was seen; exit code 0 or 1.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/capture/ScreenCapture.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: WindowCapture <window class> <PNG file> [<milliseconds to wait>]\n");
        return 2;
    }
    const std::string className = argv[1], file = argv[2];
    const DWORD wait = argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 60000;
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!(window = screen_capture::FindVisibleWindow(className)) && GetTickCount() - start < wait)
        Sleep(20);
    if (!window) {
        std::printf("No window of class %s was seen.\n", className.c_str());
        return 1;
    }
    Sleep(300); // the window's own paint after it is shown
    RECT rect;
    if (!GetWindowRect(window, &rect) || !IsWindow(window)) {
        std::printf("The window of class %s went before it could be copied.\n", className.c_str());
        return 1;
    }
    const auto pixels = screen_capture::CaptureScreen(rect);
    if (!screen_capture::WritePng(file, rect.right - rect.left, rect.bottom - rect.top, pixels)) {
        std::printf("Could not write %s.\n", file.c_str());
        return 1;
    }
    std::printf("%s\n", file.c_str());
    return 0;
}
