// The SQL-text routines and macro expansion on a long SELECT (a large IN list and many joined
// conditions, as generated filters produce), beside one pass of the lexer that reads every lexeme
// of the same text. Prints the times and their ratio to the lexer pass.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "data/access/DASQLText.h"
#include "data/access/Macros.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F> double Best(F f, int runs = 5) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t).count());
    }
    return best;
}

AnsiString LongSelect(int items, bool macros) {
    AnsiString sql =
        "SELECT a.id, a.name, b.total FROM accounts a JOIN bills b ON b.account = a.id\r\nWHERE a.id IN (";
    for (int i = 0; i < items; ++i) {
        if (i) sql += ", ";
        sql += macros && i % 10 == 0 ? AnsiString("&m") + std::to_string(i % 50).c_str()
                                     : std::to_string(i).c_str();
    }
    sql += ")\r\n  AND a.name <> '中文 -- not a comment' /* note */ AND b.total > 0\r\nORDER BY a.name, "
           "b.total LIMIT 100";
    return sql;
}

} // namespace

int main() {
    const AnsiString sql = LongSelect(40000, false);
    const AnsiString withMacros = LongSelect(40000, true);
    volatile size_t sink = 0;
    const double lexer = Best([&] {
        TSQLParser parser(sql);
        parser.SkipBlankLexemes = false;
        AnsiString lexeme;
        while (parser.GetNext(lexeme) != lcEnd)
            sink = sink + lexeme.size();
    });
    std::printf("text %zu bytes; lexer pass %.2f ms\n", sql.size(), lexer * 1000);
    auto report = [&](const char* what, double t) {
        std::printf("%-22s %8.2f ms   %5.2fx the lexer pass\n", what, t * 1000, t / lexer);
    };
    report("SqlAppendCondition", Best([&] { sink = sink + SqlAppendCondition(sql, "b.paid = 1").size(); }));
    report("SqlRemoveWhereClause", Best([&] { sink = sink + SqlRemoveWhereClause(sql).size(); }));
    report("SqlWhereText", Best([&] { sink = sink + SqlWhereText(sql).size(); }));
    report("SqlReplaceOrderBy", Best([&] { sink = sink + SqlReplaceOrderBy(sql, "b.total DESC").size(); }));
    report("SqlOrderByText", Best([&] { sink = sink + SqlOrderByText(sql).size(); }));
    TMacros macros;
    macros.Scan(withMacros);
    for (int i = 0; i < macros.Count(); ++i)
        macros[i]->SetValue("12345");
    report("TMacros.Scan", Best([&] { macros.Scan(withMacros); }));
    report("TMacros.Expand", Best([&] {
               AnsiString text = withMacros;
               macros.Expand(text);
               sink = sink + text.size();
           }));
    return 0;
}
