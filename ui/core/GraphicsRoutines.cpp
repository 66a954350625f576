#include "ui/core/GraphicsRoutines.h"

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
