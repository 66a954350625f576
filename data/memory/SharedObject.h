#pragma once
// Reference-counted objects shared by records, their rollback copies and parameters.
#include "platform/core/ObjectModel.h"
#include "platform/core/Variant.h"

class TSharedObject : public TObject {
public:
    VZ_CLASS(TSharedObject, TObject)
    TSharedObject() = default;
    ~TSharedObject() override { refCount_ = 0; }

    void AddRef() { ++refCount_; }
    // The last reference destroys the object; releasing a dead count is an assertion failure.
    void Release();
    // The same as Release; a nil object is ignored.
    static void Free(TSharedObject* object) {
        if (object) object->Release();
    }
    int RefCount() const { return refCount_; }
    // The reference records and parameters store.
    void* GetHandle() { return this; }
    virtual void DoNotify() {}

private:
    int refCount_ = 1;
};

// Holder of a Variant field's value.
class TVariantObject : public TSharedObject {
public:
    VZ_CLASS(TVariantObject, TSharedObject)
    TVariantObject() = default;
    explicit TVariantObject(const Variant& value) : Value(value) {}
    Variant Value;
};
