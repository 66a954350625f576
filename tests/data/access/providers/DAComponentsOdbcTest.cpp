// The connection component and the SQL-text routines on real drivers: SQLite through the
// embedded driver and PostgreSQL, whose sessions an admin connection ends to test failover.
#include "OdbcDAConnection.h"
#include <windows.h>

#include <thread>
#include <tuple>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DASQL.h"
#include "data/access/DASQLText.h"
#include "data/access/DATransaction.h"
#include "data/access/DBAccessUtils.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "support/PostgresServer.h"

namespace {

// Stands in for the unified connection: its class factories name the ODBC provider.

std::string Joined(const std::vector<std::vector<std::string>>& rows) {
    std::string s;
    for (const auto& row : rows)
        s += (s.empty() ? "" : ",") + row[0];
    return s;
}

std::string SQLiteFile(const std::string& name) {
    std::string dir = BuildFolderUnix("da-components-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = dir + "/" + name + "-" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(("Z:" + file).c_str());
    return file;
}

void ConnectPostgres(TOdbcDAConnection& connection, const std::string& user = "",
                     const std::string& password = "") {
    const PostgresServer& server = PostgresServer::Get();
    connection.SetServer(server.ServerText());
    connection.SetUsername(user.empty() ? server.User : user);
    connection.SetPassword(user.empty() ? server.Password : password);
    connection.Connect();
}

// Each changed text run on the server: the rows it gives.
void CheckRoutinesOnServer(TOdbcDAConnection& connection) {
    Exec(connection.Internal(), "DROP TABLE IF EXISTS vz_text");
    Exec(connection.Internal(), "CREATE TABLE vz_text (a INTEGER)");
    Exec(connection.Internal(), "INSERT INTO vz_text VALUES (1)");
    Exec(connection.Internal(), "INSERT INTO vz_text VALUES (2)");
    Exec(connection.Internal(), "INSERT INTO vz_text VALUES (3)");
    struct Case {
        AnsiString sql;
        const char* rows;
    } cases[] = {
        {SqlAppendCondition("SELECT a FROM vz_text -- all", "a=1"), "1"},
        {SqlAppendCondition("SELECT a FROM vz_text WHERE a>1 -- more\r\nORDER BY a", "a<3"), "2"},
        {SqlAppendCondition("SELECT a FROM vz_text WHERE(a>1)ORDER BY a", "a<>2"), "3"},
        {SqlAppendCondition("SELECT a FROM vz_text WHERE a=1 OR a=3 ORDER BY a", "a>1"), "3"},
        {SqlRemoveWhereClause("SELECT a FROM vz_text WHERE (a=1)ORDER BY a"), "1,2,3"},
        {SqlReplaceOrderBy("SELECT a FROM vz_text ORDER BY a LIMIT 2", "a DESC"), "3,2"},
        {SqlReplaceOrderBy("SELECT a FROM vz_text WHERE a<3 LIMIT 1", "a DESC"), "2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Joined(QueryRows(connection.Internal(), c.sql)), c.rows) << c.sql;
}

} // namespace

TEST(DAComponentsSQLite, ChangedTextsGiveTheExpectedRows) {
    TOdbcDAConnection connection;
    connection.SetServer(("DRIVER={SQLite3};Database=" + SQLiteFile("text")).c_str());
    connection.Connect();
    CheckRoutinesOnServer(connection);
}

TEST(DAComponentsSQLite, DisconnectedModeClosesAfterTheLastUse) {
    TOdbcDAConnection connection;
    connection.SetServer(("DRIVER={SQLite3};Database=" + SQLiteFile("use")).c_str());
    connection.Options()->SetDisconnectedMode(true);
    connection.AcquireUse();
    connection.AcquireUse();
    Exec(connection.Internal(), "CREATE TABLE t (a INTEGER)");
    connection.ReleaseUse();
    EXPECT_TRUE(connection.Connected());
    connection.ReleaseUse();
    EXPECT_FALSE(connection.Connected());

    // A failed connect gives its use back.
    connection.SetServer("DRIVER={No Such Driver};Database=x");
    EXPECT_THROW(connection.AcquireUse(), EDAError);
    EXPECT_EQ(connection.ConnectCount(), 0);
    EXPECT_FALSE(connection.Connected());
}

TEST(DAComponentsPostgres, ChangedTextsGiveTheExpectedRows) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    CheckRoutinesOnServer(connection);
}

namespace {

// Local failover with a handler that asks for the statement again and counts its calls.
void ReexecuteOnLoss(TOdbcDAConnection& worker, int& lost) {
    worker.Options()->LocalFailover = true;
    worker.OnConnectionLost = [&lost](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
        ++lost;
        mode = rmReconnectExecute;
    };
}

class Failover : public testing::Test {
protected:
    void SetUp() override {
        const PostgresServer& server = PostgresServer::Get();
        ConnectPostgres(admin, server.AdminUser, server.AdminPassword);
    }
    void Kill(TOdbcDAConnection& worker) {
        std::string pid = QueryValue(worker.Internal(), "SELECT pg_backend_pid()");
        ASSERT_EQ("1", QueryValue(admin.Internal(),
                                  "SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END"));
        // The backend is gone once the server no longer lists it.
        for (int i = 0; i < 100; ++i) {
            if (QueryValue(admin.Internal(), "SELECT count(*) FROM pg_stat_activity WHERE pid = " + pid) ==
                "0")
                return;
            Sleep(20);
        }
    }
    // Runs sql through a statement component; answers how often the command ran. The connection's
    // use count is back where it was whatever the outcome.
    int Run(TOdbcDAConnection& worker, const std::string& sql) {
        const int count = worker.ConnectCount();
        int runs = 0;
        TCustomDASQL statement(nullptr);
        statement.SetConnection(&worker);
        statement.SQL()->SetText(sql.c_str());
        statement.AfterExecute = [&](TObject*, bool) { ++runs; };
        try {
            statement.Execute();
        } catch (...) {
            EXPECT_EQ(worker.Connected() ? count : 0, worker.ConnectCount());
            throw;
        }
        EXPECT_EQ(count, worker.ConnectCount());
        return runs;
    }
    TOdbcDAConnection admin;
};

} // namespace

TEST_F(Failover, WithoutLocalFailoverTheErrorComesOnceAndTheNextStatementRuns) {
    TOdbcDAConnection worker;
    ConnectPostgres(worker);
    std::string before = QueryValue(worker.Internal(), "SELECT pg_backend_pid()");
    Kill(worker);
    EXPECT_THROW(Run(worker, "SELECT 1"), EDAError);
    EXPECT_TRUE(worker.Connected());
    EXPECT_EQ(1, Run(worker, "SELECT 1"));
    EXPECT_NE(before, QueryValue(worker.Internal(), "SELECT pg_backend_pid()"));
}

TEST_F(Failover, LocalFailoverWithoutHandlerRaisesAndDisconnects) {
    TOdbcDAConnection worker;
    worker.Options()->LocalFailover = true;
    ConnectPostgres(worker);
    Kill(worker);
    EXPECT_THROW(Run(worker, "SELECT 1"), EDAError);
    EXPECT_FALSE(worker.Connected());
}

TEST_F(Failover, ReexecuteRunsTheStatementOnANewSessionIdleAndDuringIt) {
    for (bool during : {false, true}) {
        SCOPED_TRACE(during ? "during pg_sleep" : "idle");
        TOdbcDAConnection worker;
        int lost = 0;
        ReexecuteOnLoss(worker, lost);
        ConnectPostgres(worker);
        Exec(worker.Internal(), "DROP TABLE IF EXISTS vz_runs_" + std::to_string(during));
        Exec(worker.Internal(), "CREATE TABLE vz_runs_" + std::to_string(during) + " (v INTEGER)");
        std::string pid = QueryValue(worker.Internal(), "SELECT pg_backend_pid()");
        int runs = 0;
        if (!during) {
            Kill(worker);
            runs = Run(worker, "INSERT INTO vz_runs_0 VALUES (1)");
        } else {
            // The admin ends the session while the statement sleeps on the server.
            std::thread killer([&] {
                Sleep(500);
                QueryValue(admin.Internal(), "SELECT pg_terminate_backend(" + pid + ")");
            });
            runs = Run(worker, "INSERT INTO vz_runs_1 SELECT 1 FROM pg_sleep(2)");
            killer.join();
        }
        EXPECT_EQ(2, runs);
        EXPECT_EQ(1, lost);
        EXPECT_TRUE(worker.Connected());
        EXPECT_NE(pid, QueryValue(worker.Internal(), "SELECT pg_backend_pid()"));
        EXPECT_EQ("1",
                  QueryValue(worker.Internal(), "SELECT count(*) FROM vz_runs_" + std::to_string(during)));
    }
}

TEST_F(Failover, StatementInATransactionIsNotRunAgain) {
    TOdbcDAConnection worker;
    int lost = 0;
    ReexecuteOnLoss(worker, lost);
    ConnectPostgres(worker);
    Exec(worker.Internal(), "DROP TABLE IF EXISTS vz_lost_tx");
    Exec(worker.Internal(), "CREATE TABLE vz_lost_tx (v INTEGER)");
    TCRTransaction* transaction = worker.Internal().GetInternalTransaction();
    transaction->StartTransaction();
    Run(worker, "INSERT INTO vz_lost_tx VALUES (1)");
    Kill(worker);
    EXPECT_THROW(Run(worker, "INSERT INTO vz_lost_tx VALUES (2)"), EDAError);
    EXPECT_EQ(0, lost);
    EXPECT_FALSE(transaction->GetInTransaction());
    EXPECT_EQ("0", QueryValue(admin.Internal(), "SELECT count(*) FROM vz_lost_tx"));
}

TEST_F(Failover, StatementThatEndsItsOwnSessionStopsAfterTheBoundedReruns) {
    TOdbcDAConnection worker;
    int lost = 0;
    ReexecuteOnLoss(worker, lost);
    ConnectPostgres(worker);
    EXPECT_THROW(Run(worker, "SELECT pg_terminate_backend(pg_backend_pid())"), EDAError);
    EXPECT_EQ(TCustomDAConnection::MaxFailoverAttempts + 1, lost);
    EXPECT_FALSE(worker.Connected());
}

TEST_F(Failover, RoleThatMayNoLongerLogInStopsAfterTheBoundedReconnects) {
    Exec(admin.Internal(), "DROP ROLE IF EXISTS vz_failover");
    Exec(admin.Internal(), "CREATE ROLE vz_failover LOGIN PASSWORD 'vz-failover'");
    TOdbcDAConnection worker;
    int lost = 0;
    ReexecuteOnLoss(worker, lost);
    ConnectPostgres(worker, "vz_failover", "vz-failover");
    Exec(admin.Internal(), "ALTER ROLE vz_failover NOLOGIN");
    Kill(worker);
    EXPECT_THROW(Run(worker, "SELECT 1"), EDAError);
    EXPECT_EQ(TCustomDAConnection::MaxFailoverAttempts, lost);
    EXPECT_FALSE(worker.Connected());
    worker.Disconnect();
    Exec(admin.Internal(), "DROP ROLE vz_failover");
}

namespace {

enum Server { sSQLite, sPostgres };

// A transaction component of its own, driving a provider transaction object.
class TOdbcDATransaction : public TDATransaction {
public:
    VZ_CLASS(TOdbcDATransaction, TDATransaction)
    TOdbcDATransaction() : TDATransaction(nullptr) {}

protected:
    TClass GetInternalTransactionClass() override { return TODBCTransaction::StaticClass(); }
};

class Transactions : public testing::TestWithParam<Server> {
protected:
    void SetUp() override {
        file = SQLiteFile("tx");
        Open(a);
        Open(b);
        Exec(a->Internal(), "DROP TABLE IF EXISTS vz_datx");
        Exec(a->Internal(), "CREATE TABLE vz_datx (v INTEGER)");
    }
    void Open(std::unique_ptr<TOdbcDAConnection>& c) {
        c = std::make_unique<TOdbcDAConnection>();
        if (GetParam() == sPostgres)
            ConnectPostgres(*c);
        else {
            c->SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
            c->Connect();
        }
    }
    std::string Seen() { return Joined(QueryRows(b->Internal(), "SELECT v FROM vz_datx ORDER BY v")); }
    std::string file;
    std::unique_ptr<TOdbcDAConnection> a, b;
};

} // namespace

TEST_P(Transactions, SeenFromASecondConnection) {
    a->StartTransaction();
    EXPECT_TRUE(a->GetInTransaction());
    EXPECT_THROW(a->StartTransaction(), Exception);
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (1)");
    EXPECT_EQ("", Seen());
    a->Commit();
    EXPECT_FALSE(a->GetInTransaction());
    EXPECT_EQ("1", Seen());

    a->StartTransaction();
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (2)");
    a->Rollback();
    EXPECT_EQ("1", Seen());
    // Auto-commit is back after the transaction.
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (3)");
    EXPECT_EQ("1,3", Seen());

    // Closing the connection, and destroying it, rolls back by the default close action.
    a->StartTransaction();
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (4)");
    a->Disconnect();
    EXPECT_EQ("1,3", Seen());
    Open(a);
    a->StartTransaction();
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (5)");
    a.reset();
    EXPECT_EQ("1,3", Seen());

    // A commit as the close action keeps the rows.
    Open(a);
    a->DefaultTransaction()->DefaultCloseAction = taCommit;
    a->StartTransaction();
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (6)");
    a->Disconnect();
    EXPECT_EQ("1,3,6", Seen());
}

TEST_P(Transactions, OwnTransactionComponentAndImplicitUse) {
    TOdbcDATransaction t;
    t.SetDefaultConnection(a.get());
    EXPECT_EQ(1, a->TransactionCount() - 1) << "beside the internal default";
    a->SetDefaultTransaction(&t);
    EXPECT_EQ(&t, a->DefaultTransaction());

    // An implicit user starts it and its statement commits it.
    t.AcquireTransaction();
    EXPECT_TRUE(t.Active());
    EXPECT_FALSE(t.ExplicitlyStarted());
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (1)");
    EXPECT_EQ("", Seen());
    t.AutoCommitTransaction(true);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ("1", Seen());

    // Inside an explicit transaction a statement that does not commit counts as uncommitted.
    a->StartTransaction();
    EXPECT_TRUE(t.Active());
    EXPECT_THROW(a->InternalDefaultTransaction()->StartTransaction(), Exception)
        << "one transaction at a time on this connection";
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (2)");
    t.AutoCommitTransaction(false);
    EXPECT_EQ(1, t.UncommittedCount());
    t.Rollback();
    EXPECT_EQ("1", Seen());

    // A closed connection outside disconnected mode cannot carry a transaction.
    a->Disconnect();
    try {
        t.StartTransaction();
        FAIL() << "started";
    } catch (const Exception& e) {
        EXPECT_EQ(AnsiString(e.Message()), "One of the connections in the transaction is not active");
    }
    // In disconnected mode the transaction holds the connection open while it runs.
    a->Options()->SetDisconnectedMode(true);
    t.StartTransaction();
    EXPECT_TRUE(a->Connected());
    Exec(a->Internal(), "INSERT INTO vz_datx VALUES (3)");
    t.Commit();
    EXPECT_EQ("1,3", Seen());
    EXPECT_FALSE(a->Connected());
    a->SetDefaultTransaction(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Transactions, testing::Values(sSQLite, sPostgres),
                         [](const auto& info) { return info.param == sSQLite ? "SQLite" : "Postgres"; });

namespace {

class SQLComponent : public testing::Test {
protected:
    void SetUp() override {
        connection.SetServer(("DRIVER={SQLite3};Database=" + SQLiteFile("sql")).c_str());
        connection.Connect();
        Exec(connection.Internal(), "CREATE TABLE t (k INTEGER PRIMARY KEY, s VARCHAR(20), d DATE)");
        Exec(connection.Internal(), "INSERT INTO t VALUES (1, 'one', NULL)");
        connection.Disconnect();
    }
    TOdbcDAConnection connection;
};

} // namespace

TEST_F(SQLComponent, UseComesBackAfterEveryOutcome) {
    struct Case {
        const char* name;
        const char* sql;
        bool dateParam; // a value the parameter write cannot convert
        bool prepareFirst;
        bool fails;
    };
    const Case cases[] = {
        {"runs", "INSERT INTO t (k, s) VALUES (:k, 'x')", false, false, false},
        {"prepared, runs", "INSERT INTO t (k, s) VALUES (:k, 'x')", false, true, false},
        {"fails at prepare", "INSERT INTO no_such_table VALUES (:k)", false, true, true},
        {"fails at execute", "INSERT INTO no_such_table VALUES (:k)", false, false, true},
        {"fails at execute (key)", "INSERT INTO t (k) VALUES (1 + 0 * :k)", false, false, true},
        {"fails at parameter write", "UPDATE t SET d = :k", true, false, true},
        {"prepared, fails at parameter write", "UPDATE t SET d = :k", true, true, true},
    };
    int key = 10;
    for (bool disconnectedMode : {false, true}) {
        connection.Options()->SetDisconnectedMode(disconnectedMode);
        if (!disconnectedMode) connection.Connect();
        const int base = connection.ConnectCount();
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (disconnectedMode ? ", disconnected mode" : ""));
            TCustomDASQL sql(nullptr);
            sql.SetConnection(&connection);
            sql.SQL()->SetText(c.sql);
            ASSERT_EQ(1, sql.Params()->Count());
            if (c.dateParam) {
                sql.Params()->Items(0)->SetDataType(ftDate);
                sql.Params()->Items(0)->SetValue(Variant(AnsiString("not a date")));
            } else {
                sql.Params()->Items(0)->SetValue(Variant(++key));
            }
            bool failed = false;
            try {
                if (c.prepareFirst) sql.Prepare();
                sql.Execute();
            } catch (const Exception&) {
                failed = true;
            }
            EXPECT_EQ(c.fails, failed);
            sql.Unprepare();
            EXPECT_EQ(base, connection.ConnectCount());
            EXPECT_EQ(!disconnectedMode, connection.Connected());
        }
        connection.Disconnect();
    }
}

TEST_F(SQLComponent, TextParametersAndSizes) {
    TCustomDASQL sql(nullptr);
    sql.SetConnection(&connection);
    sql.SQL()->SetText("UPDATE t SET s = :s WHERE k = :k OR s = :other \r\n \r\n");
    ASSERT_EQ(3, sql.Params()->Count());
    sql.ParamByName("s")->SetAsString("ABCDE");
    sql.ParamByName("k")->SetValue(Variant(1));
    sql.ParamByName("other")->SetDataType(ftString);
    sql.Prepare();
    EXPECT_EQ(AnsiString("UPDATE t SET s = :s WHERE k = :k OR s = :other"), sql.ICommand()->SQL());
    EXPECT_EQ(5, sql.ICommand()->GetParam(0)->GetSize());
    EXPECT_EQ(8000, sql.ICommand()->GetParam(2)->GetSize()) << "the connection's default";
    sql.Execute();
    EXPECT_EQ(1, sql.RowsAffected());
    EXPECT_EQ("ABCDE", QueryValue(connection.Internal(), "SELECT s FROM t WHERE k = 1"));

    // A disconnect unprepares a stand-alone statement.
    connection.Disconnect();
    EXPECT_FALSE(sql.Prepared());

    // Without the parameter check a new text keeps the list; turning it on rescans and keeps the
    // values of the names that survive.
    sql.SetParamCheck(false);
    sql.SQL()->SetText("UPDATE t SET s = :s WHERE k = :key");
    EXPECT_EQ(3, sql.Params()->Count());
    sql.SetParamCheck(true);
    ASSERT_EQ(2, sql.Params()->Count());
    EXPECT_EQ("ABCDE", sql.ParamByName("s")->GetAsString());
    EXPECT_TRUE(sql.ParamByName("key")->IsNull());

    // Macros reach the command expanded; a new value re-reads the text.
    sql.SQL()->SetText("UPDATE t SET s = 'm' WHERE &cond");
    sql.MacroByName("cond")->SetValue("k = 1");
    sql.Execute();
    EXPECT_EQ(AnsiString("UPDATE t SET s = 'm' WHERE k = 1"), sql.ICommand()->SQL());
    EXPECT_EQ("m", QueryValue(connection.Internal(), "SELECT s FROM t WHERE k = 1"));
}

TEST_F(SQLComponent, ConnectionExecOperations) {
    EXPECT_TRUE(
        connection.ExecSQL("INSERT INTO t (k, s) VALUES (:k, :s)", {Variant(5), Variant(AnsiString("five"))})
            .IsNull());
    EXPECT_TRUE(connection
                    .ExecSQLNamed("UPDATE t SET s = :s WHERE k = :k",
                                  {Variant(AnsiString("k")), Variant(5), Variant(AnsiString("s")),
                                   Variant(AnsiString("FIVE"))})
                    .IsEmpty());
    EXPECT_EQ("FIVE", QueryValue(connection.Internal(), "SELECT s FROM t WHERE k = 5"));
    EXPECT_TRUE(connection.ExecSQLNamed("DELETE FROM t WHERE k = 5", {Variant::Null()}).IsEmpty());
    const std::string invalid =
        "Invalid Params array. Valid format: <Name1>,<Value1>[,<Name2>,<Value2>[...]]";
    EXPECT_EQ(invalid,
              MessageOf([&] { connection.ExecSQLNamed("DELETE FROM t", {Variant(AnsiString("k"))}); }));
    EXPECT_EQ(invalid, MessageOf([&] {
                  connection.ExecSQLNamed("DELETE FROM t WHERE k = :k", {Variant(1), Variant(2)});
              }));
    EXPECT_EQ("0", QueryValue(connection.Internal(), "SELECT count(*) FROM t WHERE k = 5"));
    EXPECT_EQ(0, connection.ConnectCount()) << "connected by the first use only";
    EXPECT_TRUE(connection.Connected());
}

TEST(DAComponentsPostgres, OutputParametersReadBack) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    Exec(connection.Internal(),
         "CREATE OR REPLACE FUNCTION vz_sqlcalc(a integer, INOUT b varchar, OUT c double precision) "
         "AS $$ BEGIN b := b || '-' || a::text; c := a * 1.5; END $$ LANGUAGE plpgsql");
    TCustomDASQL sql(nullptr);
    sql.SetConnection(&connection);
    sql.SQL()->SetText("{call vz_sqlcalc(:a, :b, :c)}");
    ASSERT_EQ(3, sql.Params()->Count());
    sql.ParamByName("a")->SetValue(Variant(7));
    sql.ParamByName("a")->SetParamType(ptInput);
    sql.ParamByName("b")->SetAsString("x");
    sql.ParamByName("b")->SetParamType(ptInputOutput);
    sql.ParamByName("b")->SetSize(50);
    sql.ParamByName("c")->SetDataType(ftFloat);
    sql.ParamByName("c")->SetParamType(ptOutput);
    sql.Execute();
    EXPECT_EQ("x-7", sql.ParamByName("b")->GetAsString());
    EXPECT_DOUBLE_EQ(10.5, sql.ParamByName("c")->GetValue().AsDouble());
}

TEST(DAComponentsPostgres, ProcedureCallFromTheCurrentParameters) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    Exec(connection.Internal(),
         "CREATE OR REPLACE FUNCTION vz_sqlcalc(a integer, INOUT b varchar, OUT c double precision) "
         "AS $$ BEGIN b := b || '-' || a::text; c := a * 1.5; END $$ LANGUAGE plpgsql");
    TCustomDASQL sql(nullptr);
    sql.SetConnection(&connection);
    EXPECT_EQ("StoredProcName must be defined", MessageOf([&] { sql.CreateProcCall("", false); }));
    for (auto [name, type, dataType] :
         {std::tuple{"a", ptInput, ftInteger}, std::tuple{"b", ptInputOutput, ftString},
          std::tuple{"c", ptOutput, ftFloat}}) {
        auto* p = static_cast<TDAParam*>(sql.Params()->Add());
        p->SetName(name);
        p->SetParamType(type);
        p->SetDataType(dataType);
    }
    sql.ParamByName("b")->SetSize(50);
    sql.CreateProcCall("vz_sqlcalc", false);
    EXPECT_EQ(AnsiString("{call vz_sqlcalc(:a, :b, :c)}"), Trim(sql.SQL()->Text()));
    EXPECT_EQ(AnsiString("vz_sqlcalc"), sql.StoredProcName());
    ASSERT_EQ(3, sql.Params()->Count()) << "the call text keeps the parameters";
    sql.ParamByName("a")->SetValue(Variant(4));
    sql.ParamByName("b")->SetAsString("y");
    sql.Execute();
    EXPECT_EQ("y-4", sql.ParamByName("b")->GetAsString());
    EXPECT_DOUBLE_EQ(6.0, sql.ParamByName("c")->GetValue().AsDouble());
    EXPECT_EQ(1, connection.ConnectCount()) << "only the explicit connect";

    // The connection's calls take the parameters from the server's description.
    EXPECT_TRUE(connection.ExecProc("vz_sqlcalc", {Variant(2), Variant(AnsiString("z"))}).IsEmpty());
    TDAParams* described = connection.Command()->Params();
    ASSERT_EQ(3, described->Count());
    EXPECT_EQ("z-2", described->Items(1)->GetAsString());
    EXPECT_DOUBLE_EQ(3.0, described->Items(2)->GetValue().AsDouble());
    EXPECT_TRUE(
        connection
            .ExecProcNamed("vz_sqlcalc", {Variant(described->Items(0)->Name()), Variant(6),
                                          Variant(described->Items(1)->Name()), Variant(AnsiString("w"))})
            .IsEmpty());
    EXPECT_EQ("w-6", connection.Command()->Params()->Items(1)->GetAsString());
    EXPECT_EQ(1, connection.ConnectCount());
}

// A statement rebuilt from what its stored form keeps (its construction code sets the same values
// in the same order) runs as the original does.
TEST_F(SQLComponent, StoredValuesRoundTrip) {
    TCustomDASQL original(nullptr);
    original.SetConnection(&connection);
    original.SQL()->SetText("UPDATE t SET s = :s WHERE &cond");
    original.ParamByName("s")->SetAsString("stored");
    original.MacroByName("cond")->SetValue("k = 1");
    EXPECT_TRUE(original.IsParamDataStored());
    EXPECT_TRUE(original.IsMacroDataStored());
    EXPECT_FALSE(original.IsCommandStoredProcNameStored());
    EXPECT_FALSE(original.IsStoredProcIsQueryStored());

    TCustomDASQL rebuilt(nullptr);
    rebuilt.SetConnection(&connection);
    rebuilt.SQL()->SetText(original.SQL()->Text());
    rebuilt.SetParamData(original.Params());
    rebuilt.SetMacroData(original.Macros());
    rebuilt.Execute();
    EXPECT_EQ(AnsiString("UPDATE t SET s = :s WHERE k = 1"), rebuilt.ICommand()->SQL());
    EXPECT_EQ("stored", QueryValue(connection.Internal(), "SELECT s FROM t WHERE k = 1"));

    TCustomDASQL copy(nullptr);
    copy.Assign(&original);
    EXPECT_EQ(&connection, copy.Connection());
    EXPECT_EQ("stored", copy.ParamByName("s")->GetAsString());
    EXPECT_EQ(AnsiString("k = 1"), copy.MacroByName("cond")->Value());

    TCustomDASQL empty(nullptr);
    EXPECT_FALSE(empty.IsParamDataStored() || empty.IsMacroDataStored());
}

namespace {
bool Contains(const TStrings& list, const char* name) {
    for (int i = 0; i < list.Count(); ++i)
        if (list[i] == name) return true;
    return false;
}
} // namespace

TEST(DAComponentsSQLite, NameListsFromTheCatalog) {
    TOdbcDAConnection connection;
    connection.SetServer(("DRIVER={SQLite3};Database=" + SQLiteFile("names")).c_str());
    connection.Options()->SetDisconnectedMode(true);
    connection.AcquireUse();
    Exec(connection.Internal(), "CREATE TABLE plain (a INTEGER)");
    Exec(connection.Internal(), "CREATE TABLE \"with space\" (a INTEGER)");
    connection.ReleaseUse();
    TStringList names;
    connection.GetTableNames(names);
    EXPECT_TRUE(Contains(names, "plain")) << names.Text();
    EXPECT_TRUE(Contains(names, "\"with space\"")) << names.Text();
    EXPECT_FALSE(connection.Connected()) << "the list's use ends";
}

TEST(DAComponentsPostgres, NameListsFromTheCatalog) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    Exec(connection.Internal(), "CREATE TABLE IF NOT EXISTS vz_listed (a INTEGER)");
    Exec(connection.Internal(), "CREATE OR REPLACE FUNCTION vz_listed_fn(x integer) RETURNS integer "
                                "AS $$ SELECT x $$ LANGUAGE sql");
    TStringList names;
    connection.GetTableNames(names);
    EXPECT_TRUE(Contains(names, "vz_listed")) << names.Text();
    connection.GetTableNames(names, true);
    EXPECT_TRUE(Contains(names, "public.vz_listed") ||
                Contains(names, (PostgresServer::Get().Database + ".public.vz_listed").c_str()))
        << names.Text();
    connection.GetStoredProcNames(names);
    EXPECT_TRUE(Contains(names, "vz_listed_fn")) << names.Text();
    EXPECT_EQ(1, connection.ConnectCount());
}

namespace {

// Stands in for the unified query: its record set is the ODBC provider's.
class TOdbcDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TOdbcDataSet, TCustomDADataSet)
    TOdbcDataSet() : TCustomDADataSet(nullptr) {}
    ~TOdbcDataSet() override { Close(); }
    TCRCommand* Cmd() const { return RecordSet()->GetCommand(); }
    TCRConnection* RecordSetConnection() const {
        return RecordSet() ? RecordSet()->GetCommand()->GetConnection() : nullptr;
    }
    void SetText(const char* sql) {
        TStringList lines;
        lines.SetText(sql);
        SetSQL(lines);
    }

protected:
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
    TCustomDADataSet* NewDataSet() override { return new TOdbcDataSet(); }
};

std::unique_ptr<TOdbcDAConnection> SQLiteWithRows(const char* name) {
    auto connection = std::make_unique<TOdbcDAConnection>();
    connection->SetServer(("DRIVER={SQLite3};Database=" + SQLiteFile(name)).c_str());
    connection->Connect();
    Exec(connection->Internal(), "CREATE TABLE t (k INTEGER)");
    Exec(connection->Internal(),
         "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 50) "
         "INSERT INTO t SELECT i FROM c");
    return connection;
}

} // namespace

TEST(DAConnectionClients, ADestroyedConnectionLeavesNoClientBound) {
    auto connection = SQLiteWithRows("unbind");
    TOdbcDataSet open, closed;
    TCustomDASQL statement(nullptr);
    for (TOdbcDataSet* ds : {&open, &closed}) {
        ds->SetConnection(connection.get());
        ds->SetText("SELECT k FROM t");
    }
    statement.SetConnection(connection.get());
    statement.SQL()->SetText("SELECT 1");
    statement.Prepare();
    open.SetFetchRows(1);
    open.Open();
    connection.reset();

    EXPECT_EQ(nullptr, open.Connection());
    EXPECT_EQ(nullptr, closed.Connection());
    EXPECT_EQ(nullptr, statement.Connection());
    EXPECT_FALSE(open.Active());
    EXPECT_FALSE(statement.Prepared());
    EXPECT_THROW(open.Open(), EDatabaseError);
}

TEST(DAConnectionClients, ClientsNeverHoldAnInternalConnectionThatIsGone) {
    auto connection = SQLiteWithRows("handover");
    TOdbcDataSet ds;
    ds.SetConnection(connection.get());
    ds.SetText("SELECT k FROM t");
    TCustomDASQL statement(nullptr);
    statement.SetConnection(connection.get());
    statement.SQL()->SetText("UPDATE t SET k = k");
    ds.Open();
    statement.Execute();
    ASSERT_EQ(&connection->Internal(), ds.RecordSetConnection());
    ASSERT_EQ(&connection->Internal(), statement.ICommand()->GetConnection());

    // A change of pooling drops the internal connection.
    connection->SetPooling(true);
    EXPECT_EQ(nullptr, connection->InternalConnection());
    EXPECT_EQ(nullptr, ds.RecordSetConnection());
    EXPECT_EQ(nullptr, statement.ICommand()->GetConnection());

    ds.Open();
    ds.Last();
    EXPECT_EQ(50, ds.RecordCount());
    EXPECT_EQ(connection->InternalConnection(), ds.RecordSetConnection());
    statement.Execute();
    EXPECT_EQ(connection->InternalConnection(), statement.ICommand()->GetConnection());
    ds.Close();
    connection->SetPooling(false);
}

TEST_F(Failover, DataSetWithRowsLeftOnTheServerRulesOutTheReconnect) {
    struct Case {
        const char* name;
        bool fetchAll;
        bool readToEnd;
        bool reconnects;
    } cases[] = {
        {"rows left on the server", false, false, false},
        {"read to the end", false, true, true},
        {"fetching all", true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOdbcDAConnection worker;
        int lost = 0;
        ReexecuteOnLoss(worker, lost);
        ConnectPostgres(worker);
        TOdbcDataSet ds;
        ds.SetConnection(&worker);
        ds.SetFetchRows(1);
        ds.SetFetchAll(c.fetchAll);
        ds.SetText("SELECT generate_series(1, 20) AS n");
        ds.Open();
        if (c.readToEnd) ds.Last();
        Kill(worker);
        if (c.reconnects) {
            EXPECT_EQ(2, Run(worker, "SELECT 1"));
            EXPECT_EQ(1, lost);
            EXPECT_TRUE(worker.Connected());
        } else {
            EXPECT_THROW(Run(worker, "SELECT 1"), EDAError);
            EXPECT_EQ(0, lost);
            EXPECT_FALSE(worker.Connected());
            EXPECT_FALSE(ds.Active());
        }
    }
}

TEST_F(Failover, DataSetStatementIsRunAgainOnANewSession) {
    TOdbcDAConnection worker;
    int lost = 0;
    ReexecuteOnLoss(worker, lost);
    ConnectPostgres(worker);
    Exec(worker.Internal(), "DROP TABLE IF EXISTS vz_ds_runs");
    Exec(worker.Internal(), "CREATE TABLE vz_ds_runs (v INTEGER)");
    TOdbcDataSet ds;
    ds.SetConnection(&worker);
    ds.SetText("INSERT INTO vz_ds_runs VALUES (1)");
    const int count = worker.ConnectCount();
    Kill(worker);
    ds.Execute();
    EXPECT_EQ(1, lost);
    EXPECT_EQ(count, worker.ConnectCount());
    EXPECT_EQ("1", QueryValue(worker.Internal(), "SELECT count(*) FROM vz_ds_runs"));
}

namespace {

// Its updater comes later: applying writes one row per pending record through the connection and
// records whether its own auto-commit was off meanwhile.
class TApplyingDataSet : public TOdbcDataSet {
public:
    VZ_CLASS(TApplyingDataSet, TOdbcDataSet)
    int value = 0;
    bool fails = false;
    int applied = 0;
    bool autoCommitWhileApplying = true;
    void ApplyCachedUpdates() override {
        ++applied;
        autoCommitWhileApplying = RecordSet()->GetCommand()->AutoCommit();
        if (fails) DatabaseError("apply failed", this);
        Connection()->ExecSQL("INSERT INTO applied VALUES (:v)", {Variant(value)});
    }
};

class ApplyUpdates : public testing::Test {
protected:
    void SetUp() override {
        file = SQLiteFile("apply");
        for (TOdbcDAConnection* c : {&connection, &observer})
            c->SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        connection.SetName("cn");
        connection.Connect();
        Exec(connection.Internal(), "CREATE TABLE applied (v INTEGER)");
        for (int i = 0; i < 3; ++i) {
            ds[i].SetName(("ds" + std::to_string(i)).c_str());
            ds[i].value = i + 1;
            ds[i].SetConnection(&connection);
            ds[i].SetText("SELECT 1 AS one");
            ds[i].SetCachedUpdates(true);
            ds[i].Open();
        }
    }
    std::string Applied() {
        observer.Connect();
        std::string rows = Joined(QueryRows(observer.Internal(), "SELECT v FROM applied ORDER BY v"));
        observer.Disconnect();
        return rows;
    }
    std::string file;
    TOdbcDAConnection connection, observer;
    TApplyingDataSet ds[3];
};

} // namespace

TEST_F(ApplyUpdates, AllDataSetsInOneTransactionCommittedTogether) {
    ds[2].Close();
    TApplyingDataSet plain;
    plain.SetConnection(&connection);
    plain.SetText("SELECT 1 AS one");
    plain.Open();
    ds[0].Cmd()->SetProp(prAutoCommit, true);
    connection.ApplyUpdates();
    EXPECT_EQ(1, ds[0].applied);
    EXPECT_EQ(1, ds[1].applied);
    EXPECT_EQ(0, ds[2].applied); // closed
    EXPECT_EQ(0, plain.applied); // no cached updates
    EXPECT_FALSE(ds[0].autoCommitWhileApplying);
    EXPECT_TRUE(ds[0].Cmd()->AutoCommit());
    EXPECT_FALSE(connection.GetInTransaction());
    EXPECT_EQ("1,2", Applied());
}

TEST_F(ApplyUpdates, AFailureRollsEveryDataSetBack) {
    ds[1].fails = true;
    EXPECT_THROW(connection.ApplyUpdatesFor({&ds[0], &ds[1], &ds[2]}), EDatabaseError);
    EXPECT_EQ(1, ds[0].applied);
    EXPECT_EQ(0, ds[2].applied);
    EXPECT_FALSE(connection.GetInTransaction());
    EXPECT_EQ("", Applied());

    // Nothing was lost: once the fault is gone the same updates go through.
    ds[1].fails = false;
    connection.ApplyUpdatesFor({&ds[0], &ds[1], &ds[2]});
    EXPECT_EQ("1,2,3", Applied());
}

TEST_F(ApplyUpdates, WithoutAutoCommitTheTransactionStaysOpen) {
    connection.SetAutoCommit(false);
    connection.ApplyUpdatesFor({&ds[0]});
    EXPECT_TRUE(connection.GetInTransaction());
    connection.Commit();
    EXPECT_EQ("1", Applied());
}

TEST_F(ApplyUpdates, ADataSetOfAnotherConnectionStopsBeforeAnyTransaction) {
    TOdbcDAConnection other;
    other.SetName("other");
    other.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
    TApplyingDataSet foreign;
    foreign.SetName("foreign");
    foreign.SetConnection(&other);
    try {
        connection.ApplyUpdatesFor({&ds[0], &foreign});
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ("Cannot update, foreign is not owned by cn", e.what());
    }
    EXPECT_EQ(0, ds[0].applied);
    EXPECT_FALSE(connection.GetInTransaction());
}

TEST(DBAccessUtils, StatementAndDataSetAnswerAlike) {
    auto connection = SQLiteWithRows("utils");
    TCustomDASQL statement(nullptr);
    statement.SetConnection(connection.get());
    TOdbcDataSet ds;
    ds.SetConnection(connection.get());
    connection->Disconnect();
    for (TObject* obj : {static_cast<TObject*>(&statement), static_cast<TObject*>(&ds)}) {
        SCOPED_TRACE(obj->ClassName().c_str());
        TDBAccessUtils::GetSQL(obj)->SetText("UPDATE t SET k = k WHERE k <= :n  \r\n");
        AnsiString text;
        TDBAccessUtils::GetFinalSQL(obj, text);
        EXPECT_EQ("UPDATE t SET k = k WHERE k <= :n", text);
        ASSERT_EQ(1, TDBAccessUtils::GetParams(obj)->Count());
        TDBAccessUtils::GetParams(obj)->Items(0)->SetValue(Variant(3));
        TDBAccessUtils::Execute(obj);
        EXPECT_EQ(3, TDBAccessUtils::GetRowsAffected(obj));
    }
    TDBAccessUtils::SetAutoCommit(&statement, false);
    EXPECT_FALSE(statement.AutoCommit());
    TDBAccessUtils::SetAutoCommit(&ds, true);
    EXPECT_TRUE(TDBAccessUtils::GetICommand(&ds)->AutoCommit());
    EXPECT_EQ(ds.Cmd(), TDBAccessUtils::GetIRecordSet(&ds)->GetCommand());
    EXPECT_EQ(connection->InternalConnection(), TDBAccessUtils::GetIConnection(connection.get()));
    EXPECT_EQ(connection.get(), TDBAccessUtils::GetConnection(connection->DefaultTransaction(), 0));

    // A closed connection opens for the dataset; a released use closes it in disconnected mode.
    connection->Disconnect();
    TDBAccessUtils::CheckConnection(&ds);
    EXPECT_TRUE(connection->Connected());
    connection->Disconnect();
    connection->Options()->SetDisconnectedMode(true);
    connection->AcquireUse();
    TDBAccessUtils::ReleaseUse(connection.get());
    EXPECT_FALSE(connection->Connected());

    // Other objects and nil fail an assertion, naming the class.
    TStringList other;
    try {
        TDBAccessUtils::GetSQL(&other);
        ADD_FAILURE() << "no error";
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(std::string(e.what()).find("TStringList"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TDBAccessUtils::Execute(nullptr), EAssertionFailed);
    EXPECT_THROW(TDBAccessUtils::GetIConnection(nullptr), EAssertionFailed);
    EXPECT_THROW(TDBAccessUtils::GetTablesInfo(nullptr), EAssertionFailed);

    // The tables info is the record set's own, made with it on first request.
    TOdbcDataSet fresh;
    fresh.SetConnection(connection.get());
    TCRTablesInfo* tables = TDBAccessUtils::GetTablesInfo(&fresh);
    ASSERT_NE(nullptr, TDBAccessUtils::GetIRecordSet(&fresh));
    EXPECT_EQ(tables, &TDBAccessUtils::GetIRecordSet(&fresh)->TablesInfo());
    EXPECT_EQ(tables, TDBAccessUtils::GetTablesInfo(&fresh));
}

TEST(DAComponentsSavepoints, RollbackToASavepointKeepsTheWorkBeforeIt) {
    for (bool postgres : {false, true}) {
        SCOPED_TRACE(postgres ? "PostgreSQL" : "SQLite");
        TOdbcDAConnection connection;
        if (postgres) {
            ConnectPostgres(connection);
        } else {
            connection.SetServer(("DRIVER={SQLite3};Database=" + SQLiteFile("savepoints")).c_str());
            connection.Connect();
        }
        Exec(connection.Internal(), "DROP TABLE IF EXISTS vz_sp");
        Exec(connection.Internal(), "CREATE TABLE vz_sp (v INTEGER)");
        connection.StartTransaction();
        connection.ExecSQL("INSERT INTO vz_sp VALUES (1)");
        connection.Savepoint("a");
        connection.ExecSQL("INSERT INTO vz_sp VALUES (2)");
        connection.Savepoint("b");
        connection.ExecSQL("INSERT INTO vz_sp VALUES (3)");
        connection.ReleaseSavepoint("b");
        connection.RollbackToSavepoint("a");
        EXPECT_TRUE(connection.GetInTransaction());
        connection.ExecSQL("INSERT INTO vz_sp VALUES (4)");
        connection.Commit();
        EXPECT_FALSE(connection.GetInTransaction());
        EXPECT_EQ("1,4", Joined(QueryRows(connection.Internal(), "SELECT v FROM vz_sp ORDER BY v")));
    }
}

TEST(DAComponentsPostgres, IsolationLevelAndReadOnlyReachTheServerTransaction) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    TDATransaction* transaction = connection.DefaultTransaction();
    transaction->SetIsolationLevel(ilRepeatableRead);
    transaction->SetReadOnly(true);
    connection.StartTransaction();
    EXPECT_EQ("repeatable read", QueryValue(connection.Internal(), "SHOW transaction_isolation"));
    // The ODBC provider keeps read-only without telling the server; the component's part is to
    // hand it on.
    Variant readOnly;
    ASSERT_TRUE(transaction->InternalTransaction()->GetProp(prTransactionReadOnly, readOnly));
    EXPECT_TRUE(readOnly.AsBoolean());
    connection.Rollback();
}

// Text blobs go to the server with LF line ends when the connection converts them; binary blobs
// and the caller's own value keep theirs.
TEST_F(SQLComponent, BlobParametersAndLineEnds) {
    struct Case {
        TFieldType type;
        bool convertEOL;
        const char* stored; // length on the server
    } cases[] = {
        {ftMemo, true, "3"},
        {ftMemo, false, "4"},
        {ftBlob, true, "4"},
    };
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE m (n INTEGER, v BLOB)");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(n));
        connection.SetConvertEOL(c.convertEOL);
        TCustomDASQL sql(nullptr);
        sql.SetConnection(&connection);
        sql.SQL()->SetText("INSERT INTO m VALUES (:n, :v)");
        sql.ParamByName("n")->SetValue(Variant(++n));
        TDAParam* v = sql.ParamByName("v");
        v->SetDataType(c.type);
        v->SetParamType(ptInput);
        v->SetAsString("a\r\nb");
        ASSERT_NE(v->GetValueObject(), nullptr);
        sql.Execute();
        EXPECT_EQ(v->GetAsString(), "a\r\nb");
        EXPECT_EQ(QueryValue(connection.Internal(), "SELECT length(v) FROM m WHERE n = " + std::to_string(n)),
                  c.stored);
    }
    EXPECT_EQ(connection.ConnectCount(), 1);
}

namespace {
// A statement whose procedure call follows its parameters before each single execution.
class TRebuildingSQL : public TCustomDASQL {
public:
    VZ_CLASS(TRebuildingSQL, TCustomDASQL)
    explicit TRebuildingSQL(TComponent* owner) : TCustomDASQL(owner) {}
    bool rebuild = true;

protected:
    bool NeedsProcCallRebuild() const override { return rebuild; }
};
} // namespace

TEST(DAComponentsPostgres, ProcedureCallFollowsAddedParametersWhenRebuilt) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    Exec(connection.Internal(), "DROP TABLE IF EXISTS vz_put_t");
    Exec(connection.Internal(), "CREATE TABLE vz_put_t (a integer, b integer)");
    Exec(connection.Internal(),
         "CREATE OR REPLACE FUNCTION vz_put(a integer, b integer DEFAULT 0) RETURNS void "
         "AS $$ INSERT INTO vz_put_t VALUES (a, b) $$ LANGUAGE sql");
    for (bool rebuild : {true, false})
        for (bool prepared : {false, true}) {
            SCOPED_TRACE(std::string(rebuild ? "rebuilt" : "kept") + (prepared ? ", prepared" : ""));
            Exec(connection.Internal(), "DELETE FROM vz_put_t");
            TRebuildingSQL sql(nullptr);
            sql.rebuild = rebuild;
            sql.SetConnection(&connection);
            auto* a = static_cast<TDAParam*>(sql.Params()->Add());
            a->SetName("a");
            a->SetParamType(ptInput);
            a->SetDataType(ftInteger);
            sql.CreateProcCall("vz_put", false);
            ASSERT_EQ(AnsiString("{call vz_put(:a)}"), Trim(sql.SQL()->Text()));
            a->SetValue(Variant(1));
            if (prepared) sql.Prepare();
            auto* b = static_cast<TDAParam*>(sql.Params()->Add());
            b->SetName("b");
            b->SetParamType(ptInput);
            b->SetDataType(ftInteger);
            b->SetValue(Variant(5));
            if (rebuild) {
                sql.Execute();
                EXPECT_EQ(AnsiString("{call vz_put(:a, :b)}"), Trim(sql.SQL()->Text()));
                EXPECT_EQ("vz_put", std::string(sql.StoredProcName().c_str()));
                EXPECT_EQ("1 5", QueryValue(connection.Internal(), "SELECT a || ' ' || b FROM vz_put_t"));
                EXPECT_EQ(sql.Prepared(), prepared);
            } else {
                // The text stays as it was made: the added value never reaches the procedure.
                sql.Execute();
                EXPECT_EQ(AnsiString("{call vz_put(:a)}"), Trim(sql.SQL()->Text()));
                EXPECT_EQ("1 0", QueryValue(connection.Internal(), "SELECT a || ' ' || b FROM vz_put_t"));
            }
            sql.Unprepare();
            EXPECT_EQ(1, connection.ConnectCount());
        }
}

// One value per parameter and one run per execution: another iteration count is refused before
// anything reaches the server.
TEST_F(SQLComponent, IterationCountsOtherThanOneAreRefused) {
    TCustomDASQL sql(nullptr);
    sql.SetConnection(&connection);
    sql.SQL()->SetText("INSERT INTO t (k, s) VALUES (:k, 'x')");
    sql.ParamByName("k")->SetValue(Variant(2));
    for (int iterations : {3, 0, -1})
        EXPECT_EQ("Unsupported iteration count " + std::to_string(iterations),
                  MessageOf([&] { sql.ExecuteIters(iterations); }));
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(0, connection.ConnectCount());
    sql.ExecuteIters(1);
    connection.Connect();
    EXPECT_EQ("2", QueryValue(connection.Internal(), "SELECT count(*) FROM t"));
}

// An input-output text blob goes with LF line ends and comes back with CR LF again; an output one
// loses what it held before and reads the server's value with CR LF.
TEST(DAComponentsPostgres, MemoParametersConvertTheirLineEndsBothWays) {
    TOdbcDAConnection connection;
    ConnectPostgres(connection);
    Exec(connection.Internal(), "CREATE OR REPLACE FUNCTION vz_memo(INOUT t text, OUT n integer) AS $$ "
                                "BEGIN n := length(t); t := t || chr(10) || 'z'; END $$ LANGUAGE plpgsql");
    connection.SetConvertEOL(true);
    TCustomDASQL sql(nullptr);
    sql.SetConnection(&connection);
    sql.SQL()->SetText("{call vz_memo(:t, :n)}");
    TDAParam* t = sql.ParamByName("t");
    t->SetDataType(ftMemo);
    t->SetParamType(ptInputOutput);
    t->SetAsString("a\r\nb");
    sql.ParamByName("n")->SetDataType(ftInteger);
    sql.ParamByName("n")->SetParamType(ptOutput);
    sql.Execute();
    EXPECT_EQ(3, sql.ParamByName("n")->GetValue().AsInteger());
    EXPECT_EQ("a\r\nb\r\nz", t->GetAsString());

    Exec(connection.Internal(), "CREATE OR REPLACE FUNCTION vz_memo_out(a integer, OUT t text) AS $$ "
                                "BEGIN t := chr(10) || 'x' || chr(10) || a::text || chr(10); END $$ "
                                "LANGUAGE plpgsql");
    TCustomDASQL out(nullptr);
    out.SetConnection(&connection);
    out.SQL()->SetText("{call vz_memo_out(:a, :t)}");
    out.ParamByName("a")->SetValue(Variant(9));
    out.ParamByName("a")->SetParamType(ptInput);
    TDAParam* memo = out.ParamByName("t");
    memo->SetDataType(ftMemo);
    memo->SetParamType(ptOutput);
    memo->SetAsString("left over from before");
    out.Execute();
    EXPECT_EQ("\r\nx\r\n9\r\n", memo->GetAsString());

    // Binary output keeps its LF bytes.
    Exec(connection.Internal(), "CREATE OR REPLACE FUNCTION vz_bin_out(OUT b bytea) AS $$ "
                                "BEGIN b := decode('0a410a', 'hex'); END $$ LANGUAGE plpgsql");
    TCustomDASQL bin(nullptr);
    bin.SetConnection(&connection);
    bin.SQL()->SetText("{call vz_bin_out(:b)}");
    TDAParam* bytes = bin.ParamByName("b");
    bytes->SetDataType(ftBlob);
    bytes->SetParamType(ptOutput);
    bin.Execute();
    EXPECT_EQ("\nA\n", bytes->GetAsString());
}
