#pragma once
// SQL dialect of a provider: identifier quoting, case and normalising, and the parsers that find
// the tables of a FROM clause and the items of a select list.
#include <memory>
#include <vector>

#include "platform/core/ObjectModel.h"

class TSQLParser;
struct TSQLParserClass;
class TCRTablesInfo;

// Identifier case codes of a dialect.
constexpr int icUpper = 0;
constexpr int icLower = 1;
constexpr int icMixed = 2;

class TCRTableInfo : public TObject {
public:
    VZ_CLASS(TCRTableInfo, TObject)
    explicit TCRTableInfo(TCRTablesInfo* owner = nullptr) : owner_(owner) {}

    virtual AnsiString GetFullName() const { return tableName_; }
    virtual void ResetInfo() {}

    TCRTablesInfo* Owner() const { return owner_; }
    int Index() const { return index_; }
    const AnsiString& TableName() const { return tableName_; }
    void SetTableName(const AnsiString& value);
    const AnsiString& TableAlias() const { return tableAlias_; }
    void SetTableAlias(const AnsiString& value);

private:
    friend class TCRTablesInfo;
    TCRTablesInfo* owner_;
    int index_ = -1;
    AnsiString tableName_;
    AnsiString tableAlias_;
};

// The tables of a statement, with name and alias indexes kept sorted for lookups.
class TCRTablesInfo : public TObject {
public:
    VZ_CLASS(TCRTablesInfo, TObject)
    // tableInfoClass: the TCRTableInfo descendant AddNew creates (TCRTableInfo when null).
    explicit TCRTablesInfo(TClass tableInfoClass = nullptr);
    ~TCRTablesInfo() override;

    virtual void BeginUpdate() { ++updateCount_; }
    virtual void EndUpdate();

    int Add(TCRTableInfo* item); // takes ownership
    TCRTableInfo* AddNew();
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TCRTableInfo* Items(int index) const;
    TCRTableInfo* operator[](int index) const { return Items(index); }

    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value);
    // Index of the item, or -1.
    int FindByName(const AnsiString& name) const;
    int FindByAlias(const AnsiString& alias) const;

    TClass TableInfoClass() const { return tableInfoClass_; }

private:
    friend class TCRTableInfo;
    using Index = std::vector<std::pair<AnsiString, TCRTableInfo*>>;
    void RebuildNameIndex();
    void RebuildAliasIndex();
    void RebuildIndex(Index& index, bool byAlias);
    int Find(const Index& index, const AnsiString& text, bool byAlias) const;
    int CompareNames(const AnsiString& a, const AnsiString& b) const;

    bool caseSensitive_ = false;
    std::vector<std::unique_ptr<TCRTableInfo>> items_;
    int updateCount_ = 0;
    TClass tableInfoClass_;
    Index nameIndex_;
    Index aliasIndex_;
};

// One item of a select list.
class TColumnInfo : public TObject {
public:
    VZ_CLASS(TColumnInfo, TObject)
    AnsiString Name;
    AnsiString Table; // qualifier before the name
    int TableIndex = -1;
    AnsiString Expr; // the whole item when it is not a plain column reference
    AnsiString Alias;
    bool Used = false;
};

class TColumnsInfo : public TObject {
public:
    VZ_CLASS(TColumnsInfo, TObject)
    int Add(TColumnInfo* item);                // takes ownership
    void Insert(int index, TColumnInfo* item); // takes ownership; index may be Count()
    void Delete(int index);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    TColumnInfo* Items(int index) const;
    TColumnInfo* operator[](int index) const { return Items(index); }

private:
    std::vector<std::unique_ptr<TColumnInfo>> items_;
};

// A table name split into its parts, for the ODBC dataset service.
struct TExtTableInfo {
    AnsiString Table;
    AnsiString Schema;
    AnsiString Catalog;
    AnsiString DBLink;
    AnsiString Alias;
    int Flag = 0;
};
using TExtTablesInfo = std::vector<TExtTableInfo>;

class TSQLInfo : public TObject {
public:
    VZ_CLASS(TSQLInfo, TObject)
    // parserClass: the TSQLParser descendant used to read SQL text.
    explicit TSQLInfo(const TSQLParserClass* parserClass = nullptr) : parserClass_(parserClass) {}
    // An instance of sqlInfoClass over parserClass.
    static std::unique_ptr<TSQLInfo> CreateOf(TClass sqlInfoClass, const TSQLParserClass* parserClass);

    const TSQLParserClass* ParserClass() const { return parserClass_; }
    void SetParserClass(const TSQLParserClass* value) { parserClass_ = value; }

    virtual char LeftQuote() const { return '"'; }
    virtual char RightQuote() const { return '"'; }
    virtual int IdentCase() const { return icMixed; }
    virtual bool ParamQuoteAllowed() const { return true; }
    virtual char ProcedureOverloadSeparator() const { return ':'; }

    virtual AnsiString Quote(const AnsiString& name, char leftQuote, char rightQuote) const;
    virtual AnsiString UnQuote(const AnsiString& name) const;
    virtual bool IsQuoted(const AnsiString& name) const;
    virtual bool QuotesNeeded(const AnsiString& name) const;
    virtual AnsiString NormalizeName(const AnsiString& name, bool quoteNames = false,
                                     bool unquote = false) const;
    virtual AnsiString NormalizeNameQuoted(const AnsiString& name, char leftQuote, char rightQuote,
                                           bool quoteNames, bool unquote) const;
    // Splits "catalog.schema.name"; dbLink is left empty by this layer.
    virtual void SplitObjectName(const AnsiString& fullName, AnsiString& name, AnsiString& schema,
                                 AnsiString& catalog, AnsiString& dbLink) const;
    virtual void ParseTablesInfo(const AnsiString& sql, TCRTablesInfo& tablesInfo) const;
    virtual void ParseColumnsInfo(const AnsiString& sql, TColumnsInfo& columnsInfo) const;
    virtual AnsiString NamesFromList(const std::vector<AnsiString>& list) const;
    virtual void NamesToList(const AnsiString& text, std::vector<AnsiString>& list) const;

    AnsiString QuoteName(const AnsiString& name) const { return Quote(name, LeftQuote(), RightQuote()); }

    // A new lexer of the dialect's class over text; asserts that the dialect has one.
    std::unique_ptr<TSQLParser> CreateParser(const AnsiString& text) const;

protected:
    // Hook after a column name of a select item; parser stands on the lexeme after the name.
    virtual void AfterColumnName(TSQLParser& parser, int& code, AnsiString& lexeme) const;
    virtual bool FirstCharNeedsQuote(char c, int identCase) const;
    virtual bool NextCharNeedsQuote(char c, int identCase) const;

private:
    void ParseTableList(TSQLParser& parser, int& code, AnsiString& lexeme, bool inBrackets,
                        TCRTablesInfo& tablesInfo) const;

    const TSQLParserClass* parserClass_;
};
