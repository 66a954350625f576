// The progress bar drawn by a skin painter, read by pixels over the probe skin, whose every frame
// is one solid colour naming its element: the frame, the chunk up to the value, the overload part
// inverted, and the text in the painter's colour.
#include <gtest/gtest.h>

#include <memory>

#include "../skins-painters/SkinPaintersSupport.h"
#include "tests/ui/core/PaintSurface.h"
#include "ui/core/Geometry.h"
#include "ui/core/PainterRegistry.h"
#include "ui/editors/ProgressBarViewInfo.h"

namespace {
constexpr COLORREF Marker = RGB(255, 0, 255);

// The skin painter with a progress text colour of the test's choosing (clDefault: none).
class TTextColorSkinPainter : public TdxSkinLookAndFeelPainter {
public:
    static TTextColorSkinPainter& Instance() {
        static TTextColorSkinPainter painter;
        return painter;
    }
    TColor GetProgressTextColor() const override { return TextColor; }
    TColor TextColor = clDefault;
};

COLORREF Probe(const char* element) {
    return ProbeColor(ElementNumber(element), 0, esNormal);
}

COLORREF Inverted(COLORREF color) {
    return ~color & 0xFFFFFF;
}

class ProgressBarSkinPaint : public testing::Test {
protected:
    void SetUp() override {
        TdxSkin* skin = MakeProbeSkin();
        // Borders of different widths on each side, so that a misplaced content shows.
        skin->GetGroupByName("Editors")->GetElementByName("ProgressBorder")->ContentOffset().AssignRect(
            TRect{2, 3, 4, 5});
        skin->GetGroupByName("Editors")->GetElementByName("ProgressBorderVert")->ContentOffset().AssignRect(
            TRect{3, 2, 5, 4});
        painter().TextColor = clDefault;
        std::unique_ptr<TObject> info(new TdxSkinLookAndFeelPainterInfo(skin));
        ASSERT_TRUE(GetStylePainterRegistry()->Register("ProgressProbe", &painter(), std::move(info)));
        ASSERT_NE(painter().GetSkinInfo(), nullptr);
    }
    void TearDown() override { GetStylePainterRegistry()->Unregister("ProgressProbe"); }

    static TTextColorSkinPainter& painter() { return TTextColorSkinPainter::Instance(); }

    // A standalone bar whose bounds are the track; skinned painting ignores the layout's fill.
    std::unique_ptr<TcxCustomProgressBarViewInfo> MakeBar(const TRect& bounds, TcxProgressBarOrientation orientation) {
        auto vi = std::make_unique<TcxCustomProgressBarViewInfo>();
        vi->SkinPainter = &painter();
        vi->OuterRect = bounds;
        vi->SetOrientation(orientation);
        vi->ShowText = false;
        TcxProgressBarLayout layout;
        layout.Track = bounds;
        vi->ApplyLayout(layout, false);
        return vi;
    }
};
} // namespace

TEST_F(ProgressBarSkinPaint, FrameChunkUpToTheValueAndTheOverloadInverted) {
    const COLORREF frame = Probe("ProgressBorder"), chunk = Probe("ProgressChunk");
    const COLORREF frameVert = Probe("ProgressBorderVert"), chunkVert = Probe("ProgressChunkVert");
    struct TProbe {
        int x, y;
        COLORREF color;
    };
    struct TCase {
        const char* what;
        TcxProgressBarOrientation orientation;
        double min, max, position;
        bool overload;
        double overloadValue;
        std::vector<TProbe> probes;
    };
    // Horizontal: 120 x 24, content (2, 3) - (116, 19), 114 pixels long.
    // Vertical: 24 x 120, content (3, 2) - (19, 116), 114 pixels long.
    const TCase cases[] = {
        {"half, horizontal", cxorHorizontal, 0, 100, 50, false, 0,
         {{0, 0, frame}, {1, 10, frame}, {10, 2, frame}, {10, 19, frame}, {117, 10, frame}, {2, 3, chunk},
          {58, 18, chunk}, {59, 10, frame}, {115, 10, frame}}},
        {"half, vertical", cxorVertical, 0, 100, 50, false, 0,
         {{2, 100, frameVert}, {19, 100, frameVert}, {10, 1, frameVert}, {10, 116, frameVert},
          {3, 115, chunkVert}, {18, 59, chunkVert}, {10, 58, frameVert}, {10, 2, frameVert}}},
        {"overload past a quarter, horizontal", cxorHorizontal, 0, 100, 50, true, 25,
         {{29, 10, chunk}, {30, 10, Inverted(chunk)}, {58, 10, Inverted(chunk)}, {59, 10, frame},
          {1, 10, frame}}},
        {"overload past a quarter, vertical", cxorVertical, 0, 100, 50, true, 25,
         {{10, 87, chunkVert}, {10, 86, Inverted(chunkVert)}, {10, 59, Inverted(chunkVert)},
          {10, 58, frameVert}}},
        {"overload threshold beyond the value", cxorHorizontal, 0, 100, 50, true, 90,
         {{58, 10, chunk}, {59, 10, frame}}},
        {"range not from 0", cxorHorizontal, 20, 120, 70, false, 0, {{58, 10, chunk}, {59, 10, frame}}},
        {"empty range, huge position", cxorHorizontal, 5, 5, 1e300, false, 0,
         {{115, 10, chunk}, {116, 10, frame}, {117, 10, frame}}},
        {"empty range, position below", cxorHorizontal, 5, 5, -5, false, 0, {{2, 10, frame}, {58, 10, frame}}},
        {"position past the maximum", cxorVertical, 0, 100, 250, false, 0,
         {{10, 2, chunkVert}, {10, 1, frameVert}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const bool vertical = c.orientation == cxorVertical;
        const TRect bounds = vertical ? MakeRect(0, 0, 24, 120) : MakeRect(0, 0, 120, 24);
        auto vi = MakeBar(bounds, c.orientation);
        vi->Min = c.min;
        vi->Max = c.max;
        vi->Position = c.position;
        vi->OverloadVisible = c.overload;
        vi->OverloadValue = c.overloadValue;
        TPaintSurface surface(bounds.right, bounds.bottom, Marker);
        TcxCanvas canvas(&surface.canvas);
        vi->Paint(canvas);
        for (const TProbe& p : c.probes) EXPECT_EQ(surface.At(p.x, p.y), p.color) << p.x << "," << p.y;
        EXPECT_EQ(surface.Count(Marker), 0);
    }
}

TEST_F(ProgressBarSkinPaint, PaintsAtTheBoundsInItsParent) {
    auto vi = MakeBar(MakeRect(30, 10, 150, 34), cxorHorizontal);
    vi->Position = 50;
    TPaintSurface surface(200, 60, Marker);
    TcxCanvas canvas(&surface.canvas);
    vi->Paint(canvas);
    EXPECT_EQ(surface.At(29, 20), Marker);
    EXPECT_EQ(surface.At(150, 20), Marker);
    EXPECT_EQ(surface.At(60, 9), Marker);
    EXPECT_EQ(surface.At(60, 34), Marker);
    EXPECT_EQ(surface.At(30, 10), Probe("ProgressBorder"));
    EXPECT_EQ(surface.At(32, 13), Probe("ProgressChunk"));
    EXPECT_EQ(surface.At(88, 20), Probe("ProgressChunk"));
    EXPECT_EQ(surface.At(89, 20), Probe("ProgressBorder"));
}

TEST_F(ProgressBarSkinPaint, TextInThePaintersColourElseTheEditorsDrawnDirectly) {
    struct TCase {
        const char* what;
        TColor painterColor;
        COLORREF expected;
    };
    const TCase cases[] = {
        {"painter's colour", static_cast<TColor>(RGB(250, 10, 20)), RGB(250, 10, 20)},
        {"painter without one", clDefault, RGB(10, 200, 30)},
        {"painter saying none", clNone, RGB(10, 200, 30)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        painter().TextColor = c.painterColor;
        auto vi = MakeBar(MakeRect(0, 0, 120, 24), cxorHorizontal);
        // The chunk ends at 2 + 49 = 51, inside the text "43 %".
        vi->Position = 43;
        vi->ShowText = true;
        vi->TextColor = static_cast<TColor>(RGB(10, 200, 30));
        vi->Font().SetHeight(-14);
        TPaintSurface surface(120, 24, Marker);
        TcxCanvas canvas(&surface.canvas);
        vi->Paint(canvas);
        // Not inverted: the same colour over the chunk and over the bare frame.
        int overChunk = 0, overFrame = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 120; ++x)
                if (surface.At(x, y) == c.expected) ++(x < 51 ? overChunk : overFrame);
        EXPECT_GT(overChunk, 0);
        EXPECT_GT(overFrame, 0);
        EXPECT_EQ(surface.Count(Inverted(Probe("ProgressChunk"))), 0);
    }
}

TEST_F(ProgressBarSkinPaint, MarqueeChunkIsTheBandWhereItHasMoved) {
    auto vi = MakeBar(MakeRect(0, 0, 120, 24), cxorHorizontal);
    vi->Position = 10;
    vi->SetMarquee(true);
    ASSERT_NE(vi->StepTimer(), nullptr);
    // The 50-pixel band starts half its length before the content and moves 20 pixels a step.
    vi->BandRect = MakeRect(2 - 25, 3, 2 + 25, 19);
    for (int step = 0; step < 3; ++step) vi->StepBand();
    ASSERT_EQ(vi->BandOffset(), 35);
    TPaintSurface surface(120, 24, Marker);
    TcxCanvas canvas(&surface.canvas);
    vi->Paint(canvas);
    const COLORREF frame = Probe("ProgressBorder"), chunk = Probe("ProgressChunk");
    EXPECT_EQ(surface.At(11, 10), frame);
    EXPECT_EQ(surface.At(12, 10), chunk);
    EXPECT_EQ(surface.At(61, 18), chunk);
    EXPECT_EQ(surface.At(62, 10), frame);
    EXPECT_EQ(surface.At(40, 2), frame);
}
