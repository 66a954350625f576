#pragma once
// Free colour and pixel routines shared by the canvas, the bitmaps and the painters.
#include <vector>

#include "platform/graphics/Graphics.h"

// 32-bit pixels in the RGBQUAD order (blue, green, red, alpha), row after row.
using TRGBColors = std::vector<RGBQUAD>;

// The nearest colour the screen can show.
TColor GetNearestScreenColor(TColor color);
int ClampColorChannel(int value);
// The colour resolved to RGB (system colours looked up) as one pixel with that alpha.
RGBQUAD ColorToRGBQuad(TColor color, BYTE alpha = 0);
// Selection tints mixed from clBtnFace, clHighlight and clWindow; clHighlight when the button
// face is black or white.
TColor GetLightSelectionColor();
TColor GetLightPressedSelectionColor();

// Width x height pixels of the bitmap, rows top-down or bottom-up.
void ReadBitmapPixels(TBitmap* bitmap, bool topDown, TRGBColors& pixels);
// Writes them back and releases the array.
void WriteBitmapPixels(TBitmap* bitmap, TRGBColors& pixels, bool topDown);
