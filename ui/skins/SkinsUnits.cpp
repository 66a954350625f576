#include "ui/skins/SkinsUnits.h"

#include "ui/core/PaintingCoreUnits.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPainters.h"

std::vector<UnitEntry> SkinsUnits() {
    return JoinUnits({{{"dxSkinsCore", 62, SkinModelInitialize, SkinModelFinalize}}, SkinPainterUnits(63)});
}

std::vector<UnitEntry> SkinsCoreUnits() {
    return JoinUnits({
        SelectUnits(PaintingCoreUnits(),
                    {"cxClasses", "cxGeometry", "cxGraphics", "dxGDIPlusAPI", "dxGDIPlusClasses"}),
        {{"dxSkinsCore", 62, SkinModelInitialize, SkinModelFinalize}},
    });
}
