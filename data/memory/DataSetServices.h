#pragma once
// The in-memory dataset's helpers: the data types map between record type codes and the
// framework's field types, the updater that writes a dataset's changes (here every operation
// succeeds without writing anything; the SQL layer's updater does the work through the same
// slots), and the service each dataset owns, which makes the updater, names field classes and
// gives numeric fields their value ranges.
#include <memory>

#include "data/memory/FieldDescs.h"
#include "platform/db/Fields.h"

class TMemDataSet;
class TDataSetService;
class XmlWriter;

// Stateless: the dataset keeps one instance of the class it names.
class TDataTypesMap : public TObject {
public:
    VZ_CLASS(TDataTypesMap, TObject)
    // An assertion "Unknown data type" for codes that are not in the map (31, above 32).
    virtual TFieldType FieldTypeOf(TDataTypeCode code) const;
    // tcUnknown for field types that have no record form (and for those past the platform's list).
    virtual TDataTypeCode DataTypeOf(TFieldType fieldType) const;
};

class TDataSetUpdater : public TObject {
public:
    VZ_CLASS(TDataSetUpdater, TObject)
    // Asserts that the service is given.
    explicit TDataSetUpdater(TDataSetService* service);

    virtual bool PerformInsert() { return true; }
    virtual bool PerformDelete() { return true; }
    virtual bool PerformUpdate() { return true; }
    virtual bool AfterRevertRecord() { return true; }
    virtual bool AfterApplyUpdates() { return true; }
    virtual bool BeforeCancelUpdates() { return true; }
    virtual bool BatchUpdateActive() { return false; }
    virtual bool BatchIsFull() { return false; }
    virtual void FlushBatch() {}

    // The record-set hooks: run the operation unless the dataset updates locally; the
    // dataset's Modified flag is kept in any case.
    void HandleInsert();
    void HandleDelete();
    void HandleUpdate();
    void HandleApplyRecord(int updateKind, int& action, bool isLast);

    TDataSetService* Service() const { return service_; }
    TMemDataSet* DataSet() const { return dataSet_; }

private:
    void Perform(bool (TDataSetUpdater::*operation)());

    TDataSetService* service_;
    TMemDataSet* dataSet_;
};

class TDataSetService : public TObject {
public:
    VZ_CLASS(TDataSetService, TObject)
    // Made through the class the dataset names (CreateInstance with the dataset); dataSet must
    // be a TMemDataSet.
    explicit TDataSetService(TComponent* dataSet);
    ~TDataSetService() override;

    virtual void MakeUpdater();
    virtual void SetUpdater(TDataSetUpdater* updater);
    // Value ranges of a numeric field from its descriptor's length and scale, kept within what
    // the field's type can hold.
    virtual void ApplyNumberRange(TFieldDef* fieldDef);
    virtual TClass FieldClassOfType(TFieldType fieldType);
    // Runs after the record set is prepared or opened, before field definitions are built.
    virtual void PrepareFieldInfo() {}
    // The column pieces of the dataset's XML form (a rowset schema and its rows): the type
    // attributes of a column, its naming and flag attributes, and the text of its value in the
    // current record (not for a null value).
    virtual void WriteFieldXmlType(TField* field, TFieldDesc* desc, XmlWriter& writer);
    virtual void WriteFieldXmlAttrs(TField* field, TFieldDesc* desc, XmlWriter& writer,
                                    const AnsiString& name);
    virtual WideString FieldValueToXmlText(TField* field, TFieldDesc* desc);
    // Reserved slots.
    virtual void PlaceholderA();
    virtual void PlaceholderB();

    TMemDataSet* DataSet() const { return dataSet_; }
    TDataSetUpdater* Updater() const { return updater_.get(); }
    void FreeUpdater() { updater_.reset(); }

private:
    TMemDataSet* dataSet_;
    std::unique_ptr<TDataSetUpdater> updater_;
};

// "yyyy-mm-ddThh:nn:ss" and "hh:nn:ss"; milliseconds are dropped.
AnsiString XmlDateTimeText(TDateTime value);
AnsiString XmlTimeText(TDateTime value);
