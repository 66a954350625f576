#include "ui/editors/framework/EditDataBinding.h"

#include "ui/editors/framework/EditRepository.h"

TcxEditDataBinding::~TcxEditDataBinding() {
    provider_.reset();
}

std::unique_ptr<TcxEditDataBinding> TcxEditDataBinding::Create(TClass bindingClass, IcxEditSide* edit) {
    if (!bindingClass) throw EInvalidCast("Invalid class typecast");
    std::unique_ptr<TcxEditDataBinding> binding = bindingClass->Create<TcxEditDataBinding>();
    binding->Initialize(edit);
    return binding;
}

TClass TcxEditDataBinding::DefaultValuesProviderClass() const {
    return TcxCustomEditDefaultValuesProvider::StaticClass();
}

TcxCustomEditDefaultValuesProvider* TcxEditDataBinding::DefaultValuesProvider() {
    if (!provider_) provider_ = DefaultValuesProviderClass()->Create<TcxCustomEditDefaultValuesProvider>();
    return provider_.get();
}

TPersistent* TcxEditDataBinding::GetOwner() {
    return edit_ ? edit_->EditComponent() : nullptr;
}

// With a repository item the item's properties are shared: the editor applies them itself, and
// the other editors of the item are not disturbed.
void TcxEditDataBinding::ReapplyProperties() {
    TcxCustomEditProperties* properties = edit_->EffectiveProperties();
    if (edit_->RepositoryItem()) {
        properties->BeginUpdate();
        properties->NotifyChanged();
        properties->EndUpdate(false);
        edit_->ApplyPropertiesChange(properties);
    } else {
        properties->NotifyChanged();
    }
}

Variant TcxEditDataBinding::ReadDisplayValue() {
    return Variant(edit_->ReadDisplayText());
}

bool TcxEditDataBinding::ReadModified() {
    return edit_->Modified();
}

bool TcxEditDataBinding::IsValueModified() {
    return edit_->Modified();
}

Variant TcxEditDataBinding::ReadStoredValue() {
    return edit_->EditValue();
}

void TcxEditDataBinding::RevertEditor() {
    edit_->RevertValue();
}

void TcxEditDataBinding::PutDisplayValue(const Variant& value) {
    edit_->WriteDisplayValue(value);
}

bool TcxEditDataBinding::EnterEditMode() {
    edit_->SetModified(true);
    return true;
}

bool TcxEditDataBinding::IsDisplayReplaceable() {
    return edit_->EditComponent()->HasState(csDesigning) || !edit_->Modified();
}

void TcxEditDataBinding::MarkModifiedIfFocused() {
    if (edit_->Focused()) edit_->SetModified(true);
}

void TcxEditDataBinding::RefreshDisplayValue() {
    edit_->SyncDisplayFromValue();
}

// ---------------------------------------------------------------------------------------------
TcxCustomEditData::~TcxCustomEditData() {
    notificator_.reset();
}

std::unique_ptr<TcxCustomEditData> TcxCustomEditData::Create(TClass dataClass, IcxEditSide* edit) {
    if (!dataClass) throw EInvalidCast("Invalid class typecast");
    std::unique_ptr<TcxCustomEditData> data = dataClass->Create<TcxCustomEditData>();
    data->Initialize(edit);
    return data;
}

void TcxCustomEditData::Initialize(IcxEditSide* edit) {
    edit_ = edit;
    notificator_ = std::make_unique<TcxFreeNotificator>(nullptr);
    notificator_->OnFreeNotification = [this](TComponent* component) { EditGone(component); };
    editComponent_ = edit ? edit->EditComponent() : nullptr;
    notificator_->Watch(editComponent_);
    Clear();
}

void TcxCustomEditData::EditGone(TComponent* component) {
    // The editor is half gone: only its component's address is compared.
    if (component == editComponent_) {
        edit_ = nullptr;
        editComponent_ = nullptr;
    }
}

void TcxCustomEditData::Clear() {
    cleared_ = true;
    if (edit_ && edit_->EditData() == this) {
        edit_->InitNewEditData();
        cleared_ = false;
    }
}
