// A 400 x 17 scroll bar on a form: a repaint (invalidate and update), and a 400-step thumb drag
// by WM_MOUSEMOVE. The baseline is a plain window doing the same drawing with GDI: the five part
// rectangles filled in a bitmap and copied to the window, on each repaint and each move.
// Prints the median and the range of several rounds, in microseconds, and the ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/core/ScrollBar.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TRounds {
    double median, low, high;
};

// Per call, over rounds of calls each.
template <class F> TRounds Measure(F f, int calls, int rounds = 9) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i)
            f();
        GdiFlush();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls);
    }
    std::sort(times.begin(), times.end());
    return TRounds{times[times.size() / 2], times.front(), times.back()};
}

constexpr int BarWidth = 400, BarHeight = 17;

// The plain window: arrows, thumb and page areas as five filled rectangles.
int plainThumb = BarHeight;
LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        const int x = static_cast<short>(LOWORD(lParam));
        plainThumb = std::clamp(x - 10, BarHeight, BarWidth - 2 * BarHeight - 20);
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, BarWidth, BarHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
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
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &ps);
    return 0;
}

void Print(const char* what, const TRounds& bar, const TRounds& plain) {
    std::printf("%-28s bar %9.1f us [%9.1f .. %9.1f]   plain GDI %9.1f us [%9.1f .. %9.1f]   ratio %.2f\n",
                what, bar.median, bar.low, bar.high, plain.median, plain.low, plain.high,
                bar.median / plain.median);
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

        const TRounds barPaint = Measure(
            [&] {
                bar.Invalidate();
                bar.Update();
            },
            200);
        const TRounds plainPaint = Measure(
            [&] {
                InvalidateRect(plain, nullptr, FALSE);
                UpdateWindow(plain);
            },
            200);
        Print("repaint 400 x 17", barPaint, plainPaint);

        auto drag = [&](HWND window, int thumbX) {
            SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumbX, 8));
            for (int i = 1; i <= 400; ++i)
                SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(thumbX + i % 360, 8));
            SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(thumbX, 8));
        };
        const TRounds barDrag = Measure(
            [&] {
                bar.SetPosition(0);
                drag(bar.Handle(), bar.ViewInfo().ThumbnailRect.left + 2);
            },
            1);
        const TRounds plainDrag = Measure([&] { drag(plain, BarHeight + 2); }, 1);
        Print("thumb drag, 400 moves", barDrag, plainDrag);
        DestroyWindow(plain);
    }
    FinalizeUnits();
    return 0;
}
