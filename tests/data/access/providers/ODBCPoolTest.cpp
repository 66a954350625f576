// Pooled ODBC connections on the private PostgreSQL server.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "OdbcTestSupport.h"
#include "data/access/providers/ODBCConnectionPool.h"
#include "support/PostgresServer.h"

namespace {

void PostgresKey(TODBCConnectionParameters& key, int maxPoolSize) {
    const PostgresServer& server = PostgresServer::Get();
    key.Server = server.ServerText();
    key.Username = server.User;
    key.Password = server.Password;
    key.MaxPoolSize = maxPoolSize;
    key.ConnectionTimeout = 15;
}

TEST(ODBCPool, PooledConnectionsKeepTheirBackend) {
    {
        TODBCConnectionPoolManager manager;
        TODBCConnectionParameters key;
        PostgresKey(key, 5);
        auto* first = static_cast<TODBCConnection*>(manager.AcquireConnection(key));
        std::string pid = QueryValue(*first, "SELECT pg_backend_pid()");
        first->ReturnToPool();
        auto* again = static_cast<TODBCConnection*>(manager.AcquireConnection(key));
        EXPECT_EQ(QueryValue(*again, "SELECT pg_backend_pid()"), pid);
        // Another login text is another pool and another session.
        TODBCConnectionParameters other;
        other.Assign(&key);
        other.ConnectionTimeout = 16;
        auto* second = static_cast<TODBCConnection*>(manager.AcquireConnection(other));
        EXPECT_NE(QueryValue(*second, "SELECT pg_backend_pid()"), pid);
        EXPECT_EQ(manager.PoolCount(), 2);
        second->ReturnToPool();
        again->ReturnToPool();
    }
    // A wrong password reaches the taker as the driver's error.
    TODBCConnectionParameters wrong;
    PostgresKey(wrong, 5);
    wrong.Password = "nope";
    EXPECT_NE(MessageOf([&] { TODBCConnectionPoolManager::PooledConnection(wrong); }), "<no error>");
    ODBCConnectionPoolFinalize();
}

TEST(ODBCPool, EightThreadsNeverHoldMoreThanTheMaximum) {
    TODBCConnectionParameters key;
    PostgresKey(key, 3);
    std::atomic<int> inUse{0}, most{0};
    std::mutex pidsLock;
    std::set<std::string> pids;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                auto* c = static_cast<TODBCConnection*>(TODBCConnectionPoolManager::PooledConnection(key));
                int now = ++inUse;
                int seen = most;
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                std::string pid = QueryValue(*c, "SELECT pg_backend_pid()");
                {
                    std::lock_guard<std::mutex> guard(pidsLock);
                    pids.insert(pid);
                }
                --inUse;
                c->ReturnToPool();
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(most.load(), 3);
    EXPECT_LE(pids.size(), 3u);
    ODBCConnectionPoolFinalize();
}

} // namespace
