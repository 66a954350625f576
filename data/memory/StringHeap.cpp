#include "data/memory/StringHeap.h"

#include <cstdlib>
#include <cwchar>

namespace {
// Smallest rest worth keeping at the end of a block: one 8-byte buffer and its header.
constexpr int MinRest = 14;
} // namespace

TStringHeap::~TStringHeap() {
    Clear();
}

uint8_t* TStringHeap::NewBlock() {
    auto* block = static_cast<uint8_t*>(std::malloc(BlockSize));
    if (!block) throw EOutOfMemory("Out of memory");
    return block;
}

void TStringHeap::PushFree(void* buffer, int sizeClass) {
    StoreUnaligned(buffer, 0, smallTab_[sizeClass]);
    smallTab_[sizeClass] = buffer;
}

void* TStringHeap::NewBuf(int size) {
    if (size < 1) return nullptr;
    int k = (size + 7) / 8;
    heapEmpty_ = false;
    if (k > SmallClassCount) {
        auto* raw = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + BufHeaderSize));
        if (!raw) throw EOutOfMemory("Out of memory");
        void* buffer = raw + BufHeaderSize;
        SetRecordedSize(buffer, static_cast<uint32_t>(size));
        SetRefWord(buffer, RefOne);
        hasLargeBuffers_ = true;
        return buffer;
    }
    if (void* buffer = smallTab_[k]) {
        smallTab_[k] = LoadUnaligned<void*>(buffer, 0);
        SetRefWord(buffer, static_cast<uint16_t>(RefWord(buffer) + 1));
        return buffer;
    }
    int need = 8 * k + BufHeaderSize;
    if (!currentBlock_) {
        currentBlock_ = NewBlock();
        StoreUnaligned<uint8_t*>(currentBlock_, 0, nullptr);
        blockFree_ = BlockUsable;
    } else if (blockFree_ < need) {
        uint8_t* block = NewBlock();
        // The rest of the old block becomes a free buffer of its own class.
        int r = (blockFree_ - BufHeaderSize) / 8;
        void* rest = currentBlock_ + BlockLinkSize + (BlockUsable - blockFree_) + BufHeaderSize;
        SetRecordedSize(rest, static_cast<uint32_t>(8 * r));
        SetRefWord(rest, RefFree);
        PushFree(rest, r);
        StoreUnaligned(block, 0, currentBlock_);
        currentBlock_ = block;
        blockFree_ = BlockUsable;
    }
    // A block never ends in a sliver too small to use: take the next block now, before anything
    // of this one changes, so a failed allocation leaves the heap as it was.
    uint8_t* next = blockFree_ - need < MinRest ? NewBlock() : nullptr;
    void* buffer = currentBlock_ + BlockLinkSize + (BlockUsable - blockFree_) + BufHeaderSize;
    uint32_t recorded = static_cast<uint32_t>(8 * k);
    blockFree_ -= need;
    if (next) {
        uint32_t rest = static_cast<uint32_t>(blockFree_) & ~7u;
        if (recorded + rest <= MaxSmallSize) recorded += rest;
        StoreUnaligned(next, 0, currentBlock_);
        currentBlock_ = next;
        blockFree_ = BlockUsable;
    }
    SetRecordedSize(buffer, recorded);
    SetRefWord(buffer, RefOne);
    return buffer;
}

char* TStringHeap::AllocStr(const char* source, bool trimBlanks, int length) {
    if (!source) return nullptr;
    if (length < 0) length = static_cast<int>(std::strlen(source));
    if (trimBlanks)
        while (length > 0 && source[length - 1] == ' ')
            --length;
    auto* copy = static_cast<char*>(NewBuf(length + 1));
    std::memcpy(copy, source, static_cast<size_t>(length));
    copy[length] = '\0';
    return copy;
}

wchar_t* TStringHeap::AllocWideStr(const wchar_t* source, bool trimBlanks, int length) {
    if (!source) return nullptr;
    if (length < 0) length = static_cast<int>(std::wcslen(source));
    if (trimBlanks)
        while (length > 0 && source[length - 1] == L' ')
            --length;
    auto* copy = static_cast<wchar_t*>(NewBuf((length + 1) * 2));
    std::memcpy(copy, source, static_cast<size_t>(length) * 2);
    copy[length] = L'\0';
    return copy;
}

void TStringHeap::AddRefStr(void* buffer) {
    if (!buffer) return;
    uint16_t ref = RefWord(buffer);
    MEMDATA_ASSERT(ref > RefFree, "AddRefStr failed");
    SetRefWord(buffer, static_cast<uint16_t>(ref + 1));
}

void TStringHeap::DisposeBuf(void* buffer) {
    if (!buffer) return;
    uint16_t ref = RefWord(buffer);
    MEMDATA_ASSERT(ref > RefFree, "DisposeBuf failed");
    if (ref > RefOne) {
        SetRefWord(buffer, static_cast<uint16_t>(ref - 1));
        return;
    }
    int k = static_cast<int>((RecordedSize(buffer) + 7) / 8);
    MEMDATA_ASSERT(k >= 1, "SmallTab in DisposeBuf failed");
    SetRefWord(buffer, RefFree);
    if (IsSmallSize(k))
        PushFree(buffer, k);
    else
        std::free(static_cast<uint8_t*>(buffer) - BufHeaderSize);
}

void TStringHeap::Clear() {
    if (heapEmpty_) return;
    while (currentBlock_) {
        uint8_t* older = LoadUnaligned<uint8_t*>(currentBlock_, 0);
        std::free(currentBlock_);
        currentBlock_ = older;
    }
    for (auto& head : smallTab_)
        head = nullptr;
    blockFree_ = BlockUsable;
    heapEmpty_ = true;
    hasLargeBuffers_ = false;
}
