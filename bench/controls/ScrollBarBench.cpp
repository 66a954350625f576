// A 400 x 17 scroll bar on a form: a repaint (invalidate and update), and a 400-step thumb drag
// by WM_MOUSEMOVE. The baseline is a plain window doing the same drawing with GDI: the five part
// rectangles filled in a bitmap and copied to the window, on each repaint and each move.
// The phases take turns in rounds; each prints its median time per round with the range, and
// the median and range of its per-round ratio to the plain GDI phase.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchRounds.h"
#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/core/ScrollBar.h"

namespace {

constexpr int BarWidth = 400, BarHeight = 17;

// The plain window: arrows, thumb and page areas as five filled rectangles.
int plainThumb = BarHeight;
LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        const int x = static_cast<short>(LOWORD(lParam));
        plainThumb = std::clamp(x - 10, BarHeight, BarWidth - 2 * BarHeight - 20);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    // Kept from paint to paint, as the bar keeps its off-screen bitmap.
    static HDC memory = nullptr;
    if (!memory) {
        memory = CreateCompatibleDC(dc);
        SelectObject(memory, CreateCompatibleBitmap(dc, BarWidth, BarHeight));
    }
    const RECT parts[] = {{0, 0, BarHeight, BarHeight},
                          {BarWidth - BarHeight, 0, BarWidth, BarHeight},
                          {plainThumb, 0, plainThumb + 20, BarHeight},
                          {BarHeight, 0, plainThumb, BarHeight},
                          {plainThumb + 20, 0, BarWidth - BarHeight, BarHeight}};
    const int colors[] = {COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNHIGHLIGHT,
                          COLOR_BTNHIGHLIGHT};
    for (int i = 0; i < 5; ++i)
        FillRect(memory, &parts[i], GetSysColorBrush(colors[i]));
    BitBlt(dc, 0, 0, BarWidth, BarHeight, memory, 0, 0, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
}

} // namespace

int main() {
    InitializeUnits(SelectUnits(PaintingCoreUnits(),
                                {"dxUxTheme", "dxThemeManager", "dxOffice11", "cxLookAndFeels", "cxControls",
                                 "cxGraphics", "cxDrawTextUtils", "cxLookAndFeelPainters"}));
    {
        TForm form(nullptr);
        form.SetBorderStyle(bsNone);
        form.SetBounds(40, 40, 460, 120);
        form.Show();
        TcxScrollBar bar(nullptr);
        bar.LookAndFeel().SetKind(lfStandard);
        bar.LookAndFeel().SetNativeStyle(false);
        bar.SetParent(&form);
        bar.SetBounds(10, 10, BarWidth, BarHeight);
        bar.SetScrollValues(0, 400, false, 1, 0);

        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PlainScrollBar";
        RegisterClassA(&wc);
        HWND plain = CreateWindowExA(0, "PlainScrollBar", "", WS_CHILD | WS_VISIBLE, 10, 40, BarWidth,
                                     BarHeight, form.Handle(), nullptr, wc.hInstance, nullptr);

        constexpr int Repaints = 200;
        auto repaintBar = [&] {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < Repaints; ++i) {
                bar.Invalidate();
                bar.Update();
            }
            GdiFlush();
            return BenchSeconds(start);
        };
        auto repaintPlain = [&] {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < Repaints; ++i) {
                InvalidateRect(plain, nullptr, FALSE);
                UpdateWindow(plain);
            }
            GdiFlush();
            return BenchSeconds(start);
        };
        auto drag = [&](HWND window, int thumbX) {
            const auto start = std::chrono::steady_clock::now();
            SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumbX, 8));
            // Each move is painted before the next, on both sides.
            for (int i = 1; i <= 400; ++i) {
                SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(thumbX + i % 360, 8));
                UpdateWindow(window);
            }
            SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(thumbX, 8));
            GdiFlush();
            return BenchSeconds(start);
        };
        std::vector<BenchPhase> phases{
            {"bar repaint", repaintBar, "GDI repaint", {}},
            {"GDI repaint", repaintPlain, "", {}},
            {"bar drag",
             [&] {
                 bar.SetPosition(0);
                 return drag(bar.Handle(), bar.ViewInfo().ThumbnailRect.left + 2);
             },
             "GDI drag",
             {}},
            {"GDI drag", [&] { return drag(plain, BarHeight + 2); }, "", {}},
        };
        RunRounds(phases, 2); // warm-up: caches, first paints
        for (BenchPhase& phase : phases)
            phase.Times.clear();
        RunRounds(phases, 9);
        std::printf("400 x 17 scroll bar: %d repaints, a thumb drag of 400 moves; 9 rounds\n", Repaints);
        PrintRounds(phases);
        DestroyWindow(plain);
    }
    FinalizeUnits();
    return 0;
}
