// The unified dataset's options and fetching, its parameters with blob and cursor values, the
// metadata component and the statement's parameter map, over the Access stand-in and PostgreSQL.
#include "UniTestSupport.h"
#include "data/access/UniMetaData.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"

namespace {

// A table of n numbered rows, made on the connection's own session.
void MakeNumbers(TUniConnection& connection, int n) {
    const bool wasConnected = connection.Connected();
    connection.Connect();
    Exec(Internal(connection), "CREATE TABLE numbers (n INTEGER PRIMARY KEY, label VARCHAR(20))");
    Exec(Internal(connection), "INSERT INTO numbers (n, label) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                               "SELECT x + 1 FROM c WHERE x < " +
                                   std::to_string(n) + ") SELECT x, 'row ' || x FROM c");
    if (!wasConnected) connection.Disconnect();
}

TEST_F(UniAccess, AnInvalidOptionValueFailsTheConnectAndLosesNothing) {
    struct Case {
        const char* line;
        const char* error;
    } cases[] = {
        {"ExclusiveLock=perhaps", "Invalid value: perhaps for option ExclusiveLock"},
        {"ConnectionTimeout=abc", "Invalid value: abc for option ConnectionTimeout"},
        {"ConnectionTimeout=-2147483647", "Invalid value: -2147483647 for option ConnectionTimeout"},
        {"UseUnicode=yes", "Invalid value: yes for option UseUnicode"},
        {"ConnectionTimeout= 30 ", nullptr},
        {"ODBC.ConnectionTimeout=abc", nullptr}, // another provider's line
        {"NoSuchOption=abc", nullptr},
    };
    for (const Case& c : cases) {
        connection.SpecificOptions()->Clear();
        connection.SpecificOptions()->Add(c.line);
        if (c.error) {
            EXPECT_EQ(MessageOf([&] { connection.Connect(); }), c.error) << c.line;
            EXPECT_FALSE(connection.Connected()) << c.line;
            EXPECT_EQ(connection.SpecificOptions()->Count(), 1) << c.line;
        } else {
            EXPECT_EQ(MessageOf([&] { connection.Connect(); }), "<no error>") << c.line;
            EXPECT_TRUE(connection.Connected()) << c.line;
        }
        connection.Disconnect();
    }
    // Once the line is mended the same connection connects.
    connection.SpecificOptions()->SetText("ExclusiveLock=False");
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(UniAccess, TheFetchAllOptionDecidesWhatOpenReads) {
    MakeNumbers(connection, 100);
    struct Case {
        const char* line;
        bool locked;
        int expected;
        bool fetchAll;
    } cases[] = {
        {"", false, 100, true}, // the provider's default
        {"FetchAll=False", false, 25, false},
        {"FetchAll=True", false, 100, true},
        // Locked, the record set keeps the dataset's own flag and ignores the option.
        {"FetchAll=True", true, 25, false},
        {"", true, 25, false},
    };
    for (const Case& c : cases) {
        TUniQuery query;
        query.SetConnection(&connection);
        query.SpecificOptions()->Add(c.line);
        query.SetFetchAllLocked(c.locked);
        SetSQL(query.SQL(), "SELECT n, label FROM numbers ORDER BY n");
        query.Open();
        EXPECT_EQ(query.RecordCount(), c.expected) << c.line << " locked " << c.locked;
        EXPECT_EQ(query.GetFetchAll(), c.fetchAll) << c.line << " locked " << c.locked;
        query.Close();
    }
    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT n FROM numbers");
    query.SpecificOptions()->Add("FetchAll=perhaps");
    EXPECT_EQ(MessageOf([&] { query.Open(); }), "Invalid value: perhaps for option FetchAll");
    EXPECT_FALSE(query.Active());
    // The line mended, the same query opens.
    query.SpecificOptions()->SetText("FetchAll=False");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 25);
}

// Switching FetchAll goes through the lock; switching it on while open reads the rest.
TEST_F(UniAccess, SetFetchAllReachesTheRecordSetThroughTheLock) {
    MakeNumbers(connection, 100);
    TUniQuery query;
    query.SetConnection(&connection);
    query.SpecificOptions()->Add("FetchAll=False");
    query.SetFetchAllLocked(true);
    SetSQL(query.SQL(), "SELECT n FROM numbers ORDER BY n");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 25);
    query.SetFetchAll(true);
    EXPECT_TRUE(query.FetchAllLocked());
    EXPECT_TRUE(query.GetFetchAll());
    EXPECT_EQ(query.RecordCount(), 100);
    query.Close();

    // The provider's default switched off from the dataset although its own flag was off too.
    TUniQuery other;
    other.SetConnection(&connection);
    SetSQL(other.SQL(), "SELECT n FROM numbers ORDER BY n");
    other.Prepare();
    ASSERT_TRUE(other.GetFetchAll());
    other.SetFetchAll(false);
    EXPECT_FALSE(other.GetFetchAll());
    other.Open();
    EXPECT_EQ(other.RecordCount(), 25);
}
// One parameter stands for every marker of its name; the command gets its value at each.
TEST_F(UniAccess, ANameUsedTwiceIsOneParameterWrittenToBothMarkers) {
    connection.Connect();
    TUniSQL sql(nullptr);
    sql.SetConnection(&connection);
    SetSQL(sql.SQL(), "UPDATE settings SET value = :v WHERE name = :v");
    ASSERT_EQ(sql.Params()->Count(), 1);
    sql.ParamByName("v")->SetAsString("skin");
    sql.Execute();
    EXPECT_EQ(sql.RowsAffected(), 1);
    ASSERT_EQ(sql.ParamMap().size(), 2u);
    EXPECT_EQ(sql.ParamMap()[0], sql.Params()->Items(0));
    EXPECT_EQ(sql.ParamMap()[1], sql.Params()->Items(0));
    EXPECT_EQ(QueryValue(Internal(connection), "SELECT value FROM settings WHERE name = 'skin'"), "skin");

    // A change of the list forgets the map; the next run finds the parameters by name again.
    sql.Params()->CreateParam(ftString, "extra", ptInput);
    EXPECT_TRUE(sql.ParamMap().empty());
    sql.ParamByName("v")->SetAsString("version");
    sql.Execute();
    EXPECT_EQ(sql.RowsAffected(), 1);
    EXPECT_EQ(QueryValue(Internal(connection), "SELECT value FROM settings WHERE name = 'version'"),
              "version");

    // The dataset's statement the same way: the second marker is not left empty.
    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), "SELECT count(*) AS c FROM settings WHERE name = :n OR value = :n");
    ASSERT_EQ(query.Params()->Count(), 1);
    for (auto [n, count] :
         {std::pair{"server", 1}, std::pair{"http://127.0.0.1/tax", 1}, std::pair{"none", 0}}) {
        query.ParamByName("n")->SetAsString(n);
        query.Open();
        EXPECT_EQ(query.FieldByName("c")->AsInteger(), count) << n;
        query.Close();
    }
}

TEST(UniParam, ValueObjectsByType) {
    struct Case {
        TFieldType type;
        const char* wrapper; // nullptr: no value object
    } cases[] = {
        {ftBlob, "TUniBlob"},     {ftMemo, "TUniBlob"}, {ftOraBlob, "TUniBlob"}, {ftOraClob, "TUniBlob"},
        {ftCursor, "TUniCursor"}, {ftString, nullptr},  {ftInteger, nullptr},
    };
    for (const Case& c : cases) {
        TUniParams params;
        TDAParam* p = static_cast<TDAParam*>(params.CreateParam(c.type, "p", ptInput));
        TSharedObject* object = static_cast<TUniParam*>(p)->TDAParam::GetValueObject();
        if (!c.wrapper) {
            EXPECT_EQ(object, nullptr) << c.type;
            continue;
        }
        ASSERT_NE(object, nullptr) << c.type;
        EXPECT_EQ(object->ClassName(), c.wrapper) << c.type;
        // A free list has no connection to ask for the native object.
        EXPECT_EQ(MessageOf([&] { p->GetValueObject(); }), "Connection is not defined") << c.type;
    }
    TUniCursor cursor;
    EXPECT_FALSE(cursor.CanFetch());

    TUniSQL sql(nullptr);
    TDAParam* result = static_cast<TDAParam*>(sql.Params()->CreateParam(ftUnknown, "r", ptResult));
    EXPECT_EQ(sql.FindResultParam(), result);
    EXPECT_EQ(result->DataType(), ftInteger);
}

// A megabyte of every byte value through a blob parameter and back, on both providers.
void BlobRoundTrip(TUniConnection& connection, const char* table) {
    TBytes data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 256);
    TUniSQL insert(nullptr);
    insert.SetConnection(&connection);
    SetSQL(insert.SQL(), (std::string("INSERT INTO ") + table + " (id, data) VALUES (1, :data)").c_str());
    TDAParam* p = insert.ParamByName("data");
    p->SetDataType(ftBlob);
    p->GetAsBlobRef()->SetAsBytes(data);
    auto* wrapper = dynamic_cast<TUniBlob*>(p->TDAParam::GetValueObject());
    ASSERT_NE(wrapper, nullptr);
    insert.Execute();
    EXPECT_EQ(insert.RowsAffected(), 1);
    // The provider's blob shares the wrapper's pieces, made once and kept for the next run.
    TBlob* native = wrapper->NativeBlob();
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(native->GetData(), wrapper->GetData());
    EXPECT_EQ(p->GetValueObject(), native);

    TUniQuery length;
    length.SetConnection(&connection);
    SetSQL(length.SQL(),
           (std::string("SELECT {if ACCESS}length(data){else}octet_length(data){endif} AS n FROM ") + table)
               .c_str());
    length.Open();
    EXPECT_EQ(length.Fields().Fields(0)->AsInteger(), 1 << 20);
    // The dataset's road: its parameter's blob goes with the statement's other values.
    TUniQuery second;
    second.SetConnection(&connection);
    SetSQL(second.SQL(), (std::string("INSERT INTO ") + table + " (id, data) VALUES (2, :data)").c_str());
    second.ParamByName("data")->SetDataType(ftBlob);
    second.ParamByName("data")->GetAsBlobRef()->SetAsBytes(data);
    second.Execute();
    EXPECT_EQ(second.RowsAffected(), 1);

    TUniQuery query;
    query.SetConnection(&connection);
    SetSQL(query.SQL(), (std::string("SELECT data FROM ") + table + " ORDER BY id").c_str());
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    for (; !query.Eof(); query.Next()) {
        const TBytes back = query.FieldByName("data")->AsBytes();
        EXPECT_EQ(back.size(), data.size());
        EXPECT_TRUE(back == data);
    }
}

TEST_F(UniAccess, AMegabyteThroughABlobParameterAndBack) {
    connection.Connect();
    Exec(Internal(connection), "CREATE TABLE blobs (id INTEGER PRIMARY KEY, data LONGVARBINARY)");
    BlobRoundTrip(connection, "blobs");
}

TEST_F(UniPostgres, AMegabyteThroughABlobParameterAndBack) {
    const std::string blobs = table + "_blobs";
    connection.Macros()->Add("blobs", blobs.c_str());
    UniPostgres::Run(connection, "DROP TABLE IF EXISTS {blobs}");
    UniPostgres::Run(connection, "CREATE TABLE {blobs} (id INTEGER PRIMARY KEY, data BYTEA)");
    BlobRoundTrip(connection, blobs.c_str());
    UniPostgres::Run(connection, "DROP TABLE {blobs}");
}
std::vector<std::string> Column(TDataSet& dataSet, const char* name) {
    std::vector<std::string> values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        values.push_back(dataSet.FieldByName(name)->AsString());
    return values;
}

TEST_F(UniAccess, MetaDataReadsTheCatalogThroughTheProvider) {
    TUniMetaData metaData;
    EXPECT_EQ(MessageOf([&] { metaData.Open(); }), "Connection is not defined");
    metaData.SetConnection(&connection);
    EXPECT_EQ(metaData.Connection(), &connection);
    metaData.SetMetaDataKind("Columns");
    metaData.Restrictions()->Add("TABLE_NAME=settings");
    metaData.Open();
    EXPECT_EQ(Column(metaData, "COLUMN_NAME"), (std::vector<std::string>{"id", "name", "value"}));
    // The transaction of the use is kept while the answer is open.
    EXPECT_EQ(metaData.RememberedTransaction(), connection.UsedTransaction());
    metaData.Close();
    EXPECT_EQ(metaData.RememberedTransaction(), nullptr);

    metaData.SetMetaDataKind("no such kind");
    try {
        metaData.Open();
        ADD_FAILURE();
    } catch (const EUniError&) {
        ADD_FAILURE() << "not a data-access error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unsupported metadata kind");
    }
    EXPECT_FALSE(metaData.Active());
    EXPECT_EQ(metaData.RememberedTransaction(), nullptr);
}
// The unified option and parameter classes keep what the SQL dataset's do.
TEST_F(UniAccess, TheDataSetHasTheUnifiedOptionsAndParameters) {
    TUniQuery query;
    query.SetConnection(&connection);
    EXPECT_EQ(query.Options()->ClassName(), "TUniDataSetOptions");
    EXPECT_TRUE(query.Options()->SetFieldsReadOnly);
    SetSQL(query.SQL(), "SELECT value FROM settings WHERE name = :n");
    ASSERT_EQ(query.Params()->Count(), 1);
    EXPECT_EQ(query.Params()->Items(0)->ClassName(), "TUniParam");

    query.Prepare();
    ASSERT_TRUE(query.IsPrepared());
    query.Options()->SetAutoPrepare(true); // unprepares its dataset
    EXPECT_FALSE(query.IsPrepared());
    query.ParamByName("n")->SetAsString("version");
    query.Open();
    EXPECT_EQ(query.FieldByName("value")->AsString(), "1.0.3");
    EXPECT_EQ(MessageOf([&] { query.Options()->SetLongStrings(false); }),
              "Cannot perform this operation on an open dataset");
}
// No provider to ask: the statement reads its parameters from the text and keeps their values.
TEST(UniSQL, WithoutAProviderTheParametersComeFromTheText) {
    TUniConnection connection;
    TUniSQL sql(nullptr);
    sql.SetConnection(&connection);
    SetSQL(sql.SQL(), "UPDATE t SET a = :a, b = :\"b c\" WHERE a = :a AND s = ':x'");
    std::vector<std::string> names;
    for (int i = 0; i < sql.Params()->Count(); ++i)
        names.push_back(sql.Params()->Items(i)->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b c"}));
    EXPECT_EQ(sql.Params()->Items(0)->ClassName(), "TUniParam");
    sql.ParamByName("a")->SetAsInteger(7);
    SetSQL(sql.SQL(), "DELETE FROM t WHERE a = :a OR d = :d");
    ASSERT_EQ(sql.Params()->Count(), 2);
    EXPECT_EQ(sql.ParamByName("a")->AsInteger(), 7);
    EXPECT_TRUE(sql.ParamByName("d")->IsNull());
    EXPECT_EQ(MessageOf([&] { sql.Execute(); }), "Provider is not defined");
}
// The provider-support questions see the connection's default transaction.
TEST_F(UniAccess, ProviderSupportAsksTheConnectionsTransaction) {
    TUniQuery query;
    query.SetConnection(&connection);
    EXPECT_EQ(query.GetFieldClass(ftCursor), TDACursorField::StaticClass());
    connection.Connect();
    EXPECT_FALSE(query.PSInTransaction());
    query.PSStartTransaction();
    EXPECT_TRUE(connection.GetInTransaction());
    EXPECT_TRUE(query.PSInTransaction());
    connection.Rollback();
    EXPECT_FALSE(query.PSInTransaction());
}
// A procedure call: the driver's call escape is left as it is, output values come back through
// the parameter map.
TEST_F(UniPostgres, AProcedureCallReturnsItsOutputParameters) {
    UniPostgres::Run(
        connection,
        "CREATE OR REPLACE FUNCTION vz_unicalc(a integer, INOUT b varchar, OUT c double precision) "
        "AS $$ BEGIN b := b || '-' || a::text; c := a * 1.5; END $$ LANGUAGE plpgsql");
    TUniSQL sql(nullptr);
    sql.SetConnection(&connection);
    for (auto [name, type, dataType] :
         {std::tuple{"a", ptInput, ftInteger}, std::tuple{"b", ptInputOutput, ftString},
          std::tuple{"c", ptOutput, ftFloat}}) {
        TDAParam* p = static_cast<TDAParam*>(sql.Params()->Add());
        p->SetName(name);
        p->SetParamType(type);
        p->SetDataType(dataType);
    }
    sql.ParamByName("b")->SetSize(50);
    sql.CreateProcCall("vz_unicalc", false);
    EXPECT_FALSE(sql.ProcessMacros);
    EXPECT_EQ(sql.GetFinalSQL(), "{call vz_unicalc(:a, :b, :c)}");
    sql.ParamByName("a")->SetValue(Variant(4));
    sql.ParamByName("b")->SetAsString("y");
    sql.Execute();
    EXPECT_EQ(sql.ParamByName("b")->GetAsString(), "y-4");
    EXPECT_DOUBLE_EQ(sql.ParamByName("c")->GetValue().AsDouble(), 6.0);
    UniPostgres::Run(connection, "DROP FUNCTION vz_unicalc(integer, varchar)");
}
} // namespace
