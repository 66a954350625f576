#include "ui/editors/ProgressBarLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Strings.h"
#include "ui/core/Geometry.h"
#include "ui/core/Office11Colors.h"

int ProgressBarLength(int length, double value, double range) {
    if (length <= 0) return 0;
    double part = length * value / range;
    // NaN fails both tests and counts as 0.
    if (!(part > 0)) return 0;
    if (part >= length) return length;
    return static_cast<int>(part);
}

double ProgressBarRange(double min, double max) {
    double range = max - min;
    return range == 0 ? 1.0 : range;
}

double ProgressBarValue(bool marquee, double position, double min, double max) {
    return marquee ? max - min : position - min;
}

int ProgressBarPercent(double value, double range) {
    double percent = std::nearbyint(value * 100 / range);
    if (!(percent > 0)) return 0;
    return percent >= 100 ? 100 : static_cast<int>(percent);
}

AnsiString ProgressBarText(const TcxProgressBarTextInput& input) {
    if (input.Marquee) return input.Text;
    switch (input.Style) {
    case cxtsPercent:
        return IntToStr(ProgressBarPercent(ProgressBarValue(false, input.Position, input.Min, input.Max),
                                           ProgressBarRange(input.Min, input.Max))) +
               " %";
    case cxtsPosition:
        return FloatToStr(input.Position);
    case cxtsText:
        break;
    }
    return input.Text;
}

// ---------------------------------------------------------------------------------------------
TcxProgressBarLayout CalculateProgressBarLayout(const TcxProgressBarLayoutInput& in) {
    TcxProgressBarLayout out;
    const int bw = in.BorderWidth;
    TRect b;
    if (in.NativeLook) {
        out.Track = in.Bounds;
        if (in.InPlace)
            b = GrowRect(in.Bounds, -(bw + 2), -(bw + 2));
        else if (IsAnimationStyle(in.BarStyle))
            b = GrowRect(in.Bounds, -(bw + 1), -(bw + 1));
        else
            b = MakeRect(in.Bounds.left + bw + 3, in.Bounds.top + bw + 3, in.Bounds.right - bw - 2,
                         in.Bounds.bottom - bw - 2);
    } else {
        out.Track = in.InPlace ? in.Bounds : in.ClientRect;
        b = GrowRect(in.ClientRect, -bw, -bw);
    }
    const bool horizontal = in.Orientation == cxorHorizontal;
    const int width = std::max<int>(0, GetRectWidth(b));
    const int height = std::max<int>(0, GetRectHeight(b));
    const double range = ProgressBarRange(in.Min, in.Max);
    const double value = in.Position - in.Min;

    TRect f = b;
    if (!in.Marquee) {
        if (horizontal)
            f.right = b.left + ProgressBarLength(width, value, range);
        else
            f.top = b.bottom - ProgressBarLength(height, value, range);
    }

    out.OverloadVisible = !in.Marquee && in.ShowOverload && !in.NativeLook && in.Position >= in.OverloadValue;
    TRect o = f;
    if (out.OverloadVisible) {
        const double overload = in.OverloadValue - in.Min;
        if (horizontal) {
            o.left = b.left + ProgressBarLength(width, overload, range);
            o.right = std::min<int>(o.right, b.right);
            f.right = o.left;
        } else {
            o.top = b.bottom - ProgressBarLength(height, value, range);
            o.bottom = std::max<int>(b.bottom - ProgressBarLength(height, overload, range), b.top);
            f.top = o.bottom;
        }
    }

    out.PeakVisible = in.ShowPeak && !in.Marquee;
    TRect p = f;
    if (out.PeakVisible) {
        const double peak = in.PeakValue - in.Min;
        const int size = in.PeakSize;
        if (horizontal) {
            p.left = std::min<int>(b.left + ProgressBarLength(width, peak, range), b.right - size);
            p.right = p.left + size;
        } else {
            p.bottom = std::max<int>(b.bottom - ProgressBarLength(height, peak, range), b.top + size);
            p.top = p.bottom - size;
        }
    }

    const int half = cxProgressBarBandLength / 2;
    if (horizontal)
        out.Band = MakeRect(f.left - half, f.top, f.left + cxProgressBarBandLength - half, f.bottom);
    else
        out.Band = MakeRect(f.left, in.Bounds.top - half, f.right, in.Bounds.top + cxProgressBarBandLength - half);

    out.Filled = f;
    out.Overload = o;
    out.Peak = p;
    return out;
}

bool ProgressBarLayoutChanged(const TcxProgressBarLayout& shown, const TcxProgressBarLayout& laidOut,
                              bool positionChangedOnly) {
    if (!positionChangedOnly) return true;
    if (!SameRects(shown.Filled, laidOut.Filled) || !SameRects(shown.Track, laidOut.Track)) return true;
    if (laidOut.OverloadVisible && !SameRects(shown.Overload, laidOut.Overload)) return true;
    if (laidOut.PeakVisible && !SameRects(shown.Peak, laidOut.Peak)) return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
int ProgressBarLEDLength(const TRect& filled, TcxProgressBarOrientation orientation, TcxProgressBarBarStyle style,
                         int imageWidth, int imageHeight) {
    const bool horizontal = orientation == cxorHorizontal;
    const int thickness = horizontal ? GetRectHeight(filled) : GetRectWidth(filled);
    int length = thickness * 2 / 3 + 2;
    if (style == cxbsBitmapLEDs && imageWidth > 0 && imageHeight > 0) {
        const int imageLength = horizontal ? imageWidth : imageHeight;
        if (imageLength < length) length = imageLength;
    }
    return length;
}

std::vector<TRect> ProgressBarLEDGaps(const TRect& fill, int ledLength, TcxProgressBarOrientation orientation) {
    std::vector<TRect> gaps;
    if (ledLength <= 0) return gaps;
    if (orientation == cxorHorizontal) {
        const int count = std::max<int>(0, GetRectWidth(fill)) / ledLength;
        for (int i = 1; i <= count; ++i) {
            const int x = fill.left + ledLength * i;
            gaps.push_back(MakeRect(x - 2, fill.top, x, fill.bottom));
        }
    } else {
        const int count = std::max<int>(0, GetRectHeight(fill)) / ledLength;
        for (int i = 1; i <= count; ++i) {
            const int y = fill.bottom - ledLength * i;
            gaps.push_back(MakeRect(fill.left, y, fill.right, y + 2));
        }
    }
    return gaps;
}

std::vector<TRect> ProgressBarLEDCells(const TRect& fill, int ledLength, TcxProgressBarOrientation orientation) {
    std::vector<TRect> cells;
    if (ledLength <= 0) return cells;
    if (orientation == cxorHorizontal) {
        const int count = std::max<int>(0, GetRectWidth(fill)) / ledLength;
        for (int i = 0; i < count; ++i)
            cells.push_back(
                MakeRect(fill.left + ledLength * i, fill.top, fill.left + ledLength * (i + 1) - 2, fill.bottom));
        if (fill.left + ledLength * count < fill.right)
            cells.push_back(MakeRect(fill.left + ledLength * count, fill.top, fill.right, fill.bottom));
    } else {
        // Each cell lies between two gaps: the gap sits above its LED.
        const int count = std::max<int>(0, GetRectHeight(fill)) / ledLength;
        for (int i = 0; i < count; ++i)
            cells.push_back(MakeRect(fill.left, fill.bottom - ledLength * (i + 1) + 2, fill.right,
                                     fill.bottom - ledLength * i));
        if (fill.top < fill.bottom - ledLength * count)
            cells.push_back(MakeRect(fill.left, fill.top, fill.right, fill.bottom - ledLength * count));
    }
    return cells;
}

// ---------------------------------------------------------------------------------------------
std::vector<TcxGlassStrip> ProgressBarGlassStrips(const TRect& r, bool bar, TColor color,
                                                  TcxProgressBarOrientation orientation) {
    const TColor c40 = LightenColor(color, 40), c80 = LightenColor(color, 80);
    const TColor d90 = DarkenColor(color, 90), d80 = DarkenColor(color, 80);
    int edge = bar ? 4 : 1;
    int thickness = bar ? 20 : 8;
    std::vector<TcxGlassStrip> strips;
    if (orientation == cxorVertical) {
        const int height = GetRectHeight(r);
        int w = edge + thickness;
        if (height < 3 * w) {
            edge = edge * height / (3 * w);
            thickness = height * thickness / (3 * w);
        }
        w = edge + thickness;
        strips.push_back({MakeRect(r.left, r.top, r.right, r.top + edge), d90, d80, false});
        strips.push_back({MakeRect(r.left, r.bottom - edge, r.right, r.bottom), d80, d90, false});
        strips.push_back({MakeRect(r.left, r.top + edge, r.right, r.top + w), d80, color, false});
        strips.push_back({MakeRect(r.left, r.bottom - w, r.right, r.bottom - edge), color, d80, false});
        strips.push_back({MakeRect(r.left, r.top, r.left + 6, r.bottom), c40, c80, true});
    } else {
        const int width = GetRectWidth(r);
        int w = edge + thickness;
        if (bar && width < 3 * w) {
            edge = edge * width / (3 * w);
            thickness = width * thickness / (3 * w);
        }
        w = edge + thickness;
        strips.push_back({MakeRect(r.left, r.top, r.left + edge, r.bottom), d90, d80, true});
        strips.push_back({MakeRect(r.right - edge, r.top, r.right, r.bottom), d80, d90, true});
        strips.push_back({MakeRect(r.left + edge, r.top, r.left + w, r.bottom), d80, color, true});
        strips.push_back({MakeRect(r.right - w, r.top, r.right - edge, r.bottom), color, d80, true});
        strips.push_back({MakeRect(r.left, r.top, r.right, r.top + 6), c40, c80, false});
    }
    return strips;
}

// ---------------------------------------------------------------------------------------------
void TcxProgressBarBandMotion::SetRange(const TRect& bounds, TcxProgressBarOrientation orientation, double value,
                                        double range) {
    if (orientation == cxorHorizontal) {
        Start = 0;
        End = ProgressBarLength(GetRectWidth(bounds), value, range);
    } else {
        const int height = std::max<int>(0, GetRectHeight(bounds));
        Start = height - ProgressBarLength(height, value, range);
        End = height;
    }
}

void TcxProgressBarBandMotion::Reset(TcxProgressBarAnimationPath path, TcxProgressBarOrientation orientation,
                                     int baseDirection, int bandLength) {
    const int half = bandLength / 2;
    if (path == cxapCycle)
        Offset = baseDirection > 0 ? -half : half;
    else
        Offset = half;
    if (orientation == cxorHorizontal) {
        Direction = 1;
    } else {
        Direction = -1;
        Offset = -Offset;
    }
    Offset += Direction > 0 ? Start : End;
}

bool TcxProgressBarBandMotion::Step(TcxProgressBarAnimationPath path, TcxProgressBarOrientation orientation,
                                    unsigned speed, int baseDirection, int bandLength) {
    const int half = bandLength / 2;
    Offset += 2 * static_cast<int>(speed) * Direction;
    if (path == cxapCycle) {
        if (Offset > End + half || Offset < Start - half) {
            Reset(path, orientation, baseDirection, bandLength);
            return true;
        }
        return false;
    }
    if (Direction > 0 && Offset > End - half) {
        Direction = -Direction;
        Offset -= 1;
        return true;
    }
    if (Direction < 0 && Offset < Start + half) {
        Direction = -Direction;
        Offset += 1;
        return true;
    }
    return false;
}
