#pragma once
// TMemDataSet: the dataset over a record set (a TMemData or a provider's record set derived from
// it). The record set keeps the rows, their order, filter, bookmarks and cached changes; the
// dataset lays out its record buffers, builds field definitions from the field descriptors,
// reads and writes field values and moves through the records.
//
// Record buffer: the record set's record (with its calculated area unless calculated fields
// are cached), then 7 bytes of record info (int32 record number, update status, bookmark flag,
// objects-referenced byte), then the record's bookmark (12 bytes with 4-byte pointers).
#include <memory>
#include <utility>
#include <vector>

#include "data/memory/DataSetServices.h"
#include "data/memory/MemData.h"
#include "platform/db/DataSet.h"

class TWin32Timer;
class TBlob;

using TUpdateRecordEvent = std::function<void(TDataSet* dataSet, TUpdateKind kind, int& action)>;
using TUpdateErrorEvent =
    std::function<void(TDataSet* dataSet, EDatabaseError& e, TUpdateKind kind, int& action)>;

// Bytes of the record info and the bookmark that follow the record in a dataset buffer.
constexpr int MemRecordInfoSize = 7;
constexpr int MemBookmarkSize = sizeof(TRowBookmark); // holds a row item pointer

// Record info of a dataset buffer, at the record-info offset.
#pragma pack(push, 1)
struct TMemRecordInfo {
    int32_t RecordNumber;
    uint8_t UpdateStatus;
    uint8_t BookmarkFlag;
    uint8_t ObjectsReferenced;
};
#pragma pack(pop)
static_assert(sizeof(TMemRecordInfo) == MemRecordInfoSize);

// Options of the record search (the platform's locate options are the first two).
constexpr unsigned locCaseInsensitive = 1;
constexpr unsigned locPartialKey = 2;
constexpr unsigned locNearest = 4;
constexpr unsigned locNext = 8;
constexpr unsigned locBackward = 16;
constexpr unsigned locPartialCompare = 32;

// Update actions of this system beyond the platform's.
constexpr int uaBatched = 6;       // the record joined the current batch, not written yet
constexpr int uaDefaultApply = 10; // the event asks for the default statement after all

class TMemDataSet : public TDataSet {
public:
    VZ_CLASS(TMemDataSet, TDataSet)
    explicit TMemDataSet(TComponent* owner);
    ~TMemDataSet() override;

    // ---- new virtual operations ----
    virtual void CreateRecordSet();
    virtual void SetRecordSet(TData* recordSet);
    virtual TClass GetServiceClass() const { return TDataSetService::StaticClass(); }
    virtual void SetService(TDataSetService* service);
    virtual void ReopenRecordSet();
    virtual TClass GetDataTypesMapClass() const { return TDataTypesMap::StaticClass(); }
    // True when the definitions are not up to date, i.e. they must be (re)built.
    virtual bool FieldDefsStillValid();
    virtual void BuildFieldDefs();
    virtual bool UsesNestedFieldDefs() { return false; }
    virtual AnsiString GetArrayItemDefName(TFieldDef* parentDef, int index, TObjectTypeDesc* objectType);
    virtual uint16_t FieldDefSizeOf(TFieldType fieldType, TFieldDesc* desc);
    virtual TFieldType FieldTypeOfDataType(TDataTypeCode code);
    virtual TFieldType FieldTypeOfDesc(TFieldDesc* desc) { return FieldTypeOfDataType(desc->TypeCode); }
    // Editing, links, filtering and locating slots: filled by the layers that build them.
    virtual void PostToUpdater();
    virtual void ApplyDefaultValues();
    virtual void VariantToFieldBuffer(const Variant& value, std::vector<uint8_t>& buffer, bool convertText,
                                      TFieldDesc* desc, TDataTypeCode& valueType);
    virtual bool PrepareLocalMDLinks() { return BuildLocalMDLinks(); }
    virtual void RefreshDetail(TObject* sender);
    virtual bool UsesLocalMasterDetail() { return HasMasterLink(); }
    virtual void RefreshLocalDetail();
    virtual void Prepare();
    virtual void Unprepare();
    virtual TFieldDesc* GetFieldDesc(TField* field);
    virtual void ApplyCachedUpdates() { ApplyCachedUpdatesOf(ukSetAll); }
    virtual void ApplyCachedUpdatesOf(uint8_t kinds);

    // ---- other operations ----
    bool IsPrepared() const { return FIRecordSet && FIRecordSet->Prepared; }
    TData* RecordSet() const { return FIRecordSet; }
    TDataSetService* Service() const { return service_.get(); }
    void EnsureService();
    TDataTypesMap& DataTypesMap();
    const AnsiString& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const AnsiString& value);
    bool CachedUpdates() const { return cachedUpdates_; }
    // True while ApplyCachedUpdates writes the cached changes.
    bool InCacheProcessing() const { return applying_; }
    void SetCachedUpdates(bool value);
    bool LocalUpdate() const { return localUpdate_; }
    void SetLocalUpdate(bool value);
    const AnsiString& MasterFields() const { return masterFields_; }
    void SetMasterFields(const AnsiString& value);
    const AnsiString& DetailFields() const { return detailFields_; }
    void SetDetailFields(const AnsiString& value);
    int DetailDelay() const { return detailDelay_; }
    void SetDetailDelay(int value);

    // ---- master/detail ----
    TDataSource* MasterSource() const;
    // "Circular datalinks are not allowed" for a source whose dataset is linked back to this one.
    void SetMasterSource(TDataSource* source);
    TDataSource* GetDataSource() override { return MasterSource(); }
    void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) override;
    bool HasMasterLink() const;
    bool IsMasterActive() const;
    void MasterRecordChanged();
    void EnsureDetailTimer();
    TWin32Timer* DetailTimer() const { return detailTimer_.get(); }
    bool BuildLocalMDLinks();
    void InstallLocalMDFilter();
    bool LocalMDFilter(void* record);

    // The buffer the fields read in the current state; false when there is none.
    bool CurrentRecordBuffer(void*& buffer);
    // The record before and after its change: the apply buffers while cached updates are
    // applied, else the current record's.
    void* OldValueBuffer();
    void* NewValueBuffer();
    void FreeBufferObjects(TRecordBuffer buffer, bool withBlobs);
    void ReleaseBufferObjects();
    // nullptr without a current buffer; "Field is not BLOB" for other fields.
    TBlob* GetBlobOfDesc(TFieldDesc* desc);
    TBlob* GetBlobOfField(TField* field);
    TBlob* GetBlobByName(const AnsiString& name);
    // The descriptor's Position; Exception "Field %s not found" when the field has none.
    int DescPositionOf(TField* field);

    TDataSetState EnterTempState(TDataSetState state) { return SetTempState(state); }
    void LeaveTempState(TDataSetState state) { RestoreState(state); }
    void SetDataSetModified(bool value) { SetModified(value); }
    TDataSetState DataSetState() const { return State(); }

    // Buffer layout of the current open.
    int RecordInfoOffset() const { return recordInfoOffset_; }
    int BookmarkOffset() const { return bookmarkOffset_; }
    int RecordBufferSize() const { return recBufSize_; }

    // ---- options (set by the SQL dataset's options) ----
    bool RequiredFields = true;
    bool NumberRange = false;
    // Every record read into a buffer takes its own reference to the record's objects.
    bool ReferenceOnRead = false;
    // Calculated fields are computed once when rows are stored, not at every read.
    bool CacheCalcFields = false;
    bool WritingDefaults = false;

    TUpdateErrorEvent OnUpdateError;
    TUpdateRecordEvent OnUpdateRecord;

    // ---- overrides of the dataset base (public where the framework's are) ----
    bool GetFieldData(TField* field, void* buffer) override;
    bool GetFieldData(int fieldNo, void* buffer) override;
    bool GetFieldData(TField* field, void* buffer, bool nativeFormat) override;
    void SetFieldData(TField* field, const void* buffer) override;
    void SetFieldData(TField* field, const void* buffer, bool nativeFormat) override;
    void DataConvert(TField* field, const void* source, void* dest, bool toNative) override;
    Variant GetStateFieldValue(TDataSetState state, TField* field) override;
    TClass GetFieldClass(TFieldType fieldType) override;
    TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    bool BookmarkValid(const void* bookmark) override;
    int CompareBookmarks(const void* a, const void* b) override;
    bool IsSequenced() override { return true; }
    void SetBlockReadSize(int value) override;
    TUpdateStatus UpdateStatus() override;
    // The cancelled record's objects stay alive through the cancel events.
    void Cancel() override;

    // ---- filtering, locating, lookup ----
    void SetFiltered(bool value) override;
    void SetFilterOptions(TFilterOptions value) override;
    void SetOnFilterRecord(const TFilterRecordEvent& value) override;
    bool FindRecord(bool restart, bool goForward) override;
    bool Locate(const AnsiString& keyFields, const TVariantArray& keyValues, TLocateOptions options) override;
    using TDataSet::Locate;
    // Never moves the cursor.
    Variant Lookup(const AnsiString& keyFields, const TVariantArray& keyValues,
                   const AnsiString& resultFields) override;
    using TDataSet::Lookup;
    void InstallFilter();
    void RemoveFilter();
    bool FilterRecordHook(void* record);
    // keyValues: one per key field (Null past its end). A key value that cannot be converted for
    // its field matches no record.
    bool LocateRecordCore(const std::vector<TFieldDesc*>& keyDescs, const TVariantArray& keyValues,
                          bool savePosition, unsigned options);
    bool LocateRecordByNames(const AnsiString& keyFields, const TVariantArray& keyValues, bool savePosition,
                             unsigned options);
    bool FindRecordByFields(TField* const* fields, int highIndex, bool savePosition, unsigned options,
                            const TVariantArray& keyValues);
    bool LocateByFields(TField* const* fields, int highIndex, unsigned options,
                        const TVariantArray& keyValues);
    bool LocateByFieldsScrolled(TField* const* fields, int highIndex, unsigned options,
                                const TVariantArray& keyValues);

    // ---- cached updates ----
    void CommitCachedUpdates();
    void RevertCurrentRecord();
    // "Not in cached update mode" unless CachedUpdates is on.
    void CheckCachedUpdates();
    int CurrentUpdateResult();

protected:
    void DoOnNewRecord() override;
    void SetFilterText(const AnsiString& value) override;
    void AssignTo(TPersistent* dest) override;
    TData* FIRecordSet = nullptr;

    void CloseCursor() override;
    void OpenCursor(bool infoQuery) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() override { return FIRecordSet && FIRecordSet->Active; }
    void InternalInitFieldDefs() override;
    void InternalRefresh() override;
    void InternalHandleException() override;
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    int GetRecordSize() override { return FIRecordSet ? FIRecordSet->RecordSize : 0; }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InitRecord(TRecordBuffer buffer) override;
    void ClearCalcFields(TRecordBuffer buffer) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
    void GetBookmarkData(TRecordBuffer buffer, void* data) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalAddRecord(const void* buffer, bool append) override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoSlot(int value) override;
    void InternalInsert() override { inserting_ = true; }
    // The active buffer gets objects of its own, so that changes stay there until posted.
    void InternalEdit() override;
    void InternalPost() override;
    void InternalDelete() override;
    // Drops what the buffer made or changed since the edit or insert began.
    void InternalCancel() override;
    void CloseBlob(TField*) override {}
    void DoAfterOpen() override;

    // Record-set hooks.
    void CreateCalcFieldDescs();
    void CalcRecordFields(void* buffer, void* source);

    TMemRecordInfo* RecordInfo(TRecordBuffer buffer) const {
        return reinterpret_cast<TMemRecordInfo*>(buffer + recordInfoOffset_);
    }

private:
    void EnsureRecordSet();
    void FreeRecordSet();
    void BuildChildDefs(TFieldDef* parentDef, TFieldDesc* desc, TObjectTypeDesc* objectType);
    // The descriptor that holds the value of field: its data descriptor or its calculated one.
    TFieldDesc* ValueDesc(TField* field);
    bool ReadFieldValue(TFieldDesc* desc, void* record, void* dest, int sizeLimit);
    void ComputeBufferLayout();
    // One apply or commit pass with the two apply buffers; they are freed and the dataset
    // resynchronised however the pass ends.
    void RunApplyPass(const std::function<void()>& pass);
    void SetFilterData(const AnsiString& text, TFilterOptions options);
    // Runs change, then installs the local filter and refreshes when a master link was or is set.
    void ChangeMasterLink(const std::function<void()>& change);
    void RefilterAndShow();

    std::unique_ptr<TDataSetService> service_;
    std::unique_ptr<TDataTypesMap> dataTypesMap_;
    std::unique_ptr<TDetailDataLink> dataLink_;
    // One per linked field pair: the master's value in the detail's comparison form, always a
    // copy of its own, so it outlives the master's buffers.
    struct TLocalMDLink {
        bool MasterNull = true;
        std::vector<uint8_t> Value;
        TDataTypeCode ValueType = 0;
        uint16_t DetailFieldNo = 0;
    };
    std::vector<TLocalMDLink> localLinks_;
    std::unique_ptr<TWin32Timer> detailTimer_;
    TRecordBuffer spareBuffer_ = nullptr;
    TRecordBuffer filterBuffer_ = nullptr;
    bool cachedUpdates_ = false;
    bool localUpdate_ = false;
    bool inserting_ = false;
    bool editing_ = false;
    AnsiString indexFieldNames_;
    // One pair per calculated or lookup field.
    std::vector<std::pair<TFieldDesc*, TField*>> calcFieldMap_;
    TUpdateStatusSet visibleUpdateTypes_;
    int detailDelay_ = 0;
    AnsiString masterFields_;
    AnsiString detailFields_;
    int bookmarkOffset_ = 0;
    int recordInfoOffset_ = 0;
    int recBufSize_ = 0;
    // By field number: read without the conversions of ReadFieldValue.
    std::vector<uint8_t> plainFields_;
    bool applying_ = false;
    TRecordBuffer applyNewBuffer_ = nullptr;
    TRecordBuffer applyOldBuffer_ = nullptr;
};
