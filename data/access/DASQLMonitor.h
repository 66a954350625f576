#pragma once
// The SQL monitor component: turns the activity of the data-access components into trace texts
// and hands them to the debug dialog hook, the TCP monitor client and its OnSQL event.
#include <objbase.h>

#include <cstdint>
#include <functional>

#include "data/access/DBAccess.h"

class TCustomDAConnection;
#include "data/access/DBMonitorClient.h"
#include "platform/core/Components.h"
#include "platform/core/Persistent.h"

enum TDATraceFlag {
    tfQPrepare,
    tfQExecute,
    tfQFetch,
    tfError,
    tfStmt,
    tfConnect,
    tfTransact,
    tfBlob,
    tfService,
    tfMisc,
    tfParams,
    tfObjDestroy,
    tfPool
};
using TDATraceFlags = uint16_t;
constexpr TDATraceFlags TraceFlag(TDATraceFlag flag) {
    return static_cast<TDATraceFlags>(1u << flag);
}

enum TMonitorOption { moDialog, moSQLMonitor, moDBMonitor, moCustom, moHandled };
using TMonitorOptions = uint8_t;
constexpr TMonitorOptions MonitorOption(TMonitorOption option) {
    return static_cast<TMonitorOptions>(1u << option);
}

constexpr TDATraceFlags DefaultTraceFlags = 1643; // prepare, execute, error, connect, transact, misc, params
constexpr TMonitorOptions DefaultMonitorOptions = 0x0F; // dialog, SQL monitor, DB monitor, custom

using TOnSQLEvent = std::function<void(TObject* sender, const AnsiString& text, TDATraceFlag flag)>;

class TDBMonitorOptions : public TPersistent {
public:
    VZ_CLASS(TDBMonitorOptions, TPersistent)
    AnsiString Host; // empty: localhost
    int Port = 1000;
    int ReconnectTimeout = 5000;
    int SendTimeout = 1000;

protected:
    void AssignTo(TPersistent* dest) override;
};

// The external SQL-monitor program's client interface (the first method after the three of
// IUnknown registers a client, the second takes a trace text and its length in bytes).
using TSQLMonitorTraceFlagsCallback = void(__stdcall*)(LONG client, WORD traceFlags);
struct ISQLMonitorClient : public IUnknown {
    virtual HRESULT __stdcall RegisterClient(LONG id, LPCSTR name, LONG client,
                                             TSQLMonitorTraceFlagsCallback setTraceFlags) = 0;
    virtual HRESULT __stdcall SQLEvent(LPCSTR text, LONG length) = 0;
};
extern const GUID CLSID_SQLMonitor;      // {CB9879E2-4395-11D0-9FFC-00A0248E4B9A}
extern const GUID IID_ISQLMonitorClient; // {CB9879E1-4395-11D0-9FFC-00A0248E4B9A}

// The debug dialog hook: traced object, SQL, operation name, parameters.
using TDebugDialogHook = std::function<void(TObject* object, const AnsiString& sql,
                                            const AnsiString& operation, TDAParams* params)>;
void SetDebugDialogHook(TDebugDialogHook hook);

class TCustomDASQLMonitor : public TComponent {
public:
    VZ_CLASS(TCustomDASQLMonitor, TComponent)
    explicit TCustomDASQLMonitor(TComponent* owner);
    ~TCustomDASQLMonitor() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    TDATraceFlags TraceFlags = DefaultTraceFlags;
    TMonitorOptions Options() const { return options_; }
    void SetOptions(TMonitorOptions value);
    TDBMonitorOptions* DBMonitorOptions() const { return dbMonitorOptions_; }
    void SetDBMonitorOptions(TDBMonitorOptions* value) { dbMonitorOptions_->Assign(value); }
    // An error trace calls it with no sender; TraceError then gives the error.
    TOnSQLEvent OnSQL;
    const Exception* TraceError() const { return traceError_; }
    // Applies the Active value read from a stored form.
    void Loaded() override;

    virtual bool CanActivate();
    virtual int GetObjectType(TObject* object);
    virtual TObject* GetParent(TObject* object);
    virtual AnsiString GetParamDataType(TDAParam* param);
    virtual AnsiString GetParamParamType(TDAParam* param);
    virtual AnsiString GetParamValue(TDAParam* param);
    virtual AnsiString GetCaption() { return "DataAccess"; }
    virtual void RegisterSQLMonitorClient();
    virtual void UnregisterSQLMonitorClient();
    bool Registered() const { return registered_; }

    // Every parameter's text, each followed by " \r\n".
    AnsiString GetParamsText(TDAParams* params);
    // " [name$address; connection$address] " with moHandled, else empty.
    AnsiString ObjectInfo(TObject* object);
    static AnsiString ObjectName(TObject* object);

    // The traces; before is the before-notification, messageId the id shared by the pair.
    void InternalSQLPrepare(TObject* object, const AnsiString& sql, TDAParams* params, int32_t& messageId,
                            bool before);
    void InternalSQLUnprepare(TObject* object, const AnsiString& sql, TDAParams* params, int32_t& messageId,
                              bool before);
    void InternalSQLExecute(TObject* object, const AnsiString& sql, TDAParams* params,
                            const AnsiString& execName, int rowsAffected, int32_t& messageId, bool before);
    void InternalDBConnect(TObject* connection, const AnsiString& username, const AnsiString& server,
                           int32_t& messageId, bool before);
    void InternalDBDisconnect(TObject* connection, const AnsiString& username, const AnsiString& server,
                              int32_t& messageId, bool before);
    // Start, commit and rollback: the login is named when the object is a connection.
    void InternalTRStart(TObject* object, const AnsiString& login, int32_t& messageId, bool before);
    void InternalTRCommit(TObject* object, const AnsiString& login, int32_t& messageId, bool before);
    void InternalTRRollback(TObject* object, const AnsiString& login, int32_t& messageId, bool before);
    void InternalTRSavepoint(TObject* object, const AnsiString& name, int32_t& messageId, bool before);
    void InternalTRRollbackToSavepoint(TObject* object, const AnsiString& name, int32_t& messageId,
                                       bool before);
    void InternalTRReleaseSavepoint(TObject* object, const AnsiString& name, int32_t& messageId, bool before);
    void InternalTRCommitRetaining(TObject* object, int32_t& messageId, bool before);
    void InternalTRRollbackRetaining(TObject* object, int32_t& messageId, bool before);
    void InternalDBError(Exception& error);
    void InternalObjectDestroyed(TObject* object);
    // showCount appends the pool's connection count; poolText becomes the TCP event's SQL.
    void InternalPool(TObject* pool, const AnsiString& message, bool showCount, int connectionCount,
                      const AnsiString& poolText);

    // Class-level notifications: the components call them with the monitor class their
    // connection names, and the process-wide instance of that class, when there is one, traces.
    static TCustomDASQLMonitor* MonitorOf(TClass monitorClass);
    static bool HasMonitor(TClass monitorClass) { return MonitorOf(monitorClass) != nullptr; }
    // Without an instance the before-notification goes to the debug dialog hook.
    static void SQLPrepareNotify(TClass monitorClass, TObject* object, const AnsiString& sql,
                                 TDAParams* params, int32_t& messageId, bool before);
    static void SQLUnprepareNotify(TClass monitorClass, TObject* object, const AnsiString& sql,
                                   TDAParams* params, int32_t& messageId, bool before);
    static void SQLExecuteNotify(TClass monitorClass, TObject* object, const AnsiString& sql,
                                 TDAParams* params, const AnsiString& execName, int rowsAffected,
                                 int32_t& messageId, bool before);
    static void DBConnectNotify(TClass monitorClass, TCustomDAConnection* connection, int32_t& messageId,
                                bool before);
    static void DBDisconnectNotify(TClass monitorClass, TCustomDAConnection* connection, int32_t& messageId,
                                   bool before);
    // A connection is named with its login; a transaction is not.
    static void TRStartNotify(TClass monitorClass, TObject* object, int32_t& messageId, bool before);
    static void TRCommitNotify(TClass monitorClass, TObject* object, int32_t& messageId, bool before);
    static void TRRollbackNotify(TClass monitorClass, TObject* object, int32_t& messageId, bool before);
    static void TRSavepointNotify(TClass monitorClass, TObject* object, const AnsiString& name,
                                  int32_t& messageId, bool before);
    static void TRRollbackToSavepointNotify(TClass monitorClass, TObject* object, const AnsiString& name,
                                            int32_t& messageId, bool before);
    static void TRReleaseSavepointNotify(TClass monitorClass, TObject* object, const AnsiString& name,
                                         int32_t& messageId, bool before);
    static void TRCommitRetainingNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                        bool before);
    static void TRRollbackRetainingNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                          bool before);
    static void DBErrorNotify(TClass monitorClass, Exception& error);
    static void ObjectDestroyedNotify(TClass monitorClass, TObject* object);
    static void PoolNotify(TClass monitorClass, TObject* pool, const AnsiString& message, bool showCount,
                           int connectionCount, const AnsiString& poolText);

protected:
    virtual void RegisterInstance() = 0;
    virtual TCustomDASQLMonitor* GetMonitor() { return nullptr; }

private:
    bool active_ = false;
    TMonitorOptions options_ = DefaultMonitorOptions;
    bool streamedActive_ = true;
    TDBMonitor* dbMonitor_ = nullptr;
    TDBMonitorOptions* dbMonitorOptions_;
    const Exception* traceError_ = nullptr;
    bool registered_ = false;
    ISQLMonitorClient* client_ = nullptr;

    bool Traces(TDATraceFlag flag);
    void StartDBMonitor();
    void StopDBMonitor();
    void SendSQLMonitor(const AnsiString& text);
    void CallOnSQL(TObject* sender, const AnsiString& text, TDATraceFlag flag);
    void DialogHook(TObject* object, const AnsiString& sql, const AnsiString& operation, TDAParams* params);
    void SendDBEvent(TObject* object, int eventType, const AnsiString& description, const AnsiString& sql,
                     TDAParams* params, int rowsAffected, int32_t& messageId, bool before,
                     bool withParent = true);
    void StatementTrace(const char* title, const AnsiString& onSqlTitle, TObject* object,
                        const AnsiString& sql, TDAParams* params, const AnsiString& execName, int eventType,
                        int rowsAffected, int32_t& messageId, bool before, bool bothNotifications,
                        TDATraceFlag flag);
    void SimpleTrace(const AnsiString& text, TObject* object, int eventType, const AnsiString& sql,
                     int32_t& messageId, bool before, bool bothNotifications, TDATraceFlag flag);
};

// The published monitor of the unified layer: the first one created receives the notifications.
class TUniSQLMonitor : public TCustomDASQLMonitor {
public:
    VZ_CLASS(TUniSQLMonitor, TCustomDASQLMonitor)
    explicit TUniSQLMonitor(TComponent* owner);
    ~TUniSQLMonitor() override;
    AnsiString GetCaption() override { return "UniAccess"; }
    // The process-wide instance, or nullptr.
    static TUniSQLMonitor* Instance();
    static bool HasMonitor() { return Instance() != nullptr; }

protected:
    void RegisterInstance() override;
    TCustomDASQLMonitor* GetMonitor() override { return Instance(); }
};
