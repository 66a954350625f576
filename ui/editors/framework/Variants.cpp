#include "ui/editors/framework/Variants.h"

#include <cstring>
#include <limits>

#include "ui/editors/framework/DataMessages.h"

// The stream form keeps floats as the 80-bit extended of the x87 unit, which is what mingw's
// long double is on both widths (its storage 12 or 16 bytes; the value is the first 10).
static_assert(std::numeric_limits<long double>::digits == 64, "long double must be 80-bit extended");
static_assert(sizeof(wchar_t) == 2, "wide strings are UTF-16");

namespace {
enum : uint8_t {
    tagNull = 0,
    tagArray = 1,
    tagInt8 = 2,
    tagInt16 = 3,
    tagInt32 = 4,
    tagFloat = 5,
    tagShortString = 6,
    tagFalse = 8,
    tagTrue = 9,
    tagLongString = 12,
    tagEmpty = 13,
    tagSingle = 15,
    tagCurrency = 16,
    tagDate = 17,
    tagWideString = 18,
    tagInt64 = 19,
};
constexpr int ExtendedBytes = 10;

template <typename T> int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// ---- comparison ------------------------------------------------------------------------------

int ArrayCount(const Variant& v) {
    TVarArrayBound b = v.ArrayBounds(1);
    return b.HighBound - b.LowBound + 1;
}

int CompareArrays(const Variant& a, const Variant& b) {
    bool arrayA = VarIsArray(a), arrayB = VarIsArray(b);
    if (!arrayB) return 1;
    if (!arrayA) return -1;
    // Counts first, then the elements from each array's own low bound: a 1-based array has no
    // element 0.
    if (int c = Sign(ArrayCount(a), ArrayCount(b))) return c;
    if (a.IsVariantArray() && b.IsVariantArray()) {
        const std::vector<Variant>& x = a.ArrayItems();
        const std::vector<Variant>& y = b.ArrayItems();
        if (int c = Sign(x.size(), y.size())) return c;
        for (size_t i = 0; i < x.size(); ++i)
            if (int c = CompareVariants(x[i], y[i])) return c;
        return 0;
    }
    if (a.ArrayDimCount() != 1 || b.ArrayDimCount() != 1) return Sign(a.ArrayDimCount(), b.ArrayDimCount());
    int lowA = a.ArrayBounds(1).LowBound, lowB = b.ArrayBounds(1).LowBound;
    for (int i = 0, n = ArrayCount(a); i < n; ++i)
        if (int c = CompareVariants(a.ArrayGet(lowA + i), b.ArrayGet(lowB + i))) return c;
    return 0;
}
} // namespace

int CompareVariants(const Variant& a, const Variant& b) {
    if ((a.VarType() & varArray) || (b.VarType() & varArray)) return CompareArrays(a, b);
    if (a.IsEmpty()) return b.IsEmpty() ? 0 : -1;
    if (b.IsEmpty()) return 1;
    try {
        if (a == b) return 0;
        if (a.IsNull()) return -1;
        if (b.IsNull()) return 1;
        return a < b ? -1 : 1;
    } catch (const EVariantTypeCastError&) {
        return -1;
    }
}

bool VarEqualsForEdit(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull() || (a.VarType() != varBoolean && b.VarType() != varBoolean))
        return VariantsEqual(a, b);
    try {
        return VarToStr(a) == VarToStr(b);
    } catch (const EVariantTypeCastError&) {
        return false;
    }
}

bool VarHoldsDate(const Variant& v) {
    return v.VarType() == varDate || v.VarType() == varSQLTimeStamp;
}

bool VarIsNumericOrBcd(const Variant& v) {
    return v.IsNumeric() || v.VarType() == varFMTBcd;
}

bool VarIsNullOrEmptyStr(const Variant& v) {
    return v.IsNull() ||
           (v.IsString() && (v.VarType() == varString ? v.AsAnsiString().empty() : v.AsWideString().empty()));
}

// ---- writing ---------------------------------------------------------------------------------

namespace {
template <typename T> void Put(TStream* stream, const T& value) {
    stream->WriteBuffer(&value, sizeof value);
}

void PutTag(TStream* stream, uint8_t tag) {
    stream->WriteBuffer(&tag, 1);
}

void WriteIntegerItem(TStream* stream, int64_t value) {
    if (value >= -128 && value <= 127) {
        PutTag(stream, tagInt8);
        Put(stream, static_cast<int8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        PutTag(stream, tagInt16);
        Put(stream, static_cast<int16_t>(value));
    } else if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        PutTag(stream, tagInt32);
        Put(stream, static_cast<int32_t>(value));
    } else {
        PutTag(stream, tagInt64);
        Put(stream, value);
    }
}

void WriteString(TStream* stream, const AnsiString& text) {
    if (text.size() <= 255) {
        uint8_t header[2] = {tagShortString, static_cast<uint8_t>(text.size())};
        stream->WriteBuffer(header, 2);
        stream->WriteBuffer(text.data(), static_cast<int>(text.size()));
    } else {
        PutTag(stream, tagLongString);
        WriteAnsiStringProc(stream, text);
    }
}
// Only arrays of one dimension have a form; checked through the whole value before anything is
// written, so that a refused value leaves no part of it in the stream.
bool Writable(const Variant& value) {
    if (!value.IsVariantArray()) return true;
    if (value.ArrayDimCount() != 1) return false;
    for (const Variant& item : value.ArrayItems())
        if (!Writable(item)) return false;
    return true;
}

void WriteValue(TStream* stream, const Variant& value);
} // namespace

void WriteVariantToStream(TStream* stream, const Variant& value) {
    if (!Writable(value)) throw EWriteError(cxSDataWriteError);
    WriteValue(stream, value);
}

namespace {
void WriteValue(TStream* stream, const Variant& value) {
    TVarType type = value.VarType();
    if (type & varArray) {
        TVarArrayBound bounds = value.ArrayBounds(1);
        PutTag(stream, tagArray);
        WriteIntegerItem(stream, static_cast<int64_t>(bounds.HighBound) - bounds.LowBound + 1);
        if (value.IsVariantArray())
            for (const Variant& item : value.ArrayItems())
                WriteValue(stream, item);
        else
            for (int i = bounds.LowBound; i <= bounds.HighBound; ++i)
                WriteValue(stream, value.ArrayGet(i));
        return;
    }
    switch (type & varTypeMask) {
    case varEmpty:
        PutTag(stream, tagEmpty);
        break;
    case varNull:
        PutTag(stream, tagNull);
        break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        WriteIntegerItem(stream, value.AsInt64());
        break;
    case varSingle:
        PutTag(stream, tagSingle);
        Put(stream, static_cast<float>(value.AsDouble()));
        break;
    case varDouble:
        PutTag(stream, tagFloat);
        WriteFloatProc(stream, value.AsDouble());
        break;
    case varCurrency:
        PutTag(stream, tagCurrency);
        Put(stream, value.AsCurrency().Value);
        break;
    case varDate:
    case varSQLTimeStamp:
        PutTag(stream, tagDate);
        Put(stream, value.AsDateTime());
        break;
    case varOleStr:
        PutTag(stream, tagWideString);
        WriteWideStringProc(stream, value.AsWideString());
        break;
    case varBoolean:
        PutTag(stream, value.AsBoolean() ? tagTrue : tagFalse);
        break;
    case varString:
        WriteString(stream, value.AsAnsiString());
        break;
    default: {
        AnsiString text;
        try {
            text = value.AsAnsiString();
        } catch (const EConvertError&) {
            throw EWriteError(cxSDataWriteError);
        }
        WriteString(stream, text);
    }
    }
}
} // namespace

// ---- reading ---------------------------------------------------------------------------------

namespace {
[[noreturn]] void ReadError() {
    throw EReadError(cxSDataReadError);
}

int64_t BytesLeft(TStream* stream) {
    return stream->Size() - stream->Position();
}

// Reads one value, keeping count of the bytes left so that no count asks for more than there is.
class TVariantReader {
public:
    explicit TVariantReader(TStream* stream) : stream_(stream), left_(BytesLeft(stream)) {}

    Variant Read(int depth) {
        uint8_t tag = Get<uint8_t>();
        switch (tag) {
        case tagNull:
            return Variant::Null();
        case tagArray:
            return ReadArray(depth);
        case tagInt8:
        case tagInt16:
        case tagInt32:
        case tagInt64:
            return ReadIntegerData(tag);
        case tagFloat: {
            long double e = 0;
            ReadRaw(&e, ExtendedBytes);
            return Variant(static_cast<double>(e));
        }
        case tagShortString: {
            uint8_t length = Get<uint8_t>();
            return Variant(ReadAnsi(length));
        }
        case tagFalse:
            return Variant(false);
        case tagTrue:
            return Variant(true);
        case tagLongString:
            return Variant(ReadAnsi(Get<int32_t>()));
        case tagEmpty:
            return Variant();
        case tagSingle:
            return Variant(Get<float>());
        case tagCurrency:
            return Variant(Currency::FromScaled(Get<int64_t>()));
        case tagDate:
            return Variant::FromDateTime(Get<double>());
        case tagWideString:
            return Variant(ReadWide(Get<int32_t>()));
        default:
            ReadError();
        }
    }

private:
    void ReadRaw(void* buffer, int count) {
        stream_->ReadBuffer(buffer, count);
        left_ -= count;
    }

    template <typename T> T Get() {
        T value{};
        ReadRaw(&value, sizeof value);
        return value;
    }

    Variant ReadIntegerData(uint8_t tag) {
        switch (tag) {
        case tagInt8:
            return Variant(Get<int8_t>());
        case tagInt16:
            return Variant(Get<int16_t>());
        case tagInt32:
            return Variant(static_cast<int>(Get<int32_t>()));
        default:
            return Variant(Get<int64_t>());
        }
    }

    Variant ReadArray(int depth) {
        if (depth >= VariantStreamMaxDepth) ReadError();
        uint8_t tag = Get<uint8_t>();
        if (tag != tagInt8 && tag != tagInt16 && tag != tagInt32 && tag != tagInt64) ReadError();
        int64_t count = ReadIntegerData(tag).AsInt64();
        // Every element takes at least its tag byte.
        if (count < 0 || count > left_) ReadError();
        Variant result = Variant::CreateArray({{0, static_cast<int>(count) - 1}});
        for (int i = 0; i < count; ++i)
            result.ArrayItem(i) = Read(depth + 1);
        return result;
    }

    AnsiString ReadAnsi(int64_t length) {
        if (length < 0 || length > left_) ReadError();
        AnsiString text(static_cast<size_t>(length), '\0');
        ReadRaw(text.data(), static_cast<int>(length));
        return text;
    }

    WideString ReadWide(int64_t count) {
        if (count < 0 || count * 2 > left_) ReadError();
        WideString text(static_cast<size_t>(count), L'\0');
        ReadRaw(text.data(), static_cast<int>(count * 2));
        return text;
    }

    TStream* stream_;
    int64_t left_;
};
} // namespace

Variant ReadVariantFromStream(TStream* stream) {
    return TVariantReader(stream).Read(0);
}

// ---- typed values ----------------------------------------------------------------------------

namespace {
template <typename T> T Get(TStream* stream) {
    T value{};
    stream->ReadBuffer(&value, sizeof value);
    return value;
}
} // namespace

bool ReadBooleanFunc(TStream* stream) {
    return Get<uint8_t>(stream) != 0;
}
int16_t ReadSmallIntFunc(TStream* stream) {
    return Get<int16_t>(stream);
}
uint16_t ReadWordFunc(TStream* stream) {
    return Get<uint16_t>(stream);
}
int32_t ReadIntegerFunc(TStream* stream) {
    return Get<int32_t>(stream);
}
int64_t ReadLargeIntFunc(TStream* stream) {
    return Get<int64_t>(stream);
}
Currency ReadCurrencyFunc(TStream* stream) {
    return Currency::FromScaled(Get<int64_t>(stream));
}
TDateTime ReadDateTimeFunc(TStream* stream) {
    return Get<double>(stream);
}
long double ReadFloatFunc(TStream* stream) {
    long double e = 0;
    stream->ReadBuffer(&e, ExtendedBytes);
    return e;
}

AnsiString ReadAnsiStringFunc(TStream* stream) {
    int32_t length = Get<int32_t>(stream);
    if (length < 0 || length > BytesLeft(stream)) ReadError();
    AnsiString text(static_cast<size_t>(length), '\0');
    stream->ReadBuffer(text.data(), length);
    return text;
}

WideString ReadWideStringFunc(TStream* stream) {
    int32_t count = Get<int32_t>(stream);
    if (count < 0 || static_cast<int64_t>(count) * 2 > BytesLeft(stream)) ReadError();
    WideString text(static_cast<size_t>(count), L'\0');
    stream->ReadBuffer(text.data(), count * 2);
    return text;
}

void WriteBooleanProc(TStream* stream, bool value) {
    Put(stream, static_cast<uint8_t>(value ? 1 : 0));
}
void WriteSmallIntProc(TStream* stream, int16_t value) {
    Put(stream, value);
}
void WriteWordProc(TStream* stream, uint16_t value) {
    Put(stream, value);
}
void WriteIntegerProc(TStream* stream, int32_t value) {
    Put(stream, value);
}
void WriteLargeIntProc(TStream* stream, int64_t value) {
    Put(stream, value);
}
void WriteCurrencyProc(TStream* stream, Currency value) {
    Put(stream, value.Value);
}
void WriteDateTimeProc(TStream* stream, TDateTime value) {
    Put(stream, value);
}
void WriteFloatProc(TStream* stream, long double value) {
    stream->WriteBuffer(&value, ExtendedBytes);
}

void WriteAnsiStringProc(TStream* stream, const AnsiString& value) {
    if (value.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError(cxSDataWriteError);
    Put(stream, static_cast<int32_t>(value.size()));
    stream->WriteBuffer(value.data(), static_cast<int>(value.size()));
}

void WriteWideStringProc(TStream* stream, const WideString& value) {
    if (value.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 2))
        throw EWriteError(cxSDataWriteError);
    Put(stream, static_cast<int32_t>(value.size()));
    stream->WriteBuffer(value.data(), static_cast<int>(value.size() * 2));
}
