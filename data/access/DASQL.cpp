#include "data/access/DASQL.h"

#include <cmath>

#include "data/access/CRProps.h"
#include "data/access/DAConnection.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/DASQLText.h"
#include "data/access/DATransaction.h"
#include "data/memory/DataSetServices.h"
#include "data/memory/FieldDescs.h"
#include "platform/core/Exceptions.h"

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
    if (command_) command_->SetSQL(sql_->Count() > 0 ? GetFinalSQL() : AnsiString());
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
    } catch (...) {
        // The use is kept only by a prepared statement.
        EndConnection();
        throw;
    }
    if (monitorClass)
        TCustomDASQLMonitor::SQLPrepareNotify(monitorClass, this, GetFinalSQL(), params_.get(), messageId,
                                              false);
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
    BeginConnection(true);
    const TClass monitorClass = TracedBy();
    int32_t messageId = 0;
    try {
        if (monitorClass)
            TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "", 0,
                                                  messageId, true);
        if (BeforeExecute) BeforeExecute(this);
        WriteParams(true);
    } catch (...) {
        EndConnection();
        throw;
    }
    SignalWaitHook(-30);
    InternalExecute(iterations);
    if (monitorClass)
        TCustomDASQLMonitor::SQLExecuteNotify(monitorClass, this, GetFinalSQL(), params_.get(), "",
                                              RowsAffected(), messageId, false);
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
        if (pt == ptInput || (pt == ptUnknown && !UnknownParamsAreInOut())) {
            const Variant value = param->GetValue();
            if (value.IsByteArray())
                size = static_cast<int>(value.Bytes().size());
            else if (!value.IsEmptyOrNull())
                size = static_cast<int>(value.AsAnsiString().size());
        }
        if (size == 0 && UsedConnection() && UsedConnection()->InternalConnection()) {
            Variant defaultSize;
            UsedConnection()->InternalConnection()->GetProp(prDefaultTextParamSize, defaultSize);
            size = defaultSize.AsInteger();
        }
    }
    desc->SetSize(size);
}

void TCustomDASQL::WriteParamValue(TParamDesc* desc, TDAParam* param) {
    TCustomDAConnection* c = UsedConnection();
    desc->SetConvertEOL(c && c->ConvertEOL());
    const TParamType pt = param->ParamType();
    if (pt != ptInput && pt != ptInputOutput && pt != ptUnknown) return;
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

void TCustomDASQL::ReadOutParams() {
    if (!command_) return;
    for (int i = 0; i < params_->Count() && i < command_->ParamCount(); ++i) {
        TDAParam* p = params_->Items(i);
        const TParamType pt = p->ParamType();
        if (pt == ptInput || (pt == ptUnknown && !UnknownParamsAreInOut())) continue;
        TParamDesc* d = command_->GetParam(i);
        p->SetValue(d->GetNull() ? Variant::Null() : d->GetValue());
    }
}

void TCustomDASQL::ScanParams() {
    if (!UsedConnection()) return;
    CheckICommand();
    SetCommandSQL();
    if (!paramCheck_) return;
    TDAParams old;
    old.Assign(params_.get());
    ReadParamDescs();
    params_->AssignValues(&old);
}

void TCustomDASQL::ReadParamDescs() {
    params_->Clear();
    for (int i = 0; i < command_->ParamCount(); ++i) {
        TParamDesc* d = command_->GetParam(i);
        auto* p = static_cast<TDAParam*>(params_->Add());
        p->SetName(d->GetName());
        if (d->GetDataType() != 0) p->SetDataType(TypesMap().FieldTypeOf(d->GetDataType()));
        p->SetParamType(static_cast<TParamType>(d->GetParamType()));
        p->SetSize(d->GetSize());
    }
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
    ResetAfterSQLChange(false);
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
