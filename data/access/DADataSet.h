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
class TDATransaction;
class TCRCursor;
class TBlob;
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

// What QuickOpen changed, for RestoreAfterQuickOpen.
struct TQuickOpenInfo {
    bool OldActive = false;
    bool OldDebug = false;
    bool OldFetchAll = false;
    int OldFetchRows = 0;
};

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

    // Off: the parameters are the caller's and are not read again from the statement text.
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool value);
    // The stored procedure whose call text is the statement; cleared when the text changes.
    const AnsiString& StoredProcName() const { return storedProcName_; }
    bool StoredProcIsQuery() const { return storedProcIsQuery_; }
    void SetStoredProcName(const AnsiString& name, bool isQuery);

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

    TLockMode LockMode = lmNone;
    unsigned RefreshOptions = 0;
    // Stores the options and tells the record set whether records are re-read after an update.
    void SetRefreshOptions(unsigned value);
    // The generated statements bring back what the server wrote, without a refresh of their own.
    bool DMLRefresh = false;
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

    // ---- transactions, user statements, quick open, cursors ----
    TDATransaction* GetAssignedTransaction() const { return transaction_; }
    virtual void SetAssignedTransaction(TDATransaction* value);
    TDATransaction* GetAssignedUpdateTransaction() const { return updateTransaction_; }
    void SetAssignedUpdateTransaction(TDATransaction* value);
    // The assigned transaction where the provider runs several, else the connection's.
    virtual TDATransaction* UsedTransaction() const;
    virtual TDATransaction* UsedUpdateTransaction() const;
    // Statements of the dataset commit on their own; off inside a caller's apply.
    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool value);
    // The user's statement text of stInsert, stUpdate, stDelete, stLock or stRefresh; nullptr
    // for the other types.
    TStringList* UserSQLOf(TStatementType type) const;
    TStringList* SQLInsert() const { return UserSQLOf(stInsert); }
    TStringList* SQLUpdate() const { return UserSQLOf(stUpdate); }
    TStringList* SQLDelete() const { return UserSQLOf(stDelete); }
    TStringList* SQLLock() const { return UserSQLOf(stLock); }
    TStringList* SQLRefresh() const { return UserSQLOf(stRefresh); }
    // Opens for the field information only: one row is fetched. On failure nothing stays changed.
    virtual void QuickOpen(TQuickOpenInfo& info, bool force = false);
    virtual void RestoreAfterQuickOpen(const TQuickOpenInfo& info, bool restoreActive = true);
    virtual TCRCursor* GetCursor() const;
    virtual void SetCursor(TCRCursor* value);
    virtual void BreakFetch();

    // ---- SQL builders; the unified dataset fills them, here they answer empty texts ----
    virtual AnsiString SQLGetFrom(const AnsiString& sql);
    virtual AnsiString SQLAddWhere(const AnsiString& sql, const AnsiString& condition);
    virtual AnsiString SQLDeleteWhere(const AnsiString& sql);
    virtual AnsiString SQLGetWhere(const AnsiString& sql);
    virtual AnsiString SQLSetOrderBy(const AnsiString& sql, const AnsiString& fields);
    virtual AnsiString SQLGetOrderBy(const AnsiString& sql);

    // ---- field values into parameters ----
    virtual bool CanAssignFieldToParam(TField* /*field*/) { return true; }
    virtual void AssignFieldValue(TDAParam* param, TField* field, bool old);
    virtual void AssignFieldDescValue(TDAParam* param, TFieldDesc* desc, bool old);
    virtual void AssignFieldType(TDAParam* param, TFieldDesc* desc);
    // The parameter's value object becomes blob (a fresh one without); true when it changed.
    virtual bool SetParamBlob(TDAParam* param, TBlob* blob);
    virtual TDataTypeCode GetFieldDataType(const AnsiString& name);
    // The record set's descriptor of the field number (from 1); nullptr without one.
    using TMemDataSet::GetFieldDesc;
    virtual TFieldDesc* GetFieldDesc(int fieldNo);

    // ---- provider support ----
    TParams* PSGetParams() override { return params_.get(); }
    void PSSetParams(TParams* params) override;
    void PSSetCommandText(const AnsiString& commandText) override;
    void PSExecute() override { InternalExecute(); }
    int PSExecuteStatement(const AnsiString& sql, TParams* params, TDataSet** resultSet) override;
    AnsiString PSGetQuoteChar() override { return "\""; }
    bool PSIsSQLBased() override { return true; }
    bool PSIsSQLSupported() override { return true; }
    void PSReset() override;
    TIndexDef* PSGetDefaultOrder() override;
    bool PSInTransaction() override;
    void PSStartTransaction() override;
    void PSEndTransaction(bool commit) override;
    bool PSUpdateRecord(TUpdateKind updateKind, TDataSet* delta) override;
    void SetFiltered(bool value) override;

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
    virtual void BeforeOpenCursor(bool /*infoQuery*/) {}
    virtual void AfterOpenCursor(bool /*infoQuery*/) {}
    virtual void CheckSQL() {}
    // The SQL text and the text of every user statement, scanned for macros.
    virtual void ScanMacros();
    void AssignTo(TPersistent* dest) override;
    bool GetNextRecord() override;
    void RefreshLocalDetail() override;
    void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) override;

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
    // Open, and the service lets the dataset write: ReadOnly keeps every change off the server.
    bool GetCanModify() override;
    // Runs the statement again; the record is found again by its keys once keys are detected,
    // until then the dataset starts at its first record.
    void InternalRefresh() override;
    bool UsesLocalMasterDetail() override { return options_->LocalMasterDetail(); }
    bool PrepareLocalMDLinks() override { return SetMasterParams(params_.get()); }
    void RefreshDetail(TObject* sender) override;
    // The active master of the link; nullptr without one.
    TDataSet* ActiveMaster() const;
    void AssignServiceParams();

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
    std::unique_ptr<TDAParams> params_;
    std::unique_ptr<TMacros> macros_;
    std::unique_ptr<TDADataSetOptions> options_;
    AnsiString filterSQL_;
    bool paramCheck_ = true;
    AnsiString storedProcName_;
    bool storedProcIsQuery_ = false;
    bool scanningMacros_ = false;
    int fetchRows_ = 25;
    bool uniDirectional_ = false;
    bool fetchAll_ = false;
    bool readOnly_ = false;
    int rowsAffected_ = -1;
    int recCount_ = 0;
    bool fetchCancelled_ = false;
    // An open that left rows on the server holds a connection use until they are read or closed.
    bool fetchUse_ = false;
    // Uses begun by Prepare, held until Unprepare.
    bool prepareUse_ = false;
    // The parameters follow the final text: a FilterSQL or link condition may bring its own.
    void RescanParams();
    // The detail = :master conditions of a master link without local filtering; empty without.
    AnsiString MasterLinkConditions() const;
    TDATransaction* transaction_ = nullptr;
    TDATransaction* updateTransaction_ = nullptr;
    bool autoCommit_ = true;
    std::unique_ptr<TStringList> userSQL_[stRefresh + 1];
    // The final text the parameters were last read from.
    AnsiString scannedSQL_;
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
    // Local filtering in place of detail parameters, or back: the statement changes with it.
    void LocalMasterDetailChanged() override;

private:
    TCustomDADataSet* dataSet_;
};

// A field of cursor values.
class TDACursorField : public TField {
public:
    VZ_CLASS(TDACursorField, TField)
    explicit TDACursorField(TComponent* owner);
};
