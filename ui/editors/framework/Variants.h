#pragma once
// Comparison of editor values (Variants), their classification, and the tagged stream form in
// which a Variant, and the plain typed values of the value types, are written and read.
#include <cstdint>

#include "platform/core/Streams.h"
#include "platform/core/Variant.h"

// Empty below everything, Null below every other value, arrays above non-arrays; values the
// platform cannot compare answer -1 in both orders. Below 0, 0 or above 0.
int CompareVariants(const Variant& a, const Variant& b);
inline bool VariantsEqual(const Variant& a, const Variant& b) {
    return CompareVariants(a, b) == 0;
}
// A Boolean against a non-Null value compares as text.
bool VarEqualsForEdit(const Variant& a, const Variant& b);

bool VarHoldsDate(const Variant& v);
bool VarIsNumericOrBcd(const Variant& v);
bool VarIsNullOrEmptyStr(const Variant& v);

// One tag byte and its data. Arrays of one dimension only; a value without a form of its own is
// written as its text. EWriteError "Stream write error" for what cannot be written.
void WriteVariantToStream(TStream* stream, const Variant& value);
// EReadError "Stream read error" for an unknown tag, a count that is negative or whose data
// cannot fit in what is left of the stream (checked before anything is allocated), or arrays
// nested deeper than VariantStreamMaxDepth; the stream's own error past its end.
Variant ReadVariantFromStream(TStream* stream);
constexpr int VariantStreamMaxDepth = 1000;

// Typed values without a tag: Boolean 1 byte, Smallint and Word 2, Integer 4, Int64, Currency and
// date-time (a double) 8, float 10 (80-bit extended); strings as a 4-byte count and the ANSI
// bytes or UTF-16 code units.
bool ReadBooleanFunc(TStream* stream);
int16_t ReadSmallIntFunc(TStream* stream);
uint16_t ReadWordFunc(TStream* stream);
int32_t ReadIntegerFunc(TStream* stream);
int64_t ReadLargeIntFunc(TStream* stream);
Currency ReadCurrencyFunc(TStream* stream);
TDateTime ReadDateTimeFunc(TStream* stream);
long double ReadFloatFunc(TStream* stream);
AnsiString ReadAnsiStringFunc(TStream* stream);
WideString ReadWideStringFunc(TStream* stream);

void WriteBooleanProc(TStream* stream, bool value);
void WriteSmallIntProc(TStream* stream, int16_t value);
void WriteWordProc(TStream* stream, uint16_t value);
void WriteIntegerProc(TStream* stream, int32_t value);
void WriteLargeIntProc(TStream* stream, int64_t value);
void WriteCurrencyProc(TStream* stream, Currency value);
void WriteDateTimeProc(TStream* stream, TDateTime value);
void WriteFloatProc(TStream* stream, long double value);
void WriteAnsiStringProc(TStream* stream, const AnsiString& value);
void WriteWideStringProc(TStream* stream, const WideString& value);
