#include "ui/core/StandardPainters.h"

#include "ui/core/Geometry.h"

namespace {
TRect ShrinkSides(const TRect& r, TcxBorders sides, int width = 1) {
    return TRect{r.left + (sides.Contains(bLeft) ? width : 0), r.top + (sides.Contains(bTop) ? width : 0),
                 r.right - (sides.Contains(bRight) ? width : 0),
                 r.bottom - (sides.Contains(bBottom) ? width : 0)};
}

// Header cells of both classic painters: the corner pixels next to a neighbour are blended into it.
void PaintClassicHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent, TcxBorders sides) {
    canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow, sides);
    if (adjacent.Contains(bLeft)) {
        canvas->SetPixelColor(r.left, r.top + 1, clBtnFace);
        canvas->SetPixelColor(r.left, r.bottom - 2, clBtnFace);
    }
    if (adjacent.Contains(bRight)) {
        canvas->SetPixelColor(r.right - 1, r.top, clBtnHighlight);
        canvas->SetPixelColor(r.right - 1, r.top + 1, clBtnFace);
        canvas->SetPixelColor(r.right - 1, r.bottom - 2, clBtnFace);
    }
}

void PaintClassicFilterDropButton(const TcxCustomLookAndFeelPainter* painter, TcxCanvas* canvas,
                                  const TRect& r, TcxButtonPaintState state, bool filtered) {
    if (state == bpsPressed)
        canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
    else
        canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow);
    const TRect inside = GrowRect(r, -1, -1);
    canvas->FillRectColor(inside, clBtnFace);
    painter->PaintDropArrow(canvas, inside, filtered ? clBlue : clBtnText);
}

void PaintClassicTabFrame(TcxCanvas* canvas, TRect r, TcxBorder side, TcxBorders sides, bool vertical) {
    TColor color = clBtnHighlight;
    if (vertical) {
        if (side == bLeft) {
            r.top += sides.Contains(bTop) ? 2 : 1;
            r.bottom -= sides.Contains(bBottom) ? 2 : 1;
            canvas->SetPixelColor(r.left + 1, r.top - 1, clBlack);
            canvas->SetPixelColor(r.left + 1, r.bottom, clBlack);
        } else if ((side == bTop || side == bBottom) && sides.Contains(bLeft)) {
            ++r.left;
        }
        if (side == bBottom) color = clBtnShadow;
    } else {
        if (side == bLeft || side == bRight) {
            if (sides.Contains(bTop)) r.top += 2;
            if (sides.Contains(bBottom)) --r.bottom;
        } else if (side == bTop) {
            ++r.left;
            --r.right;
            canvas->SetPixelColor(r.left - 1, r.top + 1, clBlack);
            canvas->SetPixelColor(r.right, r.top + 1, clBlack);
        }
        if (side == bRight) color = clBtnShadow;
    }
    canvas->FillRectColor(r, color);
}

} // namespace

// ---------------------------------------------------------------------------------------------
const TcxStandardLookAndFeelPainter* TcxStandardLookAndFeelPainter::Painter() {
    static const TcxStandardLookAndFeelPainter painter;
    return &painter;
}

int TcxStandardLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleStandard;
}

TColor TcxStandardLookAndFeelPainter::GetSchedulerViewColor() const {
    return clWindow;
}

int TcxStandardLookAndFeelPainter::GetBorderWidth() const {
    return 2;
}

void TcxStandardLookAndFeelPainter::PaintControlBorder(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
    canvas->DrawTwoColorFrame(GrowRect(r, -1, -1), cl3DDkShadow, cl3DLight);
}

int TcxStandardLookAndFeelPainter::GetButtonBorderWidth(TcxButtonPaintState state) const {
    return state == bpsDefault ? 3 : 2;
}

int TcxStandardLookAndFeelPainter::GetButtonTextIndent() const {
    return 1;
}

int TcxStandardLookAndFeelPainter::GetButtonPressShift() const {
    return 1;
}

void TcxStandardLookAndFeelPainter::PaintButtonFrame(TcxCanvas* canvas, const TRect& r,
                                                     TcxButtonPaintState state) const {
    TRect frame = r;
    if (state == bpsPressed) {
        canvas->DrawRectFrame(frame, clBlack);
        canvas->DrawRectFrame(GrowRect(frame, -1, -1), clBtnShadow);
        return;
    }
    if (state == bpsDefault) {
        canvas->DrawRectFrame(frame, clBlack);
        frame = GrowRect(frame, -1, -1);
    }
    canvas->DrawTwoColorFrame(frame, clBtnHighlight, cl3DDkShadow);
    canvas->DrawTwoColorFrame(GrowRect(frame, -1, -1), cl3DLight, clBtnShadow);
}

void TcxStandardLookAndFeelPainter::PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                      TColor color) const {
    canvas->DrawTwoColorFrame(r, clBtnHighlight, cl3DDkShadow);
    canvas->DrawTwoColorFrame(GrowRect(r, -1, -1), clBtnHighlight, clBtnShadow, TcxBorders{bRight, bBottom});
    const TRect face = GrowRectSides(r, -1, -1, -2, -2);
    canvas->FillRectColor(face, color == clDefault ? clBtnFace : color);
    PaintExpandCross(canvas, face, expanded, clBtnText);
    canvas->ExcludeFromClip(r);
}

void TcxStandardLookAndFeelPainter::PaintGroupExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                           TcxButtonPaintState state) const {
    TcxFlatLookAndFeelPainter::Painter()->PaintGroupExpandButton(canvas, r, expanded, state);
}

int TcxStandardLookAndFeelPainter::GetExpandButtonSize() const {
    return 12;
}

void TcxStandardLookAndFeelPainter::PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r,
                                                       TcxButtonPaintState) const {
    canvas->DrawTwoColorFrame(r, cl3DDkShadow, cl3DLight);
    canvas->DrawTwoColorFrame(GrowRect(r, -1, -1), clBtnShadow, clBtnHighlight);
}

void TcxStandardLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                                                     TcxBorders sides) const {
    PaintClassicHeaderFrame(canvas, r, adjacent, sides);
}

void TcxStandardLookAndFeelPainter::PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r,
                                                            TcxBorders sides,
                                                            TcxButtonPaintState state) const {
    if (state == bpsPressed) {
        canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnShadow, sides);
        return;
    }
    canvas->DrawTwoColorFrame(r, clBtnHighlight, cl3DDkShadow, sides);
    canvas->DrawTwoColorFrame(ShrinkSides(r, sides), cl3DLight, clBtnShadow, sides);
}

int TcxStandardLookAndFeelPainter::GetHeaderSectionBorderWidth(TcxButtonPaintState state) const {
    return state == bpsPressed ? 1 : 2;
}

void TcxStandardLookAndFeelPainter::PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const {
    PaintSortArrow(canvas, r, clBtnShadow, clBtnHighlight, ascending);
}

int TcxStandardLookAndFeelPainter::GetHeaderBorderWidth() const {
    return 1;
}

TSize TcxStandardLookAndFeelPainter::GetSortMarkSize() const {
    return TSize{8, 7};
}

int TcxStandardLookAndFeelPainter::GetFooterBorderWidth() const {
    return 1;
}

int TcxStandardLookAndFeelPainter::GetFooterCellBorderWidth() const {
    return 1;
}

int TcxStandardLookAndFeelPainter::GetFooterCellIndent() const {
    return 1;
}

void TcxStandardLookAndFeelPainter::PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow);
}

void TcxStandardLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
}

void TcxStandardLookAndFeelPainter::PaintFilterDropButton(TcxCanvas* canvas, const TRect& r,
                                                          TcxButtonPaintState state, bool filtered) const {
    PaintClassicFilterDropButton(this, canvas, r, state, filtered);
}

void TcxStandardLookAndFeelPainter::PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side,
                                                  TcxBorders sides, bool vertical) const {
    PaintClassicTabFrame(canvas, r, side, sides, vertical);
}

void TcxStandardLookAndFeelPainter::PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                                 bool) const {
    canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow, sides);
}

int TcxStandardLookAndFeelPainter::GetTabBorderWidth(bool) const {
    return 1;
}

void TcxStandardLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                       TcxScrollBarPart part,
                                                       TcxButtonPaintState state) const {
    if (IsEmptyRect(r) || (part == sbpThumbnail && state == bpsDisabled)) return;
    if (state == bpsHot) state = bpsNormal;
    auto raisedBorder = [&] {
        canvas->DrawTwoColorFrame(r, clBtnFace, cl3DDkShadow);
        canvas->DrawTwoColorFrame(GrowRect(r, -1, -1), clBtnHighlight, clBtnShadow);
    };
    switch (part) {
    case sbpPageUp:
    case sbpPageDown:
        FillScrollBarPage(canvas, r, state == bpsPressed);
        break;
    case sbpThumbnail: {
        raisedBorder();
        const int border = GetButtonBorderWidth(bpsNormal);
        canvas->FillRectColor(GrowRect(r, -border, -border), clBtnFace);
        break;
    }
    case sbpLineUp:
    case sbpLineDown: {
        static const UINT arrowFlags[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT};
        UINT flags = arrowFlags[GetArrowForScrollPart(horizontal, part)];
        if (state == bpsDisabled) flags |= DFCS_INACTIVE;
        if (state == bpsPressed) flags |= DFCS_FLAT;
        TRect glyph = state == bpsPressed ? ShiftRect(r, 1, 1) : r;
        DrawFrameControl(canvas->Handle(), &glyph, DFC_SCROLL, flags);
        if (state == bpsPressed) {
            canvas->DrawRectFrame(r, clBtnShadow);
            canvas->DrawRectFrame(GrowRect(r, -1, -1), clBtnFace);
        } else {
            raisedBorder();
        }
        break;
    }
    default:
        break;
    }
}

void TcxStandardLookAndFeelPainter::PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds,
                                                     const AnsiString& text, TcxNeighbors neighbors,
                                                     const TcxPaintParams& params, int arrows, int arrowInset,
                                                     const TcxDrawBackgroundEvent& onDrawBackground) const {
    TcxBorders sides = cxBordersAll;
    if (neighbors.Contains(bLeft)) sides.Exclude(bLeft);
    if (neighbors.Contains(bRight)) sides.Exclude(bRight);
    canvas->DrawRectFrame(bounds, clBlack, 1, sides);
    const TRect inner = CalcHeaderInnerRect(bounds, sides);
    PaintHeader(canvas, inner, inner, TcxNeighbors{}, cxBordersAll, bpsNormal, taCenter, vaCenter, false,
                false, text, params.Font, params.TextColor, params.Color, onDrawBackground);
    PaintMonthHeaderArrows(canvas, bounds, arrows, arrowInset, clWindowText);
}

void TcxStandardLookAndFeelPainter::PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r,
                                                           const TcxPaintParams& params,
                                                           bool horizontal) const {
    const TcxBorders outer = horizontal ? TcxBorders{bTop, bBottom} : TcxBorders{bLeft, bRight};
    canvas->DrawTwoColorFrame(r, clBtnFace, cl3DDkShadow, outer);
    const TRect middle = horizontal ? GrowRect(r, 1, -1) : GrowRect(r, -1, 1);
    canvas->DrawTwoColorFrame(middle, clBtnHighlight, clBtnShadow, outer);
    canvas->DrawFramedFill(horizontal ? GrowRect(middle, 1, -1) : GrowRect(middle, -1, 1), params,
                           TcxBorders{}, clNone);
}

// ---------------------------------------------------------------------------------------------
const TcxFlatLookAndFeelPainter* TcxFlatLookAndFeelPainter::Painter() {
    static const TcxFlatLookAndFeelPainter painter;
    return &painter;
}

int TcxFlatLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleFlat;
}

int TcxFlatLookAndFeelPainter::GetBorderWidth() const {
    return 1;
}

void TcxFlatLookAndFeelPainter::PaintControlBorder(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
}

int TcxFlatLookAndFeelPainter::GetButtonBorderWidth(TcxButtonPaintState state) const {
    return state == bpsDefault ? 2 : 1;
}

int TcxFlatLookAndFeelPainter::GetButtonTextIndent() const {
    return 1;
}

int TcxFlatLookAndFeelPainter::GetButtonPressShift() const {
    return 1;
}

void TcxFlatLookAndFeelPainter::PaintButtonFrame(TcxCanvas* canvas, const TRect& r,
                                                 TcxButtonPaintState state) const {
    if (state == bpsPressed) {
        canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
        return;
    }
    TRect frame = r;
    if (state == bpsDefault) {
        canvas->DrawRectFrame(frame, clBlack);
        frame = GrowRect(frame, -1, -1);
    }
    canvas->DrawTwoColorFrame(frame, clBtnHighlight, clBtnShadow);
}

void TcxFlatLookAndFeelPainter::PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                  TColor color) const {
    PaintButton(canvas, r, "", bpsNormal, true, color);
    PaintExpandCross(canvas, GrowRect(r, -1, -1), expanded, clBtnText);
    canvas->ExcludeFromClip(r);
}

int TcxFlatLookAndFeelPainter::GetExpandButtonSize() const {
    return 11;
}

void TcxFlatLookAndFeelPainter::PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r,
                                                   TcxButtonPaintState state) const {
    canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
    canvas->DrawRectFrame(GrowRect(r, -1, -1), GetCheckBoxColor(state));
}

void TcxFlatLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                                                 TcxBorders sides) const {
    PaintClassicHeaderFrame(canvas, r, adjacent, sides);
}

void TcxFlatLookAndFeelPainter::PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                                        TcxButtonPaintState state) const {
    if (state == bpsPressed)
        canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight, sides);
    else
        canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow, sides);
}

void TcxFlatLookAndFeelPainter::PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const {
    PaintSortArrow(canvas, r, clBtnShadow, clBtnHighlight, ascending);
}

int TcxFlatLookAndFeelPainter::GetHeaderBorderWidth() const {
    return 1;
}

TSize TcxFlatLookAndFeelPainter::GetSortMarkSize() const {
    return TSize{8, 7};
}

int TcxFlatLookAndFeelPainter::GetFooterBorderWidth() const {
    return 1;
}

int TcxFlatLookAndFeelPainter::GetFooterCellBorderWidth() const {
    return 1;
}

int TcxFlatLookAndFeelPainter::GetFooterCellIndent() const {
    return 1;
}

void TcxFlatLookAndFeelPainter::PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow);
}

void TcxFlatLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const {
    canvas->DrawTwoColorFrame(r, clBtnShadow, clBtnHighlight);
}

void TcxFlatLookAndFeelPainter::PaintFilterDropButton(TcxCanvas* canvas, const TRect& r,
                                                      TcxButtonPaintState state, bool filtered) const {
    PaintClassicFilterDropButton(this, canvas, r, state, filtered);
}

void TcxFlatLookAndFeelPainter::PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side,
                                              TcxBorders sides, bool vertical) const {
    PaintClassicTabFrame(canvas, r, side, sides, vertical);
}

void TcxFlatLookAndFeelPainter::PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                             bool) const {
    canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow, sides);
}

int TcxFlatLookAndFeelPainter::GetTabBorderWidth(bool) const {
    return 1;
}

void TcxFlatLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                   TcxScrollBarPart part, TcxButtonPaintState state) const {
    if (IsEmptyRect(r) || (part == sbpThumbnail && state == bpsDisabled)) return;
    if (state == bpsHot) state = bpsNormal;
    if (part == sbpPageUp || part == sbpPageDown) {
        FillScrollBarPage(canvas, r, state == bpsPressed);
        return;
    }
    if (part != sbpLineUp && part != sbpLineDown && part != sbpThumbnail) return;
    PaintButton(canvas, r, "", state, true);
    const int border = GetButtonBorderWidth(bpsNormal);
    if (part != sbpThumbnail)
        PaintScrollArrow(canvas, GrowRect(r, -border, -border), GetArrowForScrollPart(horizontal, part),
                         state);
}

void TcxFlatLookAndFeelPainter::PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r,
                                                       const TcxPaintParams& params, bool horizontal) const {
    const TcxBorders lines = horizontal ? TcxBorders{bTop, bBottom} : TcxBorders{bLeft, bRight};
    canvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow, lines);
    canvas->DrawFramedFill(ShrinkSides(r, lines), params, TcxBorders{}, clNone);
}
