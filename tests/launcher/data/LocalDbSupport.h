#pragma once
// The launcher's data modules over a generated local database: each test copies a database made
// at build time into its own folder, which becomes the application folder, and reads what the
// modules wrote through a second connection of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/access/DAConnection.h"
#include "data/access/DataAccessUnits.h"
#include "data/access/UniConnection.h"
#include "data/access/UniProvider.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "data/access/providers/OdbcTestSupport.h"
#include "data/access/providers/ProviderUnits.h"
#include "launcher/Account.h"
#include "launcher/DataDM.h"
#include "launcher/Globals.h"
#include "launcher/LauncherTestSupport.h"
#include "launcher/LauncherUnits.h"
#include "launcher/SysConfig.h"
#include "launcher/SysDM.h"
#include "platform/core/UnitTable.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinPainters.h"
#include "ui/skins-forms/SkinFormsUnits.h"
#include "ui/skins/SkinsUnits.h"

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
// skinned windows (it holds the skin controller), the launcher's globals, settings and account
// units.
class LauncherDataUnits : public testing::Environment {
public:
    void SetUp() override {
        InitializeUnits(JoinUnits({
            SelectUnits(DataAccessUnits(), {"DBAccess", "UniProvider"}),
            SelectUnits(ProviderUnits(), {"ODBCUniProvider", "AccessUniProvider"}),
            PaintingCoreUnits(),
            FormsUnits(),
            SkinsUnits(),
            SkinFormsUnits(),
            SelectUnits(LauncherUnits(), {"Globals", "SysConfig", "unitAccount"}),
        }));
    }
    void TearDown() override { FinalizeUnits(); }
};

} // namespace launcher_data_test
