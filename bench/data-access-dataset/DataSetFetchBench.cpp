// da_dataset_bench [DRIVER] [ROUNDS]
//   Opens and fetches all of 100,000 rows (integer, 20-character text, double, date) through the
//   SQL dataset at FetchRows 25 and 1,000, beside the plain ODBC limit: SQLExecDirect, every column
//   bound once to arrays of the block size fastest for the driver (found first among 100 to
//   1,000 rows) and every value read where the driver put it. Also the former comparison, named
//   rowsCopied: blocks of the dataset's FetchRows, each row copied into a vector.
//   DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture).
// ROUNDS (default 7) take turns; prints the median time and range of each phase, the median and
// range of the per-round ratio to its baseline, and the dataset's allocations per row.
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
#include "BenchRounds.h"
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
const auto Seconds = BenchSeconds;
constexpr int Rows = 100000;
const char* const Select = "SELECT id, name, x, d FROM vz_ds_bench";

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

// Arrays of rowset rows bound once. The plain limit (copyRows false) reads each value where the
// driver wrote it; the former baseline (copyRows true) copies each row into a vector.
double Plain(TODBCConnection& c, int rowset, long long& check, bool copyRows = false) {
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
    long long sum = 0, rows = 0;
    double reals = 0;
    while (SQL_SUCCEEDED(cli->SQLFetch(stmt))) {
        for (SQLULEN i = 0; i < fetched; ++i)
            if (copyRows) {
                out.push_back({id[i], std::string(&name[i * 21]), x[i], d[i]});
            } else {
                sum += id[i] + d[i].day + d[i].month + d[i].year + ind[rowset + i] + name[i * 21];
                reals += x[i];
            }
        rows += static_cast<long long>(fetched);
    }
    double t = Seconds(start);
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    for (const RawRow& r : out)
        sum += r.id + r.d.day;
    check = sum + rows + (reals > 0 ? 0 : 1);
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
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
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
        // The plain limit's block size: the fastest median of three rounds.
        int best = 500;
        double bestTime = 1e30;
        long long check = 0;
        std::printf("%s plain ODBC, block size (median of 3, ms):", driver.c_str());
        for (int block : {100, 250, 500, 1000}) {
            std::vector<double> t;
            for (int r = 0; r < 3; ++r)
                t.push_back(Plain(c, block, check));
            std::printf(" %d %.1f", block, Median(t) * 1000);
            if (Median(t) < bestTime) bestTime = Median(t), best = block;
        }
        std::printf("; the limit fetches %d rows a call\n", best);
        std::vector<BenchPhase> phases;
        phases.push_back({"plain", [&] { return Plain(c, best, check); }, "", {}});
        int rowsRead[2] = {};
        double allocs[2] = {};
        for (int k = 0; k < 2; ++k) {
            const int fetchRows = k == 0 ? 25 : 1000;
            phases.push_back({"dataset" + std::to_string(fetchRows),
                              [&, k, fetchRows] { return ThroughDataSet(connection, fetchRows, rowsRead[k], allocs[k]); },
                              "plain",
                              {}});
            phases.push_back({"rowsCopied" + std::to_string(fetchRows),
                              [&, fetchRows] { return Plain(c, fetchRows, check, true); },
                              "plain",
                              {}});
        }
        RunRounds(phases, rounds);
        std::printf("%s, %d rows, %d rounds taking turns: median ms [range]; ratio, median [range]\n",
                    driver.c_str(), Rows, rounds);
        PrintRounds(phases, [&](const BenchPhase& p) {
            for (int k = 0; k < 2; ++k)
                if (p.Name == "dataset" + std::to_string(k == 0 ? 25 : 1000)) {
                    char text[80];
                    std::snprintf(text, sizeof text, "  %d rows, %.3f allocations a row", rowsRead[k], allocs[k]);
                    return std::string(text);
                }
            return std::string();
        });
        c.ExecSQL("DROP TABLE vz_ds_bench");
    } catch (const Exception& e) {
        std::fprintf(stderr, "da_dataset_bench: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
