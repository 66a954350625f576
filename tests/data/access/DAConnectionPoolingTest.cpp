// The connection component taking its internal connection from a pool and giving it back: over the
// in-test provider, whose connections answer the validity check as a test scripts them.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>

#include "TestProvider.h"
#include "data/access/CRConnectionPool.h"
#include "data/access/DAConnection.h"

namespace {

class TCheckedConnection : public TTestConnection {
public:
    VZ_CLASS(TCheckedConnection, TTestConnection)
    bool CheckIsValid() override { return ValidAnswer && GetConnected(); }
    bool ValidAnswer = true;
    // Freed connections' addresses come back: tests tell connections apart by number.
    const int Id = ++made;
    static inline int made = 0;
};

class TCheckedPool : public TCRLocalConnectionPool {
public:
    VZ_CLASS(TCheckedPool, TCRLocalConnectionPool)
    using TCRLocalConnectionPool::TCRLocalConnectionPool;

protected:
    TCRConnection* NewConnection() override {
        auto connection = std::make_unique<TCheckedConnection>();
        connection->OnError = TakerErrorHandler();
        connection->Connect("");
        return connection.release();
    }
};

class TCheckedPoolManager : public TCRConnectionPoolManager {
public:
    VZ_CLASS(TCheckedPoolManager, TCRConnectionPoolManager)
    std::unique_ptr<TCRConnectionPool> CreatePool(const TCRConnectionParameters& parameters) override {
        return std::make_unique<TCheckedPool>(this, parameters);
    }
    // The class-level entry: one manager for the tests of this file.
    static std::unique_ptr<TCheckedPoolManager>& Instance() {
        static std::unique_ptr<TCheckedPoolManager> manager;
        return manager;
    }
    static TCRConnection* Pooled(const TCRConnectionParameters& key, const TPoolNotify&) {
        if (!Instance()) Instance() = std::make_unique<TCheckedPoolManager>();
        return Instance()->AcquireConnection(key);
    }
};

class TPoolingDAConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TPoolingDAConnection, TCustomDAConnection)
    TPoolingDAConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }
    TCheckedConnection* Internal() const { return static_cast<TCheckedConnection*>(InternalConnection()); }

protected:
    TClass GetInternalConnectionClass() override { return TCheckedConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TTestCommand::StaticClass(); }
    void CreateInternalConnection() override {
        if (InternalConnection()) return;
        if (Pooling())
            SetInternalConnection(PooledInternalConnection(TCRConnectionParameters::StaticClass(),
                                                           TCheckedPoolManager::StaticClass()));
        else
            SetInternalConnection(std::make_unique<TCheckedConnection>());
    }
};

class EFatalLoss : public EDAError {
public:
    EFatalLoss() : EDAError("link lost") {}
    bool IsFatalError() const override { return true; }
};

class DAConnectionPooling : public testing::Test {
protected:
    void SetUp() override {
        TCRConnectionPoolManager::RegisterPooledConnection(TCheckedPoolManager::StaticClass(),
                                                           &TCheckedPoolManager::Pooled);
    }
    void TearDown() override {
        TCheckedPoolManager::Instance().reset();
        TCRConnectionPoolManager::UnRegisterPooledConnection(TCheckedPoolManager::StaticClass());
    }
};

void Pool(TPoolingDAConnection& c, const char* user = "ann") {
    c.SetUsername(user);
    c.SetPassword("pw");
    c.SetServer("db");
    c.SetPooling(true);
}

} // namespace

TEST_F(DAConnectionPooling, ASoundConnectionGoesBackOnDisconnectAndComesBackOnConnect) {
    TPoolingDAConnection a;
    Pool(a);
    a.Connect();
    TCheckedConnection* first = a.Internal();
    EXPECT_NE(first->Pool, nullptr);
    EXPECT_EQ(first->Username(), "ann");
    a.Disconnect();
    EXPECT_EQ(a.InternalConnection(), nullptr);
    EXPECT_TRUE(first->GetConnected()); // idle in the pool, still logged on
    a.Connect();
    EXPECT_EQ(a.Internal(), first);
    EXPECT_EQ(a.ConnectCount(), 1);

    // Another login is another pool.
    TPoolingDAConnection b;
    Pool(b, "bob");
    b.Connect();
    EXPECT_NE(b.Internal(), first);
    EXPECT_EQ(TCheckedPoolManager::Instance()->PoolCount(), 2);
}

TEST_F(DAConnectionPooling, ALostConnectionStaysOutOfThePoolAndItsSiblingsAreCheckedBeforeUse) {
    TPoolingDAConnection a, b, c;
    for (TPoolingDAConnection* each : {&a, &b, &c})
        Pool(*each);
    a.Connect();
    b.Connect();
    TCheckedConnection* lost = a.Internal();
    TCheckedConnection* sibling = b.Internal();
    const int siblingId = sibling->Id;
    b.Disconnect(); // idle in the pool
    // The server went away for both; the idle one still says it is usable unless checked.
    sibling->ValidAnswer = false;
    EFatalLoss error;
    bool fail = true, reconnect = false, reexecute = false;
    TConnLostCause cause = clUnknown;
    a.Options()->LocalFailover = true; // no handler: the component disconnects itself
    a.DoError(error, fail, reconnect, reexecute, 0, cause);
    EXPECT_FALSE(a.Connected());
    EXPECT_FALSE(lost->IsValid);

    c.Connect();
    EXPECT_NE(c.Internal()->Id, siblingId);
    EXPECT_NE(c.Internal(), lost);
    EXPECT_TRUE(c.Internal()->GetConnected());
}

TEST_F(DAConnectionPooling, FreedAndSwitchedOffConnectionsGiveTheirsBack) {
    TCheckedConnection* held;
    {
        TPoolingDAConnection a;
        Pool(a);
        a.Connect();
        held = a.Internal();
    }
    TPoolingDAConnection b;
    Pool(b);
    b.Connect();
    EXPECT_EQ(b.Internal(), held);
    b.SetPooling(false);
    EXPECT_FALSE(b.Connected());
    b.Connect();
    EXPECT_EQ(b.Internal()->Pool, nullptr);
    // The pooled one went back idle: a pooled taker gets it again.
    TPoolingDAConnection c;
    Pool(c);
    c.Connect();
    EXPECT_EQ(c.Internal(), held);
}
