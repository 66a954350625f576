#pragma once
// Writes an SQL dataset's changes back to the server and re-reads its records: for each statement
// it takes the update component's object or text, the dataset's own SQLInsert ... SQLRefresh, or a
// generated text, and runs it on an internal query of the dataset's connection, one per statement
// type. Locks run in the update transaction or under a savepoint of it.
#include <memory>

#include "data/access/DASQLGenerator.h"
#include "data/memory/DataSetServices.h"

class TCustomDADataSet;
class TDADataSetService;
class TDATransaction;

// Lock states: the transaction a lock runs in was started for it (1, under cached updates 2),
// or a savepoint was set in the caller's transaction under cached updates (3).
enum TLockState { lsNone = 0, lsStarted = 1, lsStartedCached = 2, lsSavepointCached = 3 };

class TDADataSetUpdater : public TDataSetUpdater {
public:
    VZ_CLASS(TDADataSetUpdater, TDataSetUpdater)
    explicit TDADataSetUpdater(TDataSetService* service);
    ~TDADataSetUpdater() override;

    bool PerformInsert() override;
    bool PerformDelete() override;
    bool PerformUpdate() override;
    bool AfterRevertRecord() override;
    bool AfterApplyUpdates() override;
    bool BeforeCancelUpdates() override;
    bool BatchUpdateActive() override;
    bool BatchIsFull() override;
    void FlushBatch() override;

    virtual bool KeepsParamTypes() { return false; }
    virtual bool ReturnsParams();
    virtual bool RefreshesFromResult() { return false; }
    virtual bool NeedsRefreshAfterInsert();
    virtual bool HoldsConnectionOnInsert() { return false; }
    virtual bool HoldsConnectionOnEdit() { return false; }
    virtual bool HoldsConnection();
    virtual bool CanRefreshByLock();
    virtual bool GetIdentityValue(Variant& value);
    virtual bool SavepointAllowed() { return true; }
    virtual void BeginLockTransaction(const AnsiString& savepoint, bool cached);
    virtual void EndLockTransaction(const AnsiString& savepoint, bool cached);
    // A name "OLD_x" means the old value of field x, unless a field is named so itself; a name
    // starting with a digit is a field number.
    virtual bool FindFieldForParam(AnsiString& name, bool& old, TField*& field);
    // The dataset's own text for the type: SQLRefresh "WHERE ..." extends the dataset's statement,
    // SQLLock "FOR ..." follows the refresh text.
    virtual AnsiString GetUpdateSQLText(TStatementType type);
    // The query a statement type runs on; made on first use.
    virtual TCustomDADataSet* CheckUpdateQuery(TStatementType type);
    virtual void AfterCreateUpdateQuery(TCustomDADataSet*) {}
    // Chooses whose text runs and puts it into the update query; the generator's parameter
    // descriptions when the text was generated, else nullptr.
    virtual TDAParamsInfo* PrepareUpdateQuery(const AnsiString& sql, TStatementTypes types, bool generate);
    virtual void ExecuteUpdateQuery(TStatementTypes types);
    virtual bool IsRefreshQuickField(TField*) { return false; }
    virtual void SaveRefreshQuickValue(const Variant&) {}
    virtual void BeforeInsertRecord() {}
    virtual void PerformLock();
    virtual void PerformLockDelete();
    virtual void PerformUnLock();
    virtual void BeginCachedLockSavepoint();
    virtual void ResetCachedLockState();
    virtual void RollbackCachedLockSavepoint();
    virtual void RollbackCachedLockSavepointIfPending();
    virtual void LockRecord();
    virtual void UnlockRecord();
    virtual void PerformRefreshRecord();
    virtual void PerformRefreshRecordInUpdate();
    virtual void PerformRefreshQuick(bool checkDeleted);
    virtual AnsiString PrepareBatchSQL(const AnsiString& sql) { return sql; }
    virtual bool GetDefaultExpressionValue(const AnsiString&, Variant&) { return false; }
    // True when a statement ran.
    virtual bool PerformSQL(const AnsiString& sql, TStatementTypes types);
    bool PerformSQL(TStatementType type) { return PerformSQL(AnsiString(), StatementTypes(type)); }

    // Equal variants, or two date-times less than about a millisecond apart.
    static bool ValuesEqual(const Variant& a, const Variant& b);
    // "LOCK_" (or "LOCK_CU_" under cached updates) and the dataset's name, at most 30 characters.
    AnsiString LockSavepointName(bool cached) const;
    // The first column of the first row of a statement run on the custom query.
    Variant ExecuteSelectValue(const AnsiString& sql);
    // Runs the update component's text of the kind for the current record of another dataset;
    // false when it has none.
    bool PerformUpdateObject(int updateKind, TDataSet* dataSet);
    void ResetLockState();
    // The dataset closes: its update queries give back what they hold prepared.
    void UnprepareUpdateQueries();

    TLockState LockState() const { return lockState_; }
    TDATransaction* LockTransaction() const { return lockTransaction_; }
    const AnsiString& BatchSQL() const { return batchSQL_; }
    int BatchCount() const { return batchCount_; }

protected:
    // Rule of the parameters: from the generated descriptions, else by name.
    void FillParams(TDAParams* params, TDAParamsInfo* info, TStatementType type);
    void CopyParamsBack(TDAParams* params);
    // The re-read row into the current record; a lock compares instead of storing.
    void CopyRecordFromQuery(TCustomDADataSet* query, bool compareOnly, bool withBlobs = false);
    // The query's current row by column alias or name into buffer, or, with compareBuffer, only
    // compared with it ("Record was changed by another user"). Blob values come along only with
    // withBlobs (the refreshes); other statements leave them as the record has them.
    void CopyRowInto(TCustomDADataSet* query, void* buffer, void* compareBuffer = nullptr, bool withBlobs = false);
    // Drops the cached rows whose keys the check query no longer returns.
    void RemoveDeletedRecords(TCustomDADataSet* query);
    // Each row of the quick-refresh query into its cached row, found by key or appended.
    void MergeQuickRows(TCustomDADataSet* query);
    // The dataset's fields of the key descriptors.
    std::vector<TField*> KeyFields();
    void EndLockAfterStatement(bool success);
    void UndoLock();
    // Locks the record before its statement; a failed lock is undone.
    void LockBeforeStatement();
    bool CachedLockApplies();
    bool RecordUnchangedUnapplied();

    TCustomDADataSet* dataSet_;
    TDADataSetService* service_;
    // The component the statement at hand runs on: an update query or an object of the update
    // component.
    TComponent* updateQuery_ = nullptr;
    std::unique_ptr<TCustomDADataSet> queries_[stBatchUpdate + 1];
    TDAParams generated_;
    AnsiString batchSQL_;
    std::unique_ptr<TDAParams> batchParams_;
    int batchCount_ = 0;
    TDATransaction* lockTransaction_ = nullptr;
    TLockState lockState_ = lsNone;
    bool refreshInUpdate_ = false;
};
