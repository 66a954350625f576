// The connection component and the SQL-text routines on real drivers: SQLite through the
// embedded driver and PostgreSQL, whose sessions an admin connection ends to test failover.
#include <windows.h>

#include <thread>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/DASQLText.h"
#include "data/access/DATransaction.h"
#include "support/PostgresServer.h"

namespace {

// Stands in for the unified connection: its class factories name the ODBC provider.
class TOdbcDAConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TOdbcDAConnection, TCustomDAConnection)
    TOdbcDAConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }
    TODBCConnection& Internal() const { return *static_cast<TODBCConnection*>(InternalConnection()); }

protected:
    TClass GetInternalConnectionClass() override { return TODBCConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TODBCCommand::StaticClass(); }
    void CreateInternalConnection() override {
        if (!InternalConnection()) SetInternalConnection(std::make_unique<TODBCConnection>());
    }
};

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
    // A statement as the statement component runs it: pushed once, re-run after EFailOver.
    int Run(TOdbcDAConnection& worker, const std::string& sql) {
        int runs = 0;
        worker.PushOperation(clExecute, true);
        try {
            for (;;) {
                ++runs;
                try {
                    TODBCCommand command;
                    command.SetConnection(&worker.Internal());
                    command.SetProp(prDisableParamScan, true);
                    command.SetSQL(sql.c_str());
                    command.Execute();
                    break;
                } catch (const EFailOver&) {
                }
            }
        } catch (...) {
            worker.PopOperation();
            throw;
        }
        worker.PopOperation();
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
        worker.Options()->LocalFailover = true;
        int lost = 0;
        worker.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
            ++lost;
            mode = rmReconnectExecute;
        };
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
    worker.Options()->LocalFailover = true;
    int lost = 0;
    worker.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
        ++lost;
        mode = rmReconnectExecute;
    };
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
    worker.Options()->LocalFailover = true;
    int lost = 0;
    worker.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
        ++lost;
        mode = rmReconnectExecute;
    };
    ConnectPostgres(worker);
    EXPECT_THROW(Run(worker, "SELECT pg_terminate_backend(pg_backend_pid())"), EDAError);
    EXPECT_EQ(TCustomDAConnection::MaxFailoverAttempts + 1, lost);
    EXPECT_FALSE(worker.Connected());
}

TEST_F(Failover, RoleThatMayNoLongerLogInStopsAfterTheBoundedReconnects) {
    Exec(admin.Internal(), "DROP ROLE IF EXISTS vz_failover");
    Exec(admin.Internal(), "CREATE ROLE vz_failover LOGIN PASSWORD 'vz-failover'");
    TOdbcDAConnection worker;
    worker.Options()->LocalFailover = true;
    int lost = 0;
    worker.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
        ++lost;
        mode = rmReconnectExecute;
    };
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
