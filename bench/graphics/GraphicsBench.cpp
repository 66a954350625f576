// Each measurement stands beside its baseline from the same run; prints milliseconds and ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "ui/core/Bitmaps.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GraphicsRoutines.h"

namespace {
using Clock = std::chrono::steady_clock;

// Best of a few runs, to keep the noise of a shared machine out.
template <class F> double BestMs(F f, int runs = 5) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        f();
        GdiFlush();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t).count());
    }
    return best;
}

void Fill(TBitmap& bitmap, unsigned seed) {
    std::mt19937 random(seed);
    for (int y = 0; y < bitmap.Height(); ++y) {
        DWORD* row = static_cast<DWORD*>(bitmap.ScanLine(y));
        for (int x = 0; x < bitmap.Width(); ++x) {
            DWORD a = random() & 0xFF;
            DWORD c = a * (random() & 0xFF) / 255; // pre-multiplied
            row[x] = (a << 24) | (c << 16) | (c << 8) | c;
        }
    }
}

void Report(const char* what, double ms, const char* baseline, double baseMs, double target) {
    std::printf("%-44s %9.2f ms   %-36s %9.2f ms   ratio %5.2f (target %.1f)\n", what, ms, baseline, baseMs,
                ms / baseMs, target);
}

// GDI+ drawing the picture into a bitmap of the given size with high-quality bicubic interpolation.
double GdiPlusScale(TBitmap& src, int width, int height) {
    TBitmap dest(width, height, pf32bit);
    GpImage* image = nullptr;
    dxGpApi.GdipCreateBitmapFromScan0(src.Width(), src.Height(), -src.BytesPerScanLine(),
                                      PixelFormat32bppPARGB, static_cast<BYTE*>(src.ScanLine(0)), &image);
    double ms = BestMs([&] {
        GpGraphics* graphics = nullptr;
        dxGpApi.GdipCreateFromHDC(dest.Canvas().Handle(), &graphics);
        dxGpApi.GdipSetInterpolationMode(graphics, 7); // InterpolationModeHighQualityBicubic
        dxGpApi.GdipDrawImageRectI(graphics, image, 0, 0, width, height);
        dxGpApi.GdipDeleteGraphics(graphics);
    });
    dxGpApi.GdipDisposeImage(image);
    return ms;
}
} // namespace

int main() {
    GraphicsInitialize();
    if (!IsGdiPlusAvailable()) {
        std::printf("GDI+ is not available\n");
        return 1;
    }
    TBitmap picture(1024, 768, pf32bit);
    Fill(picture, 1);

    for (auto [w, h] : {std::pair{1600, 1200}, std::pair{256, 192}}) {
        TBitmap dest(w, h, pf32bit);
        double lanczos = BestMs([&] { ResampleBitmapLanczos3(&picture, &dest); }, 3);
        double gdiplus = GdiPlusScale(picture, w, h);
        char what[64];
        std::snprintf(what, sizeof(what), "Lanczos-3 1024x768 to %dx%d", w, h);
        Report(what, lanczos, "GDI+ high-quality bicubic", gdiplus, 1.5);
    }

    TBitmap source(1024, 768, pf32bit), target(1024, 768, pf32bit);
    Fill(source, 2);
    Fill(target, 3);
    HDC sdc = source.Canvas().Handle(), tdc = target.Canvas().Handle();
    const TRect all = Rect(0, 0, 1024, 768);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 180, AC_SRC_ALPHA};
    double system = BestMs([&] { AlphaBlend(tdc, 0, 0, 1024, 768, sdc, 0, 0, 1024, 768, blend); });
    double dc = BestMs([&] { AlphaBlendDC(tdc, sdc, all, all, false, 180); });
    Report("AlphaBlendDC 1024x768 unstretched", dc, "AlphaBlend", system, 1.1);
    TAlphaBlendFunc bound = SetSystemAlphaBlendForTest(nullptr);
    double software = BestMs([&] { AlphaBlendDC(tdc, sdc, all, all, false, 180); });
    SetSystemAlphaBlendForTest(bound);
    Report("software blend 1024x768", software, "AlphaBlend", system, 3.0);

    TcxBitmap turned(2048, 1536);
    Fill(turned, 4);
    double ours = BestMs([&] { turned.RotateAndFlip(raPlus90, false); });
    TBitmap same(2048, 1536, pf32bit);
    Fill(same, 4);
    GpImage* image = nullptr;
    dxGpApi.GdipCreateBitmapFromScan0(2048, 1536, -same.BytesPerScanLine(), PixelFormat32bppPARGB,
                                      static_cast<BYTE*>(same.ScanLine(0)), &image);
    GpImage* copy = nullptr;
    dxGpApi.GdipCloneImage(image, &copy); // a bitmap of its own, turned in place
    double theirs = BestMs([&] { dxGpApi.GdipImageRotateFlip(copy, 1); });
    dxGpApi.GdipDisposeImage(copy);
    dxGpApi.GdipDisposeImage(image);
    Report("quarter turn of 2048x1536", ours, "GDI+ RotateFlip", theirs, 2.0);

    UnloadGdiPlus();
    GraphicsFinalize();
    return 0;
}
