// The units the editor framework stands on and its own, started for the whole test program in the
// program's order.
#include "FrameworkUnits.h"

#include <gtest/gtest.h>

#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"

std::vector<UnitEntry> FrameworkTestUnits() {
    return JoinUnits({PaintingCoreUnits(), EditorFrameworkUnits()});
}

namespace {
class TFrameworkUnits : public testing::Environment {
public:
    void SetUp() override { InitializeUnits(FrameworkTestUnits()); }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const frameworkUnits = testing::AddGlobalTestEnvironment(new TFrameworkUnits);
} // namespace
