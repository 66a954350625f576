#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "PaintSurface.h"
#include "ui/core/Bitmaps.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/SystemInfo.h"

namespace {
bool SamePixel(RGBQUAD a, RGBQUAD b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

std::string Text(RGBQUAD p) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%d,%d,%d,%d", p.rgbBlue, p.rgbGreen, p.rgbRed, p.rgbReserved);
    return buffer;
}

DWORD& PixelAt(TBitmap& bitmap, int x, int y) {
    return static_cast<DWORD*>(bitmap.ScanLine(y))[x];
}
} // namespace

TEST(GraphicsBlend, BlendPixelTable) {
    struct {
        const char* name;
        RGBQUAD src, dst;
        BYTE alpha;
        RGBQUAD expected;
    } cases[] = {
        {"opaque source, full alpha", {10, 20, 30, 255}, {200, 100, 50, 255}, 255, {10, 20, 30, 255}},
        {"alpha 0 keeps the destination", {10, 20, 30, 255}, {200, 100, 50, 7}, 0, {200, 100, 50, 7}},
        {"transparent source adds, clamped", {10, 20, 30, 0}, {250, 100, 0, 0}, 255, {255, 120, 30, 0}},
        {"constant alpha over a half-covered source",
         {64, 32, 128, 128},
         {200, 16, 255, 0},
         200,
         {171, 35, 255, 100}},
        // 255 x 128/255 + 1 x 0.5000076 is 128.5 in single precision: the even neighbour wins.
        {"halves to even", {255, 255, 255, 254}, {1, 1, 1, 0}, 128, {128, 128, 128, 127}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RGBQUAD dst = c.dst;
        BlendPixel(c.src, dst, c.alpha);
        EXPECT_TRUE(SamePixel(dst, c.expected)) << Text(dst);
    }
}

TEST(GraphicsResample, ContributorsStayInRangeAndMirrorAtTheEdges) {
    struct {
        int outputs, count;
        float scale;
    } cases[] = {{3, 1, 3.0f},   {7, 2, 6.0f},       {1, 10, 0.1f},
                 {10, 10, 1.0f}, {5, 16, 4.0f / 15}, {16, 5, 15.0f / 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " to " << c.outputs);
        TContributorList list = BuildContributors(c.outputs, c.count, c.scale);
        ASSERT_EQ(list.size(), static_cast<size_t>(c.outputs));
        for (const TContributorEntry& entry : list) {
            EXPECT_EQ(entry.n, static_cast<int>(entry.items.size()));
            int sum = 0;
            for (const TContributor& item : entry.items) {
                EXPECT_GE(item.pixel, 0);
                EXPECT_LT(item.pixel, c.count);
                EXPECT_NE(item.weight, 0);
                sum += item.weight;
            }
            EXPECT_NEAR(sum, 256, 8);
        }
    }
    // At scale 1 every other tap falls on a zero of the filter: one item of full weight each.
    TContributorList same = BuildContributors(10, 10, 1.0f);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(same[i].n, 1);
        EXPECT_EQ(same[i].items[0].pixel, i);
        EXPECT_EQ(same[i].items[0].weight, 256);
    }
    // Half a pixel in from either edge: index -1 reads 1 beside index 1, index count reads
    // count - 1 beside count - 1 itself.
    TContributorList half = BuildContributors(20, 10, 2.0f);
    auto reads = [](const TContributorEntry& entry, int pixel) {
        return std::count_if(entry.items.begin(), entry.items.end(),
                             [&](const TContributor& item) { return item.pixel == pixel; });
    };
    EXPECT_EQ(reads(half[1], 1), 2);
    EXPECT_EQ(reads(half[19], 9), 2);
}

TEST(GraphicsResample, UniformPicturesStayUniform) {
    struct {
        int sw, sh, dw, dh;
    } cases[] = {{1, 1, 3, 3}, {2, 2, 7, 7}, {10, 10, 1, 1}, {40, 30, 16, 12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " to " << c.dw << "x" << c.dh);
        TBitmap src(c.sw, c.sh, pf32bit), dest(c.dw, c.dh, pf32bit);
        for (int y = 0; y < c.sh; ++y)
            for (int x = 0; x < c.sw; ++x)
                PixelAt(src, x, y) = 0xFF2080C0;
        ResampleBitmapLanczos3(&src, &dest);
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) {
                DWORD p = PixelAt(dest, x, y);
                // The weights are not normalised: between pixels they add up to a little less.
                EXPECT_NEAR(static_cast<int>(p & 0xFF), 0xC0, 6);
                EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 0x80, 4);
                EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x20, 2);
            }
    }
    TBitmap empty, dest(2, 2, pf32bit);
    ResampleBitmapLanczos3(&empty, &dest); // nothing happens
}

namespace {
// A source with distinct pre-multiplied pixels and a destination with its own colours.
struct BlendScene {
    TcxBitmap src{8, 4};
    TPaintSurface surface{8, 4};
    BlendScene() {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) {
                BYTE a = static_cast<BYTE>(x * 36);
                BYTE c = static_cast<BYTE>(a * (y + 1) / 4);
                PixelAt(src, x, y) = (DWORD(a) << 24) | (DWORD(c) << 16) | (DWORD(a - c) << 8) | c / 2;
            }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                SetPixel(surface.DC(), x, y, RGB(30 * x, 200 - 40 * y, 90));
    }
    RGBQUAD Expected(int x, int y, BYTE alpha) {
        DWORD s = PixelAt(src, x, y);
        COLORREF d = GetPixel(surface.DC(), x, y);
        RGBQUAD sp, dp{GetBValue(d), GetGValue(d), GetRValue(d), 0};
        std::memcpy(&sp, &s, 4);
        BlendPixel(sp, dp, alpha);
        return dp;
    }
};
} // namespace

TEST(GraphicsBlend, BothPathsGiveBlendPixel) {
    for (bool system : {true, false}) {
        SCOPED_TRACE(system ? "system" : "software");
        BlendScene scene;
        RGBQUAD expected[8][4];
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 4; ++y)
                expected[x][y] = scene.Expected(x, y, 150);
        TAlphaBlendFunc bound = system ? nullptr : SetSystemAlphaBlendForTest(nullptr);
        AlphaBlendDC(scene.surface.DC(), scene.src.Canvas().Handle(), Rect(0, 0, 8, 4), Rect(0, 0, 8, 4),
                     false, 150);
        if (!system) SetSystemAlphaBlendForTest(bound);
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 4; ++y) {
                COLORREF got = scene.surface.At(x, y);
                const RGBQUAD& e = expected[x][y];
                int tolerance = system ? 1 : 0; // the system blends in integers
                EXPECT_NEAR(GetRValue(got), e.rgbRed, tolerance) << x << "," << y;
                EXPECT_NEAR(GetGValue(got), e.rgbGreen, tolerance) << x << "," << y;
                EXPECT_NEAR(GetBValue(got), e.rgbBlue, tolerance) << x << "," << y;
            }
    }
}

TEST(GraphicsBlend, SmoothStretchingTakesTheSoftwarePath) {
    // A uniform half-transparent source stretched smoothly blends like one pixel of it.
    TcxBitmap src(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            PixelAt(src, x, y) = 0x80400000; // red 64, alpha 128
    TPaintSurface surface(12, 12, RGB(0, 0, 200));
    AlphaBlendDC(surface.DC(), src.Canvas().Handle(), Rect(0, 0, 12, 12), Rect(0, 0, 4, 4), true, 255);
    RGBQUAD expected{200, 0, 0, 0};
    BlendPixel(RGBQUAD{0, 0, 64, 128}, expected, 255);
    for (int i : {0, 5, 11}) {
        COLORREF got = surface.At(i, i);
        EXPECT_NEAR(GetRValue(got), expected.rgbRed, 2);
        EXPECT_NEAR(GetBValue(got), expected.rgbBlue, 2);
    }
}

namespace {
// A monochrome 32 x 32 cursor; andRows / xorRows mark the rows from the top that show something.
HCURSOR MonoCursor(int hotY, int andRows, int xorRows) {
    BYTE andBits[128], xorBits[128];
    std::memset(andBits, 0xFF, sizeof(andBits));
    std::memset(xorBits, 0, sizeof(xorBits));
    for (int row = 0; row < andRows; ++row)
        std::memset(andBits + row * 4, 0, 4);
    for (int row = 0; row < xorRows; ++row)
        std::memset(xorBits + row * 4, 0xFF, 4);
    return CreateCursor(GetModuleHandleA(nullptr), 1, hotY, 32, 32, andBits, xorBits);
}
} // namespace

TEST(GraphicsCursor, MeasuresDownFromTheHotSpot) {
    const TSize start{GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR)};
    struct {
        const char* name;
        int hotY, andRows, xorRows;
        int height;
    } cases[] = {
        {"visible rows 0 to 9, hot spot 2", 2, 10, 0, 7},
        {"visible rows 0 to 19, hot spot 0", 0, 20, 0, 19},
        {"empty AND mask: the XOR part counts", 0, 0, 5, 4},
    };
    HCURSOR previous = GetCursor();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HCURSOR cursor = MonoCursor(c.hotY, c.andRows, c.xorRows);
        ASSERT_NE(cursor, nullptr);
        SetCursor(cursor);
        TSize size = MeasureCurrentCursor();
        EXPECT_EQ(size.cx, 32);
        EXPECT_EQ(size.cy, c.height);
        SetCursor(previous);
        DestroyCursor(cursor);
    }

    // A mask less high than wide: nothing before the mask data is read, the start values stand.
    HBITMAP mask = CreateBitmap(32, 16, 1, 1, nullptr);
    ICONINFO info{FALSE, 0, 0, mask, nullptr};
    HCURSOR flat = reinterpret_cast<HCURSOR>(CreateIconIndirect(&info));
    ASSERT_NE(flat, nullptr);
    SetCursor(flat);
    TSize size = MeasureCurrentCursor();
    SetCursor(previous);
    DestroyCursor(flat);
    DeleteObject(mask);
    EXPECT_EQ(size.cx, start.cx);
    EXPECT_EQ(size.cy, start.cy);
}

TEST(GraphicsBitmaps, SmallRoutines) {
    TRect r = Rect(10, 20, 110, 220);
    ShrinkRectByMargins(r, Rect(1, 2, 3, 4));
    EXPECT_TRUE(EqualRect(&r, &(const RECT&)Rect(11, 22, 107, 216)));
    EXPECT_TRUE(IsSameRectSize(Rect(0, 0, 5, 6), Rect(10, 10, 15, 16)));
    EXPECT_FALSE(IsSameRectSize(Rect(0, 0, 5, 6), Rect(0, 0, 6, 5)));
    EXPECT_FALSE(IsNonEmptyBitmap(nullptr));
    TBitmap empty;
    EXPECT_FALSE(IsNonEmptyBitmap(&empty));
    struct {
        TPixelFormat format;
        int bits;
    } formats[] = {{pf1bit, 1}, {pf24bit, 24}, {pf32bit, 32}};
    for (const auto& f : formats) {
        auto bitmap = CreateSizedBitmap(3, 2, f.format);
        EXPECT_EQ(GetBitmapBitsPerPixel(bitmap.get()), f.bits);
        EXPECT_TRUE(IsNonEmptyBitmap(bitmap.get()));
    }
    TPaintSurface surface(10, 10, RGB(1, 2, 3));
    SetPixel(surface.DC(), 4, 5, RGB(200, 0, 0));
    auto copy = CopyDCAreaToBitmap(surface.DC(), Rect(3, 4, 8, 9));
    EXPECT_EQ(copy->Width(), 5);
    EXPECT_EQ(copy->PixelFormat(), pf32bit);
    EXPECT_EQ(PixelAt(*copy, 1, 1) & 0xFFFFFF, 0xC80000u);
    EXPECT_EQ(PixelAt(*copy, 0, 0) & 0xFFFFFF, 0x010203u);
}

namespace {
// Pretends to run on another platform for the time of a test.
class PlatformSeam {
public:
    PlatformSeam(unsigned platformId, unsigned major, unsigned minor) {
        SetSystemInfoForTest(platformId, major, minor);
    }
    ~PlatformSeam() { InitializeSystemInfo(); }
};
} // namespace

TEST(GraphicsSystemInfo, FlagsByPlatformAndVersion) {
    struct {
        unsigned id, major, minor;
        bool win9x, win2000, xpOrLater, nt4OrLater;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false, false, false},
        {VER_PLATFORM_WIN32s, 3, 1, true, false, false, false},
        {VER_PLATFORM_WIN32_NT, 4, 0, false, false, false, true},
        {VER_PLATFORM_WIN32_NT, 5, 0, false, true, false, true},
        {VER_PLATFORM_WIN32_NT, 5, 1, false, false, true, true},
        {VER_PLATFORM_WIN32_NT, 6, 0, false, false, false, true},
        {VER_PLATFORM_WIN32_NT, 6, 1, false, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " " << c.major << "." << c.minor);
        PlatformSeam seam(c.id, c.major, c.minor);
        EXPECT_EQ(IsWin9XPlatform(), c.win9x);
        EXPECT_EQ(IsWin2000(), c.win2000);
        EXPECT_EQ(IsWinXPOrLater(), c.xpOrLater);
        EXPECT_EQ(IsWinNT4OrLater(), c.nt4OrLater);
    }
}

TEST(GraphicsBitmaps, DrawBitmapClearsAlphaForShallowBitmapsOnWindows9x) {
    TBitmap picture(4, 3, pf24bit);
    picture.Canvas().Brush().SetColor(clRed);
    picture.Canvas().FillRect(Rect(0, 0, 4, 3));
    for (bool win9x : {false, true}) {
        SCOPED_TRACE(win9x);
        PlatformSeam seam(win9x ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT, win9x ? 4 : 5, 1);
        TcxBitmap target(6, 5);
        target.ApplyFilter(bfOpaque); // every alpha byte 255 before
        DrawBitmap(target.Canvas().Handle(), &picture, Rect(1, 1, 4, 3), {1, 0});
        EXPECT_EQ(PixelAt(target, 1, 1) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(PixelAt(target, 3, 2) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(PixelAt(target, 4, 1) >> 24, 255u); // outside: untouched
        if (win9x) {
            EXPECT_EQ(PixelAt(target, 1, 1) >> 24, 0u);
        }
    }
}
