#include "data/access/DASQL.h"

#include <cmath>

#include "data/access/CRProps.h"
#include "data/access/DAConnection.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/DASQLText.h"
#include "data/access/DATransaction.h"
#include "data/memory/Blob.h"
#include "data/memory/DataSetServices.h"
#include "data/memory/FieldDescs.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Strings.h"

TCustomDASQL::TCustomDASQL(TComponent* owner)
    : TComponent(owner), sql_(std::make_unique<TStringList>()), params_(std::make_unique<TDAParams>(this)),
      macros_(std::make_unique<TMacros>(this)) {
    sql_->OnChange = [this](TObject*) { SQLChanged(); };
}

TCustomDASQL::~TCustomDASQL() {
    try {
        Unprepare();
    } catch (const std::exception&) {
    }
    if (connection_) {
        connection_->UnRegisterClient(this);
        connection_->RemoveFreeNotification(this);
        NotifyDestroyed();
    }
    if (transaction_) transaction_->RemoveFreeNotification(this);
    sql_->OnChange = nullptr;
    command_.reset();
    ReleaseSentCopies();
}

const TDataTypesMap& TCustomDASQL::TypesMap() {
    static const TDataTypesMap map;
    return map;
}

void TCustomDASQL::SetConnection(TCustomDAConnection* value) {
    if (value == connection_) return;
    Unprepare();
    if (connection_) {
        connection_->UnRegisterClient(this);
        connection_->RemoveFreeNotification(this);
    }
    connection_ = value;
    if (value) {
        value->RegisterClient(
            this, [this](TObject* sender, bool connecting) { ConnectChange(sender, connecting); });
        value->FreeNotification(this);
    }
    if (command_) command_->SetConnection(value ? value->InternalConnection() : nullptr);
    if (value && sql_->Count() > 0) ScanParams();
}

void TCustomDASQL::SetTransaction(TDATransaction* value) {
    if (value == transaction_) return;
    if (transaction_) transaction_->RemoveFreeNotification(this);
    transaction_ = value;
    if (value) value->FreeNotification(this);
}

void TCustomDASQL::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == transaction_) transaction_ = nullptr;
    if (component == connection_) {
        connection_ = nullptr;
        if (command_) command_->SetConnection(nullptr);
    }
}

void TCustomDASQL::SetParamCheck(bool value) {
    paramCheck_ = value;
    if (command_) command_->SetProp(prScanParams, value);
    if (value) ScanParams();
}

void TCustomDASQL::SetAutoCommit(bool value) {
    autoCommit_ = value;
    if (command_) command_->SetProp(prAutoCommit, value);
}

TDATransaction* TCustomDASQL::UsedTransaction() const {
    TCustomDAConnection* c = UsedConnection();
    if (!c) return nullptr;
    if (c->IsMultipleTransactionsSupported() && transaction_) return transaction_;
    return c->UsedTransaction();
}

bool TCustomDASQL::Prepared() const {
    return command_ && command_->GetPrepared();
}

int TCustomDASQL::RowsAffected() const {
    if (!command_) return 0;
    Variant v;
    command_->GetProp(prRowsProcessed, v);
    return v.AsInteger();
}

AnsiString TCustomDASQL::GetFinalSQL() const {
    AnsiString text = sql_->Text();
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.pop_back();
    if (macros_->Count() > 0) macros_->Expand(text);
    return text;
}

TDAParam* TCustomDASQL::FindResultParam() const {
    for (int i = params_->Count(); i-- > 0;)
        if (params_->Items(i)->ParamType() == ptResult) return params_->Items(i);
    return nullptr;
}

// ---- connection use ------------------------------------------------------------------------------

void TCustomDASQL::BeginConnection(bool internal) {
    TCustomDAConnection* c = UsedConnection();
    if (!c) DatabaseError("Connection is not defined", this);
    if (internal)
        c->AcquireUse();
    else if (!c->Connected())
        c->Connect();
    try {
        CheckICommand();
        if (c->IsMultipleTransactionsSupported()) {
            TDATransaction* t = UsedTransaction();
            if (!t) DatabaseError("Transaction not assigned", this);
            if (internal)
                t->AcquireTransaction();
            else if (!t->Active())
                t->StartTransaction();
            command_->SetTransaction(t->InternalTransaction());
        }
        command_->SetConnection(c->InternalConnection());
    } catch (...) {
        // The use taken above goes back with the failure.
        if (internal) c->ReleaseUse();
        throw;
    }
}

void TCustomDASQL::EndConnection() {
    TCustomDAConnection* c = UsedConnection();
    if (!c) return;
    if (c->IsMultipleTransactionsSupported())
        if (TDATransaction* t = UsedTransaction()) t->ReleaseTransaction();
    c->ReleaseUse();
}

void TCustomDASQL::ConnectChange(TObject*, bool connecting) {
    if (connecting) return;
    Unprepare();
    params_->NotifyValueObjects();
}

void TCustomDASQL::CheckICommand() {
    TCustomDAConnection* c = UsedConnection();
    if (!c) DatabaseError("Connection is not defined", this);
    TClass cls = c->GetInternalCommandClass();
    if (!command_ || command_->ClassType() != cls) SetICommand(cls->Create<TCRCommand>());
}

void TCustomDASQL::SetICommand(std::unique_ptr<TCRCommand> value) {
    command_ = std::move(value);
    if (!command_) return;
    TCustomDAConnection* c = UsedConnection();
    command_->SetConnection(c ? c->InternalConnection() : nullptr);
    command_->SetProp(prAutoCommit, autoCommit_);
    command_->SetProp(prScanParams, paramCheck_);
    command_->Component = this;
    command_->OnAfterExecute = [this](bool result) { DoAfterExecute(result); };
    SetCommandSQL();
}

void TCustomDASQL::SetCommandSQL() {
    if (!command_) return;
    const AnsiString text = sql_->Count() > 0 ? GetFinalSQL() : AnsiString();
    if (!keepParamsHint_) {
        command_->SetSQL(text);
        return;
    }
    // The parameters were made with the text: the command must not scan them again.
    command_->SetProp(prDisableParamScan, true);
    try {
        command_->SetSQL(text);
    } catch (...) {
        command_->SetProp(prDisableParamScan, false);
        throw;
    }
    command_->SetProp(prDisableParamScan, false);
}

// ---- prepare and execute -------------------------------------------------------------------------

void TCustomDASQL::NotifyDestroyed() {
    if (destroyedNotified_ || !connection_) return;
    destroyedNotified_ = true;
    TCustomDASQLMonitor::ObjectDestroyedNotify(connection_->GetSQLMonitorClass(), this);
}

TClass TCustomDASQL::TracedBy() const {
    TCustomDAConnection* c = UsedConnection();
    if (TraceSuppressed || !c) return nullptr;
    TClass monitorClass = c->GetSQLMonitorClass();
    return Debug || TCustomDASQLMonitor::HasMonitor(monitorClass) ? monitorClass : nullptr;
}

void TCustomDASQL::Prepare() {
    if (Prepared()) return;
    BeginConnection(true);
    const TClass monitorClass = TracedBy();
    int32_t messageId = 0;
    try {
        if (monitorClass)
            TCustomDASQLMonitor::SQLPrepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                                  true);
        InternalPrepare();
        Variant described;
        if (command_->GetProp(prParamsDescribed, described) && described.AsBoolean()) UpdateParamsFromDescs();
    } catch (...) {
        // The use is kept only by a prepared statement.
        try {
            if (Prepared()) command_->Unprepare();
        } catch (const std::exception&) {
        }
        EndConnection();
        throw;
    }
    if (monitorClass)
        TCustomDASQLMonitor::SQLPrepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                              false);
}

void TCustomDASQL::UpdateParamsFromDescs() {
    const int count = command_->ParamCount();
    for (int i = 0; i < count; ++i) {
        TDAParam* p = i < params_->Count() ? params_->Items(i) : static_cast<TDAParam*>(params_->Add());
        ReadParamDesc(p, command_->GetParam(i));
    }
    while (params_->Count() > count)
        params_->Delete(params_->Count() - 1);
}

void TCustomDASQL::InternalPrepare() {
    WriteParams(false);
    command_->Prepare();
}

void TCustomDASQL::Unprepare() {
    if (!Prepared()) return;
    const TClass monitorClass = TracedBy();
    int32_t messageId = 0;
    try {
        if (monitorClass)
            TCustomDASQLMonitor::SQLUnprepareNotify(monitorClass, this, GetFinalSQL(), params_.get(),
                                                    messageId, true);
        command_->Unprepare();
    } catch (...) {
        EndConnection();
        throw;
    }
    EndConnection();
    if (monitorClass)
        TCustomDASQLMonitor::SQLUnprepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                                false);
}

void TCustomDASQL::ExecuteIters(int iterations) {
    if (command_ && command_->Executing()) return;
    // The providers bind one value per parameter and run a statement once: another count would
    // be reported as done when it was not.
    if (iterations != 1) DatabaseError(Format("Unsupported iteration count %d", {iterations}), this);
    BeginConnection(true);
    const TClass monitorClass = TracedBy();
    int32_t messageId = 0;
    try {
        if (monitorClass)
            TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "", 0,
                                                  messageId, true);
        if (BeforeExecute) BeforeExecute(this);
        WriteParams(true);
        CheckProcCall(iterations);
    } catch (...) {
        ReleaseSentCopies();
        EndConnection();
        throw;
    }
    SignalWaitHook(-30);
    try {
        InternalExecute(iterations);
    } catch (...) {
        ReleaseSentCopies();
        throw;
    }
    ReleaseSentCopies();
    if (monitorClass)
        TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "",
                                              RowsAffected(), messageId, false);
}

void TCustomDASQL::CheckProcCall(int iterations) {
    if (iterations != 1 || storedProcName_.empty() || !NeedsProcCallRebuild()) return;
    // The command's descriptions are the current parameters now: the text follows them.
    const bool wasPrepared = Prepared();
    if (wasPrepared) Unprepare();
    AnsiString before = sql_->Text();
    while (!before.empty() && static_cast<unsigned char>(before.back()) <= ' ')
        before.pop_back();
    const AnsiString text = command_->CreateProcCall(storedProcName_, false);
    if (text != before) {
        settingProcCall_ = true;
        try {
            sql_->SetText(text);
        } catch (...) {
            settingProcCall_ = false;
            throw;
        }
        settingProcCall_ = false;
    }
    if (wasPrepared) Prepare();
}

void TCustomDASQL::ReleaseSentCopies() {
    for (TBlob* copy : sentCopies_)
        copy->Release();
    sentCopies_.clear();
}

void TCustomDASQL::SetSQLTextWithHints(const AnsiString& text, bool noMacroScan, bool keepParams) {
    const bool savedMacros = noMacroScanHint_, savedParams = keepParamsHint_;
    noMacroScanHint_ = noMacroScan;
    keepParamsHint_ = keepParams;
    try {
        sql_->SetText(text);
    } catch (...) {
        noMacroScanHint_ = savedMacros;
        keepParamsHint_ = savedParams;
        throw;
    }
    noMacroScanHint_ = savedMacros;
    keepParamsHint_ = savedParams;
}

void TCustomDASQL::InternalExecute(int) {
    TCustomDAConnection* c = UsedConnection();
    c->PushOperation(clExecute, true);
    try {
        for (;;) {
            try {
                command_->Execute();
                break;
            } catch (const EFailOver&) {
                // The failed run ended its use; the connection counted one more for the re-run
                // when it found the cause.
                c->RestoreTransactions();
            }
        }
    } catch (...) {
        c->PopOperation();
        throw;
    }
    c->PopOperation();
}

void TCustomDASQL::DoAfterExecute(bool result) {
    TCustomDAConnection* c = UsedConnection();
    if (result) {
        ReadOutParams();
        Variant id;
        if (c && c->InternalConnection() && c->InternalConnection()->GetProp(prLastInsertId, id))
            lastInsertId_ = id.AsInt64();
    }
    if (c && c->IsMultipleTransactionsSupported())
        if (TDATransaction* t = UsedTransaction()) t->AutoCommitTransaction(c->AutoCommit() && autoCommit_);
    EndConnection();
    if (AfterExecute) AfterExecute(this, result);
}

// ---- parameters ----------------------------------------------------------------------------------

void TCustomDASQL::WriteParams(bool withValues) {
    const bool byName = params_->ChangeTracker == 1;
    for (int i = 0; i < params_->Count(); ++i) {
        TDAParam* p = params_->Items(i);
        TParamDesc* d = nullptr;
        if (byName && !p->Name().empty())
            d = command_->FindParam(p->Name());
        else if (i < command_->ParamCount())
            d = command_->GetParam(i);
        if (!d) d = command_->AddParam();
        WriteParamDesc(d, p);
        if (withValues) WriteParamValue(d, p);
    }
    if (!byName)
        while (command_->ParamCount() > params_->Count())
            command_->DeleteParam(command_->ParamCount() - 1);
    params_->ChangeTracker = 0;
}

void TCustomDASQL::WriteParamDesc(TParamDesc* desc, TDAParam* param) {
    DescribeParam(desc, param, UsedConnection(), UnknownParamsAreInOut());
}

void TCustomDASQL::DescribeParam(TParamDesc* desc, TDAParam* param, TCustomDAConnection* connection,
                                 bool unknownParamsAreInOut) {
    desc->SetName(param->Name());
    desc->SetDataType(TypesMap().DataTypeOf(param->DataType()));
    desc->SetSubDataType(param->SubDataType);
    desc->SetNational(param->National);
    desc->SetParamType(static_cast<uint8_t>(param->ParamType()));
    desc->SetIsBound(param->Bound);
    int size = param->GetSize();
    const TFieldType type = param->DataType();
    const bool sized = type == ftString || type == ftBytes || type == ftVarBytes || type == ftFixedChar ||
                       type == ftWideString || type == ftFixedWideChar;
    if (sized && size == 0) {
        const TParamType pt = param->ParamType();
        if (pt == ptInput || (pt == ptUnknown && !unknownParamsAreInOut)) {
            const Variant value = param->GetValue();
            if (value.IsByteArray())
                size = static_cast<int>(value.Bytes().size());
            else if (!value.IsEmptyOrNull())
                size = static_cast<int>(value.AsAnsiString().size());
        }
        if (size == 0 && connection && connection->InternalConnection()) {
            Variant defaultSize;
            connection->InternalConnection()->GetProp(prDefaultTextParamSize, defaultSize);
            size = defaultSize.AsInteger();
        }
    }
    desc->SetSize(size);
}

void TCustomDASQL::WritePlainParamValue(TParamDesc* desc, TDAParam* param) {
    Variant value = param->GetValue();
    if (param->DataType() == ftDate && !value.IsEmptyOrNull())
        value = Variant::FromDateTime(std::floor(value.AsDateTime()));
    const uint16_t code = desc->GetDataType();
    if ((code == tcBytes || code == tcVarBytes) && value.IsString()) {
        const AnsiString text = value.AsAnsiString();
        value = Variant::FromBytes(text.data(), text.size());
    }
    desc->SetValue(Variant::Null());
    desc->SetValue(value);
}

namespace {
TBlob* CopyOf(TBlob* blob) {
    auto* copy = new TBlob(blob->IsUnicode());
    CopyBlobValue(blob, copy);
    return copy;
}
} // namespace

void TCustomDASQL::WriteParamValue(TParamDesc* desc, TDAParam* param) {
    TCustomDAConnection* c = UsedConnection();
    const bool convertEOL = c && c->ConvertEOL();
    const TParamType pt = param->ParamType();
    const bool input = pt == ptInput || pt == ptInputOutput || pt == ptUnknown;
    desc->SetConvertEOL(convertEOL);
    if (param->HoldsObject()) {
        TSharedObject* object = param->GetValueObject();
        auto* blob = dynamic_cast<TBlob*>(object);
        const TFieldType type = param->DataType();
        if (blob && (pt == ptOutput || pt == ptResult) &&
            (type == ftBlob || type == ftMemo || type == ftOraBlob || type == ftOraClob)) {
            blob->DoReset();
            blob->Clear();
        } else if (blob && input && convertEOL &&
                   (type == ftMemo || type == ftOraClob || (type == ftBlob && ConvertsBlobEOL()))) {
            if (pt == ptInputOutput || (pt == ptUnknown && UnknownParamsAreInOut())) {
                // Read back into the same blob, where the line ends are expanded again.
                TRollbackOff off(blob);
                blob->CollapseLineEnds();
            } else {
                // The caller's value keeps its line ends: the server gets a collapsed copy.
                TBlob* copy = CopyOf(blob);
                sentCopies_.push_back(copy);
                copy->CollapseLineEnds();
                object = copy;
            }
        }
        desc->SetValuePtr(static_cast<TObject*>(object));
        desc->SetNull(param->GetIsNull());
        return;
    }
    if (input) WritePlainParamValue(desc, param);
}

void TCustomDASQL::ReadOutParams() {
    if (!command_) return;
    for (int i = 0; i < params_->Count() && i < command_->ParamCount(); ++i) {
        TDAParam* p = params_->Items(i);
        const TParamType pt = p->ParamType();
        if (pt == ptInput || (pt == ptUnknown && !UnknownParamsAreInOut())) continue;
        ReadParamValue(p, command_->GetParam(i));
    }
}

void TCustomDASQL::ReadParamValue(TDAParam* param, TParamDesc* desc) {
    if (param->HoldsObject()) {
        const TFieldType type = param->DataType();
        auto* blob = dynamic_cast<TBlob*>(param->GetValueObject());
        TCustomDAConnection* c = UsedConnection();
        // Binary values come back as they went: LF bytes are data there.
        if (blob && c && c->ConvertEOL() &&
            (type == ftMemo || type == ftOraClob || (type == ftBlob && ConvertsBlobEOL()))) {
            TRollbackOff off(blob);
            blob->ExpandLineEnds();
        }
        return;
    }
    param->SetValue(desc->GetNull() ? Variant::Null() : desc->GetValue());
}

void TCustomDASQL::ScanParams() {
    if (!UsedConnection()) return;
    CheckICommand();
    SetCommandSQL();
    if (!paramCheck_ || keepParamsHint_) return;
    TDAParams old;
    old.Assign(params_.get());
    ReadParamDescs();
    params_->AssignValues(&old);
}

void TCustomDASQL::ReadParamDescs() {
    params_->Clear();
    for (int i = 0; i < command_->ParamCount(); ++i)
        ReadParamDesc(static_cast<TDAParam*>(params_->Add()), command_->GetParam(i));
}

void TCustomDASQL::ReadParamDesc(TDAParam* param, TParamDesc* desc) {
    param->SetName(desc->GetName());
    if (desc->GetDataType() != 0) param->SetDataType(TypesMap().FieldTypeOf(desc->GetDataType()));
    param->SetParamType(static_cast<TParamType>(desc->GetParamType()));
    param->SetSize(desc->GetSize());
}

void TCustomDASQL::CreateProcCall(const AnsiString& name, bool needDescribe, bool isQuery) {
    if (name.empty()) DatabaseError("StoredProcName must be defined", this);
    BeginConnection(true);
    try {
        if (!needDescribe) WriteParams(false);
        const AnsiString text = command_->CreateProcCall(name, needDescribe);
        if (needDescribe) ReadParamDescs();
        settingProcCall_ = true;
        sql_->SetText(text);
        settingProcCall_ = false;
    } catch (...) {
        settingProcCall_ = false;
        EndConnection();
        throw;
    }
    EndConnection();
    storedProcName_ = name;
    storedProcIsQuery_ = isQuery;
    command_->SetProp(prIsStoredProc, true);
}

void TCustomDASQL::SetCommandStoredProcName(const AnsiString& value) {
    storedProcName_ = value;
    if (command_) command_->SetProp(prIsStoredProc, !value.empty());
}

void TCustomDASQL::AssignTo(TPersistent* dest) {
    auto* d = dynamic_cast<TCustomDASQL*>(dest);
    if (!d) {
        TComponent::AssignTo(dest);
        return;
    }
    d->SetConnection(connection_);
    d->SetParamCheck(paramCheck_);
    d->sql_->SetText(sql_->Text());
    d->macros_->Assign(macros_.get());
    d->params_->Assign(params_.get());
    d->Debug = Debug;
    d->SetAutoCommit(autoCommit_);
    d->SetCommandStoredProcName(storedProcName_);
    d->storedProcIsQuery_ = storedProcIsQuery_;
}

// ---- SQL changes ---------------------------------------------------------------------------------

void TCustomDASQL::SQLChanged() {
    ResetAfterSQLChange(noMacroScanHint_);
}

void TCustomDASQL::ResetAfterSQLChange(bool noMacroScan) {
    Unprepare();
    if (!noMacroScan) {
        // The scan tells this statement of its own changes: the reset below covers them.
        scanningMacros_ = true;
        try {
            macros_->Scan(sql_->Text());
        } catch (...) {
            scanningMacros_ = false;
            throw;
        }
        scanningMacros_ = false;
    }
    if (settingProcCall_) return;
    ScanParams();
    storedProcName_.clear();
    storedProcIsQuery_ = false;
}

void TCustomDASQL::MacrosChanged() {
    if (!scanningMacros_) ResetAfterSQLChange(true);
}
