#include <algorithm>
#include "data/access/DAConnection.h"

#include <exception>

#include "data/access/CRConnectionPool.h"
#include "data/access/CRMetaData.h"
#include "data/access/CRProps.h"
#include "data/access/CRSQLInfo.h"
#include "data/access/CRServerEnumerator.h"
#include "data/access/ConnectDialog.h"
#include "data/access/DASQLText.h"
#include "data/access/Macros.h"
#include "data/access/DADataSet.h"
#include "data/access/DASQL.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/DATransaction.h"
#include "platform/core/Exceptions.h"
#include "platform/db/DataSet.h"

// ---- options ------------------------------------------------------------------------------------

void TDAConnectionOptions::SetDisconnectedMode(bool value) {
    if (value == disconnectedMode_) return;
    if (owner_) owner_->Disconnect();
    disconnectedMode_ = value;
    if (owner_ && owner_->InternalConnection())
        owner_->InternalConnection()->SetProp(prDisconnectedMode, value);
}

void TDAConnectionOptions::SetDefaultSortType(TSortType value) {
    if (value == defaultSortType_) return;
    defaultSortType_ = value;
    if (owner_ && owner_->InternalConnection())
        owner_->InternalConnection()->SetProp(prDefaultSortType, static_cast<int>(value));
}

void TDAConnectionOptions::SetEnableBCD(bool value) {
    enableBCD_ = value;
    if (owner_ && owner_->InternalConnection()) owner_->InternalConnection()->SetProp(prEnableBCD, value);
}

void TDAConnectionOptions::SetEnableFMTBCD(bool value) {
    enableFMTBCD_ = value;
    if (owner_ && owner_->InternalConnection()) owner_->InternalConnection()->SetProp(prEnableFmtBCD, value);
}

void TDAConnectionOptions::AssignTo(TPersistent* dest) {
    auto* other = dynamic_cast<TDAConnectionOptions*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->KeepDesignConnected = KeepDesignConnected;
    other->SetDisconnectedMode(disconnectedMode_);
    other->LocalFailover = LocalFailover;
    other->SetEnableBCD(enableBCD_);
    other->SetEnableFMTBCD(enableFMTBCD_);
}

void TPoolingOptions::AssignTo(TPersistent* dest) {
    auto* other = dynamic_cast<TPoolingOptions*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->MaxPoolSize = MaxPoolSize;
    other->MinPoolSize = MinPoolSize;
    other->ConnectionLifetime = ConnectionLifetime;
    other->Validate = Validate;
}

// ---- connection ---------------------------------------------------------------------------------

TCustomDAConnection::TCustomDAConnection(TComponent* owner)
    : TCustomConnection(owner), clientLock_(std::make_unique<TCriticalSection>()),
      options_(std::make_unique<TDAConnectionOptions>(this)),
      poolingOptions_(std::make_unique<TPoolingOptions>(this)) {
    LoginPrompt = true;
}

// Made after construction: CreateTransaction is the descendant's.
std::unique_ptr<TDATransaction> TCustomDAConnection::CreateTransaction() {
    return std::make_unique<TDATransaction>(nullptr);
}

TDATransaction* TCustomDAConnection::DefaultTransaction() const {
    if (defaultTransaction_) return defaultTransaction_;
    if (!internalTransaction_) {
        auto* self = const_cast<TCustomDAConnection*>(this);
        self->internalTransaction_ = self->CreateTransaction();
        self->internalTransaction_->SharesConnectionTransaction = true;
        if (!Name().empty()) self->internalTransaction_->SetName("tr" + Name());
        self->internalTransaction_->SetDefaultConnection(self);
    }
    return internalTransaction_.get();
}

void TCustomDAConnection::SetDefaultTransaction(TDATransaction* value) {
    if (value == internalTransaction_.get()) value = nullptr;
    if (value == defaultTransaction_) return;
    if (defaultTransaction_) {
        TDATransaction* old = defaultTransaction_;
        DetachTransaction(old);
        old->RemoveFreeNotification(this);
    }
    defaultTransaction_ = value;
    if (value) {
        AttachTransaction(value);
        value->FreeNotification(this);
    }
}

void TCustomDAConnection::Notification(TComponent* component, TOperation operation) {
    TCustomConnection::Notification(component, operation);
    if (operation == opRemove && component == defaultTransaction_) SetDefaultTransaction(nullptr);
    if (operation == opRemove && component == connectDialog_) connectDialog_ = nullptr;
}

void TCustomDAConnection::AttachTransaction(TDATransaction* transaction) {
    if (std::find(transactions_.begin(), transactions_.end(), transaction) != transactions_.end()) return;
    transactions_.push_back(transaction);
    bool bound = false;
    for (int i = 0; i < transaction->ConnectionCount(); ++i)
        if (transaction->Connections(i) == this) bound = true;
    if (!bound) transaction->AddConnection(this);
}

void TCustomDAConnection::DetachTransaction(TDATransaction* transaction) {
    auto it = std::find(transactions_.begin(), transactions_.end(), transaction);
    if (it == transactions_.end()) return;
    transactions_.erase(it);
    if (defaultTransaction_ == transaction) defaultTransaction_ = nullptr;
    for (int i = 0; i < transaction->ConnectionCount(); ++i)
        if (transaction->Connections(i) == this) {
            transaction->RemoveConnection(this);
            break;
        }
}

TDATransaction* TCustomDAConnection::UsedTransaction() {
    if (!IsMultipleTransactionsSupported())
        for (TDATransaction* t : transactions_)
            if (t->GetActive(false)) return t;
    return DefaultTransaction();
}

bool TCustomDAConnection::IsAnyTransactionActive(bool flag) {
    for (TDATransaction* t : transactions_)
        if (t->GetActive(t == internalTransaction_.get() ? flag : false)) return true;
    return false;
}

void TCustomDAConnection::RestoreTransactions() {
    for (TDATransaction* t : std::vector<TDATransaction*>(transactions_))
        t->RestoreAfterFailover();
}

void TCustomDAConnection::CloseTransactionsForDisconnect() {
    for (TDATransaction* t : std::vector<TDATransaction*>(transactions_))
        t->CloseTransaction(true);
}

void TCustomDAConnection::StartTransaction() {
    DefaultTransaction()->StartTransaction();
}
void TCustomDAConnection::Commit() {
    DefaultTransaction()->Commit();
}
void TCustomDAConnection::Rollback() {
    DefaultTransaction()->Rollback();
}
void TCustomDAConnection::CommitRetaining() {
    DefaultTransaction()->CommitRetaining();
}
void TCustomDAConnection::RollbackRetaining() {
    DefaultTransaction()->RollbackRetaining();
}
void TCustomDAConnection::Savepoint(const AnsiString& name) {
    DefaultTransaction()->Savepoint(name);
}
void TCustomDAConnection::ReleaseSavepoint(const AnsiString& name) {
    DefaultTransaction()->ReleaseSavepoint(name);
}
void TCustomDAConnection::RollbackToSavepoint(const AnsiString& name) {
    DefaultTransaction()->RollbackToSavepoint(name);
}

TCustomDAConnection::~TCustomDAConnection() {
    try {
        Disconnect();
    } catch (const std::exception&) {
    }
    UnbindClients();
    command_.reset();
    if (internalTransaction_) {
        DetachTransaction(internalTransaction_.get());
        internalTransaction_.reset();
    }
    for (size_t i = transactions_.size(); i-- > 0;)
        DetachTransaction(transactions_[i]);
    if (defaultTransaction_) defaultTransaction_->RemoveFreeNotification(this);
    TCustomDASQLMonitor::ObjectDestroyedNotify(GetSQLMonitorClass(), this);
    ClearInternalConnection();
}

TClass TCustomDAConnection::GetConnectDialogClass() {
    return TCustomConnectDialog::StaticClass();
}

void TCustomDAConnection::SetConnectDialog(TCustomConnectDialog* value) {
    if (value == connectDialog_) return;
    if (connectDialog_) {
        connectDialog_->RemoveFreeNotification(this);
        if (connectDialog_->Connection() == this) connectDialog_->SetConnection(nullptr);
    }
    connectDialog_ = value;
    if (value) {
        value->FreeNotification(this);
        value->SetConnection(this);
    }
}

bool TCustomDAConnection::ExecuteConnectDialog() {
    std::unique_ptr<TCustomConnectDialog> created;
    TCustomConnectDialog* dialog = connectDialog_;
    if (!dialog) {
        created = GetConnectDialogClass()->Create<TCustomConnectDialog>();
        dialog = created.get();
    }
    dialog->SetConnection(this);
    if (!dialog->Execute()) return false;
    // The dialog collected the login; the connection opens with it, asking no more.
    OpenConnection();
    return true;
}

void TCustomDAConnection::AssignTo(TPersistent* dest) {
    auto* other = dynamic_cast<TCustomDAConnection*>(dest);
    if (!other) {
        TCustomConnection::AssignTo(dest);
        return;
    }
    other->SetUsername(username_);
    other->SetPassword(password_);
    other->SetServer(server_);
    other->LoginPrompt = LoginPrompt;
    other->poolingOptions_->Assign(poolingOptions_.get());
    other->SetPooling(pooling_);
    other->SetConnectDialog(connectDialog_);
    other->OnError = OnError;
    other->SetConvertEOL(convertEOL_);
    other->options_->Assign(options_.get());
    other->SetAutoCommit(autoCommit_);
    other->BeforeConnect = BeforeConnect;
    other->AfterConnect = AfterConnect;
    other->BeforeDisconnect = BeforeDisconnect;
    other->AfterDisconnect = AfterDisconnect;
    other->OnLogin = OnLogin;
}

void TCustomDAConnection::AssignConnect(TCustomDAConnection* source) {
    SetUsername(source->username_);
    SetPassword(source->password_);
    SetServer(source->server_);
}

void TCustomDAConnection::SetUsername(const AnsiString& value) {
    if (value == username_) return;
    Disconnect();
    username_ = value;
}

void TCustomDAConnection::SetPassword(const AnsiString& value) {
    if (value == password_) return;
    Disconnect();
    password_ = value;
}

void TCustomDAConnection::SetServer(const AnsiString& value) {
    if (value == server_) return;
    Disconnect();
    server_ = value;
}

void TCustomDAConnection::SetAutoCommit(bool value) {
    autoCommit_ = value;
    if (iConnection_) iConnection_->SetProp(prAutoCommit, value);
}

void TCustomDAConnection::SetConvertEOL(bool value) {
    convertEOL_ = value;
    if (iConnection_) iConnection_->SetProp(prConvertEOL, value);
}

void TCustomDAConnection::SetPooling(bool value) {
    if (value == pooling_) return;
    SetConnected(false);
    ClearInternalConnection();
    pooling_ = value;
}

bool TCustomDAConnection::GetConnected() {
    return iConnection_ && iConnection_->GetConnected();
}

TClass TCustomDAConnection::GetInternalConnectionClass() {
    Assert(false, "Must be overrided");
    return TCRConnection::StaticClass();
}

TClass TCustomDAConnection::GetInternalCommandClass() {
    Assert(false, "Must be overrided");
    return TCRCommand::StaticClass();
}

TClass TCustomDAConnection::GetSQLMonitorClass() {
    return TCustomDASQLMonitor::StaticClass();
}

TClass TCustomDAConnection::GetInternalMetaDataClass() {
    Assert(false, "Must be overrided");
    return TCRMetaData::StaticClass();
}

void TCustomDAConnection::ReadCatalog(
    const AnsiString& kind, const AnsiString& restriction,
    const std::function<void(const std::function<AnsiString(const char*)>&)>& row) {
    std::unique_ptr<TCRMetaData> reader = GetInternalMetaDataClass()->Create<TCRMetaData>();
    TStringList restrictions;
    if (!restriction.empty()) restrictions.Add(restriction);
    TData* data =
        reader->GetMetaData(iConnection_.get(), iConnection_->GetInternalTransaction(), kind, restrictions);
    void* buffer = nullptr;
    data->AllocRecBuf(buffer);
    try {
        auto field = [&](const char* name) -> AnsiString {
            TFieldDesc* desc = data->FindFieldDesc(name);
            if (!desc) return "";
            Variant v;
            data->GetFieldAsVariant(desc->Position, buffer, v);
            return v.IsEmptyOrNull() ? AnsiString() : v.AsAnsiString();
        };
        data->SetToBegin();
        for (data->GetNextRecord(buffer); !data->IsEOF(); data->GetNextRecord(buffer))
            row(field);
    } catch (...) {
        data->FreeRecBuf(buffer);
        throw;
    }
    data->FreeRecBuf(buffer);
}

namespace {
AnsiString QuotedIfNeeded(TSQLInfo* info, const AnsiString& name) {
    return info->QuotesNeeded(name) ? info->QuoteName(name) : name;
}
// Parts joined by "." from the outermost; empty parts are skipped.
AnsiString Qualified(std::initializer_list<AnsiString> parts) {
    AnsiString result;
    for (const AnsiString& part : parts)
        if (!part.empty()) result = result.empty() ? part : result + "." + part;
    return result;
}
} // namespace

void TCustomDAConnection::GetTableNames(TStrings& list, bool allTables) {
    AcquireUse();
    try {
        list.Clear();
        TSQLInfo* info = iConnection_->GetSQLInfo();
        const AnsiString provider = GetProviderText();
        ReadCatalog("tables", allTables ? "" : "SCOPE=LOCAL", [&](const auto& field) {
            const AnsiString name = QuotedIfNeeded(info, field("TABLE_NAME"));
            const AnsiString schema = field("TABLE_SCHEMA");
            if (allTables)
                list.Add(Qualified(
                    {QuotedIfNeeded(info, field("TABLE_CATALOG")), QuotedIfNeeded(info, schema), name}));
            else if (!provider.empty() && !schema.empty() && LowerCase(schema) != provider)
                list.Add(schema + "." + name);
            else
                list.Add(name);
        });
    } catch (...) {
        ReleaseUse();
        throw;
    }
    ReleaseUse();
}

void TCustomDAConnection::GetDatabaseNames(TStrings& list) {
    list.Clear();
    TSQLInfo* info = iConnection_->GetSQLInfo();
    ReadCatalog("databases", "",
                [&](const auto& field) { list.Add(QuotedIfNeeded(info, field("DATABASE_NAME"))); });
}

void TCustomDAConnection::GetStoredProcNames(TStrings& list, bool allProcs) {
    AcquireUse();
    try {
        list.Clear();
        TSQLInfo* info = iConnection_->GetSQLInfo();
        const AnsiString provider = GetProviderText();
        ReadCatalog("procedures", allProcs ? "" : "SCOPE=LOCAL", [&](const auto& field) {
            AnsiString name = QuotedIfNeeded(info, field("PROCEDURE_NAME"));
            const AnsiString package = field("PROCEDURE_PACKAGE");
            if (!package.empty()) name = QuotedIfNeeded(info, package) + "." + name;
            const AnsiString schema = field("PROCEDURE_SCHEMA");
            if (allProcs)
                name = Qualified(
                    {QuotedIfNeeded(info, field("PROCEDURE_CATALOG")), QuotedIfNeeded(info, schema), name});
            else if (!provider.empty() && !schema.empty() && LowerCase(schema) != provider)
                name = schema + "." + name;
            const AnsiString overload = field("OVERLOAD");
            if (!overload.empty()) name += AnsiString(1, info->ProcedureOverloadSeparator()) + overload;
            list.Add(name);
        });
    } catch (...) {
        ReleaseUse();
        throw;
    }
    ReleaseUse();
}

// Clients keep a pointer to the internal connection: they must never hold one that is gone.
void TCustomDAConnection::HandToClients(TCRConnection* value) {
    for (int i = 0; i < ClientCount(); ++i) {
        TObject* client = Clients(i);
        if (auto* sql = dynamic_cast<TCustomDASQL*>(client)) {
            if (sql->ICommand()) sql->ICommand()->SetConnection(value);
        } else if (auto* ds = dynamic_cast<TCustomDADataSet*>(client)) {
            if (auto* rs = dynamic_cast<TCRRecordSet*>(static_cast<TMemDataSet*>(ds)->RecordSet()))
                rs->SetConnection(value);
        }
    }
}

void TCustomDAConnection::CreateInternalConnection() {
    SetInternalConnection(nullptr);
}

std::unique_ptr<TCRConnection>
TCustomDAConnection::PooledInternalConnection(TClass parametersClass, TClass managerClass,
                                              const std::function<void(TCRConnectionParameters&)>& complete) {
    std::unique_ptr<TCRConnectionParameters> key = parametersClass->Create<TCRConnectionParameters>();
    key->MinPoolSize = poolingOptions_->MinPoolSize;
    key->MaxPoolSize = poolingOptions_->MaxPoolSize;
    key->ConnectionLifeTime = poolingOptions_->ConnectionLifetime;
    key->Validate = poolingOptions_->Validate;
    key->Username = username_;
    key->Password = password_;
    key->Server = GetServer();
    key->ErrorHandler = [this](Exception& e, bool& fail, bool& reconnect, bool& reexecute, int attempt,
                               TConnLostCause& cause) {
        DoError(e, fail, reconnect, reexecute, attempt, cause);
    };
    if (complete) complete(*key);
    // The pools tell this connection's monitor class what they do; the manager keeps the first it
    // is given.
    const TClass monitorClass = GetSQLMonitorClass();
    auto poolNotify = [monitorClass](TCRConnectionPool* pool, const AnsiString& text) {
        TCustomDASQLMonitor::PoolNotify(monitorClass, pool, text, false, 0, pool->Parameters().AsText());
    };
    return std::unique_ptr<TCRConnection>(
        TCRConnectionPoolManager::PooledConnection(managerClass, *key, poolNotify));
}

void TCustomDAConnection::SetInternalConnection(std::unique_ptr<TCRConnection> value) {
    if (value || (iConnection_ && !HasState(csDestroying))) HandToClients(value.get());
    iConnection_ = std::move(value);
    if (!iConnection_) return;
    iConnection_->Component = this;
    iConnection_->OnError = [this](Exception& e, bool& fail, bool& reconnect, bool& reexecute, int attempt,
                                   TConnLostCause& cause) {
        DoError(e, fail, reconnect, reexecute, attempt, cause);
    };
    // The link is gone: what the driver says while letting go of it changes nothing.
    iConnection_->OnReconnectError = [this] {
        try {
            Disconnect();
        } catch (const std::exception&) {
        }
    };
    iConnection_->OnReconnectSuccess = [this] {
        if (AfterConnect) AfterConnect(this);
    };
    iConnection_->SetProp(prAutoCommit, autoCommit_);
    iConnection_->SetProp(prConvertEOL, convertEOL_);
    iConnection_->SetProp(prDisconnectedMode, options_->DisconnectedMode());
    iConnection_->SetProp(prEnableBCD, options_->EnableBCD());
    iConnection_->SetProp(prEnableFmtBCD, options_->EnableFMTBCD());
}

void TCustomDAConnection::ClearInternalConnection() {
    if (!iConnection_) return;
    for (TDATransaction* t : transactions_)
        t->ReleaseInternalConnection(iConnection_.get());
    if (!HasState(csDestroying)) HandToClients(nullptr);
    if (iConnection_->Pool)
        iConnection_.release()->ReturnToPool();
    else
        iConnection_.reset();
}

bool TCustomDAConnection::ShouldPrompt() {
    const bool designing = HasState(csDesigning);
    return (LoginPrompt || (designing && username_.empty() && password_.empty())) &&
           (!designing || !(HasState(csLoading) || StreamedConnected));
}

void TCustomDAConnection::TellClients(bool connecting) {
    // A client may unregister while told: walk a copy. A client whose link is gone says so with a
    // fatal error; it is told once and the next one goes on, so Disconnect always ends.
    auto clients = clientEvents_;
    for (const auto& [client, event] : clients) {
        try {
            if (event) event(this, connecting);
            if (auto* dataSet = dynamic_cast<TDataSet*>(client))
                dataSet->DataEvent(deConnectChange, connecting);
        } catch (const EDAError& e) {
            if (!e.IsFatalError()) throw;
        }
    }
}

void TCustomDAConnection::SetConnected(bool value) {
    const bool loading = HasState(csLoading);
    if (!loading && GetConnected() == value) return;
    const TNotifyEvent savedBeforeDisconnect = BeforeDisconnect;
    struct Restore {
        TCustomDAConnection* self;
        const TNotifyEvent& saved;
        ~Restore() { self->BeforeDisconnect = saved; }
    } restore{this, savedBeforeDisconnect};

    std::exception_ptr failure;
    try {
        if (!value) {
            connectCount_ = 0;
            promptAllowed_ = true;
            if (BeforeDisconnect) BeforeDisconnect(this);
            TellClients(false);
        } else if (!StreamedConnected) {
            ++connectCount_;
        }
    } catch (...) {
        failure = std::current_exception();
    }

    if (loading) {
        if (options_->KeepDesignConnected || HasState(csDesigning)) StreamedConnected = value;
        if (failure) std::rethrow_exception(failure);
        return;
    }
    if (!value) {
        // The platform's disconnect with BeforeDisconnect already fired, its clients told as above.
        BeforeDisconnect = nullptr;
        TellClients(false);
        DoDisconnect();
        if (AfterDisconnect) AfterDisconnect(this);
        if (failure) std::rethrow_exception(failure);
        return;
    }
    if (failure) std::rethrow_exception(failure);

    if (ShouldPrompt() && HasConnectDialogClass()) {
        const int kept = connectCount_;
        bool ok = false;
        try {
            ok = ExecuteConnectDialog();
        } catch (...) {
            connectCount_ = GetConnected() ? kept : kept - 1;
            throw;
        }
        connectCount_ = ok ? kept : kept - 1;
        if (!ok) {
            if (StreamedConnected || HasState(csDesigning)) DatabaseError("Cannot connect to database", this);
            throw EAbort("");
        }
        return;
    }
    int kept = connectCount_;
    try {
        OpenConnection();
    } catch (...) {
        if (!GetConnected()) --kept;
        connectCount_ = kept;
        throw;
    }
    connectCount_ = kept;
}

void TCustomDAConnection::Loaded() {
    TComponent::Loaded();
    try {
        if (StreamedConnected) SetConnected(true);
    } catch (...) {
        StreamedConnected = false;
        throw;
    }
    StreamedConnected = false;
}

void TCustomDAConnection::OpenConnection() {
    if (HasState(csLoading)) {
        StreamedConnected = true;
        return;
    }
    if (GetConnected()) return;
    if (BeforeConnect) BeforeConnect(this);
    DoConnect();
    ++connectCount_;
    SendConnectEvent(true);
    if (AfterConnect) AfterConnect(this);
}

void TCustomDAConnection::DoConnect() {
    int32_t messageId = 0;
    TCustomDASQLMonitor::DBConnectNotify(GetSQLMonitorClass(), this, messageId, true);
    CreateInternalConnection();
    if (!iConnection_) DatabaseError("No internal connection", this);
    PushOperation(clConnect, true);
    try {
        if (DefaultTransaction() == internalTransaction_.get())
            internalTransaction_->EnsureInternalTransaction();
        iConnection_->SetUsername(username_);
        iConnection_->SetPassword(password_);
        iConnection_->SetServer(GetServer());
        iConnection_->Connect("");
    } catch (...) {
        PopOperation();
        throw;
    }
    PopOperation();
    TCustomDASQLMonitor::DBConnectNotify(GetSQLMonitorClass(), this, messageId, false);
}

void TCustomDAConnection::DoDisconnect() {
    std::exception_ptr closing;
    try {
        CloseTransactionsForDisconnect();
    } catch (...) {
        closing = std::current_exception();
    }
    try {
        if (GetConnected()) {
            int32_t messageId = 0;
            TCustomDASQLMonitor::DBDisconnectNotify(GetSQLMonitorClass(), this, messageId, true);
            // A sound pooled connection stays open for the next taker.
            if (iConnection_->Pool && iConnection_->IsValid)
                ClearInternalConnection();
            else
                iConnection_->Disconnect();
            TCustomDASQLMonitor::DBDisconnectNotify(GetSQLMonitorClass(), this, messageId, false);
        }
    } catch (const EDAError& e) {
        if (!(HasState(csDestroying) && e.IsFatalError())) throw;
    }
    if (closing) std::rethrow_exception(closing);
}

void TCustomDAConnection::AcquireUse() {
    int kept = ++connectCount_;
    const bool savedPrompt = LoginPrompt;
    LoginPrompt = LoginPrompt && promptAllowed_;
    auto finish = [&] {
        connectCount_ = kept;
        LoginPrompt = savedPrompt;
        promptAllowed_ = !GetConnected();
    };
    try {
        Connect();
    } catch (const EFailOver&) {
    } catch (...) {
        if (!GetConnected()) --kept;
        finish();
        throw;
    }
    finish();
}

void TCustomDAConnection::ReleaseUse() {
    if (connectCount_ > 0) --connectCount_;
    if (connectCount_ == 0 && options_->DisconnectedMode() && !GetInTransaction()) Disconnect();
    promptAllowed_ = false;
}

bool TCustomDAConnection::GetInTransaction() {
    return IsAnyTransactionActive(false);
}

bool TCustomDAConnection::IsFailoverAllowed() {
    // Work of an open transaction is gone with the session unless the transaction can be restored.
    for (TDATransaction* t : transactions_)
        if (TCRTransaction* it = t->InternalTransaction())
            if (it->GetInTransaction() && !it->CanRestoreAfterFailover()) return false;
    return true;
}

void TCustomDAConnection::CloseTransactionsAfterLoss() {
    for (TDATransaction* t : std::vector<TDATransaction*>(transactions_))
        t->CloseAfterLoss();
}

bool TCustomDAConnection::ClientBlocksReconnect(TObject* client, TObject* failed, TConnLostCause cause) {
    // A prepared statement's plan and the rows still on the server are gone with the session;
    // only the dataset whose refresh failed reads its rows again.
    if (auto* ds = dynamic_cast<TCustomDADataSet*>(client)) {
        if (ds->IsPrepared()) return true;
        return ds->Active() && !ds->GetFetchAll() && !ds->IsAllFetched() &&
               !(ds == failed && cause == clRefresh);
    }
    auto* sql = dynamic_cast<TCustomDASQL*>(client);
    return sql && sql->Prepared() && !sql->ICommand()->Executing();
}

bool TCustomDAConnection::ClientCountsReexecute(TObject* component) {
    if (auto* ds = dynamic_cast<TCustomDADataSet*>(component)) return !ds->IsQuery();
    return dynamic_cast<TCustomDASQL*>(component) != nullptr;
}

TDATransaction* TCustomDAConnection::UpdateTransactionOf(TCustomDADataSet* dataSet) {
    return dataSet ? dataSet->UsedUpdateTransaction() : UsedTransaction();
}

void TCustomDAConnection::ApplyUpdates() {
    std::vector<TCustomDADataSet*> dataSets;
    for (int i = 0; i < ClientCount(); ++i)
        if (auto* ds = dynamic_cast<TCustomDADataSet*>(Clients(i))) dataSets.push_back(ds);
    ApplyUpdatesFor(dataSets);
}

namespace {
// The dataset's own auto-commit, off while its updates are applied in the connection's transaction.
class TAutoCommitOff {
public:
    explicit TAutoCommitOff(TCustomDADataSet* ds) {
        auto* rs = dynamic_cast<TCRRecordSet*>(static_cast<TMemDataSet*>(ds)->RecordSet());
        command_ = rs ? rs->GetCommand() : nullptr;
        if (!command_) return;
        saved_ = command_->AutoCommit();
        command_->SetProp(prAutoCommit, false);
    }
    ~TAutoCommitOff() {
        if (command_) command_->SetProp(prAutoCommit, saved_);
    }
    TAutoCommitOff(const TAutoCommitOff&) = delete;
    TAutoCommitOff& operator=(const TAutoCommitOff&) = delete;

private:
    TCRCommand* command_ = nullptr;
    bool saved_ = false;
};
} // namespace

void TCustomDAConnection::ApplyUpdatesFor(const std::vector<TCustomDADataSet*>& dataSets) {
    for (TCustomDADataSet* ds : dataSets)
        if (ds->Connection() != this)
            DatabaseError("Cannot update, " + ds->Name() + " is not owned by " + Name());
    std::vector<TDATransaction*> transactions;
    std::vector<TCustomDADataSet*> applied;
    for (TCustomDADataSet* ds : dataSets) {
        if (!ds->Active() || !ds->CachedUpdates()) continue;
        TDATransaction* t = UpdateTransactionOf(ds);
        if (!t) DatabaseError("Transaction not assigned");
        if (std::find(transactions.begin(), transactions.end(), t) == transactions.end())
            transactions.push_back(t);
        applied.push_back(ds);
    }
    PushOperation(clConnectionApply, IsFailoverAllowed());
    try {
        std::vector<bool> startedHere(transactions.size(), false);
        for (bool firstPass = true;; firstPass = false) {
            try {
                for (size_t i = 0; i < transactions.size(); ++i)
                    if (!transactions[i]->Active()) {
                        transactions[i]->StartTransaction();
                        if (firstPass) startedHere[i] = true;
                    }
                for (TCustomDADataSet* ds : applied) {
                    TAutoCommitOff off(ds);
                    ds->ApplyCachedUpdates();
                }
                if (autoCommit_) {
                    for (size_t i = 0; i < transactions.size(); ++i) {
                        if (!IsMultipleTransactionsSupported() || startedHere[i])
                            transactions[i]->Commit();
                        else
                            transactions[i]->CommitRetaining();
                    }
                }
                break;
            } catch (const EFailOver&) {
                RestoreTransactions();
            } catch (...) {
                for (size_t i = 0; i < transactions.size(); ++i)
                    if (transactions[i]->Active()) {
                        if (!IsMultipleTransactionsSupported() || startedHere[i])
                            transactions[i]->Rollback();
                        else
                            transactions[i]->RollbackRetaining();
                    }
                // The rollback undid what was written: those changes are pending again, so that
                // the next apply writes them rather than skipping them as done.
                for (TCustomDADataSet* ds : applied)
                    if (auto* data = dynamic_cast<TMemData*>(static_cast<TMemDataSet*>(ds)->RecordSet()))
                        for (TCacheItem* entry = data->CacheHead; entry; entry = entry->NextCacheItem)
                            if (entry->CachedItem->UpdateResult() == urApplied)
                                entry->CachedItem->SetUpdateResult(urNone);
                throw;
            }
        }
    } catch (...) {
        PopOperation();
        throw;
    }
    PopOperation();
    for (TCustomDADataSet* ds : applied)
        ds->CommitCachedUpdates();
}

void TCustomDAConnection::UnbindClients() {
    std::vector<TObject*> sqls, dataSets;
    for (int i = 0; i < ClientCount(); ++i) {
        TObject* client = Clients(i);
        if (dynamic_cast<TCustomDASQL*>(client))
            sqls.push_back(client);
        else if (dynamic_cast<TCustomDADataSet*>(client))
            dataSets.push_back(client);
    }
    for (TObject* sql : sqls)
        static_cast<TCustomDASQL*>(sql)->SetConnection(nullptr);
    for (TObject* ds : dataSets)
        static_cast<TCustomDADataSet*>(ds)->SetConnection(nullptr);
}

std::unique_ptr<TCustomDADataSet> TCustomDAConnection::CreateDataSet() {
    auto data = std::make_unique<TCustomDADataSet>(nullptr);
    data->SetConnection(this);
    return data;
}

std::unique_ptr<TCustomDASQL> TCustomDAConnection::CreateSQL() {
    auto sql = std::make_unique<TCustomDASQL>(nullptr);
    sql->SetConnection(this);
    return sql;
}

void TCustomDAConnection::CheckCommand() {
    if (!command_) command_ = CreateSQL();
    command_->Debug = Debug;
}

namespace {
const char* const InvalidParamsArray =
    "Invalid Params array. Valid format: <Name1>,<Value1>[,<Name2>,<Value2>[...]]";

// Name, value pairs onto the statement's parameters; one single Null stands for none.
void ApplyNamedValues(TCustomDASQL* sql, const std::vector<Variant>& pairs) {
    if (pairs.size() == 1 && pairs[0].IsNull()) return;
    if (pairs.size() % 2 != 0) throw Exception(InvalidParamsArray);
    for (size_t i = 0; i < pairs.size(); i += 2)
        if (!pairs[i].IsString()) throw Exception(InvalidParamsArray);
    for (size_t i = 0; i < pairs.size(); i += 2)
        sql->ParamByName(pairs[i].AsAnsiString())->SetValue(pairs[i + 1]);
}

Variant ExecuteForResult(TCustomDASQL* sql, const Variant& none) {
    TDAParam* result = sql->FindResultParam();
    if (result && result->DataType() == ftUnknown) result->SetDataType(ftString);
    sql->Execute();
    return result ? result->GetValue() : none;
}
} // namespace

Variant TCustomDAConnection::ExecSQL(const AnsiString& text, const std::vector<Variant>& values) {
    CheckCommand();
    command_->SQL()->Clear();
    command_->SQL()->SetText(text);
    TDAParams* params = command_->Params();
    for (size_t i = 0; i < values.size() && static_cast<int>(i) < params->Count(); ++i)
        params->Items(static_cast<int>(i))->SetValue(values[i]);
    return ExecuteForResult(command_.get(), Variant::Null());
}

Variant TCustomDAConnection::ExecSQLNamed(const AnsiString& text, const std::vector<Variant>& pairs) {
    if (!(pairs.size() == 1 && pairs[0].IsNull()) && pairs.size() % 2 != 0)
        throw Exception(InvalidParamsArray);
    CheckCommand();
    command_->SQL()->Clear();
    command_->SQL()->SetText(text);
    ApplyNamedValues(command_.get(), pairs);
    return ExecuteForResult(command_.get(), Variant());
}

Variant TCustomDAConnection::ExecProc(const AnsiString& name, const std::vector<Variant>& values) {
    CheckCommand();
    command_->SQL()->Clear();
    command_->CreateProcCall(name, true);
    TDAParams* params = command_->Params();
    size_t next = 0;
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* p = params->Items(i);
        if (p->ParamType() == ptResult) continue;
        if (next < values.size())
            p->SetValue(values[next++]);
        else if (p->ParamType() == ptInput)
            p->Bound = false;
    }
    return ExecuteForResult(command_.get(), Variant());
}

Variant TCustomDAConnection::ExecProcNamed(const AnsiString& name, const std::vector<Variant>& pairs) {
    CheckCommand();
    command_->SQL()->Clear();
    command_->CreateProcCall(name, true);
    TDAParams* params = command_->Params();
    for (int i = 0; i < params->Count(); ++i)
        if (params->Items(i)->ParamType() == ptInput) params->Items(i)->Bound = false;
    ApplyNamedValues(command_.get(), pairs);
    return ExecuteForResult(command_.get(), Variant());
}

void TCustomDAConnection::PushOperation(TConnLostCause cause, bool allowFailover) {
    if (!options_->LocalFailover) return;
    operations_.push_back({cause, allowFailover, 0});
}

void TCustomDAConnection::PopOperation() {
    if (!options_->LocalFailover || operations_.empty()) return;
    operations_.pop_back();
}

TConnLostCause TCustomDAConnection::DetectConnLostCause(TObject* component) {
    TConnLostCause cause = clUnknown;
    bool allowFailover = true;
    for (auto it = operations_.rbegin(); it != operations_.rend(); ++it) {
        if (it->cause > cause) {
            cause = it->cause;
            allowFailover = it->allowFailover;
        }
        if ((cause == clExecute || cause == clOpen) && ClientCountsReexecute(component)) ++connectCount_;
        if (cause == clConnect) {
            if (promptAllowed_) cause = clUnknown;
            break;
        }
    }
    if (!allowFailover) return clUnknown;
    if ((cause == clExecute || cause == clOpen || cause == clServiceQuery || cause == clTransStart) &&
        !IsFailoverAllowed())
        return clUnknown;
    return cause;
}

void TCustomDAConnection::DoError(Exception& e, bool& fail, bool& reconnect, bool& reexecute,
                                  int reconnectAttempt, TConnLostCause& connLostCause) {
    connLostCause = clUnknown;
    TCustomDASQLMonitor::DBErrorNotify(GetSQLMonitorClass(), e);
    auto* error = dynamic_cast<EDAError*>(&e);
    const bool fatal = error && error->IsFatalError();
    if (fatal) {
        connLostCause = DetectConnLostCause(error->Component);
        reconnect = (GetConnected() || (reconnectAttempt > 0 && options_->LocalFailover) ||
                     (connLostCause == clConnect && options_->DisconnectedMode())) &&
                    (IsFailoverAllowed() || connLostCause == clConnectionApply);
        for (int i = 0; reconnect && i < ClientCount(); ++i)
            if (ClientBlocksReconnect(Clients(i), error->Component, connLostCause)) reconnect = false;
        // A server that stays away is not asked for for ever.
        if (reconnectAttempt >= MaxFailoverAttempts) {
            reconnect = false;
            fail = true;
        }
    }
    if (reconnect && options_->LocalFailover) {
        TRetryMode retryMode =
            connLostCause == clUnknown || connLostCause == clExecute ? rmRaise : rmReconnectExecute;
        if (OnConnectionLost)
            OnConnectionLost(this, error ? dynamic_cast<TComponent*>(error->Component) : nullptr,
                             connLostCause, retryMode);
        reconnect = retryMode > rmRaise;
        reexecute = (retryMode == rmReconnectExecute && connLostCause != clUnknown) ||
                    (connLostCause == clConnect && retryMode >= rmReconnect);
        // An operation whose own run ends the session is not run again for ever.
        if (reexecute && !operations_.empty() && ++operations_.back().reruns > MaxFailoverAttempts) {
            reexecute = false;
            reconnect = false;
        }
        fail = !reexecute;
    }
    if (!reexecute && OnError && error) OnError(this, *error, fail);
    if (fatal) {
        if (iConnection_) {
            iConnection_->IsValid = false;
            // Its siblings in the pool may have lost their server too: each is checked before use.
            if (auto* pool = dynamic_cast<TCRConnectionPool*>(iConnection_->Pool)) pool->RequireCheck();
        }
        if (reconnectAttempt == 0) CloseTransactionsAfterLoss();
        if (reconnectAttempt == 0 && !reconnect && !inErrorDisconnect_) {
            inErrorDisconnect_ = true;
            try {
                Disconnect();
            } catch (const std::exception&) {
            }
            inErrorDisconnect_ = false;
        }
    }
}

void TCustomDAConnection::RegisterClient(TObject* client, const TConnectChangeEvent& event) {
    clientLock_->Acquire();
    try {
        TCustomConnection::RegisterClient(client, event);
        bool known = false;
        for (auto& entry : clientEvents_)
            if (entry.first == client) {
                entry.second = event;
                known = true;
            }
        if (!known) clientEvents_.emplace_back(client, event);
    } catch (...) {
        clientLock_->Release();
        throw;
    }
    clientLock_->Release();
}

void TCustomDAConnection::UnRegisterClient(TObject* client) {
    clientLock_->Acquire();
    TCustomConnection::UnRegisterClient(client);
    std::erase_if(clientEvents_, [client](const auto& entry) { return entry.first == client; });
    clientLock_->Release();
}

// ---- unit start-up ------------------------------------------------------------------------------

namespace {
std::unique_ptr<TSQLInfo> defaultSQLInfo;
}

void DBAccessInitialize() {
    MacroChar = '&';
    SetSignalWaitHook(nullptr);
    defaultSQLInfo = std::make_unique<TSQLInfo>(nullptr);
    // The network manager is this unit's: bound with it and released with it.
    CRNetManagerInitialize();
}

void DBAccessFinalize() {
    CRNetManagerFinalize();
    defaultSQLInfo.reset();
}

TSQLInfo* DefaultSQLInfo() {
    return defaultSQLInfo.get();
}
