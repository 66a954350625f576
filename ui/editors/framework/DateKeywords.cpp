#include "ui/editors/framework/DateKeywords.h"

#include "ui/editors/framework/LibraryStrings.h"

AnsiString QuoteRegExprText(const AnsiString& text) {
    AnsiString result;
    bool inQuotes = false;
    for (char ch : text) {
        if (ch == '\'') {
            if (inQuotes) result += '\'';
            inQuotes = false;
            result += "\\'";
            continue;
        }
        if (!inQuotes) result += '\'';
        inQuotes = true;
        result += ch;
    }
    if (inQuotes) result += '\'';
    return result;
}

std::vector<AnsiString> GetSmartDateKeywords(bool withNow) {
    const AnsiString* const keywords[] = {
        &cxSDateToday,   &cxSDateYesterday, &cxSDateTomorrow, &cxSDateSunday, &cxSDateMonday,
        &cxSDateTuesday, &cxSDateWednesday, &cxSDateThursday, &cxSDateFriday, &cxSDateSaturday,
        &cxSDateFirst,   &cxSDateSecond,    &cxSDateThird,    &cxSDateFourth, &cxSDateFifth,
        &cxSDateSixth,   &cxSDateSeventh,   &cxSDateBOM,      &cxSDateEOM,
    };
    std::vector<AnsiString> result;
    for (const AnsiString* keyword : keywords)
        result.push_back(GetResourceStringText(keyword));
    if (withNow) result.push_back(GetResourceStringText(&cxSDateNow));
    return result;
}

AnsiString AddSmartDateAlternatives(const AnsiString& mask, bool withNow) {
    // Without a mask (a regional format that could not be read) only the keywords are offered:
    // the expressions refuse an empty group.
    AnsiString result = mask.empty() ? "(" : "(" + mask + ")|(";
    bool first = true;
    for (const AnsiString& keyword : GetSmartDateKeywords(withNow)) {
        if (!first) result += '|';
        first = false;
        result += QuoteRegExprText(keyword);
    }
    return result + ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
}
