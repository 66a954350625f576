#include "data/memory/Data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "data/memory/Blob.h"
#include "data/memory/BoolParser.h"
#include "data/memory/MemUtils.h"
#include "data/memory/SharedObject.h"
#include "platform/core/FloatText.h"

std::function<void()> BusyStartHook;
std::function<void()> BusyEndHook;
std::function<AnsiString()> HostAppNameHook;

void NotifyBusyStart() {
    if (BusyStartHook) BusyStartHook();
}
void NotifyBusyEnd() {
    if (BusyEndHook) BusyEndHook();
}
AnsiString GetHostAppName() {
    return HostAppNameHook ? HostAppNameHook() : AnsiString();
}

void RaiseLibError(const AnsiString& message) {
    throw Exception(message);
}

double RoundToScale(int scale, double value) {
    if (scale <= 0 || !std::isfinite(value)) return value;
    double result;
    if (TryStrToFloat(FloatToStrFixed(value, 18, scale, FormatSettings()), result, FormatSettings()))
        return result;
    return value;
}

namespace {
template <class C> int LFToCRLF(const C* source, C* dest, int size) {
    int si = 0, di = 0;
    while (si < size && di < size && source[si] != 0) {
        C c = source[si];
        if (c == C('\n') && (si == 0 || source[si - 1] != C('\r'))) {
            dest[di++] = C('\r');
            if (di < size) dest[di++] = C('\n');
        } else {
            dest[di++] = c;
        }
        ++si;
    }
    dest[di] = 0;
    return di;
}

template <class C> int CRLFToLF(const C* source, C* dest, int destSize, int sourceLength) {
    int si = 0, di = 0;
    // The terminating zero stays within destSize.
    while (si < sourceLength && di < destSize - 1 && source[si] != 0) {
        if (source[si] == C('\r') && si + 1 < sourceLength && source[si + 1] == C('\n')) {
            dest[di++] = C('\n');
            si += 2;
        } else {
            dest[di++] = source[si++];
        }
    }
    if (destSize > 0) dest[di] = 0;
    return di;
}

template <class T> T Load(const void* p) {
    return LoadUnaligned<T>(p, 0);
}
template <class T> void Store(void* p, T v) {
    StoreUnaligned(p, 0, v);
}
} // namespace

int LFToCRLFAnsi(const char* source, char* dest, int size) {
    return LFToCRLF(source, dest, size);
}
int LFToCRLFWide(const wchar_t* source, wchar_t* dest, int size) {
    return LFToCRLF(source, dest, size);
}
int CRLFToLFAnsi(const char* source, char* dest, int destSize, int sourceLength) {
    return CRLFToLF(source, dest, destSize, sourceLength);
}
int CRLFToLFWide(const wchar_t* source, wchar_t* dest, int destSize, int sourceLength) {
    return CRLFToLF(source, dest, destSize, sourceLength);
}

// ---- lifecycle ----

TData::TData() : fieldDescs_(std::make_unique<TFieldDescs>()), stringHeap_(std::make_unique<TStringHeap>()) {}

TData::~TData() {
    try {
        Close();
    } catch (...) {
    }
    fieldDescs_->Clear();
    FreeExprNodes();
}

void TData::InitData() {
    IsBOFFlag = true;
    IsEOFFlag = true;
    RecordCount = 0;
    RecNoBase = 0;
}

AnsiString TData::GetArrayItemName(int index) const {
    return "[" + IntToStr(index) + "]";
}

void TData::NotifyInsert(void* record) {
    if (InsertRecordHook) InsertRecordHook(record);
}
void TData::NotifyDelete() {
    if (DeleteRecordHook) DeleteRecordHook();
}
void TData::NotifyUpdate(void* record) {
    if (UpdateRecordHook) UpdateRecordHook(record);
}
void TData::NotifyRecordReverted() {
    if (RecordRevertedHook) RecordRevertedHook();
}
void TData::NotifyUpdatesApplied() {
    if (UpdatesAppliedHook) UpdatesAppliedHook();
}
void TData::NotifyCancellingUpdates() {
    if (CancellingUpdatesHook) CancellingUpdatesHook();
}
void TData::NotifyApplyRecord(int updateKind, int& action, bool isLast) {
    if (ApplyRecordHook) ApplyRecordHook(updateKind, action, isLast);
}

void TData::SetFilterText(const AnsiString& text) {
    if (text == FilterText) return;
    if (Active) ParseFilterText(text);
    FilterText = text;
}

void TData::Open() {
    if (Active) return;
    InitData();
    try {
        DoOpen(false);
        try {
            ParseFilterText(FilterText);
        } catch (...) {
            DoClose();
            throw;
        }
        Active = true;
    } catch (...) {
        FreeData();
        FreeExprNodes();
        throw;
    }
}

void TData::Close() {
    // The rest of the close runs also when DoClose fails. It must not run in a destructor:
    // a failure there (a hook, a storage check) would end the process instead of propagating.
    auto finish = [this] {
        Active = false;
        try {
            FreeData();
            if (AutoFields && !Prepared) ClearFields();
        } catch (...) {
            FreeExprNodes();
            throw;
        }
        FreeExprNodes();
    };
    try {
        if (Active) DoClose();
    } catch (...) {
        try {
            finish();
        } catch (...) {
            // DoClose's error is the one the caller hears about.
        }
        throw;
    }
    finish();
}

void TData::Prepare() {
    DoPrepare();
    Prepared = true;
}

void TData::Unprepare() {
    if (!Prepared) return;
    Prepared = false;
    if (AutoFields) ClearFields();
    DoUnprepare();
}

void TData::Reopen() {
    Close();
    Open();
}

void TData::ClearFields() {
    fieldDescs_->Clear();
    if (FieldsChangedHook) FieldsChangedHook();
}

// ---- field initialisation ----

void TData::InitFields() {
    if (AutoFields) {
        auto held = std::move(FieldsChangedHook);
        FieldsChangedHook = nullptr;
        try {
            ClearFields();
        } catch (...) {
            FieldsChangedHook = std::move(held);
            throw;
        }
        FieldsChangedHook = std::move(held);
        DoInitFields();
        if (FieldsInitializedHook) FieldsInitializedHook();
    }
    TFieldDescs& descs = *fieldDescs_;
    for (int i = 0; i < descs.Count(); ++i)
        if (TFieldDesc* d = descs[i]) d->Position = static_cast<uint16_t>(i + 1);
    if (AutoFields) MakeUniqueFieldNames();

    DataSize = 0;
    CalcDataSize = 0;
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* d = descs[i];
        if (!d || d->HasParent() || d->FieldKind == fkCalculated) continue;
        if (d->TypeCode == tcWideString && (DataSize & 1)) ++DataSize;
        d->RecordOffset = DataSize;
        DataSize += d->StorageSize;
    }
    RecordSize = GetFieldCount() + DataSize;
    if ((RecordSize & 1) == 0) ++RecordSize;
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* d = descs[i];
        if (!d || d->HasParent() || d->FieldKind != fkCalculated) continue;
        if (d->TypeCode == tcWideString && ((RecordSize + CalcDataSize) & 1)) ++CalcDataSize;
        d->RecordOffset = RecordSize + CalcDataSize;
        CalcDataSize += d->StorageSize;
    }
    CalcRecordSize = CalcDataSize;
    if (CalcRecordSize > 0 && (CalcRecordSize & 1) == 0) ++CalcRecordSize;
    UpdateHasComplexFields();
    if (FieldsChangedHook) FieldsChangedHook();
}

void TData::MakeUniqueFieldNames() {
    std::vector<TFieldDesc*> list;
    for (int i = 0; i < fieldDescs_->Count(); ++i) {
        TFieldDesc* d = fieldDescs_->GetItem(i);
        if (d && !d->HasParent()) {
            d->NameClash = false;
            list.push_back(d);
        }
    }
    std::stable_sort(list.begin(), list.end(), [](TFieldDesc* a, TFieldDesc* b) {
        int c = AnsiCompareText(a->FieldName, b->FieldName);
        return c != 0 ? c < 0 : a->Position < b->Position;
    });
    for (size_t i = 1; i < list.size(); ++i)
        if (AnsiSameText(list[i - 1]->FieldName, list[i]->FieldName))
            list[i - 1]->NameClash = list[i]->NameClash = true;

    // Later names equal to a new one are renamed after it in turn, with counters of their own.
    std::function<void(size_t, const AnsiString&)> renameFollowing = [&](size_t from,
                                                                         const AnsiString& name) {
        int counter = 1;
        for (size_t j = from + 1; j < list.size(); ++j) {
            int c = AnsiCompareText(list[j]->FieldName, name);
            if (c > 0) break;
            if (c == 0) {
                list[j]->FieldName = name + "_" + IntToStr(counter++);
                renameFollowing(j, list[j]->FieldName);
            }
        }
    };

    int n = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        TFieldDesc* d = list[i];
        if (!d->NameClash && !d->FieldName.empty()) {
            n = 0;
            continue;
        }
        if (n > 1) {
            const AnsiString& prev = list[i - 1]->FieldName;
            size_t cut = 1 + IntToStr(n - 1).size();
            AnsiString base = prev.size() >= cut ? prev.substr(0, prev.size() - cut) : AnsiString();
            if (!AnsiSameText(base, d->FieldName)) n = 0;
        }
        if (n > 0 || d->FieldName.empty()) {
            d->FieldName = d->FieldName + "_" + IntToStr(n);
            renameFollowing(i, d->FieldName);
        }
        ++n;
    }
}

// ---- field values ----

void TData::CheckFieldNo(int fieldNo) const {
    MEMDATA_ASSERT(fieldNo >= 1 && fieldNo <= fieldDescs_->Count(), "Invalid field number");
}

void TData::GetField(int fieldNo, void* record, bool& isNull, void* dest) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    isNull = GetNull(fieldNo, record);
    if (!dest) return;
    if (isNull && !IsBlobDataType(desc->TypeCode) && desc->TypeCode != tcVariant) return;
    if (desc->HasParent()) {
        bool attrNull = false, mustFree = false;
        void* value = GetAttributeValue(desc, record, attrNull, mustFree);
        if (!value) return;
        try {
            GetFieldData(desc, value, dest);
        } catch (...) {
            if (mustFree) std::free(value);
            throw;
        }
        if (mustFree) std::free(value);
    } else {
        GetFieldData(desc, FieldPtr(record, desc), dest);
    }
    if (isNull) return;
    bool trim = desc->IsFixedLength ? TrimFixedChar : TrimVarChar;
    if (!trim) return;
    if (desc->TypeCode == tcString)
        TrimTrailingBlanks(static_cast<char*>(dest), desc->IsFixedLength ? desc->DeclaredLength : -1);
    else if (desc->TypeCode == tcWideString)
        TrimTrailingBlanksW(static_cast<wchar_t*>(dest), -1);
}

namespace {
template <class C> int CopyLimited(const C* source, C* dest, int limit) {
    int n = 0;
    while (n < limit && source[n] != 0) {
        dest[n] = source[n];
        ++n;
    }
    dest[n] = 0;
    return n;
}
} // namespace

void TData::GetFieldData(TFieldDesc* desc, void* source, void* dest) {
    switch (desc->TypeCode) {
    case tcString:
        if (GetConvertEOL())
            LFToCRLFAnsi(static_cast<const char*>(source), static_cast<char*>(dest), desc->DeclaredLength);
        else
            CopyLimited(static_cast<const char*>(source), static_cast<char*>(dest), desc->DeclaredLength);
        break;
    case tcDate:
        DateTimeToExternal(source, desc, dkDate, dest);
        break;
    case tcTime:
        DateTimeToExternal(source, desc, dkTime, dest);
        break;
    case tcDateTime:
        DateTimeToExternal(source, desc, dkTimeStampMSecs, dest);
        break;
    case tcVariant: {
        auto* holder = Load<TVariantObject*>(source);
        *static_cast<Variant*>(dest) = holder ? holder->Value : Variant();
        break;
    }
    case tcExtString: {
        auto* text = Load<const char*>(source);
        MEMDATA_ASSERT(text != nullptr, "Heap string is nil");
        if (GetConvertEOL())
            LFToCRLFAnsi(text, static_cast<char*>(dest), desc->DeclaredLength);
        else
            std::strcpy(static_cast<char*>(dest), text);
        break;
    }
    case tcExtVarBytes: {
        auto* bytes = Load<const uint8_t*>(source);
        if (bytes)
            std::memcpy(dest, bytes, Load<uint16_t>(bytes) + 2u);
        else
            Store<uint16_t>(dest, 0);
        break;
    }
    case tcUInt32:
        Store<int64_t>(dest, Load<uint32_t>(source));
        break;
    case tcWideString:
        if (GetConvertEOL())
            LFToCRLFWide(static_cast<const wchar_t*>(source), static_cast<wchar_t*>(dest),
                         desc->DeclaredLength);
        else
            CopyLimited(static_cast<const wchar_t*>(source), static_cast<wchar_t*>(dest),
                        desc->DeclaredLength);
        break;
    case tcExtWideString: {
        auto* text = Load<const wchar_t*>(source);
        MEMDATA_ASSERT(text != nullptr, "Heap string is nil");
        if (GetConvertEOL())
            LFToCRLFWide(text, static_cast<wchar_t*>(dest), desc->DeclaredLength);
        else
            std::wcscpy(static_cast<wchar_t*>(dest), text);
        break;
    }
    case tcFMTBCD:
        std::memcpy(dest, source, 34);
        break;
    default:
        std::memcpy(dest, source, static_cast<size_t>(desc->StorageSize));
        break;
    }
}

void TData::PutFieldData(TFieldDesc* desc, void* dest, bool raw, const void* source) {
    switch (desc->TypeCode) {
    case tcString:
        CopyLimited(static_cast<const char*>(source), static_cast<char*>(dest), desc->StorageSize - 1);
        break;
    case tcFloat: {
        double v = Load<double>(source);
        Store<double>(dest, raw ? v : RoundToScale(desc->DeclaredScale, v));
        break;
    }
    case tcDate:
        ExternalToDateTime(dest, desc, dkDate, source);
        break;
    case tcTime:
        ExternalToDateTime(dest, desc, dkTime, source);
        break;
    case tcDateTime:
        ExternalToDateTime(dest, desc, dkTimeStampMSecs, source);
        break;
    case tcVariant: {
        auto* holder = Load<TVariantObject*>(dest);
        MEMDATA_ASSERT(holder != nullptr, "Variant object is nil");
        holder->Value = *static_cast<const Variant*>(source);
        break;
    }
    case tcExtString: {
        stringHeap_->DisposeBuf(Load<void*>(dest));
        Store<void*>(dest, nullptr);
        Store<void*>(dest, stringHeap_->AllocStr(static_cast<const char*>(source), false, -1));
        break;
    }
    case tcExtVarBytes: {
        stringHeap_->DisposeBuf(Load<void*>(dest));
        Store<void*>(dest, nullptr);
        if (source) {
            int length = Load<uint16_t>(source);
            void* buffer = stringHeap_->NewBuf(length + 2);
            std::memcpy(buffer, source, static_cast<size_t>(length) + 2);
            Store<void*>(dest, buffer);
        }
        break;
    }
    case tcWideString: {
        const wchar_t* text = source ? Load<const wchar_t*>(source) : nullptr;
        CopyLimited(text ? text : L"", static_cast<wchar_t*>(dest), desc->DeclaredLength);
        break;
    }
    case tcExtWideString: {
        const wchar_t* text = source ? Load<const wchar_t*>(source) : nullptr;
        stringHeap_->DisposeBuf(Load<void*>(dest));
        Store<void*>(dest, nullptr);
        Store<void*>(dest, stringHeap_->AllocWideStr(text ? text : L"", false, -1));
        break;
    }
    default:
        std::memcpy(dest, source, static_cast<size_t>(desc->StorageSize));
        break;
    }
}

void TData::PutField(int fieldNo, void* record, bool raw, const void* source) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    static const wchar_t* const emptyWide = L"";
    bool wide = desc->TypeCode == tcWideString || desc->TypeCode == tcExtWideString;
    if (wide && source && !Load<const wchar_t*>(source)) source = &emptyWide;
    bool empty = false;
    if (source && SetEmptyStrToNull) {
        if (desc->TypeCode == tcString || desc->TypeCode == tcExtString)
            empty = *static_cast<const char*>(source) == 0;
        else if (wide)
            empty = *Load<const wchar_t*>(source) == 0;
    }
    if (!source || empty) {
        SetNull(fieldNo, record, true);
        return;
    }
    if (desc->HasParent()) {
        PutAttributeValue(desc, record, source);
        return;
    }
    PutFieldData(desc, FieldPtr(record, desc), raw, source);
    StoreNullFlag(record, fieldNo, false);
}

// ---- null flags ----

bool TData::GetNull(int fieldNo, void* record) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    if (desc->HasParent()) return GetAttributeNull(desc, record);
    bool isNull = NullFlag(record, fieldNo);
    if (isNull && IsBlobDataType(desc->TypeCode)) return IsBlobFieldEmpty(fieldNo, record);
    return isNull;
}

bool TData::IsBlobFieldEmpty(int fieldNo, void* record) {
    TFieldDesc* desc = FieldDescOf(fieldNo);
    auto* blob = Load<TBlob*>(FieldPtr(record, desc));
    if (blob && !blob->IsEmpty()) {
        StoreNullFlag(record, fieldNo, false);
        return false;
    }
    return true;
}

void TData::SetNull(int fieldNo, void* record, bool value) {
    CheckFieldNo(fieldNo);
    TFieldDesc* desc = FieldDescOf(fieldNo);
    if (desc->HasParent()) {
        if (value) PutAttributeValue(desc, record, nullptr);
        return;
    }
    StoreNullFlag(record, fieldNo, value);
    if (value && IsBlobDataType(desc->TypeCode))
        if (auto* blob = Load<TBlob*>(FieldPtr(record, desc))) blob->Clear();
}

// ---- dates ----

void TData::DateTimeToExternal(const void* source, TFieldDesc*, int kind, void* dest) {
    double value = Load<double>(source);
    switch (kind) {
    case dkTimeStampMSecs: {
        TTimeStamp ts = DateTimeToTimeStamp(value);
        Store<double>(dest, static_cast<double>(ts.Date) * MSecsPerDay + ts.Time);
        break;
    }
    case dkDateTime:
        Store<double>(dest, value);
        break;
    case dkTime:
        Store<int32_t>(dest, DateTimeToTimeStamp(value).Time);
        break;
    case dkDate:
        Store<int32_t>(dest, DateTimeToTimeStamp(value).Date);
        break;
    default:
        break;
    }
}

void TData::ExternalToDateTime(void* dest, TFieldDesc*, int kind, const void* source) {
    double result = 0;
    switch (kind) {
    case dkTimeStampMSecs: {
        int64_t ms = static_cast<int64_t>(std::llround(Load<double>(source)));
        TTimeStamp ts;
        ts.Date = static_cast<int>(ms / MSecsPerDay);
        ts.Time = static_cast<int>(ms % MSecsPerDay);
        result = TimeStampToDateTime(ts);
        break;
    }
    case dkDateTime:
        result = Load<double>(source);
        break;
    case dkTime: {
        TTimeStamp ts;
        ts.Date = DateDelta;
        ts.Time = Load<int32_t>(source);
        result = TimeStampToDateTime(ts);
        break;
    }
    case dkDate: {
        TTimeStamp ts;
        ts.Date = Load<int32_t>(source);
        ts.Time = 0;
        result = TimeStampToDateTime(ts);
        break;
    }
    default:
        break;
    }
    Store<double>(dest, result);
}

// ---- row storage: none here ----

namespace {
[[noreturn]] void AbstractError() {
    throw Exception("Abstract Error");
}
} // namespace

void TData::GetRecord(void*) {
    AbstractError();
}
void TData::GetNextRecord(void*) {
    AbstractError();
}
void TData::GetPriorRecord(void*) {
    AbstractError();
}
void TData::PutRecord(void*) {
    AbstractError();
}
void TData::AppendRecord(void*) {
    AbstractError();
}
void TData::InsertRecord(void*) {
    AbstractError();
}
void TData::UpdateRecord(void*) {
    AbstractError();
}
void TData::DeleteRecord() {
    AbstractError();
}

void TData::SetToBegin() {
    IsBOFFlag = true;
    IsEOFFlag = false;
}

void TData::SetToEnd() {
    IsEOFFlag = true;
    IsBOFFlag = false;
}

void TData::FillBookmark(TRowBookmark* bookmark) {
    bookmark->RecNo = GetRecNo();
}

void TData::GotoBookmark(const TRowBookmark* bookmark) {
    if (bookmark->RecNo != -1) SetRecNo(bookmark->RecNo);
}

bool TData::IsBookmarkValid(const TRowBookmark* bookmark) {
    return bookmark && bookmark->RecNo != -1;
}

int TData::CompareBookmarkRecs(const TRowBookmark* a, const TRowBookmark* b) {
    if (a && b) return a->RecNo < b->RecNo ? -1 : a->RecNo > b->RecNo ? 1 : 0;
    if (a) return -1;
    if (b) return 1;
    return 0;
}

// ---- buffers and flags ----

bool TData::HasBlobFields() const {
    for (int i = 0; i < fieldDescs_->Count(); ++i)
        if (TFieldDesc* d = fieldDescs_->GetItem(i); d && IsBlobDataType(d->TypeCode)) return true;
    return false;
}

bool TData::UpdateHasComplexFields() {
    HasComplexFields = false;
    for (int i = 0; i < fieldDescs_->Count(); ++i)
        if (TFieldDesc* d = fieldDescs_->GetItem(i); d && IsComplexDataType(d->TypeCode))
            HasComplexFields = true;
    return HasComplexFields;
}

void TData::AllocRecBuf(void*& buffer) const {
    buffer = std::malloc(static_cast<size_t>(std::max(RecordSize, 1)));
    if (!buffer) throw EOutOfMemory("Out of memory");
}

void TData::FreeRecBuf(void* buffer) const {
    std::free(buffer);
}

void TData::InitRecordBuf(void* buffer) {
    if (HasComplexFields) std::memset(buffer, 0, static_cast<size_t>(RecordSize));
    int count = fieldDescs_->Count();
    for (int i = 0; i < count; ++i)
        StoreNullFlag(buffer, i + 1, true);
}

bool TData::HasFilter() const {
    return FilterRecordHook || ExtraFilterHook || FilterRoot;
}

void TData::SetCachedUpdates(bool value) {
    if (value == CachedUpdates) return;
    if (!value) CancelCachedUpdates();
    CachedUpdates = value;
    if (value) SetVisibleStatuses(usUnmodified | usModified | usInserted);
}
