#pragma once
// The provider-neutral catalog reader: asked for a metadata kind with restrictions, it answers a
// record list of a fixed layout for that kind, filled by the provider's catalog queries. Also the
// row helper it fills its lists with.
#include <memory>
#include <vector>

#include "data/access/CRRecordSet.h"
#include "platform/core/StringLists.h"

// Reads and writes rows of a record list through one record buffer.
class TDataHelper : public TObject {
public:
    VZ_CLASS(TDataHelper, TObject)
    explicit TDataHelper(TData* data = nullptr) : data_(data) {}
    ~TDataHelper() override;

    void AllocBuffer();
    void FreeBuffer();
    // Every field null, the objects of complex fields created.
    void InitRecord();
    void AppendRecord();
    // The next record into the buffer; False at the end.
    bool NextRecord();
    Variant GetFieldValue(int fieldNo);
    void SetFieldValue(int fieldNo, const Variant& value);
    void* Buffer() const { return buffer_; }

private:
    TData* data_;
    void* buffer_ = nullptr;
    bool ownsObjects_ = false; // the buffer's blobs and heap values are its own, not a row's
};

class TCRMetaData : public TObject {
public:
    VZ_CLASS(TCRMetaData, TObject)
    TCRMetaData();
    ~TCRMetaData() override;

    virtual TCRRecordSet* CreateRecordSet() = 0;
    virtual TData* InternalGetMetaData(const AnsiString& kind, TStrings& restrictions);
    virtual void CreateMetaDataKindsFields();
    virtual void GetMetaDataKindsList(TStrings& list);
    virtual TData* GetMetaDataKinds();
    virtual void CreateRestrictionsFields();
    virtual void GetRestrictionsList(TStrings& list, const AnsiString& kind);
    virtual TData* GetRestrictions(TStrings& restrictions);
    virtual void CreateTablesFields();
    virtual TData* GetTables(TStrings& restrictions) = 0;
    virtual void CreateColumnsFields();
    virtual TData* GetColumns(TStrings& restrictions) = 0;
    virtual void CreateProceduresFields();
    virtual TData* GetProcedures(TStrings& restrictions) = 0;
    virtual void CreateProcedureParametersFields();
    virtual TData* GetProcedureParameters(TStrings& restrictions) = 0;
    virtual void CreateIndexesFields();
    virtual TData* GetIndexes(TStrings& restrictions) = 0;
    virtual void CreateIndexColumnsFields();
    virtual TData* GetIndexColumns(TStrings& restrictions) = 0;
    virtual void CreateConstraintsFields();
    virtual TData* GetConstraints(TStrings& restrictions) = 0;
    virtual TData* GetDatabases(TStrings& restrictions);
    virtual void CreateDatabasesFields();
    virtual TData* GetDataTypes(TStrings& restrictions);
    virtual TData* GetUsers(TStrings& restrictions);
    virtual TData* GetRoles(TStrings& restrictions);
    virtual TData* GetUDTs(TStrings& restrictions);
    virtual TData* GetPackages(TStrings& restrictions);
    // The answer is the result list or the record set; the caller must not free it.
    virtual TData* GetMetaData(TCRConnection* connection, TCRTransaction* transaction, const AnsiString& kind,
                               TStrings& restrictions);

    void AddField(const AnsiString& name, TDataTypeCode dataType, int length = -1);
    // Copies the record set's current row fields into the result row, pair by pair.
    void CopyRecord(const std::vector<int>& sourceFields, const std::vector<int>& destFields);
    void GetMetaDataKindsNames(TStrings& list);
    void GetRestrictionsNames(TStrings& list, const AnsiString& kind);

    TMemData& Data() { return *data_; }
    TCRRecordSet* RecordSet();
    TDataHelper& MemDataHelper() { return *memDataHelper_; }
    TDataHelper& RecordSetHelper();

protected:
    // Clears the result list's layout before a builder adds the fields of its kind.
    void BeginLayout();
    // Computes the layout and opens the empty result list with its row buffer.
    void OpenResult();

    std::unique_ptr<TMemData> data_;
    std::unique_ptr<TDataHelper> memDataHelper_;
    std::unique_ptr<TCRRecordSet> recordSet_;
    std::unique_ptr<TDataHelper> recordSetHelper_;
    AnsiString operator_ = "=";
};

// The value of a name=value restriction line, blanks removed; empty when absent.
AnsiString RestrictionValue(TStrings& restrictions, const AnsiString& name);
