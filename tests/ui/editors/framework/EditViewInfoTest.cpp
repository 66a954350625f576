#include <gtest/gtest.h>

#include <cstdlib>

#include "EditLayout.h"
#include "platform/forms/Forms.h"
#include "ui/core/Office11Colors.h"
#include "ui/editors/framework/EditPaintUtils.h"

namespace {

using namespace edit_layout;

constexpr int W = 100;
constexpr int H = 24;
const COLORREF Background = RGB(255, 0, 255);

// Colours known only once the painting units run, named by markers in the tables.
constexpr TColor UltraFlatHot = static_cast<TColor>(0x0F000001);
constexpr TColor UltraFlatPressed = static_cast<TColor>(0x0F000002);
constexpr TColor Office11Face = static_cast<TColor>(0x0F000003);
COLORREF Resolve(TColor color) {
    switch (color) {
    case UltraFlatHot:
        return Sys(GetFlatButtonColor(false, false));
    case UltraFlatPressed:
        return Sys(GetFlatButtonColor(true, false));
    case Office11Face:
        return Sys(Office11ButtonFaceColor);
    default:
        return Sys(color);
    }
}


enum TProbeState { ptNormal, ptHot, ptPressed, ptDisabled };

// Lays the editor out in a state and paints it on a fresh surface.
struct TPainted {
    TLayout layout;
    TPaintSurface surface{W, H, Background};
    // An editor's own normal style fills with clWindow.
    TPainted() { layout.style.SetColor(clWindow); }
    void Paint(TProbeState state) {
        layout.Make(false);
        const TPoint over{89, 12};
        switch (state) {
        case ptNormal:
            layout.Calculate(TRect{0, 0, W, H});
            break;
        case ptHot:
            layout.Calculate(TRect{0, 0, W, H}, over);
            break;
        case ptPressed:
            layout.Calculate(TRect{0, 0, W, H}, over, TShiftState{ssLeft}, true);
            break;
        case ptDisabled:
            layout.data->Enabled = false;
            layout.Calculate(TRect{0, 0, W, H});
            break;
        }
        layout.info.DrawOn(surface.cx);
    }
};

struct TFrameCase {
    const char* name;
    TcxEditBorderStyle border;
    TProbeState state;
    TColor outerLeftTop, outerRightBottom, innerLeftTop, innerRightBottom; // clNone: no inner ring
    TColor fill;
};

class TFrameTest : public testing::TestWithParam<TFrameCase> {};

TEST_P(TFrameTest, EachSideAndTheFill) {
    const TFrameCase& c = GetParam();
    TPainted p;
    p.layout.style.SetBorderStyle(c.border);
    p.layout.style.SetTransparentBorder(false);
    p.Paint(c.state);
    EXPECT_EQ(p.surface.At(0, H / 2), Sys(c.outerLeftTop)) << "left";
    EXPECT_EQ(p.surface.At(W / 2, 0), Sys(c.outerLeftTop)) << "top";
    EXPECT_EQ(p.surface.At(W - 1, H / 2), Sys(c.outerRightBottom)) << "right";
    EXPECT_EQ(p.surface.At(W / 2, H - 1), Sys(c.outerRightBottom)) << "bottom";
    if (c.innerLeftTop != clNone) {
        EXPECT_EQ(p.surface.At(1, H / 2), Sys(c.innerLeftTop)) << "inner left";
        EXPECT_EQ(p.surface.At(W - 2, H / 2), Sys(c.innerRightBottom)) << "inner right";
    }
    EXPECT_TRUE(p.surface.AllOf(p.layout.info.InnerRect, Sys(c.fill)));
}

const TFrameCase FrameCases[] = {
    {"Single", ebsSingle, ptNormal, clWindowFrame, clWindowFrame, clNone, clNone, clWindow},
    {"Thick", ebsThick, ptNormal, clWindowFrame, clWindowFrame, clWindowFrame, clWindowFrame, clWindow},
    {"Flat", ebsFlat, ptNormal, clBtnShadow, clBtnHighlight, clBtnFace, clBtnFace, clWindow},
    {"ThreeD", ebs3D, ptNormal, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, clWindow},
    {"UltraFlatNormal", ebsUltraFlat, ptNormal, clBtnShadow, clBtnShadow, clNone, clNone, clWindow},
    {"UltraFlatHot", ebsUltraFlat, ptHot, clHighlight, clHighlight, clNone, clNone, clWindow},
    {"Office11Normal", ebsOffice11, ptNormal, clBtnShadow, clBtnShadow, clNone, clNone, clWindow},
    {"NoneIsAllFill", ebsNone, ptNormal, clWindow, clWindow, clNone, clNone, clWindow},
};
INSTANTIATE_TEST_SUITE_P(EditViewInfo, TFrameTest, testing::ValuesIn(FrameCases),
                         [](const testing::TestParamInfo<TFrameCase>& info) { return info.param.name; });

TEST(EditViewInfo, Office11HotFrameIsTheSchemeHighlight) {
    TPainted p;
    p.layout.style.SetBorderStyle(ebsOffice11);
    p.layout.style.SetTransparentBorder(false);
    p.Paint(ptHot);
    EXPECT_EQ(p.surface.At(0, H / 2), Sys(Office11SelectedBorderColor));
}

// One right-aligned text button without caption at [79, 99) x [1, 23) of a single-line editor.
struct TButtonCase {
    const char* name;
    TcxEditButtonStyle style;
    TProbeState state;
    TColor left, top, right, bottom, background;
};

class TButtonPaintTest : public testing::TestWithParam<TButtonCase> {};

TEST_P(TButtonPaintTest, FrameAndBackgroundColours) {
    const TButtonCase& c = GetParam();
    TPainted p;
    p.layout.style.SetBorderStyle(ebsSingle);
    p.layout.style.SetTransparentBorder(false);
    p.layout.style.SetButtonStyle(c.style);
    p.layout.AddButtons({{bkText, 20, false, true, true, c.state != ptDisabled}});
    p.Paint(c.state);
    ASSERT_EQ(p.layout.info.ButtonCount(), 1);
    ASSERT_TRUE(Same(p.layout.info.Button(0)->Bounds, TRect{79, 1, 99, 23}));
    EXPECT_EQ(p.surface.At(79, 12), Resolve(c.left)) << "left";
    EXPECT_EQ(p.surface.At(89, 1), Resolve(c.top)) << "top";
    EXPECT_EQ(p.surface.At(98, 12), Resolve(c.right)) << "right";
    EXPECT_EQ(p.surface.At(89, 22), Resolve(c.bottom)) << "bottom";
    EXPECT_EQ(p.surface.At(89, 12), Resolve(c.background)) << "background";
}

const TButtonCase ButtonCases[] = {
    {"ThreeDNormal", bts3D, ptNormal, cl3DLight, cl3DLight, cl3DDkShadow, cl3DDkShadow, clBtnFace},
    {"ThreeDPressed", bts3D, ptPressed, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, clBtnFace},
    {"ThreeDDisabled", bts3D, ptDisabled, cl3DLight, cl3DLight, cl3DDkShadow, cl3DDkShadow, clBtnFace},
    {"FlatNormal", btsFlat, ptNormal, clBtnFace, clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace},
    {"FlatPressed", btsFlat, ptPressed, clBtnFace, clBtnShadow, clBtnHighlight, clBtnHighlight, clBtnFace},
    {"SimpleNormal", btsSimple, ptNormal, clBtnFace, clBtnFace, clBtnFace, clBtnFace, clBtnFace},
    {"SimpleHotIsFlat", btsSimple, ptHot, clBtnFace, clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace},
    {"SimplePressedIsFlat", btsSimple, ptPressed, clBtnFace, clBtnShadow, clBtnHighlight, clBtnHighlight,
     clBtnFace},
    {"HotFlatNormal", btsHotFlat, ptNormal, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, clBtnFace},
    {"HotFlatHot", btsHotFlat, ptHot, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow},
    {"HotFlatPressed", btsHotFlat, ptPressed, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, clBtnText},
    {"UltraFlatNormal", btsUltraFlat, ptNormal, clBtnFace, clBtnFace, clBtnFace, clBtnFace, clBtnFace},
    // Next to the editor's border only the inner line is drawn in the hot colour.
    {"UltraFlatHot", btsUltraFlat, ptHot, clHighlight, UltraFlatHot, UltraFlatHot, UltraFlatHot, UltraFlatHot},
    {"UltraFlatPressed", btsUltraFlat, ptPressed, clHighlight, UltraFlatPressed, UltraFlatPressed,
     UltraFlatPressed, UltraFlatPressed},
    {"Office11Normal", btsOffice11, ptNormal, Office11Face, Office11Face, Office11Face, Office11Face, Office11Face},
};
INSTANTIATE_TEST_SUITE_P(EditViewInfo, TButtonPaintTest, testing::ValuesIn(ButtonCases),
                         [](const testing::TestParamInfo<TButtonCase>& info) { return info.param.name; });

TEST(EditViewInfo, UltraFlatButtonOfABorderlessEditorGetsAFullHotFrame) {
    TPainted p;
    p.layout.style.SetBorderStyle(ebsNone);
    p.layout.style.SetTransparentBorder(false);
    p.layout.style.SetButtonStyle(btsUltraFlat);
    p.layout.AddButtons({{bkText, 20}});
    p.Paint(ptHot);
    const TRect b = p.layout.info.Button(0)->Bounds;
    EXPECT_EQ(p.surface.At(b.left, 12), Sys(clHighlight));
    EXPECT_EQ(p.surface.At(b.right - 1, 12), Sys(clHighlight));
    EXPECT_EQ(p.surface.At(b.left + 5, b.top), Sys(clHighlight));
    EXPECT_EQ(p.surface.At(b.left + 5, 12), Resolve(UltraFlatHot));
}

// Dots of the ellipsis: side 2 when the content is wider than 11 pixels, else 1.
TEST(EditViewInfo, EllipsisDotsBySizeAndDisabledContent) {
    const struct {
        int width; // the 3-D frame takes 2 pixels on each side
        bool enabled;
        int textPixels;
    } cases[] = {{16, true, 12}, {15, true, 3}, {16, false, 0}};
    for (const auto& c : cases) {
        TPainted p;
        p.layout.style.SetBorderStyle(ebsSingle);
        p.layout.style.SetButtonStyle(bts3D);
        p.layout.AddButtons({{bkEllipsis, c.width, false, true, true, c.enabled}});
        p.Paint(ptNormal);
        const TRect b = p.layout.info.Button(0)->Bounds;
        const TRect content{b.left + 2, b.top + 2, b.right - 2, b.bottom - 2};
        int text = 0, highlight = 0, shadow = 0;
        for (int y = content.top; y < content.bottom; ++y)
            for (int x = content.left; x < content.right; ++x) {
                text += p.surface.At(x, y) == Sys(clBtnText);
                highlight += p.surface.At(x, y) == Sys(clBtnHighlight);
                shadow += p.surface.At(x, y) == Sys(clBtnShadow);
            }
        EXPECT_EQ(text, c.textPixels) << c.width;
        if (!c.enabled) {
            // Each highlight dot lies one pixel right and down, under its shadow dot.
            EXPECT_EQ(highlight, 9);
            EXPECT_EQ(shadow, 12);
        }
    }
}

TEST(EditViewInfo, ButtonsAreKeptOutOfTheFillUnlessPartiallyTransparent) {
    for (bool partial : {false, true}) {
        TPainted p;
        p.layout.style.SetBorderStyle(ebsSingle);
        p.layout.style.SetColor(static_cast<TColor>(RGB(255, 0, 0)));
        p.layout.AddButtons({{bkDown, 20}});
        p.layout.Make(false);
        p.layout.Calculate(TRect{0, 0, W, H});
        p.layout.info.Button(0)->Data.PartiallyTransparent = partial;
        // A host that draws nothing of the button shows what lies under it.
        p.layout.info.OnDrawButtonHandler = [](TcxCustomEditViewInfo*, TcxCanvas&, int, bool& handled) {
            handled = true;
        };
        p.layout.info.DrawOn(p.surface.cx);
        const TRect b = p.layout.info.Button(0)->Bounds;
        EXPECT_EQ(p.surface.At((b.left + b.right) / 2, H / 2), partial ? RGB(255, 0, 0) : Background) << partial;
        EXPECT_EQ(p.surface.At(20, H / 2), RGB(255, 0, 0));
    }
}

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 12 && std::abs(GetGValue(a) - GetGValue(b)) <= 12 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 12;
}

TEST(EditViewInfo, GradientButtonRunsFromTheLightToTheDarkOffice11Colour) {
    TPainted p;
    p.layout.style.SetBorderStyle(ebsSingle);
    p.layout.style.SetTransparentBorder(false);
    p.layout.style.SetButtonStyle(btsOffice11);
    p.layout.AddButtons({{bkText, 20}});
    p.layout.Make(false);
    p.layout.Calculate(TRect{0, 0, W, H});
    p.layout.info.Button(0)->Data.Gradient = true;
    p.layout.info.DrawOn(p.surface.cx);
    // The background lies inside the one-pixel frame: rows 2 to 21.
    EXPECT_TRUE(Near(p.surface.At(89, 2), Sys(Office11LightColor))) << std::hex << p.surface.At(89, 2);
    EXPECT_TRUE(Near(p.surface.At(89, 21), Sys(Office11DarkColor))) << std::hex << p.surface.At(89, 21);
}

// Repainting against the previous layout, read back from the window's update region.
class EditRepaintTest : public testing::Test {
protected:
    TForm form{nullptr};
    TLayout layout;
    TcxCustomEditViewInfo old;

    void SetUp() override {
        form.SetBounds(0, 0, 200, 100);
        form.Show();
        layout.style.SetBorderStyle(ebsSingle);
        layout.AddButtons({{bkDown, 20}, {bkEllipsis, 20}});
        layout.Make(false);
        layout.Calculate(TRect{0, 0, W, H});
        old.AssignFromViewInfo(&layout.info);
        ValidateRect(form.Handle(), nullptr);
    }
    void TearDown() override { form.Hide(); }
    RECT Invalid() {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(form.Handle(), region, FALSE);
        RECT box{};
        GetRgnBox(region, &box);
        DeleteObject(region);
        return box;
    }
};

TEST_F(EditRepaintTest, NoChangeInvalidatesNothing) {
    layout.Calculate(TRect{0, 0, W, H});
    EXPECT_FALSE(layout.info.RepaintChanges(&form, layout.info.ContentRect, &old));
    EXPECT_TRUE(IsRectEmpty(&static_cast<const RECT&>(Invalid())));
}

TEST_F(EditRepaintTest, AHotButtonInvalidatesOnlyThatButton) {
    // The mouse is over the editor already, then moves onto the second button.
    layout.Calculate(TRect{0, 0, W, H}, TPoint{30, 10});
    old.AssignFromViewInfo(&layout.info);
    const TRect second = layout.info.Button(1)->Bounds;
    layout.Calculate(TRect{0, 0, W, H}, TPoint{(second.left + second.right) / 2, 10});
    ASSERT_EQ(layout.info.Button(1)->Data.State, ebsSelected);
    EXPECT_TRUE(layout.info.RepaintChanges(&form, layout.info.ContentRect, &old));
    EXPECT_TRUE(Same(Invalid(), second)) << Invalid();
}

TEST_F(EditRepaintTest, ABorderColourInvalidatesOnlyTheFrame) {
    layout.style.SetBorderColor(static_cast<TColor>(RGB(1, 2, 3)));
    layout.Calculate(TRect{0, 0, W, H});
    EXPECT_TRUE(layout.info.RepaintChanges(&form, layout.info.ContentRect, &old));
    // The strips outside the border rect: their box is the bounds, the inside stays valid.
    EXPECT_TRUE(Same(Invalid(), TRect{0, 0, W, H})) << Invalid();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(form.Handle(), region, FALSE);
    const TRect& inner = layout.info.InnerRect;
    EXPECT_FALSE(PtInRegion(region, (inner.left + inner.right) / 2, H / 2));
    EXPECT_TRUE(PtInRegion(region, 0, H / 2));
    DeleteObject(region);
}

TEST_F(EditRepaintTest, WithoutTheOldLayoutEverythingOutsideTheInnerRect) {
    EXPECT_TRUE(layout.info.RepaintControl(&form, TRect{10, 5, 40, 15}));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(form.Handle(), region, FALSE);
    EXPECT_FALSE(PtInRegion(region, 20, 10));
    EXPECT_TRUE(PtInRegion(region, 5, 10));
    EXPECT_TRUE(PtInRegion(region, 90, 10));
    DeleteObject(region);
}

TEST(EditViewInfo, HitTestsHintsAndTheEditArea) {
    TLayout layout;
    layout.style.SetBorderStyle(ebsSingle);
    layout.style.SetTransparentBorder(false);
    layout.AddButtons({{bkDown, 15, true}, {bkEllipsis, 20}});
    layout.properties.Buttons()->GetItem(0)->SetHint("Open|Opens the list");
    layout.properties.Buttons()->GetItem(1)->SetHint("");
    layout.Make(false);
    struct {
        TPoint p;
        const char* text;
        bool result;
        bool onButton;
    } cases[] = {{{5, 10}, "Open", true, true}, {{85, 10}, "", false, true}, {{50, 10}, "", false, false}};
    for (const auto& c : cases) {
        layout.Calculate(TRect{0, 0, W, H}, c.p);
        bool flag = true;
        AnsiString text = "x";
        TRect rect;
        EXPECT_EQ(layout.info.GetHintInfo(c.p, flag, text, rect), c.result) << c.p.x;
        EXPECT_EQ(text, AnsiString(c.text)) << c.p.x;
        EXPECT_FALSE(flag);
        EXPECT_EQ(layout.info.IsPointOnButton(c.p), c.onButton) << c.p.x;
        if (c.result) {
            // The hint window measures the whole hint, below the cursor at the point.
            EXPECT_GE(rect.left, c.p.x);
            EXPECT_GT(rect.top, c.p.y);
            EXPECT_GT(rect.right - rect.left, 0);
        }
    }
    // The edit area lies between the innermost left and right buttons, even with a left-aligned one.
    EXPECT_TRUE(Same(layout.info.GetEditAreaRect(), TRect{16, 1, 79, 23})) << layout.info.GetEditAreaRect();
}

} // namespace
