// The connection pool over counting connections with scripted validity, checked against a plain
// model, and under threads with a fast validator.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <set>
#include <thread>

#include "data/access/CRConnectionPool.h"
#include "TestProvider.h"

namespace {

std::atomic<uint32_t> fakeTicks{1000};
uint32_t FakeTicks() {
    return fakeTicks.load();
}

std::atomic<int> liveConnections{0};
std::atomic<int> createdConnections{0};

class TCountingConnection : public TTestConnection {
public:
    VZ_CLASS(TCountingConnection, TTestConnection)
    TCountingConnection() {
        Id = ++createdConnections;
        ++liveConnections;
        Connect("");
        connectTime_ = PoolTickCount();
    }
    ~TCountingConnection() override {
        EXPECT_FALSE(freed) << "connection freed twice";
        freed = true;
        --liveConnections;
    }
    bool CheckIsValid() override {
        ++checks;
        return ValidAnswer;
    }
    int Id;
    std::atomic<bool> ValidAnswer{true};
    std::atomic<int> checks{0};
    bool freed = false;
};

class TCountingPool : public TCRLocalConnectionPool {
public:
    VZ_CLASS(TCountingPool, TCRLocalConnectionPool)
    using TCRLocalConnectionPool::TCRLocalConnectionPool;
    std::atomic<int> failNext{0};
    // Runs on the taker's thread at the start of every connect (a slow or failing driver).
    std::function<void()> OnConnect;

protected:
    TCRConnection* NewConnection() override {
        if (OnConnect) OnConnect();
        if (failNext > 0) {
            --failNext;
            throw Exception("server unreachable");
        }
        auto* connection = new TCountingConnection();
        connection->OnError = TakerErrorHandler();
        return connection;
    }
};

class TCountingManager : public TCRConnectionPoolManager {
public:
    VZ_CLASS(TCountingManager, TCRConnectionPoolManager)
    std::unique_ptr<TCRConnectionPool> CreatePool(const TCRConnectionParameters& parameters) override {
        auto pool = std::make_unique<TCountingPool>(this, parameters);
        pool->OnConnect = [this] {
            if (OnConnect) OnConnect();
        };
        return pool;
    }
    // Runs at the start of every connect of this manager's pools.
    std::function<void()> OnConnect;
};

// Fake clock, no waits, and a validator that never runs on its own unless a test asks.
class Pool : public ::testing::Test {
protected:
    void SetUp() override {
        SetPoolTickSource(FakeTicks);
        saved_ = PoolTimes();
        PoolTimes().TakeWait = 0;
        PoolTimes().ValidateInterval = 1000000;
        liveConnections = 0;
    }
    void TearDown() override {
        PoolTimes() = saved_;
        SetPoolTickSource(nullptr);
        EXPECT_EQ(liveConnections.load(), 0);
    }
    TPoolTimes saved_;
};

TCountingConnection* Counting(TCRConnection* c) {
    return static_cast<TCountingConnection*>(c);
}

// One more connection in use; most keeps the highest count seen.
void CountInUse(std::atomic<int>& inUse, std::atomic<int>& most) {
    int now = ++inUse;
    int seen = most;
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
}

AnsiString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

TEST(PoolKey, TextsAndComparison) {
    TCRConnectionParameters key;
    key.Username = "Ann";
    key.Server = "db";
    key.Password = "Pw";
    key.MinPoolSize = 1;
    key.ConnectionLifeTime = 500;
    key.Validate = true;
    EXPECT_EQ(key.LoginText(), "Username=Ann\rServer=db\r");
    EXPECT_EQ(key.PoolText(), "MinPoolSize=1\rMaxPoolSize=100\rConnectionLifeTime=500\rValidate=True\r");
    EXPECT_EQ(key.AsText(), key.LoginText() + key.PoolText());
    EXPECT_THROW(key.SetSpecific(1002, 1), EAssertionFailed);

    struct Case {
        const char* what;
        std::function<void(TCRConnectionParameters&)> change;
        bool same;
    } cases[] = {
        {"copy", [](TCRConnectionParameters&) {}, true},
        {"user name case", [](TCRConnectionParameters& k) { k.Username = "ANN"; }, true},
        {"server case", [](TCRConnectionParameters& k) { k.Server = "DB"; }, true},
        {"password case", [](TCRConnectionParameters& k) { k.Password = "pw"; }, false},
        {"min size", [](TCRConnectionParameters& k) { k.MinPoolSize = 2; }, false},
        {"max size", [](TCRConnectionParameters& k) { k.MaxPoolSize = 5; }, false},
        {"life time", [](TCRConnectionParameters& k) { k.ConnectionLifeTime = 0; }, false},
        {"validate", [](TCRConnectionParameters& k) { k.Validate = false; }, false},
        {"io handler", [](TCRConnectionParameters& k) { k.IOHandler = reinterpret_cast<TCRIOHandler*>(&k); },
         false},
        {"error handler",
         [](TCRConnectionParameters& k) { k.ErrorHandler = [](auto&, auto&, auto&, auto&, int, auto&) {}; },
         true},
    };
    for (const Case& c : cases) {
        TCRConnectionParameters other;
        other.Assign(&key);
        c.change(other);
        EXPECT_EQ(key.SameAs(&other), c.same) << c.what;
        EXPECT_EQ(other.SameAs(&key), c.same) << c.what;
    }
    EXPECT_FALSE(key.SameAs(nullptr));
}

// A plain model of the ring, the stamps and the versions.
struct Model {
    struct Conn {
        int version = 0;
        uint32_t connectTime = 0;
        bool valid = true;
        bool usable = true;
    };
    int max;
    int lifeTime;
    bool validate;
    std::map<int, Conn> conns; // live ones
    std::deque<std::pair<int, uint32_t>> idle;
    std::set<int> taken;
    uint32_t counter = 0;
    uint32_t history[8] = {};
    int surplus = 0, checkV = 0, expireV = 0, nextId = 1;
    int min;

    void ExpireAll() {
        ++checkV;
        ++expireV;
    }
    void RequireCheck() { ++checkV; }
    bool Alive(const Conn& c, uint32_t now) const {
        return lifeTime == 0 || now - c.connectTime <= uint32_t(lifeTime);
    }
    bool Check(int id) {
        conns[id].version = checkV;
        return conns[id].valid;
    }
    // Id taken, 0 for the error.
    int Take(uint32_t now, int& createdId) {
        createdId = 0;
        if (int(taken.size()) >= max) return 0;
        int id = 0;
        if (!idle.empty()) {
            id = idle.front().first;
            idle.pop_front();
            Conn& c = conns[id];
            if (c.version < expireV || ((validate || c.version < checkV) && !Check(id))) {
                conns.erase(id);
                id = 0;
            }
        }
        if (!id) {
            id = createdId = nextId++;
            conns[id].connectTime = now;
        }
        conns[id].version = checkV;
        taken.insert(id);
        return id;
    }
    void PutBack(int id, uint32_t now) {
        taken.erase(id);
        Conn& c = conns[id];
        if (Alive(c, now) && c.usable && c.version >= expireV && (c.version >= checkV || Check(id)))
            idle.emplace_back(id, ++counter);
        else
            conns.erase(id);
    }
    void Pass(uint32_t now) {
        uint32_t recent = history[0], old = history[7];
        for (int i = 7; i > 0; --i)
            history[i] = history[i - 1];
        history[0] = counter;
        int quota = (surplus + 6) / 8;
        int n = int(idle.size());
        surplus = n - min - quota;
        int destroyed = 0;
        for (int i = 0; i < n && int(taken.size()) < max; ++i) {
            auto [id, stamp] = idle.front();
            idle.pop_front();
            Conn& c = conns[id];
            if (stamp > old && Alive(c, now) && c.version >= expireV &&
                ((stamp > recent && c.version >= checkV) || Check(id)))
                idle.emplace_back(id, stamp);
            else {
                conns.erase(id);
                ++destroyed;
            }
        }
        for (; destroyed < quota && !idle.empty(); ++destroyed) {
            conns.erase(idle.front().first);
            idle.pop_front();
        }
    }
};

TEST_F(Pool, RandomUseMatchesThePlainModel) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        createdConnections = 0;
        TCRConnectionParameters key;
        key.MaxPoolSize = 1 + int(seed % 5);
        key.MinPoolSize = int(seed % 3);
        key.ConnectionLifeTime = seed % 2 ? 0 : 5000;
        key.Validate = seed % 4 == 1;
        Model model;
        model.max = key.MaxPoolSize;
        model.lifeTime = key.ConnectionLifeTime;
        model.validate = key.Validate;
        model.min = key.MinPoolSize;
        std::map<int, TCRConnection*> handed;
        std::map<int, TCountingConnection*> all;
        {
            TCountingManager manager;
            TCountingPool pool(&manager, key);
            for (int step = 0; step < 600; ++step) {
                uint32_t now = fakeTicks;
                int op = int(random() % 100);
                std::ostringstream where;
                where << "seed " << seed << " step " << step << " op " << op;
                if (op < 35) {
                    int createdId;
                    int expected = model.Take(now, createdId);
                    if (!expected) {
                        EXPECT_EQ(ErrorOf([&] { pool.TakeConnection(); }),
                                  "Maximum connections reached in pool")
                            << where.str();
                        continue;
                    }
                    TCRConnection* c = pool.TakeConnection();
                    ASSERT_EQ(Counting(c)->Id, expected) << where.str();
                    EXPECT_EQ(c->Pool, &pool);
                    handed[expected] = c;
                    all[expected] = Counting(c);
                } else if (op < 65 && !handed.empty()) {
                    auto it = std::next(handed.begin(), long(random() % handed.size()));
                    if (random() % 8 == 0) {
                        it->second->IsValid = false;
                        model.conns[it->first].usable = false;
                    }
                    model.PutBack(it->first, now);
                    it->second->ReturnToPool();
                    handed.erase(it);
                } else if (op < 70) {
                    model.ExpireAll();
                    pool.ExpireAll();
                } else if (op < 75) {
                    model.RequireCheck();
                    pool.RequireCheck();
                } else if (op < 85) {
                    fakeTicks += uint32_t(random() % 3000);
                } else if (op < 92) {
                    if (model.conns.empty()) continue;
                    auto it = std::next(model.conns.begin(), long(random() % model.conns.size()));
                    it->second.valid = !it->second.valid;
                    all[it->first]->ValidAnswer = it->second.valid;
                } else {
                    model.Pass(now);
                    pool.ValidatePass();
                }
                ASSERT_EQ(liveConnections.load(), int(model.conns.size())) << where.str();
                ASSERT_EQ(pool.ConnectionCount(), int(model.taken.size() + model.idle.size())) << where.str();
            }
            for (auto& [id, c] : handed)
                c->ReturnToPool();
        }
    }
}

TEST_F(Pool, TwentyIdleShrinkByAnEighthOfTheSurplusPerPass) {
    TCountingManager manager;
    TCRConnectionParameters key;
    TCountingPool pool(&manager, key);
    std::vector<TCRConnection*> taken;
    for (int i = 0; i < 20; ++i)
        taken.push_back(pool.TakeConnection());
    for (TCRConnection* c : taken)
        c->ReturnToPool();
    std::vector<int> counts;
    for (int pass = 0; pass < 5; ++pass) {
        pool.ValidatePass();
        counts.push_back(pool.ConnectionCount());
    }
    // Quotas 0, 3, 2, 2, 2 ((surplus + 6) div 8 with surplus 0, 20, 17, 15, 13).
    EXPECT_EQ(counts, (std::vector<int>{20, 17, 15, 13, 11}));
}

TEST_F(Pool, FullPoolWaitsThenFailsOrTakesAGivenBackConnection) {
    PoolTimes().TakeWait = 50;
    TCountingManager manager;
    TCRConnectionParameters key;
    key.MaxPoolSize = 1;
    TCountingPool pool(&manager, key);
    TCRConnection* first = pool.TakeConnection();
    EXPECT_EQ(ErrorOf([&] { pool.TakeConnection(); }), "Maximum connections reached in pool");

    PoolTimes().TakeWait = 10000;
    std::thread giver([&] {
        Sleep(30);
        first->ReturnToPool();
    });
    TCRConnection* second = pool.TakeConnection();
    giver.join();
    EXPECT_EQ(second, first);
    second->ReturnToPool();
}

uint32_t lockWaitTicks[2] = {1000, 41000};
std::atomic<int> lockWaitCalls{0};
uint32_t LockWaitTicks() {
    return lockWaitTicks[std::min(lockWaitCalls++, 1)];
}

TEST_F(Pool, TakerWhoseLockWaitUsedTheWholeTimeChecksOnceAndFails) {
    PoolTimes().TakeWait = 30000;
    TCountingManager manager;
    TCRConnectionParameters key;
    key.MaxPoolSize = 1;
    TCountingPool pool(&manager, key);
    TCRConnection* first = pool.TakeConnection();
    // 40 s pass while the lock is got: the remaining wait is none at all, not a wrapped one.
    lockWaitCalls = 0;
    SetPoolTickSource(LockWaitTicks);
    uint32_t start = GetTickCount();
    EXPECT_EQ(ErrorOf([&] { pool.TakeConnection(); }), "Maximum connections reached in pool");
    EXPECT_LT(GetTickCount() - start, 5000u);
    SetPoolTickSource(FakeTicks);
    first->ReturnToPool();
}

TEST_F(Pool, LifeTimeExpiryAndFailedCreation) {
    TCountingManager manager;
    TCRConnectionParameters key;
    key.ConnectionLifeTime = 1000;
    TCountingPool pool(&manager, key);
    TCRConnection* c = pool.TakeConnection();
    fakeTicks += 1001;
    c->ReturnToPool();
    EXPECT_EQ(pool.ConnectionCount(), 0);
    EXPECT_EQ(liveConnections.load(), 0);

    pool.failNext = 1;
    EXPECT_EQ(ErrorOf([&] { pool.TakeConnection(); }), "server unreachable");
    EXPECT_EQ(pool.ConnectionCount(), 0); // the reserved slot was given back
}

TEST_F(Pool, ManagerKeepsAPoolPerKeyAndDropsEmptyOnes) {
    TCountingManager manager;
    std::vector<AnsiString> notes;
    manager.PoolNotify = [&](TCRConnectionPool*, const AnsiString& text) { notes.push_back(text); };
    TCRConnectionParameters ann;
    ann.Username = "ann";
    TCRConnectionParameters ANN;
    ANN.Username = "ANN";
    TCRConnection* a = manager.AcquireConnection(ann);
    TCRConnection* b = manager.AcquireConnection(ANN);
    EXPECT_EQ(manager.PoolCount(), 1);
    a->ReturnToPool();
    b->IsValid = false;
    b->ReturnToPool();
    EXPECT_EQ(notes, (std::vector<AnsiString>{"Connection pool created", "Connection created in pool",
                                              "Connection taken from pool", "Connection created in pool",
                                              "Connection taken from pool", "Connection returned to pool",
                                              "Connection destroyed in pool"}));
    // Eight passes without use age the idle one out; the next cycle removes the empty pool.
    for (int i = 0; i < 9 && manager.PoolCount() > 0; ++i)
        manager.ValidateCycle(nullptr);
    EXPECT_EQ(manager.PoolCount(), 0);
    EXPECT_EQ(notes.back(), "Connection pool destroyed");
    TCRConnection* again = manager.AcquireConnection(ann);
    EXPECT_EQ(notes[notes.size() - 3], "Connection pool created");
    again->ReturnToPool();
}

TEST_F(Pool, EightThreadsWithARunningValidatorFreeEveryConnectionOnce) {
    SetPoolTickSource(nullptr);
    PoolTimes().ValidateInterval = 2;
    PoolTimes().TakeWait = 10000;
    createdConnections = 0;
    {
        TCountingManager manager;
        TCRConnectionParameters key;
        key.MaxPoolSize = 4;
        std::atomic<int> inUse{0}, most{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t)
            threads.emplace_back([&, t] {
                std::mt19937 random{static_cast<unsigned>(t)};
                for (int i = 0; i < 150; ++i) {
                    TCRConnection* c = manager.AcquireConnection(key);
                    CountInUse(inUse, most);
                    if (random() % 10 == 0) c->IsValid = false;
                    if (random() % 20 == 0) Counting(c)->ValidAnswer = false;
                    --inUse;
                    c->ReturnToPool();
                }
            });
        for (auto& thread : threads)
            thread.join();
        EXPECT_LE(most.load(), 4);
    }
    EXPECT_GT(createdConnections.load(), 0);
}

// Connects that meet: each of two takers waits inside its connect until the other has arrived
// there too, which only ends well when no lock of the pool or the manager is held meanwhile.
TEST_F(Pool, TwoTakersConnectAtOnceAndEachConnectionReportsToItsOwnTaker) {
    TCountingManager manager;
    std::atomic<int> inside{0}, lonely{0};
    manager.OnConnect = [&] {
        ++inside;
        uint32_t start = GetTickCount();
        while (inside < 2 && GetTickCount() - start < 5000)
            Sleep(1);
        if (inside < 2) ++lonely; // the other taker never came in while this one connected
    };
    TCRConnection* taken[2] = {};
    std::vector<int> reported;
    std::mutex reportedLock;
    std::vector<std::thread> takers;
    for (int t = 0; t < 2; ++t)
        takers.emplace_back([&, t] {
            TCRConnectionParameters key;
            key.ErrorHandler = [&, t](Exception&, bool&, bool&, bool&, int, TConnLostCause&) {
                std::lock_guard<std::mutex> guard(reportedLock);
                reported.push_back(t);
            };
            taken[t] = manager.AcquireConnection(key);
        });
    for (auto& taker : takers)
        taker.join();
    EXPECT_EQ(lonely.load(), 0);
    ASSERT_TRUE(taken[0] && taken[1]);
    EXPECT_NE(taken[0], taken[1]);
    EXPECT_EQ(manager.PoolCount(), 1);
    for (int t = 0; t < 2; ++t) {
        Exception e("lost");
        bool fail = true, reconnect = false, reexecute = false;
        TConnLostCause cause{};
        ASSERT_TRUE(taken[t]->OnError) << t;
        taken[t]->OnError(e, fail, reconnect, reexecute, 0, cause);
        EXPECT_EQ(reported, std::vector<int>{t});
        reported.clear();
        taken[t]->ReturnToPool();
    }
}

// Many takers of a small pool whose connects are slow and sometimes fail: never more handed out
// than the limit, every failure gives its slot back, and the pool is whole afterwards.
TEST_F(Pool, TheLimitHoldsUnderContentionAndFailedConnectsGiveTheirSlotsBack) {
    PoolTimes().TakeWait = 20000;
    TCountingManager manager;
    std::atomic<int> connects{0};
    manager.OnConnect = [&] {
        if (++connects % 3 == 0) throw Exception("server unreachable");
        Sleep(1);
    };
    TCRConnectionParameters key;
    key.MaxPoolSize = 2;
    std::atomic<int> inUse{0}, most{0}, failures{0}, otherErrors{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 40; ++i) {
                TCRConnection* c;
                try {
                    c = manager.AcquireConnection(key);
                } catch (const Exception& e) {
                    ++(e.Message() == "server unreachable" ? failures : otherErrors);
                    continue;
                }
                CountInUse(inUse, most);
                if (i % 4 == 0) c->IsValid = false; // the next take connects again
                --inUse;
                c->ReturnToPool();
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(most.load(), 2);
    EXPECT_GT(failures.load(), 0);
    EXPECT_EQ(otherErrors.load(), 0);
    // Both slots are free: two takes at once succeed, a third is refused at once.
    manager.OnConnect = nullptr;
    PoolTimes().TakeWait = 0;
    TCRConnection* a = manager.AcquireConnection(key);
    TCRConnection* b = manager.AcquireConnection(key);
    EXPECT_EQ(ErrorOf([&] { manager.AcquireConnection(key); }), "Maximum connections reached in pool");
    a->ReturnToPool();
    b->ReturnToPool();
}

// A taker waiting on a full pool holds up the takers of that pool only.
TEST_F(Pool, AWaitOnAFullPoolLeavesOtherPoolsFree) {
    PoolTimes().TakeWait = 3000;
    TCountingManager manager;
    TCRConnectionParameters full;
    full.Username = "full";
    full.MaxPoolSize = 1;
    TCRConnection* held = manager.AcquireConnection(full);
    std::atomic<bool> waiting{false};
    AnsiString waitResult;
    std::thread waiter([&] {
        waiting = true;
        waitResult = ErrorOf([&] { manager.AcquireConnection(full)->ReturnToPool(); });
    });
    while (!waiting)
        Sleep(1);
    Sleep(50); // the waiter is on the free-slot event by now
    TCRConnectionParameters other;
    other.Username = "other";
    uint32_t start = GetTickCount();
    TCRConnection* unrelated = manager.AcquireConnection(other);
    EXPECT_LT(GetTickCount() - start, 1000u);
    unrelated->ReturnToPool();
    held->ReturnToPool();
    waiter.join();
    EXPECT_EQ(waitResult, "(no error)"); // the give-back let the waiter through
}

} // namespace
