#include "ui/core/GraphicsRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

#include "platform/forms/Forms.h"
#include "platform/graphics/ImageList.h"
#include "ui/core/Bitmaps.h"
#include "ui/core/SystemInfo.h"
#include "ui/core/ThemeBinding.h"

#include "ui/core/Canvas.h"
#include "ui/core/ImageList.h"

namespace {

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

TColor MixSystemColors(int btnFacePercent, int highlightPercent, int windowPercent) {
    COLORREF face = ColorToRGB(clBtnFace) & 0xFFFFFF;
    COLORREF highlight = ColorToRGB(clHighlight) & 0xFFFFFF;
    if (face == 0 || face == 0xFFFFFF) return static_cast<TColor>(highlight);
    COLORREF window = ColorToRGB(clWindow) & 0xFFFFFF;
    auto channel = [&](int shift) {
        return ClampColorChannel(MulDiv((face >> shift) & 0xFF, btnFacePercent, 100) +
                                 MulDiv((highlight >> shift) & 0xFF, highlightPercent, 100) +
                                 MulDiv((window >> shift) & 0xFF, windowPercent, 100));
    };
    return static_cast<TColor>(RGB(channel(0), channel(8), channel(16)));
}

TColor GetLightSelectionColor() {
    return GetNearestScreenColor(MixSystemColors(14, 44, 40));
}

TColor GetLightPressedSelectionColor() {
    return GetNearestScreenColor(MixSystemColors(-2, 30, 72));
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
// lrintf rounds in the default rounding mode: halves to the even neighbour.
inline int RoundToEven(float value) {
    return static_cast<int>(std::lrintf(value));
}

// The factors of one constant alpha: source channel x k, and the share left to the destination
// for each source alpha.
struct TBlendFactors {
    float sourceShare[256];
    float destShare[256];
};

VZ_SINGLE_PRECISION void MakeBlendFactors(BYTE alpha, TBlendFactors& factors) {
    const float k = alpha / 255.0f;
    for (int v = 0; v < 256; ++v) {
        factors.sourceShare[v] = v * k;
        factors.destShare[v] = 1.0f - (v * k) / 255.0f;
    }
}

VZ_SINGLE_PRECISION inline BYTE Mix(const TBlendFactors& f, BYTE s, BYTE d, float inverse) {
    return static_cast<BYTE>(ClampColorChannel(RoundToEven(f.sourceShare[s] + d * inverse)));
}

VZ_SINGLE_PRECISION void BlendRow(const TBlendFactors& f, const RGBQUAD* src, RGBQUAD* dst, int count) {
    for (int i = 0; i < count; ++i) {
        const RGBQUAD s = src[i];
        RGBQUAD& d = dst[i];
        const float inverse = f.destShare[s.rgbReserved];
        d.rgbBlue = Mix(f, s.rgbBlue, d.rgbBlue, inverse);
        d.rgbGreen = Mix(f, s.rgbGreen, d.rgbGreen, inverse);
        d.rgbRed = Mix(f, s.rgbRed, d.rgbRed, inverse);
        d.rgbReserved = Mix(f, s.rgbReserved, d.rgbReserved, inverse);
    }
}
} // namespace

namespace {
VZ_SINGLE_PRECISION inline BYTE MixChannel(BYTE s, BYTE d, float k, float inverse) {
    return static_cast<BYTE>(ClampColorChannel(RoundToEven(s * k + d * inverse)));
}
} // namespace

VZ_SINGLE_PRECISION void BlendPixel(RGBQUAD src, RGBQUAD& dst, BYTE alpha) {
    const float k = alpha / 255.0f;
    const float inverse = 1.0f - (src.rgbReserved * k) / 255.0f;
    dst.rgbBlue = MixChannel(src.rgbBlue, dst.rgbBlue, k, inverse);
    dst.rgbGreen = MixChannel(src.rgbGreen, dst.rgbGreen, k, inverse);
    dst.rgbRed = MixChannel(src.rgbRed, dst.rgbRed, k, inverse);
    dst.rgbReserved = MixChannel(src.rgbReserved, dst.rgbReserved, k, inverse);
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
    // A copy of the same size needs no scaling: the source bitmap stands in for the scaled one.
    std::unique_ptr<TBitmap> scaledOwn;
    TBitmap* scaled = source.get();
    if (smooth || !IsSameRectSize(destRect, srcRect)) {
        scaledOwn = CreateBitmapForRect(destRect, pf32bit);
        scaled = scaledOwn.get();
        if (smooth)
            ResampleBitmapLanczos3(source.get(), scaled);
        else
            StretchBitmap(scaled, source.get());
    }
    TRect all = Rect(0, 0, target->Width(), target->Height());
    if (!target->Empty() &&
        !SystemAlphaBlend(target->Canvas().Handle(), scaled->Canvas().Handle(), all, alpha, all)) {
        // Both are our own 32-bit DIB sections of one size: blend their rows in place.
        GdiFlush();
        TBlendFactors factors;
        MakeBlendFactors(alpha, factors);
        for (int y = 0; y < target->Height(); ++y)
            BlendRow(factors, static_cast<const RGBQUAD*>(scaled->ScanLine(y)),
                     static_cast<RGBQUAD*>(target->ScanLine(y)), target->Width());
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
VZ_SINGLE_PRECISION float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = 3.14159265f * x;
    return std::sin(px) / px;
}

VZ_SINGLE_PRECISION float Lanczos3(float x) {
    if (std::fabs(x) >= 3.0f) return 0.0f;
    return Sinc(x) * Sinc(x / 3.0f);
}

// Each sum becomes 0 when negative, else min(255, sum shr 8).
inline BYTE ClampSum(int sum) {
    return static_cast<BYTE>(sum < 0 ? 0 : std::min(255, sum >> 8));
}

// Reflects an index at the edges until it lies inside, so that a wide filter over few pixels
// never reads outside the row.
int MirrorIndex(int j, int count) {
    for (int guard = 0; guard < 64 && (j < 0 || j >= count); ++guard)
        j = j < 0 ? -j : 2 * count - 1 - j;
    return std::clamp(j, 0, count - 1);
}

// Across each row: every output pixel sums its source pixels of the same row. The four channel
// sums of a tap are one SSE2 multiply-add of the pixel's channels by the weight.
template <class Row>
__attribute__((target("sse2"))) TRGBColors ApplyAcross(const TContributorList& list, Row row, int rows) {
    const int outWidth = static_cast<int>(list.size());
    TRGBColors output(static_cast<size_t>(outWidth) * rows);
    const __m128i zero = _mm_setzero_si128();
    for (int y = 0; y < rows; ++y) {
        const RGBQUAD* in = row(y);
        RGBQUAD* out = &output[static_cast<size_t>(y) * outWidth];
        for (int i = 0; i < outWidth; ++i) {
            __m128i sums = zero;
            for (const TContributor& item : list[i].items) {
                int value;
                std::memcpy(&value, &in[item.pixel], sizeof(value));
                __m128i channels =
                    _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(value), zero), zero);
                __m128i weight = _mm_set1_epi32(item.weight & 0xFFFF);
                sums = _mm_add_epi32(sums, _mm_madd_epi16(channels, weight));
            }
            // sum < 0 gives 0, else min(255, sum shr 8): the saturating packs do both.
            __m128i shifted = _mm_srai_epi32(sums, 8);
            __m128i packed = _mm_packus_epi16(_mm_packs_epi32(shifted, zero), zero);
            int result = _mm_cvtsi128_si32(packed);
            std::memcpy(&out[i], &result, sizeof(result));
        }
    }
    return output;
}

// Down each column: every output row sums whole source rows, which keeps the memory walk linear.
__attribute__((target("sse2"))) TRGBColors ApplyDown(const TContributorList& list, const TRGBColors& input,
                                                     int width) {
    const int outHeight = static_cast<int>(list.size());
    TRGBColors output(static_cast<size_t>(width) * outHeight);
    std::vector<int> sums(static_cast<size_t>(width) * 4);
    for (int i = 0; i < outHeight; ++i) {
        std::fill(sums.begin(), sums.end(), 0);
        for (const TContributor& item : list[i].items) {
            const BYTE* in = reinterpret_cast<const BYTE*>(&input[static_cast<size_t>(item.pixel) * width]);
            const int weight = item.weight;
            for (int c = 0; c < width * 4; ++c)
                sums[c] += in[c] * weight;
        }
        BYTE* out = reinterpret_cast<BYTE*>(&output[static_cast<size_t>(i) * width]);
        for (int c = 0; c < width * 4; ++c)
            out[c] = ClampSum(sums[c]);
    }
    return output;
}

float PassScale(int destSize, int srcSize) {
    if (destSize == 1 || srcSize == 1) return static_cast<float>(destSize) / srcSize;
    return static_cast<float>(destSize - 1) / (srcSize - 1);
}
} // namespace

VZ_SINGLE_PRECISION TContributorList BuildContributors(int outputs, int count, float scale) {
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
            int weight = RoundToEven(Lanczos3((center - j) / filterScale) / filterScale * 256.0f);
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
    TRGBColors across;
    {
        TContributorList list = BuildContributors(dw, sw, PassScale(dw, sw));
        if (src->PixelFormat() == pf32bit) {
            // Our 32-bit bitmaps are DIB sections: read their rows where they are.
            GdiFlush();
            across = ApplyAcross(
                list, [&](int y) { return static_cast<const RGBQUAD*>(src->ScanLine(y)); }, sh);
        } else {
            TRGBColors input;
            ReadBitmapPixels(src, true, input);
            across = ApplyAcross(
                list, [&](int y) { return &input[static_cast<size_t>(y) * sw]; }, sh);
        }
    }
    TContributorList list = BuildContributors(dh, sh, PassScale(dh, sh));
    TRGBColors output = ApplyDown(list, across, dw);
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
    if (info.hbmMask && ReadBitmapObject(info.hbmMask, mask) && mask.bmBitsPixel == 1 && mask.bmWidth > 0 &&
        mask.bmHeight > 0) {
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
namespace {
// A sibling's frame, drawn first so that its client paint lands inside it.
void PaintSiblingFrame(TWinControl* window, HDC dc) {
    TRect rect = Rect(0, 0, window->Width(), window->Height());
    LONG exStyle = GetWindowLongA(window->Handle(), GWL_EXSTYLE);
    LONG style = GetWindowLongA(window->Handle(), GWL_STYLE);
    if (exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (style & WS_BORDER)
        DrawEdge(dc, &rect, BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MONO);
    else
        return;
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    OffsetWindowOrgEx(dc, -rect.left, -rect.top, nullptr);
}

// Paints window (the control's parent, or a sibling under it) into the control's canvas: the
// window's point offset lands on the canvas origin.
void PaintWindowBehind(TWinControl* control, TWinControl* window, TcxCanvas& canvas, TPoint offset,
                       TRect rect, bool isParent, bool includeEarlierSiblings) {
    canvas.PushDC();
    try {
        HDC dc = canvas.Handle();
        OffsetWindowOrgEx(dc, offset.x, offset.y, nullptr);
        if (RectVisible(dc, &rect)) {
            window->ControlState.Include(csPaintCopy);
            try {
                if (!isParent) PaintSiblingFrame(window, dc);
                SendMessageA(window->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(dc));
                SendMessageA(window->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
            } catch (...) {
                window->ControlState.Exclude(csPaintCopy);
                throw;
            }
            window->ControlState.Exclude(csPaintCopy);
        }
        if (includeEarlierSiblings) {
            // Bottom of the z-order first, up to the control itself.
            for (int i = 0; i < window->ControlCount(); ++i) {
                TControl* child = window->Controls(i);
                if (child == control) break;
                auto* sibling = dynamic_cast<TWinControl*>(child);
                if (!sibling || !sibling->Visible() || !sibling->HandleAllocated()) continue;
                PaintWindowBehind(control, sibling, canvas, {-sibling->Left(), -sibling->Top()},
                                  Rect(0, 0, sibling->Width(), sibling->Height()), false, false);
            }
        }
    } catch (...) {
        canvas.PopDC();
        throw;
    }
    canvas.PopDC();
}
} // namespace

void PaintBackgroundBehindControl(TWinControl* control, TcxCanvas& canvas, const TRect& rect,
                                  bool includeEarlierSiblings) {
    TWinControl* parent = control->Parent();
    if (!parent) return;
    TRect inParent = rect;
    OffsetRect(&inParent, control->Left(), control->Top());
    PaintWindowBehind(control, parent, canvas, {control->Left(), control->Top()}, inParent, true,
                      includeEarlierSiblings);
}

void PaintParentBackground(TWinControl* control, TcxCanvas& canvas, const TRect& rect) {
    TWinControl* parent = control->Parent();
    if ((parent && parent->DoubleBuffered) || !dxUxTheme::IsThemeLibraryBound())
        PaintBackgroundBehindControl(control, canvas, rect, false);
    else
        dxUxTheme::DrawThemeParentBackground(control->Handle(), canvas.Handle(), &rect);
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
    FreeDrawBuffers();
}
