#pragma once
// The launcher's message dialogs ("TMessageForm") as another process sees them. The dialog's text
// is drawn by a label that has no window of its own, so no window text holds it: the probe reads
// it off the screen instead. It knows the dialog's layout (the text at (12, 12) in the form's
// font, the OK button 10 pixels under it, 12 pixels of margin) and draws each text it expects the
// same way over the dialog's own face colour: the text whose size fits the dialog and whose ink
// covers the same pixels is the one shown.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "tools/capture/ScreenCapture.h"

namespace launcher_test {

struct DialogSearch {
    DWORD ProcessId;
    HWND Found;
};

inline BOOL CALLBACK MatchMessageForm(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (pid == search->ProcessId && std::string(name) == "TMessageForm" && IsWindowVisible(window)) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible message dialog of the process, or null.
inline HWND FindMessageDialog(DWORD processId) {
    DialogSearch search{processId, nullptr};
    EnumWindows(MatchMessageForm, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The dialog's one push button ("TButton"), or null.
inline HWND DialogButton(HWND dialog) {
    return FindWindowExA(dialog, nullptr, "TButton", nullptr);
}

// Presses OK as a click would.
inline void PressDialogOk(HWND dialog) {
    if (HWND button = DialogButton(dialog)) PostMessageA(button, BM_CLICK, 0, 0);
}

// The client area as the screen shows it, with its size.
struct ClientShot {
    int Width = 0, Height = 0;
    std::vector<COLORREF> Pixels;
    COLORREF At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

inline ClientShot CaptureClient(HWND window) {
    ClientShot shot;
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    shot.Width = client.right - client.left;
    shot.Height = client.bottom - client.top;
    shot.Pixels = screen_capture::CaptureScreen(client);
    return shot;
}

// Whether a pixel stands out from the face as text does.
inline bool IsInk(COLORREF pixel, COLORREF face) {
    const int d =
        std::max({std::abs(GetRValue(pixel) - GetRValue(face)), std::abs(GetGValue(pixel) - GetGValue(face)),
                  std::abs(GetBValue(pixel) - GetBValue(face))});
    return d > 48;
}

// The colour a pack's generator gave an element ("element <name> <colour> ..." of the manifest
// beside the skin-library file), as 0x00BBGGRR; -1 when the manifest or the line is missing.
inline long ManifestColour(const std::string& skinLibrary, const std::string& pack,
                           const std::string& element) {
    const std::string folder = skinLibrary.substr(0, skinLibrary.find_last_of("/\\") + 1);
    std::ifstream in(folder + pack + ".manifest");
    std::string line;
    const std::string head = "element " + element + " ";
    while (std::getline(in, line))
        if (line.compare(0, head.size(), head) == 0)
            return std::strtol(line.c_str() + head.size(), nullptr, 10);
    return -1;
}

// The text of the dialog among the expected ones; "<unexpected text, client W x H>" when none fits.
inline std::string ReadDialogText(HWND dialog, const std::vector<std::string>& expected) {
    const int margin = 12, gap = 10;
    const ClientShot shot = CaptureClient(dialog);
    RECT button{};
    if (HWND ok = DialogButton(dialog)) GetWindowRect(ok, &button);
    const int buttonWidth = button.right - button.left, buttonHeight = button.bottom - button.top;
    const COLORREF face = shot.Width > 3 && shot.Height > 3 ? shot.At(3, 3) : 0;
    const std::string unexpected =
        "<unexpected text, client " + std::to_string(shot.Width) + " x " + std::to_string(shot.Height) + ">";
    if (shot.Pixels.empty()) return unexpected;

    TFont font; // the form's font, which the label takes
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    std::string found = unexpected;
    for (const std::string& text : expected) {
        RECT r{0, 0, 0, 0};
        HGDIOBJ oldFont = SelectObject(memory, font.Handle());
        DrawTextA(memory, text.c_str(), static_cast<int>(text.size()), &r, DT_EXPANDTABS | DT_CALCRECT);
        const int w = r.right, h = r.bottom;
        if (shot.Width != std::max(w, buttonWidth) + 2 * margin ||
            shot.Height != margin + h + gap + buttonHeight + margin || w <= 0 || h <= 0) {
            SelectObject(memory, oldFont);
            continue;
        }
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        HBRUSH brush = CreateSolidBrush(face);
        FillRect(memory, &r, brush);
        DeleteObject(brush);
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextA(memory, text.c_str(), static_cast<int>(text.size()), &r, DT_EXPANDTABS);
        int both = 0, either = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool drawn = IsInk(GetPixel(memory, x, y) & 0xFFFFFF, face);
                const bool shown = IsInk(shot.At(margin + x, margin + y), face);
                both += drawn && shown;
                either += drawn || shown;
            }
        SelectObject(memory, oldBitmap);
        SelectObject(memory, oldFont);
        DeleteObject(bitmap);
        if (either > 0 && both * 10 >= either * 9) {
            found = text;
            break;
        }
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return found;
}

} // namespace launcher_test
