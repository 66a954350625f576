#pragma once
// Filter support: a filter row or dialog reuses an editor through the helper registered for its
// properties class. Helpers are stateless, used through their class (one shared instance each,
// TcxCustomFilterEditHelperClass), and found through the registry TcxFilterEditsController.
#include <bitset>
#include <map>

#include "ui/core/CoreClasses.h"
#include "ui/editors/framework/ValueTypes.h"

class TcxCustomEdit;
class TcxCustomEditProperties;

// Operator numbers of the filter control that asks (1 to 14 here); their captions are the strings
// cxSFilterOperatorEqual to cxSFilterOperatorNotBetween.
using TcxFilterOperators = std::bitset<40>;

class TcxCustomFilterEditHelper : public TObject {
public:
    VZ_CLASS(TcxCustomFilterEditHelper, TObject)

    virtual void ClearPropertiesEvents(TcxCustomEditProperties* properties) const;
    virtual void PrepareFilterEditor(TcxCustomEdit* edit, TcxCustomEditProperties* source) const;
    virtual bool KeepsValuesProvider(TcxCustomEditProperties* source) const { (void)source; return true; }
    virtual bool KeepsButtons() const { return false; }
    // The editor class a filter uses; none in the base.
    virtual TClass FilterEditorClass() const { return nullptr; }
    virtual void ReadFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                                 WideString& displayText, Variant& value) const;
    virtual void ListFilterOperators(TcxValueTypeClass valueType, TcxFilterOperators& operators,
                                     bool extended) const;
    // The operators for an editor of these properties: ListFilterOperators unless the answer of a
    // helper depends on the properties.
    virtual void ListFilterOperatorsFor(TcxCustomEditProperties* properties, TcxValueTypeClass valueType,
                                        TcxFilterOperators& operators, bool extended) const {
        (void)properties;
        ListFilterOperators(valueType, operators, extended);
    }
    virtual void SetUpFilterProperties(TcxCustomEditProperties* properties, TcxCustomEditProperties* source,
                                       bool keepButtons) const;
    // True when value is Null or converts to the value type (it is then converted).
    virtual bool CheckFilterValue(TcxValueTypeClass valueType, Variant& value) const;
    virtual void PutFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                                const Variant& value) const {
        (void)edit, (void)properties, (void)value;
    }
    virtual bool FiltersByDisplayText() const { return false; }
};

using TcxCustomFilterEditHelperClass = const TcxCustomFilterEditHelper*;

// The shared instance of a helper class.
template <class T> TcxCustomFilterEditHelperClass FilterEditHelperClass() {
    static const T instance;
    return &instance;
}

// Helpers by properties class. A pair is kept under the parent of the properties class given, so
// that every properties class derived from that parent finds the helper (nearest ancestor wins).
// The last unregistration frees the registry; GetFilterEditsController makes a new one.
class TcxFilterEditsController : public TcxRegisteredClassList {
public:
    VZ_CLASS(TcxFilterEditsController, TcxRegisteredClassList)

    virtual TClass HelperClassOf(TClass itemClass) const { return itemClass ? itemClass->ClassParent() : nullptr; }
    void Register(TClass itemClass, TClass registeredClass) override;
    void Unregister(TClass itemClass, TClass registeredClass) override;

    void Register(TClass propertiesClass, TcxCustomFilterEditHelperClass helper);
    void Unregister(TClass propertiesClass, TcxCustomFilterEditHelperClass helper);
    // The helper for the properties class, nullptr when none is registered for it or an ancestor.
    TcxCustomFilterEditHelperClass FindHelper(TClass propertiesClass) const;

private:
    std::map<TClass, TcxCustomFilterEditHelperClass> helpers_;
};

TcxFilterEditsController* GetFilterEditsController();
// True while a registry exists (tests check that the last unregistration freed it).
bool FilterEditsControllerExists();
// Frees the registry at the end of the program, whatever it still holds.
void FreeFilterEditsController();
