// 10,000 position steps of a 297 x 21 bar with percent text, each painted to its window at once,
// beside a plain GDI loop that draws the same picture (track, bar, inverted text, one copy). Also
// steps that move nothing with the text off, beside an empty Invalidate and UpdateWindow. Each is
// measured twice: the view info painting straight onto a window, and the editor on a form, whose
// position change goes through its layout and its own window's paint, beside the plain picture
// drawn in WM_PAINT of a window invalidated and updated at each step.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "BenchRounds.h"
#include "platform/core/UnitTable.h"
#include "ui/core/Geometry.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/ProgressBarEdit.h"
#include "ui/editors/ProgressBarViewInfo.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"

namespace {
constexpr int Steps = 10000;
constexpr int Width = 297, Height = 21;

LRESULT CALLBACK EmptyPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The plain picture drawn in WM_PAINT, for the editor's road through the window: invalidated and
// updated at each step like the editor.
struct TPlainWindow {
    HDC buffer = nullptr, mask = nullptr;
    HFONT font = nullptr;
    double position = 0;
};
TPlainWindow plainWindow;

void PlainPaint(HDC target, HDC buffer, HDC mask, HFONT font, double position);

LRESULT CALLBACK PlainWindowPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PlainPaint(dc, plainWindow.buffer, plainWindow.mask, plainWindow.font, plainWindow.position);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class TBenchBar : public TcxCustomProgressBarViewInfo {
public:
    VZ_CLASS(TBenchBar, TcxCustomProgressBarViewInfo)

protected:
    void DrawBackgroundAndFrame(TcxCanvas&) override {}
};

TcxProgressBarLayoutInput Input(double position) {
    TcxProgressBarLayoutInput in;
    in.Bounds = MakeRect(0, 0, Width, Height);
    in.ClientRect = MakeRect(2, 2, Width - 2, Height - 2);
    in.Position = position;
    return in;
}

// The same picture by hand: track and bar into a buffer, the text inverted through a mask, one copy.
void PlainPaint(HDC target, HDC buffer, HDC mask, HFONT font, double position) {
    const RECT track{2, 2, Width - 2, Height - 2};
    const int w = track.right - track.left, h = track.bottom - track.top;
    RECT bar = track;
    bar.right = track.left + static_cast<int>(w * position / 100);
    FillRect(buffer, &track, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH barBrush = CreateSolidBrush(RGB(0, 0, 0x80));
    FillRect(buffer, &bar, barBrush);
    DeleteObject(barBrush);
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d %%", static_cast<int>(position + 0.5));
    SIZE size;
    SelectObject(mask, font);
    GetTextExtentPoint32A(mask, text, length, &size);
    PatBlt(mask, 0, 0, w, h, WHITENESS);
    SetBkMode(mask, TRANSPARENT);
    TextOutA(mask, (w - size.cx) / 2, (h - size.cy) / 2, text, length);
    PatBlt(mask, 0, 0, w, h, DSTINVERT);
    BitBlt(buffer, track.left, track.top, w, h, mask, 0, 0, SRCINVERT);
    BitBlt(target, track.left, track.top, w, h, buffer, track.left, track.top, SRCCOPY);
}
} // namespace

int main() {
    InitializeUnits(JoinUnits({PaintingCoreUnits(), EditorFrameworkUnits(), EditorsUnits()}));
    WNDCLASSA wc{};
    wc.lpfnWndProc = EmptyPaint;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ProgressBarBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, Width, Height, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    HDC dc = GetDC(window);
    // The bar paints through a canvas over the window's DC.
    TCanvas windowDC;
    windowDC.SetHandle(dc);
    TcxCanvas onWindow(&windowDC);

    TBenchBar bar;
    bar.OuterRect = MakeRect(0, 0, Width, Height);
    bar.FillColor = 0xFFFFFF;
    bar.ApplyLayout(CalculateProgressBarLayout(Input(0)), false);

    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP bufferBitmap = CreateCompatibleBitmap(dc, Width, Height);
    SelectObject(buffer, bufferBitmap);
    HDC mask = CreateCompatibleDC(dc);
    HBITMAP maskBitmap = CreateCompatibleBitmap(dc, Width, Height);
    SelectObject(mask, maskBitmap);
    TFont font;
    HFONT fontHandle = font.Handle();

    WNDCLASSA plainClass{};
    plainClass.lpfnWndProc = PlainWindowPaint;
    plainClass.hInstance = wc.hInstance;
    plainClass.lpszClassName = "ProgressBarBenchPlain";
    RegisterClassA(&plainClass);
    HWND plain = CreateWindowExA(0, plainClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, Width + 30, 0, Width,
                                 Height, nullptr, nullptr, wc.hInstance, nullptr);
    plainWindow = {buffer, mask, fontHandle, 0};

    // The editor on a borderless form, at the same size.
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, Height + 10, Width + 20, Height + 20);
    TcxProgressBar* control = new TcxProgressBar(form.get());
    control->SetBounds(0, 0, Width, Height);
    control->SetParent(form.get());
    form->Show();
    UpdateWindow(form->Handle());
    // Each step painted at once, as a caller that shows progress in a busy loop does.
    auto stepControl = [&](double position) {
        control->SetPosition(position);
        control->Update();
    };

    std::vector<BenchPhase> phases = {
        {"progress bar",
         [&] {
             bar.ShowText = true;
             auto start = std::chrono::steady_clock::now();
             for (int i = 0; i < Steps; ++i) {
                 const double position = i * 100.0 / Steps;
                 bar.Position = position;
                 bar.ApplyLayout(CalculateProgressBarLayout(Input(position)), true);
                 bar.Paint(onWindow);
             }
             GdiFlush();
             return BenchSeconds(start);
         },
         "plain GDI", {}},
        {"plain GDI",
         [&] {
             auto start = std::chrono::steady_clock::now();
             for (int i = 0; i < Steps; ++i) PlainPaint(dc, buffer, mask, fontHandle, i * 100.0 / Steps);
             GdiFlush();
             return BenchSeconds(start);
         },
         "", {}},
        {"no move, no text",
         [&] {
             bar.ShowText = false;
             bar.ApplyLayout(CalculateProgressBarLayout(Input(50)), false);
             auto start = std::chrono::steady_clock::now();
             for (int i = 0; i < Steps; ++i) {
                 const double position = 50 + i * 1e-6;
                 bar.Position = position;
                 bar.ApplyLayout(CalculateProgressBarLayout(Input(position)), true);
                 // What the control does: repaint only what moved.
                 if (bar.LayoutChanged) bar.Paint(onWindow);
             }
             return BenchSeconds(start);
         },
         "empty update", {}},
        {"empty update",
         [&] {
             auto start = std::chrono::steady_clock::now();
             for (int i = 0; i < Steps; ++i) {
                 InvalidateRect(window, nullptr, FALSE);
                 UpdateWindow(window);
             }
             return BenchSeconds(start);
         },
         "", {}},
    };
    phases.push_back({"editor",
                      [&] {
                          control->Properties()->SetShowText(true);
                          auto start = std::chrono::steady_clock::now();
                          for (int i = 0; i < Steps; ++i) stepControl(i * 100.0 / Steps);
                          GdiFlush();
                          return BenchSeconds(start);
                      },
                      "plain GDI in WM_PAINT", {}});
    phases.push_back({"plain GDI in WM_PAINT",
                      [&] {
                          auto start = std::chrono::steady_clock::now();
                          for (int i = 0; i < Steps; ++i) {
                              plainWindow.position = i * 100.0 / Steps;
                              InvalidateRect(plain, nullptr, FALSE);
                              UpdateWindow(plain);
                          }
                          GdiFlush();
                          return BenchSeconds(start);
                      },
                      "", {}});
    phases.push_back({"editor, no move, no text",
                      [&] {
                          control->Properties()->SetShowText(false);
                          stepControl(50);
                          auto start = std::chrono::steady_clock::now();
                          for (int i = 0; i < Steps; ++i) stepControl(50 + (i + 1) * 1e-6);
                          return BenchSeconds(start);
                      },
                      "empty update", {}});
    RunRounds(phases, 7);
    std::printf("%d position steps, 297 x 21 bar, 7 rounds:\n", Steps);
    PrintRounds(phases);

    form.reset();
    DestroyWindow(plain);
    windowDC.SetHandle(nullptr);
    DeleteDC(mask);
    DeleteObject(maskBitmap);
    DeleteDC(buffer);
    DeleteObject(bufferBitmap);
    ReleaseDC(window, dc);
    DestroyWindow(window);
    FinalizeUnits();
    return 0;
}
