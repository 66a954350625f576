#pragma once
// The provider-neutral internal record set: an in-memory record list filled by executing a command
// and fetching its rows in blocks of items, and the field descriptor this layer uses. A provider
// derives from it and supplies the command, the column description and the block fetch.
#include <cstdint>
#include <functional>
#include <memory>

#include "data/access/CRAccess.h"
#include "data/memory/MemData.h"

class TCRFieldDesc : public TFieldDesc {
public:
    VZ_CLASS(TCRFieldDesc, TFieldDesc)
    TCRFieldDesc() = default;

    // The source name as SQL text for a quote kind 0..2, cached per kind (never cleared).
    virtual AnsiString GetActualFieldName(TSQLInfo* sqlInfo, int quoteKind);
    virtual bool IsNational() const { return false; }

    TCRTableInfo* TableInfo = nullptr;
    // The column's server default as SQL text; empty when it has none or it was not read.
    AnsiString DefaultExpr;

private:
    AnsiString actualNames_[3];
    bool actualNameSet_[3] = {false, false, false};
};

class TCRRecordSet : public TMemData {
public:
    VZ_CLASS(TCRRecordSet, TMemData)
    TCRRecordSet();
    ~TCRRecordSet() override;

    // ---- overrides of TData and TMemData ----
    void DoPrepare() override;
    void DoUnprepare() override;
    void DoOpen(bool skipFieldInit) override;
    void DoClose() override;
    bool GetConvertEOL() const override;
    void Prepare() override;
    void Unprepare() override;
    TClass GetFieldDescClass() const override { return TCRFieldDesc::StaticClass(); }
    void GetNextRecord(void* buffer) override;
    void GetPriorRecord(void* buffer) override;
    bool Refilter() override;
    void InitSortColumn(TSortColumn* column) override;
    void SortItems() override;

    // ---- new virtual operations ----
    virtual void CreateCommand() = 0;
    virtual void SetCommand(TCRCommand* value);
    virtual bool CanFetchBack() { return false; }
    virtual bool NeedInitFieldsOnPrepare() { return CommandType == ctRows; }
    virtual bool NeedInitFieldsOnFetch() { return false; }
    virtual void ExecFetch(bool disableInitFields);
    virtual void BlockFetched(PRowBlock block, int count, bool backward);
    virtual void DoBeforeFetch(bool& cancel);
    virtual void DoAfterFetch();
    // Releases the server cursor and the prepared state; the fetched rows stay.
    virtual void Disconnect();
    virtual void ExecCommand();
    virtual void FetchAll();
    virtual void BreakFetch() { breakFetch_ = true; }
    virtual bool CanDisconnect();
    virtual bool RowsReturn() { return CommandType == ctRows; }
    virtual void SetConnection(TCRConnection* value);
    virtual void SetTransaction(TCRTransaction* value);
    virtual void SetSQL(const AnsiString& value);
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    virtual bool IsCaseSensitive() { return true; }

    TCRCommand* GetCommand() const { return command_.get(); }
    TObject* GetComponent() const { return command_ ? command_->Component : nullptr; }
    void SetComponent(TObject* value);
    TClass GetTableInfoClass() const;
    void FreeCommand();
    // Links the first count items of a freshly filled block into the list; the rest go to the
    // free list.
    void InitFetchedBlock(PRowBlock block, int count, bool backward);
    TCRTablesInfo& TablesInfo() { return *tablesInfo_; }

    bool UniDirectional() const { return uniDirectional_; }
    int FetchRows() const { return fetchRows_; }
    bool FetchAllFlag() const { return fetchAll_; }
    bool AtEndOfData() const { return atEndOfData_; }
    bool LongStrings() const { return longStrings_; }
    bool FlatBuffers() const { return flatBuffers_; }
    bool BreakRequested() const { return breakFetch_; }

    static constexpr uint8_t ctUnknown = 0;
    static constexpr uint8_t ctNoRows = 1;
    static constexpr uint8_t ctRows = 2;
    uint8_t CommandType = ctUnknown;

    std::function<bool()> OnAfterExecuteFetch;
    std::function<void()> OnAfterFetchAll;
    std::function<void(bool& cancel)> OnBeforeFetch;
    std::function<void()> OnAfterFetch;
    std::function<void()> OnReopen;

protected:
    // What a failed open leaves undone: the preparation it made, an executed cursor.
    void UndoOpen();
    // A provider's constructor calls this once its command class can be reached.
    void CreateCommandAndTablesInfo();

    std::unique_ptr<TCRCommand> command_;
    bool uniDirectional_ = false;
    int fetchRows_ = 0;
    bool atEndOfData_ = false;
    bool fetchAll_ = false;
    bool lockFetchAll_ = false;
    bool longStrings_ = true;
    bool flatBuffers_ = true;
    bool extendedFieldsInfo_ = false;
    bool defaultValues_ = false;
    bool fieldsOrigin_ = false;
    bool breakFetch_ = false;
    // Rows taken from the server since the open (property 23).
    int rowsFetched_ = 0;
    std::unique_ptr<TCRTablesInfo> tablesInfo_;
};
