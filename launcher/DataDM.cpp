#include "launcher/DataDM.h"

#include "launcher/AppList.h"
#include "launcher/FormData.h"
#include "launcher/SysConfig.h"
#include "launcher/SysDM.h"
#include "platform/db/Fields.h"

TDataDM* DataDM = nullptr;

namespace {

// Texts go into the statements as SQL string literals: a single quote inside is doubled, so a
// quote in a module code or version cannot end the literal early.
AnsiString Literal(const AnsiString& text) {
    return StringReplace(text, "'", "''", rfReplaceAll);
}

// Each routine leaves its query closed, also when a statement raises.
class ClosesQuery {
public:
    explicit ClosesQuery(TUniQuery* query) : query_(query) {}
    ~ClosesQuery() {
        try {
            query_->Close();
        } catch (...) {
        }
    }
    ClosesQuery(const ClosesQuery&) = delete;
    ClosesQuery& operator=(const ClosesQuery&) = delete;

private:
    TUniQuery* query_;
};

void SetStatement(TUniQuery* query, const AnsiString& text) {
    query->Close();
    query->SQL()->SetText(text);
}

TUniQuery* NewQuery(TComponent* owner, const char* name) {
    auto* query = new TUniQuery(owner);
    query->SetName(name);
    return query;
}

} // namespace

// The stored form: fourteen queries, each naming SysDM's connection.
TDataDM::TDataDM(TComponent* owner) : TCustomDM(owner) {
    OldCreateOrder = true;
    qryAccount = NewQuery(this, "qryAccount");
    qrySystem = NewQuery(this, "qrySystem");
    qryReport = NewQuery(this, "qryReport");
    qryRepType = NewQuery(this, "qryRepType");
    qryCodeTable = NewQuery(this, "qryCodeTable");
    qryAccountProp = NewQuery(this, "qryAccountProp");
    qryAccountPropDef = NewQuery(this, "qryAccountPropDef");
    qryAccPropVal = NewQuery(this, "qryAccPropVal");
    qryRepSheet = NewQuery(this, "qryRepSheet");
    qryWizrdPage = NewQuery(this, "qryWizrdPage");
    qryWizrdItem = NewQuery(this, "qryWizrdItem");
    qryTemp = NewQuery(this, "qryTemp");
    qryModule = NewQuery(this, "qryModule");
    qrySheetClass = NewQuery(this, "qrySheetClass");
    if (SysDM) BindConnection(SysDM->UniMain);
}

TDataDM::~TDataDM() {
    if (DataDM == this) DataDM = nullptr;
}

void TDataDM::BindConnection(TUniConnection* connection) {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* query = dynamic_cast<TUniQuery*>(Components(i))) query->SetConnection(connection);
}

void TDataDM::UnbindConnection(TUniConnection* connection) {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* query = dynamic_cast<TUniQuery*>(Components(i)); query && query->Connection() == connection)
            query->SetConnection(nullptr);
}

TAppList* TDataDM::LoadSysConfig() {
    // Freed with its objects unless every row was read.
    std::unique_ptr<TAppList, void (*)(TAppList*)> list(new TAppList(false),
                                                        [](TAppList* l) { FreeListAndObjects(l); });
    ClosesQuery closes(qrySystem);
    SetStatement(qrySystem, "select * from SysConfig");
    qrySystem->Prepare();
    qrySystem->Open();
    while (!qrySystem->Eof()) {
        AnsiString value = qrySystem->FieldByName("SysVal")->AsString();
        AnsiString cls = qrySystem->FieldByName("Class")->AsString();
        AnsiString name = qrySystem->FieldByName("Name")->AsString();
        list->SetValue(cls + "." + name, value);
        qrySystem->Next();
    }
    return list.release();
}

AnsiString TDataDM::GetSysConfig(const AnsiString& cls, const AnsiString& name) {
    AnsiString result;
    ClosesQuery closes(qrySystem);
    SetStatement(qrySystem, Format("select SysVal from SysConfig where Class='%s' and Name='%s'",
                                   {Literal(cls), Literal(name)}));
    qrySystem->Prepare();
    qrySystem->Open();
    if (qrySystem->RecordCount() > 0) result = qrySystem->FieldByName("SysVal")->AsString();
    return result;
}

void TDataDM::SetSysConfig(const AnsiString& cls, const AnsiString& name, const AnsiString& value) {
    ClosesQuery closes(qrySystem);
    SetStatement(qrySystem, Format("update SysConfig set SysVal='%s' where Class='%s' and Name='%s'",
                                   {Literal(value), Literal(cls), Literal(name)}));
    qrySystem->Prepare();
    qrySystem->Execute();
    // A missing row is added: the settings object caches the value as stored, and the update
    // check must find the version it records on the next start.
    if (qrySystem->RowsAffected() == 0) {
        SetStatement(qrySystem, Format("insert into SysConfig (Class, Name, SysVal) values ('%s','%s','%s')",
                                       {Literal(cls), Literal(name), Literal(value)}));
        qrySystem->Execute();
    }
}

std::unique_ptr<TFormType> TDataDM::GetRepType(const AnsiString& column, const AnsiString& value) {
    auto result = std::make_unique<TFormType>();
    ClosesQuery closes(qryRepType);
    SetStatement(qryRepType, Format("select * from RepType where %s=%s", {column, value}));
    qryRepType->Prepare();
    qryRepType->Open();
    result->TypeID = qryRepType->FieldByName("TypeID")->AsInteger();
    result->Class = qryRepType->FieldByName("Class")->AsString();
    result->TypeName = qryRepType->FieldByName("TypeName")->AsString();
    result->TypeDesc = qryRepType->FieldByName("TypeDesc")->AsString();
    result->TypeFile = qryRepType->FieldByName("TypeFile")->AsString();
    result->FileVer = qryRepType->FieldByName("FileVer")->AsString();
    result->RepTime = qryRepType->FieldByName("RepTime")->AsString();
    result->FixedCode = "0001";
    return result;
}

void TDataDM::SetRepTypeVer(const AnsiString& cls, const AnsiString& typeName, const AnsiString& fileVer) {
    ClosesQuery closes(qryRepType);
    SetStatement(qryRepType, Format("update RepType set FileVer='%s' where Class='%s' and TypeName='%s'",
                                    {Literal(fileVer), Literal(cls), Literal(typeName)}));
    qryRepType->Execute();
}

void TDataDM::DeleteAccount(int accID) {
    ClosesQuery closes(qryAccount);
    auto* connection = static_cast<TUniConnection*>(qryAccount->Connection());
    try {
        if (!connection) throw EDatabaseError("No connection for the account statements");
        connection->StartTransaction();
        SetStatement(qryAccount, Format("delete from Accounts where AccID = %d", {accID}));
        qryAccount->Execute();
        qryAccount->Close();
        SetStatement(qryAccount, Format("delete from AccProps where AccID=%d", {accID}));
        qryAccount->Execute();
        connection->Commit();
    } catch (...) {
        try {
            if (connection && connection->GetInTransaction()) connection->Rollback();
        } catch (...) {
        }
    }
}

void TDataDM::LoadSystemConfig() {
    SystemConfig->LoadConfig();
}
