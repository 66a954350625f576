#include "data/access/DADataSetUpdater.h"

#include <cmath>

#include "data/access/CRRecordSet.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
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

int TDADataSetUpdater::PerformSQL(TStatementType type) {
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
