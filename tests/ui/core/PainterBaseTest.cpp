// The base painter: colours, metrics, what hands over to what, and its own drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PaintSurface.h"
#include "platform/graphics/ImageList.h"
#include "ui/core/Geometry.h"
#include "ui/core/LookAndFeelPainters.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

using Base = TcxCustomLookAndFeelPainter;

// Records the operations that the base class hands over to, and answers its own metrics.
class TRecordingPainter : public TcxCustomLookAndFeelPainter {
public:
    static const TRecordingPainter* Painter() {
        static const TRecordingPainter painter;
        return &painter;
    }
    mutable std::vector<std::string> log;

    void FillBackground(TcxCanvas*, const TRect&, bool transparent, TColor color, TBitmap*) const override {
        log.push_back("FillBackground " + std::to_string(transparent) + " " + std::to_string(color));
    }
    void PaintCheckBox(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                       TcxCheckBoxState checkState) const override {
        log.push_back("PaintCheckBox " + std::to_string(checkState));
        TcxCustomLookAndFeelPainter::PaintCheckBox(canvas, r, state, checkState);
    }
    void PaintCheckBoxFrame(TcxCanvas*, const TRect&, TcxButtonPaintState) const override {
        log.push_back("PaintCheckBoxFrame");
    }
    void PaintCheckMark(TcxCanvas*, const TRect& r, TcxButtonPaintState, bool checked,
                        TColor markColor) const override {
        log.push_back("PaintCheckMark " + std::to_string(r.left) + " " + std::to_string(checked) + " " +
                      std::to_string(markColor));
    }
    void PaintButton(TcxCanvas*, const TRect&, const AnsiString& caption, TcxButtonPaintState state,
                     bool drawBorder, TColor color, TColor textColor, bool) const override {
        log.push_back("PaintButton '" + caption + "' " + std::to_string(state) + " " +
                      std::to_string(drawBorder) + " " +
                      std::to_string(color == clDefault && textColor == clDefault));
    }
    void PaintButtonFrame(TcxCanvas*, const TRect&, TcxButtonPaintState state) const override {
        log.push_back("PaintButtonFrame " + std::to_string(state));
    }
    void PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect, TcxNeighbors adjacent,
                     TcxBorders sides, TcxButtonPaintState state, TAlignment horzAlign,
                     TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis, const AnsiString& text,
                     TFont* font, TColor textColor, TColor fillColor,
                     const TcxDrawBackgroundEvent& onDrawBackground, bool isLast,
                     bool isGroup) const override {
        log.push_back("PaintHeader '" + text + "' " + std::to_string(sides.Bits()) + " " +
                      std::to_string(bool(onDrawBackground)) + " " + std::to_string(isLast) +
                      std::to_string(isGroup));
        TcxCustomLookAndFeelPainter::PaintHeader(canvas, bounds, textRect, adjacent, sides, state, horzAlign,
                                                 vertAlign, textWrap, ellipsis, text, font, textColor,
                                                 fillColor, onDrawBackground, isLast, isGroup);
    }
    void PaintHeaderFrame(TcxCanvas*, const TRect&, TcxNeighbors, TcxBorders) const override {
        log.push_back("PaintHeaderFrame");
    }
    void PaintCellContent(TcxCanvas*, const TRect& bounds, const TRect& textRect, TcxButtonPaintState,
                          TAlignment, TcxAlignmentVert, bool, bool ellipsis, const AnsiString&, TFont*,
                          TColor, TColor, const TcxDrawBackgroundEvent&, bool isFooter) const override {
        log.push_back("PaintCellContent " + std::to_string(bounds.left) + " " +
                      std::to_string(textRect.left) + " " + std::to_string(ellipsis) +
                      std::to_string(isFooter));
    }
    void PaintHeaderSectionFrame(TcxCanvas*, const TRect&, TcxBorders, TcxButtonPaintState) const override {
        log.push_back("PaintHeaderSectionFrame");
    }
    void PaintHeaderSectionText(TcxCanvas*, const TRect& r, TcxButtonPaintState, TAlignment, TcxAlignmentVert,
                                bool, bool, const AnsiString&, TFont*, TColor) const override {
        log.push_back("PaintHeaderSectionText " + std::to_string(r.left) + " " + std::to_string(r.top));
    }
    void PaintFooterCellFrame(TcxCanvas*, const TRect&) const override {
        log.push_back("PaintFooterCellFrame");
    }
    void PaintControlBorder(TcxCanvas*, const TRect&) const override { log.push_back("PaintControlBorder"); }
    void PaintGroupBoxBackground(TcxCanvas*, const TRect&, const TRect&) const override {
        log.push_back("PaintGroupBoxBackground");
    }
    void PaintGroupBoxCaption(TcxCanvas*, const TRect&, int side) const override {
        log.push_back("PaintGroupBoxCaption " + std::to_string(side));
    }
    void PaintIndicatorGlyph(TcxCanvas*, const TRect&, int kind) const override {
        log.push_back("PaintIndicatorGlyph " + std::to_string(kind));
    }

    TColor GetContentColor() const override { return clRed; }
    TColor GetGridLineColor() const override { return clLime; }
    TColor GetHeaderColor() const override { return clAqua; }
    TColor GetVGridLineColor() const override { return clTeal; }
    TColor GetSelectionTextColor() const override { return clPurple; }
    int GetButtonBorderWidth(TcxButtonPaintState state) const override { return state == bpsNormal ? 3 : 7; }
    int GetHeaderBorderWidth() const override { return 2; }
    TcxBorders GetHeaderBorders(TcxNeighbors adjacent) const override {
        return adjacent.Contains(bLeft) ? TcxBorders{bTop, bRight, bBottom} : cxBordersAll;
    }
    TSize GetSortMarkSize() const override { return TSize{9, 11}; }
    int GetFooterCellBorderWidth() const override { return 3; }
    int GetHeaderSectionBorderWidth(TcxButtonPaintState) const override { return 2; }

    std::vector<std::string> Take() const {
        auto result = log;
        log.clear();
        return result;
    }

protected:
    TRecordingPainter() = default;
};

using Log = std::vector<std::string>;
} // namespace

TEST(PainterBase, ColoursAndMetricsOfTheBaseClass) {
    const Base* p = Base::Painter();
    struct Case {
        const char* name;
        TColor actual, expected;
    } colours[] = {
        {"Content", p->GetContentColor(), clWindow},
        {"ContentText", p->GetContentTextColor(), clWindowText},
        {"Footer", p->GetFooterColor(), clBtnFace},
        {"Header", p->GetHeaderColor(), clBtnFace},
        {"FilterBox", p->GetFilterBoxColor(), clBtnShadow},
        {"FilterBoxText", p->GetFilterBoxTextColor(), clBtnHighlight},
        {"HeaderText", p->GetHeaderTextColor(), clBtnText},
        {"Selection", p->GetSelectionColor(), clHighlight},
        {"SelectionText", p->GetSelectionTextColor(), clHighlightText},
        {"Hyperlink", p->GetHyperlinkColor(), clBlue},
        {"VGridLine", p->GetVGridLineColor(), clBlack},
        {"TimeScaleMajor", p->GetTimeScaleMajorColor(), clWhite},
        {"ChartF", p->GetChartColorF(), clNavy},
        {"SchedulerBorder", p->GetSchedulerBorderColor(), static_cast<TColor>(RGB(161, 157, 157))},
        {"SchedulerView", p->GetSchedulerViewColor(), static_cast<TColor>(RGB(255, 255, 213))},
        {"ChartCaptionText", p->GetChartCaptionTextColor(), static_cast<TColor>(RGB(207, 207, 207))},
        {"ChartE", p->GetChartColorE(), static_cast<TColor>(RGB(166, 202, 240))},
        {"EditorBack", p->GetEditorBackColor(true), clDefault},
        {"EditBorder", p->GetEditBorderColor(false), clDefault},
        {"TrackBarTick", p->GetTrackBarTickColor(true), clDefault},
        {"FooterSeparator", p->GetFooterSeparatorColor(), clBtnShadow},
        {"ButtonDisabled", p->GetButtonColor(bpsDisabled), clBtnFace},
        {"GlyphDisabled", p->GetButtonGlyphColor(bpsDisabled, clRed), clBtnShadow},
        {"GlyphFallback", p->GetButtonGlyphColor(bpsHot, clRed), clRed},
        {"GlyphDefault", p->GetButtonGlyphColor(bpsHot, clDefault), clBtnText},
        {"CheckBoxHot", p->GetCheckBoxColor(bpsHot), clWindow},
        {"CheckBoxDefault", p->GetCheckBoxColor(bpsDefault), clWindow},
        {"CheckBoxPressed", p->GetCheckBoxColor(bpsPressed), clBtnFace},
        {"CheckBoxDisabled", p->GetCheckBoxColor(bpsDisabled), clBtnFace},
    };
    for (const Case& c : colours)
        EXPECT_EQ(c.actual, c.expected) << c.name;

    EXPECT_EQ(p->MapButtonGlyphState(bpsPressed), bpsPressed);
    EXPECT_EQ(p->GetGroupExpandButtonSize(), 15);
    EXPECT_EQ(p->GetSmallExpandButtonSize(), 9);
    EXPECT_TRUE(p->PaintsExpandButtonFirst() && p->PaintsHeaderCellsFirst() && p->PaintsFooterCellsFirst() &&
                p->PaintsIndicatorCellsFirst());
    EXPECT_FALSE(p->HasHotButtons() || p->HasHotHeaders() || p->HasHotTabs(false) || p->CanPaintTab(true));
    EXPECT_TRUE(p->HitGroupExpandButton(Rect(0, 0, 10, 10), Point(9, 9)));
    EXPECT_FALSE(p->HitGroupExpandButton(Rect(0, 0, 10, 10), Point(10, 9)));
    EXPECT_EQ(p->GetCheckFrameWidth(), 2);
    EXPECT_EQ(p->GetFilterCloseButtonSize().cx, 16);
    EXPECT_EQ(p->GetFilterCloseButtonSize().cy, 14);
    EXPECT_EQ(p->GetFilterDropButtonSize().cx, 15);
    EXPECT_EQ(p->GetFilterDropButtonSize().cy, 0);
    EXPECT_EQ(p->GetMinThumbSize(true), 8);
    EXPECT_EQ(p->GetSizeGripSize().cx, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(p->GetSizeGripSize().cy, GetSystemMetrics(SM_CYHSCROLL));
    EXPECT_EQ(p->CalcHeaderHeight(13), 17);
    EXPECT_TRUE(SameRects(p->CalcButtonFocusRect(nullptr, Rect(0, 0, 20, 10)), Rect(4, 4, 16, 6)));
    // A 6 x 6 button has no room for the focus inset: the button itself.
    EXPECT_TRUE(SameRects(p->CalcButtonFocusRect(nullptr, Rect(2, 2, 8, 8)), Rect(2, 2, 8, 8)));
    EXPECT_TRUE(SameRects(p->CalcHeaderSectionTextRect(Rect(0, 0, 5, 5), bpsPressed), Rect(1, 1, 6, 6)));
    EXPECT_TRUE(SameRects(p->CalcHeaderSectionTextRect(Rect(0, 0, 5, 5), bpsHot), Rect(0, 0, 5, 5)));
    TRect sides;
    TSize arrow;
    p->GetNavButtonMetrics(false, sides, arrow);
    EXPECT_TRUE(SameRects(sides, Rect(0, 6, 2, 6)));
    p->GetNavButtonMetrics(true, sides, arrow);
    EXPECT_TRUE(SameRects(sides, Rect(2, 6, 0, 6)));
    EXPECT_EQ(arrow.cx, 7);
    EXPECT_EQ(GetRectWidth(p->GetEventProgressMargins()), 0);
    EXPECT_EQ(p->GetEventProgressMargins().left, 2);
}

TEST(PainterBase, StyleCodesOfOtherPaintersMapToStandard) {
    EXPECT_EQ(LookAndFeelStyleToKind(3), lfStandard);
    EXPECT_EQ(LookAndFeelStyleToKind(1), lfStandard);
    EXPECT_EQ(LookAndFeelStyleToKind(7), lfStandard);
    EXPECT_EQ(Base::GetArrowForScrollPart(false, sbpLineUp), apUp);
    EXPECT_EQ(Base::GetArrowForScrollPart(true, sbpLineUp), apLeft);
    EXPECT_EQ(Base::GetArrowForScrollPart(false, sbpThumbnail), apDown);
    EXPECT_EQ(Base::GetArrowForScrollPart(true, sbpPageDown), apRight);
}

TEST(PainterBase, DerivedColoursAndMetricsAskTheDescendant) {
    const TRecordingPainter* p = TRecordingPainter::Painter();
    EXPECT_EQ(p->GetContentEvenColor(), clRed);
    EXPECT_EQ(p->GetContentOddColor(), clRed);
    EXPECT_EQ(p->GetRecordSeparatorColor(), clLime);
    EXPECT_EQ(p->GetCategoryColor(), clAqua);
    EXPECT_EQ(p->GetBandLineColor(), clTeal);
    EXPECT_EQ(p->GetSelectedEventTextColor(clRed, true), clPurple);
    EXPECT_TRUE(SameRects(p->CalcButtonGroupBorders(3, 1), Rect(3, 3, 3, 3)));
    EXPECT_EQ(p->CalcHeaderHeight(10), 18);
    EXPECT_EQ(p->GetSortMarkAreaSize().cx, 16);
    EXPECT_EQ(p->GetSortMarkAreaSize().cy, 11);
    EXPECT_TRUE(SameRects(p->CalcFooterCellInnerRect(Rect(0, 0, 20, 20)), Rect(3, 3, 17, 17)));
    EXPECT_TRUE(SameRects(p->CalcFooterCellTextRect(Rect(0, 0, 20, 20)), Rect(5, 5, 15, 15)));
    EXPECT_TRUE(SameRects(p->CalcHeaderSectionInnerRect(Rect(0, 0, 20, 20), bpsNormal), Rect(2, 2, 18, 18)));
    EXPECT_TRUE(SameRects(p->CalcHeaderInnerRect(Rect(0, 0, 20, 20), TcxBorders{bLeft, bBottom}),
                          Rect(2, 0, 20, 18)));
    // A left neighbour takes the left border away: only that side grows.
    const TcxBorders all = cxBordersAll;
    EXPECT_TRUE(SameRects(p->CalcHeaderOuterRect(Rect(10, 10, 20, 20), TcxNeighbors{bLeft}, all),
                          Rect(8, 10, 20, 20)));
    EXPECT_TRUE(
        SameRects(p->CalcHeaderOuterRect(Rect(10, 10, 20, 20), TcxNeighbors{}, all), Rect(10, 10, 20, 20)));
}

TEST(PainterBase, OperationsHandOverToTheDescendant) {
    const TRecordingPainter* p = TRecordingPainter::Painter();
    TPaintSurface s(40, 40);
    const TRect r = Rect(2, 2, 30, 30);
    p->Take();

    p->PaintGroupByBox(&s.cx, r, true, clRed, nullptr);
    p->PaintFilterPanel(&s.cx, r, false, clBlue, nullptr);
    EXPECT_EQ(p->Take(), (Log{"FillBackground 1 255", "FillBackground 0 16711680"}));

    p->PaintFilterToggle(&s.cx, r, bpsNormal, true);
    p->PaintTwoStateCheckBox(&s.cx, r, bpsNormal, false);
    EXPECT_EQ(p->Take(), (Log{"PaintCheckBox 1", "PaintCheckBoxFrame", "PaintCheckMark 4 1 -2147483630",
                              "PaintCheckBox 0", "PaintCheckBoxFrame", "PaintCheckMark 4 0 -2147483630"}));
    p->PaintCheckBox(&s.cx, r, bpsDisabled, cbsChecked);
    p->PaintCheckBox(&s.cx, r, bpsNormal, cbsGrayed);
    EXPECT_EQ(p->Take(), (Log{"PaintCheckBox 1", "PaintCheckBoxFrame", "PaintCheckMark 4 1 -2147483631",
                              "PaintCheckBox 2", "PaintCheckBoxFrame", "PaintCheckMark 4 0 -2147483631"}));

    p->PaintGroupedButton(&s.cx, r, bpsHot, 3, 1, clRed);
    p->PaintSchedulerNavigatorButton(&s.cx, r, bpsPressed);
    EXPECT_EQ(p->Take(), (Log{"PaintButton '' 2 1 1", "PaintButton '' 3 1 1"}));

    p->PaintArrowButtonFrame(&s.cx, r, bpsHot);
    EXPECT_EQ(p->Take(), (Log{"PaintButtonFrame 2"}));

    auto handler = [](TObject*, TcxCanvas*, const TRect&) { return false; };
    p->PaintHeaderSimple(&s.cx, r, r, TcxNeighbors{}, TcxBorders{bTop}, bpsNormal, taLeftJustify, vaTop,
                         false, true, "A", nullptr, clDefault, clRed, handler);
    EXPECT_EQ(p->Take(), (Log{"PaintHeader 'A' 2 1 00", "PaintHeaderFrame", "PaintCellContent 2 2 10"}));
    p->PaintHeader(&s.cx, r, Rect(5, 5, 9, 9), TcxNeighbors{}, cxBordersAll, bpsNormal, taLeftJustify, vaTop,
                   false, false, "B", nullptr, clDefault, clRed, nullptr, true, true);
    EXPECT_EQ(p->Take(), (Log{"PaintHeader 'B' 15 0 11", "PaintHeaderFrame", "PaintCellContent 4 5 00"}));

    p->PaintIndicatorCell(&s.cx, r, 3, clRed);
    p->PaintIndicatorCellPlain(&s.cx, r, 4, clRed);
    EXPECT_EQ(p->Take(), (Log{"PaintHeader '' 15 0 00", "PaintHeaderFrame", "PaintCellContent 4 2 00",
                              "PaintIndicatorGlyph 3", "PaintHeader '' 15 0 00", "PaintHeaderFrame",
                              "PaintCellContent 4 2 00", "PaintIndicatorGlyph 4"}));

    p->PaintHeaderSection(&s.cx, r, Rect(6, 6, 20, 20), TcxNeighbors{}, cxBordersAll, bpsPressed,
                          taLeftJustify, vaTop, false, false, "C", nullptr, clDefault, clRed);
    EXPECT_EQ(p->Take(), (Log{"PaintHeaderSectionFrame", "PaintHeaderSectionText 7 7"}));

    p->PaintFooterCell(&s.cx, r, taLeftJustify, vaTop, false, "D", nullptr, clDefault, clRed);
    EXPECT_EQ(p->Take(), (Log{"PaintFooterCellFrame", "PaintCellContent 5 7 01"}));

    p->PaintSchedulerBorder(&s.cx, r);
    p->PaintPanelBackground(&s.cx, nullptr, r, clRed, clBlue);
    p->PaintPanelCaption(&s.cx, r, 2);
    EXPECT_EQ(p->Take(), (Log{"PaintControlBorder", "PaintGroupBoxBackground", "PaintGroupBoxCaption 2"}));

    TcxPaintParams params;
    params.Color = clRed;
    p->PaintMonthHeader(&s.cx, r, "May", TcxNeighbors{}, params, 0, 5);
    EXPECT_EQ(p->Take(), (Log{"PaintHeader 'May' 15 0 00", "PaintHeaderFrame", "PaintCellContent 4 2 00"}));
}

TEST(PainterBase, FillsHandOverToTheCanvas) {
    const Base* p = Base::Painter();
    TPaintSurface s(20, 20);
    p->PaintWindowBackground(&s.cx, Rect(0, 0, 5, 5));
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 5, 5), Sys(clBtnFace)));
    p->PaintFooterSeparator(&s.cx, Rect(5, 0, 6, 20));
    EXPECT_TRUE(s.AllOf(Rect(5, 0, 6, 20), Sys(clBtnShadow)));
    TcxPaintParams params;
    params.Color = clRed;
    p->PaintFooterBackground(&s.cx, Rect(10, 10, 10, 15), params);
    EXPECT_EQ(s.At(10, 10), kWhite);
    p->PaintFooterBackground(&s.cx, Rect(10, 10, 12, 15), params);
    EXPECT_TRUE(s.AllOf(Rect(10, 10, 12, 15), kRed));

    s.Clear(kWhite);
    p->FillBackground(&s.cx, Rect(0, 0, 4, 4), true, clRed, nullptr);
    EXPECT_EQ(s.Count(kWhite), 400);
    p->FillBackground(&s.cx, Rect(0, 0, 4, 4), false, clRed, nullptr);
    EXPECT_EQ(s.Count(kRed), 16);
    TBitmap tile(2, 2, pf32bit);
    tile.Canvas().Brush().SetColor(clBlue);
    tile.Canvas().FillRect(Rect(0, 0, 2, 2));
    p->FillBackground(&s.cx, Rect(10, 0, 14, 4), true, clRed, &tile);
    EXPECT_TRUE(s.AllOf(Rect(10, 0, 14, 4), kBlue));

    s.Clear(kWhite);
    p->HighlightPressedHeader(&s.cx, Rect(0, 0, 3, 3));
    EXPECT_EQ(s.Count(RGB(0, 0, 0)), 9);

    s.Clear(kWhite);
    params.Color = clBlue;
    p->PaintHeaderSeparator(&s.cx, Rect(0, 0, 10, 2), 2, clRed, params);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 2, 2), kBlue));
    EXPECT_TRUE(s.AllOf(Rect(2, 0, 8, 2), kRed));
    EXPECT_TRUE(s.AllOf(Rect(8, 0, 10, 2), kBlue));
}

TEST(PainterBaseGeometry, ArrowPointsPerDirection) {
    struct Case {
        TRect r;
        TcxArrowPointing direction;
        bool proportional;
        TPoint p0, p1, p2;
    } cases[] = {
        // 9 x 9 up: depth 3, a 5-pixel base.
        {{0, 0, 9, 9}, apUp, false, {2, 5}, {4, 3}, {6, 5}},
        {{0, 0, 9, 9}, apDown, false, {6, 3}, {4, 5}, {2, 3}},
        {{0, 0, 9, 9}, apLeft, false, {5, 6}, {3, 4}, {5, 2}},
        {{0, 0, 9, 9}, apRight, false, {3, 6}, {5, 4}, {3, 2}},
        // Proportional: a 17 x 9 box is reduced to its centred 9 x 9 square first.
        {{0, 0, 17, 9}, apUp, true, {6, 5}, {8, 3}, {10, 5}},
        // Not proportional: the depth follows the width of the whole box.
        {{0, 0, 17, 9}, apUp, false, {4, 6}, {8, 2}, {12, 6}},
    };
    for (const Case& c : cases) {
        auto p = Base::CalcArrowPoints(c.r, c.direction, c.proportional);
        EXPECT_TRUE(SameExtents(p[0], c.p0) && SameExtents(p[1], c.p1) && SameExtents(p[2], c.p2))
            << c.direction << ": " << p[0].x << "," << p[0].y << " " << p[1].x << "," << p[1].y << " "
            << p[2].x << "," << p[2].y;
    }
    auto sized = Base::CalcArrowPoints(Rect(0, 0, 9, 9), apUp, false, 2);
    EXPECT_EQ(sized[2].x - sized[0].x, 2);
}

TEST(PainterBaseGeometry, DropArrowInTenByTen) {
    TPaintSurface s(10, 10);
    Base::Painter()->PaintDropArrow(&s.cx, Rect(0, 0, 10, 10), clRed);
    // X = 5 (10 div 2 is odd), Y = 3: rows of 5, 3 and 1 pixels from (2, 4).
    EXPECT_TRUE(SameRects(s.BoxOf(kRed), Rect(2, 4, 7, 7)));
    EXPECT_EQ(s.Count(kRed), 9);
    EXPECT_TRUE(s.AllOf(Rect(2, 4, 7, 5), kRed));
    EXPECT_EQ(s.At(4, 6), kRed);
}

TEST(PainterBaseGeometry, CaptionRectangleByHeight) {
    struct Case {
        int height, top, bottom;
    } cases[] = {{16, -1, 16}, {17, -1, 16}, {18, 0, 18}, {19, 0, 18}};
    for (const Case& c : cases) {
        TRect r = Base::CalcButtonCaptionRect(Rect(0, 0, 40, c.height), false, 1);
        EXPECT_EQ(r.top, c.top) << c.height;
        EXPECT_EQ(r.bottom, c.bottom) << c.height;
    }
    EXPECT_TRUE(SameRects(Base::CalcButtonCaptionRect(Rect(0, 0, 40, 18), true, 1), Rect(1, 1, 41, 19)));
}

TEST(PainterBaseGeometry, CheckMarkIsThreePixelsThick) {
    TPaintSurface s(20, 20);
    s.cx.Brush().SetStyle(bsSolid);
    Base::Painter()->PaintCheckMark(&s.cx, Rect(0, 0, 13, 13), bpsNormal, true, clRed);
    // W = 11, H = 9: strokes from (1, 5 + d) down to (5, 9 + d) and up towards (12, d).
    EXPECT_EQ(s.At(0, 0), Sys(clWindow));
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(s.At(1, 5 + d), kRed) << d;
        EXPECT_EQ(s.At(5, 9 + d), kRed) << d;
    }
    EXPECT_NE(s.At(5, 12), kRed);
    EXPECT_NE(s.At(5, 8), kRed);
    EXPECT_TRUE(SameRects(s.BoxOf(kRed), Rect(1, 1, 12, 12)));

    // A clear brush leaves the background as it is.
    s.Clear(kWhite);
    s.cx.Brush().SetStyle(bsClear);
    Base::Painter()->PaintCheckMark(&s.cx, Rect(0, 0, 13, 13), bpsPressed, false, clRed);
    EXPECT_EQ(s.Count(kWhite), 400);
}

TEST(PainterBaseGeometry, ExpandCrossBySize) {
    struct Case {
        TRect r;
        TRect bar;
    } cases[] = {
        {{0, 0, 9, 9}, {2, 4, 7, 5}},
        {{0, 0, 11, 11}, {2, 5, 9, 6}},
        {{0, 0, 12, 12}, {2, 6, 11, 7}},
        {{3, 3, 12, 12}, {5, 7, 10, 8}},
    };
    for (const Case& c : cases) {
        TPaintSurface s(16, 16);
        Base::PaintExpandCross(&s.cx, c.r, true, clRed);
        EXPECT_TRUE(SameRects(s.BoxOf(kRed), c.bar)) << c.r.right;
        EXPECT_EQ(s.Count(kRed), GetRectWidth(c.bar));
        s.Clear(kWhite);
        Base::PaintExpandCross(&s.cx, c.r, false, clRed);
        const int cx = (c.r.left + c.r.right) / 2;
        EXPECT_TRUE(SameRects(s.BoxOf(kRed), Rect(c.bar.left, c.bar.top - GetRectWidth(c.bar) / 2,
                                                  c.bar.right, c.bar.bottom + GetRectWidth(c.bar) / 2)));
        EXPECT_EQ(s.At(cx, c.bar.top - 1), kRed);
    }
}

TEST(PainterBaseGeometry, SortArrowEdgesAndBase) {
    // The recording painter's mark is 9 x 11: odd width, apex at the centre column.
    const TRecordingPainter* p = TRecordingPainter::Painter();
    TPaintSurface s(20, 20);
    p->PaintSortArrow(&s.cx, Rect(0, 0, 20, 20), clRed, clBlue, true);
    // X = 10, top = 4, bottom = 14; right edge and base blue, left edge red.
    EXPECT_EQ(s.At(10, 4), kRed); // the left edge is drawn last and ends at the apex
    EXPECT_EQ(s.At(14, 14), kBlue);
    EXPECT_EQ(s.At(10, 14), kBlue);
    EXPECT_EQ(s.At(6, 14), kRed);
    EXPECT_EQ(s.BoxOf(kBlue).right, 15);
    EXPECT_EQ(s.BoxOf(kBlue).bottom, 15);
    EXPECT_TRUE(SameRects(s.BoxOf(kRed), Rect(6, 4, 11, 15)));
    s.Clear(kWhite);
    p->PaintSortArrow(&s.cx, Rect(0, 0, 20, 20), clRed, clBlue, false);
    EXPECT_EQ(s.At(10, 14), kRed);
    EXPECT_EQ(s.At(8, 4), kRed); // a descending base takes the first colour
    EXPECT_EQ(s.At(14, 4), kRed);
    EXPECT_EQ(s.At(12, 9), kBlue);
}

TEST(PainterBasePixels, GrayedCheckBoxHasNoMark) {
    TPaintSurface s(20, 20);
    const Base* p = Base::Painter();
    p->PaintCheckBox(&s.cx, Rect(0, 0, 17, 17), bpsNormal, cbsGrayed);
    EXPECT_EQ(s.Count(Sys(clGrayText)), 0);
    EXPECT_TRUE(s.AllOf(Rect(2, 2, 15, 15), Sys(clWindow)));
    s.Clear(kWhite);
    p->PaintCheckBox(&s.cx, Rect(0, 0, 17, 17), bpsDisabled, cbsChecked);
    EXPECT_GT(s.Count(Sys(clGrayText)), 20);
    EXPECT_EQ(s.At(2, 2), Sys(clBtnFace));
}

TEST(PainterBasePixels, BackgroundCallbackDecidesTheFill) {
    const Base* p = Base::Painter();
    for (bool painted : {true, false}) {
        TPaintSurface s(20, 20);
        int calls = 0;
        TRect seen{};
        auto handler = [&](TObject*, TcxCanvas* canvas, const TRect& bounds) {
            ++calls;
            seen = bounds;
            EXPECT_EQ(canvas, &s.cx);
            return painted;
        };
        p->PaintCellContent(&s.cx, Rect(2, 2, 18, 18), Rect(2, 2, 18, 18), bpsNormal, taLeftJustify, vaTop,
                            false, false, "", nullptr, clDefault, clRed, handler);
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(SameRects(seen, Rect(2, 2, 18, 18)));
        EXPECT_EQ(s.Count(kRed), painted ? 0 : 256);
    }
}

TEST(PainterBasePixels, CellTextGoesIntoTheTextRectangle) {
    TPaintSurface s(80, 30);
    TFont font;
    font.SetHeight(-14);
    Base::Painter()->PaintCellContent(&s.cx, Rect(0, 0, 80, 30), Rect(40, 0, 80, 30), bpsNormal,
                                      taRightJustify, vaCenter, false, false, "WW", &font, clBlue, clRed,
                                      nullptr);
    RECT text = s.BoxOf(kBlue);
    EXPECT_GE(text.left, 40);
    EXPECT_GT(text.right, 70);
    EXPECT_EQ(s.Count(kWhite), 0);
    EXPECT_EQ(s.cx.Brush().Style(), bsSolid);
}

TEST(PainterBasePixels, ArrowsInTheirColours) {
    const Base* p = Base::Painter();
    TPaintSurface s(20, 20);
    p->PaintArrowButton(&s.cx, Rect(0, 0, 9, 9), bpsNormal, apUp, false);
    EXPECT_EQ(s.At(0, 0), Sys(clBtnFace));
    EXPECT_EQ(s.At(4, 3), Sys(clBtnText));
    EXPECT_EQ(s.At(2, 5), Sys(clBtnText));

    s.Clear(kWhite);
    p->PaintScrollArrow(&s.cx, Rect(0, 0, 9, 9), apDown, bpsDisabled);
    // Embossed: the highlight copy shows below right of the shadow one.
    EXPECT_EQ(s.At(4, 5), Sys(clBtnShadow));
    EXPECT_EQ(s.At(5, 6), Sys(clBtnHighlight));
}

TEST(PainterBasePixels, SmallExpandButtonAndFilterCloseCross) {
    const Base* p = Base::Painter();
    TPaintSurface s(20, 20);
    p->PaintSmallExpandButton(&s.cx, Rect(0, 0, 9, 9), false, clRed, clBlue);
    EXPECT_EQ(s.At(0, 0), kRed);
    EXPECT_EQ(s.At(8, 8), kRed);
    EXPECT_EQ(s.At(1, 1), kBlue);
    EXPECT_EQ(s.At(4, 2), Sys(clBtnText));
    EXPECT_EQ(s.At(2, 4), Sys(clBtnText));

    s.Clear(kWhite);
    p->PaintFilterCloseButton(&s.cx, Rect(0, 0, 16, 14), bpsNormal);
    // S = 7; the cross sits in the middle of the face, two pixels wide.
    EXPECT_EQ(s.At(4, 3), Sys(clBtnText));
    EXPECT_EQ(s.At(5, 3), Sys(clBtnText));
    EXPECT_EQ(s.At(0, 0), Sys(clBtnFace));
}

TEST(PainterBasePixels, NavButtonRectangles) {
    const Base* p = Base::Painter();
    TRect bounds = Rect(0, 0, 20, 100), text, arrow;
    p->CalcNavButtonRects(false, true, TSize{0, 0}, TSize{0, 0}, bounds, text, arrow);
    EXPECT_TRUE(IsEmptyRect(text));
    EXPECT_EQ(GetRectHeight(bounds), 21 + 12);
    EXPECT_EQ(bounds.top, (100 - 33) / 2);
    EXPECT_EQ(GetRectWidth(arrow), 7);

    bounds = Rect(0, 0, 20, 100);
    p->CalcNavButtonRects(true, false, TSize{30, 10}, TSize{20, 10}, bounds, text, arrow);
    EXPECT_TRUE(SameRects(text, Rect(2, 6 + 21 + 5, 20, 94 - 14)));
    EXPECT_EQ(arrow.top, 6 + 7);
    // A text longer than the room grows the button at both ends.
    bounds = Rect(0, 0, 20, 100);
    p->CalcNavButtonRects(true, false, TSize{60, 10}, TSize{20, 10}, bounds, text, arrow);
    EXPECT_EQ(GetRectHeight(text), 60);
    EXPECT_EQ(GetRectHeight(bounds), 100 + 12);
    EXPECT_EQ(arrow.top, 6 + 7 - 6);
}

TEST(PainterBasePixels, SchedulerNavButtonWritesUpwardsAndKeepsTheFace) {
    const Base* p = Base::Painter();
    TPaintSurface s(24, 120, RGB(0, 255, 0));
    s.canvas.Font().SetHeight(-12);
    s.canvas.Font().SetColor(clBlue);
    const TRect r = Rect(2, 2, 22, 118);
    p->PaintSchedulerNavButton(&s.cx, r, true, bpsNormal, "Next", Rect(4, 40, 20, 100), Rect(6, 10, 13, 17));
    EXPECT_EQ(s.At(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(s.At(2, 60), Sys(clBtnShadow)); // the open left side of a next button
    RECT text = s.BoxOf(kBlue);
    EXPECT_GE(text.top, 40);
    EXPECT_LE(text.bottom, 100);
    // Rotated: the text runs along the height of the button.
    EXPECT_GT(text.bottom - text.top, text.right - text.left);
    EXPECT_GE(s.Count(Sys(clBtnText)), 10); // the arrow
}

TEST(PainterBasePixels, ClockDotsStayAndTheClipComesBack) {
    TPaintSurface s(64, 64);
    // 3:00 points the hour hand right and the minute hand up.
    Base::Painter()->PaintClock(&s.cx, Rect(0, 0, 64, 64), 3.0 / 24.0, clWhite);
    const COLORREF cyan = RGB(0, 255, 255), teal = RGB(0, 128, 128);
    EXPECT_GE(s.Count(cyan), 12 * 2);
    EXPECT_GT(s.Count(teal), 12);
    EXPECT_EQ(s.At(62, 32), teal); // the hour dot at three o'clock, 2 pixels inside
    EXPECT_EQ(s.At(61, 31), cyan);
    EXPECT_EQ(s.At(44, 32), teal); // on the hour hand
    EXPECT_EQ(s.At(31, 28), teal); // on the minute hand
    EXPECT_EQ(s.At(32, 15), kRed); // the second hand over it
    EXPECT_NE(s.At(20, 32), teal);
    s.cx.FillRectColor(Rect(0, 0, 64, 64), clRed);
    EXPECT_EQ(s.Count(kRed), 64 * 64);
}

TEST(PainterBasePixels, IndicatorAndNavigatorGlyphsFromImageLists) {
    TImageList images(8, 9);
    for (TColor colour : {clRed, clBlue}) {
        TBitmap glyph(8, 9, pf32bit);
        glyph.Canvas().Brush().SetColor(clWhite);
        glyph.Canvas().FillRect(Rect(0, 0, 8, 9));
        glyph.Canvas().Brush().SetColor(colour);
        glyph.Canvas().FillRect(Rect(2, 2, 6, 7));
        images.AddMasked(&glyph, clWhite);
    }
    TCustomImageList* saved = PainterResources().IndicatorImages;
    PainterResources().IndicatorImages = &images;
    const Base* p = Base::Painter();
    TPaintSurface s(20, 21, RGB(0, 255, 0));
    p->PaintIndicatorGlyph(&s.cx, Rect(0, 0, 20, 21), 2); // kind 2: the second image, centred
    EXPECT_TRUE(SameRects(s.BoxOf(kBlue), Rect(8, 8, 12, 13)));
    EXPECT_EQ(s.Count(RGB(0, 255, 0)), 20 * 21 - 20); // white is transparent
    p->PaintIndicatorGlyph(&s.cx, Rect(0, 0, 20, 21), 0);
    p->PaintIndicatorGlyph(&s.cx, Rect(0, 0, 20, 21), 3);
    EXPECT_EQ(s.Count(kRed), 0);
    PainterResources().IndicatorImages = saved;

    s.Clear(RGB(0, 255, 0));
    p->PaintNavigatorGlyph(&s.cx, &images, 0, 5, Rect(3, 4, 30, 30), true, false);
    EXPECT_TRUE(SameRects(s.BoxOf(kRed), Rect(5, 6, 9, 11)));
    s.Clear(RGB(0, 255, 0));
    p->PaintNavigatorGlyph(&s.cx, &images, 0, 5, Rect(3, 4, 30, 30), false, false);
    EXPECT_EQ(s.Count(kRed), 0); // disabled: embossed
    EXPECT_LT(s.Count(RGB(0, 255, 0)), 20 * 21);
    p->PaintNavigatorGlyph(&s.cx, nullptr, 0, 5, Rect(3, 4, 30, 30), true, false);
}

TEST(PainterBase, RadioButtonsAskTheSharedImagesForThePainterKind) {
    TcxPainterResources& resources = PainterResources();
    auto saved = resources.PaintRadioButtonImage;
    std::vector<std::string> calls;
    resources.PaintRadioButtonImage = [&](TcxCanvas*, int x, int y, TColor brush, TcxLookAndFeelKind kind,
                                          TcxButtonPaintState state, bool checked, bool flagB, bool flagA) {
        calls.push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(brush) + " " +
                        std::to_string(kind) + " " + std::to_string(state) + std::to_string(checked) +
                        std::to_string(flagB) + std::to_string(flagA));
    };
    TPaintSurface s(10, 10);
    Base::Painter()->PaintRadioButton(&s.cx, 3, 4, bpsHot, true, false, clRed, true);
    TRecordingPainter::Painter()->PaintRadioButton(&s.cx, 0, 0, bpsDisabled, false, true, clDefault);
    EXPECT_EQ(calls, (Log{"3,4 255 1 2101", "0,0 536870912 1 4010"}));
    resources.PaintRadioButtonImage = nullptr;
    Base::Painter()->PaintRadioButton(&s.cx, 3, 4, bpsHot, true, false, clRed, true); // nothing to draw with
    EXPECT_EQ(s.Count(kWhite), 100);
    resources.PaintRadioButtonImage = saved;
}

TEST(PainterBasePixels, CustomizeMarkEventProgressAndDisabledSectionText) {
    const Base* p = Base::Painter();
    TPaintSurface s(20, 20);
    p->PaintIndicatorCustomizeMark(&s.cx, Rect(0, 0, 20, 19), clRed);
    // Five lines 2 pixels apart from (19 - 9) div 2 = 5, from x 5 up to 17; dots at x 3 on lines 1, 3, 5.
    for (int line = 0; line < 5; ++line) {
        EXPECT_TRUE(s.AllOf(Rect(5, 5 + 2 * line, 17, 6 + 2 * line), kRed)) << line;
        EXPECT_EQ(s.At(17, 5 + 2 * line), kWhite) << line;
        EXPECT_EQ(s.At(3, 5 + 2 * line), line % 2 == 0 ? kRed : kWhite) << line;
        EXPECT_EQ(s.At(10, 6 + 2 * line), kWhite) << line;
    }

    s.Clear(kWhite);
    TcxPaintParams params;
    params.Color = clBlue;
    p->PaintEventProgress(&s.cx, Rect(0, 0, 20, 10), Rect(1, 1, 8, 9), params, false);
    EXPECT_EQ(s.At(0, 0), RGB(128, 128, 128));
    EXPECT_EQ(s.At(4, 4), RGB(0, 0, 128));
    EXPECT_EQ(s.At(12, 4), kBlue);
    p->PaintEventProgress(&s.cx, Rect(0, 10, 20, 20), Rect(1, 11, 8, 19), params, true);
    EXPECT_EQ(s.At(12, 14), kWhite); // framed: the inside keeps what was there

    TPaintSurface t(60, 20, RGB(0, 255, 0));
    TFont font;
    font.SetHeight(-14);
    p->PaintHeaderSectionText(&t.cx, Rect(0, 0, 60, 20), bpsDisabled, taLeftJustify, vaTop, false, false,
                              "WW", &font, clRed);
    EXPECT_EQ(t.Count(kRed), 0);
    RECT shadow = t.BoxOf(Sys(clBtnShadow)), light = t.BoxOf(Sys(clBtnHighlight));
    EXPECT_GT(shadow.right, shadow.left);
    // The highlight copy one pixel below right shows past the shadow one.
    EXPECT_EQ(light.right, shadow.right + 1);
    EXPECT_EQ(light.bottom, shadow.bottom + 1);
}
