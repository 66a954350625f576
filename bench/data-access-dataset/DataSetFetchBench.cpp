// da_dataset_bench [DRIVER]
//   Opens and fetches all of 100,000 rows (integer, 20-character text, double, date) through the
//   SQL dataset, beside raw SQLExecDirect and SQLFetch into column-bound arrays of as many rows per
//   call as the dataset's FetchRows, copied into a vector. At FetchRows 25 and 1,000.
//   DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture).
// Prints the best of three runs of each: rows per second, their ratio and allocations per row.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "support/PostgresServer.h"

namespace {
std::atomic<long long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rows = 100000;
const char* const Select = "SELECT id, name, x, d FROM vz_ds_bench";

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class TBenchConnection : public TCustomDAConnection {
public:
    TBenchConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }
    TODBCConnection& Internal() const { return *static_cast<TODBCConnection*>(InternalConnection()); }

protected:
    TClass GetInternalConnectionClass() override { return TODBCConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TODBCCommand::StaticClass(); }
    TClass GetInternalMetaDataClass() override { return TODBCMetaData::StaticClass(); }
    void CreateInternalConnection() override {
        if (!InternalConnection()) SetInternalConnection(std::make_unique<TODBCConnection>());
    }
};

class TBenchDataSet : public TCustomDADataSet {
public:
    TBenchDataSet() : TCustomDADataSet(nullptr) {}
    ~TBenchDataSet() override { Close(); }

protected:
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
};

struct RawRow {
    int id;
    std::string name;
    double x;
    SQL_DATE_STRUCT d;
};

double Raw(TODBCConnection& c, int rowset, long long& check) {
    TODBCCli* cli = c.Cli();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt);
    std::vector<SQLINTEGER> id(rowset);
    std::vector<char> name(static_cast<size_t>(rowset) * 21);
    std::vector<double> x(rowset);
    std::vector<SQL_DATE_STRUCT> d(rowset);
    std::vector<SQLLEN> ind(static_cast<size_t>(rowset) * 4);
    SQLULEN fetched = 0;
    std::vector<RawRow> out;
    auto start = Clock::now();
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN, 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                        reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(rowset)), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    cli->SQLExecDirect(stmt, (SQLCHAR*)Select, SQL_NTS);
    cli->SQLBindCol(stmt, 1, SQL_C_SLONG, id.data(), 0, &ind[0]);
    cli->SQLBindCol(stmt, 2, SQL_C_CHAR, name.data(), 21, &ind[rowset]);
    cli->SQLBindCol(stmt, 3, SQL_C_DOUBLE, x.data(), 0, &ind[2 * rowset]);
    cli->SQLBindCol(stmt, 4, SQL_C_TYPE_DATE, d.data(), 0, &ind[3 * rowset]);
    while (SQL_SUCCEEDED(cli->SQLFetch(stmt)))
        for (SQLULEN i = 0; i < fetched; ++i)
            out.push_back({id[i], std::string(&name[i * 21]), x[i], d[i]});
    double t = Seconds(start);
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    long long sum = 0;
    for (const RawRow& r : out)
        sum += r.id + r.d.day;
    check = sum + static_cast<long long>(out.size());
    return t;
}

double ThroughDataSet(TBenchConnection& c, int fetchRows, int& rowsRead, double& allocsPerRow) {
    TBenchDataSet ds;
    ds.SetConnection(&c);
    ds.SQL()->SetText(Select);
    ds.SetFetchRows(fetchRows);
    const long long before = allocations.load();
    auto start = Clock::now();
    ds.Open();
    ds.SetFetchAll(true);
    double t = Seconds(start);
    rowsRead = ds.RecordCount();
    allocsPerRow = static_cast<double>(allocations.load() - before) / (rowsRead ? rowsRead : 1);
    return t;
}

} // namespace

int main(int argc, char** argv) {
    std::string driver = argc > 1 ? argv[1] : "sqlite";
    try {
        TBenchConnection connection;
        if (driver == "postgres") {
            const PostgresServer& server = PostgresServer::Get();
            connection.SetServer(server.ServerText());
            connection.SetUsername(server.User);
            connection.SetPassword(server.Password);
        } else {
            const char* bin = std::getenv("VZ_BINARY_DIR");
            std::string file = std::string(bin ? bin : ".") + "/da_dataset_bench.db";
            DeleteFileA(("Z:" + file).c_str());
            connection.SetServer("DRIVER={SQLite3};Database=" + file);
        }
        connection.Connect();
        TODBCConnection& c = connection.Internal();
        c.ExecSQL("DROP TABLE IF EXISTS vz_ds_bench");
        c.ExecSQL("CREATE TABLE vz_ds_bench (id INTEGER, name VARCHAR(20), x DOUBLE PRECISION, d DATE)");
        if (driver == "postgres")
            c.ExecSQL("INSERT INTO vz_ds_bench SELECT i, rpad('row ' || i, 20, '.'), i / 3.0, "
                      "DATE '2000-01-01' + (i % 9000) FROM generate_series(1, " +
                      std::to_string(Rows) + ") i");
        else
            c.ExecSQL(
                "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
                std::to_string(Rows) +
                ") INSERT INTO vz_ds_bench SELECT i, substr('row ' || i || '....................', 1, 20), "
                "i / 3.0, date('2000-01-01', '+' || (i % 9000) || ' days') FROM s");
        for (int fetchRows : {25, 1000}) {
            double raw = 1e9, ours = 1e9, allocs = 0;
            long long check = 0;
            int rowsRead = 0;
            for (int run = 0; run < 3; ++run) {
                raw = std::min(raw, Raw(c, fetchRows, check));
                ours = std::min(ours, ThroughDataSet(connection, fetchRows, rowsRead, allocs));
            }
            std::printf("%s FetchRows %d: raw %.0f rows/s, dataset %.0f rows/s, ratio %.2f; %d rows, "
                        "%.3f allocations per row\n",
                        driver.c_str(), fetchRows, Rows / raw, Rows / ours, ours / raw, rowsRead, allocs);
        }
        c.ExecSQL("DROP TABLE vz_ds_bench");
    } catch (const Exception& e) {
        std::fprintf(stderr, "da_dataset_bench: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
