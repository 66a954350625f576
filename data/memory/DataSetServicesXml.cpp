// The dataset service's pieces of the persisted-rowset XML form: what the schema says of a
// column and how a value of the current record is written in a row.
#include <cmath>
#include <cstdio>

#include "data/memory/Blob.h"
#include "data/memory/CRXml.h"
#include "data/memory/DataSetServices.h"
#include "data/memory/MemDataSet.h"

namespace {

WideString Number(long long value) {
    return std::to_wstring(value);
}

const wchar_t* const MaxLongLength = L"2147483647";

void HexOf(const uint8_t* data, size_t count, WideString& out) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0x0F];
    }
}

// A row keeps every double: the platform's 15 digits when they read back to the same value,
// else 16 or 17 in the same form.
AnsiString RoundTripFloatText(double value, const TFormatSettings& fs) {
    AnsiString text = FloatToStr(value, fs);
    if (!std::isfinite(value)) return text;
    for (int precision = 16; precision <= 17; ++precision) {
        double back = 0;
        if (TryStrToFloat(text, back, fs) && back == value) break;
        text = FloatToStrPrecision(value, precision, fs);
    }
    return text;
}

AnsiString ZeroPadded(const char* pattern, int a, char sa, int b, char sb, int c) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, pattern, a, sa, b, sb, c);
    AnsiString text = buffer;
    for (char& ch : text)
        if (ch == ' ') ch = '0';
    return text;
}

} // namespace

AnsiString XmlDateTimeText(TDateTime value) {
    int year, month, day, hour, minute, second, msec;
    DecodeDateTime(value, year, month, day, hour, minute, second, msec);
    return ZeroPadded("%4d%c%2d%c%2d", year, '-', month, '-', day) + "T" +
           ZeroPadded("%2d%c%2d%c%2d", hour, ':', minute, ':', second);
}

AnsiString XmlTimeText(TDateTime value) {
    int hour, minute, second, msec;
    DecodeTime(value, hour, minute, second, msec);
    return ZeroPadded("%2d%c%2d%c%2d", hour, ':', minute, ':', second);
}

void TDataSetService::WriteFieldXmlType(TField* field, TFieldDesc* desc, XmlWriter& writer) {
    const TDataTypeCode code = desc->TypeCode;
    if (code > tcWideMemo || (code >= tcObject && code <= tcTable))
        DatabaseError("Data type is not supported", dataSet_);
    const WideString length = Number(desc->DeclaredLength);
    const WideString scale = Number(desc->DeclaredScale);
    const WideString size = Number(desc->StorageSize);
    const bool longBlob = field->IsBlob() && !desc->IsFixedLength;
    auto put = [&writer](const wchar_t* name, const WideString& value) {
        writer.WriteAttribute(name, value);
    };
    switch (code) {
    case tcUnknown:
    case tcVariant:
        put(L"dt:type", L"string");
        break;
    case tcInt8:
        put(L"dt:type", L"i1");
        put(L"dt:maxLength", size);
        put(L"rs:precision", length);
        break;
    case tcInt16:
        put(L"dt:type", L"i2");
        put(L"dt:maxLength", size);
        put(L"rs:precision", L"5");
        break;
    case tcInt32:
        put(L"dt:type", L"int");
        put(L"dt:maxLength", size);
        put(L"rs:precision", L"10");
        break;
    case tcFloat:
        if (desc->DeclaredLength > 7) {
            put(L"dt:type", L"float");
            put(L"dt:maxLength", size);
        } else {
            put(L"dt:type", L"r4");
            put(L"dt:maxLength", L"4");
        }
        put(L"rs:precision", length);
        break;
    case tcDate:
    case tcTime:
        put(L"dt:type", code == tcDate ? L"date" : L"time");
        put(L"dt:maxLength", size);
        put(L"rs:scale", scale);
        put(L"rs:precision", length);
        break;
    case tcDateTime:
        put(L"dt:type", L"datetime");
        put(L"rs:dbtype", L"variantdate");
        put(L"dt:maxLength", size);
        put(L"rs:scale", scale);
        put(L"rs:precision", length);
        break;
    case tcUInt16:
    case tcUInt32:
        put(L"dt:type", code == tcUInt16 ? L"ui2" : L"ui4");
        put(L"dt:maxLength", size);
        put(L"rs:precision", length);
        break;
    case tcBoolean:
        put(L"dt:type", L"boolean");
        put(L"dt:maxLength", size);
        break;
    case tcInt64:
        put(L"dt:type", L"i8");
        put(L"dt:maxLength", size);
        put(L"rs:precision", L"19");
        break;
    case tcCurrency:
    case tcBCD:
        put(L"dt:type", L"number");
        put(L"rs:dbtype", L"currency");
        put(L"dt:maxLength", size);
        put(L"rs:precision", length);
        break;
    case tcBlob:
    case tcBytes:
    case tcVarBytes:
    case tcExtVarBytes:
        put(L"dt:type", L"bin.hex");
        put(L"dt:maxLength", code == tcBlob ? WideString(MaxLongLength) : length);
        if (longBlob) put(L"rs:long", L"true");
        break;
    case tcFMTBCD:
        put(L"dt:type", L"number");
        put(L"rs:dbtype", L"numeric");
        put(L"dt:maxLength", size);
        put(L"rs:scale", scale);
        put(L"rs:precision", length);
        break;
    case tcGuid:
        put(L"dt:type", L"uuid");
        put(L"dt:maxLength", L"16");
        break;
    default: // 1, 14, 20, 25, 26, 30: text
        put(L"dt:type", L"string");
        put(L"dt:maxLength", code == tcMemo || code == tcWideMemo ? WideString(MaxLongLength) : length);
        if (code != tcWideString && code != tcExtWideString && code != tcWideMemo) put(L"rs:dbtype", L"str");
        if (longBlob) put(L"rs:long", L"true");
        break;
    }
    if (code == tcUnknown || code == tcVariant) return;
    if (desc->IsFixedLength) put(L"rs:fixedlength", L"true");
    if (field->Required && !field->ReadOnly()) put(L"rs:maybenull", L"false");
}

void TDataSetService::WriteFieldXmlAttrs(TField* field, TFieldDesc* desc, XmlWriter& writer,
                                         const AnsiString& name) {
    if (!name.empty()) {
        writer.WriteAttribute(L"name", AnsiToWide(name));
        writer.WriteAttribute(L"rs:name", AnsiToWide(desc->FieldName));
    } else {
        writer.WriteAttribute(L"name", AnsiToWide(desc->FieldName));
    }
    writer.WriteAttribute(L"rs:number", Number(desc->Position));
    if (!field->Required && !field->ReadOnly()) writer.WriteAttribute(L"rs:nullable", L"true");
    if (!field->ReadOnly()) writer.WriteAttribute(L"rs:writeunknown", L"true");
    if (!desc->SourceName.empty()) writer.WriteAttribute(L"rs:basecolumn", AnsiToWide(desc->SourceName));
    if (desc->IsKeyField) writer.WriteAttribute(L"rs:keycolumn", L"true");
    TFieldDesc* own = dataSet_->GetFieldDesc(field);
    if (own && own->IsAutoIncrement) writer.WriteAttribute(L"rs:autoincrement", L"true");
}

WideString TDataSetService::FieldValueToXmlText(TField* field, TFieldDesc* desc) {
    // Rows always use "." whatever the locale's separator.
    TFormatSettings fs = FormatSettings();
    fs.DecimalSeparator = '.';
    switch (desc->TypeCode) {
    case tcInt8:
    case tcInt16:
    case tcInt32:
    case tcUInt16:
    case tcInt64:
    case tcUInt32:
        return AnsiToWide(field->AsString());
    case tcFloat:
        return AnsiToWide(RoundTripFloatText(field->AsFloat(), fs));
    case tcDate:
    case tcDateTime:
        return AnsiToWide(XmlDateTimeText(field->AsDateTime()));
    case tcTime:
        return AnsiToWide(XmlTimeText(field->AsDateTime()));
    case tcBoolean:
        return field->AsBoolean() ? L"True" : L"False";
    case tcCurrency:
    case tcBCD:
        return AnsiToWide(TBcd::FromCurrency(field->Value().AsCurrency()).Text());
    case tcBlob: {
        WideString text;
        TBlob* blob = dataSet_->GetBlobOfDesc(desc);
        if (!blob) return text;
        const int64_t size = blob->GetSize();
        text.reserve(static_cast<size_t>(size) * 2);
        // Piece by piece: a large blob is never copied whole into one more buffer.
        std::vector<uint8_t> piece(
            static_cast<size_t>(blob->GetPieceSize() > 0 ? blob->GetPieceSize() : 65536));
        for (int64_t position = 0; position < size;) {
            int64_t read = blob->Read(position, static_cast<int64_t>(piece.size()), piece.data());
            if (read <= 0) break;
            HexOf(piece.data(), static_cast<size_t>(read), text);
            position += read;
        }
        return text;
    }
    case tcBytes:
    case tcVarBytes:
    case tcExtVarBytes: {
        TBytes bytes = field->Value().AsBytes();
        WideString text;
        text.reserve(bytes.size() * 2);
        HexOf(bytes.data(), bytes.size(), text);
        return text;
    }
    case tcFMTBCD:
        return AnsiToWide(field->AsBCD().Text());
    case tcWideMemo: {
        // The blob's own UTF-16 text: the field's 8-bit text would lose what the code page lacks.
        TBlob* blob = dataSet_->GetBlobOfDesc(desc);
        if (blob) return blob->ReadAsWide();
        break;
    }
    default:
        break;
    }
    if (dynamic_cast<TWideStringField*>(field)) return VarToWideStr(field->Value());
    return AnsiToWide(field->AsString());
}
