#include "launcher/Account.h"

#include "launcher/DataDM.h"
#include "platform/core/Exceptions.h"

TAccountHelper* AccountHelper = nullptr;
TAccountImporter* AccountImporter = nullptr;

void TAccountHelper::DeleteAccount(int accID) {
    if (!DataDM) throw EInvalidOperation("The query data module does not exist");
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
