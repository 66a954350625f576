#include "ui/editors/framework/ValueTypes.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "ui/editors/framework/Variants.h"

namespace {
template <typename T> T Load(const void* buffer) {
    T value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

template <typename T> void Store(void* buffer, const T& value) {
    std::memcpy(buffer, &value, sizeof value);
}

// -1, 0 or 1: a difference would wrap for values far apart (MaxInt against -1).
template <typename T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

template <typename T> int CompareAs(const void* a, const void* b) {
    return Order(Load<T>(a), Load<T>(b));
}

// Heap values behind a pointer-holding buffer; nil is no value, below every value.
template <typename T> T* Held(const void* buffer) {
    return Load<T*>(buffer);
}

template <typename T> T& HeldOrNew(void* buffer) {
    T* p = Held<T>(buffer);
    if (!p) {
        p = new T();
        Store(buffer, p);
    }
    return *p;
}

template <typename T> void Dispose(void* buffer) {
    delete Held<T>(buffer);
    Store(buffer, static_cast<T*>(nullptr));
}

template <typename T, typename Compare = int (*)(const T&, const T&)>
int CompareHeld(
    const void* a, const void* b, Compare compare = [](const T& x, const T& y) { return Order(x, y); }) {
    T* x = Held<T>(a);
    T* y = Held<T>(b);
    if (!x || !y) return Order(x != nullptr, y != nullptr);
    return compare(*x, *y);
}

template <typename T> Variant HeldVariant(const void* buffer) {
    T* p = Held<T>(buffer);
    return p ? Variant(*p) : Null();
}

// Empty and Null keep no text: the buffer goes back to nil.
template <typename T> void StoreHeldText(void* buffer, const Variant& value, T (Variant::*convert)() const) {
    if (value.IsEmptyOrNull())
        Dispose<T>(buffer);
    else
        HeldOrNew<T>(buffer) = (value.*convert)();
}

AnsiString ReadText(TcxValueStream stream) {
    return stream.UnicodeText ? WideToAnsi(ReadWideStringFunc(stream.Stream))
                              : ReadAnsiStringFunc(stream.Stream);
}

void WriteText(TcxValueStream stream, const AnsiString& text) {
    if (stream.UnicodeText)
        WriteWideStringProc(stream.Stream, AnsiToWide(text));
    else
        WriteAnsiStringProc(stream.Stream, text);
}
} // namespace

// ---- base -------------------------------------------------------------------------------------

int TcxValueType::CompareBuffers(const void* a, const void* b) const {
    DerefBuffer(a);
    DerefBuffer(b);
    return CompareStored(a, b);
}

void TcxValueType::DisposeValue(void*) const {}

void TcxValueType::DisposeText(void* textBuffer) {
    Dispose<AnsiString>(textBuffer);
}

void TcxValueType::ValueToVariant(const void*, Variant& value) const {
    value = Null();
}

AnsiString TcxValueType::DefaultText(const void* buffer) const {
    Variant value;
    ValueToVariant(buffer, value);
    try {
        return VarToStr(value);
    } catch (const EVariantTypeCastError&) {
        return {};
    }
}

AnsiString TcxValueType::StoredText(const void* textBuffer) {
    AnsiString* text = Held<AnsiString>(textBuffer);
    return text ? *text : AnsiString();
}

void TcxValueType::LoadValue(void* buffer, TcxValueStream stream) const {
    VariantToValue(buffer, ReadVariantFromStream(stream.Stream));
}

void TcxValueType::LoadText(void* textBuffer, TcxValueStream stream) {
    StoreText(textBuffer, ReadText(stream));
}

void TcxValueType::VariantToValue(void*, const Variant&) const {}

void TcxValueType::StoreText(void* textBuffer, const AnsiString& text) {
    HeldOrNew<AnsiString>(textBuffer) = text;
}

void TcxValueType::SaveValue(const void* buffer, TcxValueStream stream) const {
    Variant value;
    ValueToVariant(buffer, value);
    WriteVariantToStream(stream.Stream, value);
}

void TcxValueType::SaveText(const void* textBuffer, TcxValueStream stream) {
    WriteText(stream, StoredText(textBuffer));
}

AnsiString TcxValueType::TypeCaption() const {
    AnsiString name = ClassName();
    if (name.starts_with("Tcx")) name.erase(0, 3);
    size_t at = name.find("ValueType");
    if (at != AnsiString::npos) name.erase(at, 9);
    return name;
}

int TcxValueType::CompareStored(const void* a, const void* b) const {
    Variant x, y;
    ValueToVariant(a, x);
    ValueToVariant(b, y);
    return CompareVariants(x, y);
}

bool TcxValueType::AcceptsVariant(Variant& value) const {
    if (value.IsNull() || VariantType() == varVariant) return true;
    try {
        value = value.ChangeType(VariantType());
        return true;
    } catch (const EVariantTypeCastError&) {
        return false;
    }
}

void TcxValueType::DerefBuffer(const void*&) const {}

// ---- strings ----------------------------------------------------------------------------------

int TcxStringValueType::CompareBuffers(const void* a, const void* b) const {
    return CompareHeld<AnsiString>(a, b);
}

void TcxStringValueType::DisposeValue(void* buffer) const {
    Dispose<AnsiString>(buffer);
}

void TcxStringValueType::ValueToVariant(const void* buffer, Variant& value) const {
    value = HeldVariant<AnsiString>(buffer);
}

void TcxStringValueType::LoadValue(void* buffer, TcxValueStream stream) const {
    AnsiString text = ReadText(stream);
    HeldOrNew<AnsiString>(buffer) = std::move(text);
}

void TcxStringValueType::VariantToValue(void* buffer, const Variant& value) const {
    StoreHeldText(buffer, value, &Variant::AsAnsiString);
}

void TcxStringValueType::SaveValue(const void* buffer, TcxValueStream stream) const {
    AnsiString* text = Held<AnsiString>(buffer);
    WriteText(stream, text ? *text : AnsiString());
}

void TcxStringValueType::DerefBuffer(const void*& buffer) const {
    buffer = Load<const void*>(buffer);
}

int TcxWideStringValueType::CompareBuffers(const void* a, const void* b) const {
    return CompareHeld<WideString>(a, b);
}

void TcxWideStringValueType::DisposeValue(void* buffer) const {
    Dispose<WideString>(buffer);
}

void TcxWideStringValueType::ValueToVariant(const void* buffer, Variant& value) const {
    value = HeldVariant<WideString>(buffer);
}

void TcxWideStringValueType::LoadValue(void* buffer, TcxValueStream stream) const {
    WideString text = ReadWideStringFunc(stream.Stream);
    HeldOrNew<WideString>(buffer) = std::move(text);
}

void TcxWideStringValueType::VariantToValue(void* buffer, const Variant& value) const {
    StoreHeldText(buffer, value, &Variant::AsWideString);
}

void TcxWideStringValueType::SaveValue(const void* buffer, TcxValueStream stream) const {
    Variant value;
    ValueToVariant(buffer, value);
    WriteWideStringProc(stream.Stream, VarToWideStr(value));
}

// ---- numbers ----------------------------------------------------------------------------------

namespace {
// How each plain type meets its Variant and the stream.
template <TVarType V> struct Plain;
template <> struct Plain<varSmallint> {
    static Variant ToVariant(int16_t v) { return Variant(v); }
    static int16_t FromVariant(const Variant& v) {
        return static_cast<int16_t>(v.ChangeType(varSmallint).AsInteger());
    }
    static int16_t Read(TStream* s) { return ReadSmallIntFunc(s); }
    static void Write(TStream* s, int16_t v) { WriteSmallIntProc(s, v); }
};
template <> struct Plain<varInteger> {
    static Variant ToVariant(int32_t v) { return Variant(static_cast<int>(v)); }
    static int32_t FromVariant(const Variant& v) {
        return static_cast<int32_t>(v.ChangeType(varInteger).AsInteger());
    }
    static int32_t Read(TStream* s) { return ReadIntegerFunc(s); }
    static void Write(TStream* s, int32_t v) { WriteIntegerProc(s, v); }
};
template <> struct Plain<varWord> {
    static Variant ToVariant(uint16_t v) { return Variant(v); }
    static uint16_t FromVariant(const Variant& v) {
        return static_cast<uint16_t>(v.ChangeType(varWord).AsInteger());
    }
    static uint16_t Read(TStream* s) { return ReadWordFunc(s); }
    static void Write(TStream* s, uint16_t v) { WriteWordProc(s, v); }
};
template <> struct Plain<varBoolean> {
    static Variant ToVariant(uint8_t v) { return Variant(v != 0); }
    static uint8_t FromVariant(const Variant& v) { return v.AsBoolean() ? 1 : 0; }
    static uint8_t Read(TStream* s) { return ReadBooleanFunc(s) ? 1 : 0; }
    static void Write(TStream* s, uint8_t v) { WriteBooleanProc(s, v != 0); }
};
template <> struct Plain<varDouble> {
    static Variant ToVariant(double v) { return Variant(v); }
    static double FromVariant(const Variant& v) { return v.AsDouble(); }
    static double Read(TStream* s) { return static_cast<double>(ReadFloatFunc(s)); }
    static void Write(TStream* s, double v) { WriteFloatProc(s, v); }
};
template <> struct Plain<varCurrency> {
    static Variant ToVariant(int64_t v) { return Variant(Currency::FromScaled(v)); }
    static int64_t FromVariant(const Variant& v) { return v.AsCurrency().Value; }
    static int64_t Read(TStream* s) { return ReadCurrencyFunc(s).Value; }
    static void Write(TStream* s, int64_t v) { WriteCurrencyProc(s, Currency::FromScaled(v)); }
};
template <> struct Plain<varDate> {
    static Variant ToVariant(double v) { return Variant::FromDateTime(v); }
    static double FromVariant(const Variant& v) { return v.AsDateTime(); }
    static double Read(TStream* s) { return ReadDateTimeFunc(s); }
    static void Write(TStream* s, double v) { WriteDateTimeProc(s, v); }
};
template <> struct Plain<varInt64> {
    static Variant ToVariant(int64_t v) { return Variant(v); }
    static int64_t FromVariant(const Variant& v) { return v.AsInt64(); }
    static int64_t Read(TStream* s) { return ReadLargeIntFunc(s); }
    static void Write(TStream* s, int64_t v) { WriteLargeIntProc(s, v); }
};
} // namespace

template <typename T, TVarType V>
int TcxPlainValueType<T, V>::CompareBuffers(const void* a, const void* b) const {
    return CompareAs<T>(a, b);
}
template <typename T, TVarType V>
void TcxPlainValueType<T, V>::ValueToVariant(const void* buffer, Variant& value) const {
    value = Plain<V>::ToVariant(Load<T>(buffer));
}
template <typename T, TVarType V>
void TcxPlainValueType<T, V>::LoadValue(void* buffer, TcxValueStream stream) const {
    Store(buffer, Plain<V>::Read(stream.Stream));
}
template <typename T, TVarType V>
void TcxPlainValueType<T, V>::VariantToValue(void* buffer, const Variant& value) const {
    Store(buffer, Plain<V>::FromVariant(value));
}
template <typename T, TVarType V>
void TcxPlainValueType<T, V>::SaveValue(const void* buffer, TcxValueStream stream) const {
    Plain<V>::Write(stream.Stream, Load<T>(buffer));
}

template class TcxPlainValueType<int16_t, varSmallint>;
template class TcxPlainValueType<int32_t, varInteger>;
template class TcxPlainValueType<uint16_t, varWord>;
template class TcxPlainValueType<uint8_t, varBoolean>;
template class TcxPlainValueType<double, varDouble>;
template class TcxPlainValueType<int64_t, varCurrency>;
template class TcxPlainValueType<double, varDate>;
template class TcxPlainValueType<int64_t, varInt64>;

AnsiString TcxBooleanValueType::DefaultText(const void* buffer) const {
    return Load<uint8_t>(buffer) ? "True" : "False";
}

AnsiString TcxDateTimeValueType::DefaultText(const void* buffer) const {
    try {
        return VarToStr(Variant::FromDateTime(Load<double>(buffer)));
    } catch (const EConvertError&) {
        return DateTimeToStr(Load<double>(buffer));
    }
}

// ---- BCD and time stamps ----------------------------------------------------------------------

namespace {
constexpr int BcdDigits = 64;

TBcd BcdFromBuffer(const void* buffer) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    int precision = std::min<int>(p[0], BcdDigits);
    int places = std::min(p[1] & 0x3F, precision);
    AnsiString text = (p[1] & 0x80) ? "-" : "";
    for (int i = 0; i < precision; ++i) {
        if (i == precision - places) text += i == 0 ? "0." : ".";
        uint8_t pair = p[2 + i / 2];
        int digit = i % 2 == 0 ? pair >> 4 : pair & 0x0F;
        text += static_cast<char>('0' + std::min(digit, 9));
    }
    return precision == 0 ? TBcd() : TBcd::FromString(text);
}

void BcdToBuffer(void* buffer, const TBcd& value) {
    const AnsiString& text = value.Text(); // canonical: '-', digits, '.'
    AnsiString digits;
    int places = value.Scale();
    for (char ch : text)
        if (ch >= '0' && ch <= '9') digits += ch;
    uint8_t record[34] = {};
    record[0] = static_cast<uint8_t>(digits.size());
    record[1] = static_cast<uint8_t>(places | (value.IsNegative() ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i)
        record[2 + i / 2] |= static_cast<uint8_t>((digits[i] - '0') << (i % 2 == 0 ? 4 : 0));
    std::memcpy(buffer, record, sizeof record);
}
} // namespace

int TcxFMTBcdValueType::CompareBuffers(const void* a, const void* b) const {
    return TBcd::Compare(BcdFromBuffer(a), BcdFromBuffer(b));
}
void TcxFMTBcdValueType::ValueToVariant(const void* buffer, Variant& value) const {
    value = Variant(BcdFromBuffer(buffer));
}
AnsiString TcxFMTBcdValueType::DefaultText(const void* buffer) const {
    return BcdFromBuffer(buffer).ToString();
}
void TcxFMTBcdValueType::VariantToValue(void* buffer, const Variant& value) const {
    BcdToBuffer(buffer, value.AsBcd());
}

int TcxSQLTimeStampValueType::CompareBuffers(const void* a, const void* b) const {
    TSQLTimeStamp x = Load<TSQLTimeStamp>(a), y = Load<TSQLTimeStamp>(b);
    if (int c = Order(x.Year, y.Year)) return c;
    if (int c = Order(x.Month, y.Month)) return c;
    if (int c = Order(x.Day, y.Day)) return c;
    if (int c = Order(x.Hour, y.Hour)) return c;
    if (int c = Order(x.Minute, y.Minute)) return c;
    if (int c = Order(x.Second, y.Second)) return c;
    return Order(x.Fractions, y.Fractions);
}
void TcxSQLTimeStampValueType::ValueToVariant(const void* buffer, Variant& value) const {
    value = Variant::FromDateTime(SQLTimeStampToDateTime(Load<TSQLTimeStamp>(buffer)));
}
void TcxSQLTimeStampValueType::VariantToValue(void* buffer, const Variant& value) const {
    Store(buffer, value.AsSQLTimeStamp());
}

// ---- Variants and objects ---------------------------------------------------------------------

int TcxVariantValueType::CompareBuffers(const void* a, const void* b) const {
    return CompareHeld<Variant>(a, b,
                                [](const Variant& x, const Variant& y) { return CompareVariants(x, y); });
}
void TcxVariantValueType::DisposeValue(void* buffer) const {
    Dispose<Variant>(buffer);
}
void TcxVariantValueType::ValueToVariant(const void* buffer, Variant& value) const {
    value = HeldVariant<Variant>(buffer);
}
void TcxVariantValueType::VariantToValue(void* buffer, const Variant& value) const {
    HeldOrNew<Variant>(buffer) = value;
}
void TcxVariantValueType::DerefBuffer(const void*& buffer) const {
    buffer = Load<const void*>(buffer);
}

int TcxObjectValueType::CompareBuffers(const void* a, const void* b) const {
    return CompareAs<intptr_t>(a, b);
}
void TcxObjectValueType::DisposeValue(void* buffer) const {
    delete Load<TObject*>(buffer);
    Store(buffer, static_cast<TObject*>(nullptr));
}
void TcxObjectValueType::ValueToVariant(const void* buffer, Variant& value) const {
    value = Variant::FromInteger(Load<intptr_t>(buffer), VariantType());
}
void TcxObjectValueType::VariantToValue(void* buffer, const Variant& value) const {
    Store(buffer, static_cast<intptr_t>(value.AsInt64()));
}

// ---- registry ---------------------------------------------------------------------------------

void TcxValueTypeClassList::RegisterClass(TcxValueTypeClass valueType) {
    if (std::find(items_.begin(), items_.end(), valueType) == items_.end()) items_.push_back(valueType);
}

void TcxValueTypeClassList::UnregisterClass(TcxValueTypeClass valueType) {
    items_.erase(std::remove(items_.begin(), items_.end(), valueType), items_.end());
}

TcxValueTypeClass TcxValueTypeClassList::ItemByCaption(const AnsiString& caption) const {
    for (TcxValueTypeClass item : items_)
        if (item->TypeCaption() == caption) return item;
    return nullptr;
}

namespace {
std::unique_ptr<TcxValueTypeClassList> valueTypeList;

std::vector<TcxValueTypeClass> BuiltInValueTypes() {
    return {ValueTypeClass<TcxStringValueType>(),   ValueTypeClass<TcxWideStringValueType>(),
            ValueTypeClass<TcxSmallintValueType>(), ValueTypeClass<TcxIntegerValueType>(),
            ValueTypeClass<TcxWordValueType>(),     ValueTypeClass<TcxBooleanValueType>(),
            ValueTypeClass<TcxFloatValueType>(),    ValueTypeClass<TcxCurrencyValueType>(),
            ValueTypeClass<TcxDateTimeValueType>(), ValueTypeClass<TcxLargeIntValueType>(),
            ValueTypeClass<TcxFMTBcdValueType>(),   ValueTypeClass<TcxSQLTimeStampValueType>(),
            ValueTypeClass<TcxVariantValueType>(),  ValueTypeClass<TcxObjectValueType>()};
}
} // namespace

TcxValueTypeClassList* cxValueTypeClassList() {
    if (!valueTypeList) valueTypeList = std::make_unique<TcxValueTypeClassList>();
    return valueTypeList.get();
}

void ValueTypesInitialize() {
    for (TcxValueTypeClass valueType : BuiltInValueTypes())
        cxValueTypeClassList()->RegisterClass(valueType);
}

void ValueTypesFinalize() {
    std::vector<TcxValueTypeClass> types = BuiltInValueTypes();
    for (auto it = types.rbegin(); it != types.rend(); ++it)
        cxValueTypeClassList()->UnregisterClass(*it);
    valueTypeList.reset();
}
