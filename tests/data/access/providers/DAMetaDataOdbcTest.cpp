// The metadata component over the ODBC provider: SQLite and the private PostgreSQL server.
#include <windows.h>

#include "OdbcDAConnection.h"
#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/DAMetaData.h"
#include "data/access/DATransaction.h"
#include "data/access/providers/ODBCMetaData.h"
#include "platform/db/Fields.h"
#include "support/PostgresServer.h"

namespace {

enum Server { sSQLite, sPostgres };

void Point(TOdbcDAConnection& connection, Server server) {
    if (server == sPostgres) {
        const PostgresServer& pg = PostgresServer::Get();
        connection.SetServer(pg.ServerText());
        connection.SetUsername(pg.User);
        connection.SetPassword(pg.Password);
        return;
    }
    std::string dir = BuildFolderUnix("da-components-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = dir + "/metadata-" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(("Z:" + file).c_str());
    connection.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
}

// One field of every record, in order.
std::vector<std::string> Column(TDAMetaData& metaData, const char* name) {
    std::vector<std::string> values;
    for (metaData.First(); !metaData.Eof(); metaData.Next())
        values.push_back(metaData.FieldByName(name)->AsString().c_str());
    return values;
}

class MetaDataComponent : public testing::TestWithParam<Server> {
protected:
    void SetUp() override {
        Point(connection, GetParam());
        connection.Connect();
        Exec(connection.Internal(), "DROP TABLE IF EXISTS vz_meta");
        Exec(connection.Internal(), "CREATE TABLE vz_meta (a INTEGER, b VARCHAR(20))");
    }
    TOdbcDAConnection connection;
};

TEST_P(MetaDataComponent, OpensTheKindWithItsRestrictionsAndClosesOnAChange) {
    TDAMetaData metaData(nullptr);
    metaData.SetConnection(&connection);
    metaData.SetMetaDataKind(" Tables ");
    metaData.Restrictions()->Add("TABLE_NAME=vz_meta");
    const int uses = connection.ConnectCount();
    metaData.Open();
    EXPECT_EQ(Column(metaData, "TABLE_NAME"), std::vector<std::string>{"vz_meta"});
    // The use taken for the opening is given back.
    EXPECT_EQ(connection.ConnectCount(), uses);
    EXPECT_EQ(connection.OperationCount(), 0);

    metaData.SetMetaDataKind(" Tables "); // the same kind keeps it open
    EXPECT_TRUE(metaData.Active());
    metaData.SetMetaDataKind("Columns");
    EXPECT_FALSE(metaData.Active());
    metaData.Open();
    EXPECT_EQ(Column(metaData, "COLUMN_NAME"), (std::vector<std::string>{"a", "b"}));

    metaData.Restrictions()->Add("COLUMN_NAME=b");
    EXPECT_FALSE(metaData.Active());
    metaData.Open();
    EXPECT_EQ(Column(metaData, "COLUMN_NAME"), std::vector<std::string>{"b"});

    // The kinds list answers without a kind; reopening reads it again.
    metaData.SetMetaDataKind("");
    metaData.Open();
    EXPECT_EQ(metaData.RecordCount(), static_cast<int>(Column(metaData, "METADATA_NAME").size()));
    EXPECT_EQ(Column(metaData, "METADATA_NAME").front(), "MetaDataKinds");
    metaData.Close();
    metaData.Open();
    EXPECT_EQ(Column(metaData, "METADATA_NAME").front(), "MetaDataKinds");
}

TEST_P(MetaDataComponent, ErrorsComeAfterTheUseIsGivenBack) {
    TDAMetaData metaData(nullptr);
    EXPECT_EQ(MessageOf([&] { metaData.Open(); }), "Connection is not defined");
    metaData.SetConnection(&connection);
    metaData.SetMetaDataKind("no such kind");
    const int uses = connection.ConnectCount();
    EXPECT_EQ(MessageOf([&] { metaData.Open(); }), "Unsupported metadata kind");
    EXPECT_FALSE(metaData.Active());
    EXPECT_EQ(connection.ConnectCount(), uses);
    EXPECT_EQ(connection.OperationCount(), 0);
    metaData.SetMetaDataKind("tables");
    metaData.Open();
    EXPECT_TRUE(metaData.Active());
}

TEST_P(MetaDataComponent, DisconnectClosesUnlessTheConnectionWorksDisconnected) {
    TDAMetaData metaData(nullptr);
    metaData.SetConnection(&connection);
    metaData.SetMetaDataKind("tables");
    metaData.Restrictions()->Add("TABLE_NAME=vz_meta");
    metaData.Open();
    connection.Disconnect();
    EXPECT_FALSE(metaData.Active());

    // Disconnected mode ends the session after the opening itself: the rows stay.
    connection.Options()->SetDisconnectedMode(true);
    metaData.Open();
    EXPECT_FALSE(connection.Connected());
    // A second client's use ends the session again: the first keeps its rows.
    TDAMetaData other(nullptr);
    other.SetConnection(&connection);
    other.SetMetaDataKind("columns");
    other.Open();
    EXPECT_FALSE(connection.Connected());
    ASSERT_TRUE(metaData.Active());
    EXPECT_EQ(Column(metaData, "TABLE_NAME"), std::vector<std::string>{"vz_meta"});
    EXPECT_TRUE(other.Active());
}

INSTANTIATE_TEST_SUITE_P(Drivers, MetaDataComponent, testing::Values(sSQLite, sPostgres),
                         [](const testing::TestParamInfo<Server>& info) {
                             return info.param == sSQLite ? "SQLite" : "PostgreSQL";
                         });

TEST(MetaDataComponentLinks, FreeingTheConnectionOrTransactionClearsTheLink) {
    auto* connection = new TOdbcDAConnection();
    Point(*connection, sSQLite);
    auto* transaction = new TDATransaction(nullptr);
    TDAMetaData metaData(nullptr);
    metaData.SetConnection(connection);
    metaData.SetTransaction(transaction);
    metaData.SetMetaDataKind("tables");
    metaData.Open();
    delete transaction;
    EXPECT_EQ(metaData.Transaction(), nullptr);
    EXPECT_TRUE(metaData.Active());
    delete connection;
    EXPECT_EQ(metaData.Connection(), nullptr);
    EXPECT_FALSE(metaData.Active());
    EXPECT_EQ(MessageOf([&] { metaData.Open(); }), "Connection is not defined");
}

} // namespace

namespace {

// The session ends before the opening: with local failover and a handler that asks for a
// reconnect and a re-run, the opening reads the catalog on the new session.
TEST(MetaDataComponentPostgres, OpeningRunsAgainAfterALostSession) {
    const PostgresServer& server = PostgresServer::Get();
    TOdbcDAConnection admin;
    admin.SetServer(server.ServerText());
    admin.SetUsername(server.AdminUser);
    admin.SetPassword(server.AdminPassword);
    admin.Connect();
    TOdbcDAConnection worker;
    Point(worker, sPostgres);
    worker.Options()->LocalFailover = true;
    int lost = 0;
    worker.OnConnectionLost = [&lost](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
        ++lost;
        mode = rmReconnectExecute;
    };
    worker.Connect();
    Exec(worker.Internal(), "DROP TABLE IF EXISTS vz_meta_failover");
    Exec(worker.Internal(), "CREATE TABLE vz_meta_failover (a INTEGER)");
    std::string pid = QueryValue(worker.Internal(), "SELECT pg_backend_pid()");
    ASSERT_EQ("1", QueryValue(admin.Internal(),
                              "SELECT CASE WHEN pg_terminate_backend(" + pid + ") THEN 1 ELSE 0 END"));
    for (int i = 0; i < 100; ++i) {
        if (QueryValue(admin.Internal(), "SELECT count(*) FROM pg_stat_activity WHERE pid = " + pid) == "0")
            break;
        Sleep(20);
    }
    const int uses = worker.ConnectCount();
    TDAMetaData metaData(nullptr);
    metaData.SetConnection(&worker);
    metaData.SetMetaDataKind("tables");
    metaData.Restrictions()->Add("TABLE_NAME=vz_meta_failover");
    metaData.Open();
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(Column(metaData, "TABLE_NAME"), std::vector<std::string>{"vz_meta_failover"});
    EXPECT_NE(pid, QueryValue(worker.Internal(), "SELECT pg_backend_pid()"));
    EXPECT_EQ(worker.ConnectCount(), uses);
    EXPECT_EQ(worker.OperationCount(), 0);
}

} // namespace
