#include "ui/editors/ProgressBarEdit.h"

#include <algorithm>

TcxCustomProgressBar::TcxCustomProgressBar(TComponent* owner, bool isInplace)
    : TcxCustomEdit(owner, isInplace), viewInfo_(std::make_unique<TcxCustomProgressBarViewInfo>()) {
    viewInfo_->InplaceMode = isInplace;
}

TcxCustomProgressBar::~TcxCustomProgressBar() = default;

TcxCustomProgressBarProperties* TcxCustomProgressBar::ActiveProperties() {
    return static_cast<TcxCustomProgressBarProperties*>(GetEffectiveProperties());
}

void TcxCustomProgressBar::InitializeEditor() {
    TcxCustomEdit::InitializeEditor();
    ControlStyle.Exclude(csCaptureMouse);
    ControlStyle.Exclude(csClickEvents);
    ControlStyle.Exclude(csDoubleClicks);
    SetWidth(121);
    SetHeight(21);
}

bool TcxCustomProgressBar::CanFocus() {
    return IsInplace() && TcxCustomEdit::CanFocus();
}

bool TcxCustomProgressBar::CanFocusOnClick() {
    return IsInplace() && TcxCustomEdit::CanFocusOnClick();
}

void TcxCustomProgressBar::SetPosition(double value) {
    if (value == viewInfo_->Position) return;
    TcxCustomProgressBarProperties* properties = ActiveProperties();
    properties->PositionChanged = true;
    if (!IsLoading()) {
        const double max = properties->Max(), min = properties->Min();
        if (max > min) value = std::min(max, std::max(min, value));
    }
    SetEditValue(Variant(value));
}

void TcxCustomProgressBar::CheckEditValue() {
    TcxCustomProgressBarProperties* properties = ActiveProperties();
    const double max = properties->Max(), min = properties->Min();
    if (!(max > min)) return;
    checkingEditValue_ = true;
    struct TClear {
        bool& flag;
        ~TClear() { flag = false; }
    } clear{checkingEditValue_};
    const double value = ProgressBarValueToNumber(EditValue());
    if (value < min)
        StoreEditValue(Variant(min), false);
    else if (value > max)
        StoreEditValue(Variant(max), false);
}

void TcxCustomProgressBar::CheckEditValueIfStandalone() {
    if (IsInplace() || UsesDataStorage()) return;
    CheckEditValue();
}

void TcxCustomProgressBar::SyncDisplayFromValue() {
    viewInfo_->Position = ProgressBarValueToNumber(EditValue());
    if (Transparent()) Invalidate();
    viewInfo_->Position = ActiveProperties()->AdjustPosition(viewInfo_->Position);
}

void TcxCustomProgressBar::ApplyPropertiesChange(TObject* sender) {
    CheckEditValueIfStandalone();
    viewInfo_->Position = ActiveProperties()->AdjustPosition(viewInfo_->Position);
    TcxCustomEdit::ApplyPropertiesChange(sender);
    if (Transparent()) Invalidate();
}

TcxProgressBarProperties* TcxProgressBar::Properties() {
    return static_cast<TcxProgressBarProperties*>(ActiveProperties());
}

void TcxProgressBar::SetProperties(TcxProgressBarProperties* value) {
    OwnProperties()->Assign(value);
}
