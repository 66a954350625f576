// uni_query_bench [access|postgres]
//   Opens and fetches all of 100,000 rows (integer, 20-character text, double, timestamp, nullable
//   text) through TUniQuery, beside plain ODBC calls on the same session: prepare, execute, bind
//   every column, fetch blocks of the dataset's FetchRows (25) and copy each row into a vector.
//   access (default): the Access provider on a database file behind the stand-in driver;
//   postgres: the ODBC provider on the server of CTest's postgres fixture.
// Prints the best of three runs of each: rows per second, the ratio of the times, and the heap
// bytes in use once every row is read and still held (the memory the result costs).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
} // namespace

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rows = 100000;
constexpr int Block = 25;
const char* const Select = "SELECT id, name, x, t, note FROM vz_uni_bench";

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Measure {
    double seconds = 1e9;
    long long heldBytes = 0; // heap in use with every row read and held
};

struct RawRow {
    int id;
    std::string name;
    double x;
    SQL_TIMESTAMP_STRUCT t;
    std::optional<std::string> note;
};

void Raw(TODBCConnection& c, Measure& m, long long& check) {
    const long long base = HeapBytes();
    TODBCCli* cli = c.Cli();
    auto start = Clock::now();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt);
    std::vector<SQLINTEGER> id(Block);
    std::vector<char> name(Block * 21), note(Block * 21);
    std::vector<double> x(Block);
    std::vector<SQL_TIMESTAMP_STRUCT> t(Block);
    std::vector<SQLLEN> ind(Block * 5);
    SQLULEN fetched = 0;
    std::vector<RawRow> out;
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN, 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                        reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(Block)), 0);
    cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    cli->SQLPrepare(stmt, (SQLCHAR*)Select, SQL_NTS);
    cli->SQLExecute(stmt);
    cli->SQLBindCol(stmt, 1, SQL_C_SLONG, id.data(), 0, &ind[0]);
    cli->SQLBindCol(stmt, 2, SQL_C_CHAR, name.data(), 21, &ind[Block]);
    cli->SQLBindCol(stmt, 3, SQL_C_DOUBLE, x.data(), 0, &ind[2 * Block]);
    cli->SQLBindCol(stmt, 4, SQL_C_TYPE_TIMESTAMP, t.data(), 0, &ind[3 * Block]);
    cli->SQLBindCol(stmt, 5, SQL_C_CHAR, note.data(), 21, &ind[4 * Block]);
    while (SQL_SUCCEEDED(cli->SQLFetch(stmt)))
        for (SQLULEN i = 0; i < fetched; ++i) {
            std::optional<std::string> n;
            if (ind[4 * Block + i] != SQL_NULL_DATA) n = std::string(&note[i * 21]);
            out.push_back({id[i], std::string(&name[i * 21]), x[i], t[i], std::move(n)});
        }
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    const double s = Seconds(start);
    m.heldBytes = std::max(m.heldBytes, HeapBytes() - base);
    long long sum = 0;
    for (const RawRow& r : out)
        sum += r.id + (r.note ? 1 : 0) + (r.t.year >= 2000 ? 0 : 1000000);
    check = sum;
    if (s < m.seconds) m.seconds = s;
}

void ThroughUniQuery(TUniConnection& c, Measure& m, long long& check) {
    const long long base = HeapBytes();
    auto start = Clock::now();
    TUniQuery query;
    query.SetConnection(&c);
    query.SQL()->SetText(Select);
    query.Open();
    const double s = Seconds(start);
    m.heldBytes = std::max(m.heldBytes, HeapBytes() - base);
    long long sum = 0;
    double days = 0;
    TField* id = query.FieldByName("id");
    TField* t = query.FieldByName("t");
    TField* note = query.FieldByName("note");
    for (query.First(); !query.Eof(); query.Next()) {
        sum += id->AsInteger() + (note->IsNull() ? 0 : 1);
        days += t->AsDateTime();
    }
    check = query.RecordCount() == Rows && days > 0 ? sum : -1;
    if (s < m.seconds) m.seconds = s;
}

void Fill(TUniConnection& connection, bool postgres) {
    TODBCConnection& c = *static_cast<TODBCConnection*>(connection.InternalConnection());
    c.ExecSQL("DROP TABLE IF EXISTS vz_uni_bench");
    if (postgres) {
        c.ExecSQL("CREATE TABLE vz_uni_bench (id INTEGER, name VARCHAR(20), x DOUBLE PRECISION, t TIMESTAMP, "
                  "note VARCHAR(20))");
        c.ExecSQL("INSERT INTO vz_uni_bench SELECT i, rpad('row ' || i, 20, '.'), i / 3.0, "
                  "TIMESTAMP '2000-01-01 08:30:00' + (i % 9000) * INTERVAL '1 day', "
                  "CASE WHEN i % 2 = 0 THEN 'note ' || i END FROM generate_series(1, " +
                  std::to_string(Rows) + ") i");
    } else {
        c.ExecSQL("CREATE TABLE vz_uni_bench (id INTEGER, name VARCHAR(20), x DOUBLE, t DATETIME, "
                  "note VARCHAR(20))");
        c.ExecSQL(
            "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
            std::to_string(Rows) +
            ") INSERT INTO vz_uni_bench SELECT i, substr('row ' || i || '....................', 1, 20), "
            "i / 3.0, datetime('2000-01-01 08:30:00', '+' || (i % 9000) || ' days'), "
            "CASE WHEN i % 2 = 0 THEN 'note ' || i END FROM s");
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string driver = argc > 1 ? argv[1] : "access";
    const bool postgres = driver == "postgres";
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
        Measure raw, ours;
        long long rawCheck = 0, ourCheck = 0;
        for (int run = 0; run < 3; ++run) {
            Raw(c, raw, rawCheck);
            ThroughUniQuery(connection, ours, ourCheck);
        }
        std::printf("%s: plain ODBC %.0f rows/s, %.1f MB held; TUniQuery %.0f rows/s, %.1f MB held; "
                    "time ratio %.2f (goal 1.30)%s\n",
                    driver.c_str(), Rows / raw.seconds, raw.heldBytes / 1048576.0, Rows / ours.seconds,
                    ours.heldBytes / 1048576.0, ours.seconds / raw.seconds,
                    rawCheck == ourCheck ? "" : "; the two roads read different rows");
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
