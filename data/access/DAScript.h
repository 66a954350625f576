#pragma once
// Splits an SQL script into statements and runs them one at a time through the script's
// executing component, or records them with their positions.
#include <cstdint>
#include <functional>
#include <memory>

#include "data/access/DBAccess.h"
#include "data/memory/CLRClasses.h"
#include "data/memory/CRParser.h"
#include "platform/core/Collections.h"
#include "platform/core/StringLists.h"
#include "platform/core/Threads.h"

class TStream;
class TDAScriptProcessor;

// Statement kind of a statement that begins with a comment; block kinds ignore the delimiter.
constexpr int skComment = 2;
constexpr int skBlock = 32768;

class TDAStatement : public TCollectionItem {
public:
    VZ_CLASS(TDAStatement, TCollectionItem)
    using TCollectionItem::TCollectionItem;
    uint8_t Omit = 0;
    int32_t StatementType = 0;
    int32_t StartPos = 0, EndPos = 0, StartLine = 0, EndLine = 0, StartColumn = 0, EndColumn = 0;
    TDAParams* Params() { return &params_; }

private:
    TDAParams params_;
};

class TDAStatements : public TCollection {
public:
    VZ_CLASS(TDAStatements, TCollection)
    TDAStatements() : TCollection(TDAStatement::StaticClass()) {}
    TDAStatement* Items(int index) const { return static_cast<TDAStatement*>(TCollection::Items(index)); }
};

// What runs a statement: the script's dataset or SQL component.
class IDAScriptExecutor {
public:
    virtual ~IDAScriptExecutor() = default;
    virtual void SetSQL(const AnsiString& text) = 0;
    virtual TDAParams* Params() = 0;
    virtual void Execute() = 0;
    virtual bool Debug() const = 0;
    virtual void SetDebug(bool value) = 0;
};

// What the processor reads of the script that owns it.
class TDAScriptOwner {
public:
    virtual ~TDAScriptOwner() = default;
    AnsiString Delimiter = ";";
    TStringList SQL;
    // Read from this stream instead of SQL when set (not owned).
    TStream* Stream = nullptr;
    TDAStatements Statements;
    bool Debug = false;
    bool UseBatch = false;
    AnsiStringBuilder BatchSQL;
    TCriticalSection Lock;
    // The statement being collected, kept current by the processor.
    int64_t StartPos = 0, EndPos = 0, StartLine = 0, EndLine = 0, StartColumn = 0, EndColumn = 0;

    virtual IDAScriptExecutor* Executor() = 0;
    virtual AnsiString ExpandMacros(const AnsiString& text) { return text; }
    // Called first with an error of a statement, before OnError.
    virtual void DoError(Exception&) {}

    std::function<void(TDAScriptOwner* script, TDAScriptProcessor* processor, AnsiString& text, bool& omit)>
        BeforeExecute;
    std::function<void(TDAScriptOwner* script, TDAScriptProcessor* processor, const AnsiString& text)>
        AfterExecute;
    // action: 0 stop quietly, 1 raise, 2 report and go on (the default), other go on.
    std::function<void(TDAScriptOwner* script, Exception& error, const AnsiString& text, int& action)>
        OnError;
};

class TDAScriptProcessor : public TObject {
public:
    VZ_CLASS(TDAScriptProcessor, TObject)
    explicit TDAScriptProcessor(TDAScriptOwner* owner);
    ~TDAScriptProcessor() override;

    virtual const TSQLParserClass* LexerClass();
    // True when a statement ran (or was recorded) and more may follow.
    virtual bool ProcessNext();
    virtual void RunStatement(const AnsiString& text, int kind, TDAParams* params, bool& stop, bool& omit);
    virtual void RecordStatement(int kind, bool omit, int64_t startPos, int64_t endPos, int64_t startLine,
                                 int64_t endLine, int64_t startColumn, int64_t endColumn);
    virtual void DropLexer();
    virtual void BeforeScan() {}
    virtual void TrackKind(int code, int& kind);
    virtual bool EndsStatement(int, const AnsiString&) { return false; }
    virtual bool IsBlockKind(int kind) { return kind == skBlock; }
    virtual bool FitsBatch(const AnsiString& text);
    virtual bool EndsDelimiterChange() { return false; }
    virtual void BeforeStatement(AnsiString&) {}
    virtual void AfterStatement(const AnsiString&) {}
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);

    // Recording: statements go to the script's list instead of running.
    bool Recording = false;
    // Runs every statement (or records them) to the end.
    void ExecuteAll();

protected:
    TDAScriptOwner* owner_;

private:
    std::unique_ptr<TSQLParser> lexer_;
    AnsiString delimiter_;
    AnsiString lexeme_;
    int statementIndex_ = -1;
    AnsiStringBuilder builder_;
    void CreateLexer();
    bool ScanNext();
    bool RunStored();
    void ExecuteText(const AnsiString& text, TDAParams* params);
};
