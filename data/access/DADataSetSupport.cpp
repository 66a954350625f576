// The SQL dataset's services for other layers: transactions, user statements, quick open,
// cursors, SQL builders, field values into parameters and the provider-support operations.
#include <cctype>

#include "data/access/CRProps.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/access/DADataSetUpdater.h"
#include "data/access/DATransaction.h"
#include "data/memory/Blob.h"
#include "data/memory/CRParser.h"
#include "data/memory/DataSetServices.h"
#include "data/memory/MemUtils.h"

// ---- transactions ------------------------------------------------------------------------------

void TCustomDADataSet::SetAssignedTransaction(TDATransaction* value) {
    if (value == transaction_) return;
    if (transaction_) transaction_->RemoveFreeNotification(this);
    transaction_ = value;
    if (transaction_) transaction_->FreeNotification(this);
}

void TCustomDADataSet::SetAssignedUpdateTransaction(TDATransaction* value) {
    if (value == updateTransaction_) return;
    if (updateTransaction_) updateTransaction_->RemoveFreeNotification(this);
    updateTransaction_ = value;
    if (updateTransaction_) updateTransaction_->FreeNotification(this);
}

TDATransaction* TCustomDADataSet::UsedTransaction() const {
    TCustomDAConnection* c = UsedConnection();
    if (!c) return nullptr;
    if (c->IsMultipleTransactionsSupported() && transaction_) return transaction_;
    return c->UsedTransaction();
}

TDATransaction* TCustomDADataSet::UsedUpdateTransaction() const {
    TCustomDAConnection* c = UsedConnection();
    if (c && c->IsMultipleTransactionsSupported() && updateTransaction_) return updateTransaction_;
    return UsedTransaction();
}

void TCustomDADataSet::SetAutoCommit(bool value) {
    autoCommit_ = value;
    if (Command()) Command()->SetProp(prAutoCommit, value);
}

bool TCustomDADataSet::PSInTransaction() {
    TDATransaction* t = UsedUpdateTransaction();
    return t && t->Active();
}

void TCustomDADataSet::PSStartTransaction() {
    TCustomDAConnection* c = UsedConnection();
    if (!c || !autoCommit_ || !c->AutoCommit()) return;
    if (TDATransaction* t = UsedUpdateTransaction()) t->StartTransaction();
}

void TCustomDADataSet::PSEndTransaction(bool commit) {
    TCustomDAConnection* c = UsedConnection();
    if (!c || !autoCommit_ || !c->AutoCommit()) return;
    TDATransaction* t = UsedUpdateTransaction();
    if (!t) return;
    if (commit)
        t->Commit();
    else
        t->Rollback();
}

// ---- user statements and macros ----------------------------------------------------------------

TStringList* TCustomDADataSet::UserSQLOf(TStatementType type) const {
    if (type < stInsert || type > stRefresh) return nullptr;
    return userSQL_[type].get();
}

void TCustomDADataSet::ScanMacros() {
    AnsiString text = sql_->Text();
    for (int type = stInsert; type <= stRefresh; ++type)
        if (userSQL_[type]) text += userSQL_[type]->Text();
    // The scan reports the macros' own changes; the caller's reset covers them.
    const bool was = scanningMacros_;
    scanningMacros_ = true;
    try {
        macros_->Scan(text);
    } catch (...) {
        scanningMacros_ = was;
        throw;
    }
    scanningMacros_ = was;
}

// ---- quick open and cursors ------------------------------------------------------------------

void TCustomDADataSet::QuickOpen(TQuickOpenInfo& info, bool force) {
    info.OldActive = Active();
    info.OldDebug = Debug;
    info.OldFetchAll = fetchAll_;
    info.OldFetchRows = fetchRows_;
    if (Active() && !force) return;
    try {
        Debug = false;
        SetFetchAll(false);
        Close();
        SetFetchRows(1);
        InternalExecute();
    } catch (...) {
        RestoreAfterQuickOpen(info);
        throw;
    }
}

void TCustomDADataSet::RestoreAfterQuickOpen(const TQuickOpenInfo& info, bool restoreActive) {
    Debug = info.OldDebug;
    // FetchAll on an open dataset fetches the rest; FetchRows waits for the close below.
    if (!restoreActive) {
        SetFetchAll(info.OldFetchAll);
        return;
    }
    if (fetchRows_ != info.OldFetchRows) {
        Close();
        SetFetchRows(info.OldFetchRows);
    }
    if (!info.OldActive) Close();
    SetFetchAll(info.OldFetchAll);
    if (info.OldActive) Open();
}

TCRCursor* TCustomDADataSet::GetCursor() const {
    return Command() ? Command()->GetCursor() : nullptr;
}

void TCustomDADataSet::SetCursor(TCRCursor* value) {
    if (value == GetCursor()) return;
    CheckConnection();
    Close();
    Unprepare();
    FieldDefs().Updated = false;
    if (!RecordSet()) CreateRecordSet();
    Command()->SetCursor(value);
}

void TCustomDADataSet::BreakFetch() {
    if (Command()) Command()->BreakFetch();
    if (RecordSet()) RecordSet()->BreakFetch();
}

// ---- SQL builders --------------------------------------------------------------------------------

AnsiString TCustomDADataSet::SQLGetFrom(const AnsiString&) {
    return {};
}
AnsiString TCustomDADataSet::SQLAddWhere(const AnsiString&, const AnsiString&) {
    return {};
}
AnsiString TCustomDADataSet::SQLDeleteWhere(const AnsiString&) {
    return {};
}
AnsiString TCustomDADataSet::SQLGetWhere(const AnsiString&) {
    return {};
}
AnsiString TCustomDADataSet::SQLSetOrderBy(const AnsiString&, const AnsiString&) {
    return {};
}
AnsiString TCustomDADataSet::SQLGetOrderBy(const AnsiString&) {
    return {};
}

// ---- field values into parameters --------------------------------------------------------------

void TCustomDADataSet::AssignFieldValue(TDAParam* param, TField* field, bool old) {
    if (field->IsBlob()) {
        param->SetDataType(field->DataType());
        TBlob* blob = GetBlobOfField(field);
        if (old && blob) {
            // The value before the edit: a copy of the blob's rollback data.
            auto* copy = new TBlob(blob->IsUnicode());
            const bool showOld = blob->HasRollback();
            if (showOld) blob->SetShowOldData(true);
            try {
                const int64_t size = blob->GetSize();
                std::vector<uint8_t> bytes(static_cast<size_t>(size));
                if (size > 0) blob->Read(0, size, bytes.data());
                if (size > 0) copy->Write(0, size, bytes.data());
            } catch (...) {
                if (showOld) blob->SetShowOldData(false);
                copy->Release();
                throw;
            }
            if (showOld) blob->SetShowOldData(false);
            SetParamBlob(param, copy);
            copy->Release();
        } else {
            SetParamBlob(param, blob);
        }
    } else {
        param->AssignFieldValue(field, old ? field->OldValue() : field->GetAsVariant());
    }
    if (TFieldDesc* desc = TMemDataSet::GetFieldDesc(field)) AssignFieldType(param, desc);
}

void TCustomDADataSet::AssignFieldDescValue(TDAParam* param, TFieldDesc* desc, bool old) {
    static const TDataTypesMap map;
    param->SetDataType(map.FieldTypeOf(desc->TypeCode));
    if (FIRecordSet->IsBlobDataType(desc->TypeCode)) {
        SetParamBlob(param, GetBlobOfDesc(desc));
    } else {
        void* buffer = old ? OldValueBuffer() : NewValueBuffer();
        Variant value = Variant::Null();
        if (buffer) FIRecordSet->GetFieldAsVariant(desc->Position, buffer, value);
        if (value.IsEmptyOrNull())
            param->Clear();
        else
            param->SetValue(value);
    }
    AssignFieldType(param, desc);
}

void TCustomDADataSet::AssignFieldType(TDAParam* param, TFieldDesc* desc) {
    param->SubDataType = desc->SubTypeCode;
    if (auto* crDesc = dynamic_cast<TCRFieldDesc*>(desc)) param->SetNational(crDesc->IsNational());
    param->SetSize(desc->DeclaredLength);
}

bool TCustomDADataSet::SetParamBlob(TDAParam* param, TBlob* blob) {
    if (blob) {
        if (param->GetValueObject() == blob) return false;
        param->SetValueObject(blob);
        return true;
    }
    // The parameter takes its own reference; the one of the creation goes.
    auto* fresh = new TBlob();
    param->SetValueObject(fresh);
    fresh->Release();
    return true;
}

TDataTypeCode TCustomDADataSet::GetFieldDataType(const AnsiString& name) {
    if (!FIRecordSet) throw Exception(Format("Field %s not found", {name}));
    return FIRecordSet->FieldDescByName(name)->TypeCode;
}

TFieldDesc* TCustomDADataSet::GetFieldDesc(int fieldNo) {
    if (!FIRecordSet || fieldNo <= 0 || fieldNo > FIRecordSet->GetFieldDescCount()) return nullptr;
    return FIRecordSet->FieldDescs().GetItem(fieldNo - 1);
}

// ---- provider support ----------------------------------------------------------------------------

void TCustomDADataSet::PSSetParams(TParams* params) {
    if (!params || params->Count() == 0) return;
    if (params->Count() >= params_->Count()) {
        params_->Assign(params);
        return;
    }
    params_->BeginUpdate();
    try {
        for (int i = 0; i < params->Count(); ++i) {
            TParam* given = params->Items(i);
            TDAParam* own = params_->FindParam(given->Name());
            if (!own) own = params_->Items(i);
            own->Assign(given);
        }
    } catch (...) {
        params_->EndUpdate();
        throw;
    }
    params_->EndUpdate();
}

void TCustomDADataSet::PSSetCommandText(const AnsiString& commandText) {
    if (commandText.empty()) return;
    TStringList lines;
    lines.SetText(commandText);
    SetSQL(lines);
}

void TCustomDADataSet::PSReset() {
    TMemDataSet::PSReset();
    if (Active()) {
        Close();
        Open();
    }
}

int TCustomDADataSet::PSExecuteStatement(const AnsiString& sql, TParams* params, TDataSet** resultSet) {
    if (!resultSet) return PSExecuteStatement(sql, params, static_cast<TCustomDADataSet**>(nullptr));
    TCustomDADataSet* result = nullptr;
    const int rows = PSExecuteStatement(sql, params, &result);
    *resultSet = result;
    return rows;
}

TIndexDef* TCustomDADataSet::PSGetDefaultOrder() {
    CheckSQL();
    const AnsiString orderBy = SQLGetOrderBy(sql_->Text());
    if (orderBy.empty()) return nullptr;
    auto* index = new TIndexDef();
    TParser parser(orderBy);
    parser.NumberDecimalChar = '.';
    parser.SkipCommentLexemes = true;
    AnsiString lexeme, last;
    auto append = [](AnsiString& list, const AnsiString& name) {
        if (!list.empty()) list += ';';
        list += name;
    };
    for (int code = parser.GetNext(lexeme); code != lcEnd; code = parser.GetNext(lexeme)) {
        if (code == lcIdent || code == lcString) {
            AnsiString name = lexeme;
            if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'' || name.front() == '['))
                name = name.substr(1, name.size() - 2);
            if (FindField(name)) {
                append(index->Fields, name);
                last = name;
            } else if (code == lcIdent && UpperCase(name) == "DESC" && !last.empty()) {
                append(index->DescFields, last);
            }
        } else if (code == lcNumber) {
            const int n = std::atoi(lexeme.c_str());
            if (n >= 1 && n <= FieldDefs().Count()) {
                last = FieldDefs().Items(n - 1)->Name();
                append(index->Fields, last);
            }
        } else if (code != lcSymbol) {
            if (UpperCase(lexeme) == "DESC" && !last.empty()) append(index->DescFields, last);
        }
    }
    return index;
}

bool TCustomDADataSet::PSUpdateRecord(TUpdateKind updateKind, TDataSet* delta) {
    if (OnUpdateRecord) {
        int action = uaFail;
        OnUpdateRecord(delta, updateKind, action);
        if (action == uaApplied) return true;
    }
    // Not handled: the update component's text of the kind runs for the delta's record.
    if (!delta) return false;
    TDADataSetUpdater* updater = Updater();
    return updater && updater->PerformUpdateObject(static_cast<int>(updateKind), delta);
}

// ---- assignment ------------------------------------------------------------------------------------

void TCustomDADataSet::AssignTo(TPersistent* dest) {
    TMemDataSet::AssignTo(dest);
    auto* target = dynamic_cast<TCustomDADataSet*>(dest);
    if (!target) return;
    target->SetConnection(connection_);
    target->SetAssignedTransaction(transaction_);
    target->SetAssignedUpdateTransaction(updateTransaction_);
    target->SetParamCheck(paramCheck_);
    target->SetSQL(*sql_);
    for (int type = stInsert; type <= stRefresh; ++type)
        if (userSQL_[type] && target->userSQL_[type]) target->userSQL_[type]->Assign(userSQL_[type].get());
    target->SetFilterSQL(filterSQL_);
    target->macros_->Assign(macros_.get());
    target->params_->Assign(params_.get());
    target->Debug = Debug;
    target->SetFetchRows(fetchRows_);
    target->SetUniDirectional(uniDirectional_);
    target->SetAutoCommit(autoCommit_);
    target->RefreshOptions = RefreshOptions;
    target->UpdatingTable = UpdatingTable;
    target->KeyFields = KeyFields;
    target->LockMode = LockMode;
    target->DMLRefresh = DMLRefresh;
    target->options_->Assign(options_.get());
    target->SetStoredProcName(storedProcName_, storedProcIsQuery_);
}
