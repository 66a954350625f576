#include "platform/core/Bcd.h"

#include "platform/core/Exceptions.h"

TBcdRecord BcdToRecord(const TBcd& value) {
    const AnsiString& text = value.Text();
    size_t i = 0;
    bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    AnsiString intDigits, fracDigits;
    size_t point = text.find('.', i);
    intDigits = text.substr(i, point == AnsiString::npos ? AnsiString::npos : point - i);
    if (point != AnsiString::npos) fracDigits = text.substr(point + 1);
    if (intDigits == "0") intDigits.clear();
    AnsiString digits = intDigits + fracDigits;
    if (digits.empty()) digits = "0";
    if (digits.size() > 64) throw EConvertError("BCD overflow");
    TBcdRecord record;
    record.Precision = static_cast<uint8_t>(digits.size());
    record.SignSpecialPlaces = static_cast<uint8_t>(fracDigits.size() | (negative ? 0x80 : 0));
    for (size_t d = 0; d < digits.size(); ++d) {
        uint8_t nibble = static_cast<uint8_t>(digits[d] - '0');
        record.Fraction[d / 2] |= static_cast<uint8_t>(d % 2 == 0 ? nibble << 4 : nibble);
    }
    return record;
}

TBcd RecordToBcd(const TBcdRecord& record) {
    int precision = record.Precision;
    int places = record.SignSpecialPlaces & 0x3F;
    if (precision < 1 || precision > 64 || places > precision) throw EConvertError("Invalid BCD value");
    AnsiString digits;
    for (int d = 0; d < precision; ++d) {
        uint8_t b = record.Fraction[d / 2];
        int nibble = d % 2 == 0 ? b >> 4 : b & 0x0F;
        if (nibble > 9) throw EConvertError("Invalid BCD value");
        digits += static_cast<char>('0' + nibble);
    }
    AnsiString intPart = digits.substr(0, static_cast<size_t>(precision - places));
    AnsiString text = (record.SignSpecialPlaces & 0x80) ? "-" : "";
    text += intPart.empty() ? "0" : intPart;
    if (places > 0) text += "." + digits.substr(static_cast<size_t>(precision - places));
    return TBcd::FromString(text);
}

AnsiString BcdRecordToStr(const TBcdRecord& record, const TFormatSettings& fs) {
    AnsiString text = RecordToBcd(record).Text();
    for (char& c : text)
        if (c == '.') c = fs.DecimalSeparator;
    return text;
}

TBcdRecord StrToBcdRecord(const AnsiString& text) {
    return BcdToRecord(TBcd::FromString(text));
}
