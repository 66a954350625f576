#include "ui/core/GraphicsRoutines.h"

#include <cmath>

int ClampColorChannel(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

RGBQUAD ColorToRGBQuad(TColor color, BYTE alpha) {
    COLORREF rgb = ColorToRGB(color);
    return RGBQUAD{GetBValue(rgb), GetGValue(rgb), GetRValue(rgb), alpha};
}

void BitBltRect(HDC destDC, HDC srcDC, const TRect& destRect, TPoint srcTopLeft, DWORD rop) {
    BitBlt(destDC, destRect.left, destRect.top, destRect.right - destRect.left,
           destRect.bottom - destRect.top, srcDC, srcTopLeft.x, srcTopLeft.y, rop);
}

void BlendPixel(RGBQUAD src, RGBQUAD& dst, BYTE alpha) {
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const float k = alpha / 255.0f;
    const float inverse = 1.0f - (src.rgbReserved * k) / 255.0f;
    auto mix = [&](BYTE s, BYTE d) {
        return static_cast<BYTE>(ClampColorChannel(static_cast<int>(std::nearbyint(s * k + d * inverse))));
    };
    dst.rgbBlue = mix(src.rgbBlue, dst.rgbBlue);
    dst.rgbGreen = mix(src.rgbGreen, dst.rgbGreen);
    dst.rgbRed = mix(src.rgbRed, dst.rgbRed);
    dst.rgbReserved = mix(src.rgbReserved, dst.rgbReserved);
}
