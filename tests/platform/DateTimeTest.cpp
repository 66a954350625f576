#include <gtest/gtest.h>

#include <vector>

#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"

TEST(DateTimeTest, EncodeDecodeRoundTrip) {
    struct Case {
        int y, m, d, h, n, s, z;
        double value;
    } cases[] = {
        {1899, 12, 30, 0, 0, 0, 0, 0},       {1899, 12, 29, 12, 0, 0, 0, -1.5},
        {1, 1, 1, 0, 0, 0, 0, -693593},      {2000, 2, 29, 6, 0, 0, 0, 36585.25},
        {9999, 12, 31, 0, 0, 0, 0, 2958465}, {1900, 3, 1, 18, 0, 0, 0, 61.75},
        {2024, 12, 31, 23, 59, 59, 999, 0},
    };
    for (const Case& c : cases) {
        TDateTime v = EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.z);
        if (c.value != 0 || c.y == 1899) {
            EXPECT_EQ(v, c.value) << c.y << "-" << c.m << "-" << c.d;
        }
        int y, m, d, h, n, s, z;
        DecodeDateTime(v, y, m, d, h, n, s, z);
        EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, z}),
                  (std::vector<int>{c.y, c.m, c.d, c.h, c.n, c.s, c.z}));
    }
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 6, 2)), 1); // a Sunday
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    TTimeStamp ts = DateTimeToTimeStamp(-1.5);
    EXPECT_EQ(ts.Date, 693593);
    EXPECT_EQ(ts.Time, 43200000);
    EXPECT_EQ(TimeStampToDateTime(ts), -1.5);
}

TEST(DateTimeTest, FormatAndParseWithPinnedSettings) {
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    TFormatSettingsPin pin(fs);
    TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v), "2024-03-05 14:07:09.045");
    EXPECT_EQ(FormatDateTime("d/m/yy h:n", v), "5-3-24 14:7");
    EXPECT_EQ(FormatDateTime("hh:mm ampm", v), "02:07 PM");
    EXPECT_EQ(FormatDateTime("'at' hh'h'", v), "at 14h");
    EXPECT_EQ(FormatDateTime("mmm dddd", v), "Mar Tuesday");
    EXPECT_EQ(DateTimeToStr(v), "2024-03-05 14:07:09");
    EXPECT_EQ(DateToStr(v), "2024-03-05");

    TDateTime parsed;
    ASSERT_TRUE(TryStrToDateTime("2024-03-05 14:07:09", parsed, fs));
    EXPECT_NEAR(parsed, EncodeDateTime(2024, 3, 5, 14, 7, 9, 0), 1e-9);
    ASSERT_TRUE(TryStrToDateTime("2024/3/5 2:07 PM", parsed, fs));
    EXPECT_NEAR(parsed, EncodeDateTime(2024, 3, 5, 14, 7, 0, 0), 1e-9);
    EXPECT_FALSE(TryStrToDate("2023-02-29", parsed, fs));
    EXPECT_FALSE(TryStrToDate("2024-03-05x", parsed, fs));
    EXPECT_THROW(StrToDateTime("soon"), EConvertError);
    EXPECT_NEAR(StrToTime("12:30"), 0.5 + 30.0 / 1440, 1e-12);

    fs.ShortDateFormat = "dd/mm/yyyy";
    ASSERT_TRUE(TryStrToDate("05/03/2024", parsed, fs));
    EXPECT_EQ(parsed, EncodeDate(2024, 3, 5));
}

TEST(DateTimeTest, ClockSeamAndSqlTimeStamps) {
    SetNowFunction([] { return 45000.25; });
    EXPECT_EQ(Now(), 45000.25);
    EXPECT_EQ(Date(), 45000);
    EXPECT_EQ(Time(), 0.25);
    SetNowFunction(nullptr);
    EXPECT_GT(Now(), 40000);

    TSQLTimeStamp t = DateTimeToSQLTimeStamp(EncodeDateTime(2020, 7, 8, 9, 10, 11, 12));
    EXPECT_EQ(t, (TSQLTimeStamp{2020, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(SQLTimeStampToDateTime(t), EncodeDateTime(2020, 7, 8, 9, 10, 11, 12));
    EXPECT_THROW(SQLTimeStampToDateTime(TSQLTimeStamp{2020, 13, 1, 0, 0, 0, 0}), EConvertError);
}

TEST(DateTimeTest, LocaleSettingsAreRead) {
    TFormatSettings fs = GetLocaleFormatSettings();
    EXPECT_NE(fs.DecimalSeparator, '\0');
    EXPECT_FALSE(fs.ShortDateFormat.empty());
    // The picture is in our letters: months "m", minutes "n".
    EXPECT_EQ(fs.ShortDateFormat.find('M'), AnsiString::npos);
    EXPECT_NE(fs.LongTimeFormat.find('n'), AnsiString::npos);
}

TEST(DateTimeTest, LocaleMonthNamesAndFirstDayOfWeekAreRead) {
    const struct {
        LCID lcid;
        AnsiString january, jan, december, firstDay;
    } cases[] = {
        {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), "January", "Jan", "December",
         "6"},
        {MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT), "Januar", "Jan", "Dezember", "0"},
        {MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT), "一月", "1月",
         "十二月", "0"},
    };
    for (const auto& c : cases) {
        const TFormatSettings fs = GetLocaleFormatSettings(c.lcid);
        EXPECT_EQ(fs.LongMonthNames[0], c.january) << c.lcid;
        EXPECT_EQ(fs.ShortMonthNames[0], c.jan) << c.lcid;
        EXPECT_EQ(fs.LongMonthNames[11], c.december) << c.lcid;
        EXPECT_EQ(fs.FirstDayOfWeek, c.firstDay) << c.lcid;
    }
}
