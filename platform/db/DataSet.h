#pragma once
// TDataSet: the cursor, its ring of record buffers, states, fields and editing protocol over the
// Internal... slots a descendant fills; TDataSource and TDataLink carry its events to the
// controls and detail datasets that show it.
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Components.h"
#include "platform/core/Lists.h"
#include "platform/db/Fields.h"

class TDataSource;
class TDataLink;
class TParams;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& e, TDataAction& action)>;

// An index description, as the provider-support operations answer it.
class TIndexDef : public TCollectionItem {
public:
    VZ_CLASS(TIndexDef, TCollectionItem)
    AnsiString Name;
    AnsiString Fields;
    AnsiString DescFields;
    AnsiString CaseInsFields;
    TIndexOptions Options = 0;
    AnsiString GetDisplayName() const override { return Name; }
};

class TDataSet : public TComponent {
public:
    VZ_CLASS(TDataSet, TComponent)
    explicit TDataSet(TComponent* owner);
    // A descendant closes in its own destructor (Destroying(); SetActive(false)) so that its
    // InternalClose still runs; the base closes whatever is still open without the descendant.
    ~TDataSet() override;

    // ---- open and close ----
    bool Active() const { return state_ != dsInactive; }
    virtual void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    void CheckActive();
    void CheckInactive();
    void Loaded() override;

    // ---- fields ----
    TFieldDefs& FieldDefs() { return *fieldDefs_; }
    TFieldDefList& FieldDefList();
    TFields& Fields() { return *fields_; }
    TFieldList& FieldList();
    int FieldCount() const { return fields_->Count(); }
    TField* FindField(const AnsiString& name);
    TField* FieldByName(const AnsiString& name);
    TField* FieldByNumber(int fieldNo);
    // The fields were made from the definitions at open.
    bool DefaultFields() const { return defaultFields_; }
    bool ObjectView() const { return objectView_; }
    void SetObjectView(bool value);
    bool SparseArrays() const { return sparseArrays_; }
    void SetSparseArrays(bool value);
    // Builds the definitions through InternalInitFieldDefs (an information-only open when closed).
    void InitFieldDefs();
    void InitFieldDefsFromFields();
    // A field per definition (children of object definitions under ObjectView).
    virtual void CreateFields();
    virtual void DestroyFields();
    // Ties each data field to its definition (field number, size check); binding False unties.
    virtual void BindFields(bool binding);
    // Raises "Type mismatch for field '%s', expecting: %s actual: %s" when the field cannot show
    // the definition.
    virtual void CheckFieldCompatibility(TField* field, TFieldDef* fieldDef);
    int CalcFieldsSize() const { return calcFieldsSize_; }
    bool AutoCalcFields = true;
    // The value of one field ("A") or of several ("A;B" answers the last; GetFieldValues all).
    Variant GetFieldValue(const AnsiString& fieldName);
    TVariantArray GetFieldValues(const AnsiString& fieldNames);
    void SetFieldValue(const AnsiString& fieldName, const Variant& value);
    // Fields of a ";"-separated list (unknown names raise "Field '%s' not found").
    void GetFieldList(std::vector<TField*>& list, const AnsiString& fieldNames);
    void GetFieldNames(std::vector<AnsiString>& list);

    // ---- navigation ----
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by distance records; answers how far it went.
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return activeRecord_ >= recordCount_; }
    virtual int RecordCount() { return GetRecordCount(); }
    virtual int RecNo() { return GetRecNo(); }
    void SetRecNo(int value) { SetRecNoSlot(value); }
    virtual bool IsSequenced() { return false; }
    void Refresh();
    virtual void Resync(TResyncMode mode);
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord_ = -1; }
    void CheckBrowseMode();
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ != 0; }

    // ---- bookmarks ----
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
    TBookmark Bookmark() { return GetBookmark(); }
    void SetBookmark(const TBookmark& value) { GotoBookmark(value); }
    virtual bool BookmarkValid(const void* bookmark) { return bookmark != nullptr; }
    bool BookmarkAvailable();
    // -1, 0 or 1; the base compares nothing and answers 0.
    virtual int CompareBookmarks(const void* a, const void* b);
    int BookmarkSize() const { return bookmarkSize_; }

    // ---- editing ----
    void Insert();
    void Append();
    void Edit();
    void Post();
    virtual void Cancel();
    void Delete();
    void InsertRecord(const TVariantArray& values);
    void AppendRecord(const TVariantArray& values);
    void UpdateRecord();
    void ClearFields();
    bool Modified() const { return modified_; }
    bool CanModify() { return GetCanModify(); }
    virtual TUpdateStatus UpdateStatus() { return TUpdateStatus::usUnmodified; }

    // ---- field data ----
    // Value of field in the record buffer of the current state; false when null (or there is
    // no record). buffer nullptr only asks for null.
    virtual bool GetFieldData(TField* field, void* buffer);
    virtual bool GetFieldData(int fieldNo, void* buffer);
    virtual bool GetFieldData(TField* field, void* buffer, bool nativeFormat);
    virtual void SetFieldData(TField* field, const void* buffer);
    virtual void SetFieldData(TField* field, const void* buffer, bool nativeFormat);
    // Between the buffer form (native) and the values fields work with (see TField).
    virtual void DataConvert(TField* field, const void* source, void* dest, bool toNative);
    virtual TClass GetFieldClass(TFieldType fieldType);
    virtual TStream* CreateBlobStream(TField* field, TBlobStreamMode mode);
    virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
    virtual void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value);

    // ---- filtering and searching ----
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool value);
    const AnsiString& Filter() const { return filterText_; }
    void SetFilter(const AnsiString& value) { SetFilterText(value); }
    TFilterOptions FilterOptions() const { return filterOptions_; }
    virtual void SetFilterOptions(TFilterOptions value);
    const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
    virtual void SetOnFilterRecord(const TFilterRecordEvent& value);
    virtual bool FindRecord(bool restart, bool goForward);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    bool FindLast() { return FindRecord(true, false); }
    bool Found() const { return found_; }
    // keyValues: one value per ";"-separated key field. The base finds nothing.
    virtual bool Locate(const AnsiString& keyFields, const TVariantArray& keyValues, TLocateOptions options);
    bool Locate(const AnsiString& keyFields, const Variant& keyValue, TLocateOptions options) {
        return Locate(keyFields, TVariantArray{keyValue}, options);
    }
    // Value of resultFields in the record whose key fields hold keyValues; Null when none.
    virtual Variant Lookup(const AnsiString& keyFields, const TVariantArray& keyValues,
                           const AnsiString& resultFields);
    Variant Lookup(const AnsiString& keyFields, const Variant& keyValue, const AnsiString& resultFields) {
        return Lookup(keyFields, TVariantArray{keyValue}, resultFields);
    }

    // ---- master/detail ----
    virtual TDataSource* GetDataSource() { return nullptr; }
    virtual void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields);
    virtual void GetDetailDataSets(std::vector<TDataSet*>& list);
    bool IsLinkedTo(TDataSource* dataSource);
    TDataSetField* DataSetField() const { return dataSetField_; }
    bool IsUniDirectional() const { return uniDirectional_; }

    // ---- data links and events ----
    virtual void DataEvent(TDataEvent event, intptr_t info);
    int BlockReadSize() const { return blockReadSize_; }
    virtual void SetBlockReadSize(int value);

    // ---- provider support ----
    virtual void PSEndTransaction(bool commit);
    virtual int PSExecuteStatement(const AnsiString& sql, TParams* params, TDataSet** resultSet = nullptr);
    virtual void PSExecute();
    virtual TIndexDef* PSGetDefaultOrder();
    virtual AnsiString PSGetKeyFields();
    virtual TParams* PSGetParams();
    virtual AnsiString PSGetQuoteChar();
    virtual AnsiString PSGetTableName();
    virtual bool PSInTransaction();
    virtual bool PSIsSQLBased();
    virtual bool PSIsSQLSupported();
    virtual void PSReset();
    virtual void PSSetParams(TParams* params);
    virtual void PSSetCommandText(const AnsiString& commandText);
    virtual void PSStartTransaction();
    virtual bool PSUpdateRecord(TUpdateKind updateKind, TDataSet* delta);

    // ---- record buffers (public for the data-access layer and links) ----
    TRecordBuffer ActiveBuffer() const;
    // The spare buffer after the valid ones (GetNextRecord reads into it).
    TRecordBuffer TempBuffer() const { return buffers_.empty() ? nullptr : buffers_[recordCount_]; }
    TRecordBuffer CalcBuffer() const { return calcBuffer_; }
    TRecordBuffer GetBuffer(int index) const { return buffers_[index]; }
    // Buffers shown (the most any data link asks for, at least 1).
    int BufferCount() const { return bufferCount_; }
    // Buffers holding records.
    int BufferRecordCount() const { return recordCount_; }
    int ActiveRecord() const { return activeRecord_; }
    int CurrentRecord() const { return currentRecord_; }

    // ---- events ----
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit,
        AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll,
        AfterScroll, BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;
    TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // ---- slots a descendant fills ----
    virtual TRecordBuffer AllocRecordBuffer() { return nullptr; }
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) { buffer = nullptr; }
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck);
    virtual int GetRecordSize() { return 0; }
    virtual bool IsCursorOpen() { return false; }
    virtual void InternalOpen();
    virtual void InternalClose();
    virtual void InternalInitFieldDefs();
    virtual void InternalHandleException();
    virtual void InternalFirst() {}
    virtual void InternalLast() {}
    virtual void InternalGotoBookmark(const void* bookmark);
    virtual void InternalSetToRecord(TRecordBuffer buffer);
    virtual void InternalInitRecord(TRecordBuffer buffer);
    virtual void InitRecord(TRecordBuffer buffer);
    virtual void InternalAddRecord(const void* buffer, bool append);
    virtual void InternalInsert() {}
    virtual void InternalEdit() {}
    // The base checks required fields.
    virtual void InternalPost();
    virtual void InternalCancel() {}
    virtual void InternalDelete();
    virtual void InternalRefresh() {}
    virtual void ClearCalcFields(TRecordBuffer buffer);
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer);
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value);
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data);
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data);
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNoSlot(int) {}
    virtual bool GetCanModify() { return true; }
    virtual void OpenCursor(bool infoQuery);
    virtual void CloseCursor();
    virtual void CloseBlob(TField*) {}
    virtual void SetFilterText(const AnsiString& value);
    // The next record into the spare buffer and the ring; false at the end.
    virtual bool GetNextRecord();
    virtual bool GetPriorRecord();
    virtual int GetNextRecords();
    virtual int GetPriorRecords();
    virtual void SetBufferCount(int value);
    virtual void CalculateFields(TRecordBuffer buffer);
    virtual void GetCalcFields(TRecordBuffer buffer);
    virtual void DoOnCalcFields();
    virtual void DoOnNewRecord();
    virtual void DoBeforeOpen();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoAfterClose();
    virtual void DoBeforeInsert();
    virtual void DoAfterInsert();
    virtual void DoBeforeEdit();
    virtual void DoAfterEdit();
    virtual void DoBeforePost();
    virtual void DoAfterPost();
    virtual void DoBeforeCancel();
    virtual void DoAfterCancel();
    virtual void DoBeforeDelete();
    virtual void DoAfterDelete();
    virtual void DoBeforeScroll();
    virtual void DoAfterScroll();
    virtual void DoBeforeRefresh();
    virtual void DoAfterRefresh();
    virtual void SetState(TDataSetState value);
    virtual void SetModified(bool value) { modified_ = value; }

    // ---- helpers for descendants ----
    // Switches state without events; RestoreState goes back (and tells the links when the
    // state of a temporary calculation is left).
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void CheckRequiredFields();
    void CheckCanModify();
    void ClearBuffers();
    void ActivateBuffers();
    void UpdateBufferCount();
    void SetCurrentRecord(int index);
    void MoveBuffer(int curIndex, int newIndex);
    void SetBookmarkSize(int value) { bookmarkSize_ = value; }
    bool InternalOpenComplete() const { return internalOpenComplete_; }
    void SetUniDirectional(bool value) { uniDirectional_ = value; }
    // Runs operation, with the error event's choice of fail, abort (silent) or retry.
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);
    void FreeFieldBuffers();
    void SetFound(bool value) { found_ = value; }
    bool filtered_ = false;
    AnsiString filterText_;
    TFilterOptions filterOptions_ = 0;
    TFilterRecordEvent onFilterRecord_;

private:
    friend class TDataLink;
    friend class TDataSource;
    friend class TField;
    friend class TFieldDefs;
    friend class TFieldDefList;
    friend class TFieldList;
    void DoInternalOpen();
    void OpenCursorComplete();
    void BeginInsertAppend();
    void EndInsertAppend();
    void SetBufListSize(int value);
    void AddDataSource(TDataSource* dataSource);
    void RemoveDataSource(TDataSource* dataSource);

    TDataSetState state_ = dsInactive;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    int disableCount_ = 0;
    std::unique_ptr<TFields> fields_;
    std::unique_ptr<TFieldDefs> fieldDefs_;
    std::unique_ptr<TFieldDefList> fieldDefList_;
    std::unique_ptr<TFieldList> fieldList_;
    std::vector<TDataSource*> dataSources_;
    std::vector<TRecordBuffer> buffers_; // bufferCount_ + 1 once open
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    TRecordBuffer calcBuffer_ = nullptr;
    int bookmarkSize_ = 0;
    int calcFieldsSize_ = 0;
    int blockReadSize_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool defaultFields_ = false;
    bool objectView_ = false;
    bool sparseArrays_ = false;
    bool found_ = false;
    bool internalOpenComplete_ = false;
    bool uniDirectional_ = false;
    bool streamedActive_ = false;
    TDataSetField* dataSetField_ = nullptr;
};

// Carries a dataset's events to the data links attached to it.
class TDataSource : public TComponent {
public:
    VZ_CLASS(TDataSource, TComponent)
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    TDataSetState State() const { return state_; }
    bool AutoEdit = true;
    bool IsLinkedTo(TDataSet* dataSet);
    void Edit();
    int DataLinkCount() const { return static_cast<int>(dataLinks_.size()); }
    TDataLink* DataLinks(int index) const { return dataLinks_[index]; }

    std::function<void(TObject* sender)> OnStateChange;
    std::function<void(TObject* sender, TField* field)> OnDataChange;
    std::function<void(TObject* sender)> OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    void SetState(TDataSetState value);
    void NotifyLinks(TDataEvent event, intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    TDataSetState state_ = dsInactive;
    std::vector<TDataLink*> dataLinks_;
};

// One user of a data source: a control or a detail dataset.
class TDataLink : public TPersistent {
public:
    VZ_CLASS(TDataLink, TPersistent)
    TDataLink() = default;
    ~TDataLink() override;
    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* value);
    TDataSet* DataSet() const;
    bool Active() const { return active_; }
    // Record of the dataset's buffers shown at position index of the link's window.
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int value);
    int RecordCount() const;
    int FirstRecord() const { return firstRecord_; }
    bool Editing() const { return editing_; }
    bool Edit();
    bool ReadOnly = false;
    void UpdateRecord();
    bool ExecuteAction(TObject*) { return false; }

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField**) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField*) {}
    virtual void UpdateData() {}
    virtual void DataEvent(TDataEvent event, intptr_t info);

private:
    friend class TDataSource;
    friend class TDataSet;
    void SetActive(bool value);
    void UpdateState();
    void UpdateRange();
    void SetEditing(bool value);
    TDataSource* dataSource_ = nullptr;
    int firstRecord_ = 0;
    int bufferCount_ = 1;
    bool active_ = false;
    bool editing_ = false;
    bool updating_ = false;
};

// The link a detail dataset keeps to its master's data source; it names the detail.
class TDetailDataLink : public TDataLink {
public:
    VZ_CLASS(TDetailDataLink, TDataLink)
    virtual TDataSet* GetDetailDataSet() { return nullptr; }
};
