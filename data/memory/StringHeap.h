#pragma once
// Heap of reference-counted buffers for texts and byte values kept outside the records.
// A buffer is a 32-bit recorded size, a 16-bit reference word and the data; callers hold the
// data pointer. Buffers up to 2000 bytes are carved from 16 KB blocks and reused by 8-byte
// size class; larger ones come from the general allocator.
#include <cstdint>

#include "data/memory/BlockManager.h"

class TStringHeap : public TObject {
public:
    VZ_CLASS(TStringHeap, TObject)
    static constexpr int SmallClassCount = 250;
    static constexpr int MaxSmallSize = 2000;
    static constexpr int BlockSize = 16384;
    // A block begins with the link to the block made before it: 4 bytes in the 32-bit program.
    static constexpr int BlockLinkSize = static_cast<int>(sizeof(void*));
    static constexpr int BlockUsable = BlockSize - BlockLinkSize;
    static constexpr int BufHeaderSize = 6;
    // Reference word of a buffer waiting on a free list, and of a buffer with one holder.
    static constexpr uint16_t RefFree = 100;
    static constexpr uint16_t RefOne = 101;

    TStringHeap() = default;
    ~TStringHeap() override;

    // nullptr for a size below 1.
    void* NewBuf(int size);
    // Heap copy of 8-bit text: length -1 means up to the terminating zero; trailing blanks dropped
    // with trimBlanks; nullptr for a nil source.
    char* AllocStr(const char* source, bool trimBlanks = false, int length = -1);
    wchar_t* AllocWideStr(const wchar_t* source, bool trimBlanks = false, int length = -1);
    void AddRefStr(void* buffer);
    void DisposeBuf(void* buffer);
    void Clear();
    static bool IsSmallSize(int sizeClass) { return sizeClass < SmallClassCount + 1; }

    // Header members of a handed-out buffer.
    static uint32_t RecordedSize(const void* buffer) {
        return LoadUnaligned<uint32_t>(static_cast<const uint8_t*>(buffer) - BufHeaderSize, 0);
    }
    static uint16_t RefWord(const void* buffer) {
        return LoadUnaligned<uint16_t>(static_cast<const uint8_t*>(buffer) - 2, 0);
    }

    // State, for the owning record set and for checks.
    void* SmallTab(int sizeClass) const { return smallTab_[sizeClass]; }
    int BlockFree() const { return blockFree_; }
    void* CurrentBlock() const { return currentBlock_; }
    bool HeapEmpty() const { return heapEmpty_; }
    bool HasLargeBuffers() const { return hasLargeBuffers_; }
    // Large buffers always carry their recorded size here, so this stays false.
    bool AllocatorKnowsSize() const { return false; }

private:
    static void SetRefWord(void* buffer, uint16_t value) {
        StoreUnaligned(static_cast<uint8_t*>(buffer) - 2, 0, value);
    }
    static void SetRecordedSize(void* buffer, uint32_t value) {
        StoreUnaligned(static_cast<uint8_t*>(buffer) - BufHeaderSize, 0, value);
    }
    void PushFree(void* buffer, int sizeClass);
    uint8_t* NewBlock();

    void* smallTab_[SmallClassCount + 1] = {};
    int blockFree_ = BlockUsable;
    uint8_t* currentBlock_ = nullptr;
    bool heapEmpty_ = true;
    bool hasLargeBuffers_ = false;
};
