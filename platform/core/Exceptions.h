#pragma once
// The platform's exception hierarchy: every error carries its message text.
#include <exception>
#include <source_location>

#include "platform/core/Strings.h"

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : message_(std::move(message)) {}
    const AnsiString& Message() const noexcept { return message_; }
    void SetMessage(AnsiString message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
};

// Raised to end an operation silently.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

// Declares an exception class that only adds its own type to the hierarchy.
#define VZ_EXCEPTION_CLASS(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    }

VZ_EXCEPTION_CLASS(EConvertError, Exception);
VZ_EXCEPTION_CLASS(EListError, Exception);
VZ_EXCEPTION_CLASS(EInvalidCast, Exception);
VZ_EXCEPTION_CLASS(EInvalidOperation, Exception);
VZ_EXCEPTION_CLASS(EOutOfMemory, Exception);
// The system has no handles, timers or similar resources left.
VZ_EXCEPTION_CLASS(EOutOfResources, EOutOfMemory);
VZ_EXCEPTION_CLASS(EClassNotFound, Exception);
VZ_EXCEPTION_CLASS(EComponentError, Exception);
VZ_EXCEPTION_CLASS(EThread, Exception);
VZ_EXCEPTION_CLASS(EStreamError, Exception);
VZ_EXCEPTION_CLASS(EReadError, EStreamError);
VZ_EXCEPTION_CLASS(EWriteError, EStreamError);
VZ_EXCEPTION_CLASS(EFOpenError, EStreamError);
VZ_EXCEPTION_CLASS(EFCreateError, EStreamError);
VZ_EXCEPTION_CLASS(EResNotFound, Exception);

// A failed operating-system call; ErrorCode is GetLastError's value.
class EOSError : public Exception {
public:
    EOSError(AnsiString message, unsigned long errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    unsigned long ErrorCode;
};

// A broken internal assumption; the message ends with where it was made.
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(const AnsiString& message, AnsiString fileName, int lineNumber);
    const AnsiString& FileName() const noexcept { return fileName_; }
    int LineNumber() const noexcept { return lineNumber_; }

private:
    AnsiString fileName_;
    int lineNumber_;
};

// Raises EAssertionFailed "<message> (<file>, line <n>)" when condition is false.
void Assert(bool condition, const AnsiString& message = "Assertion failed",
            std::source_location where = std::source_location::current());

// Text of a system error code (FormatMessage), without the trailing line break.
AnsiString SysErrorMessage(unsigned long errorCode);
// Raises EOSError for GetLastError() (or the given code).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(unsigned long errorCode);
