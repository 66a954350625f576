// da_update_bench [DRIVER]
//   Changes one text column of each of 2,000 rows: through the SQL dataset (Edit, set the field,
//   Post: a generated UPDATE with the changed field and the key), and, as the baseline, through one
//   raw SQLPrepare of the same UPDATE executed with bound parameters for each row. Each write commits
//   on its own in both. Also the dataset with a refresh after each update (roAfterUpdate), and with
//   its update statement kept prepared (PrepareUpdateSQL).
//   DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture).
// Prints the best of three runs of each: rows per second and the dataset's cost beside the raw one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "data/access/providers/ODBCServices.h"
#include "data/access/providers/OdbcDAConnection.h"
#include "support/PostgresServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rows = 2000;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class TBenchDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TBenchDataSet, TCustomDADataSet)
    TBenchDataSet() : TCustomDADataSet(nullptr) {}
    ~TBenchDataSet() override { Close(); }

protected:
    TClass GetServiceClass() const override { return TCustomODBCDataSetService::StaticClass(); }
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
    TCustomDADataSet* NewDataSet() override { return new TBenchDataSet(); }
};

double Raw(TODBCConnection& c, int round) {
    TODBCCli* cli = c.Cli();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt);
    char name[21] = {};
    SQLINTEGER id = 0;
    SQLLEN nameLength = SQL_NTS, idLength = 0;
    auto start = Clock::now();
    cli->SQLPrepare(stmt, (SQLCHAR*)"UPDATE vz_upd_bench SET name = ? WHERE id = ?", SQL_NTS);
    cli->SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 20, 0, name, sizeof name,
                          &nameLength);
    cli->SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &idLength);
    for (int i = 1; i <= Rows; ++i) {
        std::snprintf(name, sizeof name, "raw %d %d", round, i);
        id = i;
        cli->SQLExecute(stmt);
    }
    double t = Seconds(start);
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return t;
}

double ThroughDataSet(TOdbcDAConnection& connection, int round, bool refresh, bool prepared = false) {
    TBenchDataSet ds;
    ds.SetConnection(&connection);
    ds.SQL()->SetText("SELECT id, name FROM vz_upd_bench ORDER BY id");
    ds.KeyFields = "id";
    ds.RefreshOptions = refresh ? roAfterUpdate : 0;
    ds.Options()->PrepareUpdateSQL = prepared;
    ds.Open();
    auto start = Clock::now();
    for (; !ds.Eof(); ds.Next()) {
        ds.Edit();
        ds.FieldByName("name")->SetAsString("ds " + std::to_string(round) + " " +
                                            ds.FieldByName("id")->GetAsString());
        ds.Post();
    }
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv) {
    std::string driver = argc > 1 ? argv[1] : "sqlite";
    try {
        TOdbcDAConnection connection;
        if (driver == "postgres") {
            const PostgresServer& server = PostgresServer::Get();
            connection.SetServer(server.ServerText());
            connection.SetUsername(server.User);
            connection.SetPassword(server.Password);
        } else {
            const char* bin = std::getenv("VZ_BINARY_DIR");
            std::string file = std::string(bin ? bin : ".") + "/da_update_bench.db";
            DeleteFileA(("Z:" + file).c_str());
            connection.SetServer("DRIVER={SQLite3};Database=" + file);
        }
        connection.Connect();
        TODBCConnection& c = connection.Internal();
        c.ExecSQL("DROP TABLE IF EXISTS vz_upd_bench");
        c.ExecSQL("CREATE TABLE vz_upd_bench (id INTEGER PRIMARY KEY, name VARCHAR(20))");
        for (int i = 1; i <= Rows; ++i)
            c.ExecSQL("INSERT INTO vz_upd_bench VALUES (" + std::to_string(i) + ", 'row')");
        double raw = 1e9, ours = 1e9, refreshed = 1e9, prepared = 1e9;
        for (int round = 0; round < 3; ++round) {
            raw = std::min(raw, Raw(c, round));
            ours = std::min(ours, ThroughDataSet(connection, round, false));
            refreshed = std::min(refreshed, ThroughDataSet(connection, round + 10, true));
            prepared = std::min(prepared, ThroughDataSet(connection, round + 20, false, true));
        }
        std::printf(
            "%s, %d rows: raw prepared UPDATE %.0f rows/s; dataset posts %.0f rows/s (%.2fx raw time); "
            "with refresh after update %.0f rows/s (%.2fx raw time); with PrepareUpdateSQL %.0f rows/s "
            "(%.2fx "
            "raw time)\n",
            driver.c_str(), Rows, Rows / raw, Rows / ours, ours / raw, Rows / refreshed, refreshed / raw,
            Rows / prepared, prepared / raw);
        c.ExecSQL("DROP TABLE vz_upd_bench");
    } catch (const Exception& e) {
        std::fprintf(stderr, "da_update_bench: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
