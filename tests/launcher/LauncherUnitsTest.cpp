// The launcher's unit table, built from the libraries' lists: the same units, numbers and order
// that the program has always started.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/LauncherUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/skins-forms/SkinFormsUnits.h"
#include "ui/skins/SkinsUnits.h"

TEST(LauncherUnits, ListsEveryUnitByNumberInStartOrder) {
    std::vector<std::string> expected = {
        "CLRClasses:10",
        "MemUtils:20",
        "MTSCall:30",
        "CRVioTcp:31",
        "DBAccess:32",
        "DBMonitorClient:33",
        "ODBCCall:35",
        "UniProvider:36",
        "ODBCUniProvider:37",
        "AccessUniProvider:38",
        "cxClasses:40",
        "cxGeometry:50",
        "dxUxTheme:51",
        "dxThemeManager:52",
        "dxOffice11:53",
        "cxLookAndFeels:54",
        "cxControls:55",
        "cxGraphics:56",
        "cxDrawTextUtils:57",
        "cxLookAndFeelPainters:58",
        "dxGDIPlusAPI:59",
        "Forms:60",
        "dxGDIPlusClasses:61",
        "dxSkinsCore:62",
        "dxSkinsDefaultPainters:63",
    };
    // The built-in skins follow the user skin, from Xmas2008Blue back to Black (64 to 84).
    const char* const skins[] = {"Xmas2008Blue",
                                 "Valentine",
                                 "Summer2008",
                                 "Stardust",
                                 "Silver",
                                 "Office2007Silver",
                                 "Office2007Pink",
                                 "Office2007Green",
                                 "Office2007Blue",
                                 "Office2007Black",
                                 "DadavAzodo",
                                 "McSkin",
                                 "LondonLiquidSky",
                                 "LiquidSky",
                                 "Lilian",
                                 "iMaginary",
                                 "GlassOceans",
                                 "Coffee",
                                 "Caramel",
                                 "Blue",
                                 "Black"};
    int order = 64;
    for (const char* skin : skins)
        expected.push_back(std::string("dxSkin") + skin + ":" + std::to_string(order++));
    for (const char* editors :
         {"cxDataConsts:85", "cxLibraryConsts:86", "cxEditConsts:87", "cxVariants:88", "cxBrushCache:89",
          "cxDataStorage:90", "dxDWMApi:91", "cxContainer:92", "cxEditPaintUtils:93", "cxFormats:94",
          "cxDateUtils:95", "cxEdit:96", "cxFilterConsts:97", "cxExtEditConsts:98", "cxFilterControlStrs:99",
          "cxTextEdit:100", "cxStandardMask:101", "cxRegExpr:102", "cxMaskEdit:103", "cxCheckBox:106",
          "cxProgressBar:107"})
        expected.push_back(editors);
    // The skinned windows start after every library unit, before the launcher's own.
    expected.push_back("dxSkinsForm:190");
    for (const char* own :
         {"xProcs:200", "Globals:210", "SysConfig:220", "unitAccount:225", "CustomServiceEntry:230"})
        expected.push_back(own);

    std::vector<std::string> actual;
    const std::vector<UnitEntry> units = LauncherUnits();
    for (const UnitEntry& unit : units)
        actual.push_back(std::string(unit.Name) + ":" + std::to_string(unit.Order));
    EXPECT_EQ(expected, actual);
    // Every unit the launcher starts has something to do, but for the editor units that keep no
    // state and stand in the table for their place in the order.
    const std::vector<std::string> stateless = {"cxVariants", "cxDateUtils", "cxStandardMask", "cxRegExpr"};
    for (const UnitEntry& unit : units)
        if (std::find(stateless.begin(), stateless.end(), unit.Name) == stateless.end()) {
            EXPECT_TRUE(unit.Initialize || unit.Finalize) << unit.Name;
        }
}

// The user-interface units start library by library: painting core, skins, editor framework,
// editors, and the skinned windows last of all; each library's own list keeps its order.
TEST(LauncherUnits, UserInterfaceLibrariesStartInLayerOrder) {
    const std::vector<std::vector<UnitEntry>> layers = {
        PaintingCoreUnits(), SkinsUnits(), EditorFrameworkUnits(), EditorsUnits(), SkinFormsUnits()};
    const std::vector<UnitEntry> units = LauncherUnits();
    auto position = [&](const char* name) {
        for (size_t i = 0; i < units.size(); ++i)
            if (std::string(units[i].Name) == name) return static_cast<int>(i);
        ADD_FAILURE() << name << " is not started";
        return -1;
    };
    int last = -1;
    for (const auto& layer : layers) {
        for (const UnitEntry& unit : layer) {
            const int at = position(unit.Name);
            EXPECT_GT(at, last) << unit.Name << " starts before a unit it stands on";
            last = at;
        }
    }
    // The form layer, which every painter and skin reaches, is started inside the painting core.
    EXPECT_LT(position("Forms"), position("dxSkinsCore"));
    // Data access and providers start before any window can be skinned.
    EXPECT_LT(position("AccessUniProvider"), position("dxSkinsForm"));
}
