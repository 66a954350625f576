// The SQL dataset over the ODBC provider and the SQLite driver: connection use on every road,
// fetching in blocks, record counts and executing statements.
#include "OdbcDAConnection.h"
#include <windows.h>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "platform/db/DataSet.h"
#include "support/PostgresServer.h"

namespace {

// Stands in for the unified query: its record set is the ODBC provider's, its count query runs
// SELECT COUNT(*) over the statement.
class TOdbcDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TOdbcDataSet, TCustomDADataSet)
    TOdbcDataSet() : TCustomDADataSet(nullptr) {}
    ~TOdbcDataSet() override { Close(); }
    int countQueries = 0;
    TCRRecordSet* Rs() const { return RecordSet(); }

protected:
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
    TCustomDADataSet* NewDataSet() override { return new TOdbcDataSet(); }
    int GetRecCount() override {
        ++countQueries;
        auto* connection = static_cast<TOdbcDAConnection*>(Connection());
        auto rows = QueryRows(connection->Internal(), "SELECT COUNT(*) FROM (" + GetFinalSQL() + ")");
        return std::stoi(rows.at(0).at(0));
    }
};

class DADataSetTest : public testing::Test {
protected:
    void SetUp() override {
        std::string dir = BuildFolderUnix("da-dataset-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        file = dir + "/ds-" + std::to_string(GetCurrentProcessId()) + ".db";
        DeleteFileA(("Z:" + file).c_str());
        connection.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        connection.Connect();
        Exec(connection.Internal(), "CREATE TABLE t (id INTEGER, name VARCHAR(20))");
        Exec(connection.Internal(),
             "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 100) "
             "INSERT INTO t SELECT i, 'row' || i FROM c");
        connection.Disconnect();
    }
    void TearDown() override {
        connection.Disconnect();
        DeleteFileA(("Z:" + file).c_str());
    }
    void SetSQL(TCustomDADataSet& ds, const char* sql) {
        TStringList lines;
        lines.SetText(sql);
        ds.SetSQL(lines);
    }

    std::string file;
    TOdbcDAConnection connection;
};

TEST_F(DADataSetTest, DefaultsAndFetchRowsBounds) {
    TOdbcDataSet ds;
    EXPECT_EQ(ds.FetchRows(), 25);
    EXPECT_EQ(ds.RowsAffected(), -1);
    EXPECT_FALSE(ds.UniDirectional());
    EXPECT_FALSE(ds.GetFetchAll());
    for (int bad : {0, -1, 65536}) {
        try {
            ds.SetFetchRows(bad);
            ADD_FAILURE() << bad;
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.Message().c_str(), "FetchRows must be 1..65535");
        }
    }
    ds.SetFetchRows(65535);
    ds.SetFetchRows(1);
    EXPECT_EQ(ds.FetchRows(), 1);
    ds.SetFetchAll(true);
    ds.SetUniDirectional(true);
    EXPECT_FALSE(ds.GetFetchAll());
    ds.SetFetchAll(true);
    EXPECT_FALSE(ds.UniDirectional());
    try {
        ds.Open();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.Message().c_str(), "Connection is not defined");
    }
}

// Options reach the record set when it is bound and when they change; the ones that shape the
// fields are refused on an open dataset.
TEST_F(DADataSetTest, OptionsReachTheRecordSet) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.Options()->SetFlatBuffers(true);
    ds.Options()->SetTrimVarChar(true);
    ds.SQL()->SetText("SELECT id, name FROM t WHERE id = 1");
    ASSERT_NE(ds.Rs(), nullptr);
    EXPECT_TRUE(ds.Rs()->FlatBuffers());
    EXPECT_TRUE(ds.Rs()->TrimVarChar);
    ds.Options()->SetLongStrings(false);
    EXPECT_FALSE(ds.Rs()->LongStrings());
    ds.Open();
    EXPECT_THROW(ds.Options()->SetLongStrings(true), EDatabaseError);
    EXPECT_FALSE(ds.Options()->LongStrings());
    EXPECT_THROW(ds.SetFetchRows(10), EDatabaseError);
    EXPECT_EQ(ds.FetchRows(), 25);
    ds.Options()->SetTrimVarChar(false);
    EXPECT_FALSE(ds.Rs()->TrimVarChar);
    // AutoPrepare's change closes the dataset.
    ds.Options()->SetAutoPrepare(true);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(connection.ConnectCount(), 0);
}

TEST_F(DADataSetTest, RecordCountFollowsTheFetchedRowsOrTheCountQuery) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id, name FROM t ORDER BY id");
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 25);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 1);
    for (int i = 0; i < 30; ++i)
        ds.Next();
    EXPECT_EQ(ds.RecordCount(), 50);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 31);
    ds.Close();

    ds.Options()->QueryRecCount = true;
    ds.Open();
    EXPECT_EQ(ds.countQueries, 1);
    EXPECT_EQ(ds.RecordCount(), 100);
    ds.Close();

    // Switching FetchAll on while open takes the rest at once.
    ds.Options()->QueryRecCount = false;
    ds.Open();
    ds.SetFetchAll(true);
    EXPECT_EQ(ds.RecordCount(), 100);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 100);
}

TEST_F(DADataSetTest, RefreshRunsTheStatementAgain) {
    connection.Connect();
    const int before = connection.ConnectCount();
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.SQL()->SetText("SELECT id FROM t WHERE id > 95 ORDER BY id");
    int runs = 0;
    ds.BeforeExecute = [&](TObject*) { ++runs; };
    ds.Open();
    ds.Next();
    Exec(connection.Internal(), "INSERT INTO t VALUES (101, 'new')");
    ds.Refresh();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(ds.RecordCount(), 6);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 96);
    EXPECT_EQ(ds.RowsAffected(), -1);
    ds.Refresh();
    ds.Close();
    EXPECT_EQ(connection.ConnectCount(), before);
}

TEST_F(DADataSetTest, BeforeFetchCancelStopsTheFetch) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM t ORDER BY id");
    int fetches = 0;
    ds.BeforeFetch = [&](TDataSet*, bool& cancel) { cancel = ++fetches > 1; };
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.RecordCount(), 25);
}

TEST_F(DADataSetTest, ExecuteUpdateCountsRowsAndSelectOpens) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "UPDATE t SET name = :n WHERE id <= :k");
    ASSERT_EQ(ds.Params()->Count(), 2);
    ds.ParamByName("n")->SetAsString("changed");
    ds.ParamByName("k")->SetAsInteger(7);
    int after = 0;
    ds.AfterExecute = [&](TObject*, bool ok) { after += ok ? 1 : 100; };
    ds.Execute();
    EXPECT_EQ(after, 1);
    EXPECT_EQ(ds.RowsAffected(), 7);
    EXPECT_FALSE(ds.Active());

    SetSQL(ds, "SELECT COUNT(*) AS c FROM t WHERE name = :n");
    ds.ParamByName("n")->SetAsString("changed");
    ds.Execute();
    ASSERT_TRUE(ds.Active());
    EXPECT_EQ(ds.FieldByName("c")->GetAsInteger(), 7);
}

// Every road ends with the connection's use count where it began; a disconnected-mode
// connection is closed again afterwards.
TEST_F(DADataSetTest, ConnectionUseIsBalancedOnEveryRoad) {
    enum Road { FetchToEnd, CloseMidFetch, ExecUpdate, ExecSelect, BadPrepare, BadOpen, BadParam };
    for (bool openBefore : {false, true}) {
        for (bool disconnected : {false, true}) {
            for (Road road :
                 {FetchToEnd, CloseMidFetch, ExecUpdate, ExecSelect, BadPrepare, BadOpen, BadParam}) {
                SCOPED_TRACE(testing::Message()
                             << "road " << road << " open " << openBefore << " dm " << disconnected);
                connection.Options()->SetDisconnectedMode(disconnected);
                if (openBefore) connection.Connect();
                const int before = connection.ConnectCount();
                {
                    TOdbcDataSet ds;
                    ds.SetConnection(&connection);
                    try {
                        switch (road) {
                        case FetchToEnd:
                            SetSQL(ds, "SELECT id FROM t");
                            ds.Open();
                            ds.Last();
                            break;
                        case CloseMidFetch:
                            SetSQL(ds, "SELECT id FROM t");
                            ds.Open();
                            ds.Close();
                            break;
                        case ExecUpdate:
                            SetSQL(ds, "UPDATE t SET id = id WHERE id = 1");
                            ds.Execute();
                            break;
                        case ExecSelect:
                            SetSQL(ds, "SELECT id FROM t WHERE id < 3");
                            ds.Execute();
                            ds.Close();
                            break;
                        case BadPrepare:
                            SetSQL(ds, "SELEC id FROM t");
                            ds.Prepare();
                            ds.Open();
                            break;
                        case BadOpen:
                            SetSQL(ds, "SELECT nothing FROM missing");
                            ds.Open();
                            break;
                        case BadParam:
                            SetSQL(ds, "SELECT id FROM t WHERE id = :p");
                            ds.ParamByName("p")->SetAsString("not a number");
                            ds.ParamByName("p")->SetDataType(ftInteger);
                            ds.Open();
                            break;
                        }
                        EXPECT_LT(road, BadPrepare) << "no error";
                    } catch (const Exception&) {
                        EXPECT_GE(road, BadPrepare);
                    }
                    if (road != CloseMidFetch && road != FetchToEnd && road != ExecSelect) ds.Close();
                    ds.Unprepare();
                    EXPECT_EQ(connection.ConnectCount(), before);
                }
                EXPECT_EQ(connection.ConnectCount(), before);
                if (disconnected && !openBefore) {
                    EXPECT_FALSE(connection.Connected());
                }
                connection.Disconnect();
            }
        }
    }
}

TEST_F(DADataSetTest, MacrosExpandIntoTheStatement) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM t WHERE &cond ORDER BY id");
    ASSERT_EQ(ds.Macros()->Count(), 1);
    ds.MacroByName("cond")->SetValue("id > 97");
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 98);
    // A changed macro closes the dataset; the next open runs the new text.
    ds.MacroByName("cond")->SetValue("id = 5");
    EXPECT_FALSE(ds.Active());
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 1);
}

TEST_F(DADataSetTest, FilterSQLFiltersAndABadOneRestoresTheOld) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM t WHERE id <= 50 ORDER BY id");
    ds.Open();
    ds.SetFilterSQL("  id > 45 ");
    EXPECT_EQ(ds.FilterSQL(), "id > 45");
    ASSERT_TRUE(ds.Active());
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 46);
    EXPECT_THROW(ds.SetFilterSQL("no_such_column = 1"), Exception);
    EXPECT_EQ(ds.FilterSQL(), "id > 45");
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 5);
    ds.Close();
    EXPECT_EQ(connection.ConnectCount(), 0);
}

// A master scroll that changes the detail's parameter runs the detail again; a master record
// with the same key does not.
TEST_F(DADataSetTest, MasterScrollRerunsTheDetailOnlyWhenTheParameterChanges) {
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE m (k INTEGER, ord INTEGER)");
    Exec(connection.Internal(), "INSERT INTO m VALUES (1, 1), (1, 2), (2, 3)");
    const int before = connection.ConnectCount();
    TOdbcDataSet master, detail;
    master.SetConnection(&connection);
    detail.SetConnection(&connection);
    SetSQL(master, "SELECT k FROM m ORDER BY ord");
    SetSQL(detail, "SELECT id FROM t WHERE id % 10 = :k ORDER BY id");
    TDataSource source(nullptr);
    source.SetDataSet(&master);
    detail.SetMasterSource(&source);
    int runs = 0;
    detail.BeforeExecute = [&](TObject*) { ++runs; };
    master.Open();
    detail.Open();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 1);
    master.Next();
    EXPECT_EQ(runs, 1);
    master.Next();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(detail.ParamByName("k")->GetAsInteger(), 2);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 2);
    EXPECT_EQ(detail.RecordCount(), 10);
    detail.Close();
    master.Close();
    EXPECT_EQ(connection.ConnectCount(), before);
}

// Only "?" lexemes are markers: those in strings, quoted names and comments stay text and take
// no parameter. The SQLite driver counts every "?" of the text as a marker, so the quoted-name
// and comment cases run on PostgreSQL.
struct MarkerCase {
    const char* sql;
    const char* numbered;
    int value;
    int count; // the single row's value; -1 for a statement that returns no rows
    bool sqlite;
};
const MarkerCase markerCases[] = {
    {"SELECT COUNT(*) FROM t WHERE id = ? AND name <> 'why?'",
     "SELECT COUNT(*) FROM t WHERE id = :1 AND name <> 'why?'", 5, 1, true},
    {"SELECT COUNT(*) AS \"n?\" FROM t WHERE id > ? -- why?\n",
     "SELECT COUNT(*) AS \"n?\" FROM t WHERE id > :1 -- why?\n", 90, 10, false},
    {"SELECT COUNT(*) FROM t /* ? */ WHERE id<? AND name = 'row'||?",
     "SELECT COUNT(*) FROM t /* ? */ WHERE id<:1 AND name = 'row'||:2", 3, 1, false},
    {"UPDATE t SET name = 'x?' WHERE id = ?", "UPDATE t SET name = 'x?' WHERE id = :1", 7, -1, true},
};

void RunMarkerCases(TOdbcDAConnection& connection, bool sqlite) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.SQL()->SetText("SELECT id FROM t");
    const int before = connection.ConnectCount();
    for (const MarkerCase& c : markerCases) {
        if (sqlite && !c.sqlite) continue;
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(SqlNumberQuestionMarkers(c.sql, nullptr), c.numbered);
        TParams params;
        params.CreateParam(ftInteger, "a", ptUnknown)->SetAsInteger(c.value);
        params.CreateParam(ftInteger, "b", ptUnknown)->SetAsInteger(2);
        TCustomDADataSet* result = nullptr;
        int rows = 0;
        try {
            rows = ds.PSExecuteStatement(c.sql, &params, &result);
        } catch (const Exception& e) {
            ADD_FAILURE() << e.Message();
            continue;
        }
        ASSERT_NE(result, nullptr);
        std::unique_ptr<TCustomDADataSet> owned(result);
        ASSERT_GE(result->Params()->Count(), 1);
        EXPECT_EQ(result->Params()->Items(0)->Name(), "1");
        EXPECT_EQ(result->Params()->Items(0)->ParamType(), ptInput);
        if (c.count >= 0) {
            ASSERT_TRUE(result->Active());
            EXPECT_EQ(result->Fields()[0]->GetAsInteger(), c.count);
        } else {
            EXPECT_EQ(rows, 1);
            EXPECT_FALSE(result->Active());
        }
    }
    EXPECT_EQ(connection.ConnectCount(), before);
}

TEST_F(DADataSetTest, PSExecuteStatementNumbersOnlyRealMarkers) {
    RunMarkerCases(connection, true);
}

// A detail record moved away from its master with cached updates is refused before it is cached:
// Cancel then gives the old values back and a second Post is refused again rather than cached twice.
TEST_F(DADataSetTest, DetailPostLeavingItsMasterIsRefusedBeforeCaching) {
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE m (k INTEGER)");
    Exec(connection.Internal(), "INSERT INTO m VALUES (3)");
    TOdbcDataSet master, detail;
    master.SetConnection(&connection);
    detail.SetConnection(&connection);
    master.SQL()->SetText("SELECT k FROM m");
    detail.SQL()->SetText("SELECT id, name, id % 10 AS k FROM t WHERE id % 10 = :k ORDER BY id");
    TDataSource source(nullptr);
    source.SetDataSet(&master);
    detail.SetMasterSource(&source);
    detail.SetMasterFields("k");
    detail.SetDetailFields("k");
    detail.SetCachedUpdates(true);
    master.Open();
    detail.Open();
    ASSERT_EQ(detail.FieldByName("id")->GetAsInteger(), 3);
    for (int attempt = 0; attempt < 2; ++attempt) {
        detail.Edit();
        detail.FieldByName("k")->SetAsInteger(4);
        try {
            detail.Post();
            ADD_FAILURE() << "posted";
        } catch (const EAssertionFailed& e) {
            EXPECT_EQ(e.Message().rfind("Can not use Master/Detail with CachedUpdates", 0), 0u)
                << e.Message();
        }
        EXPECT_EQ(detail.State(), dsEdit);
        detail.Cancel();
        EXPECT_EQ(detail.FieldByName("k")->GetAsInteger(), 3);
    }
    EXPECT_EQ(detail.RecordCount(), 10);
    // A record that stays with its master is cached as usual.
    detail.Edit();
    detail.FieldByName("name")->SetAsString("kept");
    detail.Post();
    EXPECT_EQ(detail.FieldByName("name")->GetAsString(), "kept");
    // Without cached updates the record is stored and leaves the detail's view.
    detail.Close();
    detail.SetCachedUpdates(false);
    detail.Open();
    detail.Edit();
    detail.FieldByName("k")->SetAsInteger(4);
    detail.Post();
    EXPECT_EQ(detail.RecordCount(), 9);
    EXPECT_EQ(detail.FieldByName("k")->GetAsInteger(), 3);
    detail.Close();
    master.Close();
}

TEST(DADataSetPostgres, PSExecuteStatementNumbersOnlyRealMarkers) {
    const PostgresServer& server = PostgresServer::Get();
    TOdbcDAConnection connection;
    connection.SetServer(server.ServerText());
    connection.SetUsername(server.User);
    connection.SetPassword(server.Password);
    connection.Connect();
    Exec(connection.Internal(), "DROP TABLE IF EXISTS t");
    Exec(connection.Internal(), "CREATE TABLE t (id INTEGER, name VARCHAR(20))");
    Exec(connection.Internal(), "INSERT INTO t SELECT i, 'row' || i FROM generate_series(1, 100) AS i");
    RunMarkerCases(connection, false);
    Exec(connection.Internal(), "DROP TABLE t");
}

} // namespace
