#pragma once
// Reading back what the screen shows: the tests' probes and the window capture tool share it.
#include <windows.h>

#include <string>
#include <vector>

namespace screen_capture {

// What the screen shows in rect, as 0x00BBGGRR values row by row, taken in one copy.
std::vector<COLORREF> CaptureScreen(const RECT& rect);

// The pixels (as CaptureScreen gives them, width * height) as an 8-bit RGB PNG file; false when
// the file could not be written whole (nothing is left behind then).
bool WritePng(const std::string& path, int width, int height, const std::vector<COLORREF>& pixels);

// The first visible top-level window of that class (of any process), or null.
HWND FindVisibleWindow(const std::string& className);

} // namespace screen_capture
