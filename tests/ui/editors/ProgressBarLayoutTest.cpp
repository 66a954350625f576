#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "ui/core/Geometry.h"
#include "ui/core/Office11Colors.h"
#include "ui/editors/ProgressBarLayout.h"

namespace {
std::string Describe(const TRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

#define EXPECT_RECT(actual, expected) EXPECT_EQ(Describe(actual), Describe(expected))

// A standalone 297 x 21 bar with a 2-pixel frame, or a 21 x 200 one standing up.
TcxProgressBarLayoutInput Horizontal() {
    TcxProgressBarLayoutInput in;
    in.Bounds = MakeRect(0, 0, 297, 21);
    in.ClientRect = MakeRect(2, 2, 295, 19);
    return in;
}

TcxProgressBarLayoutInput Vertical() {
    TcxProgressBarLayoutInput in;
    in.Bounds = MakeRect(0, 0, 21, 200);
    in.ClientRect = MakeRect(2, 2, 19, 198);
    in.Orientation = cxorVertical;
    return in;
}
} // namespace

TEST(ProgressBarLayout, FilledOverloadPeakAndBandRectangles) {
    struct {
        const char* name;
        TcxProgressBarLayoutInput in;
        TRect filled, overload, peak, band, track;
        bool overloadVisible, peakVisible;
    } cases[] = {
        {"33.3 % of 297 pixels", [] { auto in = Horizontal(); in.Position = 33.3; return in; }(),
         {2, 2, 99, 19}, {2, 2, 99, 19}, {2, 2, 99, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"border width 3", [] { auto in = Horizontal(); in.Position = 50; in.BorderWidth = 3; return in; }(),
         {5, 5, 148, 16}, {5, 5, 148, 16}, {5, 5, 148, 16}, {-20, 5, 30, 16}, {2, 2, 295, 19}, false, false},
        {"overload beyond its value",
         [] { auto in = Horizontal(); in.Position = 90; in.ShowOverload = true; return in; }(),
         {2, 2, 236, 19}, {236, 2, 265, 19}, {2, 2, 236, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, true, false},
        {"overload below its value",
         [] { auto in = Horizontal(); in.Position = 70; in.ShowOverload = true; return in; }(),
         {2, 2, 207, 19}, {2, 2, 207, 19}, {2, 2, 207, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"peak above the position",
         [] { auto in = Horizontal(); in.Position = 40; in.ShowPeak = true; in.PeakValue = 60; return in; }(),
         {2, 2, 119, 19}, {2, 2, 119, 19}, {177, 2, 179, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, true},
        {"peak at the end stays inside",
         [] { auto in = Horizontal(); in.Position = 100; in.ShowPeak = true; in.PeakValue = 100; return in; }(),
         {2, 2, 295, 19}, {2, 2, 295, 19}, {293, 2, 295, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, true},
        {"vertical quarter", [] { auto in = Vertical(); in.Position = 25; return in; }(),
         {2, 149, 19, 198}, {2, 149, 19, 198}, {2, 149, 19, 198}, {2, -25, 19, 25}, {2, 2, 19, 198}, false, false},
        {"vertical overload",
         [] { auto in = Vertical(); in.Position = 90; in.ShowOverload = true; return in; }(),
         {2, 42, 19, 198}, {2, 22, 19, 42}, {2, 42, 19, 198}, {2, -25, 19, 25}, {2, 2, 19, 198}, true, false},
        {"vertical peak",
         [] { auto in = Vertical(); in.Position = 10; in.ShowPeak = true; in.PeakValue = 50; return in; }(),
         {2, 179, 19, 198}, {2, 179, 19, 198}, {2, 98, 19, 100}, {2, -25, 19, 25}, {2, 2, 19, 198}, false, true},
        {"negative range", [] { auto in = Horizontal(); in.Min = -100; in.Max = 0; in.Position = -50; return in; }(),
         {2, 2, 148, 19}, {2, 2, 148, 19}, {2, 2, 148, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"marquee fills and shows no peak",
         [] { auto in = Horizontal(); in.Marquee = true; in.ShowPeak = true; in.ShowOverload = true; return in; }(),
         {2, 2, 295, 19}, {2, 2, 295, 19}, {2, 2, 295, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"empty range, huge position",
         [] { auto in = Horizontal(); in.Min = in.Max = 20; in.Position = 1e300; return in; }(),
         {2, 2, 295, 19}, {2, 2, 295, 19}, {2, 2, 295, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"empty range, position below",
         [] { auto in = Horizontal(); in.Min = in.Max = 20; in.Position = -5; return in; }(),
         {2, 2, 2, 19}, {2, 2, 2, 19}, {2, 2, 2, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"empty range vertical, huge position",
         [] { auto in = Vertical(); in.Min = in.Max = 0; in.Position = 1e300; in.ShowPeak = true;
              in.PeakValue = 1e300; return in; }(),
         {2, 2, 19, 198}, {2, 2, 19, 198}, {2, 2, 19, 4}, {2, -25, 19, 25}, {2, 2, 19, 198}, false, true},
        {"not a number", [] { auto in = Horizontal(); in.Position = std::nan(""); return in; }(),
         {2, 2, 2, 19}, {2, 2, 2, 19}, {2, 2, 2, 19}, {-23, 2, 27, 19}, {2, 2, 295, 19}, false, false},
        {"in place: the track is the bounds",
         [] { auto in = Horizontal(); in.InPlace = true; in.ClientRect = in.Bounds; in.Position = 50; return in; }(),
         {0, 0, 148, 21}, {0, 0, 148, 21}, {0, 0, 148, 21}, {-25, 0, 25, 21}, {0, 0, 297, 21}, false, false},
        {"native look", [] { auto in = Horizontal(); in.NativeLook = true; in.Position = 100;
                             in.ShowOverload = true; return in; }(),
         {3, 3, 295, 19}, {3, 3, 295, 19}, {3, 3, 295, 19}, {-22, 3, 28, 19}, {0, 0, 297, 21}, false, false},
        {"native look, animation style",
         [] { auto in = Horizontal(); in.NativeLook = true; in.BarStyle = cxbsAnimation; in.Position = 100;
              return in; }(),
         {1, 1, 296, 20}, {1, 1, 296, 20}, {1, 1, 296, 20}, {-24, 1, 26, 20}, {0, 0, 297, 21}, false, false},
        {"native look in place",
         [] { auto in = Horizontal(); in.NativeLook = true; in.InPlace = true; in.BorderWidth = 1;
              in.Position = 100; return in; }(),
         {3, 3, 294, 18}, {3, 3, 294, 18}, {3, 3, 294, 18}, {-22, 3, 28, 18}, {0, 0, 297, 21}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxProgressBarLayout out = CalculateProgressBarLayout(c.in);
        EXPECT_RECT(out.Filled, c.filled);
        EXPECT_RECT(out.Overload, c.overload);
        EXPECT_RECT(out.Peak, c.peak);
        EXPECT_RECT(out.Band, c.band);
        EXPECT_RECT(out.Track, c.track);
        EXPECT_EQ(out.OverloadVisible, c.overloadVisible);
        EXPECT_EQ(out.PeakVisible, c.peakVisible);
    }
}

TEST(ProgressBarLayout, APositionChangeThatMovesNothingNeedsNoRepaint) {
    auto at = [](double position, bool overload = false, bool peak = false, double peakValue = 0) {
        auto in = Horizontal();
        in.Position = position;
        in.ShowOverload = overload;
        in.ShowPeak = peak;
        in.PeakValue = peakValue;
        return CalculateProgressBarLayout(in);
    };
    struct {
        const char* name;
        TcxProgressBarLayout shown, laidOut;
        bool positionOnly, changed;
    } cases[] = {
        {"same pixel", at(33.3), at(33.31), true, false},
        {"one pixel more", at(33.3), at(33.7), true, true},
        {"any other change", at(33.3), at(33.3), false, true},
        {"overload grows", at(90, true), at(91, true), true, true},
        {"overload same pixels", at(90, true), at(90.01, true), true, false},
        {"peak moves", at(40, false, true, 60), at(40, false, true, 70), true, true},
        {"hidden peak moving", at(40, false, false, 60), at(40, false, false, 70), true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressBarLayoutChanged(c.shown, c.laidOut, c.positionOnly), c.changed) << c.name;
}

TEST(ProgressBarLayout, ValuePercentAndText) {
    struct {
        double value, range;
        int percent;
    } percents[] = {{50, 100, 50}, {1, 3, 33}, {2, 3, 67},    {2.5, 100, 2}, {3.5, 100, 4},
                    {150, 100, 100}, {-5, 100, 0}, {1e300, 1, 100}, {std::nan(""), 1, 0}};
    for (const auto& c : percents)
        EXPECT_EQ(ProgressBarPercent(c.value, c.range), c.percent) << c.value << "/" << c.range;

    EXPECT_EQ(ProgressBarRange(20, 20), 1);
    EXPECT_EQ(ProgressBarRange(-100, 0), 100);
    // Marquee shows the whole range whatever Min is.
    EXPECT_EQ(ProgressBarValue(true, 0, 20, 100), 80);
    EXPECT_EQ(ProgressBarValue(true, 0, -100, 0), 100);
    EXPECT_EQ(ProgressBarValue(false, 30, 20, 100), 10);

    struct {
        TcxProgressBarTextInput in;
        const char* text;
    } texts[] = {
        {{cxtsPercent, false, 50, 0, 100, ""}, "50 %"},
        {{cxtsPercent, false, 1, 0, 3, ""}, "33 %"},
        {{cxtsPercent, false, 5, 5, 5, ""}, "0 %"},
        {{cxtsPosition, false, 33.3, 0, 100, ""}, "33.3"},
        {{cxtsPosition, false, 1.0 / 3, 0, 100, ""}, "0.333333333333333"},
        {{cxtsText, false, 50, 0, 100, "Busy"}, "Busy"},
        {{cxtsPercent, true, 50, 0, 100, "Wait"}, "Wait"},
        {{cxtsPercent, true, 50, 0, 100, ""}, ""},
    };
    for (const auto& c : texts) EXPECT_EQ(ProgressBarText(c.in), c.text) << c.text;
}

TEST(ProgressBarLayout, LEDLengthGapsAndCells) {
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 100, 12), cxorHorizontal, cxbsLEDs, 0, 0), 10);
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 12, 100), cxorVertical, cxbsLEDs, 0, 0), 10);
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 100, 12), cxorHorizontal, cxbsBitmapLEDs, 6, 30), 6);
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 12, 100), cxorVertical, cxbsBitmapLEDs, 30, 6), 6);
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 100, 12), cxorHorizontal, cxbsBitmapLEDs, 20, 3), 10);
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 100, 12), cxorHorizontal, cxbsBitmapLEDs, 6, 0), 10);
    EXPECT_EQ(ProgressBarLEDLength(MakeRect(0, 0, 100, 12), cxorHorizontal, cxbsGradientLEDs, 6, 6), 10);

    // 100 pixels of 10-pixel LEDs: 10 LEDs, each followed by a 2-pixel gap.
    auto gaps = ProgressBarLEDGaps(MakeRect(0, 0, 100, 12), 10, cxorHorizontal);
    ASSERT_EQ(gaps.size(), 10u);
    EXPECT_RECT(gaps.front(), MakeRect(8, 0, 10, 12));
    EXPECT_RECT(gaps.back(), MakeRect(98, 0, 100, 12));
    auto vgaps = ProgressBarLEDGaps(MakeRect(0, 0, 12, 100), 10, cxorVertical);
    ASSERT_EQ(vgaps.size(), 10u);
    EXPECT_RECT(vgaps.front(), MakeRect(0, 90, 12, 92));
    EXPECT_RECT(vgaps.back(), MakeRect(0, 0, 12, 2));
    EXPECT_TRUE(ProgressBarLEDGaps(MakeRect(0, 0, 9, 12), 10, cxorHorizontal).empty());
    EXPECT_TRUE(ProgressBarLEDGaps(MakeRect(0, 0, 100, 12), 0, cxorHorizontal).empty());

    struct {
        const char* name;
        TRect fill;
        TcxProgressBarOrientation orientation;
        size_t count;
        TRect first, last;
    } cells[] = {
        {"whole LEDs", {0, 0, 100, 12}, cxorHorizontal, 10, {0, 0, 8, 12}, {90, 0, 98, 12}},
        {"with remainder", {5, 0, 110, 12}, cxorHorizontal, 11, {5, 0, 13, 12}, {105, 0, 110, 12}},
        {"vertical", {0, 0, 12, 100}, cxorVertical, 10, {0, 92, 12, 100}, {0, 2, 12, 10}},
        {"vertical with remainder", {0, 0, 12, 105}, cxorVertical, 11, {0, 97, 12, 105}, {0, 0, 12, 5}},
    };
    for (const auto& c : cells) {
        SCOPED_TRACE(c.name);
        auto result = ProgressBarLEDCells(c.fill, 10, c.orientation);
        ASSERT_EQ(result.size(), c.count);
        EXPECT_RECT(result.front(), c.first);
        EXPECT_RECT(result.back(), c.last);
        auto gapList = ProgressBarLEDGaps(c.fill, 10, c.orientation);
        for (const TRect& cell : result) {
            EXPECT_LT(cell.left, cell.right) << Describe(cell);
            EXPECT_LT(cell.top, cell.bottom) << Describe(cell);
            for (const TRect& gap : gapList) {
                TRect common;
                EXPECT_FALSE(IntersectRect(&common, &cell, &gap)) << Describe(cell) << " " << Describe(gap);
            }
        }
    }
}

TEST(ProgressBarLayout, GlassStripsShrinkOnShortBars) {
    const TColor color = 0x00D328;
    const TColor d90 = DarkenColor(color, 90), d80 = DarkenColor(color, 80);
    auto wide = ProgressBarGlassStrips(MakeRect(0, 0, 200, 20), true, color, cxorHorizontal);
    ASSERT_EQ(wide.size(), 5u);
    EXPECT_RECT(wide[0].Rect, MakeRect(0, 0, 4, 20));
    EXPECT_EQ(wide[0].From, d90);
    EXPECT_EQ(wide[0].To, d80);
    EXPECT_RECT(wide[1].Rect, MakeRect(196, 0, 200, 20));
    EXPECT_RECT(wide[2].Rect, MakeRect(4, 0, 24, 20));
    EXPECT_EQ(wide[2].To, color);
    EXPECT_RECT(wide[3].Rect, MakeRect(176, 0, 196, 20));
    EXPECT_RECT(wide[4].Rect, MakeRect(0, 0, 200, 6));
    EXPECT_FALSE(wide[4].Horizontal);
    EXPECT_EQ(wide[4].From, LightenColor(color, 40));
    EXPECT_EQ(wide[4].To, LightenColor(color, 80));

    struct {
        const char* name;
        TRect r;
        bool bar;
        TcxProgressBarOrientation orientation;
        TRect firstEnd, firstInner;
    } shrinks[] = {
        {"short bar", {0, 0, 30, 20}, true, cxorHorizontal, {0, 0, 1, 20}, {1, 0, 9, 20}},
        {"short background keeps its size", {0, 0, 20, 20}, false, cxorHorizontal, {0, 0, 1, 20}, {1, 0, 9, 20}},
        {"vertical", {0, 0, 20, 100}, true, cxorVertical, {0, 0, 20, 4}, {0, 4, 20, 24}},
        {"short vertical background", {0, 0, 20, 20}, false, cxorVertical, {0, 0, 20, 0}, {0, 0, 20, 5}},
    };
    for (const auto& c : shrinks) {
        SCOPED_TRACE(c.name);
        auto strips = ProgressBarGlassStrips(c.r, c.bar, color, c.orientation);
        EXPECT_RECT(strips[0].Rect, c.firstEnd);
        EXPECT_RECT(strips[2].Rect, c.firstInner);
    }
}

TEST(ProgressBarBand, CycleRunsPastTheEndAndStartsAgain) {
    TcxProgressBarBandMotion band;
    band.SetRange(MakeRect(0, 0, 297, 21), cxorHorizontal, 100, 100);
    EXPECT_EQ(band.Start, 0);
    EXPECT_EQ(band.End, 297);
    band.Reset(cxapCycle, cxorHorizontal);
    EXPECT_EQ(band.Offset, -25);
    EXPECT_EQ(band.Direction, 1);
    for (int i = 1; i <= 17; ++i) {
        EXPECT_FALSE(band.Step(cxapCycle, cxorHorizontal, 10));
        EXPECT_EQ(band.Offset, -25 + 20 * i); // 20 pixels a tick at speed 10
    }
    EXPECT_TRUE(band.Step(cxapCycle, cxorHorizontal, 10)); // 335 > 297 + 25
    EXPECT_EQ(band.Offset, -25);

    // Standing up the band starts below the bottom and rises.
    band.SetRange(MakeRect(0, 0, 21, 200), cxorVertical, 50, 100);
    EXPECT_EQ(band.Start, 100);
    EXPECT_EQ(band.End, 200);
    band.Reset(cxapCycle, cxorVertical);
    EXPECT_EQ(band.Offset, 225);
    EXPECT_EQ(band.Direction, -1);
    EXPECT_FALSE(band.Step(cxapCycle, cxorVertical, 10));
    EXPECT_EQ(band.Offset, 205);
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(band.Step(cxapCycle, cxorVertical, 10));
    EXPECT_EQ(band.Offset, 85);
    EXPECT_TRUE(band.Step(cxapCycle, cxorVertical, 10)); // 65 < 100 - 25
    EXPECT_EQ(band.Offset, 225);
}

TEST(ProgressBarBand, PingPongTurnsAtBothEnds) {
    TcxProgressBarBandMotion band;
    band.SetRange(MakeRect(0, 0, 297, 21), cxorHorizontal, 100, 100);
    band.Reset(cxapPingPong, cxorHorizontal);
    EXPECT_EQ(band.Offset, 25);
    int steps = 0;
    while (!band.Step(cxapPingPong, cxorHorizontal, 10)) ++steps;
    EXPECT_EQ(steps, 12);
    EXPECT_EQ(band.Offset, 284); // 285 > 272: turned back one pixel
    EXPECT_EQ(band.Direction, -1);
    steps = 0;
    while (!band.Step(cxapPingPong, cxorHorizontal, 10)) ++steps;
    EXPECT_EQ(steps, 12);
    EXPECT_EQ(band.Offset, 25);
    EXPECT_EQ(band.Direction, 1);
}

TEST(ProgressBarBand, MarqueeSweepsTheWholeBarWhateverMin) {
    struct {
        double min, max;
    } ranges[] = {{0, 100}, {20, 100}, {-100, 0}};
    for (const auto& r : ranges) {
        TcxProgressBarBandMotion band;
        const double value = ProgressBarValue(true, 0, r.min, r.max);
        band.SetRange(MakeRect(0, 0, 297, 21), cxorHorizontal, value, ProgressBarRange(r.min, r.max));
        EXPECT_EQ(band.End, 297) << r.min;
        band.SetRange(MakeRect(0, 0, 21, 200), cxorVertical, value, ProgressBarRange(r.min, r.max));
        EXPECT_EQ(band.Start, 0) << r.min;
    }
    // An empty range with a huge position still ends at the bar's end.
    TcxProgressBarBandMotion band;
    band.SetRange(MakeRect(0, 0, 297, 21), cxorHorizontal, 1e300, ProgressBarRange(5, 5));
    EXPECT_EQ(band.End, 297);
}
