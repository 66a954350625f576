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
#include "platform/forms/Forms.h"

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
    }
    void TearDown() override {
        FreeModules();
        SysConfigFinalize();
        SysConfigInitialize();
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

    launcher_test::TempFolder folder_;
};

// The units the modules stand on, started once for the process in the launcher's order.
class LauncherDataUnits : public testing::Environment {
public:
    void SetUp() override {
        DBAccessInitialize();
        UniProviderUnitInitialize();
        ODBCUniProviderUnitInitialize();
        AccessUniProviderUnitInitialize();
        FormsInitialize();
        GlobalsInitialize();
        SysConfigInitialize();
        AccountInitialize();
    }
    void TearDown() override {
        AccountFinalize();
        SysConfigFinalize();
        GlobalsFinalize();
        FormsFinalize();
        AccessUniProviderUnitFinalize();
        ODBCUniProviderUnitFinalize();
        UniProviderUnitFinalize();
        DBAccessFinalize();
    }
};

} // namespace launcher_data_test
