#include "launcher/Account.h"

#include "launcher/DataDM.h"

TAccountHelper* AccountHelper = nullptr;
TAccountImporter* AccountImporter = nullptr;

void TAccountHelper::DeleteAccount(int accID) {
    DataDM->DeleteAccount(accID);
}

void AccountInitialize() {
    if (!AccountHelper) AccountHelper = new TAccountHelper();
    if (!AccountImporter) AccountImporter = new TAccountImporter();
}

void AccountFinalize() {
    delete AccountImporter;
    AccountImporter = nullptr;
    delete AccountHelper;
    AccountHelper = nullptr;
}
