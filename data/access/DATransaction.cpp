#include "data/access/DATransaction.h"

#include <algorithm>

#include "data/access/CRProps.h"
#include "data/access/DAConnection.h"
#include "data/access/DASQLMonitor.h"
#include "platform/core/Exceptions.h"

TDATransaction::TDATransaction(TComponent* owner) : TComponent(owner) {}

TDATransaction::~TDATransaction() {
    try {
        CloseTransaction(true);
    } catch (const std::exception&) {
    }
    // Told while the connections are still bound.
    NotifyDestroyed();
    for (size_t i = connections_.size(); i-- > 0;)
        RemoveConnection(connections_[i]);
    FreeInternalTransaction();
}

void TDATransaction::NotifyDestroyed() {
    if (destroyedNotified_ || SharesConnectionTransaction) return;
    destroyedNotified_ = true;
    TCustomDASQLMonitor::ObjectDestroyedNotify(GetSQLMonitorClass(), this);
}

TClass TDATransaction::GetSQLMonitorClass() {
    TCustomDAConnection* connection = defaultConnection_ ? defaultConnection_ : UsedConnection();
    return connection ? connection->GetSQLMonitorClass() : TCustomDASQLMonitor::StaticClass();
}

TClass TDATransaction::GetInternalTransactionClass() {
    Assert(false, "Must be overrided");
    return TCRTransaction::StaticClass();
}

void TDATransaction::FreeInternalTransaction() {
    if (!SharesConnectionTransaction) delete iTransaction_;
    iTransaction_ = nullptr;
}

void TDATransaction::SetInternalTransaction(TCRTransaction* value) {
    if (value == iTransaction_) return;
    FreeInternalTransaction();
    iTransaction_ = value;
    if (!value) return;
    value->SetProp(prIsolationLevel, static_cast<int>(isolationLevel_));
    value->SetProp(prTransactionReadOnly, readOnly_);
    value->Component = this;
    value->OnError = [this](Exception& e, bool& fail, bool&, bool&, int, TConnLostCause&) {
        DoError(e, fail);
    };
}

void TDATransaction::EnsureInternalTransaction() {
    if (SharesConnectionTransaction) {
        Assert(defaultConnection_ && defaultConnection_->InternalConnection(), "Connection expected");
        TCRTransaction* own = defaultConnection_->InternalConnection()->GetInternalTransaction();
        if (own != iTransaction_) SetInternalTransaction(own);
        return;
    }
    TClass cls = GetInternalTransactionClass();
    if (iTransaction_ && iTransaction_->ClassType()->InheritsFrom(cls)) return;
    SetInternalTransaction(cls->Create<TCRTransaction>().release());
}

bool TDATransaction::GetActive(bool) {
    return iTransaction_ && iTransaction_->GetInTransaction();
}

TCustomDAConnection* TDATransaction::UsedConnection() const {
    if (defaultConnection_) return defaultConnection_;
    return connections_.empty() ? nullptr : connections_.front();
}

void TDATransaction::SetDefaultConnection(TCustomDAConnection* value) {
    if (value == defaultConnection_) return;
    if (defaultConnection_) {
        defaultConnection_->RemoveFreeNotification(this);
        RemoveConnection(defaultConnection_);
    }
    if (value) {
        AddConnection(value);
        value->FreeNotification(this);
    }
    defaultConnection_ = value;
}

void TDATransaction::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == defaultConnection_) SetDefaultConnection(nullptr);
}

void TDATransaction::DoAddConnection(TCustomDAConnection* connection) {
    if (GetActive()) CloseTransaction(false);
    if (std::find(connections_.begin(), connections_.end(), connection) == connections_.end())
        connections_.push_back(connection);
}

void TDATransaction::DoRemoveConnection(TCustomDAConnection* connection) {
    if (GetActive()) CloseTransaction(false);
    if (defaultConnection_ == connection) defaultConnection_ = nullptr;
    std::erase(connections_, connection);
    if (!SharesConnectionTransaction && iTransaction_ && connection->InternalConnection())
        iTransaction_->RemoveConnection(connection->InternalConnection());
}

void TDATransaction::AddConnection(TCustomDAConnection* connection) {
    DoAddConnection(connection);
    connection->AttachTransaction(this);
}

void TDATransaction::RemoveConnection(TCustomDAConnection* connection) {
    DoRemoveConnection(connection);
    connection->DetachTransaction(this);
}

void TDATransaction::GainConnections(bool checkOnly) {
    for (TCustomDAConnection* c : connections_)
        if ((checkOnly || !c->Options()->DisconnectedMode()) && !c->Connected())
            throw Exception("One of the connections in the transaction is not active");
    if (!checkOnly) {
        for (size_t i = 0; i < connections_.size(); ++i) {
            if (!connections_[i]->Options()->DisconnectedMode()) continue;
            try {
                connections_[i]->AcquireUse();
            } catch (...) {
                for (size_t j = 0; j <= i; ++j)
                    if (connections_[j]->Options()->DisconnectedMode() && connections_[j]->Connected())
                        connections_[j]->ReleaseUse();
                throw;
            }
        }
    }
    EnsureInternalTransaction();
    allDisconnectedMode_ = !connections_.empty();
    for (TCustomDAConnection* c : connections_) {
        if (!SharesConnectionTransaction) iTransaction_->AddConnection(c->InternalConnection());
        if (!c->Options()->DisconnectedMode()) allDisconnectedMode_ = false;
    }
    connectionsGained_ = !checkOnly;
}

void TDATransaction::ReleaseConnections() {
    if (!connectionsGained_) return;
    connectionsGained_ = false;
    useCount_ = 0;
    explicitlyStarted_ = false;
    uncommittedCount_ = 0;
    for (TCustomDAConnection* c : connections_)
        if (!c->IsMultipleTransactionsSupported() && c->InternalConnection())
            c->InternalConnection()->SetProp(prAutoCommit, c->AutoCommit());
    for (TCustomDAConnection* c : std::vector<TCustomDAConnection*>(connections_))
        c->ReleaseUse();
}

void TDATransaction::StartTransaction() {
    if (GetActive()) throw Exception("Can't perform operation on active transaction");
    for (TCustomDAConnection* c : connections_)
        if (!c->IsMultipleTransactionsSupported() && c->UsedTransaction() != this && c->GetInTransaction())
            throw Exception("Multiple transactions are not supported by the database");
    GainConnections(false);
    int32_t messageId = 0;
    TCustomDASQLMonitor::TRStartNotify(GetSQLMonitorClass(), this, messageId, true);
    TCustomDAConnection* single = connections_.size() == 1 ? connections_.front() : nullptr;
    if (single) single->PushOperation(clTransStart, single->IsFailoverAllowed());
    auto finish = [&] {
        if (single) single->PopOperation();
        if (!GetActive())
            for (TCustomDAConnection* c : std::vector<TCustomDAConnection*>(connections_))
                c->ReleaseUse();
    };
    try {
        for (;;) {
            try {
                iTransaction_->StartTransaction();
                break;
            } catch (const EFailOver& e) {
                if (e.ConnLostCause != clTransStart) throw;
                if (single) single->RestoreTransactions();
                GainConnections(false);
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    for (TCustomDAConnection* c : connections_)
        if (!c->IsMultipleTransactionsSupported() && c->InternalConnection())
            c->InternalConnection()->SetProp(prAutoCommit, false);
    useCount_ = 1;
    explicitlyStarted_ = true;
    TCustomDASQLMonitor::TRStartNotify(GetSQLMonitorClass(), this, messageId, false);
    if (OnStart) OnStart(this);
}

void TDATransaction::Commit() {
    EndTransaction(taCommit);
    if (OnCommit) OnCommit(this);
}

void TDATransaction::Rollback() {
    EndTransaction(taRollback);
    if (OnRollback) OnRollback(this);
}

void TDATransaction::EndTransaction(TCRTransactionAction action) {
    if (!connectionsGained_) GainConnections(false);
    const TClass monitorClass = GetSQLMonitorClass();
    auto notify =
        action == taCommit ? &TCustomDASQLMonitor::TRCommitNotify : &TCustomDASQLMonitor::TRRollbackNotify;
    int32_t messageId = 0;
    notify(monitorClass, this, messageId, true);
    // The connections go back once the internal transaction has ended, whatever the outcome.
    auto release = [this] {
        if (!iTransaction_ || !iTransaction_->GetInTransaction()) ReleaseConnections();
    };
    try {
        if (action == taCommit)
            iTransaction_->Commit();
        else
            iTransaction_->Rollback();
    } catch (...) {
        release();
        throw;
    }
    release();
    notify(monitorClass, this, messageId, false);
}

void TDATransaction::CommitRetaining() {
    if (!GetActive()) throw Exception("Can't perform operation on inactive transaction");
    int32_t messageId = 0;
    TCustomDASQLMonitor::TRCommitRetainingNotify(GetSQLMonitorClass(), this, messageId, true);
    iTransaction_->CommitRetaining();
    uncommittedCount_ = 0;
    TCustomDASQLMonitor::TRCommitRetainingNotify(GetSQLMonitorClass(), this, messageId, false);
}

void TDATransaction::RollbackRetaining() {
    if (!GetActive()) throw Exception("Can't perform operation on inactive transaction");
    int32_t messageId = 0;
    TCustomDASQLMonitor::TRRollbackRetainingNotify(GetSQLMonitorClass(), this, messageId, true);
    iTransaction_->RollbackRetaining();
    uncommittedCount_ = 0;
    TCustomDASQLMonitor::TRRollbackRetainingNotify(GetSQLMonitorClass(), this, messageId, false);
}

void TDATransaction::Savepoint(const AnsiString& name) {
    if (!connectionsGained_) GainConnections(true);
    int32_t messageId = 0;
    TCustomDASQLMonitor::TRSavepointNotify(GetSQLMonitorClass(), this, name, messageId, true);
    iTransaction_->Savepoint(name);
    TCustomDASQLMonitor::TRSavepointNotify(GetSQLMonitorClass(), this, name, messageId, false);
}

void TDATransaction::ReleaseSavepoint(const AnsiString& name) {
    if (!connectionsGained_) GainConnections(true);
    int32_t messageId = 0;
    TCustomDASQLMonitor::TRReleaseSavepointNotify(GetSQLMonitorClass(), this, name, messageId, true);
    iTransaction_->ReleaseSavepoint(name);
    TCustomDASQLMonitor::TRReleaseSavepointNotify(GetSQLMonitorClass(), this, name, messageId, false);
}

void TDATransaction::RollbackToSavepoint(const AnsiString& name) {
    if (!connectionsGained_) GainConnections(true);
    int32_t messageId = 0;
    TCustomDASQLMonitor::TRRollbackToSavepointNotify(GetSQLMonitorClass(), this, name, messageId, true);
    iTransaction_->RollbackToSavepoint(name);
    TCustomDASQLMonitor::TRRollbackToSavepointNotify(GetSQLMonitorClass(), this, name, messageId, false);
}

void TDATransaction::CloseTransaction(bool force) {
    if (!GetActive()) return;
    try {
        if (DefaultCloseAction == taCommit)
            Commit();
        else
            Rollback();
    } catch (const EDAError& e) {
        if (HasState(csDestroying) && e.IsFatalError()) return;
        if (!force) throw;
        if (iTransaction_) iTransaction_->Reset();
        ReleaseConnections();
    } catch (...) {
        if (!force) throw;
        ReleaseConnections();
    }
}

void TDATransaction::AcquireTransaction() {
    if (++useCount_ == 1 && !GetActive()) {
        StartTransaction();
        explicitlyStarted_ = false;
    }
}

void TDATransaction::AutoCommitTransaction(bool needCommit) {
    if (needCommit && (!explicitlyStarted_ || AutoCommitsExplicit())) {
        if (useCount_ == 1)
            Commit();
        else if (useCount_ > 1)
            CommitRetaining();
    } else {
        ++uncommittedCount_;
    }
}

void TDATransaction::ReleaseTransaction() {
    if (useCount_ > 1) {
        --useCount_;
    } else if (useCount_ == 1 && allDisconnectedMode_) {
        if (uncommittedCount_ == 0)
            CloseTransaction(false);
        else
            useCount_ = 0;
    }
}

void TDATransaction::CloseAfterLoss() {
    if (GetActive()) {
        savedUseCount_ = iTransaction_->CanRestoreAfterFailover() ? useCount_ : 0;
        try {
            if (DefaultCloseAction == taCommit)
                iTransaction_->Commit();
            else
                iTransaction_->Rollback();
        } catch (const std::exception&) {
            iTransaction_->Reset();
        }
        if (iTransaction_->GetInTransaction()) iTransaction_->Reset();
        if (useCount_ == 1)
            for (TCustomDAConnection* c : std::vector<TCustomDAConnection*>(connections_))
                c->ReleaseUse();
    } else {
        savedUseCount_ = 0;
    }
    useCount_ = 0;
    explicitlyStarted_ = false;
    uncommittedCount_ = 0;
    ReleaseConnections();
}

void TDATransaction::RestoreAfterFailover() {
    if (savedUseCount_ <= 0) return;
    if (!GetActive()) iTransaction_->StartTransaction();
    useCount_ = savedUseCount_;
}

void TDATransaction::ReleaseInternalConnection(TCRConnection* connection) {
    if (!iTransaction_) return;
    if (SharesConnectionTransaction)
        iTransaction_ = nullptr;
    else
        iTransaction_->RemoveConnection(connection);
}

void TDATransaction::DoError(Exception& e, bool& fail) {
    TCustomDASQLMonitor::DBErrorNotify(GetSQLMonitorClass(), e);
    auto* error = dynamic_cast<EDAError*>(&e);
    if (OnError && error) OnError(this, *error, fail);
    if (error && error->IsFatalError() && !inError_) {
        inError_ = true;
        try {
            CloseTransaction(true);
        } catch (const std::exception&) {
        }
        inError_ = false;
    }
}

void TDATransaction::SetIsolationLevel(TCRIsolationLevel value) {
    if (GetActive()) throw Exception("Can't perform operation on active transaction");
    if (iTransaction_) iTransaction_->SetProp(prIsolationLevel, static_cast<int>(value));
    isolationLevel_ = value;
}

void TDATransaction::SetReadOnly(bool value) {
    if (GetActive()) throw Exception("Can't perform operation on active transaction");
    if (iTransaction_) iTransaction_->SetProp(prTransactionReadOnly, value);
    readOnly_ = value;
}

void TDATransaction::SetTransactionType(TTransactionType value) {
    if (GetActive()) throw Exception("Can't perform operation on active transaction");
    if (value == transactionType_) return;
    FreeInternalTransaction();
    transactionType_ = value;
}
