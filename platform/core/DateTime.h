#pragma once
// Dates and times: TDateTime is a day count since 1899-12-30 with the time of day as the
// fraction; for days before that date the fraction counts backwards (-1.5 is 1899-12-29 12:00).
#include <cstdint>
#include <functional>

#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

using TDateTime = double;

// Days from 0001-01-01 to 1899-12-30.
constexpr int DateDelta = 693594;
constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = 24 * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;

// SQL time stamp value carried by variants and fields; Fractions are milliseconds.
struct TSQLTimeStamp {
    int16_t Year = 0;
    uint16_t Month = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint32_t Fractions = 0;
    bool operator==(const TSQLTimeStamp&) const = default;
};

// Time stamp as day number from 0001-01-01 (counting from 1) and milliseconds of the day.
struct TTimeStamp {
    int Time = 0;
    int Date = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
// Raise EConvertError on invalid parts.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// Date plus time, with the fraction subtracted for negative day counts.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// Raises EConvertError when a part is out of range.
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& stamp);
bool TryEncodeSQLTimeStamp(const TSQLTimeStamp& stamp, TDateTime& result);

// The clock; tests replace it through SetNowFunction (nullptr restores the system clock).
TDateTime Now();
TDateTime Date();
TDateTime Time();
void SetNowFunction(std::function<TDateTime()> now);

// Formatting by pattern: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm a/p
// ampm c t tt ddddd '/' ':' and quoted text, as the platform's date formatting does.
AnsiString FormatDateTime(const AnsiString& format, TDateTime value, const TFormatSettings& fs);
AnsiString FormatDateTime(const AnsiString& format, TDateTime value);
AnsiString DateToStr(TDateTime value);
AnsiString TimeToStr(TDateTime value);
AnsiString DateTimeToStr(TDateTime value);

// Parsing by the order of the short date format; time part optional ("hh[:nn[:ss[.zzz]]] [AM|PM]").
bool TryStrToDate(const AnsiString& text, TDateTime& result, const TFormatSettings& fs);
bool TryStrToTime(const AnsiString& text, TDateTime& result, const TFormatSettings& fs);
bool TryStrToDateTime(const AnsiString& text, TDateTime& result, const TFormatSettings& fs);
// Raise EConvertError "'x' is not a valid date" / "time" / "date and time".
TDateTime StrToDate(const AnsiString& text);
TDateTime StrToTime(const AnsiString& text);
TDateTime StrToDateTime(const AnsiString& text);
