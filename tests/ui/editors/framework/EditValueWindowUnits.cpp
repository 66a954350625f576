// The editor's value tests start the painting core, the forms (the application's error report),
// the skins and the editor framework, in the program's order.
#include <gtest/gtest.h>

#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {
class TEditValueWindowUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(JoinUnits({PaintingCoreUnits(), FormsUnits(), SkinsUnits(), EditorFrameworkUnits()}));
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const units = testing::AddGlobalTestEnvironment(new TEditValueWindowUnits);
} // namespace
