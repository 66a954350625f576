#pragma once
// Bulk loading into one table, the base of event alerters and of server cursors.
#include <memory>
#include <vector>

#include "data/access/CRRecordSet.h"
#include "data/memory/SharedObject.h"
#include "platform/core/StringLists.h"

class TCRLoaderColumn : public TObject {
public:
    VZ_CLASS(TCRLoaderColumn, TObject)
    TCRLoaderColumn() = default;

    AnsiString Name;
    uint16_t DataType = 0;
    int32_t Size = 0;
    int32_t DataSize = 0;
    int32_t Precision = 0;
    int32_t Scale = 0;
};

class TCRLoaderColumns {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TCRLoaderColumn* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    void Add(TCRLoaderColumn* column) { items_.emplace_back(column); } // takes ownership
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TCRLoaderColumn>> items_;
};

class TCRLoader : public TObject {
public:
    VZ_CLASS(TCRLoader, TObject)
    TCRLoader() = default;

    virtual TClass GetRecordSetClass();
    virtual void SetConnection(TCRConnection* value) { connection_ = value; }
    virtual void SetTransaction(TCRTransaction* value) { transaction_ = value; }
    virtual void FillColumn(TCRLoaderColumn* column, TFieldDesc* field);
    virtual void InternalPrepare() {}
    virtual void InternalPutColumnData(int column, int row, const Variant& value);
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    virtual TClass GetColumnClass() { return TCRLoaderColumn::StaticClass(); }
    virtual void Prepare();
    virtual void Reset();
    virtual void DoLoad() {}
    virtual void Finish() {}
    // Rows are filled in order from 1: the current row or the next one.
    virtual void PutColumnData(int column, int row, const Variant& value);

    // Raises "TableName must be defined".
    void CheckTableName() const;

    AnsiString TableName;
    TCRLoaderColumns& Columns() { return columns_; }
    int LastRow() const { return lastRow_; }
    int LoadedRows() const { return loadedRows_; }
    bool SkipReadOnlyFieldDescs = true;

protected:
    // The checks of PutColumnData, raising its errors.
    void CheckColumnAndRow(int column, int row) const;

    TCRConnection* connection_ = nullptr;
    TCRTransaction* transaction_ = nullptr;
    TCRLoaderColumns columns_;
    int lastRow_ = -1;
    int loadedRows_ = 0;
};

// One prepared INSERT executed once per row.
class TCRSimpleLoader : public TCRLoader {
public:
    VZ_CLASS(TCRSimpleLoader, TCRLoader)
    TCRSimpleLoader() = default;

    virtual void CreateCommand() = 0;
    virtual void LoadRow();
    void InternalPrepare() override;
    void InternalPutColumnData(int column, int row, const Variant& value) override;
    void Reset() override;
    void DoLoad() override;
    void Finish() override;
    void PutColumnData(int column, int row, const Variant& value) override;

    TCRCommand* Command() const { return command_.get(); }

protected:
    // A provider's constructor calls this once its command class can be reached.
    void InitCommand();

    std::unique_ptr<TCRCommand> command_;
};

class TCRAlerter : public TObject {
public:
    VZ_CLASS(TCRAlerter, TObject)
    TCRAlerter() = default;

    virtual void SetConnection(TCRConnection* value) { connection_ = value; }
    virtual void SetTransaction(TCRTransaction* value) { transaction_ = value; }
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    virtual void SendEvent(const AnsiString& event, const AnsiString& message) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool GetActive() { return active_; }

    TStringList& EventNames() { return eventNames_; }
    std::function<void(const AnsiString& event, const AnsiString& message)> OnEvent;
    std::function<void(Exception& e)> OnError;

protected:
    TCRConnection* connection_ = nullptr;
    TCRTransaction* transaction_ = nullptr;
    TStringList eventNames_;
    bool active_ = false;
};

// A server cursor a command can hand to a dataset.
class TCRCursor : public TSharedObject {
public:
    VZ_CLASS(TCRCursor, TSharedObject)
    virtual bool CanFetch() = 0;
};
