#pragma once
// Process-wide globals: the one globals record, the module list and a spare string list.
#include "platform/core/DateTime.h"
#include "platform/core/Lists.h"
#include "platform/core/Strings.h"

class TStringList;

class TGlobals : public TObject {
public:
    VZ_CLASS(TGlobals, TObject)
    TGlobals();

    // Keeps the name for the next login and clears the session.
    virtual void Logout();

    AnsiString FileVersion;
    AnsiString AppPath;  // with a trailing backslash
    AnsiString TempPath; // with a trailing backslash
    AnsiString LoginName;
    AnsiString Password;
    int LoginState = -1;
    int LoginType = -1;
    AnsiString PreviousLoginName;
    TDateTime StartTime = 0; // local time at creation
    AnsiString CaGuid1;
    AnsiString CaGuid2;
};

// A list of owned objects (TObject*); FreeModules frees them in order and empties the list.
class TModuleList : public TList {
public:
    VZ_CLASS(TModuleList, TList)
    ~TModuleList() override { FreeModules(); }
    void FreeModules();
};

// Null until GlobalsInitialize and after GlobalsFinalize.
extern TGlobals* Globals;
extern TModuleList* ModuleList;
extern TStringList* GlobalStrings;

void GlobalsInitialize();
void GlobalsFinalize();
