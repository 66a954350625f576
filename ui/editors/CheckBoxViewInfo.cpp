#include "ui/editors/CheckBoxViewInfo.h"

#include <algorithm>

#include "platform/core/Strings.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/editors/CheckBoxEdit.h"
#include "ui/core/Geometry.h"
#include "ui/editors/framework/EditPaintUtils.h"

namespace {
TRect DeflatedRect(const TRect& r, int d) {
    return GrowRect(r, -d, -d);
}
} // namespace

int CheckBoxGlyphIndex(int glyphCount, TcxCheckBoxState state, bool pressed) {
    if (glyphCount <= 0) return 0;
    const int setSize = (glyphCount % 3 == 0 || glyphCount % 2 == 1) ? 3 : 2;
    int index = static_cast<int>(state) + (pressed ? setSize : 0);
    if (index >= glyphCount) index %= setSize;
    // A strip shorter than one set has no image for the state: its first image stands in.
    if (index >= glyphCount) index = 0;
    return index;
}

int CheckBoxThemeState(TcxCheckBoxState state, TcxCheckBoxButtonState buttonState) {
    return 1 + 4 * static_cast<int>(state) + static_cast<int>(buttonState);
}

TcxEditBorderStyle CheckBoxHotFrameStyle(TcxEditBorderStyle style) {
    switch (style) {
    case ebsNone:
        return ebsFlat;
    case ebsSingle:
        return ebsThick;
    case ebsFlat:
        return ebs3D;
    default:
        return style;
    }
}

// --- view info -----------------------------------------------------------------------------------
TcxCheckBoxState TcxCustomCheckBoxViewInfo::ShownState() const {
    return State == cbsGrayed && NullStyle == nssUnchecked ? cbsUnchecked : State;
}

void TcxCustomCheckBoxViewInfo::DrawOn(TcxCanvas& canvas) {
    if (!IsTransparent()) {
        bool handled = false;
        if (OnDrawBackgroundHandler) OnDrawBackgroundHandler(this, canvas, handled);
        if (!handled) canvas.FillRectColor(OuterRect, FillColor);
    }
    PaintBox(canvas);
    PaintText(canvas);
    if (!IsRectEmpty(&FocusRect)) canvas.DrawFocusFrame(FocusRect);
    if (OnPaintHandler) OnPaintHandler(this, canvas);
}

void TcxCustomCheckBoxViewInfo::PaintText(TcxCanvas& canvas) {
    if (Text.empty() || IsRectEmpty(&TextRect)) return;
    canvas.Font().Assign(Font());
    canvas.Font().SetColor(TextColor);
    canvas.Brush().SetStyle(bsClear);
    canvas.DrawTextWithFlags(Text, TextRect, TextFlags, EnabledFlag);
    canvas.Brush().SetStyle(bsSolid);
}

void TcxCustomCheckBoxViewInfo::PaintBox(TcxCanvas& canvas) {
    if (IsRectEmpty(&BoxRect)) return;
    if (UsesGlyph && Glyph) {
        DrawGlyphBox(canvas);
    } else if (SkinPainter) {
        static const TcxButtonPaintState paintStates[4] = {bpsNormal, bpsHot, bpsPressed, bpsDisabled};
        SkinPainter->PaintCheckBox(&canvas, BoxRect, paintStates[BoxState], ShownState());
    } else if (HTHEME theme = NativeBox ? OpenCachedTheme(totButton) : nullptr) {
        DrawThemedBox(canvas, theme);
    } else {
        DrawOwnBox(canvas);
    }
}

void TcxCustomCheckBoxViewInfo::DrawGlyphBox(TcxCanvas& canvas) {
    const int cellWidth = Glyph->Width() / std::max(1, GlyphCount);
    const int cellHeight = Glyph->Height();
    if (cellWidth <= 0 || cellHeight <= 0) return;
    const int index = CheckBoxGlyphIndex(GlyphCount, ShownState(), BoxState == cbbsPressed);
    TBitmap cell(cellWidth, cellHeight);
    BitBlt(cell.Canvas().Handle(), 0, 0, cellWidth, cellHeight, Glyph->Canvas().Handle(), index * cellWidth,
           0, SRCCOPY);
    // The strip's transparent colour is its bottom-left pixel.
    cell.SetTransparentColor(static_cast<TColor>(GetPixel(Glyph->Canvas().Handle(), 0, cellHeight - 1)));
    cell.SetTransparent(true);
    const int y = BoxRect.top + (GetRectHeight(BoxRect) - cellHeight) / 2;
    DrawEditGlyph(canvas, BoxRect.left, y, &cell, clEditGlyphNoBackground, BoxState != cbbsDisabled);
}

void TcxCustomCheckBoxViewInfo::DrawThemedBox(TcxCanvas& canvas, HTHEME theme) {
    const RECT r = BoxRect;
    dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), cxCheckBoxThemePart,
                                   CheckBoxThemeState(ShownState(), BoxState), &r, nullptr);
}

void TcxCustomCheckBoxViewInfo::DrawOwnBox(TcxCanvas& canvas) {
    const TcxCheckBoxState state = ShownState();
    const bool hot = BoxState == cbbsHot;
    const bool pressed = BoxState == cbbsPressed;
    const bool disabled = BoxState == cbbsDisabled;
    const TcxEditBorderStyle frame = hot ? CheckBoxHotFrameStyle(BoxFrameStyle) : BoxFrameStyle;
    TRect r = BoxRect;
    switch (frame) {
    case ebsSingle:
        canvas.DrawRectFrame(r, FrameColor, 1);
        break;
    case ebsThick:
        canvas.DrawRectFrame(r, FrameColor, 2);
        break;
    case ebsFlat:
        canvas.Draw3DEdge(r, true, true);
        canvas.DrawRectFrame(DeflatedRect(r, 1), clBtnFace, 1);
        break;
    case ebs3D:
        canvas.Draw3DEdge(r, true, true);
        canvas.DrawTwoColorFrame(DeflatedRect(r, 1), cl3DDkShadow, cl3DLight);
        break;
    case ebsUltraFlat:
    case ebsOffice11: {
        const bool office11 = frame == ebsOffice11;
        TColor color = office11 ? clBtnText : clBtnShadow;
        if (hot || pressed || FocusedFlag) color = GetHotBorderColor(office11);
        canvas.DrawRectFrame(r, color, 1);
        break;
    }
    default:
        break;
    }
    const TRect inside = DeflatedRect(r, MarkOffset);
    if (IsRectEmpty(&inside)) return;
    if (frame == ebsUltraFlat || frame == ebsOffice11) {
        const bool office11 = frame == ebsOffice11;
        TColor fill = clWindow;
        if (hot || pressed)
            fill = GetFlatButtonColor(pressed, office11);
        else if (disabled || (state == cbsGrayed && NullStyle == nssInactive))
            fill = clBtnFace;
        canvas.FillRectColor(inside, fill);
        const bool marked = state == cbsChecked || (state == cbsGrayed && NullStyle == nssGrayedChecked);
        TBitmap* mask = CheckBoxMarkMask();
        if (!marked || !mask || mask->Empty()) return;
        const TColor markColor = disabled || state == cbsGrayed ? clBtnShadow : clBtnText;
        // The mask is a whole system check box; its mark lands inside the box when centred on it.
        const int x = BoxRect.left + (GetRectWidth(BoxRect) - mask->Width()) / 2;
        const int y = BoxRect.top + (GetRectHeight(BoxRect) - mask->Height()) / 2;
        HDC dc = canvas.Handle();
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(markColor)));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
        // Brush where the mask is black, the screen where it is white.
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
        BitBlt(dc, x, y, mask->Width(), mask->Height(), mask->Canvas().Handle(), 0, 0, 0x00E20746);
        RestoreDC(dc, saved);
        SetBkColor(dc, oldBack);
        SetTextColor(dc, oldText);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
        return;
    }
    UINT flags = DFCS_BUTTONCHECK;
    if (frame != ebs3D) flags |= DFCS_FLAT;
    if (state == cbsChecked) flags |= DFCS_CHECKED;
    if (state == cbsGrayed) {
        if (NullStyle == nssInactive) flags |= DFCS_INACTIVE;
        if (NullStyle == nssGrayedChecked) flags |= DFCS_BUTTON3STATE | DFCS_CHECKED;
    }
    if (pressed) flags |= DFCS_PUSHED;
    if (disabled) flags |= DFCS_INACTIVE;
    RECT box = inside;
    DrawFrameControl(canvas.Handle(), &box, DFC_BUTTON, flags);
}

void TcxCustomCheckBoxViewInfo::AssignFromViewInfo(TcxContainerViewInfo* other) {
    TcxCustomTextEditViewInfo::AssignFromViewInfo(other);
    auto* source = dynamic_cast<TcxCustomCheckBoxViewInfo*>(other);
    if (!source) return;
    State = source->State;
    BoxState = source->BoxState;
    BoxRect = source->BoxRect;
    FocusRect = source->FocusRect;
    TextRect = source->TextRect;
    Text = source->Text;
    FocusedFlag = source->FocusedFlag;
    EnabledFlag = source->EnabledFlag;
}

bool TcxCustomCheckBoxViewInfo::RepaintChanges(TWinControl* control, const TRect& innerRect,
                                               TcxContainerViewInfo* old) {
    auto* previous = dynamic_cast<TcxCustomCheckBoxViewInfo*>(old);
    if (!previous || !control || !control->HandleAllocated())
        return TcxCustomTextEditViewInfo::RepaintChanges(control, innerRect, old);
    HWND window = control->Handle();
    if (!EqualRect(&previous->BoxRect, &BoxRect) || !EqualRect(&previous->TextRect, &TextRect) ||
        previous->Text != Text || previous->EnabledFlag != EnabledFlag || previous->FillColor != FillColor) {
        InvalidateRect(window, &OuterRect, FALSE);
        return true;
    }
    bool invalidated = false;
    if (previous->State != State || previous->BoxState != BoxState) {
        InvalidateRect(window, &BoxRect, FALSE);
        invalidated = true;
    }
    if (!EqualRect(&previous->FocusRect, &FocusRect)) {
        TRect both;
        UnionRect(&both, &previous->FocusRect, &FocusRect);
        InvalidateRect(window, &both, FALSE);
        invalidated = true;
    }
    return invalidated;
}

void TcxCustomCheckBoxViewInfo::Offset(int dx, int dy) {
    TcxCustomTextEditViewInfo::Offset(dx, dy);
    OffsetRect(&BoxRect, dx, dy);
    OffsetRect(&FocusRect, dx, dy);
}

// --- view data -----------------------------------------------------------------------------------
TcxCustomCheckBoxProperties* TcxCustomCheckBoxViewData::CheckBoxProperties() const {
    return dynamic_cast<TcxCustomCheckBoxProperties*>(Properties);
}

TSize TcxCustomCheckBoxViewData::GetBoxSize(TcxCanvas& canvas) {
    TcxCustomCheckBoxProperties* properties = CheckBoxProperties();
    if (properties && properties->UsesGlyph())
        return TSize{properties->Glyph()->Width() / properties->GlyphCount(), properties->Glyph()->Height()};
    if (TcxCustomLookAndFeelPainterClass skin = SkinPainter()) return skin->GetCheckBoxSize();
    if (NativeLook) {
        if (HTHEME theme = OpenCachedTheme(totButton)) {
            SIZE size{};
            if (SUCCEEDED(dxUxTheme::GetThemePartSize(theme, canvas.Handle(), cxCheckBoxThemePart, 1, TS_TRUE,
                                                      &size)) &&
                size.cx > 0 && size.cy > 0)
                return TSize{size.cx, size.cy};
        }
    }
    TcxCustomLookAndFeelPainterClass painter = Style ? Style->LookAndFeel().GetEffectivePainter() : nullptr;
    return painter ? painter->GetCheckBoxSize() : TSize{13, 13};
}

void TcxCustomCheckBoxViewData::EditValueToViewInfo(TcxCanvas&, const Variant& value,
                                                    TcxCustomEditViewInfo* viewInfo) {
    auto* vi = dynamic_cast<TcxCustomCheckBoxViewInfo*>(viewInfo);
    TcxCustomCheckBoxProperties* properties = CheckBoxProperties();
    if (!vi || !properties) return;
    vi->State = properties->GetState(value);
    stateGiven_ = true;
}

void TcxCustomCheckBoxViewData::CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button,
                                                TShiftState shift, TcxCustomEditViewInfo* viewInfo,
                                                bool isMouseEvent) {
    TcxCustomEditViewData::CalculateLayout(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* vi = dynamic_cast<TcxCustomCheckBoxViewInfo*>(viewInfo);
    TcxCustomCheckBoxProperties* properties = CheckBoxProperties();
    if (!vi || !properties) return;
    auto* checkBox = dynamic_cast<TcxCustomCheckBox*>(Edit);
    if (checkBox && !stateGiven_) vi->State = checkBox->State();
    vi->BoxFrameStyle = Style ? Style->BorderStyle() : ebsNone;
    vi->EditBorderStyle = ebsNone;
    vi->FrameWidth = 0;
    vi->NullStyle = properties->NullStyle();
    vi->UsesGlyph = properties->UsesGlyph();
    vi->Glyph = vi->UsesGlyph ? properties->Glyph() : nullptr;
    vi->GlyphCount = properties->GlyphCount();
    vi->Painter = Style ? Style->LookAndFeel().GetEffectivePainter() : nullptr;
    vi->NativeBox = NativeLook && !vi->SkinPainter;
    vi->TextColor = vi->ContentTextColor;
    if (vi->DrawFont) vi->Font().Assign(*vi->DrawFont);

    // The caption: the editor's own standalone, the properties' inplace when captions show there.
    AnsiString caption;
    if (!InplaceMode)
        caption = Edit ? Edit->Caption() : properties->Caption();
    else if (properties->ShowsCaptionWhenInplace())
        caption = properties->Caption();
    vi->Text = caption;

    TAlignment alignment = properties->Alignment()->Horz();
    if (InplaceMode && !properties->UseAlignmentWhenInplace() && caption.empty()) alignment = taCenter;

    TRect area = vi->ContentRect;
    if (!InplaceMode) {
        area = DeflatedRect(area, 2);
    } else {
        const TRect offsets = GetContentOffsets();
        area.top += offsets.top;
        area.bottom -= offsets.bottom;
        if (alignment == taLeftJustify) area.right -= 2;
        if (alignment == taRightJustify) area.left += 2;
    }
    const TSize box = GetBoxSize(canvas);
    TRect boxRect;
    boxRect.top = area.top + (GetRectHeight(area) - box.cy) / 2;
    boxRect.bottom = boxRect.top + box.cy;
    TRect textRect = area;
    switch (alignment) {
    case taLeftJustify:
        boxRect.left = area.left;
        textRect.left = area.left + box.cx + 3;
        break;
    case taRightJustify:
        boxRect.left = area.right - box.cx;
        textRect.right = boxRect.left - 3;
        break;
    default:
        boxRect.left = area.left + (GetRectWidth(area) - box.cx) / 2;
        textRect = TRect{};
        vi->Text.clear();
        break;
    }
    boxRect.right = boxRect.left + box.cx;
    if (textRect.right < textRect.left) textRect.right = textRect.left;
    vi->BoxRect = boxRect;
    vi->TextRect = textRect;

    int flags = tfAlignVCenter | (alignment == taRightJustify ? tfAlignRight : tfAlignLeft);
    flags |= (properties->MultiLine() && !InplaceMode) ? tfWordBreak : tfSingleLine;
    if (!InplaceMode) flags |= tfShowPrefix;
    vi->TextFlags = flags;

    // The focus rectangle, only while focused.
    vi->FocusRect = TRect{};
    if (Focused) {
        const bool captionShown = !InplaceMode || properties->ShowsCaptionWhenInplace();
        if (alignment != taCenter && captionShown && !vi->Text.empty()) {
            TRect r = textRect;
            if (!properties->FullFocusRect()) {
                canvas.Font().Assign(vi->Font());
                TRect measured = textRect;
                canvas.MeasureTextBounds(vi->Text, measured, (flags & ~tfAlignVCenter) | tfCalcOnly);
                const int height = GetRectHeight(measured);
                r.top = textRect.top + (GetRectHeight(textRect) - height) / 2;
                r.bottom = r.top + height;
                if (alignment == taRightJustify)
                    r.left = std::max(textRect.left, textRect.right - GetRectWidth(measured));
                else
                    r.right = std::min(textRect.right, textRect.left + GetRectWidth(measured));
            }
            vi->FocusRect = DeflatedRect(r, -1);
        } else if (InplaceMode && alignment == taCenter && ExternalFlag) {
            vi->FocusRect = DeflatedRect(vi->ContentRect, 1);
        }
    }

    // The box's button state.
    const bool pressedByKey = checkBox && checkBox->KeyPressed();
    if (!Enabled)
        vi->BoxState = cbbsDisabled;
    else if (pressedByKey)
        vi->BoxState = cbbsPressed;
    else if (!PtInRect(&bounds, p))
        vi->BoxState = cbbsNormal;
    else
        vi->BoxState = shift.Contains(ssLeft) ? cbbsPressed : cbbsHot;
}

// The properties' class slots.
TcxCustomEditViewDataClass TcxCustomCheckBoxProperties::ViewDataClass() const {
    return TcxCustomEditViewData::ClassOf<TcxCustomCheckBoxViewData>();
}

TcxContainerViewInfoClass TcxCustomCheckBoxProperties::ViewInfoClass() const {
    return []() -> std::unique_ptr<TcxContainerViewInfo> {
        return std::make_unique<TcxCustomCheckBoxViewInfo>();
    };
}

TcxContainerStyleClass TcxCustomCheckBoxProperties::StyleClass() const {
    return TcxCheckBoxStyle::Class();
}

TSize TcxCustomCheckBoxViewData::MeasureContent(TcxCanvas& canvas, const Variant& value, int width) {
    (void)value, (void)width;
    TcxCustomCheckBoxProperties* properties = CheckBoxProperties();
    AnsiString caption;
    if (!InplaceMode)
        caption = Edit ? Edit->Caption() : properties->Caption();
    else if (properties->ShowsCaptionWhenInplace())
        caption = properties->Caption();
    const TSize box = GetBoxSize(canvas);
    TSize size = box;
    if (!caption.empty()) {
        if (Style) canvas.AssignFont(*Style->GetEffectiveFont());
        const TSize text = canvas.MeasureTextExtent(caption);
        size.cx += 3 + text.cx;
        size.cy = std::max(size.cy, text.cy);
    }
    const int margins = InplaceMode ? 0 : 4;
    return TSize{size.cx + margins, size.cy + margins};
}
