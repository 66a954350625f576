#include "data/memory/BlockManager.h"

#include <cstdlib>

void MemDataAssert(bool condition, const char* message, int line) {
    if (!condition) throw EAssertionFailed(message, "MemData", line);
}

namespace {
void* AllocOrThrow(size_t size) {
    void* p = std::malloc(size);
    if (!p) throw EOutOfMemory("Out of memory");
    return p;
}
} // namespace

TBlockManager::~TBlockManager() {
    FreeAllBlocks();
}

void TBlockManager::AllocBlock(PRowBlock& block, int itemCount) {
    size_t size = RowBlockHeaderSize + static_cast<size_t>(itemCount) * (RecordSize + RowItemHeaderSize);
    block = static_cast<PRowBlock>(AllocOrThrow(size));
    block->SetItemCount(static_cast<uint16_t>(itemCount));
    block->SetUsedCount(static_cast<uint16_t>(itemCount));
    block->SetNewerBlock(nullptr);
    block->SetOlderBlock(NewestBlock);
    if (NewestBlock) NewestBlock->SetNewerBlock(block);
    NewestBlock = block;
}

void TBlockManager::FreeBlock(PRowBlock block) {
    PRowBlock newer = block->NewerBlock();
    PRowBlock older = block->OlderBlock();
    if (newer) newer->SetOlderBlock(older);
    if (older) older->SetNewerBlock(newer);
    if (NewestBlock == block) NewestBlock = older;
    std::free(block);
}

void TBlockManager::FreeAllBlocks() {
    while (NewestBlock) {
        PRowBlock older = NewestBlock->OlderBlock();
        std::free(NewestBlock);
        NewestBlock = older;
    }
    FreeItems = nullptr;
}

void TBlockManager::AddFreeBlock() {
    PRowBlock block;
    AllocBlock(block, ItemsPerBlock);
    for (int i = 0; i < ItemsPerBlock; ++i) {
        PRowItem item = block->Item(i, RecordSize);
        item->SetOwnerBlock(block);
        item->SetItemMarker(ItemMarkerFree);
        item->SetPrevItem(nullptr);
        item->SetNextItem(FreeItems);
        if (FreeItems) FreeItems->SetPrevItem(item);
        FreeItems = item;
    }
    block->SetUsedCount(0);
}

void TBlockManager::AllocItem(PRowItem& item) {
    if (!FreeItems) AddFreeBlock();
    item = FreeItems;
    MEMDATA_ASSERT(item->ItemMarker() == ItemMarkerFree, "Item is not free");
    item->SetItemMarker(ItemMarkerUsed);
    FreeItems = item->NextItem();
    if (FreeItems) FreeItems->SetPrevItem(nullptr);
    item->SetRollbackItem(nullptr);
    item->SetItemStatus(isUnmodified);
    item->SetUpdateResult(urNone);
    item->SetItemRecNo(0);
    item->SetFilterState(fsNotChecked);
    PRowBlock block = item->OwnerBlock();
    block->SetUsedCount(static_cast<uint16_t>(block->UsedCount() + 1));
}

void TBlockManager::FreeItem(PRowItem item) {
    MEMDATA_ASSERT(item->ItemMarker() == ItemMarkerUsed, "Item is not in use");
    PRowBlock block = item->OwnerBlock();
    if (block->UsedCount() != 1) {
        item->SetItemMarker(ItemMarkerFree);
        item->SetPrevItem(nullptr);
        item->SetNextItem(FreeItems);
        if (FreeItems) FreeItems->SetPrevItem(item);
        FreeItems = item;
        block->SetUsedCount(static_cast<uint16_t>(block->UsedCount() - 1));
        return;
    }
    // Last item in use: check the others before touching any list, then drop them all.
    int count = block->ItemCount();
    for (int i = 0; i < count; ++i) {
        PRowItem other = block->Item(i, RecordSize);
        if (other != item) MEMDATA_ASSERT(other->ItemMarker() == ItemMarkerFree, "Block item is not free");
    }
    item->SetItemMarker(ItemMarkerFree);
    for (int i = 0; i < count; ++i) {
        PRowItem other = block->Item(i, RecordSize);
        if (other == item) continue;
        PRowItem prev = other->PrevItem();
        PRowItem next = other->NextItem();
        if (prev)
            prev->SetNextItem(next);
        else if (FreeItems == other)
            FreeItems = next;
        if (next) next->SetPrevItem(prev);
    }
    FreeBlock(block);
}

void TBlockManager::PutRecord(PRowItem item, const void* buffer) const {
    std::memcpy(item->Record(), buffer, static_cast<size_t>(RecordSize));
}

void TBlockManager::GetRecord(PRowItem item, void* buffer) const {
    std::memcpy(buffer, item->Record(), static_cast<size_t>(RecordSize));
}

void TBlockManager::CopyRecord(PRowItem source, PRowItem dest) const {
    std::memmove(dest->Record(), source->Record(), static_cast<size_t>(RecordSize));
}
