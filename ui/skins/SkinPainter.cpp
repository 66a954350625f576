#include "ui/skins/SkinPainter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/core/DateTime.h"
#include "ui/core/PainterRegistry.h"

TdxSkinElementState ButtonStateToSkinState(TcxButtonPaintState state) {
    switch (state) {
    case bpsHot:
        return esHot;
    case bpsPressed:
        return esPressed;
    case bpsDisabled:
        return esDisabled;
    default:
        return esNormal;
    }
}

namespace {
// The colour's value, or clDefault when there is no such colour.
TColor ColorOf(const TdxSkinColor* color) {
    return color ? color->Value() : clDefault;
}
} // namespace

const TdxSkinLookAndFeelPainter* TdxSkinLookAndFeelPainter::Painter() {
    static const TdxSkinLookAndFeelPainter painter;
    return &painter;
}

TdxSkinLookAndFeelPainterInfo* TdxSkinLookAndFeelPainter::GetSkinInfo() const {
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    TObject* data = nullptr;
    if (!registry || !registry->FindDataOfPainter(this, data)) return nullptr;
    return dynamic_cast<TdxSkinLookAndFeelPainterInfo*>(data);
}

void TdxSkinLookAndFeelPainter::GetSkinUnitName(AnsiString& name) const {
    name = "dxSkinsLookAndFeelPainter";
}

bool TdxSkinLookAndFeelPainter::PaintEditButtonBackground(TcxCanvas* canvas, const TRect& r,
                                                          TdxSkinElementState state,
                                                          bool isCloseButton) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info) return false;
    TdxSkinElement* element = isCloseButton ? info->CloseButton : info->EditorButton;
    if (!element) return false;
    element->Render(canvas->GetDCHandle(), r, 0, state);
    return true;
}

// Each colour operation: the skin's value, else the inherited one.
#define VZ_SKIN_COLOR(Operation, Reference)                                                                  \
    TColor TdxSkinLookAndFeelPainter::Operation() const {                                                    \
        TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();                                                 \
        if (info && info->Reference) return info->Reference->Value();                                        \
        return TcxOffice11LookAndFeelPainter::Operation();                                                   \
    }
VZ_SKIN_COLOR(GetContentColor, ContentColor)
VZ_SKIN_COLOR(GetContentTextColor, ContentTextColor)
VZ_SKIN_COLOR(GetDetailsSiteColor, ContentColor)
VZ_SKIN_COLOR(GetHeaderAreaColor, HeaderBackgroundColor)
VZ_SKIN_COLOR(GetHeaderAreaTextColor, HeaderBackgroundTextColor)
VZ_SKIN_COLOR(GetSchedulerBackColor, ContentColor)
VZ_SKIN_COLOR(GetSchedulerControlColor, ContentColor)
VZ_SKIN_COLOR(GetSchedulerBorderColor, ContainerBorderColor)
VZ_SKIN_COLOR(GetSchedulerNavigatorColor, SchedulerNavigatorColor)
VZ_SKIN_COLOR(GetSelectionColor, SelectionColor)
VZ_SKIN_COLOR(GetSelectionTextColor, SelectionTextColor)
#undef VZ_SKIN_COLOR

// Colours of elements: the element's Color or TextColor, else the inherited one.
#define VZ_SKIN_ELEMENT_COLOR(Operation, Reference, Value)                                                   \
    TColor TdxSkinLookAndFeelPainter::Operation() const {                                                    \
        TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();                                                 \
        if (info && info->Reference) return info->Reference->Value();                                        \
        return TcxOffice11LookAndFeelPainter::Operation();                                                   \
    }
VZ_SKIN_ELEMENT_COLOR(GetFilterBoxTextColor, GridFilterPanel, TextColor)
VZ_SKIN_ELEMENT_COLOR(GetFixedSeparatorColor, GridFixedLine, Color)
VZ_SKIN_ELEMENT_COLOR(GetRecordSeparatorColor, GridFixedLine, Color)
VZ_SKIN_ELEMENT_COLOR(GetGridLineColor, GridGridLine, Color)
VZ_SKIN_ELEMENT_COLOR(GetGroupRowColor, GroupRow, Color)
VZ_SKIN_ELEMENT_COLOR(GetGroupRowTextColor, GroupRow, TextColor)
VZ_SKIN_ELEMENT_COLOR(GetGroupByBoxTextColor, GridGroupPanel, TextColor)
VZ_SKIN_ELEMENT_COLOR(GetHeaderColor, Header, Color)
VZ_SKIN_ELEMENT_COLOR(GetHeaderTextColor, Header, TextColor)
VZ_SKIN_ELEMENT_COLOR(GetSeparatorColor, CardSeparator, Color)
VZ_SKIN_ELEMENT_COLOR(GetEventTextColor, SchedulerAppointment, TextColor)
VZ_SKIN_ELEMENT_COLOR(GetCategoryColor, VerticalGridCategory, Color)
VZ_SKIN_ELEMENT_COLOR(GetCategoryTextColor, VerticalGridCategory, TextColor)
VZ_SKIN_ELEMENT_COLOR(GetVGridLineColor, VerticalGridGridLine, Color)
VZ_SKIN_ELEMENT_COLOR(GetBandLineColor, VerticalGridBandBorder, Color)
VZ_SKIN_ELEMENT_COLOR(GetEditButtonTextColor, EditorButton, TextColor)
#undef VZ_SKIN_ELEMENT_COLOR

TColor TdxSkinLookAndFeelPainter::GetSelectedEventTextColor(TColor, bool) const {
    return GetEventTextColor();
}

TColor TdxSkinLookAndFeelPainter::GetSizeGripAreaColor() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->FormContent && info->FormContent->Color() != clDefault)
        return info->FormContent->Color();
    return TcxOffice11LookAndFeelPainter::GetSizeGripAreaColor();
}

TColor TdxSkinLookAndFeelPainter::GetEditBorderColor(bool hot) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinColor* color =
        info ? (hot ? info->ContainerHighlightBorderColor : info->ContainerBorderColor) : nullptr;
    return color ? color->Value() : TcxOffice11LookAndFeelPainter::GetEditBorderColor(hot);
}

TColor TdxSkinLookAndFeelPainter::GetFooterSeparatorColor() const {
    return GetGridLineColor();
}

TColor TdxSkinLookAndFeelPainter::GetButtonGlyphColor(TcxButtonPaintState state, TColor fallbackColor) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->CommonButton)
        return TcxOffice11LookAndFeelPainter::GetButtonGlyphColor(state, fallbackColor);
    if (state == bpsDisabled && info->ButtonDisabledText) return info->ButtonDisabledText->Value();
    return info->CommonButton->TextColor();
}

// ---------------------------------------------------------------------------------------------
namespace {
TSize FrameSizeOf(TdxSkinElement* element) {
    return element->Image().FrameSize();
}

TRect OffsetOf(TdxSkinElement* element) {
    return element->ContentOffset().Rect();
}

void Draw(TcxCanvas* canvas, TdxSkinElement* element, const TRect& r, int imageIndex = 0,
          TdxSkinElementState state = esNormal) {
    element->Render(canvas->GetDCHandle(), r, imageIndex, state);
}

// A rectangle of size centred in r.
TRect CentredIn(const TRect& r, TSize size) {
    int left = r.left + (r.right - r.left - size.cx) / 2;
    int top = r.top + (r.bottom - r.top - size.cy) / 2;
    return TRect{left, top, left + size.cx, top + size.cy};
}
} // namespace

// Sizes of elements: the element's frame size, else the inherited one.
#define VZ_SKIN_FRAME_SIZE(Operation, Reference)                                                             \
    TSize TdxSkinLookAndFeelPainter::Operation() const {                                                     \
        TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();                                                 \
        if (info && info->Reference) return FrameSizeOf(info->Reference);                                    \
        return TcxOffice11LookAndFeelPainter::Operation();                                                   \
    }
VZ_SKIN_FRAME_SIZE(GetSizeGripSize, SizeGrip)
VZ_SKIN_FRAME_SIZE(GetRadioButtonSize, RadioButton)
VZ_SKIN_FRAME_SIZE(GetCheckBoxSize, Checkbox)
VZ_SKIN_FRAME_SIZE(GetEditButtonMinSize, EditorButton)
VZ_SKIN_FRAME_SIZE(GetNavigatorGlyphSize, Navigator)
VZ_SKIN_FRAME_SIZE(GetFilterCloseButtonSize, CloseButton)
#undef VZ_SKIN_FRAME_SIZE

int TdxSkinLookAndFeelPainter::GetButtonBorderWidth(TcxButtonPaintState state) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    return info && info->CommonButton ? 0 : TcxOffice11LookAndFeelPainter::GetButtonBorderWidth(state);
}

int TdxSkinLookAndFeelPainter::GetExpandButtonSize() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    return info && info->PlusMinus ? FrameSizeOf(info->PlusMinus).cy
                                   : TcxOffice11LookAndFeelPainter::GetExpandButtonSize();
}

int TdxSkinLookAndFeelPainter::GetMinThumbSize(bool vertical) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinScrollInfo* thumb = info ? info->ScrollBarParts[vertical ? 0 : 1][sbpThumbnail] : nullptr;
    if (!thumb || !thumb->Element) return TcxOffice11LookAndFeelPainter::GetMinThumbSize(vertical);
    TSize size = FrameSizeOf(thumb->Element);
    return vertical ? size.cy : size.cx;
}

int TdxSkinLookAndFeelPainter::GetEditButtonTextIndent() const {
    return 1;
}

TSize TdxSkinLookAndFeelPainter::GetTrackBarThumbSize(bool horizontal) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (horizontal ? info->TrackBarThumb : info->TrackBarThumbVert) : nullptr;
    return element ? FrameSizeOf(element) : TcxOffice11LookAndFeelPainter::GetTrackBarThumbSize(horizontal);
}

int TdxSkinLookAndFeelPainter::GetTrackBarTrackWidth() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    return info && info->TrackBarTrack ? FrameSizeOf(info->TrackBarTrack).cy
                                       : TcxOffice11LookAndFeelPainter::GetTrackBarTrackWidth();
}

TSize TdxSkinLookAndFeelPainter::GetSplitterExtent(bool horizontal) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (horizontal ? info->CommonSplitterHorz : info->CommonSplitter) : nullptr;
    return element ? FrameSizeOf(element) : TcxOffice11LookAndFeelPainter::GetSplitterExtent(horizontal);
}

TRect TdxSkinLookAndFeelPainter::GetProgressBorders(bool vertical) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (vertical ? info->ProgressBorderVert : info->ProgressBorder) : nullptr;
    return element ? OffsetOf(element) : TcxOffice11LookAndFeelPainter::GetProgressBorders(vertical);
}

TcxBorders TdxSkinLookAndFeelPainter::GetHeaderBorders(TcxNeighbors adjacent) const {
    // The neighbour on the left or above draws the shared edge.
    TcxBorders borders = TcxOffice11LookAndFeelPainter::GetHeaderBorders(adjacent);
    if (adjacent.Contains(bLeft)) borders.Exclude(bLeft);
    if (adjacent.Contains(bTop)) borders.Exclude(bTop);
    return borders;
}

int TdxSkinLookAndFeelPainter::GetFooterCellBorderWidth() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->FooterCell) return TcxOffice11LookAndFeelPainter::GetFooterCellBorderWidth();
    TRect offset = OffsetOf(info->FooterCell);
    return std::max({offset.left, offset.top, offset.right, offset.bottom});
}

TRect TdxSkinLookAndFeelPainter::GetEventProgressMargins() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    return info && info->ProgressBorder ? OffsetOf(info->ProgressBorder)
                                        : TcxOffice11LookAndFeelPainter::GetEventProgressMargins();
}

namespace {
// The caption or body element of a caption side (0 top, 1 bottom, 2 left, 3 right).
TdxSkinElement* GroupBoxElement(TdxSkinLookAndFeelPainterInfo* info, bool caption, int captionSide) {
    if (!info || captionSide < 0 || captionSide > 3) return nullptr;
    TdxSkinElement* const captions[] = {info->GroupPanelCaptionTop, info->GroupPanelCaptionBottom,
                                        info->GroupPanelCaptionLeft, info->GroupPanelCaptionRight};
    TdxSkinElement* const bodies[] = {info->GroupPanelTop, info->GroupPanelBottom, info->GroupPanelLeft,
                                      info->GroupPanelRight};
    return caption ? captions[captionSide] : bodies[captionSide];
}
} // namespace

TRect TdxSkinLookAndFeelPainter::GetGroupBoxBorders(bool caption, int captionSide) const {
    TdxSkinElement* element = GroupBoxElement(GetSkinInfo(), caption, captionSide);
    return element ? OffsetOf(element)
                   : TcxOffice11LookAndFeelPainter::GetGroupBoxBorders(caption, captionSide);
}

bool TdxSkinLookAndFeelPainter::IsGroupBoxSeeThrough(bool caption, int captionSide) const {
    TdxSkinElement* element = GroupBoxElement(GetSkinInfo(), caption, captionSide);
    return element ? element->HasAlpha()
                   : TcxOffice11LookAndFeelPainter::IsGroupBoxSeeThrough(caption, captionSide);
}

bool TdxSkinLookAndFeelPainter::PaintsHeaderCellsFirst() const {
    return false;
}

bool TdxSkinLookAndFeelPainter::PaintsFooterCellsFirst() const {
    return false;
}

bool TdxSkinLookAndFeelPainter::PaintsIndicatorCellsFirst() const {
    return true;
}

// ---------------------------------------------------------------------------------------------
void TdxSkinLookAndFeelPainter::PaintControlBorder(TcxCanvas* canvas, const TRect& r) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->ContainerBorderColor)
        canvas->DrawRectFrame(r, info->ContainerBorderColor->Value());
    else
        TcxOffice11LookAndFeelPainter::PaintControlBorder(canvas, r);
}

void TdxSkinLookAndFeelPainter::PaintButtonGroupFrame(TcxCanvas*, const TRect&, bool, bool) const {}

void TdxSkinLookAndFeelPainter::PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                  TColor color) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->PlusMinus)
        Draw(canvas, info->PlusMinus, r, expanded ? 1 : 0);
    else
        TcxOffice11LookAndFeelPainter::PaintExpandButton(canvas, r, expanded, color);
}

void TdxSkinLookAndFeelPainter::PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                       TColor borderColor, TColor color) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->PlusMinus)
        Draw(canvas, info->PlusMinus, r, expanded ? 1 : 0);
    else
        TcxOffice11LookAndFeelPainter::PaintSmallExpandButton(canvas, r, expanded, borderColor, color);
}

void TdxSkinLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                   TcxScrollBarPart part, TcxButtonPaintState state) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinScrollInfo* entry = info ? info->ScrollBarParts[horizontal ? 1 : 0][part] : nullptr;
    if (!entry || !entry->Draw(canvas->GetDCHandle(), r, entry->ImageIndex, ButtonStateToSkinState(state)))
        TcxOffice11LookAndFeelPainter::PaintScrollBarPart(canvas, horizontal, r, part, state);
}

void TdxSkinLookAndFeelPainter::PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->SizeGrip) return TcxOffice11LookAndFeelPainter::PaintSizeGrip(canvas, r, fillColor);
    canvas->FillRectColor(r, fillColor);
    Draw(canvas, info->SizeGrip, r);
}

void TdxSkinLookAndFeelPainter::PaintRadioButton(TcxCanvas* canvas, int x, int y, TcxButtonPaintState state,
                                                 bool checked, bool flagB, TColor brushColor,
                                                 bool flagA) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->RadioButton)
        return TcxOffice11LookAndFeelPainter::PaintRadioButton(canvas, x, y, state, checked, flagB,
                                                               brushColor, flagA);
    TSize size = FrameSizeOf(info->RadioButton);
    TRect r{x, y, x + size.cx, y + size.cy};
    if (brushColor != clDefault) canvas->FillRectColor(r, brushColor);
    Draw(canvas, info->RadioButton, r, checked ? 1 : 0, ButtonStateToSkinState(state));
}

void TdxSkinLookAndFeelPainter::PaintCheckBox(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                              TcxCheckBoxState checkState) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->Checkbox)
        Draw(canvas, info->Checkbox, r, static_cast<int>(checkState), ButtonStateToSkinState(state));
    else
        TcxOffice11LookAndFeelPainter::PaintCheckBox(canvas, r, state, checkState);
}

void TdxSkinLookAndFeelPainter::PaintNavigatorGlyph(TcxCanvas* canvas, TCustomImageList* imageList,
                                                    int imageIndex, int buttonIndex, const TRect& glyphRect,
                                                    bool enabled, bool userGlyphs) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->Navigator || !info->NavigatorVert || userGlyphs)
        return TcxOffice11LookAndFeelPainter::PaintNavigatorGlyph(canvas, imageList, imageIndex, buttonIndex,
                                                                  glyphRect, enabled, userGlyphs);
    int count = info->Navigator->ImageCount();
    if (imageIndex < count)
        Draw(canvas, info->Navigator, glyphRect, imageIndex);
    else
        Draw(canvas, info->NavigatorVert, glyphRect, imageIndex - count);
}

void TdxSkinLookAndFeelPainter::PaintProgressFrame(TcxCanvas* canvas, const TRect& r, bool vertical) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (vertical ? info->ProgressBorderVert : info->ProgressBorder) : nullptr;
    if (element)
        Draw(canvas, element, r);
    else
        TcxOffice11LookAndFeelPainter::PaintProgressFrame(canvas, r, vertical);
}

void TdxSkinLookAndFeelPainter::PaintProgressChunk(TcxCanvas* canvas, const TRect& r, bool vertical) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (vertical ? info->ProgressChunkVert : info->ProgressChunk) : nullptr;
    if (element)
        Draw(canvas, element, r);
    else
        TcxOffice11LookAndFeelPainter::PaintProgressChunk(canvas, r, vertical);
}

void TdxSkinLookAndFeelPainter::PaintGroupByBox(TcxCanvas* canvas, const TRect& r, bool transparent,
                                                TColor fillColor, TBitmap* tileBitmap) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->GridGroupPanel)
        Draw(canvas, info->GridGroupPanel, r);
    else
        TcxOffice11LookAndFeelPainter::PaintGroupByBox(canvas, r, transparent, fillColor, tileBitmap);
}

void TdxSkinLookAndFeelPainter::PaintFilterCloseButton(TcxCanvas* canvas, const TRect& r,
                                                       TcxButtonPaintState state) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->CloseButton)
        Draw(canvas, info->CloseButton, r, 0, ButtonStateToSkinState(state));
    else
        TcxOffice11LookAndFeelPainter::PaintFilterCloseButton(canvas, r, state);
}

void TdxSkinLookAndFeelPainter::PaintFilterDropButton(TcxCanvas* canvas, const TRect& r,
                                                      TcxButtonPaintState state, bool filtered) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (filtered ? info->FilterButtonActive : info->FilterButton) : nullptr;
    if (element)
        Draw(canvas, element, r, 0, ButtonStateToSkinState(state));
    else
        TcxOffice11LookAndFeelPainter::PaintFilterDropButton(canvas, r, state, filtered);
}

void TdxSkinLookAndFeelPainter::PaintFilterPanel(TcxCanvas* canvas, const TRect& r, bool transparent,
                                                 TColor fillColor, TBitmap* tileBitmap) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->GridFilterPanel)
        Draw(canvas, info->GridFilterPanel, r);
    else
        TcxOffice11LookAndFeelPainter::PaintFilterPanel(canvas, r, transparent, fillColor, tileBitmap);
}

void TdxSkinLookAndFeelPainter::PaintTrackBarTrack(TcxCanvas* canvas, const TRect& r, const TRect& selRect,
                                                   bool selected, bool enabled, bool horizontal) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (horizontal ? info->TrackBarTrack : info->TrackBarTrackVert) : nullptr;
    if (!element)
        return TcxOffice11LookAndFeelPainter::PaintTrackBarTrack(canvas, r, selRect, selected, enabled,
                                                                 horizontal);
    Draw(canvas, element, r, enabled ? 0 : 2);
    if (selected) Draw(canvas, element, selRect, enabled ? 1 : 3);
}

void TdxSkinLookAndFeelPainter::PaintTrackBarThumb(TcxCanvas* canvas, const TRect& r,
                                                   TcxButtonPaintState state, bool horizontal,
                                                   int tickSide) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = nullptr;
    if (info && tickSide >= 0 && tickSide <= 2) {
        TdxSkinElement* const vertical[] = {info->TrackBarThumbVertUp, info->TrackBarThumbVert,
                                            info->TrackBarThumbVertBoth};
        TdxSkinElement* const horizontals[] = {info->TrackBarThumbUp, info->TrackBarThumb,
                                               info->TrackBarThumbBoth};
        element = horizontal ? horizontals[tickSide] : vertical[tickSide];
    }
    if (element)
        Draw(canvas, element, r, 0, ButtonStateToSkinState(state));
    else
        TcxOffice11LookAndFeelPainter::PaintTrackBarThumb(canvas, r, state, horizontal, tickSide);
}

void TdxSkinLookAndFeelPainter::PaintSplitter(TcxCanvas* canvas, const TRect& r, bool hot, bool pressed,
                                              bool horizontal) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = info ? (horizontal ? info->CommonSplitterHorz : info->CommonSplitter) : nullptr;
    if (element)
        Draw(canvas, element, r, 0, hot ? esHot : esNormal);
    else
        TcxOffice11LookAndFeelPainter::PaintSplitter(canvas, r, hot, pressed, horizontal);
}

void TdxSkinLookAndFeelPainter::PaintIndicatorCustomizeMark(TcxCanvas* canvas, const TRect& r,
                                                            TColor color) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->IndicatorImages)
        Draw(canvas, info->IndicatorImages, CentredIn(r, FrameSizeOf(info->IndicatorImages)), 2);
    else
        TcxOffice11LookAndFeelPainter::PaintIndicatorCustomizeMark(canvas, r, color);
}

void TdxSkinLookAndFeelPainter::PaintIndicatorGlyph(TcxCanvas* canvas, const TRect& r, int kind) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->IndicatorImages)
        return TcxOffice11LookAndFeelPainter::PaintIndicatorGlyph(canvas, r, kind);
    if (kind == 0) return;
    Draw(canvas, info->IndicatorImages, CentredIn(r, FrameSizeOf(info->IndicatorImages)), kind - 1);
}

void TdxSkinLookAndFeelPainter::PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                                              TcxButtonPaintState state) const {
    PaintEditButtonBackground(canvas, r, ButtonStateToSkinState(state), false);
}

void TdxSkinLookAndFeelPainter::PaintGroupBoxBackground(TcxCanvas* canvas, const TRect& bounds,
                                                        const TRect& r) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->GroupPanelNoBorder)
        Draw(canvas, info->GroupPanelNoBorder, bounds);
    else
        TcxOffice11LookAndFeelPainter::PaintGroupBoxBackground(canvas, bounds, r);
}

void TdxSkinLookAndFeelPainter::PaintGroupBoxCaption(TcxCanvas* canvas, const TRect& r,
                                                     int captionSide) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* element = nullptr;
    if (info && captionSide >= 0 && captionSide <= 3) {
        TdxSkinElement* const captions[] = {info->GroupPanelCaptionTop, info->GroupPanelCaptionBottom,
                                            info->GroupPanelCaptionLeft, info->GroupPanelCaptionRight};
        element = captions[captionSide];
    }
    if (element)
        Draw(canvas, element, r);
    else
        TcxOffice11LookAndFeelPainter::PaintGroupBoxCaption(canvas, r, captionSide);
}

namespace {
// Puts the canvas's clip region back when it goes, also on failure.
class TClipSaver {
public:
    explicit TClipSaver(TcxCanvas* canvas) : canvas_(canvas), saved_(canvas->CopyClipRegion()) {}
    ~TClipSaver() { canvas_->ApplyClipRegion(std::move(saved_)); }
    TClipSaver(const TClipSaver&) = delete;
    TClipSaver& operator=(const TClipSaver&) = delete;

private:
    TcxCanvas* canvas_;
    std::unique_ptr<TcxRegion> saved_;
};

TRect Shrunk(const TRect& r, const TRect& by) {
    return TRect{r.left + by.left, r.top + by.top, r.right - by.right, r.bottom - by.bottom};
}

// Draws the text with the given flags in a clear brush; the brush is solid again afterwards.
void DrawClearText(TcxCanvas* canvas, const AnsiString& text, const TRect& r, int flags, bool enabled) {
    canvas->Brush().SetStyle(bsClear);
    try {
        canvas->DrawTextWithFlags(text, r, flags, enabled);
    } catch (...) {
        canvas->Brush().SetStyle(bsSolid);
        throw;
    }
    canvas->Brush().SetStyle(bsSolid);
}
} // namespace

void TdxSkinLookAndFeelPainter::PaintGroupBoxBody(TcxCanvas* canvas, const TRect& r, int captionSide) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* body = nullptr;
    if (info && captionSide >= 0 && captionSide <= 3) {
        TdxSkinElement* const bodies[] = {info->GroupPanelTop, info->GroupPanelBottom, info->GroupPanelLeft,
                                          info->GroupPanelRight};
        body = bodies[captionSide];
    }
    if (!body || !info->GroupPanelNoBorder)
        return TcxOffice11LookAndFeelPainter::PaintGroupBoxBody(canvas, r, captionSide);
    TRect offset = OffsetOf(body);
    TdxSkinBorders& borders = body->Borders();
    TRect inner{r.left + offset.left + borders.Left().Thin(), r.top + offset.top + borders.Top().Thin(),
                r.right - offset.right - borders.Right().Thin(),
                r.bottom - offset.bottom - borders.Bottom().Thin()};
    Draw(canvas, info->GroupPanelNoBorder, inner);
    TClipSaver clip(canvas);
    canvas->ExcludeFromClip(inner);
    Draw(canvas, body, r);
}

void TdxSkinLookAndFeelPainter::PaintPanelFrame(TcxCanvas* canvas, const TRect& r) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->GroupPanel) return TcxOffice11LookAndFeelPainter::PaintPanelFrame(canvas, r);
    TClipSaver clip(canvas);
    canvas->ExcludeFromClip(Shrunk(r, OffsetOf(info->GroupPanel)));
    Draw(canvas, info->GroupPanel, r);
}

void TdxSkinLookAndFeelPainter::PaintGroupedButton(TcxCanvas* canvas, const TRect& r,
                                                   TcxButtonPaintState state, int, int, TColor) const {
    PaintEditButton(canvas, r, static_cast<TcxEditBtnKind>(2), state);
}

void TdxSkinLookAndFeelPainter::PaintHeaderSeparator(TcxCanvas* canvas, const TRect& r, int indent,
                                                     TColor color, const TcxPaintParams& params) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->HeaderBackgroundColor)
        canvas->FillRectColor(TRect{r.left + indent, r.top, r.right - indent, r.bottom},
                              info->HeaderBackgroundColor->Value());
    else
        TcxOffice11LookAndFeelPainter::PaintHeaderSeparator(canvas, r, indent, color, params);
}

void TdxSkinLookAndFeelPainter::PaintEventProgress(TcxCanvas* canvas, const TRect& r,
                                                   const TRect& progressRect, const TcxPaintParams& params,
                                                   bool framed) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->ProgressBorder || !info->ProgressChunk)
        return TcxOffice11LookAndFeelPainter::PaintEventProgress(canvas, r, progressRect, params, framed);
    Draw(canvas, info->ProgressBorder, r);
    Draw(canvas, info->ProgressChunk, progressRect);
}

void TdxSkinLookAndFeelPainter::PaintButton(TcxCanvas* canvas, const TRect& r, const AnsiString& caption,
                                            TcxButtonPaintState state, bool drawBorder, TColor color,
                                            TColor textColor, bool wordWrap) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->CommonButton)
        return TcxOffice11LookAndFeelPainter::PaintButton(canvas, r, caption, state, drawBorder, color,
                                                          textColor, wordWrap);
    Draw(canvas, info->CommonButton, r, 0, ButtonStateToSkinState(state));
    TRect text = Shrunk(r, OffsetOf(info->CommonButton));
    if (textColor == clDefault) textColor = GetButtonGlyphColor(state, clDefault);
    canvas->Font().SetColor(textColor);
    // An even height centres the text as the frame does; short buttons take one more row on top.
    if ((text.bottom - text.top) % 2 != 0) --text.bottom;
    if (text.bottom - text.top < 18) --text.top;
    if (state == bpsPressed) {
        int shift = GetButtonPressShift();
        text = TRect{text.left + shift, text.top + shift, text.right + shift, text.bottom + shift};
    }
    if (!caption.empty())
        DrawClearText(canvas, caption, text,
                      tfShowPrefix | tfAlignVCenter | tfAlignHCenter |
                          (wordWrap ? tfWordBreak : tfSingleLine),
                      state != bpsDisabled);
}

void TdxSkinLookAndFeelPainter::PaintEditButton(TcxCanvas* canvas, const TRect& r, TcxEditBtnKind buttonKind,
                                                TcxButtonPaintState state) const {
    const int kind = static_cast<int>(buttonKind);
    if (!PaintEditButtonBackground(canvas, r, ButtonStateToSkinState(state), kind == 0))
        return TcxOffice11LookAndFeelPainter::PaintEditButton(canvas, r, buttonKind, state);
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TRect content = info->EditorButton ? Shrunk(r, OffsetOf(info->EditorButton)) : r;
    if (kind == 3) {
        const int a = content.right - content.left < 12 ? 1 : 2;
        TRect dots = CentredIn(content, TSize{a * 3 + 4, a});
        TColor color = info->EditorButton ? info->EditorButton->TextColor() : clDefault;
        for (int i = 0; i < 3; ++i) {
            int left = dots.left + i * (a + 2);
            canvas->FillRectColor(TRect{left, dots.top, left + a, dots.top + a}, color);
        }
    } else if (kind >= 1 && kind <= 7 && info->EditButtonGlyphs[kind]) {
        info->EditButtonGlyphs[kind]->Glyph().Draw(canvas->GetDCHandle(), content, 0, esNormal);
    }
}

void TdxSkinLookAndFeelPainter::PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                                            TcxNeighbors adjacent, TcxBorders sides,
                                            TcxButtonPaintState state, TAlignment horzAlign,
                                            TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                            const AnsiString& text, TFont* font, TColor textColor,
                                            TColor fillColor, const TcxDrawBackgroundEvent& onDrawBackground,
                                            bool isLast, bool isGroup) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->Header)
        return TcxOffice11LookAndFeelPainter::PaintHeader(
            canvas, bounds, textRect, adjacent, sides, state, horzAlign, vertAlign, textWrap, ellipsis, text,
            font, textColor, fillColor, onDrawBackground, isLast, isGroup);
    // Neighbouring headers share the edges that this one does not draw.
    TRect frame = bounds;
    if (!sides.Contains(bLeft)) --frame.left;
    if (!sides.Contains(bTop)) --frame.top;
    if (!sides.Contains(bRight)) ++frame.right;
    if (!sides.Contains(bBottom)) ++frame.bottom;
    {
        TClipSaver clip(canvas);
        canvas->IntersectClip(bounds);
        Draw(canvas, info->Header, frame, 0, ButtonStateToSkinState(state));
    }
    PaintCellContent(canvas, CalcHeaderInnerRect(bounds, sides), textRect, state, horzAlign, vertAlign,
                     textWrap, ellipsis, text, font, textColor, fillColor, onDrawBackground);
}

void TdxSkinLookAndFeelPainter::PaintCellContent(TcxCanvas* canvas, const TRect&, const TRect& textRect,
                                                 TcxButtonPaintState, TAlignment horzAlign,
                                                 TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                                 const AnsiString& text, TFont* font, TColor textColor,
                                                 TColor, const TcxDrawBackgroundEvent&, bool) const {
    if (text.empty()) return;
    if (font) canvas->AssignFont(*font);
    canvas->Font().SetColor(textColor);
    int flags = horzAlign == taRightJustify ? tfAlignRight
                : horzAlign == taCenter     ? tfAlignHCenter
                                            : tfAlignLeft;
    flags |= vertAlign == vaBottom ? tfAlignBottom : vertAlign == vaCenter ? tfAlignVCenter : tfAlignTop;
    flags |= textWrap ? tfWordBreak : tfSingleLine;
    if (ellipsis) flags |= tfShowEndEllipsis;
    DrawClearText(canvas, text, textRect, flags, true);
}

void TdxSkinLookAndFeelPainter::PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->FooterPanel) return TcxOffice11LookAndFeelPainter::PaintFooterFrame(canvas, r);
    TRect offset = OffsetOf(info->FooterPanel);
    TClipSaver clip(canvas);
    canvas->ExcludeFromClip(TRect{r.left, r.top, r.right - offset.right, r.bottom - offset.bottom});
    canvas->ExcludeFromClip(TRect{r.left, r.top - 1, r.right, r.top});
    Draw(canvas, info->FooterPanel, TRect{r.left - offset.left, r.top - 1, r.right, r.bottom});
}

void TdxSkinLookAndFeelPainter::PaintClock(TcxCanvas* canvas, const TRect& r, TDateTime time,
                                           TColor fillColor) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->ClockFace || !info->ClockGlass)
        return TcxOffice11LookAndFeelPainter::PaintClock(canvas, r, time, fillColor);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    // Face, hands and glass are composed off-screen and copied at once.
    TBitmap bitmap(width, height, pf32bit);
    TcxCanvas buffer(&bitmap.Canvas());
    const TRect all{0, 0, width, height};
    buffer.FillRectColor(all, fillColor);
    info->ClockFace->Render(buffer.GetDCHandle(), all, 0, esNormal);

    int hour = 0, minute = 0, second = 0, msec = 0;
    DecodeTime(time, hour, minute, second, msec);
    const double pi = 3.14159265358979323846;
    const double cx = width / 2.0, cy = height / 2.0, rx = width / 2 - 2, ry = height / 2 - 2;
    auto pointAt = [&](double angle, double length) {
        return TPoint{static_cast<int>(std::lround(cx + rx * length * std::cos(angle))),
                      static_cast<int>(std::lround(cy + ry * length * std::sin(angle)))};
    };
    auto sideAt = [&](double angle, double halfWidth) {
        return TPoint{static_cast<int>(std::lround(cx + halfWidth * std::cos(angle))),
                      static_cast<int>(std::lround(cy + halfWidth * std::sin(angle)))};
    };
    const TColor color = info->ClockFace->TextColor();
    buffer.Brush().SetStyle(bsSolid);
    buffer.SetBrushColor(color);
    buffer.Pen().SetColor(color);
    auto hand = [&](double angle, double width, double behind, double ahead) {
        std::array<TPoint, 4> points{pointAt(angle, ahead), sideAt(angle + pi / 2, width / 2),
                                     pointAt(angle + pi, behind), sideAt(angle + 3 * pi / 2, width / 2)};
        buffer.DrawPolygon(points);
    };
    hand(((hour % 12) * 3600 + minute * 60 + second - 10800) * 2 * pi / 43200, 9, 0.15, 0.75);
    hand((minute * 60 + second - 900) * 2 * pi / 3600, 7, 0.2, 0.85);
    const TPoint tip = pointAt((second - 15) * 2 * pi / 60, 0.9);
    buffer.MoveTo(static_cast<int>(std::lround(cx)), static_cast<int>(std::lround(cy)));
    buffer.LineTo(tip.x, tip.y);

    info->ClockGlass->Render(buffer.GetDCHandle(), all, 0, esNormal);
    BitBlt(canvas->GetDCHandle(), r.left, r.top, width, height, buffer.GetDCHandle(), 0, 0, SRCCOPY);
}

void TdxSkinLookAndFeelPainter::PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r,
                                                            const TRect& arrowRect, bool next,
                                                            TcxButtonPaintState state) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* button =
        info ? (next ? info->SchedulerNavButtonNext : info->SchedulerNavButtonPrev) : nullptr;
    if (!button)
        return TcxOffice11LookAndFeelPainter::PaintSchedulerNavButtonFace(canvas, r, arrowRect, next, state);
    // One pixel further out on the open side, so the button's own edge there falls outside.
    TRect face = r;
    if (next)
        ++face.right;
    else
        --face.left;
    {
        TClipSaver clip(canvas);
        canvas->IntersectClip(r);
        Draw(canvas, button, face, 0, ButtonStateToSkinState(state));
    }
    TdxSkinElement* arrow = next ? info->SchedulerNavButtonNextArrow : info->SchedulerNavButtonPrevArrow;
    if (arrow) Draw(canvas, arrow, arrowRect, 0, ButtonStateToSkinState(state));
}

// A clDefault even or odd colour counts as missing.
TColor TdxSkinLookAndFeelPainter::GetContentEvenColor() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TColor color = info ? ColorOf(info->ContentEvenColor) : clDefault;
    return color != clDefault ? color : TcxOffice11LookAndFeelPainter::GetContentEvenColor();
}

TColor TdxSkinLookAndFeelPainter::GetContentOddColor() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TColor color = info ? ColorOf(info->ContentOddColor) : clDefault;
    return color != clDefault ? color : TcxOffice11LookAndFeelPainter::GetContentOddColor();
}

TColor TdxSkinLookAndFeelPainter::GetEditorBackColor(bool disabled) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinColor* color =
        info ? (disabled ? info->EditorsBackgroundDisabledColor : info->EditorsBackgroundColor) : nullptr;
    return color ? color->Value() : TcxOffice11LookAndFeelPainter::GetEditorBackColor(disabled);
}

TColor TdxSkinLookAndFeelPainter::GetEditorTextColor(bool disabled) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinColor* color =
        info ? (disabled ? info->EditorsTextDisabledColor : info->EditorsTextColor) : nullptr;
    return color ? color->Value() : TcxOffice11LookAndFeelPainter::GetEditorTextColor(disabled);
}

void TdxSkinLookAndFeelPainter::PaintWindowBackground(TcxCanvas* canvas, const TRect& r) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->FormContent)
        canvas->FillRectColor(r, info->FormContent->Color());
    else
        TcxOffice11LookAndFeelPainter::PaintWindowBackground(canvas, r);
}

TColor TdxSkinLookAndFeelPainter::GetGroupBoxTextColor(int captionSide) const {
    TdxSkinElement* caption = GroupBoxElement(GetSkinInfo(), true, captionSide);
    return caption ? caption->TextColor() : TcxOffice11LookAndFeelPainter::GetGroupBoxTextColor(captionSide);
}

TRect TdxSkinLookAndFeelPainter::CalcButtonGroupBorders(int count, int index) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->EditorButton)
        return TcxOffice11LookAndFeelPainter::CalcButtonGroupBorders(count, index);
    // The button's frame around a navigator glyph, split evenly on both sides.
    const TSize frame = FrameSizeOf(info->EditorButton), glyph = GetNavigatorGlyphSize();
    const int dx = (frame.cx - glyph.cx) / 2, dy = (frame.cy - glyph.cy) / 2;
    return TRect{dx, dy, dx, dy};
}

void TdxSkinLookAndFeelPainter::GetNavButtonMetrics(bool next, TRect& sides, TSize& arrowSize) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* button =
        info ? (next ? info->SchedulerNavButtonNext : info->SchedulerNavButtonPrev) : nullptr;
    TdxSkinElement* arrow =
        info ? (next ? info->SchedulerNavButtonNextArrow : info->SchedulerNavButtonPrevArrow) : nullptr;
    if (!button || !arrow) return TcxOffice11LookAndFeelPainter::GetNavButtonMetrics(next, sides, arrowSize);
    sides = OffsetOf(button);
    arrowSize = FrameSizeOf(arrow);
}

void TdxSkinLookAndFeelPainter::CalcNavButtonRects(bool next, bool collapsed, TSize prevTextSize,
                                                   TSize nextTextSize, TRect& bounds, TRect& textRect,
                                                   TRect& arrowRect) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinElement* button =
        info ? (next ? info->SchedulerNavButtonNext : info->SchedulerNavButtonPrev) : nullptr;
    const int minWidth = button ? button->MinSize().Width() : 0;
    // A narrow button grows away from the edge it stands on.
    if (minWidth > 0 && bounds.right - bounds.left < minWidth) {
        if (next)
            bounds.left = bounds.right - minWidth;
        else
            bounds.right = bounds.left + minWidth;
    }
    TcxOffice11LookAndFeelPainter::CalcNavButtonRects(next, collapsed, prevTextSize, nextTextSize, bounds,
                                                      textRect, arrowRect);
}

void TdxSkinLookAndFeelPainter::PaintHeaderSimple(TcxCanvas* canvas, const TRect& bounds,
                                                  const TRect& textRect, TcxNeighbors adjacent,
                                                  TcxBorders sides, TcxButtonPaintState state,
                                                  TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                  bool textWrap, bool ellipsis, const AnsiString& text,
                                                  TFont* font, TColor textColor, TColor fillColor,
                                                  const TcxDrawBackgroundEvent& onDrawBackground) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->Header)
        return TcxOffice11LookAndFeelPainter::PaintHeaderSimple(
            canvas, bounds, textRect, adjacent, sides, state, horzAlign, vertAlign, textWrap, ellipsis, text,
            font, textColor, fillColor, onDrawBackground);
    PaintHeader(canvas, bounds, textRect, adjacent, sides, state, horzAlign, vertAlign, textWrap, ellipsis,
                text, font, textColor, fillColor, onDrawBackground, false, false);
}

void TdxSkinLookAndFeelPainter::PaintFooterCell(TcxCanvas* canvas, const TRect& bounds, TAlignment horzAlign,
                                                TcxAlignmentVert vertAlign, bool textWrap,
                                                const AnsiString& text, TFont* font, TColor textColor,
                                                TColor fillColor,
                                                const TcxDrawBackgroundEvent& onDrawBackground) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->FooterCell)
        return TcxOffice11LookAndFeelPainter::PaintFooterCell(canvas, bounds, horzAlign, vertAlign, textWrap,
                                                              text, font, textColor, fillColor,
                                                              onDrawBackground);
    Draw(canvas, info->FooterCell, bounds);
    PaintCellContent(canvas, CalcFooterCellInnerRect(bounds), CalcFooterCellTextRect(bounds), bpsNormal,
                     horzAlign, vertAlign, textWrap, false, text, font, textColor, fillColor,
                     onDrawBackground, true);
    // The footer panel drawn afterwards must not cover the cell.
    canvas->ExcludeFromClip(bounds);
}

void TdxSkinLookAndFeelPainter::PaintFooterBackground(TcxCanvas* canvas, const TRect& r,
                                                      const TcxPaintParams& params) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->FooterPanel || params.Bitmap)
        return TcxOffice11LookAndFeelPainter::PaintFooterBackground(canvas, r, params);
    // The panel's own borders fall outside R; its top edge one pixel above it.
    const TRect offset = OffsetOf(info->FooterPanel);
    Draw(canvas, info->FooterPanel,
         TRect{r.left - offset.left, r.top - 1, r.right + offset.right, r.bottom + offset.bottom});
}

void TdxSkinLookAndFeelPainter::PaintPanelBody(TcxCanvas* canvas, const TRect& r, bool withBorder) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->GroupPanelNoBorder)
        return TcxOffice11LookAndFeelPainter::PaintPanelBody(canvas, r, withBorder);
    Draw(canvas, info->GroupPanelNoBorder, r);
    if (withBorder) PaintPanelFrame(canvas, r);
}

void TdxSkinLookAndFeelPainter::PaintIndicatorCell(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                                                   const TcxDrawBackgroundEvent& onDrawBackground,
                                                   bool isLast) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info || !info->Header)
        return TcxOffice11LookAndFeelPainter::PaintIndicatorCell(canvas, r, kind, color, onDrawBackground,
                                                                 isLast);
    // Indicator cells stand in a column: the cell above draws the shared edge.
    const TcxNeighbors neighbours{bTop, bBottom};
    const TRect cell{r.left, r.top - GetHeaderBorderWidth(), r.right, r.bottom};
    PaintHeader(canvas, cell, cell, neighbours, GetHeaderBorders(neighbours), bpsNormal, taLeftJustify, vaTop,
                false, false, "", nullptr, clDefault, color, onDrawBackground);
    PaintIndicatorGlyph(canvas, r, kind);
}

void TdxSkinLookAndFeelPainter::PaintIndicatorCellPlain(
    TcxCanvas* canvas, const TRect& r, int kind, TColor color,
    const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintIndicatorCell(canvas, r, kind, color, onDrawBackground);
}

void TdxSkinLookAndFeelPainter::PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds,
                                                 const AnsiString& text, TcxNeighbors neighbors,
                                                 const TcxPaintParams& params, int arrows, int arrowInset,
                                                 const TcxDrawBackgroundEvent& onDrawBackground) const {
    PaintHeader(canvas, bounds, bounds, neighbors, GetHeaderBorders(neighbors), bpsNormal, taCenter, vaCenter,
                false, false, text, params.Font, params.TextColor, params.Color, onDrawBackground);
    PaintMonthHeaderArrows(canvas, bounds, arrows, arrowInset, clWindowText);
}
