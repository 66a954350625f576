#pragma once
// Writes the rows of tables, or of one query, as an SQL script of INSERT statements (optionally
// preceded by DELETE statements) into a list of lines or a stream.
#include <functional>
#include <memory>

#include "platform/core/StringLists.h"
#include "platform/db/DataSet.h"

class TStream;

// What the processor reads of the dump that owns it; the connection's part (queries, table
// names, the dialect's name rules) is reached through its operations.
class TDADumpOwner {
public:
    virtual ~TDADumpOwner() = default;
    TStringList Lines;
    // Written instead of Lines when set (not owned).
    TStream* Stream = nullptr;
    TStringList TableNames;
    bool AddHeader = false;
    bool AddDelete = false;
    bool QuoteNames = false;
    bool CompleteInsert = false;
    virtual AnsiString HeaderText() { return AnsiString(); }
    std::function<void(TDADumpOwner* dump, const AnsiString& table, int percent, int tableCount,
                       int tableNumber)>
        OnProgress;

    // A query over sql, open.
    virtual std::unique_ptr<TDataSet> OpenQuery(const AnsiString& sql) = 0;
    virtual void GetTableNames(TStrings* names) = 0;
    // The dialect: quoting, whether a name needs it, normalising, and the tables a query names.
    virtual AnsiString Quote(const AnsiString& name) { return "\"" + name + "\""; }
    virtual bool NeedsQuoting(const AnsiString&) { return false; }
    virtual AnsiString NormalizeName(const AnsiString& name, bool quote) {
        return quote ? Quote(name) : name;
    }
    virtual void QueryTables(const AnsiString& sql, TStrings* tables) = 0;
};

class TDADumpProcessor : public TObject {
public:
    VZ_CLASS(TDADumpProcessor, TObject)
    explicit TDADumpProcessor(TDADumpOwner* owner) : owner_(owner) {}

    virtual void AddLine(const AnsiString& text);
    virtual void Backup(const AnsiString& query);
    virtual void CheckQuery(const AnsiString& query);
    virtual void BeforeObjects() {}
    virtual void AfterObjects() {}
    virtual void BackupObjects(const AnsiString& query);
    virtual void BackupData(const AnsiString& tableName, const AnsiString& query, int tableCount,
                            int tableNumber);
    virtual AnsiString ValueText(TField* field);
    virtual AnsiString QuoteName(const AnsiString& name);

protected:
    TDADumpOwner* owner_;
};
