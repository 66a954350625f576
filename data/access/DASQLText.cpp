#include "data/access/DASQLText.h"

#include <memory>

#include "data/memory/MemData.h"
#include "platform/core/Exceptions.h"

namespace {

std::unique_ptr<TSQLParser> MakeParser(const TSQLParserClass* parserClass, const AnsiString& sql) {
    if (!parserClass) return std::make_unique<TSQLParser>(sql);
    return parserClass->Create(sql);
}

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Just past a keyword ending at end and the one blank after it; CR LF counts as one blank. Without
// a blank the keyword alone, so that the point never falls inside the next lexeme.
int PastKeyword(const AnsiString& sql, int end) {
    const int size = static_cast<int>(sql.size());
    if (end >= size || !IsBlankChar(sql[static_cast<size_t>(end)])) return end;
    if (sql[static_cast<size_t>(end)] == '\r' && end + 1 < size && sql[static_cast<size_t>(end) + 1] == '\n')
        return end + 2;
    return end + 1;
}

// A comment that runs to the line end: a driver that ends it only at LF would swallow what follows
// a CR, so a line break after it is CR LF.
bool IsLineComment(const AnsiString& lexeme) {
    return lexeme.compare(0, 2, "/*") != 0;
}

void AdjustDepth(int code, const AnsiString& lexeme, int& depth) {
    if (code != lcSymbol) return;
    if (lexeme == "(")
        ++depth;
    else if (lexeme == ")")
        --depth;
}

bool IsMacroChar(int code, const AnsiString& lexeme) {
    return code == lcSymbol && lexeme == "&";
}

// Where an ORDER BY list ends: LIMIT, OFFSET, FETCH, FOR (UPDATE, SHARE ...) and ";" follow it.
bool EndsOrderList(int code) {
    return code == lxLIMIT || code == lxOFFSET || code == lxFETCH || code == lxFOR || code == 7;
}

int Pos(TParser& parser) {
    return static_cast<int>(parser.CurrentOffset());
}
int ScanStart(TParser& parser) {
    return static_cast<int>(parser.LastLexemeOffset());
}

// A keyword written right after the macro character is a macro's name ("&WHERE").
bool DirectlyAfter(int prevCode, const AnsiString& prevLexeme, int prevEnd, TParser& parser,
                   const AnsiString& lexeme) {
    return IsMacroChar(prevCode, prevLexeme) &&
           prevEnd == static_cast<int>(parser.CurrentOffset()) - static_cast<int>(lexeme.size());
}

} // namespace

AnsiString SqlAppendCondition(const AnsiString& sql, const AnsiString& condition,
                              const TSQLParserClass* parserClass) {
    if (Trim(condition).empty()) return sql;
    auto parser = MakeParser(parserClass, sql);
    parser->SkipBlankLexemes = true;
    parser->SkipCommentLexemes = false;
    if (parser->SkipToCodeAfterPrefix(lxSELECT, lxWITH, true) != lxSELECT) return sql;

    int depth = 0;
    int prevCode = lcEnd, prevEnd = -1;
    AnsiString prevLexeme;
    bool hasWhere = false;
    int wherePoint = 0;
    int code;
    AnsiString lexeme;
    for (;;) {
        code = parser->GetNext(lexeme);
        if (code == lcEnd) break;
        AdjustDepth(code, lexeme, depth);
        if (depth == 0 && code == lxWHERE && !DirectlyAfter(prevCode, prevLexeme, prevEnd, *parser, lexeme)) {
            hasWhere = true;
            wherePoint = PastKeyword(sql, Pos(*parser));
        } else if (depth == 0 && code != lxWHERE && parser->IsClause(code)) {
            break;
        }
        prevCode = code;
        prevLexeme = lexeme;
        prevEnd = Pos(*parser);
    }

    const bool afterComment = prevCode == lcComment;
    const AnsiString lineBreak = afterComment && IsLineComment(prevLexeme) ? "\r\n" : "\r";
    AnsiString add = hasWhere ? " AND " + condition + " " : lineBreak + "WHERE " + condition + " ";
    AnsiString closing = !hasWhere ? "" : afterComment ? lineBreak + ")" : ")";
    AnsiString result = sql;
    if (code != lcEnd) {
        result.insert(static_cast<size_t>(ScanStart(*parser)), closing + add);
        if (hasWhere) result.insert(static_cast<size_t>(wherePoint), "(");
        return result;
    }
    if (hasWhere) result.insert(static_cast<size_t>(wherePoint), "(");
    const int shift = hasWhere ? 1 : 0;
    if (prevCode == 7) {
        result.insert(static_cast<size_t>(prevEnd - 1 + shift), closing + add);
        return result;
    }
    return Trim(result) + closing + add;
}

AnsiString SqlRemoveWhereClause(const AnsiString& sql, const TSQLParserClass* parserClass) {
    auto parser = MakeParser(parserClass, sql);
    parser->SkipBlankLexemes = false;
    parser->SkipCommentLexemes = true;
    if (parser->SkipToCodeAfterPrefix(lxSELECT, lxWITH, true) != lxSELECT) return sql;

    int depth = 0, blankStart = -1, start = -1, whereStart = -1, code;
    AnsiString lexeme;
    for (;;) {
        code = parser->GetNext(lexeme);
        if (code == lcEnd) break;
        if (code == lcBlank) {
            if (blankStart < 0) blankStart = ScanStart(*parser);
            continue;
        }
        AdjustDepth(code, lexeme, depth);
        if (depth == 0 && code == lxWHERE) {
            whereStart = ScanStart(*parser);
            start = blankStart >= 0 ? blankStart : whereStart;
        } else if (depth == 0 && parser->IsClause(code))
            break;
        blankStart = -1;
    }
    if (start < 0) return sql;
    // The clause keeps the blanks before it; with none there, the deletion runs from WHERE itself to
    // the clause, so the blanks before WHERE stand between the two.
    int end = blankStart >= 0 ? blankStart : static_cast<int>(sql.size());
    if (code != lcEnd && blankStart < 0) {
        end = ScanStart(*parser);
        start = whereStart;
    }
    AnsiString result = sql;
    result.erase(static_cast<size_t>(start), static_cast<size_t>(end - start));
    return result;
}

AnsiString SqlClauseText(const AnsiString& sql, const TSQLParserClass* parserClass, int clauseCode) {
    auto parser = MakeParser(parserClass, sql);
    parser->SkipBlankLexemes = true;
    parser->SkipCommentLexemes = false;
    if (parser->SkipToCode(lxSELECT) != lxSELECT) return "";

    int depth = 0, prevCode = lcEnd, prevEnd = -1, start = -1, code;
    AnsiString lexeme, prevLexeme;
    for (;;) {
        code = parser->GetNext(lexeme);
        if (code == lcEnd) break;
        AdjustDepth(code, lexeme, depth);
        if (depth == 0 && code == clauseCode &&
            !DirectlyAfter(prevCode, prevLexeme, prevEnd, *parser, lexeme)) {
            start = PastKeyword(sql, Pos(*parser));
        } else if (depth == 0 && parser->IsClause(code)) {
            parser->RewindLast();
            break;
        }
        prevCode = code;
        prevLexeme = lexeme;
        prevEnd = Pos(*parser);
    }
    if (start < 0) return "";
    const int end = code == lcEnd ? static_cast<int>(sql.size()) : ScanStart(*parser);
    return end > start ? sql.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)) : "";
}

namespace {

// Where the ORDER BY list of a SELECT lies, read with blanks returned and comments skipped.
struct TOrderByScan {
    bool found = false;
    int listStart = -1;   // just past ORDER BY and its blank
    int clauseStart = -1; // the blank run before ORDER, or ORDER itself
    int end = -1;         // the blank run before LIMIT, FOR, ";" ... at depth 0, or the trailing blanks
};

bool ScanOrderBy(const AnsiString& sql, const TSQLParserClass* parserClass, TOrderByScan& scan) {
    auto parser = MakeParser(parserClass, sql);
    parser->SkipBlankLexemes = false;
    parser->SkipCommentLexemes = true;
    if (parser->SkipToCode(lxSELECT) != lxSELECT) return false;

    int depth = 0, blankStart = -1;
    AnsiString lexeme;
    for (;;) {
        int code = parser->GetNext(lexeme);
        if (code == lcEnd) break;
        if (code == lcBlank) {
            if (blankStart < 0) blankStart = ScanStart(*parser);
            continue;
        }
        AdjustDepth(code, lexeme, depth);
        if (depth < 0) depth = 0;
        if (depth == 0 && code == lxORDER) {
            const int clauseStart = blankStart >= 0 ? blankStart : ScanStart(*parser);
            blankStart = -1;
            if (parser->GetNext(lexeme) != lcBlank || parser->GetNext(lexeme) != lxBY) {
                parser->RewindLast();
                continue;
            }
            if (parser->GetNext(lexeme) != lcBlank) parser->RewindLast();
            scan.found = true;
            scan.clauseStart = clauseStart;
            scan.listStart = Pos(*parser);
            scan.end = -1;
            continue;
        }
        if (depth == 0 && scan.end < 0 && EndsOrderList(code))
            scan.end = blankStart >= 0 ? blankStart : ScanStart(*parser);
        blankStart = -1;
    }
    if (scan.end < 0) scan.end = blankStart >= 0 ? blankStart : static_cast<int>(sql.size());
    return true;
}

} // namespace

AnsiString SqlReplaceOrderBy(const AnsiString& sql, const AnsiString& fieldList,
                             const TSQLParserClass* parserClass) {
    AnsiString list = fieldList;
    for (char& c : list)
        if (c == ';') c = ',';
    TOrderByScan scan;
    if (!ScanOrderBy(sql, parserClass, scan)) return sql;
    AnsiString result = sql;
    if (list.empty()) {
        if (scan.found)
            result.erase(static_cast<size_t>(scan.clauseStart),
                         static_cast<size_t>(scan.end - scan.clauseStart));
        return result;
    }
    if (scan.found) {
        result.replace(static_cast<size_t>(scan.listStart), static_cast<size_t>(scan.end - scan.listStart),
                       list);
        return result;
    }
    AnsiString text = " ORDER BY " + list;
    if (sql.find('\r', 0) < static_cast<size_t>(scan.end)) text = "\r " + text;
    result.insert(static_cast<size_t>(scan.end), text);
    return result;
}

AnsiString SqlOrderByText(const AnsiString& sql, const TSQLParserClass* parserClass) {
    TOrderByScan scan;
    if (!ScanOrderBy(sql, parserClass, scan) || !scan.found) return "";
    AnsiString rest =
        sql.substr(static_cast<size_t>(scan.listStart), static_cast<size_t>(scan.end - scan.listStart));
    auto parser = MakeParser(parserClass, rest);
    AnsiString lexeme;
    for (;;) {
        int code = parser->GetNext(lexeme);
        if (code == lcEnd) break;
        if (parser->IsClause(code)) {
            rest.resize(static_cast<size_t>(ScanStart(*parser)));
            break;
        }
    }
    return Trim(rest);
}

TStatementType StatementTypeOfUpdateKind(int updateKind) {
    switch (updateKind) {
    case ukModify:
        return stUpdate;
    case ukInsert:
        return stInsert;
    case ukDelete:
        return stDelete;
    default:
        Assert(false, "Unknown update kind");
        return stCustom;
    }
}

namespace {
TSignalWaitHook signalWaitHook = nullptr;
}

void SetSignalWaitHook(TSignalWaitHook hook) {
    signalWaitHook = hook;
}

void SignalWaitHook(int value) {
    if (signalWaitHook) signalWaitHook(value);
}
