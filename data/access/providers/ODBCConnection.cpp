// ODBC connection, transaction and dialect.
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCRecordSet.h"

int TODBCSQLInfo::IdentCase() const {
    return Connection ? Connection->IdentifierCase() : icMixed;
}

AnsiString ODBCConnectionValue(const AnsiString& value) {
    // Unbraced, a ";" would end the value and its rest would read as further keywords.
    if (value.find(';') == AnsiString::npos && (value.empty() || value[0] != '{')) return value;
    AnsiString result = "{";
    for (char c : value) {
        result += c;
        if (c == '}') result += '}';
    }
    result += '}';
    return result;
}

TODBCConnection::TODBCConnection() = default;

TODBCConnection::~TODBCConnection() {
    try {
        Disconnect();
    } catch (...) {
    }
    internalRecordSet_.reset();
}

std::unique_ptr<TSQLInfo> TODBCConnection::CreateSQLInfo() {
    std::unique_ptr<TSQLInfo> info = TCRConnection::CreateSQLInfo();
    if (auto* odbcInfo = dynamic_cast<TODBCSQLInfo*>(info.get())) odbcInfo->Connection = this;
    return info;
}

AnsiString TODBCConnection::GetConnectionString() {
    const AnsiString& s = server_;
    TDSNType kind = DSNType;
    if (kind == ntAuto) {
        if (s.find('=') != AnsiString::npos)
            kind = ntConnectionString;
        else if (s.find(".dsn") != AnsiString::npos)
            kind = ntFile;
        else
            kind = ntName;
    }
    AnsiString user = ODBCConnectionValue(username_);
    AnsiString password = ODBCConnectionValue(password_);
    switch (kind) {
    case ntName:
        return "DSN=" + ODBCConnectionValue(s) + ";UID=" + user + ";PWD=" + password;
    case ntFile:
        return "FILEDSN=" + ODBCConnectionValue(s) + ";UID=" + user + ";PWD=" + password;
    default: {
        AnsiString result = s;
        if (s.find("UID=") == AnsiString::npos && !username_.empty()) result += ";UID=" + user;
        if (result.find("PWD=") == AnsiString::npos && !password_.empty()) result += ";PWD=" + password;
        return result;
    }
    }
}

void TODBCConnection::Check(SQLRETURN code) {
    if (IsODBCError(code)) ProcessODBCError(SQL_HANDLE_DBC, hdbc_, Component, code);
}

void TODBCConnection::ProcessODBCError(SQLSMALLINT handleType, SQLHANDLE handle, TObject* component,
                                       SQLRETURN code) {
    std::unique_ptr<EODBCError> error(CreateODBCError(cli_, handleType, handle, code));
    error->Component = component;
    if (!error->IsFatalError() && hdbc_ && handleType != SQL_HANDLE_ENV) {
        // Some drivers know the link is gone without saying so in the SQLSTATE.
        SQLUINTEGER dead = SQL_CD_FALSE;
        SQLRETURN r = cli_->SQLGetConnectAttr(hdbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
        if (!IsODBCError(r) && dead == SQL_CD_TRUE) error->ConnectionDead = true;
    }
    bool fail = true;
    ProcessError(*error, fail);
    if (fail) throw EODBCError(*error);
    throw EAbort("");
}

void TODBCConnection::Connect(const AnsiString& connectString) {
    if (connected_) return;
    if (!cli_) cli_ = GetCli();
    if (!cli_->IsEnvAllocated()) cli_->AllocEnv();
    SQLHDBC handle = SQL_NULL_HDBC;
    SQLRETURN r = cli_->SQLAllocHandle(SQL_HANDLE_DBC, cli_->EnvHandle(), &handle);
    if (IsODBCError(r)) ProcessODBCError(SQL_HANDLE_ENV, cli_->EnvHandle(), Component, r);
    hdbc_ = handle;
    try {
        if (ConnectionTimeout != 0)
            Check(cli_->SQLSetConnectAttr(
                hdbc_, SQL_ATTR_LOGIN_TIMEOUT,
                reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(ConnectionTimeout)), 0));
        AnsiString text = GetConnectionString();
        SQLSMALLINT outLength = 0;
        Check(cli_->SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                     static_cast<SQLSMALLINT>(text.size()), nullptr, 0, &outLength,
                                     SQL_DRIVER_NOPROMPT));
        connected_ = true;
        nativeConnection_ = true;
        ReadDriverInfo();
        AfterDriverConnect();
        TCRConnection::Connect(connectString);
    } catch (const EFailOver&) {
        // The failover loop reconnected; the operation that failed is unwound by the caller.
    } catch (...) {
        if (hdbc_) {
            cli_->SQLFreeHandle(SQL_HANDLE_DBC, hdbc_);
            hdbc_ = nullptr;
        }
        connected_ = false;
        throw;
    }
}

void TODBCConnection::ReadDriverInfo() {
    AnsiString version = GetInfoText(SQL_DRIVER_ODBC_VER);
    size_t dot = version.find('.');
    AnsiString major = dot == AnsiString::npos ? version : version.substr(0, dot);
    AnsiString minor = dot == AnsiString::npos ? AnsiString() : version.substr(dot + 1);
    int ma = StrToIntDef(Trim(major), 0), mi = StrToIntDef(Trim(minor), 0);
    odbcVersion_ = static_cast<uint16_t>(ma * 256 + mi);

    SQLUSMALLINT identCase = 0;
    Check(cli_->SQLGetInfo(hdbc_, SQL_IDENTIFIER_CASE, &identCase, sizeof identCase, nullptr));
    switch (identCase) {
    case SQL_IC_UPPER:
        identCase_ = icUpper;
        break;
    case SQL_IC_LOWER:
        identCase_ = icLower;
        break;
    case SQL_IC_SENSITIVE:
        identCase_ = 3;
        break;
    default:
        identCase_ = icMixed;
    }
}

void TODBCConnection::Disconnect() {
    if (!connected_) return;
    connected_ = false;
    // A borrowed handle belongs to the connection that lent it: clear it only.
    if (!nativeConnection_) {
        hdbc_ = nullptr;
        nativeConnection_ = true;
        cachedCatalog_.clear();
        cachedSchema_.clear();
        return;
    }
    auto release = [this] {
        cli_->SQLFreeHandle(SQL_HANDLE_DBC, hdbc_);
        hdbc_ = nullptr;
        nativeConnection_ = true;
        cachedCatalog_.clear();
        cachedSchema_.clear();
    };
    try {
        Check(cli_->SQLDisconnect(hdbc_));
    } catch (...) {
        release();
        throw;
    }
    release();
}

void TODBCConnection::Assign(TCRConnection* source) {
    TCRConnection::Assign(source);
    if (auto* odbc = dynamic_cast<TODBCConnection*>(source)) {
        UseUnicode = odbc->UseUnicode;
        ConnectionTimeout = odbc->ConnectionTimeout;
        DSNType = odbc->DSNType;
    }
}

void TODBCConnection::AssignConnect(TCRConnection* source) {
    if (source == this) return;
    Disconnect();
    if (!source) return;
    Assign(source);
    auto* odbc = dynamic_cast<TODBCConnection*>(source);
    if (!odbc) throw EInvalidCast("Invalid class typecast");
    cli_ = odbc->cli_;
    hdbc_ = odbc->hdbc_;
    odbcVersion_ = odbc->odbcVersion_;
    identCase_ = odbc->identCase_;
    cachedCatalog_ = odbc->cachedCatalog_;
    cachedSchema_ = odbc->cachedSchema_;
    GetInternalTransaction()->AssignConnect(odbc->GetInternalTransaction());
    connected_ = true;
    nativeConnection_ = false;
}

AnsiString TODBCConnection::GetInfoText(SQLUSMALLINT infoType) {
    char buffer[256] = {};
    SQLSMALLINT length = 0;
    Check(cli_->SQLGetInfo(hdbc_, infoType, buffer, sizeof buffer, &length));
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

AnsiString TODBCConnection::GetServerVersion() {
    return GetInfoText(SQL_DBMS_VER);
}

AnsiString TODBCConnection::GetServerVersionFull() {
    return GetInfoText(SQL_DBMS_NAME) + " " + GetInfoText(SQL_DBMS_VER);
}

AnsiString TODBCConnection::GetClientVersion() {
    return GetInfoText(SQL_DRIVER_VER);
}

bool TODBCConnection::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prUseUnicode:
        UseUnicode = value.AsBoolean();
        return true;
    case prConnectionTimeout:
        ConnectionTimeout = value.AsInteger();
        return true;
    case prDSNType:
        DSNType = static_cast<TDSNType>(value.AsInteger());
        return true;
    case prDetectFieldsOnPrepare:
        DetectFieldsOnPrepare = value.AsBoolean();
        return true;
    default:
        return TCRConnection::SetProp(prop, value);
    }
}

bool TODBCConnection::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prUseUnicode:
        value = UseUnicode;
        return true;
    case prConnectionTimeout:
        value = ConnectionTimeout;
        return true;
    case prDSNType:
        value = static_cast<int>(DSNType);
        return true;
    case prDetectFieldsOnPrepare:
        value = DetectFieldsOnPrepare;
        return true;
    case prDefaultTextParamSize:
        value = 8000;
        return true;
    default:
        return TCRConnection::GetProp(prop, value);
    }
}

AnsiString TODBCConnection::GetCachedCatalog() {
    if (cachedCatalog_.empty()) cachedCatalog_ = GetCurrentCatalog();
    return cachedCatalog_;
}

AnsiString TODBCConnection::GetCachedSchema() {
    if (cachedSchema_.empty()) cachedSchema_ = GetCurrentSchema();
    return cachedSchema_;
}

bool TODBCConnection::IsDriverInstalled(const AnsiString& description) {
    if (!cli_) cli_ = GetCli();
    if (!cli_->IsEnvAllocated()) cli_->AllocEnv();
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        char name[256] = {}, attributes[256] = {};
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        SQLRETURN r = cli_->SQLDrivers(cli_->EnvHandle(), direction, reinterpret_cast<SQLCHAR*>(name),
                                       sizeof name, &nameLength, reinterpret_cast<SQLCHAR*>(attributes),
                                       sizeof attributes, &attributesLength);
        if (IsODBCError(r)) return false;
        name[sizeof name - 1] = 0;
        if (AnsiSameText(name, description)) return true;
        direction = SQL_FETCH_NEXT;
    }
}

TClass TODBCConnection::GetRecordSetClass() {
    return TODBCRecordSet::StaticClass();
}

TCRRecordSet* TODBCConnection::GetInternalRecordSet() {
    if (!internalRecordSet_) {
        internalRecordSet_.reset(static_cast<TCRRecordSet*>(GetRecordSetClass()->CreateInstance()));
        internalRecordSet_->SetConnection(this);
        internalRecordSet_->GetCommand()->SetProp(prDisableParamScan, true);
    }
    return internalRecordSet_.get();
}

void TODBCConnection::ExecSQL(const AnsiString& text) {
    TCRRecordSet* recordSet = GetInternalRecordSet();
    recordSet->SetComponent(Component);
    recordSet->SetSQL(text);
    recordSet->ExecCommand();
    // A statement that returned rows keeps its cursor: nobody reads it here.
    if (recordSet->GetCommand()->GetCursorState() != csInactive) recordSet->DoUnprepare();
}

// ---------------------------------------------------------------------------------------------

TODBCConnection* TODBCTransaction::FirstConnection() const {
    return static_cast<TODBCConnection*>(connections_.Items(0));
}

void TODBCTransaction::StartTransaction() {
    if (connections_.Count() == 0) throw Exception("There are no connections in the transaction");
    TODBCConnection* connection = FirstConnection();
    if (!connection->GetConnected())
        throw Exception("One of the connections in the transaction is not active");
    SQLUINTEGER level;
    switch (isolationLevel_) {
    case ilReadCommitted:
        level = SQL_TXN_READ_COMMITTED;
        break;
    case ilReadUnCommitted:
        level = SQL_TXN_READ_UNCOMMITTED;
        break;
    case ilRepeatableRead:
        level = SQL_TXN_REPEATABLE_READ;
        break;
    case ilIsolated:
    case ilSnapshot:
        level = SQL_TXN_SERIALIZABLE;
        break;
    default:
        throw Exception("Unsupported transaction isolation level");
    }
    TODBCCli* cli = connection->Cli();
    SQLHDBC hdbc = connection->ConnectionHandle();
    connection->Check(cli->SQLSetConnectAttr(hdbc, SQL_ATTR_TXN_ISOLATION,
                                             reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(level)), 0));
    connection->Check(
        cli->SQLSetConnectAttr(hdbc, SQL_ATTR_AUTOCOMMIT,
                               reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_AUTOCOMMIT_OFF)), 0));
    active_ = true;
    native_ = true;
}

void TODBCTransaction::EndTransaction(SQLSMALLINT completion) {
    CheckActive();
    if (native_) {
        TODBCConnection* connection = FirstConnection();
        TODBCCli* cli = connection->Cli();
        SQLHDBC hdbc = connection->ConnectionHandle();
        connection->Check(cli->SQLEndTran(SQL_HANDLE_DBC, hdbc, completion));
        connection->Check(cli->SQLSetConnectAttr(
            hdbc, SQL_ATTR_AUTOCOMMIT,
            reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_AUTOCOMMIT_ON)), 0));
    }
    active_ = false;
}

void TODBCTransaction::Commit() {
    EndTransaction(SQL_COMMIT);
}

void TODBCTransaction::Rollback() {
    EndTransaction(SQL_ROLLBACK);
}

void TODBCTransaction::Savepoint(const AnsiString& name) {
    CheckActive();
    FirstConnection()->ExecSQL("SAVEPOINT " + name);
}

void TODBCTransaction::ReleaseSavepoint(const AnsiString& name) {
    CheckActive();
    FirstConnection()->ExecSQL("RELEASE SAVEPOINT " + name);
}

void TODBCTransaction::RollbackToSavepoint(const AnsiString& name) {
    CheckActive();
    FirstConnection()->ExecSQL("ROLLBACK TO SAVEPOINT " + name);
}
