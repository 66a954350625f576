// odbc_pool_bench [DRIVER]
//   DRIVER: sqlite (default) or postgres (the server of CTest's postgres fixture, which must run:
//           tools/postgres/pgfixture start build/postgres).
// Prints microseconds per cycle: a fresh connect and disconnect (the baseline), a pooled take and
// give-back on one thread; then rounds that take turns of a fixed number of take-and-give-back
// cycles done by one thread and the same number shared by eight, once with the idle connection
// reused and once with every give-back destroying it (so every take connects anew through the
// driver); then the unified connection's Connect and Disconnect with its own connection and with
// pooling.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchRounds.h"
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

// Seconds for threads sharing a fixed number of take-and-give-back cycles. Lost connections are
// marked unusable before they go back, so that the pool destroys them and the next take connects.
double SharedCycles(TODBCConnectionPoolManager& manager, const TODBCConnectionParameters& key, int threads,
                    int cycles, bool lose) {
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < cycles / threads; ++i) {
                TCRConnection* connection = manager.AcquireConnection(key);
                if (lose) connection->IsValid = false;
                connection->ReturnToPool();
            }
        });
    for (auto& w : workers)
        w.join();
    return BenchSeconds(start);
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
    std::printf("%s: fresh connect+disconnect %.1f us, pooled take+give-back %.2f us (%.0fx cheaper)\n",
                driver.c_str(), fresh, pooled, fresh / pooled);
    const int reused = 80000;
    const int connecting = driver == "postgres" ? 400 : 800;
    SharedCycles(manager, key, 8, 800, false); // the pool fills to eight connections first
    std::vector<BenchPhase> phases = {
        {"reuse 1 thread", [&] { return SharedCycles(manager, key, 1, reused, false); }, "", {}},
        {"reuse 8 threads", [&] { return SharedCycles(manager, key, 8, reused, false); }, "reuse 1 thread", {}},
        {"connect 1 thread", [&] { return SharedCycles(manager, key, 1, connecting, true); }, "", {}},
        {"connect 8 thr.", [&] { return SharedCycles(manager, key, 8, connecting, true); }, "connect 1 thread",
         {}},
    };
    RunRounds(phases, 7);
    std::printf("%s: %d reused and %d connecting cycles, median of 7 rounds [range] (below 1x: eight "
                "threads faster than one)\n",
                driver.c_str(), reused, connecting);
    PrintRounds(phases);

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
