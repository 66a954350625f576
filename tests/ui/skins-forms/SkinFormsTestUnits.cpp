// The painting core, the forms, the skins and the skinned-window unit, started for the whole test
// program in the program's order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/skins-forms/SkinFormsUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {
class TSkinFormsUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(JoinUnits({PaintingCoreUnits(), FormsUnits(), SkinsUnits(), SkinFormsUnits()}));
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const skinFormsUnits = testing::AddGlobalTestEnvironment(new TSkinFormsUnits);
} // namespace
