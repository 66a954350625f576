// The painting core's units run for the whole test program, in the program's start order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "ui/core/PaintingCoreUnits.h"

namespace {
class TPaintingUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(SelectUnits(PaintingCoreUnits(), {"dxUxTheme", "dxThemeManager", "dxOffice11",
                                                          "cxLookAndFeels", "cxControls", "cxGraphics",
                                                          "cxDrawTextUtils", "cxLookAndFeelPainters"}));
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const paintingUnits = testing::AddGlobalTestEnvironment(new TPaintingUnits);
} // namespace
