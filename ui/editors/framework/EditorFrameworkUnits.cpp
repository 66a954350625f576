#include "ui/editors/framework/EditorFrameworkUnits.h"

#include "ui/editors/framework/ContainerViewInfo.h"
#include "ui/editors/framework/DataMessages.h"
#include "ui/editors/framework/EditPaintUtils.h"
#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/FilterStrings.h"
#include "ui/editors/framework/EditorStrings.h"
#include "ui/editors/framework/Formats.h"
#include "ui/editors/framework/LibraryStrings.h"
#include "ui/editors/framework/SolidBrushCache.h"
#include "ui/editors/framework/ValueTypes.h"

std::vector<UnitEntry> EditorFrameworkUnits() {
    return {
        {"cxDataConsts", 85, DataMessagesInitialize, DataMessagesFinalize},
        {"cxLibraryConsts", 86, LibraryStringsInitialize, LibraryStringsFinalize},
        {"cxEditConsts", 87, EditorStringsInitialize, EditorStringsFinalize},
        {"cxVariants", 88, nullptr, nullptr},
        {"cxBrushCache", 89, SolidBrushCacheInitialize, SolidBrushCacheFinalize},
        {"cxDataStorage", 90, ValueTypesInitialize, ValueTypesFinalize},
        {"dxDWMApi", 91, DesktopCompositionInitialize, DesktopCompositionFinalize},
        {"cxContainer", 92, ContainerUnitInitialize, ContainerUnitFinalize},
        {"cxEditPaintUtils", 93, EditPaintUtilsInitialize, EditPaintUtilsFinalize},
        {"cxFormats", 94, FormatsInitialize, FormatsFinalize},
        // Smart date text keeps no state: its keywords are read from the library's strings.
        {"cxDateUtils", 95, nullptr, nullptr},
        {"cxEdit", 96, EditUnitInitialize, EditUnitFinalize},
        // The filter helpers' registry needs no start: it is made on first use and frees itself
        // when the editor units have taken their helpers out again.
        {"cxFilterConsts", 97, FilterStringsInitialize, FilterStringsFinalize},
        {"cxExtEditConsts", 98, ExtEditStringsInitialize, ExtEditStringsFinalize},
        {"cxFilterControlStrs", 99, FilterControlStringsInitialize, FilterControlStringsFinalize},
    };
}
