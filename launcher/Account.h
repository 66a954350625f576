#pragma once
// Account services of the launcher's units: one helper and one importer, made when the unit
// starts. Nothing in the launcher calls them.
#include "platform/core/ObjectModel.h"

class TAccountHelper : public TObject {
public:
    VZ_CLASS(TAccountHelper, TObject)
    // The account's rows of both tables, through DataDM.
    virtual void DeleteAccount(int accID);
};

class TAccountImporter : public TObject {
public:
    VZ_CLASS(TAccountImporter, TObject)
};

// Null until AccountInitialize and after AccountFinalize.
extern TAccountHelper* AccountHelper;
extern TAccountImporter* AccountImporter;

void AccountInitialize();
void AccountFinalize();
