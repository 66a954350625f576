#include <gtest/gtest.h>

#include "OdbcTestSupport.h"
#include "data/access/providers/ODBCScriptProcessor.h"
#include "support/PostgresServer.h"

namespace {
// Runs each statement through the provider's command.
class TCommandExecutor : public IDAScriptExecutor {
public:
    explicit TCommandExecutor(TODBCConnection* connection) { command_.SetConnection(connection); }
    void SetSQL(const AnsiString& text) override { command_.SetSQL(text); }
    TDAParams* Params() override { return &params_; }
    void Execute() override { command_.Execute(); }
    bool Debug() const override { return false; }
    void SetDebug(bool) override {}

private:
    TODBCCommand command_;
    TDAParams params_;
};

class TCommandScript : public TDAScriptOwner {
public:
    explicit TCommandScript(TODBCConnection* connection) : runner_(connection) {}
    IDAScriptExecutor* Executor() override { return &runner_; }

private:
    TCommandExecutor runner_;
};
} // namespace

TEST(ODBCScript, ScriptRunsItsStatementsOnPostgres) {
    const PostgresServer& server = PostgresServer::Get();
    TODBCConnection connection;
    connection.SetServer(server.ServerText());
    connection.SetUsername(server.User);
    connection.SetPassword(server.Password);
    connection.Connect("");
    TCommandScript script(&connection);
    script.SQL.SetText("DROP TABLE IF EXISTS vz_script;\r\n"
                       "CREATE TABLE vz_script (id INTEGER, t VARCHAR(20));\r\n"
                       "-- rows\r\n"
                       "INSERT INTO vz_script VALUES (1, 'a;b');\r\n"
                       "INSERT INTO vz_script VALUES (2, 'it''s 中文')\r\n"
                       "/\r\n");
    TODBCScriptProcessor processor(&script);
    processor.ExecuteAll();
    auto rows = QueryRows(connection, "SELECT id, t FROM vz_script ORDER BY id");
    std::vector<std::vector<std::string>> want = {{"1", "a;b"}, {"2", "it's 中文"}};
    EXPECT_EQ(want, rows);
    Exec(connection, "DROP TABLE vz_script");
}
