// The connection component over the in-test provider: use counting, the disconnect notifications,
// the lost-connection cause and the error handler's choices.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestProvider.h"
#include "data/access/DAConnection.h"
#include "data/access/DASQL.h"
#include "data/access/DATransaction.h"
#include "data/access/DBAccessUtils.h"
#include "data/access/DASQLMonitor.h"
#include "data/memory/FieldDescs.h"

namespace {

// A provider whose transactions can be started again on a new session after a lost one.
class TRestorableTransaction : public TTestTransaction {
public:
    VZ_CLASS(TRestorableTransaction, TTestTransaction)
    bool CanRestoreAfterFailover() override { return true; }
};

class TRestorableConnection : public TTestConnection {
public:
    VZ_CLASS(TRestorableConnection, TTestConnection)
    TClass GetTransactionClass() override { return TRestorableTransaction::StaticClass(); }
};

// A command whose prepare has the server describe the parameters: an integer input and a text
// output of 20 characters.
class TDescribingCommand : public TTestCommand {
public:
    VZ_CLASS(TDescribingCommand, TTestCommand)
    void Prepare() override {
        TTestCommand::Prepare();
        params_.Clear();
        TParamDesc* id = AddParam();
        id->SetName("id");
        id->SetDataType(tcInt32);
        id->SetParamType(pdInput);
        TParamDesc* note = AddParam();
        note->SetName("note");
        note->SetDataType(tcString);
        note->SetParamType(pdOutput);
        note->SetSize(20);
    }
    bool GetProp(int prop, Variant& value) override {
        if (prop != prParamsDescribed) return TTestCommand::GetProp(prop, value);
        value = true;
        return true;
    }
};

// The unified connection is not there yet: its class factories name the in-test provider.
class TTestDAConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TTestDAConnection, TCustomDAConnection)
    TTestDAConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }
    TTestConnection* Internal() const { return static_cast<TTestConnection*>(InternalConnection()); }
    std::deque<bool> connectScript; // handed to each new internal connection
    bool restorable = false;        // transactions that survive a reconnect
    TClass commandClass = TTestCommand::StaticClass();
    // A login prompt when set: its answer, and whether it connects.
    int dialogRuns = 0;
    bool dialogAvailable = false, dialogConnects = false;

protected:
    TClass GetInternalConnectionClass() override { return TTestConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return commandClass; }
    void CreateInternalConnection() override {
        if (InternalConnection()) return;
        std::unique_ptr<TTestConnection> connection;
        if (restorable)
            connection = std::make_unique<TRestorableConnection>();
        else
            connection = std::make_unique<TTestConnection>();
        connection->connectScript = connectScript;
        SetInternalConnection(std::move(connection));
    }
    bool HasConnectDialogClass() override { return dialogAvailable; }
    bool ExecuteConnectDialog() override {
        // As the dialog does: it connects with the login data it collected, without a prompt.
        ++dialogRuns;
        if (!dialogConnects) return false;
        LoginPrompt = false;
        Connect();
        LoginPrompt = true;
        return true;
    }
};

class EFatalTest : public EDAError {
public:
    EFatalTest(bool fatal) : EDAError("link lost"), fatal_(fatal) {}
    bool IsFatalError() const override { return fatal_; }

private:
    bool fatal_;
};

} // namespace

TEST(DAConnection, UseCountingTable) {
    struct Case {
        const char* steps; // c connect, d disconnect, a acquire, r release, m disconnected mode on
        int count;
        bool connected;
    };
    const Case cases[] = {
        {"c", 1, true},
        {"cc", 1, true},
        {"caa", 3, true},
        {"caaad", 0, false},
        {"aar", 1, true},
        {"aarr", 0, true},
        {"maarr", 0, false},
        {"mcar", 1, true},
        {"marrr", 0, false},
        {"mar"
         "a",
         1, true},
        {"d", 0, false},
    };
    for (const Case& c : cases) {
        TTestDAConnection connection;
        for (const char* s = c.steps; *s; ++s) {
            switch (*s) {
            case 'c':
                connection.Connect();
                break;
            case 'd':
                connection.Disconnect();
                break;
            case 'a':
                connection.AcquireUse();
                break;
            case 'r':
                connection.ReleaseUse();
                break;
            case 'm':
                connection.Options()->SetDisconnectedMode(true);
                break;
            }
        }
        EXPECT_EQ(connection.ConnectCount(), c.count) << c.steps;
        EXPECT_EQ(connection.Connected(), c.connected) << c.steps;
    }
}

TEST(DAConnection, FailedConnectGivesTheUseBack) {
    TTestDAConnection connection;
    connection.connectScript = {false};
    EXPECT_THROW(connection.AcquireUse(), Exception);
    EXPECT_EQ(connection.ConnectCount(), 0);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(connection.PromptAllowed());
    connection.AcquireUse();
    connection.connectScript = {};
    EXPECT_EQ(connection.ConnectCount(), 1);
    EXPECT_FALSE(connection.PromptAllowed());
}

TEST(DAConnection, SettersDisconnectOnlyOnChangeAndReachTheInternalConnection) {
    TTestDAConnection connection;
    connection.SetPassword("p");
    connection.Connect();
    connection.SetPassword("p");
    EXPECT_TRUE(connection.Connected());
    connection.SetAutoCommit(false);
    EXPECT_FALSE(connection.InternalConnection()->AutoCommit());
    connection.Options()->SetDisconnectedMode(false);
    EXPECT_TRUE(connection.Connected()) << "the same value";
    connection.SetPassword("q");
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.Internal()->Password(), "p");
    connection.Connect();
    EXPECT_EQ(connection.Internal()->Password(), "q");
    connection.Options()->SetDisconnectedMode(true);
    EXPECT_FALSE(connection.Connected());

    TDAConnectionOptions copy(nullptr);
    connection.Options()->SetDefaultSortType(stBinary);
    connection.Options()->LocalFailover = true;
    copy.Assign(connection.Options());
    EXPECT_TRUE(copy.DisconnectedMode());
    EXPECT_TRUE(copy.LocalFailover);
    EXPECT_EQ(copy.DefaultSortType(), stCaseSensitive);
    EXPECT_THROW(copy.Assign(connection.PoolingOptions()), Exception);
}

TEST(DAConnection, ClientFailingFatallyOnEveryNoticeStillLetsDisconnectEnd) {
    TTestDAConnection connection;
    TObject client;
    int told = 0;
    connection.RegisterClient(&client, [&](TObject*, bool connecting) {
        if (connecting) return;
        ++told;
        throw EFatalTest(true);
    });
    connection.Connect();
    int afterDisconnect = 0;
    connection.AfterDisconnect = [&](TObject*) { ++afterDisconnect; };
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(afterDisconnect, 1);
    EXPECT_LE(told, 2);

    // Any other error stops the disconnect and reaches the caller.
    TObject other;
    connection.Connect();
    connection.RegisterClient(&other, [](TObject*, bool connecting) {
        if (!connecting) throw EFatalTest(false);
    });
    EXPECT_THROW(connection.Disconnect(), EDAError);
    connection.UnRegisterClient(&other);
    connection.UnRegisterClient(&client);
}

TEST(DAConnection, ConnLostCauseTable) {
    struct Entry {
        TConnLostCause cause;
        bool allow;
    };
    struct Case {
        std::vector<Entry> stack;
        bool localFailover;
        bool inTransaction;
        TConnLostCause expected;
    };
    const Case cases[] = {
        {{}, true, false, clUnknown},
        {{{clOpen, true}}, true, false, clOpen},
        {{{clOpen, true}}, false, false, clUnknown},
        {{{clExecute, true}, {clApply, true}}, true, false, clApply},
        {{{clApply, false}, {clExecute, true}}, true, false, clUnknown},
        {{{clOpen, true}}, true, true, clUnknown},
        {{{clApply, true}}, true, true, clApply},
        {{{clConnect, true}, {clOpen, true}}, true, false, clUnknown}, // prompt allowed after a close
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        TTestDAConnection connection;
        connection.Options()->LocalFailover = c.localFailover;
        connection.Connect();
        if (c.inTransaction) connection.StartTransaction();
        for (const Entry& e : c.stack)
            connection.PushOperation(e.cause, e.allow);
        EXPECT_EQ(connection.DetectConnLostCause(nullptr), c.expected) << "case " << i;
    }
}

TEST(DAConnection, DoErrorTable) {
    struct Case {
        const char* name;
        bool fatal, localFailover;
        TConnLostCause pushed; // clUnknown: nothing pushed
        int answer;            // -1 no handler, else the retry mode the handler sets
        int attempt;
        bool fail, reconnect, reexecute, connectedAfter;
        int onError, onLost;
    };
    const Case cases[] = {
        {"not fatal", false, true, clOpen, 2, 0, true, false, false, true, 1, 0},
        {"fatal, no failover: reconnect, raise", true, false, clUnknown, -1, 0, true, true, false, true, 1,
         0},
        {"fatal, failover, nothing pushed", true, true, clUnknown, -1, 0, true, false, false, false, 1, 1},
        {"fatal, failover, execute raises by default", true, true, clExecute, -1, 0, true, false, false,
         false, 1, 1},
        {"fatal, failover, execute re-run when asked", true, true, clExecute, 2, 0, false, true, true, true,
         0, 1},
        {"fatal, failover, open re-run by default", true, true, clOpen, -1, 0, false, true, true, true, 0, 1},
        {"fatal, failover, reconnect only", true, true, clOpen, 1, 0, true, true, false, true, 1, 1},
        {"third failed reconnect asks again", true, true, clOpen, -1, 2, false, true, true, true, 0, 1},
        {"fourth is refused", true, true, clOpen, -1, 3, true, false, false, true, 1, 0},
    };
    for (const Case& c : cases) {
        TTestDAConnection connection;
        connection.Options()->LocalFailover = c.localFailover;
        int onError = 0, onLost = 0;
        connection.OnError = [&](TObject*, EDAError&, bool&) { ++onError; };
        connection.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode& mode) {
            ++onLost;
            if (c.answer >= 0) mode = static_cast<TRetryMode>(c.answer);
        };
        connection.Connect();
        if (c.pushed != clUnknown) connection.PushOperation(c.pushed, true);
        EFatalTest error(c.fatal);
        bool fail = true, reconnect = c.attempt > 0, reexecute = false;
        TConnLostCause cause = clUnknown;
        connection.DoError(error, fail, reconnect, reexecute, c.attempt, cause);
        EXPECT_EQ(fail, c.fail) << c.name;
        EXPECT_EQ(reconnect, c.reconnect) << c.name;
        EXPECT_EQ(reexecute, c.reexecute) << c.name;
        EXPECT_EQ(connection.Connected(), c.connectedAfter) << c.name;
        EXPECT_EQ(onError, c.onError) << c.name;
        EXPECT_EQ(onLost, c.onLost) << c.name;
    }
}

// The internal connection's reconnect loop with the component's handler: a server that stays away
// ends in the original error, an operation that keeps losing its session stops being re-run.
TEST(DAConnection, FailoverIsBounded) {
    {
        TTestDAConnection connection;
        connection.Options()->LocalFailover = true;
        connection.Connect();
        connection.Internal()->connectScript = std::deque<bool>(100, false);
        int lost = 0;
        connection.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode&) { ++lost; };
        connection.PushOperation(clOpen, true);
        EFatalTest error(true);
        bool fail = true;
        connection.Internal()->ProcessError(error, fail);
        EXPECT_TRUE(fail);
        EXPECT_FALSE(connection.Connected());
        EXPECT_EQ(lost, TCustomDAConnection::MaxFailoverAttempts);
        EXPECT_EQ(100 - static_cast<int>(connection.Internal()->connectScript.size()),
                  TCustomDAConnection::MaxFailoverAttempts);
    }
    {
        TTestDAConnection connection;
        connection.Options()->LocalFailover = true;
        connection.Connect();
        connection.PushOperation(clOpen, true);
        int reruns = 0;
        for (int pass = 0; pass < 10; ++pass) {
            EFatalTest error(true);
            bool fail = true;
            try {
                connection.Internal()->ProcessError(error, fail);
                break;
            } catch (const EFailOver&) {
                ++reruns;
            }
        }
        EXPECT_EQ(reruns, TCustomDAConnection::MaxFailoverAttempts);
        EXPECT_FALSE(connection.Connected());
    }
}

TEST(DAConnection, StoredConnectedOpensAfterLoadingAndCountsOnce) {
    TTestDAConnection connection;
    connection.BeginLoading();
    connection.Connect();
    EXPECT_FALSE(connection.Connected());
    connection.Loaded();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 1) << "the stored value counts once, not again when it opens";

    TTestDAConnection failing;
    failing.connectScript = {false};
    failing.BeginLoading();
    failing.Connect();
    EXPECT_THROW(failing.Loaded(), Exception);
    EXPECT_FALSE(failing.Connected());
    failing.Connect();
    EXPECT_TRUE(failing.Connected()) << "the stored value is gone after the failure";
}

TEST(DAConnection, LoginPromptThroughTheConnectDialog) {
    TTestDAConnection connection;
    connection.dialogAvailable = true;
    connection.LoginPrompt = true;
    EXPECT_THROW(connection.Connect(), EAbort) << "a cancelled prompt aborts silently";
    EXPECT_EQ(connection.ConnectCount(), 0);
    connection.dialogConnects = true;
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 1);
    // A use after the last one closed the connection may prompt; one while open may not.
    connection.Disconnect();
    connection.AcquireUse();
    EXPECT_EQ(connection.dialogRuns, 3);
    connection.ReleaseUse();
    EXPECT_FALSE(connection.PromptAllowed());
    connection.AcquireUse();
    EXPECT_EQ(connection.dialogRuns, 3);
    // In disconnected mode the last release closes; the next use may prompt again.
    connection.Options()->SetDisconnectedMode(true);
    EXPECT_TRUE(connection.PromptAllowed());
}

TEST(DAConnection, AssignCopiesLoginOptionsAndEvents) {
    TTestDAConnection a, b;
    a.SetUsername("u");
    a.SetPassword("p");
    a.SetServer("s");
    a.SetAutoCommit(false);
    a.Options()->LocalFailover = true;
    a.PoolingOptions()->MaxPoolSize = 7;
    int connected = 0;
    a.AfterConnect = [&](TObject*) { ++connected; };
    b.Assign(&a);
    EXPECT_EQ(b.Username(), "u");
    EXPECT_EQ(b.Password(), "p");
    EXPECT_EQ(b.Server(), "s");
    EXPECT_FALSE(b.AutoCommit());
    EXPECT_TRUE(b.Options()->LocalFailover);
    EXPECT_EQ(b.PoolingOptions()->MaxPoolSize, 7);
    b.Connect();
    EXPECT_EQ(connected, 1);
    TDAConnectionOptions options(nullptr);
    EXPECT_THROW(options.Assign(&a), Exception);
}

// A prepared statement's plan lives in the session: while one waits prepared, a lost connection is
// not re-established behind its back.
TEST(DAConnection, PreparedStatementRulesOutTheReconnect) {
    TTestDAConnection connection;
    connection.Options()->LocalFailover = true;
    connection.Connect();
    TCustomDASQL statement(nullptr);
    statement.SetConnection(&connection);
    statement.SQL()->SetText("UPDATE t SET a = :a");
    statement.Prepare();
    EXPECT_EQ(connection.ConnectCount(), 2);
    connection.PushOperation(clOpen, true);
    EFatalTest error(true);
    bool fail = true, reconnect = false, reexecute = false;
    TConnLostCause cause = clUnknown;
    connection.DoError(error, fail, reconnect, reexecute, 0, cause);
    EXPECT_FALSE(reconnect);
    EXPECT_TRUE(fail);
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(statement.Prepared()) << "the disconnect unprepares it";
    EXPECT_EQ(connection.ConnectCount(), 0);
}

// A session lost inside a transaction: a transaction the provider can start again is running
// again, with its users, when the operation is re-run on the new session; one it cannot is closed
// and the operation fails.
TEST(DAConnection, TransactionAfterAReconnect) {
    for (bool restorable : {true, false}) {
        SCOPED_TRACE(restorable ? "restorable" : "not restorable");
        TTestDAConnection connection;
        connection.restorable = restorable;
        connection.Options()->LocalFailover = true;
        int lost = 0;
        connection.OnConnectionLost = [&](TObject*, TComponent*, TConnLostCause, TRetryMode&) { ++lost; };
        connection.Connect();
        connection.StartTransaction();
        TDATransaction* transaction = connection.DefaultTransaction();
        TCRConnection* session = connection.InternalConnection();
        ASSERT_EQ(transaction->UseCount(), 1);

        // An open on the server, as a dataset runs it: pushed, failed, run again when asked.
        connection.PushOperation(clOpen, true);
        bool rerun = false;
        try {
            EFatalTest error(true);
            bool fail = true;
            connection.Internal()->ProcessError(error, fail);
        } catch (const EFailOver&) {
            connection.RestoreTransactions();
            rerun = true;
        }
        connection.PopOperation();

        EXPECT_EQ(rerun, restorable);
        EXPECT_EQ(lost, restorable ? 1 : 0);
        EXPECT_EQ(connection.Connected(), restorable);
        EXPECT_EQ(transaction->Active(), restorable);
        EXPECT_EQ(transaction->UseCount(), restorable ? 1 : 0);
        if (restorable) {
            // The same internal connection, logged on again, with its transaction started anew.
            EXPECT_EQ(connection.InternalConnection(), session);
            EXPECT_TRUE(transaction->InternalTransaction()->GetInTransaction());
            connection.Commit();
            EXPECT_FALSE(transaction->Active());
        }
    }
}

// A prepare that the server describes rebuilds the parameters, keeping the objects by position;
// one it does not describe leaves them as the text made them.
TEST(DASQL, PrepareTakesTheParametersTheServerDescribes) {
    for (bool describes : {true, false}) {
        SCOPED_TRACE(describes ? "described" : "not described");
        TTestDAConnection connection;
        if (describes) connection.commandClass = TDescribingCommand::StaticClass();
        connection.Connect();
        TCustomDASQL sql(nullptr);
        sql.SetConnection(&connection);
        sql.SQL()->SetText("UPDATE t SET a = :a WHERE b = :b AND c = :c");
        ASSERT_EQ(sql.Params()->Count(), 3);
        TDAParam* first = sql.Params()->Items(0);
        sql.Prepare();
        EXPECT_EQ(connection.ConnectCount(), 2) << "the prepared statement holds a use";
        if (describes) {
            ASSERT_EQ(sql.Params()->Count(), 2);
            EXPECT_EQ(sql.Params()->Items(0), first);
            EXPECT_EQ(first->Name(), "id");
            EXPECT_EQ(first->DataType(), ftInteger);
            EXPECT_EQ(sql.Params()->Items(1)->Name(), "note");
            EXPECT_EQ(sql.Params()->Items(1)->ParamType(), ptOutput);
            EXPECT_EQ(sql.Params()->Items(1)->GetSize(), 20);
        } else {
            ASSERT_EQ(sql.Params()->Count(), 3);
            EXPECT_EQ(sql.Params()->Items(2)->Name(), "c");
        }
        sql.Unprepare();
        EXPECT_EQ(connection.ConnectCount(), 1);
    }
}

// The updater sets generated texts whose parameters and macros it made itself.
TEST(DBAccessUtils, SQLTextWithHintsAndTheOtherReaches) {
    TTestDAConnection connection;
    TCustomDASQL sql(nullptr);
    sql.SetConnection(&connection);
    sql.SQL()->SetText("SELECT &cols FROM t WHERE a = :a");
    sql.ParamByName("a")->SetValue(Variant(5));
    TDBAccessUtils::SetSQLText(&sql, "SELECT &other FROM u WHERE x = :x", true, true);
    EXPECT_EQ(sql.SQL()->Text(), "SELECT &other FROM u WHERE x = :x\r\n");
    ASSERT_EQ(sql.Params()->Count(), 1);
    EXPECT_EQ(sql.Params()->Items(0)->Name(), "a");
    EXPECT_EQ(sql.Params()->Items(0)->GetValue().AsInteger(), 5);
    ASSERT_EQ(sql.Macros()->Count(), 1);
    EXPECT_EQ(sql.Macros()->Items(0)->Name(), "cols");
    // The hints last for that one text.
    TDBAccessUtils::SetSQLText(&sql, "SELECT &m FROM v WHERE y = :y", false, false);
    ASSERT_EQ(sql.Params()->Count(), 1);
    EXPECT_EQ(sql.Params()->Items(0)->Name(), "y");
    EXPECT_EQ(sql.Macros()->Items(0)->Name(), "m");

    EXPECT_FALSE(sql.TraceSuppressed);
    TDBAccessUtils::SetTraceSuppressed(&sql, true);
    EXPECT_TRUE(sql.TraceSuppressed);
    EXPECT_EQ(TDBAccessUtils::GetSQLMonitorClass(&connection), TCustomDASQLMonitor::StaticClass());
    // Another kind of object fails an assertion that names its class.
    TDATransaction transaction(nullptr);
    try {
        TDBAccessUtils::SetTraceSuppressed(&transaction, true);
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(e.Message().find("TDATransaction"), std::string::npos);
    }
}
