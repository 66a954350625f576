#include "platform/core/Threads.h"

#include <process.h>

#include <deque>
#include <mutex>

// --- TCriticalSection / TEvent -------------------------------------------------------------------

TCriticalSection::TCriticalSection() {
    InitializeCriticalSection(&section_);
}
TCriticalSection::~TCriticalSection() {
    DeleteCriticalSection(&section_);
}
void TCriticalSection::Acquire() {
    EnterCriticalSection(&section_);
}
void TCriticalSection::Release() {
    LeaveCriticalSection(&section_);
}
bool TCriticalSection::TryEnter() {
    return TryEnterCriticalSection(&section_) != 0;
}

TEvent::TEvent(bool manualReset, bool initialState)
    : handle_(CreateEventA(nullptr, manualReset, initialState, nullptr)) {
    if (!handle_) RaiseLastOSError();
}
TEvent::~TEvent() {
    CloseHandle(handle_);
}
void TEvent::SetEvent() {
    ::SetEvent(handle_);
}
void TEvent::ResetEvent() {
    ::ResetEvent(handle_);
}

TWaitResult TEvent::WaitFor(DWORD timeout) {
    switch (WaitForSingleObject(handle_, timeout)) {
    case WAIT_OBJECT_0:
        return wrSignaled;
    case WAIT_TIMEOUT:
        return wrTimeout;
    case WAIT_ABANDONED:
        return wrAbandoned;
    default:
        return wrError;
    }
}

// --- Synchronize ---------------------------------------------------------------------------------

std::function<void()> WakeMainThread;

namespace {
struct SyncRequest {
    const std::function<void()>* method;
    std::exception_ptr error;
    HANDLE done;
};

std::mutex syncLock;
std::deque<SyncRequest*> syncQueue;
DWORD mainThreadId = 0;
HANDLE syncSignal = nullptr; // auto-reset: work was queued

HANDLE SyncSignal() {
    std::lock_guard guard(syncLock);
    if (!syncSignal) syncSignal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return syncSignal;
}

bool IsMainThread() {
    DWORD main = MainThreadID();
    return main == 0 || main == GetCurrentThreadId();
}
} // namespace

void SetMainThread() {
    std::lock_guard guard(syncLock);
    mainThreadId = GetCurrentThreadId();
}

DWORD MainThreadID() {
    std::lock_guard guard(syncLock);
    return mainThreadId;
}

bool CheckSynchronize(DWORD timeout) {
    {
        std::lock_guard guard(syncLock);
        if (mainThreadId == 0) mainThreadId = GetCurrentThreadId();
        if (mainThreadId != GetCurrentThreadId())
            throw EThread("CheckSynchronize called outside the main thread");
    }
    HANDLE signal = SyncSignal();
    bool ran = false;
    for (bool waited = false;;) {
        SyncRequest* request = nullptr;
        {
            std::lock_guard guard(syncLock);
            if (!syncQueue.empty()) {
                request = syncQueue.front();
                syncQueue.pop_front();
            }
        }
        if (!request) {
            if (ran || waited || timeout == 0) return ran;
            WaitForSingleObject(signal, timeout);
            waited = true;
            continue;
        }
        try {
            (*request->method)();
        } catch (...) {
            request->error = std::current_exception();
        }
        ran = true;
        ::SetEvent(request->done);
    }
}

void TThread::Synchronize(const std::function<void()>& method) {
    if (IsMainThread()) {
        // On the main thread, or no main thread known to serve the queue: run here.
        method();
        return;
    }
    SyncRequest request{&method, nullptr, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!request.done) RaiseLastOSError();
    HANDLE signal = SyncSignal();
    {
        std::lock_guard guard(syncLock);
        syncQueue.push_back(&request);
    }
    ::SetEvent(signal);
    if (WakeMainThread) WakeMainThread();
    WaitForSingleObject(request.done, INFINITE);
    CloseHandle(request.done);
    if (request.error) std::rethrow_exception(request.error);
}

// --- TThread -------------------------------------------------------------------------------------

TThread::TThread(bool createSuspended) {
    unsigned id = 0;
    handle_ = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!handle_) throw EThread(Format("Thread creation error: %s", {SysErrorMessage(GetLastError())}));
    threadId_ = id;
    if (!createSuspended) Start();
}

TThread::~TThread() {
    if (!handle_) return;
    if (GetCurrentThreadId() != threadId_) {
        if (!started_) {
            // Never ran: let it start and leave at once without Execute.
            terminated_ = true;
            started_ = true;
            ResumeThread(handle_);
        } else if (!finished_) {
            Terminate();
        }
        WaitForHandle();
    }
    CloseHandle(handle_);
}

void TThread::Start() {
    if (started_) return;
    started_ = true;
    ResumeThread(handle_);
}

int TThread::WaitFor() {
    if (GetCurrentThreadId() == threadId_) throw EThread("Thread cannot wait for itself");
    WaitForHandle();
    return ReturnValue;
}

void TThread::WaitForHandle() {
    if (IsMainThread()) {
        // Serve Synchronize requests of the thread we wait for, or both would wait forever.
        HANDLE handles[2] = {handle_, SyncSignal()};
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0)
            CheckSynchronize();
        CheckSynchronize();
    } else {
        WaitForSingleObject(handle_, INFINITE);
    }
}

unsigned __stdcall TThread::ThreadProc(void* param) {
    auto* self = static_cast<TThread*>(param);
    if (!self->terminated_) {
        try {
            self->Execute();
        } catch (...) {
            self->fatalException_ = std::current_exception();
        }
    }
    bool freeOnTerminate = self->FreeOnTerminate;
    if (self->OnTerminate) {
        try {
            Synchronize([self] { self->OnTerminate(self); });
        } catch (...) {
            if (!self->fatalException_) self->fatalException_ = std::current_exception();
        }
    }
    int result = self->ReturnValue;
    self->finished_ = true;
    if (freeOnTerminate) delete self;
    return static_cast<unsigned>(result);
}
