#include "ui/editors/ProgressBarEdit.h"

#include <algorithm>

TcxCustomProgressBar::TcxCustomProgressBar(TComponent* owner, bool isInplace) : TcxCustomEdit(owner, isInplace) {}

TcxCustomProgressBar::~TcxCustomProgressBar() = default;

TcxCustomProgressBarProperties* TcxCustomProgressBar::ActiveProperties() {
    return static_cast<TcxCustomProgressBarProperties*>(GetEffectiveProperties());
}

TcxCustomProgressBarViewInfo& TcxCustomProgressBar::ProgressViewInfo() {
    EnsureInitialized();
    // The properties' view info class makes it: no other kind is ever made for this editor.
    return *static_cast<TcxCustomProgressBarViewInfo*>(EditViewInfo());
}

double TcxCustomProgressBar::Position() {
    return ProgressViewInfo().Position;
}

void TcxCustomProgressBar::RepaintNow() {
    // A hidden window takes the invalidation but paints nothing.
    if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TcxCustomProgressBar::InitializeEditor() {
    TcxCustomEdit::InitializeEditor();
    // The container asks for the parent colour while it is constructed, before this class's
    // answer is in force.
    if (DefaultParentColor() && !IsInplace() && !GetNormalStyle()->IsStyleValueAssigned(svColor))
        SetParentColor(true);
    TcxCustomProgressBarViewInfo& viewInfo = ProgressViewInfo();
    viewInfo.InplaceMode = IsInplace();
    viewInfo.OnRepaint = [this] { RepaintNow(); };
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
    if (value == Position()) return;
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
    TcxCustomProgressBarViewInfo& viewInfo = ProgressViewInfo();
    viewInfo.Position = ProgressBarValueToNumber(EditValue());
    if (Transparent()) Invalidate();
    viewInfo.Position = ActiveProperties()->AdjustPosition(viewInfo.Position);
    // Lays the bar out again; the view info leaves a change that moved nothing unpainted. The
    // cursor is asked for (a slow call under some systems) only while the bar shows it hot: a
    // mouse that comes over it refreshes the hot state on its own.
    if (viewInfo.StateSet.Contains(cstHot))
        RefreshAtCursor();
    else
        RefreshAtPoint(TPoint{-1, -1}, 0, TShiftState{}, false);
}

void TcxCustomProgressBar::ApplyPropertiesChange(TObject* sender) {
    CheckEditValueIfStandalone();
    TcxCustomProgressBarViewInfo& viewInfo = ProgressViewInfo();
    viewInfo.Position = ActiveProperties()->AdjustPosition(viewInfo.Position);
    TcxCustomEdit::ApplyPropertiesChange(sender);
    if (Transparent()) Invalidate();
}

TcxProgressBarProperties* TcxProgressBar::Properties() {
    return static_cast<TcxProgressBarProperties*>(ActiveProperties());
}

void TcxProgressBar::SetProperties(TcxProgressBarProperties* value) {
    OwnProperties()->Assign(value);
}
