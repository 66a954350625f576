#pragma once
// TMemData: the record set that keeps every row of a result in memory as a doubly linked list
// of items, with navigation, record numbers, bookmarks, editing, the filter cache, cached
// updates and sorting by IndexFieldNames.
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "data/memory/Data.h"
#include "platform/core/Lists.h"

enum TSortType : uint8_t { stCaseSensitive = 0, stCaseInsensitive = 1, stBinary = 2 };

class TSortColumn : public TObject {
public:
    VZ_CLASS(TSortColumn, TObject)
    TFieldDesc* ColumnDesc = nullptr;
    uint8_t IsDescending = 0;
    TSortType ColumnSortType = stCaseSensitive;
};

// The sort columns in order; owns them.
class TSortColumns : public TList {
public:
    VZ_CLASS(TSortColumns, TList)
    TSortColumns() = default;
    ~TSortColumns() override;
    TSortColumn* GetItem(int index) const { return static_cast<TSortColumn*>(Items(index)); }
    void Clear() override;
};

// Option bits of the value comparers.
constexpr int cfCaseInsensitive = 1;
constexpr int cfPartialKey = 2;
constexpr int cfSubstring = 4;
constexpr int cfBinary = 8;
constexpr int cfNullsLast = 0x10;

// Update kinds (TUpdateKind) and the kinds set of ApplyCachedUpdates.
constexpr int ukModify = 0;
constexpr int ukInsert = 1;
constexpr int ukDelete = 2;
constexpr uint8_t ukSetModify = 1;
constexpr uint8_t ukSetInsert = 2;
constexpr uint8_t ukSetDelete = 4;
constexpr uint8_t ukSetAll = 7;

class TCacheItem : public TObject {
public:
    VZ_CLASS(TCacheItem, TObject)
    PRowItem CachedItem = nullptr;
    TCacheItem* NextCacheItem = nullptr;
};

using TRecordNoCache = std::vector<PRowItem>;

class TMemData : public TData {
public:
    VZ_CLASS(TMemData, TData)
    TMemData();
    ~TMemData() override;

    // ---- state ----
    TCacheItem* CacheHead = nullptr;
    TCacheItem* CacheTail = nullptr;
    int32_t ListGeneration = 0;
    AnsiString IndexFieldNames;
    TSortColumns& SortColumns() { return sortColumns_; }
    const TSortColumns& SortColumns() const { return sortColumns_; }
    TRecordNoCache RecNoCache;
    PRowItem FirstItem = nullptr;
    PRowItem LastItem = nullptr;
    PRowItem CurrentItem = nullptr;
    TBlockManager& BlockManager() { return blockManager_; }

    // ---- overrides of TData ----
    void InitData() override;
    void FreeData() override;
    bool IsEOF() const override { return !CurrentItem && IsEOFFlag; }
    bool IsBOF() const override { return !CurrentItem && IsBOFFlag; }
    int GetRecordCount() const override { return RecordCount; }
    int GetRecNo() const override { return CurrentItem ? CurrentItem->ItemRecNo() + RecNoBase : 0; }
    void SetRecNo(int n) override;
    bool HasPendingUpdates() const override;
    void SetVisibleStatuses(uint8_t statuses) override;
    void Open() override { TData::Open(); }
    void Reopen() override;
    void InitFields() override;
    void ClearFields() override;
    void GetRecord(void* buffer) override;
    void GetNextRecord(void* buffer) override;
    void GetPriorRecord(void* buffer) override;
    void PutRecord(void* buffer) override;
    void AppendRecord(void* buffer) override;
    void InsertRecord(void* buffer) override;
    void UpdateRecord(void* buffer) override;
    void DeleteRecord() override;
    void SetToBegin() override;
    void SetToEnd() override;
    void FillBookmark(TRowBookmark* bookmark) override;
    void GotoBookmark(const TRowBookmark* bookmark) override;
    bool IsBookmarkValid(const TRowBookmark* bookmark) override;
    int CompareBookmarkRecs(const TRowBookmark* a, const TRowBookmark* b) override;
    uint8_t GetItemStatus() override { return CurrentItem ? CurrentItem->ItemStatus() : isUnmodified; }
    uint8_t GetItemUpdateResult() override { return CurrentItem ? CurrentItem->UpdateResult() : urNone; }
    bool HasUnappliedEditsOrDeletes() override;
    void SetApplyBuffers(void* newBuffer, void* oldBuffer) override;
    void ApplyCachedUpdates(uint8_t kinds) override;
    void CommitCachedUpdates() override;
    void CancelCachedUpdates() override;
    void ResetUpdateResults() override;
    void RevertCurrentRecord() override;
    void GetOldRecord(void* buffer) override;
    // True when no record is shown.
    bool Refilter() override;

    // ---- new virtual operations ----
    // Providers fetch the next block of rows; true when rows were added.
    virtual bool Fetch(bool backward);
    virtual void InitSortColumn(TSortColumn* column);
    virtual int ComparePCharValues(const char* a, const char* b, int flags);
    virtual int CompareAnsiValues(const AnsiString& a, const AnsiString& b, int flags);
    virtual int ComparePWideValues(const wchar_t* a, const wchar_t* b, int flags);
    virtual int CompareWideValues(const WideString& a, const WideString& b, int flags);
    virtual int MatchAnsiValues(const AnsiString& key, const AnsiString& text, int flags);
    virtual int MatchWideValues(const WideString& key, const WideString& text, int flags);
    virtual int CompareFieldValues(const void* value, TDataTypeCode valueType, int flags, void* record,
                                   TFieldDesc* desc);
    virtual int CompareBySortColumn(void* record1, void* record2, TSortColumn* column);
    virtual int CompareRecordField(void* record1, void* record2, int flags, TFieldDesc* desc);
    virtual void SetIndexFieldNames(const AnsiString& text);
    virtual void SortItems();

    // ---- list operations ----
    PRowItem InsertItem();
    PRowItem AppendItem();
    void DeleteItem(PRowItem item);
    void InsertItemFromBuf(void* buffer);
    void RemoveRecord();
    // mode 0 after an insert at item, 1 after a removal (item = the new current), 2 everything.
    void RenumberFrom(PRowItem item, int mode);
    void NumberItems(PRowItem item, bool noCount, bool backward);
    bool IsItemFilteredOut(PRowItem item);
    void ClearFilterCache();
    void CalcFieldsForItems(PRowItem first = nullptr, PRowItem last = nullptr);
    void BuildRecNoCache();
    void AppendCacheItem(TCacheItem* cacheItem);
    void RevertItem(PRowItem item);
    void RestoreRollback(PRowItem item);

    // ---- sorting ----
    void ParseIndexFieldNames();
    int CompareRecords(void* record1, void* record2);
    void SwapItems(PRowItem left, PRowItem right);
    void MoveToSortedPlace(int direction);
    int CompareBytes(const void* value, int valueLength, int flags, int recordLength,
                     const void* recordBytes);

    // An item that a bookmark of this filling names and that still holds the same record; nil
    // when the bookmark is of another filling or its item was freed or could have been reused.
    PRowItem BookmarkItem(const TRowBookmark* bookmark) const;

protected:
    // Item allocation and release through the block manager, keeping bookmarks honest: an item
    // freed in this generation (its block may be gone, or the item may hold another record now)
    // is never trusted by a bookmark, which then goes by its record number.
    PRowItem NewItem();
    void ReleaseItem(PRowItem item);
    void NewListGeneration();
    // The item was not freed since this generation began, so its bookmarks still name it.
    bool ItemKept(PRowItem item) const { return freedItems_.count(item) == 0; }

private:
    void ItemToCurrent(PRowItem item);
    // Unlinks the cache entry of item (nil when none) and returns it, not freed.
    TCacheItem* UnlinkCacheItem(PRowItem item);
    void FreeRollback(PRowItem item);
    void ReleaseRecordObjects(void* record);
    void MakeRollback(PRowItem item);
    void InsertItemWithStatus(void* buffer, uint8_t status);
    // A shown item changed visibility at item (still listed) or was removed before `at`.
    void ShownRemoved(PRowItem at);
    void ShownAdded(PRowItem item);
    void LinkBefore(PRowItem item, PRowItem before);
    void Unlink(PRowItem item);
    // Every item of the list, in sorted order.
    void SortItemArray(std::vector<PRowItem>& items);
    void SortByNarrowInteger(std::vector<PRowItem>& items, TFieldDesc* desc, bool descending);
    int CompareAnsiTextField(const char* value, int flags, void* record, TFieldDesc* desc);
    int CompareWideTextField(const wchar_t* value, int flags, void* record, TFieldDesc* desc);
    int CompareVariantValues(const Variant& a, const Variant& b, int flags);
    int CompareRecordsFrom(int firstColumn, void* record1, void* record2);

    TSortColumns sortColumns_;
    TBlockManager blockManager_;
    // Items freed since ListGeneration last moved; bounded, a new generation clears it.
    std::unordered_set<PRowItem> freedItems_;
    // Bumped by FreeData, so an apply step that releases the rows is noticed.
    int freeDataCount_ = 0;
    // The walk of ApplyCachedUpdates, kept in step when the apply step unlinks entries.
    TCacheItem* applyEntry_ = nullptr;
    TCacheItem* applyNext_ = nullptr;
    TCacheItem* applyBatch_ = nullptr;
    bool applying_ = false;
};

// Next value of the process-wide list generation counter.
int32_t NextListGeneration();
