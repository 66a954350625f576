#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "platform/core/Threads.h"

namespace {
class TWorker : public TThread {
public:
    explicit TWorker(std::function<void(TWorker&)> body, bool suspended = false)
        : TThread(true), body_(std::move(body)) {
        if (!suspended) Start();
    }
    ~TWorker() override {
        if (!Finished()) {
            Terminate();
            WaitFor();
        }
    }
    bool IsTerminated() const { return Terminated(); }

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TWorker&)> body_;
};
} // namespace

TEST(CoreThread, ExecuteRunsAndWaitForReturnsTheResult) {
    SetMainThread();
    DWORD ranOn = 0;
    TWorker w([&](TWorker& self) {
        ranOn = GetCurrentThreadId();
        self.ReturnValue = 5;
    });
    EXPECT_EQ(5, w.WaitFor());
    EXPECT_NE(GetCurrentThreadId(), ranOn);
    EXPECT_EQ(nullptr, w.FatalException());
}

TEST(CoreThread, ExceptionInExecuteIsKeptAsFatalException) {
    TWorker w([](TWorker&) { throw std::runtime_error("worker failed"); });
    w.WaitFor();
    ASSERT_NE(nullptr, w.FatalException());
    try {
        std::rethrow_exception(w.FatalException());
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("worker failed", e.what());
    }
}

TEST(CoreThread, TerminateStopsALoopingThread) {
    std::atomic<int> loops = 0;
    TWorker w([&](TWorker& self) {
        while (!self.IsTerminated()) {
            ++loops;
            Sleep(1);
        }
    });
    while (loops == 0)
        Sleep(1);
    w.Terminate();
    w.WaitFor();
    EXPECT_TRUE(w.Finished());
}

TEST(CoreThread, SynchronizeRunsOnTheMainThreadWhileItWaits) {
    SetMainThread();
    DWORD syncOn = 0, terminateOn = 0;
    TWorker w(
        [&](TWorker&) {
            TThread::Synchronize([&] { syncOn = GetCurrentThreadId(); });
            // An exception of the synchronized method comes back to the worker.
            try {
                TThread::Synchronize([] { throw EConvertError("in main"); });
            } catch (const EConvertError&) {
                syncOn += 0;
            }
        },
        true);
    w.OnTerminate = [&](TObject*) { terminateOn = GetCurrentThreadId(); };
    w.Start();
    w.WaitFor(); // serves the worker's requests
    EXPECT_EQ(GetCurrentThreadId(), syncOn);
    EXPECT_EQ(GetCurrentThreadId(), terminateOn);
    EXPECT_EQ(nullptr, w.FatalException());
}

TEST(CoreThread, FreeOnTerminateDeletesTheThreadObject) {
    SetMainThread();
    static std::atomic<bool> destroyed;
    destroyed = false;
    struct TSelfFreeing : TThread {
        TSelfFreeing() : TThread(true) { FreeOnTerminate = true; }
        ~TSelfFreeing() override { destroyed = true; }
        void Execute() override {}
    };
    (new TSelfFreeing)->Start();
    for (int i = 0; i < 500 && !destroyed; ++i)
        Sleep(2);
    EXPECT_TRUE(destroyed);
}

TEST(CoreThread, CriticalSectionAndEvent) {
    TCriticalSection lock;
    int counter = 0;
    TEvent go(true, false);
    EXPECT_EQ(wrTimeout, go.WaitFor(0));
    TWorker a([&](TWorker&) {
        go.WaitFor();
        for (int i = 0; i < 10000; ++i) {
            std::lock_guard guard(lock);
            ++counter;
        }
    });
    TWorker b([&](TWorker&) {
        go.WaitFor();
        for (int i = 0; i < 10000; ++i) {
            lock.Enter();
            ++counter;
            lock.Leave();
        }
    });
    go.SetEvent();
    a.WaitFor();
    b.WaitFor();
    EXPECT_EQ(20000, counter);
    EXPECT_EQ(wrSignaled, go.WaitFor(0));
}
