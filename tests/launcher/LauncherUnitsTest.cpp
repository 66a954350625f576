// The launcher's unit table, built from the libraries' lists: the same units, numbers and order
// that the program has always started.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/LauncherUnits.h"

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
    for (const char* own :
         {"xProcs:200", "Globals:210", "SysConfig:220", "unitAccount:225", "CustomServiceEntry:230"})
        expected.push_back(own);

    std::vector<std::string> actual;
    const std::vector<UnitEntry> units = LauncherUnits();
    for (const UnitEntry& unit : units)
        actual.push_back(std::string(unit.Name) + ":" + std::to_string(unit.Order));
    EXPECT_EQ(expected, actual);
    // Every unit the launcher starts has something to do.
    for (const UnitEntry& unit : units)
        EXPECT_TRUE(unit.Initialize || unit.Finalize) << unit.Name;
}
