// The painters' shared resources: the generated bitmaps at their sizes, the indicator images,
// the page patterns, the system check-box size and the radio-button images.
#include <gtest/gtest.h>

#include <set>

#include "PaintSurface.h"
#include "ThemeSeam.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/PainterResources.h"

namespace {

TEST(PaintingResourcesTest, BitmapsAreThereAtTheirSizes) {
    struct Case {
        const char* name;
        int width, height;
    } cases[] = {
        {"DXEXPANDBUTTON_MINUS", 11, 11}, {"DXEXPANDBUTTON_PLUS", 11, 11}, {"DXSUBMENUEXPAND", 16, 16},
        {"CX_ARROWBITMAP", 8, 9},         {"CX_EDITBITMAP", 8, 9},         {"CX_INSERTBITMAP", 8, 9},
        {"CX_MULTIDOTBITMAP", 8, 9},      {"CX_MULTIARROWBITMAP", 8, 9},   {"CX_FILTERBITMAP", 8, 9}};
    for (const Case& c : cases) {
        TBitmap bitmap;
        bitmap.LoadFromResourceName(GetModuleHandleA(nullptr), c.name);
        EXPECT_EQ(bitmap.Width(), c.width) << c.name;
        EXPECT_EQ(bitmap.Height(), c.height) << c.name;
        if (c.width == 8) { // glyphs on white with something black on them
            EXPECT_EQ(bitmap.Canvas().Pixel(7, 0) & 0xFFFFFF, clWhite) << c.name;
            int black = 0;
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 8; ++x)
                    black += (bitmap.Canvas().Pixel(x, y) & 0xFFFFFF) == 0;
            EXPECT_GT(black, 3) << c.name;
        }
    }
    TBitmap missing;
    EXPECT_THROW(missing.LoadFromResourceName(GetModuleHandleA(nullptr), "NO_SUCH_BITMAP"), EResNotFound);
    EXPECT_TRUE(missing.Empty());
}

TEST(PaintingResourcesTest, IndicatorImagesAreTheSixGlyphsWithWhiteTransparent) {
    TCustomImageList* images = PainterResources().IndicatorImages;
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->Count(), 6);
    EXPECT_EQ(images->Width(), 8);
    EXPECT_EQ(images->Height(), 9);
    // The arrow (kind 1): its black column 2 shows, the white around it does not.
    TPaintSurface s(8, 9, RGB(255, 0, 0));
    images->Draw(s.canvas, 0, 0, 0);
    EXPECT_EQ(s.At(2, 4), RGB(0, 0, 0));
    EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(s.At(7, 8), RGB(255, 0, 0));
}

TEST(PaintingResourcesTest, PaintersCentreIndicatorKindsOneToSixWithWhiteTransparent) {
    const COLORREF red = RGB(255, 0, 0);
    for (int kind = 0; kind <= 6; ++kind) {
        TPaintSurface s(20, 21, red);
        TcxCustomLookAndFeelPainter::Painter()->PaintIndicatorGlyph(&s.cx, Rect(0, 0, 20, 21), kind);
        RECT glyph = s.BoxOf(RGB(0, 0, 0));
        if (kind == 0) {
            EXPECT_EQ(s.Count(red), 20 * 21);
            continue;
        }
        // The 8 x 9 image sits at (6, 6); only its black pixels show.
        EXPECT_GE(glyph.left, 6) << kind;
        EXPECT_GE(glyph.top, 6) << kind;
        EXPECT_LE(glyph.right, 14) << kind;
        EXPECT_LE(glyph.bottom, 15) << kind;
        EXPECT_EQ(s.Count(RGB(255, 255, 255)), 0) << kind;
        EXPECT_EQ(s.Count(red) + s.Count(RGB(0, 0, 0)), 20 * 21) << kind;
    }
}

TEST(PaintingResourcesTest, CheckBoxSizeIsOneCellOfTheSystemBitmap) {
    HBITMAP boxes = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759));
    ASSERT_NE(boxes, nullptr);
    BITMAP info{};
    GetObjectA(boxes, sizeof(info), &info);
    DeleteObject(boxes);
    EXPECT_EQ(PainterResources().CheckBoxSize.cx, info.bmWidth / 4);
    EXPECT_EQ(PainterResources().CheckBoxSize.cy, info.bmHeight / 3);
}

TEST(PaintingResourcesTest, PagePatternsAlternateBySeamColours) {
    {
        TScopedSysColors colors({{COLOR_BTNFACE, RGB(1, 2, 3)},
                                 {COLOR_BTNHIGHLIGHT, RGB(4, 5, 6)},
                                 {COLOR_3DDKSHADOW, RGB(7, 8, 9)}});
        UpdateScrollBarPatterns();
        TBitmap* page = PainterResources().ScrollBarPatterns[0];
        TBitmap* pressed = PainterResources().ScrollBarPatterns[1];
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->Width(), 8);
        for (auto [x, y] : {std::pair{0, 0}, {3, 5}, {7, 7}}) {
            EXPECT_EQ(page->Canvas().Pixel(x, y) & 0xFFFFFF, RGB(1, 2, 3));
            EXPECT_EQ(pressed->Canvas().Pixel(x, y) & 0xFFFFFF, RGB(0, 0, 0));
        }
        for (auto [x, y] : {std::pair{1, 0}, {0, 1}, {6, 7}}) {
            EXPECT_EQ(page->Canvas().Pixel(x, y) & 0xFFFFFF, RGB(4, 5, 6));
            EXPECT_EQ(pressed->Canvas().Pixel(x, y) & 0xFFFFFF, RGB(7, 8, 9));
        }
    }
    UpdateScrollBarPatterns();
}

TEST(RadioButtonImagesTest, DotScansStayInsideTheRadio) {
    // A cell whose inside is all of the text colour: the runs stop at the radio's box.
    TBitmap cell(16, 16, pf32bit);
    cell.Canvas().Brush().SetColor(clBlack);
    cell.Canvas().FillRect(Rect(0, 0, 16, 16));
    TRect dot = TcxRadioButtonImageList::FindDot(cell, Rect(2, 3, 14, 15), RGB(0, 0, 0));
    EXPECT_EQ(dot.left, 2);
    EXPECT_EQ(dot.top, 3);
    EXPECT_EQ(dot.right, 14);
    EXPECT_EQ(dot.bottom, 15);
    // A white ring around a 4 x 4 dot: the dot alone.
    cell.Canvas().Brush().SetColor(clWhite);
    cell.Canvas().FillRect(Rect(2, 3, 14, 15));
    cell.Canvas().Brush().SetColor(clBlack);
    cell.Canvas().FillRect(Rect(6, 7, 10, 11));
    dot = TcxRadioButtonImageList::FindDot(cell, Rect(2, 3, 14, 15), RGB(0, 0, 0));
    EXPECT_EQ(dot.left, 6);
    EXPECT_EQ(dot.top, 7);
    EXPECT_EQ(dot.right, 10);
    EXPECT_EQ(dot.bottom, 11);
    // No dot at the centre: none at all.
    cell.Canvas().Brush().SetColor(clWhite);
    cell.Canvas().FillRect(Rect(2, 3, 14, 15));
    dot = TcxRadioButtonImageList::FindDot(cell, Rect(2, 3, 14, 15), RGB(0, 0, 0));
    EXPECT_TRUE(IsRectEmpty(&dot));
}

TEST(RadioButtonImagesTest, SizedFromTheSystemWithRingBodyAndDotCodes) {
    TcxRadioButtonImageList* radio = GetRadioButtonImages();
    TSize size = radio->Size();
    TSize cell = PainterResources().CheckBoxSize;
    ASSERT_GT(size.cx, 4);
    ASSERT_GT(size.cy, 4);
    EXPECT_LE(size.cx, cell.cx);
    EXPECT_LE(size.cy, cell.cy);
    EXPECT_EQ(PainterResources().RadioButtonSize.cx, size.cx);
    EXPECT_EQ(PainterResources().RadioButtonSize.cy, size.cy);
    EXPECT_EQ(radio->Images()->Count(), 128);
    std::set<int> indices;
    for (int kind = lfFlat; kind <= lfOffice11; ++kind)
        for (int state = bpsNormal; state <= bpsDisabled; ++state)
            for (int bits = 0; bits < 8; ++bits)
                indices.insert(radio->ImageIndex(TcxLookAndFeelKind(kind), TcxButtonPaintState(state),
                                                 bits & 1, bits & 2, bits & 4));
    EXPECT_EQ(indices.size(), 128u);
    EXPECT_EQ(*indices.begin(), 0);
    EXPECT_EQ(*indices.rbegin(), 127);

    const int w = size.cx, h = size.cy;
    EXPECT_EQ(radio->PatternAt(0, 0), rpNone);
    EXPECT_EQ(radio->PatternAt(w - 1, h - 1), rpNone);
    EXPECT_EQ(radio->PatternAt(w / 2, 0), rpOuterTop);
    EXPECT_EQ(radio->PatternAt(w / 2, h - 1), rpOuterBottom);
    EXPECT_EQ(radio->PatternAt(w / 2, 1), rpInnerTop);
    EXPECT_EQ(radio->PatternAt(w / 2, h - 2), rpInnerBottom);
    TRect dot = radio->DotRect();
    ASSERT_FALSE(IsRectEmpty(&dot)) << "the system's checked radio shows no dot in the window text colour";
    EXPECT_EQ(radio->PatternAt(w / 2, h / 2), rpDot);
    int counts[7] = {};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ++counts[radio->PatternAt(x, y)];
    for (int code = rpNone; code <= rpDot; ++code)
        EXPECT_GT(counts[code], 0) << "code " << code;
}

TEST(RadioButtonImagesTest, ImagesPaintRingAndDotColoursPerKind) {
    TcxRadioButtonImageList* radio = GetRadioButtonImages();
    const int w = radio->Size().cx, h = radio->Size().cy;
    const COLORREF background = RGB(255, 0, 255);
    struct Case {
        TcxLookAndFeelKind kind;
        TcxButtonPaintState state;
        bool checked, flagB, flagA;
        COLORREF outerTop, body, dot;
    } cases[] = {
        {lfStandard, bpsNormal, true, false, false, Sys(clBtnShadow), Sys(clWindow), Sys(clWindowText)},
        {lfFlat, bpsPressed, false, false, false, Sys(clBtnShadow), Sys(clBtnFace), Sys(clBtnFace)},
        {lfUltraFlat, bpsNormal, true, false, false, Sys(clBtnShadow), Sys(clWindow), Sys(clWindowText)},
        {lfUltraFlat, bpsNormal, false, true, false, Sys(clHighlight), Sys(clWindow), Sys(clWindow)},
        {lfUltraFlat, bpsDisabled, true, false, true, Sys(clBtnShadow), Sys(clBtnFace), Sys(clBtnShadow)},
        {lfOffice11, bpsNormal, true, false, false, Sys(clBtnText), Sys(clWindow), Sys(clWindowText)},
        {lfOffice11, bpsDisabled, true, false, false, Sys(Office11DisabledTextColor), Sys(clBtnFace),
         Sys(Office11DisabledTextColor)},
        {lfOffice11, bpsNormal, false, false, true, Sys(Office11SelectedBorderColor), Sys(clWindow),
         Sys(clWindow)},
    };
    for (const Case& c : cases) {
        TPaintSurface s(w + 4, h + 4, background);
        radio->PaintImage(&s.cx, 2, 2, clDefault, c.kind, c.state, c.checked, c.flagB, c.flagA);
        SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " state " << int(c.state));
        EXPECT_EQ(s.At(2, 2), background); // the corner is masked out
        EXPECT_EQ(s.At(2 + w / 2, 2), c.outerTop);
        EXPECT_EQ(s.At(2 + w / 2, 2 + 2), c.body);
        EXPECT_EQ(s.At(2 + w / 2, 2 + h / 2), c.dot);
    }
    // On a brush colour the corners take that colour.
    TPaintSurface s(w, h, background);
    radio->PaintImage(&s.cx, 0, 0, static_cast<TColor>(RGB(0, 128, 0)), lfStandard, bpsNormal, true, false,
                      false);
    EXPECT_EQ(s.At(0, 0), RGB(0, 128, 0));
    EXPECT_EQ(s.At(w / 2, h / 2), Sys(clWindowText));
}

} // namespace
