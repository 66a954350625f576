// The unified dataset's options and fetching, its parameters with blob and cursor values, the
// metadata component and the statement's parameter map, over the Access stand-in and PostgreSQL.
#include "UniTestSupport.h"
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
} // namespace
