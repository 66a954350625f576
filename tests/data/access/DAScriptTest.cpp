#include <gtest/gtest.h>

#include <vector>

#include "data/access/DAScript.h"
#include "platform/core/Streams.h"

namespace {
// Records what it is asked to run; a statement containing "fail" raises.
class TRecordingExecutor : public IDAScriptExecutor {
public:
    std::vector<AnsiString> Ran;
    AnsiString Sql;
    TDAParams ParamList;
    bool DebugFlag = false;
    void SetSQL(const AnsiString& text) override { Sql = text; }
    TDAParams* Params() override { return &ParamList; }
    void Execute() override {
        if (Sql.find("fail") != AnsiString::npos) throw Exception("failed: " + Sql);
        Ran.push_back(Sql);
    }
    bool Debug() const override { return DebugFlag; }
    void SetDebug(bool value) override { DebugFlag = value; }
};

class THolder : public TDAScriptOwner {
public:
    TRecordingExecutor Runner;
    IDAScriptExecutor* Executor() override { return &Runner; }
};

class TPlainProcessor : public TDAScriptProcessor {
public:
    using TDAScriptProcessor::TDAScriptProcessor;
    const TSQLParserClass* LexerClass() override { return ParserClassOf<TSQLParser>("TSQLParser"); }
};

struct TStatementCase {
    const char* name;
    const char* delimiter;
    const char* script;
    std::vector<AnsiString> statements;
};
} // namespace

TEST(DAScript, ScriptsSplitIntoTheirStatements) {
    TStatementCase cases[] = {
        {"two", ";", "select 1;select 2", {"select 1", "select 2"}},
        {"delimiter in a string", ";", "select ';'", {"select ';'"}},
        {"slash line", ";", "select 1\r\n/\r\nselect 2", {"select 1\r\n", "select 2"}},
        {"slash inside", ";", "select a / b", {"select a / b"}},
        {"blank lines between", ";", "select 1;\r\n\r\n  select 2;\r\n", {"select 1", "select 2"}},
        {"comment only", ";", "/* note */;select 1", {"/* note */", "select 1"}},
        {"two-character delimiter", "$$", "select 1$$select '$$'$$", {"select 1", "select '$$'"}},
        {"empty statements", ";", ";;select 1;;", {"select 1"}},
    };
    for (auto& c : cases) {
        THolder script;
        script.Delimiter = c.delimiter;
        script.SQL.SetText(c.script);
        TPlainProcessor processor(&script);
        processor.ExecuteAll();
        EXPECT_EQ(c.statements, script.Runner.Ran) << c.name;
    }
}

TEST(DAScript, RecordingKeepsKindsAndPositions) {
    THolder script;
    script.SQL.SetText("select 1;\r\n  -- note\r\n;update t set a = 1\r\nwhere b = 2;");
    TPlainProcessor processor(&script);
    processor.Recording = true;
    processor.ExecuteAll();
    ASSERT_EQ(3, script.Statements.Count());
    struct {
        int kind, startPos, endPos, startLine, endLine, startColumn, endColumn;
    } expected[] = {
        {0, 0, 8, 0, 0, 0, 8},
        {skComment, 13, 22, 1, 2, 2, 0}, // a line comment takes its line end with it
        {0, 23, 54, 2, 3, 1, 11},
    };
    for (int i = 0; i < 3; ++i) {
        TDAStatement* s = script.Statements.Items(i);
        EXPECT_EQ(expected[i].kind, s->StatementType) << i;
        EXPECT_EQ(expected[i].startPos, s->StartPos) << i;
        EXPECT_EQ(expected[i].endPos, s->EndPos) << i;
        EXPECT_EQ(expected[i].startLine, s->StartLine) << i;
        EXPECT_EQ(expected[i].endLine, s->EndLine) << i;
        EXPECT_EQ(expected[i].startColumn, s->StartColumn) << i;
        EXPECT_EQ(expected[i].endColumn, s->EndColumn) << i;
    }
    EXPECT_TRUE(script.Runner.Ran.empty());

    // The stored statements then run from the script's lines.
    processor.Recording = false;
    processor.ExecuteAll();
    std::vector<AnsiString> want = {"select 1", "-- note\r\n", "update t set a = 1\r\nwhere b = 2"};
    EXPECT_EQ(want, script.Runner.Ran);
}

TEST(DAScript, StreamsAreReadByTheirByteOrderMark) {
    struct {
        const char* name;
        std::string bytes;
        std::vector<AnsiString> statements;
    } cases[] = {
        {"UTF-16",
         std::string("\xFF\xFE"
                     "s\0e\0l\0e\0c\0t\0 \0"
                     "\x2D\x4E"
                     ";\0",
                     20),
         {"select 中"}},
        {"UTF-8", "\xEF\xBB\xBFselect \xE4\xB8\xAD;", {"select 中"}},
        {"code page", "select 1;", {"select 1"}},
        // EF BB is a character of the code page: no mark, nothing skipped.
        {"EF BB without BF",
         "\xEF\xBB"
         "a;",
         {"\xEF\xBB"
          "a"}},
    };
    for (auto& c : cases) {
        THolder script;
        TMemoryStream stream;
        stream.Write(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
        stream.SetPosition(0);
        script.Stream = &stream;
        TPlainProcessor processor(&script);
        processor.ExecuteAll();
        EXPECT_EQ(c.statements, script.Runner.Ran) << c.name;
    }
}

TEST(DAScript, ErrorActionsStopRaiseOrGoOn) {
    struct {
        int action;
        std::vector<AnsiString> ran;
        bool raises;
    } cases[] = {
        {0, {"select 1"}, false},
        {1, {"select 1"}, true},
        {2, {"select 1", "select 3"}, false},
        {7, {"select 1", "select 3"}, false},
    };
    for (auto& c : cases) {
        THolder script;
        script.SQL.SetText("select 1; fail 2 ; select 3");
        AnsiString seen;
        script.OnError = [&](TDAScriptOwner*, Exception& e, const AnsiString& text, int& action) {
            seen = text + "|" + e.Message();
            action = c.action;
        };
        struct TCountingHolder {};
        TPlainProcessor processor(&script);
        if (c.raises)
            EXPECT_THROW(processor.ExecuteAll(), Exception) << c.action;
        else
            processor.ExecuteAll();
        EXPECT_EQ(c.ran, script.Runner.Ran) << c.action;
        EXPECT_EQ("fail 2|failed: fail 2 ", seen) << c.action;
    }
}

TEST(DAScript, BeforeExecuteMayChangeOrOmitAStatement) {
    THolder script;
    script.SQL.SetText("select 1;select 2;select 3");
    script.BeforeExecute = [](TDAScriptOwner*, TDAScriptProcessor*, AnsiString& text, bool& omit) {
        if (text == "select 2") omit = true;
        if (text == "select 3") text = "select 33";
    };
    std::vector<AnsiString> after;
    script.AfterExecute = [&](TDAScriptOwner*, TDAScriptProcessor*, const AnsiString& text) {
        after.push_back(text);
    };
    TPlainProcessor processor(&script);
    processor.ExecuteAll();
    std::vector<AnsiString> want = {"select 1", "select 33"};
    EXPECT_EQ(want, script.Runner.Ran);
    EXPECT_EQ(want, after);
}

TEST(DAScript, BatchJoinsStatementsWithTheDelimiter) {
    THolder script;
    script.UseBatch = true;
    script.SQL.SetText("select 1;select 2");
    TPlainProcessor processor(&script);
    processor.ExecuteAll();
    EXPECT_TRUE(script.Runner.Ran.empty());
    EXPECT_EQ("select 1;\r\nselect 2", script.BatchSQL.ToString());
}
