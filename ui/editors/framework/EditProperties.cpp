#include "ui/editors/framework/EditProperties.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditRepository.h"
#include "ui/editors/framework/EditorStrings.h"
#include "ui/editors/framework/Variants.h"

namespace {
// Every live properties object. Made at the editor unit's start or by the first properties
// object, whichever comes first.
std::unique_ptr<std::vector<TcxCustomEditProperties*>> liveProperties;

std::vector<TcxCustomEditProperties*>& LiveProperties() {
    if (!liveProperties) liveProperties = std::make_unique<std::vector<TcxCustomEditProperties*>>();
    return *liveProperties;
}

// The text of a display value; Empty and Null read as no text.
AnsiString DisplayText(const Variant& value) {
    return value.IsEmptyOrNull() ? AnsiString() : value.AsAnsiString();
}

// Raises the properties' update depth for a scope, so that the changes made in it give one
// notification at its end, also when an exception passes.
class TUpdateScope {
public:
    explicit TUpdateScope(TcxCustomEditProperties* properties, bool notify = true)
        : properties_(properties), notify_(notify) {
        properties_->BeginUpdate();
    }
    ~TUpdateScope() { properties_->EndUpdate(notify_); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    TcxCustomEditProperties* properties_;
    bool notify_;
};
} // namespace

int EditPropertiesCount() {
    return liveProperties ? static_cast<int>(liveProperties->size()) : 0;
}

TcxCustomEditProperties* EditPropertiesAt(int index) {
    if (index < 0 || index >= EditPropertiesCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return (*liveProperties)[static_cast<size_t>(index)];
}

void EditPropertiesInitialize() {
    LiveProperties();
}

// Properties still alive at the end (owned by objects that outlive the unit) simply leave no list.
void EditPropertiesFinalize() {
    liveProperties.reset();
}

// ---------------------------------------------------------------------------------------------
TcxCustomEditDefaultValuesProvider::~TcxCustomEditDefaultValuesProvider() {
    DetachFromProperties();
}

void TcxCustomEditDefaultValuesProvider::DetachFromProperties() {
    IcxEditDefaultValuesProvider* self = this;
    for (int i = 0; i < EditPropertiesCount(); ++i) {
        TcxCustomEditProperties* properties = EditPropertiesAt(i);
        if (properties->DefaultValuesProvider() == self) properties->DropDefaultValuesProvider();
    }
}

// ---------------------------------------------------------------------------------------------
void TcxCustomEditPropertiesValues::SetFlag(bool& flag, bool value) {
    if (flag == value) return;
    flag = value;
    if (Owner) Owner->NotifyChanged();
}

void TcxCustomEditPropertiesValues::ResetAssigned() {
    if (!Owner) {
        maxValue_ = minValue_ = readOnly_ = false;
        return;
    }
    TUpdateScope update(Owner);
    SetMaxValue(false);
    SetMinValue(false);
    SetReadOnly(false);
}

void TcxCustomEditPropertiesValues::Assign(TPersistent* source) {
    auto* values = dynamic_cast<TcxCustomEditPropertiesValues*>(source);
    if (!values) {
        TPersistent::Assign(source);
        return;
    }
    std::optional<TUpdateScope> update;
    if (Owner) update.emplace(Owner);
    SetMaxValue(values->maxValue_);
    SetMinValue(values->minValue_);
    SetReadOnly(values->readOnly_);
}

TPersistent* TcxCustomEditPropertiesValues::GetOwner() {
    return Owner;
}

// ---------------------------------------------------------------------------------------------
void TcxEditAlignment::Changed() {
    if (OnChanged) OnChanged(this);
}

void TcxEditAlignment::SetHorz(TAlignment value) {
    if (horzAssigned_ && horz_ == value) return;
    horz_ = value;
    horzAssigned_ = true;
    Changed();
}

void TcxEditAlignment::SetVert(TcxEditVertAlignment value) {
    if (vert_ == value) return;
    vert_ = value;
    Changed();
}

void TcxEditAlignment::Reset() {
    horzAssigned_ = false;
    Changed();
}

void TcxEditAlignment::Assign(TPersistent* source) {
    auto* alignment = dynamic_cast<TcxEditAlignment*>(source);
    if (!alignment) {
        TPersistent::Assign(source);
        return;
    }
    vert_ = alignment->vert_;
    horz_ = alignment->horz_;
    horzAssigned_ = alignment->horzAssigned_;
    Changed();
}

// ---------------------------------------------------------------------------------------------
TcxCustomEditProperties::TcxCustomEditProperties(TPersistent* owner) : TcxInterfacedPersistent(owner) {
    LiveProperties().push_back(this);
    notificator_ = std::make_unique<TcxFreeNotificator>(nullptr);
    notificator_->OnFreeNotification = [this](TComponent* component) { HandleFreeNotification(component); };
    alignment_ = std::make_unique<TcxEditAlignment>(this);
    alignment_->OnChanged = [this](TObject* sender) { HandleAlignmentChange(sender); };
    storedAlignment_ = std::make_unique<TcxEditAlignment>(this);
}

TcxCustomEditProperties::~TcxCustomEditProperties() {
    provider_ = nullptr;
    // The buttons' last notices must not reach a half-gone object.
    if (buttons_) buttons_->OnChange = nullptr;
    buttons_.reset();
    storedAlignment_.reset();
    assignedValues_.reset();
    alignment_.reset();
    notificator_.reset();
    if (liveProperties) std::erase(*liveProperties, this);
}

std::unique_ptr<TcxCustomEditProperties> TcxCustomEditProperties::Create(TClass propertiesClass,
                                                                         TComponent* owner) {
    if (!propertiesClass || !propertiesClass->InheritsFrom(StaticClass()))
        throw EInvalidCast("Invalid class typecast");
    return std::unique_ptr<TcxCustomEditProperties>(
        static_cast<TcxCustomEditProperties*>(propertiesClass->CreateInstance(owner)));
}

std::unique_ptr<TcxCustomEditProperties> TcxCustomEditProperties::CreateBlank() const {
    return Create(ClassType(), nullptr);
}

TcxCustomEditPropertiesValues* TcxCustomEditProperties::AssignedValues() {
    if (!assignedValues_) {
        assignedValues_ = AssignedValuesClass()->Create<TcxCustomEditPropertiesValues>();
        assignedValues_->Owner = this;
    }
    return assignedValues_.get();
}

TClass TcxCustomEditProperties::ButtonsClass() const {
    return TcxEditButtons::StaticClass();
}

TcxEditButtons* TcxCustomEditProperties::Buttons() {
    if (!buttons_) {
        buttons_ = ButtonsClass()->Create<TcxEditButtons>();
        buttons_->Owner = this;
        buttons_->OnChange = [this](TObject* sender) { HandleButtonsChange(sender); };
    }
    return buttons_.get();
}

// --- change notification
bool TcxCustomEditProperties::OwnerIsDestroying() {
    auto* component = dynamic_cast<TComponent*>(Owner);
    return component && component->HasState(csDestroying);
}

bool TcxCustomEditProperties::OwnerIsWriting() {
    auto* component = dynamic_cast<TComponent*>(Owner);
    return component && component->HasState(csWriting);
}

void TcxCustomEditProperties::NotifyChanged() {
    if (notifyLocked_ || updateDepth_ > 0 || OwnerIsDestroying()) {
        changePending_ = true;
        return;
    }
    if (!ChangedHandler) return;
    // A copy: the handler may replace itself (an editor taking another repository item).
    TNotifyEvent handler = ChangedHandler;
    ++notifyDepth_;
    try {
        handler(this);
    } catch (...) {
        --notifyDepth_;
        throw;
    }
    --notifyDepth_;
}

void TcxCustomEditProperties::BeginUpdate() {
    if (updateDepth_ == 0) changePending_ = false;
    ++updateDepth_;
}

void TcxCustomEditProperties::EndUpdate(bool notify) {
    if (updateDepth_ == 0) return;
    if (--updateDepth_ == 0 && notify && changePending_) NotifyChanged();
}

// --- values
void TcxCustomEditProperties::SetAutoSelect(bool value) {
    if (autoSelect_ == value) return;
    autoSelect_ = value;
    NotifyChanged();
}

void TcxCustomEditProperties::SetButtonLayoutMode(uint8_t value) {
    if (buttonLayoutMode_ == value) return;
    buttonLayoutMode_ = value;
    NotifyChanged();
}

void TcxCustomEditProperties::SetTransparent(bool value) {
    if (transparent_ == value) return;
    transparent_ = value;
    NotifyChanged();
}

bool TcxCustomEditProperties::UseLeftAlignmentOnEditing() const {
    return useLeftAlignmentOnEditing_.value_or(InitialUseLeftAlignmentOnEditing());
}

void TcxCustomEditProperties::SetUseLeftAlignmentOnEditing(bool value) {
    if (UseLeftAlignmentOnEditing() == value) return;
    useLeftAlignmentOnEditing_ = value;
    NotifyChanged();
}

bool TcxCustomEditProperties::IsUseLeftAlignmentOnEditingStored() const {
    return UseLeftAlignmentOnEditing() != InitialUseLeftAlignmentOnEditing();
}

namespace {
using TAssignedFlagGetter = bool (TcxCustomEditPropertiesValues::*)() const;
using TAssignedFlagSetter = void (TcxCustomEditPropertiesValues::*)(bool);

// Marks the value set and stores it with one notification; nothing when it is set and equal.
template <class T>
void StoreAssigned(TcxCustomEditProperties* properties, T& field, T value, TAssignedFlagGetter assigned,
                   TAssignedFlagSetter markAssigned) {
    TcxCustomEditPropertiesValues* values = properties->AssignedValues();
    if ((values->*assigned)() && field == value) return;
    TUpdateScope update(properties);
    field = value;
    (values->*markAssigned)(true);
    properties->NotifyChanged();
}
} // namespace

bool TcxCustomEditProperties::ReadOnly() {
    if (AssignedValues()->ReadOnly()) return readOnly_;
    return provider_ ? provider_->ReadOnlyPreset() : false;
}

void TcxCustomEditProperties::SetReadOnly(bool value) {
    StoreAssigned(this, readOnly_, value, &TcxCustomEditPropertiesValues::ReadOnly,
                  &TcxCustomEditPropertiesValues::SetReadOnly);
}

double TcxCustomEditProperties::GetMaxValue() {
    if (AssignedValues()->MaxValue()) return maxValue_;
    return provider_ ? provider_->MaxValuePreset() : 0.0;
}

void TcxCustomEditProperties::SetMaxValue(double value) {
    StoreAssigned(this, maxValue_, value, &TcxCustomEditPropertiesValues::MaxValue,
                  &TcxCustomEditPropertiesValues::SetMaxValue);
}

double TcxCustomEditProperties::GetMinValue() {
    if (AssignedValues()->MinValue()) return minValue_;
    return provider_ ? provider_->MinValuePreset() : 0.0;
}

void TcxCustomEditProperties::SetMinValue(double value) {
    StoreAssigned(this, minValue_, value, &TcxCustomEditPropertiesValues::MinValue,
                  &TcxCustomEditPropertiesValues::SetMinValue);
}

// --- alignment
TcxEditAlignment* TcxCustomEditProperties::Alignment() {
    TNotifyEvent handler = std::move(alignment_->OnChanged);
    alignment_->OnChanged = nullptr;
    alignment_->Assign(storedAlignment_.get());
    if (!alignment_->horzAssigned_ && !(IsAlignmentStored() && OwnerIsWriting()))
        alignment_->horz_ = ResolveHorzAlignment();
    alignment_->OnChanged = std::move(handler);
    return alignment_.get();
}

bool TcxCustomEditProperties::IsAlignmentStored() const {
    return storedAlignment_->IsHorzStored() || storedAlignment_->IsVertStored();
}

TAlignment TcxCustomEditProperties::ResolveHorzAlignment() {
    return provider_ ? provider_->HorzAlignmentPreset() : storedAlignment_->Horz();
}

void TcxCustomEditProperties::HandleAlignmentChange(TObject*) {
    storedAlignment_->Assign(alignment_.get());
    // The public copy shows a resolved Horz that was never set; it must not outlive its source.
    if (!storedAlignment_->horzAssigned_) storedAlignment_->horz_ = taLeftJustify;
    NotifyChanged();
}

void TcxCustomEditProperties::SetAlignment(TcxEditAlignment* value) {
    storedAlignment_->Assign(value);
    NotifyChanged();
}

void TcxCustomEditProperties::HandleButtonsChange(TObject*) {
    NotifyChanged();
}

// --- provider
void TcxCustomEditProperties::SetDefaultValuesProvider(IcxEditDefaultValuesProvider* provider) {
    provider_ = provider;
    if (dynamic_cast<IcxEditSide*>(Owner)) NotifyChanged();
}

bool TcxCustomEditProperties::CanEditValue() {
    if (AssignedValues()->ReadOnly() && !readOnly_) return true;
    if (ReadOnly()) return false;
    if (provider_) return provider_->AllowsModification() && provider_->AllowsEditMode();
    return true;
}

bool TcxCustomEditProperties::HasProviderDisplayFormat(bool editing) {
    unsigned options = GetDisplayFormatOptions();
    if (editing || (options & dfoUseProviderFormat) == 0 || !provider_) return false;
    return provider_->HasDisplayFormat((options & dfoProviderDisplayForm) != 0);
}

bool TcxCustomEditProperties::UsesProviderDisplayFormat() {
    unsigned options = GetDisplayFormatOptions();
    return (options & dfoUseProviderFormat) != 0 && !CanUseProviderFormat(true) &&
           CanUseProviderFormat(false) && provider_ &&
           provider_->HasDisplayFormat((options & dfoProviderDisplayForm) != 0);
}

// --- editing
AnsiString TcxCustomEditProperties::ValidationErrorMessage() {
    return cxSEditValidateErrorText;
}

bool TcxCustomEditProperties::SameDisplayValue(const Variant& a, const Variant& b) {
    Variant displayA, displayB;
    EditValueToDisplay(a, displayA, false);
    EditValueToDisplay(b, displayB, false);
    return VariantsEqual(displayA, displayB);
}

unsigned TcxCustomEditProperties::GetSupportedOperations() {
    return Buttons()->Count() > 0 ? esoHasButtons : 0;
}

void TcxCustomEditProperties::EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool) {
    displayValue = editValue;
}

void TcxCustomEditProperties::ResetToDefaults() {
    storedAlignment_->Reset();
    TUpdateScope update(this);
    AssignedValues()->ResetAssigned();
}

void TcxCustomEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText,
                                                   IcxEditSide* edit, bool& error) {
    if (!NeedsValidation()) return;
    if (errorText.empty()) errorText = ValidationErrorMessage();
    if (!edit) return;
    TcxCustomEditProperties* own = edit->OwnProperties();
    TcxCustomEditProperties* effective = edit->EffectiveProperties();
    bool ownHandler = own && own->OnValidate;
    bool effectiveHandler = effective && effective->OnValidate;
    if (!ownHandler && !effectiveHandler) return;
    AnsiString oldText = DisplayText(displayValue);
    TObject* sender = edit->EditComponent();
    if (ownHandler) own->OnValidate(sender, displayValue, errorText, error);
    TcxEditRepositoryItem* item = edit->RepositoryItem();
    if (item && item->Properties()->OnValidate)
        item->Properties()->OnValidate(sender, displayValue, errorText, error);
    if (error && DisplayText(displayValue) == oldText) displayValue = Variant(edit->ReadDisplayText());
}

void TcxCustomEditProperties::Assign(TPersistent* source) {
    auto* properties = dynamic_cast<TcxCustomEditProperties*>(source);
    if (!properties || properties == this) {
        if (!properties) TPersistent::Assign(source);
        return;
    }
    TUpdateScope update(this);
    SetAutoSelect(properties->AutoSelect());
    Buttons()->Assign(properties->Buttons());
    SetButtonLayoutMode(properties->ButtonLayoutMode());
    BeepOnError = properties->BeepOnError;
    ClearKey = properties->ClearKey;
    ClickShortCut = properties->ClickShortCut;
    SetUseLeftAlignmentOnEditing(properties->UseLeftAlignmentOnEditing());
    SetDefaultValuesProvider(properties->DefaultValuesProvider());
    SetAlignment(properties->Alignment());
    TcxCustomEditPropertiesValues* values = properties->AssignedValues();
    AssignedValues()->SetMaxValue(false);
    if (values->MaxValue()) SetMaxValue(properties->MaxValue());
    AssignedValues()->SetMinValue(false);
    if (values->MinValue()) SetMinValue(properties->MinValue());
    AssignedValues()->SetReadOnly(false);
    if (values->ReadOnly()) SetReadOnly(properties->ReadOnly());
    ImmediatePost = properties->ImmediatePost;
    SetTransparent(properties->Transparent());
    AllowMouseWheel = properties->AllowMouseWheel;
    ValidateOnEnter = properties->ValidateOnEnter;
    OnButtonClicked = properties->OnButtonClicked;
    OnChange = properties->OnChange;
    OnEditValueChanged = properties->OnEditValueChanged;
    OnValidate = properties->OnValidate;
}
