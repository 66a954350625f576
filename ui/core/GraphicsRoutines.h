#pragma once
// Free colour and pixel routines shared by the canvas, the bitmaps and the painters.
#include <vector>

#include "platform/graphics/Graphics.h"

// 32-bit pixels in the RGBQUAD order (blue, green, red, alpha), row after row.
using TRGBColors = std::vector<RGBQUAD>;

int ClampColorChannel(int value);
// The colour resolved to RGB (system colours looked up) as one pixel with that alpha.
RGBQUAD ColorToRGBQuad(TColor color, BYTE alpha = 0);

// BitBlt of destRect's size from srcTopLeft.
void BitBltRect(HDC destDC, HDC srcDC, const TRect& destRect, TPoint srcTopLeft, DWORD rop);
// Source over destination with a pre-multiplied source and a constant alpha, in single precision.
void BlendPixel(RGBQUAD src, RGBQUAD& dst, BYTE alpha);
