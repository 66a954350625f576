#include "ui/editors/TextEditViewData.h"

#include <algorithm>

#include "ui/core/Geometry.h"
#include "ui/editors/framework/Edit.h"

namespace {
// Room for a text measured without limit.
constexpr int UnlimitedExtent = 1 << 28;

TRect Deflated(const TRect& rect, const TRect& margins) {
    return TRect{rect.left + margins.left, rect.top + margins.top, rect.right - margins.right,
                 rect.bottom - margins.bottom};
}
} // namespace

TcxCustomEditViewDataClass TcxCustomTextEditProperties::ViewDataClass() const {
    return TcxCustomTextEditViewData::Class();
}

TcxContainerViewInfoClass TcxCustomTextEditProperties::ViewInfoClass() const {
    return TcxCustomTextEditViewInfo::Class();
}

TRect CalcInnerTextEditRect(const TRect& client, const TRect& contentOffsets, int lineHeight,
                            TcxEditVertAlignment alignment) {
    TRect rect;
    rect.left = client.left + contentOffsets.left;
    rect.right = rect.left + (client.right - client.left) - contentOffsets.left - contentOffsets.right + 1;
    const int top = client.top + contentOffsets.top;
    switch (alignment) {
    case taBottomJustify:
        rect.top = client.bottom - lineHeight - contentOffsets.bottom;
        break;
    case taVCenter:
        rect.top = top + (client.bottom - contentOffsets.bottom - top - lineHeight) / 2;
        break;
    default:
        rect.top = top;
        break;
    }
    rect.top = std::max<int>(rect.top, top);
    rect.bottom = rect.top + lineHeight;
    return rect;
}

// ---------------------------------------------------------------------------------------------
TcxCustomTextEditProperties* TcxCustomTextEditViewData::TextProperties() const {
    return dynamic_cast<TcxCustomTextEditProperties*>(Properties);
}

TcxTextEditingStyle TcxCustomTextEditViewData::EditingStyle() const {
    TcxCustomTextEditProperties* properties = TextProperties();
    return properties ? properties->GetEditingStyle() : tesFreeText;
}

bool TcxCustomTextEditViewData::HasVisibleInnerEdit() {
    return Edit && InnerEditControl && InnerEditControl->Visible();
}

void TcxCustomTextEditViewData::ReadProperties() {
    TcxCustomEditViewData::ReadProperties();
    valueShownUnformatted_ = Properties && Properties->UsesProviderDisplayFormat();
}

void TcxCustomTextEditViewData::CalcNativeButtonPart(TcxEditButtonViewInfo* button) {
    TcxCustomEditViewData::CalcNativeButtonPart(button);
    TcxEditButtonViewInfoData& data = button->Data;
    if (IsGlass && IsDwmCompositionEnabled() && !InplaceMode && EditingStyle() == tesFixedList &&
        data.NativePart != 0 && data.NativeState != 4)
        data.NativeState = 1;
}

int TcxCustomTextEditViewData::GetTextFlags() {
    return static_cast<int>(TextEditTextFlags(HorzAlignment, VertAlignment));
}

TRect TcxCustomTextEditViewData::GetTextOffsets() {
    TRect offsets = GetContentOffsets();
    const TcxTextEditingStyle style = EditingStyle();
    if (!InplaceMode && (style == tesFixedList || style == tesNoText)) {
        if (VertAlignment == taTopJustify) ++offsets.top;
        if (HorzAlignment == taRightJustify)
            ++offsets.right;
        else
            ++offsets.left;
    }
    return offsets;
}

bool TcxCustomTextEditViewData::WrapsText() {
    TcxCustomTextEditProperties* properties = TextProperties();
    return WordWrap && properties && !properties->SuppressesTextWrap() &&
           (properties->GetSupportedOperations() & 2) != 0;
}

void TcxCustomTextEditViewData::CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button,
                                                TShiftState shift, TcxCustomEditViewInfo* viewInfo,
                                                bool isMouseEvent) {
    TcxCustomEditViewData::CalculateLayout(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = dynamic_cast<TcxCustomTextEditViewInfo*>(viewInfo);
    if (!info) return;
    info->EditingStyle = EditingStyle();
    info->HasInnerEdit = HasVisibleInnerEdit();
    info->HasPopupWindow = HasPopupWindow;
    if (info->DrawFont) info->Font().Assign(*info->DrawFont);
    info->TextColor = info->ContentTextColor;
    info->TextRect = Deflated(info->ContentRect, GetTextOffsets());
    if (!SkipsMinTextHeight) {
        canvas.AssignFont(info->Font());
        const int line = canvas.MeasureTextHeight("Zg");
        if (info->TextRect.bottom - info->TextRect.top < line)
            info->TextRect.bottom = std::min<int>(info->TextRect.top + line, info->ContentRect.bottom);
    }
    info->MaxLineCount = GetMaxRowCount();
    info->DrawTextFlags = GetTextFlags();
    info->InvalidateTextRows();
}

void TcxCustomTextEditViewData::PrepareTextFlags(TcxCanvas& canvas, TcxCustomTextEditViewInfo* viewInfo) {
    int flags = GetTextFlags();
    if (WrapsText() && !viewInfo->Text.empty()) {
        TRect rect = viewInfo->TextRect;
        if (HorzAlignment == taRightJustify) ++rect.right;
        canvas.AssignFont(viewInfo->Font());
        canvas.Canvas()->RequiredState(true, false, false);
        const int wrapped = (flags & ~txoSingleLine) | txoWordBreak | txoEditControl;
        const int rows = DrawFormattedTextAnsi(canvas.Handle(), viewInfo->Text, rect, wrapped | txoCalcRowCount);
        if (rows > 1) {
            flags = wrapped;
            const int line = canvas.MeasureTextHeight("Zg");
            if (rows * line > viewInfo->TextRect.bottom - viewInfo->TextRect.top)
                flags &= ~txoAlignVertMask;
        }
    }
    if (viewInfo->PaintFlagSet & 8) flags |= txoEndEllipsis;
    viewInfo->DrawTextFlags = flags;
    viewInfo->InvalidateTextRows();
}

void TcxCustomTextEditViewData::FormatValueText(const Variant& value, AnsiString& text) {
    TcxCustomTextEditProperties* properties = TextProperties();
    if (!properties) {
        text = VarToStr(value);
        return;
    }
    text = valueShownUnformatted_ ? VarToStr(value) : properties->PrepareDisplayValue(value, IsFocusedForConversion());
    text = properties->TransformDisplayText(text);
}

void TcxCustomTextEditViewData::SetTextFromValue(const Variant& value, TcxCustomTextEditViewInfo* viewInfo) {
    TcxCustomTextEditProperties* properties = TextProperties();
    const AnsiString text = VarToStr(value);
    viewInfo->Text = properties ? properties->TransformDisplayText(text) : text;
    viewInfo->InvalidateTextRows();
}

void TcxCustomTextEditViewData::EditValueToViewInfo(TcxCanvas& canvas, const Variant& value,
                                                    TcxCustomEditViewInfo* viewInfo) {
    auto* info = dynamic_cast<TcxCustomTextEditViewInfo*>(viewInfo);
    if (!info) return;
    if (NoDisplayText)
        info->Text.clear();
    else
        GetDisplayTextOfValue(value, info->Text);
    info->SelStart = SelStart;
    info->SelLength = SelLength;
    int32_t background = clHighlight, text = clHighlightText;
    TextEditSelectionColors(SelBackgroundColor, SelTextColor, info->FillColor, background, text);
    info->SelBackgroundColor = static_cast<TColor>(background);
    info->SelTextColor = static_cast<TColor>(text);
    PrepareTextFlags(canvas, info);
}

TRect TcxCustomTextEditViewData::CalcEditSize(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo) {
    TRect margins = TcxCustomEditViewData::CalcEditSize(canvas, viewInfo);
    // The themed text area keeps its right pixel.
    if (!InplaceMode && NativeLook && HasThemedTextArea()) --margins.right;
    return margins;
}

TSize TcxCustomTextEditViewData::MeasureContent(TcxCanvas& canvas, const Variant& value, int width) {
    AnsiString text;
    if (!NoDisplayText) GetDisplayTextOfValue(value, text);
    if (Style) canvas.AssignFont(*Style->GetEffectiveFont());
    const int line = canvas.MeasureTextHeight("Zg");
    TSize size{0, 0};
    const bool multiLine = text.find_first_of("\r\n") != AnsiString::npos;
    int flags = GetTextFlags();
    if (WrapsText() && width > 0) flags = (flags & ~txoSingleLine) | txoWordBreak | txoEditControl;
    if (text.empty()) {
        size.cy = EmptyTextHasNoHeight ? 0 : line;
    } else if (!multiLine && (flags & txoSingleLine)) {
        size = TSize{canvas.MeasureTextWidth(text), line};
    } else {
        flags &= ~txoSingleLine;
        TRect rect{0, 0, width > 0 ? width : UnlimitedExtent, UnlimitedExtent};
        // The rectangle fitted to the widest row, then the rows in it.
        DrawFormattedTextAnsi(canvas.Handle(), text, rect, flags | txoCalcRect, 1.0, nullptr, 0, 0, GetMaxRowCount());
        const int rowCount = std::max(1, DrawFormattedTextAnsi(canvas.Handle(), text, rect, flags | txoCalcRowCount,
                                                               1.0, nullptr, 0, 0, GetMaxRowCount()));
        size = TSize{rect.right - rect.left, rowCount * line};
    }
    const TcxTextEditingStyle style = EditingStyle();
    if ((style == tesFixedList || style == tesNoText) && !(NativeLook && HasThemedTextArea())) ++size.cx;
    if (size.cy > 0) size.cy += SumContentOffsets().cy;
    return size;
}
