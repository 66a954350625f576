#pragma once
// How an editor reaches the place its value is stored in (the data binding, which owns the
// default values provider of that place), and the data a host keeps per row or cell across
// inplace activations of an editor.
#include <memory>

#include "ui/editors/framework/EditProperties.h"

// The base binding keeps the value in the editor itself; descendants bind a data storage.
class TcxEditDataBinding : public TPersistent {
public:
    VZ_CLASS(TcxEditDataBinding, TPersistent)
    TcxEditDataBinding() = default;
    ~TcxEditDataBinding() override;

    // The virtual constructor: a binding of bindingClass (this class or a descendant) for edit.
    static std::unique_ptr<TcxEditDataBinding> Create(TClass bindingClass, IcxEditSide* edit);

    IcxEditSide* Edit() const { return edit_; }
    // Made from DefaultValuesProviderClass (without owner) on first use, owned.
    TcxCustomEditDefaultValuesProvider* DefaultValuesProvider();
    IcxEditDefaultValuesProvider* QueryDefaultValuesProvider() { return DefaultValuesProvider(); }
    bool IsValueSourceAvailable() { return QueryDefaultValuesProvider()->IsValueAvailable(); }

    virtual void ReapplyProperties();
    virtual Variant ReadDisplayValue();
    virtual bool ReadModified();
    virtual bool IsValueModified();
    virtual Variant ReadStoredValue();
    virtual bool SpareTestA() { return false; }
    virtual void RevertEditor();
    virtual void PutDisplayValue(const Variant& value);
    // Marks the editor modified.
    virtual bool EnterEditMode();
    virtual void WriteStoredValue(const Variant&) {}
    // True when designing or while the editor is not modified.
    virtual bool IsDisplayReplaceable();
    virtual bool HasValueToPost() { return IsValueModified(); }
    virtual bool HandleExecuteAction(TObject*) { return false; }
    virtual TClass DefaultValuesProviderClass() const;
    virtual void MarkModifiedIfFocused();
    virtual bool HandleUpdateAction(TObject*) { return false; }
    virtual void RefreshDisplayValue();
    // The editor was loaded, renamed or got a parent.
    virtual void EditorStateChanged() {}

    TPersistent* GetOwner() override;

protected:
    // Runs once the binding knows its editor; descendants that override call the base first.
    virtual void Initialize(IcxEditSide* edit) { edit_ = edit; }

private:
    IcxEditSide* edit_ = nullptr;
    std::unique_ptr<TcxCustomEditDefaultValuesProvider> provider_;
};

// Host data of one row or cell, handed to the editor at each inplace activation.
class TcxCustomEditData : public TObject {
public:
    VZ_CLASS(TcxCustomEditData, TObject)
    TcxCustomEditData() = default;
    ~TcxCustomEditData() override;

    // The virtual constructor: edit data of dataClass watching edit's component.
    static std::unique_ptr<TcxCustomEditData> Create(TClass dataClass, IcxEditSide* edit);

    // nullptr once the editor is gone.
    IcxEditSide* Edit() const { return edit_; }
    bool Cleared() const { return cleared_; }
    void SetCleared(bool value) { cleared_ = value; }
    // Marks the data cleared; the editor re-initialises it at once when it is using it now.
    void Clear();

protected:
    virtual void Initialize(IcxEditSide* edit);

private:
    void EditGone(TComponent* component);

    bool cleared_ = false;
    IcxEditSide* edit_ = nullptr;
    TComponent* editComponent_ = nullptr;
    std::unique_ptr<TcxFreeNotificator> notificator_;
};
