// The SQL dataset over the ODBC provider and the SQLite driver: connection use on every road,
// fetching in blocks, record counts and executing statements.
#include "OdbcDAConnection.h"
#include <windows.h>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/CRLoader.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/access/DATransaction.h"
#include "data/memory/Blob.h"
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
    using TCustomDADataSet::ConnectChange;
    using TCustomDADataSet::GetDetailLinkFields;
    // The SQL-text routines, as the unified dataset has them.
    AnsiString SQLAddWhere(const AnsiString& sql, const AnsiString& condition) override {
        return SqlAppendCondition(sql, condition, Command()->GetParserClass());
    }
    AnsiString SQLGetOrderBy(const AnsiString& sql) override {
        return SqlOrderByText(sql, Command()->GetParserClass());
    }

protected:
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
    TCustomDADataSet* NewDataSet() override { return new TOdbcDataSet(); }
    int GetRecCount() override {
        ++countQueries;
        TOdbcDataSet counter;
        counter.SetConnection(Connection());
        counter.SQL()->SetText(("SELECT COUNT(*) FROM (" + GetFinalSQL() + ")").c_str());
        counter.Params()->AssignValues(Params());
        counter.Open();
        return counter.Fields()[0]->GetAsInteger();
    }
};

// A provider's service that knows a detail's parameters while its master is closed.
class TMasterValuesService : public TDADataSetService {
public:
    VZ_CLASS(TMasterValuesService, TDADataSetService)
    explicit TMasterValuesService(TComponent* dataSet = nullptr) : TDADataSetService(dataSet) {}
    void AssignParams(TDAParams* params) override {
        ++calls;
        // The link's condition names the master field a second time.
        for (int i = 0; i < params->Count(); ++i)
            params->Items(i)->SetAsInteger(5);
    }
    static inline int calls = 0;
};

class TMasterValuesDataSet : public TOdbcDataSet {
public:
    VZ_CLASS(TMasterValuesDataSet, TOdbcDataSet)

protected:
    TClass GetServiceClass() const override { return TMasterValuesService::StaticClass(); }
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

// BreakFetch stops the fetching at the block it was asked in, from outside and from a fetch
// event; the next open fetches again.
TEST_F(DADataSetTest, BreakFetchStopsAtTheCurrentBlock) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM t ORDER BY id");
    ds.Open();
    ds.BreakFetch();
    ds.Last();
    EXPECT_EQ(ds.RecordCount(), 25);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 25);
    ds.Close();
    int blocks = 0;
    ds.AfterFetch = [&](TDataSet*) {
        if (++blocks == 2) ds.BreakFetch();
    };
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.RecordCount(), 50);
    ds.AfterFetch = nullptr;
    ds.Close();
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.RecordCount(), 100);
    ds.Close();
    EXPECT_EQ(connection.ConnectCount(), 0);
}

// A connect told by another sender than the connection hands the record set the connection's
// internal connection; the connection's own notice leaves it alone.
TEST_F(DADataSetTest, ConnectChangeHandsOverTheInternalConnection) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM t ORDER BY id");
    ds.Open();
    ds.Close();
    ASSERT_NE(ds.Rs(), nullptr);
    TCRConnection* internal = connection.InternalConnection();
    ASSERT_NE(internal, nullptr);
    ds.Rs()->SetConnection(nullptr);
    ds.ConnectChange(&connection, true);
    EXPECT_EQ(ds.Rs()->GetCommand()->GetConnection(), nullptr);
    TComponent other(nullptr);
    ds.ConnectChange(&other, true);
    EXPECT_EQ(ds.Rs()->GetCommand()->GetConnection(), internal);
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.RecordCount(), 100);
}

// With a master link whose master is closed, opening and executing take the parameters from the
// service; an open master gives its own values.
TEST_F(DADataSetTest, ClosedMasterLeavesTheParametersToTheService) {
    TOdbcDataSet master;
    TMasterValuesDataSet detail;
    master.SetConnection(&connection);
    detail.SetConnection(&connection);
    SetSQL(master, "SELECT 3 AS k");
    SetSQL(detail, "SELECT id FROM t WHERE id <= :k ORDER BY id");
    TDataSource source(nullptr);
    source.SetDataSet(&master);
    detail.SetMasterSource(&source);
    detail.SetMasterFields("k");
    detail.SetDetailFields("id");
    TMasterValuesService::calls = 0;
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 5);
    detail.Close();
    SetSQL(detail, "UPDATE t SET name = 'z' WHERE id <= :k");
    detail.Execute();
    EXPECT_EQ(detail.RowsAffected(), 5);
    EXPECT_EQ(TMasterValuesService::calls, 2);
    master.Open();
    detail.Execute();
    EXPECT_EQ(detail.RowsAffected(), 3);
    EXPECT_EQ(TMasterValuesService::calls, 2);
    master.Close();
    EXPECT_EQ(connection.ConnectCount(), 0);
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

// FilterSQL filters; a filter the server refuses leaves the old one in place.
void RunFilterSQL(TOdbcDAConnection& connection) {
    const int before = connection.ConnectCount();
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.SQL()->SetText("SELECT id FROM t WHERE id <= 50 ORDER BY id");
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
    EXPECT_EQ(connection.ConnectCount(), before);
}

TEST_F(DADataSetTest, FilterSQLFiltersAndABadOneRestoresTheOld) {
    RunFilterSQL(connection);
}

// A master scroll that changes the detail's parameter runs the detail again; a master record
// with the same key does not.
void RunMasterScroll(TOdbcDAConnection& connection) {
    Exec(connection.Internal(), "DROP TABLE IF EXISTS m");
    Exec(connection.Internal(), "CREATE TABLE m (k INTEGER, ord INTEGER)");
    Exec(connection.Internal(), "INSERT INTO m VALUES (1, 1), (1, 2), (2, 3)");
    const int before = connection.ConnectCount();
    TOdbcDataSet master, detail;
    master.SetConnection(&connection);
    detail.SetConnection(&connection);
    master.SQL()->SetText("SELECT k FROM m ORDER BY ord");
    detail.SQL()->SetText("SELECT id FROM t WHERE id % 10 = :k ORDER BY id");
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
    master.Prior();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 1);
    detail.Close();
    master.Close();
    EXPECT_EQ(connection.ConnectCount(), before);
}

TEST_F(DADataSetTest, MasterScrollRerunsTheDetailOnlyWhenTheParameterChanges) {
    connection.Connect();
    RunMasterScroll(connection);
}

// The parameters of a statement set before the connection are read once the connection is there.
TEST_F(DADataSetTest, StatementSetBeforeTheConnectionGetsItsParameters) {
    TOdbcDataSet ds;
    SetSQL(ds, "SELECT name FROM t WHERE id = :id");
    EXPECT_EQ(ds.Params()->Count(), 0);
    ds.SetConnection(&connection);
    ASSERT_EQ(ds.Params()->Count(), 1);
    ds.ParamByName("id")->SetAsInteger(7);
    ds.Open();
    EXPECT_EQ(ds.FieldByName("name")->GetAsString(), "row7");
    ds.Close();
    EXPECT_EQ(connection.ConnectCount(), 0);
}

// A parameter that only FilterSQL names joins the parameters and is bound; values of the names
// that stay are kept when the filter changes.
void RunFilterSQLParameters(TOdbcDAConnection& connection) {
    const int before = connection.ConnectCount();
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.SQL()->SetText("SELECT id FROM t WHERE id <= :hi ORDER BY id");
    ds.ParamByName("hi")->SetAsInteger(50);
    ds.SetFilterSQL("id > :lo");
    ASSERT_EQ(ds.Params()->Count(), 2);
    EXPECT_EQ(ds.ParamByName("hi")->GetAsInteger(), 50);
    ds.ParamByName("lo")->SetAsInteger(47);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 48);
    // A new parameter without a value fails the reopen: the filter that ran stays.
    EXPECT_THROW(ds.SetFilterSQL("id > :lo AND id <> :skip"), Exception);
    EXPECT_EQ(ds.FilterSQL(), "id > :lo");
    EXPECT_EQ(ds.Params()->Count(), 2);
    EXPECT_FALSE(ds.Active());
    ds.SetFilterSQL("id > :lo AND id <> :skip");
    ds.ParamByName("skip")->SetAsInteger(49);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.ParamByName("lo")->GetAsInteger(), 47);
    ds.SetFilterSQL("");
    EXPECT_EQ(ds.Params()->Count(), 1);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 25);
    ds.Close();
    EXPECT_EQ(connection.ConnectCount(), before);
}

TEST_F(DADataSetTest, FilterSQLParametersAreBound) {
    RunFilterSQLParameters(connection);
}

// With MasterFields and DetailFields the statement gets "detail = :master" conditions and runs
// per master record; with LocalMasterDetail it runs once and the rows are filtered in memory.
TEST_F(DADataSetTest, MasterFieldsLinkAddsConditionsOrFiltersLocally) {
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE m (k INTEGER)");
    Exec(connection.Internal(), "INSERT INTO m VALUES (3), (5)");
    const int before = connection.ConnectCount();
    TOdbcDataSet master, detail;
    master.SetConnection(&connection);
    detail.SetConnection(&connection);
    SetSQL(master, "SELECT k FROM m ORDER BY k");
    SetSQL(detail, "SELECT id, name FROM t ORDER BY id");
    TDataSource source(nullptr);
    source.SetDataSet(&master);
    detail.SetMasterSource(&source);
    detail.SetMasterFields("k");
    detail.SetDetailFields("id");
    EXPECT_EQ(detail.GetFinalSQL(), SqlAppendCondition("SELECT id, name FROM t ORDER BY id", "id = :k"));
    ASSERT_EQ(detail.Params()->Count(), 1);
    int runs = 0;
    detail.BeforeExecute = [&](TObject*) { ++runs; };
    master.Open();
    // Prepared under an active master, the parameter has the master's value already.
    detail.Prepare();
    EXPECT_EQ(detail.ParamByName("k")->GetAsInteger(), 3);
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 3);
    std::vector<TField*> masterFields, detailFields;
    detail.GetDetailLinkFields(masterFields, detailFields);
    ASSERT_EQ(masterFields.size(), 1u);
    EXPECT_EQ(masterFields[0], master.FieldByName("k"));
    EXPECT_TRUE(detailFields.empty()); // the detail has no field k
    master.Next();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 5);

    // QuoteNames quotes both names of each condition.
    detail.Close();
    detail.Options()->SetQuoteNames(true);
    EXPECT_EQ(detail.GetFinalSQL(),
              SqlAppendCondition("SELECT id, name FROM t ORDER BY id", "\"id\" = :\"k\""));
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 5);
    detail.Close();
    detail.Options()->SetQuoteNames(false);

    detail.Options()->SetLocalMasterDetail(true);
    EXPECT_EQ(detail.GetFinalSQL(), "SELECT id, name FROM t ORDER BY id");
    EXPECT_EQ(detail.Params()->Count(), 0);
    master.First();
    detail.Open();
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 3);
    master.Next();
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(detail.FieldByName("id")->GetAsInteger(), 5);
    detail.Close();
    detail.Unprepare();
    master.Close();
    EXPECT_EQ(connection.ConnectCount(), before);
}

// With QueryRecCount a detail re-run for another master record counts the new record's rows.
TEST_F(DADataSetTest, DetailRecordCountFollowsTheMasterRecord) {
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE m (k INTEGER)");
    Exec(connection.Internal(), "INSERT INTO m VALUES (30), (60)");
    TOdbcDataSet master, detail;
    master.SetConnection(&connection);
    detail.SetConnection(&connection);
    SetSQL(master, "SELECT k FROM m ORDER BY k");
    SetSQL(detail, "SELECT id FROM t WHERE id <= :k ORDER BY id");
    detail.Options()->QueryRecCount = true;
    TDataSource source(nullptr);
    source.SetDataSet(&master);
    detail.SetMasterSource(&source);
    master.Open();
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 30);
    master.Next();
    EXPECT_EQ(detail.countQueries, 2);
    EXPECT_EQ(detail.RecordCount(), 60);
    detail.Close();
    master.Close();
}

TEST_F(DADataSetTest, ProviderSupportOperations) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id, name FROM t WHERE id < :n ORDER BY 2 DESC, \"id\"");
    EXPECT_EQ(ds.PSGetQuoteChar(), "\"");
    EXPECT_TRUE(ds.PSIsSQLBased());
    EXPECT_TRUE(ds.PSIsSQLSupported());
    EXPECT_EQ(ds.PSGetParams(), ds.Params());

    // Fewer parameters go by name, as many or more replace the list.
    TParams one;
    one.CreateParam(ftInteger, "n", ptInput)->SetAsInteger(4);
    ds.PSSetParams(&one);
    EXPECT_EQ(ds.ParamByName("n")->GetAsInteger(), 4);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    std::unique_ptr<TIndexDef> order(ds.PSGetDefaultOrder());
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->Fields, "name;id"); // ORDER BY 2 names the second column
    EXPECT_EQ(order->DescFields, "name");

    // PSReset runs the statement again with the current values.
    int runs = 0;
    ds.BeforeExecute = [&](TObject*) { ++runs; };
    ds.ParamByName("n")->SetAsInteger(2);
    ds.PSReset();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ds.RecordCount(), 1);

    // An empty text keeps the statement; PSExecute runs the new one.
    ds.PSSetCommandText("");
    EXPECT_TRUE(ds.Active());
    ds.PSSetCommandText("UPDATE t SET name = 'x' WHERE id > 98");
    EXPECT_FALSE(ds.Active());
    ds.PSExecute();
    EXPECT_EQ(ds.RowsAffected(), 2);
    EXPECT_EQ(ds.PSGetDefaultOrder(), nullptr);

    // Through the dataset framework's entry the result set comes back as a TDataSet.
    TParams given;
    given.CreateParam(ftInteger, "a", ptUnknown)->SetAsInteger(99);
    TDataSet* result = nullptr;
    ds.PSExecuteStatement("SELECT name FROM t WHERE id = ?", &given, &result);
    std::unique_ptr<TDataSet> owned(result);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->FieldByName("name")->GetAsString(), "x");
    owned.reset();
    EXPECT_EQ(connection.ConnectCount(), 0);

    // PSUpdateRecord: handled when OnUpdateRecord answers uaApplied; the action starts at uaFail.
    TOdbcDataSet delta;
    EXPECT_FALSE(ds.PSUpdateRecord(TUpdateKind::ukModify, &delta));
    int answer = uaApplied;
    std::vector<TUpdateKind> kinds;
    ds.OnUpdateRecord = [&](TDataSet* d, TUpdateKind kind, int& action) {
        EXPECT_EQ(d, &delta);
        EXPECT_EQ(action, uaFail);
        kinds.push_back(kind);
        action = answer;
    };
    EXPECT_TRUE(ds.PSUpdateRecord(TUpdateKind::ukInsert, &delta));
    answer = uaSkip;
    EXPECT_FALSE(ds.PSUpdateRecord(TUpdateKind::ukDelete, &delta));
    EXPECT_EQ(kinds, (std::vector<TUpdateKind>{TUpdateKind::ukInsert, TUpdateKind::ukDelete}));
}

// Transactions of the dataset: PSStartTransaction and PSEndTransaction work on the connection's
// transaction only while both auto-commit flags are on.
TEST_F(DADataSetTest, ProviderTransactionsFollowTheAutoCommitFlags) {
    connection.Connect();
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "DELETE FROM t WHERE id > 90");
    EXPECT_EQ(ds.UsedTransaction(), connection.UsedTransaction());
    EXPECT_EQ(ds.UsedUpdateTransaction(), connection.UsedTransaction());
    EXPECT_FALSE(ds.PSInTransaction());
    ds.PSStartTransaction();
    EXPECT_TRUE(ds.PSInTransaction());
    ds.Execute();
    EXPECT_EQ(ds.RowsAffected(), 10);
    ds.PSEndTransaction(false);
    EXPECT_FALSE(ds.PSInTransaction());
    EXPECT_EQ(QueryValue(connection.Internal(), "SELECT COUNT(*) FROM t"), "100");

    ds.SetAutoCommit(false);
    ds.PSStartTransaction();
    EXPECT_FALSE(ds.PSInTransaction());

    // An assigned transaction that is freed is forgotten.
    auto* assigned = new TDATransaction(nullptr);
    ds.SetAssignedTransaction(assigned);
    ds.SetAssignedUpdateTransaction(assigned);
    EXPECT_EQ(ds.GetAssignedTransaction(), assigned);
    delete assigned;
    EXPECT_EQ(ds.GetAssignedTransaction(), nullptr);
    EXPECT_EQ(ds.GetAssignedUpdateTransaction(), nullptr);
}

namespace {
// A provider that runs several transactions: each dataset works in the transaction assigned to it.
class TMultiTransactionConnection : public TOdbcDAConnection {
public:
    bool IsMultipleTransactionsSupported() override { return true; }
};

class TOdbcDATransaction : public TDATransaction {
public:
    TOdbcDATransaction() : TDATransaction(nullptr) {}

protected:
    TClass GetInternalTransactionClass() override { return TODBCTransaction::StaticClass(); }
};
} // namespace

// With several transactions the dataset's statement runs in its assigned transaction, which its
// auto-commit flag commits, or leaves open for the caller.
TEST_F(DADataSetTest, AssignedTransactionTakesTheStatementAndItsAutoCommit) {
    TMultiTransactionConnection worker;
    worker.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
    worker.Connect();
    TOdbcDATransaction transaction;
    transaction.SetDefaultConnection(&worker);
    TOdbcDataSet ds;
    ds.SetConnection(&worker);
    ds.SetAssignedTransaction(&transaction);
    EXPECT_EQ(ds.UsedTransaction(), &transaction);
    EXPECT_EQ(ds.UsedUpdateTransaction(), &transaction);
    connection.Connect();
    auto rows = [&] { return QueryValue(connection.Internal(), "SELECT COUNT(*) FROM t"); };

    SetSQL(ds, "DELETE FROM t WHERE id > 90");
    ds.Execute();
    EXPECT_EQ(ds.RowsAffected(), 10);
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(rows(), "90");

    ds.SetAutoCommit(false);
    SetSQL(ds, "DELETE FROM t WHERE id > 80");
    ds.Execute();
    EXPECT_TRUE(transaction.Active());
    transaction.Rollback();
    EXPECT_EQ(rows(), "90");
    ds.SetAssignedTransaction(nullptr);
    worker.Disconnect();
}

// The user statements are scanned for macros with the SQL text.
TEST_F(DADataSetTest, UserStatementsTakePartInTheMacroScan) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM &tab");
    ds.MacroByName("tab")->SetValue("t");
    ds.SQLUpdate()->SetText("UPDATE &tab SET name = :name WHERE &cond");
    EXPECT_EQ(ds.Macros()->Count(), 2);
    EXPECT_NE(ds.Macros()->FindMacro("cond"), nullptr);
    EXPECT_EQ(ds.MacroByName("tab")->Value(), "t");
    for (TStatementType type : {stInsert, stUpdate, stDelete, stLock, stRefresh})
        EXPECT_NE(ds.UserSQLOf(type), nullptr);
    EXPECT_EQ(ds.UserSQLOf(stCustom), nullptr);
    EXPECT_EQ(ds.SQLUpdate(), ds.UserSQLOf(stUpdate));
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 25);
}

// AssignTo hands the statement, its parameters and macros, the user statements and the
// settings to another SQL dataset, which then runs the same query.
TEST_F(DADataSetTest, AssignToCopiesTheStatementAndItsSettings) {
    TOdbcDataSet source;
    source.SetConnection(&connection);
    SetSQL(source, "SELECT id FROM &tab WHERE id > :lo ORDER BY id");
    source.MacroByName("tab")->SetValue("t");
    source.ParamByName("lo")->SetAsInteger(90);
    source.SetFilterSQL("id < :hi");
    source.ParamByName("hi")->SetAsInteger(94);
    source.SQLInsert()->SetText("INSERT INTO t (id) VALUES (:id)");
    source.SetFetchRows(2);
    source.SetUniDirectional(true);
    source.SetAutoCommit(false);
    source.KeyFields = "id";
    source.UpdatingTable = "t";
    source.Debug = true;
    source.RefreshOptions = roAfterInsert | roBeforeEdit;
    source.LockMode = lmOptimistic;
    source.DMLRefresh = true;
    source.Options()->SetDetailDelay(30);
    source.Options()->SetQuoteNames(true);
    TOdbcDataSet copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.Connection(), &connection);
    EXPECT_EQ(copy.SQL()->Text(), source.SQL()->Text());
    EXPECT_EQ(copy.SQLInsert()->Text(), source.SQLInsert()->Text());
    EXPECT_EQ(copy.FilterSQL(), "id < :hi");
    EXPECT_EQ(copy.MacroByName("tab")->Value(), "t");
    EXPECT_EQ(copy.ParamByName("lo")->GetAsInteger(), 90);
    EXPECT_EQ(copy.ParamByName("hi")->GetAsInteger(), 94);
    EXPECT_EQ(copy.FetchRows(), 2);
    EXPECT_TRUE(copy.UniDirectional());
    EXPECT_FALSE(copy.AutoCommit());
    EXPECT_EQ(copy.KeyFields, "id");
    EXPECT_EQ(copy.UpdatingTable, "t");
    EXPECT_TRUE(copy.Debug);
    EXPECT_EQ(copy.RefreshOptions, roAfterInsert | roBeforeEdit);
    EXPECT_EQ(copy.LockMode, lmOptimistic);
    EXPECT_TRUE(copy.DMLRefresh);
    EXPECT_EQ(copy.Options()->DetailDelay(), 30);
    EXPECT_TRUE(copy.Options()->QuoteNames());
    copy.Open();
    EXPECT_EQ(copy.FieldByName("id")->GetAsInteger(), 91);
    copy.Next();
    copy.Next();
    EXPECT_EQ(copy.FieldByName("id")->GetAsInteger(), 93);
    copy.Next();
    EXPECT_TRUE(copy.Eof());

    // The parameter check and the stored procedure travel too; a new text forgets the procedure.
    TOdbcDataSet proc;
    proc.SetConnection(&connection);
    proc.SetParamCheck(false);
    SetSQL(proc, "SELECT id FROM t WHERE id = ?");
    proc.SetStoredProcName("row_of", true);
    TOdbcDataSet procCopy;
    procCopy.Assign(&proc);
    EXPECT_FALSE(procCopy.ParamCheck());
    EXPECT_EQ(procCopy.StoredProcName(), "row_of");
    EXPECT_TRUE(procCopy.StoredProcIsQuery());
    SetSQL(procCopy, "SELECT id FROM t");
    EXPECT_EQ(procCopy.StoredProcName(), "");
    EXPECT_FALSE(procCopy.StoredProcIsQuery());
}

// With the parameter check off the parameters are the caller's: a new text does not read them
// again, and they are sent by position. Switched on, they follow the text once more.
TEST_F(DADataSetTest, ParamCheckOffKeepsTheCallersParameters) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.SetParamCheck(false);
    SetSQL(ds, "SELECT id, name FROM t WHERE id = ?");
    EXPECT_EQ(ds.Params()->Count(), 0);
    auto* p = static_cast<TDAParam*>(ds.Params()->Add());
    p->SetName("wanted");
    p->SetParamType(ptInput);
    p->SetAsInteger(42);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("name")->GetAsString(), "row42");
    ds.Close();
    SetSQL(ds, "SELECT id, name FROM t WHERE id = ? + 1");
    ASSERT_EQ(ds.Params()->Count(), 1);
    EXPECT_EQ(ds.Params()->Items(0)->Name(), "wanted");
    ds.Open();
    EXPECT_EQ(ds.FieldByName("name")->GetAsString(), "row43");
    ds.Close();
    SetSQL(ds, "SELECT id, name FROM t WHERE id = :first OR id = :second ORDER BY id");
    ds.SetParamCheck(true);
    ASSERT_EQ(ds.Params()->Count(), 2);
    EXPECT_EQ(ds.Params()->Items(0)->Name(), "first");
    EXPECT_EQ(ds.Params()->Items(1)->Name(), "second");
    ds.ParamByName("first")->SetAsInteger(7);
    ds.ParamByName("second")->SetAsInteger(8);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 2);
}

// QuickOpen fetches a single row for the field information and its restore gives back every
// setting; a failing quick open restores at once.
TEST_F(DADataSetTest, QuickOpenFetchesOneRowAndRestores) {
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id, name FROM t ORDER BY id");
    ds.SetFetchRows(10);
    ds.SetFetchAll(true);
    ds.Debug = true;
    TQuickOpenInfo info;
    ds.QuickOpen(info);
    ASSERT_TRUE(ds.Active());
    EXPECT_EQ(ds.FetchRows(), 1);
    EXPECT_FALSE(ds.GetFetchAll());
    EXPECT_FALSE(ds.Debug);
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldDefs().Count(), 2);
    ds.RestoreAfterQuickOpen(info);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.FetchRows(), 10);
    EXPECT_TRUE(ds.GetFetchAll());
    EXPECT_TRUE(ds.Debug);
    EXPECT_EQ(connection.ConnectCount(), 0);

    // An open dataset is left as it is unless forced; forced, it is open again afterwards.
    ds.Open();
    ds.QuickOpen(info);
    EXPECT_EQ(ds.FetchRows(), 10);
    ds.QuickOpen(info, true);
    EXPECT_EQ(ds.RecordCount(), 1);
    ds.RestoreAfterQuickOpen(info);
    ASSERT_TRUE(ds.Active());
    EXPECT_EQ(ds.RecordCount(), 100);
    ds.Close();

    SetSQL(ds, "SELECT nothing FROM missing");
    EXPECT_THROW(ds.QuickOpen(info), Exception);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.FetchRows(), 10);
    EXPECT_TRUE(ds.GetFetchAll());
    EXPECT_TRUE(ds.Debug);
    EXPECT_EQ(connection.ConnectCount(), 0);
}

// Field values into parameters: new and old values, a descriptor's type and size, blobs shared
// or copied from the value before the edit.
TEST_F(DADataSetTest, FieldValuesIntoParameters) {
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE b (id INTEGER, body TEXT)");
    Exec(connection.Internal(), "INSERT INTO b VALUES (1, 'before')");
    TOdbcDataSet ds;
    ds.SetConnection(&connection);
    ds.SetCachedUpdates(true);
    SetSQL(ds, "SELECT t.id, t.name, b.body FROM t, b WHERE t.id = 3");
    ds.Open();
    TFieldDesc* nameDesc = ds.GetFieldDesc(2);
    ASSERT_NE(nameDesc, nullptr);
    EXPECT_GE(nameDesc->DeclaredLength, 20);
    EXPECT_EQ(ds.GetFieldDesc(0), nullptr);
    EXPECT_EQ(ds.GetFieldDesc(4), nullptr);
    EXPECT_EQ(ds.GetFieldDataType("name"), nameDesc->TypeCode);
    EXPECT_EQ(MessageOf([&] { ds.GetFieldDataType("none"); }), "Field none not found");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("new");
    ds.FieldByName("body")->SetAsString("after");
    struct Case {
        bool old;
        const char* name;
        const char* body;
    } cases[] = {{false, "new", "after"}, {true, "row3", "before"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.old ? "old" : "new");
        TDAParam byField, byDesc, blob;
        ds.AssignFieldValue(&byField, ds.FieldByName("name"), c.old);
        EXPECT_EQ(byField.GetAsString(), c.name);
        EXPECT_EQ(byField.GetSize(), nameDesc->DeclaredLength); // room for 20 characters
        ds.AssignFieldDescValue(&byDesc, nameDesc, c.old);
        EXPECT_EQ(byDesc.GetAsString(), c.name);
        EXPECT_EQ(byDesc.DataType(), ds.FieldByName("name")->DataType());
        ds.AssignFieldValue(&blob, ds.FieldByName("body"), c.old);
        ASSERT_NE(blob.GetValueObject(), nullptr);
        EXPECT_EQ(static_cast<TBlob*>(blob.GetValueObject())->GetAsString(), c.body);
        EXPECT_EQ(blob.GetValueObject() == ds.GetBlobOfField(ds.FieldByName("body")), !c.old);
    }
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("body")->GetAsString(), "before");

    // A blob shared with a parameter is referenced once by it, and let go when replaced.
    TBlob* shared = ds.GetBlobOfField(ds.FieldByName("body"));
    const int references = shared->RefCount();
    TDAParam param;
    param.SetDataType(ftBlob);
    EXPECT_TRUE(ds.SetParamBlob(&param, shared));
    EXPECT_FALSE(ds.SetParamBlob(&param, shared));
    EXPECT_EQ(shared->RefCount(), references + 1);
    EXPECT_TRUE(ds.SetParamBlob(&param, nullptr));
    EXPECT_EQ(shared->RefCount(), references);
    ASSERT_NE(param.GetValueObject(), nullptr);
    EXPECT_NE(param.GetValueObject(), shared);
    EXPECT_EQ(param.GetValueObject()->RefCount(), 1);
}

// A cursor given by the caller is refused by a provider without cursors; the dataset is closed
// for it. Without a connection it is refused before anything else.
TEST_F(DADataSetTest, SetCursorNeedsAProviderWithCursors) {
    struct TGivenCursor : TCRCursor {
        bool CanFetch() override { return true; }
    } cursor;
    TOdbcDataSet ds;
    EXPECT_EQ(MessageOf([&] { ds.SetCursor(&cursor); }), "Connection is not defined");
    ds.SetConnection(&connection);
    SetSQL(ds, "SELECT id FROM t");
    ds.Open();
    EXPECT_EQ(ds.GetCursor(), nullptr);
    ds.SetCursor(nullptr); // the same: nothing happens
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(MessageOf([&] { ds.SetCursor(&cursor); }), "Operation is not supported by the database");
    EXPECT_FALSE(ds.Active());
    connection.Disconnect();
}

// A dataset that knows its key keeps the current record current across a change of Filtered
// when the record passes the filter.
TEST_F(DADataSetTest, FilteredKeepsTheCurrentRecordByItsKey) {
    class TKeyedDataSet : public TOdbcDataSet {
    protected:
        TClass GetServiceClass() const override { return TDADataSetService::StaticClass(); }
    } ds;
    ds.SetConnection(&connection);
    ds.KeyFields = "id";
    SetSQL(ds, "SELECT id, name FROM t WHERE id <= 10 ORDER BY id");
    ds.Open();
    ds.MoveBy(5);
    ASSERT_EQ(ds.FieldByName("id")->GetAsInteger(), 6);
    ds.SetFilter("id > 3");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 6);
    EXPECT_EQ(ds.RecordCount(), 7);
    ds.SetFiltered(false);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 6);
    ds.SetFilter("id > 7");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.FieldByName("id")->GetAsInteger(), 8);
}

// A uni-directional dataset lets go of a record's blob once the record leaves its buffers.
TEST_F(DADataSetTest, UniDirectionalReleasesTheBlobsOfPassedRecords) {
    connection.Connect();
    Exec(connection.Internal(), "CREATE TABLE b (id INTEGER, body TEXT)");
    Exec(connection.Internal(), "INSERT INTO b VALUES (1, 'one'), (2, 'two'), (3, 'three')");
    for (bool uni : {false, true}) {
        SCOPED_TRACE(uni ? "uni-directional" : "bi-directional");
        TOdbcDataSet ds;
        ds.SetConnection(&connection);
        ds.SetUniDirectional(uni);
        SetSQL(ds, "SELECT id, body FROM b ORDER BY id");
        ds.Open();
        TBlob* first = ds.GetBlobOfField(ds.FieldByName("body"));
        ASSERT_NE(first, nullptr);
        first->AddRef();
        const int held = first->RefCount();
        ds.Next();
        EXPECT_EQ(ds.FieldByName("body")->GetAsString(), "two");
        if (uni)
            EXPECT_LT(first->RefCount(), held);
        else
            EXPECT_EQ(first->RefCount(), held);
        EXPECT_EQ(first->GetAsString(), "one");
        ds.Close();
        first->Release();
    }
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

void ConnectPostgres(TOdbcDAConnection& connection, const std::string& extra = "") {
    const PostgresServer& server = PostgresServer::Get();
    connection.SetServer(server.ServerText() + extra);
    connection.SetUsername(server.User);
    connection.SetPassword(server.Password);
    connection.Connect();
}

// The 100-row table t on the PostgreSQL server, dropped again at the end.
class DADataSetPostgres : public testing::Test {
protected:
    void SetUp() override {
        ConnectPostgres(connection);
        Exec(connection.Internal(), "DROP TABLE IF EXISTS t");
        Exec(connection.Internal(), "CREATE TABLE t (id INTEGER, name VARCHAR(20))");
        Exec(connection.Internal(), "INSERT INTO t SELECT i, 'row' || i FROM generate_series(1, 100) AS i");
    }
    void TearDown() override {
        Exec(connection.Internal(), "DROP TABLE IF EXISTS t");
        Exec(connection.Internal(), "DROP TABLE IF EXISTS m");
    }
    TOdbcDAConnection connection;
};

TEST_F(DADataSetPostgres, PSExecuteStatementNumbersOnlyRealMarkers) {
    RunMarkerCases(connection, false);
}

TEST_F(DADataSetPostgres, FilterSQLFiltersBindsItsParametersAndABadOneRestoresTheOld) {
    RunFilterSQL(connection);
    RunFilterSQLParameters(connection);
}

TEST_F(DADataSetPostgres, MasterScrollRerunsTheDetailOnlyWhenTheParameterChanges) {
    RunMasterScroll(connection);
}

// An admin session ends the worker's session on the server; the worker has LocalFailover on.
class DADataSetFailover : public testing::Test {
protected:
    void SetUp() override {
        const PostgresServer& server = PostgresServer::Get();
        admin.SetServer(server.ServerText());
        admin.SetUsername(server.AdminUser);
        admin.SetPassword(server.AdminPassword);
        admin.Connect();
        worker.Options()->LocalFailover = true;
        worker.OnConnectionLost = [this](TObject*, TComponent* component, TConnLostCause cause,
                                         TRetryMode& mode) {
            causes.push_back(cause);
            lostComponents.push_back(component);
            mode = rmReconnectExecute;
        };
    }
    std::string BackendOf(TOdbcDAConnection& c) {
        return QueryValue(c.Internal(), "SELECT pg_backend_pid()");
    }
    void Kill(const std::string& pid) {
        ASSERT_EQ("1", QueryValue(admin.Internal(),
                                  "SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END"));
        // The backend is gone once the server no longer lists it.
        for (int i = 0; i < 100; ++i) {
            if (QueryValue(admin.Internal(), "SELECT count(*) FROM pg_stat_activity WHERE pid = " + pid) ==
                "0")
                return;
            Sleep(20);
        }
        FAIL() << "backend " << pid << " still listed";
    }

    TOdbcDAConnection admin, worker;
    std::vector<TConnLostCause> causes;
    std::vector<TComponent*> lostComponents;
};

// After an idle kill, Open and Refresh run their statement again on a new session, with one
// call of OnConnectionLost naming the step, and the connection use ends where it began.
TEST_F(DADataSetFailover, OpenAndRefreshRunAgainOnANewSession) {
    for (bool refresh : {false, true}) {
        SCOPED_TRACE(refresh ? "Refresh" : "Open");
        causes.clear();
        lostComponents.clear();
        ConnectPostgres(worker);
        const int before = worker.ConnectCount();
        TOdbcDataSet ds;
        ds.SetConnection(&worker);
        ds.SQL()->SetText("SELECT pg_backend_pid() AS pid");
        int runs = 0;
        ds.BeforeExecute = [&](TObject*) { ++runs; };
        std::string pid = BackendOf(worker);
        if (refresh) {
            ds.Open();
            ASSERT_EQ(ds.FieldByName("pid")->GetAsString(), pid);
        }
        Kill(pid);
        const int runsBefore = runs;
        if (refresh)
            ds.Refresh();
        else
            ds.Open();
        ASSERT_EQ(causes.size(), 1u);
        EXPECT_EQ(causes[0], refresh ? clRefresh : clOpen);
        EXPECT_EQ(lostComponents[0], &ds);
        EXPECT_EQ(runs - runsBefore, 2); // the lost run and the new one
        ASSERT_TRUE(ds.Active());
        EXPECT_NE(ds.FieldByName("pid")->GetAsString(), pid);
        EXPECT_EQ(ds.FieldByName("pid")->GetAsString(), BackendOf(worker));
        EXPECT_TRUE(worker.Connected());
        ds.Close();
        EXPECT_EQ(worker.ConnectCount(), before);
        worker.Disconnect();
    }
}

// A statement without rows is run again after an idle kill, exactly once on the new session.
TEST_F(DADataSetFailover, ExecuteRunsAgainOnANewSession) {
    ConnectPostgres(worker);
    Exec(worker.Internal(), "DROP TABLE IF EXISTS vz_ds_exec");
    Exec(worker.Internal(), "CREATE TABLE vz_ds_exec (v INTEGER)");
    const int before = worker.ConnectCount();
    TOdbcDataSet ds;
    ds.SetConnection(&worker);
    ds.SQL()->SetText("INSERT INTO vz_ds_exec VALUES (:v)");
    ds.ParamByName("v")->SetAsInteger(7);
    Kill(BackendOf(worker));
    ds.Execute();
    ASSERT_EQ(causes.size(), 1u);
    EXPECT_EQ(causes[0], clExecute);
    EXPECT_EQ(ds.RowsAffected(), 1);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(worker.ConnectCount(), before);
    EXPECT_EQ("1", QueryValue(worker.Internal(), "SELECT count(*) FROM vz_ds_exec WHERE v = 7"));
    Exec(worker.Internal(), "DROP TABLE vz_ds_exec");
}

// Rows still on the server (psqlODBC reads them in blocks only with UseDeclareFetch) are gone
// with the session: the next fetch raises without a re-run, the dataset ends closed and the
// connection is no longer in use.
TEST_F(DADataSetFailover, KillWithRowsLeftOnTheServerFailsTheNextFetch) {
    ConnectPostgres(worker, ";UseDeclareFetch=1;Fetch=50");
    const std::string pid = BackendOf(worker);
    TOdbcDataSet ds;
    ds.SetConnection(&worker);
    ds.SQL()->SetText("SELECT generate_series(1, 1000) AS n");
    const int before = worker.ConnectCount();
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 25);
    EXPECT_EQ(worker.ConnectCount(), before + 1); // held for the rows left
    Kill(pid);
    EXPECT_THROW(ds.Last(), EDAError);
    EXPECT_TRUE(causes.empty());
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(worker.ConnectCount(), 0);
    EXPECT_FALSE(worker.Connected());
    // The dataset opens again on a new session.
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.FieldByName("n")->GetAsInteger(), 1000);
    ds.Close();
    EXPECT_EQ(worker.ConnectCount(), 0);
}

} // namespace
