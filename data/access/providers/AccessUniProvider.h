#pragma once
// The Access provider: the ODBC provider over the Access driver, with a connection string built
// from the database file, bracket identifiers, statements without comments and empty texts as
// NULL.
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "data/access/providers/ODBCUniProvider.h"

// Driver names, newer first.
extern const char* const AccessDriverName;
extern const char* const AccessOldDriverName;

class TAccessSQLInfo : public TODBCSQLInfo {
public:
    VZ_CLASS(TAccessSQLInfo, TODBCSQLInfo)
    TAccessSQLInfo() = default;
    char LeftQuote() const override { return '['; }
    char RightQuote() const override { return ']'; }
    // Access compares names without regard to case, connected or not.
    int IdentCase() const override { return icMixed; }
};

// "[Order Details]" is one quoted identifier, so a ":" inside brackets is no parameter.
class TAccessParser : public TSQLParser {
public:
    using TSQLParser::TSQLParser;

protected:
    bool IsIdentQuote(char c) const override { return c == '"' || c == '[' || c == ']'; }
    void SkipToQuoteEnd(char quote, int& pos) override {
        TSQLParser::SkipToQuoteEnd(quote == '[' ? ']' : quote, pos);
    }
};

class TAccessCommand : public TODBCCommand {
public:
    VZ_CLASS(TAccessCommand, TODBCCommand)
    TAccessCommand() = default;
    TClass GetSQLInfoClass() const override { return TAccessSQLInfo::StaticClass(); }
    const TSQLParserClass* GetParserClass() const override;
    // The driver reports long binary columns with 2^30 - 1.
    SQLULEN LongBinaryLength(SQLULEN columnSize) override;
};

// The ODBC record set with the Access command.
class TAccessRecordSet : public TODBCRecordSet {
public:
    VZ_CLASS(TAccessRecordSet, TODBCRecordSet)
    TAccessRecordSet() = default;
    void CreateCommand() override { SetCommand(new TAccessCommand()); }
};

class TAccessConnection : public TODBCConnection {
public:
    VZ_CLASS(TAccessConnection, TODBCConnection)
    TAccessConnection() = default;

    std::unique_ptr<TSQLInfo> CreateSQLInfo() override;
    TClass GetCommandClass() override { return TAccessCommand::StaticClass(); }
    void Assign(TCRConnection* source) override;
    // 38 Database, 2001 SystemDatabase, 2002 ExtendedAnsiSQL, 2003 ExclusiveLock; 40 answers 255.
    bool SetProp(int prop, const Variant& value) override;
    bool GetProp(int prop, Variant& value) override;
    // DRIVER, DefaultDir, DBQ, UID and PWD, then the options. A value holding ";" or starting
    // with "{" is braced, else it goes in as it is.
    AnsiString GetConnectionString() override;
    bool SupportsComments() override { return false; }
    bool KeepsEmptyStrings() override { return false; }

    // Whether the newer driver is installed: the driver descriptions, ignoring case.
    bool NewerDriverInstalled();

    AnsiString Database;
    AnsiString SystemDatabase;
    bool ExtendedAnsiSQL = false;
    bool ExclusiveLock = false;
};

class TAccessConnectDialogService : public TConnectDialogService {
public:
    VZ_CLASS(TAccessConnectDialogService, TConnectDialogService)
    TAccessConnectDialogService() = default;
    bool UseDatabaseHistory() override { return true; }
    bool UsernameEnabled() override { return false; }
};

// Function map and macros of Access; the lists are made when the provider unit starts.
class TAccessFormatter : public TUniSqlFormatter {
public:
    VZ_CLASS(TAccessFormatter, TUniSqlFormatter)
    TAccessFormatter();
};

class TAccessUniProvider : public TODBCUniProvider {
public:
    VZ_CLASS(TAccessUniProvider, TODBCUniProvider)
    explicit TAccessUniProvider(TComponent* owner) : TODBCUniProvider(owner) {}

    static AnsiString ProviderName() { return "Access"; }
    static const TUniProviderClass& Class();

    AnsiString GetProviderName() const override { return ProviderName(); }
    bool SupportsDatabase() override { return true; }
    bool TreatsUnknownParamsAsOutput() override { return false; }
    bool SupportsPooling() override { return false; }
    TClass GetConnectionParametersClass() override;
    TClass GetConnectionPoolManagerClass() override;
    TClass GetInternalConnectionClass() override { return TAccessConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TAccessCommand::StaticClass(); }
    TClass GetInternalRecordSetClass() override;
    TClass GetDataSetServiceClass() override;
    TClass GetLoaderClass() override;
    TClass GetConnectDialogServiceClass() override { return TAccessConnectDialogService::StaticClass(); }
    TClass GetSqlFormatterClass() override { return TAccessFormatter::StaticClass(); }
    TOptionsList* GetConnectionOptionsList() override;
    TOptionsList* GetSQLOptionsList() override;
    TOptionsList* GetDataSetOptionsList() override;
};

void AccessUniProviderUnitInitialize();
void AccessUniProviderUnitFinalize();
