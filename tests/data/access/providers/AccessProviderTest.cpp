// The Access provider through the driver manager and the stand-in driver.
#include <gtest/gtest.h>

#include "OdbcTestSupport.h"
#include "data/access/CRProps.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/memory/FieldDescs.h"

namespace {

[[maybe_unused]] testing::Environment* const kAccessUnits = testing::AddGlobalTestEnvironment(
    new DataAccessUnitsEnvironment({"UniProvider", "ODBCUniProvider", "AccessUniProvider"}));

TEST(AccessConnectionString, IsBuiltFromTheDatabaseFileAndOptions) {
    const std::string newer = "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};";
    struct Case {
        const char* database;
        const char* user;
        const char* password;
        bool exclusive;
        const char* systemDb;
        bool extended;
        std::string expected;
    } cases[] = {
        {"C:\\App\\VazEvor.mdb", "", "", false, "", false,
         newer + "DefaultDir=C:\\App\\;DBQ=C:\\App\\VazEvor.mdb;UID=;PWD="},
        {"x.mdb", "u", "p", false, "", false, newer + "DefaultDir=;DBQ=x.mdb;UID=u;PWD=p"},
        {"D:x.mdb", "", "", false, "", false, newer + "DefaultDir=D:;DBQ=D:x.mdb;UID=;PWD="},
        {"C:\\a\\x.mdb", "", "pw", true, "C:\\s.mdw", true,
         newer + "DefaultDir=C:\\a\\;DBQ=C:\\a\\x.mdb;UID=;PWD=pw;Exclusive=1;SystemDB=C:\\s.mdw;"
                 "ExtendedAnsiSQL=1"},
        {"C:\\a\\x.mdb", "", "", false, "", true,
         newer + "DefaultDir=C:\\a\\;DBQ=C:\\a\\x.mdb;UID=;PWD=;ExtendedAnsiSQL=1"},
        // A ";" or a leading "{" would cut the string or add keywords: such values are braced.
        {"C:\\a;b\\x.mdb", "", "p;w", false, "", false,
         newer + "DefaultDir={C:\\a;b\\};DBQ={C:\\a;b\\x.mdb};UID=;PWD={p;w}"},
        {"C:\\x.mdb", "{u}", "a}b", false, "", false,
         newer + "DefaultDir=C:\\;DBQ=C:\\x.mdb;UID={{u}}};PWD=a}b"},
    };
    for (const Case& c : cases) {
        TAccessConnection connection;
        connection.SetProp(prDatabase, AnsiString(c.database));
        connection.SetUsername(c.user);
        connection.SetPassword(c.password);
        connection.SetProp(prExclusiveLock, c.exclusive);
        connection.SetProp(prSystemDatabase, AnsiString(c.systemDb));
        connection.SetProp(prExtendedAnsiSQL, c.extended);
        EXPECT_EQ(connection.GetConnectionString(), c.expected) << c.database;
    }
}

TEST(AccessProvider, OptionsAndAnswers) {
    TUniProvider* provider = UniProviders->GetProvider("access");
    ASSERT_NE(provider, nullptr);
    EXPECT_TRUE(provider->SupportsDatabase());
    EXPECT_FALSE(provider->SupportsPooling());
    EXPECT_FALSE(provider->TreatsUnknownParamsAsOutput());
    EXPECT_EQ(provider->GetInternalConnectionClass(), TAccessConnection::StaticClass());
    EXPECT_EQ(provider->GetSqlFormatterClass(), TAccessFormatter::StaticClass());

    TAccessConnection connection;
    TStringList lines;
    lines.Add("Access.ExclusiveLock=True");
    lines.Add("Access.SystemDatabase= C:\\s.mdw");
    lines.Add("ODBC.ExtendedAnsiSQL=True");
    lines.Add("DSNType=ntFile");
    provider->ApplyProviderOptions(&connection, &lines);
    EXPECT_TRUE(connection.ExclusiveLock);
    EXPECT_EQ(connection.SystemDatabase, " C:\\s.mdw"); // a text option keeps its blanks
    EXPECT_FALSE(connection.ExtendedAnsiSQL);
    EXPECT_EQ(connection.DSNType, ntAuto);
    Variant v;
    connection.GetProp(prConnectionTimeout, v);
    EXPECT_EQ(v.AsInteger(), 15);
    EXPECT_TRUE(connection.GetProp(prDefaultTextParamSize, v));
    EXPECT_EQ(v.AsInteger(), 255);
    TODBCConnection odbc;
    odbc.GetProp(prDefaultTextParamSize, v);
    EXPECT_EQ(v.AsInteger(), 8000);
    EXPECT_EQ(provider->GetConnectionOptionsList()->Count(), 5);
    EXPECT_EQ(provider->GetConnectionOptionsList()->ProviderName(), "Access");

    TAccessCommand command;
    command.SetConnection(&connection);
    TSQLInfo* info = command.GetSQLInfo();
    EXPECT_EQ(info->LeftQuote(), '[');
    EXPECT_EQ(info->RightQuote(), ']');
    EXPECT_EQ(info->IdentCase(), icMixed);
    EXPECT_EQ(command.LongBinaryLength(1073741823), 0u);
    EXPECT_EQ(command.LongBinaryLength(2147483647), 0u);
    EXPECT_EQ(command.LongBinaryLength(100), 100u);
    // A colon inside brackets is part of the name, not a parameter.
    command.SetSQL("SELECT [a:b], :c FROM [Order Details]");
    EXPECT_EQ(command.ParamCount(), 1);
    EXPECT_EQ(command.GetParam(0)->GetName(), "c");
}

class AccessDatabase : public testing::Test {
protected:
    void SetUp() override {
        std::string dir = BuildFolderUnix("access-provider-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        // A folder whose name holds ";": the path reaches the driver whole.
        folder = "Z:" + dir + "/a;b";
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string unixFile = dir + "/a;b/t" + std::to_string(GetCurrentProcessId()) + ".mdb";
        file = "Z:" + unixFile;
        for (char& c : file)
            if (c == '/') c = '\\';
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
        connection.SetProp(prDatabase, AnsiString(file));
        connection.SetPassword("secret");
        connection.Connect("");
    }
    void TearDown() override {
        connection.Disconnect();
        DeleteFileA(file.c_str());
    }
    std::string folder, file;
    TAccessConnection connection;
};

TEST_F(AccessDatabase, OpensInAFolderWithASemicolonAndAnswersTheIdentity) {
    Exec(connection, "CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(20))");
    Exec(connection, "INSERT INTO t (name) VALUES ('one')");
    Exec(connection, "INSERT INTO t (name) VALUES ('two')");
    EXPECT_EQ(QueryValue(connection, "SELECT @@IDENTITY"), "2");
    EXPECT_EQ(QueryValue(connection, "select @@identity ;"), "2");
    EXPECT_EQ(QueryValue(connection, "SELECT count(*) FROM t"), "2");
}

TEST_F(AccessDatabase, EmptyTextParameterIsNullAndCommentsAreStripped) {
    Exec(connection, "CREATE TABLE p (v VARCHAR(20))");
    TAccessCommand command;
    command.SetConnection(&connection);
    command.SetSQL("INSERT INTO [p] (v) VALUES (:v) -- note");
    auto* param = static_cast<TODBCParamDesc*>(command.GetParam(0));
    param->SetDataType(tcString);
    param->SetParamType(pdInput);
    param->SetSize(20);
    param->SetValue(AnsiString());
    command.Execute();
    EXPECT_EQ(QueryValue(connection, "SELECT coalesce(v, '<was null>') FROM p"), "<was null>");

    // The ODBC provider sends the same value with zero length.
    std::string plainFile =
        BuildFolderUnix("access-provider-tests") + "/plain" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(("Z:" + plainFile).c_str());
    TODBCConnection plain;
    plain.SetServer(("DRIVER={SQLite3};Database=" + plainFile).c_str());
    plain.Connect("");
    Exec(plain, "CREATE TABLE p (v VARCHAR(20))");
    TODBCCommand odbc;
    odbc.SetConnection(&plain);
    odbc.SetSQL("INSERT INTO p (v) VALUES (:v)");
    auto* p2 = static_cast<TODBCParamDesc*>(odbc.GetParam(0));
    p2->SetDataType(tcString);
    p2->SetParamType(pdInput);
    p2->SetSize(20);
    p2->SetValue(AnsiString());
    odbc.Execute();
    EXPECT_EQ(QueryValue(plain, "SELECT '[' || v || ']' FROM p"), "[]");
    plain.Disconnect();
    DeleteFileA(("Z:" + plainFile).c_str());
}

// Run once more by CTest on a configuration that has only the older driver name
// (VZ_ODBCSYSINI_OVERRIDE set): the string names that driver and the database still opens.
TEST_F(AccessDatabase, ConnectsWithTheDriverTheMachineHas) {
    bool olderOnly = std::getenv("VZ_ODBCSYSINI_OVERRIDE") != nullptr;
    AnsiString text = connection.GetConnectionString();
    EXPECT_EQ(text.rfind(olderOnly ? "DRIVER={Microsoft Access Driver (*.mdb)};"
                                   : "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};",
                         0),
              0u)
        << text;
    EXPECT_TRUE(connection.GetConnected());
    EXPECT_EQ(QueryValue(connection, "SELECT 1 + 1"), "2");
}
TEST_F(AccessDatabase, TheProvidersLoaderInsertsRowsThatReadBack) {
    Exec(connection, "CREATE TABLE [load me] (a INTEGER, b VARCHAR(20))");
    auto loader = UniProviders->GetProvider("Access")->GetLoaderClass()->Create<TCRSimpleLoader>();
    loader->SetConnection(&connection);
    loader->TableName = "load me";
    for (auto [name, type] : {std::pair<const char*, uint16_t>{"a", tcInt32}, {"b", tcString}}) {
        auto* column = new TCRLoaderColumn();
        column->Name = name;
        column->DataType = type;
        column->Size = type == tcString ? 20 : 0;
        loader->Columns().Add(column);
    }
    loader->Prepare();
    // The name with a blank is quoted the Access way.
    EXPECT_EQ(std::string(loader->Command()->SQL().c_str()), "INSERT INTO [load me](a,b) VALUES (?,?)");
    loader->PutColumnData(0, 1, 1);
    loader->PutColumnData(1, 1, AnsiString("one"));
    loader->PutColumnData(0, 2, 2);
    loader->PutColumnData(1, 3, AnsiString("three"));
    loader->DoLoad();
    loader->Finish();
    auto rows = QueryRows(connection, "SELECT a, b FROM [load me] ORDER BY rowid");
    std::vector<std::vector<std::string>> expected{{"1", "one"}, {"2", "<null>"}, {"<null>", "three"}};
    EXPECT_EQ(rows, expected);

    // The provider's record set reads them back, its statement stripped of the comment first.
    auto recordSet = UniProviders->GetProvider("Access")->GetInternalRecordSetClass()->Create<TCRRecordSet>();
    recordSet->SetConnection(&connection);
    recordSet->SetSQL("SELECT [b] FROM [load me] -- the loaded rows\nWHERE [a] IS NOT NULL ORDER BY [a]");
    recordSet->Open();
    EXPECT_EQ(recordSet->GetRecordCount(), 2);
    void* buffer = nullptr;
    recordSet->AllocRecBuf(buffer);
    recordSet->SetToBegin();
    std::vector<std::string> names;
    for (recordSet->GetNextRecord(buffer); !recordSet->IsEOF(); recordSet->GetNextRecord(buffer)) {
        Variant v;
        recordSet->GetFieldAsVariant(1, buffer, v);
        names.push_back(v.IsNull() ? "<null>" : v.AsAnsiString().c_str());
    }
    recordSet->FreeRecBuf(buffer);
    EXPECT_EQ(names, (std::vector<std::string>{"one", "<null>"}));
    recordSet->Close();
}
} // namespace
