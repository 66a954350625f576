#pragma once
// Shared by the update-check tests: module rows and packages of a peer scenario, and a fixture
// with the local database open, its own temporary folder and the launcher's messages caught.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/FSysLoader.h"
#include "launcher/Messages.h"
#include "launcher/UpdateCheck.h"
#include "launcher/data/LocalDbSupport.h"
#include "launcher/service/ServiceTestSupport.h"

namespace launcher_update_test {

using launcher_data_test::Rows;

struct Module {
    std::string type, code, name, id, version;
};

// A scenario: the module rows and each id's package (a JSON object such as {"file": "app.zip"}).
inline std::string Scenario(const std::vector<Module>& modules,
                            const std::vector<std::pair<std::string, std::string>>& packages,
                            const std::string& extra = "") {
    std::string json = "{\"modules\": [";
    for (size_t i = 0; i < modules.size(); ++i) {
        const Module& m = modules[i];
        if (i) json += ",";
        json += "{\"moduleType\": " + JsonText(m.type) + ", \"moduleCode\": " + JsonText(m.code) +
                ", \"moduleName\": " + JsonText(m.name) + ", \"id\": " + JsonText(m.id) +
                ", \"versionNumber\": " + JsonText(m.version) + "}";
    }
    json += "], \"packages\": {";
    for (size_t i = 0; i < packages.size(); ++i)
        json += (i ? ", " : "") + JsonText(packages[i].first) + ": " + packages[i].second;
    return json + "}" + extra + "}";
}

inline std::string File(const std::string& name) {
    return "{\"file\": " + JsonText(name) + "}";
}
inline std::string Text(const std::string& text) {
    return "{\"text\": " + JsonText(text) + "}";
}

class UpdateCheck : public launcher_data_test::LocalDb {
protected:
    void SetUp() override {
        LocalDb::SetUp();
        // A fresh application object: the check ends by terminating it.
        FormsFinalize();
        FormsInitialize();
        ASSERT_NO_FATAL_FAILURE(OpenSystem());
        temp_ = AppFolder() + "tmp";
        CreateDirectoryA(temp_.c_str(), nullptr);
        char old[MAX_PATH] = {};
        GetEnvironmentVariableA("TMP", old, MAX_PATH);
        oldTmp_ = old;
        SetEnvironmentVariableA("TMP", temp_.c_str());
        SetLauncherMessageSeam([this](const AnsiString& text) { messages.push_back(text); });
        PeerReset();
        ClearErrorLog();
    }
    void TearDown() override {
        SetLauncherMessageSeam(nullptr);
        SetEnvironmentVariableA("TMP", oldTmp_.c_str());
        SystemConfig->SetServiceURL("");
        LocalDb::TearDown();
    }

    std::string AppFolder() const { return Globals->AppPath; }

    // Serves the modules under a scenario of the test's own and runs the check.
    bool Check(const std::string& scenario, TFSysLoader* loader = nullptr) {
        const AnsiString name = testing::UnitTest::GetInstance()->current_test_info()->name();
        PeerScenario(name, scenario);
        SystemConfig->SetServiceURL(PeerBase(name));
        return CheckUpdates(loader);
    }
    bool MainAppStarted() const { return Application->Terminated(); }

    std::string SysVal(const std::string& name) {
        Rows rows = Query("SELECT SysVal FROM SysConfig WHERE Class='SYSTEM' AND Name='" + name + "'");
        return rows.empty() ? "<none>" : rows[0][0];
    }
    Rows Versions() {
        return Query(
            "SELECT Class, Name, SysVal FROM SysConfig WHERE Class IN ('SYSTEM', 'TEST') AND Name <> "
            "'ServiceURL' ORDER BY Class, Name");
    }
    Rows Templates() { return Query("SELECT TypeID, Class, TypeName, FileVer FROM RepType ORDER BY TypeID"); }

    std::vector<AnsiString> messages;
    std::string temp_;
    std::string oldTmp_;
};

} // namespace launcher_update_test
