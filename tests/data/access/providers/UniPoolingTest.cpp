// Pooling through the unified connection: sessions that outlive a disconnect, pools per login, a
// lost session that makes its pool check the others, and providers that do not pool.
#include <windows.h>

#include "OdbcTestSupport.h"
#include "data/access/CRConnectionPool.h"
#include "data/access/UniQuery.h"
#include "data/access/providers/ODBCConnectionPool.h"
#include "support/PostgresServer.h"

namespace {

enum PoolServer { pSQLite, pPostgres };

std::string PoolSQLiteFile() {
    std::string dir = BuildFolderUnix("uni-pooling-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = dir + "/pool-" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(("Z:" + file).c_str());
    return file;
}

void Login(TUniConnection& c, PoolServer server, const std::string& user = "",
           const std::string& password = "") {
    c.SetProviderName("ODBC");
    c.LoginPrompt = false;
    if (server == pSQLite) {
        static const std::string file = PoolSQLiteFile();
        c.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        return;
    }
    const PostgresServer& pg = PostgresServer::Get();
    c.SetServer(pg.ServerText().c_str());
    c.SetUsername((user.empty() ? pg.User : user).c_str());
    c.SetPassword((user.empty() ? pg.Password : password).c_str());
}

void Exec(TUniConnection& c, const std::string& sql) {
    TUniSQL statement(nullptr);
    statement.SetConnection(&c);
    statement.SQL()->SetText(sql.c_str());
    statement.Execute();
}

std::string Value(TUniConnection& c, const std::string& sql) {
    TUniQuery query;
    query.SetConnection(&c);
    query.SQL()->SetText(sql.c_str());
    query.Open();
    return query.Fields().Fields(0)->AsString();
}

// Each test starts with no pool: the process-wide manager goes with its idle sessions.
class UniPooling : public testing::TestWithParam<PoolServer> {
protected:
    void TearDown() override { ODBCConnectionPoolFinalize(); }
};

std::string PoolServerName(const testing::TestParamInfo<PoolServer>& info) {
    return info.param == pSQLite ? "SQLite" : "Postgres";
}

} // namespace

TEST_P(UniPooling, ASessionOutlivesTheDisconnectOnlyWhenPooled) {
    // A temporary table lives as long as its session.
    for (bool pooling : {false, true}) {
        SCOPED_TRACE(pooling ? "pooling" : "own connection");
        TUniConnection connection;
        Login(connection, GetParam());
        connection.SetPooling(pooling);
        connection.Connect();
        EXPECT_EQ(connection.InternalConnection()->Pool != nullptr, pooling);
        Exec(connection, "CREATE TEMPORARY TABLE vz_session (v INTEGER)");
        connection.Disconnect();
        EXPECT_FALSE(connection.Connected());
        connection.Connect();
        if (pooling)
            EXPECT_EQ(Value(connection, "SELECT count(*) FROM vz_session"), "0");
        else
            EXPECT_THROW(Value(connection, "SELECT count(*) FROM vz_session"), EDAError);
        if (pooling) Exec(connection, "DROP TABLE vz_session");
    }
}

TEST_P(UniPooling, ConnectionsInUseHaveSessionsOfTheirOwnAndGiveThemBackWhenFreed) {
    TCRConnection* firstSession;
    {
        auto a = std::make_unique<TUniConnection>();
        auto b = std::make_unique<TUniConnection>();
        for (TUniConnection* each : {a.get(), b.get()}) {
            Login(*each, GetParam());
            each->SetPooling(true);
            each->Connect();
        }
        EXPECT_NE(a->InternalConnection(), b->InternalConnection());
        firstSession = a->InternalConnection();
        // Freed while connected: a's session goes back to the pool first, then b's.
        a.reset();
        b.reset();
    }
    TUniConnection c;
    Login(c, GetParam());
    c.SetPooling(true);
    c.Connect();
    EXPECT_EQ(c.InternalConnection(), firstSession);
    EXPECT_EQ(Value(c, "SELECT 1"), "1");
}

TEST_P(UniPooling, SwitchingPoolingOffLetsTheSessionGo) {
    TUniConnection connection;
    Login(connection, GetParam());
    connection.SetPooling(true);
    connection.Connect();
    connection.SetPooling(false);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.InternalConnection(), nullptr);
    connection.Connect();
    EXPECT_EQ(connection.InternalConnection()->Pool, nullptr);
    EXPECT_EQ(Value(connection, "SELECT 2"), "2");
}

TEST_P(UniPooling, ProviderOptionsOfTheKeyMakePoolsOfTheirOwn) {
    TUniConnection a, b;
    Login(a, GetParam());
    Login(b, GetParam());
    b.SpecificOptions()->Add("ConnectionTimeout=16");
    a.SetPooling(true);
    b.SetPooling(true);
    a.Connect();
    TCRConnection* idle = a.InternalConnection();
    a.Disconnect();
    b.Connect();
    EXPECT_NE(b.InternalConnection(), idle);
    a.Connect();
    EXPECT_EQ(a.InternalConnection(), idle);
}

// A query kept across the disconnect runs on whatever pooled session the connection has next.
TEST_P(UniPooling, AQueryKeptAcrossReconnectsRunsOnTheNextSession) {
    TUniConnection connection;
    Login(connection, GetParam());
    connection.SetPooling(true);
    TUniQuery query;
    query.SetConnection(&connection);
    query.SQL()->SetText("SELECT 7");
    for (int pass = 0; pass < 3; ++pass) {
        SCOPED_TRACE(pass);
        connection.Connect();
        query.Prepare();
        query.Open();
        EXPECT_EQ(query.Fields().Fields(0)->AsString(), "7");
        connection.Disconnect();
        EXPECT_FALSE(query.Active());
        EXPECT_EQ(connection.InternalConnection(), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, UniPooling, testing::Values(pSQLite, pPostgres), PoolServerName);

namespace {

class UniPoolingPostgres : public testing::Test {
protected:
    void SetUp() override {
        const PostgresServer& pg = PostgresServer::Get();
        Login(admin, pPostgres, pg.AdminUser, pg.AdminPassword);
        admin.Connect();
    }
    void TearDown() override { ODBCConnectionPoolFinalize(); }
    void Kill(const std::string& pid) {
        ASSERT_EQ(Value(admin, "SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END"), "1");
        for (int i = 0; i < 100; ++i) {
            if (Value(admin, "SELECT count(*) FROM pg_stat_activity WHERE pid = " + pid) == "0") return;
            Sleep(20);
        }
    }
    TUniConnection admin;
};

} // namespace

// The ODBC connection answers the validity check without asking the driver, so a lost session must
// never reach the pool.
TEST_F(UniPoolingPostgres, ALostSessionIsNotGivenBackToThePool) {
    auto a = std::make_unique<TUniConnection>();
    Login(*a, pPostgres);
    a->SetPooling(true);
    a->Options()->LocalFailover = true; // without a handler a lost session disconnects
    a->Connect();
    const std::string pidA = Value(*a, "SELECT pg_backend_pid()");
    Kill(pidA);
    EXPECT_THROW(Exec(*a, "SELECT 1"), EUniError);
    EXPECT_FALSE(a->Connected());
    a.reset();
    TUniConnection b;
    Login(b, pPostgres);
    b.SetPooling(true);
    b.Connect();
    EXPECT_NE(Value(b, "SELECT pg_backend_pid()"), pidA);
}

TEST_F(UniPoolingPostgres, LoginsThatDifferArePooledApart) {
    Exec(admin, "DROP ROLE IF EXISTS vz_pool_other");
    Exec(admin, "CREATE ROLE vz_pool_other LOGIN PASSWORD 'vz-pool'");
    {
        TUniConnection mine, other;
        Login(mine, pPostgres);
        Login(other, pPostgres, "vz_pool_other", "vz-pool");
        mine.SetPooling(true);
        other.SetPooling(true);
        mine.Connect();
        mine.Disconnect();
        other.Connect();
        EXPECT_EQ(Value(other, "SELECT current_user"), "vz_pool_other");
        // A wrong password never reaches a pooled session of the right one.
        TUniConnection wrong;
        Login(wrong, pPostgres, "vz_pool_other", "not-it");
        wrong.SetPooling(true);
        other.Disconnect();
        EXPECT_THROW(wrong.Connect(), EUniError);
        EXPECT_FALSE(wrong.Connected());
    }
    ODBCConnectionPoolFinalize();
    Exec(admin, "DROP ROLE vz_pool_other");
}

// A pool outlives the component that made it; a connect failure of a later taker is that taker's.
TEST_F(UniPoolingPostgres, ConnectErrorsOfANewPooledSessionReachTheConnectionThatAskedForIt) {
    Exec(admin, "DROP ROLE IF EXISTS vz_pool_gone");
    Exec(admin, "CREATE ROLE vz_pool_gone LOGIN PASSWORD 'vz-pool'");
    int makerErrors = 0, takerErrors = 0;
    TUniConnection maker, holder, taker;
    for (TUniConnection* c : {&maker, &holder, &taker}) {
        Login(*c, pPostgres, "vz_pool_gone", "vz-pool");
        c->SetPooling(true);
    }
    maker.OnError = [&](TObject*, EDAError&, bool&) { ++makerErrors; };
    taker.OnError = [&](TObject*, EDAError&, bool&) { ++takerErrors; };
    maker.Connect();
    maker.Disconnect();
    holder.Connect(); // takes the idle session: the next taker needs a new one
    Exec(admin, "ALTER ROLE vz_pool_gone NOLOGIN");
    EXPECT_THROW(taker.Connect(), EUniError);
    EXPECT_EQ(makerErrors, 0);
    EXPECT_EQ(takerErrors, 1);
    holder.Disconnect();
    ODBCConnectionPoolFinalize();
    Exec(admin, "DROP ROLE vz_pool_gone");
}

TEST(UniPoolingProviders, AProviderWithoutPoolingConnectsOnItsOwn) {
    std::string dir = BuildFolderUnix("uni-pooling-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = "Z:" + dir + "/nopool" + std::to_string(GetCurrentProcessId()) + ".mdb";
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    TUniConnection connection;
    connection.SetProviderName("Access");
    connection.LoginPrompt = false;
    connection.SetDatabase(file.c_str());
    connection.SetPooling(true);
    connection.Connect();
    EXPECT_EQ(connection.InternalConnection()->Pool, nullptr);
    connection.Disconnect();
    DeleteFileA(file.c_str());
}

// A manager class that no provider registered answers the base's assertion.
TEST(UniPoolingProviders, AManagerClassWithoutAnEntryFailsItsAssertion) {
    TCRConnectionParameters key;
    EXPECT_EQ(MessageOf([&] {
                  TCRConnectionPoolManager::PooledConnection(TCRConnectionPoolManager::StaticClass(), key);
              }).find("Must be overriden") != std::string::npos,
              true);
}
