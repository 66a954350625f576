#include <gtest/gtest.h>

#include <memory>

#include "tests/platform/VectorDataSet.h"

namespace {
class TStateLink : public TDataLink {
public:
    std::vector<AnsiString> Events;
    int Updates = 0;

protected:
    void EditingChanged() override { Events.push_back(Editing() ? "editing" : "browsing"); }
    void RecordChanged(TField* field) override {
        Events.push_back(field ? "field " + field->FieldName() : "record");
    }
    void UpdateData() override { ++Updates; }
};

struct DbEditing : testing::Test {
    void SetUp() override {
        dataSet.Columns = {{"ID", ftInteger}, {"NAME", ftString, 12}};
        for (int i = 1; i <= 5; ++i)
            dataSet.AddRawRow({i, "row " + IntToStr(i)});
        dataSet.Open();
    }
    std::vector<int> Ids() {
        std::vector<int> ids;
        TBookmark mark = dataSet.GetBookmark();
        dataSet.DisableControls();
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            ids.push_back(dataSet.FieldByName("ID")->AsInteger());
        if (!mark.empty()) dataSet.GotoBookmark(mark);
        dataSet.EnableControls();
        return ids;
    }
    TField* Id() { return dataSet.FieldByName("ID"); }
    TField* Name() { return dataSet.FieldByName("NAME"); }
    TVectorDataSet dataSet;
};
} // namespace

TEST_F(DbEditing, InsertPostsBeforeTheRecordCurrentAtInsertAndAppendAtTheEnd) {
    dataSet.SetRecNo(3);
    dataSet.Insert();
    EXPECT_EQ(dataSet.State(), dsInsert);
    EXPECT_FALSE(dataSet.Modified());
    EXPECT_TRUE(Id()->IsNull());
    Id()->SetAsInteger(30);
    EXPECT_TRUE(dataSet.Modified());
    // Moving away posts the modified record.
    dataSet.Next();
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 30, 3, 4, 5}));
    EXPECT_EQ(Id()->AsInteger(), 3);

    dataSet.First();
    dataSet.Append();
    Id()->SetAsInteger(60);
    dataSet.Post();
    EXPECT_EQ(Id()->AsInteger(), 60);
    EXPECT_EQ(dataSet.RecNo(), 7);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 30, 3, 4, 5, 60}));

    // Into an empty dataset an insert lands first.
    TVectorDataSet empty;
    empty.Columns = {{"ID", ftInteger}};
    empty.Open();
    empty.Insert();
    empty.FieldByName("ID")->SetAsInteger(1);
    empty.Post();
    EXPECT_EQ(empty.RecordCount(), 1);
    EXPECT_EQ(empty.FieldByName("ID")->AsInteger(), 1);
}

TEST_F(DbEditing, CancelReturnsToTheRecordAndAnUnmodifiedInsertIsDropped) {
    dataSet.SetRecNo(4);
    dataSet.Insert();
    dataSet.Cancel();
    EXPECT_EQ(Id()->AsInteger(), 4);
    EXPECT_EQ(dataSet.RecordCount(), 5);

    // Defaults of OnNewRecord do not count as a change.
    dataSet.OnNewRecord = [](TDataSet* ds) { ds->FieldByName("NAME")->SetAsString("default"); };
    dataSet.Insert();
    EXPECT_EQ(Name()->AsString(), "default");
    EXPECT_FALSE(dataSet.Modified());
    dataSet.Prior();
    EXPECT_EQ(dataSet.RecordCount(), 5);
    EXPECT_EQ(Id()->AsInteger(), 3);

    dataSet.Edit();
    Name()->SetAsString("changed");
    dataSet.Cancel();
    EXPECT_EQ(Name()->AsString(), "row 3");
    dataSet.Edit();
    Name()->SetAsString("changed");
    dataSet.Post();
    EXPECT_EQ(Name()->AsString(), "changed");
    dataSet.First();
    dataSet.SetRecNo(3);
    EXPECT_EQ(Name()->AsString(), "changed");
}

TEST_F(DbEditing, DeleteShowsTheFollowingRecordOrTheLastOne) {
    dataSet.SetRecNo(2);
    dataSet.Delete();
    EXPECT_EQ(Id()->AsInteger(), 3);
    dataSet.Last();
    dataSet.Delete();
    EXPECT_EQ(Id()->AsInteger(), 4);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4}));
    // Deleting while inserting cancels the insert.
    dataSet.Insert();
    dataSet.Delete();
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(dataSet.RecordCount(), 3);
}

TEST_F(DbEditing, RequiredFieldsAreCheckedAtPostAndTheRecordStaysInEditing) {
    TVectorDataSet required;
    required.Columns = {{"ID", ftInteger}, {"NAME", ftString, 10, true}};
    required.Open();
    required.Append();
    required.FieldByName("ID")->SetAsInteger(1);
    try {
        required.Post();
        FAIL() << "posted without a required value";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'NAME' must have a value");
    }
    EXPECT_EQ(required.State(), dsInsert);
    required.FieldByName("NAME")->SetAsString("x");
    required.Post();
    EXPECT_EQ(required.RecordCount(), 1);
    // A read-only required field is not asked for.
    required.Append();
    required.FieldByName("NAME")->SetReadOnly(true);
    required.FieldByName("ID")->SetAsInteger(2);
    EXPECT_NO_THROW(required.Post());
}

TEST_F(DbEditing, ErrorEventChoosesFailAbortOrRetry) {
    struct Case {
        TDataAction action;
        const char* outcome;
    } cases[] = {{daFail, "Post failed"}, {daAbort, "abort"}, {daRetry, "posted"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcome);
        int calls = 0;
        dataSet.OnPostError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
            EXPECT_STREQ(e.what(), "Post failed");
            ++calls;
            action = c.action;
        };
        dataSet.FailNextPost = 1;
        dataSet.Edit();
        Name()->SetAsString("edited");
        AnsiString outcome = "posted";
        try {
            dataSet.Post();
        } catch (const EAbort&) {
            outcome = "abort";
        } catch (const EDatabaseError& e) {
            outcome = e.what();
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(dataSet.State(), outcome == "posted" ? dsBrowse : dsEdit);
        dataSet.Cancel();
    }
}

TEST_F(DbEditing, ValuesAreWrittenOnlyInEditingStatesAndNotIntoReadOnlyFields) {
    try {
        Name()->SetAsString("x");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
    }
    dataSet.Edit();
    Name()->SetReadOnly(true);
    EXPECT_THROW(Name()->SetAsString("x"), EDatabaseError);
    dataSet.Cancel();
    dataSet.ReadOnlyData = true;
    try {
        dataSet.Insert();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Cannot modify a read-only dataset");
    }
    EXPECT_FALSE(Id()->CanModify());
}

TEST_F(DbEditing, OldAndNewValuesComeFromTheStateBuffers) {
    dataSet.SetRecNo(2);
    dataSet.Edit();
    Name()->SetAsString("new");
    EXPECT_EQ(Name()->OldValue(), Variant("row 2"));
    EXPECT_EQ(Name()->NewValue(), Variant("new"));
    EXPECT_EQ(dataSet.State(), dsEdit);
    Name()->SetNewValue("newer");
    EXPECT_EQ(Name()->AsString(), "newer");
    dataSet.Cancel();
    dataSet.Insert();
    Name()->SetAsString("inserted");
    EXPECT_TRUE(Name()->OldValue().IsNull());
    dataSet.Cancel();
}

TEST_F(DbEditing, LinksFollowStatesFieldChangesAndUpdateRequests) {
    TDataSource source(nullptr);
    TStateLink link;
    std::vector<TDataSetState> states;
    source.OnStateChange = [&](TObject*) { states.push_back(source.State()); };
    int dataChanges = 0;
    TField* changed = nullptr;
    source.OnDataChange = [&](TObject*, TField* field) {
        ++dataChanges;
        changed = field;
    };
    source.SetDataSet(&dataSet);
    link.SetDataSource(&source);
    EXPECT_EQ(source.State(), dsBrowse);
    dataSet.Edit();
    Name()->SetAsString("x");
    EXPECT_EQ(changed, Name());
    dataSet.Post();
    // Post's resync shows the stored record again.
    EXPECT_EQ(link.Events,
              (std::vector<AnsiString>{"editing", "record", "field NAME", "browsing", "record"}));
    EXPECT_EQ(link.Updates, 1);
    EXPECT_EQ(states, (std::vector<TDataSetState>{dsBrowse, dsEdit, dsBrowse}));
    EXPECT_GE(dataChanges, 3);
    // A data link can start editing through its source.
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(dataSet.State(), dsEdit);
    dataSet.Cancel();
    source.AutoEdit = false;
    EXPECT_FALSE(link.Edit());
    // A temporary state reaches nobody.
    link.Events.clear();
    TDataSetState saved = dataSet.EnterTempState(dsCalcFields);
    EXPECT_EQ(dataSet.State(), dsCalcFields);
    dataSet.LeaveTempState(saved);
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_TRUE(link.Events.empty());
    EXPECT_EQ(source.State(), dsBrowse);
}

TEST_F(DbEditing, CircularSourcesAreRefused) {
    // A detail whose master source would show the detail itself.
    struct TDetail : TVectorDataSet {
        TDataSource* master = nullptr;
        TDataSource* GetDataSource() override { return master; }
    } detail;
    TDataSource source(nullptr);
    source.SetDataSet(&dataSet);
    detail.master = &source;
    EXPECT_TRUE(dataSet.IsLinkedTo(&source));
    try {
        source.SetDataSet(&detail);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Circular datalinks are not allowed");
    }
    EXPECT_EQ(source.DataSet(), &dataSet);
}

TEST_F(DbEditing, InsertAndAppendRecordPostValuesInFieldOrder) {
    dataSet.SetRecNo(2);
    dataSet.InsertRecord({Variant(20), Variant("twenty")});
    EXPECT_EQ(dataSet.RecNo(), 2);
    dataSet.AppendRecord({Variant(60), Variant()});
    EXPECT_EQ(Ids(), (std::vector<int>{1, 20, 2, 3, 4, 5, 60}));
    EXPECT_TRUE(Name()->IsNull());
    EXPECT_EQ(dataSet.State(), dsBrowse);
}

TEST_F(DbEditing, RefreshPostsPendingChangesAndKeepsTheRecord) {
    std::vector<AnsiString> log;
    dataSet.BeforeRefresh = [&](TDataSet*) { log.push_back("before"); };
    dataSet.AfterRefresh = [&](TDataSet*) { log.push_back("after"); };
    dataSet.AfterPost = [&](TDataSet*) { log.push_back("post"); };
    dataSet.SetRecNo(3);
    dataSet.Edit();
    Name()->SetAsString("kept");
    dataSet.Refresh();
    EXPECT_EQ(log, (std::vector<AnsiString>{"before", "post", "after"}));
    EXPECT_EQ(dataSet.RecNo(), 3);
    EXPECT_EQ(Name()->AsString(), "kept");
}

TEST_F(DbEditing, BlockReadMovesWithoutTellingTheLinks) {
    TDataSource source(nullptr);
    TStateLink link;
    source.SetDataSet(&dataSet);
    link.SetDataSource(&source);
    int changes = 0;
    source.OnDataChange = [&](TObject*, TField*) { ++changes; };
    dataSet.SetBlockReadSize(10);
    EXPECT_EQ(dataSet.State(), dsBlockRead);
    int sum = 0;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        sum += Id()->AsInteger();
    EXPECT_EQ(sum, 15);
    EXPECT_EQ(changes, 0);
    dataSet.SetBlockReadSize(0);
    EXPECT_EQ(dataSet.State(), dsBrowse);
    TVectorDataSet closed;
    EXPECT_THROW(closed.SetBlockReadSize(5), EDatabaseError);
}

TEST(DbLifetime, DestructionClosesThroughTheDescendantAndFreesEveryBuffer) {
    int closes = 0, live = -1;
    {
        struct TCounted : TVectorDataSet {
            int* closes;
            int* live;
            ~TCounted() override {
                Destroying();
                Close();
                *closes = CloseCount;
                *live = LiveBuffers;
            }
        };
        TCounted dataSet;
        dataSet.closes = &closes;
        dataSet.live = &live;
        dataSet.Columns = {{"ID", ftInteger}};
        dataSet.AddRawRow({1});
        TDataSource source(nullptr);
        source.SetDataSet(&dataSet);
        dataSet.Open();
        dataSet.Edit();
    }
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(live, 0);
}

TEST(DbLifetime, FailedOpenLeavesTheDataSetClosed) {
    struct TFailing : TVectorDataSet {
        void InternalOpen() override {
            TVectorDataSet::InternalOpen();
            DatabaseError("cannot open");
        }
    } dataSet;
    dataSet.Columns = {{"ID", ftInteger}};
    EXPECT_THROW(dataSet.Open(), EDatabaseError);
    EXPECT_FALSE(dataSet.Active());
    EXPECT_EQ(dataSet.CloseCount, 1);
    EXPECT_EQ(dataSet.FieldCount(), 0);
}

TEST(DbLifetime, SourcesLinksAndFieldsMayGoInAnyOrder) {
    TStateLink link;
    auto source = std::make_unique<TDataSource>(nullptr);
    link.SetDataSource(source.get());
    {
        TVectorDataSet dataSet;
        dataSet.Columns = {{"ID", ftInteger}};
        dataSet.AddRawRow({1});
        source->SetDataSet(&dataSet);
        dataSet.Open();
        EXPECT_TRUE(link.Active());
    }
    EXPECT_EQ(source->DataSet(), nullptr);
    EXPECT_FALSE(link.Active());
    source.reset();
    EXPECT_EQ(link.DataSource(), nullptr);

    // A persistent field whose owner goes first leaves the dataset's fields.
    TVectorDataSet dataSet;
    dataSet.Columns = {{"ID", ftInteger}};
    auto form = std::make_unique<TComponent>(nullptr);
    auto* id = new TIntegerField(form.get());
    id->SetFieldName("ID");
    id->SetDataSet(&dataSet);
    EXPECT_EQ(dataSet.FieldCount(), 1);
    form.reset();
    EXPECT_EQ(dataSet.FieldCount(), 0);
    dataSet.Open();
    EXPECT_TRUE(dataSet.DefaultFields());
    EXPECT_EQ(dataSet.FieldCount(), 1);
    dataSet.Close();
    EXPECT_EQ(dataSet.FieldCount(), 0);
}
