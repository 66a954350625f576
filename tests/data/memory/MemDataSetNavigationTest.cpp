// Navigation of a real TMemDataSet over 2,000 rows, each step checked against a plain vector
// model: record number, Bof/Eof, the current values and the rows held in the buffer ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "tests/data/memory/MemDataSetFixture.h"

namespace {

struct Row {
    int Id;
    int Key;
    std::string Name;
};

std::vector<Row> MakeRows(int count, std::mt19937& rng) {
    std::vector<int> keys(static_cast<size_t>(count));
    std::iota(keys.begin(), keys.end(), 0);
    std::shuffle(keys.begin(), keys.end(), rng);
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        // Unique names in an order of their own.
        int k = static_cast<int>((static_cast<int64_t>(i) * 7919) % count);
        char name[16];
        std::snprintf(name, sizeof name, "N%05d", k);
        rows.push_back({i + 1, keys[static_cast<size_t>(i)], name});
    }
    return rows;
}

class NavigationModel {
public:
    explicit NavigationModel(const std::vector<Row>& rows) : rows_(rows) { SetOrder(""); }
    // Ids in the order of the index field names.
    void SetOrder(const std::string& index) {
        order.clear();
        for (const Row& r : rows_)
            order.push_back(r.Id);
        auto row = [&](int id) -> const Row& { return rows_[static_cast<size_t>(id - 1)]; };
        if (index == "K")
            std::sort(order.begin(), order.end(), [&](int a, int b) { return row(a).Key < row(b).Key; });
        else if (index == "NAME DESC")
            std::sort(order.begin(), order.end(), [&](int a, int b) { return row(a).Name > row(b).Name; });
    }
    int IndexOf(int id) const {
        return static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin());
    }
    int Count() const { return static_cast<int>(order.size()); }
    const Row& Current() const { return rows_[static_cast<size_t>(order[static_cast<size_t>(pos)] - 1)]; }

    std::vector<int> order;
    int pos = 0;
    bool bof = true;
    bool eof = false;

private:
    const std::vector<Row>& rows_;
};

void CheckStep(TMemDataSet& ds, const NavigationModel& m, const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(m.pos + 1, ds.RecNo());
    ASSERT_EQ(m.bof, ds.Bof());
    ASSERT_EQ(m.eof, ds.Eof());
    const Row& row = m.Current();
    ASSERT_EQ(row.Id, ds.FieldByName("ID")->AsInteger());
    ASSERT_EQ(row.Key, ds.FieldByName("K")->AsInteger());
    ASSERT_EQ(row.Name, ds.FieldByName("NAME")->AsString());
    // The ring holds consecutive rows of the current order around the active record.
    int first = m.pos - ds.ActiveRecord();
    ASSERT_GE(ds.BufferRecordCount(), 1);
    ASSERT_LE(ds.BufferRecordCount(), ds.BufferCount());
    ASSERT_GE(first, 0);
    ASSERT_LE(first + ds.BufferRecordCount(), m.Count());
    for (int i = 0; i < ds.BufferRecordCount(); ++i) {
        TRecordBuffer buffer = ds.GetBuffer(i);
        ASSERT_EQ(m.order[static_cast<size_t>(first + i)], BufferInt(ds, buffer, 1)) << "buffer " << i;
        auto* info = reinterpret_cast<TMemRecordInfo*>(buffer + ds.RecordInfoOffset());
        ASSERT_EQ(first + i + 1, info->RecordNumber) << "buffer " << i;
    }
}

void RunNavigation(int bufferCount, unsigned seed) {
    std::mt19937 rng(seed);
    const int count = 2000;
    std::vector<Row> rows = MakeRows(count, rng);
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(
        new TRowsData({{"ID", tcInt32}, {"K", tcInt32}, {"NAME", tcString, 10}}, [&](TRowsData& d) {
            for (const Row& r : rows)
                d.AddRow([&](void* b) {
                    d.PutField(1, b, true, &r.Id);
                    d.PutField(2, b, true, &r.Key);
                    d.PutField(3, b, true, r.Name.c_str());
                });
        }));
    TDataSource source(nullptr);
    source.SetDataSet(&ds);
    TBufferLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(bufferCount);
    ds.Open();
    ASSERT_EQ(bufferCount, ds.BufferCount());
    ASSERT_EQ(count, ds.RecordCount());

    NavigationModel m(rows);
    CheckStep(ds, m, "open");
    std::vector<std::pair<TBookmark, int>> bookmarks;
    const char* orders[] = {"K", "NAME DESC", "ID"};
    for (int step = 0; step < 3000; ++step) {
        int op = static_cast<int>(rng() % 100);
        std::string what;
        if (op < 5) {
            what = "First";
            ds.First();
            m.pos = 0;
            m.bof = true;
            m.eof = false;
        } else if (op < 10) {
            what = "Last";
            ds.Last();
            m.pos = m.Count() - 1;
            m.bof = false;
            m.eof = true;
        } else if (op < 35) {
            what = "Next";
            ds.Next();
            m.bof = false;
            m.eof = m.pos == m.Count() - 1;
            if (!m.eof) ++m.pos;
        } else if (op < 60) {
            what = "Prior";
            ds.Prior();
            m.eof = false;
            m.bof = m.pos == 0;
            if (!m.bof) --m.pos;
        } else if (op < 75) {
            int distance = static_cast<int>(rng() % 41) - 20;
            if (rng() % 10 == 0) distance *= 100;
            what = "MoveBy " + std::to_string(distance);
            int moved = ds.MoveBy(distance);
            int expected = 0;
            if (distance > 0 && !m.eof) {
                expected = std::min(distance, m.Count() - 1 - m.pos);
                m.pos += expected;
                m.bof = false;
                m.eof = expected < distance;
            } else if (distance < 0 && !m.bof) {
                expected = -std::min(-distance, m.pos);
                m.pos += expected;
                m.eof = false;
                m.bof = expected > distance;
            }
            ASSERT_EQ(expected, moved) << what;
        } else if (op < 83) {
            int recNo = 1 + static_cast<int>(rng() % count);
            what = "RecNo " + std::to_string(recNo);
            ds.SetRecNo(recNo);
            m.pos = recNo - 1;
            m.bof = m.eof = false;
        } else if (op < 88) {
            what = "GetBookmark";
            bookmarks.emplace_back(ds.GetBookmark(), m.Current().Id);
        } else if (op < 93 && !bookmarks.empty()) {
            auto& [bookmark, id] = bookmarks[rng() % bookmarks.size()];
            what = "GotoBookmark " + std::to_string(id);
            ASSERT_TRUE(ds.BookmarkValid(bookmark.data()));
            ds.GotoBookmark(bookmark);
            m.pos = m.IndexOf(id);
            m.bof = m.eof = false;
        } else if (op < 96) {
            // Resync reads from where the record set's cursor is: put it on the active record.
            TResyncMode modes[] = {0, rmExact, rmCenter, rmExact | rmCenter};
            TResyncMode mode = modes[rng() % 4];
            what = "Resync " + std::to_string(mode);
            ds.UpdateCursorPos();
            ds.Resync(mode);
            m.bof = m.eof = false;
        } else {
            const char* order = orders[rng() % 3];
            what = std::string("IndexFieldNames ") + order;
            int id = m.Current().Id;
            ds.SetIndexFieldNames(order);
            m.SetOrder(order);
            m.pos = m.IndexOf(id);
            m.bof = m.eof = false;
        }
        CheckStep(ds, m, std::to_string(step) + " " + what);
        if (testing::Test::HasFatalFailure()) return;
    }
}

} // namespace

TEST(MemDataSetNavigationTest, MatchesAVectorModelWithOneBuffer) {
    RunNavigation(1, 11);
}

TEST(MemDataSetNavigationTest, MatchesAVectorModelWithTenBuffers) {
    RunNavigation(10, 23);
}

TEST(MemDataSetNavigationTest, EmptyAndClosedDatasets) {
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData({{"ID", tcInt32}}, nullptr));
    EXPECT_EQ(0, ds.RecordCount());
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(0, ds.RecNo());
    EXPECT_EQ(0, ds.RecordCount());
    EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
    ds.Close();
    EXPECT_EQ(0, ds.RecordCount());
}
