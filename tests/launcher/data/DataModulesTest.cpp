// The data modules over a real local database: the statements they run, what those do to the
// rows, and how the two modules find their connection.
#include <functional>
#include <memory>

#include "LocalDbSupport.h"
#include "launcher/AppList.h"
#include "launcher/FormData.h"

namespace launcher_data_test {
namespace {

[[maybe_unused]] testing::Environment* const kUnits =
    testing::AddGlobalTestEnvironment(new LauncherDataUnits);

std::string SQLText(TUniQuery* query) {
    return TrimRight(query->SQL()->Text());
}

std::string Describe(const TFormType& t) {
    return std::to_string(t.TypeID) + "|" + t.Class + "|" + t.TypeName + "|" + t.TypeDesc + "|" + t.TypeFile +
           "|" + t.FileVer + "|" + t.RepTime + "|" + t.FixedCode;
}

class DataModules : public LocalDb {};

// The routine's answer; an error is a failure of its case alone.
std::string RunRoutine(const std::function<std::string(TDataDM&)>& routine) {
    try {
        return routine(*DataDM);
    } catch (const Exception& e) {
        ADD_FAILURE() << "raised: " << e.Message();
        return "<error>";
    }
}

// Each routine's statement as its query holds it afterwards (plain values exactly as designed,
// quotes doubled), its answer, and its effect read back through another connection.
TEST_F(DataModules, RoutinesRunTheirStatementsWithQuotesDoubled) {
    OpenSystem();
    Exec("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'O''Neil', 'it''s')");
    Exec("INSERT INTO RepType (TypeID, Class, TypeName, FileVer) VALUES (2, 'Tax', 'Z''S', '0.1')");
    Exec("INSERT INTO Accounts (AccID) VALUES (7)");
    Exec("INSERT INTO Accounts (AccID) VALUES (8)");
    Exec("INSERT INTO AccProps (AccID) VALUES (7)");
    Exec("INSERT INTO AccProps (AccID) VALUES (7)");

    struct Case {
        const char* what;
        std::function<std::string(TDataDM&)> run;
        TUniQuery* TDataDM::*query;
        std::string sql;
        std::string answer;
        std::string check;
        Rows rows;
    };
    const Case cases[] = {
        {"load",
         [](TDataDM& dm) {
             auto* l = dm.LoadSysConfig();
             auto v = l->GetValue("SYSTEM.O'Neil");
             FreeListAndObjects(l);
             return v;
         },
         &TDataDM::qrySystem,
         "select * from SysConfig",
         "it's",
         "",
         {}},
        {"get",
         [](TDataDM& dm) { return dm.GetSysConfig("SYSTEM", "AppVer"); },
         &TDataDM::qrySystem,
         "select SysVal from SysConfig where Class='SYSTEM' and Name='AppVer'",
         "1.0.1",
         "",
         {}},
        {"get quoted",
         [](TDataDM& dm) { return dm.GetSysConfig("SYSTEM", "O'Neil"); },
         &TDataDM::qrySystem,
         "select SysVal from SysConfig where Class='SYSTEM' and Name='O''Neil'",
         "it's",
         "",
         {}},
        {"set",
         [](TDataDM& dm) {
             dm.SetSysConfig("SYSTEM", "DatabaseVer", "2.0");
             return "";
         },
         &TDataDM::qrySystem,
         "update SysConfig set SysVal='2.0' where Class='SYSTEM' and Name='DatabaseVer'",
         "",
         "SELECT SysVal FROM SysConfig WHERE Name='DatabaseVer'",
         {{"2.0"}}},
        {"set quoted",
         [](TDataDM& dm) {
             dm.SetSysConfig("SYSTEM", "O'Neil", "1.0'1");
             return "";
         },
         &TDataDM::qrySystem,
         "update SysConfig set SysVal='1.0''1' where Class='SYSTEM' and Name='O''Neil'",
         "",
         "SELECT SysVal FROM SysConfig WHERE Name='O''Neil'",
         {{"1.0'1"}}},
        {"set missing",
         [](TDataDM& dm) {
             dm.SetSysConfig("SYSTEM", "New'Ver", "3");
             return "";
         },
         &TDataDM::qrySystem,
         "insert into SysConfig (Class, Name, SysVal) values ('SYSTEM','New''Ver','3')",
         "",
         "SELECT Class, Name, SysVal FROM SysConfig WHERE Name LIKE 'New%'",
         {{"SYSTEM", "New'Ver", "3"}}},
        {"rep type",
         [](TDataDM& dm) { return Describe(*dm.GetRepType("TypeName", "'ZZS'")); },
         &TDataDM::qryRepType,
         "select * from RepType where TypeName='ZZS'",
         "1|Tax|ZZS|ZZS|ZZS.xml|1.0|2026-01-01 00:00:00|0001",
         "",
         {}},
        {"rep type literal as given",
         [](TDataDM& dm) { return dm.GetRepType("TypeName", "'Z''S'")->FileVer; },
         &TDataDM::qryRepType,
         "select * from RepType where TypeName='Z''S'",
         "0.1",
         "",
         {}},
        {"rep version",
         [](TDataDM& dm) {
             dm.SetRepTypeVer("Tax", "ZZS", "1.1");
             return "";
         },
         &TDataDM::qryRepType,
         "update RepType set FileVer='1.1' where Class='Tax' and TypeName='ZZS'",
         "",
         "SELECT FileVer FROM RepType WHERE TypeName='ZZS'",
         {{"1.1"}}},
        {"rep version quoted",
         [](TDataDM& dm) {
             dm.SetRepTypeVer("Tax", "Z'S", "1'2");
             return "";
         },
         &TDataDM::qryRepType,
         "update RepType set FileVer='1''2' where Class='Tax' and TypeName='Z''S'",
         "",
         "SELECT FileVer FROM RepType WHERE TypeName='Z''S'",
         {{"1'2"}}},
        // Through the account helper of the unit table.
        {"delete account",
         [](TDataDM&) {
             AccountHelper->DeleteAccount(7);
             return "";
         },
         &TDataDM::qryAccount,
         "delete from AccProps where AccID=7",
         "",
         "SELECT (SELECT count(*) FROM Accounts WHERE AccID=7), (SELECT count(*) FROM AccProps), "
         "(SELECT count(*) FROM Accounts)",
         {{"0", "0", "1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RunRoutine(c.run), c.answer);
        EXPECT_EQ(SQLText(DataDM->*c.query), c.sql);
        // Every routine leaves its query closed.
        EXPECT_FALSE((DataDM->*c.query)->Active());
        if (!c.check.empty()) {
            EXPECT_EQ(Query(c.check), c.rows);
        }
    }
}

// A routine's statement that fails raises and still leaves its query closed.
TEST_F(DataModules, AFailingStatementRaisesAndLeavesTheQueryClosed) {
    OpenSystem();
    EXPECT_THROW(DataDM->GetRepType("NoSuchColumn", "1"), Exception);
    EXPECT_FALSE(DataDM->qryRepType->Active());
    EXPECT_EQ(SQLText(DataDM->qryRepType), "select * from RepType where NoSuchColumn=1");
}

TEST_F(DataModules, RowsAsTheRoutinesFindAndLeaveThem) {
    struct Case {
        const char* what;
        std::string variant;
        std::vector<std::string> setup;
        std::function<std::string(TDataDM&)> run;
        std::string answer;
        std::string check;
        Rows rows;
    };
    const Case cases[] = {
        {"keys differing in letter case load as one entry with the later value",
         "",
         {"INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('UI', 'Title', 'first')",
          "INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('ui', 'TITLE', 'second')"},
         [](TDataDM& dm) {
             TAppList* list = dm.LoadSysConfig();
             int entries = 0;
             for (int i = 0; i < list->Count(); ++i)
                 if (SameText(list->Strings(i), "UI.TITLE")) ++entries;
             std::string result = std::to_string(entries) + " " + list->GetValue("Ui.Title");
             FreeListAndObjects(list);
             return result;
         },
         "1 second",
         "",
         {}},
        {"a missing row reads as empty",
         "",
         {},
         [](TDataDM& dm) { return dm.GetSysConfig("SYSTEM", "NoSuchKey"); },
         "",
         "",
         {}},
        {"setting a missing row adds it",
         "",
         {},
         [](TDataDM& dm) {
             dm.SetSysConfig("LOGIN", "LOGINNAME", "张三");
             return dm.GetSysConfig("LOGIN", "LOGINNAME");
         },
         "张三",
         "SELECT Class, Name, SysVal FROM SysConfig WHERE Class='LOGIN'",
         {{"LOGIN", "LOGINNAME", "张三"}}},
        {"setting a row in other letter case updates it, adding none",
         "",
         {},
         [](TDataDM& dm) {
             dm.SetSysConfig("system", "appver", "1.0.9");
             return "";
         },
         "",
         "SELECT Class, Name, SysVal FROM SysConfig WHERE Name='AppVer'",
         {{"SYSTEM", "AppVer", "1.0.9"}}},
        {"a form type without a row",
         "",
         {},
         [](TDataDM& dm) { return Describe(*dm.GetRepType("TypeName", "'NOSUCH'")); },
         "0|||||||0001",
         "",
         {}},
        {"a form version without a row changes nothing",
         "",
         {},
         [](TDataDM& dm) {
             dm.SetRepTypeVer("Tax", "NOSUCH", "9.9");
             return "";
         },
         "",
         "SELECT TypeName, FileVer FROM RepType",
         {{"ZZS", "1.0"}}},
        {"deleting an account without AccProps leaves Accounts unchanged",
         "noaccprops",
         {"INSERT INTO Accounts (AccID) VALUES (3)"},
         [](TDataDM& dm) {
             dm.DeleteAccount(3);
             return "";
         },
         "",
         "SELECT AccID FROM Accounts",
         {{"3"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreeModules();
        OpenSystem(c.variant);
        for (const std::string& sql : c.setup)
            Exec(sql);
        EXPECT_EQ(RunRoutine(c.run), c.answer);
        if (!c.check.empty()) {
            EXPECT_EQ(Query(c.check), c.rows);
        }
        EXPECT_FALSE(SysDM->UniMain->GetInTransaction());
    }
}

TEST_F(DataModules, SystemModuleOpensTheDatabaseBesideTheExecutable) {
    CreateModules();
    // Set on creation; nothing connects yet.
    EXPECT_EQ(SysDM->UniMain->Database(), DatabaseFile());
    EXPECT_EQ(SysDM->UniMain->Password(), "qmvadlorp");
    EXPECT_EQ(SysDM->UniMain->ProviderName(), "Access");
    EXPECT_FALSE(SysDM->UniMain->LoginPrompt);
    EXPECT_FALSE(SysDM->UniMain->Options()->KeepDesignConnected);
    EXPECT_FALSE(SysDM->UniMain->Connected());

    // Without "VazEvor.mdb" the reconnect fails quietly.
    EXPECT_FALSE(SysDM->OpenSystem());
    EXPECT_FALSE(SysDM->UniMain->Connected());

    Install();
    EXPECT_TRUE(SysDM->OpenSystem());
    EXPECT_TRUE(SysDM->UniMain->Connected());
}

TEST_F(DataModules, QueriesUseTheSystemConnectionWhileItExists) {
    Application->CreateForm(DataDM);
    const char* names[] = {"qryAccount",   "qrySystem",      "qryReport",         "qryRepType",
                           "qryCodeTable", "qryAccountProp", "qryAccountPropDef", "qryAccPropVal",
                           "qryRepSheet",  "qryWizrdPage",   "qryWizrdItem",      "qryTemp",
                           "qryModule",    "qrySheetClass"};
    ASSERT_EQ(DataDM->ComponentCount(), 14);
    auto connections = [] {
        std::vector<TCustomDAConnection*> result;
        for (int i = 0; i < DataDM->ComponentCount(); ++i)
            result.push_back(dynamic_cast<TUniQuery&>(*DataDM->Components(i)).Connection());
        return result;
    };
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(DataDM->Components(i)->Name(), names[i]);
    EXPECT_EQ(connections(), std::vector<TCustomDAConnection*>(14, nullptr));

    Application->CreateForm(SysDM);
    EXPECT_EQ(connections(), std::vector<TCustomDAConnection*>(14, SysDM->UniMain));

    delete SysDM;
    EXPECT_EQ(SysDM, nullptr);
    EXPECT_EQ(connections(), std::vector<TCustomDAConnection*>(14, nullptr));

    // A query module made after the system module binds at once.
    Application->CreateForm(SysDM);
    delete DataDM;
    Application->CreateForm(DataDM);
    EXPECT_EQ(connections(), std::vector<TCustomDAConnection*>(14, SysDM->UniMain));
}

// The skin pack "DadavAzodo" of the working folder's "UICore.dll" goes into the user skin before
// the connection opens; without the file the error escapes and nothing connects.
TEST_F(DataModules, OpenSystemLoadsTheUserSkinFromTheWorkingFolder) {
    Install();
    CreateModules();
    DeleteFileA((folder_ / "UICore.dll").c_str());
    EXPECT_THROW(SysDM->OpenSystem(), EFOpenError);
    EXPECT_FALSE(SysDM->UniMain->Connected());

    ASSERT_TRUE(
        CopyFileA(launcher_test::WinPath(VZ_SKIN_LIBRARY).c_str(), (folder_ / "UICore.dll").c_str(), FALSE));
    ASSERT_NE(UserSkinInfo(), nullptr);
    UserSkinInfo()->Skin->Name = "before";
    EXPECT_TRUE(SysDM->OpenSystem());
    EXPECT_EQ(UserSkinInfo()->Skin->Name, "DadavAzodo");
    EXPECT_TRUE(SysDM->UniMain->Connected());
}

// The system module's skin controller sets the root look and feel once, from its stored form,
// and is listed while the module lives.
TEST_F(DataModules, SystemModuleHoldsTheSkinControllerOfEveryWindow) {
    TcxLookAndFeel* root = GetRootLookAndFeel();
    ASSERT_NE(root, nullptr);
    const TcxLookAndFeelKind kind = root->Kind();
    const TdxSkinName skinName = root->SkinName();
    ASSERT_NE(kind, lfOffice11);
    ASSERT_TRUE(SkinControllers().empty());

    CreateModules();
    ASSERT_EQ(SkinControllers().size(), 1u);
    TdxSkinController* controller = SkinControllers()[0];
    EXPECT_EQ(controller, SysDM->dxSkinController1);
    EXPECT_EQ(controller->Owner(), SysDM);
    EXPECT_EQ(controller->Name(), "dxSkinController1");
    // Stored after the connection; the query module holds none.
    ASSERT_EQ(SysDM->ComponentCount(), 2);
    EXPECT_EQ(SysDM->Components(0), SysDM->UniMain);
    EXPECT_EQ(SysDM->Components(1), controller);
    for (int i = 0; i < DataDM->ComponentCount(); ++i)
        EXPECT_EQ(dynamic_cast<TdxSkinController*>(DataDM->Components(i)), nullptr);
    EXPECT_EQ(root->Kind(), lfOffice11);
    EXPECT_EQ(root->SkinName(), "UserSkin");
    EXPECT_FALSE(root->NativeStyle());
    EXPECT_TRUE(controller->UseSkins());

    delete SysDM;
    EXPECT_TRUE(SkinControllers().empty());
    root->SetKind(kind);
    root->SetSkinName(skinName);
}

// A database the driver cannot open (a folder in the file's place): the skin is loaded first,
// then the reconnect fails and the module answers False without raising.
TEST_F(DataModules, BrokenDatabaseFailsOpenSystemAfterTheSkinLoaded) {
    ASSERT_TRUE(CreateDirectoryA(DatabaseFile().c_str(), nullptr));
    CreateModules();
    ASSERT_NE(UserSkinInfo(), nullptr);
    UserSkinInfo()->Skin->Name = "before";
    EXPECT_FALSE(SysDM->OpenSystem());
    EXPECT_EQ(UserSkinInfo()->Skin->Name, "DadavAzodo");
    EXPECT_FALSE(SysDM->UniMain->Connected());
    EXPECT_TRUE(GetFileAttributesA(DatabaseFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

// As the database package is installed: close, replace the file, reconnect.
TEST_F(DataModules, ReconnectAfterTheFileIsReplacedReadsTheNewFile) {
    OpenSystem();
    EXPECT_EQ(DataDM->GetSysConfig("SYSTEM", "AppVer"), "1.0.1");
    SysDM->Disconnect();
    EXPECT_FALSE(SysDM->UniMain->Connected());
    Install("replaced");
    SysDM->Reconnect();
    EXPECT_EQ(DataDM->GetSysConfig("SYSTEM", "AppVer"), "9.9.9");
    EXPECT_EQ(DataDM->GetRepType("TypeName", "'ZZS'")->FileVer, "2.0");
}

TEST_F(DataModules, TransactionsOfTheSystemModule) {
    OpenSystem();
    SysDM->StartTransaction();
    DataDM->SetSysConfig("SYSTEM", "AppVer", "5.0");
    SysDM->Rollback();
    EXPECT_EQ(Query("SELECT SysVal FROM SysConfig WHERE Name='AppVer'"), (Rows{{"1.0.1"}}));
    SysDM->StartTransaction();
    DataDM->SetSysConfig("SYSTEM", "AppVer", "6.0");
    SysDM->Commit();
    EXPECT_EQ(Query("SELECT SysVal FROM SysConfig WHERE Name='AppVer'"), (Rows{{"6.0"}}));
}

// The data module's OnCreate runs once, after the whole stored form is built.
TEST(DataModule, OnCreateRunsOnceTheModuleIsBuilt) {
    struct Probe : TDataModule {
        explicit Probe(TComponent* owner) : TDataModule(owner) {
            OnCreate = [this](TObject* sender) {
                seenSender = sender;
                seenComponents = ComponentCount();
                ++calls;
            };
            new TComponent(this);
        }
        TObject* seenSender = nullptr;
        int seenComponents = -1;
        int calls = 0;
    };
    Probe* probe = nullptr;
    Application->CreateForm(probe);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->calls, 1);
    EXPECT_EQ(probe->seenSender, probe);
    EXPECT_EQ(probe->seenComponents, 1);
    probe->AfterConstruction();
    EXPECT_EQ(probe->calls, 1);
    delete probe;

    // A module whose OnCreate raises is freed and its reference left empty.
    struct Failing : TDataModule {
        explicit Failing(TComponent* owner) : TDataModule(owner) {
            OnCreate = [](TObject*) { throw EDatabaseError("cannot create"); };
        }
    };
    Failing* failing = nullptr;
    int before = Application->ComponentCount();
    EXPECT_THROW(Application->CreateForm(failing), EDatabaseError);
    EXPECT_EQ(failing, nullptr);
    EXPECT_EQ(Application->ComponentCount(), before);
}

} // namespace
} // namespace launcher_data_test
