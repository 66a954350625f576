#pragma once
// The SQL dataset: an in-memory dataset whose rows come from a statement run through the
// provider's record set, inside a counted use of the connection.
#include <functional>
#include <memory>

#include "data/access/CRRecordSet.h"
#include "data/access/DADataSetOptions.h"
#include "data/access/DASQLText.h"
#include "data/access/DBAccess.h"
#include "data/access/Macros.h"
#include "data/memory/MemDataSet.h"
#include "platform/core/StringLists.h"

class TCustomDAConnection;
class TCustomDAUpdateSQL;
struct TSQLParserClass;

// The statement with each "?" marker numbered ":1", ":2", ... in order; a "?" inside a string,
// a quoted name or a comment stays as it is. count receives the number of markers.
AnsiString SqlNumberQuestionMarkers(const AnsiString& sql, const TSQLParserClass* parserClass,
                                    int* count = nullptr);

enum TLockMode { lmNone, lmPessimistic, lmOptimistic };
// RefreshOptions flags.
constexpr unsigned roAfterInsert = 1;
constexpr unsigned roAfterUpdate = 2;
constexpr unsigned roBeforeEdit = 4;

class TDATransaction;
class TDADataSetUpdater;

using TUpdateExecuteEvent = std::function<void(TDataSet* sender, TStatementTypes types, TDAParams* params)>;
using TDAAfterExecuteEvent = std::function<void(TObject* sender, bool result)>;
using TDABeforeFetchEvent = std::function<void(TDataSet* dataSet, bool& cancel)>;
using TDAAfterFetchEvent = std::function<void(TDataSet* dataSet)>;

class TCustomDADataSet : public TMemDataSet, public TMacrosOwner {
public:
    VZ_CLASS(TCustomDADataSet, TMemDataSet)
    explicit TCustomDADataSet(TComponent* owner);
    ~TCustomDADataSet() override;

    TCustomDAConnection* Connection() const { return connection_; }
    void SetConnection(TCustomDAConnection* value);
    TStringList* SQL() const { return sql_.get(); }
    void SetSQL(const TStrings& lines) { sql_->Assign(const_cast<TStrings*>(&lines)); }
    TDAParams* Params() const { return params_.get(); }
    TDAParam* ParamByName(const AnsiString& name) const { return params_->ParamByName(name); }
    TMacros* Macros() const { return macros_.get(); }
    TMacro* MacroByName(const AnsiString& name) const { return macros_->MacroByName(name); }
    const AnsiString& FilterSQL() const { return filterSQL_; }
    virtual void SetFilterSQL(const AnsiString& value);
    // The master's values into the parameters of the same names; true when any changed.
    virtual bool SetMasterParams(TDAParams* params);

    int FetchRows() const { return fetchRows_; }
    void SetFetchRows(int value);
    bool UniDirectional() const { return uniDirectional_; }
    void SetUniDirectional(bool value);
    virtual bool GetFetchAll() const { return fetchAll_; }
    virtual void SetFetchAll(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    TDADataSetOptions* Options() const { return options_.get(); }
    int RowsAffected() const { return rowsAffected_; }
    // Names separated by ";" that identify a record; empty lets the service find them.
    AnsiString KeyFields;
    // The table the generated statements write to; empty takes the statement's first table.
    AnsiString UpdatingTable;
    // The user's statements in place of generated ones; nullptr uses generated ones.
    TCustomDAUpdateSQL* UpdateObject() const { return updateObject_; }
    void SetUpdateObject(TCustomDAUpdateSQL* value);

    // The user's write-back statements; empty ones are generated.
    TStringList* SQLInsert() const { return userSQL_[stInsert].get(); }
    TStringList* SQLUpdate() const { return userSQL_[stUpdate].get(); }
    TStringList* SQLDelete() const { return userSQL_[stDelete].get(); }
    TStringList* SQLLock() const { return userSQL_[stLock].get(); }
    TStringList* SQLRefresh() const { return userSQL_[stRefresh].get(); }
    // The list of a statement type; nullptr for the types without one.
    TStringList* UserSQLOf(TStatementType type) const;
    TLockMode LockMode = lmNone;
    unsigned RefreshOptions = 0;
    // The generated statements bring back what the server wrote, without a refresh of their own.
    bool DMLRefresh = false;
    // Statements of the dataset commit on their own; off inside a caller's apply.
    bool AutoCommit() const;
    void SetAutoCommit(bool value);
    // The transactions the dataset reads and writes in.
    virtual TDATransaction* UsedTransaction() const;
    virtual TDATransaction* UsedUpdateTransaction() const;
    // Re-reads the current record from the server.
    void RefreshRecord();
    // Locks the current record in a transaction of its own until the edit ends.
    void LockRecord();
    // Merges the rows changed on the server into the cached rows; with checkDeleted the rows
    // the server no longer has are dropped.
    void RefreshQuick(bool checkDeleted);
    // Applies the cached changes inside the update transaction.
    void ApplyCachedUpdatesOf(uint8_t kinds) override;
    TDADataSetUpdater* Updater();
    // KeyFields changed: the service finds the keys again.
    void SetKeyFields(const AnsiString& value);
    // UpdatingTable changed: an open dataset finds its updating table and fields again.
    void SetUpdatingTable(const AnsiString& value);
    // The fields that identify a record, joined by ";": flagged key fields, else KeyFields, else
    // those the service detects (a closed dataset is prepared for them and left as it was).
    AnsiString PSGetKeyFields() override;
    // The table the dataset writes to.
    AnsiString PSGetTableName() override;
    // Literal defaults set at once; other expressions are asked from the server in one SELECT.
    void ApplyDefaultValues() override;

    void Prepare() override;
    void Unprepare() override;
    void Execute() { InternalExecute(); }
    virtual bool IsQuery();
    virtual bool IsAllFetched();
    virtual AnsiString GetFinalSQL() const;
    // Runs sql with "?" markers and the parameters given by position on a new dataset of this
    // connection; the rows affected. With resultSet the dataset is handed over (the caller frees it).
    virtual int PSExecuteStatement(const AnsiString& sql, TParams* params,
                                   TCustomDADataSet** resultSet = nullptr);

    bool MacrosOwnerIsDataSet() const override { return true; }
    bool MacrosOwnerActive() const override { return const_cast<TCustomDADataSet*>(this)->Active(); }
    AnsiString MacrosOwnerSQL() const override { return sql_->Text(); }
    void MacrosChanged() override;

    // Traces this dataset's statements even without an active monitor (the debug dialog hook).
    bool Debug = false;
    // Set while the dataset traces a statement itself, and for internal statements of others.
    bool TraceSuppressed = false;
    TNotifyEvent BeforeExecute;
    TDAAfterExecuteEvent AfterExecute;
    TDABeforeFetchEvent BeforeFetch;
    // Around each statement of the updater; a handler may fill parameters that name no field.
    TUpdateExecuteEvent BeforeUpdateExecute;
    TUpdateExecuteEvent AfterUpdateExecute;
    TDAAfterFetchEvent AfterFetch;

protected:
    virtual std::unique_ptr<TDADataSetOptions> CreateOptions();
    // A descendant's own options and parameter list, set by its constructor.
    void SetOptionsObject(std::unique_ptr<TDADataSetOptions> value) { options_ = std::move(value); }
    void SetParamsObject(std::unique_ptr<TDAParams> value) { params_ = std::move(value); }
    // The final text and the parameter values into the record set's command.
    virtual void WriteCommand();
    // One parameter's type and value into a description of the command.
    void WriteParamDesc(TParamDesc* d, TDAParam* p);
    // The parameters made anew from the command's descriptions.
    virtual void ReadParamDescs();
    virtual TCustomDAConnection* UsedConnection() const { return connection_; }
    virtual void BeginConnection(bool internal);
    virtual void EndConnection();
    virtual void CheckConnection() { BeginConnection(false); }
    virtual void ConnectChange(TObject* sender, bool connecting);
    virtual void Disconnect(bool close);
    // The provider's record set for this dataset's connection; nullptr without one.
    virtual TCRRecordSet* NewRecordSet() { return nullptr; }
    // A new dataset of the same kind for statements the dataset runs for others.
    virtual TCustomDADataSet* NewDataSet() { return nullptr; }
    virtual void InternalExecute();
    virtual void DoBeforeExecute();
    virtual void DoAfterExecute(bool result);
    virtual bool DoBeforeFetch(bool& cancel);
    virtual void DoAfterFetch();
    // The count query of the dataset service; 0 when there is none.
    virtual int GetRecCount();

    void CreateRecordSet() override;
    void SetRecordSet(TData* recordSet) override;
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    void InternalOpen() override;
    void InternalClose() override;
    int GetRecordCount() override;
    void DoAfterScroll() override;
    void Notification(TComponent* component, TOperation operation) override;
    void InternalPost() override;
    void InternalEdit() override;
    void InternalDelete() override;
    void InternalCancel() override;
    // Runs the statement again; the record is found again by its keys once keys are detected,
    // until then the dataset starts at its first record.
    void InternalRefresh() override;
    bool UsesLocalMasterDetail() override { return false; }
    bool PrepareLocalMDLinks() override { return SetMasterParams(params_.get()); }
    void RefreshDetail(TObject* sender) override;
    // The active master of the link; nullptr without one.
    TDataSet* ActiveMaster() const;

    TCRRecordSet* RecordSet() const { return static_cast<TCRRecordSet*>(FIRecordSet); }
    TCRCommand* Command() const { return RecordSet() ? RecordSet()->GetCommand() : nullptr; }

private:
    friend class TDASQLDataSetOptions;
    friend class TDBAccessUtils;
    friend class TDADataSetService;
    friend class TDASQLGenerator;
    friend class TDADataSetUpdater;
    void SQLChanged();
    void ResetAfterSQLChange(bool noMacroScan);
    // The monitor class to trace with: when a monitor is active or Debug is on, unless suppressed.
    TClass TracedBy() const;

protected:
    // Tells the monitor once that this dataset goes; a descendant's destructor calls it first,
    // while the dataset still answers its own class name.
    void NotifyDestroyed();

private:
    bool destroyedNotified_ = false;
    // The record being posted no longer matches the master's current record.
    bool PostedRecordLeavesMaster();
    // Ends the use a re-run began, or keeps it for the rows the re-run left on the server.
    void HoldUseForRowsLeft();

    TCustomDAConnection* connection_ = nullptr;
    TCustomDAUpdateSQL* updateObject_ = nullptr;
    std::unique_ptr<TStringList> sql_;
    std::unique_ptr<TStringList> userSQL_[stRefresh + 1];
    std::unique_ptr<TDAParams> params_;
    std::unique_ptr<TMacros> macros_;
    std::unique_ptr<TDADataSetOptions> options_;
    AnsiString filterSQL_;
    bool scanningMacros_ = false;
    int fetchRows_ = 25;
    bool uniDirectional_ = false;
    bool fetchAll_ = false;
    bool readOnly_ = false;
    bool autoCommit_ = true;
    int rowsAffected_ = -1;
    int recCount_ = 0;
    bool fetchCancelled_ = false;
    // An open that left rows on the server holds a connection use until they are read or closed.
    bool fetchUse_ = false;
    // Uses begun by Prepare, held until Unprepare.
    bool prepareUse_ = false;
};

// The options of the SQL dataset reach its record set and command, now and at every binding.
class TDASQLDataSetOptions : public TDADataSetOptions {
public:
    VZ_CLASS(TDASQLDataSetOptions, TDADataSetOptions)
    explicit TDASQLDataSetOptions(TCustomDADataSet* owner) : TDADataSetOptions(owner), dataSet_(owner) {}

protected:
    void PushRecordSetProp(int prop, const Variant& value) override;
    void PushCommandProp(int prop, const Variant& value) override;
    void UnprepareOwner() override;

private:
    TCustomDADataSet* dataSet_;
};

// A field of cursor values.
class TDACursorField : public TField {
public:
    VZ_CLASS(TDACursorField, TField)
    explicit TDACursorField(TComponent* owner);
};
