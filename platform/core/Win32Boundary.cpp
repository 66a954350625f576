#include "platform/core/Win32Boundary.h"

#include <mutex>

namespace {
std::mutex handlerLock;
TApplicationExceptionHandler handler; // empty: the default
thread_local TExceptionCarrier* activeCarrier = nullptr;

void DefaultHandler(const std::exception& error) {
    OutputDebugStringA(("Unhandled exception: " + AnsiString(error.what()) + "\n").c_str());
}
} // namespace

TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler newHandler) {
    std::lock_guard guard(handlerLock);
    TApplicationExceptionHandler previous = std::move(handler);
    handler = std::move(newHandler);
    return previous;
}

void HandleBoundaryException(std::exception_ptr error) noexcept {
    if (!error) return;
    if (activeCarrier) {
        activeCarrier->Capture(error);
        return;
    }
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EAbort&) {
            // Ends an operation silently.
        } catch (const std::exception& e) {
            TApplicationExceptionHandler current;
            {
                std::lock_guard guard(handlerLock);
                current = handler;
            }
            if (current)
                current(e);
            else
                DefaultHandler(e);
        } catch (...) {
            Exception unknown("Unknown exception");
            TApplicationExceptionHandler current;
            {
                std::lock_guard guard(handlerLock);
                current = handler;
            }
            if (current)
                current(unknown);
            else
                DefaultHandler(unknown);
        }
    } catch (...) {
        // The handler itself failed; there is nobody left to tell.
        OutputDebugStringA("Exception handler raised an exception\n");
    }
}

TExceptionCarrier::TExceptionCarrier() : previous_(activeCarrier) {
    activeCarrier = this;
}

TExceptionCarrier::~TExceptionCarrier() {
    activeCarrier = previous_;
    // Not rethrown (the carrier's scope ended by an exception of its own): pass it on, never lose it.
    if (error_) HandleBoundaryException(error_);
}

void TExceptionCarrier::Capture(std::exception_ptr error) noexcept {
    if (!error_) error_ = std::move(error);
}

void TExceptionCarrier::Rethrow() {
    if (!error_) return;
    std::exception_ptr e = std::move(error_);
    error_ = nullptr;
    std::rethrow_exception(e);
}

TExceptionCarrier* TExceptionCarrier::Active() {
    return activeCarrier;
}
