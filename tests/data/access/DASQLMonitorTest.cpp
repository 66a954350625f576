#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "MonitorDecoder.h"
#include "TestProvider.h"
#include "data/access/DAConnection.h"
#include "data/access/DASQL.h"
#include "data/access/DASQLMonitor.h"

namespace {
struct TTrace {
    TObject* Sender;
    AnsiString Text;
    TDATraceFlag Flag;
};

class SQLMonitorTraces : public testing::Test {
protected:
    TComponent connection{nullptr};
    TUniSQLMonitor monitor{nullptr};
    std::vector<TTrace> traces;
    void SetUp() override {
        connection.SetName("Conn");
        monitor.SetName("Mon");
        monitor.SetOptions(MonitorOption(moCustom));
        monitor.TraceFlags = 0xFFFF;
        monitor.OnSQL = [this](TObject* sender, const AnsiString& text, TDATraceFlag flag) {
            traces.push_back({sender, text, flag});
        };
    }
    // The monitor stopped its client when its options dropped it; the next test starts afresh.
    void TearDown() override { DBMonitorClientFinalize(); }
    AnsiString Address(const void* p) {
        return Format("%.8X", {static_cast<int64_t>(reinterpret_cast<uintptr_t>(p))});
    }
};
} // namespace

TEST_F(SQLMonitorTraces, EachOperationGivesItsTextAndFlag) {
    TDAParams params;
    auto* p = static_cast<TDAParam*>(params.CreateParam(ftString, "p", ptInput));
    p->SetAsString("abc");
    struct {
        const char* name;
        std::function<void(int32_t&, bool)> trace;
        AnsiString text;
        TDATraceFlag flag;
        bool afterToo;
    } cases[] = {
        {"prepare",
         [&](int32_t& id, bool b) { monitor.InternalSQLPrepare(&connection, "select 1", nullptr, id, b); },
         "Prepare: select 1", tfQPrepare, false},
        {"unprepare",
         [&](int32_t& id, bool b) { monitor.InternalSQLUnprepare(&connection, "select 1", &params, id, b); },
         "Unprepare: select 1\r\n:p(String[3],IN)='abc'", tfQPrepare, false},
        {"execute",
         [&](int32_t& id, bool b) {
             monitor.InternalSQLExecute(&connection, "select :p", &params, "", 1, id, b);
         },
         "select :p\r\n:p(String[3],IN)='abc'", tfQExecute, false},
        {"connect", [&](int32_t& id, bool b) { monitor.InternalDBConnect(&connection, "u", "srv", id, b); },
         "Connect: u@srv", tfConnect, false},
        {"disconnect",
         [&](int32_t& id, bool b) { monitor.InternalDBDisconnect(&connection, "u", "srv", id, b); },
         "Disconnect: u@srv", tfConnect, false},
        {"start", [&](int32_t& id, bool b) { monitor.InternalTRStart(&connection, "u@srv", id, b); },
         "Start: u@srv", tfTransact, false},
        {"commit", [&](int32_t& id, bool b) { monitor.InternalTRCommit(&connection, "", id, b); },
         "Commit: ", tfTransact, false},
        {"rollback", [&](int32_t& id, bool b) { monitor.InternalTRRollback(&connection, "", id, b); },
         "Rollback: ", tfTransact, false},
        {"savepoint", [&](int32_t& id, bool b) { monitor.InternalTRSavepoint(&connection, "s1", id, b); },
         "Savepoint s1 ", tfTransact, true},
        {"rollback to",
         [&](int32_t& id, bool b) { monitor.InternalTRRollbackToSavepoint(&connection, "s1", id, b); },
         "Rollback to savepoint s1 ", tfTransact, true},
        {"release",
         [&](int32_t& id, bool b) { monitor.InternalTRReleaseSavepoint(&connection, "s1", id, b); },
         "Release savepoint s1 ", tfTransact, true},
        {"commit retaining",
         [&](int32_t& id, bool b) { monitor.InternalTRCommitRetaining(&connection, id, b); },
         "CommitRetaining: ", tfTransact, false},
        {"rollback retaining",
         [&](int32_t& id, bool b) { monitor.InternalTRRollbackRetaining(&connection, id, b); },
         "RollbackRetaining: ", tfTransact, false},
    };
    for (auto& c : cases) {
        traces.clear();
        int32_t id = 0;
        c.trace(id, true);
        c.trace(id, false);
        ASSERT_EQ(c.afterToo ? 2u : 1u, traces.size()) << c.name;
        EXPECT_EQ(c.text, traces[0].Text) << c.name;
        EXPECT_EQ(c.flag, traces[0].Flag) << c.name;
        EXPECT_EQ(&connection, traces[0].Sender) << c.name;
    }
}

TEST_F(SQLMonitorTraces, HandledOptionAddsObjectInfoAndFlagsFilter) {
    monitor.SetOptions(MonitorOption(moCustom) | MonitorOption(moHandled));
    int32_t id = 0;
    monitor.InternalDBConnect(&connection, "u", "srv", id, true);
    ASSERT_EQ(1u, traces.size());
    EXPECT_EQ("Connect: u@srv [Conn$" + Address(&connection) + "] ", traces[0].Text);

    monitor.TraceFlags = DefaultTraceFlags; // no object-destroyed or pool traces
    traces.clear();
    monitor.InternalObjectDestroyed(&connection);
    monitor.InternalPool(&connection, "Connection pool created", true, 3, "");
    EXPECT_TRUE(traces.empty());
    monitor.TraceFlags = 0xFFFF;
    TObject plain;
    monitor.InternalObjectDestroyed(&plain);
    monitor.InternalPool(&connection, "Connection pool created", true, 3, "");
    ASSERT_EQ(2u, traces.size());
    EXPECT_EQ("Object destroyed: TObject ($" + Address(&plain) + ")", traces[0].Text);
    EXPECT_EQ(tfObjDestroy, traces[0].Flag);
    EXPECT_EQ("Connection pool created. Pool has 3 connection(s) [Conn$" + Address(&connection) + "] ",
              traces[1].Text);
    EXPECT_EQ(tfPool, traces[1].Flag);
}

TEST_F(SQLMonitorTraces, ErrorTraceCarriesTheError) {
    const Exception* seen = nullptr;
    monitor.OnSQL = [&](TObject* sender, const AnsiString& text, TDATraceFlag flag) {
        traces.push_back({sender, text, flag});
        seen = monitor.TraceError();
    };
    Exception error("disk full");
    monitor.InternalDBError(error);
    ASSERT_EQ(1u, traces.size());
    EXPECT_EQ("Error: disk full", traces[0].Text);
    EXPECT_EQ(tfError, traces[0].Flag);
    EXPECT_EQ(&error, seen);
    EXPECT_EQ(nullptr, monitor.TraceError());
}

TEST_F(SQLMonitorTraces, InactiveMonitorTracesNothing) {
    monitor.SetActive(false);
    int32_t id = 0;
    monitor.InternalDBConnect(&connection, "u", "srv", id, true);
    EXPECT_TRUE(traces.empty());
}

TEST(SQLMonitorParams, ParameterTexts) {
    TUniSQLMonitor monitor(nullptr);
    TDAParams params;
    auto add = [&](TFieldType type, const char* name, TParamType direction) {
        return static_cast<TDAParam*>(params.CreateParam(type, name, direction));
    };
    add(ftString, "s", ptInput)->SetAsString("abc");
    add(ftInteger, "i", ptOutput)->SetAsInteger(1000);
    add(ftString, "n", ptInputOutput);
    TDAParam* cursor = add(ftCursor, "c", ptResult);
    cursor->SetAsString("x");
    cursor->SetDataType(ftCursor);
    TDAParam* blob = add(ftBlob, "b", ptUnknown);
    blob->SetAsBlob(TBytes{1, 2, 3});
    TDAParam* unnamed = add(ftInteger, "u", ptInput); // a type code without a name
    unnamed->SetAsInteger(7);
    unnamed->SetDataType(static_cast<TFieldType>(45));
    EXPECT_EQ(":s(String[3],IN)='abc' \r\n"
              ":i(Integer,OUT)=1000 \r\n"
              ":n(String[0],IN/OUT)=<NULL> \r\n"
              ":c(Cursor,RESULT)=<CURSOR> \r\n"
              ":b(Blob)=<BLOB:3> \r\n"
              ":u(IN)=7 \r\n",
              monitor.GetParamsText(&params));
    monitor.SetActive(false);
    DBMonitorClientFinalize();
}

TEST(SQLMonitorInstance, FirstMonitorReceivesNotificationsUntilItGoes) {
    auto* first = new TUniSQLMonitor(nullptr);
    auto second = std::make_unique<TUniSQLMonitor>(nullptr);
    EXPECT_EQ(first, TUniSQLMonitor::Instance());
    EXPECT_TRUE(first->Active());
    EXPECT_EQ(DefaultMonitorOptions, first->Options());
    EXPECT_EQ(1643, first->TraceFlags);
    EXPECT_EQ(1000, first->DBMonitorOptions()->Port);
    delete first;
    EXPECT_FALSE(TUniSQLMonitor::HasMonitor());
    second.reset();
    DBMonitorClientFinalize();
}

TEST(SQLMonitorToClient, TracesReachTheMonitorAsStartAndEndEvents) {
    TMonitorDecoder decoder;
    {
        TComponent connection(nullptr);
        connection.SetName("Conn");
        // As a stored form makes it: activated once its properties are read.
        TComponent form(nullptr);
        form.BeginLoading();
        auto* stored = new TUniSQLMonitor(&form);
        TUniSQLMonitor& monitor = *stored;
        monitor.BeginLoading();
        EXPECT_FALSE(monitor.Active());
        monitor.DBMonitorOptions()->Host = "127.0.0.1";
        monitor.DBMonitorOptions()->Port = decoder.Port();
        monitor.SetOptions(MonitorOption(moDBMonitor));
        monitor.Loaded();
        form.Loaded();
        EXPECT_TRUE(monitor.Active());
        int32_t id = 0;
        monitor.InternalDBConnect(&connection, "u", "srv", id, true);
        monitor.InternalDBConnect(&connection, "u", "srv", id, false);
        TDAParams params;
        auto* p = static_cast<TDAParam*>(params.CreateParam(ftString, "p", ptInput));
        p->SetAsString("中文");
        int32_t exec = 0;
        monitor.InternalSQLExecute(&connection, "select '中'", &params, "", 0, exec, true);
        monitor.InternalSQLExecute(&connection, "select '中'", &params, "", 1, exec, false);
        EXPECT_NE(id, exec);
    }
    // startup; connect start, end; execute start, end; finished; closed (probes between)
    auto got = decoder.WaitForClose();
    std::vector<TDecodedMessage> events;
    for (auto& m : got)
        if (m.Type == 4 || m.Type == 5) events.push_back(m);
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ(2, events[0].Ints[1]); // connect
    EXPECT_EQ("Connect: u@srv", events[0].Texts[0]);
    EXPECT_EQ("Conn", events[0].Texts[1]); // object name
    EXPECT_EQ("TComponent", events[0].Texts[2]);
    EXPECT_EQ("Username=u\r\nServer=srv", events[0].Texts[5]);
    EXPECT_EQ(events[0].Ints[2], events[1].Ints[2]); // same id at the end
    EXPECT_EQ(10, events[2].Ints[1]);                // execute
    EXPECT_EQ("select '\xE4\xB8\xAD'", events[2].Texts[5]);
    ASSERT_EQ(10u, events[2].Texts.size());
    EXPECT_EQ("p", events[2].Texts[6]);
    EXPECT_EQ("String[4]", events[2].Texts[7]);
    EXPECT_EQ("IN", events[2].Texts[8]);
    EXPECT_EQ("'\xE4\xB8\xAD\xE6\x96\x87'", events[2].Texts[9]);
    EXPECT_EQ(events[2].Ints[2], events[3].Ints[2]);
    EXPECT_EQ(1, events[3].Ints.back()); // rows affected
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(1, got[got.size() - 2].Type); // finished when the monitor went, then the link closed
    EXPECT_EQ(0, got.back().Type);
    DBMonitorClientFinalize();
}

namespace {
// Stands in for the external SQL-monitor program, registered in this process under its class.
class TMonitorProgram : public ISQLMonitorClient, public IClassFactory {
public:
    LONG ClientId = 0;
    AnsiString ClientName;
    TSQLMonitorTraceFlagsCallback SetFlags = nullptr;
    std::vector<std::pair<AnsiString, LONG>> Events;
    LONG Refs = 0;

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ISQLMonitorClient)
            *object = static_cast<ISQLMonitorClient*>(this);
        else if (iid == IID_IClassFactory)
            *object = static_cast<IClassFactory*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG __stdcall AddRef() override { return ++Refs; }
    ULONG __stdcall Release() override { return --Refs; }
    HRESULT __stdcall CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        return QueryInterface(iid, object);
    }
    HRESULT __stdcall LockServer(BOOL) override { return S_OK; }
    HRESULT __stdcall RegisterClient(LONG id, LPCSTR name, LONG,
                                     TSQLMonitorTraceFlagsCallback setFlags) override {
        ClientId = id;
        ClientName = name;
        SetFlags = setFlags;
        return S_OK;
    }
    HRESULT __stdcall SQLEvent(LPCSTR text, LONG length) override {
        Events.push_back({AnsiString(text), length});
        return S_OK;
    }
};
} // namespace

TEST(SQLMonitorProgram, TracesReachTheRegisteredProgram) {
    CoInitialize(nullptr);
    TMonitorProgram program;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_SQLMonitor, static_cast<IClassFactory*>(&program),
                                          CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
    {
        TComponent connection(nullptr);
        TUniSQLMonitor monitor(nullptr);
        monitor.SetActive(false);
        monitor.SetOptions(MonitorOption(moSQLMonitor) | MonitorOption(moCustom));
        monitor.SetActive(true);
        EXPECT_TRUE(monitor.Registered());
        EXPECT_EQ(static_cast<LONG>(reinterpret_cast<uintptr_t>(&monitor)), program.ClientId);
        EXPECT_EQ("", program.ClientName); // no host application name hook
        int32_t id = 0;
        monitor.InternalDBConnect(&connection, "u", "srv", id, true);
        monitor.InternalDBConnect(&connection, "u", "srv", id, false);
        TDAParams params;
        static_cast<TDAParam*>(params.CreateParam(ftInteger, "p", ptInput))->SetAsInteger(5);
        monitor.InternalSQLPrepare(&connection, "select :p", &params, id, true);
        monitor.InternalSQLPrepare(&connection, "select :p", &params, id, false);
        monitor.InternalSQLUnprepare(&connection, "select :p", nullptr, id, true);
        monitor.InternalSQLUnprepare(&connection, "select :p", nullptr, id, false);
        monitor.InternalSQLExecute(&connection, "select 1", nullptr, "Exec", 0, id, true);
        std::vector<std::pair<AnsiString, LONG>> want = {
            {"Connect: u@srv", 14},
            {"SQL Prepare: select :p\r\n:p(Integer,IN)=5", 40},
            {"SQL Unprepare: select :p", 24},
            {"SQL Unprepare: select :p", 24},
            {"SQL Execute [Exec]: select 1", 28},
        };
        EXPECT_EQ(want, program.Events);
        ASSERT_NE(nullptr, program.SetFlags);
        program.SetFlags(program.ClientId, TraceFlag(tfConnect));
        EXPECT_EQ(TraceFlag(tfConnect), monitor.TraceFlags);
        monitor.SetActive(false);
        EXPECT_FALSE(monitor.Registered());
    }
    CoRevokeClassObject(cookie);
    EXPECT_EQ(0, program.Refs);
    CoUninitialize();
}

TEST(SQLMonitorProgram, MissingProgramIsNoError) {
    TUniSQLMonitor monitor(nullptr);
    monitor.SetActive(false);
    monitor.SetOptions(MonitorOption(moSQLMonitor));
    monitor.SetActive(true);
    EXPECT_FALSE(monitor.Registered());
    int32_t id = 0;
    TComponent connection(nullptr);
    monitor.InternalDBConnect(&connection, "u", "srv", id, true);
}

namespace {
class TTracedConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TTracedConnection, TCustomDAConnection)
    TTracedConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }

protected:
    TClass GetInternalConnectionClass() override { return TTestConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TTestCommand::StaticClass(); }
};
} // namespace

TEST(SQLMonitorObjects, StatementsNameTheirConnection) {
    TTracedConnection connection;
    connection.SetName("Conn");
    TCustomDASQL sql(nullptr);
    sql.SetName("Q");
    sql.SetConnection(&connection);
    TUniSQLMonitor monitor(nullptr);
    monitor.SetOptions(MonitorOption(moCustom) | MonitorOption(moHandled));
    EXPECT_EQ(1, monitor.GetObjectType(&connection));
    EXPECT_EQ(3, monitor.GetObjectType(&sql));
    EXPECT_EQ(&connection, monitor.GetParent(&sql));
    auto hex = [](const void* p) {
        return Format("%.8X", {static_cast<int64_t>(reinterpret_cast<uintptr_t>(p))});
    };
    EXPECT_EQ(" [Q$" + hex(&sql) + "; Conn$" + hex(&connection) + "] ", monitor.ObjectInfo(&sql));
    monitor.SetActive(false);
    DBMonitorClientFinalize();
}
