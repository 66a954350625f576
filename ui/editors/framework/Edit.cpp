#include "ui/editors/framework/Edit.h"

#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/EditorStrings.h"
#include "ui/editors/framework/ScopeExit.h"
#include "ui/editors/framework/Variants.h"

namespace {
void SystemBeep() {
    MessageBeep(0);
}
TcxEditBeepProc beepProc = SystemBeep;

// Windows whose parent chain, followed while it has the child style, ends in the same window.
HWND TopOfChildChain(HWND window) {
    while (window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}
} // namespace

TcxEditBeepProc SetEditBeepProc(TcxEditBeepProc proc) {
    TcxEditBeepProc previous = beepProc;
    beepProc = proc ? proc : SystemBeep;
    return previous;
}

void EditBeep() {
    beepProc();
}

// ---------------------------------------------------------------------------------------------
void TcxEditChangeEventsCatcher::Lock() {
    if (LockCount == 0) OnChangePending = OnEditValueChangedPending = false;
    ++LockCount;
}

void TcxEditChangeEventsCatcher::Unlock(bool fireEvents) {
    if (LockCount == 0) return;
    --LockCount;
    if (!fireEvents || LockCount != 0 || !Edit || Edit->IsLoading() || Edit->IsDestroying()) return;
    TcxCustomEditProperties* own = Edit->OwnProperties();
    TcxCustomEditProperties* effective = Edit->GetEffectiveProperties();
    const bool changePending = OnChangePending;
    const bool valuePending = OnEditValueChangedPending;
    OnChangePending = OnEditValueChangedPending = false;
    if (changePending && (own->OnChange || effective->OnChange)) Edit->FireChange();
    if (valuePending && (own->OnEditValueChanged || effective->OnEditValueChanged)) Edit->FireEditValueChanged();
}

// ---------------------------------------------------------------------------------------------
TcxCustomEdit::TcxCustomEdit(TComponent* owner, bool isInplace) : TcxContainer(owner), inplaceMode_(isInplace) {}

TcxCustomEdit::~TcxCustomEdit() {
    Destroying();
    dblClickTimer_.reset();
    UnsubclassInnerEdit();
    innerEdit_ = nullptr;
    if (repositoryItem_) repositoryItem_->RemoveListener(this);
    if (ownProperties_) {
        ownProperties_->ChangedHandler = nullptr;
        if (!inplaceMode_) ownProperties_->SetDefaultValuesProvider(nullptr);
    }
    dataBinding_.reset();
    modifiedStateStack_.clear();
    ownProperties_.reset();
    catcher_.reset();
}

void TcxCustomEdit::EnsureInitialized() {
    if (initialized_) return;
    initialized_ = true;
    InitializeEditor();
}

void TcxCustomEdit::InitializeEditor() {
    catcher_ = std::make_unique<TcxEditChangeEventsCatcher>(this);
    ownProperties_ = TcxCustomEditProperties::Create(PropertiesClass(), this);
    // The styles and the view info of the properties' classes, which the constructor could not
    // reach yet.
    RecreateStylesAndViewInfo();
    if (TcxCustomEditViewInfo* viewInfo = EditViewInfo()) viewInfo->Editor = this;
    ControlStyle.Include(csCaptureMouse);
    SetTabStop(true);
    if (TClass innerClass = InnerEditClass()) {
        auto* control = dynamic_cast<TWinControl*>(innerClass->CreateInstance(this));
        innerEdit_ = control ? QueryInnerEdit(control) : nullptr;
        if (innerEdit_) SetUpInnerEdit();
    }
    // The editor can be painted as a copy (its children too).
    ControlStyle.Include(csReplicatable);
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ControlStyle.Include(csReplicatable);
    dataBinding_ = TcxEditDataBinding::Create(DataBindingClass(), this);
    autoSize_ = !inplaceMode_;
    editValue_ = Variant::Null();
    ownProperties_->ChangedHandler = [this](TObject* sender) { ApplyPropertiesChange(sender); };
    // A host's cell editor keeps every key, the arrows among them, and Tab when nothing inside it
    // takes Tab.
    if (inplaceMode_) {
        TcxKeys keys = Keys();
        keys.Include(kAll);
        keys.Include(kArrows);
        if (!InnerControl()) keys.Include(kTab);
        SetWantedKeys(keys);
    }
    if (!inplaceMode_) ownProperties_->SetDefaultValuesProvider(dataBinding_->QueryDefaultValuesProvider());
    parentPending_ = true;
}

TcxCustomEditProperties* TcxCustomEdit::OwnProperties() {
    EnsureInitialized();
    return ownProperties_.get();
}

TcxEditDataBinding* TcxCustomEdit::DataBinding() {
    EnsureInitialized();
    return dataBinding_.get();
}

TcxEditChangeEventsCatcher* TcxCustomEdit::ChangeEventsCatcher() {
    EnsureInitialized();
    return catcher_.get();
}

TcxCustomEditProperties* TcxCustomEdit::GetEffectiveProperties() {
    if (!repositoryItem_) return OwnProperties();
    TcxCustomEditProperties* properties = repositoryItem_->Properties();
    properties->SetDefaultValuesProvider(DataBinding()->QueryDefaultValuesProvider());
    return properties;
}

// --- value ---------------------------------------------------------------------------------------
void TcxCustomEdit::AssignEditValue(const Variant& value) {
    if (updateLockCount_ > 0) return;
    LockClick(true);
    TScopeExit unlock([this] { LockClick(false); });
    if (!userAction_ || TryEnterEditMode()) StoreEditValue(value, false);
}

void TcxCustomEdit::AssignEditValueDirect(const Variant& value) {
    if (updateLockCount_ > 0) return;
    if (!userAction_ || TryEnterEditMode()) StoreEditValue(value, false);
}

void TcxCustomEdit::StoreEditValue(const Variant& value, bool spare) {
    (void)spare;
    if (userAction_ && !TryEnterEditMode()) return;
    TcxCustomEditProperties* properties = GetEffectiveProperties();
    const bool changed = properties->ComparesEditValues() && !EditValuesEqual(value, editValue_);
    editValue_ = value;
    SyncDisplayFromValue();
    if (userAction_)
        SetModified(true);
    else
        SetChangedSinceEnter(false);
    if (!changed) return;
    EditValueChanged();
    if (!GetEffectiveProperties()->TracksDisplayChanges()) ProcessChange();
}

Variant TcxCustomEdit::GetValueToPost() {
    if (Focused() && !validated_ && modified_) return GetValueFromDisplay();
    return FetchEditValue();
}

void TcxCustomEdit::ConvertEditToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused) {
    GetEffectiveProperties()->EditValueToDisplay(editValue, displayValue, isFocused);
}

bool TcxCustomEdit::IsFocusedForConversion() {
    return Focused() || !GetEffectiveProperties()->DisplayDependsOnFocus();
}

void TcxCustomEdit::CommitDisplayValue(const Variant& displayValue) {
    PushModifiedState();
    TScopeExit pop([this] { PopModifiedState(); });
    ApplyDisplayValue(displayValue);
}

// --- state ---------------------------------------------------------------------------------------
void TcxCustomEdit::SetModified(bool value) {
    modified_ = value;
    if (value) {
        validated_ = false;
        changedSinceEnter_ = true;
    }
}

void TcxCustomEdit::SetChangedSinceEnter(bool value) {
    changedSinceEnter_ = value;
    if (!value) modified_ = false;
}

bool TcxCustomEdit::IsValueModified() {
    return !HasState(csDesigning) && DataBinding()->HasValueToPost();
}

bool TcxCustomEdit::UsesDataStorage() {
    return DataBinding()->QueryDefaultValuesProvider()->IsValueStorage();
}

bool TcxCustomEdit::IsValueReadOnly() {
    return GetEffectiveProperties()->ReadOnly() || !DataBinding()->IsValueSourceAvailable();
}

void TcxCustomEdit::PushModifiedState() {
    modifiedStateStack_.emplace_back(changedSinceEnter_, modified_);
}

void TcxCustomEdit::PopModifiedState() {
    if (modifiedStateStack_.empty()) return;
    changedSinceEnter_ = modifiedStateStack_.back().first;
    modified_ = modifiedStateStack_.back().second;
    modifiedStateStack_.pop_back();
}

void TcxCustomEdit::LockChangeEvents(bool lock, bool fireEvents) {
    if (lock)
        ChangeEventsCatcher()->Lock();
    else
        ChangeEventsCatcher()->Unlock(fireEvents);
}

bool TcxCustomEdit::AreChangeEventsLocked() {
    return ChangeEventsCatcher()->Locked();
}

void TcxCustomEdit::LockClick(bool lock) {
    if (lock)
        ++clickLockCount_;
    else if (clickLockCount_ > 0)
        --clickLockCount_;
}

// The change events are caught while f runs and fired at its end, also when f raises; then the
// caller sees f's error, and one that a fired handler raises meanwhile is dropped.
template <class F> void TcxCustomEdit::Locked(F&& f) {
    LockChangeEvents(true);
    try {
        f();
    } catch (...) {
        try {
            LockChangeEvents(false, true);
        } catch (...) {
        }
        throw;
    }
    LockChangeEvents(false, true);
}

void TcxCustomEdit::RunWithChangeEventsLocked(const std::function<void()>& f) {
    Locked(f);
}

// --- change processing ---------------------------------------------------------------------------
// An inplace editor's handlers see it changed and modified; its state comes back afterwards.
template <class F> void TcxCustomEdit::FireAsChanged(F&& fire) {
    if (!inplaceMode_) {
        fire();
        return;
    }
    PushModifiedState();
    TScopeExit pop([this] { PopModifiedState(); });
    changedSinceEnter_ = modified_ = true;
    fire();
}

void TcxCustomEdit::ProcessChange() {
    if (IsLoading() || IsDestroying()) return;
    TcxCustomEditProperties* effective = GetEffectiveProperties();
    if (OwnProperties()->OnChange || effective->OnChange) {
        if (AreChangeEventsLocked())
            ChangeEventsCatcher()->OnChangePending = true;
        else
            FireAsChanged([this] { FireChange(); });
    }
    effective = GetEffectiveProperties();
    if (!effective->TracksDisplayChanges() && !effective->ComparesEditValues()) EditValueChanged();
}

void TcxCustomEdit::EditValueChanged() {
    if (IsLoading() || IsDestroying()) return;
    if (!OwnProperties()->OnEditValueChanged && !GetEffectiveProperties()->OnEditValueChanged) return;
    if (AreChangeEventsLocked())
        ChangeEventsCatcher()->OnEditValueChangedPending = true;
    else
        FireAsChanged([this] { FireEditValueChanged(); });
}

void TcxCustomEdit::HandleInnerEditChange() {
    if (Focused())
        SetModified(true);
    else if (GetEffectiveProperties()->NotifyDepth() == 0)
        DataBinding()->MarkModifiedIfFocused();
    ProcessChange();
}

void TcxCustomEdit::FireChange() {
    if (TNotifyEvent handler = OwnProperties()->OnChange) handler(this);
    if (repositoryItem_)
        if (TNotifyEvent handler = repositoryItem_->Properties()->OnChange) handler(this);
}

void TcxCustomEdit::FireEditValueChanged() {
    if (TNotifyEvent handler = OwnProperties()->OnEditValueChanged) handler(this);
    if (repositoryItem_)
        if (TNotifyEvent handler = repositoryItem_->Properties()->OnEditValueChanged) handler(this);
}

void TcxCustomEdit::FireValidate(Variant& displayValue, AnsiString& errorText, bool& error) {
    if (TcxEditValidateEvent handler = OwnProperties()->OnValidate) handler(this, displayValue, errorText, error);
    if (repositoryItem_)
        if (TcxEditValidateEvent handler = repositoryItem_->Properties()->OnValidate)
            handler(this, displayValue, errorText, error);
}

// --- edit mode -----------------------------------------------------------------------------------
bool TcxCustomEdit::CanChangeValue() {
    if (inplaceMode_) return GetEffectiveProperties()->CanEditValue();
    TcxCustomEditProperties* properties = GetEffectiveProperties();
    if (properties->AssignedValues()->ReadOnly()) return !properties->ReadOnly();
    IcxEditDefaultValuesProvider* provider = DataBinding()->QueryDefaultValuesProvider();
    return provider->AllowsModification() && provider->AllowsEditMode();
}

bool TcxCustomEdit::TryEnterEditMode() {
    if (!IsEditingPossible()) return false;
    if (DataBinding()->IsValueModified()) return true;
    if (!CanChangeValue()) return false;
    editingCheckActive_ = true;
    TScopeExit checked([this] { editingCheckActive_ = false; });
    bool canEdit = true;
    if (inplaceMode_) {
        ++updateLockCount_;
        TScopeExit unlock([this] { --updateLockCount_; });
        if (OnEditing) OnEditing(this, canEdit);
        return canEdit;
    }
    if (OnEditing) OnEditing(this, canEdit);
    if (!canEdit) return false;
    ++updateLockCount_;
    TScopeExit unlock([this] { --updateLockCount_; });
    return DataBinding()->EnterEditMode();
}

// --- validation and posting ----------------------------------------------------------------------
bool TcxCustomEdit::ValidateValue(bool raise) {
    if (!modified_ || validated_) return true;
    validating_ = true;
    TScopeExit done([this] { validating_ = false; });
    Variant displayValue(ReadDisplayText());
    bool error = false;
    AnsiString errorText;
    TcxCustomEditProperties* properties = GetEffectiveProperties();
    if (properties->NeedsValidation()) properties->ValidateDisplayValue(displayValue, errorText, this, error);
    if (error) {
        // The value a handler put in is shown whether or not the error is raised.
        auto showHandlerValue = [&] {
            const AnsiString shown = displayValue.IsNull() ? AnsiString() : displayValue.AsAnsiString();
            if (shown == ReadDisplayText()) return;
            WriteDisplayValue(displayValue);
            if (!Visible()) return;
            SelectAllContent();
            if (!IsInnerEditVisible()) RefreshDisplayText();
        };
        try {
            if (raise) {
                HandleValidationError(errorText, true);
                if (Application) Application->ProcessMessages();
            }
        } catch (...) {
            showHandlerValue();
            throw;
        }
        showHandlerValue();
        return false;
    }
    if (!userAction_ || TryEnterEditMode()) {
        CommitDisplayValue(displayValue);
        if (!inplaceMode_ && !Focused()) SetModified(false);
        validated_ = true;
    }
    return true;
}

void TcxCustomEdit::HandleValidationError(const AnsiString& errorText, bool abort) {
    if (!CanFocus()) {
        validated_ = true;
    } else if (Visible()) {
        if (!Focused()) {
            validationErrorFocusing_ = true;
            TScopeExit focusing([this] { validationErrorFocusing_ = false; });
            if (TWinControl* inner = InnerControl())
                inner->SetFocus();
            else
                SetFocus();
        }
        SelectAllContent();
    }
    if (GetEffectiveProperties()->BeepOnError) EditBeep();
    if (!errorText.empty()) throw EcxEditValidationError(errorText);
    if (abort) throw EAbort("");
}

void TcxCustomEdit::PostValue(bool validateFirst) {
    if (validateFirst) {
        const bool savedUserAction = userAction_;
        userAction_ = false;
        TScopeExit restore([this, savedUserAction] { userAction_ = savedUserAction; });
        if (!ValidateValue(true)) return;
    }
    try {
        BeginPosting();
        TScopeExit end([this] { EndPosting(); });
        if (inplaceMode_) {
            if (HostPostHandler) HostPostHandler(this);
            SetChangedSinceEnter(false);
        } else if (IsValueModified()) {
            DataBinding()->WriteStoredValue(FetchEditValue());
        }
    } catch (const EAbort&) {
        // A host that aborts silently has said all it wants to say.
        if (!inplaceMode_) HandleValidationError(AnsiString(), false);
        throw;
    } catch (...) {
        // The failure is the caller's to see, whichever mode: the editor keeps its value and stays
        // modified, with the focus and a beep to show where the value is.
        HandleValidationError(AnsiString(), false);
        throw;
    }
}

void TcxCustomEdit::FireHostKeyEvent(WORD& key, TShiftState shift) {
    if (HostKeyHandler) HostKeyHandler(this, key, shift);
}

// --- properties and repository item --------------------------------------------------------------
void TcxCustomEdit::ApplyPropertiesChange(TObject* sender) {
    (void)sender;
    validated_ = false;
    if (innerEdit_ && !IsDestroying()) innerEdit_->SetReadOnly(IsValueReadOnly());
    if (modified_ && IsValueReadOnly()) SetModified(false);
    if (GetEffectiveProperties()->Transparent()) transparent_ = true;
    if (!IsDestroying()) RefreshAtCursor();
}

void TcxCustomEdit::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    RefreshAtCursor();
}

bool TcxCustomEdit::AcceptsRepositoryItem(TcxEditRepositoryItem* item) {
    if (!item) return true;
    TClass itemClass = item->GetPropertiesClass();
    return itemClass && itemClass->InheritsFrom(PropertiesClass());
}

void TcxCustomEdit::AttachOwnProperties() {
    ownProperties_->ChangedHandler = [this](TObject* sender) { ApplyPropertiesChange(sender); };
    ownProperties_->SetDefaultValuesProvider(DataBinding()->QueryDefaultValuesProvider());
}

void TcxCustomEdit::DetachOwnProperties() {
    ownProperties_->SetDefaultValuesProvider(nullptr);
}

void TcxCustomEdit::SetRepositoryItem(TcxEditRepositoryItem* value) {
    EnsureInitialized();
    if (value == repositoryItem_) return;
    if (!AcceptsRepositoryItem(value)) throw EcxEditError(cxSEditInvalidRepositoryItem);
    BeforeRepositoryItemChange();
    if (repositoryItem_) {
        repositoryItem_->RemoveListener(this);
        RemoveFreeNotification(repositoryItem_);
    }
    repositoryItem_ = value;
    if (value) {
        value->AddListener(this);
        FreeNotification(value);
    }
    const bool reading = IsLoading() || HasState(csReading);
    if (value) {
        DetachOwnProperties();
        if (!reading) ApplyPropertiesChange(value->Properties());
        ownProperties_->ChangedHandler = nullptr;
    } else if (!reading) {
        AttachOwnProperties();
    }
    AfterRepositoryItemChange();
}

void TcxCustomEdit::ItemRemoved(TcxEditRepositoryItem* sender) {
    if (sender != repositoryItem_) return;
    // The item is going away: it is not asked for anything more. The own properties serve again,
    // with their changed handler and provider, as after RepositoryItem := nil.
    repositoryItem_ = nullptr;
    if (!IsDestroying() && ownProperties_) AttachOwnProperties();
}

void TcxCustomEdit::PropertiesChanged(TcxEditRepositoryItem* sender) {
    ApplyPropertiesChange(sender->Properties());
}

void TcxCustomEdit::Notification(TComponent* component, TOperation operation) {
    TcxContainer::Notification(component, operation);
    if (operation == opRemove && component == repositoryItem_) ItemRemoved(repositoryItem_);
}

// --- Escape reset --------------------------------------------------------------------------------
void TcxCustomEdit::RevertValue() {
    if (!modified_ || !GetEffectiveProperties()->RemembersEntryValue()) return;
    Locked([this] {
        modified_ = false;
        const Variant value = UsesDataStorage() ? DataBinding()->ReadStoredValue() : prevEditValue_;
        AssignEditValueDirect(value);
        SetChangedSinceEnter(true);
        SelectAllContent();
        if (GetEffectiveProperties()->ImmediatePost && IsValueModified()) PostValue(false);
    });
}

// --- keys ----------------------------------------------------------------------------------------
bool TcxCustomEdit::HasDefaultButton() {
    TcxEditButtons* buttons = GetEffectiveProperties()->Buttons();
    for (int i = 0; i < buttons->Count(); ++i)
        if (buttons->GetItem(i)->Default()) return true;
    return false;
}

namespace {
TShortCut ShortCutOf(WORD key, TShiftState shift) {
    return ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
}
} // namespace

bool TcxCustomEdit::IsClickKey(WORD key, TShiftState shift) {
    return ShortCutOf(key, shift) == GetEffectiveProperties()->ClickShortCut && HasDefaultButton();
}

bool TcxCustomEdit::AllowsKey(WORD key, TShiftState shift) {
    return modified_ || !IsEditingKey(key, shift) || TryEnterEditMode();
}

void TcxCustomEdit::KeyDown(WORD& key, TShiftState shift) {
    escapeResetDone_ = false;
    if (!IsClickKey(key, shift)) TcxContainer::KeyDown(key, shift);
    if (key != 0) HandleKeyDown(key, shift);
    if (key != 0 && ForwardsKeyToHost(key, shift)) FireHostKeyEvent(key, shift);
}

void TcxCustomEdit::HandleKeyDown(WORD& key, TShiftState shift) {
    TcxCustomEditProperties* properties = GetEffectiveProperties();
    const TShortCut shortCut = ShortCutOf(key, shift);
    if (properties->ClearKey != 0 && shortCut == properties->ClearKey) {
        Locked([this] {
            userAction_ = true;
            TScopeExit cleared([this] { userAction_ = false; });
            AssignEditValueDirect(GetEmptyValue());
            validated_ = true;
        });
        key = 0;
        return;
    }
    if (HasDefaultButton() && shortCut == properties->ClickShortCut) {
        if (HandleAllocated()) {
            MSG msg;
            while (PeekMessageA(&msg, handle_, WM_CHAR, WM_CHAR, PM_REMOVE)) {
            }
        }
        ClickDefaultButton();
        key = 0;
        return;
    }
    if (!AllowsKey(key, shift)) {
        FireHostKeyEvent(key, shift);
        key = 0;
        return;
    }
    switch (key) {
    case VK_TAB:
        if (Focused() && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl) && !properties->KeepsTabKey()) {
            PrepareTabExit(shift);
            FireHostKeyEvent(key, shift);
            if (key == 0) return;
            key = 0;
            if (TForm* form = GetParentForm(this)) {
                TWinControl* current = form->ActiveControl ? form->ActiveControl : this;
                form->SelectNext(current, !shift.Contains(ssShift), true);
            }
            if (HandleAllocated() && GetFocus() == handle_ && InnerControl() && InnerControl()->CanFocus())
                InnerControl()->SetFocus();
            return;
        }
        break;
    case VK_RETURN:
        if (properties->ValidateOnEnter) {
            key = 0;
            Locked([this] {
                if (ValidateValue(true) && IsValueModified()) PostValue(false);
            });
            return;
        }
        break;
    case VK_ESCAPE:
        if (modified_ && (UsesDataStorage() || properties->RemembersEntryValue())) {
            Locked([this] {
                DataBinding()->RevertEditor();
                SetChangedSinceEnter(true);
            });
            escapeResetDone_ = true;
            key = 0;
            return;
        }
        break;
    default:
        break;
    }
    if (key >= VK_PRIOR && key <= VK_DOWN && !HandlesNavigationKeys()) {
        FireHostKeyEvent(key, shift);
        key = 0;
    }
}

void TcxCustomEdit::KeyPress(char& key) {
    if (key == '\x1b' && escapeResetDone_) {
        escapeResetDone_ = false;
        key = 0;
        return;
    }
    if (OnKeyPress) OnKeyPress(this, key);
    if (key != 0) HandleKeyPress(key);
}

void TcxCustomEdit::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
    if (key != 0) HandleKeyUp(key, shift);
}

bool TcxCustomEdit::IsCharAllowed(char ch) {
    IcxEditDefaultValuesProvider* provider = GetEffectiveProperties()->DefaultValuesProvider();
    return !provider || provider->AcceptsChar(ch) || provider->AllowsAnyInput();
}

bool TcxCustomEdit::FilterKeyPress(char& key) {
    if (static_cast<unsigned char>(key) >= 32 && !IsCharAllowed(key)) {
        key = 0;
        EditBeep();
    } else if (!DataBinding()->IsValueModified() && IsEditingChar(key) && !TryEnterEditMode()) {
        key = 0;
    }
    return key != 0;
}

// --- focus ---------------------------------------------------------------------------------------
void TcxCustomEdit::DoEnter() {
    if (IsDestroying()) return;
    if (!validationErrorFocusing_) HandleEnter();
    RefreshAtCursor();
}

void TcxCustomEdit::HandleEnter() {
    {
        PushModifiedState();
        TScopeExit pop([this] { PopModifiedState(); });
        if (OnEnter) OnEnter(this);
        if (UpdatesDisplayOnFocus()) DataBinding()->RefreshDisplayValue();
        if (GetEffectiveProperties()->RemembersEntryValue()) prevEditValue_ = FetchEditValue();
        if (UpdatesDisplayOnFocus()) SyncDisplayFromValue();
    }
    modified_ = false;
}

void TcxCustomEdit::DoExit() {
    const bool savedUserAction = userAction_;
    userAction_ = false;
    TScopeExit restore([this, savedUserAction] { userAction_ = savedUserAction; });
    ExitProcessing(true);
}

void TcxCustomEdit::ExitProcessing(bool callDoExit) {
    if (IsDestroying() || validationErrorFocusing_) return;
    // The state pushed here is popped on every path; an invalid value ends the exit with it.
    PushModifiedState();
    {
        TScopeExit pop([this] { PopModifiedState(); });
        bool valid = false;
        Locked([&] {
            valid = ValidateValue(true);
            if (valid && !inplaceMode_ && IsValueModified()) PostValue(false);
        });
        if (!valid) return;
        if (UpdatesDisplayOnFocus()) DataBinding()->RefreshDisplayValue();
        RefreshDisplayText();
        RefreshAtCursor();
    }
    // A valid exit ends not modified, whatever OnExit does.
    TScopeExit settle([this] { SetModified(false); });
    if (callDoExit && OnExit) OnExit(this);
}

void TcxCustomEdit::DoFocusChanged() {
    if (IsDestroying() || validationErrorFocusing_) return;
    HWND active = GetActiveWindow();
    const bool state = Focused() && active != nullptr;
    if (state == lastFocusedState_) return;
    lastFocusedState_ = state;
    TcxContainer::DoFocusChanged();
    HandleFocusLoss();
}

void TcxCustomEdit::HandleFocusLoss() {
    RefreshDisplayText();
    if (Focused() || !HandleAllocated()) return;
    TWinControl* parent = Parent();
    auto* form = dynamic_cast<TForm*>(parent);
    if (!form || form->ControlCount() != 1) return;
    HWND focus = GetFocus();
    if (focus && TopOfChildChain(focus) == TopOfChildChain(handle_)) ValidateValue(false);
}

// --- window --------------------------------------------------------------------------------------
void TcxCustomEdit::HandleClipboardMessage(UINT message) {
    auto asUser = [this](auto&& f) {
        const bool saved = userAction_;
        userAction_ = true;
        TScopeExit restore([this, saved] { userAction_ = saved; });
        f();
    };
    const bool blocked = GetEffectiveProperties()->ReadOnly() || !DataBinding()->IsValueSourceAvailable();
    switch (message) {
    case WM_CUT:
        asUser([&] {
            if (blocked)
                CopySelectionToClipboard();
            else
                CutSelectionToClipboard();
        });
        break;
    case WM_COPY:
        CopySelectionToClipboard();
        break;
    case WM_PASTE:
        if (!blocked) asUser([this] { PasteClipboardText(); });
        break;
    default:
        break;
    }
}

// The focus leaving for another control of the same form is an exit; leaving for the inner edit,
// for a window that is not a control, or for another form or program is not (the focus-loss rule
// covers those).
bool TcxCustomEdit::IsExitTo(HWND window) {
    if (InnerControl() && InnerControl()->HandleAllocated() && window == InnerControl()->Handle()) return false;
    TWinControl* target = FindControl(window);
    TForm* form = GetParentForm(this);
    return target && form && GetParentForm(target) == form;
}

void TcxCustomEdit::WndProc(TMessage& message) {
    EnsureInitialized();
    switch (message.Msg) {
    case WM_NCCALCSIZE:
        // The window region being set again changes no frame.
        if (regionUpdating_) {
            message.Result = 0;
            return;
        }
        break;
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
        HandleClipboardMessage(message.Msg);
        message.Result = 0;
        return;
    case CM_HINTSHOW:
        message.Result = GetHintInfo(*reinterpret_cast<THintInfo*>(message.LParam)) ? 0 : -1;
        return;
    case CM_SHOWINGCHANGED:
        TcxContainer::WndProc(message);
        if (Showing()) AlignInnerControl();
        return;
    case WM_CONTEXTMENU:
        // Over its border an inplace editor keeps the menu request from its host, which shows
        // menus of its own.
        if (IsInplace() && !message.Result) {
            const TPoint p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
            const TPoint client = ScreenToClient(p);
            const TRect r = GetClientRect();
            if (!(p.x == -1 && p.y == -1) && !PtInRect(&r, client)) {
                message.Result = 0;
                return;
            }
        }
        break;
    case CM_DIALOGCHAR:
        if (ClickButtonByAccelerator(static_cast<WORD>(message.WParam))) {
            message.Result = 1;
            return;
        }
        break;
    case WM_CHAR: {
        if (InnerControl()) break;
        char key = static_cast<char>(message.WParam);
        KeyPress(key);
        message.Result = 0;
        return;
    }
    case WM_KEYUP: {
        if (InnerControl()) break;
        WORD key = static_cast<WORD>(message.WParam);
        KeyUp(key, KeyboardShiftState());
        message.Result = 0;
        return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        // The entry and exit processing call OnEnter and OnExit themselves, at their own time.
        const bool entering = message.Msg == WM_SETFOCUS;
        if (!entering && IsExitTo(reinterpret_cast<HWND>(message.WParam))) DoExit();
        TNotifyEvent saved = entering ? OnEnter : OnExit;
        TNotifyEvent& event = entering ? OnEnter : OnExit;
        event = nullptr;
        {
            TScopeExit restore([&event, &saved] { event = std::move(saved); });
            TcxContainer::WndProc(message);
        }
        if (entering) DoEnter();
        return;
    }
    default:
        break;
    }
    TcxContainer::WndProc(message);
}
