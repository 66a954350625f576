// odbc_bench PHASE [DRIVER]
//   PHASE: insert (100,000 prepared INSERTs in one transaction: TODBCCommand beside raw
//          SQLBindParameter once and SQLExecute per row), blob-raw or blob-command (a 20 MB blob
//          input, raw SQLPutData per piece or through TODBCCommand).
//   DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture, which must run).
// Prints seconds and the ratio; run measure.sh for the peak memory of each phase.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/access/providers/ODBCClasses.h"
#include "data/memory/Blob.h"
#include "data/memory/FieldDescs.h"
#include "support/PostgresServer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

constexpr int Rows = 100000;
constexpr int BlobBytes = 20 << 20;

std::unique_ptr<TODBCConnection> Connect(const std::string& driver) {
    auto connection = std::make_unique<TODBCConnection>();
    if (driver == "postgres") {
        const PostgresServer& server = PostgresServer::Get();
        connection->SetServer(server.ServerText());
        connection->SetUsername(server.User);
        connection->SetPassword(server.Password);
    } else {
        const char* bin = std::getenv("VZ_BINARY_DIR");
        std::string file = std::string(bin ? bin : ".") + "/odbc_bench.db";
        DeleteFileA(("Z:" + file).c_str());
        connection->SetServer("DRIVER={SQLite3};Database=" + file);
    }
    connection->Connect("");
    return connection;
}

void Exec(TODBCConnection& c, const std::string& sql) {
    c.ExecSQL(sql);
}

void Check(TODBCConnection& c, SQLHSTMT stmt, SQLRETURN r) {
    if (IsODBCError(r)) c.ProcessODBCError(SQL_HANDLE_STMT, stmt, nullptr, r);
}

std::string Text40(int i) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "row %08d text of forty characters....", i);
    return std::string(buffer, 40);
}

double RawInsert(TODBCConnection& c, const char* table) {
    TODBCCli* cli = c.Cli();
    Exec(c, std::string("DELETE FROM ") + table);
    auto start = Clock::now();
    c.GetInternalTransaction()->StartTransaction();
    SQLHSTMT stmt = nullptr;
    Check(c, stmt, cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt));
    std::string sql = std::string("INSERT INTO ") + table + " (i, s, d, dt) VALUES (?, ?, ?, ?)";
    Check(c, stmt, cli->SQLPrepare(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS));
    SQLINTEGER i = 0;
    char s[41] = {};
    double d = 0;
    SQL_DATE_STRUCT dt{};
    SQLLEN indI = 0, indS = 0, indD = 0, indDt = 0;
    Check(c, stmt,
          cli->SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &i, 4, &indI));
    Check(c, stmt,
          cli->SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 40, 0, s, 41, &indS));
    Check(c, stmt,
          cli->SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &d, 8, &indD));
    Check(c, stmt,
          cli->SQLBindParameter(stmt, 4, SQL_PARAM_INPUT, SQL_C_TYPE_DATE, SQL_TYPE_DATE, 0, 0, &dt, 6,
                                &indDt));
    for (int row = 0; row < Rows; ++row) {
        i = row;
        std::string text = Text40(row);
        std::memcpy(s, text.data(), 40);
        indS = 40;
        d = row * 0.25;
        int y, m, dd;
        DecodeDate(EncodeDate(2024, 1, 1) + row % 3650, y, m, dd);
        dt = SQL_DATE_STRUCT{static_cast<SQLSMALLINT>(y), static_cast<SQLUSMALLINT>(m),
                             static_cast<SQLUSMALLINT>(dd)};
        Check(c, stmt, cli->SQLExecute(stmt));
    }
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    c.GetInternalTransaction()->Commit();
    return Seconds(start);
}

double CommandInsert(TODBCConnection& c, const char* table) {
    Exec(c, std::string("DELETE FROM ") + table);
    auto start = Clock::now();
    c.GetInternalTransaction()->StartTransaction();
    TODBCCommand command;
    command.SetConnection(&c);
    command.SetSQL(std::string("INSERT INTO ") + table + " (i, s, d, dt) VALUES (:i, :s, :d, :dt)");
    const uint16_t types[] = {tcInt32, tcString, tcFloat, tcDate};
    for (int p = 0; p < 4; ++p) {
        command.GetParam(p)->SetDataType(types[p]);
        command.GetParam(p)->SetParamType(pdInput);
    }
    command.GetParam(1)->SetSize(40);
    command.Prepare();
    for (int row = 0; row < Rows; ++row) {
        command.GetParam(0)->SetValue(row);
        command.GetParam(1)->SetValue(Text40(row));
        command.GetParam(2)->SetValue(row * 0.25);
        command.GetParam(3)->SetValue(Variant::FromDateTime(EncodeDate(2024, 1, 1) + row % 3650));
        command.Execute();
    }
    command.Unprepare();
    c.GetInternalTransaction()->Commit();
    return Seconds(start);
}

TBlob* MakeBlob() {
    auto* blob = new TBlob(false);
    int left = BlobBytes;
    unsigned seed = 1;
    while (left > 0) {
        int size = std::min(left, DefaultPieceSize);
        PPieceHeader piece = nullptr;
        blob->AllocPiece(piece, size);
        for (int k = 0; k < size; ++k) {
            seed = seed * 1103515245u + 12345u;
            PieceData(piece)[k] = static_cast<uint8_t>(seed >> 24);
        }
        piece->UsedBytes = size;
        blob->AppendPiece(piece);
        left -= size;
    }
    return blob;
}

double RawBlob(TODBCConnection& c, TBlob* blob) {
    TODBCCli* cli = c.Cli();
    auto start = Clock::now();
    SQLHSTMT stmt = nullptr;
    Check(c, stmt, cli->SQLAllocHandle(SQL_HANDLE_STMT, c.ConnectionHandle(), &stmt));
    const char* sql = "INSERT INTO bench_blob (b) VALUES (?)";
    Check(c, stmt, cli->SQLPrepare(stmt, (SQLCHAR*)sql, SQL_NTS));
    SQLLEN ind = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(blob->GetSize()));
    Check(c, stmt,
          cli->SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 2147483647, 0,
                                reinterpret_cast<SQLPOINTER>(1), 0, &ind));
    SQLRETURN r = cli->SQLExecute(stmt);
    SQLPOINTER token = nullptr;
    if (r == SQL_NEED_DATA) r = cli->SQLParamData(stmt, &token);
    while (r == SQL_NEED_DATA) {
        for (PPieceHeader piece = blob->GetFirstPiece(); piece; piece = piece->NextPiece)
            Check(c, stmt, cli->SQLPutData(stmt, PieceData(piece), piece->UsedBytes));
        r = cli->SQLParamData(stmt, &token);
    }
    Check(c, stmt, r);
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return Seconds(start);
}

double CommandBlob(TODBCConnection& c, TBlob* blob) {
    auto start = Clock::now();
    TODBCCommand command;
    command.SetConnection(&c);
    command.SetSQL("INSERT INTO bench_blob (b) VALUES (:b)");
    auto* param = static_cast<TODBCParamDesc*>(command.GetParam(0));
    param->SetDataType(tcBlob);
    param->SetParamType(pdInput);
    param->SetValuePtr(blob);
    command.Execute();
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv) {
    std::string phase = argc > 1 ? argv[1] : "insert";
    std::string driver = argc > 2 ? argv[2] : "sqlite";
    ODBCCallInitialize();
    try {
        auto c = Connect(driver);
        bool pg = driver == "postgres";
        if (phase == "insert") {
            for (const char* table : {"bench_raw", "bench_cmd"}) {
                Exec(*c, std::string("DROP TABLE IF EXISTS ") + table);
                Exec(*c, std::string("CREATE TABLE ") + table + " (i INTEGER, s VARCHAR(40), " +
                             (pg ? "d DOUBLE PRECISION" : "d DOUBLE") + ", dt DATE)");
            }
            // Alternating runs; the best of each.
            double raw = 1e9, cmd = 1e9;
            for (int run = 0; run < 2; ++run) {
                raw = std::min(raw, RawInsert(*c, "bench_raw"));
                cmd = std::min(cmd, CommandInsert(*c, "bench_cmd"));
            }
            std::printf("insert %s: %d rows  raw %.3f s  command %.3f s  ratio %.2f\n", driver.c_str(), Rows,
                        raw, cmd, cmd / raw);
        } else if (phase == "blob-raw" || phase == "blob-command") {
            Exec(*c, "DROP TABLE IF EXISTS bench_blob");
            Exec(*c, pg ? "CREATE TABLE bench_blob (b BYTEA)" : "CREATE TABLE bench_blob (b BLOB)");
            TBlob* blob = MakeBlob();
            double t = phase == "blob-raw" ? RawBlob(*c, blob) : CommandBlob(*c, blob);
            std::printf("%s %s: %d MB in %d pieces  %.3f s\n", phase.c_str(), driver.c_str(), BlobBytes >> 20,
                        (BlobBytes + DefaultPieceSize - 1) / DefaultPieceSize, t);
            blob->Release();
        } else {
            std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc_bench: %s\n", e.what());
        ODBCCallFinalize();
        return 1;
    }
    ODBCCallFinalize();
    return 0;
}
