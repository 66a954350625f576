// Metadata through the ODBC catalog functions on SQLite and PostgreSQL: the kinds' layouts and
// copy rules, the lists the reader answers about itself, the procedure description over it.
#include <algorithm>

#include "OdbcTestSupport.h"
#include "data/access/providers/ODBCMetaData.h"
#include "support/PostgresServer.h"

namespace {

enum Driver { dSQLite, dPostgres };

std::unique_ptr<TODBCConnection> Connect(Driver driver, bool admin = false, const std::string& options = "") {
    auto connection = std::make_unique<TODBCConnection>();
    if (driver == dSQLite) {
        std::string dir = BuildFolderUnix("odbc-provider-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        std::string file = dir + "/metadata-" + std::to_string(GetCurrentProcessId()) + ".db";
        connection->SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
    } else {
        const PostgresServer& server = PostgresServer::Get();
        connection->SetServer(server.ServerText() + options);
        connection->SetUsername(admin ? server.AdminUser : server.User);
        connection->SetPassword(admin ? server.AdminPassword : server.Password);
    }
    connection->Connect("");
    return connection;
}

// Every row of a result as "a|b|c" ("~" for NULL), in order.
std::vector<std::string> Rows(TData* data) {
    std::vector<std::string> rows;
    void* buffer = nullptr;
    data->AllocRecBuf(buffer);
    data->SetToBegin();
    for (data->GetNextRecord(buffer); !data->IsEOF(); data->GetNextRecord(buffer)) {
        std::string row;
        for (int f = 1; f <= data->GetFieldDescCount(); ++f) {
            Variant v;
            data->GetFieldAsVariant(f, buffer, v);
            if (f > 1) row += "|";
            row += v.IsNull() ? "~" : v.AsAnsiString().c_str();
        }
        rows.push_back(row);
    }
    data->FreeRecBuf(buffer);
    return rows;
}

std::vector<std::string> Column(TData* data, const char* name) {
    int field = data->FieldDescByName(name)->Position;
    std::vector<std::string> values;
    void* buffer = nullptr;
    data->AllocRecBuf(buffer);
    data->SetToBegin();
    for (data->GetNextRecord(buffer); !data->IsEOF(); data->GetNextRecord(buffer)) {
        Variant v;
        data->GetFieldAsVariant(field, buffer, v);
        values.push_back(v.IsNull() ? "~" : v.AsAnsiString().c_str());
    }
    data->FreeRecBuf(buffer);
    return values;
}

TData* Get(TODBCMetaData& meta, TODBCConnection& connection, const char* kind,
           std::vector<std::string> lines) {
    TStringList restrictions;
    for (const std::string& line : lines)
        restrictions.Add(line.c_str());
    return meta.GetMetaData(&connection, connection.GetInternalTransaction(), kind, restrictions);
}

class MetaData : public testing::TestWithParam<Driver> {
protected:
    void SetUp() override {
        connection = Connect(GetParam());
        Exec(*connection, "DROP TABLE IF EXISTS vz_meta");
        Exec(*connection, "CREATE TABLE vz_meta (a INTEGER NOT NULL, b VARCHAR(30), c INTEGER DEFAULT 7, "
                          "d INTEGER, e INTEGER, f INTEGER)");
        Exec(*connection, "CREATE UNIQUE INDEX vz_meta_ab ON vz_meta (a, b)");
        Exec(*connection, "CREATE INDEX vz_meta_cd ON vz_meta (c, d DESC)");
        Exec(*connection, "CREATE INDEX vz_meta_ef ON vz_meta (e, f)");
    }
    void TearDown() override {
        if (connection) Exec(*connection, "DROP TABLE IF EXISTS vz_meta");
    }
    std::unique_ptr<TODBCConnection> connection;
};

TEST_P(MetaData, TablesColumnsAndIndexes) {
    TODBCMetaData meta;
    // Blanks and letter case around the kind do not matter.
    TData* tables = Get(meta, *connection, " Tables ", {"TABLE_NAME=vz_meta"});
    auto rows = Column(tables, "TABLE_NAME");
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("vz_meta", rows[0]);
    EXPECT_EQ("TABLE", Column(tables, "TABLE_TYPE")[0]);

    TData* columns = Get(meta, *connection, "columns", {"TABLE_NAME = vz_meta"});
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "e", "f"}), Column(columns, "COLUMN_NAME"));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4", "5", "6"}), Column(columns, "POSITION"));
    EXPECT_EQ("30", Column(columns, "DATA_LENGTH")[1]);
    EXPECT_EQ("0", Column(columns, "NULLABLE")[0]);
    EXPECT_EQ("7", Column(columns, "DEFAULT_VALUE")[2]);

    TData* indexes = Get(meta, *connection, "indexes", {"TABLE_NAME=vz_meta"});
    auto names = Column(indexes, "INDEX_NAME");
    auto unique = Column(indexes, "UNIQUE");
    ASSERT_EQ(3u, names.size());
    std::vector<std::pair<std::string, std::string>> byName;
    for (size_t i = 0; i < names.size(); ++i)
        byName.emplace_back(names[i], unique[i]);
    std::sort(byName.begin(), byName.end());
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"vz_meta_ab", "1"}, {"vz_meta_cd", "0"}, {"vz_meta_ef", "0"}}),
              byName);

    TData* indexColumns = Get(meta, *connection, "IndexColumns", {"TABLE_NAME=vz_meta"});
    auto all = Rows(indexColumns);
    ASSERT_EQ(6u, all.size());
    std::vector<std::string> picked;
    auto iname = Column(indexColumns, "INDEX_NAME");
    auto cname = Column(indexColumns, "COLUMN_NAME");
    auto pos = Column(indexColumns, "COLUMN_POSITION");
    for (size_t i = 0; i < all.size(); ++i)
        picked.push_back(iname[i] + "." + pos[i] + "." + cname[i]);
    std::sort(picked.begin(), picked.end());
    EXPECT_EQ((std::vector<std::string>{"vz_meta_ab.1.a", "vz_meta_ab.2.b", "vz_meta_cd.1.c",
                                        "vz_meta_cd.2.d", "vz_meta_ef.1.e", "vz_meta_ef.2.f"}),
              picked);

    // Unique index columns only.
    EXPECT_EQ(2u, Rows(Get(meta, *connection, "indexcolumns", {"TABLE_NAME=vz_meta", "UNIQUE=1"})).size());
    // Constraints have a layout and no catalog call.
    TData* constraints = Get(meta, *connection, "constraints", {});
    EXPECT_EQ(8, constraints->GetFieldDescCount());
    EXPECT_TRUE(Rows(constraints).empty());
}

TEST_P(MetaData, KindsRestrictionsAndUnsupportedKinds) {
    TODBCMetaData meta;
    auto kinds = Column(Get(meta, *connection, "", {}), "METADATA_NAME");
    EXPECT_EQ((std::vector<std::string>{"MetaDataKinds", "Restrictions", "Tables", "Columns", "Procedures",
                                        "ProcedureParameters", "Indexes", "IndexColumns", "Constraints",
                                        "SpecialColumns"}),
              kinds);
    // The restriction the list names, and the name the reader used to read, both select a kind.
    for (const char* name : {"METADATA_NAME", "METAINFO_NAME"}) {
        SCOPED_TRACE(name);
        auto rows = Rows(Get(meta, *connection, "restrictions", {std::string(name) + "=Columns"}));
        EXPECT_EQ((std::vector<std::string>{"columns|TABLE_CATALOG", "columns|TABLE_SCHEMA",
                                            "columns|TABLE_NAME", "columns|COLUMN_NAME"}),
                  rows);
    }
    auto every = Rows(Get(meta, *connection, "restrictions", {}));
    EXPECT_EQ(1 + 4 + 4 + 4 + 4 + 4 + 4 + 5 + 6, static_cast<int>(every.size()));
    EXPECT_EQ("Restrictions|METADATA_NAME", every[0]);
    EXPECT_EQ("SpecialColumns|NULLABLE", every.back());
    for (const char* kind : {"databases", "users", "nonsense"})
        EXPECT_EQ("Unsupported metadata kind", MessageOf([&] { Get(meta, *connection, kind, {}); })) << kind;
}

TEST_P(MetaData, SpecialColumnsOfATableWithAKey) {
    Exec(*connection, "DROP TABLE IF EXISTS vz_meta_key");
    Exec(*connection, "CREATE TABLE vz_meta_key (id INTEGER PRIMARY KEY, v INTEGER)");
    TODBCMetaData meta;
    const bool pg = GetParam() == dPostgres;
    std::vector<std::string> lines = {"TABLE_NAME=vz_meta_key"};
    // psqlODBC names no best row identifier for a table without OIDs; its row version is xmin.
    if (pg) lines = {"TABLE_NAME=vz_meta_key", "TABLE_SCHEMA=public", "COLUMN_TYPE=rowver"};
    TData* special = Get(meta, *connection, "SpecialColumns", lines);
    EXPECT_EQ(5, special->GetFieldDescCount());
    auto rows = Rows(special);
    ASSERT_EQ(1u, rows.size());
    // SQLite names its row id as the best row identifier.
    EXPECT_EQ(pg ? "~|public|vz_meta_key|xmin|1" : "~|~|vz_meta_key|_ROWID_|1", rows[0]);
    Exec(*connection, "DROP TABLE vz_meta_key");
}

std::string DriverName(const testing::TestParamInfo<Driver>& info) {
    return info.param == dSQLite ? "SQLite" : "PostgreSQL";
}
INSTANTIATE_TEST_SUITE_P(Drivers, MetaData, testing::Values(dSQLite, dPostgres), DriverName);

TEST(PgMetaData, ProcedureParametersSkipResultColumnsAndDescribeACall) {
    auto connection = Connect(dPostgres);
    Exec(*connection,
         "CREATE OR REPLACE FUNCTION vz_meta_calc(a integer, INOUT b varchar, OUT c double precision) "
         "AS $$ BEGIN b := b || a::text; c := a * 1.5; END $$ LANGUAGE plpgsql");
    Exec(*connection, "CREATE OR REPLACE FUNCTION vz_meta_rows(n integer) RETURNS TABLE (x integer, y text) "
                      "AS $$ SELECT i, i::text FROM generate_series(1, n) i $$ LANGUAGE sql");
    TODBCMetaData meta;
    TData* params = Get(meta, *connection, "ProcedureParameters", {"PROCEDURE_NAME=vz_meta_calc"});
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Column(params, "PARAMETER_NAME"));
    EXPECT_EQ((std::vector<std::string>{"IN", "IN/OUT", "OUT"}), Column(params, "DIRECTION"));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3"}), Column(params, "POSITION"));
    TData* rowsParams = Get(meta, *connection, "procedureparameters", {"PROCEDURE_NAME=vz_meta_rows"});
    EXPECT_EQ((std::vector<std::string>{"n"}),
              Column(rowsParams, "PARAMETER_NAME")); // x and y are result columns
    auto procedures =
        Column(Get(meta, *connection, "procedures", {"PROCEDURE_NAME=vz_meta_calc"}), "PROCEDURE_NAME");
    EXPECT_EQ((std::vector<std::string>{"vz_meta_calc"}), procedures);

    // The command describes a function with a return value and calls it.
    Exec(*connection, "CREATE OR REPLACE FUNCTION vz_meta_twice(x integer) RETURNS integer "
                      "AS $$ SELECT x * 2 $$ LANGUAGE sql");
    auto plain = Connect(dPostgres, false, ";UseServerSidePrepare=0");
    TODBCCommand twice;
    twice.SetConnection(plain.get());
    twice.CreateProcCall("vz_meta_twice", true);
    ASSERT_EQ(2, twice.ParamCount());
    EXPECT_EQ(pdResult, twice.GetParam(0)->GetParamType());
    EXPECT_EQ(pdInput, twice.GetParam(1)->GetParamType());
    EXPECT_EQ(tcInt32, twice.GetParam(1)->GetDataType());
    EXPECT_EQ("x", std::string(twice.GetParam(1)->GetName().c_str()));
    twice.GetParam(1)->SetValue(21);
    twice.Execute();
    EXPECT_EQ(42, twice.GetParam(0)->GetValue().AsInteger());
}

TEST(PgMetaData, ALostConnectionRaisesInsteadOfAnsweringNoTables) {
    auto worker = Connect(dPostgres);
    auto admin = Connect(dPostgres, true);
    std::string pid = QueryValue(*worker, "SELECT pg_backend_pid()");
    EXPECT_EQ("1",
              QueryValue(*admin, "SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END"));
    TODBCMetaData meta;
    bool raised = false;
    try {
        Get(meta, *worker, "tables", {});
    } catch (const EODBCError& e) {
        raised = true;
        EXPECT_TRUE(e.IsFatalError()) << e.State;
    }
    EXPECT_TRUE(raised);
}

} // namespace
