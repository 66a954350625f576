// odbc_pool_bench [DRIVER]
//   DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture, which must run:
//           tools/postgres/pgfixture start build/postgres).
// Prints microseconds per cycle: a fresh connect and disconnect (the baseline), a pooled take and
// give-back on one thread, and the throughput of eight threads taking from one pool beside one;
// then the unified connection's Connect and Disconnect with its own connection and with pooling.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "data/access/DataAccessUnits.h"
#include "data/access/UniConnection.h"
#include "data/access/providers/ODBCConnectionPool.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "data/access/providers/ProviderUnits.h"
#include "platform/core/UnitTable.h"
#include "support/PostgresServer.h"

namespace {

void Key(TODBCConnectionParameters& key, const std::string& driver) {
    if (driver == "postgres") {
        const PostgresServer& server = PostgresServer::Get();
        key.Server = server.ServerText();
        key.Username = server.User;
        key.Password = server.Password;
    } else {
        const char* bin = std::getenv("VZ_BINARY_DIR");
        key.Server = "DRIVER={SQLite3};Database=" + std::string(bin ? bin : ".") + "/odbc_pool_bench.db";
    }
    key.MaxPoolSize = 16;
}

// Cycles per second of threads taking and giving back for a fixed number of cycles each.
double Throughput(TODBCConnectionPoolManager& manager, const TODBCConnectionParameters& key, int threads,
                  int cycles) {
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < cycles; ++i)
                manager.AcquireConnection(key)->ReturnToPool();
        });
    for (auto& w : workers)
        w.join();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return threads * cycles / seconds;
}

} // namespace

int main(int argc, char** argv) {
    std::string driver = argc > 1 ? argv[1] : "sqlite";
    TODBCConnectionParameters key;
    Key(key, driver);
    double fresh = BestTime<std::micro>(
        [&] {
            TODBCConnection connection;
            connection.SetServer(key.Server);
            connection.SetUsername(key.Username);
            connection.SetPassword(key.Password);
            connection.Connect("");
            connection.Disconnect();
        },
        driver == "postgres" ? 20 : 200);
    TODBCConnectionPoolManager manager;
    manager.AcquireConnection(key)->ReturnToPool();
    double pooled = BestTime<std::micro>([&] { manager.AcquireConnection(key)->ReturnToPool(); }, 20000);
    Throughput(manager, key, 8, 1000); // the pool fills to eight connections first
    double one = Throughput(manager, key, 1, 40000);
    double eight = Throughput(manager, key, 8, 5000);
    std::printf("%s: fresh connect+disconnect %.1f us, pooled take+give-back %.2f us (%.0fx cheaper)\n",
                driver.c_str(), fresh, pooled, fresh / pooled);
    std::printf("%s: pooled cycles per second, 1 thread %.0f, 8 threads %.0f (%.2f of one)\n", driver.c_str(),
                one, eight, eight / one);

    InitializeUnits(SelectUnits(JoinUnits({DataAccessUnits(), ProviderUnits()}),
                                {"DBAccess", "UniProvider", "ODBCUniProvider"}));
    double component[2];
    for (bool pooling : {false, true}) {
        TUniConnection connection;
        connection.SetProviderName("ODBC");
        connection.LoginPrompt = false;
        connection.SetServer(key.Server.c_str());
        connection.SetUsername(key.Username.c_str());
        connection.SetPassword(key.Password.c_str());
        connection.SetPooling(pooling);
        component[pooling] = BestTime<std::micro>(
            [&] {
                connection.Connect();
                connection.Disconnect();
            },
            pooling ? 20000 : (driver == "postgres" ? 20 : 200));
    }
    std::printf("%s: TUniConnection connect+disconnect %.1f us own, %.2f us pooled (%.0fx cheaper)\n",
                driver.c_str(), component[0], component[1], component[0] / component[1]);
    FinalizeUnits();
    return 0;
}
