#pragma once
// The 34-byte binary-coded decimal record that record buffers keep for decimals of any precision:
// the digit count, a byte with the sign (bit 7) and the decimal places (bits 0-5), then up to 64
// digits packed two to a byte, high nibble first. Conversions go through the TBcd value of
// Variant.h.
#include <cstdint>

#include "platform/core/Exceptions.h"
#include "platform/core/Variant.h"

#pragma pack(push, 1)
struct TBcdRecord {
    uint8_t Precision = 1;
    uint8_t SignSpecialPlaces = 0;
    uint8_t Fraction[32] = {};
};
#pragma pack(pop)
static_assert(sizeof(TBcdRecord) == 34);

// Raises EConvertError "BCD overflow" when the value needs more than 64 digits.
TBcdRecord BcdToRecord(const TBcd& value);
// Raises EConvertError "Invalid BCD value" for a record with bad digits or sizes.
TBcd RecordToBcd(const TBcdRecord& record);
// Text with the settings' decimal separator, and back (either separator is accepted).
AnsiString BcdRecordToStr(const TBcdRecord& record, const TFormatSettings& fs);
TBcdRecord StrToBcdRecord(const AnsiString& text);
