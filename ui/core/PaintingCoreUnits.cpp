#include "ui/core/PaintingCoreUnits.h"

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

std::vector<UnitEntry> PaintingCoreUnits() {
    return {
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
    };
}
