#pragma once
// Locale settings used to turn numbers and dates into text and back. They are read from the
// user's Windows locale once (on first use); tests pin them with TFormatSettingsPin so that
// results do not depend on the machine.
#include <array>

#include "platform/core/Strings.h"

struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    AnsiString CurrencyString = "$";
    int CurrencyFormat = 0;
    int NegCurrFormat = 0;
    int CurrencyDecimals = 2;
    AnsiString ShortDateFormat = "yyyy/mm/dd";
    AnsiString LongDateFormat = "yyyy'/'mm'/'dd";
    AnsiString ShortTimeFormat = "hh:nn";
    AnsiString LongTimeFormat = "hh:nn:ss";
    AnsiString TimeAMString = "AM";
    AnsiString TimePMString = "PM";
    std::array<AnsiString, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<AnsiString, 12> LongMonthNames{"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
    // The locale's first day of the week as it gives it: "0" Monday to "6" Sunday; empty when
    // the locale has none. Users can edit it, so readers check the range.
    AnsiString FirstDayOfWeek = "0";
    int TwoDigitYearCenturyWindow = 50;
};

// Settings of a Windows locale (LOCALE_USER_DEFAULT when lcid is 0).
TFormatSettings GetLocaleFormatSettings(unsigned long lcid = 0);

// The process-wide settings, read from the user's locale on first use.
TFormatSettings& FormatSettings();

// Restores the process-wide settings read from the user's locale.
void ResetFormatSettings();

// Replaces the process-wide settings for its lifetime (tests).
class TFormatSettingsPin {
public:
    explicit TFormatSettingsPin(const TFormatSettings& pinned);
    ~TFormatSettingsPin();
    TFormatSettingsPin(const TFormatSettingsPin&) = delete;
    TFormatSettingsPin& operator=(const TFormatSettingsPin&) = delete;

    // Neutral settings: '.' decimals, "yyyy-mm-dd", "hh:nn:ss".
    static TFormatSettings Invariant();

private:
    TFormatSettings saved_;
};
