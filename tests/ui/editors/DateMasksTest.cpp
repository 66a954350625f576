// The locale date masks as the mask engines read them.
#include <gtest/gtest.h>

#include "RegExprSupport.h"
#include "ui/editors/StandardMask.h"
#include "ui/editors/framework/Formats.h"
#include "ui/editors/framework/LibraryStrings.h"

namespace {

TFormatSettings Regional(const AnsiString& shortDate, const AnsiString& longTime, char dateSeparator = '/') {
    TFormatSettings settings = MaskSeparators(dateSeparator, ':');
    settings.ShortDateFormat = shortDate;
    settings.LongTimeFormat = longTime;
    return settings;
}

// Whether the whole text is accepted, typed one byte at a time, and ends where the mask may end.
bool Accepts(const AnsiString& mask, const AnsiString& typed) {
    TcxRegExpr expression;
    CompileText(expression, mask);
    for (char ch : typed)
        if (!expression.Feed(ch)) return false;
    return expression.AtFinal();
}

struct AcceptCase {
    AnsiString typed;
    bool date;     // by the date mask
    bool dateTime; // by the date-time mask
};

TEST(DateMasks, ExpressionMasksAcceptDatesAndSmartKeywords) {
    TFormatSettingsPin pin{Regional("d/m/yyyy", "hh:nn:ss")};
    TcxFormatController controller;
    const AcceptCase cases[] = {
        // the date-time mask wants the space before its optional time
        {"1/2/2024", true, false},
        {"1/2/2024 ", false, true},
        {"31/12/1999", true, false},
        {"1/Feb/2024", true, false},
        {"32/1/2024", false, false},
        {"1/2/24", false, false},
        {"1-2-2024", false, false},
        {"1/2/2024 13:45:00", false, true},
        {"1/2/2024 24:00:00", false, false},
        {"今天", true, true},
        {"今天+12", true, true},
        {"yesterday-3", true, true},
        {"eom+1234", true, true},
        {"bom+12345", false, false},
        {"monday", false, false},
        {"Monday", true, true},
        {"now", false, true},
        {"now-1", false, true},
    };
    for (const AcceptCase& c : cases) {
        EXPECT_EQ(Accepts(controller.RegExprDateEditMask(), c.typed), c.date) << c.typed;
        EXPECT_EQ(Accepts(controller.RegExprDateTimeEditMask(), c.typed), c.dateTime) << c.typed;
    }
}

TEST(DateMasks, ExpressionMasksFollowTheLocale) {
    const struct {
        TFormatSettings settings;
        AnsiString dateTime;
    } cases[] = {
        {Regional("yyyy年M月d日", "ampm h:mm:ss"), "2024年1月2日 下午 1:05:00"},
        {Regional("d.m.yyyy", "HH:MM"), "1.2.2024 23:59"},
        {Regional("d m yy", "h:nn AM/PM", ' '), "1 2 24 12:30 PM"},
        {Regional("dd-mmm-yy", "h:nn a/p", '-'), "01-Mar-24 1:00 A"},
    };
    for (const auto& c : cases) {
        TFormatSettings settings = c.settings;
        settings.ShortTimeFormat = "h:nn";
        settings.TimeAMString = "上午";
        settings.TimePMString = "下午";
        TFormatSettingsPin pin{settings};
        TcxFormatController controller;
        EXPECT_TRUE(Accepts(controller.RegExprDateTimeEditMask(), c.dateTime))
            << c.dateTime << " by " << controller.RegExprDateTimeEditMask();
    }
}

TEST(DateMasks, ReplacedKeywordsWithApostrophesCompile) {
    TFormatSettingsPin pin{Regional("d/m/yyyy", "hh:nn:ss")};
    const AnsiString saved = cxSDateEOM;
    cxSDateEOM = "month's end";
    TcxFormatController controller;
    cxSDateEOM = saved;
    EXPECT_TRUE(Accepts(controller.RegExprDateEditMask(), "month's end+2"));
    EXPECT_FALSE(Accepts(controller.RegExprDateEditMask(), "eom"));
}

TEST(DateMasks, MasksOfFailedFormatsStillCompile) {
    TFormatSettingsPin pin{Regional("", "")};
    TcxFormatController controller;
    EXPECT_EQ(CompileErrors(controller.RegExprDateEditMask()), std::vector<AnsiString>{});
    EXPECT_EQ(CompileErrors(controller.RegExprDateTimeEditMask()), std::vector<AnsiString>{});
    EXPECT_TRUE(Accepts(controller.RegExprDateEditMask(), "今天+1"));
    EXPECT_TRUE(Accepts(controller.RegExprDateTimeEditMask(), "now"));
}

TEST(DateMasks, StandardMasksKeepDoubleByteText) {
    const struct {
        AnsiString shortDate;
        AnsiString emptyDate;
        AnsiString fitted;
    } cases[] = {
        {"d/M/yyyy", "  -  -    ", "01-02-2024"},
        {"yyyy年M月d日", "    年  月  日", "2024年01月02日"},
        // a trail byte that reads as a mask character stays text
        {"yyyy\x81\x6C", "    \x81\x6C", "2024\x81\x6C"},
    };
    for (const auto& c : cases) {
        TFormatSettingsPin pin{Regional(c.shortDate, "hh:nn:ss", '-')};
        TcxFormatController controller;
        TcxStandardMask mask;
        mask.SetMask(controller.StandardDateEditMask());
        EXPECT_EQ(mask.EmptyDisplayText(), c.emptyDate) << c.shortDate;
        AnsiString digits = c.fitted;
        mask.FitText(digits, true, true);
        EXPECT_EQ(digits, c.fitted) << c.shortDate;
    }
}

} // namespace
