#include "ui/core/LookAndFeelPainters.h"

#include "ui/core/Geometry.h"

TcxLookAndFeelKind LookAndFeelStyleToKind(int style) {
    switch (style) {
    case cxPaintStyleFlat:
        return lfFlat;
    case cxPaintStyleUltraFlat:
        return lfUltraFlat;
    case cxPaintStyleOffice11:
        return lfOffice11;
    default:
        return lfStandard;
    }
}

TcxPainterResources& PainterResources() {
    static TcxPainterResources resources;
    return resources;
}

const TcxCustomLookAndFeelPainter* TcxCustomLookAndFeelPainter::Painter() {
    static const TcxCustomLookAndFeelPainter painter;
    return &painter;
}

int TcxCustomLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleStandard;
}

// ---------------------------------------------------------------------------------------------
// Colours.
TColor TcxCustomLookAndFeelPainter::GetContentColor() const {
    return clWindow;
}

TColor TcxCustomLookAndFeelPainter::GetSchedulerBackColor() const {
    return clWindow;
}

TColor TcxCustomLookAndFeelPainter::GetContentTextColor() const {
    return clWindowText;
}

TColor TcxCustomLookAndFeelPainter::GetSchedulerTextColor() const {
    return clWindowText;
}

TColor TcxCustomLookAndFeelPainter::GetEventTextColor() const {
    return clWindowText;
}

TColor TcxCustomLookAndFeelPainter::GetFooterColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetDetailsSiteColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetGroupByBoxTextColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetGroupRowColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetHeaderAreaTextColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetHeaderColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetInactiveColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetSizeGripAreaColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetDateNavHeaderColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetSchedulerControlColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetSchedulerNavigatorColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetSeparatorColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetTabColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetTabsAreaColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetTimeScaleMinorColor() const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetFilterBoxColor() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetGridLineColor() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetGroupByBoxColor() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetHeaderAreaColor() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetChartInfoBorderColor() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorG() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorH() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetFooterSeparatorColor() const {
    return clBtnShadow;
}

TColor TcxCustomLookAndFeelPainter::GetFilterBoxTextColor() const {
    return clBtnHighlight;
}

TColor TcxCustomLookAndFeelPainter::GetFixedSeparatorColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetFooterTextColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetGroupRowTextColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetHeaderTextColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetInactiveTextColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetTabTextColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetTimeScaleMinorTextColor() const {
    return clBtnText;
}

TColor TcxCustomLookAndFeelPainter::GetDateNavSelColor() const {
    return clHighlight;
}

TColor TcxCustomLookAndFeelPainter::GetSelectionColor() const {
    return clHighlight;
}

TColor TcxCustomLookAndFeelPainter::GetDateNavSelTextColor() const {
    return clHighlightText;
}

TColor TcxCustomLookAndFeelPainter::GetSelectionTextColor() const {
    return clHighlightText;
}

TColor TcxCustomLookAndFeelPainter::GetHyperlinkColor() const {
    return clBlue;
}

TColor TcxCustomLookAndFeelPainter::GetPreviewTextColor() const {
    return clBlue;
}

TColor TcxCustomLookAndFeelPainter::GetVGridLineColor() const {
    return clBlack;
}

TColor TcxCustomLookAndFeelPainter::GetTimeScaleMajorTextColor() const {
    return clBlack;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorA() const {
    return clBlack;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorB() const {
    return clBlack;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorC() const {
    return clBlack;
}

TColor TcxCustomLookAndFeelPainter::GetTimeScaleMajorColor() const {
    return clWhite;
}

TColor TcxCustomLookAndFeelPainter::GetTimeSelectionBarColor() const {
    return clWhite;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorD() const {
    return clWhite;
}

TColor TcxCustomLookAndFeelPainter::GetChartColorF() const {
    return clNavy;
}

TColor TcxCustomLookAndFeelPainter::GetSchedulerBorderColor() const {
    return RGB(161, 157, 157);
}

TColor TcxCustomLookAndFeelPainter::GetSchedulerViewColor() const {
    return RGB(255, 255, 213);
}

TColor TcxCustomLookAndFeelPainter::GetChartCaptionTextColor() const {
    return RGB(207, 207, 207);
}

TColor TcxCustomLookAndFeelPainter::GetChartColorE() const {
    return RGB(166, 202, 240);
}

TColor TcxCustomLookAndFeelPainter::GetCategoryTextColor() const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetEditButtonTextColor() const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetProgressTextColor() const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetGroupBoxTextColor(int) const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetPanelTextColor() const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetContentEvenColor() const {
    return GetContentColor();
}

TColor TcxCustomLookAndFeelPainter::GetContentOddColor() const {
    return GetContentColor();
}

TColor TcxCustomLookAndFeelPainter::GetRecordSeparatorColor() const {
    return GetGridLineColor();
}

TColor TcxCustomLookAndFeelPainter::GetCategoryColor() const {
    return GetHeaderColor();
}

TColor TcxCustomLookAndFeelPainter::GetBandLineColor() const {
    return GetVGridLineColor();
}

TColor TcxCustomLookAndFeelPainter::GetSelectedEventTextColor(TColor, bool) const {
    return GetSelectionTextColor();
}

TColor TcxCustomLookAndFeelPainter::GetEditorBackColor(bool) const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetEditorTextColor(bool) const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetEditBorderColor(bool) const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetTrackBarTickColor(bool) const {
    return clDefault;
}

TColor TcxCustomLookAndFeelPainter::GetButtonColor(TcxButtonPaintState) const {
    return clBtnFace;
}

TColor TcxCustomLookAndFeelPainter::GetButtonGlyphColor(TcxButtonPaintState state,
                                                        TColor fallbackColor) const {
    if (state == bpsDisabled) return clBtnShadow;
    return fallbackColor == clDefault ? clBtnText : fallbackColor;
}

TColor TcxCustomLookAndFeelPainter::GetCheckBoxColor(TcxButtonPaintState state) const {
    return state == bpsPressed || state == bpsDisabled ? clBtnFace : clWindow;
}

TcxButtonPaintState TcxCustomLookAndFeelPainter::MapButtonGlyphState(TcxButtonPaintState state) const {
    return state;
}

// ---------------------------------------------------------------------------------------------
// Metrics.
int TcxCustomLookAndFeelPainter::GetBorderWidth() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetButtonBorderWidth(TcxButtonPaintState) const {
    return 0;
}

TRect TcxCustomLookAndFeelPainter::CalcButtonFocusRect(TcxCanvas*, const TRect& r) const {
    TRect result = GrowRect(r, -4, -4);
    return IsEmptyRect(result) ? r : result;
}

TRect TcxCustomLookAndFeelPainter::CalcButtonGroupBorders(int, int) const {
    const int width = GetButtonBorderWidth(bpsNormal);
    return TRect{width, width, width, width};
}

TRect TcxCustomLookAndFeelPainter::AdjustGroupButtonRect(const TRect& r, int, int) const {
    return r;
}

int TcxCustomLookAndFeelPainter::GetButtonTextIndent() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetButtonPressShift() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetExpandButtonSize() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetGroupExpandButtonSize() const {
    return 15;
}

int TcxCustomLookAndFeelPainter::GetSmallExpandButtonSize() const {
    return 9;
}

bool TcxCustomLookAndFeelPainter::PaintsExpandButtonFirst() const {
    return true;
}

bool TcxCustomLookAndFeelPainter::PaintsHeaderCellsFirst() const {
    return true;
}

bool TcxCustomLookAndFeelPainter::PaintsFooterCellsFirst() const {
    return true;
}

bool TcxCustomLookAndFeelPainter::PaintsIndicatorCellsFirst() const {
    return true;
}

bool TcxCustomLookAndFeelPainter::HasHotButtons() const {
    return false;
}

bool TcxCustomLookAndFeelPainter::HasHotHeaders() const {
    return false;
}

bool TcxCustomLookAndFeelPainter::HasHotTabs(bool) const {
    return false;
}

bool TcxCustomLookAndFeelPainter::CanPaintTab(bool) const {
    return false;
}

bool TcxCustomLookAndFeelPainter::HitGroupExpandButton(const TRect& r, TPoint p) const {
    return PtInRect(&r, p) != FALSE;
}

int TcxCustomLookAndFeelPainter::GetCheckFrameWidth() const {
    return 2;
}

TSize TcxCustomLookAndFeelPainter::GetCheckBoxSize() const {
    return PainterResources().CheckBoxSize;
}

TSize TcxCustomLookAndFeelPainter::GetRadioButtonSize() const {
    return PainterResources().RadioButtonSize;
}

TcxBorders TcxCustomLookAndFeelPainter::GetHeaderBorders(TcxNeighbors) const {
    return cxBordersAll;
}

int TcxCustomLookAndFeelPainter::GetHeaderBorderWidth() const {
    return 0;
}

TRect TcxCustomLookAndFeelPainter::CalcHeaderOuterRect(const TRect& r, TcxNeighbors adjacent,
                                                       TcxBorders sides) const {
    const int width = GetHeaderBorderWidth();
    const TcxBorders grown = sides - GetHeaderBorders(adjacent);
    TRect result = r;
    if (grown.Contains(bLeft)) result.left -= width;
    if (grown.Contains(bTop)) result.top -= width;
    if (grown.Contains(bRight)) result.right += width;
    if (grown.Contains(bBottom)) result.bottom += width;
    return result;
}

TRect TcxCustomLookAndFeelPainter::CalcHeaderInnerRect(const TRect& r, TcxBorders sides) const {
    const int width = GetHeaderBorderWidth();
    TRect result = r;
    if (sides.Contains(bLeft)) result.left += width;
    if (sides.Contains(bTop)) result.top += width;
    if (sides.Contains(bRight)) result.right -= width;
    if (sides.Contains(bBottom)) result.bottom -= width;
    return result;
}

int TcxCustomLookAndFeelPainter::CalcHeaderHeight(int fontHeight) const {
    return fontHeight + 2 * GetHeaderBorderWidth() + 4;
}

int TcxCustomLookAndFeelPainter::GetHeaderSectionBorderWidth(TcxButtonPaintState) const {
    return 1;
}

TRect TcxCustomLookAndFeelPainter::CalcHeaderSectionInnerRect(const TRect& r,
                                                              TcxButtonPaintState state) const {
    const int width = GetHeaderSectionBorderWidth(state);
    return GrowRect(r, -width, -width);
}

TRect TcxCustomLookAndFeelPainter::CalcHeaderSectionTextRect(const TRect& r,
                                                             TcxButtonPaintState state) const {
    return state == bpsPressed ? ShiftRect(r, 1, 1) : r;
}

// The right border takes one more border width away; no caller depends on its sign.
int TcxCustomLookAndFeelPainter::CalcHeaderWidth(TcxCanvas* canvas, TcxBorders sides, const AnsiString& text,
                                                 TFont* font) const {
    if (font) canvas->AssignFont(*font);
    int result = canvas->MeasureTextWidth(text) + 4;
    if (sides.Contains(bLeft)) result += GetHeaderBorderWidth();
    if (sides.Contains(bRight)) result -= GetHeaderBorderWidth();
    return result;
}

TSize TcxCustomLookAndFeelPainter::GetSortMarkSize() const {
    return TSize{0, 0};
}

TSize TcxCustomLookAndFeelPainter::GetSortMarkAreaSize() const {
    return TSize{16, GetSortMarkSize().cy};
}

TcxBorders TcxCustomLookAndFeelPainter::GetFooterBorders() const {
    return cxBordersAll;
}

int TcxCustomLookAndFeelPainter::GetFooterBorderWidth() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetFooterCellBorderWidth() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetFooterCellIndent() const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetFooterSeparatorWidth() const {
    return 1;
}

TRect TcxCustomLookAndFeelPainter::CalcFooterCellInnerRect(const TRect& r) const {
    const int width = GetFooterCellBorderWidth();
    return GrowRect(r, -width, -width);
}

TRect TcxCustomLookAndFeelPainter::CalcFooterCellTextRect(const TRect& r) const {
    return GrowRect(CalcFooterCellInnerRect(r), -2, -2);
}

TSize TcxCustomLookAndFeelPainter::GetFilterToggleSize() const {
    return TSize{13, 13};
}

TSize TcxCustomLookAndFeelPainter::GetFilterCloseButtonSize() const {
    return TSize{16, 14};
}

TSize TcxCustomLookAndFeelPainter::GetFilterDropButtonSize() const {
    return TSize{15, 0};
}

int TcxCustomLookAndFeelPainter::GetPopupBorderKind() const {
    return 1;
}

int TcxCustomLookAndFeelPainter::GetTabBorderWidth(bool) const {
    return 0;
}

int TcxCustomLookAndFeelPainter::GetMinThumbSize(bool) const {
    return 8;
}

TSize TcxCustomLookAndFeelPainter::GetSizeGripSize() const {
    return TSize{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

TRect TcxCustomLookAndFeelPainter::GetEventProgressMargins() const {
    return TRect{2, 2, 2, 2};
}

void TcxCustomLookAndFeelPainter::GetNavButtonMetrics(bool next, TRect& sides, TSize& arrowSize) const {
    sides = next ? TRect{2, 6, 0, 6} : TRect{0, 6, 2, 6};
    arrowSize = TSize{7, 7};
}

int TcxCustomLookAndFeelPainter::GetChartInfoBorderWidth() const {
    return 1;
}

int TcxCustomLookAndFeelPainter::GetEditButtonTextIndent() const {
    return 0;
}

TSize TcxCustomLookAndFeelPainter::GetEditButtonMinSize() const {
    return TSize{0, 0};
}

TSize TcxCustomLookAndFeelPainter::GetNavigatorGlyphSize() const {
    return TSize{0, 0};
}

TRect TcxCustomLookAndFeelPainter::GetProgressBorders(bool) const {
    return TRect{0, 0, 0, 0};
}

TRect TcxCustomLookAndFeelPainter::GetGroupBoxBorders(bool, int) const {
    return TRect{0, 0, 0, 0};
}

TRect TcxCustomLookAndFeelPainter::GetPanelBorders() const {
    return TRect{0, 0, 0, 0};
}

bool TcxCustomLookAndFeelPainter::IsGroupBoxSeeThrough(bool, int) const {
    return false;
}

TSize TcxCustomLookAndFeelPainter::GetTrackBarThumbSize(bool) const {
    return TSize{0, 0};
}

int TcxCustomLookAndFeelPainter::GetTrackBarTrackWidth() const {
    return 0;
}

TSize TcxCustomLookAndFeelPainter::GetSplitterExtent(bool) const {
    return TSize{0, 0};
}

// ---------------------------------------------------------------------------------------------
// Left to the descendants.
void TcxCustomLookAndFeelPainter::PaintButtonFrame(TcxCanvas*, const TRect&, TcxButtonPaintState) const {}
void TcxCustomLookAndFeelPainter::PaintButtonGroupFrame(TcxCanvas*, const TRect&, bool, bool) const {}
void TcxCustomLookAndFeelPainter::PaintExpandButton(TcxCanvas*, const TRect&, bool, TColor) const {}
void TcxCustomLookAndFeelPainter::PaintCheckBoxFrame(TcxCanvas*, const TRect&, TcxButtonPaintState) const {}
void TcxCustomLookAndFeelPainter::PaintHeaderFrame(TcxCanvas*, const TRect&, TcxNeighbors, TcxBorders) const {
}
void TcxCustomLookAndFeelPainter::PaintHeaderSectionFrame(TcxCanvas*, const TRect&, TcxBorders,
                                                          TcxButtonPaintState) const {}
void TcxCustomLookAndFeelPainter::PaintSortMark(TcxCanvas*, const TRect&, bool) const {}
void TcxCustomLookAndFeelPainter::PaintFooterFrame(TcxCanvas*, const TRect&) const {}
void TcxCustomLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas*, const TRect&) const {}
void TcxCustomLookAndFeelPainter::PaintFilterDropButton(TcxCanvas*, const TRect&, TcxButtonPaintState,
                                                        bool) const {}
void TcxCustomLookAndFeelPainter::PaintTab(TcxCanvas*, const TRect&, TcxButtonPaintState, bool) const {}
void TcxCustomLookAndFeelPainter::PaintTabFrame(TcxCanvas*, const TRect&, TcxBorder, TcxBorders, bool) const {
}
void TcxCustomLookAndFeelPainter::PaintTabArea(TcxCanvas*, const TRect&, TcxBorders, bool) const {}
void TcxCustomLookAndFeelPainter::PaintScrollBarPart(TcxCanvas*, bool, const TRect&, TcxScrollBarPart,
                                                     TcxButtonPaintState) const {}
void TcxCustomLookAndFeelPainter::PaintSchedulerSplitter(TcxCanvas*, const TRect&, const TcxPaintParams&,
                                                         bool) const {}
void TcxCustomLookAndFeelPainter::PaintEditButton(TcxCanvas*, const TRect&, TcxEditBtnKind,
                                                  TcxButtonPaintState) const {}
void TcxCustomLookAndFeelPainter::PaintProgressFrame(TcxCanvas*, const TRect&, bool) const {}
void TcxCustomLookAndFeelPainter::PaintProgressChunk(TcxCanvas*, const TRect&, bool) const {}
void TcxCustomLookAndFeelPainter::PaintGroupBoxBackground(TcxCanvas*, const TRect&, const TRect&) const {}
void TcxCustomLookAndFeelPainter::PaintGroupBoxCaption(TcxCanvas*, const TRect&, int) const {}
void TcxCustomLookAndFeelPainter::PaintGroupBoxBody(TcxCanvas*, const TRect&, int) const {}
void TcxCustomLookAndFeelPainter::PaintPanelFrame(TcxCanvas*, const TRect&) const {}
void TcxCustomLookAndFeelPainter::PaintPanelBody(TcxCanvas*, const TRect&, bool) const {}
void TcxCustomLookAndFeelPainter::PaintTrackBarTrack(TcxCanvas*, const TRect&, const TRect&, bool, bool,
                                                     bool) const {}
void TcxCustomLookAndFeelPainter::PaintTrackBarThumb(TcxCanvas*, const TRect&, TcxButtonPaintState, bool,
                                                     int) const {}
void TcxCustomLookAndFeelPainter::PaintSplitter(TcxCanvas*, const TRect&, bool, bool, bool) const {}
void TcxCustomLookAndFeelPainter::PaintControlBorder(TcxCanvas*, const TRect&) const {}

// ---------------------------------------------------------------------------------------------
// Operations that hand over to another one.
void TcxCustomLookAndFeelPainter::PaintGroupByBox(TcxCanvas* canvas, const TRect& r, bool transparent,
                                                  TColor fillColor, TBitmap* tileBitmap) const {
    FillBackground(canvas, r, transparent, fillColor, tileBitmap);
}

void TcxCustomLookAndFeelPainter::PaintFilterPanel(TcxCanvas* canvas, const TRect& r, bool transparent,
                                                   TColor fillColor, TBitmap* tileBitmap) const {
    FillBackground(canvas, r, transparent, fillColor, tileBitmap);
}

void TcxCustomLookAndFeelPainter::PaintTwoStateCheckBox(TcxCanvas* canvas, const TRect& r,
                                                        TcxButtonPaintState state, bool checked) const {
    PaintCheckBox(canvas, r, state, checked ? cbsChecked : cbsUnchecked);
}

void TcxCustomLookAndFeelPainter::PaintFilterToggle(TcxCanvas* canvas, const TRect& r,
                                                    TcxButtonPaintState state, bool checked) const {
    PaintTwoStateCheckBox(canvas, r, state, checked);
}

void TcxCustomLookAndFeelPainter::PaintGroupedButton(TcxCanvas* canvas, const TRect& r,
                                                     TcxButtonPaintState state, int, int, TColor) const {
    PaintButton(canvas, r, "", state, true, clDefault, clDefault);
}

void TcxCustomLookAndFeelPainter::PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                                                TcxButtonPaintState state) const {
    PaintButton(canvas, r, "", state, true, clDefault, clDefault);
}

void TcxCustomLookAndFeelPainter::PaintHeaderSimple(TcxCanvas* canvas, const TRect& bounds,
                                                    const TRect& textRect, TcxNeighbors adjacent,
                                                    TcxBorders sides, TcxButtonPaintState state,
                                                    TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                    bool textWrap, bool ellipsis, const AnsiString& text,
                                                    TFont* font, TColor textColor, TColor fillColor,
                                                    const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintHeader(canvas, bounds, textRect, adjacent, sides, state, horzAlign, vertAlign, textWrap, ellipsis,
                text, font, textColor, fillColor, onDrawBackground, false, false);
}

void TcxCustomLookAndFeelPainter::PaintSchedulerBorder(TcxCanvas* canvas, const TRect& r) const {
    PaintControlBorder(canvas, r);
}

void TcxCustomLookAndFeelPainter::PaintPanelBackground(TcxCanvas* canvas, TWinControl*, const TRect& r,
                                                       TColor, TColor) const {
    PaintGroupBoxBackground(canvas, r, r);
}

void TcxCustomLookAndFeelPainter::PaintPanelCaption(TcxCanvas* canvas, const TRect& r,
                                                    int captionSide) const {
    PaintGroupBoxCaption(canvas, r, captionSide);
}

void TcxCustomLookAndFeelPainter::PaintIndicatorCell(TcxCanvas* canvas, const TRect& r, int kind,
                                                     TColor color,
                                                     const TcxDrawBackgroundEvent& onDrawBackground,
                                                     bool isLast) const {
    PaintHeader(canvas, r, r, TcxNeighbors{}, cxBordersAll, bpsNormal, taLeftJustify, vaTop, false, false, "",
                nullptr, clDefault, color, onDrawBackground, isLast, false);
    PaintIndicatorGlyph(canvas, r, kind);
}

void TcxCustomLookAndFeelPainter::PaintIndicatorCellPlain(
    TcxCanvas* canvas, const TRect& r, int kind, TColor color,
    const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintHeaderSimple(canvas, r, r, TcxNeighbors{}, cxBordersAll, bpsNormal, taLeftJustify, vaTop, false,
                      false, "", nullptr, clDefault, color, onDrawBackground);
    PaintIndicatorGlyph(canvas, r, kind);
}

void TcxCustomLookAndFeelPainter::PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds,
                                                   const AnsiString& text, TcxNeighbors neighbors,
                                                   const TcxPaintParams& params, int arrows, int arrowInset,
                                                   const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintHeader(canvas, bounds, bounds, neighbors, cxBordersAll, bpsNormal, taCenter, vaCenter, false, false,
                text, params.Font, params.TextColor, params.Color, onDrawBackground);
    PaintMonthHeaderArrows(canvas, bounds, arrows, arrowInset, clWindowText);
}

void TcxCustomLookAndFeelPainter::PaintWindowBackground(TcxCanvas* canvas, const TRect& r) const {
    canvas->FillRectColor(r, clBtnFace);
}

void TcxCustomLookAndFeelPainter::PaintFooterSeparator(TcxCanvas* canvas, const TRect& r) const {
    canvas->FillRectColor(r, GetFooterSeparatorColor());
}

void TcxCustomLookAndFeelPainter::PaintFooterBackground(TcxCanvas* canvas, const TRect& r,
                                                        const TcxPaintParams& params) const {
    if (IsEmptyRect(r)) return;
    canvas->DrawFramedFill(r, params, TcxBorders{}, clNone);
}

void TcxCustomLookAndFeelPainter::HighlightPressedHeader(TcxCanvas* canvas, const TRect& r) const {
    canvas->InvertRectArea(r);
}

void TcxCustomLookAndFeelPainter::FillScrollBarPage(TcxCanvas* canvas, const TRect& r, bool pressed) {
    TBitmap* pattern = PainterResources().ScrollBarPatterns[pressed ? 1 : 0];
    if (!pattern) return;
    canvas->Brush().SetBitmap(pattern);
    canvas->Canvas()->FillRect(r);
    canvas->Brush().SetBitmap(nullptr);
    canvas->Brush().SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const {
    canvas->FillRectColor(r, fillColor);
    TRect glyph = r;
    DrawFrameControl(canvas->Handle(), &glyph, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}
