#include "platform/core/Variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/core/Exceptions.h"

// ---- number text -----------------------------------------------------------------------------

bool TryStrToFloat(const AnsiString& text, double& value, const TFormatSettings& fs) {
    AnsiString s = Trim(text);
    if (s.empty()) return false;
    // Only the locale decimal separator (and digits, sign, exponent) are accepted.
    AnsiString c;
    c.reserve(s.size());
    bool digits = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char ch = s[i];
        if (ch >= '0' && ch <= '9') {
            digits = true;
            c += ch;
        } else if (ch == fs.DecimalSeparator) {
            c += '.';
        } else if (ch == '+' || ch == '-' || ch == 'e' || ch == 'E') {
            c += ch;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    char* end = nullptr;
    double v = std::strtod(c.c_str(), &end);
    if (!end || *end != '\0' || !std::isfinite(v)) return false;
    value = v;
    return true;
}

AnsiString FloatToStr(double value, const TFormatSettings& fs) {
    return FloatToStrPrecision(value, 15, fs);
}

AnsiString FloatToStrPrecision(double value, int precision, const TFormatSettings& fs) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", precision, value);
    AnsiString s = buffer;
    // "1.5E+020" style exponents: sign and at least two digits, as the platform prints them.
    size_t e = s.find('E');
    AnsiString mantissa = e == AnsiString::npos ? s : s.substr(0, e);
    AnsiString exponent;
    if (e != AnsiString::npos) {
        int ex = std::atoi(s.c_str() + e + 1);
        char eb[16];
        std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', std::abs(ex));
        exponent = eb;
    }
    for (char& ch : mantissa)
        if (ch == '.') ch = fs.DecimalSeparator;
    return mantissa + exponent;
}

AnsiString FloatToStr(double value) {
    return FloatToStr(value, FormatSettings());
}

// ---- Currency --------------------------------------------------------------------------------

Currency Currency::FromDouble(double value) {
    double scaled = std::nearbyint(value * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2233720368547758e18)
        throw EConvertError("Currency value out of range");
    return Currency{static_cast<int64_t>(scaled)};
}

// ---- TBcd ------------------------------------------------------------------------------------

namespace {

// Canonical decimal text; false when the text is no plain decimal number.
bool Canonical(const AnsiString& text, char separator, AnsiString& out) {
    AnsiString s = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    AnsiString intPart, fracPart;
    bool point = false;
    for (; i < s.size(); ++i) {
        char ch = s[i];
        if (ch >= '0' && ch <= '9') {
            (point ? fracPart : intPart) += ch;
        } else if ((ch == separator || ch == '.') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (intPart.empty() && fracPart.empty()) return false;
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == AnsiString::npos ? "0" : intPart.substr(nz);
    while (!fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    if (intPart.size() + fracPart.size() > 64) return false;
    out = (negative && !(intPart == "0" && fracPart.empty()) ? "-" : "") + intPart;
    if (!fracPart.empty()) out += "." + fracPart;
    return true;
}

} // namespace

bool TBcd::TryFromString(const AnsiString& text, TBcd& result) {
    AnsiString c;
    if (!Canonical(text, FormatSettings().DecimalSeparator, c)) return false;
    result.text_ = c;
    return true;
}

TBcd TBcd::FromString(const AnsiString& text) {
    TBcd r;
    if (!TryFromString(text, r)) throw EConvertError("'" + text + "' is not a valid BCD value");
    return r;
}

TBcd TBcd::FromDouble(double value) {
    if (!std::isfinite(value)) throw EConvertError("Invalid BCD value");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    AnsiString s = buffer;
    if (s.find('e') != AnsiString::npos) {
        std::snprintf(buffer, sizeof buffer, "%.20f", value);
        s = buffer;
    }
    TBcd r;
    if (!Canonical(s, '.', r.text_)) throw EConvertError("Invalid BCD value");
    return r;
}

TBcd TBcd::FromInt64(int64_t value) {
    TBcd r;
    r.text_ = std::to_string(value);
    return r;
}

TBcd TBcd::FromCurrency(Currency value) {
    int64_t v = value.Value;
    bool negative = v < 0;
    uint64_t a = negative ? static_cast<uint64_t>(-(v + 1)) + 1 : static_cast<uint64_t>(v);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", negative ? "-" : "", a / 10000ULL, a % 10000ULL);
    TBcd r;
    Canonical(buffer, '.', r.text_);
    return r;
}

AnsiString TBcd::ToString() const {
    AnsiString s = text_;
    for (char& ch : s)
        if (ch == '.') ch = FormatSettings().DecimalSeparator;
    return s;
}

double TBcd::ToDouble() const {
    return std::strtod(text_.c_str(), nullptr);
}

Currency TBcd::ToCurrency() const {
    // Exact for values in the currency's range: integer part and four decimals, the fifth
    // rounding half away from zero. The magnitude is built unsigned (15 digits and a carry stay
    // below 2^64) and checked against the range before it takes its sign, -2^63 included.
    const bool negative = IsNegative();
    size_t start = negative ? 1 : 0;
    size_t point = text_.find('.');
    AnsiString intPart = text_.substr(start, point == AnsiString::npos ? AnsiString::npos : point - start);
    AnsiString frac = point == AnsiString::npos ? "" : text_.substr(point + 1);
    if (intPart.size() > 15) throw EConvertError("BCD overflow");
    uint64_t whole = std::strtoull(intPart.c_str(), nullptr, 10);
    AnsiString four = (frac + "0000").substr(0, 4);
    uint64_t part = std::strtoull(four.c_str(), nullptr, 10);
    if (frac.size() > 4 && frac[4] >= '5') ++part;
    const uint64_t magnitude = whole * 10000 + part;
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit) throw EConvertError("BCD overflow");
    return Currency{static_cast<int64_t>(negative ? 0 - magnitude : magnitude)};
}

int TBcd::Precision() const {
    int n = 0;
    for (char ch : text_)
        if (ch >= '0' && ch <= '9') ++n;
    return n;
}

int TBcd::Scale() const {
    size_t point = text_.find('.');
    return point == AnsiString::npos ? 0 : static_cast<int>(text_.size() - point - 1);
}

int TBcd::Compare(const TBcd& a, const TBcd& b) {
    if (a.IsNegative() != b.IsNegative()) return a.IsNegative() ? -1 : 1;
    const int sign = a.IsNegative() ? -1 : 1;
    auto split = [](const AnsiString& t, AnsiString& i, AnsiString& f) {
        size_t start = (!t.empty() && t[0] == '-') ? 1 : 0;
        size_t p = t.find('.');
        i = t.substr(start, p == AnsiString::npos ? AnsiString::npos : p - start);
        f = p == AnsiString::npos ? "" : t.substr(p + 1);
    };
    AnsiString ai, af, bi, bf;
    split(a.text_, ai, af);
    split(b.text_, bi, bf);
    int c = 0;
    if (ai.size() != bi.size())
        c = ai.size() < bi.size() ? -1 : 1;
    else if (ai != bi)
        c = ai < bi ? -1 : 1;
    else {
        size_t n = std::max(af.size(), bf.size());
        af.resize(n, '0');
        bf.resize(n, '0');
        c = af == bf ? 0 : (af < bf ? -1 : 1);
    }
    return c * sign;
}

// ---- Variant ---------------------------------------------------------------------------------

Variant::Variant(bool value) : type_(varBoolean), value_(value) {}
Variant::Variant(int8_t value) : type_(varShortInt), value_(static_cast<int64_t>(value)) {}
Variant::Variant(uint8_t value) : type_(varByte), value_(static_cast<int64_t>(value)) {}
Variant::Variant(int16_t value) : type_(varSmallint), value_(static_cast<int64_t>(value)) {}
Variant::Variant(uint16_t value) : type_(varWord), value_(static_cast<int64_t>(value)) {}
Variant::Variant(int value) : type_(varInteger), value_(static_cast<int64_t>(value)) {}
Variant::Variant(unsigned value) : type_(varLongWord), value_(static_cast<int64_t>(value)) {}
Variant::Variant(long value) : type_(varInteger), value_(static_cast<int64_t>(value)) {}
Variant::Variant(unsigned long value) : type_(varLongWord), value_(static_cast<int64_t>(value)) {}
Variant::Variant(int64_t value) : type_(varInt64), value_(value) {}
Variant::Variant(uint64_t value) : type_(varInt64), value_(static_cast<int64_t>(value)) {
    if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        throw EConvertError("Variant overflow");
}
Variant::Variant(float value) : type_(varSingle), value_(static_cast<double>(value)) {}
Variant::Variant(double value) : type_(varDouble), value_(value) {}
Variant::Variant(Currency value) : type_(varCurrency), value_(value.Value) {}
Variant::Variant(const TBcd& value) : type_(varFMTBcd), value_(value) {}
Variant::Variant(const TSQLTimeStamp& value) : type_(varSQLTimeStamp), value_(value) {}
Variant::Variant(const char* value) : type_(varString), value_(AnsiString(value ? value : "")) {}
Variant::Variant(const AnsiString& value) : type_(varString), value_(value) {}
Variant::Variant(AnsiString&& value) : type_(varString), value_(std::move(value)) {}
Variant::Variant(const wchar_t* value) : type_(varOleStr), value_(WideString(value ? value : L"")) {}
Variant::Variant(const WideString& value) : type_(varOleStr), value_(value) {}
Variant::Variant(WideString&& value) : type_(varOleStr), value_(std::move(value)) {}
Variant::Variant(const TBytes& value) : type_(varArray | varByte), value_(value) {}
Variant::Variant(TBytes&& value) : type_(varArray | varByte), value_(std::move(value)) {}

Variant Variant::Null() {
    Variant v;
    v.type_ = varNull;
    return v;
}

Variant Variant::FromDateTime(TDateTime value) {
    Variant v(value);
    v.type_ = varDate;
    return v;
}

Variant Variant::FromInteger(int64_t value, TVarType type) {
    Variant v(value);
    switch (type) {
    case varShortInt:
        if (value < -128 || value > 127) throw EConvertError("Variant overflow");
        break;
    case varByte:
        if (value < 0 || value > 255) throw EConvertError("Variant overflow");
        break;
    case varSmallint:
        if (value < -32768 || value > 32767) throw EConvertError("Variant overflow");
        break;
    case varWord:
        if (value < 0 || value > 65535) throw EConvertError("Variant overflow");
        break;
    case varInteger:
        if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
            throw EConvertError("Variant overflow");
        break;
    case varLongWord:
        if (value < 0 || value > 0xFFFFFFFFLL) throw EConvertError("Variant overflow");
        break;
    case varInt64:
        break;
    default:
        throw EConvertError("Invalid variant type");
    }
    v.type_ = type;
    return v;
}

Variant Variant::FromBytes(const void* data, size_t count) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return Variant(TBytes(p, p + (p ? count : 0)));
}

Variant Variant::CreateArray(const std::vector<TVarArrayBound>& bounds) {
    auto data = std::make_shared<TVarArrayData>();
    size_t count = bounds.size() ? 1 : 0;
    for (const TVarArrayBound& b : bounds) {
        if (b.HighBound < b.LowBound - 1) throw EVariantBadIndexError("Variant array bounds are invalid");
        count *= static_cast<size_t>(static_cast<int64_t>(b.HighBound) - b.LowBound + 1);
        data->Bounds.push_back(b);
    }
    data->Items.resize(count);
    Variant v;
    v.type_ = varArray | varVariant;
    v.value_ = std::move(data);
    return v;
}

const TVarArrayData& Variant::ArrayData() const {
    if (!IsVariantArray()) CastError(varArray | varVariant);
    return *std::get<std::shared_ptr<TVarArrayData>>(value_);
}

TVarArrayData& Variant::MutableArrayData() {
    if (!IsVariantArray()) CastError(varArray | varVariant);
    auto& data = std::get<std::shared_ptr<TVarArrayData>>(value_);
    if (data.use_count() > 1) data = std::make_shared<TVarArrayData>(*data);
    return *data;
}

int Variant::ArrayDimCount() const {
    if (IsByteArray()) return 1;
    return IsVariantArray() ? static_cast<int>(ArrayData().Bounds.size()) : 0;
}

TVarArrayBound Variant::ArrayBounds(int dim) const {
    if (dim < 1 || dim > ArrayDimCount()) throw EVariantBadIndexError("Variant array dimension out of range");
    if (IsByteArray()) return {0, static_cast<int>(Bytes().size()) - 1};
    return ArrayData().Bounds[static_cast<size_t>(dim - 1)];
}

namespace {
size_t ItemOffset(const TVarArrayBound& bounds, int index) {
    if (index < bounds.LowBound || index > bounds.HighBound)
        throw EVariantBadIndexError("Variant or safe array index out of bounds");
    return static_cast<size_t>(static_cast<int64_t>(index) - bounds.LowBound);
}
} // namespace

Variant Variant::ArrayGet(int index) const {
    if (ArrayDimCount() != 1) throw EVariantBadIndexError("Variant array dimension out of range");
    if (IsByteArray()) return Variant(Bytes()[ItemOffset(ArrayBounds(1), index)]);
    return ArrayItem(index);
}

const Variant& Variant::ArrayItem(int index) const {
    const TVarArrayData& data = ArrayData();
    if (data.Bounds.size() != 1) throw EVariantBadIndexError("Variant array dimension out of range");
    return data.Items[ItemOffset(data.Bounds[0], index)];
}

Variant& Variant::ArrayItem(int index) {
    TVarArrayData& data = MutableArrayData();
    if (data.Bounds.size() != 1) throw EVariantBadIndexError("Variant array dimension out of range");
    return data.Items[ItemOffset(data.Bounds[0], index)];
}

const std::vector<Variant>& Variant::ArrayItems() const {
    return ArrayData().Items;
}

Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType) {
    if (elementType != varVariant) throw EVariantTypeCastError("Variant arrays hold only Variants");
    if (bounds.size() == 0 || bounds.size() % 2 != 0)
        throw EVariantBadIndexError("Variant array bounds are invalid");
    std::vector<TVarArrayBound> pairs;
    for (auto it = bounds.begin(); it != bounds.end(); it += 2)
        pairs.push_back({it[0], it[1]});
    return Variant::CreateArray(pairs);
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
    Variant v = Variant::CreateArray({{0, static_cast<int>(values.size()) - 1}});
    int i = 0;
    for (const Variant& value : values)
        v.ArrayItem(i++) = value;
    return v;
}

bool Variant::IsOrdinal() const {
    switch (type_) {
    case varSmallint:
    case varInteger:
    case varBoolean:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

bool Variant::IsFloat() const {
    return type_ == varSingle || type_ == varDouble || type_ == varDate;
}

bool Variant::IsNumeric() const {
    return (IsOrdinal() && type_ != varBoolean) || type_ == varSingle || type_ == varDouble ||
           type_ == varCurrency || type_ == varFMTBcd;
}

AnsiString Variant::TypeName(TVarType type) {
    switch (type) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varSmallint:
        return "Smallint";
    case varInteger:
        return "Integer";
    case varSingle:
        return "Single";
    case varDouble:
        return "Double";
    case varCurrency:
        return "Currency";
    case varDate:
        return "Date";
    case varOleStr:
        return "OleStr";
    case varBoolean:
        return "Boolean";
    case varVariant:
        return "Variant";
    case varShortInt:
        return "ShortInt";
    case varByte:
        return "Byte";
    case varWord:
        return "Word";
    case varLongWord:
        return "LongWord";
    case varInt64:
        return "Int64";
    case varString:
        return "String";
    case varSQLTimeStamp:
        return "SQLTimeStamp";
    case varFMTBcd:
        return "FMTBcd";
    case varArray | varByte:
        return "Array Byte";
    case varArray | varVariant:
        return "Array Variant";
    default:
        return "Unknown";
    }
}

void Variant::CastError(TVarType to) const {
    throw EVariantTypeCastError("Could not convert variant of type (" + TypeName(type_) + ") into type (" +
                                TypeName(to) + ")");
}

namespace {
// Rounded to the nearest integer; outside the 64-bit range (or not finite) an overflow.
int64_t RoundToInt64(double value) {
    double d = std::nearbyint(value);
    if (!std::isfinite(d) || d < -9.2233720368547758e18 || d >= 9.2233720368547758e18)
        throw EConvertError("Variant overflow");
    return static_cast<int64_t>(d);
}
} // namespace

int64_t Variant::AsInt64() const {
    switch (type_) {
    case varEmpty:
        return 0;
    case varBoolean:
        return std::get<bool>(value_) ? -1 : 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return std::get<int64_t>(value_);
    case varSingle:
    case varDouble:
    case varDate:
        return RoundToInt64(std::get<double>(value_));
    case varCurrency: {
        int64_t v = std::get<int64_t>(value_);
        return static_cast<int64_t>(std::nearbyint(static_cast<double>(v) / 10000.0));
    }
    case varFMTBcd:
        // A decimal may hold up to 64 digits: past the 64-bit range it overflows like a double.
        return RoundToInt64(std::get<TBcd>(value_).ToDouble());
    case varString:
    case varOleStr: {
        AnsiString s = AsAnsiString();
        int64_t v;
        if (TryStrToInt64(s, v)) return v;
        double d;
        if (TryStrToFloat(s, d, FormatSettings()) && std::fabs(d) < 9.2233720368547758e18)
            return static_cast<int64_t>(std::nearbyint(d));
        throw EVariantTypeCastError("'" + s + "' is not a valid integer value");
    }
    default:
        CastError(varInt64);
    }
}

int Variant::AsInteger() const {
    int64_t v = AsInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > 0xFFFFFFFFLL) throw EConvertError("Variant overflow");
    return static_cast<int>(static_cast<int32_t>(v));
}

double Variant::AsDouble() const {
    switch (type_) {
    case varEmpty:
        return 0;
    case varSingle:
    case varDouble:
    case varDate:
        return std::get<double>(value_);
    case varCurrency:
        return static_cast<double>(std::get<int64_t>(value_)) / 10000.0;
    case varFMTBcd:
        return std::get<TBcd>(value_).ToDouble();
    case varSQLTimeStamp:
        return SQLTimeStampToDateTime(std::get<TSQLTimeStamp>(value_));
    case varString:
    case varOleStr: {
        AnsiString s = AsAnsiString();
        double d;
        if (TryStrToFloat(s, d, FormatSettings())) return d;
        throw EVariantTypeCastError("'" + s + "' is not a valid floating point value");
    }
    default:
        if (IsOrdinal()) return static_cast<double>(AsInt64());
        CastError(varDouble);
    }
}

bool Variant::AsBoolean() const {
    switch (type_) {
    case varEmpty:
        return false;
    case varBoolean:
        return std::get<bool>(value_);
    case varString:
    case varOleStr: {
        AnsiString s = Trim(AsAnsiString());
        if (SameText(s, "True")) return true;
        if (SameText(s, "False")) return false;
        double d;
        if (TryStrToFloat(s, d, FormatSettings())) return d != 0;
        throw EVariantTypeCastError("'" + s + "' is not a valid boolean value");
    }
    default:
        if (IsNumeric() || type_ == varDate) return AsDouble() != 0;
        CastError(varBoolean);
    }
}

Currency Variant::AsCurrency() const {
    if (type_ == varCurrency) return Currency{std::get<int64_t>(value_)};
    if (type_ == varFMTBcd) return std::get<TBcd>(value_).ToCurrency();
    if (IsOrdinal() && type_ != varBoolean) {
        int64_t v = AsInt64();
        if (v > 922337203685477LL || v < -922337203685477LL) throw EConvertError("Variant overflow");
        return Currency{v * 10000};
    }
    if (IsString()) {
        TBcd b;
        if (TBcd::TryFromString(AsAnsiString(), b)) return b.ToCurrency();
    }
    return Currency::FromDouble(AsDouble());
}

TDateTime Variant::AsDateTime() const {
    switch (type_) {
    case varDate:
        return std::get<double>(value_);
    case varSQLTimeStamp:
        return SQLTimeStampToDateTime(std::get<TSQLTimeStamp>(value_));
    case varString:
    case varOleStr: {
        AnsiString s = AsAnsiString();
        TDateTime d;
        if (TryStrToDateTime(s, d, FormatSettings())) return d;
        double f;
        if (TryStrToFloat(s, f, FormatSettings())) return f;
        throw EVariantTypeCastError("Could not convert variant of type (String) into type (Date)");
    }
    default:
        if (type_ == varEmpty || IsNumeric()) return AsDouble();
        CastError(varDate);
    }
}

TBcd Variant::AsBcd() const {
    switch (type_) {
    case varFMTBcd:
        return std::get<TBcd>(value_);
    case varCurrency:
        return TBcd::FromCurrency(Currency{std::get<int64_t>(value_)});
    case varString:
    case varOleStr: {
        TBcd b;
        if (!TBcd::TryFromString(AsAnsiString(), b))
            throw EVariantTypeCastError("'" + AsAnsiString() + "' is not a valid BCD value");
        return b;
    }
    default:
        if (IsOrdinal() && type_ != varBoolean) return TBcd::FromInt64(AsInt64());
        if (type_ == varEmpty) return TBcd();
        if (IsFloat()) return TBcd::FromDouble(AsDouble());
        CastError(varFMTBcd);
    }
}

TSQLTimeStamp Variant::AsSQLTimeStamp() const {
    if (type_ == varSQLTimeStamp) return std::get<TSQLTimeStamp>(value_);
    return DateTimeToSQLTimeStamp(AsDateTime());
}

AnsiString Variant::AsAnsiString() const {
    switch (type_) {
    case varEmpty:
        return {};
    case varString:
        return std::get<AnsiString>(value_);
    case varOleStr:
        return WideToAnsi(std::get<WideString>(value_));
    case varBoolean:
        return std::get<bool>(value_) ? "True" : "False";
    case varSingle:
    case varDouble:
        return FloatToStr(std::get<double>(value_));
    case varDate:
        return DateTimeToStr(std::get<double>(value_));
    case varCurrency:
        return TBcd::FromCurrency(Currency{std::get<int64_t>(value_)}).ToString();
    case varFMTBcd:
        return std::get<TBcd>(value_).ToString();
    case varSQLTimeStamp:
        return DateTimeToStr(SQLTimeStampToDateTime(std::get<TSQLTimeStamp>(value_)));
    default:
        if (IsOrdinal()) return std::to_string(std::get<int64_t>(value_));
        CastError(varString);
    }
}

WideString Variant::AsWideString() const {
    if (type_ == varOleStr) return std::get<WideString>(value_);
    return AnsiToWide(AsAnsiString());
}

TBytes Variant::AsBytes() const {
    switch (type_) {
    case varArray | varByte:
        return std::get<TBytes>(value_);
    case varString: {
        const AnsiString& s = std::get<AnsiString>(value_);
        return TBytes(s.begin(), s.end());
    }
    case varOleStr: {
        const WideString& w = std::get<WideString>(value_);
        const uint8_t* p = reinterpret_cast<const uint8_t*>(w.data());
        return TBytes(p, p + w.size() * sizeof(wchar_t));
    }
    default:
        CastError(varArray | varByte);
    }
}

const TBytes& Variant::Bytes() const {
    if (!IsByteArray()) CastError(varArray | varByte);
    return std::get<TBytes>(value_);
}

TBytes& Variant::Bytes() {
    if (!IsByteArray()) CastError(varArray | varByte);
    return std::get<TBytes>(value_);
}

Variant Variant::ChangeType(TVarType type) const {
    if (type == type_) return *this;
    if (type == varEmpty) return Variant();
    if (type == varNull) return Null();
    // Null converts to nothing but Empty and Null.
    if (IsNull()) CastError(type);
    switch (type) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return FromInteger(AsInt64(), type);
    case varSingle:
        return Variant(static_cast<float>(AsDouble()));
    case varDouble:
        return Variant(AsDouble());
    case varCurrency:
        return Variant(AsCurrency());
    case varDate:
        return FromDateTime(AsDateTime());
    case varBoolean:
        return Variant(AsBoolean());
    case varString:
        return Variant(AsAnsiString());
    case varOleStr:
        return Variant(AsWideString());
    case varFMTBcd:
        return Variant(AsBcd());
    case varSQLTimeStamp:
        return Variant(AsSQLTimeStamp());
    case varArray | varByte:
        return Variant(AsBytes());
    default:
        CastError(type);
    }
}

namespace {
// Equal when both convert by `as` to equal values; a value that does not convert is unequal.
template <typename As> bool EqualAs(const Variant& a, const Variant& b, As as) {
    try {
        auto x = as(a);
        auto y = as(b);
        return x == y;
    } catch (const EConvertError&) {
        return false;
    }
}
} // namespace

bool Variant::operator==(const Variant& other) const {
    if (IsNull() || other.IsNull()) return IsNull() && other.IsNull();
    if (IsEmpty() && other.IsEmpty()) return true;
    if (IsByteArray() || other.IsByteArray())
        return IsByteArray() && other.IsByteArray() && Bytes() == other.Bytes();
    if (IsVariantArray() || other.IsVariantArray()) {
        if (!IsVariantArray() || !other.IsVariantArray()) return false;
        const TVarArrayData& x = ArrayData();
        const TVarArrayData& y = other.ArrayData();
        if (x.Bounds.size() != y.Bounds.size()) return false;
        for (size_t i = 0; i < x.Bounds.size(); ++i)
            if (x.Bounds[i].LowBound != y.Bounds[i].LowBound ||
                x.Bounds[i].HighBound != y.Bounds[i].HighBound)
                return false;
        return x.Items == y.Items;
    }
    if (IsString() && other.IsString()) {
        if (type_ == varOleStr || other.type_ == varOleStr) return AsWideString() == other.AsWideString();
        return std::get<AnsiString>(value_) == std::get<AnsiString>(other.value_);
    }
    if (type_ == varSQLTimeStamp || other.type_ == varSQLTimeStamp || type_ == varDate ||
        other.type_ == varDate) {
        if (IsString() || other.IsString()) {
            // Date against text: compare as dates when the text is one.
            return EqualAs(*this, other, [](const Variant& v) { return v.AsDateTime(); });
        }
        return AsDateTime() == other.AsDateTime();
    }
    // Empty counts as 0 (or as an empty text against a string).
    if (IsEmpty()) return other.IsString() ? other.AsAnsiString().empty() : other.AsDouble() == 0;
    if (other.IsEmpty()) return IsString() ? AsAnsiString().empty() : AsDouble() == 0;
    if (type_ == varFMTBcd || other.type_ == varFMTBcd) return TBcd::Compare(AsBcd(), other.AsBcd()) == 0;
    if (type_ == varCurrency || other.type_ == varCurrency) {
        if (IsFloat() || other.IsFloat()) return AsDouble() == other.AsDouble();
        return AsCurrency() == other.AsCurrency();
    }
    if (IsOrdinal() && other.IsOrdinal()) return AsInt64() == other.AsInt64();
    if (IsString() || other.IsString()) {
        // A string against a number compares as numbers; text that is no number is not equal.
        return EqualAs(*this, other, [](const Variant& v) { return v.AsDouble(); });
    }
    return AsDouble() == other.AsDouble();
}

namespace {
template <typename T> int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}
} // namespace

int Variant::Compare(const Variant& other) const {
    if (IsNull() || other.IsNull()) return Order(IsNull() ? 0 : 1, other.IsNull() ? 0 : 1);
    if ((type_ & varArray) || (other.type_ & varArray))
        ((type_ & varArray) ? *this : other).CastError(varDouble);
    if (IsEmpty() && other.IsEmpty()) return 0;
    if (IsString() && other.IsString()) {
        if (type_ == varOleStr || other.type_ == varOleStr)
            return Order(WideCompareStr(AsWideString(), other.AsWideString()), 0);
        return Order(AnsiCompareStr(std::get<AnsiString>(value_), std::get<AnsiString>(other.value_)), 0);
    }
    if ((IsEmpty() && other.IsString()) || (IsString() && other.IsEmpty()))
        return Order(AsAnsiString(), other.AsAnsiString());
    if (type_ == varSQLTimeStamp || other.type_ == varSQLTimeStamp || type_ == varDate ||
        other.type_ == varDate)
        return Order(AsDateTime(), other.AsDateTime());
    if (type_ == varBoolean && other.type_ == varBoolean)
        return Order(std::get<bool>(value_), std::get<bool>(other.value_));
    if (type_ == varFMTBcd || other.type_ == varFMTBcd) return TBcd::Compare(AsBcd(), other.AsBcd());
    if ((type_ == varCurrency || other.type_ == varCurrency) && !IsFloat() && !other.IsFloat() &&
        !IsString() && !other.IsString())
        return Order(AsCurrency().Value, other.AsCurrency().Value);
    if ((IsOrdinal() || IsEmpty()) && (other.IsOrdinal() || other.IsEmpty()))
        return Order(AsInt64(), other.AsInt64());
    return Order(AsDouble(), other.AsDouble());
}

AnsiString VarToStr(const Variant& v) {
    return v.IsEmptyOrNull() ? AnsiString() : v.AsAnsiString();
}

WideString VarToWideStr(const Variant& v) {
    return v.IsEmptyOrNull() ? WideString() : v.AsWideString();
}
