#pragma once
// The query data module: the launcher's queries and every statement it runs on the local
// database. The queries use SysDM's connection, bound when that module is created.
#include <memory>

#include "data/access/UniQuery.h"
#include "launcher/CustomDM.h"

class TAppList;
class TFormType;

class TDataDM : public TCustomDM {
public:
    VZ_CLASS(TDataDM, TCustomDM)
    // Binds the queries to SysDM's connection when SysDM exists.
    explicit TDataDM(TComponent* owner);
    // Empties DataDM when it refers to this module.
    ~TDataDM() override;

    // Every query uses connection; Unbind leaves the queries that use it without one.
    void BindConnection(TUniConnection* connection);
    void UnbindConnection(TUniConnection* connection);

    // Every SysConfig row, "Class.Name" to a TStringObject; a later row whose key differs only in
    // letter case replaces the earlier value. The caller owns the list and its objects.
    TAppList* LoadSysConfig();
    // Empty when there is no row.
    AnsiString GetSysConfig(const AnsiString& cls, const AnsiString& name);
    // Updates the row, or adds it when there is none.
    void SetSysConfig(const AnsiString& cls, const AnsiString& name, const AnsiString& value);
    // The first row where column = value; value is SQL as it stands (a quoted literal). Without
    // a row: TypeID 0 and empty texts. FixedCode is always "0001".
    std::unique_ptr<TFormType> GetRepType(const AnsiString& column, const AnsiString& value);
    void SetRepTypeVer(const AnsiString& cls, const AnsiString& typeName, const AnsiString& fileVer);
    // Both tables' rows of the account in one transaction; any error rolls back and is dropped.
    void DeleteAccount(int accID);
    // The settings object reloads its cache and reads every key.
    void LoadSystemConfig();

    TUniQuery* qryAccount = nullptr;
    TUniQuery* qrySystem = nullptr;
    TUniQuery* qryReport = nullptr;
    TUniQuery* qryRepType = nullptr;
    TUniQuery* qryCodeTable = nullptr;
    TUniQuery* qryAccountProp = nullptr;
    TUniQuery* qryAccountPropDef = nullptr;
    TUniQuery* qryAccPropVal = nullptr;
    TUniQuery* qryRepSheet = nullptr;
    TUniQuery* qryWizrdPage = nullptr;
    TUniQuery* qryWizrdItem = nullptr;
    TUniQuery* qryTemp = nullptr;
    TUniQuery* qryModule = nullptr;
    TUniQuery* qrySheetClass = nullptr;
};

// Null until the start routine creates the module.
extern TDataDM* DataDM;
