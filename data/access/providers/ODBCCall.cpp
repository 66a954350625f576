#include "data/access/providers/ODBCCall.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {
// Process-wide objects; made by the unit's start (or on first use in programs without it).
TCriticalSection* cliLock = nullptr;
TODBCCli* cli = nullptr;
AnsiString* libraryName = nullptr;

TCriticalSection& CliLock() {
    // std::mutex is constant-initialised, so it exists before anything runs.
    static std::mutex creation;
    std::lock_guard<std::mutex> guard(creation);
    if (!cliLock) cliLock = new TCriticalSection();
    return *cliLock;
}
} // namespace

TODBCCli::TODBCCli(TCriticalSection* lock) : lock_(lock) {
    UnbindEntryPoints();
}

TODBCCli::~TODBCCli() {
    try {
        UnloadLibrary();
    } catch (...) {
    }
}

AnsiString TODBCCli::GetLibraryName() {
    std::lock_guard<TCriticalSection> guard(CliLock());
    if (!libraryName) libraryName = new AnsiString("odbc32.dll");
    return *libraryName;
}

void TODBCCli::BindEntryPoints() {
#define VZ_ODBC_BIND(name) name = GetProc<T##name>(#name);
    VZ_ODBC_ENTRY_POINTS(VZ_ODBC_BIND)
#undef VZ_ODBC_BIND
}

void TODBCCli::UnbindEntryPoints() {
#define VZ_ODBC_UNBIND(name) name = &odbc_detail::NotLinked<std::remove_pointer_t<T##name>>::Call;
    VZ_ODBC_ENTRY_POINTS(VZ_ODBC_UNBIND)
#undef VZ_ODBC_UNBIND
}

void TODBCCli::LoadLibrary() {
    std::lock_guard<TCriticalSection> guard(*lock_);
    if (library_) return;
    AnsiString name = GetLibraryName();
    library_ = ::LoadLibraryExA(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library_) throw Exception("Cannot load client library: " + name);
    try {
        BindEntryPoints();
    } catch (...) {
        UnloadLibrary();
        throw;
    }
}

void TODBCCli::UnloadLibrary() {
    std::lock_guard<TCriticalSection> guard(*lock_);
    if (!library_) return;
    FreeEnv();
    ::FreeLibrary(library_);
    library_ = nullptr;
    UnbindEntryPoints();
}

void TODBCCli::AllocEnv() {
    std::lock_guard<TCriticalSection> guard(*lock_);
    if (envHandle_) return;
    if (!library_) LoadLibrary();
    SQLHENV env = SQL_NULL_HENV;
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    if (IsODBCError(r)) throw Exception(Format("Can't initialize SQL environment. Error %d", {r}));
    envHandle_ = env;
    r = SQLSetEnvAttr(envHandle_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (IsODBCError(r)) {
        FreeEnv();
        throw Exception(Format("Can't initialize SQL environment. Error %d", {r}));
    }
}

void TODBCCli::FreeEnv() {
    std::lock_guard<TCriticalSection> guard(*lock_);
    if (!envHandle_) return;
    SQLFreeHandle(SQL_HANDLE_ENV, envHandle_);
    envHandle_ = nullptr;
}

TODBCCli* GetODBCCli() {
    std::lock_guard<TCriticalSection> guard(CliLock());
    if (!cli) cli = new TODBCCli(&CliLock());
    return cli;
}

void SetODBCLibraryName(const AnsiString& name) {
    std::lock_guard<TCriticalSection> guard(CliLock());
    if (libraryName)
        *libraryName = name;
    else
        libraryName = new AnsiString(name);
}

// ---------------------------------------------------------------------------------------------

EODBCError::EODBCError(int32_t errorCode, const AnsiString& message, const AnsiString& state,
                       int32_t nativeError)
    : EDAError(message), State(state), NativeError(nativeError) {
    ErrorCode = errorCode;
}

bool EODBCError::IsFatalError() const {
    if (ConnectionDead) return true;
    if (State.size() >= 2 && State.compare(0, 2, "08") == 0) return true;
    return State == "57P01" || State == "57P02" || State == "57P03";
}

bool EODBCError::IsKeyViolation() const {
    return State.size() >= 2 && State.compare(0, 2, "23") == 0;
}

EODBCError* CreateODBCError(TODBCCli* cli, SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN code) {
    constexpr int MessageSize = 8192;
    std::vector<char> message(MessageSize, 0);
    SQLCHAR state[6] = {};
    SQLINTEGER nativeError = 0;
    SQLSMALLINT length = 0;
    SQLRETURN r = cli->SQLGetDiagRec(handleType, handle, 1, state, &nativeError,
                                     reinterpret_cast<SQLCHAR*>(message.data()), MessageSize, &length);
    if (IsODBCError(r))
        r = cli->SQLGetDiagRec(SQL_HANDLE_ENV, cli->EnvHandle(), 1, state, &nativeError,
                               reinterpret_cast<SQLCHAR*>(message.data()), MessageSize, &length);
    AnsiString text;
    if (!IsODBCError(r)) {
        message[MessageSize - 1] = 0;
        text = message.data();
    } else {
        nativeError = 0;
        std::memset(state, 0, sizeof state);
    }
    state[5] = 0;
    return new EODBCError(code, text, reinterpret_cast<const char*>(state), nativeError);
}

void ODBCCallInitialize() {
    CliLock();
}

void ODBCCallFinalize() {
    // The binding before its lock, then the library name.
    delete cli;
    cli = nullptr;
    delete cliLock;
    cliLock = nullptr;
    delete libraryName;
    libraryName = nullptr;
}
