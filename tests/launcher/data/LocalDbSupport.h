#pragma once
// The launcher's data modules over a generated local database: each test copies a database made
// at build time into its own folder, which becomes the application folder, and reads what the
// modules wrote through a second connection of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/access/DAConnection.h"
#include "data/access/UniConnection.h"
#include "data/access/UniProvider.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "data/access/providers/OdbcTestSupport.h"
#include "launcher/Account.h"
#include "launcher/DataDM.h"
#include "launcher/Globals.h"
#include "launcher/LauncherTestSupport.h"
#include "launcher/SysConfig.h"
#include "launcher/SysDM.h"
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
#include "ui/core/TextLayout.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/core/WindowServices.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPainters.h"

namespace launcher_data_test {

using Rows = std::vector<std::vector<std::string>>;

// A database made at build time: "" for the one a fresh install holds, else a test variant.
inline std::string Generated(const std::string& variant) {
    if (variant.empty()) return launcher_test::WinPath(VZ_LOCALDB_DEFAULT);
    return launcher_test::WinPath(std::string(VZ_LOCALDB_VARIANTS) + "/" + variant + ".mdb");
}

class LocalDb : public testing::Test {
protected:
    LocalDb() : folder_("vz-localdb") {}

    void SetUp() override {
        SysConfigFinalize();
        SysConfigInitialize();
        Globals->AppPath = folder_.Path() + "\\";
        // The skin file is looked up in the working folder, as the launcher does.
        char cwd[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, cwd);
        workingFolder_ = cwd;
        SetCurrentDirectoryA(folder_.Path().c_str());
        ASSERT_TRUE(CopyFileA(launcher_test::WinPath(VZ_SKIN_LIBRARY).c_str(),
                              (folder_ / "UICore.dll").c_str(), FALSE));
    }
    void TearDown() override {
        FreeModules();
        SysConfigFinalize();
        SysConfigInitialize();
        SetCurrentDirectoryA(workingFolder_.c_str());
    }

    std::string DatabaseFile() const { return folder_ / "VazEvor.mdb"; }
    // Puts a generated database in the application folder as "VazEvor.mdb".
    void Install(const std::string& variant = "") {
        ASSERT_TRUE(CopyFileA(Generated(variant).c_str(), DatabaseFile().c_str(), FALSE))
            << "no generated database " << Generated(variant) << " (error " << GetLastError() << ")";
    }
    // As the start routine creates them: DataDM first, then SysDM.
    void CreateModules() {
        Application->CreateForm(DataDM);
        Application->CreateForm(SysDM);
    }
    void FreeModules() {
        delete DataDM;
        delete SysDM;
    }
    // Installs a database, creates both modules and connects.
    void OpenSystem(const std::string& variant = "") {
        Install(variant);
        CreateModules();
        ASSERT_TRUE(SysDM->OpenSystem());
    }

    // The second road: a connection of the test's own to the same file.
    Rows Query(const std::string& sql) {
        TUniConnection other;
        Setup(other);
        other.Connect();
        Rows rows = QueryRows(Connection(other), sql);
        other.Disconnect();
        return rows;
    }
    void Exec(const std::string& sql) {
        TUniConnection other;
        Setup(other);
        other.Connect();
        ::Exec(Connection(other), sql);
        other.Disconnect();
    }

private:
    void Setup(TUniConnection& c) {
        c.SetProviderName("Access");
        c.LoginPrompt = false;
        c.SetPassword("qmvadlorp");
        c.SetDatabase(DatabaseFile());
    }
    static TODBCConnection& Connection(TUniConnection& c) {
        return *static_cast<TODBCConnection*>(c.InternalConnection());
    }

protected:
    launcher_test::TempFolder folder_;
    std::string workingFolder_;
};

// The units the modules stand on, started once for the process in the launcher's order: the
// data-access units, the painting core and the skins (the system module loads the user skin), the
// launcher's globals, settings and account units.
class LauncherDataUnits : public testing::Environment {
public:
    void SetUp() override {
        std::vector<UnitEntry> units{
            {"DBAccess", 32, DBAccessInitialize, DBAccessFinalize},
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
        for (const UnitEntry& unit : SkinPainterUnits(63))
            units.push_back(unit);
        units.insert(units.end(), {
                                      {"Globals", 110, GlobalsInitialize, GlobalsFinalize},
                                      {"SysConfig", 120, SysConfigInitialize, SysConfigFinalize},
                                      {"unitAccount", 125, AccountInitialize, AccountFinalize},
                                  });
        InitializeUnits(units);
    }
    void TearDown() override { FinalizeUnits(); }
};

} // namespace launcher_data_test
