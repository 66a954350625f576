#pragma once
// The SQL dataset's service: which table the dataset writes to, which fields identify a record
// and which fields a generated statement may write; it owns the dataset's statement generator.
#include <memory>

#include "data/access/DASQLGenerator.h"
#include "data/memory/DataSetServices.h"

class TCustomDADataSet;
class TCRRecordSet;
class TCRTablesInfo;
class TColumnsInfo;
class TDAParams;

class TDADataSetService : public TDataSetService {
public:
    VZ_CLASS(TDADataSetService, TDataSetService)
    explicit TDADataSetService(TComponent* dataSet);
    ~TDADataSetService() override;

    virtual void CreateSQLGenerator();
    virtual void SetSQLGenerator(TDASQLGenerator* generator);
    // The parameters of a detail whose master is not open; the base leaves them as they are.
    virtual void AssignParams(TDAParams*) {}
    void PrepareFieldInfo() override;
    // After the fields exist: origins, auto-increment flags and, with DefaultValues, defaults.
    virtual void InitFieldsProperties();
    virtual void FillDefaultValues();
    // A provider completes the select list's columns from the server: their tables and defaults.
    virtual void FillExtFieldsInfo(TColumnsInfo&) {}
    void EnsureFieldInfo() {
        if (!keyInfoReady_) PrepareFieldInfo();
    }
    virtual void InitUpdatingTable();
    virtual void MarkFieldDescsReadOnly();
    // The dataset's data fields follow the updating table: only the fields of its own columns stay
    // writable (with the option on and the dataset not read-only).
    virtual void SetFieldsReadOnly();
    // False: the record set does not tell each field's table, the select list is matched instead.
    virtual bool FieldTablesKnown() { return true; }
    virtual TFieldDesc* DetectIdentityField() { return nullptr; }
    // Fields the provider keeps out of sight (row versions and the like); none here.
    virtual void GetHiddenFields(std::vector<TField*>& /*fields*/) {}
    virtual bool IdentityIsDataField() { return false; }
    virtual void DetectKeyFields(TFieldDescArray& list);
    virtual void DetectDataFields(TFieldDescArray& list, bool allTables);
    // The columns of the table's first unique index, joined by ";", read through the metadata
    // component.
    virtual AnsiString GetKeyFieldsFromIndex(const AnsiString& tableName, const AnsiString& indexName);
    virtual AnsiString GetCurrentSchema();
    // Not read-only, not unidirectional, and writing through the dataset's own means.
    virtual bool CanModify();
    // The rows the dataset's statement gives; 0 when the provider does not count.
    virtual int GetRecCount() { return 0; }
    virtual bool ProvidesKeyFieldsText() { return false; }
    // A field of the dataset is writable.
    bool HasWritableField() const;
    virtual void ResetTableKeyFields();
    // Forgets the key and data lists only.
    void ResetKeyFieldsCache();
    // The updating table, read-only marks and fields again, for a changed UpdatingTable.
    virtual void InitUpdatingTableAndFields();
    [[noreturn]] void RaiseNotSupported();

    void GetKeyFieldDescs(TFieldDescArray& list, bool allTables = false);
    void GetDataFieldDescs(TFieldDescArray& list, bool allTables = false);
    void GetKeyAndDataFields(TKeyAndDataFields& fields, bool allTables = false);
    TCRTableInfo* UpdatingTableInfo();
    int UpdatingTableIndex() const { return updatingTableIndex_; }
    bool UpdatingTableIsPropertyOnly() const { return propertyOnlyTable_.get() != nullptr; }
    TFieldDesc* IdentityField() const { return identityField_; }
    AnsiString QuoteName(const AnsiString& name);

    TCustomDADataSet* DADataSet() const { return dataSet_; }
    TDASQLGenerator* SQLGenerator() const { return generator_.get(); }
    TCRRecordSet* RecordSet() const;
    TSQLInfo* SQLInfo() const;

protected:
    // Gives the fields without a table the statement's single table (an unambiguous select list).
    void MatchFieldTables();

    TCustomDADataSet* dataSet_;
    std::unique_ptr<TDASQLGenerator> generator_;
    std::unique_ptr<TCRTableInfo> propertyOnlyTable_;
    int updatingTableIndex_ = -1;
    bool keyInfoReady_ = false;
    TFieldDesc* identityField_ = nullptr;
    TFieldDescArray keyFields_[2];
    bool keyFieldsReady_[2] = {false, false};
    TFieldDescArray dataFields_[2];
    bool dataFieldsReady_[2] = {false, false};
};
