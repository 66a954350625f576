// PaintGradient into a 32-bit DIB section: the bound path (GradientFill through the unit) and
// the software path (256 bands) beside GradientFill called directly on the same rectangle.
// Prints microseconds per call and the ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "ui/core/Office11Colors.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of several batches, per call, in microseconds.
template <class F> double BestMicros(F f, int calls = 400, int batches = 9) {
    double best = 1e30;
    for (int b = 0; b < batches; ++b) {
        auto start = Clock::now();
        for (int i = 0; i < calls; ++i)
            f();
        GdiFlush();
        best =
            std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls);
    }
    return best;
}

HBITMAP MakeDib(HDC dc, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

} // namespace

int main() {
    Office11ColorsInitialize();
    TGradientFillProc gradientFill = GradientFillEntry();
    if (!gradientFill) {
        std::printf("GradientFill is not bound: nothing to compare with\n");
        return 1;
    }
    const TColor from = RGB(221, 236, 254), to = RGB(129, 169, 226);
    HDC dc = CreateCompatibleDC(nullptr);
    bool ok = true;
    for (bool horizontal : {true, false}) {
        const int width = horizontal ? 600 : 40, height = horizontal ? 40 : 600;
        HBITMAP dib = MakeDib(dc, width, height);
        HGDIOBJ old = SelectObject(dc, dib);
        const TRect r = Rect(0, 0, width, height);

        double direct = BestMicros([&] {
            TRIVERTEX v[2] = {{0, 0, 221 << 8, 236 << 8, 254 << 8, 0},
                              {width, height, 129 << 8, 169 << 8, 226 << 8, 0}};
            GRADIENT_RECT mesh{0, 1};
            gradientFill(dc, v, 2, &mesh, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
        });
        double bound = BestMicros([&] { PaintGradient(dc, r, from, to, horizontal); });
        SetGradientFillEntry(nullptr);
        double software = BestMicros([&] { PaintGradient(dc, r, from, to, horizontal); });
        SetGradientFillEntry(gradientFill);

        std::printf(
            "%dx%d %s: GradientFill direct %.1f us, PaintGradient bound %.1f us (%.2fx, target 1.1x), "
            "software %.1f us (%.2fx, target 3x)\n",
            width, height, horizontal ? "horizontal" : "vertical", direct, bound, bound / direct, software,
            software / direct);
        ok = ok && bound <= 1.1 * direct && software <= 3.0 * direct;
        SelectObject(dc, old);
        DeleteObject(dib);
    }
    DeleteDC(dc);
    Office11ColorsFinalize();
    std::printf("%s\n", ok ? "within the targets" : "OUTSIDE the targets");
    return 0;
}
