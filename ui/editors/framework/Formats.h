#pragma once
// Formats that follow the user's regional settings: the date and time formats split into items,
// the edit masks and display formats of date editors derived from them, the currency format and
// the first day of the week. The controller re-derives them when the regional settings change
// and tells its listeners; it also passes on changes of the system time.
#include <cstdint>
#include <vector>

#include "platform/core/FormatSettings.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/UtilWindow.h"

enum TcxDateTimeFormatItemKind : uint8_t {
    dfiLiteral,       // Data: the text
    dfiYear,          // "YY" or "YYYY"
    dfiMonth,         // one to four "M"
    dfiDay,           // one to four "D" (three and four: weekday names)
    dfiHour,          // "12" or "24" followed by "H" or "HH"
    dfiMinute,        // "N" or "NN"
    dfiSecond,        // "S" or "SS"
    dfiMillisecond,   // one to three "Z"
    dfiTimeMarker,    // the AM/PM designator as written: "AM/PM", "A/P", "AMPM"
    dfiDateSeparator, //
    dfiTimeSeparator, //
};
constexpr int DateTimeFormatItemKindCount = 11;

struct TcxDateTimeFormatItem {
    TcxDateTimeFormatItemKind Kind = dfiLiteral;
    AnsiString Data;
    bool operator==(const TcxDateTimeFormatItem&) const = default;
};

struct TcxDateTimeFormatInfo {
    bool Defined[DateTimeFormatItemKindCount] = {};
    std::vector<TcxDateTimeFormatItem> Items;
};

// Splits a date/time format ("yyyy/m/d hh:nn ampm"; letters in any case) into items; an empty
// format counts as "c". The formats that "c", "ddddd", "dddddd", "t" and "tt" insert come from
// settings. Returns false, with an empty info, for a format with an era letter or one that
// inserts a format already being inserted (an empty or self-inserting regional format).
bool ParseDateTimeFormat(const AnsiString& format, TcxDateTimeFormatInfo& info,
                         const TFormatSettings& settings = FormatSettings());

enum TcxMaskKind { mkDate, mkTime, mkDateTime };

// The standard (byte-based) edit mask of a parsed format; empty when it has no items.
AnsiString GetStandardEditMask(const TcxDateTimeFormatInfo& info, TcxMaskKind kind,
                               const TFormatSettings& settings = FormatSettings());
// The date part or the time part of a mask expression for a parsed format, without keywords.
AnsiString GetRegExprDatePart(const TcxDateTimeFormatInfo& info,
                              const TFormatSettings& settings = FormatSettings());
AnsiString GetRegExprTimePart(const TcxDateTimeFormatInfo& info,
                              const TFormatSettings& settings = FormatSettings());
// The display format of masked editing ("dd/mm/yyyy hh:nn") for a parsed format.
AnsiString GetMaskedEditDisplayFormat(const TcxDateTimeFormatInfo& info);
// A short date format with every lone day and month letter doubled (d/m/yyyy: dd/mm/yyyy); for
// mask editing, runs of more than three month letters are also cut to three.
AnsiString GetDateEditFormat(const AnsiString& shortDateFormat, bool forMaskEdit = false);
// The currency display format (positive;negative) of the settings' currency fields.
AnsiString GetCurrencyDisplayFormat(const TFormatSettings& settings = FormatSettings());
// The settings' first day of the week as 0 Sunday .. 6 Saturday (Monday when missing or bad).
int GetLocaleFirstWeekDay(const TFormatSettings& settings = FormatSettings());

// Told when the regional settings have changed and the formats were rebuilt.
class IcxLocaleFormatListener {
public:
    virtual void FormatChanged() = 0;

protected:
    ~IcxLocaleFormatListener() = default;
};

// A locale format listener that also implements this one is told of system time changes.
class IcxTimeChangeListener {
public:
    virtual void TimeChanged() = 0;

protected:
    ~IcxTimeChangeListener() = default;
};

// A derived value that a value set from outside replaces for good.
template <class T> struct TcxAssignableValue {
    T Value{};
    bool Assigned = false;
    void Assign(const T& value) {
        Value = value;
        Assigned = true;
    }
    void Derive(const T& value) {
        if (!Assigned) Value = value;
    }
};

class TcxFormatController : public TObject {
public:
    VZ_CLASS(TcxFormatController, TObject)
    // The first controller made becomes the one GetFormatController answers.
    TcxFormatController();
    ~TcxFormatController() override;
    TcxFormatController(const TcxFormatController&) = delete;
    TcxFormatController& operator=(const TcxFormatController&) = delete;

    // Derives every format again from the current format settings; values set from outside stay.
    void Rebuild();

    // Adds a listener once; the first one makes the window that hears setting and time changes.
    virtual void AddListener(IcxLocaleFormatListener* listener);
    // Removes a listener; removing the last one destroys the window.
    virtual void RemoveListener(IcxLocaleFormatListener* listener);
    // Messages of the listener window.
    virtual void HandleMessage(TMessage& message);
    // The listener window; nullptr while there are no listeners.
    HWND WindowHandle() const { return window_; }

    const AnsiString& CurrencyFormat() const { return currencyFormat_.Value; }
    void SetCurrencyFormat(const AnsiString& value);
    // 0 Sunday .. 6 Saturday.
    int FirstWeekDay() const { return firstWeekDay_.Value; }
    void SetFirstWeekDay(int value);
    const AnsiString& DateEditFormat() const { return dateEditFormat_; }
    // The date edit format for mask editing: month names cut to three letters.
    const AnsiString& DateEditMask() const { return dateEditMask_; }
    const AnsiString& StandardDateEditMask() const { return standardDateEditMask_.Value; }
    void SetStandardDateEditMask(const AnsiString& value);
    const AnsiString& StandardDateTimeEditMask() const { return standardDateTimeEditMask_.Value; }
    void SetStandardDateTimeEditMask(const AnsiString& value);
    const AnsiString& RegExprDateEditMask() const { return regExprDateEditMask_.Value; }
    void SetRegExprDateEditMask(const AnsiString& value);
    const AnsiString& RegExprDateTimeEditMask() const { return regExprDateTimeEditMask_.Value; }
    void SetRegExprDateTimeEditMask(const AnsiString& value);
    const AnsiString& MaskedDateEditFormat() const { return maskedDateEditFormat_; }
    const AnsiString& MaskedDateTimeEditFormat() const { return maskedDateTimeEditFormat_; }
    const TcxDateTimeFormatInfo& DateFormatInfo() const { return dateFormatInfo_; }
    const TcxDateTimeFormatInfo& TimeFormatInfo() const { return timeFormatInfo_; }
    const TcxDateTimeFormatInfo& DateTimeFormatInfo() const { return dateTimeFormatInfo_; }

private:
    template <class F> void ForEachListener(F&& tell);
    void NotifyFormatChanged();
    void NotifyTimeChanged();
    void ReleaseWindowWhenUnused();

    std::vector<IcxLocaleFormatListener*> listeners_;
    HWND window_ = nullptr;
    int notifying_ = 0;
    TcxDateTimeFormatInfo dateFormatInfo_;
    TcxDateTimeFormatInfo timeFormatInfo_;
    TcxDateTimeFormatInfo dateTimeFormatInfo_;
    AnsiString dateEditMask_;
    TcxAssignableValue<AnsiString> standardDateEditMask_;
    TcxAssignableValue<AnsiString> regExprDateEditMask_;
    TcxAssignableValue<AnsiString> regExprDateTimeEditMask_;
    TcxAssignableValue<AnsiString> standardDateTimeEditMask_;
    AnsiString maskedDateEditFormat_;
    AnsiString maskedDateTimeEditFormat_;
    TcxAssignableValue<AnsiString> currencyFormat_;
    TcxAssignableValue<int> firstWeekDay_;
    AnsiString dateEditFormat_;
};

// The process-wide controller, made on first use; freed at unit end.
TcxFormatController* GetFormatController();

void FormatsInitialize();
void FormatsFinalize();
