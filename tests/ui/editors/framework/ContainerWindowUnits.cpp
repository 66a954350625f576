// The container's window tests start the painting core, the forms (the application, whose message
// handling the popups' loop uses), the skins (for the skinned frame) and the editor framework, in
// the program's order.
#include <gtest/gtest.h>

#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {
class TContainerWindowUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(JoinUnits({PaintingCoreUnits(), FormsUnits(), SkinsUnits(), EditorFrameworkUnits()}));
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const units = testing::AddGlobalTestEnvironment(new TContainerWindowUnits);
} // namespace
