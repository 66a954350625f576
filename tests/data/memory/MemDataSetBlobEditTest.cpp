// Memo contents written through a write-mode blob stream while a record is edited, and the
// default values of new records.
#include <gtest/gtest.h>

#include "data/memory/BlobStream.h"
#include "tests/data/memory/MemDataSetFixture.h"

namespace {

// Rows stored as a provider fetches them, so that cached updates do not take them for inserts.
TRowsData* MakeMemoRows() {
    return new TRowsData({{"ID", tcInt32}, {"M", tcMemo}}, [](TRowsData& d) {
        for (int id : {1, 2}) {
            void* b = nullptr;
            d.AllocRecBuf(b);
            d.InitRecordBuf(b);
            d.CreateComplexFields(b, true);
            const std::string text = "old text " + std::to_string(id);
            d.PutField(1, b, true, &id);
            d.WriteBlob(2, b, true, text.data(), static_cast<int>(text.size()), 0);
            d.SetToEnd();
            d.InsertItemFromBuf(b);
            d.FreeRecBuf(b);
        }
    });
}

void WriteMemo(TField* field, const std::string& text) {
    TBlobStream s(static_cast<TBlobField*>(field), bmWrite);
    EXPECT_EQ(0, s.Size()); // a write-mode stream starts empty
    if (!text.empty()) {
        EXPECT_EQ(static_cast<int>(text.size()), s.Write(text.data(), static_cast<int>(text.size())));
    }
}

TEST(MemDataSetBlobEditTest, CancelRestoresAndPostKeepsTheMemo) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(MakeMemoRows());
    ds.Open();
    TField* memo = ds.FieldByName("M");
    ds.Edit();
    WriteMemo(memo, "new text");
    EXPECT_EQ(memo->AsString(), "new text");
    EXPECT_EQ(memo->OldValue().AsAnsiString(), "old text 1");
    ds.Cancel();
    EXPECT_EQ(memo->AsString(), "old text 1");

    // A stream freed without writing still changes the field.
    ds.Edit();
    WriteMemo(memo, "");
    EXPECT_TRUE(memo->Modified);
    ds.Cancel();
    EXPECT_EQ(memo->AsString(), "old text 1");

    ds.Edit();
    WriteMemo(memo, "kept");
    ds.Post();
    EXPECT_EQ(memo->AsString(), "kept");
    ds.Next();
    EXPECT_EQ(memo->AsString(), "old text 2");
    ds.Prior();
    EXPECT_EQ(memo->AsString(), "kept");

    // With cached updates the old value is the memo before the edit, and a revert brings it back.
    ds.Close();
    ds.SetCachedUpdates(true);
    ds.Open();
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(memo->AsString(), "old text 1");
    ds.Edit();
    WriteMemo(memo, "cached");
    ds.Post();
    EXPECT_EQ(memo->AsString(), "cached");
    EXPECT_EQ(ds.UpdateStatus(), TUpdateStatus::usModified);
    EXPECT_EQ(memo->OldValue().AsAnsiString(), "old text 1");
    ds.RevertCurrentRecord();
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(memo->AsString(), "old text 1");
}

TEST(MemDataSetBlobEditTest, DefaultValuesOfNewRecords) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData(
        {{"S", tcString, 10}, {"N", tcInt32}, {"Q", tcString, 10}, {"P", tcString, 10}}, [](TRowsData&) {}));
    ds.Open();
    ds.FieldByName("S")->DefaultExpression = "'abc'";
    ds.FieldByName("N")->DefaultExpression = "5";
    ds.FieldByName("Q")->DefaultExpression = "'it''s'";
    ds.Append();
    EXPECT_EQ(ds.FieldByName("S")->AsString(), "abc");
    EXPECT_EQ(ds.FieldByName("N")->AsInteger(), 5);
    EXPECT_EQ(ds.FieldByName("Q")->AsString(), "it's");
    EXPECT_TRUE(ds.FieldByName("P")->IsNull());
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
    // A failing new-record event cancels the new record and propagates.
    ds.OnNewRecord = [](TDataSet*) { throw Exception("no new records"); };
    EXPECT_THROW(ds.Append(), Exception);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 1);
}

} // namespace
