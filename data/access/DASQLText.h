#pragma once
// Reading and changing the clauses of a SELECT text without a database. The lexer class follows
// the provider's dialect (quoting, comments); nullptr means the plain SQL lexer. The routines
// never fail on malformed SQL, they only find less.
#include "data/memory/CRParser.h"
#include "platform/core/Strings.h"

// The statement kinds of the update machinery.
enum TStatementType {
    stQuery,
    stInsert,
    stUpdate,
    stDelete,
    stLock,
    stRefresh,
    stCustom,
    stRefreshQuick,
    stRefreshCheckDeleted,
    stBatchUpdate
};

// A set of statement types, one bit per TStatementType.
using TStatementTypes = unsigned;
constexpr TStatementTypes StatementTypes(TStatementType type) {
    return 1u << type;
}
constexpr TStatementTypes StatementTypes(TStatementType a, TStatementType b) {
    return (1u << a) | (1u << b);
}

// The SQL with the condition added to the statement's WHERE clause (the old condition enclosed in
// parentheses).
AnsiString SqlAppendCondition(const AnsiString& sql, const AnsiString& condition,
                              const TSQLParserClass* parserClass = nullptr);
AnsiString SqlRemoveWhereClause(const AnsiString& sql, const TSQLParserClass* parserClass = nullptr);
// The text of the clause with the keyword code (lxFROM, lxWHERE).
AnsiString SqlClauseText(const AnsiString& sql, const TSQLParserClass* parserClass, int clauseCode);
inline AnsiString SqlFromText(const AnsiString& sql, const TSQLParserClass* parserClass = nullptr) {
    return SqlClauseText(sql, parserClass, lxFROM);
}
inline AnsiString SqlWhereText(const AnsiString& sql, const TSQLParserClass* parserClass = nullptr) {
    return SqlClauseText(sql, parserClass, lxWHERE);
}
// Replaces, adds or (with an empty list) removes the ORDER BY list; ";" in the list stands for ",".
AnsiString SqlReplaceOrderBy(const AnsiString& sql, const AnsiString& fieldList,
                             const TSQLParserClass* parserClass = nullptr);
AnsiString SqlOrderByText(const AnsiString& sql, const TSQLParserClass* parserClass = nullptr);

// ukModify, ukInsert, ukDelete of the record model.
TStatementType StatementTypeOfUpdateKind(int updateKind);

// The process-wide wait hook; nothing in this system installs one.
using TSignalWaitHook = void (*)(int value);
void SetSignalWaitHook(TSignalWaitHook hook);
void SignalWaitHook(int value);
