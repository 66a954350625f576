// The progress bar in the native look: the "Progress" theme's track over the whole bar and its
// chunk, one line of it stretched over the filled part, made once per size.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/core/ThemeSeam.h"
#include "ui/core/Geometry.h"
#include "ui/editors/ProgressBarViewInfo.h"

namespace {
constexpr COLORREF Marker = RGB(255, 0, 255);

std::unique_ptr<TcxCustomProgressBarViewInfo> MakeNativeBar(const TRect& bounds, TcxProgressBarOrientation orientation,
                                                            TcxProgressBarBarStyle style, double position) {
    auto vi = std::make_unique<TcxCustomProgressBarViewInfo>();
    vi->OuterRect = bounds;
    vi->NativeLook = true;
    vi->ShowText = false;
    vi->SetOrientation(orientation);
    vi->SetBarStyle(style);
    vi->Position = position;
    TcxProgressBarLayoutInput in;
    in.Bounds = bounds;
    in.ClientRect = bounds;
    in.NativeLook = true;
    in.BarStyle = style;
    in.Orientation = orientation;
    in.Position = position;
    vi->ApplyLayout(CalculateProgressBarLayout(in), false);
    return vi;
}

bool OpenProgressTheme() {
    return CanUseVisualStyles(0) && OpenCachedTheme(totProgress) != nullptr;
}
} // namespace

TEST(ProgressBarThemePaint, TrackAndStretchedChunkFromTheTheme) {
    TScopedThemeSeam seam(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor");
    if (!OpenProgressTheme())
        GTEST_SKIP() << "the theme library opens no \"Progress\" class in this prefix, so no themed bar is drawn";
    const HTHEME theme = OpenCachedTheme(totProgress);
    struct TCase {
        const char* what;
        TcxProgressBarOrientation orientation;
        TcxProgressBarBarStyle style;
    };
    const TCase cases[] = {
        {"solid, horizontal", cxorHorizontal, cxbsSolid},
        {"gradient, horizontal", cxorHorizontal, cxbsGradient},
        {"solid, vertical", cxorVertical, cxbsSolid},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const bool vertical = c.orientation == cxorVertical;
        const TRect bounds = vertical ? MakeRect(0, 0, 21, 297) : MakeRect(0, 0, 297, 21);
        auto vi = MakeNativeBar(bounds, c.orientation, c.style, 50);
        const TRect f = vi->FilledRect;
        ASSERT_FALSE(IsEmptyRect(f));

        // What the theme draws: the track over the bounds, and one chunk line with its leading
        // edge four pixels outside.
        TPaintSurface track(bounds.right, bounds.bottom, Marker);
        const RECT all = bounds;
        dxUxTheme::DrawThemeBackground(theme, track.DC(), vertical ? 2 : 1, 1, &all, nullptr);
        const int lineWidth = vertical ? GetRectWidth(f) : 1, lineHeight = vertical ? 1 : GetRectHeight(f);
        TPaintSurface line(lineWidth, lineHeight, Marker);
        const RECT chunk = vertical ? RECT{0, -4, lineWidth, 1} : RECT{0, 0, 5, lineHeight};
        dxUxTheme::DrawThemeBackground(theme, line.DC(), vertical ? 4 : 3, 1, &chunk, nullptr);

        TPaintSurface surface(bounds.right, bounds.bottom, Marker);
        TcxCanvas canvas(&surface.canvas);
        vi->Paint(canvas);
        int wrong = 0;
        for (int y = 0; y < bounds.bottom; ++y)
            for (int x = 0; x < bounds.right; ++x) {
                const bool filled = x >= f.left && x < f.right && y >= f.top && y < f.bottom;
                const COLORREF expected =
                    filled ? (vertical ? line.At(x - f.left, 0) : line.At(0, y - f.top)) : track.At(x, y);
                if (surface.At(x, y) != expected && ++wrong <= 3) ADD_FAILURE() << x << "," << y;
            }
        EXPECT_EQ(wrong, 0);

        // The line is kept while its size stays and made again for another one.
        TBitmap* kept = vi->ThemeChunkBitmap();
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->Width(), lineWidth);
        EXPECT_EQ(kept->Height(), lineHeight);
        vi->Paint(canvas);
        EXPECT_EQ(vi->ThemeChunkBitmap(), kept);
    }
}

TEST(ProgressBarThemePaint, ChunkLineFollowsTheFilledPartsSize) {
    TScopedThemeSeam seam(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor");
    if (!OpenProgressTheme())
        GTEST_SKIP() << "the theme library opens no \"Progress\" class in this prefix, so no themed bar is drawn";
    auto vi = MakeNativeBar(MakeRect(0, 0, 297, 21), cxorHorizontal, cxbsSolid, 50);
    TPaintSurface surface(297, 30, Marker);
    TcxCanvas canvas(&surface.canvas);
    vi->Paint(canvas);
    ASSERT_NE(vi->ThemeChunkBitmap(), nullptr);
    EXPECT_EQ(vi->ThemeChunkBitmap()->Height(), GetRectHeight(vi->FilledRect));
    // The same bar made taller needs a longer line.
    vi->OuterRect = MakeRect(0, 0, 297, 30);
    TcxProgressBarLayoutInput in;
    in.Bounds = in.ClientRect = vi->OuterRect;
    in.NativeLook = true;
    in.Position = 50;
    vi->ApplyLayout(CalculateProgressBarLayout(in), false);
    vi->Paint(canvas);
    ASSERT_NE(vi->ThemeChunkBitmap(), nullptr);
    EXPECT_EQ(vi->ThemeChunkBitmap()->Height(), GetRectHeight(vi->FilledRect));
    EXPECT_EQ(vi->ThemeChunkBitmap()->Height(), 30 - 5);
}

TEST(ProgressBarThemePaint, AnimationStylesStayInsideTheRoundTrack) {
    TScopedThemeSeam seam(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor");
    if (!OpenProgressTheme())
        GTEST_SKIP() << "the theme library opens no \"Progress\" class in this prefix, so no themed bar is drawn";
    const TRect bounds = MakeRect(0, 0, 297, 21);
    auto vi = MakeNativeBar(bounds, cxorHorizontal, cxbsAnimation, 50);
    vi->SetAnimationSpeed(0);
    TPaintSurface track(297, 21, Marker);
    const RECT all = bounds;
    dxUxTheme::DrawThemeBackground(OpenCachedTheme(totProgress), track.DC(), 1, 1, &all, nullptr);
    TPaintSurface surface(297, 21, Marker);
    TcxCanvas canvas(&surface.canvas);
    vi->Paint(canvas);
    // The glass stays inside the round rectangle, which leaves out the track's right column and
    // bottom row: they show the themed track.
    for (TPoint edge : {TPoint{296, 0}, TPoint{296, 10}, TPoint{0, 20}, TPoint{150, 20}})
        EXPECT_EQ(surface.At(edge.x, edge.y), track.At(edge.x, edge.y)) << edge.x << "," << edge.y;
    EXPECT_NE(surface.At(295, 10), track.At(295, 10));
    // The glass bar covers the filled part, the glass track the rest.
    EXPECT_EQ(surface.Count(Marker), 0);
    EXPECT_NE(surface.At(60, 10), track.At(60, 10));
}
