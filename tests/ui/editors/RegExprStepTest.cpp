#include <gtest/gtest.h>

#include <utility>

#include "RegExprSupport.h"

namespace {

// Feeds the typed text one character at a time; the accepted characters, as the automaton left them.
AnsiString Type(TcxRegExpr& expression, const AnsiString& typed) {
    AnsiString accepted;
    for (char ch : typed)
        if (expression.Feed(ch)) accepted += ch;
    return accepted;
}

struct StepCase {
    AnsiString pattern;
    bool caseInsensitive;
    AnsiString typed;
    AnsiString accepted;
    bool atFinal;
};

// "丄" is 0x81 0x41 in code page 936: its trail byte reads as "A".
const AnsiString Shang = "\x81\x41";

TEST(RegExprStep, TypedTextIsAcceptedByThePattern) {
    TFormatSettingsPin pin{MaskSeparators('-', ':', ',')};
    const StepCase cases[] = {
        {"\\d\\d:\\d\\d", false, "12:34", "12:34", true},
        {"\\d\\d/\\d\\d", false, "12/34", "12", false},
        {"\\d\\d/\\d\\d", false, "12-34", "12-34", true},
        {"\\d\\p\\d", false, "1.2,3", "1,3", true},
        {"a b", false, "ab", "ab", true},
        {"'a b'", false, "ab", "a", false},
        {"'a b'", false, "a b", "a b", true},
        {"'it''s'", false, "it's", "it's", true},
        {"(ab)\\1", false, "abab", "abab", true},
        {"(ab){2}\\1", false, "abababab", "ababab", true},
        {"(a|b)\\1", false, "ab", "ab", true},
        {"[a-]", false, "-", "-", true},
        {"[a-]", false, "b", "", false},
        {"[^\\d]+", false, "a1b", "ab", true},
        {"[\\x80-\\xfe]", false, "\x81", "\x81", true},
        {"[\\x80-\\xfe]", false, "\x7f\xff", "", false},
        {"\\x41\\t", false, "A\t", "A\t", true},
        {"abc", true, "ABC", "abc", true},
        {"abc", false, "ABC", "", false},
        {"[a-c]", true, "B", "", false}, // ranges compare byte codes
        {"x(a?)", false, "x", "x", false},
        {"x(a?)", false, "xa", "xa", true},
        {"xa?", false, "x", "x", true},
        {"a+?", false, "", "", true},
        {"a+?", false, "aaa", "aaa", true},
        {"x{2,4}", false, "xxxxx", "xxxx", true},
        {"x{2,4}", false, "x", "x", false},
        {"x{2,}", false, "xxxxx", "xxxxx", true},
        {"x{3}", false, "xxxx", "xxx", true},
        // counted repetitions starting at zero may be missed whole
        {"\\d{3}-\\d{0,4}", false, "123-", "123-", true},
        {"\\d{3}-\\d{0,4}", false, "123-45678", "123-4567", true},
        {"a\\d{0,}", false, "a", "a", true},
        {"a\\d{0}", false, "a1", "a", true},
        {"a(b){0}c", false, "abc", "ac", true},
        {"\\w\\W\\s\\S", false, "_. x", "_. x", true},
        {".", false, "\x01", "\x01", true},
    };
    for (const auto& c : cases) {
        TcxRegExpr expression;
        expression.CaseInsensitive = c.caseInsensitive;
        CompileText(expression, c.pattern);
        EXPECT_EQ(Type(expression, c.typed), c.accepted) << c.pattern;
        EXPECT_EQ(expression.AtFinal(), c.atFinal) << c.pattern;
    }
}

TEST(RegExprStep, ARefusedCharacterKeepsPositionAndHistory) {
    TcxRegExpr expression;
    CompileText(expression, "\\d\\d");
    EXPECT_TRUE(expression.AtStart());
    char ch = 'a';
    EXPECT_FALSE(expression.Feed(ch));
    EXPECT_TRUE(expression.AtStart());
    EXPECT_EQ(Type(expression, "123"), "12");
    EXPECT_TRUE(expression.AtFinal());
    EXPECT_TRUE(expression.StepBack());
    EXPECT_FALSE(expression.AtFinal());
    EXPECT_TRUE(expression.StepBack());
    EXPECT_TRUE(expression.AtStart());
    EXPECT_FALSE(expression.StepBack());
    EXPECT_EQ(Type(expression, "45"), "45");
    expression.Restart();
    EXPECT_TRUE(expression.AtStart());
    EXPECT_FALSE(expression.AtFinal());
}

TEST(RegExprStep, SetsKeepEachStateOnce) {
    for (const char* pattern : {"(\\d|\\d)+", "\\d*\\d*\\d*", "(\\d|\\d|\\d)*x"}) {
        TcxRegExpr expression;
        CompileText(expression, pattern);
        const AnsiString digits(200, '7');
        EXPECT_EQ(Type(expression, digits), digits) << pattern;
        EXPECT_LE(expression.LargestSet(), 4u) << pattern;
    }
}

TEST(RegExprStep, FeedTextSkipsWhatDoesNotFitAndKeepsDoubleByteCharactersWhole) {
    struct Case {
        const char* pattern;
        bool caseInsensitive;
        AnsiString text, accepted;
        bool atFinal;
    };
    const Case cases[] = {
        {"\\d+", false, "1a2", "12", true},
        {"abc", true, "ABC", "ABC", true}, // as typed
        {"\\w", false, Shang, "", false},  // the trail byte alone would be "A"
        {"\\w", false, Shang + "b", "b", true},
        {"\\W", false, Shang, "", false}, // the lead byte alone would be half a character
        {".\\d", false, Shang + "5", "5", false},
        {"..", false, Shang, Shang, true},
        {"[\\x80-\\xfe]\\w", false, Shang, Shang, true},
        {".+", false, "a" + Shang + "b", "a" + Shang + "b", true},
    };
    for (const auto& c : cases) {
        TcxRegExpr expression;
        expression.CaseInsensitive = c.caseInsensitive;
        CompileText(expression, c.pattern);
        EXPECT_EQ(expression.FeedText(c.text), c.accepted) << c.pattern;
        EXPECT_EQ(expression.AtFinal(), c.atFinal) << c.pattern;
    }
}

// Records the forced characters the automaton types and takes back.
struct ForcedLog {
    explicit ForcedLog(TcxRegExpr& expression) {
        expression.OnForcedCharAdded = [this](char ch) { log += AnsiString("+") + ch; };
        expression.OnForcedCharRemoved = [this] { log += "-"; };
    }
    AnsiString Take() { return std::exchange(log, AnsiString()); }
    AnsiString log;
};

TEST(RegExprStep, ForcedCharactersAreTypedAndTakenBack) {
    TFormatSettingsPin pin{MaskSeparators('.')};
    TcxRegExpr expression;
    ForcedLog forced(expression);
    expression.SetUpdateOn(true);
    CompileText(expression, "\\d\\d/\\d\\d");
    EXPECT_EQ(Type(expression, "12"), "12");
    EXPECT_EQ(forced.Take(), "+.");
    EXPECT_EQ(Type(expression, "3"), "3");
    EXPECT_TRUE(expression.StepBack()); // only the 3
    EXPECT_EQ(forced.Take(), "");
    EXPECT_TRUE(expression.StepBack()); // the forced separator and the 2
    EXPECT_EQ(forced.Take(), "-");
    EXPECT_EQ(Type(expression, "9"), "9");
    EXPECT_EQ(forced.Take(), "+.");
    EXPECT_EQ(Type(expression, "45"), "45");
    EXPECT_TRUE(expression.AtFinal());
    EXPECT_EQ(forced.Take(), "");
}

TEST(RegExprStep, OnlyOneCharacterForAllStatesIsForced) {
    TFormatSettingsPin pin{MaskSeparators()};
    struct Case {
        const char* pattern;
        const char* typed;
        const char* forced;
    };
    const Case cases[] = {
        {"\\d(ab|ac)", "1", "+a"}, {"\\d(b|c)", "1", ""}, {"\\d(b|b)", "1", "+b"}, {"\\d(b|b)c?d", "1", "+b"},
        {"\\d:b", "1", "+:+b"},    {"\\d\\d", "1", ""},   {"\\d[b]", "1", ""}, // a set is no symbol
    };
    for (const auto& c : cases) {
        TcxRegExpr expression;
        ForcedLog forced(expression);
        CompileText(expression, c.pattern);
        expression.SetUpdateOn(true);
        Type(expression, c.typed);
        EXPECT_EQ(forced.Take(), c.forced) << c.pattern;
    }
}

TEST(RegExprStep, LeadingForcedCharactersAreTypedAtCompileAndWhenSwitchedOn) {
    TcxRegExpr expression;
    ForcedLog forced(expression);
    expression.SetUpdateOn(true);
    CompileText(expression, "'+86 '\\d");
    EXPECT_EQ(forced.Take(), "+++8+6+ ");
    EXPECT_FALSE(expression.AtStart());
    // Taking back a forced run at the start leaves nothing to step back over.
    EXPECT_FALSE(expression.StepBack());
    EXPECT_EQ(forced.Take(), "----");
    EXPECT_TRUE(expression.AtStart());

    expression.SetUpdateOn(false);
    CompileText(expression, "ab\\d");
    EXPECT_EQ(forced.Take(), "");
    EXPECT_TRUE(expression.AtStart());
    expression.SetUpdateOn(true);
    EXPECT_EQ(forced.Take(), "+a+b");
}

} // namespace
