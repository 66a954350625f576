// TMemData: the record list, its numbering, filter cache, bookmarks and cached updates.
#include "data/memory/MemData.h"

#include <cstdlib>
#include <cstring>
#include <exception>

#include "data/memory/Blob.h"

namespace {
int32_t listGenerationCounter = 1;

template <class T> T Load(const void* p) {
    return LoadUnaligned<T>(p, 0);
}
template <class T> void Store(void* p, T v) {
    StoreUnaligned(p, 0, v);
}

// A scratch record buffer freed on every exit.
struct ScratchBuffer {
    void* p = nullptr;
    explicit ScratchBuffer(size_t size) {
        p = std::malloc(size > 0 ? size : 1);
        if (!p) throw EOutOfMemory("Out of memory");
    }
    ~ScratchBuffer() { std::free(p); }
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;
};
} // namespace

int32_t NextListGeneration() {
    return ++listGenerationCounter;
}

TSortColumns::~TSortColumns() {
    Clear();
}

void TSortColumns::Clear() {
    for (int i = 0; i < Count(); ++i)
        delete GetItem(i);
    TList::Clear();
}

// ---- lifecycle ----

TMemData::TMemData() {
    InitData();
}

TMemData::~TMemData() {
    // The base destructor can no longer reach this class's FreeData: release the rows here.
    try {
        Close();
    } catch (...) {
    }
    try {
        FreeData();
    } catch (...) {
    }
}

void TMemData::InitData() {
    TData::InitData();
    FirstItem = LastItem = CurrentItem = nullptr;
    while (CacheHead) {
        TCacheItem* next = CacheHead->NextCacheItem;
        delete CacheHead;
        CacheHead = next;
    }
    CacheTail = nullptr;
    blockManager_.FreeItems = nullptr;
    RecNoCache.clear();
    NewListGeneration();
}

void TMemData::NewListGeneration() {
    ListGeneration = NextListGeneration();
    freedItems_.clear();
}

void TMemData::FreeData() {
    ++freeDataCount_;
    TStringHeap& heap = StringHeap();
    bool visit;
    TFieldDescs& descs = FieldDescs();
    if (!heap.HasLargeBuffers()) {
        heap.Clear();
        visit = false;
        for (int i = 0; i < descs.Count(); ++i) {
            TFieldDesc* d = descs[i];
            if (d && !d->HasParent() && d->FieldKind != fkCalculated &&
                (IsBlobDataType(d->TypeCode) || d->TypeCode == tcVariant))
                visit = true;
        }
    } else {
        visit = UpdateHasComplexFields();
    }
    if (visit) {
        for (PRowItem item = FirstItem; item; item = item->NextItem())
            FreeComplexFields(item->Record(), true);
        for (TCacheItem* e = CacheHead; e; e = e->NextCacheItem)
            if (PRowItem rb = e->CachedItem->RollbackItem()) FreeComplexFields(rb->Record(), true);
    }
    while (CacheHead) {
        TCacheItem* next = CacheHead->NextCacheItem;
        delete CacheHead;
        CacheHead = next;
    }
    CacheTail = nullptr;
    heap.Clear();
    blockManager_.FreeAllBlocks();
    InitData();
}

// ---- items ----

PRowItem TMemData::NewItem() {
    PRowItem item;
    blockManager_.AllocItem(item);
    item->SetPrevItem(nullptr);
    item->SetNextItem(nullptr);
    return item;
}

void TMemData::ReleaseItem(PRowItem item) {
    blockManager_.FreeItem(item);
    // Past the bound, older bookmarks simply go by their record number.
    constexpr size_t MaxFreedItems = 65536;
    if (freedItems_.size() >= MaxFreedItems) NewListGeneration();
    freedItems_.insert(item);
}

void TMemData::LinkBefore(PRowItem item, PRowItem before) {
    if (!before) {
        item->SetPrevItem(LastItem);
        item->SetNextItem(nullptr);
        if (LastItem)
            LastItem->SetNextItem(item);
        else
            FirstItem = item;
        LastItem = item;
        return;
    }
    PRowItem prev = before->PrevItem();
    item->SetPrevItem(prev);
    item->SetNextItem(before);
    before->SetPrevItem(item);
    if (prev)
        prev->SetNextItem(item);
    else
        FirstItem = item;
}

void TMemData::Unlink(PRowItem item) {
    PRowItem prev = item->PrevItem();
    PRowItem next = item->NextItem();
    if (prev)
        prev->SetNextItem(next);
    else
        FirstItem = next;
    if (next)
        next->SetPrevItem(prev);
    else
        LastItem = prev;
    item->SetPrevItem(nullptr);
    item->SetNextItem(nullptr);
}

PRowItem TMemData::AppendItem() {
    PRowItem item = NewItem();
    item->SetItemRecNo(LastItem ? LastItem->ItemRecNo() + 1 : 1);
    LinkBefore(item, nullptr);
    return item;
}

PRowItem TMemData::InsertItem() {
    if (IsEOF()) return AppendItem();
    PRowItem before = CurrentItem;
    if (IsBOFFlag && !CurrentItem) before = FirstItem;
    if (!before) return AppendItem();
    PRowItem item = NewItem();
    LinkBefore(item, before);
    return item;
}

void TMemData::DeleteItem(PRowItem item) {
    if (item == CurrentItem) CurrentItem = item->NextItem() ? item->NextItem() : item->PrevItem();
    Unlink(item);
    FreeRollback(item);
    ReleaseItem(item);
    RecNoCache.clear();
    if (!FirstItem) {
        CurrentItem = nullptr;
        IsBOFFlag = IsEOFFlag = true;
    }
}

void TMemData::ItemToCurrent(PRowItem item) {
    CurrentItem = item;
    IsBOFFlag = IsEOFFlag = false;
}

void TMemData::ReleaseRecordObjects(void* record) {
    if (HasComplexFields) FreeComplexFields(record, true);
}

void TMemData::FreeRollback(PRowItem item) {
    PRowItem rb = item->RollbackItem();
    if (!rb) return;
    item->SetRollbackItem(nullptr);
    ReleaseRecordObjects(rb->Record());
    ReleaseItem(rb);
}

// ---- navigation ----

void TMemData::SetToBegin() {
    CurrentItem = nullptr;
    IsBOFFlag = true;
    if (FirstItem) IsEOFFlag = false;
}

void TMemData::SetToEnd() {
    CurrentItem = nullptr;
    IsEOFFlag = true;
    if (FirstItem) IsBOFFlag = false;
}

void TMemData::GetRecord(void* buffer) {
    if (!CurrentItem) return;
    if (IsItemFilteredOut(CurrentItem)) {
        GetNextRecord(buffer);
        return;
    }
    blockManager_.GetRecord(CurrentItem, buffer);
}

void TMemData::GetNextRecord(void* buffer) {
    if (IsEOF()) return;
    PRowItem item;
    if (IsBOFFlag && !CurrentItem) {
        IsBOFFlag = false;
        item = FirstItem;
    } else {
        item = CurrentItem ? CurrentItem->NextItem() : FirstItem;
    }
    while (item && IsItemFilteredOut(item))
        item = item->NextItem();
    if (!item) {
        CurrentItem = nullptr;
        IsEOFFlag = true;
        return;
    }
    ItemToCurrent(item);
    if (buffer) blockManager_.GetRecord(item, buffer);
}

void TMemData::GetPriorRecord(void* buffer) {
    if (IsBOF()) return;
    PRowItem item;
    if (IsEOFFlag && !CurrentItem) {
        IsEOFFlag = false;
        item = LastItem;
    } else {
        item = CurrentItem ? CurrentItem->PrevItem() : LastItem;
    }
    while (item && IsItemFilteredOut(item))
        item = item->PrevItem();
    if (!item) {
        CurrentItem = nullptr;
        IsBOFFlag = true;
        return;
    }
    ItemToCurrent(item);
    if (buffer) blockManager_.GetRecord(item, buffer);
}

bool TMemData::Fetch(bool) {
    return false;
}

void TMemData::SetRecNo(int n) {
    if (!FirstItem || n < 1) return;
    if (n <= static_cast<int>(RecNoCache.size())) {
        ItemToCurrent(RecNoCache[static_cast<size_t>(n) - 1]);
        return;
    }
    PRowItem lastNumbered = LastItem;
    while (lastNumbered && IsItemFilteredOut(lastNumbered))
        lastNumbered = lastNumbered->PrevItem();
    if (!lastNumbered) return;
    // A hidden current item carries no number to start from.
    PRowItem current = CurrentItem && !IsItemFilteredOut(CurrentItem) ? CurrentItem : nullptr;
    auto recNo = [this](PRowItem item) { return item->ItemRecNo() + RecNoBase; };
    auto distance = [&](PRowItem item) {
        int64_t d = static_cast<int64_t>(recNo(item)) - n;
        return d < 0 ? -d : d;
    };
    PRowItem start;
    bool forward;
    int64_t dLast = distance(lastNumbered);
    int64_t dCurrent = current ? distance(current) : INT64_MAX;
    if (n < dLast && n < dCurrent) {
        start = FirstItem;
        forward = true;
    } else if (dLast < dCurrent) {
        start = lastNumbered;
        forward = recNo(lastNumbered) < n;
    } else {
        start = current;
        forward = recNo(current) < n;
    }
    PRowItem item = start;
    while (item) {
        if (recNo(item) == n && !IsItemFilteredOut(item)) {
            ItemToCurrent(item);
            return;
        }
        if (forward) {
            if (!item->NextItem() && !Fetch(false)) break;
            item = item->NextItem();
        } else {
            item = item->PrevItem();
        }
    }
}

void TMemData::BuildRecNoCache() {
    if (!RecNoCache.empty()) return;
    RecNoCache.reserve(static_cast<size_t>(RecordCount > 0 ? RecordCount : 0));
    for (PRowItem item = FirstItem; item; item = item->NextItem())
        if (!IsItemFilteredOut(item)) RecNoCache.push_back(item);
}

// ---- filtering ----

bool TMemData::IsItemFilteredOut(PRowItem item) {
    if (!item) return true;
    uint8_t state = item->FilterState();
    if (state != fsNotChecked) return state == fsOmitted;
    bool omitted;
    if (CachedUpdates && (VisibleStatuses & (1u << item->ItemStatus())) == 0) {
        omitted = true;
    } else if (!HasFilter()) {
        omitted = false;
    } else {
        FilterRecord = item->Record();
        std::unique_ptr<ScratchBuffer> scratch;
        if (CalcRecordSize > 0 && CalcFieldsHook) {
            scratch = std::make_unique<ScratchBuffer>(static_cast<size_t>(RecordSize + CalcRecordSize));
            std::memcpy(scratch->p, item->Record(), static_cast<size_t>(RecordSize));
            CalcFieldsHook(scratch->p, nullptr);
            FilterRecord = scratch->p;
        }
        bool shown = (!FilterRecordHook || FilterRecordHook(FilterRecord)) &&
                     (!ExtraFilterHook || ExtraFilterHook(FilterRecord)) &&
                     (!FilterRoot || EvalExprNode(FilterRoot));
        FilterRecord = nullptr;
        omitted = !shown;
    }
    item->SetFilterState(omitted ? fsOmitted : fsShown);
    return omitted;
}

void TMemData::ClearFilterCache() {
    RecNoCache.clear();
    for (PRowItem item = FirstItem; item; item = item->NextItem())
        item->SetFilterState(fsNotChecked);
}

bool TMemData::Refilter() {
    ClearFilterCache();
    RenumberFrom(nullptr, 2);
    IsEOFFlag = RecordCount == 0;
    return RecordCount == 0;
}

void TMemData::SetVisibleStatuses(uint8_t statuses) {
    if (statuses == VisibleStatuses) return;
    VisibleStatuses = statuses;
    ClearFilterCache();
    RenumberFrom(nullptr, 2);
    IsEOFFlag = RecordCount == 0;
}

void TMemData::CalcFieldsForItems(PRowItem first, PRowItem last) {
    if (!CalcFieldsHook || CalcDataSize >= 1) return;
    if (!first) first = FirstItem;
    if (!last) last = LastItem;
    for (PRowItem item = first; item; item = item->NextItem()) {
        CalcFieldsHook(item->Record(), nullptr);
        if (item == last) break;
    }
}

// ---- numbering ----

void TMemData::RenumberFrom(PRowItem item, int mode) {
    RecNoCache.clear();
    if (mode == 2) {
        item = FirstItem;
        if (!item) {
            RecordCount = 0;
            RecNoBase = 0;
            return;
        }
    } else if (!item) {
        return;
    }
    bool forward = mode == 2;
    if (!forward) {
        int k;
        if (item->NextItem())
            k = item->NextItem()->ItemRecNo();
        else if (item->PrevItem())
            k = item->PrevItem()->ItemRecNo();
        else {
            item->SetItemRecNo(IsItemFilteredOut(item) ? 0 : 1);
            RecNoBase = 0;
            return;
        }
        forward = (RecordCount + RecNoBase) / 2 < k;
    }
    if (forward) {
        int d = 1;
        PRowItem before = item->PrevItem();
        while (before && IsItemFilteredOut(before))
            before = before->PrevItem();
        if (before)
            d = before->ItemRecNo() + 1;
        else
            RecNoBase = 0;
        int shown = 0;
        for (PRowItem i = item; i; i = i->NextItem()) {
            if (IsItemFilteredOut(i)) {
                i->SetItemRecNo(0);
            } else {
                i->SetItemRecNo(d++);
                ++shown;
            }
        }
        if (mode == 2) RecordCount = shown;
        return;
    }
    PRowItem after = item->NextItem();
    while (after && IsItemFilteredOut(after))
        after = after->NextItem();
    int d;
    if (after) {
        d = after->ItemRecNo() - 1;
        RecNoBase += mode == 0 ? 1 : -1;
    } else {
        d = RecordCount;
        RecNoBase = 0;
    }
    for (PRowItem i = item; i; i = i->PrevItem()) {
        if (IsItemFilteredOut(i))
            i->SetItemRecNo(0);
        else
            i->SetItemRecNo(d--);
    }
}

void TMemData::NumberItems(PRowItem item, bool noCount, bool backward) {
    if (!item) return;
    RecNoCache.clear();
    if (backward) {
        int d = item->ItemRecNo();
        for (PRowItem i = item; i; i = i->PrevItem())
            if (!IsItemFilteredOut(i)) i->SetItemRecNo(d--);
        return;
    }
    PRowItem before = item->PrevItem();
    while (before && IsItemFilteredOut(before))
        before = before->PrevItem();
    int d = before ? before->ItemRecNo() + 1 : 1;
    for (PRowItem i = item; i; i = i->NextItem()) {
        if (IsItemFilteredOut(i)) continue;
        i->SetItemRecNo(d++);
        if (!noCount) ++RecordCount;
    }
}

void TMemData::ShownAdded(PRowItem item) {
    ++RecordCount;
    RenumberFrom(item, 0);
}

void TMemData::ShownRemoved(PRowItem at) {
    --RecordCount;
    if (at)
        RenumberFrom(at, 1);
    else
        RecNoCache.clear();
}

// ---- editing ----

void TMemData::PutRecord(void* buffer) {
    MEMDATA_ASSERT(CurrentItem != nullptr, "No current record");
    RecNoCache.clear();
    CurrentItem->SetFilterState(fsNotChecked);
    blockManager_.PutRecord(CurrentItem, buffer);
}

void TMemData::AppendRecord(void* buffer) {
    TData::SetToEnd();
    CurrentItem = nullptr;
    InsertRecord(buffer);
}

void TMemData::InsertItemFromBuf(void* buffer) {
    InsertItemWithStatus(buffer, isUnmodified);
}

void TMemData::InsertItemWithStatus(void* buffer, uint8_t status) {
    PRowItem item = InsertItem();
    ItemToCurrent(item);
    item->SetItemStatus(status);
    PutRecord(buffer);
    if (HasBlobFields()) {
        TFieldDescs& descs = FieldDescs();
        for (int i = 0; i < descs.Count(); ++i) {
            TFieldDesc* d = descs[i];
            if (!d || d->HasParent() || d->FieldKind == fkCalculated || !IsBlobDataType(d->TypeCode))
                continue;
            if (auto* blob = Load<TBlob*>(FieldPtr(buffer, d))) blob->Commit();
        }
    }
    if (sortColumns_.Count() > 0) {
        // Compared with its actual neighbours, so an insert at either end also finds its place.
        int direction = 0;
        if (item->NextItem() && CompareRecords(item->Record(), item->NextItem()->Record()) > 0)
            direction = 1;
        else if (item->PrevItem() && CompareRecords(item->Record(), item->PrevItem()->Record()) < 0)
            direction = -1;
        MoveToSortedPlace(direction);
    }
    // A new record that the filter hides is kept but not counted.
    if (IsItemFilteredOut(item)) {
        item->SetItemRecNo(0);
        RecNoCache.clear();
    } else {
        ShownAdded(item);
    }
}

void TMemData::InsertRecord(void* buffer) {
    if (!CachedUpdates) NotifyInsert(buffer);
    if (CachedUpdates && !LocalUpdate) {
        InsertItemWithStatus(buffer, isInserted);
        auto* entry = new TCacheItem();
        entry->CachedItem = CurrentItem;
        AppendCacheItem(entry);
        CurrentItem->SetUpdateResult(urNone);
    } else {
        InsertItemWithStatus(buffer, isUnmodified);
    }
}

void TMemData::MakeRollback(PRowItem item) {
    PRowItem rb = NewItem();
    blockManager_.CopyRecord(item, rb);
    if (HasComplexFields) AddRefComplexFields(rb->Record());
    item->SetRollbackItem(rb);
    TFieldDescs& descs = FieldDescs();
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* d = descs[i];
        if (!d || d->HasParent() || d->FieldKind == fkCalculated || !IsBlobDataType(d->TypeCode)) continue;
        auto* blob = Load<TBlob*>(FieldPtr(item->Record(), d));
        if (!blob || !blob->HasRollback() || Load<TBlob*>(FieldPtr(rb->Record(), d)) != blob) continue;
        // The rollback record keeps the old content in a blob of its own.
        auto* old = new TBlob(blob->IsUnicode());
        blob->SetShowOldData(true);
        TCRBlobData* oldData = blob->GetData();
        blob->SetShowOldData(false);
        old->SetData(oldData);
        blob->Commit();
        Store<TBlob*>(FieldPtr(rb->Record(), d), old);
        blob->Release();
    }
}

void TMemData::UpdateRecord(void* buffer) {
    MEMDATA_ASSERT(CurrentItem != nullptr, "No current record");
    if (!CachedUpdates) NotifyUpdate(buffer);
    PRowItem item = CurrentItem;
    bool wasShown = !IsItemFilteredOut(item);
    if (CachedUpdates && !LocalUpdate) {
        if (item->ItemStatus() == isUnmodified) {
            auto* entry = new TCacheItem();
            entry->CachedItem = item;
            AppendCacheItem(entry);
        }
        if (!(item->ItemStatus() == isInserted && item->UpdateResult() != urApplied)) {
            item->SetItemStatus(isModified);
            if (!item->RollbackItem()) MakeRollback(item);
        }
        item->SetUpdateResult(urNone);
    }
    bool sorted = sortColumns_.Count() > 0;
    int direction = sorted ? CompareRecords(buffer, item->Record()) : 0;
    PutRecord(buffer);
    if (sorted) {
        MoveToSortedPlace(direction);
        RenumberFrom(nullptr, 2);
        return;
    }
    // The record may have left (or joined) the shown ones: count it and renumber from it.
    bool nowShown = !IsItemFilteredOut(item);
    if (wasShown && !nowShown) {
        item->SetItemRecNo(0);
        ShownRemoved(item);
    } else if (!wasShown && nowShown) {
        ShownAdded(item);
    }
}

void TMemData::DeleteRecord() {
    MEMDATA_ASSERT(CurrentItem != nullptr, "No current record");
    if (CurrentItem == LastItem) Fetch(false);
    if (!CachedUpdates) {
        NotifyDelete();
        RemoveRecord();
        return;
    }
    if (LocalUpdate) {
        RemoveRecord();
        return;
    }
    PRowItem item = CurrentItem;
    PRowItem prev = item->PrevItem();
    PRowItem next = item->NextItem();
    bool wasShown = !IsItemFilteredOut(item);
    bool modified = false;
    bool moved = false;
    switch (item->ItemStatus()) {
    case isUnmodified: {
        auto* entry = new TCacheItem();
        entry->CachedItem = item;
        AppendCacheItem(entry);
        item->SetItemStatus(isDeleted);
        item->SetUpdateResult(urNone);
        break;
    }
    case isModified:
        modified = true;
        RestoreRollback(item);
        moved = sortColumns_.Count() > 0;
        item->SetItemStatus(isDeleted);
        item->SetUpdateResult(urNone);
        item->SetItemRecNo(0);
        break;
    case isInserted:
        delete UnlinkCacheItem(item);
        ReleaseRecordObjects(item->Record());
        DeleteItem(item);
        item = nullptr;
        break;
    default:
        return;
    }
    if (item) item->SetFilterState(fsNotChecked);
    PRowItem current;
    if (modified) {
        current = next ? next->PrevItem() : LastItem;
        if (!current) current = FirstItem;
    } else {
        current = prev ? prev->NextItem() : FirstItem;
        if (!current) current = LastItem;
    }
    CurrentItem = current;
    if (!current) {
        IsBOFFlag = IsEOFFlag = true;
    }
    bool nowShown = item && !IsItemFilteredOut(item);
    if (moved) {
        RenumberFrom(nullptr, 2);
    } else if (wasShown && !nowShown) {
        if (item) item->SetItemRecNo(0);
        ShownRemoved(item ? item : current);
    } else {
        RecNoCache.clear();
    }
}

void TMemData::RemoveRecord() {
    MEMDATA_ASSERT(CurrentItem != nullptr, "No current record");
    PRowItem item = CurrentItem;
    bool wasShown = !IsItemFilteredOut(item);
    bool gone = false;
    bool moved = false;
    if (CachedUpdates) {
        if (TCacheItem* entry = UnlinkCacheItem(item)) {
            gone = item->ItemStatus() == isInserted;
            // Restoring the first version may move the record in sorted order first.
            moved = item->ItemStatus() == isModified && sortColumns_.Count() > 0;
            RevertItem(item);
            delete entry;
            // The revert counted the record by its new visibility; the removal below undoes that.
            if (!gone && !IsItemFilteredOut(item) != wasShown) RecordCount += wasShown ? 1 : -1;
            if (gone && wasShown) ++RecordCount;
        }
    }
    if (!gone) {
        ReleaseRecordObjects(item->Record());
        DeleteItem(item);
    }
    if (moved) {
        RenumberFrom(nullptr, 2);
        return;
    }
    if (wasShown)
        ShownRemoved(CurrentItem);
    else
        RecNoCache.clear();
}

// ---- bookmarks ----

void TMemData::FillBookmark(TRowBookmark* bookmark) {
    // An item handed out again after it was freed cannot tell its old bookmarks from new ones:
    // the old ones are made older.
    if (CurrentItem && !ItemKept(CurrentItem)) NewListGeneration();
    bookmark->ListGeneration = ListGeneration;
    bookmark->Item = CurrentItem;
    bookmark->RecNo = CurrentItem ? GetRecNo() : -1;
}

PRowItem TMemData::BookmarkItem(const TRowBookmark* bookmark) const {
    if (!bookmark || !bookmark->Item || bookmark->ListGeneration != ListGeneration) return nullptr;
    // Same generation and never freed since: the item's block is still allocated and the item
    // holds the bookmarked record.
    if (!ItemKept(bookmark->Item) || bookmark->Item->ItemMarker() != ItemMarkerUsed) return nullptr;
    return bookmark->Item;
}

void TMemData::GotoBookmark(const TRowBookmark* bookmark) {
    if (PRowItem item = BookmarkItem(bookmark)) {
        ItemToCurrent(item);
        return;
    }
    TData::GotoBookmark(bookmark);
}

bool TMemData::IsBookmarkValid(const TRowBookmark* bookmark) {
    if (!bookmark) return false;
    PRowItem item = BookmarkItem(bookmark);
    bool valid = bookmark->RecNo != -1 && bookmark->RecNo >= 1 && bookmark->RecNo <= RecordCount;
    if (!valid && item) {
        int recNo = item->ItemRecNo() + RecNoBase;
        valid = item->ItemRecNo() != 0 && recNo >= 1 && recNo <= RecordCount;
    }
    if (valid && item && HasFilter() && IsItemFilteredOut(item)) valid = false;
    return valid;
}

int TMemData::CompareBookmarkRecs(const TRowBookmark* a, const TRowBookmark* b) {
    PRowItem ia = BookmarkItem(a), ib = BookmarkItem(b);
    if (ia && ib) {
        if (ia == ib) return 0;
        int x = ia->ItemRecNo(), y = ib->ItemRecNo();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return TData::CompareBookmarkRecs(a, b);
}

// ---- fields and reopening ----

void TMemData::Reopen() {
    TData::Reopen();
    RecNoCache.clear();
    if (!FilterText.empty()) Refilter();
    if (sortColumns_.Count() > 0) SortItems();
}

void TMemData::InitFields() {
    TData::InitFields();
    blockManager_.RecordSize = RecordSize;
    ParseIndexFieldNames();
}

void TMemData::ClearFields() {
    sortColumns_.Clear();
    TData::ClearFields();
}

// ---- cached updates ----

bool TMemData::HasPendingUpdates() const {
    for (TCacheItem* e = CacheHead; e; e = e->NextCacheItem)
        if (e->CachedItem->UpdateResult() != urApplied) return true;
    return false;
}

bool TMemData::HasUnappliedEditsOrDeletes() {
    for (TCacheItem* e = CacheHead; e; e = e->NextCacheItem) {
        uint8_t status = e->CachedItem->ItemStatus();
        if ((status == isModified || status == isDeleted) && e->CachedItem->UpdateResult() != urApplied)
            return true;
    }
    return false;
}

void TMemData::SetApplyBuffers(void* newBuffer, void* oldBuffer) {
    ApplyNewBuffer = newBuffer;
    ApplyOldBuffer = oldBuffer;
}

void TMemData::ResetUpdateResults() {
    if (!CachedUpdates) return;
    for (TCacheItem* e = CacheHead; e; e = e->NextCacheItem)
        e->CachedItem->SetUpdateResult(urNone);
}

void TMemData::AppendCacheItem(TCacheItem* cacheItem) {
    cacheItem->NextCacheItem = nullptr;
    if (CacheTail)
        CacheTail->NextCacheItem = cacheItem;
    else
        CacheHead = cacheItem;
    CacheTail = cacheItem;
}

TCacheItem* TMemData::UnlinkCacheItem(PRowItem item) {
    TCacheItem* prev = nullptr;
    TCacheItem* e = CacheHead;
    while (e && e->CachedItem != item) {
        prev = e;
        e = e->NextCacheItem;
    }
    if (!e) return nullptr;
    if (prev)
        prev->NextCacheItem = e->NextCacheItem;
    else
        CacheHead = e->NextCacheItem;
    if (CacheTail == e) CacheTail = prev;
    // Keep a running apply walk off the removed entry.
    if (applying_) {
        if (applyEntry_ == e) applyEntry_ = nullptr;
        if (applyNext_ == e) applyNext_ = e->NextCacheItem;
        if (applyBatch_ == e) applyBatch_ = e->NextCacheItem;
    }
    e->NextCacheItem = nullptr;
    return e;
}

void TMemData::RestoreRollback(PRowItem item) {
    PRowItem rb = item->RollbackItem();
    if (!rb) return;
    TFieldDescs& descs = FieldDescs();
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* d = descs[i];
        if (!d || d->HasParent() || d->FieldKind == fkCalculated || !IsBlobDataType(d->TypeCode)) continue;
        auto* current = Load<TBlob*>(FieldPtr(item->Record(), d));
        auto* old = Load<TBlob*>(FieldPtr(rb->Record(), d));
        if (!current || !old || current == old) continue;
        current->AddRef();
        current->SetData(old->GetData());
        Store<TBlob*>(FieldPtr(rb->Record(), d), current);
        old->Release();
    }
    int direction = sortColumns_.Count() > 0 ? CompareRecords(rb->Record(), item->Record()) : 0;
    ReleaseRecordObjects(item->Record());
    blockManager_.CopyRecord(rb, item);
    item->SetRollbackItem(nullptr);
    ReleaseItem(rb);
    item->SetFilterState(fsNotChecked);
    RecNoCache.clear();
    if (direction != 0) {
        PRowItem saved = CurrentItem;
        CurrentItem = item;
        MoveToSortedPlace(direction);
        CurrentItem = saved;
    }
}

void TMemData::RevertItem(PRowItem item) {
    bool wasShown = !IsItemFilteredOut(item);
    switch (item->ItemStatus()) {
    case isUnmodified:
        item->SetUpdateResult(urNone);
        item->SetFilterState(fsNotChecked);
        break;
    case isModified:
        RestoreRollback(item);
        item->SetItemStatus(isUnmodified);
        item->SetUpdateResult(urNone);
        item->SetFilterState(fsNotChecked);
        break;
    case isInserted:
        ReleaseRecordObjects(item->Record());
        DeleteItem(item);
        if (wasShown) --RecordCount;
        item = nullptr;
        break;
    case isDeleted:
        item->SetItemStatus(isUnmodified);
        item->SetUpdateResult(urNone);
        item->SetFilterState(fsNotChecked);
        break;
    default:
        break;
    }
    // Counted by what is shown now, whatever VisibleStatuses holds.
    if (item) {
        bool nowShown = !IsItemFilteredOut(item);
        if (nowShown != wasShown) RecordCount += nowShown ? 1 : -1;
        if (!nowShown) item->SetItemRecNo(0);
    }
    RecNoCache.clear();
    NotifyRecordReverted();
}

void TMemData::RevertCurrentRecord() {
    if (!CurrentItem) return;
    TCacheItem* entry = UnlinkCacheItem(CurrentItem);
    if (!entry) return;
    RevertItem(CurrentItem);
    delete entry;
    RenumberFrom(nullptr, 2);
}

void TMemData::CancelCachedUpdates() {
    if (!CacheHead) return;
    NotifyCancellingUpdates();
    while (CacheHead) {
        TCacheItem* entry = CacheHead;
        CacheHead = entry->NextCacheItem;
        if (!CacheHead) CacheTail = nullptr;
        RevertItem(entry->CachedItem);
        delete entry;
    }
    CacheTail = nullptr;
    RenumberFrom(nullptr, 2);
}

void TMemData::CommitCachedUpdates() {
    if (HasPendingUpdates()) ApplyCachedUpdates(ukSetAll);
    bool changed = false;
    TCacheItem* prev = nullptr;
    TCacheItem* e = CacheHead;
    while (e) {
        TCacheItem* next = e->NextCacheItem;
        PRowItem item = e->CachedItem;
        if (item->UpdateResult() != urApplied) {
            prev = e;
            e = next;
            continue;
        }
        if (prev)
            prev->NextCacheItem = next;
        else
            CacheHead = next;
        if (CacheTail == e) CacheTail = prev;
        delete e;
        changed = true;
        FreeRollback(item);
        if (item->ItemStatus() == isDeleted) {
            ReleaseRecordObjects(item->Record());
            DeleteItem(item);
        } else {
            item->SetItemStatus(isUnmodified);
            item->SetUpdateResult(urNone);
            item->SetFilterState(fsNotChecked);
        }
        e = next;
    }
    // Statuses changed, so visibility may have: count again.
    if (changed) RenumberFrom(nullptr, 2);
}

void TMemData::ApplyCachedUpdates(uint8_t kinds) {
    if (!CachedUpdates) return;
    PRowItem saved = CurrentItem;
    bool savedBOF = IsBOFFlag, savedEOF = IsEOFFlag;
    int32_t savedGeneration = ListGeneration;
    int freeCount = freeDataCount_;
    bool renumber = false;
    std::unique_ptr<ScratchBuffer> ownNew, ownOld;
    void* newBuffer = ApplyNewBuffer;
    void* oldBuffer = ApplyOldBuffer;
    if (!newBuffer) {
        ownNew = std::make_unique<ScratchBuffer>(static_cast<size_t>(RecordSize));
        newBuffer = ownNew->p;
    }
    if (!oldBuffer) {
        ownOld = std::make_unique<ScratchBuffer>(static_cast<size_t>(RecordSize));
        oldBuffer = ownOld->p;
    }
    struct WalkScope {
        TMemData* self;
        explicit WalkScope(TMemData* s) : self(s) {
            self->applying_ = true;
            self->applyEntry_ = self->applyNext_ = self->applyBatch_ = nullptr;
        }
        ~WalkScope() {
            self->applying_ = false;
            self->applyEntry_ = self->applyNext_ = self->applyBatch_ = nullptr;
        }
    } walk(this);

    // The remembered item is trusted only while it was not freed (nor the record list refilled).
    auto restore = [&] {
        if (!saved) {
            CurrentItem = nullptr;
            IsBOFFlag = savedBOF;
            IsEOFFlag = savedEOF;
        } else if (ListGeneration == savedGeneration && ItemKept(saved)) {
            CurrentItem = saved;
            IsBOFFlag = savedBOF;
            IsEOFFlag = savedEOF;
        } else {
            SetToBegin();
        }
    };

    TCacheItem* entry = CacheHead;
    while (entry) {
        PRowItem item = entry->CachedItem;
        if (item->UpdateResult() == urApplied) {
            entry = entry->NextCacheItem;
            continue;
        }
        applyEntry_ = entry;
        applyNext_ = entry->NextCacheItem;
        ItemToCurrent(item);
        int action = urFail;
        std::exception_ptr error;
        try {
            bool isLast = entry->NextCacheItem == nullptr;
            switch (item->ItemStatus()) {
            case isModified:
            case isInserted: {
                bool modified = item->ItemStatus() == isModified;
                if ((kinds & (modified ? ukSetModify : ukSetInsert)) == 0) break;
                blockManager_.GetRecord(item, newBuffer);
                PRowItem old = modified && item->RollbackItem() ? item->RollbackItem() : item;
                blockManager_.GetRecord(old, oldBuffer);
                NotifyApplyRecord(modified ? ukModify : ukInsert, action, isLast);
                if (freeDataCount_ != freeCount || !applyEntry_) break;
                int direction = sortColumns_.Count() > 0 ? CompareRecords(newBuffer, item->Record()) : 0;
                blockManager_.PutRecord(item, newBuffer);
                item->SetFilterState(fsNotChecked);
                if (direction != 0) {
                    CurrentItem = item;
                    MoveToSortedPlace(direction);
                    renumber = true;
                }
                break;
            }
            case isDeleted:
                if ((kinds & ukSetDelete) == 0) break;
                blockManager_.GetRecord(item, newBuffer);
                blockManager_.GetRecord(item, oldBuffer);
                NotifyApplyRecord(ukDelete, action, isLast);
                break;
            default:
                MEMDATA_ASSERT(false, "Unmodified record in the cached updates");
            }
        } catch (...) {
            error = std::current_exception();
        }
        if (freeDataCount_ != freeCount || !Active) {
            // The rows went away under the apply step: touch nothing of them.
            if (error) std::rethrow_exception(error);
            return;
        }
        if (applyEntry_) applyEntry_->CachedItem->SetUpdateResult(static_cast<uint8_t>(action));
        if (action != urDeferred) {
            TCacheItem* stop = applyEntry_ ? applyEntry_ : applyNext_;
            for (TCacheItem* e = applyBatch_; e && e != stop; e = e->NextCacheItem)
                e->CachedItem->SetUpdateResult(static_cast<uint8_t>(action));
        }
        TCacheItem* next = applyNext_;
        if (action == urRetry) {
            next = applyBatch_ ? applyBatch_ : (applyEntry_ ? applyEntry_ : applyNext_);
            applyBatch_ = nullptr;
        } else if (action == urDeferred) {
            if (!applyBatch_) applyBatch_ = applyEntry_ ? applyEntry_ : applyNext_;
        } else {
            applyBatch_ = nullptr;
        }
        if (error) {
            if (next)
                ItemToCurrent(next->CachedItem);
            else
                restore();
            if (renumber) RenumberFrom(nullptr, 2);
            std::rethrow_exception(error);
        }
        entry = next;
    }
    restore();
    if (renumber) RenumberFrom(nullptr, 2);
    NotifyUpdatesApplied();
}

void TMemData::GetOldRecord(void* buffer) {
    if (!CurrentItem) return;
    if (IsItemFilteredOut(CurrentItem)) {
        GetNextRecord(buffer);
        if (!CurrentItem) return;
    }
    PRowItem source = CurrentItem->RollbackItem() ? CurrentItem->RollbackItem() : CurrentItem;
    blockManager_.GetRecord(source, buffer);
}
