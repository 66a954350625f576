#pragma once
// Rewrites the provider-neutral escapes of an SQL text into the provider's dialect: {fn ...}
// functions, {date|time|timestamp '...'} literals, {if}/{else}/{endif} conditional text and
// {name text} macros.
#include <vector>

#include "data/memory/CRParser.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/StringLists.h"

class TUniSqlFormatter : public TObject {
public:
    VZ_CLASS(TUniSqlFormatter, TObject)
    TUniSqlFormatter();

    virtual char LeftQuote() const { return '"'; }
    virtual char RightQuote() const { return '"'; }
    // Raises "Unknown function: %s".
    [[noreturn]] virtual void UnknownFunction(const AnsiString& name, const std::vector<AnsiString>& args);

    void Expand(AnsiString& text);
    // The connection's active macros (name i with value i); not owned.
    void SetUserMacros(TStrings* names, TStrings* values);
    bool IsMacroDefined(const AnsiString& name) const;

    // Provider-wide "NAME=pattern" and "NAME=value" lists; not owned.
    TStrings* Functions = nullptr;
    TStrings* PredefinedMacros = nullptr;
    TStrings* MacroNames = nullptr;
    TStrings* MacroValues = nullptr;
    const TSQLParserClass* ParserClass;

private:
    std::unique_ptr<TSQLParser> NewParser(const AnsiString& text) const;
    AnsiString ProcessTokens(TSQLParser& parser, const char* terminator);
    bool EvalCondition(const AnsiString& text) const;
    AnsiString ExpandFunction(const AnsiString& args);
    AnsiString ExpandLiteral(const AnsiString& text, const char* pattern, const char* error) const;
    AnsiString ExpandMacro(const AnsiString& name, const AnsiString& args);

    // Macros being expanded, outermost first: a value that reaches one of them again is a cycle.
    std::vector<AnsiString> expanding_;
};
