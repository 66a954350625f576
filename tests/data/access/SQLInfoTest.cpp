// Dialect object: quoting and normalising names, and the FROM-list and select-list parsers.
#include <gtest/gtest.h>

#include "TestProvider.h"

namespace {

const TSQLParserClass* SQLParser() {
    return ParserClassOf<TSQLParser>("TSQLParser");
}

class TUpperSQLInfo : public TSQLInfo {
public:
    VZ_CLASS(TUpperSQLInfo, TSQLInfo)
    using TSQLInfo::TSQLInfo;
    int IdentCase() const override { return icUpper; }
};

class TLowerBracketSQLInfo : public TSQLInfo {
public:
    VZ_CLASS(TLowerBracketSQLInfo, TSQLInfo)
    using TSQLInfo::TSQLInfo;
    int IdentCase() const override { return icLower; }
    char LeftQuote() const override { return '['; }
    char RightQuote() const override { return ']'; }
};

std::string Tables(const TCRTablesInfo& tables) {
    std::string s;
    for (int i = 0; i < tables.Count(); ++i) {
        if (i) s += "|";
        s += tables[i]->TableName() + "/" + tables[i]->TableAlias();
    }
    return s;
}

std::string Columns(const TColumnsInfo& columns) {
    std::string s;
    for (int i = 0; i < columns.Count(); ++i) {
        const TColumnInfo* c = columns[i];
        if (i) s += "|";
        s += c->Expr.empty() ? c->Table + "." + c->Name : "expr:" + c->Expr;
        if (!c->Alias.empty()) s += " as " + c->Alias;
        EXPECT_EQ(c->TableIndex, -1);
        EXPECT_FALSE(c->Used);
    }
    return s;
}

} // namespace

TEST(SQLInfo, NormalizeNameTable) {
    TSQLInfo mixed(SQLParser());
    TUpperSQLInfo upper(SQLParser());
    TLowerBracketSQLInfo lower(SQLParser());
    struct Case {
        const TSQLInfo* info;
        const char* name;
        bool quoteNames, unquote;
        const char* expected;
    } cases[] = {
        {&mixed, "", false, false, ""},
        {&mixed, "Orders", false, false, "Orders"},
        {&mixed, "my table", false, false, "\"my table\""},
        {&mixed, "1abc", false, false, "\"1abc\""},
        {&mixed, "\"abc\"", false, false, "abc"},
        {&mixed, "\"a b\"", false, false, "\"a b\""},
        {&mixed, "\"a b\"", false, true, "a b"},
        {&mixed, "abc", true, false, "\"abc\""},
        {&mixed, "s.t", true, false, "\"s\".\"t\""},
        {&mixed, "s.my t", false, false, "s.\"my t\""},
        {&mixed, "\"a.b\".c", false, false, "\"a.b\".c"},
        {&mixed, "\"a.b\".\"c d\"", false, true, "a.b.c d"},
        {&mixed, "中文", false, false, "\"中文\""},
        {&upper, "abc", false, false, "ABC"},
        {&upper, "s.abc", false, false, "S.ABC"},
        {&upper, "\"abc\"", false, false, "\"abc\""},
        {&upper, "\"ABC\"", false, false, "ABC"},
        {&upper, "abc", true, false, "\"abc\""},
        {&lower, "ABC", false, false, "abc"},
        {&lower, "[ABC]", false, false, "[ABC]"},
        {&lower, "[abc].x y", false, false, "abc.[x y]"},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.info->NormalizeName(c.name, c.quoteNames, c.unquote), c.expected)
            << c.name << " quote=" << c.quoteNames << " unquote=" << c.unquote;
}

TEST(SQLInfo, QuotingTable) {
    TSQLInfo mixed(SQLParser());
    TUpperSQLInfo upper(SQLParser());
    struct Case {
        const TSQLInfo* info;
        const char* name;
        bool needed;
    } cases[] = {
        {&mixed, "", false},    {&mixed, "a", false},  {&mixed, "a$1_Z", false}, {&mixed, "_a", true},
        {&mixed, "1a", true},   {&mixed, "a-b", true}, {&mixed, "a b", true},    {&mixed, "\"a\"", true},
        {&upper, "ABC", false}, {&upper, "AbC", true}, {&upper, "a", true},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.info->QuotesNeeded(c.name), c.needed) << c.name;

    EXPECT_EQ(mixed.QuoteName("a b"), "\"a b\"");
    EXPECT_EQ(mixed.QuoteName("\"a b\""), "\"a b\"");
    EXPECT_EQ(mixed.Quote("x", '[', ']'), "[x]");
    EXPECT_EQ(mixed.UnQuote("\"a\""), "a");
    EXPECT_EQ(mixed.UnQuote("\"a"), "\"a");
    EXPECT_FALSE(mixed.IsQuoted("\""));
    EXPECT_TRUE(mixed.IsQuoted("\"\""));
    EXPECT_TRUE(mixed.ParamQuoteAllowed());
    EXPECT_EQ(mixed.ProcedureOverloadSeparator(), ':');
}

TEST(SQLInfo, SplitObjectNameTable) {
    TSQLInfo info(SQLParser());
    struct Case {
        const char* full;
        const char *name, *schema, *catalog;
    } cases[] = {
        {"a", "a", "", ""},
        {"s.a", "a", "s", ""},
        {"c.s.a", "a", "s", "c"},
        {"x.c.s.a", "a", "s", "c"},
        {"\"my.schema\".\"t.1\"", "\"t.1\"", "\"my.schema\"", ""},
        {".a", "a", "", ""},
        {"", "", "", ""},
    };
    for (auto& c : cases) {
        AnsiString name, schema, catalog, dbLink = "junk";
        info.SplitObjectName(c.full, name, schema, catalog, dbLink);
        EXPECT_EQ(name, c.name) << c.full;
        EXPECT_EQ(schema, c.schema) << c.full;
        EXPECT_EQ(catalog, c.catalog) << c.full;
        EXPECT_EQ(dbLink, "") << c.full;
    }
}

TEST(SQLInfo, NamesListsSplitOnCommaAndSemicolon) {
    TSQLInfo info(SQLParser());
    std::vector<AnsiString> list{"old"};
    info.NamesToList("  a, b;;c , ; ", list);
    EXPECT_EQ(list, (std::vector<AnsiString>{"a", "b", "c"}));
    EXPECT_EQ(info.NamesFromList(list), "a;b;c");
    info.NamesToList("   ", list);
    EXPECT_TRUE(list.empty());
}

TEST(SQLInfo, ParseTablesInfoTable) {
    TSQLInfo info(SQLParser());
    struct Case {
        const char* sql;
        const char* tables;
    } cases[] = {
        {"SELECT * FROM t1 a INNER JOIN t2 AS b ON a.id = b.id WHERE x = 1", "t1/a|t2/b"},
        {"select * from t1, t2", "t1/|t2/"},
        {"SELECT * FROM t1 CROSS JOIN t2", "t1/CROSS|t2/"},
        {"SELECT a.x, (SELECT max(y) FROM z) FROM (SELECT * FROM q) s, t3", "t3/"},
        {"SELECT * FROM myfunc(1, 2) f", ""},
        {"SELECT * FROM dbo.orders o LEFT OUTER JOIN \"Order Details\" d ON (o.id = d.id) ORDER BY 1",
         "dbo.orders/o|\"Order Details\"/d"},
        {"SELECT * FROM (t1 a JOIN t2 b ON a.k = b.k) x WHERE 1 = 1", "t1/a|t2/b"},
        {"SELECT * FROM t1 -- the table\n  WHERE x = 1", "t1/"},
        {"SELECT * FROM t1 /* c */ GROUP BY a", "t1/"},
        {"select count(*) from 客户 k", "\"客户\"/k"},
        {"SELECT * FROM t1 LEFT JOIN t2 ON t1.x = t2.x RIGHT OUTER JOIN t3 ON (t2.y = t3.y) WHERE 1 = 1",
         "t1/|t2/|t3/"},
        {"SELECT * FROM t1 a, (SELECT 1 FROM z) q, t2 ORDER BY 1", "t1/a|t2/"},
        {"SELECT * FROM (SELECT * FROM (SELECT 1 FROM y) w) v", ""},
        {"SELECT a FROM t1 UNION SELECT b FROM t2", "t1/"},
        {"SELECT * FROM c.s.t WHERE x IN (SELECT y FROM u)", "c.s.t/"},
        {"UPDATE t SET a = 1", ""},
        {"SELECT 1", ""},
        {"", ""},
    };
    TCRTablesInfo tables;
    tables.AddNew()->SetTableName("stale");
    for (auto& c : cases) {
        info.ParseTablesInfo(c.sql, tables);
        EXPECT_EQ(Tables(tables), c.tables) << c.sql;
        for (int i = 0; i < tables.Count(); ++i)
            EXPECT_EQ(tables[i]->Index(), i);
    }
}

TEST(SQLInfo, ParseColumnsInfoTable) {
    TSQLInfo info(SQLParser());
    struct Case {
        const char* sql;
        const char* columns;
    } cases[] = {
        {"SELECT a, t.b, s.t.c x FROM t", ".a|t.b|s.t.c as x"},
        {"SELECT count(*) AS n, t.* FROM t", "expr:count) as n|t.*"},
        {"SELECT 1+2 total, NULL, a + b c FROM t", "expr:1+2 as total|expr:NULL|expr:a+b as c"},
        {"SELECT DISTINCT a b FROM t", ".a as b"},
        {"SELECT \"my col\" AS \"the name\" FROM t", ".my col as the name"},
        {"SELECT *", ".*"},
        {"SELECT a FROM t WHERE b = (SELECT c FROM d)", ".a"},
        {"SELECT a.b.c.d.e FROM t", "expr:a.b.c.d.e"},
        {"SELECT max(a) + 1 m, ALL b FROM t", "expr:max)+1 as m|.b"},
        {"SELECT t.a AS x, b y, c FROM t", "t.a as x|.b as y|.c"},
        {"DELETE FROM t", ""},
    };
    for (auto& c : cases) {
        TColumnsInfo columns;
        info.ParseColumnsInfo(c.sql, columns);
        EXPECT_EQ(Columns(columns), c.columns) << c.sql;
    }
}

// A word after a dropped candidate alias is the next candidate, not part of the expression.
TEST(SQLInfo, ParseColumnsInfoWordAfterDroppedAlias) {
    TSQLInfo info(SQLParser());
    struct Case {
        const char* sql;
        const char* columns;
    } cases[] = {
        {"SELECT a b c FROM t", "expr:a as c"},
        {"SELECT t.c COLLATE Latin1_General_CI_AS FROM t", "expr:t.c as Latin1_General_CI_AS"},
        {"SELECT a AS b c FROM t", "expr:a as c"},
        {"SELECT a b AS c FROM t", "expr:a as c"},
        {"SELECT a b c, d e FROM t", "expr:a as c|.d as e"},
        {"SELECT a b c d FROM t", "expr:ac as d"},
        {"SELECT a b c", "expr:a as c"},
        {"SELECT a b max(c) FROM t", "expr:amax)"},
        {"SELECT a b max(c) m FROM t", "expr:amax) as m"},
        {"SELECT s.t.a b c, x FROM t", "expr:s.t.a as c|.x"},
        {"SELECT t.* x y FROM t", "expr:t.* as y"},
    };
    for (auto& c : cases) {
        TColumnsInfo columns;
        info.ParseColumnsInfo(c.sql, columns);
        EXPECT_EQ(Columns(columns), c.columns) << c.sql;
    }
}

TEST(SQLInfo, ParsingWithoutParserClassFailsTheCheck) {
    TSQLInfo info;
    TCRTablesInfo tables;
    TColumnsInfo columns;
    EXPECT_THROW(info.ParseTablesInfo("SELECT * FROM t", tables), EAssertionFailed);
    EXPECT_THROW(info.ParseColumnsInfo("SELECT a FROM t", columns), EAssertionFailed);
}

TEST(SQLInfo, LexerErrorsPropagate) {
    TSQLInfo info(SQLParser());
    TCRTablesInfo tables;
    EXPECT_THROW(info.ParseTablesInfo(AnsiString("SELECT * FROM t\x0B"), tables), Exception);
    EXPECT_EQ(tables.Count(), 0);
}

TEST(TablesInfo, FindByNameAndAlias) {
    TCRTablesInfo tables;
    TCRTableInfo* orders = tables.AddNew();
    orders->SetTableName("Orders");
    orders->SetTableAlias("o");
    TCRTableInfo* items = tables.AddNew();
    items->SetTableName("Items");
    EXPECT_EQ(tables.FindByName("ORDERS"), 0);
    EXPECT_EQ(tables.FindByName("items"), 1);
    EXPECT_EQ(tables.FindByAlias("O"), 0);
    EXPECT_EQ(tables.FindByName("nothing"), -1);

    tables.SetCaseSensitive(true);
    EXPECT_EQ(tables.FindByName("ORDERS"), -1);
    EXPECT_EQ(tables.FindByName("Orders"), 0);

    // While an update is open the array is searched directly.
    tables.SetCaseSensitive(false);
    tables.BeginUpdate();
    tables.AddNew()->SetTableName("Later");
    EXPECT_EQ(tables.FindByName("LATER"), 2);
    tables.EndUpdate();
    EXPECT_EQ(tables.FindByName("later"), 2);

    // Renaming an item re-indexes it.
    items->SetTableName("Lines");
    EXPECT_EQ(tables.FindByName("items"), -1);
    EXPECT_EQ(tables.FindByName("LINES"), 1);

    try {
        tables.Items(3);
        ADD_FAILURE();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    tables.Clear();
    EXPECT_EQ(tables.Count(), 0);
    EXPECT_EQ(tables.FindByName("Orders"), -1);
}
