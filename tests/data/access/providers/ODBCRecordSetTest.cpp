// The ODBC record set against the SQLite driver: blocks and their linking, navigation that fetches
// on demand, over-long values that the driver does not cut, long values read in pieces.
#include <cstdio>
#include <cstring>
#include <limits>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "data/access/UniQuery.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "platform/db/Fields.h"
#include "data/memory/Blob.h"
#include "support/PostgresServer.h"

namespace {

// The bytes a blob-type field of the record holds.
std::string BlobBytes(TODBCRecordSet& rs, int field, void* buffer) {
    TBlob* blob = rs.GetFieldBlob(field, buffer);
    std::string bytes(static_cast<size_t>(blob->GetSize()), '\0');
    if (!bytes.empty()) blob->Read(0, blob->GetSize(), bytes.data());
    return bytes;
}

// ASCII text from its UTF-16 bytes.
std::string NarrowFromUtf16(const std::string& wide) {
    std::string narrow;
    for (size_t j = 0; j + 1 < wide.size(); j += 2)
        narrow += wide[j];
    return narrow;
}

// Long data: lengths around the bound part and the piece, beyond 16 bits, and a megabyte.
const int LongDataLengths[] = {0, 1, 255, 256, 70000, 1 << 20};

// A value of exactly length bytes: every byte value for binary columns, Chinese text in the ANSI
// code page (two bytes a character) ending in a letter when the length is odd, for text columns.
std::string LongDataValue(bool binary, int length) {
    std::string value;
    value.reserve(static_cast<size_t>(length));
    if (binary) {
        for (int i = 0; i < length; ++i)
            value += static_cast<char>((i * 7 + i / 251) & 0xFF);
        return value;
    }
    const std::string chinese = "中文正在启动税务申报";
    for (size_t k = 0; static_cast<int>(value.size()) + 2 <= length; ++k)
        value.append(chinese, (k % (chinese.size() / 2)) * 2, 2);
    if (static_cast<int>(value.size()) < length) value += 'z';
    return value;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

void SetSQLText(TUniQuery& query, const std::string& text) {
    query.SQL()->SetText(text.c_str());
}

// The provider registry and the access layer's defaults for the unified queries of a test: what
// the executable has not started yet is started here and ended again.
struct UnitsForUnifiedQueries {
    UnitsForUnifiedQueries() {
        if (!DefaultSQLInfo()) {
            DBAccessInitialize();
            ownAccess = true;
        }
        if (!UniProviders) {
            UniProviderUnitInitialize();
            ODBCUniProviderUnitInitialize();
            AccessUniProviderUnitInitialize();
            ownProviders = true;
        }
    }
    ~UnitsForUnifiedQueries() {
        if (ownProviders) {
            AccessUniProviderUnitFinalize();
            ODBCUniProviderUnitFinalize();
            UniProviderUnitFinalize();
        }
        if (ownAccess) DBAccessFinalize();
    }
    bool ownAccess = false;
    bool ownProviders = false;
};

struct LongColumn {
    const char* declaration;
    bool binary;
    int inLineBytes = 0; // a text column's room in the record; 0: long, any length is read whole
};

// Every value of v in id order through the record set, then through a unified query on the same
// data; each must come back byte for byte.
void ExpectLongDataReadWhole(TODBCConnection& direct, TUniConnection& unified, const LongColumn& column,
                             const std::string& table, const std::vector<int>& lengths) {
    SCOPED_TRACE(column.declaration);
    std::vector<std::string> expected;
    for (int length : lengths)
        expected.push_back(LongDataValue(column.binary, length));
    {
        TODBCRecordSet rs;
        rs.SetConnection(&direct);
        rs.SetSQL(("SELECT id, v FROM " + table + " ORDER BY id").c_str());
        rs.Open();
        const TDataTypeCode type = rs.FieldDescOf(2)->TypeCode;
        if (column.inLineBytes == 0)
            ASSERT_TRUE(TData::IsBlobCode(type)) << type;
        else
            ASSERT_EQ(tcString, type);
        void* buffer = nullptr;
        rs.AllocRecBuf(buffer);
        for (const std::string& value : expected) {
            SCOPED_TRACE(value.size());
            rs.GetNextRecord(buffer);
            ASSERT_FALSE(rs.IsEOF());
            std::string got;
            if (column.inLineBytes == 0) {
                got = BlobBytes(rs, 2, buffer);
            } else {
                Variant v;
                rs.GetFieldAsVariant(2, buffer, v);
                got = v.AsAnsiString().c_str();
            }
            EXPECT_EQ(value.size(), got.size());
            EXPECT_TRUE(value == got);
        }
        rs.GetNextRecord(buffer);
        EXPECT_TRUE(rs.IsEOF());
        rs.FreeRecBuf(buffer);
    }
    TUniQuery query;
    query.SetConnection(&unified);
    SetSQLText(query, "SELECT id, v FROM " + table + " ORDER BY id");
    query.Open();
    size_t row = 0;
    for (; !query.Eof(); query.Next(), ++row) {
        ASSERT_LT(row, expected.size());
        SCOPED_TRACE(expected[row].size());
        TField* field = query.FieldByName("v");
        std::string got;
        if (column.binary) {
            const TBytes bytes = field->AsBytes();
            got.assign(bytes.begin(), bytes.end());
        } else {
            got = field->AsString().c_str();
        }
        EXPECT_EQ(expected[row].size(), got.size());
        EXPECT_TRUE(got == expected[row]);
    }
    EXPECT_EQ(expected.size(), row);
}

// Rows whose text lives on the string heap beside a converted date, fetched as arrays of a
// block: 60 rows at FetchRows 25, so the last block ends inside its array; every column of the
// second block NULL; every third text the value that fills the whole room of VARCHAR(40). Read
// back in order, kept and unidirectional.
void ExpectHeapTextBlocksRead(TODBCConnection& connection, const std::string& table, const std::string& full) {
    auto nullRow = [](int k) { return k > 25 && k <= 50; };
    auto text = [&](int k) { return k % 3 == 0 ? full : "n" + std::to_string(k); };
    Exec(connection, "DROP TABLE IF EXISTS " + table);
    Exec(connection, "CREATE TABLE " + table + " (k INTEGER, id INTEGER, name VARCHAR(40), d DATE, x FLOAT)");
    for (int k = 1; k <= 60; ++k) {
        char date[16];
        std::snprintf(date, sizeof date, "2000-01-%02d", k % 28 + 1);
        Exec(connection, "INSERT INTO " + table + " VALUES (" + std::to_string(k) + ", " +
                             (nullRow(k) ? "NULL, NULL, NULL, NULL)"
                                         : std::to_string(k) + ", '" + text(k) + "', '" + date + "', " +
                                               std::to_string(k) + ".25)"));
    }
    for (bool uniDirectional : {false, true}) {
        SCOPED_TRACE(testing::Message() << "unidirectional " << uniDirectional);
        TODBCRecordSet rs;
        rs.SetConnection(&connection);
        rs.SetSQL(("SELECT id, name, d, x FROM " + table + " ORDER BY k").c_str());
        rs.SetProp(prFlatBuffers, false);
        rs.SetProp(prUniDirectional, uniDirectional);
        rs.Open();
        ASSERT_EQ(tcExtString, rs.FieldDescOf(2)->TypeCode);
        void* buffer = nullptr;
        rs.AllocRecBuf(buffer);
        int k = 0;
        for (rs.GetNextRecord(buffer); !rs.IsEOF(); rs.GetNextRecord(buffer)) {
            ++k;
            SCOPED_TRACE(k);
            Variant id, name, d, x;
            rs.GetFieldAsVariant(1, buffer, id);
            rs.GetFieldAsVariant(2, buffer, name);
            rs.GetFieldAsVariant(3, buffer, d);
            rs.GetFieldAsVariant(4, buffer, x);
            if (nullRow(k)) {
                for (int f = 1; f <= 4; ++f)
                    EXPECT_TRUE(rs.GetNull(f, buffer)) << f;
                continue;
            }
            EXPECT_EQ(k, id.AsInteger());
            EXPECT_EQ(text(k), std::string(name.AsAnsiString().c_str()));
            EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, static_cast<uint16_t>(k % 28 + 1)), d.AsDateTime());
            EXPECT_DOUBLE_EQ(k + 0.25, x.AsDouble());
        }
        rs.FreeRecBuf(buffer);
        EXPECT_EQ(60, k);
        if (!uniDirectional) {
            std::vector<int> used;
            for (PRowBlock b = rs.BlockManager().NewestBlock; b; b = b->OlderBlock())
                used.insert(used.begin(), b->UsedCount());
            EXPECT_EQ((std::vector<int>{25, 25, 10}), used);
        }
    }
    Exec(connection, "DROP TABLE " + table);
}

// Decimal values read into a currency field: four decimals, the fifth rounding half away from
// zero, a carry into the whole part, and fourteen and fifteen digits before the point. (The
// SQLite driver describes its decimals as doubles: only PostgreSQL gives them as decimal text.)
struct DecimalCase {
    const char* literal;
    int64_t scaled; // the currency's value: ten-thousandths
};
const DecimalCase DecimalCases[] = {
    {"0", 0},
    {"12.5", 125000},
    {"-123.4567", -1234567},
    {"0.12344", 1234},
    {"0.99995", 10000},
    {"-0.50005", -5001},
    {"99999999999.9999", 999999999999999},
    {"12345678901234.5678", 123456789012345678},
    {"123456789012345.5", 1234567890123455000},
};

// Reads "SELECT n FROM <table> ORDER BY id" (one row a case in order, then a NULL) into a BCD
// field as an array block that ends mid-array, and checks every value.
void ExpectDecimalsAsCurrency(TODBCConnection& connection, const std::string& table) {
    connection.SetProp(prEnableBCD, true);
    TODBCRecordSet rs;
    rs.SetConnection(&connection);
    rs.SetSQL(("SELECT n FROM " + table + " ORDER BY id").c_str());
    rs.Open();
    connection.SetProp(prEnableBCD, false);
    ASSERT_EQ(tcBCD, rs.FieldDescOf(1)->TypeCode);
    void* buffer = nullptr;
    rs.AllocRecBuf(buffer);
    for (const DecimalCase& c : DecimalCases) {
        SCOPED_TRACE(c.literal);
        rs.GetNextRecord(buffer);
        ASSERT_FALSE(rs.IsEOF());
        Variant v;
        rs.GetFieldAsVariant(1, buffer, v);
        EXPECT_EQ(c.scaled, v.AsCurrency().Value);
    }
    rs.GetNextRecord(buffer);
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_TRUE(rs.GetNull(1, buffer));
    rs.GetNextRecord(buffer);
    EXPECT_TRUE(rs.IsEOF());
    rs.FreeRecBuf(buffer);
}

// The table of DecimalCases for ExpectDecimalsAsCurrency.
void MakeDecimalTable(TODBCConnection& connection, const std::string& table, const std::string& type) {
    Exec(connection, "DROP TABLE IF EXISTS " + table);
    Exec(connection, "CREATE TABLE " + table + " (id INTEGER, n " + type + ")");
    int id = 0;
    for (const DecimalCase& c : DecimalCases)
        Exec(connection, "INSERT INTO " + table + " VALUES (" + std::to_string(id++) + ", " + c.literal + ")");
    Exec(connection, "INSERT INTO " + table + " VALUES (" + std::to_string(id) + ", NULL)");
}


class RecordSetTest : public testing::Test {
protected:
    void SetUp() override {
        std::string dir = BuildFolderUnix("odbc-provider-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        std::string file = dir + "/recordset-" + std::to_string(GetCurrentProcessId()) + ".db";
        dbFile = "Z:" + file;
        DeleteFileA(dbFile.c_str());
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        connection->Connect("");
    }
    void TearDown() override {
        connection.reset();
        DeleteFileA(dbFile.c_str());
    }

    // A table t(id INTEGER, name VARCHAR(20), x DOUBLE) of n rows: id 1..n, name "row<id>", x id/2.
    void MakeRows(int n) {
        Exec(*connection, "DROP TABLE IF EXISTS t");
        Exec(*connection, "CREATE TABLE t (id INTEGER, name VARCHAR(20), x DOUBLE)");
        if (n > 0)
            Exec(*connection, "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
                                  std::to_string(n) + ") INSERT INTO t SELECT i, 'row' || i, i / 2.0 FROM c");
    }

    std::unique_ptr<TODBCRecordSet> Open(const std::string& sql, bool fetchAll = false, int fetchRows = 25) {
        auto rs = std::make_unique<TODBCRecordSet>();
        rs->SetConnection(connection.get());
        rs->SetSQL(sql.c_str());
        rs->SetProp(prFetchRows, fetchRows);
        rs->SetProp(prFetchAll, fetchAll);
        rs->Open();
        return rs;
    }

    // Every row from the current position on, as text per column ("<null>" for NULL).
    static std::vector<std::vector<std::string>> ReadAll(TODBCRecordSet& rs) {
        std::vector<std::vector<std::string>> rows;
        void* buffer = nullptr;
        rs.AllocRecBuf(buffer);
        for (;;) {
            rs.GetNextRecord(buffer);
            if (rs.IsEOF()) break;
            std::vector<std::string> row;
            for (int f = 1; f <= rs.GetFieldDescCount(); ++f) {
                Variant v;
                rs.GetFieldAsVariant(f, buffer, v);
                row.push_back(v.IsNull() ? "<null>" : v.AsAnsiString().c_str());
            }
            rows.push_back(row);
        }
        rs.FreeRecBuf(buffer);
        return rows;
    }

    static std::vector<int> UsedCounts(TODBCRecordSet& rs) {
        std::vector<int> used;
        for (PRowBlock b = rs.BlockManager().NewestBlock; b; b = b->OlderBlock())
            used.insert(used.begin(), b->UsedCount());
        return used;
    }
    static int FreeItems(TODBCRecordSet& rs) {
        int n = 0;
        for (PRowItem i = rs.BlockManager().FreeItems; i; i = i->NextItem())
            ++n;
        return n;
    }

    std::unique_ptr<TODBCConnection> connection;
    std::string dbFile;
};

TEST_F(RecordSetTest, BlocksAreLinkedAndTheirLeftOverItemsFreed) {
    struct Case {
        int rows;
        std::vector<int> used;
        int freeItems;
        int fetchReachingEnd; // the fetch (counting the one of opening) after which state is 10
    };
    const Case cases[] = {
        {60, {25, 25, 10}, 15, 3},
        {50, {25, 25}, 0, 3}, // ends on a block border: one more fetch finds no rows
        {0, {}, 0, 1},
        {1, {1}, 24, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        MakeRows(c.rows);
        auto rs = Open("SELECT id, name, x FROM t ORDER BY id");
        // State 10 ends the fetching; an unprepared record set then also releases the statement.
        auto ended = [&] {
            uint8_t state = rs->ODBCCommand()->GetCursorState();
            return state == csFetched || state == csInactive;
        };
        int fetches = 1;
        while (!ended()) {
            rs->Fetch(false);
            ++fetches;
            ASSERT_LT(fetches, 10);
        }
        int reached = fetches;
        EXPECT_FALSE(rs->ODBCCommand()->GetPrepared());
        EXPECT_EQ(c.fetchReachingEnd, reached);
        EXPECT_EQ(c.used, UsedCounts(*rs));
        EXPECT_EQ(c.freeItems, FreeItems(*rs));
        EXPECT_EQ(c.rows, rs->GetRecordCount());
        EXPECT_EQ(c.rows > 0 && c.rows % 25 != 0, rs->AtEndOfData());
        auto rows = ReadAll(*rs);
        ASSERT_EQ(static_cast<size_t>(c.rows), rows.size());
        for (int i = 0; i < c.rows; ++i) {
            EXPECT_EQ(std::to_string(i + 1), rows[i][0]);
            EXPECT_EQ("row" + std::to_string(i + 1), rows[i][1]);
        }
        EXPECT_FALSE(rs->Fetch(false)); // nothing more after state 10
    }
}

TEST(AccessRecordSet, TheStandInDriverIsReadInBlocksToo) {
    std::string dir = BuildFolderUnix("odbc-provider-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string dbFile = "Z:" + dir + "/recordset-access-" + std::to_string(GetCurrentProcessId()) + ".mdb";
    // The stand-in opens existing files only; a zero-length file is an empty database.
    CloseHandle(CreateFileA(dbFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    {
        TODBCConnection connection;
        connection.SetServer("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + dbFile);
        connection.SetPassword("secret");
        connection.Connect("");
        Exec(connection, "CREATE TABLE a (id INTEGER, d DATE)");
        Exec(connection, "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 30) "
                         "INSERT INTO a SELECT i, date('2024-01-01', '+' || i || ' days') FROM c");
        TODBCRecordSet rs;
        rs.SetConnection(&connection);
        rs.SetSQL("SELECT id, d FROM a ORDER BY id");
        rs.Open();
        void* buffer = nullptr;
        rs.AllocRecBuf(buffer);
        int n = 0;
        for (rs.GetNextRecord(buffer); !rs.IsEOF(); rs.GetNextRecord(buffer)) {
            ++n;
            Variant id, d;
            rs.GetFieldAsVariant(1, buffer, id);
            rs.GetFieldAsVariant(2, buffer, d);
            EXPECT_EQ(n, id.AsInteger());
            EXPECT_DOUBLE_EQ(EncodeDate(2024, 1, 1) + n, d.AsDateTime());
        }
        rs.FreeRecBuf(buffer);
        EXPECT_EQ(30, n);
    }
    DeleteFileA(dbFile.c_str());
}

TEST_F(RecordSetTest, NavigationFetchesOnDemandAndRecordNumbersFollow) {
    MakeRows(60);
    auto rs = Open("SELECT id, name, x FROM t ORDER BY id");
    EXPECT_EQ(25, rs->GetRecordCount());
    auto rows = ReadAll(*rs);
    ASSERT_EQ(60u, rows.size());
    EXPECT_EQ("30", rows[29][0]);
    EXPECT_EQ("30", rows[59][2]);
    EXPECT_EQ(60, rs->GetRecordCount());
    rs->SetRecNo(51);
    EXPECT_EQ(51, rs->GetRecNo());
}

TEST_F(RecordSetTest, UnidirectionalNavigationNeverReturnsToAnEarlierBlock) {
    MakeRows(60);
    auto rs = std::make_unique<TODBCRecordSet>();
    rs->SetConnection(connection.get());
    rs->SetSQL("SELECT id FROM t ORDER BY id");
    rs->SetProp(prFetchAll, true);
    rs->SetProp(prUniDirectional, true);
    Variant fetchAll;
    rs->GetProp(prFetchAll, fetchAll);
    EXPECT_FALSE(fetchAll.AsBoolean()); // unidirectional clears fetch all ...
    rs->SetProp(prFetchAll, true);
    rs->GetProp(prFetchAll, fetchAll);
    EXPECT_FALSE(fetchAll.AsBoolean()); // ... and keeps it off
    rs->Open();
    void* buffer = nullptr;
    rs->AllocRecBuf(buffer);
    std::vector<int> ids;
    for (;;) {
        rs->GetNextRecord(buffer);
        if (rs->IsEOF()) break;
        Variant v;
        rs->GetFieldAsVariant(1, buffer, v);
        ids.push_back(v.AsInteger());
        EXPECT_EQ(ids.back(), rs->GetRecNo());
        // The list never holds more than the current block.
        int listed = 0;
        for (PRowItem i = rs->FirstItem; i; i = i->NextItem())
            ++listed;
        EXPECT_LE(listed, 25);
        if (ids.back() == 30) {
            rs->GetPriorRecord(buffer);
            EXPECT_TRUE(rs->IsBOF());
            break;
        }
    }
    ASSERT_EQ(30u, ids.size());
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(i + 1, ids[i]);
    EXPECT_EQ(1u, UsedCounts(*rs).size()); // one block, filled again and again
    rs->FreeRecBuf(buffer);
}

TEST_F(RecordSetTest, SortingFetchesTheRestFirstAndABreakCancelsTheNextFetch) {
    MakeRows(60);
    auto rs = Open("SELECT id, name FROM t");
    EXPECT_EQ(25, rs->GetRecordCount());
    rs->SetIndexFieldNames("id DESC");
    EXPECT_EQ(60, rs->GetRecordCount());
    auto rows = ReadAll(*rs);
    ASSERT_EQ(60u, rows.size());
    EXPECT_EQ("60", rows[0][0]);
    EXPECT_EQ("1", rows[59][0]);

    auto second = Open("SELECT id FROM t");
    second->BreakFetch();
    bool cancel = false;
    second->DoBeforeFetch(cancel);
    EXPECT_TRUE(cancel);
    EXPECT_FALSE(second->Fetch(false));
    EXPECT_EQ(25, second->GetRecordCount());
    bool askedBefore = false;
    second->OnBeforeFetch = [&](bool& c) {
        askedBefore = true;
        c = false; // the dataset's handler may let it go on
    };
    EXPECT_TRUE(second->Fetch(false));
    EXPECT_TRUE(askedBefore);
    EXPECT_EQ(50, second->GetRecordCount());
}

TEST_F(RecordSetTest, NumberedPropertiesAndAFilterWhileFetching) {
    TODBCRecordSet rs;
    Variant v;
    rs.SetProp(prLockFetchAll, true);
    rs.SetProp(prFetchAll, false);
    rs.GetProp(prFetchAll, v);
    EXPECT_TRUE(v.AsBoolean()); // the lock keeps the record set's own choice
    rs.SetProp(prLockFetchAll, false);
    rs.SetProp(prODBCRecordSetFlag, true);
    rs.GetProp(prODBCRecordSetFlag, v);
    EXPECT_TRUE(v.AsBoolean());
    rs.SetProp(prCommandTimeout, 7);
    EXPECT_EQ(7, rs.ODBCCommand()->CommandTimeout);
    EXPECT_TRUE(rs.SetProp(prReadOnly, true)); // accepted without effect
    EXPECT_THROW(rs.SetProp(prUsername, AnsiString("x")), EAssertionFailed);
    EXPECT_THROW(rs.GetProp(prFetchRows, v), EAssertionFailed);

    // Fetching block by block under a filter counts only the rows it shows.
    MakeRows(60);
    auto filtered = std::make_unique<TODBCRecordSet>();
    filtered->SetConnection(connection.get());
    filtered->SetSQL("SELECT id FROM t ORDER BY id");
    filtered->SetProp(prFetchAll, false);
    filtered->FilterRecordHook = [&](void* record) {
        Variant id;
        filtered->GetFieldAsVariant(1, record, id);
        return id.AsInteger() % 2 == 0;
    };
    filtered->Open();
    EXPECT_EQ(12, filtered->GetRecordCount()); // the even rows of the first block
    auto rows = ReadAll(*filtered);
    ASSERT_EQ(30u, rows.size());
    EXPECT_EQ("2", rows[0][0]);
    EXPECT_EQ("60", rows[29][0]);
    EXPECT_EQ(30, filtered->GetRecordCount());
}

TEST_F(RecordSetTest, AStatementWithoutRowsIsRefused) {
    MakeRows(1);
    auto rs = std::make_unique<TODBCRecordSet>();
    rs->SetConnection(connection.get());
    rs->SetSQL("UPDATE t SET id = 2");
    EXPECT_EQ("SQL statement doesn't return rows", MessageOf([&] { rs->Open(); }));
    EXPECT_FALSE(rs->Active);
    EXPECT_EQ("2", QueryValue(*connection, "SELECT id FROM t")); // it did run
}

// Values longer than their declared column: SQLite keeps any length whatever a declaration
// says, and its driver reports the declared size. Bytes and memos bound in line up to their length
// read a longer value whole, and its neighbours stay intact.
TEST_F(RecordSetTest, OverLongValuesOfLongColumnsAreReadWholeAndLeaveNeighboursIntact) {
    struct Case {
        const char* name;
        const char* column;
        bool flatBuffers;
        bool unicode;
        TDataTypeCode expectedType;
        int inLine; // what the record set binds in line: bytes, or characters of wide text
        bool bytes;
    };
    const Case cases[] = {
        {"VARCHAR(255) as memo", "VARCHAR(255)", true, false, tcMemo, 510, false},
        {"VARCHAR(255) as wide memo", "VARCHAR(255)", true, true, tcWideMemo, 255, false},
        {"VARBINARY(10)", "VARBINARY(10)", true, false, tcBlob, 10, true},
        {"VARBINARY(40) not flat", "VARBINARY(40)", false, false, tcBlob, 40, true},
        {"BLOB", "BLOB", true, false, tcBlob, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exec(*connection, "DROP TABLE IF EXISTS o");
        Exec(*connection, std::string("CREATE TABLE o (a INTEGER, v ") + c.column + ", b VARCHAR(5))");
        auto valueOf = [&](int row) {
            // Row 1 is over-long, row 2 exactly fills the part in line, row 0 is shorter.
            int length = row == 1 ? c.inLine * 3 + 7 : row == 2 ? c.inLine : c.inLine - 1;
            std::string value;
            for (int i = 0; i < length; ++i)
                value += static_cast<char>('A' + (i + row) % 26);
            return value;
        };
        for (int row = 0; row < 3; ++row) {
            std::string literal = c.bytes ? "CAST('" + valueOf(row) + "' AS BLOB)" : "'" + valueOf(row) + "'";
            Exec(*connection, "INSERT INTO o VALUES (" + std::to_string(row) + ", " + literal + ", 'b" +
                                  std::to_string(row) + "')");
        }
        connection->UseUnicode = c.unicode;
        auto rs = std::make_unique<TODBCRecordSet>();
        rs->SetConnection(connection.get());
        rs->SetSQL("SELECT a, v, b FROM o ORDER BY a");
        rs->SetProp(prFlatBuffers, c.flatBuffers);
        rs->SetProp(prLongStrings, false);
        rs->Open();
        connection->UseUnicode = false;
        ASSERT_EQ(c.expectedType, rs->FieldDescOf(2)->TypeCode);
        ASSERT_EQ(c.inLine, rs->FieldDescOf(2)->DeclaredLength);
        void* buffer = nullptr;
        rs->AllocRecBuf(buffer);
        for (int row = 0; row < 3; ++row) {
            rs->GetNextRecord(buffer);
            ASSERT_FALSE(rs->IsEOF());
            Variant a, b;
            rs->GetFieldAsVariant(1, buffer, a);
            rs->GetFieldAsVariant(3, buffer, b);
            EXPECT_EQ(row, a.AsInteger());
            EXPECT_EQ("b" + std::to_string(row), std::string(b.AsAnsiString().c_str()));
            std::string got = BlobBytes(*rs, 2, buffer);
            if (c.unicode) got = NarrowFromUtf16(got);
            EXPECT_EQ(valueOf(row), got);
        }
        rs->FreeRecBuf(buffer);
    }
}

// Text keeps its string type with room for its declared characters in the code page: a value
// beyond it is refused, in line and on the heap, 8-bit and wide, whichever row it comes in.
TEST_F(RecordSetTest, TextBeyondItsRoomIsRefusedNotCut) {
    struct Case {
        const char* name;
        const char* column;
        bool flatBuffers;
        bool unicode;
        TDataTypeCode expectedType;
        int room; // bytes
    };
    const Case cases[] = {
        {"in the record", "v10", true, false, tcString, 20},
        // Fewer than 32 declared characters stay in the record without flat buffers too, however
        // many bytes the code page gives them.
        {"short text in the record", "v20", false, false, tcString, 40},
        {"on the heap", "v40", false, false, tcExtString, 80},
        {"wide in the record", "v10", true, true, tcWideString, 20},
        {"wide on the heap", "v40", false, true, tcExtWideString, 80},
    };
    Exec(*connection, "CREATE TABLE o (a INTEGER, v10 VARCHAR(10), v20 VARCHAR(20), v40 VARCHAR(40))");
    // Row 33, in the second block, holds ninety characters.
    Exec(*connection,
         "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 40) "
         "INSERT INTO o SELECT i, s, s, s FROM (SELECT i, CASE i WHEN 33 THEN printf('%.90c', 'x') "
         "ELSE 'short' END AS s FROM c)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        connection->UseUnicode = c.unicode;
        TODBCRecordSet rs;
        rs.SetConnection(connection.get());
        rs.SetSQL((std::string("SELECT a, ") + c.column + " FROM o ORDER BY a").c_str());
        rs.SetProp(prFlatBuffers, c.flatBuffers);
        rs.SetProp(prFetchAll, false);
        rs.Open();
        connection->UseUnicode = false;
        EXPECT_EQ(c.expectedType, rs.FieldDescOf(2)->TypeCode);
        EXPECT_EQ(25, rs.GetRecordCount());
        const int got = c.unicode ? 180 : 90;
        EXPECT_EQ("String data, right truncated: field " + std::string(c.column) + " holds " +
                      std::to_string(got) + " bytes, its buffer " + std::to_string(c.room),
                  MessageOf([&] { rs.FetchAll(); }));
        EXPECT_EQ(25, rs.GetRecordCount()); // the failed block left the list as it was
    }
}

TEST_F(RecordSetTest, HeapTextBlocksAreFetchedWholeAndEndMidArray) {
    // SQLite keeps any text: 80 letters are the room the code page gives 40 characters.
    ExpectHeapTextBlocksRead(*connection, "heap_text", std::string(80, 'w'));
}

TEST_F(RecordSetTest, AColumnLongerThanSixteenBitsIsReadWhole) {
    Exec(*connection, "CREATE TABLE big (v VARCHAR(70000))");
    std::string value;
    for (int i = 0; i < 70000; ++i)
        value += static_cast<char>('a' + i % 26);
    Exec(*connection, "INSERT INTO big VALUES ('" + value + "')");
    auto rs = Open("SELECT v FROM big", true);
    EXPECT_EQ(tcMemo, rs->FieldDescOf(1)->TypeCode);
    EXPECT_EQ(0, rs->FieldDescOf(1)->DeclaredLength); // read piecewise
    auto rows = ReadAll(*rs);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(value.size(), rows[0][0].size());
    EXPECT_EQ(value, rows[0][0]);
}

// Long data in every column kind SQLite offers, read directly and behind the Access stand-in.
// SQLite keeps any length in a VARCHAR(10): it stays text of ten characters, room for ten
// Chinese ones in the code page, and a longer value is refused on both roads, never cut.
TEST_F(RecordSetTest, LongDataOfEveryLengthIsReadWholeOrRefused) {
    UnitsForUnifiedQueries units;
    TUniConnection unified;
    unified.SetProviderName("Access");
    unified.LoginPrompt = false;
    unified.SetPassword("secret");
    std::string database = dbFile;
    for (char& c : database)
        if (c == '/') c = '\\';
    unified.SetDatabase(database.c_str());
    unified.Connect();
    const LongColumn columns[] = {
        {"BLOB", true}, {"VARCHAR(10)", false, 20}, {"TEXT", false}, {"LONGVARBINARY", true}};
    int tableNo = 0;
    // A table of its own for each: the other connection describes a statement by the schema it
    // last read, not by a table dropped and made again under the same name.
    auto makeTable = [&](const LongColumn& column, const std::vector<int>& lengths) {
        const std::string table = "ld" + std::to_string(tableNo++);
        Exec(*connection, "CREATE TABLE " + table + " (id INTEGER, v " + column.declaration + ")");
        int id = 0;
        for (int length : lengths) {
            // The exact bytes, whatever the driver would make of the statement's text.
            std::string literal = "X'" + Hex(LongDataValue(column.binary, length)) + "'";
            if (!column.binary) literal = "CAST(" + literal + " AS TEXT)";
            Exec(*connection,
                 "INSERT INTO " + table + " VALUES (" + std::to_string(id++) + ", " + literal + ")");
        }
        return table;
    };
    for (const LongColumn& column : columns) {
        std::vector<int> fitting, refused;
        for (int length : LongDataLengths)
            (column.inLineBytes == 0 || length <= column.inLineBytes ? fitting : refused).push_back(length);
        if (column.inLineBytes > 0) {
            fitting.push_back(column.inLineBytes - 1);
            fitting.push_back(column.inLineBytes);
        }
        ExpectLongDataReadWhole(*connection, unified, column, makeTable(column, fitting), fitting);
        for (int length : refused) {
            SCOPED_TRACE(length);
            const std::string table = makeTable(column, {length});
            const std::string message = "String data, right truncated: field v holds " +
                                        std::to_string(length) + " bytes, its buffer " +
                                        std::to_string(column.inLineBytes);
            TODBCRecordSet rs;
            rs.SetConnection(connection.get());
            rs.SetSQL(("SELECT id, v FROM " + table).c_str());
            EXPECT_EQ(message, MessageOf([&] { rs.Open(); }));
            TUniQuery query;
            query.SetConnection(&unified);
            SetSQLText(query, "SELECT id, v FROM " + table);
            EXPECT_EQ(message, MessageOf([&] { query.Open(); }));
        }
    }
    unified.Disconnect();
}

// Long values read piecewise around the piece border, as memo, wide memo and blob.
TEST_F(RecordSetTest, LongValuesAreReadByteExactAroundThePieceBorder) {
    const int piece = DefaultPieceSize;
    struct Kind {
        const char* name;
        const char* column;
        bool unicode;
        TDataTypeCode type;
        int terminator;
    };
    const Kind kinds[] = {
        {"memo", "TEXT", false, tcMemo, 1},
        {"wide memo", "TEXT", true, tcWideMemo, 2},
        {"blob", "LONGVARBINARY", false, tcBlob, 0},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        Exec(*connection, "DROP TABLE IF EXISTS l");
        Exec(*connection, std::string("CREATE TABLE l (id INTEGER, v ") + k.column + ")");
        // In bytes as the piece counts them; a wide character takes two.
        const int unit = k.unicode ? 2 : 1;
        std::vector<int> lengths = {0, 1, piece / unit - 1, piece / unit, piece / unit + 1, 3 * piece / unit};
        for (size_t i = 0; i < lengths.size(); ++i) {
            std::string literal = "substr(hex(zeroblob(" + std::to_string(lengths[i]) + ")), 1, " +
                                  std::to_string(lengths[i]) + ")";
            // Varied bytes: every value a different pattern of letters.
            literal = "replace(replace(" + literal + ", '00', 'ab'), '0', 'c')";
            if (std::string(k.column) == "LONGVARBINARY") literal = "CAST(" + literal + " AS BLOB)";
            Exec(*connection, "INSERT INTO l VALUES (" + std::to_string(i) + ", " + literal + ")");
        }
        connection->UseUnicode = k.unicode;
        auto rs = Open("SELECT v, id FROM l ORDER BY id", true);
        connection->UseUnicode = false;
        ASSERT_EQ(k.type, rs->FieldDescOf(1)->TypeCode);
        void* buffer = nullptr;
        rs->AllocRecBuf(buffer);
        for (size_t i = 0; i < lengths.size(); ++i) {
            SCOPED_TRACE(lengths[i]);
            rs->GetNextRecord(buffer);
            ASSERT_FALSE(rs->IsEOF());
            std::string expected =
                QueryValue(*connection, "SELECT CAST(v AS TEXT) FROM l WHERE id = " + std::to_string(i));
            if (lengths[i] == 0) {
                EXPECT_TRUE(rs->GetNull(1, buffer)); // an empty long value is NULL
                continue;
            }
            ASSERT_EQ(static_cast<size_t>(lengths[i]), expected.size());
            TBlob* blob = rs->GetFieldBlob(1, buffer);
            std::string got(static_cast<size_t>(blob->GetSize()), '\0');
            blob->Read(0, blob->GetSize(), got.data());
            if (k.unicode) {
                std::string narrow;
                for (size_t j = 0; j < got.size(); j += 2)
                    narrow += got[j];
                got = narrow;
            }
            EXPECT_EQ(expected, got);
            (void)k.terminator;
        }
        rs->FreeRecBuf(buffer);
    }
}

TEST_F(RecordSetTest, SmallLongValuesKeepPiecesOfTheirOwnSize) {
    Exec(*connection, "CREATE TABLE s (v TEXT)");
    for (int i = 1; i <= 30; ++i)
        Exec(*connection, "INSERT INTO s VALUES ('" + std::string(static_cast<size_t>(i), 'x') + "')");
    auto rs = Open("SELECT v FROM s ORDER BY length(v)", true);
    ASSERT_EQ(tcMemo, rs->FieldDescOf(1)->TypeCode);
    void* buffer = nullptr;
    rs->AllocRecBuf(buffer);
    for (int i = 1; i <= 30; ++i) {
        rs->GetNextRecord(buffer);
        ASSERT_FALSE(rs->IsEOF());
        PPieceHeader piece = rs->GetFieldBlob(1, buffer)->GetFirstPiece();
        ASSERT_NE(nullptr, piece);
        EXPECT_EQ(i, piece->UsedBytes);
        EXPECT_EQ(i, piece->Capacity); // not a full piece per value
        EXPECT_EQ(nullptr, piece->NextPiece);
    }
    rs->FreeRecBuf(buffer);
}

TEST_F(RecordSetTest, DisconnectKeepsTheRowsAndReopenReadsAgain) {
    MakeRows(60);
    auto rs = Open("SELECT id FROM t ORDER BY id");
    EXPECT_FALSE(rs->CanDisconnect()); // still fetching
    rs->FetchAll();
    EXPECT_TRUE(rs->CanDisconnect());
    rs->Disconnect();
    EXPECT_FALSE(rs->ODBCCommand()->GetPrepared());
    EXPECT_EQ(60u, ReadAll(*rs).size());
    Exec(*connection, "DELETE FROM t WHERE id > 10");
    rs->Reopen();
    rs->SetToEnd(); // fetches the rest first
    EXPECT_EQ(10, rs->GetRecordCount());
}

TEST_F(RecordSetTest, DatesTimesDecimalsAndGuidsAreConverted) {
    Exec(*connection, "CREATE TABLE v (d DATE, t TIME, ts TIMESTAMP, n NUMERIC(18,4), g GUID)");
    Exec(*connection, "INSERT INTO v VALUES ('2024-02-29', '13:45:59', '2024-02-29 13:45:59.123', 12.5, "
                      "'6F9619FF-8B86-D011-B42D-00C04FC964FF')");
    Exec(*connection, "INSERT INTO v VALUES (NULL, NULL, NULL, NULL, NULL)");
    connection->SetProp(prEnableBCD, true);
    auto rs = Open("SELECT d, t, ts, n, g FROM v", true);
    EXPECT_EQ(tcDate, rs->FieldDescOf(1)->TypeCode);
    EXPECT_EQ(tcTime, rs->FieldDescOf(2)->TypeCode);
    EXPECT_EQ(tcDateTime, rs->FieldDescOf(3)->TypeCode);
    void* buffer = nullptr;
    rs->AllocRecBuf(buffer);
    rs->GetNextRecord(buffer);
    Variant v;
    rs->GetFieldAsVariant(1, buffer, v);
    EXPECT_DOUBLE_EQ(EncodeDate(2024, 2, 29), v.AsDateTime());
    rs->GetFieldAsVariant(2, buffer, v);
    EXPECT_DOUBLE_EQ(EncodeTime(13, 45, 59, 0), v.AsDateTime());
    rs->GetFieldAsVariant(3, buffer, v);
    EXPECT_NEAR(EncodeDateTime(2024, 2, 29, 13, 45, 59, 123), v.AsDateTime(), 1e-9);
    rs->GetFieldAsVariant(4, buffer, v);
    EXPECT_DOUBLE_EQ(12.5, v.AsDouble());
    rs->GetNextRecord(buffer);
    for (int f = 1; f <= 5; ++f)
        EXPECT_TRUE(rs->GetNull(f, buffer)) << f;
    rs->FreeRecBuf(buffer);
}

} // namespace

namespace {

class PgRecordSetTest : public testing::Test {
protected:
    void SetUp() override {
        const PostgresServer& server = PostgresServer::Get();
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer(server.ServerText());
        connection->SetUsername(server.User);
        connection->SetPassword(server.Password);
        connection->Connect("");
    }
    std::unique_ptr<TODBCRecordSet> Open(const std::string& sql) {
        auto rs = std::make_unique<TODBCRecordSet>();
        rs->SetConnection(connection.get());
        rs->SetSQL(sql.c_str());
        rs->Open();
        return rs;
    }
    std::unique_ptr<TODBCConnection> connection;
};

TEST_F(PgRecordSetTest, ABatchWhoseFirstStatementReturnsNoRowsIsReadFromItsSecondResult) {
    Exec(*connection, "DROP TABLE IF EXISTS vz_rs_batch");
    Exec(*connection, "CREATE TABLE vz_rs_batch (id INTEGER, name VARCHAR(20))");
    Exec(*connection, "INSERT INTO vz_rs_batch VALUES (1, 'one'), (2, 'two')");
    auto rs = Open(
        "UPDATE vz_rs_batch SET name = 'uno' WHERE id = 1; SELECT id, name FROM vz_rs_batch ORDER BY id");
    void* buffer = nullptr;
    rs->AllocRecBuf(buffer);
    std::vector<std::string> names;
    for (rs->GetNextRecord(buffer); !rs->IsEOF(); rs->GetNextRecord(buffer)) {
        Variant v;
        rs->GetFieldAsVariant(2, buffer, v);
        names.push_back(v.AsAnsiString().c_str());
    }
    rs->FreeRecBuf(buffer);
    EXPECT_EQ((std::vector<std::string>{"uno", "two"}), names);
    // The statement the connection runs itself reads nothing back and leaves nothing open.
    Exec(*connection, "SELECT 1");
    Exec(*connection, "DROP TABLE vz_rs_batch");
}

TEST_F(PgRecordSetTest, RowsOfManyBlocksLandInTheirOwnItems) {
    // Array blocks (integer and text) and staged blocks (with a date) alike.
    for (const char* sql :
         {"SELECT i, 'row' || i FROM generate_series(1, 60) i ORDER BY i",
          "SELECT i, 'row' || i, DATE '2000-01-01' + i FROM generate_series(1, 60) i ORDER BY i"}) {
        SCOPED_TRACE(sql);
        auto rs = Open(sql);
        void* buffer = nullptr;
        rs->AllocRecBuf(buffer);
        int n = 0;
        for (rs->GetNextRecord(buffer); !rs->IsEOF(); rs->GetNextRecord(buffer)) {
            ++n;
            Variant id, name;
            rs->GetFieldAsVariant(1, buffer, id);
            rs->GetFieldAsVariant(2, buffer, name);
            EXPECT_EQ(n, id.AsInteger());
            EXPECT_EQ("row" + std::to_string(n), std::string(name.AsAnsiString().c_str()));
            if (rs->GetFieldDescCount() == 3) {
                Variant d;
                rs->GetFieldAsVariant(3, buffer, d);
                EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1) + n, d.AsDateTime());
            }
        }
        rs->FreeRecBuf(buffer);
        EXPECT_EQ(60, n);
    }
}

TEST_F(PgRecordSetTest, HeapTextBlocksAreFetchedWholeAndEndMidArray) {
    std::string forty;
    for (int i = 0; i < 4; ++i)
        forty += "中文正在启动税务申报";
    ExpectHeapTextBlocksRead(*connection, "vz_rs_heap_text", forty);
}

TEST_F(PgRecordSetTest, LongDataOfEveryLengthIsReadWhole) {
    UnitsForUnifiedQueries units;
    const PostgresServer& server = PostgresServer::Get();
    TUniConnection unified;
    unified.SetProviderName("ODBC");
    unified.LoginPrompt = false;
    unified.SetServer(server.ServerText().c_str());
    unified.SetUsername(server.User.c_str());
    unified.SetPassword(server.Password.c_str());
    unified.Connect();
    const std::string table = "vz_rs_long_" + std::to_string(GetCurrentProcessId());
    for (const LongColumn& column : {LongColumn{"bytea", true}, LongColumn{"text", false}}) {
        Exec(*connection, "DROP TABLE IF EXISTS " + table);
        Exec(*connection, "CREATE TABLE " + table + " (id INTEGER, v " + column.declaration + ")");
        int id = 0;
        for (int length : LongDataLengths) {
            std::string value = LongDataValue(column.binary, length);
            // Text goes as the session's code page has it.
            std::string literal = column.binary ? "decode('" + Hex(value) + "', 'hex')" : "'" + value + "'";
            Exec(*connection,
                 "INSERT INTO " + table + " VALUES (" + std::to_string(id++) + ", " + literal + ")");
        }
        ExpectLongDataReadWhole(*connection, unified, column, table,
                                std::vector<int>(std::begin(LongDataLengths), std::end(LongDataLengths)));
    }
    Exec(*connection, "DROP TABLE " + table);
    unified.Disconnect();
}

// The declared size counts characters: ten Chinese characters take twenty bytes in the session's
// code page, and all of them arrive in the record, on the string heap and as memo.
TEST_F(PgRecordSetTest, ChineseTextFillsItsDeclaredCharacters) {
    const std::string ten = "中文正在启动税务申报", four = "中文启动";
    std::string long300;
    for (int i = 0; i < 30; ++i)
        long300 += ten;
    Exec(*connection, "DROP TABLE IF EXISTS vz_rs_cn");
    Exec(*connection, "CREATE TABLE vz_rs_cn (a VARCHAR(10), b CHAR(4), c VARCHAR(300))");
    Exec(*connection, "INSERT INTO vz_rs_cn VALUES ('" + ten + "', '" + four + "', '" + long300 + "')");
    struct Case {
        const char* name;
        bool flatBuffers;
        bool longStrings;
    };
    for (const Case& c : {Case{"in the record", true, true}, Case{"on the heap", false, true},
                          Case{"long as memo", true, false}}) {
        SCOPED_TRACE(c.name);
        TODBCRecordSet rs;
        rs.SetConnection(connection.get());
        rs.SetSQL("SELECT a, b, c FROM vz_rs_cn");
        rs.SetProp(prFlatBuffers, c.flatBuffers);
        rs.SetProp(prLongStrings, c.longStrings);
        rs.Open();
        void* buffer = nullptr;
        rs.AllocRecBuf(buffer);
        rs.GetNextRecord(buffer);
        ASSERT_FALSE(rs.IsEOF());
        const std::string expected[] = {ten, four, long300};
        for (int f = 1; f <= 3; ++f) {
            SCOPED_TRACE(f);
            std::string got;
            if (TData::IsBlobCode(rs.FieldDescOf(f)->TypeCode)) {
                got = BlobBytes(rs, f, buffer);
            } else {
                Variant v;
                rs.GetFieldAsVariant(f, buffer, v);
                got = v.AsAnsiString().c_str();
            }
            EXPECT_EQ(expected[f - 1], got);
        }
        rs.FreeRecBuf(buffer);
    }
    Exec(*connection, "DROP TABLE vz_rs_cn");
}

// Numbers read as text get 255 characters in line; a longer one is refused, not kept in part,
// whether the block is fetched as an array or row by row.
TEST_F(PgRecordSetTest, AValueCutToItsInLineBufferRaises) {
    for (bool flatBuffers : {true, false}) {
        SCOPED_TRACE(flatBuffers);
        TODBCRecordSet rs;
        rs.SetConnection(connection.get());
        rs.SetSQL("SELECT i, CAST(CASE WHEN i = 30 THEN repeat('9', 300) ELSE '7' END AS NUMERIC) "
                  "FROM generate_series(1, 40) i ORDER BY i");
        rs.SetProp(prODBCRecordSetFlag, true);
        rs.SetProp(prFlatBuffers, flatBuffers);
        rs.SetProp(prFetchAll, false);
        rs.Open();
        EXPECT_EQ(flatBuffers ? tcString : tcExtString, rs.FieldDescOf(2)->TypeCode);
        EXPECT_EQ(25, rs.GetRecordCount());
        EXPECT_EQ("String data, right truncated: field numeric holds 300 bytes, its buffer 255",
                  MessageOf([&] { rs.FetchAll(); }));
        EXPECT_EQ(25, rs.GetRecordCount()); // the failed block left the list as it was
        EXPECT_FALSE(rs.Fetch(false));
    }
}

TEST_F(PgRecordSetTest, DecimalsOfEveryShapeBecomeCurrency) {
    MakeDecimalTable(*connection, "vz_rs_dec", "NUMERIC(38,10)");
    ExpectDecimalsAsCurrency(*connection, "vz_rs_dec");
    Exec(*connection, "DROP TABLE vz_rs_dec");
}

// A numeric(20,4) value past the currency's range, read into a BCD field, fails its block with an
// overflow instead of storing a wrapped number. The blocks before it stay as they were read, the
// extremes of the range among them, and nothing more is fetched; the next open reads afresh.
TEST_F(PgRecordSetTest, ADecimalPastTheCurrencyRangeFailsItsBlock) {
    Exec(*connection, "DROP TABLE IF EXISTS vz_rs_dec_range");
    Exec(*connection, "CREATE TABLE vz_rs_dec_range (id INTEGER, n NUMERIC(20,4), name VARCHAR(10))");
    // Rows 1 to 4: the largest, the smallest, a 15-digit value and one rounded on the fifth
    // decimal; then plain values, and at row 30 (the second block) one past the range.
    Exec(*connection, "INSERT INTO vz_rs_dec_range SELECT i, CASE i WHEN 1 THEN 922337203685477.5807 "
                      "WHEN 2 THEN -922337203685477.5808 WHEN 3 THEN 123456789012345.1235 "
                      "WHEN 4 THEN -0.0001 ELSE i END, 'row' || i FROM generate_series(1, 40) i");
    const int64_t expected[] = {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(),
                                1234567890123451235, -1};
    struct Case {
        const char* past;
        int fetchRows; // 25 fetches array blocks, 1 row by row
        int readable;
    } cases[] = {{"922337203685477.5808", 25, 25},
                 {"-9999999999999999.9999", 25, 25},
                 {"1000000000000000", 1, 29}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.past);
        Exec(*connection, std::string("UPDATE vz_rs_dec_range SET n = ") + c.past + " WHERE id = 30");
        for (int round = 0; round < 2; ++round) {
            connection->SetProp(prEnableBCD, true);
            TODBCRecordSet rs;
            rs.SetConnection(connection.get());
            rs.SetSQL("SELECT id, n, name FROM vz_rs_dec_range ORDER BY id");
            rs.SetProp(prFetchRows, c.fetchRows);
            rs.SetProp(prFetchAll, false);
            rs.Open();
            connection->SetProp(prEnableBCD, false);
            ASSERT_EQ(tcBCD, rs.FieldDescOf(2)->TypeCode);
            if (c.fetchRows == 1)
                for (int i = 1; i < c.readable; ++i)
                    ASSERT_TRUE(rs.Fetch(false));
            EXPECT_EQ("BCD overflow", MessageOf([&] { rs.FetchAll(); }));
            EXPECT_EQ(c.readable, rs.GetRecordCount());
            EXPECT_FALSE(rs.Fetch(false));
            void* buffer = nullptr;
            rs.AllocRecBuf(buffer);
            int n = 0;
            for (rs.GetNextRecord(buffer); !rs.IsEOF(); rs.GetNextRecord(buffer)) {
                ++n;
                Variant id, value, name;
                rs.GetFieldAsVariant(1, buffer, id);
                rs.GetFieldAsVariant(2, buffer, value);
                rs.GetFieldAsVariant(3, buffer, name);
                EXPECT_EQ(n, id.AsInteger());
                EXPECT_EQ(n <= 4 ? expected[n - 1] : n * 10000LL, value.AsCurrency().Value) << n;
                EXPECT_EQ("row" + std::to_string(n), std::string(name.AsAnsiString().c_str()));
            }
            rs.FreeRecBuf(buffer);
            EXPECT_EQ(c.readable, n);
        }
    }
    Exec(*connection, "DROP TABLE vz_rs_dec_range");
}

TEST_F(PgRecordSetTest, WideNumericsReadAsFmtBcdBcdAndFloat) {
    const char* sql =
        "SELECT CAST('123456789012345678.0123456789' AS NUMERIC(38,10)), CAST(NULL AS NUMERIC(38,10))";
    {
        connection->SetProp(prEnableFmtBCD, true);
        auto rs = Open(sql);
        connection->SetProp(prEnableFmtBCD, false);
        EXPECT_EQ(tcFMTBCD, rs->FieldDescOf(1)->TypeCode);
        void* buffer = nullptr;
        rs->AllocRecBuf(buffer);
        rs->GetNextRecord(buffer);
        Variant v;
        rs->GetFieldAsVariant(1, buffer, v);
        EXPECT_EQ("123456789012345678.0123456789", std::string(v.AsBcd().Text().c_str()));
        EXPECT_TRUE(rs->GetNull(2, buffer));
        rs->FreeRecBuf(buffer);
    }
    {
        connection->SetProp(prEnableBCD, true);
        auto rs = Open("SELECT CAST('12345.6789' AS NUMERIC(38,10))");
        connection->SetProp(prEnableBCD, false);
        EXPECT_EQ(tcBCD, rs->FieldDescOf(1)->TypeCode);
        void* buffer = nullptr;
        rs->AllocRecBuf(buffer);
        rs->GetNextRecord(buffer);
        Variant v;
        rs->GetFieldAsVariant(1, buffer, v);
        EXPECT_EQ(123456789, v.AsCurrency().Value);
        rs->FreeRecBuf(buffer);
    }
    {
        auto rs = Open("SELECT CAST('12345.5' AS NUMERIC(38,10))");
        EXPECT_EQ(tcFloat, rs->FieldDescOf(1)->TypeCode);
        void* buffer = nullptr;
        rs->AllocRecBuf(buffer);
        rs->GetNextRecord(buffer);
        Variant v;
        rs->GetFieldAsVariant(1, buffer, v);
        EXPECT_DOUBLE_EQ(12345.5, v.AsDouble());
        rs->FreeRecBuf(buffer);
    }
}

} // namespace
