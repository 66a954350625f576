#include "ui/editors/framework/Formats.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/forms/Forms.h"
#include "ui/editors/framework/DateKeywords.h"

namespace {

TcxFormatController* formatController = nullptr;

bool IsLeadByte(const AnsiString& text, size_t i) {
    const auto b = static_cast<BYTE>(text[i]);
    return b >= 0x80 && i + 1 < text.size() && IsDBCSLeadByte(b);
}

char UpperLetter(char ch) {
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// The end of the run of ch (in either case) that starts at i.
size_t RunEnd(const AnsiString& text, size_t i) {
    const char letter = UpperLetter(text[i]);
    size_t j = i;
    while (j < text.size() && UpperLetter(text[j]) == letter)
        ++j;
    return j;
}

// The regional formats that format letters insert.
enum TInsertedFormat { ifShortDate, ifLongDate, ifShortTime, ifLongTime, ifCount };

class TDateTimeFormatParser {
public:
    TDateTimeFormatParser(TcxDateTimeFormatInfo& info, const TFormatSettings& settings)
        : info_(info), settings_(settings) {}

    // Appends the items of format; false on an era letter or an endless insertion.
    bool Parse(const AnsiString& format) {
        if (format.empty()) return ParseAll();
        char previousLetter = 0;
        size_t i = 0;
        const size_t n = format.size();
        while (i < n) {
            if (IsLeadByte(format, i)) {
                AddLiteral(format.substr(i, 2));
                i += 2;
                continue;
            }
            const char ch = format[i];
            const char letter = UpperLetter(ch);
            if (ch == '"' || ch == '\'') {
                size_t close = format.find(ch, i + 1);
                if (close == AnsiString::npos) close = n;
                AddLiteral(format.substr(i + 1, close - i - 1));
                i = std::min(close + 1, n);
                continue;
            }
            if (letter == 'G') return false;
            if (letter == 'A') {
                i = ParseA(format, i);
                previousLetter = 'A';
                continue;
            }
            if (std::strchr("CDYEMHNSZT", letter) == nullptr) {
                if (ch == '/')
                    Add(dfiDateSeparator, "/");
                else if (ch == ':')
                    Add(dfiTimeSeparator, ":");
                else
                    AddLiteral(AnsiString(1, ch));
                ++i;
                continue;
            }
            const size_t end = RunEnd(format, i);
            const size_t count = end - i;
            i = end;
            // "hh:mm" means minutes: the platform and users write both letters for both.
            const char meaning = letter == 'M' && previousLetter == 'H' ? 'N' : letter;
            previousLetter = meaning;
            if (!AddLetters(meaning, count)) return false;
        }
        return true;
    }

    bool UsesTimeMarker() const { return usesTimeMarker_; }

private:
    bool ParseAll() {
        if (!Insert(ifShortDate)) return false;
        AddLiteral(" ");
        return Insert(ifLongTime);
    }

    bool AddLetters(char letter, size_t count) {
        switch (letter) {
        case 'C':
            return ParseAll();
        case 'D':
            if (count == 5) return Insert(ifShortDate);
            if (count >= 6) return Insert(ifLongDate);
            Add(dfiDay, AnsiString(count, 'D'));
            return true;
        case 'Y':
        case 'E':
            Add(dfiYear, count >= 3 ? "YYYY" : "YY");
            return true;
        case 'T':
            return Insert(count == 1 ? ifShortTime : ifLongTime);
        default:
            break;
        }
        // Letters that repeat up to a limit: the item keeps that many.
        static const struct {
            char letter;
            TcxDateTimeFormatItemKind kind;
            size_t most;
        } limited[] = {{'M', dfiMonth, 4},
                       {'H', dfiHour, 2},
                       {'N', dfiMinute, 2},
                       {'S', dfiSecond, 2},
                       {'Z', dfiMillisecond, 3}};
        for (const auto& run : limited)
            if (run.letter == letter) Add(run.kind, AnsiString(std::min(count, run.most), letter));
        return true;
    }

    // An "A" at i: a designator, weekday names or literal text. Returns the position after it.
    size_t ParseA(const AnsiString& format, size_t i) {
        for (const char* designator : {"AM/PM", "A/P", "AMPM"}) {
            const size_t length = std::strlen(designator);
            if (SameText(std::string_view(format).substr(i, length), designator)) {
                usesTimeMarker_ = true;
                Add(dfiTimeMarker, format.substr(i, length));
                return i + length;
            }
        }
        const size_t end = RunEnd(format, i);
        const size_t count = end - i;
        if (count == 3 || count == 4)
            Add(dfiDay, AnsiString(count, 'D'));
        else
            AddLiteral(format.substr(i, count));
        return end;
    }

    // Parses a regional format in place. A format that is already being inserted would insert
    // itself without end (an empty format, "c" in the short date format, ...): the parse fails.
    bool Insert(TInsertedFormat which) {
        if (inserting_[which]) return false;
        const AnsiString* formats[ifCount] = {&settings_.ShortDateFormat, &settings_.LongDateFormat,
                                              &settings_.ShortTimeFormat, &settings_.LongTimeFormat};
        inserting_[which] = true;
        const bool parsed = Parse(*formats[which]);
        inserting_[which] = false;
        return parsed;
    }

    void AddLiteral(const AnsiString& text) {
        if (text.empty()) return;
        info_.Defined[dfiLiteral] = true;
        if (!info_.Items.empty() && info_.Items.back().Kind == dfiLiteral)
            info_.Items.back().Data += text;
        else
            info_.Items.push_back({dfiLiteral, text});
    }

    // Separators are added every time, every other kind once.
    void Add(TcxDateTimeFormatItemKind kind, const AnsiString& data) {
        const bool separator = kind == dfiDateSeparator || kind == dfiTimeSeparator;
        if (!separator && info_.Defined[kind]) return;
        info_.Defined[kind] = true;
        info_.Items.push_back({kind, data});
    }

    TcxDateTimeFormatInfo& info_;
    const TFormatSettings& settings_;
    bool inserting_[ifCount] = {};
    bool usesTimeMarker_ = false;
};

AnsiString TimeMarkerChars(const TcxDateTimeFormatItem& item, const TFormatSettings& settings) {
    if (SameText(item.Data, "A/P")) return "c";
    if (SameText(item.Data, "AM/PM")) return "cc";
    return AnsiString(std::max(settings.TimeAMString.size(), settings.TimePMString.size()), 'c');
}

// A separator in a mask expression: the locale's character itself, not the "/" or ":" that
// stands for whatever separator is in force when the mask is used.
AnsiString RegExprSeparator(char separator) {
    if (separator == ' ') return "' '";
    return AnsiString("\\") + separator;
}

AnsiString RegExprTimeMarker(const TcxDateTimeFormatItem& item, const TFormatSettings& settings) {
    if (SameText(item.Data, "A/P")) return "(A|P)?";
    if (SameText(item.Data, "AM/PM")) return "(AM|PM)?";
    const AnsiString& am = settings.TimeAMString;
    const AnsiString& pm = settings.TimePMString;
    if (am.empty() && pm.empty()) return "";
    if (am.empty()) return "(" + QuoteRegExprText(pm) + ")?";
    if (pm.empty()) return "(" + QuoteRegExprText(am) + ")?";
    return "(" + QuoteRegExprText(am) + "|" + QuoteRegExprText(pm) + ")?";
}

AnsiString RegExprMonth(const TcxDateTimeFormatItem& item, const TFormatSettings& settings) {
    const auto& names = item.Data.size() == 4 ? settings.LongMonthNames : settings.ShortMonthNames;
    AnsiString result = "((0?[1-9]|1[012])|(";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) result += '|';
        result += QuoteRegExprText(names[i]);
    }
    return result + "))";
}

AnsiString LowerText(const AnsiString& text) {
    AnsiString result = text;
    for (char& ch : result)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return result;
}

} // namespace

bool ParseDateTimeFormat(const AnsiString& format, TcxDateTimeFormatInfo& info,
                         const TFormatSettings& settings) {
    info = TcxDateTimeFormatInfo{};
    TDateTimeFormatParser parser(info, settings);
    if (!parser.Parse(format)) {
        info = TcxDateTimeFormatInfo{};
        return false;
    }
    auto hour = std::find_if(info.Items.begin(), info.Items.end(),
                             [](const TcxDateTimeFormatItem& item) { return item.Kind == dfiHour; });
    if (hour != info.Items.end()) {
        hour->Data = (parser.UsesTimeMarker() ? "12" : "24") + hour->Data;
    } else if (info.Defined[dfiTimeMarker]) {
        // A designator without an hour has nothing to mark.
        std::erase_if(info.Items,
                      [](const TcxDateTimeFormatItem& item) { return item.Kind == dfiTimeMarker; });
        info.Defined[dfiTimeMarker] = false;
    }
    return true;
}

AnsiString GetStandardEditMask(const TcxDateTimeFormatInfo& info, TcxMaskKind kind,
                               const TFormatSettings& settings) {
    if (info.Items.empty()) return "";
    const bool time = kind == mkTime;
    AnsiString mask = time ? "" : "!";
    for (const TcxDateTimeFormatItem& item : info.Items) {
        switch (item.Kind) {
        case dfiLiteral:
            // The standard mask reads bytes: both bytes of a double-byte character are escaped.
            for (char ch : item.Data) {
                mask += '\\';
                mask += ch;
            }
            break;
        case dfiYear:
            mask += item.Data.size() > 2 ? "9999" : "99";
            break;
        case dfiMonth:
        case dfiDay:
            mask += item.Data.size() > 2 ? "lll" : "99";
            break;
        case dfiHour:
        case dfiMinute:
        case dfiSecond:
            mask += time ? "00" : "99";
            break;
        case dfiTimeMarker:
            mask += TimeMarkerChars(item, settings);
            break;
        case dfiDateSeparator:
            mask += '/';
            break;
        case dfiTimeSeparator:
            mask += ':';
            break;
        case dfiMillisecond:
            break;
        }
    }
    return mask + (time ? ";1;0" : ";1; ");
}

AnsiString GetRegExprDatePart(const TcxDateTimeFormatInfo& info, const TFormatSettings& settings) {
    AnsiString result;
    for (const TcxDateTimeFormatItem& item : info.Items) {
        switch (item.Kind) {
        case dfiLiteral:
            result += QuoteRegExprText(item.Data);
            break;
        case dfiYear:
            result += item.Data.size() > 2 ? "\\d\\d\\d\\d" : "\\d\\d";
            break;
        case dfiMonth:
            result += RegExprMonth(item, settings);
            break;
        case dfiDay:
            result += "([012]?[1-9]|[123]0|31)";
            break;
        case dfiDateSeparator:
            result += RegExprSeparator(settings.DateSeparator);
            break;
        default:
            break;
        }
    }
    return result;
}

AnsiString GetRegExprTimePart(const TcxDateTimeFormatInfo& info, const TFormatSettings& settings) {
    AnsiString result;
    for (const TcxDateTimeFormatItem& item : info.Items) {
        switch (item.Kind) {
        case dfiLiteral:
            result += QuoteRegExprText(item.Data);
            break;
        case dfiHour:
            result += item.Data.starts_with("12") ? "(0?[1-9]|1[012])" : "([01]?\\d|2[0-3])";
            break;
        case dfiMinute:
        case dfiSecond:
            result += "[0-5]?\\d";
            break;
        case dfiTimeMarker:
            result += RegExprTimeMarker(item, settings);
            break;
        case dfiTimeSeparator:
            result += RegExprSeparator(settings.TimeSeparator);
            break;
        default:
            break;
        }
    }
    return result;
}

AnsiString GetMaskedEditDisplayFormat(const TcxDateTimeFormatInfo& info) {
    AnsiString result;
    for (const TcxDateTimeFormatItem& item : info.Items) {
        switch (item.Kind) {
        case dfiLiteral:
            result += "'" + item.Data + "'";
            break;
        case dfiYear:
        case dfiTimeMarker:
            result += LowerText(item.Data);
            break;
        case dfiMonth:
            result += item.Data.size() > 2 ? "mmm" : "mm";
            break;
        case dfiDay:
            result += item.Data.size() > 2 ? "ddd" : "dd";
            break;
        case dfiHour:
            result += "hh";
            break;
        case dfiMinute:
            result += "nn";
            break;
        case dfiSecond:
            result += "ss";
            break;
        case dfiDateSeparator:
            result += '/';
            break;
        case dfiTimeSeparator:
            result += ':';
            break;
        case dfiMillisecond:
            break;
        }
    }
    return result;
}

AnsiString GetDateEditFormat(const AnsiString& shortDateFormat, bool forMaskEdit) {
    const AnsiString& format = shortDateFormat;
    AnsiString result;
    size_t i = 0;
    while (i < format.size()) {
        if (IsLeadByte(format, i)) {
            result.append(format, i, 2);
            i += 2;
            continue;
        }
        const char ch = format[i];
        if (ch == '"' || ch == '\'') {
            // Quoted text is copied as it stands.
            size_t close = format.find(ch, i + 1);
            close = close == AnsiString::npos ? format.size() : close + 1;
            result.append(format, i, close - i);
            i = close;
            continue;
        }
        const char letter = UpperLetter(ch);
        if (letter != 'D' && letter != 'M') {
            result += ch;
            ++i;
            continue;
        }
        const size_t end = RunEnd(format, i);
        size_t count = end - i;
        if (count == 1)
            result.append(2, ch);
        else
            result.append(format, i, forMaskEdit && letter == 'M' ? std::min<size_t>(count, 3) : count);
        i = end;
    }
    return result;
}

AnsiString GetCurrencyDisplayFormat(const TFormatSettings& settings) {
    const AnsiString number =
        ",0." + AnsiString(static_cast<size_t>(std::max(settings.CurrencyDecimals, 0)), '0');
    AnsiString symbol;
    const AnsiString& currency = settings.CurrencyString;
    for (size_t i = 0; i < currency.size(); ++i) {
        if (IsLeadByte(currency, i)) {
            symbol.append(currency, i, 2);
            ++i;
        } else if (currency[i] == ',' || currency[i] == '.') {
            symbol += "'" + AnsiString(1, currency[i]) + "'";
        } else {
            symbol += currency[i];
        }
    }
    // S the symbol, N the number. Codes outside the tables (users can type any) take the first.
    static const char* const positive[] = {"SN", "NS", "S N", "N S"};
    static const char* const negative[] = {"(SN)", "-SN",  "S-N",  "SN-",  "(NS)", "-NS",  "N-S",   "NS-",
                                           "-N S", "-S N", "N S-", "S N-", "S -N", "N- S", "(S N)", "(N S)"};
    auto pick = [](const char* const* table, int size, int code) {
        return table[code >= 0 && code < size ? code : 0];
    };
    auto expand = [&](const char* pattern) {
        AnsiString result;
        for (const char* p = pattern; *p; ++p)
            result += *p == 'S' ? symbol : *p == 'N' ? number : AnsiString(1, *p);
        return result;
    };
    return expand(pick(positive, 4, settings.CurrencyFormat)) + ";" +
           expand(pick(negative, 16, settings.NegCurrFormat));
}

int GetLocaleFirstWeekDay(const TFormatSettings& settings) {
    const AnsiString& text = settings.FirstDayOfWeek;
    // The locale counts from Monday; a value out of its range counts as missing (Monday).
    const int monday0 = text.size() == 1 && text[0] >= '0' && text[0] <= '6' ? text[0] - '0' : 0;
    return (monday0 + 1) % 7;
}

// ---------------------------------------------------------------------------------------------
// TcxFormatController

TcxFormatController::TcxFormatController() {
    if (!formatController) formatController = this;
    Rebuild();
}

TcxFormatController::~TcxFormatController() {
    DeallocateHWnd(window_);
    window_ = nullptr;
    if (formatController == this) formatController = nullptr;
}

void TcxFormatController::Rebuild() {
    const TFormatSettings& settings = FormatSettings();
    currencyFormat_.Derive(GetCurrencyDisplayFormat(settings));
    firstWeekDay_.Derive(GetLocaleFirstWeekDay(settings));
    ParseDateTimeFormat(settings.ShortDateFormat, dateFormatInfo_, settings);
    ParseDateTimeFormat(settings.LongTimeFormat, timeFormatInfo_, settings);
    ParseDateTimeFormat(settings.ShortDateFormat + " " + settings.LongTimeFormat, dateTimeFormatInfo_,
                        settings);
    standardDateEditMask_.Derive(GetStandardEditMask(dateFormatInfo_, mkDate, settings));
    standardDateTimeEditMask_.Derive(GetStandardEditMask(dateTimeFormatInfo_, mkDateTime, settings));
    // The keywords are read again at each build: their texts may have been replaced meanwhile.
    const AnsiString datePart = GetRegExprDatePart(dateFormatInfo_, settings);
    regExprDateEditMask_.Derive(AddSmartDateAlternatives(datePart, false));
    const AnsiString timePart = GetRegExprTimePart(timeFormatInfo_, settings);
    regExprDateTimeEditMask_.Derive(
        AddSmartDateAlternatives(timePart.empty() ? datePart : datePart + " ' '(" + timePart + ")?", true));
    dateEditMask_ = GetDateEditFormat(settings.ShortDateFormat, true);
    maskedDateEditFormat_ = GetMaskedEditDisplayFormat(dateFormatInfo_);
    maskedDateTimeEditFormat_ = GetMaskedEditDisplayFormat(dateTimeFormatInfo_);
    dateEditFormat_ = GetDateEditFormat(settings.ShortDateFormat);
}

void TcxFormatController::SetCurrencyFormat(const AnsiString& value) {
    currencyFormat_.Assign(value);
}

void TcxFormatController::SetFirstWeekDay(int value) {
    if (value < 0 || value > 6)
        throw EInvalidOperation("The first day of the week must be 0 (Sunday) to 6 (Saturday): " +
                                IntToStr(value));
    firstWeekDay_.Assign(value);
}

void TcxFormatController::SetStandardDateEditMask(const AnsiString& value) {
    standardDateEditMask_.Assign(value);
}

void TcxFormatController::SetStandardDateTimeEditMask(const AnsiString& value) {
    standardDateTimeEditMask_.Assign(value);
}

void TcxFormatController::SetRegExprDateEditMask(const AnsiString& value) {
    regExprDateEditMask_.Assign(value);
}

void TcxFormatController::SetRegExprDateTimeEditMask(const AnsiString& value) {
    regExprDateTimeEditMask_.Assign(value);
}

void TcxFormatController::AddListener(IcxLocaleFormatListener* listener) {
    if (!listener || std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) return;
    if (!window_) window_ = AllocateHWnd([this](TMessage& message) { HandleMessage(message); });
    listeners_.push_back(listener);
}

void TcxFormatController::RemoveListener(IcxLocaleFormatListener* listener) {
    std::erase(listeners_, listener);
    ReleaseWindowWhenUnused();
}

void TcxFormatController::ReleaseWindowWhenUnused() {
    // While a message is handled the window stays; the handler releases it afterwards.
    if (!listeners_.empty() || notifying_ > 0 || !window_) return;
    DeallocateHWnd(window_);
    window_ = nullptr;
}

void TcxFormatController::HandleMessage(TMessage& message) {
    struct TNotifying {
        TcxFormatController& controller;
        explicit TNotifying(TcxFormatController& c) : controller(c) { ++controller.notifying_; }
        ~TNotifying() {
            --controller.notifying_;
            controller.ReleaseWindowWhenUnused();
        }
    };
    if (message.Msg == WM_WININICHANGE && message.WParam == 0 && message.LParam != 0 &&
        lstrcmpiA(reinterpret_cast<const char*>(message.LParam), "intl") == 0) {
        TNotifying notifying(*this);
        // Without an application object the settings follow the system, as by default.
        if (!Application || Application->UpdateFormatSettings) ResetFormatSettings();
        Rebuild();
        NotifyFormatChanged();
        message.Result = 0;
    } else if (message.Msg == WM_TIMECHANGE) {
        TNotifying notifying(*this);
        NotifyTimeChanged();
        message.Result = 0;
    } else {
        message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
    }
}

// Listeners may remove themselves or others while being told: each one still registered is
// told once, in the order of the list as it stood.
template <class F> void TcxFormatController::ForEachListener(F&& tell) {
    const std::vector<IcxLocaleFormatListener*> listeners = listeners_;
    for (IcxLocaleFormatListener* listener : listeners)
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) tell(listener);
}

void TcxFormatController::NotifyFormatChanged() {
    ForEachListener([](IcxLocaleFormatListener* listener) { listener->FormatChanged(); });
}

void TcxFormatController::NotifyTimeChanged() {
    ForEachListener([](IcxLocaleFormatListener* listener) {
        if (auto* timeListener = dynamic_cast<IcxTimeChangeListener*>(listener)) timeListener->TimeChanged();
    });
}

TcxFormatController* GetFormatController() {
    if (!formatController) new TcxFormatController;
    return formatController;
}

void FormatsInitialize() {}

void FormatsFinalize() {
    delete formatController;
    formatController = nullptr;
}
