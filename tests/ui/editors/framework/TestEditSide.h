#pragma once
// A stand-in for an editor as its properties, binding, edit data and repository item see it:
// it owns properties and a binding the way an editor does, switches repository items, and logs
// which properties object reached it through ApplyPropertiesChange.
#include <memory>
#include <vector>

#include "ui/editors/framework/EditDataBinding.h"
#include "ui/editors/framework/EditRepository.h"

class TTestEditSide : public TComponent, public IcxEditSide, public IcxEditRepositoryItemListener {
public:
    VZ_CLASS(TTestEditSide, TComponent)
    explicit TTestEditSide(TComponent* owner = nullptr,
                           TClass bindingClass = TcxEditDataBinding::StaticClass())
        : TComponent(owner) {
        ownProperties_ = TcxCustomEditProperties::Create(TcxCustomEditProperties::StaticClass(), this);
        binding_ = TcxEditDataBinding::Create(bindingClass, this);
        AttachOwnProperties();
    }
    ~TTestEditSide() override {
        Destroying();
        if (item_) item_->RemoveListener(this);
        ownProperties_->ChangedHandler = nullptr;
        ownProperties_->SetDefaultValuesProvider(nullptr);
        binding_.reset();
        ownProperties_.reset();
    }

    TcxEditDataBinding* Binding() const { return binding_.get(); }

    // An editor's RepositoryItem setter, reduced to what the properties see.
    void SetRepositoryItem(TcxEditRepositoryItem* item) {
        if (item == item_) return;
        if (item_) item_->RemoveListener(this);
        item_ = item;
        if (item) {
            item->AddListener(this);
            ownProperties_->SetDefaultValuesProvider(nullptr);
            ApplyPropertiesChange(item->Properties());
            ownProperties_->ChangedHandler = nullptr;
        } else {
            AttachOwnProperties();
        }
    }

    // The own properties serve again: changes reach the editor, with the binding's provider.
    void AttachOwnProperties() {
        ownProperties_->ChangedHandler = [this](TObject* sender) { ApplyPropertiesChange(sender); };
        ownProperties_->SetDefaultValuesProvider(binding_->QueryDefaultValuesProvider());
    }

    // IcxEditRepositoryItemListener
    void ItemRemoved(TcxEditRepositoryItem*) override {
        item_ = nullptr; // the dying item is not asked for anything
        AttachOwnProperties();
    }
    void PropertiesChanged(TcxEditRepositoryItem* sender) override {
        ApplyPropertiesChange(sender->Properties());
    }

    // IcxEditSide
    TComponent* EditComponent() override { return this; }
    TcxCustomEditProperties* OwnProperties() override { return ownProperties_.get(); }
    TcxEditRepositoryItem* RepositoryItem() override { return item_; }
    TcxCustomEditProperties* EffectiveProperties() override {
        if (!item_) return ownProperties_.get();
        item_->Properties()->SetDefaultValuesProvider(binding_->QueryDefaultValuesProvider());
        return item_->Properties();
    }
    void ApplyPropertiesChange(TObject* sender) override { applied.push_back(sender); }
    bool Modified() override { return modified; }
    void SetModified(bool value) override { modified = value; }
    bool Focused() override { return focused; }
    Variant EditValue() override { return editValue; }
    AnsiString ReadDisplayText() override { return displayText; }
    void WriteDisplayValue(const Variant& value) override { displayText = value.AsAnsiString(); }
    void RevertValue() override { ++reverts; }
    void SyncDisplayFromValue() override {
        displayText = editValue.IsNull() ? AnsiString() : editValue.AsAnsiString();
    }
    TcxCustomEditData* EditData() override { return editData; }
    void InitNewEditData() override { ++editDataInits; }

    // What reached the editor.
    std::vector<TObject*> applied;
    bool modified = false;
    bool focused = false;
    Variant editValue = Variant::Null();
    AnsiString displayText;
    int reverts = 0;
    TcxCustomEditData* editData = nullptr;
    int editDataInits = 0;

private:
    std::unique_ptr<TcxCustomEditProperties> ownProperties_;
    std::unique_ptr<TcxEditDataBinding> binding_;
    TcxEditRepositoryItem* item_ = nullptr;
};
