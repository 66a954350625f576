// Reading and changing the clauses of SELECT texts.
#include <gtest/gtest.h>

#include "data/access/DASQLText.h"
#include "data/memory/MemData.h"

namespace {

enum Routine { Append, Remove, Where, From, Replace, OrderBy };

struct Case {
    Routine routine;
    const char* sql;
    const char* argument;
    const char* expected;
};

AnsiString RunRoutine(const Case& c) {
    switch (c.routine) {
    case Append:
        return SqlAppendCondition(c.sql, c.argument);
    case Remove:
        return SqlRemoveWhereClause(c.sql);
    case Where:
        return SqlWhereText(c.sql);
    case From:
        return SqlFromText(c.sql);
    case Replace:
        return SqlReplaceOrderBy(c.sql, c.argument);
    case OrderBy:
        return SqlOrderByText(c.sql);
    }
    return "";
}

const Case cases[] = {
    // Adding a condition
    {Append, "SELECT * FROM t", "a=1", "SELECT * FROM t\rWHERE a=1 "},
    {Append, "SELECT * FROM t", " \t\r\n", "SELECT * FROM t"},
    {Append, "  SELECT * FROM t  \r\n", "a=1", "SELECT * FROM t\rWHERE a=1 "},
    {Append, "SELECT * FROM t WHERE b=2 ORDER BY x", "a=1",
     "SELECT * FROM t WHERE (b=2) AND a=1  ORDER BY x"},
    {Append, "SELECT * FROM t WHERE b=2", "a=1", "SELECT * FROM t WHERE (b=2) AND a=1 "},
    {Append, "SELECT * FROM t WHERE b=2;", "a=1", "SELECT * FROM t WHERE (b=2) AND a=1 ;"},
    {Append, "SELECT * FROM t;", "a=1", "SELECT * FROM t\rWHERE a=1 ;"},
    {Append, "SELECT * FROM t ORDER BY x", "a=1", "SELECT * FROM t\rWHERE a=1  ORDER BY x"},
    {Append, "SELECT * FROM t WHERE b=2 -- note\rORDER BY x", "a=1",
     "SELECT * FROM t WHERE (b=2 -- note\r\n) AND a=1 \rORDER BY x"},
    {Append, "SELECT * FROM t WHERE b=2 /* note */ ORDER BY x", "a=1",
     "SELECT * FROM t WHERE (b=2 /* note */\r) AND a=1  ORDER BY x"},
    {Append, "SELECT * FROM t -- all", "a=1", "SELECT * FROM t -- all\r\nWHERE a=1 "},
    {Append, "SELECT * FROM t WHERE/*c*/b=2", "a=1", "SELECT * FROM t WHERE(/*c*/b=2) AND a=1 "},
    {Append, "SELECT * FROM t WHERE(b=2)", "a=1", "SELECT * FROM t WHERE((b=2)) AND a=1 "},
    {Append, "SELECT * FROM t WHERE\r\nb=2", "a=1", "SELECT * FROM t WHERE\r\n(b=2) AND a=1 "},
    {Append, "SELECT * FROM (SELECT * FROM u WHERE c=3) v", "a=1",
     "SELECT * FROM (SELECT * FROM u WHERE c=3) v\rWHERE a=1 "},
    {Append, "SELECT * FROM t &WHERE", "a=1", "SELECT * FROM t &WHERE\rWHERE a=1 "},
    {Append, "SELECT * FROM t WHERE s='ORDER BY'", "a=1", "SELECT * FROM t WHERE (s='ORDER BY') AND a=1 "},
    {Append, "SELECT a FROM t UNION SELECT a FROM u", "a=1",
     "SELECT a FROM t\rWHERE a=1  UNION SELECT a FROM u"},
    {Append, "WITH w AS (SELECT * FROM t WHERE b=2) SELECT * FROM w", "a=1",
     "WITH w AS (SELECT * FROM t WHERE b=2) SELECT * FROM w\rWHERE a=1 "},
    {Append, "UPDATE t SET a=1", "a=1", "UPDATE t SET a=1"},
    // Removing the WHERE clause
    {Remove, "SELECT * FROM t WHERE a=1 ORDER BY x", "", "SELECT * FROM t ORDER BY x"},
    {Remove, "SELECT * FROM t WHERE a=1", "", "SELECT * FROM t"},
    {Remove, "SELECT * FROM t WHERE a=1  ", "", "SELECT * FROM t  "},
    {Remove, "SELECT * FROM t WHERE (a=1)ORDER BY x", "", "SELECT * FROM t ORDER BY x"},
    {Remove, "SELECT * FROM t\r\nWHERE a=1\r\nGROUP BY x", "", "SELECT * FROM t\r\nGROUP BY x"},
    {Remove, "SELECT * FROM (SELECT * FROM u WHERE c=3) v", "",
     "SELECT * FROM (SELECT * FROM u WHERE c=3) v"},
    {Remove, "SELECT * FROM t", "", "SELECT * FROM t"},
    {Remove, "DELETE FROM t WHERE a=1", "", "DELETE FROM t WHERE a=1"},
    // Clause texts
    {Where, "SELECT * FROM t WHERE a=1 ORDER BY x", "", "a=1"},
    {Where, "SELECT * FROM t WHERE(a=1)", "", "(a=1)"},
    {Where, "SELECT * FROM t WHERE/*c*/b=2", "", "/*c*/b=2"},
    {Where, "SELECT * FROM t WHERE\r\nb=2", "", "b=2"},
    {Where, "SELECT * FROM t WHERE s='GROUP' GROUP BY s", "", "s='GROUP'"},
    {Where, "SELECT * FROM t", "", ""},
    {Where, "SELECT * FROM (SELECT * FROM u WHERE c=3) v", "", ""},
    {From, "SELECT a FROM t1 JOIN t2 ON t1.k=t2.k WHERE x=1", "", "t1 JOIN t2 ON t1.k=t2.k"},
    {From, "SELECT (SELECT 1 FROM u) FROM t", "", "t"},
    {From, "DELETE FROM t", "", ""},
    // ORDER BY
    {Replace, "SELECT * FROM t", "a;b", "SELECT * FROM t ORDER BY a,b"},
    {Replace, "SELECT * FROM t ORDER BY a", "", "SELECT * FROM t"},
    {Replace, "SELECT * FROM t ORDER BY a", "b DESC", "SELECT * FROM t ORDER BY b DESC"},
    {Replace, "SELECT * FROM t\r\nWHERE a=1", "b", "SELECT * FROM t\r\nWHERE a=1\r  ORDER BY b"},
    {Replace, "SELECT * FROM t ORDER BY a LIMIT 5", "b", "SELECT * FROM t ORDER BY b LIMIT 5"},
    {Replace, "SELECT * FROM t ORDER BY a LIMIT 5", "", "SELECT * FROM t LIMIT 5"},
    {Replace, "SELECT * FROM t LIMIT 5 OFFSET 2", "b", "SELECT * FROM t ORDER BY b LIMIT 5 OFFSET 2"},
    {Replace, "SELECT * FROM t ORDER BY a FOR UPDATE", "b", "SELECT * FROM t ORDER BY b FOR UPDATE"},
    {Replace, "SELECT * FROM t;", "b", "SELECT * FROM t ORDER BY b;"},
    {Replace, "SELECT * FROM (SELECT * FROM u ORDER BY c LIMIT 1) v", "b",
     "SELECT * FROM (SELECT * FROM u ORDER BY c LIMIT 1) v ORDER BY b"},
    {Replace, "UPDATE t SET a=1", "b", "UPDATE t SET a=1"},
    {OrderBy, "SELECT * FROM t ORDER BY a, b", "", "a, b"},
    {OrderBy, "SELECT * FROM t ORDER BY a, b LIMIT 5", "", "a, b"},
    {OrderBy, "SELECT * FROM t ORDER BY a FOR UPDATE;", "", "a"},
    {OrderBy, "SELECT * FROM t", "", ""},
    {OrderBy, "SELECT * FROM t ORDER BY a UNION SELECT * FROM u", "", "a"},
};

} // namespace

TEST(SQLText, RoutinesTable) {
    for (const Case& c : cases)
        EXPECT_EQ(RunRoutine(c), AnsiString(c.expected))
            << "routine " << c.routine << " of [" << c.sql << "] with [" << c.argument << "]";
}

TEST(SQLText, StatementTypeOfUpdateKind) {
    EXPECT_EQ(StatementTypeOfUpdateKind(ukModify), stUpdate);
    EXPECT_EQ(StatementTypeOfUpdateKind(ukInsert), stInsert);
    EXPECT_EQ(StatementTypeOfUpdateKind(ukDelete), stDelete);
    EXPECT_ANY_THROW(StatementTypeOfUpdateKind(7));
}
