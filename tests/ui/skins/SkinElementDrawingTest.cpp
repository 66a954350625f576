// Skin elements drawn into a 32-bit DIB section through Wine's GDI+, checked by pixels.
#include <gtest/gtest.h>

#include "SkinDrawingSupport.h"

using namespace skindraw;

namespace {
const COLORREF kRed = RGB(220, 20, 20), kGreen = RGB(20, 220, 20), kBlue = RGB(20, 20, 220);
const COLORREF kYellow = RGB(220, 220, 20), kCyan = RGB(20, 220, 220), kMagenta = RGB(220, 20, 220);

struct StateMapCase {
    const char* name;
    int frameWidth;
    std::vector<COLORREF> strip;
    TdxSkinElementStates states;
    int imageCount;
    int imageIndex;
    TdxSkinElementState state;
    TRect bounds;
    COLORREF centre;
};

TEST(SkinImageStateMap, FrameOfEachStateByTheColourAtTheCentre) {
    const TdxSkinElementStates three = MakeStates({esNormal, esHot, esPressed});
    const std::vector<StateMapCase> cases = {
        {"normal", 20, {kRed, kGreen, kBlue}, three, 1, 0, esNormal, {0, 0, 20, 10}, kRed},
        {"pressed", 20, {kRed, kGreen, kBlue}, three, 1, 0, esPressed, {40, 0, 60, 10}, kBlue},
        {"missing state falls back",
         20,
         {kRed, kGreen, kBlue},
         three,
         1,
         0,
         esDisabled,
         {0, 0, 20, 10},
         kRed},
        {"index 1 hot",
         20,
         {kRed, kGreen, kBlue, kYellow, kCyan, kMagenta},
         three,
         2,
         1,
         esHot,
         {80, 0, 100, 10},
         kCyan},
        {"index 1 normal",
         20,
         {kRed, kGreen, kBlue, kYellow, kCyan, kMagenta},
         three,
         2,
         1,
         esNormal,
         {60, 0, 80, 10},
         kYellow},
        {"hot only strip: normal takes hot",
         20,
         {kGreen},
         MakeStates({esHot}),
         1,
         0,
         esNormal,
         {0, 0, 20, 10},
         kGreen},
    };
    for (const StateMapCase& c : cases) {
        SCOPED_TRACE(c.name);
        TdxSkinElement element(nullptr, "Strip");
        element.SetImageCount(c.imageCount);
        SetStrip(element.Image(), c.frameWidth, 10, c.strip);
        element.Image().SetStates(c.states);
        TdxSkinElementState valid = element.Image().ValidateState(c.state);
        TRect bounds = element.Image().GetStateBounds(c.imageIndex, valid);
        EXPECT_TRUE(EqualRect(&bounds, &c.bounds)) << bounds.left << " " << bounds.right;
        TPaintSurface surface(40, 30);
        element.Render(surface.DC(), TRect{5, 5, 35, 25}, c.imageIndex, c.state);
        EXPECT_EQ(surface.At(20, 15), c.centre);
        EXPECT_EQ(surface.At(2, 2), RGB(255, 255, 255)); // outside R untouched
    }
}

TEST(SkinImageStateMap, TooShortStripGivesEmptyFramesAndDrawsNothing) {
    TdxSkinElement element(nullptr, "Short");
    element.SetImageCount(4);
    SetStrip(element.Image(), 1, 10, {kRed, kGreen});
    element.Image().SetStates(MakeStates({esNormal, esHot, esPressed}));
    EXPECT_EQ(element.Image().FrameSize().cx, 0);
    TPaintSurface surface(20, 20);
    element.Render(surface.DC(), TRect{0, 0, 20, 20}, 0, esNormal);
    EXPECT_EQ(surface.Count(RGB(255, 255, 255)), 400);
}

TEST(SkinImageNineParts, PartRectsShrinkAndPresentFlags) {
    TdxSkinImage image;
    image.Margins().AssignRect(TRect{10, 0, 10, 0});
    bool present[9];
    std::fill(std::begin(present), std::end(present), true);
    TRect parts[9];
    image.CalculatePartRects(TRect{0, 0, 12, 30}, parts, present, true);
    EXPECT_EQ(parts[1].right - parts[1].left, 6); // left edge
    EXPECT_EQ(parts[7].right - parts[7].left, 6); // right edge
    EXPECT_EQ(parts[4].right - parts[4].left, 0); // centre empty
    EXPECT_FALSE(present[4]);
    // A zero top and bottom margin: no corners, no top or bottom edge.
    for (int k : {0, 2, 3, 5, 6, 8})
        EXPECT_FALSE(present[k]) << k;
    EXPECT_TRUE(present[1] && present[7]);
    // Columns 0 and 2 became resized; corners otherwise are copied.
    EXPECT_TRUE(image.PartResized[0][1] && image.PartResized[2][1] && image.PartResized[0][0]);

    std::fill(std::begin(present), std::end(present), true);
    image.CalculatePartRects(TRect{0, 0, 40, 30}, parts, present, true);
    EXPECT_FALSE(image.PartResized[0][0]);
    EXPECT_TRUE(image.PartResized[1][1] && image.PartResized[0][1]);
    EXPECT_EQ(parts[4].left, 10);
    EXPECT_EQ(parts[4].right, 30);

    // A part not present on entry is not computed.
    std::fill(std::begin(present), std::end(present), false);
    parts[4] = TRect{-1, -1, -1, -1};
    image.CalculatePartRects(TRect{0, 0, 40, 30}, parts, present, true);
    EXPECT_EQ(parts[4].left, -1);
}

TEST(SkinImageNineParts, CornersCopiedEdgesAndCentreStretched) {
    TdxSkinElement element(nullptr, "Nine");
    SetNinePartPicture(element.Image(), 30, 10);
    TPaintSurface surface(80, 60);
    element.Render(surface.DC(), TRect{0, 0, 80, 60}, 0, esNormal);
    // Corners pixel for pixel.
    EXPECT_TRUE(surface.AllOf(RECT{0, 0, 10, 10}, kPart[0][0]));
    EXPECT_TRUE(surface.AllOf(RECT{70, 0, 80, 10}, kPart[2][0]));
    EXPECT_TRUE(surface.AllOf(RECT{0, 50, 10, 60}, kPart[0][2]));
    EXPECT_TRUE(surface.AllOf(RECT{70, 50, 80, 60}, kPart[2][2]));
    // Edges and centre fill their stretched rectangles; the default interpolation may blend the
    // pixel rows next to a neighbouring part.
    EXPECT_TRUE(surface.AllOf(RECT{0, 12, 10, 48}, kPart[0][1]));
    EXPECT_TRUE(surface.AllOf(RECT{12, 0, 68, 10}, kPart[1][0]));
    EXPECT_TRUE(surface.AllOf(RECT{70, 12, 80, 48}, kPart[2][1]));
    EXPECT_TRUE(surface.AllOf(RECT{12, 50, 68, 60}, kPart[1][2]));
    EXPECT_TRUE(surface.AllOf(RECT{12, 12, 68, 48}, kPart[1][1]));
}

// Every column and row of the target gets the picture, whatever the stretch factor.
TEST(SkinImageNineParts, StretchedPartsLeaveNoGapAtAnySize) {
    TdxSkinElement element(nullptr, "Nine");
    SetNinePartPicture(element.Image(), 8, 1);
    for (int size = 9; size <= 40; ++size) {
        SCOPED_TRACE(size);
        TPaintSurface surface(48, 48);
        element.Render(surface.DC(), TRect{2, 2, 2 + size, 2 + size}, 0, esNormal);
        const int middle = 2 + size / 2;
        EXPECT_EQ(surface.At(2, middle), kPart[0][1]);
        EXPECT_EQ(surface.At(1 + size, middle), kPart[2][1]);
        EXPECT_EQ(surface.At(middle, 2), kPart[1][0]);
        EXPECT_EQ(surface.At(middle, 1 + size), kPart[1][2]);
        for (int i = 3; i < 1 + size; ++i) {
            EXPECT_NE(surface.At(i, middle), RGB(255, 255, 255)) << "column " << i;
            EXPECT_NE(surface.At(middle, i), RGB(255, 255, 255)) << "row " << i;
        }
    }
}

TEST(SkinImageNineParts, TileDrawsWholeTilesAndClipsTheLast) {
    // A 10 x 4 picture whose first column is red: one red column per tile.
    std::vector<DWORD> pixels(40);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            pixels[y * 10 + x] = Opaque(x == 0 ? kRed : kBlue);
    struct Case {
        int width;
        std::vector<int> redColumns;
    };
    for (const Case& c : {Case{25, {0, 10, 20}}, Case{20, {0, 10}}, Case{7, {0}}}) {
        SCOPED_TRACE(c.width);
        TdxSkinElement element(nullptr, "Tile");
        SetPixels(element.Image().Texture(), 10, 4, pixels);
        element.Image().SetStretch(smTile);
        TPaintSurface surface(40, 4);
        element.Render(surface.DC(), TRect{0, 0, c.width, 4}, 0, esNormal);
        RECT box = surface.BoxOf(kBlue);
        EXPECT_EQ(box.right, c.width); // the last tile ends at R
        for (int x = 0; x < c.width; ++x) {
            bool red = std::find(c.redColumns.begin(), c.redColumns.end(), x) != c.redColumns.end();
            EXPECT_EQ(surface.At(x, 2), red ? kRed : kBlue) << x;
        }
    }
}

TEST(SkinImageNineParts, NoResizeCentredWithoutGradient) {
    TdxSkinElement element(nullptr, "Centred");
    SetStrip(element.Image(), 10, 6, {kGreen});
    element.Image().SetStretch(smNoResize);
    element.Image().SetGradientBeginColor(TColor(kRed));
    element.Image().SetGradientEndColor(TColor(kRed));
    TPaintSurface surface(40, 30);
    element.Render(surface.DC(), TRect{0, 0, 40, 30}, 0, esNormal);
    EXPECT_EQ(surface.BoxOf(kGreen), (RECT{15, 12, 25, 18}));
    EXPECT_EQ(surface.Count(kRed), 0);
}

TEST(SkinImageNineParts, GradientReplacesOnlyTheCentre) {
    TdxSkinElement element(nullptr, "Gradient");
    SetNinePartPicture(element.Image(), 30, 10);
    element.Image().SetGradientBeginColor(TColor(kRed));
    element.Image().SetGradientEndColor(TColor(kRed));
    TPaintSurface surface(60, 60);
    element.Render(surface.DC(), TRect{0, 0, 60, 60}, 0, esNormal);
    EXPECT_TRUE(surface.AllOf(RECT{10, 10, 50, 50}, kRed));
    EXPECT_TRUE(surface.AllOf(RECT{0, 0, 10, 10}, kPart[0][0]));
    EXPECT_TRUE(surface.AllOf(RECT{12, 0, 48, 10}, kPart[1][0]));
    EXPECT_TRUE(surface.AllOf(RECT{50, 12, 60, 48}, kPart[2][1]));
}

TEST(SkinCanvas, GradientModesByTheirEndColours) {
    struct Case {
        TdxSkinGradientMode mode;
        POINT begin, end; // pixels nearest the first and the second colour
    };
    const Case cases[] = {{gmHorizontal, {0, 20}, {99, 20}},
                          {gmVertical, {50, 0}, {50, 39}},
                          {gmForwardDiagonal, {0, 0}, {99, 39}},
                          {gmBackwardDiagonal, {99, 0}, {0, 39}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TPaintSurface surface(100, 40);
        TdxSkinCanvas canvas;
        canvas.BeginPaint(surface.DC(), TRect{0, 0, 100, 40});
        canvas.FillGradient(TRect{0, 0, 100, 40}, TColor(RGB(0, 0, 0)), c.mode, TColor(RGB(255, 255, 255)));
        canvas.EndPaint();
        EXPECT_LT(GetRValue(surface.At(c.begin.x, c.begin.y)), 40);
        EXPECT_GT(GetRValue(surface.At(c.end.x, c.end.y)), 215);
        // The other diagonal's corners lie half way.
        if (c.mode == gmForwardDiagonal) {
            EXPECT_TRUE(Near(surface.At(99, 0), RGB(128, 128, 128), 50));
        }
    }
    // Equal colours, clNone or clDefault as the second colour: solid.
    for (TColor second : {TColor(kBlue), clNone, clDefault}) {
        TPaintSurface surface(20, 20);
        TdxSkinCanvas canvas;
        canvas.BeginPaint(surface.DC(), TRect{0, 0, 20, 20});
        canvas.FillGradient(TRect{0, 0, 20, 20}, TColor(kBlue), gmForwardDiagonal, second);
        canvas.EndPaint();
        EXPECT_EQ(surface.Count(kBlue), 400);
    }
}

TEST(SkinCanvas, BufferedPaintKeepsWhatLiesUnderAndDrawsTheSame) {
    TdxSkinElement element(nullptr, "Half");
    element.SetColor(TColor(kBlue));
    element.SetAlpha(128);
    TPaintSurface direct(30, 30, kRed), buffered(30, 30, kRed);
    element.Render(direct.DC(), TRect{5, 5, 25, 25}, 0, esNormal);
    TdxSkinCanvas::ForceBuffer = true;
    element.Render(buffered.DC(), TRect{5, 5, 25, 25}, 0, esNormal);
    TdxSkinCanvas::ForceBuffer = false;
    for (POINT p : {POINT{10, 10}, POINT{2, 2}, POINT{24, 24}, POINT{25, 25}})
        EXPECT_TRUE(Near(direct.At(p.x, p.y), buffered.At(p.x, p.y), 1)) << p.x << "," << p.y;
    EXPECT_NE(buffered.At(10, 10), kRed);
}

// An element that notes whether its paint went through the 32-bit buffer.
class TBufferWatchElement : public TdxSkinElement {
public:
    using TdxSkinElement::TdxSkinElement;
    void DrawEx(TdxSkinCanvas* canvas, const TRect& r, int imageIndex, TdxSkinElementState state) override {
        Buffered = canvas->Buffer != nullptr;
        TdxSkinElement::DrawEx(canvas, r, imageIndex, state);
    }
    bool Buffered = false;
};

HBITMAP MakeDib(int width, int height, int bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    void* pixels = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
}

TEST(SkinCanvas, MemoryDCBufferedByTheDepthOfItsSelectedBitmap) {
    TBufferWatchElement element(nullptr, "Half");
    element.SetColor(TColor(RGB(0, 0, 255)));
    element.SetAlpha(128);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmaps[] = {MakeDib(20, 20, 16), MakeDib(20, 20, 32), MakeDib(20, 20, 24)};
    HGDIOBJ old = SelectObject(dc, bitmaps[0]);
    // The same DC in turn: an answer kept from an earlier bitmap would be wrong for the next.
    struct Case {
        int bitmap;
        bool buffered;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}, Case{0, true}, Case{2, false}}) {
        SCOPED_TRACE(c.bitmap);
        SelectObject(dc, bitmaps[c.bitmap]);
        RECT all{0, 0, 20, 20};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &all, red);
        DeleteObject(red);
        element.Buffered = !c.buffered;
        element.Render(dc, TRect{5, 5, 15, 15}, 0, esNormal);
        EXPECT_EQ(element.Buffered, c.buffered);
        // Blended over red inside R (16-bit pixels keep 5 bits of red), red left around it.
        EXPECT_TRUE(Near(GetPixel(dc, 10, 10), RGB(127, 0, 128), 8)) << std::hex << GetPixel(dc, 10, 10);
        EXPECT_TRUE(Near(GetPixel(dc, 4, 4), RGB(255, 0, 0), 8)) << std::hex << GetPixel(dc, 4, 4);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    for (HBITMAP bitmap : bitmaps)
        DeleteObject(bitmap);

    // Any other device by its own depth.
    HDC screen = GetDC(nullptr);
    element.Render(screen, TRect{0, 0, 2, 2}, 0, esNormal);
    EXPECT_EQ(element.Buffered, GetDeviceCaps(screen, BITSPIXEL) <= 16);
    ReleaseDC(nullptr, screen);
}

TEST(SkinElementDrawing, BordersAlongRAndColourInsetByThin) {
    TdxSkinElement element(nullptr, "Bordered");
    element.SetColor(TColor(kGreen));
    element.Borders().Left().SetColor(TColor(kRed));
    element.Borders().Top().SetColor(TColor(kBlue));
    element.Borders().Top().SetThin(2);
    TPaintSurface surface(30, 30);
    element.Render(surface.DC(), TRect{5, 5, 25, 25}, 0, esNormal);
    EXPECT_TRUE(surface.AllOf(RECT{5, 7, 6, 25}, kRed));    // left along the whole R below the top
    EXPECT_TRUE(surface.AllOf(RECT{5, 5, 25, 7}, kBlue));   // top drawn after left, over it
    EXPECT_TRUE(surface.AllOf(RECT{6, 7, 25, 25}, kGreen)); // colour less the borders
    EXPECT_EQ(surface.At(4, 10), RGB(255, 255, 255));
    EXPECT_EQ(surface.At(25, 10), RGB(255, 255, 255));
}

TEST(SkinElementDrawing, AlphaColourBlendsWithTheBackground) {
    TdxSkinElement element(nullptr, "Half");
    element.SetColor(TColor(RGB(0, 0, 255)));
    element.SetAlpha(128);
    TPaintSurface surface(20, 20, RGB(255, 0, 0));
    element.Render(surface.DC(), TRect{0, 0, 20, 20}, 0, esNormal);
    EXPECT_TRUE(Near(surface.At(10, 10), RGB(127, 0, 128), 2)) << std::hex << surface.At(10, 10);
}

TEST(SkinElementDrawing, OpaqueStretchedPictureDrawsNoColourButANoResizeOneDoes) {
    TdxSkinElement element(nullptr, "Picture");
    SetStrip(element.Image(), 4, 4, {kGreen});
    element.SetColor(TColor(kRed));
    TPaintSurface surface(20, 20);
    element.Render(surface.DC(), TRect{0, 0, 20, 20}, 0, esNormal);
    EXPECT_EQ(surface.Count(kGreen), 400);
    element.Image().SetStretch(smNoResize);
    element.Render(surface.DC(), TRect{0, 0, 20, 20}, 0, esNormal);
    EXPECT_EQ(surface.Count(kGreen), 16);
    EXPECT_EQ(surface.Count(kRed), 400 - 16);
}

TEST(SkinElementDrawing, GlyphInsideTheContentOffset) {
    TdxSkinElement element(nullptr, "Glyph");
    element.SetColor(TColor(kBlue));
    SetStrip(element.Glyph(), 4, 4, {kRed});
    element.ContentOffset().AssignRect(TRect{2, 3, 8, 1});
    TPaintSurface surface(30, 30);
    element.Render(surface.DC(), TRect{0, 0, 30, 30}, 0, esNormal);
    EXPECT_EQ(surface.BoxOf(kRed), (RECT{2, 3, 22, 29}));
}

TEST(SkinElementDrawing, EmptyElementWhiteWithARedFrame) {
    TPaintSurface surface(20, 20, RGB(0, 0, 0));
    SkinElementOrEmpty(nullptr)->Render(surface.DC(), TRect{2, 2, 12, 10}, 0, esNormal);
    EXPECT_EQ(surface.BoxOf(RGB(255, 0, 0)), (RECT{2, 2, 12, 10}));
    EXPECT_TRUE(surface.AllOf(RECT{3, 3, 11, 9}, RGB(255, 255, 255)));
    EXPECT_EQ(surface.Count(RGB(0, 0, 0)), 400 - 80);
}

TEST(SkinElementDrawing, NothingForEmptyOrInvisibleRectanglesOrZeroFrames) {
    TdxSkinElement element(nullptr, "Solid");
    element.SetColor(TColor(kRed));
    TPaintSurface surface(20, 20);
    element.Render(surface.DC(), TRect{5, 5, 5, 15}, 0, esNormal);
    element.Render(surface.DC(), TRect{10, 10, 5, 5}, 0, esNormal);
    element.Render(surface.DC(), TRect{30, 30, 40, 40}, 0, esNormal);
    IntersectClipRect(surface.DC(), 0, 0, 4, 4);
    element.Render(surface.DC(), TRect{5, 5, 15, 15}, 0, esNormal);
    SelectClipRgn(surface.DC(), nullptr);
    TdxSkinImage empty;
    empty.Draw(surface.DC(), TRect{0, 0, 20, 20}, 0, esNormal);
    EXPECT_EQ(surface.Count(RGB(255, 255, 255)), 400);
}

TEST(SkinElementDrawing, BorderDrawOnItsOwn) {
    TdxSkinBorders borders;
    borders.Right().SetColor(TColor(kRed));
    borders.Right().SetThin(3);
    TPaintSurface surface(20, 20);
    borders.Right().Draw(surface.DC(), TRect{0, 0, 10, 10});
    borders.Left().Draw(surface.DC(), TRect{0, 0, 10, 10}); // clNone: nothing
    EXPECT_EQ(surface.BoxOf(kRed), (RECT{7, 0, 10, 10}));
    EXPECT_EQ(surface.Count(kRed), 30);
}
} // namespace
