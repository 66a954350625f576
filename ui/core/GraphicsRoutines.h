#pragma once
// Free colour and pixel routines shared by the canvas, the bitmaps and the painters.
#include <memory>
#include <vector>

#include "platform/graphics/Graphics.h"

// 32-bit pixels in the RGBQUAD order (blue, green, red, alpha), row after row.
using TRGBColors = std::vector<RGBQUAD>;

// The nearest colour the screen can show.
TColor GetNearestScreenColor(TColor color);
int ClampColorChannel(int value);
// The colour resolved to RGB (system colours looked up) as one pixel with that alpha.
RGBQUAD ColorToRGBQuad(TColor color, BYTE alpha = 0);
// Percentages (possibly negative) of clBtnFace, clHighlight and clWindow, each channel clamped;
// clHighlight when the button face is black or white.
TColor MixSystemColors(int btnFacePercent, int highlightPercent, int windowPercent);
// Selection tints mixed from clBtnFace, clHighlight and clWindow; clHighlight when the button
// face is black or white.
TColor GetLightSelectionColor();
TColor GetLightPressedSelectionColor();

// Width x height pixels of the bitmap, rows top-down or bottom-up.
void ReadBitmapPixels(TBitmap* bitmap, bool topDown, TRGBColors& pixels);
// Writes them back and releases the array.
void WriteBitmapPixels(TBitmap* bitmap, TRGBColors& pixels, bool topDown);

// BitBlt of destRect's size from srcTopLeft.
void BitBltRect(HDC destDC, HDC srcDC, const TRect& destRect, TPoint srcTopLeft, DWORD rop);
// Marks functions whose float arithmetic must round to single precision at every step: SSE
// arithmetic does, the x87 unit would keep extra bits between steps.
#define VZ_SINGLE_PRECISION __attribute__((target("sse2,fpmath=sse")))

// Source over destination with a pre-multiplied source and a constant alpha, in single precision.
void BlendPixel(RGBQUAD src, RGBQUAD& dst, BYTE alpha);

class TCustomImageList;

// ---------------------------------------------------------------------------------------------
// Rectangles and bitmaps.
void ShrinkRectByMargins(TRect& rect, const TRect& margins);
bool IsSameRectSize(const TRect& r1, const TRect& r2);
bool IsNonEmptyBitmap(TBitmap* bitmap);
bool IsImageIndexValid(TCustomImageList* imageList, int index);
// Pixel format first, then width, then height. The caller owns the bitmap.
std::unique_ptr<TBitmap> CreateSizedBitmap(int width, int height, TPixelFormat pixelFormat);
std::unique_ptr<TBitmap> CreateBitmapForRect(const TRect& rect, TPixelFormat pixelFormat);
int GetBitmapBitsPerPixel(TBitmap* bitmap);
// The whole source onto the whole destination in the destination's stretch mode.
void StretchBitmap(TBitmap* dest, TBitmap* src);
// A black pf32bit bitmap of the area's size with the area copied in.
std::unique_ptr<TBitmap> CopyDCAreaToBitmap(HDC srcDC, const TRect& srcRect);
void DrawBitmap(HDC destDC, TBitmap* bitmap, const TRect& destRect, TPoint srcTopLeft, DWORD rop = SRCCOPY);

// ---------------------------------------------------------------------------------------------
// Blending and resampling.
// The system's AlphaBlend with per-pixel alpha and a constant alpha; False when it is absent.
bool SystemAlphaBlend(HDC destDC, HDC srcDC, const TRect& destRect, BYTE alpha, const TRect& srcRect);
// The system blend where it serves (no smooth stretching), else the software path.
void AlphaBlendDC(HDC destDC, HDC srcDC, const TRect& destRect, const TRect& srcRect, bool smooth = false,
                  BYTE alpha = 255);
void AlphaBlendBitmaps(TBitmap* destBitmap, TBitmap* srcBitmap, const TRect& destRect, const TRect& srcRect,
                       bool smooth = false, BYTE alpha = 255);
// Fills dest (already sized) with src resampled to dest's size.
void ResampleBitmapLanczos3(TBitmap* src, TBitmap* dest);

struct TContributor {
    int pixel;  // source index, always inside 0..count-1
    int weight; // filter value x 256
};
struct TContributorEntry {
    int n;
    std::vector<TContributor> items;
};
using TContributorList = std::vector<TContributorEntry>;
// The Lanczos-3 weights of each of outputs pixels over count inputs at that scale.
TContributorList BuildContributors(int outputs, int count, float scale);

using TAlphaBlendFunc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
// Test hook: replaces the bound system function (nullptr: as if msimg32 had none); returns the old.
TAlphaBlendFunc SetSystemAlphaBlendForTest(TAlphaBlendFunc function);

// ---------------------------------------------------------------------------------------------
// Text and devices.
int DrawAnsiText(HDC dc, const AnsiString& text, int count, TRect& rect, UINT format);
BOOL ExtTextOutAnsi(HDC dc, const AnsiString& text, TPoint point, int count, UINT options,
                    const TRect* clipRect);
BOOL GetAnsiTextExtent(HDC dc, const AnsiString& text, TSize& size, int count = -1);
void InvalidateWindowRect(HWND window, const TRect& rect, bool erase);
bool ReadBitmapObject(HGDIOBJ handle, BITMAP& bitmap);
bool ReadLogFont(HGDIOBJ handle, LOGFONTA& logFont);

// The size of the current mouse cursor: its mask width and the distance from the hot spot down to
// its lowest visible row; SM_CXCURSOR x SM_CYCURSOR when the mask cannot be read.
TSize MeasureCurrentCursor();

class TWinControl;
class TcxCanvas;
// What lies behind a transparent control: its parent (and, when asked, the sibling windows below
// it) painted into the canvas at rect of the control.
void PaintBackgroundBehindControl(TWinControl* control, TcxCanvas& canvas, const TRect& rect,
                                  bool includeEarlierSiblings);
void PaintParentBackground(TWinControl* control, TcxCanvas& canvas, const TRect& rect);

// Unit start (binds AlphaBlend from msimg32) and end (releases it and the shared screen canvas).
void GraphicsInitialize();
void GraphicsFinalize();
