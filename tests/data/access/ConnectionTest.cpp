// Internal connection: the reconnect loop of ProcessError, failover, pool hand-back and accessors.
#include <gtest/gtest.h>

#include "TestProvider.h"

namespace {

struct CallbackCall {
    int attempt;
    bool reconnectIn;
};

// An error handler driven by a script: reconnectAnswers[i] is what it answers on call i (false
// once the script has run out).
struct ScriptedHandler {
    std::vector<bool> reconnectAnswers;
    bool reexecute = false;
    TConnLostCause cause = clUnknown;
    std::vector<CallbackCall> calls;

    TErrorProc Proc() {
        return [this](Exception&, bool& fail, bool& reconnect, bool& reexecute_, int attempt,
                      TConnLostCause& lost) {
            calls.push_back({attempt, reconnect});
            size_t i = calls.size() - 1;
            reconnect = i < reconnectAnswers.size() && reconnectAnswers[i];
            reexecute_ = reexecute;
            lost = cause;
            fail = true;
        };
    }
};

class PoolLink : public TCRConnectionPoolLink {
public:
    std::vector<TCRConnection*> returned;
    void PutConnection(TCRConnection* connection) override { returned.push_back(connection); }
};

} // namespace

TEST(ProcessError, WithoutHandlerOnePassAndNoReconnect) {
    TTestConnection connection;
    Exception e("lost");
    bool fail = false;
    connection.ProcessError(e, fail);
    EXPECT_FALSE(fail);
    EXPECT_TRUE(connection.log.empty());
}

TEST(ProcessError, DisconnectOnlyBeforeFirstAttemptThenReconnectErrorOnce) {
    TTestConnection connection;
    connection.SetConnectedFlag(true);
    ScriptedHandler handler;
    handler.reconnectAnswers = {true, true, true, false};
    connection.OnError = handler.Proc();
    connection.connectScript = {false, false, false};
    int reconnectErrors = 0;
    bool connectedDuringReport = false;
    connection.OnReconnectError = [&] {
        ++reconnectErrors;
        connectedDuringReport = connection.GetConnected();
    };
    bool successCalled = false;
    connection.OnReconnectSuccess = [&] { successCalled = true; };

    Exception e("lost");
    bool fail = false;
    connection.ProcessError(e, fail);

    EXPECT_EQ(connection.log,
              (std::vector<std::string>{"disconnect", "connect-fail", "connect-fail", "connect-fail"}));
    ASSERT_EQ(handler.calls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(handler.calls[i].attempt, i);
        EXPECT_EQ(handler.calls[i].reconnectIn, i > 0);
    }
    EXPECT_EQ(reconnectErrors, 1);
    EXPECT_TRUE(connectedDuringReport);
    EXPECT_FALSE(connection.GetConnected());
    EXPECT_FALSE(connection.Reconnected());
    EXPECT_FALSE(successCalled);
    EXPECT_TRUE(fail);
}

TEST(ProcessError, SuccessfulReconnectReturnsOrRaisesFailOver) {
    for (bool reexecute : {false, true}) {
        SCOPED_TRACE(reexecute ? "reexecute" : "no reexecute");
        TTestConnection connection;
        connection.SetConnectedFlag(true);
        connection.disconnectFails = true; // ignored
        ScriptedHandler handler;
        handler.reconnectAnswers = {true, true};
        handler.reexecute = reexecute;
        handler.cause = clOpen;
        connection.OnError = handler.Proc();
        connection.connectScript = {false, true};
        int successes = 0;
        connection.OnReconnectSuccess = [&] { ++successes; };

        Exception e("lost");
        bool fail = false;
        if (reexecute) {
            try {
                connection.ProcessError(e, fail);
                ADD_FAILURE() << "no EFailOver";
            } catch (const EFailOver& failOver) {
                EXPECT_EQ(failOver.ConnLostCause, clOpen);
                EXPECT_EQ(failOver.Message(), "");
            }
        } else {
            connection.ProcessError(e, fail);
        }
        // The first reconnect fails, the handler asks again, and the second one succeeds.
        EXPECT_EQ(connection.log, (std::vector<std::string>{"disconnect", "connect-fail", "connect"}));
        EXPECT_EQ(handler.calls.size(), 2u);
        EXPECT_EQ(successes, 1);
        EXPECT_TRUE(connection.Reconnected());
        EXPECT_TRUE(connection.GetConnected());
    }
}

TEST(ProcessError, NoReconnectAskedMeansNoReconnectErrorReport) {
    TTestConnection connection;
    connection.SetConnectedFlag(true);
    ScriptedHandler handler; // answers Reconnect False at once
    connection.OnError = handler.Proc();
    int reconnectErrors = 0;
    connection.OnReconnectError = [&] { ++reconnectErrors; };
    Exception e("syntax error");
    bool fail = true;
    connection.ProcessError(e, fail);
    EXPECT_EQ(handler.calls.size(), 1u);
    EXPECT_TRUE(connection.log.empty());
    EXPECT_EQ(reconnectErrors, 0);
    EXPECT_TRUE(connection.GetConnected());
    EXPECT_TRUE(fail);
}

// A reconnect whose success handler fails counts as failed: the handler is asked again, and
// Disconnect is not repeated on the later attempt.
TEST(ProcessError, FailingSuccessHandlerCountsAsFailedReconnect) {
    TTestConnection connection;
    ScriptedHandler handler;
    handler.reconnectAnswers = {true, true};
    handler.reexecute = true;
    handler.cause = clExecute;
    connection.OnError = handler.Proc();
    int successCalls = 0;
    connection.OnReconnectSuccess = [&] {
        if (++successCalls == 1) throw Exception("restore failed");
    };
    Exception e("lost");
    bool fail = true;
    try {
        connection.ProcessError(e, fail);
        ADD_FAILURE() << "no EFailOver";
    } catch (const EFailOver& failOver) {
        EXPECT_EQ(failOver.ConnLostCause, clExecute);
    }
    EXPECT_EQ(connection.log, (std::vector<std::string>{"disconnect", "connect", "connect"}));
    ASSERT_EQ(handler.calls.size(), 2u);
    EXPECT_EQ(handler.calls[1].attempt, 1);
    EXPECT_EQ(successCalls, 2);
    EXPECT_TRUE(connection.Reconnected());
    // The guard is down again: a later error is processed.
    connection.OnError = nullptr;
    connection.ProcessError(e, fail);
}

TEST(ProcessError, ReentryFromHandlerIsIgnored) {
    TTestConnection connection;
    int calls = 0;
    connection.OnError = [&](Exception& e, bool& fail, bool&, bool&, int, TConnLostCause&) {
        ++calls;
        bool innerFail = true;
        connection.ProcessError(e, innerFail);
        fail = false;
    };
    Exception e("lost");
    bool fail = true;
    connection.ProcessError(e, fail);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(fail);
}

TEST(ProcessError, HandlerErrorPropagatesAndLeavesNoGuardBehind) {
    TTestConnection connection;
    int calls = 0;
    connection.OnError = [&](Exception&, bool&, bool&, bool&, int, TConnLostCause&) {
        if (++calls == 1) throw Exception("handler broke");
    };
    Exception e("lost");
    bool fail = true;
    EXPECT_THROW(connection.ProcessError(e, fail), Exception);
    connection.ProcessError(e, fail);
    EXPECT_EQ(calls, 2);
}

TEST(Connection, ConnectStateFactoriesAndPool) {
    TTestConnection connection;
    connection.IsValid = false;
    connection.Connect("");
    EXPECT_TRUE(connection.IsValid);
    EXPECT_TRUE(connection.GetConnected());

    TCRTransaction* transaction = connection.GetInternalTransaction();
    ASSERT_NE(transaction, nullptr);
    EXPECT_EQ(transaction->ClassType(), TTestTransaction::StaticClass());
    EXPECT_EQ(transaction->Connections().Count(), 1);
    EXPECT_EQ(transaction->Connections()[0], &connection);
    EXPECT_EQ(connection.GetInternalTransaction(), transaction);

    TSQLInfo* info = connection.GetSQLInfo();
    EXPECT_EQ(connection.GetSQLInfo(), info);
    EXPECT_EQ(info->ParserClass(), ParserClassOf<TSQLParser>("TSQLParser"));
    EXPECT_TRUE(connection.CanChangeDatabase());

    EXPECT_THROW(connection.ReturnToPool(), EAssertionFailed);
    PoolLink pool;
    TObject owner;
    connection.Pool = &pool;
    connection.Component = &owner;
    connection.OnError = [](Exception&, bool&, bool&, bool&, int, TConnLostCause&) {};
    connection.ReturnToPool();
    EXPECT_EQ(pool.returned, (std::vector<TCRConnection*>{&connection}));
    EXPECT_FALSE(connection.OnError);
    EXPECT_EQ(connection.Component, nullptr);

    try {
        connection.Enlist(nullptr);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "MS DTC transactions not supported");
    }
    EXPECT_THROW(connection.UnEnlist(nullptr), Exception);
}

TEST(Connection, AssignCopiesLoginAndHandlers) {
    TTestConnection source, target;
    source.SetServer("srv");
    source.SetUsername("u");
    source.SetPassword("p");
    source.SetProp(prEnableBCD, Variant(true));
    source.SetProp(prEnableFmtBCD, Variant(true));
    source.SetProp(prAutoCommit, Variant(true));
    source.OnError = [](Exception&, bool&, bool&, bool&, int, TConnLostCause&) {};
    target.Assign(&source);
    EXPECT_EQ(target.Server(), "srv");
    EXPECT_EQ(target.Username(), "u");
    EXPECT_EQ(target.Password(), "p");
    EXPECT_TRUE(target.EnableBCD());
    EXPECT_TRUE(target.EnableFMTBCD());
    EXPECT_FALSE(target.AutoCommit()); // not part of Assign
    EXPECT_TRUE(static_cast<bool>(target.OnError));
}

TEST(Connection, TickIntervalSurvivesWrap) {
    EXPECT_EQ(GetTickInterval(100, 350), 250u);
    EXPECT_EQ(GetTickInterval(0xFFFFFFF0u, 0x10u), 0x20u);
}
