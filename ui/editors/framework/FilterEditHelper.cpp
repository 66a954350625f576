#include "ui/editors/framework/FilterEditHelper.h"

#include <memory>

#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditButtons.h"

namespace {
std::unique_ptr<TcxFilterEditsController> filterEditsController;
} // namespace

void TcxCustomFilterEditHelper::ClearPropertiesEvents(TcxCustomEditProperties* properties) const {
    if (!properties) return;
    properties->OnButtonClicked = nullptr;
    properties->OnChange = nullptr;
    properties->OnEditValueChanged = nullptr;
    properties->OnValidate = nullptr;
}

void TcxCustomFilterEditHelper::PrepareFilterEditor(TcxCustomEdit* edit, TcxCustomEditProperties* source) const {
    SetUpFilterProperties(edit->GetEffectiveProperties(), source, KeepsButtons());
}

void TcxCustomFilterEditHelper::ReadFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                                                WideString& displayText, Variant& value) const {
    value = edit->EditValue();
    displayText = properties->FormatDisplayText(value);
}

void TcxCustomFilterEditHelper::ListFilterOperators(TcxValueTypeClass valueType, TcxFilterOperators& operators,
                                                    bool extended) const {
    operators.reset();
    const int last = extended ? 14 : 10;
    for (int i = 1; i <= last; ++i)
        operators.set(static_cast<size_t>(i));
    // "like" and "not like" only for values held as strings.
    if (valueType && !valueType->HoldsString()) {
        operators.reset(7);
        operators.reset(8);
    }
}

void TcxCustomFilterEditHelper::SetUpFilterProperties(TcxCustomEditProperties* properties,
                                                      TcxCustomEditProperties* source, bool keepButtons) const {
    properties->Assign(source);
    properties->Alignment()->SetHorz(taLeftJustify);
    properties->Alignment()->SetVert(taTopJustify);
    properties->BeepOnError = false;
    if (!keepButtons) properties->Buttons()->Clear();
    properties->SetReadOnly(false);
    properties->ValidateOnEnter = true;
    if (!KeepsValuesProvider(source)) properties->DropDefaultValuesProvider();
    ClearPropertiesEvents(properties);
}

bool TcxCustomFilterEditHelper::CheckFilterValue(TcxValueTypeClass valueType, Variant& value) const {
    // Without a value type there is nothing to convert to: any value is taken as it is.
    return !valueType || valueType->AcceptsVariant(value);
}

// ---------------------------------------------------------------------------------------------
void TcxFilterEditsController::Register(TClass itemClass, TClass registeredClass) {
    TcxRegisteredClassList::Register(HelperClassOf(itemClass), registeredClass);
}

void TcxFilterEditsController::Unregister(TClass itemClass, TClass registeredClass) {
    TcxRegisteredClassList::Unregister(HelperClassOf(itemClass), registeredClass);
    if (ItemCount() == 0 && filterEditsController.get() == this)
        filterEditsController.reset(); // this object is gone: nothing may follow
}

void TcxFilterEditsController::Register(TClass propertiesClass, TcxCustomFilterEditHelperClass helper) {
    helpers_[helper->ClassType()] = helper;
    Register(propertiesClass, helper->ClassType());
}

void TcxFilterEditsController::Unregister(TClass propertiesClass, TcxCustomFilterEditHelperClass helper) {
    Unregister(propertiesClass, helper->ClassType());
}

TcxCustomFilterEditHelperClass TcxFilterEditsController::FindHelper(TClass propertiesClass) const {
    int index = -1;
    if (!propertiesClass || !FindAncestorEntry(propertiesClass, index)) return nullptr;
    auto found = helpers_.find(ItemAt(index)->RegisteredClass);
    return found == helpers_.end() ? nullptr : found->second;
}

TcxFilterEditsController* GetFilterEditsController() {
    if (!filterEditsController) filterEditsController = std::make_unique<TcxFilterEditsController>();
    return filterEditsController.get();
}

bool FilterEditsControllerExists() {
    return filterEditsController != nullptr;
}

void FreeFilterEditsController() {
    filterEditsController.reset();
}
