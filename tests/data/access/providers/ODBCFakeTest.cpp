// The ODBC provider against a scripted driver manager: diagnostics, refused calls, indicators and
// data at execution that real drivers rarely produce on demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "OdbcTestSupport.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/memory/Blob.h"
#include "data/memory/FieldDescs.h"
#include "platform/core/Bcd.h"
#include "platform/core/DateTime.h"

namespace {

const std::string FakeLibrary = std::string("Z:") + VZ_FAKE_ODBC_DLL;

class FakeEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ODBCCallInitialize();
        SetODBCLibraryName(FakeLibrary);
    }
    void TearDown() override { ODBCCallFinalize(); }
};
[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new FakeEnvironment);

// The fake's one extra export.
std::string Script(const std::string& command) {
    static auto script = [] {
        HMODULE lib = LoadLibraryA(FakeLibrary.c_str());
        using F = const char*(__stdcall*)(const char*);
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, "FakeOdbcScript")));
    }();
    return script(command.c_str());
}

std::vector<std::string> Log() {
    std::vector<std::string> lines;
    std::istringstream in(Script("log"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

int CountCalls(const std::string& prefix) {
    auto lines = Log();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.compare(0, prefix.size(), prefix) == 0 &&
               (l.size() == prefix.size() || l[prefix.size()] == ' ');
    }));
}

std::vector<std::string> CallsOf(const std::string& name) {
    std::vector<std::string> result;
    for (auto& l : Log())
        if (l.compare(0, name.size() + 1, name + " ") == 0 || l == name) result.push_back(l);
    return result;
}

class FakeOdbc : public testing::Test {
protected:
    void SetUp() override {
        Script("reset");
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer("DRIVER={Fake};DATABASE=x");
    }
    void TearDown() override {
        Script("reset");
        command.reset();
        connection.reset();
    }
    void Connect() {
        connection->Connect("");
        Script("clearlog");
    }
    TODBCCommand& Command(const AnsiString& sql) {
        command = std::make_unique<TODBCCommand>();
        command->SetConnection(connection.get());
        command->SetSQL(sql);
        return *command;
    }
    TODBCParamDesc& Param(int index, uint16_t type, uint8_t direction, int size = 0) {
        auto* p = static_cast<TODBCParamDesc*>(command->GetParam(index));
        p->SetDataType(type);
        p->SetParamType(direction);
        p->SetSize(size);
        return *p;
    }

    std::unique_ptr<TODBCConnection> connection;
    std::unique_ptr<TODBCCommand> command;
};

// ---------------------------------------------------------------------------------------------
// Binding and errors

TEST_F(FakeOdbc, DiagnosticsComeFromTheHandleElseTheEnvironmentElseNothing) {
    Connect();
    struct Case {
        const char* script;
        int code;
        const char* message;
        const char* state;
        int native;
    } cases[] = {
        {"diag handle 42601 7 syntax error at or near \"SELEC\"", SQL_ERROR,
         "syntax error at or near \"SELEC\"", "42601", 7},
        {"diag env HY001 -3 out of memory", SQL_ERROR, "out of memory", "HY001", -3},
        {"nodiag", SQL_ERROR, "", "", 0},
        {"diag handle 01004 0 truncated", SQL_INVALID_HANDLE, "truncated", "01004", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Script(c.script);
        Script("ret SQLPrepare " + std::to_string(c.code));
        Command("SELEC 1");
        try {
            command->Prepare();
            ADD_FAILURE() << "no error";
        } catch (const EODBCError& e) {
            EXPECT_EQ(c.message, e.Message());
            EXPECT_EQ(c.state, e.State);
            EXPECT_EQ(c.native, e.NativeError);
            EXPECT_EQ(c.code, e.ErrorCode);
        }
        // A failed preparation leaves no statement handle.
        EXPECT_FALSE(command->GetPrepared());
    }
}

TEST_F(FakeOdbc, LongDiagnosticMessageArrivesIntact) {
    Connect();
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += static_cast<char>('a' + i % 26);
    Script("diag handle HY000 1 " + text);
    Script("ret SQLPrepare -1");
    Command("SELECT 1");
    try {
        command->Prepare();
        FAIL() << "no error";
    } catch (const EODBCError& e) {
        EXPECT_EQ(5000u, e.Message().size());
        EXPECT_EQ(text, e.Message());
    }
}

TEST(ODBCErrors, KeyViolationAndFatalErrorsByState) {
    struct Case {
        const char* state;
        bool keyViolation;
        bool fatal;
    } cases[] = {
        {"23000", true, false},  {"23505", true, false}, {"42000", false, false}, {"", false, false},
        {"08S01", false, true},  {"08003", false, true}, {"08006", false, true},  {"57P01", false, true},
        {"57P02", false, true},  {"57P03", false, true}, {"57014", false, false}, {"HYT00", false, false},
        {"42601", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EODBCError e(SQL_ERROR, "x", c.state, 0);
        EXPECT_EQ(c.keyViolation, e.IsKeyViolation());
        EXPECT_EQ(c.fatal, e.IsFatalError());
    }
    EXPECT_FALSE(IsODBCError(SQL_SUCCESS));
    EXPECT_FALSE(IsODBCError(SQL_SUCCESS_WITH_INFO));
    for (SQLRETURN r : {SQL_ERROR, SQL_INVALID_HANDLE, SQL_NEED_DATA, SQL_NO_DATA})
        EXPECT_TRUE(IsODBCError(r));
}

TEST_F(FakeOdbc, DriverThatReportsTheConnectionDeadMakesTheErrorFatal) {
    Connect();
    Script("diag handle HY000 1 could not send data");
    Script("dead 1");
    Script("ret SQLPrepare -1");
    Command("SELECT 1");
    try {
        command->Prepare();
        FAIL() << "no error";
    } catch (const EODBCError& e) {
        EXPECT_TRUE(e.IsFatalError());
    }
}

TEST(ODBCBinding, MissingExportRaisesOnlyWhenCalled) {
    TCriticalSection lock;
    struct KernelCli : TODBCCli {
        using TODBCCli::TODBCCli;
        AnsiString GetLibraryName() override { return "kernel32.dll"; }
    } cli(&lock);
    // Not loaded yet: every entry point is a stand-in.
    EXPECT_THROW(cli.SQLFreeHandle(SQL_HANDLE_ENV, nullptr), Exception);
    ASSERT_NO_THROW(cli.LoadLibrary());
    EXPECT_TRUE(cli.IsLibraryLoaded());
    // Each stand-in has its entry point's own signature, so repeated calls keep the stack sound.
    for (int i = 0; i < 100; ++i) {
        try {
            SQLHANDLE h = nullptr;
            cli.SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &h);
            FAIL() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ("CLI function is not linked", e.Message());
        }
        EXPECT_THROW(cli.SQLBindParameter(nullptr, 1, 1, 1, 1, 1, 1, nullptr, 1, nullptr), Exception);
        EXPECT_THROW(cli.SQLEndTran(SQL_HANDLE_DBC, nullptr, SQL_COMMIT), Exception);
    }
    cli.UnloadLibrary();
    EXPECT_FALSE(cli.IsLibraryLoaded());

    struct MissingCli : TODBCCli {
        using TODBCCli::TODBCCli;
        AnsiString GetLibraryName() override { return "vz-no-such-odbc.dll"; }
    } missing(&lock);
    EXPECT_EQ("Cannot load client library: vz-no-such-odbc.dll", MessageOf([&] { missing.LoadLibrary(); }));
    EXPECT_FALSE(missing.IsLibraryLoaded());
}

TEST_F(FakeOdbc, RefusedVersionSettingFreesTheEnvironmentAndTheNextConnectTriesAgain) {
    TODBCCli* cli = GetODBCCli();
    cli->FreeEnv();
    Script("clearlog");
    Script("ret SQLSetEnvAttr -1");
    EXPECT_EQ("Can't initialize SQL environment. Error -1", MessageOf([&] { connection->Connect(""); }));
    EXPECT_FALSE(cli->IsEnvAllocated());
    EXPECT_EQ(1, CountCalls("SQLFreeHandle 1"));
    EXPECT_FALSE(connection->GetConnected());

    Script("ret SQLAllocHandle -2");
    EXPECT_EQ("Can't initialize SQL environment. Error -2", MessageOf([&] { connection->Connect(""); }));
    EXPECT_FALSE(cli->IsEnvAllocated());

    connection->Connect("");
    EXPECT_TRUE(connection->GetConnected());
    EXPECT_TRUE(cli->IsEnvAllocated());
}

// ---------------------------------------------------------------------------------------------
// Connection

TEST(ODBCConnectionString, BuiltFromServerUserAndPassword) {
    struct Case {
        const char* server;
        const char* user;
        const char* password;
        TDSNType type;
        const char* expected;
    } cases[] = {
        {"MyData", "u", "", ntAuto, "DSN=MyData;UID=u;PWD="},
        {"C:\\dsn\\x.dsn", "", "", ntAuto, "FILEDSN=C:\\dsn\\x.dsn;UID=;PWD="},
        {"C:\\dsn\\x.DSN", "", "", ntAuto, "DSN=C:\\dsn\\x.DSN;UID=;PWD="},
        {"DRIVER={X};UID=a", "b", "p", ntAuto, "DRIVER={X};UID=a;PWD=p"},
        {"DRIVER={X}", "b", "", ntAuto, "DRIVER={X};UID=b"},
        {"DRIVER={X};PWD=q", "", "p", ntAuto, "DRIVER={X};PWD=q"},
        {"MyData", "u", "p", ntFile, "FILEDSN=MyData;UID=u;PWD=p"},
        {"a=b", "u", "p", ntName, "DSN=a=b;UID=u;PWD=p"},
        // Values that would end early or read as a braced value are braced.
        {"DRIVER={X}", "b", "se;cret", ntAuto, "DRIVER={X};UID=b;PWD={se;cret}"},
        {"DRIVER={X}", "b", "{abc", ntAuto, "DRIVER={X};UID=b;PWD={{abc}"},
        {"DRIVER={X}", "b", "a;b}c", ntAuto, "DRIVER={X};UID=b;PWD={a;b}}c}"},
        {"DRIVER={X}", "x;y", "p", ntAuto, "DRIVER={X};UID={x;y};PWD=p"},
        {"My;Data", "u", "a}b", ntAuto, "DSN={My;Data};UID=u;PWD=a}b"},
        {"MyData", "u", "p{q", ntAuto, "DSN=MyData;UID=u;PWD=p{q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TODBCConnection connection;
        connection.SetServer(c.server);
        connection.SetUsername(c.user);
        connection.SetPassword(c.password);
        connection.DSNType = c.type;
        EXPECT_EQ(c.expected, connection.GetConnectionString());
    }
}

TEST_F(FakeOdbc, ConnectSendsTheStringWithoutPromptAndReadsDriverFacts) {
    struct Case {
        const char* version;
        int stored;
        bool odbc3;
        int identCase;
        int expectedCase;
    } cases[] = {
        {"03.52", 820, true, SQL_IC_MIXED, icMixed},
        {"2.50", 562, false, SQL_IC_UPPER, icUpper},
        {"03", 768, true, SQL_IC_LOWER, icLower},
        {"x.5", 5, false, SQL_IC_SENSITIVE, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Script("reset");
        Script("info " + std::to_string(SQL_DRIVER_ODBC_VER) + " " + c.version);
        Script("infon " + std::to_string(SQL_IDENTIFIER_CASE) + " " + std::to_string(c.identCase));
        TODBCConnection conn;
        conn.SetServer("DRIVER={Fake}");
        conn.SetUsername("u");
        conn.SetPassword("p");
        conn.ConnectionTimeout = 7;
        conn.Connect("");
        EXPECT_EQ(c.stored, conn.ODBCVersion());
        EXPECT_EQ(c.odbc3, conn.IsODBC3Driver());
        EXPECT_EQ(c.expectedCase, conn.IdentifierCase());
        EXPECT_EQ(c.expectedCase, conn.GetSQLInfo()->IdentCase());
        auto connects = CallsOf("SQLDriverConnect");
        ASSERT_EQ(1u, connects.size());
        EXPECT_EQ("SQLDriverConnect " + std::to_string(SQL_DRIVER_NOPROMPT) + " DRIVER={Fake};UID=u;PWD=p",
                  connects[0]);
        EXPECT_EQ(1, CountCalls("SQLSetConnectAttr " + std::to_string(SQL_ATTR_LOGIN_TIMEOUT) + " 7"));
    }
}

TEST_F(FakeOdbc, RefusedConnectLeavesNoHandleAndTheNextAllocatesAnew) {
    connection->Connect("");
    connection->Disconnect();
    Script("clearlog");
    Script("diag handle 28P01 0 password authentication failed");
    Script("ret SQLDriverConnect -1");
    EXPECT_THROW(connection->Connect(""), EODBCError);
    EXPECT_FALSE(connection->GetConnected());
    EXPECT_EQ(nullptr, connection->ConnectionHandle());
    EXPECT_EQ(1, CountCalls("SQLAllocHandle 2"));
    EXPECT_EQ(1, CountCalls("SQLFreeHandle 2"));
    connection->Connect("");
    EXPECT_TRUE(connection->GetConnected());
    EXPECT_EQ(2, CountCalls("SQLAllocHandle 2"));
}

TEST_F(FakeOdbc, FailingDisconnectFreesTheHandleThenRaises) {
    Connect();
    Script("diag handle 08003 0 connection not open");
    Script("ret SQLDisconnect -1");
    EXPECT_THROW(connection->Disconnect(), EODBCError);
    EXPECT_FALSE(connection->GetConnected());
    EXPECT_EQ(nullptr, connection->ConnectionHandle());
    auto log = Log();
    ASSERT_EQ(3u, log.size()); // SQLDisconnect, the diagnostic read, SQLFreeHandle ...
    EXPECT_EQ("SQLDisconnect", log[0]);
    EXPECT_EQ("SQLFreeHandle 2", log.back());
}

TEST_F(FakeOdbc, TwoConnectionsShareOneEnvironment) {
    Connect();
    TODBCConnection second;
    second.SetServer("DRIVER={Fake}");
    second.Connect("");
    EXPECT_EQ(connection->Cli(), second.Cli());
    EXPECT_EQ(0, CountCalls("SQLAllocHandle 1"));
    connection->Disconnect();
    second.Disconnect();
    EXPECT_TRUE(GetODBCCli()->IsEnvAllocated());
    EXPECT_EQ(0, CountCalls("SQLFreeHandle 1"));
}

TEST_F(FakeOdbc, BorrowingConnectionReleasesNothingOfTheSharedHandle) {
    Connect();
    TODBCConnection borrower;
    borrower.AssignConnect(connection.get());
    EXPECT_TRUE(borrower.GetConnected());
    EXPECT_EQ(connection->ConnectionHandle(), borrower.ConnectionHandle());
    EXPECT_FALSE(borrower.NativeConnection());
    borrower.Disconnect();
    EXPECT_TRUE(Log().empty()) << Script("log");
    EXPECT_EQ(nullptr, borrower.ConnectionHandle());
    // The owner goes on with its handle.
    Command("UPDATE t SET a = 1");
    command->Execute();
    EXPECT_EQ(1, CountCalls("SQLExecute"));
    connection->Disconnect();
    EXPECT_EQ(1, CountCalls("SQLDisconnect"));
}

TEST_F(FakeOdbc, ErrorHandlerCanTurnTheErrorIntoASilentAbort) {
    Connect();
    int calls = 0;
    connection->OnError = [&](Exception& e, bool& fail, bool&, bool&, int, TConnLostCause&) {
        ++calls;
        EXPECT_NE(nullptr, dynamic_cast<EODBCError*>(&e));
        fail = false;
    };
    Script("ret SQLPrepare -1");
    Command("SELECT 1");
    EXPECT_THROW(command->Prepare(), EAbort);
    EXPECT_EQ(1, calls);
}

// ---------------------------------------------------------------------------------------------
// Transactions

TEST_F(FakeOdbc, TransactionSwitchesAutoCommitAroundEndTran) {
    Connect();
    TCRTransaction* transaction = connection->GetInternalTransaction();
    EXPECT_THROW(transaction->Commit(), Exception);
    transaction->SetProp(prIsolationLevel, static_cast<int>(ilSnapshot));
    transaction->StartTransaction();
    EXPECT_EQ(1, CountCalls("SQLSetConnectAttr " + std::to_string(SQL_ATTR_TXN_ISOLATION) + " " +
                            std::to_string(SQL_TXN_SERIALIZABLE)));
    EXPECT_EQ(1, CountCalls("SQLSetConnectAttr " + std::to_string(SQL_ATTR_AUTOCOMMIT) + " 0"));
    transaction->Commit();
    EXPECT_EQ(1, CountCalls("SQLEndTran 0"));
    EXPECT_EQ(1, CountCalls("SQLSetConnectAttr " + std::to_string(SQL_ATTR_AUTOCOMMIT) + " 1"));
    EXPECT_FALSE(transaction->GetInTransaction());

    Script("clearlog");
    transaction->SetProp(prIsolationLevel, static_cast<int>(ilCustom));
    EXPECT_EQ("Unsupported transaction isolation level", MessageOf([&] { transaction->StartTransaction(); }));
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ("Can't perform operation on inactive transaction", MessageOf([&] { transaction->Rollback(); }));
}

// ---------------------------------------------------------------------------------------------
// Command and parameters

TEST_F(FakeOdbc, BlankStatementRaisesBeforeAnyDriverCall) {
    Connect();
    Command("  \r\n\t ");
    EXPECT_EQ("No SQL statement provided", MessageOf([&] { command->Execute(); }));
    EXPECT_TRUE(Log().empty()) << Script("log");
}

TEST_F(FakeOdbc, NoDataFromExecuteIsZeroRowsWithoutRowCount) {
    Connect();
    Script("ret SQLExecute 100");
    Command("UPDATE t SET a = 1 WHERE 1 = 0");
    command->Execute();
    EXPECT_EQ(0, command->RowsAffected());
    EXPECT_EQ(0, CountCalls("SQLRowCount"));
    Script("rows 5");
    command->Execute();
    EXPECT_EQ(5, command->RowsAffected());
    Variant rows;
    command->GetProp(prRowsProcessed, rows);
    EXPECT_EQ(5, rows.AsInteger());
}

TEST_F(FakeOdbc, BlobInputGoesOnePutDataPerPiece) {
    Connect();
    Command("INSERT INTO t VALUES (:a, :b)");
    auto& full = Param(0, tcBlob, pdInput);
    auto& empty = Param(1, tcBlob, pdInput);
    TBlob* blob = new TBlob(false);
    std::string pieces[] = {std::string(1000, 'x'), std::string(2000, 'y'), std::string(10, 'z')};
    for (const std::string& text : pieces) {
        PPieceHeader piece = nullptr;
        blob->AllocPiece(piece, static_cast<int>(text.size()));
        std::memcpy(PieceData(piece), text.data(), text.size());
        piece->UsedBytes = static_cast<int>(text.size());
        blob->AppendPiece(piece);
    }
    full.SetValuePtr(blob);
    TBlob* none = new TBlob(false);
    empty.SetValuePtr(none);
    command->Execute();
    auto puts = CallsOf("SQLPutData");
    ASSERT_EQ(3u, puts.size());
    for (size_t i = 0; i < 3; ++i) {
        unsigned sum = 0;
        for (char ch : pieces[i])
            sum += static_cast<unsigned char>(ch);
        EXPECT_EQ("SQLPutData " + std::to_string(pieces[i].size()) + " " + std::to_string(sum), puts[i]);
    }
    auto binds = CallsOf("SQLBindParameter");
    ASSERT_EQ(2u, binds.size());
    EXPECT_NE(std::string::npos, binds[0].find("ind=" + std::to_string(SQL_LEN_DATA_AT_EXEC(3010))));
    EXPECT_NE(std::string::npos, binds[1].find("ind=" + std::to_string(SQL_NULL_DATA)));
    // The pieces were not joined.
    EXPECT_NE(blob->GetFirstPiece()->NextPiece, nullptr);
    blob->Release();
    none->Release();
}

TEST_F(FakeOdbc, DecimalParametersTravelAsTextWithAPoint) {
    Connect();
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = '.';
    TFormatSettingsPin pin(fs);
    Command("INSERT INTO t VALUES (:a, :b)");
    Param(0, tcBCD, pdInput).SetValue(Currency::FromDouble(98765.4321));
    Param(1, tcFMTBCD, pdInput).SetValue(TBcd::FromString("123.45"));
    command->Execute();
    auto binds = CallsOf("SQLBindParameter");
    ASSERT_EQ(2u, binds.size());
    EXPECT_NE(std::string::npos, binds[0].find("sql=2 size=18 digits=4")) << binds[0];
    EXPECT_NE(std::string::npos, binds[0].find("value=98765.4321")) << binds[0];
    EXPECT_NE(std::string::npos, binds[1].find("sql=2 size=5 digits=2")) << binds[1];
    EXPECT_NE(std::string::npos, binds[1].find("value=123.45")) << binds[1];
}

TEST_F(FakeOdbc, UnchangedParametersAreNotBoundAgain) {
    Connect();
    Command("INSERT INTO t VALUES (:a, :b)");
    command->Prepare();
    Param(0, tcInt32, pdInput).SetValue(1);
    Param(1, tcString, pdInput, 20).SetValue(AnsiString("one"));
    command->Execute();
    command->GetParam(0)->SetValue(2);
    command->GetParam(1)->SetValue(AnsiString("two"));
    command->Execute();
    EXPECT_EQ(2, CountCalls("SQLBindParameter"));
    EXPECT_EQ(2, CountCalls("SQLExecute"));
    // No result set, no cursor to close.
    EXPECT_EQ(0, CountCalls("SQLCloseCursor"));
    // A new size means a new buffer: that parameter is bound again.
    command->GetParam(1)->SetSize(30);
    command->Execute();
    EXPECT_EQ(3, CountCalls("SQLBindParameter"));
}

TEST_F(FakeOdbc, OutputValuesAreReadWithinTheirBuffer) {
    Connect();
    struct Case {
        const char* name;
        uint16_t type;
        int size;
        long indicator;
        std::string written;
        Variant expected;
    } cases[] = {
        {"text within", tcString, 10, 5, "hello", AnsiString("hello")},
        {"text over-long", tcString, 10, 50, std::string(50, 'a'), AnsiString(10, 'a')},
        {"text no total", tcString, 10, SQL_NO_TOTAL, std::string(50, 'b'), AnsiString(10, 'b')},
        {"wide over-long", tcWideString, 4, 100, std::string(50, 'w'), WideString(4, L'w')},
        {"wide no total", tcWideString, 4, SQL_NO_TOTAL, std::string(50, 'v'), WideString(4, L'v')},
        {"bytes over-long", tcVarBytes, 6, 64, std::string(64, 'q'), TBytes(7, 'q')},
        {"bytes no total", tcVarBytes, 6, SQL_NO_TOTAL, std::string(64, 'r'), TBytes(7, 'r')},
        {"null", tcString, 10, SQL_NULL_DATA, "", Null()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script("reset");
        Command("{call p(:a)}");
        Param(0, c.type, pdOutput, c.size);
        Script("out 1 " + std::to_string(c.indicator) + " " + c.written);
        command->Execute();
        Variant value = command->GetParam(0)->GetValue();
        if (c.expected.IsNull())
            EXPECT_TRUE(value.IsNull());
        else if (c.type == tcVarBytes)
            EXPECT_EQ(c.expected.AsBytes(), value.AsBytes());
        else if (c.type == tcWideString)
            EXPECT_EQ(c.expected.AsWideString(), value.AsWideString());
        else
            EXPECT_EQ(c.expected.AsAnsiString(), value.AsAnsiString());
    }
}

TEST_F(FakeOdbc, OutputBlobPieceLengthStaysWithinThePiece) {
    Connect();
    for (long indicator : {50000L, static_cast<long>(SQL_NO_TOTAL), 12L}) {
        SCOPED_TRACE(indicator);
        Script("reset");
        Command("{call p(:a)}");
        auto& param = Param(0, tcBlob, pdInputOutput, 100);
        TBlob* blob = new TBlob(false);
        blob->SetAsString("seed");
        param.SetValuePtr(blob);
        Script("out 1 " + std::to_string(indicator) + " " + std::string(200, 'k'));
        command->Execute();
        PPieceHeader piece = blob->GetFirstPiece();
        ASSERT_NE(nullptr, piece);
        EXPECT_EQ(indicator == 12 ? 12 : piece->Capacity, piece->UsedBytes);
        EXPECT_LE(piece->UsedBytes, piece->Capacity);
        blob->Release();
    }
}

TEST_F(FakeOdbc, OutputDateLeftAsZerosReadsAsFirstJanuary100) {
    Connect();
    Command("{call p(:a, :b)}");
    Param(0, tcDate, pdOutput);
    Param(1, tcDateTime, pdOutput);
    Script("out 1 0 ");
    Script("out 2 0 ");
    command->Execute();
    EXPECT_DOUBLE_EQ(-657434.0, command->GetParam(0)->GetValue().AsDouble());
    EXPECT_DOUBLE_EQ(-657434.0, command->GetParam(1)->GetValue().AsDouble());
}

} // namespace

namespace {

TEST_F(FakeOdbc, LineEndsAreConvertedBothWaysWhenAsked) {
    Connect();
    Command("{call p(:a, :b)}");
    auto& in = Param(0, tcString, pdInput, 20);
    in.SetConvertEOL(true);
    in.SetValue(AnsiString("a\r\nb\r\n"));
    auto& out = Param(1, tcString, pdOutput, 20);
    out.SetConvertEOL(true);
    Script("out 2 3 x\\ny");
    command->Execute();
    auto binds = CallsOf("SQLBindParameter");
    ASSERT_EQ(2u, binds.size());
    // Two line feeds: the log line ends at the first.
    EXPECT_NE(std::string::npos, binds[0].find("ind=4 value=a")) << binds[0];
    EXPECT_EQ("x\r\ny", out.GetValue().AsAnsiString());
}

TEST_F(FakeOdbc, TransactionMisuseIsRefusedBeforeAnyDriverCall) {
    TODBCTransaction lonely;
    EXPECT_EQ("There are no connections in the transaction", MessageOf([&] { lonely.StartTransaction(); }));
    TODBCTransaction idle;
    idle.AddConnection(connection.get());
    EXPECT_EQ("One of the connections in the transaction is not active",
              MessageOf([&] { idle.StartTransaction(); }));
    EXPECT_EQ("Can't perform operation on inactive transaction", MessageOf([&] { idle.Commit(); }));
    EXPECT_EQ("Can't perform operation on inactive transaction",
              MessageOf([&] { idle.RollbackToSavepoint("s"); }));
    EXPECT_TRUE(Log().empty()) << Script("log");
}

TEST_F(FakeOdbc, AfterExecuteReportsSuccessAndFailureAndAnAdHocStatementIsFreed) {
    Connect();
    Command("UPDATE t SET a = 1");
    std::vector<bool> reports;
    command->OnAfterExecute = [&](bool result) { reports.push_back(result); };
    command->Execute();
    Script("ret SQLExecute -1");
    EXPECT_THROW(command->Execute(), EODBCError);
    EXPECT_EQ((std::vector<bool>{true, false}), reports);
    // Prepared and freed around each execution.
    EXPECT_EQ(2, CountCalls("SQLPrepare"));
    EXPECT_EQ(2, CountCalls("SQLFreeHandle 3"));
    EXPECT_FALSE(command->GetPrepared());
}

TEST_F(FakeOdbc, ServerAndDriverVersionsComeFromGetInfo) {
    Connect();
    EXPECT_EQ("01.00.0000", connection->GetServerVersion());
    EXPECT_EQ("FakeDB 01.00.0000", connection->GetServerVersionFull());
    EXPECT_EQ("02.00.0000", connection->GetClientVersion());
}

// ---------------------------------------------------------------------------------------------
// Record sets and metadata over scripted results

class FakeResults : public FakeOdbc {
protected:
    // id INTEGER, x DOUBLE, name VARCHAR(10): n rows.
    void ScriptRows(int n) {
        Script("col id 4 10");
        Script("col x 8 15");
        Script("col name 12 10");
        for (int i = 1; i <= n; ++i)
            Script("row " + std::to_string(i) + "|" + std::to_string(i) + ".5|n" + std::to_string(i));
    }
    std::unique_ptr<TODBCRecordSet> Open(const char* sql, bool fetchAll) {
        auto rs = std::make_unique<TODBCRecordSet>();
        rs->SetConnection(connection.get());
        rs->SetSQL(sql);
        rs->SetProp(prFetchAll, fetchAll);
        rs->Open();
        return rs;
    }
    static std::vector<std::string> Values(TODBCRecordSet& rs, int field) {
        std::vector<std::string> values;
        void* buffer = nullptr;
        rs.AllocRecBuf(buffer);
        rs.SetToBegin();
        for (rs.GetNextRecord(buffer); !rs.IsEOF(); rs.GetNextRecord(buffer)) {
            if (rs.FieldDescOf(field)->TypeCode == tcBlob) {
                TBlob* blob = rs.GetNull(field, buffer) ? nullptr : rs.GetFieldBlob(field, buffer);
                std::string bytes(blob ? static_cast<size_t>(blob->GetSize()) : 0, '\0');
                if (blob) blob->Read(0, blob->GetSize(), bytes.data());
                values.push_back(blob ? bytes : "~");
                continue;
            }
            Variant v;
            rs.GetFieldAsVariant(field, buffer, v);
            if (v.IsNull())
                values.push_back("~");
            else if (v.IsByteArray())
                values.push_back(std::string(v.Bytes().begin(), v.Bytes().end()));
            else
                values.push_back(v.AsAnsiString().c_str());
        }
        rs.FreeRecBuf(buffer);
        return values;
    }
};

TEST_F(FakeResults, ArrayFetchTakesOneFetchPerBlockAnOdbc2DriverOnePerRow) {
    for (bool odbc2 : {false, true}) {
        SCOPED_TRACE(odbc2 ? "ODBC 2" : "ODBC 3");
        Script("reset");
        if (odbc2) Script("info 77 02.50");
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer("DRIVER={Fake};DATABASE=x");
        Connect();
        ScriptRows(60);
        auto rs = Open("SELECT id, x, name FROM t", true);
        EXPECT_EQ(odbc2 ? 61 : 3, CountCalls("SQLFetch"));
        auto ids = Values(*rs, 1);
        ASSERT_EQ(60u, ids.size());
        EXPECT_EQ("60", ids[59]);
        EXPECT_EQ("n37", Values(*rs, 3)[36]);
        EXPECT_EQ("12.5", Values(*rs, 2)[11]);
    }
}

TEST_F(FakeResults, AFailingBlockRaisesItsDiagnosticAndLeavesTheRowsBeforeIt) {
    Connect();
    ScriptRows(100);
    Script("failfetch 3");
    Script("diag handle 08S01 77 communication link failure");
    auto rs = Open("SELECT id, x, name FROM t", false);
    EXPECT_TRUE(rs->Fetch(false));
    std::string message;
    try {
        rs->Fetch(false);
    } catch (const EODBCError& e) {
        message = e.Message();
        EXPECT_EQ("08S01", std::string(e.State.c_str()));
    }
    EXPECT_EQ("communication link failure", message);
    EXPECT_EQ(50, rs->GetRecordCount());
    int fetches = CountCalls("SQLFetch");
    auto ids = Values(*rs, 1);
    ASSERT_EQ(50u, ids.size());
    EXPECT_EQ("50", ids.back());
    EXPECT_EQ(fetches, CountCalls("SQLFetch")); // nothing more is fetched after the failure
    EXPECT_EQ(2, static_cast<int>(rs->BlockManager().NewestBlock->OlderBlock() != nullptr) + 1);
}

TEST_F(FakeResults, IndicatorsAboveTheSlotAndNoTotalTakeOnlyWhatTheSlotHolds) {
    const std::string longText(60, 'L');
    struct Case {
        const char* name;
        int sqlType;
        int size;
        long ind; // forced indicator of column 2
        bool flat;
        std::string expected;
    };
    const Case cases[] = {
        {"text in the record, no total", 12, 10, SQL_NO_TOTAL, true, std::string(10, 'L')},
        {"heap text, no total", 12, 40, SQL_NO_TOTAL, false, std::string(40, 'L')},
        {"heap text, indicator above", 12, 40, 500, false, std::string(40, 'L')},
        {"memo with a length, no total", 12, 300, SQL_NO_TOTAL, true, std::string(60, 'L')},
        {"bytes, no total", -3, 10, SQL_NO_TOTAL, true, std::string(10, 'L')},
        {"heap bytes, indicator above", -3, 40, 1000, false, std::string(40, 'L')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script("reset");
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer("DRIVER={Fake};DATABASE=x");
        Connect();
        Script("col a 4 10");
        Script("col v " + std::to_string(c.sqlType) + " " + std::to_string(c.size));
        Script("col b 12 5");
        Script("row 1|" + longText + "|b1");
        Script("row 2|" + longText + "|b2");
        Script("ind 2 " + std::to_string(c.ind));
        auto rs = std::make_unique<TODBCRecordSet>();
        rs->SetConnection(connection.get());
        rs->SetSQL("SELECT a, v, b FROM t");
        rs->SetProp(prFlatBuffers, c.flat);
        rs->SetProp(prLongStrings, false);
        rs->Open();
        auto values = Values(*rs, 2);
        ASSERT_EQ(2u, values.size());
        // A memo slot of 300 holds the 60 characters the driver wrote: without a total the text
        // ends at the driver's terminator, not at the end of the slot.
        EXPECT_EQ(c.expected, values[0]);
        EXPECT_EQ((std::vector<std::string>{"b1", "b2"}), Values(*rs, 3));
        EXPECT_EQ((std::vector<std::string>{"1", "2"}), Values(*rs, 1));
    }
}

// A memo bound in line up to its length: a longer value is asked for again whole; a driver that
// then hands over less than its indicator promised is an error, not a shorter value.
TEST_F(FakeResults, ALongValueBeyondItsBoundPartIsReadAgainWhole) {
    const std::string longText = std::string(300, 'L') + std::string(100, 'M');
    struct Case {
        const char* name;
        long ind; // forced indicator of column 2, 0 for the real length
        std::string error;
    };
    const Case cases[] = {
        {"the driver's length", 0, "<no error>"},
        {"an indicator above the value", 500, "String data, right truncated: field v read 400 of 500 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script("reset");
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer("DRIVER={Fake};DATABASE=x");
        Connect();
        Script("col a 4 10");
        Script("col v 12 300");
        Script("row 1|" + longText);
        Script("row 2|short");
        if (c.ind) Script("ind 2 " + std::to_string(c.ind));
        auto rs = std::make_unique<TODBCRecordSet>();
        rs->SetConnection(connection.get());
        rs->SetSQL("SELECT a, v FROM t");
        rs->SetProp(prLongStrings, false);
        EXPECT_EQ(c.error, MessageOf([&] { rs->Open(); }));
        if (c.ind) continue;
        ASSERT_EQ(tcMemo, rs->FieldDescOf(2)->TypeCode);
        EXPECT_EQ(300, rs->FieldDescOf(2)->DeclaredLength);
        EXPECT_EQ((std::vector<std::string>{longText, "short"}), Values(*rs, 2));
        EXPECT_EQ(1, CountCalls("SQLGetData")); // only for the value that did not fit
    }
}

TEST_F(FakeResults, CatalogFunctionsTheDriverLacksGiveTheEmptyLayoutALostConnectionRaises) {
    Connect();
    Script("ret SQLTables -1");
    Script("diag handle IM001 0 Driver does not support this function");
    TODBCMetaData meta;
    TStringList restrictions;
    TData* tables = meta.GetMetaData(connection.get(), nullptr, "tables", restrictions);
    EXPECT_EQ(4, tables->GetFieldDescCount());
    EXPECT_EQ(0, tables->GetRecordCount());

    Script("ret SQLTables -1");
    Script("diag handle HY000 0 server closed the connection unexpectedly");
    Script("dead 1");
    EXPECT_THROW(meta.GetMetaData(connection.get(), nullptr, "tables", restrictions), EODBCError);
    Script("dead 0");
    Script("ret SQLTables -1");
    Script("diag handle HYT00 0 timeout expired");
    EXPECT_THROW(meta.GetMetaData(connection.get(), nullptr, "tables", restrictions), EODBCError);
}

TEST_F(FakeResults, AnOdbc2ColumnsResultNumbersThePositionsAndHasNoDefaults) {
    Connect();
    const char* names[] = {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME",
                           "DATA_TYPE",       "TYPE_NAME",   "PRECISION",  "LENGTH",
                           "SCALE",           "RADIX",       "NULLABLE",   "REMARKS"};
    const int types[] = {12, 12, 12, 12, 5, 12, 4, 4, 5, 5, 5, 12};
    for (int i = 0; i < 12; ++i)
        Script(std::string("col ") + names[i] + " " + std::to_string(types[i]) + " 128");
    Script("row ~|~|t|a|4|INTEGER|10|4|0|10|0|~");
    Script("row ~|~|t|b|12|VARCHAR|30|30|~|~|1|~");
    Script("row ~|~|t|c|8|DOUBLE|15|8|~|~|1|~");
    TODBCMetaData meta;
    TStringList restrictions;
    restrictions.Add("TABLE_NAME=t");
    TData* columns = meta.GetMetaData(connection.get(), nullptr, "columns", restrictions);
    auto column = [&](const char* name) {
        std::vector<std::string> values;
        int field = columns->FieldDescByName(name)->Position;
        void* buffer = nullptr;
        columns->AllocRecBuf(buffer);
        columns->SetToBegin();
        for (columns->GetNextRecord(buffer); !columns->IsEOF(); columns->GetNextRecord(buffer)) {
            Variant v;
            columns->GetFieldAsVariant(field, buffer, v);
            values.push_back(v.IsNull() ? "~" : v.AsAnsiString().c_str());
        }
        columns->FreeRecBuf(buffer);
        return values;
    };
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), column("COLUMN_NAME"));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3"}), column("POSITION"));
    EXPECT_EQ((std::vector<std::string>{"~", "~", "~"}), column("DEFAULT_VALUE"));
    EXPECT_EQ((std::vector<std::string>{"INTEGER", "VARCHAR", "DOUBLE"}), column("DATA_TYPE"));
    EXPECT_EQ((std::vector<std::string>{"10", "30", "15"}), column("DATA_LENGTH"));
    EXPECT_EQ((std::vector<std::string>{"0", "1", "1"}), column("NULLABLE"));
}

} // namespace

namespace {

TEST_F(FakeResults, LongValuesWithoutATotalAreReadPieceByPiece) {
    Connect();
    const int piece = DefaultPieceSize;
    Script("col id 4 10");
    Script("col memo -1 0");
    Script("col blob -4 2147483647"); // longer than a descriptor length holds: read piecewise
    auto make = [](size_t n, int seed) {
        std::string v;
        for (size_t i = 0; i < n; ++i)
            v += static_cast<char>('a' + (i * 7 + seed) % 26);
        return v;
    };
    // The memo's pieces hold piece - 1 characters (its terminator); the blob's a whole piece.
    const size_t lengths[] = {1, static_cast<size_t>(piece) - 1, static_cast<size_t>(piece), 3u * piece + 5};
    for (size_t i = 0; i < std::size(lengths); ++i)
        Script("row " + std::to_string(i) + "|" + make(lengths[i], 1) + "|" + make(lengths[i], 2));
    Script("ind 2 " + std::to_string(SQL_NO_TOTAL));
    Script("ind 3 " + std::to_string(SQL_NO_TOTAL));
    auto rs = Open("SELECT id, memo, blob FROM t", true);
    ASSERT_EQ(tcMemo, rs->FieldDescOf(2)->TypeCode);
    ASSERT_EQ(tcBlob, rs->FieldDescOf(3)->TypeCode);
    auto memos = Values(*rs, 2);
    auto blobs = Values(*rs, 3);
    ASSERT_EQ(std::size(lengths), memos.size());
    for (size_t i = 0; i < std::size(lengths); ++i) {
        SCOPED_TRACE(lengths[i]);
        EXPECT_EQ(make(lengths[i], 1), memos[i]);
        EXPECT_EQ(make(lengths[i], 2), blobs[i]);
    }
}

// Values as a driver leaves them in the bind buffer, converted into the record's forms.
TEST(ODBCConversions, FetchedValuesBecomeTheRecordsForms) {
    TODBCRecordSet rs;
    PPieceHeader piece = nullptr;
    auto convert = [&](TDataTypeCode type, const void* source, SQLLEN indicator, void* dest, int length = 0) {
        TFieldDesc field;
        field.TypeCode = type;
        field.DeclaredLength = static_cast<uint16_t>(length);
        return rs.ConvertFetchedValue(&field, const_cast<void*>(source), piece, indicator, dest);
    };
    auto asDouble = [](const uint8_t* d) {
        double v;
        std::memcpy(&v, d, 8);
        return v;
    };
    uint8_t dest[64];

    SQL_DATE_STRUCT date{2024, 2, 29};
    ASSERT_TRUE(convert(tcDate, &date, 6, dest));
    EXPECT_DOUBLE_EQ(EncodeDate(2024, 2, 29), asDouble(dest));
    SQL_DATE_STRUCT zeroDate{0, 0, 0};
    ASSERT_TRUE(convert(tcDate, &zeroDate, 6, dest));
    EXPECT_DOUBLE_EQ(-657434.0, asDouble(dest)); // 1 January 100
    SQL_TIME_STRUCT time{13, 45, 59};
    ASSERT_TRUE(convert(tcTime, &time, 6, dest));
    EXPECT_DOUBLE_EQ(EncodeTime(13, 45, 59, 0), asDouble(dest));
    SQL_TIME_STRUCT badTime{25, 0, 0};
    ASSERT_TRUE(convert(tcTime, &badTime, 6, dest));
    EXPECT_DOUBLE_EQ(0.0, asDouble(dest));
    SQL_TIMESTAMP_STRUCT stamp{2024, 2, 29, 13, 45, 59, 123456789};
    ASSERT_TRUE(convert(tcDateTime, &stamp, 16, dest));
    EXPECT_NEAR(EncodeDateTime(2024, 2, 29, 13, 45, 59, 123), asDouble(dest), 1e-9);

    struct DecimalCase {
        const char* text;
        bool notNull;
        int64_t bcd; // ten-thousandths
        const char* fmtBcd;
    };
    const DecimalCase decimals[] = {
        {"12.50", true, 125000, "12.5"},
        {"12,50", true, 125000, "12.5"}, // a driver that writes the
                                         // locale's separator
        {"-0.0001", true, -1, "-0.0001"},
        {"abc", true, 0, "0"},
        {"", false, 0, nullptr},
    };
    for (const DecimalCase& c : decimals) {
        SCOPED_TRACE(c.text);
        char source[256] = {};
        std::strcpy(source, c.text);
        EXPECT_EQ(c.notNull, convert(tcBCD, source, 0, dest));
        if (c.notNull) {
            int64_t v;
            std::memcpy(&v, dest, 8);
            EXPECT_EQ(c.bcd, v);
        }
        TBcdRecord record;
        EXPECT_EQ(c.notNull, convert(tcFMTBCD, source, 0, &record));
        if (c.notNull) {
            EXPECT_EQ(c.fmtBcd, std::string(RecordToBcd(record).Text().c_str()));
        }
    }

    char guid[39] = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
    ASSERT_TRUE(convert(tcGuid, guid, 36, dest));
    EXPECT_EQ("{6F9619FF-8B86-D011-B42D-00C04FC964FF}", std::string(reinterpret_cast<char*>(dest)));
    char braced[39] = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}";
    ASSERT_TRUE(convert(tcGuid, braced, 38, dest));
    EXPECT_EQ(braced, std::string(reinterpret_cast<char*>(dest)));
    std::free(piece);
}

} // namespace
