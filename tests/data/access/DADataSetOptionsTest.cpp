// Dataset options: defaults, what needs a closed dataset, and what reaches the dataset and its
// record set.
#include <gtest/gtest.h>

#include "data/access/CRProps.h"
#include "data/access/DADataSetOptions.h"
#include "tests/data/memory/MemDataSetFixture.h"

namespace {

// Records the numbered properties that the SQL dataset's record set and command would receive.
class TRecordingOptions : public TDADataSetOptions {
public:
    using TDADataSetOptions::TDADataSetOptions;
    std::vector<int> recordSetProps, commandProps;

protected:
    void PushRecordSetProp(int prop, const Variant&) override { recordSetProps.push_back(prop); }
    void PushCommandProp(int prop, const Variant&) override { commandProps.push_back(prop); }
};

std::unique_ptr<TMemDataSet> OpenDataSet() {
    auto ds = std::make_unique<TMemDataSet>(nullptr);
    ds->SetRecordSet(new TRowsData({{"V", tcInt32}}, [](TRowsData&) {}));
    ds->Open();
    return ds;
}

} // namespace

TEST(DADataSetOptions, DefaultsAndPushes) {
    auto ds = OpenDataSet();
    TRecordingOptions options(ds.get());
    EXPECT_TRUE(options.StrictUpdate && options.RequiredFields() && options.SetFieldsReadOnly &&
                options.TrimFixedChar() && options.LongStrings() && options.RemoveOnRefresh);
    EXPECT_EQ(1, options.UpdateBatchSize);
    EXPECT_FALSE(options.NumberRange() || options.AutoPrepare() || options.FlatBuffers() ||
                 options.QuoteNames() || options.FullRefresh || options.FieldsOrigin() ||
                 options.EnableBCD() || options.CacheCalcFields());
    EXPECT_TRUE(ds->RecordSet()->TrimFixedChar);

    // Open: these need a closed dataset even for the same value; the others not when unchanged.
    EXPECT_THROW(options.SetLongStrings(true), Exception);
    EXPECT_THROW(options.SetFlatBuffers(false), Exception);
    EXPECT_NO_THROW(options.SetFieldsOrigin(false));
    EXPECT_THROW(options.SetFieldsOrigin(true), Exception);
    options.SetTrimVarChar(true);
    options.SetSetEmptyStrToNull(true);
    options.SetNumberRange(true);
    options.SetQuoteNames(true);
    EXPECT_TRUE(ds->RecordSet()->TrimVarChar);
    EXPECT_TRUE(ds->RecordSet()->SetEmptyStrToNull);
    EXPECT_TRUE(ds->NumberRange);
    EXPECT_EQ(std::vector<int>{prQuoteNames}, options.commandProps);

    ds->Close();
    options.SetLongStrings(false);
    options.SetCompressBlobMode(cbClient);
    options.SetDefaultValues(true);
    EXPECT_EQ((std::vector<int>{prLongStrings, prCompressBlobMode, prDefaultValues}), options.recordSetProps);
    options.SetRequiredFields(false);
    EXPECT_FALSE(ds->RequiredFields);
}

TEST(DADataSetOptions, AssignCopiesTheDataSetHeldValuesToo) {
    TMemDataSet a(nullptr), b(nullptr);
    TDADataSetOptions from(&a), to(&b);
    from.SetDetailDelay(250);
    from.SetCacheCalcFields(true);
    from.SetLongStrings(false);
    from.UpdateBatchSize = 20;
    to.Assign(&from);
    EXPECT_EQ(250, b.DetailDelay());
    EXPECT_TRUE(b.CacheCalcFields);
    EXPECT_FALSE(to.LongStrings());
    EXPECT_EQ(20, to.UpdateBatchSize);

    TDADataSetOptions detached(nullptr);
    detached.Assign(&from);
    EXPECT_EQ(250, detached.DetailDelay());
    EXPECT_THROW(to.Assign(nullptr), Exception);
}
