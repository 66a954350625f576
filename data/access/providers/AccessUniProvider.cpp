#include "data/access/providers/AccessUniProvider.h"

#include "data/access/CRConnectionPool.h"
#include "data/access/CRProps.h"
#include "data/access/providers/ODBCCall.h"
#include "data/access/providers/ODBCServices.h"

const char* const AccessDriverName = "Microsoft Access Driver (*.mdb, *.accdb)";
const char* const AccessOldDriverName = "Microsoft Access Driver (*.mdb)";

namespace {
TStringList* AccessFunctions = nullptr;
TStringList* AccessMacros = nullptr;

void FillConnectionOptions(TOptionsList& list) {
    TClass connection = TAccessConnection::StaticClass();
    list.Add(new TIntegerOption("ConnectionTimeout", 15, {connection}, prConnectionTimeout));
    list.Add(new TBooleanOption("ExclusiveLock", false, {connection}, prExclusiveLock));
    list.Add(new TBooleanOption("ExtendedAnsiSQL", false, {connection}, prExtendedAnsiSQL));
    list.Add(new TStringOption("SystemDatabase", "", {connection}, prSystemDatabase));
    list.Add(new TBooleanOption("UseUnicode", false, {connection}, prUseUnicode));
}

void FillSQLOptions(TOptionsList& list) {
    list.Add(new TIntegerOption("CommandTimeout", 0, {TAccessCommand::StaticClass()}, prCommandTimeout));
}

void FillDataSetOptions(TOptionsList& list) {
    TClass recordSet = TAccessRecordSet::StaticClass();
    list.Add(new TIntegerOption("CommandTimeout", 0, {recordSet}, prCommandTimeout));
    list.Add(new TBooleanOption("ExtendedFieldsInfo", true, {recordSet}, prExtendedFieldsInfo));
    list.Add(new TBooleanOption("FetchAll", true, {recordSet}, prFetchAll));
}
} // namespace

// ---------------------------------------------------------------------------------------------

const TSQLParserClass* TAccessCommand::GetParserClass() const {
    return ParserClassOf<TAccessParser>("TAccessParser");
}

SQLULEN TAccessCommand::LongBinaryLength(SQLULEN columnSize) {
    return columnSize == 1073741823 ? 0 : TODBCCommand::LongBinaryLength(columnSize);
}

std::unique_ptr<TSQLInfo> TAccessConnection::CreateSQLInfo() {
    // Made through the Access command class, so it has the bracket-aware parser too: the record
    // set parses its statement with it.
    return TODBCConnection::CreateSQLInfo();
}

void TAccessConnection::Assign(TCRConnection* source) {
    TODBCConnection::Assign(source);
    if (auto* access = dynamic_cast<TAccessConnection*>(source)) {
        Database = access->Database;
        SystemDatabase = access->SystemDatabase;
        ExtendedAnsiSQL = access->ExtendedAnsiSQL;
        ExclusiveLock = access->ExclusiveLock;
    }
}

bool TAccessConnection::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prDatabase:
        Database = value.AsAnsiString();
        return true;
    case prSystemDatabase:
        SystemDatabase = value.AsAnsiString();
        return true;
    case prExtendedAnsiSQL:
        ExtendedAnsiSQL = value.AsBoolean();
        return true;
    case prExclusiveLock:
        ExclusiveLock = value.AsBoolean();
        return true;
    default:
        return TODBCConnection::SetProp(prop, value);
    }
}

bool TAccessConnection::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prDatabase:
        value = Database;
        return true;
    case prSystemDatabase:
        value = SystemDatabase;
        return true;
    case prExtendedAnsiSQL:
        value = ExtendedAnsiSQL;
        return true;
    case prExclusiveLock:
        value = ExclusiveLock;
        return true;
    case prDefaultTextParamSize:
        value = 255;
        return true;
    default:
        return TODBCConnection::GetProp(prop, value);
    }
}

bool TAccessConnection::NewerDriverInstalled() {
    if (!cli_) cli_ = GetCli();
    if (!cli_->IsEnvAllocated()) cli_->AllocEnv();
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        char description[256] = {};
        SQLSMALLINT length = 0, attributesLength = 0;
        SQLRETURN r = cli_->SQLDrivers(cli_->EnvHandle(), direction, reinterpret_cast<SQLCHAR*>(description),
                                       sizeof description, &length, nullptr, 0, &attributesLength);
        if (r == SQL_NO_DATA || IsODBCError(r)) return false;
        description[sizeof description - 1] = 0;
        if (AnsiSameText(description, AccessDriverName)) return true;
        direction = SQL_FETCH_NEXT;
    }
}

AnsiString TAccessConnection::GetConnectionString() {
    size_t cut = Database.find_last_of("\\:");
    AnsiString defaultDir = cut == AnsiString::npos ? AnsiString() : Database.substr(0, cut + 1);
    AnsiString driver = NewerDriverInstalled() ? AccessDriverName : AccessOldDriverName;
    AnsiString result = "DRIVER={" + driver + "};DefaultDir=" + ODBCConnectionValue(defaultDir) +
                        ";DBQ=" + ODBCConnectionValue(Database) + ";UID=" + ODBCConnectionValue(username_) +
                        ";PWD=" + ODBCConnectionValue(password_);
    if (ExclusiveLock) result += ";Exclusive=1";
    if (!SystemDatabase.empty()) result += ";SystemDB=" + ODBCConnectionValue(SystemDatabase);
    if (ExtendedAnsiSQL) result += ";ExtendedAnsiSQL=1";
    return result;
}

// ---------------------------------------------------------------------------------------------

TAccessFormatter::TAccessFormatter() {
    Functions = AccessFunctions;
    PredefinedMacros = AccessMacros;
}

const TUniProviderClass& TAccessUniProvider::Class() {
    static const TUniProviderClass c{
        &TAccessUniProvider::ProviderName,
        []() -> std::unique_ptr<TUniProvider> { return std::make_unique<TAccessUniProvider>(nullptr); }};
    return c;
}

TClass TAccessUniProvider::GetConnectionParametersClass() {
    return TCRConnectionParameters::StaticClass();
}
TClass TAccessUniProvider::GetConnectionPoolManagerClass() {
    return TCRConnectionPoolManager::StaticClass();
}
TClass TAccessUniProvider::GetDataSetServiceClass() {
    return TCustomAccessDataSetService::StaticClass();
}

TOptionsList* TAccessUniProvider::GetConnectionOptionsList() {
    return OptionsList(connectionOptions_, FillConnectionOptions);
}

TOptionsList* TAccessUniProvider::GetSQLOptionsList() {
    return OptionsList(sqlOptions_, FillSQLOptions);
}

TOptionsList* TAccessUniProvider::GetDataSetOptionsList() {
    return OptionsList(dataSetOptions_, FillDataSetOptions);
}

void AccessUniProviderUnitInitialize() {
    UniProviders->RegisterProvider(TAccessUniProvider::Class());
    AccessFunctions = new TStringList();
    for (const char* line :
         {"USER=USER", "CHAR_LENGTH=LEN(%s)", "LOCATE=POSSTR(%1:s, %0:s)", "SUBSTRING=SUBSTR(%s, %s, %s)",
          "CONCAT=%s + %s", "CHAR=CHAR(%s)", "TRIM=TRIM(%s)", "TRUNCATE=TRUNC(%s, %s)", "CEILING=CEILING(%s)",
          "CURRENT_DATE=CURRENT_DATE", "YEAR=YEAR(%s)", "MONTH=MONTH(%s)", "DAY=DAY(%s)",
          "__DATE_TIME_LITERAL=(%s)", "__DATE_LITERAL=(%s)", "__TIME_LITERAL=(%s)", "TODATE=(%s)",
          "TONUMBER=(%s)", "TOCHAR=(%s)"})
        AccessFunctions->Add(line);
    AccessMacros = new TStringList();
    for (const char* line : {"PROVIDER=Access", "ACCESS=", "DATETIME=DATE", "DOUBLE=DOUBLE", "VARCHAR=TEXT"})
        AccessMacros->Add(line);
}

void AccessUniProviderUnitFinalize() {
    if (UniProviders) UniProviders->UnRegisterProvider(TAccessUniProvider::Class());
    delete AccessFunctions;
    AccessFunctions = nullptr;
    delete AccessMacros;
    AccessMacros = nullptr;
}
