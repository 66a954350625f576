// The drawing that the base painter does itself and that every descendant inherits or calls.
#include <algorithm>
#include <cmath>

#include "platform/graphics/ImageList.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/Geometry.h"
#include "ui/core/LookAndFeelPainters.h"

namespace {
int HalfAwayFromZero(int value) {
    return MulDiv(value, 1, 2);
}

void DrawTriangle(TcxCanvas* canvas, const std::array<TPoint, 3>& points, TColor color) {
    canvas->Brush().SetStyle(bsSolid);
    canvas->SetBrushColor(color);
    canvas->Pen().SetColor(color);
    canvas->DrawPolygon(points);
}

// A pen line that paints its end point too.
void DrawLine(TcxCanvas* canvas, int x0, int y0, int x1, int y1, TColor color) {
    canvas->Pen().SetColor(color);
    canvas->MoveTo(x0, y0);
    canvas->LineTo(x1, y1);
    canvas->SetPixelColor(x1, y1, color);
}

int AlignmentFlags(TAlignment horzAlign, TcxAlignmentVert vertAlign) {
    int flags = horzAlign == taRightJustify ? tfAlignRight
                : horzAlign == taCenter     ? tfAlignHCenter
                                            : tfAlignLeft;
    flags |= vertAlign == vaBottom ? tfAlignBottom : vertAlign == vaCenter ? tfAlignVCenter : tfAlignTop;
    return flags;
}

void PrepareFont(TcxCanvas* canvas, TFont* font, TColor color) {
    if (font) canvas->AssignFont(*font);
    if (color != clDefault) canvas->Font().SetColor(color);
}
} // namespace

// ---------------------------------------------------------------------------------------------
TcxArrowPointing TcxCustomLookAndFeelPainter::GetArrowForScrollPart(bool horizontal, TcxScrollBarPart part) {
    if (part == sbpLineUp) return horizontal ? apLeft : apUp;
    return horizontal ? apRight : apDown;
}

std::array<TPoint, 3> TcxCustomLookAndFeelPainter::CalcArrowPoints(TRect r, TcxArrowPointing direction,
                                                                   bool proportional, int arrowSize) {
    if (proportional) {
        const int difference = GetRectWidth(r) - GetRectHeight(r);
        if (difference > 0) {
            r.left += difference / 2;
            r.right -= difference / 2;
        } else {
            r.top -= difference / 2;
            r.bottom += difference / 2;
        }
    }
    const bool vertical = direction == apUp || direction == apDown;
    int s = arrowSize;
    if (s == 0) s = ((vertical ? GetRectWidth(r) : GetRectHeight(r)) - 1) / 4 + 1;
    const int base = 2 * s - 1;
    std::array<TPoint, 3> p{};
    if (vertical) {
        const int y0 = HalfAwayFromZero(r.top + r.bottom - s);
        const int left = (r.left + r.right - base) / 2;
        const int apexX = (r.left + r.right - 1) / 2;
        if (direction == apUp) {
            p[0] = TPoint{left, y0 + s - 1};
            p[1] = TPoint{apexX, y0};
            p[2] = TPoint{left + base - 1, y0 + s - 1};
        } else {
            p[2] = TPoint{left, y0};
            p[0] = TPoint{left + base - 1, y0};
            p[1] = TPoint{apexX, y0 + s - 1};
        }
    } else {
        const int top = HalfAwayFromZero(r.top + r.bottom - base);
        const int x0 = (r.left + r.right - s) / 2;
        const int apexY = top + s - 1;
        if (direction == apLeft) {
            p[0] = TPoint{x0 + s - 1, top + base - 1};
            p[1] = TPoint{x0, apexY};
            p[2] = TPoint{x0 + s - 1, top};
        } else {
            p[2] = TPoint{x0, top};
            p[0] = TPoint{x0, top + base - 1};
            p[1] = TPoint{x0 + s - 1, apexY};
        }
    }
    return p;
}

void TcxCustomLookAndFeelPainter::PaintArrow(TcxCanvas* canvas, const TRect& r, TcxArrowPointing direction,
                                             TColor color) const {
    DrawTriangle(canvas, CalcArrowPoints(r, direction, true), color);
}

void TcxCustomLookAndFeelPainter::PaintArrowButton(TcxCanvas* canvas, const TRect& r,
                                                   TcxButtonPaintState state, TcxArrowPointing direction,
                                                   bool withFrame) const {
    if (withFrame)
        PaintArrowButtonFrame(canvas, r, state);
    else
        canvas->FillRectColor(r, GetButtonColor(state));
    DrawTriangle(canvas, CalcArrowPoints(r, direction, false), GetButtonGlyphColor(state, clDefault));
}

void TcxCustomLookAndFeelPainter::PaintArrowButtonFrame(TcxCanvas* canvas, const TRect& r,
                                                        TcxButtonPaintState state) const {
    canvas->FillRectColor(r, GetButtonColor(state));
    PaintButtonFrame(canvas, r, state);
}

void TcxCustomLookAndFeelPainter::PaintScrollArrow(TcxCanvas* canvas, const TRect& r,
                                                   TcxArrowPointing direction,
                                                   TcxButtonPaintState state) const {
    TRect bounds = r;
    if (state == bpsPressed) bounds = ShiftRect(bounds, GetButtonPressShift(), GetButtonPressShift());
    auto points = CalcArrowPoints(bounds, direction, true);
    if (state == bpsDisabled) {
        auto embossed = points;
        for (TPoint& p : embossed)
            p = OffsetPoint(p, 1, 1);
        DrawTriangle(canvas, embossed, clBtnHighlight);
        DrawTriangle(canvas, points, clBtnShadow);
    } else {
        DrawTriangle(canvas, points, GetButtonGlyphColor(state, clDefault));
    }
}

void TcxCustomLookAndFeelPainter::PaintDropArrow(TcxCanvas* canvas, const TRect& r, TColor color) const {
    int x = GetRectWidth(r) / 2;
    if (x % 2 == 0) ++x;
    const int y = x / 2 + 1;
    const TPoint upperLeft{(r.left + r.right - x) / 2, HalfAwayFromZero(r.top + r.bottom - y)};
    DrawTriangle(canvas,
                 {upperLeft, TPoint{upperLeft.x + x - 1, upperLeft.y},
                  TPoint{upperLeft.x + x / 2, upperLeft.y + y - 1}},
                 color);
}

// ---------------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::FillBackground(TcxCanvas* canvas, const TRect& r, bool transparent,
                                                 TColor fillColor, TBitmap* tileBitmap) const {
    if (!transparent)
        canvas->FillRectColor(r, fillColor);
    else if (tileBitmap && !tileBitmap->Empty())
        canvas->FillRectWithBitmap(r, tileBitmap);
}

void TcxCustomLookAndFeelPainter::PaintCellContent(
    TcxCanvas* canvas, const TRect& bounds, const TRect& textRect, TcxButtonPaintState, TAlignment horzAlign,
    TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis, const AnsiString& text, TFont* font,
    TColor textColor, TColor fillColor, const TcxDrawBackgroundEvent& onDrawBackground, bool) const {
    if (!onDrawBackground || !onDrawBackground(nullptr, canvas, bounds))
        canvas->FillRectColor(bounds, fillColor);
    if (text.empty()) return;
    canvas->Brush().SetStyle(bsClear);
    PrepareFont(canvas, font, textColor);
    int flags = AlignmentFlags(horzAlign, vertAlign) | (textWrap ? tfWordBreak : tfSingleLine);
    if (ellipsis) flags |= tfShowEndEllipsis;
    canvas->DrawTextWithFlags(text, textRect, flags, true);
    canvas->Brush().SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::PaintHeader(
    TcxCanvas* canvas, const TRect& bounds, const TRect& textRect, TcxNeighbors adjacent, TcxBorders sides,
    TcxButtonPaintState state, TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
    const AnsiString& text, TFont* font, TColor textColor, TColor fillColor,
    const TcxDrawBackgroundEvent& onDrawBackground, bool, bool) const {
    PaintHeaderFrame(canvas, bounds, adjacent, sides);
    PaintCellContent(canvas, CalcHeaderInnerRect(bounds, sides), textRect, state, horzAlign, vertAlign,
                     textWrap, ellipsis, text, font, textColor, fillColor, onDrawBackground, false);
}

void TcxCustomLookAndFeelPainter::PaintHeaderSection(TcxCanvas* canvas, const TRect& bounds,
                                                     const TRect& textRect, TcxNeighbors, TcxBorders sides,
                                                     TcxButtonPaintState state, TAlignment horzAlign,
                                                     TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                                     const AnsiString& text, TFont* font, TColor textColor,
                                                     TColor fillColor) const {
    PaintHeaderSectionFrame(canvas, bounds, sides, state);
    PaintHeaderSectionContent(canvas, CalcHeaderSectionInnerRect(bounds, state), textRect, state, horzAlign,
                              vertAlign, textWrap, ellipsis, text, font, textColor, fillColor);
}

void TcxCustomLookAndFeelPainter::PaintHeaderSectionContent(TcxCanvas* canvas, const TRect& r,
                                                            const TRect& textRect, TcxButtonPaintState state,
                                                            TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                            bool textWrap, bool ellipsis,
                                                            const AnsiString& text, TFont* font,
                                                            TColor textColor, TColor fillColor) const {
    canvas->FillRectColor(r, fillColor);
    PaintHeaderSectionText(canvas, CalcHeaderSectionTextRect(textRect, state), state, horzAlign, vertAlign,
                           textWrap, ellipsis, text, font, textColor);
}

void TcxCustomLookAndFeelPainter::PaintHeaderSectionText(TcxCanvas* canvas, const TRect& r,
                                                         TcxButtonPaintState state, TAlignment horzAlign,
                                                         TcxAlignmentVert vertAlign, bool textWrap,
                                                         bool ellipsis, const AnsiString& text, TFont* font,
                                                         TColor textColor) const {
    if (text.empty()) return;
    canvas->Brush().SetStyle(bsClear);
    PrepareFont(canvas, font, textColor);
    int flags = AlignmentFlags(horzAlign, vertAlign) | (textWrap ? tfWordBreak : tfSingleLine);
    if (ellipsis) flags |= tfShowEndEllipsis;
    if (state == bpsDisabled) {
        canvas->Font().SetColor(clBtnHighlight);
        canvas->DrawTextWithFlags(text, ShiftRect(r, 1, 1), flags, true);
        canvas->Font().SetColor(clBtnShadow);
    }
    canvas->DrawTextWithFlags(text, r, flags, true);
    canvas->Brush().SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::PaintHeaderSeparator(TcxCanvas* canvas, const TRect& r, int indent,
                                                       TColor color, const TcxPaintParams& params) const {
    canvas->DrawFramedFill(RectWithWidth(r, indent), params, TcxBorders{}, clNone);
    canvas->DrawFramedFill(RectWithRight(r, r.right, indent), params, TcxBorders{}, clNone);
    canvas->FillRectColor(RectWithLeftRight(r, r.left + indent, r.right - indent), color);
}

void TcxCustomLookAndFeelPainter::PaintFooterCell(TcxCanvas* canvas, const TRect& bounds,
                                                  TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                  bool textWrap, const AnsiString& text, TFont* font,
                                                  TColor textColor, TColor fillColor,
                                                  const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintFooterCellFrame(canvas, bounds);
    PaintCellContent(canvas, CalcFooterCellInnerRect(bounds), CalcFooterCellTextRect(bounds), bpsNormal,
                     horzAlign, vertAlign, textWrap, false, text, font, textColor, fillColor,
                     onDrawBackground, true);
}

// ---------------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::PaintButton(TcxCanvas* canvas, const TRect& r, const AnsiString& caption,
                                              TcxButtonPaintState state, bool drawBorder, TColor color,
                                              TColor textColor, bool wordWrap) const {
    TRect face = r;
    if (drawBorder) {
        PaintButtonFrame(canvas, r, state);
        const int width = GetButtonBorderWidth(state);
        face = GrowRect(face, -width, -width);
    }
    canvas->FillRectColor(face, color == clDefault ? GetButtonColor(state) : color);
    canvas->Font().SetColor(textColor == clDefault ? GetButtonGlyphColor(state, clDefault) : textColor);
    canvas->Brush().SetStyle(bsClear);
    const TRect textRect = CalcButtonCaptionRect(face, state == bpsPressed, GetButtonPressShift());
    if (!caption.empty())
        canvas->DrawTextWithFlags(caption, textRect,
                                  tfAlignHCenter | tfAlignVCenter | tfShowPrefix |
                                      (wordWrap ? tfWordBreak : tfSingleLine),
                                  state != bpsDisabled);
    canvas->Brush().SetStyle(bsSolid);
}

TRect TcxCustomLookAndFeelPainter::CalcButtonCaptionRect(const TRect& face, bool pressed, int pressShift) {
    TRect r = face;
    if (GetRectHeight(r) % 2 != 0) --r.bottom;
    if (GetRectHeight(r) < 18) --r.top;
    return pressed ? ShiftRect(r, pressShift, pressShift) : r;
}

void TcxCustomLookAndFeelPainter::PaintGroupExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                         TcxButtonPaintState state) const {
    PaintButton(canvas, r, "", state, true);
    const TColor color = GetButtonGlyphColor(state, clDefault);
    // Two chevrons, 3 pixels deep and two rows thick, 4 rows apart: 5 x 8 pixels in all.
    const int left = (r.left + r.right - 5) / 2, top = (r.top + r.bottom - 8) / 2;
    for (int chevron = 0; chevron < 2; ++chevron)
        for (int k = 0; k < 3; ++k) {
            const int spread = expanded ? k : 2 - k;
            const int y = top + 4 * chevron + k;
            for (int x : {left + 2 - spread, left + 2 + spread})
                canvas->FillRectColor(Rect(x, y, x + 1, y + 2), color);
        }
}

void TcxCustomLookAndFeelPainter::PaintExpandCross(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                   TColor color) {
    const int cx = MiddleOf(r.left, r.right), cy = MiddleOf(r.top, r.bottom);
    const int h = (GetRectWidth(r) - 4) / 2;
    canvas->FillRectColor(Rect(cx - h, cy, cx + h + 1, cy + 1), color);
    if (!expanded) canvas->FillRectColor(Rect(cx, cy - h, cx + 1, cy + h + 1), color);
}

void TcxCustomLookAndFeelPainter::PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                         TColor borderColor, TColor color) const {
    canvas->DrawRectFrame(r, borderColor);
    if (color != clDefault) canvas->FillRectColor(GrowRect(r, -1, -1), color);
    PaintExpandCross(canvas, r, expanded, clBtnText);
}

// ---------------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::PaintCheckMark(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                                 bool checked, TColor markColor) const {
    if (canvas->Brush().Style() == bsSolid) canvas->FillRectColor(r, GetCheckBoxColor(state));
    if (!checked) return;
    canvas->Pen().SetColor(markColor);
    const int w = GetRectWidth(r) - 2, h = GetRectHeight(r) - 4;
    const int x0 = (r.left + r.right) / 2 - 1;
    for (int d = 0; d < 3; ++d) {
        const int y = (r.top + r.bottom + h) / 2 - 2 + d;
        canvas->MoveTo(x0 - (w / 2 - 1), y - h / 2);
        canvas->LineTo(x0, y);
        canvas->LineTo(x0 + w / 2 + 2, y - h);
    }
}

void TcxCustomLookAndFeelPainter::PaintCheckBox(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                                TcxCheckBoxState checkState) const {
    PaintCheckBoxFrame(canvas, r, state);
    const int frame = GetCheckFrameWidth();
    const TColor markColor = state == bpsDisabled || checkState == cbsGrayed ? clGrayText : clBtnText;
    PaintCheckMark(canvas, GrowRect(r, -frame, -frame), state, checkState == cbsChecked, markColor);
}

void TcxCustomLookAndFeelPainter::PaintRadioButton(TcxCanvas* canvas, int x, int y, TcxButtonPaintState state,
                                                   bool checked, bool flagB, TColor brushColor,
                                                   bool flagA) const {
    const auto& paint = PainterResources().PaintRadioButtonImage;
    if (paint)
        paint(canvas, x, y, brushColor, LookAndFeelStyleToKind(GetPaintStyle()), state, checked, flagB,
              flagA);
}

void TcxCustomLookAndFeelPainter::PaintFilterCloseButton(TcxCanvas* canvas, const TRect& r,
                                                         TcxButtonPaintState state) const {
    PaintButtonFrame(canvas, r, state);
    const int border = GetButtonBorderWidth(bpsNormal);
    const TRect face = GrowRect(r, -border, -border);
    canvas->FillRectColor(face, GetButtonColor(state));
    int s = GetFilterCloseButtonSize().cx / 2;
    if (s % 2 == 0) --s;
    int x = (face.left + face.right - s) / 2, y = (face.top + face.bottom - s) / 2;
    if (MapButtonGlyphState(state) == bpsPressed) {
        ++x;
        ++y;
    }
    canvas->Pen().SetColor(GetButtonGlyphColor(state, clDefault));
    for (int dx = 0; dx < 2; ++dx) {
        canvas->MoveTo(x + dx, y);
        canvas->LineTo(x + dx + s, y + s);
        canvas->MoveTo(x + dx, y + s - 1);
        canvas->LineTo(x + dx + s, y - 1);
    }
}

// ---------------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::PaintIndicatorGlyph(TcxCanvas* canvas, const TRect& r, int kind) const {
    TCustomImageList* images = PainterResources().IndicatorImages;
    if (kind <= 0 || !images || kind > images->Count()) return;
    images->Draw(*canvas->Canvas(), (r.left + r.right - images->Width()) / 2,
                 (r.top + r.bottom - images->Height()) / 2, kind - 1, true);
}

void TcxCustomLookAndFeelPainter::PaintIndicatorCustomizeMark(TcxCanvas* canvas, const TRect& r,
                                                              TColor color) const {
    canvas->Pen().SetColor(color);
    const int top = (r.top + r.bottom - 9) / 2;
    for (int line = 0; line < 5; ++line) {
        const int y = top + 2 * line;
        canvas->MoveTo(r.left + 5, y);
        canvas->LineTo(r.left + 3 + (GetRectWidth(r) - 6), y);
        if (line % 2 == 0) canvas->SetPixelColor(r.left + 3, y, color);
    }
}

void TcxCustomLookAndFeelPainter::PaintNavigatorGlyph(TcxCanvas* canvas, TCustomImageList* imageList,
                                                      int imageIndex, int, const TRect& glyphRect,
                                                      bool enabled, bool) const {
    if (imageList) imageList->Draw(*canvas->Canvas(), glyphRect.left, glyphRect.top, imageIndex, enabled);
}

// ---------------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::PaintMonthHeaderArrows(TcxCanvas* canvas, TRect r, int arrows,
                                                         int arrowInset, TColor color) const {
    r.top += GetBorderWidth();
    r = GrowRectSides(r, 0, -1, 0, -1);
    int d = GetRectHeight(r) / 2;
    if (d % 2 == 0) ++d;
    const int y0 = (r.top + r.bottom - d) / 2 - 1;
    if (arrows & 1) {
        const int x0 = r.left + arrowInset - 1;
        DrawTriangle(canvas,
                     {TPoint{x0, y0}, TPoint{x0, y0 + d + 1}, TPoint{x0 - (d / 2 + 1), y0 + d / 2 + 1}},
                     color);
    }
    if (arrows & 2) {
        const int x0 = r.right - arrowInset + 1;
        DrawTriangle(canvas, {TPoint{x0, y0}, TPoint{x0, y0 + d + 1}, TPoint{x0 + d / 2 + 1, y0 + d / 2 + 1}},
                     color);
    }
}

void TcxCustomLookAndFeelPainter::PaintSortArrow(TcxCanvas* canvas, const TRect& r, TColor color1,
                                                 TColor color2, bool ascending) const {
    const TSize size = GetSortMarkSize();
    const bool even = size.cx % 2 == 0;
    const int x = (r.left + r.right) / 2 - (even ? 1 : 0);
    const int top = (r.top + r.bottom - size.cy) / 2, bottom = top + size.cy - 1;
    const int right = x + size.cx / 2, left = x - (size.cx / 2 - (even ? 1 : 0));
    const int apexY = ascending ? top : bottom, baseY = ascending ? bottom : top;
    DrawLine(canvas, x, apexY, right, baseY, color2);
    DrawLine(canvas, right, baseY, left, baseY, ascending ? color2 : color1);
    DrawLine(canvas, left, baseY, x, apexY, color1);
}

// ---------------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::CalcNavButtonRects(bool next, bool collapsed, TSize prevTextSize,
                                                     TSize nextTextSize, TRect& bounds, TRect& textRect,
                                                     TRect& arrowRect) const {
    TRect sides;
    TSize arrowSize;
    GetNavButtonMetrics(next, sides, arrowSize);
    const int a = 3 * arrowSize.cy;
    if (collapsed) {
        textRect = TRect{0, 0, 0, 0};
        const int height = a + sides.top + sides.bottom;
        bounds = RectWithTop(bounds, (bounds.top + bounds.bottom - height) / 2, height);
        arrowRect = CenteredRect(bounds, arrowSize);
        return;
    }
    TRect content = RectInsideMargins(bounds, sides);
    textRect = RectWithTopBottom(content, content.top + a + 5, content.bottom - 2 * arrowSize.cy);
    const int missing = std::max(prevTextSize.cx, nextTextSize.cx) - GetRectHeight(textRect);
    if (missing > 0) {
        const int above = missing / 2, below = missing - above;
        content = GrowRectSides(content, 0, above, 0, below);
        textRect = GrowRectSides(textRect, 0, above, 0, below);
        bounds = GrowRectSides(bounds, 0, above, 0, below);
    }
    arrowRect = CenteredRect(RectWithHeight(content, a), arrowSize);
}

void TcxCustomLookAndFeelPainter::PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r,
                                                              const TRect& arrowRect, bool next,
                                                              TcxButtonPaintState state) const {
    canvas->FillRectColor(r, clBtnFace);
    const TcxBorders open = next ? TcxBorders{bLeft, bTop, bBottom} : TcxBorders{bTop, bRight, bBottom};
    canvas->DrawRectFrame(r, clBtnShadow, 1, open);
    const TRect inner =
        GrowRectSides(r, open.Contains(bLeft) ? -1 : 0, -1, open.Contains(bRight) ? -1 : 0, -1);
    if (state == bpsPressed)
        canvas->DrawTwoColorFrame(inner, clBtnShadow, clBtnHighlight, open);
    else
        canvas->DrawTwoColorFrame(inner, clBtnHighlight, clBtnFace, open);
    PaintNavButtonArrow(canvas, arrowRect, next, GetButtonGlyphColor(state, clDefault));
}

void TcxCustomLookAndFeelPainter::PaintNavButtonArrow(TcxCanvas* canvas, const TRect& r, bool next,
                                                      TColor color) const {
    const int n = (GetRectHeight(r) + 1) / 2;
    for (int i = 0; i < n; ++i) {
        const int x = next ? r.left + i : r.right - 2 - i;
        canvas->FillRectColor(Rect(x, r.top + i, x + 2, r.top + i + 1), color);
        canvas->FillRectColor(Rect(x, r.bottom - 1 - i, x + 2, r.bottom - i), color);
    }
    const int tip = next ? r.left + n : r.right - 1 - n;
    canvas->FillRectColor(Rect(tip, r.top + n - 1, tip + 1, std::max(r.top + n, r.bottom - n + 1)), color);
}

void TcxCustomLookAndFeelPainter::PaintSchedulerNavButton(TcxCanvas* canvas, const TRect& r, bool next,
                                                          TcxButtonPaintState state, const AnsiString& text,
                                                          const TRect& textRect,
                                                          const TRect& arrowRect) const {
    if (IsEmptyRect(textRect)) {
        PaintSchedulerNavButtonFace(canvas, r, arrowRect, next, state);
        return;
    }
    const int w = GetRectWidth(r), h = GetRectHeight(r);
    if (w <= 0 || h <= 0) return;
    TBitmap bitmap(w, h, pf32bit);
    const TRect local = Rect(0, 0, w, h);
    bitmap.Canvas().CopyRect(local, *canvas->Canvas(), r);
    TcxCanvas buffer(&bitmap.Canvas());
    PaintSchedulerNavButtonFace(&buffer, local, ShiftRect(arrowRect, -r.left, -r.top), next, state);
    // The text runs upwards: turn the picture a quarter counter-clockwise, write, turn back.
    const TRect text0 = ShiftRect(textRect, -r.left, -r.top);
    buffer.RotateBitmap(&bitmap, raPlus90, false);
    const TRect turned{text0.top, w - text0.right, text0.bottom, w - text0.left};
    buffer.AssignFont(canvas->Font());
    buffer.Font().SetColor(GetButtonGlyphColor(state, canvas->Font().Color()));
    buffer.Brush().SetStyle(bsClear);
    buffer.DrawTextWithFlags(text, turned, tfAlignHCenter | tfAlignVCenter | tfSingleLine, true);
    buffer.Brush().SetStyle(bsSolid);
    buffer.RotateBitmap(&bitmap, raMinus90, false);
    canvas->CopyRectFrom(r, bitmap.Canvas(), local);
}

void TcxCustomLookAndFeelPainter::PaintEventProgress(TcxCanvas* canvas, const TRect& r,
                                                     const TRect& progressRect, const TcxPaintParams& params,
                                                     bool framed) const {
    if (!framed) canvas->DrawFramedFill(r, params, TcxBorders{}, clNone);
    canvas->DrawRectFrame(r, RGB(128, 128, 128));
    canvas->FillRectColor(progressRect, clNavy);
}

void TcxCustomLookAndFeelPainter::PaintClock(TcxCanvas* canvas, const TRect& r, TDateTime time,
                                             TColor fillColor) const {
    const double pi = 3.14159265358979323846;
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    const double rx = GetRectWidth(r) / 2.0 - 2, ry = GetRectHeight(r) / 2.0 - 2;
    canvas->PushClipRegion();
    for (int i = 0; i < 60; i += 5) {
        const double angle = i * 2 * pi / 60;
        const int x = static_cast<int>(std::lround(cx + rx * std::cos(angle)));
        const int y = static_cast<int>(std::lround(cy - ry * std::sin(angle)));
        canvas->SetPixelColor(x, y, RGB(0, 128, 128));
        for (TPoint p : {Point(x - 1, y - 1), Point(x, y - 1), Point(x - 1, y)})
            canvas->SetPixelColor(p.x, p.y, RGB(0, 255, 255));
        for (TPoint p : {Point(x + 1, y), Point(x + 1, y + 1), Point(x, y + 1)})
            canvas->SetPixelColor(p.x, p.y, clBtnText);
        canvas->ExcludeFromClip(Rect(x - 1, y - 1, x + 2, y + 2));
    }
    canvas->FillRectColor(r, fillColor);
    canvas->PopClipRegion();

    const double dayFraction = time - std::floor(time);
    const double seconds = std::round(dayFraction * 86400.0);
    const double hours = std::fmod(seconds / 3600.0, 12.0), minutes = std::fmod(seconds / 60.0, 60.0);
    const double half = std::min(rx, ry) + 2;
    auto pointAt = [&](double turn, double length) {
        const double angle = turn * 2 * pi - pi / 2;
        return Point(static_cast<int>(std::lround(cx + length * std::cos(angle))),
                     static_cast<int>(std::lround(cy + length * std::sin(angle))));
    };
    auto hand = [&](double turn, double length, double tail, double width) {
        const double side = half * width / 100.0;
        std::array<TPoint, 4> points{pointAt(turn, (half - 2) * length), pointAt(turn + 0.25, side),
                                     pointAt(turn + 0.5, (half - 2) * tail), pointAt(turn - 0.25, side)};
        canvas->Brush().SetStyle(bsSolid);
        canvas->SetBrushColor(RGB(0, 128, 128));
        canvas->Pen().SetColor(RGB(0, 128, 128));
        canvas->DrawPolygon(points);
    };
    hand(hours / 12.0, 0.75, 0.15, 9);
    hand(minutes / 60.0, 0.85, 0.2, 7);
    const TPoint centre = pointAt(0, 0), tip = pointAt(std::fmod(seconds, 60.0) / 60.0, half * 0.9);
    canvas->Pen().SetColor(clRed);
    canvas->MoveTo(centre.x, centre.y);
    canvas->LineTo(tip.x, tip.y);
}
