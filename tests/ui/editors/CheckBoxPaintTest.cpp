// The check box drawn into a DIB and read back by pixels: the box by preference (glyph strip,
// skin, theme, own drawing), the hand-drawn frames and fills per frame style and state, the mark's
// colours and the three looks of a grayed value; and the layout of box, caption and focus
// rectangle by alignment.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../skins-painters/SkinPaintersSupport.h"
#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/core/ThemeSeam.h"
#include "ui/core/Geometry.h"
#include "ui/core/PainterRegistry.h"
#include "ui/editors/CheckBoxViewInfo.h"
#include "ui/editors/framework/EditPaintUtils.h"

namespace {
constexpr COLORREF Marker = RGB(255, 0, 255);
constexpr COLORREF FrameRed = RGB(200, 0, 0);

// A 13 x 13 box at (4, 4) on a 30 x 21 surface.
std::unique_ptr<TcxCustomCheckBoxViewInfo>
MakeBox(TcxCheckBoxState state, TcxCheckBoxButtonState boxState, TcxEditBorderStyle frame = ebsUltraFlat,
        TcxCheckBoxNullValueShowingStyle nullStyle = nssGrayedChecked) {
    auto vi = std::make_unique<TcxCustomCheckBoxViewInfo>();
    vi->OuterRect = MakeRect(0, 0, 30, 21);
    vi->BoxRect = MakeRect(4, 4, 17, 17);
    vi->FillColor = clWindow;
    vi->FrameColor = static_cast<TColor>(FrameRed);
    vi->State = state;
    vi->BoxState = boxState;
    vi->BoxFrameStyle = frame;
    vi->NullStyle = nullStyle;
    vi->EnabledFlag = boxState != cbbsDisabled;
    return vi;
}

int CountIn(const TPaintSurface& s, const RECT& r, COLORREF color) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += s.At(x, y) == color;
    return n;
}

// Cells of a strip: 8 x 8, each one colour; the strip's bottom-left pixel is the transparent one.
COLORREF CellColor(int index) {
    return RGB(20 + 30 * index, 180, 40);
}

std::unique_ptr<TBitmap> MakeStrip(int count) {
    auto strip = std::make_unique<TBitmap>(8 * count, 8);
    HDC dc = strip->Canvas().Handle();
    for (int i = 0; i < count; ++i) {
        HBRUSH brush = CreateSolidBrush(CellColor(i));
        RECT r{8 * i, 0, 8 * i + 8, 8};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SetPixel(dc, 0, 7, RGB(255, 0, 255));
    return strip;
}

class TCheckBoxProbePainter : public TdxSkinLookAndFeelPainter {
public:
    static TCheckBoxProbePainter& Instance() {
        static TCheckBoxProbePainter painter;
        return painter;
    }
};
} // namespace

TEST(CheckBoxPaint, OwnDrawingUltraFlatAndOffice11FramesFillsAndMark) {
    struct TCase {
        const char* what;
        TcxEditBorderStyle frame;
        TcxCheckBoxState state;
        TcxCheckBoxButtonState boxState;
        TcxCheckBoxNullValueShowingStyle nullStyle;
        bool focused;
        TColor border, fill;
        TColor mark; // clNone: no mark
    };
    const TColor hotFill = GetFlatButtonColor(false, false), pressedFill = GetFlatButtonColor(true, false);
    const TColor hotFill11 = GetFlatButtonColor(false, true);
    const TCase cases[] = {
        {"ultra flat unchecked", ebsUltraFlat, cbsUnchecked, cbbsNormal, nssGrayedChecked, false, clBtnShadow,
         clWindow, clNone},
        {"ultra flat checked", ebsUltraFlat, cbsChecked, cbbsNormal, nssGrayedChecked, false, clBtnShadow,
         clWindow, clBtnText},
        {"ultra flat checked, focused", ebsUltraFlat, cbsChecked, cbbsNormal, nssGrayedChecked, true,
         GetHotBorderColor(false), clWindow, clBtnText},
        {"ultra flat hot", ebsUltraFlat, cbsChecked, cbbsHot, nssGrayedChecked, false,
         GetHotBorderColor(false), hotFill, clBtnText},
        {"ultra flat pressed", ebsUltraFlat, cbsUnchecked, cbbsPressed, nssGrayedChecked, false,
         GetHotBorderColor(false), pressedFill, clNone},
        {"ultra flat disabled", ebsUltraFlat, cbsChecked, cbbsDisabled, nssGrayedChecked, false, clBtnShadow,
         clBtnFace, clBtnShadow},
        {"grayed, checked look", ebsUltraFlat, cbsGrayed, cbbsNormal, nssGrayedChecked, false, clBtnShadow,
         clWindow, clBtnShadow},
        {"grayed, inactive look", ebsUltraFlat, cbsGrayed, cbbsNormal, nssInactive, false, clBtnShadow,
         clBtnFace, clNone},
        {"grayed, unchecked look", ebsUltraFlat, cbsGrayed, cbbsNormal, nssUnchecked, false, clBtnShadow,
         clWindow, clNone},
        {"office 11 normal", ebsOffice11, cbsChecked, cbbsNormal, nssGrayedChecked, false, clBtnText,
         clWindow, clBtnText},
        {"office 11 hot", ebsOffice11, cbsUnchecked, cbbsHot, nssGrayedChecked, false,
         GetHotBorderColor(true), hotFill11, clNone},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto vi = MakeBox(c.state, c.boxState, c.frame, c.nullStyle);
        vi->FocusedFlag = c.focused;
        TPaintSurface s(30, 21, Marker);
        vi->PaintBox(s.cx);
        EXPECT_EQ(s.At(4, 4), Sys(c.border));
        EXPECT_EQ(s.At(16, 16), Sys(c.border));
        EXPECT_EQ(s.At(3, 3), Marker); // nothing outside the box
        // The ring between the frame and the inside is left as it was.
        EXPECT_EQ(s.At(5, 10), Marker);
        EXPECT_EQ(s.At(6, 6), Sys(c.fill));
        const RECT inside{6, 6, 15, 15};
        if (c.mark == clNone) {
            EXPECT_EQ(CountIn(s, inside, Sys(c.fill)), 81);
        } else {
            EXPECT_GT(CountIn(s, inside, Sys(c.mark)), 5);
            EXPECT_EQ(CountIn(s, inside, Sys(c.mark)) + CountIn(s, inside, Sys(c.fill)), 81);
        }
    }
}

TEST(CheckBoxPaint, OwnDrawingOtherFrameStylesWithTheSystemCheckBox) {
    struct TCase {
        const char* what;
        TcxEditBorderStyle frame;
        TcxCheckBoxButtonState boxState;
        COLORREF outer, second; // pixels (4, 4) and (5, 5)
    };
    const TCase cases[] = {
        {"single", ebsSingle, cbbsNormal, FrameRed, Marker},
        {"single, hot: thick", ebsSingle, cbbsHot, FrameRed, FrameRed},
        {"thick", ebsThick, cbbsNormal, FrameRed, FrameRed},
        {"flat", ebsFlat, cbbsNormal, Sys(clBtnShadow), Sys(clBtnFace)},
        {"flat, hot: 3D", ebsFlat, cbbsHot, Sys(clBtnShadow), Sys(cl3DDkShadow)},
        {"3D", ebs3D, cbbsNormal, Sys(clBtnShadow), Sys(cl3DDkShadow)},
        {"none", ebsNone, cbbsNormal, Marker, Marker},
        {"none, hot: flat", ebsNone, cbbsHot, Sys(clBtnShadow), Sys(clBtnFace)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TPaintSurface unchecked(30, 21, Marker), checked(30, 21, Marker);
        MakeBox(cbsUnchecked, c.boxState, c.frame)->PaintBox(unchecked.cx);
        MakeBox(cbsChecked, c.boxState, c.frame)->PaintBox(checked.cx);
        EXPECT_EQ(checked.At(4, 4), c.outer);
        EXPECT_EQ(checked.At(5, 5), c.second);
        // The system check box fills the inside and shows the mark only when checked.
        const RECT inside{6, 6, 15, 15};
        EXPECT_EQ(CountIn(checked, inside, Marker), 0);
        int differ = 0;
        for (int y = inside.top; y < inside.bottom; ++y)
            for (int x = inside.left; x < inside.right; ++x)
                differ += checked.At(x, y) != unchecked.At(x, y);
        EXPECT_GT(differ, 0);
    }

    // The grayed looks: none like unchecked, checked like the three-state box, inactive its own.
    auto paint = [](TcxCheckBoxState state, TcxCheckBoxNullValueShowingStyle nullStyle, TPaintSurface& s) {
        MakeBox(state, cbbsNormal, ebsSingle, nullStyle)->PaintBox(s.cx);
    };
    TPaintSurface plain(30, 21, Marker), none(30, 21, Marker), inactive(30, 21, Marker),
        grayChecked(30, 21, Marker);
    paint(cbsUnchecked, nssGrayedChecked, plain);
    paint(cbsGrayed, nssUnchecked, none);
    paint(cbsGrayed, nssInactive, inactive);
    paint(cbsGrayed, nssGrayedChecked, grayChecked);
    int noneDiffers = 0, inactiveDiffers = 0, checkedDiffers = 0;
    for (int y = 6; y < 15; ++y)
        for (int x = 6; x < 15; ++x) {
            noneDiffers += none.At(x, y) != plain.At(x, y);
            inactiveDiffers += inactive.At(x, y) != plain.At(x, y);
            checkedDiffers += grayChecked.At(x, y) != plain.At(x, y);
        }
    EXPECT_EQ(noneDiffers, 0);
    EXPECT_GT(inactiveDiffers, 0);
    EXPECT_GT(checkedDiffers, 0);
}

TEST(CheckBoxPaint, GlyphStripsOfSixFourAndOneImages) {
    struct TCase {
        int count;
        TcxCheckBoxState state;
        TcxCheckBoxButtonState boxState;
        int cell;
    };
    const TCase cases[] = {
        {6, cbsUnchecked, cbbsNormal, 0}, {6, cbsChecked, cbbsHot, 1},    {6, cbsGrayed, cbbsNormal, 2},
        {6, cbsChecked, cbbsPressed, 4},  {4, cbsChecked, cbbsNormal, 1}, {4, cbsUnchecked, cbbsPressed, 2},
        {4, cbsChecked, cbbsPressed, 3},  {1, cbsChecked, cbbsNormal, 0}, {1, cbsGrayed, cbbsPressed, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " images, state " + std::to_string(c.state) + ", box " +
                     std::to_string(c.boxState));
        auto strip = MakeStrip(c.count);
        auto vi = MakeBox(c.state, c.boxState);
        vi->UsesGlyph = true;
        vi->Glyph = strip.get();
        vi->GlyphCount = c.count;
        vi->BoxRect = MakeRect(4, 2, 12, 18); // taller than the cell: centred vertically
        TPaintSurface s(30, 21, Marker);
        vi->PaintBox(s.cx);
        EXPECT_EQ(s.At(8, 10), CellColor(c.cell));
        EXPECT_EQ(s.At(8, 6), CellColor(c.cell));
        EXPECT_EQ(s.At(8, 5), Marker);
        EXPECT_EQ(s.At(12, 10), Marker); // only one cell wide
    }
    // Disabled: the cell in its disabled look.
    auto strip = MakeStrip(6);
    auto vi = MakeBox(cbsChecked, cbbsDisabled);
    vi->UsesGlyph = true;
    vi->Glyph = strip.get();
    vi->GlyphCount = 6;
    vi->BoxRect = MakeRect(4, 4, 12, 12);
    TPaintSurface s(30, 21, Marker);
    vi->PaintBox(s.cx);
    EXPECT_NE(s.At(8, 8), CellColor(1));
}

class CheckBoxSkinPaint : public testing::Test {
protected:
    void SetUp() override {
        TdxSkin* skin = MakeProbeSkin();
        std::unique_ptr<TObject> info(new TdxSkinLookAndFeelPainterInfo(skin));
        ASSERT_TRUE(GetStylePainterRegistry()->Register("CheckBoxProbe", &TCheckBoxProbePainter::Instance(),
                                                        std::move(info)));
    }
    void TearDown() override { GetStylePainterRegistry()->Unregister("CheckBoxProbe"); }
};

TEST_F(CheckBoxSkinPaint, PreferenceGlyphThenSkinThenThemeThenOwnDrawing) {
    const int element = ElementNumber("Checkbox");
    struct TCase {
        TcxCheckBoxState state;
        TcxCheckBoxButtonState boxState;
        TdxSkinElementState skinState;
    } cases[] = {{cbsUnchecked, cbbsNormal, esNormal},
                 {cbsChecked, cbbsHot, esHot},
                 {cbsGrayed, cbbsPressed, esPressed},
                 {cbsChecked, cbbsDisabled, esDisabled}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.state) + "/" + std::to_string(c.boxState));
        auto vi = MakeBox(c.state, c.boxState);
        vi->SkinPainter = &TCheckBoxProbePainter::Instance();
        vi->NativeBox = true; // the skin comes first
        TPaintSurface s(30, 21, Marker);
        vi->PaintBox(s.cx);
        EXPECT_EQ(s.At(10, 10), ProbeColor(element, static_cast<int>(c.state), c.skinState));
    }
    // A grayed value shown as unchecked takes the unchecked image.
    auto gray = MakeBox(cbsGrayed, cbbsNormal, ebsUltraFlat, nssUnchecked);
    gray->SkinPainter = &TCheckBoxProbePainter::Instance();
    TPaintSurface g(30, 21, Marker);
    gray->PaintBox(g.cx);
    EXPECT_EQ(g.At(10, 10), ProbeColor(element, 0, esNormal));

    // A usable glyph comes before the skin.
    auto strip = MakeStrip(6);
    auto vi = MakeBox(cbsChecked, cbbsNormal);
    vi->SkinPainter = &TCheckBoxProbePainter::Instance();
    vi->NativeBox = true;
    vi->UsesGlyph = true;
    vi->Glyph = strip.get();
    vi->GlyphCount = 6;
    TPaintSurface s(30, 21, Marker);
    vi->PaintBox(s.cx);
    EXPECT_EQ(s.At(8, 8), CellColor(1));
}

TEST(CheckBoxThemePaint, ThemedBoxIsTheButtonPartInItsState) {
    TScopedThemeSeam seam(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor");
    const HTHEME theme = CanUseVisualStyles(0) ? OpenCachedTheme(totButton) : nullptr;
    if (!theme)
        GTEST_SKIP()
            << "the theme library opens no \"Button\" class in this prefix, so no themed box is drawn";
    for (TcxCheckBoxState state : {cbsUnchecked, cbsChecked, cbsGrayed})
        for (TcxCheckBoxButtonState boxState : {cbbsNormal, cbbsHot, cbbsPressed, cbbsDisabled}) {
            SCOPED_TRACE(std::to_string(state) + "/" + std::to_string(boxState));
            auto vi = MakeBox(state, boxState);
            vi->NativeBox = true;
            TPaintSurface s(30, 21, Marker), expected(30, 21, Marker);
            vi->PaintBox(s.cx);
            const RECT r = vi->BoxRect;
            dxUxTheme::DrawThemeBackground(theme, expected.DC(), 3, CheckBoxThemeState(state, boxState), &r,
                                           nullptr);
            int wrong = 0;
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 30; ++x)
                    wrong += s.At(x, y) != expected.At(x, y);
            EXPECT_EQ(wrong, 0);
        }
    // Themes off by the seam: the box is drawn by hand.
    TScopedThemeSeam off(false, L"", L"");
    auto vi = MakeBox(cbsChecked, cbbsNormal, ebsSingle);
    vi->NativeBox = true;
    TPaintSurface s(30, 21, Marker);
    vi->PaintBox(s.cx);
    EXPECT_EQ(s.At(4, 4), FrameRed);
}

// --- layout ------------------------------------------------------------------------------------
namespace {
struct TCheckBoxLayout {
    TcxCheckBoxProperties properties;
    TcxEditStyle style{nullptr, false};
    std::unique_ptr<TcxCustomEditViewData> data;
    TcxCustomCheckBoxViewInfo info;
    TPaintSurface surface{121, 21};

    TcxCustomCheckBoxViewData& Calculate(bool inplace, bool focused,
                                         const TRect& bounds = MakeRect(0, 0, 121, 21)) {
        data = properties.MakeViewData(&style, inplace);
        data->Focused = focused;
        data->CalculateLayout(surface.cx, bounds, TPoint{-1, -1}, -1, TShiftState{}, &info, false);
        return static_cast<TcxCustomCheckBoxViewData&>(*data);
    }
};
} // namespace

TEST(CheckBoxLayout, BoxTextAndFocusRectangleByAlignment) {
    struct TCase {
        const char* what;
        bool inplace;
        TAlignment alignment;
        bool useAlignmentInplace;
        const char* caption;
        bool focused, fullFocusRect;
        // Expected: the box's left (-1: centred), whether text and a focus rectangle are there.
        int boxLeft;
        bool text, focusRect;
    };
    const TCase cases[] = {
        {"left", false, taLeftJustify, false, "Caption", false, false, 2, true, false},
        {"left, focused", false, taLeftJustify, false, "Caption", true, false, 2, true, true},
        {"left, focused, full", false, taLeftJustify, false, "Caption", true, true, 2, true, true},
        {"right, focused", false, taRightJustify, false, "Caption", true, false, -2, true, true},
        {"centre, focused", false, taCenter, false, "Caption", true, false, -1, false, false},
        {"left, no caption, focused", false, taLeftJustify, false, "", true, false, 2, false, false},
        {"inplace: centred", true, taLeftJustify, false, "Caption", true, false, -1, false, false},
        {"inplace with alignment", true, taLeftJustify, true, "Caption", false, false, 0, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TCheckBoxLayout layout;
        layout.properties.Alignment()->SetHorz(c.alignment);
        layout.properties.SetUseAlignmentWhenInplace(c.useAlignmentInplace);
        layout.properties.SetCaption(c.caption);
        layout.properties.SetFullFocusRect(c.fullFocusRect);
        TcxCustomCheckBoxViewData& data = layout.Calculate(c.inplace, c.focused);
        const TcxCustomCheckBoxViewInfo& vi = layout.info;
        const TSize box = data.GetBoxSize(layout.surface.cx);
        ASSERT_GT(box.cx, 0);
        EXPECT_EQ(GetRectWidth(vi.BoxRect), box.cx);
        EXPECT_EQ(GetRectHeight(vi.BoxRect), box.cy);
        EXPECT_NEAR((vi.BoxRect.top + vi.BoxRect.bottom) / 2.0, 21 / 2.0, 1.0);
        if (c.boxLeft == -1)
            EXPECT_NEAR((vi.BoxRect.left + vi.BoxRect.right) / 2.0, 121 / 2.0, 1.5);
        else if (c.boxLeft == -2)
            EXPECT_EQ(vi.BoxRect.right, 119);
        else
            EXPECT_EQ(vi.BoxRect.left, c.boxLeft);
        EXPECT_EQ(!vi.Text.empty(), c.text);
        if (c.text && c.alignment == taLeftJustify) {
            EXPECT_EQ(vi.TextRect.left, vi.BoxRect.right + 3);
        }
        if (c.text && c.alignment == taRightJustify) {
            EXPECT_EQ(vi.TextRect.right, vi.BoxRect.left - 3);
        }
        EXPECT_EQ(!IsRectEmpty(&vi.FocusRect), c.focusRect);
        if (c.focusRect && c.fullFocusRect) {
            EXPECT_EQ(vi.FocusRect, GrowRect(vi.TextRect, 1, 1));
        }
        if (c.focusRect && !c.fullFocusRect) {
            // Around the measured text, one pixel out.
            const int width = layout.surface.cx.MeasureTextWidth(c.caption);
            EXPECT_NEAR(GetRectWidth(vi.FocusRect), width + 2, 1);
            if (c.alignment == taLeftJustify) {
                EXPECT_EQ(vi.FocusRect.left, vi.TextRect.left - 1);
            }
            if (c.alignment == taRightJustify) {
                EXPECT_EQ(vi.FocusRect.right, vi.TextRect.right + 1);
            }
        }
    }
}

TEST(CheckBoxLayout, CaptionAndFocusFrameAreDrawn) {
    TCheckBoxLayout layout;
    layout.properties.SetCaption("Caption");
    layout.Calculate(false, true);
    TcxCustomCheckBoxViewInfo& vi = layout.info;
    vi.TextColor = static_cast<TColor>(RGB(0, 0, 200));
    vi.FillColor = static_cast<TColor>(RGB(250, 250, 250));
    vi.DrawOn(layout.surface.cx);
    const TPaintSurface& s = layout.surface;
    EXPECT_EQ(s.At(0, 0), RGB(250, 250, 250));
    EXPECT_GT(CountIn(s, vi.TextRect, RGB(0, 0, 200)), 10);
    RECT outsideText = vi.BoxRect;
    EXPECT_EQ(CountIn(s, outsideText, RGB(0, 0, 200)), 0);
    // The focus frame's dotted line lies on the rectangle's top edge.
    int dots = 0;
    for (int x = vi.FocusRect.left; x < vi.FocusRect.right; ++x)
        dots += s.At(x, vi.FocusRect.top) != RGB(250, 250, 250);
    EXPECT_GT(dots, 3);
}

TEST(CheckBoxLayout, BoxSizeFromAUsableGlyphStripElseThePainter) {
    TCheckBoxLayout plain;
    const TSize painterSize = plain.Calculate(false, false).GetBoxSize(plain.surface.cx);
    struct TCase {
        const char* what;
        int stripWidth, count;
        bool glyph;
    } cases[] = {
        {"six cells of 8", 48, 6, true},
        {"one cell of 48", 48, 1, true},
        {"no count", 48, 0, false},
        {"narrower than its count", 4, 6, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TCheckBoxLayout layout;
        TBitmap strip(c.stripWidth, 8);
        layout.properties.SetGlyph(&strip);
        layout.properties.SetGlyphCount(c.count);
        layout.Calculate(false, false);
        EXPECT_EQ(layout.info.UsesGlyph, c.glyph);
        const TSize expected = c.glyph ? TSize{c.stripWidth / c.count, 8} : painterSize;
        EXPECT_EQ(GetRectWidth(layout.info.BoxRect), expected.cx);
        EXPECT_EQ(GetRectHeight(layout.info.BoxRect), expected.cy);
    }
}
