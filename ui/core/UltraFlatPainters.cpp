#include "ui/core/UltraFlatPainters.h"

#include <memory>

#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/ThemeManager.h"
#include "ui/core/WinXPPainter.h"

namespace {
// A column of one pixel from top up to (not including) bottom.
void FillColumn(TcxCanvas* canvas, int x, int top, int bottom, TColor color) {
    if (top < bottom) canvas->FillRectColor(Rect(x, top, x + 1, bottom), color);
}

void PaintGradientOn(TcxCanvas* canvas, const TRect& r, TColor color1, TColor color2) {
    if (IsEmptyRect(r)) return;
    PaintGradient(canvas->Handle(), r, color1, color2, false);
}
} // namespace

// ---------------------------------------------------------------------------------------------
const TcxUltraFlatLookAndFeelPainter* TcxUltraFlatLookAndFeelPainter::Painter() {
    static const TcxUltraFlatLookAndFeelPainter painter;
    return &painter;
}

int TcxUltraFlatLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleUltraFlat;
}

TColor TcxUltraFlatLookAndFeelPainter::GetSchedulerBorderColor() const {
    return clBtnShadow;
}

int TcxUltraFlatLookAndFeelPainter::GetBorderWidth() const {
    return 1;
}

void TcxUltraFlatLookAndFeelPainter::PaintControlBorder(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawRectFrame(r, clBtnShadow);
}

int TcxUltraFlatLookAndFeelPainter::GetButtonBorderWidth(TcxButtonPaintState state) const {
    return state == bpsDefault ? 2 : 1;
}

TColor TcxUltraFlatLookAndFeelPainter::GetButtonColor(TcxButtonPaintState state) const {
    if (state == bpsHot) return GetLightPressedSelectionColor();
    if (state == bpsPressed) return GetLightSelectionColor();
    return clBtnFace;
}

TRect TcxUltraFlatLookAndFeelPainter::CalcButtonFocusRect(TcxCanvas*, const TRect& r) const {
    TRect result = GrowRect(r, -3, -3);
    return IsEmptyRect(result) ? r : result;
}

TRect TcxUltraFlatLookAndFeelPainter::CalcButtonGroupBorders(int count, int index) const {
    TRect borders{1, 2, 1, 2};
    if (index == 0)
        borders.left = 2;
    else if (index == count - 1)
        borders.right = 2;
    return borders;
}

int TcxUltraFlatLookAndFeelPainter::GetButtonTextIndent() const {
    return 2;
}

int TcxUltraFlatLookAndFeelPainter::GetButtonPressShift() const {
    return 0;
}

TColor TcxUltraFlatLookAndFeelPainter::GetButtonGlyphColor(TcxButtonPaintState state,
                                                           TColor fallbackColor) const {
    if (state == bpsPressed) return clHighlightText;
    return TcxCustomLookAndFeelPainter::GetButtonGlyphColor(state, fallbackColor);
}

TcxButtonPaintState TcxUltraFlatLookAndFeelPainter::MapButtonGlyphState(TcxButtonPaintState) const {
    return bpsNormal;
}

void TcxUltraFlatLookAndFeelPainter::PaintGroupedButton(TcxCanvas* canvas, const TRect& r,
                                                        TcxButtonPaintState state, int count, int index,
                                                        TColor fillColor) const {
    const bool first = index == 0, last = index == count - 1;
    TRect bounds = GrowRectSides(r, first ? -1 : 0, -1, last ? -1 : 0, -1);
    const TColor color = GetButtonColor(state);
    if (state == bpsNormal || state == bpsDisabled) {
        canvas->DrawRectFrame(bounds, fillColor);
        canvas->FillRectColor(GrowRect(bounds, -1, -1), color);
        return;
    }
    TcxBorders separators;
    if (!first) separators.Include(bLeft);
    if (!last) separators.Include(bRight);
    canvas->DrawRectFrame(bounds, GetHotFrameColor(), 1, separators);
    canvas->FillRectColor(GrowRectSides(bounds, first ? 0 : -1, 0, last ? 0 : -1, 0), color);
}

void TcxUltraFlatLookAndFeelPainter::PaintButtonFrame(TcxCanvas* canvas, const TRect& r,
                                                      TcxButtonPaintState state) const {
    switch (state) {
    case bpsDefault:
        canvas->DrawRectFrame(r, clWindowFrame);
        canvas->DrawRectFrame(GrowRect(r, -1, -1), clWindowFrame);
        break;
    case bpsNormal:
        canvas->DrawRectFrame(r, clBtnText);
        break;
    case bpsDisabled:
        canvas->DrawRectFrame(r, clBtnShadow);
        break;
    default:
        canvas->DrawRectFrame(r, clHighlight);
        break;
    }
}

void TcxUltraFlatLookAndFeelPainter::PaintButtonGroupFrame(TcxCanvas* canvas, const TRect& r, bool focused,
                                                           bool hot) const {
    canvas->DrawRectFrame(r, focused ? clBtnText : hot ? GetHotFrameColor() : clBtnShadow);
}

void TcxUltraFlatLookAndFeelPainter::PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                       TColor color) const {
    canvas->DrawRectFrame(r, clBtnShadow);
    canvas->FillRectColor(GrowRect(r, -1, -1), color == clDefault ? clBtnFace : color);
    PaintExpandCross(canvas, r, expanded, clBtnText);
    canvas->ExcludeFromClip(r);
}

int TcxUltraFlatLookAndFeelPainter::GetExpandButtonSize() const {
    return 11;
}

bool TcxUltraFlatLookAndFeelPainter::HasHotButtons() const {
    return true;
}

void TcxUltraFlatLookAndFeelPainter::PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r,
                                                        TcxButtonPaintState state) const {
    canvas->DrawRectFrame(r, clBtnText);
    canvas->DrawRectFrame(GrowRect(r, -1, -1), GetCheckBoxColor(state));
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderSimple(TcxCanvas* canvas, const TRect& bounds,
                                                       const TRect& textRect, TcxNeighbors adjacent,
                                                       TcxBorders sides, TcxButtonPaintState state,
                                                       TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                       bool textWrap, bool ellipsis, const AnsiString& text,
                                                       TFont* font, TColor textColor, TColor fillColor,
                                                       const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintCellContent(canvas, bounds, GrowRect(textRect, -1, -1), state, horzAlign, vertAlign, textWrap,
                     ellipsis, text, font, textColor, fillColor, onDrawBackground);
    PaintHeaderFrame(canvas, GrowRect(bounds, -1, -1), adjacent, sides);
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors,
                                                      TcxBorders sides) const {
    TcxBorders lines{bRight, bBottom};
    if (sides.Contains(bLeft)) lines.Include(bLeft);
    if (sides.Contains(bTop)) lines.Include(bTop);
    canvas->DrawRectFrame(r, clBtnText, 1, lines);
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r,
                                                             TcxBorders sides,
                                                             TcxButtonPaintState state) const {
    canvas->DrawRectFrame(r, state == bpsDisabled ? clBtnShadow : clBlack, 1, sides);
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderSectionContent(
    TcxCanvas* canvas, const TRect& r, const TRect& textRect, TcxButtonPaintState state, TAlignment horzAlign,
    TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis, const AnsiString& text, TFont* font,
    TColor textColor, TColor fillColor) const {
    canvas->FillRectColor(r, state > bpsNormal ? GetButtonColor(state) : fillColor);
    PaintHeaderSectionText(canvas, CalcHeaderSectionTextRect(textRect, state), state, horzAlign, vertAlign,
                           textWrap, ellipsis, text, font, textColor);
}

void TcxUltraFlatLookAndFeelPainter::PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const {
    PaintSortArrow(canvas, r, clBtnShadow, clBtnShadow, ascending);
}

TcxBorders TcxUltraFlatLookAndFeelPainter::GetHeaderBorders(TcxNeighbors adjacent) const {
    TcxBorders borders = cxBordersAll;
    if (adjacent.Contains(bLeft)) borders.Exclude(bLeft);
    if (adjacent.Contains(bTop)) borders.Exclude(bTop);
    return borders;
}

int TcxUltraFlatLookAndFeelPainter::GetHeaderBorderWidth() const {
    return 1;
}

TSize TcxUltraFlatLookAndFeelPainter::GetSortMarkSize() const {
    return TSize{7, 8};
}

TcxBorders TcxUltraFlatLookAndFeelPainter::GetFooterBorders() const {
    return TcxBorders{bRight, bBottom};
}

int TcxUltraFlatLookAndFeelPainter::GetFooterBorderWidth() const {
    return 1;
}

int TcxUltraFlatLookAndFeelPainter::GetFooterCellBorderWidth() const {
    return 1;
}

int TcxUltraFlatLookAndFeelPainter::GetFooterCellIndent() const {
    return 2;
}

void TcxUltraFlatLookAndFeelPainter::PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawRectFrame(r, GetFooterSeparatorColor(), 1, TcxBorders{bRight, bBottom});
}

void TcxUltraFlatLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawRectFrame(r, GetFooterSeparatorColor());
}

void TcxUltraFlatLookAndFeelPainter::PaintFilterDropButton(TcxCanvas* canvas, const TRect& r,
                                                           TcxButtonPaintState state, bool filtered) const {
    canvas->DrawRectFrame(r, GetFilterDropButtonBorderColor(state));
    const TRect inside = GrowRect(r, -1, -1);
    canvas->FillRectColor(inside, GetButtonColor(state));
    PaintDropArrow(canvas, inside, filtered ? clBlue : GetButtonGlyphColor(state, clDefault));
}

TSize TcxUltraFlatLookAndFeelPainter::GetFilterCloseButtonSize() const {
    TSize size = TcxCustomLookAndFeelPainter::GetFilterCloseButtonSize();
    ++size.cy;
    return size;
}

void TcxUltraFlatLookAndFeelPainter::PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side,
                                                   TcxBorders, bool vertical) const {
    if (!vertical && side == bRight)
        canvas->FillRectColor(GrowRectSides(r, 0, 0, 0, -GetTabBorderWidth(vertical)), GetTabEdgeDarkColor());
    else if (vertical && side == bBottom)
        canvas->FillRectColor(r, GetTabEdgeDarkColor());
    else
        canvas->FillRectColor(r, GetTabEdgeLightColor());
}

void TcxUltraFlatLookAndFeelPainter::PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                                  bool vertical) const {
    canvas->DrawRectFrame(r, GetTabEdgeLightColor(), GetTabBorderWidth(vertical), sides);
}

int TcxUltraFlatLookAndFeelPainter::GetTabBorderWidth(bool) const {
    return 1;
}

void TcxUltraFlatLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                        TcxScrollBarPart part,
                                                        TcxButtonPaintState state) const {
    if (IsEmptyRect(r) || (part == sbpThumbnail && state == bpsDisabled)) return;
    switch (part) {
    case sbpLineUp:
    case sbpLineDown:
    case sbpThumbnail:
        PaintButton(canvas, r, "", state, true);
        if (part != sbpThumbnail) PaintScrollArrow(canvas, r, GetArrowForScrollPart(horizontal, part), state);
        break;
    case sbpPageUp:
    case sbpPageDown:
        FillScrollBarPage(canvas, r, state == bpsPressed);
        break;
    default:
        break;
    }
}

void TcxUltraFlatLookAndFeelPainter::PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r,
                                                                 const TRect& arrowRect, bool next,
                                                                 TcxButtonPaintState state) const {
    canvas->FillRectColor(r, clBtnFace);
    const TcxBorders open = next ? TcxBorders{bLeft, bTop, bBottom} : TcxBorders{bTop, bRight, bBottom};
    canvas->DrawRectFrame(r, state == bpsHot ? GetTabEdgeLightColor() : GetTabEdgeDarkColor(), 1, open);
    PaintNavButtonArrow(canvas, arrowRect, next, GetButtonGlyphColor(state, clDefault));
}

void TcxUltraFlatLookAndFeelPainter::PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                                                   TcxButtonPaintState state) const {
    PaintButton(canvas, r, "", state, state == bpsHot || state == bpsPressed);
}

void TcxUltraFlatLookAndFeelPainter::PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r,
                                                            const TcxPaintParams& params,
                                                            bool horizontal) const {
    const TcxBorders lines = horizontal ? TcxBorders{bTop, bBottom} : TcxBorders{bLeft, bRight};
    canvas->DrawRectFrame(r, GetSchedulerBorderColor(), 1, lines);
    canvas->DrawFramedFill(horizontal ? GrowRect(r, 0, -1) : GrowRect(r, -1, 0), params, TcxBorders{},
                           clNone);
}

TColor TcxUltraFlatLookAndFeelPainter::GetFilterDropButtonBorderColor(TcxButtonPaintState state) const {
    return state == bpsNormal ? clBtnShadow : clHighlight;
}

TColor TcxUltraFlatLookAndFeelPainter::GetTabEdgeLightColor() const {
    return clBtnShadow;
}

TColor TcxUltraFlatLookAndFeelPainter::GetTabEdgeDarkColor() const {
    return clBtnText;
}

TColor TcxUltraFlatLookAndFeelPainter::GetHotFrameColor() const {
    return clHighlight;
}

// ---------------------------------------------------------------------------------------------
const TcxOffice11LookAndFeelPainter* TcxOffice11LookAndFeelPainter::Painter() {
    static const TcxOffice11LookAndFeelPainter painter;
    return &painter;
}

int TcxOffice11LookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleOffice11;
}

TColor TcxOffice11LookAndFeelPainter::GetDateNavHeaderColor() const {
    return Office11ButtonFaceColor;
}

TColor TcxOffice11LookAndFeelPainter::GetFooterColor() const {
    return Office11ButtonFaceColor;
}

TColor TcxOffice11LookAndFeelPainter::GetTimeScaleMinorColor() const {
    return Office11ButtonFaceColor;
}

TColor TcxOffice11LookAndFeelPainter::GetDateNavSelColor() const {
    return Office11DateSelectionColor;
}

TColor TcxOffice11LookAndFeelPainter::GetDateNavSelTextColor() const {
    return clWindowText;
}

TColor TcxOffice11LookAndFeelPainter::GetFilterBoxColor() const {
    return Office11FilterBoxColor;
}

TColor TcxOffice11LookAndFeelPainter::GetFilterBoxTextColor() const {
    return Office11FilterBoxTextColor;
}

TColor TcxOffice11LookAndFeelPainter::GetFooterTextColor() const {
    return GetHeaderTextColor();
}

TColor TcxOffice11LookAndFeelPainter::GetGroupRowColor() const {
    return Office11GroupRowColor;
}

TColor TcxOffice11LookAndFeelPainter::GetGroupByBoxColor() const {
    return Office11GroupByBoxColor;
}

TColor TcxOffice11LookAndFeelPainter::GetGroupByBoxTextColor() const {
    return Office11LightColor;
}

TColor TcxOffice11LookAndFeelPainter::GetHeaderColor() const {
    return GetHeaderGradientStartColor();
}

TColor TcxOffice11LookAndFeelPainter::GetHeaderAreaColor() const {
    return GetGroupByBoxColor();
}

TColor TcxOffice11LookAndFeelPainter::GetSchedulerBorderColor() const {
    return Office11SchedulerBorderColor;
}

TColor TcxOffice11LookAndFeelPainter::GetSchedulerControlColor() const {
    return Office11SchedulerControlColor;
}

TColor TcxOffice11LookAndFeelPainter::GetTabColor() const {
    return Office11TabColor;
}

TColor TcxOffice11LookAndFeelPainter::GetTabsAreaColor() const {
    return GetTabColor();
}

TColor TcxOffice11LookAndFeelPainter::GetTimeSelectionBarColor() const {
    return GetSchedulerControlColor();
}

void TcxOffice11LookAndFeelPainter::PaintControlBorder(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawRectFrame(r, Office11ControlBorderColor);
}

TColor TcxOffice11LookAndFeelPainter::GetButtonColor(TcxButtonPaintState state) const {
    switch (state) {
    case bpsHot:
        return Office11HotColor;
    case bpsPressed:
        return Office11PressedColor;
    case bpsDisabled:
        return clBtnFace;
    default:
        return Office11ButtonFaceColor;
    }
}

TColor TcxOffice11LookAndFeelPainter::GetButtonGlyphColor(TcxButtonPaintState state, TColor) const {
    if (state == bpsPressed && !Office11SchemeInUse()) return clHighlightText;
    if (state == bpsDisabled) return Office11DisabledTextColor;
    return Office11TextColor;
}

void TcxOffice11LookAndFeelPainter::PaintButtonFrame(TcxCanvas* canvas, const TRect& r,
                                                     TcxButtonPaintState state) const {
    switch (state) {
    case bpsDefault:
        TcxUltraFlatLookAndFeelPainter::PaintButtonFrame(canvas, r, state);
        break;
    case bpsNormal:
        canvas->DrawRectFrame(r, clBtnText);
        break;
    case bpsDisabled:
        canvas->DrawRectFrame(r, Office11DisabledTextColor);
        break;
    default:
        canvas->DrawRectFrame(r, Office11SelectedBorderColor);
        break;
    }
}

void TcxOffice11LookAndFeelPainter::PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                      TColor color) const {
    TBitmap* source = Office11ExpandButtonBitmap(expanded);
    if (!source || source->Width() < 11 || source->Height() < 11) {
        TcxUltraFlatLookAndFeelPainter::PaintExpandButton(canvas, r, expanded, color);
        return;
    }
    // The rounded corners take a quarter of their colour from what lies beneath.
    TBitmap bitmap;
    bitmap.Assign(*source);
    const TColor topLeft = canvas->Canvas()->Pixel(r.left, r.top);
    const TColor bottomRight = canvas->Canvas()->Pixel(r.right - 1, r.bottom - 1);
    bitmap.Canvas().SetPixel(0, 0, MixColors(Office11ExpandButtonTopLeftCornerColor, topLeft, 25));
    const TColor other = MixColors(Office11ExpandButtonOtherCornersColor, bottomRight, 25);
    for (TPoint p : {Point(10, 10), Point(0, 10), Point(10, 0)})
        bitmap.Canvas().SetPixel(p.x, p.y, other);
    canvas->DrawGraphic(r.left, r.top, bitmap);
}

bool TcxOffice11LookAndFeelPainter::PaintsExpandButtonFirst() const {
    return false;
}

void TcxOffice11LookAndFeelPainter::PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                           TColor, TColor color) const {
    PaintExpandButton(canvas, r, expanded, color);
}

int TcxOffice11LookAndFeelPainter::GetExpandButtonSize() const {
    return 11;
}

int TcxOffice11LookAndFeelPainter::GetSmallExpandButtonSize() const {
    return 11;
}

TColor TcxOffice11LookAndFeelPainter::GetCheckBoxColor(TcxButtonPaintState state) const {
    if (state == bpsHot || state == bpsPressed || state == bpsDisabled) return GetButtonColor(state);
    return TcxCustomLookAndFeelPainter::GetCheckBoxColor(state);
}

void TcxOffice11LookAndFeelPainter::PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                                                TcxNeighbors adjacent, TcxBorders sides,
                                                TcxButtonPaintState state, TAlignment horzAlign,
                                                TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                                const AnsiString& text, TFont* font, TColor textColor,
                                                TColor fillColor, const TcxDrawBackgroundEvent&, bool isLast,
                                                bool) const {
    TcxCustomLookAndFeelPainter::PaintHeader(canvas, bounds, textRect, adjacent, sides, state, horzAlign,
                                             vertAlign, textWrap, ellipsis, text, font, textColor, fillColor,
                                             nullptr, isLast, false);
}

void TcxOffice11LookAndFeelPainter::PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                                                     TcxBorders sides) const {
    const TColor s = GetHeaderGradientStartColor(), e = GetHeaderGradientEndColor();
    const TColor d = GetHeaderShadowEdgeColor(), l = GetHeaderLightEdgeColor();
    const int left = r.left, top = r.top, right = r.right - 1, bottom = r.bottom;
    // Each side's column first, then the corner pixels that blend it into the rows and neighbours.
    if (sides.Contains(bTop)) canvas->FillRectColor(Rect(r.left, top, r.right, top + 1), s);
    if (sides.Contains(bBottom)) canvas->FillRectColor(Rect(r.left, bottom - 1, r.right, bottom), d);
    if (sides.Contains(bLeft)) {
        if (adjacent.Contains(bLeft)) {
            FillColumn(canvas, left, top + 2, bottom - 3, l);
            canvas->SetPixelColor(left, top + 2, s);
            canvas->SetPixelColor(left, bottom - 3, MixColors(s, e, 25));
        } else {
            FillColumn(canvas, left, top + 1, bottom - 2, l);
        }
        canvas->SetPixelColor(left, top + 1, s);
        canvas->SetPixelColor(left, bottom - 2, e);
    }
    if (sides.Contains(bRight)) {
        if (adjacent.Contains(bRight)) {
            FillColumn(canvas, right, top + 2, bottom - 3, d);
            canvas->SetPixelColor(right, top + 1, s);
            canvas->SetPixelColor(right, top + 2, s);
            canvas->SetPixelColor(right, bottom - 3, MixColors(s, e, 25));
            canvas->SetPixelColor(right, bottom - 2, e);
        } else {
            FillColumn(canvas, right, top + 1, bottom - 2, d);
            canvas->SetPixelColor(right, top, MixColors(s, d, 50));
            canvas->SetPixelColor(right, bottom - 2, MixColors(e, d, 50));
        }
    }
}

void TcxOffice11LookAndFeelPainter::PaintHeaderSection(TcxCanvas* canvas, const TRect& bounds,
                                                       const TRect& textRect, TcxNeighbors, TcxBorders sides,
                                                       TcxButtonPaintState state, TAlignment horzAlign,
                                                       TcxAlignmentVert vertAlign, bool textWrap,
                                                       bool ellipsis, const AnsiString& text, TFont* font,
                                                       TColor textColor, TColor fillColor) const {
    PaintHeader(canvas, bounds, textRect, TcxNeighbors{}, sides, state, horzAlign, vertAlign, textWrap,
                ellipsis, text, font, textColor, fillColor, nullptr);
    if (state == bpsPressed) HighlightPressedHeader(canvas, bounds);
}

void TcxOffice11LookAndFeelPainter::PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const {
    PaintSortArrow(canvas, r, GetHeaderShadowEdgeColor(), GetHeaderLightEdgeColor(), ascending);
}

TcxBorders TcxOffice11LookAndFeelPainter::GetHeaderBorders(TcxNeighbors) const {
    return cxBordersAll;
}

int TcxOffice11LookAndFeelPainter::GetHeaderBorderWidth() const {
    return 1;
}

bool TcxOffice11LookAndFeelPainter::HasHotHeaders() const {
    return true;
}

TColor TcxOffice11LookAndFeelPainter::GetFooterSeparatorColor() const {
    return GetHeaderShadowEdgeColor();
}

void TcxOffice11LookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                       TcxScrollBarPart part,
                                                       TcxButtonPaintState state) const {
    if (OpenCachedTheme(totScrollBar))
        TcxWinXPLookAndFeelPainter::Painter()->PaintScrollBarPart(canvas, horizontal, r, part, state);
    else
        TcxStandardLookAndFeelPainter::Painter()->PaintScrollBarPart(canvas, horizontal, r, part, state);
}

void TcxOffice11LookAndFeelPainter::PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const {
    canvas->FillRectColor(r, fillColor);
    PaintOffice11SizeGrip(canvas->Handle(), r, Office11GripDarkColor, Office11GripLightColor);
}

void TcxOffice11LookAndFeelPainter::PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds,
                                                     const AnsiString& text, TcxNeighbors,
                                                     const TcxPaintParams& params, int arrows, int arrowInset,
                                                     const TcxDrawBackgroundEvent& onDrawBackground) const {
    const TRect r = GrowRect(bounds, -1, -1);
    if (!onDrawBackground || !onDrawBackground(nullptr, canvas, r))
        canvas->DrawFramedFill(r, params, TcxBorders{}, clNone);
    if (!text.empty()) {
        if (params.Font) canvas->AssignFont(*params.Font);
        if (params.TextColor != clDefault) canvas->Font().SetColor(params.TextColor);
        canvas->Brush().SetStyle(bsClear);
        canvas->DrawTextWithFlags(text, r, tfAlignHCenter | tfAlignVCenter | tfSingleLine, true);
        canvas->Brush().SetStyle(bsSolid);
    }
    PaintMonthHeaderArrows(canvas, bounds, arrows, arrowInset, clWindowText);
}

void TcxOffice11LookAndFeelPainter::PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r,
                                                                const TRect& arrowRect, bool next,
                                                                TcxButtonPaintState state) const {
    canvas->FillRectColor(r, state == bpsHot       ? Office11HotColor
                             : state == bpsPressed ? Office11PressedColor
                                                   : Office11ButtonFaceColor);
    const TcxBorders open = next ? TcxBorders{bLeft, bTop, bBottom} : TcxBorders{bTop, bRight, bBottom};
    canvas->DrawRectFrame(r, Office11SchedulerBorderColor, 1, open);
    PaintNavButtonArrow(canvas, arrowRect, next, GetButtonGlyphColor(state, clDefault));
}

void TcxOffice11LookAndFeelPainter::PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                                                  TcxButtonPaintState state) const {
    TcxWinXPLookAndFeelPainter::Painter()->PaintSchedulerNavigatorButton(canvas, r, state);
}

void TcxOffice11LookAndFeelPainter::PaintSchedulerBorder(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawRectFrame(r, GetSchedulerBorderColor());
}

void TcxOffice11LookAndFeelPainter::PaintCellContent(TcxCanvas* canvas, const TRect& bounds,
                                                     const TRect& textRect, TcxButtonPaintState state,
                                                     TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                     bool textWrap, bool ellipsis, const AnsiString& text,
                                                     TFont* font, TColor textColor, TColor,
                                                     const TcxDrawBackgroundEvent& onDrawBackground,
                                                     bool isFooter) const {
    if (!onDrawBackground || !onDrawBackground(nullptr, canvas, bounds)) {
        const bool hot = state == bpsHot;
        const TColor first = hot ? Office11LightColor : GetHeaderGradientStartColor();
        const TColor second = hot ? Office11LightColor : GetHeaderGradientEndColor();
        if (isFooter) {
            canvas->FillRectColor(bounds, first);
        } else {
            canvas->FillRectColor(GrowRectSides(bounds, 0, 0, 0, -3), first);
            PaintGradientOn(canvas, RectWithTopBottom(bounds, bounds.bottom - 4, bounds.bottom), first,
                            second);
        }
    }
    TcxCustomLookAndFeelPainter::PaintCellContent(canvas, bounds, textRect, state, horzAlign, vertAlign,
                                                  textWrap, ellipsis, text, font, textColor, clNone, nullptr,
                                                  isFooter);
    if (state == bpsHot)
        PaintGradientOn(canvas, Rect(bounds.left - 1, bounds.bottom - 2, bounds.right, bounds.bottom + 1),
                        Office11HotColor, Office11HotDarkColor);
}

void TcxOffice11LookAndFeelPainter::PaintPanelBackground(TcxCanvas* canvas, TWinControl* control,
                                                         const TRect& r, TColor color1, TColor color2) const {
    if (color1 == clDefault) {
        if (control) PaintParentBackground(control, *canvas, r);
        return;
    }
    if (color2 == clDefault)
        canvas->FillRectColor(r, color1);
    else
        PaintGradientOn(canvas, r, color1, color2);
}

TColor TcxOffice11LookAndFeelPainter::GetFilterDropButtonBorderColor(TcxButtonPaintState state) const {
    return state == bpsNormal ? GetHeaderShadowEdgeColor() : Office11SelectedBorderColor;
}

TColor TcxOffice11LookAndFeelPainter::GetTabEdgeLightColor() const {
    return GetHeaderShadowEdgeColor();
}

TColor TcxOffice11LookAndFeelPainter::GetTabEdgeDarkColor() const {
    return clBtnText;
}

TColor TcxOffice11LookAndFeelPainter::GetHotFrameColor() const {
    return Office11SelectedBorderColor;
}

TColor TcxOffice11LookAndFeelPainter::GetHeaderGradientEndColor() const {
    return Office11DarkColor;
}

TColor TcxOffice11LookAndFeelPainter::GetHeaderShadowEdgeColor() const {
    return Office11HeaderShadowColor;
}

TColor TcxOffice11LookAndFeelPainter::GetHeaderLightEdgeColor() const {
    return Office11HeaderHighlightColor;
}

TColor TcxOffice11LookAndFeelPainter::GetHeaderGradientStartColor() const {
    return MixColors(Office11LightColor, Office11DarkColor, 50);
}
