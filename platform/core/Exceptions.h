#pragma once
// The platform's exception hierarchy: every error carries its message text.
#include <exception>

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
