#include "data/access/DBAccessUtils.h"

#include "data/access/CRProps.h"
#include "data/access/CRRecordSet.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DASQL.h"
#include "data/access/DATransaction.h"
#include "platform/core/Exceptions.h"

namespace {
template <class T> T* Checked(T* obj) {
    Assert(obj != nullptr);
    return obj;
}

[[noreturn]] void Unsupported(TObject* obj) {
    throw EAssertionFailed(obj->ClassName(), "DBAccessUtils", __LINE__);
}
} // namespace

void TDBAccessUtils::CheckConnection(TCustomDADataSet* dataSet) {
    Checked(dataSet)->CheckConnection();
}

void TDBAccessUtils::SetAutoCommit(TObject* obj, bool value) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj)))
        sql->SetAutoCommit(value);
    else if (auto* ds = dynamic_cast<TCustomDADataSet*>(obj)) {
        if (!ds->RecordSet()) ds->CreateRecordSet();
        if (ds->Command()) ds->Command()->SetProp(prAutoCommit, value);
    } else
        Unsupported(obj);
}

TCRConnection* TDBAccessUtils::GetIConnection(TCustomDAConnection* connection) {
    return Checked(connection)->InternalConnection();
}

void TDBAccessUtils::ReleaseUse(TCustomDAConnection* connection) {
    Checked(connection)->ReleaseUse();
}

TCustomDAConnection* TDBAccessUtils::GetConnection(TDATransaction* transaction, int index) {
    return Checked(transaction)->Connections(index);
}

TStringList* TDBAccessUtils::GetSQL(TObject* obj) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj))) return sql->SQL();
    if (auto* ds = dynamic_cast<TCustomDADataSet*>(obj)) return ds->SQL();
    Unsupported(obj);
}

void TDBAccessUtils::GetFinalSQL(TObject* obj, AnsiString& text) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj)))
        text = sql->GetFinalSQL();
    else if (auto* ds = dynamic_cast<TCustomDADataSet*>(obj))
        text = ds->GetFinalSQL();
    else
        Unsupported(obj);
}

TDAParams* TDBAccessUtils::GetParams(TObject* obj) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj))) return sql->Params();
    if (auto* ds = dynamic_cast<TCustomDADataSet*>(obj)) return ds->Params();
    Unsupported(obj);
}

void TDBAccessUtils::Execute(TObject* obj) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj)))
        sql->Execute();
    else if (auto* ds = dynamic_cast<TCustomDADataSet*>(obj))
        ds->InternalExecute();
    else
        Unsupported(obj);
}

int TDBAccessUtils::GetRowsAffected(TObject* obj) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj))) return sql->RowsAffected();
    if (auto* ds = dynamic_cast<TCustomDADataSet*>(obj)) {
        Variant value;
        if (ds->Command() && ds->Command()->GetProp(prRowsProcessed, value)) return value.AsInteger();
        return ds->RowsAffected();
    }
    Unsupported(obj);
}

TCRRecordSet* TDBAccessUtils::GetIRecordSet(TCustomDADataSet* dataSet) {
    return Checked(dataSet)->RecordSet();
}

TCRCommand* TDBAccessUtils::GetICommand(TCustomDADataSet* dataSet) {
    return Checked(dataSet)->Command();
}

TCRTablesInfo* TDBAccessUtils::GetTablesInfo(TCustomDADataSet* dataSet) {
    if (!Checked(dataSet)->RecordSet()) dataSet->CreateRecordSet();
    return &dataSet->RecordSet()->TablesInfo();
}

void TDBAccessUtils::SetSQLText(TObject* obj, const AnsiString& text, bool noMacroScan, bool keepParams) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj)))
        sql->SetSQLTextWithHints(text, noMacroScan, keepParams);
    else
        Unsupported(obj);
}

void TDBAccessUtils::SetTraceSuppressed(TObject* obj, bool value) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(Checked(obj)))
        sql->TraceSuppressed = value;
    else if (auto* data = dynamic_cast<TCustomDADataSet*>(obj))
        data->TraceSuppressed = value;
    else
        Unsupported(obj);
}

TClass TDBAccessUtils::GetSQLMonitorClass(TCustomDAConnection* connection) {
    return Checked(connection)->GetSQLMonitorClass();
}
