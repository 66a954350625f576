// Ultra-flat, Office 11 and the native painter's scroll bar; the answers of all painters as one table.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "PainterTestSupport.h"
#include "ThemeSeam.h"
#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/StandardPainters.h"
#include "ui/core/UltraFlatPainters.h"
#include "ui/core/WinXPPainter.h"

namespace {
constexpr COLORREF kBack = RGB(1, 2, 3);
const TcxCustomLookAndFeelPainter* UltraFlat() {
    return TcxUltraFlatLookAndFeelPainter::Painter();
}
const TcxOffice11LookAndFeelPainter* Office11() {
    return TcxOffice11LookAndFeelPainter::Painter();
}
COLORREF Rgb(TColor color) {
    return ColorToRGB(color) & 0xFFFFFF;
}

// The Office 11 colours computed for the test and given back afterwards.
class TOffice11Colours {
public:
    TOffice11Colours() {
        AcquireOffice11Colors();
        ReloadOffice11Colors();
    }
    ~TOffice11Colours() {
        DropOffice11Colors();
        ReloadOffice11Colors();
    }
};

// The standard XP style's blue variant, as the seam reports it.
class TBlueScheme {
public:
    TBlueScheme() : seam_(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", L"NormalColor") {
        ReloadOffice11Colors();
    }
    ~TBlueScheme() { ReloadOffice11Colors(); }

private:
    TScopedThemeSeam seam_;
};
} // namespace

TEST(PainterAnswers, OneTableOverThePainters) {
    TOffice11Colours colours;
    const TcxCustomLookAndFeelPainter* painters[] = {TcxStandardLookAndFeelPainter::Painter(),
                                                     TcxFlatLookAndFeelPainter::Painter(), UltraFlat(),
                                                     Office11(), TcxWinXPLookAndFeelPainter::Painter()};
    using Ask = std::function<int(const TcxCustomLookAndFeelPainter*)>;
    struct Row {
        const char* name;
        Ask ask;
        int expected[5]; // standard, flat, ultra-flat, Office 11, native
    } rows[] = {
        {"style", [](auto p) { return p->GetPaintStyle(); }, {1, 0, 2, 4, 3}},
        {"border", [](auto p) { return p->GetBorderWidth(); }, {2, 1, 1, 1, 2}},
        {"default button border",
         [](auto p) { return p->GetButtonBorderWidth(bpsDefault); },
         {3, 2, 2, 2, 3}},
        {"button border", [](auto p) { return p->GetButtonBorderWidth(bpsNormal); }, {2, 1, 1, 1, 2}},
        {"text indent", [](auto p) { return p->GetButtonTextIndent(); }, {1, 1, 2, 2, 1}},
        {"press shift", [](auto p) { return p->GetButtonPressShift(); }, {1, 1, 0, 0, 1}},
        {"expand button", [](auto p) { return p->GetExpandButtonSize(); }, {12, 11, 11, 11, 12}},
        {"small expand button", [](auto p) { return p->GetSmallExpandButtonSize(); }, {9, 9, 9, 11, 9}},
        {"hot buttons", [](auto p) { return int(p->HasHotButtons()); }, {0, 0, 1, 1, 0}},
        {"hot headers", [](auto p) { return int(p->HasHotHeaders()); }, {0, 0, 0, 1, 0}},
        {"expand button first", [](auto p) { return int(p->PaintsExpandButtonFirst()); }, {1, 1, 1, 0, 1}},
        {"header border", [](auto p) { return p->GetHeaderBorderWidth(); }, {1, 1, 1, 1, 1}},
        {"header section border",
         [](auto p) { return p->GetHeaderSectionBorderWidth(bpsNormal); },
         {2, 1, 1, 1, 2}},
        {"sort mark width", [](auto p) { return int(p->GetSortMarkSize().cx); }, {8, 8, 7, 7, 8}},
        {"sort mark height", [](auto p) { return int(p->GetSortMarkSize().cy); }, {7, 7, 8, 8, 7}},
        {"footer borders", [](auto p) { return int(p->GetFooterBorders().Bits()); }, {15, 15, 12, 12, 15}},
        {"footer cell indent", [](auto p) { return p->GetFooterCellIndent(); }, {1, 1, 2, 2, 1}},
        {"header borders by a left and top neighbour",
         [](auto p) {
             return int(p->GetHeaderBorders(TcxNeighbors{bLeft, bTop}).Bits());
         },
         {15, 15, 12, 15, 15}},
        {"filter close height",
         [](auto p) { return int(p->GetFilterCloseButtonSize().cy); },
         {14, 14, 15, 15, 14}},
        {"tab border", [](auto p) { return p->GetTabBorderWidth(false); }, {1, 1, 1, 1, 1}},
        {"glyph state", [](auto p) { return int(p->MapButtonGlyphState(bpsPressed)); }, {3, 3, 1, 1, 3}},
        {"focus inset",
         [](auto p) { return int(p->CalcButtonFocusRect(nullptr, Rect(0, 0, 20, 20)).left); },
         {4, 4, 3, 3, 4}},
    };
    // The native painter answers from the theme: its own tests check its column.
    for (const Row& row : rows)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(row.ask(painters[i]), row.expected[i])
                << row.name << " of " << painters[i]->ClassName();

    // Colours: system colours by name, the Office 11 ones as computed now.
    using AskColour = std::function<TColor(const TcxCustomLookAndFeelPainter*)>;
    struct ColourRow {
        const char* name;
        AskColour ask;
        TColor expected[5];
    } colourRows[] = {
        {"scheduler border",
         [](auto p) { return p->GetSchedulerBorderColor(); },
         {RGB(161, 157, 157), RGB(161, 157, 157), clBtnShadow, Office11SchedulerBorderColor,
          RGB(161, 157, 157)}},
        {"hot button",
         [](auto p) { return p->GetButtonColor(bpsHot); },
         {clBtnFace, clBtnFace, GetLightPressedSelectionColor(), Office11HotColor, clBtnFace}},
        {"pressed button",
         [](auto p) { return p->GetButtonColor(bpsPressed); },
         {clBtnFace, clBtnFace, GetLightSelectionColor(), Office11PressedColor, clBtnFace}},
        {"normal button",
         [](auto p) { return p->GetButtonColor(bpsNormal); },
         {clBtnFace, clBtnFace, clBtnFace, Office11ButtonFaceColor, clBtnFace}},
        {"disabled glyph",
         [](auto p) { return p->GetButtonGlyphColor(bpsDisabled, clRed); },
         {clBtnShadow, clBtnShadow, clBtnShadow, Office11DisabledTextColor, clBtnShadow}},
        {"hot glyph",
         [](auto p) { return p->GetButtonGlyphColor(bpsHot, clRed); },
         {clRed, clRed, clRed, Office11TextColor, clRed}},
        {"hot check box",
         [](auto p) { return p->GetCheckBoxColor(bpsHot); },
         {clWindow, clWindow, clWindow, Office11HotColor, clWindow}},
        {"header",
         [](auto p) { return p->GetHeaderColor(); },
         {clBtnFace, clBtnFace, clBtnFace, MixColors(Office11LightColor, Office11DarkColor, 50), clBtnFace}},
        {"footer",
         [](auto p) { return p->GetFooterColor(); },
         {clBtnFace, clBtnFace, clBtnFace, Office11ButtonFaceColor, clBtnFace}},
        {"footer separator",
         [](auto p) { return p->GetFooterSeparatorColor(); },
         {clBtnShadow, clBtnShadow, clBtnShadow, Office11HeaderShadowColor, clBtnShadow}},
        {"group-by box",
         [](auto p) { return p->GetGroupByBoxColor(); },
         {clBtnShadow, clBtnShadow, clBtnShadow, Office11GroupByBoxColor, clBtnShadow}},
        {"header area",
         [](auto p) { return p->GetHeaderAreaColor(); },
         {clBtnShadow, clBtnShadow, clBtnShadow, Office11GroupByBoxColor, clBtnShadow}},
        {"group-by box text",
         [](auto p) { return p->GetGroupByBoxTextColor(); },
         {clBtnFace, clBtnFace, clBtnFace, Office11LightColor, clBtnFace}},
        {"date selection text",
         [](auto p) { return p->GetDateNavSelTextColor(); },
         {clHighlightText, clHighlightText, clHighlightText, clWindowText, clHighlightText}},
        {"tabs area",
         [](auto p) { return p->GetTabsAreaColor(); },
         {clBtnFace, clBtnFace, clBtnFace, Office11TabColor, clBtnFace}},
        {"time selection bar",
         [](auto p) { return p->GetTimeSelectionBarColor(); },
         {clWhite, clWhite, clWhite, Office11SchedulerControlColor, clWhite}},
        {"scheduler view",
         [](auto p) { return p->GetSchedulerViewColor(); },
         {clWindow, RGB(255, 255, 213), RGB(255, 255, 213), RGB(255, 255, 213), clWindow}},
    };
    for (const ColourRow& row : colourRows)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Rgb(row.ask(painters[i])), Rgb(row.expected[i]))
                << row.name << " of " << painters[i]->ClassName();

    const auto* ultraFlat = TcxUltraFlatLookAndFeelPainter::Painter();
    EXPECT_EQ(ultraFlat->GetFilterDropButtonBorderColor(bpsNormal), clBtnShadow);
    EXPECT_EQ(ultraFlat->GetFilterDropButtonBorderColor(bpsHot), clHighlight);
    EXPECT_EQ(ultraFlat->GetHotFrameColor(), clHighlight);
    EXPECT_EQ(Office11()->GetFilterDropButtonBorderColor(bpsNormal), Office11HeaderShadowColor);
    EXPECT_EQ(Office11()->GetFilterDropButtonBorderColor(bpsPressed), Office11SelectedBorderColor);
    EXPECT_EQ(Office11()->GetTabEdgeLightColor(), Office11HeaderShadowColor);
    EXPECT_EQ(Office11()->GetHotFrameColor(), Office11SelectedBorderColor);
    EXPECT_EQ(Office11()->GetHeaderLightEdgeColor(), Office11HeaderHighlightColor);
    EXPECT_EQ(Office11()->GetHeaderGradientEndColor(), Office11DarkColor);
}

TEST(PainterAnswers, Office11PressedTextIsBlackOnlyWithAScheme) {
    TOffice11Colours colours;
    {
        TScopedThemeSeam off(false, L"", L"");
        ReloadOffice11Colors();
        EXPECT_FALSE(Office11SchemeInUse());
        EXPECT_EQ(Office11()->GetButtonGlyphColor(bpsPressed, clRed), clHighlightText);
        TPaintSurface s(40, 20, kBack);
        Office11()->PaintButton(&s.cx, Rect(0, 0, 40, 20), "WW", bpsPressed);
        EXPECT_EQ(s.At(0, 0), Rgb(Office11SelectedBorderColor));
        EXPECT_EQ(s.At(2, 2), Rgb(Office11PressedColor));
        EXPECT_GT(s.Count(Rgb(clHighlightText)), 5);
    }
    if (!dxUxTheme::IsThemeLibraryBound())
        GTEST_SKIP() << "UxTheme.dll did not load: no scheme can be in use";
    TBlueScheme blue;
    ASSERT_TRUE(Office11SchemeInUse());
    EXPECT_EQ(Rgb(Office11()->GetButtonGlyphColor(bpsPressed, clRed)), RGB(0, 0, 0));
    TPaintSurface s(40, 20, kBack);
    Office11()->PaintButton(&s.cx, Rect(0, 0, 40, 20), "WW", bpsPressed);
    EXPECT_EQ(s.At(2, 2), RGB(255, 211, 142));
    EXPECT_GT(s.Count(RGB(0, 0, 0)), 5);
    EXPECT_EQ(Rgb(Office11()->GetButtonColor(bpsHot)), RGB(255, 244, 204));
    EXPECT_EQ(Rgb(Office11()->GetButtonColor(bpsPressed)), RGB(255, 211, 142));
    EXPECT_EQ(Rgb(Office11()->GetHeaderColor()), RGB(176, 203, 240));
    EXPECT_EQ(Rgb(Office11()->GetButtonGlyphColor(bpsDisabled, clRed)), RGB(141, 141, 141));
}

TEST(UltraFlatPainter, FramesBySide) {
    TOffice11Colours colours;
    using PaintFn = std::function<void(TcxCanvas*, const TRect&)>;
    const TRingColours untouched{kBack, kBack, kBack, kBack};
    auto ring = [](TColor c) { return TRingColours{Rgb(c), Rgb(c), Rgb(c), Rgb(c)}; };
    struct Case {
        const char* name;
        PaintFn paint;
        std::vector<TRingColours> rings;
    } cases[] = {
        {"default button",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintButtonFrame(c, r, bpsDefault); },
         {ring(clWindowFrame), ring(clWindowFrame), untouched}},
        {"normal button",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintButtonFrame(c, r, bpsNormal); },
         {ring(clBtnText), untouched}},
        {"hot button",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintButtonFrame(c, r, bpsHot); },
         {ring(clHighlight), untouched}},
        {"disabled button",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintButtonFrame(c, r, bpsDisabled); },
         {ring(clBtnShadow), untouched}},
        {"pressed button face",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintButton(c, r, "", bpsPressed); },
         {ring(clHighlight), ring(GetLightSelectionColor())}},
        {"check box",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintCheckBoxFrame(c, r, bpsPressed); },
         {ring(clBtnText), ring(clBtnFace), untouched}},
        {"control border",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintControlBorder(c, r); },
         {ring(clBtnShadow), untouched}},
        {"footer cell",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintFooterCellFrame(c, r); },
         {ring(clBtnShadow), untouched}},
        {"footer",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintFooterFrame(c, r); },
         {TRingColours{kBack, kBack, Rgb(clBtnShadow), Rgb(clBtnShadow)}, untouched}},
        {"header section",
         [](TcxCanvas* c, const TRect& r) {
             UltraFlat()->PaintHeaderSectionFrame(c, r, TcxBorders{bLeft, bBottom}, bpsNormal);
         },
         {TRingColours{RGB(0, 0, 0), kBack, kBack, RGB(0, 0, 0)}, untouched}},
        {"header without left and top",
         [](TcxCanvas* c, const TRect& r) {
             UltraFlat()->PaintHeaderFrame(c, r, TcxNeighbors{}, TcxBorders{bRight});
         },
         {TRingColours{kBack, kBack, Rgb(clBtnText), Rgb(clBtnText)}, untouched}},
        {"filter drop button",
         [](TcxCanvas* c, const TRect& r) { UltraFlat()->PaintFilterDropButton(c, r, bpsHot, false); },
         {ring(clHighlight), ring(GetLightPressedSelectionColor())}},
        {"Office 11 control border",
         [](TcxCanvas* c, const TRect& r) { Office11()->PaintControlBorder(c, r); },
         {ring(Office11ControlBorderColor), untouched}},
        {"Office 11 hot button",
         [](TcxCanvas* c, const TRect& r) { Office11()->PaintButton(c, r, "", bpsHot); },
         {ring(Office11SelectedBorderColor), ring(Office11HotColor)}},
        {"Office 11 disabled button",
         [](TcxCanvas* c, const TRect& r) { Office11()->PaintButtonFrame(c, r, bpsDisabled); },
         {ring(Office11DisabledTextColor), untouched}},
        {"Office 11 default button",
         [](TcxCanvas* c, const TRect& r) { Office11()->PaintButtonFrame(c, r, bpsDefault); },
         {ring(clWindowFrame), ring(clWindowFrame), untouched}},
        {"Office 11 scheduler border",
         [](TcxCanvas* c, const TRect& r) { Office11()->PaintSchedulerBorder(c, r); },
         {ring(Office11SchedulerBorderColor), untouched}},
    };
    for (const Case& c : cases) {
        TPaintSurface s(20, 20, kBack);
        c.paint(&s.cx, Rect(0, 0, 20, 20));
        for (size_t k = 0; k < c.rings.size(); ++k)
            EXPECT_EQ(RingAt(s, 20, 20, static_cast<int>(k)), c.rings[k]) << c.name << ", ring " << k;
    }
}

TEST(UltraFlatPainter, GroupedButtonsAndBorders) {
    const auto* p = UltraFlat();
    EXPECT_TRUE(SameRects(p->CalcButtonGroupBorders(3, 0), Rect(2, 2, 1, 2)));
    EXPECT_TRUE(SameRects(p->CalcButtonGroupBorders(3, 1), Rect(1, 2, 1, 2)));
    EXPECT_TRUE(SameRects(p->CalcButtonGroupBorders(3, 2), Rect(1, 2, 2, 2)));
    EXPECT_TRUE(SameRects(p->CalcButtonGroupBorders(1, 0), Rect(2, 2, 1, 2)));

    TPaintSurface s(20, 20, kBack);
    p->PaintGroupedButton(&s.cx, Rect(0, 0, 20, 20), bpsNormal, 3, 1, clRed);
    EXPECT_EQ(s.At(0, 0), kBack);          // one pixel off at the top
    EXPECT_EQ(s.At(0, 1), RGB(255, 0, 0)); // a middle button keeps its sides
    EXPECT_EQ(s.At(5, 5), Rgb(clBtnFace));
    s.Clear(kBack);
    p->PaintGroupedButton(&s.cx, Rect(0, 0, 20, 20), bpsHot, 3, 0, clRed);
    EXPECT_EQ(s.At(0, 5), kBack); // the first button loses its left pixel
    EXPECT_EQ(s.At(1, 5), Rgb(GetLightPressedSelectionColor()));
    EXPECT_EQ(s.At(19, 5), Rgb(clHighlight)); // separator towards the next one
    EXPECT_EQ(s.At(10, 1), Rgb(GetLightPressedSelectionColor()));
}

TEST(UltraFlatPainter, ExpandButtonAndThumb) {
    TPaintSurface s(20, 20, kBack);
    UltraFlat()->PaintExpandButton(&s.cx, Rect(0, 0, 11, 11), true, clDefault);
    EXPECT_EQ(RingAt(s, 11, 11, 0),
              (TRingColours{Rgb(clBtnShadow), Rgb(clBtnShadow), Rgb(clBtnShadow), Rgb(clBtnShadow)}));
    EXPECT_EQ(s.At(2, 2), Rgb(clBtnFace));
    EXPECT_EQ(s.Count(Rgb(clBtnText)), 7);
    s.cx.FillRectColor(Rect(0, 0, 20, 20), clRed);
    EXPECT_EQ(s.At(0, 0), Rgb(clBtnShadow));

    TScrollBarPatterns patterns;
    TPaintSurface bar(17, 17, kBack);
    UltraFlat()->PaintScrollBarPart(&bar.cx, false, Rect(0, 0, 17, 17), sbpThumbnail, bpsDisabled);
    EXPECT_EQ(bar.Count(kBack), 17 * 17);
    UltraFlat()->PaintScrollBarPart(&bar.cx, false, Rect(0, 0, 17, 17), sbpLineUp, bpsHot);
    EXPECT_EQ(bar.At(0, 0), Rgb(clHighlight));
    EXPECT_EQ(bar.At(2, 2), Rgb(GetLightPressedSelectionColor()));
    EXPECT_GT(bar.Count(Rgb(clBtnText)), 5);
    UltraFlat()->PaintScrollBarPart(&bar.cx, false, Rect(0, 0, 16, 16), sbpPageUp, bpsPressed);
    EXPECT_EQ(bar.At(1, 0), Rgb(cl3DDkShadow));
    EXPECT_EQ(bar.At(0, 0), RGB(0, 0, 0));
}

TEST(Office11Painter, HeaderFramePixels) {
    TOffice11Colours colours;
    const TColor s = Office11()->GetHeaderGradientStartColor(), e = Office11DarkColor;
    const TColor d = Office11HeaderShadowColor, l = Office11HeaderHighlightColor;
    const TRect r = Rect(0, 0, 30, 20);
    struct Case {
        TcxNeighbors adjacent;
        std::vector<std::pair<TPoint, TColor>> pixels;
    } cases[] = {
        {TcxNeighbors{},
         {{Point(10, 0), s},
          {Point(10, 19), d},
          {Point(0, 1), s},
          {Point(0, 10), l},
          {Point(0, 18), e},
          {Point(29, 0), MixColors(s, d, 50)},
          {Point(29, 10), d},
          {Point(29, 18), MixColors(e, d, 50)}}},
        {TcxNeighbors{bLeft, bRight},
         {{Point(0, 1), s},
          {Point(0, 2), s},
          {Point(0, 10), l},
          {Point(0, 17), MixColors(s, e, 25)},
          {Point(0, 18), e},
          {Point(29, 0), s},
          {Point(29, 1), s},
          {Point(29, 2), s},
          {Point(29, 10), d},
          {Point(29, 17), MixColors(s, e, 25)},
          {Point(29, 18), e}}},
    };
    for (const Case& c : cases) {
        TPaintSurface surface(30, 20, kBack);
        Office11()->PaintHeaderFrame(&surface.cx, r, c.adjacent, cxBordersAll);
        for (const auto& [p, colour] : c.pixels)
            EXPECT_EQ(surface.At(p.x, p.y), Rgb(colour)) << c.adjacent.Bits() << ": " << p.x << "," << p.y;
        EXPECT_EQ(surface.At(10, 10), kBack);
    }
}

TEST(Office11Painter, HotHeaderTakesTheLightFillAndTheOrangeBand) {
    TOffice11Colours colours;
    TPaintSurface s(40, 24, kBack);
    const TRect r = Rect(0, 0, 40, 20);
    Office11()->PaintHeader(&s.cx, r, r, TcxNeighbors{}, cxBordersAll, bpsHot, taLeftJustify, vaCenter, false,
                            false, "", nullptr, clDefault, clRed, nullptr);
    EXPECT_EQ(s.At(10, 5), Rgb(Office11LightColor));
    EXPECT_EQ(s.At(10, 14), Rgb(Office11LightColor));
    // The band over (Left - 1, Bottom - 2, Right, Bottom + 1) of the inner rectangle.
    EXPECT_EQ(s.At(10, 17), Rgb(Office11HotColor));
    EXPECT_EQ(s.At(10, 19), Rgb(Office11HotDarkColor));
    EXPECT_EQ(s.At(10, 20), kBack);

    s.Clear(kBack);
    Office11()->PaintHeader(&s.cx, r, r, TcxNeighbors{}, cxBordersAll, bpsNormal, taLeftJustify, vaCenter,
                            false, false, "", nullptr, clDefault, clRed, nullptr);
    EXPECT_EQ(s.At(10, 5), Rgb(Office11()->GetHeaderGradientStartColor()));
    EXPECT_EQ(s.At(10, 14), Rgb(Office11()->GetHeaderGradientStartColor()));
    EXPECT_NE(s.At(10, 18), Rgb(Office11()->GetHeaderGradientStartColor())); // the band turns darker
    EXPECT_EQ(s.At(10, 19), Rgb(Office11HeaderShadowColor));
    EXPECT_EQ(s.Count(RGB(255, 0, 0)), 0); // the fill colour is not used

    // A footer cell is filled with the first colour only; a callback that paints keeps its own.
    s.Clear(kBack);
    Office11()->PaintCellContent(&s.cx, r, r, bpsNormal, taLeftJustify, vaTop, false, false, "", nullptr,
                                 clDefault, clRed, nullptr, true);
    EXPECT_TRUE(s.AllOf(r, Rgb(Office11()->GetHeaderGradientStartColor())));
    s.Clear(kBack);
    Office11()->PaintCellContent(&s.cx, r, r, bpsNormal, taLeftJustify, vaTop, false, false, "", nullptr,
                                 clDefault, clRed, [](TObject*, TcxCanvas*, const TRect&) { return true; });
    EXPECT_EQ(s.Count(kBack), 40 * 24);
}

TEST(Office11Painter, PressedSectionIsInverted) {
    TOffice11Colours colours;
    TPaintSurface s(40, 20, kBack);
    Office11()->PaintHeaderSection(&s.cx, Rect(0, 0, 40, 20), Rect(0, 0, 40, 20), TcxNeighbors{},
                                   cxBordersAll, bpsPressed, taLeftJustify, vaTop, false, false, "", nullptr,
                                   clDefault, clRed);
    const COLORREF start = Rgb(Office11()->GetHeaderGradientStartColor());
    EXPECT_EQ(s.At(10, 5), RGB(255 - GetRValue(start), 255 - GetGValue(start), 255 - GetBValue(start)));
}

TEST(Office11Painter, ExpandButtonCornersMixWithTheCanvasBeneath) {
    TOffice11Colours colours;
    TBitmap* plus = Office11ExpandButtonBitmap(false);
    ASSERT_NE(plus, nullptr);
    const COLORREF under[] = {RGB(255, 0, 0), RGB(0, 0, 255)};
    for (COLORREF beneath : under) {
        TPaintSurface s(20, 20, beneath);
        s.cx.SetPixelColor(16, 16, clLime); // the canvas pixel at the bottom-right of the button
        Office11()->PaintExpandButton(&s.cx, Rect(6, 6, 17, 17), false, clDefault);
        EXPECT_EQ(s.At(6, 6), Rgb(MixColors(RGB(158, 174, 191), beneath, 25)));
        const COLORREF other = Rgb(MixColors(RGB(46, 70, 95), clLime, 25));
        EXPECT_EQ(s.At(16, 16), other);
        EXPECT_EQ(s.At(6, 16), other);
        EXPECT_EQ(s.At(16, 6), other);
        // The rest of the button is the bitmap's own picture.
        for (int y = 1; y < 10; ++y)
            for (int x = 1; x < 10; ++x)
                ASSERT_EQ(s.At(6 + x, 6 + y), Rgb(plus->Canvas().Pixel(x, y))) << x << "," << y;
        EXPECT_EQ(s.At(5, 5), beneath);
    }
    // The shared bitmap keeps its own corners.
    EXPECT_NE(Rgb(plus->Canvas().Pixel(0, 0)), Rgb(MixColors(RGB(158, 174, 191), RGB(0, 0, 255), 25)));
}

TEST(Office11Painter, SizeGripCells) {
    TOffice11Colours colours;
    TPaintSurface s(20, 20, kBack);
    Office11()->PaintSizeGrip(&s.cx, Rect(0, 0, 20, 20), clRed);
    EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
    // Six fingers in three rows: each a light square with a dark one above left of it.
    const COLORREF dark = Rgb(Office11GripDarkColor), light = Rgb(Office11GripLightColor);
    ASSERT_NE(dark, light) << "grip colours coincide: the fingers cannot be told apart";
    EXPECT_EQ(s.Count(dark), 6 * 4);
    EXPECT_EQ(s.Count(light), 6 * 3); // the dark square covers one pixel of its light one
    RECT box = s.BoxOf(dark);
    EXPECT_TRUE(SameRects(box, Rect(8, 9, 18, 19)));
    EXPECT_EQ(s.At(18, 19), light);
    EXPECT_EQ(s.At(16, 17), dark);
    EXPECT_EQ(s.At(19, 19), RGB(255, 0, 0));
}

TEST(Office11Painter, NavigatorButtonFaceAndPanelBackground) {
    TOffice11Colours colours;
    TPaintSurface s(20, 40, kBack);
    Office11()->PaintSchedulerNavButtonFace(&s.cx, Rect(0, 0, 20, 40), Rect(6, 5, 13, 12), true, bpsHot);
    EXPECT_EQ(s.At(0, 20), Rgb(Office11SchedulerBorderColor));
    EXPECT_EQ(s.At(19, 20), Rgb(Office11HotColor)); // the closed side has no frame
    EXPECT_EQ(s.At(10, 30), Rgb(Office11HotColor));

    s.Clear(kBack);
    Office11()->PaintPanelBackground(&s.cx, nullptr, Rect(0, 0, 20, 40), clRed, clDefault);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 20, 40), RGB(255, 0, 0)));
    s.Clear(kBack);
    Office11()->PaintPanelBackground(&s.cx, nullptr, Rect(0, 0, 20, 40), clRed, clBlue);
    EXPECT_EQ(s.At(5, 0), RGB(255, 0, 0));
    EXPECT_NE(s.At(5, 20), RGB(255, 0, 0));
    EXPECT_EQ(s.At(5, 20), s.At(15, 20));
}

TEST(NativeScrollBar, ThemedPartsOrTheStandardOnes) {
    TScrollBarPatterns patterns;
    const auto* xp = TcxWinXPLookAndFeelPainter::Painter();
    // Without themes the native painter and Office 11 draw the standard parts.
    {
        TScopedThemeSeam off(false, L"", L"");
        for (const TcxCustomLookAndFeelPainter* p :
             std::initializer_list<const TcxCustomLookAndFeelPainter*>{xp, Office11()}) {
            TPaintSurface painted(17, 17, kBack), standard(17, 17, kBack);
            p->PaintScrollBarPart(&painted.cx, false, Rect(0, 0, 17, 17), sbpLineUp, bpsPressed);
            TcxStandardLookAndFeelPainter::Painter()->PaintScrollBarPart(
                &standard.cx, false, Rect(0, 0, 17, 17), sbpLineUp, bpsPressed);
            for (int y = 0; y < 17; ++y)
                for (int x = 0; x < 17; ++x)
                    ASSERT_EQ(painted.At(x, y), standard.At(x, y)) << p->ClassName() << " " << x << "," << y;
        }
    }
    if (HTHEME toolBar = OpenCachedTheme(totToolBar)) {
        TPaintSurface painted(24, 24, kBack), themed(24, 24, kBack);
        Office11()->PaintSchedulerNavigatorButton(&painted.cx, Rect(0, 0, 24, 24), bpsHot);
        const RECT r = Rect(0, 0, 24, 24);
        dxUxTheme::DrawThemeBackground(toolBar, themed.DC(), 1, 5, &r, nullptr); // hot toolbar button
        EXPECT_LT(painted.Count(kBack), 24 * 24);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(painted.At(x, y), themed.At(x, y)) << x << "," << y;
    }
    if (!OpenCachedTheme(totScrollBar)) GTEST_SKIP() << "the \"ScrollBar\" theme class does not open";
    TPaintSurface empty(17, 17, kBack);
    xp->PaintScrollBarPart(&empty.cx, false, Rect(0, 0, 0, 17), sbpThumbnail, bpsNormal);
    EXPECT_EQ(empty.Count(kBack), 17 * 17);
    for (TcxScrollBarPart part : {sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown}) {
        TPaintSurface painted(17, 17, kBack), themed(17, 17, kBack);
        Office11()->PaintScrollBarPart(&painted.cx, true, Rect(0, 0, 17, 17), part, bpsNormal);
        EXPECT_LT(painted.Count(kBack), 17 * 17) << part;
        const RECT r = Rect(0, 0, 17, 17);
        HTHEME theme = OpenCachedTheme(totScrollBar);
        switch (part) {
        case sbpLineUp:
            dxUxTheme::DrawThemeBackground(theme, themed.DC(), 1, 9, &r, nullptr); // left arrow, normal
            break;
        case sbpLineDown:
            dxUxTheme::DrawThemeBackground(theme, themed.DC(), 1, 13, &r, nullptr); // right arrow, normal
            break;
        case sbpThumbnail:
            dxUxTheme::DrawThemeBackground(theme, themed.DC(), 2, 1, &r, nullptr);
            dxUxTheme::DrawThemeBackground(theme, themed.DC(), 8, 0, &r, nullptr);
            break;
        case sbpPageUp:
            dxUxTheme::DrawThemeBackground(theme, themed.DC(), 4, 1, &r, nullptr);
            break;
        default:
            dxUxTheme::DrawThemeBackground(theme, themed.DC(), 5, 1, &r, nullptr);
            break;
        }
        int differences = 0;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 17; ++x)
                differences += painted.At(x, y) != themed.At(x, y);
        EXPECT_EQ(differences, 0) << part;
    }
}

TEST(UltraFlatPainter, SimpleHeaderTabsAndNavigatorButton) {
    TPaintSurface s(30, 20, kBack);
    UltraFlat()->PaintHeaderSimple(&s.cx, Rect(0, 0, 30, 20), Rect(0, 0, 30, 20), TcxNeighbors{},
                                   TcxBorders{bRight, bBottom}, bpsNormal, taLeftJustify, vaTop, false, false,
                                   "", nullptr, clDefault, clRed);
    // The cell fills the bounds; the frame lies one pixel inside them.
    EXPECT_EQ(s.At(29, 10), RGB(255, 0, 0));
    EXPECT_EQ(s.At(28, 10), Rgb(clBtnText));
    EXPECT_EQ(s.At(10, 18), Rgb(clBtnText));
    EXPECT_EQ(s.At(1, 10), RGB(255, 0, 0));

    s.Clear(kBack);
    UltraFlat()->PaintTabFrame(&s.cx, Rect(20, 0, 21, 20), bRight, cxBordersAll, false);
    UltraFlat()->PaintTabFrame(&s.cx, Rect(0, 0, 20, 1), bTop, cxBordersAll, false);
    EXPECT_EQ(s.At(20, 18), Rgb(clBtnText));
    EXPECT_EQ(s.At(20, 19), kBack); // shortened at the bottom by the tab border
    EXPECT_EQ(s.At(5, 0), Rgb(clBtnShadow));
    UltraFlat()->PaintTabArea(&s.cx, Rect(0, 5, 30, 20), TcxBorders{bTop}, false);
    EXPECT_EQ(s.At(25, 5), Rgb(clBtnShadow));
    EXPECT_EQ(s.At(25, 19), kBack);

    for (TcxButtonPaintState state : {bpsNormal, bpsHot}) {
        TPaintSurface b(20, 20, kBack);
        UltraFlat()->PaintSchedulerNavigatorButton(&b.cx, Rect(0, 0, 20, 20), state);
        EXPECT_EQ(b.At(0, 10), Rgb(state == bpsHot ? clHighlight : clBtnFace)) << state;
    }
}

TEST(Office11Painter, MonthHeaderAndSmallExpandButton) {
    TOffice11Colours colours;
    TPaintSurface s(40, 20, kBack);
    TcxPaintParams params;
    params.Color = clRed;
    Office11()->PaintMonthHeader(&s.cx, Rect(0, 0, 40, 20), "", TcxNeighbors{}, params, 0, 5);
    EXPECT_EQ(s.At(0, 0), kBack); // one pixel all round is left alone
    EXPECT_TRUE(s.AllOf(Rect(1, 1, 39, 19), RGB(255, 0, 0)));
    int calls = 0;
    Office11()->PaintMonthHeader(&s.cx, Rect(0, 0, 40, 20), "", TcxNeighbors{}, params, 0, 5,
                                 [&](TObject*, TcxCanvas*, const TRect& r) {
                                     ++calls;
                                     EXPECT_TRUE(SameRects(r, Rect(1, 1, 39, 19)));
                                     return true;
                                 });
    EXPECT_EQ(calls, 1);

    TPaintSurface a(20, 20, kBack), b(20, 20, kBack);
    Office11()->PaintSmallExpandButton(&a.cx, Rect(0, 0, 11, 11), true, clRed);
    Office11()->PaintExpandButton(&b.cx, Rect(0, 0, 11, 11), true);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
    EXPECT_EQ(Office11()->GetCheckBoxColor(bpsNormal), clWindow);
    EXPECT_EQ(Office11()->GetCheckBoxColor(bpsDisabled), clBtnFace);
}
