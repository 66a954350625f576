// The units the skin drawing stands on, started for the whole test program in the program's order.
#include <gtest/gtest.h>

#include "platform/core/UnitTable.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/skins/SkinModel.h"

namespace {
class TSkinDrawingUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits({
            {"cxClasses", 40, CoreClassesInitialize, CoreClassesFinalize},
            {"cxGeometry", 50, GeometryInitialize, GeometryFinalize},
            {"cxGraphics", 56, GraphicsInitialize, GraphicsFinalize},
            {"dxGDIPlusAPI", 59, GdiPlusApiInitialize, GdiPlusApiFinalize},
            {"dxGDIPlusClasses", 61, GdiPlusClassesInitialize, GdiPlusClassesFinalize},
            {"dxSkinsCore", 62, SkinModelInitialize, SkinModelFinalize},
        });
    }
    void TearDown() override { FinalizeUnits(); }
};

testing::Environment* const skinDrawingUnits = testing::AddGlobalTestEnvironment(new TSkinDrawingUnits);
} // namespace
