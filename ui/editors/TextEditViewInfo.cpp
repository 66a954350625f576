#include "ui/editors/TextEditViewInfo.h"

#include <algorithm>

#include "ui/core/Geometry.h"

namespace {
// UTF-16 units of the first bytes of an ANSI text (the text layout counts those).
int WideLengthOf(const AnsiString& text, int bytes) {
    bytes = std::clamp(bytes, 0, static_cast<int>(text.size()));
    if (bytes == 0) return 0;
    return MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
}
} // namespace

TcxCustomTextEditViewInfo::TcxCustomTextEditViewInfo() : font_(std::make_unique<TFont>()) {}

TcxCustomTextEditViewInfo::~TcxCustomTextEditViewInfo() = default;

TcxContainerViewInfoClass TcxCustomTextEditViewInfo::Class() {
    return []() -> std::unique_ptr<TcxContainerViewInfo> { return std::make_unique<TcxCustomTextEditViewInfo>(); };
}

void TcxCustomTextEditViewInfo::InvalidateTextRows() {
    rowsInitialized_ = false;
    rowCount_ = 0;
    textWasCut_ = false;
    ClearTextRows(rows_);
}

void TcxCustomTextEditViewInfo::PrepareTextRows(TcxCanvas& canvas) {
    if (rowsInitialized_) return;
    rowsInitialized_ = true;
    rowsRect_ = TextRect;
    rowCount_ = 0;
    textWasCut_ = false;
    ClearTextRows(rows_);
    if (Text.empty() || IsRectEmpty(&TextRect)) return;
    canvas.AssignFont(Font());
    TcxTextLayoutParams params;
    FillTextLayoutParamsFromCanvas(&canvas, DrawTextFlags, params);
    textWasCut_ = !SplitAnsiTextIntoRowsOnCanvas(&canvas, Text, MaxLineCount, rowCount_, rows_, params, rowsRect_);
    // Rows below the rectangle, or a single row wider than it, are cut as well.
    if (rowCount_ > 0) {
        PositionTextRows(canvas.Handle(), rowsRect_, params, rowCount_, rows_);
        const TcxTextRow& last = rows_.Row(rowCount_ - 1);
        if (last.Top + params.TextHeight > rowsRect_.bottom || rows_.Row(0).Top < rowsRect_.top ||
            GetMaxTextRowWidth(rows_, rowCount_) > GetRectWidth(rowsRect_))
            textWasCut_ = true;
    }
}

void TcxCustomTextEditViewInfo::PaintText(TcxCanvas& canvas) {
    if (Text.empty()) return;
    PrepareTextRows(canvas);
    if (rowCount_ <= 0) return;
    canvas.AssignFont(Font());
    canvas.Font().SetColor(DrawSelectionBar ? clHighlightText : TextColor);
    TcxTextLayoutParams params;
    FillTextLayoutParamsFromCanvas(&canvas, DrawTextFlags, params);
    int start = 0, length = 0;
    if (!DrawSelectionBar && SelLength > 0) {
        start = WideLengthOf(Text, SelStart);
        length = WideLengthOf(Text, SelStart + SelLength) - start;
    }
    DrawTextRowsHighlighted(canvas.Handle(), rowsRect_, params, textWasCut_, SelTextColor, SelBackgroundColor,
                            length, start, rowCount_, rows_);
}

TRect TcxCustomTextEditViewInfo::PaintContentBackground(TcxCanvas& canvas) {
    TRect rect = ContentRect;
    if (!InplaceMode) {
        if ((!UsesTheme || DrawSelectionBar) && !IsTransparent() && EditingStyle != tesNoText)
            canvas.FillRectColor(rect, FillColor);
        InflateRect(&rect, -1, -1);
    }
    return rect;
}

void TcxCustomTextEditViewInfo::DrawFocusRectangle(TcxCanvas& canvas, const TRect& rect) {
    canvas.Font().SetColor(DrawSelectionBar ? clHighlightText : clBtnText);
    canvas.SetBrushColor(DrawSelectionBar ? clHighlight : FillColor);
    canvas.Canvas()->RequiredState(true, false, true);
    canvas.Canvas()->DrawFocusRect(rect);
}

void TcxCustomTextEditViewInfo::DrawContainer(TcxCanvas& canvas) {
    DrawEditBackground(canvas, this, !IsTransparent() && !DrawSelectionBar, 0);
    const TRect rect = PaintContentBackground(canvas);
    if (OnDrawContentHandler) {
        OnDrawContentHandler(this, canvas);
    } else {
        if (DrawSelectionBar) canvas.FillRectColor(rect, clHighlight);
        if (!HasInnerEdit) PaintText(canvas);
    }
    if (FocusedFlag && !InplaceMode && !HasInnerEdit && !HasPopupWindow) DrawFocusRectangle(canvas, rect);
}

void TcxCustomTextEditViewInfo::Offset(int dx, int dy) {
    ShiftRects(dx, dy);
}

void TcxCustomTextEditViewInfo::ShiftRects(int dx, int dy) {
    TcxCustomEditViewInfo::ShiftRects(dx, dy);
    TextRect = ShiftRect(TextRect, dx, dy);
    if (!rowsInitialized_) return;
    rowsRect_ = ShiftRect(rowsRect_, dx, dy);
    for (int i = 0; i < rowCount_; ++i) {
        TcxTextRow& row = rows_.Row(i);
        row.Left += dx;
        row.Top += dy;
    }
}

bool TcxCustomTextEditViewInfo::GetHintInfo(TPoint p, bool& flag, AnsiString& text, TRect& rect) {
    if (TcxCustomEditViewInfo::GetHintInfo(p, flag, text, rect)) return true;
    if (Text.empty() || !PtInRect(&TextRect, p)) return false;
    // The hint test runs outside painting: the rows are measured on the screen.
    if (!rowsInitialized_) PrepareTextRows(*GetSharedScreenCanvas());
    if (!textWasCut_) return false;
    flag = false;
    text = Text;
    rect = TextRect;
    return true;
}

void TcxCustomTextEditViewInfo::AssignFromViewInfo(TcxContainerViewInfo* other) {
    TcxCustomEditViewInfo::AssignFromViewInfo(other);
    auto* source = dynamic_cast<TcxCustomTextEditViewInfo*>(other);
    if (!source) return;
    Text = source->Text;
    TextRect = source->TextRect;
    TextColor = source->TextColor;
    font_->Assign(*source->font_);
    EditingStyle = source->EditingStyle;
    HasInnerEdit = source->HasInnerEdit;
    HasPopupWindow = source->HasPopupWindow;
    SelStart = source->SelStart;
    SelLength = source->SelLength;
    SelBackgroundColor = source->SelBackgroundColor;
    SelTextColor = source->SelTextColor;
    DrawSelectionBar = source->DrawSelectionBar;
    MaxLineCount = source->MaxLineCount;
    DrawTextFlags = source->DrawTextFlags;
    InvalidateTextRows();
}
