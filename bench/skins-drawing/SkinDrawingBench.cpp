// Each measurement stands beside its baseline from the same run; prints milliseconds and ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "BenchTiming.h"

#include "platform/core/UnitTable.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/skins/SkinCanvas.h"
#include "ui/skins/SkinInfo.h"
#include "ui/skins/SkinsUnits.h"

namespace {
template <class F> double BestMs(F f, int runs = 5) {
    return BestTime<std::milli>(f, 1, runs);
}

// Runs the measured code and its baseline in turns and keeps the best of each, so that a load
// change on a shared machine strikes both alike.
template <class F, class G> std::pair<double, double> BestPairMs(F f, G g, int rounds = 15) {
    double bestF = 1e9, bestG = 1e9;
    for (int i = 0; i < rounds; ++i) {
        bestF = std::min(bestF, BestMs(f, 1));
        bestG = std::min(bestG, BestMs(g, 1));
    }
    return {bestF, bestG};
}

void Report(const char* what, double ms, const char* baseline, double baseMs, double target) {
    std::printf("%-44s %9.2f ms   %-40s %9.2f ms   ratio %5.2f", what, ms, baseline, baseMs, ms / baseMs);
    if (target > 0)
        std::printf(" (target %.1f)\n", target);
    else
        std::printf("\n");
}

// A 30 x 30 opaque picture of nine regions cut by 8-pixel margins.
void SetNinePartPicture(TdxSkinImage& image) {
    TBitmap bitmap(30, 30, pf32bit);
    for (int y = 0; y < 30; ++y) {
        auto* row = static_cast<DWORD*>(bitmap.ScanLine(y));
        for (int x = 0; x < 30; ++x)
            row[x] = 0xFF000000u | static_cast<DWORD>((x < 8    ? 0x40
                                                       : x < 22 ? 0x80
                                                                : 0xC0)
                                                          << 16 |
                                                      (y < 8    ? 0x40
                                                       : y < 22 ? 0x80
                                                                : 0xC0));
    }
    image.Texture().LoadFromBitmap(bitmap);
    image.Margins().AssignRect(TRect{8, 8, 8, 8});
    image.Changed();
}

// Render of a stretched nine-part 75 x 23 element beside the same nine parts drawn straight through
// GDI+ on one graphics object per draw, both on dc.
void RenderBesideDirect(TdxSkinElement& element, HDC dc, const char* what, double target) {
    const TRect r{5, 5, 80, 28}; // 75 x 23
    const int draws = 10000;
    auto render = [&] {
        for (int i = 0; i < draws; ++i)
            element.Render(dc, r, 0, esNormal);
    };
    GpImage* image = element.Image().Texture().Image()->Handle();
    // Origin and extent per column or row: source, and destination x and y.
    const float src[3][2] = {{0, 8}, {8, 14}, {22, 8}};
    const float dx[3][2] = {{5, 8}, {13, 59}, {72, 8}};
    const float dy[3][2] = {{5, 8}, {13, 7}, {20, 8}};
    auto direct = [&] {
        for (int i = 0; i < draws; ++i) {
            GpGraphics* graphics = nullptr;
            dxGpApi.GdipCreateFromHDC(dc, &graphics);
            for (int column = 0; column < 3; ++column)
                for (int row = 0; row < 3; ++row)
                    dxGpApi.GdipDrawImageRectRect(graphics, image, dx[column][0], dy[row][0], dx[column][1],
                                                  dy[row][1], src[column][0], src[row][0], src[column][1],
                                                  src[row][1], 2, nullptr, nullptr, nullptr);
            dxGpApi.GdipDeleteGraphics(graphics);
        }
    };
    auto [renderMs, directMs] = BestPairMs(render, direct, 5);
    Report(what, renderMs, "nine GdipDrawImageRectRect per draw", directMs, target);
}

} // namespace

int main() {
    InitializeUnits(SkinsCoreUnits());
    if (!IsGdiPlusAvailable()) {
        std::printf("GDI+ is not available\n");
        return 1;
    }
    {
        TdxSkinElement element(nullptr, "Button");
        SetNinePartPicture(element.Image());
        TcxBitmap target(100, 40);
        RenderBesideDirect(element, target.Canvas().Handle(), "Render 75x23 nine parts x10000", 1.3);
        // A window's DC: its depth is asked of the display, wineserver round trips under Wine;
        // shown beside the same draws for the record.
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 40, nullptr, nullptr,
                                      nullptr, nullptr);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        HDC windowDC = GetDC(window);
        RenderBesideDirect(element, windowDC, "Render on a window DC x10000", 0);
        ReleaseDC(window, windowDC);
        DestroyWindow(window);
    }
    {
        TdxSkinElement element(nullptr, "Frame");
        SetNinePartPicture(element.Image());
        TdxSkinElementCache cache;
        const TRect r{0, 0, 400, 30};
        cache.CheckCacheState(&element, r);
        TcxBitmap target(400, 30), source(400, 30);
        HDC dc = target.Canvas().Handle(), sourceDC = source.Canvas().Handle();
        const int draws = 10000;
        auto [cached, blit] = BestPairMs(
            [&] {
                for (int i = 0; i < draws; ++i) {
                    cache.CheckCacheState(&element, r);
                    cache.Draw(dc, r);
                }
            },
            [&] {
                for (int i = 0; i < draws; ++i)
                    BitBlt(dc, 0, 0, 400, 30, sourceDC, 0, 0, SRCCOPY);
            });
        Report("Cache Draw opaque 400x30 x10000", cached, "BitBlt 400x30", blit, 1.1);
    }
    {
        // A built-in pack from the program's resources.
        TResourceStream resource(GetModuleHandle(nullptr), "OFFICE2007BLUE", "DXSKINS");
        TMemoryStream pack;
        pack.CopyFrom(&resource, 0);
        TdxSkinInfo info(new TdxSkin("Office2007Blue"));
        const int runs = 20;
        auto load = [&] {
            for (int i = 0; i < runs; ++i) {
                TdxSkin skin("Office2007Blue");
                pack.SetPosition(0);
                skin.LoadFromStream(&pack);
            }
        };
        pack.SetPosition(0);
        info.Skin->LoadFromStream(&pack);
        auto lookups = [&] {
            for (int i = 0; i < runs; ++i) {
                info.FinalizeInfo();
                info.InitializeInfo();
            }
        };
        auto [lookupMs, loadMs] = BestPairMs(lookups, load, 5);
        std::printf("pack Office2007Blue: %lld bytes\n", static_cast<long long>(pack.Size()));
        Report("InitializeInfo x20", lookupMs, "LoadFromStream of that pack x20", loadMs, 0);
    }
    FinalizeUnits();
    return 0;
}
