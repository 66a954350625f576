// Provider options, the registry and the ODBC provider's option tables, read back from real
// internal objects.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "OdbcTestSupport.h"
#include "data/access/CRProps.h"
#include "data/access/UniProvider.h"
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCConnectionPool.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "platform/db/Params.h"

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { InitializeUnits(DataAccessUnitsNamed({"UniProvider", "ODBCUniProvider"})); }
    void TearDown() override { FinalizeUnits(); }
};

TEST(OptionLine, SplitsAtTheFirstDotBeforeTheFirstEquals) {
    struct Case {
        const char* line;
        bool ok;
        const char* provider;
        const char* option;
        const char* value;
    } cases[] = {
        {"Access.UseUnicode=True", true, "Access", "UseUnicode", "True"},
        {".ConnectionTimeout=30", true, "", "ConnectionTimeout", "30"},
        {"Server=a.b.c", true, "", "Server", "a.b.c"},
        {"ODBC. Name = v.w", true, "ODBC", " Name ", " v.w"},
        {"ODBC.Name", false, "", "", ""},
        {"a.b.c=", true, "a", "b.c", ""},
    };
    for (const Case& c : cases) {
        TOptionLine parts;
        ASSERT_EQ(SplitOptionLine(c.line, parts), c.ok) << c.line;
        if (!c.ok) continue;
        EXPECT_EQ(parts.Provider, c.provider) << c.line;
        EXPECT_EQ(parts.Option, c.option) << c.line;
        EXPECT_EQ(parts.Value, c.value) << c.line;
    }
}

TEST(OptionKinds, CheckConvertAndListTheirValues) {
    TIntegerOption integer("ConnectionTimeout", 15, {}, prConnectionTimeout);
    EXPECT_TRUE(integer.IsValidText(" 30 "));
    EXPECT_EQ(integer.TextToValue(" 30 ").AsInteger(), 30);
    EXPECT_TRUE(integer.IsValidText("-2147483648"));
    EXPECT_TRUE(integer.IsValidText("2147483647"));
    EXPECT_FALSE(integer.IsValidText("-2147483647"));
    EXPECT_FALSE(integer.IsValidText("2147483648"));
    EXPECT_EQ(MessageOf([&] { integer.CheckText("abc"); }),
              "Invalid value: abc for option ConnectionTimeout");
    EXPECT_EQ(integer.ValueToText(-5), "-5");

    TBooleanOption boolean("UseUnicode", false, {}, prUseUnicode);
    EXPECT_TRUE(boolean.TextToValue("TRUE").AsBoolean());
    EXPECT_FALSE(boolean.TextToValue(" false").AsBoolean());
    EXPECT_EQ(MessageOf([&] { boolean.CheckText("yes"); }), "Invalid value: yes for option UseUnicode");
    EXPECT_EQ(boolean.ValueToText(true), "True");
    TStringList values;
    boolean.ListValues(&values);
    EXPECT_EQ(values.Text(), "False\r\nTrue\r\n");

    TEnumeratorOption dsn("DSNType", &TDSNTypeInfo, static_cast<uint8_t>(ntAuto), {}, prDSNType);
    EXPECT_FALSE(dsn.DropsPrefix());
    EXPECT_EQ(dsn.TextToValue(" ntfile ").VarType(), varByte);
    EXPECT_EQ(dsn.TextToValue(" ntfile ").AsInteger(), ntFile);
    EXPECT_EQ(dsn.ValueToText(static_cast<uint8_t>(ntName)), "ntName");
    EXPECT_EQ(MessageOf([&] { dsn.CheckText("File"); }), "Invalid value: File for option DSNType");
    values.Clear();
    dsn.ListValues(&values);
    EXPECT_EQ(values.CommaText(), "ntAuto,ntName,ntFile,ntConnectionString");

    static const TEnumTypeInfo hidden{"_TKind", {"_ka", "_kb"}};
    TEnumeratorOption prefixed("Kind", &hidden, static_cast<uint8_t>(0), {}, 1);
    EXPECT_TRUE(prefixed.DropsPrefix());
    EXPECT_EQ(prefixed.ValueToText(static_cast<uint8_t>(1)), "kb");
    EXPECT_EQ(prefixed.TextToValue("kb").AsInteger(), 1);
    EXPECT_FALSE(prefixed.IsValidText("_kb"));

    TStringOption text("Name", "", {}, 1);
    EXPECT_EQ(text.TextToValue(" a ").AsAnsiString(), " a ");
    EXPECT_TRUE(text.IsValidText(""));
}

// Option lines on a real ODBC connection, read back through its numbered properties.
TEST_F(Registry, ConnectionOptionsReachTheConnection) {
    TUniProvider* provider = UniProviders->GetProvider("odbc");
    ASSERT_NE(provider, nullptr);
    struct Case {
        std::vector<const char*> lines;
        int timeout;
        bool unicode;
        int dsnType;
        bool detect;
        const char* error;
    } cases[] = {
        {{}, 15, false, ntAuto, true, nullptr},
        {{"ODBC.ConnectionTimeout=30"}, 30, false, ntAuto, true, nullptr},
        {{"Access.ConnectionTimeout=30"}, 15, false, ntAuto, true, nullptr},
        {{".ConnectionTimeout= 31 ", "ODBC.UseUnicode=TRUE"}, 31, true, ntAuto, true, nullptr},
        {{"odbc.connectiontimeout=7", "ODBC.ConnectionTimeout=8"}, 7, false, ntAuto, true, nullptr},
        {{"ODBC. ConnectionTimeout=9", "ODBC.NoSuchOption=1", "junk"}, 15, false, ntAuto, true, nullptr},
        {{"ODBC.DSNType=ntFile", "ODBC.DetectFieldsOnPrepare=False"}, 15, false, ntFile, false, nullptr},
        {{"ODBC.ConnectionTimeout=abc"},
         0,
         false,
         0,
         false,
         "Invalid value: abc for option ConnectionTimeout"},
        {{"ODBC.ConnectionTimeout=-2147483647"},
         0,
         false,
         0,
         false,
         "Invalid value: -2147483647 for option ConnectionTimeout"},
        {{"ODBC.UseUnicode=yes"}, 0, false, 0, false, "Invalid value: yes for option UseUnicode"},
    };
    for (const Case& c : cases) {
        TODBCConnection connection;
        // Set every option away from its default first: absent lines must bring the default back.
        TStringList away;
        away.Add("ConnectionTimeout=99");
        away.Add("UseUnicode=True");
        away.Add("DSNType=ntName");
        away.Add("DetectFieldsOnPrepare=False");
        provider->ApplyProviderOptions(&connection, &away);
        TStringList lines;
        for (const char* line : c.lines)
            lines.Add(line);
        AnsiString context = lines.CommaText();
        if (c.error) {
            EXPECT_EQ(MessageOf([&] { provider->ApplyProviderOptions(&connection, &lines); }), c.error)
                << context;
            continue;
        }
        provider->ApplyProviderOptions(&connection, &lines);
        Variant v;
        connection.GetProp(prConnectionTimeout, v);
        EXPECT_EQ(v.AsInteger(), c.timeout) << context;
        connection.GetProp(prUseUnicode, v);
        EXPECT_EQ(v.AsBoolean(), c.unicode) << context;
        connection.GetProp(prDSNType, v);
        EXPECT_EQ(v.AsInteger(), c.dsnType) << context;
        connection.GetProp(prDetectFieldsOnPrepare, v);
        EXPECT_EQ(v.AsBoolean(), c.detect) << context;
    }
}

TEST_F(Registry, SQLOptionsReachExactlyTheCommandClass) {
    TUniProvider* provider = UniProviders->GetProvider("ODBC");
    TODBCCommand command;
    TStringList lines;
    lines.Add("CommandTimeout=12");
    provider->ApplyProviderOptions(&command, &lines);
    Variant v;
    command.GetProp(prCommandTimeout, v);
    EXPECT_EQ(v.AsInteger(), 12);
    lines.Clear();
    provider->ApplyProviderOptions(&command, &lines);
    command.GetProp(prCommandTimeout, v);
    EXPECT_EQ(v.AsInteger(), 0);

    // A descendant of the target class is not a target.
    class TLocalConnection : public
                             TODBCConnection{public : VZ_CLASS(TLocalConnection, TODBCConnection)} descendant;
    lines.Add("ConnectionTimeout=44");
    provider->ApplyProviderOptions(&descendant, &lines);
    descendant.GetProp(prConnectionTimeout, v);
    EXPECT_NE(v.AsInteger(), 44);
}

TEST_F(Registry, PoolKeysGetTheFirstTwoConnectionOptions) {
    TUniProvider* provider = UniProviders->GetProvider("ODBC");
    EXPECT_EQ(provider->GetConnectionParametersClass(), TODBCConnectionParameters::StaticClass());
    TODBCConnectionParameters key;
    TStringList lines;
    lines.Add("ConnectionTimeout=40");
    lines.Add("DSNType=ntName");
    lines.Add("UseUnicode=True"); // not a key option: never reaches the key's setter
    provider->ApplyProviderOptions(&key, &lines);
    EXPECT_EQ(key.ConnectionTimeout, 40);
    EXPECT_EQ(key.DSNType, ntName);
    TODBCConnectionParameters other;
    other.Assign(&key);
    EXPECT_TRUE(other.SameAs(&key));
    lines.Clear();
    provider->ApplyProviderOptions(&other, &lines);
    EXPECT_EQ(other.ConnectionTimeout, 15);
    EXPECT_FALSE(other.SameAs(&key));
}

TEST_F(Registry, KnowsThirteenProvidersAndRegistersOnlyKnownNames) {
    TList* list = UniProviders->LockList();
    std::vector<AnsiString> names;
    for (int i = 0; i < list->Count(); ++i)
        names.push_back(static_cast<TUniProviderDesc*>(list->Items(i))->ProviderName);
    UniProviders->UnlockList();
    std::vector<AnsiString> expected{"Access",     "Advantage",  "ASE",     "DB2",  "DBF",
                                     "InterBase",  "MySQL",      "NexusDB", "ODBC", "Oracle",
                                     "PostgreSQL", "SQL Server", "SQLite"};
    EXPECT_EQ(names, expected);

    EXPECT_EQ(UniProviders->FindProviderDesc("odbc")->ProviderName, "ODBC");
    EXPECT_EQ(UniProviders->FindProviderDesc("sql server")->ShortName, "SQLServer");
    EXPECT_EQ(UniProviders->FindProviderDesc("Nope"), nullptr);
    EXPECT_EQ(UniProviders->GetProvider("MySQL"), nullptr);
    EXPECT_EQ(UniProviders->GetProvider("Nope"), nullptr);
    EXPECT_EQ(UniProviders->GetProviderDesc("MySQL")->PackageName, "myprovider");
    EXPECT_EQ(MessageOf([] { UniProviders->GetProviderDesc("Nope"); }), "Nope is not a valid provider name");

    UniProviders->AddProviderDesc("odbc", "Other", "other", "", "");
    EXPECT_EQ(UniProviders->FindProviderDesc("ODBC")->ShortName, "ODBC");

    static const TUniProviderClass unknown{
        [] { return AnsiString("Informix"); },
        []() -> std::unique_ptr<TUniProvider> { return std::make_unique<TODBCUniProvider>(nullptr); }};
    EXPECT_EQ(MessageOf([] { UniProviders->RegisterProvider(unknown); }),
              "Informix is not a valid provider name");

    EXPECT_EQ(MessageOf([] { RaiseProviderNotRegistered(""); }), "Provider is not defined");
    EXPECT_EQ(
        MessageOf([] { RaiseProviderNotRegistered("sql server"); }),
        "SQL Server provider is not registered. You should add the SQLServerUniProvider unit to the uses "
        "clause of any unit in your project or place the TSQLServerUniProvider component on the form.");
    EXPECT_EQ(MessageOf([] { RaiseProviderNotRegistered("Nope"); }), "Nope is not a valid provider name");

    ODBCUniProviderUnitFinalize();
    EXPECT_EQ(UniProviders->GetProvider("ODBC"), nullptr);
    ODBCUniProviderUnitInitialize();
    EXPECT_NE(UniProviders->GetProvider("ODBC"), nullptr);
}

TEST_F(Registry, BaseProviderAnswers) {
    TUniProvider* provider = UniProviders->GetProvider("ODBC");
    EXPECT_FALSE(provider->SupportsDatabase());
    EXPECT_FALSE(provider->SupportsPort());
    EXPECT_TRUE(provider->TreatsUnknownParamsAsOutput());
    EXPECT_TRUE(provider->SupportsPooling());
    EXPECT_EQ(provider->GetProviderText(), "");
    EXPECT_EQ(provider->GetInternalConnectionClass(), TODBCConnection::StaticClass());
    EXPECT_EQ(provider->GetInternalCommandClass(), TODBCCommand::StaticClass());
    EXPECT_EQ(provider->GetInternalTransactionClass(), TODBCTransaction::StaticClass());
    for (TOptionsList* list : {provider->GetScriptOptionsList(), provider->GetLoaderOptionsList(),
                               provider->GetDumpOptionsList(), provider->GetAlerterOptionsList()}) {
        EXPECT_EQ(list->Count(), 0);
        EXPECT_EQ(list->ProviderName(), "ODBC");
    }
    EXPECT_EQ(provider->GetScriptOptionsList(), provider->GetScriptOptionsList());

    TParam blob;
    blob.SetDataType(ftBlob);
    EXPECT_EQ(provider->GetValueObjectClass(&blob), TCompressedBlob::StaticClass());
    TParam number;
    number.SetDataType(ftInteger);
    EXPECT_EQ(MessageOf([&] { provider->GetValueObjectClass(&number); }), "Unknown data type");

    TConnectDialogService service;
    Variant v;
    EXPECT_THROW(service.SetProp(7, 1), EAssertionFailed);
    EXPECT_THROW(service.GetProp(7, v), EAssertionFailed);
    EXPECT_EQ(service.GetDefaultDatabasePort(), 1);
    EXPECT_FALSE(service.UseDatabaseHistory());
    EXPECT_TRUE(service.PortEnabled());
}

// Connections of several threads ask a fresh provider for its lists at once: each list is made
// once and every thread sees it whole.
TEST(ProviderOptionLists, EightThreadsGetOneWholeListEach) {
    for (int round = 0; round < 20; ++round) {
        TODBCUniProvider provider(nullptr);
        std::atomic<int> ready{0};
        std::vector<TOptionsList*> seen(8);
        std::vector<int> counts(8);
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t)
            threads.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < 8) {
                }
                seen[t] = provider.GetConnectionOptionsList();
                counts[t] = seen[t]->Count();
            });
        for (auto& thread : threads)
            thread.join();
        for (int t = 0; t < 8; ++t) {
            EXPECT_EQ(seen[t], seen[0]);
            EXPECT_EQ(counts[t], 4);
        }
    }
}

} // namespace
