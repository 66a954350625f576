// TMemDataSet: filters, find, locate and lookup over the record set. The record set evaluates
// the filter and compares stored values; the dataset installs the filter, converts key values
// into the record set's value form and searches, by halving when the key follows the sort order.
#include <cstring>
#include <vector>

#include "data/memory/MemDataSet.h"
#include "platform/core/Bcd.h"
#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "platform/db/Fields.h"

namespace {
template <class T> void PutValue(std::vector<uint8_t>& buffer, T value, size_t size = sizeof(T)) {
    buffer.assign(size < sizeof(T) ? sizeof(T) : size, 0);
    std::memcpy(buffer.data(), &value, sizeof(T));
}

void PutAnsiText(std::vector<uint8_t>& buffer, const AnsiString& text) {
    buffer.assign(text.c_str(), text.c_str() + text.size() + 1);
}

void PutWideText(std::vector<uint8_t>& buffer, const WideString& text) {
    const size_t n = (text.size() + 1) * sizeof(wchar_t);
    buffer.assign(n, 0);
    std::memcpy(buffer.data(), text.c_str(), n - sizeof(wchar_t));
}

void PutBytes(std::vector<uint8_t>& buffer, const uint8_t* data, size_t count) {
    if (count > 0xFFFF) count = 0xFFFF;
    buffer.assign(count + 2, 0);
    const auto length = static_cast<uint16_t>(count);
    std::memcpy(buffer.data(), &length, 2);
    if (count) std::memcpy(buffer.data() + 2, data, count);
}

[[noreturn]] void CannotConvert() {
    throw Exception("Cannot convert type");
}

bool IsIntegerCode(TDataTypeCode code) {
    return code == tcInt8 || code == tcInt16 || code == tcInt32 || code == tcUInt16 || code == tcUInt32;
}

struct LocateKey {
    TFieldDesc* desc = nullptr;
    Variant value;
    std::vector<uint8_t> buffer; // empty: the key is null
    TDataTypeCode type = tcUnknown;
    int sortFlags = 0;
    bool descending = false;
};
} // namespace

// ---- value buffers ----

void TMemDataSet::VariantToFieldBuffer(const Variant& value, std::vector<uint8_t>& buffer, bool convertText,
                                       TFieldDesc* desc, TDataTypeCode& valueType) {
    buffer.clear();
    const TDataTypeCode code = desc->TypeCode;
    valueType = code;
    if (value.IsEmptyOrNull()) return;
    if (value.IsString()) {
        if (convertText) {
            const AnsiString text = value.AsAnsiString();
            if (IsIntegerCode(code)) {
                VariantToFieldBuffer(Variant(StrToInt(text.c_str())), buffer, false, desc, valueType);
            } else if (code == tcInt64 || code == tcUInt32) {
                VariantToFieldBuffer(Variant(StrToInt64(text.c_str())), buffer, false, desc, valueType);
            } else if (code == tcFloat || code == tcCurrency || code == tcBCD || code == tcFMTBCD) {
                double d = 0;
                if (!TryStrToFloat(text, d, FormatSettings()))
                    throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
                VariantToFieldBuffer(Variant(d), buffer, false, desc, valueType);
            } else if (code == tcDate) {
                VariantToFieldBuffer(Variant::FromDateTime(StrToDate(text)), buffer, false, desc, valueType);
            } else if (code == tcTime) {
                VariantToFieldBuffer(Variant::FromDateTime(StrToTime(text)), buffer, false, desc, valueType);
            } else if (code == tcDateTime) {
                VariantToFieldBuffer(Variant::FromDateTime(StrToDateTime(text)), buffer, false, desc,
                                     valueType);
            } else if (code == tcBoolean) {
                VariantToFieldBuffer(Variant(value.AsBoolean()), buffer, false, desc, valueType);
            } else if (code == tcBytes || code == tcVarBytes || code == tcExtVarBytes) {
                PutBytes(buffer, reinterpret_cast<const uint8_t*>(text.c_str()),
                         static_cast<size_t>(text.size()));
            } else if (code == tcWideString || code == tcExtWideString || code == tcWideMemo) {
                PutWideText(buffer, value.AsWideString());
                valueType = tcWideString;
            } else if (code > tcWideMemo || code == tcUnknown || (code >= tcObject && code <= tcTable)) {
                CannotConvert();
            } else {
                PutAnsiText(buffer, text);
                valueType = tcString;
            }
            return;
        }
        if (code == tcBoolean) {
            PutValue<uint16_t>(buffer, value.AsBoolean() ? 1 : 0);
        } else if (code == tcBytes || code == tcVarBytes || code == tcExtVarBytes) {
            const AnsiString text = value.AsAnsiString();
            PutBytes(buffer, reinterpret_cast<const uint8_t*>(text.c_str()),
                     static_cast<size_t>(text.size()));
        } else if (code == tcWideString || code == tcExtWideString) {
            PutWideText(buffer, value.AsWideString());
            valueType = tcWideString;
        } else {
            PutAnsiText(buffer, value.AsAnsiString());
            valueType = tcString;
        }
        return;
    }
    switch (code) {
    case tcString:
    case tcExtString:
        PutAnsiText(buffer, value.AsAnsiString());
        valueType = tcString;
        break;
    case tcInt8:
    case tcInt16:
    case tcInt32:
    case tcUInt16:
        PutValue<int32_t>(buffer, value.AsInteger());
        break;
    case tcUInt32:
        // Beyond the signed range: the stored form is unsigned.
        PutValue<uint32_t>(buffer, static_cast<uint32_t>(value.AsInt64()));
        break;
    case tcFloat:
    case tcCurrency:
    case tcBCD:
        PutValue<double>(buffer, value.AsDouble());
        break;
    case tcDate:
    case tcTime:
    case tcDateTime:
        PutValue<double>(buffer, value.AsDateTime());
        break;
    case tcBoolean:
        PutValue<uint16_t>(buffer, value.AsBoolean() ? 1 : 0);
        break;
    case tcInt64:
        PutValue<int64_t>(buffer, value.AsInt64());
        break;
    case tcBytes:
    case tcVarBytes:
    case tcExtVarBytes: {
        if (!value.IsByteArray()) CannotConvert();
        const TBytes& bytes = value.Bytes();
        PutBytes(buffer, bytes.data(), bytes.size());
        break;
    }
    case tcWideString:
    case tcExtWideString:
        PutWideText(buffer, value.AsWideString());
        valueType = tcWideString;
        break;
    case tcFMTBCD: {
        const TBcdRecord record = BcdToRecord(value.AsBcd());
        buffer.assign(sizeof record, 0);
        std::memcpy(buffer.data(), &record, sizeof record);
        break;
    }
    default:
        CannotConvert();
    }
}

// ---- filters ----

void TMemDataSet::InstallFilter() {
    RemoveFilter();
    if (!FIRecordSet) return;
    if (OnFilterRecord())
        FIRecordSet->FilterRecordHook = [this](void* record) { return FilterRecordHook(record); };
    if (!Trim(Filter().c_str()).empty()) FIRecordSet->SetFilterText(Filter());
    FIRecordSet->FilterCaseInsensitive = (FilterOptions() & foCaseInsensitive) != 0;
    FIRecordSet->FilterNoPartialCompare = (FilterOptions() & foNoPartialCompare) != 0;
}

void TMemDataSet::RemoveFilter() {
    if (!FIRecordSet) return;
    FIRecordSet->FilterRecordHook = nullptr;
    FIRecordSet->SetFilterText("");
}

bool TMemDataSet::FilterRecordHook(void* record) {
    TDataSetState saved = SetTempState(dsFilter);
    void* savedBuffer = filterBuffer_;
    filterBuffer_ = static_cast<TRecordBuffer>(record);
    bool accept = true;
    try {
        if (OnFilterRecord()) OnFilterRecord()(this, accept);
    } catch (...) {
        // The application hears of it; the scan goes on with what the event decided.
        InternalHandleException();
    }
    filterBuffer_ = static_cast<TRecordBuffer>(savedBuffer);
    RestoreState(saved);
    return accept;
}

void TMemDataSet::RefilterAndShow() {
    FIRecordSet->Refilter();
    Resync(0);
    First();
}

void TMemDataSet::SetFiltered(bool value) {
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    if (value == Filtered()) return;
    if (value)
        InstallFilter();
    else
        RemoveFilter();
    TDataSet::SetFiltered(value);
    if (Active()) RefilterAndShow();
}

void TMemDataSet::SetFilterData(const AnsiString& text, TFilterOptions options) {
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    if (text == Filter() && options == FilterOptions()) return;
    if (FIRecordSet) {
        FIRecordSet->FilterCaseInsensitive = (options & foCaseInsensitive) != 0;
        FIRecordSet->FilterNoPartialCompare = (options & foNoPartialCompare) != 0;
        if (Filtered() && !Trim(text.c_str()).empty())
            FIRecordSet->SetFilterText(text);
        else
            FIRecordSet->SetFilterText("");
    }
    TDataSet::SetFilterText(text);
    TDataSet::SetFilterOptions(options);
    if (Active() && Filtered()) RefilterAndShow();
}

void TMemDataSet::SetFilterText(const AnsiString& value) {
    SetFilterData(value, FilterOptions());
}

void TMemDataSet::SetFilterOptions(TFilterOptions value) {
    SetFilterData(Filter(), value);
}

void TMemDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    TDataSet::SetOnFilterRecord(value);
    if (FIRecordSet) {
        if (Filtered() && value)
            FIRecordSet->FilterRecordHook = [this](void* record) { return FilterRecordHook(record); };
        else
            FIRecordSet->FilterRecordHook = nullptr;
    }
    if (Active()) RefilterAndShow();
}

bool TMemDataSet::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    DoBeforeScroll();
    SetFound(false);
    UpdateCursorPos();
    CursorPosChanged();
    auto* memData = dynamic_cast<TMemData*>(FIRecordSet);
    const bool temporary = !Filtered();
    auto removeTemporary = [&] {
        if (!temporary) return;
        RemoveFilter();
        if (memData) memData->ClearFilterCache();
    };
    if (temporary) {
        InstallFilter();
        if (memData) memData->ClearFilterCache();
    }
    TRecordBuffer record = TempBuffer();
    FreeBufferObjects(record, true);
    try {
        if (goForward) {
            if (restart) FIRecordSet->SetToBegin();
            FIRecordSet->GetNextRecord(record);
        } else {
            if (restart) FIRecordSet->SetToEnd();
            FIRecordSet->GetPriorRecord(record);
        }
    } catch (...) {
        removeTemporary();
        throw;
    }
    removeTemporary();
    if (!FIRecordSet->IsBOF() && !FIRecordSet->IsEOF()) {
        Resync(rmExact | rmCenter);
        SetFound(true);
    }
    if (Found()) DoAfterScroll();
    return Found();
}

// ---- locating ----

bool TMemDataSet::LocateRecordCore(const std::vector<TFieldDesc*>& keyDescs, const TVariantArray& keyValues,
                                   bool savePosition, unsigned options) {
    auto* memData = dynamic_cast<TMemData*>(FIRecordSet);
    if (keyDescs.empty() || !memData) return false;
    CheckBrowseMode();
    CursorPosChanged();
    UpdateCursorPos();
    TRecordBuffer record = TempBuffer();
    FreeBufferObjects(record, true);

    int flags = 0;
    if (options & locCaseInsensitive) flags |= cfCaseInsensitive;
    if (options & locPartialKey) flags |= cfPartialKey;
    if (options & locPartialCompare) flags |= cfSubstring;

    std::vector<LocateKey> keys(keyDescs.size());
    bool calc = false;
    for (size_t i = 0; i < keys.size(); ++i) {
        keys[i].desc = keyDescs[i];
        keys[i].value = i < keyValues.size() ? keyValues[i] : Variant::Null();
        calc = calc || keyDescs[i]->FieldKind == fkCalculated;
    }

    // Key fields that follow the leading sort columns go first: those are searched by halving.
    size_t sorted = 0;
    if (!(options & (locPartialKey | locNearest | locPartialCompare))) {
        const bool caseInsensitive = (options & locCaseInsensitive) != 0;
        for (int c = 0; c < memData->SortColumns().Count() && sorted < keys.size(); ++c) {
            TSortColumn* column = memData->SortColumns().GetItem(c);
            if ((column->ColumnSortType == stCaseInsensitive) != caseInsensitive) break;
            size_t j = sorted;
            while (j < keys.size() && keys[j].desc != column->ColumnDesc)
                ++j;
            if (j == keys.size()) break;
            std::swap(keys[sorted], keys[j]);
            keys[sorted].sortFlags = column->ColumnSortType == stBinary ? cfBinary : 0;
            keys[sorted].descending = column->IsDescending != 0;
            ++sorted;
        }
    }
    // A key value of no meaning for its field matches no record.
    for (size_t i = 0; i < keys.size(); ++i) {
        try {
            VariantToFieldBuffer(keys[i].value, keys[i].buffer, i < sorted, keys[i].desc, keys[i].type);
        } catch (const Exception&) {
            return false;
        }
    }

    auto readCurrent = [&] {
        FIRecordSet->GetRecord(record);
        if (calc) GetCalcFields(record);
    };
    auto isNull = [&](const LocateKey& key) { return FIRecordSet->GetNull(key.desc->Position, record); };
    // Sign of key − field for one key in sort order.
    auto compareSorted = [&](const LocateKey& key) {
        const bool fieldNull = isNull(key);
        int r;
        if (key.buffer.empty())
            r = fieldNull ? 0 : -1;
        else if (fieldNull)
            r = 1;
        else
            r = memData->CompareFieldValues(key.buffer.data(), key.type, flags | key.sortFlags, record,
                                            key.desc);
        return key.descending ? -r : r;
    };
    auto compareAt = [&](int recNo) {
        FIRecordSet->SetRecNo(recNo);
        readCurrent();
        for (size_t i = 0; i < sorted; ++i)
            if (int r = compareSorted(keys[i])) return r;
        return 0;
    };
    const bool nearest = (options & locNearest) != 0;
    auto matches = [&] {
        for (const LocateKey& key : keys) {
            const bool fieldNull = isNull(key);
            if (key.buffer.empty() || fieldNull) {
                if (key.buffer.empty() != fieldNull) return false;
                continue;
            }
            int r = memData->CompareFieldValues(key.buffer.data(), key.type, flags, record, key.desc);
            if (r > 0 || (r < 0 && !nearest)) return false;
        }
        return true;
    };

    TRowBookmark saved{};
    FIRecordSet->FillBookmark(&saved);
    const bool backward = (options & locBackward) != 0;
    const bool next = (options & locNext) != 0;
    int low = 1;
    int high = FIRecordSet->GetRecordCount();
    bool found = false;
    bool linear = true;
    if (next) {
        if (sorted > 0) {
            FIRecordSet->GetNextRecord(record);
            if (FIRecordSet->IsEOF()) {
                if (!FIRecordSet->IsBOF()) FIRecordSet->GotoBookmark(&saved);
                return false;
            }
        }
        low = FIRecordSet->GetRecNo();
    } else if (backward) {
        if (sorted > 0) FIRecordSet->GetPriorRecord(record);
        high = FIRecordSet->GetRecNo();
    }

    if (sorted > 0 && low >= 1 && low <= high) {
        memData->BuildRecNoCache();
        int hit = 0;
        int c = compareAt(low);
        if (c == 0) {
            hit = low;
        } else if (c > 0) {
            c = compareAt(high);
            if (c == 0) {
                hit = high;
            } else if (c < 0) {
                int lo = low, hi = high;
                while (hi - lo > 1) {
                    const int middle = (lo + hi) / 2;
                    c = compareAt(middle);
                    if (c == 0) {
                        hit = middle;
                        break;
                    }
                    if (c > 0)
                        lo = middle;
                    else
                        hi = middle;
                }
            }
        }
        linear = false;
        if (hit) {
            // To the first (last) of the run of equal records.
            if (!backward)
                while (hit > low && compareAt(hit - 1) == 0)
                    --hit;
            else
                while (hit < high && compareAt(hit + 1) == 0)
                    ++hit;
            if (sorted == keys.size()) {
                // The temporary buffer holds the found record, for Lookup.
                FIRecordSet->SetRecNo(hit);
                readCurrent();
                found = true;
            } else {
                // The linear pass starts at the first record of the run.
                linear = true;
                if (!backward) {
                    if (hit > 1)
                        FIRecordSet->SetRecNo(hit - 1);
                    else
                        FIRecordSet->SetToBegin();
                } else {
                    if (hit < FIRecordSet->GetRecordCount())
                        FIRecordSet->SetRecNo(hit + 1);
                    else
                        FIRecordSet->SetToEnd();
                }
            }
        }
    } else if (sorted == 0 && !next && !backward) {
        FIRecordSet->SetToBegin();
    } else if (sorted > 0) {
        linear = false; // an empty range
    }

    if (linear) {
        for (;;) {
            if (backward)
                FIRecordSet->GetPriorRecord(record);
            else
                FIRecordSet->GetNextRecord(record);
            if (FIRecordSet->IsEOF() || FIRecordSet->IsBOF()) {
                found = nearest;
                break;
            }
            if (calc) GetCalcFields(record);
            if (matches()) {
                found = true;
                break;
            }
        }
    }
    if ((savePosition || !found) && FIRecordSet->GetRecordCount() > 0) FIRecordSet->GotoBookmark(&saved);
    return found;
}

bool TMemDataSet::LocateRecordByNames(const AnsiString& keyFields, const TVariantArray& keyValues,
                                      bool savePosition, unsigned options) {
    CheckActive();
    std::vector<TFieldDesc*> descs;
    size_t pos = 0;
    for (;;) {
        AnsiString name = ExtractFieldName(keyFields, pos);
        if (name.empty()) break;
        descs.push_back(FIRecordSet->FieldDescByName(name));
    }
    return LocateRecordCore(descs, keyValues, savePosition, options);
}

bool TMemDataSet::FindRecordByFields(TField* const* fields, int highIndex, bool savePosition,
                                     unsigned options, const TVariantArray& keyValues) {
    CheckActive();
    std::vector<TFieldDesc*> descs;
    for (int i = 0; i <= highIndex; ++i)
        if (fields[i]) descs.push_back(GetFieldDesc(fields[i]));
    return LocateRecordCore(descs, keyValues, savePosition, options);
}

bool TMemDataSet::Locate(const AnsiString& keyFields, const TVariantArray& keyValues,
                         TLocateOptions options) {
    DoBeforeScroll();
    unsigned own = 0;
    if (options & loCaseInsensitive) own |= locCaseInsensitive;
    if (options & loPartialKey) own |= locPartialKey;
    const bool found = LocateRecordByNames(keyFields, keyValues, false, own);
    if (found) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    return found;
}

bool TMemDataSet::LocateByFields(TField* const* fields, int highIndex, unsigned options,
                                 const TVariantArray& keyValues) {
    DoBeforeScroll();
    const bool found = FindRecordByFields(fields, highIndex, false,
                                          options & (locCaseInsensitive | locPartialKey), keyValues);
    if (found) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    return found;
}

bool TMemDataSet::LocateByFieldsScrolled(TField* const* fields, int highIndex, unsigned options,
                                         const TVariantArray& keyValues) {
    DoBeforeScroll();
    if (!FindRecordByFields(fields, highIndex, false, options, keyValues)) return false;
    if (FIRecordSet->IsBOF() || FIRecordSet->IsEOF())
        Resync(0);
    else
        Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

Variant TMemDataSet::Lookup(const AnsiString& keyFields, const TVariantArray& keyValues,
                            const AnsiString& resultFields) {
    Variant result = Variant::Null();
    if (Active() && Filtered()) {
        TBookmark bookmark = GetBookmark();
        FIRecordSet->Refilter();
        Resync(0);
        if (!bookmark.empty() && BookmarkValid(bookmark.data()))
            GotoBookmark(bookmark);
        else
            First();
    }
    if (LocateRecordByNames(keyFields, keyValues, true, 0)) {
        TDataSetState saved = SetTempState(dsCalcFields);
        try {
            CalculateFields(TempBuffer());
            result = GetFieldValue(resultFields);
        } catch (...) {
            RestoreState(saved);
            throw;
        }
        RestoreState(saved);
    }
    return result;
}
