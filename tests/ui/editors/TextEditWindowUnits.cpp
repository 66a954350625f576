// The text editor's window tests start the painting core, the forms, the skins, the editor
// framework and the editors, in the program's order.
#include <gtest/gtest.h>

#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {
class TTextEditWindowUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(
            JoinUnits({PaintingCoreUnits(), FormsUnits(), SkinsUnits(), EditorFrameworkUnits(), EditorsUnits()}));
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const units = testing::AddGlobalTestEnvironment(new TTextEditWindowUnits);
} // namespace
