#pragma once
// ODBC metadata: catalog functions in place of a prepared statement, their results copied into
// the fixed layouts of the metadata kinds.
#include "data/access/CRMetaData.h"
#include "data/access/providers/ODBCRecordSet.h"

class TMetaDataArgs : public TObject {
public:
    VZ_CLASS(TMetaDataArgs, TObject)
    AnsiString CatalogName;
    AnsiString SchemaName;
    AnsiString ObjectName;
    AnsiString TableTypes;
    AnsiString ColumnName;
    uint16_t Option1 = 0;
    uint16_t Option2 = 0;
    uint16_t Option3 = 0;

    void Clear() {
        CatalogName = SchemaName = ObjectName = TableTypes = ColumnName = AnsiString();
        Option1 = Option2 = Option3 = 0;
    }
};

// Catalog kinds.
constexpr int mkTables = 0;
constexpr int mkColumns = 1;
constexpr int mkProcedures = 2;
constexpr int mkProcedureColumns = 3;
constexpr int mkStatistics = 4;
constexpr int mkSpecialColumns = 5;

class TODBCMetaDataCommand : public TODBCCommand {
public:
    VZ_CLASS(TODBCMetaDataCommand, TODBCCommand)
    TODBCMetaDataCommand();

    void InternalPrepare() override {}
    void InternalExecute() override;
    void SetMetaDataKind(int kind);
    int MetaDataKind() const { return kind_; }
    TMetaDataArgs& Args() { return *args_; }

private:
    int kind_ = mkTables;
    std::unique_ptr<TMetaDataArgs> args_;
};

class TODBCMetaDataRecordSet : public TODBCRecordSet {
public:
    VZ_CLASS(TODBCMetaDataRecordSet, TODBCRecordSet)
    TODBCMetaDataRecordSet();
    void CreateCommand() override;
    void DetectCommandType() override { CommandType = ctRows; }
    TODBCMetaDataCommand* MetaDataCommand() const { return static_cast<TODBCMetaDataCommand*>(GetCommand()); }
};

class TODBCMetaData : public TCRMetaData {
public:
    VZ_CLASS(TODBCMetaData, TCRMetaData)
    TODBCMetaData() = default;

    TCRRecordSet* CreateRecordSet() override { return new TODBCMetaDataRecordSet(); }
    TData* InternalGetMetaData(const AnsiString& kind, TStrings& restrictions) override;
    void GetMetaDataKindsList(TStrings& list) override;
    void GetRestrictionsList(TStrings& list, const AnsiString& kind) override;
    TData* GetTables(TStrings& restrictions) override;
    TData* GetColumns(TStrings& restrictions) override;
    TData* GetProcedures(TStrings& restrictions) override;
    TData* GetProcedureParameters(TStrings& restrictions) override;
    TData* GetIndexes(TStrings& restrictions) override;
    TData* GetIndexColumns(TStrings& restrictions) override;
    TData* GetConstraints(TStrings& restrictions) override;

    virtual void CopyTablesData();
    virtual void CopyColumnsData();
    virtual void CopyProceduresData();
    virtual void CopyProcedureParametersData();
    virtual void CopyIndexesData();
    virtual void CopyIndexColumnsData();
    TData* GetSpecialColumns(TStrings& restrictions);
    void CreateSpecialColumnsFields();
    void CopySpecialColumnsData(const AnsiString& catalog, const AnsiString& schema, const AnsiString& table);

private:
    TODBCMetaDataRecordSet* MetaRecordSet() { return static_cast<TODBCMetaDataRecordSet*>(RecordSet()); }
    TODBCMetaDataCommand* Command() { return MetaRecordSet()->MetaDataCommand(); }
    TODBCConnection* Connection() { return Command()->Connection(); }
    // Unquoted and in the data source's case.
    AnsiString Normalize(const AnsiString& name);
    // Runs the catalog call, builds the layout and fills it with copy; a driver that cannot answer
    // gives the empty layout, a lost connection raises.
    TData* Run(int kind, void (TCRMetaData::*layout)(), void (TODBCMetaData::*copy)());
    void CopySpecialColumns();

    AnsiString specialCatalog_, specialSchema_, specialTable_;
};
