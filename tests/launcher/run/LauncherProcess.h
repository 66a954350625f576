#pragma once
// The launcher Vendrol.exe started from a test as users start it, from a run folder of its own
// beside the main application's stand-in and a fresh install's database.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "launcher/data/LocalDbSupport.h"
#include "launcher/service/ServiceTestSupport.h"
#include "platform/core/Win.h"

namespace launcher_test {

// Starts the launcher of folder with its own temporary folder, in the working folder given (its
// own folder when none); false when it did not start.
inline bool StartLauncher(const std::string& folder, const std::string& temp, PROCESS_INFORMATION& pi,
                          const std::string& workingFolder = "") {
    // The environment with TMP and TEMP replaced.
    std::string block;
    for (const char* env = GetEnvironmentStringsA(); *env; env += strlen(env) + 1) {
        std::string entry = env;
        if (_strnicmp(env, "TMP=", 4) == 0 || _strnicmp(env, "TEMP=", 5) == 0) continue;
        block += entry + '\0';
    }
    block += "TMP=" + temp + '\0' + "TEMP=" + temp + '\0' + '\0';
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    pi = PROCESS_INFORMATION{};
    std::string exe = folder + "\\Vendrol.exe";
    std::string line = "\"" + exe + "\"";
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back('\0');
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, block.data(),
                        (workingFolder.empty() ? folder : workingFolder).c_str(), &si, &pi)) {
        ADD_FAILURE() << "Vendrol.exe did not start: " << GetLastError();
        return false;
    }
    return true;
}

// The run folder (the test's application folder, also the working folder of its own process)
// with Vendrol.exe, Pemblix.exe, "VazEvor.mdb" and a temporary folder; the peer's records reset.
class LauncherRunFolder : public launcher_data_test::LocalDb {
protected:
    void SetUp() override {
        LocalDb::SetUp();
        Install();
        app = Globals->AppPath.substr(0, Globals->AppPath.size() - 1);
        temp = app + "\\tmp";
        CreateDirectoryA(temp.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(WinPath(VZ_VENDROL_EXE).c_str(), (app + "\\Vendrol.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(WinPath(VZ_PEMBLIX_EXE).c_str(), (app + "\\Pemblix.exe").c_str(), FALSE));
        PeerReset();
    }

    // Adds the scenario and points the database at it.
    void ServeAs(const std::string& name, const std::string& scenario) {
        PeerScenario(name, scenario);
        Exec("UPDATE SysConfig SET SysVal='" + PeerBase(name) +
             "' WHERE Class='SYSTEM' AND Name='ServiceURL'");
    }

    std::string app;
    std::string temp;
};

} // namespace launcher_test
