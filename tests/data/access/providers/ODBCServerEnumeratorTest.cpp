#include <gtest/gtest.h>

#include <fstream>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/providers/ODBCServerEnumerator.h"

namespace {
// The driver manager reads its data sources from the file that ODBCINI names in the Unix
// environment, which a Windows child does not take from its parent: each configuration is listed
// by a child run of this program started through the Unix loader, which takes the environment
// over.
const char* const childVariable = "VZ_DSN_LIST_OUT";

std::vector<std::string> ListInChild(const std::string& iniContent, const std::string& tag) {
    std::string dir = BuildFolderUnix("odbc-provider-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string ini = dir + "/dsn-" + tag + ".ini";
    std::string out = dir + "/dsn-" + tag + ".out";
    {
        std::ofstream file("Z:" + ini, std::ios::binary);
        file << iniContent;
    }
    DeleteFileA(("Z:" + out).c_str());
    SetEnvironmentVariableA("ODBCINI", ini.c_str());
    SetEnvironmentVariableA(childVariable, ("Z:" + out).c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    // The loader of this program's width (wine-exec names it); "wine" alone starts the 32-bit one.
    char loader[MAX_PATH] = "/usr/bin/wine";
    GetEnvironmentVariableA("WINELOADER", loader, MAX_PATH);
    std::string command =
        std::string(loader) + " \"" + self + "\" --gtest_filter=ODBCServerEnumeratorChild.*";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    bool started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(childVariable, nullptr);
    EXPECT_TRUE(started);
    if (!started) return {};
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The loader's process is no Windows process to wait for: the list file marks the end.
    std::string done = "Z:" + out + ".done";
    for (int i = 0; i < 600 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    DeleteFileA(done.c_str());
    std::vector<std::string> names;
    std::ifstream in("Z:" + out);
    EXPECT_TRUE(in.good()) << "the child wrote no list";
    for (std::string line; std::getline(in, line);)
        names.push_back(line);
    return names;
}
} // namespace

// Runs only as the child of the test below; alone it has nothing to list.
TEST(ODBCServerEnumeratorChild, WritesTheDataSourceList) {
    char out[MAX_PATH] = {};
    if (!GetEnvironmentVariableA(childVariable, out, MAX_PATH)) return;
    TStringList list;
    list.Add("stale");
    TODBCServerEnumerator enumerator;
    enumerator.GetServerList(&list);
    {
        std::ofstream file(out);
        for (int i = 0; i < list.Count(); ++i)
            file << list[i] << "\n";
    }
    HANDLE done = CreateFileA((std::string(out) + ".done").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    CloseHandle(done);
}

TEST(ODBCServerEnumerator, ListsTheConfiguredDataSources) {
    std::string two = "[vz_first]\nDriver=SQLite3\nDatabase=/tmp/none.db\n\n[vz_second]\nDriver=SQLite3\n"
                      "Database=/tmp/none2.db\n";
    std::vector<std::string> want = {"vz_first", "vz_second"};
    EXPECT_EQ(want, ListInChild(two, "two"));
    EXPECT_TRUE(ListInChild("", "none").empty());
}

TEST(CRNetManager, BindsTheSystemFunctionsAndFreesItsCache) {
    TCRNetManager manager;
    EXPECT_NE(nullptr, manager.OpenSCManager);
    EXPECT_NE(nullptr, manager.NetApiBufferFree);
    struct TCounted : TObject {
        int* count;
        explicit TCounted(int* c) : count(c) {}
        ~TCounted() override { ++*count; }
    };
    int freed = 0;
    manager.ServerCache.AddObject("a", new TCounted(&freed));
    manager.ServerCache.AddObject("b", new TCounted(&freed));
    manager.ClearCache();
    EXPECT_EQ(2, freed);
    EXPECT_EQ(0, manager.ServerCache.Count());
}

TEST(CRNetManager, StartsAndEndsWithTheComponentsUnit) {
    DBAccessFinalize();
    EXPECT_EQ(nullptr, CRNetManager());
    DBAccessInitialize();
    ASSERT_NE(nullptr, CRNetManager());
    EXPECT_NE(nullptr, CRNetManager()->ControlService);
    EXPECT_NE(nullptr, CRNetManager()->NetServerEnum);
}
