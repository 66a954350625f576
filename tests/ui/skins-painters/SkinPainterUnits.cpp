// The painting core, GDI+, the skins core and every skin unit, started for the whole test program
// in the program's order.
#include <gtest/gtest.h>

#include <vector>

#include "platform/core/UnitTable.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/PainterResources.h"
#include "ui/core/TextLayout.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/core/WindowServices.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPainters.h"

namespace {
class TSkinPainterUnits : public testing::Environment {
public:
    void SetUp() override {
        std::vector<UnitEntry> units{
            {"cxClasses", 40, CoreClassesInitialize, CoreClassesFinalize},
            {"cxGeometry", 50, GeometryInitialize, GeometryFinalize},
            {"dxUxTheme", 51, ThemeBindingInitialize, ThemeBindingFinalize},
            {"dxThemeManager", 52, ThemeManagerInitialize, ThemeManagerFinalize},
            {"dxOffice11", 53, Office11ColorsInitialize, Office11ColorsFinalize},
            {"cxLookAndFeels", 54, LookAndFeelInitialize, LookAndFeelFinalize},
            {"cxControls", 55, WindowServicesInitialize, WindowServicesFinalize},
            {"cxGraphics", 56, GraphicsInitialize, GraphicsFinalize},
            {"cxDrawTextUtils", 57, TextLayoutInitialize, TextLayoutFinalize},
            {"cxLookAndFeelPainters", 58, PainterResourcesInitialize, PainterResourcesFinalize},
            {"dxGDIPlusAPI", 59, GdiPlusApiInitialize, GdiPlusApiFinalize},
            {"dxGDIPlusClasses", 61, GdiPlusClassesInitialize, GdiPlusClassesFinalize},
            {"dxSkinsCore", 62, SkinModelInitialize, SkinModelFinalize},
        };
        for (const UnitEntry& unit : SkinPainterUnits(63))
            units.push_back(unit);
        InitializeUnits(units);
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const skinPainterUnits = testing::AddGlobalTestEnvironment(new TSkinPainterUnits);
} // namespace
