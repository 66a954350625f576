#include "launcher/Globals.h"

#include "launcher/Utils.h"
#include "platform/core/StringLists.h"

TGlobals* Globals = nullptr;
TModuleList* ModuleList = nullptr;
TStringList* GlobalStrings = nullptr;

TGlobals::TGlobals()
    : FileVersion(GetExeFileVersion()), AppPath(GetAppPath()), TempPath(GetTempDir()), StartTime(Now()) {}

void TGlobals::Logout() {
    PreviousLoginName = LoginName;
    LoginName.clear();
    LoginState = -1;
}

void TModuleList::FreeModules() {
    for (int i = 0; i < Count(); ++i) {
        delete static_cast<TObject*>(Items(i));
        SetItems(i, nullptr);
    }
    Clear();
}

void GlobalsInitialize() {
    if (!Globals) Globals = new TGlobals();
    if (!ModuleList) ModuleList = new TModuleList();
    if (!GlobalStrings) GlobalStrings = new TStringList();
}

void GlobalsFinalize() {
    delete Globals;
    Globals = nullptr;
    if (ModuleList) ModuleList->FreeModules();
    delete ModuleList;
    ModuleList = nullptr;
    delete GlobalStrings;
    GlobalStrings = nullptr;
}
