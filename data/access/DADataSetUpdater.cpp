#include "data/access/DADataSetUpdater.h"

#include <cctype>
#include <cmath>
#include <set>

#include "data/access/CRRecordSet.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/access/DASQL.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/DATransaction.h"
#include "data/access/DAUpdateSQL.h"
#include "data/access/DBAccessUtils.h"
#include "data/memory/BlockManager.h"
#include "data/memory/MemData.h"
#include "data/memory/MemUtils.h"
#include "platform/db/DBTypes.h"

namespace {

bool Has(TStatementTypes types, TStatementType type) {
    return (types & StatementTypes(type)) != 0;
}

bool IsRefreshType(TStatementType type) {
    return type == stRefresh || type == stRefreshQuick || type == stRefreshCheckDeleted;
}

// The one type of a set; a lock that also re-reads counts as a lock, any other mix as custom.
TStatementType SingleType(TStatementTypes types) {
    if (types == StatementTypes(stLock, stRefresh)) return stLock;
    for (int t = stQuery; t <= stBatchUpdate; ++t)
        if (types == StatementTypes(static_cast<TStatementType>(t))) return static_cast<TStatementType>(t);
    return stCustom;
}

bool StartsWithWord(const AnsiString& text, const char* word) {
    const size_t n = std::char_traits<char>::length(word);
    return text.size() >= n && SameText(text.substr(0, n), word);
}

const char* const kObjectSQLEmpty =
    "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty";

} // namespace

TDADataSetUpdater::TDADataSetUpdater(TDataSetService* service)
    : TDataSetUpdater(service), dataSet_(static_cast<TCustomDADataSet*>(service->DataSet())),
      service_(dynamic_cast<TDADataSetService*>(service)),
      batchParams_(std::make_unique<TDAParams>(nullptr)) {
    Assert(service_ != nullptr, "Service must be a TDADataSetService (DBAccess)");
}

TDADataSetUpdater::~TDADataSetUpdater() = default;

// ---- simple answers ----------------------------------------------------------------------------

bool TDADataSetUpdater::ReturnsParams() {
    return dataSet_->Options()->ReturnParams || dataSet_->DMLRefresh;
}

bool TDADataSetUpdater::NeedsRefreshAfterInsert() {
    return !dataSet_->DMLRefresh || dataSet_->Options()->FullRefresh;
}

bool TDADataSetUpdater::HoldsConnection() {
    return (dataSet_->State() == dsEdit && HoldsConnectionOnEdit()) ||
           (dataSet_->State() == dsInsert && HoldsConnectionOnInsert());
}

bool TDADataSetUpdater::GetIdentityValue(Variant&) {
    return false;
}

bool TDADataSetUpdater::BatchUpdateActive() {
    return dataSet_->InCacheProcessing() && dataSet_->Options()->UpdateBatchSize > 1 &&
           !dataSet_->UpdateObject();
}

bool TDADataSetUpdater::BatchIsFull() {
    return BatchUpdateActive() && batchCount_ >= 1 && batchCount_ >= dataSet_->Options()->UpdateBatchSize;
}

bool TDADataSetUpdater::ValuesEqual(const Variant& a, const Variant& b) {
    if (VariantsEqual(a, b)) return true;
    if (a.VarType() == varDate && b.VarType() == varDate)
        return std::fabs(a.AsDouble() - b.AsDouble()) < 1.1576048564e-08;
    return false;
}

AnsiString TDADataSetUpdater::LockSavepointName(bool cached) const {
    AnsiString name = (cached ? "LOCK_CU_" : "LOCK_") + dataSet_->Name();
    if (name.size() > 30) name.resize(30);
    return name;
}

// ---- lock transaction --------------------------------------------------------------------------

void TDADataSetUpdater::BeginLockTransaction(const AnsiString& savepoint, bool cached) {
    TDATransaction* transaction = dataSet_->UsedUpdateTransaction();
    if (!transaction) DatabaseError("Transaction not assigned");
    if (transaction->Active()) {
        if (SavepointAllowed()) transaction->Savepoint(savepoint);
        if (!dataSet_->CachedUpdates())
            lockState_ = lsNone;
        else if (cached)
            lockState_ = lsSavepointCached;
    } else {
        transaction->StartTransaction();
        lockState_ = cached ? lsStartedCached : lsStarted;
    }
    lockTransaction_ = transaction;
}

void TDADataSetUpdater::EndLockTransaction(const AnsiString& savepoint, bool cached) {
    if (!lockTransaction_) return;
    try {
        if ((lockState_ == lsStarted && !cached) || (lockState_ == lsStartedCached && cached)) {
            lockTransaction_->Rollback();
            lockState_ = lsNone;
        } else if (!SavepointAllowed()) {
            // Without a savepoint only a transaction the lock started may be rolled back; the
            // caller's own would lose its uncommitted work, so it stays as it is.
            if (lockState_ == lsStarted || lockState_ == lsStartedCached) {
                if (dataSet_->Connection()->IsMultipleTransactionsSupported())
                    lockTransaction_->RollbackRetaining();
                else
                    lockTransaction_->Rollback();
            }
            lockState_ = lsNone;
        } else {
            lockTransaction_->RollbackToSavepoint(savepoint);
            if (cached && lockState_ == lsSavepointCached) lockState_ = lsNone;
        }
    } catch (...) {
    }
    if (!(dataSet_->CachedUpdates() && lockState_ != lsNone)) lockTransaction_ = nullptr;
}

void TDADataSetUpdater::ResetLockState() {
    lockTransaction_ = nullptr;
    lockState_ = lsNone;
}

// ---- choosing and preparing the statement --------------------------------------------------------

bool TDADataSetUpdater::FindFieldForParam(AnsiString& name, bool& old, TField*& field) {
    old = false;
    if (name.size() > 4 && SameText(name.substr(0, 4), "OLD_") && !dataSet_->FindField(name)) {
        old = true;
        name = name.substr(4);
    }
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0]))) {
        field = dataSet_->FindField(name);
        if (!field) {
            const int number = StrToIntDef(name, 0);
            for (int i = 0; i < dataSet_->FieldCount(); ++i)
                if (dataSet_->Fields()[i]->FieldNo() == number) field = dataSet_->Fields()[i];
        }
    } else {
        field = dataSet_->FindField(name);
    }
    return field != nullptr;
}

AnsiString TDADataSetUpdater::GetUpdateSQLText(TStatementType type) {
    TStringList* list = dataSet_->UserSQLOf(type);
    AnsiString text = list ? list->Text() : AnsiString();
    if (type == stRefresh || type == stLock) text = Trim(text);
    const TSQLParserClass* parser = dataSet_->Command() ? dataSet_->Command()->GetParserClass() : nullptr;
    if (type == stRefresh && StartsWithWord(text, "WHERE"))
        return SqlAppendCondition(dataSet_->GetFinalSQL(), Trim(text.substr(5)), parser);
    if (type == stLock && StartsWithWord(text, "FOR")) {
        AnsiString refresh = GetUpdateSQLText(stRefresh);
        // Without a refresh text of the user's the lock follows the generated one; a lock text
        // alone would lock nothing it could name.
        if (refresh.empty()) refresh = service_->SQLGenerator()->GenerateSQL(stRefresh, false, -1, nullptr);
        return refresh + "\r" + text;
    }
    return text;
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
    query->TraceSuppressed = true;
    query->Options()->FullRefresh = dataSet_->Options()->FullRefresh;
    AfterCreateUpdateQuery(query.get());
    updateQuery_ = query.get();
    return query.get();
}

TDAParamsInfo* TDADataSetUpdater::PrepareUpdateQuery(const AnsiString& sql, TStatementTypes types,
                                                     bool generate) {
    const TStatementType type = SingleType(types);
    TCustomDAUpdateSQL* updateSQL = dataSet_->UpdateObject();
    if (updateSQL) {
        if (TComponent* object = updateSQL->ObjectOf(type)) {
            updateQuery_ = object;
            if (Trim(TDBAccessUtils::GetSQL(object)->Text()).empty()) DatabaseError(kObjectSQLEmpty);
            return nullptr;
        }
    }
    TCustomDADataSet* query = CheckUpdateQuery(type);
    const bool dml = type == stInsert || type == stUpdate || type == stDelete || type == stBatchUpdate;
    TDBAccessUtils::SetAutoCommit(query, dml && dataSet_->AutoCommit());

    const bool batching = BatchUpdateActive() && type != stBatchUpdate;
    AnsiString text;
    bool generated = false;
    if (type == stBatchUpdate) {
        text = PrepareBatchSQL(batchSQL_);
    } else if (!sql.empty()) {
        text = sql;
    } else if (updateSQL && updateSQL->SQLOf(type) && !Trim(updateSQL->SQLOf(type)->Text()).empty()) {
        text = updateSQL->SQLOf(type)->Text();
    } else {
        text = GetUpdateSQLText(type);
        if (!text.empty() && dataSet_->Macros()->Count() > 0) dataSet_->Macros()->Expand(text);
        if (text.empty() && generate) {
            const bool modifiedOnly =
                !(dataSet_->ComponentState() & csDesigning) && !dataSet_->Options()->UpdateAllFields;
            const bool noTarget = (type == stRefreshQuick || type == stRefreshCheckDeleted) &&
                                  (!dataSet_->FilterSQL().empty() || dataSet_->ActiveMaster());
            text = service_->SQLGenerator()->GenerateSQL(type, modifiedOnly, batching ? batchCount_ : -1,
                                                         noTarget ? nullptr : &generated_);
            generated = !noTarget;
        }
    }
    TDAParamsInfo* info = generated ? service_->SQLGenerator()->ParamsInfo() : nullptr;
    const TSQLParserClass* parser = dataSet_->Command() ? dataSet_->Command()->GetParserClass() : nullptr;
    if (generated) {
        // Positional markers become numbered ones, which the query's parameters follow in order.
        text = SqlNumberQuestionMarkers(text, parser);
    }
    if (batching && !text.empty() && type != stLock && type != stRefresh) {
        // The statement joins the batch: its parameters, filled now, are renamed for its place.
        TStringList lines;
        lines.SetText(text);
        if (query->SQL()->Text() != lines.Text()) query->SetSQL(lines);
        FillParams(query->Params(), info, type);
        const AnsiString prefix = "P_" + IntToStr(batchCount_) + "_";
        AnsiString renamed;
        if (generated) {
            // Numbered markers take the generated names, which carry the prefix already.
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] != ':' || i + 1 >= text.size() ||
                    !std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
                    renamed += text[i];
                    continue;
                }
                size_t end = i + 1;
                while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                    ++end;
                const int n = StrToIntDef(text.substr(i + 1, end - i - 1), 0);
                renamed += ":" + (n >= 1 && n <= generated_.Count() ? AnsiString(generated_[n - 1]->Name())
                                                                    : text.substr(i + 1, end - i - 1));
                i = end - 1;
            }
        } else {
            renamed = dataSet_->Command()->ParseSQL(text, nullptr, ":" + prefix);
        }
        for (int i = 0; i < query->Params()->Count(); ++i) {
            TDAParam* from = query->Params()->Items(i);
            auto* to = static_cast<TDAParam*>(batchParams_->Add());
            to->AssignParam(from);
            to->SetName(generated ? generated_[i]->Name() : prefix + from->Name());
        }
        if (!batchSQL_.empty()) batchSQL_ += "\r\n";
        batchSQL_ += renamed + ";";
        ++batchCount_;
        return info;
    }
    TStringList lines;
    lines.SetText(text);
    if (query->SQL()->Text() != lines.Text()) query->SetSQL(lines);
    // Kept prepared between posts; the dataset unprepares its queries when it closes.
    if (dataSet_->Options()->PrepareUpdateSQL && !text.empty() && !query->IsPrepared() &&
        !dataSet_->Connection()->Options()->DisconnectedMode())
        query->Prepare();
    return info;
}

void TDADataSetUpdater::UnprepareUpdateQueries() {
    for (auto& query : queries_)
        if (query) query->Unprepare();
}

void TDADataSetUpdater::FillParams(TDAParams* params, TDAParamsInfo* info, TStatementType type) {
    // The old value, except for a record being inserted (none yet) outside an apply.
    const bool oldAllowed = dataSet_->State() != dsInsert || dataSet_->InCacheProcessing();
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* param = params->Items(i);
        if (info && i < info->Count()) {
            TDAParamInfo* item = info->Items(i);
            if (!item->Field) DatabaseErrorFmt("Not found field corresponding parameter %s", param->Name());
            // The field gives type and size each time: the parameter at this place may have bound
            // another field's value before.
            dataSet_->AssignFieldValue(param, item->Field, item->Old && oldAllowed);
        } else {
            AnsiString name = service_->SQLInfo()->UnQuote(param->Name());
            bool old = false;
            TField* field = nullptr;
            if (FindFieldForParam(name, old, field)) {
                dataSet_->AssignFieldValue(param, field, old && oldAllowed);
            } else if (IsRefreshType(type) && dataSet_->Params()->FindParam(param->Name())) {
                param->AssignParam(dataSet_->Params()->FindParam(param->Name()));
            } else if (!dataSet_->BeforeUpdateExecute) {
                DatabaseErrorFmt("Not found field corresponding parameter %s", param->Name());
            }
        }
        if (!KeepsParamTypes()) param->SetParamType(ptInput);
    }
}

void TDADataSetUpdater::CopyParamsBack(TDAParams* params) {
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* param = params->Items(i);
        if (KeepsParamTypes() && param->ParamType() == ptInput) continue;
        AnsiString name = service_->SQLInfo()->UnQuote(param->Name());
        bool old = false;
        TField* field = nullptr;
        if (!FindFieldForParam(name, old, field) || old) continue;
        const Variant value = param->GetValue();
        if (VariantsEqual(field->GetAsVariant(), value)) continue;
        const bool readOnly = field->ReadOnly();
        field->SetReadOnly(false);
        try {
            field->SetAsVariant(value);
        } catch (...) {
            field->SetReadOnly(readOnly);
            throw;
        }
        field->SetReadOnly(readOnly);
    }
}

void TDADataSetUpdater::CopyRowInto(TCustomDADataSet* query, void* buffer, void* compareBuffer, bool withBlobs) {
    TCRRecordSet* rs = service_->RecordSet();
    TCRRecordSet* qrs = query->RecordSet();
    TDASQLGenerator* generator = service_->SQLGenerator();
    void* queryBuffer = query->ActiveBuffer();
    for (int i = 0; i < qrs->FieldDescs().Count(); ++i) {
        TFieldDesc* column = qrs->FieldDescs()[i];
        if (column->HasParent()) continue;
        int index = generator->ColumnAliasToIndex(column->FieldName);
        if (index < 0 || index >= rs->FieldDescs().Count()) {
            TFieldDesc* desc = rs->FieldDescs().FindDesc(column->FieldName);
            index = desc ? rs->FieldDescs().IndexOf(desc) : -1;
        }
        if (index < 0) continue;
        TFieldDesc* desc = rs->FieldDescs()[index];
        if (generator->IsBlobType(desc->TypeCode) || generator->IsBlobType(column->TypeCode)) {
            // Only the refreshes bring blob values back; a lock compares no blobs.
            if (!withBlobs || compareBuffer || !buffer || desc->TypeCode != column->TypeCode) continue;
            TBlob* target = rs->ReadBlobRef(index + 1, buffer);
            if (!target) {
                rs->CreateComplexField(buffer, index, true);
                target = rs->ReadBlobRef(index + 1, buffer);
            }
            // What the server holds now is no edit: no rollback copy is taken.
            TRollbackOff off(target);
            if (qrs->GetNull(i + 1, queryBuffer)) {
                rs->SetNull(index + 1, buffer, true);
            } else {
                CopyBlobValue(qrs->GetFieldBlob(i + 1, queryBuffer), target);
                rs->SetNull(index + 1, buffer, false);
            }
            continue;
        }
        if (!dataSet_->FindField(desc->FieldName)) continue;
        Variant value;
        qrs->GetFieldAsVariant(i + 1, queryBuffer, value);
        if (compareBuffer) {
            Variant current;
            rs->GetFieldAsVariant(index + 1, compareBuffer, current);
            if (!ValuesEqual(current, value) && !(current.IsEmptyOrNull() && value.IsEmptyOrNull()))
                DatabaseError("Record was changed by another user");
            continue;
        }
        if (value.IsEmptyOrNull())
            rs->SetNull(index + 1, buffer, true);
        else
            rs->PutFieldAsVariant(index + 1, buffer, false, value);
    }
}

void TDADataSetUpdater::CopyRecordFromQuery(TCustomDADataSet* query, bool compareOnly, bool withBlobs) {
    const bool editing = dataSet_->State() == dsEdit || dataSet_->State() == dsInsert;
    void* buffer = editing ? dataSet_->NewValueBuffer() : dataSet_->ActiveBuffer();
    if (!buffer) return;
    if (compareOnly) {
        void* compareBuffer = editing || dataSet_->CachedUpdates() ? dataSet_->OldValueBuffer() : buffer;
        CopyRowInto(query, nullptr, compareBuffer);
        return;
    }
    CopyRowInto(query, buffer, nullptr, withBlobs);
    if (editing || refreshInUpdate_ || dataSet_->InCacheProcessing()) return;
    // Outside an edit the re-read values go into the stored record at once.
    service_->RecordSet()->PutRecord(buffer);
}

// ---- running statements ----------------------------------------------------------------------------

void TDADataSetUpdater::ExecuteUpdateQuery(TStatementTypes types) {
    // The statement is traced as the dataset's, named by its types; its query traces nothing.
    const TClass monitorClass = dataSet_->TraceSuppressed ? nullptr : dataSet_->TracedBy();
    if (!monitorClass) {
        TDBAccessUtils::Execute(updateQuery_);
        return;
    }
    static const char* const names[] = {"Query",      "Insert",       "Update",
                                        "Delete",     "Lock",         "Refresh",
                                        "Custom",     "RefreshQuick", "RefreshCheckDeleted",
                                        "BatchUpdate"};
    AnsiString typeText;
    for (int t = stQuery; t <= stBatchUpdate; ++t)
        if (types & StatementTypes(static_cast<TStatementType>(t)))
            typeText += (typeText.empty() ? "" : ",") + AnsiString(names[t]);
    AnsiString sql;
    TDBAccessUtils::GetFinalSQL(updateQuery_, sql);
    TDAParams* params = TDBAccessUtils::GetParams(updateQuery_);
    int32_t messageId = 0;
    TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, dataSet_, sql, params, typeText, 0, messageId, true);
    TDBAccessUtils::Execute(updateQuery_);
    TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, dataSet_, sql, params, typeText,
                                          TDBAccessUtils::GetRowsAffected(updateQuery_), messageId, false);
}

bool TDADataSetUpdater::PerformSQL(const AnsiString& sql, TStatementTypes types) {
    const TStatementType type = SingleType(types);
    dataSet_->BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        ~End() { d->EndConnection(); }
    } end{dataSet_};
    TDAParamsInfo* info = PrepareUpdateQuery(sql, types, true);
    TObject* query = updateQuery_;
    if (Trim(TDBAccessUtils::GetSQL(query)->Text()).empty()) return false;
    const bool batching = BatchUpdateActive() && type != stBatchUpdate;
    if (batching) return true;
    TDAParams* params = TDBAccessUtils::GetParams(query);
    if (type == stBatchUpdate) {
        for (int i = 0; i < params->Count(); ++i) {
            TDAParam* to = params->Items(i);
            if (TDAParam* from = batchParams_->FindParam(to->Name())) {
                to->AssignParam(from);
                to->SetParamType(ptInput);
            }
        }
    } else {
        FillParams(params, info, type);
    }
    auto* queryDataSet = dynamic_cast<TCustomDADataSet*>(query);
    struct Close {
        TCustomDADataSet* q;
        ~Close() {
            if (q) q->Close();
        }
    } close{queryDataSet};
    {
        // A handler that changes the parameters makes the statement bind them again by name.
        struct Tracking {
            TDAParams* p;
            ~Tracking() { p->ChangeTracker = 0; }
        } tracking{params};
        params->ChangeTracker = 2;
        if (dataSet_->BeforeUpdateExecute) {
            dataSet_->BeforeUpdateExecute(dataSet_, types, params);
            for (int i = 0; i < params->Count(); ++i)
                if (params->Items(i)->DataType() == ftUnknown)
                    DatabaseErrorFmt("Unknown data type of parameter %s", params->Items(i)->Name());
        }
        ExecuteUpdateQuery(types);
    }
    const bool strict = dataSet_->Options()->StrictUpdate;
    if (queryDataSet && queryDataSet->Active() && types == StatementTypes(stRefreshCheckDeleted)) {
        RemoveDeletedRecords(queryDataSet);
    } else if (queryDataSet && queryDataSet->Active() &&
               (type == stRefreshQuick || Has(types, stRefreshCheckDeleted))) {
        MergeQuickRows(queryDataSet);
    } else if (queryDataSet && queryDataSet->Active() && (type == stLock || type == stRefresh)) {
        const int count = queryDataSet->RecordCount();
        dataSet_->rowsAffected_ = count;
        if (strict && count != 1) DatabaseError("Refresh failed. Found " + IntToStr(count) + " records");
        if (count >= 1) {
            queryDataSet->First();
            if (Has(types, stRefresh))
                CopyRecordFromQuery(queryDataSet, false, type == stRefresh);
            else if (!(dataSet_->RefreshOptions & roBeforeEdit))
                CopyRecordFromQuery(queryDataSet, true);
        }
    } else if (!(queryDataSet && queryDataSet->Active())) {
        const int rows = TDBAccessUtils::GetRowsAffected(query);
        dataSet_->rowsAffected_ = rows;
        if (strict && (rows == 0 || rows > 1))
            DatabaseError("Update failed. Found " + IntToStr(rows) + " records");
        if (type != stBatchUpdate && ReturnsParams() && !RefreshesFromResult()) CopyParamsBack(params);
    }
    if (dataSet_->AfterUpdateExecute) dataSet_->AfterUpdateExecute(dataSet_, types, params);
    return true;
}

Variant TDADataSetUpdater::ExecuteSelectValue(const AnsiString& sql) {
    TCustomDADataSet* query = CheckUpdateQuery(stCustom);
    TStringList lines;
    lines.SetText(sql);
    query->SetSQL(lines);
    dataSet_->BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        TCustomDADataSet* q;
        ~End() {
            q->Close();
            d->EndConnection();
        }
    } end{dataSet_, query};
    query->Open();
    if (query->IsEmpty() || query->FieldCount() == 0) return Variant::Null();
    return query->Fields()[0]->GetAsVariant();
}

bool TDADataSetUpdater::PerformUpdateObject(int updateKind, TDataSet* dataSet) {
    const TStatementType type = StatementTypeOfUpdateKind(updateKind);
    PrepareUpdateQuery(AnsiString(), StatementTypes(type), false);
    if (Trim(TDBAccessUtils::GetSQL(updateQuery_)->Text()).empty()) return false;
    TDAParams* params = TDBAccessUtils::GetParams(updateQuery_);
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* param = params->Items(i);
        AnsiString name = param->Name();
        bool old = false;
        if (name.size() > 4 && SameText(name.substr(0, 4), "OLD_")) {
            old = true;
            name = name.substr(4);
        }
        TField* field = dataSet->FindField(name);
        if (!field) continue;
        Variant value = old ? field->OldValue() : field->NewValue();
        if (!old && value.IsEmpty()) value = field->OldValue();
        if (value.IsEmptyOrNull()) param->SetDataType(field->DataType());
        param->SetValue(value);
        param->SetParamType(ptInput);
    }
    ExecuteUpdateQuery(StatementTypes(type));
    return true;
}

// ---- posts -------------------------------------------------------------------------------------

bool TDADataSetUpdater::PerformInsert() {
    const bool ran = PerformSQL(stInsert);
    if (!ran && dataSet_->Options()->StrictUpdate) DatabaseError("Update failed. Found 0 records");
    if (TFieldDesc* identity = service_->IdentityField()) {
        Variant value;
        if (GetIdentityValue(value)) {
            if (TField* field = dataSet_->FindField(identity->FieldName)) {
                const bool readOnly = field->ReadOnly();
                field->SetReadOnly(false);
                field->SetAsVariant(value);
                field->SetReadOnly(readOnly);
            } else {
                TCRRecordSet* rs = service_->RecordSet();
                rs->PutFieldAsVariant(rs->FieldDescs().IndexOf(identity) + 1, dataSet_->NewValueBuffer(),
                                      false, value);
            }
        }
    }
    if ((dataSet_->RefreshOptions & roAfterInsert) && NeedsRefreshAfterInsert())
        PerformRefreshRecordInUpdate();
    return true;
}

void TDADataSetUpdater::UndoLock() {
    try {
        UnlockRecord();
    } catch (...) {
    }
    if (dataSet_->CachedUpdates()) {
        try {
            RollbackCachedLockSavepoint();
        } catch (...) {
        }
    }
}

void TDADataSetUpdater::EndLockAfterStatement(bool success) {
    if (!success) {
        if (dataSet_->LockMode != lmNone) UnlockRecord();
        return;
    }
    if (lockTransaction_ && dataSet_->AutoCommit() &&
        (lockState_ == lsStarted || lockState_ == lsStartedCached)) {
        if (!dataSet_->Connection()->IsMultipleTransactionsSupported()) lockTransaction_->Commit();
        ResetLockState();
    }
}

bool TDADataSetUpdater::PerformUpdate() {
    dataSet_->BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        ~End() { d->EndConnection(); }
    } end{dataSet_};
    const bool optimistic = dataSet_->LockMode == lmOptimistic;
    if (optimistic && (!dataSet_->CachedUpdates() || dataSet_->CurrentUpdateResult() == urApplied ||
                       RecordUnchangedUnapplied()))
        LockBeforeStatement();
    try {
        PerformSQL(stUpdate);
        if ((dataSet_->RefreshOptions & roAfterUpdate) &&
            (dataSet_->Options()->FullRefresh || !dataSet_->DMLRefresh))
            PerformRefreshRecordInUpdate();
    } catch (...) {
        if (dataSet_->LockMode != lmNone) UndoLock();
        throw;
    }
    EndLockAfterStatement(true);
    return true;
}

bool TDADataSetUpdater::PerformDelete() {
    const bool optimistic = dataSet_->LockMode == lmOptimistic;
    if (optimistic) dataSet_->BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        bool held;
        ~End() {
            if (held) d->EndConnection();
        }
    } end{dataSet_, optimistic};
    if (optimistic && (!dataSet_->CachedUpdates() || RecordUnchangedUnapplied())) LockBeforeStatement();
    try {
        PerformSQL(stDelete);
    } catch (...) {
        if (dataSet_->LockMode != lmNone) UndoLock();
        throw;
    }
    EndLockAfterStatement(true);
    return true;
}

// ---- locks -------------------------------------------------------------------------------------

bool TDADataSetUpdater::RecordUnchangedUnapplied() {
    return dataSet_->UpdateStatus() == TUpdateStatus::usUnmodified;
}

bool TDADataSetUpdater::CachedLockApplies() {
    return dataSet_->CachedUpdates() && dataSet_->LockMode == lmPessimistic &&
           !dataSet_->RecordSet()->HasPendingUpdates();
}

bool TDADataSetUpdater::CanRefreshByLock() {
    const AnsiString lock = Trim(dataSet_->SQLLock()->Text());
    if (!lock.empty() && !StartsWithWord(lock, "FOR")) return false;
    if (dataSet_->RefreshOptions & roBeforeEdit)
        return Trim(dataSet_->SQLRefresh()->Text()).empty() && !dataSet_->Options()->FullRefresh;
    return true;
}

void TDADataSetUpdater::PerformLock() {
    TStatementTypes types = 0;
    const bool cached = dataSet_->CachedUpdates();
    const bool insertedUnapplied = cached && dataSet_->UpdateStatus() == TUpdateStatus::usInserted &&
                                   dataSet_->CurrentUpdateResult() != urApplied;
    if ((dataSet_->RefreshOptions & roBeforeEdit) && !insertedUnapplied) {
        if (CanRefreshByLock() && dataSet_->LockMode == lmPessimistic)
            types |= StatementTypes(stRefresh);
        else
            PerformRefreshRecord();
    }
    if (dataSet_->LockMode == lmPessimistic && (!cached || RecordUnchangedUnapplied()))
        types |= StatementTypes(stLock);
    if (!Has(types, stLock)) {
        if (types) PerformSQL(AnsiString(), types);
        return;
    }
    try {
        if (cached) BeginCachedLockSavepoint();
        BeginLockTransaction(LockSavepointName(false), false);
        PerformSQL(AnsiString(), types);
    } catch (...) {
        UndoLock();
        throw;
    }
}

void TDADataSetUpdater::PerformLockDelete() {
    if (dataSet_->LockMode != lmPessimistic) return;
    if (dataSet_->CachedUpdates() && !RecordUnchangedUnapplied()) return;
    LockBeforeStatement();
}

void TDADataSetUpdater::LockBeforeStatement() {
    try {
        if (dataSet_->CachedUpdates()) BeginCachedLockSavepoint();
        LockRecord();
    } catch (...) {
        UndoLock();
        throw;
    }
}

void TDADataSetUpdater::PerformUnLock() {
    if (dataSet_->State() == dsInsert || dataSet_->LockMode != lmPessimistic) return;
    if (dataSet_->CachedUpdates() && dataSet_->CurrentUpdateResult() != urApplied &&
        !RecordUnchangedUnapplied())
        return;
    UnlockRecord();
    if (dataSet_->CachedUpdates()) RollbackCachedLockSavepoint();
}

void TDADataSetUpdater::BeginCachedLockSavepoint() {
    if (CachedLockApplies()) BeginLockTransaction(LockSavepointName(true), true);
}

void TDADataSetUpdater::ResetCachedLockState() {
    if (CachedLockApplies()) ResetLockState();
}

void TDADataSetUpdater::RollbackCachedLockSavepoint() {
    if (CachedLockApplies()) EndLockTransaction(LockSavepointName(true), true);
}

void TDADataSetUpdater::RollbackCachedLockSavepointIfPending() {
    if (dataSet_->CachedUpdates() && dataSet_->LockMode == lmPessimistic &&
        dataSet_->RecordSet()->HasPendingUpdates())
        EndLockTransaction(LockSavepointName(true), true);
}

bool TDADataSetUpdater::AfterRevertRecord() {
    RollbackCachedLockSavepoint();
    return true;
}

bool TDADataSetUpdater::AfterApplyUpdates() {
    ResetCachedLockState();
    return true;
}

bool TDADataSetUpdater::BeforeCancelUpdates() {
    RollbackCachedLockSavepointIfPending();
    return true;
}

void TDADataSetUpdater::LockRecord() {
    if (dataSet_->IsEmpty()) return;
    dataSet_->UpdateCursorPos();
    BeginLockTransaction(LockSavepointName(false), false);
    PerformSQL(stLock);
}

void TDADataSetUpdater::UnlockRecord() {
    EndLockTransaction(LockSavepointName(false), false);
}

// ---- refresh -----------------------------------------------------------------------------------

void TDADataSetUpdater::PerformRefreshRecord() {
    if (dataSet_->CachedUpdates() && !dataSet_->InCacheProcessing() &&
        dataSet_->UpdateStatus() == TUpdateStatus::usModified)
        dataSet_->RevertCurrentRecord();
    PerformSQL(stRefresh);
}

void TDADataSetUpdater::PerformRefreshRecordInUpdate() {
    refreshInUpdate_ = true;
    try {
        PerformRefreshRecord();
    } catch (...) {
        refreshInUpdate_ = false;
        throw;
    }
    refreshInUpdate_ = false;
}

std::vector<TField*> TDADataSetUpdater::KeyFields() {
    TFieldDescArray keys;
    service_->GetKeyFieldDescs(keys);
    std::vector<TField*> fields;
    for (TFieldDesc* desc : keys)
        if (TField* field = dataSet_->FindField(desc->FieldName)) fields.push_back(field);
    return fields;
}

void TDADataSetUpdater::PerformRefreshQuick(bool checkDeleted) {
    dataSet_->DoBeforeRefresh();
    dataSet_->BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        ~End() { d->EndConnection(); }
    } end{dataSet_};
    TFieldDescArray keys;
    service_->GetKeyFieldDescs(keys);
    if (keys.empty()) DatabaseError("Unique keyfields required");
    dataSet_->CheckBrowseMode();
    if (!service_->UpdatingTableInfo()) return;
    std::vector<TField*> keyFields = KeyFields();
    // Controls, the local filter and StrictUpdate are set aside while rows are merged.
    const bool filtered = dataSet_->Filtered();
    const bool strict = dataSet_->Options()->StrictUpdate;
    dataSet_->DisableControls();
    struct Restore {
        TCustomDADataSet* d;
        bool filtered, strict;
        ~Restore() {
            d->Options()->StrictUpdate = strict;
            try {
                if (filtered) d->SetFiltered(true);
            } catch (...) {
            }
            d->EnableControls();
        }
    } restore{dataSet_, filtered, strict};
    if (filtered) dataSet_->SetFiltered(false);
    dataSet_->Options()->StrictUpdate = false;
    TVariantArray current;
    if (!dataSet_->IsEmpty())
        for (TField* field : keyFields)
            current.push_back(field->GetAsVariant());
    if (checkDeleted && !dataSet_->IsEmpty()) PerformSQL(stRefreshCheckDeleted);
    PerformSQL(stRefreshQuick);
    if (current.empty() ||
        !dataSet_->LocateByFields(keyFields.data(), static_cast<int>(keyFields.size()) - 1, 0, current))
        dataSet_->First();
    dataSet_->DoAfterRefresh();
}

namespace {
// The key values of the current row of a dataset, as one text.
AnsiString KeyText(TDataSet* dataSet, const std::vector<AnsiString>& names) {
    AnsiString text;
    for (const AnsiString& name : names) {
        TField* field = dataSet->FindField(name);
        text += (field && !field->IsNull() ? field->GetAsString() : AnsiString("\x01null")) + "\x02";
    }
    return text;
}
} // namespace

void TDADataSetUpdater::RemoveDeletedRecords(TCustomDADataSet* query) {
    std::vector<AnsiString> names;
    for (TField* field : KeyFields())
        names.push_back(field->FieldName());
    std::set<AnsiString> present;
    for (query->First(); !query->Eof(); query->Next())
        present.insert(KeyText(query, names));
    auto* data = dynamic_cast<TMemData*>(static_cast<TMemDataSet*>(dataSet_)->RecordSet());
    if (!data) return;
    std::vector<TBookmark> gone;
    for (dataSet_->First(); !dataSet_->Eof(); dataSet_->Next())
        if (!present.count(KeyText(dataSet_, names))) gone.push_back(dataSet_->GetBookmark());
    for (const TBookmark& bookmark : gone) {
        dataSet_->GotoBookmark(bookmark);
        dataSet_->UpdateCursorPos();
        data->RemoveRecord();
        dataSet_->Resync(0);
    }
    dataSet_->Resync(0);
}

void TDADataSetUpdater::MergeQuickRows(TCustomDADataSet* query) {
    std::vector<TField*> keyFields = KeyFields();
    auto* data = dynamic_cast<TMemData*>(static_cast<TMemDataSet*>(dataSet_)->RecordSet());
    if (!data || keyFields.empty()) return;
    for (query->First(); !query->Eof(); query->Next()) {
        TVariantArray values;
        for (TField* field : keyFields) {
            TField* column = query->FindField(field->FieldName());
            values.push_back(column ? column->GetAsVariant() : Variant::Null());
        }
        if (!dataSet_->FindRecordByFields(keyFields.data(), static_cast<int>(keyFields.size()) - 1, false, 0,
                                          values)) {
            // A row the dataset has not seen joins the cached rows; the server has it already.
            std::vector<uint8_t> record(static_cast<size_t>(data->RecordSize));
            data->InitRecordBuf(record.data());
            auto hook = std::move(data->InsertRecordHook);
            data->InsertRecordHook = nullptr;
            try {
                data->AppendRecord(record.data());
            } catch (...) {
                data->InsertRecordHook = std::move(hook);
                throw;
            }
            data->InsertRecordHook = std::move(hook);
        }
        std::vector<uint8_t> buffer(static_cast<size_t>(data->RecordSize));
        data->GetRecord(buffer.data());
        CopyRowInto(query, buffer.data(), nullptr, true);
        data->PutRecord(buffer.data());
        for (int i = 0; i < dataSet_->FieldCount(); ++i)
            if (IsRefreshQuickField(dataSet_->Fields()[i]))
                SaveRefreshQuickValue(dataSet_->Fields()[i]->GetAsVariant());
    }
    data->SortItems();
    dataSet_->Resync(0);
}

// ---- batches -----------------------------------------------------------------------------------

void TDADataSetUpdater::FlushBatch() {
    struct Clear {
        TDADataSetUpdater* u;
        ~Clear() {
            u->batchSQL_.clear();
            u->batchParams_->Clear();
            u->batchCount_ = 0;
        }
    } clear{this};
    if (batchCount_ > 0) PerformSQL(AnsiString(), StatementTypes(stBatchUpdate));
}
