#include "launcher/CustomDM.h"

#include "ui/skins/SkinPainters.h"

TCustomDM::TCustomDM(TComponent* owner) : TDataModule(owner) {
    OldCreateOrder = false;
}

// The stored form: the connection as designed (the derived module sets the real database path),
// then the skin controller.
TCustomMainDM::TCustomMainDM(TComponent* owner) : TCustomDM(owner) {
    OldCreateOrder = true;
    UniMain = new TUniConnection(this);
    UniMain->SetName("UniMain");
    UniMain->SetProviderName("Access");
    UniMain->SetDatabase("VazEvor.mdb");
    UniMain->LoginPrompt = false;
    UniMain->Options()->KeepDesignConnected = false;
    UniMain->SetPassword(LocalDatabasePassword);

    dxSkinController1 = new TdxSkinController(this);
    dxSkinController1->SetName("dxSkinController1");
    dxSkinController1->SetKind(lfOffice11);
    dxSkinController1->SetSkinName("UserSkin");
}

void TCustomMainDM::Reconnect() {
    UniMain->SetConnected(false);
    UniMain->SetConnected(true);
}

void TCustomMainDM::Disconnect() {
    UniMain->SetConnected(false);
}

void TCustomMainDM::StartTransaction() {
    UniMain->StartTransaction();
}

void TCustomMainDM::Commit() {
    UniMain->Commit();
}

void TCustomMainDM::Rollback() {
    UniMain->Rollback();
}

void TCustomMainDM::LoadSkin(const AnsiString& skinName) {
    LoadUserSkinFromFile("UICore.dll", skinName);
}

bool TCustomMainDM::OpenSystem() {
    return true;
}
