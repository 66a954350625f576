#pragma once
// The progress bar's arithmetic, free of windows and canvases: the layout of the track, the
// filled part, the overload part, the peak mark and the animation band; the value, percent and
// text shown; the LED segmentation; and the motion of the animation band.
#include <vector>

#include "ui/editors/ProgressBar.h"

// The length along the bar a value takes: length × value / range, kept inside [0, length] (NaN
// as 0), so that an empty range or a position far outside it gives no rectangle past the bar.
int ProgressBarLength(int length, double value, double range);
// Max - Min, or 1 when they are equal.
double ProgressBarRange(double min, double max);
// What the bar shows of the range: the whole range in marquee mode, else Position - Min.
double ProgressBarValue(bool marquee, double position, double min, double max);
// Round(V × 100 / R) (ties to even) inside [0, 100].
int ProgressBarPercent(double value, double range);

struct TcxProgressBarTextInput {
    TcxProgressBarTextStyle Style = cxtsPercent;
    bool Marquee = false;
    double Position = 0, Min = 0, Max = 100;
    AnsiString Text;
};
AnsiString ProgressBarText(const TcxProgressBarTextInput& input);

struct TcxProgressBarLayoutInput {
    TRect Bounds{};
    TRect ClientRect{};
    bool InPlace = false;
    bool NativeLook = false;
    TcxProgressBarBarStyle BarStyle = cxbsSolid;
    TcxProgressBarOrientation Orientation = cxorHorizontal;
    int BorderWidth = 0;
    bool Marquee = false;
    double Min = 0, Max = 100, Position = 0;
    bool ShowOverload = false;
    double OverloadValue = 80;
    bool ShowPeak = false;
    double PeakValue = 0;
    int PeakSize = 2;
};

struct TcxProgressBarLayout {
    TRect Track{}, Filled{}, Overload{}, Peak{}, Band{};
    bool OverloadVisible = false;
    bool PeakVisible = false;
};

// The band is this long along the bar; half of it starts outside the filled part.
constexpr int cxProgressBarBandLength = 50;

TcxProgressBarLayout CalculateProgressBarLayout(const TcxProgressBarLayoutInput& input);
// Whether a new layout must replace the shown one: always unless only the position changed; then
// only when the filled part, the track, or a visible overload part or peak mark moved.
bool ProgressBarLayoutChanged(const TcxProgressBarLayout& shown, const TcxProgressBarLayout& laidOut,
                              bool positionChangedOnly);

// LEDs: Trunc(thickness × 2 / 3) + 2, or for bitmap LEDs the picture's length when it is shorter.
int ProgressBarLEDLength(const TRect& filled, TcxProgressBarOrientation orientation,
                         TcxProgressBarBarStyle style, int imageWidth, int imageHeight);
// The 2-pixel gaps after each whole LED of the fill area U.
std::vector<TRect> ProgressBarLEDGaps(const TRect& fill, int ledLength, TcxProgressBarOrientation orientation);
// The LED cells whose bevels are drawn, each normalised, the remainder cell last.
std::vector<TRect> ProgressBarLEDCells(const TRect& fill, int ledLength,
                                       TcxProgressBarOrientation orientation);

// One gradient strip of the glass look.
struct TcxGlassStrip {
    TRect Rect;
    TColor From, To;
    bool Horizontal; // the colour changes from left to right
};
// The strips drawn over R filled with the colour, in drawing order.
std::vector<TcxGlassStrip> ProgressBarGlassStrips(const TRect& r, bool bar, TColor color,
                                                  TcxProgressBarOrientation orientation);

// The motion of the animation band along the bar. Start and End bound the motion: horizontally
// 0 and the part of the bounds the value takes, vertically from the bounds' bottom.
struct TcxProgressBarBandMotion {
    int Offset = 0;
    int Direction = 1;
    int Start = 0, End = 0;

    void SetRange(const TRect& bounds, TcxProgressBarOrientation orientation, double value, double range);
    void Reset(TcxProgressBarAnimationPath path, TcxProgressBarOrientation orientation, int baseDirection = 1,
               int bandLength = cxProgressBarBandLength);
    // One step; true when the band reached an end and the pause begins.
    bool Step(TcxProgressBarAnimationPath path, TcxProgressBarOrientation orientation, unsigned speed,
              int baseDirection = 1, int bandLength = cxProgressBarBandLength);
};
