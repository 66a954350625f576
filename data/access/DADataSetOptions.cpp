#include "data/access/DADataSetOptions.h"

#include "data/access/CRProps.h"
#include "data/memory/Data.h"
#include "data/memory/MemDataSet.h"

TDADataSetOptions::TDADataSetOptions(TMemDataSet* owner) : owner_(owner) {
    SetRequiredFields(true);
    SetTrimFixedChar(true);
    longStrings_ = true;
    flatBuffers_ = false;
}

void TDADataSetOptions::CheckOwnerInactive() {
    if (owner_) owner_->CheckInactive();
}

void TDADataSetOptions::InvalidateFieldDefs() {
    if (!owner_) return;
    owner_->FieldDefs().Updated = false;
    if (owner_->Active()) owner_->FieldDefs().Update();
}

void TDADataSetOptions::SetRequiredFields(bool value) {
    if (value == requiredFields_ && owner_ && owner_->RequiredFields == value) return;
    requiredFields_ = value;
    if (owner_) {
        owner_->RequiredFields = value;
        InvalidateFieldDefs();
    }
}

void TDADataSetOptions::SetNumberRange(bool value) {
    numberRange_ = value;
    if (owner_) owner_->NumberRange = value;
}

void TDADataSetOptions::SetAutoPrepare(bool value) {
    if (value == autoPrepare_) return;
    UnprepareOwner();
    autoPrepare_ = value;
}

void TDADataSetOptions::SetTrimFixedChar(bool value) {
    trimFixedChar_ = value;
    if (owner_ && owner_->RecordSet()) owner_->RecordSet()->TrimFixedChar = value;
}

void TDADataSetOptions::SetTrimVarChar(bool value) {
    trimVarChar_ = value;
    if (owner_ && owner_->RecordSet()) owner_->RecordSet()->TrimVarChar = value;
}

void TDADataSetOptions::SetSetEmptyStrToNull(bool value) {
    setEmptyStrToNull_ = value;
    if (owner_ && owner_->RecordSet()) owner_->RecordSet()->SetEmptyStrToNull = value;
}

void TDADataSetOptions::SetLongStrings(bool value) {
    CheckOwnerInactive();
    longStrings_ = value;
    PushRecordSetProp(prLongStrings, value);
    InvalidateFieldDefs();
}

void TDADataSetOptions::SetFlatBuffers(bool value) {
    CheckOwnerInactive();
    flatBuffers_ = value;
    PushRecordSetProp(prFlatBuffers, value);
}

void TDADataSetOptions::SetQuoteNames(bool value) {
    quoteNames_ = value;
    PushCommandProp(prQuoteNames, value);
}

void TDADataSetOptions::SetCompressBlobMode(TCompressBlobMode value) {
    if (value == compressBlobMode_) return;
    CheckOwnerInactive();
    compressBlobMode_ = value;
    PushRecordSetProp(prCompressBlobMode, static_cast<int>(value));
    InvalidateFieldDefs();
}

void TDADataSetOptions::SetLocalMasterDetail(bool value) {
    if (value == localMasterDetail_) return;
    CheckOwnerInactive();
    localMasterDetail_ = value;
    LocalMasterDetailChanged();
}

bool TDADataSetOptions::CacheCalcFields() const {
    return owner_ ? owner_->CacheCalcFields : cacheCalcFields_;
}

void TDADataSetOptions::SetCacheCalcFields(bool value) {
    if (value == CacheCalcFields()) return;
    CheckOwnerInactive();
    cacheCalcFields_ = value;
    if (owner_) owner_->CacheCalcFields = value;
}

void TDADataSetOptions::SetFieldsOrigin(bool value) {
    if (value == fieldsOrigin_) return;
    CheckOwnerInactive();
    fieldsOrigin_ = value;
    PushRecordSetProp(prFieldsOrigin, value);
}

void TDADataSetOptions::SetDefaultValues(bool value) {
    if (value == defaultValues_) return;
    CheckOwnerInactive();
    defaultValues_ = value;
    PushRecordSetProp(prDefaultValues, value);
}

void TDADataSetOptions::SetExtendedFieldsInfo(bool value) {
    if (value == extendedFieldsInfo_) return;
    CheckOwnerInactive();
    extendedFieldsInfo_ = value;
    PushRecordSetProp(prExtendedFieldsInfo, value);
}

void TDADataSetOptions::SetEnableBCD(bool value) {
    if (value == enableBCD_) return;
    CheckOwnerInactive();
    enableBCD_ = value;
    PushCommandProp(prEnableBCD, value);
}

void TDADataSetOptions::SetEnableFMTBCD(bool value) {
    if (value == enableFMTBCD_) return;
    CheckOwnerInactive();
    enableFMTBCD_ = value;
    PushCommandProp(prEnableFmtBCD, value);
}

int TDADataSetOptions::DetailDelay() const {
    return owner_ ? owner_->DetailDelay() : detailDelay_;
}

void TDADataSetOptions::SetDetailDelay(int value) {
    detailDelay_ = value;
    if (owner_) owner_->SetDetailDelay(value);
}

void TDADataSetOptions::AssignTo(TPersistent* dest) {
    auto* d = dynamic_cast<TDADataSetOptions*>(dest);
    if (!d) {
        TPersistent::AssignTo(dest);
        return;
    }
    d->SetFieldsReadOnly = SetFieldsReadOnly;
    d->SetRequiredFields(requiredFields_);
    d->StrictUpdate = StrictUpdate;
    d->SetNumberRange(numberRange_);
    d->QueryRecCount = QueryRecCount;
    d->SetAutoPrepare(autoPrepare_);
    d->ReturnParams = ReturnParams;
    d->SetTrimFixedChar(trimFixedChar_);
    d->SetLongStrings(longStrings_);
    d->SetFlatBuffers(flatBuffers_);
    d->RemoveOnRefresh = RemoveOnRefresh;
    d->SetQuoteNames(quoteNames_);
    d->SetDetailDelay(DetailDelay());
    d->SetCompressBlobMode(compressBlobMode_);
    d->SetLocalMasterDetail(localMasterDetail_);
    d->SetCacheCalcFields(CacheCalcFields());
    d->SetFieldsOrigin(fieldsOrigin_);
    d->SetDefaultValues(defaultValues_);
    d->UpdateBatchSize = UpdateBatchSize;
    d->UpdateAllFields = UpdateAllFields;
    d->FullRefresh = FullRefresh;
    d->SetTrimVarChar(trimVarChar_);
    d->SetSetEmptyStrToNull(setEmptyStrToNull_);
    d->PrepareUpdateSQL = PrepareUpdateSQL;
    d->SetExtendedFieldsInfo(extendedFieldsInfo_);
    d->SetEnableBCD(enableBCD_);
    d->SetEnableFMTBCD(enableFMTBCD_);
}
