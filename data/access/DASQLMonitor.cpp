#include "data/access/DASQLMonitor.h"

#include "data/access/CRConnectionPool.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DASQL.h"
#include "data/access/DATransaction.h"
#include "data/memory/Blob.h"
#include "data/memory/Data.h"
#include "platform/core/DateTime.h"

namespace {
TDebugDialogHook debugDialogHook;

TUniSQLMonitor* uniMonitor = nullptr;

const char* const fieldTypeNames[] = {
    "Unknown",     "String",       "SmallInt",   "Integer",    "Word",     "Boolean",    "Float",
    "Currency",    "BCD",          "Date",       "Time",       "DateTime", "Bytes",      "VarBytes",
    "AutoInc",     "Blob",         "Memo",       "Graphic",    "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",       "FixedChar",  "WideString", "LargeInt", "ADT",        "Array",
    "Reference",   "DataSet",      "HugeBlob",   "HugeClob",   "Variant",  "Interface",  "Dispatch",
    "Guid",        "SQLTimeStamp", "FMTBcdField"};

bool IsStringType(int code) {
    return code == 1 || code == 23 || code == 24 || code == 52;
}

AnsiString Hex8(const void* p) {
    return Format("%.8X", {static_cast<int64_t>(reinterpret_cast<uintptr_t>(p))});
}

// Trailing blanks and line ends removed, as the traces use the parameter text.
AnsiString TrimEnd(const AnsiString& text) {
    size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(0, end);
}

WideString W(const AnsiString& text) {
    return AnsiToWide(text);
}

// A traced statement or dataset asks for the debug dialog itself.
bool DebugOf(TObject* object) {
    if (auto* sql = dynamic_cast<TCustomDASQL*>(object)) return sql->Debug;
    if (auto* data = dynamic_cast<TCustomDADataSet*>(object)) return data->Debug;
    return false;
}

AnsiString LoginOf(TObject* object) {
    auto* connection = dynamic_cast<TCustomDAConnection*>(object);
    return connection ? connection->Username() + "@" + connection->Server() : AnsiString();
}
} // namespace

const GUID CLSID_SQLMonitor = {0xCB9879E2, 0x4395, 0x11D0, {0x9F, 0xFC, 0x00, 0xA0, 0x24, 0x8E, 0x4B, 0x9A}};
const GUID IID_ISQLMonitorClient = {
    0xCB9879E1, 0x4395, 0x11D0, {0x9F, 0xFC, 0x00, 0xA0, 0x24, 0x8E, 0x4B, 0x9A}};

namespace {
// The external program sets a client's trace flags through this.
void __stdcall SetClientTraceFlags(LONG client, WORD traceFlags) {
    reinterpret_cast<TCustomDASQLMonitor*>(static_cast<uintptr_t>(client))->TraceFlags = traceFlags;
}
} // namespace

void SetDebugDialogHook(TDebugDialogHook hook) {
    debugDialogHook = std::move(hook);
}

void TDBMonitorOptions::AssignTo(TPersistent* dest) {
    auto* target = dynamic_cast<TDBMonitorOptions*>(dest);
    if (!target) {
        TPersistent::AssignTo(dest);
        return;
    }
    target->Host = Host;
    target->Port = Port;
    target->ReconnectTimeout = ReconnectTimeout;
    target->SendTimeout = SendTimeout;
}

// --- component ------------------------------------------------------------------------------------

TCustomDASQLMonitor::TCustomDASQLMonitor(TComponent* owner)
    : TComponent(owner), dbMonitorOptions_(new TDBMonitorOptions) {}

TCustomDASQLMonitor::~TCustomDASQLMonitor() {
    SetActive(false);
    delete dbMonitorOptions_;
}

bool TCustomDASQLMonitor::CanActivate() {
    return (ComponentState() & csDesigning) || !Owner() || !(Owner()->ComponentState() & csLoading);
}

void TCustomDASQLMonitor::Loaded() {
    TComponent::Loaded();
    SetActive(streamedActive_);
}

void TCustomDASQLMonitor::SetActive(bool value) {
    streamedActive_ = value;
    if ((ComponentState() & csLoading) || value == active_) return;
    active_ = value;
    if (options_ & MonitorOption(moSQLMonitor)) {
        if (value)
            RegisterSQLMonitorClient();
        else
            UnregisterSQLMonitorClient();
    }
    if (options_ & MonitorOption(moDBMonitor)) {
        if (value)
            StartDBMonitor();
        else
            StopDBMonitor();
    }
}

void TCustomDASQLMonitor::SetOptions(TMonitorOptions value) {
    if (value == options_) return;
    if (active_) {
        bool hadSQL = options_ & MonitorOption(moSQLMonitor);
        bool hasSQL = value & MonitorOption(moSQLMonitor);
        if (hasSQL && !hadSQL) RegisterSQLMonitorClient();
        if (hadSQL && !hasSQL) UnregisterSQLMonitorClient();
        bool had = options_ & MonitorOption(moDBMonitor);
        bool has = value & MonitorOption(moDBMonitor);
        if (has && !had) StartDBMonitor();
        if (had && !has) StopDBMonitor();
    }
    options_ = value;
}

void TCustomDASQLMonitor::StartDBMonitor() {
    dbMonitor_ = GetDBMonitor();
    dbMonitor_->Caption = W(GetCaption());
    dbMonitor_->Host = dbMonitorOptions_->Host;
    dbMonitor_->Port = dbMonitorOptions_->Port;
    dbMonitor_->ReconnectTimeout = dbMonitorOptions_->ReconnectTimeout;
    dbMonitor_->SendTimeout = dbMonitorOptions_->SendTimeout;
    dbMonitor_->Designing = ComponentState() & csDesigning;
    try {
        dbMonitor_->SendStartup();
    } catch (const EAbort&) {
    }
}

void TCustomDASQLMonitor::StopDBMonitor() {
    if (!dbMonitor_) return;
    try {
        dbMonitor_->SendFinished();
    } catch (const EAbort&) {
    }
    dbMonitor_ = nullptr;
}

int TCustomDASQLMonitor::GetObjectType(TObject* object) {
    if (dynamic_cast<TCustomDAConnection*>(object)) return 1;
    if (dynamic_cast<TDATransaction*>(object)) return 2;
    if (dynamic_cast<TCustomDASQL*>(object)) return 3;
    if (dynamic_cast<TCustomDADataSet*>(object)) return 4;
    if (dynamic_cast<TCRConnectionPool*>(object) || dynamic_cast<TCRConnectionPoolManager*>(object)) return 5;
    return 0;
}

TObject* TCustomDASQLMonitor::GetParent(TObject* object) {
    if (auto* transaction = dynamic_cast<TDATransaction*>(object)) return transaction->DefaultConnection();
    if (auto* sql = dynamic_cast<TCustomDASQL*>(object)) return sql->Connection();
    if (auto* data = dynamic_cast<TCustomDADataSet*>(object)) return data->Connection();
    if (auto* pool = dynamic_cast<TCRConnectionPool*>(object)) return pool->Manager();
    return nullptr;
}

AnsiString TCustomDASQLMonitor::GetParamDataType(TDAParam* param) {
    int code = static_cast<int>(param->DataType()) & 0x7F;
    AnsiString text;
    if (code < static_cast<int>(std::size(fieldTypeNames)))
        text = fieldTypeNames[code];
    else if (code == 52)
        text = "FixedWideChar";
    // Codes without a name give an empty text.
    if (IsStringType(code)) text += "[" + IntToStr(static_cast<int64_t>(param->GetAsString().size())) + "]";
    return text;
}

AnsiString TCustomDASQLMonitor::GetParamParamType(TDAParam* param) {
    switch (param->ParamType()) {
    case ptInput:
        return "IN";
    case ptOutput:
        return "OUT";
    case ptInputOutput:
        return "IN/OUT";
    case ptResult:
        return "RESULT";
    default:
        return AnsiString();
    }
}

AnsiString TCustomDASQLMonitor::GetParamValue(TDAParam* param) {
    if (param->IsNull()) return "<NULL>";
    int code = static_cast<int>(param->DataType()) & 0x7F;
    switch (code) {
    case 9:
        return DateToStr(param->GetAsDateTime());
    case 11:
        return DateTimeToStr(param->GetAsDateTime());
    case 12:
    case 13:
        return "<BLOB:" + IntToStr(static_cast<int64_t>(param->GetAsString().size())) + ">";
    case 15:
    case 16:
    case 30:
    case 31: {
        auto* blob = dynamic_cast<TBlob*>(param->GetValueObject());
        return "<BLOB:" + IntToStr(blob ? blob->GetSize() : 0) + ">";
    }
    case 22:
        return "<CURSOR>";
    default:
        break;
    }
    if (IsStringType(code)) return "'" + param->GetAsString() + "'";
    return param->GetAsString();
}

AnsiString TCustomDASQLMonitor::GetParamsText(TDAParams* params) {
    AnsiString text;
    if (!params) return text;
    for (int i = 0; i < params->Count(); ++i) {
        TDAParam* param = params->Items(i);
        AnsiString type = GetParamDataType(param);
        AnsiString direction = GetParamParamType(param);
        AnsiString inner = type;
        if (!direction.empty()) inner += (inner.empty() ? "" : ",") + direction;
        text += ":" + param->Name() + "(" + inner + ")=" + GetParamValue(param) + " \r\n";
    }
    return text;
}

AnsiString TCustomDASQLMonitor::ObjectInfo(TObject* object) {
    if (!(options_ & MonitorOption(moHandled))) return AnsiString();
    auto* component = dynamic_cast<TComponent*>(object);
    AnsiString text = " [" + (component ? component->Name() : AnsiString()) + "$" + Hex8(object);
    if (TObject* parent = GetParent(object);
        parent && (GetObjectType(object) == 3 || GetObjectType(object) == 4)) {
        auto* connection = dynamic_cast<TComponent*>(parent);
        text += "; " + (connection ? connection->Name() : AnsiString()) + "$" + Hex8(parent);
    }
    return text + "] ";
}

AnsiString TCustomDASQLMonitor::ObjectName(TObject* object) {
    auto* component = dynamic_cast<TComponent*>(object);
    if (component && !component->Name().empty()) return component->Name();
    return AnsiString(object->ClassName()) + " ($" + Hex8(object) + ")";
}

// --- outputs --------------------------------------------------------------------------------------

bool TCustomDASQLMonitor::Traces(TDATraceFlag flag) {
    SetActive(streamedActive_);
    return active_ && (TraceFlags & TraceFlag(flag));
}

void TCustomDASQLMonitor::RegisterSQLMonitorClient() {
    if (registered_ || GetMonitor() != this) return;
    HRESULT init = CoInitialize(nullptr);
    if (FAILED(init)) return;
    IUnknown* root = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SQLMonitor, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IUnknown, reinterpret_cast<void**>(&root)))) {
        CoUninitialize();
        return;
    }
    // The program's failures never reach the traced application.
    try {
        root->QueryInterface(IID_ISQLMonitorClient, reinterpret_cast<void**>(&client_));
        root->Release();
        if (client_) {
            AnsiString name = GetHostAppName();
            if (ComponentState() & csDesigning) name += ": " + GetCaption();
            auto self = static_cast<LONG>(reinterpret_cast<uintptr_t>(this));
            client_->RegisterClient(self, name.c_str(), self, SetClientTraceFlags);
        }
        registered_ = true;
    } catch (...) {
    }
}

void TCustomDASQLMonitor::UnregisterSQLMonitorClient() {
    if (client_) {
        client_->Release();
        client_ = nullptr;
    }
    if (registered_) {
        registered_ = false;
        CoUninitialize();
    }
}

void TCustomDASQLMonitor::SendSQLMonitor(const AnsiString& text) {
    if (client_) client_->SQLEvent(text.c_str(), static_cast<LONG>(text.size()));
}

void TCustomDASQLMonitor::CallOnSQL(TObject* sender, const AnsiString& text, TDATraceFlag flag) {
    if (OnSQL) OnSQL(sender, text, flag);
}

void TCustomDASQLMonitor::DialogHook(TObject* object, const AnsiString& sql, const AnsiString& operation,
                                     TDAParams* params) {
    if (!(options_ & MonitorOption(moDialog)) || !debugDialogHook) return;
    if ((!(options_ & MonitorOption(moCustom)) && !(ComponentState() & csDesigning)) || DebugOf(object))
        debugDialogHook(object, sql, operation, params);
}

void TCustomDASQLMonitor::SendDBEvent(TObject* object, int eventType, const AnsiString& description,
                                      const AnsiString& sql, TDAParams* params, int rowsAffected,
                                      int32_t& messageId, bool before, bool withParent) {
    if (!(options_ & MonitorOption(moDBMonitor)) || !dbMonitor_) return;
    TDBMonitorEvent event;
    event.EventID = messageId;
    event.EventType = eventType;
    event.Description = W(description);
    event.SQL = W(sql);
    if (params)
        for (int i = 0; i < params->Count(); ++i) {
            TDAParam* param = params->Items(i);
            event.Params.push_back({W(param->Name()), W(GetParamDataType(param)), W(GetParamParamType(param)),
                                    W(GetParamValue(param))});
        }
    try {
        if (before) {
            if (object) {
                event.ObjectID = static_cast<int32_t>(reinterpret_cast<uintptr_t>(object));
                event.ObjectName = W(ObjectName(object));
                event.ObjectType = GetObjectType(object);
                event.ObjectTypeName = W(object->ClassName());
                if (TObject* parent = withParent ? GetParent(object) : nullptr) {
                    event.ParentID = static_cast<int32_t>(reinterpret_cast<uintptr_t>(parent));
                    event.ParentName = W(ObjectName(parent));
                    event.ParentType = GetObjectType(parent);
                    event.ParentTypeName = W(parent->ClassName());
                }
            }
            dbMonitor_->SendEventStart(event);
            messageId = event.EventID;
        } else {
            event.RowsAffected = rowsAffected;
            dbMonitor_->SendEventEnd(event);
        }
    } catch (const EAbort&) {
    }
}

// --- traces ---------------------------------------------------------------------------------------

void TCustomDASQLMonitor::StatementTrace(const char* title, const AnsiString& onSqlTitle, TObject* object,
                                         const AnsiString& sql, TDAParams* params, const AnsiString& execName,
                                         int eventType, int rowsAffected, int32_t& messageId, bool before,
                                         bool bothNotifications, TDATraceFlag flag) {
    if (before) DialogHook(object, sql, execName, params);
    if (!Traces(flag)) return;
    AnsiString info = ObjectInfo(object);
    AnsiString paramsText = TrimEnd(GetParamsText(params));
    AnsiString text = AnsiString(title) + info + ": " + sql;
    if ((before || bothNotifications) && (options_ & MonitorOption(moSQLMonitor))) {
        AnsiString monitorText = AnsiString(title);
        if (eventType == 10 && !execName.empty()) monitorText += " [" + execName + "]";
        monitorText += info + ": " + sql;
        if (!paramsText.empty() && (TraceFlags & TraceFlag(tfParams))) monitorText += "\r\n" + paramsText;
        SendSQLMonitor(monitorText);
    }
    SendDBEvent(object, eventType, text + "\r\n" + paramsText, sql, params, rowsAffected, messageId, before);
    if (before)
        CallOnSQL(object, onSqlTitle + sql + (paramsText.empty() ? AnsiString() : "\r\n" + paramsText), flag);
}

void TCustomDASQLMonitor::SimpleTrace(const AnsiString& text, TObject* object, int eventType,
                                      const AnsiString& sql, int32_t& messageId, bool before,
                                      bool bothNotifications, TDATraceFlag flag) {
    if (!Traces(flag)) return;
    if ((before || bothNotifications) && (options_ & MonitorOption(moSQLMonitor))) SendSQLMonitor(text);
    SendDBEvent(object, eventType, text, sql, nullptr, 0, messageId, before);
    if (before || bothNotifications) CallOnSQL(object, text, flag);
}

void TCustomDASQLMonitor::InternalSQLPrepare(TObject* object, const AnsiString& sql, TDAParams* params,
                                             int32_t& messageId, bool before) {
    StatementTrace("SQL Prepare", "Prepare: ", object, sql, params, "Prepare", 8, 0, messageId, before, false,
                   tfQPrepare);
}

void TCustomDASQLMonitor::InternalSQLUnprepare(TObject* object, const AnsiString& sql, TDAParams* params,
                                               int32_t& messageId, bool before) {
    StatementTrace("SQL Unprepare", "Unprepare: ", object, sql, params, "Unprepare", 9, 0, messageId, before,
                   true, tfQPrepare);
}

void TCustomDASQLMonitor::InternalSQLExecute(TObject* object, const AnsiString& sql, TDAParams* params,
                                             const AnsiString& execName, int rowsAffected, int32_t& messageId,
                                             bool before) {
    // The dialog hook hears "Execute" when the caller names nothing; the monitor text names only
    // what the caller gave.
    if (before) DialogHook(object, sql, execName.empty() ? AnsiString("Execute") : execName, params);
    if (!Traces(tfQExecute)) return;
    AnsiString info = ObjectInfo(object);
    AnsiString paramsText = TrimEnd(GetParamsText(params));
    if (before && (options_ & MonitorOption(moSQLMonitor))) {
        AnsiString monitorText = "SQL Execute";
        if (!execName.empty()) monitorText += " [" + execName + "]";
        monitorText += info + ": " + sql;
        if (!paramsText.empty() && (TraceFlags & TraceFlag(tfParams))) monitorText += "\r\n" + paramsText;
        SendSQLMonitor(monitorText);
    }
    SendDBEvent(object, 10, "SQL Execute" + info + ": " + sql + "\r\n" + paramsText, sql, params,
                rowsAffected, messageId, before);
    if (before)
        CallOnSQL(object, sql + (paramsText.empty() ? AnsiString() : "\r\n" + paramsText), tfQExecute);
}

void TCustomDASQLMonitor::InternalDBConnect(TObject* connection, const AnsiString& username,
                                            const AnsiString& server, int32_t& messageId, bool before) {
    SimpleTrace("Connect: " + username + "@" + server + ObjectInfo(connection), connection, 2,
                Format("Username=%s\r\nServer=%s", {username, server}), messageId, before, false, tfConnect);
}

void TCustomDASQLMonitor::InternalDBDisconnect(TObject* connection, const AnsiString& username,
                                               const AnsiString& server, int32_t& messageId, bool before) {
    SimpleTrace("Disconnect: " + username + "@" + server + ObjectInfo(connection), connection, 3,
                AnsiString(), messageId, before, false, tfConnect);
}

void TCustomDASQLMonitor::InternalTRStart(TObject* object, const AnsiString& login, int32_t& messageId,
                                          bool before) {
    SimpleTrace("Start: " + login + ObjectInfo(object), object, 4, AnsiString(), messageId, before, false,
                tfTransact);
}

void TCustomDASQLMonitor::InternalTRCommit(TObject* object, const AnsiString& login, int32_t& messageId,
                                           bool before) {
    SimpleTrace("Commit: " + login + ObjectInfo(object), object, 5, AnsiString(), messageId, before, false,
                tfTransact);
}

void TCustomDASQLMonitor::InternalTRRollback(TObject* object, const AnsiString& login, int32_t& messageId,
                                             bool before) {
    SimpleTrace("Rollback: " + login + ObjectInfo(object), object, 6, AnsiString(), messageId, before, false,
                tfTransact);
}

void TCustomDASQLMonitor::InternalTRSavepoint(TObject* object, const AnsiString& name, int32_t& messageId,
                                              bool before) {
    SimpleTrace("Savepoint " + name + " " + ObjectInfo(object), object, 7, AnsiString(), messageId, before,
                true, tfTransact);
}

void TCustomDASQLMonitor::InternalTRRollbackToSavepoint(TObject* object, const AnsiString& name,
                                                        int32_t& messageId, bool before) {
    SimpleTrace("Rollback to savepoint " + name + " " + ObjectInfo(object), object, 7, AnsiString(),
                messageId, before, true, tfTransact);
}

void TCustomDASQLMonitor::InternalTRReleaseSavepoint(TObject* object, const AnsiString& name,
                                                     int32_t& messageId, bool before) {
    SimpleTrace("Release savepoint " + name + " " + ObjectInfo(object), object, 7, AnsiString(), messageId,
                before, true, tfTransact);
}

void TCustomDASQLMonitor::InternalTRCommitRetaining(TObject* object, int32_t& messageId, bool before) {
    SimpleTrace("CommitRetaining: " + ObjectInfo(object), object, 5, AnsiString(), messageId, before, false,
                tfTransact);
}

void TCustomDASQLMonitor::InternalTRRollbackRetaining(TObject* object, int32_t& messageId, bool before) {
    SimpleTrace("RollbackRetaining: " + ObjectInfo(object), object, 6, AnsiString(), messageId, before, false,
                tfTransact);
}

void TCustomDASQLMonitor::InternalDBError(Exception& error) {
    if (!Traces(tfError)) return;
    AnsiString text = "Error: " + error.Message();
    if (options_ & MonitorOption(moSQLMonitor)) SendSQLMonitor(text);
    if ((options_ & MonitorOption(moDBMonitor)) && dbMonitor_) {
        TDBMonitorEvent event;
        event.EventType = 16;
        event.Description = W(text);
        event.Failed = true;
        event.ErrorText = W(error.Message());
        try {
            dbMonitor_->SendEventEnd(event);
        } catch (const EAbort&) {
        }
    }
    if (!OnSQL) return;
    traceError_ = &error;
    struct TClear {
        const Exception*& error;
        ~TClear() { error = nullptr; }
    } clear{traceError_};
    OnSQL(nullptr, text, tfError);
}

void TCustomDASQLMonitor::InternalObjectDestroyed(TObject* object) {
    if (!Traces(tfObjDestroy)) return;
    AnsiString text = "Object destroyed: " + ObjectName(object);
    if (options_ & MonitorOption(moSQLMonitor)) SendSQLMonitor(text);
    int32_t id = 0;
    SendDBEvent(object, 14, text, AnsiString(), nullptr, 0, id, true, false);
    SendDBEvent(object, 14, text, AnsiString(), nullptr, 0, id, false, false);
    CallOnSQL(object, text, tfObjDestroy);
}

void TCustomDASQLMonitor::InternalPool(TObject* pool, const AnsiString& message, bool showCount,
                                       int connectionCount, const AnsiString& poolText) {
    if (!Traces(tfPool)) return;
    AnsiString text = message;
    if (showCount) text += Format(". Pool has %d connection(s)", {connectionCount});
    text += ObjectInfo(pool);
    if (options_ & MonitorOption(moSQLMonitor)) SendSQLMonitor(text);
    int32_t id = 0;
    SendDBEvent(pool, 15, text, poolText, nullptr, 0, id, true);
    SendDBEvent(pool, 15, text, poolText, nullptr, 0, id, false);
    CallOnSQL(pool, text, tfPool);
}

// --- class-level notifications --------------------------------------------------------------------

TCustomDASQLMonitor* TCustomDASQLMonitor::MonitorOf(TClass monitorClass) {
    // Only the unified monitor keeps a process-wide instance; the base class has none.
    if (monitorClass && monitorClass->InheritsFrom(TUniSQLMonitor::StaticClass()))
        return TUniSQLMonitor::Instance();
    return nullptr;
}

void TCustomDASQLMonitor::SQLPrepareNotify(TClass monitorClass, TObject* object, const AnsiString& sql,
                                           TDAParams* params, int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalSQLPrepare(object, sql, params, messageId, before);
    else if (before && debugDialogHook)
        debugDialogHook(object, sql, "Prepare", params);
}

void TCustomDASQLMonitor::SQLUnprepareNotify(TClass monitorClass, TObject* object, const AnsiString& sql,
                                             TDAParams* params, int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalSQLUnprepare(object, sql, params, messageId, before);
    else if (before && debugDialogHook)
        debugDialogHook(object, sql, "Unprepare", params);
}

void TCustomDASQLMonitor::SQLExecuteNotify(TClass monitorClass, TObject* object, const AnsiString& sql,
                                           TDAParams* params, const AnsiString& execName, int rowsAffected,
                                           int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalSQLExecute(object, sql, params, execName, rowsAffected, messageId, before);
    else if (before && debugDialogHook)
        debugDialogHook(object, sql, execName.empty() ? AnsiString("Execute") : execName, params);
}

void TCustomDASQLMonitor::DBConnectNotify(TClass monitorClass, TCustomDAConnection* connection,
                                          int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalDBConnect(connection, connection->Username(), connection->Server(), messageId,
                                   before);
}

void TCustomDASQLMonitor::DBDisconnectNotify(TClass monitorClass, TCustomDAConnection* connection,
                                             int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalDBDisconnect(connection, connection->Username(), connection->Server(), messageId,
                                      before);
}

void TCustomDASQLMonitor::TRStartNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                        bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRStart(object, LoginOf(object), messageId, before);
}

void TCustomDASQLMonitor::TRCommitNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                         bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRCommit(object, LoginOf(object), messageId, before);
}

void TCustomDASQLMonitor::TRRollbackNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                           bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRRollback(object, LoginOf(object), messageId, before);
}

void TCustomDASQLMonitor::TRSavepointNotify(TClass monitorClass, TObject* object, const AnsiString& name,
                                            int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRSavepoint(object, name, messageId, before);
}

void TCustomDASQLMonitor::TRRollbackToSavepointNotify(TClass monitorClass, TObject* object,
                                                      const AnsiString& name, int32_t& messageId,
                                                      bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRRollbackToSavepoint(object, name, messageId, before);
}

void TCustomDASQLMonitor::TRReleaseSavepointNotify(TClass monitorClass, TObject* object,
                                                   const AnsiString& name, int32_t& messageId, bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRReleaseSavepoint(object, name, messageId, before);
}

void TCustomDASQLMonitor::TRCommitRetainingNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                                  bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRCommitRetaining(object, messageId, before);
}

void TCustomDASQLMonitor::TRRollbackRetainingNotify(TClass monitorClass, TObject* object, int32_t& messageId,
                                                    bool before) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalTRRollbackRetaining(object, messageId, before);
}

void TCustomDASQLMonitor::DBErrorNotify(TClass monitorClass, Exception& error) {
    if (auto* monitor = MonitorOf(monitorClass)) monitor->InternalDBError(error);
}

void TCustomDASQLMonitor::ObjectDestroyedNotify(TClass monitorClass, TObject* object) {
    if (auto* monitor = MonitorOf(monitorClass)) monitor->InternalObjectDestroyed(object);
}

void TCustomDASQLMonitor::PoolNotify(TClass monitorClass, TObject* pool, const AnsiString& message,
                                     bool showCount, int connectionCount, const AnsiString& poolText) {
    if (auto* monitor = MonitorOf(monitorClass))
        monitor->InternalPool(pool, message, showCount, connectionCount, poolText);
}

// --- the unified monitor --------------------------------------------------------------------------

TUniSQLMonitor::TUniSQLMonitor(TComponent* owner) : TCustomDASQLMonitor(owner) {
    RegisterInstance();
    if (CanActivate()) SetActive(true);
}

TUniSQLMonitor::~TUniSQLMonitor() {
    SetActive(false);
    if (uniMonitor == this) uniMonitor = nullptr;
}

TUniSQLMonitor* TUniSQLMonitor::Instance() {
    return uniMonitor;
}

void TUniSQLMonitor::RegisterInstance() {
    if (!uniMonitor) uniMonitor = this;
}
