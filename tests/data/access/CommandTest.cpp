// Internal command: the :name scan, SQL text handling and parameter descriptors.
#include <gtest/gtest.h>

#include "TestProvider.h"

namespace {

class TBareCommand : public TTestCommand {
public:
    VZ_CLASS(TBareCommand, TTestCommand)
    const TSQLParserClass* GetParserClass() const override { return TCRCommand::GetParserClass(); }
};

std::vector<AnsiString> ParamNames(TCRCommand& command) {
    std::vector<AnsiString> names;
    for (int i = 0; i < command.ParamCount(); ++i)
        names.push_back(command.GetParam(i)->GetName());
    return names;
}

// A dialect quoting names in brackets, with a lexer that reads "[...]" as one identifier.
class TBracketParser : public TSQLParser {
public:
    explicit TBracketParser(const AnsiString& text) : TSQLParser(text) {}
    TBracketParser(TStream* stream, Encoding* encoding) : TSQLParser(stream, encoding) {}

protected:
    bool IsIdentQuote(char c) const override { return c == '[' || TSQLParser::IsIdentQuote(c); }
    void SkipToQuoteEnd(char quote, int& pos) override {
        TSQLParser::SkipToQuoteEnd(quote == '[' ? ']' : quote, pos);
    }
};

class TBracketSQLInfo : public TSQLInfo {
public:
    VZ_CLASS(TBracketSQLInfo, TSQLInfo)
    char LeftQuote() const override { return '['; }
    char RightQuote() const override { return ']'; }
};

class TBracketCommand : public TTestCommand {
public:
    VZ_CLASS(TBracketCommand, TTestCommand)
    const TSQLParserClass* GetParserClass() const override {
        return ParserClassOf<TBracketParser>("TBracketParser");
    }
    TClass GetSQLInfoClass() const override { return TBracketSQLInfo::StaticClass(); }
};

} // namespace

TEST(ParamScan, Table) {
    struct Case {
        const char* sql;
        const char* final;
        std::vector<AnsiString> names;
    } cases[] = {
        {"SELECT * FROM t WHERE a = :a AND b = :b", "SELECT * FROM t WHERE a = ? AND b = ?", {"a", "b"}},
        {"UPDATE t SET x = :p, y = :p", "UPDATE t SET x = ?, y = ?", {"p", "p"}},
        {"SELECT ':x' FROM t WHERE c = :c", "SELECT ':x' FROM t WHERE c = ?", {"c"}},
        {"SELECT 1 /* :x */ FROM t -- :y\r\nWHERE a=:a",
         "SELECT 1 /* :x */ FROM t -- :y\r\nWHERE a=?",
         {"a"}},
        {"SELECT a::int FROM t", "SELECT a::int FROM t", {}},
        {"BEGIN x := 1; END", "BEGIN x := 1; END", {}},
        {"SELECT a : b", "SELECT a : b", {}},
        {"SELECT * FROM t WHERE x = :Where", "SELECT * FROM t WHERE x = ?", {"WHERE"}},
        {"SELECT * FROM t WHERE x = :\"my param\"", "SELECT * FROM t WHERE x = ?", {"my param"}},
        {"SELECT * FROM t WHERE k IN (:a,:b) AND (c=:c)",
         "SELECT * FROM t WHERE k IN (?,?) AND (c=?)",
         {"a", "b", "c"}},
        {"SELECT :1, :@v FROM t", "SELECT ?, ? FROM t", {"1", "@v"}},
        {"SELECT x FROM t WHERE y = 'it''s :no' AND z = :z",
         "SELECT x FROM t WHERE y = 'it''s :no' AND z = ?",
         {"z"}},
        {"SELECT 名称 FROM 客户 WHERE 名称 = :名称", "SELECT 名称 FROM 客户 WHERE 名称 = ?", {"名称"}},
        {"SELECT x :", "SELECT x :", {}},
        {":a", "?", {"a"}},
        {"", "", {}},
        {"SELECT \"a:b\" FROM t WHERE x = :x", "SELECT \"a:b\" FROM t WHERE x = ?", {"x"}},
        {"SELECT a FROM t WHERE b = :b::int", "SELECT a FROM t WHERE b = ?::int", {"b"}},
        {"SET @v := :p", "SET @v := ?", {"p"}},
        {":a:b", "??", {"a", "b"}},
        {"x = :'s'", "x = :'s'", {}},
        {"x = :/* c */y", "x = ?", {"y"}},
    };
    for (auto& c : cases) {
        TTestCommand command;
        std::vector<AnsiString> names;
        EXPECT_EQ(command.Scan(c.sql, &names), c.final) << c.sql;
        EXPECT_EQ(names, c.names) << c.sql;
    }
}

TEST(ParamScan, RenamePrefixOrNothing) {
    TTestCommand command;
    EXPECT_EQ(command.ParseSQL("a = :a AND b = :\"b c\"", nullptr, "@"), "a = @a AND b = @b c");
    EXPECT_EQ(command.ParseSQL("a = :@v AND b = :=1", nullptr, "p_"), "a = p_@v AND b = :=1");
    EXPECT_EQ(command.ParamCount(), 0);
    // Without a list and a prefix every reference is copied as it stands.
    EXPECT_EQ(command.ParseSQL("a = :a", nullptr, ""), "a = :a");
}

// The quotes stripped from a parameter name are the dialect's, left and right each in its place.
TEST(ParamScan, NamesQuotedByTheDialect) {
    struct Case {
        const char* sql;
        const char* final;
        std::vector<AnsiString> names;
    } cases[] = {
        {"SELECT [a:b] FROM t WHERE x = :[my param]", "SELECT [a:b] FROM t WHERE x = ?", {"my param"}},
        {"x = :\"q\" AND y = :[]", "x = ? AND y = ?", {"\"q\"", ""}},
        {"x = :[unterminated", "x = ?", {"[unterminated"}},
    };
    for (auto& c : cases) {
        TBracketCommand command;
        command.SetSQL(c.sql);
        EXPECT_EQ(command.FinalSQL(), c.final) << c.sql;
        EXPECT_EQ(ParamNames(command), c.names) << c.sql;
    }
}

TEST(CommandSQL, SetSQLScansOnceAndKeepsDescriptors) {
    TTestCommand command;
    command.SetSQL("SELECT * FROM t WHERE a = :a AND b = :B");
    EXPECT_EQ(command.FinalSQL(), "SELECT * FROM t WHERE a = ? AND b = ?");
    EXPECT_EQ(ParamNames(command), (std::vector<AnsiString>{"a", "B"}));
    EXPECT_EQ(command.parseCount, 1);
    command.SetSQL("SELECT * FROM t WHERE a = :a AND b = :B");
    EXPECT_EQ(command.parseCount, 1);

    EXPECT_EQ(command.FindParam("b"), command.GetParam(1));
    EXPECT_EQ(command.FindParam("x"), nullptr);
    command.DeleteParam(0);
    EXPECT_EQ(ParamNames(command), (std::vector<AnsiString>{"B"}));
}

TEST(CommandSQL, DisabledScanKeepsTextAndParameters) {
    TTestCommand command;
    command.SetSQL("SELECT :a");
    command.SetProp(prDisableParamScan, Variant(true));
    command.SetSQL("INSERT INTO t VALUES (:x, :y)");
    EXPECT_EQ(command.FinalSQL(), "INSERT INTO t VALUES (:x, :y)");
    EXPECT_EQ(ParamNames(command), (std::vector<AnsiString>{"a"}));
}

TEST(CommandSQL, SwitchingScanParamsOnRescans) {
    TTestCommand command;
    command.SetSQL("SELECT :a");
    ASSERT_EQ(command.parseCount, 1);
    command.SetProp(prScanParams, Variant(false));
    EXPECT_EQ(command.parseCount, 1);
    EXPECT_FALSE(command.ScanParams());
    command.SetProp(prScanParams, Variant(true));
    EXPECT_EQ(command.parseCount, 2);
    command.SetProp(prScanParams, Variant(true)); // unchanged: nothing to do
    EXPECT_EQ(command.parseCount, 2);
    EXPECT_EQ(ParamNames(command), (std::vector<AnsiString>{"a"}));

    TTestCommand empty;
    empty.SetProp(prScanParams, Variant(false));
    empty.SetProp(prScanParams, Variant(true));
    EXPECT_EQ(empty.parseCount, 0);
}

// A text the lexer rejects must not replace the statement half-way: the old text, final SQL and
// parameters stay, and setting the bad text again fails again instead of running the old one.
TEST(CommandSQL, LexerErrorLeavesThePreviousStatement) {
    TTestCommand command;
    command.SetSQL("SELECT * FROM t WHERE a = :a");
    const AnsiString bad = AnsiString("SELECT * FROM t WHERE b = :b AND c = \x0B:c");
    EXPECT_THROW(command.SetSQL(bad), Exception);
    EXPECT_EQ(command.SQL(), "SELECT * FROM t WHERE a = :a");
    EXPECT_EQ(command.FinalSQL(), "SELECT * FROM t WHERE a = ?");
    EXPECT_EQ(ParamNames(command), (std::vector<AnsiString>{"a"}));
    EXPECT_THROW(command.SetSQL(bad), Exception);

    command.SetSQL("SELECT :z");
    EXPECT_EQ(command.FinalSQL(), "SELECT ?");
    EXPECT_EQ(ParamNames(command), (std::vector<AnsiString>{"z"}));
}

TEST(CommandSQL, SQLInfoFollowsTheConnection) {
    TTestCommand command;
    TSQLInfo* own = command.GetSQLInfo();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(command.GetSQLInfo(), own);
    EXPECT_TRUE(own->InheritsFrom(TSQLInfo::StaticClass()));
    EXPECT_EQ(own->ParserClass(), command.GetParserClass());

    TTestConnection connection;
    command.SetConnection(&connection);
    EXPECT_EQ(command.GetSQLInfo(), connection.GetSQLInfo());
    EXPECT_NE(command.GetSQLInfo(), own);
    EXPECT_EQ(connection.GetSQLInfo(), connection.GetSQLInfo());
    command.SetConnection(nullptr);
    EXPECT_EQ(command.GetSQLInfo(), own);
}

TEST(CommandSQL, BaseOperations) {
    TBareCommand bare;
    EXPECT_THROW(bare.GetParserClass(), EAssertionFailed);
    EXPECT_THROW(bare.SetSQL("SELECT :a"), EAssertionFailed);

    TTestCommand command;
    command.Prepare();
    EXPECT_EQ(command.GetCursorState(), csPrepared);
    command.Unprepare();
    EXPECT_EQ(command.GetCursorState(), csInactive);
    try {
        command.SetCursor(nullptr);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Operation is not supported by the database");
    }
    EXPECT_EQ(command.GetCursor(), nullptr);
    TParamDesc* p = command.AddParam();
    EXPECT_EQ(command.ParamCount(), 1);
    EXPECT_TRUE(p->GetIsBound());
    EXPECT_EQ(p->GetDataType(), 0);
    EXPECT_THROW(command.GetParam(1), EListError);
}

TEST(ParamDesc, ValuesNullsAndReferences) {
    TParamDesc p;
    EXPECT_FALSE(p.SetValue(Variant(5)));
    EXPECT_FALSE(p.GetNull());
    EXPECT_THROW(p.GetValuePtr(), EAssertionFailed);
    EXPECT_TRUE(p.SetValue(Null()));
    EXPECT_TRUE(p.GetNull());
    EXPECT_EQ(p.GetValuePtr(), nullptr);
    EXPECT_TRUE(p.SetValue(Variant()));

    p.SetValue(Variant("x"));
    p.SetNull(false); // clears the value whatever the flag
    EXPECT_TRUE(p.GetValue().IsEmpty());

    int blob = 0;
    p.SetValuePtr(&blob);
    EXPECT_EQ(p.GetValuePtr(), &blob);
    p.SetNull(true); // a by-reference value stays
    EXPECT_TRUE(p.GetNull());
    EXPECT_EQ(p.GetValuePtr(), &blob);
    p.SetValue(Variant(1));
    EXPECT_THROW(p.GetValuePtr(), EAssertionFailed);
}
