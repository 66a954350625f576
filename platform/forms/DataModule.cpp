#include "platform/forms/DataModule.h"

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {}

void TDataModule::AfterConstruction() {
    if (created_) return;
    created_ = true;
    DoCreate();
}

void TDataModule::DoCreate() {
    if (OnCreate) OnCreate(this);
}
