#pragma once
// Connection pooling: one pool per distinct key, a ring of idle connections with stamps, and a
// validator thread that checks and trims every pool in the background.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "data/access/CRAccess.h"
#include "platform/core/Persistent.h"
#include "platform/core/Threads.h"

// The clock and the two 30-second times of the pool, so that tests never wait.
using TPoolTickSource = uint32_t (*)();
void SetPoolTickSource(TPoolTickSource source); // nullptr: GetTickCount
uint32_t PoolTickCount();
struct TPoolTimes {
    uint32_t TakeWait = 30000;         // how long a taker waits for a free slot
    uint32_t ValidateInterval = 30000; // from one validation cycle to the next
};
TPoolTimes& PoolTimes();

class TCRConnectionPoolManager;

// The pool key; a pool keeps its own copy.
class TCRConnectionParameters : public TPersistent {
public:
    VZ_CLASS(TCRConnectionParameters, TPersistent)
    TCRConnectionParameters() = default;

    // "Username=%s\rServer=%s\r".
    virtual AnsiString LoginText() const;
    // "MinPoolSize=%d\rMaxPoolSize=%d\rConnectionLifeTime=%d\rValidate=True\r" (or False).
    virtual AnsiString PoolText() const;
    virtual bool SameAs(const TCRConnectionParameters* other) const;
    // A numbered provider value; the base knows none.
    virtual void SetSpecific(int prop, const Variant& value);
    AnsiString AsText() const { return LoginText() + PoolText(); }

    int MinPoolSize = 0;
    int MaxPoolSize = 100;
    AnsiString Username;
    AnsiString Server;
    AnsiString Password;
    int ConnectionLifeTime = 0; // milliseconds; 0 unlimited
    bool Validate = false;
    TCRIOHandler* IOHandler = nullptr;
    TErrorProc ErrorHandler;

protected:
    void AssignTo(TPersistent* dest) override;
};

class TCRConnectionPool : public TObject, public TCRConnectionPoolLink {
public:
    VZ_CLASS(TCRConnectionPool, TObject)
    TCRConnectionPool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& parameters);

    virtual void ValidatePass() {}
    virtual void DropIdle() {}
    virtual void ExpireAll() {}
    virtual int ConnectionCount();
    virtual void PutBack(TCRConnection* connection) = 0;
    virtual TCRConnection* TakeConnection() = 0;
    virtual void RequireCheck() {}

    // A connection's ReturnToPool arrives here.
    void PutConnection(TCRConnection* connection) override;

    const TCRConnectionParameters& Parameters() const { return *parameters_; }
    TCRConnectionPoolManager* Manager() const { return manager_; }
    // The error handler of the key this thread is taking a connection for (empty outside a take):
    // connections made for a taker report their errors to that taker's handler, never to the
    // handler of whichever component made the pool (it may be gone). Kept per thread, since
    // takers of one pool connect at the same time.
    static const TErrorProc& TakerErrorHandler();

protected:
    void Notify(const char* text);

    std::unique_ptr<TCRConnectionParameters> parameters_;
    TCRConnectionPoolManager* manager_;
    int takenConnectionsCount_ = 0;

private:
    friend class TCRConnectionPoolManager;
    // Takers between finding this pool in the manager's list and the end of their take: the
    // validator leaves a pool in the list while any are on their way.
    std::atomic<int> takers_{0};
};

class TCRLocalConnectionPool : public TCRConnectionPool {
public:
    VZ_CLASS(TCRLocalConnectionPool, TCRConnectionPool)
    TCRLocalConnectionPool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& parameters);
    // Drops the idle connections.
    ~TCRLocalConnectionPool() override;

    void ValidatePass() override;
    void DropIdle() override;
    void ExpireAll() override;
    int ConnectionCount() override;
    void PutBack(TCRConnection* connection) override;
    // Raises "Maximum connections reached in pool" when no slot frees in time.
    TCRConnection* TakeConnection() override;
    void RequireCheck() override;

protected:
    // A new connected internal connection for the key.
    virtual TCRConnection* NewConnection() = 0;

private:
    // Takes the head of the ring as a handed-out connection; nullptr when the ring is empty or
    // every slot is handed out.
    TCRConnection* TakeIdle(uint32_t* ringStamp);
    // Stores a handed-out connection at the tail and frees its slot.
    void StoreIdle(TCRConnection* connection, uint32_t ringStamp);
    // Frees a handed-out connection (errors swallowed) and its slot.
    void Destroy(TCRConnection* connection);
    void ReleaseSlot();
    // Counts one more handed-out connection; false when all are handed out.
    bool ReserveSlot();
    // The validity check; stamps the connection with the check version.
    bool Check(TCRConnection* connection);
    bool WithinLifeTime(TCRConnection* connection) const;

    std::vector<TCRConnection*> ring_;
    std::vector<uint32_t> ringStamps_;
    int head_ = 0;
    int tail_ = 0;
    int idleCount_ = 0;
    uint32_t returnCounter_ = 0;
    uint32_t history_[8] = {};
    int surplus_ = 0;
    std::atomic<int> checkVersion_{0};
    std::atomic<int> expireVersion_{0};
    TEvent freeSlot_{true, true};
    std::mutex ringLock_;
    std::mutex countLock_;
    std::mutex counterLock_;
    std::mutex acquireLock_;
    // Keeps two validation passes over one pool apart (the history and the surplus).
    std::mutex passLock_;
};

class TValidateThread : public TThread {
public:
    VZ_CLASS(TValidateThread, TThread)
    explicit TValidateThread(TCRConnectionPoolManager* manager);
    // Waits for the end of the run: Execute uses this object's members.
    ~TValidateThread() override;
    void Stop();

protected:
    void Execute() override;

private:
    TCRConnectionPoolManager* manager_;
    TEvent stopEvent_{true, false};
};

class TCRConnectionPoolManager : public TObject {
public:
    VZ_CLASS(TCRConnectionPoolManager, TObject)
    // Starts the validator.
    TCRConnectionPoolManager();
    // Stops the validator, then frees every pool.
    ~TCRConnectionPoolManager() override;

    virtual std::unique_ptr<TCRConnectionPool> CreatePool(const TCRConnectionParameters& parameters) = 0;
    // From the pool of an equal key, made on first request. The manager's lock covers finding the
    // pool only: takers of one pool queue on that pool's own lock while it is full, and no lock is
    // held while a connection connects or is checked.
    virtual TCRConnection* AcquireConnection(const TCRConnectionParameters& parameters);
    virtual TCRConnection* ConnectionForReturn(TCRConnection* connection) { return connection; }

    // One validation cycle over the pools, last first; a pool left without connections goes.
    void ValidateCycle(const TThread* thread);
    int PoolCount();

    // The SQL monitor's pool notification (set by the provider).
    std::function<void(TCRConnectionPool* pool, const AnsiString& text)> PoolNotify;

    // Class-level PooledConnection of a manager class: a connection for the key from that class's
    // process-wide manager. Provider units register their class's entry when they start; a class
    // without one (nor an ancestor with one) fails the assertion "Must be overriden".
    using TPoolNotify = std::function<void(TCRConnectionPool*, const AnsiString&)>;
    using TPooledConnectionProc = TCRConnection* (*)(const TCRConnectionParameters& parameters,
                                                     const TPoolNotify& poolNotify);
    static TCRConnection* PooledConnection(TClass managerClass, const TCRConnectionParameters& parameters,
                                           const TPoolNotify& poolNotify = nullptr);
    static void RegisterPooledConnection(TClass managerClass, TPooledConnectionProc proc);
    static void UnRegisterPooledConnection(TClass managerClass);

private:
    std::vector<std::unique_ptr<TCRConnectionPool>> pools_;
    std::recursive_mutex listLock_;
    std::recursive_mutex acquireLock_;
    std::unique_ptr<TValidateThread> validator_;
};
