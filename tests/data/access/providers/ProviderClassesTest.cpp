// The classes and dataset options the ODBC and Access providers hand out, made from the classes
// they name and used against the real drivers.
#include <gtest/gtest.h>

#include "OdbcTestSupport.h"
#include "data/access/CRProps.h"
#include "data/access/DAScript.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCDumpProcessor.h"
#include "data/access/providers/ODBCLoader.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "data/access/providers/ODBCScriptProcessor.h"
#include "data/access/providers/ODBCServerEnumerator.h"

namespace {

TEST(ProviderClasses, EachProviderNamesItsOwnClasses) {
    TUniProvider* odbc = UniProviders->GetProvider("ODBC");
    TUniProvider* access = UniProviders->GetProvider("Access");
    ASSERT_NE(odbc, nullptr);
    ASSERT_NE(access, nullptr);
    struct Case {
        const char* name;
        TClass (TUniProvider::*factory)();
        TClass odbc, access;
    } cases[] = {
        {"record set", &TUniProvider::GetInternalRecordSetClass, TODBCRecordSet::StaticClass(),
         TAccessRecordSet::StaticClass()},
        {"loader", &TUniProvider::GetLoaderClass, TODBCLoader::StaticClass(), TAccessLoader::StaticClass()},
        {"metadata", &TUniProvider::GetInternalMetaDataClass, TODBCMetaData::StaticClass(),
         TODBCMetaData::StaticClass()},
        {"script processor", &TUniProvider::GetScriptProcessorClass, TODBCScriptProcessor::StaticClass(),
         TODBCScriptProcessor::StaticClass()},
        {"dump processor", &TUniProvider::GetDumpProcessorClass, TCustomODBCDumpProcessor::StaticClass(),
         TCustomODBCDumpProcessor::StaticClass()},
        {"server enumerator", &TUniProvider::GetServerEnumeratorClass, TODBCServerEnumerator::StaticClass(),
         TODBCServerEnumerator::StaticClass()},
        {"data types map", &TUniProvider::GetDataTypesMapClass, TCustomODBCDataTypesMap::StaticClass(),
         TCustomODBCDataTypesMap::StaticClass()},
        {"alerter", &TUniProvider::GetAlerterClass, TCRDummyAlerter::StaticClass(),
         TCRDummyAlerter::StaticClass()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((odbc->*c.factory)(), c.odbc) << c.name;
        EXPECT_EQ((access->*c.factory)(), c.access) << c.name;
    }
    // The Access record set and loader work through Access commands.
    auto recordSet = access->GetInternalRecordSetClass()->Create<TCRRecordSet>();
    EXPECT_NE(dynamic_cast<TAccessCommand*>(recordSet->GetCommand()), nullptr);
    auto loader = access->GetLoaderClass()->Create<TCRSimpleLoader>();
    EXPECT_NE(dynamic_cast<TAccessCommand*>(loader->Command()), nullptr);
    EXPECT_EQ(loader->GetRecordSetClass(), TAccessRecordSet::StaticClass());
    auto odbcLoader = odbc->GetLoaderClass()->Create<TCRSimpleLoader>();
    EXPECT_EQ(odbcLoader->Command()->ClassType(), TODBCCommand::StaticClass());
}

TEST(ProviderClasses, DataSetOptionsReachTheProvidersOwnRecordSet) {
    struct Case {
        const char* provider;
        TClass recordSet;
        std::vector<const char*> lines;
        int commandTimeout;
        bool extendedFieldsInfo, fetchAll;
    } cases[] = {
        {"ODBC", TODBCRecordSet::StaticClass(), {}, 0, false, true},
        {"ODBC",
         TODBCRecordSet::StaticClass(),
         {"CommandTimeout=30", "ODBC.ExtendedFieldsInfo=True", "FetchAll=False"},
         30,
         true,
         false},
        {"Access", TAccessRecordSet::StaticClass(), {}, 0, true, true},
        {"Access",
         TAccessRecordSet::StaticClass(),
         {"Access.CommandTimeout=7", "ExtendedFieldsInfo=False", "ODBC.FetchAll=False"},
         7,
         false,
         true},
        // The options name the provider's own class only: an Access record set takes none of ODBC's.
        {"ODBC", TAccessRecordSet::StaticClass(), {"CommandTimeout=30", "FetchAll=False"}, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.provider) + " " + c.recordSet->ClassName().c_str());
        auto recordSet = c.recordSet->Create<TCRRecordSet>();
        recordSet->SetProp(prExtendedFieldsInfo, false);
        TStringList lines;
        for (const char* line : c.lines)
            lines.Add(line);
        UniProviders->GetProvider(c.provider)->ApplyProviderOptions(recordSet.get(), &lines);
        Variant v;
        ASSERT_TRUE(recordSet->GetProp(prCommandTimeout, v));
        EXPECT_EQ(v.AsInteger(), c.commandTimeout);
        ASSERT_TRUE(recordSet->GetProp(prExtendedFieldsInfo, v));
        EXPECT_EQ(v.AsBoolean(), c.extendedFieldsInfo);
        ASSERT_TRUE(recordSet->GetProp(prFetchAll, v));
        EXPECT_EQ(v.AsBoolean(), c.fetchAll);
    }
    EXPECT_EQ(UniProviders->GetProvider("ODBC")->GetDataSetOptionsList()->Count(), 3);
    EXPECT_EQ(UniProviders->GetProvider("Access")->GetDataSetOptionsList()->ProviderName(), "Access");
    // A value the option cannot take is refused.
    auto recordSet = TODBCRecordSet::StaticClass()->Create<TCRRecordSet>();
    TStringList bad;
    bad.Add("FetchAll=maybe");
    EXPECT_NE(
        MessageOf([&] { UniProviders->GetProvider("ODBC")->ApplyProviderOptions(recordSet.get(), &bad); }),
        "<no error>");
}

TEST(ProviderClasses, TheDummyAlerterRefusesEveryUse) {
    auto alerter = UniProviders->GetProvider("ODBC")->GetAlerterClass()->Create<TCRAlerter>();
    TStringList none;
    UniProviders->GetProvider("ODBC")->ApplyProviderOptions(alerter.get(), &none);
    const std::string text = "Event notification is not supported by DBMS or provider";
    EXPECT_EQ(MessageOf([&] { alerter->Start(); }), text);
    EXPECT_EQ(MessageOf([&] { alerter->Stop(); }), text);
    EXPECT_EQ(MessageOf([&] { alerter->SendEvent("e", "m"); }), text);
}

TEST(ProviderClasses, TheODBCMetadataClassReadsTheCatalog) {
    std::string dir = BuildFolderUnix("odbc-provider-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = dir + "/classes-" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(("Z:" + file).c_str());
    {
        TODBCConnection connection;
        connection.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        connection.Connect("");
        Exec(connection, "CREATE TABLE first_table (a INTEGER)");
        auto metaData = UniProviders->GetProvider("ODBC")->GetInternalMetaDataClass()->Create<TCRMetaData>();
        TStringList restrictions;
        restrictions.Add("TABLE_NAME=first_table");
        TData* data = metaData->GetMetaData(&connection, nullptr, "Tables", restrictions);
        void* buffer = nullptr;
        data->AllocRecBuf(buffer);
        data->SetToBegin();
        std::vector<std::string> names;
        for (data->GetNextRecord(buffer); !data->IsEOF(); data->GetNextRecord(buffer)) {
            Variant v;
            data->GetFieldAsVariant(data->FindFieldDesc("TABLE_NAME")->Position, buffer, v);
            names.push_back(v.AsAnsiString().c_str());
        }
        data->FreeRecBuf(buffer);
        EXPECT_EQ(names, std::vector<std::string>{"first_table"});
    }
    DeleteFileA(("Z:" + file).c_str());
}

} // namespace
