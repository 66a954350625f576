#pragma once
// The ODBC provider: the classes and options the unified layer asks for under the name "ODBC".
#include "data/access/UniProvider.h"
#include "data/access/UniSqlFormatter.h"
#include "data/memory/DataSetServices.h"

class TODBCUniProvider : public TUniProvider {
public:
    VZ_CLASS(TODBCUniProvider, TUniProvider)
    explicit TODBCUniProvider(TComponent* owner) : TUniProvider(owner) {}

    static AnsiString ProviderName() { return "ODBC"; }
    static const TUniProviderClass& Class();

    AnsiString GetProviderName() const override { return ProviderName(); }
    TClass GetConnectionParametersClass() override;
    TClass GetConnectionPoolManagerClass() override;
    TClass GetInternalConnectionClass() override;
    TClass GetServerEnumeratorClass() override;
    TClass GetInternalTransactionClass() override;
    const TSQLParserClass* GetParserClass() override;
    TClass GetInternalCommandClass() override;
    TClass GetInternalRecordSetClass() override;
    TClass GetDataSetServiceClass() override;
    TClass GetScriptProcessorClass() override;
    TClass GetLoaderClass() override;
    TClass GetDumpProcessorClass() override;
    TClass GetDataTypesMapClass() override;
    TClass GetInternalMetaDataClass() override;
    TClass GetConnectDialogServiceClass() override;
    TClass GetSqlFormatterClass() override;
    // Blobs and memos are held compressed.
    TClass GetValueObjectClass(const TParam* param) override;
    TOptionsList* GetConnectionOptionsList() override;
    TOptionsList* GetSQLOptionsList() override;
    TOptionsList* GetDataSetOptionsList() override;
};

// The base mapping, unchanged.
class TCustomODBCDataTypesMap : public TDataTypesMap {
public:
    VZ_CLASS(TCustomODBCDataTypesMap, TDataTypesMap)
};

// Function map and macros of ODBC; the lists are made when the provider unit starts.
class TODBCFormatter : public TUniSqlFormatter {
public:
    VZ_CLASS(TODBCFormatter, TUniSqlFormatter)
    TODBCFormatter();
};

// The names of the ODBC data source kinds, for the "DSNType" option.
extern const TEnumTypeInfo TDSNTypeInfo;

void ODBCUniProviderUnitInitialize();
void ODBCUniProviderUnitFinalize();
