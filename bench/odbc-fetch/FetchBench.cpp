// odbc_fetch_bench [DRIVER]
//   Reads 100,000 rows of (integer, 40-character text, double, date) through TODBCRecordSet with
//   fetch all, beside raw SQLFetch of the same SELECT with the columns bound as row-wise arrays of
//   the same rowset size (25); then the same without the date column (the record set's array
//   path). DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture).
// Prints the best of three runs of each, their ratio, and the bytes the record set holds per row.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/access/providers/ODBCRecordSet.h"
#include "support/PostgresServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rows = 100000;
constexpr int RowsetSize = 25;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::unique_ptr<TODBCConnection> Connect(const std::string& driver) {
    auto connection = std::make_unique<TODBCConnection>();
    if (driver == "postgres") {
        const PostgresServer& server = PostgresServer::Get();
        connection->SetServer(server.ServerText());
        connection->SetUsername(server.User);
        connection->SetPassword(server.Password);
    } else {
        const char* bin = std::getenv("VZ_BINARY_DIR");
        std::string file = std::string(bin ? bin : ".") + "/odbc_fetch_bench.db";
        DeleteFileA(("Z:" + file).c_str());
        connection->SetServer("DRIVER={SQLite3};Database=" + file);
    }
    connection->Connect("");
    return connection;
}

void Fill(TODBCConnection& c, bool pg) {
    c.ExecSQL("DROP TABLE IF EXISTS vz_fetch_bench");
    c.ExecSQL("CREATE TABLE vz_fetch_bench (id INTEGER, name VARCHAR(40), x DOUBLE PRECISION, d DATE)");
    if (pg)
        c.ExecSQL("INSERT INTO vz_fetch_bench SELECT i, rpad('row ' || i, 40, '.'), i / 3.0, "
                  "DATE '2000-01-01' + (i % 9000) FROM generate_series(1, " +
                  std::to_string(Rows) + ") i");
    else
        c.ExecSQL("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
                  std::to_string(Rows) +
                  ") INSERT INTO vz_fetch_bench SELECT i, substr('row ' || i || "
                  "'........................................', 1, 40), "
                  "i / 3.0, date('2000-01-01', '+' || (i % 9000) || ' days') FROM s");
}

#pragma pack(push, 4)
struct RawRow {
    SQLINTEGER id;
    SQLLEN idInd;
    char name[41];
    SQLLEN nameInd;
    double x;
    SQLLEN xInd;
    SQL_DATE_STRUCT d;
    SQLLEN dInd;
};
#pragma pack(pop)

// Raw ODBC: the same SELECT, row-wise arrays of RowsetSize, the values summed so that they are read.
double Raw(TODBCConnection& c, bool withDate, long long& check) {
    TODBCCli* cli = c.Cli();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt);
    RawRow rows[RowsetSize];
    SQLULEN fetched = 0;
    auto start = Clock::now();
    std::string sql =
        withDate ? "SELECT id, name, x, d FROM vz_fetch_bench" : "SELECT id, name, x FROM vz_fetch_bench";
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(RawRow)), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(RowsetSize), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    cli->SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
    cli->SQLBindCol(stmt, 1, SQL_C_SLONG, &rows[0].id, 0, &rows[0].idInd);
    cli->SQLBindCol(stmt, 2, SQL_C_CHAR, rows[0].name, 41, &rows[0].nameInd);
    cli->SQLBindCol(stmt, 3, SQL_C_DOUBLE, &rows[0].x, 0, &rows[0].xInd);
    if (withDate) cli->SQLBindCol(stmt, 4, SQL_C_TYPE_DATE, &rows[0].d, 0, &rows[0].dInd);
    long long sum = 0;
    while (SQL_SUCCEEDED(cli->SQLFetch(stmt)))
        for (SQLULEN i = 0; i < fetched; ++i)
            sum += rows[i].id + rows[i].name[4] + (withDate ? rows[i].d.day : 0);
    double t = Seconds(start);
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    check = sum;
    return t;
}

double ThroughRecordSet(TODBCConnection& c, bool withDate, int& rowsRead, int& bytesPerRow) {
    auto start = Clock::now();
    TODBCRecordSet rs;
    rs.SetConnection(&c);
    rs.SetSQL(withDate ? "SELECT id, name, x, d FROM vz_fetch_bench"
                       : "SELECT id, name, x FROM vz_fetch_bench");
    rs.SetProp(prFetchAll, true);
    rs.Open();
    double t = Seconds(start);
    rowsRead = rs.GetRecordCount();
    bytesPerRow = rs.RecordSize + RowItemHeaderSize;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    std::string driver = argc > 1 ? argv[1] : "sqlite";
    try {
        auto connection = Connect(driver);
        Fill(*connection, driver == "postgres");
        for (bool withDate : {true, false}) {
            double raw = 1e9, ours = 1e9;
            long long check = 0;
            int rowsRead = 0, bytes = 0;
            for (int run = 0; run < 3; ++run) {
                raw = std::min(raw, Raw(*connection, withDate, check));
                ours = std::min(ours, ThroughRecordSet(*connection, withDate, rowsRead, bytes));
            }
            std::printf("%s %s: raw %.3f s, record set %.3f s, ratio %.2f; %d rows, %d bytes per row "
                        "(record %d + item header %d)\n",
                        driver.c_str(), withDate ? "int,text40,double,date" : "int,text40,double", raw, ours,
                        ours / raw, rowsRead, bytes, bytes - RowItemHeaderSize, RowItemHeaderSize);
        }
        connection->ExecSQL("DROP TABLE vz_fetch_bench");
    } catch (const Exception& e) {
        std::fprintf(stderr, "odbc_fetch_bench: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
