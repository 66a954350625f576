// Random sequences of list operations checked after every step against a plain vector model.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "tests/data/memory/MemDataTestFixture.h"

namespace {
struct ModelRow {
    int Id = 0;
    int Val = 0;
    std::string Name;
    uint8_t Status = isUnmodified;
    uint8_t Result = urNone;
    bool HasOriginal = false;
    int OrigVal = 0;
    std::string OrigName;
};

class ListModel {
public:
    std::vector<ModelRow> Rows; // every stored item, in list order
    bool Cached = false;
    bool FilterOn = false;
    bool SortOn = false;

    bool Shown(const ModelRow& r) const {
        if (Cached && r.Status == isDeleted) return false;
        return !FilterOn || r.Val % 3 != 0;
    }
    std::vector<size_t> ShownIndexes() const {
        std::vector<size_t> out;
        for (size_t i = 0; i < Rows.size(); ++i)
            if (Shown(Rows[i])) out.push_back(i);
        return out;
    }
    void Resort() {
        if (!SortOn) return;
        std::sort(Rows.begin(), Rows.end(), [](const ModelRow& a, const ModelRow& b) {
            return a.Val != b.Val ? a.Val > b.Val : a.Id < b.Id;
        });
    }
    // The cached change of a row is undone (revert or cancel); false when the row goes.
    bool Revert(ModelRow& r) {
        switch (r.Status) {
        case isInserted:
            return false;
        case isModified:
            r.Val = r.OrigVal;
            r.Name = r.OrigName;
            break;
        default:
            break;
        }
        r.Status = isUnmodified;
        r.Result = urNone;
        r.HasOriginal = false;
        return true;
    }
};

class ModelRun {
public:
    explicit ModelRun(unsigned seed)
        : rng_(seed), data_({{"ID", tcInt32}, {"NAME", tcString, 20}, {"VAL", tcInt32}}) {
        data_.Open();
        data_.ApplyRecordHook = [](int, int& action, bool) { action = urApplied; };
    }

    void Run(int steps) {
        for (int step = 0; step < steps; ++step) {
            std::string op = Step();
            Check(op, step);
            if (::testing::Test::HasFailure()) return;
        }
    }

private:
    int Random(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::vector<TestValue> Values(int id, int val, const std::string& name) {
        return {I(id), S(name), I(val)};
    }

    // Moves to the k-th shown record (1-based); false when none is shown.
    bool PickShown(size_t& modelIndex) {
        auto shown = model_.ShownIndexes();
        if (shown.empty()) return false;
        int k = Random(static_cast<int>(shown.size()));
        data_.SetRecNo(k + 1);
        modelIndex = shown[static_cast<size_t>(k)];
        EXPECT_EQ(ReadInt32(data_, data_.CurrentItem->Record(), 1), model_.Rows[modelIndex].Id);
        return true;
    }

    std::string Step() {
        int choice = Random(100);
        size_t at = 0;
        if (choice < 25 || model_.Rows.size() < 3) { // append or insert
            ModelRow r;
            r.Id = nextId_++;
            r.Val = Random(40);
            r.Name = "r" + std::to_string(r.Id);
            bool insert = choice % 2 == 0 && PickShown(at);
            if (model_.Cached) r.Status = isInserted;
            if (insert)
                model_.Rows.insert(model_.Rows.begin() + static_cast<ptrdiff_t>(at), r);
            else
                model_.Rows.push_back(r);
            StoreRow(data_, Values(r.Id, r.Val, r.Name), !insert);
            model_.Resort();
            return insert ? "insert" : "append";
        }
        if (choice < 45) { // edit
            if (!PickShown(at)) return "edit-none";
            ModelRow& r = model_.Rows[at];
            int val = Random(40);
            std::string name = "e" + std::to_string(Random(1000));
            if (model_.Cached) {
                if (!(r.Status == isInserted && r.Result != urApplied)) {
                    if (!r.HasOriginal) {
                        r.HasOriginal = true;
                        r.OrigVal = r.Val;
                        r.OrigName = r.Name;
                    }
                    r.Status = isModified;
                }
                r.Result = urNone;
            }
            r.Val = val;
            r.Name = name;
            TRow row(data_, Values(r.Id, val, name));
            data_.UpdateRecord(row);
            model_.Resort();
            return "edit";
        }
        if (choice < 60) { // delete
            if (!PickShown(at)) return "delete-none";
            ModelRow& r = model_.Rows[at];
            data_.DeleteRecord();
            if (!model_.Cached || r.Status == isInserted) {
                model_.Rows.erase(model_.Rows.begin() + static_cast<ptrdiff_t>(at));
            } else {
                if (r.Status == isModified) {
                    r.Val = r.OrigVal;
                    r.Name = r.OrigName;
                    r.HasOriginal = false;
                }
                r.Status = isDeleted;
                r.Result = urNone;
                model_.Resort();
            }
            return "delete";
        }
        if (choice < 66) {
            model_.FilterOn = !model_.FilterOn;
            if (model_.FilterOn)
                data_.FilterRecordHook = [this](void* record) {
                    return ReadInt32(data_, record, 3) % 3 != 0;
                };
            else
                data_.FilterRecordHook = nullptr;
            data_.Refilter();
            return "filter";
        }
        if (choice < 72) {
            model_.SortOn = !model_.SortOn;
            data_.SetIndexFieldNames(model_.SortOn ? "VAL DESC;ID" : "");
            model_.Resort();
            return "sort";
        }
        if (choice < 78) {
            data_.ApplyCachedUpdates(ukSetAll);
            if (model_.Cached)
                for (auto& r : model_.Rows)
                    if (r.Status != isUnmodified) r.Result = urApplied;
            return "apply";
        }
        if (choice < 83) {
            data_.CommitCachedUpdates();
            std::vector<ModelRow> kept;
            for (auto& r : model_.Rows) {
                if (r.Status != isUnmodified) {
                    if (r.Status == isDeleted) continue;
                    r.Status = isUnmodified;
                    r.Result = urNone;
                    r.HasOriginal = false;
                }
                kept.push_back(r);
            }
            model_.Rows = kept;
            return "commit";
        }
        if (choice < 88) {
            data_.CancelCachedUpdates();
            CancelModel();
            return "cancel";
        }
        if (choice < 95) {
            if (!PickShown(at)) return "revert-none";
            data_.RevertCurrentRecord();
            if (!model_.Revert(model_.Rows[at]))
                model_.Rows.erase(model_.Rows.begin() + static_cast<ptrdiff_t>(at));
            model_.Resort();
            return "revert";
        }
        model_.Cached = !model_.Cached;
        data_.SetCachedUpdates(model_.Cached);
        if (!model_.Cached) CancelModel();
        return model_.Cached ? "cached-on" : "cached-off";
    }

    void CancelModel() {
        std::vector<ModelRow> kept;
        for (auto& r : model_.Rows)
            if (model_.Revert(r)) kept.push_back(r);
        model_.Rows = kept;
        model_.Resort();
    }

    void Check(const std::string& op, int step) {
        SCOPED_TRACE("step " + std::to_string(step) + " " + op);
        size_t index = 0;
        int shown = 0;
        for (PRowItem item = data_.FirstItem; item; item = item->NextItem(), ++index) {
            ASSERT_LT(index, model_.Rows.size());
            const ModelRow& r = model_.Rows[index];
            ASSERT_EQ(ReadInt32(data_, item->Record(), 1), r.Id) << "list position " << index;
            EXPECT_EQ(ReadInt32(data_, item->Record(), 3), r.Val) << "id " << r.Id;
            EXPECT_EQ(ReadText(data_, item->Record(), 2), r.Name) << "id " << r.Id;
            EXPECT_EQ(item->ItemStatus(), r.Status) << "id " << r.Id;
            EXPECT_EQ(item->UpdateResult(), r.Result) << "id " << r.Id;
            EXPECT_EQ(item->RollbackItem() != nullptr, r.HasOriginal) << "id " << r.Id;
            if (r.HasOriginal && item->RollbackItem()) {
                EXPECT_EQ(ReadInt32(data_, item->RollbackItem()->Record(), 3), r.OrigVal) << "id " << r.Id;
            }
            if (model_.Shown(r)) {
                ++shown;
                ASSERT_EQ(item->ItemRecNo() + data_.RecNoBase, shown) << "record number of id " << r.Id;
            }
            EXPECT_EQ(item->PrevItem() ? item->PrevItem()->NextItem() : data_.FirstItem, item);
        }
        ASSERT_EQ(index, model_.Rows.size());
        ASSERT_EQ(data_.GetRecordCount(), shown);
        if (shown > 0) {
            int k = Random(shown) + 1;
            data_.SetRecNo(k);
            ASSERT_NE(data_.CurrentItem, nullptr);
            EXPECT_EQ(data_.GetRecNo(), k);
            EXPECT_EQ(ReadInt32(data_, data_.CurrentItem->Record(), 1),
                      model_.Rows[model_.ShownIndexes()[k - 1]].Id);
        }
        if (step % 16 == 0) { // the visible order by navigation, both ways
            std::vector<int> expected;
            for (size_t i : model_.ShownIndexes())
                expected.push_back(model_.Rows[i].Id);
            std::vector<int> forward, backward;
            data_.SetToBegin();
            for (data_.GetNextRecord(nullptr); !data_.IsEOF(); data_.GetNextRecord(nullptr))
                forward.push_back(ReadInt32(data_, data_.CurrentItem->Record(), 1));
            data_.SetToEnd();
            for (data_.GetPriorRecord(nullptr); !data_.IsBOF(); data_.GetPriorRecord(nullptr))
                backward.insert(backward.begin(), ReadInt32(data_, data_.CurrentItem->Record(), 1));
            EXPECT_EQ(forward, expected);
            EXPECT_EQ(backward, expected);
        }
    }

    std::mt19937 rng_;
    TTestMemData data_;
    ListModel model_;
    int nextId_ = 1;
};
} // namespace

TEST(MemDataModelTest, RandomOperationsMatchAVectorModel) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ModelRun run(seed);
        run.Run(1500);
        if (HasFailure()) return;
    }
}
