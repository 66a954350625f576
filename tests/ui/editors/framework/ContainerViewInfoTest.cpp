#include <gtest/gtest.h>

#include <ostream>

#include "tests/ui/core/PaintSurface.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/ThemeBinding.h"
#include "ui/editors/framework/Container.h"

inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

constexpr int W = 100;
constexpr int H = 40;
const COLORREF Background = RGB(255, 0, 255);

TRect R(int l, int t, int r, int b) {
    return TRect{l, t, r, b};
}
bool Same(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}

// A container without a window: its view info is calculated for a point by hand.
struct TContainerAt {
    TcxContainer container{nullptr};
    TContainerAt(TcxContainerBorderStyle border, TcxBorders edges, bool transparent, bool shadow) {
        container.SetBounds(0, 0, W, H);
        container.Style()->SetBorderStyle(border);
        container.Style()->SetEdges(edges);
        container.Style()->SetTransparentBorder(transparent);
        container.Style()->SetShadow(shadow);
    }
    TcxContainerViewInfo& Calculate(TPoint p = TPoint{-1, -1}) {
        container.RefreshAtPoint(p, 0, TShiftState{}, false);
        return *container.DrawInfo();
    }
};

const TcxBorders NoRight{bLeft, bTop, bBottom};
const TcxBorders LeftTop{bLeft, bTop};

struct TGeometryCase {
    const char* name;
    TcxContainerBorderStyle border;
    TcxBorders edges;
    bool transparent;
    bool shadow;
    TRect inner;
    int frameWidth;
    TRect hot;
    TRect shape;
};

class TGeometryTest : public testing::TestWithParam<TGeometryCase> {};

TEST_P(TGeometryTest, InnerRectFrameHotAreaAndWindowShape) {
    const TGeometryCase& c = GetParam();
    TContainerAt at(c.border, c.edges, c.transparent, c.shadow);
    TcxContainerViewInfo& info = at.Calculate();
    EXPECT_TRUE(Same(info.OuterRect, R(0, 0, W, H))) << info.OuterRect;
    EXPECT_TRUE(Same(info.InnerRect, c.inner)) << info.InnerRect;
    EXPECT_TRUE(Same(info.ContentRect, c.inner)) << info.ContentRect;
    EXPECT_EQ(info.FrameWidth, c.frameWidth);
    EXPECT_EQ(info.DropShadow, c.shadow);
    TRect extent;
    at.container.GetBorderExtent(extent);
    EXPECT_TRUE(Same(extent, R(c.inner.left, c.inner.top, W - c.inner.right, H - c.inner.bottom))) << extent;
    TRect hot, shape;
    at.container.GetHotTrackRect(hot);
    at.container.GetWindowShapeRect(shape);
    EXPECT_TRUE(Same(hot, c.hot)) << hot;
    EXPECT_TRUE(Same(shape, c.shape)) << shape;
    // From the normal state, the hot state follows the hot area of the normal frame.
    EXPECT_FALSE(at.Calculate(TPoint{c.hot.left - 1, c.hot.top}).StateSet.Contains(cstHot));
    EXPECT_TRUE(at.Calculate(TPoint{c.hot.left, c.hot.top}).StateSet.Contains(cstHot));
}

const TGeometryCase GeometryCases[] = {
    {"SingleTransparent", cbsSingle, cxBordersAll, true, false, R(2, 2, 98, 38), 1, R(1, 1, 99, 39), R(1, 1, 99, 39)},
    {"SingleOpaque", cbsSingle, cxBordersAll, false, false, R(1, 1, 99, 39), 1, R(0, 0, 100, 40), R(0, 0, 100, 40)},
    {"ThickLeftTopOnly", cbsThick, LeftTop, false, false, R(2, 2, 100, 40), 2, R(0, 0, 100, 40), R(0, 0, 100, 40)},
    {"SingleShadow", cbsSingle, cxBordersAll, true, true, R(2, 2, 95, 35), 1, R(1, 1, 96, 36), R(1, 1, 96, 36)},
    {"NoneTransparent", cbsNone, cxBordersAll, true, false, R(2, 2, 98, 38), 0, R(2, 2, 98, 38), R(2, 2, 98, 38)},
    {"NoneOpaque", cbsNone, cxBordersAll, false, false, R(0, 0, 100, 40), 0, R(0, 0, 100, 40), R(0, 0, 100, 40)},
    {"SingleWithoutRight", cbsSingle, NoRight, true, false, R(2, 2, 98, 38), 1, R(1, 1, 98, 39), R(1, 1, 98, 39)},
    {"FlatTransparent", cbsFlat, cxBordersAll, true, false, R(2, 2, 98, 38), 2, R(0, 0, 100, 40), R(0, 0, 100, 40)},
    {"UltraFlatAsSingle", cbsUltraFlat, cxBordersAll, false, false, R(1, 1, 99, 39), 1, R(0, 0, 100, 40),
     R(0, 0, 100, 40)},
};
INSTANTIATE_TEST_SUITE_P(ViewInfo, TGeometryTest, testing::ValuesIn(GeometryCases),
                         [](const testing::TestParamInfo<TGeometryCase>& info) { return info.param.name; });

TEST(ContainerViewInfo, HotAreaFollowsTheFrameItWasComputedWith) {
    // Hot, the single frame turns thick (2 pixels), whose hot area reaches the control's edge:
    // a point on the outermost ring stays hot; once the state is normal again it is not hot.
    TContainerAt at(cbsSingle, cxBordersAll, true, false);
    EXPECT_FALSE(at.Calculate(TPoint{0, 20}).StateSet.Contains(cstHot));
    EXPECT_TRUE(at.Calculate(TPoint{1, 20}).StateSet.Contains(cstHot));
    EXPECT_EQ(at.container.DrawInfo()->FrameStyle, cbsThick);
    EXPECT_TRUE(at.Calculate(TPoint{0, 20}).StateSet.Contains(cstHot));
    EXPECT_FALSE(at.Calculate(TPoint{-1, -1}).StateSet.Contains(cstHot));
    EXPECT_EQ(at.container.DrawInfo()->FrameStyle, cbsSingle);
}

TEST(ContainerViewInfo, HeldButtonsOrKeysSwitchHotTrackingOff) {
    TContainerAt at(cbsSingle, cxBordersAll, true, false);
    EXPECT_TRUE(at.Calculate(TPoint{50, 20}).StateSet.Contains(cstHot));
    at.container.RefreshAtPoint(TPoint{50, 20}, 1, TShiftState{ssLeft}, true);
    EXPECT_FALSE(at.container.DrawInfo()->StateSet.Contains(cstHot));
    at.container.RefreshAtPoint(TPoint{50, 20}, 0, TShiftState{ssCtrl}, true);
    EXPECT_FALSE(at.container.DrawInfo()->StateSet.Contains(cstHot));
    at.container.Style()->SetHotTrack(false);
    EXPECT_FALSE(at.Calculate(TPoint{50, 20}).StateSet.Contains(cstHot));
    EXPECT_EQ(at.container.DrawInfo()->HotMode, 0);
}

// ---------------------------------------------------------------------------------------------
// Painting by border style

enum TPaintState { psNormal, psHot, psDisabled };

struct TPaintCase {
    const char* name;
    TcxContainerBorderStyle border;
    TPaintState state;
    // The outer frame ring (one pixel in from the control's edge with a transparent border of
    // width 1, at the edge for width 2): left/top and right/bottom colours, then the ring inside it.
    TColor outerLeftTop, outerRightBottom, innerLeftTop, innerRightBottom;
    TColor fill;
};

class TPaintTest : public testing::TestWithParam<TPaintCase> {};

TEST_P(TPaintTest, EachSideOuterAndInnerColoursAndTheFill) {
    const TPaintCase& c = GetParam();
    TContainerAt at(c.border, cxBordersAll, true, false);
    if (c.state == psDisabled) at.container.SetEnabled(false);
    TcxContainerViewInfo& info = at.Calculate(c.state == psHot ? TPoint{50, 20} : TPoint{-1, -1});
    TPaintSurface surface(W, H, Background);
    info.DrawOn(surface.cx);
    const TRect& in = info.InnerRect;
    const int o = in.left - info.FrameWidth; // the outer ring
    // Probe the middle of each side.
    EXPECT_EQ(surface.At(o, H / 2), Sys(c.outerLeftTop)) << "left";
    EXPECT_EQ(surface.At(W / 2, o), Sys(c.outerLeftTop)) << "top";
    EXPECT_EQ(surface.At(W - 1 - o, H / 2), Sys(c.outerRightBottom)) << "right";
    EXPECT_EQ(surface.At(W / 2, H - 1 - o), Sys(c.outerRightBottom)) << "bottom";
    if (info.FrameWidth == 2) {
        EXPECT_EQ(surface.At(o + 1, H / 2), Sys(c.innerLeftTop)) << "inner left";
        EXPECT_EQ(surface.At(W / 2, o + 1), Sys(c.innerLeftTop)) << "inner top";
        EXPECT_EQ(surface.At(W - 2 - o, H / 2), Sys(c.innerRightBottom)) << "inner right";
        EXPECT_EQ(surface.At(W / 2, H - 2 - o), Sys(c.innerRightBottom)) << "inner bottom";
    } else {
        EXPECT_EQ(o, 1);
        // Outside the frame nothing is drawn.
        EXPECT_EQ(surface.At(0, H / 2), Background);
        EXPECT_EQ(surface.At(W - 1, H / 2), Background);
    }
    EXPECT_TRUE(surface.AllOf(in, Sys(c.fill)));
}

const TPaintCase PaintCases[] = {
    {"Single", cbsSingle, psNormal, clWindowFrame, clWindowFrame, clNone, clNone, clWindow},
    {"SingleHotIsThick", cbsSingle, psHot, clWindowFrame, clWindowFrame, clWindowFrame, clWindowFrame, clWindow},
    {"SingleDisabled", cbsSingle, psDisabled, clBtnShadow, clBtnShadow, clNone, clNone, clBtnFace},
    {"Thick", cbsThick, psNormal, clWindowFrame, clWindowFrame, clWindowFrame, clWindowFrame, clWindow},
    {"Flat", cbsFlat, psNormal, clBtnShadow, clBtnHighlight, clBtnFace, clBtnFace, clWindow},
    {"FlatHotIs3D", cbsFlat, psHot, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, clWindow},
    {"ThreeD", cbs3D, psNormal, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, clWindow},
    {"ThreeDDisabled", cbs3D, psDisabled, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnFace},
    {"UltraFlat", cbsUltraFlat, psNormal, clBtnShadow, clBtnShadow, clNone, clNone, clWindow},
    {"UltraFlatHot", cbsUltraFlat, psHot, clHighlight, clHighlight, clNone, clNone, clWindow},
    {"Office11", cbsOffice11, psNormal, clBtnShadow, clBtnShadow, clNone, clNone, clWindow},
};
INSTANTIATE_TEST_SUITE_P(ViewInfo, TPaintTest, testing::ValuesIn(PaintCases),
                         [](const testing::TestParamInfo<TPaintCase>& info) { return info.param.name; });

TEST(ContainerViewInfo, Office11HotFrameIsTheSchemeHighlight) {
    TContainerAt at(cbsOffice11, cxBordersAll, true, false);
    TcxContainerViewInfo& info = at.Calculate(TPoint{50, 20});
    EXPECT_EQ(info.FrameColor, Office11SelectedBorderColor);
    TPaintSurface surface(W, H, Background);
    info.DrawOn(surface.cx);
    EXPECT_EQ(surface.At(1, H / 2), Sys(Office11SelectedBorderColor));
    EXPECT_EQ(surface.At(W - 2, H / 2), Sys(Office11SelectedBorderColor));
}

TEST(ContainerViewInfo, ShadowStripsStartThreePixelsInAndFrameSitsAboveThem) {
    TContainerAt at(cbsSingle, cxBordersAll, true, true);
    TcxContainerViewInfo& info = at.Calculate();
    TPaintSurface surface(W, H, Background);
    info.DrawOn(surface.cx);
    // The frame (1, 1, 96, 36), the shadow below and right of it.
    const COLORREF shadow = Sys(clBtnShadow);
    EXPECT_EQ(surface.At(1, 20), Sys(clWindowFrame));
    EXPECT_EQ(surface.At(95, 20), Sys(clWindowFrame));
    EXPECT_EQ(surface.At(3, 37), Background);
    EXPECT_TRUE(surface.AllOf(R(4, 36, 96, 39), shadow));
    EXPECT_EQ(surface.At(97, 3), Background);
    EXPECT_TRUE(surface.AllOf(R(96, 4, 99, 39), shadow));
    EXPECT_EQ(surface.At(99, 20), Background);
    EXPECT_TRUE(surface.AllOf(info.InnerRect, Sys(clWindow)));
}

TEST(ContainerViewInfo, MissingEdgePassesTheInnerRectByTheFrameWidth) {
    TContainerAt at(cbsSingle, NoRight, true, false);
    TcxContainerViewInfo& info = at.Calculate();
    TPaintSurface surface(W, H, Background);
    info.DrawOn(surface.cx);
    // The right side of the frame lies at InnerRect.right + 1, outside the window shape (98 wide).
    EXPECT_EQ(surface.At(98, 20), Sys(clWindowFrame));
    TRect shape;
    at.container.GetWindowShapeRect(shape);
    EXPECT_EQ(shape.right, 98);
}

TEST(ContainerViewInfo, NoneStyleDrawsOnlyTheFill) {
    TContainerAt at(cbsNone, cxBordersAll, false, false);
    at.container.Style()->SetColor(clInfoBk);
    TcxContainerViewInfo& info = at.Calculate();
    TPaintSurface surface(W, H, Background);
    info.DrawOn(surface.cx);
    EXPECT_TRUE(surface.AllOf(R(0, 0, W, H), Sys(clInfoBk)));
}

TEST(ContainerViewInfo, ShiftRectsAndAssignMoveTheRectangles) {
    TcxContainerViewInfo a, b;
    a.InnerRect = R(1, 1, 5, 5);
    a.OuterRect = R(0, 0, 6, 6);
    a.ContentRect = R(2, 2, 4, 4);
    a.ShiftRects(10, 20);
    EXPECT_TRUE(Same(a.InnerRect, R(11, 21, 15, 25)));
    EXPECT_TRUE(Same(a.OuterRect, R(10, 20, 16, 26)));
    EXPECT_TRUE(Same(a.ContentRect, R(12, 22, 14, 24)));
    b.AssignFromViewInfo(&a);
    EXPECT_TRUE(Same(b.ContentRect, a.ContentRect));
    EXPECT_TRUE(Same(b.InnerRect, R(0, 0, 0, 0)));
    EXPECT_TRUE(b.StateSet == TcxContainerState{cstNormal});
}

TEST(ContainerWindowRoutines, BorderWidthsAndUnedgedSides) {
    const int widths[] = {0, 1, 2, 2, 2, 1, 1};
    for (int style = cbsNone; style <= cbsOffice11; ++style)
        EXPECT_EQ(GetContainerBorderWidth(static_cast<TcxContainerBorderStyle>(style)), widths[style]);
    TRect r = R(0, 0, 10, 10);
    DeflateUnedgedSides(r, 2, TcxBorders{bLeft, bBottom});
    EXPECT_TRUE(Same(r, R(0, 2, 8, 10)));
    EXPECT_TRUE(StringsEqual("Abc", "aBC", false));
    EXPECT_FALSE(StringsEqual("Abc", "aBC", true));
}

// ---------------------------------------------------------------------------------------------
// Desktop composition

HRESULT WINAPI CompositionOn(BOOL* enabled) {
    *enabled = TRUE;
    return S_OK;
}

TEST(DesktopComposition, OnOnlyWhenTheEntryPointWasFoundAndSaysSo) {
    if (!IsDwmLibraryBound()) GTEST_SKIP() << "the composition library is not bound on this system";
    const FARPROC saved = DwmEntryPoint("DwmIsCompositionEnabled");
    SetDwmEntryPointForTest("DwmIsCompositionEnabled", reinterpret_cast<FARPROC>(&CompositionOn));
    EXPECT_TRUE(IsDwmCompositionEnabled());
    TcxContainer container(nullptr);
    // A library whose lookup failed reports no composition, without a call through null.
    SetDwmEntryPointForTest("DwmIsCompositionEnabled", nullptr);
    EXPECT_FALSE(IsDwmCompositionEnabled());
    SetDwmEntryPointForTest("DwmIsCompositionEnabled", saved);
}

TEST(DesktopComposition, NothingIsBoundBeforeVersionSix) {
    dxUxTheme::TdxThemeSystemSeam seam;
    seam.GetVersion = [](DWORD& major, DWORD& minor) {
        major = 5;
        minor = 1;
    };
    auto previous = dxUxTheme::SetThemeSystemSeam(seam);
    DesktopCompositionFinalize();
    DesktopCompositionInitialize();
    EXPECT_FALSE(IsDwmLibraryBound());
    EXPECT_FALSE(IsDwmCompositionEnabled());
    dxUxTheme::SetThemeSystemSeam(std::move(previous));
    DesktopCompositionFinalize();
    DesktopCompositionInitialize();
}

} // namespace
