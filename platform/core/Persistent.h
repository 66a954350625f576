#pragma once
// Objects that can copy their state from one another (Assign) and name their owner.
#include "platform/core/ObjectModel.h"

class TFiler;

class TPersistent : public TObject {
public:
    VZ_CLASS(TPersistent, TObject)
    // Copies source into this object. The base asks source->AssignTo(this); when neither side
    // knows the other, raises EConvertError "Cannot assign a <source class> to a <this class>"
    // (source nullptr reads "nil").
    virtual void Assign(TPersistent* source);
    virtual TPersistent* GetOwner() { return nullptr; }
    // Names the stored properties beyond the plain ones to a reader or writer (TFiler); none here.
    virtual void DefineProperties(TFiler*) {}

protected:
    // Copies this object into dest; the base refuses with the assignment error.
    virtual void AssignTo(TPersistent* dest);
    [[noreturn]] void AssignError(TPersistent* source);
};
