#include "ui/core/GraphicsRoutines.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/ImageList.h"
#include "ui/core/Bitmaps.h"
#include "ui/core/SystemInfo.h"

#include "ui/core/Canvas.h"

namespace {

TColor MixTint(int faceWeight, int highlightWeight, int windowWeight) {
    COLORREF face = ColorToRGB(clBtnFace) & 0xFFFFFF;
    COLORREF highlight = ColorToRGB(clHighlight) & 0xFFFFFF;
    if (face == 0 || face == 0xFFFFFF) return GetNearestScreenColor(static_cast<TColor>(highlight));
    COLORREF window = ColorToRGB(clWindow) & 0xFFFFFF;
    auto channel = [&](int shift) {
        return ClampColorChannel(MulDiv((face >> shift) & 0xFF, faceWeight, 100) +
                                 MulDiv((highlight >> shift) & 0xFF, highlightWeight, 100) +
                                 MulDiv((window >> shift) & 0xFF, windowWeight, 100));
    };
    return GetNearestScreenColor(static_cast<TColor>(RGB(channel(0), channel(8), channel(16))));
}

BITMAPINFO PixelHeader(int width, int height, bool topDown) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// GDI reads and writes the bits of a bitmap that is not selected into a DC.
void ReleaseBitmapDC(TBitmap* bitmap) {
    auto& canvas = static_cast<TBitmapCanvas&>(bitmap->Canvas());
    if (canvas.HandleAllocated()) canvas.FreeContext();
}

} // namespace

TColor GetNearestScreenColor(TColor color) {
    HDC dc = GetDC(nullptr);
    COLORREF result = GetNearestColor(dc, ColorToRGB(color));
    ReleaseDC(nullptr, dc);
    return static_cast<TColor>(result);
}

int ClampColorChannel(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

RGBQUAD ColorToRGBQuad(TColor color, BYTE alpha) {
    COLORREF rgb = ColorToRGB(color);
    return RGBQUAD{GetBValue(rgb), GetGValue(rgb), GetRValue(rgb), alpha};
}

TColor GetLightSelectionColor() {
    return MixTint(14, 44, 40);
}

TColor GetLightPressedSelectionColor() {
    return MixTint(-2, 30, 72);
}

void ReadBitmapPixels(TBitmap* bitmap, bool topDown, TRGBColors& pixels) {
    int width = bitmap->Width(), height = bitmap->Height();
    pixels.assign(static_cast<size_t>(width) * height, RGBQUAD{});
    if (bitmap->Empty()) return;
    ReleaseBitmapDC(bitmap);
    BITMAPINFO info = PixelHeader(width, height, topDown);
    GetDIBits(GetSharedScreenCanvas()->Handle(), bitmap->Handle(), 0, height, pixels.data(), &info,
              DIB_RGB_COLORS);
}

void WriteBitmapPixels(TBitmap* bitmap, TRGBColors& pixels, bool topDown) {
    int width = bitmap->Width(), height = bitmap->Height();
    if (!bitmap->Empty() && pixels.size() >= static_cast<size_t>(width) * height) {
        ReleaseBitmapDC(bitmap);
        BITMAPINFO info = PixelHeader(width, height, topDown);
        SetDIBits(GetSharedScreenCanvas()->Handle(), bitmap->Handle(), 0, height, pixels.data(), &info,
                  DIB_RGB_COLORS);
    }
    TRGBColors().swap(pixels);
}

void BitBltRect(HDC destDC, HDC srcDC, const TRect& destRect, TPoint srcTopLeft, DWORD rop) {
    BitBlt(destDC, destRect.left, destRect.top, destRect.right - destRect.left,
           destRect.bottom - destRect.top, srcDC, srcTopLeft.x, srcTopLeft.y, rop);
}

namespace {
// Rounds to single precision: the x87 unit would otherwise keep extra bits between steps.
inline float Single(float value) {
    volatile float stored = value;
    return stored;
}
} // namespace

void BlendPixel(RGBQUAD src, RGBQUAD& dst, BYTE alpha) {
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const float k = Single(alpha / 255.0f);
    const float inverse = Single(1.0f - Single(Single(src.rgbReserved * k) / 255.0f));
    auto mix = [&](BYTE s, BYTE d) {
        float value = Single(Single(s * k) + Single(d * inverse));
        return static_cast<BYTE>(ClampColorChannel(static_cast<int>(std::nearbyint(value))));
    };
    dst.rgbBlue = mix(src.rgbBlue, dst.rgbBlue);
    dst.rgbGreen = mix(src.rgbGreen, dst.rgbGreen);
    dst.rgbRed = mix(src.rgbRed, dst.rgbRed);
    dst.rgbReserved = mix(src.rgbReserved, dst.rgbReserved);
}

// ---------------------------------------------------------------------------------------------
void ShrinkRectByMargins(TRect& rect, const TRect& margins) {
    rect.left += margins.left;
    rect.top += margins.top;
    rect.right -= margins.right;
    rect.bottom -= margins.bottom;
}

bool IsSameRectSize(const TRect& r1, const TRect& r2) {
    return r1.right - r1.left == r2.right - r2.left && r1.bottom - r1.top == r2.bottom - r2.top;
}

bool IsNonEmptyBitmap(TBitmap* bitmap) {
    return bitmap && !bitmap->Empty();
}

bool IsImageIndexValid(TCustomImageList* imageList, int index) {
    return imageList && index >= 0 && index < imageList->Count();
}

std::unique_ptr<TBitmap> CreateSizedBitmap(int width, int height, TPixelFormat pixelFormat) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pixelFormat);
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    return bitmap;
}

std::unique_ptr<TBitmap> CreateBitmapForRect(const TRect& rect, TPixelFormat pixelFormat) {
    return CreateSizedBitmap(rect.right - rect.left, rect.bottom - rect.top, pixelFormat);
}

int GetBitmapBitsPerPixel(TBitmap* bitmap) {
    switch (bitmap->PixelFormat()) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    case pf32bit:
        return 32;
    default:
        return GetDeviceCaps(bitmap->Canvas().Handle(), BITSPIXEL);
    }
}

void StretchBitmap(TBitmap* dest, TBitmap* src) {
    StretchBlt(dest->Canvas().Handle(), 0, 0, dest->Width(), dest->Height(), src->Canvas().Handle(), 0, 0,
               src->Width(), src->Height(), SRCCOPY);
}

std::unique_ptr<TBitmap> CopyDCAreaToBitmap(HDC srcDC, const TRect& srcRect) {
    auto bitmap = CreateBitmapForRect(srcRect, pf32bit);
    HDC dc = bitmap->Canvas().Handle();
    TRect all = Rect(0, 0, bitmap->Width(), bitmap->Height());
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    BitBlt(dc, 0, 0, all.right, all.bottom, srcDC, srcRect.left, srcRect.top, SRCCOPY);
    return bitmap;
}

void DrawBitmap(HDC destDC, TBitmap* bitmap, const TRect& destRect, TPoint srcTopLeft, DWORD rop) {
    // Our bitmaps carry no palette, so no palette is realised here.
    if (IsWin9XPlatform() && GetDeviceCaps(destDC, BITSPIXEL) == 32 && GetBitmapBitsPerPixel(bitmap) < 32) {
        TcxBitmap temporary(destRect);
        BitBltRect(temporary.Canvas().Handle(), bitmap->Canvas().Handle(), temporary.GetImageRect(),
                   srcTopLeft, SRCCOPY);
        temporary.ApplyFilter(bfClearAlpha);
        BitBltRect(destDC, temporary.Canvas().Handle(), destRect, {0, 0}, rop);
        return;
    }
    BitBltRect(destDC, bitmap->Canvas().Handle(), destRect, srcTopLeft, rop);
}

// ---------------------------------------------------------------------------------------------
namespace {
HMODULE msimg32 = nullptr;
TAlphaBlendFunc systemAlphaBlend = nullptr;
} // namespace

TAlphaBlendFunc SetSystemAlphaBlendForTest(TAlphaBlendFunc function) {
    TAlphaBlendFunc previous = systemAlphaBlend;
    systemAlphaBlend = function;
    return previous;
}

bool SystemAlphaBlend(HDC destDC, HDC srcDC, const TRect& destRect, BYTE alpha, const TRect& srcRect) {
    if (!systemAlphaBlend) return false;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    return systemAlphaBlend(destDC, destRect.left, destRect.top, destRect.right - destRect.left,
                            destRect.bottom - destRect.top, srcDC, srcRect.left, srcRect.top,
                            srcRect.right - srcRect.left, srcRect.bottom - srcRect.top, blend) != FALSE;
}

void AlphaBlendDC(HDC destDC, HDC srcDC, const TRect& destRect, const TRect& srcRect, bool smooth,
                  BYTE alpha) {
    const bool stretching = smooth && !IsSameRectSize(destRect, srcRect);
    if (!IsWin9XPlatform() && systemAlphaBlend && !stretching) {
        SystemAlphaBlend(destDC, srcDC, destRect, alpha, srcRect);
        return;
    }
    std::unique_ptr<TBitmap> source = CopyDCAreaToBitmap(srcDC, srcRect);
    std::unique_ptr<TBitmap> target = CopyDCAreaToBitmap(destDC, destRect);
    std::unique_ptr<TBitmap> scaled = CreateBitmapForRect(destRect, pf32bit);
    if (smooth)
        ResampleBitmapLanczos3(source.get(), scaled.get());
    else
        StretchBitmap(scaled.get(), source.get());
    TRect all = Rect(0, 0, target->Width(), target->Height());
    if (!SystemAlphaBlend(target->Canvas().Handle(), scaled->Canvas().Handle(), all, alpha, all)) {
        TRGBColors src, dst;
        ReadBitmapPixels(scaled.get(), false, src);
        ReadBitmapPixels(target.get(), false, dst);
        for (size_t i = 0; i < dst.size(); ++i)
            BlendPixel(src[i], dst[i], alpha);
        WriteBitmapPixels(target.get(), dst, false);
    }
    BitBltRect(destDC, target->Canvas().Handle(), destRect, {0, 0}, SRCCOPY);
}

void AlphaBlendBitmaps(TBitmap* destBitmap, TBitmap* srcBitmap, const TRect& destRect, const TRect& srcRect,
                       bool smooth, BYTE alpha) {
    AlphaBlendDC(destBitmap->Canvas().Handle(), srcBitmap->Canvas().Handle(), destRect, srcRect, smooth,
                 alpha);
}

// ---------------------------------------------------------------------------------------------
namespace {
float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = 3.14159265f * x;
    return std::sin(px) / px;
}

float Lanczos3(float x) {
    if (std::fabs(x) >= 3.0f) return 0.0f;
    return Sinc(x) * Sinc(x / 3.0f);
}

// Reflects an index at the edges until it lies inside, so that a wide filter over few pixels
// never reads outside the row.
int MirrorIndex(int j, int count) {
    for (int guard = 0; guard < 64 && (j < 0 || j >= count); ++guard)
        j = j < 0 ? -j : 2 * count - 1 - j;
    return std::clamp(j, 0, count - 1);
}

TRGBColors ApplyContributors(const TContributorList& list, const TRGBColors& input, int lines, int inputStep,
                             int inputLineStep, int outputStep, int outputLineStep, size_t outputSize) {
    TRGBColors output(outputSize);
    for (int line = 0; line < lines; ++line)
        for (size_t i = 0; i < list.size(); ++i) {
            int b = 0, g = 0, r = 0, a = 0;
            for (const TContributor& item : list[i].items) {
                const RGBQUAD& p = input[static_cast<size_t>(line) * inputLineStep + item.pixel * inputStep];
                b += p.rgbBlue * item.weight;
                g += p.rgbGreen * item.weight;
                r += p.rgbRed * item.weight;
                a += p.rgbReserved * item.weight;
            }
            auto channel = [](int sum) { return static_cast<BYTE>(sum < 0 ? 0 : std::min(255, sum >> 8)); };
            output[static_cast<size_t>(line) * outputLineStep + i * outputStep] =
                RGBQUAD{channel(b), channel(g), channel(r), channel(a)};
        }
    return output;
}

float PassScale(int destSize, int srcSize) {
    if (destSize == 1 || srcSize == 1) return static_cast<float>(destSize) / srcSize;
    return static_cast<float>(destSize - 1) / (srcSize - 1);
}
} // namespace

TContributorList BuildContributors(int outputs, int count, float scale) {
    const float filterScale = scale < 1.0f ? 1.0f / scale : 1.0f;
    const float radius = 3.0f * filterScale;
    TContributorList list(static_cast<size_t>(std::max(outputs, 0)));
    for (int i = 0; i < outputs; ++i) {
        TContributorEntry& entry = list[i];
        entry.items.reserve(static_cast<size_t>(2 * radius + 1));
        const float center = i / scale;
        const int first = static_cast<int>(std::floor(center - radius));
        const int last = static_cast<int>(std::ceil(center + radius));
        for (int j = first; j <= last; ++j) {
            int weight =
                static_cast<int>(std::nearbyint(Lanczos3((center - j) / filterScale) / filterScale * 256.0f));
            if (weight == 0) continue;
            entry.items.push_back({MirrorIndex(j, count), weight});
        }
        entry.n = static_cast<int>(entry.items.size());
    }
    return list;
}

void ResampleBitmapLanczos3(TBitmap* src, TBitmap* dest) {
    const int sw = src->Width(), sh = src->Height(), dw = dest->Width(), dh = dest->Height();
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    TRGBColors input;
    ReadBitmapPixels(src, true, input);
    TRGBColors across;
    {
        TContributorList list = BuildContributors(dw, sw, PassScale(dw, sw));
        across = ApplyContributors(list, input, sh, 1, sw, 1, dw, static_cast<size_t>(dw) * sh);
    }
    TRGBColors().swap(input);
    TContributorList list = BuildContributors(dh, sh, PassScale(dh, sh));
    TRGBColors output = ApplyContributors(list, across, dw, dw, 1, dw, 1, static_cast<size_t>(dw) * dh);
    WriteBitmapPixels(dest, output, true);
}

// ---------------------------------------------------------------------------------------------
int DrawAnsiText(HDC dc, const AnsiString& text, int count, TRect& rect, UINT format) {
    return DrawTextA(dc, text.c_str(), count, &rect, format);
}

BOOL ExtTextOutAnsi(HDC dc, const AnsiString& text, TPoint point, int count, UINT options,
                    const TRect* clipRect) {
    if (count < 0) count = static_cast<int>(text.size());
    return ExtTextOutA(dc, point.x, point.y, options, clipRect, text.c_str(), static_cast<UINT>(count),
                       nullptr);
}

BOOL GetAnsiTextExtent(HDC dc, const AnsiString& text, TSize& size, int count) {
    if (count < 0) count = static_cast<int>(text.size());
    return GetTextExtentPoint32A(dc, text.c_str(), count, &size);
}

void InvalidateWindowRect(HWND window, const TRect& rect, bool erase) {
    InvalidateRect(window, &rect, erase);
}

bool ReadBitmapObject(HGDIOBJ handle, BITMAP& bitmap) {
    return GetObjectA(handle, sizeof(bitmap), &bitmap) != 0;
}

bool ReadLogFont(HGDIOBJ handle, LOGFONTA& logFont) {
    return GetObjectA(handle, sizeof(logFont), &logFont) != 0;
}

// ---------------------------------------------------------------------------------------------
namespace {
// Offset of the first byte in [begin, end) that differs from skip, counted as the bytes after it.
int BytesAfterFirstNot(const BYTE* begin, const BYTE* end, BYTE skip) {
    for (const BYTE* p = begin; p < end; ++p)
        if (*p != skip) return static_cast<int>(end - p - 1);
    return 0;
}
} // namespace

TSize MeasureCurrentCursor() {
    TSize size{GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR)};
    ICONINFO info{};
    if (!GetIconInfo(GetCursor(), &info)) return size;
    BITMAP mask{};
    if (info.hbmMask && ReadBitmapObject(info.hbmMask, mask) && mask.bmWidth > 0 && mask.bmHeight > 0) {
        const int rowBytes = ((mask.bmWidth + 31) / 32) * 4;
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } header{};
        header.header.biSize = sizeof(BITMAPINFOHEADER);
        header.header.biWidth = mask.bmWidth;
        header.header.biHeight = mask.bmHeight;
        header.header.biPlanes = 1;
        header.header.biBitCount = 1;
        header.header.biCompression = BI_RGB;
        std::vector<BYTE> bits(static_cast<size_t>(rowBytes) * mask.bmHeight);
        HDC screen = GetDC(nullptr);
        int rows = GetDIBits(screen, info.hbmMask, 0, mask.bmHeight, bits.data(),
                             reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        const size_t block = static_cast<size_t>(mask.bmWidth) * rowBytes;
        // A mask less high than wide holds no square block: keep the start values.
        if (rows == mask.bmHeight && header.header.biBitCount == 1 && block <= bits.size()) {
            const BYTE* andStart = bits.data() + bits.size() - block;
            int n = BytesAfterFirstNot(andStart, bits.data() + bits.size(), 0xFF);
            if (n == 0 && mask.bmHeight >= 2 * mask.bmWidth &&
                andStart - bits.data() >= static_cast<ptrdiff_t>(block))
                n = BytesAfterFirstNot(andStart - block, andStart, 0);
            size.cx = mask.bmWidth;
            size.cy = n / rowBytes - static_cast<int>(info.yHotspot);
        }
    }
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return size;
}

// ---------------------------------------------------------------------------------------------
void GraphicsInitialize() {
    msimg32 = LoadLibraryA("msimg32.dll");
    systemAlphaBlend = msimg32 ? reinterpret_cast<TAlphaBlendFunc>(
                                     reinterpret_cast<void*>(GetProcAddress(msimg32, "AlphaBlend")))
                               : nullptr;
}

void GraphicsFinalize() {
    systemAlphaBlend = nullptr;
    if (msimg32) FreeLibrary(msimg32);
    msimg32 = nullptr;
    FreeSharedScreenCanvas();
}
