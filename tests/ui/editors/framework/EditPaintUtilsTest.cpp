#include <gtest/gtest.h>

#include "tests/ui/core/PaintSurface.h"
#include "ui/editors/framework/EditPaintUtils.h"

namespace {

struct TArrowCase {
    const char* name;
    TSize area;
    TcxArrowPointing direction;
    TSize expected;
};

class TArrowSizeTest : public testing::TestWithParam<TArrowCase> {};

TEST_P(TArrowSizeTest, WidthFromTheSmallerSideMadeOdd) {
    const TArrowCase& c = GetParam();
    const TSize size = CalculateArrowSize(c.area, c.direction);
    EXPECT_EQ(size.cx, c.expected.cx);
    EXPECT_EQ(size.cy, c.expected.cy);
}

const TArrowCase ArrowCases[] = {
    {"NineByTwentyDown", {9, 20}, apDown, {5, 3}},
    {"TwentyByNineUp", {20, 9}, apUp, {5, 3}},
    {"EvenHalfMadeOdd", {11, 30}, apDown, {5, 3}},
    {"SidewaysSwapped", {9, 20}, apRight, {3, 5}},
    {"LeftSwapped", {17, 17}, apLeft, {5, 9}},
    {"Tiny", {2, 2}, apDown, {1, 1}},
};
INSTANTIATE_TEST_SUITE_P(EditPaintUtils, TArrowSizeTest, testing::ValuesIn(ArrowCases),
                         [](const testing::TestParamInfo<TArrowCase>& info) { return info.param.name; });

TEST(EditPaintUtils, TextFlagsConvertBothWaysAndDropWhatHasNoPartner) {
    const struct {
        int textOut;
        int dt;
    } pairs[] = {{cxTO_VCENTER, DT_VCENTER},     {cxTO_RIGHT, DT_RIGHT},       {cxTO_SINGLELINE, DT_SINGLELINE},
                 {cxTO_WORDBREAK, DT_WORDBREAK}, {cxTO_EXPANDTABS, DT_EXPANDTABS}, {cxTO_CALCRECT, DT_CALCRECT}};
    int allTextOut = 0, allDT = 0;
    for (const auto& p : pairs) {
        EXPECT_EQ(ConvertTextOutFlagsToDT(p.textOut), p.dt) << p.textOut;
        EXPECT_EQ(ConvertDTFlagsToTextOut(p.dt), p.textOut) << p.dt;
        allTextOut |= p.textOut;
        allDT |= p.dt;
    }
    EXPECT_EQ(ConvertTextOutFlagsToDT(allTextOut), allDT);
    EXPECT_EQ(ConvertDTFlagsToTextOut(allDT), allTextOut);
    EXPECT_EQ(ConvertDTFlagsToTextOut(DT_CENTER | DT_BOTTOM), 0);
    EXPECT_EQ(ConvertDTFlagsToTextOut(DT_CENTER | DT_SINGLELINE), cxTO_SINGLELINE);
    EXPECT_EQ(ConvertTextOutFlagsToDT(4 | 8 | 64 | 128), 0);
}

struct TOutsideCase {
    const char* name;
    TRect rect;
    TRect inner;
    int filled; // pixels of the fill colour
};

class TFillOutsideTest : public testing::TestWithParam<TOutsideCase> {};

TEST_P(TFillOutsideTest, FillsRectLessInner) {
    const TOutsideCase& c = GetParam();
    TPaintSurface surface(40, 40, RGB(255, 255, 255));
    FillRectOutside(surface.cx, c.rect, c.inner, static_cast<TColor>(RGB(255, 0, 0)));
    EXPECT_EQ(surface.Count(RGB(255, 0, 0)), c.filled);
    // Nothing inside inner and nothing outside rect.
    RECT in;
    if (IntersectRect(&in, &c.rect, &c.inner)) {
        EXPECT_TRUE(surface.AllOf(in, RGB(255, 255, 255)));
    }
}

const TOutsideCase OutsideCases[] = {
    {"Ring", {0, 0, 10, 10}, {2, 2, 8, 8}, 100 - 36},
    {"EmptyInnerFillsAll", {0, 0, 10, 10}, {5, 5, 5, 5}, 100},
    {"EqualFillsNothing", {0, 0, 10, 10}, {0, 0, 10, 10}, 0},
    {"EmptyRectFillsNothing", {3, 3, 3, 10}, {0, 0, 1, 1}, 0},
    {"InnerAtAnEdge", {0, 0, 10, 10}, {0, 0, 10, 6}, 40},
    {"InnerOffCentre", {10, 10, 30, 20}, {12, 11, 20, 19}, 200 - 64},
};
INSTANTIATE_TEST_SUITE_P(EditPaintUtils, TFillOutsideTest, testing::ValuesIn(OutsideCases),
                         [](const testing::TestParamInfo<TOutsideCase>& info) { return info.param.name; });

TEST(EditPaintUtils, RectEdgesShrinkByEachDrawnEdge) {
    TPaintSurface surface(20, 20, RGB(255, 255, 255));
    TRect r{2, 2, 12, 12};
    DrawRectEdges(surface.cx, r, 1 | 8, static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_TRUE(EqualRect(&r, &static_cast<const RECT&>(TRect{3, 2, 12, 11})));
    EXPECT_EQ(surface.Count(RGB(0, 0, 255)), 10 + 9);
    EXPECT_EQ(surface.BoxOf(RGB(0, 0, 255)).right, 12);
}

TEST(EditPaintUtils, ArrowsAreCountPlusOneTrianglesCentred) {
    TPaintSurface surface(40, 40, RGB(255, 255, 255));
    const COLORREF red = RGB(255, 0, 0);
    DrawArrows(surface.cx, 3, TRect{0, 0, 40, 40}, static_cast<TColor>(red), false, 1, apDown);
    // Two triangles of side 3 (5, 3 and 1 pixels): 18 pixels, a 5 x 6 block around the centre.
    EXPECT_EQ(surface.Count(red), 18);
    const RECT box = surface.BoxOf(red);
    EXPECT_EQ(box.right - box.left, 5);
    EXPECT_EQ(box.bottom - box.top, 6);
    EXPECT_EQ(box.left, (40 - 5) / 2);
    surface.Clear(RGB(255, 255, 255));
    DrawArrows(surface.cx, 3, TRect{0, 0, 40, 40}, static_cast<TColor>(red), true, 0, apRight);
    const RECT pressed = surface.BoxOf(red);
    EXPECT_EQ(pressed.right - pressed.left, 3);
    EXPECT_EQ(pressed.bottom - pressed.top, 5);
    EXPECT_EQ(pressed.left, (40 - 3) / 2 + 1);
    // The apex of a right arrow is its right-most column, one pixel.
    int apex = 0;
    for (int y = 0; y < 40; ++y) apex += surface.At(pressed.right - 1, y) == red;
    EXPECT_EQ(apex, 1);
}

TEST(EditPaintUtils, ColoursAndKindsOfTheEditLook) {
    EXPECT_EQ(GetHotBorderColor(false), clHighlight);
    EXPECT_EQ(ButtonStyleToLookAndFeelKind(btsDefault), lfStandard);
    EXPECT_EQ(ButtonStyleToLookAndFeelKind(bts3D), lfStandard);
    EXPECT_EQ(ButtonStyleToLookAndFeelKind(btsSimple), lfFlat);
    EXPECT_EQ(ButtonStyleToLookAndFeelKind(btsHotFlat), lfFlat);
    EXPECT_EQ(ButtonStyleToLookAndFeelKind(btsUltraFlat), lfUltraFlat);
    EXPECT_EQ(ButtonStyleToLookAndFeelKind(btsOffice11), lfOffice11);
    EXPECT_EQ(GetEditLookAndFeelKind(nullptr), lfStandard);
    EXPECT_TRUE(CharIsDigit('0'));
    EXPECT_TRUE(CharIsDigit('9'));
    EXPECT_FALSE(CharIsDigit('a'));
    EXPECT_FALSE(CharIsDigit('/'));
    TPaintSurface surface(8, 8);
    EXPECT_EQ(GetEditButtonsContentVerticalOffset(surface.cx, bts3D, false), 4);
    EXPECT_EQ(GetEditButtonsContentVerticalOffset(surface.cx, btsDefault, false), 0);
    EXPECT_EQ(GetEditButtonsContentVerticalOffset(surface.cx, btsOffice11, false), 2);
}

} // namespace
