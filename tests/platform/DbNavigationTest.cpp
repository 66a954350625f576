#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "tests/platform/VectorDataSet.h"

namespace {
// A control that shows `count` records and notes what it is told.
class TWindowLink : public TDataLink {
public:
    explicit TWindowLink(int count) { SetBufferCount(count); }
    std::vector<AnsiString> Events;
    std::vector<int> Scrolls;

protected:
    void ActiveChanged() override { Events.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Events.push_back("changed"); }
    void DataSetScrolled(int distance) override {
        Scrolls.push_back(distance);
        Events.push_back("scrolled");
    }
    void RecordChanged(TField* field) override {
        Events.push_back(field ? "field " + field->FieldName() : "record");
    }
    void EditingChanged() override { Events.push_back(Editing() ? "editing" : "browsing"); }
};

std::unique_ptr<TVectorDataSet> MakeRows(int count) {
    auto dataSet = std::make_unique<TVectorDataSet>();
    dataSet->Columns = {{"ID", ftInteger}, {"NAME", ftString, 12}};
    for (int i = 1; i <= count; ++i)
        dataSet->AddRawRow({i, "row " + IntToStr(i)});
    return dataSet;
}

// Where the model says the cursor is.
struct TModel {
    int rows;
    int pos = 0;
    bool bof = true, eof = false;
    void First() {
        pos = 0;
        bof = true;
        eof = rows == 0;
    }
    void Last() {
        pos = rows - 1;
        eof = true;
        bof = rows == 0;
    }
    int MoveBy(int distance) {
        if ((distance > 0 && eof) || (distance < 0 && bof) || distance == 0) return 0;
        bof = eof = false;
        int target = pos + distance;
        if (target > rows - 1) {
            target = rows - 1;
            eof = true;
        } else if (target < 0) {
            target = 0;
            bof = true;
        }
        int moved = target - pos;
        pos = target;
        return moved;
    }
    void Jump(int to) {
        pos = to;
        bof = eof = false;
    }
};

void ExpectMatches(TVectorDataSet& dataSet, const TModel& model, int buffers, const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(dataSet.RecNo(), model.pos + 1);
    EXPECT_EQ(dataSet.Bof(), model.bof);
    EXPECT_EQ(dataSet.Eof(), model.eof);
    EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), model.pos + 1);
    EXPECT_EQ(dataSet.FieldByName("NAME")->AsString(), "row " + IntToStr(model.pos + 1));
    // The ring holds consecutive rows around the active one, as many as it can show.
    ASSERT_EQ(dataSet.BufferCount(), buffers);
    ASSERT_EQ(dataSet.BufferRecordCount(), std::min(buffers, model.rows));
    EXPECT_EQ(dataSet.RowOfBuffer(dataSet.ActiveBuffer()), model.pos);
    int first = dataSet.RowOfBuffer(dataSet.GetBuffer(0));
    for (int i = 0; i < dataSet.BufferRecordCount(); ++i)
        EXPECT_EQ(dataSet.RowOfBuffer(dataSet.GetBuffer(i)), first + i) << "buffer " << i;
}
} // namespace

class DbNavigation : public testing::TestWithParam<int> {};

TEST_P(DbNavigation, RandomWalkFollowsTheModelWithItsBuffers) {
    const int buffers = GetParam();
    const int rows = 300;
    auto dataSet = MakeRows(rows);
    TDataSource source(nullptr);
    TWindowLink link(buffers);
    source.SetDataSet(dataSet.get());
    link.SetDataSource(&source);
    dataSet->Open();
    TModel model{rows};
    model.First();
    ExpectMatches(*dataSet, model, buffers, "open");

    std::mt19937 random(1234);
    std::vector<TBookmark> marks;
    std::vector<int> markRows;
    for (int step = 0; step < 1500; ++step) {
        int action = static_cast<int>(random() % 9);
        std::string name;
        switch (action) {
        case 0:
            dataSet->First();
            model.First();
            name = "First";
            break;
        case 1:
            dataSet->Last();
            model.Last();
            name = "Last";
            break;
        case 2:
            dataSet->Next();
            model.MoveBy(1);
            name = "Next";
            break;
        case 3:
            dataSet->Prior();
            model.MoveBy(-1);
            name = "Prior";
            break;
        case 4: {
            int distance = static_cast<int>(random() % 41) - 20;
            int moved = dataSet->MoveBy(distance);
            EXPECT_EQ(moved, model.MoveBy(distance));
            name = "MoveBy " + std::to_string(distance);
            break;
        }
        case 5: {
            int to = static_cast<int>(random() % rows);
            dataSet->SetRecNo(to + 1);
            model.Jump(to);
            name = "RecNo " + std::to_string(to + 1);
            break;
        }
        case 6:
            marks.push_back(dataSet->GetBookmark());
            markRows.push_back(model.pos);
            name = "GetBookmark";
            break;
        case 7:
            if (marks.empty()) continue;
            {
                size_t which = random() % marks.size();
                dataSet->GotoBookmark(marks[which]);
                model.Jump(markRows[which]);
                name = "GotoBookmark";
            }
            break;
        case 8:
            // Resync reads where the cursor is: put it on the active record first.
            dataSet->UpdateCursorPos();
            dataSet->Resync(random() % 2 ? rmExact | rmCenter : 0);
            model.Jump(model.pos);
            name = "Resync";
            break;
        }
        ExpectMatches(*dataSet, model, buffers, "step " + std::to_string(step) + " " + name);
        if (testing::Test::HasFatalFailure()) return;
        // The link's window always shows the active record.
        ASSERT_GE(link.ActiveRecord(), 0);
        ASSERT_LT(link.ActiveRecord(), link.RecordCount());
    }
}

TEST_P(DbNavigation, RandomEditsKeepTheRingInStepWithTheRows) {
    const int buffers = GetParam();
    auto dataSet = MakeRows(40);
    TDataSource source(nullptr);
    TWindowLink link(buffers);
    source.SetDataSet(dataSet.get());
    link.SetDataSource(&source);
    dataSet->Open();
    std::vector<int> ids;
    for (int i = 1; i <= 40; ++i)
        ids.push_back(i);
    int pos = 0, next = 1000;
    std::mt19937 random(99);
    for (int step = 0; step < 600; ++step) {
        int action = static_cast<int>(random() % 6);
        std::string name;
        if (action == 0) {
            dataSet->Insert();
            dataSet->FieldByName("ID")->SetAsInteger(next);
            dataSet->FieldByName("NAME")->SetAsString("row " + IntToStr(next));
            dataSet->Post();
            ids.insert(ids.begin() + pos, next++);
            name = "Insert";
        } else if (action == 1) {
            dataSet->Append();
            dataSet->FieldByName("ID")->SetAsInteger(next);
            dataSet->FieldByName("NAME")->SetAsString("row " + IntToStr(next));
            dataSet->Post();
            ids.push_back(next++);
            pos = static_cast<int>(ids.size()) - 1;
            name = "Append";
        } else if (action == 2 && ids.size() > 1) {
            dataSet->Delete();
            ids.erase(ids.begin() + pos);
            pos = std::min(pos, static_cast<int>(ids.size()) - 1);
            name = "Delete";
        } else if (action == 3) {
            dataSet->Insert();
            dataSet->Cancel();
            name = "Insert+Cancel";
        } else {
            int distance = static_cast<int>(random() % 13) - 6;
            dataSet->MoveBy(distance);
            pos = std::clamp(pos + distance, 0, static_cast<int>(ids.size()) - 1);
            name = "MoveBy";
        }
        SCOPED_TRACE("step " + std::to_string(step) + " " + name);
        ASSERT_EQ(dataSet->RecNo(), pos + 1);
        ASSERT_EQ(dataSet->FieldByName("ID")->AsInteger(), ids[static_cast<size_t>(pos)]);
        ASSERT_EQ(dataSet->BufferRecordCount(), std::min<int>(buffers, static_cast<int>(ids.size())));
        int first = dataSet->RowOfBuffer(dataSet->GetBuffer(0));
        for (int i = 0; i < dataSet->BufferRecordCount(); ++i)
            ASSERT_EQ(dataSet->RowOfBuffer(dataSet->GetBuffer(i)), first + i) << "buffer " << i;
        ASSERT_LT(link.ActiveRecord(), link.RecordCount());
    }
    EXPECT_EQ(dataSet->RecordCount(), static_cast<int>(ids.size()));
}

INSTANTIATE_TEST_SUITE_P(Buffers, DbNavigation, testing::Values(1, 10));

TEST(DbBuffers, FullRingRecyclesItsFirstBufferForTheNextRecord) {
    auto dataSet = MakeRows(30);
    TDataSource source(nullptr);
    TWindowLink link(5);
    source.SetDataSet(dataSet.get());
    link.SetDataSource(&source);
    dataSet->Open();
    dataSet->MoveBy(4);
    std::vector<TRecordBuffer> before;
    for (int i = 0; i < 6; ++i)
        before.push_back(dataSet->GetBuffer(i));
    ASSERT_EQ(dataSet->TempBuffer(), before[5]);
    dataSet->Next();
    // Row 6 arrived in the spare buffer, which joined at the end; the first buffer became the spare.
    EXPECT_EQ(dataSet->GetBuffer(4), before[5]);
    EXPECT_EQ(dataSet->GetBuffer(0), before[1]);
    EXPECT_EQ(dataSet->TempBuffer(), before[0]);
    EXPECT_EQ(dataSet->RowOfBuffer(dataSet->ActiveBuffer()), 5);
    EXPECT_EQ(link.Scrolls.back(), 1); // the window moved one row on
    EXPECT_EQ(link.ActiveRecord(), 4);
}

TEST(DbBuffers, BufferCountFollowsTheLargestLinkAndShrinksAroundTheActiveRecord) {
    auto dataSet = MakeRows(30);
    TDataSource source(nullptr);
    TWindowLink small(3), large(8);
    source.SetDataSet(dataSet.get());
    small.SetDataSource(&source);
    dataSet->Open();
    EXPECT_EQ(dataSet->BufferCount(), 3);
    large.SetDataSource(&source);
    EXPECT_EQ(dataSet->BufferCount(), 8);
    EXPECT_EQ(dataSet->BufferRecordCount(), 8);
    dataSet->MoveBy(7);
    EXPECT_EQ(dataSet->RecNo(), 8);
    large.SetDataSource(nullptr);
    EXPECT_EQ(dataSet->BufferCount(), 3);
    EXPECT_EQ(dataSet->RecNo(), 8);
    EXPECT_EQ(dataSet->BufferRecordCount(), 3);
    EXPECT_EQ(dataSet->FieldByName("ID")->AsInteger(), 8);
    EXPECT_EQ(small.ActiveRecord(), dataSet->ActiveRecord() - small.FirstRecord());
    EXPECT_LT(small.ActiveRecord(), 3);
    dataSet->Next();
    EXPECT_EQ(dataSet->FieldByName("ID")->AsInteger(), 9);
    // A link that joins later sees the active record in its window at once.
    TWindowLink late(2);
    late.SetDataSource(&source);
    EXPECT_EQ(late.ActiveRecord(), 1);
    EXPECT_EQ(late.RecordCount(), 2);
    // Buffers are freed at close and when the dataset goes.
    dataSet->Close();
    EXPECT_EQ(dataSet->LiveBuffers, 0);
}

TEST(DbBuffers, EmptyDataSetIsAtBothEndsWithoutRecords) {
    auto dataSet = MakeRows(0);
    dataSet->Open();
    EXPECT_TRUE(dataSet->Bof());
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_TRUE(dataSet->IsEmpty());
    EXPECT_EQ(dataSet->BufferRecordCount(), 0);
    EXPECT_TRUE(dataSet->FieldByName("ID")->IsNull());
    EXPECT_EQ(dataSet->MoveBy(5), 0);
    EXPECT_TRUE(dataSet->GetBookmark().empty());
    dataSet->Last();
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_THROW(dataSet->Delete(), EDatabaseError);
}

TEST(DbBuffers, ScrollEventsReachLinksUnlessControlsAreDisabled) {
    auto dataSet = MakeRows(10);
    TDataSource source(nullptr);
    TWindowLink link(1);
    source.SetDataSet(dataSet.get());
    link.SetDataSource(&source);
    dataSet->Open();
    EXPECT_EQ(link.Events, (std::vector<AnsiString>{"active"}));
    link.Events.clear();
    dataSet->Next();
    EXPECT_EQ(link.Events, (std::vector<AnsiString>{"scrolled"}));
    link.Events.clear();
    dataSet->DisableControls();
    dataSet->Next();
    dataSet->Last();
    dataSet->DisableControls();
    dataSet->EnableControls();
    EXPECT_TRUE(link.Events.empty());
    dataSet->EnableControls();
    EXPECT_EQ(link.Events, (std::vector<AnsiString>{"changed"}));
    EXPECT_EQ(dataSet->RecNo(), 10);
    // A state change while disabled reaches the link as the dataset going inactive.
    link.Events.clear();
    dataSet->DisableControls();
    dataSet->Close();
    EXPECT_EQ(link.Events, (std::vector<AnsiString>{"inactive"}));
    dataSet->EnableControls();
    EXPECT_FALSE(link.Active());
}
