// The units the skins stand on, started for the whole test program in the program's order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "ui/skins/SkinsUnits.h"

namespace {
class TSkinUnits : public testing::Environment {
public:
    void SetUp() override { InitializeUnits(SkinsCoreUnits()); }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const skinUnits = testing::AddGlobalTestEnvironment(new TSkinUnits);
} // namespace
