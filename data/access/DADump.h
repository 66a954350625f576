#pragma once
// Writes the rows of tables, or of one query, as an SQL script of INSERT statements (optionally
// preceded by DELETE statements) into a list of lines or a stream.
#include <functional>
#include <memory>

#include "platform/core/StringLists.h"
#include "platform/db/DataSet.h"

class TStream;
class TCustomDAConnection;
class TCustomDADataSet;
class TSQLInfo;

// What the processor reads of the dump that owns it. With a connection the processor makes its
// queries there and takes the table names and the name rules from the connection's dialect;
// without one the owner's operations below serve.
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

    virtual TCustomDAConnection* Connection() { return nullptr; }

    // Without a connection: a query over sql, open, and the tables to dump; the base has none
    // ("Connection is not defined").
    virtual std::unique_ptr<TDataSet> OpenQuery(const AnsiString& sql);
    virtual void GetTableNames(TStrings* names);
    // The dialect: quoting, whether a name needs it, normalising, and the tables a query names.
    virtual AnsiString Quote(const AnsiString& name) { return "\"" + name + "\""; }
    virtual bool NeedsQuoting(const AnsiString&) { return false; }
    virtual AnsiString NormalizeName(const AnsiString& name, bool quote) {
        return quote ? Quote(name) : name;
    }
    virtual void QueryTables(const AnsiString& sql, TStrings* tables);
};

class TDADumpProcessor : public TObject {
public:
    VZ_CLASS(TDADumpProcessor, TObject)
    explicit TDADumpProcessor(TDADumpOwner* owner = nullptr);
    ~TDADumpProcessor() override;
    // A processor of the class a provider names, working for owner.
    static std::unique_ptr<TDADumpProcessor> CreateOf(TClass processorClass, TDADumpOwner* owner);
    TDADumpOwner* Owner() const { return owner_; }

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
    // A query made by the owner's connection, without extended field information.
    virtual std::unique_ptr<TCustomDADataSet> NewQuery();
    // A new query for each table's rows.
    virtual std::unique_ptr<TCustomDADataSet> DataQuery();
    // The dialect of the query kept for the name rules; made on first need.
    TSQLInfo* SQLInfo();

protected:
    TDADumpOwner* owner_;
    std::unique_ptr<TCustomDADataSet> query_;

private:
    std::unique_ptr<TDataSet> OpenData(const AnsiString& sql);
    AnsiString NormalizeName(const AnsiString& name);
};
