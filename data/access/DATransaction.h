#pragma once
// The provider-independent transaction component: drives the provider's internal transaction
// over the bound connections, counts implicit users, closes itself with its default action and
// survives a lost connection.
#include <functional>
#include <vector>

#include "data/access/CRAccess.h"
#include "data/access/DBAccess.h"
#include "platform/core/Components.h"

class TCustomDAConnection;

enum TTransactionType : uint8_t { ttNative, ttMTS };

using TDATransactionErrorEvent = std::function<void(TObject* sender, EDAError& e, bool& fail)>;

class TDATransaction : public TComponent {
public:
    VZ_CLASS(TDATransaction, TComponent)
    explicit TDATransaction(TComponent* owner);
    ~TDATransaction() override;

    TCustomDAConnection* DefaultConnection() const { return defaultConnection_; }
    void SetDefaultConnection(TCustomDAConnection* value);
    int ConnectionCount() const { return static_cast<int>(connections_.size()); }
    TCustomDAConnection* Connections(int index) const { return connections_.at(static_cast<size_t>(index)); }
    virtual void AddConnection(TCustomDAConnection* connection);
    virtual void RemoveConnection(TCustomDAConnection* connection);
    TCustomDAConnection* UsedConnection() const;
    // The SQL monitor class notified of this transaction's work: its default connection's.
    virtual TClass GetSQLMonitorClass();

    bool Active() { return GetActive(false); }
    virtual bool GetActive(bool flag = false);
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(const AnsiString& name);
    virtual void ReleaseSavepoint(const AnsiString& name);
    virtual void RollbackToSavepoint(const AnsiString& name);
    virtual void CloseTransaction(bool force);

    // Implicit use by a dataset or statement around its work.
    virtual void AcquireTransaction();
    virtual void AutoCommitTransaction(bool needCommit);
    virtual void ReleaseTransaction();
    virtual bool AutoCommitsExplicit() { return true; }

    // A lost connection closes the transaction and remembers its users for the reconnect.
    void CloseAfterLoss();
    void RestoreAfterFailover();
    void DoError(Exception& e, bool& fail);
    // The internal connection goes: the shared transaction object goes with it, an own one lets
    // go of the connection.
    void ReleaseInternalConnection(TCRConnection* connection);

    TCRIsolationLevel IsolationLevel() const { return isolationLevel_; }
    void SetIsolationLevel(TCRIsolationLevel value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    TTransactionType TransactionType() const { return transactionType_; }
    void SetTransactionType(TTransactionType value);

    TCRTransaction* InternalTransaction() const { return iTransaction_; }
    // The internal transaction of the right class; the shared one is the connection's own.
    void EnsureInternalTransaction();
    int UseCount() const { return useCount_; }
    int UncommittedCount() const { return uncommittedCount_; }
    bool ExplicitlyStarted() const { return explicitlyStarted_; }

    TCRTransactionAction DefaultCloseAction = taRollback;
    // Set for a connection's internal default transaction: it drives the internal connection's own
    // transaction object and never frees it.
    bool SharesConnectionTransaction = false;
    TDATransactionErrorEvent OnError;
    TNotifyEvent OnStart, OnCommit, OnRollback;

protected:
    virtual TClass GetInternalTransactionClass();
    // Tells the monitor once that this transaction goes (not the connection's shared one); a
    // descendant's destructor calls it first, while it still answers its own class.
    void NotifyDestroyed();
    virtual void SetInternalTransaction(TCRTransaction* value);
    void GainConnections(bool checkOnly);
    void ReleaseConnections();
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool destroyedNotified_ = false;
    void FreeInternalTransaction();
    void EndTransaction(TCRTransactionAction action);
    void DoAddConnection(TCustomDAConnection* connection);
    void DoRemoveConnection(TCustomDAConnection* connection);

    TCustomDAConnection* defaultConnection_ = nullptr;
    std::vector<TCustomDAConnection*> connections_;
    TCRTransaction* iTransaction_ = nullptr; // owned unless shared
    int useCount_ = 0;
    int uncommittedCount_ = 0;
    int savedUseCount_ = 0;
    bool explicitlyStarted_ = false;
    bool allDisconnectedMode_ = false;
    bool connectionsGained_ = false;
    bool inError_ = false;
    TTransactionType transactionType_ = ttNative;
    TCRIsolationLevel isolationLevel_ = ilReadCommitted;
    bool readOnly_ = false;
};
