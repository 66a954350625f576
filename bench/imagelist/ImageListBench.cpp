// DrawImageWithEffect of a 32 x 32 image with alpha, enabled and disabled, beside ImageList_Draw of
// the same list into the same 32-bit surface. Prints microseconds per call and both ratios.
#include <cstdio>

#include "BenchTiming.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/ImageList.h"

int main() {
    GraphicsInitialize();
    {
        TcxImageList list(32, 32);
        TBitmap image(32, 32, pf32bit);
        for (int y = 0; y < 32; ++y) {
            auto* row = static_cast<RGBQUAD*>(image.ScanLine(y));
            for (int x = 0; x < 32; ++x) {
                const BYTE alpha = static_cast<BYTE>((x + y) * 4);
                row[x] = RGBQUAD{static_cast<BYTE>(alpha / 2), static_cast<BYTE>(alpha / 3), alpha, alpha};
            }
        }
        image.Changed(&image);
        list.AddImage(&image, nullptr);

        TBitmap surface(64, 64, pf32bit);
        HDC dc = surface.Canvas().Handle();
        const TRect r = Rect(16, 16, 48, 48);
        const double direct = BestTime<std::micro>(
            [&] { ImageList_Draw(list.Handle(), 0, dc, 16, 16, ILD_TRANSPARENT); }, 300, 7);
        const double enabled = BestTime<std::micro>([&] { DrawImageWithEffect(dc, r, 0, &list, 0); }, 300, 7);
        const double disabled =
            BestTime<std::micro>([&] { DrawImageWithEffect(dc, r, 1, &list, 0); }, 300, 7);
        std::printf(
            "32 x 32 with alpha: ImageList_Draw %.1f us, DrawImageWithEffect enabled %.1f us (%.2fx, goal "
            "4x), disabled %.1f us (%.2fx)\n",
            direct, enabled, enabled / direct, disabled, disabled / direct);
    }
    GraphicsFinalize();
    return 0;
}
