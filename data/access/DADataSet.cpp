#include "data/access/DADataSet.h"

#include <cctype>
#include <cmath>

#include "data/access/CRProps.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSetService.h"
#include "data/access/DADataSetUpdater.h"
#include "data/access/DASQL.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/DASQLText.h"
#include "data/access/DATransaction.h"
#include "data/access/DAUpdateSQL.h"
#include "data/memory/CRParser.h"
#include "data/memory/MemUtils.h"
#include "platform/core/FormatSettings.h"
#include "platform/db/DataSet.h"

namespace {
const TDataTypesMap& TypesMap() {
    static const TDataTypesMap map;
    return map;
}

// The connection's failover operation for the duration of a step.
class TFailOverScope {
public:
    TFailOverScope(TCustomDAConnection* connection, TConnLostCause cause, bool allowed)
        : connection_(connection) {
        if (connection_) connection_->PushOperation(cause, allowed);
    }
    ~TFailOverScope() {
        if (connection_) connection_->PopOperation();
    }
    TFailOverScope(const TFailOverScope&) = delete;
    TFailOverScope& operator=(const TFailOverScope&) = delete;

private:
    TCustomDAConnection* connection_;
};
} // namespace

AnsiString SqlNumberQuestionMarkers(const AnsiString& sql, const TSQLParserClass* parserClass, int* count) {
    std::unique_ptr<TSQLParser> parser =
        parserClass ? parserClass->Create(sql) : std::make_unique<TSQLParser>(sql);
    parser->SkipCommentLexemes = false;
    AnsiString result;
    size_t copied = 0;
    int n = 0;
    AnsiString lexeme;
    for (int code = parser->GetNext(lexeme); code != lcEnd; code = parser->GetNext(lexeme)) {
        if (code != lcSymbol || lexeme != "?") continue;
        const size_t at = static_cast<size_t>(parser->CurrentOffset()) - 1; // just after the marker
        result.append(sql, copied, at - copied);
        result += ":" + std::to_string(++n);
        copied = at + 1;
    }
    result.append(sql, copied, AnsiString::npos);
    if (count) *count = n;
    return result;
}

TCustomDADataSet::TCustomDADataSet(TComponent* owner)
    : TMemDataSet(owner), sql_(std::make_unique<TStringList>()), params_(std::make_unique<TDAParams>(this)),
      macros_(std::make_unique<TMacros>(this)) {
    options_ = CreateOptions();
    sql_->OnChange = [this](TObject*) { SQLChanged(); };
    for (int type = stInsert; type <= stRefresh; ++type) {
        userSQL_[type] = std::make_unique<TStringList>();
        userSQL_[type]->OnChange = [this](TObject*) { ScanMacros(); };
    }
}

TCustomDADataSet::~TCustomDADataSet() {
    try {
        Close();
        Unprepare();
    } catch (...) {
    }
    if (connection_) {
        connection_->UnRegisterClient(this);
        NotifyDestroyed();
    }
    SetRecordSet(nullptr);
}

void TCustomDADataSet::NotifyDestroyed() {
    if (destroyedNotified_ || !connection_) return;
    destroyedNotified_ = true;
    TCustomDASQLMonitor::ObjectDestroyedNotify(connection_->GetSQLMonitorClass(), this);
}

TClass TCustomDADataSet::TracedBy() const {
    TCustomDAConnection* c = UsedConnection();
    if (TraceSuppressed || !c) return nullptr;
    TClass monitorClass = c->GetSQLMonitorClass();
    return Debug || TCustomDASQLMonitor::HasMonitor(monitorClass) ? monitorClass : nullptr;
}

void TDASQLDataSetOptions::PushRecordSetProp(int prop, const Variant& value) {
    if (dataSet_->RecordSet()) dataSet_->RecordSet()->SetProp(prop, value);
}

void TDASQLDataSetOptions::PushCommandProp(int prop, const Variant& value) {
    if (dataSet_->Command()) dataSet_->Command()->SetProp(prop, value);
}

void TDASQLDataSetOptions::UnprepareOwner() {
    dataSet_->Close();
    dataSet_->Unprepare();
}

void TDASQLDataSetOptions::LocalMasterDetailChanged() {
    dataSet_->InstallLocalMDFilter();
    dataSet_->RefreshLocalDetail();
}

std::unique_ptr<TDADataSetOptions> TCustomDADataSet::CreateOptions() {
    return std::make_unique<TDASQLDataSetOptions>(this);
}

void TCustomDADataSet::SetConnection(TCustomDAConnection* value) {
    if (value == connection_) return;
    if (connection_) {
        Disconnect(true);
        connection_->UnRegisterClient(this);
        connection_->RemoveFreeNotification(this);
    }
    connection_ = value;
    if (connection_) {
        connection_->FreeNotification(this);
        connection_->RegisterClient(this, [this](TObject* s, bool c) { ConnectChange(s, c); });
    }
    SetRecordSet(nullptr);
    // A statement given before the connection is read for its parameters now.
    if (connection_ && params_->Count() == 0 && !sql_->Text().empty()) RescanParams();
}

void TCustomDADataSet::Notification(TComponent* component, TOperation operation) {
    TMemDataSet::Notification(component, operation);
    if (operation == opRemove && component == connection_) SetConnection(nullptr);
    if (operation == opRemove && component == updateObject_) updateObject_ = nullptr;
    if (operation == opRemove && component == transaction_) transaction_ = nullptr;
    if (operation == opRemove && component == updateTransaction_) updateTransaction_ = nullptr;
}

// ---- record set --------------------------------------------------------------------------------

void TCustomDADataSet::CreateRecordSet() {
    SetRecordSet(connection_ ? NewRecordSet() : nullptr);
}

void TCustomDADataSet::SetRecordSet(TData* recordSet) {
    TMemDataSet::SetRecordSet(recordSet);
    TCRRecordSet* rs = RecordSet();
    if (!rs) return;
    rs->SetConnection(connection_ ? connection_->InternalConnection() : nullptr);
    rs->SetProp(prUniDirectional, uniDirectional_);
    rs->SetProp(prFetchRows, fetchRows_);
    rs->SetProp(prFetchAll, fetchAll_);
    rs->SetProp(prReadOnly, readOnly_);
    rs->SetProp(prRefreshAfterUpdate, (RefreshOptions & roAfterUpdate) != 0);
    if (options_) {
        rs->SetProp(prLongStrings, options_->LongStrings());
        rs->SetProp(prFlatBuffers, options_->FlatBuffers());
        rs->TrimFixedChar = options_->TrimFixedChar();
        rs->TrimVarChar = options_->TrimVarChar();
        rs->SetEmptyStrToNull = options_->SetEmptyStrToNull();
        rs->SetProp(prCompressBlobMode, static_cast<int>(options_->CompressBlobMode()));
        rs->SetProp(prDefaultValues, options_->DefaultValues());
        rs->SetProp(prFieldsOrigin, options_->FieldsOrigin());
        rs->SetProp(prExtendedFieldsInfo, options_->ExtendedFieldsInfo());
        TCRCommand* command = rs->GetCommand();
        command->SetProp(prQuoteNames, options_->QuoteNames());
        command->SetProp(prEnableBCD, options_->EnableBCD());
        command->SetProp(prEnableFmtBCD, options_->EnableFMTBCD());
    }
    rs->GetCommand()->SetProp(prAutoCommit, autoCommit_);
    rs->GetCommand()->SetProp(prScanParams, paramCheck_);
    rs->GetCommand()->SetProp(prIsStoredProc, !storedProcName_.empty());
    if (transaction_ && transaction_->InternalTransaction())
        rs->SetTransaction(transaction_->InternalTransaction());
    rs->OnBeforeFetch = [this](bool& cancel) { DoBeforeFetch(cancel); };
    rs->OnAfterFetch = [this] { DoAfterFetch(); };
    rs->SetComponent(this);
}

// ---- connection use ----------------------------------------------------------------------------

void TCustomDADataSet::BeginConnection(bool internal) {
    if (!connection_) DatabaseError("Connection is not defined", this);
    if (internal)
        connection_->AcquireUse();
    else if (!connection_->Connected())
        connection_->Connect();
    try {
        if (!RecordSet()) CreateRecordSet();
        if (!RecordSet()) DatabaseError("Connection is not defined", this);
        if (connection_->IsMultipleTransactionsSupported()) {
            TDATransaction* t = UsedTransaction();
            if (!t) DatabaseError("Transaction not assigned", this);
            if (internal)
                t->AcquireTransaction();
            else if (!t->Active())
                t->StartTransaction();
            RecordSet()->SetTransaction(t->InternalTransaction());
        }
        RecordSet()->SetConnection(connection_->InternalConnection());
    } catch (...) {
        if (internal) connection_->ReleaseUse();
        throw;
    }
}

void TCustomDADataSet::EndConnection() {
    if (!connection_) return;
    if (connection_->IsMultipleTransactionsSupported())
        if (TDATransaction* t = UsedTransaction()) t->ReleaseTransaction();
    connection_->ReleaseUse();
}

void TCustomDADataSet::ConnectChange(TObject* sender, bool connecting) {
    if (!connecting) {
        Disconnect(!connection_ || !connection_->Options()->DisconnectedMode());
        return;
    }
    // A connection telling its own connect has given the record set its internal connection
    // already; any other sender may come with a new one.
    if (RecordSet() && connection_ && !dynamic_cast<TCustomDAConnection*>(sender))
        RecordSet()->SetConnection(connection_->InternalConnection());
}

void TCustomDADataSet::Disconnect(bool close) {
    if (close) {
        Close();
        Unprepare();
    } else if (RecordSet()) {
        RecordSet()->Disconnect();
    }
    params_->NotifyValueObjects();
}

// ---- SQL and parameters ------------------------------------------------------------------------

AnsiString TCustomDADataSet::GetFinalSQL() const {
    AnsiString text = sql_->Text();
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '\t'))
        text.pop_back();
    if (macros_->Count() > 0) macros_->Expand(text);
    auto* self = const_cast<TCustomDADataSet*>(this);
    if (!filterSQL_.empty()) text = self->SQLAddWhere(text, filterSQL_);
    const AnsiString link = MasterLinkConditions();
    if (!link.empty()) text = self->SQLAddWhere(text, link);
    return text;
}

AnsiString TCustomDADataSet::MasterLinkConditions() const {
    if (!HasMasterLink() || options_->LocalMasterDetail()) return {};
    TSQLInfo* info = Command() ? Command()->GetSQLInfo() : nullptr;
    auto quoted = [&](const AnsiString& name) {
        return info && options_->QuoteNames() ? info->QuoteName(name) : name;
    };
    AnsiString conditions;
    size_t masterPos = 0, detailPos = 0;
    for (;;) {
        const AnsiString masterName = ExtractFieldName(MasterFields(), masterPos);
        const AnsiString detailName = ExtractFieldName(DetailFields(), detailPos);
        if (masterName.empty() || detailName.empty()) break;
        if (!conditions.empty()) conditions += " and ";
        conditions += quoted(detailName) + " = :" + quoted(masterName);
    }
    return conditions;
}

void TCustomDADataSet::SQLChanged() {
    ResetAfterSQLChange(false);
}

void TCustomDADataSet::MacrosChanged() {
    if (!scanningMacros_) ResetAfterSQLChange(true);
}

void TCustomDADataSet::ResetAfterSQLChange(bool noMacroScan) {
    Close();
    Unprepare();
    if (!noMacroScan) ScanMacros();
    RescanParams();
    SetStoredProcName(AnsiString(), false);
}

void TCustomDADataSet::SetParamCheck(bool value) {
    paramCheck_ = value;
    if (Command()) Command()->SetProp(prScanParams, value);
    if (value) RescanParams();
}

void TCustomDADataSet::SetStoredProcName(const AnsiString& name, bool isQuery) {
    storedProcName_ = name;
    storedProcIsQuery_ = isQuery;
    if (Command()) Command()->SetProp(prIsStoredProc, !name.empty());
}

void TCustomDADataSet::RescanParams() {
    // The parameters follow the new text; values of the same names are kept.
    if (connection_ && (RecordSet() || (CreateRecordSet(), RecordSet()))) {
        if (!paramCheck_) {
            scannedSQL_ = GetFinalSQL();
            RecordSet()->SetSQL(scannedSQL_);
            return;
        }
        TDAParams old;
        old.Assign(params_.get());
        scannedSQL_ = GetFinalSQL();
        RecordSet()->SetSQL(scannedSQL_);
        ReadParamDescs();
        params_->AssignValues(&old);
    }
}

void TCustomDADataSet::ReadParamDescs() {
    params_->Clear();
    TCRCommand* command = Command();
    for (int i = 0; i < command->ParamCount(); ++i) {
        TParamDesc* d = command->GetParam(i);
        auto* p = static_cast<TDAParam*>(params_->Add());
        p->SetName(d->GetName());
        if (d->GetDataType() != 0) p->SetDataType(TypesMap().FieldTypeOf(d->GetDataType()));
        p->SetParamType(static_cast<TParamType>(d->GetParamType()));
    }
}

void TCustomDADataSet::SetUpdateObject(TCustomDAUpdateSQL* value) {
    if (updateObject_ == value) return;
    if (updateObject_ && updateObject_->GetDataSet() == this) updateObject_->SetDataSet(nullptr);
    updateObject_ = value;
    if (value) {
        if (value->GetDataSet() && value->GetDataSet() != this) value->GetDataSet()->SetUpdateObject(nullptr);
        value->SetDataSet(this);
        value->FreeNotification(this);
    }
}

void TCustomDADataSet::WriteCommand() {
    const AnsiString text = GetFinalSQL();
    if (text != scannedSQL_) RescanParams();
    RecordSet()->SetSQL(text);
    TCRCommand* command = Command();
    for (int i = 0; i < params_->Count(); ++i)
        WriteParamDesc(i < command->ParamCount() ? command->GetParam(i) : command->AddParam(),
                       params_->Items(i));
}

void TCustomDADataSet::WriteParamDesc(TParamDesc* d, TDAParam* p) {
    // The dataset reads no output parameters: one of unknown direction is an input.
    TCustomDASQL::DescribeParam(d, p, UsedConnection(), false);
    if (p->HoldsObject() && p->GetValueObject()) {
        // A blob goes by reference: its pieces are sent as they are.
        d->SetValuePtr(static_cast<TObject*>(p->GetValueObject()));
        d->SetNull(p->GetIsNull());
        return;
    }
    TCustomDASQL::WritePlainParamValue(d, p);
}

// ---- prepare -----------------------------------------------------------------------------------

void TCustomDADataSet::Prepare() {
    if (IsPrepared() || Active()) return;
    BeginConnection(true);
    const TClass monitorClass = TracedBy();
    int32_t messageId = 0;
    try {
        if (ActiveMaster() && !options_->LocalMasterDetail()) SetMasterParams(params_.get());
        if (monitorClass)
            TCustomDASQLMonitor::SQLPrepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                                  true);
        WriteCommand();
        TMemDataSet::Prepare();
    } catch (...) {
        EndConnection();
        throw;
    }
    prepareUse_ = true;
    if (monitorClass)
        TCustomDASQLMonitor::SQLPrepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                              false);
}

void TCustomDADataSet::Unprepare() {
    const bool held = prepareUse_;
    prepareUse_ = false;
    const TClass monitorClass = held ? TracedBy() : nullptr;
    int32_t messageId = 0;
    try {
        if (monitorClass)
            TCustomDASQLMonitor::SQLUnprepareNotify(monitorClass, this, GetFinalSQL(), params_.get(),
                                                    messageId, true);
        TMemDataSet::Unprepare();
    } catch (...) {
        if (held) EndConnection();
        throw;
    }
    if (held) EndConnection();
    if (monitorClass)
        TCustomDASQLMonitor::SQLUnprepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                                false);
}

// ---- open and close ----------------------------------------------------------------------------

void TCustomDADataSet::OpenCursor(bool infoQuery) {
    TFailOverScope failOver(connection_, clOpen, connection_ && connection_->IsFailoverAllowed());
    BeginConnection(true);
    if (Active()) return;
    fetchUse_ = true;
    try {
        for (;;) {
            const int uses = connection_->ConnectCount();
            try {
                BeforeOpenCursor(infoQuery);
                if (!options_->LocalMasterDetail()) {
                    if (ActiveMaster())
                        SetMasterParams(params_.get());
                    else if (HasMasterLink())
                        AssignServiceParams();
                }
                recCount_ = (!fetchAll_ && options_->QueryRecCount) ? GetRecCount() : 0;
                DoBeforeExecute();
                WriteCommand();
                TMemDataSet::OpenCursor(infoQuery);
                break;
            } catch (const EFailOver&) {
                // The connection may have counted a use for the re-run; this open holds one already.
                for (int extra = connection_->ConnectCount() - uses; extra > 0; --extra)
                    connection_->ReleaseUse();
                connection_->RestoreTransactions();
            }
        }
    } catch (...) {
        if (fetchUse_) {
            fetchUse_ = false;
            EndConnection();
        }
        throw;
    }
    Variant known, count;
    rowsAffected_ = -1;
    if (Command()->GetProp(prIsRowsAffectedKnown, known) && known.AsBoolean() &&
        Command()->GetProp(prRowsProcessed, count))
        rowsAffected_ = count.AsInteger();
    AfterOpenCursor(infoQuery);
    if (infoQuery || IsAllFetched()) {
        if (fetchUse_) {
            fetchUse_ = false;
            EndConnection();
        }
    }
}

void TCustomDADataSet::InternalOpen() {
    const TClass monitorClass = TracedBy();
    int32_t messageId = 0;
    if (monitorClass)
        TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "", 0,
                                              messageId, true);
    BeginConnection(true);
    try {
        TMemDataSet::InternalOpen();
        // The fields exist now: origins, auto-increment flags and server defaults reach them.
        if (auto* service = dynamic_cast<TDADataSetService*>(Service())) {
            service->SetFieldsReadOnly();
            service->InitFieldsProperties();
        }
    } catch (...) {
        EndConnection();
        throw;
    }
    EndConnection();
    if (monitorClass)
        TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "", 0,
                                              messageId, false);
    // A uni-directional dataset lets go of a record's objects once the record leaves its buffers.
    ReferenceOnRead = uniDirectional_;
}

bool TCustomDADataSet::GetNextRecord() {
    const bool recycles = BufferRecordCount() > 0 && BufferRecordCount() == BufferCount();
    const bool result = TMemDataSet::GetNextRecord();
    if (result && recycles && uniDirectional_) FreeBufferObjects(TempBuffer(), true);
    return result;
}

void TCustomDADataSet::CloseCursor() {
    struct End {
        TCustomDADataSet* d;
        ~End() {
            if (d->fetchUse_) {
                d->fetchUse_ = false;
                d->EndConnection();
            }
        }
    } end{this};
    TMemDataSet::CloseCursor();
    if (Service())
        if (auto* updater = dynamic_cast<TDADataSetUpdater*>(Service()->Updater()))
            updater->UnprepareUpdateQueries();
}

void TCustomDADataSet::InternalClose() {
    try {
        TMemDataSet::InternalClose();
    } catch (const EDAError& e) {
        // A lost connection leaves nothing to close on the server.
        if (!e.IsFatalError()) throw;
    }
}

bool TCustomDADataSet::IsQuery() {
    return RecordSet() && RecordSet()->RowsReturn();
}

bool TCustomDADataSet::IsAllFetched() {
    TCRCommand* command = Command();
    if (!command) return false;
    const uint8_t state = command->GetCursorState();
    return state > csFetchingAll || (Active() && state == csInactive);
}

// ---- execute -----------------------------------------------------------------------------------

void TCustomDADataSet::InternalExecute() {
    TFailOverScope failOver(connection_, clExecute, true);
    if (Command()) {
        Variant executing;
        if (Command()->GetProp(prExecuting, executing) && executing.AsBoolean()) return;
    }
    BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        ~End() { d->EndConnection(); }
    } end{this};
    if (Active()) Close();
    for (;;) {
        try {
            WriteCommand();
            if (IsQuery()) {
                Open();
                return;
            }
            DoBeforeExecute();
            if (ActiveMaster()) {
                SetMasterParams(params_.get());
                WriteCommand();
            } else if (HasMasterLink()) {
                AssignServiceParams();
                WriteCommand();
            }
            const TClass monitorClass = TracedBy();
            int32_t messageId = 0;
            if (monitorClass)
                TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "", 0,
                                                      messageId, true);
            struct TSuppress {
                bool& flag;
                bool saved;
                ~TSuppress() { flag = saved; }
            } suppress{TraceSuppressed, TraceSuppressed};
            TraceSuppressed = true;
            bool ok = false;
            try {
                RecordSet()->ExecCommand();
                ok = true;
            } catch (...) {
                DoAfterExecute(false);
                throw;
            }
            if (monitorClass) {
                Variant count;
                Command()->GetProp(prRowsProcessed, count);
                TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "",
                                                      count.IsEmptyOrNull() ? 0 : count.AsInteger(),
                                                      messageId, false);
            }
            if (IsQuery()) {
                // The statement turned out to return rows: the dataset reads them from a run of its own.
                RecordSet()->DoClose();
                Open();
                return;
            }
            DoAfterExecute(ok);
            return;
        } catch (const EFailOver& e) {
            if (e.ConnLostCause != clExecute) throw;
            // The connection counted one more use for the re-run of a statement without rows;
            // this run holds its use already.
            if (!IsQuery()) EndConnection();
            connection_->RestoreTransactions();
        }
    }
}

void TCustomDADataSet::DoBeforeExecute() {
    if (BeforeExecute) BeforeExecute(this);
}

void TCustomDADataSet::DoAfterExecute(bool result) {
    if (result) {
        Variant count;
        if (Command()->GetProp(prRowsProcessed, count)) rowsAffected_ = count.AsInteger();
    }
    if (connection_ && !IsQuery() && connection_->IsMultipleTransactionsSupported())
        if (TDATransaction* t = UsedTransaction())
            t->AutoCommitTransaction(connection_->AutoCommit() && autoCommit_);
    if (AfterExecute) AfterExecute(this, result);
}

// ---- fetching ----------------------------------------------------------------------------------

bool TCustomDADataSet::DoBeforeFetch(bool& cancel) {
    if (BeforeFetch) BeforeFetch(this, cancel);
    fetchCancelled_ = cancel;
    return cancel;
}

void TCustomDADataSet::DoAfterFetch() {
    TCRCommand* command = Command();
    if ((!fetchAll_ || (command && command->GetCursorState() >= csFetched)) && AfterFetch) AfterFetch(this);
    // Fetching has ended: the use held for the rows left on the server is given back.
    if (fetchUse_ && Active() && command &&
        (command->GetCursorState() == csInactive || command->GetCursorState() >= csFetched)) {
        fetchUse_ = false;
        EndConnection();
    }
}

void TCustomDADataSet::DoAfterScroll() {
    if (fetchCancelled_) {
        fetchCancelled_ = false;
        Resync(0);
    }
    TMemDataSet::DoAfterScroll();
}

void TCustomDADataSet::SetFetchRows(int value) {
    if (value == fetchRows_) return;
    CheckInactive();
    if (value < 1 || value > 65535) DatabaseError("FetchRows must be 1..65535", this);
    fetchRows_ = value;
    if (RecordSet()) RecordSet()->SetProp(prFetchRows, value);
}

void TCustomDADataSet::SetUniDirectional(bool value) {
    if (value == uniDirectional_) return;
    CheckInactive();
    uniDirectional_ = value;
    if (RecordSet()) RecordSet()->SetProp(prUniDirectional, value);
    if (value) SetFetchAll(false);
}

void TCustomDADataSet::SetFetchAll(bool value) {
    // A provider option may have set the record set otherwise than the flag.
    Variant current;
    if (value == fetchAll_ &&
        (!RecordSet() || !RecordSet()->GetProp(prFetchAll, current) || current.AsBoolean() == value))
        return;
    fetchAll_ = value;
    if (RecordSet()) RecordSet()->SetProp(prFetchAll, value);
    if (value) {
        SetUniDirectional(false);
        if (Active() && RecordSet()) {
            RecordSet()->FetchAll();
            Resync(0);
        }
    }
}

void TCustomDADataSet::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    if (RecordSet()) RecordSet()->SetProp(prReadOnly, value);
    readOnly_ = value;
}

int TCustomDADataSet::GetRecordCount() {
    if (Active() && !IsAllFetched() && options_->QueryRecCount && recCount_ != 0) {
        Variant fetched;
        RecordSet()->GetProp(prRowsFetched, fetched);
        return recCount_ - fetched.AsInteger() + RecordSet()->RecordCount;
    }
    return TMemDataSet::GetRecordCount();
}

// ---- FilterSQL and master/detail through parameters ---------------------------------------------

void TCustomDADataSet::SetFilterSQL(const AnsiString& value) {
    AnsiString trimmed = value;
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back())))
        trimmed.pop_back();
    size_t start = 0;
    while (start < trimmed.size() && std::isspace(static_cast<unsigned char>(trimmed[start])))
        ++start;
    trimmed.erase(0, start);
    if (trimmed == filterSQL_) return;
    const AnsiString old = filterSQL_;
    const bool wasActive = Active();
    filterSQL_ = trimmed;
    Close();
    Unprepare();
    try {
        // A parameter of the filter joins the dataset's parameters.
        RescanParams();
        if (wasActive) Open();
    } catch (...) {
        // The dataset keeps the filter it could run.
        filterSQL_ = old;
        try {
            RescanParams();
        } catch (const std::exception&) {
            // The old text was read before; the first error is the one to report.
        }
        throw;
    }
    if (!wasActive) return;
    if (Filtered() && !Filter().empty()) {
        Resync(0);
        First();
    }
}

TDataSet* TCustomDADataSet::ActiveMaster() const {
    TDataSource* source = MasterSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    return master && master->Active() ? master : nullptr;
}

void TCustomDADataSet::AssignServiceParams() {
    // A master link without an open master: the provider's service may know the values.
    EnsureService();
    if (auto* service = dynamic_cast<TDADataSetService*>(Service())) service->AssignParams(params_.get());
}

bool TCustomDADataSet::SetMasterParams(TDAParams* params) {
    if (options_->LocalMasterDetail()) return TMemDataSet::PrepareLocalMDLinks();
    if (params == params_.get() && GetFinalSQL() != scannedSQL_) RescanParams();
    TDataSet* master = ActiveMaster();
    if (!master) return false;
    bool changed = false;
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* p = params->Items(i);
        TField* field = master->FindField(p->Name());
        if (!field) continue;
        const Variant value = field->GetAsVariant();
        const bool same = Active() && ((!p->GetIsNull() && VariantsEqual(p->GetValue(), value)) ||
                                       (p->GetIsNull() && value.IsEmptyOrNull()));
        if (!same) {
            p->AssignField(field);
            changed = true;
        }
        p->SetParamType(ptInput);
    }
    return changed;
}

bool TCustomDADataSet::PostedRecordLeavesMaster() {
    TDataSet* master = ActiveMaster();
    if (!master || MasterFields().empty() || DetailFields().empty()) return false;
    size_t masterPos = 0, detailPos = 0;
    for (;;) {
        const AnsiString masterName = ExtractFieldName(MasterFields(), masterPos);
        const AnsiString detailName = ExtractFieldName(DetailFields(), detailPos);
        if (masterName.empty() || detailName.empty()) return false;
        TField* masterField = master->FindField(masterName);
        TField* detailField = FindField(detailName);
        if (masterField && detailField &&
            !VariantsEqual(masterField->GetAsVariant(), detailField->GetAsVariant()))
            return true;
    }
}

void TCustomDADataSet::InternalPost() {
    // Checked before the record is stored, so that a refused record is not left cached.
    const bool leaves = PostedRecordLeavesMaster();
    Assert(!(leaves && CachedUpdates()), "Can not use Master/Detail with CachedUpdates");
    TMemDataSet::InternalPost();
    if (leaves)
        if (auto* memData = dynamic_cast<TMemData*>(FIRecordSet)) memData->RemoveRecord();
}

void TCustomDADataSet::HoldUseForRowsLeft() {
    // Rows left on the server keep the use until they are read or the dataset closes.
    if (Active() && !fetchUse_ && !IsAllFetched())
        fetchUse_ = true;
    else
        EndConnection();
}

void TCustomDADataSet::InternalRefresh() {
    TFailOverScope failOver(connection_, clRefresh, connection_ && connection_->IsFailoverAllowed());
    // The current record's key values, to find it again among the rows read anew.
    std::vector<TField*> keyFields;
    TVariantArray keyValues;
    if (!IsEmpty()) {
        EnsureService();
        if (auto* service = dynamic_cast<TDADataSetService*>(Service())) {
            TFieldDescArray descs;
            try {
                service->GetKeyFieldDescs(descs);
            } catch (const EDatabaseError&) {
                descs.clear();
            }
            for (TFieldDesc* desc : descs)
                if (TField* field = FindField(desc->FieldName)) {
                    keyFields.push_back(field);
                    keyValues.push_back(field->GetAsVariant());
                }
        }
    }
    BeginConnection(true);
    try {
        for (;;) {
            try {
                recCount_ = (!fetchAll_ && options_->QueryRecCount) ? GetRecCount() : 0;
                const TClass monitorClass = TracedBy();
                int32_t messageId = 0;
                if (monitorClass)
                    TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(),
                                                          "Refresh", 0, messageId, true);
                DoBeforeExecute();
                WriteCommand();
                TMemDataSet::InternalRefresh();
                if (monitorClass)
                    TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(),
                                                          "Refresh", 0, messageId, false);
                break;
            } catch (const EFailOver&) {
                connection_->RestoreTransactions();
            }
        }
        rowsAffected_ = -1;
        if (keyFields.empty() || !FindRecordByFields(keyFields.data(), static_cast<int>(keyFields.size()) - 1,
                                                     false, 0, keyValues))
            InternalFirst();
    } catch (...) {
        EndConnection();
        throw;
    }
    HoldUseForRowsLeft();
}

void TCustomDADataSet::RefreshDetail(TObject* sender) {
    TMemDataSet::RefreshDetail(sender);
    if (!Active() || options_->LocalMasterDetail()) return;
    TFailOverScope failOver(connection_, clRefresh, connection_ && connection_->IsFailoverAllowed());
    BeginConnection(true);
    try {
        for (;;) {
            try {
                DoBeforeExecute();
                WriteCommand();
                CheckBrowseMode();
                ReopenRecordSet();
                break;
            } catch (const EFailOver&) {
                connection_->RestoreTransactions();
            }
        }
        // The count belongs to the new master record's rows.
        recCount_ = (!fetchAll_ && options_->QueryRecCount) ? GetRecCount() : 0;
        Resync(0);
        First();
    } catch (...) {
        EndConnection();
        throw;
    }
    HoldUseForRowsLeft();
    rowsAffected_ = -1;
}

void TCustomDADataSet::RefreshLocalDetail() {
    // The link's conditions are part of the statement: it is prepared and run again.
    const bool wasActive = Active();
    Close();
    Unprepare();
    RescanParams();
    if (wasActive) Open();
}

void TCustomDADataSet::GetDetailLinkFields(std::vector<TField*>& masterFields,
                                           std::vector<TField*>& detailFields) {
    TDataSource* source = MasterSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master || params_->Count() == 0) {
        TMemDataSet::GetDetailLinkFields(masterFields, detailFields);
        return;
    }
    masterFields.clear();
    detailFields.clear();
    for (int i = 0; i < params_->Count(); ++i) {
        TField* masterField = master->FindField(params_->Items(i)->Name());
        if (!masterField) continue;
        masterFields.push_back(masterField);
        if (TField* detailField = FindField(params_->Items(i)->Name())) detailFields.push_back(detailField);
    }
}

void TCustomDADataSet::SetFiltered(bool value) {
    std::vector<TField*> keys;
    TVariantArray values;
    if (Active() && value != Filtered()) {
        CheckBrowseMode();
        // The current record stays current when it passes the filter.
        if (auto* service = dynamic_cast<TDADataSetService*>(Service())) {
            TFieldDescArray descs;
            service->GetKeyFieldDescs(descs);
            void* record = nullptr;
            if (!IsEmpty() && CurrentRecordBuffer(record))
                for (TFieldDesc* desc : descs)
                    if (TField* field = FieldByNumber(desc->Position)) {
                        keys.push_back(field);
                        values.push_back(field->GetAsVariant());
                    }
        }
    }
    TMemDataSet::SetFiltered(value);
    if (Active() && !keys.empty()) LocateByFields(keys.data(), static_cast<int>(keys.size()) - 1, 0, values);
}

int TCustomDADataSet::PSExecuteStatement(const AnsiString& sql, TParams* params,
                                         TCustomDADataSet** resultSet) {
    if (resultSet) *resultSet = nullptr;
    if (!connection_) DatabaseError("Connection is not defined", this);
    // Without a result set the statement runs on the updater's query for custom statements, in the
    // update transaction and traced as the dataset's own; a service without an updater gets a new
    // dataset as for a result set.
    TDADataSetUpdater* updater = resultSet ? nullptr : Updater();
    std::unique_ptr<TCustomDADataSet> owned;
    TCustomDADataSet* ds = nullptr;
    if (updater) {
        ds = updater->CheckUpdateQuery(stCustom);
        ds->TraceSuppressed = false;
        ds->SetAssignedTransaction(UsedUpdateTransaction());
    } else {
        owned.reset(NewDataSet());
        if (!owned) DatabaseError("Connection is not defined", this);
        ds = owned.get();
        ds->SetConnection(connection_);
    }
    ds->Debug = Debug;
    // The markers are read with the command's lexer, so a "?" in a literal or comment stays text.
    const TSQLParserClass* parserClass = Command() ? Command()->GetParserClass() : nullptr;
    TStringList lines;
    lines.SetText(SqlNumberQuestionMarkers(sql, parserClass));
    ds->SetSQL(lines);
    const int given = params ? params->Count() : 0;
    for (int i = 0; i < ds->Params()->Count() && i < given; ++i) {
        TDAParam* p = ds->Params()->Items(i);
        p->AssignParam(params->Items(i));
        p->SetName(std::to_string(i + 1));
        if (p->ParamType() == ptUnknown) p->SetParamType(ptInput);
    }
    ds->Execute();
    const int rows = ds->RowsAffected();
    if (resultSet) *resultSet = owned.release();
    return rows;
}

TDACursorField::TDACursorField(TComponent* owner) : TField(owner) {
    SetDataType(ftCursor);
}

// ---- editing through the updater -----------------------------------------------------------------

namespace {
// The value of a default that is one literal in any number of brackets: a number, a quoted
// string, true or false; false for any other expression.
bool LiteralDefault(const AnsiString& expression, AnsiString& value, bool& number) {
    AnsiString text = Trim(expression);
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = Trim(text.substr(1, text.size() - 2));
    if (text.empty()) return false;
    number = false;
    if (text.front() == '\'') {
        AnsiString result;
        size_t i = 1;
        for (; i < text.size(); ++i) {
            if (text[i] != '\'') {
                result += text[i];
                continue;
            }
            if (i + 1 < text.size() && text[i + 1] == '\'') {
                result += '\'';
                ++i;
                continue;
            }
            break;
        }
        if (i != text.size() - 1) return false;
        value = result;
        return true;
    }
    if (SameText(text, "true") || SameText(text, "false")) {
        value = LowerCase(text);
        return true;
    }
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])))
            digits = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    if (!digits) return false;
    number = true;
    value = text;
    return true;
}
} // namespace

void TCustomDADataSet::ApplyDefaultValues() {
    WritingDefaults = true;
    struct Clear {
        TCustomDADataSet* d;
        ~Clear() { d->WritingDefaults = false; }
    } clear{this};
    std::vector<TField*> asked;
    AnsiString expressions;
    TDADataSetUpdater* updater = Updater();
    for (int i = 0; i < FieldCount(); ++i) {
        TField* field = Fields()[i];
        if (field->DefaultExpression.empty()) continue;
        AnsiString value;
        bool number = false;
        Variant given;
        if (LiteralDefault(field->DefaultExpression, value, number)) {
            if (number || field->DataType() == ftFloat || field->DataType() == ftCurrency ||
                field->DataType() == ftBCD || field->DataType() == ftFMTBcd) {
                const char separator = FormatSettings().DecimalSeparator;
                const size_t point = value.find('.');
                if (separator != '.' && point != AnsiString::npos) value[point] = separator;
            }
            field->SetAsString(value);
        } else if (updater && updater->GetDefaultExpressionValue(field->DefaultExpression, given)) {
            field->SetAsVariant(given);
        } else {
            if (!expressions.empty()) expressions += ", ";
            expressions += field->DefaultExpression;
            asked.push_back(field);
        }
    }
    if (asked.empty() || !updater) return;
    auto* service = static_cast<TDADataSetService*>(Service());
    TCustomDADataSet* query = updater->CheckUpdateQuery(stCustom);
    TStringList lines;
    lines.SetText(service->SQLGenerator()->GenerateSelectValues(expressions));
    query->SetSQL(lines);
    BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        TCustomDADataSet* q;
        ~End() {
            q->Close();
            d->EndConnection();
        }
    } end{this, query};
    query->Open();
    for (size_t i = 0; i < asked.size() && static_cast<int>(i) < query->FieldCount(); ++i)
        asked[i]->SetAsVariant(query->Fields()[static_cast<int>(i)]->GetAsVariant());
}

int TCustomDADataSet::GetRecCount() {
    EnsureService();
    auto* service = dynamic_cast<TDADataSetService*>(Service());
    return service ? service->GetRecCount() : 0;
}

void TCustomDADataSet::SetKeyFields(const AnsiString& value) {
    if (value == KeyFields) return;
    KeyFields = value;
    if (auto* service = dynamic_cast<TDADataSetService*>(Service())) service->ResetKeyFieldsCache();
}

void TCustomDADataSet::SetUpdatingTable(const AnsiString& value) {
    if (value == UpdatingTable) return;
    UpdatingTable = value;
    if (auto* service = dynamic_cast<TDADataSetService*>(Service()); service && Active())
        service->InitUpdatingTableAndFields();
}

AnsiString TCustomDADataSet::PSGetKeyFields() {
    AnsiString result = TMemDataSet::PSGetKeyFields();
    if (!result.empty()) return result;
    if (!KeyFields.empty()) return KeyFields;
    if (!connection_) return result;
    const bool active = Active();
    const bool prepared = IsPrepared();
    if (!active && !prepared) Prepare();
    struct Restore {
        TCustomDADataSet* d;
        bool unprepare;
        ~Restore() {
            if (unprepare) {
                try {
                    d->Unprepare();
                } catch (...) {
                }
            }
        }
    } restore{this, !active && !prepared};
    EnsureService();
    auto* service = dynamic_cast<TDADataSetService*>(Service());
    if (!service) return result;
    TFieldDescArray descs;
    service->GetKeyFieldDescs(descs);
    for (TFieldDesc* desc : descs) {
        if (active && !FindField(desc->FieldName)) continue;
        if (!result.empty()) result += ";";
        result += desc->FieldName;
    }
    return result;
}

AnsiString TCustomDADataSet::PSGetTableName() {
    if (Active()) {
        EnsureService();
        if (auto* service = dynamic_cast<TDADataSetService*>(Service()))
            if (TCRTableInfo* table = service->UpdatingTableInfo()) return table->TableName();
    }
    if (!UpdatingTable.empty()) return UpdatingTable;
    if (!RecordSet() && connection_) CreateRecordSet();
    if (!RecordSet()) return AnsiString();
    TCRTablesInfo tables;
    Command()->GetSQLInfo()->ParseTablesInfo(GetFinalSQL(), tables);
    return tables.Count() > 0 ? Command()->GetSQLInfo()->NormalizeName(tables[0]->TableName()) : AnsiString();
}

TDADataSetUpdater* TCustomDADataSet::Updater() {
    EnsureService();
    return dynamic_cast<TDADataSetUpdater*>(Service()->Updater());
}

void TCustomDADataSet::InternalEdit() {
    if (TDADataSetUpdater* updater = Updater()) {
        const bool held = updater->HoldsConnectionOnEdit();
        if (held) BeginConnection(true);
        try {
            updater->PerformLock();
            TMemDataSet::InternalEdit();
        } catch (...) {
            if (held) EndConnection();
            throw;
        }
        return;
    }
    TMemDataSet::InternalEdit();
}

bool TCustomDADataSet::GetCanModify() {
    if (!Active()) return false;
    if (auto* service = dynamic_cast<TDADataSetService*>(Service())) return service->CanModify();
    // A dataset without a provider's service writes nothing of its own: only ReadOnly decides.
    return !ReadOnly();
}

void TCustomDADataSet::InternalDelete() {
    if (TDADataSetUpdater* updater = Updater()) updater->PerformLockDelete();
    TMemDataSet::InternalDelete();
}

void TCustomDADataSet::InternalCancel() {
    TDADataSetUpdater* updater = Updater();
    struct End {
        TCustomDADataSet* d;
        bool held;
        ~End() {
            if (held) d->EndConnection();
        }
    } end{this, updater && updater->HoldsConnection()};
    try {
        if (updater) updater->PerformUnLock();
    } catch (...) {
        TMemDataSet::InternalCancel();
        throw;
    }
    TMemDataSet::InternalCancel();
}

void TCustomDADataSet::RefreshRecord() {
    CheckActive();
    CheckBrowseMode();
    if (IsEmpty()) return;
    UpdateCursorPos();
    TDADataSetUpdater* updater = Updater();
    if (!updater) DatabaseError("Operation is not supported by the database", this);
    updater->PerformRefreshRecord();
    Resync(0);
}

void TCustomDADataSet::LockRecord() {
    CheckActive();
    if (TDADataSetUpdater* updater = Updater()) updater->LockRecord();
}

void TCustomDADataSet::RefreshQuick(bool checkDeleted) {
    CheckActive();
    TDADataSetUpdater* updater = Updater();
    if (!updater) DatabaseError("Operation is not supported by the database", this);
    updater->PerformRefreshQuick(checkDeleted);
}

void TCustomDADataSet::ApplyCachedUpdatesOf(uint8_t kinds) {
    CheckActive();
    if (!connection_) DatabaseError("Connection is not defined", this);
    TDATransaction* transaction = UsedUpdateTransaction();
    TFailOverScope failOver(
        connection_, clApply,
        connection_->IsFailoverAllowed() &&
            (!Command() || !Command()->AutoCommit() || connection_->IsMultipleTransactionsSupported()));
    for (;;) {
        try {
            TCRCommand* command = Command();
            const bool autoCommit = AutoCommit();
            bool own = false;
            const bool inTransaction = connection_->IsMultipleTransactionsSupported() ||
                                       (connection_->Options()->DisconnectedMode() && !autoCommit);
            if (inTransaction && transaction) {
                own = !transaction->Active();
                if (own) transaction->StartTransaction();
                if (command) command->SetProp(prAutoCommit, false);
            } else if (TDADataSetUpdater* updater = Updater()) {
                own = updater->LockState() == 2;
            }
            try {
                TMemDataSet::ApplyCachedUpdatesOf(kinds);
            } catch (...) {
                if (command) command->SetProp(prAutoCommit, autoCommit);
                throw;
            }
            if (command) command->SetProp(prAutoCommit, autoCommit);
            if (connection_->IsMultipleTransactionsSupported() && autoCommit && transaction) {
                if (own)
                    transaction->Commit();
                else
                    transaction->AutoCommitTransaction(true);
            }
            return;
        } catch (const EFailOver& e) {
            if (e.ConnLostCause != clApply) throw;
            connection_->RestoreTransactions();
        }
    }
}

void TCustomDADataSet::SetRefreshOptions(unsigned value) {
    RefreshOptions = value;
    if (RecordSet()) RecordSet()->SetProp(prRefreshAfterUpdate, (value & roAfterUpdate) != 0);
}
