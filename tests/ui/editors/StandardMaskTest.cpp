#include <gtest/gtest.h>

#include "platform/core/FormatSettings.h"
#include "ui/editors/StandardMask.h"

namespace {

enum class Op { Fit, FitRaw, FitLiterals, Complete, Extract, EmptyValue, EmptyDisplay, Count };

struct MaskCase {
    const char* mask;
    Op op;
    AnsiString text;
    AnsiString expected; // for Complete: "1"/"0", then the text afterwards after a '|'
};

// "丄" is 0x81 0x41 in code page 936: its trail byte reads as "A".
const AnsiString Shang = "\x81\x41";
// 0x81 0x61: a trail byte that reads as "a".
const AnsiString LowTrail = "\x81\x61";

AnsiString Apply(const MaskCase& c) {
    TcxStandardMask mask;
    mask.SetMask(c.mask);
    AnsiString text = c.text;
    switch (c.op) {
    case Op::Fit:
        mask.FitText(text, true, false);
        return text;
    case Op::FitRaw:
        mask.FitText(text, false, false);
        return text;
    case Op::FitLiterals:
        mask.FitText(text, true, true);
        return text;
    case Op::Complete: {
        const bool complete = mask.IsComplete(text);
        return AnsiString(complete ? "1" : "0") + "|" + text;
    }
    case Op::Extract:
        mask.ExtractValue(text);
        return text;
    case Op::EmptyValue:
        return mask.EmptyValueText();
    case Op::EmptyDisplay:
        return mask.EmptyDisplayText();
    case Op::Count:
        return IntToStr(mask.GetCount());
    }
    return {};
}

TEST(StandardMask, FitsStripsAndChecksTextsByTheMask) {
    TFormatSettings settings = TFormatSettingsPin::Invariant();
    settings.DateSeparator = '-';
    settings.TimeSeparator = '.';
    TFormatSettingsPin pin{settings};
    const MaskCase cases[] = {
        // an empty mask has no positions
        {"", Op::Fit, "abc", ""},
        {"", Op::Complete, "", "1|"},
        {"", Op::Complete, "a", "0|a"},
        // fill direction
        {"!999", Op::Fit, "12", "_12"},
        {"999", Op::Fit, "12", "12_"},
        {"!999", Op::Count, "", "3"},
        // literals match themselves
        {"(000)", Op::Fit, "123", "(123)"},
        {"(000)", Op::Fit, "(12", "(12_)"},
        {"000", Op::Fit, "1a2", "12_"},
        {"000", Op::Fit, "1_2", "1_2"},
        {"000", Op::Fit, "1 2", "1_2"},
        // a value without literals skips the literal positions unless they are to be matched
        {"000-00;0", Op::Fit, "12345", "123-45"},
        {"000-00;0", Op::FitLiterals, "123-45", "123-45"},
        {"000-00;0", Op::EmptyValue, "", "     "},
        {"000-00;0", Op::Extract, "123-45", "12345"},
        {"000-00;0", Op::Extract, "12_-4_", "12 4 "},
        {"000-00;1", Op::Extract, "123-45", "123-45"},
        {"000-00;1", Op::EmptyValue, "", "   -  "},
        {"000-00", Op::Extract, "123-4", "123-4"},
        // case conversion, captured per position
        {">LL", Op::Fit, "ab", "AB"},
        {">LL", Op::FitRaw, "ab", "ab"},
        {">LL<ll", Op::Fit, "abCD", "ABcd"},
        {"<>LL", Op::Fit, "aB", "aB"},
        {">LL", Op::Complete, "ab", "1|AB"},
        // blank character section; ";" sections count only at the very end
        {"99;1;*", Op::EmptyDisplay, "", "**"},
        {"99;0; ", Op::EmptyDisplay, "", "  "},
        {"99;1;", Op::Count, "", "5"},
        {"99;1;", Op::EmptyDisplay, "", "__;1;"},
        {"9;2", Op::EmptyDisplay, "", "_;2"},
        // escapes and locale separators
        {"\\0\\\\0", Op::EmptyDisplay, "", "0\\_"},
        {"0\\", Op::Count, "", "1"},
        {"00/00 00:00", Op::EmptyDisplay, "", "__-__ __.__"},
        // completion: required positions must be filled, optional ones may stay blank
        {"09", Op::Complete, "_1", "0|_1"},
        {"99", Op::Complete, "_1", "1|_1"},
        {"99", Op::Complete, " 1", "1| 1"},
        {"99", Op::Complete, "1", "0|1"},
        {"#9", Op::Complete, "-1", "1|-1"},
        {"LA", Op::Complete, "a1", "1|a1"},
        {"LA", Op::Complete, "1a", "0|1a"},
        // letters outside A..Z are no letters, but any character fits C
        {"L", Op::Complete, "\xE9", "0|\xE9"},
        {"A", Op::Complete, "\xE9", "0|\xE9"},
        {"C", Op::Complete, "\xE9", "1|\xE9"},
        // a double-byte character fits two positions in a row, whole or not at all
        {"L", Op::Fit, Shang, "_"},
        {"LL", Op::Fit, Shang, "__"},
        {"C", Op::Fit, Shang, "_"},
        {"CC", Op::Fit, Shang, Shang},
        {"CCC", Op::Fit, Shang + "1", Shang + "1"},
        {"0CC", Op::Fit, Shang + "1", "_" + Shang},
        {"C-C", Op::Fit, Shang, "_-_"},
        {"!CCC", Op::Fit, Shang, "_" + Shang},
        {"!CCC", Op::Fit, "1" + Shang, "1" + Shang},
        {">CC", Op::Fit, LowTrail, LowTrail},
        {">CC", Op::Complete, LowTrail, "1|" + LowTrail},
        // a double-byte literal in the mask stays a literal
        {"\x81\x41"
         "0",
         Op::Count, "", "3"},
        {"\x81\x41"
         "0",
         Op::Fit, "5", Shang + "5"},
        {"\x81\x41"
         "0",
         Op::Complete, Shang + "5", "1|" + Shang + "5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Apply(c), c.expected)
            << "mask \"" << c.mask << "\" text \"" << c.text << "\" op " << static_cast<int>(c.op);
}

TEST(StandardMask, PositionsCheckTheirCharacterClassesAndConvertCase) {
    TcxStandardMask mask;
    mask.SetMask(">L<a#C\\x");
    ASSERT_EQ(mask.GetCount(), 5);
    EXPECT_TRUE(mask.IsLiteral(4));
    EXPECT_FALSE(mask.IsLiteral(0));
    char ch = 'q';
    EXPECT_TRUE(mask.GetItem(0)->Check(ch));
    EXPECT_EQ(ch, 'Q');
    ch = 'Q';
    EXPECT_TRUE(mask.GetItem(1)->Check(ch));
    EXPECT_EQ(ch, 'q');
    ch = '1';
    EXPECT_FALSE(mask.GetItem(0)->Check(ch));
    ch = 'Z';
    EXPECT_FALSE(mask.GetItem(2)->Check(ch)); // refused, and converted all the same
    EXPECT_EQ(ch, 'z');
    ch = '+';
    EXPECT_TRUE(mask.GetItem(2)->Check(ch));
    EXPECT_TRUE(dynamic_cast<TcxStandardMaskManyItem*>(mask.GetItem(2))->IsOptional);
    ch = 'X';
    EXPECT_FALSE(mask.GetItem(4)->Check(ch)); // literals compare exactly
    mask.SetMask("!0;0;#");
    EXPECT_TRUE(mask.FillFromEnd);
    EXPECT_FALSE(mask.KeepsLiterals);
    EXPECT_EQ(mask.BlankChar, '#');
    EXPECT_EQ(mask.MaskText, "!0;0;#");
    mask.ClearMask();
    EXPECT_EQ(mask.GetCount(), 0);
    EXPECT_FALSE(mask.FillFromEnd);
    EXPECT_EQ(mask.BlankChar, '_');
}

} // namespace
