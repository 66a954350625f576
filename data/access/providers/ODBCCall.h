#pragma once
// The ODBC driver manager, loaded when the first connection needs it: its functions are looked
// up by their plain (ANSI) names, the A-suffixed exports of some driver managers being unusable.
// One process-wide binding holds the library, the entry points and the one environment handle.
#include <cstdint>

#include "data/access/DBAccess.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/Threads.h"
#include "platform/core/Win.h"
#include <sql.h>
#include <sqlext.h>

// The entry points, in the order of the binding's table.
#define VZ_ODBC_ENTRY_POINTS(X)                                                                              \
    X(SQLAllocHandle)                                                                                        \
    X(SQLFreeHandle)                                                                                         \
    X(SQLSetEnvAttr)                                                                                         \
    X(SQLConnect)                                                                                            \
    X(SQLDriverConnect)                                                                                      \
    X(SQLDisconnect)                                                                                         \
    X(SQLGetConnectAttr)                                                                                     \
    X(SQLSetConnectAttr)                                                                                     \
    X(SQLEndTran)                                                                                            \
    X(SQLGetInfo)                                                                                            \
    X(SQLDataSources)                                                                                        \
    X(SQLDrivers)                                                                                            \
    X(SQLPrepare)                                                                                            \
    X(SQLExecute)                                                                                            \
    X(SQLExecDirect)                                                                                         \
    X(SQLGetStmtAttr)                                                                                        \
    X(SQLSetStmtAttr)                                                                                        \
    X(SQLRowCount)                                                                                           \
    X(SQLMoreResults)                                                                                        \
    X(SQLCloseCursor)                                                                                        \
    X(SQLParamData)                                                                                          \
    X(SQLPutData)                                                                                            \
    X(SQLBindParameter)                                                                                      \
    X(SQLBindCol)                                                                                            \
    X(SQLNumResultCols)                                                                                      \
    X(SQLDescribeCol)                                                                                        \
    X(SQLColAttribute)                                                                                       \
    X(SQLFetch)                                                                                              \
    X(SQLGetData)                                                                                            \
    X(SQLGetDescField)                                                                                       \
    X(SQLSetDescField)                                                                                       \
    X(SQLTables)                                                                                             \
    X(SQLColumns)                                                                                            \
    X(SQLProcedures)                                                                                         \
    X(SQLProcedureColumns)                                                                                   \
    X(SQLStatistics)                                                                                         \
    X(SQLSpecialColumns)                                                                                     \
    X(SQLGetDiagRec)

// Pointer types of the entry points: TSQLAllocHandle and so on (__stdcall, as the headers declare).
#define VZ_ODBC_POINTER_TYPE(name) using T##name = decltype(&::name);
VZ_ODBC_ENTRY_POINTS(VZ_ODBC_POINTER_TYPE)
#undef VZ_ODBC_POINTER_TYPE

constexpr int ODBCEntryPointCount = 38;

class TODBCCli : public TObject {
public:
    VZ_CLASS(TODBCCli, TObject)
    // The lock is not owned.
    explicit TODBCCli(TCriticalSection* lock);
    ~TODBCCli() override;

    virtual AnsiString GetLibraryName();
    // Fills the table from the loaded library.
    virtual void BindEntryPoints();
    // Raises "Cannot load client library: <name>".
    void LoadLibrary();
    void UnloadLibrary();
    // The library's export of that name, or a stand-in of the same type that raises
    // "CLI function is not linked" when called.
    template <class F> F GetProc(const char* name);
    // Raise "Can't initialize SQL environment. Error %d"; a refused version setting frees the
    // environment again, so the next connect tries anew.
    void AllocEnv();
    void FreeEnv();
    bool IsEnvAllocated() const { return envHandle_ != nullptr; }
    bool IsLibraryLoaded() const { return library_ != nullptr; }
    SQLHENV EnvHandle() const { return envHandle_; }

#define VZ_ODBC_MEMBER(name) T##name name = nullptr;
    VZ_ODBC_ENTRY_POINTS(VZ_ODBC_MEMBER)
#undef VZ_ODBC_MEMBER

protected:
    // Every entry point back to its stand-in.
    void UnbindEntryPoints();

    HMODULE library_ = nullptr;
    TCriticalSection* lock_;
    SQLHENV envHandle_ = nullptr;
};

// The process-wide binding, created on first call under the process-wide lock.
TODBCCli* GetODBCCli();
// The driver manager's library name ("odbc32.dll"); a test sets another before first use.
void SetODBCLibraryName(const AnsiString& name);

// True for every return code but SQL_SUCCESS and SQL_SUCCESS_WITH_INFO (SQL_NO_DATA and
// SQL_NEED_DATA included: callers that expect them test first).
inline bool IsODBCError(SQLRETURN code) {
    return code != SQL_SUCCESS && code != SQL_SUCCESS_WITH_INFO;
}

// A driver's diagnostic record. ErrorCode is the ODBC return code of the failed call; the message
// is the driver's text as returned.
class EODBCError : public EDAError {
public:
    EODBCError(int32_t errorCode, const AnsiString& message, const AnsiString& state, int32_t nativeError);
    // The session is gone: SQLSTATE class 08 (connection exceptions), PostgreSQL's 57P01 to 57P03
    // (administrator shutdown, crash shutdown, cannot connect now), or a driver that reports the
    // connection dead.
    bool IsFatalError() const override;
    // SQLSTATE class 23: integrity constraint violation.
    bool IsKeyViolation() const override;

    AnsiString State;
    int32_t NativeError;
    // Set by the connection when the driver answers SQL_ATTR_CONNECTION_DEAD with SQL_CD_TRUE.
    bool ConnectionDead = false;
};

// Reads the first diagnostic record of the handle, or of the environment when the handle has
// none, into a new error (not raised).
EODBCError* CreateODBCError(TODBCCli* cli, SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN code);

// Unit start and end: the process-wide objects.
void ODBCCallInitialize();
void ODBCCallFinalize();

// ---------------------------------------------------------------------------------------------

namespace odbc_detail {
template <class F> struct NotLinked;
template <class R, class... A> struct NotLinked<R __stdcall(A...)> {
    static R __stdcall Call(A...) { throw Exception("CLI function is not linked"); }
};
} // namespace odbc_detail

template <class F> F TODBCCli::GetProc(const char* name) {
    void* proc = library_ ? reinterpret_cast<void*>(::GetProcAddress(library_, name)) : nullptr;
    if (proc) return reinterpret_cast<F>(proc);
    return &odbc_detail::NotLinked<std::remove_pointer_t<F>>::Call;
}
