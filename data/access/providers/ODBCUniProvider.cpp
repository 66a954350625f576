#include "data/access/providers/ODBCUniProvider.h"

#include "data/access/CRProps.h"
#include "data/access/providers/ODBCClasses.h"
#include "data/memory/CompressedBlob.h"
#include "platform/db/Params.h"

const TEnumTypeInfo TDSNTypeInfo{"TDSNType", {"ntAuto", "ntName", "ntFile", "ntConnectionString"}};

namespace {
// A class whose unit is not built yet: the factory fails its assertion.
TClass NotBuilt(const char* what) {
    Assert(false, AnsiString(what) + " is not available");
    return nullptr;
}

void FillConnectionOptions(TOptionsList& list) {
    // Pool parameters join the first two options' receivers when the pool comes.
    list.Add(
        new TIntegerOption("ConnectionTimeout", 15, {TODBCConnection::StaticClass()}, prConnectionTimeout));
    list.Add(new TEnumeratorOption("DSNType", &TDSNTypeInfo, static_cast<uint8_t>(ntAuto),
                                   {TODBCConnection::StaticClass()}, prDSNType));
    list.Add(new TBooleanOption("UseUnicode", false, {TODBCConnection::StaticClass()}, prUseUnicode));
    list.Add(new TBooleanOption("DetectFieldsOnPrepare", true, {TODBCConnection::StaticClass()},
                                prDetectFieldsOnPrepare));
}

void FillSQLOptions(TOptionsList& list) {
    list.Add(new TIntegerOption("CommandTimeout", 0, {TODBCCommand::StaticClass()}, prCommandTimeout));
}
} // namespace

const TUniProviderClass& TODBCUniProvider::Class() {
    static const TUniProviderClass c{&TODBCUniProvider::ProviderName, []() -> std::unique_ptr<TUniProvider> {
                                         return std::make_unique<TODBCUniProvider>(nullptr);
                                     }};
    return c;
}

TClass TODBCUniProvider::GetConnectionParametersClass() {
    return NotBuilt("Connection parameters");
}
TClass TODBCUniProvider::GetConnectionPoolManagerClass() {
    return NotBuilt("Connection pool manager");
}
TClass TODBCUniProvider::GetInternalConnectionClass() {
    return TODBCConnection::StaticClass();
}
TClass TODBCUniProvider::GetServerEnumeratorClass() {
    return NotBuilt("Server enumerator");
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
    return NotBuilt("Record set");
}
TClass TODBCUniProvider::GetDataSetServiceClass() {
    return NotBuilt("Dataset service");
}
TClass TODBCUniProvider::GetScriptProcessorClass() {
    return NotBuilt("Script processor");
}
TClass TODBCUniProvider::GetLoaderClass() {
    return NotBuilt("Loader");
}
TClass TODBCUniProvider::GetDumpProcessorClass() {
    return NotBuilt("Dump processor");
}
TClass TODBCUniProvider::GetDataTypesMapClass() {
    return NotBuilt("Data types map");
}
TClass TODBCUniProvider::GetInternalMetaDataClass() {
    return NotBuilt("Metadata");
}
TClass TODBCUniProvider::GetConnectDialogServiceClass() {
    return TConnectDialogService::StaticClass();
}
TClass TODBCUniProvider::GetSqlFormatterClass() {
    return NotBuilt("SQL formatter");
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
    // The record set's options come with the record set.
    return OptionsList(dataSetOptions_, nullptr);
}

void ODBCUniProviderUnitInitialize() {
    UniProviders->RegisterProvider(TODBCUniProvider::Class());
}

void ODBCUniProviderUnitFinalize() {
    if (UniProviders) UniProviders->UnRegisterProvider(TODBCUniProvider::Class());
}
