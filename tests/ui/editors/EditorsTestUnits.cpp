// The units the editors stand on and their own, started for the whole test program in the
// program's order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"

namespace {
class TEditorsUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(JoinUnits({PaintingCoreUnits(), EditorFrameworkUnits(), EditorsUnits()}));
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const editorsUnits = testing::AddGlobalTestEnvironment(new TEditorsUnits);
} // namespace
