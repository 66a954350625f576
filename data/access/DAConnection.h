#pragma once
// The provider-independent connection component: an internal connection made through class
// factories, the login data, use counting for datasets and statements, and the error handler with
// local failover that every internal layer calls.
#include <functional>
#include <memory>
#include <vector>

#include "data/access/CRAccess.h"
#include "data/access/DBAccess.h"
#include "data/memory/MemData.h"
#include "platform/core/Persistent.h"
#include "platform/core/StringLists.h"
#include "platform/core/Threads.h"
#include "platform/db/Connection.h"

class TCustomDAConnection;
class TCRConnectionParameters;
class TDATransaction;
class TCustomDASQL;
class TCustomDADataSet;
class TCustomConnectDialog;

enum TRetryMode : uint8_t { rmRaise, rmReconnect, rmReconnectExecute };

class TDAConnectionOptions : public TPersistent {
public:
    VZ_CLASS(TDAConnectionOptions, TPersistent)
    explicit TDAConnectionOptions(TCustomDAConnection* owner) : owner_(owner) {}

    bool KeepDesignConnected = true;
    bool LocalFailover = false;
    bool DisconnectedMode() const { return disconnectedMode_; }
    // A change disconnects the owner first.
    void SetDisconnectedMode(bool value);
    TSortType DefaultSortType() const { return defaultSortType_; }
    void SetDefaultSortType(TSortType value);
    bool EnableBCD() const { return enableBCD_; }
    void SetEnableBCD(bool value);
    bool EnableFMTBCD() const { return enableFMTBCD_; }
    void SetEnableFMTBCD(bool value);

protected:
    // The sort type stays the destination's own.
    void AssignTo(TPersistent* dest) override;

private:
    TCustomDAConnection* owner_;
    bool disconnectedMode_ = false;
    TSortType defaultSortType_ = stCaseSensitive;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
};

class TPoolingOptions : public TPersistent {
public:
    VZ_CLASS(TPoolingOptions, TPersistent)
    explicit TPoolingOptions(TCustomDAConnection* owner) : owner_(owner) {}
    int MaxPoolSize = 100;
    int MinPoolSize = 0;
    int ConnectionLifetime = 0; // milliseconds, 0 unlimited
    bool Validate = false;

protected:
    void AssignTo(TPersistent* dest) override;

private:
    [[maybe_unused]] TCustomDAConnection* owner_;
};

using TDAConnectionErrorEvent = std::function<void(TObject* sender, EDAError& e, bool& fail)>;
using TConnectionLostEvent =
    std::function<void(TObject* sender, TComponent* component, TConnLostCause cause, TRetryMode& retryMode)>;

class TCustomDAConnection : public TCustomConnection {
public:
    VZ_CLASS(TCustomDAConnection, TCustomConnection)
    explicit TCustomDAConnection(TComponent* owner);
    ~TCustomDAConnection() override;

    // A failed reconnect is asked for again at most this often per error, and an operation whose
    // own run ends the session is run again at most this often.
    static constexpr int MaxFailoverAttempts = 3;

    void SetConnected(bool value) override;
    // A stored Connected opens the connection once loading ends; the stored value is gone after.
    void Loaded() override;
    void Connect() { SetConnected(true); }
    void Disconnect() { SetConnected(false); }
    void AssignConnect(TCustomDAConnection* source);

    const AnsiString& Username() const { return username_; }
    void SetUsername(const AnsiString& value);
    const AnsiString& Password() const { return password_; }
    void SetPassword(const AnsiString& value);
    const AnsiString& Server() const { return server_; }
    virtual void SetServer(const AnsiString& value);
    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool value);
    bool ConvertEOL() const { return convertEOL_; }
    void SetConvertEOL(bool value);
    bool Pooling() const { return pooling_; }
    void SetPooling(bool value);

    TDAConnectionOptions* Options() const { return options_.get(); }
    void SetOptions(TDAConnectionOptions* value) { options_->Assign(value); }
    TPoolingOptions* PoolingOptions() const { return poolingOptions_.get(); }
    void SetPoolingOptions(TPoolingOptions* value) { poolingOptions_->Assign(value); }

    // The dialog class a login prompt creates when no dialog is assigned; none: no prompt.
    virtual TClass GetConnectDialogClass();
    // Not owned; forgotten when it is freed.
    TCustomConnectDialog* ConnectDialog() const { return connectDialog_; }
    void SetConnectDialog(TCustomConnectDialog* value);
    // Class factories of the provider; the base answers none.
    virtual TClass GetInternalConnectionClass();
    virtual TClass GetInternalCommandClass();
    virtual TClass GetInternalMetaDataClass();
    // Class-level: the monitor class that hears of this connection's work.
    virtual TClass GetSQLMonitorClass();

    // Names from the server's catalog, quoted where the dialect needs it. Without allTables only
    // the connection's own scope, with a schema prefix only where the provider asks for one.
    void GetTableNames(TStrings& list, bool allTables = false);
    void GetDatabaseNames(TStrings& list);
    void GetStoredProcNames(TStrings& list, bool allProcs = false);

    // Runs a statement through the connection's own statement component. Values go to the
    // parameters in order; the answer is the result parameter's value, or Null without one.
    Variant ExecSQL(const AnsiString& text, const std::vector<Variant>& values = {});
    // Values are name, value pairs; one single Null stands for none. Unassigned without a result
    // parameter.
    Variant ExecSQLNamed(const AnsiString& text, const std::vector<Variant>& pairs);
    // Calls a stored procedure with the parameters the server describes: values in order
    // (the result parameter skipped), or name, value pairs. Unassigned without a result parameter.
    Variant ExecProc(const AnsiString& name, const std::vector<Variant>& values = {});
    Variant ExecProcNamed(const AnsiString& name, const std::vector<Variant>& pairs);
    TCustomDASQL* Command() const { return command_.get(); }
    // A new dataset of the connection's own kind, bound to it.
    virtual std::unique_ptr<TCustomDADataSet> CreateDataSet();

    int ConnectCount() const { return connectCount_; }
    bool PromptAllowed() const { return promptAllowed_; }
    TCRConnection* InternalConnection() const { return iConnection_.get(); }

    // Counted connect and disconnect around a client's work.
    virtual void AcquireUse();
    virtual void ReleaseUse();

    // Operations that can be repeated after a reconnect; nothing without LocalFailover.
    virtual void PushOperation(TConnLostCause cause, bool allowFailover = true);
    virtual void PopOperation();
    int OperationCount() const { return static_cast<int>(operations_.size()); }
    virtual TConnLostCause DetectConnLostCause(TObject* component);
    // The handler the internal connection calls for every error.
    virtual void DoError(Exception& e, bool& fail, bool& reconnect, bool& reexecute, int reconnectAttempt,
                         TConnLostCause& connLostCause);
    virtual bool IsFailoverAllowed();
    virtual bool GetInTransaction();

    // Transactions bound to this connection; the default one is DefaultTransaction when assigned,
    // else the internal default transaction that drives the internal connection's own.
    int TransactionCount() const { return static_cast<int>(transactions_.size()); }
    TDATransaction* Transactions(int index) const { return transactions_.at(static_cast<size_t>(index)); }
    TDATransaction* DefaultTransaction() const;
    void SetDefaultTransaction(TDATransaction* value);
    TDATransaction* InternalDefaultTransaction() const { return internalTransaction_.get(); }
    void AttachTransaction(TDATransaction* transaction);
    void DetachTransaction(TDATransaction* transaction);
    virtual TDATransaction* UsedTransaction();
    virtual bool IsAnyTransactionActive(bool flag);
    virtual bool IsMultipleTransactionsSupported() { return false; }
    virtual void RestoreTransactions();
    void StartTransaction();
    void Commit();
    void Rollback();
    void CommitRetaining();
    void RollbackRetaining();
    void Savepoint(const AnsiString& name);
    void ReleaseSavepoint(const AnsiString& name);
    void RollbackToSavepoint(const AnsiString& name);

    // The cached updates of the active datasets in their update transactions: those not active
    // are started, and with AutoCommit committed together; any failure rolls them all back.
    void ApplyUpdates();
    void ApplyUpdatesFor(const std::vector<TCustomDADataSet*>& dataSets);

    // Every statement, then every dataset client, lets go of this connection.
    virtual void UnbindClients();

    void RegisterClient(TObject* client, const TConnectChangeEvent& event = nullptr) override;
    void UnRegisterClient(TObject* client) override;

    bool Debug = false;
    TDAConnectionErrorEvent OnError;
    TConnectionLostEvent OnConnectionLost;

protected:
    bool GetConnected() override;
    void DoConnect() override;
    void DoDisconnect() override;
    void AssignTo(TPersistent* dest) override;

    virtual void CreateInternalConnection();
    // A connection from the pool that managerClass keeps, for a key of parametersClass made of the
    // pooling options, the login and this component's error handler; complete adds what a
    // descendant knows besides (database, port, provider options).
    std::unique_ptr<TCRConnection>
    PooledInternalConnection(TClass parametersClass, TClass managerClass,
                             const std::function<void(TCRConnectionParameters&)>& complete = nullptr);
    virtual void SetInternalConnection(std::unique_ptr<TCRConnection> value);
    void ClearInternalConnection();
    virtual bool ShouldPrompt();
    // Run when a login prompt is due; answers whether it connected.
    virtual bool HasConnectDialogClass() { return GetConnectDialogClass() != nullptr; }
    virtual bool ExecuteConnectDialog();
    virtual AnsiString GetServer() { return server_; }
    // The schema that needs no prefix in the name lists; empty: no prefix.
    virtual AnsiString GetProviderText() { return ""; }
    virtual void CloseTransactionsAfterLoss();
    virtual void CloseTransactionsForDisconnect();
    virtual std::unique_ptr<TDATransaction> CreateTransaction();
    virtual std::unique_ptr<TCustomDASQL> CreateSQL();
    void CheckCommand();
    void Notification(TComponent* component, TOperation operation) override;
    // Clients that keep server state (a prepared statement, an open cursor not fetched to the end)
    // rule out a reconnect; the SQL dataset and statement components answer it.
    virtual bool ClientBlocksReconnect(TObject* client, TObject* failed, TConnLostCause cause);
    // A client that counts one more use for each operation re-run after a reconnect.
    virtual bool ClientCountsReexecute(TObject* component);
    // The transaction a dataset's updates are applied in; until datasets name their own update
    // transaction, the one the connection uses.
    virtual TDATransaction* UpdateTransactionOf(TCustomDADataSet* dataSet);

    std::unique_ptr<TCRConnection> iConnection_;

private:
    void OpenConnection();
    // Rows of a catalog kind: names read by field, with the restriction when given.
    void ReadCatalog(const AnsiString& kind, const AnsiString& restriction,
                     const std::function<void(const std::function<AnsiString(const char*)>&)>& row);
    void TellClients(bool connecting);
    void HandToClients(TCRConnection* value);

    struct TOperationEntry {
        TConnLostCause cause;
        bool allowFailover;
        int reruns;
    };
    std::vector<TOperationEntry> operations_;
    std::vector<TDATransaction*> transactions_;
    std::unique_ptr<TDATransaction> internalTransaction_;
    std::unique_ptr<TCustomDASQL> command_;
    TDATransaction* defaultTransaction_ = nullptr;
    TCustomConnectDialog* connectDialog_ = nullptr;
    std::vector<std::pair<TObject*, TConnectChangeEvent>> clientEvents_;
    std::unique_ptr<TCriticalSection> clientLock_;
    std::unique_ptr<TDAConnectionOptions> options_;
    std::unique_ptr<TPoolingOptions> poolingOptions_;
    AnsiString username_, password_, server_;
    bool autoCommit_ = true;
    bool convertEOL_ = false;
    bool pooling_ = false;
    bool inErrorDisconnect_ = false;
    bool promptAllowed_ = true;
    int connectCount_ = 0;
};

class TSQLInfo;
// Start-up of the components' unit: the macro character, no wait hook, and the SQL information
// of datasets without a command.
void DBAccessInitialize();
void DBAccessFinalize();
// Valid between start-up and shut-down.
TSQLInfo* DefaultSQLInfo();
