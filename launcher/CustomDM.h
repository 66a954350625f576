#pragma once
// The launcher's data-module bases: TCustomDM, and TCustomMainDM with the one connection to the
// local database and the skin controller that styles the launcher's windows.
#include "data/access/UniConnection.h"
#include "platform/forms/DataModule.h"
#include "ui/skins-forms/SkinController.h"

class TCustomDM : public TDataModule {
public:
    VZ_CLASS(TCustomDM, TDataModule)
    explicit TCustomDM(TComponent* owner);
};

class TCustomMainDM : public TCustomDM {
public:
    VZ_CLASS(TCustomMainDM, TCustomDM)
    explicit TCustomMainDM(TComponent* owner);

    // Closes and opens the connection again (a replaced database file is read afresh).
    void Reconnect();
    void Disconnect();
    void StartTransaction();
    void Commit();
    void Rollback();
    // Loads the named pack of the skin file "UICore.dll" (current directory) into the user skin.
    // The answer is not used; a missing file raises.
    void LoadSkin(const AnsiString& skinName);
    virtual bool OpenSystem();

    TUniConnection* UniMain = nullptr;
    // Office 11 with the user skin for every form and control; never touched at run time.
    TdxSkinController* dxSkinController1 = nullptr;
};

// The database password of "VazEvor.mdb".
constexpr const char* LocalDatabasePassword = "qmvadlorp";
constexpr const char* LocalDatabaseFileName = "VazEvor.mdb";
