#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "data/memory/BlockManager.h"
#include "data/memory/StringHeap.h"

namespace {

int CountBlocks(const TBlockManager& m) {
    int n = 0;
    for (PRowBlock b = m.NewestBlock; b; b = b->OlderBlock())
        ++n;
    return n;
}

// Walks blocks and the free list and checks every link, marker and count against each other.
void CheckBlockManager(const TBlockManager& m, const std::set<PRowItem>& used) {
    std::set<PRowItem> seenFree;
    std::map<PRowBlock, int> freeInBlock;
    PRowItem prev = nullptr;
    for (PRowItem i = m.FreeItems; i; i = i->NextItem()) {
        ASSERT_EQ(i->PrevItem(), prev);
        ASSERT_EQ(i->ItemMarker(), ItemMarkerFree);
        ASSERT_TRUE(seenFree.insert(i).second) << "free list cycles";
        ++freeInBlock[i->OwnerBlock()];
        prev = i;
    }
    std::set<PRowItem> allItems;
    PRowBlock newer = nullptr;
    for (PRowBlock b = m.NewestBlock; b; b = b->OlderBlock()) {
        ASSERT_EQ(b->NewerBlock(), newer);
        int usedHere = 0;
        for (int k = 0; k < b->ItemCount(); ++k) {
            PRowItem item = b->Item(k, m.RecordSize);
            ASSERT_EQ(item->OwnerBlock(), b);
            allItems.insert(item);
            if (item->ItemMarker() == ItemMarkerUsed) {
                ++usedHere;
                ASSERT_TRUE(used.count(item));
            } else {
                ASSERT_EQ(item->ItemMarker(), ItemMarkerFree);
                ASSERT_TRUE(seenFree.count(item)) << "free item missing from the free list";
            }
        }
        ASSERT_EQ(b->UsedCount(), usedHere);
        ASSERT_GT(usedHere, 0) << "a block without items in use must have been released";
        ASSERT_EQ(freeInBlock[b], b->ItemCount() - usedHere);
        newer = b;
    }
    for (PRowItem i : used)
        ASSERT_TRUE(allItems.count(i));
    for (PRowItem i : seenFree)
        ASSERT_TRUE(allItems.count(i)) << "free list holds an item of a released block";
}

} // namespace

TEST(BlockManagerTest, HeaderLayoutAndItemAddresses) {
    EXPECT_EQ(sizeof(TRowBlockHeader), 13u);
    EXPECT_EQ(sizeof(TRowItemHeader), 25u);
    TBlockManager m;
    m.RecordSize = 7;
    PRowBlock block;
    m.AllocBlock(block, 3);
    EXPECT_EQ(block->ItemCount(), 3);
    EXPECT_EQ(block->UsedCount(), 3);
    auto* base = reinterpret_cast<uint8_t*>(block);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(block->Item(2, 7)), base + 13 + 2 * (25 + 7));
    PRowItem item = block->Item(1, 7);
    EXPECT_EQ(m.GetRecordPtr(item), reinterpret_cast<uint8_t*>(item) + 25);
    // Members sit at their byte offsets, unaligned.
    item->SetItemRecNo(0x11223344);
    item->SetItemMarker(ItemMarkerUsed);
    auto* raw = reinterpret_cast<uint8_t*>(item);
    EXPECT_EQ(raw[18], 0x44);
    EXPECT_EQ(raw[21], 0x11);
    EXPECT_EQ(raw[22], 0xEE);
    m.FreeBlock(block);
    EXPECT_EQ(m.NewestBlock, nullptr);
}

TEST(BlockManagerTest, EleventhItemOpensSecondBlock) {
    TBlockManager m;
    m.RecordSize = 5;
    std::set<PRowItem> used;
    for (int i = 0; i < 10; ++i) {
        PRowItem item;
        m.AllocItem(item);
        EXPECT_EQ(item->ItemMarker(), ItemMarkerUsed);
        EXPECT_EQ(item->UpdateResult(), urNone);
        EXPECT_EQ(item->RollbackItem(), nullptr);
        used.insert(item);
    }
    EXPECT_EQ(CountBlocks(m), 1);
    EXPECT_EQ(m.FreeItems, nullptr);
    PRowItem eleventh;
    m.AllocItem(eleventh);
    used.insert(eleventh);
    EXPECT_EQ(CountBlocks(m), 2);
    for (PRowItem i : used)
        if (i != eleventh) {
            EXPECT_NE(i->OwnerBlock(), eleventh->OwnerBlock());
        }
    CheckBlockManager(m, used);
}

TEST(BlockManagerTest, BlockReleasedWhateverOrderItemsAreFreed) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        TBlockManager m;
        m.RecordSize = 3;
        std::vector<PRowItem> items(12);
        for (auto& i : items)
            m.AllocItem(i);
        ASSERT_EQ(CountBlocks(m), 2);
        PRowBlock first = items[0]->OwnerBlock();
        std::vector<PRowItem> firstBlock;
        std::set<PRowItem> rest;
        for (PRowItem i : items)
            (i->OwnerBlock() == first ? firstBlock.push_back(i) : (void)rest.insert(i));
        ASSERT_EQ(firstBlock.size(), 10u);
        std::shuffle(firstBlock.begin(), firstBlock.end(), rng);
        for (PRowItem i : firstBlock)
            m.FreeItem(i);
        EXPECT_EQ(CountBlocks(m), 1);
        CheckBlockManager(m, rest);
    }
}

TEST(BlockManagerTest, MarkerChecksRaiseAssertions) {
    TBlockManager m;
    m.RecordSize = 1;
    PRowItem a, b;
    m.AllocItem(a);
    m.AllocItem(b);
    m.FreeItem(a);
    EXPECT_THROW(m.FreeItem(a), EAssertionFailed);
}

TEST(BlockManagerTest, RandomSoakKeepsInvariants) {
    std::mt19937 rng(12345);
    TBlockManager m;
    m.RecordSize = 9;
    std::vector<PRowItem> live;
    for (int step = 0; step < 3000; ++step) {
        if (live.empty() || rng() % 100 < 55) {
            PRowItem item;
            m.AllocItem(item);
            uint8_t tag = static_cast<uint8_t>(step);
            std::vector<uint8_t> rec(9, tag);
            m.PutRecord(item, rec.data());
            live.push_back(item);
        } else {
            size_t k = rng() % live.size();
            std::vector<uint8_t> rec(9);
            m.GetRecord(live[k], rec.data());
            ASSERT_TRUE(std::all_of(rec.begin(), rec.end(), [&](uint8_t c) { return c == rec[0]; }));
            m.FreeItem(live[k]);
            live.erase(live.begin() + static_cast<long>(k));
        }
        if (step % 97 == 0) CheckBlockManager(m, std::set<PRowItem>(live.begin(), live.end()));
    }
    CheckBlockManager(m, std::set<PRowItem>(live.begin(), live.end()));
    for (PRowItem i : live)
        m.FreeItem(i);
    EXPECT_EQ(m.NewestBlock, nullptr);
    EXPECT_EQ(m.FreeItems, nullptr);
}

// ---- string heap ----

namespace {

// Walks every heap block buffer by buffer and every free list, and checks they agree.
void CheckHeap(const TStringHeap& heap, const std::map<void*, int>& holders) {
    std::set<void*> onLists;
    for (int k = 1; k <= TStringHeap::SmallClassCount; ++k) {
        for (void* b = heap.SmallTab(k); b; b = LoadUnaligned<void*>(b, 0)) {
            ASSERT_EQ(TStringHeap::RefWord(b), TStringHeap::RefFree);
            ASSERT_EQ(static_cast<int>((TStringHeap::RecordedSize(b) + 7) / 8), k);
            ASSERT_TRUE(onLists.insert(b).second) << "buffer twice on the free lists";
        }
    }
    std::set<void*> walked;
    bool newest = true;
    for (auto* block = static_cast<uint8_t*>(heap.CurrentBlock()); block;
         block = LoadUnaligned<uint8_t*>(block, 0)) {
        int end = newest ? TStringHeap::BlockUsable - heap.BlockFree() : TStringHeap::BlockUsable;
        int offset = 0;
        while (offset + 14 <= end) {
            uint8_t* buffer = block + TStringHeap::BlockLinkSize + offset + 6;
            uint32_t size = TStringHeap::RecordedSize(buffer);
            uint16_t ref = TStringHeap::RefWord(buffer);
            ASSERT_TRUE(size >= 8 && size <= 2000 && size % 8 == 0) << size;
            ASSERT_GE(ref, TStringHeap::RefFree);
            if (ref == TStringHeap::RefFree) {
                ASSERT_TRUE(onLists.count(buffer)) << "free buffer lost";
            } else {
                ASSERT_EQ(ref - TStringHeap::RefOne + 1, holders.at(buffer));
            }
            walked.insert(buffer);
            offset += 6 + static_cast<int>(size);
        }
        ASSERT_LE(offset, end);
        if (!newest) {
            ASSERT_LT(end - offset, 14) << "block ends in a usable gap";
        }
        newest = false;
    }
    for (void* b : onLists)
        ASSERT_TRUE(walked.count(b));
    for (auto& [b, n] : holders)
        if (TStringHeap::RecordedSize(b) <= 2000) {
            ASSERT_TRUE(walked.count(b));
        }
}

} // namespace

TEST(StringHeapTest, SizeClassesAndLargeBuffers) {
    TStringHeap heap;
    EXPECT_EQ(heap.NewBuf(0), nullptr);
    EXPECT_TRUE(heap.HeapEmpty());
    struct Case {
        int size;
        uint32_t recorded;
    } cases[] = {{1, 8}, {8, 8}, {9, 16}, {2000, 2000}};
    for (const auto& c : cases) {
        void* b = heap.NewBuf(c.size);
        EXPECT_EQ(TStringHeap::RecordedSize(b), c.recorded) << c.size;
        EXPECT_EQ(TStringHeap::RefWord(b), TStringHeap::RefOne);
        heap.DisposeBuf(b);
        EXPECT_EQ(heap.SmallTab(static_cast<int>(c.recorded / 8)), b) << "reused by size class";
    }
    EXPECT_FALSE(heap.HasLargeBuffers());
    void* large = heap.NewBuf(2001);
    EXPECT_TRUE(heap.HasLargeBuffers());
    EXPECT_EQ(TStringHeap::RecordedSize(large), 2001u);
    heap.DisposeBuf(large);
    EXPECT_TRUE(TStringHeap::IsSmallSize(250));
    EXPECT_FALSE(TStringHeap::IsSmallSize(251));
}

TEST(StringHeapTest, ReferenceWordCountsHolders) {
    TStringHeap heap;
    void* b = heap.NewBuf(10);
    heap.AddRefStr(b);
    EXPECT_EQ(TStringHeap::RefWord(b), 102);
    heap.DisposeBuf(b);
    EXPECT_EQ(TStringHeap::RefWord(b), 101);
    EXPECT_EQ(heap.SmallTab(2), nullptr);
    heap.DisposeBuf(b);
    EXPECT_EQ(heap.SmallTab(2), b);
    try {
        heap.DisposeBuf(b);
        FAIL() << "third dispose must fail";
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(e.Message().find("DisposeBuf failed"), AnsiString::npos) << e.Message();
    }
    EXPECT_THROW(heap.AddRefStr(b), EAssertionFailed);
    heap.AddRefStr(nullptr);
    heap.DisposeBuf(nullptr);
}

TEST(StringHeapTest, AllocStrTrimsAndTerminates) {
    TStringHeap heap;
    char* s = heap.AllocStr("ab  ", true);
    EXPECT_STREQ(s, "ab");
    EXPECT_EQ(TStringHeap::RecordedSize(s), 8u);
    char* z = heap.AllocStr("abc", false, 0);
    EXPECT_STREQ(z, "");
    EXPECT_EQ(heap.AllocStr(nullptr), nullptr);
    wchar_t* w = heap.AllocWideStr(L"\u4e2d\u6587 ", true);
    EXPECT_STREQ(w, L"\u4e2d\u6587");
    char* cut = heap.AllocStr("hello", false, 3);
    EXPECT_STREQ(cut, "hel");
}

TEST(StringHeapTest, ClearStartsFreshBlockAndIgnoresUnusedHeap) {
    TStringHeap heap;
    heap.Clear();
    EXPECT_EQ(heap.CurrentBlock(), nullptr);
    void* a = heap.NewBuf(100);
    ASSERT_NE(a, nullptr);
    heap.Clear();
    EXPECT_TRUE(heap.HeapEmpty());
    EXPECT_EQ(heap.CurrentBlock(), nullptr);
    for (int k = 1; k <= 250; ++k)
        EXPECT_EQ(heap.SmallTab(k), nullptr);
    void* b = heap.NewBuf(8);
    EXPECT_EQ(heap.BlockFree(), TStringHeap::BlockUsable - 14);
    EXPECT_EQ(static_cast<uint8_t*>(b), static_cast<uint8_t*>(heap.CurrentBlock()) + TStringHeap::BlockLinkSize + 6);
}

TEST(StringHeapTest, BlockRestBecomesFreeBufferAndSliversAreAbsorbed) {
    TStringHeap heap;
    std::map<void*, int> holders;
    // 8 buffers of 2000 bytes use 8 x 2006 = 16048 bytes; 332 remain (328 in a 64-bit build),
    // too few for another.
    for (int i = 0; i < 8; ++i)
        holders[heap.NewBuf(2000)] = 1;
    const int rest = TStringHeap::BlockUsable - 8 * 2006;
    EXPECT_EQ(heap.BlockFree(), rest);
    holders[heap.NewBuf(2000)] = 1;
    int r = (rest - 6) / 8;
    ASSERT_NE(heap.SmallTab(r), nullptr);
    EXPECT_EQ(TStringHeap::RecordedSize(heap.SmallTab(r)), static_cast<uint32_t>(8 * r));
    CheckHeap(heap, holders);
    // Fill a fresh heap so that a request leaves fewer than 14 bytes: the rest joins that buffer.
    TStringHeap h2;
    std::map<void*, int> h2holders;
    for (int i = 0; i < 8; ++i)
        h2holders[h2.NewBuf(2000)] = 1;
    void* last = h2.NewBuf(320); // 332 - 326 = 6 bytes left
    h2holders[last] = 1;
    EXPECT_EQ(TStringHeap::RecordedSize(last), 320u);
    EXPECT_EQ(h2.BlockFree(), TStringHeap::BlockUsable) << "a new block was started at once";
    CheckHeap(h2, h2holders);
}

TEST(StringHeapTest, RandomSoakKeepsHeapConsistent) {
    std::mt19937 rng(99);
    TStringHeap heap;
    std::map<void*, int> holders;
    std::vector<void*> live;
    for (int step = 0; step < 4000; ++step) {
        int op = static_cast<int>(rng() % 10);
        if (live.empty() || op < 5) {
            int size =
                rng() % 8 == 0 ? 1800 + static_cast<int>(rng() % 400) : 1 + static_cast<int>(rng() % 120);
            void* b = heap.NewBuf(size);
            std::memset(b, 0x5A, static_cast<size_t>(size));
            holders[b] = 1;
            live.push_back(b);
        } else if (op < 7) {
            void* b = live[rng() % live.size()];
            heap.AddRefStr(b);
            ++holders[b];
        } else {
            size_t k = rng() % live.size();
            void* b = live[k];
            heap.DisposeBuf(b);
            if (--holders[b] == 0) {
                holders.erase(b);
                live.erase(live.begin() + static_cast<long>(k));
            }
        }
        if (step % 101 == 0) {
            CheckHeap(heap, holders);
            if (HasFatalFailure()) return;
        }
    }
    CheckHeap(heap, holders);
    for (void* b : live)
        while (holders[b]-- > 0)
            heap.DisposeBuf(b);
    heap.Clear();
    EXPECT_FALSE(heap.HasLargeBuffers());
}
