#include "platform/core/FormatSettings.h"

#include <cstdlib>
#include <optional>

namespace {

AnsiString LocaleText(LCID lcid, LCTYPE type, const char* fallback) {
    char buffer[256];
    int n = GetLocaleInfoA(lcid, type, buffer, sizeof buffer);
    if (n <= 1) return fallback;
    return AnsiString(buffer, static_cast<size_t>(n - 1));
}

char LocaleChar(LCID lcid, LCTYPE type, char fallback) {
    AnsiString s = LocaleText(lcid, type, "");
    return s.size() == 1 ? s[0] : fallback;
}

int LocaleInt(LCID lcid, LCTYPE type, int fallback) {
    AnsiString s = LocaleText(lcid, type, "");
    return s.empty() ? fallback : std::atoi(s.c_str());
}

// Windows date pictures use "M" for months and "m" for minutes; ours use "m"/"n".
AnsiString ConvertDatePicture(const AnsiString& picture) {
    AnsiString out;
    for (size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (c == '\'') {
            size_t j = picture.find('\'', i + 1);
            if (j == AnsiString::npos) j = picture.size() - 1;
            out.append(picture, i, j - i + 1);
            i = j;
        } else if (c == 'M') {
            out += 'm';
        } else if (c == 'g') {
            // era: not used
        } else {
            out += c;
        }
    }
    return out;
}

AnsiString ConvertTimePicture(const AnsiString& picture) {
    AnsiString out;
    for (size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (c == '\'') {
            size_t j = picture.find('\'', i + 1);
            if (j == AnsiString::npos) j = picture.size() - 1;
            out.append(picture, i, j - i + 1);
            i = j;
        } else if (c == 'm') {
            out += 'n';
        } else if (c == 'H') {
            out += 'h';
        } else if (c == 't') {
            // AM/PM marker
            while (i + 1 < picture.size() && picture[i + 1] == 't')
                ++i;
            out += "ampm";
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<TFormatSettings>& Current() {
    static std::optional<TFormatSettings> settings;
    return settings;
}

} // namespace

TFormatSettings GetLocaleFormatSettings(unsigned long lcid) {
    LCID id = lcid ? static_cast<LCID>(lcid) : LOCALE_USER_DEFAULT;
    TFormatSettings fs;
    fs.DecimalSeparator = LocaleChar(id, LOCALE_SDECIMAL, '.');
    fs.ThousandSeparator = LocaleChar(id, LOCALE_STHOUSAND, ',');
    fs.DateSeparator = LocaleChar(id, LOCALE_SDATE, '/');
    fs.TimeSeparator = LocaleChar(id, LOCALE_STIME, ':');
    fs.ListSeparator = LocaleChar(id, LOCALE_SLIST, ',');
    fs.CurrencyString = LocaleText(id, LOCALE_SCURRENCY, "$");
    fs.CurrencyFormat = LocaleInt(id, LOCALE_ICURRENCY, 0);
    fs.NegCurrFormat = LocaleInt(id, LOCALE_INEGCURR, 0);
    fs.CurrencyDecimals = LocaleInt(id, LOCALE_ICURRDIGITS, 2);
    fs.ShortDateFormat = ConvertDatePicture(LocaleText(id, LOCALE_SSHORTDATE, "yyyy/M/d"));
    fs.LongDateFormat = ConvertDatePicture(LocaleText(id, LOCALE_SLONGDATE, "yyyy/M/d"));
    fs.TimeAMString = LocaleText(id, LOCALE_S1159, "AM");
    fs.TimePMString = LocaleText(id, LOCALE_S2359, "PM");
    for (int month = 0; month < 12; ++month) {
        const auto i = static_cast<size_t>(month);
        fs.ShortMonthNames[i] = LocaleText(id, LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(month),
                                           fs.ShortMonthNames[i].c_str());
        fs.LongMonthNames[i] =
            LocaleText(id, LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month), fs.LongMonthNames[i].c_str());
    }
    fs.FirstDayOfWeek = LocaleText(id, LOCALE_IFIRSTDAYOFWEEK, "");
    AnsiString longTime = ConvertTimePicture(LocaleText(id, LOCALE_STIMEFORMAT, "H:mm:ss"));
    fs.LongTimeFormat = longTime;
    // The short form is the long one without its seconds.
    AnsiString shortTime = longTime;
    size_t s = shortTime.find('s');
    if (s != AnsiString::npos) {
        size_t from = s;
        while (from > 0 && shortTime[from - 1] != 'n' && shortTime[from - 1] != 'h')
            --from;
        size_t to = s;
        while (to < shortTime.size() && shortTime[to] == 's')
            ++to;
        shortTime.erase(from, to - from);
    }
    fs.ShortTimeFormat = shortTime;
    return fs;
}

TFormatSettings& FormatSettings() {
    auto& current = Current();
    if (!current) current = GetLocaleFormatSettings();
    return *current;
}

void ResetFormatSettings() {
    Current() = GetLocaleFormatSettings();
}

TFormatSettingsPin::TFormatSettingsPin(const TFormatSettings& pinned) : saved_(FormatSettings()) {
    FormatSettings() = pinned;
}

TFormatSettingsPin::~TFormatSettingsPin() {
    FormatSettings() = saved_;
}

TFormatSettings TFormatSettingsPin::Invariant() {
    TFormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    fs.DateSeparator = '-';
    fs.TimeSeparator = ':';
    fs.ShortDateFormat = "yyyy/mm/dd";
    fs.LongDateFormat = "yyyy/mm/dd";
    fs.ShortTimeFormat = "hh:nn";
    fs.LongTimeFormat = "hh:nn:ss";
    return fs;
}
