// Generated write-back statements over the ODBC provider and the SQLite driver: the texts to the
// byte, their parameters, the service's choice of updating table and key fields, and each text
// run on the server.
#include "OdbcDAConnection.h"
#include <windows.h>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/access/DADataSetUpdater.h"
#include "data/access/DAUpdateSQL.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "platform/db/DataSet.h"
#include "support/PostgresServer.h"

namespace {

// The ODBC record set does not tell each field's table: the service matches the select list.
class TTestService : public TDADataSetService {
public:
    VZ_CLASS(TTestService, TDADataSetService)
    explicit TTestService(TComponent* dataSet = nullptr) : TDADataSetService(dataSet) {
        SetUpdater(new TDADataSetUpdater(this));
    }
    bool FieldTablesKnown() override { return false; }
    // Writable as a provider's service is: the base one writes only through LocalUpdate, cached
    // updates with OnUpdateRecord or an update component.
    bool CanModify() override { return !DADataSet()->ReadOnly() && HasWritableField(); }
};

class TUpdDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TUpdDataSet, TCustomDADataSet)
    TUpdDataSet() : TCustomDADataSet(nullptr) {}
    ~TUpdDataSet() override { Close(); }
    TTestService* Svc() {
        EnsureService();
        return static_cast<TTestService*>(Service());
    }
    TDASQLGenerator* Gen() { return Svc()->SQLGenerator(); }

protected:
    TClass GetServiceClass() const override { return TTestService::StaticClass(); }
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
    TCustomDADataSet* NewDataSet() override { return new TUpdDataSet(); }
};

// Parameter names shortened past four characters.
class TShortNameGenerator : public TDASQLGenerator {
public:
    VZ_CLASS(TShortNameGenerator, TDASQLGenerator)
    explicit TShortNameGenerator(TDADataSetService* service = nullptr) : TDASQLGenerator(service) {}
    int MaxParamNameLength() const override { return 4; }
};

const char* const kSelect = "SELECT id, name, \"order date\" FROM t";

class DAUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        Connect(connection);
        Exec(connection.Internal(),
             "CREATE TABLE t (id INTEGER, name VARCHAR(20), \"order date\" VARCHAR(10))");
        Exec(connection.Internal(), "CREATE TABLE u (id INTEGER, t_id INTEGER, label VARCHAR(10))");
        Exec(connection.Internal(), "INSERT INTO t VALUES (1, 'one', '2024-01-01')");
        Exec(connection.Internal(), "INSERT INTO t VALUES (NULL, NULL, '2024-01-02')");
        Exec(connection.Internal(), "INSERT INTO u VALUES (7, 1, 'x')");
    }
    // A fresh database file for each test.
    virtual void Connect(TOdbcDAConnection& c) {
        if (file.empty()) NewFile();
        c.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        c.Connect();
    }
    void NewFile() {
        std::string dir = BuildFolderUnix("da-update-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        file = dir + "/upd-" + std::to_string(GetCurrentProcessId()) + ".db";
        DeleteFileA(("Z:" + file).c_str());
    }
    void TearDown() override {
        ds.Close();
        connection.Disconnect();
        if (!file.empty()) DeleteFileA(("Z:" + file).c_str());
    }
    void OpenSQL(const char* sql, const char* keyFields = "id") {
        ds.Close();
        TStringList lines;
        lines.SetText(sql);
        ds.SetSQL(lines);
        ds.SetConnection(&connection);
        ds.KeyFields = keyFields;
        ds.Open();
    }
    std::vector<std::string> ParamNames(const TDAParams& params) {
        std::vector<std::string> names;
        for (int i = 0; i < params.Count(); ++i)
            names.push_back(params[i]->Name());
        return names;
    }

    void PostsReachTheServer();
    void StrictUpdateCountsMatchedRows();
    void GeneratedTextsRunOnTheServer();

    std::string file;
    TOdbcDAConnection connection;
    TUpdDataSet ds;
};

// One case: the statement for the first record (edited as given), its text with named markers
// and the parameter names it makes with a target list.
struct GenCase {
    const char* what;
    TStatementType type;
    const char* keyFields;
    bool quoteNames;
    bool modifiedOnly;
    int batchIndex;
    bool editName; // the record is in edit state with name changed
    const char* text;
    std::vector<std::string> params;
};

TEST_F(DAUpdateTest, GeneratedStatementsAsATable) {
    const GenCase cases[] = {
        {"insert",
         stInsert,
         "id",
         false,
         false,
         -1,
         false,
         "INSERT INTO t\r\n  (id, name, \"order date\")\r\nVALUES\r\n  (:id, :name, :\"order date\")",
         {"id", "name", "\"order date\""}},
        {"update of the changed field",
         stUpdate,
         "id",
         false,
         true,
         -1,
         true,
         "UPDATE t\r\nSET\r\n  name = :name\r\nWHERE\r\n  id = :Old_id",
         {"name", "Old_id"}},
        {"update of every field",
         stUpdate,
         "id",
         false,
         false,
         -1,
         false,
         "UPDATE t\r\nSET\r\n  id = :id, name = :name, \"order date\" = :\"order date\"\r\nWHERE\r\n  id = "
         ":Old_id",
         {"id", "name", "\"order date\"", "Old_id"}},
        {"update with nothing changed", stUpdate, "id", false, true, -1, false, "", {}},
        {"delete",
         stDelete,
         "id",
         false,
         false,
         -1,
         false,
         "DELETE FROM t\r\nWHERE\r\n  id = :Old_id",
         {"Old_id"}},
        {"delete in a batch",
         stDelete,
         "id",
         false,
         false,
         2,
         false,
         "DELETE FROM t\r\nWHERE\r\n  id = :P_2_Old_id",
         {"P_2_Old_id"}},
        {"insert in a batch",
         stInsert,
         "id",
         false,
         false,
         2,
         false,
         "INSERT INTO t\r\n  (id, name, \"order date\")\r\nVALUES\r\n  (:P_2_id, :P_2_name, :\"P_2_order "
         "date\")",
         {"P_2_id", "P_2_name", "\"P_2_order date\""}},
        {"refresh",
         stRefresh,
         "id",
         false,
         false,
         -1,
         false,
         "SELECT id AS _0, name AS _1, \"order date\" AS _2 FROM t\r\nWHERE\r\n  id = :id",
         {"id"}},
        {"quoted names",
         stInsert,
         "id",
         true,
         false,
         -1,
         false,
         "INSERT INTO \"t\"\r\n  (\"id\", \"name\", \"order date\")\r\nVALUES\r\n  (:\"id\", :\"name\", "
         ":\"order date\")",
         {"\"id\"", "\"name\"", "\"order date\""}},
        {"quoted delete",
         stDelete,
         "id",
         true,
         false,
         -1,
         false,
         "DELETE FROM \"t\"\r\nWHERE\r\n  \"id\" = :\"Old_id\"",
         {"\"Old_id\""}},
        {"no keys: every data field",
         stDelete,
         "",
         false,
         false,
         -1,
         false,
         "DELETE FROM t\r\nWHERE\r\n  id = :Old_id AND name = :Old_name AND \"order date\" = :\"Old_order "
         "date\"",
         {"Old_id", "Old_name", "\"Old_order date\""}},
        {"two keys",
         stDelete,
         "id;order date",
         false,
         false,
         -1,
         false,
         "DELETE FROM t\r\nWHERE\r\n  id = :Old_id AND \"order date\" = :\"Old_order date\"",
         {"Old_id", "\"Old_order date\""}},
    };
    for (const GenCase& c : cases) {
        SCOPED_TRACE(c.what);
        ds.Options()->SetQuoteNames(c.quoteNames);
        ds.Close();
        OpenSQL(kSelect, c.keyFields);
        if (c.editName) {
            ds.Edit();
            ds.FieldByName("name")->SetAsString("uno");
        }
        EXPECT_EQ(ds.Gen()->GenerateSQL(c.type, c.modifiedOnly, c.batchIndex), c.text);
        TDAParams params;
        AnsiString positional = ds.Gen()->GenerateSQL(c.type, c.modifiedOnly, c.batchIndex, &params);
        EXPECT_EQ(ParamNames(params), c.params);
        EXPECT_EQ(ds.Gen()->ParamsInfo()->Count(), params.Count());
        // With a target list the markers are positional, one per parameter.
        if (c.type != stRefresh) {
            EXPECT_EQ(std::count(positional.begin(), positional.end(), '?'),
                      static_cast<long>(c.params.size()));
        }
        if (c.editName) ds.Cancel();
    }
    ds.Options()->SetQuoteNames(false);
}

// The parameter descriptions name the dataset's field and whether the old value is meant.
TEST_F(DAUpdateTest, ParamInfoTellsFieldAndOldValue) {
    OpenSQL(kSelect);
    TDAParams params;
    ds.Gen()->GenerateSQL(stUpdate, false, -1, &params);
    TDAParamsInfo* info = ds.Gen()->ParamsInfo();
    ASSERT_EQ(info->Count(), 4);
    EXPECT_EQ(info->Items(0)->Field, ds.FieldByName("id"));
    EXPECT_FALSE(info->Items(0)->Old);
    EXPECT_EQ(info->Items(3)->Field, ds.FieldByName("id"));
    EXPECT_TRUE(info->Items(3)->Old);
    EXPECT_EQ(info->Items(3)->ParamIndex, -1);
}

// A key whose old value is Null is compared with IS NULL and sends no parameter.
TEST_F(DAUpdateTest, NullKeyComparesWithIsNull) {
    OpenSQL("SELECT id, name, \"order date\" FROM t ORDER BY \"order date\"", "name");
    ds.Next();
    TDAParams params;
    EXPECT_EQ(ds.Gen()->GenerateSQL(stDelete, false, -1, &params),
              "DELETE FROM t\r\nWHERE\r\n  name IS NULL");
    EXPECT_EQ(params.Count(), 0);
}

// A record whose values are all Null still inserts: every column is named, not an empty list.
TEST_F(DAUpdateTest, AllNullInsertNamesEveryColumn) {
    OpenSQL(kSelect);
    ds.Append();
    EXPECT_EQ(ds.Gen()->GenerateSQL(stInsert, true),
              "INSERT INTO t\r\n  (id, name, \"order date\")\r\nVALUES\r\n  (:id, :name, :\"order date\")");
    ds.FieldByName("name")->SetAsString("n");
    EXPECT_EQ(ds.Gen()->GenerateSQL(stInsert, true), "INSERT INTO t\r\n  (name)\r\nVALUES\r\n  (:name)");
    ds.Cancel();
}

// A dataset parameter named like the key: the refresh key is P_1_ and keeps its ":" marker.
TEST_F(DAUpdateTest, RefreshKeyNamedLikeADataSetParameter) {
    ds.Close();
    TStringList lines;
    lines.SetText("SELECT id, name, \"order date\" FROM t WHERE id = :id");
    ds.SetConnection(&connection);
    ds.SetSQL(lines);
    ds.KeyFields = "id";
    ds.ParamByName("id")->SetAsInteger(1);
    ds.Open();
    TDAParams params;
    EXPECT_EQ(ds.Gen()->GenerateSQL(stRefresh, false, -1, &params),
              "SELECT id AS _0, name AS _1, \"order date\" AS _2 FROM t\r\nWHERE\r\n  id = :P_1_id");
    EXPECT_EQ(ParamNames(params), std::vector<std::string>{"P_1_id"});
}

// Names past the generator's limit become prefix + position and are never quoted for need.
TEST_F(DAUpdateTest, OverLongParamNamesUsePosition) {
    OpenSQL(kSelect);
    ds.Svc()->SetSQLGenerator(new TShortNameGenerator(ds.Svc()));
    TFieldDesc* orderDate = ds.Svc()->RecordSet()->FieldDescs().FindDesc("order date");
    ASSERT_NE(orderDate, nullptr);
    const std::string pos = std::to_string(orderDate->Position);
    EXPECT_EQ(ds.Gen()->GenerateSQL(stInsert, false),
              "INSERT INTO t\r\n  (id, name, \"order date\")\r\nVALUES\r\n  (:id, :name, :" + pos + ")");
    EXPECT_EQ(ds.Gen()->GenerateSQL(stDelete, false),
              "DELETE FROM t\r\nWHERE\r\n  id = :Old_" +
                  std::to_string(ds.Svc()->RecordSet()->FieldDescs().FindDesc("id")->Position) + "");
}

// Refresh column aliases map back to descriptor indexes.
TEST_F(DAUpdateTest, ColumnAliasToIndex) {
    OpenSQL(kSelect);
    TDASQLGenerator* gen = ds.Gen();
    EXPECT_EQ(gen->MakeColumnAlias("1"), "_1");
    EXPECT_EQ(gen->ColumnAliasToIndex("_1"), 1);
    EXPECT_EQ(gen->ColumnAliasToIndex("_12"), 12);
    EXPECT_EQ(gen->ColumnAliasToIndex("_"), -1);
    EXPECT_EQ(gen->ColumnAliasToIndex("1"), -1);
    EXPECT_EQ(gen->ColumnAliasToIndex("_x1"), -1);
    EXPECT_EQ(gen->ColumnAliasToIndex("id"), -1);
}

TEST_F(DAUpdateTest, ErrorsOfTheGenerator) {
    OpenSQL(kSelect);
    TCRTableInfo table;
    try {
        ds.Gen()->GenerateSQLforUpdTable(&table, {}, -1, nullptr, false, stDelete);
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.Message().c_str(), "TableInfo name must be provided");
    }
    table.SetTableName("t");
    TDAParams params;
    for (TStatementType type : {stDelete, stRefresh}) {
        try {
            ds.Gen()->GenerateSQLforUpdTable(&table, {}, -1, &params, false, type);
            ADD_FAILURE() << type;
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.Message().c_str(), "Key fields not found");
        }
        EXPECT_EQ(params.Count(), 0);
    }
    // An update with nothing to write is empty, no error and no header.
    EXPECT_EQ(ds.Gen()->GenerateSQLforUpdTable(&table, {}, -1, &params, false, stUpdate), "");
    try {
        ds.Gen()->GenerateSQLforUpdTable(&table, {}, -1, nullptr, false, stBatchUpdate);
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.Message().c_str(), "Bad statement type");
    }
}

TEST_F(DAUpdateTest, TableAndSelectTexts) {
    OpenSQL(kSelect);
    EXPECT_EQ(ds.Gen()->GenerateTableSQL("t", " id "), "SELECT * FROM t\rORDER BY id\r");
    EXPECT_EQ(ds.Gen()->GenerateTableSQL("t", "  "), "SELECT * FROM t\r\r");
    EXPECT_EQ(ds.Gen()->GenerateSelectValues("1 + 1"), "SELECT 1 + 1");
}

// The service's choice of updating table and key fields.
TEST_F(DAUpdateTest, ServiceUpdatingTableAndKeys) {
    OpenSQL("SELECT a.id, a.name, b.label FROM t a, u b WHERE b.t_id = a.id", "");
    EXPECT_EQ(ds.Svc()->RecordSet()->TablesInfo().Count(), 2);
    ASSERT_NE(ds.Svc()->UpdatingTableInfo(), nullptr);
    EXPECT_EQ(ds.Svc()->UpdatingTableInfo()->TableName(), "t");
    ds.Close();
    ds.UpdatingTable = "b";
    ds.Open();
    EXPECT_EQ(ds.Svc()->UpdatingTableIndex(), 1);
    ASSERT_NE(ds.Svc()->UpdatingTableInfo(), nullptr);
    EXPECT_EQ(ds.Svc()->UpdatingTableInfo()->TableName(), "u");
    ds.Close();
    ds.UpdatingTable = "t3";
    try {
        ds.Open();
        ds.Svc()->EnsureFieldInfo();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.Message().c_str(), "Wrong UpdatingTable value - table t3 is unknown");
    }
    ds.Close();
    ds.UpdatingTable = "";

    ds.SetName("Orders");
    OpenSQL(kSelect, "id;label");
    TFieldDescArray keys;
    try {
        ds.Svc()->GetKeyFieldDescs(keys);
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.Message().c_str(), "Orders: Key field 'label' not found");
    }
}

// A statement the parser finds no table in writes to the UpdatingTable named alone.
TEST_F(DAUpdateTest, UpdatingTableByPropertyAlone) {
    ds.UpdatingTable = "t";
    OpenSQL("SELECT id, name FROM (SELECT * FROM t)", "id");
    if (ds.Svc()->UpdatingTableIsPropertyOnly()) {
        EXPECT_EQ(ds.Gen()->GenerateSQL(stDelete, false), "DELETE FROM t\r\nWHERE\r\n  id = :Old_id");
    }
    ds.Close();
    ds.UpdatingTable = "";
}

// Each generated text runs on the server with its parameters filled from the record.
void DAUpdateTest::GeneratedTextsRunOnTheServer() {
    OpenSQL(kSelect);
    auto run = [&](const AnsiString& sql, const std::vector<std::pair<std::string, std::string>>& values) {
        std::string text = sql;
        for (const auto& [name, value] : values) {
            size_t at = text.find(":" + name);
            ASSERT_NE(at, std::string::npos) << name;
            text.replace(at, name.size() + 1, value);
        }
        Exec(connection.Internal(), text);
    };
    run(ds.Gen()->GenerateSQL(stInsert, false),
        {{"id", "5"}, {"name", "'five'"}, {"\"order date\"", "'2024-05-05'"}});
    EXPECT_EQ(QueryRows(connection.Internal(), "SELECT name FROM t WHERE id = 5").at(0).at(0), "five");
    run(ds.Gen()->GenerateSQL(stUpdate, false),
        {{"id", "6"}, {"name", "'six'"}, {"\"order date\"", "'2024-06-06'"}, {"Old_id", "5"}});
    EXPECT_EQ(QueryRows(connection.Internal(), "SELECT name FROM t WHERE id = 6").at(0).at(0), "six");
    {
        std::string refresh = ds.Gen()->GenerateSQL(stRefresh, false);
        refresh.replace(refresh.find(":id"), 3, "6");
        auto rows = QueryRows(connection.Internal(), refresh);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][1], "six");
    }
    run(ds.Gen()->GenerateSQL(stDelete, false), {{"Old_id", "6"}});
    EXPECT_TRUE(QueryRows(connection.Internal(), "SELECT name FROM t WHERE id = 6").empty());
}

// The same tables in a schema of their own on the private PostgreSQL server.
class DAUpdatePgTest : public DAUpdateTest {
protected:
    void SetUp() override {
        Connect(connection);
        Exec(connection.Internal(), "DROP SCHEMA IF EXISTS i21upd CASCADE");
        Exec(connection.Internal(), "CREATE SCHEMA i21upd");
        Exec(connection.Internal(), "SET search_path TO i21upd");
        DAUpdateTest::SetUp();
    }
    void Connect(TOdbcDAConnection& c) override {
        const PostgresServer& server = PostgresServer::Get();
        c.SetServer(server.ServerText());
        c.SetUsername(server.User);
        c.SetPassword(server.Password);
        if (!c.Connected()) c.Connect();
        Exec(c.Internal(), "SET search_path TO i21upd");
    }
};

// Insert, edit and delete through the dataset, seen from a second connection.
TEST_F(DAUpdateTest, PostsReachTheServer) {
    PostsReachTheServer();
}
TEST_F(DAUpdatePgTest, PostsReachTheServer) {
    PostsReachTheServer();
}
TEST_F(DAUpdateTest, StrictUpdateCountsMatchedRows) {
    StrictUpdateCountsMatchedRows();
}
TEST_F(DAUpdatePgTest, StrictUpdateCountsMatchedRows) {
    StrictUpdateCountsMatchedRows();
}
TEST_F(DAUpdateTest, GeneratedTextsRunOnTheServer) {
    GeneratedTextsRunOnTheServer();
}
TEST_F(DAUpdatePgTest, GeneratedTextsRunOnTheServer) {
    GeneratedTextsRunOnTheServer();
}

void DAUpdateTest::PostsReachTheServer() {
    TOdbcDAConnection other;
    Connect(other);
    auto names = [&] {
        std::vector<std::string> list;
        for (auto& row :
             QueryRows(other.Internal(), "SELECT coalesce(name, '-') FROM t ORDER BY \"order date\""))
            list.push_back(row.at(0));
        return list;
    };
    OpenSQL(kSelect);
    ds.Append();
    ds.FieldByName("id")->SetAsInteger(3);
    ds.FieldByName("name")->SetAsString("three");
    ds.FieldByName("order date")->SetAsString("2024-03-03");
    ds.Post();
    EXPECT_EQ(names(), (std::vector<std::string>{"one", "-", "three"}));
    ds.First();
    ds.Edit();
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    EXPECT_EQ(names(), (std::vector<std::string>{"uno", "-", "three"}));
    ds.Last();
    ds.Delete();
    EXPECT_EQ(names(), (std::vector<std::string>{"uno", "-"}));
    // A record whose values are all Null inserts a row of Nulls.
    ds.Append();
    ds.Post();
    EXPECT_EQ(QueryRows(other.Internal(), "SELECT count(*) FROM t WHERE \"order date\" IS NULL").at(0).at(0),
              "1");
    other.Disconnect();
}

// StrictUpdate over 0, 1 and 2 matched rows, KeyFields naming a non-unique column.
void DAUpdateTest::StrictUpdateCountsMatchedRows() {
    Exec(connection.Internal(), "INSERT INTO t VALUES (9, 'dup', 'a')");
    Exec(connection.Internal(), "INSERT INTO t VALUES (10, 'dup', 'b')");
    struct Case {
        const char* name; // the key value of the record edited
        int matched;
        bool strict;
    };
    for (const Case& c : {Case{"one", 1, true}, Case{"dup", 2, true}, Case{"dup", 2, false},
                          Case{"gone", 0, true}, Case{"gone", 0, false}}) {
        SCOPED_TRACE(std::string(c.name) + (c.strict ? " strict" : ""));
        ds.Options()->StrictUpdate = c.strict;
        OpenSQL("SELECT name, \"order date\" FROM t WHERE name IS NOT NULL ORDER BY \"order date\"", "name");
        if (c.matched == 0) {
            // The row goes behind the dataset's back.
            Exec(connection.Internal(), "UPDATE t SET name = 'gone' WHERE name = 'one'");
            ds.Close();
            ds.Open();
            Exec(connection.Internal(), "UPDATE t SET name = 'elsewhere' WHERE name = 'gone'");
        }
        ASSERT_TRUE(static_cast<TDataSet&>(ds).Locate("name", Variant(AnsiString(c.name)), 0));
        ds.Edit();
        ds.FieldByName("order date")->SetAsString("z");
        const bool fails = c.strict && c.matched != 1;
        if (fails) {
            try {
                ds.Post();
                ADD_FAILURE();
            } catch (const EDatabaseError& e) {
                EXPECT_EQ(std::string(e.Message().c_str()),
                          "Update failed. Found " + std::to_string(c.matched) + " records");
            }
            ds.Cancel();
        } else {
            ds.Post();
        }
        auto rows = QueryRows(connection.Internal(), "SELECT count(*) FROM t WHERE \"order date\" = 'z'");
        // The statement ran in every case: the error tells of what it did.
        EXPECT_EQ(rows.at(0).at(0), std::to_string(c.matched));
        Exec(connection.Internal(), "UPDATE t SET \"order date\" = 'y' WHERE \"order date\" = 'z'");
        Exec(connection.Internal(), "UPDATE t SET name = 'one' WHERE name = 'elsewhere'");
    }
    ds.Options()->StrictUpdate = true;
}

TEST(DAUpdater, ValuesEqualAndSavepointNames) {
    const double ms = 1.0 / 86400000.0;
    EXPECT_TRUE(TDADataSetUpdater::ValuesEqual(Variant::FromDateTime(TDateTime(45000.5)),
                                               Variant::FromDateTime(TDateTime(45000.5 + 0.5 * ms))));
    EXPECT_FALSE(TDADataSetUpdater::ValuesEqual(Variant::FromDateTime(TDateTime(45000.5)),
                                                Variant::FromDateTime(TDateTime(45000.5 + 2 * ms))));
    EXPECT_TRUE(TDADataSetUpdater::ValuesEqual(Variant(1), Variant(1)));
    TUpdDataSet ds;
    ds.SetName("ORDERS_OF_THE_CURRENT_FISCAL_YEAR");
    auto* updater = static_cast<TDADataSetUpdater*>(ds.Svc()->Updater());
    EXPECT_EQ(updater->LockSavepointName(false), "LOCK_ORDERS_OF_THE_CURRENT_FIS");
    EXPECT_EQ(updater->LockSavepointName(true), "LOCK_CU_ORDERS_OF_THE_CURRENT_");
    ds.SetName("Q");
    EXPECT_EQ(updater->LockSavepointName(false), "LOCK_Q");
}

// The update component: its checks, notifications and copies; its text and its object run in
// place of the generated statement.
TEST_F(DAUpdateTest, UpdateSQLComponent) {
    TCustomDAUpdateSQL upd;
    ds.SetUpdateObject(&upd);
    EXPECT_EQ(upd.GetDataSet(), &ds);
    try {
        upd.SetModifyObject(&ds);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(
            e.Message().c_str(),
            "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects");
    }
    try {
        upd.SetModifyObject(&connection);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message().c_str(),
                     "Only TCustomDADataSet and TCustomDASQL objects are allowed in update properties");
    }
    {
        TUpdDataSet gone;
        upd.SetRefreshObject(&gone);
        EXPECT_EQ(upd.RefreshObject(), &gone);
    }
    EXPECT_EQ(upd.RefreshObject(), nullptr);
    TStringList lock;
    lock.SetText("FOR UPDATE");
    TCustomDAUpdateSQL copy;
    copy.SetSQLOf(stLock, lock);
    upd.SetSQLOf(stLock, TStringList());
    TStringList modify;
    modify.SetText("UPDATE t SET name = :name || '!' WHERE id = :OLD_id");
    upd.SetSQLOf(stUpdate, modify);
    upd.AssignTo(&copy);
    EXPECT_EQ(copy.LockSQL()->Text(), lock.Text());
    EXPECT_EQ(copy.ModifySQL()->Text(), modify.Text());
    EXPECT_EQ(upd.GetSQL(ukModify), upd.ModifySQL());

    // The text runs in place of the generated update.
    OpenSQL(kSelect);
    ds.Edit();
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    EXPECT_EQ(QueryRows(connection.Internal(), "SELECT name FROM t WHERE id = 1").at(0).at(0), "uno!");
    // An object runs in place of both.
    TUpdDataSet object;
    object.SetConnection(&connection);
    TStringList objectSQL;
    objectSQL.SetText("UPDATE t SET name = :name || '?' WHERE id = :OLD_id");
    object.SetSQL(objectSQL);
    upd.SetModifyObject(&object);
    ds.Edit();
    ds.FieldByName("name")->SetAsString("one");
    ds.Post();
    EXPECT_EQ(QueryRows(connection.Internal(), "SELECT name FROM t WHERE id = 1").at(0).at(0), "one?");
    // An object without SQL is refused.
    object.SetSQL(TStringList());
    ds.Edit();
    ds.FieldByName("name")->SetAsString("x");
    try {
        ds.Post();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(
            e.Message().c_str(),
            "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty");
    }
    ds.Cancel();
    upd.SetModifyObject(nullptr);
    ds.Close();
    ds.SetUpdateObject(nullptr);
    EXPECT_EQ(upd.GetDataSet(), nullptr);
}

} // namespace
