#include "platform/core/DateTime.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/core/Exceptions.h"

namespace {

const char* const ShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
const char* const ShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};

std::function<TDateTime()>& NowFunction() {
    static std::function<TDateTime()> f;
    return f;
}

AnsiString Pad(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

// Milliseconds of the day and the day count of a value; negative values count the fraction back.
void Split(TDateTime value, int& days, int& msecs) {
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    long long ms = std::llround(fraction * MSecsPerDay);
    if (ms >= MSecsPerDay) {
        ms -= MSecsPerDay;
        whole += value < 0 ? -1 : 1;
    }
    days = static_cast<int>(whole);
    msecs = static_cast<int>(ms);
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    int y = year - 1;
    int days = day;
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    result = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + days - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result) {
    if (hour < 0 || min < 0 || sec < 0 || msec < 0 || hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000)
        return false;
    result = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime r;
    if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError("Invalid argument to time encode");
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    TDateTime d = EncodeDate(year, month, day);
    TDateTime t = EncodeTime(hour, min, sec, msec);
    return d < 0 ? d - t : d + t;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    int days, msecs;
    Split(value, days, msecs);
    int n = days + DateDelta; // days since 0001-01-01, counting from 1
    if (n <= 0) {
        year = month = day = 0;
        return;
    }
    --n;
    int y = 1;
    int q400 = n / 146097;
    n %= 146097;
    y += q400 * 400;
    int q100 = n / 36524;
    if (q100 == 4) q100 = 3;
    n -= q100 * 36524;
    y += q100 * 100;
    int q4 = n / 1461;
    n %= 1461;
    y += q4 * 4;
    int q1 = n / 365;
    if (q1 == 4) q1 = 3;
    n -= q1 * 365;
    y += q1;
    int m = 1;
    while (n >= DaysInMonth(y, m)) {
        n -= DaysInMonth(y, m);
        ++m;
    }
    year = y;
    month = m;
    day = n + 1;
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
    int days, msecs;
    Split(value, days, msecs);
    hour = msecs / 3600000;
    min = msecs / 60000 % 60;
    sec = msecs / 1000 % 60;
    msec = msecs % 1000;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value) {
    int days, msecs;
    Split(value, days, msecs);
    int n = (days + DateDelta) % 7; // 0001-01-01 was a Monday
    if (n < 0) n += 7;
    return n + 1;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
    int days, msecs;
    Split(value, days, msecs);
    return TTimeStamp{msecs, days + DateDelta};
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
    double days = static_cast<double>(stamp.Date - DateDelta);
    double fraction = static_cast<double>(stamp.Time) / MSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    TSQLTimeStamp t;
    t.Year = static_cast<int16_t>(y);
    t.Month = static_cast<uint16_t>(mo);
    t.Day = static_cast<uint16_t>(d);
    t.Hour = static_cast<uint16_t>(h);
    t.Minute = static_cast<uint16_t>(mi);
    t.Second = static_cast<uint16_t>(s);
    t.Fractions = static_cast<uint32_t>(ms);
    return t;
}

bool TryEncodeSQLTimeStamp(const TSQLTimeStamp& stamp, TDateTime& result) {
    TDateTime d, t;
    if (!TryEncodeDate(stamp.Year, stamp.Month, stamp.Day, d)) return false;
    if (!TryEncodeTime(stamp.Hour, stamp.Minute, stamp.Second, static_cast<int>(stamp.Fractions), t))
        return false;
    result = d < 0 ? d - t : d + t;
    return true;
}

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& stamp) {
    TDateTime r;
    if (!TryEncodeSQLTimeStamp(stamp, r)) throw EConvertError("Invalid SQL timestamp");
    return r;
}

TDateTime Now() {
    if (NowFunction()) return NowFunction()();
    SYSTEMTIME st;
    GetLocalTime(&st);
    return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime Date() {
    return std::trunc(Now());
}

TDateTime Time() {
    TDateTime n = Now();
    return std::fabs(n - std::trunc(n));
}

void SetNowFunction(std::function<TDateTime()> now) {
    NowFunction() = std::move(now);
}

AnsiString FormatDateTime(const AnsiString& format, TDateTime value, const TFormatSettings& fs) {
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    AnsiString out;
    const AnsiString& f = format.empty() ? AnsiString("c") : format;
    // A 12-hour clock is used when an AM/PM marker appears.
    const bool twelve = f.find("ampm") != AnsiString::npos || f.find("am/pm") != AnsiString::npos ||
                        f.find("AM/PM") != AnsiString::npos || f.find("a/p") != AnsiString::npos;
    bool lastWasHour = false;
    size_t i = 0;
    auto count = [&](char c) {
        size_t n = 0;
        while (i + n < f.size() && (f[i + n] == c || f[i + n] == (c ^ 0x20)))
            ++n;
        return n;
    };
    while (i < f.size()) {
        char c = f[i];
        char lc = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
        if (c == '\'' || c == '"') {
            size_t j = f.find(c, i + 1);
            if (j == AnsiString::npos) j = f.size();
            out.append(f, i + 1, j - i - 1);
            i = j + 1;
            continue;
        }
        if (f.compare(i, 4, "ampm") == 0) {
            out += h < 12 ? fs.TimeAMString : fs.TimePMString;
            i += 4;
            continue;
        }
        if (f.compare(i, 5, "am/pm") == 0 || f.compare(i, 5, "AM/PM") == 0) {
            out += h < 12 ? "am" : "pm";
            if (c == 'A') out = out.substr(0, out.size() - 2) + (h < 12 ? "AM" : "PM");
            i += 5;
            continue;
        }
        if (f.compare(i, 3, "a/p") == 0) {
            out += h < 12 ? "a" : "p";
            i += 3;
            continue;
        }
        size_t n;
        switch (lc) {
        case 'y':
            n = count('y');
            out += n <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
            i += n;
            lastWasHour = false;
            break;
        case 'm':
            n = count('m');
            if (lastWasHour && n <= 2) {
                out += n == 1 ? Pad(mi, 1) : Pad(mi, 2);
            } else if (n == 1 || n == 2) {
                out += Pad(mo, static_cast<int>(n));
            } else if (n == 3) {
                out += ShortMonthNames[mo - 1];
            } else {
                out += LongMonthNames[mo - 1];
            }
            i += n;
            lastWasHour = false;
            break;
        case 'd':
            n = count('d');
            if (n <= 2)
                out += Pad(d, static_cast<int>(n));
            else if (n == 3)
                out += ShortDayNames[DayOfWeek(value) - 1];
            else if (n == 4)
                out += LongDayNames[DayOfWeek(value) - 1];
            else if (n == 5)
                out += FormatDateTime(fs.ShortDateFormat, value, fs);
            else
                out += FormatDateTime(fs.LongDateFormat, value, fs);
            i += n;
            lastWasHour = false;
            break;
        case 'h': {
            n = count('h');
            int hh = twelve ? (h % 12 == 0 ? 12 : h % 12) : h;
            out += Pad(hh, n >= 2 ? 2 : 1);
            i += n;
            lastWasHour = true;
            break;
        }
        case 'n':
            n = count('n');
            out += Pad(mi, n >= 2 ? 2 : 1);
            i += n;
            break;
        case 's':
            n = count('s');
            out += Pad(s, n >= 2 ? 2 : 1);
            i += n;
            break;
        case 'z':
            n = count('z');
            out += Pad(ms, n >= 3 ? 3 : 1);
            i += n;
            break;
        case 't':
            n = count('t');
            out += FormatDateTime(n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, value, fs);
            i += n;
            break;
        case 'c': {
            out += FormatDateTime(fs.ShortDateFormat, value, fs);
            int hh, nn, ss, zz;
            DecodeTime(value, hh, nn, ss, zz);
            if (hh || nn || ss || zz) out += " " + FormatDateTime(fs.LongTimeFormat, value, fs);
            ++i;
            break;
        }
        case '/':
            out += fs.DateSeparator;
            ++i;
            break;
        case ':':
            out += fs.TimeSeparator;
            ++i;
            break;
        default:
            out += c;
            ++i;
            break;
        }
    }
    return out;
}

AnsiString FormatDateTime(const AnsiString& format, TDateTime value) {
    return FormatDateTime(format, value, FormatSettings());
}

AnsiString DateToStr(TDateTime value) {
    return FormatDateTime("ddddd", value);
}
AnsiString TimeToStr(TDateTime value) {
    return FormatDateTime("tt", value);
}
AnsiString DateTimeToStr(TDateTime value) {
    return FormatDateTime("c", value);
}

namespace {

// Reads up to maxDigits digits; false when none is there.
bool ReadNumber(const AnsiString& s, size_t& i, int& value, int maxDigits = 9, int* digits = nullptr) {
    int n = 0;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < maxDigits) {
        value = value * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    if (digits) *digits = n;
    return n > 0;
}

void SkipBlanks(const AnsiString& s, size_t& i) {
    while (i < s.size() && s[i] == ' ')
        ++i;
}

bool ParseDate(const AnsiString& s, size_t& i, TDateTime& result, const TFormatSettings& fs) {
    // Order of year, month and day as the short date format gives them.
    AnsiString order;
    for (char c : fs.ShortDateFormat) {
        char lc = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
        if ((lc == 'y' || lc == 'm' || lc == 'd') && order.find(lc) == AnsiString::npos) order += lc;
    }
    if (order.size() != 3) order = "ymd";
    int parts[3];
    int digits[3] = {0, 0, 0};
    int count = 0;
    SkipBlanks(s, i);
    while (count < 3) {
        if (!ReadNumber(s, i, parts[count], 4, &digits[count])) break;
        ++count;
        if (count < 3) {
            if (i < s.size() && (s[i] == fs.DateSeparator || s[i] == '/' || s[i] == '-' || s[i] == '.'))
                ++i;
            else
                break;
        }
    }
    if (count < 2) return false;
    int y = 0, m = 0, d = 0;
    int yearDigits = 4;
    if (count == 2) {
        // Day and month of the current year.
        int cy, cm, cd;
        DecodeDate(Now(), cy, cm, cd);
        y = cy;
        size_t k = 0;
        for (char c : order) {
            if (c == 'y') continue;
            (c == 'm' ? m : d) = parts[k++];
        }
    } else {
        for (size_t k = 0; k < 3; ++k) {
            if (order[k] == 'y') {
                y = parts[k];
                yearDigits = digits[k];
            } else if (order[k] == 'm') {
                m = parts[k];
            } else {
                d = parts[k];
            }
        }
        if (yearDigits <= 2) {
            int cy, cm, cd;
            DecodeDate(Now(), cy, cm, cd);
            int pivot = cy - fs.TwoDigitYearCenturyWindow;
            y += pivot / 100 * 100;
            if (fs.TwoDigitYearCenturyWindow > 0 && y < pivot) y += 100;
        }
    }
    return TryEncodeDate(y, m, d, result);
}

bool ParseTime(const AnsiString& s, size_t& i, TDateTime& result, const TFormatSettings& fs) {
    SkipBlanks(s, i);
    int h = 0, mi = 0, sec = 0, ms = 0;
    if (!ReadNumber(s, i, h, 2)) return false;
    auto sep = [&](char c) { return i < s.size() && (s[i] == c || s[i] == ':'); };
    if (sep(fs.TimeSeparator)) {
        ++i;
        if (!ReadNumber(s, i, mi, 2)) return false;
        if (sep(fs.TimeSeparator)) {
            ++i;
            if (!ReadNumber(s, i, sec, 2)) return false;
            if (i < s.size() && (s[i] == '.' || s[i] == fs.DecimalSeparator)) {
                ++i;
                int digits = 0;
                if (!ReadNumber(s, i, ms, 3, &digits)) return false;
                while (digits++ < 3)
                    ms *= 10;
            }
        }
    }
    SkipBlanks(s, i);
    auto match = [&](const AnsiString& word) {
        if (word.empty() || s.size() - i < word.size()) return false;
        for (size_t k = 0; k < word.size(); ++k)
            if (std::toupper(static_cast<unsigned char>(s[i + k])) !=
                std::toupper(static_cast<unsigned char>(word[k])))
                return false;
        i += word.size();
        return true;
    };
    if (match(fs.TimePMString) || match("PM")) {
        if (h > 12 || h == 0) return false;
        if (h < 12) h += 12;
    } else if (match(fs.TimeAMString) || match("AM")) {
        if (h > 12 || h == 0) return false;
        if (h == 12) h = 0;
    }
    return TryEncodeTime(h, mi, sec, ms, result);
}

bool AtEnd(const AnsiString& s, size_t i) {
    SkipBlanks(s, i);
    return i == s.size();
}

} // namespace

bool TryStrToDate(const AnsiString& text, TDateTime& result, const TFormatSettings& fs) {
    size_t i = 0;
    TDateTime d;
    if (!ParseDate(text, i, d, fs) || !AtEnd(text, i)) return false;
    result = d;
    return true;
}

bool TryStrToTime(const AnsiString& text, TDateTime& result, const TFormatSettings& fs) {
    size_t i = 0;
    TDateTime t;
    if (!ParseTime(text, i, t, fs) || !AtEnd(text, i)) return false;
    result = t;
    return true;
}

bool TryStrToDateTime(const AnsiString& text, TDateTime& result, const TFormatSettings& fs) {
    size_t i = 0;
    TDateTime d;
    if (!ParseDate(text, i, d, fs)) return TryStrToTime(text, result, fs);
    if (AtEnd(text, i)) {
        result = d;
        return true;
    }
    TDateTime t;
    if (!ParseTime(text, i, t, fs) || !AtEnd(text, i)) return false;
    result = d < 0 ? d - t : d + t;
    return true;
}

TDateTime StrToDate(const AnsiString& text) {
    TDateTime r;
    if (!TryStrToDate(text, r, FormatSettings())) throw EConvertError("'" + text + "' is not a valid date");
    return r;
}

TDateTime StrToTime(const AnsiString& text) {
    TDateTime r;
    if (!TryStrToTime(text, r, FormatSettings())) throw EConvertError("'" + text + "' is not a valid time");
    return r;
}

TDateTime StrToDateTime(const AnsiString& text) {
    TDateTime r;
    if (!TryStrToDateTime(text, r, FormatSettings()))
        throw EConvertError("'" + text + "' is not a valid date and time");
    return r;
}
