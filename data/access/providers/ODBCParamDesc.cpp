// Parameter descriptor of the ODBC command: its buffer, and the value written into and read back
// from it.
#include <cstring>

#include "data/access/providers/ODBCClasses.h"
#include "data/memory/Blob.h"
#include "data/memory/Data.h"
#include "data/memory/FieldDescs.h"
#include "platform/core/Bcd.h"

namespace {
// TDateTime of 1 January 100: an output date that does not form a valid date.
constexpr TDateTime InvalidDate = -657434.0;

[[noreturn]] void CannotConvert() {
    throw Exception("Cannot convert type");
}

int Clamp(SQLLEN indicator, int limit) {
    if (indicator == SQL_NO_TOTAL || indicator > limit) return limit;
    return indicator < 0 ? 0 : static_cast<int>(indicator);
}
} // namespace

TODBCParamDesc::TODBCParamDesc() : indicator_(new SQLLEN(0)) {}

TODBCParamDesc::~TODBCParamDesc() {
    FreeBuffer();
    delete indicator_;
}

void TODBCParamDesc::SetDataType(uint16_t value) {
    if (value == dataType_) return;
    FreeBuffer();
    TParamDesc::SetDataType(value);
}

void TODBCParamDesc::SetParamType(uint8_t value) {
    if (value == paramType_) return;
    FreeBuffer();
    TParamDesc::SetParamType(value);
}

void TODBCParamDesc::SetSize(int value) {
    if (value == size_) return;
    if (dataType_ == tcString || dataType_ == tcBytes || dataType_ == tcVarBytes || dataType_ == tcWideString)
        FreeBuffer();
    TParamDesc::SetSize(value);
}

void TODBCParamDesc::AllocBuffer() {
    if (bufferSize_ >= 0) return;
    int size;
    switch (dataType_) {
    case tcUnknown:
        throw Exception("Unknown data type");
    case tcString:
    case tcBytes:
    case tcVarBytes:
        size = size_ > 0 ? size_ + 1 : 1;
        break;
    case tcInt8:
    case tcBlob:
    case tcMemo:
        size = 1;
        break;
    case tcInt16:
    case tcUInt16:
    case tcBoolean:
    case tcWideMemo:
        size = 2;
        break;
    case tcInt32:
        size = 4;
        break;
    case tcFloat:
    case tcCurrency:
    case tcInt64:
        size = 8;
        break;
    case tcDate:
    case tcTime:
        size = 6;
        break;
    case tcDateTime:
    case tcSQLTimeStamp:
        size = 16;
        break;
    case tcWideString:
        size = size_ > 0 ? size_ * 2 + 2 : 2;
        break;
    case tcBCD:
    case tcFMTBCD:
        size = 255;
        break;
    case tcGuid:
        size = 38;
        break;
    default:
        throw Exception("Data type is not supported");
    }
    buffer_ = std::calloc(static_cast<size_t>(size), 1);
    if (!buffer_) throw EOutOfMemory("Out of memory");
    bufferSize_ = size;
}

void TODBCParamDesc::FreeBuffer() {
    std::free(buffer_);
    buffer_ = nullptr;
    bufferSize_ = -1;
}

void TODBCParamDesc::WriteValue(bool isInputOnly, bool keepEmptyStrings, int& precision, int& scale,
                                bool& dataAtExec) {
    AllocBuffer();
    const Variant& v = value_;
    precision = 0;
    scale = 0;
    dataAtExec = false;
    bool isNull =
        !valuePtr_ && (v.IsEmptyOrNull() || (!keepEmptyStrings && v.IsString() && VarToStr(v).empty()));
    if (isNull) {
        *indicator_ = SQL_NULL_DATA;
        return;
    }
    auto* buffer = static_cast<uint8_t*>(buffer_);
    SQLLEN indicator = 0;
    switch (dataType_) {
    case tcString: {
        AnsiString text = v.AsAnsiString();
        int n;
        if (convertEOL_)
            n = CRLFToLFAnsi(text.data(), reinterpret_cast<char*>(buffer), bufferSize_,
                             static_cast<int>(text.size()));
        else {
            n = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(bufferSize_)));
            std::memcpy(buffer, text.data(), static_cast<size_t>(n));
        }
        indicator = n;
        break;
    }
    case tcInt8:
        buffer[0] = static_cast<uint8_t>(v.AsInteger());
        break;
    case tcInt16:
    case tcUInt16: {
        auto x = static_cast<int16_t>(v.AsInteger());
        std::memcpy(buffer, &x, 2);
        break;
    }
    case tcInt32: {
        int32_t x = v.AsInteger();
        std::memcpy(buffer, &x, 4);
        break;
    }
    case tcFloat:
    case tcCurrency: {
        double x = v.AsDouble();
        std::memcpy(buffer, &x, 8);
        break;
    }
    case tcDate: {
        int y, m, d;
        DecodeDate(v.AsDateTime(), y, m, d);
        SQL_DATE_STRUCT s{static_cast<SQLSMALLINT>(y), static_cast<SQLUSMALLINT>(m),
                          static_cast<SQLUSMALLINT>(d)};
        std::memcpy(buffer, &s, sizeof s);
        break;
    }
    case tcTime: {
        int h, n, s, ms;
        DecodeTime(v.AsDateTime(), h, n, s, ms);
        SQL_TIME_STRUCT t{static_cast<SQLUSMALLINT>(h), static_cast<SQLUSMALLINT>(n),
                          static_cast<SQLUSMALLINT>(s)};
        std::memcpy(buffer, &t, sizeof t);
        break;
    }
    case tcDateTime:
    case tcSQLTimeStamp: {
        int y, m, d, h, n, s, ms;
        DecodeDateTime(v.AsDateTime(), y, m, d, h, n, s, ms);
        SQL_TIMESTAMP_STRUCT t{static_cast<SQLSMALLINT>(y),
                               static_cast<SQLUSMALLINT>(m),
                               static_cast<SQLUSMALLINT>(d),
                               static_cast<SQLUSMALLINT>(h),
                               static_cast<SQLUSMALLINT>(n),
                               static_cast<SQLUSMALLINT>(s),
                               SendFraction ? static_cast<SQLUINTEGER>(ms) * 1000000u : 0u};
        std::memcpy(buffer, &t, sizeof t);
        break;
    }
    case tcBoolean: {
        int16_t x = v.AsBoolean() ? 1 : 0;
        std::memcpy(buffer, &x, 2);
        break;
    }
    case tcInt64: {
        int64_t x = v.AsInt64();
        std::memcpy(buffer, &x, 8);
        break;
    }
    case tcBlob:
    case tcMemo:
    case tcWideMemo: {
        TObject* object = ValueObject();
        auto* blob = dynamic_cast<TBlob*>(object);
        if (object && !blob) CannotConvert();
        // A value without a blob object counts as non-empty.
        int64_t size = blob ? blob->GetSize() : 1;
        if (size == 0)
            indicator = SQL_NULL_DATA;
        else if (isInputOnly) {
            // Sent piece by piece after execution starts. Some drivers take more than one piece
            // only when told the whole length first (SQLite; Access asks for it too).
            dataAtExec = true;
            indicator = blob ? SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(size)) : SQL_DATA_AT_EXEC;
        } else {
            if (!blob) CannotConvert();
            indicator = static_cast<SQLLEN>(size);
        }
        break;
    }
    case tcBytes:
    case tcVarBytes: {
        TBytes bytes;
        if (v.IsString()) {
            AnsiString text = v.AsAnsiString();
            bytes.assign(text.begin(), text.end());
        } else
            bytes = v.AsBytes();
        size_t n = std::min<size_t>(bytes.size(), static_cast<size_t>(bufferSize_));
        if (n) std::memcpy(buffer, bytes.data(), n);
        indicator = static_cast<SQLLEN>(n);
        break;
    }
    case tcWideString: {
        WideString text = v.AsWideString();
        int limit = bufferSize_ / 2;
        int n;
        if (convertEOL_)
            n = CRLFToLFWide(text.data(), reinterpret_cast<wchar_t*>(buffer), limit,
                             static_cast<int>(text.size()));
        else {
            n = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(limit)));
            std::memcpy(buffer, text.data(), static_cast<size_t>(n) * 2);
        }
        indicator = static_cast<SQLLEN>(n) * 2;
        break;
    }
    case tcBCD: {
        AnsiString text = TBcd::FromCurrency(v.AsCurrency()).Text();
        size_t n = std::min<size_t>(text.size(), static_cast<size_t>(bufferSize_ - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
        indicator = static_cast<SQLLEN>(n);
        break;
    }
    case tcFMTBCD: {
        TBcd bcd = v.AsBcd();
        precision = bcd.Precision();
        scale = bcd.Scale();
        const AnsiString& text = bcd.Text();
        size_t n = std::min<size_t>(text.size(), static_cast<size_t>(bufferSize_ - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
        indicator = static_cast<SQLLEN>(n);
        break;
    }
    case tcGuid: {
        AnsiString text = v.AsAnsiString();
        size_t n = std::min<size_t>(text.size(), static_cast<size_t>(bufferSize_));
        std::memcpy(buffer, text.data(), n);
        indicator = static_cast<SQLLEN>(n);
        break;
    }
    default:
        throw Exception("Data type is not supported");
    }
    *indicator_ = indicator;
}

void TODBCParamDesc::ReadValue() {
    SQLLEN indicator = *indicator_;
    if (indicator == SQL_NULL_DATA) {
        SetNull(true);
        if (!valuePtr_) value_ = Null();
        return;
    }
    const auto* buffer = static_cast<const uint8_t*>(buffer_);
    // What the driver wrote can be cut to the buffer (an over-long output, SQL_NO_TOTAL): never
    // read past it.
    auto textLength = [&] { return Clamp(indicator, bufferSize_ - 1); };
    Variant result;
    switch (dataType_) {
    case tcString: {
        int n = textLength();
        const char* text = reinterpret_cast<const char*>(buffer);
        if (convertEOL_) {
            std::vector<char> scratch(static_cast<size_t>(std::max(size_, 1)) * 4 + 1, 0);
            AnsiString source(text, static_cast<size_t>(n));
            int m = LFToCRLFAnsi(source.c_str(), scratch.data(), static_cast<int>(scratch.size()) - 1);
            result = AnsiString(scratch.data(), static_cast<size_t>(m));
        } else
            result = AnsiString(text, static_cast<size_t>(n));
        break;
    }
    case tcInt8:
        result = Variant::FromInteger(buffer[0], varByte);
        break;
    case tcInt16: {
        int16_t x;
        std::memcpy(&x, buffer, 2);
        result = x;
        break;
    }
    case tcUInt16: {
        uint16_t x;
        std::memcpy(&x, buffer, 2);
        result = x;
        break;
    }
    case tcInt32: {
        int32_t x;
        std::memcpy(&x, buffer, 4);
        result = static_cast<int>(x);
        break;
    }
    case tcFloat:
    case tcCurrency: {
        double x;
        std::memcpy(&x, buffer, 8);
        result = x;
        break;
    }
    case tcInt64: {
        int64_t x;
        std::memcpy(&x, buffer, 8);
        result = x;
        break;
    }
    case tcBoolean: {
        int16_t x;
        std::memcpy(&x, buffer, 2);
        result = x != 0;
        break;
    }
    case tcDate: {
        SQL_DATE_STRUCT s;
        std::memcpy(&s, buffer, sizeof s);
        TDateTime d;
        result = Variant::FromDateTime(TryEncodeDate(s.year, s.month, s.day, d) ? d : InvalidDate);
        break;
    }
    case tcTime: {
        SQL_TIME_STRUCT s;
        std::memcpy(&s, buffer, sizeof s);
        TDateTime t;
        result = Variant::FromDateTime(TryEncodeTime(s.hour, s.minute, s.second, 0, t) ? t : 0.0);
        break;
    }
    case tcDateTime:
    case tcSQLTimeStamp: {
        SQL_TIMESTAMP_STRUCT s;
        std::memcpy(&s, buffer, sizeof s);
        TDateTime d, t;
        if (TryEncodeDate(s.year, s.month, s.day, d) &&
            TryEncodeTime(s.hour, s.minute, s.second, static_cast<int>(s.fraction / 1000000u), t))
            result = Variant::FromDateTime(d >= 0 ? d + t : d - t);
        else
            result = Variant::FromDateTime(InvalidDate);
        break;
    }
    case tcBlob:
    case tcMemo:
    case tcWideMemo: {
        auto* blob = dynamic_cast<TBlob*>(ValueObject());
        if (!blob) CannotConvert();
        PPieceHeader piece = blob->GetFirstPiece();
        if (piece) piece->UsedBytes = Clamp(indicator, piece->Capacity);
        return;
    }
    case tcBytes:
    case tcVarBytes: {
        int n = Clamp(indicator, bufferSize_);
        result = TBytes(buffer, buffer + n);
        break;
    }
    case tcWideString: {
        int n = Clamp(indicator, bufferSize_ - 2) / 2;
        WideString text(reinterpret_cast<const wchar_t*>(buffer), static_cast<size_t>(n));
        if (convertEOL_) {
            std::vector<wchar_t> scratch(static_cast<size_t>(std::max(size_, 1)) * 4 + 1, 0);
            int m = LFToCRLFWide(text.c_str(), scratch.data(), static_cast<int>(scratch.size()) - 1);
            text.assign(scratch.data(), static_cast<size_t>(m));
        }
        result = text;
        break;
    }
    case tcBCD:
    case tcFMTBCD: {
        AnsiString text(reinterpret_cast<const char*>(buffer), static_cast<size_t>(textLength()));
        text = text.c_str(); // up to the terminating zero
        TBcd bcd = TBcd::FromString(text);
        result = dataType_ == tcBCD ? Variant(bcd.ToCurrency()) : Variant(bcd);
        break;
    }
    case tcGuid: {
        AnsiString text(reinterpret_cast<const char*>(buffer),
                        static_cast<size_t>(Clamp(indicator, bufferSize_)));
        if (!text.empty() && text[0] != '{') text = "{" + text + "}";
        result = text;
        break;
    }
    default:
        throw Exception("Data type is not supported");
    }
    SetValue(result);
}
