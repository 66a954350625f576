#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "data/memory/CRParser.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

namespace {

struct Lexeme {
    int code;
    AnsiString text;
    bool operator==(const Lexeme&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Lexeme& l) {
    return os << "(" << l.code << " \"" << l.text << "\")";
}

enum Options { None = 0, Blanks = 1, SkipComments = 2, NoUpper = 4, KeepQuotes = 8, CommaDecimal = 16 };

void Apply(TParser& p, int options) {
    p.NumberDecimalChar = (options & CommaDecimal) ? ',' : '.';
    p.SkipBlankLexemes = !(options & Blanks);
    p.SkipCommentLexemes = (options & SkipComments) != 0;
    p.UpperCaseKeywords = !(options & NoUpper);
    p.KeepQuotes = (options & KeepQuotes) != 0;
}

std::vector<Lexeme> ReadAll(TParser& p) {
    std::vector<Lexeme> out;
    for (;;) {
        Lexeme l;
        l.code = p.GetNext(l.text);
        out.push_back(l);
        if (l.code == lcEnd || out.size() > 100000) return out;
    }
}

template <class P> std::vector<Lexeme> Lex(const AnsiString& text, int options = None) {
    P p(text);
    Apply(p, options);
    return ReadAll(p);
}

using L = std::vector<Lexeme>;

} // namespace

TEST(ParserTest, SqlLexemes) {
    struct Case {
        AnsiString text;
        int options;
        L expected;
    } cases[] = {
        {"select * from t", None, {{138, "SELECT"}, {1, "*"}, {112, "FROM"}, {-103, "t"}, {0, ""}}},
        {"Select", NoUpper, {{138, "Select"}, {0, ""}}},
        {":=", None, {{3, ":"}, {2, "="}, {0, ""}}},
        {"<=", None, {{-102, "<"}, {2, "="}, {0, ""}}},
        {"(", None, {{-102, "("}, {0, ""}}},
        {"a--b", None, {{-103, "a"}, {-108, "--b"}, {0, ""}}},
        {"a --", None, {{-103, "a"}, {-102, "-"}, {-102, "-"}, {0, ""}}},
        {"a--b\nc", SkipComments, {{-103, "a"}, {-103, "c"}, {0, ""}}},
        {"1.5", None, {{-105, "1.5"}, {0, ""}}},
        {"1.5", CommaDecimal, {{-105, "1"}, {5, "."}, {-105, "5"}, {0, ""}}},
        {"1.", None, {{-105, "1"}, {5, "."}, {0, ""}}},
        {"1e5", None, {{-105, "1"}, {-103, "e5"}, {0, ""}}},
        {"x#1 $y", None, {{-103, "x#1"}, {-102, "$"}, {-103, "y"}, {0, ""}}},
        {"\"Order\" order", None, {{-103, "\"Order\""}, {131, "ORDER"}, {0, ""}}},
        {"'it''s'", None, {{-106, "it"}, {-106, "s"}, {0, ""}}},
        {"'abc'", KeepQuotes, {{-106, "'abc'"}, {0, ""}}},
        {"'open", None, {{-106, "open"}, {0, ""}}},
        {"/*/", None, {{-108, "/*/"}, {0, ""}}},
        {"/* x", None, {{-108, "/* x"}, {0, ""}}},
        {"a/**/b", None, {{-103, "a"}, {-108, "/**/"}, {-103, "b"}, {0, ""}}},
        {"a/b", None, {{-103, "a"}, {6, "/"}, {-103, "b"}, {0, ""}}},
        {"", None, {{0, ""}}},
        {"a  b", Blanks, {{-103, "a"}, {-107, "  "}, {-103, "b"}, {0, ""}}},
        {"_x1 中文 t.c", None, {{-103, "_x1"}, {-103, "中文"}, {-103, "t"}, {5, "."}, {-103, "c"}, {0, ""}}},
        {"a=:p,b;",
         None,
         {{-103, "a"}, {2, "="}, {3, ":"}, {-103, "p"}, {4, ","}, {-103, "b"}, {7, ";"}, {0, ""}}},
        {"where x is not null",
         None,
         {{144, "WHERE"}, {-103, "x"}, {120, "IS"}, {126, "NOT"}, {-103, "null"}, {0, ""}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lex<TSQLParser>(c.text, c.options), c.expected) << c.text;
}

TEST(ParserTest, BaseParserTables) {
    EXPECT_EQ(Lex<TParser>("select * from t"),
              (L{{-103, "select"}, {10, "*"}, {-103, "from"}, {-103, "t"}, {0, ""}}));
    EXPECT_EQ(Lex<TParser>("a and b or not c"),
              (L{{-103, "a"}, {29, "AND"}, {-103, "b"}, {31, "OR"}, {30, "NOT"}, {-103, "c"}, {0, ""}}));
    EXPECT_EQ(Lex<TParser>("\"q\" // c\n'x'"), (L{{-106, "q"}, {-108, "// c"}, {-106, "x"}, {0, ""}}));
    EXPECT_EQ(Lex<TParser>("a-b#"), (L{{-103, "a"}, {13, "-"}, {-103, "b"}, {3, "#"}, {0, ""}}));
}

TEST(ParserTest, EveryKeywordCodeFromItsText) {
    const std::pair<const char*, int> keywords[] = {
        {"ALL", 100},       {"AND", 101},     {"AS", 102},        {"BEGIN", 103}, {"BY", 104},
        {"COMMIT", 105},    {"DELETE", 106},  {"DISTINCT", 107},  {"END", 108},   {"EXECUTE", 109},
        {"FETCH", 110},     {"FOR", 111},     {"FROM", 112},      {"FULL", 113},  {"GROUP", 114},
        {"HAVING", 115},    {"INNER", 116},   {"INSERT", 117},    {"INTO", 119},  {"IS", 120},
        {"JOIN", 121},      {"LEFT", 122},    {"LIMIT", 123},     {"LOCK", 124},  {"MINUS", 125},
        {"NOT", 126},       {"OFFSET", 127},  {"ON", 128},        {"OR", 130},    {"ORDER", 131},
        {"OUTER", 132},     {"RELEASE", 133}, {"RETURNING", 134}, {"RIGHT", 135}, {"ROLLBACK", 136},
        {"SAVEPOINT", 137}, {"SELECT", 138},  {"SET", 139},       {"TO", 140},    {"TRANSACTION", 141},
        {"UNION", 142},     {"UPDATE", 143},  {"WHERE", 144},     {"WITH", 145}};
    for (auto [text, code] : keywords) {
        AnsiString lower = text;
        for (char& ch : lower)
            ch = static_cast<char>(ch + 32);
        EXPECT_EQ(Lex<TSQLParser>(lower), (L{{code, text}, {0, ""}})) << text;
        // A longer word or a prefix is an identifier.
        EXPECT_EQ(Lex<TSQLParser>(lower + "x")[0].code, -103) << text;
    }
    EXPECT_EQ(Lex<TSQLParser>("INTERSECT")[0].code, -103);
}

TEST(ParserTest, ClausesAndSqlHelpers) {
    TSQLParser p("");
    EXPECT_EQ(p.ClauseIndex(lxWHERE), 0);
    EXPECT_EQ(p.ClauseIndex(lxORDER), 6);
    EXPECT_EQ(p.ClauseIndex(lxSELECT), -1);
    EXPECT_EQ(p.CompareClauses(lxWHERE, lxORDER), -1);
    EXPECT_EQ(p.CompareClauses(lxORDER, lxGROUP), 1);
    EXPECT_EQ(p.CompareClauses(lxHAVING, lxHAVING), 0);
    EXPECT_EQ(p.CompareClauses(lxFROM, lxORDER), -2);
    EXPECT_TRUE(p.IsClause(lxUNION));
    EXPECT_FALSE(p.IsMacroAllowed(lcString));
    EXPECT_TRUE(p.IsMacroAllowed(lcIdent));
    EXPECT_TRUE(p.IsSelectModifier(lxDISTINCT));
    EXPECT_FALSE(TSQLParser::AllowNumericMacro());
    EXPECT_TRUE(p.IsNullWord("NULL"));
    const TSQLParserClass* cls = ParserClassOf<TSQLParser>("TSQLParser");
    auto made = cls->Create("select");
    EXPECT_EQ(made->GetNextCode(), lxSELECT);
}

TEST(ParserTest, SkipToCodeBalancesParentheses) {
    TSQLParser p("with q as (select a from t) select b from q");
    EXPECT_EQ(p.SkipToCodeAfterPrefix(lxSELECT, lxWITH, true), lxSELECT);
    AnsiString lexeme;
    EXPECT_EQ(p.GetNext(lexeme), -103);
    EXPECT_EQ(lexeme, "b");

    TSQLParser q("  select x");
    EXPECT_EQ(q.SkipToCodeAfterPrefix(lxSELECT, lxWITH, true), lxSELECT);
    TSQLParser r("update t");
    EXPECT_EQ(r.SkipToCodeAfterPrefix(lxSELECT, lxWITH, true), lcEnd);
    TSQLParser s("a (b where) where");
    EXPECT_EQ(s.SkipToCode(lxWHERE, true), lxWHERE);
    EXPECT_EQ(s.CurrentOffset(), 17);
    // Only depth 0 counts: after an unmatched ")" the code is no longer found.
    TSQLParser t("a) where b");
    EXPECT_EQ(t.SkipToCode(lxWHERE, true), lcEnd);
    TSQLParser u("a) where b");
    EXPECT_EQ(u.SkipToCode(lxWHERE, false), lxWHERE);
}

TEST(ParserTest, SkipToLexemeAndRewind) {
    TSQLParser p("select 'from' /* from */ Frog, t.FROM x");
    EXPECT_TRUE(p.SkipToLexeme("from"));
    EXPECT_EQ(p.CurrentOffset(), 37);
    AnsiString lexeme;
    EXPECT_EQ(p.GetNext(lexeme), -103);
    EXPECT_EQ(lexeme, "x");
    p.RewindLast();
    EXPECT_EQ(p.GetNext(lexeme), -103);
    EXPECT_EQ(lexeme, "x");
    EXPECT_FALSE(p.SkipToLexeme("zzz"));

    TSQLParser q("a ( b");
    EXPECT_TRUE(q.SkipToLexeme("("));
    EXPECT_EQ(q.CurrentOffset(), 3);
}

TEST(ParserTest, LinesColumnsAndOffsets) {
    struct Case {
        AnsiString text;
        bool advanced;
    } cases[] = {{"a\r\n\nb", false}, {"/*\r\n\n*/b", false}, {"'\r\n\n'b", true}};
    for (const Case& c : cases) {
        TSQLParser p(c.text);
        p.AdvancedStrings = c.advanced;
        p.SkipCommentLexemes = true;
        while (p.GetNextCode() != lcEnd) {
        }
        EXPECT_EQ(p.LineNumber(), 2) << c.text;
    }
    TSQLParser first("a\r\n\nb");
    first.GetNextCode();
    first.GetNextCode();
    EXPECT_EQ(first.ColumnNumber(), 1);
    // Without advanced strings, line ends inside a string are not counted in string mode.
    TSQLParser plain("'\n'b");
    plain.GetNextCode();
    EXPECT_EQ(plain.LineNumber(), 0);

    TSQLParser p("ab  cd\n  ef");
    AnsiString lexeme;
    p.GetNext(lexeme);
    EXPECT_EQ(p.LastLexemeOffset(), 0);
    p.GetNext(lexeme);
    EXPECT_EQ(lexeme, "cd");
    EXPECT_EQ(p.LastLexemeOffset(), 2); // just after "ab": the blanks come after it
    EXPECT_EQ(p.PriorLexemeOffset(), 0);
    EXPECT_EQ(p.CurrentOffset(), 6);
    p.GetNext(lexeme);
    EXPECT_EQ(p.LineNumber(), 1);
    EXPECT_EQ(p.ColumnNumber(), 4);
    EXPECT_EQ(p.LastLexemeColumn(), 6);

    TSQLParser empty("");
    EXPECT_EQ(empty.GetNextCode(), lcEnd);
    EXPECT_EQ(empty.CurrentOffset(), 0);
}

TEST(ParserTest, UnknownSymbolsRaise) {
    struct Case {
        AnsiString text;
        const char* message;
    } cases[] = {
        {AnsiString("a\vb"), "Parser: The unknown symbol '\v'  $000B"},
        {AnsiString("x\0", 2), nullptr},
        {AnsiString("\x7F"), "Parser: The unknown symbol '\x7F'  $007F"},
    };
    for (const Case& c : cases) {
        TSQLParser p(c.text);
        try {
            while (p.GetNextCode() != lcEnd) {
            }
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            if (c.message)
                EXPECT_EQ(e.Message(), c.message);
            else
                EXPECT_EQ(e.Message(), AnsiString("Parser: The unknown symbol '") + '\0' + "'  $0000");
        }
    }
}

namespace {

// A script of about size bytes with lexemes of every kind, many of them long.
AnsiString MakeScript(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const char* pieces[] = {"select ",
                            "a.b",
                            ", ",
                            "'a string with ''quotes'''",
                            "/* block\r\ncomment */",
                            "-- line comment\n",
                            "\r\n",
                            "12.50 ",
                            "中文标识 ",
                            "\"Quoted Id\" ",
                            "from ",
                            "where x<=:p",
                            " order by 1;\n",
                            "\t",
                            "(",
                            ")",
                            "#tmp$ "};
    AnsiString s;
    while (s.size() < size) {
        int k = static_cast<int>(rng() % std::size(pieces));
        if (rng() % 50 == 0) {
            // a long string and a long comment so that lexemes span chunk borders
            s += "'" + AnsiString(3000 + rng() % 70000, 'x') + "' ";
            s += "/*" + AnsiString(1000 + rng() % 70000, '\n') + "*/";
        }
        s += pieces[k];
    }
    return s;
}

struct Seen {
    int code;
    AnsiString text;
    int64_t offset, last, line;
    int column;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Collect(TParser& p) {
    std::vector<Seen> out;
    for (;;) {
        Seen s;
        s.code = p.GetNext(s.text);
        s.offset = p.CurrentOffset();
        s.last = p.LastLexemeOffset();
        s.line = p.LineNumber();
        s.column = p.ColumnNumber();
        out.push_back(s);
        if (s.code == lcEnd) return out;
    }
}

} // namespace

TEST(ParserTest, StreamModeMatchesStringModeAcrossChunkBorders) {
    const AnsiString script = MakeScript(220 * 1024, 11);
    ASSERT_GT(script.size(), 200u * 1024);
    for (int options : {static_cast<int>(None), Blanks | KeepQuotes}) {
        TSQLParser text(script);
        Apply(text, options);
        text.AdvancedStrings = true; // stream mode always counts lines in strings
        auto expected = Collect(text);

        TStringStream stream(script);
        TSQLParser streamed(&stream, nullptr);
        Apply(streamed, options);
        auto actual = Collect(streamed);
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_TRUE(actual[i] == expected[i])
                << "lexeme " << i << " code " << actual[i].code << "/" << expected[i].code << " offset "
                << actual[i].offset << "/" << expected[i].offset;
    }
}

TEST(ParserTest, StreamModeDecodesUnicodeAndUtf8) {
    const AnsiString script = MakeScript(140 * 1024, 3);
    TSQLParser text(script);
    text.AdvancedStrings = true;
    std::vector<Lexeme> expected;
    for (const Seen& s : Collect(text))
        expected.push_back({s.code, s.text});

    for (Encoding* encoding : {Encoding::GetUnicode(), Encoding::GetUTF8()}) {
        TBytes bytes = encoding->TextToBytes(script);
        TStringStream stream(AnsiString(bytes.begin(), bytes.end()));
        TSQLParser streamed(&stream, encoding);
        std::vector<Lexeme> actual;
        for (const Seen& s : Collect(streamed))
            actual.push_back({s.code, s.text});
        EXPECT_TRUE(actual == expected) << (encoding == Encoding::GetUTF8() ? "UTF-8" : "UTF-16");
    }
}

TEST(ParserTest, StreamStartsAtTheCurrentPosition) {
    TStringStream stream("ignored select x");
    stream.SetPosition(8);
    TSQLParser p(&stream, Encoding::GetDefault());
    EXPECT_EQ(Lex<TSQLParser>("select x"), ReadAll(p));
}
