// The unified components over the Access provider, as the launcher uses them: a database file made
// for each test from a small SQL fixture, reached through the stand-in Access driver.
#include "UniTestSupport.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"

namespace {

[[maybe_unused]] testing::Environment* const kUniUnits = testing::AddGlobalTestEnvironment(
    new DataAccessUnitsEnvironment({"DBAccess", "UniProvider", "ODBCUniProvider", "AccessUniProvider"}));

TEST_F(UniAccess, LauncherRoadOpensReadsAndExecutes) {
    connection.SetConnected(false);
    connection.SetConnected(true);
    ASSERT_TRUE(connection.Connected());

    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT id, name, value FROM settings ORDER BY id");
    query.Prepare();
    query.Open();
    EXPECT_EQ(query.RecordCount(), 3);
    std::vector<std::string> names;
    while (!query.Eof()) {
        names.push_back(query.FieldByName("name")->AsString());
        query.Next();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"version", "server", "skin"}));
    query.Close();

    TUniQuery insert;
    insert.SetConnection(&connection);
    SetSQL(insert.SQL(), "INSERT INTO settings (name, value) VALUES (:name, :value)");
    insert.ParamByName("name")->SetAsString("user");
    insert.ParamByName("value")->SetAsString("中文用户");
    insert.Execute();
    EXPECT_EQ(insert.RowsAffected(), 1);

    TUniQuery update;
    update.SetConnection(&connection);
    SetSQL(update.SQL(), "UPDATE settings SET value = :v WHERE name = :n");
    update.ParamByName("v")->SetAsString("1.0.4");
    update.ParamByName("n")->SetAsString("version");
    update.Execute();
    EXPECT_EQ(update.RowsAffected(), 1);

    SetSQL(query.SQL(), "SELECT value FROM settings WHERE name = :n");
    for (auto [name, value] : {std::pair{"version", "1.0.4"}, std::pair{"user", "中文用户"}}) {
        query.ParamByName("n")->SetAsString(name);
        query.Open();
        EXPECT_EQ(query.RecordCount(), 1);
        EXPECT_EQ(query.FieldByName("value")->AsString(), value) << name;
        query.Close();
    }
}

// In disconnected mode; otherwise the connection a query opened stays open.
// The unified query reads and changes its statement's clauses in the provider's dialect; FilterSQL
// and its parameter reach the statement that way.
TEST_F(UniAccess, SQLBuildersAndFilterSQL) {
    TUniQuery query;
    query.SetConnection(&connection);
    const AnsiString sql = "SELECT id, name FROM settings WHERE id > 0 ORDER BY id";
    SetSQL(query.SQL(), sql.c_str());
    EXPECT_EQ(Trim(query.SQLGetFrom(sql)), "settings");
    EXPECT_EQ(Trim(query.SQLGetWhere(sql)), "id > 0");
    EXPECT_EQ(Trim(query.SQLGetOrderBy(sql)), "id");
    EXPECT_EQ(query.SQLDeleteWhere(sql).find("WHERE"), AnsiString::npos);
    EXPECT_NE(query.SQLSetOrderBy(sql, "name").find("ORDER BY name"), AnsiString::npos);
    query.SetFilterSQL("name = :n");
    query.ParamByName("n")->SetAsString("server");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("name")->AsString(), "server");
    query.Close();
}

TEST_F(UniAccess, AQueryOnAClosedConnectionConnectsAndClosesAgain) {
    connection.Options()->SetDisconnectedMode(true);
    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT count(*) AS n FROM settings");
    query.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(query.FieldByName("n")->AsInteger(), 3);
    query.Close();
    EXPECT_FALSE(connection.Connected());

    TUniSQL sql(nullptr);
    sql.SetConnection(&connection);
    SetSQL(sql.SQL(), "DELETE FROM settings WHERE name = :n");
    sql.ParamByName("n")->SetAsString("skin");
    sql.Execute();
    EXPECT_EQ(sql.RowsAffected(), 1);
    EXPECT_FALSE(connection.Connected());
}

TEST_F(UniAccess, TransactionsAreSeenFromASecondConnection) {
    connection.Connect();
    TUniConnection other;
    Setup(other);
    other.Connect();
    auto count = [&] { return QueryValue(Internal(other), "SELECT count(*) FROM settings"); };

    TUniSQL sql(nullptr);
    sql.SetConnection(&connection);
    SetSQL(sql.SQL(), "INSERT INTO settings (name) VALUES (:n)");
    connection.StartTransaction();
    EXPECT_TRUE(connection.GetInTransaction());
    sql.ParamByName("n")->SetAsString("a");
    sql.Execute();
    EXPECT_EQ(count(), "3");
    connection.Rollback();
    EXPECT_FALSE(connection.GetInTransaction());
    EXPECT_EQ(count(), "3");

    connection.StartTransaction();
    sql.ParamByName("n")->SetAsString("b");
    sql.Execute();
    connection.Commit();
    EXPECT_EQ(count(), "4");

    // Nothing to end on an inactive transaction.
    EXPECT_EQ(MessageOf([&] { connection.Commit(); }), "Can't perform operation on inactive transaction");
    other.Disconnect();
}

TEST_F(UniAccess, DriverErrorsArriveAsUniErrorsWithTheDriversState) {
    connection.Connect();
    std::string seen;
    connection.OnError = [&](TObject*, EDAError& e, bool&) {
        seen = dynamic_cast<EUniError*>(&e) ? "EUniError" : "other";
    };
    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT nothing FROM nowhere");
    std::unique_ptr<EUniError> kept;
    try {
        query.Open();
        ADD_FAILURE();
    } catch (const EUniError& e) {
        kept = std::make_unique<EUniError>(e);
    }
    // The wrapped error outlives the handler that caught it.
    ASSERT_NE(kept, nullptr);
    auto* inner = dynamic_cast<EODBCError*>(kept->InnerError());
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(kept->Message(), inner->Message());
    EXPECT_FALSE(inner->Message().empty());
    EXPECT_FALSE(inner->State.empty());
    EXPECT_FALSE(kept->IsFatalError());
    EXPECT_EQ(seen, "EUniError");

    // The SQLite driver behind the stand-in reports a unique violation as HY000: the key
    // violation is checked on PostgreSQL.
}

TEST(UniConnection, ProviderNames) {
    struct Case {
        const char* name;
        const char* stored;
        bool found;
        const char* connectError;
    } cases[] = {
        {"  Access  ", "Access", true, nullptr},
        {"ACCESS", "ACCESS", true, nullptr},
        {"odbc", "odbc", true, nullptr},
        {"MySQL", "MySQL", false,
         "MySQL provider is not registered. You should add the MySQLUniProvider unit to the uses clause of "
         "any "
         "unit in your project or place the TMySQLUniProvider component on the form."},
        {"Nothing", "Nothing", false, "Nothing is not a valid provider name"},
        {"", "", false, "Provider is not defined"},
    };
    for (const Case& c : cases) {
        TUniConnection connection;
        connection.SetProviderName(c.name);
        EXPECT_EQ(connection.ProviderName(), c.stored);
        EXPECT_EQ(connection.HasProvider(), c.found) << c.name;
        if (c.connectError) {
            connection.LoginPrompt = false;
            EXPECT_EQ(MessageOf([&] { connection.Connect(); }), c.connectError);
        }
    }
}

TEST(UniSQL, ParameterTexts) {
    struct Case {
        const char* text;
        const char* expected;
        std::vector<std::string> names;
        const char* renamed;
    } cases[] = {
        {"select * from T where A = :P and B = :P",
         "select * from T where A = ? and B = ?",
         {"P"},
         "select * from T where A = @P and B = @P"},
        {"select :@x", "select ?", {"@x"}, "select @@x"},
        {"select :\"a b\" from t", "select ? from t", {"a b"}, "select @a b from t"},
        {"a := b", "a := b", {}, "a := b"},
        {"select ':p' from t where x = :1",
         "select ':p' from t where x = ?",
         {"1"},
         "select ':p' from t where x = @1"},
    };
    for (const Case& c : cases) {
        TDAParams params;
        EXPECT_EQ(TUniSQL::ParseSQLParams(c.text, &params, ""), c.expected) << c.text;
        std::vector<std::string> names;
        for (int i = 0; i < params.Count(); ++i)
            names.push_back(params.Items(i)->Name());
        EXPECT_EQ(names, c.names) << c.text;
        EXPECT_EQ(TUniSQL::ParseSQLParams(c.text, nullptr, "@"), c.renamed) << c.text;
    }
}

TEST_F(UniAccess, ProviderNameCaseChangeKeepsTheConnectionAndActiveChangeIsRefused) {
    connection.Connect();
    EXPECT_EQ(MessageOf([&] { connection.SetProviderName("ODBC"); }),
              "This operation is not allowed on active connection");
    connection.Disconnect();
    TCRConnection* internal = connection.InternalConnection();
    ASSERT_NE(internal, nullptr);
    connection.SetProviderName("access");
    EXPECT_EQ(connection.InternalConnection(), internal);
    connection.SetProviderName("ODBC");
    EXPECT_EQ(connection.InternalConnection(), nullptr);
}

TEST_F(UniAccess, SpecificOptionsTakeThePrefixAndAChangeDisconnects) {
    TSpecificOptionsList* options = connection.SpecificOptions();
    options->Add("ExtendedAnsiSQL=True");
    options->Add("ODBC.ConnectionTimeout=5");
    options->Add("");
    EXPECT_EQ(options->Strings(0), "Access.ExtendedAnsiSQL=True");
    EXPECT_EQ(options->Strings(1), "ODBC.ConnectionTimeout=5");
    EXPECT_EQ(options->Strings(2), "");
    EXPECT_EQ(options->IndexOfName("ExtendedAnsiSQL"), 0);
    EXPECT_EQ(options->IndexOfName("Access.ExtendedAnsiSQL"), 0);
    EXPECT_EQ(options->IndexOfName("ConnectionTimeout"), -1);

    connection.Connect();
    options->Add("ExclusiveLock=False");
    EXPECT_FALSE(connection.Connected());
    connection.Connect();
    EXPECT_TRUE(connection.Connected());

    TUniConnection none;
    EXPECT_EQ(MessageOf([&] { none.SpecificOptions()->Add("X=1"); }), "Provider is not defined");
}

TEST_F(UniAccess, DataSetOptionsAreRefusedWhileOpen) {
    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT * FROM settings");
    query.Open();
    EXPECT_EQ(MessageOf([&] { query.SpecificOptions()->Add("FetchAll=True"); }),
              "Cannot perform this operation on an open dataset");
    query.Close();
}

TEST(UniConnection, MacrosWithConditions) {
    struct Macro {
        const char* name;
        const char* value;
        const char* condition;
    };
    struct Case {
        std::vector<Macro> macros;
        const char* text;
        const char* expected;
    } cases[] = {
        {{{"tbl", "settings", ""}}, "SELECT * FROM {tbl}", "SELECT * FROM settings"},
        // A conditional definition overrides an earlier unconditional one when its condition holds.
        {{{"tbl", "a", ""}, {"tbl", "b", "ACCESS"}}, "{tbl}", "b"},
        {{{"tbl", "a", ""}, {"tbl", "b", "ORACLE"}}, "{tbl}", "a"},
        // A condition met by another macro that is itself active.
        {{{"local", "1", ""}, {"db", "here", "local"}}, "{db}", "here"},
        {{}, "{if ACCESS}yes{else}no{endif}", "yes"},
    };
    for (const Case& c : cases) {
        TUniConnection connection;
        connection.SetProviderName("Access");
        for (const Macro& m : c.macros)
            connection.Macros()->Add(m.name, m.value, m.condition);
        AnsiString text = c.text;
        connection.ExpandSQL(text);
        EXPECT_EQ(text, c.expected) << c.text;
    }
    TUniConnection connection;
    connection.SetProviderName("Access");
    connection.Macros()->Add("a", "1", "b");
    connection.Macros()->Add("b", "1", "a");
    AnsiString text = "{a}";
    EXPECT_EQ(MessageOf([&] { connection.ExpandSQL(text); }), "Cyclic macros conditions");
}

TEST_F(UniAccess, AMacroChangedAfterPrepareReachesTheNextOpen) {
    connection.Macros()->Add("who", "'version'");
    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT value FROM settings WHERE name = {who}");
    query.Prepare();
    query.Open();
    EXPECT_EQ(query.FieldByName("value")->AsString(), "1.0.3");
    query.Close();
    const int version = connection.MacrosVersion();
    connection.Macros()->SetValue(0, "'server'");
    EXPECT_GT(connection.MacrosVersion(), version);
    query.Open();
    EXPECT_EQ(query.FieldByName("value")->AsString(), "http://127.0.0.1/tax");
}

TEST_F(UniPostgres, TheLauncherStatementsRunUnchanged) {
    TUniQuery insert;
    insert.SetConnection(&connection);
    SetSQL(insert.SQL(), "INSERT INTO {tbl} (name, value) VALUES (:name, :value)");
    insert.ParamByName("name")->SetAsString("user");
    insert.ParamByName("value")->SetAsString("中文用户");
    insert.Execute();
    EXPECT_EQ(insert.RowsAffected(), 1);

    TUniQuery update;
    update.SetConnection(&connection);
    SetSQL(update.SQL(), "UPDATE {tbl} SET value = :v WHERE name = :n");
    update.ParamByName("v")->SetAsString("1.0.4");
    update.ParamByName("n")->SetAsString("version");
    update.Execute();
    EXPECT_EQ(update.RowsAffected(), 1);

    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(),
           "SELECT name, value FROM {tbl} WHERE day = {date '2026-12-10'} OR day IS NULL ORDER BY id");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.FieldByName("value")->AsString(), "1.0.4");
    query.Next();
    EXPECT_EQ(query.FieldByName("value")->AsString(), "中文用户");
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(Value(connection, "SELECT {if ACCESS}'access'{else}'other'{endif}"), "other");
}

TEST_F(UniPostgres, TransactionsAreSeenFromASecondConnection) {
    TUniConnection other;
    Connect(other);
    other.Macros()->Add("tbl", table.c_str());
    connection.StartTransaction();
    Run(connection, "INSERT INTO {tbl} (name) VALUES ('a')");
    EXPECT_EQ(Value(other, "SELECT count(*) FROM {tbl}"), "1");
    connection.Rollback();
    EXPECT_EQ(Value(other, "SELECT count(*) FROM {tbl}"), "1");
    connection.StartTransaction();
    Run(connection, "INSERT INTO {tbl} (name) VALUES ('b')");
    connection.Commit();
    EXPECT_EQ(Value(other, "SELECT count(*) FROM {tbl}"), "2");
}

TEST_F(UniPostgres, ErrorsArriveAsUniErrorsWithTheDriversState) {
    std::string seen;
    connection.OnError = [&](TObject*, EDAError& e, bool&) {
        seen = dynamic_cast<EUniError*>(&e) ? "EUniError" : "other";
    };
    try {
        Run(connection, "INSERT INTO {tbl} (name) VALUES ('version')");
        ADD_FAILURE();
    } catch (const EUniError& e) {
        EXPECT_TRUE(e.IsKeyViolation());
        auto* inner = dynamic_cast<EODBCError*>(e.InnerError());
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(inner->State, "23505");
        EXPECT_EQ(e.Message(), inner->Message());
    }
    EXPECT_EQ(seen, "EUniError");
}

TEST_F(UniPostgres, AStatementAfterTheSessionEndsFailsOnceAndTheNextRunsOnANewSession) {
    TUniConnection admin;
    {
        const PostgresServer& server = PostgresServer::Get();
        admin.SetProviderName("ODBC");
        admin.LoginPrompt = false;
        admin.SetServer(server.ServerText().c_str());
        admin.SetUsername(server.AdminUser.c_str());
        admin.SetPassword(server.AdminPassword.c_str());
        admin.Connect();
    }
    const std::string pid = Value(connection, "SELECT pg_backend_pid()");
    ASSERT_EQ(Value(admin, ("SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END").c_str()),
              "1");
    for (int i = 0; i < 100; ++i) {
        if (Value(admin, ("SELECT count(*) FROM pg_stat_activity WHERE pid = " + pid).c_str()) == "0") break;
        Sleep(20);
    }
    try {
        Value(connection, "SELECT 1");
        ADD_FAILURE();
    } catch (const EUniError& e) {
        EXPECT_TRUE(e.IsFatalError()) << e.Message();
    }
    const std::string next = Value(connection, "SELECT pg_backend_pid()");
    EXPECT_NE(next, pid);
}
} // namespace
