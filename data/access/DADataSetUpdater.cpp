#include "data/access/DADataSetUpdater.h"

#include <cmath>

#include "data/access/CRRecordSet.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/access/DASQL.h"
#include "data/access/DAUpdateSQL.h"
#include "platform/db/DBTypes.h"

TDADataSetUpdater::TDADataSetUpdater(TDataSetService* service)
    : TDataSetUpdater(service), dataSet_(static_cast<TCustomDADataSet*>(service->DataSet())),
      service_(dynamic_cast<TDADataSetService*>(service)) {
    Assert(service_ != nullptr, "Service must be a TDADataSetService (DBAccess)");
}

TDADataSetUpdater::~TDADataSetUpdater() = default;

bool TDADataSetUpdater::ValuesEqual(const Variant& a, const Variant& b) {
    if (a == b) return true;
    if (a.VarType() == varDate && b.VarType() == varDate)
        return std::fabs(a.AsDouble() - b.AsDouble()) < 1.1576048564e-08;
    return false;
}

AnsiString TDADataSetUpdater::LockSavepointName(bool cached) const {
    AnsiString name = (cached ? "LOCK_CU_" : "LOCK_") + dataSet_->Name();
    if (name.size() > 30) name.resize(30);
    return name;
}

TCustomDADataSet* TDADataSetUpdater::CheckUpdateQuery(TStatementType type) {
    auto& query = queries_[type];
    if (!query) {
        Assert(dataSet_->Connection() != nullptr, "Connection must be set (DBAccess)");
        query.reset(dataSet_->NewDataSet());
        Assert(query != nullptr, "The dataset makes no update query (DBAccess)");
    }
    query->Close();
    query->SetConnection(dataSet_->Connection());
    query->SetReadOnly(true);
    return query.get();
}

bool TDADataSetUpdater::FindFieldForParam(AnsiString& name, bool& old, TField*& field) {
    old = false;
    if (name.size() > 4 && SameText(name.substr(0, 4), "OLD_") && !dataSet_->FindField(name)) {
        old = true;
        name = name.substr(4);
    }
    field = dataSet_->FindField(name);
    return field != nullptr;
}

void TDADataSetUpdater::FillParamsByName(TDAParams* params) {
    TCRRecordSet* rs = service_->RecordSet();
    void* oldBuffer = dataSet_->OldValueBuffer();
    void* newBuffer = dataSet_->NewValueBuffer();
    const bool inserting = dataSet_->State() == dsInsert;
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* param = params->Items(i);
        AnsiString name = service_->SQLInfo()->UnQuote(param->Name());
        bool old = false;
        TField* field = nullptr;
        if (!FindFieldForParam(name, old, field))
            DatabaseErrorFmt("Not found field corresponding parameter %s", param->Name());
        TFieldDesc* desc = rs->FieldDescs().FindDesc(field->FieldName());
        Variant value;
        if (desc)
            rs->GetFieldAsVariant(rs->FieldDescs().IndexOf(desc) + 1,
                                  old && !inserting ? oldBuffer : newBuffer, value);
        if (value.IsNull()) param->SetDataType(field->DataType());
        param->SetValue(value);
        param->SetParamType(ptInput);
    }
}

int TDADataSetUpdater::PerformSQL(TStatementType type) {
    // The update component's object, then its text, before anything generated.
    if (TCustomDAUpdateSQL* updateSQL = dataSet_->UpdateObject()) {
        if (TComponent* object = updateSQL->ObjectOf(type)) {
            if (auto* query = dynamic_cast<TCustomDADataSet*>(object)) {
                if (Trim(query->SQL()->Text()).empty())
                    DatabaseError("SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject "
                                  "cannot be empty");
                FillParamsByName(query->Params());
                query->Execute();
                return query->RowsAffected();
            }
            auto* sql = static_cast<TCustomDASQL*>(object);
            if (Trim(sql->SQL()->Text()).empty())
                DatabaseError("SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject "
                              "cannot be empty");
            FillParamsByName(sql->Params());
            sql->Execute();
            return sql->RowsAffected();
        }
        TStringList* text = updateSQL->SQLOf(type);
        if (text && !Trim(text->Text()).empty()) {
            TCustomDADataSet* query = CheckUpdateQuery(type);
            query->SetSQL(*text);
            FillParamsByName(query->Params());
            query->Execute();
            return query->RowsAffected();
        }
    }
    const bool modifiedOnly =
        !(dataSet_->ComponentState() & csDesigning) && !dataSet_->Options()->UpdateAllFields;
    TDAParams generated;
    TDASQLGenerator* generator = service_->SQLGenerator();
    AnsiString sql = generator->GenerateSQL(type, modifiedOnly, -1, &generated);
    if (sql.empty()) return -1;
    TCustomDADataSet* query = CheckUpdateQuery(type);
    int count = 0;
    TStringList lines;
    lines.SetText(SqlNumberQuestionMarkers(sql, dataSet_->Command()->GetParserClass(), &count));
    query->SetSQL(lines);
    // The generated parameters stand in order; each takes its field's old or new value.
    TDAParamsInfo* info = generator->ParamsInfo();
    TCRRecordSet* rs = service_->RecordSet();
    void* oldBuffer = dataSet_->OldValueBuffer();
    void* newBuffer = dataSet_->NewValueBuffer();
    for (int i = 0; i < info->Count() && i < query->Params()->Count(); ++i) {
        TDAParamInfo* item = info->Items(i);
        TDAParam* param = query->Params()->Items(i);
        if (!item->Field)
            DatabaseErrorFmt("Not found field corresponding parameter %s", generated[i]->Name());
        TFieldDesc* desc = rs->FieldDescs().FindDesc(item->Field->FieldName());
        Variant value;
        rs->GetFieldAsVariant(rs->FieldDescs().IndexOf(desc) + 1, item->Old ? oldBuffer : newBuffer, value);
        // A Null value carries no type of its own: the field's type goes with it.
        if (value.IsNull()) param->SetDataType(item->Field->DataType());
        param->SetValue(value);
        param->SetParamType(ptInput);
    }
    query->Execute();
    return query->RowsAffected();
}

void TDADataSetUpdater::CheckRowsAffected(int rows, bool insert) {
    if (!dataSet_->Options()->StrictUpdate) return;
    if (insert ? rows == 0 : rows != 1)
        DatabaseError("Update failed. Found " + IntToStr(rows < 0 ? 0 : rows) + " records");
}

bool TDADataSetUpdater::PerformInsert() {
    CheckRowsAffected(PerformSQL(stInsert), true);
    return true;
}

bool TDADataSetUpdater::PerformUpdate() {
    int rows = PerformSQL(stUpdate);
    if (rows >= 0) CheckRowsAffected(rows, false);
    return true;
}

bool TDADataSetUpdater::PerformDelete() {
    CheckRowsAffected(PerformSQL(stDelete), false);
    return true;
}
