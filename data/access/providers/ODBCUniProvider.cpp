#include "data/access/providers/ODBCUniProvider.h"

#include "data/access/CRProps.h"
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCConnectionPool.h"
#include "data/access/providers/ODBCLoader.h"
#include "data/access/providers/ODBCMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "data/access/providers/ODBCDumpProcessor.h"
#include "data/access/providers/ODBCScriptProcessor.h"
#include "data/access/providers/ODBCServerEnumerator.h"
#include "data/access/providers/ODBCServices.h"
#include "data/memory/CompressedBlob.h"
#include "platform/db/Params.h"

const TEnumTypeInfo TDSNTypeInfo{"TDSNType", {"ntAuto", "ntName", "ntFile", "ntConnectionString"}};

namespace {
void FillConnectionOptions(TOptionsList& list) {
    // Connections with other values of the first two come from other pools.
    TClass connection = TODBCConnection::StaticClass();
    TClass key = TODBCConnectionParameters::StaticClass();
    list.Add(new TIntegerOption("ConnectionTimeout", 15, {connection, key}, prConnectionTimeout));
    list.Add(new TEnumeratorOption("DSNType", &TDSNTypeInfo, static_cast<uint8_t>(ntAuto), {connection, key},
                                   prDSNType));
    list.Add(new TBooleanOption("UseUnicode", false, {TODBCConnection::StaticClass()}, prUseUnicode));
    list.Add(new TBooleanOption("DetectFieldsOnPrepare", true, {TODBCConnection::StaticClass()},
                                prDetectFieldsOnPrepare));
}

void FillSQLOptions(TOptionsList& list) {
    list.Add(new TIntegerOption("CommandTimeout", 0, {TODBCCommand::StaticClass()}, prCommandTimeout));
}

void FillDataSetOptions(TOptionsList& list) {
    TClass recordSet = TODBCRecordSet::StaticClass();
    list.Add(new TIntegerOption("CommandTimeout", 0, {recordSet}, prCommandTimeout));
    list.Add(new TBooleanOption("ExtendedFieldsInfo", false, {recordSet}, prExtendedFieldsInfo));
    list.Add(new TBooleanOption("FetchAll", true, {recordSet}, prFetchAll));
}
} // namespace

const TUniProviderClass& TODBCUniProvider::Class() {
    static const TUniProviderClass c{&TODBCUniProvider::ProviderName, []() -> std::unique_ptr<TUniProvider> {
                                         return std::make_unique<TODBCUniProvider>(nullptr);
                                     }};
    return c;
}

TClass TODBCUniProvider::GetConnectionParametersClass() {
    return TODBCConnectionParameters::StaticClass();
}
TClass TODBCUniProvider::GetConnectionPoolManagerClass() {
    return TODBCConnectionPoolManager::StaticClass();
}
TClass TODBCUniProvider::GetInternalConnectionClass() {
    return TODBCConnection::StaticClass();
}
TClass TODBCUniProvider::GetServerEnumeratorClass() {
    return TODBCServerEnumerator::StaticClass();
}
TClass TODBCUniProvider::GetInternalTransactionClass() {
    return TODBCTransaction::StaticClass();
}
const TSQLParserClass* TODBCUniProvider::GetParserClass() {
    return ParserClassOf<TODBCParser>("TODBCParser");
}
TClass TODBCUniProvider::GetInternalCommandClass() {
    return TODBCCommand::StaticClass();
}
TClass TODBCUniProvider::GetInternalRecordSetClass() {
    return TODBCRecordSet::StaticClass();
}
TClass TODBCUniProvider::GetDataSetServiceClass() {
    return TCustomODBCDataSetService::StaticClass();
}
TClass TODBCUniProvider::GetScriptProcessorClass() {
    return TODBCScriptProcessor::StaticClass();
}
TClass TODBCUniProvider::GetLoaderClass() {
    return TODBCLoader::StaticClass();
}
TClass TODBCUniProvider::GetDumpProcessorClass() {
    return TCustomODBCDumpProcessor::StaticClass();
}
TClass TODBCUniProvider::GetDataTypesMapClass() {
    return TCustomODBCDataTypesMap::StaticClass();
}
TClass TODBCUniProvider::GetInternalMetaDataClass() {
    return TODBCMetaData::StaticClass();
}
TClass TODBCUniProvider::GetConnectDialogServiceClass() {
    return TConnectDialogService::StaticClass();
}
TClass TODBCUniProvider::GetSqlFormatterClass() {
    return TODBCFormatter::StaticClass();
}

TClass TODBCUniProvider::GetValueObjectClass(const TParam* param) {
    if (param->DataType() == ftBlob || param->DataType() == ftMemo) return TCompressedBlob::StaticClass();
    throw Exception("Unknown data type");
}

TOptionsList* TODBCUniProvider::GetConnectionOptionsList() {
    return OptionsList(connectionOptions_, FillConnectionOptions);
}

TOptionsList* TODBCUniProvider::GetSQLOptionsList() {
    return OptionsList(sqlOptions_, FillSQLOptions);
}

TOptionsList* TODBCUniProvider::GetDataSetOptionsList() {
    return OptionsList(dataSetOptions_, FillDataSetOptions);
}

namespace {
TStringList* ODBCFunctions = nullptr;
TStringList* ODBCMacros = nullptr;
} // namespace

TODBCFormatter::TODBCFormatter() {
    Functions = ODBCFunctions;
    PredefinedMacros = ODBCMacros;
}

void ODBCUniProviderUnitInitialize() {
    UniProviders->RegisterProvider(TODBCUniProvider::Class());
    TCRConnectionPoolManager::RegisterPooledConnection(
        TODBCConnectionPoolManager::StaticClass(),
        [](const TCRConnectionParameters& key, const TCRConnectionPoolManager::TPoolNotify& notify) {
            return TODBCConnectionPoolManager::PooledConnection(key, notify);
        });
    ODBCFunctions = new TStringList();
    for (const char* line :
         {"USER=USER", "CHAR_LENGTH=LENGTH(%s)", "LOCATE=POSSTR(%1:s, %0:s)", "SUBSTRING=SUBSTR(%s, %s, %s)",
          "CONCAT=%s || %s", "CHAR=CHR(%s)", "TRIM=TRIM(%s)", "TRUNCATE=TRUNCATE(%s, %s)",
          "CEILING=CEILING(%s)", "CURRENT_DATE=CURRENT_DATE", "YEAR=YEAR(%s)", "MONTH=MONTH(%s)",
          "DAY=DAY(%s)", "__DATE_TIME_LITERAL=CAST(%s AS TIMESTAMP)", "__DATE_LITERAL=CAST(%s AS DATE)",
          "__TIME_LITERAL=CAST(%s AS TIME)", "TODATE=CAST(%s AS TIMESTAMP)", "TONUMBER=CAST(%s AS DOUBLE)",
          "TOCHAR=CAST(%s AS VARCHAR)"})
        ODBCFunctions->Add(line);
    ODBCMacros = new TStringList();
    for (const char* line :
         {"PROVIDER=ODBC", "ODBC=", "DATETIME=TIMESTAMP", "DOUBLE=DOUBLE", "VARCHAR=VARCHAR"})
        ODBCMacros->Add(line);
}

void ODBCUniProviderUnitFinalize() {
    TCRConnectionPoolManager::UnRegisterPooledConnection(TODBCConnectionPoolManager::StaticClass());
    ODBCConnectionPoolFinalize();
    if (UniProviders) UniProviders->UnRegisterProvider(TODBCUniProvider::Class());
    delete ODBCFunctions;
    ODBCFunctions = nullptr;
    delete ODBCMacros;
    ODBCMacros = nullptr;
}
