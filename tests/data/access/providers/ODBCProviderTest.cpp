// Parameters of every data type written through the provider and read back, on SQLite and on
// PostgreSQL: the same table of values, each driver's own column types and text forms.
#include <cstring>

#include "OdbcTestSupport.h"
#include "data/memory/Blob.h"
#include "data/memory/FieldDescs.h"
#include "support/PostgresServer.h"

namespace {

// The Access stand-in passes everything on to the SQLite driver: the same column types and texts.
enum Driver { dSQLite, dAccess, dPostgres };

struct TypeCase {
    const char* name;
    uint16_t type;
    int size;
    Variant value;
    const char* sqliteColumn;
    const char* pgColumn;
    std::string sqliteText; // as the driver answers it as text
    std::string pgText;
};

TBytes SomeBytes() {
    return TBytes{0x00, 0x01, 0x7F, 0x80, 0xFF};
}

std::vector<TypeCase> Cases() {
    TDateTime stamp = EncodeDateTime(2024, 2, 29, 13, 45, 59, 123);
    return {
        {"CP936 text", tcString, 40, AnsiString("中文 ABC 正在启动"), "VARCHAR(40)", "VARCHAR(40)",
         "中文 ABC 正在启动", "中文 ABC 正在启动"},
        {"empty text", tcString, 10, AnsiString(""), "VARCHAR(10)", "VARCHAR(10)", "", ""},
        {"null", tcString, 10, Null(), "VARCHAR(10)", "VARCHAR(10)", "<null>", "<null>"},
        {"int8", tcInt8, 0, 200, "INTEGER", "SMALLINT", "200", "200"},
        {"int16", tcInt16, 0, -12345, "INTEGER", "SMALLINT", "-12345", "-12345"},
        {"uint16", tcUInt16, 0, 255, "INTEGER", "SMALLINT", "255", "255"},
        {"int32", tcInt32, 0, 2147483647, "INTEGER", "INTEGER", "2147483647", "2147483647"},
        {"int64", tcInt64, 0, int64_t{9007199254740993}, "INTEGER", "BIGINT", "9007199254740993",
         "9007199254740993"},
        {"float", tcFloat, 0, 1.5, "DOUBLE", "DOUBLE PRECISION", "1.5", "1.5"},
        {"currency", tcCurrency, 0, Currency::FromDouble(-42.25), "DOUBLE", "DOUBLE PRECISION", "-42.25",
         "-42.25"},
        {"boolean", tcBoolean, 0, true, "INTEGER", "BOOLEAN", "1", "1"},
        {"date", tcDate, 0, Variant::FromDateTime(EncodeDate(2024, 2, 29)), "DATE", "DATE", "2024-02-29",
         "2024-02-29"},
        {"time", tcTime, 0, Variant::FromDateTime(EncodeTime(13, 45, 59, 0)), "TIME", "TIME", "13:45:59",
         "13:45:59"},
        {"date and time with milliseconds", tcDateTime, 0, Variant::FromDateTime(stamp), "TIMESTAMP",
         "TIMESTAMP(3)", "2024-02-29 13:45:59.123", "2024-02-29 13:45:59.123"},
        {"BCD", tcBCD, 0, Currency::FromDouble(12345.6789), "NUMERIC(18,4)", "NUMERIC(18,4)", "12345.6789",
         "12345.6789"},
        {"FMTBCD", tcFMTBCD, 0, TBcd::FromString("123456789.0123456789"), "VARCHAR(40)", "NUMERIC(30,10)",
         "123456789.0123456789", "123456789.0123456789"},
        {"GUID", tcGuid, 0, AnsiString("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), "VARCHAR(38)", "UUID",
         "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "6F9619FF-8B86-D011-B42D-00C04FC964FF"},
        {"bytes", tcVarBytes, 5, SomeBytes(), "BLOB", "BYTEA", "00017F80FF", "00017f80ff"},
        {"bytes of a text", tcBytes, 3, AnsiString("中A"), "BLOB", "BYTEA", "D6D041", "d6d041"},
        // The SQLite driver keeps wide text as UTF-8: read back as wide text below. The ANSI build
        // of psqlODBC has no wide C type at all ("-" skips the case there).
        {"wide text", tcWideString, 20, WideString(L"中文 wide"), "VARCHAR(20)", "-", "中文 wide", ""},
    };
}

class ParameterTypes : public testing::TestWithParam<Driver> {
protected:
    void SetUp() override {
        connection = std::make_unique<TODBCConnection>();
        if (GetParam() != dPostgres) {
            std::string dir = BuildFolderUnix("odbc-provider-tests");
            CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
            std::string file = dir + "/types-" + std::to_string(GetCurrentProcessId()) + ".db";
            dbFile = "Z:" + file;
            DeleteFileA(dbFile.c_str());
            if (GetParam() == dSQLite)
                connection->SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
            else {
                // The stand-in opens existing files only; a zero-length file is an empty database.
                HANDLE h = CreateFileA(dbFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                CloseHandle(h);
                connection->SetServer("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + dbFile);
                connection->SetPassword("secret");
            }
        } else {
            const PostgresServer& server = PostgresServer::Get();
            connection->SetServer(server.ServerText());
            connection->SetUsername(server.User);
            connection->SetPassword(server.Password);
        }
        connection->Connect("");
    }
    void TearDown() override {
        connection.reset();
        if (!dbFile.empty()) DeleteFileA(dbFile.c_str());
    }
    std::unique_ptr<TODBCConnection> connection;
    std::string dbFile;
};

TEST_P(ParameterTypes, EveryDataTypeIsWrittenAndReadBack) {
    const bool pg = GetParam() == dPostgres;
    // The locale's separator is "," here: decimals must still reach the driver with a point.
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = '.';
    TFormatSettingsPin pin(fs);
    auto cases = Cases();
    for (size_t i = 0; i < cases.size(); ++i) {
        const TypeCase& c = cases[i];
        SCOPED_TRACE(c.name);
        if (std::string(pg ? c.pgColumn : c.sqliteColumn) == "-") continue;
        std::string table = "vz_types_" + std::to_string(i);
        Exec(*connection, "DROP TABLE IF EXISTS " + table);
        Exec(*connection, "CREATE TABLE " + table + " (v " + (pg ? c.pgColumn : c.sqliteColumn) + ")");
        TODBCCommand command;
        command.SetConnection(connection.get());
        command.SetSQL("INSERT INTO " + table + " (v) VALUES (:v)");
        auto* param = static_cast<TODBCParamDesc*>(command.GetParam(0));
        param->SetDataType(c.type);
        param->SetParamType(pdInput);
        param->SetSize(c.size);
        param->SetValue(c.value);
        command.Execute();
        EXPECT_EQ(1, command.RowsAffected());
        std::string select = "SELECT v FROM " + table;
        const bool bytes = c.type == tcVarBytes || c.type == tcBytes;
        if (bytes && !pg) select = "SELECT hex(v) FROM " + table;
        if (bytes && pg) select = "SELECT encode(v, 'hex') FROM " + table;
        if (c.type == tcBoolean && pg) select = "SELECT CASE WHEN v THEN 1 ELSE 0 END FROM " + table;
        if (c.type == tcWideString)
            EXPECT_EQ(AnsiToWide(pg ? c.pgText : c.sqliteText), QueryWideValue(*connection, select));
        else
            EXPECT_EQ(pg ? c.pgText : c.sqliteText, QueryValue(*connection, select));
    }
}

TEST_P(ParameterTypes, BlobAndMemoInPiecesRoundTrip) {
    const bool pg = GetParam() == dPostgres;
    Exec(*connection, "DROP TABLE IF EXISTS vz_blobs");
    Exec(*connection,
         pg ? "CREATE TABLE vz_blobs (b BYTEA, m TEXT)" : "CREATE TABLE vz_blobs (b BLOB, m TEXT)");
    TODBCCommand command;
    command.SetConnection(connection.get());
    command.SetSQL("INSERT INTO vz_blobs (b, m) VALUES (:b, :m)");
    auto* b = static_cast<TODBCParamDesc*>(command.GetParam(0));
    b->SetDataType(tcBlob);
    b->SetParamType(pdInput);
    auto* m = static_cast<TODBCParamDesc*>(command.GetParam(1));
    m->SetDataType(tcMemo);
    m->SetParamType(pdInput);

    // Three pieces of bytes 0..255 cycling; a memo of CP936 text longer than one piece.
    TBlob* blob = new TBlob(false);
    std::string expected;
    for (int size : {70000, 100, 12345}) {
        PPieceHeader piece = nullptr;
        blob->AllocPiece(piece, size);
        for (int k = 0; k < size; ++k) {
            auto byte = static_cast<char>((expected.size() + k) % 251);
            PieceData(piece)[k] = static_cast<uint8_t>(byte);
        }
        expected.append(reinterpret_cast<char*>(PieceData(piece)), static_cast<size_t>(size));
        piece->UsedBytes = size;
        blob->AppendPiece(piece);
    }
    TBlob* memo = new TBlob(false);
    std::string text;
    for (int k = 0; k < 5000; ++k)
        text += "中文 ";
    memo->SetAsString(text);
    b->SetValuePtr(blob);
    m->SetValuePtr(memo);
    try {
        command.Execute();
    } catch (const EODBCError& e) {
        ADD_FAILURE() << e.ErrorCode << " " << e.State << " " << e.Message();
    }
    blob->Release();
    memo->Release();

    EXPECT_EQ(
        std::to_string(expected.size()),
        QueryValue(*connection, pg ? "SELECT length(b) FROM vz_blobs" : "SELECT length(b) FROM vz_blobs"));
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (unsigned char ch : expected.substr(69990, 20)) {
        hex += digits[ch >> 4];
        hex += digits[ch & 15];
    }
    EXPECT_EQ(
        hex, QueryValue(*connection, pg ? "SELECT encode(substring(b from 69991 for 20), 'hex') FROM vz_blobs"
                                        : "SELECT lower(hex(substr(b, 69991, 20))) FROM vz_blobs"));
    std::string memoBack = QueryValue(*connection, "SELECT m FROM vz_blobs");
    EXPECT_EQ(text.size(), memoBack.size());
    EXPECT_TRUE(text == memoBack);
}

std::string DriverName(const testing::TestParamInfo<Driver>& info) {
    static const char* const names[] = {"SQLite", "AccessStandIn", "PostgreSQL"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Drivers, ParameterTypes, testing::Values(dSQLite, dAccess, dPostgres), DriverName);

} // namespace

namespace {

TEST(ODBCDrivers, InstalledDriversAreListedByDescription) {
    TODBCConnection connection;
    EXPECT_TRUE(connection.IsDriverInstalled("sqlite3"));
    EXPECT_TRUE(connection.IsDriverInstalled("PostgreSQL ANSI"));
    EXPECT_TRUE(connection.IsDriverInstalled("Microsoft Access Driver (*.mdb)"));
    EXPECT_FALSE(connection.IsDriverInstalled("No Such Driver"));
}

} // namespace
