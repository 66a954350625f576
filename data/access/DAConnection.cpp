#include "data/access/DAConnection.h"

#include <exception>

#include "data/access/CRProps.h"
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

TCustomDAConnection::~TCustomDAConnection() {
    try {
        Disconnect();
    } catch (const std::exception&) {
    }
    ClearInternalConnection();
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

void TCustomDAConnection::CreateInternalConnection() {
    SetInternalConnection(nullptr);
}

void TCustomDAConnection::SetInternalConnection(std::unique_ptr<TCRConnection> value) {
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
        const bool ok = ExecuteConnectDialog();
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
    CreateInternalConnection();
    if (!iConnection_) DatabaseError("No internal connection", this);
    PushOperation(clConnect, true);
    try {
        iConnection_->SetUsername(username_);
        iConnection_->SetPassword(password_);
        iConnection_->SetServer(GetServer());
        iConnection_->Connect("");
    } catch (...) {
        PopOperation();
        throw;
    }
    PopOperation();
}

void TCustomDAConnection::DoDisconnect() {
    try {
        if (GetConnected()) iConnection_->Disconnect();
    } catch (const EDAError& e) {
        if (!(HasState(csDestroying) && e.IsFatalError())) throw;
    }
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
    if (!iConnection_ || !iConnection_->GetConnected()) return false;
    return iConnection_->GetInternalTransaction()->GetInTransaction();
}

bool TCustomDAConnection::IsFailoverAllowed() {
    // Work of an open transaction is gone with the session unless the transaction can be restored.
    if (!iConnection_) return true;
    TCRTransaction* transaction = iConnection_->GetInternalTransaction();
    return !(transaction->GetInTransaction() && !transaction->CanRestoreAfterFailover());
}

void TCustomDAConnection::CloseTransactionsAfterLoss() {
    if (iConnection_) iConnection_->GetInternalTransaction()->Reset();
}

bool TCustomDAConnection::ClientBlocksReconnect(TObject*, TObject*, TConnLostCause) {
    return false;
}

bool TCustomDAConnection::ClientCountsReexecute(TObject*) {
    return false;
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
            OnConnectionLost(this, dynamic_cast<TComponent*>(error->Component), connLostCause, retryMode);
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
        if (iConnection_) iConnection_->IsValid = false;
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
