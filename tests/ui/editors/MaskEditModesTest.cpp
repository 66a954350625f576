#include <gtest/gtest.h>

#include "MaskEditModel.h"
#include "RegExprSupport.h"

namespace {

// "丄" is 0x81 0x41 in code page 936: its trail byte reads as "A".
const AnsiString Shang = "\x81\x41";

struct StandardEdit {
    explicit StandardEdit(const char* mask, TcxMaskModeProperties properties = {})
        : mode(&model, properties) {
        mode.ApplyMask(mask);
        model.Start(mode, mode.FitToMask("", true));
        model.Click(0);
    }
    TMaskEditModel model;
    TcxMaskEditStandardMode mode;
};

TEST(MaskEditStandardMode, TypingFillsInputPositionsAndSkipsLiterals) {
    StandardEdit edit("(000)000-0000");
    EXPECT_EQ(edit.model.selLength, 1); // the block caret
    edit.model.Type("5");
    EXPECT_EQ(edit.model.text, "(5__)___-____");
    EXPECT_EQ(edit.model.selStart, 2);
    EXPECT_EQ(edit.model.selLength, 1);
    edit.model.Type("67x8");
    EXPECT_EQ(edit.model.text, "(567)8__-____"); // a refused character is ignored without a beep
    EXPECT_EQ(edit.model.selStart, 6);
    EXPECT_EQ(edit.model.beeps, 0);
    edit.model.Key(VK_HOME);
    EXPECT_EQ(edit.model.selStart, 1); // the first input position
    edit.model.Key(VK_END);
    EXPECT_EQ(edit.model.selStart, 13);
    EXPECT_TRUE(edit.mode.IsCaretAtEnd());
}

TEST(MaskEditStandardMode, BackspaceAndArrowsStepOverLiterals) {
    StandardEdit edit("00-00");
    edit.model.Type("1234");
    EXPECT_EQ(edit.model.text, "12-34");
    edit.model.Click(3);
    edit.model.Key(VK_BACK); // the block goes left past "-" and blanks the position before it
    EXPECT_EQ(edit.model.text, "1_-34");
    EXPECT_EQ(edit.model.selStart, 1);
    edit.model.Key(VK_RIGHT);
    EXPECT_EQ(edit.model.selStart, 3);
    edit.model.Key(VK_LEFT);
    EXPECT_EQ(edit.model.selStart, 1);
    edit.model.Key(VK_LEFT);
    EXPECT_EQ(edit.model.selStart, 0);
    EXPECT_TRUE(edit.mode.IsCaretAtStart());
    edit.model.Key(VK_LEFT);
    EXPECT_EQ(edit.model.selStart, 0);
    edit.model.Key(VK_DELETE);
    EXPECT_EQ(edit.model.text, "__-34");
}

TEST(MaskEditStandardMode, PasteOverwritesAsManyPositionsAsItBringsAndStopsAtTheEnd) {
    struct Case {
        const char* mask;
        int at;
        const char* clipboard;
        const char* text;
        int caret;
    };
    const Case cases[] = {
        {"0000", 1, "12", "_12_", 3},
        {"0000", 3, "123", "___1", 3}, // cut to the positions left
        {"0000", 0, "123456", "1234", 3},
        {"00-00", 0, "12", "12-__", 3}, // the caret skips the literal after the paste
    };
    for (const auto& c : cases) {
        StandardEdit edit(c.mask);
        edit.model.Click(c.at);
        edit.model.Paste(c.clipboard);
        EXPECT_EQ(edit.model.text, c.text) << c.mask << " " << c.clipboard;
        EXPECT_EQ(edit.model.selStart, c.caret) << c.mask << " " << c.clipboard;
        edit.model.Type("9"); // later keys stay inside the mask
        EXPECT_EQ(edit.model.text.size(), strlen(c.text)) << c.mask << " " << c.clipboard;
    }
}

TEST(MaskEditStandardMode, ADoubleByteCharacterGoesInWholeOrNotAtAll) {
    struct Case {
        const char* mask;
        const char* before;
        AnsiString after;
        int caret;
    };
    const Case cases[] = {
        {"LL", "__", "__", 0}, // the trail byte alone would be "A"
        {"C0", "__", "__", 0}, // the lead byte alone would be half a character
        {"CC0", "___", Shang + "_", 2}, {"-CC", "-__", "-" + Shang, 3}, {"CC", "__", Shang, 2},
    };
    for (const auto& c : cases) {
        StandardEdit edit(c.mask);
        ASSERT_EQ(edit.model.text, c.before);
        edit.model.Type(Shang);
        EXPECT_EQ(edit.model.text, c.after) << c.mask;
        EXPECT_EQ(edit.model.selStart, c.caret) << c.mask;
        EXPECT_EQ(edit.model.beeps, 0) << c.mask;
    }
}

TEST(MaskEditStandardMode, ValidationAndValues) {
    StandardEdit edit("000-00;0");
    EXPECT_EQ(edit.mode.EmptyValueOfMask(), "     ");
    EXPECT_TRUE(edit.mode.IsTextValid("123-45"));
    EXPECT_FALSE(edit.mode.IsTextValid("12_-45"));
    EXPECT_FALSE(edit.mode.IsTextValid("___-__"));
    EXPECT_EQ(edit.mode.DisplayToValue("123-45", true), "12345");
    EXPECT_EQ(edit.mode.FitToMask("12345", false), "123-45");
    StandardEdit ignoring("000-00", {false, true, ecNormal});
    EXPECT_TRUE(ignoring.mode.IsTextValid("___-__"));
    EXPECT_FALSE(ignoring.mode.IsTextValid("1__-__"));
    // A blank mask applied after one leaves none behind.
    edit.mode.ApplyMask(" \t");
    EXPECT_EQ(edit.mode.Mask.GetCount(), 0);
    EXPECT_EQ(edit.mode.DisplayToValue("12x", true), "12x");
}

struct RegExprEdit {
    explicit RegExprEdit(const char* mask, TcxMaskModeProperties properties = {}) : mode(&model, properties) {
        mode.ApplyMask(mask);
        model.Start(mode, "");
    }
    TMaskEditModel model;
    TcxMaskEditRegExprMode mode;
};

TEST(MaskEditRegExprMode, RefusedCharactersBeep) {
    RegExprEdit edit("\\d\\d");
    edit.model.Type("a");
    EXPECT_EQ(edit.model.text, "");
    EXPECT_EQ(edit.model.beeps, 1);
    edit.model.Type("123");
    EXPECT_EQ(edit.model.text, "12");
    EXPECT_EQ(edit.model.beeps, 2);
    EXPECT_EQ(edit.mode.Prefix(), "12");
}

TEST(MaskEditRegExprMode, EditingInTheMiddleKeepsTheTextInThePattern) {
    RegExprEdit edit("\\d+");
    edit.model.Type("1234");
    edit.model.Click(2);
    edit.model.Key(VK_DELETE);
    EXPECT_EQ(edit.model.text, "124");
    edit.model.Key(VK_BACK);
    EXPECT_EQ(edit.model.text, "14");
    edit.model.Type("x5");
    EXPECT_EQ(edit.model.text, "154");
    EXPECT_EQ(edit.model.beeps, 1);
    edit.model.Key(VK_HOME);
    edit.model.Key(VK_RIGHT, true);
    edit.model.Key(VK_RIGHT, true);
    EXPECT_EQ(edit.model.selLength, 2);
    edit.model.Type("9");
    EXPECT_EQ(edit.model.text, "94");

    // A character that leaves the rest unfit cuts the rest.
    RegExprEdit three("\\d{3}");
    three.model.Type("123");
    three.model.Key(VK_HOME);
    three.model.Type("4");
    EXPECT_EQ(three.model.text, "4");
    EXPECT_EQ(three.model.selStart, 1);
}

TEST(MaskEditRegExprMode, ADoubleByteCharacterGoesInWholeOrNotAtAll) {
    struct Case {
        const char* mask;
        AnsiString typed, text;
        int beeps;
    };
    const Case cases[] = {
        {"\\w+", Shang, "", 1},
        {".", Shang, "", 1},
        {"\\W", Shang, "", 1},
        {"..", Shang, Shang, 0},
        {".+", "a" + Shang + "b", "a" + Shang + "b", 0},
    };
    for (const auto& c : cases) {
        RegExprEdit edit(c.mask);
        edit.model.Type(c.typed);
        EXPECT_EQ(edit.model.text, c.text) << c.mask;
        EXPECT_EQ(edit.model.beeps, c.beeps) << c.mask;
    }
}

TEST(MaskEditRegExprMode, ValidationAndCompileErrors) {
    RegExprEdit edit("\\d\\d");
    EXPECT_TRUE(edit.mode.IsTextValid(""));
    EXPECT_TRUE(edit.mode.IsTextValid("12"));
    EXPECT_FALSE(edit.mode.IsTextValid("1"));
    EXPECT_FALSE(edit.mode.IsTextValid("1a"));
    RegExprEdit ignoring("\\d\\d", {false, true, ecNormal});
    EXPECT_TRUE(ignoring.mode.IsTextValid("1"));
    EXPECT_FALSE(ignoring.mode.IsTextValid("1a"));
    EXPECT_EQ(edit.mode.FitToMask("1a2b3", true), "12");
    try {
        edit.mode.ApplyMask("*a)");
        FAIL() << "applied";
    } catch (const EcxMaskEditError& e) {
        EXPECT_EQ(e.Message(), "Regular expression errors:\r\nUnnecessary ')'");
    }
    try {
        edit.mode.ApplyMask("*a");
        FAIL() << "applied";
    } catch (const EcxMaskEditError& e) {
        EXPECT_EQ(e.Message(), "Regular expression errors:\r\nLine1, Char1: Illegal quantifier '*'");
    }
}

} // namespace

namespace {

struct RegExprExEdit {
    explicit RegExprExEdit(const char* mask) : mode(&model, {}) {
        mode.ApplyMask(mask);
        model.Start(mode, mode.EmptyValueOfMask());
        model.Click(static_cast<int>(model.text.size()));
    }
    TMaskEditModel model;
    TcxMaskEditRegExprExMode mode;
};

TEST(MaskEditRegExprExMode, TheAutomatonTypesAndTakesBackForcedCharacters) {
    TFormatSettingsPin pin{MaskSeparators('/')};
    RegExprExEdit edit("\\d\\d/\\d\\d");
    EXPECT_EQ(edit.model.text, "");
    edit.model.Type("12");
    EXPECT_EQ(edit.model.text, "12/");
    EXPECT_EQ(edit.model.selStart, 3);
    edit.model.Type("34");
    EXPECT_EQ(edit.model.text, "12/34");
    EXPECT_TRUE(edit.mode.IsTextValid(edit.model.text));
    edit.model.Key(VK_BACK);
    EXPECT_EQ(edit.model.text, "12/3");
    edit.model.Key(VK_BACK);
    EXPECT_EQ(edit.model.text, "12/");
    EXPECT_FALSE(edit.mode.IsTextValid(edit.model.text));
    edit.model.Key(VK_BACK); // the forced separator goes with the digit before it
    EXPECT_EQ(edit.model.text, "1");
    edit.model.Type("2");
    EXPECT_EQ(edit.model.text, "12/");
    edit.model.Key(VK_LEFT); // over the separator and the digit
    EXPECT_EQ(edit.model.selStart, 1);
    edit.model.Key(VK_RIGHT);
    EXPECT_EQ(edit.model.selStart, 3);
    edit.model.Click(1);
    edit.model.Key(VK_DELETE); // the digit and the separator after it
    EXPECT_EQ(edit.model.text, "1");
    EXPECT_EQ(edit.model.beeps, 0);
    EXPECT_EQ(edit.mode.FitToMask("12/34", true), "12/34");
    EXPECT_EQ(edit.mode.FitToMask("1234", true), "12/"); // formatted as typed, then completed
    EXPECT_EQ(edit.mode.FitToMask("12", true), "12/");
}

TEST(MaskEditRegExprExMode, ForcedLeadingCharactersStay) {
    RegExprExEdit edit("'+86 '\\d+");
    EXPECT_EQ(edit.mode.EmptyValueOfMask(), "+86 ");
    EXPECT_EQ(edit.model.text, "+86 ");
    EXPECT_TRUE(edit.mode.IsTextValid("+86 "));
    edit.model.Type("1");
    EXPECT_EQ(edit.model.text, "+86 1");
    edit.model.Key(VK_BACK);
    EXPECT_EQ(edit.model.text, "+86 ");
    edit.model.Key(VK_BACK);
    EXPECT_EQ(edit.model.text, "+86 ");
    EXPECT_EQ(edit.model.beeps, 1);
    edit.model.Key(VK_HOME);
    edit.model.Type("5"); // goes after the leading characters
    EXPECT_EQ(edit.model.text, "+86 5");
    edit.model.Click(0);
    edit.model.Key(VK_DELETE);
    EXPECT_EQ(edit.model.text, "+86 5");
    EXPECT_EQ(edit.model.beeps, 2);
    edit.model.Type("x");
    EXPECT_EQ(edit.model.beeps, 3);
}

} // namespace
