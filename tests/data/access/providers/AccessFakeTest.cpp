// The Access provider against the scripted driver manager: the driver check and the calls of the
// launcher's connect and disconnect.
#include <gtest/gtest.h>

#include <sstream>

#include "OdbcTestSupport.h"
#include "data/access/CRProps.h"
#include "data/access/providers/AccessUniProvider.h"

namespace {

std::string FakeScript(const std::string& command) {
    static auto script = [] {
        HMODULE lib = LoadLibraryA((std::string("Z:") + VZ_FAKE_ODBC_DLL).c_str());
        using F = const char*(__stdcall*)(const char*);
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, "FakeOdbcScript")));
    }();
    return script(command.c_str());
}

std::vector<std::string> FakeLog() {
    std::vector<std::string> lines;
    std::istringstream in(FakeScript("log"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

class AccessFake : public testing::Test {
protected:
    void SetUp() override {
        InitializeUnits(DataAccessUnitsNamed({"UniProvider", "ODBCUniProvider", "AccessUniProvider"}));
        FakeScript("reset");
    }
    void TearDown() override {
        FakeScript("reset");
        FinalizeUnits();
    }
};

TEST_F(AccessFake, DriverCheckPicksTheNewerNameIgnoringCaseElseTheOlder) {
    struct Case {
        const char* drivers; // "" for none
        const char* errorAt; // a SQLDrivers call that fails, or nullptr
        const char* driver;
        int calls;
    } cases[] = {
        {"SQLite3|microsoft access driver (*.mdb, *.accdb)|PostgreSQL ANSI", nullptr,
         "Microsoft Access Driver (*.mdb, *.accdb)", 2},
        {"Microsoft Access Driver (*.mdb)", nullptr, "Microsoft Access Driver (*.mdb)", 2},
        {"", nullptr, "Microsoft Access Driver (*.mdb)", 1},
        {"SQLite3|Microsoft Access Driver (*.mdb, *.accdb)", "-1", "Microsoft Access Driver (*.mdb)", 1},
    };
    for (const Case& c : cases) {
        FakeScript("reset");
        FakeScript(std::string("drivers ") + c.drivers);
        if (c.errorAt) FakeScript(std::string("ret SQLDrivers ") + c.errorAt);
        TAccessConnection connection;
        connection.SetProp(prDatabase, AnsiString("C:\\App\\VazEvor.mdb"));
        EXPECT_EQ(connection.GetConnectionString(),
                  "DRIVER={" + AnsiString(c.driver) +
                      "};DefaultDir=C:\\App\\;DBQ=C:\\App\\VazEvor.mdb;UID=;PWD=")
            << c.drivers;
        int calls = 0;
        for (const std::string& line : FakeLog())
            if (line.rfind("SQLDrivers", 0) == 0) {
                // First then next, a 256-byte description buffer and no attributes.
                EXPECT_EQ(line, calls == 0 ? "SQLDrivers 2 256 nil 0" : "SQLDrivers 1 256 nil 0");
                ++calls;
            }
        EXPECT_EQ(calls, c.calls) << c.drivers;
    }
}

TEST_F(AccessFake, LauncherConnectAndDisconnectCallSequence) {
    FakeScript("drivers SQLite3|Microsoft Access Driver (*.mdb, *.accdb)");
    TAccessConnection connection;
    TStringList noOptions;
    UniProviders->GetProvider("Access")->ApplyProviderOptions(&connection, &noOptions);
    connection.SetProp(prDatabase, AnsiString("C:\\App\\VazEvor.mdb"));
    connection.SetPassword("pw");
    FakeScript("clearlog");
    connection.Connect("");
    connection.Disconnect();
    // The login time-out is the option's default; the string names the newer driver.
    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{
                  "SQLAllocHandle 2",
                  "SQLSetConnectAttr 103 15",
                  "SQLDrivers 2 256 nil 0",
                  "SQLDrivers 1 256 nil 0",
                  "SQLDriverConnect 0 DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DefaultDir=C:\\App\\;"
                  "DBQ=C:\\App\\VazEvor.mdb;UID=;PWD=pw",
                  "SQLGetInfo 77",
                  "SQLGetInfo 28",
                  "SQLDisconnect",
                  "SQLFreeHandle 2",
              }));
}

TEST_F(AccessFake, StatementsArePreparedWithoutComments) {
    FakeScript("drivers Microsoft Access Driver (*.mdb, *.accdb)");
    TAccessConnection access;
    access.SetProp(prDatabase, AnsiString("C:\\x.mdb"));
    access.Connect("");
    TODBCConnection odbc;
    odbc.SetServer("DRIVER={Fake}");
    odbc.Connect("");
    FakeScript("clearlog");
    TAccessCommand accessCommand;
    accessCommand.SetConnection(&access);
    accessCommand.SetSQL("SELECT * FROM [My Table] -- note");
    accessCommand.Prepare();
    TODBCCommand odbcCommand;
    odbcCommand.SetConnection(&odbc);
    odbcCommand.SetSQL("SELECT * FROM t -- note");
    odbcCommand.Prepare();
    std::vector<std::string> prepared;
    for (const std::string& line : FakeLog())
        if (line.rfind("SQLPrepare ", 0) == 0) prepared.push_back(line);
    EXPECT_EQ(prepared, (std::vector<std::string>{"SQLPrepare SELECT * FROM [My Table] ",
                                                  "SQLPrepare SELECT * FROM t -- note"}));
}

} // namespace
