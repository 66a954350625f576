#pragma once
// A binding to a value slot, standing for a dataset field in the editor tests: the slot holds a
// value and a state (browsing, editing or closed), may be read-only, and logs every write. The
// binding's provider answers availability and modification from the slot's state.
#include <vector>

#include "ui/editors/framework/EditDataBinding.h"
#include "ui/editors/framework/EditError.h"

struct TTestValueSlot {
    enum TState { Browsing, Editing, Closed };
    Variant value = Variant::Null();
    TState state = Browsing;
    bool readOnly = false;
    std::vector<Variant> writes;
};

class TTestSlotProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TTestSlotProvider, TcxCustomEditDefaultValuesProvider)
    TTestValueSlot* slot = nullptr;
    bool IsValueAvailable() override { return slot && slot->state != TTestValueSlot::Closed; }
    bool AllowsModification() override { return slot && !slot->readOnly; }
    bool AllowsEditMode() override { return IsValueAvailable() && !slot->readOnly; }
    bool ReadOnlyPreset() override { return slot && slot->readOnly; }
    bool IsValueStorage() override { return true; }
};

class TTestSlotBinding : public TcxEditDataBinding {
public:
    VZ_CLASS(TTestSlotBinding, TcxEditDataBinding)
    TClass DefaultValuesProviderClass() const override { return TTestSlotProvider::StaticClass(); }

    TTestValueSlot* Slot() const { return slot_; }
    void SetSlot(TTestValueSlot* slot) {
        slot_ = slot;
        static_cast<TTestSlotProvider*>(DefaultValuesProvider())->slot = slot;
    }

    // A closed slot has no value.
    Variant ReadStoredValue() override { return IsValueSourceAvailable() ? slot_->value : Variant::Null(); }
    // Only an editing slot takes a value, as a field outside edit mode refuses one.
    void WriteStoredValue(const Variant& value) override {
        if (!slot_ || slot_->state != TTestValueSlot::Editing)
            throw EcxEditError("The slot is not in edit mode");
        slot_->value = value;
        slot_->writes.push_back(value);
    }
    // A slot in edit mode holds a value to post, as a field being edited does.
    bool HasValueToPost() override {
        return TcxEditDataBinding::HasValueToPost() || (slot_ && slot_->state == TTestValueSlot::Editing);
    }
    // Puts the slot into edit mode when it can take one; the editor is marked modified then.
    bool EnterEditMode() override {
        if (!QueryDefaultValuesProvider()->AllowsEditMode()) return false;
        slot_->state = TTestValueSlot::Editing;
        return TcxEditDataBinding::EnterEditMode();
    }

private:
    TTestValueSlot* slot_ = nullptr;
};
