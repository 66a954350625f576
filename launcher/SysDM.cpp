#include "launcher/SysDM.h"

#include "launcher/DataDM.h"
#include "launcher/Globals.h"

TSysDM* SysDM = nullptr;

TSysDM::TSysDM(TComponent* owner) : TCustomMainDM(owner) {
    OnCreate = [this](TObject* sender) { DataModuleCreate(sender); };
    // Both are set in code once the module is created.
    UniMain->SetDatabase("");
    UniMain->SetPassword("");
    // The query module is made first; its queries name this module's connection.
    if (DataDM) DataDM->BindConnection(UniMain);
}

TSysDM::~TSysDM() {
    if (DataDM) DataDM->UnbindConnection(UniMain);
    if (SysDM == this) SysDM = nullptr;
}

void TSysDM::DataModuleCreate(TObject*) {
    UniMain->SetPassword(LocalDatabasePassword);
    UniMain->SetDatabase(Globals->AppPath + LocalDatabaseFileName);
}

bool TSysDM::OpenSystem() {
    bool result = TCustomMainDM::OpenSystem();
    LoadSkin("DadavAzodo");
    try {
        Reconnect();
    } catch (...) {
        result = false;
    }
    return result;
}
