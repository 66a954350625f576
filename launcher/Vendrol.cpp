// The launcher program: unit start-up, the start routine, unit shut-down, exit code 0.
#include <exception>
#include <vector>

#include "data/access/CRServerEnumerator.h"
#include "data/access/CRVioTcp.h"
#include "data/access/DAConnection.h"
#include "data/access/DBMonitorClient.h"
#include "data/access/MTSCall.h"
#include "data/access/UniProvider.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCCall.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "data/memory/CLRClasses.h"
#include "data/memory/MemUtils.h"
#include "launcher/Account.h"
#include "launcher/CustomServiceEntry.h"
#include "launcher/Globals.h"
#include "launcher/Startup.h"
#include "launcher/SysConfig.h"
#include "launcher/TextProcs.h"
#include "platform/core/UnitTable.h"
#include "platform/forms/Forms.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/PainterResources.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/TextLayout.h"
#include "ui/core/ThemeManager.h"
#include "ui/core/WindowServices.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPainters.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        // Libraries first, bottom layer up; the launcher's own globals last. Shut-down runs in reverse.
        std::vector<UnitEntry> units{
            {"CLRClasses", 10, CLRClassesStart, CLRClassesEnd},
            {"MemUtils", 20, MemUtilsStart, MemUtilsEnd},
            {"MTSCall", 30, MTSCallInitialize, MTSCallFinalize},
            {"CRVioTcp", 31, CRVioInitialize, CRVioFinalize},
            {"DBAccess", 32, DBAccessInitialize, DBAccessFinalize},
            {"DBMonitorClient", 33, nullptr, DBMonitorClientFinalize},
            {"ODBCCall", 35, ODBCCallInitialize, ODBCCallFinalize},
            {"UniProvider", 36, UniProviderUnitInitialize, UniProviderUnitFinalize},
            {"ODBCUniProvider", 37, ODBCUniProviderUnitInitialize, ODBCUniProviderUnitFinalize},
            {"AccessUniProvider", 38, AccessUniProviderUnitInitialize, AccessUniProviderUnitFinalize},
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
            {"Forms", 60, FormsInitialize, FormsFinalize},
            {"dxGDIPlusClasses", 61, GdiPlusClassesInitialize, GdiPlusClassesFinalize},
            {"dxSkinsCore", 62, SkinModelInitialize, SkinModelFinalize},
        };
        // The user skin and the built-in skins right after the skins core (63 to 84).
        const std::vector<UnitEntry> skins = SkinPainterUnits(63);
        units.insert(units.end(), skins.begin(), skins.end());
        units.insert(units.end(),
                     {
                         {"xProcs", 100, TextProcsInitialize, nullptr},
                         {"Globals", 110, GlobalsInitialize, GlobalsFinalize},
                         {"SysConfig", 120, SysConfigInitialize, SysConfigFinalize},
                         {"unitAccount", 125, AccountInitialize, AccountFinalize},
                         {"CustomServiceEntry", 130, ServiceEntryInitialize, ServiceEntryFinalize},
                     });
        InitializeUnits(units);
        RunLauncher();
    } catch (...) {
        // Nothing may escape into the system's start-up code.
        if (Application) Application->HandleException(std::current_exception());
    }
    try {
        FinalizeUnits();
    } catch (...) {
    }
    return 0;
}
