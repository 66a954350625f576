#include <gtest/gtest.h>

#include <cstring>

#include "PaintSurface.h"

namespace {
constexpr COLORREF kGreen = RGB(0, 128, 0);

// Crisp glyphs: every text pixel has exactly the font colour.
void UseCrispFont(TcxCanvas& cx, int height = -16) {
    LOGFONTA lf = cx.Font().LogFont();
    lf.lfHeight = height;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    std::strcpy(lf.lfFaceName, "Tahoma");
    cx.Font().SetLogFont(lf);
}
} // namespace

TEST(CanvasText, FlagTranslation) {
    struct Case {
        int flags;
        UINT expected;
    } cases[] = {
        {0, DT_NOPREFIX},
        {tfAlignLeft | tfAlignTop, DT_NOPREFIX},
        {tfAlignRight | tfAlignBottom, DT_NOPREFIX | DT_RIGHT | DT_BOTTOM},
        {tfAlignHCenter | tfAlignVCenter | tfSingleLine,
         DT_NOPREFIX | DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {tfDontClip | tfExpandTabs, DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS},
        {tfShowPrefix, 0},
        {tfWordBreak, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL},
        {tfWordBreak | tfNoCharBreak, DT_NOPREFIX | DT_WORDBREAK},
        {tfNoCharBreak, DT_NOPREFIX},
        {tfShowEndEllipsis | tfShowPathEllipsis | tfCalcOnly,
         DT_NOPREFIX | DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_CALCRECT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextFlagsToDrawTextFlags(c.flags), c.expected) << std::hex << c.flags;
}

TEST(CanvasText, DisabledTextIsEmbossedAndStateRestored) {
    for (int flags : {tfSingleLine, tfSingleLine | tfShowPrefix}) { // ExtTextOut and DrawText paths
        TPaintSurface s(120, 40, kGreen);
        UseCrispFont(s.cx);
        s.cx.Font().SetColor(clRed);
        s.cx.Brush().SetColor(clWhite);
        s.cx.DrawTextWithFlags("WHW", Rect(10, 10, 110, 38), flags, false);

        // Both passes are transparent: only the two text colours appear on the background.
        COLORREF highlight = Sys(clBtnHighlight), shadow = Sys(clBtnShadow);
        ASSERT_NE(highlight, shadow);
        RECT light = s.BoxOf(highlight), dark = s.BoxOf(shadow);
        ASSERT_FALSE(IsRectEmpty(&dark));
        ASSERT_FALSE(IsRectEmpty(&light));
        // The shadow pass covers part of the highlight; its right and bottom edges stay visible.
        EXPECT_EQ(light.right, dark.right + 1);
        EXPECT_EQ(light.bottom, dark.bottom + 1);
        EXPECT_EQ(s.Count(kGreen) + s.Count(highlight) + s.Count(shadow), 120 * 40);

        EXPECT_EQ(s.cx.Brush().Style(), bsSolid);
        EXPECT_EQ(s.cx.Brush().Color(), clWhite);
        EXPECT_EQ(s.cx.Font().Color(), clRed);
    }
}

TEST(CanvasText, SingleLineAlignmentAndClipping) {
    TPaintSurface s(200, 40, kGreen);
    UseCrispFont(s.cx);
    s.cx.Font().SetColor(clRed);
    s.cx.Brush().SetStyle(bsClear);
    TSize extent = s.cx.MeasureTextExtent("WWW");
    ASSERT_GT(extent.cx, 0);

    s.cx.DrawTextWithFlags("WWW", Rect(0, 0, 150, 40), tfSingleLine | tfAlignRight | tfAlignBottom);
    RECT box = s.BoxOf(RGB(255, 0, 0));
    EXPECT_GE(box.left, 150 - extent.cx);
    EXPECT_LE(box.right, 150);
    EXPECT_GE(box.top, 40 - extent.cy);

    // A text wider than its rectangle is clipped to it.
    TPaintSurface t(200, 40, kGreen);
    UseCrispFont(t.cx);
    t.cx.Font().SetColor(clRed);
    t.cx.Brush().SetStyle(bsClear);
    t.cx.DrawTextWithFlags("WWWWWWWW", Rect(5, 5, 25, 35), tfSingleLine);
    box = t.BoxOf(RGB(255, 0, 0));
    ASSERT_FALSE(IsRectEmpty(&box));
    EXPECT_GE(box.left, 5);
    EXPECT_LE(box.right, 25);
    EXPECT_TRUE(t.AllOf(Rect(25, 0, 200, 40), kGreen));

    // An empty text draws nothing at all.
    t.cx.Brush().SetStyle(bsSolid);
    t.cx.DrawTextWithFlags("", Rect(0, 0, 200, 40), tfSingleLine);
    EXPECT_TRUE(t.AllOf(Rect(25, 0, 200, 40), kGreen));
}

TEST(CanvasText, MultiLineTextIsAlignedToTheBottom) {
    TPaintSurface s(200, 120, kGreen);
    UseCrispFont(s.cx);
    s.cx.Font().SetColor(clRed);
    s.cx.Brush().SetStyle(bsClear);
    s.cx.DrawTextWithFlags("AB\nCD", Rect(0, 0, 200, 120), tfAlignBottom);
    RECT box = s.BoxOf(RGB(255, 0, 0));
    TSize line = s.cx.MeasureTextExtent("AB");
    EXPECT_GE(box.top, 120 - 2 * line.cy);
    EXPECT_LE(box.bottom, 120);

    // Centred: two lines of height h start at (120 - 2h) div 2.
    TPaintSurface c(200, 120, kGreen);
    UseCrispFont(c.cx);
    c.cx.Font().SetColor(clRed);
    c.cx.Brush().SetStyle(bsClear);
    c.cx.DrawTextWithFlags("AB\nCD", Rect(0, 0, 200, 120), tfAlignVCenter);
    box = c.BoxOf(RGB(255, 0, 0));
    ASSERT_FALSE(IsRectEmpty(&box));
    EXPECT_GE(box.top, (120 - 2 * line.cy) / 2);
    EXPECT_LE(box.bottom, (120 + 2 * line.cy) / 2 + 1);
    EXPECT_GT(box.top, line.cy); // well below the top: DrawText alone would leave it there
}

TEST(CanvasText, MeasureTextBoundsMovesTheResultBackIntoTheArea) {
    TPaintSurface s(10, 10);
    UseCrispFont(s.cx);
    TSize extent = s.cx.MeasureTextExtent("Abc");

    TRect r = Rect(0, 0, 200, 100);
    s.cx.MeasureTextBounds("Abc", r, tfSingleLine | tfAlignHCenter | tfAlignVCenter);
    EXPECT_EQ(r.right - r.left, extent.cx);
    EXPECT_EQ(r.bottom - r.top, extent.cy);
    EXPECT_EQ(r.left, (200 - extent.cx) / 2);
    EXPECT_EQ(r.top, (100 - extent.cy) / 2);

    r = Rect(0, 0, 200, 100);
    s.cx.MeasureTextBounds("Abc", r, tfSingleLine | tfAlignRight | tfAlignBottom);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 100);

    // No width: the text is measured as one unbroken line.
    r = Rect(7, 3, 7, 3);
    s.cx.MeasureTextBounds("Abc", r, tfAlignLeft);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.right - r.left, extent.cx);
}

TEST(CanvasText, MeasuringAndRotation) {
    TPaintSurface s(10, 10);
    EXPECT_EQ(s.cx.MeasureTextExtent("").cx, 0);
    EXPECT_EQ(s.cx.MeasureTextExtent("").cy, 0);

    TFont big;
    big.SetHeight(-30);
    TFont small;
    small.SetHeight(-10);
    int bigHeight = s.cx.MeasureFontHeight(big);
    int smallHeight = s.cx.MeasureFontHeight(small);
    EXPECT_GT(bigHeight, smallHeight);
    EXPECT_EQ(s.cx.Font().Height(), -10); // the last measured font stays assigned

    s.cx.RotateFont(90);
    LOGFONTA lf{};
    ASSERT_NE(GetObjectA(s.cx.Font().Handle(), sizeof(lf), &lf), 0);
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfOutPrecision, OUT_TT_ONLY_PRECIS);
    EXPECT_EQ(lf.lfOrientation, 0);
}

TEST(ScreenCanvas, SharedInstanceMeasuresText) {
    TcxScreenCanvas* canvas = GetSharedScreenCanvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(GetSharedScreenCanvas(), canvas);
    EXPECT_GT(canvas->MeasureTextWidth("abc"), 0);
    EXPECT_NE(canvas->GetDCHandle(), nullptr);
    FreeSharedScreenCanvas();
    EXPECT_NE(GetSharedScreenCanvas(), nullptr);
    FreeSharedScreenCanvas();
}
