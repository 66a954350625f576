#include "data/access/UniSqlFormatter.h"

#include <algorithm>

#include "platform/core/Strings.h"

namespace {
bool IsName(int code) {
    return code == lcIdent || code >= 100;
}

// The value of name in a "NAME=value" list; false when the name is not there.
bool Lookup(const TStrings* list, const AnsiString& name, AnsiString& value) {
    if (!list) return false;
    int i = list->IndexOfName(name);
    if (i < 0) return false;
    value = list->ValueFromIndex(i);
    return true;
}
} // namespace

TUniSqlFormatter::TUniSqlFormatter() : ParserClass(ParserClassOf<TSQLParser>("TSQLParser")) {}

void TUniSqlFormatter::UnknownFunction(const AnsiString& name, const std::vector<AnsiString>& /*args*/) {
    throw Exception(Format("Unknown function: %s", {name}));
}

void TUniSqlFormatter::SetUserMacros(TStrings* names, TStrings* values) {
    MacroNames = names;
    MacroValues = values;
}

std::unique_ptr<TSQLParser> TUniSqlFormatter::NewParser(const AnsiString& text) const {
    std::unique_ptr<TSQLParser> parser = ParserClass->Create(text);
    parser->SkipBlankLexemes = false;
    parser->SkipCommentLexemes = false;
    parser->KeepQuotes = true;
    parser->UpperCaseKeywords = false;
    return parser;
}

void TUniSqlFormatter::Expand(AnsiString& text) {
    std::unique_ptr<TSQLParser> parser = NewParser(text);
    expanding_.clear();
    text = ProcessTokens(*parser, nullptr);
}

AnsiString TUniSqlFormatter::ProcessTokens(TSQLParser& parser, const char* terminator) {
    struct Level {
        bool condition;
        bool elseSeen;
    };
    std::vector<Level> levels;
    bool active = true;
    auto recompute = [&] {
        active = std::all_of(levels.begin(), levels.end(), [](const Level& l) { return l.condition; });
    };
    AnsiString result;
    AnsiString lexeme;
    for (;;) {
        int code = parser.GetNext(lexeme);
        if (code == lcEnd || (terminator && lexeme == terminator)) break;
        if (lexeme == "{" && code != lcString) {
            AnsiString name;
            if (!IsName(parser.GetNext(name))) throw Exception("Empty macro or function name");
            AnsiString next;
            int nextCode = parser.GetNext(next);
            AnsiString args;
            if (nextCode == lcBlank)
                args = ProcessTokens(parser, "}");
            else if (next != "}")
                throw Exception("Unexpected character");
            AnsiString lower = LowerCase(name);
            if (lower == "if") {
                levels.push_back({EvalCondition(args), false});
                recompute();
            } else if (lower == "else") {
                if (levels.empty() || levels.back().elseSeen) throw Exception("Unexpected {else}");
                levels.back().elseSeen = true;
                levels.back().condition = !levels.back().condition;
                recompute();
            } else if (lower == "endif") {
                if (levels.empty()) throw Exception("Unexpected {endif}");
                levels.pop_back();
                recompute();
            } else if (active) {
                if (lower == "fn")
                    result += ExpandFunction(args);
                else if (lower == "date")
                    result +=
                        ExpandLiteral(args, "__DATE_LITERAL",
                                      "Invalid year-month-day string. The format is {date 'yyyy-mm-dd'}");
                else if (lower == "time")
                    result +=
                        ExpandLiteral(args, "__TIME_LITERAL",
                                      "Invalid hour-minute-second string. The format is {time 'hh:mm:ss'}");
                else if (lower == "timestamp")
                    result += ExpandLiteral(
                        args, "__DATE_TIME_LITERAL",
                        "Invalid timestamp string. The format is {timestamp 'yyyy-mm-dd hh:mm:ss'}");
                else
                    result += ExpandMacro(name, args);
            }
            continue;
        }
        if (!active) continue;
        if (code == lcIdent && lexeme.size() > 1 && lexeme.front() == '"' && lexeme.back() == '"') {
            lexeme.front() = LeftQuote();
            lexeme.back() = RightQuote();
        } else if (code == lcComment && lexeme.size() > 1 && lexeme.compare(0, 2, "--") == 0 &&
                   lexeme.find("*/") == AnsiString::npos) {
            lexeme = "/*" + lexeme.substr(2) + "*/";
        }
        result += lexeme;
    }
    if (!levels.empty()) throw Exception("{if} statement not completed");
    return result;
}

bool TUniSqlFormatter::IsMacroDefined(const AnsiString& name) const {
    AnsiString value;
    if (MacroNames)
        for (int i = 0; i < MacroNames->Count(); ++i)
            if (UpperText(MacroNames->Strings(i)) == name) return true;
    return Lookup(PredefinedMacros, name, value);
}

bool TUniSqlFormatter::EvalCondition(const AnsiString& text) const {
    AnsiString t = Trim(UpperText(text));
    return t.empty() || IsMacroDefined(t);
}

AnsiString TUniSqlFormatter::ExpandFunction(const AnsiString& args) {
    std::unique_ptr<TSQLParser> parser = ParserClass->Create(args);
    parser->KeepQuotes = true;
    parser->UpperCaseKeywords = false;
    AnsiString name;
    if (!IsName(parser->GetNext(name))) throw Exception("Empty function name");
    AnsiString lexeme;
    int code = parser->GetNext(lexeme);
    std::vector<AnsiString> list;
    if (code != lcEnd) {
        if (lexeme != "(" || code == lcString) throw Exception("Unexpected character");
        int depth = 0;
        int64_t start = parser->CurrentOffset();
        bool closed = false;
        while ((code = parser->GetNext(lexeme)) != lcEnd) {
            if (code == lcString) continue;
            if (lexeme == "(") {
                ++depth;
            } else if (lexeme == ")" && depth > 0) {
                --depth;
            } else if ((lexeme == "," || lexeme == ")") && depth == 0) {
                int64_t end = parser->LastLexemeOffset();
                list.push_back(args.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
                start = parser->CurrentOffset();
                if (lexeme == ")") {
                    closed = true;
                    break;
                }
            }
        }
        if (!closed || parser->GetNext(lexeme) != lcEnd)
            throw Exception("Invalid bracket count in function call");
    }
    AnsiString pattern;
    if (!Lookup(Functions, name, pattern)) UnknownFunction(name, list);
    switch (list.size()) {
    case 0:
        return pattern;
    case 1:
        return Format(pattern, {list[0]});
    case 2:
        return Format(pattern, {list[0], list[1]});
    case 3:
        return Format(pattern, {list[0], list[1], list[2]});
    default:
        throw Exception(Format("Wrong argument count for function: %s", {name}));
    }
}

AnsiString TUniSqlFormatter::ExpandLiteral(const AnsiString& text, const char* pattern,
                                           const char* error) const {
    AnsiString t = Trim(text);
    if (t.size() < 2 || t.front() != '\'' || t.back() != '\'') throw Exception(error);
    AnsiString format;
    Assert(Lookup(Functions, pattern, format), AnsiString("No pattern ") + pattern);
    return Format(format, {t});
}

AnsiString TUniSqlFormatter::ExpandMacro(const AnsiString& name, const AnsiString& args) {
    AnsiString key = Trim(UpperText(name));
    AnsiString suffix = args.empty() ? AnsiString() : " " + args;
    AnsiString value;
    bool found = false;
    if (MacroNames)
        for (int i = 0; i < MacroNames->Count() && !found; ++i)
            if (UpperText(MacroNames->Strings(i)) == key) {
                value = MacroValues && i < MacroValues->Count() ? MacroValues->Strings(i) : AnsiString();
                found = true;
            }
    if (!found) found = Lookup(PredefinedMacros, key, value);
    if (!found) return AnsiString();
    AnsiString result = value + suffix;
    if (result.empty()) return result;
    // A value that leads back to a macro being expanded would never end.
    if (std::find(expanding_.begin(), expanding_.end(), key) != expanding_.end())
        throw Exception(Format("Macro %s refers to itself", {name}));
    expanding_.push_back(key);
    std::unique_ptr<TSQLParser> parser = NewParser(result);
    result = ProcessTokens(*parser, nullptr);
    expanding_.pop_back();
    return result;
}
