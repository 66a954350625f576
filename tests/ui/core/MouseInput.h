#pragma once
// Mouse input as the devices give it (SendInput), for tests that need the system's own handling
// of real input (hooks, hit tests). Programs that use it run alone.
#include <windows.h>

#include "platform/graphics/Graphics.h"

// Moves the cursor to the screen point and adds the button flags (MOUSEEVENTF_LEFTDOWN, ...).
inline void SendMouseInput(DWORD flags, TPoint at) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}
