#include "data/access/CRConnectionPool.h"

#include "platform/core/Strings.h"

namespace {
TPoolTickSource tickSource = nullptr;

// The handler of the key the thread's current take is for.
thread_local const TErrorProc* takerErrorHandler = nullptr;

const char* const MaxReached = "Maximum connections reached in pool";

// Equal texts first: a key is mostly compared with a copy of itself, and the case-blind
// comparison makes two upper-case copies, whose allocations every taker would queue on.
bool SameText(const AnsiString& a, const AnsiString& b) {
    return a == b || CompareText(a, b) == 0;
}
} // namespace

void SetPoolTickSource(TPoolTickSource source) {
    tickSource = source;
}

uint32_t PoolTickCount() {
    return tickSource ? tickSource() : GetTickCount();
}

TPoolTimes& PoolTimes() {
    static TPoolTimes times;
    return times;
}

// ---------------------------------------------------------------------------------------------
// Key

AnsiString TCRConnectionParameters::LoginText() const {
    return Format("Username=%s\rServer=%s\r", {Username, Server});
}

AnsiString TCRConnectionParameters::PoolText() const {
    return Format("MinPoolSize=%d\rMaxPoolSize=%d\rConnectionLifeTime=%d\rValidate=",
                  {MinPoolSize, MaxPoolSize, ConnectionLifeTime}) +
           (Validate ? "True" : "False") + "\r";
}

bool TCRConnectionParameters::SameAs(const TCRConnectionParameters* other) const {
    return other && MinPoolSize == other->MinPoolSize && MaxPoolSize == other->MaxPoolSize &&
           ConnectionLifeTime == other->ConnectionLifeTime && Validate == other->Validate &&
           SameText(Username, other->Username) && SameText(Server, other->Server) &&
           Password == other->Password && IOHandler == other->IOHandler;
}

void TCRConnectionParameters::SetSpecific(int prop, const Variant& /*value*/) {
    Assert(false, IntToStr(prop));
}

void TCRConnectionParameters::AssignTo(TPersistent* dest) {
    auto* target = dynamic_cast<TCRConnectionParameters*>(dest);
    if (!target) {
        TPersistent::AssignTo(dest);
        return;
    }
    target->MinPoolSize = MinPoolSize;
    target->MaxPoolSize = MaxPoolSize;
    target->Username = Username;
    target->Server = Server;
    target->Password = Password;
    target->ConnectionLifeTime = ConnectionLifeTime;
    target->Validate = Validate;
    target->IOHandler = IOHandler;
    target->ErrorHandler = ErrorHandler;
}

// ---------------------------------------------------------------------------------------------
// Pool

TCRConnectionPool::TCRConnectionPool(TCRConnectionPoolManager* manager,
                                     const TCRConnectionParameters& parameters)
    : manager_(manager) {
    parameters_ = parameters.ClassType()->Create<TCRConnectionParameters>();
    parameters_->Assign(const_cast<TCRConnectionParameters*>(&parameters));
}

int TCRConnectionPool::ConnectionCount() {
    return takenConnectionsCount_;
}

void TCRConnectionPool::PutConnection(TCRConnection* connection) {
    PutBack(manager_ ? manager_->ConnectionForReturn(connection) : connection);
}

const TErrorProc& TCRConnectionPool::TakerErrorHandler() {
    static const TErrorProc none;
    return takerErrorHandler ? *takerErrorHandler : none;
}

void TCRConnectionPool::Notify(const char* text) {
    if (manager_ && manager_->PoolNotify) manager_->PoolNotify(this, text);
}

TCRLocalConnectionPool::TCRLocalConnectionPool(TCRConnectionPoolManager* manager,
                                               const TCRConnectionParameters& parameters)
    : TCRConnectionPool(manager, parameters) {
    Assert(parameters_->MaxPoolSize > 0, "MaxPoolSize must be positive");
    ring_.assign(static_cast<size_t>(parameters_->MaxPoolSize), nullptr);
    ringStamps_.assign(ring_.size(), 0);
    Notify("Connection pool created");
}

TCRLocalConnectionPool::~TCRLocalConnectionPool() {
    DropIdle();
    Notify("Connection pool destroyed");
}

bool TCRLocalConnectionPool::Check(TCRConnection* connection) {
    bool valid;
    try {
        valid = connection->CheckIsValid();
    } catch (...) {
        valid = false;
    }
    connection->PoolVersion = checkVersion_;
    return valid;
}

bool TCRLocalConnectionPool::WithinLifeTime(TCRConnection* connection) const {
    int lifeTime = parameters_->ConnectionLifeTime;
    return lifeTime == 0 ||
           GetTickInterval(connection->ConnectTime(), PoolTickCount()) <= static_cast<uint32_t>(lifeTime);
}

TCRConnection* TCRLocalConnectionPool::TakeIdle(uint32_t* ringStamp) {
    std::lock_guard<std::mutex> count(countLock_);
    if (takenConnectionsCount_ >= parameters_->MaxPoolSize) return nullptr;
    std::lock_guard<std::mutex> ring(ringLock_);
    if (idleCount_ == 0) return nullptr;
    TCRConnection* connection = ring_[static_cast<size_t>(head_)];
    if (ringStamp) *ringStamp = ringStamps_[static_cast<size_t>(head_)];
    ring_[static_cast<size_t>(head_)] = nullptr;
    head_ = (head_ + 1) % parameters_->MaxPoolSize;
    --idleCount_;
    if (++takenConnectionsCount_ == parameters_->MaxPoolSize) freeSlot_.ResetEvent();
    return connection;
}

void TCRLocalConnectionPool::StoreIdle(TCRConnection* connection, uint32_t ringStamp) {
    std::lock_guard<std::mutex> count(countLock_);
    {
        std::lock_guard<std::mutex> ring(ringLock_);
        ring_[static_cast<size_t>(tail_)] = connection;
        ringStamps_[static_cast<size_t>(tail_)] = ringStamp;
        tail_ = (tail_ + 1) % parameters_->MaxPoolSize;
        ++idleCount_;
    }
    if (takenConnectionsCount_-- == parameters_->MaxPoolSize) freeSlot_.SetEvent();
}

void TCRLocalConnectionPool::ReleaseSlot() {
    std::lock_guard<std::mutex> count(countLock_);
    if (takenConnectionsCount_-- == parameters_->MaxPoolSize) freeSlot_.SetEvent();
}

bool TCRLocalConnectionPool::ReserveSlot() {
    std::lock_guard<std::mutex> count(countLock_);
    if (takenConnectionsCount_ >= parameters_->MaxPoolSize) return false;
    if (++takenConnectionsCount_ == parameters_->MaxPoolSize) freeSlot_.ResetEvent();
    return true;
}

void TCRLocalConnectionPool::Destroy(TCRConnection* connection) {
    try {
        delete connection;
    } catch (...) {
    }
    ReleaseSlot();
    Notify("Connection destroyed in pool");
}

TCRConnection* TCRLocalConnectionPool::TakeConnection() {
    {
        uint32_t start = PoolTickCount();
        std::lock_guard<std::mutex> acquire(acquireLock_);
        // A lock wait that used the whole time leaves no wait, not a wrapped-around one.
        uint32_t spent = GetTickInterval(start, PoolTickCount());
        uint32_t limit = PoolTimes().TakeWait;
        // The free-slot event only changes when the count leaves or reaches the maximum: a taker
        // that finds a slot free does not wait on it at all.
        if (!ReserveSlot()) {
            if (freeSlot_.WaitFor(spent >= limit ? 0 : limit - spent) != wrSignaled || !ReserveSlot())
                throw Exception(MaxReached);
        }
    }
    TCRConnection* connection = nullptr;
    {
        std::lock_guard<std::mutex> ring(ringLock_);
        if (idleCount_ > 0) {
            connection = ring_[static_cast<size_t>(head_)];
            ring_[static_cast<size_t>(head_)] = nullptr;
            head_ = (head_ + 1) % parameters_->MaxPoolSize;
            --idleCount_;
        }
    }
    if (connection) {
        bool unusable =
            connection->PoolVersion < expireVersion_ ||
            ((parameters_->Validate || connection->PoolVersion < checkVersion_) && !Check(connection));
        if (unusable) {
            try {
                delete connection;
            } catch (...) {
            }
            Notify("Connection destroyed in pool");
            connection = nullptr;
        }
    }
    if (!connection) {
        try {
            connection = NewConnection();
        } catch (...) {
            ReleaseSlot();
            throw;
        }
        Notify("Connection created in pool");
    }
    connection->Pool = this;
    connection->PoolVersion = checkVersion_;
    Notify("Connection taken from pool");
    return connection;
}

void TCRLocalConnectionPool::PutBack(TCRConnection* connection) {
    Assert(connection->Pool == this, "Connection does not belong to this pool");
    bool keep = WithinLifeTime(connection) && connection->IsValid &&
                connection->PoolVersion >= expireVersion_ &&
                (connection->PoolVersion >= checkVersion_ || Check(connection));
    if (!keep) {
        Destroy(connection);
        return;
    }
    uint32_t stamp;
    {
        std::lock_guard<std::mutex> counter(counterLock_);
        stamp = ++returnCounter_;
    }
    connection->Pool = nullptr;
    StoreIdle(connection, stamp);
    Notify("Connection returned to pool");
}

void TCRLocalConnectionPool::ValidatePass() {
    // Takers go on meanwhile: the connections this pass checks count as handed out.
    std::lock_guard<std::mutex> pass(passLock_);
    uint32_t recent = history_[0];
    uint32_t old = history_[7];
    for (int i = 7; i > 0; --i)
        history_[i] = history_[i - 1];
    {
        std::lock_guard<std::mutex> counter(counterLock_);
        history_[0] = returnCounter_;
    }
    int quota = (surplus_ + 6) / 8;
    int idle;
    {
        std::lock_guard<std::mutex> count(countLock_);
        std::lock_guard<std::mutex> ring(ringLock_);
        idle = idleCount_;
    }
    surplus_ = idle - parameters_->MinPoolSize - quota;
    int destroyed = 0;
    for (int i = 0; i < idle; ++i) {
        uint32_t ringStamp;
        TCRConnection* connection = TakeIdle(&ringStamp);
        if (!connection) break;
        bool keep = ringStamp > old && WithinLifeTime(connection) &&
                    connection->PoolVersion >= expireVersion_ &&
                    ((ringStamp > recent && connection->PoolVersion >= checkVersion_) || Check(connection));
        if (keep) {
            StoreIdle(connection, ringStamp);
        } else {
            Destroy(connection);
            ++destroyed;
        }
    }
    for (; destroyed < quota; ++destroyed) {
        TCRConnection* connection = TakeIdle(nullptr);
        if (!connection) break;
        Destroy(connection);
    }
}

void TCRLocalConnectionPool::DropIdle() {
    while (TCRConnection* connection = TakeIdle(nullptr))
        Destroy(connection);
}

void TCRLocalConnectionPool::ExpireAll() {
    ++checkVersion_;
    ++expireVersion_;
}

void TCRLocalConnectionPool::RequireCheck() {
    ++checkVersion_;
}

int TCRLocalConnectionPool::ConnectionCount() {
    std::lock_guard<std::mutex> count(countLock_);
    std::lock_guard<std::mutex> ring(ringLock_);
    return takenConnectionsCount_ + idleCount_;
}

// ---------------------------------------------------------------------------------------------
// Validator and manager

TValidateThread::TValidateThread(TCRConnectionPoolManager* manager) : TThread(true), manager_(manager) {}

TValidateThread::~TValidateThread() {
    Stop();
    WaitFor();
}

void TValidateThread::Stop() {
    Terminate();
    stopEvent_.SetEvent();
}

void TValidateThread::Execute() {
    uint32_t lastCycle = 0;
    while (!Terminated()) {
        uint32_t interval = PoolTimes().ValidateInterval;
        if (stopEvent_.WaitFor(lastCycle >= interval ? 0 : interval - lastCycle) == wrSignaled) break;
        uint32_t start = PoolTickCount();
        manager_->ValidateCycle(this);
        lastCycle = GetTickInterval(start, PoolTickCount());
    }
}

TCRConnectionPoolManager::TCRConnectionPoolManager() : validator_(std::make_unique<TValidateThread>(this)) {
    validator_->Start();
}

TCRConnectionPoolManager::~TCRConnectionPoolManager() {
    validator_->Stop();
    WaitForSingleObject(validator_->Handle(), 5000);
    validator_.reset();
    std::lock_guard<std::recursive_mutex> list(listLock_);
    pools_.clear();
}

TCRConnection* TCRConnectionPoolManager::AcquireConnection(const TCRConnectionParameters& parameters) {
    TCRConnectionPool* pool = nullptr;
    {
        std::lock_guard<std::recursive_mutex> acquire(acquireLock_);
        for (const auto& candidate : pools_)
            if (candidate->Parameters().SameAs(&parameters)) {
                pool = candidate.get();
                break;
            }
        if (!pool) {
            pools_.push_back(CreatePool(parameters));
            pool = pools_.back().get();
        }
        ++pool->takers_;
    }
    // Once the take ends the connection (or the failure) no longer needs the pool to stay listed;
    // the handler is put back first, the count last, after which the pool may go.
    struct TakeScope {
        TCRConnectionPool* pool;
        const TErrorProc* savedHandler;
        ~TakeScope() {
            takerErrorHandler = savedHandler;
            --pool->takers_;
        }
    } scope{pool, takerErrorHandler};
    takerErrorHandler = &parameters.ErrorHandler;
    return pool->TakeConnection();
}

namespace {
std::mutex entriesLock;
std::vector<std::pair<TClass, TCRConnectionPoolManager::TPooledConnectionProc>>& PooledEntries() {
    static std::vector<std::pair<TClass, TCRConnectionPoolManager::TPooledConnectionProc>> entries;
    return entries;
}
} // namespace

TCRConnection* TCRConnectionPoolManager::PooledConnection(TClass managerClass,
                                                          const TCRConnectionParameters& parameters,
                                                          const TPoolNotify& poolNotify) {
    TPooledConnectionProc proc = nullptr;
    {
        std::lock_guard<std::mutex> guard(entriesLock);
        for (TClass c = managerClass; c && !proc; c = c->ClassParent())
            for (const auto& [cls, entry] : PooledEntries())
                if (cls == c) proc = entry;
    }
    if (!proc) Assert(false, "Must be overriden");
    return proc(parameters, poolNotify);
}

void TCRConnectionPoolManager::RegisterPooledConnection(TClass managerClass, TPooledConnectionProc proc) {
    std::lock_guard<std::mutex> guard(entriesLock);
    for (auto& entry : PooledEntries())
        if (entry.first == managerClass) {
            entry.second = proc;
            return;
        }
    PooledEntries().emplace_back(managerClass, proc);
}

void TCRConnectionPoolManager::UnRegisterPooledConnection(TClass managerClass) {
    std::lock_guard<std::mutex> guard(entriesLock);
    std::erase_if(PooledEntries(), [managerClass](const auto& entry) { return entry.first == managerClass; });
}

void TCRConnectionPoolManager::ValidateCycle(const TThread* thread) {
    std::lock_guard<std::recursive_mutex> list(listLock_);
    int count;
    {
        std::lock_guard<std::recursive_mutex> acquire(acquireLock_);
        count = static_cast<int>(pools_.size());
    }
    // Only this walk removes pools, so the indexes below the count stay while takers append.
    for (int i = count - 1; i >= 0; --i) {
        if (thread && thread->Terminated()) return;
        TCRConnectionPool* pool;
        {
            std::lock_guard<std::recursive_mutex> acquire(acquireLock_);
            pool = pools_[static_cast<size_t>(i)].get();
        }
        pool->ValidatePass();
        std::unique_ptr<TCRConnectionPool> gone;
        {
            std::lock_guard<std::recursive_mutex> acquire(acquireLock_);
            if (pool->ConnectionCount() == 0 && pool->takers_ == 0) {
                gone = std::move(pools_[static_cast<size_t>(i)]);
                pools_.erase(pools_.begin() + i);
            }
        }
    }
}

int TCRConnectionPoolManager::PoolCount() {
    std::lock_guard<std::recursive_mutex> acquire(acquireLock_);
    return static_cast<int>(pools_.size());
}
