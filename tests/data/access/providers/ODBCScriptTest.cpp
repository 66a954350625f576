#include <gtest/gtest.h>

#include "OdbcTestSupport.h"
#include "data/access/DADump.h"
#include "data/access/providers/ODBCScriptProcessor.h"
#include "platform/VectorDataSet.h"
#include "platform/core/DateTime.h"
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

void ConnectPostgres(TODBCConnection& connection) {
    const PostgresServer& server = PostgresServer::Get();
    connection.SetServer(server.ServerText());
    connection.SetUsername(server.User);
    connection.SetPassword(server.Password);
    connection.Connect("");
}

class TCommandScript : public TDAScriptOwner {
public:
    explicit TCommandScript(TODBCConnection* connection) : runner_(connection) {}
    IDAScriptExecutor* Executor() override { return &runner_; }

private:
    TCommandExecutor runner_;
};
} // namespace

TEST(ODBCScript, ScriptRunsItsStatementsOnPostgres) {
    TODBCConnection connection;
    ConnectPostgres(connection);
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

namespace {
// A dump of rows kept in memory; its lines are then run back as a script.
class TMemoryDump : public TDADumpOwner {
public:
    std::function<std::unique_ptr<TDataSet>()> Make;
    std::unique_ptr<TDataSet> OpenQuery(const AnsiString&) override { return Make(); }
    void GetTableNames(TStrings* names) override { names->Add("vz_dump"); }
    void QueryTables(const AnsiString&, TStrings* tables) override { tables->Add("vz_dump"); }
};

std::unique_ptr<TDataSet> DumpRows(bool withBytes) {
    auto data = std::make_unique<TVectorDataSet>();
    data->Columns = {{"i", ftInteger}, {"s", ftString, 20}, {"f", ftFloat}, {"d", ftDateTime}};
    if (withBytes) data->Columns.push_back({"b", ftVarBytes, 4});
    data->Open();
    const double values[] = {0.1 + 0.2, 1.0 / 3, 1e300};
    for (int row = 0; row < 3; ++row) {
        data->Append();
        data->Fields()[0]->SetAsInteger(row);
        data->Fields()[1]->SetAsString(row == 0 ? "it's 中文" : "x");
        data->Fields()[2]->SetAsFloat(values[row]);
        data->Fields()[3]->SetAsDateTime(EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 5, 678));
        if (withBytes) data->Fields()[4]->SetAsBytes(TBytes{0x00, 0xFF});
        data->Post();
    }
    // A row of NULLs.
    data->Append();
    data->Post();
    data->First();
    return data;
}

void DumpInto(TODBCConnection& connection, bool withBytes) {
    TMemoryDump dump;
    dump.Make = [withBytes] { return DumpRows(withBytes); };
    dump.TableNames.Add("vz_dump");
    TDADumpProcessor processor(&dump);
    processor.Backup("");
    TCommandScript script(&connection);
    script.SQL.Assign(&dump.Lines);
    TODBCScriptProcessor run(&script);
    run.ExecuteAll();
}
} // namespace

TEST(ODBCDump, DumpedRowsRunBackIntoAnEmptyCopyOnSQLite) {
    std::string file =
        BuildFolderUnix("odbc-provider-tests") + "/dump-" + std::to_string(GetCurrentProcessId()) + ".db";
    CreateDirectoryA(("Z:" + BuildFolderUnix("odbc-provider-tests")).c_str(), nullptr);
    DeleteFileA(("Z:" + file).c_str());
    {
        TODBCConnection connection;
        connection.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        connection.Connect("");
        Exec(connection, "CREATE TABLE vz_dump (i INTEGER, s VARCHAR(20), f DOUBLE, d VARCHAR(30), b BLOB)");
        DumpInto(connection, true);
        auto rows = QueryRows(connection, "SELECT i, s, f = 0.1 + 0.2, f = 1.0 / 3, f = 1e300, d, hex(b) "
                                          "FROM vz_dump ORDER BY i");
        std::vector<std::vector<std::string>> want = {
            {"<null>", "<null>", "<null>", "<null>", "<null>", "<null>", ""},
            {"0", "it's 中文", "1", "0", "0", "2024-01-02 03:04:05.678", "00FF"},
            {"1", "x", "0", "1", "0", "2024-01-02 03:04:05.678", "00FF"},
            {"2", "x", "0", "0", "1", "2024-01-02 03:04:05.678", "00FF"},
        };
        EXPECT_EQ(want, rows);
    }
    DeleteFileA(("Z:" + file).c_str());
}

TEST(ODBCDump, NumbersAndTimestampsRunBackOnPostgres) {
    TODBCConnection connection;
    ConnectPostgres(connection);
    Exec(connection, "DROP TABLE IF EXISTS vz_dump");
    Exec(connection, "CREATE TABLE vz_dump (i INTEGER, s VARCHAR(20), f FLOAT8, d TIMESTAMP(3))");
    DumpInto(connection, false);
    auto rows =
        QueryRows(connection, "SELECT i, s, f = 0.1::float8 + 0.2::float8, f = 1::float8 / 3, f = 1e300, "
                              "to_char(d, 'YYYY-MM-DD HH24:MI:SS.MS') FROM vz_dump ORDER BY i NULLS FIRST");
    std::vector<std::vector<std::string>> want = {
        {"<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
        {"0", "it's 中文", "1", "0", "0", "2024-01-02 03:04:05.678"},
        {"1", "x", "0", "1", "0", "2024-01-02 03:04:05.678"},
        {"2", "x", "0", "0", "1", "2024-01-02 03:04:05.678"},
    };
    EXPECT_EQ(want, rows);
    Exec(connection, "DROP TABLE vz_dump");
}
