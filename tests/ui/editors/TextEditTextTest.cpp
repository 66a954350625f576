#include <gtest/gtest.h>

#include "platform/core/FormatFloat.h"
#include "platform/core/FormatSettings.h"
#include "ui/editors/TextEditText.h"

namespace {

// Code page 936: "中" D6 D0, "文" CE C4; "乣" 81 81 has a trail byte that is also a lead byte
// value, so only a scan from the start finds where its characters begin.
const AnsiString Zhong = "中";
const AnsiString Ambiguous = "a\x81\x81\x81\x81" "b"; // a, 81 81, 81 81, b

struct BoundaryCase {
    AnsiString text;
    int pos;
    int before, after, prevStart, nextEnd;
};

TEST(TextEditCharsTest, BoundariesAreFoundFromTheStart) {
    const BoundaryCase cases[] = {
        {"a中b", 0, 0, 0, 0, 1},
        {"a中b", 1, 1, 1, 0, 3},
        {"a中b", 2, 1, 3, 1, 3}, // inside 中
        {"a中b", 3, 3, 3, 1, 4},
        {"a中b", 4, 4, 4, 3, 4},
        {Ambiguous, 2, 1, 3, 1, 3},
        {Ambiguous, 3, 3, 3, 1, 5},
        {Ambiguous, 4, 3, 5, 3, 5},
        {Ambiguous, 5, 5, 5, 3, 6},
        {"ab\xD6", 3, 3, 3, 2, 3}, // a lone lead byte at the end is a character of its own
        {"", 0, 0, 0, 0, 0},
        {"abc", 9, 3, 3, 2, 3},
    };
    for (const BoundaryCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" at " << c.pos);
        EXPECT_EQ(c.before, CharBoundaryAtOrBefore(c.text, c.pos));
        EXPECT_EQ(c.after, CharBoundaryAtOrAfter(c.text, c.pos));
        EXPECT_EQ(c.prevStart, PrevCharStart(c.text, c.pos));
        EXPECT_EQ(c.nextEnd, NextCharEnd(c.text, c.pos));
    }
    EXPECT_EQ(4, CharCount(Ambiguous));
    EXPECT_EQ(3, CharCount("a中b"));
    EXPECT_EQ(4, CharsToBytes("中文x", 2));
    EXPECT_EQ(3, FitToBytes("a中文", 4));
    EXPECT_EQ(2, FitToBytes("ab中", 3)); // a window-text buffer never ends in a lone lead byte
    EXPECT_FALSE(IsCharBoundary(Zhong, 1));
}

struct InsertionCase {
    TcxTextEditingStyle style;
    AnsiString text;
    int selStart, selLength;
    AnsiString inserted;
    int maxLength;
    bool userInput;
    bool accepted;
    AnsiString result;
    int caret;
};

TEST(TextEditCharsTest, ComposedInsertions) {
    const InsertionCase cases[] = {
        // Plain insertion and replacement.
        {tesFreeText, "abcde", 2, 0, "x", 0, true, true, "abxcde", 3},
        {tesFreeText, "abcde", 1, 2, "xyz", 0, true, true, "axyzde", 4},
        // The room left is what the maximum length allows: the text after the selection stays.
        {tesFreeText, "abcd", 2, 0, "x", 5, true, true, "abxcd", 3},
        {tesFreeText, "abcde", 2, 0, "x", 5, true, false, "", 0},
        {tesFreeText, "abcde", 1, 2, "xyz", 5, true, true, "axyde", 3},
        {tesFreeText, "abc", 3, 0, "xyz", 5, true, true, "abcxy", 5},
        // A pure deletion is always allowed, also above the maximum length.
        {tesFreeText, "abcdefg", 1, 2, "", 5, true, true, "adefg", 1},
        {tesFreeText, "abcdefg", 7, 0, "x", 5, true, false, "", 0},
        {tesFreeText, "abcdefg", 0, 3, "xy", 5, true, true, "xdefg", 1},
        // Characters, not bytes, are counted; a cut never splits a double-byte character.
        {tesFreeText, "中文", 4, 0, "中", 3, true, true, "中文中", 6},
        {tesFreeText, "中文中", 6, 0, "文", 3, true, false, "", 0},
        {tesFreeText, "中文", 2, 0, "中a文", 3, true, true, "中中文", 4},
        {tesFreeText, "中文", 2, 2, "ab中", 3, true, true, "中ab", 4},
        // A caret inside a character stands before it; a selection ending inside it takes it whole.
        {tesFreeText, "a中b", 2, 0, "x", 0, true, true, "ax中b", 2},
        {tesFreeText, "a中b", 1, 1, "x", 0, true, true, "axb", 2},
        // Without user input the maximum length does not cut.
        {tesFreeText, "abcde", 5, 0, "x", 5, false, true, "abcdex", 6},
        // The fixed list replaces the whole text; the no-text style refuses typing.
        {tesFixedList, "Apple", 2, 0, "Banana", 3, true, true, "Banana", 6},
        {tesNoText, "abc", 1, 0, "x", 0, true, false, "", 0},
        {tesNoText, "abc", 1, 0, "xyzw", 3, false, true, "xyzw", 4},
        // A backwards selection.
        {tesFreeText, "abcde", 3, -2, "x", 0, true, true, "axde", 2},
    };
    for (const InsertionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" " << c.selStart << '+' << c.selLength << " \""
                                        << c.inserted << "\" max " << c.maxLength);
        TcxTextInsertion r =
            ComposeTextInsertion(c.style, c.text, c.selStart, c.selLength, c.inserted, c.maxLength, c.userInput);
        EXPECT_EQ(c.accepted, r.Accepted);
        if (!c.accepted) continue;
        EXPECT_EQ(c.result, r.Text);
        EXPECT_EQ(c.caret, r.Caret);
    }
}

TEST(TextEditNumbersTest, ThousandsAreGroupedInTheIntegerDigits) {
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    fs.ThousandSeparator = ',';
    fs.DecimalSeparator = '.';
    const std::pair<const char*, const char*> cases[] = {
        {"1234567.891E5", "1,234,567.891E5"},
        {"123456", "123,456"},
        {"-123456", "-123,456"},
        {"  1234  ", "  1,234  "},
        {"1,23,4567", "1,234,567"},
        {"123", "123"},
        {"0.123456", "0.123456"},
        {"", ""},
        {"1234e-3", "1,234e-3"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, FormatNumberWithThousands(text, fs)) << text;
    fs.ThousandSeparator = ' ';
    fs.DecimalSeparator = ',';
    EXPECT_EQ(" 1 234,5 ", FormatNumberWithThousands(" 1234,5 ", fs));
    EXPECT_TRUE(IsFloatText("1 234,5", fs));
    EXPECT_FALSE(IsFloatText("12a", fs));
}

TEST(TextEditNumbersTest, FormatFloatPlaceholders) {
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    const struct {
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {"0.00", 3.14159, "3.14"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#.##", 0.5, ".5"},
        {"0.##", 2.0, "2"},
        {"000", 7, "007"},
        {"0.00", -1.005, "-1.00"},
        {"0.0;(0.0)", -2.26, "(2.3)"},
        {"0;-0;'zero'", 0, "zero"},
        {"'$'#,##0", 1234, "$1,234"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"0 'kg'", 12, "12 kg"},
        {"", 1.5, "1.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FormatFloat(c.format, c.value, fs)) << c.format << " " << c.value;
}

TEST(TextEditPaintRules, SelectionColours) {
    const struct {
        const char* name;
        TColor background, text, style;
        TColor expectedBackground, expectedText;
    } cases[] = {
        {"both", 0x102030, 0x405060, clWindow, 0x102030, 0x405060},
        {"background only", 0x00FF00, clDefault, clWindow, 0x00FF00, 0xFF00FF},
        {"text only", clDefault, 0x0000FF, clWindow, 0xFFFF00, 0x0000FF},
        {"neither", clDefault, clDefault, clWindow, clHighlight, clHighlightText},
        {"neither on a highlight", clDefault, clDefault, clHighlight, clBlack, clWhite},
    };
    for (const auto& c : cases) {
        TColor background = clNone, text = clNone;
        TextEditSelectionColors(c.background, c.text, c.style, background, text);
        EXPECT_EQ(c.expectedBackground, background) << c.name;
        EXPECT_EQ(c.expectedText, text) << c.name;
    }
}

TEST(TextEditPaintRules, TextFlagsOfTheAlignments) {
    const unsigned always = 0x200 | 0x40000 | 0x80000;
    const struct {
        int horz, vert;
        unsigned flags;
    } cases[] = {{0, 0, always}, {1, 0, always | 2}, {2, 0, always | 1}, {0, 1, always | 0x20}, {2, 2, always | 0x11}};
    for (const auto& c : cases)
        EXPECT_EQ(c.flags, TextEditTextFlags(c.horz, c.vert)) << c.horz << "," << c.vert;
}

TEST(TextEditPaintRules, WindowTextNeverEndsInALoneLeadByte) {
    const struct {
        AnsiString text;
        int buffer, copied;
    } cases[] = {{"ab中", 4, 2}, {"ab中", 5, 4}, {"ab中", 9, 4}, {"中文", 2, 0}, {"abc", 1, 0}, {"abc", 0, 0}, {"abc", -3, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.copied, WindowTextCopyLength(c.text, c.buffer)) << c.text << " in " << c.buffer;
}

} // namespace
