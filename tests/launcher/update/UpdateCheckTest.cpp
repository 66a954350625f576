// The update check against the local tax-service peer, over a generated local database: what is
// fetched (the peer's record of package requests), what is installed and what is recorded.
#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <functional>

#include "launcher/CallService.h"
#include "launcher/CustomServiceEntry.h"
#include "launcher/FSysLoader.h"
#include "launcher/Messages.h"
#include "launcher/UpdateCheck.h"
#include "launcher/update/UpdateTestSupport.h"

using namespace launcher_test;
using namespace launcher_data_test;
using namespace launcher_update_test;

namespace {

class UpdateUnits : public LauncherDataUnits {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        LauncherDataUnits::SetUp();
        ServiceEntryInitialize();
    }
    void TearDown() override {
        ServiceEntryFinalize();
        LauncherDataUnits::TearDown();
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const kUnits = testing::AddGlobalTestEnvironment(new UpdateUnits);

TEST_F(UpdateCheck, VersionsCompareAsNumbersWithoutTheirFullStops) {
    struct Case {
        const char* remote;
        const char* local; // null: no row
        bool fetched;
    } cases[] = {{"2.0", "1.9.9", false}, {"1.0.1", nullptr, true}, {"1.10", "1.9", true},
                 {"1.0", "1.0", false},   {"text", "0", false},     {"12345678901", "1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.remote) + " / " + (c.local ? c.local : "missing"));
        Exec("DELETE FROM SysConfig WHERE Class='SYSTEM' AND Name='AppVer'");
        if (c.local)
            Exec(std::string("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'AppVer', '") +
                 c.local + "')");
        PeerReset();
        EXPECT_TRUE(
            Check(Scenario({{"00", "MAIN", "主程序", "1001", c.remote}}, {{"1001", File("app.zip")}})));
        EXPECT_EQ(c.fetched ? std::vector<AnsiString>{"1001"} : std::vector<AnsiString>{},
                  PeerPackageRequests());
        EXPECT_EQ(c.fetched ? std::string(c.remote) : (c.local ? c.local : "<none>"), SysVal("AppVer"));
    }
}

TEST_F(UpdateCheck, EachTypeReadsAndWritesItsOwnRow) {
    const Rows before = Versions();
    const Rows templatesBefore = Templates();
    EXPECT_TRUE(Check(Scenario({{"00", "MAIN", "主程序", "1", "1.0.2"},
                                {"20", "ZZS", "增值税", "2", "1.1"},
                                {"99", "SQL", "升级", "3", "6"}},
                               {{"1", File("app.zip")},
                                {"2", File("tpl.zip")},
                                {"3", Text("6~INSERT INTO Accounts (AccID) VALUES (6)")}})));
    EXPECT_TRUE(MainAppStarted());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ((std::vector<AnsiString>{"1", "2", "3"}), PeerPackageRequests());
    EXPECT_EQ("1.0.2", SysVal("AppVer"));
    EXPECT_EQ("6", SysVal("SQLVer"));
    EXPECT_EQ(before[1], Versions()[1]); // DatabaseVer, between AppVer and SQLVer by name
    EXPECT_EQ("1.1", Query("SELECT FileVer FROM RepType WHERE Class='Tax' AND TypeName='ZZS'")[0][0]);
    EXPECT_EQ((Rows{{"6"}}), Query("SELECT AccID FROM Accounts"));
    // The files, stored folders dropped; the downloads are gone.
    EXPECT_TRUE(Exists(AppFolder() + "AppNotes.txt"));
    EXPECT_TRUE(Exists(AppFolder() + "VzHelper.dll"));
    EXPECT_EQ((std::vector<std::string>{"ZZS.rep", "ZZS_FB1.rep"}), FolderEntries(AppFolder() + "Template"));
    EXPECT_TRUE(FolderEntries(temp_).empty());
}

TEST_F(UpdateCheck, SqlLinesRunOnlyWhenNewerThanTheLocalVersion) {
    Exec("UPDATE SysConfig SET SysVal='7' WHERE Class='SYSTEM' AND Name='SQLVer'");
    EXPECT_TRUE(Check(Scenario({{"99", "SQL", "升级", "9901", "9"}},
                               {{"9901", Text("5~INSERT INTO Accounts (AccID) VALUES (5)\r\n"
                                              "7~INSERT INTO Accounts (AccID) VALUES (7)\r\n"
                                              "9~INSERT INTO Accounts (AccID) VALUES (9)\r\n")}})));
    EXPECT_EQ((Rows{{"9"}}), Query("SELECT AccID FROM Accounts"));
    EXPECT_EQ("9", SysVal("SQLVer"));
}

TEST_F(UpdateCheck, ASqlPackageFailingOnItsSecondLineLeavesNoTrace) {
    const std::string package =
        "6~INSERT INTO Accounts (AccID) VALUES (6)\r\n7~INSERT INTO NoSuchTable (A) VALUES (1)";
    for (int start = 0; start < 2; ++start) {
        EXPECT_TRUE(Check(Scenario({{"99", "SQL", "升级", "9901", "7"}}, {{"9901", Text(package)}})));
        EXPECT_TRUE(Query("SELECT AccID FROM Accounts").empty());
        EXPECT_EQ("5", SysVal("SQLVer"));
    }
    EXPECT_TRUE(SysDM->UniMain->Connected());
}

TEST_F(UpdateCheck, WithoutAnSqlVersionRowAPackageRunsOnce) {
    Exec("DELETE FROM SysConfig WHERE Class='SYSTEM' AND Name='SQLVer'");
    const std::string scenario = Scenario({{"99", "SQL", "升级", "9901", "3"}},
                                          {{"9901", Text("1~INSERT INTO Accounts (AccID) VALUES (1)")}});
    EXPECT_TRUE(Check(scenario));
    EXPECT_EQ("3", SysVal("SQLVer"));
    PeerReset();
    EXPECT_TRUE(Check(scenario));
    EXPECT_TRUE(PeerPackageRequests().empty());
    EXPECT_EQ((Rows{{"1"}}), Query("SELECT AccID FROM Accounts"));
}

TEST_F(UpdateCheck, TemplateRowsTouchOnlyTheirOwnTaxRows) {
    Exec("DELETE FROM RepType");
    // A namesake of another class comes first: it is neither read nor written.
    Exec("INSERT INTO RepType (TypeID, Class, TypeName, FileVer) VALUES (1, 'Other', 'ZZS', '9.9')");
    Exec("INSERT INTO RepType (TypeID, Class, TypeName, FileVer) VALUES (2, 'Tax', 'ZZS', '1.0')");
    Exec("INSERT INTO RepType (TypeID, Class, TypeName, FileVer) VALUES (3, 'Tax', 'QYSDS', '1.0')");
    EXPECT_TRUE(
        Check(Scenario({{"20", "ZZS", "增值税", "2001", "1.1"}, {"20", "QYSDS", "所得税", "2002", "1.2"}},
                       {{"2001", File("tpl.zip")}, {"2002", File("tpl2.zip")}})));
    EXPECT_EQ((std::vector<AnsiString>{"2001", "2002"}), PeerPackageRequests());
    EXPECT_EQ((Rows{{"1", "Other", "ZZS", "9.9"}, {"2", "Tax", "ZZS", "1.1"}, {"3", "Tax", "QYSDS", "1.2"}}),
              Templates());
    EXPECT_EQ((std::vector<std::string>{"QYSDS.rep", "ZZS.rep", "ZZS_FB1.rep"}),
              FolderEntries(AppFolder() + "Template"));
}

TEST_F(UpdateCheck, ARowOfUnknownTypeShowsItsNameAndIsSkipped) {
    TFSysLoader* loader = nullptr;
    Application->CreateForm(loader);
    const Rows before = Versions();
    // 9.9.9 is newer than the version read for the row before it (AppVer 1.0.1).
    EXPECT_TRUE(
        Check(Scenario({{"00", "MAIN", "主程序", "1001", "0.1"}, {"55", "X", "未知模块", "5501", "9.9.9"}},
                       {{"1001", File("app.zip")}, {"5501", File("app.zip")}}),
              loader));
    EXPECT_EQ("正在检查[未知模块]更新...", loader->lblNote->Caption());
    delete loader;
    EXPECT_TRUE(PeerPackageRequests().empty());
    EXPECT_EQ(before, Versions());
    EXPECT_TRUE(MainAppStarted());
    EXPECT_TRUE(FolderEntries(temp_).empty());
}

TEST_F(UpdateCheck, EarlyEndsShowTheirMessageAndFetchNothing) {
    struct Case {
        const char* what;
        std::string scenario;
        const char* message;
    } cases[] = {
        {"failed call", "{\"mode\": \"fault\", \"faultstring\": \"x\"}", "网络异常，请确认！"},
        {"rtCode", "{\"rtCode\": \"2\", \"rtMsg\": \"纳税人识别号不存在\"}", "纳税人识别号不存在"},
        {"repcode", "{\"repcode\": \"0\", \"returnMessage\": \"查询模块列表失败\", \"modules\": []}",
         "查询模块列表失败"},
        {"no envelope", "{\"returnData\": {\"text\": \"not an envelope\"}}", "网络异常，请确认！"},
        {"no list1", "{\"noList1\": true}", "网络异常，请确认！"},
        {"list dies", "{\"listFault\": \"half\", \"modules\": []}", "网络异常，请确认！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        PeerReset();
        EXPECT_FALSE(Check(c.scenario));
        EXPECT_EQ(std::vector<AnsiString>{c.message}, messages);
        EXPECT_TRUE(PeerPackageRequests().empty());
        EXPECT_FALSE(MainAppStarted());
    }
}

TEST_F(UpdateCheck, AnEmptyModuleListStartsTheMainApplication) {
    ASSERT_TRUE(CopyFileA(WinPath(VZ_PEMBLIX_EXE).c_str(), (AppFolder() + "Pemblix.exe").c_str(), FALSE));
    EXPECT_TRUE(Check("{\"modules\": []}"));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(MainAppStarted());
    for (int i = 0; i < 100 && !Exists(AppFolder() + "Pemblix.started.txt"); ++i)
        Sleep(50);
    EXPECT_NE(std::string::npos, ReadFile(AppFolder() + "Pemblix.started.txt").find("Pemblix.exe"));
}

TEST_F(UpdateCheck, DatabasePackagesReplaceTheDatabaseOnlyWhenItOpensAndReadsSysConfig) {
    struct Case {
        const char* package;
        bool lock;
        bool installed;
    } cases[] = {{"db.mdb", false, true},
                 {"empty.bin", false, false},
                 {"garbage.bin", false, false},
                 {"db-nosysconfig.mdb", false, false},
                 {"db.mdb", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.package) + (c.lock ? " over a locked database" : ""));
        Install();
        SysDM->Reconnect();
        const Rows before = Versions();
        const std::string bytes = ReadFile(DatabaseFile());
        {
            HANDLE lock = c.lock ? CreateFileA(DatabaseFile().c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
            EXPECT_TRUE(
                Check(Scenario({{"90", "DB", "数据库", "9001", "2.0"}}, {{"9001", File(c.package)}})));
            if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        }
        EXPECT_TRUE(SysDM->UniMain->Connected());
        EXPECT_EQ((std::vector<std::string>{"UICore.dll", "VazEvor.mdb", "tmp"}), [&] {
            auto names = FolderEntries(Globals->AppPath.substr(0, Globals->AppPath.size() - 1));
            names.erase(std::remove(names.begin(), names.end(), "ErrorLog.txt"), names.end());
            return names;
        }());
        if (c.installed) {
            EXPECT_EQ("2.0", DataDM->GetSysConfig("SYSTEM", "DatabaseVer"));
            EXPECT_EQ("db.mdb", DataDM->GetSysConfig("TEST", "Package"));
        } else {
            EXPECT_EQ(before, Versions());
            EXPECT_EQ("1.0", DataDM->GetSysConfig("SYSTEM", "DatabaseVer"));
        }
    }
}

TEST_F(UpdateCheck, AFailedModuleKeepsItsVersionAndTheLoopGoesOn) {
    struct Case {
        const char* what;
        std::string package;
        const char* message; // none: the failure is not reported
    } cases[] = {
        {"corrupt application archive", File("app-corrupt.zip"), "无效的应用程序包."},
        {"SOAP Fault", "{\"text\": \"x\", \"fault\": \"soap\"}", nullptr},
        {"connection closed half-way", "{\"file\": \"app.zip\", \"fault\": \"half\"}", nullptr},
        {"base64 cut short", "{\"file\": \"app.zip\", \"fault\": \"cutbase64\"}", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        PeerReset();
        Exec("UPDATE SysConfig SET SysVal='1.0' WHERE Class='SYSTEM' AND Name='AppVer'");
        Exec("UPDATE RepType SET FileVer='1.0' WHERE Class='Tax' AND TypeName='ZZS'");
        const std::vector<std::string> files =
            FolderEntries(Globals->AppPath.substr(0, Globals->AppPath.size() - 1));
        EXPECT_TRUE(Check(
            Scenario({{"00", "MAIN", "主程序", "1001", "1.0.2"}, {"20", "ZZS", "增值税", "2001", "1.1"}},
                     {{"1001", c.package}, {"2001", File("tpl.zip")}})));
        EXPECT_EQ(c.message ? std::vector<AnsiString>{c.message} : std::vector<AnsiString>{}, messages);
        EXPECT_EQ("1.0", SysVal("AppVer"));
        EXPECT_EQ("1.1", Query("SELECT FileVer FROM RepType WHERE Class='Tax' AND TypeName='ZZS'")[0][0]);
        EXPECT_FALSE(Exists(AppFolder() + "AppNotes.txt"));
        EXPECT_TRUE(MainAppStarted());
        RemoveTree(AppFolder() + "Template");
    }
    // A truncated template archive has its own message.
    messages.clear();
    EXPECT_TRUE(
        Check(Scenario({{"20", "ZZS", "增值税", "2001", "1.2"}}, {{"2001", File("tpl-truncated.zip")}})));
    EXPECT_EQ(std::vector<AnsiString>{"无效的模板文件包."}, messages);
    EXPECT_EQ("1.1", Query("SELECT FileVer FROM RepType WHERE Class='Tax' AND TypeName='ZZS'")[0][0]);
}

TEST_F(UpdateCheck, ADownloadThatCannotBeWrittenFailsItsModuleOnly) {
    {
        DiskFullAt full(temp_ + "\\tmptax.zip");
        EXPECT_TRUE(Check(Scenario(
            {{"00", "MAIN", "主程序", "1001", "1.0.2"}, {"99", "SQL", "升级", "9901", "6"}},
            {{"1001", File("app.zip")}, {"9901", Text("6~INSERT INTO Accounts (AccID) VALUES (6)")}})));
    }
    EXPECT_EQ((std::vector<AnsiString>{"1001", "9901"}), PeerPackageRequests());
    EXPECT_EQ("1.0.1", SysVal("AppVer"));
    EXPECT_EQ("5", SysVal("SQLVer")); // its download fails on the same full disk
    EXPECT_FALSE(Exists(AppFolder() + "AppNotes.txt"));
    EXPECT_TRUE(MainAppStarted());
}

} // namespace
