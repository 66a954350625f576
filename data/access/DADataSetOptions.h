#pragma once
// The Options object of the SQL datasets: switches for building fields, fetching, refreshing
// and writing back. Some values live in the dataset or its record set and are pushed there at once.
#include "data/memory/CompressedBlob.h"
#include "platform/core/Persistent.h"
#include "platform/core/Variant.h"

class TMemDataSet;

class TDADataSetOptions : public TPersistent {
public:
    VZ_CLASS(TDADataSetOptions, TPersistent)
    explicit TDADataSetOptions(TMemDataSet* owner);

    bool SetFieldsReadOnly = true;
    bool StrictUpdate = true;
    bool QueryRecCount = false;
    bool ReturnParams = false;
    bool RemoveOnRefresh = true;
    bool FullRefresh = false;
    int UpdateBatchSize = 1;
    bool UpdateAllFields = false;
    bool PrepareUpdateSQL = false;

    bool RequiredFields() const { return requiredFields_; }
    void SetRequiredFields(bool value);
    bool NumberRange() const { return numberRange_; }
    void SetNumberRange(bool value);
    bool AutoPrepare() const { return autoPrepare_; }
    void SetAutoPrepare(bool value);
    bool TrimFixedChar() const { return trimFixedChar_; }
    void SetTrimFixedChar(bool value);
    bool TrimVarChar() const { return trimVarChar_; }
    void SetTrimVarChar(bool value);
    bool SetEmptyStrToNull() const { return setEmptyStrToNull_; }
    void SetSetEmptyStrToNull(bool value);
    bool LongStrings() const { return longStrings_; }
    void SetLongStrings(bool value);
    bool FlatBuffers() const { return flatBuffers_; }
    void SetFlatBuffers(bool value);
    bool QuoteNames() const { return quoteNames_; }
    void SetQuoteNames(bool value);
    TCompressBlobMode CompressBlobMode() const { return compressBlobMode_; }
    void SetCompressBlobMode(TCompressBlobMode value);
    bool LocalMasterDetail() const { return localMasterDetail_; }
    void SetLocalMasterDetail(bool value);
    bool CacheCalcFields() const;
    void SetCacheCalcFields(bool value);
    bool FieldsOrigin() const { return fieldsOrigin_; }
    void SetFieldsOrigin(bool value);
    bool DefaultValues() const { return defaultValues_; }
    void SetDefaultValues(bool value);
    bool ExtendedFieldsInfo() const { return extendedFieldsInfo_; }
    void SetExtendedFieldsInfo(bool value);
    bool EnableBCD() const { return enableBCD_; }
    void SetEnableBCD(bool value);
    bool EnableFMTBCD() const { return enableFMTBCD_; }
    void SetEnableFMTBCD(bool value);
    int DetailDelay() const;
    void SetDetailDelay(int value);

protected:
    void AssignTo(TPersistent* dest) override;
    // The SQL dataset's record set and command take these numbered properties; the in-memory
    // dataset has neither.
    virtual void PushRecordSetProp(int /*prop*/, const Variant& /*value*/) {}
    virtual void PushCommandProp(int /*prop*/, const Variant& /*value*/) {}
    // The dataset's own reactions (unprepare, local master/detail links), the SQL dataset's.
    virtual void UnprepareOwner() {}
    virtual void LocalMasterDetailChanged() {}
    void CheckOwnerInactive();
    void InvalidateFieldDefs();

    TMemDataSet* owner_;

private:
    bool requiredFields_ = true;
    bool numberRange_ = false;
    bool autoPrepare_ = false;
    bool trimFixedChar_ = true;
    bool trimVarChar_ = false;
    bool setEmptyStrToNull_ = false;
    bool longStrings_ = true;
    bool flatBuffers_ = false;
    bool quoteNames_ = false;
    TCompressBlobMode compressBlobMode_ = cbNone;
    bool localMasterDetail_ = false;
    bool fieldsOrigin_ = false;
    bool defaultValues_ = false;
    bool extendedFieldsInfo_ = false;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
    // Without a dataset the two dataset-held values are kept here.
    bool cacheCalcFields_ = false;
    int detailDelay_ = 0;
};
