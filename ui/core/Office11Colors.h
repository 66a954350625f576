#pragma once
// The Office 2003 look's colours: fixed sets for the three colour variants of the standard XP
// style, else derived from the system colours; the size-grip brushes, the expand-button bitmaps,
// a two-colour gradient and the Office 2003 size grip.
#include <memory>

#include "platform/graphics/Graphics.h"
#include "ui/core/GraphicsRoutines.h"

// Scheme numbers.
constexpr int Office11SchemeNone = 0;
constexpr int Office11SchemeBlue = 1;   // "NORMALCOLOR"
constexpr int Office11SchemeOlive = 2;  // "HOMESTEAD"
constexpr int Office11SchemeSilver = 3; // "METALLIC"

extern TColor Office11LightColor;
extern TColor Office11DarkColor;
extern TColor Office11ButtonFaceColor;
extern TColor Office11TabColor;
extern TColor Office11GroupByBoxColor;
extern TColor Office11GripDarkColor;
extern TColor Office11GripLightColor;
extern TColor Office11HeaderShadowColor;
extern TColor Office11HeaderHighlightColor;
extern TColor Office11FilterBoxColor;
extern TColor Office11FilterBoxTextColor;
extern TColor Office11ControlBorderColor;
extern TColor Office11SelectedBorderColor;
extern TColor Office11HotColor;
extern TColor Office11HotDarkColor;
extern TColor Office11PressedColor;
extern TColor Office11PressedDarkColor;
extern TColor Office11TextColor;
extern TColor Office11DisabledTextColor;
extern TColor Office11GroupRowColor;
extern TColor Office11DateSelectionColor;
extern TColor Office11SchedulerControlColor;
extern TColor Office11SchedulerBorderColor;

// Fixed corner colours of the expand buttons.
constexpr TColor Office11ExpandButtonTopLeftCornerColor = 0xBFAE9E; // RGB(158, 174, 191)
constexpr TColor Office11ExpandButtonOtherCornersColor = 0x5F462E;  // RGB(46, 70, 95)

// Brushes and bitmaps; they exist while the colours are acquired.
HBRUSH Office11GripDarkBrush();
HBRUSH Office11GripLightBrush();
TBitmap* Office11ExpandButtonBitmap(bool expanded); // "DXEXPANDBUTTON_MINUS" when expanded
TBitmap* Office11SubMenuExpandBitmap();             // "DXSUBMENUEXPAND", recoloured

// Every pixel but the background (the top-left one) and black becomes a mix of the light and
// dark colours by its red level; done to "DXSUBMENUEXPAND" when it is loaded.
void RecolorOffice11SubMenuExpand(TBitmap& bitmap);

// The first call computes the colours and makes brushes and bitmaps; every call counts.
void AcquireOffice11Colors();
// Recomputes the colours; while acquired also remakes brushes and bitmaps.
void ReloadOffice11Colors();
// At the last release brushes and bitmaps are freed.
void DropOffice11Colors();
int Office11ColorsUsers();

int DetectOffice11Scheme();
// Visual styles are usable and the scheme of the last computation is not 0.
bool Office11SchemeInUse();

// APercent of AColor1 and the rest of AColor2, as the nearest colour the screen can show.
TColor MixColors(TColor color1, TColor color2, int percent);
TColor DarkenColor(TColor color, int percent);
TColor LightenColor(TColor color, int percent);

// From AColor1 to AColor2, left to right when horizontal, else top to bottom.
void PaintGradient(HDC dc, const TRect& rect, TColor color1, TColor color2, bool horizontal);
void FillRectSolid(HDC dc, const TRect& rect, TColor color);
// clDefault selects the scheme's grip brushes.
void PaintOffice11SizeGrip(HDC dc, const TRect& rect, TColor darkColor = clDefault,
                           TColor lightColor = clDefault);

// The GradientFill entry point of msimg32 (nullptr when absent). Setting it returns the
// previous one; tests set nullptr to take the software path.
using TGradientFillProc = BOOL(WINAPI*)(HDC dc, PTRIVERTEX vertices, ULONG vertexCount, PVOID mesh,
                                        ULONG meshCount, ULONG mode);
TGradientFillProc GradientFillEntry();
TGradientFillProc SetGradientFillEntry(TGradientFillProc entry);

// Unit start: msimg32 is loaded and GradientFill bound when present. Unit end: it is freed.
void Office11ColorsInitialize();
void Office11ColorsFinalize();
