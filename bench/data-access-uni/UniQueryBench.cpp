// uni_query_bench [access|postgres] [ROUNDS]
//   Opens and fetches all of 100,000 rows (integer, bigint, double, varchar(40) with NULLs, date,
//   numeric(12,2)) through TUniQuery, beside the plain ODBC limit on the same session: one
//   statement, every column bound once with row-array binding of the block size that is fastest
//   for the driver (found first among 100 to 1,000 rows, column-wise and row-wise), and every
//   value read once where the driver put it.
//   access (default): the Access provider on a database file behind the stand-in driver;
//   postgres: the ODBC provider on the server of CTest's postgres fixture.
// Phases, in turn within each of ROUNDS rounds (default 7; the order rotates every round):
//   plain       the limit above;
//   uni25       TUniQuery.Open at FetchRows 25 (the default), all rows fetched and kept;
//   plainPrep   the limit with the calls the record set makes to run a statement: SQLPrepare,
//               SQLNumResultCols, SQLExecute (psqlODBC answers a prepared statement slower);
//   plainPrep25 the same fetching 25 rows a call, as FetchRows 25 asks;
//   uni500      TUniQuery at FetchRows 500;
//   uniDir      TUniQuery with UniDirectional, Open and Next to the end, every field read
//               (no rows kept), beside plainRead: the plain limit reading the same values into
//               the same C types (int, int64, double, text copy, date as a day number);
//   rows25      the former comparison: plain ODBC in blocks of 25 copying each row into a vector.
// Prints per phase the median time and its range, and the median (and range) of the per-round
// ratio to the plain limit; the heap bytes each road holds once every row is read.
// uni_query_bench DRIVER once PHASE [N] runs one phase once (for measure.sh's peak working set),
// or N times (for a profiler).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/access/DataAccessUnits.h"
#include "data/access/UniQuery.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "data/access/providers/ProviderUnits.h"
#include "platform/core/UnitTable.h"
#include "platform/db/Fields.h"
#include "support/PostgresServer.h"
#include "BenchRounds.h"

namespace {
// Bytes in busy blocks of every heap of the process: the C runtime's malloc and operator new
// both draw from them.
long long HeapBytes() {
    HANDLE heaps[64];
    const DWORD n = GetProcessHeaps(64, heaps);
    long long total = 0;
    for (DWORD i = 0; i < n && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

using Clock = std::chrono::steady_clock;
const auto Seconds = BenchSeconds;
constexpr int Rows = 100000;
constexpr int Columns = 6;
constexpr int NameSize = 81; // varchar(40), two bytes a character in the ANSI code page, and the zero
const char* const Select = "SELECT id, big, x, name, d, amount FROM vz_uni_bench";

// What every road adds up from the values it read: the same for all of them.
struct Check {
    long long ints = 0, names = 0, days = 0;
    long long dateParts = 0; // the plain limit reads a date's parts without making a day of them
    double reals = 0;
    bool operator==(const Check& o) const {
        // A road that read the date's parts without making a day number of them has no days.
        return ints == o.ints && names == o.names && (days == o.days || !days || !o.days) &&
               reals > o.reals - 1 && reals < o.reals + 1;
    }
};

// Days since 1899-12-30, the day number a TDateTime holds.
long long DayNumber(int y, int m, int d) {
    // Days from civil (proleptic Gregorian), shifted to the 1899-12-30 epoch.
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;
}

// ---- the plain limit ----

struct PlainShape {
    int block;
    bool rowWise;
};

struct PlainRow {
    SQLINTEGER id;
    SQLBIGINT big;
    double x;
    char name[NameSize];
    SQL_DATE_STRUCT d;
    double amount;
    SQLLEN ind[Columns];
};

// Column-wise arrays or an array of rows, bound once; reads each value where the driver wrote it.
// copyOut: values land in the C types the dataset hands out (text copied, date as a day number).
// prepared: SQLPrepare, SQLNumResultCols and SQLExecute, the calls the record set makes, in place
// of SQLExecDirect.
Check Plain(TODBCConnection& c, PlainShape shape, bool copyOut, bool prepared = false) {
    TODBCCli* cli = c.Cli();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt);
    const int n = shape.block;
    std::vector<SQLINTEGER> id(n);
    std::vector<SQLBIGINT> big(n);
    std::vector<double> x(n), amount(n);
    std::vector<char> name(static_cast<size_t>(n) * NameSize);
    std::vector<SQL_DATE_STRUCT> d(n);
    std::vector<SQLLEN> ind(static_cast<size_t>(n) * Columns);
    std::vector<PlainRow> rows(shape.rowWise ? n : 0);
    SQLULEN fetched = 0;
    const intptr_t bindType = shape.rowWise ? static_cast<intptr_t>(sizeof(PlainRow)) : SQL_BIND_BY_COLUMN;
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(bindType), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(n)), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    if (prepared) {
        cli->SQLPrepare(stmt, (SQLCHAR*)Select, SQL_NTS);
        SQLSMALLINT cols = 0;
        cli->SQLNumResultCols(stmt, &cols);
        cli->SQLExecute(stmt);
    } else
        cli->SQLExecDirect(stmt, (SQLCHAR*)Select, SQL_NTS);
    if (shape.rowWise) {
        PlainRow& r = rows[0];
        cli->SQLBindCol(stmt, 1, SQL_C_SLONG, &r.id, 0, &r.ind[0]);
        cli->SQLBindCol(stmt, 2, SQL_C_SBIGINT, &r.big, 0, &r.ind[1]);
        cli->SQLBindCol(stmt, 3, SQL_C_DOUBLE, &r.x, 0, &r.ind[2]);
        cli->SQLBindCol(stmt, 4, SQL_C_CHAR, r.name, NameSize, &r.ind[3]);
        cli->SQLBindCol(stmt, 5, SQL_C_TYPE_DATE, &r.d, 0, &r.ind[4]);
        cli->SQLBindCol(stmt, 6, SQL_C_DOUBLE, &r.amount, 0, &r.ind[5]);
    } else {
        cli->SQLBindCol(stmt, 1, SQL_C_SLONG, id.data(), 0, &ind[0]);
        cli->SQLBindCol(stmt, 2, SQL_C_SBIGINT, big.data(), 0, &ind[static_cast<size_t>(n)]);
        cli->SQLBindCol(stmt, 3, SQL_C_DOUBLE, x.data(), 0, &ind[2 * static_cast<size_t>(n)]);
        cli->SQLBindCol(stmt, 4, SQL_C_CHAR, name.data(), NameSize, &ind[3 * static_cast<size_t>(n)]);
        cli->SQLBindCol(stmt, 5, SQL_C_TYPE_DATE, d.data(), 0, &ind[4 * static_cast<size_t>(n)]);
        cli->SQLBindCol(stmt, 6, SQL_C_DOUBLE, amount.data(), 0, &ind[5 * static_cast<size_t>(n)]);
    }
    Check k;
    char text[NameSize];
    while (SQL_SUCCEEDED(cli->SQLFetch(stmt)))
        for (SQLULEN i = 0; i < fetched; ++i) {
            SQLINTEGER vId;
            SQLBIGINT vBig;
            double vX, vAmount;
            const char* vName;
            SQLLEN nameLen;
            SQL_DATE_STRUCT vD;
            if (shape.rowWise) {
                const PlainRow& r = rows[i];
                vId = r.id, vBig = r.big, vX = r.x, vName = r.name, nameLen = r.ind[3], vD = r.d, vAmount = r.amount;
            } else {
                vId = id[i], vBig = big[i], vX = x[i], vName = &name[i * NameSize],
                nameLen = ind[3 * static_cast<size_t>(n) + i], vD = d[i], vAmount = amount[i];
            }
            k.ints += vId + vBig;
            k.reals += vX + vAmount;
            if (nameLen != SQL_NULL_DATA) {
                if (copyOut) {
                    std::memcpy(text, vName, static_cast<size_t>(nameLen) + 1);
                    vName = text;
                }
                k.names += nameLen + static_cast<unsigned char>(vName[0]);
            }
            if (copyOut)
                k.days += DayNumber(vD.year, vD.month, vD.day);
            else
                k.dateParts += vD.year * 400 + vD.month * 31 + vD.day;
        }
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return k;
}

// The former baseline: blocks of the dataset's FetchRows, each row copied into a vector of rows.
struct CopiedRow {
    int id;
    long long big;
    double x;
    std::optional<std::string> name;
    SQL_DATE_STRUCT d;
    double amount;
};

Check RowsCopied(TODBCConnection& c, std::vector<CopiedRow>& out) {
    constexpr int Block = 25;
    TODBCCli* cli = c.Cli();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt);
    std::vector<SQLINTEGER> id(Block);
    std::vector<SQLBIGINT> big(Block);
    std::vector<double> x(Block), amount(Block);
    std::vector<char> name(Block * NameSize);
    std::vector<SQL_DATE_STRUCT> d(Block);
    std::vector<SQLLEN> ind(Block * Columns);
    SQLULEN fetched = 0;
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN, 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(Block)), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    cli->SQLExecDirect(stmt, (SQLCHAR*)Select, SQL_NTS);
    cli->SQLBindCol(stmt, 1, SQL_C_SLONG, id.data(), 0, &ind[0]);
    cli->SQLBindCol(stmt, 2, SQL_C_SBIGINT, big.data(), 0, &ind[Block]);
    cli->SQLBindCol(stmt, 3, SQL_C_DOUBLE, x.data(), 0, &ind[2 * Block]);
    cli->SQLBindCol(stmt, 4, SQL_C_CHAR, name.data(), NameSize, &ind[3 * Block]);
    cli->SQLBindCol(stmt, 5, SQL_C_TYPE_DATE, d.data(), 0, &ind[4 * Block]);
    cli->SQLBindCol(stmt, 6, SQL_C_DOUBLE, amount.data(), 0, &ind[5 * Block]);
    while (SQL_SUCCEEDED(cli->SQLFetch(stmt)))
        for (SQLULEN i = 0; i < fetched; ++i) {
            std::optional<std::string> s;
            if (ind[3 * Block + i] != SQL_NULL_DATA) s = std::string(&name[i * NameSize]);
            out.push_back({id[i], big[i], x[i], std::move(s), d[i], amount[i]});
        }
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    Check k;
    for (const CopiedRow& r : out) {
        k.ints += r.id + r.big;
        k.reals += r.x + r.amount;
        if (r.name) k.names += static_cast<long long>(r.name->size()) + static_cast<unsigned char>((*r.name)[0]);
        k.days += DayNumber(r.d.year, r.d.month, r.d.day);
    }
    return k;
}

// ---- through TUniQuery ----

struct QueryFields {
    TField *id, *big, *x, *name, *d, *amount;
    explicit QueryFields(TUniQuery& q)
        : id(q.FieldByName("id")), big(q.FieldByName("big")), x(q.FieldByName("x")), name(q.FieldByName("name")),
          d(q.FieldByName("d")), amount(q.FieldByName("amount")) {}
    // Every value of the current row, read in its native form.
    void Read(Check& k) {
        int vId = 0;
        long long vBig = 0;
        double vX = 0, vAmount = 0;
        char text[NameSize] = {};
        id->GetData(&vId);
        big->GetData(&vBig);
        x->GetData(&vX);
        amount->GetData(&vAmount);
        const double vD = d->AsDateTime();
        k.ints += vId + vBig;
        k.reals += vX + vAmount;
        if (name->GetData(text)) {
            const size_t len = std::strlen(text);
            k.names += static_cast<long long>(len) + static_cast<unsigned char>(text[0]);
        }
        k.days += static_cast<long long>(vD);
    }
};

void OpenQuery(TUniQuery& q, TUniConnection& c, int fetchRows, bool uniDirectional) {
    q.SetConnection(&c);
    q.SQL()->SetText(Select);
    q.SetFetchRows(fetchRows);
    q.SetUniDirectional(uniDirectional);
    q.Open();
}

Check ReadAll(TUniQuery& q) {
    Check k;
    QueryFields f(q);
    for (; !q.Eof(); q.Next())
        f.Read(k);
    return k;
}

void Fill(TUniConnection& connection, bool postgres) {
    TODBCConnection& c = *static_cast<TODBCConnection*>(connection.InternalConnection());
    c.ExecSQL("DROP TABLE IF EXISTS vz_uni_bench");
    const std::string rows = std::to_string(Rows);
    if (postgres) {
        c.ExecSQL("CREATE TABLE vz_uni_bench (id INTEGER, big BIGINT, x DOUBLE PRECISION, name VARCHAR(40), "
                  "d DATE, amount NUMERIC(12,2))");
        c.ExecSQL("INSERT INTO vz_uni_bench SELECT i, i * 4000000000, i / 3.0, "
                  "CASE WHEN i % 7 <> 0 THEN rpad('row ' || i, 10 + i % 31, '.') END, "
                  "DATE '2000-01-01' + (i % 9000), (i % 100000) / 100.0 FROM generate_series(1, " +
                  rows + ") i");
    } else {
        c.ExecSQL("CREATE TABLE vz_uni_bench (id INTEGER, big BIGINT, x DOUBLE, name VARCHAR(40), d DATE, "
                  "amount NUMERIC(12,2))");
        c.ExecSQL("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " + rows +
                  ") INSERT INTO vz_uni_bench SELECT i, i * 4000000000, i / 3.0, "
                  "CASE WHEN i % 7 <> 0 THEN substr('row ' || i || '..............................', 1, "
                  "10 + i % 31) END, date('2000-01-01', '+' || (i % 9000) || ' days'), (i % 100000) / 100.0 "
                  "FROM s");
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string driver = argc > 1 ? argv[1] : "access";
    const bool postgres = driver == "postgres";
    const bool once = argc > 3 && std::string(argv[2]) == "once";
    const std::string onlyPhase = once ? argv[3] : "";
    const int repeat = once && argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;
    const int rounds = !once && argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    InitializeUnits(SelectUnits(JoinUnits({DataAccessUnits(), ProviderUnits()}),
                                {"DBAccess", "UniProvider", "ODBCUniProvider", "AccessUniProvider"}));
    int rc = 0;
    try {
        TUniConnection connection;
        connection.LoginPrompt = false;
        std::string file;
        if (postgres) {
            const PostgresServer& server = PostgresServer::Get();
            connection.SetProviderName("ODBC");
            connection.SetServer(server.ServerText().c_str());
            connection.SetUsername(server.User.c_str());
            connection.SetPassword(server.Password.c_str());
        } else {
            const char* bin = std::getenv("VZ_BINARY_DIR");
            file = "Z:" + std::string(bin ? bin : ".") + "/uni_query_bench.mdb";
            std::replace(file.begin(), file.end(), '/', '\\');
            // The stand-in driver opens a file that is there.
            CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            connection.SetProviderName("Access");
            connection.SetPassword("qmvadlorp");
            connection.SetDatabase(file.c_str());
        }
        connection.Connect();
        Fill(connection, postgres);
        TODBCConnection& c = *static_cast<TODBCConnection*>(connection.InternalConnection());

        // The plain limit's block size and binding: the fastest median of three rounds.
        PlainShape best{500, false};
        if (!once) {
            Plain(c, best, false); // the database file and the driver warm before any timing
            double bestTime = 1e30;
            std::printf("%s plain ODBC, block size (median of 3, ms):", driver.c_str());
            for (bool rowWise : {false, true})
                for (int block : {100, 250, 500, 1000}) {
                    std::vector<double> t;
                    for (int r = 0; r < 3; ++r) {
                        auto start = Clock::now();
                        Plain(c, {block, rowWise}, false);
                        t.push_back(Seconds(start));
                    }
                    const double m = Median(t);
                    std::printf(" %s%d %.1f", rowWise ? "row" : "col", block, m * 1000);
                    if (m < bestTime) bestTime = m, best = {block, rowWise};
                }
            std::printf("\n%s plain limit: %s-wise, %d rows a fetch\n", driver.c_str(),
                        best.rowWise ? "row" : "column", best.block);
        }

        std::map<std::string, long long> held;
        std::map<std::string, Check> checks;
        auto queryOpen = [&](const std::string& name, int fetchRows) {
            return [&, name, fetchRows] {
                const long long base = HeapBytes();
                auto start = Clock::now();
                TUniQuery q;
                OpenQuery(q, connection, fetchRows, false);
                const double s = Seconds(start);
                held[name] = HeapBytes() - base;
                checks[name] = ReadAll(q);
                return s;
            };
        };
        auto plain = [&](const std::string& name, bool copyOut) {
            return [&, name, copyOut] {
                auto start = Clock::now();
                checks[name] = Plain(c, best, copyOut);
                return Seconds(start);
            };
        };
        std::vector<BenchPhase> phases;
        phases.push_back({"plain", plain("plain", false), "", {}});
        phases.push_back({"uni25", queryOpen("uni25", 25), "plain", {}});
        auto prepared = [&](const std::string& name, PlainShape shape) {
            return [&, name, shape] {
                auto start = Clock::now();
                checks[name] = Plain(c, shape, false, true);
                return Seconds(start);
            };
        };
        phases.push_back({"plainPrep", prepared("plainPrep", best), "plain", {}});
        phases.push_back({"plainPrep25", prepared("plainPrep25", {25, best.rowWise}), "plain", {}});
        phases.push_back({"uni500", queryOpen("uni500", 500), "plain", {}});
        phases.push_back({"plainRead", plain("plainRead", true), "", {}});
        phases.push_back({"uniDir",
                          [&] {
                              auto start = Clock::now();
                              TUniQuery q;
                              OpenQuery(q, connection, 25, true);
                              checks["uniDir"] = ReadAll(q);
                              return Seconds(start);
                          },
                          "plainRead",
                          {}});
        phases.push_back({"rows25",
                          [&] {
                              const long long base = HeapBytes();
                              std::vector<CopiedRow> out;
                              auto start = Clock::now();
                              checks["rows25"] = RowsCopied(c, out);
                              const double s = Seconds(start);
                              held["rows25"] = HeapBytes() - base;
                              return s;
                          },
                          "plain",
                          {}});

        if (once) {
            for (BenchPhase& p : phases)
                if (p.Name == onlyPhase)
                    for (int r = 0; r < repeat; ++r)
                        std::printf("%s %s: %.1f ms\n", driver.c_str(), p.Name.c_str(), p.Run() * 1000);
        } else {
            RunRounds(phases, rounds);
            std::printf("%s, %d rows, %d rounds taking turns: median ms [range]; ratio to its baseline, "
                        "median [range] of the rounds\n",
                        driver.c_str(), Rows, rounds);
            PrintRounds(phases, [&](const BenchPhase& p) {
                std::string s;
                if (!p.Baseline.empty() && !(checks[p.Name] == checks[p.Baseline]))
                    s += "  (read other values than " + p.Baseline + ")";
                if (held.count(p.Name)) s += "  " + std::to_string(held[p.Name] / 1048576.0).substr(0, 5) + " MB held";
                return s;
            });
        }
        c.ExecSQL("DROP TABLE vz_uni_bench");
        connection.Disconnect();
        if (!file.empty()) DeleteFileA(file.c_str());
    } catch (const Exception& e) {
        std::fprintf(stderr, "uni_query_bench: %s\n", e.Message().c_str());
        rc = 1;
    }
    FinalizeUnits();
    return rc;
}
