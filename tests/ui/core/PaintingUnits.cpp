// The painting core's units run for the whole test program, in the program's start order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/PainterResources.h"
#include "ui/core/WindowServices.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/TextLayout.h"
#include "ui/core/ThemeManager.h"

namespace {
class TPaintingUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits({
            {"dxUxTheme", 51, ThemeBindingInitialize, ThemeBindingFinalize},
            {"dxThemeManager", 52, ThemeManagerInitialize, ThemeManagerFinalize},
            {"dxOffice11", 53, Office11ColorsInitialize, Office11ColorsFinalize},
            {"cxLookAndFeels", 54, LookAndFeelInitialize, LookAndFeelFinalize},
            {"cxControls", 55, WindowServicesInitialize, WindowServicesFinalize},
            {"cxGraphics", 56, GraphicsInitialize, GraphicsFinalize},
            {"cxDrawTextUtils", 57, TextLayoutInitialize, TextLayoutFinalize},
            {"cxLookAndFeelPainters", 58, PainterResourcesInitialize, PainterResourcesFinalize},
        });
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const paintingUnits = testing::AddGlobalTestEnvironment(new TPaintingUnits);
} // namespace
