#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <windows.h>

#include "RegExprSupport.h"

namespace {

using Messages = std::vector<AnsiString>;

struct ErrorCase {
    AnsiString pattern;
    Messages messages;
};

TEST(RegExprCompile, ReportsEveryErrorOfTheFailingPhaseWithItsPosition) {
    TFormatSettingsPin pin{MaskSeparators()};
    const ErrorCase cases[] = {
        // whole-source errors carry no position
        {"", {"The source stream is empty"}},
        {" \t\r\n", {"The source stream is empty"}},
        {"(a", {"Missing ')'"}},
        {"a)", {"Unnecessary ')'"}},
        {"a|", {"The alternative should not be empty"}},
        // lexer
        {"\\x4", {"Line1, Char4: Hexadecimal number expected"}},
        {"\\x4g", {"Line1, Char4: Hexadecimal number expected but 'g' found"}},
        {"a\\ b", {"Line1, Char3: The space character is not allowed after '\\'"}},
        {"ab\\", {"Line1, Char3: Illegal '\\'"}},
        {"'ab", {"Line1, Char4: Missing ' ' '"}},
        {"[ab", {"Line1, Char4: Missing ']'"}},
        {"[a-", {"Line1, Char4: Missing ']'"}},
        {"x{2", {"Line1, Char4: Missing '}'"}},
        {"x{2a'}", {"Line1, Char4: Illegal 'a'", "Line1, Char5: Illegal ' ' '"}},
        {"x{a}\\ ((",
         {"Line1, Char3: Illegal 'a'", "Line1, Char6: The space character is not allowed after '\\'",
          "Missing ')'"}},
        // parser
        {")(", {"Line1, Char1: Illegal ')'", "The alternative should not be empty"}},
        {"a||b", {"Line1, Char3: The alternative should not be empty"}},
        {"()", {"Line1, Char2: The block should not be empty"}},
        {"(a|)", {"Line1, Char4: The block should not be empty"}},
        {"*a", {"Line1, Char1: Illegal quantifier '*'"}},
        {"{2}a", {"Line1, Char1: Incorrect parameter quantifier"}},
        {"(a)\\2", {"Line1, Char4: Too big reference number"}},
        {"[z-a]",
         {"Line1, Char2: The starting character of the subrange must be less than the finishing one"}},
        {"[a-a]",
         {"Line1, Char2: The starting character of the subrange must be less than the finishing one"}},
        {"[a-c-e]", {"Line1, Char5: Illegal '-'"}},
        {"[]", {"Line1, Char2: Can't create empty enumeration"}},
        {"[^]", {"Line1, Char3: Can't create empty enumeration"}},
        {"x{2,1}", {"Line1, Char5: Incorrect parameter quantifier"}},
        {"x{,1}", {"Line1, Char3: Incorrect parameter quantifier"}},
        {"x?{2}", {"Line1, Char3: The parameter quantifier cannot be applied here"}},
        {"(a?)*", {"Line1, Char5: The '*' quantifier cannot be applied here"}},
        {"(a|b*)+", {"Line1, Char7: The '+' quantifier cannot be applied here"}},
        {"*a)((b?)+",
         {"Line1, Char1: Illegal quantifier '*'", "Line1, Char3: Illegal ')'",
          "Line1, Char9: The '+' quantifier cannot be applied here"}},
        {"a\r\n|*b", {"Line2, Char2: Illegal quantifier '*'"}},
        // hostile patterns: bounds, starring what matches empty, and size
        {"x{1,100000}", {"Line1, Char5: Illegal integer value"}},
        {"x{99999999999}", {"Line1, Char3: Illegal integer value"}},
        {"x{1001}", {"Line1, Char3: Illegal integer value"}},
        {"(a?){2,}", {"Line1, Char5: The parameter quantifier cannot be applied here"}},
        {"(a|b?){1,}", {"Line1, Char7: The parameter quantifier cannot be applied here"}},
        {"(x{1000}){1000}", {"Line1, Char10: The regular expression is too complex"}},
        {AnsiString(10000, '(') + "x" + AnsiString(10000, ')'),
         {"Line1, Char101: The regular expression is too complex"}},
        {AnsiString(200000, 'x'), {"Line1, Char100001: The regular expression is too complex"}},
        {[] {
             AnsiString pattern;
             for (int i = 0; i < 2000; ++i)
                 pattern += "x?";
             return pattern;
         }(),
         {"The regular expression is too complex"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompileErrors(c.pattern), c.messages) << "pattern \"" << c.pattern.substr(0, 40) << "\"";
}

TEST(RegExprCompile, PatternsAtTheLimitsCompile) {
    for (const AnsiString& pattern :
         {AnsiString("x{1000}"), AnsiString("x{0,1000}"), AnsiString(100, '(') + "x" + AnsiString(100, ')'),
          AnsiString("[\\x80-\\xfe]")})
        EXPECT_EQ(CompileErrors(pattern), Messages{}) << pattern.substr(0, 40);
}

TEST(RegExprCompile, TheErrorKeepsItsOwnCopyOfTheErrors) {
    TcxRegExpr expression;
    try {
        CompileText(expression, "*");
        FAIL() << "compiled";
    } catch (const EcxRegExprError& first) {
        EXPECT_THROW(CompileText(expression, "(a"), EcxRegExprError);
        ASSERT_EQ(first.Errors().Count(), 1);
        EXPECT_EQ(first.Errors().Item(0).FullMessage(), "Line1, Char1: Illegal quantifier '*'");
        EXPECT_EQ(expression.Errors().Item(0).FullMessage(), "Missing ')'");
    }
    EXPECT_FALSE(expression.IsCompiled());
    EXPECT_EQ(expression.GetSourceStream(), nullptr);
    char ch = 'a';
    try {
        expression.Feed(ch);
        FAIL() << "fed";
    } catch (const EcxEditError& e) {
        EXPECT_EQ(e.Message(), "Regular expression is not compiled");
    }
    EXPECT_THROW(expression.AtFinal(), EcxEditError);
    CompileText(expression, "a");
    EXPECT_TRUE(expression.IsCompiled());
    ASSERT_NE(expression.GetSourceStream(), nullptr);
    EXPECT_EQ(expression.GetSourceStream()->Size(), 1);
    EXPECT_TRUE(expression.Feed(ch));
    EXPECT_TRUE(expression.AtFinal());
}

TEST(RegExprCompile, ANullStreamIsReported) {
    TcxRegExpr expression;
    try {
        expression.Compile(nullptr);
        FAIL() << "compiled";
    } catch (const EcxRegExprError& e) {
        ASSERT_EQ(e.Errors().Count(), 1);
        EXPECT_EQ(e.Errors().Item(0).FullMessage(), "The source stream is not assigned");
    }
}

TEST(RegExprCompile, LexemsCarryCodesAndPositions) {
    TFormatSettingsPin pin{MaskSeparators('/', ':', ',')};
    TcxRegExpr expression;
    // The reference to a group that does not exist fails the parse after the lexems are made.
    EXPECT_THROW(CompileText(expression, "a\\p/\r\n:.{12}[^-]'x''y'\\1"), EcxRegExprError);
    struct Expected {
        int line, ch, code;
        AnsiString value;
    };
    const Expected expected[] = {
        {1, 1, cxLexemLiteral, "a"},       {1, 2, cxLexemLiteral, ","},  {1, 4, cxLexemDateSeparator, "/"},
        {2, 1, cxLexemTimeSeparator, ":"}, {2, 2, cxLexemAll, "."},      {2, 3, cxLexemOperator, "{"},
        {2, 4, cxLexemInteger, "12"},      {2, 6, cxLexemOperator, "}"}, {2, 7, cxLexemOperator, "["},
        {2, 8, cxLexemOperator, "^"},      {2, 9, cxLexemLiteral, "-"},  {2, 10, cxLexemOperator, "]"},
        {2, 12, cxLexemLiteral, "x"},      {2, 13, cxLexemLiteral, "'"}, {2, 15, cxLexemLiteral, "y"},
    };
    ASSERT_EQ(expression.Lexems().Count(), static_cast<int>(std::size(expected)) + 1);
    for (size_t i = 0; i < std::size(expected); ++i) {
        const TcxLexem lexem = expression.Lexems().Item(static_cast<int>(i));
        EXPECT_EQ(lexem.Line, expected[i].line) << i;
        EXPECT_EQ(lexem.Char, expected[i].ch) << i;
        EXPECT_EQ(lexem.Code, expected[i].code) << i;
        EXPECT_EQ(lexem.Value, expected[i].value) << i;
    }
}

TEST(RegExprCompile, TheDumpShowsTheParseTree) {
    TcxRegExpr expression;
    CompileText(expression, "a+?");
    EXPECT_EQ(expression.ToText(), "<Start_Alt>\r\n"
                                   "<Start_Block>\r\n"
                                   "<Start_Alt>\r\n"
                                   "item --> +\r\n"
                                   "<Finish_Alt>\r\n"
                                   "<Finish_Block> --> ?\r\n"
                                   "<Finish_Alt>\r\n");
    CompileText(expression, "x{2,4}");
    EXPECT_EQ(expression.ToText(), "<Start_Alt>\r\n"
                                   "<Start_Block>\r\n"
                                   "<Start_Alt>\r\n"
                                   "item --> \r\n"
                                   "item --> \r\n"
                                   "<Start_Block>\r\n"
                                   "<Start_Alt>\r\n"
                                   "item --> \r\n"
                                   "item --> ?\r\n"
                                   "<Finish_Alt>\r\n"
                                   "<Finish_Block> --> ?\r\n"
                                   "<Finish_Alt>\r\n"
                                   "<Finish_Block> --> \r\n"
                                   "<Finish_Alt>\r\n");
    CompileText(expression, "a|b{0,1}");
    EXPECT_EQ(expression.ToText(), "<Start_Alt>\r\n"
                                   "item --> \r\n"
                                   "<Finish_Alt>\r\n"
                                   "<Start_Alt>\r\n"
                                   "<Start_Block>\r\n"
                                   "<Start_Alt>\r\n"
                                   "item --> ?\r\n"
                                   "<Finish_Alt>\r\n"
                                   "<Finish_Block> --> ?\r\n"
                                   "<Finish_Alt>\r\n");
}

// The deepest patterns the limits let through compile, step, dump and free on a thread with a
// small stack: nothing walks them with a frame per level.
struct DeepRun {
    AnsiString pattern;
    AnsiString failure;
    size_t dumpLines = 0;
};

DWORD WINAPI RunDeep(void* parameter) {
    auto* run = static_cast<DeepRun*>(parameter);
    try {
        auto expression = std::make_unique<TcxRegExpr>();
        CompileText(*expression, run->pattern);
        for (int i = 0; i < 1200; ++i) {
            char ch = 'x';
            expression->Feed(ch);
        }
        while (expression->StepBack()) {
        }
        const AnsiString dump = expression->ToText();
        run->dumpLines = static_cast<size_t>(std::count(dump.begin(), dump.end(), '\n'));
        CompileText(*expression, "x"); // frees the deep tree
        expression.reset();
    } catch (const std::exception& e) {
        run->failure = e.what();
    } catch (...) {
        run->failure = "unknown exception";
    }
    return 0;
}

TEST(RegExprCompile, DeepPatternsRunOnAOneMegabyteStack) {
    const AnsiString deep[] = {
        "x{0,1000}",         AnsiString(100, '(') + "x{0,1000}" + AnsiString(100, ')'),
        "((x{0,999}){0,3})", AnsiString(99, '(') + "(x){1000}" + AnsiString(99, ')') + "\\1\\2",
        "x{1000}{0,90}",
    };
    for (const AnsiString& pattern : deep) {
        DeepRun run{pattern, {}, 0};
        HANDLE thread =
            CreateThread(nullptr, 1 << 20, RunDeep, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitForSingleObject(thread, INFINITE);
        DWORD code = 1;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        EXPECT_EQ(code, 0u) << pattern.substr(0, 40);
        EXPECT_EQ(run.failure, "") << pattern.substr(0, 40);
        EXPECT_GT(run.dumpLines, 1000u) << pattern.substr(0, 40);
    }
}

} // namespace
