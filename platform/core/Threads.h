#pragma once
// Critical sections, events and threads.
#include <exception>
#include <functional>

#include "platform/core/ObjectModel.h"

// A recursive lock (Win32 critical section); usable with std::lock_guard.
class TCriticalSection : public TObject {
public:
    VZ_CLASS(TCriticalSection, TObject)
    TCriticalSection();
    ~TCriticalSection() override;
    void Acquire();
    void Release();
    bool TryEnter();
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    void lock() { Acquire(); }
    void unlock() { Release(); }

private:
    CRITICAL_SECTION section_;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A Win32 event object.
class TEvent : public TObject {
public:
    VZ_CLASS(TEvent, TObject)
    explicit TEvent(bool manualReset = true, bool initialState = false);
    ~TEvent() override;
    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(DWORD timeout = INFINITE);
    HANDLE Handle() const { return handle_; }

private:
    HANDLE handle_;
};

// A thread running Execute. An exception escaping Execute ends the thread and is kept as
// FatalException. A descendant whose Execute uses its own members calls WaitFor in its
// destructor (the base destructor runs after the descendant's members are gone).
class TThread : public TObject {
public:
    VZ_CLASS(TThread, TObject)
    explicit TThread(bool createSuspended);
    // Terminates and waits for a running thread.
    ~TThread() override;

    // Starts a thread created suspended (once).
    void Start();
    void Resume() { Start(); }
    // Asks Execute to stop: sets Terminated, which Execute checks.
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    // Waits for the end of Execute and returns ReturnValue. On the main thread it keeps running
    // the work queued by Synchronize meanwhile.
    int WaitFor();

    // Frees the object itself once Execute and OnTerminate have run.
    bool FreeOnTerminate = false;
    int ReturnValue = 0;
    // Runs on the main thread (through Synchronize) after Execute.
    TNotifyEvent OnTerminate;
    std::exception_ptr FatalException() const { return fatalException_; }
    DWORD ThreadID() const { return threadId_; }
    HANDLE Handle() const { return handle_; }

    // Runs method on the main thread and waits for it; on the main thread it runs at once.
    // An exception from method is rethrown in the calling thread.
    static void Synchronize(const std::function<void()>& method);

protected:
    virtual void Execute() = 0;

private:
    static unsigned __stdcall ThreadProc(void* self);
    void WaitForHandle();

    HANDLE handle_ = nullptr;
    DWORD threadId_ = 0;
    volatile bool terminated_ = false;
    volatile bool finished_ = false;
    bool started_ = false;
    std::exception_ptr fatalException_;
};

// The thread that runs the queued Synchronize work. Set by SetMainThread (the program start
// calls it); until then the first thread to call CheckSynchronize counts as the main thread.
void SetMainThread();
DWORD MainThreadID();
// Runs the queued Synchronize work on the main thread; true when something ran. Waits up to
// timeout milliseconds for work when the queue is empty.
bool CheckSynchronize(DWORD timeout = 0);
// Called (from any thread) when Synchronize work is queued, so the main thread can be woken up
// (for instance by posting it a message that runs CheckSynchronize).
extern std::function<void()> WakeMainThread;
