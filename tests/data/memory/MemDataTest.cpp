#include <gtest/gtest.h>

#include "tests/data/memory/MemDataTestFixture.h"

namespace {
std::vector<FieldSpec> IdName() {
    return {{"ID", tcInt32}, {"NAME", tcString, 20}};
}

// Visible IDs in navigation order; record numbers must run 1, 2, ... along the way.
std::vector<int> Visible(TMemData& data) {
    std::vector<int> ids;
    data.SetToBegin();
    TRecord buffer(data);
    for (;;) {
        data.GetNextRecord(buffer);
        if (data.IsEOF()) break;
        ids.push_back(ReadInt32(data, buffer, 1));
        EXPECT_EQ(data.GetRecNo(), static_cast<int>(ids.size())) << "record " << ids.back();
    }
    EXPECT_EQ(data.GetRecordCount(), static_cast<int>(ids.size()));
    return ids;
}

int CurrentId(TMemData& data) {
    return data.CurrentItem ? ReadInt32(data, data.CurrentItem->Record(), 1) : -1;
}

void Fill(TMemData& data, int count) {
    for (int i = 1; i <= count; ++i)
        StoreRow(data, {I(i), S("n" + std::to_string(i))});
}

struct MemDataTest : ::testing::Test {
    TTestMemData data{IdName()};
    void SetUp() override { data.Open(); }
};
} // namespace

TEST_F(MemDataTest, InsertIntoEmptyListMakesFirstLastAndCurrentRecordOne) {
    StoreRow(data, {I(7), S("a")}, false);
    ASSERT_NE(data.FirstItem, nullptr);
    EXPECT_EQ(data.FirstItem, data.LastItem);
    EXPECT_EQ(data.CurrentItem, data.FirstItem);
    EXPECT_EQ(data.GetRecNo(), 1);
    EXPECT_EQ(data.GetRecordCount(), 1);
}

TEST_F(MemDataTest, InsertBeforeSecondOfFiveRenumbersTheFrontThroughRecNoBase) {
    Fill(data, 5);
    data.SetRecNo(2);
    ASSERT_EQ(CurrentId(data), 2);
    StoreRow(data, {I(99), S("new")}, false);
    EXPECT_EQ(data.GetRecNo(), 2);
    EXPECT_EQ(data.RecNoBase, 1);
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 99, 2, 3, 4, 5}));
}

TEST_F(MemDataTest, InsertAndDeleteNearEitherEndKeepNumbersRight) {
    Fill(data, 10);
    struct Step {
        bool insert;
        int at;
    } steps[] = {{true, 1}, {true, 11}, {false, 1}, {false, 10},
                 {true, 5}, {false, 3}, {true, 2},  {false, 9}};
    std::vector<int> model = Visible(data);
    int next = 100;
    for (const Step& s : steps) {
        data.SetRecNo(s.at);
        ASSERT_EQ(CurrentId(data), model[static_cast<size_t>(s.at) - 1]);
        if (s.insert) {
            StoreRow(data, {I(next), S("x")}, false);
            model.insert(model.begin() + s.at - 1, next++);
        } else {
            data.DeleteRecord();
            model.erase(model.begin() + s.at - 1);
        }
        EXPECT_EQ(Visible(data), model);
    }
}

TEST_F(MemDataTest, NavigationSkipsFilteredRowsAndStopsAtBothEnds) {
    Fill(data, 6);
    data.FilterRecordHook = [this](void* record) { return ReadInt32(data, record, 1) % 2 == 0; };
    EXPECT_FALSE(data.Refilter());
    EXPECT_EQ(Visible(data), (std::vector<int>{2, 4, 6}));
    data.SetToEnd();
    TRecord buffer(data);
    data.GetPriorRecord(buffer);
    EXPECT_EQ(ReadInt32(data, buffer, 1), 6);
    data.GetPriorRecord(buffer);
    data.GetPriorRecord(buffer);
    EXPECT_EQ(ReadInt32(data, buffer, 1), 2);
    data.GetPriorRecord(buffer);
    EXPECT_TRUE(data.IsBOF());
    data.FilterRecordHook = [](void*) { return false; };
    EXPECT_TRUE(data.Refilter());
    EXPECT_EQ(data.GetRecordCount(), 0);
}

TEST_F(MemDataTest, SetRecNoIgnoresZeroAndEmptyListAndFetchesBeyondTheEnd) {
    data.SetRecNo(1);
    EXPECT_EQ(data.CurrentItem, nullptr);
    Fill(data, 3);
    data.SetRecNo(2);
    data.SetRecNo(0);
    EXPECT_EQ(CurrentId(data), 2);
    int before = data.FetchCalls;
    data.SetRecNo(4);
    EXPECT_GT(data.FetchCalls, before);
    EXPECT_EQ(CurrentId(data), 2);
}

TEST_F(MemDataTest, SetRecNoWithTheRecordNumberCacheAndAfterChanges) {
    Fill(data, 50);
    data.BuildRecNoCache();
    ASSERT_EQ(data.RecNoCache.size(), 50u);
    for (int n : {37, 1, 50, 12}) {
        data.SetRecNo(n);
        EXPECT_EQ(CurrentId(data), n);
    }
    data.SetRecNo(10);
    data.DeleteRecord();
    EXPECT_TRUE(data.RecNoCache.empty());
    data.SetRecNo(10);
    EXPECT_EQ(CurrentId(data), 11);
}

// Filter verdicts are cached per item: a second pass evaluates nothing.
TEST_F(MemDataTest, FilterVerdictIsCachedUntilTheRecordChanges) {
    Fill(data, 20);
    int calls = 0;
    data.FilterRecordHook = [&](void* record) {
        ++calls;
        return ReadInt32(data, record, 1) > 5;
    };
    data.Refilter();
    EXPECT_EQ(calls, 20);
    Visible(data);
    EXPECT_EQ(calls, 20);
    data.SetRecNo(1);
    TRow edited(data, {I(1), S("changed")});
    data.UpdateRecord(edited);
    EXPECT_EQ(calls, 21);
}

// Without sort columns an update that hides the record must renumber the records after it.
TEST_F(MemDataTest, UpdateThatFiltersTheRecordOutRenumbersTheRest) {
    Fill(data, 6);
    data.FilterRecordHook = [this](void* record) { return ReadInt32(data, record, 1) < 100; };
    data.Refilter();
    for (int at : {2, 4}) { // a record in the first and one in the second half
        data.SetRecNo(at);
        int id = CurrentId(data);
        TRow hidden(data, {I(100 + id), S("hidden")});
        data.UpdateRecord(hidden);
        EXPECT_EQ(data.CurrentItem->ItemRecNo(), 0);
    }
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 3, 4, 6}));
    data.SetRecNo(3);
    EXPECT_EQ(CurrentId(data), 4);
    data.SetRecNo(4);
    EXPECT_EQ(CurrentId(data), 6);
}

TEST_F(MemDataTest, BookmarksFindTheirRecordAndCompareInListOrder) {
    Fill(data, 5);
    data.SetRecNo(4);
    TRowBookmark b4;
    data.FillBookmark(&b4);
    data.SetRecNo(2);
    TRowBookmark b2;
    data.FillBookmark(&b2);
    EXPECT_LT(data.CompareBookmarkRecs(&b2, &b4), 0);
    EXPECT_EQ(data.CompareBookmarkRecs(&b4, &b4), 0);
    data.SetRecNo(1);
    StoreRow(data, {I(50), S("front")}, false); // b4 is now record 5
    data.GotoBookmark(&b4);
    EXPECT_EQ(CurrentId(data), 4);
    EXPECT_TRUE(data.IsBookmarkValid(&b4));
    EXPECT_FALSE(data.IsBookmarkValid(nullptr));
}

TEST_F(MemDataTest, BookmarkTakenBeforeReopenFallsBackToItsRecordNumber) {
    Fill(data, 5);
    data.SetRecNo(3);
    TRowBookmark bm;
    data.FillBookmark(&bm);
    int32_t generation = data.ListGeneration;
    data.Prepare(); // keeps the fields over the close
    data.Close();   // the rows go; new ones come at the same record numbers
    data.Open();
    EXPECT_NE(data.ListGeneration, generation);
    Fill(data, 5);
    data.GotoBookmark(&bm);
    EXPECT_EQ(data.GetRecNo(), 3);
    EXPECT_EQ(CurrentId(data), 3);
}

// A bookmark's item may be freed (its block with it) and handed out again for another record:
// the bookmark must never read it as its own.
TEST_F(MemDataTest, BookmarkToFreedOrReusedItemFallsBackToRecordNumber) {
    Fill(data, 25); // three blocks of ten
    data.SetRecNo(23);
    TRowBookmark lastBlock;
    data.FillBookmark(&lastBlock);
    data.SetRecNo(5);
    TRowBookmark reused;
    data.FillBookmark(&reused);

    // Free the whole last block (records 21..25).
    for (int i = 0; i < 5; ++i) {
        data.SetRecNo(21);
        data.DeleteRecord();
    }
    EXPECT_FALSE(data.IsBookmarkValid(&lastBlock));
    data.GotoBookmark(&lastBlock); // record 23 no longer exists: position unchanged, no crash
    EXPECT_NE(CurrentId(data), 23);

    // Record 5 goes and its item comes back holding a new record at the end.
    data.SetRecNo(5);
    data.DeleteRecord();
    StoreRow(data, {I(500), S("reused")});
    data.GotoBookmark(&reused);
    EXPECT_NE(CurrentId(data), 500);
    EXPECT_EQ(data.GetRecNo(), 5);
    EXPECT_EQ(CurrentId(data), 6);
}

// Freeing and reusing some item must not cost the bookmarks of the records that stayed: they
// still find their own record, not whatever now has their old number.
TEST_F(MemDataTest, BookmarksOfLiveRecordsSurviveDeletesAndReuse) {
    Fill(data, 25); // blocks of ids 1-10, 11-20, 21-25
    data.SetRecNo(8);
    TRowBookmark b8;
    data.FillBookmark(&b8);
    data.SetRecNo(20);
    TRowBookmark b20;
    data.FillBookmark(&b20);
    data.SetRecNo(3);
    data.DeleteRecord();                   // record 8 is now number 7
    StoreRow(data, {I(300), S("reuses")}); // takes the freed item
    for (int i = 0; i < 5; ++i) {          // ids 21-25: their block goes back to the allocator
        data.SetRecNo(20);
        data.DeleteRecord();
    }
    StoreRow(data, {I(301), S("new block")});
    ASSERT_EQ(Visible(data).size(), 21u);
    EXPECT_TRUE(data.IsBookmarkValid(&b8));
    data.SetRecNo(1);
    data.GotoBookmark(&b8);
    EXPECT_EQ(CurrentId(data), 8);
    EXPECT_EQ(data.GetRecNo(), 7);
    data.GotoBookmark(&b20);
    EXPECT_EQ(CurrentId(data), 20);
    EXPECT_LT(data.CompareBookmarkRecs(&b8, &b20), 0);

    // A bookmark of the record that reused an item is exact as well.
    data.SetRecNo(20);
    ASSERT_EQ(CurrentId(data), 300);
    TRowBookmark reused;
    data.FillBookmark(&reused);
    data.SetRecNo(1);
    data.DeleteRecord();
    data.GotoBookmark(&reused);
    EXPECT_EQ(CurrentId(data), 300);
    EXPECT_EQ(data.GetRecNo(), 19);
}

TEST_F(MemDataTest, CachedDeleteKeepsTheRowHiddenAndCancelShowsItAgain) {
    Fill(data, 4);
    data.SetCachedUpdates(true);
    data.SetRecNo(2);
    data.DeleteRecord();
    EXPECT_EQ(data.GetRecordCount(), 3);
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 3, 4}));
    int items = 0;
    for (PRowItem i = data.FirstItem; i; i = i->NextItem())
        if (ReadInt32(data, i->Record(), 1) == 2) {
            EXPECT_EQ(i->ItemStatus(), isDeleted);
            ++items;
        }
    EXPECT_EQ(items, 1);
    data.CancelCachedUpdates();
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(data.CacheHead, nullptr);
}

TEST_F(MemDataTest, UpdatingTwiceKeepsOneRollbackAndRevertRestoresTheFirstVersion) {
    Fill(data, 3);
    data.SetCachedUpdates(true);
    data.SetRecNo(2);
    TRow first(data, {I(2), S("first edit")});
    data.UpdateRecord(first);
    PRowItem rollback = data.CurrentItem->RollbackItem();
    ASSERT_NE(rollback, nullptr);
    TRow second(data, {I(2), S("second edit")});
    data.UpdateRecord(second);
    EXPECT_EQ(data.CurrentItem->RollbackItem(), rollback);
    EXPECT_EQ(data.GetItemStatus(), isModified);
    TRecord old(data);
    data.GetOldRecord(old);
    EXPECT_EQ(ReadText(data, old, 2), "n2");
    data.RevertCurrentRecord();
    EXPECT_EQ(ReadText(data, data.CurrentItem->Record(), 2), "n2");
    EXPECT_EQ(data.GetItemStatus(), isUnmodified);
    EXPECT_EQ(data.CurrentItem->RollbackItem(), nullptr);
    EXPECT_EQ(data.CacheHead, nullptr);
}

// With LocalUpdate a delete removes the record from memory; reverting its cached edit first
// moves it back to its old sorted place, so the numbers must follow both moves.
TEST_F(MemDataTest, LocalDeleteOfAMovedSortedRecordKeepsNumbersRight) {
    Fill(data, 12);
    data.SetIndexFieldNames("ID");
    data.SetCachedUpdates(true);
    data.SetRecNo(2);
    TRow moved(data, {I(11), S("moved")}); // ids 1 3 .. 11 11 12
    data.UpdateRecord(moved);
    data.LocalUpdate = true;
    data.DeleteRecord(); // reverts to id 2 at the front, then removes it
    EXPECT_EQ(data.CacheHead, nullptr);
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    for (int n = 1; n <= 11; ++n) {
        data.SetRecNo(n);
        EXPECT_EQ(data.GetRecNo(), n);
    }
}

TEST_F(MemDataTest, DeletingACachedInsertRemovesItCompletely) {
    Fill(data, 2);
    data.SetCachedUpdates(true);
    data.SetRecNo(2);
    StoreRow(data, {I(9), S("ins")}, false);
    EXPECT_EQ(data.GetItemStatus(), isInserted);
    data.DeleteRecord();
    EXPECT_EQ(data.CacheHead, nullptr);
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 2}));
    int items = 0;
    for (PRowItem i = data.FirstItem; i; i = i->NextItem())
        ++items;
    EXPECT_EQ(items, 2);
}

TEST_F(MemDataTest, ApplyRetriesARecordThenCommitClearsTheCache) {
    Fill(data, 3);
    data.SetCachedUpdates(true);
    data.SetRecNo(1);
    TRow edit(data, {I(1), S("e")});
    data.UpdateRecord(edit);
    data.SetRecNo(3);
    data.DeleteRecord();
    std::vector<std::pair<int, int>> calls; // (kind, id)
    int retries = 1;
    data.ApplyRecordHook = [&](int kind, int& action, bool) {
        calls.push_back(
            {kind,
             ReadInt32(data, data.ApplyNewBuffer ? data.ApplyNewBuffer : data.CurrentItem->Record(), 1)});
        action = (kind == ukModify && retries-- > 0) ? urRetry : urApplied;
    };
    data.ApplyCachedUpdates(ukSetAll);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{ukModify, 1}, {ukModify, 1}, {ukDelete, 3}}));
    EXPECT_FALSE(data.HasPendingUpdates());
    data.CommitCachedUpdates();
    EXPECT_EQ(data.CacheHead, nullptr);
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 2}));
    int items = 0;
    for (PRowItem i = data.FirstItem; i; i = i->NextItem()) {
        EXPECT_EQ(i->ItemStatus(), isUnmodified);
        ++items;
    }
    EXPECT_EQ(items, 2);
}

TEST_F(MemDataTest, ApplyErrorIsRecordedAndLeavesTheNextEntryCurrent) {
    Fill(data, 3);
    data.SetCachedUpdates(true);
    for (int n : {1, 2}) {
        data.SetRecNo(n);
        TRow edit(data, {I(n), S("e")});
        data.UpdateRecord(edit);
    }
    data.ApplyRecordHook = [&](int, int& action, bool isLast) {
        if (!isLast) throw Exception("write failed");
        action = urApplied;
    };
    EXPECT_THROW(data.ApplyCachedUpdates(ukSetAll), Exception);
    EXPECT_EQ(data.FirstItem->UpdateResult(), urFail);
    EXPECT_EQ(CurrentId(data), 2);
    EXPECT_TRUE(data.HasPendingUpdates());
    EXPECT_TRUE(data.HasUnappliedEditsOrDeletes());
}

// Deferred records wait in a batch: the action that ends the batch is recorded for all of them,
// and a retry starts again at the batch's first record.
TEST_F(MemDataTest, ApplyRecordsADeferredBatchAndRetriesItFromItsStart) {
    struct Case {
        std::vector<int> Actions; // answered in turn, urApplied once they run out
        std::vector<int> Calls;   // ids given to the apply step
        std::vector<int> Results; // update results of ids 1, 2, 3 afterwards
    } cases[] = {
        {{urDeferred, urDeferred, urApplied}, {1, 2, 3}, {urApplied, urApplied, urApplied}},
        {{urDeferred, urDeferred, urRetry}, {1, 2, 3, 1, 2, 3}, {urApplied, urApplied, urApplied}},
        {{urApplied, urDeferred, urSkip}, {1, 2, 3}, {urApplied, urSkip, urSkip}},
        {{urDeferred, urAbort, urApplied}, {1, 2, 3}, {urAbort, urAbort, urApplied}},
    };
    for (const Case& c : cases) {
        TTestMemData list(IdName());
        list.Open();
        Fill(list, 3);
        list.SetCachedUpdates(true);
        for (int n = 1; n <= 3; ++n) {
            list.SetRecNo(n);
            TRow edit(list, {I(n), S("e")});
            list.UpdateRecord(edit);
        }
        size_t next = 0;
        std::vector<int> calls;
        list.ApplyRecordHook = [&](int, int& action, bool) {
            calls.push_back(ReadInt32(list, list.CurrentItem->Record(), 1));
            action = next < c.Actions.size() ? c.Actions[next++] : urApplied;
        };
        list.ApplyCachedUpdates(ukSetAll);
        EXPECT_EQ(calls, c.Calls);
        std::vector<int> results;
        for (TCacheItem* e = list.CacheHead; e; e = e->NextCacheItem)
            results.push_back(e->CachedItem->UpdateResult());
        EXPECT_EQ(results, c.Results);
    }
}

namespace {
// A provider's record set: every fetch appends one more row at the end.
class TFetchingMemData : public TTestMemData {
public:
    TFetchingMemData() : TTestMemData(IdName()) {}
    int Pending = 2;
    bool Fetch(bool) override {
        if (Pending == 0) return false;
        PRowItem item = AppendItem();
        TRow row(*this, {I(100 + Pending--), S("f")});
        BlockManager().PutRecord(item, row);
        NumberItems(item, false, false);
        return true;
    }
};
} // namespace

TEST(MemDataFetchTest, SetRecNoBeyondTheLastRecordFetchesUntilItIsThere) {
    TFetchingMemData data;
    data.Open();
    Fill(data, 3);
    data.SetRecNo(5);
    EXPECT_EQ(data.GetRecNo(), 5);
    EXPECT_EQ(CurrentId(data), 101);
    EXPECT_EQ(data.GetRecordCount(), 5);
    data.SetRecNo(9); // nothing more to fetch: stays where it was
    EXPECT_EQ(CurrentId(data), 101);
}

// Deleted records in cached-updates mode may be shown on request; they count and number too.
TEST_F(MemDataTest, VisibleStatusesShowDeletedRecordsAgain) {
    Fill(data, 5);
    data.SetCachedUpdates(true);
    data.SetRecNo(2);
    data.DeleteRecord();
    data.SetRecNo(4);
    data.DeleteRecord(); // id 5
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 3, 4}));
    data.SetVisibleStatuses(1 | 2 | 4 | 8);
    EXPECT_EQ(Visible(data), (std::vector<int>{1, 2, 3, 4, 5}));
    data.SetVisibleStatuses(8);
    EXPECT_EQ(Visible(data), (std::vector<int>{2, 5}));
    data.SetVisibleStatuses(0);
    EXPECT_TRUE(data.IsEOF());
    EXPECT_EQ(data.GetRecordCount(), 0);
}

// Kinds left out of the set run no apply step and are recorded as failed.
TEST_F(MemDataTest, ApplyOnlyTheKindsAsked) {
    Fill(data, 2);
    data.SetCachedUpdates(true);
    data.SetRecNo(1);
    data.DeleteRecord();
    StoreRow(data, {I(3), S("c")});
    int calls = 0;
    data.ApplyRecordHook = [&](int kind, int& action, bool) {
        ++calls;
        EXPECT_EQ(kind, ukInsert);
        action = urApplied;
    };
    data.ApplyCachedUpdates(ukSetInsert);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(data.CacheHead->CachedItem->UpdateResult(), urFail);
    EXPECT_EQ(data.CacheTail->CachedItem->UpdateResult(), urApplied);
}

TEST_F(MemDataTest, StoringWithoutACurrentRecordIsAnAssertionFailure) {
    TRow row(data, {I(1), S("a")});
    EXPECT_THROW(data.PutRecord(row), EAssertionFailed);
    EXPECT_THROW(data.UpdateRecord(row), EAssertionFailed);
    EXPECT_THROW(data.DeleteRecord(), EAssertionFailed);
}

TEST(MemDataFreeTest, FreeDataReleasesHeapTextsAndBlocks) {
    TTestMemData data({{"ID", tcInt32}, {"T", tcExtString, 100}, {"V", tcVariant}});
    data.Open();
    for (int i = 0; i < 35; ++i)
        StoreRow(data, {I(i), S(std::string(static_cast<size_t>(i % 7) * 10, 'x'))});
    data.SetCachedUpdates(true);
    data.SetRecNo(3);
    // The dataset's edit cycle: the edit buffer takes the stored row's objects, the stored row
    // gets copies, and after the post the row owns the edit buffer's objects.
    void* edit = nullptr;
    data.AllocRecBuf(edit);
    data.GetRecord(edit);
    data.SeparateStoredRecord(edit);
    PutTestValue(data, edit, 2, S("edited"));
    data.PostEditedRecord(edit);
    data.FreeRecBuf(edit);
    EXPECT_EQ(ReadText(data, data.CurrentItem->Record(), 2), "edited");
    EXPECT_EQ(ReadText(data, data.CurrentItem->RollbackItem()->Record(), 2), "xxxxxxxxxxxxxxxxxxxx");
    data.FreeData();
    EXPECT_EQ(data.BlockManager().NewestBlock, nullptr);
    EXPECT_EQ(data.FirstItem, nullptr);
    EXPECT_EQ(data.CacheHead, nullptr);
    EXPECT_EQ(data.GetRecordCount(), 0);
    EXPECT_TRUE(data.IsEOF());
}
