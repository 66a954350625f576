// Installs cut short at every instant between two of their file steps, as a kill cuts them: the
// step's thread ends there without unwinding, the start's settling runs, and then a run against
// the peer installs the module.
#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdlib>
#include <functional>
#include <map>

#include "launcher/CallService.h"
#include "launcher/InstallJournal.h"
#include "launcher/update/UpdateTestSupport.h"

using namespace launcher_test;
using namespace launcher_data_test;
using namespace launcher_update_test;

namespace {

// A package the peer serves, as made at build time.
std::string PeerPackage(const std::string& name) {
    const char* bin = std::getenv("VZ_BINARY_DIR");
    return WinPath(std::string(bin ? bin : "") + "/tax-service/packages/" + name);
}

struct Kind {
    const char* what;
    Module module;
    const char* package;
    std::map<std::string, std::string> old; // files an earlier install left (relative path, bytes)
    std::vector<std::string> added;         // files the package adds
    std::vector<std::string> instants;      // of a whole install, in order
};

const Kind Kinds[] = {
    {"application files",
     {"00", "MAIN", "主程序", "1001", "1.0.2"},
     "app3.zip",
     {{"AppNotes.txt", "notes 1.0.1"}, {"VzHelper.dll", "helper 1.0.1"}},
     {"VzExtra.dat"},
     {"journal written", "entry staged", "entry staged", "entry staged", "moved aside", "moved in",
      "moved aside", "moved in", "moved in", "journal removed", "backup deleted", "backup deleted"}},
    {"templates",
     {"20", "ZZS", "增值税", "2001", "1.1"},
     "tpl.zip",
     {{"Template\\ZZS.rep", "template 1.0"}},
     {"Template\\ZZS_FB1.rep"},
     {"journal written", "entry staged", "entry staged", "moved aside", "moved in", "moved in",
      "journal removed", "backup deleted"}},
    {"database",
     {"90", "DB", "数据库", "9001", "2.0"},
     "db.mdb",
     {},
     {},
     {"journal written", "staged", "moved aside", "moved in", "checked", "journal removed",
      "backup deleted"}},
};

// Runs one installer on a thread of its own that ends, without unwinding, at the instant of the
// given number (none: the install runs whole).
struct StoppedInstall {
    const Kind* kind;
    std::string package;
    int stopAt;
    int reached = 0;
    bool result = false;

    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<StoppedInstall*>(param);
        CoInitialize(nullptr);
        try {
            TCallService call;
            call.ModuleName = self->kind->module.name;
            const std::string& type = self->kind->module.type;
            self->result = type == "00"   ? call.InstallAppPackage(self->package)
                           : type == "20" ? call.InstallTemplatePackage(self->package)
                                          : call.InstallDatabase(self->package);
        } catch (...) {
        }
        CoUninitialize();
        return 0;
    }
    void Go() {
        SetInstallInstantSeam([this](const char*) {
            if (reached++ == stopAt) ExitThread(1);
        });
        HANDLE thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        SetInstallInstantSeam(nullptr);
    }
};

class InterruptedInstall : public UpdateCheck {
protected:
    void SetUp() override {
        UpdateCheck::SetUp();
        ASSERT_TRUE(CopyFileA(WinPath(VZ_PEMBLIX_EXE).c_str(), (AppFolder() + "Pemblix.exe").c_str(), FALSE));
        CreateDirectoryA((AppFolder() + "Template").c_str(), nullptr);
    }

    // Back to what an earlier install left: the generated database, the old files, no new ones.
    void Reset(const Kind& kind) {
        SysDM->Disconnect();
        Install();
        SysDM->Reconnect();
        for (const auto& [name, bytes] : kind.old)
            WriteFile(AppFolder() + name, bytes);
        for (const std::string& name : kind.added)
            DeleteFileA((AppFolder() + name).c_str());
        ClearErrorLog();
    }

    // The application folder's files and their bytes; the database and the downloads apart.
    std::map<std::string, std::string> Files() {
        std::map<std::string, std::string> files;
        for (const std::string& folder : {std::string(), std::string("Template\\")})
            for (const std::string& name : FolderEntries(AppFolder() + folder))
                if (name != "tmp" && name != "Template" && name != "Pemblix.started.txt" &&
                    name.rfind("VazEvor.mdb", 0) != 0)
                    files[folder + name] = ReadFile(AppFolder() + folder + name);
        return files;
    }
    // Staged, backup and journal files anywhere the installers write.
    std::vector<std::string> Leftovers() {
        std::vector<std::string> found;
        for (const std::string& folder : {std::string(), std::string("Template\\")})
            for (const std::string& name : FolderEntries(AppFolder() + folder))
                if (name.find(".vz") != std::string::npos) found.push_back(folder + name);
        return found;
    }
    size_t MainAppStarts() {
        const std::string log = ReadFile(AppFolder() + "Pemblix.started.txt");
        size_t n = 0;
        for (size_t at = 0; (at = log.find("Folder=", at)) != std::string::npos; ++at)
            ++n;
        return n;
    }
};

TEST_F(InterruptedInstall, EveryInstantSettlesToTheOldFilesOrTheWholeNewOnes) {
    for (const Kind& kind : Kinds) {
        const std::string scenario = Scenario({kind.module}, {{kind.module.id, File(kind.package)}});
        const size_t commit =
            std::find(kind.instants.begin(), kind.instants.end(), "journal removed") - kind.instants.begin();
        for (int stop = 0; stop < static_cast<int>(kind.instants.size()); ++stop) {
            SCOPED_TRACE(std::string(kind.what) + ", ended after: " + std::to_string(stop + 1) + ". " +
                         kind.instants[stop]);
            ASSERT_NO_FATAL_FAILURE(Reset(kind));
            const Rows versions = Versions();
            const Rows templates = Templates();
            const auto files = Files();

            // A package of its own each time: the ended thread still maps the one it was given.
            StoppedInstall install{&kind, temp_ + "\\package" + kind.module.type + "-" + std::to_string(stop),
                                   stop};
            ASSERT_TRUE(CopyFileA(PeerPackage(kind.package).c_str(), install.package.c_str(), FALSE));
            install.Go();
            ASSERT_EQ(stop + 1, install.reached);

            // A new start: the dead process held no database; the settling runs before it opens.
            SysDM->Disconnect();
            SettleInterruptedInstall(Globals->AppPath);
            EXPECT_EQ(std::vector<std::string>{}, Leftovers());
            SysDM->Reconnect();
            EXPECT_EQ(templates, Templates());
            const std::vector<AnsiString> log = ErrorLogLines();
            if (static_cast<size_t>(stop) < commit) {
                EXPECT_EQ(files, Files());
                EXPECT_EQ(versions, Versions());
                ASSERT_EQ(1u, log.size());
                EXPECT_NE(AnsiString::npos, log[0].find("更新[" + kind.module.name + "]未完成")) << log[0];
            } else {
                // The journal was gone: the new files stand, unrecorded, and are installed again.
                const auto now = Files();
                for (const auto& [name, bytes] : kind.old) {
                    ASSERT_EQ(1u, now.count(name)) << name;
                    EXPECT_NE(bytes, now.at(name)) << name;
                }
                for (const std::string& name : kind.added)
                    EXPECT_TRUE(Exists(AppFolder() + name)) << name;
                EXPECT_TRUE(log.empty());
                if (kind.module.type == "90") {
                    EXPECT_EQ("1.5", SysVal("DatabaseVer")); // the package's own, not yet recorded
                } else {
                    EXPECT_EQ(versions, Versions());
                }
            }

            PeerReset();
            const size_t starts = MainAppStarts();
            std::vector<std::string> seen;
            SetInstallInstantSeam([&](const char* name) { seen.push_back(name); });
            EXPECT_TRUE(Check(scenario));
            SetInstallInstantSeam(nullptr);
            // Over the old files again; after the journal had gone the added files are there too.
            if (static_cast<size_t>(stop) < commit) {
                EXPECT_EQ(kind.instants, seen);
            }
            EXPECT_EQ(std::vector<AnsiString>{AnsiString(kind.module.id)}, PeerPackageRequests());
            EXPECT_EQ(std::vector<std::string>{}, Leftovers());
            for (const std::string& name : kind.added)
                EXPECT_TRUE(Exists(AppFolder() + name)) << name;
            for (const auto& [name, bytes] : kind.old)
                EXPECT_NE(bytes, ReadFile(AppFolder() + name)) << name;
            if (kind.module.type == "00") {
                EXPECT_EQ("1.0.2", SysVal("AppVer"));
            } else if (kind.module.type == "20") {
                EXPECT_EQ("1.1",
                          Query("SELECT FileVer FROM RepType WHERE Class='Tax' AND TypeName='ZZS'")[0][0]);
            } else {
                EXPECT_EQ("2.0", SysVal("DatabaseVer"));
                EXPECT_EQ("db.mdb", DataDM->GetSysConfig("TEST", "Package"));
            }
            for (int i = 0; i < 200 && MainAppStarts() == starts; ++i)
                Sleep(50);
            EXPECT_EQ(starts + 1, MainAppStarts());
        }
    }
}

} // namespace
