// A real TMemDataSet as the local detail of another, linked through a real TDataSource; the
// detail delay runs on a real window timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "data/memory/Win32Timer.h"
#include "platform/core/Exceptions.h"
#include "tests/data/memory/MemDataSetFixture.h"

namespace {

struct MasterRow {
    std::optional<int> Mid;
    const char* Name;
};
struct DetailRow {
    int Did;
    std::optional<int64_t> Mid;
};

TRowsData* MakeMaster(const std::vector<MasterRow>& rows) {
    return new TRowsData({{"MID", tcInt32}, {"MNAME", tcString, 10}}, [rows](TRowsData& d) {
        for (const MasterRow& r : rows)
            d.AddRow([&](void* b) {
                if (r.Mid)
                    d.PutField(1, b, true, &*r.Mid);
                else
                    d.SetNull(1, b, true);
                d.PutField(2, b, true, r.Name);
            });
    });
}

// The detail's key is a large integer: a null master key must clear it, not fail to convert.
TRowsData* MakeDetail(const std::vector<DetailRow>& rows) {
    return new TRowsData({{"DID", tcInt32}, {"MID", tcInt64}}, [rows](TRowsData& d) {
        for (const DetailRow& r : rows)
            d.AddRow([&](void* b) {
                d.PutField(1, b, true, &r.Did);
                if (r.Mid)
                    d.PutField(2, b, true, &*r.Mid);
                else
                    d.SetNull(2, b, true);
            });
    });
}

class TCountingDetail : public TMemDataSet {
public:
    VZ_CLASS(TCountingDetail, TMemDataSet)
    using TMemDataSet::TMemDataSet;
    int Refreshes = 0;
    DWORD LastRefresh = 0;
    void RefreshDetail(TObject* sender) override {
        ++Refreshes;
        LastRefresh = GetTickCount();
        TMemDataSet::RefreshDetail(sender);
    }
};

const std::vector<MasterRow> kMaster = {{1, "one"}, {2, "two"}, {{}, "none"}, {4, "four"}};
const std::vector<DetailRow> kDetail = {{10, 1}, {11, 2}, {12, 1}, {13, {}}, {14, 3}, {15, 2}, {16, {}}};

struct Linked {
    Linked() : master(nullptr), detail(nullptr), masterSource(nullptr), detailSource(nullptr) {
        master.SetRecordSet(MakeMaster(kMaster));
        detail.SetRecordSet(MakeDetail(kDetail));
        masterSource.SetDataSet(&master);
        detailSource.SetDataSet(&detail);
        master.Open();
        detail.SetMasterFields("MID");
        detail.SetDetailFields("MID");
        detail.SetMasterSource(&masterSource);
        detail.Open();
    }
    std::vector<int> Rows() {
        std::vector<int> ids;
        for (detail.First(); !detail.Eof(); detail.Next())
            ids.push_back(detail.FieldByName("DID")->AsInteger());
        return ids;
    }
    TMemDataSet master;
    TCountingDetail detail;
    TDataSource masterSource;
    TDataSource detailSource;
};

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

TEST(MemDataSetMasterDetailTest, TheDetailFollowsTheMaster) {
    Linked l;
    EXPECT_EQ(l.Rows(), (std::vector<int>{10, 12}));
    l.master.Next();
    EXPECT_EQ(l.Rows(), (std::vector<int>{11, 15}));
    // A null master value matches only null detail rows.
    l.master.Next();
    EXPECT_EQ(l.Rows(), (std::vector<int>{13, 16}));
    l.master.Next();
    EXPECT_TRUE(l.Rows().empty());
    std::vector<TField*> masterFields, detailFields;
    l.detail.GetDetailLinkFields(masterFields, detailFields);
    ASSERT_EQ(masterFields.size(), 1u);
    ASSERT_EQ(detailFields.size(), 1u);
    EXPECT_EQ(masterFields[0], l.master.FieldByName("MID"));
    EXPECT_EQ(detailFields[0], l.detail.FieldByName("MID"));

    // A new detail record takes the master's key.
    l.master.First();
    l.detail.Append();
    EXPECT_EQ(l.detail.FieldByName("MID")->AsLargeInt(), 1);
    l.detail.FieldByName("DID")->SetAsInteger(17);
    l.detail.Post();
    EXPECT_EQ(l.Rows(), (std::vector<int>{10, 12, 17}));

    // An empty master shows no detail rows.
    l.master.SetFilter("MID = 99");
    l.master.SetFiltered(true);
    EXPECT_TRUE(l.master.IsEmpty());
    EXPECT_TRUE(l.Rows().empty());
    // Without master fields there is no link: every row.
    l.detail.SetMasterFields("");
    EXPECT_EQ(l.Rows().size(), kDetail.size() + 1);
}

TEST(MemDataSetMasterDetailTest, AnInsertingMasterMovesTheDetailOnlyWhenPosted) {
    Linked l;
    l.master.Append();
    // The master's key is null while it is inserted: a new detail gets a cleared key.
    const std::vector<int> whileInserting = l.Rows();
    l.detail.Append();
    EXPECT_TRUE(l.detail.FieldByName("MID")->IsNull());
    l.detail.Cancel();
    l.master.FieldByName("MID")->SetAsInteger(2);
    l.master.FieldByName("MNAME")->SetAsString("again");
    EXPECT_EQ(l.Rows(), whileInserting);
    l.master.Post();
    EXPECT_EQ(l.Rows(), (std::vector<int>{11, 15}));
}

TEST(MemDataSetMasterDetailTest, AfterTheMasterClosesTheDetailStillReadsItsRows) {
    Linked l;
    l.master.Next();
    ASSERT_EQ(l.Rows(), (std::vector<int>{11, 15}));
    l.master.Close();
    EXPECT_EQ(l.Rows(), (std::vector<int>{11, 15}));
    l.detail.Refresh();
    EXPECT_EQ(l.Rows(), (std::vector<int>{11, 15}));
    for (l.detail.First(); !l.detail.Eof(); l.detail.Next())
        EXPECT_EQ(l.detail.FieldByName("MID")->AsLargeInt(), 2);
}

TEST(MemDataSetMasterDetailTest, CircularLinksAreRefused) {
    Linked l;
    try {
        l.master.SetMasterSource(&l.detailSource);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
    }
    EXPECT_EQ(l.master.MasterSource(), nullptr);
}

TEST(MemDataSetMasterDetailTest, ADelayedDetailRefreshesOnceAfterTheLastScroll) {
    Linked l;
    l.detail.SetDetailDelay(500);
    Pump(50);
    l.detail.Refreshes = 0;
    l.master.Next();
    Pump(100);
    l.master.Next();
    Pump(100);
    l.master.Prior();
    const DWORD lastScroll = GetTickCount();
    EXPECT_EQ(l.detail.Refreshes, 0);
    const DWORD limit = lastScroll + 3000;
    while (l.detail.Refreshes == 0 && GetTickCount() < limit)
        Pump(10);
    ASSERT_EQ(l.detail.Refreshes, 1);
    EXPECT_GE(l.detail.LastRefresh - lastScroll, 450u); // the tick counter's own granularity
    Pump(700);
    EXPECT_EQ(l.detail.Refreshes, 1);
    EXPECT_EQ(l.Rows(), (std::vector<int>{11, 15}));
}

} // namespace
