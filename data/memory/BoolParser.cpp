#include "data/memory/BoolParser.h"

#include <vector>

TBoolParser::TBoolParser(const AnsiString& text) : TParser(text) {
    InitParser();
}

const TLexemTable& TBoolParser::BoolSymbols() {
    static const TLexemTable table{
        {"=", bxEqual},        {">", bxGreater},   {"<", bxLess},        {">=", bxGreaterOrEqual},
        {"<=", bxLessOrEqual}, {"<>", bxNotEqual}, {"(", bxLeftParen},   {")", bxRightParen},
        {"-", bxMinus},        {"+", bxPlus},      {"[", bxLeftBracket}, {"]", bxRightBracket}};
    return table;
}

const TLexemTable& TBoolParser::BoolKeywords() {
    static const TLexemTable table{{"AND", bxAND}, {"FALSE", bxFALSE}, {"IS", bxIS}, {"LIKE", bxLIKE},
                                   {"NOT", bxNOT}, {"NULL", bxNULL},   {"OR", bxOR}, {"TRUE", bxTRUE}};
    return table;
}

void TBoolParser::InitParser() {
    TParser::InitParser();
    symbolTable_ = &BoolSymbols();
    keywordTable_ = &BoolKeywords();
}

void TBoolParser::SkipToQuoteEnd(char quote, int& pos) {
    for (;;) {
        if (!InText(pos)) return;
        char c = CharAt(pos);
        if (c == '\'' && InText(pos + 1) && CharAt(pos + 1) == '\'') {
            pos += 2;
            continue;
        }
        if (c == quote) return;
        ++pos;
    }
}

namespace {
// Glob match with one backtrack point: the last star takes one more character on a mismatch.
template <class C> bool MatchChars(const C* t, size_t tn, const C* p, size_t pn) {
    size_t ti = 0, pi = 0;
    size_t starP = SIZE_MAX, starT = 0;
    while (ti < tn) {
        if (pi < pn && (p[pi] == C('*') || p[pi] == C('%'))) {
            if (pi + 1 == pn) return true;
            starP = pi++;
            starT = ti;
        } else if (pi < pn && (p[pi] == C('_') || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (starP != SIZE_MAX) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < pn && (p[pi] == C('*') || p[pi] == C('%')))
        ++pi;
    return pi == pn;
}

bool HasHighBytes(const AnsiString& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}
} // namespace

bool MatchWildcard(const WideString& text, const WideString& pattern) {
    return MatchChars(text.data(), text.size(), pattern.data(), pattern.size());
}

bool MatchWildcard(const AnsiString& text, const AnsiString& pattern) {
    if (HasHighBytes(text) || HasHighBytes(pattern))
        return MatchWildcard(AnsiToWide(text), AnsiToWide(pattern));
    return MatchChars(text.data(), text.size(), pattern.data(), pattern.size());
}

void CoerceToDateTime(Variant& value) {
    if (!value.IsString()) return;
    TDateTime dt;
    if (TryStrToDateTime(value.AsAnsiString(), dt, FormatSettings()))
        value = Variant::FromDateTime(dt);
    else
        value = Variant::FromDateTime(value.AsDateTime());
}
