#include "platform/core/FloatText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

AnsiString FloatToStrFixed(double value, int precision, int digits, const TFormatSettings& fs) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, value);
    // buf: [-]d.ddddde[+-]xx
    const char* p = buf;
    bool negative = *p == '-';
    if (negative) ++p;
    AnsiString mantissa;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') mantissa += *p;
    int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    if (value == 0) exponent = 0;
    if (exponent >= precision) {
        std::snprintf(buf, sizeof buf, "%.*E", precision - 1, value);
        AnsiString text = buf;
        for (char& c : text)
            if (c == '.') c = fs.DecimalSeparator;
        return text;
    }
    // Digits of the integer part and the fraction, kept to `digits` decimals.
    int pointPos = exponent + 1; // mantissa digits before the point (may be <= 0)
    int keep = pointPos + digits;
    AnsiString kept;
    if (keep > 0) {
        kept =
            mantissa.substr(0, static_cast<size_t>(std::min<int>(keep, static_cast<int>(mantissa.size()))));
        bool roundUp = keep < static_cast<int>(mantissa.size()) && mantissa[static_cast<size_t>(keep)] >= '5';
        while (static_cast<int>(kept.size()) < keep)
            kept += '0';
        if (roundUp) {
            int i = static_cast<int>(kept.size()) - 1;
            for (; i >= 0; --i) {
                if (kept[static_cast<size_t>(i)] == '9') {
                    kept[static_cast<size_t>(i)] = '0';
                } else {
                    ++kept[static_cast<size_t>(i)];
                    break;
                }
            }
            if (i < 0) {
                kept.insert(kept.begin(), '1');
                ++pointPos;
            }
        }
    } else if (keep == 0 && !mantissa.empty() && mantissa[0] >= '5') {
        // 0.5 of the last kept decimal rounds up to it.
        kept = "1";
        pointPos = 1 - digits;
    }
    // Lay out the integer part and the fraction from the kept digits.
    AnsiString intPart, fracPart;
    for (int i = 0; i < pointPos; ++i)
        intPart += i < static_cast<int>(kept.size()) ? kept[static_cast<size_t>(i)] : '0';
    if (intPart.empty()) intPart = "0";
    for (int i = 0; i < digits; ++i) {
        int index = pointPos + i;
        fracPart +=
            index >= 0 && index < static_cast<int>(kept.size()) ? kept[static_cast<size_t>(index)] : '0';
    }
    bool allZero = intPart.find_first_not_of('0') == AnsiString::npos &&
                   fracPart.find_first_not_of('0') == AnsiString::npos;
    AnsiString text = negative && !allZero ? "-" : "";
    text += intPart;
    if (digits > 0) {
        text += fs.DecimalSeparator;
        text += fracPart;
    }
    return text;
}
