#pragma once
// Variant: a value that carries its own type code, with the platform's variant type codes and
// its conversion rules. A failed conversion raises EConvertError: EVariantTypeCastError when the
// value has no meaning in the type asked for, plain EConvertError when it is out of its range.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <variant>
#include <vector>

#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Strings.h"

VZ_EXCEPTION_CLASS(EVariantTypeCastError, EConvertError);
VZ_EXCEPTION_CLASS(EVariantBadIndexError, Exception);

using TVarType = uint16_t;
using TBytes = std::vector<uint8_t>;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varString = 0x0100;
// Custom kinds: decimal (BCD) and SQL time stamp values.
constexpr TVarType varSQLTimeStamp = 0x010F;
constexpr TVarType varFMTBcd = 0x0110;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// Currency: fixed point with four decimals, kept as the scaled 64-bit integer.
struct Currency {
    int64_t Value = 0; // value x 10000
    static Currency FromDouble(double value);
    static Currency FromScaled(int64_t scaled) { return Currency{scaled}; }
    double ToDouble() const { return static_cast<double>(Value) / 10000.0; }
    bool operator==(const Currency&) const = default;
};

// Decimal value of up to 64 significant digits, kept as canonical text: optional '-', digits,
// optionally '.' and digits (no trailing fraction zeros, no leading zeros but one before '.').
class TBcd {
public:
    TBcd() : text_("0") {}
    // Accepts '.' or the locale decimal separator; raises EConvertError for anything else.
    static TBcd FromString(const AnsiString& text);
    static bool TryFromString(const AnsiString& text, TBcd& result);
    static TBcd FromDouble(double value);
    static TBcd FromInt64(int64_t value);
    static TBcd FromCurrency(Currency value);
    // Canonical text with '.'.
    const AnsiString& Text() const { return text_; }
    // Text with the locale decimal separator.
    AnsiString ToString() const;
    double ToDouble() const;
    Currency ToCurrency() const; // rounded to four decimals
    int Precision() const;       // significant digits
    int Scale() const;           // digits after the point
    bool IsNegative() const { return !text_.empty() && text_[0] == '-'; }
    // -1, 0 or 1.
    static int Compare(const TBcd& a, const TBcd& b);
    bool operator==(const TBcd& other) const { return text_ == other.text_; }

private:
    AnsiString text_;
};

// Bounds of one dimension of a Variant array (both inclusive).
struct TVarArrayBound {
    int LowBound = 0;
    int HighBound = -1;
};

struct TVarArrayData;

class Variant {
public:
    Variant() = default;
    Variant(bool value);
    Variant(int8_t value);
    Variant(uint8_t value);
    Variant(int16_t value);
    Variant(uint16_t value);
    Variant(int value);
    Variant(unsigned value);
    Variant(long value);
    Variant(unsigned long value);
    Variant(int64_t value);
    Variant(uint64_t value);
    Variant(float value);
    Variant(double value);
    Variant(Currency value);
    Variant(const TBcd& value);
    Variant(const TSQLTimeStamp& value);
    Variant(const char* value);
    Variant(const AnsiString& value);
    Variant(AnsiString&& value);
    Variant(const wchar_t* value);
    Variant(const WideString& value);
    Variant(WideString&& value);
    // Byte array (varArray | varByte).
    Variant(const TBytes& value);
    Variant(TBytes&& value);

    static Variant Null();
    static Variant Empty() { return Variant(); }
    static Variant FromDateTime(TDateTime value);
    // Integer kept under an explicit integer code (varSmallint ... varInt64).
    static Variant FromInteger(int64_t value, TVarType type);
    // Empty byte array (no data) and a byte array over bytes.
    static Variant FromBytes(const void* data, size_t count);
    // Array of Variants (varArray | varVariant), all elements Empty; one bound pair per dimension.
    static Variant CreateArray(const std::vector<TVarArrayBound>& bounds);

    TVarType VarType() const { return type_; }
    bool IsEmpty() const { return type_ == varEmpty; }
    bool IsNull() const { return type_ == varNull; }
    bool IsEmptyOrNull() const { return type_ <= varNull; }
    bool IsString() const { return type_ == varString || type_ == varOleStr; }
    bool IsOrdinal() const;
    bool IsFloat() const;
    bool IsNumeric() const; // ordinal, float, currency, bcd
    bool IsByteArray() const { return type_ == (varArray | varByte); }
    bool IsVariantArray() const { return type_ == (varArray | varVariant); }

    // Conversions; each raises EConvertError when the value has no such meaning.
    bool AsBoolean() const;
    int AsInteger() const;
    int64_t AsInt64() const;
    double AsDouble() const;
    Currency AsCurrency() const;
    TDateTime AsDateTime() const;
    TBcd AsBcd() const;
    TSQLTimeStamp AsSQLTimeStamp() const;
    AnsiString AsAnsiString() const;
    WideString AsWideString() const;
    // Byte array contents; a string gives its bytes (a wide string its UTF-16 code units).
    TBytes AsBytes() const;
    // The stored byte array (varArray | varByte only; else EConvertError).
    const TBytes& Bytes() const;
    TBytes& Bytes();
    // Dimensions of an array (a byte array has one, from 0); 0 for any other value.
    int ArrayDimCount() const;
    // Bounds of dimension 1 .. ArrayDimCount (EVariantBadIndexError for another dimension).
    TVarArrayBound ArrayBounds(int dim) const;
    // Element of a one-dimensional array by its index within the bounds (EVariantBadIndexError
    // outside them); a byte array gives its byte as a Byte.
    Variant ArrayGet(int index) const;
    // Element of a one-dimensional Variant array, in place.
    const Variant& ArrayItem(int index) const;
    Variant& ArrayItem(int index);
    // Every element of a Variant array, the first dimension changing slowest.
    const std::vector<Variant>& ArrayItems() const;

    // Same value converted to another variant type (EConvertError when impossible).
    Variant ChangeType(TVarType type) const;

    // Equality of the platform: numbers by value, strings by their characters, a string against
    // a number as numbers when the string is one; Null equals only Null.
    bool operator==(const Variant& other) const;
    bool operator!=(const Variant& other) const { return !(*this == other); }
    // Ordering of the platform, -1, 0 or 1: Null below every other value, Empty as 0 or the empty
    // text, texts by the locale, a text against a number or a date as one; Booleans False below
    // True. Values that cannot be compared (a text that is no number against a number, arrays)
    // raise EVariantTypeCastError.
    int Compare(const Variant& other) const;
    bool operator<(const Variant& other) const { return Compare(other) < 0; }

    // Name of a type code ("Integer", "String", ...).
    static AnsiString TypeName(TVarType type);

private:
    using Payload = std::variant<std::monostate, int64_t, double, bool, AnsiString, WideString, TBytes, TBcd,
                                 TSQLTimeStamp, std::shared_ptr<TVarArrayData>>;
    [[noreturn]] void CastError(TVarType to) const;
    const TVarArrayData& ArrayData() const;
    TVarArrayData& MutableArrayData(); // own copy before a change
    TVarType type_ = varEmpty;
    Payload value_;
};

// Free helpers with the platform's names.
inline TVarType VarType(const Variant& v) {
    return v.VarType();
}
inline bool VarIsNull(const Variant& v) {
    return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
    return v.IsEmpty();
}
inline bool VarIsStr(const Variant& v) {
    return v.IsString();
}
inline bool VarIsArray(const Variant& v) {
    return (v.VarType() & varArray) != 0;
}
// Variant arrays with the platform's names: bounds as low, high pairs per dimension; only
// varVariant elements (byte arrays come from TBytes).
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType);
// One-dimensional array 0..n-1 of the values.
Variant VarArrayOf(std::initializer_list<Variant> values);
inline int VarArrayDimCount(const Variant& v) {
    return v.ArrayDimCount();
}
inline int VarArrayLowBound(const Variant& v, int dim) {
    return v.ArrayBounds(dim).LowBound;
}
inline int VarArrayHighBound(const Variant& v, int dim) {
    return v.ArrayBounds(dim).HighBound;
}
// Text of a value; Null and Empty give an empty text.
AnsiString VarToStr(const Variant& v);
WideString VarToWideStr(const Variant& v);
inline Variant Null() {
    return Variant::Null();
}
inline Variant Unassigned() {
    return Variant();
}

// Number parsing and formatting by the platform's rules (locale decimal separator).
bool TryStrToFloat(const AnsiString& text, double& value, const TFormatSettings& fs);
// Shortest text of up to 15 significant digits, as the platform prints a double.
AnsiString FloatToStr(double value, const TFormatSettings& fs);
AnsiString FloatToStr(double value);
// The same form with up to `precision` significant digits (15 above; 17 tell every double apart).
AnsiString FloatToStrPrecision(double value, int precision, const TFormatSettings& fs);

struct TVarArrayData {
    std::vector<TVarArrayBound> Bounds;
    std::vector<Variant> Items;
};
