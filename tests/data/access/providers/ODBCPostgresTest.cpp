// The ODBC provider on a real PostgreSQL server: login, lost sessions, transactions and the
// output values of functions.
#include "OdbcTestSupport.h"
#include "data/memory/FieldDescs.h"
#include "support/PostgresServer.h"

namespace {

std::unique_ptr<TODBCConnection> PgConnect(bool admin = false, const std::string& options = "") {
    const PostgresServer& server = PostgresServer::Get();
    auto connection = std::make_unique<TODBCConnection>();
    connection->SetServer(server.ServerText() + options);
    connection->SetUsername(admin ? server.AdminUser : server.User);
    connection->SetPassword(admin ? server.AdminPassword : server.Password);
    connection->Connect("");
    return connection;
}

// Runs sql through a provider command and answers the error it raised (nullptr when none).
std::unique_ptr<EODBCError> ErrorOf(TODBCConnection& connection, const std::string& sql, int timeout = 0) {
    TODBCCommand command;
    command.SetConnection(&connection);
    command.SetProp(prDisableParamScan, true);
    command.CommandTimeout = timeout;
    command.SetSQL(sql);
    try {
        command.Execute();
    } catch (const EODBCError& e) {
        return std::make_unique<EODBCError>(e);
    }
    return nullptr;
}

TEST(PostgresConnection, RoleWhosePasswordHoldsASemicolonConnects) {
    const PostgresServer& server = PostgresServer::Get();
    ASSERT_NE(std::string::npos, server.Password.find(';'));
    auto connection = PgConnect();
    EXPECT_TRUE(connection->GetConnected());
    EXPECT_EQ(server.User, QueryValue(*connection, "SELECT current_user"));
    EXPECT_EQ("GBK", QueryValue(*connection, "SHOW client_encoding"));
    EXPECT_TRUE(connection->IsODBC3Driver());
    EXPECT_EQ(icLower, connection->IdentifierCase());
    EXPECT_NE("", connection->GetServerVersion());

    // The wrong password is refused and leaves no handle.
    TODBCConnection refused;
    refused.SetServer(server.ServerText());
    refused.SetUsername(server.User);
    refused.SetPassword("vz;wrong");
    try {
        refused.Connect("");
        FAIL() << "connected";
    } catch (const EODBCError& e) {
        EXPECT_NE("", e.Message());
        EXPECT_EQ(SQL_ERROR, e.ErrorCode);
    }
    EXPECT_FALSE(refused.GetConnected());
    EXPECT_EQ(nullptr, refused.ConnectionHandle());
}

TEST(PostgresConnection, SessionEndedByTheServerGivesAFatalErrorOthersDoNot) {
    auto admin = PgConnect(true);
    auto worker = PgConnect();
    Exec(*worker, "DROP TABLE IF EXISTS vz_keys");
    Exec(*worker, "CREATE TABLE vz_keys (id INTEGER PRIMARY KEY)");
    Exec(*worker, "INSERT INTO vz_keys VALUES (1)");

    struct Case {
        const char* name;
        std::string sql;
        int timeout;
        bool keyViolation;
    } cases[] = {
        {"syntax error", "SELEC 1", 0, false},
        {"key violation", "INSERT INTO vz_keys VALUES (1)", 0, true},
        {"time-out", "SELECT pg_sleep(10)", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto error = ErrorOf(*worker, c.sql, c.timeout);
        ASSERT_NE(nullptr, error);
        EXPECT_FALSE(error->IsFatalError()) << error->State << " " << error->Message();
        EXPECT_EQ(c.keyViolation, error->IsKeyViolation()) << error->State;
    }

    std::string pid = QueryValue(*worker, "SELECT pg_backend_pid()");
    EXPECT_EQ("1",
              QueryValue(*admin, "SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END"));
    auto lost = ErrorOf(*worker, "SELECT 1");
    ASSERT_NE(nullptr, lost);
    EXPECT_TRUE(lost->IsFatalError()) << lost->State << " " << lost->Message();
}

class PostgresTransaction : public testing::Test {
protected:
    void SetUp() override {
        a = PgConnect();
        b = PgConnect();
        Exec(*a, "DROP TABLE IF EXISTS vz_tx");
        Exec(*a, "CREATE TABLE vz_tx (v INTEGER)");
    }
    std::string Seen() {
        return QueryValue(*b, "SELECT COALESCE(string_agg(v::text, ',' ORDER BY v), '') FROM vz_tx");
    }
    std::unique_ptr<TODBCConnection> a, b;
};

TEST_F(PostgresTransaction, CommitAndRollbackAreSeenFromASecondConnection) {
    TCRTransaction* t = a->GetInternalTransaction();
    t->StartTransaction();
    Exec(*a, "INSERT INTO vz_tx VALUES (1)");
    EXPECT_EQ("", Seen());
    t->Commit();
    EXPECT_EQ("1", Seen());

    t->StartTransaction();
    Exec(*a, "INSERT INTO vz_tx VALUES (2)");
    t->Rollback();
    EXPECT_EQ("1", Seen());
    // Auto-commit is back on after the transaction.
    Exec(*a, "INSERT INTO vz_tx VALUES (3)");
    EXPECT_EQ("1,3", Seen());
}

TEST_F(PostgresTransaction, IsolationLevelsAsTheServerReportsThem) {
    TCRTransaction* t = a->GetInternalTransaction();
    struct Case {
        TCRIsolationLevel level;
        const char* server;
    } cases[] = {
        {ilReadCommitted, "read committed"},   {ilReadUnCommitted, "read uncommitted"},
        {ilRepeatableRead, "repeatable read"}, {ilIsolated, "serializable"},
        {ilSnapshot, "serializable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        t->SetProp(prIsolationLevel, static_cast<int>(c.level));
        t->StartTransaction();
        EXPECT_EQ(c.server, QueryValue(*a, "SHOW transaction_isolation"));
        t->Rollback();
    }
    t->SetProp(prIsolationLevel, static_cast<int>(ilCustom));
    EXPECT_THROW(t->StartTransaction(), Exception);
    EXPECT_FALSE(t->GetInTransaction());
}

TEST_F(PostgresTransaction, RollbackToASavepointKeepsWhatCameBefore) {
    TCRTransaction* t = a->GetInternalTransaction();
    EXPECT_THROW(t->Savepoint("s1"), Exception);
    t->StartTransaction();
    Exec(*a, "INSERT INTO vz_tx VALUES (1)");
    t->Savepoint("s1");
    Exec(*a, "INSERT INTO vz_tx VALUES (2)");
    t->RollbackToSavepoint("s1");
    Exec(*a, "INSERT INTO vz_tx VALUES (3)");
    t->Savepoint("s2");
    t->ReleaseSavepoint("s2");
    t->Commit();
    EXPECT_EQ("1,3", Seen());
}

TEST(PostgresFunction, OutputInputOutputAndReturnValues) {
    auto connection = PgConnect();
    Exec(*connection,
         "CREATE OR REPLACE FUNCTION vz_calc(a integer, INOUT b varchar, OUT c double precision) "
         "AS $$ BEGIN b := b || '·' || a::text; c := a * 1.5; END $$ LANGUAGE plpgsql");
    Exec(*connection, "CREATE OR REPLACE FUNCTION vz_twice(x integer) RETURNS integer "
                      "AS $$ SELECT x * 2 $$ LANGUAGE sql");

    TODBCCommand call;
    call.SetConnection(connection.get());
    call.SetSQL("{call vz_calc(:a, :b, :c)}");
    ASSERT_EQ(3, call.ParamCount());
    auto* a = static_cast<TODBCParamDesc*>(call.GetParam(0));
    a->SetDataType(tcInt32);
    a->SetParamType(pdInput);
    a->SetValue(7);
    auto* b = static_cast<TODBCParamDesc*>(call.GetParam(1));
    b->SetDataType(tcString);
    b->SetParamType(pdInputOutput);
    b->SetSize(50);
    b->SetValue(AnsiString("中文"));
    auto* c = static_cast<TODBCParamDesc*>(call.GetParam(2));
    c->SetDataType(tcFloat);
    c->SetParamType(pdOutput);
    call.Execute();
    EXPECT_EQ(AnsiString("中文·7"), b->GetValue().AsAnsiString());
    EXPECT_DOUBLE_EQ(10.5, c->GetValue().AsDouble());

    // psqlODBC's server-side preparation drops the arguments of a return-value call escape; its
    // own substitution of the parameters handles it.
    connection = PgConnect(false, ";UseServerSidePrepare=0");
    TODBCCommand twice;
    twice.SetConnection(connection.get());
    for (auto [name, type] : {std::pair<const char*, uint8_t>{"R", pdResult}, {"X", pdInput}}) {
        TParamDesc* p = twice.AddParam();
        p->SetName(name);
        p->SetDataType(tcInt32);
        p->SetParamType(type);
    }
    twice.GetParam(1)->SetValue(21);
    EXPECT_EQ("{:R = call vz_twice(:X)}", twice.CreateProcCall("vz_twice", false));
    EXPECT_EQ("{? = call vz_twice(?)}", twice.FinalSQL());
    twice.Execute();
    EXPECT_EQ(42, twice.GetParam(0)->GetValue().AsInteger());
}

} // namespace
