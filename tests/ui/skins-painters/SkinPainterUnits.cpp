// The painting core, GDI+, the skins core and every skin unit, started for the whole test program
// in the program's order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {
class TSkinPainterUnits : public testing::Environment {
public:
    void SetUp() override { InitializeUnits(JoinUnits({PaintingCoreUnits(), SkinsUnits()})); }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const skinPainterUnits = testing::AddGlobalTestEnvironment(new TSkinPainterUnits);
} // namespace
