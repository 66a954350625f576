#include "data/memory/DataSetServices.h"

#include <cmath>

#include "data/memory/MemDataSet.h"

// ---- data types map ----

TFieldType TDataTypesMap::FieldTypeOf(TDataTypeCode code) const {
    switch (code) {
    case tcUnknown:
        return ftUnknown;
    case tcString:
    case tcExtString:
        return ftString;
    case tcInt8:
    case tcInt16:
        return ftSmallint;
    case tcInt32:
        return ftInteger;
    case tcFloat:
        return ftFloat;
    case tcDate:
        return ftDate;
    case tcTime:
        return ftTime;
    case tcDateTime:
        return ftDateTime;
    case tcUInt16:
        return ftWord;
    case tcBoolean:
        return ftBoolean;
    case tcInt64:
    case tcUInt32:
        return ftLargeint;
    case tcCurrency:
        return ftCurrency;
    case tcBlob:
        return ftBlob;
    case tcMemo:
    case tcWideMemo:
        return ftMemo;
    case tcObject:
        return ftADT;
    case tcReference:
        return ftReference;
    case tcArray:
        return ftArray;
    case tcTable:
        return ftDataSet;
    case tcVariant:
        return ftVariant;
    case tcBytes:
        return ftBytes;
    case tcVarBytes:
    case tcExtVarBytes:
        return ftVarBytes;
    case tcWideString:
    case tcExtWideString:
        return ftWideString;
    case tcBCD:
        return ftBCD;
    case tcFMTBCD:
        return ftFMTBcd;
    case tcGuid:
        return ftGuid;
    case tcCursor:
        return ftCursor;
    default:
        Assert(false, "Unknown data type");
        return ftUnknown;
    }
}

TDataTypeCode TDataTypesMap::DataTypeOf(TFieldType fieldType) const {
    static const TDataTypeCode table[ftLastPlatformType + 1] = {
        tcUnknown,    // ftUnknown
        tcString,     // ftString
        tcInt16,      // ftSmallint
        tcInt32,      // ftInteger
        tcUInt16,     // ftWord
        tcBoolean,    // ftBoolean
        tcFloat,      // ftFloat
        tcCurrency,   // ftCurrency
        tcBCD,        // ftBCD
        tcDate,       // ftDate
        tcTime,       // ftTime
        tcDateTime,   // ftDateTime
        tcBytes,      // ftBytes
        tcVarBytes,   // ftVarBytes
        tcInt32,      // ftAutoInc
        tcBlob,       // ftBlob
        tcMemo,       // ftMemo
        tcUnknown,    // ftGraphic
        tcUnknown,    // ftFmtMemo
        tcUnknown,    // ftParadoxOle
        tcUnknown,    // ftDBaseOle
        tcUnknown,    // ftTypedBinary
        tcCursor,     // ftCursor
        tcString,     // ftFixedChar
        tcWideString, // ftWideString
        tcInt64,      // ftLargeint
        tcObject,     // ftADT
        tcArray,      // ftArray
        tcReference,  // ftReference
        tcTable,      // ftDataSet
        tcUnknown,    // ftOraBlob
        tcUnknown,    // ftOraClob
        tcVariant,    // ftVariant
        tcUnknown,    // ftInterface
        tcUnknown,    // ftIDispatch
        tcGuid,       // ftGuid
        tcUnknown,    // ftTimeStamp
        tcFMTBCD,     // ftFMTBcd
    };
    if (fieldType < 0 || fieldType > ftLastPlatformType) return tcUnknown;
    return table[fieldType];
}

// ---- updater ----

TDataSetUpdater::TDataSetUpdater(TDataSetService* service) : service_(service), dataSet_(nullptr) {
    Assert(service != nullptr, "Service must be given");
    dataSet_ = service->DataSet();
}

void TDataSetUpdater::Perform(bool (TDataSetUpdater::*operation)()) {
    // The statement must not leave the dataset looking changed (or unchanged) by itself.
    bool modified = dataSet_->Modified();
    try {
        if (!dataSet_->LocalUpdate()) (this->*operation)();
    } catch (...) {
        dataSet_->SetDataSetModified(modified);
        throw;
    }
    dataSet_->SetDataSetModified(modified);
}

void TDataSetUpdater::HandleInsert() {
    Perform(&TDataSetUpdater::PerformInsert);
}

void TDataSetUpdater::HandleDelete() {
    Perform(&TDataSetUpdater::PerformDelete);
}

void TDataSetUpdater::HandleUpdate() {
    Perform(&TDataSetUpdater::PerformUpdate);
}

void TDataSetUpdater::HandleApplyRecord(int updateKind, int& action, bool isLast) {
    bool modified = dataSet_->Modified();
    int result = uaFail;
    auto kind = static_cast<TUpdateKind>(updateKind);
    try {
        try {
            bool write = true;
            if (dataSet_->OnUpdateRecord) {
                dataSet_->OnUpdateRecord(dataSet_, kind, result);
                if (result == uaFail) DatabaseError("Update failed");
                if (result == uaAbort) throw EAbort("Operation aborted");
                write = result == uaDefaultApply;
            }
            if (write) {
                switch (kind) {
                case TUpdateKind::ukModify:
                    PerformUpdate();
                    break;
                case TUpdateKind::ukInsert:
                    PerformInsert();
                    break;
                case TUpdateKind::ukDelete:
                    PerformDelete();
                    break;
                }
                if (BatchUpdateActive() && !isLast && !BatchIsFull()) {
                    result = uaBatched;
                } else {
                    if (BatchUpdateActive()) FlushBatch();
                    result = uaApplied;
                }
            }
        } catch (EDatabaseError& e) {
            if (!dataSet_->OnUpdateError) throw;
            dataSet_->OnUpdateError(dataSet_, e, kind, result);
            if (result == uaFail) throw;
            if (result == uaAbort) throw EAbort("Operation aborted");
        }
    } catch (...) {
        dataSet_->SetDataSetModified(modified);
        throw;
    }
    dataSet_->SetDataSetModified(modified);
    action = result;
}

// ---- service ----

TDataSetService::TDataSetService(TComponent* dataSet) : dataSet_(dynamic_cast<TMemDataSet*>(dataSet)) {
    Assert(dataSet_ != nullptr, "DataSet must be a TMemDataSet");
    MakeUpdater();
}

TDataSetService::~TDataSetService() {
    FreeUpdater();
}

void TDataSetService::MakeUpdater() {
    SetUpdater(new TDataSetUpdater(this));
}

void TDataSetService::SetUpdater(TDataSetUpdater* updater) {
    updater_.reset(updater);
}

TClass TDataSetService::FieldClassOfType(TFieldType fieldType) {
    return DefaultFieldClass(fieldType);
}

void TDataSetService::PlaceholderA() {
    Assert(false, "Reserved");
}

void TDataSetService::PlaceholderB() {
    Assert(false, "Reserved");
}

namespace {
// 10^digits - 1 kept within limit: a length at or beyond the type's digits would overflow or
// admit values the field cannot hold.
int64_t DigitsMax(int digits, int64_t limit) {
    int64_t value = 0;
    for (int i = 0; i < digits; ++i) {
        if (value > (limit - 9) / 10) return limit;
        value = value * 10 + 9;
    }
    return value;
}
} // namespace

void TDataSetService::ApplyNumberRange(TFieldDef* fieldDef) {
    TFieldType type = fieldDef->DataType();
    if (type != ftSmallint && type != ftInteger && type != ftFloat && type != ftLargeint) return;
    TField* field = dataSet_->FindField(fieldDef->Name());
    if (!field) return;
    dataSet_->CheckFieldCompatibility(field, fieldDef);
    TData* recordSet = dataSet_->RecordSet();
    TFieldDesc* desc = recordSet ? recordSet->FindFieldDesc(fieldDef->Name()) : nullptr;
    if (!desc) return;
    int length = desc->DeclaredLength;
    int scale = desc->DeclaredScale;
    switch (type) {
    case ftSmallint:
    case ftInteger: {
        auto* intField = dynamic_cast<TIntegerField*>(field);
        Assert(intField != nullptr, "Field must be a TIntegerField");
        // A one-byte column is a smallint field that holds -128..127.
        bool int8 = desc->TypeCode == tcInt8;
        int64_t typeMax = int8 ? INT8_MAX : type == ftSmallint ? INT16_MAX : INT32_MAX;
        int64_t typeMin = int8 ? INT8_MIN : type == ftSmallint ? INT16_MIN : INT32_MIN;
        int64_t max = DigitsMax(length, typeMax);
        intField->MaxValue = static_cast<int>(max);
        intField->MinValue = static_cast<int>(max == typeMax ? typeMin : -max);
        break;
    }
    case ftLargeint: {
        auto* largeField = dynamic_cast<TLargeintField*>(field);
        Assert(largeField != nullptr, "Field must be a TLargeintField");
        int64_t max = DigitsMax(length, INT64_MAX);
        largeField->MaxValue = max;
        largeField->MinValue = max == INT64_MAX ? INT64_MIN : -max;
        break;
    }
    case ftFloat: {
        if (length < 1 || length > 15) return;
        auto* floatField = dynamic_cast<TFloatField*>(field);
        Assert(floatField != nullptr, "Field must be a TFloatField");
        floatField->Precision = length;
        floatField->MaxValue = std::pow(10.0, length - scale) - std::pow(10.0, -scale);
        floatField->MinValue = -floatField->MaxValue;
        break;
    }
    default:
        break;
    }
}
