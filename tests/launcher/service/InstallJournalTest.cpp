// The start's settling of an install a kill cut short: what the journal names is put back, bad
// journals lose nothing, and staged or backup files go only where their target is whole.
#include <gtest/gtest.h>

#include <map>

#include "launcher/InstallJournal.h"
#include "launcher/LauncherTestSupport.h"
#include "launcher/service/ServiceTestSupport.h"
#include "platform/core/Exceptions.h"

using namespace launcher_test;

namespace {

class InstallSettling : public testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((app + "\\Template").c_str(), nullptr);
        ClearErrorLog();
    }
    void TearDown() override { ClearErrorLog(); }

    void Put(const std::map<std::string, std::string>& files) {
        for (const auto& [name, bytes] : files)
            WriteFile(app + "\\" + name, bytes);
    }
    // Every file of the folder and of Template\ with its bytes.
    std::map<std::string, std::string> Files() {
        std::map<std::string, std::string> files;
        for (const std::string& folder : {std::string(), std::string("Template\\")})
            for (const std::string& name : FolderEntries(app + "\\" + folder))
                if (name != "Template") files[folder + name] = ReadFile(app + "\\" + folder + name);
        return files;
    }
    void Settle() { SettleInterruptedInstall(app + "\\"); }
    std::string Journal() { return app + "\\" + JournalFileName; }
    void WriteJournal(const std::vector<std::string>& targets) {
        TInstallJournal journal(app + "\\", "主程序");
        std::vector<AnsiString> paths;
        for (const std::string& target : targets)
            paths.push_back(app + "\\" + target);
        journal.Write(paths);
    }

    TempFolder temp{"settling"};
    std::string app = temp.Path();
};

TEST_F(InstallSettling, LeftoversWithoutAJournalGoOnlyWhereTheirTargetIsWhole) {
    Put({{"A.dll", "A"},
         {"A.dll.vzold", "old A"},
         {"B.dll.vzold", "the only B"},
         {"C.dll", "C"},
         {"C.dll.VZSTAGE", "new C"},
         {"D.dll.vzstage", "new D"},
         {"Vendrol.exe", "launcher 2"},
         {"Vendrol.exe.vzold", "launcher 1"},
         {"notes.vzold.txt", "notes"},
         {"Template\\T.rep", "T"},
         {"Template\\T.rep.vzstage", "new T"}});
    Settle();
    EXPECT_EQ((std::map<std::string, std::string>{{"A.dll", "A"},
                                                  {"B.dll.vzold", "the only B"},
                                                  {"C.dll", "C"},
                                                  {"D.dll.vzstage", "new D"},
                                                  {"Vendrol.exe", "launcher 2"},
                                                  {"notes.vzold.txt", "notes"},
                                                  {"Template\\T.rep", "T"}}),
              Files());
    EXPECT_TRUE(ErrorLogLines().empty());
}

TEST_F(InstallSettling, AJournalPutsBackEveryFileTheDatabaseFirstAndSaysSo) {
    Put({{"VazEvor.mdb", "old db"}, {"A.dll", "old A"}, {"B.dll", "old B"}, {"Template\\T.rep", "old T"}});
    WriteJournal({"A.dll", "B.dll", "C.dll", "Template\\T.rep", "VazEvor.mdb"});
    // Where the kill found them: A and the database aside (A's new file in), B not yet aside,
    // the new C in, T aside with its new file still staged.
    ASSERT_TRUE(MoveFileA((app + "\\A.dll").c_str(), (app + "\\A.dll.vzold").c_str()));
    ASSERT_TRUE(MoveFileA((app + "\\VazEvor.mdb").c_str(), (app + "\\VazEvor.mdb.vzold").c_str()));
    ASSERT_TRUE(MoveFileA((app + "\\Template\\T.rep").c_str(), (app + "\\Template\\T.rep.vzold").c_str()));
    Put({{"A.dll", "new A"},
         {"B.dll.vzstage", "new B"},
         {"C.dll", "new C"},
         {"Template\\T.rep.vzstage", "new T"},
         {"VazEvor.mdb.vzstage", "new db"}});
    Settle();
    EXPECT_EQ(
        (std::map<std::string, std::string>{
            {"VazEvor.mdb", "old db"}, {"A.dll", "old A"}, {"B.dll", "old B"}, {"Template\\T.rep", "old T"}}),
        Files());
    const std::vector<AnsiString> log = ErrorLogLines();
    ASSERT_EQ(1u, log.size());
    EXPECT_NE(
        AnsiString::npos,
        log[0].find(
            "更新[主程序]未完成,已恢复原文件: VazEvor.mdb, A.dll, Template\\T.rep; 已删除新文件: C.dll"))
        << log[0];
    // Settled once: a second start finds nothing to do.
    ClearErrorLog();
    Settle();
    EXPECT_TRUE(ErrorLogLines().empty());
}

TEST_F(InstallSettling, ABadJournalLosesNothing) {
    struct Case {
        const char* what;
        std::function<void()> journal;
        std::map<std::string, std::string> after;
        const char* logged;
    } cases[] = {
        {"cut short before its end: nothing was renamed, only staged files go",
         [&] {
             WriteJournal({"A.dll", "C.dll"});
             std::string text = ReadFile(Journal());
             WriteFile(Journal(), text.substr(0, text.rfind("end")));
         },
         {{"A.dll", "old A"}, {"C.dll", "C of another program"}},
         "无文件需恢复"},
        {"not a journal",
         [&] { WriteFile(Journal(), "PK\3\4 garbage"); },
         {{"A.dll", "old A"}, {"C.dll", "C of another program"}},
         "无法识别"},
        {"names that are not its own",
         [&] { WriteFile(Journal(), "VZJOURNAL 1\r\nmodule\tx\r\nnew\tC.dll\tA.dll\tD.dll\r\nend\r\n"); },
         {{"A.dll", "old A"}, {"C.dll", "C of another program"}},
         "无文件需恢复"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearErrorLog();
        Put({{"A.dll", "old A"}, {"C.dll", "C of another program"}});
        c.journal();
        Put({{"A.dll.vzstage", "new A"}});
        Settle();
        EXPECT_EQ(c.after, Files());
        const std::vector<AnsiString> log = ErrorLogLines();
        ASSERT_EQ(1u, log.size());
        EXPECT_NE(AnsiString::npos, log[0].find(c.logged)) << log[0];
    }
}

TEST_F(InstallSettling, ABackupThatCannotGoBackKeepsItsJournal) {
    Put({{"A.dll", "old A"}});
    WriteJournal({"A.dll"});
    ASSERT_TRUE(MoveFileA((app + "\\A.dll").c_str(), (app + "\\A.dll.vzold").c_str()));
    Put({{"A.dll", "new A"}});
    {
        // Another program holds the new file open without sharing.
        HANDLE held =
            CreateFileA((app + "\\A.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        Settle();
        CloseHandle(held);
    }
    if (ReadFile(app + "\\A.dll") == "old A")
        GTEST_SKIP() << "this system replaces a file held without sharing";
    EXPECT_EQ("old A", ReadFile(app + "\\A.dll.vzold"));
    EXPECT_TRUE(Exists(Journal()));
    ASSERT_EQ(1u, ErrorLogLines().size());
    EXPECT_NE(AnsiString::npos, ErrorLogLines()[0].find("无法恢复,保留: A.dll.vzold")) << ErrorLogLines()[0];
    // Once the file is free, the next start puts it back.
    Settle();
    EXPECT_EQ((std::map<std::string, std::string>{{"A.dll", "old A"}}), Files());
}

TEST_F(InstallSettling, AJournalIsNotWrittenOverALeftoverThatCannotGo) {
    Put({{"A.dll", "old A"}, {"A.dll.vzold", "older A"}});
    HANDLE held =
        CreateFileA((app + "\\A.dll.vzold").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_THROW(WriteJournal({"A.dll"}), Exception);
    CloseHandle(held);
    EXPECT_FALSE(Exists(Journal()));
}

} // namespace
