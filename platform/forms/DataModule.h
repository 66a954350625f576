#pragma once
// A non-visual container of components (connections, queries, controllers) built from its
// stored form. OnCreate runs once the whole stored form, down to the most derived class, is
// built: the application's CreateForm calls AfterConstruction for that.
#include <functional>

#include "platform/core/Components.h"

class TDataModule : public TComponent {
public:
    VZ_CLASS(TDataModule, TComponent)
    explicit TDataModule(TComponent* owner);

    // Fires OnCreate the first time; later calls do nothing.
    virtual void AfterConstruction();

    std::function<void(TObject* sender)> OnCreate;
    bool OldCreateOrder = false;

protected:
    virtual void DoCreate();

private:
    bool created_ = false;
};
