#pragma once
// The provider-independent connection component: an internal connection made through class
// factories, the login data, use counting for datasets and statements, and the error handler with
// local failover that every internal layer calls.
#include <functional>
#include <memory>
#include <vector>

#include "data/access/CRAccess.h"
#include "data/access/DBAccess.h"
#include "platform/core/Persistent.h"
#include "platform/core/Threads.h"
#include "platform/db/Connection.h"

class TCustomDAConnection;

enum TSortType : uint8_t { stCaseSensitive, stCaseInsensitive, stBinary };
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

    // Class factories of the provider; the base answers none.
    virtual TClass GetInternalConnectionClass();
    virtual TClass GetInternalCommandClass();
    virtual void CreateInternalConnection();
    virtual void SetInternalConnection(std::unique_ptr<TCRConnection> value);
    void ClearInternalConnection();
    virtual bool ShouldPrompt();
    // Run when a login prompt is due; answers whether it connected. The base has no dialog.
    virtual bool HasConnectDialogClass() { return false; }
    virtual bool ExecuteConnectDialog() { return false; }
    virtual bool IsMultipleTransactionsSupported() { return false; }
    virtual AnsiString GetServer() { return server_; }
    virtual void CloseTransactionsAfterLoss();
    // Clients that keep server state (a prepared statement, an open cursor not fetched to the end)
    // rule out a reconnect; the SQL dataset and statement components answer it.
    virtual bool ClientBlocksReconnect(TObject* client, TObject* failed, TConnLostCause cause);
    // A client that counts one more use for each operation re-run after a reconnect.
    virtual bool ClientCountsReexecute(TObject* component);

    std::unique_ptr<TCRConnection> iConnection_;

private:
    void OpenConnection();
    void TellClients(bool connecting);

    struct TOperation {
        TConnLostCause cause;
        bool allowFailover;
        int reruns;
    };
    std::vector<TOperation> operations_;
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
