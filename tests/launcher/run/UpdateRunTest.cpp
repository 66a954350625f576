// The launcher Vendrol.exe run as users run it, from an application folder beside the main
// application's stand-in, against the local tax-service peer: a table of faults, each followed
// by a clean start that installs what is pending.
#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "launcher/InstallJournal.h"
#include "launcher/MessageDialogProbe.h"
#include "launcher/run/LauncherProcess.h"
#include "launcher/data/LocalDbSupport.h"
#include "launcher/service/ServiceTestSupport.h"

using namespace launcher_test;
using namespace launcher_data_test;

namespace {

class RunUnits : public LauncherDataUnits {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        LauncherDataUnits::SetUp();
    }
    void TearDown() override {
        LauncherDataUnits::TearDown();
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const kUnits = testing::AddGlobalTestEnvironment(new RunUnits);

// Starts the launcher as above; answers the texts of the message dialogs it showed (each closed
// with OK), read among the expected ones, once it has ended.
std::vector<std::string> RunLauncher(const std::string& folder, const std::string& temp, DWORD* exitCode,
                                     const std::vector<std::string>& expected = {}) {
    std::vector<std::string> boxes;
    PROCESS_INFORMATION pi;
    if (!StartLauncher(folder, temp, pi)) return boxes;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT) {
        if (HWND dialog = FindMessageDialog(pi.dwProcessId)) {
            Sleep(300); // painted
            boxes.push_back(ReadDialogText(dialog, expected));
            PressDialogOk(dialog);
            // A modal form is closed by hiding; it goes with the launcher's end.
            for (int i = 0; i < 100 && IsWindowVisible(dialog); ++i)
                Sleep(20);
        }
        if (GetTickCount() - start > 90000) {
            ADD_FAILURE() << "Vendrol.exe did not end";
            TerminateProcess(pi.hProcess, 99);
            break;
        }
    }
    GetExitCodeProcess(pi.hProcess, exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return boxes;
}

// Every file under folder, by relative path, with its bytes; the names in skip are left out.
std::map<std::string, std::string> Snapshot(const std::string& folder, const std::vector<std::string>& skip,
                                            const std::string& prefix = "") {
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == ".." || std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            auto inner = Snapshot(folder + "\\" + name, skip, prefix + name + "\\");
            files.insert(inner.begin(), inner.end());
            files[prefix + name + "\\"] = "<folder>";
        } else {
            files[prefix + name] = ReadFile(folder + "\\" + name);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return files;
}

size_t Starts(const std::string& folder) {
    std::string log = ReadFile(folder + "\\Pemblix.started.txt");
    size_t n = 0;
    for (size_t at = 0; (at = log.find("Folder=", at)) != std::string::npos; ++at)
        ++n;
    return n;
}

struct Module {
    std::string type, code, name, id, version;
};

// The modules of the given ids (all when none), in this order: the database first, so that the
// versions recorded after it land in the new file.
std::string Scenario(const std::map<std::string, std::string>& packages,
                     const std::vector<std::string>& ids = {}, const std::string& extra = "") {
    const Module all[] = {{"90", "DB", "数据库", "9001", "2.0"},
                          {"00", "MAIN", "主程序", "1001", "1.0.2"},
                          {"20", "ZZS", "增值税申报表", "2001", "1.1"},
                          {"99", "SQL", "数据库升级", "9901", "6"}};
    std::vector<Module> modules;
    for (const Module& m : all)
        if (ids.empty() || std::find(ids.begin(), ids.end(), m.id) != ids.end()) modules.push_back(m);
    std::string json = "{\"modules\": [";
    for (const Module& m : modules)
        json += std::string(&m == &modules.front() ? "" : ",") + "{\"moduleType\": " + JsonText(m.type) +
                ", \"moduleCode\": " + JsonText(m.code) + ", \"moduleName\": " + JsonText(m.name) +
                ", \"id\": " + JsonText(m.id) + ", \"versionNumber\": " + JsonText(m.version) + "}";
    json += "], \"packages\": {";
    bool first = true;
    for (const auto& [id, package] : packages) {
        json += (first ? "" : ", ") + JsonText(id) + ": " + package;
        first = false;
    }
    return json + "}" + extra + "}";
}

const std::map<std::string, std::string> GoodPackages = {
    {"1001", "{\"file\": \"app.zip\"}"},
    {"2001", "{\"file\": \"tpl.zip\"}"},
    {"9001", "{\"file\": \"db.mdb\"}"},
    {"9901", "{\"text\": \"6~INSERT INTO Accounts (AccID) VALUES (6)\"}"},
};

std::map<std::string, std::string> With(const std::string& id, const std::string& package) {
    auto packages = GoodPackages;
    packages[id] = package;
    return packages;
}

class UpdateRun : public LauncherRunFolder {
protected:
    void SetUp() override {
        LauncherRunFolder::SetUp();
        // What an earlier install left: an application file and a template the packages replace.
        WriteFile(app + "\\AppNotes.txt", "notes of version 1.0.1");
        CreateDirectoryA((app + "\\Template").c_str(), nullptr);
        WriteFile(app + "\\Template\\ZZS.rep", "template 1.0");
    }

    void Serve(const std::string& scenario) {
        ServeAs(testing::UnitTest::GetInstance()->current_test_info()->name(), scenario);
    }

    Rows Versions() {
        return Query(
            "SELECT Class, Name, SysVal FROM SysConfig WHERE Name IN ('AppVer', 'DatabaseVer', 'SQLVer', "
            "'Package') ORDER BY Class, Name");
    }
    Rows Templates() { return Query("SELECT Class, TypeName, FileVer FROM RepType ORDER BY TypeID"); }
    std::map<std::string, std::string> Files() {
        return Snapshot(app, {"VazEvor.mdb", "ErrorLog.txt", "Pemblix.started.txt", "tmp"});
    }

    // One start under a fault: files, templates and versions stay, the launcher shows what it
    // should and logs what it should; then a clean start installs everything.
    void FaultThenCleanStart(const std::string& faulty,
                             const std::function<std::unique_ptr<void, void (*)(void*)>()>& fault,
                             const std::vector<std::string>& expectedBoxes, bool mainAppStarts,
                             const std::string& logNeedle) {
        Serve(faulty);
        ClearLog();
        const auto files = Files();
        const Rows versions = Versions();
        const Rows templates = Templates();
        DWORD code = 1;
        std::vector<std::string> boxes;
        {
            auto held = fault();
            boxes = RunLauncher(app, temp, &code, expectedBoxes);
        }
        EXPECT_EQ(0u, code);
        EXPECT_EQ(expectedBoxes, boxes);
        EXPECT_EQ(files, Files());
        EXPECT_EQ(versions, Versions());
        EXPECT_EQ(templates, Templates());
        EXPECT_EQ(mainAppStarts ? 1u : 0u, Starts(app));
        const std::string log = ReadFile(app + "\\ErrorLog.txt");
        if (logNeedle.empty())
            EXPECT_EQ("", log);
        else
            EXPECT_NE(std::string::npos, log.find(logNeedle)) << log;

        Serve(Scenario(GoodPackages));
        boxes = RunLauncher(app, temp, &code);
        EXPECT_TRUE(boxes.empty()) << boxes[0];
        EXPECT_EQ(mainAppStarts ? 2u : 1u, Starts(app));
        EXPECT_EQ((Rows{{"SYSTEM", "AppVer", "1.0.2"},
                        {"SYSTEM", "DatabaseVer", "2.0"},
                        {"SYSTEM", "SQLVer", "6"},
                        {"TEST", "Package", "db.mdb"}}),
                  Versions());
        EXPECT_EQ("1.1", Query("SELECT FileVer FROM RepType WHERE Class='Tax' AND TypeName='ZZS'")[0][0]);
        EXPECT_EQ((Rows{{"6"}}), Query("SELECT AccID FROM Accounts"));
        const auto installed = Files();
        EXPECT_EQ(1u, installed.count("VzHelper.dll"));
        EXPECT_EQ(1u, installed.count("Template\\ZZS_FB1.rep"));
        EXPECT_NE("notes of version 1.0.1", installed.at("AppNotes.txt"));
    }
    void ClearLog() { DeleteFileA((app + "\\ErrorLog.txt").c_str()); }

    // Starts the launcher and kills it (TerminateProcess: SIGKILL under Wine) the moment marker
    // appears. True when the kill came while the install journal was still there: mid-install.
    bool KillWhenSeen(const std::string& marker) {
        PROCESS_INFORMATION pi;
        if (!StartLauncher(app, temp, pi)) return false;
        bool killed = false;
        const DWORD start = GetTickCount();
        while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - start < 90000) {
            if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
                killed = TerminateProcess(pi.hProcess, 9);
                break;
            }
        }
        if (!killed) TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return killed && Exists(app + "\\" + JournalFileName);
    }

    // Kills the launcher mid-install (a few tries, from a fresh start each, until the kill lands
    // inside the install), then a good start: the settling puts the old files back, the module
    // is installed again and the main application starts.
    void KillThenGoodStart(const std::string& scenario, const std::string& marker,
                           const std::function<void()>& earlierInstall, const std::string& logNeedle) {
        bool cut = false;
        for (int attempt = 0; attempt < 5 && !cut; ++attempt) {
            DeleteFileA((app + "\\VazEvor.mdb-journal").c_str());
            Install();
            earlierInstall();
            DeleteFileA((app + "\\Pemblix.started.txt").c_str());
            ClearLog();
            Serve(scenario);
            cut = KillWhenSeen(marker);
        }
        ASSERT_TRUE(cut) << "no kill landed inside the install";
        EXPECT_EQ(0u, Starts(app));

        DWORD code = 1;
        const std::vector<std::string> boxes = RunLauncher(app, temp, &code);
        EXPECT_EQ(0u, code);
        EXPECT_TRUE(boxes.empty()) << boxes[0];
        EXPECT_EQ(1u, Starts(app));
        const std::string log = ReadFile(app + "\\ErrorLog.txt");
        EXPECT_NE(std::string::npos, log.find(logNeedle)) << log;
        for (const auto& [name, bytes] : Files())
            EXPECT_EQ(std::string::npos, name.find(".vz")) << name;
    }
};

using Held = std::unique_ptr<void, void (*)(void*)>;

Held Nothing() {
    return Held(nullptr, [](void*) {});
}
template <class T> Held Hold(T* object) {
    return Held(object, [](void* p) { delete static_cast<T*>(p); });
}

const std::string Network = "网络异常，请确认！";

TEST_F(UpdateRun, ThePeerDyingMidReply) {
    SCOPED_TRACE("module list");
    FaultThenCleanStart(Scenario(GoodPackages, {}, ", \"listFault\": \"half\""), Nothing, {Network}, false,
                        "的服务时出错,详细信息:");
}

TEST_F(UpdateRun, ThePeerDyingMidPackage) {
    FaultThenCleanStart(Scenario(With("1001", "{\"file\": \"app.zip\", \"fault\": \"half\"}"), {"1001"}),
                        Nothing, {}, true, "的服务时出错,详细信息:");
}

TEST_F(UpdateRun, CorruptArchives) {
    FaultThenCleanStart(Scenario(With("1001", "{\"file\": \"app-corrupt.zip\"}"), {"1001"}), Nothing,
                        {"无效的应用程序包."}, true, "");
}

TEST_F(UpdateRun, TruncatedTemplateArchive) {
    FaultThenCleanStart(Scenario(With("2001", "{\"file\": \"tpl-truncated.zip\"}"), {"2001"}), Nothing,
                        {"无效的模板文件包."}, true, "");
}

TEST_F(UpdateRun, TruncatedBase64) {
    FaultThenCleanStart(Scenario(With("1001", "{\"file\": \"app.zip\", \"fault\": \"cutbase64\"}"), {"1001"}),
                        Nothing, {}, true, "的服务时出错,详细信息:");
}

TEST_F(UpdateRun, SoapFault) {
    FaultThenCleanStart(
        Scenario(With("9901", "{\"text\": \"x\", \"fault\": \"soap\", \"faultstring\": \"模块包读取失败\"}"),
                 {"9901"}),
        Nothing, {}, true, "的服务时出错,详细信息:模块包读取失败");
}

TEST_F(UpdateRun, BrokenDatabasePackage) {
    FaultThenCleanStart(Scenario(With("9001", "{\"file\": \"garbage.bin\"}"), {"9001"}), Nothing, {}, true,
                        "");
}

TEST_F(UpdateRun, FullDiskInDownload) {
    FaultThenCleanStart(
        Scenario(GoodPackages), [&] { return Hold(new DiskFullAt(temp + "\\tmptax.zip")); }, {}, true, "");
}

TEST_F(UpdateRun, FullDiskInExtraction) {
    FaultThenCleanStart(
        Scenario(GoodPackages, {"1001"}),
        [&] { return Hold(new DiskFullAt(app + "\\VzHelper.dll.vzstage")); }, {"无效的应用程序包."}, true,
        "");
}

TEST_F(UpdateRun, FullDiskInDatabaseCopy) {
    FaultThenCleanStart(
        Scenario(GoodPackages, {"9001"}), [&] { return Hold(new DiskFullAt(app + "\\VazEvor.mdb.vzstage")); },
        {}, true, "");
}

TEST_F(UpdateRun, ReadOnlyTemplateFolder) {
    {
        ImmutableFolder probe(app + "\\Template");
        if (!probe.Refused().empty()) GTEST_SKIP() << probe.Refused();
    }
    FaultThenCleanStart(
        Scenario(GoodPackages, {"2001"}), [&] { return Hold(new ImmutableFolder(app + "\\Template")); },
        {"无效的模板文件包."}, true, "");
}

TEST_F(UpdateRun, LockedApplicationFile) {
    struct Lock {
        HANDLE h;
        ~Lock() { CloseHandle(h); }
    };
    FaultThenCleanStart(
        Scenario(GoodPackages, {"1001"}),
        [&] {
            return Hold(new Lock{CreateFileA((app + "\\AppNotes.txt").c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, 0, nullptr)});
        },
        {"无效的应用程序包."}, true, "");
}

// A kill while a large module's files are renamed in: some targets new, some aside.
TEST_F(UpdateRun, AKillDuringALargeReplace) {
    const int count = 300; // the files of app-large.zip
    auto name = [](int i) {
        char text[32];
        snprintf(text, sizeof text, "VzBig%03d.dat", i);
        return std::string(text);
    };
    KillThenGoodStart(
        Scenario(With("1001", "{\"file\": \"app-large.zip\"}"), {"1001"}),
        app + "\\" + name(0) + BackupSuffix,
        [&] {
            for (int i = 0; i < count; ++i)
                WriteFile(app + "\\" + name(i), "version 1.0.1 of " + name(i));
        },
        "更新[主程序]未完成,已恢复原文件: " + name(0));
    EXPECT_EQ(
        (Rows{{"SYSTEM", "AppVer", "1.0.2"}, {"SYSTEM", "DatabaseVer", "1.0"}, {"SYSTEM", "SQLVer", "5"}}),
        Versions());
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(0u, ReadFile(app + "\\" + name(i)).find("big" + std::to_string(i) + " ")) << name(i);
}

// A kill in the database swap, with "VazEvor.mdb" moved aside.
TEST_F(UpdateRun, AKillDuringTheDatabaseSwap) {
    KillThenGoodStart(
        Scenario(GoodPackages, {"9001"}), app + "\\VazEvor.mdb" + BackupSuffix, [] {},
        "更新[数据库]未完成,已恢复原文件: VazEvor.mdb");
    EXPECT_EQ((Rows{{"SYSTEM", "AppVer", "1.0.1"},
                    {"SYSTEM", "DatabaseVer", "2.0"},
                    {"SYSTEM", "SQLVer", "5"},
                    {"TEST", "Package", "db.mdb"}}),
              Versions());
}

} // namespace
