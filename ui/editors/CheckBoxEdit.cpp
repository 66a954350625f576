#include "ui/editors/CheckBoxEdit.h"

#include "platform/core/Strings.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/ScopeExit.h"

TcxContainerStyleClass TcxCheckBoxStyle::Class() {
    return [](TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle,
              TcxContainerStyleState state) -> std::unique_ptr<TcxContainerStyle> {
        return std::make_unique<TcxCheckBoxStyle>(owner, directAccessMode, parentStyle, state);
    };
}

// --- action link ---------------------------------------------------------------------------------
TcxCheckBoxActionLink::TcxCheckBoxActionLink(TcxCustomCheckBox* client)
    : TWinControlActionLink(client), checkBox_(client) {}

bool TcxCheckBoxActionLink::IsCheckedLinked() const {
    return TWinControlActionLink::IsCheckedLinked() && checkBox_->State() != cbsGrayed &&
           checkBox_->Checked() == Action()->Checked();
}

void TcxCheckBoxActionLink::SetChecked(bool value) {
    if (!IsCheckedLinked()) return;
    checkBox_->LockClick(true);
    checkBox_->LockChangeEvents(true);
    TScopeExit unlock([this] {
        checkBox_->LockChangeEvents(false, false);
        checkBox_->LockClick(false);
    });
    checkBox_->SetChecked(value);
}

// --- editor --------------------------------------------------------------------------------------
TcxCustomCheckBox::TcxCustomCheckBox(TComponent* owner, bool isInplace) : TcxCustomEdit(owner, isInplace) {}

TcxCustomCheckBox::~TcxCustomCheckBox() {
    actionLink_.reset();
}

TcxCustomCheckBoxProperties* TcxCustomCheckBox::ActiveProperties() {
    return static_cast<TcxCustomCheckBoxProperties*>(GetEffectiveProperties());
}

TcxCustomCheckBoxViewInfo* TcxCustomCheckBox::CheckBoxViewInfo() const {
    return dynamic_cast<TcxCustomCheckBoxViewInfo*>(ViewInfo());
}

void TcxCustomCheckBox::InitializeEditor() {
    TcxCustomEdit::InitializeEditor();
    // A click toggles; the click event comes from the state change, and double clicks are none.
    ControlStyle.Exclude(csClickEvents);
    ControlStyle.Exclude(csDoubleClicks);
    SetWidth(121);
    TcxCustomEdit::StoreEditValue(ActiveProperties()->ValueUnchecked(), false);
}

TcxCheckBoxState TcxCustomCheckBox::State() {
    return ActiveProperties()->GetState(EditValue());
}

void TcxCustomCheckBox::SetState(TcxCheckBoxState value) {
    if (IsLoading()) {
        loadedState_ = value;
        return;
    }
    if (value == State()) return;
    Variant displayValue(static_cast<int>(value));
    ConvertDisplayToEdit(displayValue, IsFocusedForConversion());
    AssignEditValueDirect(displayValue);
}

void TcxCustomCheckBox::ConvertDisplayToEdit(Variant& displayValue, bool) {
    const int state = displayValue.IsNumeric() ? displayValue.AsInteger() : static_cast<int>(cbsGrayed);
    displayValue = ActiveProperties()->StateToValue(state == cbsChecked     ? cbsChecked
                                                    : state == cbsUnchecked ? cbsUnchecked
                                                                            : cbsGrayed);
}

bool TcxCustomCheckBox::IsStateStored() {
    TAction* action = Action();
    return !action || State() != (action->Checked() ? cbsChecked : cbsUnchecked);
}

void TcxCustomCheckBox::StoreEditValue(const Variant& value, bool spare) {
    const TcxCheckBoxState before = State();
    TcxCustomEdit::StoreEditValue(value, spare);
    if (State() == before) return;
    InvalidateBox();
    if (IsLoading()) return;
    Click();
    ProcessChange();
}

void TcxCustomCheckBox::SyncDisplayFromValue() {
    InvalidateBox();
}

void TcxCustomCheckBox::InvalidateBox() {
    TcxCustomCheckBoxViewInfo* viewInfo = CheckBoxViewInfo();
    if (!viewInfo) return;
    const TcxCheckBoxState state = State();
    if (viewInfo->State == state) return;
    viewInfo->State = state;
    if (HandleAllocated() && !IsRectEmpty(&viewInfo->BoxRect))
        InvalidateRect(Handle(), &viewInfo->BoxRect, FALSE);
}

void TcxCustomCheckBox::Toggle() {
    if (IsDestroying()) return;
    TcxCheckBoxState next = cbsChecked;
    switch (State()) {
    case cbsChecked:
        next = cbsUnchecked;
        break;
    case cbsUnchecked:
        next = ActiveProperties()->AllowGrayed() ? cbsGrayed : cbsChecked;
        break;
    default:
        break;
    }
    RunWithChangeEventsLocked([this, next] {
        const bool saved = UserAction();
        SetUserAction(true);
        TScopeExit restore([this, saved] { SetUserAction(saved); });
        SetState(next);
        if (ActiveProperties()->ImmediatePost && Modified() && ValidateValue(true)) PostValue(false);
    });
}

void TcxCustomCheckBox::SetKeyPressed(bool value) {
    if (value == keyPressed_) return;
    keyPressed_ = value;
    RefreshAtCursor(true);
}

void TcxCustomCheckBox::HandleKeyDown(WORD& key, TShiftState shift) {
    if (key == VK_SPACE && !keyPressed_ && Enabled()) {
        SetKeyPressed(true);
        key = 0;
        return;
    }
    TcxCustomEdit::HandleKeyDown(key, shift);
}

bool TcxCustomCheckBox::HandleKeyPress(char& key) {
    if (key != ' ') return TcxCustomEdit::HandleKeyPress(key);
    TcxCustomCheckBoxViewInfo* viewInfo = CheckBoxViewInfo();
    if (IsInplace() && !keyPressed_ && (!viewInfo || viewInfo->BoxState == cbbsNormal)) Toggle();
    key = 0;
    return false;
}

void TcxCustomCheckBox::HandleKeyUp(WORD& key, TShiftState shift) {
    if (key == VK_SPACE && keyPressed_) {
        SetKeyPressed(false);
        key = 0;
        Toggle();
        return;
    }
    TcxCustomEdit::HandleKeyUp(key, shift);
}

void TcxCustomCheckBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // Double clicks are plain presses here: two quick clicks toggle twice.
    shift.Exclude(ssDouble);
    TcxCustomEdit::MouseDown(button, shift, x, y);
}

bool TcxCustomCheckBox::RefreshAtPoint(TPoint p, int button, TShiftState shift, bool isMouseEvent) {
    TcxCustomCheckBoxViewInfo* viewInfo = CheckBoxViewInfo();
    const bool pressedByMouse = viewInfo && viewInfo->BoxState == cbbsPressed && !keyPressedInLayout_;
    const bool result = TcxCustomEdit::RefreshAtPoint(p, button, shift, isMouseEvent);
    viewInfo = CheckBoxViewInfo();
    if (viewInfo) keyPressedInLayout_ = keyPressed_;
    // The left button released over the control after pressing it there.
    if (isMouseEvent && button == 1 && pressedByMouse && viewInfo && viewInfo->BoxState == cbbsHot) Toggle();
    return result;
}

void TcxCustomCheckBox::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_DIALOGCHAR:
        EnsureInitialized();
        if (IsAccel(static_cast<WORD>(message.WParam), Caption()) && CanFocus()) {
            SetFocus();
            if (Focused()) Toggle();
            message.Result = 1;
            return;
        }
        break;
    case CM_TEXTCHANGED:
        TcxCustomEdit::WndProc(message);
        RefreshAtCursor();
        Invalidate();
        return;
    case CM_MOUSELEAVE:
    case WM_KILLFOCUS:
        // A Space released elsewhere never comes back: the press ends here.
        if (keyPressed_) SetKeyPressed(false);
        break;
    default:
        break;
    }
    TcxCustomEdit::WndProc(message);
}

AnsiString TcxCustomCheckBox::ReadDisplayText() {
    return WideToAnsi(ActiveProperties()->FormatDisplayText(EditValue()));
}

void TcxCustomCheckBox::Loaded() {
    TcxCustomEdit::Loaded();
    LockClick(true);
    LockChangeEvents(true);
    TScopeExit unlock([this] {
        LockChangeEvents(false, false);
        LockClick(false);
    });
    // The stored state gives its own value, also when the value before loading already showed
    // that state under the values loaded since.
    std::optional<TcxCheckBoxState> state = loadedState_;
    loadedState_.reset();
    if (!state && !UsesDataStorage()) state = cbsUnchecked;
    if (!state) return;
    const Variant& value = ActiveProperties()->StateToValue(*state);
    if (!VarSameTypeAndValue(EditValue(), value)) AssignEditValueDirect(value);
}

void TcxCustomCheckBox::SetAction(TAction* value) {
    if (!value) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = std::make_unique<TcxCheckBoxActionLink>(this);
    actionLink_->SetAction(value);
    value->FreeNotification(this);
    // The box takes the action's state as the action would set it.
    LockClick(true);
    LockChangeEvents(true);
    TScopeExit unlock([this] {
        LockChangeEvents(false, false);
        LockClick(false);
    });
    SetChecked(value->Checked());
}

void TcxCustomCheckBox::Notification(TComponent* component, TOperation operation) {
    TcxCustomEdit::Notification(component, operation);
    if (operation == opRemove && actionLink_ && component == actionLink_->Action()) actionLink_.reset();
}

// --- published editor ----------------------------------------------------------------------------
TcxCheckBoxProperties* TcxCheckBox::Properties() {
    return static_cast<TcxCheckBoxProperties*>(ActiveProperties());
}

void TcxCheckBox::SetProperties(TcxCheckBoxProperties* value) {
    OwnProperties()->Assign(value);
}

TcxCheckBoxStyle* TcxCheckBox::Style() {
    return dynamic_cast<TcxCheckBoxStyle*>(TcxCustomEdit::Style());
}
