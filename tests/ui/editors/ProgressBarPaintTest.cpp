#include <gtest/gtest.h>

#include <memory>

#include "ui/core/Canvas.h"
#include "ui/core/Geometry.h"
#include "ui/editors/ProgressBarViewInfo.h"

namespace {
constexpr COLORREF Marker = RGB(255, 0, 255);
constexpr TColor Track = 0xFFFFFF;
constexpr TColor Bar = 0x800000;

// The bar alone: the editor's frame is another unit's concern.
class TBareProgressBarViewInfo : public TcxCustomProgressBarViewInfo {
public:
    VZ_CLASS(TBareProgressBarViewInfo, TcxCustomProgressBarViewInfo)

protected:
    void DrawBackgroundAndFrame(TcxCanvas&) override {}
};

// A destination picture filled with the marker colour, so that every pixel the bar leaves alone
// shows.
struct TSurface {
    TSurface(int width, int height) : bitmap(width, height), canvas(&bitmap.Canvas()) {
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(Marker);
        FillRect(bitmap.Canvas().Handle(), &all, brush);
        DeleteObject(brush);
    }
    COLORREF At(int x, int y) { return GetPixel(bitmap.Canvas().Handle(), x, y) & 0xFFFFFF; }
    TBitmap bitmap;
    TcxCanvas canvas;
};

// A standalone 297 x 21 bar with a 2-pixel frame.
std::unique_ptr<TBareProgressBarViewInfo> MakeBar(double position, std::function<void(TcxProgressBarLayoutInput&)> tune = nullptr,
                                                  std::function<void(TcxCustomProgressBarViewInfo&)> setup = nullptr) {
    auto vi = std::make_unique<TBareProgressBarViewInfo>();
    vi->OuterRect = MakeRect(0, 0, 297, 21);
    vi->FillColor = Track;
    vi->ShowText = false;
    vi->Position = position;
    if (setup) setup(*vi);
    TcxProgressBarLayoutInput in;
    in.Bounds = vi->OuterRect;
    in.ClientRect = MakeRect(2, 2, 295, 19);
    in.Position = position;
    in.Min = vi->Min;
    in.Max = vi->Max;
    in.Marquee = vi->Marquee();
    in.BarStyle = vi->BarStyle();
    in.Orientation = vi->Orientation();
    in.ShowOverload = vi->ShowOverload;
    in.OverloadValue = vi->OverloadValue;
    in.ShowPeak = vi->ShowPeak;
    in.PeakValue = vi->PeakValue;
    in.PeakSize = vi->PeakSize;
    if (tune) tune(in);
    vi->ApplyLayout(CalculateProgressBarLayout(in), false);
    return vi;
}

// A bar laid out by hand: bounds, track and fill given.
std::unique_ptr<TBareProgressBarViewInfo> MakeLaidOut(const TRect& bounds, const TRect& track, const TRect& filled,
                                                      std::function<void(TcxCustomProgressBarViewInfo&)> setup) {
    auto vi = std::make_unique<TBareProgressBarViewInfo>();
    vi->OuterRect = bounds;
    vi->FillColor = Track;
    vi->ShowText = false;
    setup(*vi);
    TcxProgressBarLayout layout;
    layout.Track = track;
    layout.Filled = layout.Overload = layout.Peak = filled;
    vi->ApplyLayout(layout, false);
    return vi;
}

int Runs(TSurface& s, int y, int from, int to, COLORREF color) {
    int runs = 0;
    bool inside = false;
    for (int x = from; x < to; ++x) {
        bool is = s.At(x, y) == color;
        if (is && !inside) ++runs;
        inside = is;
    }
    return runs;
}
} // namespace

TEST(ProgressBarPaint, SolidFillTrackAndTheFrameLeftAlone) {
    auto vi = MakeBar(33.3);
    TSurface s(297, 21);
    vi->Paint(s.canvas);
    struct {
        int x, y;
        COLORREF color;
    } probes[] = {
        {2, 2, Bar},      {50, 10, Bar},     {98, 18, Bar},     {99, 10, Track},  {294, 18, Track},
        // The frame around the track stays as it was, the right and bottom lines too.
        {1, 10, Marker},  {295, 10, Marker}, {296, 10, Marker}, {150, 19, Marker}, {150, 20, Marker},
        {150, 1, Marker},
    };
    for (const auto& p : probes) EXPECT_EQ(s.At(p.x, p.y), p.color) << p.x << "," << p.y;
}

TEST(ProgressBarPaint, EveryPaintPaintsInFull) {
    auto vi = MakeBar(50);
    TSurface first(297, 21);
    vi->Paint(first.canvas);
    // A position change that moves nothing keeps the layout; an uncovered window still paints.
    auto again = MakeBar(50);
    again->ApplyLayout(CalculateProgressBarLayout([] {
                           TcxProgressBarLayoutInput in;
                           in.Bounds = MakeRect(0, 0, 297, 21);
                           in.ClientRect = MakeRect(2, 2, 295, 19);
                           in.Position = 50.001;
                           return in;
                       }()),
                       true);
    EXPECT_FALSE(again->LayoutChanged);
    TSurface second(297, 21);
    again->Paint(second.canvas);
    EXPECT_EQ(second.At(50, 10), Bar);
    EXPECT_EQ(second.At(200, 10), Track);
}

TEST(ProgressBarPaint, StylesOverloadPeakAndBevels) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    struct {
        const char* name;
        std::function<void(TcxCustomProgressBarViewInfo&)> setup;
        double position;
        struct {
            int x, y;
            COLORREF color;
        } probes[4];
    } cases[] = {
        {"overload", [](auto& v) { v.ShowOverload = true; }, 90,
         {{100, 10, Bar}, {235, 10, Bar}, {236, 10, RGB(0xFF, 0x80, 0x80)}, {264, 10, RGB(0xFF, 0x80, 0x80)}}},
        {"peak", [](auto& v) { v.ShowPeak = true; v.PeakValue = 60; }, 40,
         {{100, 10, Bar}, {177, 10, RGB(0xFF, 0, 0)}, {178, 10, RGB(0xFF, 0, 0)}, {179, 10, Track}}},
        {"lowered bevel", [](auto& v) { v.BarBevelOuter = cxbvLowered; }, 33.3,
         {{2, 10, shadow}, {50, 2, shadow}, {98, 10, light}, {50, 18, light}}},
        {"raised bevel", [](auto& v) { v.BarBevelOuter = cxbvRaised; }, 33.3,
         {{2, 10, light}, {50, 2, light}, {98, 10, shadow}, {50, 18, shadow}}},
        {"gradient ends", [](auto& v) { v.SetBarStyle(cxbsGradient); v.BeginColor = 0x0000FF; v.EndColor = 0x00FF00; },
         100, {{2, 10, RGB(0xFF, 0, 0)}, {294, 10, RGB(0, 0xFF, 0)}, {295, 10, Marker}, {1, 10, Marker}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto vi = MakeBar(c.position, nullptr, c.setup);
        TSurface s(297, 21);
        vi->Paint(s.canvas);
        for (const auto& p : c.probes) {
            if (std::string(c.name) == "gradient ends") {
                // A gradient's ends are near its colours.
                COLORREF got = s.At(p.x, p.y);
                EXPECT_NEAR(GetRValue(got), GetRValue(p.color), 12) << p.x;
                EXPECT_NEAR(GetGValue(got), GetGValue(p.color), 12) << p.x;
                EXPECT_NEAR(GetBValue(got), GetBValue(p.color), 12) << p.x;
            } else {
                EXPECT_EQ(s.At(p.x, p.y), p.color) << p.x << "," << p.y;
            }
        }
    }
}

TEST(ProgressBarPaint, LEDsAreSeparatedByTwoPixelGaps) {
    // 100 pixels of fill 12 high: 10-pixel LEDs.
    auto vi = MakeLaidOut(MakeRect(0, 0, 204, 16), MakeRect(2, 2, 202, 14), MakeRect(2, 2, 102, 14),
                          [](auto& v) { v.SetBarStyle(cxbsLEDs); });
    TSurface s(204, 16);
    vi->Paint(s.canvas);
    EXPECT_EQ(Runs(s, 8, 2, 202, Bar), 10);
    EXPECT_EQ(s.At(9, 8), Bar);
    EXPECT_EQ(s.At(10, 8), Track);
    EXPECT_EQ(s.At(11, 8), Track);
    EXPECT_EQ(s.At(12, 8), Bar);
    EXPECT_EQ(s.At(100, 8), Track);
}

TEST(ProgressBarPaint, VerticalLEDBevelsAreDrawnOnNormalisedCells) {
    const TRect filled = MakeRect(2, 2, 14, 102);
    auto vi = MakeLaidOut(MakeRect(0, 0, 16, 104), filled, filled, [](auto& v) {
        v.SetOrientation(cxorVertical);
        v.SetBarStyle(cxbsLEDs);
        v.BarBevelOuter = cxbvRaised;
    });
    TSurface s(16, 104);
    vi->Paint(s.canvas);

    // The same cells drawn by hand.
    TBitmap expected(16, 104);
    TcxCanvas reference(&expected.Canvas());
    reference.FillRectColor(MakeRect(0, 0, 16, 104), Bar);
    for (const TRect& cell : ProgressBarLEDCells(filled, 10, cxorVertical)) {
        TRect r = cell;
        DrawEdge(reference.Handle(), &r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
        r = cell;
        DrawEdge(reference.Handle(), &r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
    }
    const auto cells = ProgressBarLEDCells(filled, 10, cxorVertical);
    ASSERT_EQ(cells.size(), 10u);
    for (const TRect& cell : cells)
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x : {2, 7, 13})
                EXPECT_EQ(s.At(x, y), GetPixel(expected.Canvas().Handle(), x, y) & 0xFFFFFF) << x << "," << y;
}

TEST(ProgressBarPaint, PercentTextIsCentredAndInvertedOverBarAndTrack) {
    auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    for (double position : {50.0, 100.0 / 3}) {
        SCOPED_TRACE(position);
        auto vi = MakeBar(position, nullptr, [](auto& v) { v.ShowText = true; });
        TSurface s(297, 21);
        vi->Paint(s.canvas);
        const int barEnd = vi->FilledRect.right;
        // Text pixels are those that differ from what lies under them; the text is antialiased,
        // so inverted means darker than the white track and lighter than the dark bar.
        int minX = 1000, maxX = -1, overBar = 0, overTrack = 0;
        for (int y = 2; y < 19; ++y)
            for (int x = 2; x < 295; ++x) {
                const COLORREF c = s.At(x, y);
                const bool onBar = x < barEnd;
                if (c == static_cast<COLORREF>(onBar ? Bar : Track)) continue;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                if (onBar) {
                    EXPECT_GT(brightness(c), brightness(Bar)) << x << "," << y;
                    ++overBar;
                } else {
                    EXPECT_LT(brightness(c), brightness(Track)) << x << "," << y;
                    ++overTrack;
                }
            }
        EXPECT_GT(overTrack, 0);
        if (position == 50.0) {
            EXPECT_GT(overBar, 0); // the text straddles the bar's end
        }
        EXPECT_NEAR((minX + maxX) / 2.0, 148.5, 3.0);
        for (int x = 0; x < 297; ++x) EXPECT_EQ(s.At(x, 20), Marker) << x;
    }
}

TEST(ProgressBarPaint, SolidTextColourAndRotatedText) {
    auto vi = MakeBar(10, nullptr, [](auto& v) {
        v.ShowText = true;
        v.SolidTextColor = true;
        v.TextColor = 0x0000FF;
    });
    TSurface s(297, 21);
    vi->Paint(s.canvas);
    int red = 0;
    for (int y = 2; y < 19; ++y)
        for (int x = 2; x < 295; ++x) red += s.At(x, y) == RGB(0xFF, 0, 0);
    EXPECT_GT(red, 0);

    // Standing text in a standing bar: taller than wide.
    auto v2 = MakeLaidOut(MakeRect(0, 0, 40, 200), MakeRect(2, 2, 38, 198), MakeRect(2, 150, 38, 198), [](auto& v) {
        v.ShowText = true;
        v.TextOrientation = cxorVertical;
        v.SetOrientation(cxorVertical);
        v.ShowTextStyle = cxtsText;
        v.Text = "Working";
    });
    TSurface t(40, 200);
    v2->Paint(t.canvas);
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 2; y < 198; ++y)
        for (int x = 2; x < 38; ++x)
            if (t.At(x, y) != static_cast<COLORREF>(y < 150 ? Track : Bar)) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_GT(maxY - minY, maxX - minX);
    EXPECT_NEAR((minY + maxY) / 2.0, 100, 6);
}

TEST(ProgressBarPaint, InPlaceAtAnOffset) {
    auto vi = std::make_unique<TBareProgressBarViewInfo>();
    vi->InplaceMode = true;
    vi->OuterRect = MakeRect(10, 5, 110, 26);
    vi->FillColor = Track;
    vi->ShowText = false;
    TcxProgressBarLayoutInput in;
    in.Bounds = vi->OuterRect;
    in.ClientRect = vi->OuterRect;
    in.InPlace = true;
    in.Position = 50;
    vi->ApplyLayout(CalculateProgressBarLayout(in), false);
    TSurface s(130, 40);
    vi->Paint(s.canvas);
    EXPECT_EQ(s.At(10, 5), Bar);
    EXPECT_EQ(s.At(59, 25), Bar);
    EXPECT_EQ(s.At(60, 15), Track);
    EXPECT_EQ(s.At(109, 25), Track);
    EXPECT_EQ(s.At(110, 15), Marker);
    EXPECT_EQ(s.At(9, 15), Marker);
    EXPECT_EQ(s.At(50, 26), Marker);
    EXPECT_EQ(s.At(50, 4), Marker);
}

// ---------------------------------------------------------------------------------------------
namespace {
void Tick(TcxTimer* timer) {
    ASSERT_NE(timer, nullptr);
    SendMessageA(GetTimerWindowHandle(), WM_TIMER, reinterpret_cast<WPARAM>(timer), 0);
}

std::unique_ptr<TBareProgressBarViewInfo> Animated(double min = 0, double max = 100) {
    auto vi = MakeBar(max, nullptr, [min, max](auto& v) {
        v.Min = min;
        v.Max = max;
        v.SetBarStyle(cxbsAnimation);
    });
    vi->StartAnimation();
    return vi;
}
} // namespace

TEST(ProgressBarAnimation, TicksMoveTheBandAndRepaint) {
    auto vi = Animated();
    int repaints = 0;
    vi->OnRepaint = [&] { ++repaints; };
    ASSERT_NE(vi->StepTimer(), nullptr);
    EXPECT_EQ(vi->StepTimer()->Interval(), 30u);
    EXPECT_EQ(vi->BandOffset(), -25);
    Tick(vi->StepTimer());
    EXPECT_EQ(vi->BandOffset(), -5); // 20 pixels a tick at speed 10
    EXPECT_EQ(repaints, 1);
    // The band lightens the glass under it.
    TSurface s(297, 21);
    vi->Paint(s.canvas);
    COLORREF atBand = s.At(20, 12), beside = s.At(150, 12);
    EXPECT_GT(GetRValue(atBand) + GetGValue(atBand) + GetBValue(atBand),
              GetRValue(beside) + GetGValue(beside) + GetBValue(beside));

    // The cycle starts again once past the end.
    int ticks = 1;
    while (vi->BandOffset() != -25 && ticks < 100) {
        Tick(vi->StepTimer());
        ++ticks;
    }
    EXPECT_EQ(ticks, 18);
}

TEST(ProgressBarAnimation, PingPongPausesAtEachEndUntilThePauseTick) {
    auto vi = Animated();
    vi->AnimationRestartDelay = 500;
    vi->SetAnimationPath(cxapPingPong);
    EXPECT_EQ(vi->BandOffset(), 25);
    int ticks = 0;
    while (!vi->PauseTimer() && ticks < 100) {
        Tick(vi->StepTimer());
        ++ticks;
    }
    EXPECT_EQ(ticks, 13);
    ASSERT_NE(vi->PauseTimer(), nullptr);
    EXPECT_EQ(vi->PauseTimer()->Interval(), 500u);
    EXPECT_EQ(vi->BandDirection(), -1);
    const int held = vi->BandOffset();
    Tick(vi->StepTimer());
    Tick(vi->StepTimer());
    EXPECT_EQ(vi->BandOffset(), held);
    Tick(vi->PauseTimer()); // the pause timer frees itself in its own tick
    EXPECT_EQ(vi->PauseTimer(), nullptr);
    Tick(vi->StepTimer());
    EXPECT_EQ(vi->BandOffset(), held - 20);
}

TEST(ProgressBarAnimation, MarqueeSweepsTheWholeBarWhateverMin) {
    for (auto range : {std::pair{0.0, 100.0}, std::pair{20.0, 100.0}, std::pair{-100.0, 0.0}}) {
        SCOPED_TRACE(range.first);
        auto vi = MakeBar(range.first, nullptr, [range](auto& v) {
            v.Min = range.first;
            v.Max = range.second;
        });
        vi->SetMarquee(true);
        ASSERT_NE(vi->StepTimer(), nullptr);
        int ticks = 0;
        do {
            Tick(vi->StepTimer());
            ++ticks;
        } while (vi->BandOffset() != -25 && ticks < 100);
        EXPECT_EQ(ticks, 18); // End is the bar's width, 297
    }
}

TEST(ProgressBarAnimation, TimersOnlyWhileAnimationIsActive) {
    auto vi = MakeBar(50, nullptr, [](auto& v) { v.SetAnimationSpeed(0); });
    vi->SetBarStyle(cxbsAnimation);
    EXPECT_EQ(vi->StepTimer(), nullptr); // speed 0
    vi->SetAnimationSpeed(5);
    EXPECT_NE(vi->StepTimer(), nullptr);
    vi->SetAnimationSpeed(0);
    EXPECT_EQ(vi->StepTimer(), nullptr);
    vi->SetAnimationSpeed(20);
    ASSERT_NE(vi->StepTimer(), nullptr);

    // Designing stops it at the next tick, which frees its own timer.
    vi->DesignMode = true;
    Tick(vi->StepTimer());
    EXPECT_EQ(vi->StepTimer(), nullptr);

    auto inPlace = MakeBar(50, nullptr, [](auto& v) { v.InplaceMode = true; });
    inPlace->SetBarStyle(cxbsAnimation);
    EXPECT_EQ(inPlace->StepTimer(), nullptr);

    auto solid = MakeBar(50);
    solid->StartAnimation();
    EXPECT_EQ(solid->StepTimer(), nullptr);
}

TEST(ProgressBarAnimation, FreedWhileRunning) {
    auto vi = Animated();
    TcxTimer* timer = vi->StepTimer();
    ASSERT_NE(timer, nullptr);
    vi.reset();
    // A tick already queued for the freed timer finds nothing.
    SendMessageA(GetTimerWindowHandle(), WM_TIMER, reinterpret_cast<WPARAM>(timer), 0);
    SUCCEED();
}
