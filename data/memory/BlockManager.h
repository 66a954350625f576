#pragma once
// Row storage: items (a 25-byte header and one record buffer) carved out of blocks of several
// items, and the string heap that keeps texts and byte values stored outside the records.
// The byte layout is shared with the record sets that fetch straight into blocks, so the
// headers are packed and every member is read and written through memcpy accessors.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/core/ObjectModel.h"

// Addresses are computed from the packed headers: 13 and 25 bytes with the 4-byte pointers of the
// 32-bit program (21 and 41 in a 64-bit test build).

// Unaligned load and store at a byte offset.
template <class T> inline T LoadUnaligned(const void* base, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const uint8_t*>(base) + offset, sizeof(T));
    return value;
}
template <class T> inline void StoreUnaligned(void* base, size_t offset, T value) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, &value, sizeof(T));
}

struct TRowItemHeader;

#pragma pack(push, 1)
struct TRowBlockHeader {
    uint16_t ItemCount_;
    uint16_t UsedCount_;
    TRowBlockHeader* NewerBlock_;
    TRowBlockHeader* OlderBlock_;
    uint8_t Spare_;

    uint16_t ItemCount() const {
        return LoadUnaligned<uint16_t>(this, offsetof(TRowBlockHeader, ItemCount_));
    }
    void SetItemCount(uint16_t v) { StoreUnaligned(this, offsetof(TRowBlockHeader, ItemCount_), v); }
    uint16_t UsedCount() const {
        return LoadUnaligned<uint16_t>(this, offsetof(TRowBlockHeader, UsedCount_));
    }
    void SetUsedCount(uint16_t v) { StoreUnaligned(this, offsetof(TRowBlockHeader, UsedCount_), v); }
    TRowBlockHeader* NewerBlock() const {
        return LoadUnaligned<TRowBlockHeader*>(this, offsetof(TRowBlockHeader, NewerBlock_));
    }
    void SetNewerBlock(TRowBlockHeader* v) {
        StoreUnaligned(this, offsetof(TRowBlockHeader, NewerBlock_), v);
    }
    TRowBlockHeader* OlderBlock() const {
        return LoadUnaligned<TRowBlockHeader*>(this, offsetof(TRowBlockHeader, OlderBlock_));
    }
    void SetOlderBlock(TRowBlockHeader* v) {
        StoreUnaligned(this, offsetof(TRowBlockHeader, OlderBlock_), v);
    }

    // Item i (0-based) of a block whose records take recordSize bytes.
    TRowItemHeader* Item(int i, int recordSize);
};

struct TRowItemHeader {
    TRowBlockHeader* OwnerBlock_;
    TRowItemHeader* PrevItem_;
    TRowItemHeader* NextItem_;
    TRowItemHeader* RollbackItem_;
    uint8_t ItemStatus_;
    uint8_t UpdateResult_;
    int32_t ItemRecNo_;
    uint8_t ItemMarker_;
    uint8_t FilterState_;
    uint8_t Spare_;

#define VZ_ITEM_MEMBER(Type, Name)                                                                           \
    Type Name() const {                                                                                      \
        return LoadUnaligned<Type>(this, offsetof(TRowItemHeader, Name##_));                                 \
    }                                                                                                        \
    void Set##Name(Type v) {                                                                                 \
        StoreUnaligned(this, offsetof(TRowItemHeader, Name##_), v);                                          \
    }
    VZ_ITEM_MEMBER(TRowBlockHeader*, OwnerBlock)
    VZ_ITEM_MEMBER(TRowItemHeader*, PrevItem)
    VZ_ITEM_MEMBER(TRowItemHeader*, NextItem)
    VZ_ITEM_MEMBER(TRowItemHeader*, RollbackItem)
    VZ_ITEM_MEMBER(uint8_t, ItemStatus)
    VZ_ITEM_MEMBER(uint8_t, UpdateResult)
    VZ_ITEM_MEMBER(int32_t, ItemRecNo)
    VZ_ITEM_MEMBER(uint8_t, ItemMarker)
    VZ_ITEM_MEMBER(uint8_t, FilterState)
#undef VZ_ITEM_MEMBER

    // The record buffer that follows the header.
    uint8_t* Record() {
        return reinterpret_cast<uint8_t*>(this) + sizeof(TRowItemHeader);
    }
};
#pragma pack(pop)

constexpr int RowPointerSize = static_cast<int>(sizeof(void*));
static_assert(sizeof(TRowBlockHeader) == 5 + 2 * RowPointerSize);
static_assert(sizeof(TRowItemHeader) == 9 + 4 * RowPointerSize);
static_assert(sizeof(void*) != 4 ||
              (offsetof(TRowBlockHeader, NewerBlock_) == 4 && offsetof(TRowBlockHeader, OlderBlock_) == 8));
static_assert(sizeof(void*) != 4 ||
              (offsetof(TRowItemHeader, RollbackItem_) == 12 && offsetof(TRowItemHeader, ItemStatus_) == 16 &&
               offsetof(TRowItemHeader, UpdateResult_) == 17 && offsetof(TRowItemHeader, ItemRecNo_) == 18 &&
               offsetof(TRowItemHeader, ItemMarker_) == 22 && offsetof(TRowItemHeader, FilterState_) == 23));

using PRowBlock = TRowBlockHeader*;
using PRowItem = TRowItemHeader*;

constexpr int RowBlockHeaderSize = static_cast<int>(sizeof(TRowBlockHeader));
constexpr int RowItemHeaderSize = static_cast<int>(sizeof(TRowItemHeader));

// Item states and markers.
constexpr uint8_t isUnmodified = 0;
constexpr uint8_t isModified = 1;
constexpr uint8_t isInserted = 2;
constexpr uint8_t isDeleted = 3;
constexpr uint8_t urFail = 0;
constexpr uint8_t urAbort = 1;
constexpr uint8_t urSkip = 2;
constexpr uint8_t urRetry = 3;
constexpr uint8_t urApplied = 4;
constexpr uint8_t urNone = 5;
constexpr uint8_t urDeferred = 6;
constexpr uint8_t ItemMarkerFree = 0xDD;
constexpr uint8_t ItemMarkerUsed = 0xEE;
constexpr uint8_t fsNotChecked = 0;
constexpr uint8_t fsShown = 1;
constexpr uint8_t fsOmitted = 2;

inline TRowItemHeader* TRowBlockHeader::Item(int i, int recordSize) {
    return reinterpret_cast<TRowItemHeader*>(reinterpret_cast<uint8_t*>(this) + RowBlockHeaderSize +
                                             static_cast<size_t>(i) * (RowItemHeaderSize + recordSize));
}

// Internal consistency check of the record-storage units; raises EAssertionFailed naming MemData.
void MemDataAssert(bool condition, const char* message, int line);
#define MEMDATA_ASSERT(cond, msg) MemDataAssert((cond), (msg), __LINE__)

class TBlockManager : public TObject {
public:
    VZ_CLASS(TBlockManager, TObject)
    TBlockManager() = default;
    ~TBlockManager() override;

    // A block of itemCount items, newest in the chain; its items are the caller's to initialise.
    void AllocBlock(PRowBlock& block, int itemCount);
    void FreeBlock(PRowBlock block);
    void FreeAllBlocks();
    // A block of ItemsPerBlock items, all pushed on the free list.
    void AddFreeBlock();
    void AllocItem(PRowItem& item);
    void FreeItem(PRowItem item);

    void PutRecord(PRowItem item, const void* buffer) const;
    void GetRecord(PRowItem item, void* buffer) const;
    uint8_t* GetRecordPtr(PRowItem item) const { return item->Record(); }
    void CopyRecord(PRowItem source, PRowItem dest) const;

    PRowItem FreeItems = nullptr;
    PRowBlock NewestBlock = nullptr;
    int RecordSize = 0;
    uint16_t ItemsPerBlock = 10;
};
