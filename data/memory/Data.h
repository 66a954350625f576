#pragma once
// TData: the abstract record set. It lays record buffers out from its field descriptors, converts
// values between the record form, the external form of the dataset's buffers and Variants, owns
// the objects records refer to (blobs, Variant holders, heap texts) and holds the filter. Row
// storage and navigation belong to descendants; here there are no rows.
#include <cstdint>
#include <functional>
#include <memory>

#include "data/memory/BlockManager.h"
#include "data/memory/FieldDescs.h"
#include "data/memory/StringHeap.h"
#include "platform/core/Variant.h"

class TBlob;
class TBoolParser;
class TExpressionNode;

// Bookmark of a row: the list generation, the item and its record number (-1: no record).
#pragma pack(push, 1)
struct TRowBookmark {
    int32_t ListGeneration = 0;
    PRowItem Item = nullptr;
    int32_t RecNo = -1;
};
#pragma pack(pop)
static_assert(sizeof(TRowBookmark) == 8 + sizeof(void*));

// Object value of an object field; its attributes are reached by path.
class TDBObject {
public:
    virtual ~TDBObject() = default;
    // The attribute's value in record form; mustFree tells whether the caller frees it (free()).
    virtual void* GetAttributeValue(const AnsiString& path, bool& isNull, bool& mustFree) = 0;
    virtual bool GetAttributeNull(const AnsiString& path) = 0;
    // nullptr stores null.
    virtual void SetAttributeValue(const AnsiString& path, const void* value) = 0;
};

// Item status bits of VisibleStatuses.
constexpr uint8_t usUnmodified = 1;
constexpr uint8_t usModified = 2;
constexpr uint8_t usInserted = 4;
constexpr uint8_t usDeleted = 8;

// Kinds of date conversion between the record and the external form.
constexpr int dkTimeStampMSecs = 0; // double: milliseconds since 0001-01-01
constexpr int dkDateTime = 1;       // the date-time double itself
constexpr int dkTime = 2;           // 32-bit milliseconds of the day
constexpr int dkDate = 3;           // 32-bit day number since 0001-01-01 (day 1)

class TData : public TObject {
public:
    VZ_CLASS(TData, TObject)
    TData();
    ~TData() override;

    // ---- layout and flags ----
    int32_t RecordSize = 0;
    int32_t CalcRecordSize = 0;
    bool CachedUpdates = false;
    bool LocalUpdate = false;

    // ---- notification hooks of the owning dataset ----
    std::function<void(void* record)> InsertRecordHook;
    std::function<void()> DeleteRecordHook;
    std::function<void(void* record)> UpdateRecordHook;
    std::function<void(int updateKind, int& action, bool isLast)> ApplyRecordHook;
    std::function<void()> RecordRevertedHook;
    std::function<void()> UpdatesAppliedHook;
    std::function<void()> CancellingUpdatesHook;

    bool AutoFields = true;
    bool TrimFixedChar = false;
    bool TrimVarChar = false;
    std::function<void()> FieldsChangedHook;
    std::function<bool(void* record)> FilterRecordHook;
    std::function<bool(void* record)> ExtraFilterHook;
    AnsiString FilterText;
    bool FilterCaseInsensitive = false;
    bool FilterNoPartialCompare = false;
    uint8_t VisibleStatuses = usUnmodified | usModified | usInserted;
    TExpressionNode* FilterRoot = nullptr;
    TExpressionNode* FilterNodeChain = nullptr;
    void* FilterRecord = nullptr;
    bool SetEmptyStrToNull = false;
    // Bytes of each field's null flag after the field data: 1 (a flag byte), or the width of the
    // driver's length indicators (4, or 8 with 64-bit ODBC) for a record set that binds them in
    // its null area (-1 is null).
    int32_t NullFlagSize = 1;
    bool HasComplexFields = false;
    bool SparseArrays = false;
    std::function<void()> FieldsInitializedHook;
    std::function<void(void* dest, void* source)> CalcFieldsHook;
    int32_t RecNoBase = 0;
    int32_t RecordCount = 0;
    bool IsBOFFlag = true;
    bool IsEOFFlag = true;
    int32_t DataSize = 0;
    int32_t CalcDataSize = 0;
    bool Active = false;
    bool Prepared = false;
    void* ApplyNewBuffer = nullptr;
    void* ApplyOldBuffer = nullptr;

    TFieldDescs& FieldDescs() const { return *fieldDescs_; }
    TStringHeap& StringHeap() const { return *stringHeap_; }

    // ---- virtual operations ----
    virtual void DoPrepare() {}
    virtual void DoUnprepare() {}
    virtual void DoOpen(bool /*skipFieldInit*/) {}
    virtual void DoClose() {}
    virtual void InitData();
    virtual void FreeData() { InitData(); }
    virtual void DoInitFields() {}
    virtual AnsiString GetArrayItemName(int index) const;
    virtual int GetFieldCount() const { return GetFieldDescCount(); }
    virtual bool GetConvertEOL() const { return false; }
    virtual bool IsEOF() const { return IsEOFFlag; }
    virtual bool IsBOF() const { return IsBOFFlag; }
    virtual int GetRecordCount() const { return -1; }
    virtual int GetRecNo() const { return -1; }
    virtual void SetRecNo(int) {}
    virtual void NotifyInsert(void* record);
    virtual void NotifyDelete();
    virtual void NotifyUpdate(void* record);
    virtual void SetFilterText(const AnsiString& text);
    virtual void NotifyRecordReverted();
    virtual void NotifyUpdatesApplied();
    virtual void NotifyCancellingUpdates();
    virtual bool HasPendingUpdates() const { return false; }
    virtual void SetVisibleStatuses(uint8_t statuses) { VisibleStatuses = statuses; }
    virtual void Open();
    virtual void Close();
    virtual void Prepare();
    virtual void Unprepare();
    virtual bool IsFullReopen() const { return true; }
    virtual void Reopen();
    virtual TClass GetFieldDescClass() const { return TFieldDesc::StaticClass(); }
    virtual void InitFields();
    virtual void ExplicitInitFields() { InitFields(); }
    virtual void ClearFields();
    virtual void GetField(int fieldNo, void* record, bool& isNull, void* dest);
    virtual void GetFieldData(TFieldDesc* desc, void* source, void* dest);
    virtual void PutFieldData(TFieldDesc* desc, void* dest, bool raw, const void* source);
    virtual bool GetNull(int fieldNo, void* record);
    virtual void SetNull(int fieldNo, void* record, bool value);
    virtual void GetFieldAsVariant(int fieldNo, void* record, Variant& value);
    virtual void PutFieldAsVariant(int fieldNo, void* record, bool raw, const Variant& value);
    virtual void DateTimeToExternal(const void* source, TFieldDesc* desc, int kind, void* dest);
    virtual void ExternalToDateTime(void* dest, TFieldDesc* desc, int kind, const void* source);
    virtual bool IsBlobDataType(TDataTypeCode code) const { return IsBlobCode(code); }
    virtual bool IsComplexDataType(TDataTypeCode code) const { return IsComplexCode(code); }
    virtual bool CanReuseFieldDefs() const { return false; }
    // Row storage, implemented by the in-memory record list.
    virtual void GetRecord(void* buffer);
    virtual void GetNextRecord(void* buffer);
    virtual void GetPriorRecord(void* buffer);
    virtual void PutRecord(void* buffer);
    virtual void AppendRecord(void* buffer);
    virtual void InsertRecord(void* buffer);
    virtual void UpdateRecord(void* buffer);
    virtual void DeleteRecord();
    virtual void DiscardRecordChanges(void* record);
    virtual void CreateComplexFields(void* record, bool withBlobs);
    virtual void CreateComplexField(void* record, int index, bool withBlobs);
    virtual void FreeComplexFields(void* record, bool withBlobs);
    virtual void CopyComplexFields(void* source, void* dest, bool withBlobs);
    virtual void AddRefComplexFields(void* record);
    virtual void SetToBegin();
    virtual void SetToEnd();
    virtual void FillBookmark(TRowBookmark* bookmark);
    virtual void GotoBookmark(const TRowBookmark* bookmark);
    virtual bool IsBookmarkValid(const TRowBookmark* bookmark);
    virtual int CompareBookmarkRecs(const TRowBookmark* a, const TRowBookmark* b);
    virtual int ExtraStatus() const { return 0; }
    virtual uint8_t GetItemStatus() { return isUnmodified; }
    virtual uint8_t GetItemUpdateResult() { return urNone; }
    virtual bool HasUnappliedEditsOrDeletes() { return false; }
    virtual void SetApplyBuffers(void* /*newBuffer*/, void* /*oldBuffer*/) {}
    virtual void ApplyCachedUpdates(uint8_t /*kinds*/) {}
    virtual void CommitCachedUpdates() {}
    virtual void CancelCachedUpdates() {}
    virtual void ResetUpdateResults() {}
    virtual void RevertCurrentRecord() {}
    virtual void NotifyApplyRecord(int updateKind, int& action, bool isLast);
    virtual void GetOldRecord(void* /*buffer*/) {}
    // True when no record is shown afterwards.
    virtual bool Refilter() { return false; }

    // ---- fields ----
    static bool IsBlobCode(TDataTypeCode code) {
        return code == tcBlob || code == tcMemo || code == tcWideMemo;
    }
    static bool IsComplexCode(TDataTypeCode code) {
        return IsBlobCode(code) || code == tcVariant || code == tcExtString || code == tcExtVarBytes ||
               code == tcExtWideString;
    }
    uint16_t GetFieldDescCount() const { return static_cast<uint16_t>(fieldDescs_->Count()); }
    TFieldDesc* FindFieldDesc(const AnsiString& name) const { return fieldDescs_->FindDesc(name); }
    TFieldDesc* FieldDescByName(const AnsiString& name) const { return fieldDescs_->DescByName(name); }
    // The descriptor of a 1-based field number.
    TFieldDesc* FieldDescOf(int fieldNo) const { return fieldDescs_->GetItem(fieldNo - 1); }
    void PutField(int fieldNo, void* record, bool raw, const void* source);
    bool IsBlobFieldEmpty(int fieldNo, void* record);
    bool HasBlobFields() const;
    bool UpdateHasComplexFields();
    void AllocRecBuf(void*& buffer) const;
    void FreeRecBuf(void* buffer) const;
    void InitRecordBuf(void* buffer);
    bool HasFilter() const;
    void SetCachedUpdates(bool value);
    void SeparateStoredRecord(void* editBuffer);
    void PostEditedRecord(void* editBuffer);

    // ---- blobs by field number ----
    TBlob* ReadBlobRef(int fieldNo, void* record);
    TBlob* GetFieldBlob(int fieldNo, void* record);
    void SetFieldBlob(int fieldNo, void* record, TBlob* blob);
    int ReadBlob(int fieldNo, void* record, bool raw, bool useRollback, void* dest, int count, int position);
    void WriteBlob(int fieldNo, void* record, bool raw, const void* source, int count, int position);
    void TruncateBlob(int fieldNo, void* record, bool raw, int size);
    int GetBlobSize(int fieldNo, void* record, bool raw, bool useRollback);
    void SetBlobSize(int fieldNo, void* record, bool raw, bool useRollback, int size);

    // The value in the form sorting compares; when borrowed is false it is a temporary the caller
    // releases with FreeComparableValue.
    void* GetComparableValue(void* record, TFieldDesc* desc, bool& borrowed, bool& isNull,
                             TDataTypeCode& valueType);
    static void FreeComparableValue(void* value);

    // ---- object attributes ----
    AnsiString GetAttributePath(TFieldDesc* desc, TFieldDesc*& topDesc) const;
    void* GetAttributeValue(TFieldDesc* desc, void* record, bool& isNull, bool& mustFree);
    bool GetAttributeNull(TFieldDesc* desc, void* record);
    void PutAttributeValue(TFieldDesc* desc, void* record, const void* value);

    // ---- filter expressions ----
    void ParseFilterText(const AnsiString& text);
    TExpressionNode* NewExprNode();
    void FreeExprNodes();
    bool EvalExprNode(TExpressionNode* node);
    [[noreturn]] static void RaiseIllegalFilter();

    bool NullFlag(const void* record, int fieldNo) const {
        const uint8_t* p = static_cast<const uint8_t*>(record) + DataSize + (fieldNo - 1) * NullFlagSize;
        if (NullFlagSize == 1) return *p != 0;
        return NullFlagSize == 4 ? LoadUnaligned<int32_t>(p, 0) == -1 : LoadUnaligned<int64_t>(p, 0) == -1;
    }
    void StoreNullFlag(void* record, int fieldNo, bool isNull) const {
        uint8_t* p = static_cast<uint8_t*>(record) + DataSize + (fieldNo - 1) * NullFlagSize;
        if (NullFlagSize == 1)
            *p = isNull ? 1 : 0;
        else if (NullFlagSize == 4)
            StoreUnaligned<int32_t>(p, 0, isNull ? -1 : 0);
        else
            StoreUnaligned<int64_t>(p, 0, isNull ? -1 : 0);
    }

protected:
    // Renames duplicate top-level field names: A, A_1, A_2 ...
    void MakeUniqueFieldNames();
    uint8_t* FieldPtr(void* record, const TFieldDesc* desc) const {
        return static_cast<uint8_t*>(record) + desc->RecordOffset;
    }
    void CheckFieldNo(int fieldNo) const;

private:
    void NextLexeme();
    TExpressionNode* ParseOrExpr();
    TExpressionNode* ParseAndExpr();
    TExpressionNode* ParseCondition();
    TExpressionNode* ParseOperand();
    Variant OperandValue(TExpressionNode* node);
    bool EvalComparison(TExpressionNode* node);

    std::unique_ptr<TFieldDescs> fieldDescs_;
    std::unique_ptr<TStringHeap> stringHeap_;
    TBoolParser* filterParser_ = nullptr;
    int lexemeCode_ = 0;
    AnsiString lexemeText_;
};

// Float rounded to scale decimals through fixed-point text (18 significant digits).
double RoundToScale(int scale, double value);
// Line ends: LF to CR LF (a CR LF pair stays), within size; returns the characters written and
// zero-terminates dest, which needs size + 1 characters.
int LFToCRLFAnsi(const char* source, char* dest, int size);
int LFToCRLFWide(const wchar_t* source, wchar_t* dest, int size);
// CR LF to LF within both limits, zero-terminated; returns the length written.
int CRLFToLFAnsi(const char* source, char* dest, int destSize, int sourceLength);
int CRLFToLFWide(const wchar_t* source, wchar_t* dest, int destSize, int sourceLength);
[[noreturn]] void RaiseLibError(const AnsiString& message);

// Process-wide hooks that providers call around long operations; none is installed by default.
extern std::function<void()> BusyStartHook;
extern std::function<void()> BusyEndHook;
extern std::function<AnsiString()> HostAppNameHook;
void NotifyBusyStart();
void NotifyBusyEnd();
AnsiString GetHostAppName();
