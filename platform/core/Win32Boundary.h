#pragma once
// Exceptions never unwind through Win32 frames (window procedures, hooks, enumeration and timer
// callbacks). Code called from Win32 runs inside GuardedCall, which catches everything. The
// error then goes to the innermost TExceptionCarrier of the thread, which rethrows it after the
// Win32 call returns, or, when none is active, to the application's exception handler.
#include <exception>
#include <functional>
#include <utility>

#include "platform/core/Exceptions.h"

using TApplicationExceptionHandler = std::function<void(const std::exception& error)>;

// Replaces the application-wide handler and returns the previous one. An empty handler restores
// the default, which writes the message with OutputDebugString. EAbort never reaches it.
TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler);
// Hands a caught exception to the active carrier or to the application's handler. Never throws.
void HandleBoundaryException(std::exception_ptr error) noexcept;

// Calls f and returns its result; on an exception returns onError after handing it on.
template <class F, class R> R GuardedCall(F&& f, R onError) noexcept {
    try {
        return static_cast<R>(std::forward<F>(f)());
    } catch (...) {
        HandleBoundaryException(std::current_exception());
        return onError;
    }
}
template <class F> void GuardedCall(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
        HandleBoundaryException(std::current_exception());
    }
}

// While alive, catches the exceptions that GuardedCall hands on in this thread (the first one is
// kept). Put one around a Win32 call that calls back into our code, then call Rethrow.
class TExceptionCarrier {
public:
    TExceptionCarrier();
    ~TExceptionCarrier();
    TExceptionCarrier(const TExceptionCarrier&) = delete;
    TExceptionCarrier& operator=(const TExceptionCarrier&) = delete;

    void Capture(std::exception_ptr error) noexcept;
    bool HasException() const { return error_ != nullptr; }
    // Rethrows the kept exception (and forgets it); nothing when none.
    void Rethrow();
    static TExceptionCarrier* Active();

    // Runs f (a Win32 call) with a carrier active and rethrows what the callbacks raised.
    template <class F> static decltype(auto) Run(F&& f) {
        TExceptionCarrier carrier;
        if constexpr (std::is_void_v<decltype(f())>) {
            std::forward<F>(f)();
            carrier.Rethrow();
        } else {
            auto result = std::forward<F>(f)();
            carrier.Rethrow();
            return result;
        }
    }

private:
    std::exception_ptr error_;
    TExceptionCarrier* previous_;
};
