#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "EditLayout.h"
#include "tests/ui/core/ThemeSeam.h"
#include "ui/core/ThemeBinding.h"
#include "ui/editors/framework/EditPaintUtils.h"

namespace {

using namespace edit_layout;

int M() {
    return GetSystemMetric(SM_CYHSCROLL);
}

struct TLayoutCase {
    const char* name;
    TcxEditBorderStyle border;
    bool transparentBorder;
    bool shadow;
    TcxBorders edges;
    bool inplace;
    TRect inplaceExtent;
    std::vector<TButtonRow> buttons;
    TcxEditButtonTransparency transparency;
    bool focused;
    bool hot;
    uint8_t mode;
    // Width and height of the bounds; the M below is SM_CYHSCROLL read when the test runs.
    std::function<TSize(int M)> size;
    TRect extents;
    std::function<TRect(int M)> client;
    std::function<std::vector<TRect>(int M)> buttonBounds; // visible bounds by view-info index
    const char* marks;                                     // by view-info index: F first, L last, B both, - none
};

class TLayoutTest : public testing::TestWithParam<TLayoutCase> {};

TEST_P(TLayoutTest, ExtentsClientRectButtonsAndGroupMarks) {
    const TLayoutCase& c = GetParam();
    const int m = M();
    TLayout layout;
    layout.style.SetBorderStyle(c.border);
    layout.style.SetTransparentBorder(c.transparentBorder);
    layout.style.SetShadow(c.shadow);
    layout.style.SetEdges(c.edges);
    layout.style.SetButtonTransparency(c.transparency);
    layout.properties.SetButtonLayoutMode(c.mode);
    layout.AddButtons(c.buttons);
    TcxCustomEditViewData& data = layout.Make(c.inplace);
    data.InplaceBorderExtent = c.inplaceExtent;
    data.Focused = c.focused;
    const TSize size = c.size(m);
    layout.Calculate(TRect{0, 0, size.cx, size.cy}, c.hot ? TPoint{1, 1} : TPoint{-1, -1});
    TcxCustomEditViewInfo& info = layout.info;
    EXPECT_TRUE(Same(info.BorderWidths, c.extents)) << info.BorderWidths;
    EXPECT_TRUE(Same(info.ContentRect, c.client(m))) << info.ContentRect;
    const std::vector<TRect> expected = c.buttonBounds(m);
    ASSERT_EQ(info.ButtonCount(), static_cast<int>(expected.size()));
    std::string marks;
    for (int i = 0; i < info.ButtonCount(); ++i) {
        const TcxEditButtonViewInfoData& b = info.Button(i)->Data;
        EXPECT_TRUE(Same(b.VisibleBounds, expected[static_cast<size_t>(i)])) << i << " " << b.VisibleBounds;
        marks += b.FirstInGroup && b.LastInGroup ? 'B' : b.FirstInGroup ? 'F' : b.LastInGroup ? 'L' : '-';
    }
    EXPECT_EQ(marks, c.marks);
}

const TcxBorders All = cxBordersAll;
std::function<TSize(int)> Fixed(int w, int h) {
    return [=](int) { return TSize{w, h}; };
}
std::function<TRect(int)> Rect(int l, int t, int r, int b) {
    return [=](int) { return TRect{l, t, r, b}; };
}
std::function<std::vector<TRect>(int)> NoButtons() {
    return [](int) { return std::vector<TRect>{}; };
}

const TLayoutCase LayoutCases[] = {
    {"SingleNoButtons", ebsSingle, false, false, All, false, {}, {}, ebtNone, false, false, 0, Fixed(100, 24),
     {1, 1, 1, 1}, Rect(1, 1, 99, 23), NoButtons(), ""},
    {"TransparentBorderIsTwoOnEverySide", ebsSingle, true, false, All, false, {}, {}, ebtNone, false, false, 0,
     Fixed(100, 24), {2, 2, 2, 2}, Rect(2, 2, 98, 22), NoButtons(), ""},
    {"ThickWithShadow", ebsThick, false, true, All, false, {}, {}, ebtNone, false, false, 0, Fixed(100, 24),
     {2, 2, 5, 5}, Rect(2, 2, 95, 19), NoButtons(), ""},
    {"FlatOnLeftAndTopEdges", ebsFlat, false, false, TcxBorders{bLeft, bTop}, false, {}, {}, ebtNone, false, false,
     0, Fixed(100, 24), {2, 2, 0, 0}, Rect(2, 2, 100, 24), NoButtons(), ""},
    {"UltraFlatIsOnePixel", ebsUltraFlat, false, false, All, false, {}, {}, ebtNone, false, false, 0,
     Fixed(100, 24), {1, 1, 1, 1}, Rect(1, 1, 99, 23), NoButtons(), ""},
    {"NoneHasNoBorder", ebsNone, false, false, All, false, {}, {}, ebtNone, false, false, 0, Fixed(100, 24),
     {0, 0, 0, 0}, Rect(0, 0, 100, 24), NoButtons(), ""},
    {"InplaceTakesTheHostsExtents", ebsThick, true, true, All, true, {1, 2, 3, 4}, {}, ebtNone, false, false, 0,
     Fixed(100, 24), {1, 2, 3, 4}, Rect(1, 2, 97, 20), NoButtons(), ""},
    // The last button of the collection is placed first and shows whole; the other shows the rest.
    {"TwoAutomaticButtonsInTwoMMinusFour", ebsNone, false, false, All, false, {}, {{}, {}}, ebtNone, false, false,
     0, [](int m) { return TSize{2 * m - 4, 20}; }, {0, 0, 0, 0}, Rect(0, 0, 0, 20),
     [](int m) { return std::vector<TRect>{{0, 0, m - 4, 20}, {m - 4, 0, 2 * m - 4, 20}}; }, "FL"},
    {"LeftAndRightButtons", ebsSingle, false, false, All, false, {}, {{bkEllipsis, 15, true}, {bkGlyph, 20}},
     ebtNone, false, false, 0, Fixed(100, 24), {1, 1, 1, 1}, Rect(16, 1, 79, 23),
     [](int) { return std::vector<TRect>{{1, 1, 16, 23}, {79, 1, 99, 23}}; }, "BB"},
    {"TwoLeftButtonsOutermostFirst", ebsSingle, false, false, All, false, {}, {{bkDown, 10, true}, {bkDown, 12, true}},
     ebtNone, false, false, 0, Fixed(100, 24), {1, 1, 1, 1}, Rect(23, 1, 99, 23),
     [](int) { return std::vector<TRect>{{13, 1, 23, 23}, {1, 1, 13, 23}}; }, "LF"},
    {"InvisibleButtonsTakeNoPlace", ebsSingle, false, false, All, false, {},
     {{bkDown, 10}, {bkDown, 30, false, false}, {bkDown, 20}}, ebtNone, false, false, 0, Fixed(100, 24),
     {1, 1, 1, 1}, Rect(1, 1, 69, 23), [](int) { return std::vector<TRect>{{69, 1, 79, 23}, {79, 1, 99, 23}}; },
     "FL"},
    {"HideInactiveHidesButtonsOfAnUnfocusedEditor", ebsSingle, false, false, All, false, {}, {{bkDown, 20}},
     ebtHideInactive, false, true, 0, Fixed(100, 24), {1, 1, 1, 1}, Rect(1, 1, 99, 23), NoButtons(), ""},
    {"HideInactiveShowsThemWhenFocused", ebsSingle, false, false, All, false, {}, {{bkDown, 20}}, ebtHideInactive,
     true, false, 0, Fixed(100, 24), {1, 1, 1, 1}, Rect(1, 1, 79, 23),
     [](int) { return std::vector<TRect>{{79, 1, 99, 23}}; }, "B"},
    {"HideUnselectedShowsThemWhenHot", ebsSingle, false, false, All, false, {}, {{bkDown, 20}}, ebtHideUnselected,
     false, true, 0, Fixed(100, 24), {1, 1, 1, 1}, Rect(1, 1, 79, 23),
     [](int) { return std::vector<TRect>{{79, 1, 99, 23}}; }, "B"},
    {"HideUnselectedHidesThemOtherwise", ebsSingle, false, false, All, false, {}, {{bkDown, 20}}, ebtHideUnselected,
     false, false, 0, Fixed(100, 24), {1, 1, 1, 1}, Rect(1, 1, 99, 23), NoButtons(), ""},
    {"EmptyTextButtonIsAtLeastM", ebsNone, false, false, All, false, {}, {{bkText}}, ebtNone, false, false, 0,
     Fixed(100, 24), {0, 0, 0, 0}, [](int m) { return TRect{0, 0, 100 - m, 24}; },
     [](int m) { return std::vector<TRect>{{100 - m, 0, 100, 24}}; }, "B"},
    {"NarrowWidthRaisedToTheMargins", ebsNone, false, false, All, false, {}, {{bkDown, 2}}, ebtNone, false, false, 0,
     Fixed(100, 24), {0, 0, 0, 0}, Rect(0, 0, 96, 24), [](int) { return std::vector<TRect>{{96, 0, 100, 24}}; },
     "B"},
    // Fill mode: 30 extra pixels go 15 and 10 to the last two, the first gets the remaining 5.
    {"FillModeSharesTheExtraWidth", ebsNone, false, false, All, false, {},
     {{bkDown, 10}, {bkDown, 20}, {bkDown, 30}}, ebtNone, false, false, 1, Fixed(90, 20), {0, 0, 0, 0},
     Rect(0, 0, 0, 20), [](int) { return std::vector<TRect>{{0, 0, 15, 20}, {15, 0, 45, 20}, {45, 0, 90, 20}}; },
     "F-L"},
    {"FillModeOnlyStretchableButtonsGrow", ebsNone, false, false, All, false, {},
     {{bkDown, 10, false, true, false}, {bkDown, 20}}, ebtNone, false, false, 1, Fixed(60, 20), {0, 0, 0, 0},
     Rect(0, 0, 0, 20), [](int) { return std::vector<TRect>{{0, 0, 10, 20}, {10, 0, 60, 20}}; }, "FL"},
    {"FillModeWithoutStretchableButtonsGrowsAll", ebsNone, false, false, All, false, {},
     {{bkDown, 10, false, true, false}, {bkDown, 30, false, true, false}}, ebtNone, false, false, 1, Fixed(80, 20),
     {0, 0, 0, 0}, Rect(0, 0, 0, 20), [](int) { return std::vector<TRect>{{0, 0, 20, 20}, {20, 0, 80, 20}}; },
     "FL"},
    {"FillModeJoinsTheGroups", ebsNone, false, false, All, false, {}, {{bkDown, 10, true}, {bkDown, 10}}, ebtNone,
     false, false, 1, Fixed(40, 20), {0, 0, 0, 0}, Rect(20, 0, 20, 20),
     [](int) { return std::vector<TRect>{{0, 0, 20, 20}, {20, 0, 40, 20}}; }, "FL"},
};
INSTANTIATE_TEST_SUITE_P(EditViewData, TLayoutTest, testing::ValuesIn(LayoutCases),
                         [](const testing::TestParamInfo<TLayoutCase>& info) { return info.param.name; });

// A standalone editor in button layout mode 1 is measured on (0, 0, MaxInt, MaxInt): the extra width
// times a button width does not fit 32 bits, yet the buttons still share the whole width.
TEST(EditViewData, FillModeOnMaxIntBoundsSharesTheWidthWithoutOverflow) {
    TLayout layout;
    layout.style.SetBorderStyle(ebsNone);
    layout.style.SetTransparentBorder(false);
    layout.properties.SetButtonLayoutMode(1);
    layout.AddButtons({{bkDown, 20}, {bkDown, 20}});
    layout.Make(false);
    layout.Calculate(TRect{0, 0, INT_MAX, INT_MAX});
    TcxCustomEditViewInfo& info = layout.info;
    ASSERT_EQ(info.ButtonCount(), 2);
    const TRect& first = info.Button(0)->Bounds;
    const TRect& second = info.Button(1)->Bounds;
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(first.right, second.left);
    EXPECT_EQ(second.right, INT_MAX);
    EXPECT_GT(first.right - first.left, INT_MAX / 2 - 2);
    EXPECT_GT(second.right - second.left, INT_MAX / 2 - 2);
    // Measuring lays out the same way and gives the whole width as margins.
    const TSize size = layout.data->MeasureValue(layout.surface.cx, false, Variant::Null(), nullptr);
    EXPECT_EQ(size.cx, INT_MAX);
}

// Button states from the point, the shift state and the previous layout.
struct TStateCase {
    const char* name;
    TPoint p;
    TShiftState shift;
    bool mouseEvent;
    bool wasPressed; // the first layout pressed the button
    TcxEditButtonState expected;
    bool real;
};

class TButtonStateTest : public testing::TestWithParam<TStateCase> {};

TEST_P(TButtonStateTest, StateFromPointAndButtons) {
    const TStateCase& c = GetParam();
    TLayout layout;
    layout.style.SetBorderStyle(ebsSingle);
    layout.AddButtons({{bkDown, 20}, {bkEllipsis, 20, false, true, true, false}});
    layout.Make(false);
    const TRect bounds{0, 0, 100, 24};
    if (c.wasPressed) {
        layout.Calculate(bounds, TPoint{65, 10}, TShiftState{ssLeft}, true);
        ASSERT_EQ(layout.info.Button(0)->Data.State, ebsPressed);
    }
    layout.Calculate(bounds, c.p, c.shift, c.mouseEvent);
    EXPECT_EQ(layout.info.Button(0)->Data.State, c.expected);
    EXPECT_EQ(layout.info.Button(1)->Data.State, ebsDisabled);
    EXPECT_EQ(layout.info.PressedIndex, c.expected == ebsPressed ? 0 : -1);
    EXPECT_EQ(layout.info.HotIndex, c.expected == ebsSelected ? 0 : -1);
    EXPECT_EQ(layout.info.PressIsReal, c.real);
}

const TStateCase StateCases[] = {
    {"HotUnderTheMouse", {65, 10}, {}, false, false, ebsSelected, false},
    {"NormalAway", {20, 10}, {}, false, false, ebsNormal, false},
    {"PressedByALeftClick", {65, 10}, {ssLeft}, true, false, ebsPressed, true},
    {"DoubleClickStillPresses", {65, 10}, {ssLeft, ssDouble}, true, false, ebsPressed, true},
    {"RightButtonLeavesItNormal", {65, 10}, {ssRight}, true, false, ebsNormal, false},
    {"LeftWithRightIsNotAPress", {65, 10}, {ssLeft, ssRight}, true, false, ebsNormal, false},
    {"LeftMovedInWithoutPressIsNormal", {65, 10}, {ssLeft}, false, false, ebsNormal, false},
    {"StaysPressedWhileHeld", {65, 10}, {ssLeft}, false, true, ebsPressed, true},
    {"LeavingWhileHeldIsNormal", {20, 10}, {ssLeft}, false, true, ebsNormal, false},
    {"ReleasedOverItIsHot", {65, 10}, {}, true, true, ebsSelected, false},
};
INSTANTIATE_TEST_SUITE_P(EditViewData, TButtonStateTest, testing::ValuesIn(StateCases),
                         [](const testing::TestParamInfo<TStateCase>& info) { return info.param.name; });

TEST(EditViewData, StatesOfTheContainerAndTheNativeEditPart) {
    TLayout layout;
    TcxCustomEditViewData& data = layout.Make(false);
    layout.Calculate(TRect{0, 0, 100, 24}, TPoint{50, 10});
    EXPECT_EQ(data.ContainerState, cxEditStateNormal | cxEditStateHot);
    EXPECT_TRUE(data.FocusedOrHot);
    EXPECT_EQ(data.GetNativeState(data.ContainerState), 2);
    data.Focused = true;
    layout.Calculate(TRect{0, 0, 100, 24}, TPoint{-1, -1});
    EXPECT_EQ(data.ContainerState, cxEditStateFocused);
    data.Enabled = false;
    layout.Calculate(TRect{0, 0, 100, 24}, TPoint{50, 10});
    EXPECT_EQ(data.ContainerState, cxEditStateDisabled);
    EXPECT_EQ(data.GetNativeState(data.ContainerState), 4);
    data.Enabled = true;
    data.Focused = false;
    layout.properties.SetReadOnly(true);
    EXPECT_EQ(data.GetNativeState(cxEditStateNormal), 6);
    // Over the bounds during a mouse-button event the editor is hot only while it holds the capture.
    layout.Calculate(TRect{0, 0, 100, 24}, TPoint{50, 10}, TShiftState{ssLeft}, true);
    EXPECT_EQ(data.ContainerState, cxEditStateNormal);
    // An inplace view is hot within its bounds grown by the host's border extents.
    TLayout inplace;
    TcxCustomEditViewData& cell = inplace.Make(true);
    cell.InplaceBorderExtent = TRect{2, 2, 2, 2};
    inplace.Calculate(TRect{10, 10, 50, 30}, TPoint{8, 8});
    EXPECT_EQ(cell.ContainerState, cxEditStateNormal | cxEditStateHot);
    EXPECT_EQ(inplace.info.HotMode, 0);
}

TEST(EditViewData, ColoursBorderColourAndPopupBorderStyle) {
    TLayout layout;
    layout.style.SetBorderStyle(ebsUltraFlat);
    layout.style.SetColor(static_cast<TColor>(RGB(1, 2, 3)));
    layout.style.SetTextColor(static_cast<TColor>(RGB(4, 5, 6)));
    TcxCustomEditViewData& data = layout.Make(false);
    layout.Calculate(TRect{0, 0, 100, 24});
    EXPECT_EQ(layout.info.FillColor, static_cast<TColor>(RGB(1, 2, 3)));
    EXPECT_EQ(layout.info.ContentTextColor, static_cast<TColor>(RGB(4, 5, 6)));
    EXPECT_EQ(layout.info.FrameColor, clBtnShadow);
    EXPECT_EQ(layout.info.EditBorderStyle, ebsSingle);
    layout.Calculate(TRect{0, 0, 100, 24}, TPoint{5, 5});
    EXPECT_EQ(layout.info.FrameColor, clHighlight);
    layout.style.SetBorderStyle(ebsSingle);
    layout.style.SetBorderColor(static_cast<TColor>(RGB(7, 8, 9)));
    layout.Calculate(TRect{0, 0, 100, 24}, TPoint{5, 5});
    EXPECT_EQ(layout.info.FrameColor, static_cast<TColor>(RGB(7, 8, 9)));
    (void)data;
}

TEST(EditViewData, InnerEditOffsetsAndContentSums) {
    TLayout standalone;
    TcxCustomEditViewData& a = standalone.Make(false);
    EXPECT_TRUE(Same(a.InnerEditOffsets.ContentOffsets, TRect{1, 1, 1, 3}));
    EXPECT_EQ(a.InnerEditOffsets.Flags, 2);
    EXPECT_EQ(a.InnerEditOffsets.HorzCorrection, 1);
    EXPECT_EQ(a.SumContentOffsets().cx, 3);
    EXPECT_EQ(a.SumContentOffsets().cy, 4);
    TLayout inplace;
    TcxCustomEditViewData& b = inplace.Make(true);
    EXPECT_TRUE(Same(b.InnerEditOffsets.ContentOffsets, TRect{1, 1, 1, 1}));
    EXPECT_EQ(b.SumContentOffsets().cy, 2);
    EXPECT_EQ(a.MaxWidth, cxEditNotSet);
    EXPECT_TRUE(a.Enabled);
}

TEST(EditViewData, MeasuringAddsTheTallestGlyphAndTheButtonOffsets) {
    TLayout layout;
    layout.style.SetBorderStyle(ebs3D);
    layout.style.SetTransparentBorder(false);
    layout.AddButtons({{bkGlyph}});
    TBitmap glyph;
    glyph.SetSize(12, 30);
    layout.properties.Buttons()->GetItem(0)->SetGlyph(&glyph);
    TcxCustomEditViewData& data = layout.Make(false);
    // Margins: 2 of border on each side, and the glyph button (12 + 4) on the right.
    const TSize size = data.MeasureValue(layout.surface.cx, false, Variant::Null(), nullptr);
    EXPECT_EQ(size.cx, 2 + 2 + 16);
    // Height: the glyph, the border extents and the 3-D button's content offset of 4.
    EXPECT_EQ(size.cy, 30 + 4 + 4);
    // In button layout mode 1 the text height of "Zg" and the vertical content offsets are added.
    layout.properties.SetButtonLayoutMode(1);
    TcxCustomEditViewData& mode1 = layout.Make(false);
    layout.surface.cx.AssignFont(*layout.style.GetEffectiveFont());
    const int text = layout.surface.cx.MeasureTextHeight("Zg");
    const TSize autoSize = mode1.CalculateAutoSize(layout.surface.cx, Variant::Null(), TcxEditSizeLimits{});
    EXPECT_EQ(autoSize.cy, 30 + 4 + 4 + text + 4);
}

} // namespace

namespace {

using namespace edit_layout;

// A theme that answers no content rectangle and leaves garbage where it would have written one.
HRESULT WINAPI FailingContentRect(HTHEME, HDC, int, int, const RECT*, RECT* content) {
    if (content) *content = RECT{-7777, -7777, 7777, 7777};
    return E_FAIL;
}

class TFailingThemeMeasures {
public:
    TFailingThemeMeasures()
        : previous_(dxUxTheme::SetThemeEntryPointForTest("GetThemeBackgroundContentRect",
                                                         reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailingContentRect)))) {}
    ~TFailingThemeMeasures() { dxUxTheme::SetThemeEntryPointForTest("GetThemeBackgroundContentRect", previous_); }

private:
    FARPROC previous_;
};

// Native border extents, button margins and the vertical content offset take the value drawn
// without the theme when the theme does not measure, not what the output held.
TEST(EditViewData, ThemeMeasuresThatFailGiveTheNonNativeValues) {
    TScopedThemeSeam seam(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor");
    TLayout layout;
    layout.style.SetBorderStyle(ebsSingle);
    layout.style.SetTransparentBorder(false);
    layout.style.LookAndFeel().SetNativeStyle(true);
    layout.AddButtons({{bkDown, 2}});
    TcxCustomEditViewData& data = layout.Make(false);
    if (!data.NativeLook)
        GTEST_SKIP() << "the theme library opens no \"Edit\" class in this prefix, so no native look applies";
    TFailingThemeMeasures failing;
    EXPECT_TRUE(Same(data.GetNativeBorderExtent(), TRect{1, 1, 1, 1})) << data.GetNativeBorderExtent();
    EXPECT_EQ(GetEditButtonsContentVerticalOffset(layout.surface.cx, bts3D, true), 4);
    layout.Calculate(TRect{0, 0, 100, 24});
    ASSERT_EQ(layout.info.ButtonCount(), 1);
    // The button's margins are the non-native 4: a width of 2 is raised to 4, not to a garbage sum.
    const TRect& b = layout.info.Button(0)->Data.VisibleBounds;
    EXPECT_EQ(b.right - b.left, 4) << b;
}

} // namespace

namespace {

using namespace edit_layout;

TEST(EditViewData, ALayoutAfterTheButtonsChangedKeepsNothingOfTheOldOnes) {
    TLayout layout;
    layout.AddButtons({{bkText, 30}});
    layout.properties.Buttons()->GetItem(0)->SetCaption("&Go");
    layout.Make(false);
    layout.Calculate(TRect{0, 0, 100, 24});
    ASSERT_EQ(layout.info.ButtonCount(), 1);
    EXPECT_EQ(layout.info.Button(0)->Data.VisibleCaption, AnsiString("Go"));
    layout.properties.Buttons()->GetItem(0)->SetKind(bkEllipsis);
    layout.Make(false);
    layout.Calculate(TRect{0, 0, 100, 24});
    EXPECT_EQ(layout.info.Button(0)->Data.Kind, bkEllipsis);
    EXPECT_TRUE(layout.info.Button(0)->Data.VisibleCaption.empty());
    EXPECT_TRUE(layout.info.Button(0)->Data.Caption.empty());
}

} // namespace
