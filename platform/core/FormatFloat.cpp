#include "platform/core/FormatFloat.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/core/Variant.h"

namespace {
struct TSection {
    AnsiString prefix, suffix;
    int intZeros = 0;   // "0" before the point
    int intDigits = 0;  // "0" and "#" before the point
    int fracZeros = 0;  // "0" after the point
    int fracDigits = 0; // "0" and "#" after the point
    bool thousands = false;
    bool scientific = false;
    bool expPlus = false;
    char expChar = 'E';
    int expDigits = 0;
};

std::vector<std::string_view> SplitSections(std::string_view format) {
    std::vector<std::string_view> sections;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    return sections;
}

TSection ParseSection(std::string_view s) {
    TSection section;
    bool seenDigit = false, afterPoint = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        AnsiString& literal = seenDigit ? section.suffix : section.prefix;
        if (c == '"' || c == '\'') {
            size_t end = s.find(c, i + 1);
            if (end == std::string_view::npos) end = s.size();
            literal.append(s.substr(i + 1, end - i - 1));
            i = end;
        } else if ((c == '0' || c == '#') && !section.scientific) {
            seenDigit = true;
            if (afterPoint) {
                ++section.fracDigits;
                if (c == '0') section.fracZeros = section.fracDigits;
            } else {
                ++section.intDigits;
                if (c == '0' || section.intZeros > 0) ++section.intZeros;
            }
        } else if (c == '.' && !section.scientific) {
            afterPoint = true;
            seenDigit = true;
        } else if (c == ',' && !afterPoint && !section.scientific) {
            section.thousands = true;
        } else if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') &&
                   seenDigit && !section.scientific) {
            section.scientific = true;
            section.expChar = c;
            section.expPlus = s[i + 1] == '+';
            i += 1;
            while (i + 1 < s.size() && s[i + 1] == '0') {
                ++section.expDigits;
                ++i;
            }
        } else {
            literal += c;
        }
    }
    return section;
}

AnsiString Group(const AnsiString& digits, char separator) {
    AnsiString out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += separator;
        out += digits[static_cast<size_t>(i)];
    }
    return out;
}

// Digits of |value| with `decimals` places, trailing zeros cut down to `keep` places.
void FixedParts(double value, int decimals, int keep, AnsiString& intPart, AnsiString& fracPart) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::fabs(value));
    AnsiString text = buffer;
    size_t point = text.find('.');
    intPart = text.substr(0, point);
    fracPart = point == AnsiString::npos ? AnsiString() : text.substr(point + 1);
    while (static_cast<int>(fracPart.size()) > keep && fracPart.back() == '0')
        fracPart.pop_back();
}

AnsiString Apply(const TSection& s, double value, const TFormatSettings& fs) {
    AnsiString intPart, fracPart, exponent;
    if (s.scientific) {
        int exp10 = 0;
        double m = std::fabs(value);
        int intCount = std::max(s.intDigits, 1);
        if (m != 0) {
            exp10 = static_cast<int>(std::floor(std::log10(m))) - (intCount - 1);
            m /= std::pow(10.0, exp10);
            FixedParts(m, s.fracDigits, s.fracZeros, intPart, fracPart);
            if (static_cast<int>(intPart.size()) > intCount) { // rounding carried into a new digit
                ++exp10;
                m /= 10;
                FixedParts(m, s.fracDigits, s.fracZeros, intPart, fracPart);
            }
        } else {
            FixedParts(0, s.fracDigits, s.fracZeros, intPart, fracPart);
        }
        AnsiString digits = std::to_string(std::abs(exp10));
        while (static_cast<int>(digits.size()) < s.expDigits)
            digits.insert(0, 1, '0');
        exponent += s.expChar;
        if (exp10 < 0) exponent += '-';
        else if (s.expPlus) exponent += '+';
        exponent += digits;
    } else {
        FixedParts(value, s.fracDigits, s.fracZeros, intPart, fracPart);
    }
    size_t nonZero = intPart.find_first_not_of('0');
    intPart = nonZero == AnsiString::npos ? AnsiString() : intPart.substr(nonZero);
    while (static_cast<int>(intPart.size()) < s.intZeros)
        intPart.insert(0, 1, '0');
    if (s.thousands) intPart = Group(intPart, fs.ThousandSeparator);
    AnsiString number = intPart;
    if (!fracPart.empty()) number.append(1, fs.DecimalSeparator).append(fracPart);
    return s.prefix + number + exponent + s.suffix;
}
} // namespace

AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& fs) {
    if (format.empty() || std::isnan(value) || std::isinf(value)) return FloatToStr(value, fs);
    std::vector<std::string_view> sections = SplitSections(format);
    size_t index = 0;
    bool negative = value < 0;
    if (value == 0 && sections.size() >= 3 && !sections[2].empty()) index = 2;
    else if (negative && sections.size() >= 2 && !sections[1].empty()) index = 1;
    TSection section = ParseSection(sections[index]);
    AnsiString text = Apply(section, value, fs);
    // The first section carries the sign itself, unless the value rounds to zero.
    if (negative && index == 0) {
        bool allZero = text.find_first_of("123456789") == AnsiString::npos;
        if (!allZero) text.insert(0, 1, '-');
    }
    return text;
}

AnsiString FormatFloat(std::string_view format, double value) {
    return FormatFloat(format, value, FormatSettings());
}
