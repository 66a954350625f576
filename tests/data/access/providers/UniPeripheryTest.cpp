// The unified components with what stands around them: the SQL monitor they notify, the connect
// dialog a login prompt shows, and dumps read through real queries and run back as scripts. SQLite
// through the ODBC provider, and the private PostgreSQL server.
#include <windows.h>

#include <functional>
#include <thread>

#include "OdbcTestSupport.h"
#include "UniTestSupport.h"
#include "data/access/CRVioTcp.h"
#include "data/access/ConnectDialog.h"
#include "data/access/ConnectDialogWindow.h"
#include "data/access/ConnectWindowDriver.h"
#include "data/access/DADump.h"
#include "data/access/DAScript.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/MonitorDecoder.h"
#include "data/access/UniQuery.h"
#include "data/access/providers/ODBCConnectionPool.h"
#include "data/access/providers/ODBCDumpProcessor.h"
#include "data/access/providers/ODBCScriptProcessor.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "platform/db/Fields.h"
#include "support/PostgresServer.h"

namespace {

[[maybe_unused]] testing::Environment* const kPeripheryUnits = testing::AddGlobalTestEnvironment(
    new DataAccessUnitsEnvironment({"CRVioTcp", "DBAccess", "UniProvider", "ODBCUniProvider"}));

void RunSQL(TUniConnection& connection, const char* sql) {
    TUniSQL statement(nullptr);
    statement.SetConnection(&connection);
    statement.SQL()->SetText(sql);
    statement.Execute();
}

// A fresh SQLite file per test, reached through the ODBC provider.
class UniSQLite : public testing::Test {
protected:
    TUniConnection connection;
    std::string file;
    void SetUp() override {
        std::string dir = BuildFolderUnix("uni-periphery-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        file = dir + "/" + testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
               std::to_string(GetCurrentProcessId()) + ".db";
        DeleteFileA(("Z:" + file).c_str());
        connection.SetProviderName("ODBC");
        connection.LoginPrompt = false;
        connection.SetServer(Server());
    }
    void TearDown() override {
        connection.Disconnect();
        DeleteFileA(("Z:" + file).c_str());
        // A monitor started the process-wide client; the next test starts afresh.
        DBMonitorClientFinalize();
    }
    AnsiString Server() const { return ("DRIVER={SQLite3};Database=" + file).c_str(); }
};

struct TTrace {
    TObject* Sender;
    AnsiString Text;
    TDATraceFlag Flag;
    bool operator==(const TTrace& other) const {
        return Sender == other.Sender && Text == other.Text && Flag == other.Flag;
    }
};

std::ostream& operator<<(std::ostream& out, const TTrace& trace) {
    return out << "{" << trace.Sender << ", \"" << trace.Text << "\", " << trace.Flag << "}";
}

} // namespace

// ---- SQL monitor notifications -------------------------------------------------------------------

TEST_F(UniSQLite, ComponentsNotifyTheMonitorOfTheirWork) {
    TUniSQLMonitor monitor(nullptr);
    monitor.SetOptions(MonitorOption(moCustom));
    monitor.TraceFlags = 0xFFFF;
    std::vector<TTrace> traces;
    monitor.OnSQL = [&](TObject* sender, const AnsiString& text, TDATraceFlag flag) {
        traces.push_back({sender, text, flag});
    };
    const AnsiString login = "@" + Server();

    connection.Connect();
    auto statement = std::make_unique<TUniSQL>(nullptr);
    TUniSQL* sql = statement.get();
    sql->SetName("Stmt");
    sql->SetConnection(&connection);
    sql->SQL()->SetText("CREATE TABLE t (i INTEGER, s VARCHAR(20))");
    sql->Execute();
    TDATransaction* transaction = connection.DefaultTransaction();
    connection.StartTransaction();
    sql->SQL()->SetText("INSERT INTO t VALUES (:i, :s)");
    sql->ParamByName("i")->SetAsInteger(1);
    sql->ParamByName("s")->SetAsString("中文");
    sql->Execute();
    connection.Commit();
    connection.StartTransaction();
    connection.Savepoint("a");
    connection.RollbackToSavepoint("a");
    connection.ReleaseSavepoint("a");
    connection.Rollback();
    TUniQuery query(nullptr);
    query.SetConnection(&connection);
    query.SQL()->SetText("SELECT s FROM t WHERE i = :i");
    query.ParamByName("i")->SetAsInteger(1);
    query.Open();
    EXPECT_EQ("中文", query.Fields()[0]->GetAsString());
    query.Refresh();
    query.Close();
    sql->SQL()->SetText("SELECT 1");
    sql->Prepare();
    sql->Unprepare();
    sql->SQL()->SetText("SELECT * FROM missing");
    AnsiString error = MessageOf([&] { sql->Execute(); });
    statement.reset();
    connection.Disconnect();

    const std::vector<TTrace> want = {
        {&connection, "Connect: " + login, tfConnect},
        {sql, "CREATE TABLE t (i INTEGER, s VARCHAR(20))", tfQExecute},
        {transaction, "Start: ", tfTransact},
        {sql, "INSERT INTO t VALUES (:i, :s)\r\n:i(Integer)=1 \r\n:s(String[4])='中文'", tfQExecute},
        {transaction, "Commit: ", tfTransact},
        {transaction, "Start: ", tfTransact},
        // The savepoint traces come before and after.
        {transaction, "Savepoint a ", tfTransact},
        {transaction, "Savepoint a ", tfTransact},
        {transaction, "Rollback to savepoint a ", tfTransact},
        {transaction, "Rollback to savepoint a ", tfTransact},
        {transaction, "Release savepoint a ", tfTransact},
        {transaction, "Release savepoint a ", tfTransact},
        {transaction, "Rollback: ", tfTransact},
        {&query, "SELECT s FROM t WHERE i = :i\r\n:i(Integer)=1", tfQExecute},
        {&query, "SELECT s FROM t WHERE i = :i\r\n:i(Integer)=1", tfQExecute}, // the refresh
        {sql, "Prepare: SELECT 1", tfQPrepare},
        {sql, "Unprepare: SELECT 1", tfQPrepare},
        {sql, "SELECT * FROM missing", tfQExecute},
        {nullptr, "Error: " + error, tfError},
        {sql, "Object destroyed: Stmt", tfObjDestroy},
        {&connection, "Disconnect: " + login, tfConnect},
    };
    EXPECT_EQ(want, traces);
}

TEST(UniMonitorObjects, EachComponentTellsTheMonitorItIsGone) {
    TUniSQLMonitor monitor(nullptr);
    monitor.SetOptions(MonitorOption(moCustom));
    monitor.TraceFlags = TraceFlag(tfObjDestroy);
    std::vector<AnsiString> traces;
    monitor.OnSQL = [&](TObject*, const AnsiString& text, TDATraceFlag) { traces.push_back(text); };
    {
        TUniConnection connection;
        connection.SetName("Conn");
        auto transaction = std::make_unique<TUniTransaction>(nullptr);
        transaction->SetName("Tran");
        transaction->SetDefaultConnection(&connection);
        auto query = std::make_unique<TUniQuery>(nullptr);
        query->SetName("Query");
        query->SetConnection(&connection);
        auto sql = std::make_unique<TUniSQL>(nullptr);
        sql->SetConnection(&connection);
        query.reset();
        sql.reset();
        transaction.reset();
    }
    // Objects without a name are named by their class and address: the statement, and the
    // transaction the connection keeps for statements.
    ASSERT_EQ(5u, traces.size());
    EXPECT_EQ("Object destroyed: Query", traces[0]);
    EXPECT_EQ(0u, traces[1].find("Object destroyed: TUniSQL ($")) << traces[1];
    EXPECT_EQ("Object destroyed: Tran", traces[2]);
    EXPECT_EQ(0u, traces[3].find("Object destroyed: TUniTransaction ($")) << traces[3];
    EXPECT_EQ("Object destroyed: Conn", traces[4]);
    DBMonitorClientFinalize();
}

TEST(UniMonitorObjects, PoolsAreTracedAsPoolsOfTheirManager) {
    TUniSQLMonitor monitor(nullptr);
    monitor.SetOptions(MonitorOption(moCustom) | MonitorOption(moHandled));
    monitor.TraceFlags = TraceFlag(tfPool);
    std::vector<AnsiString> traces;
    monitor.OnSQL = [&](TObject*, const AnsiString& text, TDATraceFlag) { traces.push_back(text); };
    TODBCConnectionPoolManager manager;
    TODBCConnectionParameters parameters;
    auto pool = manager.CreatePool(parameters);
    EXPECT_EQ(5, monitor.GetObjectType(pool.get()));
    EXPECT_EQ(5, monitor.GetObjectType(&manager));
    EXPECT_EQ(&manager, monitor.GetParent(pool.get()));
    TCustomDASQLMonitor::PoolNotify(TUniSQLMonitor::StaticClass(), pool.get(), "Connection taken from pool",
                                    true, 2, "");
    ASSERT_EQ(1u, traces.size());
    EXPECT_EQ("Connection taken from pool. Pool has 2 connection(s) [$" +
                  Format("%.8X", {static_cast<int64_t>(reinterpret_cast<uintptr_t>(pool.get()))}) + "] ",
              traces[0]);
    DBMonitorClientFinalize();
}

TEST_F(UniSQLite, PooledConnectionsTellTheMonitorWhatThePoolDoes) {
    TUniSQLMonitor monitor(nullptr);
    monitor.SetOptions(MonitorOption(moCustom));
    monitor.TraceFlags = TraceFlag(tfPool);
    std::vector<AnsiString> traces;
    monitor.OnSQL = [&](TObject* sender, const AnsiString& text, TDATraceFlag) {
        EXPECT_NE(nullptr, dynamic_cast<TCRConnectionPool*>(sender)) << text;
        traces.push_back(text);
    };
    connection.SetPooling(true);
    connection.Connect();
    connection.Disconnect();
    connection.Connect();
    connection.Disconnect();
    const std::vector<AnsiString> want = {
        "Connection pool created",     "Connection created in pool", "Connection taken from pool",
        "Connection returned to pool", "Connection taken from pool", "Connection returned to pool",
    };
    EXPECT_EQ(want, traces);
}

TEST_F(UniSQLite, DebugDialogHearsStatementsByTheMonitorsRule) {
    struct Case {
        const char* name;
        bool monitor;
        TMonitorOptions options;
        bool debug;
        bool heard;
    } cases[] = {
        {"no monitor", false, 0, false, false},
        {"no monitor, Debug", false, 0, true, true},
        {"custom monitor", true, MonitorOption(moDialog) | MonitorOption(moCustom), false, false},
        {"custom monitor, Debug", true, MonitorOption(moDialog) | MonitorOption(moCustom), true, true},
        {"monitor without custom output", true, MonitorOption(moDialog), false, true},
        {"monitor without the dialog, Debug", true, MonitorOption(moCustom), true, false},
    };
    std::vector<AnsiString> heard;
    SetDebugDialogHook([&](TObject*, const AnsiString& sql, const AnsiString& operation, TDAParams*) {
        heard.push_back(operation + ": " + sql);
    });
    connection.Connect();
    for (const Case& c : cases) {
        heard.clear();
        std::unique_ptr<TUniSQLMonitor> monitor;
        if (c.monitor) {
            monitor = std::make_unique<TUniSQLMonitor>(nullptr);
            monitor->SetOptions(c.options);
        }
        TUniSQL sql(nullptr);
        sql.SetConnection(&connection);
        sql.Debug = c.debug;
        sql.SQL()->SetText("SELECT 1");
        sql.Prepare();
        sql.Execute();
        std::vector<AnsiString> want;
        if (c.heard) want = {"Prepare: SELECT 1", "Execute: SELECT 1"};
        EXPECT_EQ(want, heard) << c.name;
    }
    // A dataset's open is its execution.
    heard.clear();
    TUniQuery query(nullptr);
    query.SetConnection(&connection);
    query.Debug = true;
    query.SQL()->SetText("SELECT 2");
    query.Open();
    EXPECT_EQ(std::vector<AnsiString>{"Execute: SELECT 2"}, heard);
    SetDebugDialogHook(nullptr);
}

TEST_F(UniSQLite, MonitorProgramSeesTheConnectionAndItsStatementEndToEnd) {
    TMonitorDecoder decoder;
    {
        // As a stored form makes it: its settings read before it activates.
        TComponent form(nullptr);
        form.BeginLoading();
        auto* monitor = new TUniSQLMonitor(&form);
        monitor->BeginLoading();
        monitor->DBMonitorOptions()->Host = "127.0.0.1";
        monitor->DBMonitorOptions()->Port = decoder.Port();
        monitor->SetOptions(MonitorOption(moDBMonitor));
        monitor->Loaded();
        form.Loaded();
        ASSERT_TRUE(monitor->Active());
        connection.SetName("Conn");
        connection.Connect();
        TUniQuery query(nullptr);
        query.SetName("Query");
        query.SetConnection(&connection);
        query.SQL()->SetText("SELECT :p AS v, '中' AS w");
        query.ParamByName("p")->SetAsString("中文");
        query.Open();
        EXPECT_EQ("中文", query.Fields()[0]->GetAsString());
        query.Close();
    }
    auto got = decoder.WaitForClose();
    std::vector<TDecodedMessage> starts, ends;
    for (auto& m : got) {
        if (m.Type == 4) starts.push_back(m);
        if (m.Type == 5) ends.push_back(m);
    }
    ASSERT_GE(starts.size(), 2u);
    ASSERT_EQ(starts.size(), ends.size());
    // Each start and its end share an id; ids differ between events.
    for (size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(starts[i].Ints[2], ends[i].Ints[2]) << i;
    EXPECT_NE(starts[0].Ints[2], starts[1].Ints[2]);
    const TDecodedMessage& connect = starts[0];
    EXPECT_EQ(2, connect.Ints[1]);
    EXPECT_EQ("Conn", connect.Texts[1]);
    EXPECT_EQ("TUniConnection", connect.Texts[2]);
    const TDecodedMessage& open = starts[1];
    EXPECT_EQ(10, open.Ints[1]);
    EXPECT_EQ("Query", open.Texts[1]);
    EXPECT_EQ("TUniQuery", open.Texts[2]);
    EXPECT_EQ("Conn", open.Texts[3]) << "the query's parent is its connection";
    EXPECT_EQ("SELECT :p AS v, '\xE4\xB8\xAD' AS w", open.Texts[5]);
    ASSERT_EQ(10u, open.Texts.size());
    EXPECT_EQ("p", open.Texts[6]);
    EXPECT_EQ("'\xE4\xB8\xAD\xE6\x96\x87'", open.Texts[9]) << "the Chinese value arrives as UTF-8";
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(1, got[got.size() - 2].Type) << "finished when the monitor went";
    EXPECT_EQ(0, got.back().Type);
}

// ---- the connect dialog ----------------------------------------------------------------------------

namespace {
// Keeps its registry under a test key, removed afterwards.
class TPromptDialog : public TCustomConnectDialog {
public:
    VZ_CLASS(TPromptDialog, TCustomConnectDialog)
    using TCustomConnectDialog::TCustomConnectDialog;
    static AnsiString Root() { return "Software\\vz-periphery-" + IntToStr(GetCurrentProcessId()); }
    AnsiString KeyRoot() override { return Root() + "\\Vendrol\\Uni\\"; }
};

class UniLoginPrompt : public UniSQLite {
protected:
    // The dialogs shown (a created one is gone afterwards), their connections and the password
    // each showed.
    std::vector<TCustomConnectDialog*> shown;
    std::vector<TCustomDAConnection*> connections;
    std::vector<AnsiString> passwords;
    // What the user does in the dialog: the server typed in, or nothing when cancelled.
    std::function<bool(TCustomConnectDialog*)> user;
    void SetUp() override {
        UniSQLite::SetUp();
        connection.LoginPrompt = true;
        connection.SetUsername("me");
        connection.SetPassword("secret");
        SetConnectDialogClassHook([] { return TPromptDialog::StaticClass(); });
        SetConnectDialogHook([this](TCustomConnectDialog* dialog) {
            shown.push_back(dialog);
            connections.push_back(dialog->Connection());
            passwords.push_back(dialog->Connection()->Password());
            return user(dialog);
        });
    }
    void TearDown() override {
        SetConnectDialogHook(nullptr);
        SetConnectDialogClassHook(nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, TPromptDialog::Root().c_str());
        UniSQLite::TearDown();
    }
};
} // namespace

TEST_F(UniLoginPrompt, ConfirmedDialogConnectsAndRemembersTheServer) {
    connection.SetServer("");
    user = [this](TCustomConnectDialog* dialog) {
        dialog->Connection()->SetServer(Server());
        return true;
    };
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(1, connection.ConnectCount());
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(&connection, connections[0]);
    EXPECT_EQ("", passwords[0]) << "the password is not shown";
    TPromptDialog reader(nullptr);
    TStringList history;
    reader.LoadServerHistory(&history);
    ASSERT_EQ(1, history.Count());
    EXPECT_EQ(Server(), history[0]);
}

TEST_F(UniLoginPrompt, CancelledOrFailingLoginLeavesTheConnectionClosed) {
    struct Case {
        const char* name;
        const char* server; // typed in the dialog; nullptr cancels
        bool aborts;        // silently, else the driver's error
    } cases[] = {
        {"cancel", nullptr, true},
        {"no such driver", "DRIVER={vz no such driver}", false},
    };
    for (const Case& c : cases) {
        shown.clear();
        user = [&](TCustomConnectDialog* dialog) {
            if (!c.server) return false;
            dialog->Connection()->SetServer(c.server);
            return true;
        };
        if (c.aborts)
            EXPECT_THROW(connection.Connect(), EAbort) << c.name;
        else
            EXPECT_NE("<no error>", MessageOf([&] { connection.Connect(); })) << c.name;
        EXPECT_FALSE(connection.Connected()) << c.name;
        EXPECT_EQ(0, connection.ConnectCount()) << c.name;
        EXPECT_EQ(1u, shown.size()) << c.name;
        if (c.aborts) {
            // A cancel puts the login back.
            EXPECT_EQ("secret", connection.Password());
            EXPECT_EQ("me", connection.Username());
            EXPECT_EQ(Server(), connection.Server());
        }
    }
}

TEST_F(UniLoginPrompt, AssignedDialogIsUsedAndWithoutADialogClassNoneIsShown) {
    TPromptDialog assigned(nullptr);
    connection.SetConnectDialog(&assigned);
    EXPECT_EQ(&connection, assigned.Connection());
    user = [](TCustomConnectDialog*) { return true; };
    connection.Connect();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(&assigned, shown[0]);
    connection.Disconnect();
    // Assigning a connection hands its dialog over.
    TUniConnection other;
    other.Assign(&connection);
    EXPECT_EQ(&assigned, other.ConnectDialog());
    EXPECT_EQ(&other, assigned.Connection());
    other.SetConnectDialog(nullptr);
    EXPECT_EQ(nullptr, assigned.Connection());
    EXPECT_EQ(&assigned, connection.ConnectDialog());
    connection.SetConnectDialog(nullptr);

    // As in the system: no class named, so the login prompt opens the connection directly.
    SetConnectDialogClassHook(nullptr);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(1u, shown.size());
}

TEST_F(UniLoginPrompt, LoginTypedIntoTheWindowOpensTheConnection) {
    TPromptDialog history(nullptr);
    history.SetConnection(&connection);
    connection.SetServer("DRIVER={vz no such driver}");
    history.SaveServerHistory();
    connection.SetServer(Server());
    history.SaveServerHistory();
    history.SetConnection(nullptr);
    connection.SetServer("");
    SetConnectDialogHook(ShowConnectDialogWindow);
    const DWORD mainThread = GetCurrentThreadId();
    const WideString server = AnsiToWide(Server());
    std::thread user([&] {
        HWND window = WaitForConnectWindow(L"Connect");
        if (!window) PostThreadMessageW(mainThread, WM_QUIT, 0, 0); // ends the window's loop
        ASSERT_NE(nullptr, window);
        SendMessageW(GetDlgItem(window, idConnectUsername), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"bob"));
        SendMessageW(GetDlgItem(window, idConnectServer), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(server.c_str()));
        ClickConnectWindowButton(window, IDOK);
        CloseIfStillOpen(window);
    });
    EXPECT_NO_THROW(connection.Connect());
    user.join();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ("bob", connection.Username());
    EXPECT_EQ(Server(), connection.Server());
}

// ---- dumps through real queries --------------------------------------------------------------------

namespace {
// A dump component over a connection.
class TConnectionDump : public TDADumpOwner {
public:
    explicit TConnectionDump(TCustomDAConnection* connection) : connection_(connection) {}
    TCustomDAConnection* Connection() override { return connection_; }

private:
    TCustomDAConnection* connection_;
};

// Runs each statement through a unified SQL component; errors raise.
class TUniScript : public TDAScriptOwner, public IDAScriptExecutor {
public:
    explicit TUniScript(TUniConnection* connection) : sql_(nullptr) {
        sql_.SetConnection(connection);
        OnError = [](TDAScriptOwner*, Exception&, const AnsiString&, int& action) { action = 1; };
    }
    IDAScriptExecutor* Executor() override { return this; }
    void SetSQL(const AnsiString& text) override { sql_.SQL()->SetText(text); }
    TDAParams* Params() override { return sql_.Params(); }
    void Execute() override { sql_.Execute(); }
    bool Debug() const override { return sql_.Debug; }
    void SetDebug(bool value) override { sql_.Debug = value; }

private:
    TUniSQL sql_;
};

std::unique_ptr<TDADumpProcessor> ProviderDump(TUniConnection& connection, TDADumpOwner* owner) {
    return TDADumpProcessor::CreateOf(connection.CheckProvider()->GetDumpProcessorClass(), owner);
}

// Dumps, runs the dump back as a script (its DELETE empties the table first) and answers the rows
// before and after.
std::pair<std::vector<std::vector<std::string>>, std::vector<std::vector<std::string>>>
DumpAndRestore(TUniConnection& connection, TConnectionDump& dump, const std::string& select) {
    auto& internal = *static_cast<TODBCConnection*>(connection.InternalConnection());
    auto before = QueryRows(internal, select);
    auto processor = ProviderDump(connection, &dump);
    processor->Backup("");
    TUniScript script(&connection);
    script.SQL.Assign(&dump.Lines);
    TODBCScriptProcessor run(&script);
    run.ExecuteAll();
    return {before, QueryRows(internal, select)};
}

// Rows whose values a dump must give back exactly; sum and third are the dialect's double
// arithmetic, bytes the binary column's value (none without one).
void InsertRows(TUniConnection& connection, const std::string& sum, const std::string& third,
                const std::string& bytes, const std::string& table = "vz_dump") {
    const std::string b = bytes.empty() ? "" : ", " + bytes;
    const std::string rows[] = {
        "(1, 'it''s 中文', " + sum + ", '2024-01-02 03:04:05.678'" + b + ")",
        "(2, 'x', " + third + ", '2024-01-02 03:04:05'" + b + ")",
        "(3, 'y', 1e300, '1999-12-31 23:59:59.001'" + b + ")",
        "(NULL, NULL, NULL, NULL" + std::string(bytes.empty() ? "" : ", NULL") + ")",
    };
    for (const std::string& row : rows)
        RunSQL(connection, ("INSERT INTO " + table + " VALUES " + row).c_str());
}
} // namespace

TEST_F(UniSQLite, DumpOfEveryTableRunsBackToTheSameValues) {
    connection.Connect();
    // The driver hands out doubles to 15 digits (and a BLOB column as fixed bytes of 255): the
    // values compared are those it reports, and the exact numbers are checked on PostgreSQL.
    RunSQL(connection,
           "CREATE TABLE vz_dump (i INTEGER, s VARCHAR(20), f DOUBLE, d TIMESTAMP, b VARBINARY(10))");
    InsertRows(connection, "0.1 + 0.2", "1.0 / 3", "X'00FF'");
    TConnectionDump dump(&connection);
    dump.AddDelete = true;
    std::vector<int> progress;
    dump.OnProgress = [&](TDADumpOwner*, const AnsiString& table, int percent, int tableCount,
                          int tableNumber) {
        EXPECT_EQ("vz_dump", table);
        EXPECT_EQ(1, tableCount);
        EXPECT_EQ(1, tableNumber);
        progress.push_back(percent);
    };
    auto [before, after] =
        DumpAndRestore(connection, dump, "SELECT i, s, f, d, hex(b) FROM vz_dump ORDER BY i");
    EXPECT_EQ((std::vector<int>{25, 50, 75, 100}), progress);
    EXPECT_EQ(before, after) << dump.Lines.Text();
    ASSERT_EQ(4u, after.size());
    EXPECT_EQ((std::vector<std::string>{"1", "it's 中文", "0.3", "2024-01-02 03:04:05.678", "00FF"}),
              after[1]);
    EXPECT_EQ((std::vector<std::string>{"3", "y", "1.0e+300", "1999-12-31 23:59:59.001", "00FF"}), after[3]);
    ASSERT_EQ(6, dump.Lines.Count());
    EXPECT_EQ("", dump.Lines[0]);
    EXPECT_EQ("DELETE FROM vz_dump;", dump.Lines[1]);
    EXPECT_EQ("INSERT INTO vz_dump VALUES (NULL, NULL, NULL, NULL, NULL);", dump.Lines[5]);
}

TEST_F(UniSQLite, QueryDumpNamesItsFieldsAndChecksItsTables) {
    connection.Connect();
    RunSQL(connection, "CREATE TABLE vz_dump (i INTEGER, s VARCHAR(20), f DOUBLE, d TIMESTAMP, b BLOB)");
    RunSQL(connection, "CREATE TABLE vz_other (i INTEGER)");
    InsertRows(connection, "0.1 + 0.2", "1.0 / 3", "NULL");
    TConnectionDump dump(&connection);
    auto processor = ProviderDump(connection, &dump);
    processor->Backup("SELECT i, s FROM vz_dump WHERE i = 1");
    ASSERT_EQ(2, dump.Lines.Count());
    EXPECT_EQ("INSERT INTO vz_dump(i, s) VALUES (1, 'it''s 中文');", dump.Lines[1]);

    EXPECT_EQ("Query must contain one table",
              MessageOf([&] { processor->Backup("SELECT * FROM vz_dump, vz_other"); }));
    dump.Lines.Clear();
    dump.Lines.Add("kept");
    dump.TableNames.Add("vz_dump");
    dump.TableNames.Add("vz_other");
    EXPECT_EQ("To execute BackupQuery TableNames must have not more than one table",
              MessageOf([&] { processor->Backup("SELECT * FROM vz_dump"); }));
    EXPECT_EQ(1, dump.Lines.Count()) << "nothing was written";

    // A dump without a connection has nothing to read.
    TDADumpOwner unbound;
    auto none = ProviderDump(connection, &unbound);
    EXPECT_EQ("Connection is not defined", MessageOf([&] { none->Backup(""); }));

    // The provider's queries only read, forward.
    auto query = processor->NewQuery();
    EXPECT_TRUE(query->ReadOnly());
    EXPECT_TRUE(query->UniDirectional());
    EXPECT_FALSE(query->Options()->ExtendedFieldsInfo());
}

namespace {
// The private server's connection, with a dump table of this process's own.
class UniPostgresDump : public UniPostgres {
protected:
    std::string dumpTable = "vz_dump_" + std::to_string(GetCurrentProcessId());
    void TearDown() override {
        if (connection.Connected()) RunSQL(connection, ("DROP TABLE IF EXISTS " + dumpTable).c_str());
        UniPostgres::TearDown();
    }
};
} // namespace

TEST_F(UniPostgresDump, NumbersTextsAndTimestampsRunBack) {
    RunSQL(connection, ("DROP TABLE IF EXISTS " + dumpTable).c_str());
    // Bytes stay out: the server reads X'..' as a bit string and refuses the line.
    RunSQL(connection,
           ("CREATE TABLE " + dumpTable + " (i INTEGER, s VARCHAR(20), f FLOAT8, d TIMESTAMP(3))").c_str());
    InsertRows(connection, "0.1::float8 + 0.2::float8", "1::float8 / 3", "", dumpTable);
    TConnectionDump dump(&connection);
    dump.TableNames.Add(dumpTable.c_str());
    dump.AddDelete = true;
    auto [before, after] = DumpAndRestore(connection, dump,
                                          "SELECT i, s, f = 0.1::float8 + 0.2::float8, f = 1::float8 / 3, "
                                          "f = 1e300, to_char(d, 'YYYY-MM-DD HH24:MI:SS.MS') FROM " +
                                              dumpTable + " ORDER BY i NULLS FIRST");
    EXPECT_EQ(before, after);
    ASSERT_EQ(4u, after.size());
    EXPECT_EQ((std::vector<std::string>{"1", "it's 中文", "1", "0", "0", "2024-01-02 03:04:05.678"}),
              after[1]);
}
