#pragma once
// The unified components' test fixtures: the launcher's database made per test from a small SQL
// fixture behind the stand-in Access driver, and the private PostgreSQL server through psqlODBC.
#include <windows.h>

#include <fstream>
#include <sstream>

#include "OdbcTestSupport.h"
#include "data/access/UniQuery.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCCall.h"
#include "support/PostgresServer.h"

inline TODBCConnection& Internal(TUniConnection& connection) {
    return *static_cast<TODBCConnection*>(connection.InternalConnection());
}

inline void SetSQL(TStrings* sql, const char* text) {
    sql->SetText(text);
}

class UniAccess : public testing::Test {
protected:
    void SetUp() override {
        std::string dir = BuildFolderUnix("uni-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        file = "Z:" + dir + "/VazEvor" + std::to_string(GetCurrentProcessId()) + ".mdb";
        for (char& c : file)
            if (c == '/') c = '\\';
        // The stand-in driver opens a file that is there; the tables come from the fixture.
        CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        Setup(connection);
        connection.Connect();
        const char* source = std::getenv("VZ_SOURCE_DIR");
        std::ifstream in(std::string(source ? source : ".") + "/tests/fixtures/uni/launcher.sql");
        ASSERT_TRUE(in) << "fixture";
        std::stringstream text;
        text << in.rdbuf();
        std::string statement;
        for (std::string line; std::getline(text, line);) {
            if (line.rfind("--", 0) == 0) continue;
            statement += line + "\n";
            if (line.find(';') != std::string::npos) {
                Exec(Internal(connection), statement.substr(0, statement.rfind(';')));
                statement.clear();
            }
        }
        connection.Disconnect();
    }
    void TearDown() override {
        connection.Disconnect();
        DeleteFileA(file.c_str());
    }
    // As the launcher's data module sets its connection.
    void Setup(TUniConnection& c) {
        c.SetProviderName("Access");
        c.Options()->KeepDesignConnected = false;
        c.LoginPrompt = false;
        c.SetPassword("qmvadlorp");
        c.SetDatabase(file.c_str());
    }
    std::string file;
    TUniConnection connection;
};

// The same statements through the ODBC provider on the private PostgreSQL server; the SQL that
// differs is written once.
class UniPostgres : public testing::Test {
protected:
    void SetUp() override {
        Connect(connection);
        table = "vz_uni_" + std::to_string(GetCurrentProcessId());
        connection.Macros()->Add("tbl", table.c_str());
        Run(connection, "DROP TABLE IF EXISTS {tbl}");
        Run(connection, "CREATE TABLE {tbl} ({if ACCESS}id COUNTER{else}id SERIAL{endif} PRIMARY KEY, "
                        "name VARCHAR(40) NOT NULL UNIQUE, value VARCHAR(200), day DATE)");
        Run(connection,
            "INSERT INTO {tbl} (name, value, day) VALUES ('version', '1.0.3', {date '2026-12-10'})");
    }
    void TearDown() override {
        if (!connection.Connected()) connection.Connect();
        Run(connection, "DROP TABLE IF EXISTS {tbl}");
        connection.Disconnect();
    }
    static void Connect(TUniConnection& c) {
        const PostgresServer& server = PostgresServer::Get();
        c.SetProviderName("ODBC");
        c.LoginPrompt = false;
        c.SetServer(server.ServerText().c_str());
        c.SetUsername(server.User.c_str());
        c.SetPassword(server.Password.c_str());
        c.Connect();
    }
    static void Run(TUniConnection& c, const char* sql) {
        TUniSQL statement(nullptr);
        statement.SetConnection(&c);
        SetSQL(statement.SQL(), sql);
        statement.Execute();
    }
    static std::string Value(TUniConnection& c, const char* sql) {
        TUniQuery query;
        query.SetConnection(&c);
        SetSQL(query.SQL(), sql);
        query.Open();
        return query.Fields().Fields(0)->AsString();
    }
    std::string table;
    TUniConnection connection;
};
