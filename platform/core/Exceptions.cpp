#include "platform/core/Exceptions.h"

EAssertionFailed::EAssertionFailed(const AnsiString& message, AnsiString fileName, int lineNumber)
    : Exception(Format("%s (%s, line %d)", {message, fileName, lineNumber})), fileName_(std::move(fileName)),
      lineNumber_(lineNumber) {}

void Assert(bool condition, const AnsiString& message, std::source_location where) {
    if (!condition)
        throw EAssertionFailed(message.empty() ? AnsiString("Assertion failed") : message, where.file_name(),
                               static_cast<int>(where.line()));
}

AnsiString SysErrorMessage(unsigned long errorCode) {
    char* buffer = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                             nullptr, errorCode, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    AnsiString text;
    if (n && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = Format("System error %u", {errorCode});
    return text;
}

void RaiseLastOSError() {
    RaiseLastOSError(GetLastError());
}

void RaiseLastOSError(unsigned long errorCode) {
    if (errorCode == 0) throw EOSError("A call to an OS function failed", 0);
    throw EOSError(Format("System Error.  Code: %d.\r\n%s", {errorCode, SysErrorMessage(errorCode)}),
                   errorCode);
}
