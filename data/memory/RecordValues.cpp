// TData: Variant values of fields, the objects records refer to, blob access by field number,
// comparable values and object attributes.
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <vector>

#include "data/memory/Blob.h"
#include "data/memory/CompressedBlob.h"
#include "data/memory/Data.h"
#include "data/memory/SharedObject.h"
#include "platform/core/Bcd.h"

namespace {
template <class T> T Load(const void* p) {
    return LoadUnaligned<T>(p, 0);
}
template <class T> void Store(void* p, T v) {
    StoreUnaligned(p, 0, v);
}

[[noreturn]] void CannotConvert() {
    throw EConvertError("Cannot convert type");
}

bool IsIntegerVarType(TVarType vt) {
    return vt == varSmallint || vt == varInteger || vt == varShortInt || vt == varByte || vt == varWord ||
           vt == varLongWord || vt == varInt64;
}

// Integer of a Variant that must fit [low, high]; a value outside would be stored wrapped.
int64_t CheckedInteger(const Variant& value, int64_t low, int64_t high, const TFieldDesc* desc) {
    int64_t v = value.AsInt64();
    if (v < low || v > high)
        throw EConvertError("Value " + IntToStr(v) + " is out of range for field " + desc->FieldName);
    return v;
}

// Byte count of at most maxBytes bytes of text that does not split a double-byte character.
size_t AnsiCutLength(const AnsiString& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    size_t i = 0;
    while (i < maxBytes) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

// Trailing characters of code 32 and below are dropped.
template <class S> void TrimControlTail(S& s) {
    size_t n = s.size();
    while (n > 0 && static_cast<unsigned>(s[n - 1]) <= 32)
        --n;
    s.resize(n);
}

struct ShowOldDataScope {
    TBlob* blob;
    bool on;
    ShowOldDataScope(TBlob* b, bool useRollback) : blob(b), on(useRollback) {
        if (on) blob->SetShowOldData(true);
    }
    ~ShowOldDataScope() {
        if (on) blob->SetShowOldData(false);
    }
};
} // namespace

// ---- Variants ----

void TData::GetFieldAsVariant(int fieldNo, void* record, Variant& value) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    if (GetNull(fieldNo, record)) {
        value = Variant::Null();
        return;
    }
    void* src = nullptr;
    bool mustFree = false;
    if (desc->HasParent()) {
        bool attrNull = false;
        src = GetAttributeValue(desc, record, attrNull, mustFree);
        if (!src || attrNull) {
            if (mustFree) std::free(src);
            value = Variant::Null();
            return;
        }
    } else {
        src = FieldPtr(record, desc);
    }
    struct FreeTemp {
        void* p;
        bool on;
        ~FreeTemp() {
            if (on) std::free(p);
        }
    } freeTemp{src, mustFree};

    bool trim = desc->IsFixedLength ? TrimFixedChar : TrimVarChar;
    switch (desc->TypeCode) {
    case tcString:
    case tcGuid: {
        const char* text = static_cast<const char*>(src);
        AnsiString s(text, strnlen(text, static_cast<size_t>(desc->StorageSize)));
        if (trim && desc->TypeCode == tcString) TrimControlTail(s);
        value = Variant(std::move(s));
        break;
    }
    case tcInt8:
        value = Variant::FromInteger(Load<int8_t>(src), varShortInt);
        break;
    case tcInt16:
        value = Variant::FromInteger(Load<int16_t>(src), varSmallint);
        break;
    case tcInt32:
        value = Variant::FromInteger(Load<int32_t>(src), varInteger);
        break;
    case tcFloat:
    case tcCurrency:
        value = Variant(Load<double>(src));
        break;
    case tcDate:
    case tcTime:
    case tcDateTime:
        value = Variant::FromDateTime(Load<double>(src));
        break;
    case tcUInt16:
        value = Variant::FromInteger(Load<uint16_t>(src), varWord);
        break;
    case tcBoolean:
        value = Variant(Load<int16_t>(src) != 0);
        break;
    case tcInt64:
        value = Variant::FromInteger(Load<int64_t>(src), varInt64);
        break;
    case tcMemo:
        value = Variant(GetFieldBlob(fieldNo, record)->ReadAsAnsi());
        break;
    case tcWideMemo:
        value = Variant(GetFieldBlob(fieldNo, record)->ReadAsWide());
        break;
    case tcVariant: {
        auto* holder = Load<TVariantObject*>(src);
        value = holder ? holder->Value : Variant();
        break;
    }
    case tcExtString: {
        auto* text = Load<const char*>(src);
        value = Variant(AnsiString(text ? text : ""));
        break;
    }
    case tcBytes:
        value = Variant::FromBytes(src, desc->DeclaredLength);
        break;
    case tcVarBytes:
        value = Variant::FromBytes(static_cast<uint8_t*>(src) + 2, Load<uint16_t>(src));
        break;
    case tcExtVarBytes: {
        auto* bytes = Load<const uint8_t*>(src);
        value = bytes ? Variant::FromBytes(bytes + 2, Load<uint16_t>(bytes)) : Variant::FromBytes(nullptr, 0);
        break;
    }
    case tcUInt32:
        value = Variant::FromInteger(Load<uint32_t>(src), varLongWord);
        break;
    case tcWideString: {
        const wchar_t* text = static_cast<const wchar_t*>(src);
        WideString s(text, wcsnlen(text, static_cast<size_t>(desc->StorageSize / 2)));
        if (trim) TrimControlTail(s);
        value = Variant(std::move(s));
        break;
    }
    case tcExtWideString: {
        auto* text = Load<const wchar_t*>(src);
        value = Variant(WideString(text ? text : L""));
        break;
    }
    case tcBCD:
        value = Variant(Currency::FromScaled(Load<int64_t>(src)));
        break;
    case tcFMTBCD: {
        TBcdRecord bcd;
        std::memcpy(&bcd, src, sizeof bcd);
        value = Variant(RecordToBcd(bcd));
        break;
    }
    case tcSQLTimeStamp: {
        TSQLTimeStamp ts;
        static_assert(sizeof(TSQLTimeStamp) == 16);
        std::memcpy(&ts, src, sizeof ts);
        value = Variant(ts);
        break;
    }
    default:
        throw EConvertError("Cannot convert type " + IntToStr(desc->TypeCode));
    }
}

void TData::PutFieldAsVariant(int fieldNo, void* record, bool raw, const Variant& value) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    if (value.IsEmptyOrNull()) {
        SetNull(fieldNo, record, true);
        return;
    }
    MEMDATA_ASSERT(!desc->HasParent(), "Attribute cannot be set from a Variant");
    uint8_t* dest = FieldPtr(record, desc);
    TVarType vt = value.VarType();
    switch (desc->TypeCode) {
    case tcString:
    case tcGuid: {
        AnsiString text = value.AsAnsiString();
        size_t n = AnsiCutLength(text, static_cast<size_t>(desc->StorageSize - 1));
        std::memcpy(dest, text.data(), n);
        dest[n] = 0;
        break;
    }
    case tcInt8: {
        MEMDATA_ASSERT(desc->StorageSize == 1 || desc->StorageSize == 2, "Invalid size of Int8 field");
        if (!IsIntegerVarType(vt)) CannotConvert();
        if (desc->StorageSize == 1)
            Store<int8_t>(dest, static_cast<int8_t>(CheckedInteger(value, -128, 127, desc)));
        else
            Store<int16_t>(dest, static_cast<int16_t>(CheckedInteger(value, -32768, 32767, desc)));
        break;
    }
    case tcInt16:
        if (!IsIntegerVarType(vt)) CannotConvert();
        Store<int16_t>(dest, static_cast<int16_t>(CheckedInteger(value, -32768, 32767, desc)));
        break;
    case tcUInt16:
        if (!IsIntegerVarType(vt)) CannotConvert();
        Store<uint16_t>(dest, static_cast<uint16_t>(CheckedInteger(value, 0, 65535, desc)));
        break;
    case tcInt32:
        if (!IsIntegerVarType(vt) && vt != varSingle && vt != varDouble && vt != varCurrency &&
            !value.IsString())
            CannotConvert();
        if (value.IsString()) {
            int64_t v;
            if (!TryStrToInt64(Trim(value.AsAnsiString()), v))
                throw EConvertError("'" + value.AsAnsiString() + "' is not a valid integer value");
            if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
                throw EConvertError("Value " + IntToStr(v) + " is out of range for field " + desc->FieldName);
            Store<int32_t>(dest, static_cast<int32_t>(v));
        } else {
            Store<int32_t>(dest,
                           static_cast<int32_t>(CheckedInteger(value, std::numeric_limits<int32_t>::min(),
                                                               std::numeric_limits<int32_t>::max(), desc)));
        }
        break;
    case tcFloat:
    case tcCurrency: {
        double v;
        if (IsIntegerVarType(vt)) {
            v = static_cast<double>(value.AsInt64());
        } else if (vt == varSingle || vt == varDouble || vt == varCurrency || value.IsString()) {
            v = value.AsDouble();
            if (!raw) v = RoundToScale(desc->DeclaredScale, v);
        } else {
            CannotConvert();
        }
        Store<double>(dest, v);
        break;
    }
    case tcDate:
    case tcTime:
    case tcDateTime:
        Store<double>(dest, value.AsDateTime());
        break;
    case tcBoolean:
        if (vt != varBoolean) CannotConvert();
        Store<int16_t>(dest, value.AsBoolean() ? 1 : 0);
        break;
    case tcInt64:
        if (vt != varInt64) CannotConvert();
        Store<int64_t>(dest, value.AsInt64());
        break;
    case tcUInt32:
        if (vt != varLongWord) CannotConvert();
        Store<uint32_t>(dest, static_cast<uint32_t>(value.AsInt64()));
        break;
    case tcBlob:
    case tcMemo:
        GetFieldBlob(fieldNo, record)->WriteAsAnsi(value.AsAnsiString());
        break;
    case tcWideMemo:
        GetFieldBlob(fieldNo, record)->WriteAsWide(value.AsWideString());
        break;
    case tcVariant: {
        auto* holder = Load<TVariantObject*>(dest);
        MEMDATA_ASSERT(holder != nullptr, "Variant object is nil");
        holder->Value = value;
        break;
    }
    case tcExtString: {
        AnsiString text = value.AsAnsiString();
        char* copy = stringHeap_->AllocStr(text.c_str(), false, static_cast<int>(text.size()));
        stringHeap_->DisposeBuf(Load<void*>(dest));
        Store<void*>(dest, copy);
        break;
    }
    case tcExtWideString: {
        WideString text = value.AsWideString();
        wchar_t* copy = stringHeap_->AllocWideStr(text.c_str(), false, static_cast<int>(text.size()));
        stringHeap_->DisposeBuf(Load<void*>(dest));
        Store<void*>(dest, copy);
        break;
    }
    case tcBytes: {
        MEMDATA_ASSERT(value.IsByteArray(), "Invalid VType");
        const TBytes& bytes = value.Bytes();
        MEMDATA_ASSERT(bytes.size() == desc->DeclaredLength, "Invalid data size");
        if (!bytes.empty()) std::memcpy(dest, bytes.data(), bytes.size());
        break;
    }
    case tcVarBytes: {
        MEMDATA_ASSERT(value.IsByteArray(), "Invalid VType");
        const TBytes& bytes = value.Bytes();
        MEMDATA_ASSERT(bytes.size() <= desc->DeclaredLength, "Invalid data size");
        Store<uint16_t>(dest, static_cast<uint16_t>(bytes.size()));
        if (!bytes.empty()) std::memcpy(dest + 2, bytes.data(), bytes.size());
        break;
    }
    case tcExtVarBytes: {
        MEMDATA_ASSERT(value.IsByteArray(), "Invalid VType");
        const TBytes& bytes = value.Bytes();
        MEMDATA_ASSERT(bytes.size() <= 0xFFFF, "Invalid data size");
        auto* buffer = static_cast<uint8_t*>(stringHeap_->NewBuf(static_cast<int>(bytes.size()) + 2));
        Store<uint16_t>(buffer, static_cast<uint16_t>(bytes.size()));
        if (!bytes.empty()) std::memcpy(buffer + 2, bytes.data(), bytes.size());
        stringHeap_->DisposeBuf(Load<void*>(dest));
        Store<void*>(dest, buffer);
        break;
    }
    case tcWideString: {
        WideString text = value.AsWideString();
        size_t n = std::min(text.size(), static_cast<size_t>(desc->StorageSize / 2 - 1));
        std::memcpy(dest, text.data(), n * 2);
        Store<wchar_t>(dest + n * 2, L'\0');
        break;
    }
    case tcBCD:
        Store<int64_t>(dest, value.AsCurrency().Value);
        break;
    case tcFMTBCD: {
        TBcdRecord bcd =
            BcdToRecord(vt == varFMTBcd ? value.AsBcd() : TBcd::FromString(value.AsAnsiString()));
        std::memcpy(dest, &bcd, sizeof bcd);
        break;
    }
    case tcSQLTimeStamp: {
        TSQLTimeStamp ts = value.AsSQLTimeStamp();
        std::memcpy(dest, &ts, sizeof ts);
        break;
    }
    default:
        CannotConvert();
    }
    StoreNullFlag(record, fieldNo, false);
}

// ---- complex fields ----

void TData::CreateComplexField(void* record, int index, bool withBlobs) {
    TFieldDesc* desc = fieldDescs_->GetItem(index);
    if (!desc || desc->HasParent() || desc->FieldKind == fkCalculated) return;
    uint8_t* slot = FieldPtr(record, desc);
    switch (desc->TypeCode) {
    case tcBlob:
    case tcMemo:
    case tcWideMemo:
        if (withBlobs) {
            auto* blob = new TCompressedBlob(desc->TypeCode == tcWideMemo);
            blob->EnableRollback();
            Store<TBlob*>(slot, blob);
        }
        break;
    case tcVariant:
        Store<TVariantObject*>(slot, new TVariantObject());
        break;
    case tcExtString:
    case tcExtVarBytes:
    case tcExtWideString:
        Store<void*>(slot, nullptr);
        break;
    default:
        break;
    }
}

void TData::CreateComplexFields(void* record, bool withBlobs) {
    for (int i = 0; i < fieldDescs_->Count(); ++i)
        CreateComplexField(record, i, withBlobs);
}

void TData::FreeComplexFields(void* record, bool withBlobs) {
    for (int i = 0; i < fieldDescs_->Count(); ++i) {
        TFieldDesc* desc = fieldDescs_->GetItem(i);
        if (!desc || desc->HasParent() || desc->FieldKind == fkCalculated) continue;
        uint8_t* slot = FieldPtr(record, desc);
        switch (desc->TypeCode) {
        case tcBlob:
        case tcMemo:
        case tcWideMemo:
        case tcVariant: {
            if (IsBlobDataType(desc->TypeCode) && !withBlobs) break;
            if (auto* object = Load<TSharedObject*>(slot)) {
                bool last = object->RefCount() == 1;
                object->Release();
                if (last) Store<void*>(slot, nullptr);
            }
            break;
        }
        case tcExtString:
        case tcExtVarBytes:
        case tcExtWideString: {
            void* text = Load<void*>(slot);
            if (!text) break;
            if (stringHeap_->HeapEmpty()) {
                // The heap was cleared wholesale: the text is gone already.
                Store<void*>(slot, nullptr);
                break;
            }
            bool last = TStringHeap::RefWord(text) == TStringHeap::RefOne;
            stringHeap_->DisposeBuf(text);
            if (last) Store<void*>(slot, nullptr);
            break;
        }
        default:
            break;
        }
    }
}

void TData::CopyComplexFields(void* source, void* dest, bool withBlobs) {
    MEMDATA_ASSERT(!withBlobs, "Blobs cannot be copied");
    for (int i = 0; i < fieldDescs_->Count(); ++i) {
        TFieldDesc* desc = fieldDescs_->GetItem(i);
        if (!desc || desc->HasParent() || desc->FieldKind == fkCalculated) continue;
        uint8_t* from = FieldPtr(source, desc);
        uint8_t* to = FieldPtr(dest, desc);
        switch (desc->TypeCode) {
        case tcVariant: {
            auto* src = Load<TVariantObject*>(from);
            auto* dst = Load<TVariantObject*>(to);
            MEMDATA_ASSERT(dst != nullptr, "Variant object is nil");
            dst->Value = src ? src->Value : Variant();
            break;
        }
        case tcExtString:
            Store<void*>(to, stringHeap_->AllocStr(Load<const char*>(from), false, -1));
            break;
        case tcExtWideString:
            Store<void*>(to, stringHeap_->AllocWideStr(Load<const wchar_t*>(from), false, -1));
            break;
        case tcExtVarBytes: {
            auto* bytes = Load<const uint8_t*>(from);
            void* copy = nullptr;
            if (bytes) {
                int size = Load<uint16_t>(bytes) + 2;
                copy = stringHeap_->NewBuf(size);
                std::memcpy(copy, bytes, static_cast<size_t>(size));
            }
            Store<void*>(to, copy);
            break;
        }
        default:
            break;
        }
    }
}

void TData::AddRefComplexFields(void* record) {
    for (int i = 0; i < fieldDescs_->Count(); ++i) {
        TFieldDesc* desc = fieldDescs_->GetItem(i);
        if (!desc || desc->HasParent() || desc->FieldKind == fkCalculated) continue;
        uint8_t* slot = FieldPtr(record, desc);
        switch (desc->TypeCode) {
        case tcExtString:
        case tcExtVarBytes:
        case tcExtWideString:
            stringHeap_->AddRefStr(Load<void*>(slot));
            break;
        case tcBlob:
        case tcMemo:
        case tcWideMemo:
        case tcVariant: {
            auto* object = Load<TSharedObject*>(slot);
            if (!object) MEMDATA_ASSERT(false, ("Shared object for " + desc->FieldName + "=nil").c_str());
            object->AddRef();
            break;
        }
        default:
            break;
        }
    }
}

void TData::DiscardRecordChanges(void* record) {
    if (HasBlobFields()) {
        for (int i = 0; i < fieldDescs_->Count(); ++i) {
            TFieldDesc* desc = fieldDescs_->GetItem(i);
            if (!desc || desc->HasParent() || desc->FieldKind == fkCalculated ||
                !IsBlobDataType(desc->TypeCode))
                continue;
            if (auto* blob = Load<TBlob*>(FieldPtr(record, desc))) blob->Cancel();
        }
    }
    FreeComplexFields(record, false);
}

namespace {
struct RecBufScope {
    const TData* data;
    void* buffer = nullptr;
    explicit RecBufScope(const TData* d) : data(d) { data->AllocRecBuf(buffer); }
    ~RecBufScope() { data->FreeRecBuf(buffer); }
};
} // namespace

void TData::SeparateStoredRecord(void* editBuffer) {
    RecBufScope scratch(this);
    GetRecord(scratch.buffer);
    CreateComplexFields(scratch.buffer, false);
    CopyComplexFields(editBuffer, scratch.buffer, false);
    PutRecord(scratch.buffer);
}

void TData::PostEditedRecord(void* editBuffer) {
    RecBufScope scratch(this);
    GetRecord(scratch.buffer);
    UpdateRecord(editBuffer);
    if (HasBlobFields()) {
        for (int i = 0; i < fieldDescs_->Count(); ++i) {
            TFieldDesc* desc = fieldDescs_->GetItem(i);
            if (!desc || desc->HasParent() || desc->FieldKind == fkCalculated ||
                !IsBlobDataType(desc->TypeCode))
                continue;
            if (auto* blob = Load<TBlob*>(FieldPtr(editBuffer, desc))) blob->Commit();
        }
    }
    FreeComplexFields(scratch.buffer, false);
}

// ---- blobs by field number ----

TBlob* TData::ReadBlobRef(int fieldNo, void* record) {
    TBlob* blob = nullptr;
    bool isNull = false;
    GetField(fieldNo, record, isNull, &blob);
    return blob;
}

TBlob* TData::GetFieldBlob(int fieldNo, void* record) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    if (!IsBlobDataType(desc->TypeCode)) throw Exception("Field is not BLOB");
    auto* blob = Load<TBlob*>(FieldPtr(record, desc));
    if (!blob)
        MEMDATA_ASSERT(false,
                       ("Object for field " + desc->FieldName + "(" + IntToStr(fieldNo) + ") = nil").c_str());
    return blob;
}

void TData::SetFieldBlob(int fieldNo, void* record, TBlob* blob) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    if (!IsBlobDataType(desc->TypeCode)) throw Exception("Field is not BLOB");
    Store<TBlob*>(FieldPtr(record, desc), blob);
}

int TData::ReadBlob(int fieldNo, void* record, bool raw, bool useRollback, void* dest, int count,
                    int position) {
    TBlob* blob = GetFieldBlob(fieldNo, record);
    ShowOldDataScope show(blob, useRollback);
    if (raw || !blob->IsUnicode()) return static_cast<int>(blob->Read(position, count, dest));
    int64_t start = blob->TranslatePosition(position);
    int64_t bytes = count == 0 ? blob->GetSize() - start : blob->TranslatePosition(count);
    if (bytes <= 0) return 0;
    WideString wide(static_cast<size_t>(bytes / 2), L'\0');
    int64_t got = blob->Read(start, static_cast<int64_t>(wide.size()) * 2, wide.data());
    wide.resize(static_cast<size_t>(got / 2));
    AnsiString text = WideToAnsi(wide);
    size_t n = text.size();
    // A double-byte text can be longer than the characters asked for: never write past count.
    if (count > 0 && n > static_cast<size_t>(count)) n = AnsiCutLength(text, static_cast<size_t>(count));
    std::memcpy(dest, text.data(), n);
    return static_cast<int>(n);
}

void TData::WriteBlob(int fieldNo, void* record, bool raw, const void* source, int count, int position) {
    TBlob* blob = GetFieldBlob(fieldNo, record);
    blob->EnableRollback();
    if (raw || !blob->IsUnicode()) {
        blob->Write(position, count, source);
    } else {
        WideString wide =
            AnsiToWide(std::string_view(static_cast<const char*>(source), static_cast<size_t>(count)));
        blob->Write(blob->TranslatePosition(position), static_cast<int64_t>(wide.size()) * 2, wide.data());
    }
    StoreNullFlag(record, fieldNo, false);
}

void TData::TruncateBlob(int fieldNo, void* record, bool raw, int size) {
    TBlob* blob = GetFieldBlob(fieldNo, record);
    blob->EnableRollback();
    int64_t bytes = size;
    if (blob->IsUnicode() && !raw) bytes = blob->TranslatePosition(size);
    blob->Truncate(bytes);
    if (size == 0) SetNull(fieldNo, record, true);
}

int TData::GetBlobSize(int fieldNo, void* record, bool raw, bool useRollback) {
    if (GetNull(fieldNo, record)) return 0;
    TBlob* blob = GetFieldBlob(fieldNo, record);
    ShowOldDataScope show(blob, useRollback);
    return static_cast<int>(raw || !blob->IsUnicode() ? blob->GetSize() : blob->GetAnsiLength());
}

void TData::SetBlobSize(int fieldNo, void* record, bool raw, bool /*useRollback*/, int size) {
    TBlob* blob = GetFieldBlob(fieldNo, record);
    StoreNullFlag(record, fieldNo, false);
    if (raw || !blob->IsUnicode()) {
        blob->SetSize(size);
        return;
    }
    int64_t length = blob->GetAnsiLength();
    if (size > length)
        blob->SetSize(blob->GetSize() + (size - length) * 2);
    else
        blob->SetSize(blob->TranslatePosition(size));
}

// ---- comparable values ----

void* TData::GetComparableValue(void* record, TFieldDesc* desc, bool& borrowed, bool& isNull,
                                TDataTypeCode& valueType) {
    borrowed = true;
    valueType = desc->TypeCode;
    isNull = desc->HasParent() ? GetAttributeNull(desc, record) : GetNull(desc->Position, record);
    if (isNull) return nullptr;
    void* src;
    if (desc->HasParent()) {
        bool attrNull = false, mustFree = false;
        src = GetAttributeValue(desc, record, attrNull, mustFree);
        if (mustFree) borrowed = false;
        return src;
    }
    src = FieldPtr(record, desc);
    auto temp = [&](size_t size) {
        void* p = std::malloc(size);
        if (!p) throw EOutOfMemory("Out of memory");
        borrowed = false;
        return p;
    };
    switch (desc->TypeCode) {
    case tcDate:
    case tcTime:
    case tcDateTime: {
        void* p = temp(8);
        DateTimeToExternal(src, desc, dkDateTime, p);
        return p;
    }
    case tcExtString:
        valueType = tcString;
        return Load<void*>(src);
    case tcExtWideString:
        valueType = tcWideString;
        return Load<void*>(src);
    case tcExtVarBytes:
        return Load<void*>(src);
    case tcBytes: {
        auto* p = static_cast<uint8_t*>(temp(2u + desc->DeclaredLength));
        Store<uint16_t>(p, desc->DeclaredLength);
        std::memcpy(p + 2, src, desc->DeclaredLength);
        return p;
    }
    case tcBCD: {
        void* p = temp(8);
        Store<double>(p, static_cast<double>(Load<int64_t>(src)) / 10000.0);
        return p;
    }
    case tcBlob:
    case tcMemo:
    case tcWideMemo: {
        int size = GetBlobSize(desc->Position, record, false, false);
        auto* p = static_cast<char*>(temp(static_cast<size_t>(size) + 1));
        int got = size > 0 ? ReadBlob(desc->Position, record, false, false, p, size, 0) : 0;
        p[got] = 0;
        valueType = tcString;
        return p;
    }
    default:
        return src;
    }
}

void TData::FreeComparableValue(void* value) {
    std::free(value);
}

// ---- object attributes ----

AnsiString TData::GetAttributePath(TFieldDesc* desc, TFieldDesc*& topDesc) const {
    std::vector<TFieldDesc*> chain; // innermost first
    TFieldDesc* d = desc;
    while (d->ParentDesc) {
        chain.push_back(d);
        d = d->ParentDesc;
    }
    topDesc = d;
    AnsiString path;
    for (size_t i = chain.size(); i-- > 0;) {
        TFieldDesc* item = chain[i];
        bool afterArray = i + 1 < chain.size() && chain[i + 1]->TypeCode == tcArray;
        if (!path.empty() && !afterArray) path += ".";
        path += item->FieldName;
    }
    return path;
}

void* TData::GetAttributeValue(TFieldDesc* desc, void* record, bool& isNull, bool& mustFree) {
    TFieldDesc* top = nullptr;
    AnsiString path = GetAttributePath(desc, top);
    mustFree = false;
    auto* object = Load<TDBObject*>(FieldPtr(record, top));
    if (!object) {
        isNull = true;
        return nullptr;
    }
    return object->GetAttributeValue(path, isNull, mustFree);
}

bool TData::GetAttributeNull(TFieldDesc* desc, void* record) {
    TFieldDesc* top = nullptr;
    AnsiString path = GetAttributePath(desc, top);
    auto* object = Load<TDBObject*>(FieldPtr(record, top));
    return !object || object->GetAttributeNull(path);
}

void TData::PutAttributeValue(TFieldDesc* desc, void* record, const void* value) {
    TFieldDesc* top = nullptr;
    AnsiString path = GetAttributePath(desc, top);
    if (auto* object = Load<TDBObject*>(FieldPtr(record, top))) object->SetAttributeValue(path, value);
}
