#include <gtest/gtest.h>

#include "platform/core/FormatSettings.h"
#include "ui/editors/framework/DateKeywords.h"
#include "ui/editors/framework/Formats.h"
#include "ui/editors/framework/LibraryStrings.h"

namespace {

// Regional settings of a made-up locale, so that results do not depend on the machine.
TFormatSettings Regional(const AnsiString& shortDate = "d/m/yyyy", const AnsiString& longTime = "hh:nn:ss") {
    TFormatSettings settings = TFormatSettingsPin::Invariant();
    settings.DateSeparator = '/';
    settings.TimeSeparator = ':';
    settings.ShortDateFormat = shortDate;
    settings.LongDateFormat = "dddd, d mmmm yyyy";
    settings.ShortTimeFormat = "h:nn";
    settings.LongTimeFormat = longTime;
    return settings;
}

// The items one after another: a kind letter and the data in brackets; separators as themselves.
AnsiString Render(const TcxDateTimeFormatInfo& info) {
    static const char kinds[] = "LYMDHNSZA/:";
    AnsiString text;
    for (const TcxDateTimeFormatItem& item : info.Items) {
        if (!text.empty()) text += ' ';
        text += kinds[item.Kind];
        if (item.Kind != dfiDateSeparator && item.Kind != dfiTimeSeparator) text += "[" + item.Data + "]";
    }
    return text;
}

struct ParseCase {
    AnsiString format;
    AnsiString items; // "" with parsed false: the parse fails
    bool parsed = true;
    TFormatSettings settings = Regional();
};

TEST(ParseDateTimeFormat, SplitsFormatsIntoItems) {
    TFormatSettings noShortDate = Regional("");
    TFormatSettings selfShortDate = Regional("c");
    TFormatSettings fiveDays = Regional("ddddd");
    TFormatSettings noLongTime = Regional("d/m/yyyy", "");
    TFormatSettings selfLongTime = Regional("d/m/yyyy", "tt");
    TFormatSettings dateInTime = Regional("d/m/yyyy", "c");
    TFormatSettings crossed = Regional("tt", "ddddd");
    TFormatSettings selfLongDate = Regional();
    selfLongDate.LongDateFormat = "dddddd";
    const ParseCase cases[] = {
        {"hh:mm AM/PM", "H[12HH] : N[NN] L[ ] A[AM/PM]"},
        // after an hour, "M" means minutes in any case
        {"HH:MM", "H[24HH] : N[NN]"},
        {"h:m:s", "H[24H] : N[N] : S[S]"},
        {"hh 'h' mm", "H[24HH] L[ h ] N[NN]"},
        {"m/d", "M[M] / D[D]"},
        {"d/M/yyyy", "D[D] / M[M] / Y[YYYY]"},
        {"dddd, mmmmm yy", "D[DDDD] L[, ] M[MMMM] L[ ] Y[YY]"},
        {"yyy", "Y[YYYY]"},
        {"e", "Y[YY]"},
        {"hhh:nnn:sss.zzzz", "H[24HH] : N[NN] : S[SS] L[.] Z[ZZZ]"},
        {"yyyy年M月d日", "Y[YYYY] L[年] M[M] L[月] D[D] L[日]"},
        // both quotes, a lone quote runs to the end
        {"'de' d \"at\" h", "L[de ] D[D] L[ at ] H[24H]"},
        {"d 'd/m", "D[D] L[ d/m]"},
        // a double-byte character is text, also when its trail byte reads as a format letter
        {"yyyy\x81\x64\x81\x4D", "Y[YYYY] L[\x81\x64\x81\x4D]"},
        {"h:nn a/p", "H[12H] : N[NN] L[ ] A[a/p]"},
        {"h:nn ampm", "H[12H] : N[NN] L[ ] A[ampm]"},
        {"aaaa aaa", "D[DDDD] L[ ]"},
        {"a x", "L[a x]"},
        {"aaaaa", "L[aaaaa]"},
        // a designator without an hour is dropped, the hour counts 24
        {"AM/PM yyyy", "L[ ] Y[YYYY]"},
        // kinds once, separators every time
        {"d/d/yy/yyyy", "D[D] / / Y[YY] /"},
        {"c", "D[D] / M[M] / Y[YYYY] L[ ] H[24HH] : N[NN] : S[SS]"},
        {"", "D[D] / M[M] / Y[YYYY] L[ ] H[24HH] : N[NN] : S[SS]"},
        {"ddddd", "D[D] / M[M] / Y[YYYY]"},
        // the weekday name and the day are both day items: the second is dropped
        {"dddddd", "D[DDDD] L[,  ] M[MMMM] L[ ] Y[YYYY]"},
        {"t", "H[24H] : N[NN]"},
        {"tt", "H[24HH] : N[NN] : S[SS]"},
        {"ddddd ddddd", "D[D] / M[M] / Y[YYYY] L[ ] / /"},
        // an era fails the parse in any case
        {"gg yyyy", "", false},
        {"yyyy/m/d G", "", false},
        {"'g' yyyy", "L[g ] Y[YYYY]"},
        // regional formats that insert themselves end the parse instead of the stack
        {"c", "", false, noShortDate},
        {"", "", false, noShortDate},
        {"ddddd", "", false, selfShortDate},
        {"ddddd", "", false, fiveDays},
        {"c", "", false, noLongTime},
        {"tt", "", false, selfLongTime},
        {"tt", "", false, dateInTime},
        {"t", "H[24H] : N[NN]", true, dateInTime},
        {"ddddd", "", false, crossed},
        {"dddddd", "", false, selfLongDate},
    };
    for (const ParseCase& c : cases) {
        TcxDateTimeFormatInfo info;
        info.Items.push_back({dfiLiteral, "left over"});
        EXPECT_EQ(ParseDateTimeFormat(c.format, info, c.settings), c.parsed) << c.format;
        EXPECT_EQ(Render(info), c.items) << c.format;
    }
}

TEST(ParseDateTimeFormat, DefinedFlagsFollowTheItems) {
    TcxDateTimeFormatInfo info;
    ASSERT_TRUE(ParseDateTimeFormat("AM/PM yyyy", info, Regional()));
    EXPECT_TRUE(info.Defined[dfiYear]);
    EXPECT_TRUE(info.Defined[dfiLiteral]);
    EXPECT_FALSE(info.Defined[dfiTimeMarker]);
    EXPECT_FALSE(info.Defined[dfiHour]);
    ASSERT_FALSE(ParseDateTimeFormat("yyyy g", info, Regional()));
    for (bool defined : info.Defined)
        EXPECT_FALSE(defined);
}

TcxDateTimeFormatInfo Parsed(const AnsiString& format, const TFormatSettings& settings) {
    TcxDateTimeFormatInfo info;
    ParseDateTimeFormat(format, info, settings);
    return info;
}

struct MaskCase {
    AnsiString format;
    TcxMaskKind kind;
    AnsiString mask;
};

TEST(FormatMasks, StandardMaskEscapesEveryByteOfText) {
    TFormatSettings settings = Regional();
    settings.TimeAMString = "上午";
    settings.TimePMString = "PM";
    const MaskCase cases[] = {
        {"hh:mm AM/PM", mkTime, "00:00\\ cc;1;0"},
        {"d/M/yyyy", mkDate, "!99/99/9999;1; "},
        {"dd-mmm-yy", mkDate, "!99\\-lll\\-99;1; "},
        {"dddd", mkDate, "!lll;1; "},
        {"h:nn a/p", mkTime, "00:00\\ c;1;0"},
        // a designator as long as the longer of the locale's texts, in bytes
        {"h:nn ampm", mkTime, "00:00\\ cccc;1;0"},
        {"yyyy/m/d h:nn", mkDateTime, "!9999/99/99\\ 99:99;1; "},
        {"hh:nn:ss.zzz", mkTime, "00:00:00\\.;1;0"},
        {"yyyy年M月d日", mkDate,
         "!9999\\\xC4\\\xEA"
         "99\\\xD4\\\xC2"
         "99\\\xC8\\\xD5;1; "},
        {"gg", mkDate, ""},
        {"gg", mkTime, ""},
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(GetStandardEditMask(Parsed(c.format, settings), c.kind, settings), c.mask) << c.format;
}

struct PartCase {
    AnsiString format;
    AnsiString datePart;
    AnsiString timePart;
};

TEST(FormatMasks, ExpressionPartsOfDatesAndTimes) {
    TFormatSettings settings = Regional();
    settings.DateSeparator = '.';
    settings.TimeSeparator = ':';
    settings.ShortMonthNames = {"1月", "2月", "3月", "4月",  "5月",  "6月",
                                "7月", "8月", "9月", "10月", "11月", "12月"};
    settings.LongMonthNames = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "O'"};
    settings.TimeAMString = "上午";
    settings.TimePMString = "下午";
    const AnsiString day = "([012]?[1-9]|[123]0|31)";
    const AnsiString shortMonths = "((0?[1-9]|1[012])|('1月'|'2月'|'3月'|'4月'|'5月'|'6月'|'7月'|'8月'|'9月'|"
                                   "'10月'|'11月'|'12月'))";
    const AnsiString longMonths =
        "((0?[1-9]|1[012])|('I'|'II'|'III'|'IV'|'V'|'VI'|'VII'|'VIII'|'IX'|'X'|'XI'|'O'\\'))";
    const AnsiString minute = "[0-5]?\\d";
    const PartCase cases[] = {
        {"d/M/yyyy", day + "\\." + shortMonths + "\\.\\d\\d\\d\\d", ""},
        {"mmm yy", shortMonths + "' '\\d\\d", "' '"},
        {"mmmm", longMonths, ""},
        {"hh:mm AM/PM", "' '", "(0?[1-9]|1[012])\\:" + minute + "' '(AM|PM)?"},
        {"HH:nn:ss", "", "([01]?\\d|2[0-3])\\:" + minute + "\\:" + minute},
        {"h a/p", "' '", "(0?[1-9]|1[012])' '(A|P)?"},
        {"h ampm", "' '", "(0?[1-9]|1[012])' '('上午'|'下午')?"},
        {"d\"o'c\"", day + "'o'\\''c'", "'o'\\''c'"},
        {"gg", "", ""},
    };
    for (const PartCase& c : cases) {
        const TcxDateTimeFormatInfo info = Parsed(c.format, settings);
        EXPECT_EQ(GetRegExprDatePart(info, settings), c.datePart) << c.format;
        EXPECT_EQ(GetRegExprTimePart(info, settings), c.timePart) << c.format;
    }
}

TEST(FormatMasks, DesignatorOfTheLocaleWhenOnlyOneTextOrNone) {
    const struct {
        AnsiString am, pm, part;
    } cases[] = {
        {"", "PM", "(0?[1-9]|1[012])('PM')?"},
        {"AM", "", "(0?[1-9]|1[012])('AM')?"},
        {"", "", "(0?[1-9]|1[012])"},
    };
    for (const auto& c : cases) {
        TFormatSettings settings = Regional();
        settings.TimeAMString = c.am;
        settings.TimePMString = c.pm;
        EXPECT_EQ(GetRegExprTimePart(Parsed("hampm", settings), settings), c.part) << c.am << "|" << c.pm;
    }
}

TEST(SmartDate, KeywordsAreQuotedForTheExpressions) {
    const std::pair<AnsiString, AnsiString> cases[] = {
        {"today", "'today'"},
        {"今天", "'今天'"},
        {"it's", "'it'\\''s'"},
        {"'", "\\'"},
        {"a''b", "'a'\\'\\''b'"},
        {"'x'", "\\''x'\\'"},
        {"", ""},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(QuoteRegExprText(text), quoted) << text;
}

TEST(SmartDate, AlternativesListTheKeywordsReadAtEachBuild) {
    const AnsiString offset = ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
    const AnsiString keywords =
        "'今天'|'yesterday'|'tomorrow'|'Sunday'|'Monday'|'Tuesday'|'Wednesday'|'Thursday'|"
        "'Friday'|'Saturday'|'first'|'second'|'third'|'fourth'|'fifth'|'sixth'|'seventh'|"
        "'bom'|'eom'";
    EXPECT_EQ(AddSmartDateAlternatives("\\d", false), "(\\d)|(" + keywords + offset);
    EXPECT_EQ(AddSmartDateAlternatives("\\d", true), "(\\d)|(" + keywords + "|'now'" + offset);
    EXPECT_EQ(AddSmartDateAlternatives("", false), "(" + keywords + offset);

    const AnsiString saved = cxSDateEOM;
    cxSDateEOM = "end's";
    const AnsiString replaced = AddSmartDateAlternatives("x", false);
    cxSDateEOM = saved;
    EXPECT_NE(replaced.find("|'end'\\''s')"), AnsiString::npos) << replaced;
}

TEST(FormatTexts, DateEditFormatDoublesLoneFormatLettersOnly) {
    const struct {
        AnsiString format;
        bool forMaskEdit;
        AnsiString result;
    } cases[] = {
        {"d/M/yyyy", false, "dd/MM/yyyy"},
        {"d/m/yyyy", false, "dd/mm/yyyy"},
        {"dd/MM/yy", false, "dd/MM/yy"},
        {"dD-Mm", false, "dD-Mm"},
        {"d 'de' m", false, "dd 'de' mm"},
        {"d \"d m\" m", false, "dd \"d m\" mm"},
        {"d 'open", false, "dd 'open"},
        {"yyyy年M月d日", false, "yyyy年MM月dd日"},
        // trail bytes that read as "d" and "M"
        {"\x81\x64/d\x81\x4D", false, "\x81\x64/dd\x81\x4D"},
        {"dddd mmmm", false, "dddd mmmm"},
        {"d-mmmm-yyyy", true, "dd-mmm-yyyy"},
        {"d-MMMMM-yy", true, "dd-MMM-yy"},
        {"d-mmm-yy", true, "dd-mmm-yy"},
        {"", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetDateEditFormat(c.format, c.forMaskEdit), c.result) << c.format;
}

TEST(FormatTexts, MaskedEditDisplayFormats) {
    const TFormatSettings settings = Regional();
    const std::pair<AnsiString, AnsiString> cases[] = {
        {"d/M/yyyy", "dd/mm/yyyy"},
        {"yyyy年M月d日", "yyyy'年'mm'月'dd'日'"},
        {"dd-mmm-yy hh:nn:ss AM/PM", "dd'-'mmm'-'yy' 'hh:nn:ss' 'am/pm"},
        {"dddd h:m.zzz", "ddd' 'hh:nn'.'"},
        {"gg", ""},
    };
    for (const auto& [format, display] : cases)
        EXPECT_EQ(GetMaskedEditDisplayFormat(Parsed(format, settings)), display) << format;
}

TEST(FormatTexts, CurrencyFormatFollowsTheLocaleCodes) {
    const AnsiString n = ",0.00";
    const AnsiString negatives[16] = {"("
                                      "$" +
                                          n + ")",
                                      "-$" + n,
                                      "$-" + n,
                                      "$" + n + "-",
                                      "(" + n + "$)",
                                      "-" + n + "$",
                                      n + "-$",
                                      n + "$-",
                                      "-" + n + " $",
                                      "-$ " + n,
                                      n + " $-",
                                      "$ " + n + "-",
                                      "$ -" + n,
                                      n + "- $",
                                      "($ " + n + ")",
                                      "(" + n + " $)"};
    const AnsiString positives[4] = {"$" + n, n + "$", "$ " + n, n + " $"};
    TFormatSettings settings = Regional();
    settings.CurrencyString = "$";
    settings.CurrencyDecimals = 2;
    for (int code = 0; code < 4; ++code) {
        settings.CurrencyFormat = code;
        settings.NegCurrFormat = 0;
        EXPECT_EQ(GetCurrencyDisplayFormat(settings), positives[code] + ";" + negatives[0]) << code;
    }
    for (int code = 0; code < 16; ++code) {
        settings.CurrencyFormat = 0;
        settings.NegCurrFormat = code;
        EXPECT_EQ(GetCurrencyDisplayFormat(settings), positives[0] + ";" + negatives[code]) << code;
    }
    // codes a user typed outside the tables take the first pattern
    for (auto [positive, negative] : {std::pair{4, 16}, std::pair{-1, -1}, std::pair{1000, 99}}) {
        settings.CurrencyFormat = positive;
        settings.NegCurrFormat = negative;
        EXPECT_EQ(GetCurrencyDisplayFormat(settings), positives[0] + ";" + negatives[0]) << positive;
    }
}

TEST(FormatTexts, CurrencySymbolsAndDecimals) {
    const struct {
        AnsiString symbol;
        int decimals, positive, negative;
        AnsiString format;
    } cases[] = {
        {"\xA3\xA4", 2, 0, 2, "\xA3\xA4,0.00;\xA3\xA4-,0.00"},
        {"kr.", 2, 3, 8, ",0.00 kr'.';-,0.00 kr'.'"},
        {"R,$", 1, 2, 9, "R','$ ,0.0;-R','$ ,0.0"},
        {"$", 0, 0, 1, "$,0.;-$,0."},
        {"$", -3, 0, 1, "$,0.;-$,0."},
    };
    for (const auto& c : cases) {
        TFormatSettings settings = Regional();
        settings.CurrencyString = c.symbol;
        settings.CurrencyDecimals = c.decimals;
        settings.CurrencyFormat = c.positive;
        settings.NegCurrFormat = c.negative;
        EXPECT_EQ(GetCurrencyDisplayFormat(settings), c.format) << c.symbol;
    }
}

TEST(FormatTexts, FirstDayOfTheWeekCountsFromSunday) {
    const std::pair<AnsiString, int> cases[] = {
        {"0", 1}, {"3", 4}, {"6", 0}, {"", 1}, {"9", 1}, {"7", 1}, {"-1", 1}, {"06", 1}, {"x", 1},
    };
    for (const auto& [locale, day] : cases) {
        TFormatSettings settings = Regional();
        settings.FirstDayOfWeek = locale;
        EXPECT_EQ(GetLocaleFirstWeekDay(settings), day) << locale;
    }
}

TEST(FormatController, RebuildDerivesEverythingFromTheSettings) {
    TFormatSettings settings = Regional("d/M/yyyy", "hh:mm AM/PM");
    settings.CurrencyString = "$";
    settings.NegCurrFormat = 8;
    settings.FirstDayOfWeek = "6";
    TFormatSettingsPin pin{settings};
    TcxFormatController controller;
    EXPECT_EQ(controller.StandardDateEditMask(), "!99/99/9999;1; ");
    EXPECT_EQ(controller.StandardDateTimeEditMask(), "!99/99/9999\\ 99:99\\ cc;1; ");
    EXPECT_EQ(controller.DateEditFormat(), "dd/MM/yyyy");
    EXPECT_EQ(controller.DateEditMask(), "dd/MM/yyyy");
    EXPECT_EQ(controller.MaskedDateEditFormat(), "dd/mm/yyyy");
    EXPECT_EQ(controller.MaskedDateTimeEditFormat(), "dd/mm/yyyy' 'hh:nn' 'am/pm");
    EXPECT_EQ(controller.CurrencyFormat(), "$,0.00;-,0.00 $");
    EXPECT_EQ(controller.FirstWeekDay(), 0);
    EXPECT_EQ(Render(controller.TimeFormatInfo()), "H[12HH] : N[NN] L[ ] A[AM/PM]");

    const AnsiString datePart = GetRegExprDatePart(controller.DateFormatInfo());
    const AnsiString timePart = GetRegExprTimePart(controller.TimeFormatInfo());
    EXPECT_EQ(controller.RegExprDateEditMask(), AddSmartDateAlternatives(datePart, false));
    EXPECT_EQ(controller.RegExprDateTimeEditMask(),
              AddSmartDateAlternatives(datePart + " ' '(" + timePart + ")?", true));
}

TEST(FormatController, ValuesSetFromOutsideSurviveARebuild) {
    TFormatSettingsPin pin{Regional()};
    TcxFormatController controller;
    controller.SetCurrencyFormat("0.00");
    controller.SetFirstWeekDay(3);
    controller.SetStandardDateEditMask("!99;1; ");
    controller.SetStandardDateTimeEditMask("!99 99;1; ");
    controller.SetRegExprDateEditMask("\\d");
    controller.SetRegExprDateTimeEditMask("\\d \\d");
    FormatSettings().ShortDateFormat = "yyyy/m/d";
    FormatSettings().FirstDayOfWeek = "0";
    controller.Rebuild();
    EXPECT_EQ(controller.CurrencyFormat(), "0.00");
    EXPECT_EQ(controller.FirstWeekDay(), 3);
    EXPECT_EQ(controller.StandardDateEditMask(), "!99;1; ");
    EXPECT_EQ(controller.StandardDateTimeEditMask(), "!99 99;1; ");
    EXPECT_EQ(controller.RegExprDateEditMask(), "\\d");
    EXPECT_EQ(controller.RegExprDateTimeEditMask(), "\\d \\d");
    // what was not set follows the new settings
    EXPECT_EQ(controller.DateEditFormat(), "yyyy/mm/dd");
    EXPECT_THROW(controller.SetFirstWeekDay(7), EInvalidOperation);
    EXPECT_THROW(controller.SetFirstWeekDay(-1), EInvalidOperation);
    EXPECT_EQ(controller.FirstWeekDay(), 3);
}

TEST(FormatController, RegionalFormatsThatInsertThemselvesLeaveEmptyMasks) {
    TFormatSettingsPin pin{Regional("", "tt")};
    TcxFormatController controller;
    EXPECT_TRUE(controller.DateFormatInfo().Items.empty());
    EXPECT_TRUE(controller.TimeFormatInfo().Items.empty());
    EXPECT_EQ(controller.StandardDateEditMask(), "");
    EXPECT_EQ(controller.StandardDateTimeEditMask(), "");
    EXPECT_EQ(controller.MaskedDateEditFormat(), "");
}

TEST(FormatController, FirstControllerIsTheProcessWideOne) {
    TcxFormatController* shared = GetFormatController();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(GetFormatController(), shared);
    TcxFormatController other;
    EXPECT_EQ(GetFormatController(), shared);
}

} // namespace
